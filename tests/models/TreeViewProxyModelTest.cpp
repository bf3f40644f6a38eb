#include "tests/core/LogCapture.h"
#include "tests/support/QtPrinters.h"
#include "tests/models/ProxyFixture.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace tarnolix::test;

namespace {

QStringList names(const QSignalSpy& spy, const TreeViewProxyModel& proxy)
{
    QStringList result;
    for (const QList<QVariant>& args : spy)
        result << proxy.data(args[0].value<QModelIndex>(), Qt::DisplayRole).toString();
    return result;
}

// Adds a child to a loaded source node behind the model's back, so that a
// test can tell whether an expansion reads the source again.
void appendSilently(FakeTreeModel& source, const QModelIndex& parent, const QString& name)
{
    auto item = std::make_shared<FakeTreeModel::Item>();
    item->node = node(name);
    TreeModelBase::TreeModelItemPtr parentItem = source.getItem(parent);
    item->parent = parentItem;
    parentItem->children.push_back(item);
    ++parentItem->childCount;
    FakeTreeModel::nodeOf(parentItem)->children.push_back(item->node);
}

} // namespace

TEST(TreeViewProxyModel, ShowsTopLevelRowsAndAnswersItsOwnRolesByNumberAndName)
{
    ProxyFixture f({node("A", {node("A1")}), node("B", {}, false)});
    EXPECT_EQ(f.rows(), "A B");
    const QModelIndex a = f.row("A");
    EXPECT_EQ(f.proxy.data(a, TreeViewProxyModel::HasChildrenRole), true);
    EXPECT_EQ(f.proxy.data(f.row("B"), TreeViewProxyModel::HasChildrenRole), false);
    EXPECT_EQ(f.proxy.data(a, TreeViewProxyModel::CheckableRole), true);
    EXPECT_EQ(f.proxy.data(f.row("B"), TreeViewProxyModel::CheckableRole), false);
    EXPECT_EQ(f.proxy.data(a, TreeViewProxyModel::IndexRole).value<QModelIndex>(), a);
    EXPECT_EQ(f.proxy.getData(a, "depth"), 0);
    EXPECT_EQ(f.proxy.getData(a, "name"), "A") << "source roles by name";
    EXPECT_FALSE(f.proxy.getData(a, "nosuchrole").isValid());
    EXPECT_FALSE(f.proxy.data(QModelIndex(), TreeViewProxyModel::DepthRole).isValid());
    EXPECT_EQ(f.proxy.roleNames().value(TreeViewProxyModel::CheckStateRole), "checkState");

    // The list is flat: a row's sibling is the row of that number (the Qt contract).
    EXPECT_EQ(f.proxy.sibling(1, 0, a), f.row("B"));
    EXPECT_FALSE(f.proxy.sibling(2, 0, a).isValid());
    EXPECT_FALSE(f.proxy.parent(a).isValid());
    EXPECT_EQ(f.proxy.mapFromSource(f.source.index(1, 0)), f.row("B"));
}

TEST(TreeViewProxyModel, ExpandingAChildlessRowChangesNothing)
{
    ProxyFixture f({node("A"), node("B", {node("B1")})});
    QSignalSpy changed(&f.proxy, &QAbstractItemModel::dataChanged);
    QSignalSpy inserted(&f.proxy, &QAbstractItemModel::rowsInserted);
    f.proxy.expand(f.row("A"));
    f.proxy.collapse(f.row("B"));
    EXPECT_EQ(f.rows(), "A B");
    EXPECT_EQ(changed.count() + inserted.count(), 0);
    EXPECT_FALSE(f.proxy.isExpanded(f.row("A")));
}

