#include "pluginfixture.h"

#include <lxlog.h>

#include <QDir>
#include <QFile>

TestLog::TestLog()
    : m_previousLevel(DebugLevel)
{
    SetLogFileName(QDir(m_dir.path()).filePath("test.log"));
    DebugLevel = elInfo;
}

TestLog::~TestLog()
{
    DebugLevel = m_previousLevel;
    SetLogFileName(QString());
}

QString TestLog::Text() const
{
    QFile file(QDir(m_dir.path()).filePath("test.log"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QStringList TestLog::Lines(const QString &containing) const
{
    QStringList lines;
    for (const QString &line : Text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        if (line.contains(containing))
            lines << line;
    return lines;
}
