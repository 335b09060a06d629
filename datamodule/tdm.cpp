#include "tdm.h"

#include <database.h>
#include <dataset.h>
#include <query.h>
#include <transaction.h>

#include <lximagelist.h>

TDM *DM = nullptr;

TDM::TDM(QObject *parent)
    : QObject(parent)
{
    DataModuleCreate();
}

TDM::~TDM()
{
    DataModuleDestroy();
}

bool TDM::Login(const QString &, const QString &, bool)
{
    return false;
}

void TDM::Logout() {}

bool TDM::TryConnect(const QString &, const QString &, bool)
{
    return false;
}

bool TDM::HasRight(const QString &) const
{
    return false;
}

void TDM::UpdateRights() {}

void TDM::PrepareUserParams() {}

qint64 TDM::Journal(const QString &, const QVariant &, const QVariant &, int, qint64)
{
    return 0;
}

bool TDM::ExecuteSQL(fb::Transaction *, const QString &, bool)
{
    return false;
}

QString TDM::GetParameter(const QString &)
{
    return {};
}

void TDM::DoBackup() {}

QByteArray TDM::UserOptionsBlob() const
{
    return {};
}

QByteArray TDM::UserColorSettingsBlob() const
{
    return {};
}

void TDM::SaveUserOptionsBlob(const QByteArray &) {}

void TDM::SaveUserColorSettingsBlob(const QByteArray &) {}

void TDM::SetLoginDialog(LoginDialogFunc) {}

void TDM::SetErrorBox(ErrorBoxFunc) {}

QString TDM::DatabaseNameFromRegistry(bool &personal)
{
    personal = false;
    return {};
}

void TDM::DataModuleCreate()
{
    DB = new fb::Database(this);
    Tran = new fb::Transaction(*DB, this);
    UsersTran = new fb::Transaction(*DB, this);
    JTran = new fb::Transaction(*DB, this);
    dsUsers = new fb::DataSet(*UsersTran, this);
    dsRights = new fb::DataSet(*UsersTran, this);
    dsParameters = new fb::DataSet(*Tran, this);
    ilImages = new TLxImageList;
}

void TDM::DataModuleDestroy()
{
    delete ilImages;
    ilImages = nullptr;
}

void TDM::dsUsersBeforeOpen() {}

void TDM::DBLostConnect(const QString &) {}

QVariant TDM::UserField(const QString &) const
{
    return {};
}

void TDM::SaveUserField(const QString &, const QByteArray &) {}

TDM *CreateDM()
{
    if (!DM)
        DM = new TDM;
    return DM;
}

void DestroyDM()
{
    delete DM;
    DM = nullptr;
}
