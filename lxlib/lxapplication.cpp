#include "lxapplication.h"

#include "lxerrorhandle.h"
#include "lxlog.h"

#include <QSocketNotifier>
#include <QWidget>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The handler only writes a byte; the event loop does the work (self-pipe).
int signalSockets[2] = {-1, -1};

void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
}

void closeAllWindows()
{
    char byte;
    [[maybe_unused]] const ssize_t read = ::read(signalSockets[1], &byte, 1);
    Log(QStringLiteral("Termination signal received, closing the windows"), elInfo);
    bool anyVisible = false;
    for (QWidget *window : QApplication::topLevelWidgets())
        anyVisible = anyVisible || window->isVisible();
    if (anyVisible)
        QApplication::closeAllWindows();
    else
        QCoreApplication::quit();
}

} // namespace

LxApplication::LxApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{}

bool LxApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        TLxErrorHandle::OnError(receiver, error);
    } catch (...) {
        TLxErrorHandle::OnError(
                receiver, QStringLiteral("Exception"), QStringLiteral("Unknown error"));
    }
    return false;
}

void LxApplication::CloseOnTerminationSignals()
{
    if (signalSockets[0] < 0) {
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalSockets) != 0)
            return;
        auto *notifier = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, qApp);
        QObject::connect(notifier, &QSocketNotifier::activated, qApp, &closeAllWindows);
    }
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signalNumber, &action, nullptr);
}
