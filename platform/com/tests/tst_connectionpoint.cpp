#include <connectionpoint.h>
#include <lxerror.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// A sink that records its calls and counts its references.
class RecordingSink : public IVelmDispatch
{
public:
    RecordingSink(std::vector<QString> &calls, QString name)
        : m_calls(calls)
        , m_name(std::move(name))
    {}
    int AddRef() override { return ++refCount; }
    int Release() override { return --refCount; }
    HRESULT Invoke(int dispid, InvokeKind, const QVariantList &, QVariant *) override
    {
        m_calls.push_back(QStringLiteral("%1:%2").arg(m_name).arg(dispid));
        if (onInvoke)
            onInvoke();
        return S_OK;
    }

    int refCount = 0;
    std::function<void()> onInvoke;

private:
    std::vector<QString> &m_calls;
    QString m_name;
};

const QUuid eventsIid = QUuid::fromString(QStringLiteral("{209627C0-020A-497A-8589-E9E56958B76B}"));

class ConnectionPointTest : public testing::Test
{
protected:
    std::vector<QString> calls;
    RecordingSink first{calls, QStringLiteral("first")};
    RecordingSink second{calls, QStringLiteral("second")};
    RecordingSink third{calls, QStringLiteral("third")};
};

} // namespace

TEST_F(ConnectionPointTest, CookiesCountFromOneAndSinksKeepConnectionOrder)
{
    ConnectionPoint point(eventsIid);
    EXPECT_EQ(point.GetConnectionInterface(), eventsIid);
    EXPECT_EQ(point.Advise(&second), 1u);
    EXPECT_EQ(point.Advise(&first), 2u);
    EXPECT_EQ(point.Advise(&third), 3u);
    EXPECT_EQ(point.Sinks(), (QList<IVelmDispatch *>{&second, &first, &third}));

    point.Unadvise(2);
    // A cookie is never given twice, also after its sink left.
    EXPECT_EQ(point.Advise(&first), 4u);
    point.Fire(2);
    EXPECT_EQ(calls, (std::vector<QString>{"second:2", "third:2", "first:2"}));
}

TEST_F(ConnectionPointTest, ASinkHoldsAReferenceWhileConnected)
{
    {
        ConnectionPoint point(eventsIid);
        const quint32 cookie = point.Advise(&first);
        point.Advise(&second);
        EXPECT_EQ(first.refCount, 1);
        point.Unadvise(cookie);
        EXPECT_EQ(first.refCount, 0);
        EXPECT_EQ(second.refCount, 1);
    }
    EXPECT_EQ(second.refCount, 0) << "the point released the sink still connected";
}

TEST_F(ConnectionPointTest, UnknownCookiesAndNullSinksAreRefused)
{
    ConnectionPoint point(eventsIid);
    const quint32 cookie = point.Advise(&first);
    point.Unadvise(cookie);
    for (quint32 bad : {cookie, 0u, 99u}) {
        try {
            point.Unadvise(bad);
            ADD_FAILURE() << "cookie " << bad << " was accepted";
        } catch (const LxError &error) {
            EXPECT_EQ(error.message(),
                      QStringLiteral("No sink is connected with the cookie %1").arg(bad));
        }
    }
    EXPECT_THROW(point.Advise(nullptr), LxError);
    EXPECT_TRUE(point.Sinks().isEmpty());
}

TEST_F(ConnectionPointTest, ASinkDisconnectedDuringARoundIsNotCalled)
{
    ConnectionPoint point(eventsIid);
    point.Advise(&first);
    const quint32 secondCookie = point.Advise(&second);
    point.Advise(&third);
    first.onInvoke = [&] { point.Unadvise(secondCookie); };
    point.Fire(1);
    EXPECT_EQ(calls, (std::vector<QString>{"first:1", "third:1"}));
}

TEST_F(ConnectionPointTest, AFailingSinkStopsTheRound)
{
    ConnectionPoint point(eventsIid);
    point.Advise(&first);
    point.Advise(&second);
    first.onInvoke = [] { throw LxError(QStringLiteral("handler failed")); };
    EXPECT_THROW(point.Fire(1), LxError);
    EXPECT_EQ(calls, (std::vector<QString>{"first:1"}));
}
