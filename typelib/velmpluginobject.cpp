#include "velmpluginobject.h"

#include "faceutils.h"
#include "ivelmplugin.h"
#include "velmapplicationobject.h"

#include <lxerror.h>

VelmPluginObject::VelmPluginObject(IVelmPlugin *plugin, QObject *parent)
    : QObject(parent)
    , m_plugin(plugin)
{}

QObject *VelmPluginObject::Application()
{
    return FaceUtils::FaceOf<VelmApplicationObject>(this, m_plugin->Application());
}

void VelmPluginObject::Init(QObject *appl)
{
    auto face = qobject_cast<VelmApplicationObject *>(appl);
    if (appl && !face)
        throw LxError(QStringLiteral("%1 is not an application object")
                              .arg(QString::fromLatin1(appl->metaObject()->className())));
    m_plugin->Init(face ? face->iface() : nullptr);
}

QVariant VelmPluginObject::Execute(QObject *params)
{
    return FaceUtils::WithParams(params, [this](ILxParams *set) { return m_plugin->Execute(set); });
}

bool VelmPluginObject::BeforeApplClose()
{
    return m_plugin->BeforeApplClose();
}
