// Compiles and runs arbitrary scripts under a step budget: every ending must be a status
// (errors included), never a crash, a hang or a sanitizer report.

#include "fuzzhost.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    script::Engine engine;
    prepareFuzzEngine(engine);
    long steps = 0;
    engine.setLineCallback([&](const script::SourcePos &) {
        if (++steps == 20000)
            engine.terminate();
    });
    QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    if (!engine.compile(text, QStringLiteral("fuzz.pas")))
        return 0;
    engine.runMain();
    for (const char *fn : {"Main", "Run", "F", "P"})
        if (engine.hasFunction(QString::fromLatin1(fn))) {
            steps = 0;
            engine.call(QString::fromLatin1(fn), {script::Value(int64_t(1))});
        }
    return 0;
}
