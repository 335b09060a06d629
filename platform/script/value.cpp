#include "value.h"

#include "dynamicobject.h"
#include "object.h"
#include "program.h"

#include <QDateTime>

#include <cmath>

namespace script {

Value::Value(const QString &s)
    : t(VType::String)
    , i(0)
{
    p = s.isEmpty() ? nullptr : new StrBox(s);
}

Value::Value(const char *s)
    : Value(QString::fromUtf8(s))
{}

void Value::release()
{
    if (--p->refs != 0)
        return;
    // Nested arrays and records are freed without deep recursion: past a fixed depth the
    // boxes wait in a list that the outermost release empties.
    static thread_local int depth = 0;
    static thread_local std::vector<HeapBox *> deferred;
    if (depth > 200) {
        deferred.push_back(p);
        return;
    }
    ++depth;
    delete p;
    if (depth == 1) {
        while (!deferred.empty()) {
            HeapBox *b = deferred.back();
            deferred.pop_back();
            delete b;
        }
    }
    --depth;
}

Value Value::nil()
{
    Value v;
    v.t = VType::Object;
    v.p = nullptr;
    return v;
}

Value Value::object(Object *o)
{
    if (!o)
        return nil();
    Cell *c = o->cell();
    c->refs++;
    return fromBox(VType::Object, c);
}

Value Value::dispatch(std::shared_ptr<IDynamicObject> d)
{
    if (!d)
        return nil();
    auto *b = new DispBox;
    b->d = std::move(d);
    return fromBox(VType::Dispatch, b);
}

Value Value::array(std::vector<Value> items, int64_t low, bool fixed)
{
    auto *b = new ArrayBox;
    b->items = std::move(items);
    b->low = low;
    b->fixed = fixed;
    return fromBox(VType::Array, b);
}

const QString &Value::str() const
{
    static const QString empty;
    return p ? static_cast<StrBox *>(p)->s : empty;
}

[[noreturn]] void raiseError(const QString &cls, const QString &message)
{
    ScriptException e;
    e.cls = cls;
    e.msg = message;
    throw e;
}

static QString typeText(VType t)
{
    switch (t) {
    case VType::Empty:
        return QStringLiteral("Empty");
    case VType::Null:
        return QStringLiteral("Null");
    case VType::Bool:
        return QStringLiteral("Boolean");
    case VType::Int:
        return QStringLiteral("Int64");
    case VType::Float:
        return QStringLiteral("Double");
    case VType::Date:
        return QStringLiteral("Date");
    case VType::String:
        return QStringLiteral("String");
    case VType::Object:
        return QStringLiteral("Object");
    case VType::Dispatch:
        return QStringLiteral("Dispatch");
    case VType::Array:
        return QStringLiteral("Array");
    case VType::Record:
        return QStringLiteral("Record");
    case VType::Set:
        return QStringLiteral("Set");
    case VType::Proc:
        return QStringLiteral("Procedure");
    case VType::Ref:
        return QStringLiteral("Reference");
    }
    return {};
}

QString Value::typeName() const
{
    return typeText(t);
}

[[noreturn]] static void castError(VType from, const char *to)
{
    raiseError(QStringLiteral("EVariantTypeCastError"),
               QStringLiteral("Could not convert variant of type (%1) into type (%2)")
                       .arg(typeText(from), QLatin1String(to)));
}

bool tryStrToInt(const QString &s, int64_t &out)
{
    QString t = s.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    if (t.startsWith(QLatin1Char('$'))) {
        out = int64_t(t.mid(1).toULongLong(&ok, 16));
    } else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        out = int64_t(t.mid(2).toULongLong(&ok, 16));
    } else {
        out = t.toLongLong(&ok, 10);
    }
    return ok;
}

bool tryStrToFloat(const QString &s, double &out)
{
    QString t = s.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    out = t.toDouble(&ok);
    return ok && std::isfinite(out);
}

int64_t Value::toInt() const
{
    switch (t) {
    case VType::Int:
        return i;
    case VType::Bool:
        return b ? 1 : 0; // Pascal's Ord(True)
    case VType::Empty:
        return 0;
    case VType::Float:
    case VType::Date: {
        double r = std::nearbyint(d);
        if (!(r >= -9.2233720368547758e18 && r < 9.2233720368547758e18))
            raiseError(QStringLiteral("EIntOverflow"), QStringLiteral("Integer overflow"));
        return int64_t(r);
    }
    case VType::String: {
        int64_t v;
        if (tryStrToInt(str(), v))
            return v;
        double f;
        if (tryStrToFloat(str(), f))
            return Value(f).toInt();
        castError(t, "Int64");
    }
    case VType::Ref:
        return r->toInt();
    default:
        castError(t, "Int64");
    }
}

double Value::toFloat() const
{
    switch (t) {
    case VType::Int:
        return double(i);
    case VType::Float:
    case VType::Date:
        return d;
    case VType::Bool:
        return b ? 1 : 0;
    case VType::Empty:
        return 0;
    case VType::String: {
        double f;
        if (tryStrToFloat(str(), f))
            return f;
        castError(t, "Double");
    }
    case VType::Ref:
        return r->toFloat();
    default:
        castError(t, "Double");
    }
}

