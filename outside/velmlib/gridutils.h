#pragma once

#include "velmlib_global.h"

#include <QList>
#include <QString>
#include <functional>

class QAbstractItemModel;
class QTableView;

namespace fb {
class DataSet;
}

// Whole-grid selection: selecting "all" of a register that is fetched on demand. The fetched
// rows are marked as one range and the grid keeps a flag: while it is set, rows fetched later
// join the selection, so the rows still on the server belong to it without being fetched. Any
// other change of the selection (by the user or by code) clears the flag; so does a model reset
// that leaves the grid empty (the list was closed or reopened).
VELMLIB_EXPORT void SelectWholeGrid(QTableView *grid);
VELMLIB_EXPORT bool IsWholeGridSelected(const QTableView *grid);

// The number of selected rows: 0 for an empty grid; for the whole grid the number of all rows
// (the rest are fetched first); else the number of marked rows, or 1 when none is marked (the
// current row). Counted from the selection's ranges, so a large marked block is cheap.
VELMLIB_EXPORT int SelectedRowCount(QTableView *grid);

// Fetches the model's remaining rows (a data set's in one read, announced once).
VELMLIB_EXPORT void FetchAllRows(QAbstractItemModel *model);

// The number of marked rows (a row with any marked cell counts once), from the selection's
// ranges; a whole-grid selection counts only its fetched rows here.
VELMLIB_EXPORT int MarkedRowCount(const QTableView *grid);

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

// Moves the current record of a list kept in the order of orderField one place down (or up):
// its order value is exchanged with the neighbour's and both rows are posted. The moved record
// stays the current row; when the data set is sorted on the client the view is sorted again,
// so the record shows at its new place. Nothing happens at the first row (up) or the last row
// (down). A pending edit is posted first. When the second row cannot be posted the first one
// gets its old value back before the error is raised, so the list keeps distinct values.
VELMLIB_EXPORT void MoveRecord(fb::DataSet &dataSet, const QString &orderField, bool down);

class TLxFields;

// Applies the repository's display settings to the grid's columns, each found by the field
// name prefix + header name (Qt::UserRole, else the display text): the grid caption as the
// header text (the field name moves to Qt::UserRole; models that keep no header data keep
// their own text), the width in characters of the grid's font, and hidden columns.
VELMLIB_EXPORT void
ApplyGridRepository(QTableView *grid, const TLxFields &fields, const QString &prefix = {});