TEST(TreeViewProxyModel, ExpanderAndCheckBoxWritesGoThroughSetData)
{
    ProxyFixture f({node("A", {node("A1"), node("A2")})});
    EXPECT_TRUE(f.proxy.setData(f.row("A"), true, TreeViewProxyModel::IsExpandedRole));
    EXPECT_EQ(f.rows(), "A/ .A1 .A2");
    EXPECT_TRUE(f.proxy.setData(f.row("A1"), Qt::Checked, TreeViewProxyModel::CheckStateRole));
    EXPECT_FALSE(f.proxy.setData(f.row("A2"), Qt::PartiallyChecked, TreeViewProxyModel::CheckStateRole));
    EXPECT_TRUE(f.proxy.setData(f.row("A2"), "not a state", TreeViewProxyModel::CheckStateRole)) << "counts as 0";
    EXPECT_EQ(f.rows(), "A/=~ .A1=x .A2");
    EXPECT_TRUE(f.proxy.setData(f.row("A"), false, TreeViewProxyModel::IsExpandedRole));
    EXPECT_EQ(f.rows(), "A=~");
}

struct CheckCase
{
    const char* name;
    std::vector<FakeNodePtr> tree;
    QStringList expanded;
    std::vector<std::pair<QString, Qt::CheckState>> checks;
    QString rows;
    QStringList itemChecked;
    QStringList log;
    bool lastAnswer;
};

TEST(TreeViewProxyModel, CheckStatesPropagateDownAndUp)
{
    const CheckCase cases[] = {
        {"one of two children", {node("P", {node("C1"), node("C2")})}, {"P"}, {{"C1", Qt::Checked}},
         "P/=~ .C1=x .C2", {"C1"}, {}, true},
        {"both children", {node("P", {node("C1"), node("C2")})}, {"P"}, {{"C1", Qt::Checked}, {"C2", Qt::Checked}},
         "P/=x .C1=x .C2=x", {"C1", "C2"}, {}, true},
        {"a partly checked child counts as unchecked",
         {node("G", {node("P", {node("C1"), node("C2")}), node("S")})},
         {"G", "P"},
         {{"C1", Qt::Checked}, {"S", Qt::Checked}},
         "G/=~ .P/=~ ..C1=x ..C2 .S=x",
         {"C1", "S"},
         {},
         true},
        {"the parent's own block only",
         {node("G", {node("A", {node("A1")}), node("P", {node("C1"), node("C2")})}),
          node("H", {node("H1", {node("H1a")})})},
         {"G", "A", "P", "H", "H1"},
         {{"C1", Qt::Checked}, {"C2", Qt::Checked}},
         "G/=~ .A/ ..A1 .P/=x ..C1=x ..C2=x H/ .H1/ ..H1a",
         {"C1", "C2"},
         {},
         true},
        {"checking a parent checks its rows and unchecking clears them",
         {node("P", {node("C1", {node("C1a")}), node("C2")})},
         {"P", "C1"},
         {{"P", Qt::Checked}, {"C1a", Qt::Unchecked}},
         "P/=~ .C1/ ..C1a .C2=x",
         {"P"},
         {},
         true},
        {"partly checked is no request", {node("P", {node("C1")})}, {"P"}, {{"C1", Qt::PartiallyChecked}},
         "P/ .C1", {}, {"TreeViewProxyModel::setCheckState: Invalid checkState"}, false},
        {"a row that cannot be checked", {node("P", {node("C1", {}, false)})}, {"P"}, {{"C1", Qt::Checked}},
         "P/ .C1", {}, {}, false},
        {"ancestors take states whether checkable or not",
         {node("P", {node("C1"), node("C2")}, false)},
         {"P"},
         {{"C1", Qt::Checked}, {"C2", Qt::Checked}},
         "P/=x .C1=x .C2=x",
         {"C1", "C2"},
         {},
         true},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        ProxyFixture f(c.tree);
        f.expand(c.expanded);
        QSignalSpy checked(&f.proxy, &TreeViewProxyModel::itemChecked);
        LogCapture log;
        bool answer = false;
        for (const auto& [name, state] : c.checks)
            answer = f.proxy.setCheckState(f.row(name), state);
        EXPECT_EQ(f.rows(), c.rows);
        EXPECT_EQ(names(checked, f.proxy), c.itemChecked);
        EXPECT_EQ(log.warnings(), c.log);
        EXPECT_EQ(answer, c.lastAnswer);
    }
}

