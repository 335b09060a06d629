#pragma once

#include "lxlib_global.h"

#include <QString>

class QWidget;

// The translation layer: msgids are the Russian texts of the user interface.
// LxTr looks the text up in the current language's catalogue (gettext domain "velmor"
// unless another is given) and returns it unchanged when there is no translation.
LXLIB_EXPORT QString LxTr(const char *msgid);
LXLIB_EXPORT QString LxTr(const QString &msgid);
LXLIB_EXPORT QString LxTrDomain(const char *domain, const QString &msgid);

// Binds a further gettext domain (a plug-in's catalogue) from the locale folder.
LXLIB_EXPORT void LxBindDomain(const char *domain);

// Translates the user-visible texts of a widget tree in place (titles, labels, buttons,
// actions, tool tips, header captions); never SQL, field names or formats.
LXLIB_EXPORT void TranslateComponent(QWidget *root, const char *domain = nullptr);
