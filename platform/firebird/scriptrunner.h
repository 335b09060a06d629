#pragma once

#include "fb_global.h"

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

namespace fb {

class Database;
class Error;
class Transaction;

// One statement of a script and the line (1-based) where its text begins.
struct VELMFB_EXPORT ScriptStatement
{
    QString text;
    int line = 0;
};

// Runs SQL scripts as isql does: statements end with the terminator (";" unless SET TERM
// changes it), -- and /* */ comments, COMMIT and ROLLBACK end the runner's transaction,
// SET SQL DIALECT, SET NAMES, SET AUTODDL and the other isql display settings are skipped.
// DDL is committed (with retaining) as soon as it runs, so later statements can use it.
class VELMFB_EXPORT ScriptRunner : public QObject
{
    Q_OBJECT

public:
    enum class ErrorAction { Raise, Ignore };
    using BeforeStatement = std::function<void(const ScriptStatement &)>;
    using OnError = std::function<ErrorAction(const ScriptStatement &, const Error &)>;

    ScriptRunner(Transaction &transaction, QObject *parent = nullptr);

    Transaction &transaction() const { return *m_transaction; }
    void setTerminator(const QString &terminator) { m_terminator = terminator; }
    QString terminator() const { return m_terminator; }
    void setAutoDdl(bool on) { m_autoDdl = on; }
    // Errors are raised unless this is set or the error hook asks to ignore them.
    void setIgnoreErrors(bool on) { m_ignoreErrors = on; }
    void setBeforeStatement(BeforeStatement hook) { m_before = std::move(hook); }
    void setOnError(OnError hook) { m_onError = std::move(hook); }

    // Runs the script; a failing statement raises an Error naming the file, line and statement.
    // The transaction is left as the script left it (the caller commits).
    void run(const QString &script, const QString &fileName = {});
    // Reads the file as windows-1251 text unless it is valid UTF-8.
    void runFile(const QString &path);

    int executed() const { return m_executed; }
    int ignoredErrors() const { return m_ignored; }

    // The statements of a script with SET TERM applied (SET TERM itself is not listed).
    static std::vector<ScriptStatement> split(const QString &script,
                                              const QString &terminator = QStringLiteral(";"));

private:
    void runStatement(const ScriptStatement &statement, const QString &fileName);
    bool handleCommand(const ScriptStatement &statement);

    Transaction *m_transaction;
    QString m_terminator = QStringLiteral(";");
    bool m_autoDdl = true;
    bool m_ignoreErrors = false;
    BeforeStatement m_before;
    OnError m_onError;
    int m_executed = 0;
    int m_ignored = 0;
};

} // namespace fb
