#pragma once

#include <QtCore/qglobal.h>

#if defined(VELMCOM_LIBRARY)
#define VELMCOM_EXPORT Q_DECL_EXPORT
#else
#define VELMCOM_EXPORT Q_DECL_IMPORT
#endif
