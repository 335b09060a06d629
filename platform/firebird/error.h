#pragma once

#include "fb_global.h"

#include <lxerror.h>

#include <QString>

#include <functional>
#include <vector>

namespace Firebird {
class IStatus;
}

namespace fb {

class Charset;

// An error reported by the database engine: its status vector (gds codes), SQL code and
// the engine's message (passed through the message translator). A statement error also
// names the statement that failed.
class VELMFB_EXPORT Error : public LxError
{
public:
    Error(const QString &message,
          std::vector<qint64> gdsCodes,
          int sqlCode,
          const QString &statement = {});

    // Builds the error from a failed status; the statement, when given, is named in the text.
    // Texts in the status (names, values) are decoded with charset when given.
    static Error fromStatus(Firebird::IStatus *status,
                            const QString &statement = {},
                            const Charset *charset = nullptr);
    // Throws fromStatus(), as a ConnectionLost when the codes say the connection is gone.
    [[noreturn]] static void raise(Firebird::IStatus *status,
                                   const QString &statement = {},
                                   const Charset *charset = nullptr);

    QString className() const override { return QStringLiteral("EFBError"); }

    const std::vector<qint64> &gdsCodes() const { return m_gdsCodes; }
    // The first gds code of the status vector (0 when there is none).
    qint64 gdsCode() const { return m_gdsCodes.empty() ? 0 : m_gdsCodes.front(); }
    bool hasGdsCode(qint64 code) const;
    int sqlCode() const { return m_sqlCode; }
    // The engine's message without the statement part.
    QString engineMessage() const { return m_engineMessage; }
    QString statement() const { return m_statement; }

    // 335544472: the server refused the user name or password.
    bool isLoginError() const;
    // 335544665 (unique or primary key violation) or 335544349 (duplicate in a unique index).
    bool isDuplicateKey() const;
    bool isConnectionLost() const;

    // Every engine message passes through this function before it is shown (default: LxTr).
    using Translator = std::function<QString(const QString &)>;
    // A null translator brings back the default.
    static void setTranslator(Translator translator);
    static QString translate(const QString &message);

private:
    std::vector<qint64> m_gdsCodes;
    int m_sqlCode = 0;
    QString m_engineMessage;
    QString m_statement;
};

// The connection to the database is gone (network error, server shut down, detached).
class VELMFB_EXPORT ConnectionLost : public Error
{
public:
    using Error::Error;
    explicit ConnectionLost(const Error &error)
        : Error(error)
    {}
    QString className() const override { return QStringLiteral("EFBConnectionLost"); }
};

// Misuse of the layer found on the client side: an unknown parameter or field name, a stale
// transaction handle, a statement on a closed connection.
class VELMFB_EXPORT UsageError : public LxError
{
public:
    using LxError::LxError;
    QString className() const override { return QStringLiteral("EFIBError"); }
};

} // namespace fb
