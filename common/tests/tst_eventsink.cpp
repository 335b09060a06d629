#include "errorof.h"
#include <connectionpoint.h>
#include <ivelmdataevents.h>
#include <lxerror.h>
#include <velmorivelmdataevents.h>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace {

// A source of data events as the host's data object offers them.
class EventSource : public IVelmUnknown, public IConnectionPointContainer
{
public:
    explicit EventSource(const QUuid &iid = IID_IVelmDataEvents)
        : point(iid)
    {}
    int AddRef() override { return ++refCount; }
    int Release() override { return --refCount; }
    IConnectionPoint *FindConnectionPoint(const QUuid &iid) override
    {
        return iid == point.GetConnectionInterface() ? &point : nullptr;
    }

    ConnectionPoint point;
    int refCount = 1;
};

class NoEvents : public IVelmUnknown
{
public:
    int AddRef() override { return 1; }
    int Release() override { return 1; }
};

class EventSinkTest : public testing::Test
{
protected:
    void SetUp() override
    {
        sink.OnBeforeScroll = [this] { calls.append("before"); };
        sink.OnAfterScroll = [this] { calls.append("after"); };
    }

    QStringList calls;
    // The sources outlive the sink, which holds them while connected.
    EventSource source;
    EventSource other;
    TVelmorIVelmDataEvents sink;
};

} // namespace

TEST_F(EventSinkTest, EventsReachTheirHandlersByDispid)
{
    sink.Connect(&source);
    source.point.Fire(int(IVelmDataEventsDispid::OnBeforeScroll));
    source.point.Fire(int(IVelmDataEventsDispid::OnAfterScroll));
    EXPECT_EQ(calls, (QStringList{"before", "after"}));

    EXPECT_EQ(sink.Invoke(3, InvokeKind::Method, {}, nullptr), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(sink.Invoke(0, InvokeKind::Method, {}, nullptr), DISP_E_MEMBERNOTFOUND);
    sink.OnAfterScroll = nullptr;
    EXPECT_EQ(sink.Invoke(2, InvokeKind::Method, {}, nullptr), S_OK);
    EXPECT_EQ(calls.size(), 2);
}

TEST_F(EventSinkTest, OnlyMethodCallsAreSunk)
{
    TVelmorEventsBaseSink base(IID_IVelmDataEvents);
    for (InvokeKind kind : {InvokeKind::PropertyGet, InvokeKind::PropertyPut}) {
        EXPECT_EQ(ErrorOf([&] { sink.Invoke(1, kind, {}, nullptr); }),
                  "TVelmorIVelmDataEvents only supports sinking of method calls!");
        EXPECT_EQ(ErrorOf([&] { base.Invoke(1, kind, {}, nullptr); }),
                  "TVelmorEventsBaseSink only supports sinking of method calls!");
    }
    EXPECT_EQ(base.Invoke(1, InvokeKind::Method, {}, nullptr), DISP_E_MEMBERNOTFOUND);
    EXPECT_TRUE(calls.isEmpty());
}

TEST_F(EventSinkTest, ASourceWithoutTheEventsCannotBeConnected)
{
    NoEvents plain;
    EventSource otherEvents(QUuid::createUuid());
    struct Case
    {
        IVelmUnknown *source;
        QString reason;
    };
    const QList<Case> cases = {
            {nullptr, "There is no source object"},
            {&plain, "The source object offers no events"},
            {&otherEvents,
             "The source object offers no events {209627C0-020A-497A-8589-E9E56958B76B}"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ErrorOf([&] { sink.Connect(c.source); }),
                  "Unable to connect TVelmorIVelmDataEvents.\r" + c.reason);
        EXPECT_FALSE(sink.IsConnected());
    }
    EXPECT_EQ(otherEvents.refCount, 1);
}

TEST_F(EventSinkTest, ConnectingAgainLeavesTheFirstSource)
{
    EventSource &first = source;
    EventSource &second = other;
    sink.Connect(&first);
    EXPECT_EQ(first.refCount, 2) << "a connected sink holds its source";
    sink.Connect(&second);
    EXPECT_TRUE(first.point.Sinks().isEmpty());
    EXPECT_EQ(first.refCount, 1);
    EXPECT_EQ(second.point.Sinks(), QList<IVelmDispatch *>{&sink});
    EXPECT_EQ(sink.Source(), &second);

    first.point.Fire(1);
    EXPECT_TRUE(calls.isEmpty());
    second.point.Fire(1);
    EXPECT_EQ(calls, QStringList{"before"});
}

TEST_F(EventSinkTest, DisconnectLetsGoAlsoWhenTheSourceForgotTheSink)
{
    {
        TVelmorIVelmDataEvents scoped;
        scoped.Connect(&source);
        EXPECT_EQ(source.point.Sinks().size(), 1);
    }
    EXPECT_TRUE(source.point.Sinks().isEmpty()) << "destruction disconnects";
    EXPECT_EQ(source.refCount, 1);

    sink.Connect(&source);
    source.point.Unadvise(2); // the source drops the sink of its second connection
    sink.Disconnect();
    EXPECT_FALSE(sink.IsConnected());
    EXPECT_EQ(source.refCount, 1);
    sink.Disconnect(); // nothing to do
}

TEST_F(EventSinkTest, AFailingHandlerFailsTheEventCall)
{
    sink.OnAfterScroll = [] { throw std::runtime_error("card not loaded"); };
    EXPECT_EQ(ErrorOf([&] { sink.Invoke(2, InvokeKind::Method, {}, nullptr); }), "card not loaded");
}

TEST_F(EventSinkTest, TheSinkAnswersItsInterfacesAndDoesNotCount)
{
    EXPECT_EQ(sink.QueryInterface(IID_IVelmDataEvents), &sink);
    EXPECT_EQ(sink.QueryInterface(IID_IVelmDispatch), &sink);
    EXPECT_EQ(sink.QueryInterface(IID_IVelmUnknown), &sink);
    EXPECT_EQ(sink.QueryInterface(IID_IConnectionPointContainer), nullptr);
    EXPECT_EQ(sink.AddRef(), 2);
    EXPECT_EQ(sink.Release(), 1);
    EXPECT_EQ(sink.Release(), 1);
}
