#pragma once

#include "lxlib_global.h"

#include <QString>

// A mutex shared by all processes of the machine under a name: an exclusive flock on
// $XDG_RUNTIME_DIR/<name>.lock (or /tmp/<name>.lock). The system releases it when the holder
// unlocks, destroys the object or dies.
class LXLIB_EXPORT NamedMutex
{
public:
    explicit NamedMutex(const QString &name);
    ~NamedMutex();
    NamedMutex(const NamedMutex &) = delete;
    NamedMutex &operator=(const NamedMutex &) = delete;

    // Takes the mutex without waiting; false when another holder has it or the lock file
    // cannot be opened. True at once when this object holds it already.
    bool tryLock();
    // Waits until the mutex is free; false when the lock file cannot be opened.
    bool lock();
    void unlock();
    bool isLocked() const { return m_fd >= 0; }
    QString fileName() const { return m_fileName; }

private:
    bool acquire(bool wait);

    QString m_fileName;
    int m_fd = -1;
};
