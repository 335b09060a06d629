#pragma once

#include "lxlib_global.h"

#include <QApplication>

// The application object of the system's programs: every exception thrown while an event is
// delivered goes to TLxErrorHandle::OnError, and the event loop goes on.
class LXLIB_EXPORT LxApplication : public QApplication
{
    Q_OBJECT

public:
    LxApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // SIGTERM, SIGINT and SIGHUP (a session logout, Ctrl+C) close every top-level window, so the
    // program ends through its normal shutdown; without a window the event loop quits. Call it
    // after the database engine is loaded: the engine installs handlers of its own that would
    // otherwise swallow these signals.
    static void CloseOnTerminationSignals();
};
