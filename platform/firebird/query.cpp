#include "query.h"
#include "status.h"

#include "database.h"
#include "error.h"
#include "sqlmonitor.h"
#include "sqltext.h"
#include "transaction.h"

#include <lxnls.h>

#include <firebird/Interface.h>
#include <ibase.h>

using namespace Firebird;

namespace fb {

namespace {

bool isTextValue(const QVariant &v)
{
    return v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray;
}

// Text handed to a non-text parameter is converted by the engine: such a parameter is sent
// as VARCHAR of at least this many bytes, so the layout rarely has to change between rows.
constexpr unsigned convertedTextLength = 64;

} // namespace

struct Query::FetchStatus
{
    IStatus *raw = Database::master()->getStatus();
    CheckStatusWrapper wrapper{raw};
    ~FetchStatus() { raw->dispose(); }
};

Query::Query(Transaction &transaction, const QString &sql)
    : m_db(&transaction.database())
    , m_transaction(&transaction)
    , m_fetchStatus(std::make_unique<FetchStatus>())
{
    m_db->registerQuery(this);
    setSql(sql);
}

Query::~Query()
{
    unprepare();
    m_db->unregisterQuery(this);
}

void Query::setTransaction(Transaction &transaction)
{
    if (&transaction.database() != m_db)
        throw UsageError(LxTr("Транзакция относится к другой базе данных"));
    close();
    m_transaction = &transaction;
}

void Query::setSql(const QString &sql)
{
    unprepare();
    m_sql = sql;
    parse();
}

void Query::setParamCheck(bool on)
{
    if (m_paramCheck == on)
        return;
    unprepare();
    m_paramCheck = on;
    parse();
}

void Query::parse()
{
    m_paramIndex.clear();
    if (m_paramCheck && !SqlText::isProceduralDdl(m_sql)) {
        SqlText::Params parsed = SqlText::parseParams(m_sql);
        m_engineSql = parsed.sql;
        m_paramNames = parsed.names;
    } else {
        m_engineSql = m_sql;
        m_paramNames.clear();
    }
    for (int i = 0; i < m_paramNames.size(); ++i)
        if (!m_paramNames[i].isEmpty())
            m_paramIndex[m_paramNames[i]].push_back(i);
    m_values.assign(size_t(m_paramNames.size()), QVariant());
}

void Query::prepare()
{
    if (m_statement)
        return;
    IAttachment *att = m_db->checkedAttachment();
    m_transaction->ensureStarted();
    SqlMonitor::prepared(m_sql);
    Status status;
    // The engine reads the statement in the connection's character set.
    const QByteArray text = m_db->charset().encode(m_engineSql);
    IStatement *stmt = att->prepare(&status,
                                    m_transaction->raw(),
                                    unsigned(text.size()),
                                    text.constData(),
                                    unsigned(m_db->params().dialect),
                                    IStatement::PREPARE_PREFETCH_METADATA);
    if (status.failed())
        m_db->raise(status.raw, m_sql);
    m_statement = stmt;
    m_type = stmt->getType(&status);
    IMessageMetadata *in = stmt->getInputMetadata(&status);
    IMessageMetadata *out = stmt->getOutputMetadata(&status);
    if (status.failed()) {
        if (in)
            in->release();
        unprepare();
        m_db->raise(status.raw, m_sql);
    }
    m_in.reset(in, *m_db);
    m_described = m_in.fields();
    m_out.reset(out, *m_db);
    if (m_in.count() != int(m_values.size())) {
        // Parameters the engine found but we did not (or the reverse): keep the engine's
        // count; the unnamed ones are reachable by index.
        m_values.resize(size_t(m_in.count()));
        while (m_paramNames.size() < m_in.count())
            m_paramNames << QString();
    }
    m_encoded.assign(m_values.size(), QByteArray());
    m_fieldIndex.clear();
    for (int i = m_out.count() - 1; i >= 0; --i)
        m_fieldIndex.insert(m_out.field(i).name.toUpper(), i);
}

void Query::unprepare()
{
    close();
    if (m_statement) {
        Status status;
        if (m_db->attachment() && !m_db->isLost()) {
            m_statement->free(&status);
            if (!status.failed())
                m_statement = nullptr; // freed and released
        }
        if (m_statement)
            m_statement->release();
        m_statement = nullptr;
    }
    m_in.reset(nullptr, *m_db);
    m_out.reset(nullptr, *m_db);
    m_described.clear();
    m_hasRow = false;
}

bool Query::hasParam(const QString &name) const
{
    return m_paramIndex.contains(name.toUpper());
}

void Query::setParam(const QString &name, const QVariant &value)
{
    const auto it = m_paramIndex.constFind(name.toUpper());
    if (it == m_paramIndex.constEnd())
        throw UsageError(LxTr("Параметр %1 не найден").arg(name));
    for (int index : *it)
        m_values[size_t(index)] = value;
}

void Query::setParam(int index, const QVariant &value)
{
    if (index < 0 || index >= int(m_values.size()))
        throw UsageError(LxTr("Параметр с номером %1 не найден").arg(index));
    m_values[size_t(index)] = value;
}

QVariant Query::param(const QString &name) const
{
    const auto it = m_paramIndex.constFind(name.toUpper());
    if (it == m_paramIndex.constEnd())
        throw UsageError(LxTr("Параметр %1 не найден").arg(name));
    return m_values[size_t(it->front())];
}

void Query::clearParams()
{
    for (QVariant &v : m_values)
        v = QVariant();
}

bool Query::inputLayoutFits() const
{
    for (size_t i = 0; i < m_values.size(); ++i) {
        const QVariant &v = m_values[i];
        if (v.isNull() || !v.isValid())
            continue;
        const FieldInfo &described = m_described[i];
        const FieldInfo &current = m_in.field(int(i));
        if (described.isText()) {
            if (unsigned(m_encoded[i].size()) > current.length)
                return false;
        } else if (isTextValue(v) && !described.isBlob() && described.type != SQL_NULL) {
            if (current.type != SQL_VARYING || unsigned(m_encoded[i].size()) > current.length)
                return false;
        } else if (current.type != described.type || current.scale != described.scale) {
            return false;
        }
    }
    return true;
}

void Query::rebuildInput()
{
    Status status;
    IMetadataBuilder *builder = m_in.metadata()->getBuilder(&status);
    if (status.failed())
        m_db->raise(status.raw, m_sql);
    for (size_t i = 0; i < m_values.size(); ++i) {
        const QVariant &v = m_values[i];
        const FieldInfo &d = m_described[i];
        const unsigned index = unsigned(i);
        const bool null = v.isNull() || !v.isValid();
        const bool textToOther
                = !null && isTextValue(v) && !d.isText() && !d.isBlob() && d.type != SQL_NULL;
        const bool tooLong = !null && d.isText() && unsigned(m_encoded[i].size()) > d.length;
        if (textToOther || tooLong) {
            builder->setType(&status, index, SQL_VARYING | 1);
            builder->setSubType(&status, index, 0);
            builder->setScale(&status, index, 0);
            if (textToOther)
                builder->setCharSet(&status, index, 0);
            builder->setLength(
                    &status,
                    index,
                    std::max<unsigned>(convertedTextLength, unsigned(m_encoded[i].size())));
        } else {
            builder->setType(&status, index, d.type | 1);
            builder->setSubType(&status, index, d.subType);
            builder->setScale(&status, index, d.scale);
            builder->setCharSet(&status, index, d.charSet);
            builder->setLength(&status, index, d.length);
        }
    }
    IMessageMetadata *metadata = builder->getMetadata(&status);
    builder->release();
    if (status.failed())
        m_db->raise(status.raw, m_sql);
    m_in.reset(metadata, *m_db);
}

void Query::bind()
{
    const Charset &charset = m_db->charset();
    for (size_t i = 0; i < m_values.size(); ++i) {
        const QVariant &v = m_values[i];
        const bool needsText = !(v.isNull() || !v.isValid())
                               && (m_described[i].isText() || isTextValue(v))
                               && !m_described[i].isBlob();
        if (!needsText)
            m_encoded[i].clear();
        else if (v.typeId() == QMetaType::QByteArray)
            m_encoded[i] = v.toByteArray();
        else
            m_encoded[i] = charset.encode(v.toString());
    }
    if (!inputLayoutFits())
        rebuildInput();
    unsigned char *buffer = m_in.buffer();
    ITransaction *tra = m_transaction->raw();
    for (size_t i = 0; i < m_values.size(); ++i) {
        const FieldInfo &f = m_in.field(int(i));
        const bool encoded = !m_encoded[i].isNull() && f.isText();
        Message::write(
                buffer, f, encoded ? QVariant(m_encoded[i]) : m_values[i], charset, *m_db, tra);
    }
}

void Query::execute()
{
    close();
    prepare();
    m_transaction->ensureStarted();
    m_transaction->touch();
    bind();
    SqlMonitor::executed(m_sql, m_paramNames, m_values);
    Status status;
    ITransaction *tra = m_transaction->raw();
    if (isSelect()) {
        IResultSet *cursor = m_statement->openCursor(
                &status, tra, m_in.metadata(), m_in.buffer(), m_out.metadata(), 0);
        if (status.failed())
            m_db->raise(status.raw, m_sql);
        m_cursor = cursor;
        return;
    }
    const bool returning = m_out.count() > 0;
    m_statement->execute(&status,
                         tra,
                         m_in.metadata(),
                         m_in.buffer(),
                         returning ? m_out.metadata() : nullptr,
                         returning ? m_out.buffer() : nullptr);
    if (status.failed())
        m_db->raise(status.raw, m_sql);
    m_hasRow = returning;
}

bool Query::next()
{
    if (!m_cursor)
        return false;
    CheckStatusWrapper &status = m_fetchStatus->wrapper;
    status.init();
    const int result = m_cursor->fetchNext(&status, m_out.buffer());
    if (status.getState() & IStatus::STATE_ERRORS)
        m_db->raise(m_fetchStatus->raw, m_sql);
    m_hasRow = result == IStatus::RESULT_OK;
    if (!m_hasRow)
        close();
    return m_hasRow;
}

void Query::close()
{
    if (m_cursor) {
        Status status;
        if (!m_db->isLost())
            m_cursor->close(&status);
        if (status.failed() || m_db->isLost())
            m_cursor->release();
        m_cursor = nullptr;
    }
    m_hasRow = false;
}

int Query::fieldIndex(const QString &name) const
{
    return m_fieldIndex.value(name.toUpper(), -1);
}

QVariant Query::value(int index) const
{
    if (!m_hasRow)
        throw UsageError(LxTr("Нет текущей записи"));
    if (index < 0 || index >= m_out.count())
        throw UsageError(LxTr("Поле с номером %1 не найдено").arg(index));
    const FieldInfo &f = m_out.field(index);
    ITransaction *tra = f.isBlob() ? m_transaction->raw() : nullptr;
    return Message::read(m_out.buffer(), f, m_db->charset(), m_db->attachment(), tra);
}

QVariant Query::value(const QString &name) const
{
    const int index = fieldIndex(name);
    if (index < 0)
        throw UsageError(LxTr("Поле %1 не найдено").arg(name));
    return value(index);
}

bool Query::isNull(int index) const
{
    return !m_hasRow || Message::isNull(m_out.buffer(), m_out.field(index));
}

qint64 Query::rowsAffected() const
{
    if (!m_statement)
        return 0;
    Status status;
    const ISC_UINT64 count = m_statement->getAffectedRecords(&status);
    if (status.failed())
        m_db->raise(status.raw, m_sql);
    return qint64(count);
}

bool Query::isSelect() const
{
    return m_type == isc_info_sql_stmt_select || m_type == isc_info_sql_stmt_select_for_upd;
}

qint64 Query::run(Transaction &transaction, const QString &sql, const QVariantHash &params)
{
    Query q(transaction, sql);
    for (auto it = params.begin(); it != params.end(); ++it)
        q.setParam(it.key(), it.value());
    q.execute();
    return q.rowsAffected();
}

QVariant Query::scalar(Transaction &transaction, const QString &sql, const QVariantHash &params)
{
    Query q(transaction, sql);
    for (auto it = params.begin(); it != params.end(); ++it)
        q.setParam(it.key(), it.value());
    q.execute();
    if (q.isSelect() ? !q.next() : !q.hasRow())
        return QVariant();
    return q.value(0);
}

} // namespace fb
