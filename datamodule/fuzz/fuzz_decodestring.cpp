// Feeds arbitrary text to DecodeString: the first byte is the key number, the rest the text.
// Whatever decodes must encode back to a text that decodes to it again, and the text itself
// must survive an encode and decode round trip.

#include <security.h>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const quint8 key = data[0];
    const QByteArray text(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    try {
        const QByteArray plain = DecodeString(text, key);
        if (plain.isEmpty() || DecodeString(EncodeString(plain, key), key) != plain)
            std::abort();
    } catch (const DecodeError &) {
    }
    if (!text.isEmpty() && DecodeString(EncodeString(text, key), key) != text)
        std::abort();
    return 0;
}
