#include "commandline.h"
#include "hostfixture.h"
#include "menuutils.h"
#include "pluginfixture.h"
#include "velmapplication.h"
#include "velmmain.h"
#include "velmpluginitem.h"
#include "velmplugins.h"

#include <comregistry.h>
#include <comserver.h>
#include <ilxparams.h>
#include <ivelmplugin.h>
#include <lxerror.h>
#include <lxlog.h>
#include <registry.h>
#include <velmconsts.h>

#include <QAction>
#include <QDomDocument>
#include <QMainWindow>
#include <QUuid>

#include <gtest/gtest.h>

namespace {

const char kClassId[] = "{6D1C4D2A-33B1-4F7E-9C55-0B6A1E2F3A41}";

// Registrations below the plug-ins key of a registry file of the test's own.
class PluginRegistryTest : public testing::Test
{
protected:
    // loadBehavior null: the value is left out.
    void addPlugin(const QString &subkey, const QString &loadBehavior, const QString &friendly)
    {
        const QString key = rgPluginsKey() + '\\' + subkey;
        Registry registry;
        registry.CreateKey(key);
        if (!loadBehavior.isNull())
            registry.SetValue(key, "LoadBehavior", loadBehavior);
        registry.SetValue(key, "FriendlyName", friendly);
    }

    // The collection read from the registry, as Prepare makes it; the test owns one reference.
    TVelmPlugins *update(IVelmApplication *application = nullptr)
    {
        auto *plugins = new TVelmPlugins;
        plugins->AddRef();
        plugins->Init(application);
        plugins->Update();
        return plugins;
    }

