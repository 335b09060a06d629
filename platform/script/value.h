#pragma once

#include "velmscript_global.h"

#include <QString>

#include <bitset>
#include <cstdint>
#include <memory>
#include <vector>

namespace script {

class Object;
class IDynamicObject;
struct ClassInfo;
struct Routine;

enum class VType : uint8_t {
    Empty,
    Null,
    Bool,
    Int,
    Float,
    Date,
    Ref, // internal: a var parameter pointing at the caller's storage
    String,
    Object,
    Dispatch,
    Array,
    Record,
    Set,
    Proc,
};

// Reference-counted payload of heap values. One engine runs on one thread, so the count is plain.
struct VELMSCRIPT_EXPORT HeapBox
{
    int refs = 1;
    virtual ~HeapBox() = default;
};

class Value;

// A value the script sees: compact (16 bytes), tagged, heap payloads shared by reference count.
class VELMSCRIPT_EXPORT Value
{
public:
    Value()
        : t(VType::Empty)
        , i(0)
    {}
    Value(bool v)
        : t(VType::Bool)
        , i(0)
    {
        b = v;
    }
    Value(int v)
        : t(VType::Int)
        , i(v)
    {}
    Value(int64_t v)
        : t(VType::Int)
        , i(v)
    {}
    Value(long long v)
        : t(VType::Int)
        , i(int64_t(v))
    {}
    Value(double v)
        : t(VType::Float)
        , d(v)
    {}
    Value(const QString &s);
    Value(const char *s);
    Value(const Value &o)
        : t(o.t)
        , i(o.i)
    {
        if (isHeap())
            p->refs++;
    }
    Value(Value &&o) noexcept
        : t(o.t)
        , i(o.i)
    {
        o.t = VType::Empty;
    }
    ~Value()
    {
        if (isHeap())
            release();
    }
    Value &operator=(const Value &o)
    {
        if (o.isHeap())
            o.p->refs++;
        if (isHeap())
            release();
        t = o.t;
        i = o.i;
        return *this;
    }
    Value &operator=(Value &&o) noexcept
    {
        if (this != &o) {
            if (isHeap())
                release();
            t = o.t;
            i = o.i;
            o.t = VType::Empty;
        }
        return *this;
    }

    static Value null()
    {
        Value v;
        v.t = VType::Null;
        return v;
    }
    static Value date(double d)
    {
        Value v(d);
        v.t = VType::Date;
        return v;
    }
    static Value nil();
    static Value object(Object *o); // wraps a live object (its handle)
    static Value dispatch(std::shared_ptr<IDynamicObject> d);
    static Value array(std::vector<Value> items, int64_t low = 0, bool fixed = false);
    static Value ref(Value *target)
    {
        Value v;
        v.t = VType::Ref;
        v.r = target;
        return v;
    }
    static Value fromBox(VType t, HeapBox *box) // takes over one reference
    {
        Value v;
        v.t = t;
        v.p = box;
        return v;
    }

    VType type() const { return t; }
    bool isEmpty() const { return t == VType::Empty; }
    bool isNull() const { return t == VType::Null; }
    bool isNumber() const { return t == VType::Int || t == VType::Float || t == VType::Date; }
    bool isString() const { return t == VType::String; }
    bool isObject() const { return t == VType::Object; }
    bool isNil() const { return t == VType::Object && !p; }
    bool isHeap() const { return t >= VType::String && p; }

    // Conversions with the scripting rules; a failed conversion raises a script exception.
    int64_t toInt() const;
    double toFloat() const;
    bool toBool() const;
    QString toString() const;
    const QString &str() const; // only when isString()
    Object *toObject() const;   // nil -> nullptr; a freed object raises
    std::shared_ptr<IDynamicObject> toDispatch() const;
    QString typeName() const;

    // Direct access for the interpreter's fast paths.
    VType t;
    union {
        bool b;
        int64_t i;
        double d;
        HeapBox *p;
        Value *r;
    };

private:
    void release();
};

struct VELMSCRIPT_EXPORT StrBox : HeapBox
{
    QString s;
    explicit StrBox(QString v)
        : s(std::move(v))
    {}
};

// The handle of an object: survives the object, so every access can tell a freed one.
struct VELMSCRIPT_EXPORT Cell : HeapBox
{
    Object *obj = nullptr;
    QString deadClass; // class name of the object once it is gone, for error messages
};

struct VELMSCRIPT_EXPORT DispBox : HeapBox
{
    std::shared_ptr<IDynamicObject> d;
};

struct VELMSCRIPT_EXPORT ArrayBox : HeapBox
{
    std::vector<Value> items;
    int64_t low = 0;
    bool fixed = false; // static arrays copy on assignment, dynamic ones share
};

struct VELMSCRIPT_EXPORT RecordBox : HeapBox
{
    std::vector<Value> fields;
    const void *type = nullptr;
};

struct VELMSCRIPT_EXPORT SetBox : HeapBox
{
    std::bitset<256> bits;
};

struct VELMSCRIPT_EXPORT ProcBox : HeapBox
{
    Routine *routine = nullptr;
    Value self; // the object of a method reference, or Empty
};

// Deep copy of value-type aggregates (records and static arrays); other values are shared.
VELMSCRIPT_EXPORT Value cloneAggregate(const Value &v);

// Raises a script exception of the named class (EConvertError, ERangeError...).
[[noreturn]] VELMSCRIPT_EXPORT void raiseError(const QString &cls, const QString &message);

// Delphi-style float text: up to 15 significant digits, '.' as separator.
VELMSCRIPT_EXPORT QString floatToStr(double v);
VELMSCRIPT_EXPORT QString dateTimeToStr(double v);
VELMSCRIPT_EXPORT bool tryStrToInt(const QString &s, int64_t &out);
VELMSCRIPT_EXPORT bool tryStrToFloat(const QString &s, double &out);

} // namespace script
