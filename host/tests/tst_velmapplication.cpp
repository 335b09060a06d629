#include "velmapplication.h"

#include "colorsettings.h"
#include "fmstudentlist.h"
#include "hostfixture.h"

#include <lxerror.h>
#include <lxlog.h>
#include <query.h>
#include <tdm.h>
#include <transaction.h>
#include <windows1251xml.h>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
}

QByteArray settingsWith(const char *value)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<Props><Who>") + value
           + "</Who></Props>";
}

struct SettingsCase
{
    const char *name;
    QByteArray userFile; // empty: no file
    bool ctrlHeld;
    bool answer;
    const char *loaded;
    int questions;
    int informations;
};

TEST(LoadSettings, FallsBackToTheDefaultsWhenAskedOrWhenTheFileIsUnusable)
{
    const SettingsCase cases[] = {
            {"the user's file", settingsWith("user"), false, false, "user", 0, 0},
            {"Ctrl held, yes", settingsWith("user"), true, true, "defaults", 1, 0},
            {"Ctrl held, no", settingsWith("user"), true, false, "user", 1, 0},
            {"missing file", {}, false, false, "defaults", 0, 1},
            {"broken file", "<Props><Who>user</Props>", false, false, "defaults", 0, 1},
            {"not XML at all", "\x01\x02 binary", false, false, "defaults", 0, 1},
    };
    for (const SettingsCase &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir temp;
        const QString defaults = QDir(temp.path()).filePath("DefaultSettings.xml");
        writeFile(defaults, settingsWith("defaults"));
        if (!c.userFile.isEmpty())
            writeFile(TVelmApplication::SettingsFileName(temp.path()), c.userFile);
        int questions = 0;
        int informations = 0;
        TVelmApplication::SettingsHooks hooks;
        hooks.ctrlHeld = [&] { return c.ctrlHeld; };
        hooks.ask = [&](const QString &question) {
            EXPECT_EQ(question, "Хотите использовать настройки по умолчанию?");
            ++questions;
            return c.answer;
        };
        hooks.inform = [&](const QString &message) {
            EXPECT_TRUE(message.startsWith("Файл настроек отсутствует или повреждён."));
            ++informations;
        };
        QDomDocument settings = TVelmApplication::EmptySettings();
        TVelmApplication::LoadSettings(settings, temp.path(), defaults, hooks);
        EXPECT_EQ(settings.documentElement().firstChildElement("Who").text(), c.loaded);
        EXPECT_EQ(questions, c.questions);
        EXPECT_EQ(informations, c.informations);
    }
}

TEST(LoadSettings, MissingDefaultsRaiseAndKeepTheUsersFile)
{
    QTemporaryDir temp;
    const QByteArray broken = "<Props>";
    writeFile(TVelmApplication::SettingsFileName(temp.path()), broken);
    TVelmApplication::SettingsHooks hooks;
    hooks.ctrlHeld = [] { return false; };
    hooks.inform = [](const QString &) {};
    QDomDocument settings;
    try {
        TVelmApplication::LoadSettings(settings, temp.path(), temp.filePath("none.xml"), hooks);
        FAIL() << "no error";
    } catch (const LxError &error) {
        EXPECT_TRUE(error.message().contains(temp.filePath("none.xml")));
    }
    QFile kept(TVelmApplication::SettingsFileName(temp.path()));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), broken);
}

