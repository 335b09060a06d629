#pragma once

#include "fb_global.h"
#include "message.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

namespace fb {

class Query;
class Transaction;

// A select whose rows are fetched on demand and kept on the client: a current row,
// bookmarks, locate, client-side filter and sort, refreshing one row, and writing changes
// back through delete, insert and update statements (given, or generated for a table and its
// key fields; a generated update writes only the columns that changed).
//
// The select text may hold macros (@Name%default@, @@Name%default@) that are expanded when
// the data set opens. The refresh, insert, update and delete statements take their
// parameters from the row: ?FIELD is the row's new value, ?OLD_FIELD the value it was fetched
// with, ?NEW_FIELD the same as ?FIELD.
class VELMFB_EXPORT DataSet : public QObject
{
    Q_OBJECT

public:
    enum class State { Inactive, Browse, Edit, Insert };
    using Bookmark = qint64;

    // Read access to one stored row, for filters.
    class VELMFB_EXPORT RowRef
    {
    public:
        RowRef(const DataSet &ds, int storeIndex)
            : m_ds(ds)
            , m_index(storeIndex)
        {}
        QVariant value(int column) const;
        QVariant value(const QString &field) const;

    private:
        const DataSet &m_ds;
        int m_index;
    };
    using Filter = std::function<bool(const RowRef &)>;

    struct SortField
    {
        QString field;
        bool ascending = true;
    };

    explicit DataSet(Transaction &transaction, QObject *parent = nullptr);
    ~DataSet() override;

    Transaction &transaction() const { return *m_transaction; }

    // Statements. Changing the select text closes the data set.
    QString selectSql() const { return m_selectSql; }
    void setSelectSql(const QString &sql);
    void setRefreshSql(const QString &sql) { m_refreshSql = sql; }
    void setInsertSql(const QString &sql) { m_insertSql = sql; }
    void setUpdateSql(const QString &sql) { m_updateSql = sql; }
    void setDeleteSql(const QString &sql) { m_deleteSql = sql; }
    QString refreshSql() const { return m_refreshSql; }
    // The table written by the generated statements and its key fields.
    void setUpdateTable(const QString &table, const QStringList &keyFields);
    // Whether a posted row is read again through the refresh statement (default on).
    void setRefreshAfterPost(bool on) { m_refreshAfterPost = on; }

    // Macros (names case-insensitive); unset macros take their defaults.
    void setMacro(const QString &name, const QString &value);
    QString macro(const QString &name) const;
    void setMacroToDefault(const QString &name);
    QStringList macroNames() const;
    // The select text with every macro expanded.
    QString expandedSelectSql() const;
    QString expandMacros(const QString &sql) const;

    // Parameters of the select (kept across open and close).
    void setParam(const QString &name, const QVariant &value);
    QVariant param(const QString &name) const { return m_params.value(name.toUpper()); }
    bool hasParam(const QString &name) const;

    void open();
    void close();
    bool isOpen() const { return m_state != State::Inactive; }
    State state() const { return m_state; }
    // Closes and opens again, keeping the current row where its bookmark allows.
    void reopen();

    // Fetches up to count further rows; returns how many came.
    int fetchMore(int count);
    void fetchAll();
    bool allFetched() const { return m_allFetched; }
    // Rows read from the server so far (deleted rows not counted).
    int fetchedCount() const { return int(m_live); }

    // Visible rows: the fetched rows that pass the filter, in sort order.
    int rowCount() const { return int(m_view.size()); }
    bool isEmpty() const;

    int fieldCount() const { return m_fields.count(); }
    QString fieldName(int column) const { return m_fields.field(column).name; }
    const FieldInfo &field(int column) const { return m_fields.field(column); }
    int fieldIndex(const QString &name) const;

    QVariant value(int row, int column) const;
    QVariant value(int row, const QString &field) const;
    // The current row's value (the edit buffer's while editing or inserting).
    QVariant fieldValue(const QString &field) const;

