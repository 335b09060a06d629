#pragma once

#include "lxlib_global.h"

#include <QString>

class QObject;
class QEvent;

// Severity of a log line; a lower ordinal is more severe.
enum TErrorLevels { elFatalError = 0, elError = 1, elAppException = 2, elWarning = 3, elInfo = 4 };

// A line is written only when its level's ordinal is <= DebugLevel (-1 at load: nothing).
LXLIB_EXPORT extern int DebugLevel;
// At process exit a warning box is shown when MinLevel <= Warninglevel (-1 at load: never).
LXLIB_EXPORT extern int Warninglevel;
// The most severe level ordinal passed to Log so far, written or not (99 at load).
LXLIB_EXPORT extern int MinLevel;

// Appends "<date> <time> [TAG] [<thread id>] <message>" to the executable's log file.
// Callable from any thread; never throws.
LXLIB_EXPORT void Log(const QString &message, TErrorLevels level);

// The log file of this process: the executable's path with the extension "log".
LXLIB_EXPORT QString LogFileName();
// Sends the log elsewhere (tests, tools); an empty name returns to the default.
LXLIB_EXPORT void SetLogFileName(const QString &fileName);
// The part of a log line after the time stamp: "[TAG] [<thread id>] <message>".
LXLIB_EXPORT QString LogLine(const QString &message, TErrorLevels level, qint64 threadId);

// True when the exit warning is due: MinLevel <= Warninglevel.
LXLIB_EXPORT bool ExitWarningDue();
// Shows the exit warning once when it is due: a warning box in a GUI application, otherwise a
// line on stderr. Called when the event loop ends and, failing that, when the library unloads.
LXLIB_EXPORT void ShowExitWarning();
