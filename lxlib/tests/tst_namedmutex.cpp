#include "namedmutex.h"

#include <QCoreApplication>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

QString uniqueName()
{
    return QStringLiteral("lxlib-test-%1").arg(::getpid());
}

// A child process takes the mutex, reports through the pipe and then waits for a byte (or
// dies when asked to, without unlocking).
class MutexHolder
{
public:
    explicit MutexHolder(const QString &name)
    {
        if (::pipe(m_ready) != 0 || ::pipe(m_release) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            NamedMutex mutex(name);
            const char locked = mutex.tryLock() ? '1' : '0';
            (void)::write(m_ready[1], &locked, 1);
            char command = 0;
            (void)::read(m_release[0], &command, 1);
            if (command == 'u')
                mutex.unlock();
            (void)::write(m_ready[1], &command, 1);
            if (command == 'u')
                (void)::read(m_release[0], &command, 1);
            ::_exit(0);
        }
    }
    ~MutexHolder()
    {
        if (m_pid > 0)
            ::waitpid(m_pid, nullptr, 0);
    }
    bool locked()
    {
        char reply = 0;
        return ::read(m_ready[0], &reply, 1) == 1 && reply == '1';
    }
    // 'u' unlocks and keeps the process; 'x' lets it exit holding the lock.
    void send(char command)
    {
        (void)::write(m_release[1], &command, 1);
        char reply = 0;
        (void)::read(m_ready[0], &reply, 1);
    }
    void finish()
    {
        const char command = 'q';
        (void)::write(m_release[1], &command, 1);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    int m_ready[2] = {-1, -1};
    int m_release[2] = {-1, -1};
    pid_t m_pid = -1;
};

TEST(NamedMutexTest, HeldByAnotherProcess)
{
    const QString name = uniqueName();
    {
        MutexHolder holder(name);
        ASSERT_TRUE(holder.locked());
        NamedMutex mutex(name);
        EXPECT_FALSE(mutex.tryLock());
        EXPECT_FALSE(mutex.isLocked());

        holder.send('u');
        EXPECT_TRUE(mutex.tryLock());
        mutex.unlock();
        holder.finish();
    }
    {
        // The system releases the lock of a process that dies holding it.
        MutexHolder holder(name);
        ASSERT_TRUE(holder.locked());
        NamedMutex mutex(name);
        EXPECT_FALSE(mutex.tryLock());
        holder.send('x');
        holder.finish();
        EXPECT_TRUE(mutex.tryLock());
    }
    QFile::remove(NamedMutex(name).fileName());
}

TEST(NamedMutexTest, ReleasedWhenDestroyed)
{
    const QString name = uniqueName() + QStringLiteral("/with\\separators");
    NamedMutex second(name);
    {
        NamedMutex first(name);
        EXPECT_TRUE(first.tryLock());
        EXPECT_TRUE(first.tryLock());
        EXPECT_FALSE(second.tryLock());
    }
    EXPECT_TRUE(second.tryLock());
    EXPECT_FALSE(second.fileName()
                         .mid(second.fileName().lastIndexOf(QLatin1Char('/')) + 1)
                         .contains(QLatin1Char('\\')));
    second.unlock();
    QFile::remove(second.fileName());
}

} // namespace