    // Current row (-1 when the data set is empty).
    int currentRow() const { return m_current; }
    // Moves to the row (fetching when needed); false when it does not exist.
    bool setCurrentRow(int row);
    bool first() { return setCurrentRow(0); }
    bool next() { return setCurrentRow(m_current + 1); }
    bool prior() { return m_current > 0 && setCurrentRow(m_current - 1); }
    bool last();
    bool eof() const { return m_eof; }

    Bookmark bookmark() const;
    Bookmark bookmark(int row) const;
    bool bookmarkValid(Bookmark bookmark) const;
    bool gotoBookmark(Bookmark bookmark);
    // Row of a bookmark in the current view, -1 when it is not visible.
    int rowOf(Bookmark bookmark) const;

    enum LocateOption { CaseInsensitive = 1, PartialKey = 2 };
    // Moves to the first visible row whose fields equal values, fetching as needed.
    bool locate(const QStringList &fields, const QVariantList &values, int options = 0);
    bool locate(const QString &field, const QVariant &value, int options = 0)
    {
        return locate(QStringList{field}, QVariantList{value}, options);
    }

    // Editing the current row; post() writes it through the update or insert statement.
    void edit();
    void append();
    void setFieldValue(const QString &field, const QVariant &value);
    bool isModified(const QString &field) const;
    void post();
    void cancel();
    // Deletes the current row through the delete statement.
    void deleteCurrent();
    // Reads the current row again through the refresh statement; a row the server no longer
    // has leaves the data set.
    void refreshCurrent();

    // Client-side filter and sort of the fetched rows (rows fetched later follow both).
    void setFilter(Filter filter);
    void setSort(const QList<SortField> &fields);
    QList<SortField> sort() const { return m_sort; }

    // The statement text generated for the table (for inspection and logging).
    QString generatedUpdateSql(const QStringList &modifiedFields) const;
    QString generatedInsertSql(const QStringList &fields) const;
    QString generatedDeleteSql() const;

signals:
    void beforeOpen();
    void afterOpen();
    void beforeClose();
    void afterClose();
    void beforeScroll();
    void afterScroll();
    // Rows first..last were appended to the view by fetching.
    void rowsAppended(int first, int last);
    // The view changed as a whole (filter, sort, refresh removing a row, delete, insert).
    void viewReset();
    void rowChanged(int row);
    void beforePost();
    void afterPost();
    void beforeDelete();
    void afterDelete();

private:
    struct Row;
    friend class RowRef;
    QVariant storedValue(int storeIndex, int column) const;
    Row &storeRow(int storeIndex);
    const Row &storeRow(int storeIndex) const;
    int fetchInto(int count);
    unsigned char *allocateRaw();
    void rebuildView();
    void sortView();
    bool passes(int storeIndex) const;
    void moveTo(int row, bool notify);
    void requireOpen() const;
    void requireRow() const;
    void bindRowParams(Query &q, int storeIndex, const QHash<int, QVariant> &newValues);
    Query &statement(const QString &sql);
    void applyRefresh(int storeIndex);
    QString tableColumn(int column) const;
    bool belongsToTable(int column) const;

    Transaction *m_transaction;
    QString m_selectSql;
    QString m_refreshSql, m_insertSql, m_updateSql, m_deleteSql;
    QString m_updateTable;
    QStringList m_keyFields;
    bool m_refreshAfterPost = true;
    QHash<QString, QString> m_macros;
    QHash<QString, QVariant> m_params;

    std::unique_ptr<Query> m_select;
    std::vector<std::unique_ptr<Query>> m_statements;
    QHash<QString, Query *> m_statementBySql;
    Message m_fields; // layout of a stored row (copy of the select's output)
    QHash<QString, int> m_fieldIndex;
    std::vector<int> m_blobColumns;

    std::vector<Row> m_rows; // every row ever fetched or inserted
    std::vector<std::unique_ptr<unsigned char[]>> m_chunks;
    size_t m_chunkUsed = 0;
    size_t m_rowLength = 0;
    size_t m_live = 0;
    std::vector<int> m_view; // visible rows as store indices
    bool m_allFetched = true;

    State m_state = State::Inactive;
    int m_current = -1;
    bool m_eof = true;
    QHash<int, QVariant> m_editValues; // column -> new value
    Filter m_filter;
    QList<SortField> m_sort;
};

} // namespace fb
