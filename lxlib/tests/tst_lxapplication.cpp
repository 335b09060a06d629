#include "lxapplication.h"

#include <QElapsedTimer>
#include <QWidget>

#include <csignal>

#include <gtest/gtest.h>

namespace {

// The embedded database engine swallowed SIGTERM, so a logout of the desktop session left the
// program running; the signal now closes the windows through the normal shutdown.
TEST(LxApplication, TerminationSignalsCloseTheWindows)
{
    LxApplication::CloseOnTerminationSignals();
    for (int signalNumber : {SIGTERM, SIGHUP}) {
        QWidget window;
        window.show();
        ASSERT_TRUE(window.isVisible());
        ::raise(signalNumber);
        QElapsedTimer timer;
        timer.start();
        while (window.isVisible() && timer.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_FALSE(window.isVisible()) << "signal " << signalNumber;
    }
}

} // namespace
