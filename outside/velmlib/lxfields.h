#pragma once

// The field repository: the fields of the student register and card, read from fields.xml.
//
// Format (one file, UTF-8 or windows-1251 as its XML declaration says):
//
//   <Fields>
//     <Field Name="FIO" GridCaption="ФИО" CardCaption="Фамилия, имя, отчество"
//            ControlType="0" Origin="FIO" Width="30" Visible="1" Domain="Name">
//       <History Table="HS_FIO" ShowFields="LASTNAME,FIRSTNAME,MIDDLENAME,FIO"/>
//     </Field>
//     <Field Name="SEX" GridCaption="Пол" ControlType="2" Origin="SEX">
//       <Item Value="М">мужской</Item>
//       <Item Value="Ж">женский</Item>
//     </Field>
//     <FieldSet Name="StudentList" Table="STUDENTS" Alias="S" Key="STUDENTID">
//       <Select Field="FIO"/>
//       <Select Field="DEPARTMENT" Expr="GD.DEPARTMENT"
//               Join="left join GUIDE_DEPARTMENT GD on (GD.DEPARTMENTID = {KEY})"/>
//     </FieldSet>
//   </Fields>
//
// Field attributes (only Name is required):
//   Name           the field's name, an SQL identifier; also the column alias in selects
//   GridCaption    the grid column's caption (default: Name)
//   CardCaption    the card's label (default: GridCaption)
//   ControlType    editor kind: 0 string, 1 memo, 2 list, 3 check box, 4 image, 5 lookup,
//                  6 date (higher bits are free for flags)
//   Origin         the column of the set's table the field edits (default: Name; empty for a
//                  field that has no column of its own, such as the movement)
//   KeyField       the column that holds the stored value in the history table and the
//                  lookup (default: Origin)
//   LookupSQL      lookups: the select of key and caption offered by the editor
//   Width          grid width in characters (0: the grid's choice)
//   DisplayFormat  a display format of dates and numbers
//   Visible        0 hides the column in the grid by default
//   Domain         a group of fields (GetFieldsByDomain)
//   any other attribute is kept for the card (EditMask, WordWrap...)
// Children: <Item Value="stored">shown</Item> for lists; <History Table="HS_..."
// ShowFields="..."/> for a field with a dated history (ShowFields defaults to the field).
//
// A field set lists how a select over Table (default STUDENTS) aliased Alias (default S)
// takes each field. Expr is the column expression (default {KEY}); Join is added to the FROM
// clause when the field is selected (identical joins once). {KEY} stands for the field's stored
// value: Alias.Origin, or for a history field in history mode the value valid at the parameter
// :CurDate, the history row with the latest BEGINDATE not after it, falling back to the
// current column when the student has no such row.

#include "lxfield.h"
#include "velmlib_global.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class VELMLIB_EXPORT TLxFields
{
public:
    TLxFields();
    // Loads the file; throws LxError naming it when it cannot be read or is not valid.
    explicit TLxFields(const QString &fileName);
    ~TLxFields();
    TLxFields(const TLxFields &) = delete;
    TLxFields &operator=(const TLxFields &) = delete;

    // Replaces the contents by the file's; on error the repository keeps what it held.
    void LoadFromFile(const QString &fileName);
    QString FileName() const { return m_fileName; }

    // The definition of that name (case-insensitive), nullptr when there is none. The prefix
    // is the name's prefix in a data set and usually empty.
    const TLxField *FN(const QString &name, const QString &prefix = {}) const;
    // As FN, but an unknown name raises LxError.
    const TLxField &FBN(const QString &name, const QString &prefix = {}) const;
    int Count() const { return int(m_fields.size()); }
    const TLxField &Field(int index) const { return *m_fields.at(index); }
    // Names of the fields of a domain, in the file's order.
    QStringList GetFieldsByDomain(const QString &domain) const;
    bool HasFieldSet(const QString &setName) const;
    // The names of a field set's fields, in the file's order.
    QStringList FieldSetFields(const QString &setName) const;

    // A select of the listed fields (comma-separated names of the set) with their joins.
    // withKey also selects the set's key column first when the list lacks it (the register
    // finds its rows by it). maxRecords >= 0 limits the rows ("first N"). In history mode
    // the fields with a history give their value valid at the parameter :CurDate. The text
    // ends with the FROM clause and its joins, so callers may append joins, WHERE and ORDER BY.
    // Names the set does not hold are left out, so a stored field list outlives a field.
    QString GenerateSQL(const QString &fields,
                        const QString &setName,
                        bool withKey,
                        int maxRecords,
                        bool history) const;
    // The column expression under which GenerateSQL selects the field (for WHERE and ORDER BY).
    QString GetAliasForField(const QString &fieldName,
                             bool history,
                             const QString &setName = QStringLiteral("StudentList")) const;

private:
    struct Select;
    struct FieldSet;
    const FieldSet &fieldSet(const QString &setName) const;
    const Select *findSelect(const FieldSet &set, const QString &fieldName) const;
    QString keyExpression(const FieldSet &set, const TLxField &field, bool history) const;
    QString expression(const FieldSet &set, const Select &select, bool history) const;
    QString join(const FieldSet &set, const Select &select, bool history) const;

    QString m_fileName;
    std::vector<std::unique_ptr<TLxField>> m_fields;
    QHash<QString, int> m_index; // upper-case name -> position in m_fields
    std::vector<std::unique_ptr<FieldSet>> m_sets;
};
