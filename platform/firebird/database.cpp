#include "database.h"
#include "status.h"

#include "error.h"
#include "query.h"
#include "transaction.h"

#include <lxnls.h>

#include <firebird/Interface.h>
#include <ibase.h>

#include <QDir>
#include <QFileInfo>
#include <QMutex>

#include <optional>

#include <unistd.h>

using namespace Firebird;

namespace fb {

namespace {

class VersionCollector : public IVersionCallbackImpl<VersionCollector, CheckStatusWrapper>
{
public:
    QStringList lines;
    void callback(CheckStatusWrapper *, const char *text) override
    {
        lines << QString::fromLatin1(text);
    }
};

bool writableDir(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QFileInfo(info.absolutePath()).isWritable();
    return info.isDir() && access(QFile::encodeName(path).constData(), W_OK | X_OK) == 0;
}

} // namespace

Database::Database(QObject *parent)
    : QObject(parent)
{}

Database::~Database()
{
    try {
        disconnect();
    } catch (...) {
        // Nothing sensible is left to do with a failing detach while being destroyed.
        releaseAttachment();
    }
}

IMaster *Database::master()
{
    static IMaster *m = fb_get_master_interface();
    return m;
}

IUtil *Database::util()
{
    return master()->getUtilInterface();
}

IProvider *Database::provider()
{
    static IProvider *p = [] {
        prepareEmbeddedEnvironment();
        return master()->getDispatcher();
    }();
    return p;
}

void Database::prepareEmbeddedEnvironment()
{
    // The embedded engine keeps its lock files in /tmp/firebird. When another user (often
    // root, running a server) owns that folder, a per-user folder is used instead, so a plain
    // user can open a local database file without any setup.
    static QMutex mutex;
    QMutexLocker lock(&mutex);
    if (qEnvironmentVariableIsEmpty("FIREBIRD_LOCK")
        && !writableDir(QStringLiteral("/tmp/firebird"))) {
        const QString dir = QDir::tempPath() + QStringLiteral("/velmor-firebird-%1").arg(getuid());
        QDir().mkpath(dir);
        qputenv("FIREBIRD_LOCK", QFile::encodeName(dir));
    }
    if (qEnvironmentVariableIsEmpty("FIREBIRD_TMP") && !writableDir(QStringLiteral("/tmp")))
        qputenv("FIREBIRD_TMP", QFile::encodeName(QDir::tempPath()));
}

bool Database::isEmbedded() const
{
    const QString &name = m_params.databaseName;
    const qsizetype colon = name.indexOf(u':');
    // "C:..." style drive letters do not occur on Linux; any "host:" prefix means a server.
    return colon <= 0 || name.startsWith(u'/') || name.startsWith(QLatin1String("./"));
}

IAttachment *Database::checkedAttachment() const
{
    if (!m_attachment)
        throw UsageError(LxTr("Нет соединения с базой данных"));
    return m_attachment;
}

void Database::connect(const ConnectParams &params)
{
    m_params = params;
    connect();
}

void Database::connect()
{
    attach(false, 0);
}

void Database::create(int pageSize)
{
    attach(true, pageSize);
}

void Database::attach(bool create, int pageSize)
{
    if (m_attachment)
        disconnect();
    m_charset = Charset(m_params.charset);
    Status status;
    IXpbBuilder *dpb = util()->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0);
    auto addString = [&](int tag, const QString &value) {
        if (!value.isEmpty())
            dpb->insertString(&status, tag, value.toUtf8().constData());
    };
    dpb->insertInt(&status, isc_dpb_utf8_filename, 1);
    addString(isc_dpb_user_name, m_params.userName);
    addString(isc_dpb_password, m_params.password);
    addString(isc_dpb_sql_role_name, m_params.role);
    addString(isc_dpb_lc_ctype, m_params.charset);
    dpb->insertInt(&status, isc_dpb_sql_dialect, m_params.dialect);
    if (create) {
        dpb->insertInt(&status, isc_dpb_page_size, pageSize);
        addString(isc_dpb_set_db_charset, m_params.charset);
    }
    const QByteArray name = m_params.databaseName.toUtf8();
    const unsigned length = dpb->getBufferLength(&status);
    const unsigned char *buffer = dpb->getBuffer(&status);
    IAttachment *att
            = create ? provider()->createDatabase(&status, name.constData(), length, buffer)
                     : provider()->attachDatabase(&status, name.constData(), length, buffer);
    dpb->dispose();
    if (status.failed())
        throw Error::fromStatus(status.raw);
    m_attachment = att;
    m_lost = false;
    afterAttach();
}

void Database::afterAttach()
{
    try {
        measureClock();
        readServerVersion();
    } catch (...) {
        releaseAttachment();
        throw;
    }
    emit connected();
}

void Database::measureClock()
{
    Transaction tr(*this);
    Query q(tr, QStringLiteral("select current_timestamp from rdb$database"));
    const QDateTime before = QDateTime::currentDateTime();
    q.execute();
    q.next();
    const QDateTime after = QDateTime::currentDateTime();
    const QDateTime server = q.value(0).toDateTime();
    const QDateTime local = before.addMSecs(before.msecsTo(after) / 2);
    m_clockOffsetMs = local.msecsTo(server);
    q.close();
    tr.commit();
}

void Database::readServerVersion()
{
    Status status;
    VersionCollector collector;
    util()->getFbVersion(&status, m_attachment, &collector);
    if (status.failed())
        raise(status.raw);
    m_serverVersion = collector.lines.join(u'\n');
}

QString Database::clientVersion()
{
    char buffer[256] = {};
    isc_get_client_version(buffer);
    return QString::fromLatin1(buffer);
}

QDateTime Database::serverNow() const
{
    return QDateTime::currentDateTime().addMSecs(m_clockOffsetMs);
}

void Database::disconnect()
{
    if (!m_attachment)
        return;
    emit aboutToDisconnect();
    releaseChildren();
    Status status;
    std::optional<Error> error;
    if (!m_lost) {
        m_attachment->detach(&status);
        if (!status.failed())
            m_attachment = nullptr; // a successful detach releases the attachment
        else if (!Error::fromStatus(status.raw).isConnectionLost())
            error = Error::fromStatus(status.raw);
    }
    releaseAttachment();
    emit disconnected();
    if (error)
        throw *error;
}

void Database::releaseChildren()
{
    for (Query *q : QList<Query *>(m_queries))
        q->unprepare();
    for (Transaction *t : QList<Transaction *>(m_transactions))
        t->endOnClose();
}

void Database::drop()
{
    checkedAttachment();
    releaseChildren();
    Status status;
    m_attachment->dropDatabase(&status);
    if (status.failed())
        raise(status.raw);
    m_attachment = nullptr; // dropDatabase releases the attachment
    emit disconnected();
}

void Database::releaseAttachment()
{
    if (m_attachment)
        m_attachment->release();
    m_attachment = nullptr;
}

void Database::raise(IStatus *status, const QString &statement)
{
    Error error = Error::fromStatus(status, statement, &m_charset);
    if (error.isConnectionLost()) {
        if (!m_lost) {
            m_lost = true;
            emit connectionLost(error.message());
        }
        throw ConnectionLost(error);
    }
    throw error;
}

void Database::registerTransaction(Transaction *t)
{
    m_transactions.append(t);
}

void Database::unregisterTransaction(Transaction *t)
{
    m_transactions.removeOne(t);
}

void Database::registerQuery(Query *q)
{
    m_queries.append(q);
}

void Database::unregisterQuery(Query *q)
{
    m_queries.removeOne(q);
}

} // namespace fb
