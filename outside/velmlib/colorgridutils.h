#pragma once

#include "velmlib_global.h"

#include <QDomDocument>
#include <QString>

class QColor;
class QFont;

// The grid colour documents, loaded by the host at start. Below the root, one element per grid
// kind (named by its key) holding an element "ColorSettings" with one element per colourable
// element of that grid: "Default" for every cell, an element of Type "teField" for the column
// of the field of that name, and further kinds of the grid's own. Attributes: "BG" background
// and "FG" text colour as platform colour values (decimal 0x00BBGGRR; system colours have the
// high byte 0xFF), "FS" font styles (the number of SetToInt). The shared document also names
// captions and sample data; the user's document holds only the user's overrides.
VELMLIB_EXPORT extern QDomDocument XmlColorSettings;
VELMLIB_EXPORT extern QDomDocument XmlUserColorSettings;

// The user's document when the user has no colour settings yet.
inline constexpr char EmptyUserColorSettings[] = "<?xml version=\"1.0\"?><Grids/>";

// The font, background and text colour of one element of a grid kind: the shared document's
// values overridden by the user's, each attribute separately. The element is an element key,
// or a field name matching a "teField" element in any case. What neither document sets is
// left as it was; so is everything when the grid kind or the element is missing. A grid
// paints a cell with "Default" and then its column's field.
//
// The documents are read into a cache on the first call; a document loaded anew is noticed,
// one edited in place (the colour settings window) needs ColorSettingsChanged().
VELMLIB_EXPORT void GetColorSettings(const QString &gridKind,
                                     const QString &element,
                                     QFont &font,
                                     QColor &background,
                                     QColor &foreground);
// Drops the cache of GetColorSettings.
VELMLIB_EXPORT void ColorSettingsChanged();

// A platform colour value as a colour; an invalid colour for the "default" and "none" values
// and for system colours without an equivalent in the application's palette.
VELMLIB_EXPORT QColor TColorToColor(qint64 value);
// The platform colour value of a colour (0x00BBGGRR).
VELMLIB_EXPORT qint64 ColorToTColor(const QColor &color);

// Font styles of the grid colour settings kept as a number (attribute FS): bold 1, italic 2,
// underline 4, strike-out 8.
enum TLxFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// The styles of a font as that number.
VELMLIB_EXPORT int SetToInt(const QFont &font);
// Sets the font's styles from the number; bits it does not know are ignored.
VELMLIB_EXPORT void IntToSet(int styles, QFont &font);
