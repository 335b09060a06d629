// Language-level routines the compiler knows by name (their argument types vary).

#include "nodes.h"

#include <cmath>

namespace script {

static int64_t lengthOf(const Value &v0)
{
    const Value &v = v0.t == VType::Ref ? *v0.r : v0;
    switch (v.t) {
    case VType::String:
        return v.str().size();
    case VType::Array:
        return v.p ? int64_t(static_cast<ArrayBox *>(v.p)->items.size()) : 0;
    case VType::Empty:
        return 0;
    default:
        raiseError(QStringLiteral("EInvalidOp"),
                   QStringLiteral("Length of a value of type (%1)").arg(v.typeName()));
    }
}

static void incDec(Ctx &c, const BuiltinCall &b, int64_t sign)
{
    int64_t n = b.args.size() > 1 ? b.args[1]->evalInt(c) : 1;
    if (n == INT64_MIN && sign < 0)
        overflow();
    n *= sign;
    Keep k;
    Value *p = b.args[0]->ref(c, k);
    Value cur = p ? *p : b.args[0]->eval(c);
    const Type *t = b.argType;
    Value res;
    if (cur.t == VType::Int || t->k == TK::Int || t->k == TK::Enum) {
        int64_t r;
        if (__builtin_add_overflow(cur.toInt(), n, &r))
            overflow();
        res = Value(r);
    } else if (cur.t == VType::Float) {
        res = Value(cur.d + double(n));
    } else {
        res = makeOrdinal(t, ordinalOf(cur) + n);
    }
    if (p)
        *p = std::move(res);
    else
        b.args[0]->assign(c, res);
}

static Value newArray(EngineImpl *e, const Type *elem, int64_t n, const Value *old)
{
    auto *box = new ArrayBox;
    Value res = Value::fromBox(VType::Array, box);
    if (n < 0)
        n = 0;
    if (n > e->limits.maxArrayLength)
        e->raise(QStringLiteral("EOutOfMemory"), QStringLiteral("Out of memory"));
    box->items.reserve(size_t(n));
    size_t keep = 0;
    if (old && old->t == VType::Array && old->p) {
        auto &src = static_cast<ArrayBox *>(old->p)->items;
        keep = std::min(src.size(), size_t(n));
        for (size_t i = 0; i < keep; ++i)
            box->items.push_back(src[i]);
    }
    Value init = elem ? initialValue(elem) : Value();
    for (size_t i = keep; i < size_t(n); ++i)
        box->items.push_back(init.t >= VType::Array ? cloneAggregate(init) : init);
    return res;
}

static void setLength(Ctx &c, const BuiltinCall &b)
{
    std::vector<int64_t> dims;
    for (size_t i = 1; i < b.args.size(); ++i)
        dims.push_back(b.args[i]->evalInt(c));
    Keep k;
    Value *p = b.args[0]->ref(c, k);
    Value cur = p ? *p : b.args[0]->eval(c);
    Value res;
    const Type *t = b.argType;
    if (t->k == TK::String || cur.t == VType::String) {
        int64_t n = std::max<int64_t>(0, dims[0]);
        if (n > c.e->limits.maxStringLength)
            c.e->raise(QStringLiteral("EOutOfMemory"), QStringLiteral("Out of memory"));
        QString s = cur.toString();
        if (n < s.size())
            s.truncate(qsizetype(n));
        else
            s.append(QString(qsizetype(n - s.size()), QLatin1Char(' ')));
        res = Value(s);
    } else {
        // a new box: references into the old storage (var parameters) stay valid
        std::function<Value(const Type *, size_t, const Value *)> make
                = [&](const Type *tt, size_t d, const Value *old) -> Value {
            const Type *elem = tt && tt->k == TK::DynArray ? tt->elem : nullptr;
            if (d + 1 == dims.size())
                return newArray(c.e, elem, dims[d], old);
            Value arr = newArray(c.e, nullptr, dims[d], old);
            for (auto &item : static_cast<ArrayBox *>(arr.p)->items) {
                Value prev = item;
                item = make(elem, d + 1, &prev);
            }
            return arr;
        };
        res = make(t, 0, &cur);
    }
    if (p)
        *p = std::move(res);
    else
        b.args[0]->assign(c, res);
}

static Value copyOf(Ctx &c, const BuiltinCall &b)
{
    Value v = b.args[0]->eval(c);
    if (v.t == VType::Ref)
        v = *v.r;
    int64_t from = b.args.size() > 1 ? b.args[1]->evalInt(c) : 1;
    int64_t count = b.args.size() > 2 ? b.args[2]->evalInt(c) : INT64_MAX;
    if (v.t == VType::Array) {
        auto *src = v.p ? static_cast<ArrayBox *>(v.p) : nullptr;
        int64_t n = src ? int64_t(src->items.size()) : 0;
        int64_t s = std::clamp<int64_t>(b.args.size() > 1 ? from : 0, 0, n);
        int64_t e = count > n - s ? n : s + std::max<int64_t>(0, count);
        std::vector<Value> items;
        for (int64_t i = s; i < e; ++i)
            items.push_back(src->items[size_t(i)]);
        return Value::array(std::move(items));
    }
    QString s = v.toString();
    if (from < 1)
        from = 1;
    if (from > s.size() || count <= 0)
        return Value(QString());
    int64_t avail = s.size() - from + 1;
    return Value(s.mid(qsizetype(from - 1), qsizetype(std::min(count, avail))));
}

static Value minMax(Ctx &c, const BuiltinCall &b, bool isMax)
{
    Value x = b.args[0]->eval(c);
    Value y = b.args[1]->eval(c);
    if (b.type->k == TK::Int) {
        int64_t a = x.toInt(), z = y.toInt();
        return Value(isMax ? std::max(a, z) : std::min(a, z));
    }
    if (b.type->k == TK::Float) {
        double a = x.toFloat(), z = y.toFloat();
        return Value(isMax ? std::max(a, z) : std::min(a, z));
    }
    bool less = varCompare(c.e, Op::Lt, x, y);
    return isMax ? (less ? y : x) : (less ? x : y);
}

Value BuiltinCall::eval(Ctx &c) const
{
    switch (id) {
    case Builtin::Length:
        return Value(lengthOf(args[0]->eval(c)));
    case Builtin::High:
    case Builtin::Low: {
        Value v = args[0]->eval(c);
        if (v.t == VType::Ref)
            v = *v.r;
        if (v.t == VType::Array && v.p) {
            auto *a = static_cast<ArrayBox *>(v.p);
            return Value(id == Builtin::High ? a->low + int64_t(a->items.size()) - 1 : a->low);
        }
        if (v.t == VType::String)
            return Value(id == Builtin::High ? int64_t(v.str().size()) : int64_t(1));
        return Value(int64_t(id == Builtin::High ? -1 : 0));
    }
    case Builtin::Ord:
        return Value(ordinalOf(args[0]->eval(c)));
    case Builtin::Chr: {
        int64_t v = args[0]->evalInt(c);
        if (v < 0 || v > 0xFFFF)
            c.e->raise(QStringLiteral("ERangeError"), QStringLiteral("Range check error"));
        return Value(QString(QChar(char16_t(v))));
    }
    case Builtin::Succ:
    case Builtin::Pred: {
        int64_t v = ordinalOf(args[0]->eval(c));
        int64_t r;
        if (__builtin_add_overflow(v, id == Builtin::Succ ? 1 : -1, &r))
            overflow();
        if (argType->k == TK::Enum && (r < argType->lo || r > argType->hi))
            c.e->raise(QStringLiteral("ERangeError"), QStringLiteral("Range check error"));
        return makeOrdinal(argType, r);
    }
    case Builtin::Assigned: {
        Value v = args[0]->eval(c);
        if (v.t == VType::Ref)
            v = *v.r;
        if (v.t == VType::Object)
            return Value(v.p != nullptr);
        return Value(!(v.isEmpty() || v.isNull()
                       || ((v.t == VType::Proc || v.t == VType::Array || v.t == VType::Dispatch)
                           && !v.p)));
    }
    case Builtin::Abs: {
        Value v = args[0]->eval(c);
        if (v.isNull())
            return v;
        if (v.t == VType::Int) {
            if (v.i == INT64_MIN)
                overflow();
            return Value(v.i < 0 ? -v.i : v.i);
        }
        return Value(std::fabs(v.toFloat()));
    }
    case Builtin::Sqr: {
        Value v = args[0]->eval(c);
        if (v.t == VType::Int) {
            int64_t r;
            if (__builtin_mul_overflow(v.i, v.i, &r))
                overflow();
            return Value(r);
        }
        return Value(floatOp(c.e, Op::Mul, v.toFloat(), v.toFloat()));
    }
    case Builtin::Min:
        return minMax(c, *this, false);
    case Builtin::Max:
        return minMax(c, *this, true);
    case Builtin::Copy:
        return copyOf(c, *this);
    case Builtin::Inc:
        incDec(c, *this, 1);
        return {};
    case Builtin::Dec:
        incDec(c, *this, -1);
        return {};
    case Builtin::SetLength:
        setLength(c, *this);
        return {};
    case Builtin::Include:
    case Builtin::Exclude: {
        int64_t v = ordinalOf(args[1]->eval(c));
        if (v < 0 || v > 255)
            c.e->raise(QStringLiteral("ERangeError"), QStringLiteral("Set element out of range"));
        Value cur = args[0]->eval(c);
        auto *nb = new SetBox;
        Value res = Value::fromBox(VType::Set, nb);
        if (cur.t == VType::Set && cur.p)
            nb->bits = static_cast<SetBox *>(cur.p)->bits;
        nb->bits.set(size_t(v), id == Builtin::Include);
        Keep k;
        if (Value *p = args[0]->ref(c, k))
            *p = res;
        else
            args[0]->assign(c, res);
        return {};
    }
    case Builtin::Write:
    case Builtin::WriteLn: {
        QString s;
        for (auto *a : args)
            s += a->eval(c).toString();
        if (id == Builtin::WriteLn)
            s += QLatin1Char('\n');
        c.e->out(s);
        return {};
    }
    case Builtin::Free: {
        if (argType) { // FreeAndNil
            Value v = args[0]->eval(c);
            Keep k;
            if (Value *p = args[0]->ref(c, k))
                *p = Value::nil();
            else
                args[0]->assign(c, Value::nil());
            c.e->freeObject(v);
            return {};
        }
        c.e->freeObject(args[0]->eval(c));
        return {};
    }
    case Builtin::ClassName: {
        Value v = args[0]->eval(c);
        return Value(c.e->live(v, QStringLiteral("ClassName"))->className());
    }
    case Builtin::ExceptionMessage:
        if (c.e->handling.empty())
            return Value(QString());
        return Value(c.e->handling.back()->msg);
    case Builtin::SizeOf:
        return Value(int64_t(8));
    }
    return {};
}

} // namespace script
