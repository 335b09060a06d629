#include "testdatabase.h"

#include <scriptrunner.h>

#include <QDir>

#include <stdexcept>

namespace fb {

TestDatabase::TestDatabase(const QString &fileName)
    : m_dir(QDir::tempPath() + QStringLiteral("/velmfb-test-XXXXXX"))
    , m_path(m_dir.filePath(fileName))
    , m_database(std::make_unique<Database>())
{
    if (!m_dir.isValid())
        throw std::runtime_error("cannot create a temporary folder for the test database");
    m_database->setParams(params());
    m_database->create();
}

TestDatabase::~TestDatabase()
{
    try {
        m_database->disconnect();
    } catch (...) {
        // The folder is removed anyway.
    }
}

ConnectParams TestDatabase::params() const
{
    ConnectParams p;
    p.databaseName = m_path;
    p.userName = QStringLiteral("SYSDBA");
    p.password = QStringLiteral("masterkey");
    return p;
}

void TestDatabase::run(const QString &script)
{
    Transaction tr(*m_database);
    ScriptRunner runner(tr);
    runner.run(script);
    if (tr.isActive())
        tr.commit();
}

} // namespace fb
