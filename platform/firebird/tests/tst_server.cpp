// Client-server mode against the Firebird server on loopback: the login error's code, and
// server accounts through the services API. Skipped when no server answers.
//
// The SYSDBA password comes from VELMOR_FB_PASSWORD or from /etc/firebird/3.0/SYSDBA.password
// (readable by root); scripts/start-firebird-server starts the server.

#include <database.h>
#include <error.h>
#include <query.h>
#include <securityservice.h>
#include <transaction.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <testserver.h>

#include <gtest/gtest.h>

namespace {

class ServerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString reason = fb::TestServer::unavailableReason();
        if (!reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        password = fb::TestServer::sysdbaPassword();
        ASSERT_TRUE(dir.isValid());
        fb::TestServer::shareFolder(dir.path());
    }
    fb::ConnectParams params(const QString &user, const QString &pass) const
    {
        fb::ConnectParams p;
        p.databaseName = "localhost:" + dir.filePath("server.fdb");
        p.userName = user;
        p.password = pass;
        return p;
    }
    QTemporaryDir dir;
    QString password;
};

} // namespace

TEST_F(ServerTest, ConnectsThroughTheServerAndRefusesABadPassword)
{
    fb::Database db;
    db.setParams(params("SYSDBA", password));
    db.create();
    EXPECT_FALSE(db.isEmbedded());
    EXPECT_LT(std::abs(db.clockOffsetMs()), 5000);
    EXPECT_TRUE(db.serverVersion().contains("Firebird")) << db.serverVersion().toStdString();
    {
        fb::Transaction tr(db);
        EXPECT_EQ(fb::Query::scalar(tr, "select 'Сервер' from RDB$DATABASE").toString(), "Сервер");
    }
    fb::Database bad;
    try {
        bad.connect(params("SYSDBA", password + "x"));
        FAIL() << "connected with a wrong password";
    } catch (const fb::Error &e) {
        EXPECT_TRUE(e.isLoginError()) << e.message().toStdString();
        EXPECT_EQ(e.gdsCode(), 335544472);
    }
    db.drop();
}

TEST_F(ServerTest, ManagesServerAccounts)
{
    fb::SecurityService service("localhost", "SYSDBA", password);
    const QString name = "VELMFB_TEST_USER";
    try {
        service.deleteUser(name); // left over from an interrupted run
    } catch (const fb::Error &) {
    }
    service.addUser(name, "first", "Иван", {}, "Петров");
    auto find = [&]() -> std::optional<fb::ServerUser> {
        for (const fb::ServerUser &u : service.users())
            if (u.name == name)
                return u;
        return std::nullopt;
    };
    std::optional<fb::ServerUser> user = find();
    ASSERT_TRUE(user.has_value());
    EXPECT_EQ(user->fullName(), "Иван Петров");
    EXPECT_THROW(service.addUser(name, "again"), fb::Error);

    // The new account logs in, with its changed password after modifying it.
    fb::Database db;
    db.setParams(params("SYSDBA", password));
    db.create();
    db.disconnect();
    service.modifyUser(name, "second");
    db.connect(params(name, "second"));
    db.disconnect();
    EXPECT_THROW(db.connect(params(name, "first")), fb::Error);

    service.deleteUser(name);
    EXPECT_FALSE(find().has_value());
    db.connect(params("SYSDBA", password));
    db.drop();
}
