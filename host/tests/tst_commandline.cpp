#include "commandline.h"

#include <gtest/gtest.h>

namespace {

struct CommandLineCase
{
    const char *name;
    QStringList arguments;
    QString regKey; // null: no "-reg"
    QString user;
    QString password;
};

TEST(CommandLine, KeyUserAndPasswordFollowTheirMatchingRules)
{
    const CommandLineCase cases[] = {
            {"nothing given", {}, {}, "SYSDBA", ""},
            {"key", {"-reg", "Software\\Test"}, "Software\\Test", "SYSDBA", ""},
            {"first key wins", {"-reg", "A", "-reg", "B"}, "A", "SYSDBA", ""},
            {"key is case-sensitive", {"-REG", "A"}, {}, "SYSDBA", ""},
            {"key without value", {"-U", "IVANOV", "-reg"}, {}, "IVANOV", ""},
            {"user and password", {"-U", "IVANOV", "-P", "secret"}, {}, "IVANOV", "secret"},
            {"lower-case options", {"-u", "petrov", "-p", "pw"}, {}, "petrov", "pw"},
            {"later user wins", {"-U", "A", "-U", "B"}, {}, "B", ""},
            {"user as last argument", {"-U"}, {}, "SYSDBA", ""},
            {"later bare user ignored", {"-U", "A", "-U"}, {}, "A", ""},
            {"password as last argument", {"-P", "x", "-P"}, {}, "SYSDBA", "x"},
            {"values keep their case and blanks", {"-P", "Pass Word"}, {}, "SYSDBA", "Pass Word"},
    };
    for (const CommandLineCase &c : cases) {
        SCOPED_TRACE(c.name);
        const TCommandLine line(c.arguments);
        EXPECT_EQ(line.HasRegKey(), !c.regKey.isNull());
        EXPECT_EQ(line.RegKey(), c.regKey.isNull() ? QString() : c.regKey);
        EXPECT_EQ(line.User(), c.user);
        EXPECT_EQ(line.Password(), c.password);
    }
}

struct SwitchCase
{
    QStringList arguments;
    bool debug;
    bool upd;
    bool noSplash;
};

TEST(CommandLine, SwitchesTakeADashOrSlashAndIgnoreCase)
{
    const SwitchCase cases[] = {
            {{}, false, false, false},
            {{"-Debug"}, true, false, false},
            {{"/debug", "-upd"}, true, true, false},
            {{"/NOSPLASH"}, false, false, true},
            // The bare word, another prefix or extra characters are not the switch.
            {{"Debug", "--upd", "-nosplash2", "\\nosplash"}, false, false, false},
    };
    for (const SwitchCase &c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const TCommandLine line(c.arguments);
        EXPECT_EQ(line.Debug(), c.debug);
        EXPECT_EQ(line.Upd(), c.upd);
        EXPECT_EQ(line.NoSplash(), c.noSplash);
    }
}

TEST(CommandLine, ProgramArgumentsSkipTheProgramName)
{
    char program[] = "velmor";
    char option[] = "-U";
    char user[] = "SIDOROV";
    char *argv[] = {program, option, user, nullptr};
    const TCommandLine line(3, argv);
    EXPECT_EQ(line.Arguments(), QStringList({"-U", "SIDOROV"}));
    EXPECT_EQ(line.User(), "SIDOROV");
}

} // namespace

#include "velminit.h"

#include <lxlog.h>
#include <velmconsts.h>

#include <QDate>
#include <QLocale>

namespace {

TEST(VelmInit, AppliesTheKeyLogThresholdsAndDateFormat)
{
    VelmInit(TCommandLine(QStringList{"-reg", "Software\\Test", "-Debug"}));
    EXPECT_EQ(rgVelmKey(), "Software\\Test");
    EXPECT_EQ(rgPluginsKey(), "Software\\Test\\Plugins");
    EXPECT_EQ(DebugLevel, 4);
    EXPECT_EQ(Warninglevel, 1);
    EXPECT_EQ(QLocale().toString(QDate(2007, 3, 9), QLocale::ShortFormat), "09.03.2007");
    EXPECT_TRUE(HelpFileName().endsWith("/velmor.qhc"));

    SetVelmKey(QString());
    VelmInit(TCommandLine(QStringList{}));
    EXPECT_EQ(rgVelmKey(), DefaultVelmKey);
    EXPECT_EQ(DebugLevel, 1);
    EXPECT_EQ(Warninglevel, 0);
}

} // namespace
