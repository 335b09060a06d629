#include <fieldutils.h>
#include <lxerror.h>
#include <lxfields.h>

#include <query.h>
#include <scriptrunner.h>
#include <testdatabase.h>
#include <transaction.h>

#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

const QString realFieldsXml = QStringLiteral(VELMOR_SOURCE_DIR "/installation/options/fields.xml");

// A small repository: a plain field, a list, a lookup with a history, a second field sharing
// the lookup's join, a history field without a column of its own.
const char *const smallRepository = R"xml(<?xml version="1.0" encoding="UTF-8"?>
<Fields>
  <Field Name="STUDENTID" Visible="0"/>
  <Field Name="FIO" GridCaption="ФИО" ControlType="0" Domain="Name" EditMask="&gt;L">
    <History Table="HS_FIO"/>
  </Field>
  <Field Name="SEX" GridCaption="Пол" ControlType="2" Domain="Person" WordWrap="0">
    <Item Value="М">мужской</Item>
    <Item Value="Ж">женский</Item>
  </Field>
  <Field Name="SPECIALITY" GridCaption="Специальность" CardCaption="Специальность студента"
         ControlType="5" Origin="SPECIALITYID" LookupSQL="select SPECIALITYID, SPECIALITY from GUIDE_SPECIALITY"
         Width="25" Domain="Study">
    <History Table="HS_SPECIALITY" ShowFields="SPECIALITY, ORDERNUM"/>
  </Field>
  <Field Name="SPECIALITYCODE" Origin="SPECIALITYID" Domain="Study">
    <History Table="HS_SPECIALITY"/>
  </Field>
  <Field Name="MOVEMENT" ControlType="5" Origin="" KeyField="MOVEMENTID"
         LookupSQL="select MOVEMENTID, MOVEMENT from GUIDE_MOVEMENT">
    <History Table="HS_MOVEMENT"/>
  </Field>
  <FieldSet Name="StudentList">
    <Select Field="STUDENTID"/>
    <Select Field="FIO"/>
    <Select Field="SEX"/>
    <Select Field="SPECIALITY" Expr="GSP.SPECIALITY"
            Join="left join GUIDE_SPECIALITY GSP on (GSP.SPECIALITYID = {KEY})"/>
    <Select Field="SPECIALITYCODE" Expr="GSP.CODE"
            Join="left join GUIDE_SPECIALITY GSP on (GSP.SPECIALITYID = {KEY})"/>
    <Select Field="MOVEMENT" Expr="GMV.MOVEMENT"
            Join="left join GUIDE_MOVEMENT GMV on (GMV.MOVEMENTID = {KEY})"/>
  </FieldSet>
</Fields>
)xml";

class FieldsTest : public testing::Test
{
protected:
    QString write(const QString &name, const QByteArray &content)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            throw std::runtime_error("fixture not written");
        return path;
    }

    QTemporaryDir dir;
};

TEST_F(FieldsTest, DefinitionsAreReadWithTheirDefaults)
{
    TLxFields fields(write(QStringLiteral("fields.xml"), smallRepository));

    EXPECT_EQ(fields.FN(QStringLiteral("NOSUCHFIELD")), nullptr);
    EXPECT_THROW(fields.FBN(QStringLiteral("NOSUCHFIELD")), LxError);
    ASSERT_NE(fields.FN(QStringLiteral("fio")), nullptr) << "names are case-insensitive";

    const TLxField &fio = fields.FBN(QStringLiteral("FIO"));
    EXPECT_EQ(fio.GetFieldOrigin(), QStringLiteral("FIO"));
    EXPECT_EQ(fio.GetCardCaption(), QStringLiteral("ФИО"));
    EXPECT_TRUE(fio.GetIsHistory());
    EXPECT_EQ(fio.GetHistoryShowFields(), QStringList{QStringLiteral("FIO")});
    EXPECT_EQ(fio.GetAttribute(QStringLiteral("EditMask")), QStringLiteral(">L"));
    EXPECT_EQ(fio.GetAttribute(QStringLiteral("WordWrap"), QStringLiteral("1")),
              QStringLiteral("1"));

    const TLxField &speciality = fields.FBN(QStringLiteral("SPECIALITY"));
    EXPECT_EQ(speciality.GetControlType() & 0x7f, ctLookup);
    EXPECT_EQ(speciality.GetKeyFieldName(), QStringLiteral("SPECIALITYID"));
    EXPECT_EQ(speciality.GetHistoryShowFields(),
              (QStringList{QStringLiteral("SPECIALITY"), QStringLiteral("ORDERNUM")}));
    EXPECT_EQ(speciality.GetWidth(), 25);

    QStringList items, values;
    fields.FBN(QStringLiteral("SEX")).FillComboItems(items, values);
    EXPECT_EQ(items, (QStringList{QStringLiteral("мужской"), QStringLiteral("женский")}));
    EXPECT_EQ(values, (QStringList{QStringLiteral("М"), QStringLiteral("Ж")}));
    EXPECT_FALSE(fields.FBN(QStringLiteral("STUDENTID")).GetVisible());
    EXPECT_FALSE(fields.FBN(QStringLiteral("SEX")).GetIsHistory());

    EXPECT_EQ(fields.GetFieldsByDomain(QStringLiteral("Study")),
              (QStringList{QStringLiteral("SPECIALITY"), QStringLiteral("SPECIALITYCODE")}));
    EXPECT_TRUE(fields.GetFieldsByDomain(QStringLiteral("Nothing")).isEmpty());
}

