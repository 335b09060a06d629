#include <dataset.h>
#include <datasetmodel.h>
#include <fieldutils.h>
#include <gridutils.h>
#include <lxerror.h>
#include <lxfields.h>
#include <query.h>
#include <testdatabase.h>
#include <transaction.h>

#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QTableView>
#include <QTemporaryDir>

namespace {

// Four items in the order of NUMORDER 10, 20, 30, 40 (IDs 1 to 4).
class MoveRecordTest : public testing::Test
{
protected:
    void SetUp() override
    {
        db.run("create table ITEMS (ID integer not null primary key, NAME varchar(20), "
               "NUMORDER integer)");
        db.run("insert into ITEMS values (1, 'one', 10)");
        db.run("insert into ITEMS values (2, 'two', 20)");
        db.run("insert into ITEMS values (3, 'three', 30)");
        db.run("insert into ITEMS values (4, 'four', 40)");
        openItems();
    }

    // Opens the items afresh in a new transaction: what earlier steps wrote is undone.
    void openItems()
    {
        items.reset();
        if (tran.isActive())
            tran.rollback();
        items = std::make_unique<fb::DataSet>(tran);
        items->setSelectSql("select ID, NAME, NUMORDER from ITEMS order by NUMORDER");
        items->setUpdateTable("ITEMS", {"ID"});
        tran.ensureStarted();
        items->open();
    }

    // The order values as the database holds them in the data set's transaction, by ID.
    QList<int> storedOrder()
    {
        fb::Query q(tran, "select NUMORDER from ITEMS order by ID");
        q.execute();
        QList<int> values;
        while (q.next())
            values << q.value(0).toInt();
        return values;
    }

    int currentId() const { return items->fieldValue("ID").toInt(); }

