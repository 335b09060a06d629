#include "errorof.h"
#include "tempregistry.h"

#include <comregistry.h>
#include <comserver.h>
#include <ivelmplugin.h>
#include <lxerror.h>
#include <registry.h>
#include <velmconsts.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QUuid plainClass
        = QUuid::fromString(QStringLiteral("{BE5133A7-BA17-4844-9107-3CE1F93B26C4}"));
const QUuid spareClass
        = QUuid::fromString(QStringLiteral("{A8611932-143F-4B88-8211-6293BF48EABF}"));
const QString plainProgId = QStringLiteral("VelmTest.PlainObject");

QString DefaultValue(const QString &key)
{
    return Registry().Value(key, QString());
}

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class ComServerTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(QFileInfo::exists(plainLibrary)) << "fixtures not built"; }

    TempRegistry registry;
    const QString plainLibrary = TestPluginPath(QStringLiteral("velmtest_plainobject"));
};

} // namespace

TEST_F(ComServerTest, RegisterWritesTheClassAndThePluginKeyAndUnregisterRemovesThem)
{
    RegisterServer(plainLibrary);

    const QString classKey
            = QStringLiteral("Software\\Classes\\CLSID\\{BE5133A7-BA17-4844-9107-3CE1F93B26C4}");
    EXPECT_EQ(DefaultValue("Software\\Classes\\VelmTest.PlainObject\\CLSID"),
              "{BE5133A7-BA17-4844-9107-3CE1F93B26C4}");
    EXPECT_EQ(DefaultValue(classKey + "\\InprocServer32"),
              QFileInfo(plainLibrary).absoluteFilePath());
    EXPECT_EQ(DefaultValue(classKey + "\\ProgID"), plainProgId);
    const QString pluginKey = rgPluginsKey() + '\\' + plainProgId;
    EXPECT_EQ(Registry().Value(pluginKey, "LoadBehavior"), "3");
    EXPECT_EQ(Registry().Value(pluginKey, "FriendlyName"), "Plain object");
    EXPECT_EQ(ComRegistry::ClassIdFromProgId(plainProgId), plainClass);
    EXPECT_EQ(ComRegistry::LibraryPath(plainClass), QFileInfo(plainLibrary).absoluteFilePath());
    EXPECT_TRUE(registry.LogText().contains("Registered VelmTest.PlainObject"));

    // Registering again changes nothing.
    RegisterServer(plainLibrary);
    EXPECT_EQ(Registry().SubKeys(rgPluginsKey()), QStringList{plainProgId});

    UnregisterServer(plainLibrary);
    EXPECT_FALSE(Registry().KeyExists(classKey));
    EXPECT_FALSE(Registry().KeyExists("Software\\Classes\\VelmTest.PlainObject"));
    EXPECT_FALSE(Registry().KeyExists(pluginKey));
    EXPECT_EQ(ErrorOf([] { ComRegistry::ClassIdFromProgId(plainProgId); }),
              "The class \"VelmTest.PlainObject\" is not registered");
}

TEST_F(ComServerTest, UnregisterLeavesAClassThatAnotherLibraryHolds)
{
    RegisterServer(plainLibrary);
    const QString serverKey = ComRegistry::ClassKey(plainClass) + "\\InprocServer32";
    Registry().SetValue(serverKey, QString(), "/opt/other/libplain.so");

    UnregisterServer(plainLibrary);
    EXPECT_EQ(DefaultValue(serverKey), "/opt/other/libplain.so");
    EXPECT_EQ(ComRegistry::ClassIdFromProgId(plainProgId), plainClass);
    EXPECT_TRUE(registry.LogText().contains("left it alone"));
}

