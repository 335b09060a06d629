#include "fmstudentlist.h"
#include "hostfixture.h"
#include "velmapplication.h"

#include "studentgrid.h"

#include <dataset.h>
#include <gridutils.h>
#include <lxerror.h>
#include <query.h>
#include <tdm.h>
#include <transaction.h>
#include <xmlinifile.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

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

namespace {

// Closes the next message box when it shows and keeps its text.
void dismissNextMessageBox(QString *text)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, text] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            *text = box->text();
            box->done(QMessageBox::Ok);
            timer->deleteLater();
        }
    });
    timer->start(10);
}

class StudentCommandsTest : public StudentListTest
{
protected:
    QList<QVariantList> rows(const QString &sql)
    {
        fb::Transaction tr(m_db.database());
        fb::Query query(tr, sql);
        query.execute();
        QList<QVariantList> result;
        while (query.next()) {
            QVariantList row;
            for (int i = 0; i < query.fieldCount(); ++i)
                row << query.value(i);
            result << row;
        }
        tr.commit();
        return result;
    }

    void storeFields(TfmStudentList *, const QString &fields)
    {
        TXMLIniFile(m_application.Settings()).WriteString("TfmStudentList", "Fields", fields);
    }

    TfmStudentList *open()
    {
        // With the shipped rights the commands are enabled as for a real user.
        if (!QFile::copy(QStringLiteral(VELMOR_BIN_DIR "/../options/rights.cml"),
                         m_options.filePath("rights.cml")))
            ADD_FAILURE() << "the built options directory has no rights.cml";
        TfmStudentList *window = start(m_application, "SYSDBA", false);
        if (window)
            window->Confirm = [](const QString &) { return true; };
        return window;
    }

    void mark(TfmStudentList *window, const QList<qint64> &ids)
    {
        fb::DataSet *students = window->Students();
        students->fetchAll();
        window->Grid()->model()->rowCount(); // the model announces the fetched rows
        while (window->Grid()->model()->canFetchMore({}))
            window->Grid()->model()->fetchMore({});
        for (int row = 0; row < students->rowCount(); ++row)
            if (ids.contains(students->value(row, "STUDENTID").toLongLong()))
                window->Grid()->selectionModel()->select(window->Grid()->model()->index(row, 0),
                                                         QItemSelectionModel::Select
                                                                 | QItemSelectionModel::Rows);
    }

    void makeCurrent(TfmStudentList *window, qint64 id) { ASSERT_TRUE(window->LocateStudent(id)); }

    QStringList ids(const char *where = "ARCHIVE = 0")
    {
        QStringList result;
        for (const QVariantList &row :
             rows(QString("select STUDENTID from STUDENTS where %1 order by 1").arg(where)))
            result << row.value(0).toString();
        return result;
    }

    // The journal rows below the parent action with that text: the parent's module name and
    // the children's texts.
    QPair<QString, QStringList> journal(const QString &parentText)
    {
        const QList<QVariantList> parents
                = rows(QString("select ID, MODULENAME from JOURNAL_ACTIONS where ACTIONINFO = '%1'")
                               .arg(parentText));
        if (parents.size() != 1)
            return {QString("%1 parent rows").arg(parents.size()), {}};
        QStringList children;
        for (const QVariantList &row :
             rows(QString("select ACTIONINFO from JOURNAL_ACTIONS where PARENTID = %1 "
                          "order by ACTIONINFO")
                          .arg(parents[0][0].toLongLong())))
            children << row.value(0).toString();
        return {parents[0][1].toString(), children};
    }

    TVelmApplication m_application;
};

TEST_F(StudentCommandsTest, TheSelectedRowsAreTheMarksOrElseTheCurrentRow)
{
    TfmStudentList *window = open();
    ASSERT_NE(window, nullptr);
    makeCurrent(window, 102);
    EXPECT_EQ(GetSelectedList(window->Grid(), "STUDENTID", ","), "102");
    EXPECT_EQ(window->SelectedCount(), 1);

    mark(window, {101, 103});
    EXPECT_EQ(GetSelectedList(window->Grid(), "STUDENTID", ","), "101,103");
    EXPECT_EQ(window->SelectedCount(), 2);
    EXPECT_EQ(window->Students()->fieldValue("STUDENTID").toLongLong(), 102); // stays current

    window->SelectAll();
    EXPECT_EQ(GetSelectedList(window->Grid(), "STUDENTID", ","), "101,102,103");
    EXPECT_EQ(window->SelectedCount(), 3);
}

TEST_F(StudentCommandsTest, DeleteTakesTheCurrentStudentOnlyWhenNothingIsMarked)
{
    TfmStudentList *window = open();
    ASSERT_NE(window, nullptr);
    makeCurrent(window, 102);
    window->DeleteSelected();
    EXPECT_EQ(ids(), QStringList({"101", "103"}));
    const auto [module, children] = journal("Удаление студентов");
    EXPECT_EQ(module, "Список");
    EXPECT_EQ(children, QStringList{"Петров Пётр Петрович"});

    mark(window, {101, 103});
    window->DeleteSelected();
    EXPECT_TRUE(ids().isEmpty());
    EXPECT_TRUE(window->IsEmpty());
}

