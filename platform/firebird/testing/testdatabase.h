#pragma once

#include <database.h>
#include <transaction.h>

#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace fb {

// A new embedded database file in its own temporary folder, created (page size 8192, default
// character set WIN1251) and connected as SYSDBA, removed with the folder when the object
// goes. One per test:
//
//     fb::TestDatabase db;
//     db.run("create table T (A integer)");   // DDL committed at once
//     fb::Transaction tr(db.database());
class TestDatabase
{
public:
    explicit TestDatabase(const QString &fileName = QStringLiteral("test.fdb"));
    ~TestDatabase();
    TestDatabase(const TestDatabase &) = delete;
    TestDatabase &operator=(const TestDatabase &) = delete;

    Database &database() { return *m_database; }
    Database *operator->() { return m_database.get(); }
    QString path() const { return m_path; }
    QString folder() const { return m_dir.path(); }
    // Connection settings that reach this database (e.g. for a second connection).
    ConnectParams params() const;

    // Runs a script (statements separated by ";", SET TERM allowed) in its own transaction
    // and commits it.
    void run(const QString &script);

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<Database> m_database;
};

} // namespace fb
