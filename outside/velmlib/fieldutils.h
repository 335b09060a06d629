#pragma once

#include "lxfields.h"
#include "velmlib_global.h"

#include <QString>

// The process's field repository, loaded by the host from the options directory's fields.xml.

// Loads (or reloads) the repository; on error raises LxError naming the file and keeps the
// repository as it was.
VELMLIB_EXPORT void LoadFieldsRep(const QString &fileName);
// True once LoadFieldsRep succeeded.
VELMLIB_EXPORT bool FieldsRepLoaded();
// The repository; raises LxError when it has not been loaded.
VELMLIB_EXPORT TLxFields &FieldsRep();
// Drops the repository (at the end of the process or of a test).
VELMLIB_EXPORT void FreeFieldsRep();

namespace fb {
class DataSet;
}

// Display settings of a data set's fields from the repository: the grid caption and the
// display format of each field of the open data set that the repository knows (by prefix +
// field name). The data set keeps no display settings of its own, so they are kept on the data
// set object, by field name, and read back with the calls below by whatever shows it (a table
// model's header and cell texts). A later call replaces them.
VELMLIB_EXPORT void
ApplyDataSetRepository(fb::DataSet &dataSet, const TLxFields &fields, const QString &prefix = {});
// The caption applied to the field, else the field name.
VELMLIB_EXPORT QString FieldDisplayLabel(const fb::DataSet &dataSet, const QString &fieldName);
// The display format applied to the field, empty when it has none.
VELMLIB_EXPORT QString FieldDisplayFormat(const fb::DataSet &dataSet, const QString &fieldName);
// A value as text in a display format of the repository: for dates and times the day, month,
// year, hour, minute and second parts of "dd.mm.yyyy hh:nn:ss" (m after h is the minute), for
// numbers the count of digits after the point of "0.00" ("," before it groups thousands). The
// value's own text when the format is empty or does not suit the value.
VELMLIB_EXPORT QString FormatDisplayValue(const QVariant &value, const QString &format);
