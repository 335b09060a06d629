#pragma once

// The executable tree. Every node is created by the compiler with its static type resolved,
// so variables are slots and members are indexes: nothing is looked up by name at run time
// except late-bound members.

#include "engineimpl.h"

namespace script {

inline Flow runStmt(Ctx &c, const Stmt *s)
{
    c.e->cur = &s->pos;
    if (c.e->slow)
        c.e->onStmt(s->pos);
    return s->exec(c);
}

[[noreturn]] void overflow();
Value makeOrdinal(const Type *t, int64_t v);
int64_t ordinalOf(const Value &v);
QString ordinalName(const Type *t, int64_t v);

// ---------------------------------------------------------------- values and variables

struct ConstExpr : Expr
{
    Value v;
    Value eval(Ctx &) const override { return v; }
    int64_t evalInt(Ctx &) const override { return v.t == VType::Int ? v.i : v.toInt(); }
    double evalFloat(Ctx &) const override { return v.t == VType::Float ? v.d : v.toFloat(); }
    bool evalBool(Ctx &) const override { return v.t == VType::Bool ? v.b : v.toBool(); }
    bool isConst() const override { return true; }
};

struct LocalVar : Expr
{
    int slot = 0;
    bool byRef = false;
    Value *slotp(Ctx &c) const
    {
        Value *p = &c.f->locals[slot];
        return byRef ? p->r : p;
    }
    Value eval(Ctx &c) const override { return *slotp(c); }
    int64_t evalInt(Ctx &c) const override
    {
        Value *p = slotp(c);
        return p->t == VType::Int ? p->i : p->toInt();
    }
    double evalFloat(Ctx &c) const override
    {
        Value *p = slotp(c);
        return p->t == VType::Float ? p->d : p->toFloat();
    }
    bool evalBool(Ctx &c) const override
    {
        Value *p = slotp(c);
        return p->t == VType::Bool ? p->b : p->toBool();
    }
    Value *ref(Ctx &c, Keep &) const override { return slotp(c); }
    bool isLValue() const override { return true; }
};

struct OuterVar : Expr
{
    int hops = 1;
    int slot = 0;
    bool byRef = false;
    Value *slotp(Ctx &c) const
    {
        Frame *f = c.f;
        for (int i = 0; i < hops; ++i)
            f = f->outer;
        Value *p = &f->locals[slot];
        return byRef ? p->r : p;
    }
    Value eval(Ctx &c) const override { return *slotp(c); }
    int64_t evalInt(Ctx &c) const override { return slotp(c)->toInt(); }
    Value *ref(Ctx &c, Keep &) const override { return slotp(c); }
    bool isLValue() const override { return true; }
};

struct GlobalVar : Expr
{
    int idx = 0;
    Value *slotp(Ctx &c) const { return &c.e->prog->globals[size_t(idx)]; }
    Value eval(Ctx &c) const override { return *slotp(c); }
    int64_t evalInt(Ctx &c) const override
    {
        Value *p = slotp(c);
        return p->t == VType::Int ? p->i : p->toInt();
    }
    double evalFloat(Ctx &c) const override { return slotp(c)->toFloat(); }
    bool evalBool(Ctx &c) const override { return slotp(c)->toBool(); }
    Value *ref(Ctx &c, Keep &) const override { return slotp(c); }
    bool isLValue() const override { return true; }
};

struct SelfExpr : Expr
{
    Value eval(Ctx &c) const override
    {
        Cell *s = c.f->self;
        if (!s)
            return Value::nil();
        s->refs++;
        return Value::fromBox(VType::Object, s);
    }
};

// A field of Self, reached implicitly inside a method.
struct SelfField : Expr
{
    int idx = 0;
    Value *slotp(Ctx &c) const
    {
        Cell *s = c.f->self;
        if (!s || !s->obj)
            c.e->raise(QStringLiteral("EAccessViolation"),
                       QStringLiteral("Access to a freed object"));
        return &s->obj->fields[size_t(idx)];
    }
    Value eval(Ctx &c) const override { return *slotp(c); }
    int64_t evalInt(Ctx &c) const override { return slotp(c)->toInt(); }
    void assign(Ctx &c, const Value &v) const override { *slotp(c) = v; }
    bool isLValue() const override { return true; }
};

struct ObjField : Expr
{
    Expr *obj = nullptr;
    int idx = 0;
    QString name;
    Value *slotp(Ctx &c, Value &hold) const
    {
        hold = obj->eval(c);
        Object *o = c.e->live(hold, name);
        return &o->fields[size_t(idx)];
    }
    Value eval(Ctx &c) const override
    {
        Value h;
        return *slotp(c, h);
    }
    void assign(Ctx &c, const Value &v) const override
    {
        Value h;
        *slotp(c, h) = v;
    }
    bool isLValue() const override { return true; }
};

struct RecField : Expr
{
    Expr *rec = nullptr;
    int idx = 0;
    Value eval(Ctx &c) const override
    {
        Value r = rec->eval(c);
        if (r.t != VType::Record || !r.p)
            c.e->raise(QStringLiteral("EInvalidOp"), QStringLiteral("Record expected"));
        return static_cast<RecordBox *>(r.p)->fields[size_t(idx)];
    }
    Value *ref(Ctx &c, Keep &k) const override
    {
        Value tmp;
        Value *r = rec->ref(c, k);
        if (!r) {
            tmp = rec->eval(c);
            r = &tmp;
        }
        if (r->t != VType::Record || !r->p)
            c.e->raise(QStringLiteral("EInvalidOp"), QStringLiteral("Record expected"));
        k.hold(r->p);
        return &static_cast<RecordBox *>(r->p)->fields[size_t(idx)];
    }
    bool isLValue() const override { return rec->isLValue(); }
};

[[noreturn]] void indexError(EngineImpl *e, int64_t i);

struct ArrayIndex : Expr
{
    Expr *arr = nullptr;
    Expr *index = nullptr;
    static Value *element(Ctx &c, const Value &a, int64_t i)
    {
        if (a.t != VType::Array || !a.p)
            indexError(c.e, i);
        auto *b = static_cast<ArrayBox *>(a.p);
        int64_t k = i - b->low;
        if (k < 0 || k >= int64_t(b->items.size()))
            indexError(c.e, i);
        return &b->items[size_t(k)];
    }
    Value eval(Ctx &c) const override
    {
        Value a = arr->eval(c);
        return *element(c, a, index->evalInt(c));
    }
    int64_t evalInt(Ctx &c) const override
    {
        Keep k;
        if (Value *a = arr->ref(c, k)) {
            Value *el = element(c, *a, index->evalInt(c));
            return el->t == VType::Int ? el->i : el->toInt();
        }
        return eval(c).toInt();
    }
    Value *ref(Ctx &c, Keep &k) const override
    {
        Value tmp;
        Value *a = arr->ref(c, k);
        if (!a) {
            tmp = arr->eval(c);
            a = &tmp;
        }
        int64_t i = index->evalInt(c);
        Value *el = element(c, *a, i);
        k.hold(a->p);
        return el;
    }
    bool isLValue() const override { return true; }
};

struct StrIndex : Expr
{
    Expr *str = nullptr;
    Expr *index = nullptr;
    Value eval(Ctx &c) const override;
    void assign(Ctx &c, const Value &v) const override;
    bool isLValue() const override { return str->isLValue(); }
};

// Index on a Variant: a variant array element, a string character or a late-bound default member.
struct VarIndex : Expr
{
    Expr *base = nullptr;
    std::vector<Expr *> index;
    Value eval(Ctx &c) const override;
    void assign(Ctx &c, const Value &v) const override;
    bool isLValue() const override { return true; }
};

// ---------------------------------------------------------------- properties and members

struct PropExpr : Expr
{
    Expr *obj = nullptr; // nullptr: Self
    PropInfo *prop = nullptr;
    std::vector<Expr *> index;
    Value eval(Ctx &c) const override;
    void assign(Ctx &c, const Value &v) const override;
    bool isLValue() const override { return true; }
};

// Late-bound member: Dispatch objects by name, or objects whose class is known only at run time.
struct DynMember : Expr
{
    Expr *obj = nullptr;
    QString name;
    std::vector<Expr *> args;
    bool call = false; // written with parentheses
    Value eval(Ctx &c) const override;
    void assign(Ctx &c, const Value &v) const override;
    bool isLValue() const override { return true; }
};

// Assignment of a script handler to a host object's event.
struct EventExpr : Expr
{
    Expr *obj = nullptr;
    QString name;
    Value eval(Ctx &c) const override;
    void assign(Ctx &c, const Value &v) const override;
    bool isLValue() const override { return true; }
};

// ---------------------------------------------------------------- calls

struct CallScript : Expr
{
    Routine *r = nullptr;
    std::vector<Expr *> args;
    int hops = -1; // static link: frames to walk up; -1 for top-level routines
    Value eval(Ctx &c) const override;
};

struct CallHost : Expr
{
    Routine *r = nullptr;
    std::vector<Expr *> args;
    Value eval(Ctx &c) const override;
};

struct CallMethod : Expr
{
    Expr *obj = nullptr; // nullptr: Self
    Routine *r = nullptr;
    std::vector<Expr *> args;
    bool inherited = false; // no virtual dispatch
    Value eval(Ctx &c) const override;
};

struct CallCtor : Expr
{
    ClassInfo *cls = nullptr;
    Expr *classExpr = nullptr; // a class reference value, when not known statically
    Routine *r = nullptr;
    std::vector<Expr *> args;
    Value eval(Ctx &c) const override;
};

// Calls a procedure reference held in a variable.
struct CallProcRef : Expr
{
    Expr *proc = nullptr;
    std::vector<Expr *> args;
    Value eval(Ctx &c) const override;
};

struct AddrOf : Expr
{
    Routine *r = nullptr;
    Expr *self = nullptr;
    Value eval(Ctx &c) const override;
};

enum class Builtin {
    Length,
    High,
    Low,
    Ord,
    Chr,
    Succ,
    Pred,
    Assigned,
    Abs,
    Sqr,
    Min,
    Max,
    Copy,
    Inc,
    Dec,
    SetLength,
    Include,
    Exclude,
    Write,
    WriteLn,
    Free,
    ClassName,
    SizeOf,
    ExceptionMessage,
};

struct BuiltinCall : Expr
{
    Builtin id;
    std::vector<Expr *> args;
    Type *argType = nullptr;
    Value eval(Ctx &c) const override;
};

// ---------------------------------------------------------------- operators

enum class Op {
    Add,
    Sub,
    Mul,
    FDiv,
    IDiv,
    Mod,
    And,
    Or,
    Xor,
    Shl,
    Shr,
    Eq,
    Ne,
    Lt,
    Le,
    Gt,
    Ge,
    In,
};

int64_t intOp(EngineImpl *e, Op op, int64_t a, int64_t b);
double floatOp(EngineImpl *e, Op op, double a, double b);
Value varOp(EngineImpl *e, Op op, const Value &a, const Value &b);
bool varCompare(EngineImpl *e, Op op, const Value &a, const Value &b);

template<Op op>
struct IntBin : Expr
{
    Expr *l = nullptr;
    Expr *r = nullptr;
    int64_t evalInt(Ctx &c) const override
    {
        int64_t a = l->evalInt(c);
        int64_t b = r->evalInt(c);
        int64_t res;
        if constexpr (op == Op::Add) {
            if (__builtin_add_overflow(a, b, &res))
                overflow();
            return res;
        } else if constexpr (op == Op::Sub) {
            if (__builtin_sub_overflow(a, b, &res))
                overflow();
            return res;
        } else if constexpr (op == Op::Mul) {
            if (__builtin_mul_overflow(a, b, &res))
                overflow();
            return res;
        } else {
            return intOp(c.e, op, a, b);
        }
    }
    Value eval(Ctx &c) const override { return Value(evalInt(c)); }
    double evalFloat(Ctx &c) const override { return double(evalInt(c)); }
};

struct FloatBin : Expr
{
    Op op;
    Expr *l = nullptr;
    Expr *r = nullptr;
    double evalFloat(Ctx &c) const override
    {
        return floatOp(c.e, op, l->evalFloat(c), r->evalFloat(c));
    }
    Value eval(Ctx &c) const override
    {
        double v = evalFloat(c);
        return type->k == TK::Date ? Value::date(v) : Value(v);
    }
};

struct VarBin : Expr
{
    Op op;
    Expr *l = nullptr;
    Expr *r = nullptr;
    Value eval(Ctx &c) const override { return varOp(c.e, op, l->eval(c), r->eval(c)); }
};

struct Concat : Expr
{
    Expr *l = nullptr;
    Expr *r = nullptr;
    Value eval(Ctx &c) const override;
};

enum class CmpKind { Int, Float, Str, Var, Obj, Set };

struct Compare : Expr
{
    Op op;
    CmpKind kind;
    Expr *l = nullptr;
    Expr *r = nullptr;
    bool evalBool(Ctx &c) const override;
    Value eval(Ctx &c) const override { return Value(evalBool(c)); }
};

template<Op op>
struct IntCompare : Expr
{
    Expr *l = nullptr;
    Expr *r = nullptr;
    bool evalBool(Ctx &c) const override
    {
        int64_t a = l->evalInt(c);
        int64_t b = r->evalInt(c);
        if constexpr (op == Op::Eq)
            return a == b;
        else if constexpr (op == Op::Ne)
            return a != b;
        else if constexpr (op == Op::Lt)
            return a < b;
        else if constexpr (op == Op::Le)
            return a <= b;
        else if constexpr (op == Op::Gt)
            return a > b;
        else
            return a >= b;
    }
    Value eval(Ctx &c) const override { return Value(evalBool(c)); }
};

struct LogicAnd : Expr
{
    Expr *l = nullptr;
    Expr *r = nullptr;
    bool evalBool(Ctx &c) const override { return l->evalBool(c) && r->evalBool(c); }
    Value eval(Ctx &c) const override { return Value(evalBool(c)); }
};

struct LogicOr : Expr
{
    Expr *l = nullptr;
    Expr *r = nullptr;
    bool evalBool(Ctx &c) const override { return l->evalBool(c) || r->evalBool(c); }
    Value eval(Ctx &c) const override { return Value(evalBool(c)); }
};

struct LogicXor : Expr
{
    Expr *l = nullptr;
    Expr *r = nullptr;
    bool evalBool(Ctx &c) const override { return l->evalBool(c) != r->evalBool(c); }
    Value eval(Ctx &c) const override { return Value(evalBool(c)); }
};

struct NotExpr : Expr
{
    Expr *e = nullptr;
    bool evalBool(Ctx &c) const override { return !e->evalBool(c); }
    int64_t evalInt(Ctx &c) const override { return ~e->evalInt(c); }
    Value eval(Ctx &c) const override;
};

struct NegExpr : Expr
{
    Expr *e = nullptr;
    int64_t evalInt(Ctx &c) const override
    {
        int64_t v = e->evalInt(c);
        if (v == INT64_MIN)
            overflow();
        return -v;
    }
    double evalFloat(Ctx &c) const override
    {
        return type->k == TK::Int ? double(evalInt(c)) : -e->evalFloat(c);
    }
    Value eval(Ctx &c) const override;
};

struct SetCtor : Expr
{
    std::vector<std::pair<Expr *, Expr *>> items; // (lo, hi or nullptr)
    Value eval(Ctx &c) const override;
};

struct ArrayCtor : Expr
{
    std::vector<Expr *> items;
    Value eval(Ctx &c) const override;
};

struct InSet : Expr
{
    Expr *l = nullptr;
    Expr *r = nullptr;
    bool evalBool(Ctx &c) const override;
    Value eval(Ctx &c) const override { return Value(evalBool(c)); }
};

struct SetBin : Expr
{
    Op op; // Add: union, Sub: difference, Mul: intersection
    Expr *l = nullptr;
    Expr *r = nullptr;
    Value eval(Ctx &c) const override;
};

struct IsExpr : Expr
{
    Expr *obj = nullptr;
    ClassInfo *cls = nullptr;
    bool evalBool(Ctx &c) const override;
    Value eval(Ctx &c) const override { return Value(evalBool(c)); }
};

// "as" and class typecasts: checked, nil passes.
struct ClassCast : Expr
{
    Expr *obj = nullptr;
    ClassInfo *cls = nullptr;
    Value eval(Ctx &c) const override;
};

struct Convert : Expr
{
    Expr *e = nullptr;
    Value eval(Ctx &c) const override { return coerceValue(c.e, e->eval(c), type); }
    int64_t evalInt(Ctx &c) const override
    {
        return e->type->k == TK::Variant ? eval(c).toInt() : e->evalInt(c);
    }
    double evalFloat(Ctx &c) const override
    {
        return e->type->k == TK::Variant ? eval(c).toFloat() : e->evalFloat(c);
    }
};

// Explicit value typecasts: Integer(x), Char(65), TColor(x), string(x), Boolean(0)...
struct ValueCast : Expr
{
    Expr *e = nullptr;
    Value eval(Ctx &c) const override;
};

struct CloneExpr : Expr
{
    Expr *e = nullptr;
    Value eval(Ctx &c) const override { return cloneAggregate(e->eval(c)); }
};

// ---------------------------------------------------------------- statements

struct EmptyStmt : Stmt
{
    Flow exec(Ctx &) const override { return Flow::Normal; }
};

struct ExprStmt : Stmt
{
    Expr *e = nullptr;
    Flow exec(Ctx &c) const override
    {
        e->eval(c);
        return Flow::Normal;
    }
};

struct Assign : Stmt
{
    Expr *lhs = nullptr;
    Expr *rhs = nullptr;
    Flow exec(Ctx &c) const override
    {
        Value v = rhs->eval(c);
        Keep k;
        if (Value *p = lhs->ref(c, k))
            *p = std::move(v);
        else
            lhs->assign(c, v);
        return Flow::Normal;
    }
};

template<class Var>
struct AssignIntVar : Stmt
{
    Var *lhs = nullptr;
    Expr *rhs = nullptr;
    Flow exec(Ctx &c) const override
    {
        int64_t v = rhs->evalInt(c);
        Value *p = lhs->slotp(c);
        if (p->t == VType::Int)
            p->i = v;
        else
            *p = Value(v);
        return Flow::Normal;
    }
};

using AssignLocalInt = AssignIntVar<LocalVar>;
using AssignGlobalInt = AssignIntVar<GlobalVar>;

// s := s + x on a string variable: appends in place when the string is not shared.
struct AppendStr : Stmt
{
    Expr *lhs = nullptr;
    std::vector<Expr *> parts; // evaluated first, then appended in order
    Flow exec(Ctx &c) const override;
};

struct Block : Stmt
{
    std::vector<Stmt *> stmts;
    Flow exec(Ctx &c) const override
    {
        for (const Stmt *s : stmts) {
            Flow f = runStmt(c, s);
            if (f != Flow::Normal)
                return f;
        }
        return Flow::Normal;
    }
};

struct IfStmt : Stmt
{
    Expr *cond = nullptr;
    Stmt *then = nullptr;
    Stmt *otherwise = nullptr;
    Flow exec(Ctx &c) const override
    {
        if (cond->evalBool(c))
            return runStmt(c, then);
        if (otherwise)
            return runStmt(c, otherwise);
        return Flow::Normal;
    }
};

struct WhileStmt : Stmt
{
    Expr *cond = nullptr;
    Stmt *body = nullptr;
    Flow exec(Ctx &c) const override
    {
        while (cond->evalBool(c)) {
            Flow f = runStmt(c, body);
            if (f == Flow::Break)
                break;
            if (f == Flow::Exit)
                return f;
        }
        return Flow::Normal;
    }
};

struct RepeatStmt : Stmt
{
    Expr *cond = nullptr;
    Block *body = nullptr;
    Flow exec(Ctx &c) const override
    {
        for (;;) {
            if (c.e->slow)
                c.e->onStmt(pos);
            Flow f = body->exec(c);
            if (f == Flow::Break)
                break;
            if (f == Flow::Exit)
                return f;
            if (cond->evalBool(c))
                break;
        }
        return Flow::Normal;
    }
};

struct ForStmt : Stmt
{
    Expr *var = nullptr;
    Expr *from = nullptr;
    Expr *to = nullptr;
    bool down = false;
    Stmt *body = nullptr;
    Flow exec(Ctx &c) const override;
};

struct CaseStmt : Stmt
{
    struct Label
    {
        Value lo;
        Value hi; // Empty: a single value
    };
    struct Branch
    {
        std::vector<Label> labels;
        Stmt *body = nullptr;
    };
    Expr *sel = nullptr;
    bool ordinal = true;
    std::vector<Branch> branches;
    Stmt *otherwise = nullptr;
    Flow exec(Ctx &c) const override;
};

struct FlowStmt : Stmt
{
    Flow flow;
    Flow exec(Ctx &) const override { return flow; }
};

struct ExitStmt : Stmt
{
    Expr *value = nullptr;
    int resultSlot = -1;
    Flow exec(Ctx &c) const override
    {
        if (value)
            c.f->locals[resultSlot] = value->eval(c);
        return Flow::Exit;
    }
};

struct TryFinally : Stmt
{
    Block *body = nullptr;
    Block *fin = nullptr;
    Flow exec(Ctx &c) const override;
};

struct TryExcept : Stmt
{
    struct Handler
    {
        ClassInfo *cls = nullptr; // nullptr: any
        int slot = -1;            // local slot of "E", or -1
        bool global = false;      // the slot is a global (main block)
        Stmt *body = nullptr;
    };
    Block *body = nullptr;
    std::vector<Handler> handlers;
    Stmt *otherwise = nullptr; // "else" part, or the bare handler block
    Flow exec(Ctx &c) const override;
    Flow handle(Ctx &c, ScriptException &ex) const;
};

struct RaiseStmt : Stmt
{
    Expr *e = nullptr; // nullptr: re-raise
    Flow exec(Ctx &c) const override;
};

} // namespace script
