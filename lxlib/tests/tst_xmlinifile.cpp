#include "lxerror.h"
#include "testfiles.h"
#include "windows1251xml.h"
#include "xmlinifile.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray cp1251(const QString &text)
{
    QStringEncoder encoder("windows-1251");
    return encoder.encode(text);
}

class XmlIniFileTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    QTemporaryDir m_dir;
};

TEST_F(XmlIniFileTest, NewDocumentHasPropsRoot)
{
    TXMLIniFile ini(path("new.xml"));
    EXPECT_EQ(ini.Document().documentElement().tagName(), QStringLiteral("Props"));
    EXPECT_FALSE(ini.Modified());
    EXPECT_FALSE(QFile::exists(path("new.xml")));

    ini.UpdateFile();
    const QByteArray bytes = readBytes(path("new.xml"));
    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"windows-1251\"?>"));
}

TEST_F(XmlIniFileTest, SectionPathsBecomeNestedElements)
{
    TXMLIniFile ini(path("paths.xml"));
    ini.WriteString(QStringLiteral("A/B.C"), QStringLiteral("Left"), QStringLiteral("10"));
    ini.WriteString(QStringLiteral("A\\B\\C"), QStringLiteral("Top"), QStringLiteral("20"));
    ini.WriteString(QStringLiteral(""), QStringLiteral("Version"), QStringLiteral("5"));
    ini.WriteString(QStringLiteral("//A..B/"), QStringLiteral("Width"), QStringLiteral("30"));
    EXPECT_TRUE(ini.Modified());

    const QDomElement root = ini.Document().documentElement();
    const QDomElement c = root.firstChildElement(QStringLiteral("A"))
                                  .firstChildElement(QStringLiteral("B"))
                                  .firstChildElement(QStringLiteral("C"));
    ASSERT_FALSE(c.isNull());
    EXPECT_EQ(c.firstChildElement(QStringLiteral("Left")).text(), QStringLiteral("10"));
    EXPECT_EQ(c.firstChildElement(QStringLiteral("Top")).text(), QStringLiteral("20"));
    EXPECT_EQ(root.firstChildElement(QStringLiteral("Version")).text(), QStringLiteral("5"));
    EXPECT_EQ(root.elementsByTagName(QStringLiteral("A")).count(), 1);
    EXPECT_EQ(root.elementsByTagName(QStringLiteral("C")).count(), 1);
    EXPECT_EQ(ini.ReadString(QStringLiteral("A.B.C"), QStringLiteral("Top"), QString()),
              QStringLiteral("20"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("A/B"), QStringLiteral("Width"), QString()),
              QStringLiteral("30"));
}

TEST_F(XmlIniFileTest, SameKeyTwiceKeepsOneElementWithTheLastValue)
{
    TXMLIniFile ini(path("twice.xml"));
    ini.WriteString(QStringLiteral("Forms\\Main"), QStringLiteral("Left"), QStringLiteral("1"));
    ini.WriteString(QStringLiteral("Forms\\Main"), QStringLiteral("Left"), QStringLiteral("2"));
    const QDomElement main = ini.GetElement(QStringLiteral("Forms\\Main"), false);
    EXPECT_EQ(main.elementsByTagName(QStringLiteral("Left")).count(), 1);
    EXPECT_EQ(main.firstChildElement().text(), QStringLiteral("2"));
}

