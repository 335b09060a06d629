#include "qobjectdispatch.h"

#include <QDateTime>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QObject>

#include <stdexcept>

namespace script {

QObjectDispatch::QObjectDispatch(QObject *obj)
    : obj_(obj)
{}

Value QObjectDispatch::wrap(QObject *obj)
{
    return obj ? Value::dispatch(std::make_shared<QObjectDispatch>(obj)) : Value::nil();
}

static std::runtime_error error(const QString &msg)
{
    return std::runtime_error(msg.toStdString());
}

QObject *QObjectDispatch::target(QStringView member) const
{
    if (!obj_)
        throw error(QStringLiteral("Access to member '%1' of a destroyed object").arg(member));
    return obj_.data();
}

QVariant toQVariant(const Value &v0)
{
    const Value &v = v0.t == VType::Ref ? *v0.r : v0;
    static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
    switch (v.t) {
    case VType::Bool:
        return v.b;
    case VType::Int:
        return QVariant::fromValue<qlonglong>(v.i);
    case VType::Float:
        return v.d;
    case VType::Date:
        return epoch.addMSecs(qint64(v.d * 86400000.0));
    case VType::String:
        return v.str();
    case VType::Null:
        return QVariant::fromValue(nullptr);
    case VType::Array: {
        QVariantList l;
        if (v.p)
            for (auto &x : static_cast<ArrayBox *>(v.p)->items)
                l << toQVariant(x);
        return l;
    }
    case VType::Dispatch:
        if (auto *q = dynamic_cast<QObjectDispatch *>(v.toDispatch().get())) {
            (void)q;
        }
        return {};
    default:
        return {};
    }
}

Value fromQVariant(const QVariant &v)
{
    static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
    if (!v.isValid())
        return {};
    switch (v.metaType().id()) {
    case QMetaType::Nullptr:
        return Value::null();
    case QMetaType::Bool:
        return Value(v.toBool());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::UShort:
        return Value(int64_t(v.toLongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return Value(v.toDouble());
    case QMetaType::QDateTime:
        return Value::date(epoch.msecsTo(v.toDateTime()) / 86400000.0);
    case QMetaType::QDate:
        return Value::date(double(epoch.date().daysTo(v.toDate())));
    case QMetaType::QString:
        return Value(v.toString());
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        std::vector<Value> items;
        for (auto &x : v.toList())
            items.push_back(fromQVariant(x));
        return Value::array(std::move(items));
    }
    case QMetaType::QObjectStar:
        return QObjectDispatch::wrap(v.value<QObject *>());
    default:
        if (v.metaType().flags() & QMetaType::PointerToQObject)
            return QObjectDispatch::wrap(v.value<QObject *>());
        if (v.canConvert<QString>())
            return Value(v.toString());
        return {};
    }
}

Value QObjectDispatch::get(QStringView name, std::span<const Value> index)
{
    QObject *o = target(name);
    const QMetaObject *mo = o->metaObject();
    for (int i = 0; i < mo->propertyCount(); ++i) {
        QMetaProperty p = mo->property(i);
        if (name.compare(QLatin1String(p.name()), Qt::CaseInsensitive) == 0 && index.empty())
            return fromQVariant(p.read(o));
    }
    return invoke(name, index);
}

void QObjectDispatch::set(QStringView name, std::span<const Value> index, const Value &v)
{
    QObject *o = target(name);
    const QMetaObject *mo = o->metaObject();
    for (int i = 0; i < mo->propertyCount(); ++i) {
        QMetaProperty p = mo->property(i);
        if (name.compare(QLatin1String(p.name()), Qt::CaseInsensitive) == 0 && index.empty()) {
            QVariant qv = toQVariant(v);
            if (!qv.convert(p.metaType()) || !p.write(o, qv))
                throw error(QStringLiteral("Cannot set property '%1'").arg(name));
            return;
        }
    }
    throw error(QStringLiteral("Object has no property '%1'").arg(name));
}

Value QObjectDispatch::invoke(QStringView name, std::span<const Value> args)
{
    QObject *o = target(name);
    const QMetaObject *mo = o->metaObject();
    for (int i = mo->methodCount() - 1; i >= 0; --i) {
        QMetaMethod m = mo->method(i);
        if (m.methodType() != QMetaMethod::Method && m.methodType() != QMetaMethod::Slot)
            continue;
        if (name.compare(QLatin1String(m.name()), Qt::CaseInsensitive) != 0)
            continue;
        if (qsizetype(args.size()) > m.parameterCount())
            continue;
        constexpr int maxArgs = 10;
        if (m.parameterCount() > maxArgs)
            continue;
        QVariant vals[maxArgs];
        QGenericArgument ga[maxArgs];
        for (int k = 0; k < m.parameterCount(); ++k) {
            QMetaType t = m.parameterMetaType(k);
            vals[k] = size_t(k) < args.size() ? toQVariant(args[size_t(k)]) : QVariant();
            if (!vals[k].isValid())
                vals[k] = QVariant(t);
            if (!vals[k].convert(t))
                throw error(QStringLiteral("Argument %1 of '%2' has the wrong type")
                                    .arg(k + 1)
                                    .arg(name));
            ga[k] = QGenericArgument(t.name(), vals[k].constData());
        }
        QMetaType rt = m.returnMetaType();
        QVariant ret = rt.id() == QMetaType::Void ? QVariant() : QVariant(rt);
        QGenericReturnArgument gr;
        if (ret.isValid())
            gr = QGenericReturnArgument(rt.name(), ret.data());
        bool ok = m.invoke(o,
                           Qt::DirectConnection,
                           gr,
                           ga[0],
                           ga[1],
                           ga[2],
                           ga[3],
                           ga[4],
                           ga[5],
                           ga[6],
                           ga[7],
                           ga[8],
                           ga[9]);
        if (!ok)
            throw error(QStringLiteral("Call of '%1' failed").arg(name));
        return fromQVariant(ret);
    }
    throw error(QStringLiteral("Object has no member '%1'").arg(name));
}

} // namespace script
