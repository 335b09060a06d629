// Connections, transactions and statements against real embedded databases.

#include <error.h>
#include <query.h>
#include <testdatabase.h>
#include <transaction.h>

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
    db->disconnect();
    EXPECT_FALSE(db->isConnected());
    db->connect();
    EXPECT_TRUE(db->isConnected());
}

TEST(Query, InsertAndSelectByName)
{
    fb::TestDatabase db;
    db.run("create table T (ID integer not null primary key, NAME varchar(20))");
    fb::Transaction tr(db.database());
    fb::Query ins(tr, "insert into T (ID, NAME) values (:ID, :NAME)");
    for (int i = 1; i <= 3; ++i) {
        ins.setParam("ID", i);
        ins.setParam("NAME", QStringLiteral("Студент %1").arg(i));
        ins.execute();
        EXPECT_EQ(ins.rowsAffected(), 1);
    }
    fb::Query sel(tr, "select ID, NAME from T where ID >= ?FROM order by ID");
    sel.setParam("FROM", 2);
    sel.execute();
    ASSERT_TRUE(sel.next());
    EXPECT_EQ(sel.value("ID").toInt(), 2);
    EXPECT_EQ(sel.value("name").toString(), QStringLiteral("Студент 2"));
    ASSERT_TRUE(sel.next());
    EXPECT_FALSE(sel.next());
    tr.commit();
}