TEST_F(XmlIniFileTest, MissingSectionOrKeyReturnsDefaultAndCreatesNothing)
{
    TXMLIniFile ini(path("missing.xml"));
    ini.WriteString(QStringLiteral("Forms"), QStringLiteral("Left"), QStringLiteral("1"));
    TXMLIniFile view(ini.Document());
    const QString before = view.Document().toString();

    EXPECT_EQ(view.ReadString(QStringLiteral("Forms\\Other"),
                              QStringLiteral("Left"),
                              QStringLiteral("def")),
              QStringLiteral("def"));
    EXPECT_EQ(view.ReadString(QStringLiteral("Forms"), QStringLiteral("Top"), QStringLiteral("d")),
              QStringLiteral("d"));
    EXPECT_EQ(view.ReadInteger(QStringLiteral("X"), QStringLiteral("Y"), 42), 42);
    EXPECT_TRUE(view.GetElement(QStringLiteral("Forms\\Other"), false).isNull());
    QStringList names;
    view.ReadSection(QStringLiteral("Nowhere"), names);
    EXPECT_TRUE(names.isEmpty());

    EXPECT_EQ(view.Document().toString(), before);
    EXPECT_FALSE(view.Modified());
}

struct InvalidNameCase
{
    QString section;
    QString key;
};

TEST_F(XmlIniFileTest, InvalidNamesRaiseAndChangeNothing)
{
    const std::vector<InvalidNameCase> cases{
            {QStringLiteral("1Forms"), QStringLiteral("Left")},
            {QStringLiteral("Forms/Main Window"), QStringLiteral("Left")},
            {QStringLiteral("Forms.Main.2"), QStringLiteral("Left")},
            {QStringLiteral("New/Forms"), QStringLiteral("Left Pos")},
            {QStringLiteral("New"), QStringLiteral("-Left")},
            {QStringLiteral("New"), QStringLiteral("Left<")},
            {QStringLiteral("New"), QString()},
    };
    TXMLIniFile ini(path("invalid.xml"));
    ini.WriteString(QStringLiteral("Forms"), QStringLiteral("Left"), QStringLiteral("1"));
    TXMLIniFile fresh(ini.Document());
    const QString before = fresh.Document().toString();
    for (const InvalidNameCase &c : cases) {
        SCOPED_TRACE(c.section.toStdString() + " / " + c.key.toStdString());
        EXPECT_THROW(fresh.WriteString(c.section, c.key, QStringLiteral("v")), LxError);
        EXPECT_THROW(fresh.ReadString(c.section, c.key, QString()), LxError);
        EXPECT_EQ(fresh.Document().toString(), before);
        EXPECT_FALSE(fresh.Modified());
    }
    // Keys may hold a point, Cyrillic letters count as letters.
    EXPECT_NO_THROW(fresh.WriteString(
            QStringLiteral("Формы"), QStringLiteral("Ключ.1_a-b:c"), QStringLiteral("v")));
}

TEST_F(XmlIniFileTest, SectionListsEraseAndDelete)
{
    TXMLIniFile ini(path("lists.xml"));
    ini.WriteString(QStringLiteral("Grid"), QStringLiteral("Col1"), QStringLiteral("a"));
    ini.WriteString(QStringLiteral("Grid"), QStringLiteral("Col2"), QStringLiteral("b"));
    ini.WriteString(QStringLiteral("Grid/Inner"), QStringLiteral("X"), QStringLiteral("c"));
    ini.WriteString(QStringLiteral("Other"), QStringLiteral("Y"), QStringLiteral("d"));

    QStringList names{QStringLiteral("kept")};
    ini.ReadSection(QStringLiteral("Grid"), names);
    EXPECT_EQ(names, QStringList({"kept", "Col1", "Col2", "Inner"}));
    QStringList values;
    ini.ReadSectionValues(QStringLiteral("Grid"), values);
    EXPECT_EQ(values, QStringList({"Col1", "Col2", "Inner"}));
    QStringList sections;
    ini.ReadSections(sections);
    EXPECT_EQ(sections, QStringList({"Grid", "Other"}));

    ini.DeleteKey(QStringLiteral("Grid"), QStringLiteral("Col1"));
    ini.DeleteKey(QStringLiteral("Grid"), QStringLiteral("Missing"));
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("Grid"), QStringLiteral("Col1")));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Grid"), QStringLiteral("Col2"), QString()),
              QStringLiteral("b"));

    ini.EraseSection(QStringLiteral("Grid/Inner"));
    EXPECT_FALSE(ini.SectionExists(QStringLiteral("Grid/Inner")));
    EXPECT_TRUE(ini.SectionExists(QStringLiteral("Grid")));
    ini.EraseSection(QStringLiteral("Grid"));
    ini.EraseSection(QStringLiteral("Nowhere"));
    sections.clear();
    ini.ReadSections(sections);
    EXPECT_EQ(sections, QStringList({"Other"}));

    // Erasing the root empties it; the document can still take settings.
    ini.EraseSection(QString());
    EXPECT_EQ(ini.Document().documentElement().tagName(), QStringLiteral("Props"));
    EXPECT_FALSE(ini.Document().documentElement().hasChildNodes());
    ini.WriteString(QStringLiteral("Again"), QStringLiteral("Z"), QStringLiteral("1"));
    EXPECT_TRUE(ini.SectionExists(QStringLiteral("Again")));
}

