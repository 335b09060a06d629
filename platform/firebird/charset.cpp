#include "charset.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <limits>

namespace fb {

namespace {

QString qtCodecName(const QString &name)
{
    const QString upper = name.toUpper();
    if (upper.startsWith(QLatin1String("WIN")))
        return QStringLiteral("windows-") + upper.mid(3);
    if (upper == QLatin1String("ISO8859_1"))
        return QStringLiteral("ISO-8859-1");
    return {};
}

} // namespace

Charset::Charset(const QString &name)
    : m_name(name.toUpper())
{
    if (m_name == QLatin1String("UTF8") || m_name == QLatin1String("UNICODE_FSS")) {
        m_utf8 = true;
        return;
    }
    const QString codec = qtCodecName(m_name);
    if (codec.isEmpty())
        return; // NONE and the like: Latin-1 bytes
    QStringDecoder decoder(codec.toLatin1().constData());
    if (!decoder.isValid())
        return;
    for (int i = 0; i < 256; ++i) {
        const char byte = char(i);
        const QString ch = decoder.decode(QByteArrayView(&byte, 1));
        m_toUnicode[i] = ch.isEmpty() ? char16_t(0xFFFD) : char16_t(ch.at(0).unicode());
    }
    for (int b = 0x80; b < 256; ++b)
        m_fromUnicode.emplace_back(m_toUnicode[b], char(b));
    std::sort(m_fromUnicode.begin(), m_fromUnicode.end());
    m_table = true;
}

QString Charset::decode(const char *data, qsizetype size) const
{
    if (m_utf8)
        return QString::fromUtf8(data, size);
    if (!m_table)
        return QString::fromLatin1(data, size);
    QString result(size, Qt::Uninitialized);
    QChar *out = result.data();
    for (qsizetype i = 0; i < size; ++i)
        out[i] = QChar(m_toUnicode[uchar(data[i])]);
    return result;
}

QByteArray Charset::encode(const QString &text) const
{
    if (m_utf8)
        return text.toUtf8();
    if (!m_table)
        return text.toLatin1();
    // ASCII goes straight through; other characters are looked up in the table.
    QByteArray result(text.size(), Qt::Uninitialized);
    char *out = result.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text.at(i).unicode();
        if (ch < 0x80) {
            out[i] = char(ch);
            continue;
        }
        const auto it = std::lower_bound(m_fromUnicode.begin(),
                                         m_fromUnicode.end(),
                                         std::make_pair(ch, std::numeric_limits<char>::min()));
        out[i] = it != m_fromUnicode.end() && it->first == ch ? it->second : '?';
    }
    return result;
}

} // namespace fb
