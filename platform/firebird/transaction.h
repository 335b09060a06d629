#pragma once

#include "fb_global.h"

#include <QObject>

#include <memory>

class QTimer;

namespace Firebird {
class ITransaction;
}

namespace fb {

class Database;

enum class Isolation { ReadCommitted, Snapshot, SnapshotTableStability };

// What happens to a transaction nobody ended: when its owner is destroyed while it is
// active, when the connection closes, and after the idle time-out.
enum class EndAction { Rollback, Commit };

struct VELMFB_EXPORT TransactionOptions
{
    Isolation isolation = Isolation::ReadCommitted; // with record versions
    bool readOnly = false;
    bool wait = false;
};

// A transaction on a Database. Several may be active on one connection at once.
//
// While active, a transaction has an integer handle (handle()) that code holding nothing but
// that number can adopt: Transaction(db, AdoptHandle, handle) works inside the owner's
// transaction and never ends it (the owner commits or rolls back). A handle is valid from
// start() until the transaction ends; afterwards adopting or using it is an error.
class VELMFB_EXPORT Transaction : public QObject
{
    Q_OBJECT

public:
    struct State;
    enum AdoptTag { AdoptHandle };

    explicit Transaction(Database &db, QObject *parent = nullptr);
    Transaction(Database &db, const TransactionOptions &options, QObject *parent = nullptr);
    // Adopts the live transaction with this handle; throws UsageError for a stale handle.
    Transaction(Database &db, AdoptTag, int handle, QObject *parent = nullptr);
    // An active owned transaction ends by its end action.
    ~Transaction() override;

    Database &database() const { return *m_db; }
    const TransactionOptions &options() const { return m_options; }
    void setOptions(const TransactionOptions &options) { m_options = options; }
    void setSnapshot(bool on)
    {
        m_options.isolation = on ? Isolation::Snapshot : Isolation::ReadCommitted;
    }

    EndAction endAction() const { return m_endAction; }
    void setEndAction(EndAction action) { m_endAction = action; }
    // Ends the transaction by its end action after this many idle milliseconds (0: never).
    void setIdleTimeout(int milliseconds);

    void start();
    void commit();
    void commitRetaining();
    void rollback();
    void rollbackRetaining();
    // Starts the transaction unless it is active (an adopted one must be alive).
    void ensureStarted();

    bool isActive() const;
    bool isAdopted() const { return m_adopted; }
    // The handle of the running transaction; 0 when none is active.
    int handle() const;

    // The engine's transaction; throws UsageError when not active (or a stale adoption).
    Firebird::ITransaction *raw() const;
    // Restarts the idle time-out; statements call it on every use.
    void touch();

    // Ends the transaction by the end action; used when the connection closes.
    void endOnClose();

signals:
    void started();
    void committed();
    void rolledBack();
    // The idle time-out ended the transaction.
    void timedOut();

private:
    void finish(bool commit, bool retaining);
    void endByAction() noexcept;
    void requireOwner(const char *operation) const;

    Database *m_db;
    TransactionOptions m_options;
    EndAction m_endAction = EndAction::Rollback;
    bool m_adopted = false;
    std::shared_ptr<State> m_state; // owner: the running transaction
    std::weak_ptr<State> m_adoptedState;
    QTimer *m_idleTimer = nullptr;
};

} // namespace fb
