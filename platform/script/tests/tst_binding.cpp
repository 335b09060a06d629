// The host side of the engine: registration, calls by name, variables, late-bound QObjects and
// dynamic objects, error positions, the line callback, Abort against errors, and limits.

#include "engine.h"
#include "hostfixture.h"
#include "qobjectdispatch.h"

#include <QObject>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace script;

namespace {

class Appl : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString tempDir READ tempDir)
    Q_PROPERTY(int counter READ counter WRITE setCounter)
public:
    QString tempDir() const { return QStringLiteral("/tmp/velmor/"); }
    int counter() const { return counter_; }
    void setCounter(int v) { counter_ = v; }
    Q_INVOKABLE QString log(const QString &msg, int level = 4)
    {
        logged << QStringLiteral("%1:%2").arg(level).arg(msg);
        return msg.toUpper();
    }
    Q_INVOKABLE QObject *data() { return &data_; }
    QStringList logged;

private:
    int counter_ = 0;
    QObject data_;
};

// A parameter set reached by name: Params['X'] reads, writes, and absent names read empty.
class ParamSet : public IDynamicObject
{
public:
    QHash<QString, Value> values;
    Value get(QStringView name, std::span<const Value> index) override
    {
        if (name.isEmpty() && index.size() == 1)
            return values.value(index[0].toString().toUpper());
        if (name.compare(QLatin1String("Count"), Qt::CaseInsensitive) == 0)
            return Value(int64_t(values.size()));
        throw std::runtime_error("unknown member " + name.toString().toStdString());
    }
    void set(QStringView name, std::span<const Value> index, const Value &v) override
    {
        if (!name.isEmpty() || index.size() != 1)
            throw std::runtime_error("read-only");
        values.insert(index[0].toString().toUpper(), v);
    }
    Value invoke(QStringView name, std::span<const Value> args) override
    {
        if (name.compare(QLatin1String("Exists"), Qt::CaseInsensitive) == 0 && args.size() == 1)
            return Value(values.contains(args[0].toString().toUpper()));
        throw std::runtime_error("unknown method " + name.toString().toStdString());
    }
};

QString run(Engine &e, const QString &src, Status expect = Status::Ok)
{
    QString out;
    e.setOutput([&](const QString &s) { out += s; });
    EXPECT_TRUE(e.compile(src)) << e.compileError().text().toStdString();
    Status st = e.runMain();
    EXPECT_EQ(int(st), int(expect)) << e.runtimeError().text().toStdString();
    return out;
}

