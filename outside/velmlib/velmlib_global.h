#pragma once

#include <QtCore/qglobal.h>

#if defined(VELMLIB_LIBRARY)
#define VELMLIB_EXPORT Q_DECL_EXPORT
#else
#define VELMLIB_EXPORT Q_DECL_IMPORT
#endif
