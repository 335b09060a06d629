#pragma once

#include <QtCore/qglobal.h>

#if defined(VELMTYPELIB_LIBRARY)
#define VELMTYPELIB_EXPORT Q_DECL_EXPORT
#else
#define VELMTYPELIB_EXPORT Q_DECL_IMPORT
#endif
