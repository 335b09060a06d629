#pragma once

#include "lxlib_global.h"

#include <QString>

// Root keys of the registry (a file-backed replacement, see registry.h).
enum class RegRoot { LocalMachine, CurrentUser };

// Full name of a new, empty, uniquely named file in the temporary directory (prefix <= 3 chars).
LXLIB_EXPORT QString GetTempFile(const QString &prefix);
// A unique name in dir with the prefix "tmp" and the given extension (".rtf"); no file exists.
LXLIB_EXPORT QString GetTempFile(const QString &dir, const QString &extension);
// Creates a unique temporary directory and returns it with a trailing separator.
LXLIB_EXPORT QString CreateTempDir(const QString &prefix);
LXLIB_EXPORT QString NormalDir(const QString &path);
LXLIB_EXPORT bool DirExists(const QString &path);
LXLIB_EXPORT bool ClearDir(const QString &path, bool deleteDir);
LXLIB_EXPORT bool CopyDir(const QString &source, const QString &destination);
LXLIB_EXPORT void AddSlash(QString &path);
LXLIB_EXPORT QString AddSlash2(const QString &path);

// Registry values: "" when the key or value is missing or the value has 256+ characters.
LXLIB_EXPORT QString GetRegValue(const QString &key,
                                 const QString &name,
                                 RegRoot root = RegRoot::LocalMachine);
// Stores a value under an existing key; throws LxError with the system's text otherwise.
LXLIB_EXPORT void SetRegValue(const QString &key,
                              const QString &name,
                              const QString &value,
                              RegRoot root = RegRoot::LocalMachine);

// Throws LxError with the formatted message (QString::arg style: "%1").
[[noreturn]] LXLIB_EXPORT void RaiseException(const QString &message);
LXLIB_EXPORT QString GetFileAsString(const QString &fileName);
// Waits on the GUI thread while pumping Qt events; returns the milliseconds waited.
LXLIB_EXPORT qint64 Delay(int milliseconds);
