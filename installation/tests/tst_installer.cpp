// velmor-install's handling of its target and of bad scripts: an existing database is never
// overwritten by accident, a failing statement is named with its file and line, and a failed
// run leaves no database file behind (and an existing one intact).

#include "installationfixture.h"

#include <error.h>
#include <query.h>
#include <registry.h>
#include <transaction.h>

#include <lxerror.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A copy of the sources' scripts with one file changed.
QString
brokenScripts(const InstallationFixture &fixture, const QString &file, const QByteArray &appended)
{
    const QString dir = fixture.path(u"sql"_s);
    QDir().mkpath(dir);
    const QDir sources(InstallationFixture::sourceFile(u"sql"_s));
    for (const QString &name : sources.entryList({u"*.sql"_s}, QDir::Files)) {
        QByteArray content = readFile(sources.filePath(name));
        if (name == file)
            content += appended;
        writeFile(QDir(dir).filePath(name), content);
    }
    return dir;
}

int lineCount(const QString &path)
{
    return int(readFile(path).count('\n'));
}

} // namespace

TEST(Installer, RefusesAnExistingFileUnlessToldToReplaceIt)
{
    InstallationFixture fixture;
    InstallOptions o = fixture.options();
    writeFile(o.database, "not a database");
    try {
        Installer(o).run();
        ADD_FAILURE() << "an existing file was overwritten";
    } catch (const LxError &e) {
        EXPECT_TRUE(e.message().contains(u"--replace"_s)) << e.message().toStdString();
    }
    EXPECT_EQ(readFile(o.database), QByteArray("not a database"));

    o.replace = true;
    const auto db = fixture.install(o);
    fb::Transaction tr(*db);
    EXPECT_EQ(fb::Query::scalar(tr, u"select count(*) from SEC_USERSGROUPS"_s).toInt(), 2);
    EXPECT_FALSE(QFileInfo::exists(o.database + u".part"_s));
}

TEST(Installer, BrokenScriptIsNamedAndLeavesNothingBehind)
{
    struct Case
    {
        const char *what;
        bool existingTarget;
    };
    const Case cases[] = {{"new database", false}, {"replacing a database", true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        InstallationFixture fixture;
        InstallOptions o = fixture.options();
        const QString file = u"050-security.sql"_s;
        const int line = lineCount(InstallationFixture::sourceFile(u"sql/"_s + file)) + 3;
        o.scriptsDir = brokenScripts(fixture, file, "\n\nCREATE TABLE BROKEN (ID INTEGR);\n");
        if (c.existingTarget) {
            writeFile(o.database, "the old database");
            o.replace = true;
        }
        try {
            Installer(o).run();
            ADD_FAILURE() << "the broken script ran";
        } catch (const fb::Error &e) {
            const QString where = u"%1:%2"_s.arg(QDir(o.scriptsDir).filePath(file)).arg(line);
            EXPECT_TRUE(e.message().contains(where)) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(u"CREATE TABLE BROKEN"_s))
                    << e.message().toStdString();
        }
        EXPECT_FALSE(QFileInfo::exists(o.database + u".part"_s));
        if (c.existingTarget)
            EXPECT_EQ(readFile(o.database), QByteArray("the old database"));
        else
            EXPECT_FALSE(QFileInfo::exists(o.database));
    }
}

TEST(Installer, MissingInputsAreReportedBeforeAnythingIsCreated)
{
    struct Case
    {
        const char *what;
        bool badScripts;
        bool badOptions;
        QString expected;
    };
    const Case cases[] = {
            {"no scripts folder", true, false, u"scripts folder"_s},
            {"no rights.xml", false, true, u"rights.xml"_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        InstallationFixture fixture;
        InstallOptions o = fixture.options();
        if (c.badScripts)
            o.scriptsDir = fixture.path(u"none"_s);
        if (c.badOptions)
            o.optionsDir = fixture.path(u"none"_s);
        try {
            Installer(o).run();
            ADD_FAILURE() << "ran without its inputs";
        } catch (const LxError &e) {
            EXPECT_TRUE(e.message().contains(c.expected)) << e.message().toStdString();
        }
        EXPECT_FALSE(QFileInfo::exists(o.database));
    }
}

// The password used to be stored as Base64 of its UTF-8 bytes while the login compares Base64 of
// the windows-1251 bytes, so a Cyrillic password locked the administrator out.
TEST(Installer, ACyrillicPasswordIsStoredAsTheLoginComparesIt)
{
    InstallationFixture fixture;
    InstallOptions o = fixture.options();
    o.password = u"пароль"_s;
    const auto db = fixture.install(o);
    fb::Transaction tr(*db);
    EXPECT_EQ(
            fb::Query::scalar(tr, u"select PASSWD from VW_SEC_USERSGROUPS"_s).toString().trimmed(),
            u"7+Dw7uv8"_s);
}

TEST(Installer, AdministratorGetsEveryRightAndALoginPassword)
{
    InstallationFixture fixture;
    InstallOptions o = fixture.options();
    o.password = u"quillwort"_s;
    const auto db = fixture.install(o);
    fb::Transaction tr(*db);
    // The personal-mode login compares the Base64 of the typed password.
    EXPECT_EQ(fb::Query::scalar(tr,
                                u"select UGNAME from VW_SEC_USERSGROUPS SEC where SEC.PASSWD "
                                "= 'cXVpbGx3b3J0'"_s)
                      .toString()
                      .trimmed(),
              u"SYSDBA"_s);
    const QString rights
            = fb::Query::scalar(tr,
                                u"select RIGHTS from VW_SEC_CURUSERANDGROUPS where RTYPE = 'G'"_s)
                      .toString();
    EXPECT_EQ(rights,
              Installer::allRights(InstallationFixture::sourceFile(u"options/rights.xml"_s)));
    EXPECT_TRUE(rights.contains(u"StudentsDelete=1\r\n"_s));
    // The first start finds settings and does not complain about a missing settings file.
    EXPECT_TRUE(fb::Query::scalar(tr, u"select SETTINGS from VW_SEC_USERSGROUPS"_s)
                        .toByteArray()
                        .contains("encoding=\"windows-1251\""));
}

TEST(Installer, WritesThePersonalRegistry)
{
    InstallationFixture fixture;
    InstallOptions o = fixture.options();
    o.registryFile = fixture.path(u"registry.ini"_s);
    o.optionsPath = fixture.path(u"options"_s);
    o.binPath = fixture.path(u"bin"_s);
    o.version = u"5.0.0.7"_s;
    Installer(o).run();

    qputenv("VELMOR_REGISTRY", QFile::encodeName(o.registryFile));
    const Registry registry(RegRoot::LocalMachine);
    const QString key = Installer::RegistryKey;
    EXPECT_EQ(registry.Value(key, u"ServerName"_s), u"$Personal"_s);
    EXPECT_EQ(registry.Value(key, u"DBName"_s), o.database);
    EXPECT_EQ(registry.Value(key, u"OptionsPath"_s), o.optionsPath);
    EXPECT_EQ(registry.Value(key, u"BinPath"_s), o.binPath);
    EXPECT_EQ(registry.Value(key, u"Version"_s), u"5.0.0.7"_s);
    qunsetenv("VELMOR_REGISTRY");
}
