#pragma once

#include "fb_global.h"

#include <QList>
#include <QString>

namespace Firebird {
class IService;
}

namespace fb {

// An account of the server's security database.
struct VELMFB_EXPORT ServerUser
{
    QString name;
    QString firstName;
    QString middleName;
    QString lastName;
    int userId = 0;
    int groupId = 0;
    bool admin = false;

    // First, middle and last name joined by single blanks (empty parts left out).
    QString fullName() const;
};

// The server's user accounts through the services API. Each call attaches to the service
// manager, makes one request and detaches. An administrator other than SYSDBA attaches with
// the role RDB$ADMIN, without which the server refuses to manage accounts.
class VELMFB_EXPORT SecurityService
{
public:
    // server: host name ("" for the local engine); user and password of the administrator.
    SecurityService(const QString &server, const QString &user, const QString &password);

    void addUser(const QString &name,
                 const QString &password,
                 const QString &firstName = {},
                 const QString &middleName = {},
                 const QString &lastName = {});
    void modifyUser(const QString &name, const QString &password);
    void deleteUser(const QString &name);
    QList<ServerUser> users();

private:
    Firebird::IService *attach();
    void runAction(const QByteArray &request);

    QString m_server;
    QString m_user;
    QString m_password;
};

} // namespace fb
