#include "lxfields.h"

#include <lxerror.h>
#include <lxlog.h>
#include <lxnls.h>
#include <windows1251xml.h>

#include <QDomDocument>
#include <QDomElement>
#include <QRegularExpression>

struct TLxFields::Select
{
    const TLxField *field = nullptr;
    QString expr;
    QString join;
};

struct TLxFields::FieldSet
{
    QString name;
    QString table;
    QString alias;
    QString key;
    std::vector<Select> selects;
};

namespace {

const QString keyMacro = QStringLiteral("{KEY}");

// Names that go into the generated SQL unquoted must be plain identifiers.
bool isIdentifier(const QString &text)
{
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_][A-Za-z0-9_$]*$"));
    return identifier.match(text).hasMatch();
}

void checkIdentifier(const QDomElement &element,
                     const QString &attribute,
                     const QString &value,
                     const QString &fileName)
{
    if (!value.isEmpty() && !isIdentifier(value))
        LxFieldsFileError(fileName,
                          element.lineNumber(),
                          LxTr("%1=\"%2\" не является именем столбца").arg(attribute, value));
}

QString upper(const QString &name)
{
    return name.trimmed().toUpper();
}

} // namespace

TLxFields::TLxFields() = default;

TLxFields::TLxFields(const QString &fileName)
{
    LoadFromFile(fileName);
}

TLxFields::~TLxFields() = default;

void TLxFields::LoadFromFile(const QString &fileName)
{
    QDomDocument document;
    Windows1251Xml::load(document, fileName);
    const QDomElement root = document.documentElement();
    if (root.tagName() != QStringLiteral("Fields"))
        LxFieldsFileError(
                fileName, root.lineNumber(), LxTr("корневой элемент должен называться Fields"));

    std::vector<std::unique_ptr<TLxField>> fields;
    QHash<QString, const TLxField *> byName;
    for (QDomElement e = root.firstChildElement(QStringLiteral("Field")); !e.isNull();
         e = e.nextSiblingElement(QStringLiteral("Field"))) {
        auto field = std::make_unique<TLxField>(e, fileName);
        checkIdentifier(e, QStringLiteral("Name"), field->GetName(), fileName);
        checkIdentifier(e, QStringLiteral("Origin"), field->GetFieldOrigin(), fileName);
        checkIdentifier(e, QStringLiteral("KeyField"), field->GetKeyFieldName(), fileName);
        checkIdentifier(e, QStringLiteral("Table"), field->GetHistoryTable(), fileName);
        if (field->GetIsHistory() && field->GetKeyFieldName().isEmpty())
            LxFieldsFileError(
                    fileName,
                    e.lineNumber(),
                    LxTr("у поля %1 с историей нет столбца (KeyField)").arg(field->GetName()));
        if (byName.contains(upper(field->GetName())))
            LxFieldsFileError(
                    fileName, e.lineNumber(), LxTr("поле %1 описано дважды").arg(field->GetName()));
        byName.insert(upper(field->GetName()), field.get());
        fields.push_back(std::move(field));
    }

    std::vector<std::unique_ptr<FieldSet>> sets;
    for (QDomElement e = root.firstChildElement(QStringLiteral("FieldSet")); !e.isNull();
         e = e.nextSiblingElement(QStringLiteral("FieldSet"))) {
        auto set = std::make_unique<FieldSet>();
        set->name = e.attribute(QStringLiteral("Name")).trimmed();
        set->table = e.attribute(QStringLiteral("Table"), QStringLiteral("STUDENTS")).trimmed();
        set->alias = e.attribute(QStringLiteral("Alias"), QStringLiteral("S")).trimmed();
        set->key = e.attribute(QStringLiteral("Key"), QStringLiteral("STUDENTID")).trimmed();
        if (set->name.isEmpty())
            LxFieldsFileError(fileName, e.lineNumber(), LxTr("у набора полей нет имени (Name)"));
        for (const QString &value : {set->table, set->alias, set->key})
            if (!isIdentifier(value))
                LxFieldsFileError(
                        fileName,
                        e.lineNumber(),
                        LxTr("набор %1: \"%2\" не является именем").arg(set->name, value));
        for (QDomElement s = e.firstChildElement(QStringLiteral("Select")); !s.isNull();
             s = s.nextSiblingElement(QStringLiteral("Select"))) {
            Select select;
            const QString name = s.attribute(QStringLiteral("Field"));
            select.field = byName.value(upper(name));
            if (!select.field)
                LxFieldsFileError(
                        fileName,
                        s.lineNumber(),
                        LxTr("набор %1 называет неизвестное поле \"%2\"").arg(set->name, name));
            select.expr = s.attribute(QStringLiteral("Expr"), keyMacro).trimmed();
            select.join = s.attribute(QStringLiteral("Join")).trimmed();
            if (select.expr.isEmpty())
                LxFieldsFileError(
                        fileName, s.lineNumber(), LxTr("пустое выражение поля %1").arg(name));
            set->selects.push_back(std::move(select));
        }
        sets.push_back(std::move(set));
    }

    m_fields = std::move(fields);
    m_sets = std::move(sets);
    m_index.clear();
    for (int i = 0; i < int(m_fields.size()); ++i)
        m_index.insert(upper(m_fields[i]->GetName()), i);
    m_fileName = fileName;
}

