#include <QApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

// Every test binary runs with a real Qt application on the offscreen platform, so that
// event loops, timers, sockets and text layout behave as in the program.
int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
