#include "lxparamsstream.h"

#include <lxerror.h>
#include <lxnls.h>

#include <QDateTime>
#include <QIODevice>
#include <QTimeZone>
#include <QtEndian>

#include <bit>

namespace LxParamsStream {

namespace {

constexpr quint8 InvalidDateTime = 0xFF;
constexpr qint64 ChunkSize = 64 * 1024;
constexpr int MillisecondsPerDay = 24 * 60 * 60 * 1000;
// Every entry takes at least its name length and its kind.
constexpr qint64 SmallestEntry = 4 + 1;

class Reader
{
public:
    explicit Reader(QIODevice &device)
        : m_device(device)
    {}

    template<typename T>
    T number()
    {
        const QByteArray data = bytes(sizeof(T));
        return qFromLittleEndian<T>(data.constData());
    }

    QString text()
    {
        const quint32 units = number<quint32>();
        const QByteArray data = bytes(qint64(units) * 2);
        QString result(qsizetype(units), Qt::Uninitialized);
        for (quint32 i = 0; i < units; ++i)
            result[i] = QChar(qFromLittleEndian<quint16>(data.constData() + 2 * i));
        return result;
    }

    // Fails early when the device is known to hold fewer bytes than needed.
    void require(qint64 size) const
    {
        if (!m_device.isSequential() && size > m_device.size() - m_device.pos())
            RaiseInvalid(LxTr("данные обрываются"));
    }

    QByteArray bytes(qint64 size)
    {
        require(size);
        QByteArray result;
        while (result.size() < size) {
            const QByteArray chunk = m_device.read(qMin(ChunkSize, size - result.size()));
            if (chunk.isEmpty())
                RaiseInvalid(LxTr("данные обрываются"));
            result.append(chunk);
        }
        return result;
    }

private:
    QIODevice &m_device;
};

QDateTime readDateTime(Reader &reader)
{
    const quint8 timeSpec = reader.number<quint8>();
    if (timeSpec == InvalidDateTime)
        return QDateTime();
    if (timeSpec > Qt::TimeZone)
        RaiseInvalid(LxTr("неверный вид даты и времени"));
    const QDate date = QDate::fromJulianDay(reader.number<qint64>());
    const qint32 milliseconds = reader.number<qint32>();
    if (!date.isValid() || milliseconds < 0 || milliseconds >= MillisecondsPerDay)
        RaiseInvalid(LxTr("неверные дата или время"));
    const QTime time = QTime::fromMSecsSinceStartOfDay(milliseconds);
    switch (Qt::TimeSpec(timeSpec)) {
    case Qt::OffsetFromUTC:
        return QDateTime(date, time, Qt::OffsetFromUTC, reader.number<qint32>());
    case Qt::TimeZone: {
        const QByteArray id = reader.bytes(reader.number<quint32>());
        return QDateTime(date, time, QTimeZone(id));
    }
    default:
        return QDateTime(date, time, Qt::TimeSpec(timeSpec));
    }
}

QVariant readValue(Reader &reader)
{
    const quint8 kind = reader.number<quint8>();
    switch (Kind(kind)) {
    case Kind::Empty:
        return QVariant();
    case Kind::Null:
        return QVariant::fromValue(nullptr);
    case Kind::Text:
        return reader.text();
    case Kind::Integer:
        return QVariant(reader.number<qint64>());
    case Kind::Double:
        return QVariant(std::bit_cast<double>(reader.number<quint64>()));
    case Kind::Boolean: {
        const quint8 flag = reader.number<quint8>();
        if (flag > 1)
            RaiseInvalid(LxTr("неверное логическое значение"));
        return QVariant(flag == 1);
    }
    case Kind::Date:
        return QVariant(QDate::fromJulianDay(reader.number<qint64>()));
    case Kind::DateTime:
        return QVariant(readDateTime(reader));
    }
    RaiseInvalid(LxTr("неизвестный вид значения %1").arg(kind));
}

} // namespace

void RaiseInvalid(const QString &detail)
{
    throw LxError(LxTr("Данные не являются набором параметров: %1").arg(detail));
}

Writer::Writer(qsizetype count)
{
    m_bytes.append(Magic, sizeof Magic);
    number<quint16>(Version);
    number<quint32>(quint32(count));
}

template<typename T>
void Writer::number(T value)
{
    char data[sizeof(T)];
    qToLittleEndian<T>(value, data);
    m_bytes.append(data, sizeof data);
}

void Writer::text(const QString &text)
{
    number<quint32>(quint32(text.size()));
    for (const QChar unit : text)
        number<quint16>(unit.unicode());
}

void Writer::dateTime(const QDateTime &value)
{
    if (!value.isValid()) {
        number<quint8>(InvalidDateTime);
        return;
    }
    const Qt::TimeSpec timeSpec = value.timeSpec();
    number<quint8>(quint8(timeSpec));
    number<qint64>(value.date().toJulianDay());
    number<qint32>(value.time().msecsSinceStartOfDay());
    if (timeSpec == Qt::OffsetFromUTC)
        number<qint32>(value.offsetFromUtc());
    if (timeSpec == Qt::TimeZone) {
        const QByteArray id = value.timeZone().id();
        number<quint32>(quint32(id.size()));
        m_bytes.append(id);
    }
}

void Writer::entry(const QString &name, const QVariant &value)
{
    text(name);
    switch (value.metaType().id()) {
    case QMetaType::UnknownType:
        number<quint8>(quint8(Kind::Empty));
        break;
    case QMetaType::Nullptr:
        number<quint8>(quint8(Kind::Null));
        break;
    case QMetaType::QString:
        number<quint8>(quint8(Kind::Text));
        text(value.toString());
        break;
    case QMetaType::LongLong:
        number<quint8>(quint8(Kind::Integer));
        number<qint64>(value.toLongLong());
        break;
    case QMetaType::Double:
        number<quint8>(quint8(Kind::Double));
        number<quint64>(std::bit_cast<quint64>(value.toDouble()));
        break;
    case QMetaType::Bool:
        number<quint8>(quint8(Kind::Boolean));
        number<quint8>(value.toBool() ? 1 : 0);
        break;
    case QMetaType::QDate:
        number<quint8>(quint8(Kind::Date));
        number<qint64>(value.toDate().toJulianDay());
        break;
    case QMetaType::QDateTime:
        number<quint8>(quint8(Kind::DateTime));
        dateTime(value.toDateTime());
        break;
    default:
        Q_UNREACHABLE();
    }
}

void Read(QIODevice &device, const std::function<void(const QString &, const QVariant &)> &entry)
{
    Reader reader(device);
    if (reader.bytes(sizeof Magic) != QByteArrayView(Magic, sizeof Magic))
        RaiseInvalid(LxTr("неверная сигнатура"));
    const quint16 version = reader.number<quint16>();
    if (version != Version)
        RaiseInvalid(LxTr("неподдерживаемая версия %1").arg(version));
    const quint32 count = reader.number<quint32>();
    reader.require(qint64(count) * SmallestEntry);
    for (quint32 i = 0; i < count; ++i) {
        const QString name = reader.text();
        entry(name, readValue(reader));
    }
}

} // namespace LxParamsStream
