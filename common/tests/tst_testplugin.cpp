// The plug-in library of the tests, registered and created as the host does it.
#include "stubapplication.h"

#include <comregistry.h>
#include <comserver.h>
#include <ilxparams.h>
#include <ivelmplugin.h>
#include <lxerror.h>
#include <registry.h>
#include <tempregistry.h>
#include <velmconsts.h>

#include <gtest/gtest.h>

namespace {

const QUuid testClass = QUuid::fromString(QStringLiteral("{6A885A9B-6FAA-49FF-8CC1-79D67B055C65}"));

class TestPluginTest : public testing::Test
{
protected:
    void SetUp() override
    {
        RegisterServer(TestPluginPath(QStringLiteral("velmtest_plugin")));
        object = CreateComObject(ComRegistry::ClassIdFromProgId("VelmTest.VelmPlugin"));
        plugin = dynamic_cast<IVelmPlugin *>(object);
        ASSERT_NE(plugin, nullptr) << "the plug-in object is no IVelmPlugin across the library";
        plugin->Init(&appl);
    }
    void TearDown() override
    {
        if (object)
            object->Release();
    }

    QVariant Execute(const QString &action, const QVariant &value = {})
    {
        auto params = CoLxParams::Create();
        params->SetValue(QStringLiteral("Action"), action);
        if (value.isValid())
            params->SetValue(QStringLiteral("Value"), value);
        return plugin->Execute(params.get());
    }

    QString ErrorOf(const QString &action)
    {
        try {
            Execute(action);
        } catch (const LxError &error) {
            return error.message();
        }
        return QStringLiteral("<no error>");
    }

    TempRegistry registry;
    StubApplication appl;
    IVelmUnknown *object = nullptr;
    IVelmPlugin *plugin = nullptr;
};

} // namespace

TEST_F(TestPluginTest, ExecuteRunsTheCommandsAndReportsFailuresAsMessages)
{
    EXPECT_EQ(Execute("Echo", 42), QVariant(qint64(42)));
    EXPECT_EQ(Execute("Echo"), QVariant(true));
    EXPECT_EQ(Execute("Unknown"), QVariant(false));
    EXPECT_EQ(ErrorOf("Fail"), "VelmTest failed");
    EXPECT_EQ(ErrorOf("Throw"), "VelmTest threw");

    EXPECT_EQ(Execute("Log"), QVariant(true));
    EXPECT_EQ(appl.logged, QStringList{"4:"});
    EXPECT_EQ(plugin->Application(), &appl);
}

TEST_F(TestPluginTest, BeforeApplCloseRefusesWhenToldSo)
{
    EXPECT_TRUE(plugin->BeforeApplClose());
    Execute("RefuseClose");
    EXPECT_FALSE(plugin->BeforeApplClose());
    Execute("RefuseClose", false);
    EXPECT_TRUE(plugin->BeforeApplClose());

    Registry().SetValue(rgPluginsKey() + "\\VelmTest.VelmPlugin", "RefuseClose", "1");
    Execute("Tag", "second");
    EXPECT_FALSE(plugin->BeforeApplClose());
    EXPECT_TRUE(registry.LogText().contains("VelmTest BeforeApplClose second"));
}

TEST_F(TestPluginTest, TheObjectLogsItsLifeUnderTheLibrarysName)
{
    IVelmUnknown *second = CreateComObject(testClass);
    EXPECT_EQ(second->Release(), 0);
    EXPECT_EQ(object->Release(), 0);
    object = nullptr;
    const QString log = registry.LogText();
    for (const char *line : {"On VelmTest addref. RefCount = 1",
                             "On VelmTest release. RefCount = 0",
                             "Start VelmTest destroying.",
                             "End VelmTest destroying. RefCount=0"})
        EXPECT_EQ(log.count(QLatin1String(line)), 2) << line;
}