bool Value::toBool() const
{
    switch (t) {
    case VType::Bool:
        return b;
    case VType::Int:
        return i != 0;
    case VType::Float:
    case VType::Date:
        return d != 0;
    case VType::Empty:
        return false;
    case VType::String: {
        const QString &s = str();
        if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return true;
        if (s.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return false;
        int64_t v;
        if (tryStrToInt(s, v))
            return v != 0;
        castError(t, "Boolean");
    }
    case VType::Ref:
        return r->toBool();
    default:
        castError(t, "Boolean");
    }
}

QString floatToStr(double v)
{
    if (std::isnan(v))
        return QStringLiteral("NAN");
    if (std::isinf(v))
        return v > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (v == std::floor(v) && std::fabs(v) < 1e15)
        return QString::number(int64_t(v));
    QString s = QString::number(v, 'g', 15);
    // Delphi writes exponents as E+15, E-5
    int e = s.indexOf(QLatin1Char('e'));
    if (e >= 0) {
        QString mant = s.left(e);
        int exp = s.mid(e + 1).toInt();
        s = mant + QLatin1Char('E') + (exp < 0 ? QLatin1Char('-') : QLatin1Char('+'))
            + QString::number(std::abs(exp));
    }
    return s;
}

static QDateTime fromOle(double v)
{
    static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
    double days = std::floor(v);
    double frac = std::fabs(v - days);
    qint64 ms = qint64(std::llround(frac * 86400000.0));
    return epoch.addDays(qint64(days)).addMSecs(ms);
}

QString dateTimeToStr(double v)
{
    QDateTime dt = fromOle(v);
    QString s = dt.date().toString(QStringLiteral("dd.MM.yyyy"));
    if (dt.time() != QTime(0, 0))
        s += QLatin1Char(' ') + dt.time().toString(QStringLiteral("HH:mm:ss"));
    return s;
}

QString Value::toString() const
{
    switch (t) {
    case VType::String:
        return str();
    case VType::Int:
        return QString::number(i);
    case VType::Float:
        return floatToStr(d);
    case VType::Date:
        return dateTimeToStr(d);
    case VType::Bool:
        return b ? QStringLiteral("True") : QStringLiteral("False");
    case VType::Empty:
    case VType::Null:
        return QString();
    case VType::Ref:
        return r->toString();
    case VType::Object:
        if (!p)
            return QStringLiteral("nil");
        castError(t, "String");
    default:
        castError(t, "String");
    }
}

Object *Value::toObject() const
{
    if (t == VType::Ref)
        return r->toObject();
    if (t == VType::Empty)
        return nullptr;
    if (t != VType::Object)
        castError(t, "Object");
    if (!p)
        return nullptr;
    auto *c = static_cast<Cell *>(p);
    if (!c->obj)
        raiseError(QStringLiteral("EAccessViolation"),
                   QStringLiteral("Access to a freed object of class %1").arg(c->deadClass));
    Object *o = c->obj;
    return o;
}

std::shared_ptr<IDynamicObject> Value::toDispatch() const
{
    if (t == VType::Dispatch)
        return static_cast<DispBox *>(p)->d;
    return nullptr;
}

Value cloneAggregate(const Value &v)
{
    if (v.t == VType::Record && v.p) {
        auto *src = static_cast<RecordBox *>(v.p);
        auto *b = new RecordBox;
        b->type = src->type;
        b->fields.reserve(src->fields.size());
        for (auto &f : src->fields)
            b->fields.push_back(cloneAggregate(f));
        return Value::fromBox(VType::Record, b);
    }
    if (v.t == VType::Array && v.p && static_cast<ArrayBox *>(v.p)->fixed) {
        auto *src = static_cast<ArrayBox *>(v.p);
        auto *b = new ArrayBox;
        b->low = src->low;
        b->fixed = true;
        b->items.reserve(src->items.size());
        for (auto &f : src->items)
            b->items.push_back(cloneAggregate(f));
        return Value::fromBox(VType::Array, b);
    }
    return v;
}

// ---- Object ----

Object::~Object()
{
    if (cell_) {
        cell_->obj = nullptr;
        cell_->deadClass = className();
        if (--cell_->refs == 0)
            delete cell_;
    }
}

Cell *Object::cell()
{
    if (!cell_) {
        cell_ = new Cell;
        cell_->obj = this; // the object holds the first reference
    }
    return cell_;
}

QString Object::className() const
{
    return clsName_;
}

void Object::setScriptClass(ClassInfo *c)
{
    cls_ = c;
    if (c)
        clsName_ = c->name;
}

bool Object::inheritsFrom(const QString &name) const
{
    for (auto *k = cls_; k; k = k->parent)
        if (k->name.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

Value Object::handler(const QString &event) const
{
    if (!handlers_)
        return {};
    return handlers_->value(event.toLower());
}

void Object::setHandler(const QString &event, const Value &proc)
{
    if (!handlers_)
        handlers_ = std::make_unique<QHash<QString, Value>>();
    if (proc.isEmpty() || proc.isNil())
        handlers_->remove(event.toLower());
    else
        handlers_->insert(event.toLower(), proc);
}

} // namespace script