TEST(TreeViewProxyModel, CheckAllSendsOneSignalAndNoItemSignals)
{
    ProxyFixture f({node("A", {node("A1"), node("A2", {node("A2a")})}), node("B", {}, false), node("C")});
    f.expand({"A"});
    QSignalSpy itemChecked(&f.proxy, &TreeViewProxyModel::itemChecked);
    QSignalSpy itemUnchecked(&f.proxy, &TreeViewProxyModel::itemUnchecked);
    QSignalSpy allChecked(&f.proxy, &TreeViewProxyModel::allChecked);
    QSignalSpy allUnchecked(&f.proxy, &TreeViewProxyModel::allUnchecked);

    f.proxy.checkAll();
    EXPECT_EQ(f.rows(), "A/=x .A1=x .A2=x B C=x");
    f.proxy.expand(f.row("A2"));
    EXPECT_EQ(f.rows(), "A/=x .A1=x .A2/=x ..A2a=x B C=x") << "a first expansion inherits Checked";
    f.proxy.uncheckAll();
    EXPECT_EQ(f.rows(), "A/ .A1 .A2/ ..A2a B C");
    EXPECT_EQ(allChecked.count(), 1);
    EXPECT_EQ(allUnchecked.count(), 1);
    EXPECT_EQ(itemChecked.count() + itemUnchecked.count(), 0);
}

TEST(TreeViewProxyModel, CollapsedRowsRememberTheirExpandedRowsAndCheckStates)
{
    ProxyFixture f({node("A", {node("A1"), node("B", {node("B1"), node("B2")}), node("A3")}), node("D")});
    f.expand({"A", "B"});
    const QString expanded = "A/ .A1 .B/ ..B1 ..B2 .A3 D";
    EXPECT_EQ(f.rows(), expanded);
    f.proxy.collapse(f.row("A"));
    EXPECT_EQ(f.rows(), "A D");
    f.proxy.expand(f.row("A"));
    EXPECT_EQ(f.rows(), expanded);

    // Checked and partly checked rows keep their subtree, Unchecked ones
    // without an expanded row read the source again (which here has grown
    // behind the model's back).
    f.proxy.setCheckState(f.row("B"), Qt::Checked);
    f.proxy.setCheckState(f.row("B1"), Qt::Unchecked);
    f.proxy.collapse(f.row("B"));
    appendSilently(f.source, f.sourceOf("B"), "B3");
    f.proxy.expand(f.row("B"));
    EXPECT_EQ(f.rows(), "A/=~ .A1 .B/=~ ..B1 ..B2=x .A3 D") << "kept: no B3, B1 still unchecked";

    f.proxy.collapse(f.row("A"));
    f.proxy.setCheckState(f.row("A"), Qt::Unchecked);
    f.proxy.expand(f.row("A"));
    EXPECT_EQ(f.rows(), "A/ .A1 .B/ ..B1 ..B2 .A3 D") << "unchecking a collapsed row reaches its saved subtree";
    f.proxy.collapse(f.row("B"));
    f.proxy.expand(f.row("B"));
    EXPECT_EQ(f.rows(), "A/ .A1 .B/ ..B1 ..B2 ..B3 .A3 D") << "dropped: read again";
}

TEST(TreeViewProxyModel, ACollapsedRowThatCannotBeCheckedKeepsTheChecksBelowIt)
{
    // The row's own state says a descendant is checked: forgetting the
    // subtree would lose the reader's checks and leave the row partly checked
    // over unchecked children.
    ProxyFixture f({node("P", {node("C1"), node("C2")}, false)});
    f.expand({"P"});
    f.proxy.setCheckState(f.row("C1"), Qt::Checked);
    f.proxy.collapse(f.row("P"));
    f.proxy.expand(f.row("P"));
    EXPECT_EQ(f.rows(), "P/=~ .C1=x .C2");
}

TEST(TreeViewProxyModel, RowsTheSourceInsertsUnderACheckedRowArriveUnchecked)
{
    ProxyFixture f({node("E", {node("E1"), node("E2", {}, false), node("E3")})});
    f.proxy.setCheckState(f.row("E"), Qt::Checked);
    f.proxy.expand(f.row("E"));
    EXPECT_EQ(f.rows(), "E/=x .E1=x .E2 .E3=x");
    f.source.insertNode(f.sourceOf("E"), 1, node("new"));
    EXPECT_EQ(f.rows(), "E/=x .E1=x .new .E2 .E3=x");
}

