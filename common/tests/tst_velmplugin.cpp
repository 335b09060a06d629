#include "errorof.h"
#include "stubapplication.h"

#include <ilxparams.h>
#include <lxerror.h>
#include <tempregistry.h>
#include <velmclassfactory.h>
#include <velmplugin.h>

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

namespace {

const QUuid probeClass
        = QUuid::fromString(QStringLiteral("{70C4B0DB-5785-4113-9507-05FD7EE421F7}"));

class ProbePlugin : public TVelmPlugin
{
public:
    explicit ProbePlugin(bool *destroyed = nullptr)
        : TVelmPlugin(QStringLiteral("Probe"))
        , m_destroyed(destroyed)
    {}
    ~ProbePlugin() override
    {
        if (m_destroyed)
            *m_destroyed = true;
    }

    std::function<QVariant(ILxParams *)> execute;
    std::function<bool()> beforeClose;

protected:
    QVariant DoExecute(ILxParams *params) override
    {
        return execute ? execute(params) : TVelmPlugin::DoExecute(params);
    }
    bool DoBeforeApplClose() override
    {
        return beforeClose ? beforeClose() : TVelmPlugin::DoBeforeApplClose();
    }

private:
    bool *m_destroyed;
};

// The messages of the log, in order, without their time stamp and tags.
QStringList LoggedMessages(const TempRegistry &registry)
{
    QStringList messages;
    for (const QString &line : registry.LogText().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        messages.append(line.section(QStringLiteral("] "), 2));
    return messages;
}

} // namespace

TEST(VelmPlugin, InitTwiceReplacesTheApplicationOfEveryObjectOfTheLibrary)
{
    StubApplication first, second;
    ProbePlugin one, two;
    EXPECT_EQ(one.Application(), nullptr);
    one.Init(&first);
    EXPECT_EQ(two.Application(), &first);
    two.Init(&second);
    EXPECT_EQ(one.Application(), &second);
    EXPECT_EQ(TVelmPlugin::GlobalApplication(), &second);
}

TEST(VelmPlugin, TheApplicationStaysUntilTheLibrarysLastObjectIsGone)
{
    StubApplication appl;
    auto one = new ProbePlugin;
    auto two = new ProbePlugin;
    one->AddRef();
    two->AddRef();
    one->Init(&appl);
    one->Release();
    EXPECT_EQ(two->Application(), &appl) << "destroying one object cut off the other";
    two->Release();
    EXPECT_EQ(TVelmPlugin::GlobalApplication(), nullptr);
}

TEST(VelmPlugin, TheFactoryGivesTheCallerOneReferenceAndTheLastReleaseDestroys)
{
    TempRegistry registry;
    bool destroyed = false;
    TVelmClassFactory factory(probeClass, [&] { return new ProbePlugin(&destroyed); });
    EXPECT_EQ(qobject_cast<IVelmClassFactory *>(&factory), &factory);
    EXPECT_EQ(factory.ClassId(), probeClass);

    IVelmUnknown *object = factory.CreateInstance();
    auto plugin = dynamic_cast<IVelmPlugin *>(object);
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->AddRef(), 2);
    EXPECT_EQ(plugin->Release(), 1);
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(object->Release(), 0);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(LoggedMessages(registry),
              (QStringList{"On Probe addref. RefCount = 1",
                           "On Probe addref. RefCount = 2",
                           "On Probe release. RefCount = 1",
                           "On Probe release. RefCount = 0",
                           "Start Probe destroying.",
                           "End Probe destroying. RefCount=0"}));
}

TEST(VelmPlugin, EveryFailureOfThePluginLeavesAsLxErrorWithItsMessage)
{
    struct Case
    {
        const char *name;
        std::function<void()> fail;
        QString message;
    };
    const std::vector<Case> cases = {
            {"LxError", [] { throw LxError(QStringLiteral("Нет данных")); }, "Нет данных"},
            {"std::exception", [] { throw std::runtime_error("bad state"); }, "bad state"},
            {"bad_alloc", [] { throw std::bad_alloc(); }, "std::bad_alloc"},
            {"anything", [] { throw 42; }, "Probe failed"},
    };
    ProbePlugin plugin;
    for (const Case &c : cases) {
        plugin.execute = [&](ILxParams *) -> QVariant {
            c.fail();
            return true;
        };
        plugin.beforeClose = [&] {
            c.fail();
            return true;
        };
        EXPECT_EQ(ErrorOf([&] { plugin.Execute(nullptr); }), c.message) << c.name;
        EXPECT_EQ(ErrorOf([&] { plugin.BeforeApplClose(); }), c.message) << c.name;
    }
}

TEST(VelmPlugin, ExecuteHandsTheCommandAndDefaultsToNotHandled)
{
    ProbePlugin plugin;
    auto params = CoLxParams::Create();
    params->SetValue(QStringLiteral("action"), QStringLiteral("View"));
    EXPECT_EQ(plugin.Execute(params.get()), QVariant(false));
    EXPECT_TRUE(plugin.BeforeApplClose());

    QString seen = QStringLiteral("<not called>");
    plugin.execute = [&](ILxParams *given) -> QVariant {
        seen = TVelmPlugin::Action(*given);
        return true;
    };
    EXPECT_EQ(plugin.Execute(params.get()), QVariant(true));
    EXPECT_EQ(seen, "View");
    // Without parameters the plug-in still reads an (empty) set.
    EXPECT_EQ(plugin.Execute(nullptr), QVariant(true));
    EXPECT_EQ(seen, "");
}

TEST(VelmPlugin, AFactoryWhoseCreatorFailsReportsIt)
{
    TVelmClassFactory throwing(probeClass, []() -> TVelmPlugin * { throw std::bad_alloc(); });
    EXPECT_EQ(ErrorOf([&] { throwing.CreateInstance(); }), "std::bad_alloc");
    TVelmClassFactory empty(probeClass, []() -> TVelmPlugin * { return nullptr; });
    EXPECT_EQ(ErrorOf([&] { empty.CreateInstance(); }),
              "The class {70C4B0DB-5785-4113-9507-05FD7EE421F7} created no object");
}
