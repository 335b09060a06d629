#include "lexer.h"

namespace script {

Lexer::Lexer(const QString &src, int unit)
    : src_(src)
    , unit_(unit)
{
    if (src_.startsWith(QChar(0xFEFF)))
        i_ = 1;
}

void Lexer::fail(const QString &msg, int line, int col)
{
    throw CompileFailure{msg, Pos{line, col, unit_}};
}

void Lexer::advance()
{
    if (src_.at(i_) == QLatin1Char('\n')) {
        ++line_;
        col_ = 1;
    } else {
        ++col_;
    }
    ++i_;
}

void Lexer::skipSpace()
{
    for (;;) {
        QChar c = peek();
        if (c.isNull())
            return;
        if (c.isSpace()) {
            advance();
        } else if (c == QLatin1Char('/') && peek(1) == QLatin1Char('/')) {
            while (!peek().isNull() && peek() != QLatin1Char('\n'))
                advance();
        } else if (c == QLatin1Char('{')) {
            int l = line_, cl = col_;
            while (!peek().isNull() && peek() != QLatin1Char('}'))
                advance();
            if (peek().isNull())
                fail(QStringLiteral("Unterminated comment"), l, cl);
            advance();
        } else if (c == QLatin1Char('(') && peek(1) == QLatin1Char('*')) {
            int l = line_, cl = col_;
            advance();
            advance();
            while (!peek().isNull() && !(peek() == QLatin1Char('*') && peek(1) == QLatin1Char(')')))
                advance();
            if (peek().isNull())
                fail(QStringLiteral("Unterminated comment"), l, cl);
            advance();
            advance();
        } else {
            return;
        }
    }
}

static bool identStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}

Token Lexer::next()
{
    skipSpace();
    Token t;
    t.pos = Pos{line_, col_, unit_};
    QChar c = peek();
    if (c.isNull())
        return t;
    if (identStart(c)) {
        qsizetype s = i_;
        while (identStart(peek()) || peek().isDigit())
            advance();
        t.kind = Tok::Ident;
        t.text = src_.mid(s, i_ - s);
        t.lower = t.text.toLower();
        return t;
    }
    if (c.isDigit() || (c == QLatin1Char('$') && peek(1).isLetterOrNumber())) {
        qsizetype s = i_;
        if (c == QLatin1Char('$')) {
            advance();
            while (peek().isLetterOrNumber())
                advance();
            bool ok = false;
            t.ival = int64_t(src_.mid(s + 1, i_ - s - 1).toULongLong(&ok, 16));
            if (!ok)
                fail(QStringLiteral("Invalid hexadecimal number"), t.pos.line, t.pos.col);
            t.kind = Tok::Int;
            return t;
        }
        while (peek().isDigit())
            advance();
        bool isFloat = false;
        if (peek() == QLatin1Char('.') && peek(1).isDigit()) {
            isFloat = true;
            advance();
            while (peek().isDigit())
                advance();
        }
        if ((peek() == QLatin1Char('e') || peek() == QLatin1Char('E'))
            && (peek(1).isDigit()
                || ((peek(1) == QLatin1Char('+') || peek(1) == QLatin1Char('-'))
                    && peek(2).isDigit()))) {
            isFloat = true;
            advance();
            advance();
            while (peek().isDigit())
                advance();
        }
        QString text = src_.mid(s, i_ - s);
        bool ok = false;
        if (isFloat) {
            t.kind = Tok::Float;
            t.fval = text.toDouble(&ok);
        } else {
            t.kind = Tok::Int;
            t.ival = text.toLongLong(&ok);
            if (!ok) { // too large for Int64: a float, as in Object Pascal
                t.kind = Tok::Float;
                t.fval = text.toDouble(&ok);
            }
        }
        if (!ok)
            fail(QStringLiteral("Invalid number '%1'").arg(text), t.pos.line, t.pos.col);
        return t;
    }
    if (c == QLatin1Char('\'') || c == QLatin1Char('#')) {
        QString val;
        while (peek() == QLatin1Char('\'') || peek() == QLatin1Char('#')) {
            if (peek() == QLatin1Char('\'')) {
                int l = line_, cl = col_;
                advance();
                for (;;) {
                    QChar ch = peek();
                    if (ch.isNull() || ch == QLatin1Char('\n') || ch == QLatin1Char('\r'))
                        fail(QStringLiteral("Unterminated string"), l, cl);
                    advance();
                    if (ch == QLatin1Char('\'')) {
                        if (peek() == QLatin1Char('\'')) {
                            val += QLatin1Char('\'');
                            advance();
                            continue;
                        }
                        break;
                    }
                    val += ch;
                }
            } else {
                int l = line_, cl = col_;
                advance();
                qsizetype s = i_;
                bool hex = peek() == QLatin1Char('$');
                if (hex)
                    advance();
                while (hex ? peek().isLetterOrNumber() : peek().isDigit())
                    advance();
                bool ok = false;
                uint code = src_.mid(hex ? s + 1 : s, i_ - s - (hex ? 1 : 0))
                                    .toUInt(&ok, hex ? 16 : 10);
                if (!ok || code > 0xFFFF)
                    fail(QStringLiteral("Invalid character code"), l, cl);
                val += QChar(char16_t(code));
            }
        }
        t.kind = Tok::Str;
        t.text = val;
        return t;
    }
    static const char *two[] = {":=", "<=", ">=", "<>", "..", "+=", "-="};
    for (const char *s : two) {
        if (c == QLatin1Char(s[0]) && peek(1) == QLatin1Char(s[1])) {
            advance();
            advance();
            t.kind = Tok::Sym;
            t.text = QString::fromLatin1(s);
            return t;
        }
    }
    static const QString one = QStringLiteral("+-*/=<>()[].,;:^@");
    if (one.contains(c)) {
        advance();
        t.kind = Tok::Sym;
        t.text = QString(c);
        return t;
    }
    fail(QStringLiteral("Illegal character '%1'").arg(c), line_, col_);
}

} // namespace script