TEST_F(XmlIniFileTest, TypedValuesRoundTripThroughText)
{
    TXMLIniFile ini(path("typed.xml"));
    ini.WriteInteger(QStringLiteral("T"), QStringLiteral("Int"), -12);
    ini.WriteBool(QStringLiteral("T"), QStringLiteral("Bool"), true);
    ini.WriteDate(QStringLiteral("T"), QStringLiteral("Date"), QDate(2024, 9, 1));
    ini.WriteDateTime(QStringLiteral("T"),
                      QStringLiteral("Stamp"),
                      QDateTime(QDate(2024, 9, 1), QTime(8, 30, 5)));
    ini.WriteFloat(QStringLiteral("T"), QStringLiteral("Float"), 2.5);
    ini.WriteString(QStringLiteral("T"), QStringLiteral("Junk"), QStringLiteral("abc"));
    ini.WriteString(QStringLiteral("T"), QStringLiteral("Hex"), QStringLiteral("$1F"));
    ini.WriteString(QStringLiteral("T"), QStringLiteral("Point"), QStringLiteral("0.25"));

    EXPECT_EQ(ini.ReadString(QStringLiteral("T"), QStringLiteral("Date"), QString()),
              QStringLiteral("01.09.2024"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("T"), QStringLiteral("Bool"), QString()),
              QStringLiteral("1"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("T"), QStringLiteral("Int"), 0), -12);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("T"), QStringLiteral("Junk"), 7), 7);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("T"), QStringLiteral("Hex"), 0), 31);
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("T"), QStringLiteral("Bool"), false));
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("T"), QStringLiteral("Int"), false));
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("T"), QStringLiteral("Missing"), true));
    EXPECT_EQ(ini.ReadDate(QStringLiteral("T"), QStringLiteral("Date"), QDate()),
              QDate(2024, 9, 1));
    EXPECT_EQ(ini.ReadDate(QStringLiteral("T"), QStringLiteral("Junk"), QDate(2000, 1, 1)),
              QDate(2000, 1, 1));
    EXPECT_EQ(ini.ReadDateTime(QStringLiteral("T"), QStringLiteral("Stamp"), QDateTime()),
              QDateTime(QDate(2024, 9, 1), QTime(8, 30, 5)));
    EXPECT_DOUBLE_EQ(ini.ReadFloat(QStringLiteral("T"), QStringLiteral("Float"), 0), 2.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat(QStringLiteral("T"), QStringLiteral("Point"), 0), 0.25);
    EXPECT_DOUBLE_EQ(ini.ReadFloat(QStringLiteral("T"), QStringLiteral("Junk"), 1.5), 1.5);
}

