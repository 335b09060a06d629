#include "velmver.h"

#include "textformat.h"
#include "velminit.h"

#include <lxerror.h>
#include <lxlog.h>
#include <lxnls.h>
#include <lxutils.h>
#include <query.h>
#include <tdm.h>
#include <transaction.h>
#include <velmconsts.h>
#include <velmutils.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>

namespace {

const char kUpdaterProgram[] = "velmupdate";

TVersionCheck::Hooks defaultHooks()
{
    TVersionCheck::Hooks hooks;
    hooks.ask = [](const QString &question) { return MsgConfirmation(question); };
    hooks.error = [](const QString &message) { MsgError(message); };
    hooks.start = [](const QString &program, const QStringList &arguments) {
        return QProcess::startDetached(program, arguments);
    };
    return hooks;
}

QString installedVersion()
{
    return GetRegValue(rgVelmKey(), QStringLiteral("Version"));
}

} // namespace

int BuildNumber(const QString &version)
{
    static const QRegularExpression separators(QStringLiteral("[ .]"));
    const QStringList words = version.split(separators, Qt::SkipEmptyParts);
    if (words.size() < 4)
        return -1;
    bool ok = false;
    const int build = words.at(3).toInt(&ok);
    return ok ? build : -1;
}

TVersionCheck::TVersionCheck(fb::Database &database, fb::Transaction &transaction)
    : m_database(database)
    , m_transaction(transaction)
    , m_updaterDir(ExecutableDir())
    , m_hooks(defaultHooks())
{}

void TVersionCheck::SetCredentials(const QString &user, const QString &password)
{
    m_user = user;
    m_password = password;
}

void TVersionCheck::SetHooks(const Hooks &hooks)
{
    const Hooks defaults = defaultHooks();
    m_hooks.ask = hooks.ask ? hooks.ask : defaults.ask;
    m_hooks.error = hooks.error ? hooks.error : defaults.error;
    m_hooks.start = hooks.start ? hooks.start : defaults.start;
}

bool TVersionCheck::Run()
{
    try {
        bool repeated = false;
        for (;;) {
            switch (pass(repeated)) {
            case Step::GoOn:
                return true;
            case Step::Stop:
                return false;
            case Step::Again:
                repeated = true;
                break;
            }
        }
    } catch (const LxError &error) {
        Log(error.message(), elAppException);
        m_hooks.error(error.message());
    } catch (const std::exception &error) {
        Log(QString::fromLocal8Bit(error.what()), elAppException);
        m_hooks.error(QString::fromLocal8Bit(error.what()));
    }
    return false;
}

TVersionCheck::Step TVersionCheck::pass(bool repeated)
{
    const QString version = installedVersion();
    const int curBuild = BuildNumber(version);

    m_transaction.ensureStarted();
    fb::Query newest(m_transaction,
                     QStringLiteral("select first 1 UPD_BUILD, UPD_VERSION from CLIENT_UPDATES "
                                    "order by UPD_BUILD desc"));
    newest.execute();
    if (!newest.next() || newest.isNull(0))
        return Step::GoOn;
    const int dbBuild = newest.value(0).toInt();
    const QString dbVersion = newest.value(1).toString();
    newest.close();

    if (dbBuild == curBuild)
        return Step::GoOn;
    if (dbBuild < curBuild) {
        m_hooks.error(FormatText(LxTr("Ошибка запуска программы!\r\nТекущая версия программы: "
                                      "%s.\r\nВерсия БД: %s.\r\n"),
                                 {version, dbVersion}));
        return Step::Stop;
    }
    if (m_ask && !repeated
        && !m_hooks.ask(FormatText(LxTr("Внимание! \r\nТекущая версия программы: %s.\r\n"
                                        "Доступна версия: %s.\r\nХотите установить обновления?"),
                                   {version, dbVersion})))
        return Step::Stop;

    // Rows already handed over in this run are passed by even when the version text that an
    // updater row wrote into the registry names an older build, so the passes always end.
    int updaterBuild = 0;
    if (updateUpdater(std::max(curBuild, m_bound), updaterBuild)) {
        m_bound = updaterBuild;
        return Step::Again;
    }
    startUpdater();
    return Step::Stop;
}

bool TVersionCheck::updateUpdater(int newerThan, int &updaterBuild)
{
    fb::Query next(m_transaction,
                   QStringLiteral("select first 1 UPD_FILE, UPD_VERSION, UPD_ISUPDATER, UPD_BUILD "
                                  "from CLIENT_UPDATES where UPD_BUILD > ?CurBuild "
                                  "order by UPD_BUILD"));
    next.setParam(QStringLiteral("CurBuild"), newerThan);
    next.execute();
    if (!next.next() || next.isNull(2) || next.value(2).toInt() == 0)
        return false;

    const QByteArray program = next.value(0).toByteArray();
    const QString updVersion = next.value(1).toString();
    updaterBuild = next.value(3).toInt();
    next.close();

    const QString fileName = QDir(m_updaterDir).filePath(QLatin1String(kUpdaterProgram));
    if (program.isEmpty())
        throw LxError(FormatText(LxTr("Программа обновления версии %s в базе данных пуста."),
                                 {updVersion}));
    QSaveFile file(fileName);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly) || file.write(program) != program.size()
        || !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                | QFile::ExeOther)
        || !file.commit())
        throw LxError(FormatText(LxTr("Не удалось записать файл \"%s\": %s"),
                                 {fileName, file.errorString()}));
    Log(QStringLiteral("Updater %1 written to %2").arg(updVersion, fileName), elInfo);
    SetRegValue(rgVelmKey(), QStringLiteral("Version"), updVersion);
    return true;
}

bool TVersionCheck::startUpdater()
{
    const QString program
            = GetFullFileName(QStringLiteral("BinPath"), QLatin1String(kUpdaterProgram));
    const QFileInfo info(program);
    if (!info.isFile() || !info.isExecutable()) {
        m_hooks.error(FormatText(LxTr("Программа обновления \"%s\" не найдена."), {program}));
        return false;
    }
    Log(QStringLiteral("Start updater ") + program, elInfo);
    if (!m_hooks.start(program, {QStringLiteral("-U"), m_user, QStringLiteral("-P"), m_password})) {
        m_hooks.error(
                FormatText(LxTr("Не удалось запустить программу обновления \"%s\"."), {program}));
        return false;
    }
    return true;
}

bool CheckVersion(bool askBeforeUpdate)
{
    TVersionCheck check(*DM->DB, *DM->Tran);
    check.SetCredentials(DM->UserName, DM->Password);
    check.SetAskBeforeUpdate(askBeforeUpdate);
    return check.Run();
}
