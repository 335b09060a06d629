#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char **argv)
{
    // Widgets are tested offscreen, also when ctest lists the cases without its environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