TEST_F(FieldsTest, BrokenFilesAreReportedWithTheirName)
{
    struct Case
    {
        const char *what;
        QByteArray content;
    };
    const Case cases[] = {
            {"not XML", "<Fields><Field Name=\"A\"></Fields>"},
            {"another root", "<Props/>"},
            {"field without name", "<Fields><Field GridCaption=\"X\"/></Fields>"},
            {"field twice", "<Fields><Field Name=\"A\"/><Field Name=\"a\"/></Fields>"},
            {"control type not a number", "<Fields><Field Name=\"A\" ControlType=\"x\"/></Fields>"},
            {"unknown control type", "<Fields><Field Name=\"A\" ControlType=\"9\"/></Fields>"},
            {"lookup without query", "<Fields><Field Name=\"A\" ControlType=\"5\"/></Fields>"},
            {"SQL in a column name",
             "<Fields><Field Name=\"A\" Origin=\"A from RDB$DATABASE --\"/></Fields>"},
            {"set naming an unknown field",
             "<Fields><Field Name=\"A\"/><FieldSet Name=\"L\"><Select Field=\"B\"/></FieldSet>"
             "</Fields>"},
            {"set with a bad alias", "<Fields><FieldSet Name=\"L\" Alias=\"S S\"/></Fields>"},
    };
    for (const Case &c : cases) {
        const QString path = write(QStringLiteral("broken.xml"), c.content);
        try {
            TLxFields fields(path);
            ADD_FAILURE() << c.what << ": loaded";
        } catch (const LxError &error) {
            EXPECT_TRUE(error.message().contains(path))
                    << c.what << ": " << error.message().toStdString();
        }
    }
    const QString missing = dir.filePath(QStringLiteral("missing.xml"));
    try {
        TLxFields fields(missing);
        ADD_FAILURE() << "a missing file loaded";
    } catch (const LxError &error) {
        EXPECT_TRUE(error.message().contains(missing)) << error.message().toStdString();
    }
}

TEST_F(FieldsTest, FailedReloadKeepsTheGlobalRepository)
{
    EXPECT_FALSE(FieldsRepLoaded());
    EXPECT_THROW(FieldsRep(), LxError);
    LoadFieldsRep(write(QStringLiteral("fields.xml"), smallRepository));
    EXPECT_THROW(LoadFieldsRep(write(QStringLiteral("broken.xml"), "<Fields>")), LxError);
    EXPECT_NE(FieldsRep().FN(QStringLiteral("FIO")), nullptr);

    TLxFields fields(write(QStringLiteral("fields2.xml"), smallRepository));
    EXPECT_THROW(fields.LoadFromFile(dir.filePath(QStringLiteral("broken.xml"))), LxError);
    EXPECT_EQ(fields.Count(), FieldsRep().Count());
    FreeFieldsRep();
    EXPECT_FALSE(FieldsRepLoaded());
}

TEST_F(FieldsTest, GeneratedSelectIsOpenForTheCallersClauses)
{
    TLxFields fields(write(QStringLiteral("fields.xml"), smallRepository));
    const QString list = QStringLiteral("FIO, SPECIALITY,SPECIALITYCODE,UNKNOWN,FIO");

    const QString current
            = fields.GenerateSQL(list, QStringLiteral("StudentList"), true, -1, false);
    EXPECT_TRUE(current.startsWith(QStringLiteral("select S.STUDENTID as STUDENTID,")))
            << current.toStdString();
    EXPECT_EQ(current.count(QStringLiteral("left join GUIDE_SPECIALITY")), 1);
    EXPECT_EQ(current.count(QStringLiteral(" as FIO")), 1);
    EXPECT_FALSE(current.contains(QStringLiteral("UNKNOWN")));
    EXPECT_FALSE(current.contains(QStringLiteral("CurDate")));

    const QString limited = fields.GenerateSQL(
            QStringLiteral("FIO"), QStringLiteral("StudentList"), false, 0, false);
    EXPECT_EQ(limited, QStringLiteral("select first 0 S.FIO as FIO\r\nfrom STUDENTS S"));

    const QString history = fields.GenerateSQL(list, QStringLiteral("StudentList"), true, 10, true);
    EXPECT_TRUE(history.startsWith(QStringLiteral("select first 10 ")));
    EXPECT_TRUE(history.contains(QStringLiteral(":CurDate")));

    EXPECT_EQ(fields.GetAliasForField(QStringLiteral("SEX"), true), QStringLiteral("S.SEX"));
    EXPECT_EQ(fields.GetAliasForField(QStringLiteral("FIO"), false), QStringLiteral("S.FIO"));
    EXPECT_TRUE(fields.GetAliasForField(QStringLiteral("FIO"), true).contains("HS_FIO"));
    EXPECT_THROW(fields.GetAliasForField(QStringLiteral("UNKNOWN"), false), LxError);
    EXPECT_THROW(fields.GenerateSQL(list, QStringLiteral("NoSuchSet"), true, -1, false), LxError);
}

