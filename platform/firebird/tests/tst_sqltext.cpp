// Reading SQL text: named parameters, macros and script statements must never be found
// inside string literals, quoted identifiers or comments.

#include <scriptrunner.h>
#include <sqltext.h>

#include <gtest/gtest.h>

using fb::SqlText;

struct ParamCase
{
    const char *sql;
    const char *expectedSql;
    QStringList names;
};

class ParseParams : public ::testing::TestWithParam<ParamCase>
{};

TEST_P(ParseParams, TurnsNamesIntoPositions)
{
    const ParamCase &c = GetParam();
    const SqlText::Params parsed = SqlText::parseParams(QString::fromUtf8(c.sql));
    EXPECT_EQ(parsed.sql, QString::fromUtf8(c.expectedSql));
    EXPECT_EQ(parsed.names, c.names);
}

INSTANTIATE_TEST_SUITE_P(
        Cases,
        ParseParams,
        ::testing::Values(ParamCase{"select * from T where A = ?A and B = :b",
                                    "select * from T where A = ? and B = ?",
                                    {"A", "B"}},
                          // One name used twice is one parameter set once, bound at two positions.
                          ParamCase{"update T set X = :ID where ID = ?ID",
                                    "update T set X = ? where ID = ?",
                                    {"ID", "ID"}},
                          ParamCase{"select '?X', ':Y', \"?Z\" from T where A = ?A",
                                    "select '?X', ':Y', \"?Z\" from T where A = ?",
                                    {"A"}},
                          ParamCase{"select 'it''s ?X' from T -- ?C\n/* :D */ where A = ?",
                                    "select 'it''s ?X' from T -- ?C\n/* :D */ where A = ?",
                                    {""}},
                          ParamCase{"insert into T(A) values (?NEW_A)",
                                    "insert into T(A) values (?)",
                                    {"NEW_A"}},
                          ParamCase{"select ?Имя from T", "select ? from T", {"ИМЯ"}}));

struct MacroCase
{
    const char *sql;
    QHash<QString, QString> values;
    const char *expected;
};

class ExpandMacros : public ::testing::TestWithParam<MacroCase>
{};

TEST_P(ExpandMacros, ReplacesByValueOrDefault)
{
    const MacroCase &c = GetParam();
    EXPECT_EQ(SqlText::expandMacros(QString::fromUtf8(c.sql), c.values),
              QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
        Cases,
        ExpandMacros,
        ::testing::Values(
                // The register's select: every macro at its default.
                MacroCase{"select * from S\r\n@Access%  WHERE (S.ARCHIVE = @@ARCH%0@) and "
                          "(@@Filter%1=1@)",
                          {},
                          "select * from S\r\n  WHERE (S.ARCHIVE = 0) and (1=1)"},
                MacroCase{"select * from S\r\n@Access%  WHERE (S.ARCHIVE = @@ARCH%0@) and "
                          "(@@Filter%1=1@)",
                          {{"ACCESS", "inner join V on (V.X = S.OWNER) "},
                           {"ARCH", "1"},
                           {"FILTER", "S.FIO like 'А%'"}},
                          "select * from S\r\ninner join V on (V.X = S.OWNER)   WHERE (S.ARCHIVE = "
                          "1) and "
                          "(S.FIO like 'А%')"},
                MacroCase{"SELECT A FROM VW SEC @Passwd%", {}, "SELECT A FROM VW SEC "},
                MacroCase{"SELECT A FROM VW SEC @Passwd%",
                          {{"PASSWD", "where SEC.PASSWD = 'MTIz'"}},
                          "SELECT A FROM VW SEC where SEC.PASSWD = 'MTIz'"},
                MacroCase{"update T set A = 1 where ID in ( @IDS%0 )",
                          {{"IDS", "1,2"}},
                          "update T set A = 1 where ID in ( 1,2 )"},
                MacroCase{"from @@Table@ HS @@Joins@ where 1=1",
                          {{"TABLE", "HS_FIO"}},
                          "from HS_FIO HS  where 1=1"},
                MacroCase{"select @Fields%S.ID@, 'mail@host' from T",
                          {},
                          "select S.ID, 'mail@host' from T"}));

TEST(SqlText, MacroNamesAndDefaults)
{
    const QString sql = QStringLiteral("@A%x @@B%1=1@ /* @C */ @A%y");
    EXPECT_EQ(SqlText::macroNames(sql), QStringList({"A", "B"}));
    EXPECT_EQ(SqlText::macroDefaults(sql).value("B"), "1=1");
}

TEST(ScriptSplit, SetTermCommentsAndLines)
{
    const QString script = QStringLiteral("-- heading; not a statement\n"
                                          "create table T (A integer);\n"
                                          "/* a comment; with a terminator */\n"
                                          "SET TERM ^ ;\n"
                                          "create procedure P as\n"
                                          "begin\n"
                                          "  insert into T values (1);\n"
                                          "end^\n"
                                          "SET TERM ; ^\n"
                                          "insert into T values (';');\n"
                                          "commit");
    const auto statements = fb::ScriptRunner::split(script);
    ASSERT_EQ(statements.size(), 4u);
    EXPECT_EQ(statements[0].text, "create table T (A integer)");
    EXPECT_EQ(statements[0].line, 2);
    EXPECT_TRUE(statements[1].text.startsWith("create procedure P as"));
    EXPECT_TRUE(statements[1].text.endsWith("end"));
    EXPECT_EQ(statements[1].line, 5);
    EXPECT_EQ(statements[2].text, "insert into T values (';')");
    EXPECT_EQ(statements[2].line, 10);
    EXPECT_EQ(statements[3].text, "commit");
    EXPECT_EQ(statements[3].line, 11);
}
