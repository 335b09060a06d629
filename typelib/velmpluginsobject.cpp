#include "velmpluginsobject.h"

#include "faceutils.h"
#include "ivelmplugins.h"
#include "velmapplicationobject.h"
#include "velmpluginitemobject.h"

VelmPluginsObject::VelmPluginsObject(IVelmPlugins *plugins, QObject *parent)
    : QObject(parent)
    , m_plugins(plugins)
{}

int VelmPluginsObject::Count()
{
    return m_plugins->Count();
}

QObject *VelmPluginsObject::Application()
{
    return FaceUtils::FaceOf<VelmApplicationObject>(this, m_plugins->Application());
}

QObject *VelmPluginsObject::Item(const QVariant &index)
{
    return FaceUtils::FaceOf<VelmPluginItemObject>(this, m_plugins->Item(index));
}

void VelmPluginsObject::Update()
{
    m_plugins->Update();
}

bool VelmPluginsObject::BeforeApplClose()
{
    return m_plugins->BeforeApplClose();
}
