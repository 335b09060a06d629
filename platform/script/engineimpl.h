#pragma once

#include "program.h"

namespace script {

struct HostFunc
{
    QString decl;
    HostFn fn;
    bool system = false; // standard library: host registrations shadow it
    std::unique_ptr<Routine> routine;
};

struct HostVar
{
    QString name;
    QString typeName;
    Value init;
    bool isConst = false;
    Object *object = nullptr; // a named host object
    int slot = -1;            // its global slot in every compiled program
    Type *type = nullptr;
};

class EngineImpl
{
public:
    explicit EngineImpl(Engine *p);
    ~EngineImpl();

    Engine *pub;
    Limits limits;

    // Registrations (they outlive compiles).
    std::vector<HostFunc> hostFns;
    std::vector<HostVar> hostVars;
    std::vector<std::unique_ptr<ClassInfo>> hostClasses;
    QHash<QString, ClassInfo *> hostClassIndex;
    std::vector<std::unique_ptr<Type>> hostTypes;
    QHash<QString, Type *> hostTypeIndex;
    QHash<QString, std::pair<Value, Type *>> hostConsts;
    std::function<std::optional<QString>(const QString &)> unitLoader;
    std::function<void(const QString &)> output;
    std::function<void(const SourcePos &)> lineCb;

    Type *tInt, *tFloat, *tBool, *tString, *tChar, *tDate, *tVariant, *tNil, *tProc, *tVoid,
            *tArrayOfVariant;

    // Host declarations parsed once per set of registrations, shared by every compile.
    std::unique_ptr<Program> hostProg;
    std::vector<std::pair<QString, Symbol>> hostSyms;
    bool hostDirty = true;
    void rebuildHost();

    std::unique_ptr<Program> prog;
    ScriptError compileErr;
    ScriptError runErr;
    QStringList units;

    // Run state.
    std::unique_ptr<Value[]> stack;
    size_t stackSize = 0;
    Value *sp = nullptr;
    Value *stackEnd = nullptr;
    int depth = 0;
    const char *stackBase = nullptr; // C++ stack position where the outermost run started
    bool isRunning = false;
    bool terminateReq = false;
    bool slow = false; // a line callback is set or termination is requested
    const Pos *cur = nullptr;
    std::unordered_set<Object *> owned;
    std::vector<ScriptException *> handling; // exceptions whose handlers are running

    Type *newHostType(TK k, const QString &name);
    ClassInfo *findClass(const QString &name) const;
    void resetProgram();
    void freeOwnedObjects();

    SourcePos toSource(const Pos &p) const;
    [[noreturn]] void raise(const QString &cls, const QString &msg);
    Value materialize(ScriptException &ex);
    ScriptError toError(ScriptException &ex);
    void onStmt(const Pos &p);

    // Raises EStackOverflow before the interpreter's own recursion exhausts the C++ stack.
    void checkNativeStack()
    {
        auto *probe = static_cast<const char *>(__builtin_frame_address(0));
        if (stackBase && size_t(stackBase - probe) > limits.maxNativeStack)
            raise(QStringLiteral("EStackOverflow"), QStringLiteral("Stack overflow"));
    }

    Value newObject(ClassInfo *cls);
    void freeObject(const Value &v);
    Object *live(const Value &v, const QString &member); // raises on nil or a freed object

    // Calls a routine with evaluated arguments (host-side entry and events).
    Value callValues(const Routine *r, std::span<const Value> args, Cell *self);
    Value callHostRoutine(const Routine *r, std::span<Value> args, Object *self);
    Status runGuarded(const std::function<void()> &fn);
    void out(const QString &s)
    {
        if (output)
            output(s);
    }
};

// Every call into host code runs inside this boundary: no C++ exception crosses into the
// interpreter except script exceptions and termination.
template<class F>
auto hostBoundary(EngineImpl *e, F &&fn) -> decltype(fn())
{
    try {
        return fn();
    } catch (ScriptException &) {
        throw;
    } catch (TerminateSignal &) {
        throw;
    } catch (ScriptAbort &) {
        e->raise(QStringLiteral("EAbort"), QStringLiteral("Operation aborted"));
    } catch (std::bad_alloc &) {
        e->raise(QStringLiteral("EOutOfMemory"), QStringLiteral("Out of memory"));
    } catch (std::exception &ex) {
        e->raise(QStringLiteral("Exception"), QString::fromUtf8(ex.what()));
    } catch (...) {
        e->raise(QStringLiteral("Exception"), QStringLiteral("Unknown host error"));
    }
}

void registerStdlib(EngineImpl *e);
void registerClassLib(Engine &e);

Value initialValue(const Type *t);
Value coerceValue(EngineImpl *e, const Value &v, const Type *t);

} // namespace script
