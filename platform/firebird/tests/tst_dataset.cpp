// Data sets: macros, fetching on demand, refresh, generated writes, filter and sort, the
// count select and the item model.

#include <counttransform.h>
#include <dataset.h>
#include <datasetmodel.h>
#include <error.h>
#include <query.h>
#include <testdatabase.h>
#include <transaction.h>

#include <gtest/gtest.h>

namespace {

class DataSetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        db.run("create table GRP (GID integer not null primary key, GNAME varchar(20));\n"
               "create table S (ID integer not null primary key, FIO varchar(40), GID integer, "
               "ARCHIVE smallint default 0, NOTE blob sub_type text, SCORE numeric(5,1));\n"
               "insert into GRP values (1, 'Группа 1');\n"
               "insert into GRP values (2, 'Группа 2');\n");
        fb::Transaction tr(db.database());
        fb::Query ins(tr,
                      "insert into S (ID, FIO, GID, ARCHIVE, NOTE, SCORE) "
                      "values (?ID, ?FIO, ?GID, ?ARCHIVE, ?NOTE, ?SCORE)");
        const QStringList names = {"Яковлев", "Андреев", "Борисова", "Ёлкин", "андреева"};
        for (int i = 1; i <= 200; ++i) {
            ins.setParam("ID", i);
            ins.setParam("FIO", names[i % names.size()] + QString(" %1").arg(i));
            ins.setParam("GID", i % 2 + 1);
            ins.setParam("ARCHIVE", i > 190 ? 1 : 0);
            ins.setParam("NOTE", i == 1 ? QVariant(QString("Примечание")) : QVariant());
            ins.setParam("SCORE", i % 10);
            ins.execute();
        }
        tr.commit();
    }
    fb::TestDatabase db;
};

const char *registerSelect = "select S.ID, S.FIO, S.GID, S.NOTE, S.SCORE from S\r\n"
                             "@Access%  WHERE (S.ARCHIVE = @@ARCH%0@) and (@@Filter%1=1@)";

} // namespace

TEST_F(DataSetTest, MacrosAtDefaultAndSet)
{
    fb::Transaction tr(db.database());
    fb::DataSet ds(tr);
    ds.setSelectSql(registerSelect);
    EXPECT_EQ(ds.macroNames(), QStringList({"ACCESS", "ARCH", "FILTER"}));
    ds.open();
    ds.fetchAll();
    EXPECT_EQ(ds.rowCount(), 190);
    ds.close();

    ds.setMacro("Access", "inner join GRP G on (G.GID = S.GID and G.GID = 2) ");
    ds.setMacro("ARCH", "1");
    ds.setMacro("Filter", "S.ID > ?MINID");
    ds.setParam("MINID", 195);
    ds.open();
    ds.fetchAll();
    EXPECT_EQ(ds.rowCount(), 2); // 197 and 199: archived, group 2, above 195
    ds.close();
    ds.setMacroToDefault("Access");
    ds.setMacroToDefault("Filter");
    ds.open();
    ds.fetchAll();
    EXPECT_EQ(ds.rowCount(), 10);
}

TEST_F(DataSetTest, FetchesOnDemandAndMovesByBookmarkAndLocate)
{
    fb::Transaction tr(db.database());
    fb::DataSet ds(tr);
    ds.setSelectSql("select ID, FIO, NOTE from S order by ID");
    int afterScroll = 0;
    QObject::connect(&ds, &fb::DataSet::afterScroll, [&] { ++afterScroll; });
    ds.open();
    EXPECT_EQ(ds.fetchedCount(), 1);
    EXPECT_EQ(ds.currentRow(), 0);
    EXPECT_EQ(ds.fieldValue("NOTE").toString(), "Примечание");
    EXPECT_TRUE(ds.setCurrentRow(49));
    EXPECT_LT(ds.fetchedCount(), 200);
    EXPECT_EQ(ds.fieldValue("ID").toInt(), 50);
    const auto mark = ds.bookmark();
    EXPECT_TRUE(
            ds.locate("FIO", "ёлкин 3", fb::DataSet::CaseInsensitive | fb::DataSet::PartialKey));
    EXPECT_EQ(ds.fieldValue("ID").toInt(), 3);
    EXPECT_TRUE(ds.gotoBookmark(mark));
    EXPECT_EQ(ds.fieldValue("ID").toInt(), 50);
    EXPECT_FALSE(ds.locate("ID", 999));
    EXPECT_TRUE(ds.allFetched());
    EXPECT_EQ(ds.fetchedCount(), 200);
    EXPECT_TRUE(ds.last());
    EXPECT_FALSE(ds.next());
    EXPECT_TRUE(ds.eof());
    EXPECT_GE(afterScroll, 4);
}

