#include "installationfixture.h"

#include <stdexcept>

InstallationFixture::InstallationFixture()
{
    if (!m_dir.isValid())
        throw std::runtime_error("cannot create a temporary folder");
}

QString InstallationFixture::sourceFile(const QString &relative)
{
    return QStringLiteral(VELMOR_SOURCE_DIR "/installation/") + relative;
}

InstallOptions InstallationFixture::options(const QString &name) const
{
    InstallOptions o;
    o.database = path(name);
    o.scriptsDir = sourceFile(QStringLiteral("sql"));
    o.optionsDir = sourceFile(QStringLiteral("options"));
    return o;
}

std::unique_ptr<fb::Database> InstallationFixture::install(const InstallOptions &options)
{
    Installer(options).run();
    return connect(options.database, QStringLiteral("SYSDBA"));
}

std::unique_ptr<fb::Database>
InstallationFixture::connect(const QString &file, const QString &user, const QString &role)
{
    auto db = std::make_unique<fb::Database>();
    fb::ConnectParams p;
    p.databaseName = file;
    p.userName = user;
    p.password = QStringLiteral("masterkey");
    p.role = role;
    db->connect(p);
    return db;
}
