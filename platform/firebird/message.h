#pragma once

#include "fb_global.h"

#include <QString>
#include <QVariant>

#include <vector>

namespace Firebird {
class IAttachment;
class IMessageMetadata;
class ITransaction;
} // namespace Firebird

namespace fb {

class Charset;
class Database;

// One column of a message: where its value and null flag sit in the buffer and its type.
struct VELMFB_EXPORT FieldInfo
{
    unsigned type = 0; // SQL_xxx without the nullable bit
    int subType = 0;
    unsigned length = 0;
    int scale = 0;
    unsigned charSet = 0;
    unsigned offset = 0;
    unsigned nullOffset = 0;
    bool nullable = true;
    QString name;     // the column's alias (its name in the select list)
    QString field;    // the table column behind it, if any
    QString relation; // the table behind it, if any

    bool isText() const;
    bool isBlob() const;
    bool isTextBlob() const;
};

// The layout of an input or output message and the conversions between its buffer and
// QVariant values.
class VELMFB_EXPORT Message
{
public:
    Message() = default;
    ~Message();
    Message(const Message &) = delete;
    Message &operator=(const Message &) = delete;

    // Takes over one reference to metadata (may be null for "no fields").
    void reset(Firebird::IMessageMetadata *metadata, const Database &db);
    Firebird::IMessageMetadata *metadata() const { return m_metadata; }

    int count() const { return int(m_fields.size()); }
    const FieldInfo &field(int index) const { return m_fields[size_t(index)]; }
    const std::vector<FieldInfo> &fields() const { return m_fields; }
    unsigned length() const { return m_length; }
    // A buffer of the message's length, aligned for every column type.
    unsigned char *buffer() { return reinterpret_cast<unsigned char *>(m_buffer.data()); }
    const unsigned char *buffer() const
    {
        return reinterpret_cast<const unsigned char *>(m_buffer.data());
    }

    static bool isNull(const unsigned char *buffer, const FieldInfo &f)
    {
        return *reinterpret_cast<const short *>(buffer + f.nullOffset) != 0;
    }
    // The value of a column in a buffer laid out by this message. Blob columns read their
    // content through the attachment and transaction given.
    static QVariant read(const unsigned char *buffer,
                         const FieldInfo &f,
                         const Charset &charset,
                         Firebird::IAttachment *att = nullptr,
                         Firebird::ITransaction *tra = nullptr);
    // Writes value into a column whose type already suits it (see Query).
    static void write(unsigned char *buffer,
                      const FieldInfo &f,
                      const QVariant &value,
                      const Charset &charset,
                      Database &db,
                      Firebird::ITransaction *tra);

    static QByteArray readBlob(Database &db, Firebird::ITransaction *tra, const void *blobId);
    static void
    writeBlob(Database &db, Firebird::ITransaction *tra, void *blobId, const QByteArray &data);

private:
    Firebird::IMessageMetadata *m_metadata = nullptr;
    std::vector<FieldInfo> m_fields;
    unsigned m_length = 0;
    std::vector<quint64> m_buffer;
};

} // namespace fb
