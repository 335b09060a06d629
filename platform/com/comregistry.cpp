#include "comregistry.h"

#include <lxerror.h>
#include <registry.h>

namespace {

const QString classesKey = QStringLiteral("Software\\Classes");
const QString defaultValue;

QUuid ClassIdValue(const Registry &registry, const QString &progId)
{
    return QUuid::fromString(
            registry.Value(ComRegistry::ProgIdKey(progId) + "\\CLSID", defaultValue));
}

} // namespace

QString ComRegistry::ProgIdKey(const QString &progId)
{
    return classesKey + '\\' + progId;
}

QString ComRegistry::ClassKey(const QUuid &classId)
{
    return classesKey + "\\CLSID\\" + ClassIdText(classId);
}

QString ComRegistry::ClassIdText(const QUuid &classId)
{
    return classId.toString(QUuid::WithBraces).toUpper();
}

QUuid ComRegistry::ClassIdFromProgId(const QString &progId)
{
    QUuid classId;
    if (!progId.isEmpty())
        classId = ClassIdValue(Registry(), progId);
    if (classId.isNull())
        throw LxError(QStringLiteral("The class \"%1\" is not registered").arg(progId));
    return classId;
}

QString ComRegistry::LibraryPath(const QUuid &classId)
{
    const QString path = Registry().Value(ClassKey(classId) + "\\InprocServer32", defaultValue);
    if (path.isEmpty())
        throw LxError(QStringLiteral("The class %1 is not registered").arg(ClassIdText(classId)));
    return path;
}

QString ComRegistry::ProgIdOf(const QUuid &classId)
{
    return Registry().Value(ClassKey(classId) + "\\ProgID", defaultValue);
}

void ComRegistry::RegisterClass(const QString &progId,
                                const QUuid &classId,
                                const QString &libraryPath)
{
    Registry registry;
    const QString classKey = ClassKey(classId);
    registry.CreateKey(classKey + "\\InprocServer32");
    registry.SetValue(classKey + "\\InprocServer32", defaultValue, libraryPath);
    registry.CreateKey(classKey + "\\ProgID");
    registry.SetValue(classKey + "\\ProgID", defaultValue, progId);
    registry.CreateKey(ProgIdKey(progId) + "\\CLSID");
    registry.SetValue(ProgIdKey(progId) + "\\CLSID", defaultValue, ClassIdText(classId));
}

bool ComRegistry::UnregisterClass(const QString &progId,
                                  const QUuid &classId,
                                  const QString &libraryPath)
{
    Registry registry;
    const QString classKey = ClassKey(classId);
    const QString registered = registry.Value(classKey + "\\InprocServer32", defaultValue);
    if (!registered.isEmpty() && registered != libraryPath)
        return false;
    registry.DeleteKey(classKey);
    const QUuid progIdClass = ClassIdValue(registry, progId);
    if (progIdClass.isNull() || progIdClass == classId)
        registry.DeleteKey(ProgIdKey(progId));
    return true;
}
