// Feeds arbitrary bytes to the parameter-set reader. A refused stream must leave the set
// empty; an accepted one must save to bytes that load and save again unchanged.

#include <lxparams.h>

#include <lxerror.h>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    LxParams params;
    params.SetValue(QStringLiteral("before"), true);
    try {
        params.LoadFromBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    } catch (const LxError &) {
        if (params.Count() != 0)
            std::abort();
        return 0;
    }
    const QByteArray saved = params.SaveToBytes();
    LxParams again;
    again.LoadFromBytes(saved);
    if (again.Count() != params.Count() || again.SaveToBytes() != saved)
        std::abort();
    return 0;
}
