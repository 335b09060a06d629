#pragma once

#include "fb_global.h"
#include "message.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

namespace Firebird {
class IResultSet;
class IStatement;
} // namespace Firebird

namespace fb {

class Database;
class Transaction;

// One SQL statement with named parameters (?NAME or :NAME; a name may occur several times and
// is set once). Prepared once, executed any number of times. A select opens a cursor whose
// rows are read with next(); other statements give their RETURNING values as the current row.
class VELMFB_EXPORT Query
{
public:
    explicit Query(Transaction &transaction, const QString &sql = {});
    ~Query();
    Query(const Query &) = delete;
    Query &operator=(const Query &) = delete;

    Database &database() const { return *m_db; }
    Transaction &transaction() const { return *m_transaction; }
    // Changing the transaction keeps the prepared statement.
    void setTransaction(Transaction &transaction);

    const QString &sql() const { return m_sql; }
    void setSql(const QString &sql);
    // Named parameters are looked for unless switched off; procedural DDL (CREATE
    // PROCEDURE, EXECUTE BLOCK...) is never searched, since :NAME is a variable there.
    void setParamCheck(bool on);

    void prepare();
    bool isPrepared() const { return m_statement != nullptr; }
    // Frees the statement (the text and parameter values stay).
    void unprepare();

    int paramCount() const { return int(m_paramNames.size()); }
    QString paramName(int index) const { return m_paramNames.value(index); }
    bool hasParam(const QString &name) const;
    // Sets every occurrence of the named parameter; throws UsageError for an unknown name.
    void setParam(const QString &name, const QVariant &value);
    void setParam(int index, const QVariant &value);
    QVariant param(const QString &name) const;
    // Every parameter null.
    void clearParams();

    // Runs the statement (prepares it and starts the transaction when needed).
    void execute();
    // Reads the next row of an open cursor; false at the end (the cursor is closed then).
    bool next();
    bool isOpen() const { return m_cursor != nullptr; }
    void close();

    int fieldCount() const { return m_out.count(); }
    const FieldInfo &field(int index) const { return m_out.field(index); }
    QString fieldName(int index) const { return m_out.field(index).name; }
    // The index of a field by its name (case-insensitive), -1 when there is none.
    int fieldIndex(const QString &name) const;
    QVariant value(int index) const;
    // Throws UsageError for an unknown field name.
    QVariant value(const QString &name) const;
    bool isNull(int index) const;
    bool hasRow() const { return m_hasRow; }

    // Rows inserted, updated or deleted by the last execute.
    qint64 rowsAffected() const;
    bool isSelect() const;
    // The statement type reported by the engine (isc_info_sql_stmt_xxx).
    unsigned statementType() const { return m_type; }

    // The output message of the current row (for data sets that keep raw rows).
    const Message &output() const { return m_out; }
    Firebird::IStatement *statement() const { return m_statement; }

    // Runs one statement with parameters by name and returns the rows affected.
    static qint64
    run(Transaction &transaction, const QString &sql, const QVariantHash &params = {});
    // The first column of the first row of a select (null when there is no row).
    static QVariant
    scalar(Transaction &transaction, const QString &sql, const QVariantHash &params = {});

private:
    friend class Database;
    void bind();
    bool inputLayoutFits() const;
    void rebuildInput();
    void parse();

    Database *m_db;
    Transaction *m_transaction;
    QString m_sql;
    QString m_engineSql;
    bool m_paramCheck = true;
    QStringList m_paramNames;
    QHash<QString, std::vector<int>> m_paramIndex;
    std::vector<QVariant> m_values;

    struct FetchStatus;
    std::unique_ptr<FetchStatus> m_fetchStatus; // reused by next(): no allocation per row
    Firebird::IStatement *m_statement = nullptr;
    Firebird::IResultSet *m_cursor = nullptr;
    unsigned m_type = 0;
    Message m_in;
    std::vector<FieldInfo> m_described; // the input columns as the engine described them
    std::vector<QByteArray> m_encoded;  // text parameters, encoded once per execute
    Message m_out;
    QHash<QString, int> m_fieldIndex;
    bool m_hasRow = false;
};

} // namespace fb
