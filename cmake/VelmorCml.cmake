# velmor_encode_cml(<target> OUTPUT_DIR <dir> SOURCES a.xml b.xml [KEY <n>])
# Encodes each XML source at build time with velmcml into <dir>/<name>.cml. The target is
# built with "all"; each file is re-encoded when its source or velmcml changes. Relative
# sources are taken from the calling folder. Without KEY the definition-file key is used.
function(velmor_encode_cml target)
    cmake_parse_arguments(ARG "" "OUTPUT_DIR;KEY" "SOURCES" ${ARGN})
    if(NOT ARG_OUTPUT_DIR OR NOT ARG_SOURCES)
        message(FATAL_ERROR "velmor_encode_cml(${target}): OUTPUT_DIR and SOURCES are required")
    endif()
    if(NOT TARGET velmcml)
        message(FATAL_ERROR "velmor_encode_cml(${target}): the velmcml tool is not part of this "
                            "build; add \"datamodule\" to VELMOR_ONLY")
    endif()
    set(key_option)
    if(DEFINED ARG_KEY)
        set(key_option --key ${ARG_KEY})
    endif()
    set(outputs)
    foreach(source IN LISTS ARG_SOURCES)
        get_filename_component(source_path ${source} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
        get_filename_component(name ${source} NAME_WE)
        set(output ${ARG_OUTPUT_DIR}/${name}.cml)
        add_custom_command(
            OUTPUT ${output}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${ARG_OUTPUT_DIR}
            COMMAND $<TARGET_FILE:velmcml> ${key_option} encode ${source_path} ${output}
            DEPENDS ${source_path} velmcml
            COMMENT "Encoding ${name}.cml"
            VERBATIM)
        list(APPEND outputs ${output})
    endforeach()
    add_custom_target(${target} ALL DEPENDS ${outputs})
endfunction()
