#include "lxapplication.h"

#include "lxerrorhandle.h"

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
