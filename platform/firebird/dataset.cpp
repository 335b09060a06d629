#include "dataset.h"

#include "database.h"
#include "error.h"
#include "query.h"
#include "sqltext.h"
#include "transaction.h"

#include <lxnls.h>

#include <firebird/Interface.h>

#include <algorithm>
#include <cstring>

namespace fb {

namespace {

// Below malloc's mmap threshold: chunks come from the heap and go back to it without
// unmapping (which flushes TLBs) when the data set closes.
constexpr size_t chunkBytes = 64 * 1024;

int compareValues(const QVariant &a, const QVariant &b)
{
    const bool aNull = a.isNull() || !a.isValid();
    const bool bNull = b.isNull() || !b.isValid();
    if (aNull || bNull)
        return int(bNull) - int(aNull); // nulls first
    if (a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString)
        return a.toString().compare(b.toString(), Qt::CaseInsensitive);
    const QPartialOrdering order = QVariant::compare(a, b);
    if (order == QPartialOrdering::Less)
        return -1;
    if (order == QPartialOrdering::Greater)
        return 1;
    return 0;
}

bool matches(const QVariant &stored, const QVariant &wanted, int options)
{
    if (wanted.isNull() || !wanted.isValid())
        return stored.isNull() || !stored.isValid();
    if (stored.isNull() || !stored.isValid())
        return false;
    if (wanted.typeId() == QMetaType::QString || stored.typeId() == QMetaType::QString) {
        const Qt::CaseSensitivity cs
                = options & DataSet::CaseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
        const QString s = stored.toString();
        const QString w = wanted.toString();
        return options & DataSet::PartialKey ? s.startsWith(w, cs) : s.compare(w, cs) == 0;
    }
    return compareValues(stored, wanted) == 0;
}

} // namespace

struct DataSet::Row
{
    unsigned char *raw = nullptr;
    // Values that take the place of the fetched bytes: blob contents, posted changes and
    // refreshed values. A column counts when its flag is set (its value may be null).
    struct Overlay
    {
        std::vector<QVariant> values;
        std::vector<char> set;
    };
    std::unique_ptr<Overlay> overlay;
    bool deleted = false;

