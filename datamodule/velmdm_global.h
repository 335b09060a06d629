#pragma once

#include <QtCore/qglobal.h>

#if defined(VELMDM_LIBRARY)
#define VELMDM_EXPORT Q_DECL_EXPORT
#else
#define VELMDM_EXPORT Q_DECL_IMPORT
#endif
