#pragma once

#include "lxlib_global.h"

#include <QDate>
#include <QDateTime>
#include <QDomDocument>
#include <QDomElement>
#include <QStringList>

// An ini-file interface over an XML document kept in windows-1251.
//
// A section is a path split at "\", "/" and "." into nested elements below the root (an empty
// section is the root itself); a key is a child element of its section holding the value as
// text. Where several children share a name the first counts. Path parts and keys must be XML
// names (a letter or "_", then letters, digits, "-", ".", ":" or "_"); anything else raises
// LxError before the document is touched.
//
// The whole document stays in memory; the file is read on construction and written only by
// UpdateFile.
class LXLIB_EXPORT TXMLIniFile
{
public:
    // A new document with the root "Props", replaced by the file's content when it exists.
    // A file that cannot be read or parsed raises LxError naming it. The flag has no effect.
    explicit TXMLIniFile(const QString &fileName, bool unused = false);
    // Wraps a caller's document (shared, not copied); FileName stays empty.
    explicit TXMLIniFile(const QDomDocument &document);

    QString FileName() const { return m_fileName; }
    QDomDocument Document() const { return m_document; }
    // Set when a value is written or a lookup creates an element.
    bool Modified() const { return m_modified; }

    QString ReadString(const QString &section, const QString &key, const QString &defaultValue);
    void WriteString(const QString &section, const QString &key, const QString &value);

    // Typed values are stored as text: integers in decimal (read also as "$1F" or "0x1F"),
    // booleans as "1"/"0" (any other integer reads as true), dates as dd.MM.yyyy, times as
    // hh:mm:ss and floats with a decimal comma (a point is read as well).
    int ReadInteger(const QString &section, const QString &key, int defaultValue);
    void WriteInteger(const QString &section, const QString &key, int value);
    bool ReadBool(const QString &section, const QString &key, bool defaultValue);
    void WriteBool(const QString &section, const QString &key, bool value);
    QDate ReadDate(const QString &section, const QString &key, const QDate &defaultValue);
    void WriteDate(const QString &section, const QString &key, const QDate &value);
    QDateTime
    ReadDateTime(const QString &section, const QString &key, const QDateTime &defaultValue);
    void WriteDateTime(const QString &section, const QString &key, const QDateTime &value);
    double ReadFloat(const QString &section, const QString &key, double defaultValue);
    void WriteFloat(const QString &section, const QString &key, double value);

    bool SectionExists(const QString &section);
    bool ValueExists(const QString &section, const QString &key);

    // Appends the names of the section's child elements in document order; the list is not
    // cleared first.
    void ReadSection(const QString &section, QStringList &strings);
    // Appends the names of the root's child elements.
    void ReadSections(QStringList &strings);
    // The same as ReadSection: names only.
    void ReadSectionValues(const QString &section, QStringList &strings);
    // Removes the section's element with everything in it; the root itself is only emptied.
    void EraseSection(const QString &section);
    // Removes the key's element.
    void DeleteKey(const QString &section, const QString &key);
    // Saves the document to FileName (nothing when it is empty); raises LxError on failure.
    void UpdateFile();

    // The element of a section path, creating missing levels when create is true; a null
    // element when a level is missing and create is false.
    QDomElement GetElement(const QString &section, bool create);

    // The parts of a section path: split at "\", "/" and ".", empty parts skipped.
    static QStringList SectionParts(const QString &section);
    static bool IsXmlName(const QString &name);

private:
    QDomElement rootElement(bool create);
    QDomElement keyElement(const QString &section, const QString &key, bool create);
    void appendChildNames(const QDomElement &element, QStringList &strings) const;

    QString m_fileName;
    QDomDocument m_document;
    bool m_modified = false;
};
