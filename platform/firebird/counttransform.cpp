#include "counttransform.h"

#include "query.h"
#include "sqltext.h"

#include <QRegularExpression>

#include <vector>

namespace fb {

namespace {

struct Word
{
    QString text; // upper case
    qsizetype begin;
    qsizetype end;
};

// The words outside parentheses, literals and comments.
std::vector<Word> topLevelWords(const QString &sql)
{
    std::vector<Word> words;
    int depth = 0;
    for (qsizetype i = 0; i < sql.size();) {
        const qsizetype skipped = SqlText::skipNonCode(sql, i);
        if (skipped != i) {
            i = skipped;
            continue;
        }
        const QChar c = sql[i];
        if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            --depth;
        } else if (SqlText::isIdentStart(c)) {
            qsizetype end = i;
            while (end < sql.size() && SqlText::isIdentChar(sql[end]))
                ++end;
            if (depth == 0)
                words.push_back({sql.mid(i, end - i).toUpper(), i, end});
            i = end;
            continue;
        }
        ++i;
    }
    return words;
}

int findWord(const std::vector<Word> &words,
             const QString &text,
             size_t from = 0,
             const QString &next = {})
{
    for (size_t i = from; i < words.size(); ++i)
        if (words[i].text == text
            && (next.isEmpty() || (i + 1 < words.size() && words[i + 1].text == next)))
            return int(i);
    return -1;
}

} // namespace

QString CountTransform::countSelect(const QString &select)
{
    QString sql = select.trimmed();
    while (sql.endsWith(u';'))
        sql = sql.chopped(1).trimmed();
    const std::vector<Word> words = topLevelWords(sql);
    const int selectWord = findWord(words, QStringLiteral("SELECT"));
    if (selectWord < 0)
        return sql;
    // A WITH clause stays in front of the count.
    const QString prefix = sql.left(words[size_t(selectWord)].begin);
    const QString body = sql.mid(words[size_t(selectWord)].begin);
    const std::vector<Word> w = topLevelWords(body);

    // Cut ORDER BY (and FOR UPDATE / WITH LOCK) off the end; ROWS after ORDER BY stays.
    qsizetype cutBegin = body.size();
    qsizetype cutEnd = body.size();
    const int order = findWord(w, QStringLiteral("ORDER"), 0, QStringLiteral("BY"));
    const int forUpdate = findWord(w, QStringLiteral("FOR"), 0, QStringLiteral("UPDATE"));
    const int withLock = findWord(w, QStringLiteral("WITH"), 0, QStringLiteral("LOCK"));
    const int rows = findWord(w, QStringLiteral("ROWS"));
    const int unionWord = findWord(w, QStringLiteral("UNION"));
    if (order >= 0 && order > unionWord) {
        cutBegin = w[size_t(order)].begin;
        if (rows > order)
            cutEnd = w[size_t(rows)].begin;
        else if (forUpdate > order || withLock > order)
            cutEnd = w[size_t(std::max(forUpdate, withLock))].begin;
    }
    QString core = body.left(cutBegin) + u' ' + body.mid(cutEnd);
    core = core.trimmed();
    static const QRegularExpression locking(
            QStringLiteral("\\s+(FOR\\s+UPDATE(\\s+OF\\s+[^)]*)?|WITH\\s+LOCK)\\s*$"),
            QRegularExpression::CaseInsensitiveOption);
    core.remove(locking);

    const std::vector<Word> cw = topLevelWords(core);
    const int from = findWord(cw, QStringLiteral("FROM"));
    const bool grouped = findWord(cw, QStringLiteral("GROUP"), 0, QStringLiteral("BY")) >= 0;
    const bool unions = findWord(cw, QStringLiteral("UNION")) >= 0;
    const bool distinct = cw.size() > 1 && cw[1].text == QLatin1String("DISTINCT");
    const bool limited
            = (cw.size() > 1
               && (cw[1].text == QLatin1String("FIRST") || cw[1].text == QLatin1String("SKIP")))
              || findWord(cw, QStringLiteral("ROWS")) >= 0;
    if (from < 0)
        return prefix + QStringLiteral("select count(*) from (") + core + QStringLiteral(") CNT_");
    if (!grouped && !unions && !distinct && !limited)
        return prefix + QStringLiteral("select count(*) ") + core.mid(cw[size_t(from)].begin);
    if (!unions && !distinct) {
        // Keep FIRST/SKIP, replace the select list by a constant: the rows stay the rows.
        qsizetype listBegin = cw[0].end;
        if (limited && cw.size() > 2
            && (cw[1].text == QLatin1String("FIRST") || cw[1].text == QLatin1String("SKIP"))) {
            // FIRST n [SKIP m]: the list starts after the last modifier's argument.
            static const QRegularExpression mods(
                    QStringLiteral("^\\s*((FIRST|SKIP)\\s+(\\d+|\\?\\w*|:\\w+|\\([^)]*\\))\\s*)+"),
                    QRegularExpression::CaseInsensitiveOption);
            const QRegularExpressionMatch m = mods.match(core.mid(listBegin));
            if (m.hasMatch())
                listBegin += m.capturedLength();
        }
        core = core.left(listBegin) + QStringLiteral(" 1 as C_ ")
               + core.mid(cw[size_t(from)].begin);
    }
    return prefix + QStringLiteral("select count(*) from (") + core + QStringLiteral(") CNT_");
}

qint64
CountTransform::count(Transaction &transaction, const QString &select, const QVariantHash &params)
{
    Query q(transaction, countSelect(select));
    for (auto it = params.begin(); it != params.end(); ++it)
        if (q.hasParam(it.key()))
            q.setParam(it.key(), it.value());
    q.execute();
    return q.next() ? q.value(0).toLongLong() : 0;
}

} // namespace fb
