#include "fmconnectparams.h"

#include <registry.h>
#include <testdatabase.h>
#include <velmconsts.h>

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(ConnectionString, ALocalFileNeedsNoServerPart)
{
    const std::tuple<const char *, const char *, const char *> cases[] = {
            {"", "/data/velmor.fdb", "/data/velmor.fdb"},
            {"$Personal", "/data/velmor.fdb", "/data/velmor.fdb"},
            {"$PERSONAL", "/data/velmor.fdb", "/data/velmor.fdb"},
            {"$personal", "C:/x.gdb", "C:/x.gdb"},
            {"db-server", "/data/velmor.fdb", "db-server:/data/velmor.fdb"},
            {"10.0.0.5", "velmor", "10.0.0.5:velmor"},
            {" $Personal", "/a.fdb", " $Personal:/a.fdb"}, // stored as typed, not trimmed
    };
    for (const auto &[server, path, expected] : cases)
        EXPECT_EQ(ConnectionString(server, path), expected) << server;
}

// The window over a registry file of its own, with a scripted login prompt.
class ConnectParamsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("VELMOR_REGISTRY", QDir(m_dir.path()).filePath("registry.ini").toUtf8());
        Registry registry;
        registry.CreateKey(rgVelmKey());
        registry.SetValue(rgVelmKey(), "ServerName", "old-server");
        registry.SetValue(rgVelmKey(), "DBName", "/old/path.fdb");
    }

    void TearDown() override { qunsetenv("VELMOR_REGISTRY"); }

    void
    test(TfmConnectParams &window, const QString &server, const QString &path, const QString &user)
    {
        window.SetLoginPrompt([user](QString &name, QString &password) {
            name = user;
            password = "masterkey";
            return true;
        });
        window.ServerName()->setEditText(server);
        window.DBName()->setText(path);
        window.TestConnection();
    }

    QString stored(const char *name) const { return Registry().Value(rgVelmKey(), name); }

    QTemporaryDir m_dir;
};

TEST_F(ConnectParamsTest, TheFieldsStartFromTheRegistry)
{
    TfmConnectParams window;
    EXPECT_EQ(window.ServerName()->currentText(), "old-server");
    EXPECT_EQ(window.DBName()->text(), "/old/path.fdb");
}

TEST_F(ConnectParamsTest, ASysdbaConnectionStoresBothValuesAsTyped)
{
    fb::TestDatabase db;
    TfmConnectParams window;
    test(window, "$personal", db.path(), "sysdba");
    const QString log = window.LogText();
    EXPECT_TRUE(log.startsWith("Попытка соединения с:\n" + db.path() + "\n\nВерсия сервера БД: "))
            << log.toStdString();
    // The server's version text may take several lines.
    EXPECT_TRUE(log.contains("\nВерсия клиента БД: "));
    EXPECT_TRUE(log.endsWith("\n\nПодключение к БД прошло успешно."));
    EXPECT_EQ(stored("ServerName"), "$personal");
    EXPECT_EQ(stored("DBName"), db.path());
    EXPECT_TRUE(window.Connected());
    EXPECT_FALSE(window.ConnectButton()->isEnabled());
    window.close();
    EXPECT_FALSE(window.Connected());
}

// An empty server used to be stored as it was; the host then took the connection for one never
// set up and started the setup program again, so the user could never get in.
TEST_F(ConnectParamsTest, AnEmptyServerIsStoredAsPersonal)
{
    fb::TestDatabase db;
    TfmConnectParams window;
    test(window, "", db.path(), "SYSDBA");
    EXPECT_EQ(stored("ServerName"), "$Personal");
    EXPECT_EQ(stored("DBName"), db.path());
}

TEST_F(ConnectParamsTest, AnotherUserStoresNothingAndDisconnects)
{
    fb::TestDatabase db;
    TfmConnectParams window;
    test(window, "", db.path(), "IVANOV");
    EXPECT_TRUE(window.LogText().endsWith(
            "Для подключения к БД необходимо использовать имя \"SYSDBA\"."));
    EXPECT_FALSE(window.Connected());
    EXPECT_TRUE(window.ConnectButton()->isEnabled());
    EXPECT_EQ(stored("ServerName"), "old-server");
    EXPECT_EQ(stored("DBName"), "/old/path.fdb");
}

TEST_F(ConnectParamsTest, AFailedTestLogsTheErrorAndStoresNothing)
{
    TfmConnectParams window;
    const QString missing = QDir(m_dir.path()).filePath("missing.fdb");
    test(window, "$Personal", missing, "SYSDBA");
    const QStringList lines = window.LogText().split('\n');
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[0], "Попытка соединения с:");
    EXPECT_EQ(lines[1], missing);
    EXPECT_FALSE(lines[3].isEmpty()) << "the error text follows the attempt";
    EXPECT_FALSE(window.Connected());
    EXPECT_TRUE(window.ConnectButton()->isEnabled());
    EXPECT_EQ(stored("ServerName"), "old-server");
    EXPECT_EQ(stored("DBName"), "/old/path.fdb");
}

TEST_F(ConnectParamsTest, AnUnwritableRegistryLeavesBothValues)
{
    fb::TestDatabase db;
    TfmConnectParams window;
    Registry().DeleteKey(rgVelmKey()); // SetRegValue needs the key
    test(window, "$Personal", db.path(), "SYSDBA");
    EXPECT_FALSE(window.LogText().endsWith("Подключение к БД прошло успешно."));
    EXPECT_EQ(stored("ServerName"), "");
    EXPECT_EQ(stored("DBName"), "");
}

} // namespace
