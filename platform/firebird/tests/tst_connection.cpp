// Connections and statements against real embedded databases: every column type, named
// parameters, blobs, RETURNING and the errors the engine reports.

#include <error.h>
#include <query.h>
#include <testdatabase.h>
#include <transaction.h>

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <gtest/gtest.h>

TEST(Database, CreatesConnectsAndMeasuresTheClock)
{
    fb::TestDatabase db;
    EXPECT_TRUE(db->isConnected());
    EXPECT_TRUE(db->isEmbedded());
    EXPECT_FALSE(db->serverVersion().isEmpty());
    EXPECT_FALSE(fb::Database::clientVersion().isEmpty());
    // Embedded: the server's clock is ours.
    EXPECT_LT(std::abs(db->clockOffsetMs()), 2000);
    EXPECT_LT(std::abs(db->serverNow().msecsTo(QDateTime::currentDateTime())), 2000);
    fb::Transaction tr(db.database());
    EXPECT_EQ(fb::Query::scalar(tr, "select RDB$CHARACTER_SET_NAME from RDB$DATABASE")
                      .toString()
                      .trimmed(),
              "WIN1251");
    tr.commit();
    db->disconnect();
    EXPECT_FALSE(db->isConnected());
    db->connect();
    EXPECT_TRUE(db->isConnected());
}

TEST(Database, MissingFileIsAnEngineError)
{
    fb::Database db;
    fb::ConnectParams p;
    p.databaseName = "/nonexistent/folder/none.fdb";
    p.userName = "SYSDBA";
    EXPECT_THROW(db.connect(p), fb::Error);
    EXPECT_FALSE(db.isConnected());
}

class QueryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        db.run("create table T (ID integer not null primary key, SM smallint, BI bigint, "
               "DB double precision, NM numeric(15,2), DC decimal(9,3), DT date, TM time, "
               "TS timestamp, CH char(10), VC varchar(20), TB blob sub_type text, "
               "BB blob sub_type binary, BL boolean)");
    }
    fb::TestDatabase db;
};

TEST_F(QueryTest, EveryTypeRoundTripsWithCyrillic)
{
    const QByteArray binary("\x00\x01\xff\xfe binary", 12);
    const QString longText = QString("Длинный текст блоба. ").repeated(5000);
    const QVariantHash values = {
            {"ID", 1},
            {"SM", -12},
            {"BI", Q_INT64_C(9007199254740993)},
            {"DB", 3.25},
            {"NM", 12345.67},
            {"DC", -1.125},
            {"DT", QDate(2006, 12, 31)},
            {"TM", QTime(23, 59, 58, 125)},
            {"TS", QDateTime(QDate(1999, 1, 2), QTime(3, 4, 5, 600))},
            {"CH", QString("Ёж")},
            {"VC", QString("Иванов Пётр")},
            {"TB", longText},
            {"BB", binary},
            {"BL", true},
    };
    fb::Transaction tr(db.database());
    fb::Query ins(tr,
                  "insert into T values (:ID, :SM, :BI, :DB, :NM, :DC, :DT, :TM, :TS, :CH, "
                  ":VC, :TB, :BB, :BL)");
    for (auto it = values.begin(); it != values.end(); ++it)
        ins.setParam(it.key(), it.value());
    ins.execute();
    ins.setParam("ID", 2);
    for (const QString &name : values.keys())
        if (name != "ID")
            ins.setParam(name, QVariant());
    ins.execute();
    tr.commitRetaining();

    fb::Query sel(tr, "select * from T order by ID");
    sel.execute();
    ASSERT_TRUE(sel.next());
    for (auto it = values.begin(); it != values.end(); ++it)
        EXPECT_EQ(sel.value(it.key()), it.value()) << it.key().toStdString();
    EXPECT_EQ(sel.value("BI").typeId(), QMetaType::LongLong);
    ASSERT_TRUE(sel.next());
    for (const QString &name : values.keys())
        if (name != "ID")
            EXPECT_TRUE(sel.value(name).isNull()) << name.toStdString();
    // The bytes stored are windows-1251: the engine's own functions see Cyrillic characters.
    EXPECT_EQ(fb::Query::scalar(tr, "select char_length(VC) from T where ID = 1").toInt(), 11);
    EXPECT_EQ(fb::Query::scalar(tr, "select upper(VC) from T where ID = 1").toString(),
              QString("ИВАНОВ ПЁТР"));
}

