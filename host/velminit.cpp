#include "velminit.h"

#include "commandline.h"

#include <lxlog.h>
#include <lxutils.h>
#include <velmconsts.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <clocale>
#include <cstring>
#include <unistd.h>

namespace {

QString &helpFileName()
{
    static QString name;
    return name;
}

// gettext reads LANGUAGE only under a locale other than "C".
void selectLanguage(const QString &language)
{
    if (language.isEmpty())
        return;
    qputenv("LANGUAGE", language.toUtf8());
    const char *current = std::setlocale(LC_MESSAGES, nullptr);
    if (current && (std::strcmp(current, "C") == 0 || std::strcmp(current, "POSIX") == 0))
        std::setlocale(LC_MESSAGES, "C.UTF-8");
}

} // namespace

QString ExecutableDir()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return QDir::currentPath();
    return QFileInfo(QString::fromLocal8Bit(buffer, int(length))).absolutePath();
}

void VelmInit(const TCommandLine &commandLine)
{
    if (commandLine.HasRegKey())
        SetVelmKey(commandLine.RegKey());

    helpFileName() = QDir(ExecutableDir()).filePath(QStringLiteral("velmor.qhc"));

    selectLanguage(GetRegValue(rgVelmKey(), QStringLiteral("Language")));

    if (commandLine.Debug()) {
        DebugLevel = 4;
        Warninglevel = 1;
    } else {
        DebugLevel = 1;
        Warninglevel = 0;
    }

    // Russian short dates are dd.MM.yyyy; every date widget and toString(ShortFormat) follows.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

QString HelpFileName()
{
    return helpFileName();
}
