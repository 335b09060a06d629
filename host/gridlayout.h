#pragma once

#include <QMap>
#include <QString>

class QTableView;

// The arrangement of a grid's columns as named values, kept in the user's settings and in layout
// files: the columns in their shown order with width and visibility, found again by field name
// (the header's Qt::UserRole), and the row height. Sort markers are not part of it.
namespace GridLayout {

using Values = QMap<QString, QString>;

inline constexpr int Version = 1;

Values Save(const QTableView *grid);
// Raises LxError for a layout of another version or with a broken entry.
void Check(const Values &values);
// Checks the values first (raising LxError for another version or a broken entry) and then
// applies them, so a bad layout changes nothing. Columns the grid lacks are skipped; columns
// the layout does not name keep their place after the named ones.
void Restore(QTableView *grid, const Values &values);

} // namespace GridLayout
