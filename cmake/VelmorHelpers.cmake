# Shared build settings and helpers for every Velmor target.

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
    # Precompiled headers and ccache get along only with these sloppiness settings; the base
    # folder and NOHASHDIR let a fresh clone in another folder reuse the cache.
    set(CMAKE_CXX_COMPILER_LAUNCHER
        ${CMAKE_COMMAND} -E env
        "CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime"
        "CCACHE_BASEDIR=${CMAKE_SOURCE_DIR}" CCACHE_NOHASHDIR=1
        ${CCACHE_PROGRAM})
    set(CMAKE_C_COMPILER_LAUNCHER ${CMAKE_CXX_COMPILER_LAUNCHER})
endif()

add_compile_options(-Wall -Wextra)

# velmor_pch(<target> [WIDGETS]): precompiled Qt headers for a target.
function(velmor_pch target)
    cmake_parse_arguments(ARG "WIDGETS" "" "" ${ARGN})
    set(headers <QtCore/QtCore> <string> <vector> <memory> <map>)
    if(ARG_WIDGETS)
        list(APPEND headers <QtWidgets/QtWidgets>)
    endif()
    target_precompile_headers(${target} PRIVATE ${headers})
endfunction()

# velmor_add_library(<name> SOURCES ... [LIBS ...] [WIDGETS]): a shared library with
# hidden visibility; <NAME>_LIBRARY is defined while building it so its export
# header turns exports on.
function(velmor_add_library name)
    cmake_parse_arguments(ARG "WIDGETS" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} SHARED ${ARG_SOURCES})
    string(TOUPPER ${name} upper)
    target_compile_definitions(${name} PRIVATE ${upper}_LIBRARY)
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
    if(ARG_WIDGETS)
        velmor_pch(${name} WIDGETS)
    else()
        velmor_pch(${name})
    endif()
endfunction()

# velmor_add_test(<name> SOURCES ... [LIBS ...] [LABELS ...]): a GoogleTest program,
# its cases discovered by ctest and run with Qt's offscreen platform. VELMOR_SOURCE_DIR,
# VELMOR_TEST_DATA (the test's folder) and VELMOR_BIN_DIR (the programs) are string macros.
function(velmor_add_test name)
    if(NOT VELMOR_BUILD_TESTS)
        return()
    endif()
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_compile_definitions(${name} PRIVATE
        VELMOR_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
        VELMOR_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}"
        VELMOR_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
    set(properties ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT ${ARG_TIMEOUT})
    if(ARG_LABELS)
        # One label per test program: a list would not survive the discovery script.
        list(GET ARG_LABELS 0 label)
        list(APPEND properties LABELS ${label})
    endif()
    include(GoogleTest)
    # Discovery runs the program under ctest's own environment: scripts/test and the test
    # presets set QT_QPA_PLATFORM=offscreen for it.
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES ${properties})
endfunction()
