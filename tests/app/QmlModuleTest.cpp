// The QML module "Tarnolix" 1.0: its singletons and the refusals of the
// types QML may name but not create.
#include "app/Tarnolix.h"
#include "tests/support/AppTestSupport.h"

#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQuickWindow>

#include <gtest/gtest.h>

#include <memory>

namespace {

using tarnolix::test::app;
using tarnolix::test::QmlWindow;

const QByteArray kSingletonProbe = R"(
import QtQuick 2.15
import QtQuick.Window 2.15
import Tarnolix 1.0
Window {
    property QtObject app: Tarnolix
    property QtObject constants: Constants
    property QtObject events: Events
    property string version: Tarnolix.sVersion
    property QtObject settingsObject: Tarnolix.settings
    property int light: Constants.Light
}
)";

TEST(QmlModuleTest, SingletonsAreTheApplicationsOwnObjectsInEveryEngine)
{
    for (int engine = 0; engine < 2; ++engine) {
        SCOPED_TRACE(engine);
        QmlWindow window;
        ASSERT_TRUE(window.loadData(kSingletonProbe)) << window.warnings().join('\n').toStdString();
        QQuickWindow* root = window.window();
        EXPECT_EQ(root->property("app").value<QObject*>(), &app());
        EXPECT_EQ(root->property("constants").value<QObject*>(), app().constants());
        EXPECT_EQ(root->property("events").value<QObject*>(), app().events());
        EXPECT_EQ(root->property("settingsObject").value<QObject*>(), app().settings());
        EXPECT_EQ(root->property("version").toString(), QStringLiteral("2.1.27"));
        EXPECT_EQ(root->property("light").toInt(), int(TarnolixConstants::Light));
    }
    // The engines are gone; the objects they showed are not.
    EXPECT_EQ(app().constants()->metaObject()->className(), QByteArrayLiteral("TarnolixConstants"));
    EXPECT_EQ(app().events()->metaObject()->className(), QByteArrayLiteral("TarnolixEvents"));
}

// The types registered so far that QML may name but not create, and why.
TEST(QmlModuleTest, UncreatableTypesRefuseWithTheirReason)
{
    struct Case
    {
        const char* type;
        const char* reason;
    };
    const Case cases[] = {
        {"TarnolixApp", "Tarnolix is uncreatable type"},
        {"TarnolixConstants", "Error class uncreatable"},
        {"TarnolixEvents", "Error class uncreatable"},
        {"LocationInfo", "Error class uncreatable"},
        {"Settings", "Error class uncreatable"},
        {"TabWebChannel", "TabWebChannel class uncreatable"},
        {"TarnolixAPI", "Error class uncreatable"},
        {"TarnolixAPIResult", "Error class uncreatable"},
        {"UserObject", "Error class uncreatable"},
        {"UrlCreator", "UrlCreator class uncreatable"},
        {"IndexingProgressInfo", "IndexingProgressInfo class uncreatable"},
        {"SearchDataStorage", "SearchDataStorage class uncreatable"},
        {"PageSearchData", "PageSearchData class uncreatable"},
        {"DebugHelper", "DebugHelper class uncreatable"},
    };
    QmlWindow window; // the module registered as main registers it
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        QQmlComponent component(&window.engine());
        component.setData(QByteArray("import Tarnolix 1.0\n") + c.type + " {}\n", QUrl());
        const std::unique_ptr<QObject> object(component.create());
        EXPECT_EQ(object, nullptr);
        ASSERT_FALSE(component.errors().isEmpty());
        EXPECT_EQ(component.errors().constFirst().description(), QString::fromLatin1(c.reason));
    }
}

TEST(QmlModuleTest, DPCalculateIsCreatableAndTheDesktopHelpersAreNoTypes)
{
    QmlWindow window;
    QQmlComponent scale(&window.engine());
    scale.setData("import Tarnolix 1.0\nDPCalculate { screenName: \"nosuch\" }\n", QUrl());
    const std::unique_ptr<QObject> object(scale.create());
    ASSERT_NE(object, nullptr) << scale.errorString().toStdString();
    EXPECT_EQ(object->property("screenName").toString(), QStringLiteral("nosuch"));
    EXPECT_EQ(object->property("defaultDp").toDouble(), 1.0);

    for (const char* type : {"NativeContextMenu", "WindowGeometry"}) {
        SCOPED_TRACE(type);
        QQmlComponent component(&window.engine());
        component.setData(QByteArray("import Tarnolix 1.0\n") + type + " {}\n", QUrl());
        const std::unique_ptr<QObject> created(component.create());
        EXPECT_EQ(created, nullptr);
        EXPECT_TRUE(component.errorString().contains(QStringLiteral("is not a type"))) << component.errorString().toStdString();
    }
}

} // namespace
