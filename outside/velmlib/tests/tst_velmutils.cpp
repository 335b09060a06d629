#include <velmconsts.h>
#include <velmutils.h>

#include <registry.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

namespace {

TEST(VelmConsts, PluginKeyFollowsTheProductKey)
{
    EXPECT_EQ(rgVelmKey(), QStringLiteral("Software\\Orvane\\Velmor\\5"));
    EXPECT_EQ(rgPluginsKey(), QStringLiteral("Software\\Orvane\\Velmor\\5\\Plugins"));
    SetVelmKey(QStringLiteral("Software\\Orvane\\Velmor\\Test"));
    EXPECT_EQ(rgPluginsKey(), QStringLiteral("Software\\Orvane\\Velmor\\Test\\Plugins"));
    SetVelmKey(QString());
    EXPECT_EQ(rgVelmKey(), QStringLiteral("Software\\Orvane\\Velmor\\5"));
}

TEST(VelmUtils, FullFileNameJoinsTheProductKeyDirectory)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    qputenv("VELMOR_REGISTRY", dir.filePath(QStringLiteral("registry.ini")).toLocal8Bit());
    Registry registry;
    registry.CreateKey(rgVelmKey());
    registry.SetValue(
            rgVelmKey(), QStringLiteral("OptionsPath"), QStringLiteral("/srv/velmor/options"));
    registry.SetValue(rgVelmKey(), QStringLiteral("OrdersPath"), QStringLiteral("/srv/orders/"));

    const struct
    {
        const char *value;
        const char *expected;
    } cases[] = {
            {"OptionsPath", "/srv/velmor/options/userinterface.cml"},
            {"optionspath", "/srv/velmor/options/userinterface.cml"},
            {"OrdersPath", "/srv/orders/userinterface.cml"},
            {"BinPath", "userinterface.cml"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(GetFullFileName(QString::fromUtf8(c.value), QStringLiteral("userinterface.cml")),
                  QString::fromUtf8(c.expected));
    }
    qunsetenv("VELMOR_REGISTRY");
}

struct Shown
{
    QString caption;
    QString text;
    QStringList buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Answers the next message box by pressing the button with that text (or Escape when the
// text is empty) and records what the box showed.
Shown answer(const QString &buttonText, const std::function<void()> &show)
{
    Shown shown;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shown = {box->windowTitle(), box->text(), {}, box->icon()};
        QAbstractButton *pressed = nullptr;
        for (QAbstractButton *button : box->buttons()) {
            shown.buttons.append(button->text());
            if (button->text() == buttonText)
                pressed = button;
        }
        if (pressed)
            pressed->click();
        else
            box->reject();
    });
    show();
    return shown;
}

TEST(VelmUtils, MessageBoxesAskAndAnswer)
{
    const QString text = QStringLiteral("Сохранить изменения?");
    const QStringList yesNo{QStringLiteral("Да"), QStringLiteral("Нет")};
    const QStringList yesNoCancel{
            QStringLiteral("Да"), QStringLiteral("Нет"), QStringLiteral("Отмена")};
    const QStringList ok{QStringLiteral("OK")};
    MsgButton result = MsgButton::Yes;
    bool confirmed = false;
    const struct
    {
        const char *what;
        QString press; // empty: Escape
        std::function<void()> show;
        QString caption;
        QMessageBox::Icon icon;
        QStringList buttons;
        std::function<bool()> outcome;
    } cases[] = {
            {"confirmed",
             QStringLiteral("Да"),
             [&] { confirmed = MsgConfirmation(text); },
             QStringLiteral("Подтверждение"),
             QMessageBox::Question,
             yesNo,
             [&] { return confirmed; }},
            {"declined",
             QStringLiteral("Нет"),
             [&] { confirmed = MsgConfirmation(text); },
             QStringLiteral("Подтверждение"),
             QMessageBox::Question,
             yesNo,
             [&] { return !confirmed; }},
            {"escaped without cancel",
             QString(),
             [&] { result = MsgConfirmation(text, false); },
             QStringLiteral("Подтверждение"),
             QMessageBox::Question,
             yesNo,
             [&] { return result == MsgButton::No; }},
            {"cancelled",
             QStringLiteral("Отмена"),
             [&] { result = MsgConfirmation(text, true); },
             QStringLiteral("Подтверждение"),
             QMessageBox::Question,
             yesNoCancel,
             [&] { return result == MsgButton::Cancel; }},
            {"escaped with cancel",
             QString(),
             [&] { result = MsgConfirmation(text, true); },
             QStringLiteral("Подтверждение"),
             QMessageBox::Question,
             yesNoCancel,
             [&] { return result == MsgButton::Cancel; }},
            {"no with cancel",
             QStringLiteral("Нет"),
             [&] { result = MsgConfirmation(text, true); },
             QStringLiteral("Подтверждение"),
             QMessageBox::Question,
             yesNoCancel,
             [&] { return result == MsgButton::No; }},
            {"information",
             QStringLiteral("OK"),
             [&] { MsgInformation(text); },
             QStringLiteral("Информация"),
             QMessageBox::Information,
             ok,
             [] { return true; }},
            {"warning",
             QStringLiteral("OK"),
             [&] { MsgWarning(text); },
             QStringLiteral("Предупреждение"),
             QMessageBox::Warning,
             ok,
             [] { return true; }},
            {"error",
             QString(),
             [&] { MsgError(text); },
             QStringLiteral("Ошибка"),
             QMessageBox::Critical,
             ok,
             [] { return true; }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const Shown shown = answer(c.press, c.show);
        EXPECT_EQ(shown.caption, c.caption);
        EXPECT_EQ(shown.text, text);
        EXPECT_EQ(shown.icon, c.icon);
        EXPECT_EQ(QSet<QString>(shown.buttons.begin(), shown.buttons.end()),
                  QSet<QString>(c.buttons.begin(), c.buttons.end()));
        EXPECT_TRUE(c.outcome());
    }
}

} // namespace
