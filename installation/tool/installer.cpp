#include "installer.h"

#include "databasefile.h"

#include <database.h>
#include <error.h>
#include <query.h>
#include <scriptrunner.h>
#include <transaction.h>

#include <lxerror.h>
#include <registry.h>
#include <windows1251xml.h>

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

#include <cerrno>
#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;

const QString Installer::RegistryKey = u"Software\\Orvane\\Velmor\\5"_s;
const QString Installer::AdministratorsGroup = u"Администраторы"_s;

namespace {

// The engine's code for a database file that cannot be opened (it does not exist).
constexpr qint64 IoError = 335544344;

QDomDocument loadXml(const QString &fileName)
{
    QDomDocument document;
    Windows1251Xml::load(document, fileName);
    return document;
}

} // namespace

Installer::Installer(const InstallOptions &options)
    : m_options(options)
{}

bool Installer::isServerName(const QString &database)
{
    const qsizetype colon = database.indexOf(u':');
    return colon > 0 && !database.startsWith(u'/') && !database.startsWith(u"./"_s);
}

QStringList Installer::scriptFiles(const QString &dir)
{
    const QDir folder(dir);
    if (!folder.exists())
        throw LxError(u"The scripts folder %1 does not exist"_s.arg(dir));
    QStringList files;
    for (const QString &name : folder.entryList({u"*.sql"_s}, QDir::Files, QDir::Name))
        files << folder.filePath(name);
    if (files.isEmpty())
        throw LxError(u"The scripts folder %1 holds no *.sql files"_s.arg(dir));
    return files;
}

QString Installer::allRights(const QString &rightsFile)
{
    const QDomElement actions
            = loadXml(rightsFile).documentElement().firstChildElement(u"Actions"_s);
    QStringList lines;
    for (QDomElement right = actions.firstChildElement(); !right.isNull();
         right = right.nextSiblingElement()) {
        const QString id = right.attribute(u"ID"_s);
        if (!id.isEmpty() && !lines.contains(id + u"=1"_s))
            lines << id + u"=1"_s;
    }
    if (lines.isEmpty())
        throw LxError(u"%1 defines no rights"_s.arg(rightsFile));
    return lines.join(u"\r\n"_s);
}

void Installer::report(const QString &message)
{
    if (m_report)
        m_report(message);
}

void Installer::run()
{
    if (m_options.registryOnly) {
        if (m_options.registryFile.isEmpty())
            throw LxError(u"No registry file given"_s);
        if (!isServerName(m_options.database))
            m_options.database = QFileInfo(m_options.database).absoluteFilePath();
        writeRegistry();
        return;
    }
    // Everything that can be checked before a database exists is checked first.
    scriptFiles(m_options.scriptsDir);
    allRights(QDir(m_options.optionsDir).filePath(u"rights.xml"_s));
    if (isServerName(m_options.database))
        runOnServer();
    else
        runEmbedded();
    if (!m_options.registryFile.isEmpty())
        writeRegistry();
}

void Installer::runEmbedded()
{
    const QString target = QFileInfo(m_options.database).absoluteFilePath();
    if (QFileInfo::exists(target) && !m_options.replace)
        throw LxError(
                u"The database %1 exists already (use --replace to overwrite it)"_s.arg(target));
    const QString work = target + u".part"_s;
    QFile::remove(work);

    fb::Database database;
    database.setParams({work, m_options.userName, m_options.password, {}});
    report(u"Creating %1"_s.arg(target));
    try {
        DatabaseFile::create(database.params(), m_options.pageSize, false);
        fill(database);
    } catch (...) {
        try {
            database.disconnect();
        } catch (...) {
            // The file goes anyway.
        }
        QFile::remove(work);
        throw;
    }
    if (std::rename(QFile::encodeName(work).constData(), QFile::encodeName(target).constData())
        != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(work);
        throw LxError(u"Cannot move the new database to %1: %2"_s.arg(target, reason));
    }
    m_options.database = target;
}

bool Installer::serverDatabaseExists()
{
    fb::Database probe;
    probe.setParams({m_options.database, m_options.userName, m_options.password, {}});
    try {
        probe.connect();
    } catch (const fb::Error &error) {
        if (error.hasGdsCode(IoError))
            return false;
        throw;
    }
    if (!m_options.replace) {
        probe.disconnect();
        throw LxError(u"The database %1 exists already (use --replace to overwrite it)"_s.arg(
                m_options.database));
    }
    report(u"Dropping the old database %1"_s.arg(m_options.database));
    probe.drop();
    return true;
}

void Installer::runOnServer()
{
    serverDatabaseExists();
    fb::Database database;
    database.setParams({m_options.database, m_options.userName, m_options.password, {}});
    report(u"Creating %1"_s.arg(m_options.database));
    DatabaseFile::create(database.params(), m_options.pageSize, false);
    try {
        fill(database);
    } catch (...) {
        // Only the database made here is dropped, never one that was there before.
        try {
            if (!database.isConnected())
                database.connect();
            database.drop();
        } catch (...) {
            // Nothing more can be done; the first error is the one to report.
        }
        throw;
    }
}

void Installer::fill(fb::Database &database)
{
    database.connect();
    build(database);
    database.disconnect();
    DatabaseFile::setForcedWrites(database.params(), true);
}

void Installer::build(fb::Database &database)
{
    runScripts(database);
    addAdministrators(database);
    if (m_options.demo.students > 0) {
        setDemoParameters(database);
        report(u"Adding %1 demo students"_s.arg(m_options.demo.students));
        DemoGenerator generator(database, m_options.demo);
        generator.setProgress(m_progress);
        generator.run();
    }
}

