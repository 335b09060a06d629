#include "registry.h"

#include "lxerror.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

const char kSystemFile[] = "/etc/velmor/registry.ini";
const char kUserPrefix[] = "HKEY_CURRENT_USER";
// Stands for the default (unnamed) value; an empty key is kept alive by an empty one.
const char kDefaultValue[] = "@";
const int kMaxValueLength = 255;

QString systemErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString rootPrefix(RegRoot root)
{
    if (root == RegRoot::CurrentUser && qEnvironmentVariableIsSet("VELMOR_REGISTRY"))
        return QString::fromLatin1(kUserPrefix);
    return QString();
}

QString joinPath(const QString &path, const QString &name)
{
    return path.isEmpty() ? name : path + QLatin1Char('/') + name;
}

QString storedValueName(const QString &name)
{
    return name.isEmpty() ? QString::fromLatin1(kDefaultValue) : name;
}

QString findName(const QStringList &names, const QString &name)
{
    for (const QString &candidate : names) {
        if (candidate.compare(name, Qt::CaseInsensitive) == 0)
            return candidate;
    }
    return QString();
}

QStringList childGroups(QSettings &settings, const QString &path)
{
    settings.beginGroup(path);
    QStringList groups = settings.childGroups();
    settings.endGroup();
    return groups;
}

QStringList childKeys(QSettings &settings, const QString &path)
{
    settings.beginGroup(path);
    QStringList keys = settings.childKeys();
    settings.endGroup();
    return keys;
}

// A key path as stored: the spelling found in the file for each existing level.
struct ResolvedKey
{
    QString path;
    bool exists = true;
};

ResolvedKey resolveKey(QSettings &settings, RegRoot root, const QString &key)
{
    ResolvedKey result;
    result.path = rootPrefix(root);
    static const QRegularExpression separators(QStringLiteral("[\\\\/]"));
    const QStringList parts = key.split(separators, Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        QString name;
        if (result.exists)
            name = findName(childGroups(settings, result.path), part);
        if (name.isEmpty()) {
            result.exists = false;
            name = part;
        }
        result.path = joinPath(result.path, name);
    }
    if (!parts.isEmpty() && result.exists)
        result.exists = !childGroups(settings, result.path).isEmpty()
                        || !childKeys(settings, result.path).isEmpty();
    return result;
}

QString resolveValueName(QSettings &settings, const QString &keyPath, const QString &name)
{
    const QString stored = storedValueName(name);
    const QString found = findName(childKeys(settings, keyPath), stored);
    return found.isEmpty() ? stored : found;
}

QString parentPath(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash);
}

// A key whose last value or subkey went away keeps existing through an empty default value.
void keepAlive(QSettings &settings, const QString &path)
{
    if (path.isEmpty() || path == rootPrefix(RegRoot::CurrentUser))
        return;
    if (childGroups(settings, path).isEmpty() && childKeys(settings, path).isEmpty())
        settings.setValue(joinPath(path, QString::fromLatin1(kDefaultValue)), QString());
}

void checkWritable(const QString &fileName)
{
    const QFileInfo info(fileName);
    QDir().mkpath(info.absolutePath());
    const int fd = ::open(QFile::encodeName(fileName).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC,
                          0644);
    if (fd < 0) {
        const int error = errno;
        throw LxError(QStringLiteral("%1 (%2)").arg(systemErrorText(error), fileName));
    }
    ::close(fd);
}

void save(QSettings &settings)
{
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw LxError(QStringLiteral("%1 (%2)").arg(systemErrorText(EACCES), settings.fileName()));
}

QString variantText(const QVariant &value)
{
    // A hand-written value with commas comes back from QSettings as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

QStringList sortedNames(QStringList names)
{
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    return names;
}

} // namespace

Registry::Registry(RegRoot root)
    : m_root(root)
{}

