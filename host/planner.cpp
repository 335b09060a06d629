#include "planner.h"

#include "lxerror.h"
#include "lxnls.h"
#include "velmutils.h"
#include "windows1251xml.h"

#include <QDir>
#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QProcess>

namespace {

const QString DateFormat = QStringLiteral("dd.MM.yyyy");

QDate readDate(const QDomElement &task, const QString &name)
{
    const QString text = task.attribute(name);
    const QDate date = QDate::fromString(text.trimmed(), DateFormat);
    if (!date.isValid())
        throw LxError(LxTr("\"%1\" не является правильной датой").arg(text));
    return date;
}

int readNumShow(const QDomElement &task)
{
    const QString text = task.attribute(QStringLiteral("NumShow"));
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < 0)
        throw LxError(LxTr("\"%1\" не является правильным числом").arg(text));
    return value;
}

bool readBool(const QDomElement &task, const QString &name)
{
    const QString text = task.attribute(name).trimmed();
    if (text.isEmpty() || text == QLatin1String("0")
        || text.compare("False", Qt::CaseInsensitive) == 0)
        return false;
    if (text == QLatin1String("1") || text.compare("True", Qt::CaseInsensitive) == 0)
        return true;
    throw LxError(LxTr("\"%1\" не является правильным логическим значением").arg(text));
}

struct Task
{
    QString execApp;
    bool waitExec = false;
    bool hasRange = false;
    QDate begin;
    QDate end;
    bool hasNumShow = false;
    int numShow = 0;
    bool hasDaysOfWeek = false;
    QString daysOfWeek;
    bool hasDaysOfMonth = false;
    QString daysOfMonth;

    static Task read(const QDomElement &element)
    {
        Task task;
        task.execApp = element.attribute(QStringLiteral("ExecApp"));
        task.waitExec = readBool(element, QStringLiteral("WaitExec"));
        task.hasRange = element.hasAttribute(QStringLiteral("Begin"))
                        && element.hasAttribute(QStringLiteral("End"));
        if (task.hasRange) {
            task.begin = readDate(element, QStringLiteral("Begin"));
            task.end = readDate(element, QStringLiteral("End"));
        }
        task.hasNumShow = element.hasAttribute(QStringLiteral("NumShow"));
        if (task.hasNumShow)
            task.numShow = readNumShow(element);
        task.hasDaysOfWeek = element.hasAttribute(QStringLiteral("DaysOfWeek"));
        task.daysOfWeek = element.attribute(QStringLiteral("DaysOfWeek"));
        task.hasDaysOfMonth = element.hasAttribute(QStringLiteral("DaysOfMonth"));
        task.daysOfMonth = element.attribute(QStringLiteral("DaysOfMonth"));
        return task;
    }

    bool expired(const QDate &today) const
    {
        return (hasRange && today > end) || (hasNumShow && numShow == 0);
    }

    bool due(const QDate &today) const
    {
        if (hasRange && (today < begin || today > end))
            return false;
        if (hasNumShow && numShow == 0)
            return false;
        if (hasDaysOfWeek && !daysOfWeek.contains(QString::number(today.dayOfWeek())))
            return false;
        if (hasDaysOfMonth
            && !(',' + daysOfMonth + ',').contains(',' + QString::number(today.day()) + ','))
            return false;
        return true;
    }
};

void deleteListedFiles(const QDomElement &task)
{
    const QDomElement delList = task.firstChildElement(QStringLiteral("DelList"));
    for (QDomElement file = delList.firstChildElement(); !file.isNull();
         file = file.nextSiblingElement()) {
        const QString name = file.text().trimmed();
        if (!name.isEmpty())
            QFile::remove(name);
    }
}

} // namespace

void Planner::RunPlan()
{
    const QString fileName
            = GetFullFileName(QStringLiteral("OptionsPath"), QStringLiteral("plan.xml"));
    try {
        RunPlan(fileName, QDate::currentDate(), &Planner::RunProgram);
    } catch (const LxError &error) {
        MsgError(error.message());
    }
}

void Planner::RunPlan(const QString &fileName, const QDate &today, const ProgramRunner &runner)
{
    if (!QFile::exists(fileName))
        return;
    QDomDocument plan;
    Windows1251Xml::load(plan, fileName);
    QDomElement root = plan.documentElement();

    // The next sibling is taken before a task may remove itself, so none is skipped.
    QDomElement element = root.firstChildElement();
    while (!element.isNull()) {
        const QDomElement next = element.nextSiblingElement();
        const Task task = Task::read(element);
        if (task.due(today)) {
            if (task.hasNumShow && task.numShow > 0) {
                element.setAttribute(QStringLiteral("NumShow"), task.numShow - 1);
                Windows1251Xml::save(plan, fileName);
            }
            runner(task.execApp, task.waitExec);
        } else if (task.expired(today)
                   && !element.firstChildElement(QStringLiteral("DelList")).isNull()) {
            deleteListedFiles(element);
            root.removeChild(element);
            Windows1251Xml::save(plan, fileName);
        }
        element = next;
    }

    if (!root.hasChildNodes() && !QFile::remove(fileName))
        throw LxError(
                LxTr("Не удалось удалить файл \"%1\"").arg(QDir::toNativeSeparators(fileName)));
}

int Planner::RunProgram(const QString &commandLine, bool wait)
{
    QStringList arguments = QProcess::splitCommand(commandLine);
    if (arguments.isEmpty())
        return 1;
    const QString program = arguments.takeFirst();
    if (!wait) {
        return QProcess::startDetached(program, arguments, QDir::currentPath()) ? 0 : 1;
    }
    QProcess process;
    process.setWorkingDirectory(QDir::currentPath());
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(-1))
        return 1;
    process.waitForFinished(-1);
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : 1;
}
