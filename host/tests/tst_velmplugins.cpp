#include "hostfixture.h"
#include "pluginfixture.h"
#include "velmpluginitem.h"
#include "velmplugins.h"

#include <ilxparams.h>
#include <lxerror.h>
#include <lxlog.h>
#include <registry.h>
#include <velmconsts.h>

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

    // The collection read from the registry; the test owns one reference.
    TVelmPlugins *update()
    {
        auto *plugins = new TVelmPlugins;
        plugins->AddRef();
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

} // namespace
