#include "dmfixture.h"

#include <database.h>
#include <query.h>
#include <scriptrunner.h>
#include <security.h>
#include <testdatabase.h>
#include <transaction.h>
#include <xmlsecurity.h>

#include <lxlog.h>
#include <registry.h>
#include <velmconsts.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <stdexcept>

const char TestRightsXml[] = R"(<?xml version="1.0" encoding="windows-1251"?>
<Rights>
 <Actions>
  <Right ID="StudentEdit" Actions="actStudentListEdit,actDossierPost"/>
  <Right ID="OrdersConfirm" Actions="actNCOrdersConfirmOrder"/>
  <Right ID="Protocols" Actions="actProtocolsDelete, actProtocolsConfirm"/>
 </Actions>
 <Tree/>
</Rights>
)";

namespace {

QDir installationSqlDir()
{
    return QDir(QStringLiteral(VELMOR_SOURCE_DIR "/installation/sql"));
}

// A fingerprint of the installation's scripts, so a schema file made from older scripts is
// never reused.
QString scriptsFingerprint()
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    const QDir sqlDir = installationSqlDir();
    for (const QString &name :
         sqlDir.entryList({QStringLiteral("*.sql")}, QDir::Files, QDir::Name)) {
        QFile file(sqlDir.filePath(name));
        if (file.open(QIODevice::ReadOnly)) {
            hash.addData(name.toUtf8());
            hash.addData(file.readAll());
        }
    }
    return QString::fromLatin1(hash.result().toHex().left(12));
}

// The installation's schema is built once (DDL is slow on disk) and kept next to the test
// program, since ctest runs every test in its own process; each test gets its own copy.
QString templateDatabase()
{
    static const QString path = [] {
        const QString target = QCoreApplication::applicationDirPath()
                               + QStringLiteral("/velmdm-schema-%1.fdb").arg(scriptsFingerprint());
        if (QFile::exists(target))
            return target;
        fb::TestDatabase schema(QStringLiteral("schema.fdb"));
        RunInstallationScripts(schema.database());
        schema.run(QStringLiteral("insert into SEC_USERSGROUPS (UGID, UGNAME, RTYPE, PASSWD) "
                                  "values (1, 'SYSDBA', 'U', '%1')")
                           .arg(QString::fromLatin1(QByteArray("masterkey").toBase64())));
        schema.database().disconnect();
        // Written under a private name and renamed, so a parallel test never sees half a file.
        const QString partial
                = target + QStringLiteral(".%1").arg(QCoreApplication::applicationPid());
        if (!QFile::copy(schema.path(), partial))
            throw std::runtime_error("the schema database was not stored");
        if (!QFile::rename(partial, target))
            QFile::remove(partial); // another test stored it first
        return target;
    }();
    return path;
}

} // namespace

void RunInstallationScripts(fb::Database &db)
{
    const QDir sqlDir = installationSqlDir();
    const QStringList scripts
            = sqlDir.entryList({QStringLiteral("*.sql")}, QDir::Files, QDir::Name);
    if (scripts.isEmpty())
        throw std::runtime_error("no installation scripts found");
    fb::Transaction tr(db);
    fb::ScriptRunner runner(tr);
    for (const QString &script : scripts)
        runner.runFile(sqlDir.filePath(script));
    if (tr.isActive())
        tr.commit();
}

DMFixture::DMFixture()
{
    if (!dir.isValid())
        throw std::runtime_error("no temporary folder");
    qputenv("VELMOR_REGISTRY", dir.filePath(QStringLiteral("registry.ini")).toLocal8Bit());
    SetLogFileName(dir.filePath(QStringLiteral("test.log")));
    DebugLevel = elInfo;
    QDir(dir.path()).mkpath(QStringLiteral("options"));
    QDir(dir.path()).mkpath(QStringLiteral("temp"));

    dbPath = dir.filePath(QStringLiteral("velmor.fdb"));
    if (!QFile::copy(templateDatabase(), dbPath))
        throw std::runtime_error("the template database was not copied");
    QFile::setPermissions(dbPath, QFile::ReadOwner | QFile::WriteOwner);
    db = std::make_unique<fb::Database>();
    fb::ConnectParams params;
    params.databaseName = dbPath;
    params.userName = QStringLiteral("SYSDBA");
    db->connect(params);

    Registry().CreateKey(rgVelmKey());
    SetReg(QStringLiteral("ServerName"), QStringLiteral("$Personal"));
    SetReg(QStringLiteral("DBName"), dbPath);
    SetReg(QStringLiteral("OptionsPath"), dir.filePath(QStringLiteral("options")));
    SetReg(QStringLiteral("BinPath"), QStringLiteral(VELMOR_SOURCE_DIR "/installation/options"));
    WriteRights();

    TDM::SetErrorBox([this](const QString &message) { errors << message; });
    dm = CreateDM();
    dm->TempDir = dir.filePath(QStringLiteral("temp")) + QLatin1Char('/');
}

