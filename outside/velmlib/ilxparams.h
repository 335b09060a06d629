#pragma once

#include "velmlib_global.h"

#include <QByteArray>
#include <QString>
#include <QUuid>
#include <QVariant>

#include <memory>

class QIODevice;

inline constexpr QUuid IID_ILxParams{
        0x752AC282, 0x1C66, 0x4038, 0x91, 0xC2, 0x44, 0x8C, 0x52, 0xB5, 0xD4, 0x14};
inline constexpr QUuid CLSID_LxParams{
        0xAC7ED009, 0x6752, 0x4FFA, 0x94, 0x4A, 0x71, 0x14, 0x29, 0xA6, 0xB0, 0x85};

// A named set of variant values: command parameters, a user's option set, the stored
// parameters of an order. Names are matched without regard to case; entries keep their
// insertion order.
//
// A value is one of: empty (an invalid QVariant), null (LxNull()), text (QString), a 64-bit
// integer (qint64; every integer type is stored so), a double (float is widened), a boolean,
// a date (QDate) or a date and time (QDateTime). Any other type is refused with LxError.
class VELMLIB_EXPORT ILxParams
{
public:
    virtual ~ILxParams();

    virtual bool Exists(const QString &name) const = 0;
    // The value of the entry, or empty when there is none.
    virtual QVariant Value(const QString &name) const = 0;
    // Sets the entry's value, creating the entry at the end when there is none.
    virtual void SetValue(const QString &name, const QVariant &value) = 0;

    virtual int Count() const = 0;
    // The entry at the index (0 .. Count() - 1); LxError outside that range.
    virtual QString Name(int index) const = 0;
    virtual QVariant ValueAt(int index) const = 0;
    virtual void Clear() = 0;

    // The versioned binary form of the set; LxError when the device cannot be written.
    virtual void SaveToStream(QIODevice &device) const = 0;
    // Replaces the entries with those of a saved set. When the data is not a parameter set
    // (wrong signature or version, cut short, inconsistent), raises LxError and leaves the set
    // empty.
    virtual void LoadFromStream(QIODevice &device) = 0;

    QByteArray SaveToBytes() const;
    // As LoadFromStream; bytes left over after the set are an error too.
    void LoadFromBytes(const QByteArray &bytes);
};

// The null value of a parameter (a database NULL), as distinct from an empty one.
inline QVariant LxNull()
{
    return QVariant::fromValue(nullptr);
}

inline bool IsLxNull(const QVariant &value)
{
    return value.metaType().id() == QMetaType::Nullptr;
}

// Creates parameter sets, as the class of CLSID_LxParams.
class VELMLIB_EXPORT CoLxParams
{
public:
    static std::unique_ptr<ILxParams> Create();
};
