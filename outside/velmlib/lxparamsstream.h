#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <functional>

class QIODevice;

// The binary form of a parameter set, little-endian throughout:
//   "LXPS", version (u16), entry count (u32), then per entry:
//   name (text), value kind (u8), value.
// A text is its UTF-16 code unit count (u32) followed by the units, so every QString
// comes back exactly. Values by kind: empty and null carry nothing; text; 64-bit integer;
// double as its IEEE bit pattern (u64); boolean (u8 0 or 1); date as Julian day (i64);
// date and time as its Qt::TimeSpec (u8, 0xFF for an invalid one), Julian day (i64),
// milliseconds of the day (i32) and, by that kind, the UTC offset in seconds (i32) or the
// IANA zone id (u32 length, bytes).
namespace LxParamsStream {

inline constexpr char Magic[4] = {'L', 'X', 'P', 'S'};
inline constexpr quint16 Version = 1;

enum class Kind : quint8 {
    Empty = 0,
    Null = 1,
    Text = 2,
    Integer = 3,
    Double = 4,
    Boolean = 5,
    Date = 6,
    DateTime = 7,
};

// One serialised set; values must be normalised (see LxParams::Normalized).
class Writer
{
public:
    explicit Writer(qsizetype count);
    void entry(const QString &name, const QVariant &value);
    const QByteArray &bytes() const { return m_bytes; }

private:
    template<typename T>
    void number(T value);
    void text(const QString &text);
    void dateTime(const QDateTime &value);

    QByteArray m_bytes;
};

// Raises LxError saying the data is no parameter set, with the detail why.
[[noreturn]] void RaiseInvalid(const QString &detail);

// Reads a set entry by entry, calling back for each; raises LxError on anything that is not
// a saved set. Reads in bounded chunks and checks lengths against what the device still holds,
// so a hostile stream can not make it allocate much more than its own size.
void Read(QIODevice &device, const std::function<void(const QString &, const QVariant &)> &entry);

} // namespace LxParamsStream
