#include "tempregistry.h"

#include <lxlog.h>

#include <QDir>
#include <QFile>

TempRegistry::TempRegistry()
    : m_previous(qgetenv("VELMOR_REGISTRY"))
    , m_previousDebugLevel(DebugLevel)
{
    qputenv("VELMOR_REGISTRY", FileName().toLocal8Bit());
    SetLogFileName(m_dir.filePath(QStringLiteral("test.log")));
    DebugLevel = elInfo;
}

TempRegistry::~TempRegistry()
{
    DebugLevel = m_previousDebugLevel;
    SetLogFileName({});
    if (m_previous.isEmpty())
        qunsetenv("VELMOR_REGISTRY");
    else
        qputenv("VELMOR_REGISTRY", m_previous);
}

QString TempRegistry::FileName() const
{
    return m_dir.filePath(QStringLiteral("registry.ini"));
}

QString TempRegistry::LogText() const
{
    QFile file(m_dir.filePath(QStringLiteral("test.log")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QString TestPluginPath(const QString &target)
{
    return QDir(QStringLiteral(VELMOR_TEST_PLUGIN_DIR))
            .filePath(QStringLiteral("lib%1.so").arg(target));
}
