#include "sqlmonitor.h"

#include <lxlog.h>

#include <QDateTime>

namespace fb {

bool SqlMonitor::enabled()
{
    return DebugLevel >= elInfo;
}

void SqlMonitor::prepared(const QString &sql)
{
    if (enabled())
        Log(QStringLiteral("SQL prepare: ") + sql, elInfo);
}

void SqlMonitor::executed(const QString &sql,
                          const QStringList &names,
                          const std::vector<QVariant> &values)
{
    if (!enabled())
        return;
    QString line = QStringLiteral("SQL execute: ") + sql;
    for (size_t i = 0; i < values.size(); ++i) {
        const QString name = int(i) < names.size() && !names[int(i)].isEmpty()
                                     ? names[int(i)]
                                     : QString::number(i + 1);
        line += QStringLiteral("\n  %1 = %2").arg(name, format(values[i]));
    }
    Log(line, elInfo);
}

QString SqlMonitor::format(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return QStringLiteral("null");
    switch (value.typeId()) {
    case QMetaType::QString:
        return u'\'' + value.toString() + u'\'';
    case QMetaType::QByteArray:
        return QStringLiteral("<blob %1 bytes>").arg(value.toByteArray().size());
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    default:
        return value.toString();
    }
}

} // namespace fb