TEST_F(DataSetTest, GeneratedUpdateWritesOnlyModifiedColumns)
{
    fb::Transaction tr(db.database());
    fb::DataSet ds(tr);
    ds.setSelectSql("select ID, FIO, GID, SCORE from S where ID = 5");
    ds.setUpdateTable("S", {"ID"});
    ds.open();
    // Someone else changes GID after we read the row.
    fb::Transaction other(db.database());
    fb::Query::run(other, "update S set GID = 9 where ID = 5");
    other.commit();

    ds.edit();
    ds.setFieldValue("FIO", QString("Новиков"));
    EXPECT_EQ(ds.generatedUpdateSql({"FIO"}), "update S set FIO = ?FIO where ID = ?OLD_ID");
    ds.post();
    tr.commitRetaining();
    fb::Query check(tr, "select FIO, GID from S where ID = 5");
    check.execute();
    ASSERT_TRUE(check.next());
    EXPECT_EQ(check.value("FIO").toString(), "Новиков");
    EXPECT_EQ(check.value("GID").toInt(), 9); // the other writer's change survived
    EXPECT_EQ(ds.fieldValue("FIO").toString(), "Новиков");
}

TEST_F(DataSetTest, InsertDeleteAndRefresh)
{
    fb::Transaction tr(db.database());
    fb::DataSet ds(tr);
    ds.setSelectSql("select S.ID, S.FIO, G.GNAME from S left join GRP G on G.GID = S.GID "
                    "where S.ID <= 3 order by S.ID");
    ds.setRefreshSql("select S.ID, S.FIO, G.GNAME from S left join GRP G on G.GID = S.GID "
                     "where S.ID = ?ID");
    ds.setDeleteSql("delete from S where ID = ?OLD_ID");
    ds.setUpdateTable("S", {"ID"});
    ds.open();
    ds.fetchAll();
    ASSERT_EQ(ds.rowCount(), 3);

    // Refresh reads a row changed elsewhere.
    fb::Transaction other(db.database());
    fb::Query::run(other, "update S set FIO = 'Изменён', GID = 1 where ID = 1");
    other.commit();
    ds.first();
    ds.refreshCurrent();
    EXPECT_EQ(ds.fieldValue("FIO").toString(), "Изменён");
    EXPECT_EQ(ds.fieldValue("GNAME").toString(), "Группа 1");

    // A generated insert, refreshed after post (the join column is filled by the refresh).
    ds.append();
    ds.setFieldValue("ID", 1000);
    ds.setFieldValue("FIO", QString("Новый"));
    ds.post();
    EXPECT_EQ(ds.rowCount(), 4);
    EXPECT_EQ(ds.fieldValue("ID").toInt(), 1000);
    EXPECT_TRUE(ds.fieldValue("GNAME").isNull());

    ds.first();
    ds.deleteCurrent();
    EXPECT_EQ(ds.rowCount(), 3);
    EXPECT_EQ(fb::Query::scalar(tr, "select count(*) from S where ID = 1").toInt(), 0);

    // A row deleted by someone else leaves the data set on refresh.
    tr.commitRetaining();
    fb::Query::run(other, "delete from S where ID = 2");
    other.commit();
    ds.first();
    ASSERT_EQ(ds.fieldValue("ID").toInt(), 2);
    ds.refreshCurrent();
    EXPECT_EQ(ds.rowCount(), 2);
}