    fb::TestDatabase db;
    fb::Transaction tran{db.database()};
    std::unique_ptr<fb::DataSet> items;
};

TEST_F(MoveRecordTest, TheOrderValueIsExchangedWithTheNeighbour)
{
    struct Case
    {
        const char *what;
        int row;
        bool down;
        QList<int> order; // NUMORDER of IDs 1 to 4 afterwards
    };
    const Case cases[] = {
            {"second down", 1, true, {10, 30, 20, 40}},
            {"second up", 1, false, {20, 10, 30, 40}},
            {"first up: nothing", 0, false, {10, 20, 30, 40}},
            {"last down: nothing", 3, true, {10, 20, 30, 40}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        openItems(); // only the rows asked for are fetched: the last row's neighbour is not
        ASSERT_TRUE(items->setCurrentRow(c.row));
        const int id = currentId();
        MoveRecord(*items, "NUMORDER", c.down);
        EXPECT_EQ(storedOrder(), c.order);
        EXPECT_EQ(currentId(), id) << "the moved record stays current";
        EXPECT_EQ(items->state(), fb::DataSet::State::Browse);
    }
}

TEST_F(MoveRecordTest, ASortedViewShowsTheRecordAtItsNewPlace)
{
    items->setSort({{"NUMORDER", true}});
    ASSERT_TRUE(items->setCurrentRow(1));
    MoveRecord(*items, "NUMORDER", true);
    EXPECT_EQ(items->currentRow(), 2);
    EXPECT_EQ(currentId(), 2);
    EXPECT_EQ(items->value(1, "ID").toInt(), 3);

    MoveRecord(*items, "NUMORDER", false); // and back
    EXPECT_EQ(items->currentRow(), 1);
    EXPECT_EQ(storedOrder(), (QList<int>{10, 20, 30, 40}));
}

TEST_F(MoveRecordTest, AFailedMoveLeavesTheOrderAsItWas)
{
    // The neighbour cannot be written: the record already moved gets its value back.
    db.run("create exception E_LOCKED 'locked';\n"
           "set term ^;\n"
           "create trigger ITEMS_LOCK for ITEMS before update as begin\n"
           "  if (new.ID = 3) then exception E_LOCKED;\n"
           "end^\n"
           "set term ;^");
    openItems();
    ASSERT_TRUE(items->setCurrentRow(1));
    EXPECT_ANY_THROW(MoveRecord(*items, "NUMORDER", true));
    EXPECT_EQ(storedOrder(), (QList<int>{10, 20, 30, 40}));
    EXPECT_EQ(items->value(1, "NUMORDER").toInt(), 20);
    EXPECT_EQ(items->value(2, "NUMORDER").toInt(), 30);
    EXPECT_EQ(currentId(), 2);
    EXPECT_EQ(items->state(), fb::DataSet::State::Browse);

    EXPECT_THROW(MoveRecord(*items, "NOSUCHFIELD", true), LxError);
}

// The whole grid over the register's kind of model: rows fetched in chunks from a real select.
TEST(WholeGridTest, CountingFetchesTheRestAndKeepsThemSelected)
{
    fb::TestDatabase db;
    db.run("create table T (ID integer)");
    db.run("set term ^;\n"
           "execute block as declare i integer = 0; begin\n"
           "  while (i < 1000) do begin insert into T values (:i); i = i + 1; end\n"
           "end^\n"
           "set term ;^");
    fb::Transaction tran(db.database());
    fb::DataSet rows(tran);
    rows.setSelectSql("select ID from T order by ID");
    rows.open();
    fb::DataSetModel model(&rows);
    model.setChunkSize(50);
    QTableView grid;
    grid.setModel(&model);
    model.fetchMore();

    SelectWholeGrid(&grid);
    EXPECT_FALSE(rows.allFetched());
    EXPECT_EQ(SelectedRowCount(&grid), 1000);
    EXPECT_TRUE(rows.allFetched());
    EXPECT_EQ(model.rowCount(), 1000);
    EXPECT_TRUE(IsWholeGridSelected(&grid));
    const QItemSelection selection = grid.selectionModel()->selection();
    ASSERT_EQ(selection.size(), 1) << "one range, however many rows";
    EXPECT_EQ(selection.first().top(), 0);
    EXPECT_EQ(selection.first().bottom(), 999);

    rows.close(); // reopening the list ends the whole-grid selection
    rows.open();
    EXPECT_FALSE(IsWholeGridSelected(&grid));
}

const char *const displayRepository = R"xml(<?xml version="1.0" encoding="UTF-8"?>
<Fields>
  <Field Name="BIRTHDATE" GridCaption="Дата рождения" DisplayFormat="dd.mm.yyyy"/>
  <Field Name="AVERAGE" GridCaption="Средний балл" DisplayFormat="0.00"/>
  <Field Name="FIO" GridCaption="ФИО"/>
</Fields>
)xml";

TEST(DataSetRepositoryTest, CaptionsAndFormatsAreKeptForTheFields)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("fields.xml"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(displayRepository);
    file.close();
    const TLxFields fields(file.fileName());

    fb::TestDatabase db;
    db.run("create table S (FIO varchar(40), BIRTHDATE date, AVERAGE numeric(5,2), NOTE "
           "varchar(10))");
    fb::Transaction tran(db.database());
    fb::DataSet students(tran);
    students.setSelectSql("select FIO, BIRTHDATE, AVERAGE, NOTE from S");
    students.open();
    ApplyDataSetRepository(students, fields);

    EXPECT_EQ(FieldDisplayLabel(students, "FIO"), "ФИО");
    EXPECT_EQ(FieldDisplayLabel(students, "birthdate"), "Дата рождения");
    EXPECT_EQ(FieldDisplayLabel(students, "NOTE"), "NOTE") << "unknown to the repository";
    EXPECT_EQ(FieldDisplayFormat(students, "BIRTHDATE"), "dd.mm.yyyy");
    EXPECT_EQ(FieldDisplayFormat(students, "FIO"), "");

    // Applying again (another prefix finds nothing) replaces what was kept.
    ApplyDataSetRepository(students, fields, "X_");
    EXPECT_EQ(FieldDisplayLabel(students, "FIO"), "FIO");
    EXPECT_EQ(FieldDisplayFormat(students, "BIRTHDATE"), "");
}

TEST(DataSetRepositoryTest, ValuesAreShownInTheRepositorysFormats)
{
    const QString point = QLocale().decimalPoint();
    const QString group = QLocale().groupSeparator();
    struct Case
    {
        QVariant value;
        const char *format;
        QString text;
    };
    const Case cases[] = {
            {QDate(2024, 3, 7), "dd.mm.yyyy", "07.03.2024"},
            {QDateTime(QDate(2024, 3, 7), QTime(9, 5)), "dd.mm.yyyy hh:nn", "07.03.2024 09:05"},
            {QDateTime(QDate(2024, 3, 7), QTime(9, 5)), "d.m.yy h:mm", "7.3.24 9:05"},
            {4.5, "0.00", "4" + point + "50"},
            {12345.678, "#,##0.00", "12" + group + "345" + point + "68"},
            {12345, "0", "12345"},
            {4.5, "", "4.5"},
            {QString("text"), "0.00", "text"},
            {QVariant(), "dd.mm.yyyy", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(FormatDisplayValue(c.value, c.format), c.text);
    }
}

} // namespace
