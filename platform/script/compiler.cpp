#include "compiler.h"

#include <QDir>
#include <QFileInfo>

namespace script {

struct DepthGuard
{
    Compiler *c;
    explicit DepthGuard(Compiler *cc)
        : c(cc)
    {
        if (++c->depth_ > c->e_->limits.maxParseDepth)
            c->fail(QStringLiteral("Nesting too deep"));
    }
    ~DepthGuard() { --c->depth_; }
};

static const char *const reservedWords[] = {
        "and",         "array",      "as",    "begin",    "case",   "class",     "const",
        "constructor", "destructor", "div",   "do",       "downto", "else",      "end",
        "except",      "finally",    "for",   "function", "if",     "in",        "inherited",
        "is",          "mod",        "nil",   "not",      "of",     "or",        "procedure",
        "program",     "property",   "raise", "record",   "repeat", "set",       "shl",
        "shr",         "then",       "to",    "try",      "type",   "until",     "uses",
        "var",         "while",      "with",  "xor",      "unit",   "interface", "implementation",
        "out"};

Compiler::Compiler(EngineImpl *e, Program *p)
    : e_(e)
    , p_(p)
{
    scopes_.emplace_back();
    funcs_.emplace_back();
}

Compiler::~Compiler() = default;

// ---------------------------------------------------------------- tokens

void Compiler::next()
{
    if (hasPeek_) {
        tok_ = peek_;
        hasPeek_ = false;
    } else {
        tok_ = lex_->next();
    }
}

const Token &Compiler::peekTok()
{
    if (!hasPeek_) {
        peek_ = lex_->next();
        hasPeek_ = true;
    }
    return peek_;
}

bool Compiler::accept(const char *sym)
{
    if (tok_.is(sym)) {
        next();
        return true;
    }
    return false;
}

bool Compiler::acceptKw(const char *kw)
{
    if (tok_.kw(kw)) {
        next();
        return true;
    }
    return false;
}

QString Compiler::tokText(const Token &t) const
{
    switch (t.kind) {
    case Tok::End:
        return QStringLiteral("end of file");
    case Tok::Ident:
        return isReserved(t.lower) ? QStringLiteral("'%1'").arg(t.lower)
                                   : QStringLiteral("identifier '%1'").arg(t.text);
    case Tok::Int:
    case Tok::Float:
        return QStringLiteral("number");
    case Tok::Str:
        return QStringLiteral("string constant");
    case Tok::Sym:
        return QStringLiteral("'%1'").arg(t.text);
    }
    return {};
}

void Compiler::fail(const QString &msg)
{
    throw CompileFailure{msg, tok_.pos};
}

void Compiler::failAt(const Pos &p, const QString &msg)
{
    throw CompileFailure{msg, p};
}

void Compiler::expected(const QString &what)
{
    fail(QStringLiteral("%1 expected but %2 found").arg(what, tokText(tok_)));
}

void Compiler::expect(const char *sym)
{
    if (!accept(sym))
        expected(QStringLiteral("'%1'").arg(QLatin1String(sym)));
}

void Compiler::expectKw(const char *kw)
{
    if (!acceptKw(kw))
        expected(QStringLiteral("'%1'").arg(QLatin1String(kw).toString().toUpper()));
}

bool Compiler::isReserved(const QString &lower) const
{
    for (const char *w : reservedWords)
        if (lower == QLatin1String(w))
            return true;
    return false;
}

QString Compiler::expectIdent()
{
    if (tok_.kind != Tok::Ident || isReserved(tok_.lower))
        expected(QStringLiteral("Identifier"));
    QString s = tok_.text;
    next();
    return s;
}

// ---------------------------------------------------------------- symbols

void Compiler::declare(const QString &name, const Sym &s, const Pos &at)
{
    QString l = name.toLower();
    auto &syms = scopes_.back().syms;
    auto it = syms.find(l);
    if (it != syms.end() && !it->host)
        failAt(at, QStringLiteral("Identifier redeclared: '%1'").arg(name));
    syms.insert(l, s);
}

void Compiler::declareHost(const QString &name, const Sym &s)
{
    Sym h = s;
    h.host = true;
    scopes_.front().syms.insert(name.toLower(), h);
}

const Compiler::Sym *Compiler::lookup(const QString &lower, int *scopeIndex) const
{
    for (int i = int(scopes_.size()) - 1; i >= 0; --i) {
        auto it = scopes_[size_t(i)].syms.find(lower);
        if (it != scopes_[size_t(i)].syms.end()) {
            if (scopeIndex)
                *scopeIndex = i;
            return &*it;
        }
    }
    return nullptr;
}

int Compiler::allocLocal(Type *t)
{
    FuncCtx &f = fn();
    f.localTypes.push_back(t);
    return f.nextSlot++;
}

int Compiler::allocGlobal(Type *t, const Value &init)
{
    p_->globals.push_back(init);
    p_->globalTypes.push_back(t);
    return int(p_->globals.size()) - 1;
}

Expr *Compiler::varExpr(const Sym &s, const Pos &at)
{
    if (constExpr_)
        failAt(at, QStringLiteral("Constant expression expected"));
    if (s.global) {
        auto *g = node<GlobalVar>(at, s.type);
        g->idx = s.slot;
        return g;
    }
    int cur = fn().level;
    if (s.level == cur) {
        auto *l = node<LocalVar>(at, s.type);
        l->slot = s.slot;
        l->byRef = s.byRef;
        return l;
    }
    auto *o = node<OuterVar>(at, s.type);
    o->hops = cur - s.level;
    o->slot = s.slot;
    o->byRef = s.byRef;
    return o;
}

// ---------------------------------------------------------------- types

Type *Compiler::mkType(TK k, const QString &name)
{
    auto t = std::make_unique<Type>();
    t->k = k;
    t->name = name;
    Type *raw = t.get();
    p_->types.push_back(std::move(t));
    return raw;
}

Type *Compiler::namedType(const QString &lower) const
{
    const Sym *s = lookup(lower);
    if (s && s->kind == Sym::TypeSym)
        return s->type;
    return nullptr;
}

Type *Compiler::arrayOf(Type *elem)
{
    Type *t = mkType(TK::DynArray);
    t->elem = elem;
    return t;
}

QString Compiler::typeName(const Type *t) const
{
    return t ? t->displayName() : QStringLiteral("untyped");
}

Type *Compiler::parseType(const QString &name)
{
    DepthGuard g(this);
    Pos at = tok_.pos;
    if (tok_.is("(")) { // enumeration
        next();
        Type *t = mkType(TK::Enum, name);
        int n = 0;
        do {
            Pos ip = tok_.pos;
            QString m = expectIdent();
            t->enumNames << m;
            Sym s;
            s.kind = Sym::Const;
            s.type = t;
            s.cval = Value(int64_t(n++));
            declare(m, s, ip);
        } while (accept(","));
        expect(")");
        t->lo = 0;
        t->hi = n - 1;
        return t;
    }
    if (acceptKw("array")) {
        if (accept("[")) {
            std::vector<std::pair<int64_t, int64_t>> dims;
            do {
                Expr *lo = parseConstExpr();
                int64_t l, h;
                if (accept("..")) {
                    Expr *hi = parseConstExpr();
                    l = ordinalOf(evalConst(lo, at));
                    h = ordinalOf(evalConst(hi, at));
                } else if (lo->type->k == TK::Enum || lo->type->k == TK::Bool) {
                    l = lo->type->lo;
                    h = lo->type->hi;
                } else {
                    failAt(at, QStringLiteral("'..' expected"));
                }
                if (h < l || h - l >= e_->limits.maxArrayLength)
                    failAt(at, QStringLiteral("Invalid array bounds"));
                dims.emplace_back(l, h);
            } while (accept(","));
            expect("]");
            expectKw("of");
            Type *elem = parseType();
            for (auto it = dims.rbegin(); it != dims.rend(); ++it) {
                Type *t = mkType(TK::Array);
                t->lo = it->first;
                t->hi = it->second;
                t->elem = elem;
                elem = t;
            }
            elem->name = name;
            return elem;
        }
        expectKw("of");
        if (acceptKw("const"))
            return arrayOf(e_->tVariant);
        Type *t = arrayOf(parseType());
        t->name = name;
        return t;
    }
    if (acceptKw("set")) {
        expectKw("of");
        Type *t = mkType(TK::Set, name);
        t->elem = parseType();
        return t;
    }
    if (acceptKw("record")) {
        Type *t = mkType(TK::Record, name);
        while (!tok_.kw("end")) {
            std::vector<QString> names;
            do
                names.push_back(expectIdent());
            while (accept(","));
            expect(":");
            Type *ft = parseType();
            for (auto &n : names) {
                if (t->fieldIndex(n) >= 0)
                    fail(QStringLiteral("Identifier redeclared: '%1'").arg(n));
                t->fieldNames.push_back(n);
                t->fieldTypes.push_back(ft);
            }
            if (!accept(";"))
                break;
        }
        expectKw("end");
        return t;
    }
    if (acceptKw("class")) {
        if (tok_.is(";"))
            fail(QStringLiteral("Forward class declarations are not supported"));
        auto ci = std::make_unique<ClassInfo>();
        ClassInfo *cls = ci.get();
        cls->name = name;
        cls->parent = e_->findClass(QStringLiteral("TObject"));
        if (accept("(")) {
            Pos pp = tok_.pos;
            QString pn = expectIdent();
            Type *pt = namedType(pn.toLower());
            if (!pt || pt->k != TK::Class)
                failAt(pp, QStringLiteral("Class type expected"));
            cls->parent = pt->cls;
            expect(")");
        }
        if (cls->parent) {
            cls->fieldNames = cls->parent->fieldNames;
            cls->fieldTypes = cls->parent->fieldTypes;
            cls->vtable = cls->parent->vtable;
        }
        cls->type = mkType(TK::Class, name);
        cls->type->cls = cls;
        cls->refType = mkType(TK::ClassRef, name);
        cls->refType->cls = cls;
        p_->classes.push_back(std::move(ci));
        // the class is visible inside its own body
        Sym s;
        s.kind = Sym::TypeSym;
        s.type = cls->type;
        declare(name, s, at);
        if (!tok_.is(";")) // "class(Parent);" declares a class without members
            parseClassBody(cls);
        return cls->type;
    }
    if (acceptKw("procedure") || acceptKw("function")) {
        if (tok_.is("("))
            parseParams();
        if (accept(":"))
            parseType();
        if (acceptKw("of"))
            expectKw("object");
        return e_->tProc;
    }
    if (tok_.kind == Tok::Ident && !isReserved(tok_.lower)) {
        QString n = tok_.lower;
        if (Type *t = namedType(n)) {
            next();
            if (t->k == TK::String && accept("[")) { // string[N]
                parseConstExpr();
                expect("]");
            }
            if (name.isEmpty())
                return t;
            // an alias with its own name (TColor = Integer) keeps the kind
            Type *alias = mkType(t->k, name);
            *alias = *t;
            alias->name = name;
            return alias;
        }
        const Sym *s = lookup(n);
        if (s && s->kind == Sym::Const) { // subrange of constants: Low..High
            Expr *lo = parseConstExpr();
            expect("..");
            parseConstExpr();
            return lo->type->k == TK::Enum ? lo->type : e_->tInt;
        }
        fail(QStringLiteral("Undeclared identifier: '%1'").arg(tok_.text));
    }
    if (tok_.kind == Tok::Int || tok_.is("-") || tok_.kind == Tok::Str) {
        Expr *lo = parseConstExpr();
        expect("..");
        parseConstExpr();
        return lo->type->k == TK::Char || lo->type->k == TK::String ? e_->tChar : e_->tInt;
    }
    expected(QStringLiteral("Type"));
}

void Compiler::parseClassBody(ClassInfo *cls)
{
    for (;;) {
        if (acceptKw("private") || acceptKw("protected") || acceptKw("public")
            || acceptKw("published") || acceptKw("strict"))
            continue;
        if (tok_.kw("end"))
            break;
        if (tok_.kw("procedure") || tok_.kw("function") || tok_.kw("constructor")
            || tok_.kw("destructor") || tok_.kw("class")) {
            acceptKw("class");
            QString kind = tok_.lower;
            next();
            Pos at = tok_.pos;
            auto r = std::make_unique<Routine>();
            r->name = expectIdent();
            r->pos = at;
            r->ofClass = cls;
            r->isCtor = kind == QLatin1String("constructor");
            r->isDtor = kind == QLatin1String("destructor");
            r->params = parseParams();
            if (kind == QLatin1String("function")) {
                expect(":");
                r->result = parseType();
            }
            expect(";");
            bool isOverride = false;
            for (;;) {
                if (acceptKw("virtual") || acceptKw("dynamic") || acceptKw("abstract")
                    || acceptKw("overload") || acceptKw("reintroduce")) {
                    expect(";");
                } else if (acceptKw("override")) {
                    isOverride = true;
                    expect(";");
                } else {
                    break;
                }
            }
            QString l = r->name.toLower();
            if (cls->methods.contains(l))
                failAt(at, QStringLiteral("Identifier redeclared: '%1'").arg(r->name));
            Routine *prev = cls->parent ? cls->parent->findMethod(l) : nullptr;
            if (isOverride && !r->isDtor && (!prev || prev->vslot < 0) && !(prev && prev->isHostFn))
                failAt(at, QStringLiteral("Method '%1' not found in base class").arg(r->name));
            if (prev && prev->vslot >= 0 && (isOverride || r->isDtor)) {
                r->vslot = prev->vslot;
                cls->vtable[size_t(r->vslot)] = r.get();
            } else {
                r->vslot = int(cls->vtable.size());
                cls->vtable.push_back(r.get());
            }
            cls->methods.insert(l, r.get());
            cls->ownedRoutines.push_back(std::move(r));
            continue;
        }
        if (acceptKw("property")) {
            Pos at = tok_.pos;
            auto pi = std::make_unique<PropInfo>();
            pi->name = expectIdent();
            if (accept("[")) {
                do {
                    std::vector<QString> names;
                    do
                        names.push_back(expectIdent());
                    while (accept(","));
                    expect(":");
                    Type *t = parseType();
                    for (auto &n : names)
                        pi->index.push_back(Param{n, t, PMode::Value, false, {}});
                } while (accept(";"));
                expect("]");
            }
            expect(":");
            pi->type = parseType();
            auto accessor = [&](bool read) {
                Pos ap = tok_.pos;
                QString n = expectIdent().toLower();
                int f = cls->findField(n);
                if (f >= 0) {
                    (read ? pi->readField : pi->writeField) = f;
                    return;
                }
                Routine *m = cls->findMethod(n);
                if (!m)
                    failAt(ap, QStringLiteral("Undeclared identifier: '%1'").arg(n));
                (read ? pi->reader : pi->writer) = m;
            };
            for (;;) {
                if (acceptKw("read"))
                    accessor(true);
                else if (acceptKw("write"))
                    accessor(false);
                else
                    break;
            }
            expect(";");
            if (acceptKw("default"))
                expect(";"), pi->isDefault = true;
            QString l = pi->name.toLower();
            if (cls->props.contains(l) || cls->findField(l) >= 0)
                failAt(at, QStringLiteral("Identifier redeclared: '%1'").arg(pi->name));
            cls->props.insert(l, pi.get());
            cls->ownedProps.push_back(std::move(pi));
            continue;
        }
        // fields
        std::vector<std::pair<QString, Pos>> names;
        do {
            Pos at = tok_.pos;
            names.emplace_back(expectIdent(), at);
        } while (accept(","));
        expect(":");
        Type *t = parseType();
        for (auto &[n, at] : names) {
            for (size_t i = 0; i < cls->fieldNames.size(); ++i)
                if (cls->fieldNames[i].compare(n, Qt::CaseInsensitive) == 0)
                    failAt(at, QStringLiteral("Identifier redeclared: '%1'").arg(n));
            cls->fieldNames.push_back(n);
            cls->fieldTypes.push_back(t);
        }
        expect(";");
    }
    expectKw("end");
}

// ---------------------------------------------------------------- program structure

void Compiler::compileProgram(const QString &src, int unit)
{
    try {
        compileUnit(src, unit, true);
    } catch (ScriptException &ex) {
        throw CompileFailure{ex.msg, tok_.pos};
    }
    p_->mainLocals = funcs_.front().nextSlot;
}

void Compiler::compileUnit(const QString &src, int unit, bool isMain)
{
    DepthGuard g(this);
    auto savedLex = std::move(lex_);
    Token savedTok = tok_;
    Token savedPeek = peek_;
    bool savedHas = hasPeek_;
    lex_ = std::make_unique<Lexer>(src, unit);
    hasPeek_ = false;
    next();
    if (acceptKw("program") || acceptKw("unit")) {
        expectIdent();
        expect(";");
    }
    acceptKw("interface");
    if (tok_.kw("uses"))
        parseUses();
    parseDeclarations(true);
    Stmt *body = nullptr;
    if (tok_.kw("begin")) {
        body = parseBlock();
        expect(".");
    } else if (acceptKw("end")) {
        expect(".");
    } else if (tok_.kind != Tok::End || isMain) {
        if (tok_.kind == Tok::End)
            expected(QStringLiteral("'BEGIN'"));
        expected(QStringLiteral("'BEGIN'"));
    }
    if (tok_.kind != Tok::End && isMain)
        fail(QStringLiteral("Text after the end of the program"));
    if (isMain)
        p_->main = body;
    else if (body)
        p_->inits.push_back(UnitInfo{e_->units.value(unit), body, 0});
    lex_ = std::move(savedLex);
    tok_ = savedTok;
    peek_ = savedPeek;
    hasPeek_ = savedHas;
}

void Compiler::parseUses()
{
    next();
    do {
        Pos at = tok_.pos;
        QString name;
        if (tok_.kind == Tok::Str) {
            name = tok_.text;
            next();
        } else {
            name = expectIdent() + QStringLiteral(".pas");
        }
        QString key = name.toLower();
        if (unitStack_.contains(key) || e_->units.value(at.unit).toLower() == key)
            failAt(at, QStringLiteral("Unit '%1' uses itself").arg(name));
        if (unitsDone_.contains(key))
            continue;
        std::optional<QString> text;
        if (e_->unitLoader)
            text = e_->unitLoader(name);
        if (!text) {
            QString base = e_->units.value(at.unit);
            QString path
                    = QFileInfo(name).isAbsolute() ? name : QFileInfo(base).dir().filePath(name);
            bool ok = false;
            QString t = readScriptFile(path, &ok);
            if (!ok)
                failAt(at, QStringLiteral("Unit '%1' not found").arg(name));
            text = t;
        }
        e_->units << name;
        int idx = int(e_->units.size()) - 1;
        unitStack_ << e_->units.value(at.unit).toLower();
        unitStack_ << key;
        compileUnit(*text, idx, false);
        unitStack_.removeLast();
        unitStack_.removeLast();
        unitsDone_.insert(key);
    } while (accept(","));
    expect(";");
}

void Compiler::parseDeclarations(bool topLevel)
{
    for (;;) {
        if (tok_.kw("const"))
            parseConstSection();
        else if (tok_.kw("type"))
            parseTypeSection();
        else if (tok_.kw("var"))
            parseVarSection(topLevel);
        else if (tok_.kw("procedure") || tok_.kw("function") || tok_.kw("constructor")
                 || tok_.kw("destructor"))
            parseRoutine(topLevel);
        else if (topLevel && acceptKw("implementation"))
            continue;
        else if (topLevel && tok_.kw("uses"))
            parseUses();
        else
            break;
    }
}

Expr *Compiler::parseConstExpr()
{
    bool saved = constExpr_;
    constExpr_ = true;
    Expr *x = parseExpr();
    constExpr_ = saved;
    return x;
}

Value Compiler::evalConst(Expr *x, const Pos &at)
{
    try {
        Frame f;
        Ctx c{e_, &f};
        return x->eval(c);
    } catch (ScriptException &ex) {
        failAt(at, ex.msg);
    }
}

Type *Compiler::typeOfValue(const Value &v)
{
    switch (v.t) {
    case VType::Int:
        return e_->tInt;
    case VType::Float:
        return e_->tFloat;
    case VType::Bool:
        return e_->tBool;
    case VType::String:
        return e_->tString;
    case VType::Date:
        return e_->tDate;
    default:
        return e_->tVariant;
    }
}

void Compiler::parseConstSection()
{
    next();
    while (tok_.kind == Tok::Ident && !isReserved(tok_.lower)) {
        Pos at = tok_.pos;
        QString name = expectIdent();
        if (accept(":")) { // typed constant: an initialised variable
            Type *t = parseType();
            expect("=");
            Expr *x = coerce(parseConstExpr(), t, at);
            Value v = coerceValue(e_, evalConst(x, at), t);
            Sym s;
            s.kind = Sym::Var;
            s.type = t;
            if (funcs_.size() == 1) {
                s.global = true;
                s.slot = allocGlobal(t, v);
                p_->globalIndex.insert(name.toLower(), s.slot);
            } else {
                fail(QStringLiteral("Typed constants are allowed only at the top level"));
            }
            declare(name, s, at);
        } else {
            expect("=");
            Expr *x = parseConstExpr();
            Sym s;
            s.kind = Sym::Const;
            s.type = x->type;
            s.cval = evalConst(x, at);
            declare(name, s, at);
        }
        expect(";");
    }
}

void Compiler::parseTypeSection()
{
    next();
    while (tok_.kind == Tok::Ident && !isReserved(tok_.lower)) {
        Pos at = tok_.pos;
        QString name = expectIdent();
        expect("=");
        acceptKw("type");
        Type *t = parseType(name);
        if (t->k != TK::Class) {
            Sym s;
            s.kind = Sym::TypeSym;
            s.type = t;
            declare(name, s, at);
        }
        expect(";");
    }
}

void Compiler::parseVarSection(bool topLevel)
{
    next();
    while (tok_.kind == Tok::Ident && !isReserved(tok_.lower)) {
        std::vector<std::pair<QString, Pos>> names;
        do {
            Pos at = tok_.pos;
            names.emplace_back(expectIdent(), at);
        } while (accept(","));
        expect(":");
        Type *t = parseType();
        Value init = initialValue(t);
        if (accept("=")) {
            Pos at = tok_.pos;
            if (!topLevel || funcs_.size() > 1)
                fail(QStringLiteral("Cannot initialize local variables"));
            Expr *x = coerce(parseConstExpr(), t, at);
            init = coerceValue(e_, evalConst(x, at), t);
        }
        for (auto &[n, at] : names) {
            Sym s;
            s.kind = Sym::Var;
            s.type = t;
            if (funcs_.size() == 1) {
                s.slot = allocGlobal(t, cloneAggregate(init));
                s.global = true;
                p_->globalIndex.insert(n.toLower(), s.slot);
            } else {
                s.slot = allocLocal(t);
                s.level = fn().level;
            }
            declare(n, s, at);
        }
        expect(";");
    }
}

std::vector<Param> Compiler::parseParams()
{
    std::vector<Param> ps;
    if (!accept("("))
        return ps;
    if (accept(")"))
        return ps;
    do {
        PMode mode = PMode::Value;
        if (acceptKw("const"))
            mode = PMode::Const;
        else if (acceptKw("var"))
            mode = PMode::Var;
        else if (acceptKw("out"))
            mode = PMode::Out;
        std::vector<QString> names;
        do
            names.push_back(expectIdent());
        while (accept(","));
        Type *t = e_->tVariant;
        if (accept(":"))
            t = parseType();
        Value def;
        bool hasDef = false;
        if (accept("=")) {
            Pos at = tok_.pos;
            Expr *x = coerce(parseConstExpr(), t, at);
            def = coerceValue(e_, evalConst(x, at), t);
            hasDef = true;
        }
        for (auto &n : names)
            ps.push_back(Param{n, t, mode, hasDef, def});
    } while (accept(";"));
    expect(")");
    bool seenDefault = false;
    for (auto &p : ps) {
        if (p.hasDefault)
            seenDefault = true;
        else if (seenDefault)
            fail(QStringLiteral("Default value required for '%1'").arg(p.name));
    }
    return ps;
}

void Compiler::parseRoutine(bool topLevel)
{
    QString kind = tok_.lower;
    next();
    Pos at = tok_.pos;
    QString name = expectIdent();
    // method implementation: TClass.Method
    if (accept(".")) {
        if (!topLevel || funcs_.size() > 1)
            failAt(at, QStringLiteral("Method implementation inside a routine"));
        Type *ct = namedType(name.toLower());
        if (!ct || ct->k != TK::Class || ct->cls->host)
            failAt(at, QStringLiteral("Undeclared identifier: '%1'").arg(name));
        Pos mp = tok_.pos;
        QString mname = expectIdent();
        Routine *r = ct->cls->methods.value(mname.toLower());
        if (!r)
            failAt(mp, QStringLiteral("Method '%1' not declared in class '%2'").arg(mname, name));
        if (r->defined)
            failAt(mp, QStringLiteral("Method '%1.%2' already defined").arg(name, mname));
        std::vector<Param> ps = parseParams();
        if (tok_.is(":")) {
            next();
            parseType();
        }
        expect(";");
        if (!ps.empty() || r->params.empty()) {
            if (ps.size() != r->params.size())
                failAt(mp,
                       QStringLiteral("Declaration of '%1' differs from previous declaration")
                               .arg(mname));
            for (size_t i = 0; i < ps.size(); ++i)
                r->params[i].name = ps[i].name;
        }
        parseRoutineBody(r, ct->cls);
        return;
    }
    std::vector<Param> ps = parseParams();
    Type *result = nullptr;
    if (kind == QLatin1String("function")) {
        if (accept(":"))
            result = parseType();
    }
    expect(";");
    // a forward-declared routine gets its body now
    Routine *r = nullptr;
    auto &syms = scopes_.back().syms;
    auto it = syms.find(name.toLower());
    if (it != syms.end() && it->kind == Sym::Func && it->r && it->r->isForward && !it->r->defined
        && !it->r->isHostFn) {
        r = it->r;
        if (!ps.empty())
            r->params = ps;
        if (result)
            r->result = result;
    } else {
        if (kind == QLatin1String("function") && !result)
            failAt(at, QStringLiteral("Function needs a result type"));
        auto owned = std::make_unique<Routine>();
        r = owned.get();
        r->name = name;
        r->params = ps;
        r->result = result;
        r->pos = at;
        r->level = fn().level + 1;
        p_->routines.push_back(std::move(owned));
        Sym s;
        s.kind = Sym::Func;
        s.r = r;
        declare(name, s, at);
        if (funcs_.size() == 1)
            p_->functions.insert(name.toLower(), r);
    }
    if (acceptKw("forward")) {
        expect(";");
        r->isForward = true;
        return;
    }
    acceptKw("overload") && accept(";");
    parseRoutineBody(r, nullptr);
}

void Compiler::parseRoutineBody(Routine *r, ClassInfo *cls)
{
    FuncCtx fc;
    fc.r = r;
    fc.level = r->level;
    fc.cls = cls ? cls : (funcs_.size() > 1 ? fn().cls : nullptr);
    funcs_.push_back(fc);
    pushScope();
    auto withsSaved = std::move(withs_);
    withs_.clear();
    r->hasVarParams = false;
    for (auto &p : r->params) {
        Sym s;
        s.kind = Sym::Var;
        s.type = p.type;
        s.level = r->level;
        s.byRef = p.mode == PMode::Var || p.mode == PMode::Out;
        if (s.byRef)
            r->hasVarParams = true;
        s.slot = allocLocal(p.type);
        declare(p.name, s, r->pos);
    }
    if (r->result) {
        Sym s;
        s.kind = Sym::Var;
        s.type = r->result;
        s.level = r->level;
        s.slot = allocLocal(r->result);
        r->resultSlot = s.slot;
        scopes_.back().syms.insert(QStringLiteral("result"), s);
    }
    parseDeclarations(false);
    if (!tok_.kw("begin"))
        expected(QStringLiteral("'BEGIN'"));
    r->body = parseBlock();
    expect(";");
    finishRoutine(r, fn());
    withs_ = std::move(withsSaved);
    popScope();
    funcs_.pop_back();
}

void Compiler::finishRoutine(Routine *r, FuncCtx &fc)
{
    r->nLocals = fc.nextSlot;
    r->localTypes = fc.localTypes;
    r->localInit.clear();
    for (size_t i = r->params.size(); i < size_t(fc.nextSlot); ++i)
        r->localInit.push_back(initialValue(fc.localTypes[i]));
    r->defined = true;
}

// ---------------------------------------------------------------- statements

Block *Compiler::parseBlock()
{
    Pos at = tok_.pos;
    expectKw("begin");
    Block *b = parseStmtList({"end"});
    b->pos = at;
    expectKw("end");
    return b;
}

Block *Compiler::parseStmtList(std::initializer_list<const char *> terms)
{
    auto *b = node<Block>(tok_.pos);
    auto atEnd = [&] {
        for (const char *t : terms)
            if (tok_.kw(t))
                return true;
        return false;
    };
    for (;;) {
        if (atEnd())
            break;
        if (tok_.kind == Tok::End)
            expected(QStringLiteral("'%1'").arg(QString::fromLatin1(*terms.begin()).toUpper()));
        if (accept(";"))
            continue;
        b->stmts.push_back(parseStatement());
        if (atEnd())
            break;
        if (!accept(";"))
            expected(QStringLiteral("';'"));
    }
    return b;
}

Stmt *Compiler::parseStatement()
{
    DepthGuard g(this);
    Pos at = tok_.pos;
    if (tok_.kind == Tok::Ident) {
        const QString &k = tok_.lower;
        if (k == QLatin1String("begin"))
            return parseBlock();
        if (k == QLatin1String("if"))
            return parseIf();
        if (k == QLatin1String("while"))
            return parseWhile();
        if (k == QLatin1String("repeat"))
            return parseRepeat();
        if (k == QLatin1String("for"))
            return parseFor();
        if (k == QLatin1String("case"))
            return parseCase();
        if (k == QLatin1String("try"))
            return parseTry();
        if (k == QLatin1String("with"))
            return parseWith();
        if (k == QLatin1String("raise"))
            return parseRaise();
        if (k == QLatin1String("exit") && !lookup(k))
            return parseExit();
        if (k == QLatin1String("inherited"))
            return parseInherited();
        if ((k == QLatin1String("break") || k == QLatin1String("continue")) && !lookup(k)) {
            if (fn().loops == 0)
                fail(QStringLiteral("BREAK or CONTINUE outside of loop"));
            auto *s = node<FlowStmt>(at);
            s->flow = k == QLatin1String("break") ? Flow::Break : Flow::Continue;
            next();
            return s;
        }
        if (k == QLatin1String("end") || k == QLatin1String("until") || k == QLatin1String("except")
            || k == QLatin1String("finally") || k == QLatin1String("else"))
            return node<EmptyStmt>(at);
        // assignment to the function's own name sets its result
        if (peekTok().is(":=")) {
            for (int i = int(funcs_.size()) - 1; i >= 1; --i) {
                Routine *r = funcs_[size_t(i)].r;
                if (r && r->result && r->name.compare(tok_.text, Qt::CaseInsensitive) == 0) {
                    int si = -1;
                    const Sym *s = lookup(tok_.lower, &si);
                    if (s && s->kind == Sym::Func && s->r == r) {
                        next();
                        next();
                        Sym rs;
                        rs.kind = Sym::Var;
                        rs.type = r->result;
                        rs.level = r->level;
                        rs.slot = r->resultSlot;
                        Expr *lhs = varExpr(rs, at);
                        return makeAssign(lhs, parseExpr(), at);
                    }
                }
            }
        }
    }
    if (tok_.is(";"))
        return node<EmptyStmt>(at);
    Expr *lhs = parseDesignator();
    if (tok_.is(":=") || tok_.is("+=") || tok_.is("-=")) {
        QString op = tok_.text;
        Pos ap = tok_.pos;
        next();
        if (!lhs->isLValue())
            failAt(at, QStringLiteral("Left side cannot be assigned to"));
        Expr *rhs = parseExpr();
        if (op != QLatin1String(":="))
            rhs = binary(op.left(1), lhs, rhs, ap);
        return makeAssign(lhs, rhs, at);
    }
    auto *s = node<ExprStmt>(at);
    s->e = lhs;
    return s;
}

Stmt *Compiler::makeAssign(Expr *lhs, Expr *rhs, const Pos &at)
{
    if (dynamic_cast<EventExpr *>(lhs)) {
        auto *a = node<Assign>(at);
        a->lhs = lhs;
        a->rhs = rhs;
        return a;
    }
    Expr *v = coerce(rhs, lhs->type, at);
    if (lhs->type->isAggregateValue() && v == rhs) {
        auto *cl = node<CloneExpr>(at, v->type);
        cl->e = v;
        v = cl;
    }
    if (lhs->type->k == TK::Int) {
        if (auto *lv = dynamic_cast<LocalVar *>(lhs)) {
            auto *a = node<AssignLocalInt>(at);
            a->lhs = lv;
            a->rhs = v;
            return a;
        }
        if (auto *gv = dynamic_cast<GlobalVar *>(lhs)) {
            auto *a = node<AssignGlobalInt>(at);
            a->lhs = gv;
            a->rhs = v;
            return a;
        }
    }
    if (lhs->type->k == TK::String) {
        // s := s + x + y appends in place
        std::vector<Expr *> parts;
        Expr *leftmost = rhs;
        while (auto *cc = dynamic_cast<Concat *>(leftmost)) {
            parts.insert(parts.begin(), cc->r);
            leftmost = cc->l;
        }
        auto same = [](Expr *x, Expr *y) {
            auto *la = dynamic_cast<LocalVar *>(x);
            auto *lb = dynamic_cast<LocalVar *>(y);
            if (la && lb)
                return la->slot == lb->slot && la->byRef == lb->byRef;
            auto *ga = dynamic_cast<GlobalVar *>(x);
            auto *gb = dynamic_cast<GlobalVar *>(y);
            return ga && gb && ga->idx == gb->idx;
        };
        if (!parts.empty() && same(lhs, leftmost)) {
            auto *a = node<AppendStr>(at);
            a->lhs = lhs;
            a->parts = std::move(parts);
            return a;
        }
    }
    auto *a = node<Assign>(at);
    a->lhs = lhs;
    a->rhs = v;
    return a;
}

Stmt *Compiler::parseIf()
{
    auto *s = node<IfStmt>(tok_.pos);
    next();
    Pos cp = tok_.pos;
    s->cond = coerce(parseExpr(), e_->tBool, cp);
    expectKw("then");
    s->then = parseStatement();
    if (acceptKw("else"))
        s->otherwise = parseStatement();
    return s;
}

Stmt *Compiler::parseWhile()
{
    auto *s = node<WhileStmt>(tok_.pos);
    next();
    Pos cp = tok_.pos;
    s->cond = coerce(parseExpr(), e_->tBool, cp);
    expectKw("do");
    fn().loops++;
    s->body = parseStatement();
    fn().loops--;
    return s;
}

Stmt *Compiler::parseRepeat()
{
    auto *s = node<RepeatStmt>(tok_.pos);
    next();
    fn().loops++;
    s->body = parseStmtList({"until"});
    fn().loops--;
    expectKw("until");
    Pos cp = tok_.pos;
    s->cond = coerce(parseExpr(), e_->tBool, cp);
    return s;
}

Stmt *Compiler::parseFor()
{
    auto *s = node<ForStmt>(tok_.pos);
    next();
    Pos vp = tok_.pos;
    s->var = parseDesignator();
    if (!s->var->isLValue() || !s->var->type->isOrdinal())
        failAt(vp, QStringLiteral("For loop control variable must have ordinal type"));
    expect(":=");
    Pos fp = tok_.pos;
    s->from = coerce(parseExpr(), s->var->type, fp);
    if (acceptKw("downto"))
        s->down = true;
    else
        expectKw("to");
    Pos tp = tok_.pos;
    s->to = coerce(parseExpr(), s->var->type, tp);
    expectKw("do");
    fn().loops++;
    s->body = parseStatement();
    fn().loops--;
    // ordinal loops on characters and booleans go through their ordinals
    if (s->var->type->k == TK::Char || s->var->type->k == TK::Bool) {
        for (Expr **b : {&s->from, &s->to}) {
            auto *bc = node<BuiltinCall>((*b)->pos, e_->tInt);
            bc->id = Builtin::Ord;
            bc->args = {*b};
            *b = bc;
        }
    }
    return s;
}

Stmt *Compiler::parseCase()
{
    auto *s = node<CaseStmt>(tok_.pos);
    next();
    s->sel = parseExpr();
    TK k = s->sel->type->k;
    s->ordinal = s->sel->type->isOrdinal();
    if (!s->ordinal && k != TK::String && k != TK::Variant)
        fail(QStringLiteral("Ordinal type required"));
    expectKw("of");
    while (!tok_.kw("else") && !tok_.kw("end")) {
        CaseStmt::Branch b;
        do {
            Pos lp = tok_.pos;
            CaseStmt::Label l;
            l.lo = evalConst(parseConstExpr(), lp);
            if (accept(".."))
                l.hi = evalConst(parseConstExpr(), lp);
            if (l.lo.t == VType::String && s->ordinal && l.lo.str().size() != 1)
                failAt(lp, QStringLiteral("Incompatible types"));
            if (!s->ordinal && k == TK::String && l.lo.t != VType::String)
                failAt(lp,
                       QStringLiteral("Incompatible types: 'String' and '%1'")
                               .arg(l.lo.typeName()));
            b.labels.push_back(l);
        } while (accept(","));
        expect(":");
        b.body = parseStatement();
        s->branches.push_back(std::move(b));
        if (!accept(";"))
            break;
    }
    if (acceptKw("else"))
        s->otherwise = parseStmtList({"end"});
    expectKw("end");
    return s;
}

Stmt *Compiler::parseTry()
{
    Pos at = tok_.pos;
    next();
    Block *body = parseStmtList({"except", "finally"});
    if (acceptKw("finally")) {
        auto *s = node<TryFinally>(at);
        s->body = body;
        s->fin = parseStmtList({"end"});
        expectKw("end");
        return s;
    }
    expectKw("except");
    auto *s = node<TryExcept>(at);
    s->body = body;
    fn().excepts++;
    if (tok_.kw("on")) {
        while (acceptKw("on")) {
            TryExcept::Handler h;
            Pos hp = tok_.pos;
            QString first = expectIdent();
            QString varName, clsName = first;
            if (accept(":")) {
                varName = first;
                hp = tok_.pos;
                clsName = expectIdent();
            }
            Type *ct = namedType(clsName.toLower());
            if (!ct || ct->k != TK::Class)
                failAt(hp, QStringLiteral("Class type expected"));
            h.cls = ct->cls;
            expectKw("do");
            pushScope();
            if (!varName.isEmpty()) {
                Sym vs;
                vs.kind = Sym::Var;
                vs.type = ct;
                vs.level = fn().level;
                vs.slot = allocLocal(ct);
                h.slot = vs.slot;
                scopes_.back().syms.insert(varName.toLower(), vs);
            }
            h.body = parseStatement();
            popScope();
            s->handlers.push_back(h);
            if (!accept(";"))
                break;
        }
        if (acceptKw("else"))
            s->otherwise = parseStmtList({"end"});
    } else {
        s->otherwise = parseStmtList({"end"});
    }
    fn().excepts--;
    expectKw("end");
    return s;
}

Stmt *Compiler::parseWith()
{
    Pos at = tok_.pos;
    next();
    auto *b = node<Block>(at);
    size_t pushed = 0;
    do {
        Pos ep = tok_.pos;
        Expr *x = parseExpr();
        TK k = x->type->k;
        if (k != TK::Class && k != TK::Record)
            failAt(ep, QStringLiteral("Record or object type required"));
        int slot = allocLocal(x->type);
        Sym s;
        s.kind = Sym::Var;
        s.type = x->type;
        s.level = fn().level;
        s.slot = slot;
        auto *a = node<Assign>(ep);
        a->lhs = varExpr(s, ep);
        a->rhs = x; // the same record box: changes reach the original
        b->stmts.push_back(a);
        withs_.push_back(WithEntry{x->type, slot, fn().level});
        ++pushed;
    } while (accept(","));
    expectKw("do");
    b->stmts.push_back(parseStatement());
    withs_.resize(withs_.size() - pushed);
    return b;
}

Stmt *Compiler::parseRaise()
{
    auto *s = node<RaiseStmt>(tok_.pos);
    next();
    if (tok_.is(";") || tok_.kw("end") || tok_.kw("else") || tok_.kw("except") || tok_.kw("finally")
        || tok_.kw("until")) {
        if (fn().excepts == 0)
            fail(QStringLiteral("Re-raising an exception only allowed in exception handler"));
        return s;
    }
    Pos ep = tok_.pos;
    s->e = parseExpr();
    if (s->e->type->k != TK::Class && s->e->type->k != TK::Variant)
        failAt(ep, QStringLiteral("Exception object expected"));
    return s;
}

Stmt *Compiler::parseExit()
{
    auto *s = node<ExitStmt>(tok_.pos);
    next();
    if (accept("(")) {
        if (!accept(")")) {
            Routine *r = fn().r;
            if (!r || !r->result)
                fail(QStringLiteral("Procedure cannot return a value"));
            Pos ep = tok_.pos;
            s->value = coerce(parseExpr(), r->result, ep);
            s->resultSlot = r->resultSlot;
            expect(")");
        }
    }
    return s;
}

Stmt *Compiler::parseInherited()
{
    Pos at = tok_.pos;
    next();
    FuncCtx &f = fn();
    if (!f.cls || !f.r)
        failAt(at, QStringLiteral("'inherited' outside of a method"));
    ClassInfo *parent = f.cls->parent;
    QString name = f.r->name;
    bool explicitName = false;
    if (tok_.kind == Tok::Ident && !isReserved(tok_.lower)) {
        name = tok_.text;
        next();
        explicitName = true;
    }
    Routine *r = parent ? parent->findMethod(name.toLower()) : nullptr;
    if (!r) {
        if (explicitName && !name.isEmpty()
            && name.compare(QLatin1String("create"), Qt::CaseInsensitive) != 0
            && name.compare(QLatin1String("destroy"), Qt::CaseInsensitive) != 0)
            failAt(at, QStringLiteral("Undeclared identifier: '%1'").arg(name));
        if (explicitName && tok_.is("(")) {
            next();
            while (!accept(")")) {
                parseExpr();
                accept(",");
            }
        }
        return node<EmptyStmt>(at);
    }
    auto *call = node<CallMethod>(at, r->result ? r->result : e_->tVoid);
    call->r = r;
    call->inherited = true;
    if (explicitName) {
        call->args = parseArgs(&r->params, r->name, at, tok_.is("("));
    } else {
        // bare "inherited": pass this method's own parameters on
        for (size_t i = 0; i < f.r->params.size() && i < r->params.size(); ++i) {
            Sym s;
            s.kind = Sym::Var;
            s.type = f.r->params[i].type;
            s.level = f.level;
            s.slot = int(i);
            s.byRef = f.r->params[i].mode == PMode::Var || f.r->params[i].mode == PMode::Out;
            call->args.push_back(varExpr(s, at));
        }
    }
    auto *st = node<ExprStmt>(at);
    st->e = call;
    return st;
}

// ---------------------------------------------------------------- expressions

Expr *Compiler::constant(const Value &v, Type *t, const Pos &at)
{
    auto *c = node<ConstExpr>(at, t ? t : typeOfValue(v));
    c->v = v;
    return c;
}

Expr *Compiler::parseExpr()
{
    DepthGuard g(this);
    Expr *l = parseSimple();
    for (;;) {
        Pos at = tok_.pos;
        QString op;
        if (tok_.is("=") || tok_.is("<>") || tok_.is("<") || tok_.is(">") || tok_.is("<=")
            || tok_.is(">="))
            op = tok_.text;
        else if (tok_.kw("in"))
            op = QStringLiteral("in");
        else if (tok_.kw("is"))
            op = QStringLiteral("is");
        else
            return l;
        next();
        if (op == QLatin1String("is")) {
            Pos tp = tok_.pos;
            Type *ct = namedType(expectIdent().toLower());
            if (!ct || ct->k != TK::Class)
                failAt(tp, QStringLiteral("Class type expected"));
            auto *x = node<IsExpr>(at, e_->tBool);
            x->obj = l;
            x->cls = ct->cls;
            l = x;
            continue;
        }
        l = binary(op, l, parseSimple(), at);
    }
}

Expr *Compiler::parseSimple()
{
    Expr *l = parseTerm();
    for (;;) {
        Pos at = tok_.pos;
        QString op;
        if (tok_.is("+") || tok_.is("-"))
            op = tok_.text;
        else if (tok_.kw("or") || tok_.kw("xor"))
            op = tok_.lower;
        else
            return l;
        next();
        l = binary(op, l, parseTerm(), at);
    }
}

Expr *Compiler::parseTerm()
{
    Expr *l = parseFactor();
    for (;;) {
        Pos at = tok_.pos;
        QString op;
        if (tok_.is("*") || tok_.is("/"))
            op = tok_.text;
        else if (tok_.kw("div") || tok_.kw("mod") || tok_.kw("and") || tok_.kw("shl")
                 || tok_.kw("shr") || tok_.kw("as"))
            op = tok_.lower;
        else
            return l;
        next();
        if (op == QLatin1String("as")) {
            Pos tp = tok_.pos;
            Type *ct = namedType(expectIdent().toLower());
            if (!ct || ct->k != TK::Class)
                failAt(tp, QStringLiteral("Class type expected"));
            auto *x = node<ClassCast>(at, ct);
            x->obj = l;
            x->cls = ct->cls;
            l = x;
            continue;
        }
        l = binary(op, l, parseFactor(), at);
    }
}

Expr *Compiler::parseFactor()
{
    DepthGuard g(this);
    Pos at = tok_.pos;
    switch (tok_.kind) {
    case Tok::Int: {
        Value v(tok_.ival);
        next();
        return constant(v, e_->tInt, at);
    }
    case Tok::Float: {
        Value v(tok_.fval);
        next();
        return constant(v, e_->tFloat, at);
    }
    case Tok::Str: {
        Value v(tok_.text);
        bool ch = tok_.text.size() == 1;
        next();
        return constant(v, ch ? e_->tChar : e_->tString, at);
    }
    case Tok::End:
        expected(QStringLiteral("Expression"));
    default:
        break;
    }
    if (accept("(")) {
        Expr *x = parseExpr();
        expect(")");
        // (expr).Member and (expr)[i]
        if (tok_.is(".") || tok_.is("[")) {
            Operand op;
            op.kind = Operand::Val;
            op.e = x;
            op.pos = at;
            while (tok_.is(".") || tok_.is("[")) {
                if (accept(".")) {
                    Pos mp = tok_.pos;
                    op = memberOf(op, expectIdent(), mp);
                } else {
                    Expr *b = finish(op, at);
                    op = Operand();
                    op.e = indexExpr(b, at);
                }
            }
            return finish(op, at);
        }
        return x;
    }
    if (accept("-") || (tok_.is("+") && (next(), false))) {
        Expr *x = parseFactor();
        if (auto *c = dynamic_cast<ConstExpr *>(x)) {
            if (c->v.t == VType::Int && c->v.i != INT64_MIN)
                return constant(Value(-c->v.i), x->type, at);
            if (c->v.t == VType::Float)
                return constant(Value(-c->v.d), x->type, at);
        }
        TK k = x->type->k;
        if (k != TK::Int && k != TK::Float && k != TK::Variant && k != TK::Date)
            failAt(at, QStringLiteral("Operator not applicable to this operand type"));
        auto *n = node<NegExpr>(at, k == TK::Date ? e_->tFloat : x->type);
        n->e = x;
        return n;
    }
    if (tok_.is("+")) {
        next();
        return parseFactor();
    }
    if (acceptKw("not")) {
        Expr *x = parseFactor();
        TK k = x->type->k;
        if (k != TK::Bool && k != TK::Int && k != TK::Variant)
            failAt(at, QStringLiteral("Operator not applicable to this operand type"));
        auto *n = node<NotExpr>(at, x->type);
        n->e = x;
        if (x->isConst())
            return constant(evalConst(n, at), x->type, at);
        return n;
    }
    if (acceptKw("nil"))
        return constant(Value::nil(), e_->tNil, at);
    if (accept("@")) {
        Pos rp = tok_.pos;
        Operand op = parseIdentOperand();
        while (accept(".")) {
            Pos mp = tok_.pos;
            op = memberOf(op, expectIdent(), mp);
        }
        if (op.kind == Operand::Func && !op.r->isHostFn) {
            if (op.r->level > 1)
                failAt(rp, QStringLiteral("Nested routines cannot be event handlers"));
            auto *a = node<AddrOf>(at, e_->tProc);
            a->r = op.r;
            return a;
        }
        if (op.kind == Operand::Method && !op.r->isHostFn) {
            auto *a = node<AddrOf>(at, e_->tProc);
            a->r = op.r;
            a->self = op.obj ? op.obj : node<SelfExpr>(at, e_->tVariant);
            return a;
        }
        failAt(rp, QStringLiteral("Procedure expected"));
    }
    if (tok_.is("[")) {
        next();
        auto *s = node<SetCtor>(at, nullptr);
        Type *elem = nullptr;
        if (!accept("]")) {
            do {
                Expr *lo = parseExpr();
                Expr *hi = nullptr;
                if (accept(".."))
                    hi = parseExpr();
                if (!elem)
                    elem = lo->type;
                s->items.emplace_back(lo, hi);
            } while (accept(","));
            expect("]");
        }
        Type *t = mkType(TK::Set);
        t->elem = elem ? elem : e_->tInt;
        s->type = t;
        return s;
    }
    if (tok_.kw("inherited")) {
        Stmt *st = parseInherited();
        if (auto *es = dynamic_cast<ExprStmt *>(st))
            return es->e;
        failAt(at, QStringLiteral("Expression expected"));
    }
    if (tok_.kind == Tok::Ident && !isReserved(tok_.lower))
        return parseDesignator();
    expected(QStringLiteral("Expression"));
}

Expr *Compiler::parseDesignator()
{
    Pos at = tok_.pos;
    if (tok_.kind != Tok::Ident || isReserved(tok_.lower)) {
        if (tok_.is("(")) // (expr).Member as a statement
            return parseFactor();
        expected(QStringLiteral("Identifier"));
    }
    Operand op = parseIdentOperand();
    for (;;) {
        if (tok_.is("(")
            && (op.kind == Operand::Func || op.kind == Operand::Method || op.kind == Operand::Ctor
                || op.kind == Operand::BuiltinFn || op.kind == Operand::TypeRef
                || (op.kind == Operand::Val && op.e->type->k == TK::Proc))) {
            if (op.kind == Operand::TypeRef) { // typecast
                Type *t = op.t;
                next();
                Expr *x = parseExpr();
                expect(")");
                Operand nop;
                if (t->k == TK::Class) {
                    auto *cc = node<ClassCast>(op.pos, t);
                    cc->obj = x;
                    cc->cls = t->cls;
                    nop.e = cc;
                } else {
                    auto *vc = node<ValueCast>(op.pos, t);
                    vc->e = x;
                    nop.e = vc;
                    if (x->isConst())
                        nop.e = constant(coerceValue(e_, evalConst(vc, op.pos), t), t, op.pos);
                }
                op = nop;
                continue;
            }
            Expr *x = callOperand(op, op.pos, true);
            op = Operand();
            op.e = x;
            op.pos = at;
            continue;
        }
        if (tok_.is(".")) {
            next();
            Pos mp = tok_.pos;
            QString name = expectIdent();
            op = memberOf(op, name, mp);
            continue;
        }
        if (tok_.is("[")) {
            if (op.kind == Operand::Val && dynamic_cast<DynMember *>(op.e)
                && !static_cast<DynMember *>(op.e)->call
                && static_cast<DynMember *>(op.e)->args.empty()) {
                // V.Items[i] on a late-bound object: an indexed member
                auto *dm = static_cast<DynMember *>(op.e);
                next();
                do
                    dm->args.push_back(parseExpr());
                while (accept(","));
                expect("]");
                continue;
            }
            Expr *b = finish(op, at);
            op = Operand();
            op.e = indexExpr(b, at);
            op.pos = at;
            continue;
        }
        if (tok_.is("^")) {
            next();
            continue;
        }
        break;
    }
    return finish(op, at);
}

Expr *Compiler::indexExpr(Expr *base, const Pos &at)
{
    expect("[");
    std::vector<Expr *> idx;
    do {
        idx.push_back(parseExpr());
    } while (accept(","));
    expect("]");
    Expr *cur = base;
    TK k = cur->type->k;
    if (k == TK::Variant) {
        auto *v = node<VarIndex>(at, e_->tVariant);
        v->base = cur;
        v->index = idx;
        return v;
    }
    if (k == TK::Class) {
        PropInfo *pi = cur->type->cls->defaultProp();
        if (!pi)
            failAt(at, QStringLiteral("Class '%1' has no default property").arg(cur->type->name));
        auto *pe = node<PropExpr>(at, pi->type);
        pe->obj = cur;
        pe->prop = pi;
        if (idx.size() != pi->index.size())
            failAt(at, QStringLiteral("Wrong number of indexes"));
        for (size_t i = 0; i < idx.size(); ++i)
            pe->index.push_back(coerce(idx[i], pi->index[i].type, at));
        return pe;
    }
    for (Expr *ix : idx) {
        k = cur->type->k;
        if (k == TK::String || k == TK::Char) {
            auto *s = node<StrIndex>(at, e_->tChar);
            s->str = cur;
            s->index = coerce(ix, e_->tInt, at);
            cur = s;
        } else if (k == TK::Array || k == TK::DynArray) {
            auto *a = node<ArrayIndex>(at, cur->type->elem);
            a->arr = cur;
            Type *it = ix->type->k == TK::Enum || ix->type->k == TK::Char || ix->type->k == TK::Bool
                               ? ix->type
                               : e_->tInt;
            a->index = coerce(ix, it, at);
            if (it != e_->tInt) {
                auto *o = node<BuiltinCall>(at, e_->tInt);
                o->id = Builtin::Ord;
                o->args = {a->index};
                a->index = o;
            }
            cur = a;
        } else if (k == TK::Variant) {
            auto *v = node<VarIndex>(at, e_->tVariant);
            v->base = cur;
            v->index = {ix};
            cur = v;
        } else {
            failAt(at, QStringLiteral("Array type required"));
        }
    }
    return cur;
}

static const struct
{
    const char *name;
    Builtin id;
} builtinNames[] = {
        {"length", Builtin::Length},   {"high", Builtin::High},
        {"low", Builtin::Low},         {"ord", Builtin::Ord},
        {"chr", Builtin::Chr},         {"succ", Builtin::Succ},
        {"pred", Builtin::Pred},       {"assigned", Builtin::Assigned},
        {"abs", Builtin::Abs},         {"sqr", Builtin::Sqr},
        {"min", Builtin::Min},         {"max", Builtin::Max},
        {"copy", Builtin::Copy},       {"inc", Builtin::Inc},
        {"dec", Builtin::Dec},         {"setlength", Builtin::SetLength},
        {"include", Builtin::Include}, {"exclude", Builtin::Exclude},
        {"write", Builtin::Write},     {"writeln", Builtin::WriteLn},
        {"sizeof", Builtin::SizeOf},   {"exceptionmessage", Builtin::ExceptionMessage},
        {"freeandnil", Builtin::Free},
};

Compiler::Operand Compiler::parseIdentOperand()
{
    Pos at = tok_.pos;
    QString name = tok_.text;
    next();
    return resolveIdent(name, at);
}

Compiler::Operand Compiler::resolveIdent(const QString &name, const Pos &at)
{
    QString l = name.toLower();
    Operand op;
    op.pos = at;
    op.name = name;
    // members of "with" subjects, innermost first
    for (int i = int(withs_.size()) - 1; i >= 0; --i) {
        const WithEntry &w = withs_[size_t(i)];
        Sym s;
        s.kind = Sym::Var;
        s.type = w.type;
        s.slot = w.slot;
        s.level = w.level;
        if (w.type->k == TK::Record) {
            int f = w.type->fieldIndex(l);
            if (f >= 0) {
                auto *rf = node<RecField>(at, w.type->fieldTypes[size_t(f)]);
                rf->rec = varExpr(s, at);
                rf->idx = f;
                op.e = rf;
                return op;
            }
        } else {
            ClassInfo *c = w.type->cls;
            if (c->findField(l) >= 0 || c->findMethod(l) || c->findProp(l) || c->hasEvent(l)) {
                return classMember(varExpr(s, at), c, name, at);
            }
        }
    }
    // locals of the routines being compiled, innermost first
    int si = -1;
    const Sym *s = lookup(l, &si);
    bool local = s && si > 0;
    ClassInfo *cls = funcs_.size() > 1 ? fn().cls : nullptr;
    if (!local && cls) {
        if (l == QLatin1String("self")) {
            op.e = node<SelfExpr>(at, cls->type);
            return op;
        }
        if (cls->findField(l) >= 0 || cls->findMethod(l) || cls->findProp(l))
            return classMember(nullptr, cls, name, at);
    }
    if (s) {
        switch (s->kind) {
        case Sym::Var:
            op.e = varExpr(*s, at);
            return op;
        case Sym::Const:
            op.e = constant(s->cval, s->type, at);
            return op;
        case Sym::TypeSym:
            op.kind = Operand::TypeRef;
            op.t = s->type;
            return op;
        case Sym::Func:
            op.kind = Operand::Func;
            op.r = s->r;
            return op;
        }
    }
    for (auto &b : builtinNames) {
        if (l == QLatin1String(b.name)) {
            op.kind = Operand::BuiltinFn;
            op.b = b.id;
            return op;
        }
    }
    failAt(at, QStringLiteral("Undeclared identifier: '%1'").arg(name));
}

Compiler::Operand
Compiler::classMember(Expr *obj, ClassInfo *cls, const QString &name, const Pos &at)
{
    QString l = name.toLower();
    Operand op;
    op.pos = at;
    op.name = name;
    int f = cls->findField(l);
    if (f >= 0) {
        if (constExpr_)
            failAt(at, QStringLiteral("Constant expression expected"));
        if (!obj) {
            auto *sf = node<SelfField>(at, cls->fieldTypes[size_t(f)]);
            sf->idx = f;
            op.e = sf;
        } else {
            auto *of = node<ObjField>(at, cls->fieldTypes[size_t(f)]);
            of->obj = obj;
            of->idx = f;
            of->name = name;
            op.e = of;
        }
        return op;
    }
    if (Routine *r = cls->findMethod(l)) {
        op.kind = Operand::Method;
        op.r = r;
        op.obj = obj;
        op.cls = cls;
        return op;
    }
    if (PropInfo *pi = cls->findProp(l)) {
        auto *pe = node<PropExpr>(at, pi->type);
        pe->obj = obj;
        pe->prop = pi;
        if (!pi->index.empty()) {
            expect("[");
            size_t i = 0;
            do {
                if (i >= pi->index.size())
                    failAt(at, QStringLiteral("Too many indexes for '%1'").arg(name));
                Pos ip = tok_.pos;
                pe->index.push_back(coerce(parseExpr(), pi->index[i++].type, ip));
            } while (accept(","));
            expect("]");
            if (i != pi->index.size())
                failAt(at, QStringLiteral("Not enough indexes for '%1'").arg(name));
        }
        op.e = pe;
        return op;
    }
    if (cls->hasEvent(l)) {
        auto *ev = node<EventExpr>(at, e_->tProc);
        ev->obj = obj ? obj : node<SelfExpr>(at, cls->type);
        ev->name = name;
        op.e = ev;
        return op;
    }
    if (l == QLatin1String("free") || l == QLatin1String("classname")) {
        op.kind = Operand::BuiltinFn;
        op.b = l == QLatin1String("free") ? Builtin::Free : Builtin::ClassName;
        op.obj = obj ? obj : node<SelfExpr>(at, cls->type);
        return op;
    }
    failAt(at, QStringLiteral("Undeclared identifier: '%1'").arg(name));
}

Compiler::Operand Compiler::memberOf(Operand &op, const QString &name, const Pos &at)
{
    QString l = name.toLower();
    if (op.kind == Operand::TypeRef) {
        Type *t = op.t;
        if (t->k == TK::Class) {
            Routine *r = t->cls->findMethod(l);
            if (l == QLatin1String("create") || (r && r->isCtor)) {
                Operand c;
                c.kind = Operand::Ctor;
                c.cls = t->cls;
                c.r = r;
                c.pos = at;
                c.name = name;
                return c;
            }
            if (l == QLatin1String("classname")) {
                Operand c;
                c.e = constant(Value(t->cls->name), e_->tString, at);
                return c;
            }
        }
        if (t->k == TK::Enum) {
            int i = t->enumNames.indexOf(name, 0);
            for (int k = 0; k < t->enumNames.size(); ++k)
                if (t->enumNames[k].compare(name, Qt::CaseInsensitive) == 0)
                    i = k;
            if (i >= 0) {
                Operand c;
                c.e = constant(Value(int64_t(i)), t, at);
                return c;
            }
        }
        failAt(at, QStringLiteral("Undeclared identifier: '%1'").arg(name));
    }
    Expr *obj = finish(op, at);
    Type *t = obj->type;
    switch (t->k) {
    case TK::Class:
        return classMember(obj, t->cls, name, at);
    case TK::Record: {
        int f = t->fieldIndex(l);
        if (f < 0)
            failAt(at, QStringLiteral("Undeclared identifier: '%1'").arg(name));
        auto *rf = node<RecField>(at, t->fieldTypes[size_t(f)]);
        rf->rec = obj;
        rf->idx = f;
        Operand r;
        r.e = rf;
        return r;
    }
    case TK::Variant: {
        auto *dm = node<DynMember>(at, e_->tVariant);
        dm->obj = obj;
        dm->name = name;
        if (tok_.is("(")) {
            next();
            dm->call = true;
            if (!accept(")")) {
                do
                    dm->args.push_back(parseExpr());
                while (accept(","));
                expect(")");
            }
        }
        Operand r;
        r.e = dm;
        return r;
    }
    case TK::Nil:
        failAt(at, QStringLiteral("Undeclared identifier: '%1'").arg(name));
    default:
        failAt(at, QStringLiteral("Record, object or class type required"));
    }
}

Expr *Compiler::finish(Operand &op, const Pos &at)
{
    switch (op.kind) {
    case Operand::Val:
        return op.e;
    case Operand::TypeRef: {
        if (op.t->k == TK::Class) { // a class as a value: its name
            return constant(Value(op.t->cls->name), op.t->cls->refType, at);
        }
        failAt(op.pos, QStringLiteral("Expression expected, but type '%1' found").arg(op.t->name));
    }
    default:
        return callOperand(op, op.pos, false);
    }
}

std::vector<Expr *> Compiler::parseArgs(const std::vector<Param> *params,
                                        const QString &name,
                                        const Pos &at,
                                        bool withParens,
                                        size_t skip)
{
    std::vector<Expr *> args;
    if (withParens) {
        expect("(");
        if (!accept(")")) {
            do {
                Pos ap = tok_.pos;
                Expr *x = parseExpr();
                size_t i = args.size() + skip;
                if (params) {
                    if (i >= params->size())
                        failAt(ap, QStringLiteral("Too many actual parameters for '%1'").arg(name));
                    const Param &p = (*params)[i];
                    if (p.mode == PMode::Var || p.mode == PMode::Out) {
                        if (!x->isLValue())
                            failAt(ap, QStringLiteral("Variable required"));
                        if (p.type->k != TK::Variant && x->type->k != p.type->k
                            && !(x->type->k == TK::Char && p.type->k == TK::String))
                            failAt(ap,
                                   QStringLiteral("Types of actual and formal var parameters "
                                                  "must be identical"));
                    } else {
                        x = coerce(x, p.type, ap);
                        if (p.type->isAggregateValue() && p.mode == PMode::Value) {
                            auto *cl = node<CloneExpr>(ap, x->type);
                            cl->e = x;
                            x = cl;
                        }
                    }
                }
                args.push_back(x);
            } while (accept(","));
            expect(")");
        }
    }
    if (params) {
        size_t need = 0;
        for (auto &p : *params)
            if (!p.hasDefault)
                ++need;
        if (args.size() + skip < need)
            failAt(at, QStringLiteral("Not enough actual parameters for '%1'").arg(name));
    }
    return args;
}

Expr *Compiler::callOperand(Operand &op, const Pos &at, bool withParens)
{
    if (constExpr_ && op.kind != Operand::BuiltinFn && op.kind != Operand::Func)
        failAt(at, QStringLiteral("Constant expression expected"));
    switch (op.kind) {
    case Operand::Func: {
        Routine *r = op.r;
        if (constExpr_ && !r->isHostFn)
            failAt(at, QStringLiteral("Constant expression expected"));
        auto args = parseArgs(&r->params, r->name, at, withParens);
        Type *rt = r->result ? r->result : e_->tVoid;
        if (r->isHostFn) {
            auto *c = node<CallHost>(at, rt);
            c->r = r;
            c->args = std::move(args);
            return c;
        }
        auto *c = node<CallScript>(at, rt);
        c->r = r;
        c->args = std::move(args);
        c->hops = r->level <= 1 ? -1 : fn().level - (r->level - 1);
        return c;
    }
    case Operand::Method: {
        Routine *r = op.r;
        auto args = parseArgs(&r->params, r->name, at, withParens);
        auto *c = node<CallMethod>(at, r->result ? r->result : e_->tVoid);
        c->obj = op.obj;
        c->r = r;
        c->args = std::move(args);
        if (r->isCtor && !op.obj)
            c->inherited = false;
        return c;
    }
    case Operand::Ctor: {
        auto *c = node<CallCtor>(at, op.cls->type);
        c->cls = op.cls;
        c->r = op.r;
        static const std::vector<Param> none;
        c->args = parseArgs(op.r ? &op.r->params : nullptr, op.name, at, withParens);
        if (!op.r && !c->args.empty())
            failAt(at, QStringLiteral("Too many actual parameters for '%1'").arg(op.name));
        return c;
    }
    case Operand::BuiltinFn:
        return parseBuiltin(op, at, withParens);
    case Operand::Val: {
        if (op.e->type->k == TK::Proc) {
            auto *c = node<CallProcRef>(at, e_->tVariant);
            c->proc = op.e;
            c->args = parseArgs(nullptr, op.name, at, withParens);
            return c;
        }
        return op.e;
    }
    default:
        failAt(at, QStringLiteral("Expression expected"));
    }
}

Expr *Compiler::parseBuiltin(Operand &op, const Pos &at, bool withParens)
{
    Builtin b = op.b;
    auto *bc = node<BuiltinCall>(at, e_->tVoid);
    bc->id = b;
    if (b == Builtin::Free && op.obj) {
        bc->args = {op.obj};
        if (withParens) {
            expect("(");
            expect(")");
        }
        return bc;
    }
    if (b == Builtin::ClassName) {
        bc->type = e_->tString;
        bc->args = {op.obj};
        if (withParens) {
            expect("(");
            expect(")");
        }
        return bc;
    }
    if (b == Builtin::ExceptionMessage) {
        bc->type = e_->tString;
        if (withParens) {
            expect("(");
            expect(")");
        }
        return bc;
    }
    if (!withParens) {
        if (b == Builtin::WriteLn || b == Builtin::Write)
            return bc;
        failAt(at, QStringLiteral("'(' expected"));
    }
    expect("(");
    // High, Low and SizeOf also take a type
    if ((b == Builtin::High || b == Builtin::Low || b == Builtin::SizeOf) && tok_.kind == Tok::Ident
        && namedType(tok_.lower) && peekTok().is(")")) {
        Type *t = namedType(tok_.lower);
        next();
        expect(")");
        if (b == Builtin::SizeOf)
            return constant(Value(int64_t(8)), e_->tInt, at);
        bool hi = b == Builtin::High;
        switch (t->k) {
        case TK::Int:
            return constant(Value(hi ? INT64_MAX : INT64_MIN), e_->tInt, at);
        case TK::Enum:
        case TK::Array:
            return constant(Value(hi ? t->hi : t->lo), t->k == TK::Enum ? t : e_->tInt, at);
        case TK::Bool:
            return constant(Value(hi), e_->tBool, at);
        case TK::Char:
            return constant(Value(QString(QChar(hi ? 0xFFFF : 0))), e_->tChar, at);
        default:
            failAt(at, QStringLiteral("Ordinal type required"));
        }
    }
    std::vector<Expr *> args;
    std::vector<Pos> poss;
    if (!accept(")")) {
        do {
            poss.push_back(tok_.pos);
            args.push_back(parseExpr());
            if ((b == Builtin::Write || b == Builtin::WriteLn) && accept(":")) {
                parseExpr(); // field width: accepted, ignored
                if (accept(":"))
                    parseExpr();
            }
        } while (accept(","));
        expect(")");
    }
    auto need = [&](size_t lo, size_t hi) {
        if (args.size() < lo)
            failAt(at, QStringLiteral("Not enough actual parameters"));
        if (args.size() > hi)
            failAt(at, QStringLiteral("Too many actual parameters"));
    };
    auto lvalue = [&](size_t i) {
        if (!args[i]->isLValue())
            failAt(poss[i], QStringLiteral("Variable required"));
    };
    bc->args = args;
    switch (b) {
    case Builtin::Length:
        need(1, 1);
        bc->type = e_->tInt;
        break;
    case Builtin::High:
    case Builtin::Low: {
        need(1, 1);
        Type *t = args[0]->type;
        if (t->k == TK::Array)
            return constant(Value(b == Builtin::High ? t->hi : t->lo), e_->tInt, at);
        bc->type = e_->tInt;
        break;
    }
    case Builtin::Ord:
        need(1, 1);
        bc->type = e_->tInt;
        if (args[0]->isConst())
            return constant(evalConst(bc, at), e_->tInt, at);
        break;
    case Builtin::Chr:
        need(1, 1);
        bc->args[0] = coerce(args[0], e_->tInt, poss[0]);
        bc->type = e_->tChar;
        if (args[0]->isConst())
            return constant(evalConst(bc, at), e_->tChar, at);
        break;
    case Builtin::Succ:
    case Builtin::Pred:
        need(1, 1);
        bc->type = args[0]->type;
        bc->argType = args[0]->type;
        break;
    case Builtin::Assigned:
        need(1, 1);
        bc->type = e_->tBool;
        break;
    case Builtin::Abs:
    case Builtin::Sqr:
        need(1, 1);
        bc->type = args[0]->type->k == TK::Int       ? e_->tInt
                   : args[0]->type->k == TK::Variant ? e_->tVariant
                                                     : e_->tFloat;
        if (!args[0]->type->isNumeric() && args[0]->type->k != TK::Variant)
            failAt(poss[0], QStringLiteral("Incompatible types"));
        break;
    case Builtin::Min:
    case Builtin::Max:
        need(2, 2);
        bc->type = args[0]->type->k == TK::Int && args[1]->type->k == TK::Int ? e_->tInt
                                                                              : e_->tFloat;
        if (args[0]->type->k == TK::Variant || args[1]->type->k == TK::Variant)
            bc->type = e_->tVariant;
        break;
    case Builtin::Copy:
        need(1, 3);
        bc->type = args[0]->type->k == TK::DynArray ? args[0]->type : e_->tString;
        for (size_t i = 1; i < args.size(); ++i)
            bc->args[i] = coerce(args[i], e_->tInt, poss[i]);
        break;
    case Builtin::Inc:
    case Builtin::Dec:
        need(1, 2);
        lvalue(0);
        if (!args[0]->type->isOrdinal() && args[0]->type->k != TK::Variant)
            failAt(poss[0], QStringLiteral("Ordinal type required"));
        if (args.size() > 1)
            bc->args[1] = coerce(args[1], e_->tInt, poss[1]);
        bc->argType = args[0]->type;
        break;
    case Builtin::SetLength:
        need(2, 4);
        lvalue(0);
        for (size_t i = 1; i < args.size(); ++i)
            bc->args[i] = coerce(args[i], e_->tInt, poss[i]);
        bc->argType = args[0]->type;
        if (args[0]->type->k != TK::DynArray && args[0]->type->k != TK::String
            && args[0]->type->k != TK::Variant)
            failAt(poss[0], QStringLiteral("Incompatible types"));
        break;
    case Builtin::Include:
    case Builtin::Exclude:
        need(2, 2);
        lvalue(0);
        break;
    case Builtin::Free: // FreeAndNil(X)
        need(1, 1);
        lvalue(0);
        bc->argType = e_->tNil;
        break;
    case Builtin::SizeOf:
        need(1, 1);
        return constant(Value(int64_t(8)), e_->tInt, at);
    default:
        break;
    }
    return bc;
}

Expr *Compiler::coerce(Expr *x, Type *t, const Pos &at)
{
    Type *s = x->type;
    if (!t || s == t)
        return x;
    TK sk = s->k, tk = t->k;
    auto conv = [&]() -> Expr * {
        auto *c = node<Convert>(at, t);
        c->e = x;
        if (x->isConst()) {
            Value v = evalConst(c, at);
            return constant(v, t, at);
        }
        return c;
    };
    auto bad = [&]() -> Expr * {
        if (sk == TK::Void)
            failAt(at, QStringLiteral("Expression expected (a procedure has no value)"));
        failAt(at,
               QStringLiteral("Incompatible types: '%1' and '%2'").arg(typeName(t), typeName(s)));
    };
    if (sk == TK::Void)
        return bad();
    if (tk == TK::Variant) {
        if (auto *sc = dynamic_cast<SetCtor *>(x)) { // [a, b] as a variant: an array
            auto *ac = node<ArrayCtor>(at, arrayOf(e_->tVariant));
            for (auto &[lo, hi] : sc->items) {
                if (hi)
                    failAt(at, QStringLiteral("Ranges are not allowed in an array constructor"));
                ac->items.push_back(lo);
            }
            return ac;
        }
        if (sk == TK::Char && !x->isConst())
            return x;
        return x;
    }
    if (sk == TK::Variant)
        return conv();
    switch (tk) {
    case TK::Int:
        if (sk == TK::Int)
            return x;
        return bad();
    case TK::Float:
    case TK::Date:
        if (sk == TK::Int || sk == TK::Float || sk == TK::Date)
            return conv();
        return bad();
    case TK::Bool:
        return sk == TK::Bool ? x : bad();
    case TK::String:
        if (sk == TK::Char || sk == TK::String)
            return x;
        return bad();
    case TK::Char:
        if (sk == TK::Char)
            return x;
        if (sk == TK::String && x->isConst() && static_cast<ConstExpr *>(x)->v.str().size() == 1)
            return x;
        return bad();
    case TK::Enum:
        if (sk == TK::Enum
            && (s->name.compare(t->name, Qt::CaseInsensitive) == 0 || s->enumNames == t->enumNames))
            return x;
        return bad();
    case TK::Class:
        if (sk == TK::Nil)
            return x;
        if (sk == TK::Class && s->cls->isA(t->cls))
            return x;
        return bad();
    case TK::ClassRef:
        if (sk == TK::ClassRef && s->cls->isA(t->cls))
            return x;
        return bad();
    case TK::Proc:
        if (sk == TK::Proc || sk == TK::Nil)
            return x;
        return bad();
    case TK::Set:
        if (sk == TK::Set)
            return x;
        return bad();
    case TK::DynArray: {
        if (auto *sc = dynamic_cast<SetCtor *>(x)) {
            auto *ac = node<ArrayCtor>(at, t);
            for (auto &[lo, hi] : sc->items) {
                if (hi)
                    failAt(at, QStringLiteral("Ranges are not allowed in an array constructor"));
                ac->items.push_back(coerce(lo, t->elem, at));
            }
            return ac;
        }
        if (sk == TK::Nil)
            return constant(Value::fromBox(VType::Array, nullptr), t, at);
        if (sk == TK::DynArray
            && (s->elem == t->elem || s->elem->k == t->elem->k || t->elem->k == TK::Variant))
            return x;
        return bad();
    }
    case TK::Array:
        if (sk == TK::Array && s->hi - s->lo == t->hi - t->lo && s->elem->k == t->elem->k)
            return x;
        return bad();
    case TK::Record:
        if (sk == TK::Record && s->fieldNames == t->fieldNames)
            return x;
        return bad();
    default:
        return bad();
    }
}

static Op opOf(const QString &op)
{
    static const QHash<QString, Op> ops = {
            {QStringLiteral("+"), Op::Add},
            {QStringLiteral("-"), Op::Sub},
            {QStringLiteral("*"), Op::Mul},
            {QStringLiteral("/"), Op::FDiv},
            {QStringLiteral("div"), Op::IDiv},
            {QStringLiteral("mod"), Op::Mod},
            {QStringLiteral("and"), Op::And},
            {QStringLiteral("or"), Op::Or},
            {QStringLiteral("xor"), Op::Xor},
            {QStringLiteral("shl"), Op::Shl},
            {QStringLiteral("shr"), Op::Shr},
            {QStringLiteral("="), Op::Eq},
            {QStringLiteral("<>"), Op::Ne},
            {QStringLiteral("<"), Op::Lt},
            {QStringLiteral("<="), Op::Le},
            {QStringLiteral(">"), Op::Gt},
            {QStringLiteral(">="), Op::Ge},
            {QStringLiteral("in"), Op::In},
    };
    return ops.value(op);
}

template<Op op>
static Expr *mkIntBin(Program *p, const Pos &at, Type *t, Expr *l, Expr *r)
{
    auto *n = p->make<IntBin<op>>();
    n->pos = at;
    n->type = t;
    n->l = l;
    n->r = r;
    return n;
}

template<Op op>
static Expr *mkIntCmp(Program *p, const Pos &at, Type *t, Expr *l, Expr *r)
{
    auto *n = p->make<IntCompare<op>>();
    n->pos = at;
    n->type = t;
    n->l = l;
    n->r = r;
    return n;
}

Expr *Compiler::binary(const QString &opText, Expr *l, Expr *r, const Pos &at)
{
    Op op = opOf(opText);
    TK a = l->type->k, b = r->type->k;
    auto bad = [&]() -> Expr * {
        failAt(at, QStringLiteral("Operator not applicable to this operand type"));
    };
    auto fold = [&](Expr *x) -> Expr * {
        if (l->isConst() && r->isConst())
            return constant(evalConst(x, at), x->type, at);
        return x;
    };
    bool isCmp = op == Op::Eq || op == Op::Ne || op == Op::Lt || op == Op::Le || op == Op::Gt
                 || op == Op::Ge;
    if (op == Op::In) {
        if (b != TK::Set && b != TK::Variant && b != TK::DynArray)
            bad();
        auto *n = node<InSet>(at, e_->tBool);
        n->l = l;
        n->r = r;
        return fold(n);
    }
    if (a == TK::Void || b == TK::Void)
        failAt(at, QStringLiteral("Expression expected (a procedure has no value)"));
    if (a == TK::Variant || b == TK::Variant) {
        if (isCmp) {
            auto *n = node<Compare>(at, e_->tBool);
            n->op = op;
            n->kind = CmpKind::Var;
            n->l = l;
            n->r = r;
            return n;
        }
        if ((a == TK::Bool || b == TK::Bool) && (op == Op::And || op == Op::Or)) {
            // Boolean logic with a variant operand: short-circuit on the Boolean side
            Expr *x;
            if (op == Op::And) {
                auto *n = node<LogicAnd>(at, e_->tBool);
                n->l = coerce(l, e_->tBool, at);
                n->r = coerce(r, e_->tBool, at);
                x = n;
            } else {
                auto *n = node<LogicOr>(at, e_->tBool);
                n->l = coerce(l, e_->tBool, at);
                n->r = coerce(r, e_->tBool, at);
                x = n;
            }
            return x;
        }
        auto *n = node<VarBin>(at, e_->tVariant);
        n->op = op;
        n->l = l;
        n->r = r;
        return n;
    }
    auto isStr = [](TK k) { return k == TK::String || k == TK::Char; };
    auto isNum = [](TK k) { return k == TK::Int || k == TK::Float || k == TK::Date; };
    if (isCmp) {
        auto *n = node<Compare>(at, e_->tBool);
        n->op = op;
        n->l = l;
        n->r = r;
        if (a == TK::Int && b == TK::Int)
            n->kind = CmpKind::Int;
        else if (isNum(a) && isNum(b))
            n->kind = CmpKind::Float;
        else if (isStr(a) && isStr(b))
            n->kind = CmpKind::Str;
        else if ((a == TK::Enum && b == TK::Enum) || (a == TK::Bool && b == TK::Bool))
            n->kind = CmpKind::Int;
        else if ((a == TK::Class || a == TK::Nil || a == TK::ClassRef || a == TK::Proc
                  || a == TK::DynArray)
                 && (b == TK::Class || b == TK::Nil || b == TK::ClassRef || b == TK::Proc
                     || b == TK::DynArray)) {
            if (op != Op::Eq && op != Op::Ne)
                bad();
            n->kind = CmpKind::Obj;
        } else if (a == TK::Set && b == TK::Set)
            n->kind = CmpKind::Set;
        else
            failAt(at,
                   QStringLiteral("Incompatible types: '%1' and '%2'")
                           .arg(typeName(l->type), typeName(r->type)));
        if (n->kind == CmpKind::Int && a == TK::Bool) {
            // compare booleans through their ordinals
            n->kind = CmpKind::Var;
        }
        if (n->kind == CmpKind::Int) {
            Expr *x = nullptr;
            switch (op) {
            case Op::Eq:
                x = mkIntCmp<Op::Eq>(p_, at, e_->tBool, l, r);
                break;
            case Op::Ne:
                x = mkIntCmp<Op::Ne>(p_, at, e_->tBool, l, r);
                break;
            case Op::Lt:
                x = mkIntCmp<Op::Lt>(p_, at, e_->tBool, l, r);
                break;
            case Op::Le:
                x = mkIntCmp<Op::Le>(p_, at, e_->tBool, l, r);
                break;
            case Op::Gt:
                x = mkIntCmp<Op::Gt>(p_, at, e_->tBool, l, r);
                break;
            default:
                x = mkIntCmp<Op::Ge>(p_, at, e_->tBool, l, r);
                break;
            }
            return fold(x);
        }
        return fold(n);
    }
    if (a == TK::Set && b == TK::Set && (op == Op::Add || op == Op::Sub || op == Op::Mul)) {
        auto *n = node<SetBin>(at, l->type);
        n->op = op;
        n->l = l;
        n->r = r;
        return fold(n);
    }
    if (op == Op::Add && isStr(a) && isStr(b)) {
        auto *n = node<Concat>(at, e_->tString);
        n->l = l;
        n->r = r;
        return fold(n);
    }
    if (a == TK::Bool && b == TK::Bool) {
        Expr *x = nullptr;
        if (op == Op::And) {
            auto *n = node<LogicAnd>(at, e_->tBool);
            n->l = l, n->r = r, x = n;
        } else if (op == Op::Or) {
            auto *n = node<LogicOr>(at, e_->tBool);
            n->l = l, n->r = r, x = n;
        } else if (op == Op::Xor) {
            auto *n = node<LogicXor>(at, e_->tBool);
            n->l = l, n->r = r, x = n;
        } else {
            bad();
        }
        return fold(x);
    }
    if (a == TK::Int && b == TK::Int && op != Op::FDiv) {
        Type *t = e_->tInt;
        Expr *x = nullptr;
        switch (op) {
        case Op::Add:
            x = mkIntBin<Op::Add>(p_, at, t, l, r);
            break;
        case Op::Sub:
            x = mkIntBin<Op::Sub>(p_, at, t, l, r);
            break;
        case Op::Mul:
            x = mkIntBin<Op::Mul>(p_, at, t, l, r);
            break;
        case Op::IDiv:
            x = mkIntBin<Op::IDiv>(p_, at, t, l, r);
            break;
        case Op::Mod:
            x = mkIntBin<Op::Mod>(p_, at, t, l, r);
            break;
        case Op::And:
            x = mkIntBin<Op::And>(p_, at, t, l, r);
            break;
        case Op::Or:
            x = mkIntBin<Op::Or>(p_, at, t, l, r);
            break;
        case Op::Xor:
            x = mkIntBin<Op::Xor>(p_, at, t, l, r);
            break;
        case Op::Shl:
            x = mkIntBin<Op::Shl>(p_, at, t, l, r);
            break;
        case Op::Shr:
            x = mkIntBin<Op::Shr>(p_, at, t, l, r);
            break;
        default:
            bad();
        }
        return fold(x);
    }
    if (isNum(a) && isNum(b)) {
        if (op != Op::Add && op != Op::Sub && op != Op::Mul && op != Op::FDiv)
            bad();
        Type *t = e_->tFloat;
        if ((a == TK::Date) != (b == TK::Date) && (op == Op::Add || op == Op::Sub))
            t = e_->tDate;
        auto *n = node<FloatBin>(at, t);
        n->op = op;
        n->l = l;
        n->r = r;
        return fold(n);
    }
    return bad();
}

// ---------------------------------------------------------------- host declarations

std::unique_ptr<Routine> Compiler::parseHostRoutine(const QString &decl, ClassInfo *ofClass)
{
    lex_ = std::make_unique<Lexer>(decl, -1);
    hasPeek_ = false;
    next();
    auto r = std::make_unique<Routine>();
    QString kind = tok_.lower;
    if (acceptKw("class"))
        kind = tok_.lower;
    if (!acceptKw("function") && !acceptKw("procedure") && !acceptKw("constructor")
        && !acceptKw("destructor"))
        expected(QStringLiteral("'PROCEDURE' or 'FUNCTION'"));
    r->name = expectIdent();
    r->params = parseParams();
    if (kind == QLatin1String("function")) {
        expect(":");
        r->result = parseType();
    }
    accept(";");
    r->isHostFn = true;
    r->defined = true;
    r->ofClass = ofClass;
    r->isCtor = kind == QLatin1String("constructor");
    for (auto &p : r->params)
        if (p.mode == PMode::Var || p.mode == PMode::Out)
            r->hasVarParams = true;
    if (tok_.kind != Tok::End)
        expected(QStringLiteral("end of declaration"));
    return r;
}

std::unique_ptr<PropInfo> Compiler::parseHostProperty(const QString &decl)
{
    lex_ = std::make_unique<Lexer>(decl, -1);
    hasPeek_ = false;
    next();
    acceptKw("property");
    auto pi = std::make_unique<PropInfo>();
    pi->name = expectIdent();
    if (accept("[")) {
        do {
            std::vector<QString> names;
            acceptKw("const");
            do
                names.push_back(expectIdent());
            while (accept(","));
            expect(":");
            Type *t = parseType();
            for (auto &n : names)
                pi->index.push_back(Param{n, t, PMode::Value, false, {}});
        } while (accept(";"));
        expect("]");
    }
    expect(":");
    pi->type = parseType();
    accept(";");
    if (acceptKw("default"))
        pi->isDefault = true;
    accept(";");
    if (tok_.kind != Tok::End)
        expected(QStringLiteral("end of declaration"));
    return pi;
}

Type *Compiler::parseHostType(const QString &text)
{
    lex_ = std::make_unique<Lexer>(text, -1);
    hasPeek_ = false;
    next();
    Type *t = parseType();
    if (tok_.kind != Tok::End)
        expected(QStringLiteral("end of type"));
    return t;
}

} // namespace script
