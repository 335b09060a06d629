#include <colorgridutils.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QDomElement>
#include <QFile>
#include <QFont>
#include <QPalette>

namespace {

const char *const sharedColors = R"xml(<?xml version="1.0" encoding="UTF-8"?>
<Grids>
  <StudentList Caption="Список студентов">
    <ColorSettings>
      <Default Caption="Строки" BG="15269864"/>
      <FIO Caption="ФИО" Type="teField" FS="1"/>
      <Archive Caption="В архиве" Type="teField" FG="8421504" FS="2"/>
      <Marked Caption="Отмеченные" Type="teMarked" BG="255"/>
    </ColorSettings>
    <Pattern/>
  </StudentList>
</Grids>
)xml";

// The user's overrides, among them values a hand-edited file may hold.
const char *const userColors = R"xml(<?xml version="1.0"?>
<Grids>
  <StudentList>
    <ColorSettings>
      <Default BG="-16777211"/>
      <FIO FG="255" FS="0"/>
      <Archive BG="green"/>
      <Extra BG="65280"/>
    </ColorSettings>
  </StudentList>
  <Empty/>
</Grids>
)xml";

class ColorGridUtilsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(XmlColorSettings.setContent(QByteArray(sharedColors)));
        ASSERT_TRUE(XmlUserColorSettings.setContent(QByteArray(userColors)));
    }
    void TearDown() override
    {
        XmlColorSettings.clear();
        XmlUserColorSettings.clear();
    }

    // The settings of an element laid over a cell that starts plain: black on white.
    struct Cell
    {
        QFont font;
        QColor background = Qt::white;
        QColor foreground = Qt::black;
    };
    static Cell cell(const QString &gridKind, const QString &element)
    {
        Cell c;
        GetColorSettings(gridKind, element, c.font, c.background, c.foreground);
        return c;
    }
};

TEST_F(ColorGridUtilsTest, UserSettingsOverrideTheSharedOnesAttributeByAttribute)
{
    const QColor window = QApplication::palette().color(QPalette::Base);
    struct Case
    {
        const char *grid;
        const char *element;
        QColor background;
        QColor foreground;
        int styles;
    };
    const Case cases[] = {
            {"StudentList", "Default", window, Qt::black, 0}, // a system colour of the user's
            {"StudentList", "FIO", Qt::white, QColor(255, 0, 0), 0}, // FS 0 takes the bold away
            {"StudentList", "fio", Qt::white, QColor(255, 0, 0), 0}, // a field in any case
            {"StudentList", "Archive", Qt::white, QColor(128, 128, 128), fsItalic}, // BG broken
            {"StudentList", "ARCHIVE", Qt::white, QColor(128, 128, 128), fsItalic},
            {"StudentList", "Marked", QColor(255, 0, 0), Qt::black, 0},
            {"StudentList", "MARKED", Qt::white, Qt::black, 0},        // not a field: its key only
            {"StudentList", "Extra", QColor(0, 255, 0), Qt::black, 0}, // the user's own
            {"StudentList", "Nothing", Qt::white, Qt::black, 0},
            {"Empty", "Default", Qt::white, Qt::black, 0},
            {"NoSuchGrid", "Default", Qt::white, Qt::black, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.grid) + "/" + c.element);
        const Cell result = cell(c.grid, c.element);
        EXPECT_EQ(result.background, c.background);
        EXPECT_EQ(result.foreground, c.foreground);
        EXPECT_EQ(SetToInt(result.font), c.styles);
    }

    // An element without FS keeps the cell's font styles.
    QFont bold;
    bold.setBold(true);
    QColor background = Qt::white, foreground = Qt::black;
    GetColorSettings("StudentList", "Marked", bold, background, foreground);
    EXPECT_TRUE(bold.bold());
}

TEST_F(ColorGridUtilsTest, ChangedDocumentsAreReadAgain)
{
    EXPECT_EQ(cell("StudentList", "Extra").background, QColor(0, 255, 0));

    // Loaded anew: noticed on its own.
    ASSERT_TRUE(XmlUserColorSettings.setContent(QByteArray(EmptyUserColorSettings)));
    EXPECT_EQ(cell("StudentList", "Extra").background, QColor(Qt::white));
    EXPECT_EQ(cell("StudentList", "FIO").font.bold(), true) << "the shared style is back";

    // Edited in place, as the colour settings window does: announced.
    QDomElement grid = XmlUserColorSettings.createElement("StudentList");
    QDomElement settings = XmlUserColorSettings.createElement("ColorSettings");
    QDomElement fio = XmlUserColorSettings.createElement("FIO");
    fio.setAttribute("BG", QString::number(ColorToTColor(QColor(1, 2, 3))));
    XmlUserColorSettings.documentElement().appendChild(grid).appendChild(settings).appendChild(fio);
    ColorSettingsChanged();
    EXPECT_EQ(cell("StudentList", "FIO").background, QColor(1, 2, 3));
}

TEST_F(ColorGridUtilsTest, TheShippedDefinitionsGiveTheRegistersColours)
{
    QFile file(QStringLiteral(VELMOR_SOURCE_DIR "/installation/options/ColorSettings.xml"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    ASSERT_TRUE(XmlColorSettings.setContent(&file));
    ASSERT_TRUE(XmlUserColorSettings.setContent(QByteArray(EmptyUserColorSettings)));
    EXPECT_EQ(cell("StudentList", "Default").background, QColor(232, 255, 232));
    EXPECT_TRUE(cell("StudentList", "FIO").font.bold());
}

TEST(ColorValueTest, PlatformColourValues)
{
    struct Case
    {
        qint64 value;
        QColor color;
    };
    const Case cases[] = {
            {255, QColor(255, 0, 0)},
            {0xFF0000, QColor(0, 0, 255)},
            {15269864, QColor(232, 255, 232)},
            {0, QColor(0, 0, 0)},
            {-16777201, QApplication::palette().color(QPalette::Button)}, // button face
            {0xFF00000F, QApplication::palette().color(QPalette::Button)},
            {0x20000000, QColor()}, // the picker's "default": no colour of its own
            {0x1FFFFFFF, QColor()},
            {0xFF000063, QColor()}, // a system colour the palette does not have
            {0x01000000, QColor()},
            {0x100000000, QColor()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(TColorToColor(c.value), c.color);
    }
    EXPECT_EQ(ColorToTColor(QColor(232, 255, 232)), 15269864);
}

TEST(FontStyleTest, StylesRoundTripThroughTheNumber)
{
    for (int styles = 0; styles < 16; ++styles) {
        QFont font;
        IntToSet(styles, font);
        EXPECT_EQ(SetToInt(font), styles);
    }
    QFont font;
    font.setBold(true);
    IntToSet(fsItalic | 64, font);
    EXPECT_FALSE(font.bold());
    EXPECT_EQ(SetToInt(font), fsItalic);
}

} // namespace
