#pragma once

#include <QList>
#include <QString>

// Selection files (*.sel): an ini file whose section "TfmStudentList" holds one key per marked
// student, the key being the STUDENTID and the value empty.
namespace SelectionFile {

// Writes the file whole or, on failure, leaves the old one and raises LxError naming it.
void Save(const QString &fileName, const QList<qint64> &studentIds);
// The ids of the file, sorted; raises LxError naming a file that cannot be read or is not a
// selection file. Keys that are not numbers are skipped.
QList<qint64> Load(const QString &fileName);

} // namespace SelectionFile
