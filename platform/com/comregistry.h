#pragma once

#include "velmcom_global.h"

#include <QString>
#include <QUuid>

// The class registry below HKEY_LOCAL_MACHINE of the system registry:
//   Software\Classes\<ProgID>\CLSID          default value: the class id in braces
//   Software\Classes\CLSID\{id}\InprocServer32 default value: the library's absolute path
//   Software\Classes\CLSID\{id}\ProgID         default value: the ProgID
class VELMCOM_EXPORT ComRegistry
{
public:
    static QString ProgIdKey(const QString &progId);
    static QString ClassKey(const QUuid &classId);
    // The class id as the registry keeps it: upper case in braces.
    static QString ClassIdText(const QUuid &classId);

    // The class id registered for the ProgID; LxError when there is none.
    static QUuid ClassIdFromProgId(const QString &progId);
    // The library of the class; LxError when the class is not registered.
    static QString LibraryPath(const QUuid &classId);
    // The ProgID under the class's key, or "" when there is none.
    static QString ProgIdOf(const QUuid &classId);

    // Writes both keys, replacing what was registered for the class or the ProgID.
    static void
    RegisterClass(const QString &progId, const QUuid &classId, const QString &libraryPath);
    // Removes the class's key when it names this library (or none), and the ProgID's key when it
    // names this class (or none). Returns false when another library holds the class, which is
    // then left alone.
    static bool
    UnregisterClass(const QString &progId, const QUuid &classId, const QString &libraryPath);
};