TEST_F(FieldsTest, ShippedWindows1251CopyReadsAsTheSource)
{
    const QString shipped = QStringLiteral(VELMOR_BIN_DIR "/../options/fields.xml");
    if (!QFile::exists(shipped))
        GTEST_SKIP() << "the options directory is not in this build";
    const TLxFields source(realFieldsXml);
    const TLxFields copy(shipped);
    ASSERT_EQ(copy.Count(), source.Count());
    for (int i = 0; i < source.Count(); ++i) {
        EXPECT_EQ(copy.Field(i).GetGridCaption(), source.Field(i).GetGridCaption());
        EXPECT_EQ(copy.Field(i).GetCardCaption(), source.Field(i).GetCardCaption());
    }
}

// The installation's schema with two students: Смирнова (history of name, faculty, group and
// movement) and Козлов (no history rows at all).
class FieldsDatabaseTest : public FieldsTest
{
protected:
    void SetUp() override
    {
        const QDir sqlDir(QStringLiteral(VELMOR_SOURCE_DIR "/installation/sql"));
        fb::Transaction tr(db.database());
        fb::ScriptRunner runner(tr);
        for (const QString &name :
             sqlDir.entryList({QStringLiteral("*.sql")}, QDir::Files, QDir::Name))
            runner.runFile(sqlDir.filePath(name));
        if (tr.isActive())
            tr.commit();
        db.run(QStringLiteral(
                "insert into STUDENTS (STUDENTID, LASTNAME, FIRSTNAME, MIDDLENAME, SEX, "
                "DEPARTMENTID, GROUPNUM, OWNER) values (1, 'Петрова', 'Анна', 'Ивановна', 'Ж', 2, "
                "'301', 'SYSDBA');"
                "insert into STUDENTS (STUDENTID, LASTNAME, FIRSTNAME, MIDDLENAME, SEX, "
                "DEPARTMENTID, GROUPNUM, OWNER) values (2, 'Козлов', 'Игорь', 'Петрович', 'М', 1, "
                "'105', 'SYSDBA');"
                "insert into HS_FIO (STUDENTID, BEGINDATE, FIO) values (1, '1900-01-01', "
                "'Смирнова Анна Ивановна');"
                "insert into HS_FIO (STUDENTID, BEGINDATE, FIO) values (1, '2024-06-01', "
                "'Петрова Анна Ивановна');"
                "insert into HS_DEPARTMENT (STUDENTID, BEGINDATE, DEPARTMENTID) values "
                "(1, '1900-01-01', 1);"
                "insert into HS_DEPARTMENT (STUDENTID, BEGINDATE, DEPARTMENTID) values "
                "(1, '2023-09-01', 2);"
                "insert into HS_GROUPNUM (STUDENTID, BEGINDATE, GROUPNUM) values "
                "(1, '1900-01-01', '101');"
                "insert into HS_GROUPNUM (STUDENTID, BEGINDATE, GROUPNUM) values "
                "(1, '2022-09-01', '201');"
                "insert into HS_GROUPNUM (STUDENTID, BEGINDATE, GROUPNUM) values "
                "(1, '2023-09-01', '301');"
                "insert into HS_MOVEMENT (STUDENTID, BEGINDATE, MOVEMENTID) values "
                "(1, '2021-09-01', 1);"
                "insert into HS_MOVEMENT (STUDENTID, BEGINDATE, MOVEMENTID) values "
                "(1, '2023-09-01', 3);"));
    }

