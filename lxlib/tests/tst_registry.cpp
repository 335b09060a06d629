#include "lxerror.h"
#include "lxutils.h"
#include "registry.h"
#include "testfiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <unistd.h>

namespace {

const QString kProduct = QStringLiteral("Software\\Orvane\\Velmor\\5");

class RegistryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_fileName = m_dir.filePath(QStringLiteral("registry.ini"));
        qputenv("VELMOR_REGISTRY", QFile::encodeName(m_fileName));
    }
    void TearDown() override { qunsetenv("VELMOR_REGISTRY"); }

    QTemporaryDir m_dir;
    QString m_fileName;
};

TEST_F(RegistryTest, KeysWithBackslashesAndAnyCase)
{
    Registry registry;
    EXPECT_FALSE(registry.KeyExists(kProduct));
    registry.CreateKey(kProduct);
    EXPECT_TRUE(registry.KeyExists(QStringLiteral("software\\ORVANE\\velmor\\5")));
    EXPECT_TRUE(registry.KeyExists(QStringLiteral("Software/Orvane")));

    SetRegValue(QStringLiteral("SOFTWARE\\orvane\\Velmor\\5"),
                QStringLiteral("ServerName"),
                QStringLiteral("$Personal"));
    SetRegValue(kProduct, QStringLiteral("SERVERNAME"), QStringLiteral("localhost"));
    EXPECT_EQ(GetRegValue(kProduct, QStringLiteral("servername")), QStringLiteral("localhost"));
    EXPECT_EQ(registry.ValueNames(kProduct), QStringList({"ServerName"}));
    EXPECT_EQ(GetRegValue(kProduct, QStringLiteral("Missing")), QString());
    EXPECT_EQ(GetRegValue(QStringLiteral("Software\\Nowhere"), QStringLiteral("x")), QString());

    // One key in the file, whatever spelling was used.
    EXPECT_EQ(registry.SubKeys(QStringLiteral("software")), QStringList({"Orvane"}));
}

TEST_F(RegistryTest, CyrillicValuesRoundTrip)
{
    Registry().CreateKey(kProduct);
    const QString value = QStringLiteral("Медицинский университет, \"Главный\" корпус");
    SetRegValue(kProduct, QStringLiteral("ARMName"), value);
    EXPECT_EQ(GetRegValue(kProduct, QStringLiteral("ARMName")), value);
}

TEST_F(RegistryTest, ValuesOf256CharactersReadAsEmpty)
{
    Registry().CreateKey(kProduct);
    const QString fits(255, QChar(0x0416));
    const QString tooLong(256, QLatin1Char('x'));
    SetRegValue(kProduct, QStringLiteral("Fits"), fits);
    SetRegValue(kProduct, QStringLiteral("TooLong"), tooLong);
    EXPECT_EQ(GetRegValue(kProduct, QStringLiteral("Fits")), fits);
    EXPECT_EQ(GetRegValue(kProduct, QStringLiteral("TooLong")), QString());
    EXPECT_TRUE(Registry().ValueExists(kProduct, QStringLiteral("TooLong")));
}

TEST_F(RegistryTest, SetRegValueNeedsAnExistingKey)
{
    try {
        SetRegValue(kProduct, QStringLiteral("ServerName"), QStringLiteral("x"));
        FAIL() << "no error";
    } catch (const LxError &error) {
        EXPECT_EQ(error.message(), QString::fromLocal8Bit(std::strerror(ENOENT)));
    }
    EXPECT_FALSE(Registry().KeyExists(kProduct));
}

TEST_F(RegistryTest, SubKeysValuesAndDeletion)
{
    Registry registry;
    const QString plugins = kProduct + QStringLiteral("\\Plugins");
    for (const char *name : {"orders", "Dossier", "MarkBook", "b_studyplan"})
        registry.CreateKey(plugins + QLatin1Char('\\') + QLatin1String(name));
    EXPECT_EQ(registry.SubKeys(plugins),
              QStringList({"b_studyplan", "Dossier", "MarkBook", "orders"}));
    EXPECT_TRUE(registry.ValueNames(plugins + QStringLiteral("\\orders")).isEmpty());

    const QString orders = plugins + QStringLiteral("\\Orders");
    SetRegValue(orders, QStringLiteral("LoadBehavior"), QStringLiteral("3"));
    SetRegValue(orders, QStringLiteral("FriendlyName"), QStringLiteral("orders"));
    EXPECT_EQ(registry.ValueNames(orders), QStringList({"FriendlyName", "LoadBehavior"}));

    // The key outlives its last value.
    registry.DeleteValue(orders, QStringLiteral("loadbehavior"));
    registry.DeleteValue(orders, QStringLiteral("FriendlyName"));
    EXPECT_TRUE(registry.KeyExists(orders));
    EXPECT_TRUE(registry.ValueNames(orders).isEmpty());

    // And the parent outlives its last subkey.
    registry.DeleteKey(plugins + QStringLiteral("\\DOSSIER"));
    EXPECT_FALSE(registry.KeyExists(plugins + QStringLiteral("\\Dossier")));
    registry.DeleteKey(plugins);
    EXPECT_FALSE(registry.KeyExists(plugins));
    EXPECT_TRUE(registry.KeyExists(kProduct));
    EXPECT_TRUE(registry.SubKeys(kProduct).isEmpty());
}

TEST_F(RegistryTest, CurrentUserKeysAreSeparate)
{
    Registry machine(RegRoot::LocalMachine);
    Registry user(RegRoot::CurrentUser);
    machine.CreateKey(kProduct);
    user.CreateKey(kProduct);
    SetRegValue(kProduct, QStringLiteral("Language"), QStringLiteral("en"), RegRoot::CurrentUser);
    EXPECT_EQ(GetRegValue(kProduct, QStringLiteral("Language"), RegRoot::CurrentUser),
              QStringLiteral("en"));
    EXPECT_EQ(GetRegValue(kProduct, QStringLiteral("Language")), QString());
    EXPECT_EQ(machine.SubKeys(QString()), QStringList({"Software"}));
}

TEST_F(RegistryTest, AFileThatCannotBeWrittenRaises)
{
    // A path below a regular file cannot be created, not even by root.
    writeBytes(m_fileName, "");
    const QString blocked = m_fileName + QStringLiteral("/registry.ini");
    qputenv("VELMOR_REGISTRY", QFile::encodeName(blocked));
    try {
        Registry().CreateKey(kProduct);
        FAIL() << "no error";
    } catch (const LxError &error) {
        EXPECT_TRUE(error.message().startsWith(QString::fromLocal8Bit(std::strerror(ENOTDIR))))
                << error.message().toStdString();
    }
    EXPECT_EQ(GetRegValue(kProduct, QStringLiteral("x")), QString());
}

TEST_F(RegistryTest, AReadOnlyFileRaises)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "file permissions do not stop root";
    qputenv("VELMOR_REGISTRY", QFile::encodeName(m_fileName));
    Registry().CreateKey(kProduct);
    QFile::setPermissions(m_fileName, QFile::ReadOwner);
    EXPECT_THROW(SetRegValue(kProduct, QStringLiteral("ServerName"), QStringLiteral("x")), LxError);
}

} // namespace
