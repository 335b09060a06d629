#pragma once

#include <QString>
#include <QStringList>

// The host's command line.
//
// "-reg <key>" is matched exactly (case-sensitive) and the first occurrence counts; "-U <name>"
// and "-P <password>" are matched without regard to case and a later occurrence wins; either as
// the last argument, with no value after it, is ignored. A switch is an argument made of "-" or
// "/" and the word ("-Debug", "/nosplash"), compared without regard to case.
//
// "--regserver <library>" and "--unregserver <library>" (exact, first occurrence) register or
// remove a plug-in library in the class and plug-in registry instead of a normal run.
class TCommandLine
{
public:
    TCommandLine() = default;
    // The arguments after the program name.
    explicit TCommandLine(const QStringList &arguments);
    TCommandLine(int argc, char **argv);

    const QStringList &Arguments() const { return m_arguments; }

    bool HasRegKey() const { return m_regIndex >= 0; }
    // The product key given by "-reg"; empty when there is none.
    QString RegKey() const;
    // The user name for the login; "SYSDBA" when none is given.
    QString User() const;
    // The password for the login; empty when none is given.
    QString Password() const;
    bool FindSwitch(const QString &name) const;

    bool Debug() const { return FindSwitch(QStringLiteral("Debug")); }
    bool Upd() const { return FindSwitch(QStringLiteral("UPD")); }
    bool NoSplash() const { return FindSwitch(QStringLiteral("nosplash")); }

    enum class ServerAction { None, Register, Unregister };
    // What "--regserver" or "--unregserver" asks for (the first given); None without either.
    ServerAction ServerRegistration() const;
    // The library named after that option; empty when it is the last argument.
    QString ServerLibrary() const;

private:
    // The argument after the last occurrence of the option (case-insensitive); null when the
    // option is missing or has no value after it.
    QString lastValueOf(const QString &option) const;
    // The index of the first server registration option; -1 for none.
    int serverOptionIndex() const;

    QStringList m_arguments;
    int m_regIndex = -1;
};

// The command line of this process (empty until SetCmdLine).
const TCommandLine &CmdLine();
void SetCmdLine(const TCommandLine &commandLine);
