#include "velmver.h"

#include "hostfixture.h"

#include <query.h>
#include <transaction.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

TEST(BuildNumber, IsTheFourthWordOfTheVersion)
{
    const std::pair<const char *, int> cases[] = {
            {"5.0.1.123", 123},
            {"5.0.1.123.7", 123},
            {"5 0 1 42", 42},
            {"5..0.1..9", 9}, // empty words are skipped
            {" 5.0.1.0 ", 0},
            {"5.0.1", -1},
            {"5.0.1.beta", -1},
            {"", -1},
    };
    for (const auto &[version, build] : cases)
        EXPECT_EQ(BuildNumber(version), build) << version;
}

// One CLIENT_UPDATES row: build, version text, file, updater flag.
struct UpdateRow
{
    int build;
    const char *version;
    QByteArray file;
    bool updater;
};

// A database with the installation's schema, a registry with BinPath pointing at a folder that
// holds a stand-in velmupdate recording how it was started, and hooks that record the dialogue.
class VersionCheckTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_registry.Set("BinPath", m_bin.path());
        m_registry.Set("Version", "5.0.1.100");
    }

    void addRows(std::initializer_list<UpdateRow> rows)
    {
        fb::Transaction transaction(m_db.database());
        for (const UpdateRow &row : rows)
            fb::Query::run(transaction,
                           "insert into CLIENT_UPDATES (UPD_BUILD, UPD_VERSION, UPD_FILE, "
                           "UPD_ISUPDATER) values (?B, ?V, ?F, ?U)",
                           {{"B", row.build},
                            {"V", QString::fromLatin1(row.version)},
                            {"F", row.file},
                            {"U", row.updater ? 1 : 0}});
        transaction.commit();
    }

    void installStandIn() { WriteRecordingProgram(m_bin.path(), "velmupdate"); }

    bool run(bool askBeforeUpdate = true, bool answer = true)
    {
        fb::Transaction transaction(m_db.database());
        TVersionCheck check(m_db.database(), transaction);
        check.SetCredentials("IVANOV", "secret word");
        check.SetAskBeforeUpdate(askBeforeUpdate);
        check.SetUpdaterDir(m_hostDir.path());
        TVersionCheck::Hooks hooks;
        hooks.ask = [this, answer](const QString &question) {
            m_questions << question;
            return answer;
        };
        hooks.error = [this](const QString &message) { m_errors << message; };
        check.SetHooks(hooks);
        return check.Run();
    }

    QString runs() const { return RecordedRuns(m_bin.path(), "velmupdate"); }
    // The stand-in runs detached: give it a moment to write its line.
    QString waitForRuns() const
    {
        for (int i = 0; i < 250 && runs().isEmpty(); ++i)
            QThread::msleep(20);
        return runs();
    }
    QString writtenUpdater() const { return QDir(m_hostDir.path()).filePath("velmupdate"); }

    TestRegistry m_registry;
    SchemaDatabase m_db;
    QTemporaryDir m_bin;
    QTemporaryDir m_hostDir;
    QStringList m_questions;
    QStringList m_errors;
};

TEST_F(VersionCheckTest, AnEmptyTableOrTheSameBuildLetsTheProgramStart)
{
    EXPECT_TRUE(run());
    addRows({{90, "5.0.1.90", {}, false}, {100, "5.0.1.100", {}, false}});
    EXPECT_TRUE(run());
    EXPECT_TRUE(m_questions.isEmpty());
    EXPECT_TRUE(m_errors.isEmpty());
}

TEST_F(VersionCheckTest, AnOlderDatabaseStopsWithBothVersions)
{
    addRows({{99, "5.0.1.99", {}, false}});
    EXPECT_FALSE(run());
    ASSERT_EQ(m_errors.size(), 1);
    EXPECT_EQ(m_errors.first(),
              "Ошибка запуска программы!\r\nТекущая версия программы: 5.0.1.100.\r\n"
              "Версия БД: 5.0.1.99.\r\n");
}

TEST_F(VersionCheckTest, ANewerBuildAsksAndHandsOverWithTheCredentials)
{
    installStandIn();
    addRows({{101, "5.0.1.101", "zip", false}});
    EXPECT_FALSE(run());
    ASSERT_EQ(m_questions.size(), 1);
    EXPECT_TRUE(m_questions.first().contains("Доступна версия: 5.0.1.101."));
    EXPECT_EQ(waitForRuns(), "-U IVANOV -P secret word\n");
    EXPECT_EQ(m_registry.Get("Version"), "5.0.1.100");
}

