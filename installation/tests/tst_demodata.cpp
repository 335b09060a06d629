// Demo data: the number of students asked for, each with a consistent history, and the same
// rows again for the same seed.

#include "installationfixture.h"

#include <query.h>
#include <transaction.h>

#include <QCryptographicHash>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const char *const tables[] = {"STUDENTS",
                              "HS_MOVEMENT",
                              "HS_FIO",
                              "HS_DEPARTMENT",
                              "HS_SPECIALITY",
                              "HS_COURSE",
                              "HS_GROUPNUM",
                              "HS_EDUFORM",
                              "HS_EDUBASIS",
                              "HS_STATUS"};

// A digest of every row of the student tables, in key order.
QByteArray digest(fb::Database &db)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    fb::Transaction tr(db);
    for (const char *table : tables) {
        const QString order = QString::fromLatin1(table) == u"STUDENTS"_s
                                      ? u"STUDENTID"_s
                                      : u"STUDENTID, BEGINDATE"_s;
        fb::Query q(tr, u"select * from %1 order by %2"_s.arg(QString::fromLatin1(table), order));
        q.execute();
        while (q.next()) {
            for (int i = 0; i < q.fieldCount(); ++i)
                hash.addData(q.value(i).toString().toUtf8() + '\x1f');
            hash.addData("\n");
        }
    }
    tr.commit();
    return hash.result();
}

std::unique_ptr<fb::Database> demo(InstallationFixture &fixture, const QString &name, quint64 seed)
{
    InstallOptions o = fixture.options(name);
    o.demo.students = 400;
    o.demo.seed = seed;
    o.demo.year = 2025;
    return fixture.install(o);
}

} // namespace

TEST(DemoData, EveryStudentHasAConsistentHistory)
{
    InstallationFixture fixture;
    const auto db = demo(fixture, u"demo.fdb"_s, 7);
    fb::Transaction tr(*db);
    auto count = [&](const QString &sql) { return fb::Query::scalar(tr, sql).toInt(); };

    EXPECT_EQ(count(u"select count(*) from STUDENTS"_s), 400);
    for (const char *table : tables) {
        SCOPED_TRACE(table);
        EXPECT_EQ(count(u"select count(*) from STUDENTS S where not exists (select 1 from %1 H "
                        "where H.STUDENTID = S.STUDENTID)"_s.arg(QString::fromLatin1(table))),
                  0);
    }
    // The register's columns hold the newest value of each history.
    const QString newest = u"select count(*) from STUDENTS S join %1 H on H.STUDENTID = "
                           "S.STUDENTID and H.BEGINDATE = (select max(BEGINDATE) from %1 M "
                           "where M.STUDENTID = S.STUDENTID) where H.%2 is distinct from S.%2"_s;
    const std::pair<const char *, const char *> columns[] = {{"HS_COURSE", "COURSE"},
                                                             {"HS_GROUPNUM", "GROUPNUM"},
                                                             {"HS_STATUS", "STATUSID"},
                                                             {"HS_EDUBASIS", "EDUBASISID"},
                                                             {"HS_FIO", "FIO"},
                                                             {"HS_SPECIALITY", "SPECIALITYID"},
                                                             {"HS_EDUFORM", "EDUFORMID"},
                                                             {"HS_DEPARTMENT", "DEPARTMENTID"}};
    for (const auto &[table, column] : columns) {
        SCOPED_TRACE(table);
        EXPECT_EQ(count(newest.arg(QString::fromLatin1(table), QString::fromLatin1(column))), 0);
    }
    // Both sexes, patronymics, the archive holds the expelled and the graduates.
    EXPECT_GT(count(u"select count(*) from STUDENTS where SEX = 'М'"_s), 0);
    EXPECT_GT(count(u"select count(*) from STUDENTS where SEX = 'Ж'"_s), 0);
    EXPECT_EQ(count(u"select count(*) from STUDENTS where MIDDLENAME is null"_s), 0);
    EXPECT_EQ(
            count(u"select count(*) from STUDENTS where ARCHIVE = 1 and STATUSID not in (4, 5)"_s),
            0);
    EXPECT_EQ(count(u"select count(distinct RECORDBOOKNUM) from STUDENTS"_s), 400);
    // Nothing in the future of the described year's autumn.
    EXPECT_EQ(count(u"select count(*) from HS_MOVEMENT where BEGINDATE > DATE '2025-09-01'"_s), 0);
    EXPECT_EQ(count(u"select count(*) from PARAMETERS where PARAMETERVALUE is null"_s), 0);
}

TEST(DemoData, SameSeedGivesTheSameRows)
{
    InstallationFixture fixture;
    const QByteArray first = digest(*demo(fixture, u"a.fdb"_s, 42));
    EXPECT_EQ(digest(*demo(fixture, u"b.fdb"_s, 42)), first);
    EXPECT_NE(digest(*demo(fixture, u"c.fdb"_s, 43)), first);
}
