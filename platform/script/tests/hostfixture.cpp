#include "hostfixture.h"

#include <stdexcept>

namespace script::test {

template<class T>
static T &as(Object &o)
{
    return static_cast<T &>(o);
}

void HostFixture::install(Engine &e)
{
    e.setOutput([this](const QString &s) { output += s; });
    e.addClass(QStringLiteral("TStudentInfo"))
            .factory([] { return new StudentInfo; })
            .constructor(QStringLiteral("constructor Create"))
            .property(
                    QStringLiteral("property StudentID: Variant"),
                    [](Object &s, Args &) { return as<StudentInfo>(s).studentId; },
                    [](Object &s, Args &, const Value &v) { as<StudentInfo>(s).studentId = v; })
            .property(
                    QStringLiteral("property Credits_Avg: Variant"),
                    [](Object &s, Args &) { return as<StudentInfo>(s).creditsAvg; },
                    [](Object &s, Args &, const Value &v) { as<StudentInfo>(s).creditsAvg = v; })
            .property(
                    QStringLiteral("property Low_Exists: Boolean"),
                    [](Object &s, Args &) { return Value(as<StudentInfo>(s).lowExists); },
                    [](Object &s, Args &, const Value &v) {
                        as<StudentInfo>(s).lowExists = v.toBool();
                    })
            .property(
                    QStringLiteral("property ECTS: string"),
                    [](Object &s, Args &) { return Value(as<StudentInfo>(s).ects); },
                    [](Object &s, Args &, const Value &v) {
                        as<StudentInfo>(s).ects = v.toString();
                    })
            .property(
                    QStringLiteral("property FIO: string"),
                    [](Object &s, Args &) { return Value(as<StudentInfo>(s).fio); },
                    [](Object &s, Args &, const Value &v) {
                        as<StudentInfo>(s).fio = v.toString();
                    })
            .property(
                    QStringLiteral("property SortOrder: Integer"),
                    [](Object &s, Args &) { return Value(as<StudentInfo>(s).sortOrder); },
                    [](Object &s, Args &, const Value &v) {
                        as<StudentInfo>(s).sortOrder = v.toInt();
                    });
    e.addClass(QStringLiteral("THostTran"))
            .method(QStringLiteral("procedure StartTransaction"),
                    [](Object &s, Args &) {
                        as<HostTran>(s).active = true;
                        return Value();
                    })
            .method(QStringLiteral("procedure Commit"),
                    [](Object &s, Args &) {
                        auto &t = as<HostTran>(s);
                        if (!t.active)
                            throw std::runtime_error("Transaction is not active");
                        t.active = false;
                        t.commits++;
                        return Value();
                    })
            .property(QStringLiteral("property InTransaction: Boolean"),
                      [](Object &s, Args &) { return Value(as<HostTran>(s).active); });
    e.addObject(QStringLiteral("Tran"), QStringLiteral("THostTran"), &tran);
    e.addClass(QStringLiteral("TEventSource"))
            .event(QStringLiteral("OnGenerateSQLs"))
            .method(QStringLiteral("function Execute: Integer"), [&e](Object &s, Args &) {
                auto &src = as<EventSource>(s);
                src.fields.clear();
                for (const char *f : {"ID", "FIO", "CALC_AGE", "CALC_SUM"})
                    src.fields.add(QString::fromLatin1(f), {});
                Value h = src.handler(QStringLiteral("OnGenerateSQLs"));
                Value args[]
                        = {Value::object(&src), e.wrap(&src.fields, QStringLiteral("TStrings"))};
                e.fireEvent(h, args);
                return Value(int64_t(src.fields.strings.size()));
            });
    e.addObject(QStringLiteral("Import"), QStringLiteral("TEventSource"), &events);
    e.addEnum(QStringLiteral("TUpdateMethod"),
              {QStringLiteral("umFirstUpdate"),
               QStringLiteral("umFirstInsert"),
               QStringLiteral("umExists"),
               QStringLiteral("umOnlyUpdate"),
               QStringLiteral("umOnlyInsert")});
    e.addFunction(QStringLiteral("procedure HostFail(const Msg: string)"), [](Args &a) -> Value {
        throw std::runtime_error(a[0].toString().toStdString());
    });
    e.addFunction(QStringLiteral("procedure HostFailOddly"), [](Args &) -> Value { throw 42; });
    e.addFunction(QStringLiteral("procedure HostAbort"),
                  [](Args &) -> Value { throw ScriptAbort{}; });
    e.addFunction(QStringLiteral("function HostReenter: string"), [](Args &a) {
        Status st = a.engine.runMain();
        Status st2 = a.engine.call(QStringLiteral("HostReenter"));
        return Value(st == Status::Busy && st2 == Status::Busy ? QStringLiteral("Busy")
                                                               : QStringLiteral("entered"));
    });
    e.addFunction(
            QStringLiteral("procedure OutMessage(s: string; FontColor: TColor = "
                           "clWindowText; FontSize: integer = 8; BackColor: TColor = clWindow)"),
            [this](Args &a) {
                output += QStringLiteral("[%1|%2|%3] %4\n")
                                  .arg(a[1].toInt())
                                  .arg(a[2].toInt())
                                  .arg(a[3].toInt())
                                  .arg(a[0].toString());
                return Value();
            });
    e.addFunction(QStringLiteral("procedure SortList(List: TList)"), [](Args &a) {
        auto *l = dynamic_cast<ListObject *>(a[0].toObject());
        std::stable_sort(l->items.begin(), l->items.end(), [](const Value &x, const Value &y) {
            auto *p = static_cast<StudentInfo *>(x.toObject());
            auto *q = static_cast<StudentInfo *>(y.toObject());
            if (p->sortOrder != q->sortOrder)
                return p->sortOrder > q->sortOrder;
            return p->fio.compare(q->fio, Qt::CaseInsensitive) < 0;
        });
        return Value();
    });
    e.addVariable(QStringLiteral("ProtocolFor"), QStringLiteral("Integer"), Value(int64_t(1)));
    e.addConstant(QStringLiteral("DepartmentID"), Value::null(), QStringLiteral("Variant"));
}

} // namespace script::test
