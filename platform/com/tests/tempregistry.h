#pragma once

#include <QString>
#include <QTemporaryDir>

// A registry file of the test's own (VELMOR_REGISTRY), in force while the object lives, and a
// log file beside it.
class TempRegistry
{
public:
    TempRegistry();
    ~TempRegistry();
    TempRegistry(const TempRegistry &) = delete;
    TempRegistry &operator=(const TempRegistry &) = delete;

    QString Dir() const { return m_dir.path(); }
    QString FileName() const;
    // The lines logged since the object was made.
    QString LogText() const;

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
    int m_previousDebugLevel;
};

// The path of a plug-in library built for tests: "libvelmtest_plainobject.so" for
// "velmtest_plainobject".
QString TestPluginPath(const QString &target);
