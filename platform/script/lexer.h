#pragma once

#include "program.h"

namespace script {

enum class Tok {
    End,
    Ident,
    Int,
    Float,
    Str, // string or character literal, possibly joined from 'a'#13#10'b'
    Sym, // operator or punctuation; text holds it
};

struct Token
{
    Tok kind = Tok::End;
    QString text;  // identifier as written, symbol, or string value
    QString lower; // identifier in lower case
    int64_t ival = 0;
    double fval = 0;
    Pos pos;
    bool is(const char *sym) const { return kind == Tok::Sym && text == QLatin1String(sym); }
    bool kw(const char *word) const { return kind == Tok::Ident && lower == QLatin1String(word); }
};

struct CompileFailure
{
    QString message;
    Pos pos;
};

class Lexer
{
public:
    Lexer(const QString &src, int unit);
    Token next();

private:
    [[noreturn]] void fail(const QString &msg, int line, int col);
    QChar peek(int k = 0) const { return i_ + k < src_.size() ? src_.at(i_ + k) : QChar(); }
    void advance();
    void skipSpace();
    QString src_;
    qsizetype i_ = 0;
    int line_ = 1;
    int col_ = 1;
    int unit_;
};

} // namespace script
