#pragma once

#if defined(VELMSCRIPT_LIBRARY)
#define VELMSCRIPT_EXPORT __attribute__((visibility("default")))
#else
#define VELMSCRIPT_EXPORT __attribute__((visibility("default")))
#endif
