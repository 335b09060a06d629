// Runs every script of corpus/ and compares its output and final status with the .out file
// next to it. A script may ask for a step budget with "{budget N}" on its first line; the
// budget is enforced from the line callback through terminate(), as a host would;
// "{maxstring N}" lowers the string length limit.
// VELMSCRIPT_BLESS=1 writes the .out files instead of comparing (review them before commit).

#include "hostfixture.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace script;

// readable test names in failure messages
void PrintTo(const QString &s, std::ostream *os)
{
    *os << s.toStdString();
}

namespace {

QString statusText(Engine &e, Status st)
{
    auto pos = [](const ScriptError &err) {
        QString s = err.pos.text();
        if (!err.pos.unit.isEmpty())
            s = err.pos.unit + QLatin1Char(' ') + s;
        return s;
    };
    switch (st) {
    case Status::Ok:
        return QStringLiteral("Ok");
    case Status::Aborted:
        return QStringLiteral("Aborted");
    case Status::Terminated:
        return QStringLiteral("Terminated @ %1").arg(pos(e.runtimeError()));
    case Status::Busy:
        return QStringLiteral("Busy");
    case Status::Error:
        return QStringLiteral("Error %1: %2 @ %3")
                .arg(e.runtimeError().exceptionClass,
                     e.runtimeError().message,
                     pos(e.runtimeError()));
    }
    return {};
}

QString runScript(const QString &path)
{
    test::HostFixture host;
    Engine engine;
    host.install(engine);
    bool ok = false;
    QString text = readScriptFile(path, &ok);
    if (!ok)
        return QStringLiteral("cannot read %1").arg(path);
    QRegularExpression budgetRe(QStringLiteral("^\\{budget (\\d+)\\}"));
    auto m = budgetRe.match(text);
    long budget = m.hasMatch() ? m.captured(1).toLong() : 0;
    long steps = 0;
    QRegularExpression limitRe(QStringLiteral("\\{maxstring (\\d+)\\}"));
    auto lm = limitRe.match(text);
    if (lm.hasMatch()) {
        Limits l = engine.limits();
        l.maxStringLength = lm.captured(1).toLongLong();
        engine.setLimits(l);
    }
    if (budget > 0)
        engine.setLineCallback([&](const SourcePos &) {
            if (++steps == budget)
                engine.terminate();
        });
    QString dir = QFileInfo(path).absolutePath();
    engine.setUnitLoader([dir](const QString &name) -> std::optional<QString> {
        bool found = false;
        QString t = readScriptFile(dir + QLatin1Char('/') + name, &found);
        return found ? std::optional<QString>(t) : std::nullopt;
    });
    QString unit = QFileInfo(path).fileName();
    if (!engine.compile(text, unit)) {
        const ScriptError &err = engine.compileError();
        return QStringLiteral("== Compile error: %1 @ %2 %3\n")
                .arg(err.message, err.pos.unit, err.pos.text());
    }
    Status st = engine.runMain();
    QString result
            = host.output + QStringLiteral("== ") + statusText(engine, st) + QLatin1Char('\n');
    // the same engine runs again after any ending, with the same outcome
    steps = 0;
    host.output.clear();
    Status again = engine.runMain();
    if (again != st)
        result += QStringLiteral("== second run differs: %1\n").arg(statusText(engine, again));
    return result;
}

class Corpus : public ::testing::TestWithParam<QString>
{};

TEST_P(Corpus, OutputAndStatusMatch)
{
    QString path = GetParam();
    QString actual = runScript(path);
    QString outPath = path.left(path.size() - 4) + QStringLiteral(".out");
    if (qEnvironmentVariableIsSet("VELMSCRIPT_BLESS")) {
        QFile f(outPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(actual.toUtf8());
        return;
    }
    QFile f(outPath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << outPath.toStdString();
    QString expected = QString::fromUtf8(f.readAll());
    EXPECT_EQ(actual.toStdString(), expected.toStdString()) << path.toStdString();
}

std::vector<QString> corpusFiles()
{
    std::vector<QString> files;
    QDir dir(QStringLiteral(VELMOR_TEST_DATA "/corpus"));
    for (const QString &sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QDir d(dir.filePath(sub));
        for (const QString &f : d.entryList({QStringLiteral("*.pas")}, QDir::Files, QDir::Name))
            files.push_back(d.filePath(f));
    }
    for (const QString &f : dir.entryList({QStringLiteral("*.pas")}, QDir::Files, QDir::Name))
        files.push_back(dir.filePath(f));
    return files;
}

std::string caseName(const ::testing::TestParamInfo<QString> &info)
{
    QString rel = QDir(QStringLiteral(VELMOR_TEST_DATA "/corpus")).relativeFilePath(info.param);
    rel.chop(4);
    rel.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")), QStringLiteral("_"));
    return rel.toStdString();
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Scripts, Corpus, ::testing::ValuesIn(corpusFiles()), caseName);
