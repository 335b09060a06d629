#include "velmconsts.h"

#include <QMutex>

namespace {

QMutex &keyMutex()
{
    static QMutex mutex;
    return mutex;
}

// Guarded by keyMutex().
QString &velmKey()
{
    static QString key = QString::fromLatin1(DefaultVelmKey);
    return key;
}

} // namespace

QString rgVelmKey()
{
    QMutexLocker locker(&keyMutex());
    return velmKey();
}

void SetVelmKey(const QString &key)
{
    QMutexLocker locker(&keyMutex());
    velmKey() = key.isEmpty() ? QString::fromLatin1(DefaultVelmKey) : key;
}

QString rgPluginsKey()
{
    return rgVelmKey() + QStringLiteral("\\Plugins");
}