TEST_F(ComServerTest, ABrokenLibraryIsRefusedWithItsNameAndNothingIsWritten)
{
    const QString textFile = QDir(registry.Dir()).filePath("libtext.so");
    WriteFile(textFile, "not a library");
    // A path the registry could not give back (its values end at 255 characters).
    QString longDir = registry.Dir();
    while (longDir.size() < 260)
        longDir += QStringLiteral("/deeper_folder_name");
    ASSERT_TRUE(QDir().mkpath(longDir));
    const QString longPath = longDir + "/libplain.so";
    ASSERT_TRUE(QFile::link(plainLibrary, longPath));

    struct Case
    {
        QString path;
        QString reason;
    };
    const QList<Case> cases = {
            {registry.Dir() + "/libmissing.so", "the file does not exist"},
            {textFile, "it is not a plug-in library"},
            {TestPluginPath("velmtest_nofactory"), "its root object is not a class factory"},
            {TestPluginPath("velmtest_noclassid"), "its manifest has no ClassId text"},
            {TestPluginPath("velmtest_badclassid"),
             "its ClassId \"{not-a-class-id}\" is not a class id"},
            {TestPluginPath("velmtest_badprogid"),
             "the ProgId \"..\\..\\Velmor\\Evil\" is not a valid name"},
            {longPath, "its path is longer than 255 characters"},
    };
    RegisterServer(plainLibrary);
    const QByteArray before = FileBytes(registry.FileName());
    for (const Case &c : cases) {
        const QString message = ErrorOf([&] { RegisterServer(c.path); });
        EXPECT_TRUE(message.startsWith(
                QStringLiteral("The plug-in library %1 cannot be registered: ").arg(c.path)))
                << message.toStdString();
        EXPECT_TRUE(message.contains(c.reason)) << message.toStdString();
        EXPECT_EQ(ErrorOf([&] { UnregisterServer(c.path); }), message);
        EXPECT_EQ(FileBytes(registry.FileName()), before) << c.path.toStdString();
    }
}

TEST_F(ComServerTest, CreateComObjectMakesAnObjectOfTheRegisteredClass)
{
    RegisterServer(plainLibrary);
    IVelmUnknown *first = CreateComObject(plainClass);
    IVelmUnknown *second = CreateComObject(plainClass);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(dynamic_cast<IVelmPlugin *>(first), nullptr);
    EXPECT_EQ(first->AddRef(), 2) << "a new object carries one reference for its caller";
    EXPECT_EQ(first->Release(), 1);
    EXPECT_EQ(first->Release(), 0);
    EXPECT_EQ(second->Release(), 0);
}

TEST_F(ComServerTest, CreateComObjectNamesTheLibraryInEveryFailure)
{
    const QString textFile = QDir(registry.Dir()).filePath("libtext.so");
    WriteFile(textFile, "not a library");
    const QString missing = registry.Dir() + "/libmissing.so";
    const QString noFactory = TestPluginPath("velmtest_nofactory");

    struct Case
    {
        QString library; // registered for spareClass; empty: not registered
        QString message;
    };
    const QList<Case> cases = {
            {{}, "The class {A8611932-143F-4B88-8211-6293BF48EABF} is not registered"},
            {missing, QStringLiteral("The plug-in library %1 does not exist").arg(missing)},
            {textFile, QStringLiteral("The plug-in library %1 cannot be loaded: ").arg(textFile)},
            {noFactory,
             QStringLiteral("The plug-in library %1 has no class factory").arg(noFactory)},
            {plainLibrary,
             QStringLiteral("The plug-in library %1 serves the class "
                            "{BE5133A7-BA17-4844-9107-3CE1F93B26C4}, not "
                            "{A8611932-143F-4B88-8211-6293BF48EABF}")
                     .arg(plainLibrary)},
    };
    for (const Case &c : cases) {
        Registry().DeleteKey(ComRegistry::ClassKey(spareClass));
        if (!c.library.isEmpty())
            ComRegistry::RegisterClass("VelmTest.Spare", spareClass, c.library);
        const QString message = ErrorOf([] { CreateComObject(spareClass); });
        EXPECT_TRUE(message.startsWith(c.message)) << message.toStdString();
    }
}
