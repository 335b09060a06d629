// The schema against the statements the client runs: a user who is not SYSDBA, connected
// with the role VELMOR_OPERATOR as every login is, must be able to run each of them, and the
// triggers must fill what the client leaves to the database.

#include "installationfixture.h"

#include <error.h>
#include <query.h>
#include <transaction.h>

#include <QDateTime>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A client statement with its parameters.
struct ClientStatement
{
    const char *what;
    QString sql;
    QVariantHash params;
};

} // namespace

class OperatorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        InstallOptions o = fixture.options();
        file = o.database;
        auto admin = fixture.install(o);
        // What the options module does for a new user: his row and the grant of the role.
        fb::Transaction tr(*admin);
        for (const char *name : {"IVANOV", "PETROV"}) {
            const QVariant ugid = fb::Query::scalar(
                    tr, u"select GEN_ID(GEN_SEC_USERSGROUPS_ID, 1) from RDB$DATABASE"_s);
            fb::Query::run(tr,
                           u"insert into SEC_USERSGROUPS (UGID, UGNAME, RTYPE, FIO, PASSWD) "
                           "values (?UGID, ?UGNAME, 'U', ?UGNAME, 'c2VjcmV0')"_s,
                           {{u"UGID"_s, ugid}, {u"UGNAME"_s, QString::fromLatin1(name)}});
            fb::Query::run(tr, u"grant VELMOR_OPERATOR to \"%1\""_s.arg(QString::fromLatin1(name)));
        }
        fb::Query::run(tr,
                       u"insert into STUDENTS (STUDENTID, LASTNAME, FIRSTNAME, OWNER) "
                       "values (900, 'Петрова', 'Анна', 'PETROV')"_s);
        tr.commit();
        admin->disconnect();
        db = fixture.connect(file, u"ivanov"_s, u"velmor_operator"_s);
    }

    QVariant scalar(const QString &sql, const QVariantHash &params = {})
    {
        fb::Transaction tr(*db);
        const QVariant value = fb::Query::scalar(tr, sql, params);
        tr.commit();
        return value;
    }

    InstallationFixture fixture;
    QString file;
    std::unique_ptr<fb::Database> db;
};

TEST_F(OperatorTest, LoginRightsJournalAndUpdatesRunAsOperator)
{
    fb::Transaction tr(*db);
    ASSERT_EQ(
            fb::Query::scalar(tr, u"select CURRENT_ROLE from RDB$DATABASE"_s).toString().trimmed(),
            u"VELMOR_OPERATOR"_s);
    const qint64 journalId
            = fb::Query::scalar(tr, u"select GEN_ID(GEN_JOURNAL_ID,1) from RDB$DATABASE"_s)
                      .toLongLong();
    const qint64 actionId
            = fb::Query::scalar(tr, u"select GEN_ID(GEN_JOURNAL_ID, 1) from RDB$DATABASE"_s)
                      .toLongLong();
    const ClientStatement statements[] = {
            {"user record, personal mode",
             u"SELECT SEC.UGID, SEC.UGNAME, SEC.SETTINGS, SEC.COLORSETTINGS, SEC.OPTIONS FROM "
             "VW_SEC_USERSGROUPS SEC where SEC.PASSWD = 'c2VjcmV0'"_s,
             {}},
            {"rights", u"SELECT RTYPE, RIGHTS FROM VW_SEC_CURUSERANDGROUPS ORDER BY RTYPE"_s, {}},
            {"parameters", u"SELECT PARAMETERNAME, PARAMETERVALUE FROM PARAMETERS"_s, {}},
            {"journal login",
             u"insert into JOURNAL(JOURNALID) values (?JOURNALID)"_s,
             {{u"JOURNALID"_s, journalId}}},
            {"journal action",
             u"insert into JOURNAL_ACTIONS(ID, PARENTID, ACTIONTIME, MODULENAME, ACTIONTYPE, "
             "ACTIONINFO) values (:ID, :PARENTID, :ACTIONTIME, :MODULENAME, :ACTIONTYPE, "
             ":ACTIONINFO)"_s,
             {{u"ID"_s, actionId},
              {u"PARENTID"_s, journalId},
              {u"ACTIONTIME"_s, QDateTime::currentDateTime()},
              {u"MODULENAME"_s, u"Список"_s},
              {u"ACTIONTYPE"_s, u"-"_s},
              {u"ACTIONINFO"_s, u"Удаление студентов"_s}}},
            {"journal logout",
             u"update JOURNAL set ENDTIME = ?ENDTIME where JOURNALID = ?JOURNALID"_s,
             {{u"ENDTIME"_s, QDateTime::currentDateTime()}, {u"JOURNALID"_s, journalId}}},
            {"settings stored at logout",
             u"UPDATE VW_SEC_USERSGROUPS SET SETTINGS = ?SETTINGS WHERE UGID = ?UGID"_s,
             {{u"SETTINGS"_s, QByteArray("<Props/>")},
              {u"UGID"_s, fb::Query::scalar(tr, u"select UGID from VW_SEC_USERSGROUPS"_s)}}},
            {"newest client build",
             u"select first 1 UPD_BUILD, UPD_VERSION from CLIENT_UPDATES order by UPD_BUILD desc"_s,
             {}},
            {"newer updater",
             u"select first 1 UPD_FILE, UPD_VERSION, UPD_ISUPDATER from CLIENT_UPDATES where "
             "UPD_BUILD > ?CurBuild order by UPD_BUILD"_s,
             {{u"CurBuild"_s, 1}}},
            {"new key", u"select ID from SP_GEN_UID"_s, {}},
    };
    for (const ClientStatement &s : statements) {
        SCOPED_TRACE(s.what);
        EXPECT_NO_THROW(fb::Query::run(tr, s.sql, s.params));
    }
    tr.commit();

    EXPECT_EQ(scalar(u"SELECT UGNAME FROM VW_SEC_USERSGROUPS"_s).toString().trimmed(), u"IVANOV"_s);
    // The login writes only the key; the database fills who and when.
    EXPECT_EQ(
            scalar(u"select USERNAME from JOURNAL where JOURNALID = ?ID"_s, {{u"ID"_s, journalId}})
                    .toString()
                    .trimmed(),
            u"IVANOV"_s);
    EXPECT_FALSE(
            scalar(u"select STARTTIME from JOURNAL where JOURNALID = ?ID"_s, {{u"ID"_s, journalId}})
                    .isNull());
    EXPECT_EQ(scalar(u"select count(*) from PARAMETERS"_s).toInt(), 7);
    // Another user's row cannot be reached through the view.
    EXPECT_EQ(scalar(u"select count(*) from VW_SEC_USERSGROUPS where UGNAME = 'PETROV'"_s).toInt(),
              0);
}

