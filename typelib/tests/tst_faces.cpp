// The QObject faces as a script sees them: members by name, other interfaces as faces.
#include "stubapplication.h"

#include <ivelmplugin.h>
#include <lxerror.h>
#include <lxparamsobject.h>
#include <velmapplicationobject.h>
#include <velmpluginobject.h>

#include <QMetaObject>

#include <gtest/gtest.h>

namespace {

// A plug-in that answers Execute with the entry "Value" of its parameters.
class EchoPlugin : public IVelmPlugin
{
public:
    int AddRef() override { return 2; }
    int Release() override { return 1; }
    void Init(IVelmApplication *appl) override { application = appl; }
    IVelmApplication *Application() override { return application; }
    QVariant Execute(ILxParams *params) override { return params->Value(QStringLiteral("Value")); }
    bool BeforeApplClose() override { return true; }

    IVelmApplication *application = nullptr;
};

QVariant ExecuteByName(QObject *face, QObject *params)
{
    QVariant result;
    EXPECT_TRUE(QMetaObject::invokeMethod(
            face, "Execute", Q_RETURN_ARG(QVariant, result), Q_ARG(QObject *, params)));
    return result;
}

} // namespace

TEST(Faces, TheApplicationFaceForwardsByNameAndHandsOutFaces)
{
    StubApplication appl;
    VelmApplicationObject face(&appl);
    EXPECT_EQ(face.property("TempDir").toString(), "/tmp/");
    EXPECT_EQ(face.property("CurrentDate").toDate(), QDate(2026, 12, 11));
    EXPECT_EQ(face.property("Appl").value<QObject *>(), &face);
    EXPECT_EQ(face.property("Plugins").value<QObject *>(), nullptr);

    ASSERT_TRUE(QMetaObject::invokeMethod(&face, "Log", Q_ARG(QString, "from a script")));
    EXPECT_EQ(appl.logged, QStringList{"4:from a script"});

    // The option set comes as a parameter face over the application's own set, the same
    // face each time.
    auto options = qobject_cast<LxParamsObject *>(face.property("UserOptions").value<QObject *>());
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(&options->params(), appl.options.get());
    EXPECT_EQ(face.property("UserOptions").value<QObject *>(), options);
}

TEST(Faces, ThePluginFaceTakesParameterAndApplicationFaces)
{
    StubApplication appl;
    EchoPlugin plugin;
    VelmPluginObject face(&plugin);
    VelmApplicationObject applFace(&appl);

    face.Init(&applFace);
    EXPECT_EQ(plugin.application, &appl);
    EXPECT_EQ(face.property("Application").value<QObject *>()->property("TempDir"), "/tmp/");
    EXPECT_THROW(face.Init(&face), LxError);

    LxParamsObject params;
    params.params().SetValue(QStringLiteral("Value"), QStringLiteral("echo"));
    EXPECT_EQ(ExecuteByName(&face, &params), QVariant("echo"));
    // Without parameters the plug-in gets an empty set, not a null one.
    EXPECT_FALSE(ExecuteByName(&face, nullptr).isValid());
    EXPECT_THROW(face.Execute(&applFace), LxError);
}
