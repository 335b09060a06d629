#pragma once

#include "fb_global.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <utility>
#include <vector>

namespace fb {

// The connection character set (lc_ctype) seen from the client: turns the bytes of text
// columns into QString and back. WIN1251 is decoded through a table built once from Qt's
// windows-1251 codec, because text columns are decoded for every fetched cell.
class VELMFB_EXPORT Charset
{
public:
    explicit Charset(const QString &name = QStringLiteral("WIN1251"));

    QString name() const { return m_name; }
    QString decode(const char *data, qsizetype size) const;
    QString decode(const QByteArray &bytes) const { return decode(bytes.data(), bytes.size()); }
    QByteArray encode(const QString &text) const;
    // Bytes per character at most (1 for single-byte sets, 4 for UTF8).
    int maxBytesPerChar() const { return m_utf8 ? 4 : 1; }

private:
    QString m_name;
    bool m_utf8 = false;
    bool m_table = false;
    std::array<char16_t, 256> m_toUnicode{};
    std::vector<std::pair<char16_t, char>> m_fromUnicode; // upper half, sorted
};

} // namespace fb
