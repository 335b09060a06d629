#include "commandline.h"

namespace {

TCommandLine &processCommandLine()
{
    static TCommandLine commandLine;
    return commandLine;
}

} // namespace

TCommandLine::TCommandLine(const QStringList &arguments)
    : m_arguments(arguments)
{
    const int index = int(m_arguments.indexOf(QStringLiteral("-reg")));
    if (index >= 0 && index + 1 < m_arguments.size())
        m_regIndex = index + 1;
}

TCommandLine::TCommandLine(int argc, char **argv)
    : TCommandLine([argc, argv] {
        QStringList arguments;
        for (int i = 1; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        return arguments;
    }())
{}

QString TCommandLine::RegKey() const
{
    return HasRegKey() ? m_arguments.at(m_regIndex) : QString();
}

QString TCommandLine::User() const
{
    const QString user = lastValueOf(QStringLiteral("-U"));
    return user.isNull() ? QStringLiteral("SYSDBA") : user;
}

QString TCommandLine::Password() const
{
    const QString password = lastValueOf(QStringLiteral("-P"));
    return password.isNull() ? QStringLiteral("") : password;
}

bool TCommandLine::FindSwitch(const QString &name) const
{
    for (const QString &argument : m_arguments) {
        if (argument.size() == name.size() + 1
            && (argument.startsWith(QLatin1Char('-')) || argument.startsWith(QLatin1Char('/')))
            && argument.mid(1).compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString TCommandLine::lastValueOf(const QString &option) const
{
    QString value;
    for (int i = 0; i + 1 < m_arguments.size(); ++i) {
        if (m_arguments.at(i).compare(option, Qt::CaseInsensitive) == 0)
            value = m_arguments.at(i + 1);
    }
    return value;
}

int TCommandLine::serverOptionIndex() const
{
    for (int i = 0; i < m_arguments.size(); ++i) {
        const QString &argument = m_arguments.at(i);
        if (argument == QLatin1String("--regserver") || argument == QLatin1String("--unregserver"))
            return i;
    }
    return -1;
}

TCommandLine::ServerAction TCommandLine::ServerRegistration() const
{
    const int index = serverOptionIndex();
    if (index < 0)
        return ServerAction::None;
    return m_arguments.at(index) == QLatin1String("--regserver") ? ServerAction::Register
                                                                 : ServerAction::Unregister;
}

QString TCommandLine::ServerLibrary() const
{
    const int index = serverOptionIndex();
    return index < 0 || index + 1 >= m_arguments.size() ? QString() : m_arguments.at(index + 1);
}

const TCommandLine &CmdLine()
{
    return processCommandLine();
}

void SetCmdLine(const TCommandLine &commandLine)
{
    processCommandLine() = commandLine;
}
