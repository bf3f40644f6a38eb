// The generic tree view (from the program's resources, with the program's
// QML module) in a window over a fake tree model, driven by real mouse and
// wheel input.

#include "models/TreeViewProxyModel.h"
#include "tests/models/FakeTreeModel.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/QtPrinters.h"

#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>

using namespace tarnolix::test;

namespace {

// A window with the tree and a plain delegate: an expander box, a check box
// and the name, indented by depth.
const char* kWindow = R"(
import QtQuick 2.15
import QtQuick.Window 2.15
import "qrc:/controls"

Window {
    width: 360; height: 300; visible: true; color: "#f4f1ea"
    property alias tree: tree
    TreeView {
        id: tree
        objectName: "tree"
        anchors.fill: parent
        clip: true
        treeModel: fakeModel
        delegate: Item {
            id: row
            width: ListView.view.width
            height: 30
            objectName: "row " + model.display
            Rectangle {
                id: expander
                objectName: "expander " + model.display
                x: 10 + model.depth * 20; y: 6; width: 18; height: 18
                visible: model.hasChildren
                color: "transparent"; border.color: "#8a7a5a"; radius: 3
                Rectangle { anchors.centerIn: parent; width: 10; height: 2; color: "#5a4a2a" }
                Rectangle { anchors.centerIn: parent; width: 2; height: 10; color: "#5a4a2a"; visible: !model.isExpanded }
                MouseArea { anchors.fill: parent; onClicked: model.isExpanded = !model.isExpanded }
            }
            Rectangle {
                id: check
                objectName: "check " + model.display
                x: expander.x + 26; y: 7.5; width: 15; height: 15
                visible: model.checkable
                color: "white"; border.color: "#333"
                Rectangle {
                    anchors.centerIn: parent
                    width: 9
                    height: model.checkState === Qt.Checked ? 9 : 3
                    visible: model.checkState !== Qt.Unchecked
                    color: "#333"
                }
                MouseArea {
                    anchors.fill: parent
                    onClicked: model.checkState = model.checkState === Qt.Checked ? Qt.Unchecked : Qt.Checked
                }
            }
            Text {
                x: check.x + 24; anchors.verticalCenter: parent.verticalCenter
                text: model.display; font.pixelSize: 15
                font.bold: model.depth === 0
            }
        }
    }
}
)";

QQuickItem* findItem(QQuickItem* item, const QString& name)
{
    if (item->objectName() == name)
        return item;
    for (QQuickItem* child : item->childItems())
        if (QQuickItem* found = findItem(child, name))
            return found;
    return nullptr;
}

std::vector<FakeNodePtr> library()
{
    std::vector<FakeNodePtr> books;
    for (int b = 1; b <= 14; ++b) {
        std::vector<FakeNodePtr> chapters;
        for (int c = 1; c <= 3; ++c)
            chapters.push_back(node(QString("Chapter %1.%2").arg(b).arg(c), {node(QString("Verse %1.%2.1").arg(b).arg(c))}));
        books.push_back(node(QString("Book %1").arg(b), chapters, b != 2));
    }
    return books;
}

class TreeViewWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        model = std::make_unique<FakeTreeModel>(library());
        model->loadRootItems();
        qml.engine().rootContext()->setContextProperty("fakeModel", model.get());
        ASSERT_TRUE(qml.loadData(kWindow)) << qml.warnings().join('\n').toStdString();
        ASSERT_TRUE(qml.show());
        window = qml.window();
        tree = window->property("tree").value<QQuickItem*>();
        proxy = qobject_cast<TreeViewProxyModel*>(tree->property("model").value<QObject*>());
        ASSERT_TRUE(proxy);
    }

    void click(const QString& name)
    {
        QQuickItem* item = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] { return (item = findItem(window->contentItem(), name)) && item->isVisible(); }))
            << name.toStdString();
        const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
    }

    void wheel(int angle, int pixels = 0)
    {
        const QPointF at(window->width() / 2.0, window->height() / 2.0);
        QWheelEvent event(at, window->mapToGlobal(at.toPoint()), QPoint(0, pixels), QPoint(0, angle), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QGuiApplication::sendEvent(window, &event);
    }

    qreal contentY() const { return tree->property("contentY").toReal(); }

    QModelIndex rowIndex(const QString& name) const
    {
        for (int r = 0; r < proxy->rowCount(); ++r)
            if (proxy->data(proxy->index(r, 0)).toString() == name)
                return proxy->index(r, 0);
        return {};
    }

    int checkState(const QString& name) const
    {
        return proxy->data(rowIndex(name), TreeViewProxyModel::CheckStateRole).toInt();
    }

    void screenshot(const QString& name) { EXPECT_FALSE(qml.screenshot(name).isEmpty()) << name.toStdString(); }

    // The model outlives the window that shows it.
    std::unique_ptr<FakeTreeModel> model;
    tarnolix::test::QmlWindow qml;
    QQuickWindow* window = nullptr;
    QQuickItem* tree = nullptr;
    TreeViewProxyModel* proxy = nullptr;
};

} // namespace

