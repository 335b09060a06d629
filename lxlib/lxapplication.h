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
};
