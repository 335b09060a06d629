#include "message.h"
#include "status.h"

#include "charset.h"
#include "database.h"
#include "error.h"

#include <lxnls.h>

#include <firebird/Interface.h>
#include <ibase.h>

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cmath>
#include <cstring>

using namespace Firebird;

namespace fb {

namespace {

constexpr unsigned charsetOctets = 1;

const qint64 powersOf10[] = {1,
                             10,
                             100,
                             1000,
                             10000,
                             100000,
                             1000000,
                             10000000,
                             100000000,
                             1000000000,
                             10000000000LL,
                             100000000000LL,
                             1000000000000LL,
                             10000000000000LL,
                             100000000000000LL,
                             1000000000000000LL,
                             10000000000000000LL,
                             100000000000000000LL,
                             1000000000000000000LL};

QVariant scaled(qint64 value, int scale)
{
    if (scale == 0)
        return value;
    return double(value) / double(powersOf10[-scale]);
}

qint64 unscaled(const QVariant &value, int scale)
{
    if (scale == 0) {
        if (value.typeId() == QMetaType::Double)
            return qint64(std::llround(value.toDouble()));
        return value.toLongLong();
    }
    return qint64(std::llround(value.toDouble() * double(powersOf10[-scale])));
}

QDate decodeDate(ISC_DATE date)
{
    unsigned y, m, d;
    Database::util()->decodeDate(date, &y, &m, &d);
    return QDate(int(y), int(m), int(d));
}

QTime decodeTime(ISC_TIME time)
{
    unsigned h, m, s, fractions;
    Database::util()->decodeTime(time, &h, &m, &s, &fractions);
    return QTime(int(h), int(m), int(s), int(fractions / 10));
}

ISC_DATE encodeDate(const QDate &date)
{
    return Database::util()->encodeDate(
            unsigned(date.year()), unsigned(date.month()), unsigned(date.day()));
}

ISC_TIME encodeTime(const QTime &time)
{
    return Database::util()->encodeTime(unsigned(time.hour()),
                                        unsigned(time.minute()),
                                        unsigned(time.second()),
                                        unsigned(time.msec()) * 10);
}

QByteArray bytesOf(const QVariant &value, const Charset &charset)
{
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray();
    return charset.encode(value.toString());
}

} // namespace

bool FieldInfo::isText() const
{
    return type == SQL_TEXT || type == SQL_VARYING;
}

bool FieldInfo::isBlob() const
{
    return type == SQL_BLOB;
}

bool FieldInfo::isTextBlob() const
{
    return type == SQL_BLOB && subType == 1;
}

Message::~Message()
{
    if (m_metadata)
        m_metadata->release();
}

void Message::reset(IMessageMetadata *metadata, const Database &)
{
    if (m_metadata)
        m_metadata->release();
    m_metadata = metadata;
    m_fields.clear();
    m_length = 0;
    if (!metadata)
        return;
    Status status;
    const unsigned n = metadata->getCount(&status);
    m_fields.resize(n);
    for (unsigned i = 0; i < n; ++i) {
        FieldInfo &f = m_fields[i];
        f.type = metadata->getType(&status, i) & ~1u;
        f.subType = metadata->getSubType(&status, i);
        f.length = metadata->getLength(&status, i);
        f.scale = metadata->getScale(&status, i);
        f.charSet = metadata->getCharSet(&status, i);
        f.offset = metadata->getOffset(&status, i);
        f.nullOffset = metadata->getNullOffset(&status, i);
        f.nullable = metadata->isNullable(&status, i);
        f.name = QString::fromUtf8(metadata->getAlias(&status, i));
        f.field = QString::fromUtf8(metadata->getField(&status, i));
        f.relation = QString::fromUtf8(metadata->getRelation(&status, i));
    }
    m_length = metadata->getMessageLength(&status);
    m_buffer.assign((m_length + 7) / 8 + 1, 0);
}

QVariant Message::read(const unsigned char *buffer,
                       const FieldInfo &f,
                       const Charset &charset,
                       IAttachment *att,
                       ITransaction *tra)
{
    if (isNull(buffer, f))
        return QVariant();
    const unsigned char *p = buffer + f.offset;
    switch (f.type) {
    case SQL_TEXT: {
        const char *text = reinterpret_cast<const char *>(p);
        if (f.charSet == charsetOctets)
            return QByteArray(text, f.length);
        // CHAR columns come padded with blanks; the padding is not part of the value.
        qsizetype size = f.length;
        while (size > 0 && text[size - 1] == ' ')
            --size;
        return charset.decode(text, size);
    }
    case SQL_VARYING: {
        const unsigned short size = *reinterpret_cast<const unsigned short *>(p);
        const char *text = reinterpret_cast<const char *>(p + 2);
        if (f.charSet == charsetOctets)
            return QByteArray(text, size);
        return charset.decode(text, size);
    }
    case SQL_SHORT:
        return scaled(*reinterpret_cast<const qint16 *>(p), f.scale);
    case SQL_LONG: {
        const qint32 v = *reinterpret_cast<const qint32 *>(p);
        return f.scale == 0 ? QVariant(int(v)) : scaled(v, f.scale);
    }
    case SQL_INT64:
        return scaled(*reinterpret_cast<const qint64 *>(p), f.scale);
    case SQL_FLOAT:
        return double(*reinterpret_cast<const float *>(p));
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return *reinterpret_cast<const double *>(p);
    case SQL_TYPE_DATE:
        return decodeDate(*reinterpret_cast<const ISC_DATE *>(p));
    case SQL_TYPE_TIME:
        return decodeTime(*reinterpret_cast<const ISC_TIME *>(p));
    case SQL_TIMESTAMP: {
        const auto *ts = reinterpret_cast<const ISC_TIMESTAMP *>(p);
        return QDateTime(decodeDate(ts->timestamp_date), decodeTime(ts->timestamp_time));
    }
    case SQL_BOOLEAN:
        return *reinterpret_cast<const FB_BOOLEAN *>(p) != 0;
    case SQL_BLOB: {
        if (!att || !tra)
            return QVariant();
        Status status;
        IBlob *blob = att->openBlob(&status,
                                    tra,
                                    const_cast<ISC_QUAD *>(reinterpret_cast<const ISC_QUAD *>(p)),
                                    0,
                                    nullptr);
        if (status.failed())
            throw Error::fromStatus(status.raw);
        QByteArray data;
        char chunk[32768];
        for (;;) {
            unsigned got = 0;
            const int result = blob->getSegment(&status, sizeof chunk, chunk, &got);
            if (result == IStatus::RESULT_OK || result == IStatus::RESULT_SEGMENT) {
                data.append(chunk, got);
                continue;
            }
            break;
        }
        const bool failed = status.failed();
        if (failed) {
            Error error = Error::fromStatus(status.raw);
            blob->release();
            throw error;
        }
        blob->close(&status);
        if (status.failed())
            blob->release();
        if (f.subType == 1 && f.charSet != charsetOctets)
            return charset.decode(data);
        return data;
    }
    default:
        return QVariant();
    }
}

QByteArray Message::readBlob(Database &db, ITransaction *tra, const void *blobId)
{
    FieldInfo f;
    f.type = SQL_BLOB;
    f.offset = 0;
    f.nullOffset = sizeof(ISC_QUAD);
    unsigned char buffer[sizeof(ISC_QUAD) + sizeof(short)] = {};
    std::memcpy(buffer, blobId, sizeof(ISC_QUAD));
    return read(buffer, f, db.charset(), db.checkedAttachment(), tra).toByteArray();
}

void Message::writeBlob(Database &db, ITransaction *tra, void *blobId, const QByteArray &data)
{
    Status status;
    auto *id = reinterpret_cast<ISC_QUAD *>(blobId);
    IBlob *blob = db.checkedAttachment()->createBlob(&status, tra, id, 0, nullptr);
    if (status.failed())
        db.raise(status.raw);
    constexpr qsizetype segment = 32768;
    for (qsizetype pos = 0; pos < data.size() && !status.failed(); pos += segment)
        blob->putSegment(
                &status, unsigned(std::min(segment, data.size() - pos)), data.constData() + pos);
    if (!status.failed())
        blob->close(&status);
    if (status.failed()) {
        Error error = Error::fromStatus(status.raw);
        blob->release();
        throw error;
    }
}

void Message::write(unsigned char *buffer,
                    const FieldInfo &f,
                    const QVariant &value,
                    const Charset &charset,
                    Database &db,
                    ITransaction *tra)
{
    auto *nullFlag = reinterpret_cast<short *>(buffer + f.nullOffset);
    if (value.isNull() || !value.isValid()) {
        *nullFlag = -1;
        return;
    }
    *nullFlag = 0;
    unsigned char *p = buffer + f.offset;
    switch (f.type) {
    case SQL_TEXT: {
        // Longer values are given a wider column before they get here (see Query), so the
        // engine reports the truncation itself.
        const QByteArray bytes = bytesOf(value, charset);
        const size_t size = std::min<size_t>(size_t(bytes.size()), f.length);
        std::memcpy(p, bytes.constData(), size);
        std::memset(p + size, ' ', f.length - size);
        break;
    }
    case SQL_VARYING: {
        const QByteArray bytes = bytesOf(value, charset);
        const size_t size = std::min<size_t>(size_t(bytes.size()), f.length);
        *reinterpret_cast<unsigned short *>(p) = static_cast<unsigned short>(size);
        std::memcpy(p + 2, bytes.constData(), size);
        break;
    }
    case SQL_SHORT:
        *reinterpret_cast<qint16 *>(p) = qint16(unscaled(value, f.scale));
        break;
    case SQL_LONG:
        *reinterpret_cast<qint32 *>(p) = qint32(unscaled(value, f.scale));
        break;
    case SQL_INT64:
        *reinterpret_cast<qint64 *>(p) = unscaled(value, f.scale);
        break;
    case SQL_FLOAT:
        *reinterpret_cast<float *>(p) = float(value.toDouble());
        break;
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        *reinterpret_cast<double *>(p) = value.toDouble();
        break;
    case SQL_TYPE_DATE:
        *reinterpret_cast<ISC_DATE *>(p) = encodeDate(value.toDate());
        break;
    case SQL_TYPE_TIME:
        *reinterpret_cast<ISC_TIME *>(p) = encodeTime(value.toTime());
        break;
    case SQL_TIMESTAMP: {
        const QDateTime dt = value.typeId() == QMetaType::QDate
                                     ? QDateTime(value.toDate(), QTime(0, 0))
                                     : value.toDateTime();
        auto *ts = reinterpret_cast<ISC_TIMESTAMP *>(p);
        ts->timestamp_date = encodeDate(dt.date());
        ts->timestamp_time = encodeTime(dt.time());
        break;
    }
    case SQL_BOOLEAN:
        *reinterpret_cast<FB_BOOLEAN *>(p) = value.toBool() ? FB_TRUE : FB_FALSE;
        break;
    case SQL_BLOB: {
        const QByteArray bytes = value.typeId() == QMetaType::QByteArray
                                         ? value.toByteArray()
                                         : charset.encode(value.toString());
        writeBlob(db, tra, p, bytes);
        break;
    }
    case SQL_NULL:
        break;
    default:
        throw UsageError(LxTr("Неподдерживаемый тип параметра %1").arg(f.type));
    }
}

} // namespace fb
