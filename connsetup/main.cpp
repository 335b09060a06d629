#include "fmconnectparams.h"

#include <lxapplication.h>
#include <lxlog.h>
#include <lxnls.h>

#include <QScreen>

int main(int argc, char **argv)
{
    DebugLevel = 1;
    LxApplication app(argc, argv);
    QApplication::setApplicationDisplayName(LxTr("Параметры подключения к БД"));
    TfmConnectParams window;
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
    window.show();
    return app.exec();
}