TEST_F(XmlIniFileTest, CyrillicRoundTripInWindows1251)
{
    const QString value = QStringLiteral("Иванов & Петров <ツ> €\r\nвторая строка");
    {
        TXMLIniFile ini(path("cyr.xml"));
        ini.WriteString(QStringLiteral("Формы\\Главная"), QStringLiteral("Заголовок"), value);
        ini.UpdateFile();
    }
    const QByteArray bytes = readBytes(path("cyr.xml"));
    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"windows-1251\"?>"));
    EXPECT_TRUE(bytes.contains(cp1251(QStringLiteral("<Формы>"))));
    EXPECT_TRUE(bytes.contains(cp1251(QStringLiteral("Иванов &amp; Петров &lt;&#12484;&gt; €"))));
    EXPECT_TRUE(bytes.contains("&#13;"));
    EXPECT_FALSE(bytes.contains(QStringLiteral("Иванов").toUtf8()));
    EXPECT_FALSE(bytes.contains(QStringLiteral("ツ").toUtf8()));

    TXMLIniFile reread(path("cyr.xml"));
    EXPECT_EQ(reread.ReadString(
                      QStringLiteral("Формы/Главная"), QStringLiteral("Заголовок"), QString()),
              value);
}

TEST_F(XmlIniFileTest, ForeignRootIsKept)
{
    ASSERT_TRUE(QFile::copy(testData("foreign_root.xml"), path("foreign.xml")));
    {
        TXMLIniFile ini(path("foreign.xml"));
        EXPECT_EQ(
                ini.ReadString(QStringLiteral("Forms.Main"), QStringLiteral("Caption"), QString()),
                QStringLiteral("Главное окно"));
        ini.WriteString(
                QStringLiteral("Forms.Main"), QStringLiteral("Width"), QStringLiteral("640"));
        ini.UpdateFile();
    }
    TXMLIniFile reread(path("foreign.xml"));
    const QDomElement root = reread.Document().documentElement();
    EXPECT_EQ(root.tagName(), QStringLiteral("Settings"));
    EXPECT_EQ(root.attribute(QStringLiteral("version")), QStringLiteral("2"));
    EXPECT_TRUE(root.firstChild().isComment());
    EXPECT_EQ(reread.ReadString(QStringLiteral("Forms/Main"), QStringLiteral("Width"), QString()),
              QStringLiteral("640"));
    EXPECT_EQ(root.elementsByTagName(QStringLiteral("Props")).count(), 0);
}

TEST_F(XmlIniFileTest, MalformedFileIsNamedInTheError)
{
    const QString broken = testData("malformed.xml");
    try {
        TXMLIniFile ini(broken);
        FAIL() << "no error";
    } catch (const LxError &error) {
        EXPECT_TRUE(error.message().contains(broken)) << error.message().toStdString();
    }
}

TEST_F(XmlIniFileTest, FailedSaveRaisesAndKeepsTheOldFile)
{
    TXMLIniFile ini(path("kept.xml"));
    ini.WriteString(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("1"));
    ini.UpdateFile();
    const QByteArray before = readBytes(path("kept.xml"));

    TXMLIniFile unsaved(path("kept.xml/inside.xml"));
    EXPECT_THROW(unsaved.UpdateFile(), LxError);
    EXPECT_EQ(readBytes(path("kept.xml")), before);
}

TEST_F(XmlIniFileTest, CallersDocumentIsSharedAndNeverSaved)
{
    // A document without a root gets "Props" when something is written into it.
    QDomDocument document;
    document.appendChild(document.createComment(QStringLiteral("settings")));
    TXMLIniFile ini(document);
    EXPECT_TRUE(ini.FileName().isEmpty());
    ini.WriteString(QStringLiteral("Forms"), QStringLiteral("Left"), QStringLiteral("3"));
    EXPECT_NO_THROW(ini.UpdateFile());
    EXPECT_EQ(document.documentElement().tagName(), QStringLiteral("Props"));
    EXPECT_EQ(document.documentElement().firstChildElement().firstChildElement().text(),
              QStringLiteral("3"));
}

} // namespace
