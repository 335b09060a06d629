#include "menuutils.h"
#include "velmmain.h"

#include <ilxparams.h>
#include <lxerror.h>
#include <security.h>
#include <xmlsecurity.h>

#include <QAction>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

QDomDocument parse(const QString &xml)
{
    QDomDocument document;
    EXPECT_TRUE(document.setContent(xml)) << xml.toStdString();
    return document;
}

QStringList captions(const QList<QAction *> &actions)
{
    QStringList texts;
    for (const QAction *action : actions)
        texts << (action->isSeparator() ? QStringLiteral("|") : action->text());
    return texts;
}

// Hooks that record what a command asks for instead of reaching a plug-in collection.
struct RecordingHooks
{
    int lookups = 0;
    QStringList errors;

    TMenuBuilder::CommandHooks hooks()
    {
        TMenuBuilder::CommandHooks h;
        h.plugins = [this] {
            ++lookups;
            return nullptr;
        };
        h.showError = [this](const QString &message) { errors << "shown: " + message; };
        h.onError = [this](const std::exception &error) {
            errors << QString::fromLocal8Bit(error.what());
        };
        return h;
    }
};

TEST(MenuBuilder, AMissingPartStopsTheBuildBeforeAnythingIsMade)
{
    const struct
    {
        const char *xml;
        const char *message;
    } cases[] = {
            {"<UI><Menu/><Toolbars/></UI>", "Actions not found"},
            {"<UI><Actions><A Name='a'/></Actions><Toolbars/></UI>", "Menu not found"},
            {"<UI><Actions/><Menu><Item Action='a'/></Menu></UI>", "Toolbars not found"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        QMainWindow window;
        const QDomDocument document = parse(c.xml);
        try {
            TMenuBuilder(&window).Build(document.documentElement());
            ADD_FAILURE() << "no error";
        } catch (const LxError &error) {
            EXPECT_EQ(error.message(), c.message);
        }
        EXPECT_TRUE(window.menuBar()->actions().isEmpty());
        EXPECT_TRUE(window.findChildren<QAction *>(QStringLiteral("a")).isEmpty());
    }
}

TEST(MenuBuilder, BuildsActionsMenusAndToolbarsInDocumentOrder)
{
    const QDomDocument document = parse(R"(
<UI>
  <Actions>
    <Action Name="actOwn" Caption="Обновить" ShortCut="Ctrl+R"/>
    <Action Name="actView" Caption="Карточка" Hint="Личная карточка" Plugin="Dossier"
            NotEmpty="True" ImageIndex="x"/>
    <Action Caption="Без имени"/>
    <Action Name="actBare"/>
  </Actions>
  <Menu>
    <Category Caption="Файл">
      <Item Action="actOwn"/>
      <Item Caption="-"/>
      <Item Action="actView" Caption="Открыть карточку"/>
      <cAtEgOrY Caption="Ещё">
        <Item Action="actMissing" Caption="Новый" Plugin="Orders"/>
      </cAtEgOrY>
      <Label Caption="Надпись"><Item Action="actOwn"/></Label>
    </Category>
  </Menu>
  <Toolbars>
    <Bar Caption="Главная">
      <Button Action="actView"/>
      <Button Action="-"/>
      <Button Action=""/>
      <Button Action="actNowhere"/>
      <Button Action="actBare" Caption="Подсказка кнопки"/>
      <Button Action="actOwn" Caption="Не заменяет подсказку"/>
    </Bar>
  </Toolbars>
</UI>)");
    QMainWindow window;
    auto *own = new QAction(&window);
    own->setObjectName("actOwn");
    own->setProperty("velmOwnUpdate", true);
    (new QAction(&window))->setObjectName("Action1");
    int ownRuns = 0;
    QObject::connect(own, &QAction::triggered, [&] { ++ownRuns; });
    RecordingHooks recorder;
    const QHash<QString, QAction *> actions
            = TMenuBuilder(&window, {}, recorder.hooks()).Build(document.documentElement());

    EXPECT_EQ(actions.value("actOwn"), own); // the window's own action is reused
    EXPECT_EQ(own->text(), "Обновить");
    EXPECT_EQ(own->shortcut(), QKeySequence("Ctrl+R"));
    EXPECT_FALSE(TMenuBuilder::HasRightsRule(own));
    // An action without a name gets the first free one.
    ASSERT_TRUE(actions.contains("Action2"));
    EXPECT_EQ(actions.value("Action2")->text(), "Без имени");
    QAction *view = actions.value("actView");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->toolTip(), "Личная карточка");
    EXPECT_TRUE(view->icon().isNull());
    EXPECT_TRUE(TMenuBuilder::HasRightsRule(view));
    EXPECT_TRUE(window.actions().contains(view)); // its shortcut needs no menu entry
    // A menu item naming a missing action makes it from the item itself.
    QAction *made = actions.value("actMissing");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(TMenuBuilder::Element(made).attribute("Plugin"), "Orders");

    const QList<QAction *> top = window.menuBar()->actions();
    ASSERT_EQ(captions(top), QStringList{"Файл"});
    QMenu *file = top.first()->menu();
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(captions(file->actions()),
              (QStringList{"Обновить", "|", "Открыть карточку", "Ещё", "Надпись"}));
    EXPECT_EQ(captions(file->actions().at(3)->menu()->actions()), QStringList{"Новый"});
    EXPECT_EQ(file->actions().at(4)->menu(), nullptr); // only Category opens a submenu

    const QList<QToolBar *> bars = window.findChildren<QToolBar *>();
    ASSERT_EQ(bars.size(), 1);
    const QList<QAction *> buttons = bars.first()->actions();
    ASSERT_EQ(buttons.size(), 5);
    EXPECT_EQ(buttons.at(0), view);
    EXPECT_TRUE(buttons.at(1)->isSeparator());
    EXPECT_TRUE(buttons.at(2)->text().isEmpty()); // a missing action leaves an empty button
    EXPECT_EQ(buttons.at(3)->toolTip(), "Подсказка кнопки");
    EXPECT_EQ(own->toolTip(), "Обновить"); // the caption already gave the hint

    // The own action keeps its handler; the menu entry with its own caption runs the action.
    file->actions().at(0)->trigger();
    EXPECT_EQ(ownRuns, 1);
    file->actions().at(2)->trigger();
    made->trigger();
    EXPECT_EQ(recorder.lookups, 2);
    EXPECT_EQ(recorder.errors,
              (QStringList{"Модуль \"Dossier\" не найден", "Модуль \"Orders\" не найден"}));
    EXPECT_EQ(ownRuns, 1);
    actions.value("actBare")->trigger(); // no Plugin: nothing happens
    EXPECT_EQ(recorder.errors.size(), 2);
}