TEST_F(VersionCheckTest, TheUpdSwitchOrARefusalAsksNothingOrStops)
{
    installStandIn();
    addRows({{105, "5.0.1.105", "zip", false}});
    EXPECT_FALSE(run(/*askBeforeUpdate=*/true, /*answer=*/false));
    EXPECT_EQ(m_questions.size(), 1);
    EXPECT_TRUE(runs().isEmpty());

    m_questions.clear();
    EXPECT_FALSE(run(/*askBeforeUpdate=*/false));
    EXPECT_TRUE(m_questions.isEmpty());
    EXPECT_EQ(waitForRuns(), "-U IVANOV -P secret word\n");
}

TEST_F(VersionCheckTest, AWaitingUpdaterIsInstalledBeforeTheHandOver)
{
    installStandIn();
    const QByteArray updater = "#!/bin/sh\n# new updater\n";
    addRows({{101, "5.0.1.101", updater, true}, {102, "5.0.1.102", "zip", false}});
    EXPECT_FALSE(run());
    EXPECT_EQ(m_questions.size(), 1) << "the repeated pass asks no second time";
    EXPECT_TRUE(m_errors.isEmpty()) << m_errors.join('|').toStdString();

    QFile written(writtenUpdater());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), updater);
    EXPECT_TRUE(QFileInfo(writtenUpdater()).isExecutable());
    EXPECT_EQ(m_registry.Get("Version"), "5.0.1.101");
    EXPECT_EQ(waitForRuns(), "-U IVANOV -P secret word\n");
}

TEST_F(VersionCheckTest, AnUpdaterAsTheNewestRowLetsTheProgramStart)
{
    addRows({{101, "5.0.1.101", "updater", true}});
    EXPECT_TRUE(run());
    EXPECT_EQ(m_registry.Get("Version"), "5.0.1.101");
    EXPECT_TRUE(runs().isEmpty());
}

TEST_F(VersionCheckTest, AnUpdaterRowWithAnOlderVersionTextDoesNotLoop)
{
    installStandIn();
    // The version text names build 100, the row build 101: the registry keeps naming an older
    // build, yet the row is handed over once.
    addRows({{101, "5.0.1.100", "updater", true}, {102, "5.0.1.102", "zip", false}});
    EXPECT_FALSE(run());
    EXPECT_EQ(waitForRuns(), "-U IVANOV -P secret word\n");
}

TEST_F(VersionCheckTest, BadInstallationsGiveAClearErrorAndStop)
{
    // No velmupdate in BinPath.
    addRows({{101, "5.0.1.101", "zip", false}});
    EXPECT_FALSE(run());
    ASSERT_EQ(m_errors.size(), 1);
    EXPECT_TRUE(m_errors.first().contains(QDir(m_bin.path()).filePath("velmupdate")));

    // An updater row without a program.
    m_errors.clear();
    addRows({{100, "5.0.1.100", {}, false}});
    m_registry.Set("Version", "5.0.1.99");
    fb::Transaction transaction(m_db.database());
    fb::Query::run(transaction,
                   "update CLIENT_UPDATES set UPD_ISUPDATER = 1, UPD_FILE = null "
                   "where UPD_BUILD = 100");
    transaction.commit();
    EXPECT_FALSE(run());
    ASSERT_EQ(m_errors.size(), 1);
    EXPECT_TRUE(m_errors.first().contains("5.0.1.100"));
    EXPECT_FALSE(QFileInfo::exists(writtenUpdater()));
    EXPECT_EQ(m_registry.Get("Version"), "5.0.1.99");
}

TEST_F(VersionCheckTest, AThreePartVersionCountsEveryRowAsNewer)
{
    m_registry.Set("Version", "5.0.1");
    installStandIn();
    addRows({{1, "5.0.1.1", "zip", false}});
    EXPECT_FALSE(run(/*askBeforeUpdate=*/false));
    EXPECT_EQ(waitForRuns(), "-U IVANOV -P secret word\n");
}

} // namespace