TEST_F(StudentCommandsTest, AnsweringNoDeletesNothing)
{
    TfmStudentList *window = open();
    ASSERT_NE(window, nullptr);
    window->Confirm = [](const QString &) { return false; };
    window->DeleteSelected();
    EXPECT_EQ(ids().size(), 3);
}

TEST_F(StudentCommandsTest, AFailedDeleteLeavesNothingForALaterCommit)
{
    m_db.run("create exception E_KEEP 'This student is kept';\n"
             "set term ^;\n"
             "create trigger STUDENTS_KEEP for STUDENTS before delete as begin\n"
             "  if (old.STUDENTID = 101) then exception E_KEEP;\n"
             "end^\n"
             "set term ;^");
    TfmStudentList *window = open();
    ASSERT_NE(window, nullptr);
    mark(window, {101, 102}); // 102 goes first, then 101 fails
    EXPECT_THROW(window->DeleteSelected(), std::exception);
    // Anything else committed in the register's transaction afterwards...
    mark(window, {103});
    window->MoveSelectedToArchive(true);
    // ...leaves the student of the failed run in place and journals no deletion.
    EXPECT_EQ(ids(), QStringList({"101", "102"}));
    EXPECT_EQ(journal("Удаление студентов").first, "0 parent rows");
}

TEST_F(StudentCommandsTest, ArchiveMovesWriteAParentJournalRowAndOneRowPerStudent)
{
    TfmStudentList *window = open();
    ASSERT_NE(window, nullptr);
    mark(window, {101, 103});
    window->MoveSelectedToArchive(true);
    EXPECT_EQ(ids("ARCHIVE = 1"), QStringList({"101", "103"}));
    const auto [module, children] = journal("Перемещение выделенных студентов в архив");
    EXPECT_EQ(module, "Список");
    EXPECT_EQ(children, QStringList({"Иванов Иван Иванович", "Сидоров Сидор Сидорович"}));
    EXPECT_EQ(window->Grid()->MarkedCount(), 0);
    EXPECT_EQ(GetSelectedList(window->Grid(), "STUDENTID", ","), "102");

    window->SetArchive(true);
    window->UpdateActions();
    EXPECT_FALSE(window->Action("actStudentListToArch")->isEnabled());
    EXPECT_TRUE(window->Action("actStudentListFromArch")->isEnabled());
    window->SelectAll();
    window->MoveSelectedToArchive(false);
    EXPECT_TRUE(ids("ARCHIVE = 1").isEmpty());
    EXPECT_EQ(journal("Перемещение выделенных студентов из архива").second.size(), 2);
}

TEST_F(StudentCommandsTest, SelectionFilesMarkTheStudentsPresent)
{
    QTemporaryDir dir;
    TfmStudentList *window = open();
    ASSERT_NE(window, nullptr);
    mark(window, {101, 103});
    const QString saved = dir.filePath("two.sel");
    window->SaveSelection(saved);
    QSettings file(saved, QSettings::IniFormat);
    EXPECT_EQ(file.childGroups(), QStringList{"TfmStudentList"});

    // A file naming a student the register does not hold marks only those it holds.
    const QString other = dir.filePath("other.sel");
    QFile text(other);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("[TfmStudentList]\r\n999=\r\n103=\r\n");
    text.close();
    window->LoadSelection(other);
    EXPECT_EQ(GetSelectedList(window->Grid(), "STUDENTID", ","), "103");

    window->LoadSelection(saved);
    EXPECT_EQ(GetSelectedList(window->Grid(), "STUDENTID", ","), "101,103");

    const QString broken = dir.filePath("broken.sel");
    QFile garbage(broken);
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("not a selection\n");
    garbage.close();
    try {
        window->LoadSelection(broken);
        ADD_FAILURE() << "a broken file was taken";
    } catch (const LxError &error) {
        EXPECT_TRUE(error.message().contains(broken));
    }
    EXPECT_EQ(GetSelectedList(window->Grid(), "STUDENTID", ","), "101,103");
}