    void put(int column, const QVariant &value, int columns)
    {
        if (!overlay) {
            overlay = std::make_unique<Overlay>();
            overlay->values.resize(size_t(columns));
            overlay->set.assign(size_t(columns), 0);
        }
        overlay->values[size_t(column)] = value;
        overlay->set[size_t(column)] = 1;
    }
    bool has(int column) const { return overlay && overlay->set[size_t(column)]; }
    const QVariant &at(int column) const { return overlay->values[size_t(column)]; }
};

DataSet::Row &DataSet::storeRow(int storeIndex)
{
    return m_rows[size_t(storeIndex)];
}

const DataSet::Row &DataSet::storeRow(int storeIndex) const
{
    return m_rows[size_t(storeIndex)];
}

QVariant DataSet::RowRef::value(int column) const
{
    return m_ds.storedValue(m_index, column);
}

QVariant DataSet::RowRef::value(const QString &field) const
{
    const int column = m_ds.fieldIndex(field);
    if (column < 0)
        throw UsageError(LxTr("Поле %1 не найдено").arg(field));
    return m_ds.storedValue(m_index, column);
}

DataSet::DataSet(Transaction &transaction, QObject *parent)
    : QObject(parent)
    , m_transaction(&transaction)
{}

DataSet::~DataSet()
{
    if (isOpen()) {
        m_select.reset();
        m_statements.clear();
    }
}

void DataSet::setSelectSql(const QString &sql)
{
    if (isOpen())
        close();
    m_selectSql = sql;
    m_select.reset();
}

void DataSet::setUpdateTable(const QString &table, const QStringList &keyFields)
{
    m_updateTable = table.toUpper();
    m_keyFields.clear();
    for (const QString &key : keyFields)
        m_keyFields << key.toUpper();
}

void DataSet::setMacro(const QString &name, const QString &value)
{
    m_macros.insert(name.toUpper(), value);
    m_select.reset(); // the text changes: prepare again at the next open
}

QString DataSet::macro(const QString &name) const
{
    const QString key = name.toUpper();
    const auto it = m_macros.constFind(key);
    return it != m_macros.constEnd() ? *it : SqlText::macroDefaults(m_selectSql).value(key);
}

void DataSet::setMacroToDefault(const QString &name)
{
    if (m_macros.remove(name.toUpper()))
        m_select.reset();
}

QStringList DataSet::macroNames() const
{
    return SqlText::macroNames(m_selectSql);
}

QString DataSet::expandedSelectSql() const
{
    return expandMacros(m_selectSql);
}

QString DataSet::expandMacros(const QString &sql) const
{
    return SqlText::expandMacros(sql, m_macros);
}

void DataSet::setParam(const QString &name, const QVariant &value)
{
    m_params.insert(name.toUpper(), value);
}

bool DataSet::hasParam(const QString &name) const
{
    if (m_select && m_select->sql() == expandedSelectSql())
        return m_select->hasParam(name);
    return SqlText::parseParams(expandedSelectSql()).names.contains(name.toUpper());
}

void DataSet::open()
{
    if (isOpen())
        return;
    emit beforeOpen(); // handlers may still set macros and parameters here
    const QString sql = expandedSelectSql();
    if (!m_select || m_select->sql() != sql)
        m_select = std::make_unique<Query>(*m_transaction, sql);
    for (auto it = m_params.constBegin(); it != m_params.constEnd(); ++it)
        if (m_select->hasParam(it.key()))
            m_select->setParam(it.key(), it.value());
    m_select->execute();
    if (!m_select->isSelect()) {
        m_select.reset();
        throw UsageError(LxTr("Текст запроса набора данных не является выборкой: %1").arg(sql));
    }
    const Message &out = m_select->output();
    out.metadata()->addRef();
    m_fields.reset(out.metadata(), m_transaction->database());
    m_fieldIndex.clear();
    m_blobColumns.clear();
    for (int i = m_fields.count() - 1; i >= 0; --i)
        m_fieldIndex.insert(m_fields.field(i).name.toUpper(), i);
    for (int i = 0; i < m_fields.count(); ++i)
        if (m_fields.field(i).isBlob())
            m_blobColumns.push_back(i);
    m_rowLength = (size_t(m_fields.length()) + 7) & ~size_t(7);
    m_allFetched = false;
    m_state = State::Browse;
    m_current = -1;
    m_eof = false;
    fetchInto(1);
    if (!m_view.empty())
        m_current = 0;
    m_eof = m_view.empty();
    emit afterOpen();
}

void DataSet::close()
{
    if (!isOpen())
        return;
    emit beforeClose();
    if (m_select)
        m_select->close();
    m_rows.clear();
    m_chunks.clear();
    m_chunkUsed = 0;
    m_view.clear();
    m_live = 0;
    m_editValues.clear();
    m_state = State::Inactive;
    m_current = -1;
    m_eof = true;
    m_allFetched = true;
    emit afterClose();
}

void DataSet::reopen()
{
    close();
    open();
}

bool DataSet::isEmpty() const
{
    return m_view.empty();
}

void DataSet::requireOpen() const
{
    if (!isOpen())
        throw UsageError(LxTr("Набор данных закрыт"));
}

void DataSet::requireRow() const
{
    requireOpen();
    if (m_current < 0 || m_current >= rowCount())
        throw UsageError(LxTr("Нет текущей записи"));
}

unsigned char *DataSet::allocateRaw()
{
    const size_t perChunk = std::max<size_t>(1, chunkBytes / m_rowLength);
    if (m_chunks.empty() || m_chunkUsed == perChunk) {
        m_chunks.push_back(std::make_unique_for_overwrite<unsigned char[]>(perChunk * m_rowLength));
        m_chunkUsed = 0;
    }
    return m_chunks.back().get() + m_rowLength * m_chunkUsed++;
}

int DataSet::fetchInto(int count)
{
    if (m_allFetched || !m_select)
        return 0;
    const int firstView = rowCount();
    const int columns = m_fields.count();
    const unsigned length = m_fields.length();
    int fetched = 0;
    while (fetched < count) {
        if (!m_select->next()) {
            m_allFetched = true;
            break;
        }
        Row &row = m_rows.emplace_back();
        row.raw = allocateRaw();
        std::memcpy(row.raw, m_select->output().buffer(), length);
        for (int column : m_blobColumns)
            row.put(column, m_select->value(column), columns);
        ++m_live;
        const int index = int(m_rows.size()) - 1;
        if (passes(index))
            m_view.push_back(index);
        ++fetched;
    }
    if (!m_sort.isEmpty() && fetched > 0) {
        sortView();
        emit viewReset();
    } else if (rowCount() > firstView) {
        emit rowsAppended(firstView, rowCount() - 1);
    }
    return fetched;
}

int DataSet::fetchMore(int count)
{
    requireOpen();
    const int fetched = fetchInto(count);
    if (m_current < 0 && !m_view.empty()) {
        m_current = 0;
        m_eof = false;
    }
    return fetched;
}

void DataSet::fetchAll()
{
    requireOpen();
    while (!m_allFetched)
        fetchMore(1000);
}

int DataSet::fieldIndex(const QString &name) const
{
    return m_fieldIndex.value(name.toUpper(), -1);
}

QVariant DataSet::storedValue(int storeIndex, int column) const
{
    const Row &row = storeRow(storeIndex);
    if (row.has(column))
        return row.at(column);
    return Message::read(row.raw, m_fields.field(column), m_transaction->database().charset());
}

QVariant DataSet::value(int row, int column) const
{
    requireOpen();
    if (row < 0 || row >= rowCount() || column < 0 || column >= fieldCount())
        throw UsageError(LxTr("Нет записи %1 или поля %2").arg(row).arg(column));
    return storedValue(m_view[size_t(row)], column);
}

QVariant DataSet::value(int row, const QString &field) const
{
    const int column = fieldIndex(field);
    if (column < 0)
        throw UsageError(LxTr("Поле %1 не найдено").arg(field));
    return value(row, column);
}

QVariant DataSet::fieldValue(const QString &field) const
{
    const int column = fieldIndex(field);
    if (column < 0)
        throw UsageError(LxTr("Поле %1 не найдено").arg(field));
    if (m_editValues.contains(column))
        return m_editValues.value(column);
    if (m_state == State::Insert)
        return QVariant();
    requireRow();
    return value(m_current, column);
}

void DataSet::moveTo(int row, bool notify)
{
    if (notify)
        emit beforeScroll();
    m_current = row;
    m_eof = false;
    if (notify)
        emit afterScroll();
}

bool DataSet::setCurrentRow(int row)
{
    requireOpen();
    if (m_state != State::Browse)
        throw UsageError(LxTr("Набор данных редактируется"));
    while (row >= rowCount() && !m_allFetched)
        fetchMore(std::max(100, row - rowCount() + 1));
    if (row < 0 || row >= rowCount()) {
        if (row >= rowCount())
            m_eof = true;
        return false;
    }
    if (row != m_current)
        moveTo(row, true);
    m_eof = false;
    return true;
}

bool DataSet::last()
{
    requireOpen();
    fetchAll();
    return setCurrentRow(rowCount() - 1);
}

DataSet::Bookmark DataSet::bookmark() const
{
    return m_current < 0 ? -1 : bookmark(m_current);
}

DataSet::Bookmark DataSet::bookmark(int row) const
{
    if (row < 0 || row >= rowCount())
        return -1;
    return m_view[size_t(row)];
}

bool DataSet::bookmarkValid(Bookmark bookmark) const
{
    return bookmark >= 0 && bookmark < Bookmark(m_rows.size()) && !m_rows[size_t(bookmark)].deleted;
}

int DataSet::rowOf(Bookmark bookmark) const
{
    const auto it = std::find(m_view.begin(), m_view.end(), int(bookmark));
    return it == m_view.end() ? -1 : int(it - m_view.begin());
}

bool DataSet::gotoBookmark(Bookmark bookmark)
{
    requireOpen();
    if (!bookmarkValid(bookmark))
        return false;
    const int row = rowOf(bookmark);
    return row >= 0 && setCurrentRow(row);
}

bool DataSet::locate(const QStringList &fields, const QVariantList &values, int options)
{
    requireOpen();
    std::vector<int> columns;
    for (const QString &f : fields) {
        const int column = fieldIndex(f);
        if (column < 0)
            throw UsageError(LxTr("Поле %1 не найдено").arg(f));
        columns.push_back(column);
    }
    for (;;) {
        for (int row = 0; row < rowCount(); ++row) {
            bool all = true;
            for (size_t i = 0; i < columns.size() && all; ++i)
                all = matches(storedValue(m_view[size_t(row)], columns[i]),
                              values.value(int(i)),
                              options);
            if (all)
                return setCurrentRow(row);
        }
        if (m_allFetched)
            return false;
        fetchMore(1000);
    }
}

bool DataSet::passes(int storeIndex) const
{
    return !m_filter || m_filter(RowRef(*this, storeIndex));
}

void DataSet::setFilter(Filter filter)
{
    m_filter = std::move(filter);
    rebuildView();
}

void DataSet::setSort(const QList<SortField> &fields)
{
    m_sort = fields;
    rebuildView();
}

void DataSet::rebuildView()
{
    if (!isOpen())
        return;
    const Bookmark current = bookmark();
    m_view.clear();
    for (int i = 0; i < int(m_rows.size()); ++i)
        if (!m_rows[size_t(i)].deleted && passes(i))
            m_view.push_back(i);
    sortView();
    const int row = rowOf(current);
    m_current = row >= 0 ? row : (m_view.empty() ? -1 : 0);
    m_eof = m_view.empty();
    emit viewReset();
}

void DataSet::sortView()
{
    if (m_sort.isEmpty()) {
        std::sort(m_view.begin(), m_view.end()); // fetch order
        return;
    }
    std::vector<int> columns;
    for (const SortField &s : m_sort) {
        const int column = fieldIndex(s.field);
        if (column < 0)
            throw UsageError(LxTr("Поле %1 не найдено").arg(s.field));
        columns.push_back(column);
    }
    // The keys are read once per row, not once per comparison.
    const size_t n = m_view.size();
    std::vector<QVariant> keys(n * columns.size());
    for (size_t r = 0; r < n; ++r)
        for (size_t c = 0; c < columns.size(); ++c)
            keys[r * columns.size() + c] = storedValue(m_view[r], columns[c]);
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        for (size_t c = 0; c < columns.size(); ++c) {
            const int cmp
                    = compareValues(keys[a * columns.size() + c], keys[b * columns.size() + c]);
            if (cmp != 0)
                return m_sort[int(c)].ascending ? cmp < 0 : cmp > 0;
        }
        return false;
    });
    std::vector<int> view(n);
    for (size_t i = 0; i < n; ++i)
        view[i] = m_view[order[i]];
    m_view.swap(view);
}

