#include "lxutils.h"

#include "lxerror.h"
#include "registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

// Paths on Linux use "/" and have no drive letters: NormalDir and AddSlash add "/", and the
// drive rules of the Windows versions (a bare letter getting ":\", "C:" left as it is, never
// removing a drive root) reduce to leaving "/" itself in place.

namespace {

QString systemErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Creates a file from a mkstemps template "<dir>/<prefix>XXXXXX<suffix>" and returns its name.
QString makeTempFile(const QString &dir, const QString &prefix, const QString &suffix)
{
    QByteArray pattern
            = QFile::encodeName(AddSlash2(dir) + prefix + QStringLiteral("XXXXXX") + suffix);
    const int fd = ::mkstemps(pattern.data(), int(QFile::encodeName(suffix).size()));
    if (fd < 0)
        throw LxError(QStringLiteral("%1 (%2)").arg(systemErrorText(errno), dir));
    ::close(fd);
    return QFile::decodeName(pattern);
}

bool hasLeadingDot(const QFileInfo &entry)
{
    return entry.fileName().startsWith(QLatin1Char('.'));
}

bool isInside(const QString &path, const QString &dir)
{
    const QString inner = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QString outer = QDir::cleanPath(QFileInfo(dir).absoluteFilePath());
    return inner == outer || inner.startsWith(AddSlash2(outer));
}

QString decodeText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    // Older text files of the system are in windows-1251.
    QStringDecoder cp1251("windows-1251");
    if (cp1251.isValid())
        return cp1251.decode(bytes);
    return QString::fromLocal8Bit(bytes);
}

} // namespace

QString GetTempFile(const QString &prefix)
{
    return makeTempFile(QDir::tempPath(), prefix.left(3), QStringLiteral(".tmp"));
}

QString GetTempFile(const QString &dir, const QString &extension)
{
    // The placeholder keeps the name unique while we look for a free name with the extension.
    for (;;) {
        const QString placeholder
                = makeTempFile(dir, QStringLiteral("tmp"), QStringLiteral(".tmp"));
        const QString name = placeholder.left(placeholder.size() - 4) + extension;
        QFile::remove(placeholder);
        if (!QFileInfo::exists(name))
            return name;
    }
}

QString CreateTempDir(const QString &prefix)
{
    QByteArray pattern
            = QFile::encodeName(AddSlash2(QDir::tempPath()) + prefix + QStringLiteral("XXXXXX"));
    if (!::mkdtemp(pattern.data()))
        throw LxError(QStringLiteral("%1 (%2)").arg(systemErrorText(errno), QDir::tempPath()));
    return AddSlash2(QFile::decodeName(pattern));
}

QString NormalDir(const QString &path)
{
    return AddSlash2(path);
}

bool DirExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

// Entries whose names start with a dot are left in place, so the directory is not cleared
// completely then and the result is false.
bool ClearDir(const QString &path, bool deleteDir)
{
    if (!DirExists(path))
        return false;
    bool result = true;
    const QFileInfoList entries = QDir(path).entryInfoList(QDir::AllEntries | QDir::Hidden
                                                           | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        if (hasLeadingDot(entry)) {
            result = false;
            continue;
        }
        // A link to a directory is removed as a link: what it points to is not ours to clear.
        if (entry.isDir() && !entry.isSymLink())
            result = ClearDir(entry.filePath(), deleteDir) && result;
        else
            result = QFile::remove(entry.filePath()) && result;
    }
    const bool isRoot = QDir(path).isRoot();
    if (deleteDir && result && !isRoot)
        result = QDir().rmdir(path);
    return result;
}

bool CopyDir(const QString &source, const QString &destination)
{
    if (!DirExists(source))
        return false;
    // Copying a folder into itself would never end.
    if (isInside(destination, source))
        return false;
    if (!DirExists(destination) && !QDir().mkpath(destination))
        return false;
    const QFileInfoList entries = QDir(source).entryInfoList(QDir::AllEntries | QDir::Hidden
                                                             | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        const QString target = AddSlash2(destination) + entry.fileName();
        if (entry.isDir()) {
            if (!CopyDir(entry.filePath(), target))
                return false;
            continue;
        }
        if (QFileInfo::exists(target) && !QFile::remove(target))
            return false;
        if (!QFile::copy(entry.filePath(), target))
            return false;
    }
    return true;
}

void AddSlash(QString &path)
{
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
}

QString AddSlash2(const QString &path)
{
    QString result = path;
    AddSlash(result);
    return result;
}

QString GetRegValue(const QString &key, const QString &name, RegRoot root)
{
    try {
        return Registry(root).Value(key, name);
    } catch (...) {
        return QString();
    }
}

void SetRegValue(const QString &key, const QString &name, const QString &value, RegRoot root)
{
    Registry(root).SetValue(key, name, value);
}

void RaiseException(const QString &message)
{
    throw LxError(message);
}

QString GetFileAsString(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw LxError(QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    const QString text = decodeText(file.readAll());
    if (text.isEmpty())
        return text;
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(lineBreak);
    // A final line break ends the last line instead of starting an empty one.
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

qint64 Delay(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    if (milliseconds <= 0)
        return timer.elapsed();
    if (QCoreApplication::instance() && QThread::currentThread() == qApp->thread()) {
        QEventLoop loop;
        QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    } else {
        QThread::msleep(ulong(milliseconds));
    }
    return timer.elapsed();
}