TEST(Binding, LateBoundQObjectPropertiesAndMethods)
{
    Engine e;
    Appl appl;
    appl.data()->setObjectName(QStringLiteral("data"));
    e.addVariable(
            QStringLiteral("HostAppl"), QStringLiteral("Variant"), QObjectDispatch::wrap(&appl));
    QString out = run(e, QStringLiteral(R"(
begin
  WriteLn(HostAppl.TempDir);
  WriteLn(HostAppl.Log('hello'));
  HostAppl.Log('warn', 2);
  HostAppl.Counter := HostAppl.Counter + 5;
  WriteLn(HostAppl.Data.ObjectName);
end.)"));
    EXPECT_EQ(out, QStringLiteral("/tmp/velmor/\nHELLO\ndata\n"));
    EXPECT_EQ(appl.logged, (QStringList{QStringLiteral("4:hello"), QStringLiteral("2:warn")}));
    EXPECT_EQ(appl.counter(), 5);

    // unknown members are script exceptions with the member's name
    e.compile(QStringLiteral("begin HostAppl.NoSuchThing(1); end."));
    EXPECT_EQ(e.runMain(), Status::Error);
    EXPECT_TRUE(e.runtimeError().message.contains(QLatin1String("NoSuchThing")));
}

TEST(Binding, DynamicObjectDefaultMemberAndErrors)
{
    Engine e;
    auto params = std::make_shared<ParamSet>();
    params->values.insert(QStringLiteral("ORDERID"), Value(int64_t(4300000001)));
    e.addDispatch(QStringLiteral("Params"), params);
    QString out = run(e, QStringLiteral(R"(
var id: Int64;
begin
  id := Params['OrderID'];
  WriteLn(id + 1);
  WriteLn(VarIsEmpty(Params['Missing']), ' ', Params.Exists('orderid'));
  Params['NewCourse'] := 3;
  WriteLn(Params.Count);
  try
    Params.Boom;
  except
    on E: Exception do WriteLn(E.Message);
  end;
end.)"));
    EXPECT_EQ(out, QStringLiteral("4300000002\nTrue True\n2\nunknown member Boom\n"));
    EXPECT_EQ(params->values.value(QStringLiteral("NEWCOURSE")).toInt(), 3);
}

class Base : public Object
{
public:
    QString name;
};

class Derived : public Base
{
public:
    QStringList items;
};

TEST(Binding, HostClassesWithInheritanceConstructorsAndIndexedProperties)
{
    Engine e;
    e.addClass(QStringLiteral("TBase"))
            .factory([] { return new Base; })
            .constructor(QStringLiteral("constructor Create(const AName: string = 'unnamed')"),
                         [](Object &s, Args &a) {
                             static_cast<Base &>(s).name = a[0].toString();
                             return Value();
                         })
            .method(QStringLiteral("function Hello(Times: Integer = 1): string"),
                    [](Object &s, Args &a) {
                        return Value(static_cast<Base &>(s).name.repeated(qsizetype(a[0].toInt())));
                    });
    e.addClass(QStringLiteral("TDerived"), QStringLiteral("TBase"))
            .factory([] { return new Derived; })
            .method(QStringLiteral("procedure Add(const S: string)"),
                    [](Object &s, Args &a) {
                        static_cast<Derived &>(s).items << a[0].toString();
                        return Value();
                    })
            .property(
                    QStringLiteral("property Items[Index: Integer]: string; default"),
                    [](Object &s, Args &a) {
                        auto &d = static_cast<Derived &>(s);
                        qsizetype i = qsizetype(a[0].toInt());
                        if (i < 0 || i >= d.items.size())
                            throw std::out_of_range("List index out of bounds");
                        return Value(d.items[i]);
                    },
                    [](Object &s, Args &a, const Value &v) {
                        static_cast<Derived &>(s).items[qsizetype(a[0].toInt())] = v.toString();
                    })
            .property(QStringLiteral("property Count: Integer"), [](Object &s, Args &) {
                return Value(int64_t(static_cast<Derived &>(s).items.size()));
            });
    QString out = run(e, QStringLiteral(R"(
type
  TScriptDerived = class(TDerived)
    Extra: Integer;
    function Twice: string;
  end;
function TScriptDerived.Twice: string;
begin
  Result := Hello(2) + IntToStr(Extra);
end;
var b: TBase; d: TDerived; s: TScriptDerived;
begin
  b := TBase.Create;
  WriteLn(b.Hello);
  d := TDerived.Create('ab');
  d.Add('x');
  d.Add('y');
  d[1] := 'z';
  WriteLn(d.Hello(3), ' ', d[0], d.Items[1], ' ', d.Count, ' ', d is TBase);
  s := TScriptDerived.Create('q');
  s.Extra := 7;
  WriteLn(s.Twice, ' ', s.ClassName);
  b.Free; d.Free; s.Free;
end.)"));
    EXPECT_EQ(out, QStringLiteral("unnamed\nababab xz 2 True\nqq7 TScriptDerived\n"));
}

TEST(Binding, CallByNameResultsAndVariables)
{
    Engine e;
    e.addVariable(QStringLiteral("ArchFileName"), QStringLiteral("string"));
    ASSERT_TRUE(e.compile(QStringLiteral(R"(
var ProtocolID: Int64; Lang: string;
function BasicRanking(Relative: Boolean): Integer;
begin
  if Relative then ProtocolID := 4300000005 else ProtocolID := 1;
  Result := Length(ArchFileName);
end;
function GetLang: string;
begin
  Result := Lang;
end;
procedure Fail;
begin
  raise Exception.Create('validation failed');
end;
begin
  Lang := 'ru';
end.)")));
    EXPECT_TRUE(e.hasFunction(QStringLiteral("basicranking")));
    EXPECT_FALSE(e.hasFunction(QStringLiteral("GetAppMutexName")));
    ASSERT_EQ(e.runMain(), Status::Ok);
    Value r;
    EXPECT_EQ(e.call(QStringLiteral("GetLang"), {}, &r), Status::Ok);
    EXPECT_EQ(r.toString(), QStringLiteral("ru"));
    EXPECT_TRUE(e.setVariable(QStringLiteral("archfilename"), Value(QStringLiteral("a.pkg"))));
    EXPECT_EQ(e.call(QStringLiteral("BasicRanking"), {Value(true)}, &r), Status::Ok);
    EXPECT_EQ(r.toInt(), 5);
    EXPECT_EQ(e.getVariable(QStringLiteral("PROTOCOLID")).toInt(), 4300000005);
    EXPECT_EQ(e.call(QStringLiteral("Fail")), Status::Error);
    EXPECT_EQ(e.runtimeError().message, QStringLiteral("validation failed"));
    EXPECT_EQ(e.runtimeError().pos.line, 14); // the text starts with a line break
    EXPECT_EQ(e.call(QStringLiteral("GetDBName")), Status::Error);
    EXPECT_TRUE(e.runtimeError().message.contains(QLatin1String("GetDBName")));
    EXPECT_EQ(e.call(QStringLiteral("BasicRanking"), {}), Status::Error); // missing argument
}

TEST(Binding, CompileErrorsCarryUnitAndPosition)
{
    struct Case
    {
        const char *src;
        int line, col;
        const char *message;
    } cases[] = {
            {"begin\n  x := 1;\nend.", 2, 3, "Undeclared identifier: 'x'"},
            {"var s: string;\nbegin\n  s := 1 +\nend.",
             4,
             1,
             "Expression expected but 'end' found"},
            {"begin\n  if True then\nend", 3, 4, "'.' expected but end of file found"},
            {"procedure P;\nbegin\nend;\nbegin\n  P(1);\nend.",
             5,
             5,
             "Too many actual parameters for 'P'"},
            {"var i: Integer;\nbegin\n  i := 2.5;\nend.",
             3,
             3,
             "Incompatible types: 'Integer' and 'Double'"},
            {"begin\n  break;\nend.", 2, 3, "BREAK or CONTINUE outside of loop"},
            {"procedure P; forward;\nbegin\nend.",
             1,
             11,
             "Unsatisfied forward or external declaration: 'P'"},
    };
    for (const Case &c : cases) {
        Engine e;
        EXPECT_FALSE(e.compile(QString::fromUtf8(c.src), QStringLiteral("order.cfm"))) << c.src;
        const ScriptError &err = e.compileError();
        EXPECT_EQ(err.message.toStdString(), std::string(c.message)) << c.src;
        EXPECT_EQ(err.pos.unit, QStringLiteral("order.cfm"));
        EXPECT_EQ(err.pos.text(), QStringLiteral("%1:%2").arg(c.line).arg(c.col)) << c.src;
        EXPECT_EQ(e.runMain(), Status::Error); // nothing to run after a failed compile
    }
}

TEST(Binding, RuntimeErrorPositionAndLineCallback)
{
    Engine e;
    QList<int> lines;
    e.setLineCallback([&](const SourcePos &p) { lines << p.line; });
    ASSERT_TRUE(e.compile(QStringLiteral("procedure Inner;\n"
                                         "begin\n"
                                         "  StrToInt('zz');\n"
                                         "end;\n"
                                         "begin\n"
                                         "  WriteLn('a');\n"
                                         "  Inner;\n"
                                         "end.")));
    e.setOutput([](const QString &) {});
    EXPECT_EQ(e.runMain(), Status::Error);
    EXPECT_EQ(e.runtimeError().exceptionClass, QStringLiteral("EConvertError"));
    EXPECT_EQ(e.runtimeError().pos.text(), QStringLiteral("3:3"));
    EXPECT_EQ(lines, (QList<int>{6, 7, 3}));
}

TEST(Binding, AbortIsSilentAndDistinctFromErrors)
{
    Engine e;
    e.addFunction(QStringLiteral("function ShowReadme(FileName: string): Boolean"),
                  [](Args &) { return Value(false); });
    e.addFunction(QStringLiteral("procedure NoConnection"),
                  [](Args &) -> Value { throw ScriptAbort{}; });
    ASSERT_TRUE(e.compile(QStringLiteral("begin if not ShowReadme('r.rtf') then Abort; end.")));
    EXPECT_EQ(e.runMain(), Status::Aborted);
    ASSERT_TRUE(e.compile(QStringLiteral("begin try NoConnection; finally WriteLn('cleanup'); "
                                         "end; end.")));
    QString out;
    e.setOutput([&](const QString &s) { out += s; });
    EXPECT_EQ(e.runMain(), Status::Aborted);
    EXPECT_EQ(out, QStringLiteral("cleanup\n"));
    ASSERT_TRUE(e.compile(QStringLiteral("begin raise Exception.Create('boom'); end.")));
    EXPECT_EQ(e.runMain(), Status::Error);
    EXPECT_EQ(e.runtimeError().message, QStringLiteral("boom"));
}

TEST(Binding, TerminateFromTheLineCallback)
{
    Engine e;
    int steps = 0;
    e.setLineCallback([&](const SourcePos &) {
        if (++steps == 1000)
            e.terminate();
    });
    ASSERT_TRUE(e.compile(QStringLiteral("var i: Integer; begin repeat Inc(i) until False; end.")));
    EXPECT_EQ(e.runMain(), Status::Terminated);
    EXPECT_FALSE(e.running());
    // the next run starts afresh
    steps = 0;
    ASSERT_TRUE(e.compile(QStringLiteral("begin end.")));
    EXPECT_EQ(e.runMain(), Status::Ok);
}

TEST(Binding, DeepNestingIsACompileErrorNotACrash)
{
    for (const char *open : {"(", "not ", "-"}) {
        Engine e;
        QString src = QStringLiteral("var b: Variant; begin b := ")
                      + QString::fromLatin1(open).repeated(100000) + QStringLiteral("1");
        if (QLatin1String(open) == QLatin1String("("))
            src += QString(100000, QLatin1Char(')'));
        src += QStringLiteral("; end.");
        EXPECT_FALSE(e.compile(src));
        EXPECT_EQ(e.compileError().message, QStringLiteral("Nesting too deep"));
    }
    Engine e;
    QString src = QStringLiteral("begin ") + QStringLiteral("begin ").repeated(100000)
                  + QStringLiteral("end; ").repeated(100000) + QStringLiteral("end.");
    EXPECT_FALSE(e.compile(src));
    EXPECT_EQ(e.compileError().message, QStringLiteral("Nesting too deep"));
}

TEST(Binding, HostFunctionVarParametersAndShadowing)
{
    Engine e;
    e.addFunction(QStringLiteral("procedure Split(const S: string; var Head, Tail: string)"),
                  [](Args &a) {
                      QString s = a[0].toString();
                      qsizetype i = s.indexOf(QLatin1Char(' '));
                      a[1] = Value(s.left(i));
                      a[2] = Value(s.mid(i + 1));
                      return Value();
                  });
    // a host function with a standard name replaces the standard one
    e.addFunction(QStringLiteral("function ParamCount: Integer"),
                  [](Args &) { return Value(int64_t(3)); });
    QString out = run(e, QStringLiteral(R"(
var h: string; parts: array of string;
begin
  SetLength(parts, 2);
  Split('first second', h, parts[1]);
  WriteLn(h, '|', parts[1], '|', ParamCount);
end.)"));
    EXPECT_EQ(out, QStringLiteral("first|second|3\n"));
}

TEST(Binding, EventFiredOutsideARunReportsNothingToTheHost)
{
    Engine e;
    test::HostFixture host;
    host.install(e);
    ASSERT_TRUE(e.compile(QStringLiteral(R"(
procedure H(Sender: TObject; Fields: TStrings);
begin
  Fields.Add('from handler');
end;
begin
  Import.OnGenerateSQLs := @H;
end.)")));
    ASSERT_EQ(e.runMain(), Status::Ok);
    Value h = host.events.handler(QStringLiteral("ongeneratesqls"));
    ASSERT_EQ(h.type(), VType::Proc);
    StringListObject list;
    Value args[] = {Value::nil(), e.wrap(&list, QStringLiteral("TStringList"))};
    e.fireEvent(h, args);
    EXPECT_EQ(list.strings, QStringList{QStringLiteral("from handler")});
}

TEST(Binding, RegistrationsAfterACompileAreSeenByTheNext)
{
    Engine e;
    ASSERT_TRUE(e.compile(QStringLiteral("begin end.")));
    EXPECT_FALSE(e.compile(QStringLiteral("begin WriteLn(Later(2)); end.")));
    e.addFunction(QStringLiteral("function Later(X: Integer): Integer"),
                  [](Args &a) { return Value(a[0].toInt() * 10); });
    e.addVariable(QStringLiteral("NewVersion"), QStringLiteral("string"), Value("5.0.1"));
    QString out = run(e, QStringLiteral("begin WriteLn(Later(2), ' ', NewVersion); end."));
    EXPECT_EQ(out, QStringLiteral("20 5.0.1\n"));
    e.setVariable(QStringLiteral("NewVersion"), Value("5.0.2"));
    out = run(e, QStringLiteral("begin WriteLn(NewVersion); end."));
    EXPECT_EQ(out, QStringLiteral("5.0.2\n"));
}

TEST(Binding, LimitsAreConfigurable)
{
    Engine e;
    Limits l;
    l.maxCallDepth = 50;
    e.setLimits(l);
    QString out = run(e, QStringLiteral(R"(
var n: Integer;
procedure R; begin Inc(n); R; end;
begin
  try R; except on E: EStackOverflow do WriteLn(n); end;
end.)"));
    EXPECT_EQ(out, QStringLiteral("49\n"));
}

TEST(Binding, ObjectsLeftAliveAreFreedWithTheEngine)
{
    static int alive = 0;
    struct Counted : Object
    {
        Counted() { ++alive; }
        ~Counted() override { --alive; }
    };
    {
        Engine e;
        e.addClass(QStringLiteral("TCounted")).factory([] { return new Counted; });
        run(e,
            QStringLiteral("var a, b: TCounted; begin a := TCounted.Create; b := "
                           "TCounted.Create; b.Free; a := TCounted.Create; end."));
        EXPECT_EQ(alive, 2);
    }
    EXPECT_EQ(alive, 0);
}

} // namespace

#include "tst_binding.moc"
