#pragma once

#include "velmlib_global.h"

class QFont;

// Font styles of the grid colour settings kept as a number (attribute FS): bold 1, italic 2,
// underline 4, strike-out 8.
enum TLxFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// The styles of a font as that number.
VELMLIB_EXPORT int SetToInt(const QFont &font);
// Sets the font's styles from the number; bits it does not know are ignored.
VELMLIB_EXPORT void IntToSet(int styles, QFont &font);
