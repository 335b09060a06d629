#pragma once

#include "fb_global.h"

#include <QString>
#include <QVariant>

namespace fb {

class Transaction;

// Turns a select into the select of its row count. A plain select (joins allowed) gets
// count(*) in place of its select list and loses its ORDER BY; a select with GROUP BY,
// DISTINCT, UNION, FIRST/SKIP or ROWS is counted as a derived table. A leading WITH stays in
// front.
class VELMFB_EXPORT CountTransform
{
public:
    static QString countSelect(const QString &select);
    // Runs the count; parameters the count statement no longer has are left out.
    static qint64
    count(Transaction &transaction, const QString &select, const QVariantHash &params = {});
};

} // namespace fb
