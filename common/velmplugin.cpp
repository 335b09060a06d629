#include "velmplugin.h"

#include "safecall.h"

#include <ilxparams.h>
#include <lxlog.h>

namespace {

IVelmApplication *application = nullptr;
int liveObjects = 0;

} // namespace

TVelmPlugin::TVelmPlugin(const QString &name)
    : m_name(name)
{
    ++liveObjects;
}

TVelmPlugin::~TVelmPlugin()
{
    // Other objects of the library may still work with the application.
    if (--liveObjects == 0)
        application = nullptr;
}

int TVelmPlugin::AddRef()
{
    ++m_refCount;
    Log(QStringLiteral("On %1 addref. RefCount = %2").arg(m_name).arg(m_refCount), elInfo);
    return m_refCount;
}

int TVelmPlugin::Release()
{
    const int count = --m_refCount;
    Log(QStringLiteral("On %1 release. RefCount = %2").arg(m_name).arg(count), elInfo);
    if (count == 0) {
        const QString name = m_name;
        Log(QStringLiteral("Start %1 destroying.").arg(name), elInfo);
        delete this;
        Log(QStringLiteral("End %1 destroying. RefCount=%2").arg(name).arg(count), elInfo);
    }
    return count;
}

void TVelmPlugin::Init(IVelmApplication *appl)
{
    application = appl;
}

IVelmApplication *TVelmPlugin::Application()
{
    return application;
}

QVariant TVelmPlugin::Execute(ILxParams *params)
{
    return SafeCall(m_name, [&] {
        if (params)
            return DoExecute(params);
        auto empty = CoLxParams::Create();
        return DoExecute(empty.get());
    });
}

bool TVelmPlugin::BeforeApplClose()
{
    return SafeCall(m_name, [this] { return DoBeforeApplClose(); });
}

IVelmApplication *TVelmPlugin::GlobalApplication()
{
    return application;
}

QString TVelmPlugin::Action(const ILxParams &params)
{
    return params.Value(QStringLiteral("Action")).toString();
}

QVariant TVelmPlugin::DoExecute(ILxParams *)
{
    return false;
}

bool TVelmPlugin::DoBeforeApplClose()
{
    return true;
}
