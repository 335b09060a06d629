#include "namedmutex.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

QString lockDirectory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime;
    return QStringLiteral("/tmp");
}

// The name becomes one file name: path separators would point elsewhere.
QString safeName(QString name)
{
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.replace(QLatin1Char('\\'), QLatin1Char('_'));
    return name;
}

} // namespace

NamedMutex::NamedMutex(const QString &name)
    : m_fileName(lockDirectory() + QLatin1Char('/') + safeName(name) + QStringLiteral(".lock"))
{}

NamedMutex::~NamedMutex()
{
    unlock();
}

bool NamedMutex::acquire(bool wait)
{
    if (m_fd >= 0)
        return true;
    const int fd
            = ::open(QFile::encodeName(m_fileName).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    int result;
    do {
        result = ::flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB));
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

bool NamedMutex::tryLock()
{
    return acquire(false);
}

bool NamedMutex::lock()
{
    return acquire(true);
}

void NamedMutex::unlock()
{
    if (m_fd < 0)
        return;
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}