// An installation in personal mode: a database with the schema and the SYSDBA user, an options
// directory with the default settings and colours, and the log in a file of its own.
class ApplicationTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_registry.SetPersonalInstallation(m_db.path(), m_options.path());
        m_db.run("insert into SEC_USERSGROUPS (UGID, UGNAME, RTYPE, PASSWD) "
                 "values (1, 'SYSDBA', 'U', 'bWFzdGVya2V5')"); // Base64 of "masterkey"
        writeFile(m_options.filePath("DefaultSettings.xml"), settingsWith("defaults"));
        QFile::copy(VELMOR_SOURCE_DIR "/installation/options/fields.xml",
                    m_options.filePath("fields.xml"));
        writeFile(m_options.filePath("ColorSettings.xml"),
                  "<?xml version=\"1.0\"?><Grids><Grid Name=\"Shared\"/></Grids>");
        SetLogFileName(m_options.filePath("velmor.log"));
        m_debugLevel = DebugLevel;
        DebugLevel = elInfo;
    }

    void TearDown() override
    {
        DebugLevel = m_debugLevel;
        SetLogFileName(QString());
    }

    QString log() const
    {
        QFile file(m_options.filePath("velmor.log"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    TestRegistry m_registry;
    SchemaDatabase m_db;
    QTemporaryDir m_options;
    int m_debugLevel = 0;
};

TEST_F(ApplicationTest, ASecondLoginReturnsFalseAndChangesNothing)
{
    TVelmApplication application;
    EXPECT_FALSE(application.LoggedIn());
    ASSERT_TRUE(application.Login("SYSDBA", "masterkey", false));
    EXPECT_TRUE(application.LoggedIn());
    const qint64 journal = DM->JournalID;
    EXPECT_FALSE(application.Login("SYSDBA", "masterkey", false));
    EXPECT_FALSE(application.Login("OTHER", "x", false));
    EXPECT_TRUE(application.LoggedIn());
    EXPECT_EQ(DM->UserName, "SYSDBA");
    EXPECT_EQ(DM->JournalID, journal);
}

TEST_F(ApplicationTest, LifeCycleFromCreationToDestruction)
{
    QString tempDir;
    {
        TVelmApplication application;
        tempDir = application.TempDir();
        EXPECT_TRUE(QFileInfo(tempDir).isDir());
        EXPECT_TRUE(QDir(tempDir).dirName().startsWith("velm"));
        EXPECT_EQ(application.Settings().documentElement().tagName(), "Props");
        EXPECT_EQ(DM->TempDir, tempDir);

        ASSERT_TRUE(application.Login("SYSDBA", "masterkey", false));
        TVelmApplication::SettingsHooks hooks;
        hooks.ctrlHeld = [] { return false; };
        hooks.inform = [](const QString &) {}; // no Velmor5.xml yet: the defaults are used
        application.SetSettingsHooks(hooks);
        application.Prepare();
        EXPECT_TRUE(application.Prepared());
        ASSERT_NE(application.MainWindow(), nullptr);
        EXPECT_EQ(fmStudentList, application.MainWindow());
        EXPECT_TRUE(application.MainWindow()->windowTitle().endsWith("[SYSDBA]"));
        EXPECT_NE(application.MainWindow()->Action("actStudentListExit"), nullptr);
        EXPECT_EQ(XmlColorSettings.documentElement().firstChildElement().attribute("Name"),
                  "Shared");
        EXPECT_EQ(XmlUserColorSettings.documentElement().tagName(), "Grids");

        // Closing the main window ends the message loop.
        application.MainWindow()->show();
        application.MainWindow()->close();
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
        EXPECT_EQ(QCoreApplication::exec(), 0) << "closing the window did not end the loop";
        EXPECT_FALSE(application.MainWindow()->isVisible());

        // What the window settings hold at the end goes back into the user's record.
        application.Settings().documentElement().firstChildElement("Who").firstChild().setNodeValue(
                "changed");
        application.Unprepare();
        EXPECT_FALSE(application.Prepared());
        EXPECT_EQ(fmStudentList, nullptr);
        application.Unprepare(); // no effect a second time
    }
    EXPECT_FALSE(QFileInfo::exists(tempDir));
    EXPECT_EQ(DM, nullptr);

    fb::Transaction transaction(m_db.database());
    const QByteArray stored = fb::Query::scalar(transaction,
                                                "select SETTINGS from SEC_USERSGROUPS "
                                                "where UGID = 1")
                                      .toByteArray();
    EXPECT_TRUE(stored.contains("<Who>changed</Who>")) << stored.constData();

    const QString lines = log();
    for (const char *line : {"Start application initializing",
                             "Start datamodule initializing",
                             "End datamodule initializing",
                             "End application initializing",
                             "Start application preparing",
                             "End application preparing",
                             "Start application unpreparing",
                             "End application unpreparing",
                             "Start application destroying"})
        EXPECT_TRUE(lines.contains(QString::fromUtf8(line))) << line;
    EXPECT_TRUE(lines.contains(
            QRegularExpression("\\[INFO\\][^\n]*End application destroying\\. RefCount=0\r?\n")));
}

} // namespace