TEST(MenuBuilder, RightsRuleHonoursNotEmptyAndParamsAreTakenAsText)
{
    const QDomDocument document = parse(R"(
<UI>
  <Actions>
    <Action Name="actAny"/>
    <Action Name="actNeedsRows" NotEmpty="1">
      <Params><Param Name="Action" Value="View"/><Param Name="Count" Value="3"/></Params>
    </Action>
  </Actions>
  <Menu/><Toolbars/>
</UI>)");
    QMainWindow window;
    const QHash<QString, QAction *> actions
            = TMenuBuilder(&window).Build(document.documentElement());
    EXPECT_TRUE(TMenuBuilder::RightsEnabled(actions.value("actAny"), true));
    EXPECT_TRUE(TMenuBuilder::RightsEnabled(actions.value("actNeedsRows"), false));
    EXPECT_FALSE(TMenuBuilder::RightsEnabled(actions.value("actNeedsRows"), true));

    const std::unique_ptr<ILxParams> params = CoLxParams::Create();
    TMenuBuilder::FillParams(TMenuBuilder::Element(actions.value("actNeedsRows")), *params);
    ASSERT_EQ(params->Count(), 2);
    EXPECT_EQ(params->Value("action"), QVariant("View"));
    EXPECT_EQ(params->Value("Count"), QVariant("3")); // text, not a number
}

TEST(MenuBuilder, TheStartNeedsALoadableAndCompleteMenuFile)
{
    const char *loadError = "Ошибка при загрузке файла меню \"userinterface.cml\"";
    const struct
    {
        const char *name;
        QByteArray content;  // empty: no file
        const char *message; // null: accepted
    } cases[] = {
            {"missing file", {}, loadError},
            {"not encoded", "<UI><Actions/><Menu/><Toolbars/></UI>", loadError},
            {"no menu",
             EncodeString("<UI><Actions/><Toolbars/></UI>", DefinitionFileKey),
             "Menu not found"},
            {"complete",
             EncodeString("<UI><Actions/><Menu/><Toolbars/></UI>", DefinitionFileKey),
             nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString fileName = QDir(dir.path()).filePath("userinterface.cml");
        if (!c.content.isEmpty()) {
            QFile file(fileName);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.content);
        }
        try {
            CheckUserInterface(fileName);
            EXPECT_EQ(c.message, nullptr);
        } catch (const LxError &error) {
            EXPECT_EQ(error.message(), QString(c.message ? c.message : "accepted"));
        }
    }
}

TEST(MenuBuilder, BooleanAttributesTakeOneZeroTrueFalseInAnyCase)
{
    const QDomDocument document
            = parse("<A a='1' b='TRUE' c='true' d='0' e='False' f='yes' g='' h=' 1 '/>");
    const QDomElement e = document.documentElement();
    for (const char *name : {"a", "b", "c", "h"})
        EXPECT_TRUE(TMenuBuilder::BoolAttribute(e, name)) << name;
    for (const char *name : {"d", "e", "f", "g", "missing"})
        EXPECT_FALSE(TMenuBuilder::BoolAttribute(e, name)) << name;
}

} // namespace
