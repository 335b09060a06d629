#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The log of this process in a file of the test's own, every level written, while the object
// lives.
class TestLog
{
public:
    TestLog();
    ~TestLog();

    QString Text() const;
    // The lines that contain the text, in order.
    QStringList Lines(const QString &containing) const;

private:
    QTemporaryDir m_dir;
    int m_previousLevel;
};

// The test plug-in library built beside the tests and its registration.
namespace TestPlugin {
QString LibraryPath();
}
