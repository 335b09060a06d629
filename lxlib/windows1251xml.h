#pragma once

#include "lxlib_global.h"

#include <QByteArray>
#include <QString>

class QDomDocument;

// Reads and writes XML documents stored in windows-1251.
//
// Qt's own writer puts UTF-8 bytes under any declaration, so documents are written here: the
// declaration names windows-1251, every character outside that code page is written as a
// character reference (&#N;) and a carriage return as &#13; so that CR LF survives a reload.
class LXLIB_EXPORT Windows1251Xml
{
public:
    // The document as windows-1251 bytes, with the declaration and one blank of indentation
    // a level.
    static QByteArray toBytes(const QDomDocument &document);
    // Parses bytes in the encoding their declaration names; raises LxError naming sourceName
    // with the line and column of the fault.
    static void parse(QDomDocument &document, const QByteArray &bytes, const QString &sourceName);
    // Loads a file; raises LxError naming it when it cannot be read or parsed.
    static void load(QDomDocument &document, const QString &fileName);
    // Saves atomically; raises LxError naming the file when it cannot be written.
    static void save(const QDomDocument &document, const QString &fileName);

    // True when the character has a windows-1251 byte.
    static bool isEncodable(char32_t character);
    // Text content escaped for XML (& < > " and CR, TAB and LF inside attributes) with
    // characters outside windows-1251 as character references.
    static QString escape(const QString &text, bool attribute = false);
};