DMFixture::~DMFixture()
{
    DestroyDM();
    TDM::SetErrorBox({});
    TDM::SetLoginDialog({});
    SetLogFileName({});
    db.reset();
    qunsetenv("VELMOR_REGISTRY");
}

void DMFixture::SetReg(const QString &name, const QString &value)
{
    Registry().SetValue(rgVelmKey(), name, value);
}

void DMFixture::WriteRights(const QByteArray &xml)
{
    WriteRightsFile(EncodeString(xml, DefinitionFileKey));
}

void DMFixture::WriteRightsFile(const QByteArray &content)
{
    QFile file(dir.filePath(QStringLiteral("options/rights.cml")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) < 0)
        throw std::runtime_error("rights.cml not written");
}

void DMFixture::RemoveRights()
{
    QFile::remove(dir.filePath(QStringLiteral("options/rights.cml")));
}

void DMFixture::Sql(const QString &script)
{
    fb::Transaction tr(*db);
    fb::ScriptRunner runner(tr);
    runner.run(script);
    if (tr.isActive())
        tr.commit();
}

QVariant DMFixture::Scalar(const QString &sql)
{
    fb::Transaction tr(*db);
    const QVariant value = fb::Query::scalar(tr, sql);
    tr.commit();
    return value;
}

void DMFixture::AddUser(int ugid, const QString &name, const QString &password)
{
    fb::Transaction tr(*db);
    fb::Query::run(tr,
                   QStringLiteral("insert into SEC_USERSGROUPS (UGID, UGNAME, RTYPE, PASSWD) "
                                  "values (?UGID, ?UGNAME, 'U', ?PASSWD)"),
                   {{"UGID", ugid},
                    {"UGNAME", name},
                    {"PASSWD", QString::fromLatin1(password.toLatin1().toBase64())}});
    tr.commit();
    if (name != QLatin1String("SYSDBA"))
        Sql(QStringLiteral("grant VELMOR_OPERATOR to \"%1\"").arg(name));
}

void DMFixture::AddGroup(int ugid,
                         const QString &name,
                         const QVariant &rights,
                         const QList<int> &members)
{
    fb::Transaction tr(*db);
    fb::Query::run(tr,
                   QStringLiteral("insert into SEC_USERSGROUPS (UGID, UGNAME, RTYPE, RIGHTS) "
                                  "values (?UGID, ?UGNAME, 'G', ?RIGHTS)"),
                   {{"UGID", ugid}, {"UGNAME", name}, {"RIGHTS", rights}});
    for (int member : members)
        fb::Query::run(tr,
                       QStringLiteral("insert into SEC_USERSTOGROUPS (USERID, GROUPID) "
                                      "values (?USERID, ?GROUPID)"),
                       {{"USERID", member}, {"GROUPID", ugid}});
    tr.commit();
}

void DMFixture::SetUserRights(const QString &name, const QVariant &rights)
{
    fb::Transaction tr(*db);
    fb::Query::run(tr,
                   QStringLiteral("update SEC_USERSGROUPS set RIGHTS = ?RIGHTS "
                                  "where UGNAME = ?UGNAME"),
                   {{"UGNAME", name}, {"RIGHTS", rights}});
    tr.commit();
}

QString DMFixture::LogText() const
{
    QFile file(dir.filePath(QStringLiteral("test.log")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QString DMFixture::DatabasePath() const
{
    return dbPath;
}
