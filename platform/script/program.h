#pragma once

// Internal structures of a compiled script: static types, classes, routines and the
// executable tree. Nothing here is part of the public interface.

#include "engine.h"

#include <QHash>
#include <QSet>

#include <unordered_set>

namespace script {

class EngineImpl;

struct Pos
{
    int line = 0;
    int col = 0;
    int unit = 0; // index into the engine's unit names
};

enum class TK : uint8_t {
    Void,
    Int,
    Float,
    Bool,
    String,
    Char,
    Date,
    Variant,
    Enum,
    Set,
    Array,    // static array: bounds lo..hi
    DynArray, // dynamic array and open array parameters
    Record,
    Class,
    ClassRef, // a class used as a value (for "is", "as", typecasts)
    Nil,
    Proc, // procedure reference (event handlers)
};

struct Type
{
    TK k = TK::Variant;
    QString name;
    Type *elem = nullptr; // array element, set base
    int64_t lo = 0;
    int64_t hi = -1;
    QStringList enumNames;
    ClassInfo *cls = nullptr;
    std::vector<QString> fieldNames; // record
    std::vector<Type *> fieldTypes;

    bool isOrdinal() const
    {
        return k == TK::Int || k == TK::Enum || k == TK::Bool || k == TK::Char;
    }
    bool isNumeric() const { return k == TK::Int || k == TK::Float || k == TK::Date; }
    bool isAggregateValue() const { return k == TK::Record || k == TK::Array; }
    int fieldIndex(const QString &lname) const
    {
        for (size_t i = 0; i < fieldNames.size(); ++i)
            if (fieldNames[i].compare(lname, Qt::CaseInsensitive) == 0)
                return int(i);
        return -1;
    }
    QString displayName() const;
};

struct Expr;
struct Stmt;

enum class PMode : uint8_t { Value, Const, Var, Out };

struct Param
{
    QString name;
    Type *type = nullptr;
    PMode mode = PMode::Value;
    bool hasDefault = false;
    Value defValue;
};

struct Routine
{
    QString name;
    std::vector<Param> params;
    Type *result = nullptr; // nullptr for procedures
    int level = 1;          // 1 for top-level routines and methods, deeper when nested
    int nLocals = 0;        // params first, then Result, then locals and temporaries
    int resultSlot = -1;
    std::vector<Type *> localTypes;
    Stmt *body = nullptr;
    ClassInfo *ofClass = nullptr;
    bool isCtor = false;
    bool isDtor = false;
    bool isVirtual = false;
    bool isForward = false;
    bool defined = false;
    bool isHostFn = false;
    int vslot = -1;
    bool hasVarParams = false;
    std::vector<Value> localInit; // initial values of the slots after the parameters
    HostFn host;
    MethodFn hostMethod;
    Pos pos;
    int minArgs() const
    {
        int n = 0;
        for (auto &p : params)
            if (!p.hasDefault)
                ++n;
        return n;
    }
};

struct PropInfo
{
    QString name;
    Type *type = nullptr;
    std::vector<Param> index;
    bool isDefault = false;
    int readField = -1;
    int writeField = -1;
    Routine *reader = nullptr;
    Routine *writer = nullptr;
    GetterFn hostGet;
    SetterFn hostSet;
};

struct ClassInfo
{
    QString name;
    ClassInfo *parent = nullptr;
    bool host = false;
    FactoryFn factory;
    Type *type = nullptr;            // TK::Class
    Type *refType = nullptr;         // TK::ClassRef
    std::vector<QString> fieldNames; // inherited ones first
    std::vector<Type *> fieldTypes;
    QHash<QString, Routine *> methods; // own, lower-case names
    QHash<QString, PropInfo *> props;
    QSet<QString> events;
    std::vector<Routine *> vtable;
    std::vector<std::unique_ptr<Routine>> ownedRoutines;
    std::vector<std::unique_ptr<PropInfo>> ownedProps;
    struct Pending // a host member whose declaration is parsed at the next compile
    {
        enum Kind { Ctor, Method, Prop } kind;
        QString decl;
        MethodFn fn;
        GetterFn get;
        SetterFn set;
    };
    std::vector<Pending> pending;

