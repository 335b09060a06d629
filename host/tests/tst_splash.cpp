#include "fmsplash.h"

#include "hostfixture.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

namespace {

bool waitUntilGone(const QPointer<TfmSplash> &window, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (window && timer.elapsed() < milliseconds)
        QTest::qWait(10);
    return window.isNull();
}

TEST(Splash, StepsShowTheTextAndTheWindowOutlivesItsMinimum)
{
    TestRegistry registry;
    registry.Set("Version", "5.0.1.123");
    SplashStatus("Загрузка модулей"); // no splash yet: nothing happens
    EXPECT_EQ(Splash(), nullptr);

    RunSplash(400);
    QPointer<TfmSplash> window = Splash();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->VersionText(), "Версия 5.0.1.123");
    EXPECT_EQ(window->Progress(), 1);
    SplashStatus("Загрузка модулей");
    SplashStatus("Создание главного окна");
    EXPECT_EQ(window->StatusText(), "Создание главного окна");
    EXPECT_EQ(window->Progress(), 3);
    SplashVisible(false);
    EXPECT_FALSE(window->isVisible());
    SplashVisible(true);
    EXPECT_TRUE(window->isVisible());

    QElapsedTimer waited;
    waited.start();
    FinishSplash(); // the minimum has not passed: the caller goes on at once
    EXPECT_LT(waited.elapsed(), 100);
    EXPECT_EQ(Splash(), nullptr);
    EXPECT_TRUE(window);
    EXPECT_TRUE(waitUntilGone(window, 2000));
}

TEST(Splash, TheAboutBoxHasNoProgressAndClosesOnAClick)
{
    TestRegistry registry;
    QPointer<TfmSplash> about = ShowAbout(nullptr);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->mode(), TfmSplash::Mode::About);
    EXPECT_EQ(about->Progress(), 0);
    QTest::mouseClick(about, Qt::LeftButton);
    EXPECT_TRUE(waitUntilGone(about, 2000));
}

} // namespace
