#pragma once

#include "fb_global.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace fb {

// Writes every prepared and executed statement, with its parameter values, to the log at
// the info level. Costs nothing unless the log's DebugLevel admits info lines.
class VELMFB_EXPORT SqlMonitor
{
public:
    static bool enabled();
    static void prepared(const QString &sql);
    static void
    executed(const QString &sql, const QStringList &names, const std::vector<QVariant> &values);
    // The text a value has in the log ("null", quoted strings, "<blob N bytes>").
    static QString format(const QVariant &value);
};

} // namespace fb
