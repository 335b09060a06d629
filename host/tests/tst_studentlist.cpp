#include "fmstudentlist.h"
#include "hostfixture.h"
#include "velmapplication.h"

#include <dataset.h>
#include <tdm.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// An installation with the schema, the shipped field repository and three students of three
// owners; the connected user may see PETROV's records besides his own.
class StudentListTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_registry.SetPersonalInstallation(m_db.path(), m_options.path());
        for (const char *file : {"fields.xml", "DefaultSettings.xml", "ColorSettings.xml"})
            ASSERT_TRUE(
                    QFile::copy(QStringLiteral(VELMOR_SOURCE_DIR "/installation/options/") + file,
                                m_options.filePath(file)));
        m_db.run("insert into SEC_USERSGROUPS (UGID, UGNAME, RTYPE, PASSWD) values "
                 "(1, 'SYSDBA', 'U', 'bWFzdGVya2V5')"); // Base64 of "masterkey"
        m_db.run("insert into SEC_USERSGROUPS (UGID, UGNAME, RTYPE, PASSWD) values "
                 "(3, 'PETROV', 'U', 'bWFzdGVya2V5')");
        m_db.run("insert into SEC_USERSACCESS (USERID, UGID) values (1, 3)");
        m_db.run("insert into STUDENTS (STUDENTID, FIO, GROUPNUM, COURSE, OWNER) values "
                 "(101, 'Иванов Иван Иванович', '21', 2, 'SYSDBA')");
        m_db.run("insert into STUDENTS (STUDENTID, FIO, GROUPNUM, COURSE, OWNER) values "
                 "(102, 'Петров Пётр Петрович', '22', 2, 'PETROV')");
        m_db.run("insert into STUDENTS (STUDENTID, FIO, GROUPNUM, COURSE, OWNER) values "
                 "(103, 'Сидоров Сидор Сидорович', '23', 2, 'SIDOROV')");
    }

    // Logs in and creates the main window as the given user; on a server (not a local file)
    // the access rule applies to users other than SYSDBA. The engine's user stays SYSDBA, so
    // the access view answers for SYSDBA's grants whatever name the window works under.
    TfmStudentList *start(TVelmApplication &application, const char *user, bool server)
    {
        TDM::SetErrorBox([](const QString &message) { ADD_FAILURE() << message.toStdString(); });
        TDM::SetLoginDialog([](QString &, QString &) { return false; });
        if (!application.Login("SYSDBA", "masterkey", false))
            return nullptr;
        DM->UserName = user;
        if (server)
            DM->Personal = false;
        TVelmApplication::SettingsHooks hooks;
        hooks.ctrlHeld = [] { return false; };
        hooks.inform = [](const QString &) {};
        hooks.error = [](const QString &message) { ADD_FAILURE() << message.toStdString(); };
        application.SetSettingsHooks(hooks);
        application.Prepare();
        return application.MainWindow();
    }

    static QStringList column(TfmStudentList *window, const QString &field)
    {
        fb::DataSet *students = window->Students();
        students->fetchAll();
        QStringList values;
        for (int row = 0; row < students->rowCount(); ++row)
            values << students->value(row, field).toString();
        values.sort();
        return values;
    }

    TestRegistry m_registry;
    SchemaDatabase m_db;
    QTemporaryDir m_options;
};

TEST_F(StudentListTest, UsersSeeTheStudentsTheirAccessGrants)
{
    struct Case
    {
        const char *user;
        bool server;
        QStringList owners;
    };
    const Case cases[] = {
            {"SYSDBA", true, {"PETROV", "SIDOROV", "SYSDBA"}},
            {"IVANOV", false, {"PETROV", "SIDOROV", "SYSDBA"}}, // a local file: no access rule
            {"IVANOV", true, {"PETROV", "SYSDBA"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.user) + (c.server ? " on a server" : " on a local file"));
        TVelmApplication application;
        TfmStudentList *window = start(application, c.user, c.server);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(window->Students()->isOpen());
        EXPECT_EQ(window->Students()->expandedSelectSql().contains("VW_USERACCESS"),
                  c.server && QString(c.user) != "SYSDBA");
        EXPECT_EQ(window->CountResult(), -1); // never counted on its own

        window->CountRecords();
        EXPECT_EQ(window->CountResult(), c.owners.size());
        // The owner is not a column of the default list: ask the database per student.
        QStringList owners;
        for (const QString &id : column(window, "STUDENTID"))
            owners << (id == "101" ? "SYSDBA" : id == "102" ? "PETROV" : "SIDOROV");
        owners.sort();
        EXPECT_EQ(owners, c.owners);
        application.Unprepare();
    }
}

TEST_F(StudentListTest, GridShowsTheRepositorysCaptionsAndHidesTheKey)
{
    m_db.run("insert into STUDENTS (STUDENTID, FIO, OWNER) values (104, 'Абрамов Ян', 'X')");
    TVelmApplication application;
    TfmStudentList *window = start(application, "SYSDBA", false);
    ASSERT_NE(window, nullptr);
    QTableView *grid = window->Grid();
    QAbstractItemModel *model = grid->model();
    QStringList shown;
    for (int column = 0; column < model->columnCount(); ++column)
        if (!grid->isColumnHidden(column))
            shown << model->headerData(column, Qt::Horizontal).toString();
    EXPECT_EQ(shown.value(0), "ФИО");
    EXPECT_TRUE(shown.contains("Группа"));
    EXPECT_TRUE(grid->isColumnHidden(window->Students()->fieldIndex("STUDENTID")));
    EXPECT_EQ(model->index(0, window->Students()->fieldIndex("FIO")).data().toString(),
              "Абрамов Ян"); // by name when no order is stored

    // Switching the mode and refreshing keep the columns as they were laid out.
    const int fio = window->Students()->fieldIndex("FIO");
    grid->setColumnWidth(fio, 333);
    window->SetLastData(false);
    window->Refresh();
    EXPECT_EQ(grid->columnWidth(fio), 333);
    EXPECT_TRUE(grid->isColumnHidden(window->Students()->fieldIndex("STUDENTID")));
    EXPECT_EQ(model->headerData(fio, Qt::Horizontal).toString(), "ФИО");
    EXPECT_GT(grid->columnWidth(window->Students()->fieldIndex("FIO")),
              grid->columnWidth(window->Students()->fieldIndex("GROUPNUM")));
}

