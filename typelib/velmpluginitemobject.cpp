#include "velmpluginitemobject.h"

#include "faceutils.h"
#include "ivelmpluginitem.h"
#include "velmapplicationobject.h"
#include "velmpluginobject.h"

VelmPluginItemObject::VelmPluginItemObject(IVelmPluginItem *item, QObject *parent)
    : QObject(parent)
    , m_item(item)
{}

QObject *VelmPluginItemObject::Application()
{
    return FaceUtils::FaceOf<VelmApplicationObject>(this, m_item->Application());
}

bool VelmPluginItemObject::Connect() const
{
    return m_item->Connect();
}

void VelmPluginItemObject::SetConnect(bool connect)
{
    m_item->SetConnect(connect);
}

QString VelmPluginItemObject::Description() const
{
    return m_item->Description();
}

void VelmPluginItemObject::SetDescription(const QString &description)
{
    m_item->SetDescription(description);
}

QString VelmPluginItemObject::Guid() const
{
    return m_item->Guid().toString(QUuid::WithBraces).toUpper();
}

QString VelmPluginItemObject::ProgId() const
{
    return m_item->ProgId();
}

QObject *VelmPluginItemObject::Plugin()
{
    return FaceUtils::FaceOf<VelmPluginObject>(this, m_item->Plugin());
}

QString VelmPluginItemObject::FriendlyName() const
{
    return m_item->FriendlyName();
}

QVariant VelmPluginItemObject::Execute(QObject *params)
{
    return FaceUtils::WithParams(params, [this](ILxParams *set) { return m_item->Execute(set); });
}

bool VelmPluginItemObject::BeforeApplClose()
{
    return m_item->BeforeApplClose();
}
