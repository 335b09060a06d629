#pragma once

#include "velmcom_global.h"

#include <comtypes.h>

#include <QString>
#include <QUuid>

// In-process servers: plug-in libraries (Qt plug-ins whose root object is an
// IVelmClassFactory), registered in the class registry (see ComRegistry).

// A new object of the class, holding one reference that the caller releases. The library is
// loaded once and stays loaded. LxError naming the library when the class is not registered, the
// library is missing or cannot be loaded, has no class factory, or serves another class.
VELMCOM_EXPORT IVelmUnknown *CreateComObject(const QUuid &classId);

// Libraries stay loaded for the life of the process: an object of a library may be alive in any
// caller, and unloading code whose objects live crashes. Kept for the callers that ask.
VELMCOM_EXPORT void FreeUnusedLibraries();

// Registers the library from its manifest: the class, its ProgID and the plug-in's subkey below
// rgPluginsKey() (values LoadBehavior and FriendlyName). Everything is checked before anything
// is written; a write that fails removes what this call created.
VELMCOM_EXPORT void RegisterServer(const QString &libraryPath);
// Removes what RegisterServer wrote, leaving a class that another library holds now.
VELMCOM_EXPORT void UnregisterServer(const QString &libraryPath);
