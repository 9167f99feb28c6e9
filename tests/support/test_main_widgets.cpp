#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // Widget tests never need a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The web engine's sandbox refuses to start as root, which is how the
    // suite runs in containers; the pages the tests load are their own.
    // (Test discovery passes only one variable of a test's environment on,
    // so this cannot be left to the test properties.)
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
