// The data module against real embedded databases made by the installation's scripts: login
// in personal mode, rights, the journal, settings, parameters, statements and backups.

#include "dmfixture.h"

#include <database.h>
#include <error.h>
#include <query.h>
#include <testdatabase.h>
#include <transaction.h>

#include <lxerror.h>
#include <lximagelist.h>
#include <security.h>
#include <xmlsecurity.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

const QString WrongLogin = QStringLiteral("Имя пользователя или пароль введены не верно.");

// IVANOV (password "secret") is a member of DEANS.
class TDMTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        f.AddUser(2, "IVANOV", "secret");
        f.AddGroup(10, "DEANS", QVariant(), {2});
    }
    QVariant scalar(const QString &sql) { return f.Scalar(sql); }
    DMFixture f;
};

void writeText(const QString &fileName, const QByteArray &content)
{
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QByteArray readAll(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Rights

struct RightsCase
{
    const char *name;
    const char *login;
    QVariant groupRights;
    QVariant userRights;
    enum { Good, Missing, Altered } file;
    bool loaded;
    QStringList allowed;
    QStringList refused;
};

void PrintTo(const RightsCase &c, std::ostream *os)
{
    *os << c.name;
}

class RightsTest : public TDMTest, public ::testing::WithParamInterface<RightsCase>
{};

TEST_P(RightsTest, HasRightFollowsGroupsThenTheUsersOwnRow)
{
    const RightsCase &c = GetParam();
    f.Sql("update SEC_USERSGROUPS set RIGHTS = null");
    f.SetUserRights("DEANS", c.groupRights);
    f.SetUserRights(c.login, c.userRights);
    if (c.file == RightsCase::Missing)
        f.RemoveRights();
    if (c.file == RightsCase::Altered) {
        QByteArray altered = EncodeString(TestRightsXml, DefinitionFileKey);
        altered[10] = altered[10] == 'A' ? 'B' : 'A';
        f.WriteRightsFile(altered);
    }
    const QString password = QString(c.login) == "SYSDBA" ? "masterkey" : "secret";
    ASSERT_TRUE(f.dm->Login(c.login, password, false)) << f.errors.join("\n").toStdString();
    EXPECT_EQ(f.dm->RightsLoaded, c.loaded);
    for (const QString &action : c.allowed)
        EXPECT_TRUE(f.dm->HasRight(action)) << action.toStdString();
    for (const QString &action : c.refused)
        EXPECT_FALSE(f.dm->HasRight(action)) << action.toStdString();
    EXPECT_TRUE(f.errors.isEmpty()) << "rights problems are logged, never shown";
}

INSTANTIATE_TEST_SUITE_P(
        Cases,
        RightsTest,
        ::testing::Values(RightsCase{"GroupGrantsUserDenies",
                                     "IVANOV",
                                     "StudentEdit=1\r\nOrdersConfirm=1",
                                     "OrdersConfirm=0\r\nProtocols=2",
                                     RightsCase::Good,
                                     true,
                                     {"actStudentListEdit", "ACTDOSSIERPOST", "actUngoverned"},
                                     {"actNCOrdersConfirmOrder", "actProtocolsDelete"}},
                          RightsCase{"UserGrantAlone",
                                     "IVANOV",
                                     QVariant(),
                                     "Protocols=1\r\nStudentEdit=2\r\n",
                                     RightsCase::Good,
                                     true,
                                     {"actProtocolsDelete", "actProtocolsConfirm"},
                                     {"actStudentListEdit", "actNCOrdersConfirmOrder"}},
                          RightsCase{"GroupZeroNeitherGrantsNorDenies",
                                     "IVANOV",
                                     "StudentEdit=0",
                                     "StudentEdit=1",
                                     RightsCase::Good,
                                     true,
                                     {"actStudentListEdit", "actDossierPost"},
                                     {"actProtocolsConfirm"}},
                          RightsCase{"NothingGrantedOnlyUngovernedAllowed",
                                     "IVANOV",
                                     QVariant(),
                                     QVariant(),
                                     RightsCase::Good,
                                     true,
                                     {"actUngoverned", "NCOrdersView"},
                                     {"actStudentListEdit", "actProtocolsDelete"}},
                          RightsCase{"SysdbaMayDoEverything",
                                     "SYSDBA",
                                     QVariant(),
                                     QVariant(),
                                     RightsCase::Good,
                                     true,
                                     {"actStudentListEdit", "actProtocolsDelete", "actUngoverned"},
                                     {}},
                          RightsCase{"MissingFileAllowsNothing",
                                     "IVANOV",
                                     "StudentEdit=1",
                                     QVariant(),
                                     RightsCase::Missing,
                                     false,
                                     {},
                                     {"actStudentListEdit", "actUngoverned"}},
                          RightsCase{"AlteredFileAllowsSysdbaNothing",
                                     "SYSDBA",
                                     QVariant(),
                                     QVariant(),
                                     RightsCase::Altered,
                                     false,
                                     {},
                                     {"actStudentListEdit", "actUngoverned"}},
                          RightsCase{"UnknownRightIdAllowsNothing",
                                     "IVANOV",
                                     "StudentEdit=1",
                                     "NoSuchRight=1",
                                     RightsCase::Good,
                                     false,
                                     {},
                                     {"actStudentListEdit", "actUngoverned"}}),
        [](const auto &info) { return std::string(info.param.name); });

TEST_F(TDMTest, RightsAreLoggedAndAnUnknownIdIsNamed)
{
    f.SetUserRights("DEANS", "StudentEdit=1");
    ASSERT_TRUE(f.dm->Login("IVANOV", "secret", false));
    const QString log = f.LogText();
    EXPECT_TRUE(log.contains("AllRights: actStudentListEdit,actDossierPost,"
                             "actNCOrdersConfirmOrder,actProtocolsDelete,actProtocolsConfirm"))
            << log.toStdString();
    EXPECT_TRUE(log.contains("AllowedRights: actDossierPost,actStudentListEdit"))
            << log.toStdString();

    f.SetUserRights("IVANOV", "Missing=1");
    f.dm->UpdateRights();
    EXPECT_FALSE(f.dm->RightsLoaded);
    EXPECT_TRUE(f.LogText().contains("[EXCEPTION]")
                && f.LogText().contains("Не найдено право с ID=Missing"))
            << f.LogText().toStdString();
}

TEST_F(TDMTest, UpdateRightsSeesChangesCommittedByOthers)
{
    ASSERT_TRUE(f.dm->Login("IVANOV", "secret", false));
    EXPECT_FALSE(f.dm->HasRight("actStudentListEdit"));
    // Another transaction (the options window) grants the group a right and commits.
    f.SetUserRights("DEANS", "StudentEdit=1");
    f.dm->UpdateRights();
    EXPECT_TRUE(f.dm->RightsLoaded);
    EXPECT_TRUE(f.dm->HasRight("actStudentListEdit"));
    EXPECT_EQ(f.dm->AllowedRights, QStringList({"actDossierPost", "actStudentListEdit"}));
}

// ---------------------------------------------------------------------------------------------
// Login

class PersonalNameTest : public TDMTest, public ::testing::WithParamInterface<const char *>
{};

TEST_P(PersonalNameTest, AnySpellingOfPersonalOpensTheFileAndChecksThePassword)
{
    f.SetReg("ServerName", GetParam());
    ASSERT_TRUE(f.dm->Login("IVANOV", "secret", false)) << f.errors.join("\n").toStdString();
    EXPECT_TRUE(f.dm->Personal);
    EXPECT_EQ(f.dm->DB->params().databaseName, f.DatabasePath());
    f.dm->Logout();

    EXPECT_FALSE(f.dm->Login("IVANOV", "wrong", false));
    EXPECT_EQ(f.errors, QStringList{WrongLogin});
}

INSTANTIATE_TEST_SUITE_P(Spellings,
                         PersonalNameTest,
                         ::testing::Values("$Personal", "$PERSONAL", "$personal"));

TEST_F(TDMTest, PersonalLoginWritesTheJournalRowAndTheSettingsFiles)
{
    fb::Transaction tr(*f.db);
    fb::Query::run(tr,
                   "update SEC_USERSGROUPS set SETTINGS = ?S, COLORSETTINGS = ?C, OPTIONS = ?O "
                   "where UGNAME = 'IVANOV'",
                   {{"S", QByteArray("<Props/>")},
                    {"C", QByteArray("<Grids/>")},
                    {"O", QByteArray("\x01\x02options", 9)}});
    tr.commit();
    f.SetUserRights("DEANS", "StudentEdit=1");

    ASSERT_TRUE(f.dm->Login("IVANOV", "secret", false));
    EXPECT_EQ(f.dm->UserName, "IVANOV");
    EXPECT_TRUE(f.dm->HasRight("actStudentListEdit"));
    EXPECT_FALSE(f.dm->HasRight("actProtocolsDelete"));
    ASSERT_GT(f.dm->JournalID, 0);
    EXPECT_EQ(scalar(QString("select USERNAME from JOURNAL where JOURNALID = %1")
                             .arg(f.dm->JournalID))
                      .toString(),
              "IVANOV");
    EXPECT_EQ(readAll(f.dm->TempDir + "Velmor5.xml"), "<Props/>");
    EXPECT_EQ(readAll(f.dm->TempDir + "UserColorSettings.xml"), "<Grids/>");
    EXPECT_EQ(f.dm->UserOptionsBlob(), QByteArray("\x01\x02options", 9));
}

TEST_F(TDMTest, NullSettingsWriteNoFiles)
{
    ASSERT_TRUE(f.dm->Login("IVANOV", "secret", false));
    EXPECT_FALSE(QFile::exists(f.dm->TempDir + "Velmor5.xml"));
    EXPECT_FALSE(QFile::exists(f.dm->TempDir + "UserColorSettings.xml"));
    EXPECT_TRUE(f.dm->UserOptionsBlob().isEmpty());
}

TEST_F(TDMTest, SharedImagesComeFromBinPath)
{
    // The fixture's BinPath is the installation's options folder with its images.bmp.
    EXPECT_GT(f.dm->ilImages->count(), 0);
    EXPECT_FALSE(f.dm->ilImages->icon(0).isNull());
}

TEST_F(TDMTest, PasswordWithAQuoteNeverLeavesTheLiteral)
{
    // Base64 has no quote, but the text put into the statement is quoted anyway: a password
    // that is SQL must fail as a wrong password, not as an error or a login.
    for (const char *password : {"' or '1'='1", "x' --", "пароль"}) {
        f.errors.clear();
        EXPECT_FALSE(f.dm->Login("IVANOV", password, false)) << password;
        EXPECT_EQ(f.errors, QStringList{WrongLogin}) << password;
    }
}

TEST_F(TDMTest, CyrillicPasswordStoredInEitherEncodingLogsIn)
{
    const QString password = "пароль";
    const QByteArray ansi = QByteArray("\xEF\xE0\xF0\xEE\xEB\xFC");
    for (const QByteArray &stored : {ansi, password.toUtf8()}) {
        fb::Transaction tr(*f.db);
        fb::Query::run(tr,
                       "update SEC_USERSGROUPS set PASSWD = ?P where UGNAME = 'IVANOV'",
                       {{"P", QString::fromLatin1(stored.toBase64())}});
        tr.commit();
        EXPECT_TRUE(f.dm->Login("IVANOV", password, false)) << f.errors.join("\n").toStdString();
        f.dm->Logout();
        EXPECT_FALSE(f.dm->Login("IVANOV", "парол", false));
    }
}

TEST_F(TDMTest, UnknownUserOnALocalFileIsAWrongLogin)
{
    EXPECT_FALSE(f.dm->Login("NOBODY", "secret", false));
    EXPECT_EQ(f.errors, QStringList{WrongLogin});
}

TEST_F(TDMTest, UserWithoutARowIsNotRegistered)
{
    // Without a server name the file is opened by name alone and no password is compared, as
    // on a server that accepted the account.
    f.SetReg("ServerName", "");
    f.Sql("grant VELMOR_OPERATOR to PETROV");
    EXPECT_FALSE(f.dm->Login("PETROV", "any", false));
    EXPECT_FALSE(f.dm->Personal);
    EXPECT_EQ(f.errors, QStringList{"Пользователь не зарегистрирован"});
    EXPECT_EQ(f.dm->JournalID, 0);
    // The connection stays open; the logout at the end closes it without a journal row.
    EXPECT_TRUE(f.dm->DB->isConnected());
    f.dm->Logout();
    EXPECT_FALSE(f.dm->DB->isConnected());
    EXPECT_EQ(scalar("select count(*) from JOURNAL").toInt(), 0);
}

struct DialogCase
{
    const char *name;
    const char *password;       // given to Login
    QList<QStringList> answers; // user and password typed each time; empty: cancel
    bool result;
    int errorBoxes;
};

void PrintTo(const DialogCase &c, std::ostream *os)
{
    *os << c.name;
}

class LoginDialogTest : public TDMTest, public ::testing::WithParamInterface<DialogCase>
{};

TEST_P(LoginDialogTest, DialogComesBackUntilTheLoginSucceedsOrIsCancelled)
{
    const DialogCase &c = GetParam();
    QList<QStringList> answers = c.answers;
    QStringList shownWith;
    TDM::SetLoginDialog([&](QString &user, QString &password) {
        shownWith << user + "/" + password;
        if (answers.isEmpty() || answers.front().isEmpty())
            return false;
        const QStringList typed = answers.takeFirst();
        user = typed[0];
        password = typed[1];
        return true;
    });
    EXPECT_EQ(f.dm->Login("ivanov", c.password, true), c.result);
    EXPECT_EQ(f.errors.size(), c.errorBoxes);
    if (c.answers.isEmpty())
        EXPECT_TRUE(shownWith.isEmpty());
    else
        EXPECT_EQ(shownWith.front(), QString("ivanov/") + c.password);
    if (c.result) {
        // As typed for a silent login, as the dialog gives it otherwise.
        EXPECT_EQ(f.dm->UserName, c.answers.isEmpty() ? "ivanov" : "IVANOV");
        EXPECT_EQ(f.dm->Password, "secret");
    }
}

INSTANTIATE_TEST_SUITE_P(
        Cases,
        LoginDialogTest,
        ::testing::Values(DialogCase{"SilentFirstTryShowsNoDialog", "secret", {}, true, 0},
                          DialogCase{
                                  "EmptyPasswordAsksAtOnce", "", {{"IVANOV", "secret"}}, true, 0},
                          DialogCase{"WrongThenRight",
                                     "bad",
                                     {{"IVANOV", "worse"}, {"IVANOV", "secret"}},
                                     true,
                                     1},
                          DialogCase{"CancelledAfterAWrongPassword",
                                     "bad",
                                     {{"IVANOV", "worse"}, {}},
                                     false,
                                     1}),
        [](const auto &info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Journal

TEST_F(TDMTest, JournalRowsLinkToTheLoginAndCommitAtOnce)
{
    ASSERT_TRUE(f.dm->Login("IVANOV", "secret", false));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
    const qint64 id = f.dm->Journal("Иванов Пётр: Редактирование студента", "Список", "*");
    EXPECT_GT(id, f.dm->JournalID);
    fb::Transaction tr(*f.db);
    fb::Query q(tr,
                "select PARENTID, MODULENAME, ACTIONTYPE, ACTIONINFO, ACTIONTIME "
                "from JOURNAL_ACTIONS where ID = ?ID");
    q.setParam("ID", id);
    q.execute();
    ASSERT_TRUE(q.next()) << "committed and visible to another transaction";
    EXPECT_EQ(q.value("PARENTID").toLongLong(), f.dm->JournalID);
    EXPECT_EQ(q.value("MODULENAME").toString(), "Список");
    EXPECT_EQ(q.value("ACTIONTYPE").toString(), "*");
    EXPECT_EQ(q.value("ACTIONINFO").toString(), "Иванов Пётр: Редактирование студента");
    EXPECT_GE(q.value("ACTIONTIME").toDateTime(), before);
    EXPECT_LE(q.value("ACTIONTIME").toDateTime(), QDateTime::currentDateTime().addSecs(2));
}

TEST_F(TDMTest, GroupRowsInTheCallersTransactionFollowItsEnd)
{
    ASSERT_TRUE(f.dm->Login("IVANOV", "secret", false));
    for (const bool commit : {false, true}) {
        fb::Transaction work(*f.dm->DB);
        work.start();
        const qint64 parent = f.dm->Journal("Удаление студентов", "Список", "-", work.handle());
        const qint64 child = f.dm->Journal("Иванов", QVariant(), "-", work.handle(), parent);
        EXPECT_EQ(fb::Query::scalar(
                          work,
                          QString("select PARENTID from JOURNAL_ACTIONS where ID = %1").arg(child))
                          .toLongLong(),
                  parent);
        EXPECT_TRUE(work.isActive()) << "the journal never ends the caller's transaction";
        commit ? work.commit() : work.rollback();
        const QString count = QString("select count(*) from JOURNAL_ACTIONS where ID in (%1, %2)")
                                      .arg(parent)
                                      .arg(child);
        EXPECT_EQ(scalar(count).toInt(), commit ? 2 : 0);
    }
}

TEST_F(TDMTest, AFailedJournalWriteFailsTheCallersWork)
{
    ASSERT_TRUE(f.dm->Login("IVANOV", "secret", false));
    fb::Transaction work(*f.dm->DB);
    work.start();
    // ACTIONTYPE holds one character.
    EXPECT_THROW(f.dm->Journal("x", "Список", "too long", work.handle()), fb::Error);
    EXPECT_TRUE(work.isActive());
    work.rollback();
    // The same failure in the journal's own transaction raises too and leaves it usable.
    EXPECT_THROW(f.dm->Journal("x", "Список", "too long"), fb::Error);
    EXPECT_GT(f.dm->Journal("after the failure", "Список", "+"), 0);
    // A handle that is no longer alive is refused.
    EXPECT_THROW(f.dm->Journal("x", "Список", "+", 987654), LxError);
}

// ---------------------------------------------------------------------------------------------
// Logout, settings, lost connection

TEST_F(TDMTest, LogoutStoresTheSettingsAndClosesTheJournalRow)
{
    ASSERT_TRUE(f.dm->Login("IVANOV", "secret", false));
    const qint64 journalId = f.dm->JournalID;
    writeText(f.dm->TempDir + "Velmor5.xml", "<Props><TfmStudentList/></Props>");
    f.dm->Logout();
    EXPECT_FALSE(f.dm->DB->isConnected());
    EXPECT_EQ(scalar("select SETTINGS from SEC_USERSGROUPS where UGNAME = 'IVANOV'").toByteArray(),
              "<Props><TfmStudentList/></Props>");
    EXPECT_FALSE(scalar(QString("select ENDTIME from JOURNAL where JOURNALID = %1").arg(journalId))
                         .isNull());
    const QString log = f.LogText();
    const QStringList steps = {"Begin TDM.Logout",
                               "Begin dsUsersSETTINGS.Save",
                               "End dsUsersSETTINGS.Save",
                               "End TDM.Logout"};
    qsizetype at = 0;
    for (const QString &step : steps) {
        at = log.indexOf(step, at);
        EXPECT_GE(at, 0) << step.toStdString();
    }
    f.dm->Logout(); // not connected: nothing happens
}

TEST_F(TDMTest, SavedOptionsReachTheRecord)
{
    ASSERT_TRUE(f.dm->Login("IVANOV", "secret", false));
    f.dm->SaveUserOptionsBlob(QByteArray("\x00options\xff", 9));
    f.dm->SaveUserColorSettingsBlob("<Grids/>");
    EXPECT_EQ(scalar("select OPTIONS from SEC_USERSGROUPS where UGNAME = 'IVANOV'").toByteArray(),
              QByteArray("\x00options\xff", 9));
    EXPECT_EQ(f.dm->UserColorSettingsBlob(), "<Grids/>");
}

TEST_F(TDMTest, LostConnectionShowsTheErrorAndEndsTheApplication)
{
    ASSERT_TRUE(f.dm->Login("IVANOV", "secret", false));
    QSignalSpy spy(f.dm, &TDM::lostConnection);
    emit f.dm->DB->connectionLost("connection lost to database");
    EXPECT_EQ(f.errors, QStringList{"connection lost to database"});
    EXPECT_EQ(spy.count(), 1);
}

// ---------------------------------------------------------------------------------------------
// Statements and parameters

TEST_F(TDMTest, ExecuteSqlCommitsItsOwnTransactionAndLeavesAGivenOne)
{
    ASSERT_TRUE(f.dm->Login("SYSDBA", "masterkey", false));
    EXPECT_TRUE(f.dm->ExecuteSQL(nullptr,
                                 "update PARAMETERS set PARAMETERVALUE = 'Киев' "
                                 "where PARAMETERNAME = 'OrgCity'",
                                 false));
    EXPECT_EQ(scalar("select PARAMETERVALUE from PARAMETERS where PARAMETERNAME = 'OrgCity'")
                      .toString(),
              "Киев");
    EXPECT_FALSE(f.dm->ExecuteSQL(nullptr, "update NO_SUCH_TABLE set A = 1", false));

    fb::Transaction given(*f.dm->DB);
    EXPECT_TRUE(f.dm->ExecuteSQL(&given,
                                 "update PARAMETERS set PARAMETERVALUE = 'Львов' "
                                 "where PARAMETERNAME = 'OrgCity'",
                                 false));
    EXPECT_TRUE(given.isActive());
    EXPECT_FALSE(f.dm->ExecuteSQL(&given, "insert into PARAMETERS values (1)", false));
    EXPECT_TRUE(given.isActive());
    given.rollback();
    EXPECT_EQ(scalar("select PARAMETERVALUE from PARAMETERS where PARAMETERNAME = 'OrgCity'")
                      .toString(),
              "Киев");
}

TEST_F(TDMTest, GetParameterFindsExactNamesOnly)
{
    f.Sql("update PARAMETERS set PARAMETERVALUE = '001' where PARAMETERNAME = 'OrgCode'");
    ASSERT_TRUE(f.dm->Login("IVANOV", "secret", false));
    EXPECT_EQ(f.dm->GetParameter("OrgCode"), "001");
    EXPECT_EQ(f.dm->GetParameter("OrgName"), "");
    for (const char *name : {"Missing", "orgcode"}) {
        try {
            f.dm->GetParameter(name);
            ADD_FAILURE() << name;
        } catch (const LxError &e) {
            EXPECT_EQ(e.message(), QString("Параметр \"%1\" не найден.").arg(name));
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Backup

struct BackupCase
{
    const char *name;
    const char *count; // registry BackupCount
    int existing;      // backup files there before
    QStringList left;  // the old files that stay
    bool created;
};

void PrintTo(const BackupCase &c, std::ostream *os)
{
    *os << c.name;
}

class BackupTest : public TDMTest, public ::testing::WithParamInterface<BackupCase>
{};

TEST_P(BackupTest, KeepsTheNewestFilesAndAddsACopy)
{
    const BackupCase &c = GetParam();
    const QString backupDir = f.dir.filePath("backup/sub");
    f.SetReg("BackupPath", backupDir);
    f.SetReg("BackupCount", c.count);
    QDir().mkpath(backupDir);
    for (int i = 1; i <= c.existing; ++i)
        writeText(backupDir + QString("/Velm_06010%1_120000.gdb").arg(i), "old");
    writeText(backupDir + "/other.txt", "not a backup");
    ASSERT_TRUE(f.dm->Login("IVANOV", "secret", false));
    f.dm->Journal("before the backup", "Список", "+");

    f.dm->DoBackup();

    QStringList files = QDir(backupDir).entryList({"Velm_*"}, QDir::Files, QDir::Name);
    QStringList created;
    for (const QString &file : files)
        if (!file.startsWith("Velm_0601"))
            created << file;
    files.removeIf([](const QString &file) { return !file.startsWith("Velm_0601"); });
    EXPECT_EQ(files, c.left);
    EXPECT_TRUE(QFile::exists(backupDir + "/other.txt"));
    ASSERT_EQ(created.size(), c.created ? 1 : 0);
    if (!c.created)
        return;
    EXPECT_TRUE(QRegularExpression("^Velm_\\d{6}_\\d{6}\\.gdb$").match(created[0]).hasMatch())
            << created[0].toStdString();
    // The copy is a database holding the committed rows.
    fb::Database copy;
    fb::ConnectParams params;
    params.databaseName = backupDir + "/" + created[0];
    params.userName = "SYSDBA";
    copy.connect(params);
    fb::Transaction tr(copy);
    EXPECT_EQ(fb::Query::scalar(tr, "select count(*) from JOURNAL_ACTIONS").toInt(), 1);
    tr.commit();
    copy.disconnect();
}

INSTANTIATE_TEST_SUITE_P(
        Cases,
        BackupTest,
        ::testing::Values(BackupCase{"ThreeOfFive",
                                     "3",
                                     5,
                                     {"Velm_060104_120000.gdb", "Velm_060105_120000.gdb"},
                                     true},
                          BackupCase{"NoCountMeansFive",
                                     "",
                                     5,
                                     {"Velm_060102_120000.gdb",
                                      "Velm_060103_120000.gdb",
                                      "Velm_060104_120000.gdb",
                                      "Velm_060105_120000.gdb"},
                                     true},
                          BackupCase{"NotANumberMeansFive",
                                     "many",
                                     2,
                                     {"Velm_060101_120000.gdb", "Velm_060102_120000.gdb"},
                                     true},
                          BackupCase{"ZeroDoesNothing",
                                     "0",
                                     2,
                                     {"Velm_060101_120000.gdb", "Velm_060102_120000.gdb"},
                                     false}),
        [](const auto &info) { return std::string(info.param.name); });

TEST_F(TDMTest, BackupOfAServerDatabaseIsRefused)
{
    f.SetReg("ServerName", "");
    f.SetReg("BackupPath", f.dir.filePath("backup"));
    ASSERT_TRUE(f.dm->Login("IVANOV", "secret", false));
    EXPECT_THROW(f.dm->DoBackup(), LxError);
    EXPECT_TRUE(QDir(f.dir.filePath("backup")).isEmpty());
}