void DataSet::edit()
{
    requireRow();
    if (m_state != State::Browse)
        return;
    m_editValues.clear();
    m_state = State::Edit;
}

void DataSet::append()
{
    requireOpen();
    if (m_state != State::Browse)
        throw UsageError(LxTr("Набор данных уже редактируется"));
    m_editValues.clear();
    m_state = State::Insert;
}

void DataSet::setFieldValue(const QString &field, const QVariant &value)
{
    if (m_state != State::Edit && m_state != State::Insert)
        throw UsageError(LxTr("Набор данных не в режиме редактирования"));
    const int column = fieldIndex(field);
    if (column < 0)
        throw UsageError(LxTr("Поле %1 не найдено").arg(field));
    m_editValues.insert(column, value);
}

bool DataSet::isModified(const QString &field) const
{
    return m_editValues.contains(fieldIndex(field));
}

void DataSet::cancel()
{
    if (m_state == State::Edit || m_state == State::Insert)
        m_state = State::Browse;
    m_editValues.clear();
}

QString DataSet::tableColumn(int column) const
{
    const FieldInfo &f = m_fields.field(column);
    return f.field.isEmpty() ? f.name : f.field;
}

bool DataSet::belongsToTable(int column) const
{
    const FieldInfo &f = m_fields.field(column);
    return !f.field.isEmpty() && f.relation.compare(m_updateTable, Qt::CaseInsensitive) == 0;
}

