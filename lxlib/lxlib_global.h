#pragma once

#include <QtCore/qglobal.h>

#if defined(LXLIB_LIBRARY)
#define LXLIB_EXPORT Q_DECL_EXPORT
#else
#define LXLIB_EXPORT Q_DECL_IMPORT
#endif
