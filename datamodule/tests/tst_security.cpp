#include <security.h>
#include <xmlsecurity.h>

#include <gcrypt.h>
#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

#include <array>

namespace {

const QString DecodingFailed = QStringLiteral("Ошибка декодирования.");
const QString ChecksumFailed
        = QStringLiteral("Ошибка декодирования.\r\nНеверная контрольная сумма.");

QByteArray allBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    return bytes;
}

// CFB-8 written out over single-block IDEA encryptions, independent of libgcrypt's CFB8 mode:
// the register starts as the encryption of the zero block under SHA-1(key text)[0..15].
QByteArray encryptByHand(const QByteArray &payload, quint8 keyNumber)
{
    const QByteArray keyText = QByteArray::number(keyNumber);
    std::array<unsigned char, 20> digest;
    gcry_md_hash_buffer(GCRY_MD_SHA1, digest.data(), keyText.constData(), keyText.size());
    gcry_cipher_hd_t ecb = nullptr;
    EXPECT_EQ(gcry_cipher_open(&ecb, GCRY_CIPHER_IDEA, GCRY_CIPHER_MODE_ECB, 0), 0u);
    EXPECT_EQ(gcry_cipher_setkey(ecb, digest.data(), 16), 0u);
    std::array<unsigned char, 8> shiftRegister{};
    gcry_cipher_encrypt(ecb, shiftRegister.data(), 8, nullptr, 0);
    QByteArray cipher;
    for (char plain : payload) {
        std::array<unsigned char, 8> output;
        gcry_cipher_encrypt(ecb, output.data(), 8, shiftRegister.data(), 8);
        const char encrypted = char(output[0] ^ quint8(plain));
        std::copy(shiftRegister.begin() + 1, shiftRegister.end(), shiftRegister.begin());
        shiftRegister[7] = quint8(encrypted);
        cipher.append(encrypted);
    }
    gcry_cipher_close(ecb);
    return cipher;
}

QString decodeFailure(const QByteArray &encoded, quint8 keyNumber)
{
    try {
        DecodeString(encoded, keyNumber);
    } catch (const DecodeError &error) {
        return error.message();
    }
    return QStringLiteral("(decoded)");
}

// The encoded form of a definition file, computed once by an independent IDEA implementation;
// if this changes, every installed ".cml" file becomes unreadable.
TEST(Security, FixedVectorNeverDrifts)
{
    const QByteArray plain = QByteArray("<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n"
                                        "<Rights Name=\"\xcf\xf0\xe0\xe2\xe0\"/>");
    const QByteArray expected = "RJRjsSTZrvrcDAYZUHh3L0lpgZj8HiGhR7MyatEL++TP94QD5dZaF815KvaseTnL"
                                "RltUosmXJIwMdQ/O3HcFigXju8Mg08gh";
    EXPECT_EQ(EncodeString(plain, 173), expected);
    EXPECT_EQ(DecodeString(expected, 173), plain);
}

TEST(Security, RoundTripsEveryTextUnderEveryKeyLength)
{
    const struct
    {
        const char *what;
        QByteArray text;
    } cases[] = {
            {"one byte", "A"},
            {"two bytes", "ab"},
            {"three bytes", "abc"},
            {"four bytes", "abcd"},
            {"CR LF lines", "<a>\r\n<b/>\r\n</a>\r\n"},
            {"windows-1251 Cyrillic", "\xcf\xf0\xe8\xea\xe0\xe7 \xb9 5"},
            {"NUL and high bytes", QByteArray("\0\xff\x80\0", 4)},
            {"every byte value", allBytes()},
            {"long text", QByteArray(20000, 'x') + allBytes()},
            {"checksum text inside", "255abc"},
    };
    for (const quint8 key : {quint8(0), quint8(7), quint8(42), DefinitionFileKey, quint8(255)}) {
        for (const auto &c : cases) {
            SCOPED_TRACE(testing::Message() << c.what << ", key " << int(key));
            const QByteArray encoded = EncodeString(c.text, key);
            EXPECT_EQ(DecodeString(encoded, key), c.text);
            const qsizetype payload = c.text.size() + 3;
            EXPECT_EQ(encoded.size(), 4 * ((payload + 2) / 3));
            EXPECT_EQ(
                    QByteArray::fromBase64(encoded, QByteArray::AbortOnBase64DecodingErrors).size(),
                    payload);
        }
    }
}

