#include "comserver.h"

#include "comregistry.h"
#include "pluginmanifest.h"

#include <ivelmclassfactory.h>
#include <lxerror.h>
#include <lxlog.h>
#include <registry.h>
#include <velmconsts.h>

#include <QFileInfo>
#include <QPluginLoader>

#include <map>
#include <memory>

namespace {

// One loader per library file, for the life of the process. The map is never destroyed: the
// libraries stay loaded to the end, and loaders torn down among the other statics at exit would
// race Qt's own library bookkeeping.
QPluginLoader &LoaderOf(const QString &canonicalPath)
{
    static auto *loaders = new std::map<QString, std::unique_ptr<QPluginLoader>>;
    auto &loader = (*loaders)[canonicalPath];
    if (!loader)
        loader = std::make_unique<QPluginLoader>(canonicalPath);
    return *loader;
}

IVelmClassFactory *FactoryOf(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty())
        throw LxError(QStringLiteral("The plug-in library %1 does not exist").arg(path));
    QPluginLoader &loader = LoaderOf(canonical);
    if (!loader.load())
        throw LxError(QStringLiteral("The plug-in library %1 cannot be loaded: %2")
                              .arg(path, loader.errorString()));
    auto factory = qobject_cast<IVelmClassFactory *>(loader.instance());
    if (!factory)
        throw LxError(QStringLiteral("The plug-in library %1 has no class factory").arg(path));
    return factory;
}

QString PluginKey(const PluginManifest &manifest)
{
    return rgPluginsKey() + '\\' + manifest.progId;
}

void WritePluginKey(const PluginManifest &manifest)
{
    Registry registry;
    const QString key = PluginKey(manifest);
    registry.CreateKey(key);
    registry.SetValue(key, QStringLiteral("LoadBehavior"), QString::number(manifest.loadBehavior));
    registry.SetValue(key, QStringLiteral("FriendlyName"), manifest.friendlyName);
}

} // namespace

IVelmUnknown *CreateComObject(const QUuid &classId)
{
    const QString path = ComRegistry::LibraryPath(classId);
    IVelmClassFactory *factory = FactoryOf(path);
    if (factory->ClassId() != classId)
        throw LxError(QStringLiteral("The plug-in library %1 serves the class %2, not %3")
                              .arg(path,
                                   ComRegistry::ClassIdText(factory->ClassId()),
                                   ComRegistry::ClassIdText(classId)));
    IVelmUnknown *object = factory->CreateInstance();
    if (!object)
        throw LxError(QStringLiteral("The plug-in library %1 created no object of the class %2")
                              .arg(path, ComRegistry::ClassIdText(classId)));
    return object;
}

void FreeUnusedLibraries() {}

void RegisterServer(const QString &libraryPath)
{
    const PluginManifest manifest = PluginManifest::Read(libraryPath);
    Registry registry;
    const QStringList created = {ComRegistry::ClassKey(manifest.classId),
                                 ComRegistry::ProgIdKey(manifest.progId),
                                 PluginKey(manifest)};
    QStringList missing;
    for (const QString &key : created) {
        if (!registry.KeyExists(key))
            missing.append(key);
    }
    try {
        ComRegistry::RegisterClass(manifest.progId, manifest.classId, manifest.libraryPath);
        WritePluginKey(manifest);
    } catch (const LxError &) {
        for (const QString &key : missing) {
            try {
                registry.DeleteKey(key);
            } catch (const LxError &) {
                // The registry is not writable at all: nothing of ours stayed in it either.
            }
        }
        throw;
    }
    Log(QStringLiteral("Registered %1 (%2) from %3")
                .arg(manifest.progId,
                     ComRegistry::ClassIdText(manifest.classId),
                     manifest.libraryPath),
        elInfo);
}

void UnregisterServer(const QString &libraryPath)
{
    const PluginManifest manifest = PluginManifest::Read(libraryPath);
    if (!ComRegistry::UnregisterClass(manifest.progId, manifest.classId, manifest.libraryPath)) {
        Log(QStringLiteral("%1 is registered for another library; %2 left it alone")
                    .arg(ComRegistry::ClassIdText(manifest.classId), manifest.libraryPath),
            elWarning);
        return;
    }
    Registry().DeleteKey(PluginKey(manifest));
    Log(QStringLiteral("Unregistered %1 (%2)")
                .arg(manifest.progId, ComRegistry::ClassIdText(manifest.classId)),
        elInfo);
}
