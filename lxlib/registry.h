#pragma once

#include "lxlib_global.h"
#include "lxutils.h"

#include <QStringList>

class QSettings;

// The system registry kept in one INI file (QSettings, IniFormat).
//
// The file is $VELMOR_REGISTRY, or /etc/velmor/registry.ini when that is not set. Key paths are
// written with "\" ("Software\Orvane\Velmor\5"); key and value names are matched without regard
// to case, and a new name keeps the spelling it was first written with. An empty value name is
// the key's default value.
//
// RegRoot::CurrentUser: when $VELMOR_REGISTRY is set, the user's keys live in the same file below
// the top-level key "HKEY_CURRENT_USER" (a self-contained installation or a test); otherwise in
// ~/.config/velmor/registry.ini, since the system-wide file is not writable by ordinary users.
//
// Every call re-reads the file, so changes made by other processes are seen. Writes are saved at
// once; a file that cannot be written raises LxError with the system's error text.
class LXLIB_EXPORT Registry
{
public:
    explicit Registry(RegRoot root = RegRoot::LocalMachine);

    static QString FileName(RegRoot root);
    QString FileName() const { return FileName(m_root); }

    bool KeyExists(const QString &key) const;
    // Creates the key and every missing parent; nothing happens when it exists.
    void CreateKey(const QString &key);
    // Removes the key with its values and subkeys; nothing happens when it is missing.
    void DeleteKey(const QString &key);
    // Names of the direct subkeys, sorted without regard to case.
    QStringList SubKeys(const QString &key) const;
    // Names of the key's values, sorted without regard to case.
    QStringList ValueNames(const QString &key) const;
    bool ValueExists(const QString &key, const QString &name) const;

    // The value, or "" when the key or value is missing or it has 256 characters or more
    // (longer values never fit the buffers the callers were written for).
    QString Value(const QString &key, const QString &name) const;
    // Stores a value under an existing key; raises LxError (ENOENT's text) when it is missing.
    void SetValue(const QString &key, const QString &name, const QString &value);
    // Removes a value; nothing happens when it is missing.
    void DeleteValue(const QString &key, const QString &name);

private:
    RegRoot m_root;
};
