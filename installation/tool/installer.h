#pragma once

#include "demogenerator.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace fb {
class Database;
}

// What velmor-install is asked to do.
struct InstallOptions
{
    // A file path (opened by the embedded engine) or "host:path" on a server.
    QString database;
    QString userName = QStringLiteral("SYSDBA");
    QString password = QStringLiteral("masterkey");
    // The numbered *.sql files, run in the order of their names.
    QString scriptsDir;
    // The options sources: rights.xml gives the administrators' rights and DefaultSettings.xml
    // the administrator's first settings.
    QString optionsDir;
    bool replace = false;
    int pageSize = 8192;
    DemoGenerator::Settings demo;
    // A registry file to write for this database; nothing is written when empty.
    QString registryFile;
    // Only write the registry for an existing database.
    bool registryOnly = false;
    QString optionsPath;
    QString binPath;
    QString version;
};

// Creates a database from the schema scripts, registers the administrator SYSDBA and the
// group of administrators, fills demo data on request and writes the registry of a personal
// installation. A database that fails half-way is removed again: an embedded one is built
// under a temporary name beside the target and renamed into place only when complete, so an
// existing file that is being replaced stays intact until then.
class Installer
{
public:
    using Report = std::function<void(const QString &message)>;

    explicit Installer(const InstallOptions &options);

    void setReport(Report report) { m_report = std::move(report); }
    void setProgress(DemoGenerator::Progress progress) { m_progress = std::move(progress); }

    // Raises LxError (fb::Error for a database error, naming the script file, line and
    // statement) and leaves no database behind.
    void run();

    // The *.sql files of a folder in the order they run.
    static QStringList scriptFiles(const QString &dir);
    static bool isServerName(const QString &database);
    // The rights text of a group that is granted every right of rights.xml.
    static QString allRights(const QString &rightsFile);

    // Key of the product in the registry.
    static const QString RegistryKey;
    static const QString AdministratorsGroup;

private:
    void runEmbedded();
    void runOnServer();
    bool serverDatabaseExists();
    // Runs the scripts and seeds a created database, then switches forced writes on.
    void fill(fb::Database &database);
    void build(fb::Database &database);
    void runScripts(fb::Database &database);
    void addAdministrators(fb::Database &database);
    void setDemoParameters(fb::Database &database);
    void writeRegistry();
    void report(const QString &message);

    InstallOptions m_options;
    Report m_report;
    DemoGenerator::Progress m_progress;
};
