#pragma once

#include "lexer.h"
#include "nodes.h"

namespace script {

// One-pass compiler: parses script text and builds the executable tree with static types,
// resolving every name to a slot, a field index or a routine.
class Compiler
{
public:
    Compiler(EngineImpl *e, Program *p);
    ~Compiler();

    // Compiles the main text (and the units it uses) into the program.
    void compileProgram(const QString &src, int unit);

    // Host declarations: "function F(const A: string; B: Integer = 1): Boolean".
    std::unique_ptr<Routine> parseHostRoutine(const QString &decl, ClassInfo *ofClass);
    std::unique_ptr<PropInfo> parseHostProperty(const QString &decl);
    Type *parseHostType(const QString &name);

    using Sym = Symbol;
    void declareHost(const QString &name, const Sym &s);

private:
    struct Scope
    {
        QHash<QString, Sym> syms;
    };
    struct FuncCtx
    {
        Routine *r = nullptr; // nullptr: the main block
        int level = 0;
        int nextSlot = 0;
        std::vector<Type *> localTypes;
        ClassInfo *cls = nullptr;
        int loops = 0;
        int excepts = 0;
    };
    struct WithEntry
    {
        Type *type;
        int slot;
        int level;
    };
    // A name resolved in an expression, before calls and members are applied.
    struct Operand
    {
        enum Kind { Val, TypeRef, Func, Method, BuiltinFn, Ctor } kind = Val;
        Expr *e = nullptr;
        Type *t = nullptr;
        Routine *r = nullptr;
        Builtin b = Builtin::Length;
        Expr *obj = nullptr; // Method: the object, nullptr for Self
        bool inherited = false;
        ClassInfo *cls = nullptr;
        QString name;
        Pos pos;
    };

    // tokens
    void next();
    const Token &peekTok();
    bool accept(const char *sym);
    bool acceptKw(const char *kw);
    void expect(const char *sym);
    void expectKw(const char *kw);
    QString expectIdent();
    [[noreturn]] void fail(const QString &msg);
    [[noreturn]] void failAt(const Pos &p, const QString &msg);
    [[noreturn]] void expected(const QString &what);
    QString tokText(const Token &t) const;
    bool isReserved(const QString &lower) const;

    // scopes and symbols
    void pushScope() { scopes_.emplace_back(); }
    void popScope() { scopes_.pop_back(); }
    void declare(const QString &name, const Sym &s, const Pos &at);
    const Sym *lookup(const QString &lower, int *scopeIndex = nullptr) const;
    FuncCtx &fn() { return funcs_.back(); }
    int allocLocal(Type *t);
    int allocGlobal(Type *t, const Value &init);
    Expr *varExpr(const Sym &s, const Pos &at);

    // types
    Type *mkType(TK k, const QString &name = {});
    Type *parseType(const QString &name = {});
    Type *namedType(const QString &lower) const;
    Type *arrayOf(Type *elem);
    void parseClassBody(ClassInfo *cls);
    QString typeName(const Type *t) const;

    // declarations
    void parseUses();
    void parseDeclarations(bool topLevel);
    void parseConstSection();
    void parseTypeSection();
    void parseVarSection(bool topLevel);
    void parseRoutine(bool topLevel);
    std::vector<Param> parseParams();
    void parseRoutineBody(Routine *r, ClassInfo *cls);
    void finishRoutine(Routine *r, FuncCtx &fc);
    void compileUnit(const QString &src, int unit, bool isMain);

    // statements
    Stmt *parseStatement();
    Block *parseBlock(); // begin ... end
    Block *parseStmtList(std::initializer_list<const char *> terminators);
    Stmt *parseIf();
    Stmt *parseWhile();
    Stmt *parseRepeat();
    Stmt *parseFor();
    Stmt *parseCase();
    Stmt *parseTry();
    Stmt *parseWith();
    Stmt *parseRaise();
    Stmt *parseExit();
    Stmt *parseInherited();
    Stmt *makeAssign(Expr *lhs, Expr *rhs, const Pos &at);

    // expressions
    Expr *parseExpr();
    Expr *parseSimple();
    Expr *parseTerm();
    Expr *parseFactor();
    Expr *parseDesignator();
    Operand parseIdentOperand();
    Operand resolveIdent(const QString &name, const Pos &at);
    Operand memberOf(Operand &op, const QString &name, const Pos &at);
    Operand classMember(Expr *obj, ClassInfo *cls, const QString &name, const Pos &at);
    Expr *finish(Operand &op, const Pos &at);
    Expr *callOperand(Operand &op, const Pos &at, bool withParens);
    std::vector<Expr *> parseArgs(const std::vector<Param> *params,
                                  const QString &name,
                                  const Pos &at,
                                  bool withParens,
                                  size_t skip = 0);
    Expr *parseBuiltin(Operand &op, const Pos &at, bool withParens);
    Expr *indexExpr(Expr *base, const Pos &at);
    Expr *coerce(Expr *e, Type *t, const Pos &at);
    Expr *binary(const QString &op, Expr *l, Expr *r, const Pos &at);
    Expr *constant(const Value &v, Type *t, const Pos &at);
    Value evalConst(Expr *e, const Pos &at);
    Expr *parseConstExpr();
    Type *typeOfValue(const Value &v);

    template<class T>
    T *node(const Pos &at, Type *t = nullptr)
    {
        T *n = p_->make<T>();
        n->pos = at;
        if constexpr (std::is_base_of_v<Expr, T>)
            n->type = t;
        return n;
    }

    EngineImpl *e_;
    Program *p_;
    std::unique_ptr<Lexer> lex_;
    Token tok_;
    Token peek_;
    bool hasPeek_ = false;
    std::vector<Scope> scopes_;
    std::vector<FuncCtx> funcs_;
    std::vector<WithEntry> withs_;
    QStringList unitStack_;
    QSet<QString> unitsDone_;
    int depth_ = 0;
    bool constExpr_ = false;
    friend struct DepthGuard;
};

} // namespace script
