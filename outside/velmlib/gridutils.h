#pragma once

#include "velmlib_global.h"

#include <QList>
#include <QString>
#include <functional>

class QTableView;

// The rows a command works on in a grid: every row when the whole grid is selected (the rows
// not fetched yet are fetched first), else the marked rows, else the current row; none in an
// empty grid. Rows in ascending order.
VELMLIB_EXPORT QList<int> GetSelectedRows(QTableView *grid);

// Calls callback once per selected row (as GetSelectedRows) with that row made current; the
// current row and the selection are as before afterwards, also when the callback raises.
VELMLIB_EXPORT void IterateSelectedList(QTableView *grid,
                                        const std::function<void(int row)> &callback);

// The values of the column fieldName in the selected rows, as text joined by the delimiter.
// The column is found by the horizontal header's Qt::UserRole (the field name when the header
// shows captions), else by its display text; an unknown field raises LxError.
VELMLIB_EXPORT QString GetSelectedList(QTableView *grid,
                                       const QString &fieldName,
                                       const QString &delimiter);

// The column of a field in the grid's model, -1 when there is none.
VELMLIB_EXPORT int FindGridColumn(QTableView *grid, const QString &fieldName);

class TLxFields;

// Applies the repository's display settings to the grid's columns, each found by the field
// name prefix + header name (Qt::UserRole, else the display text): the grid caption as the
// header text (the field name moves to Qt::UserRole; models that keep no header data keep
// their own text), the width in characters of the grid's font, and hidden columns.
VELMLIB_EXPORT void
ApplyGridRepository(QTableView *grid, const TLxFields &fields, const QString &prefix = {});