TEST_F(TreeViewWindow, ExpanderAndCheckBoxClicksExpandAndCheckRows)
{
    QSignalSpy checked(tree, SIGNAL(itemChecked(QVariant)));
    QSignalSpy unchecked(tree, SIGNAL(itemUnchecked(QVariant)));
    ASSERT_EQ(proxy->rowCount(), 14);

    click("expander Book 1");
    ASSERT_EQ(proxy->rowCount(), 17);
    click("expander Chapter 1.2");
    ASSERT_EQ(proxy->rowCount(), 18);
    EXPECT_TRUE(QTest::qWaitFor([&] { return findItem(window->contentItem(), "row Verse 1.2.1"); }));

    click("check Chapter 1.1");
    EXPECT_EQ(checkState("Chapter 1.1"), Qt::Checked);
    EXPECT_EQ(checkState("Book 1"), Qt::PartiallyChecked);
    ASSERT_EQ(checked.count(), 1);
    EXPECT_EQ(proxy->data(checked[0][0].value<QModelIndex>()).toString(), "Chapter 1.1");

    click("check Book 1");
    EXPECT_EQ(checkState("Verse 1.2.1"), Qt::Checked);
    EXPECT_EQ(checkState("Chapter 1.3"), Qt::Checked);
    click("check Verse 1.2.1");
    EXPECT_EQ(checkState("Chapter 1.2"), Qt::Unchecked);
    EXPECT_EQ(checkState("Book 1"), Qt::PartiallyChecked);
    EXPECT_EQ(unchecked.count(), 1);

    // Book 2 cannot be checked: no check box, and the view's own call refuses.
    EXPECT_FALSE(findItem(window->contentItem(), "check Book 2")->isVisible());
    QVariant answer;
    QMetaObject::invokeMethod(tree, "setCheckState", Q_RETURN_ARG(QVariant, answer),
                              Q_ARG(QVariant, QVariant::fromValue(rowIndex("Book 2"))), Q_ARG(QVariant, 2));
    EXPECT_EQ(answer, false);
    screenshot("tree_view_checked");

    click("expander Book 1");
    EXPECT_EQ(proxy->rowCount(), 14);
    QSignalSpy allChecked(tree, SIGNAL(allChecked()));
    const int itemSignals = checked.count();
    QMetaObject::invokeMethod(tree, "checkAll");
    EXPECT_EQ(allChecked.count(), 1);
    EXPECT_EQ(checked.count(), itemSignals) << "no item signal from checkAll";
    EXPECT_EQ(checkState("Book 14"), Qt::Checked);
}

TEST_F(TreeViewWindow, AWheelNotchScrollsAFixedStepAndStopsAtTheLastRow)
{
    QMetaObject::invokeMethod(tree, "expandAll");
    ASSERT_EQ(proxy->rowCount(), 14 * 7);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tree->property("contentHeight").toInt() == 14 * 7 * 30; }));
    ASSERT_EQ(contentY(), 0);

    wheel(-120);
    EXPECT_EQ(contentY(), 180);
    wheel(-120, -10);
    EXPECT_EQ(contentY(), 210) << "a touchpad's pixels count before its angle";
    wheel(120, 10);
    wheel(120);
    EXPECT_EQ(contentY(), 0);
    wheel(120);
    EXPECT_EQ(contentY(), 0) << "no overshoot at the top";

    // To the end, notch by notch: the last notch stops at the last row.
    qreal previous = -1;
    int notches = 0;
    while (contentY() != previous && notches < 200) {
        previous = contentY();
        wheel(-120);
        ++notches;
        const qreal end = tree->property("originY").toReal() + tree->property("contentHeight").toReal()
            - tree->height();
        ASSERT_LE(contentY(), end + 0.5) << "notch " << notches;
    }
    EXPECT_TRUE(tree->property("atYEnd").toBool());
    QTest::qWait(50);
    EXPECT_EQ(contentY(), previous) << "nothing keeps moving after the last notch";
    screenshot("tree_view_scrolled_to_end");
}
