// The class library every script sees: TObject, the exception classes, TList, TStringList.

#include "classlib.h"

#include "engineimpl.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace script {

static void listError(qsizetype i)
{
    raiseError(QStringLiteral("EListError"),
               QStringLiteral("List index out of bounds (%1)").arg(i));
}

qsizetype ListObject::check(int64_t i, bool allowEnd) const
{
    if (i < 0 || i > int64_t(items.size()) - (allowEnd ? 0 : 1))
        listError(qsizetype(i));
    return qsizetype(i);
}

qsizetype StringListObject::check(int64_t i, bool allowEnd) const
{
    if (i < 0 || i > strings.size() - (allowEnd ? 0 : 1))
        listError(qsizetype(i));
    return qsizetype(i);
}

int StringListObject::compare(const QString &a, const QString &b) const
{
    return caseSensitive ? a.compare(b) : a.compare(b, Qt::CaseInsensitive);
}

qsizetype StringListObject::indexOf(const QString &s) const
{
    for (qsizetype i = 0; i < strings.size(); ++i)
        if (compare(strings[i], s) == 0)
            return i;
    return -1;
}

qsizetype StringListObject::add(const QString &s, const Value &obj)
{
    if (sorted) {
        auto it = std::lower_bound(
                strings.begin(), strings.end(), s, [&](const QString &a, const QString &b) {
                    return compare(a, b) < 0;
                });
        qsizetype pos = it - strings.begin();
        if (pos < strings.size() && compare(strings[pos], s) == 0) {
            if (duplicates == 0) // dupIgnore
                return pos;
            if (duplicates == 2) // dupError
                raiseError(QStringLiteral("EStringListError"),
                           QStringLiteral("String list does not allow duplicates"));
        }
        strings.insert(pos, s);
        objects.insert(objects.begin() + pos, obj);
        return pos;
    }
    strings.append(s);
    objects.push_back(obj);
    return strings.size() - 1;
}

void StringListObject::sort()
{
    std::vector<qsizetype> idx(size_t(strings.size()));
    for (size_t i = 0; i < idx.size(); ++i)
        idx[i] = qsizetype(i);
    std::stable_sort(idx.begin(), idx.end(), [&](qsizetype a, qsizetype b) {
        return compare(strings[a], strings[b]) < 0;
    });
    QStringList s;
    std::vector<Value> o;
    for (auto i : idx) {
        s << strings[i];
        o.push_back(objects[size_t(i)]);
    }
    strings = s;
    objects = o;
}

QString StringListObject::text() const
{
    QString t;
    for (auto &s : strings)
        t += s + QStringLiteral("\r\n");
    return t;
}

void StringListObject::setText(const QString &t)
{
    clear();
    QString n = t;
    n.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    n.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = n.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (auto &l : lines)
        add(l, {});
}

QString StringListObject::delimitedText() const
{
    QStringList parts;
    for (auto &s : strings) {
        bool needQuote = s.isEmpty() || s.contains(delimiter) || s.contains(QLatin1Char('"'))
                         || (delimiter == QLatin1Char(',') && s.contains(QLatin1Char(' ')));
        if (needQuote) {
            QString q = s;
            q.replace(QStringLiteral("\""), QStringLiteral("\"\""));
            parts << QLatin1Char('"') + q + QLatin1Char('"');
        } else {
            parts << s;
        }
    }
    return parts.join(delimiter);
}

