#pragma once

#include <QString>
#include <QStringList>

// Puts the values into the "%s" places of a translated pattern, in order (the message texts
// keep the printf form under which they are translated).
inline QString FormatText(const QString &pattern, const QStringList &values)
{
    QString result;
    qsizetype from = 0;
    for (const QString &value : values) {
        const qsizetype at = pattern.indexOf(QLatin1String("%s"), from);
        if (at < 0)
            break;
        result += pattern.mid(from, at - from) + value;
        from = at + 2;
    }
    return result + pattern.mid(from);
}
