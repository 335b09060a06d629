// Transactions on one connection, adoption of a transaction by its integer handle, and the
// end action of transactions nobody ended.

#include <error.h>
#include <query.h>
#include <testdatabase.h>
#include <transaction.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace {

int countRows(fb::Transaction &tr)
{
    return fb::Query::scalar(tr, "select count(*) from T").toInt();
}

class TransactionTest : public ::testing::Test
{
protected:
    void SetUp() override { db.run("create table T (ID integer not null primary key)"); }
    fb::TestDatabase db;
};

} // namespace

TEST_F(TransactionTest, TwoTransactionsSeeOnlyTheirOwnRowsUntilCommitRetaining)
{
    fb::Transaction a(db.database());
    fb::Transaction b(db.database());
    fb::Query::run(a, "insert into T values (1)");
    fb::Query::run(b, "insert into T values (2)");
    EXPECT_EQ(countRows(a), 1);
    EXPECT_EQ(countRows(b), 1);
    const int handle = a.handle();
    a.commitRetaining();
    EXPECT_TRUE(a.isActive());
    EXPECT_EQ(a.handle(), handle); // retaining keeps the same transaction
    EXPECT_EQ(countRows(b), 2);    // read committed sees a's row now
    b.rollback();
    EXPECT_FALSE(b.isActive());
    EXPECT_EQ(countRows(a), 1);
}

TEST_F(TransactionTest, SnapshotDoesNotSeeLaterCommits)
{
    fb::Transaction snapshot(db.database());
    snapshot.setSnapshot(true);
    snapshot.start();
    EXPECT_EQ(countRows(snapshot), 0);
    fb::Transaction writer(db.database());
    fb::Query::run(writer, "insert into T values (1)");
    writer.commit();
    EXPECT_EQ(countRows(snapshot), 0);
}

TEST_F(TransactionTest, AdoptedTransactionWritesIntoTheOwnersWorkAndNeverEndsIt)
{
    fb::Transaction owner(db.database());
    owner.start();
    {
        fb::Transaction adopted(db.database(), fb::Transaction::AdoptHandle, owner.handle());
        EXPECT_TRUE(adopted.isAdopted());
        fb::Query::run(adopted, "insert into T values (7)");
        EXPECT_THROW(adopted.commit(), fb::UsageError);
        EXPECT_THROW(adopted.rollback(), fb::UsageError);
    } // destroying the adopter leaves the owner's transaction alone
    ASSERT_TRUE(owner.isActive());
    EXPECT_EQ(countRows(owner), 1);
    owner.rollback(); // the adopted row goes with the owner's rollback
    fb::Transaction check(db.database());
    EXPECT_EQ(countRows(check), 0);
}

TEST_F(TransactionTest, StaleHandleIsAClearError)
{
    fb::Transaction owner(db.database());
    owner.start();
    const int handle = owner.handle();
    fb::Transaction adopted(db.database(), fb::Transaction::AdoptHandle, handle);
    owner.commit();
    // Used after the owner ended: an error, not a crash.
    EXPECT_FALSE(adopted.isActive());
    EXPECT_THROW(fb::Query::run(adopted, "insert into T values (1)"), fb::UsageError);
    // Adopting an ended or unknown handle.
    EXPECT_THROW(fb::Transaction(db.database(), fb::Transaction::AdoptHandle, handle),
                 fb::UsageError);
    EXPECT_THROW(fb::Transaction(db.database(), fb::Transaction::AdoptHandle, 0), fb::UsageError);
}

struct EndActionCase
{
    fb::EndAction action;
    int rowsAfter;
};

class EndActionTest : public TransactionTest, public ::testing::WithParamInterface<EndActionCase>
{};

TEST_P(EndActionTest, OwnerDestroyedWhileActive)
{
    {
        fb::Transaction tr(db.database());
        tr.setEndAction(GetParam().action);
        fb::Query::run(tr, "insert into T values (1)");
    }
    fb::Transaction check(db.database());
    EXPECT_EQ(countRows(check), GetParam().rowsAfter);
}

TEST_P(EndActionTest, IdleTimeout)
{
    fb::Transaction tr(db.database());
    tr.setEndAction(GetParam().action);
    tr.setIdleTimeout(50);
    bool timedOut = false;
    QObject::connect(&tr, &fb::Transaction::timedOut, [&] { timedOut = true; });
    fb::Query::run(tr, "insert into T values (1)");
    QElapsedTimer timer;
    timer.start();
    while (!timedOut && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(timedOut);
    EXPECT_FALSE(tr.isActive());
    fb::Transaction check(db.database());
    EXPECT_EQ(countRows(check), GetParam().rowsAfter);
}

INSTANTIATE_TEST_SUITE_P(Actions,
                         EndActionTest,
                         ::testing::Values(EndActionCase{fb::EndAction::Commit, 1},
                                           EndActionCase{fb::EndAction::Rollback, 0}));

TEST_F(TransactionTest, FailedCommitLeavesTheTransactionUsableForRollback)
{
    // A deferred check fails at commit: the unique constraint is checked per statement, so a
    // commit failure is made with a commit trigger.
    db.run("create exception E_NO 'commit refused';\n"
           "set term ^ ;\n"
           "create trigger TR_COMMIT on transaction commit as\n"
           "begin\n"
           "  if (exists(select * from T where ID = 13)) then exception E_NO;\n"
           "end^\n"
           "set term ; ^");
    fb::Transaction tr(db.database());
    fb::Query::run(tr, "insert into T values (13)");
    EXPECT_THROW(tr.commit(), fb::Error);
    ASSERT_TRUE(tr.isActive());
    tr.rollback();
    EXPECT_FALSE(tr.isActive());
}

TEST_F(TransactionTest, DisconnectEndsOpenTransactionsAndStatementsFailCleanly)
{
    fb::Transaction tr(db.database());
    fb::Query q(tr, "select ID from T");
    q.execute();
    db->disconnect();
    EXPECT_FALSE(tr.isActive());
    EXPECT_THROW(q.execute(), fb::UsageError);
    EXPECT_THROW(tr.start(), fb::UsageError);
}
