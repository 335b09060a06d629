#pragma once

// A data module against a fresh embedded database built by the installation's scripts, with
// its own registry file, options folder (rights.cml), temporary folder and log file.

#include <tdm.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace fb {
class Database;
class TestDatabase;
} // namespace fb

// Rights definitions used by the tests: three rights governing five actions.
extern const char TestRightsXml[];

// Runs installation/sql/*.sql in name order on the connection and commits.
void RunInstallationScripts(fb::Database &db);

class DMFixture
{
public:
    DMFixture();
    ~DMFixture();

    // The registry's product key: ServerName "$Personal" and DBName the test database.
    void SetReg(const QString &name, const QString &value);
    // Writes rights.cml into the options folder (the XML encoded as the installation does).
    void WriteRights(const QByteArray &xml = TestRightsXml);
    void WriteRightsFile(const QByteArray &content);
    void RemoveRights();

    // Runs a script as SYSDBA in its own committed transaction.
    void Sql(const QString &script);
    QVariant Scalar(const QString &sql);
    // A user row with this program password (Base64 stored), granted the operator role.
    void AddUser(int ugid, const QString &name, const QString &password);
    void AddGroup(int ugid, const QString &name, const QVariant &rights, const QList<int> &members);
    void SetUserRights(const QString &name, const QVariant &rights);

    QString LogText() const;
    QString DatabasePath() const;

    QTemporaryDir dir;
    QString dbPath;
    std::unique_ptr<fb::Database> db; // connected as SYSDBA
    QStringList errors;               // texts of the error boxes shown
    QList<QString> dialogUsers;       // user names the login dialog was shown with
    TDM *dm = nullptr;
};