QString Registry::FileName(RegRoot root)
{
    const QString configured = qEnvironmentVariable("VELMOR_REGISTRY");
    if (!configured.isEmpty())
        return configured;
    if (root == RegRoot::CurrentUser)
        return QDir::homePath() + QStringLiteral("/.config/velmor/registry.ini");
    return QString::fromLatin1(kSystemFile);
}

bool Registry::KeyExists(const QString &key) const
{
    QSettings settings(FileName(), QSettings::IniFormat);
    return resolveKey(settings, m_root, key).exists;
}

void Registry::CreateKey(const QString &key)
{
    checkWritable(FileName());
    QSettings settings(FileName(), QSettings::IniFormat);
    const ResolvedKey resolved = resolveKey(settings, m_root, key);
    if (resolved.exists)
        return;
    keepAlive(settings, resolved.path);
    save(settings);
}

void Registry::DeleteKey(const QString &key)
{
    QSettings settings(FileName(), QSettings::IniFormat);
    const ResolvedKey resolved = resolveKey(settings, m_root, key);
    if (!resolved.exists || resolved.path == rootPrefix(m_root))
        return;
    checkWritable(FileName());
    settings.remove(resolved.path);
    keepAlive(settings, parentPath(resolved.path));
    save(settings);
}

QStringList Registry::SubKeys(const QString &key) const
{
    QSettings settings(FileName(), QSettings::IniFormat);
    const ResolvedKey resolved = resolveKey(settings, m_root, key);
    if (!resolved.exists)
        return {};
    QStringList groups = childGroups(settings, resolved.path);
    if (resolved.path.isEmpty() && m_root == RegRoot::LocalMachine)
        groups.removeAll(QString::fromLatin1(kUserPrefix));
    return sortedNames(groups);
}

QStringList Registry::ValueNames(const QString &key) const
{
    QSettings settings(FileName(), QSettings::IniFormat);
    const ResolvedKey resolved = resolveKey(settings, m_root, key);
    if (!resolved.exists)
        return {};
    QStringList names;
    for (const QString &name : childKeys(settings, resolved.path)) {
        if (name != QLatin1String(kDefaultValue))
            names.append(name);
        else if (!variantText(settings.value(joinPath(resolved.path, name))).isEmpty())
            names.append(QString());
    }
    return sortedNames(names);
}

bool Registry::ValueExists(const QString &key, const QString &name) const
{
    QSettings settings(FileName(), QSettings::IniFormat);
    const ResolvedKey resolved = resolveKey(settings, m_root, key);
    if (!resolved.exists)
        return false;
    const QString valueName = resolveValueName(settings, resolved.path, name);
    return settings.contains(joinPath(resolved.path, valueName));
}

QString Registry::Value(const QString &key, const QString &name) const
{
    QSettings settings(FileName(), QSettings::IniFormat);
    const ResolvedKey resolved = resolveKey(settings, m_root, key);
    if (!resolved.exists)
        return QString();
    const QString valueName = resolveValueName(settings, resolved.path, name);
    const QString text = variantText(settings.value(joinPath(resolved.path, valueName)));
    return text.size() > kMaxValueLength ? QString() : text;
}

void Registry::SetValue(const QString &key, const QString &name, const QString &value)
{
    QSettings settings(FileName(), QSettings::IniFormat);
    const ResolvedKey resolved = resolveKey(settings, m_root, key);
    if (!resolved.exists)
        throw LxError(systemErrorText(ENOENT));
    checkWritable(FileName());
    const QString valueName = resolveValueName(settings, resolved.path, name);
    settings.setValue(joinPath(resolved.path, valueName), value);
    save(settings);
}

void Registry::DeleteValue(const QString &key, const QString &name)
{
    QSettings settings(FileName(), QSettings::IniFormat);
    const ResolvedKey resolved = resolveKey(settings, m_root, key);
    if (!resolved.exists)
        return;
    const QString valueName = resolveValueName(settings, resolved.path, name);
    if (!settings.contains(joinPath(resolved.path, valueName)))
        return;
    checkWritable(FileName());
    settings.remove(joinPath(resolved.path, valueName));
    keepAlive(settings, resolved.path);
    save(settings);
}