TEST_F(OperatorTest, RegisterStatementsSeeOnlyAccessibleStudents)
{
    fb::Transaction card(*db);
    // The card inserts every column, leaving NULL what the user did not fill.
    const qint64 id = fb::Query::scalar(card, u"select ID from SP_GEN_UID"_s).toLongLong();
    fb::Query::run(card,
                   u"insert into STUDENTS (STUDENTID, LASTNAME, FIRSTNAME, MIDDLENAME, FIO, OWNER, "
                   "ARCHIVE, PHOTO) values (?STUDENTID, ?LASTNAME, ?FIRSTNAME, ?MIDDLENAME, "
                   "?FIO, ?OWNER, ?ARCHIVE, ?PHOTO)"_s,
                   {{u"STUDENTID"_s, id},
                    {u"LASTNAME"_s, u"Иванова"_s},
                    {u"FIRSTNAME"_s, u"Мария"_s},
                    {u"MIDDLENAME"_s, u"Петровна"_s},
                    {u"FIO"_s, QVariant()},
                    {u"OWNER"_s, QVariant()},
                    {u"ARCHIVE"_s, QVariant()},
                    {u"PHOTO"_s, QVariant()}});
    card.commit();

    const QString sql = u"select S.STUDENTID, S.FIO, S.GROUPNUM from STUDENTS S"_s;
    const QString access = u"inner join VW_USERACCESS VWUA on (VWUA.UGNAME = S.OWNER) "_s;
    const QString list = sql + u"\r\n"_s + access + u" WHERE (S.ARCHIVE = 0) and (1=1)"_s;
    const QString refresh = sql + u"\r\nwhere S.STUDENTID = ?STUDENTID"_s;

    fb::Transaction tr(*db);
    fb::Query q(tr, list);
    q.execute();
    QList<qint64> seen;
    while (q.next())
        seen << q.value(0).toLongLong();
    // His own new student, not PETROV's.
    EXPECT_EQ(seen, QList<qint64>{id});
    EXPECT_EQ(fb::Query::scalar(tr, refresh, {{u"STUDENTID"_s, id}}).toLongLong(), id);
    EXPECT_EQ(fb::Query::scalar(tr,
                                u"select FIO from STUDENTS where STUDENTID = ?STUDENTID"_s,
                                {{u"STUDENTID"_s, id}})
                      .toString(),
              u"Иванова Мария Петровна"_s);

    // The selection, archive and deletion of the register, in its own transaction.
    EXPECT_NO_THROW(fb::Query::run(
            tr, u"insert into SELECTEDIDS(SELID) values(?STUDENTID)"_s, {{u"STUDENTID"_s, id}}));
    EXPECT_EQ(fb::Query::scalar(tr,
                                u"select count(*) from SELECTEDIDS where TRANID = "
                                "CURRENT_TRANSACTION and SELID = ?ID"_s,
                                {{u"ID"_s, id}})
                      .toInt(),
              1);
    EXPECT_EQ(fb::Query::run(tr,
                             u"update STUDENTS set ARCHIVE = ?ARCH where STUDENTID = ?StudentID"_s,
                             {{u"ARCH"_s, 1}, {u"StudentID"_s, id}}),
              1);
    EXPECT_EQ(fb::Query::run(tr,
                             u"insert into HS_COURSE (STUDENTID, BEGINDATE, COURSE) values "
                             "(?ID, DATE '1900-01-01', 1)"_s,
                             {{u"ID"_s, id}}),
              1);
    EXPECT_EQ(fb::Query::run(tr,
                             u"delete from STUDENTS where STUDENTID = ?OLD_STUDENTID"_s,
                             {{u"OLD_STUDENTID"_s, id}}),
              1);
    tr.commit();
    // The selection lives only as long as its transaction; the history went with the student.
    EXPECT_EQ(scalar(u"select count(*) from SELECTEDIDS"_s).toInt(), 0);
    EXPECT_EQ(scalar(u"select count(*) from HS_COURSE where STUDENTID = ?ID"_s, {{u"ID"_s, id}})
                      .toInt(),
              0);
}

