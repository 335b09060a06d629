#include "xmlinifile.h"

#include "lxerror.h"
#include "lxnls.h"
#include "windows1251xml.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

const char kRootName[] = "Props";
const char kDateFormat[] = "dd.MM.yyyy";
const char kDateTimeFormat[] = "dd.MM.yyyy hh:mm:ss";

QDomElement firstChildNamed(const QDomElement &parent, const QString &name)
{
    return parent.firstChildElement(name);
}

void checkName(const QString &name)
{
    if (!TXMLIniFile::IsXmlName(name))
        throw LxError(LxTr("Недопустимое имя XML-элемента: \"%1\"").arg(name));
}

void checkNames(const QStringList &parts, const QString &key = QString(), bool withKey = false)
{
    for (const QString &part : parts)
        checkName(part);
    if (withKey)
        checkName(key);
}

bool parseInteger(QString text, int &value)
{
    text = text.trimmed();
    bool ok = false;
    if (text.startsWith(QLatin1Char('$')))
        value = text.mid(1).toInt(&ok, 16);
    else if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = text.mid(2).toInt(&ok, 16);
    else
        value = text.toInt(&ok, 10);
    return ok;
}

} // namespace

TXMLIniFile::TXMLIniFile(const QString &fileName, bool)
    : m_fileName(fileName)
{
    m_document.appendChild(m_document.createProcessingInstruction(
            QStringLiteral("xml"), QStringLiteral("version=\"1.0\" encoding=\"windows-1251\"")));
    m_document.appendChild(m_document.createElement(QString::fromLatin1(kRootName)));
    if (!fileName.isEmpty() && QFileInfo::exists(fileName))
        Windows1251Xml::load(m_document, fileName);
}

TXMLIniFile::TXMLIniFile(const QDomDocument &document)
    : m_document(document)
{}

QStringList TXMLIniFile::SectionParts(const QString &section)
{
    static const QRegularExpression separators(QStringLiteral("[\\\\/.]"));
    return section.split(separators, Qt::SkipEmptyParts);
}

bool TXMLIniFile::IsXmlName(const QString &name)
{
    if (name.isEmpty())
        return false;
    const QChar first = name.at(0);
    if (!first.isLetter() && first != QLatin1Char('_'))
        return false;
    for (const QChar c : name) {
        const bool allowed = c.isLetter() || c.isDigit() || c == QLatin1Char('-')
                             || c == QLatin1Char('.') || c == QLatin1Char(':')
                             || c == QLatin1Char('_');
        if (!allowed)
            return false;
    }
    return true;
}

QDomElement TXMLIniFile::rootElement(bool create)
{
    QDomElement root = m_document.documentElement();
    // A caller's empty document gets the usual root when something is written into it.
    if (root.isNull() && create) {
        root = m_document.createElement(QString::fromLatin1(kRootName));
        m_document.appendChild(root);
        m_modified = true;
    }
    return root;
}

QDomElement TXMLIniFile::GetElement(const QString &section, bool create)
{
    const QStringList parts = SectionParts(section);
    checkNames(parts);
    QDomElement element = rootElement(create);
    for (const QString &part : parts) {
        if (element.isNull())
            return element;
        QDomElement child = firstChildNamed(element, part);
        if (child.isNull() && create) {
            child = m_document.createElement(part);
            element.appendChild(child);
            m_modified = true;
        }
        element = child;
    }
    return element;
}

QDomElement TXMLIniFile::keyElement(const QString &section, const QString &key, bool create)
{
    checkNames(SectionParts(section), key, true);
    const QDomElement sectionElement = GetElement(section, create);
    if (sectionElement.isNull())
        return sectionElement;
    QDomElement element = firstChildNamed(sectionElement, key);
    if (element.isNull() && create) {
        element = m_document.createElement(key);
        QDomElement(sectionElement).appendChild(element);
        m_modified = true;
    }
    return element;
}

QString
TXMLIniFile::ReadString(const QString &section, const QString &key, const QString &defaultValue)
{
    const QDomElement element = keyElement(section, key, false);
    return element.isNull() ? defaultValue : element.text();
}

void TXMLIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    QDomElement element = keyElement(section, key, true);
    while (!element.firstChild().isNull())
        element.removeChild(element.firstChild());
    if (!value.isEmpty())
        element.appendChild(m_document.createTextNode(value));
    m_modified = true;
}

int TXMLIniFile::ReadInteger(const QString &section, const QString &key, int defaultValue)
{
    int value = 0;
    return parseInteger(ReadString(section, key, QString()), value) ? value : defaultValue;
}

void TXMLIniFile::WriteInteger(const QString &section, const QString &key, int value)
{
    WriteString(section, key, QString::number(value));
}

bool TXMLIniFile::ReadBool(const QString &section, const QString &key, bool defaultValue)
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TXMLIniFile::WriteBool(const QString &section, const QString &key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QDate TXMLIniFile::ReadDate(const QString &section, const QString &key, const QDate &defaultValue)
{
    const QDate value = QDate::fromString(ReadString(section, key, QString()).trimmed(),
                                          QLatin1String(kDateFormat));
    return value.isValid() ? value : defaultValue;
}

void TXMLIniFile::WriteDate(const QString &section, const QString &key, const QDate &value)
{
    WriteString(section, key, value.toString(QLatin1String(kDateFormat)));
}

QDateTime
TXMLIniFile::ReadDateTime(const QString &section, const QString &key, const QDateTime &defaultValue)
{
    const QString text = ReadString(section, key, QString()).trimmed();
    QDateTime value = QDateTime::fromString(text, QLatin1String(kDateTimeFormat));
    if (!value.isValid())
        value = QDateTime(QDate::fromString(text, QLatin1String(kDateFormat)), QTime(0, 0));
    return value.isValid() ? value : defaultValue;
}

void TXMLIniFile::WriteDateTime(const QString &section, const QString &key, const QDateTime &value)
{
    WriteString(section, key, value.toString(QLatin1String(kDateTimeFormat)));
}

double TXMLIniFile::ReadFloat(const QString &section, const QString &key, double defaultValue)
{
    QString text = ReadString(section, key, QString()).trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? value : defaultValue;
}

void TXMLIniFile::WriteFloat(const QString &section, const QString &key, double value)
{
    QString text = QString::number(value, 'g', 15);
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    WriteString(section, key, text);
}

bool TXMLIniFile::SectionExists(const QString &section)
{
    return !GetElement(section, false).isNull();
}

bool TXMLIniFile::ValueExists(const QString &section, const QString &key)
{
    return !keyElement(section, key, false).isNull();
}

void TXMLIniFile::appendChildNames(const QDomElement &element, QStringList &strings) const
{
    // Only elements are keys: comments or stray text in a hand-edited file are not.
    for (QDomElement child = element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement())
        strings.append(child.tagName());
}

void TXMLIniFile::ReadSection(const QString &section, QStringList &strings)
{
    const QDomElement element = GetElement(section, false);
    if (!element.isNull())
        appendChildNames(element, strings);
}

void TXMLIniFile::ReadSections(QStringList &strings)
{
    const QDomElement root = rootElement(false);
    if (!root.isNull())
        appendChildNames(root, strings);
}

void TXMLIniFile::ReadSectionValues(const QString &section, QStringList &strings)
{
    ReadSection(section, strings);
}

void TXMLIniFile::EraseSection(const QString &section)
{
    QDomElement element = GetElement(section, false);
    if (element.isNull())
        return;
    // Removing the root would leave a document that cannot hold settings any more.
    if (element == m_document.documentElement()) {
        while (!element.firstChild().isNull())
            element.removeChild(element.firstChild());
    } else {
        element.parentNode().removeChild(element);
    }
    m_modified = true;
}

void TXMLIniFile::DeleteKey(const QString &section, const QString &key)
{
    QDomElement element = keyElement(section, key, false);
    if (element.isNull())
        return;
    element.parentNode().removeChild(element);
    m_modified = true;
}

void TXMLIniFile::UpdateFile()
{
    if (!m_fileName.isEmpty())
        Windows1251Xml::save(m_document, m_fileName);
}
