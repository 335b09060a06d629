#include "colorgridutils.h"

#include <QFont>

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
