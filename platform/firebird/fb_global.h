#pragma once

#include <QtCore/qglobal.h>

#if defined(VELMFB_LIBRARY)
#define VELMFB_EXPORT Q_DECL_EXPORT
#else
#define VELMFB_EXPORT Q_DECL_IMPORT
#endif
