#include "velmpluginitem.h"

#include "plugincall.h"

#include <comregistry.h>
#include <comserver.h>
#include <ivelmplugin.h>
#include <lxerror.h>
#include <lxlog.h>
#include <lxnls.h>
#include <registry.h>
#include <velmconsts.h>

namespace {

QString guidText(const QUuid &guid)
{
    return guid.toString(QUuid::WithBraces).toUpper();
}

} // namespace

TVelmPluginItem::TVelmPluginItem(IVelmApplication *application, const QString &subkey)
    : m_application(application)
    , m_progId(subkey)
{
    Log(QStringLiteral("Start PluginItem creation"), elInfo);
    m_guid = QUuid::fromString(subkey);
    if (m_guid.isNull())
        m_guid = ComRegistry::ClassIdFromProgId(subkey);
    Log(QStringLiteral("Found plugin: ") + m_progId + QStringLiteral("; GUID = ")
                + guidText(m_guid),
        elInfo);
    readRegistration();
    if (m_loadBehavior == 3)
        SetConnect(true);
    Log(QStringLiteral("End PluginItem creation"), elInfo);
}

TVelmPluginItem::~TVelmPluginItem()
{
    Log(QStringLiteral("Start PluginItem destroying"), elInfo);
    disconnectPlugin();
    Log(QStringLiteral("End PluginItem destroying. RefCount = ") + QString::number(m_refCount),
        elInfo);
}

void TVelmPluginItem::readRegistration()
{
    const Registry registry;
    const QString key = rgPluginsKey() + QLatin1Char('\\') + m_progId;
    if (!registry.KeyExists(key))
        return;
    if (!registry.ValueExists(key, QStringLiteral("LoadBehavior")))
        throw LxError(LxTr("Не задано значение LoadBehavior модуля %1").arg(m_progId));
    bool isNumber = false;
    m_loadBehavior = registry.Value(key, QStringLiteral("LoadBehavior")).trimmed().toInt(&isNumber);
    if (!isNumber)
        throw LxError(LxTr("Значение LoadBehavior модуля %1 не является числом").arg(m_progId));
    m_friendlyName = registry.Value(key, QStringLiteral("FriendlyName"));
}

int TVelmPluginItem::AddRef()
{
    return ++m_refCount;
}

int TVelmPluginItem::Release()
{
    const int count = --m_refCount;
    if (count == 0)
        delete this;
    return count;
}

void TVelmPluginItem::SetConnect(bool connect)
{
    if (connect == Connect())
        return;
    if (connect)
        connectPlugin();
    else
        disconnectPlugin();
}

void TVelmPluginItem::connectPlugin()
{
    IVelmUnknown *object = CreateComObject(m_guid);
    auto *plugin = dynamic_cast<IVelmPlugin *>(object);
    if (!plugin) {
        object->Release();
        throw LxError(LxTr("Модуль %1 не реализует интерфейс IVelmPlugin").arg(m_progId));
    }
    try {
        CallPlugin(m_progId, [&] { plugin->Init(m_application); });
    } catch (...) {
        plugin->Release();
        throw;
    }
    m_plugin = plugin;
}

void TVelmPluginItem::disconnectPlugin()
{
    IVelmPlugin *plugin = m_plugin;
    m_plugin = nullptr;
    if (!plugin)
        return;
    try {
        CallPlugin(m_progId, [plugin] { plugin->Release(); });
    } catch (const LxError &error) {
        // The item lets go of the object either way; the fault is only worth a log line.
        Log(m_progId + QStringLiteral(": ") + error.message(), elAppException);
    }
}

QVariant TVelmPluginItem::Execute(ILxParams *params)
{
    if (!m_plugin)
        throw LxError(LxTr("Plugin is not connected."));
    QVariant result;
    CallPlugin(m_progId, [&] { result = m_plugin->Execute(params); });
    return result;
}

bool TVelmPluginItem::BeforeApplClose()
{
    if (!m_plugin)
        return true;
    bool answer = true;
    CallPlugin(m_progId, [&] { answer = m_plugin->BeforeApplClose(); });
    return answer;
}