void StringListObject::setDelimitedText(const QString &t, bool spaceSeparates)
{
    clear();
    qsizetype i = 0, n = t.size();
    auto isSep = [&](QChar c) {
        return c == delimiter || (spaceSeparates && (c == QLatin1Char(' ') || c < QChar(32)));
    };
    while (i < n) {
        while (spaceSeparates && i < n && t[i] <= QLatin1Char(' '))
            ++i;
        if (i >= n)
            break;
        QString item;
        if (t[i] == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (t[i] == QLatin1Char('"')) {
                    if (i + 1 < n && t[i + 1] == QLatin1Char('"')) {
                        item += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += t[i++];
            }
            while (i < n && !isSep(t[i]))
                item += t[i++];
        } else {
            while (i < n && !isSep(t[i]))
                item += t[i++];
        }
        add(item, {});
        if (i < n && isSep(t[i])) {
            ++i;
            if (i == n)
                add(QString(), {});
        }
    }
}

qsizetype StringListObject::indexOfName(const QString &name) const
{
    for (qsizetype i = 0; i < strings.size(); ++i) {
        qsizetype eq = strings[i].indexOf(QLatin1Char('='));
        if (eq >= 0 && compare(strings[i].left(eq), name) == 0)
            return i;
    }
    return -1;
}

void StringListObject::clear()
{
    strings.clear();
    objects.clear();
}

template<class T>
static T &as(Object &o)
{
    return static_cast<T &>(o);
}

static void registerExceptions(Engine &e)
{
    e.addClass(QStringLiteral("Exception"))
            .factory([] { return new ExceptionObject; })
            .constructor(QStringLiteral("constructor Create(const Msg: string)"),
                         [](Object &self, Args &a) {
                             as<ExceptionObject>(self).message = a[0].toString();
                             return Value();
                         })
            .constructor(QStringLiteral("constructor CreateFmt(const Msg: string; "
                                        "const Args: array of const)"),
                         [](Object &self, Args &a) {
                             as<ExceptionObject>(self).message
                                     = formatString(a[0].toString(), a[1]);
                             return Value();
                         })
            .property(
                    QStringLiteral("property Message: string"),
                    [](Object &self, Args &) { return Value(as<ExceptionObject>(self).message); },
                    [](Object &self, Args &, const Value &v) {
                        as<ExceptionObject>(self).message = v.toString();
                    });
    const char *const tree[][2]
            = {{"EAbort", "Exception"},           {"EMathError", "Exception"},
               {"EIntError", "Exception"},        {"EDivByZero", "EIntError"},
               {"EIntOverflow", "EIntError"},     {"ERangeError", "EIntError"},
               {"EZeroDivide", "EMathError"},     {"EInvalidOp", "EMathError"},
               {"EOverflow", "EMathError"},       {"EConvertError", "Exception"},
               {"EVariantError", "Exception"},    {"EVariantTypeCastError", "EVariantError"},
               {"EStackOverflow", "Exception"},   {"EAccessViolation", "Exception"},
               {"EInvalidCast", "Exception"},     {"EListError", "Exception"},
               {"EStringListError", "Exception"}, {"EOutOfMemory", "Exception"},
               {"EInOutError", "Exception"},      {"EFOpenError", "Exception"},
               {"EScriptError", "Exception"}};
    for (auto &p : tree)
        e.addClass(QString::fromLatin1(p[0]), QString::fromLatin1(p[1]));
}

static void registerList(Engine &e)
{
    e.addClass(QStringLiteral("TList"))
            .factory([] { return new ListObject; })
            .constructor(QStringLiteral("constructor Create"))
            .method(QStringLiteral("function Add(Item: Variant): Integer"),
                    [](Object &s, Args &a) {
                        auto &l = as<ListObject>(s);
                        l.items.push_back(a[0]);
                        return Value(int64_t(l.items.size() - 1));
                    })
            .method(QStringLiteral("procedure Insert(Index: Integer; Item: Variant)"),
                    [](Object &s, Args &a) {
                        auto &l = as<ListObject>(s);
                        l.items.insert(l.items.begin() + l.check(a[0].toInt(), true), a[1]);
                        return Value();
                    })
            .method(QStringLiteral("procedure Delete(Index: Integer)"),
                    [](Object &s, Args &a) {
                        auto &l = as<ListObject>(s);
                        l.items.erase(l.items.begin() + l.check(a[0].toInt()));
                        return Value();
                    })
            .method(QStringLiteral("function IndexOf(Item: Variant): Integer"),
                    [](Object &s, Args &a) {
                        auto &l = as<ListObject>(s);
                        for (size_t i = 0; i < l.items.size(); ++i)
                            if (l.items[i].t == a[0].t && l.items[i].i == a[0].i)
                                return Value(int64_t(i));
                        return Value(int64_t(-1));
                    })
            .method(QStringLiteral("function Remove(Item: Variant): Integer"),
                    [](Object &s, Args &a) {
                        auto &l = as<ListObject>(s);
                        for (size_t i = 0; i < l.items.size(); ++i)
                            if (l.items[i].t == a[0].t && l.items[i].i == a[0].i) {
                                l.items.erase(l.items.begin() + qsizetype(i));
                                return Value(int64_t(i));
                            }
                        return Value(int64_t(-1));
                    })
            .method(QStringLiteral("procedure Clear"),
                    [](Object &s, Args &) {
                        as<ListObject>(s).items.clear();
                        return Value();
                    })
            .method(QStringLiteral("procedure Exchange(Index1, Index2: Integer)"),
                    [](Object &s, Args &a) {
                        auto &l = as<ListObject>(s);
                        std::swap(l.items[size_t(l.check(a[0].toInt()))],
                                  l.items[size_t(l.check(a[1].toInt()))]);
                        return Value();
                    })
            .property(QStringLiteral("property Count: Integer"),
                      [](Object &s, Args &) {
                          return Value(int64_t(as<ListObject>(s).items.size()));
                      })
            .property(
                    QStringLiteral("property Items[Index: Integer]: TObject; default"),
                    [](Object &s, Args &a) {
                        auto &l = as<ListObject>(s);
                        return l.items[size_t(l.check(a[0].toInt()))];
                    },
                    [](Object &s, Args &a, const Value &v) {
                        auto &l = as<ListObject>(s);
                        l.items[size_t(l.check(a[0].toInt()))] = v;
                    });
}

static bool saveText(const QString &file, const QString &text)
{
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(text.toUtf8());
    return f.commit();
}

static void registerStrings(Engine &e)
{
    using SL = StringListObject;
    e.addEnum(
            QStringLiteral("TDuplicates"),
            {QStringLiteral("dupIgnore"), QStringLiteral("dupAccept"), QStringLiteral("dupError")});
    auto b = e.addClass(QStringLiteral("TStrings"));
    b.factory([] { return new SL; })
            .constructor(QStringLiteral("constructor Create"))
            .method(QStringLiteral("function Add(const S: string): Integer"),
                    [](Object &s, Args &a) {
                        return Value(int64_t(as<SL>(s).add(a[0].toString(), {})));
                    })
            .method(QStringLiteral(
                            "function AddObject(const S: string; AObject: TObject): Integer"),
                    [](Object &s, Args &a) {
                        return Value(int64_t(as<SL>(s).add(a[0].toString(), a[1])));
                    })
            .method(QStringLiteral("procedure Insert(Index: Integer; const S: string)"),
                    [](Object &s, Args &a) {
                        auto &l = as<SL>(s);
                        qsizetype i = l.check(a[0].toInt(), true);
                        l.strings.insert(i, a[1].toString());
                        l.objects.insert(l.objects.begin() + i, Value());
                        return Value();
                    })
            .method(QStringLiteral("procedure Delete(Index: Integer)"),
                    [](Object &s, Args &a) {
                        auto &l = as<SL>(s);
                        qsizetype i = l.check(a[0].toInt());
                        l.strings.removeAt(i);
                        l.objects.erase(l.objects.begin() + i);
                        return Value();
                    })
            .method(QStringLiteral("procedure Clear"),
                    [](Object &s, Args &) {
                        as<SL>(s).clear();
                        return Value();
                    })
            .method(QStringLiteral("function IndexOf(const S: string): Integer"),
                    [](Object &s, Args &a) {
                        return Value(int64_t(as<SL>(s).indexOf(a[0].toString())));
                    })
            .method(QStringLiteral("function IndexOfName(const Name: string): Integer"),
                    [](Object &s, Args &a) {
                        return Value(int64_t(as<SL>(s).indexOfName(a[0].toString())));
                    })
            .method(QStringLiteral("function IndexOfObject(AObject: TObject): Integer"),
                    [](Object &s, Args &a) {
                        auto &l = as<SL>(s);
                        for (size_t i = 0; i < l.objects.size(); ++i)
                            if (l.objects[i].t == a[0].t && l.objects[i].p == a[0].p)
                                return Value(int64_t(i));
                        return Value(int64_t(-1));
                    })
            .method(QStringLiteral("procedure Sort"),
                    [](Object &s, Args &) {
                        as<SL>(s).sort();
                        return Value();
                    })
            .method(QStringLiteral("procedure Exchange(Index1, Index2: Integer)"),
                    [](Object &s, Args &a) {
                        auto &l = as<SL>(s);
                        qsizetype x = l.check(a[0].toInt()), y = l.check(a[1].toInt());
                        l.strings.swapItemsAt(x, y);
                        std::swap(l.objects[size_t(x)], l.objects[size_t(y)]);
                        return Value();
                    })
            .method(QStringLiteral("procedure LoadFromFile(const FileName: string)"),
                    [](Object &s, Args &a) {
                        QString fn = a[0].toString();
                        bool ok = false;
                        QString t = readScriptFile(fn, &ok);
                        if (!ok)
                            raiseError(QStringLiteral("EFOpenError"),
                                       QStringLiteral("Cannot open file \"%1\"").arg(fn));
                        as<SL>(s).setText(t);
                        return Value();
                    })
            .method(QStringLiteral("procedure SaveToFile(const FileName: string)"),
                    [](Object &s, Args &a) {
                        QString fn = a[0].toString();
                        if (!saveText(fn, as<SL>(s).text()))
                            raiseError(QStringLiteral("EFCreateError"),
                                       QStringLiteral("Cannot create file \"%1\"").arg(fn));
                        return Value();
                    })
            .method(QStringLiteral("procedure AddStrings(Strings: TStrings)"),
                    [](Object &s, Args &a) {
                        Object *o = a[0].toObject();
                        if (auto *src = dynamic_cast<SL *>(o))
                            for (qsizetype i = 0; i < src->strings.size(); ++i)
                                as<SL>(s).add(src->strings[i], src->objects[size_t(i)]);
                        return Value();
                    })
            .method(QStringLiteral("procedure Assign(Source: TStrings)"),
                    [](Object &s, Args &a) {
                        Object *o = a[0].toObject();
                        auto &l = as<SL>(s);
                        l.clear();
                        if (auto *src = dynamic_cast<SL *>(o)) {
                            l.strings = src->strings;
                            l.objects = src->objects;
                        }
                        return Value();
                    })
            .property(QStringLiteral("property Count: Integer"),
                      [](Object &s, Args &) { return Value(int64_t(as<SL>(s).strings.size())); })
            .property(
                    QStringLiteral("property Strings[Index: Integer]: string; default"),
                    [](Object &s, Args &a) {
                        auto &l = as<SL>(s);
                        return Value(l.strings[l.check(a[0].toInt())]);
                    },
                    [](Object &s, Args &a, const Value &v) {
                        auto &l = as<SL>(s);
                        l.strings[l.check(a[0].toInt())] = v.toString();
                    })
            .property(
                    QStringLiteral("property Objects[Index: Integer]: TObject"),
                    [](Object &s, Args &a) {
                        auto &l = as<SL>(s);
                        return l.objects[size_t(l.check(a[0].toInt()))];
                    },
                    [](Object &s, Args &a, const Value &v) {
                        auto &l = as<SL>(s);
                        l.objects[size_t(l.check(a[0].toInt()))] = v;
                    })
            .property(QStringLiteral("property Names[Index: Integer]: string"),
                      [](Object &s, Args &a) {
                          auto &l = as<SL>(s);
                          const QString &x = l.strings[l.check(a[0].toInt())];
                          qsizetype eq = x.indexOf(QLatin1Char('='));
                          return Value(eq >= 0 ? x.left(eq) : QString());
                      })
            .property(QStringLiteral("property ValueFromIndex[Index: Integer]: string"),
                      [](Object &s, Args &a) {
                          auto &l = as<SL>(s);
                          const QString &x = l.strings[l.check(a[0].toInt())];
                          qsizetype eq = x.indexOf(QLatin1Char('='));
                          return Value(eq >= 0 ? x.mid(eq + 1) : QString());
                      })
            .property(
                    QStringLiteral("property Values[const Name: string]: string"),
                    [](Object &s, Args &a) {
                        auto &l = as<SL>(s);
                        qsizetype i = l.indexOfName(a[0].toString());
                        return Value(i < 0 ? QString()
                                           : l.strings[i].mid(l.strings[i].indexOf('=') + 1));
                    },
                    [](Object &s, Args &a, const Value &v) {
                        auto &l = as<SL>(s);
                        QString name = a[0].toString();
                        qsizetype i = l.indexOfName(name);
                        QString val = v.toString();
                        if (val.isEmpty()) {
                            if (i >= 0) {
                                l.strings.removeAt(i);
                                l.objects.erase(l.objects.begin() + i);
                            }
                        } else if (i >= 0) {
                            l.strings[i] = name + QLatin1Char('=') + val;
                        } else {
                            l.add(name + QLatin1Char('=') + val, {});
                        }
                    })
            .property(
                    QStringLiteral("property Text: string"),
                    [](Object &s, Args &) { return Value(as<SL>(s).text()); },
                    [](Object &s, Args &, const Value &v) { as<SL>(s).setText(v.toString()); })
            .property(
                    QStringLiteral("property CommaText: string"),
                    [](Object &s, Args &) {
                        auto &l = as<SL>(s);
                        QChar d = l.delimiter;
                        l.delimiter = QLatin1Char(',');
                        QString t = l.delimitedText();
                        l.delimiter = d;
                        return Value(t);
                    },
                    [](Object &s, Args &, const Value &v) {
                        auto &l = as<SL>(s);
                        QChar d = l.delimiter;
                        l.delimiter = QLatin1Char(',');
                        l.setDelimitedText(v.toString(), true);
                        l.delimiter = d;
                    })
            .property(
                    QStringLiteral("property DelimitedText: string"),
                    [](Object &s, Args &) { return Value(as<SL>(s).delimitedText()); },
                    [](Object &s, Args &, const Value &v) {
                        auto &l = as<SL>(s);
                        l.setDelimitedText(v.toString(), !l.strictDelimiter);
                    })
            .property(
                    QStringLiteral("property Delimiter: Char"),
                    [](Object &s, Args &) { return Value(QString(as<SL>(s).delimiter)); },
                    [](Object &s, Args &, const Value &v) {
                        QString t = v.toString();
                        as<SL>(s).delimiter = t.isEmpty() ? QLatin1Char(',') : t.at(0);
                    })
            .property(
                    QStringLiteral("property StrictDelimiter: Boolean"),
                    [](Object &s, Args &) { return Value(as<SL>(s).strictDelimiter); },
                    [](Object &s, Args &, const Value &v) {
                        as<SL>(s).strictDelimiter = v.toBool();
                    })
            .property(
                    QStringLiteral("property Sorted: Boolean"),
                    [](Object &s, Args &) { return Value(as<SL>(s).sorted); },
                    [](Object &s, Args &, const Value &v) {
                        auto &l = as<SL>(s);
                        l.sorted = v.toBool();
                        if (l.sorted)
                            l.sort();
                    })
            .property(
                    QStringLiteral("property CaseSensitive: Boolean"),
                    [](Object &s, Args &) { return Value(as<SL>(s).caseSensitive); },
                    [](Object &s, Args &, const Value &v) { as<SL>(s).caseSensitive = v.toBool(); })
            .property(
                    QStringLiteral("property Duplicates: TDuplicates"),
                    [](Object &s, Args &) { return Value(int64_t(as<SL>(s).duplicates)); },
                    [](Object &s, Args &, const Value &v) {
                        as<SL>(s).duplicates = int(v.toInt());
                    });
    e.addClass(QStringLiteral("TStringList"), QStringLiteral("TStrings"));
}

void registerClassLib(Engine &e)
{
    e.addClass(QStringLiteral("TObject"), QString())
            .factory([] { return new Object; })
            .constructor(QStringLiteral("constructor Create"));
    e.addClass(QStringLiteral("TPersistent"));
    registerExceptions(e);
    registerList(e);
    registerStrings(e);
    e.addClass(QStringLiteral("TComponent"), QStringLiteral("TPersistent"))
            .factory([] { return new ComponentObject; })
            .constructor(QStringLiteral("constructor Create(AOwner: TComponent)"),
                         [](Object &s, Args &a) {
                             as<ComponentObject>(s).owner = a[0];
                             return Value();
                         })
            .property(
                    QStringLiteral("property Name: string"),
                    [](Object &s, Args &) { return Value(as<ComponentObject>(s).name); },
                    [](Object &s, Args &, const Value &v) {
                        as<ComponentObject>(s).name = v.toString();
                    })
            .property(
                    QStringLiteral("property Tag: Integer"),
                    [](Object &s, Args &) { return Value(as<ComponentObject>(s).tag); },
                    [](Object &s, Args &, const Value &v) {
                        as<ComponentObject>(s).tag = v.toInt();
                    })
            .property(QStringLiteral("property Owner: TComponent"),
                      [](Object &s, Args &) { return as<ComponentObject>(s).owner; });
}

} // namespace script
