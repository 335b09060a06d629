#include "velmapplicationobject.h"

#include "faceutils.h"
#include "ivelmapplication.h"
#include "velmdataobject.h"
#include "velmpluginsobject.h"

VelmApplicationObject::VelmApplicationObject(IVelmApplication *appl, QObject *parent)
    : QObject(parent)
    , m_appl(appl)
{}

bool VelmApplicationObject::Visible() const
{
    return m_appl->Visible();
}

void VelmApplicationObject::SetVisible(bool visible)
{
    m_appl->SetVisible(visible);
}

QObject *VelmApplicationObject::Plugins()
{
    return FaceUtils::FaceOf<VelmPluginsObject>(this, m_appl->Plugins());
}

QObject *VelmApplicationObject::Appl()
{
    IVelmApplication *appl = m_appl->Appl();
    if (appl == m_appl)
        return this;
    return FaceUtils::FaceOf<VelmApplicationObject>(this, appl);
}

QString VelmApplicationObject::TempDir() const
{
    return m_appl->TempDir();
}

QObject *VelmApplicationObject::Data()
{
    return FaceUtils::FaceOf<VelmDataObject>(this, m_appl->Data());
}

QObject *VelmApplicationObject::UserOptions()
{
    return FaceUtils::ParamsFace(this, m_appl->UserOptions());
}

QDate VelmApplicationObject::CurrentDate() const
{
    return m_appl->CurrentDate();
}

void VelmApplicationObject::SetCurrentDate(const QDate &date)
{
    m_appl->SetCurrentDate(date);
}

void VelmApplicationObject::Log(const QString &message, int level)
{
    m_appl->Log(message, level);
}

bool VelmApplicationObject::Login(const QString &user,
                                  const QString &password,
                                  bool showLoginDialog)
{
    return m_appl->Login(user, password, showLoginDialog);
}

void VelmApplicationObject::Quit()
{
    m_appl->Quit();
}

void VelmApplicationObject::Journal(const QString &msg,
                                    const QVariant &mname,
                                    const QVariant &action,
                                    int transactionHandle,
                                    int parentId)
{
    m_appl->Journal(msg, mname, action, transactionHandle, parentId);
}

void VelmApplicationObject::SaveUserOptions()
{
    m_appl->SaveUserOptions();
}

void VelmApplicationObject::SaveUserColorSettings()
{
    m_appl->SaveUserColorSettings();
}

void VelmApplicationObject::ScreenRefresh()
{
    m_appl->ScreenRefresh();
}