TEST_F(StudentListTest, HistoryModeShowsTheGroupAtTheStatusDate)
{
    m_db.run("insert into HS_GROUPNUM (STUDENTID, BEGINDATE, GROUPNUM) values "
             "(101, '2020-09-01', '11')");
    m_db.run("insert into HS_GROUPNUM (STUDENTID, BEGINDATE, GROUPNUM) values "
             "(101, '2021-09-01', '21')");
    TVelmApplication application;
    TfmStudentList *window = start(application, "SYSDBA", false);
    ASSERT_NE(window, nullptr);
    auto groupOf101 = [&] {
        fb::DataSet *students = window->Students();
        return students->locate("STUDENTID", 101) ? students->fieldValue("GROUPNUM").toString()
                                                  : QString("(none)");
    };
    EXPECT_EQ(groupOf101(), "21");

    struct Case
    {
        QDate date;
        const char *group;
    };
    const Case cases[] = {
            {QDate(2021, 1, 15), "11"},
            {QDate(2021, 9, 1), "21"},
            {QDate(2019, 1, 1), "21"}, // before any history row: the current group
    };
    window->SetStatusDate(cases[0].date);
    window->SetLastData(false);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.date.toString(Qt::ISODate).toStdString());
        window->SetStatusDate(c.date);
        EXPECT_EQ(window->Students()->param("CurDate").toDate(), c.date);
        EXPECT_EQ(groupOf101(), c.group);
        window->CountRecords();
        EXPECT_EQ(window->CountResult(), 3);
    }
    window->SetLastData(true);
    EXPECT_EQ(groupOf101(), "21");
}

TEST_F(StudentListTest, RefreshKeepsTheCurrentStudentAndShowsNewRows)
{
    TVelmApplication application;
    TfmStudentList *window = start(application, "SYSDBA", false);
    ASSERT_NE(window, nullptr);
    fb::DataSet *students = window->Students();
    ASSERT_TRUE(students->locate("STUDENTID", 103));
    window->Grid()->setCurrentIndex(window->Grid()->model()->index(students->currentRow(), 1));

    m_db.run("insert into STUDENTS (STUDENTID, FIO, OWNER) values (104, 'Яковлев Яков', 'X')");
    window->Refresh();
    EXPECT_EQ(students->fieldValue("STUDENTID").toLongLong(), 103);
    EXPECT_EQ(window->Grid()->currentIndex().row(), students->currentRow());
    EXPECT_EQ(window->Grid()->model()->data(window->Grid()->currentIndex()).toString(),
              students->value(students->currentRow(), 1).toString());
    EXPECT_EQ(column(window, "STUDENTID").size(), 4);
}

} // namespace

namespace {

TEST_F(StudentListTest, TheFirstScreenDoesNotFetchTheWholeRegister)
{
    m_db.run("set term ^;\n"
             "execute block as declare i integer = 0; begin\n"
             "  while (i < 1000) do begin\n"
             "    insert into STUDENTS (STUDENTID, FIO, OWNER) values (1000 + :i, 'Студент ' || "
             ":i, 'X');\n"
             "    i = i + 1;\n"
             "  end\n"
             "end^\n"
             "set term ;^");
    TVelmApplication application;
    TfmStudentList *window = start(application, "SYSDBA", false);
    ASSERT_NE(window, nullptr);
    window->UpdateStatusBar();
    EXPECT_FALSE(window->Students()->allFetched());
    EXPECT_LT(window->Grid()->model()->rowCount(), 1003);
    auto *total = window->findChild<QLabel *>("lbStatusInfo");
    ASSERT_NE(total, nullptr);
    EXPECT_TRUE(total->text().endsWith(":?")) << total->text().toStdString();

    window->CountRecords();
    EXPECT_EQ(window->CountResult(), 1003);
    EXPECT_TRUE(total->text().endsWith(":1003")) << total->text().toStdString();
    EXPECT_FALSE(window->Students()->allFetched()) << "counting fetched the rows";
}

} // namespace

namespace {

TEST_F(StudentListTest, TheFieldListAndOrderLastUntilTheNextStart)
{
    TVelmApplication application;
    ASSERT_NE(start(application, "SYSDBA", false), nullptr);
    QDomElement section
            = application.Settings().documentElement().firstChildElement("TfmStudentList");
    section.appendChild(application.Settings().createElement("Fields"))
            .appendChild(application.Settings().createTextNode("GROUPNUM,FIO"));
    section.appendChild(application.Settings().createElement("Order"))
            .appendChild(application.Settings().createTextNode("GROUPNUM desc"));
    TfmStudentList *window = application.MainWindow();
    window->OpenList(true);
    // The order in force stays the one the window opened with; the field list is re-read.
    EXPECT_EQ(window->Students()->fieldIndex("COURSE"), -1);
    EXPECT_GE(window->Students()->fieldIndex("GROUPNUM"), 0);

    delete window; // stores what it shows
    EXPECT_EQ(section.firstChildElement("Fields").text(), "STUDENTID,GROUPNUM,FIO");
    EXPECT_EQ(section.firstChildElement("Order").text(), "FIO");
}

} // namespace