    bool isA(const ClassInfo *c) const
    {
        for (auto *k = this; k; k = k->parent)
            if (k == c)
                return true;
        return false;
    }
    Routine *findMethod(const QString &lname) const
    {
        for (auto *k = this; k; k = k->parent)
            if (auto it = k->methods.find(lname); it != k->methods.end())
                return *it;
        return nullptr;
    }
    PropInfo *findProp(const QString &lname) const
    {
        for (auto *k = this; k; k = k->parent)
            if (auto it = k->props.find(lname); it != k->props.end())
                return *it;
        return nullptr;
    }
    PropInfo *defaultProp() const
    {
        for (auto *k = this; k; k = k->parent)
            for (auto *p : k->props)
                if (p->isDefault)
                    return p;
        return nullptr;
    }
    bool hasEvent(const QString &lname) const
    {
        for (auto *k = this; k; k = k->parent)
            if (k->events.contains(lname))
                return true;
        return false;
    }
    int findField(const QString &lname) const
    {
        for (int i = int(fieldNames.size()) - 1; i >= 0; --i)
            if (fieldNames[i].compare(lname, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }
    const ClassInfo *hostRoot() const
    {
        for (auto *k = this; k; k = k->parent)
            if (k->host && k->factory)
                return k;
        return nullptr;
    }
};

// ---- execution ----

struct Frame
{
    Value *locals = nullptr;
    Frame *outer = nullptr; // frame of the lexically enclosing routine
    Cell *self = nullptr;
};

struct Ctx
{
    EngineImpl *e;
    Frame *f;
};

enum class Flow : uint8_t { Normal, Break, Continue, Exit };

// A script exception in flight. The exception object is made lazily: most errors raised by
// the runtime are handled without anyone looking at the object.
struct ScriptException
{
    Value obj;
    QString cls;
    QString msg;
    Pos pos;
    bool hasPos = false;
};

struct TerminateSignal
{};

struct Node
{
    Pos pos;
    virtual ~Node() = default;
};

// Keeps the container of a referenced element alive while a var parameter points into it.
struct Keep
{
    HeapBox *box = nullptr;
    Keep() = default;
    Keep(const Keep &) = delete;
    ~Keep()
    {
        if (box && --box->refs == 0)
            delete box;
    }
    void hold(HeapBox *b)
    {
        if (box == b)
            return;
        b->refs++;
        if (box && --box->refs == 0)
            delete box;
        box = b;
    }
};

struct Expr : Node
{
    Type *type = nullptr;
    virtual Value eval(Ctx &c) const = 0;
    virtual int64_t evalInt(Ctx &c) const
    {
        Value v = eval(c);
        return v.t == VType::Int ? v.i : v.toInt();
    }
    virtual double evalFloat(Ctx &c) const { return eval(c).toFloat(); }
    virtual bool evalBool(Ctx &c) const { return eval(c).toBool(); }
    // Storage of an lvalue, or nullptr when the target is not addressable.
    virtual Value *ref(Ctx &, Keep &) const { return nullptr; }
    // Assignment to a non-addressable lvalue (property, late-bound member, character).
    virtual void assign(Ctx &, const Value &) const;
    virtual bool isLValue() const { return false; }
    virtual bool isConst() const { return false; }
};

struct Stmt : Node
{
    virtual Flow exec(Ctx &c) const = 0;
};

// A name the compiler resolves: a variable slot, a constant, a type or a routine.
struct Symbol
{
    enum Kind { Var, Const, TypeSym, Func } kind = Var;
    Type *type = nullptr;
    int slot = 0;
    int level = 0;       // nesting level of the routine that owns a local (0: main block)
    bool global = false; // a global variable: a slot of the program's globals
    bool byRef = false;
    bool host = false; // registered by the host or the standard library: may be shadowed
    Value cval;
    Routine *r = nullptr;
};

struct UnitInfo
{
    QString name;
    Stmt *init = nullptr;
    int nLocals = 0;
};

struct Program
{
    std::vector<std::unique_ptr<Node>> nodes;
    std::vector<std::unique_ptr<Type>> types;
    std::vector<std::unique_ptr<Routine>> routines;
    std::vector<std::unique_ptr<ClassInfo>> classes;
    std::vector<Value> globals;
    std::vector<Type *> globalTypes;
    QHash<QString, int> globalIndex;     // script globals and host variables, lower case
    QHash<QString, Routine *> functions; // top-level script routines, lower case
    std::vector<UnitInfo> inits;         // used units' main blocks, in order
    Stmt *main = nullptr;
    int mainLocals = 0;

    template<class T, class... A>
    T *make(A &&...a)
    {
        auto p = std::make_unique<T>(std::forward<A>(a)...);
        T *raw = p.get();
        nodes.push_back(std::move(p));
        return raw;
    }
};

} // namespace script