    TestRegistry m_registry;
    TestLog m_log;
};

TEST_F(PluginRegistryTest, WithoutThePluginsKeyTheCollectionIsEmpty)
{
    TVelmPlugins *plugins = update();
    EXPECT_EQ(plugins->Count(), 0);
    EXPECT_TRUE(plugins->BeforeApplClose());
    plugins->Release();
}

TEST_F(PluginRegistryTest, BrokenRegistrationsAreLoggedAndSkipped)
{
    addPlugin("A.ClassNobodyRegistered", "0", "A");
    addPlugin(kClassId, {}, "NoLoadBehavior");
    addPlugin("{11111111-2222-3333-4444-555555555555}", "often", "NotANumber");
    addPlugin("{22222222-2222-3333-4444-555555555555}", "0", "Good");
    TVelmPlugins *plugins = update();
    ASSERT_EQ(plugins->Count(), 1);
    EXPECT_EQ(plugins->Item(0)->FriendlyName(), "Good");
    // Each warning is the error, a blank and the subkey.
    const QStringList warnings = m_log.Lines("[WARNING]");
    ASSERT_EQ(warnings.size(), 3);
    const struct
    {
        const char *subkey;
        const char *mentions;
    } expected[] = {
            {"A.ClassNobodyRegistered", "A.ClassNobodyRegistered"},
            {kClassId, "LoadBehavior"},
            {"{11111111-2222-3333-4444-555555555555}", "LoadBehavior"},
    };
    for (const auto &e : expected) {
        const QStringList lines = warnings.filter(QString(" ") + e.subkey);
        ASSERT_EQ(lines.size(), 1) << e.subkey;
        EXPECT_TRUE(lines.first().endsWith(QString(" ") + e.subkey));
        EXPECT_TRUE(lines.first().contains(e.mentions));
    }
    plugins->Release();
}

TEST_F(PluginRegistryTest, ItemsAreFoundByFriendlyNameOrPosition)
{
    // A class-id subkey needs no ProgID registration; its ProgId is the subkey's text.
    addPlugin(kClassId, "0", "Twin");
    addPlugin("{FFFFFFFF-2222-3333-4444-555555555555}", "2", "Twin");
    TVelmPlugins *plugins = update();
    ASSERT_EQ(plugins->Count(), 2);
    IVelmPluginItem *first = plugins->Item(0);
    EXPECT_EQ(first->ProgId(), kClassId);
    EXPECT_EQ(first->Guid(), QUuid::fromString(QString(kClassId)));
    EXPECT_FALSE(first->Connect());
    EXPECT_EQ(first->Plugin(), nullptr);
    EXPECT_EQ(plugins->Item("Twin"), first); // the first of two with one name
    EXPECT_EQ(plugins->Item(QVariant(1))->FriendlyName(), "Twin");
    EXPECT_EQ(static_cast<TVelmPluginItem *>(plugins->Item(1))->LoadBehavior(), 2);
    EXPECT_TRUE(
            m_log.Text().contains(QString("Found plugin: ") + kClassId + "; GUID = " + kClassId));

    const struct
    {
        QVariant index;
        const char *message;
    } failures[] = {
            {QVariant("twin"), "Модуль \"twin\" не найден"}, // names are case-sensitive
            {QVariant(2), "Нет модуля с номером 2"},
            {QVariant(-1), "Нет модуля с номером -1"},
    };
    for (const auto &f : failures) {
        try {
            plugins->Item(f.index);
            ADD_FAILURE() << f.message;
        } catch (const LxError &error) {
            EXPECT_EQ(error.message(), f.message);
        }
    }
    // A disconnected item answers for its plug-in and refuses to run commands.
    EXPECT_TRUE(first->BeforeApplClose());
    const std::unique_ptr<ILxParams> params = CoLxParams::Create();
    try {
        first->Execute(params.get());
        ADD_FAILURE() << "executed";
    } catch (const LxError &error) {
        EXPECT_EQ(error.message(), "Plugin is not connected.");
    }
    plugins->Release();
}

TEST_F(PluginRegistryTest, EnumerationKeepsOneCursorAndClonesStartAfresh)
{
    // The registry lists subkeys by name.
    addPlugin("{CCCCCCCC-0000-0000-0000-000000000000}", "0", "C");
    addPlugin("{AAAAAAAA-0000-0000-0000-000000000000}", "0", "A");
    addPlugin("{BBBBBBBB-0000-0000-0000-000000000000}", "0", "B");
    TVelmPlugins *plugins = update();
    const auto names = [](const QVariantList &items) {
        QStringList list;
        for (const QVariant &item : items)
            list << item.value<IVelmPluginItem *>()->FriendlyName();
        return list;
    };
    IEnumVariant *enumeration = plugins->NewEnum();
    QVariantList items;
    EXPECT_EQ(enumeration->Next(2, items), S_OK);
    EXPECT_EQ(names(items), (QStringList{"A", "B"}));
    IEnumVariant *clone = enumeration->Clone();
    EXPECT_EQ(plugins->NewEnum()->Next(2, items), S_FALSE); // NewEnum keeps the cursor
    EXPECT_EQ(names(items), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(enumeration->Skip(1), S_FALSE);
    enumeration->Reset();
    EXPECT_EQ(enumeration->Skip(3), S_OK);

    QVariantList cloned;
    EXPECT_EQ(clone->Next(5, cloned), S_FALSE);
    EXPECT_EQ(names(cloned), (QStringList{"A", "B", "C"}));
    plugins->Release();
    // The clone keeps the items alive after the collection is gone.
    EXPECT_EQ(cloned.at(2).value<IVelmPluginItem *>()->FriendlyName(), "C");
    clone->Release();
    EXPECT_TRUE(m_log.Text().contains("End plugins destroying. RefCount = 0"));
    EXPECT_TRUE(m_log.Text().contains("End PluginItem destroying. RefCount = 0"));
}

#ifdef VELMOR_TEST_PLUGIN

const char kTestClassId[] = "{6A885A9B-6FAA-49FF-8CC1-79D67B055C65}";

// The framework's test plug-in registered three times: by its ProgID, by an alias ProgID and by
// its class id, so the collection holds (in the registry's order) A = VelmTest.Alias,
// B = VelmTest.VelmPlugin and C = its class id, each making its own plug-in object.
class TestPluginTest : public PluginRegistryTest
{
protected:
    void SetUp() override
    {
        RegisterServer(VELMOR_TEST_PLUGIN);
        ComRegistry::RegisterClass(
                "VelmTest.Alias", QUuid::fromString(QString(kTestClassId)), VELMOR_TEST_PLUGIN);
        addPlugin("VelmTest.Alias", "0", "A");
        addPlugin("VelmTest.VelmPlugin", "0", "B");
        addPlugin(kTestClassId, "0", "C");
    }

    TVelmPlugins *update() { return PluginRegistryTest::update(&m_application); }

    QVariant execute(IVelmPluginItem *item, const QString &action, const QVariant &value = {})
    {
        const std::unique_ptr<ILxParams> params = CoLxParams::Create();
        params->SetValue("Action", action);
        if (value.isValid())
            params->SetValue("Value", value);
        return item->Execute(params.get());
    }

    TVelmApplication m_application;
};

TEST_F(TestPluginTest, ConnectingCreatesAndInitialisesThePluginObject)
{
    Registry().SetValue(rgPluginsKey() + "\\VelmTest.VelmPlugin", "LoadBehavior", "3");
    addPlugin("{0BADC1A5-0000-0000-0000-000000000000}", "3", "Unregistered");
    TVelmPlugins *plugins = update();
    ASSERT_EQ(plugins->Count(), 3); // the class nobody serves is logged and skipped
    EXPECT_EQ(m_log.Lines("[WARNING]").filter("{0BADC1A5").size(), 1);
    EXPECT_FALSE(plugins->Item("A")->Connect());
    IVelmPluginItem *b = plugins->Item("B");
    ASSERT_TRUE(b->Connect()); // LoadBehavior 3 connects at once
    EXPECT_EQ(b->Guid(), QUuid::fromString(QString(kTestClassId)));
    EXPECT_EQ(execute(b, "Echo", "ok"), QVariant("ok"));

    IVelmPluginItem *c = plugins->Item("C");
    c->SetConnect(true);
    ASSERT_NE(c->Plugin(), nullptr);
    EXPECT_EQ(c->Plugin()->Application(), &m_application);
    EXPECT_EQ(execute(c, "Log", {}), QVariant(true));
    c->SetConnect(true); // no second object
    c->SetConnect(false);
    EXPECT_EQ(c->Plugin(), nullptr);
    EXPECT_EQ(m_log.Lines("Start VelmTest destroying.").size(), 1);
    plugins->Release();
    EXPECT_EQ(m_log.Lines("Start VelmTest destroying.").size(), 2);
}

TEST_F(TestPluginTest, BeforeApplCloseAsksFromTheLastUntilTheFirstRefusal)
{
    TVelmPlugins *plugins = update();
    for (const char *name : {"A", "B", "C"}) {
        IVelmPluginItem *item = plugins->Item(name);
        item->SetConnect(true);
        execute(item, "Tag", name);
    }
    EXPECT_TRUE(plugins->BeforeApplClose());
    EXPECT_EQ(m_log.Lines("VelmTest BeforeApplClose").size(), 3);

    execute(plugins->Item("B"), "RefuseClose");
    const int before = m_log.Lines("VelmTest BeforeApplClose").size();
    EXPECT_FALSE(plugins->BeforeApplClose());
    const QStringList asked = m_log.Lines("VelmTest BeforeApplClose").mid(before);
    ASSERT_EQ(asked.size(), 2);
    EXPECT_TRUE(asked.at(0).endsWith("BeforeApplClose C"));
    EXPECT_TRUE(asked.at(1).endsWith("BeforeApplClose B"));
    plugins->Item("C")->SetConnect(false); // a disconnected item agrees without asking
    EXPECT_FALSE(plugins->BeforeApplClose());
    plugins->Release();
}

// Menu commands run against the collection; errors are recorded instead of shown.
class PluginCommandTest : public TestPluginTest
{
protected:
    QAction *build(const QString &actions)
    {
        m_document.setContent("<UI><Actions>" + actions + "</Actions><Menu/><Toolbars/></UI>");
        TMenuBuilder::CommandHooks hooks;
        hooks.plugins = [this] { return m_plugins; };
        hooks.showError = [this](const QString &message) { m_shown << message; };
        hooks.onError = [this](const std::exception &error) {
            m_raised << QString::fromLocal8Bit(error.what());
        };
        m_actions = TMenuBuilder(&m_window, {}, hooks).Build(m_document.documentElement());
        return m_actions.value("act");
    }

    void TearDown() override
    {
        if (m_plugins)
            m_plugins->Release();
    }

    QDomDocument m_document;
    QMainWindow m_window;
    QHash<QString, QAction *> m_actions;
    TVelmPlugins *m_plugins = nullptr;
    QStringList m_shown;
    QStringList m_raised;
};

TEST_F(PluginCommandTest, AutoUnloadDisconnectsAlsoAfterAFailedCommand)
{
    m_plugins = update();
    QAction *act = build(R"(<Action Name="act" Plugin="B" AutoUnload="1"><Params>
        <Param Name="Action" Value="Fail"/><Param Name="Message" Value="нет данных"/>
        </Params></Action>)");
    for (int run = 1; run <= 2; ++run) {
        act->trigger();
        EXPECT_EQ(m_shown.size(), run);
        EXPECT_EQ(m_shown.last(), "нет данных");
        EXPECT_FALSE(m_plugins->Item("B")->Connect());
        EXPECT_EQ(m_log.Lines("Unload B").size(), run);
        EXPECT_EQ(m_log.Lines("Start VelmTest destroying.").size(), run);
    }
    EXPECT_TRUE(m_raised.isEmpty());
}

TEST_F(PluginCommandTest, APluginThatThrowsLeavesTheHostRunning)
{
    m_plugins = update();
    build(R"(<Action Name="act" Plugin="C"><Params><Param Name="Action" Value="Throw"/></Params>
             </Action>
             <Action Name="actLog" Plugin="C"><Params><Param Name="Action" Value="Log"/>
             <Param Name="Message" Value="still here"/></Params></Action>
             <Action Name="actNobody" Plugin="Nobody"/>)");
    m_actions.value("act")->trigger();
    EXPECT_EQ(m_shown, QStringList{"VelmTest threw"});
    EXPECT_TRUE(m_plugins->Item("C")->Connect()); // no AutoUnload: it stays
    m_actions.value("actLog")->trigger();
    EXPECT_EQ(m_log.Lines("still here").size(), 1);
    EXPECT_EQ(m_log.Lines("Unload").size(), 0);

    m_actions.value("actNobody")->trigger();
    EXPECT_EQ(m_raised, QStringList{"Модуль \"Nobody\" не найден"});
    EXPECT_EQ(m_shown.size(), 1);
}

TEST_F(PluginCommandTest, APluginThatCannotBeCreatedIsReportedAndStaysDisconnected)
{
    ComRegistry::RegisterClass("VelmTest.Alias",
                               QUuid::fromString(QString(kTestClassId)),
                               m_registry.Dir() + "/missing.so");
    m_plugins = update();
    build(R"(<Action Name="act" Plugin="A"><Params><Param Name="Action" Value="Echo"/></Params>
             </Action>)");
    m_actions.value("act")->trigger();
    ASSERT_EQ(m_raised.size(), 1);
    EXPECT_TRUE(m_raised.first().contains("missing.so")) << m_raised.first().toStdString();
    EXPECT_TRUE(m_shown.isEmpty());
    EXPECT_FALSE(m_plugins->Item("A")->Connect());
}

TEST_F(PluginRegistryTest, RegserverAndUnregserverWriteAndRemoveTheRegistration)
{
    const int debugLevel = DebugLevel;
    const auto run = [](const QStringList &arguments) {
        QList<QByteArray> bytes{"velmor"};
        for (const QString &argument : arguments)
            bytes << argument.toLocal8Bit();
        QList<char *> argv;
        for (QByteArray &b : bytes)
            argv << b.data();
        return VelmorMain(int(argv.size()), argv.data());
    };
    const QString key = rgPluginsKey() + "\\VelmTest.VelmPlugin";
    EXPECT_EQ(run({"--regserver", VELMOR_TEST_PLUGIN}), 0);
    EXPECT_EQ(Registry().Value(key, "FriendlyName"), "VelmTest");
    EXPECT_EQ(ComRegistry::ClassIdFromProgId("VelmTest.VelmPlugin"),
              QUuid::fromString(QString(kTestClassId)));
    EXPECT_EQ(run({"--unregserver", VELMOR_TEST_PLUGIN}), 0);
    EXPECT_FALSE(Registry().KeyExists(key));
    EXPECT_EQ(run({"--regserver", m_registry.Dir() + "/missing.so"}), 1);
    EXPECT_EQ(run({"--regserver"}), 1);
    EXPECT_FALSE(Registry().KeyExists(key));
    DebugLevel = debugLevel;
}

#endif

TEST(CommandLine, ServerRegistrationTakesTheFirstOptionAndItsLibrary)
{
    using Action = TCommandLine::ServerAction;
    const struct
    {
        QStringList arguments;
        Action action;
        QString library;
    } cases[] = {
            {{}, Action::None, {}},
            {{"--regserver", "a.so"}, Action::Register, "a.so"},
            {{"-U", "X", "--unregserver", "b.so", "--regserver", "a.so"},
             Action::Unregister,
             "b.so"},
            {{"--regserver"}, Action::Register, {}},
            {{"--RegServer", "a.so", "-regserver", "b.so"}, Action::None, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const TCommandLine line(c.arguments);
        EXPECT_EQ(line.ServerRegistration(), c.action);
        EXPECT_EQ(line.ServerLibrary(), c.library);
    }
}

} // namespace