QString DataSet::generatedUpdateSql(const QStringList &modifiedFields) const
{
    QStringList sets;
    for (const QString &name : modifiedFields) {
        const int column = fieldIndex(name);
        if (column >= 0 && belongsToTable(column))
            sets << QStringLiteral("%1 = ?%2").arg(tableColumn(column), name.toUpper());
    }
    if (sets.isEmpty())
        return {};
    QStringList where;
    for (const QString &key : m_keyFields) {
        const int column = fieldIndex(key);
        where << QStringLiteral("%1 = ?OLD_%2").arg(column >= 0 ? tableColumn(column) : key, key);
    }
    return QStringLiteral("update %1 set %2 where %3")
            .arg(m_updateTable,
                 sets.join(QStringLiteral(", ")),
                 where.join(QStringLiteral(" and ")));
}

QString DataSet::generatedInsertSql(const QStringList &fields) const
{
    QStringList columns, values;
    for (const QString &name : fields) {
        const int column = fieldIndex(name);
        if (column >= 0 && belongsToTable(column)) {
            columns << tableColumn(column);
            values << u'?' + name.toUpper();
        }
    }
    return QStringLiteral("insert into %1 (%2) values (%3)")
            .arg(m_updateTable,
                 columns.join(QStringLiteral(", ")),
                 values.join(QStringLiteral(", ")));
}

