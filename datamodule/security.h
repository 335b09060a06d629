#pragma once

#include "velmdm_global.h"

#include <lxerror.h>

#include <QByteArray>

// The encoding of the definition files: a checksummed payload enciphered with IDEA in
// 8-bit cipher feedback mode and written as one run of Base64. Texts are byte strings;
// each call keeps no state, so the functions may be called from any thread.

// Raised when an encoded string cannot be decoded or its checksum does not match.
class VELMDM_EXPORT DecodeError : public LxError
{
public:
    using LxError::LxError;
    QString className() const override { return QStringLiteral("DecodeError"); }
};

// The Base64 text of the enciphered payload "<checksum as %-3d><plain text>".
VELMDM_EXPORT QByteArray EncodeString(const QByteArray &plainText, quint8 keyNumber);

// The plain text of an encoded string; throws DecodeError when the decoded payload is too
// short, the text holds a character outside the Base64 alphabet, or the checksum differs.
VELMDM_EXPORT QByteArray DecodeString(const QByteArray &encoded, quint8 keyNumber);
