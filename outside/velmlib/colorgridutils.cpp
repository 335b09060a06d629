#include "colorgridutils.h"

#include <QColor>
#include <QDomElement>
#include <QFont>
#include <QGuiApplication>
#include <QHash>
#include <QPalette>

#include <optional>

QDomDocument XmlColorSettings;
QDomDocument XmlUserColorSettings;

namespace {

const qint64 kDefaultColor = 0x20000000;
const qint64 kNoColor = 0x1FFFFFFF;
const qint64 kSystemColor = 0xFF000000;

// What one element of a grid kind sets; attributes it does not set stay empty.
struct ElementColors
{
    std::optional<QColor> background;
    std::optional<QColor> foreground;
    std::optional<int> styles;
};

struct GridColors
{
    QHash<QString, ElementColors> elements; // by element key
    QHash<QString, QString> fieldElements;  // upper-case field name -> key of its teField element
};

struct ColorCache
{
    bool valid = false;
    // The roots the cache was read from: a document loaded anew has another root.
    QDomElement shared;
    QDomElement user;
    QHash<QString, GridColors> grids;
};

ColorCache &cache()
{
    static ColorCache instance;
    return instance;
}

std::optional<QColor> colorAttribute(const QDomElement &element, const QString &name)
{
    if (!element.hasAttribute(name))
        return std::nullopt;
    bool ok = false;
    const qint64 value = element.attribute(name).trimmed().toLongLong(&ok);
    const QColor color = ok ? TColorToColor(value) : QColor();
    return color.isValid() ? std::optional<QColor>(color) : std::nullopt;
}

// Lays the attributes of one document's element over what the element has so far.
void readElement(const QDomElement &element, ElementColors &colors)
{
    if (const auto background = colorAttribute(element, QStringLiteral("BG")))
        colors.background = background;
    if (const auto foreground = colorAttribute(element, QStringLiteral("FG")))
        colors.foreground = foreground;
    bool ok = false;
    const int styles = element.attribute(QStringLiteral("FS")).trimmed().toInt(&ok);
    if (ok)
        colors.styles = styles;
}

void readDocument(const QDomElement &root, QHash<QString, GridColors> &grids)
{
    for (QDomElement grid = root.firstChildElement(); !grid.isNull();
         grid = grid.nextSiblingElement()) {
        GridColors &colors = grids[grid.tagName()];
        const QDomElement settings = grid.firstChildElement(QStringLiteral("ColorSettings"));
        for (QDomElement element = settings.firstChildElement(); !element.isNull();
             element = element.nextSiblingElement()) {
            readElement(element, colors.elements[element.tagName()]);
            if (element.attribute(QStringLiteral("Type")) == QLatin1String("teField"))
                colors.fieldElements.insert(element.tagName().toUpper(), element.tagName());
        }
    }
}

const ColorCache &currentCache()
{
    ColorCache &c = cache();
    const QDomElement shared = XmlColorSettings.documentElement();
    const QDomElement user = XmlUserColorSettings.documentElement();
    if (c.valid && c.shared == shared && c.user == user)
        return c;
    c.grids.clear();
    readDocument(shared, c.grids);
    readDocument(user, c.grids);
    c.shared = shared;
    c.user = user;
    c.valid = true;
    return c;
}

QPalette::ColorRole systemColorRole(int index)
{
    switch (index) {
    case 4: // menu
        return QPalette::Window;
    case 5: // window
        return QPalette::Base;
    case 7: // menu text
        return QPalette::WindowText;
    case 8: // window text
        return QPalette::Text;
    case 13: // highlight
        return QPalette::Highlight;
    case 14: // highlight text
        return QPalette::HighlightedText;
    case 15: // button face
        return QPalette::Button;
    case 16: // button shadow
        return QPalette::Dark;
    case 17: // grey text
        return QPalette::PlaceholderText;
    case 18: // button text
        return QPalette::ButtonText;
    case 20: // button highlight
        return QPalette::Light;
    case 21: // dark 3-D shadow
        return QPalette::Shadow;
    case 22: // 3-D light
        return QPalette::Midlight;
    case 23: // tool tip text
        return QPalette::ToolTipText;
    case 24: // tool tip background
        return QPalette::ToolTipBase;
    default:
        return QPalette::NColorRoles;
    }
}

} // namespace

void GetColorSettings(const QString &gridKind,
                      const QString &element,
                      QFont &font,
                      QColor &background,
                      QColor &foreground)
{
    const ColorCache &c = currentCache();
    const auto grid = c.grids.constFind(gridKind);
    if (grid == c.grids.constEnd())
        return;
    auto found = grid->elements.constFind(element);
    if (found == grid->elements.constEnd()) {
        const QString key = grid->fieldElements.value(element.toUpper());
        if (key.isEmpty())
            return;
        found = grid->elements.constFind(key);
    }
    if (found->background)
        background = *found->background;
    if (found->foreground)
        foreground = *found->foreground;
    if (found->styles)
        IntToSet(*found->styles, font);
}

void ColorSettingsChanged()
{
    cache().valid = false;
}

QColor TColorToColor(qint64 value)
{
    // The stored value is a signed 32-bit number: system colours come out negative.
    if (value < 0)
        value += qint64(1) << 32;
    if (value == kDefaultColor || value == kNoColor || value < 0 || value > 0xFFFFFFFF)
        return {};
    if ((value & kSystemColor) == kSystemColor) {
        const QPalette::ColorRole role = systemColorRole(int(value & 0xFF));
        if (role == QPalette::NColorRoles || !qobject_cast<QGuiApplication *>(qApp))
            return {};
        return QGuiApplication::palette().color(role);
    }
    if (value > 0xFFFFFF)
        return {};
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

qint64 ColorToTColor(const QColor &color)
{
    return qint64(color.red()) | (qint64(color.green()) << 8) | (qint64(color.blue()) << 16);
}

int SetToInt(const QFont &font)
{
    return (font.bold() ? fsBold : 0) | (font.italic() ? fsItalic : 0)
           | (font.underline() ? fsUnderline : 0) | (font.strikeOut() ? fsStrikeOut : 0);
}

void IntToSet(int styles, QFont &font)
{
    font.setBold(styles & fsBold);
    font.setItalic(styles & fsItalic);
    font.setUnderline(styles & fsUnderline);
    font.setStrikeOut(styles & fsStrikeOut);
}
