#include "sqltext.h"

#include <QRegularExpression>

namespace fb {

namespace {

struct Macro
{
    qsizetype begin = 0;
    qsizetype end = 0;
    QString name;
    QString defaultValue;
};

// Reads the macro starting at pos (sql[pos] == '@'); false when there is none.
bool readMacro(const QString &sql, qsizetype pos, Macro &macro)
{
    const bool twoAt = pos + 1 < sql.size() && sql[pos + 1] == u'@';
    qsizetype i = pos + (twoAt ? 2 : 1);
    const qsizetype nameBegin = i;
    if (i >= sql.size() || !SqlText::isIdentStart(sql[i]))
        return false;
    while (i < sql.size() && SqlText::isIdentChar(sql[i]))
        ++i;
    macro.begin = pos;
    macro.name = sql.mid(nameBegin, i - nameBegin).toUpper();
    macro.defaultValue.clear();
    if (i < sql.size() && sql[i] == u'%') {
        const qsizetype valueBegin = ++i;
        if (twoAt) {
            while (i < sql.size() && sql[i] != u'@')
                ++i;
        } else {
            while (i < sql.size() && sql[i] != u'@' && !sql[i].isSpace())
                ++i;
        }
        macro.defaultValue = sql.mid(valueBegin, i - valueBegin);
    }
    if (i < sql.size() && sql[i] == u'@')
        ++i; // the closing @
    macro.end = i;
    return true;
}

template<typename Visit>
void forEachMacro(const QString &sql, Visit visit)
{
    for (qsizetype i = 0; i < sql.size();) {
        const qsizetype skipped = SqlText::skipNonCode(sql, i);
        if (skipped != i) {
            i = skipped;
            continue;
        }
        Macro macro;
        if (sql[i] == u'@' && readMacro(sql, i, macro)) {
            visit(macro);
            i = macro.end;
            continue;
        }
        ++i;
    }
}

} // namespace

qsizetype SqlText::skipNonCode(const QString &sql, qsizetype pos)
{
    const qsizetype n = sql.size();
    const QChar c = sql[pos];
    if (c == u'\'' || c == u'"') {
        qsizetype i = pos + 1;
        while (i < n) {
            if (sql[i] == c) {
                if (i + 1 < n && sql[i + 1] == c) { // doubled quote inside
                    i += 2;
                    continue;
                }
                return i + 1;
            }
            ++i;
        }
        return n;
    }
    if (c == u'-' && pos + 1 < n && sql[pos + 1] == u'-') {
        const qsizetype eol = sql.indexOf(u'\n', pos);
        return eol < 0 ? n : eol + 1;
    }
    if (c == u'/' && pos + 1 < n && sql[pos + 1] == u'*') {
        const qsizetype close = sql.indexOf(QLatin1String("*/"), pos + 2);
        return close < 0 ? n : close + 2;
    }
    return pos;
}

SqlText::Params SqlText::parseParams(const QString &sql)
{
    Params result;
    result.sql.reserve(sql.size());
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n;) {
        const qsizetype skipped = skipNonCode(sql, i);
        if (skipped != i) {
            result.sql += QStringView(sql).mid(i, skipped - i);
            i = skipped;
            continue;
        }
        const QChar c = sql[i];
        const bool named = (c == u'?' || c == u':') && i + 1 < n && isIdentStart(sql[i + 1]);
        if (named) {
            qsizetype end = i + 1;
            while (end < n && isIdentChar(sql[end]))
                ++end;
            result.names << sql.mid(i + 1, end - i - 1).toUpper();
            result.sql += u'?';
            i = end;
            continue;
        }
        if (c == u'?')
            result.names << QString();
        result.sql += c;
        ++i;
    }
    return result;
}

QString SqlText::expandMacros(const QString &sql, const QHash<QString, QString> &values)
{
    QString result;
    qsizetype copied = 0;
    forEachMacro(sql, [&](const Macro &macro) {
        result += QStringView(sql).mid(copied, macro.begin - copied);
        const auto it = values.constFind(macro.name);
        result += it != values.constEnd() ? *it : macro.defaultValue;
        copied = macro.end;
    });
    result += QStringView(sql).mid(copied);
    return result;
}

QStringList SqlText::macroNames(const QString &sql)
{
    QStringList names;
    forEachMacro(sql, [&](const Macro &macro) {
        if (!names.contains(macro.name))
            names << macro.name;
    });
    return names;
}

QHash<QString, QString> SqlText::macroDefaults(const QString &sql)
{
    QHash<QString, QString> defaults;
    forEachMacro(sql, [&](const Macro &macro) {
        if (!defaults.contains(macro.name))
            defaults.insert(macro.name, macro.defaultValue);
    });
    return defaults;
}

QString SqlText::firstKeyword(const QString &sql)
{
    qsizetype i = 0;
    while (i < sql.size()) {
        const qsizetype skipped = skipNonCode(sql, i);
        if (skipped != i && sql[i] != u'\'' && sql[i] != u'"') {
            i = skipped;
            continue;
        }
        if (!sql[i].isSpace())
            break;
        ++i;
    }
    qsizetype end = i;
    while (end < sql.size() && isIdentChar(sql[end]))
        ++end;
    return sql.mid(i, end - i).toUpper();
}

bool SqlText::isProceduralDdl(const QString &sql)
{
    const QString first = firstKeyword(sql);
    if (first == QLatin1String("CREATE") || first == QLatin1String("ALTER")
        || first == QLatin1String("RECREATE"))
        return true;
    if (first == QLatin1String("EXECUTE")) {
        static const QRegularExpression block(QStringLiteral("^\\s*EXECUTE\\s+BLOCK\\b"),
                                              QRegularExpression::CaseInsensitiveOption);
        return block.match(sql).hasMatch();
    }
    return false;
}

} // namespace fb
