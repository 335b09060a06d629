#include "security.h"

#include <lxnls.h>

#include <gcrypt.h>

#include <array>
#include <mutex>

namespace {

constexpr int BlockSize = 8; // IDEA's block
constexpr int KeySize = 16;  // IDEA's key
constexpr int ChecksumWidth = 3;

using Block = std::array<unsigned char, BlockSize>;
using Key = std::array<unsigned char, KeySize>;

void wipe(void *data, size_t size)
{
    auto *bytes = static_cast<volatile unsigned char *>(data);
    while (size--)
        *bytes++ = 0;
}

void initGcrypt()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (!gcry_control(GCRYCTL_INITIALIZATION_FINISHED_P)) {
            gcry_check_version(nullptr);
            gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
            gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
        }
    });
}

void check(gcry_error_t error)
{
    if (error)
        throw LxError(
                QStringLiteral("IDEA cipher: %1").arg(QString::fromUtf8(gcry_strerror(error))));
}

// An open libgcrypt IDEA handle, closed (and so wiped) when it goes out of scope.
class IdeaHandle
{
public:
    IdeaHandle(int mode, const Key &key)
    {
        initGcrypt();
        check(gcry_cipher_open(&m_handle, GCRY_CIPHER_IDEA, mode, 0));
        check(gcry_cipher_setkey(m_handle, key.data(), key.size()));
    }
    ~IdeaHandle() { gcry_cipher_close(m_handle); }
    IdeaHandle(const IdeaHandle &) = delete;
    IdeaHandle &operator=(const IdeaHandle &) = delete;

    gcry_cipher_hd_t get() const { return m_handle; }

private:
    gcry_cipher_hd_t m_handle = nullptr;
};

// The IDEA key: the first 16 bytes of the SHA-1 digest of the key number's decimal text.
Key deriveKey(quint8 keyNumber)
{
    const QByteArray text = QByteArray::number(keyNumber);
    std::array<unsigned char, 20> digest;
    gcry_md_hash_buffer(GCRY_MD_SHA1, digest.data(), text.constData(), text.size());
    Key key;
    std::copy_n(digest.begin(), KeySize, key.begin());
    wipe(digest.data(), digest.size());
    return key;
}

// Runs IDEA in 8-bit cipher feedback mode over data in place. The shift register starts as
// the encryption of the zero block; libgcrypt's CFB8 takes its IV as that register.
void cfb8(QByteArray &data, quint8 keyNumber, bool encrypt)
{
    Key key = deriveKey(keyNumber);
    Block shiftRegister{};
    {
        IdeaHandle ecb(GCRY_CIPHER_MODE_ECB, key);
        check(gcry_cipher_encrypt(ecb.get(), shiftRegister.data(), BlockSize, nullptr, 0));
    }
    IdeaHandle cfb(GCRY_CIPHER_MODE_CFB8, key);
    wipe(key.data(), key.size());
    check(gcry_cipher_setiv(cfb.get(), shiftRegister.data(), BlockSize));
    wipe(shiftRegister.data(), shiftRegister.size());
    if (data.isEmpty())
        return;
    auto *bytes = reinterpret_cast<unsigned char *>(data.data());
    check(encrypt ? gcry_cipher_encrypt(cfb.get(), bytes, data.size(), nullptr, 0)
                  : gcry_cipher_decrypt(cfb.get(), bytes, data.size(), nullptr, 0));
}

quint8 checksum(const char *data, qsizetype size)
{
    quint8 sum = 0;
    for (qsizetype i = 0; i < size; ++i)
        sum ^= quint8(data[i]);
    return sum;
}

int base64Value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

[[noreturn]] void raiseDecodingError()
{
    throw DecodeError(LxTr("Ошибка декодирования."));
}

// Base64 read in groups of four characters: "=" ends the data of its group, whatever
// follows the last complete group is ignored, any other foreign character is an error.
QByteArray decodeBase64(const QByteArray &text)
{
    QByteArray result;
    result.reserve(text.size() / 4 * 3);
    for (qsizetype group = 0; group + 4 <= text.size(); group += 4) {
        quint32 bits = 0;
        int sextets = 0;
        for (; sextets < 4 && text[group + sextets] != '='; ++sextets) {
            const int value = base64Value(text[group + sextets]);
            if (value < 0)
                raiseDecodingError();
            bits |= quint32(value) << (18 - 6 * sextets);
        }
        for (int byte = 0; byte < sextets - 1; ++byte)
            result.append(char(bits >> (16 - 8 * byte)));
    }
    return result;
}

} // namespace

QByteArray EncodeString(const QByteArray &plainText, quint8 keyNumber)
{
    QByteArray payload = QByteArray::number(checksum(plainText.constData(), plainText.size()))
                                 .leftJustified(ChecksumWidth, ' ')
                         + plainText;
    cfb8(payload, keyNumber, true);
    return payload.toBase64();
}

QByteArray DecodeString(const QByteArray &encoded, quint8 keyNumber)
{
    QByteArray payload = decodeBase64(encoded);
    cfb8(payload, keyNumber, false);
    if (payload.size() <= ChecksumWidth)
        raiseDecodingError();
    bool isNumber = false;
    const int expected = payload.left(ChecksumWidth).trimmed().toInt(&isNumber, 10);
    const char *plain = payload.constData() + ChecksumWidth;
    const qsizetype plainSize = payload.size() - ChecksumWidth;
    if ((isNumber ? expected : 0) != checksum(plain, plainSize))
        throw DecodeError(LxTr("Ошибка декодирования.\r\nНеверная контрольная сумма."));
    return QByteArray(plain, plainSize);
}
