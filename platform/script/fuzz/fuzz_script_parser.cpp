// Feeds arbitrary text to the compiler: it must report errors, never crash or hang.

#include "fuzzhost.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static script::Engine *engine = [] {
        auto *e = new script::Engine;
        prepareFuzzEngine(*e);
        return e;
    }();
    QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    engine->compile(text, QStringLiteral("fuzz.pas"));
    return 0;
}
