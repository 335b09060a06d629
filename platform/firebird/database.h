#pragma once

#include "charset.h"
#include "fb_global.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <memory>

namespace Firebird {
class IAttachment;
class IMaster;
class IProvider;
class IStatus;
class IUtil;
} // namespace Firebird

namespace fb {

class Error;
class Transaction;
class Query;

// Connection settings. The database name is "server:path" for a server or a plain path for a
// local file opened by the embedded engine.
struct VELMFB_EXPORT ConnectParams
{
    QString databaseName;
    QString userName;
    QString password;
    QString role;
    QString charset = QStringLiteral("WIN1251");
    int dialect = 3;
};

// One attachment to a Firebird database. Any number of transactions may run on it at once.
class VELMFB_EXPORT Database : public QObject
{
    Q_OBJECT

public:
    explicit Database(QObject *parent = nullptr);
    ~Database() override;

    ConnectParams &params() { return m_params; }
    const ConnectParams &params() const { return m_params; }
    void setParams(const ConnectParams &params) { m_params = params; }

    // Attaches with params(); measures the difference between the server's clock and ours.
    void connect();
    void connect(const ConnectParams &params);
    // Creates the database file (page size 8192, default character set WIN1251) and stays
    // connected to it.
    void create(int pageSize = 8192);
    // Ends every open transaction by its end action, frees the statements and detaches.
    // A lost connection is closed without error.
    void disconnect();
    // Removes the database (connected); the object is disconnected afterwards.
    void drop();
    bool isConnected() const { return m_attachment != nullptr; }
    bool isLost() const { return m_lost; }

    // The server's clock now, as measured at connect (our clock corrected by the difference).
    QDateTime serverNow() const;
    qint64 clockOffsetMs() const { return m_clockOffsetMs; }

    QString serverVersion() const { return m_serverVersion; }
    static QString clientVersion();

    const Charset &charset() const { return m_charset; }

    // True when the database name has no server part (the embedded engine opens it).
    bool isEmbedded() const;

    // The raw attachment (for code that has to use the OO API directly).
    Firebird::IAttachment *attachment() const { return m_attachment; }
    // Throws UsageError when not connected.
    Firebird::IAttachment *checkedAttachment() const;

    // Raises the status as an Error (a ConnectionLost marks this connection as lost and
    // emits connectionLost first).
    [[noreturn]] void raise(Firebird::IStatus *status, const QString &statement = {});

    static Firebird::IMaster *master();
    static Firebird::IUtil *util();
    static Firebird::IProvider *provider();
    // Sets lock/temp folders for the embedded engine when the defaults are not writable.
    static void prepareEmbeddedEnvironment();

signals:
    void connected();
    void aboutToDisconnect();
    void disconnected();
    // The server or network went away; the connection can only be closed now.
    void connectionLost(const QString &message);

private:
    friend class Transaction;
    friend class Query;
    void attach(bool create, int pageSize);
    void afterAttach();
    void measureClock();
    void readServerVersion();
    void registerTransaction(Transaction *t);
    void unregisterTransaction(Transaction *t);
    void registerQuery(Query *q);
    void unregisterQuery(Query *q);
    void releaseAttachment();
    void releaseChildren();

    ConnectParams m_params;
    Charset m_charset;
    Firebird::IAttachment *m_attachment = nullptr;
    bool m_lost = false;
    qint64 m_clockOffsetMs = 0;
    QString m_serverVersion;
    QList<Transaction *> m_transactions;
    QList<Query *> m_queries;
};

} // namespace fb
