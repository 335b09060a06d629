#include "pluginmanifest.h"

#include <ivelmclassfactory.h>
#include <lxerror.h>

#include <QFileInfo>
#include <QJsonObject>
#include <QPluginLoader>
#include <QRegularExpression>

#include <cmath>

namespace {

// The registry keeps no longer values (it reads them as empty).
constexpr int maxRegistryValue = 255;

[[noreturn]] void Broken(const QString &path, const QString &reason)
{
    throw LxError(
            QStringLiteral("The plug-in library %1 cannot be registered: %2").arg(path, reason));
}

QString Text(const QString &path, const QJsonObject &data, const QString &name, bool required)
{
    const QJsonValue value = data.value(name);
    if (value.isUndefined() && !required)
        return {};
    if (!value.isString() || value.toString().trimmed().isEmpty())
        Broken(path, QStringLiteral("its manifest has no %1 text").arg(name));
    return value.toString().trimmed();
}

// A ProgID becomes a registry key name, so it may not hold separators or other surprises.
void CheckProgId(const QString &path, const QString &progId)
{
    static const QRegularExpression valid(
            QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*(\\.[A-Za-z0-9_]+)*$"));
    if (!valid.match(progId).hasMatch())
        Broken(path, QStringLiteral("the ProgId \"%1\" is not a valid name").arg(progId));
}

int LoadBehavior(const QString &path, const QJsonObject &data)
{
    const QJsonValue value = data.value(QStringLiteral("LoadBehavior"));
    if (value.isUndefined())
        return 0;
    const double number = value.toDouble(std::nan(""));
    if (!value.isDouble() || number != std::trunc(number) || std::abs(number) > 1e9)
        Broken(path, QStringLiteral("its LoadBehavior is not a whole number"));
    return static_cast<int>(number);
}

} // namespace

PluginManifest PluginManifest::Read(const QString &libraryPath)
{
    const QFileInfo file(libraryPath);
    const QString path = file.absoluteFilePath();
    if (!file.isFile())
        Broken(path, QStringLiteral("the file does not exist"));
    if (path.size() > maxRegistryValue)
        Broken(path, QStringLiteral("its path is longer than %1 characters").arg(maxRegistryValue));

    QPluginLoader loader(path);
    const QJsonObject meta = loader.metaData();
    if (meta.isEmpty())
        Broken(path, QStringLiteral("it is not a plug-in library (%1)").arg(loader.errorString()));
    if (meta.value(QStringLiteral("IID")).toString() != QLatin1String(IVelmClassFactory_iid))
        Broken(path, QStringLiteral("its root object is not a class factory"));
    const QJsonObject data = meta.value(QStringLiteral("MetaData")).toObject();
    if (data.isEmpty())
        Broken(path, QStringLiteral("it has no manifest"));

    PluginManifest manifest;
    manifest.libraryPath = path;
    manifest.progId = Text(path, data, QStringLiteral("ProgId"), true);
    CheckProgId(path, manifest.progId);
    const QString classId = Text(path, data, QStringLiteral("ClassId"), true);
    manifest.classId = QUuid::fromString(classId);
    if (manifest.classId.isNull())
        Broken(path, QStringLiteral("its ClassId \"%1\" is not a class id").arg(classId));
    manifest.typeLibrary = Text(path, data, QStringLiteral("TypeLibrary"), false);
    manifest.friendlyName = Text(path, data, QStringLiteral("FriendlyName"), false);
    if (manifest.friendlyName.isEmpty())
        manifest.friendlyName
                = manifest.typeLibrary.isEmpty() ? manifest.progId : manifest.typeLibrary;
    manifest.loadBehavior = LoadBehavior(path, data);
    return manifest;
}