TEST(TreeViewProxyModel, FollowsSourceInsertionsAndRemovals)
{
    ProxyFixture f({node("A", {node("A1"), node("A2", {node("A2a")}), node("A3")}), node("B"), node("C")});
    f.expand({"A", "A2"});
    f.source.insertNode(f.sourceOf("A"), 1, node("N1"));
    f.source.insertNode(QModelIndex(), 3, node("N2"));
    f.source.insertNode(f.sourceOf("A"), 4, node("N3"));
    EXPECT_EQ(f.rows(), "A/ .A1 .N1 .A2/ ..A2a .A3 .N3 B C N2");
    for (int r = 0; r < f.proxy.rowCount(); ++r)
        EXPECT_EQ(f.proxy.mapFromSource(f.proxy.mapToSource(f.proxy.index(r, 0))).row(), r) << r;

    f.source.removeNode(f.source.indexAt({0, 2})); // A2 with its shown child
    f.source.removeNode(f.source.indexAt({1}));
    EXPECT_EQ(f.rows(), "A/ .A1 .N1 .A3 .N3 C N2");
    for (int r = 0; r < f.proxy.rowCount(); ++r)
        EXPECT_EQ(f.proxy.mapFromSource(f.proxy.mapToSource(f.proxy.index(r, 0))).row(), r) << r;

    // A first child under a collapsed row gives it its expander.
    QSignalSpy changed(&f.proxy, &QAbstractItemModel::dataChanged);
    f.source.insertNode(f.sourceOf("C"), 0, node("C1"));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].value<QModelIndex>(), f.row("C"));
    EXPECT_EQ(changed[0][2].value<QVector<int>>(), QVector<int>{TreeViewProxyModel::HasChildrenRole});
    EXPECT_EQ(f.proxy.data(f.row("C"), TreeViewProxyModel::HasChildrenRole), true);

    // Reloading the roots empties the list and shows the new roots.
    f.source.loadRootItems();
    EXPECT_EQ(f.rows(), "A C N2");
}

TEST(TreeViewProxyModel, RemovingTheLastChildCollapsesItsRow)
{
    ProxyFixture f({node("A", {node("A1")}), node("B")});
    f.expand({"A"});
    QSignalSpy changed(&f.proxy, &QAbstractItemModel::dataChanged);
    f.source.removeNode(f.sourceOf("A1"));
    EXPECT_EQ(f.rows(), "A B");
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].value<QModelIndex>(), f.row("A"));
    EXPECT_EQ(changed[0][2].value<QVector<int>>(),
              QVector<int>({TreeViewProxyModel::HasChildrenRole, TreeViewProxyModel::IsExpandedRole}));
    EXPECT_EQ(f.proxy.data(f.row("A"), TreeViewProxyModel::HasChildrenRole), false);
}

TEST(TreeViewProxyModel, ChangesUnderAHiddenParentLeaveTheListAndForgetTheStaleSubtree)
{
    for (bool numbered : {true, false}) {
        SCOPED_TRACE(numbered ? "row numbers fresh" : "row numbers stale");
        ProxyFixture f({node("A", {node("B", {node("B1"), node("B2")})}), node("C")});
        if (!numbered)
            f.proxyTester.reset(); // its buddy() checks number the rows
        f.expand({"A", "B"});
        const QModelIndex b = f.sourceOf("B");
        f.proxy.collapse(f.row("A"));
        if (numbered)
            f.proxy.mapFromSource(f.source.index(0, 0));

        LogCapture log;
        QSignalSpy inserted(&f.proxy, &QAbstractItemModel::rowsInserted);
        f.source.insertNode(b, 0, node("B0"));
        EXPECT_EQ(log.warnings(), QStringList(numbered ? "TreeViewProxyModel::onRowsInserted: Error 1"
                                                       : "TreeViewProxyModel::onRowsInserted: Error 2"));
        EXPECT_EQ(inserted.count(), 0);
        EXPECT_EQ(f.rows(), "A C");

        // The remembered rows under B no longer match the source: B comes back
        // collapsed and reads its children again.
        f.proxy.expand(f.row("A"));
        EXPECT_EQ(f.rows(), "A/ .B C");
        f.proxy.expand(f.row("B"));
        EXPECT_EQ(f.rows(), "A/ .B/ ..B0 ..B1 ..B2 C");
    }

    // A removal under a hidden parent must not leave a row on the freed item.
    ProxyFixture f({node("A", {node("B", {node("B1"), node("B2")})})});
    f.expand({"A", "B"});
    f.proxy.collapse(f.row("A"));
    {
        LogCapture log;
        f.source.removeNode(f.source.indexAt({0, 0, 0}));
    }
    f.proxy.expand(f.row("A"));
    f.proxy.expand(f.row("B"));
    EXPECT_EQ(f.rows(), "A/ .B/ ..B2");
}