QString DataSet::generatedDeleteSql() const
{
    QStringList where;
    for (const QString &key : m_keyFields) {
        const int column = fieldIndex(key);
        where << QStringLiteral("%1 = ?OLD_%2").arg(column >= 0 ? tableColumn(column) : key, key);
    }
    return QStringLiteral("delete from %1 where %2")
            .arg(m_updateTable, where.join(QStringLiteral(" and ")));
}

Query &DataSet::statement(const QString &sql)
{
    if (Query *q = m_statementBySql.value(sql))
        return *q;
    m_statements.push_back(std::make_unique<Query>(*m_transaction, sql));
    m_statementBySql.insert(sql, m_statements.back().get());
    return *m_statements.back();
}

void DataSet::bindRowParams(Query &q, int storeIndex, const QHash<int, QVariant> &newValues)
{
    auto stored = [&](int column) {
        return storeIndex >= 0 ? storedValue(storeIndex, column) : QVariant();
    };
    auto current = [&](int column) {
        const auto it = newValues.constFind(column);
        return it != newValues.constEnd() ? *it : stored(column);
    };
    for (int i = 0; i < q.paramCount(); ++i) {
        const QString name = q.paramName(i);
        if (name.isEmpty())
            throw UsageError(LxTr("Безымянный параметр в запросе: %1").arg(q.sql()));
        int column = fieldIndex(name);
        if (column >= 0) {
            q.setParam(name, current(column));
        } else if (name.startsWith(QLatin1String("OLD_"))
                   && (column = fieldIndex(name.mid(4))) >= 0) {
            q.setParam(name, stored(column));
        } else if (name.startsWith(QLatin1String("NEW_"))
                   && (column = fieldIndex(name.mid(4))) >= 0) {
            q.setParam(name, current(column));
        } else if (m_params.contains(name)) {
            q.setParam(name, m_params.value(name));
        } else {
            throw UsageError(LxTr("Для параметра %1 нет поля").arg(name));
        }
    }
}