TEST_F(DataSetTest, FailedPostKeepsTheEditAndTheRow)
{
    fb::Transaction tr(db.database());
    fb::DataSet ds(tr);
    ds.setSelectSql("select ID, FIO from S where ID in (1, 2) order by ID");
    ds.setUpdateTable("S", {"ID"});
    ds.open();
    ds.edit();
    ds.setFieldValue("ID", 2); // duplicate key
    EXPECT_THROW(ds.post(), fb::Error);
    EXPECT_EQ(ds.state(), fb::DataSet::State::Edit);
    ds.cancel();
    EXPECT_EQ(ds.fieldValue("ID").toInt(), 1);
}

TEST_F(DataSetTest, ClientFilterAndSort)
{
    fb::Transaction tr(db.database());
    fb::DataSet ds(tr);
    ds.setSelectSql("select ID, FIO, SCORE from S where ID <= 10");
    ds.open();
    ds.setFilter([](const fb::DataSet::RowRef &r) { return r.value("SCORE").toDouble() >= 5; });
    ds.fetchAll(); // rows fetched later follow the filter
    EXPECT_EQ(ds.rowCount(), 5);
    ds.setSort({{"SCORE", false}, {"ID", true}});
    QList<int> ids;
    for (int r = 0; r < ds.rowCount(); ++r)
        ids << ds.value(r, "ID").toInt();
    EXPECT_EQ(ids, QList<int>({9, 8, 7, 6, 5}));
    ds.setFilter(nullptr);
    ds.setSort({{"FIO", true}});
    // Case-insensitive: "андреева" sorts beside "Андреев".
    EXPECT_TRUE(ds.value(0, "FIO").toString().startsWith("Андреев"));
    EXPECT_TRUE(ds.value(2, "FIO").toString().startsWith("андреева"));
    EXPECT_EQ(ds.rowCount(), 10);
}

struct CountCase
{
    const char *select;
    QVariantHash params;
};

class CountSelect : public DataSetTest, public ::testing::WithParamInterface<CountCase>
{};

TEST_P(CountSelect, CountsWhatTheSelectReturns)
{
    fb::Transaction tr(db.database());
    const QString sql = GetParam().select;
    fb::Query q(tr, sql);
    for (auto it = GetParam().params.begin(); it != GetParam().params.end(); ++it)
        q.setParam(it.key(), it.value());
    q.execute();
    qint64 rows = 0;
    while (q.next())
        ++rows;
    EXPECT_EQ(fb::CountTransform::count(tr, sql, GetParam().params), rows)
            << fb::CountTransform::countSelect(sql).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
        Cases,
        CountSelect,
        ::testing::Values(
                CountCase{"select S.ID, G.GID, S.FIO from S inner join GRP G on G.GID = S.GID "
                          "where S.ID > ?A order by S.FIO",
                          {{"A", 20}}},
                CountCase{
                        "select G.GID, count(*) from S join GRP G on G.GID = S.GID group by G.GID "
                        "order by 2 desc",
                        {}},
                CountCase{"select distinct GID from S", {}},
                CountCase{"select first 7 ID from S order by ID", {}},
                CountCase{"select ID from S where ID < 5 union all select GID from GRP order by 1",
                          {}},
                CountCase{"with X as (select ID from S where ID < 10) select * from X order by ID",
                          {}},
                CountCase{"select ID, (select count(*) from GRP where GID = ?G) as N from S "
                          "where FIO like 'А%' order by ID rows 1 to 3",
                          {{"G", 1}}},
                CountCase{"select ID from S where FIO = 'order by'  -- order by\n", {}}));

TEST_F(DataSetTest, ModelShowsTheFirstScreenWithoutFetchingEverything)
{
    fb::Transaction tr(db.database());
    fb::DataSet ds(tr);
    ds.setSelectSql("select ID, FIO from S order by ID");
    ds.open();
    fb::DataSetModel model(&ds);
    model.setChunkSize(40);
    EXPECT_EQ(model.columnCount(), 2);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "FIO");
    while (model.rowCount() < 40 && model.canFetchMore())
        model.fetchMore();
    EXPECT_EQ(model.data(model.index(39, 0)).toInt(), 40);
    EXPECT_LT(ds.fetchedCount(), 100);
    while (model.canFetchMore())
        model.fetchMore();
    EXPECT_EQ(model.rowCount(), 200);
    model.sort(0, Qt::DescendingOrder);
    EXPECT_EQ(model.data(model.index(0, 0)).toInt(), 200);
}
