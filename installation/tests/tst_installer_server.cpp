// velmor-install against the Firebird server on loopback: a database is created through the
// server, an existing one is refused, and a failed run drops what it created. Skipped when
// no server answers.
//
// The SYSDBA password comes from VELMOR_FB_PASSWORD or from /etc/firebird/3.0/SYSDBA.password
// (readable by root); scripts/start-firebird-server starts the server.

#include "installationfixture.h"

#include <error.h>
#include <query.h>
#include <transaction.h>

#include <lxerror.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <testserver.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

class ServerInstallTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString reason = fb::TestServer::unavailableReason();
        if (!reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        password = fb::TestServer::sysdbaPassword();
        fb::TestServer::shareFolder(fixture.path({}));
    }

    InstallOptions serverOptions() const
    {
        InstallOptions o = fixture.options();
        file = o.database;
        o.database = u"localhost:"_s + o.database;
        o.password = password;
        return o;
    }

    InstallationFixture fixture;
    QString password;
    mutable QString file;
};

TEST_F(ServerInstallTest, CreatesRefusesAndReplaces)
{
    InstallOptions o = serverOptions();
    o.demo.students = 50;
    Installer(o).run();
    ASSERT_TRUE(QFileInfo::exists(file));
    {
        fb::Database db;
        db.setParams({o.database, u"SYSDBA"_s, password, {}});
        db.connect();
        fb::Transaction tr(db);
        EXPECT_EQ(fb::Query::scalar(tr, u"select count(*) from STUDENTS"_s).toInt(), 50);
        tr.commit();
        db.disconnect();
    }
    EXPECT_THROW(Installer(o).run(), LxError);
    o.replace = true;
    o.demo.students = 0;
    Installer(o).run();
    fb::Database db;
    db.setParams({o.database, u"SYSDBA"_s, password, {}});
    db.connect();
    fb::Transaction tr(db);
    EXPECT_EQ(fb::Query::scalar(tr, u"select count(*) from STUDENTS"_s).toInt(), 0);
}

TEST_F(ServerInstallTest, FailedRunDropsItsDatabase)
{
    InstallOptions o = serverOptions();
    const QString scripts = fixture.path(u"sql"_s);
    QDir().mkpath(scripts);
    QFile::copy(InstallationFixture::sourceFile(u"sql/010-domains.sql"_s),
                QDir(scripts).filePath(u"010-domains.sql"_s));
    QFile broken(QDir(scripts).filePath(u"020-broken.sql"_s));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("CREATE TABLE T (ID INTEGR);\n");
    broken.close();
    o.scriptsDir = scripts;
    try {
        Installer(o).run();
        ADD_FAILURE() << "the broken script ran";
    } catch (const fb::Error &e) {
        EXPECT_TRUE(e.message().contains(u"020-broken.sql:1"_s)) << e.message().toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(file));
}
