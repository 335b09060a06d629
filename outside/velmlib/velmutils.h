#pragma once

#include "velmlib_global.h"

#include <QString>

// The buttons of a confirmation with cancel.
enum class MsgButton { Yes, No, Cancel };

// The directory held by a value of the product key ("OptionsPath", "BinPath", "OrdersPath")
// joined with the file name by "/"; only the file name when the value is empty.
VELMLIB_EXPORT QString GetFullFileName(const QString &valueName, const QString &fileName);

// Modal message boxes over the active window. Texts and captions pass through the translation
// layer, so callers give the Russian text.
// A question with "yes" and "no"; true for "yes".
VELMLIB_EXPORT bool MsgConfirmation(const QString &text);
// A question with "yes", "no" and, when asked for, "cancel"; Escape answers cancel, or no.
VELMLIB_EXPORT MsgButton MsgConfirmation(const QString &text, bool withCancel);
VELMLIB_EXPORT void MsgInformation(const QString &text);
VELMLIB_EXPORT void MsgWarning(const QString &text);
VELMLIB_EXPORT void MsgError(const QString &text);
