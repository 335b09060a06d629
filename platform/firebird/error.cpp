#include "error.h"

#include "charset.h"

#include <lxnls.h>

#include <firebird/Interface.h>
#include <ibase.h>
#include <iberror.h>

#include <QMutex>

#include <cstring>

namespace fb {

namespace {

QMutex translatorMutex;

Error::Translator &translator()
{
    static Error::Translator t = [](const QString &message) { return LxTr(message); };
    return t;
}

QString withStatement(const QString &message, const QString &statement)
{
    if (statement.isEmpty())
        return message;
    return message + QStringLiteral("\nStatement: ") + statement;
}

const qint64 lostConnectionCodes[] = {isc_network_error,
                                      isc_net_read_err,
                                      isc_net_write_err,
                                      isc_lost_db_connection,
                                      isc_shutdown,
                                      isc_att_shutdown,
                                      isc_net_connect_err,
                                      isc_conn_lost};

} // namespace

Error::Error(const QString &message,
             std::vector<qint64> gdsCodes,
             int sqlCode,
             const QString &statement)
    : LxError(withStatement(message, statement))
    , m_gdsCodes(std::move(gdsCodes))
    , m_sqlCode(sqlCode)
    , m_engineMessage(message)
    , m_statement(statement)
{}

Error Error::fromStatus(Firebird::IStatus *status, const QString &statement, const Charset *charset)
{
    std::vector<qint64> codes;
    std::vector<ISC_STATUS> vector;
    for (const intptr_t *p = status->getErrors(); *p != isc_arg_end;) {
        const intptr_t kind = *p++;
        const intptr_t value = *p++;
        vector.push_back(kind);
        vector.push_back(value);
        if (kind == isc_arg_gds)
            codes.push_back(value);
        if (kind == isc_arg_cstring) { // a length and a pointer
            vector.push_back(*p++);
        }
    }
    vector.push_back(isc_arg_end);
    const int sqlCode = codes.empty() ? 0 : int(isc_sqlcode(vector.data()));

    char buffer[2048];
    Firebird::IUtil *util = Firebird::fb_get_master_interface()->getUtilInterface();
    util->formatStatus(buffer, sizeof buffer, status);
    const QString text = charset ? charset->decode(buffer, qsizetype(std::strlen(buffer)))
                                 : QString::fromLocal8Bit(buffer);
    const QString message = translate(text.trimmed());
    return Error(message, std::move(codes), sqlCode, statement);
}

void Error::raise(Firebird::IStatus *status, const QString &statement, const Charset *charset)
{
    Error error = fromStatus(status, statement, charset);
    if (error.isConnectionLost())
        throw ConnectionLost(error);
    throw error;
}

bool Error::hasGdsCode(qint64 code) const
{
    return std::find(m_gdsCodes.begin(), m_gdsCodes.end(), code) != m_gdsCodes.end();
}

bool Error::isLoginError() const
{
    return hasGdsCode(isc_login);
}

bool Error::isDuplicateKey() const
{
    return hasGdsCode(isc_unique_key_violation) || hasGdsCode(isc_no_dup);
}

bool Error::isConnectionLost() const
{
    for (qint64 code : lostConnectionCodes)
        if (hasGdsCode(code))
            return true;
    return false;
}

void Error::setTranslator(Translator t)
{
    QMutexLocker lock(&translatorMutex);
    translator() = t ? std::move(t) : Translator([](const QString &m) { return LxTr(m); });
}

QString Error::translate(const QString &message)
{
    QMutexLocker lock(&translatorMutex);
    return translator()(message);
}

} // namespace fb
