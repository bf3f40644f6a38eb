// A tab as QML makes it: the module's types created and bound in QML, the
// tab's objects read through its properties, and a fixed page opened from
// QML through the tab item's own "openUrl".
#include "tabs/PageStatus.h"
#include "tabs/TabStatus.h"
#include "tests/support/AppTestSupport.h"

#include <QQuickWindow>

#include <gtest/gtest.h>

namespace {

using tarnolix::test::QmlWindow;

const QByteArray kTabQml = R"(
import QtQuick 2.15
import QtQuick.Window 2.15
import Tarnolix 1.0
Window {
    id: root
    property alias tab: tab
    property alias page: page
    property var opened: []
    property int channelTabId: tab.webChannel.tabId
    property bool storedResults: tab.searchDataStorage.hasSearchResults
    property bool russianCatalog: tab.catalog === Constants.RussianCatalog
    property string logicFile: tab.pageType === UrlCreator.NewTab ? "NewTabLogic.qml" : ""

    function openUrl(url) { opened = opened.concat([url.toString()]) }
    function openBase() { tab.openBasePage() }
    function pathOfNewModel() {
        var model = tab.newUrlCreator()
        model.url = "tarnolix://openbook.ru/Book-77/Section-r-2"
        return model.getSectionCode()
    }

    TabStatus {
        id: tab
        tabItem: root
        pageStatus: page
        language: Constants.English
    }
    PageStatus {
        id: page
        tabStatus: tab
        tabTitle: "Новая вкладка"
    }
}
)";

TEST(TabInQml, IsMadeBoundAndDrivenFromQml)
{
    QmlWindow window;
    ASSERT_TRUE(window.loadData(kTabQml)) << window.warnings().join('\n').toStdString();
    QQuickWindow* root = window.window();
    auto* tab = root->property("tab").value<TabStatus*>();
    auto* page = root->property("page").value<PageStatus*>();
    ASSERT_NE(tab, nullptr);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(tab->tabItem(), root);
    EXPECT_EQ(tab->pageStatus(), page);
    EXPECT_EQ(page->tabStatus(), tab);
    EXPECT_EQ(page->tabTitle(), QStringLiteral("Новая вкладка"));
    EXPECT_EQ(root->property("channelTabId").toInt(), tab->id());
    EXPECT_FALSE(root->property("storedResults").toBool());
    EXPECT_TRUE(root->property("russianCatalog").toBool());

    QMetaObject::invokeMethod(root, "openBase");
    const QStringList opened = root->property("opened").toStringList();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.constFirst(), QStringLiteral("tarnolix://newtab.en"));

    // The view reports the page it loaded; QML follows the page type.
    tab->setUrl(QUrl(opened.constFirst()));
    EXPECT_EQ(root->property("logicFile").toString(), QStringLiteral("NewTabLogic.qml"));

    QVariant section;
    QMetaObject::invokeMethod(root, "pathOfNewModel", Q_RETURN_ARG(QVariant, section));
    EXPECT_EQ(section.toString(), QStringLiteral("r-2"));
    EXPECT_TRUE(window.warnings().isEmpty()) << window.warnings().join('\n').toStdString();
}

} // namespace
