// The login dialog as a real widget: upper-cased name, remembered name, focus, and a login
// through the dialog itself.

#include "dmfixture.h"

#include <fmlogin.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

TEST(TfmLogin, UpperCasesTheNameAndOffersTheLastOneNextTime)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    qputenv("VELMOR_REGISTRY", dir.filePath("registry.ini").toLocal8Bit());
    {
        TfmLogin dialog;
        EXPECT_EQ(dialog.windowTitle(), "Вход в программу");
        EXPECT_EQ(dialog.edPassword->echoMode(), QLineEdit::Password);
        EXPECT_TRUE(dialog.btnOK->isDefault());
        EXPECT_TRUE(dialog.edUser->text().isEmpty());
        dialog.show();
        QTest::keyClicks(dialog.edUser, "petrov");
        EXPECT_EQ(dialog.edUser->text(), "PETROV");
        dialog.edUser->setCursorPosition(2);
        QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("ё"));
        QApplication::sendEvent(dialog.edUser, &typed);
        EXPECT_EQ(dialog.edUser->text(), "PEЁTROV");
        EXPECT_EQ(dialog.edUser->cursorPosition(), 3);
        dialog.reject(); // a cancelled dialog remembers nothing
    }
    EXPECT_TRUE(TfmLogin::LastUserName().isEmpty());
    {
        TfmLogin dialog;
        dialog.SetCredentials("ivanov", "");
        dialog.accept();
    }
    TfmLogin next;
    EXPECT_EQ(next.edUser->text(), "IVANOV");
    next.SetCredentials("sidorov", "");
    EXPECT_EQ(next.edUser->text(), "SIDOROV");
    EXPECT_EQ(next.focusWidget(), next.edPassword);
    next.SetCredentials("", "");
    EXPECT_EQ(next.focusWidget(), next.edUser);
    qunsetenv("VELMOR_REGISTRY");
}

TEST(TfmLogin, LoginThroughTheDialogItself)
{
    DMFixture f;
    f.AddUser(2, "IVANOV", "secret");
    QStringList shown;
    // Plays the user: types the password into the modal dialog and presses OK (Enter).
    std::function<void()> answer = [&] {
        auto *dialog = qobject_cast<TfmLogin *>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(10, answer);
            return;
        }
        shown << dialog->edUser->text() + "/" + dialog->edPassword->text();
        dialog->edPassword->setText("secret");
        QTest::keyClick(dialog->edPassword, Qt::Key_Return);
    };
    QTimer::singleShot(0, answer);
    ASSERT_TRUE(f.dm->Login("ivanov", "", true));
    EXPECT_EQ(shown, QStringList{"IVANOV/"});
    EXPECT_EQ(f.dm->UserName, "IVANOV");
    EXPECT_EQ(TfmLogin::LastUserName(), "IVANOV");
}
