// velmor-install: creates a Velmor database from the schema scripts, with the administrator,
// optional demo students and the registry of a personal installation.

#include "installer.h"

#include <lxerror.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

enum ExitCode { Success = 0, Failure = 1, UsageError = 2 };

void print(const QString &text)
{
    std::fprintf(stderr, "%s", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

struct Arguments
{
    InstallOptions options;
    bool valid = false;
};

Arguments parse(const QCoreApplication &application)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Creates a Velmor database: the schema, the administrator "
                                     "SYSDBA with the group of administrators and, on request, "
                                     "demo students."_s);
    parser.addHelpOption();
    parser.addPositionalArgument(u"database"_s,
                                 u"A file path (embedded engine) or host:path on a server."_s);
    const QString appDir = QCoreApplication::applicationDirPath();
    const QCommandLineOption replace(u"replace"_s, u"Overwrite an existing database."_s);
    const QCommandLineOption user(
            u"user"_s, u"Administrator's name (SYSDBA)."_s, u"name"_s, u"SYSDBA"_s);
    const QCommandLineOption password(u"password"_s,
                                      u"Administrator's password (masterkey); in personal mode "
                                      "the program's login checks it."_s,
                                      u"password"_s,
                                      u"masterkey"_s);
    const QCommandLineOption scripts(u"scripts"_s,
                                     u"Folder of the *.sql scripts."_s,
                                     u"dir"_s,
                                     QStringLiteral(VELMOR_INSTALL_SQL_DIR));
    const QCommandLineOption options(u"options"_s,
                                     u"Folder of the options sources (rights.xml, "
                                     "DefaultSettings.xml)."_s,
                                     u"dir"_s,
                                     QStringLiteral(VELMOR_INSTALL_OPTIONS_DIR));
    const QCommandLineOption students(
            u"demo-students"_s, u"Add N demo students."_s, u"N"_s, u"0"_s);
    const QCommandLineOption seed(u"seed"_s, u"Seed of the demo data (1)."_s, u"N"_s, u"1"_s);
    const QCommandLineOption year(u"demo-year"_s,
                                  u"Academic year the demo data describe (the current one)."_s,
                                  u"year"_s,
                                  u"0"_s);
    const QCommandLineOption pageSize(
            u"page-size"_s, u"Database page size (8192)."_s, u"bytes"_s, u"8192"_s);
    const QCommandLineOption registry(
            u"registry"_s, u"Write the registry of the installation to this file."_s, u"file"_s);
    const QCommandLineOption registryOnly(
            u"registry-only"_s,
            u"Only write the registry (--registry) for an existing database."_s);
    const QCommandLineOption optionsPath(
            u"options-path"_s, u"OptionsPath to register (the --options folder)."_s, u"dir"_s);
    const QCommandLineOption binPath(
            u"bin-path"_s, u"BinPath to register (this program's folder)."_s, u"dir"_s, appDir);
    const QCommandLineOption version(
            u"version"_s, u"Version to register (5.0.0.0)."_s, u"text"_s, u"5.0.0.0"_s);
    parser.addOptions({replace,
                       user,
                       password,
                       scripts,
                       options,
                       students,
                       seed,
                       year,
                       pageSize,
                       registry,
                       registryOnly,
                       optionsPath,
                       binPath,
                       version});
    parser.process(application);

    Arguments result;
    const QStringList positional = parser.positionalArguments();
    bool studentsValid = false, seedValid = false, yearValid = false, pageValid = false;
    InstallOptions &o = result.options;
    o.demo.students = parser.value(students).toInt(&studentsValid);
    o.demo.seed = parser.value(seed).toULongLong(&seedValid);
    o.demo.year = parser.value(year).toInt(&yearValid);
    o.pageSize = parser.value(pageSize).toInt(&pageValid);
    if (positional.size() != 1 || !studentsValid || o.demo.students < 0 || !seedValid || !yearValid
        || !pageValid) {
        print(u"usage: velmor-install [options] DATABASE (see --help)\n"_s);
        return result;
    }
    o.database = positional.front();
    o.replace = parser.isSet(replace);
    o.userName = parser.value(user).toUpper();
    o.password = parser.value(password);
    o.scriptsDir = parser.value(scripts);
    o.optionsDir = parser.value(options);
    o.registryFile = parser.value(registry);
    o.registryOnly = parser.isSet(registryOnly);
    o.optionsPath = parser.value(optionsPath);
    o.binPath = parser.value(binPath);
    o.version = parser.value(version);
    result.valid = true;
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const Arguments arguments = parse(application);
    if (!arguments.valid)
        return UsageError;

    QElapsedTimer timer;
    timer.start();
    Installer installer(arguments.options);
    installer.setReport([](const QString &message) { print(message + u'\n'); });
    installer.setProgress([](int done, int total) {
        print(u"\r  %1 of %2 students"_s.arg(done).arg(total)
              + (done == total ? u"\n"_s : QString()));
    });
    try {
        installer.run();
    } catch (const LxError &error) {
        print(u"velmor-install: %1\n"_s.arg(error.message()));
        return Failure;
    }
    print(u"Done in %1 s\n"_s.arg(double(timer.elapsed()) / 1000.0, 0, 'f', 1));
    return Success;
}
