#include "lxlog.h"

#include "lxerrorhandle.h"
#include "lxnls.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QMessageBox>
#include <QMutex>

#include <atomic>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

int DebugLevel = -1;
int Warninglevel = -1;
int MinLevel = 99;

namespace {

QMutex &logMutex()
{
    static QMutex mutex;
    return mutex;
}

// Guarded by logMutex(); empty means "next to the executable".
QString &logFileOverride()
{
    static QString name;
    return name;
}

QString executablePath()
{
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return QString();
    return QString::fromLocal8Bit(buffer, length);
}

QString defaultLogFileName()
{
    const QString exe = executablePath();
    if (exe.isEmpty())
        return QString();
    // Linux programs usually have no extension: "velmor" logs to "velmor.log".
    const QFileInfo info(exe);
    const QString suffix = info.suffix();
    if (suffix.isEmpty())
        return exe + QStringLiteral(".log");
    return exe.left(exe.size() - suffix.size()) + QStringLiteral("log");
}

const char *levelTag(TErrorLevels level)
{
    switch (level) {
    case elFatalError:
        return "[FATAL ERROR]";
    case elError:
        return "[ERROR]";
    case elAppException:
        return "[EXCEPTION]";
    case elWarning:
        return "[WARNING]";
    case elInfo:
        return "[INFO]";
    }
    return "[INFO]";
}

// One write(2) of the whole line on an O_APPEND descriptor, under the process-wide lock.
void appendLine(const QByteArray &line)
{
    QMutexLocker locker(&logMutex());
    QString name = logFileOverride();
    if (name.isEmpty())
        name = defaultLogFileName();
    if (name.isEmpty())
        return;
    const int fd = ::open(
            QFile::encodeName(name).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    const char *data = line.constData();
    qsizetype left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written <= 0)
            break;
        data += written;
        left -= written;
    }
    ::close(fd);
}

std::atomic_bool exitWarningDone{false};

void exitWarningAtQuit()
{
    ShowExitWarning();
}

// Connects the warning to the end of the event loop of the application, once it exists.
void connectExitWarning()
{
    QObject::connect(
            QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &exitWarningAtQuit);
}
Q_COREAPP_STARTUP_FUNCTION(connectExitWarning)

// A program without an event loop gets the warning when the library unloads.
struct ExitWarningAtUnload
{
    ~ExitWarningAtUnload() { ShowExitWarning(); }
} exitWarningAtUnload;

} // namespace

bool ExitWarningDue()
{
    return MinLevel <= Warninglevel;
}

void ShowExitWarning()
{
    if (!ExitWarningDue() || exitWarningDone.exchange(true))
        return;
    try {
        const QString caption = LxTr("Внимание");
        const QString text = LxTr("Во время выполнения программы произошли ошибки.\r\n"
                                  "Посмотрите подробности в log-файле.");
        if (TLxErrorHandle::CanShowMessageBoxes())
            QMessageBox::warning(nullptr, caption, text);
        else
            std::fprintf(stderr,
                         "%s: %s\n",
                         caption.toLocal8Bit().constData(),
                         text.toLocal8Bit().constData());
    } catch (...) {
    }
}

QString LogLine(const QString &message, TErrorLevels level, qint64 threadId)
{
    return QStringLiteral("%1 [%2] %3")
            .arg(QLatin1String(levelTag(level)))
            .arg(threadId)
            .arg(message);
}

void Log(const QString &message, TErrorLevels level)
{
    if (int(level) < MinLevel)
        MinLevel = int(level);
    if (int(level) > DebugLevel)
        return;
    try {
        const QString stamp
                = QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
        const QString line = stamp + QLatin1Char(' ') + LogLine(message, level, ::gettid())
                             + QStringLiteral("\r\n");
        appendLine(line.toUtf8());
    } catch (...) {
        // A log line that cannot be built or written is lost silently.
    }
}

QString LogFileName()
{
    QMutexLocker locker(&logMutex());
    const QString name = logFileOverride();
    return name.isEmpty() ? defaultLogFileName() : name;
}

void SetLogFileName(const QString &fileName)
{
    QMutexLocker locker(&logMutex());
    logFileOverride() = fileName;
}
