#pragma once

#include <testdatabase.h>

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A registry file of its own with the product key, in force while the object lives.
class TestRegistry
{
public:
    TestRegistry();
    ~TestRegistry();

    void Set(const QString &name, const QString &value);
    // Personal mode on a local database file, with the options and programs in one folder.
    void SetPersonalInstallation(const QString &databasePath, const QString &optionsDir);
    QString Get(const QString &name) const;
    QString Dir() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
};

// A new embedded database holding the installation's schema (its SQL scripts in name order).
class SchemaDatabase : public fb::TestDatabase
{
public:
    SchemaDatabase();
};

// An executable shell script that appends its arguments, one line a run, to a file beside it.
QString WriteRecordingProgram(const QString &dir, const QString &name);
QString RecordedRuns(const QString &dir, const QString &name);
