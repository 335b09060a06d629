#pragma once

#include "lxlib_global.h"

#include <QString>

#include <exception>

class QObject;

// The application-wide handler for exceptions that reach the event loop: logs
// "<class>. <message>" at elAppException, beeps and shows the message in an error box.
// LxApplication calls it for every exception thrown from an event handler.
class LXLIB_EXPORT TLxErrorHandle
{
public:
    static void OnError(QObject *sender, const std::exception &error);
    static void OnError(QObject *sender, const QString &className, const QString &message);

    // The text of the error box: the message with one "." appended unless it ends with one.
    static QString MessageText(const QString &message);
    // The class name logged for an exception (LxError::className() for the system's errors).
    static QString ClassName(const std::exception &error);
    // True when message boxes can be shown: a QApplication on a real display (not offscreen).
    static bool CanShowMessageBoxes();
};
