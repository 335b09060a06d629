#include "engine.h"

#include "compiler.h"
#include "nodes.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cstdio>

namespace script {

QString SourcePos::text() const
{
    return valid() ? QStringLiteral("%1:%2").arg(line).arg(col) : QString();
}

QString ScriptError::text() const
{
    QString s = message;
    if (pos.valid()) {
        s += QStringLiteral(" at ");
        if (!pos.unit.isEmpty())
            s += pos.unit + QLatin1Char(' ');
        s += pos.text();
    }
    return s;
}

QString Type::displayName() const
{
    if (!name.isEmpty())
        return name;
    switch (k) {
    case TK::Int:
        return QStringLiteral("Integer");
    case TK::Float:
        return QStringLiteral("Double");
    case TK::Bool:
        return QStringLiteral("Boolean");
    case TK::String:
        return QStringLiteral("String");
    case TK::Char:
        return QStringLiteral("Char");
    case TK::Date:
        return QStringLiteral("TDateTime");
    case TK::Variant:
        return QStringLiteral("Variant");
    case TK::Nil:
        return QStringLiteral("Pointer");
    case TK::Set:
        return QStringLiteral("Set");
    case TK::Array:
    case TK::DynArray:
        return QStringLiteral("Array");
    case TK::Record:
        return QStringLiteral("Record");
    case TK::Proc:
        return QStringLiteral("Procedure");
    default:
        return QStringLiteral("?");
    }
}

Value initialValue(const Type *t)
{
    switch (t->k) {
    case TK::Int:
    case TK::Enum:
        return Value(int64_t(0));
    case TK::Float:
        return Value(0.0);
    case TK::Date:
        return Value::date(0);
    case TK::Bool:
        return Value(false);
    case TK::String:
    case TK::Char:
        return Value(QString());
    case TK::Class:
    case TK::Nil:
        return Value::nil();
    case TK::DynArray:
        return Value::fromBox(VType::Array, nullptr);
    case TK::Set:
        return Value::fromBox(VType::Set, nullptr);
    case TK::Proc:
        return Value::fromBox(VType::Proc, nullptr);
    case TK::Array: {
        std::vector<Value> items;
        Value iv = initialValue(t->elem);
        int64_t n = t->hi - t->lo + 1;
        items.reserve(size_t(n));
        for (int64_t i = 0; i < n; ++i)
            items.push_back(cloneAggregate(iv));
        return Value::array(std::move(items), t->lo, true);
    }
    case TK::Record: {
        auto *b = new RecordBox;
        b->type = t;
        for (auto *ft : t->fieldTypes)
            b->fields.push_back(initialValue(ft));
        return Value::fromBox(VType::Record, b);
    }
    default:
        return {};
    }
}

[[noreturn]] static void nullCast(const Type *t)
{
    raiseError(QStringLiteral("EVariantTypeCastError"),
               QStringLiteral("Could not convert variant of type (Null) into type (%1)")
                       .arg(t->displayName()));
}

Value coerceValue(EngineImpl *e, const Value &v0, const Type *t)
{
    const Value &v = v0.t == VType::Ref ? *v0.r : v0;
    if (!t)
        return v;
    switch (t->k) {
    case TK::Variant:
        return v;
    case TK::Int:
    case TK::Enum:
        if (v.t == VType::Int)
            return v;
        if (v.isNull())
            nullCast(t);
        return Value(v.toInt());
    case TK::Float:
        if (v.t == VType::Float)
            return v;
        if (v.isNull())
            nullCast(t);
        return Value(v.toFloat());
    case TK::Date:
        if (v.isNull())
            nullCast(t);
        return Value::date(v.toFloat());
    case TK::Bool:
        if (v.isNull())
            nullCast(t);
        return Value(v.toBool());
    case TK::String:
    case TK::Char:
        if (v.t == VType::String)
            return v;
        if (v.isNull())
            nullCast(t);
        return Value(v.toString());
    case TK::Class:
        if (v.t == VType::Object) {
            if (v.p && t->cls) {
                Object *o = v.toObject();
                if (!o->scriptClass() || !o->scriptClass()->isA(t->cls))
                    e->raise(QStringLiteral("EInvalidCast"),
                             QStringLiteral("Invalid class typecast: %1 is not %2")
                                     .arg(o->className(), t->cls->name));
            }
            return v;
        }
        if (v.isEmpty() || v.isNull())
            return Value::nil();
        e->raise(QStringLiteral("EVariantTypeCastError"),
                 QStringLiteral("Could not convert variant of type (%1) into type (%2)")
                         .arg(v.typeName(), t->displayName()));
    case TK::DynArray:
        if (v.t == VType::Array || v.isEmpty())
            return v.isEmpty() ? Value::fromBox(VType::Array, nullptr) : v;
        e->raise(QStringLiteral("EVariantTypeCastError"),
                 QStringLiteral("Could not convert variant of type (%1) into type (Array)")
                         .arg(v.typeName()));
    case TK::Array:
    case TK::Record:
        return cloneAggregate(v);
    case TK::Set:
        if (v.t == VType::Set || v.isEmpty())
            return v.isEmpty() ? Value::fromBox(VType::Set, nullptr) : v;
        e->raise(QStringLiteral("EVariantTypeCastError"),
                 QStringLiteral("Could not convert variant of type (%1) into type (Set)")
                         .arg(v.typeName()));
    case TK::Proc:
        if (v.isNil() || v.isEmpty())
            return Value::fromBox(VType::Proc, nullptr);
        return v;
    default:
        return v;
    }
}

// ---------------------------------------------------------------- EngineImpl

EngineImpl::EngineImpl(Engine *p)
    : pub(p)
{
    auto basic = [&](TK k, const QString &name, std::initializer_list<const char *> aliases) {
        Type *t = newHostType(k, name);
        for (const char *a : aliases)
            hostTypeIndex.insert(QString::fromLatin1(a), t);
        return t;
    };
    tInt = basic(TK::Int,
                 QStringLiteral("Integer"),
                 {"integer",
                  "int64",
                  "longint",
                  "cardinal",
                  "word",
                  "byte",
                  "smallint",
                  "shortint",
                  "longword",
                  "uint64",
                  "nativeint",
                  "thandle"});
    tFloat = basic(TK::Float,
                   QStringLiteral("Double"),
                   {"double", "extended", "real", "single", "currency", "float"});
    tBool = basic(TK::Bool, QStringLiteral("Boolean"), {"boolean", "bool", "longbool", "wordbool"});
    tString = basic(TK::String,
                    QStringLiteral("String"),
                    {"string",
                     "ansistring",
                     "widestring",
                     "unicodestring",
                     "shortstring",
                     "pchar",
                     "tcaption",
                     "tfilename"});
    tChar = basic(TK::Char, QStringLiteral("Char"), {"char", "ansichar", "widechar"});
    tDate = basic(TK::Date, QStringLiteral("TDateTime"), {"tdatetime", "tdate", "ttime"});
    tVariant = basic(TK::Variant,
                     QStringLiteral("Variant"),
                     {"variant", "olevariant", "pointer", "tvarrec"});
    tNil = newHostType(TK::Nil, QStringLiteral("Pointer"));
    tProc = basic(TK::Proc, QStringLiteral("TNotifyEvent"), {"tnotifyevent"});
    tVoid = newHostType(TK::Void, QStringLiteral("procedure"));
    tArrayOfVariant = newHostType(TK::DynArray, QString());
    tArrayOfVariant->elem = tVariant;
    hostConsts.insert(QStringLiteral("true"), {Value(true), tBool});
    hostConsts.insert(QStringLiteral("false"), {Value(false), tBool});
    Type *color = newHostType(TK::Int, QStringLiteral("TColor"));
    hostTypeIndex.insert(QStringLiteral("tcolor"), color);

    stackSize = 1 << 16;
    stack.reset(new Value[stackSize]);
    sp = stack.get();
    stackEnd = sp + stackSize;
    output = [](const QString &s) {
        QByteArray b = s.toUtf8();
        fwrite(b.constData(), 1, size_t(b.size()), stdout);
    };
}

EngineImpl::~EngineImpl()
{
    freeOwnedObjects();
    prog.reset();
}

Type *EngineImpl::newHostType(TK k, const QString &name)
{
    auto t = std::make_unique<Type>();
    t->k = k;
    t->name = name;
    Type *raw = t.get();
    hostTypes.push_back(std::move(t));
    return raw;
}

ClassInfo *EngineImpl::findClass(const QString &name) const
{
    QString l = name.toLower();
    if (prog) {
        for (auto &c : prog->classes)
            if (c->name.toLower() == l)
                return c.get();
    }
    return hostClassIndex.value(l);
}

void EngineImpl::freeOwnedObjects()
{
    // destroy in rounds: an object's fields may hold the last reference to nothing else
    auto objs = std::move(owned);
    owned.clear();
    for (Object *o : objs)
        o->fields.clear();
    for (Object *o : objs)
        delete o;
}

void EngineImpl::resetProgram()
{
    freeOwnedObjects();
    prog.reset();
}

SourcePos EngineImpl::toSource(const Pos &p) const
{
    SourcePos s;
    s.unit = p.unit > 0 ? units.value(p.unit) : QString();
    s.line = p.line;
    s.col = p.col;
    return s;
}

void EngineImpl::raise(const QString &cls, const QString &msg)
{
    ScriptException ex;
    ex.cls = cls;
    ex.msg = msg;
    if (cur) {
        ex.pos = *cur;
        ex.hasPos = true;
    }
    throw ex;
}

Value EngineImpl::materialize(ScriptException &ex)
{
    if (ex.obj.t == VType::Object && ex.obj.p)
        return ex.obj;
    ClassInfo *k = findClass(ex.cls);
    if (!k)
        k = findClass(QStringLiteral("Exception"));
    Value v = newObject(k);
    if (auto *x = dynamic_cast<ExceptionObject *>(v.toObject()))
        x->message = ex.msg;
    ex.obj = v;
    return v;
}

ScriptError EngineImpl::toError(ScriptException &ex)
{
    ScriptError err;
    err.exceptionClass = ex.cls;
    err.message = ex.msg;
    if (ex.obj.t == VType::Object && ex.obj.p) {
        if (Object *o = static_cast<Cell *>(ex.obj.p)->obj) {
            if (auto *x = dynamic_cast<ExceptionObject *>(o))
                err.message = x->message;
            err.exceptionClass = o->className();
        }
    }
    if (ex.hasPos)
        err.pos = toSource(ex.pos);
    else if (cur)
        err.pos = toSource(*cur);
    return err;
}

void EngineImpl::onStmt(const Pos &p)
{
    if (terminateReq)
        throw TerminateSignal{};
    if (lineCb) {
        SourcePos sp = toSource(p);
        hostBoundary(this, [&] { lineCb(sp); });
        if (terminateReq)
            throw TerminateSignal{};
    }
}

Value EngineImpl::newObject(ClassInfo *cls)
{
    const ClassInfo *root = cls->hostRoot();
    Object *o = nullptr;
    try {
        o = root ? root->factory() : new Object;
    } catch (std::bad_alloc &) {
        raise(QStringLiteral("EOutOfMemory"), QStringLiteral("Out of memory"));
    }
    if (!o)
        raise(QStringLiteral("EInvalidOp"),
              QStringLiteral("Class %1 cannot be created by a script").arg(cls->name));
    o->setScriptClass(cls);
    o->scriptOwned_ = true;
    o->fields.reserve(cls->fieldTypes.size());
    for (auto *t : cls->fieldTypes)
        o->fields.push_back(initialValue(t));
    owned.insert(o);
    return Value::object(o);
}

void EngineImpl::freeObject(const Value &v0)
{
    const Value &v = v0.t == VType::Ref ? *v0.r : v0;
    if (v.isNil() || v.isEmpty())
        return;
    Object *o = v.toObject();
    if (!o->scriptOwned_)
        raise(QStringLiteral("EInvalidOp"),
              QStringLiteral("Cannot free an object owned by the host (%1)").arg(o->className()));
    if (ClassInfo *k = o->scriptClass()) {
        Routine *d = k->findMethod(QStringLiteral("destroy"));
        if (d && !d->isHostFn && d->body) {
            if (d->vslot >= 0 && size_t(d->vslot) < k->vtable.size())
                d = k->vtable[size_t(d->vslot)];
            Value hold = v;
            callValues(d, {}, o->cell());
            if (!static_cast<Cell *>(hold.p)->obj)
                return; // the destructor freed it
        }
    }
    owned.erase(o);
    delete o;
}

Object *EngineImpl::live(const Value &v0, const QString &member)
{
    const Value &v = v0.t == VType::Ref ? *v0.r : v0;
    if (v.t == VType::Object) {
        if (!v.p)
            raise(QStringLiteral("EAccessViolation"),
                  QStringLiteral("Access to member '%1' of a nil object").arg(member));
        auto *c = static_cast<Cell *>(v.p);
        if (!c->obj)
            raise(QStringLiteral("EAccessViolation"),
                  QStringLiteral("Access to a freed object of class %1").arg(c->deadClass));
        return c->obj;
    }
    if (v.isEmpty() || v.isNull())
        raise(QStringLiteral("EAccessViolation"),
              QStringLiteral("Access to member '%1' of a nil object").arg(member));
    raise(QStringLiteral("EInvalidCast"),
          QStringLiteral("Object expected for '%1', found %2").arg(member, v.typeName()));
}

namespace {
struct FrameGuard
{
    EngineImpl *e;
    Value *base;
    size_t n;
    ~FrameGuard()
    {
        for (size_t i = 0; i < n; ++i)
            base[i] = Value();
        e->sp = base;
        e->depth--;
    }
};
} // namespace

Value EngineImpl::callValues(const Routine *r, std::span<const Value> args, Cell *self)
{
    if (r->isHostFn) {
        std::vector<Value> vals(args.begin(), args.end());
        for (size_t i = vals.size(); i < r->params.size(); ++i)
            vals.push_back(r->params[i].defValue);
        return callHostRoutine(r, vals, self ? self->obj : nullptr);
    }
    if (args.size() > r->params.size() || int(args.size()) < r->minArgs())
        raise(QStringLiteral("EInvalidOp"),
              QStringLiteral("Wrong number of arguments for '%1'").arg(r->name));
    const size_t n = size_t(r->nLocals);
    Value *base = sp;
    if (depth >= limits.maxCallDepth || base + n > stackEnd)
        raise(QStringLiteral("EStackOverflow"), QStringLiteral("Stack overflow"));
    checkNativeStack();
    sp = base + n;
    depth++;
    FrameGuard guard{this, base, n};
    std::vector<Value> temps(r->params.size());
    const size_t np = r->params.size();
    for (size_t i = 0; i < np; ++i) {
        const Param &p = r->params[i];
        Value v = i < args.size() ? coerceValue(this, args[i], p.type) : p.defValue;
        if (p.mode == PMode::Var || p.mode == PMode::Out) {
            temps[i] = v;
            base[i] = Value::ref(&temps[i]);
        } else {
            base[i] = std::move(v);
        }
    }
    for (size_t i = np; i < n; ++i) {
        const Value &iv = r->localInit[i - np];
        base[i] = iv.t >= VType::Array ? cloneAggregate(iv) : iv;
    }
    Frame fr{base, nullptr, self};
    Ctx c{this, &fr};
    const Pos *saved = cur;
    r->body->exec(c);
    cur = saved;
    return r->resultSlot >= 0 ? std::move(base[r->resultSlot]) : Value();
}

Value EngineImpl::callHostRoutine(const Routine *r, std::span<Value> args, Object *self)
{
    Args a(*pub, args);
    Value res = hostBoundary(this, [&]() -> Value {
        if (r->hostMethod) {
            if (!self)
                raise(QStringLiteral("EAccessViolation"),
                      QStringLiteral("Access to member '%1' of a nil object").arg(r->name));
            return r->hostMethod(*self, a);
        }
        return r->host ? r->host(a) : Value();
    });
    if (res.t == VType::String && res.str().size() > limits.maxStringLength)
        raise(QStringLiteral("EOutOfMemory"), QStringLiteral("Out of memory"));
    if (r->result && r->result->k != TK::Variant)
        return coerceValue(this, res, r->result);
    return res;
}

Status EngineImpl::runGuarded(const std::function<void()> &fn)
{
    if (isRunning)
        return Status::Busy;
    isRunning = true;
    terminateReq = false;
    slow = bool(lineCb);
    runErr = ScriptError();
    Status st = Status::Ok;
    Value *savedSp = sp;
    int savedDepth = depth;
    stackBase = static_cast<const char *>(__builtin_frame_address(0));
    try {
        fn();
    } catch (ScriptException &ex) {
        runErr = toError(ex);
        st = runErr.exceptionClass == QLatin1String("EAbort") ? Status::Aborted : Status::Error;
        if (ex.obj.t == VType::Object && ex.obj.p && static_cast<Cell *>(ex.obj.p)->obj
            && static_cast<Cell *>(ex.obj.p)->obj->scriptOwned()) {
            Object *o = static_cast<Cell *>(ex.obj.p)->obj;
            owned.erase(o);
            delete o;
        }
    } catch (TerminateSignal &) {
        runErr.message = QStringLiteral("Terminated");
        runErr.exceptionClass = QStringLiteral("ETerminated");
        if (cur)
            runErr.pos = toSource(*cur);
        st = Status::Terminated;
    } catch (std::bad_alloc &) {
        runErr.message = QStringLiteral("Out of memory");
        runErr.exceptionClass = QStringLiteral("EOutOfMemory");
        st = Status::Error;
    } catch (std::exception &ex) {
        runErr.message = QString::fromUtf8(ex.what());
        runErr.exceptionClass = QStringLiteral("Exception");
        st = Status::Error;
    } catch (...) {
        runErr.message = QStringLiteral("Unknown host error");
        runErr.exceptionClass = QStringLiteral("Exception");
        st = Status::Error;
    }
    while (sp > savedSp)
        *--sp = Value();
    depth = savedDepth;
    handling.clear();
    cur = nullptr;
    isRunning = false;
    terminateReq = false;
    return st;
}

// ---------------------------------------------------------------- Engine

Engine::Engine()
    : d_(new EngineImpl(this))
{
    registerClassLib(*this);
    registerStdlib(d_);
}

Engine::~Engine()
{
    delete d_;
}

void Engine::addFunction(const QString &decl, HostFn fn)
{
    d_->hostDirty = true;
    HostFunc h;
    h.decl = decl;
    h.fn = std::move(fn);
    d_->hostFns.push_back(std::move(h));
}

void Engine::addConstant(const QString &name, const Value &v, const QString &type)
{
    d_->hostDirty = true;
    HostVar h;
    h.name = name;
    h.typeName = type;
    h.init = v;
    h.isConst = true;
    d_->hostVars.push_back(h);
}

void Engine::addVariable(const QString &name, const QString &type, const Value &init)
{
    d_->hostDirty = true;
    HostVar h;
    h.name = name;
    h.typeName = type.isEmpty() ? QStringLiteral("Variant") : type;
    h.init = init;
    d_->hostVars.push_back(h);
}

void Engine::addObject(const QString &name, const QString &className, Object *obj)
{
    d_->hostDirty = true;
    if (ClassInfo *c = d_->hostClassIndex.value(className.toLower()))
        obj->setScriptClass(c);
    HostVar h;
    h.name = name;
    h.typeName = className;
    h.object = obj;
    h.init = Value::object(obj);
    d_->hostVars.push_back(h);
}

void Engine::addDispatch(const QString &name, std::shared_ptr<IDynamicObject> obj)
{
    addVariable(name, QStringLiteral("Variant"), Value::dispatch(std::move(obj)));
}

ClassBuilder Engine::addClass(const QString &name, const QString &parent)
{
    d_->hostDirty = true;
    QString l = name.toLower();
    ClassInfo *c = d_->hostClassIndex.value(l);
    if (!c) {
        auto ci = std::make_unique<ClassInfo>();
        c = ci.get();
        c->name = name;
        c->host = true;
        c->type = d_->newHostType(TK::Class, name);
        c->type->cls = c;
        c->refType = d_->newHostType(TK::ClassRef, name);
        c->refType->cls = c;
        d_->hostClasses.push_back(std::move(ci));
        d_->hostClassIndex.insert(l, c);
        d_->hostTypeIndex.insert(l, c->type);
    }
    if (!parent.isEmpty() && l != QLatin1String("tobject"))
        c->parent = d_->hostClassIndex.value(parent.toLower());
    return ClassBuilder(*this, c);
}

void Engine::addEnum(const QString &typeName, const QStringList &members)
{
    d_->hostDirty = true;
    Type *t = d_->newHostType(TK::Enum, typeName);
    t->enumNames = members;
    t->lo = 0;
    t->hi = members.size() - 1;
    d_->hostTypeIndex.insert(typeName.toLower(), t);
    for (int i = 0; i < members.size(); ++i)
        d_->hostConsts.insert(members[i].toLower(), {Value(int64_t(i)), t});
}

void Engine::addSet(const QString &typeName, const QString &enumName)
{
    d_->hostDirty = true;
    Type *t = d_->newHostType(TK::Set, typeName);
    t->elem = d_->hostTypeIndex.value(enumName.toLower(), d_->tInt);
    d_->hostTypeIndex.insert(typeName.toLower(), t);
}

void Engine::setUnitLoader(std::function<std::optional<QString>(const QString &)> loader)
{
    d_->unitLoader = std::move(loader);
}

void Engine::setLimits(const Limits &limits)
{
    d_->limits = limits;
}

const Limits &Engine::limits() const
{
    return d_->limits;
}

void Engine::setOutput(std::function<void(const QString &)> out)
{
    d_->output = std::move(out);
}

static void declareHostItems(EngineImpl *d, Compiler &comp, Program *p)
{
    using Sym = Compiler::Sym;
    d->hostSyms.clear();
    struct Recorder
    {
        EngineImpl *d;
        Compiler &comp;
        void declareHost(const QString &name, const Sym &s)
        {
            comp.declareHost(name, s);
            Sym h = s;
            h.host = true;
            d->hostSyms.emplace_back(name.toLower(), h);
        }
    } rec{d, comp};
    for (auto it = d->hostTypeIndex.begin(); it != d->hostTypeIndex.end(); ++it) {
        Sym s;
        s.kind = Sym::TypeSym;
        s.type = it.value();
        rec.declareHost(it.key(), s);
    }
    for (auto it = d->hostConsts.begin(); it != d->hostConsts.end(); ++it) {
        Sym s;
        s.kind = Sym::Const;
        s.cval = it.value().first;
        s.type = it.value().second;
        rec.declareHost(it.key(), s);
    }
    for (auto &hv : d->hostVars) {
        Sym s;
        Type *t = d->tVariant;
        if (!hv.typeName.isEmpty()) {
            try {
                t = comp.parseHostType(hv.typeName);
            } catch (CompileFailure &f) {
                throw CompileFailure{
                        QStringLiteral("%1 (type of host item '%2')").arg(f.message, hv.name),
                        Pos{}};
            }
        } else {
            switch (hv.init.t) {
            case VType::Int:
                t = d->tInt;
                break;
            case VType::Float:
                t = d->tFloat;
                break;
            case VType::String:
                t = d->tString;
                break;
            case VType::Bool:
                t = d->tBool;
                break;
            case VType::Date:
                t = d->tDate;
                break;
            default:
                break;
            }
        }
        if (hv.isConst && !hv.typeName.isEmpty() && t->k == TK::Variant) {
            // "constants" typed Variant (a null or a number): read-only variables
        }
        if (hv.isConst && t->k != TK::Variant && t->k != TK::Class) {
            s.kind = Sym::Const;
            s.type = t;
            s.cval = coerceValue(d, hv.init, t);
        } else {
            s.kind = Sym::Var;
            s.type = t;
            s.global = true;
            s.slot = int(p->globals.size());
            p->globals.push_back(t->k == TK::Variant || t->k == TK::Class
                                         ? hv.init
                                         : coerceValue(d, hv.init, t));
            p->globalTypes.push_back(t);
            p->globalIndex.insert(hv.name.toLower(), s.slot);
        }
        hv.type = t;
        hv.slot = s.kind == Sym::Var ? s.slot : -1;
        rec.declareHost(hv.name, s);
    }
    // host class members, parsed afresh: their types live in this program
    for (auto &c : d->hostClasses) {
        c->methods.clear();
        c->props.clear();
        c->ownedRoutines.clear();
        c->ownedProps.clear();
        for (auto &m : c->pending) {
            try {
                if (m.kind == ClassInfo::Pending::Prop) {
                    auto pi = comp.parseHostProperty(m.decl);
                    pi->hostGet = m.get;
                    pi->hostSet = m.set;
                    c->props.insert(pi->name.toLower(), pi.get());
                    c->ownedProps.push_back(std::move(pi));
                } else {
                    auto r = comp.parseHostRoutine(m.decl, c.get());
                    r->hostMethod = m.fn;
                    if (m.kind == ClassInfo::Pending::Ctor) {
                        r->isCtor = true;
                        if (!m.fn)
                            r->hostMethod = [](Object &, Args &) { return Value(); };
                    }
                    c->methods.insert(r->name.toLower(), r.get());
                    c->ownedRoutines.push_back(std::move(r));
                }
            } catch (CompileFailure &f) {
                throw CompileFailure{QStringLiteral("%1 in declaration '%2' of class %3")
                                             .arg(f.message, m.decl, c->name),
                                     Pos{}};
            }
        }
    }
    for (auto &h : d->hostFns) {
        try {
            h.routine = comp.parseHostRoutine(h.decl, nullptr);
        } catch (CompileFailure &f) {
            throw CompileFailure{QStringLiteral("%1 in declaration '%2'").arg(f.message, h.decl),
                                 Pos{}};
        }
        h.routine->host = h.fn;
        Sym s;
        s.kind = Sym::Func;
        s.r = h.routine.get();
        rec.declareHost(h.routine->name, s);
    }
}

void EngineImpl::rebuildHost()
{
    hostProg = std::make_unique<Program>();
    Compiler hc(this, hostProg.get());
    declareHostItems(this, hc, hostProg.get());
    hostDirty = false;
}

bool Engine::compile(const QString &source, const QString &unitName)
{
    if (d_->isRunning) {
        d_->compileErr = ScriptError{QStringLiteral("The engine is running"), {}, {}};
        return false;
    }
    d_->resetProgram();
    d_->compileErr = ScriptError();
    d_->units = QStringList{QString(), unitName};
    auto prog = std::make_unique<Program>();
    d_->prog = std::move(prog);
    Program *p = d_->prog.get();
    try {
        if (d_->hostDirty)
            d_->rebuildHost();
        // host variables take the first global slots, with their current values
        p->globals = d_->hostProg->globals;
        p->globalTypes = d_->hostProg->globalTypes;
        p->globalIndex = d_->hostProg->globalIndex;
        for (auto &hv : d_->hostVars)
            if (hv.slot >= 0)
                p->globals[size_t(hv.slot)] = hv.type->k == TK::Variant || hv.type->k == TK::Class
                                                      ? hv.init
                                                      : coerceValue(d_, hv.init, hv.type);
        Compiler comp(d_, p);
        for (auto &[name, sym] : d_->hostSyms)
            comp.declareHost(name, sym);
        comp.compileProgram(source, 1);
        for (auto &r : p->routines)
            if (!r->defined)
                throw CompileFailure{
                        QStringLiteral("Unsatisfied forward or external declaration: '%1'")
                                .arg(r->name),
                        r->pos};
        for (auto &c : p->classes)
            for (auto &r : c->ownedRoutines)
                if (!r->defined)
                    throw CompileFailure{
                            QStringLiteral("Unsatisfied forward or external declaration: '%1.%2'")
                                    .arg(c->name, r->name),
                            r->pos};
        // script globals by name, for getVariable/setVariable
        return true;
    } catch (CompileFailure &f) {
        d_->compileErr.message = f.message;
        d_->compileErr.pos = d_->toSource(f.pos);
        if (!d_->hostProg || d_->hostDirty)
            d_->hostProg.reset();
        if (f.pos.unit == 1)
            d_->compileErr.pos.unit = unitName;
        d_->prog.reset();
        return false;
    } catch (ScriptException &ex) {
        d_->compileErr.message = ex.msg;
        d_->prog.reset();
        return false;
    } catch (std::bad_alloc &) {
        d_->compileErr.message = QStringLiteral("Out of memory");
        d_->prog.reset();
        return false;
    }
}

bool Engine::compileFile(const QString &fileName)
{
    bool ok = false;
    QString text = readScriptFile(fileName, &ok);
    if (!ok) {
        d_->compileErr = ScriptError{
                QStringLiteral("Cannot read the script file %1").arg(fileName), {}, {}};
        return false;
    }
    return compile(text, fileName);
}

const ScriptError &Engine::compileError() const
{
    return d_->compileErr;
}

static void runBlock(EngineImpl *d, Stmt *body, int nLocals)
{
    Value *base = d->sp;
    if (base + nLocals > d->stackEnd)
        d->raise(QStringLiteral("EStackOverflow"), QStringLiteral("Stack overflow"));
    d->sp += nLocals;
    d->depth++;
    FrameGuard g{d, base, size_t(nLocals)};
    Frame f{base, nullptr, nullptr};
    Ctx c{d, &f};
    body->exec(c);
}

Status Engine::runMain()
{
    if (d_->isRunning)
        return Status::Busy;
    if (!d_->prog) {
        d_->runErr = ScriptError{QStringLiteral("The script is not compiled"), {}, {}};
        return Status::Error;
    }
    Program *p = d_->prog.get();
    return d_->runGuarded([&] {
        for (auto &u : p->inits)
            runBlock(d_, u.init, p->mainLocals);
        if (p->main)
            runBlock(d_, p->main, p->mainLocals);
    });
}

Status Engine::call(const QString &name, std::span<const Value> args, Value *result)
{
    if (d_->isRunning)
        return Status::Busy;
    Routine *r = d_->prog ? d_->prog->functions.value(name.toLower()) : nullptr;
    if (!r) {
        d_->runErr = ScriptError{
                QStringLiteral("Function '%1' is not defined in the script").arg(name),
                QStringLiteral("Exception"),
                {}};
        return Status::Error;
    }
    return d_->runGuarded([&] {
        Value v = d_->callValues(r, args, nullptr);
        if (result)
            *result = v;
    });
}

bool Engine::hasFunction(const QString &name) const
{
    return d_->prog && d_->prog->functions.contains(name.toLower());
}

const ScriptError &Engine::runtimeError() const
{
    return d_->runErr;
}

Value Engine::getVariable(const QString &name) const
{
    if (d_->prog) {
        auto it = d_->prog->globalIndex.find(name.toLower());
        if (it != d_->prog->globalIndex.end())
            return d_->prog->globals[size_t(*it)];
    }
    for (auto &h : d_->hostVars)
        if (h.name.compare(name, Qt::CaseInsensitive) == 0)
            return h.init;
    return {};
}

bool Engine::setVariable(const QString &name, const Value &v)
{
    bool found = false;
    for (auto &h : d_->hostVars)
        if (h.name.compare(name, Qt::CaseInsensitive) == 0 && !h.isConst) {
            h.init = v;
            found = true;
        }
    if (d_->prog) {
        auto it = d_->prog->globalIndex.find(name.toLower());
        if (it != d_->prog->globalIndex.end()) {
            try {
                d_->prog->globals[size_t(*it)]
                        = coerceValue(d_, v, d_->prog->globalTypes[size_t(*it)]);
            } catch (ScriptException &) {
                return false;
            }
            return true;
        }
    }
    return found;
}

Value Engine::fireEvent(const Value &handler, std::span<const Value> args)
{
    if (handler.t != VType::Proc || !handler.p)
        return {};
    auto *pb = static_cast<ProcBox *>(handler.p);
    Cell *self = pb->self.t == VType::Object ? static_cast<Cell *>(pb->self.p) : nullptr;
    if (d_->isRunning)
        return d_->callValues(pb->routine, args, self); // exceptions go back to the caller
    Value result;
    Value hold = handler;
    Status st = d_->runGuarded([&] { result = d_->callValues(pb->routine, args, self); });
    (void)st;
    return result;
}

void Engine::setLineCallback(std::function<void(const SourcePos &)> fn)
{
    d_->lineCb = std::move(fn);
    d_->slow = bool(d_->lineCb) || d_->terminateReq;
}

void Engine::terminate()
{
    if (d_->isRunning) {
        d_->terminateReq = true;
        d_->slow = true;
    }
}

bool Engine::running() const
{
    return d_->isRunning;
}

ClassInfo *Engine::classInfo(const QString &name) const
{
    return d_->findClass(name);
}

Value Engine::adopt(Object *obj, const QString &className)
{
    if (!obj)
        return Value::nil();
    if (ClassInfo *c = d_->findClass(className))
        obj->setScriptClass(c);
    obj->scriptOwned_ = true;
    d_->owned.insert(obj);
    return Value::object(obj);
}

Value Engine::wrap(Object *obj, const QString &className)
{
    if (!obj)
        return Value::nil();
    if (!obj->scriptClass() || !className.isEmpty())
        if (ClassInfo *c = d_->findClass(className))
            obj->setScriptClass(c);
    return Value::object(obj);
}

// ---------------------------------------------------------------- ClassBuilder

ClassBuilder &ClassBuilder::factory(FactoryFn fn)
{
    cls_->factory = std::move(fn);
    return *this;
}

ClassBuilder &ClassBuilder::constructor(const QString &decl, MethodFn init)
{
    engine_.impl()->hostDirty = true;
    cls_->pending.push_back({ClassInfo::Pending::Ctor, decl, std::move(init), {}, {}});
    return *this;
}

ClassBuilder &ClassBuilder::method(const QString &decl, MethodFn fn)
{
    engine_.impl()->hostDirty = true;
    cls_->pending.push_back({ClassInfo::Pending::Method, decl, std::move(fn), {}, {}});
    return *this;
}

ClassBuilder &ClassBuilder::property(const QString &decl, GetterFn get, SetterFn set)
{
    engine_.impl()->hostDirty = true;
    cls_->pending.push_back({ClassInfo::Pending::Prop, decl, {}, std::move(get), std::move(set)});
    return *this;
}

ClassBuilder &ClassBuilder::event(const QString &name, const QString &)
{
    engine_.impl()->hostDirty = true;
    cls_->events.insert(name.toLower());
    return *this;
}

// ---------------------------------------------------------------- files

static QString decode1251(const QByteArray &b)
{
    static const char16_t hi[128] = {
            0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
            0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
            0x2013, 0x2014, 0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
            0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
            0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
            0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};
    QString s;
    s.reserve(b.size());
    for (char ch : b) {
        auto u = uchar(ch);
        if (u < 0x80)
            s += QChar(u);
        else if (u >= 0xC0)
            s += QChar(char16_t(0x0410 + (u - 0xC0)));
        else
            s += QChar(hi[u - 0x80]);
    }
    return s;
}

QString readScriptFile(const QString &fileName, bool *ok)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) {
        if (ok)
            *ok = false;
        return {};
    }
    QByteArray b = f.readAll();
    if (ok)
        *ok = true;
    if (b.startsWith("\xEF\xBB\xBF"))
        b.remove(0, 3);
    QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = dec.decode(b);
    if (!dec.hasError())
        return s;
    return decode1251(b);
}

} // namespace script
