#include "scriptrunner.h"

#include "database.h"
#include "error.h"
#include "query.h"
#include "sqltext.h"
#include "transaction.h"

#include <lxnls.h>

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

namespace fb {

namespace {

const QRegularExpression &setTermPattern()
{
    static const QRegularExpression re(QStringLiteral("^SET\\s+TERM\\s+(\\S+)\\s*$"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

// The statement text without comments, trimmed: what the commands are recognised by.
QString codeOnly(const QString &text)
{
    QString result;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype skipped = SqlText::skipNonCode(text, i);
        if (skipped != i) {
            if (text[i] == u'\'' || text[i] == u'"')
                result += QStringView(text).mid(i, skipped - i);
            else
                result += u' ';
            i = skipped;
            continue;
        }
        result += text[i++];
    }
    return result.simplified();
}

bool isDdl(const QString &keyword)
{
    static const QStringList ddl = {QStringLiteral("CREATE"),
                                    QStringLiteral("ALTER"),
                                    QStringLiteral("RECREATE"),
                                    QStringLiteral("DROP"),
                                    QStringLiteral("DECLARE"),
                                    QStringLiteral("GRANT"),
                                    QStringLiteral("REVOKE"),
                                    QStringLiteral("COMMENT")};
    return ddl.contains(keyword);
}

// isql's own settings, which mean nothing to the engine.
bool isClientSetting(const QString &code)
{
    static const QRegularExpression re(
            QStringLiteral(
                    "^SET\\s+(SQL\\s+DIALECT|NAMES|AUTODDL|STATS|LIST|ECHO|PLAN|PLANONLY|COUNT|"
                    "HEADING|BAIL|WARNINGS|WNG|TIME|BLOBDISPLAY|BLOB|ROWCOUNT|SQLDA_DISPLAY|"
                    "EXEC_PATH_DISPLAY|KEEP_TRAN_PARAMS|MAXWIDTH)\\b"),
            QRegularExpression::CaseInsensitiveOption);
    return re.match(code).hasMatch();
}

} // namespace

ScriptRunner::ScriptRunner(Transaction &transaction, QObject *parent)
    : QObject(parent)
    , m_transaction(&transaction)
{}

std::vector<ScriptStatement> ScriptRunner::split(const QString &script, const QString &terminator)
{
    std::vector<ScriptStatement> statements;
    QString term = terminator;
    qsizetype begin = 0;
    int line = 1;      // line at position i
    int beginLine = 1; // line at position begin
    auto emitStatement = [&](qsizetype end) {
        QString text = script.mid(begin, end - begin);
        // The statement starts at its first character of code: count the lines before it.
        int startLine = beginLine;
        qsizetype i = 0;
        while (i < text.size()) {
            const qsizetype skipped = SqlText::skipNonCode(text, i);
            const bool comment = skipped != i && text[i] != u'\'' && text[i] != u'"';
            if (!comment && !text[i].isSpace())
                break;
            const qsizetype next = comment ? skipped : i + 1;
            startLine += int(QStringView(text).mid(i, next - i).count(u'\n'));
            i = next;
        }
        text = text.mid(i).trimmed();
        if (text.isEmpty())
            return;
        const QRegularExpressionMatch m = setTermPattern().match(codeOnly(text));
        if (m.hasMatch()) {
            term = m.captured(1);
            return;
        }
        statements.push_back({text, startLine});
    };
    for (qsizetype i = 0; i < script.size();) {
        const qsizetype skipped = SqlText::skipNonCode(script, i);
        if (skipped != i) {
            line += int(QStringView(script).mid(i, skipped - i).count(u'\n'));
            i = skipped;
            continue;
        }
        if (QStringView(script).mid(i).startsWith(term, Qt::CaseInsensitive)) {
            emitStatement(i);
            i += term.size();
            begin = i;
            beginLine = line;
            continue;
        }
        if (script[i] == u'\n')
            ++line;
        ++i;
    }
    emitStatement(script.size());
    return statements;
}

void ScriptRunner::run(const QString &script, const QString &fileName)
{
    for (const ScriptStatement &statement : split(script, m_terminator))
        runStatement(statement, fileName);
}

void ScriptRunner::runFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw LxError(LxTr("Не удалось открыть файл %1").arg(path));
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = m_transaction->database().charset().decode(bytes);
    run(text, path);
}

bool ScriptRunner::handleCommand(const ScriptStatement &statement)
{
    const QString code = codeOnly(statement.text);
    static const QRegularExpression endTransaction(QStringLiteral("^(COMMIT|ROLLBACK)(\\s+WORK)?$"),
                                                   QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = endTransaction.match(code);
    if (m.hasMatch()) {
        if (m_transaction->isActive()) {
            if (m.captured(1).toUpper() == QLatin1String("COMMIT"))
                m_transaction->commit();
            else
                m_transaction->rollback();
        }
        return true;
    }
    if (isClientSetting(code))
        return true;
    static const QRegularExpression unsupported(
            QStringLiteral("^(CREATE\\s+DATABASE|CREATE\\s+SCHEMA|CONNECT|INPUT|QUIT|EXIT)\\b"),
            QRegularExpression::CaseInsensitiveOption);
    if (unsupported.match(code).hasMatch())
        throw UsageError(LxTr("Команда не поддерживается в сценарии: %1").arg(code.left(40)));
    return false;
}

void ScriptRunner::runStatement(const ScriptStatement &statement, const QString &fileName)
{
    if (m_before)
        m_before(statement);
    const QString where = (fileName.isEmpty() ? QStringLiteral("script") : fileName) + u':'
                          + QString::number(statement.line);
    try {
        if (handleCommand(statement))
            return;
        Query q(*m_transaction);
        q.setParamCheck(false);
        q.setSql(statement.text);
        q.execute();
        ++m_executed;
        if (m_autoDdl && isDdl(SqlText::firstKeyword(statement.text)))
            m_transaction->commitRetaining();
    } catch (const Error &e) {
        if (e.isConnectionLost())
            throw;
        if (m_ignoreErrors || (m_onError && m_onError(statement, e) == ErrorAction::Ignore)) {
            ++m_ignored;
            return;
        }
        throw Error(where + QStringLiteral(": ") + e.engineMessage(),
                    e.gdsCodes(),
                    e.sqlCode(),
                    statement.text);
    } catch (const UsageError &e) {
        throw UsageError(where + QStringLiteral(": ") + e.message());
    }
}

} // namespace fb