void Installer::runScripts(fb::Database &database)
{
    for (const QString &file : scriptFiles(m_options.scriptsDir)) {
        report(u"Running %1"_s.arg(QFileInfo(file).fileName()));
        fb::Transaction transaction(database);
        fb::ScriptRunner runner(transaction);
        runner.runFile(file);
        if (transaction.isActive())
            transaction.commit();
    }
}

void Installer::addAdministrators(fb::Database &database)
{
    report(u"Adding the administrator SYSDBA and the group \"%1\""_s.arg(AdministratorsGroup));
    const QDir options(m_options.optionsDir);
    QByteArray settings;
    const QString settingsFile = options.filePath(u"DefaultSettings.xml"_s);
    if (QFileInfo::exists(settingsFile))
        settings = Windows1251Xml::toBytes(loadXml(settingsFile));
    // Only personal mode compares this password; on a server the server checks it. The client
    // compares Base64 of the password's windows-1251 bytes, so it is stored in that form.
    QStringEncoder toCp1251("windows-1251");
    const QByteArray passwordBytes = toCp1251.encode(m_options.password);
    const QString password = m_options.userName.compare(u"SYSDBA"_s, Qt::CaseInsensitive) == 0
                                     ? QString::fromLatin1(passwordBytes.toBase64())
                                     : QString();

    fb::Transaction transaction(database);
    fb::Query::run(transaction,
                   u"insert into SEC_USERSGROUPS (UGNAME, RTYPE, DESCRIPTION, FIO, PASSWD, "
                   "SETTINGS) values ('SYSDBA', 'U', ?DESCRIPTION, ?FIO, ?PASSWD, ?SETTINGS)"_s,
                   {{u"DESCRIPTION"_s, u"Администратор базы данных"_s},
                    {u"FIO"_s, u"Администратор"_s},
                    {u"PASSWD"_s, password.isEmpty() ? QVariant() : QVariant(password)},
                    {u"SETTINGS"_s, settings.isEmpty() ? QVariant() : QVariant(settings)}});
    fb::Query::run(transaction,
                   u"insert into SEC_USERSGROUPS (UGNAME, RTYPE, DESCRIPTION, RIGHTS) "
                   "values (?UGNAME, 'G', ?DESCRIPTION, ?RIGHTS)"_s,
                   {{u"UGNAME"_s, AdministratorsGroup},
                    {u"DESCRIPTION"_s, u"Полный доступ ко всем функциям системы"_s},
                    {u"RIGHTS"_s, allRights(options.filePath(u"rights.xml"_s))}});
    fb::Query::run(transaction,
                   u"insert into SEC_USERSTOGROUPS (USERID, GROUPID) select U.UGID, G.UGID "
                   "from SEC_USERSGROUPS U, SEC_USERSGROUPS G "
                   "where U.UGNAME = 'SYSDBA' and G.UGNAME = ?GROUPNAME"_s,
                   {{u"GROUPNAME"_s, AdministratorsGroup}});
    transaction.commit();
}

void Installer::setDemoParameters(fb::Database &database)
{
    const std::pair<QString, QString> values[] = {
            {u"OrgName"_s, u"Демонстрационный медицинский университет"_s},
            {u"OrgNameGen"_s, u"Демонстрационного медицинского университета"_s},
            {u"OrgCity"_s, u"Москва"_s},
            {u"OrgCode"_s, u"001"_s},
            {u"DBCode"_s, u"01"_s},
            {u"Ministry"_s, u"Министерство здравоохранения Российской Федерации"_s},
            {u"Address"_s, u"г. Москва, ул. Вавилова, д. 7"_s},
    };
    fb::Transaction transaction(database);
    for (const auto &[name, value] : values)
        fb::Query::run(
                transaction,
                u"update PARAMETERS set PARAMETERVALUE = ?VALUE where PARAMETERNAME = ?NAME"_s,
                {{u"VALUE"_s, value}, {u"NAME"_s, name}});
    transaction.commit();
}

void Installer::writeRegistry()
{
    report(u"Writing %1"_s.arg(m_options.registryFile));
    const QString file = QFileInfo(m_options.registryFile).absoluteFilePath();
    QDir().mkpath(QFileInfo(file).absolutePath());
    qputenv("VELMOR_REGISTRY", QFile::encodeName(file));

    QString server = u"$Personal"_s;
    QString path = m_options.database;
    if (isServerName(path)) {
        const qsizetype colon = path.indexOf(u':');
        server = path.left(colon);
        path = path.mid(colon + 1);
    }
    Registry registry(RegRoot::LocalMachine);
    registry.CreateKey(RegistryKey);
    registry.SetValue(RegistryKey, u"ServerName"_s, server);
    registry.SetValue(RegistryKey, u"DBName"_s, path);
    registry.SetValue(
            RegistryKey,
            u"OptionsPath"_s,
            QDir(m_options.optionsPath.isEmpty() ? m_options.optionsDir : m_options.optionsPath)
                    .absolutePath());
    if (!m_options.binPath.isEmpty())
        registry.SetValue(RegistryKey, u"BinPath"_s, QDir(m_options.binPath).absolutePath());
    if (!m_options.version.isEmpty())
        registry.SetValue(RegistryKey, u"Version"_s, m_options.version);
    registry.SetValue(RegistryKey, u"Language"_s, u"ru"_s);
}
