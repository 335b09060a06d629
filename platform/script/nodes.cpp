#include "nodes.h"

#include <cmath>

namespace script {

void Expr::assign(Ctx &c, const Value &) const
{
    c.e->raise(QStringLiteral("EInvalidOp"), QStringLiteral("Left side cannot be assigned to"));
}

[[noreturn]] void overflow()
{
    raiseError(QStringLiteral("EIntOverflow"), QStringLiteral("Integer overflow"));
}

[[noreturn]] void indexError(EngineImpl *e, int64_t i)
{
    e->raise(QStringLiteral("ERangeError"), QStringLiteral("Index out of bounds (%1)").arg(i));
}

int64_t ordinalOf(const Value &v)
{
    switch (v.t) {
    case VType::String: {
        const QString &s = v.str();
        if (s.size() != 1)
            raiseError(QStringLiteral("EConvertError"),
                       QStringLiteral("'%1' is not a character").arg(s));
        return s.at(0).unicode();
    }
    case VType::Bool:
        return v.b ? 1 : 0;
    case VType::Ref:
        return ordinalOf(*v.r);
    default:
        return v.toInt();
    }
}

Value makeOrdinal(const Type *t, int64_t v)
{
    switch (t->k) {
    case TK::Bool:
        return Value(v != 0);
    case TK::Char:
        if (v < 0 || v > 0xFFFF)
            raiseError(QStringLiteral("ERangeError"), QStringLiteral("Range check error"));
        return Value(QString(QChar(char16_t(v))));
    default:
        return Value(v);
    }
}

QString ordinalName(const Type *t, int64_t v)
{
    if (t && t->k == TK::Enum && v >= 0 && v < t->enumNames.size())
        return t->enumNames[int(v)];
    return QString::number(v);
}

int64_t intOp(EngineImpl *e, Op op, int64_t a, int64_t b)
{
    int64_t r;
    switch (op) {
    case Op::Add:
        if (__builtin_add_overflow(a, b, &r))
            overflow();
        return r;
    case Op::Sub:
        if (__builtin_sub_overflow(a, b, &r))
            overflow();
        return r;
    case Op::Mul:
        if (__builtin_mul_overflow(a, b, &r))
            overflow();
        return r;
    case Op::IDiv:
    case Op::Mod:
        // Tested before dividing: the hardware traps on both.
        if (b == 0)
            e->raise(QStringLiteral("EDivByZero"), QStringLiteral("Division by zero"));
        if (b == -1 && a == INT64_MIN) {
            if (op == Op::Mod)
                return 0;
            overflow();
        }
        return op == Op::IDiv ? a / b : a % b;
    case Op::And:
        return a & b;
    case Op::Or:
        return a | b;
    case Op::Xor:
        return a ^ b;
    case Op::Shl:
        return (b < 0 || b > 63) ? 0 : int64_t(uint64_t(a) << b);
    case Op::Shr:
        return (b < 0 || b > 63) ? 0 : int64_t(uint64_t(a) >> b);
    default:
        e->raise(QStringLiteral("EInvalidOp"), QStringLiteral("Invalid operation"));
    }
}

double floatOp(EngineImpl *e, Op op, double a, double b)
{
    double r = 0;
    switch (op) {
    case Op::Add:
        r = a + b;
        break;
    case Op::Sub:
        r = a - b;
        break;
    case Op::Mul:
        r = a * b;
        break;
    case Op::FDiv:
        if (b == 0) {
            if (a == 0 || std::isnan(a))
                e->raise(QStringLiteral("EInvalidOp"),
                         QStringLiteral("Invalid floating point operation"));
            e->raise(QStringLiteral("EZeroDivide"),
                     QStringLiteral("Floating point division by zero"));
        }
        r = a / b;
        break;
    default:
        e->raise(QStringLiteral("EInvalidOp"), QStringLiteral("Invalid floating point operation"));
    }
    if (!std::isfinite(r)) {
        if (std::isnan(r))
            e->raise(QStringLiteral("EInvalidOp"),
                     QStringLiteral("Invalid floating point operation"));
        e->raise(QStringLiteral("EOverflow"), QStringLiteral("Floating point overflow"));
    }
    return r;
}

static bool isIntLike(const Value &v)
{
    return v.t == VType::Int || v.t == VType::Bool || v.t == VType::Empty;
}

static Value numericOf(const Value &v)
{
    if (v.t == VType::String) {
        int64_t i;
        if (tryStrToInt(v.str(), i))
            return Value(i);
        double d;
        if (tryStrToFloat(v.str(), d))
            return Value(d);
        raiseError(QStringLiteral("EVariantTypeCastError"),
                   QStringLiteral("Could not convert variant of type (String) into type (Double)"));
    }
    if (v.t == VType::Bool)
        return Value(int64_t(v.b ? -1 : 0)); // a variant Boolean counts as -1
    if (v.t == VType::Empty)
        return Value(int64_t(0));
    if (v.t == VType::Int || v.t == VType::Float || v.t == VType::Date)
        return v;
    raiseError(QStringLiteral("EVariantTypeCastError"),
               QStringLiteral("Could not convert variant of type (%1) into type (Double)")
                       .arg(v.typeName()));
}

Value varOp(EngineImpl *e, Op op, const Value &a0, const Value &b0)
{
    const Value &a = a0.t == VType::Ref ? *a0.r : a0;
    const Value &b = b0.t == VType::Ref ? *b0.r : b0;
    if (a.isNull() || b.isNull())
        return Value::null();
    if (op == Op::Add && (a.t == VType::String || b.t == VType::String)) {
        bool aText = a.t == VType::String || a.t == VType::Empty;
        bool bText = b.t == VType::String || b.t == VType::Empty;
        if (aText && bText)
            return Value(a.str() + b.str());
    }
    if ((op == Op::And || op == Op::Or || op == Op::Xor) && a.t == VType::Bool
        && b.t == VType::Bool) {
        bool r = op == Op::And ? (a.b && b.b) : op == Op::Or ? (a.b || b.b) : (a.b != b.b);
        return Value(r);
    }
    Value x = numericOf(a);
    Value y = numericOf(b);
    bool ints = isIntLike(x) && isIntLike(y);
    switch (op) {
    case Op::IDiv:
    case Op::Mod:
    case Op::And:
    case Op::Or:
    case Op::Xor:
    case Op::Shl:
    case Op::Shr:
        return Value(intOp(e, op, x.toInt(), y.toInt()));
    case Op::FDiv:
        return Value(floatOp(e, op, x.toFloat(), y.toFloat()));
    default:
        break;
    }
    if (ints)
        return Value(intOp(e, op, x.i, y.i));
    double r = floatOp(e, op, x.toFloat(), y.toFloat());
    bool date = (x.t == VType::Date) != (y.t == VType::Date) && op != Op::Mul;
    if (x.t == VType::Date && y.t == VType::Date && op == Op::Sub)
        date = false;
    return date ? Value::date(r) : Value(r);
}

template<class T>
static bool cmp(Op op, const T &a, const T &b)
{
    switch (op) {
    case Op::Eq:
        return a == b;
    case Op::Ne:
        return a != b;
    case Op::Lt:
        return a < b;
    case Op::Le:
        return a <= b;
    case Op::Gt:
        return a > b;
    case Op::Ge:
        return a >= b;
    default:
        return false;
    }
}

static bool cmpOrder(Op op, int c)
{
    return cmp(op, c, 0);
}

bool varCompare(EngineImpl *e, Op op, const Value &a0, const Value &b0)
{
    const Value &a = a0.t == VType::Ref ? *a0.r : a0;
    const Value &b = b0.t == VType::Ref ? *b0.r : b0;
    if (a.isNull() || b.isNull()) {
        bool both = a.isNull() && b.isNull();
        if (op == Op::Eq)
            return both;
        if (op == Op::Ne)
            return !both;
        return false;
    }
    if (a.t == VType::String && b.t == VType::String)
        return cmpOrder(op, a.str().compare(b.str()));
    if ((a.t == VType::Object || a.t == VType::Empty) && (b.t == VType::Object)) {
        HeapBox *x = a.t == VType::Object ? a.p : nullptr;
        bool eq = x == b.p;
        if (op == Op::Eq)
            return eq;
        if (op == Op::Ne)
            return !eq;
    }
    if (a.t == VType::Dispatch || b.t == VType::Dispatch) {
        bool eq = a.t == b.t && a.p == b.p;
        if (op == Op::Eq)
            return eq;
        if (op == Op::Ne)
            return !eq;
    }
    if (a.t == VType::Empty && b.t == VType::Empty)
        return cmpOrder(op, 0);
    if (a.t == VType::Bool && b.t == VType::Bool)
        return cmp(op, int(a.b), int(b.b));
    if (a.t == VType::String || b.t == VType::String) {
        // a number against a text: numerically when the text is a number
        const Value &s = a.t == VType::String ? a : b;
        double d;
        if (!tryStrToFloat(s.str(), d))
            return cmpOrder(op, a.toString().compare(b.toString()));
    }
    Value x = numericOf(a);
    Value y = numericOf(b);
    if (isIntLike(x) && isIntLike(y))
        return cmp(op, x.toInt(), y.toInt());
    (void)e;
    return cmp(op, x.toFloat(), y.toFloat());
}

// ---------------------------------------------------------------- expressions

Value StrIndex::eval(Ctx &c) const
{
    Value s = str->eval(c);
    int64_t i = index->evalInt(c);
    const QString &t = s.str();
    if (i < 1 || i > t.size())
        indexError(c.e, i);
    return Value(QString(t.at(qsizetype(i - 1))));
}

void StrIndex::assign(Ctx &c, const Value &v) const
{
    int64_t i = index->evalInt(c);
    QString ch = v.toString();
    if (ch.size() != 1)
        c.e->raise(QStringLiteral("EConvertError"), QStringLiteral("Character expected"));
    Keep k;
    Value *p = str->ref(c, k);
    if (!p) {
        QString t = str->eval(c).toString();
        if (i < 1 || i > t.size())
            indexError(c.e, i);
        t[qsizetype(i - 1)] = ch.at(0);
        str->assign(c, Value(t));
        return;
    }
    const QString &t = p->str();
    if (i < 1 || i > t.size())
        indexError(c.e, i);
    if (p->p->refs == 1) {
        static_cast<StrBox *>(p->p)->s[qsizetype(i - 1)] = ch.at(0);
    } else {
        QString n = t;
        n[qsizetype(i - 1)] = ch.at(0);
        *p = Value(n);
    }
}

static std::vector<Value> evalAll(Ctx &c, const std::vector<Expr *> &es)
{
    std::vector<Value> v;
    v.reserve(es.size());
    for (auto *e : es)
        v.push_back(e->eval(c));
    return v;
}

static Value
dynGet(Ctx &c, const Value &o, const QString &name, std::vector<Value> &args, bool call);

Value VarIndex::eval(Ctx &c) const
{
    Value b = base->eval(c);
    if (b.t == VType::Ref)
        b = *b.r;
    if (b.t == VType::Array) {
        Value cur = b;
        for (auto *ix : index)
            cur = *ArrayIndex::element(c, cur, ix->evalInt(c));
        return cur;
    }
    if (b.t == VType::String && index.size() == 1) {
        int64_t i = index[0]->evalInt(c);
        if (i < 1 || i > b.str().size())
            indexError(c.e, i);
        return Value(QString(b.str().at(qsizetype(i - 1))));
    }
    std::vector<Value> args = evalAll(c, index);
    return dynGet(c, b, QString(), args, false);
}

void VarIndex::assign(Ctx &c, const Value &v) const
{
    Keep k;
    Value *p = base->ref(c, k);
    Value b = p ? *p : base->eval(c);
    if (b.t == VType::Array) {
        Value *cur = p;
        Value hold = b;
        if (!cur)
            cur = &hold;
        for (auto *ix : index)
            cur = ArrayIndex::element(c, *cur, ix->evalInt(c));
        *cur = v;
        return;
    }
    std::vector<Value> args = evalAll(c, index);
    if (auto d = b.toDispatch()) {
        hostBoundary(c.e, [&] { d->set(QString(), args, v); });
        return;
    }
    if (b.t == VType::Object) {
        Object *o = c.e->live(b, QStringLiteral("[]"));
        PropInfo *pi = o->scriptClass() ? o->scriptClass()->defaultProp() : nullptr;
        if (!pi)
            c.e->raise(QStringLiteral("EInvalidOp"),
                       QStringLiteral("Class %1 has no default property").arg(o->className()));
        PropExpr pe;
        (void)pe;
        if (pi->hostSet) {
            Args a(*c.e->pub, args);
            hostBoundary(c.e, [&] { pi->hostSet(*o, a, v); });
            return;
        }
        if (pi->writer) {
            args.push_back(v);
            c.e->callValues(pi->writer, args, o->cell());
            return;
        }
    }
    c.e->raise(QStringLiteral("EVariantTypeCastError"),
               QStringLiteral("Variant of type (%1) cannot be indexed").arg(b.typeName()));
}

static Value propGet(Ctx &c, Object *o, PropInfo *p, std::vector<Value> &idx)
{
    if (p->readField >= 0)
        return o->fields[size_t(p->readField)];
    if (p->reader)
        return c.e->callValues(p->reader, idx, o->cell());
    if (p->hostGet) {
        Args a(*c.e->pub, idx);
        return hostBoundary(c.e, [&] { return p->hostGet(*o, a); });
    }
    c.e->raise(QStringLiteral("EInvalidOp"),
               QStringLiteral("Property %1 is write-only").arg(p->name));
}

static void propSet(Ctx &c, Object *o, PropInfo *p, std::vector<Value> &idx, const Value &v)
{
    Value cv = p->type ? coerceValue(c.e, v, p->type) : v;
    if (p->writeField >= 0) {
        o->fields[size_t(p->writeField)] = cv;
        return;
    }
    if (p->writer) {
        idx.push_back(cv);
        c.e->callValues(p->writer, idx, o->cell());
        return;
    }
    if (p->hostSet) {
        Args a(*c.e->pub, idx);
        hostBoundary(c.e, [&] { p->hostSet(*o, a, cv); });
        return;
    }
    c.e->raise(QStringLiteral("EInvalidOp"),
               QStringLiteral("Property %1 is read-only").arg(p->name));
}

static Value selfValue(Ctx &c)
{
    Cell *s = c.f->self;
    if (!s)
        return Value::nil();
    s->refs++;
    return Value::fromBox(VType::Object, s);
}

Value PropExpr::eval(Ctx &c) const
{
    Value ov = obj ? obj->eval(c) : selfValue(c);
    Object *o = c.e->live(ov, prop->name);
    std::vector<Value> idx = evalAll(c, index);
    return propGet(c, o, prop, idx);
}

void PropExpr::assign(Ctx &c, const Value &v) const
{
    Value ov = obj ? obj->eval(c) : selfValue(c);
    Object *o = c.e->live(ov, prop->name);
    std::vector<Value> idx = evalAll(c, index);
    propSet(c, o, prop, idx, v);
}

static Value
dynGet(Ctx &c, const Value &ov, const QString &name, std::vector<Value> &args, bool call)
{
    const Value &o = ov.t == VType::Ref ? *ov.r : ov;
    if (auto d = o.toDispatch()) {
        if (call || !args.empty()) {
            if (call)
                return hostBoundary(c.e, [&] { return d->invoke(name, args); });
            return hostBoundary(c.e, [&] { return d->get(name, args); });
        }
        return hostBoundary(c.e, [&] { return d->get(name, {}); });
    }
    if (o.t == VType::Object) {
        Object *obj = c.e->live(o, name);
        ClassInfo *k = obj->scriptClass();
        QString ln = name.toLower();
        if (name.isEmpty()) {
            if (PropInfo *p = k ? k->defaultProp() : nullptr)
                return propGet(c, obj, p, args);
        } else if (k) {
            if (Routine *r = k->findMethod(ln)) {
                if (r->isHostFn)
                    return c.e->callHostRoutine(r, args, obj);
                if (r->vslot >= 0 && size_t(r->vslot) < k->vtable.size())
                    r = k->vtable[size_t(r->vslot)];
                return c.e->callValues(r, args, obj->cell());
            }
            if (PropInfo *p = k->findProp(ln))
                return propGet(c, obj, p, args);
            int f = k->findField(ln);
            if (f >= 0 && args.empty())
                return obj->fields[size_t(f)];
            if (ln == QLatin1String("classname"))
                return Value(obj->className());
            if (ln == QLatin1String("free")) {
                c.e->freeObject(o);
                return {};
            }
        }
        c.e->raise(QStringLiteral("EInvalidOp"),
                   QStringLiteral("Class %1 has no member %2").arg(obj->className(), name));
    }
    c.e->raise(QStringLiteral("EVariantTypeCastError"),
               QStringLiteral("Member %1 of a variant of type (%2) is not accessible")
                       .arg(name.isEmpty() ? QStringLiteral("[]") : name, o.typeName()));
}

Value DynMember::eval(Ctx &c) const
{
    Value o = obj->eval(c);
    std::vector<Value> a = evalAll(c, args);
    return dynGet(c, o, name, a, call);
}

void DynMember::assign(Ctx &c, const Value &v) const
{
    Value ov = obj->eval(c);
    const Value &o = ov.t == VType::Ref ? *ov.r : ov;
    std::vector<Value> a = evalAll(c, args);
    if (auto d = o.toDispatch()) {
        hostBoundary(c.e, [&] { d->set(name, a, v); });
        return;
    }
    if (o.t == VType::Object) {
        Object *obj = c.e->live(o, name);
        ClassInfo *k = obj->scriptClass();
        QString ln = name.toLower();
        if (k) {
            if (PropInfo *p = k->findProp(ln)) {
                propSet(c, obj, p, a, v);
                return;
            }
            int f = k->findField(ln);
            if (f >= 0 && a.empty()) {
                obj->fields[size_t(f)] = coerceValue(c.e, v, k->fieldTypes[size_t(f)]);
                return;
            }
            if (k->hasEvent(ln)) {
                EventExpr ev;
                ev.name = name;
                Value hold = o;
                struct Tmp : Expr
                {
                    Value v;
                    Value eval(Ctx &) const override { return v; }
                } t;
                t.v = hold;
                ev.obj = &t;
                ev.assign(c, v);
                return;
            }
        }
        c.e->raise(QStringLiteral("EInvalidOp"),
                   QStringLiteral("Class %1 has no member %2").arg(obj->className(), name));
    }
    c.e->raise(QStringLiteral("EVariantTypeCastError"),
               QStringLiteral("Member %1 of a variant of type (%2) is not accessible")
                       .arg(name, o.typeName()));
}

Value EventExpr::eval(Ctx &c) const
{
    Value o = obj->eval(c);
    return c.e->live(o, name)->handler(name);
}

void EventExpr::assign(Ctx &c, const Value &v) const
{
    Value o = obj->eval(c);
    Object *ob = c.e->live(o, name);
    if (v.t == VType::String) {
        Routine *r = c.e->prog->functions.value(v.str().toLower());
        if (!r)
            c.e->raise(QStringLiteral("EInvalidOp"),
                       QStringLiteral("Unknown event handler '%1'").arg(v.str()));
        auto *pb = new ProcBox;
        pb->routine = r;
        ob->setHandler(name, Value::fromBox(VType::Proc, pb));
        return;
    }
    if (v.t != VType::Proc && !v.isNil() && !v.isEmpty())
        c.e->raise(QStringLiteral("EInvalidOp"),
                   QStringLiteral("Event %1 needs a procedure").arg(name));
    ob->setHandler(name, v.t == VType::Proc && !v.p ? Value() : v);
}

// ---------------------------------------------------------------- calls

namespace {
struct StackGuard
{
    EngineImpl *e;
    Value *base;
    int n;
    const Pos *savedCur;
    ~StackGuard()
    {
        for (int i = 0; i < n; ++i)
            base[i] = Value();
        e->sp = base;
        e->depth--;
    }
};
} // namespace

static Value
invokeScript(Ctx &c, const Routine *r, const std::vector<Expr *> &args, Cell *self, Frame *outer)
{
    EngineImpl *e = c.e;
    const int n = r->nLocals;
    Value *base = e->sp;
    if (e->depth >= e->limits.maxCallDepth || base + n > e->stackEnd) [[unlikely]]
        e->raise(QStringLiteral("EStackOverflow"), QStringLiteral("Stack overflow"));
    e->checkNativeStack();
    e->sp = base + n;
    e->depth++;
    StackGuard guard{e, base, n, e->cur};
    const size_t np = r->params.size();
    const size_t na = args.size();
    if (!r->hasVarParams) [[likely]] {
        for (size_t i = 0; i < na; ++i)
            base[i] = args[i]->eval(c);
        for (size_t i = na; i < np; ++i)
            base[i] = r->params[i].defValue;
        const Value *init = r->localInit.data();
        for (size_t i = np; i < size_t(n); ++i, ++init)
            base[i] = init->t >= VType::Array ? cloneAggregate(*init) : *init;
        Frame fr{base, outer, self ? self : (outer ? outer->self : nullptr)};
        Ctx cc{e, &fr};
        r->body->exec(cc);
        e->cur = guard.savedCur;
        return r->resultSlot >= 0 ? std::move(base[r->resultSlot]) : Value();
    }
    std::unique_ptr<Keep[]> keeps(new Keep[np]);
    std::vector<Value> temps(np);
    for (size_t i = 0; i < na; ++i) {
        const Param &p = r->params[i];
        if (p.mode == PMode::Var || p.mode == PMode::Out) {
            Value *target = args[i]->ref(c, keeps[i]);
            if (!target) {
                temps[i] = args[i]->eval(c);
                target = &temps[i];
            }
            base[i] = Value::ref(target);
        } else {
            base[i] = args[i]->eval(c);
        }
    }
    for (size_t i = na; i < np; ++i)
        base[i] = r->params[i].defValue;
    for (size_t i = np; i < size_t(n); ++i) {
        const Value &iv = r->localInit[i - np];
        base[i] = iv.t >= VType::Array ? cloneAggregate(iv) : iv;
    }
    Frame fr{base, outer, self ? self : (outer ? outer->self : nullptr)};
    Ctx cc{e, &fr};
    r->body->exec(cc);
    Value result;
    if (r->resultSlot >= 0)
        result = std::move(base[r->resultSlot]);
    for (size_t i = 0; i < na; ++i) {
        const Param &p = r->params[i];
        if ((p.mode == PMode::Var || p.mode == PMode::Out) && base[i].r == &temps[i])
            args[i]->assign(c, temps[i]);
    }
    e->cur = guard.savedCur;
    return result;
}

Value CallScript::eval(Ctx &c) const
{
    Frame *outer = nullptr;
    if (hops >= 0) {
        outer = c.f;
        for (int i = 0; i < hops; ++i)
            outer = outer->outer;
    }
    return invokeScript(c, r, args, nullptr, outer);
}

static Value invokeHost(Ctx &c, const Routine *r, const std::vector<Expr *> &args, Object *self)
{
    const size_t np = r->params.size();
    std::vector<Value> vals(std::max(np, args.size()));
    std::unique_ptr<Keep[]> keeps;
    std::vector<Value *> refs;
    if (r->hasVarParams) {
        keeps.reset(new Keep[np]);
        refs.assign(np, nullptr);
    }
    for (size_t i = 0; i < args.size(); ++i) {
        if (i < np && (r->params[i].mode == PMode::Var || r->params[i].mode == PMode::Out)) {
            refs[i] = args[i]->ref(c, keeps[i]);
            vals[i] = refs[i] ? *refs[i] : args[i]->eval(c);
        } else {
            vals[i] = args[i]->eval(c);
        }
    }
    for (size_t i = args.size(); i < np; ++i)
        vals[i] = r->params[i].defValue;
    const Pos *saved = c.e->cur;
    Value res = c.e->callHostRoutine(r, vals, self);
    c.e->cur = saved;
    if (r->hasVarParams) {
        for (size_t i = 0; i < args.size() && i < np; ++i) {
            const Param &p = r->params[i];
            if (p.mode != PMode::Var && p.mode != PMode::Out)
                continue;
            Value v = coerceValue(c.e, vals[i], p.type);
            if (refs[i])
                *refs[i] = std::move(v);
            else
                args[i]->assign(c, v);
        }
    }
    return res;
}

Value CallHost::eval(Ctx &c) const
{
    return invokeHost(c, r, args, nullptr);
}

Value CallMethod::eval(Ctx &c) const
{
    Value ov = obj ? obj->eval(c) : selfValue(c);
    Object *o = c.e->live(ov, r->name);
    const Routine *target = r;
    if (!inherited && r->vslot >= 0) {
        ClassInfo *k = o->scriptClass();
        if (k && size_t(r->vslot) < k->vtable.size())
            target = k->vtable[size_t(r->vslot)];
    }
    if (target->isHostFn)
        return invokeHost(c, target, args, o);
    return invokeScript(c, target, args, o->cell(), nullptr);
}

Value CallCtor::eval(Ctx &c) const
{
    ClassInfo *k = cls;
    if (classExpr) {
        Value cv = classExpr->eval(c);
        // class references are carried as the class name
        k = c.e->findClass(cv.toString());
        if (!k)
            c.e->raise(QStringLiteral("EInvalidOp"), QStringLiteral("Class expected"));
    }
    Value obj = c.e->newObject(k);
    if (!r)
        return obj;
    try {
        Object *o = obj.toObject();
        if (r->isHostFn)
            invokeHost(c, r, args, o);
        else
            invokeScript(c, r, args, o->cell(), nullptr);
    } catch (...) {
        if (obj.p && static_cast<Cell *>(obj.p)->obj)
            c.e->freeObject(obj);
        throw;
    }
    return obj;
}

Value CallProcRef::eval(Ctx &c) const
{
    Value pv = proc->eval(c);
    if (pv.t != VType::Proc || !pv.p)
        c.e->raise(QStringLiteral("EInvalidOp"), QStringLiteral("Procedure reference is nil"));
    auto *pb = static_cast<ProcBox *>(pv.p);
    std::vector<Value> a = evalAll(c, args);
    Cell *self = pb->self.t == VType::Object ? static_cast<Cell *>(pb->self.p) : nullptr;
    return c.e->callValues(pb->routine, a, self);
}

Value AddrOf::eval(Ctx &c) const
{
    auto *pb = new ProcBox;
    pb->routine = r;
    if (self)
        pb->self = self->eval(c);
    return Value::fromBox(VType::Proc, pb);
}

// ---------------------------------------------------------------- operators

Value Concat::eval(Ctx &c) const
{
    Value a = l->eval(c);
    Value b = r->eval(c);
    const QString &x = a.t == VType::String ? a.str() : a.toString();
    QString y = b.t == VType::String ? b.str() : b.toString();
    if (x.size() + y.size() > c.e->limits.maxStringLength)
        c.e->raise(QStringLiteral("EOutOfMemory"), QStringLiteral("Out of memory"));
    if (a.t == VType::String && a.p && a.p->refs == 1) {
        // a temporary: append in place
        static_cast<StrBox *>(a.p)->s.append(y);
        return a;
    }
    return Value(x + y);
}

Flow AppendStr::exec(Ctx &c) const
{
    QString y;
    for (Expr *part : parts) {
        Value add = part->eval(c);
        y += add.t == VType::String ? add.str() : add.toString();
    }
    Keep k;
    Value *p = lhs->ref(c, k);
    if (!p)
        c.e->raise(QStringLiteral("EInvalidOp"), QStringLiteral("Variable expected"));
    if (p->t != VType::String)
        *p = Value(p->toString());
    if (p->str().size() + y.size() > c.e->limits.maxStringLength)
        c.e->raise(QStringLiteral("EOutOfMemory"), QStringLiteral("Out of memory"));
    if (y.isEmpty())
        return Flow::Normal;
    if (p->p && p->p->refs == 1)
        static_cast<StrBox *>(p->p)->s.append(y);
    else
        *p = Value(p->str() + y);
    return Flow::Normal;
}

static const SetBox *setOf(const Value &v)
{
    const Value &x = v.t == VType::Ref ? *v.r : v;
    if (x.t == VType::Set && x.p)
        return static_cast<const SetBox *>(x.p);
    return nullptr;
}

bool Compare::evalBool(Ctx &c) const
{
    switch (kind) {
    case CmpKind::Int:
        return cmp(op, l->evalInt(c), r->evalInt(c));
    case CmpKind::Float:
        return cmp(op, l->evalFloat(c), r->evalFloat(c));
    case CmpKind::Str: {
        Value a = l->eval(c);
        Value b = r->eval(c);
        return cmpOrder(op, a.str().compare(b.str()));
    }
    case CmpKind::Obj: {
        Value a = l->eval(c);
        Value b = r->eval(c);
        HeapBox *x = (a.t == VType::Empty) ? nullptr : a.p;
        HeapBox *y = (b.t == VType::Empty) ? nullptr : b.p;
        return op == Op::Eq ? x == y : x != y;
    }
    case CmpKind::Set: {
        Value a = l->eval(c);
        Value b = r->eval(c);
        std::bitset<256> x, y;
        if (auto *s = setOf(a))
            x = s->bits;
        if (auto *s = setOf(b))
            y = s->bits;
        switch (op) {
        case Op::Eq:
            return x == y;
        case Op::Ne:
            return x != y;
        case Op::Le:
            return (x & ~y).none();
        case Op::Ge:
            return (y & ~x).none();
        default:
            return false;
        }
    }
    case CmpKind::Var:
        return varCompare(c.e, op, l->eval(c), r->eval(c));
    }
    return false;
}

Value NotExpr::eval(Ctx &c) const
{
    if (type->k == TK::Bool)
        return Value(!e->evalBool(c));
    if (type->k == TK::Int)
        return Value(~e->evalInt(c));
    Value v = e->eval(c);
    if (v.isNull())
        return v;
    if (v.t == VType::Bool)
        return Value(!v.b);
    return Value(~v.toInt());
}

Value NegExpr::eval(Ctx &c) const
{
    if (type->k == TK::Int)
        return Value(evalInt(c));
    if (type->k == TK::Float)
        return Value(-e->evalFloat(c));
    Value v = e->eval(c);
    if (v.isNull())
        return v;
    if (v.t == VType::Int) {
        if (v.i == INT64_MIN)
            overflow();
        return Value(-v.i);
    }
    return Value(-v.toFloat());
}

static void setBit(EngineImpl *e, std::bitset<256> &b, int64_t v)
{
    if (v < 0 || v > 255)
        e->raise(QStringLiteral("ERangeError"),
                 QStringLiteral("Set element out of range (%1)").arg(v));
    b.set(size_t(v));
}

Value SetCtor::eval(Ctx &c) const
{
    auto *b = new SetBox;
    Value res = Value::fromBox(VType::Set, b);
    for (auto &[lo, hi] : items) {
        int64_t a = ordinalOf(lo->eval(c));
        int64_t z = hi ? ordinalOf(hi->eval(c)) : a;
        if (z - a > 255)
            c.e->raise(QStringLiteral("ERangeError"), QStringLiteral("Set range too large"));
        for (int64_t v = a; v <= z; ++v)
            setBit(c.e, b->bits, v);
    }
    return res;
}

Value ArrayCtor::eval(Ctx &c) const
{
    return Value::array(evalAll(c, items), 0, false);
}

bool InSet::evalBool(Ctx &c) const
{
    Value a = l->eval(c);
    Value s = r->eval(c);
    if (a.isNull() || a.isEmpty())
        return false;
    int64_t v;
    if (a.t == VType::String) {
        if (a.str().size() != 1)
            return false;
        v = a.str().at(0).unicode();
    } else {
        v = ordinalOf(a);
    }
    if (v < 0 || v > 255)
        return false;
    if (auto *b = setOf(s))
        return b->bits.test(size_t(v));
    const Value &sv = s.t == VType::Ref ? *s.r : s;
    if (sv.t == VType::Array && sv.p) {
        for (auto &x : static_cast<ArrayBox *>(sv.p)->items)
            if (varCompare(c.e, Op::Eq, x, a))
                return true;
    }
    return false;
}

Value SetBin::eval(Ctx &c) const
{
    Value a = l->eval(c);
    Value b = r->eval(c);
    std::bitset<256> x, y;
    if (auto *s = setOf(a))
        x = s->bits;
    if (auto *s = setOf(b))
        y = s->bits;
    auto *res = new SetBox;
    res->bits = op == Op::Add ? (x | y) : op == Op::Sub ? (x & ~y) : (x & y);
    return Value::fromBox(VType::Set, res);
}

bool IsExpr::evalBool(Ctx &c) const
{
    Value v = obj->eval(c);
    if (v.isNil() || v.isEmpty())
        return false;
    Object *o = c.e->live(v, QStringLiteral("is"));
    return o->scriptClass() && o->scriptClass()->isA(cls);
}

Value ClassCast::eval(Ctx &c) const
{
    Value v = obj->eval(c);
    if (v.t == VType::Ref)
        v = *v.r;
    if (v.isNil() || v.isEmpty())
        return Value::nil();
    Object *o = c.e->live(v, cls->name);
    if (!o->scriptClass() || !o->scriptClass()->isA(cls))
        c.e->raise(QStringLiteral("EInvalidCast"),
                   QStringLiteral("Invalid class typecast: %1 is not %2")
                           .arg(o->className(), cls->name));
    return v;
}

Value ValueCast::eval(Ctx &c) const
{
    Value v = e->eval(c);
    if (v.t == VType::Ref)
        v = *v.r;
    switch (type->k) {
    case TK::Int:
    case TK::Enum:
        if (v.t == VType::String && v.str().size() == 1)
            return Value(int64_t(v.str().at(0).unicode()));
        if (v.t == VType::Bool)
            return Value(int64_t(v.b));
        return Value(v.toInt());
    case TK::Char:
        if (v.t == VType::Int)
            return makeOrdinal(type, v.i);
        return Value(v.toString().left(1));
    case TK::Bool:
        return Value(v.toBool());
    case TK::String:
        return Value(v.toString());
    case TK::Float:
        return Value(v.toFloat());
    case TK::Date:
        return Value::date(v.toFloat());
    default:
        return v;
    }
}

// ---------------------------------------------------------------- statements

Flow ForStmt::exec(Ctx &c) const
{
    int64_t a = from->evalInt(c);
    int64_t b = to->evalInt(c);
    Keep k;
    Value *p = var->ref(c, k);
    const Type *t = var->type;
    const bool plainInt = t->k == TK::Int || t->k == TK::Enum;
    auto set = [&](int64_t i) {
        if (p && plainInt) {
            if (p->t == VType::Int)
                p->i = i;
            else
                *p = Value(i);
        } else if (p) {
            *p = makeOrdinal(t, i);
        } else {
            var->assign(c, makeOrdinal(t, i));
        }
    };
    if (down ? a < b : a > b)
        return Flow::Normal;
    for (int64_t i = a;; down ? --i : ++i) {
        set(i);
        Flow f = runStmt(c, body);
        if (f == Flow::Break)
            break;
        if (f == Flow::Exit)
            return f;
        if (i == b)
            break;
    }
    return Flow::Normal;
}

Flow CaseStmt::exec(Ctx &c) const
{
    if (ordinal) {
        Value sv = sel->eval(c);
        int64_t v = ordinalOf(sv);
        for (auto &b : branches)
            for (auto &l : b.labels) {
                int64_t lo = ordinalOf(l.lo);
                int64_t hi = l.hi.isEmpty() ? lo : ordinalOf(l.hi);
                if (v >= lo && v <= hi)
                    return runStmt(c, b.body);
            }
    } else {
        Value sv = sel->eval(c);
        for (auto &b : branches)
            for (auto &l : b.labels) {
                bool hit = l.hi.isEmpty() ? varCompare(c.e, Op::Eq, sv, l.lo)
                                          : (varCompare(c.e, Op::Ge, sv, l.lo)
                                             && varCompare(c.e, Op::Le, sv, l.hi));
                if (hit)
                    return runStmt(c, b.body);
            }
    }
    if (otherwise)
        return runStmt(c, otherwise);
    return Flow::Normal;
}

Flow TryFinally::exec(Ctx &c) const
{
    Flow f;
    try {
        f = body->exec(c);
    } catch (TerminateSignal &) {
        // The request is honoured; the finally block runs and may itself be stopped by a new
        // terminate(). Termination wins over errors raised on the way out.
        c.e->terminateReq = false;
        try {
            fin->exec(c);
        } catch (ScriptException &) {
        } catch (TerminateSignal &) {
        }
        throw TerminateSignal{};
    } catch (...) {
        fin->exec(c);
        throw;
    }
    Flow g = fin->exec(c);
    return g != Flow::Normal ? g : f;
}

Flow TryExcept::exec(Ctx &c) const
{
    try {
        return body->exec(c);
    } catch (ScriptException &ex) {
        if (!ex.hasPos && c.e->cur) {
            ex.pos = *c.e->cur;
            ex.hasPos = true;
        }
        return handle(c, ex);
    } catch (std::bad_alloc &) {
        ScriptException ex;
        ex.cls = QStringLiteral("EOutOfMemory");
        ex.msg = QStringLiteral("Out of memory");
        if (c.e->cur) {
            ex.pos = *c.e->cur;
            ex.hasPos = true;
        }
        try {
            return handle(c, ex);
        } catch (ScriptException &) {
            throw;
        }
    }
}

Flow TryExcept::handle(Ctx &c, ScriptException &ex) const
{
    Value obj = c.e->materialize(ex);
    Object *o = obj.toObject();
    const Stmt *chosen = nullptr;
    int slot = -1;
    for (auto &h : handlers) {
        if (!h.cls || (o->scriptClass() && o->scriptClass()->isA(h.cls))) {
            chosen = h.body;
            slot = h.slot;
            break;
        }
    }
    if (!chosen)
        chosen = otherwise;
    if (!chosen)
        throw ex;
    if (slot >= 0)
        c.f->locals[slot] = obj;
    c.e->handling.push_back(&ex);
    Flow f;
    try {
        f = runStmt(c, chosen);
    } catch (...) {
        c.e->handling.pop_back();
        throw;
    }
    c.e->handling.pop_back();
    // The handled exception object dies with its handler, as in Object Pascal.
    if (o->scriptOwned())
        c.e->freeObject(obj);
    return f;
}

Flow RaiseStmt::exec(Ctx &c) const
{
    if (!e) {
        if (c.e->handling.empty())
            c.e->raise(QStringLiteral("EInvalidOp"),
                       QStringLiteral("Re-raising an exception only allowed in exception handler"));
        throw ScriptException(*c.e->handling.back());
    }
    Value v = e->eval(c);
    Object *o = c.e->live(v, QStringLiteral("raise"));
    auto *x = dynamic_cast<ExceptionObject *>(o);
    ScriptException ex;
    ex.obj = v;
    ex.cls = o->className();
    ex.msg = x ? x->message : QString();
    if (c.e->cur) {
        ex.pos = *c.e->cur;
        ex.hasPos = true;
    }
    throw ex;
}

} // namespace script