TEST(Security, LibgcryptCfb8MatchesTheShiftRegisterByHand)
{
    for (const quint8 key : {quint8(1), DefinitionFileKey}) {
        const QByteArray text = "<x>\xc0\xc1\xc2</x>" + allBytes();
        quint8 sum = 0;
        for (char c : text)
            sum ^= quint8(c);
        const QByteArray payload = QByteArray::number(sum).leftJustified(3, ' ') + text;
        EXPECT_EQ(QByteArray::fromBase64(EncodeString(text, key)), encryptByHand(payload, key));
    }
}

TEST(Security, EmptyTextIsRejectedAsTooShort)
{
    const QByteArray encoded = EncodeString(QByteArray(), DefinitionFileKey);
    EXPECT_EQ(encoded.size(), 4);
    EXPECT_EQ(QByteArray::fromBase64(encoded), encryptByHand("0  ", DefinitionFileKey));
    EXPECT_EQ(decodeFailure(encoded, DefinitionFileKey), DecodingFailed);
}

TEST(Security, ChecksumFieldIsTrimmedAndNonNumbersReadAsZero)
{
    const struct
    {
        const char *payload;
        const char *plain; // nullptr: the checksum must not match
    } cases[] = {
            {"65 A", "A"},
            {" 65A", "A"},
            {"0  AA", "AA"}, // 'A' ^ 'A' == 0
            {"xy AA", "AA"}, // not a number: 0
            {"   AA", "AA"},
            {"66 A", nullptr},
            {"xy A", nullptr},
            {"-65A", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.payload);
        const QByteArray encoded = encryptByHand(c.payload, 9).toBase64();
        if (c.plain)
            EXPECT_EQ(DecodeString(encoded, 9), QByteArray(c.plain));
        else
            EXPECT_EQ(decodeFailure(encoded, 9), ChecksumFailed);
    }
}

TEST(Security, DecodingFailuresCarryTheirMessage)
{
    const QByteArray plain = "<Menu>\xcc\xe5\xed\xfe</Menu>";
    const QByteArray good = EncodeString(plain, DefinitionFileKey);
    QByteArray altered = good;
    altered[10] = altered[10] == 'A' ? 'B' : 'A';
    QByteArray foreign = good;
    foreign[8] = '*';
    const struct
    {
        const char *what;
        QByteArray encoded;
        quint8 key;
        QString message;
    } cases[] = {
            {"empty input", QByteArray(), DefinitionFileKey, DecodingFailed},
            {"fewer than four characters", good.left(3), DefinitionFileKey, DecodingFailed},
            {"three payload bytes", good.left(4), DefinitionFileKey, DecodingFailed},
            {"another key number", good, quint8(DefinitionFileKey + 1), ChecksumFailed},
            {"altered character", altered, DefinitionFileKey, ChecksumFailed},
            {"truncated text", good.left(good.size() - 4), DefinitionFileKey, ChecksumFailed},
            {"character outside Base64", foreign, DefinitionFileKey, DecodingFailed},
            {"line break inside",
             good.left(8) + "\r\n" + good.mid(8),
             DefinitionFileKey,
             DecodingFailed},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(decodeFailure(c.encoded, c.key), c.message);
    }
}

TEST(Security, WhateverFollowsTheLastCompleteGroupIsIgnored)
{
    const QByteArray plain = "<a>\xe0</a>";
    const QByteArray good = EncodeString(plain, DefinitionFileKey);
    for (const QByteArray &tail : {QByteArray("\r\n"),
                                   QByteArray("\n"),
                                   QByteArray("x"),
                                   QByteArray("==="),
                                   QByteArray("\r\n\r")}) {
        SCOPED_TRACE(tail.toStdString());
        EXPECT_EQ(DecodeString(good + tail, DefinitionFileKey), plain);
    }
}

} // namespace
