#include "transaction.h"
#include "status.h"

#include "database.h"
#include "error.h"

#include <lxlog.h>
#include <lxnls.h>

#include <firebird/Interface.h>
#include <ibase.h>

#include <QHash>
#include <QMutex>
#include <QTimer>

using namespace Firebird;

namespace fb {

struct Transaction::State
{
    ITransaction *tra = nullptr;
    Database *db = nullptr;
    int handle = 0;
};

namespace {

// Live transactions by handle, so a bare integer can be turned back into a transaction.
struct Registry
{
    QMutex mutex;
    QHash<int, std::weak_ptr<Transaction::State>> states;
    int last = 0;

    int add(const std::shared_ptr<Transaction::State> &state)
    {
        QMutexLocker lock(&mutex);
        do
            last = last == INT_MAX ? 1 : last + 1;
        while (states.contains(last));
        states.insert(last, state);
        return last;
    }
    void remove(int handle)
    {
        QMutexLocker lock(&mutex);
        states.remove(handle);
    }
    std::shared_ptr<Transaction::State> find(int handle)
    {
        QMutexLocker lock(&mutex);
        return states.value(handle).lock();
    }
};

Registry &registry()
{
    static Registry r;
    return r;
}

QByteArray buildTpb(const TransactionOptions &options)
{
    QByteArray tpb;
    tpb += char(isc_tpb_version3);
    tpb += char(options.readOnly ? isc_tpb_read : isc_tpb_write);
    switch (options.isolation) {
    case Isolation::ReadCommitted:
        tpb += char(isc_tpb_read_committed);
        tpb += char(isc_tpb_rec_version);
        break;
    case Isolation::Snapshot:
        tpb += char(isc_tpb_concurrency);
        break;
    case Isolation::SnapshotTableStability:
        tpb += char(isc_tpb_consistency);
        break;
    }
    tpb += char(options.wait ? isc_tpb_wait : isc_tpb_nowait);
    return tpb;
}

QString staleHandleMessage(int handle)
{
    return LxTr("Транзакция с дескриптором %1 не активна").arg(handle);
}

} // namespace

Transaction::Transaction(Database &db, QObject *parent)
    : Transaction(db, TransactionOptions(), parent)
{}

Transaction::Transaction(Database &db, const TransactionOptions &options, QObject *parent)
    : QObject(parent)
    , m_db(&db)
    , m_options(options)
{
    m_db->registerTransaction(this);
}

Transaction::Transaction(Database &db, AdoptTag, int handle, QObject *parent)
    : QObject(parent)
    , m_db(&db)
    , m_adopted(true)
{
    const std::shared_ptr<State> state = registry().find(handle);
    if (!state || !state->tra || state->db != &db)
        throw UsageError(staleHandleMessage(handle));
    m_adoptedState = state;
    m_db->registerTransaction(this);
}

Transaction::~Transaction()
{
    if (!m_adopted && isActive())
        endByAction();
    m_db->unregisterTransaction(this);
}

void Transaction::setIdleTimeout(int milliseconds)
{
    if (milliseconds <= 0) {
        delete m_idleTimer;
        m_idleTimer = nullptr;
        return;
    }
    if (!m_idleTimer) {
        m_idleTimer = new QTimer(this);
        m_idleTimer->setSingleShot(true);
        connect(m_idleTimer, &QTimer::timeout, this, [this] {
            if (!isActive())
                return;
            endByAction();
            emit timedOut();
        });
    }
    m_idleTimer->setInterval(milliseconds);
    if (isActive())
        m_idleTimer->start();
}

void Transaction::touch()
{
    if (m_idleTimer && isActive())
        m_idleTimer->start();
}

bool Transaction::isActive() const
{
    if (m_adopted) {
        const std::shared_ptr<State> state = m_adoptedState.lock();
        return state && state->tra;
    }
    return m_state && m_state->tra;
}

int Transaction::handle() const
{
    if (m_adopted) {
        const std::shared_ptr<State> state = m_adoptedState.lock();
        return state && state->tra ? state->handle : 0;
    }
    return isActive() ? m_state->handle : 0;
}

ITransaction *Transaction::raw() const
{
    if (m_adopted) {
        const std::shared_ptr<State> state = m_adoptedState.lock();
        if (!state || !state->tra)
            throw UsageError(LxTr("Транзакция, принятая по дескриптору, уже завершена"));
        return state->tra;
    }
    if (!isActive())
        throw UsageError(LxTr("Транзакция не активна"));
    return m_state->tra;
}

void Transaction::requireOwner(const char *operation) const
{
    if (m_adopted)
        throw UsageError(LxTr("Транзакцию, принятую по дескриптору, завершает её владелец (%1)")
                                 .arg(QLatin1String(operation)));
}

void Transaction::start()
{
    requireOwner("start");
    if (isActive())
        throw UsageError(LxTr("Транзакция уже активна"));
    IAttachment *att = m_db->checkedAttachment();
    const QByteArray tpb = buildTpb(m_options);
    Status status;
    ITransaction *tra = att->startTransaction(
            &status, unsigned(tpb.size()), reinterpret_cast<const unsigned char *>(tpb.data()));
    if (status.failed())
        m_db->raise(status.raw);
    m_state = std::make_shared<State>();
    m_state->tra = tra;
    m_state->db = m_db;
    m_state->handle = registry().add(m_state);
    touch();
    emit started();
}

void Transaction::ensureStarted()
{
    if (m_adopted) {
        raw();
        return;
    }
    if (!isActive())
        start();
}

void Transaction::commit()
{
    finish(true, false);
}

void Transaction::commitRetaining()
{
    finish(true, true);
}

void Transaction::rollback()
{
    finish(false, false);
}

void Transaction::rollbackRetaining()
{
    finish(false, true);
}

void Transaction::finish(bool commit, bool retaining)
{
    requireOwner(commit ? "commit" : "rollback");
    if (!isActive())
        throw UsageError(LxTr("Транзакция не активна"));
    ITransaction *tra = m_state->tra;
    Status status;
    if (commit)
        retaining ? tra->commitRetaining(&status) : tra->commit(&status);
    else
        retaining ? tra->rollbackRetaining(&status) : tra->rollback(&status);
    if (status.failed()) {
        // A failed commit leaves the transaction as it was: still active, so the caller
        // can roll it back. A lost connection ends it for good.
        Error error = Error::fromStatus(status.raw);
        if (error.isConnectionLost()) {
            tra->release();
            m_state->tra = nullptr;
            registry().remove(m_state->handle);
            m_state.reset();
        }
        m_db->raise(status.raw);
    }
    if (!retaining) {
        m_state->tra = nullptr; // released by the successful commit or rollback
        registry().remove(m_state->handle);
        m_state.reset();
        if (m_idleTimer)
            m_idleTimer->stop();
    } else {
        touch();
    }
    commit ? emit committed() : emit rolledBack();
}

void Transaction::endByAction() noexcept
{
    try {
        if (m_endAction == EndAction::Commit)
            commit();
        else
            rollback();
        return;
    } catch (const LxError &e) {
        Log(QStringLiteral("Transaction end: ") + e.message(), elError);
    }
    // The commit failed: roll back what is left so nothing stays open on the server.
    if (!isActive())
        return;
    try {
        rollback();
    } catch (const LxError &e) {
        Log(QStringLiteral("Transaction rollback: ") + e.message(), elError);
        if (m_state && m_state->tra) {
            m_state->tra->release();
            m_state->tra = nullptr;
            registry().remove(m_state->handle);
            m_state.reset();
        }
    }
}

void Transaction::endOnClose()
{
    if (!m_adopted && isActive())
        endByAction();
}

} // namespace fb
