#include "testplugin.h"

#include <ilxparams.h>
#include <ivelmapplication.h>
#include <lxerror.h>
#include <lxlog.h>
#include <registry.h>
#include <velmconsts.h>

#include <stdexcept>

TTestPlugin::TTestPlugin()
    : TVelmPlugin(QStringLiteral("VelmTest"))
{}

QVariant TTestPlugin::DoExecute(ILxParams *params)
{
    const QString action = Action(*params);
    const QVariant value = params->Value(QStringLiteral("Value"));
    if (action == QLatin1String("Echo"))
        return value.isValid() ? value : QVariant(true);
    if (action == QLatin1String("Fail")) {
        const QString message = params->Value(QStringLiteral("Message")).toString();
        throw LxError(message.isEmpty() ? QStringLiteral("VelmTest failed") : message);
    }
    if (action == QLatin1String("Throw"))
        throw std::runtime_error("VelmTest threw");
    if (action == QLatin1String("Log")) {
        if (!Application())
            throw LxError(QStringLiteral("VelmTest has no application"));
        Application()->Log(params->Value(QStringLiteral("Message")).toString(), elInfo);
        return true;
    }
    if (action == QLatin1String("Tag")) {
        m_tag = value.toString();
        return true;
    }
    if (action == QLatin1String("RefuseClose")) {
        m_refuseClose = !value.isValid() || value.toBool();
        return true;
    }
    return false;
}

bool TTestPlugin::DoBeforeApplClose()
{
    Log(QStringLiteral("VelmTest BeforeApplClose %1").arg(m_tag), elInfo);
    const QString key = rgPluginsKey() + QStringLiteral("\\VelmTest.VelmPlugin");
    return !m_refuseClose && Registry().Value(key, QStringLiteral("RefuseClose")) != "1";
}
