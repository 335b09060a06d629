// velmscript FILE [--call NAME args...]: compiles and runs a script, prints its output and errors.

#include "engine.h"

#include <QCoreApplication>

#include <cstdio>

using namespace script;

static void err(const QString &s)
{
    QByteArray b = (s + QLatin1Char('\n')).toUtf8();
    fwrite(b.constData(), 1, size_t(b.size()), stderr);
}

static Value argValue(const QString &s)
{
    int64_t i;
    if (tryStrToInt(s, i))
        return Value(i);
    double d;
    if (tryStrToFloat(s, d))
        return Value(d);
    return Value(s);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args[0] == QLatin1String("--help")) {
        err(QStringLiteral("usage: velmscript FILE [--call NAME [ARGS...]]"));
        return 2;
    }
    Engine engine;
    engine.setOutput([](const QString &s) {
        QByteArray b = s.toUtf8();
        fwrite(b.constData(), 1, size_t(b.size()), stdout);
        fflush(stdout);
    });
    if (!engine.compileFile(args[0])) {
        err(QStringLiteral("Compile error: ") + engine.compileError().text());
        return 1;
    }
    Status st = engine.runMain();
    Value result;
    if (st == Status::Ok && args.size() > 2 && args[1] == QLatin1String("--call")) {
        std::vector<Value> callArgs;
        for (int i = 3; i < args.size(); ++i)
            callArgs.push_back(argValue(args[i]));
        st = engine.call(args[2], callArgs, &result);
        if (st == Status::Ok && !result.isEmpty()) {
            QByteArray b = (result.isNull() ? QStringLiteral("Null") : result.toString()).toUtf8();
            printf("%s\n", b.constData());
        }
    }
    switch (st) {
    case Status::Ok:
        return 0;
    case Status::Aborted:
        err(QStringLiteral("Aborted"));
        return 3;
    default:
        err(QStringLiteral("Runtime error: ") + engine.runtimeError().exceptionClass
            + QStringLiteral(": ") + engine.runtimeError().text());
        return 1;
    }
}
