#pragma once

#include "velmlib_global.h"

#include <QString>

// The product key below HKEY_LOCAL_MACHINE unless the program sets another at start.
inline constexpr char DefaultVelmKey[] = "Software\\Orvane\\Velmor\\5";

// The product key in use.
VELMLIB_EXPORT QString rgVelmKey();
// Sets the product key (the program's start-up switch); an empty key restores the default.
VELMLIB_EXPORT void SetVelmKey(const QString &key);
// The key of the plug-in registrations: the product key followed by "\Plugins".
VELMLIB_EXPORT QString rgPluginsKey();
