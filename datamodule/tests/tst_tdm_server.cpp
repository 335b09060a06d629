// Login against the Firebird server on loopback: the server checks the password and reports
// its login error. Skipped when no server answers.
//
// The SYSDBA password comes from VELMOR_FB_PASSWORD or from /etc/firebird/3.0/SYSDBA.password.

#include "dmfixture.h"

#include <database.h>
#include <query.h>
#include <securityservice.h>
#include <transaction.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <testserver.h>

#include <gtest/gtest.h>

namespace {

class ServerLoginTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString reason = fb::TestServer::unavailableReason();
        if (!reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        password = fb::TestServer::sysdbaPassword();
        ASSERT_TRUE(serverDir.isValid());
        fb::TestServer::shareFolder(serverDir.path());
        path = serverDir.filePath("velmor.fdb");

        fb::ConnectParams params;
        params.databaseName = "localhost:" + path;
        params.userName = "SYSDBA";
        params.password = password;
        admin.setParams(params);
        admin.create();
        RunInstallationScripts(admin);
        fb::Transaction tr(admin);
        fb::Query::run(tr,
                       "insert into SEC_USERSGROUPS (UGID, UGNAME, RTYPE) values (2, ?N, 'U')",
                       {{"N", user}});
        tr.commit();
        fb::Transaction grant(admin);
        fb::Query::run(grant, QString("grant VELMOR_OPERATOR to \"%1\"").arg(user));
        grant.commit();

        fb::SecurityService("localhost", "SYSDBA", password).addUser(user, "pw1");
        accountMade = true;
        f = std::make_unique<DMFixture>();
        f->SetReg("ServerName", "localhost");
        f->SetReg("DBName", path);
    }
    void TearDown() override
    {
        f.reset();
        if (accountMade)
            fb::SecurityService("localhost", "SYSDBA", password).deleteUser(user);
        if (admin.isConnected())
            admin.drop();
    }

    const QString user = QString("VDMTEST%1").arg(QCoreApplication::applicationPid());
    QTemporaryDir serverDir;
    QString password;
    QString path;
    fb::Database admin;
    bool accountMade = false;
    std::unique_ptr<DMFixture> f;
};

} // namespace

TEST_F(ServerLoginTest, ServerChecksThePasswordAndTheJournalRowIsWritten)
{
    EXPECT_FALSE(f->dm->Login(user, "wrong", false));
    EXPECT_EQ(f->errors, QStringList{"Имя пользователя или пароль введены не верно."});
    EXPECT_FALSE(f->dm->Personal);

    f->errors.clear();
    ASSERT_TRUE(f->dm->Login(user.toLower(), "pw1", false)) << f->errors.join("\n").toStdString();
    EXPECT_FALSE(f->dm->Personal);
    EXPECT_EQ(f->dm->DB->params().databaseName, "localhost:" + path);
    EXPECT_FALSE(f->dm->DB->isEmbedded());
    EXPECT_TRUE(f->dm->RightsLoaded);
    const qint64 id = f->dm->Journal("Новый студент", "Личная карточка", "+");
    f->dm->Logout();

    fb::Transaction tr(admin);
    EXPECT_EQ(fb::Query::scalar(
                      tr, QString("select USERNAME from JOURNAL_ACTIONS where ID = %1").arg(id))
                      .toString(),
              user);
    EXPECT_FALSE(fb::Query::scalar(tr,
                                   QString("select ENDTIME from JOURNAL where JOURNALID = "
                                           "(select PARENTID from JOURNAL_ACTIONS where ID = %1)")
                                           .arg(id))
                         .isNull());
    tr.commit();
}
