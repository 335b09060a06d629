// The script runner against a real database: SET TERM, comments, COMMIT, hooks, and the
// file and line of a failing statement.

#include <error.h>
#include <query.h>
#include <scriptrunner.h>
#include <testdatabase.h>
#include <transaction.h>

#include <QFile>

#include <gtest/gtest.h>

namespace {

const char *script = "SET SQL DIALECT 3;\n"
                     "SET NAMES WIN1251;\n"
                     "/* tables */\n"
                     "create table T (ID integer not null primary key, NAME varchar(20));\n"
                     "create generator GEN_T;\n"
                     "SET TERM ^ ;\n"
                     "create trigger T_BI for T before insert as\n"
                     "begin\n"
                     "  if (new.ID is null) then new.ID = gen_id(GEN_T, 1); -- ; inside\n"
                     "end^\n"
                     "SET TERM ; ^\n"
                     "insert into T (NAME) values ('Первый');\n"
                     "insert into T (ID, NAME) values (1, 'дубль');\n"
                     "insert into T (NAME) values ('Второй');\n"
                     "COMMIT WORK;\n";

} // namespace

TEST(ScriptRunner, RunsWithSetTermAndAnIgnoredError)
{
    fb::TestDatabase db;
    fb::Transaction tr(db.database());
    fb::ScriptRunner runner(tr);
    QStringList before;
    runner.setBeforeStatement([&](const fb::ScriptStatement &s) { before << s.text.left(12); });
    int errorLine = 0;
    runner.setOnError([&](const fb::ScriptStatement &s, const fb::Error &e) {
        errorLine = s.line;
        EXPECT_TRUE(e.isDuplicateKey());
        return fb::ScriptRunner::ErrorAction::Ignore;
    });
    runner.run(script, "schema.sql");
    EXPECT_EQ(errorLine, 13);
    EXPECT_EQ(runner.ignoredErrors(), 1);
    EXPECT_EQ(before.size(), 9);
    EXPECT_FALSE(tr.isActive()); // COMMIT WORK ended it
    fb::Transaction check(db.database());
    EXPECT_EQ(fb::Query::scalar(check,
                                "select list(NAME, ',') from (select NAME from T order "
                                "by ID)")
                      .toString(),
              "Первый,Второй");
}

TEST(ScriptRunner, FailingStatementNamesFileAndLine)
{
    fb::TestDatabase db;
    const QString path = db.folder() + "/broken.sql";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QString("create table T (ID integer);\n\n-- the next one is wrong\n"
                       "insert into NOSUCH values (1);\ninsert into T values (2);\n")
                       .toUtf8());
    file.close();
    fb::Transaction tr(db.database());
    fb::ScriptRunner runner(tr);
    try {
        runner.runFile(path);
        FAIL();
    } catch (const fb::Error &e) {
        EXPECT_TRUE(e.message().startsWith(path + ":4: ")) << e.message().toStdString();
        EXPECT_EQ(e.statement(), "insert into NOSUCH values (1)");
    }
    // Nothing after the failure ran; the caller decides about the transaction.
    EXPECT_EQ(runner.executed(), 1);
    tr.rollback();
}
