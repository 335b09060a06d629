#pragma once

#include "dynamicobject.h"
#include "object.h"
#include "value.h"

#include <QStringList>

#include <functional>
#include <optional>
#include <span>

namespace script {

class Engine;

struct VELMSCRIPT_EXPORT SourcePos
{
    QString unit; // file name of the unit, empty for the main script text
    int line = 0;
    int col = 0;
    bool valid() const { return line > 0; }
    QString text() const; // "line:col"
};

struct VELMSCRIPT_EXPORT ScriptError
{
    QString message;
    QString exceptionClass;
    SourcePos pos;
    QString text() const; // message with unit and position, for logs and the runner
};

// Thrown by host callbacks to end the script silently (the script's Abort does the same).
struct VELMSCRIPT_EXPORT ScriptAbort
{};

struct VELMSCRIPT_EXPORT Limits
{
    int maxCallDepth = 1000;
    int maxParseDepth = 256;
    qsizetype maxStringLength = qsizetype(1) << 27;
    size_t maxNativeStack = size_t(4) << 20; // bytes of the C++ stack a run may use
    qsizetype maxArrayLength = qsizetype(1) << 26;
};

enum class Status { Ok, Error, Aborted, Terminated, Busy };

// Arguments of a host callback, defaults filled in. Var parameters are written back after
// the call returns.
class VELMSCRIPT_EXPORT Args
{
public:
    Args(Engine &e, std::span<Value> v)
        : engine(e)
        , values(v)
    {}
    Value &operator[](size_t i) { return values[i]; }
    const Value &operator[](size_t i) const { return values[i]; }
    size_t size() const { return values.size(); }
    Engine &engine;
    std::span<Value> values;
};

using HostFn = std::function<Value(Args &)>;
using MethodFn = std::function<Value(Object &self, Args &)>;
using GetterFn = std::function<Value(Object &self, Args &index)>;
using SetterFn = std::function<void(Object &self, Args &index, const Value &v)>;
using FactoryFn = std::function<Object *()>;

// Registers the members of a host class. Declarations are Pascal text:
// "function FN(const FieldName: string): TField", "property Items[I: Integer]: TField; default".
class VELMSCRIPT_EXPORT ClassBuilder
{
public:
    ClassBuilder(Engine &e, ClassInfo *c)
        : engine_(e)
        , cls_(c)
    {}
    ClassBuilder &factory(FactoryFn fn); // how a script-created instance comes to life
    ClassBuilder &constructor(const QString &decl, MethodFn init = {});
    ClassBuilder &method(const QString &decl, MethodFn fn);
    ClassBuilder &property(const QString &decl, GetterFn get, SetterFn set = {});
    ClassBuilder &event(const QString &name, const QString &signature = {});
    ClassInfo *info() const { return cls_; }

private:
    Engine &engine_;
    ClassInfo *cls_;
};

class EngineImpl;

class VELMSCRIPT_EXPORT Engine
{
public:
    Engine();
    ~Engine();
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;

    // Registration, before compiling. Host registrations shadow the standard library.
    void addFunction(const QString &pascalDecl, HostFn fn);
    void addConstant(const QString &name, const Value &v, const QString &type = {});
    void addVariable(const QString &name, const QString &type, const Value &init = {});
    void addObject(const QString &name, const QString &className, Object *obj);
    void addDispatch(const QString &name, std::shared_ptr<IDynamicObject> obj);
    ClassBuilder addClass(const QString &name, const QString &parent = QStringLiteral("TObject"));
    void addEnum(const QString &typeName, const QStringList &members);
    void addSet(const QString &typeName, const QString &enumName);
    void setUnitLoader(std::function<std::optional<QString>(const QString &name)> loader);
    void setLimits(const Limits &limits);
    const Limits &limits() const;
    void setOutput(std::function<void(const QString &)> out); // Write/WriteLn

    // Text and compile. The unit name appears in error positions.
    bool compile(const QString &source, const QString &unitName = {});
    bool compileFile(const QString &fileName);
    const ScriptError &compileError() const;

    // Running. A running engine refuses runMain/call with Status::Busy.
    Status runMain();
    Status call(const QString &name, std::span<const Value> args = {}, Value *result = nullptr);
    Status call(const QString &name, std::initializer_list<Value> args, Value *result = nullptr)
    {
        return call(name, std::span<const Value>(args.begin(), args.size()), result);
    }
    bool hasFunction(const QString &name) const;
    const ScriptError &runtimeError() const;
    Value getVariable(const QString &name) const;
    bool setVariable(const QString &name, const Value &v);

    // Calls a script handler (a value taken from Object::handler). Inside a run, a script
    // exception of the handler propagates to the host code that fired the event and on into
    // the script; outside a run it is reported like call().
    Value fireEvent(const Value &handler, std::span<const Value> args);

    void setLineCallback(std::function<void(const SourcePos &)> fn);
    void terminate();
    bool running() const;

    ClassInfo *classInfo(const QString &name) const;
    // Wraps a new host object owned by the script (freed by Free or with the engine).
    Value adopt(Object *obj, const QString &className);
    // Makes a value for a host object the host keeps owning.
    Value wrap(Object *obj, const QString &className);

    EngineImpl *impl() const { return d_; }

private:
    EngineImpl *d_;
};

VELMSCRIPT_EXPORT QString readScriptFile(const QString &fileName, bool *ok = nullptr);

} // namespace script
