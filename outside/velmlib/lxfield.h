#pragma once

#include "velmlib_global.h"

#include <QHash>
#include <QString>
#include <QStringList>

class QDomElement;

// Raises LxError for a fault at a line of a fields file, naming the file (used by the loader).
[[noreturn]] void LxFieldsFileError(const QString &fileName, int line, const QString &what);

// Editor kinds of a field (the low seven bits of GetControlType).
enum TLxControlType {
    ctString = 0,
    ctMemo = 1,
    ctList = 2,
    ctCheckBox = 3,
    ctImage = 4,
    ctLookup = 5,
    ctDate = 6
};

// One field definition of the repository: a <Field> element of fields.xml (see lxfields.h for
// the format). Values are read once; attributes the class does not know stay available through
// GetAttribute.
class VELMLIB_EXPORT TLxField
{
public:
    // Reads the element; throws LxError naming fileName when the definition is unusable.
    TLxField(const QDomElement &element, const QString &fileName);

    QString GetName() const { return m_name; }
    QString GetGridCaption() const { return m_gridCaption; }
    QString GetCardCaption() const { return m_cardCaption; }
    int GetControlType() const { return m_controlType; }
    // The STUDENTS column the field edits; empty for a field without its own column.
    QString GetFieldOrigin() const { return m_origin; }
    // The column holding the stored value: the lookup's key column, else the field's column.
    QString GetKeyFieldName() const { return m_keyField; }
    QString GetLookupSQL() const { return m_lookupSql; }
    int GetWidth() const { return m_width; }
    QString GetDisplayFormat() const { return m_displayFormat; }
    bool GetVisible() const { return m_visible; }
    QString GetDomain() const { return m_domain; }

    bool GetIsHistory() const { return !m_historyTable.isEmpty(); }
    QString GetHistoryTable() const { return m_historyTable; }
    // The field names the history grid shows besides the date (default: the field itself).
    QStringList GetHistoryShowFields() const { return m_historyShowFields; }

    // The display items and the stored values of a list, in the same order.
    void FillComboItems(QStringList &items, QStringList &values) const;

    // Any attribute of the definition element ("EditMask", "WordWrap"...); def when absent.
    QString GetAttribute(const QString &name, const QString &def = {}) const;
    bool HasAttribute(const QString &name) const { return m_attributes.contains(name); }

private:
    QString m_name;
    QString m_gridCaption;
    QString m_cardCaption;
    int m_controlType = ctString;
    QString m_origin;
    QString m_keyField;
    QString m_lookupSql;
    int m_width = 0;
    QString m_displayFormat;
    bool m_visible = true;
    QString m_domain;
    QString m_historyTable;
    QStringList m_historyShowFields;
    QStringList m_items;
    QStringList m_values;
    QHash<QString, QString> m_attributes;
};
