#include "hostfixture.h"

#include <registry.h>
#include <scriptrunner.h>
#include <velmconsts.h>

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

TestRegistry::TestRegistry()
    : m_previous(qgetenv("VELMOR_REGISTRY"))
{
    qputenv("VELMOR_REGISTRY", QDir(m_dir.path()).filePath("registry.ini").toUtf8());
    SetVelmKey(QString());
    Registry().CreateKey(rgVelmKey());
}

TestRegistry::~TestRegistry()
{
    if (m_previous.isEmpty())
        qunsetenv("VELMOR_REGISTRY");
    else
        qputenv("VELMOR_REGISTRY", m_previous);
}

void TestRegistry::Set(const QString &name, const QString &value)
{
    Registry().SetValue(rgVelmKey(), name, value);
}

void TestRegistry::SetPersonalInstallation(const QString &databasePath, const QString &optionsDir)
{
    Set("ServerName", "$Personal");
    Set("DBName", databasePath);
    Set("OptionsPath", optionsDir);
    Set("BinPath", optionsDir);
}

QString TestRegistry::Get(const QString &name) const
{
    return Registry().Value(rgVelmKey(), name);
}

SchemaDatabase::SchemaDatabase()
{
    const QDir scripts(QStringLiteral(VELMOR_SOURCE_DIR "/installation/sql"));
    fb::Transaction transaction(database());
    fb::ScriptRunner runner(transaction);
    for (const QString &file :
         scripts.entryList({QStringLiteral("*.sql")}, QDir::Files, QDir::Name))
        runner.runFile(scripts.filePath(file));
    if (transaction.isActive())
        transaction.commit();
}

QString WriteRecordingProgram(const QString &dir, const QString &name)
{
    const QString path = QDir(dir).filePath(name);
    QFile script(path);
    EXPECT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho \"$*\" >> \"$0.runs\"\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QString RecordedRuns(const QString &dir, const QString &name)
{
    QFile runs(QDir(dir).filePath(name + ".runs"));
    if (!runs.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(runs.readAll());
}
