#include "fmconnectparams.h"

#include <lxapplication.h>
#include <lxlog.h>
#include <lxnls.h>

int main(int argc, char **argv)
{
    DebugLevel = 1;
    LxApplication app(argc, argv);
    QApplication::setApplicationDisplayName(LxTr("Параметры подключения к БД"));
    TfmConnectParams window;
    window.show();
    return app.exec();
}
