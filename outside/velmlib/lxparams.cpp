#include "lxparams.h"

#include "lxparamsstream.h"

#include <lxerror.h>
#include <lxnls.h>

#include <QBuffer>
#include <QDateTime>

#include <limits>

ILxParams::~ILxParams() = default;

QByteArray ILxParams::SaveToBytes() const
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    SaveToStream(buffer);
    return buffer.data();
}

void ILxParams::LoadFromBytes(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    LoadFromStream(buffer);
    if (!buffer.atEnd()) {
        Clear();
        LxParamsStream::RaiseInvalid(LxTr("лишние данные после конца набора"));
    }
}

std::unique_ptr<ILxParams> CoLxParams::Create()
{
    return std::make_unique<LxParams>();
}

QVariant LxParams::Normalized(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
    case QMetaType::QString:
    case QMetaType::Bool:
    case QMetaType::LongLong:
    case QMetaType::Double:
    case QMetaType::QDate:
    case QMetaType::QDateTime:
        return value;
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::UInt:
        return QVariant(value.toLongLong());
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        if (value.toULongLong() <= quint64(std::numeric_limits<qint64>::max()))
            return QVariant(qint64(value.toULongLong()));
        break;
    case QMetaType::Float:
        return QVariant(value.toDouble());
    default:
        break;
    }
    throw LxError(LxTr("Значение типа %1 не может храниться в наборе параметров")
                          .arg(QString::fromLatin1(value.metaType().name())));
}

qsizetype LxParams::indexOf(const QString &name) const
{
    return m_index.value(name.toCaseFolded(), -1);
}

const LxParams::Entry &LxParams::entryAt(int index) const
{
    if (index < 0 || qsizetype(index) >= qsizetype(m_entries.size()))
        throw LxError(LxTr("Индекс параметра %1 вне диапазона").arg(index));
    return m_entries[size_t(index)];
}

void LxParams::append(const QString &name, const QVariant &value)
{
    m_index.insert(name.toCaseFolded(), qsizetype(m_entries.size()));
    m_entries.push_back({name, value});
}

bool LxParams::Exists(const QString &name) const
{
    return indexOf(name) >= 0;
}

QVariant LxParams::Value(const QString &name) const
{
    const qsizetype index = indexOf(name);
    return index < 0 ? QVariant() : m_entries[size_t(index)].value;
}

void LxParams::SetValue(const QString &name, const QVariant &value)
{
    const QVariant normalized = Normalized(value);
    const qsizetype index = indexOf(name);
    if (index < 0)
        append(name, normalized);
    else
        m_entries[size_t(index)].value = normalized;
}

int LxParams::Count() const
{
    return int(m_entries.size());
}

QString LxParams::Name(int index) const
{
    return entryAt(index).name;
}

QVariant LxParams::ValueAt(int index) const
{
    return entryAt(index).value;
}

void LxParams::Clear()
{
    m_entries.clear();
    m_index.clear();
}

void LxParams::SaveToStream(QIODevice &device) const
{
    LxParamsStream::Writer writer(qsizetype(m_entries.size()));
    for (const Entry &entry : m_entries)
        writer.entry(entry.name, entry.value);
    if (device.write(writer.bytes()) != writer.bytes().size())
        throw LxError(LxTr("Не удалось записать набор параметров: %1").arg(device.errorString()));
}

void LxParams::LoadFromStream(QIODevice &device)
{
    Clear();
    LxParams loaded;
    LxParamsStream::Read(device, [&loaded](const QString &name, const QVariant &value) {
        if (loaded.Exists(name))
            LxParamsStream::RaiseInvalid(LxTr("имя «%1» повторяется").arg(name));
        loaded.append(name, value);
    });
    *this = std::move(loaded);
}
