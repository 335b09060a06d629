#pragma once

#include <installer.h>

#include <database.h>

#include <QTemporaryDir>

#include <memory>

// A temporary folder and the options of an installation into it, from the sources' scripts
// and options.
class InstallationFixture
{
public:
    InstallationFixture();

    QString path(const QString &name) const { return m_dir.filePath(name); }
    // Options that create <folder>/name from the sources' scripts.
    InstallOptions options(const QString &name = QStringLiteral("velmor.fdb")) const;
    // Creates the database and returns a connection to it as SYSDBA.
    std::unique_ptr<fb::Database> install(const InstallOptions &options);
    // A connection to a database of the folder as the given user, with the given role.
    std::unique_ptr<fb::Database>
    connect(const QString &file, const QString &user, const QString &role = {});

    static QString sourceFile(const QString &relative);

private:
    QTemporaryDir m_dir;
};
