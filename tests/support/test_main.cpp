// gtest entry point that runs the tests inside a Qt application object, so
// that queued signals, the thread pool and (for gui/widgets) cursors work.
#include <gtest/gtest.h>

#if defined(TARNOLIX_TEST_APP_WIDGETS)
#include <QApplication>
using TestApp = QApplication;
#elif defined(TARNOLIX_TEST_APP_GUI)
#include <QGuiApplication>
using TestApp = QGuiApplication;
#else
#include <QCoreApplication>
using TestApp = QCoreApplication;
#endif

int main(int argc, char** argv)
{
    TestApp app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