TEST_F(QueryTest, TextIsConvertedByTheEngineForOtherTypes)
{
    fb::Transaction tr(db.database());
    fb::Query ins(tr, "insert into T (ID, DT, NM, BL) values (?ID, ?DT, ?NM, ?BL)");
    ins.setParam("ID", QString("5"));
    ins.setParam("DT", QString("2024-02-29"));
    ins.setParam("NM", QString("10.25"));
    ins.setParam("BL", QString("TRUE"));
    ins.execute();
    fb::Query sel(tr, "select ID, DT, NM, BL from T");
    sel.execute();
    ASSERT_TRUE(sel.next());
    EXPECT_EQ(sel.value("ID").toInt(), 5);
    EXPECT_EQ(sel.value("DT").toDate(), QDate(2024, 2, 29));
    EXPECT_DOUBLE_EQ(sel.value("NM").toDouble(), 10.25);
    EXPECT_TRUE(sel.value("BL").toBool());
    sel.close();
    ins.setParam("ID", 6);
    ins.setParam("DT", QString("not a date"));
    EXPECT_THROW(ins.execute(), fb::Error);
}

TEST_F(QueryTest, RepeatedNameAndMarkersInsideLiterals)
{
    fb::Transaction tr(db.database());
    fb::Query::run(tr, "insert into T (ID, VC) values (1, '?X and :Y')");
    fb::Query q(tr,
                "select VC, '?X' as LIT from T /* ?Z */ where ID = :ID and ID <= ?ID + 0 "
                "and \"VC\" = '?X and :Y'");
    EXPECT_EQ(q.paramCount(), 2);
    q.setParam("id", 1); // one call sets both places
    q.execute();
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value("VC").toString(), "?X and :Y");
    EXPECT_EQ(q.value("LIT").toString(), "?X");
    EXPECT_THROW(q.setParam("Z", 1), fb::UsageError);
}

TEST_F(QueryTest, PreparedOnceExecutedManyTimes)
{
    fb::Transaction tr(db.database());
    fb::Query ins(tr, "insert into T (ID, VC) values (?ID, ?VC) returning ID * 10 as TEN");
    for (int i = 1; i <= 50; ++i) {
        ins.setParam("ID", i);
        ins.setParam("VC", QString::number(i));
        ins.execute();
        EXPECT_EQ(ins.value("TEN").toInt(), i * 10);
    }
    EXPECT_EQ(fb::Query::scalar(tr, "select sum(ID) from T").toInt(), 50 * 51 / 2);
    EXPECT_EQ(fb::Query::run(tr, "update T set SM = 1 where ID > 40"), 10);
}

TEST_F(QueryTest, TooLongValueIsTheEnginesErrorNotATruncation)
{
    fb::Transaction tr(db.database());
    fb::Query ins(tr, "insert into T (ID, VC, CH) values (?ID, ?VC, ?CH)");
    ins.setParam("ID", 1);
    ins.setParam("VC", QString("x").repeated(21));
    try {
        ins.execute();
        FAIL() << "a 21-character value went into VARCHAR(20)";
    } catch (const fb::Error &e) {
        EXPECT_TRUE(e.hasGdsCode(335544321)) << e.message().toStdString(); // string truncation
    }
    ins.setParam("VC", QString("Я").repeated(20)); // exactly fits
    ins.setParam("CH", QString("Я").repeated(11));
    EXPECT_THROW(ins.execute(), fb::Error);
    ins.setParam("CH", QString("Я").repeated(10));
    ins.execute();
    EXPECT_EQ(fb::Query::scalar(tr, "select VC from T").toString(), QString("Я").repeated(20));
}

TEST_F(QueryTest, DuplicateKeyAndStatementErrors)
{
    fb::Transaction tr(db.database());
    fb::Query::run(tr, "insert into T (ID) values (1)");
    try {
        fb::Query::run(tr, "insert into T (ID) values (1)");
        FAIL();
    } catch (const fb::Error &e) {
        EXPECT_TRUE(e.isDuplicateKey());
        EXPECT_FALSE(e.isLoginError());
        EXPECT_EQ(e.sqlCode(), -803);
        EXPECT_EQ(e.statement(), "insert into T (ID) values (1)");
    }
    tr.commit();
    db.run("create unique index T_VC on T (VC)");
    fb::Query::run(tr, "update T set VC = 'a'");
    try {
        fb::Query::run(tr, "insert into T (ID, VC) values (2, 'a')");
        FAIL();
    } catch (const fb::Error &e) {
        EXPECT_TRUE(e.isDuplicateKey()) << e.message().toStdString();
    }
    try {
        fb::Query::run(tr, "select NOSUCH from T");
        FAIL();
    } catch (const fb::Error &e) {
        EXPECT_TRUE(e.message().contains("select NOSUCH from T"));
        EXPECT_TRUE(e.message().contains("NOSUCH"));
    }
}

TEST_F(QueryTest, MessagesPassThroughTheTranslator)
{
    fb::Error::setTranslator([](const QString &m) { return "[tr] " + m; });
    fb::Transaction tr(db.database());
    try {
        fb::Query::run(tr, "select NOSUCH from T");
        FAIL();
    } catch (const fb::Error &e) {
        EXPECT_TRUE(e.engineMessage().startsWith("[tr] "));
    }
    fb::Error::setTranslator(nullptr);
}