void DataSet::post()
{
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    emit beforePost();
    const bool inserting = m_state == State::Insert;
    const int storeIndex = inserting ? -1 : m_view[size_t(m_current)];
    QStringList names;
    for (auto it = m_editValues.constBegin(); it != m_editValues.constEnd(); ++it)
        names << fieldName(it.key());
    std::sort(names.begin(), names.end());
    const QString &given = inserting ? m_insertSql : m_updateSql;
    if (given.isEmpty() && m_updateTable.isEmpty())
        throw UsageError(LxTr("Не задана таблица для изменения данных"));
    QString sql;
    if (inserting)
        sql = m_insertSql.isEmpty() ? generatedInsertSql(names) : expandMacros(m_insertSql);
    else
        sql = m_updateSql.isEmpty() ? generatedUpdateSql(names) : expandMacros(m_updateSql);
    if (!sql.isEmpty()) {
        Query &q = statement(sql);
        bindRowParams(q, storeIndex, m_editValues);
        q.execute();
    }
    // Written: the row takes the new values.
    int index = storeIndex;
    if (inserting) {
        Row &row = m_rows.emplace_back();
        row.raw = allocateRaw();
        for (int i = 0; i < fieldCount(); ++i) {
            const FieldInfo &f = m_fields.field(i);
            *reinterpret_cast<short *>(row.raw + f.nullOffset) = -1;
        }
        ++m_live;
        index = int(m_rows.size()) - 1;
        m_view.push_back(index);
        m_current = rowCount() - 1;
    }
    for (auto it = m_editValues.constBegin(); it != m_editValues.constEnd(); ++it)
        storeRow(index).put(it.key(), it.value(), fieldCount());
    m_editValues.clear();
    m_state = State::Browse;
    if (m_refreshAfterPost && !m_refreshSql.isEmpty())
        applyRefresh(index);
    inserting ? emit viewReset() : emit rowChanged(m_current);
    emit afterPost();
}

void DataSet::deleteCurrent()
{
    requireRow();
    if (m_state != State::Browse)
        cancel();
    emit beforeDelete();
    const int storeIndex = m_view[size_t(m_current)];
    if (m_deleteSql.isEmpty() && m_updateTable.isEmpty())
        throw UsageError(LxTr("Не задан запрос удаления"));
    Query &q = statement(m_deleteSql.isEmpty() ? generatedDeleteSql() : expandMacros(m_deleteSql));
    bindRowParams(q, storeIndex, {});
    q.execute();
    storeRow(storeIndex).deleted = true;
    --m_live;
    m_view.erase(m_view.begin() + m_current);
    if (m_current >= rowCount())
        m_current = rowCount() - 1;
    m_eof = m_view.empty();
    emit viewReset();
    emit afterDelete();
}

void DataSet::refreshCurrent()
{
    requireRow();
    if (m_refreshSql.isEmpty())
        throw UsageError(LxTr("Не задан запрос обновления записи"));
    applyRefresh(m_view[size_t(m_current)]);
}

void DataSet::applyRefresh(int storeIndex)
{
    Query &q = statement(expandMacros(m_refreshSql));
    bindRowParams(q, storeIndex, {});
    q.execute();
    if (!q.next()) {
        // The server no longer has the row.
        storeRow(storeIndex).deleted = true;
        --m_live;
        const int row = rowOf(storeIndex);
        if (row >= 0) {
            m_view.erase(m_view.begin() + row);
            if (m_current >= rowCount())
                m_current = rowCount() - 1;
        }
        m_eof = m_view.empty();
        emit viewReset();
        return;
    }
    for (int i = 0; i < q.fieldCount(); ++i) {
        const int column = fieldIndex(q.fieldName(i));
        if (column >= 0)
            storeRow(storeIndex).put(column, q.value(i), fieldCount());
    }
    q.close();
    const int row = rowOf(storeIndex);
    if (row >= 0)
        emit rowChanged(row);
}

} // namespace fb
