#include "velmmain.h"

#include "commandline.h"
#include "fmsplash.h"
#include "fmstudentlist.h"
#include "menuutils.h"
#include "planner.h"
#include "plugincall.h"
#include "textformat.h"
#include "velmapplication.h"
#include "velminit.h"
#include "velmver.h"

#include <comserver.h>
#include <lxapplication.h>
#include <lxerrorhandle.h>
#include <lxlog.h>
#include <lxnls.h>
#include <lxutils.h>
#include <namedmutex.h>
#include <velmconsts.h>
#include <velmutils.h>
#include <xmlsecurity.h>

#include <QDomDocument>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>

#include <memory>

namespace {

void startConnectionSetup()
{
    const QString program = GetFullFileName(QStringLiteral("BinPath"), QStringLiteral("velmconf"));
    Log(QStringLiteral("No connection configured, start ") + program, elInfo);
    if (!QProcess::startDetached(program, {}))
        Log(QStringLiteral("Cannot start ") + program, elError);
}

// Registers or removes the plug-in library named on the command line instead of a normal run;
// a failure is printed and ends the program with 1.
int runServerRegistration(const TCommandLine &commandLine)
{
    const bool registering
            = commandLine.ServerRegistration() == TCommandLine::ServerAction::Register;
    try {
        if (commandLine.ServerLibrary().isEmpty())
            throw LxError(LxTr("Не указана библиотека модуля"));
        const QString library = QFileInfo(commandLine.ServerLibrary()).absoluteFilePath();
        if (registering)
            RegisterServer(library);
        else
            UnregisterServer(library);
    } catch (const std::exception &error) {
        const QString message = ErrorText(error);
        Log(message, elError);
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}

// The part of the run between the login and the message loop; false ends the run.
bool prepareRun(TVelmApplication &application, const TCommandLine &commandLine)
{
    Planner::RunPlan();
    if (!application.Login(commandLine.User(), commandLine.Password(), true))
        return false;
    if (!CheckVersion(!commandLine.Upd()))
        return false;
    if (!commandLine.NoSplash())
        RunSplash(1500);
    try {
        // The window cannot work without its menus: the start stops before anything is loaded.
        CheckUserInterface(GetFullFileName(QStringLiteral("OptionsPath"),
                                           QStringLiteral("userinterface.cml")));
        if (!application.Prepared())
            application.Prepare();
    } catch (const std::exception &error) {
        FinishSplash();
        TLxErrorHandle::OnError(&application, error);
        return false;
    }
    TfmStudentList *window = application.MainWindow();
    window->show();
    window->activateWindow();
    window->setFocus();
    LxApplication::CloseOnTerminationSignals();
    SplashStatus(QStringLiteral("Открытие главного окна"));
    FinishSplash();
    return true;
}

} // namespace

void CheckUserInterface(const QString &fileName)
{
    QDomDocument document;
    if (!LoadEncXML(document, fileName))
        throw LxError(FormatText(LxTr("Ошибка при загрузке файла меню \"%s\""),
                                 {QStringLiteral("userinterface.cml")}));
    TMenuBuilder::CheckDefinition(document.documentElement());
}

bool ConnectionConfigured()
{
    return !GetRegValue(rgVelmKey(), QStringLiteral("ServerName")).isEmpty()
           && !GetRegValue(rgVelmKey(), QStringLiteral("DBName")).isEmpty();
}

int VelmorMain(int argc, char **argv)
{
    const TCommandLine commandLine(argc, argv);
    SetCmdLine(commandLine);
    VelmInit(commandLine);
    if (commandLine.ServerRegistration() != TCommandLine::ServerAction::None)
        return runServerRegistration(commandLine);

    if (!ConnectionConfigured()) {
        startConnectionSetup();
        return 0;
    }

    // Marks a running host for other programs (the updater waits for it); never tested here.
    NamedMutex mutex(QStringLiteral("Velmor5_mutex"));
    mutex.tryLock();

    LxApplication app(argc, argv);
    QApplication::setApplicationDisplayName(LxTr("Велмор"));
    QApplication::setQuitOnLastWindowClosed(false);

    auto application = std::make_unique<TVelmApplication>();
    if (prepareRun(*application, commandLine))
        app.exec();
    try {
        application->Unprepare();
    } catch (const std::exception &error) {
        TLxErrorHandle::OnError(application.get(), error);
    }
    application.reset();
    mutex.unlock();
    return 0;
}
