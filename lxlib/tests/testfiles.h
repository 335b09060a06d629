#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

inline QByteArray readBytes(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

inline bool writeBytes(const QString &fileName, const QByteArray &bytes)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QString testData(const char *name)
{
    return QStringLiteral(VELMOR_TEST_DATA "/data/") + QLatin1String(name);
}