    // The rows of the statement as the register runs it (its WHERE with a filter appended),
    // by STUDENTID.
    std::vector<QVariantHash> rows(const QString &sql,
                                   const QDate &curDate = {},
                                   const QString &filter = QStringLiteral("1=1"))
    {
        fb::Transaction tr(db.database());
        fb::Query query(tr,
                        sql
                                + QStringLiteral("\r\n WHERE (S.ARCHIVE = 0) and (%1)"
                                                 " order by S.STUDENTID")
                                          .arg(filter));
        if (query.hasParam(QStringLiteral("CurDate")))
            query.setParam(QStringLiteral("CurDate"), curDate);
        query.execute();
        std::vector<QVariantHash> result;
        while (query.next()) {
            QVariantHash row;
            for (int i = 0; i < query.fieldCount(); ++i)
                row.insert(query.fieldName(i), query.value(i));
            result.push_back(row);
        }
        return result;
    }

    fb::TestDatabase db;
};

TEST_F(FieldsDatabaseTest, HistoryModeShowsTheValuesValidAtTheDate)
{
    const TLxFields fields(realFieldsXml);
    const QString list = QStringLiteral("FIO,DEPARTMENT,GROUPNUM,MOVEMENT,SEX");
    const QString history = fields.GenerateSQL(list, QStringLiteral("StudentList"), true, -1, true);

    struct Case
    {
        QDate date;
        int student; // index of the row
        const char *fio;
        const char *department;
        const char *group;
        const char *movement; // nullptr: none yet
    };
    const Case cases[] = {
            {QDate(2021, 8, 1), 0, "Смирнова Анна Ивановна", "Лечебный факультет", "101", nullptr},
            {QDate(2021, 10, 1),
             0,
             "Смирнова Анна Ивановна",
             "Лечебный факультет",
             "101",
             "Зачисление на первый курс"},
            {QDate(2023, 9, 1),
             0,
             "Смирнова Анна Ивановна",
             "Педиатрический факультет",
             "301",
             "Перевод на следующий курс"},
            {QDate(2024, 6, 1),
             0,
             "Петрова Анна Ивановна",
             "Педиатрический факультет",
             "301",
             "Перевод на следующий курс"},
            // Without history rows the current columns stand.
            {QDate(2021, 10, 1), 1, "Козлов Игорь Петрович", "Лечебный факультет", "105", nullptr},
    };
    for (const Case &c : cases) {
        const auto result = rows(history, c.date);
        ASSERT_EQ(result.size(), 2u);
        const QVariantHash &row = result.at(c.student);
        const QString where = c.date.toString(Qt::ISODate);
        EXPECT_EQ(row.value("FIO").toString(), QString::fromUtf8(c.fio)) << where.toStdString();
        EXPECT_EQ(row.value("DEPARTMENT").toString(), QString::fromUtf8(c.department))
                << where.toStdString();
        EXPECT_EQ(row.value("GROUPNUM").toString(), QString::fromUtf8(c.group))
                << where.toStdString();
        if (c.movement) {
            EXPECT_EQ(row.value("MOVEMENT").toString(), QString::fromUtf8(c.movement))
                    << where.toStdString();
        } else {
            EXPECT_TRUE(row.value("MOVEMENT").isNull()) << where.toStdString();
        }
    }

    const auto current
            = rows(fields.GenerateSQL(list, QStringLiteral("StudentList"), true, -1, false));
    ASSERT_EQ(current.size(), 2u);
    EXPECT_EQ(current[0].value("FIO").toString(), QStringLiteral("Петрова Анна Ивановна"));
    EXPECT_EQ(current[0].value("DEPARTMENT").toString(),
              QStringLiteral("Педиатрический факультет"));
    EXPECT_EQ(current[0].value("MOVEMENT").toString(), QStringLiteral("Перевод на следующий курс"));
    EXPECT_EQ(current[1].value("STUDENTID").toLongLong(), 2);

    EXPECT_EQ(rows(fields.GenerateSQL(list, QStringLiteral("StudentList"), true, 1, false)).size(),
              1u);

    // The register filters on the field's expression, here the group at the date.
    const QString filter = fields.GetAliasForField(QStringLiteral("GROUPNUM"), true)
                           + QStringLiteral(" = '101'");
    EXPECT_EQ(rows(history, QDate(2021, 10, 1), filter).size(), 1u);
    EXPECT_EQ(rows(history, QDate(2024, 1, 1), filter).size(), 0u);
}

TEST_F(FieldsDatabaseTest, InstalledRepositorySelectsEveryField)
{
    const TLxFields fields(realFieldsXml);
    const QStringList all = fields.FieldSetFields(QStringLiteral("StudentList"));
    ASSERT_FALSE(all.isEmpty());
    for (const bool history : {false, true}) {
        const auto result = rows(fields.GenerateSQL(all.join(QLatin1Char(',')),
                                                    QStringLiteral("StudentList"),
                                                    false,
                                                    -1,
                                                    history),
                                 QDate(2022, 1, 1));
        ASSERT_EQ(result.size(), 2u);
        for (const QString &name : all)
            EXPECT_TRUE(result[0].contains(name)) << name.toStdString();
    }
}

} // namespace