TEST_F(OperatorTest, StudentNamesStayInStep)
{
    struct Case
    {
        const char *what;
        QString statement; // run on student 900 "Петрова Анна"
        QString fio, lastName, firstName, middleName;
    };
    const Case cases[] = {
            {"surname edited alone renews the full name",
             u"update STUDENTS set LASTNAME = 'Сидорова' where STUDENTID = 900"_s,
             u"Сидорова Анна"_s,
             u"Сидорова"_s,
             u"Анна"_s,
             QString()},
            {"full name edited alone renews the parts",
             u"update STUDENTS set FIO = 'Кузнецова Анна Ивановна' where STUDENTID = 900"_s,
             u"Кузнецова Анна Ивановна"_s,
             u"Кузнецова"_s,
             u"Анна"_s,
             u"Ивановна"_s},
            {"a NULL full name from a card keeps the old one",
             u"update STUDENTS set FIO = NULL where STUDENTID = 900"_s,
             u"Кузнецова Анна Ивановна"_s,
             u"Кузнецова"_s,
             u"Анна"_s,
             u"Ивановна"_s},
            {"a multi-edit of another column changes no name",
             u"update STUDENTS set COURSE = 2, OWNER = NULL where STUDENTID in (900)"_s,
             u"Кузнецова Анна Ивановна"_s,
             u"Кузнецова"_s,
             u"Анна"_s,
             u"Ивановна"_s},
    };
    const auto admin = fixture.connect(file, u"SYSDBA"_s);
    fb::Transaction tr(*admin);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        fb::Query::run(tr, c.statement);
        fb::Query q(tr,
                    u"select FIO, LASTNAME, FIRSTNAME, MIDDLENAME, OWNER from STUDENTS "
                    "where STUDENTID = 900"_s);
        q.execute();
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toString(), c.fio);
        EXPECT_EQ(q.value(1).toString(), c.lastName);
        EXPECT_EQ(q.value(2).toString(), c.firstName);
        EXPECT_EQ(q.value(3).toString(), c.middleName);
        // Clearing the owner would hide the student from everybody but SYSDBA.
        EXPECT_EQ(q.value(4).toString(), u"PETROV"_s);
    }
    // The card splits multiple names at "#", so a name never holds one.
    EXPECT_THROW(fb::Query::run(tr, u"update STUDENTS set FIO = 'A#B' where STUDENTID = 900"_s),
                 fb::Error);
}

TEST_F(OperatorTest, HistoryKeysRefuseDuplicates)
{
    struct Case
    {
        const char *what;
        QString second;
        qint64 error; // the engine's code, 0 when the row is accepted
    };
    const QString first = u"insert into HS_MOVEMENT (STUDENTID, BEGINDATE, ORDERID, MOVEMENTID) "
                          "values (900, DATE '2024-09-01', 77, 1)"_s;
    const Case cases[] = {
            // The history window catches exactly this code: the key is a constraint.
            {"same student and date",
             u"insert into HS_MOVEMENT (STUDENTID, BEGINDATE, MOVEMENTID) values (900, DATE "
             "'2024-09-01', 3)"_s,
             335544665},
            {"same order twice for the student",
             u"insert into HS_MOVEMENT (STUDENTID, BEGINDATE, ORDERID, MOVEMENTID) values (900, "
             "DATE '2025-09-01', 77, 3)"_s,
             335544349},
            {"rows entered by hand have no order, any number of them",
             u"insert into HS_MOVEMENT (STUDENTID, BEGINDATE, MOVEMENTID) values (900, DATE "
             "'2025-02-01', 6)"_s,
             0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        fb::Transaction tr(*db);
        fb::Query::run(tr, first);
        fb::Query::run(tr,
                       u"insert into HS_MOVEMENT (STUDENTID, BEGINDATE, MOVEMENTID) values "
                       "(900, DATE '2023-02-01', 6)"_s);
        try {
            fb::Query::run(tr, c.second);
            EXPECT_EQ(c.error, 0) << "accepted";
        } catch (const fb::Error &e) {
            EXPECT_EQ(e.gdsCode(), c.error) << e.message().toStdString();
        }
        tr.rollback();
    }
}