TEST_F(StudentCommandsTest, LayoutFilesRestoreTheFieldListAndColumns)
{
    QTemporaryDir dir;
    TfmStudentList *window = open();
    ASSERT_NE(window, nullptr);
    storeFields(window, "FIO,GROUPNUM,COURSE");
    window->OpenList(true);
    QHeaderView *header = window->Grid()->horizontalHeader();
    const int course = window->Students()->fieldIndex("COURSE");
    const int group = window->Students()->fieldIndex("GROUPNUM");
    header->moveSection(header->visualIndex(course), 1);
    header->resizeSection(group, 177);
    header->setSectionHidden(window->Students()->fieldIndex("FIO"), true);
    const QString layout = dir.filePath("mine.lyt");
    window->SaveGridLayout(layout);

    storeFields(window, "FIO,SEX");
    window->OpenList(true);
    ASSERT_EQ(window->Students()->fieldIndex("GROUPNUM"), -1);

    window->LoadGridLayout(layout);
    EXPECT_GE(window->Students()->fieldIndex("GROUPNUM"), 0);
    EXPECT_EQ(window->Students()->fieldIndex("SEX"), -1);
    header = window->Grid()->horizontalHeader();
    EXPECT_EQ(header->visualIndex(window->Students()->fieldIndex("COURSE")), 1);
    EXPECT_EQ(header->sectionSize(window->Students()->fieldIndex("GROUPNUM")), 177);
    EXPECT_TRUE(header->isSectionHidden(window->Students()->fieldIndex("FIO")));

    // Files of another version, broken ones and missing ones change nothing.
    const QString fields = window->StoredFields();
    const QByteArray bad[] = {
            "[TfmStudentList]\nFields=\"FIO,SEX\"\n[TIniFile]\nVersion=99\nColumns=FIO:10\n",
            "[TfmStudentList]\nFields=\"FIO,SEX\"\n[TIniFile]\nVersion=1\nColumns=FIO:wide\n",
            "[TIniFile]\nVersion=1\n",
            "\x01\x02 binary",
    };
    for (const QByteArray &content : bad) {
        SCOPED_TRACE(content.toStdString());
        const QString name = dir.filePath("bad.lyt");
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        try {
            window->LoadGridLayout(name);
            ADD_FAILURE() << "a bad layout was taken";
        } catch (const LxError &error) {
            EXPECT_TRUE(error.message().contains(name)) << error.message().toStdString();
        }
        EXPECT_EQ(window->StoredFields(), fields);
        EXPECT_GE(window->Students()->fieldIndex("GROUPNUM"), 0);
    }
}

TEST_F(StudentCommandsTest, AStoredOrderTheStatementRejectsIsDropped)
{
    // The user has no settings of his own yet: the defaults carry the order.
    QFile defaults(m_options.filePath("DefaultSettings.xml"));
    ASSERT_TRUE(defaults.open(QIODevice::WriteOnly | QIODevice::Truncate));
    defaults.write("<?xml version=\"1.0\"?><Props><TfmStudentList><Order>NO_SUCH_FIELD</Order>"
                   "</TfmStudentList></Props>");
    defaults.close();
    QString shown;
    dismissNextMessageBox(&shown);
    TfmStudentList *reopened = open();
    ASSERT_NE(reopened, nullptr);
    EXPECT_TRUE(reopened->Students()->isOpen());
    EXPECT_FALSE(shown.isEmpty());
    EXPECT_TRUE(reopened->Order().isEmpty());
}

TEST_F(StudentCommandsTest, TitleClicksSortByOneOrSeveralColumns)
{
    TfmStudentList *window = open();
    ASSERT_NE(window, nullptr);
    const int group = window->Students()->fieldIndex("GROUPNUM");
    const int course = window->Students()->fieldIndex("COURSE");
    window->SortByColumn(group, false);
    EXPECT_EQ(window->Order(), "GROUPNUM");
    window->SortByColumn(group, false);
    EXPECT_EQ(window->Order(), "GROUPNUM DESC");
    EXPECT_EQ(window->Students()->value(0, "STUDENTID").toLongLong(), 103);
    window->SortByColumn(course, true);
    EXPECT_EQ(window->Order(), "GROUPNUM DESC, COURSE");
    const auto markers = window->Grid()->Header()->SortMarkers();
    ASSERT_EQ(markers.size(), 2);
    EXPECT_EQ(markers[0], qMakePair(group, Qt::DescendingOrder));
    EXPECT_EQ(markers[1], qMakePair(course, Qt::AscendingOrder));
}

TEST_F(StudentCommandsTest, AnsweringNoToHistoryKeepsCurrentData)
{
    TfmStudentList *window = open();
    ASSERT_NE(window, nullptr);
    QStringList asked;
    bool answer = false;
    window->Confirm = [&](const QString &question) {
        asked << question;
        return answer;
    };
    QAction *lastData = window->Action("actStudentListLastData");
    lastData->trigger();
    EXPECT_EQ(asked.size(), 1);
    EXPECT_TRUE(window->LastData());
    EXPECT_TRUE(lastData->isChecked());
    EXPECT_FALSE(window->Students()->hasParam("CurDate"));

    answer = true;
    lastData->trigger();
    EXPECT_FALSE(window->LastData());
    EXPECT_FALSE(lastData->isChecked());
    EXPECT_TRUE(window->Students()->hasParam("CurDate"));
    lastData->trigger(); // back to current data without a question
    EXPECT_EQ(asked.size(), 2);
    EXPECT_TRUE(window->LastData());
}

} // namespace
