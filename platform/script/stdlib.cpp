// The standard library: string, math, date, conversion, variant and file routines with
// Object Pascal names and semantics (1-based strings, dates as days since 1899-12-30).

#include "classlib.h"
#include "engineimpl.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>

#include <cmath>

namespace script {

namespace {

EngineImpl *g_unused = nullptr;

void fn(EngineImpl *e, const char *decl, HostFn f)
{
    HostFunc h;
    h.decl = QString::fromLatin1(decl);
    h.fn = std::move(f);
    h.system = true;
    e->hostFns.push_back(std::move(h));
}

void constant(EngineImpl *e, const char *name, const Value &v)
{
    HostVar h;
    h.name = QString::fromLatin1(name);
    h.init = v;
    h.isConst = true;
    e->hostVars.push_back(h);
}

[[noreturn]] void convertError(const QString &msg)
{
    raiseError(QStringLiteral("EConvertError"), msg);
}

const QDateTime &epoch()
{
    static const QDateTime e(QDate(1899, 12, 30), QTime(0, 0));
    return e;
}

QDate toDate(double v)
{
    return epoch().date().addDays(qint64(std::floor(v)));
}

QTime toTime(double v)
{
    double frac = v - std::floor(v);
    int ms = int(std::llround(frac * 86400000.0));
    if (ms >= 86400000)
        ms = 86400000 - 1;
    return QTime(0, 0).addMSecs(ms);
}

double fromDate(const QDate &d)
{
    return double(epoch().date().daysTo(d));
}

double fromTime(const QTime &t)
{
    return t.msecsSinceStartOfDay() / 86400000.0;
}

double fromDateTime(const QDateTime &dt)
{
    return fromDate(dt.date()) + fromTime(dt.time());
}

double encodeDate(int64_t y, int64_t m, int64_t d)
{
    QDate dt{int(y), int(m), int(d)};
    if (!dt.isValid() || y < 1 || y > 9999)
        convertError(QStringLiteral("Invalid argument to date encode"));
    return fromDate(dt);
}

double encodeTime(int64_t h, int64_t n, int64_t s, int64_t ms)
{
    if (h < 0 || h > 23 || n < 0 || n > 59 || s < 0 || s > 59 || ms < 0 || ms > 999)
        convertError(QStringLiteral("Invalid argument to time encode"));
    return (((h * 60 + n) * 60 + s) * 1000 + ms) / 86400000.0;
}

bool parseDate(const QString &s0, double &out)
{
    QString s = s0.trimmed();
    QStringList parts = s.split(QRegularExpression(QStringLiteral("[./-]")));
    if (parts.size() != 3)
        return false;
    bool a, b, c;
    int d = parts[0].toInt(&a), m = parts[1].toInt(&b), y = parts[2].toInt(&c);
    if (!a || !b || !c)
        return false;
    if (parts[2].size() <= 2)
        y += y < 50 ? 2000 : 1900;
    QDate dt(y, m, d);
    if (!dt.isValid())
        return false;
    out = fromDate(dt);
    return true;
}

bool parseTime(const QString &s0, double &out)
{
    QStringList parts = s0.trimmed().split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3)
        return false;
    bool a, b, c = true;
    int h = parts[0].toInt(&a), n = parts[1].toInt(&b),
        sec = parts.size() > 2 ? parts[2].toInt(&c) : 0;
    if (!a || !b || !c || h > 23 || n > 59 || sec > 59 || h < 0 || n < 0 || sec < 0)
        return false;
    out = encodeTime(h, n, sec, 0);
    return true;
}

bool parseDateTime(const QString &s0, double &out)
{
    QString s = s0.trimmed();
    qsizetype sp = s.indexOf(QLatin1Char(' '));
    double d = 0, t = 0;
    if (sp < 0) {
        if (parseDate(s, d)) {
            out = d;
            return true;
        }
        if (parseTime(s, t)) {
            out = t;
            return true;
        }
        return false;
    }
    if (!parseDate(s.left(sp), d) || !parseTime(s.mid(sp + 1), t))
        return false;
    out = d + t;
    return true;
}

// Round half to even, as Object Pascal's Round.
int64_t bankersRound(double v)
{
    if (!std::isfinite(v) || std::fabs(v) >= 9.2e18)
        raiseError(QStringLiteral("EInvalidOp"),
                   QStringLiteral("Invalid floating point operation"));
    return int64_t(std::nearbyint(v));
}

QString pad(const QString &s, int width, bool left)
{
    if (s.size() >= width)
        return s;
    QString fill(width - s.size(), QLatin1Char(' '));
    return left ? s + fill : fill + s;
}

QString thousands(const QString &digits)
{
    QString out;
    int n = int(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += QLatin1Char(',');
        out += digits[i];
    }
    return out;
}

QString fixed(double v, int prec, bool groups)
{
    QString s = QString::number(std::fabs(v), 'f', prec);
    if (groups) {
        qsizetype dot = s.indexOf(QLatin1Char('.'));
        QString ip = dot < 0 ? s : s.left(dot);
        s = thousands(ip) + (dot < 0 ? QString() : s.mid(dot));
    }
    bool zero = s.count(QRegularExpression(QStringLiteral("[1-9]"))) == 0;
    return (v < 0 && !zero) ? QLatin1Char('-') + s : s;
}

QString formatFloat(const QString &fmt, double v)
{
    QString f = fmt;
    // sections: positive;negative;zero
    QStringList secs = f.split(QLatin1Char(';'));
    if (secs.size() > 1 && v < 0) {
        f = secs[1];
        v = -v;
    } else if (secs.size() > 2 && v == 0) {
        f = secs[2];
    } else {
        f = secs[0];
    }
    QString prefix, suffix, core;
    qsizetype first = -1, last = -1;
    for (qsizetype i = 0; i < f.size(); ++i) {
        QChar c = f[i];
        if (c == QLatin1Char('0') || c == QLatin1Char('#') || c == QLatin1Char('.')
            || c == QLatin1Char(',')) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    if (first < 0)
        return f;
    prefix = f.left(first);
    core = f.mid(first, last - first + 1);
    suffix = f.mid(last + 1);
    prefix.remove(QLatin1Char('"')).remove(QLatin1Char('\''));
    suffix.remove(QLatin1Char('"')).remove(QLatin1Char('\''));
    bool groups = core.contains(QLatin1Char(','));
    core.remove(QLatin1Char(','));
    qsizetype dot = core.indexOf(QLatin1Char('.'));
    QString ip = dot < 0 ? core : core.left(dot);
    QString fp = dot < 0 ? QString() : core.mid(dot + 1);
    int minDec = int(fp.count(QLatin1Char('0')));
    int maxDec = int(fp.size());
    int minInt = int(ip.count(QLatin1Char('0')));
    QString s = QString::number(std::fabs(v), 'f', maxDec);
    qsizetype sdot = s.indexOf(QLatin1Char('.'));
    QString si = sdot < 0 ? s : s.left(sdot);
    QString sf = sdot < 0 ? QString() : s.mid(sdot + 1);
    while (sf.size() > minDec && sf.endsWith(QLatin1Char('0')))
        sf.chop(1);
    if (si == QLatin1String("0") && minInt == 0)
        si.clear();
    while (si.size() < minInt)
        si.prepend(QLatin1Char('0'));
    if (groups)
        si = thousands(si);
    QString res = si;
    if (!sf.isEmpty())
        res += QLatin1Char('.') + sf;
    if (res.isEmpty())
        res = QStringLiteral("0");
    bool negative = v < 0 && res.count(QRegularExpression(QStringLiteral("[1-9]"))) > 0;
    return (negative ? QStringLiteral("-") : QString()) + prefix + res + suffix;
}

QString formatDateTime(const QString &fmt, double v)
{
    QDate d = toDate(v);
    QTime t = toTime(v);
    static const char *const shortMonths[]
            = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    static const char *const longMonths[] = {"January",
                                             "February",
                                             "March",
                                             "April",
                                             "May",
                                             "June",
                                             "July",
                                             "August",
                                             "September",
                                             "October",
                                             "November",
                                             "December"};
    static const char *const shortDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char *const longDays[]
            = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    QString out;
    QString f = fmt.isEmpty() ? QStringLiteral("dd.mm.yyyy hh:nn:ss") : fmt;
    bool afterHour = false;
    qsizetype i = 0;
    auto run = [&](QChar c) {
        qsizetype n = 0;
        while (i + n < f.size() && f[i + n].toLower() == c)
            ++n;
        return int(n);
    };
    while (i < f.size()) {
        QChar c = f[i].toLower();
        if (f[i] == QLatin1Char('\'') || f[i] == QLatin1Char('"')) {
            QChar q = f[i++];
            while (i < f.size() && f[i] != q)
                out += f[i++];
            ++i;
            continue;
        }
        int n = run(c);
        switch (c.unicode()) {
        case 'y':
            out += n <= 2 ? QString::number(d.year() % 100).rightJustified(2, QLatin1Char('0'))
                          : QString::number(d.year()).rightJustified(4, QLatin1Char('0'));
            break;
        case 'm':
            if (afterHour && n <= 2) {
                out += n == 2 ? QString::number(t.minute()).rightJustified(2, QLatin1Char('0'))
                              : QString::number(t.minute());
            } else if (n >= 4) {
                out += QLatin1String(longMonths[d.month() - 1]);
            } else if (n == 3) {
                out += QLatin1String(shortMonths[d.month() - 1]);
            } else {
                out += n == 2 ? QString::number(d.month()).rightJustified(2, QLatin1Char('0'))
                              : QString::number(d.month());
            }
            afterHour = false;
            break;
        case 'd':
            if (n >= 4)
                out += QLatin1String(longDays[d.dayOfWeek() % 7]);
            else if (n == 3)
                out += QLatin1String(shortDays[d.dayOfWeek() % 7]);
            else
                out += n == 2 ? QString::number(d.day()).rightJustified(2, QLatin1Char('0'))
                              : QString::number(d.day());
            break;
        case 'h':
            out += n >= 2 ? QString::number(t.hour()).rightJustified(2, QLatin1Char('0'))
                          : QString::number(t.hour());
            afterHour = true;
            i += n;
            continue;
        case 'n':
            out += n >= 2 ? QString::number(t.minute()).rightJustified(2, QLatin1Char('0'))
                          : QString::number(t.minute());
            break;
        case 's':
            out += n >= 2 ? QString::number(t.second()).rightJustified(2, QLatin1Char('0'))
                          : QString::number(t.second());
            break;
        case 'z':
            out += n >= 3 ? QString::number(t.msec()).rightJustified(3, QLatin1Char('0'))
                          : QString::number(t.msec());
            break;
        default:
            out += f.mid(i, n);
            break;
        }
        if (c != QLatin1Char(':') && c != QLatin1Char(' ') && c != QLatin1Char('h'))
            if (c != QLatin1Char('m'))
                afterHour = afterHour && (c == QLatin1Char(':') || c == QLatin1Char(' '));
        i += n;
    }
    return out;
}

std::vector<Value> arrayItems(const Value &v0)
{
    const Value &v = v0.t == VType::Ref ? *v0.r : v0;
    if (v.t == VType::Array && v.p)
        return static_cast<ArrayBox *>(v.p)->items;
    if (v.t == VType::Array || v.isEmpty())
        return {};
    return {v};
}

QString fileArg(const Args &a, size_t i)
{
    return a[i].toString();
}

int64_t varTypeOf(const Value &v)
{
    switch (v.t) {
    case VType::Empty:
        return 0;
    case VType::Null:
        return 1;
    case VType::Int:
        return 20;
    case VType::Float:
        return 5;
    case VType::Date:
        return 7;
    case VType::Bool:
        return 11;
    case VType::String:
        return 0x102;
    case VType::Dispatch:
        return 9;
    case VType::Array:
        return 0x200C;
    default:
        return 13; // varUnknown
    }
}

} // namespace

QString formatString(const QString &fmt, const Value &argv)
{
    std::vector<Value> args = arrayItems(argv);
    QString out;
    size_t next = 0;
    qsizetype i = 0;
    auto bad = [&]() {
        convertError(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(fmt));
    };
    while (i < fmt.size()) {
        QChar c = fmt[i];
        if (c != QLatin1Char('%')) {
            out += c;
            ++i;
            continue;
        }
        ++i;
        if (i < fmt.size() && fmt[i] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        auto number = [&](int &val) {
            bool any = false;
            if (i < fmt.size() && fmt[i] == QLatin1Char('*')) {
                if (next >= args.size())
                    bad();
                int64_t w = args[next++].toInt();
                if (w < 0 || w > 10000)
                    bad();
                val = int(w);
                ++i;
                return true;
            }
            val = 0;
            while (i < fmt.size() && fmt[i].isDigit()) {
                val = val * 10 + fmt[i].digitValue();
                if (val > 10000)
                    bad();
                ++i;
                any = true;
            }
            return any;
        };
        int num = 0;
        bool left = false;
        int width = -1, prec = -1;
        qsizetype save = i;
        if (number(num) && i < fmt.size() && fmt[i] == QLatin1Char(':')) {
            next = size_t(num);
            ++i;
        } else {
            i = save;
        }
        if (i < fmt.size() && fmt[i] == QLatin1Char('-')) {
            left = true;
            ++i;
        }
        int w;
        if (number(w))
            width = w;
        if (i < fmt.size() && fmt[i] == QLatin1Char('.')) {
            ++i;
            int p;
            number(p);
            prec = p;
        }
        if (i >= fmt.size())
            bad();
        QChar type = fmt[i++].toLower();
        if (next >= args.size())
            bad();
        const Value &a = args[next++];
        QString s;
        switch (type.unicode()) {
        case 'd':
        case 'u': {
            if (a.t != VType::Int && a.t != VType::Bool)
                bad();
            int64_t v = a.toInt();
            s = QString::number(v < 0 ? -v : v);
            if (prec > 0)
                s = s.rightJustified(prec, QLatin1Char('0'));
            if (v < 0)
                s.prepend(QLatin1Char('-'));
            break;
        }
        case 'x': {
            if (a.t != VType::Int)
                bad();
            s = QString::number(uint64_t(a.i), 16).toUpper();
            if (prec > 0)
                s = s.rightJustified(prec, QLatin1Char('0'));
            break;
        }
        case 'f':
        case 'n':
        case 'm': {
            if (!a.isNumber())
                bad();
            s = fixed(a.toFloat(), prec < 0 ? 2 : prec, type != QLatin1Char('f'));
            break;
        }
        case 'e': {
            if (!a.isNumber())
                bad();
            s = QString::number(a.toFloat(), 'E', prec < 0 ? 14 : std::max(0, prec - 1));
            break;
        }
        case 'g': {
            if (!a.isNumber())
                bad();
            s = prec < 0 ? floatToStr(a.toFloat()) : QString::number(a.toFloat(), 'g', prec);
            break;
        }
        case 's': {
            if (a.t == VType::Object || a.t == VType::Array || a.t == VType::Dispatch)
                bad();
            s = a.toString();
            if (prec >= 0)
                s.truncate(prec);
            break;
        }
        case 'p':
            s = QString::number(a.i, 16).toUpper().rightJustified(8, QLatin1Char('0'));
            break;
        default:
            bad();
        }
        if (width > 0)
            s = pad(s, width, left);
        out += s;
    }
    return out;
}

void registerStdlib(EngineImpl *e)
{
    (void)g_unused;
    // ---- constants
    constant(e, "MaxInt", Value(int64_t(2147483647)));
    constant(e, "MaxInt64", Value(INT64_MAX));
    constant(e, "PathDelim", Value(QStringLiteral("/")));
    constant(e, "sLineBreak", Value(QStringLiteral("\n")));
    constant(e, "CRLF", Value(QStringLiteral("\r\n")));
    const std::pair<const char *, int64_t> colors[] = {
            {"clBlack", 0x000000},     {"clMaroon", 0x000080},        {"clGreen", 0x008000},
            {"clOlive", 0x008080},     {"clNavy", 0x800000},          {"clPurple", 0x800080},
            {"clTeal", 0x808000},      {"clGray", 0x808080},          {"clSilver", 0xC0C0C0},
            {"clRed", 0x0000FF},       {"clLime", 0x00FF00},          {"clYellow", 0x00FFFF},
            {"clBlue", 0xFF0000},      {"clFuchsia", 0xFF00FF},       {"clAqua", 0xFFFF00},
            {"clWhite", 0xFFFFFF},     {"clNone", 0x1FFFFFFF},        {"clDefault", 0x20000000},
            {"clWindow", -0x7FFFFFFB}, {"clWindowText", -0x7FFFFFF8}, {"clBtnFace", -0x7FFFFFF1},
    };
    for (auto &[n, v] : colors) {
        HostVar h;
        h.name = QString::fromLatin1(n);
        h.init = Value(v);
        h.typeName = QStringLiteral("TColor");
        h.isConst = true;
        e->hostVars.push_back(h);
    }
    const std::pair<const char *, int64_t> varTypes[] = {{"varEmpty", 0},
                                                         {"varNull", 1},
                                                         {"varSmallint", 2},
                                                         {"varInteger", 3},
                                                         {"varSingle", 4},
                                                         {"varDouble", 5},
                                                         {"varCurrency", 6},
                                                         {"varDate", 7},
                                                         {"varOleStr", 8},
                                                         {"varDispatch", 9},
                                                         {"varBoolean", 11},
                                                         {"varVariant", 12},
                                                         {"varByte", 17},
                                                         {"varInt64", 20},
                                                         {"varString", 0x100},
                                                         {"varUString", 0x102},
                                                         {"varArray", 0x2000}};
    for (auto &[n, v] : varTypes)
        constant(e, n, Value(v));
    e->pub->addEnum(QStringLiteral("TReplaceFlag"),
                    {QStringLiteral("rfReplaceAll"), QStringLiteral("rfIgnoreCase")});
    e->pub->addSet(QStringLiteral("TReplaceFlags"), QStringLiteral("TReplaceFlag"));

    // ---- variants
    fn(e, "function Null: Variant", [](Args &) { return Value::null(); });
    fn(e, "function Unassigned: Variant", [](Args &) { return Value(); });
    fn(e, "function VarIsNull(const V: Variant): Boolean", [](Args &a) {
        return Value(a[0].isNull());
    });
    fn(e, "function VarIsEmpty(const V: Variant): Boolean", [](Args &a) {
        return Value(a[0].isEmpty());
    });
    fn(e, "function VarIsClear(const V: Variant): Boolean", [](Args &a) {
        return Value(a[0].isEmpty() || (a[0].t == VType::Dispatch && !a[0].p) || a[0].isNil());
    });
    fn(e, "function VarIsArray(const V: Variant): Boolean", [](Args &a) {
        return Value(a[0].t == VType::Array);
    });
    fn(e, "function VarIsStr(const V: Variant): Boolean", [](Args &a) {
        return Value(a[0].t == VType::String);
    });
    fn(e, "function VarIsNumeric(const V: Variant): Boolean", [](Args &a) {
        return Value(a[0].t == VType::Int || a[0].t == VType::Float);
    });
    fn(e, "function VarType(const V: Variant): Integer", [](Args &a) {
        return Value(varTypeOf(a[0]));
    });
    fn(e, "function VarIsType(const V: Variant; AVarType: Integer): Boolean", [](Args &a) {
        int64_t t = varTypeOf(a[0]), want = a[1].toInt();
        if (want == 3 || want == 2 || want == 17)
            want = 20;
        if (want == 0x100 || want == 8)
            want = 0x102;
        if (want == 4 || want == 6)
            want = 5;
        return Value(t == want);
    });
    fn(e, "function VarToStr(const V: Variant): string", [](Args &a) {
        return Value(a[0].isNull() ? QString() : a[0].toString());
    });
    fn(e, "function VarToStrDef(const V: Variant; const ADefault: string): string", [](Args &a) {
        return Value(a[0].isNull() || a[0].isEmpty() ? a[1].toString() : a[0].toString());
    });
    fn(e, "function VarArrayOf(const Values: array of Variant): Variant", [](Args &a) {
        return Value::array(arrayItems(a[0]));
    });
    fn(e,
       "function VarArrayCreate(const Bounds: array of Integer; VarType: Integer): Variant",
       [](Args &a) {
           auto b = arrayItems(a[0]);
           if (b.size() != 2)
               raiseError(QStringLiteral("EVariantError"), QStringLiteral("Invalid bounds"));
           int64_t lo = b[0].toInt(), hi = b[1].toInt();
           if (hi < lo - 1 || hi - lo >= a.engine.limits().maxArrayLength)
               raiseError(QStringLiteral("EVariantError"), QStringLiteral("Invalid bounds"));
           return Value::array(std::vector<Value>(size_t(hi - lo + 1)), lo);
       });
    auto bound = [](const Value &v, bool high) {
        if (v.t != VType::Array)
            raiseError(QStringLiteral("EVariantError"), QStringLiteral("Variant is not an array"));
        auto *b = static_cast<ArrayBox *>(v.p);
        int64_t lo = b ? b->low : 0, n = b ? int64_t(b->items.size()) : 0;
        return Value(high ? lo + n - 1 : lo);
    };
    fn(e,
       "function VarArrayLowBound(const A: Variant; Dim: Integer = 1): Integer",
       [bound](Args &a) { return bound(a[0], false); });
    fn(e,
       "function VarArrayHighBound(const A: Variant; Dim: Integer = 1): Integer",
       [bound](Args &a) { return bound(a[0], true); });

    // ---- strings
    fn(e, "function Pos(const SubStr, S: string): Integer", [](Args &a) {
        QString sub = a[0].toString();
        if (sub.isEmpty())
            return Value(int64_t(0));
        return Value(int64_t(a[1].toString().indexOf(sub) + 1));
    });
    fn(e, "function PosEx(const SubStr, S: string; Offset: Integer = 1): Integer", [](Args &a) {
        QString sub = a[0].toString();
        int64_t off = a[2].toInt();
        if (sub.isEmpty() || off < 1)
            return Value(int64_t(0));
        return Value(int64_t(a[1].toString().indexOf(sub, qsizetype(off - 1)) + 1));
    });
    fn(e, "function AnsiPos(const SubStr, S: string): Integer", [](Args &a) {
        QString sub = a[0].toString();
        return Value(int64_t(sub.isEmpty() ? 0 : a[1].toString().indexOf(sub) + 1));
    });
    fn(e, "procedure Delete(var S: string; Index, Count: Integer)", [](Args &a) {
        QString s = a[0].toString();
        int64_t i = a[1].toInt(), n = a[2].toInt();
        if (i >= 1 && i <= s.size() && n > 0)
            s.remove(qsizetype(i - 1), qsizetype(std::min<int64_t>(n, s.size() - i + 1)));
        a[0] = Value(s);
        return Value();
    });
    fn(e, "procedure Insert(const Source: string; var S: string; Index: Integer)", [](Args &a) {
        QString s = a[1].toString();
        int64_t i = std::clamp<int64_t>(a[2].toInt(), 1, s.size() + 1);
        s.insert(qsizetype(i - 1), a[0].toString());
        a[1] = Value(s);
        return Value();
    });
    fn(e, "function Trim(const S: string): string", [](Args &a) {
        return Value(a[0].toString().trimmed());
    });
    fn(e, "function TrimLeft(const S: string): string", [](Args &a) {
        QString s = a[0].toString();
        qsizetype i = 0;
        while (i < s.size() && s[i] <= QLatin1Char(' '))
            ++i;
        return Value(s.mid(i));
    });
    fn(e, "function TrimRight(const S: string): string", [](Args &a) {
        QString s = a[0].toString();
        qsizetype n = s.size();
        while (n > 0 && s[n - 1] <= QLatin1Char(' '))
            --n;
        return Value(s.left(n));
    });
    fn(e, "function UpperCase(const S: string): string", [](Args &a) {
        QString s = a[0].toString();
        for (auto &c : s)
            if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
                c = QChar(c.unicode() - 32);
        return Value(s);
    });
    fn(e, "function LowerCase(const S: string): string", [](Args &a) {
        QString s = a[0].toString();
        for (auto &c : s)
            if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
                c = QChar(c.unicode() + 32);
        return Value(s);
    });
    fn(e, "function AnsiUpperCase(const S: string): string", [](Args &a) {
        return Value(a[0].toString().toUpper());
    });
    fn(e, "function AnsiLowerCase(const S: string): string", [](Args &a) {
        return Value(a[0].toString().toLower());
    });
    fn(e, "function UpCase(C: Char): Char", [](Args &a) {
        return Value(a[0].toString().toUpper());
    });
    fn(e, "function CompareStr(const S1, S2: string): Integer", [](Args &a) {
        return Value(int64_t(a[0].toString().compare(a[1].toString())));
    });
    fn(e, "function CompareText(const S1, S2: string): Integer", [](Args &a) {
        return Value(int64_t(a[0].toString().compare(a[1].toString(), Qt::CaseInsensitive)));
    });
    fn(e, "function AnsiCompareStr(const S1, S2: string): Integer", [](Args &a) {
        return Value(int64_t(QString::localeAwareCompare(a[0].toString(), a[1].toString())));
    });
    fn(e, "function AnsiCompareText(const S1, S2: string): Integer", [](Args &a) {
        return Value(int64_t(
                QString::localeAwareCompare(a[0].toString().toLower(), a[1].toString().toLower())));
    });
    fn(e, "function SameText(const S1, S2: string): Boolean", [](Args &a) {
        return Value(a[0].toString().compare(a[1].toString(), Qt::CaseInsensitive) == 0);
    });
    fn(e, "function AnsiSameText(const S1, S2: string): Boolean", [](Args &a) {
        return Value(a[0].toString().compare(a[1].toString(), Qt::CaseInsensitive) == 0);
    });
    fn(e,
       "function StringReplace(const S, OldPattern, NewPattern: string; Flags: TReplaceFlags): "
       "string",
       [](Args &a) {
           QString s = a[0].toString(), o = a[1].toString(), n = a[2].toString();
           std::bitset<256> f;
           if (a[3].t == VType::Set && a[3].p)
               f = static_cast<SetBox *>(a[3].p)->bits;
           if (o.isEmpty())
               return Value(s);
           Qt::CaseSensitivity cs = f.test(1) ? Qt::CaseInsensitive : Qt::CaseSensitive;
           if (f.test(0))
               return Value(s.replace(o, n, cs));
           qsizetype i = s.indexOf(o, 0, cs);
           if (i >= 0)
               s.replace(i, o.size(), n);
           return Value(s);
       });
    fn(e, "function QuotedStr(const S: string): string", [](Args &a) {
        QString s = a[0].toString();
        s.replace(QStringLiteral("'"), QStringLiteral("''"));
        return Value(QLatin1Char('\'') + s + QLatin1Char('\''));
    });
    fn(e, "function AnsiQuotedStr(const S: string; Quote: Char): string", [](Args &a) {
        QString s = a[0].toString(), q = a[1].toString();
        s.replace(q, q + q);
        return Value(q + s + q);
    });
    fn(e, "function StringOfChar(Ch: Char; Count: Integer): string", [](Args &a) {
        int64_t n = a[1].toInt();
        if (n > a.engine.limits().maxStringLength)
            raiseError(QStringLiteral("EOutOfMemory"), QStringLiteral("Out of memory"));
        QString c = a[0].toString();
        return Value(n <= 0 || c.isEmpty() ? QString() : QString(qsizetype(n), c.at(0)));
    });
    fn(e, "function DupeString(const S: string; Count: Integer): string", [](Args &a) {
        QString s = a[0].toString();
        int64_t n = a[1].toInt();
        if (n <= 0)
            return Value(QString());
        if (s.size() * n > a.engine.limits().maxStringLength)
            raiseError(QStringLiteral("EOutOfMemory"), QStringLiteral("Out of memory"));
        return Value(s.repeated(qsizetype(n)));
    });
    fn(e, "function ReverseString(const S: string): string", [](Args &a) {
        QString s = a[0].toString();
        std::reverse(s.begin(), s.end());
        return Value(s);
    });
    fn(e, "function LeftStr(const S: string; Count: Integer): string", [](Args &a) {
        return Value(a[0].toString().left(qsizetype(std::max<int64_t>(0, a[1].toInt()))));
    });
    fn(e, "function RightStr(const S: string; Count: Integer): string", [](Args &a) {
        return Value(a[0].toString().right(qsizetype(std::max<int64_t>(0, a[1].toInt()))));
    });
    fn(e, "function MidStr(const S: string; Start, Count: Integer): string", [](Args &a) {
        QString s = a[0].toString();
        int64_t st = std::max<int64_t>(1, a[1].toInt()), n = a[2].toInt();
        if (n <= 0 || st > s.size())
            return Value(QString());
        return Value(s.mid(qsizetype(st - 1), qsizetype(std::min<int64_t>(n, s.size()))));
    });
    fn(e, "function ContainsText(const AText, ASubText: string): Boolean", [](Args &a) {
        return Value(a[0].toString().contains(a[1].toString(), Qt::CaseInsensitive));
    });
    fn(e, "function ContainsStr(const AText, ASubText: string): Boolean", [](Args &a) {
        return Value(a[0].toString().contains(a[1].toString()));
    });
    fn(e, "function StartsText(const ASubText, AText: string): Boolean", [](Args &a) {
        return Value(a[1].toString().startsWith(a[0].toString(), Qt::CaseInsensitive));
    });
    fn(e, "function EndsText(const ASubText, AText: string): Boolean", [](Args &a) {
        return Value(a[1].toString().endsWith(a[0].toString(), Qt::CaseInsensitive));
    });
    fn(e, "function StartsStr(const ASubText, AText: string): Boolean", [](Args &a) {
        return Value(a[1].toString().startsWith(a[0].toString()));
    });
    fn(e, "function EndsStr(const ASubText, AText: string): Boolean", [](Args &a) {
        return Value(a[1].toString().endsWith(a[0].toString()));
    });
    fn(e, "function Format(const Fmt: string; const Args: array of const): string", [](Args &a) {
        return Value(formatString(a[0].toString(), a[1]));
    });

    // ---- conversions
    fn(e, "function IntToStr(Value: Int64): string", [](Args &a) {
        return Value(QString::number(a[0].toInt()));
    });
    fn(e, "function IntToHex(Value: Int64; Digits: Integer = 1): string", [](Args &a) {
        int64_t d = std::clamp<int64_t>(a[1].toInt(), 0, 32);
        return Value(QString::number(uint64_t(a[0].toInt()), 16)
                             .toUpper()
                             .rightJustified(qsizetype(d), QLatin1Char('0')));
    });
    fn(e, "function StrToInt(const S: string): Integer", [](Args &a) {
        int64_t v;
        if (!tryStrToInt(a[0].toString(), v))
            convertError(QStringLiteral("'%1' is not a valid integer value").arg(a[0].toString()));
        return Value(v);
    });
    fn(e, "function StrToInt64(const S: string): Int64", [](Args &a) {
        int64_t v;
        if (!tryStrToInt(a[0].toString(), v))
            convertError(QStringLiteral("'%1' is not a valid integer value").arg(a[0].toString()));
        return Value(v);
    });
    fn(e, "function StrToIntDef(const S: string; Default: Integer): Integer", [](Args &a) {
        int64_t v;
        return tryStrToInt(a[0].toString(), v) ? Value(v) : a[1];
    });
    fn(e, "function StrToInt64Def(const S: string; Default: Int64): Int64", [](Args &a) {
        int64_t v;
        return tryStrToInt(a[0].toString(), v) ? Value(v) : a[1];
    });
    fn(e, "function TryStrToInt(const S: string; var Value: Integer): Boolean", [](Args &a) {
        int64_t v;
        bool ok = tryStrToInt(a[0].toString(), v);
        if (ok)
            a[1] = Value(v);
        return Value(ok);
    });
    fn(e, "function FloatToStr(Value: Double): string", [](Args &a) {
        return Value(floatToStr(a[0].toFloat()));
    });
    fn(e, "function CurrToStr(Value: Double): string", [](Args &a) {
        return Value(floatToStr(a[0].toFloat()));
    });
    fn(e, "function StrToFloat(const S: string): Double", [](Args &a) {
        double v;
        if (!tryStrToFloat(a[0].toString(), v))
            convertError(QStringLiteral("'%1' is not a valid floating point value")
                                 .arg(a[0].toString()));
        return Value(v);
    });
    fn(e, "function StrToFloatDef(const S: string; Default: Double): Double", [](Args &a) {
        double v;
        return tryStrToFloat(a[0].toString(), v) ? Value(v) : a[1];
    });
    fn(e, "function TryStrToFloat(const S: string; var Value: Double): Boolean", [](Args &a) {
        double v;
        bool ok = tryStrToFloat(a[0].toString(), v);
        if (ok)
            a[1] = Value(v);
        return Value(ok);
    });
    fn(e, "function FormatFloat(const Format: string; Value: Double): string", [](Args &a) {
        return Value(formatFloat(a[0].toString(), a[1].toFloat()));
    });
    fn(e,
       "function FloatToStrF(Value: Double; Format, Precision, Digits: Integer): string",
       [](Args &a) {
           return Value(
                   fixed(a[0].toFloat(), int(std::clamp<int64_t>(a[3].toInt(), 0, 18)), false));
       });
    fn(e, "function BoolToStr(B: Boolean; UseBoolStrs: Boolean = False): string", [](Args &a) {
        bool b = a[0].toBool();
        if (a[1].toBool())
            return Value(b ? QStringLiteral("True") : QStringLiteral("False"));
        return Value(b ? QStringLiteral("-1") : QStringLiteral("0"));
    });
    fn(e, "function StrToBool(const S: string): Boolean", [](Args &a) {
        QString s = a[0].toString().trimmed();
        if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return Value(true);
        if (s.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return Value(false);
        int64_t v;
        if (tryStrToInt(s, v))
            return Value(v != 0);
        convertError(QStringLiteral("'%1' is not a valid boolean value").arg(s));
    });

    // ---- math
    fn(e, "function Round(X: Double): Int64", [](Args &a) {
        if (a[0].t == VType::Int)
            return a[0];
        return Value(bankersRound(a[0].toFloat()));
    });
    fn(e, "function Trunc(X: Double): Int64", [](Args &a) {
        if (a[0].t == VType::Int)
            return a[0];
        double v = std::trunc(a[0].toFloat());
        if (!(v >= -9.2e18 && v <= 9.2e18))
            raiseError(QStringLiteral("EInvalidOp"),
                       QStringLiteral("Invalid floating point operation"));
        return Value(int64_t(v));
    });
    fn(e, "function Ceil(X: Double): Int64", [](Args &a) {
        double v = std::ceil(a[0].toFloat());
        if (!(v >= -9.2e18 && v <= 9.2e18))
            raiseError(QStringLiteral("EInvalidOp"),
                       QStringLiteral("Invalid floating point operation"));
        return Value(int64_t(v));
    });
    fn(e, "function Floor(X: Double): Int64", [](Args &a) {
        double v = std::floor(a[0].toFloat());
        if (!(v >= -9.2e18 && v <= 9.2e18))
            raiseError(QStringLiteral("EInvalidOp"),
                       QStringLiteral("Invalid floating point operation"));
        return Value(int64_t(v));
    });
    fn(e, "function Int(X: Double): Double", [](Args &a) {
        return Value(std::trunc(a[0].toFloat()));
    });
    fn(e, "function Frac(X: Double): Double", [](Args &a) {
        double v = a[0].toFloat();
        return Value(v - std::trunc(v));
    });
    auto checked = [](double r) {
        if (std::isnan(r))
            raiseError(QStringLiteral("EInvalidOp"),
                       QStringLiteral("Invalid floating point operation"));
        if (std::isinf(r))
            raiseError(QStringLiteral("EOverflow"), QStringLiteral("Floating point overflow"));
        return Value(r);
    };
    fn(e, "function Sqrt(X: Double): Double", [checked](Args &a) {
        return checked(std::sqrt(a[0].toFloat()));
    });
    fn(e, "function Power(Base, Exponent: Double): Double", [checked](Args &a) {
        return checked(std::pow(a[0].toFloat(), a[1].toFloat()));
    });
    fn(e, "function IntPower(Base: Double; Exponent: Integer): Double", [checked](Args &a) {
        return checked(std::pow(a[0].toFloat(), double(a[1].toInt())));
    });
    fn(e, "function Exp(X: Double): Double", [checked](Args &a) {
        return checked(std::exp(a[0].toFloat()));
    });
    fn(e, "function Ln(X: Double): Double", [checked](Args &a) {
        return checked(std::log(a[0].toFloat()));
    });
    fn(e, "function Log10(X: Double): Double", [checked](Args &a) {
        return checked(std::log10(a[0].toFloat()));
    });
    fn(e, "function Sin(X: Double): Double", [](Args &a) {
        return Value(std::sin(a[0].toFloat()));
    });
    fn(e, "function Cos(X: Double): Double", [](Args &a) {
        return Value(std::cos(a[0].toFloat()));
    });
    fn(e, "function ArcTan(X: Double): Double", [](Args &a) {
        return Value(std::atan(a[0].toFloat()));
    });
    fn(e, "function Pi: Double", [](Args &) { return Value(M_PI); });
    fn(e, "function Odd(X: Int64): Boolean", [](Args &a) {
        return Value((a[0].toInt() & 1) != 0);
    });
    fn(e, "function RoundTo(const AValue: Double; const ADigit: Integer): Double", [](Args &a) {
        double f = std::pow(10.0, double(-a[1].toInt()));
        return Value(std::nearbyint(a[0].toFloat() * f) / f);
    });
    fn(e,
       "function SimpleRoundTo(const AValue: Double; const ADigit: Integer = -2): Double",
       [](Args &a) {
           double f = std::pow(10.0, double(-a[1].toInt()));
           double v = a[0].toFloat() * f;
           return Value((v < 0 ? std::ceil(v - 0.5) : std::floor(v + 0.5)) / f);
       });
    fn(e, "function Random(Range: Integer = 0): Variant", [](Args &a) {
        int64_t r = a[0].toInt();
        if (r > 0)
            return Value(int64_t(QRandomGenerator::global()->bounded(quint64(r))));
        return Value(QRandomGenerator::global()->generateDouble());
    });
    fn(e, "procedure Randomize", [](Args &) { return Value(); });
    fn(e, "function RGB(R, G, B: Integer): TColor", [](Args &a) {
        return Value((a[0].toInt() & 255) | ((a[1].toInt() & 255) << 8)
                     | ((a[2].toInt() & 255) << 16));
    });

    // ---- dates
    fn(e, "function Now: TDateTime", [](Args &) {
        return Value::date(fromDateTime(QDateTime::currentDateTime()));
    });
    fn(e, "function Date: TDateTime", [](Args &) {
        return Value::date(fromDate(QDate::currentDate()));
    });
    fn(e, "function Time: TDateTime", [](Args &) {
        return Value::date(fromTime(QTime::currentTime()));
    });
    fn(e, "function EncodeDate(Year, Month, Day: Integer): TDateTime", [](Args &a) {
        return Value::date(encodeDate(a[0].toInt(), a[1].toInt(), a[2].toInt()));
    });
    fn(e, "function EncodeTime(Hour, Min, Sec, MSec: Integer): TDateTime", [](Args &a) {
        return Value::date(encodeTime(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt()));
    });
    fn(e,
       "procedure DecodeDate(const DateTime: TDateTime; var Year, Month, Day: Integer)",
       [](Args &a) {
           QDate d = toDate(a[0].toFloat());
           a[1] = Value(int64_t(d.year()));
           a[2] = Value(int64_t(d.month()));
           a[3] = Value(int64_t(d.day()));
           return Value();
       });
    fn(e,
       "procedure DecodeTime(const DateTime: TDateTime; var Hour, Min, Sec, MSec: Integer)",
       [](Args &a) {
           QTime t = toTime(a[0].toFloat());
           a[1] = Value(int64_t(t.hour()));
           a[2] = Value(int64_t(t.minute()));
           a[3] = Value(int64_t(t.second()));
           a[4] = Value(int64_t(t.msec()));
           return Value();
       });
    fn(e,
       "function IncMonth(const DateTime: TDateTime; NumberOfMonths: Integer = 1): TDateTime",
       [](Args &a) {
           double v = a[0].toFloat();
           QDate d = toDate(v).addMonths(int(a[1].toInt()));
           return Value::date(fromDate(d) + (v - std::floor(v)));
       });
    fn(e,
       "function IncDay(const DateTime: TDateTime; NumberOfDays: Integer = 1): TDateTime",
       [](Args &a) { return Value::date(a[0].toFloat() + double(a[1].toInt())); });
    fn(e,
       "function IncYear(const DateTime: TDateTime; NumberOfYears: Integer = 1): TDateTime",
       [](Args &a) {
           double v = a[0].toFloat();
           QDate d = toDate(v).addYears(int(a[1].toInt()));
           return Value::date(fromDate(d) + (v - std::floor(v)));
       });
    fn(e, "function DayOfWeek(const DateTime: TDateTime): Integer", [](Args &a) {
        return Value(int64_t(toDate(a[0].toFloat()).dayOfWeek() % 7 + 1));
    });
    fn(e, "function YearOf(const DateTime: TDateTime): Integer", [](Args &a) {
        return Value(int64_t(toDate(a[0].toFloat()).year()));
    });
    fn(e, "function MonthOf(const DateTime: TDateTime): Integer", [](Args &a) {
        return Value(int64_t(toDate(a[0].toFloat()).month()));
    });
    fn(e, "function DayOf(const DateTime: TDateTime): Integer", [](Args &a) {
        return Value(int64_t(toDate(a[0].toFloat()).day()));
    });
    fn(e, "function IsLeapYear(Year: Integer): Boolean", [](Args &a) {
        return Value(QDate::isLeapYear(int(a[0].toInt())));
    });
    fn(e, "function DaysBetween(const ANow, AThen: TDateTime): Integer", [](Args &a) {
        return Value(int64_t(std::trunc(std::fabs(a[0].toFloat() - a[1].toFloat()))));
    });
    fn(e, "function DateOf(const DateTime: TDateTime): TDateTime", [](Args &a) {
        return Value::date(std::floor(a[0].toFloat()));
    });
    fn(e, "function DateToStr(const DateTime: TDateTime): string", [](Args &a) {
        return Value(toDate(a[0].toFloat()).toString(QStringLiteral("dd.MM.yyyy")));
    });
    fn(e, "function TimeToStr(const DateTime: TDateTime): string", [](Args &a) {
        return Value(toTime(a[0].toFloat()).toString(QStringLiteral("HH:mm:ss")));
    });
    fn(e, "function DateTimeToStr(const DateTime: TDateTime): string", [](Args &a) {
        return Value(dateTimeToStr(a[0].toFloat()));
    });
    fn(e, "function StrToDate(const S: string): TDateTime", [](Args &a) {
        double v;
        if (!parseDate(a[0].toString(), v))
            convertError(QStringLiteral("'%1' is not a valid date").arg(a[0].toString()));
        return Value::date(v);
    });
    fn(e,
       "function StrToDateDef(const S: string; const Default: TDateTime): TDateTime",
       [](Args &a) {
           double v;
           return parseDate(a[0].toString(), v) ? Value::date(v) : a[1];
       });
    fn(e, "function StrToDateTime(const S: string): TDateTime", [](Args &a) {
        double v;
        if (!parseDateTime(a[0].toString(), v))
            convertError(QStringLiteral("'%1' is not a valid date and time").arg(a[0].toString()));
        return Value::date(v);
    });
    fn(e, "function StrToTime(const S: string): TDateTime", [](Args &a) {
        double v;
        if (!parseTime(a[0].toString(), v))
            convertError(QStringLiteral("'%1' is not a valid time").arg(a[0].toString()));
        return Value::date(v);
    });
    fn(e,
       "function FormatDateTime(const Format: string; DateTime: TDateTime): string",
       [](Args &a) { return Value(formatDateTime(a[0].toString(), a[1].toFloat())); });

    // ---- files and directories
    fn(e, "function FileExists(const FileName: string): Boolean", [](Args &a) {
        return Value(QFileInfo(fileArg(a, 0)).isFile());
    });
    fn(e, "function DirectoryExists(const Directory: string): Boolean", [](Args &a) {
        return Value(QFileInfo(fileArg(a, 0)).isDir());
    });
    fn(e, "function ForceDirectories(Dir: string): Boolean", [](Args &a) {
        return Value(QDir().mkpath(fileArg(a, 0)));
    });
    fn(e, "function CreateDir(const Dir: string): Boolean", [](Args &a) {
        return Value(QDir().mkdir(fileArg(a, 0)));
    });
    fn(e, "function RemoveDir(const Dir: string): Boolean", [](Args &a) {
        return Value(QDir().rmdir(fileArg(a, 0)));
    });
    fn(e, "function DeleteFile(const FileName: string): Boolean", [](Args &a) {
        return Value(QFile::remove(fileArg(a, 0)));
    });
    fn(e, "function RenameFile(const OldName, NewName: string): Boolean", [](Args &a) {
        return Value(QFile::rename(fileArg(a, 0), fileArg(a, 1)));
    });
    fn(e, "function ExtractFileName(const FileName: string): string", [](Args &a) {
        QString f = fileArg(a, 0);
        qsizetype i = std::max(f.lastIndexOf(QLatin1Char('/')), f.lastIndexOf(QLatin1Char('\\')));
        return Value(f.mid(i + 1));
    });
    fn(e, "function ExtractFilePath(const FileName: string): string", [](Args &a) {
        QString f = fileArg(a, 0);
        qsizetype i = std::max(f.lastIndexOf(QLatin1Char('/')), f.lastIndexOf(QLatin1Char('\\')));
        return Value(f.left(i + 1));
    });
    fn(e, "function ExtractFileDir(const FileName: string): string", [](Args &a) {
        QString f = fileArg(a, 0);
        qsizetype i = std::max(f.lastIndexOf(QLatin1Char('/')), f.lastIndexOf(QLatin1Char('\\')));
        return Value(i <= 0 ? f.left(std::max<qsizetype>(i + 1, 0)) : f.left(i));
    });
    fn(e, "function ExtractFileExt(const FileName: string): string", [](Args &a) {
        QString f = fileArg(a, 0);
        qsizetype dot = f.lastIndexOf(QLatin1Char('.'));
        qsizetype sep = std::max(f.lastIndexOf(QLatin1Char('/')), f.lastIndexOf(QLatin1Char('\\')));
        return Value(dot > sep ? f.mid(dot) : QString());
    });
    fn(e, "function ChangeFileExt(const FileName, Extension: string): string", [](Args &a) {
        QString f = fileArg(a, 0);
        qsizetype dot = f.lastIndexOf(QLatin1Char('.'));
        qsizetype sep = std::max(f.lastIndexOf(QLatin1Char('/')), f.lastIndexOf(QLatin1Char('\\')));
        return Value((dot > sep ? f.left(dot) : f) + a[1].toString());
    });
    auto addDelim = [](Args &a) {
        QString f = fileArg(a, 0);
        if (!f.endsWith(QLatin1Char('/')) && !f.endsWith(QLatin1Char('\\')))
            f += QLatin1Char('/');
        return Value(f);
    };
    fn(e, "function IncludeTrailingPathDelimiter(const S: string): string", addDelim);
    fn(e, "function IncludeTrailingBackslash(const S: string): string", addDelim);
    fn(e, "function ExcludeTrailingPathDelimiter(const S: string): string", [](Args &a) {
        QString f = fileArg(a, 0);
        while (f.size() > 1 && (f.endsWith(QLatin1Char('/')) || f.endsWith(QLatin1Char('\\'))))
            f.chop(1);
        return Value(f);
    });
    fn(e, "function GetCurrentDir: string", [](Args &) { return Value(QDir::currentPath()); });
    fn(e, "function SetCurrentDir(const Dir: string): Boolean", [](Args &a) {
        return Value(QDir::setCurrent(fileArg(a, 0)));
    });
    fn(e, "function FileAge(const FileName: string): TDateTime", [](Args &a) {
        QFileInfo fi(fileArg(a, 0));
        if (!fi.exists())
            return Value::date(-1);
        return Value::date(fromDateTime(fi.lastModified()));
    });
    fn(e, "function FindFiles(const Mask: string): TStringList", [](Args &a) {
        QFileInfo mask(fileArg(a, 0));
        QDir dir = mask.dir();
        QStringList names = dir.entryList({mask.fileName()}, QDir::Files, QDir::Name);
        auto *list = new StringListObject;
        for (auto &n : names)
            list->add(n, {});
        return a.engine.adopt(list, QStringLiteral("TStringList"));
    });
    fn(e, "function LoadFileToString(const FileName: string): string", [](Args &a) {
        bool ok = false;
        QString t = readScriptFile(fileArg(a, 0), &ok);
        if (!ok)
            raiseError(QStringLiteral("EFOpenError"),
                       QStringLiteral("Cannot open file \"%1\"").arg(fileArg(a, 0)));
        return Value(t);
    });

    // ---- misc
    fn(e, "procedure Abort", [](Args &) -> Value { throw ScriptAbort{}; });
    fn(e, "procedure Sleep(Milliseconds: Integer)", [](Args &a) {
        QThread::msleep(ulong(std::clamp<int64_t>(a[0].toInt(), 0, 60000)));
        return Value();
    });
    fn(e, "procedure ShowMessage(const Msg: string)", [](Args &a) {
        a.engine.impl()->out(a[0].toString() + QLatin1Char('\n'));
        return Value();
    });
    fn(e, "function GetEnvironmentVariable(const Name: string): string", [](Args &a) {
        return Value(qEnvironmentVariable(a[0].toString().toUtf8().constData()));
    });
    fn(e, "function GetTickCount: Int64", [](Args &) {
        return Value(int64_t(QDateTime::currentMSecsSinceEpoch()));
    });
    fn(e, "function ParamCount: Integer", [](Args &) {
        return Value(int64_t(QCoreApplication::instance() ? QCoreApplication::arguments().size() - 1
                                                          : 0));
    });
    fn(e, "function ParamStr(Index: Integer): string", [](Args &a) {
        QStringList args
                = QCoreApplication::instance() ? QCoreApplication::arguments() : QStringList();
        return Value(args.value(int(a[0].toInt())));
    });
}

} // namespace script
