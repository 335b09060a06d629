#pragma once

#include "lxfields.h"
#include "velmlib_global.h"

#include <QString>

// The process's field repository, loaded by the host from the options directory's fields.xml.

// Loads (or reloads) the repository; on error raises LxError naming the file and keeps the
// repository as it was.
VELMLIB_EXPORT void LoadFieldsRep(const QString &fileName);
// True once LoadFieldsRep succeeded.
VELMLIB_EXPORT bool FieldsRepLoaded();
// The repository; raises LxError when it has not been loaded.
VELMLIB_EXPORT TLxFields &FieldsRep();
// Drops the repository (at the end of the process or of a test).
VELMLIB_EXPORT void FreeFieldsRep();