TEST(TreeViewProxyModel, UnsupportedAndUnmappedSourceSignalsReachNoView)
{
    ProxyFixture f({node("A", {node("A1"), node("A2")}), node("B", {node("B1")})});
    f.expand({"A"});
    QSignalSpy changed(&f.proxy, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&f.proxy, &QAbstractItemModel::modelReset);
    LogCapture log;

    f.source.moveFirstChildToEnd(f.sourceOf("A"));
    EXPECT_EQ(f.rows(), "A/ .A1 .A2 B");
    EXPECT_EQ(log.warnings(), QStringList("TreeViewProxyModel::onRowsMoved: NOT SUPPORTED"));
    log.clear();

    // A data change of a row that is not in the list is not forwarded.
    const QModelIndex b1 = f.source.indexAt({1, 0});
    emit f.source.dataChanged(b1, b1, {});
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(log.warnings(), QStringList("TreeViewProxyModel::onDataChanged: Error"));
    const QModelIndex b = f.source.index(1, 0);
    emit f.source.dataChanged(b, b, {Qt::DisplayRole});
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].value<QModelIndex>(), f.row("B"));
    EXPECT_EQ(reset.count(), 0);
}

TEST(TreeViewProxyModel, AFailedLoadGivesRowsOnlyForTheChildrenItDelivered)
{
    auto promising = node("P", {node("P1"), node("P2"), node("P3")});
    promising->deliver = 1;
    FakeTreeModel source({promising, node("Q")});
    source.loadRootItems();
    TreeViewProxyModel proxy;
    proxy.setSourceModel(&source);
    QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::Fatal);
    proxy.expand(proxy.index(0, 0));
    ASSERT_EQ(proxy.rowCount(), 3);
    EXPECT_EQ(proxy.data(proxy.index(1, 0), Qt::DisplayRole), "P1");
    EXPECT_TRUE(proxy.mapToSource(proxy.index(1, 0)).isValid());
    EXPECT_EQ(proxy.data(proxy.index(2, 0), Qt::DisplayRole), "Q");

    auto empty = node("E", {node("E1")});
    empty->deliver = 0;
    source.insertNode(QModelIndex(), 0, empty);
    QSignalSpy changed(&proxy, &QAbstractItemModel::dataChanged);
    proxy.expand(proxy.index(0, 0));
    EXPECT_EQ(proxy.rowCount(), 4);
    EXPECT_FALSE(proxy.isExpanded(proxy.index(0, 0)));
    ASSERT_EQ(changed.count(), 1) << "the expander goes";
    EXPECT_EQ(proxy.data(proxy.index(0, 0), TreeViewProxyModel::HasChildrenRole), false);
}

TEST(TreeViewProxyModel, ASourceDestroyedFirstLeavesAnEmptyList)
{
    TreeViewProxyModel proxy;
    QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::Fatal);
    {
        FakeTreeModel source({node("A", {node("A1")})});
        source.loadRootItems();
        proxy.setSourceModel(&source);
        proxy.expand(proxy.index(0, 0));
        EXPECT_EQ(proxy.rowCount(), 2);
    }
    EXPECT_EQ(proxy.rowCount(), 0);
    EXPECT_EQ(proxy.sourceModel(), nullptr);
    EXPECT_EQ(proxy.columnCount(), 0);
}
