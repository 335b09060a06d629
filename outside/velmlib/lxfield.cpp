#include "lxfield.h"

#include <lxerror.h>
#include <lxnls.h>

#include <QDomElement>
#include <QDomNamedNodeMap>

namespace {

int intAttribute(const QDomElement &element, const QString &name, int def, const QString &fileName)
{
    const QString text = element.attribute(name).trimmed();
    if (text.isEmpty())
        return def;
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok)
        LxFieldsFileError(fileName,
                          element.lineNumber(),
                          LxTr("атрибут %1 должен быть числом, а не \"%2\"").arg(name, text));
    return value;
}

QStringList splitNames(const QString &text)
{
    QStringList names;
    for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = part.trimmed();
        if (!name.isEmpty())
            names << name;
    }
    return names;
}

} // namespace

void LxFieldsFileError(const QString &fileName, int line, const QString &what)
{
    throw LxError(
            LxTr("Ошибка в файле полей \"%1\", строка %2: %3").arg(fileName).arg(line).arg(what));
}

TLxField::TLxField(const QDomElement &element, const QString &fileName)
{
    const QDomNamedNodeMap attributes = element.attributes();
    for (int i = 0; i < attributes.count(); ++i) {
        const QDomAttr attribute = attributes.item(i).toAttr();
        m_attributes.insert(attribute.name(), attribute.value());
    }
    m_name = element.attribute(QStringLiteral("Name")).trimmed();
    if (m_name.isEmpty())
        LxFieldsFileError(fileName, element.lineNumber(), LxTr("у поля нет имени (Name)"));
    m_gridCaption = element.attribute(QStringLiteral("GridCaption"), m_name);
    m_cardCaption = element.attribute(QStringLiteral("CardCaption"), m_gridCaption);
    m_controlType = intAttribute(element, QStringLiteral("ControlType"), ctString, fileName);
    if ((m_controlType & 0x7f) > ctDate)
        LxFieldsFileError(
                fileName,
                element.lineNumber(),
                LxTr("неизвестный вид редактора %1 у поля %2").arg(m_controlType).arg(m_name));
    m_origin = element.attribute(QStringLiteral("Origin"), m_name).trimmed();
    m_keyField = element.attribute(QStringLiteral("KeyField"), m_origin).trimmed();
    m_lookupSql = element.attribute(QStringLiteral("LookupSQL")).trimmed();
    if ((m_controlType & 0x7f) == ctLookup && (m_lookupSql.isEmpty() || m_keyField.isEmpty()))
        LxFieldsFileError(fileName,
                          element.lineNumber(),
                          LxTr("у поля-справочника %1 нет KeyField или LookupSQL").arg(m_name));
    m_width = intAttribute(element, QStringLiteral("Width"), 0, fileName);
    m_displayFormat = element.attribute(QStringLiteral("DisplayFormat"));
    m_visible = intAttribute(element, QStringLiteral("Visible"), 1, fileName) != 0;
    m_domain = element.attribute(QStringLiteral("Domain")).trimmed();

    const QDomElement history = element.firstChildElement(QStringLiteral("History"));
    if (!history.isNull()) {
        m_historyTable = history.attribute(QStringLiteral("Table")).trimmed();
        m_historyShowFields = splitNames(history.attribute(QStringLiteral("ShowFields")));
        if (m_historyShowFields.isEmpty())
            m_historyShowFields << m_name;
    }

    for (QDomElement item = element.firstChildElement(QStringLiteral("Item")); !item.isNull();
         item = item.nextSiblingElement(QStringLiteral("Item"))) {
        m_items << item.text();
        m_values << item.attribute(QStringLiteral("Value"), item.text());
    }
}

void TLxField::FillComboItems(QStringList &items, QStringList &values) const
{
    items = m_items;
    values = m_values;
}

QString TLxField::GetAttribute(const QString &name, const QString &def) const
{
    return m_attributes.value(name, def);
}