const TLxField *TLxFields::FN(const QString &name, const QString &prefix) const
{
    const int index = m_index.value(upper(prefix + name), -1);
    return index < 0 ? nullptr : m_fields[index].get();
}

const TLxField &TLxFields::FBN(const QString &name, const QString &prefix) const
{
    if (const TLxField *field = FN(name, prefix))
        return *field;
    throw LxError(LxTr("Поле \"%1\" не найдено в репозитории полей").arg(prefix + name));
}

QStringList TLxFields::GetFieldsByDomain(const QString &domain) const
{
    QStringList names;
    for (const auto &field : m_fields)
        if (field->GetDomain().compare(domain, Qt::CaseInsensitive) == 0)
            names << field->GetName();
    return names;
}

bool TLxFields::HasFieldSet(const QString &setName) const
{
    for (const auto &set : m_sets)
        if (set->name.compare(setName, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

const TLxFields::FieldSet &TLxFields::fieldSet(const QString &setName) const
{
    for (const auto &set : m_sets)
        if (set->name.compare(setName, Qt::CaseInsensitive) == 0)
            return *set;
    throw LxError(LxTr("Набор полей \"%1\" не найден в файле \"%2\"").arg(setName, m_fileName));
}

QStringList TLxFields::FieldSetFields(const QString &setName) const
{
    QStringList names;
    for (const Select &select : fieldSet(setName).selects)
        names << select.field->GetName();
    return names;
}

const TLxFields::Select *TLxFields::findSelect(const FieldSet &set, const QString &fieldName) const
{
    const QString wanted = upper(fieldName);
    for (const Select &select : set.selects)
        if (upper(select.field->GetName()) == wanted)
            return &select;
    return nullptr;
}

QString TLxFields::keyExpression(const FieldSet &set, const TLxField &field, bool history) const
{
    const QString current = field.GetFieldOrigin().isEmpty()
                                    ? QString()
                                    : set.alias + QLatin1Char('.') + field.GetFieldOrigin();
    if (!field.GetIsHistory() || (!history && !current.isEmpty()))
        return current.isEmpty() ? QStringLiteral("null") : current;
    // The latest history row, in history mode the latest not after :CurDate. A field
    // without a column of its own has nothing to fall back to.
    const QString latest
            = QStringLiteral("(select first 1 H.%1 from %2 H where H.STUDENTID = %3.%4%5 "
                             "order by H.BEGINDATE desc)")
                      .arg(field.GetKeyFieldName(),
                           field.GetHistoryTable(),
                           set.alias,
                           set.key,
                           history ? QStringLiteral(" and H.BEGINDATE <= :CurDate") : QString());
    if (current.isEmpty())
        return latest;
    return QStringLiteral("coalesce(%1, %2)").arg(latest, current);
}

QString TLxFields::expression(const FieldSet &set, const Select &select, bool history) const
{
    QString text = select.expr;
    return text.replace(keyMacro, keyExpression(set, *select.field, history));
}

QString TLxFields::join(const FieldSet &set, const Select &select, bool history) const
{
    QString text = select.join;
    return text.replace(keyMacro, keyExpression(set, *select.field, history));
}

QString TLxFields::GenerateSQL(const QString &fields,
                               const QString &setName,
                               bool withKey,
                               int maxRecords,
                               bool history) const
{
    const FieldSet &set = fieldSet(setName);
    std::vector<const Select *> selects;
    for (const QString &part : fields.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = part.trimmed();
        if (name.isEmpty())
            continue;
        const Select *select = findSelect(set, name);
        if (!select) {
            Log(QStringLiteral("Field %1 is not in the field set %2; left out").arg(name, setName),
                elWarning);
            continue;
        }
        if (std::find(selects.begin(), selects.end(), select) == selects.end())
            selects.push_back(select);
    }

    QStringList columns;
    const Select *keySelect = findSelect(set, set.key);
    const bool keyListed
            = keySelect && std::find(selects.begin(), selects.end(), keySelect) != selects.end();
    if ((withKey && !keyListed) || selects.empty())
        columns << QStringLiteral("%1.%2 as %2").arg(set.alias, set.key);
    QStringList joins;
    for (const Select *select : selects) {
        columns << QStringLiteral("%1 as %2")
                           .arg(expression(set, *select, history), select->field->GetName());
        const QString joinText = join(set, *select, history);
        if (!joinText.isEmpty() && !joins.contains(joinText))
            joins << joinText;
    }

    QString sql = QStringLiteral("select ");
    if (maxRecords >= 0)
        sql += QStringLiteral("first %1 ").arg(maxRecords);
    sql += columns.join(QStringLiteral(",\r\n  "));
    sql += QStringLiteral("\r\nfrom %1 %2").arg(set.table, set.alias);
    for (const QString &joinText : joins)
        sql += QStringLiteral("\r\n  ") + joinText;
    return sql;
}

QString
TLxFields::GetAliasForField(const QString &fieldName, bool history, const QString &setName) const
{
    const FieldSet &set = fieldSet(setName);
    const Select *select = findSelect(set, fieldName);
    if (!select)
        throw LxError(LxTr("Поле \"%1\" не входит в набор полей \"%2\"").arg(fieldName, setName));
    return expression(set, *select, history);
}
