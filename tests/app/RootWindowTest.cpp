// The root QML file as main loads it: it opens at the stored size and keeps
// the size it is closed with.
#include "app/Tarnolix.h"
#include "tests/support/AppTestSupport.h"

#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>

#include <gtest/gtest.h>

namespace {

using tarnolix::test::app;
using tarnolix::test::QmlWindow;

TEST(RootWindowTest, OpensAtTheStoredSizeAndStoresItOnClosing)
{
    Settings& settings = *app().settings();
    settings.set(QStringLiteral("Window/width"), 720);
    settings.set(QStringLiteral("Window/height"), 480);
    QmlWindow window;
    ASSERT_TRUE(window.load(QUrl(QStringLiteral("qrc:/main.qml")))) << window.warnings().join('\n').toStdString();
    EXPECT_TRUE(window.warnings().isEmpty()) << window.warnings().join('\n').toStdString();
    ASSERT_TRUE(window.show());
    QQuickWindow* root = window.window();
    EXPECT_EQ(root->objectName(), QStringLiteral("rootWindow"));
    EXPECT_EQ(root->title(), QStringLiteral("Tarnolix"));
    EXPECT_EQ(root->size(), QSize(720, 480));
    QQuickItem* name = window.find(QStringLiteral("programName"));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->property("text").toString(), QStringLiteral("Tarnolix 2.1.27"));
    EXPECT_FALSE(window.screenshot(QStringLiteral("app-root-window-inprocess")).isEmpty());

    root->resize(640, 400);
    root->close();
    EXPECT_EQ(settings.get(QStringLiteral("Window/width")).toInt(), 640);
    EXPECT_EQ(settings.get(QStringLiteral("Window/height")).toInt(), 400);
}

TEST(RootWindowTest, DefaultSizeIsCappedToTheScreen)
{
    Settings& settings = *app().settings();
    settings.remove(QStringLiteral("Window"));
    QmlWindow window;
    ASSERT_TRUE(window.load(QUrl(QStringLiteral("qrc:/main.qml"))));
    const QRect available = window.window()->screen()->availableGeometry();
    EXPECT_EQ(window.window()->width(), qMin(1248, available.width()));
    EXPECT_EQ(window.window()->height(), qMin(702, available.height() - 40));
}

} // namespace
