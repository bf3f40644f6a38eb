#include "models/TarnolixModelBase.h"
#include "tests/core/LogCapture.h"
#include "tests/support/QtPrinters.h"
#include "tests/models/FakeTreeModel.h"

#include "database/DatabasePool.h"

#include <QAbstractItemModelTester>
#include <QLoggingCategory>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <thread>

using namespace tarnolix::test;

namespace {

std::vector<FakeNodePtr> sampleTree()
{
    return {node("A", {node("A1", {node("A1a")}), node("A2", {node("A2a"), node("A2b")})}), node("B", {node("B1")}),
            node("C")};
}

QString nameAt(const FakeTreeModel& model, const QModelIndex& index)
{
    return model.data(index, Qt::DisplayRole).toString();
}

} // namespace

TEST(TreeModelBase, CountsBeforeLoadingAndLoadsEachLevelOnceOnItsFirstIndex)
{
    FakeTreeModel model(sampleTree());
    model.loadRootItems();
    EXPECT_EQ(model.rootLoads, 1);
    ASSERT_EQ(model.rowCount(), 3);

    const QModelIndex a = model.index(0, 0);
    EXPECT_EQ(model.rowCount(a), 2);
    EXPECT_EQ(model.rowCount(a), 2);
    EXPECT_EQ(model.countLoads, 1) << "the count is asked once";
    EXPECT_EQ(model.childLoads, 0) << "counting creates no child";
    EXPECT_TRUE(model.hasChildren(model.index(1, 0)));
    EXPECT_FALSE(model.hasChildren(model.index(2, 0)));
    EXPECT_EQ(model.countLoads, 3);
    EXPECT_EQ(model.childLoads, 0);

    const QModelIndex a2 = model.index(1, 0, a);
    EXPECT_EQ(model.childLoads, 1);
    EXPECT_EQ(nameAt(model, a2), "A2");
    EXPECT_EQ(nameAt(model, model.index(0, 0, a)), "A1");
    EXPECT_EQ(model.childLoads, 1) << "the whole level came with the first index";
    EXPECT_EQ(model.parent(a2), a);
    EXPECT_FALSE(model.parent(a).isValid());

    for (auto [row, column, parent] : {std::tuple{2, 0, a}, {-1, 0, a}, {0, -1, a}, {3, 0, QModelIndex()},
                                       {-1, 0, QModelIndex()}})
        EXPECT_FALSE(model.index(row, column, parent).isValid()) << row << "," << column;
    EXPECT_EQ(model.TreeModelBase::flags(a2), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    EXPECT_EQ(model.TreeModelBase::flags(QModelIndex()), Qt::NoItemFlags);

    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
}

TEST(TreeModelBase, TraversalsSeeOnlyLoadedItemsAndNeverLoad)
{
    FakeTreeModel model(sampleTree());
    model.loadRootItems();
    const QModelIndex a = model.index(0, 0);
    model.index(0, 0, a); // loads A's level; A1 and A2 stay unloaded
    model.rowCount(model.index(1, 0, a)); // A2 counted only
    const int counts = model.countLoads;
    const int loads = model.childLoads;

    QStringList visited;
    model.forEach([&](const TreeModelBase::ItemInfo& info) {
        visited << FakeTreeModel::nodeOf(info.item)->name;
        EXPECT_EQ(model.parent(info.index), info.parentIndex);
    });
    EXPECT_EQ(visited, QStringList({"A", "B", "C", "A1", "A2"})) << "breadth first";

    std::optional<TreeModelBase::ItemInfo> found = model.forEach(
        [&](const TreeModelBase::ItemInfo& info) { return FakeTreeModel::nodeOf(info.item)->name == "A2"; });
    ASSERT_TRUE(found);
    EXPECT_EQ(found->parentIndex, a);
    EXPECT_EQ(found->index.row(), 1);
    EXPECT_FALSE(model.forEach([](const TreeModelBase::ItemInfo&) { return false; }));

    model.removeIf([](const TreeModelBase::ItemInfo&) { return false; });
    EXPECT_EQ(model.countLoads, counts);
    EXPECT_EQ(model.childLoads, loads);
}

TEST(TreeModelBase, RemoveIfRemovesEachMatchingSiblingWithItsOwnNoticeAndSkipsTheirDescendants)
{
    FakeTreeModel model({node("R", {node("X1", {node("X1a"), node("X1b")}), node("X2"), node("Y"), node("X3")})});
    model.loadRootItems();
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const QModelIndex r = model.index(0, 0);
    ASSERT_TRUE(model.index(0, 0, model.index(0, 0, r)).isValid()); // X1's children loaded

    QSignalSpy aboutToRemove(&model, &QAbstractItemModel::rowsAboutToBeRemoved);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QStringList visited;
    model.removeIf([&](const TreeModelBase::ItemInfo& info) {
        const QString name = FakeTreeModel::nodeOf(info.item)->name;
        visited << name;
        return name.startsWith('X');
    });

    EXPECT_EQ(visited, QStringList({"R", "X1", "X2", "Y", "X3"}));
    ASSERT_EQ(removed.count(), 3);
    EXPECT_EQ(aboutToRemove.count(), 3);
    const int rows[] = {0, 0, 1};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(removed[i][0].value<QModelIndex>(), r);
        EXPECT_EQ(removed[i][1].toInt(), rows[i]);
        EXPECT_EQ(removed[i][2].toInt(), rows[i]);
    }
    ASSERT_EQ(model.rowCount(r), 1);
    EXPECT_EQ(nameAt(model, model.index(0, 0, r)), "Y");
}

TEST(TreeModelBase, InsertAndRemoveRefuseWhatTheyCannotDoWithoutNotice)
{
    FakeTreeModel model(sampleTree());
    FakeTreeModel other(sampleTree());
    model.loadRootItems();
    other.loadRootItems();
    const QModelIndex a = model.index(0, 0);
    const QModelIndex b = model.index(1, 0);
    model.index(0, 0, a);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    // The tester has opened every node; make B unloaded again as a view would find it.
    model.getItem(b)->children.clear();
    model.getItem(b)->state = 0;

    struct Case
    {
        const char* name;
        QModelIndex parent;
        int row;
        const char* log;
    };
    const Case refused[] = {
        {"under an unloaded node", b, 0, "TreeModelBase::insertItem: Error 2"},
        {"under another model's index", other.index(0, 0), 0, "TreeModelBase::insertItem: Error 1"},
        {"past the end", a, 3, "TreeModelBase::insertItem: Error 3"},
    };
    // Qt's own diagnostics of a foreign index are not ours to check.
    QLoggingCategory::setFilterRules("qt.core.qabstractitemmodel.checkindex=false");
    for (const Case& c : refused) {
        LogCapture log;
        QSignalSpy aboutToInsert(&model, &QAbstractItemModel::rowsAboutToBeInserted);
        EXPECT_FALSE(model.insertItem(c.parent, c.row, std::make_shared<FakeTreeModel::Item>())) << c.name;
        EXPECT_EQ(log.warnings(), QStringList(c.log)) << c.name;
        EXPECT_EQ(aboutToInsert.count(), 0) << c.name;
    }
    {
        LogCapture log;
        EXPECT_FALSE(model.removeItem(other.index(0, 0)));
        EXPECT_EQ(log.warnings(), QStringList("TreeModelBase::removeItem: Error 1"));
    }
    QLoggingCategory::setFilterRules(QString());

    // At row = number of children it appends.
    auto item = std::make_shared<FakeTreeModel::Item>();
    item->node = node("A3");
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    ASSERT_TRUE(model.insertItem(a, 2, item));
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 2);
    EXPECT_EQ(model.rowCount(a), 3);
    EXPECT_EQ(item->parent.lock(), model.getItem(a));
    EXPECT_EQ(nameAt(model, model.index(2, 0, a)), "A3");

    ASSERT_TRUE(model.removeItem(model.index(0, 0, a)));
    EXPECT_EQ(model.rowCount(a), 2);
    EXPECT_EQ(nameAt(model, model.index(0, 0, a)), "A2");
}

TEST(TreeModelBase, LoadRootItemsWithNothingToLoadLeavesOneRemoveNoticeOrNone)
{
    FakeTreeModel model(sampleTree());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.loadRootItems();
    model.roots.clear();

    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.loadRootItems();
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(model.rowCount(), 0);
    model.loadRootItems();
    model.clear();
    EXPECT_EQ(removed.count(), 1) << "an empty model sends nothing";
    EXPECT_EQ(inserted.count(), 0);
}

namespace {

struct EmptyModel : TarnolixModelBase
{
    using TarnolixModelBase::TarnolixModelBase;
    void loadRootItems(std::vector<TreeModelItemPtr>&) override {}
    void loadChildCount(const TreeModelItemPtr& item) const override { item->state |= TreeModelItem::CountKnown; }
    void loadChildren(const TreeModelItemPtr& item) const override
    {
        item->state |= TreeModelItem::CountKnown | TreeModelItem::ChildrenLoaded;
    }
    QVariant data(const QModelIndex&, int) const override { return {}; }
};

} // namespace

TEST(TreeModelBase, AModelMadeWithOnlyAParentUsesTheGuiThreadConnectionOfTheOpenLibrary)
{
    EXPECT_EQ(EmptyModel().database(), nullptr) << "no library is open";

    DatabasePool pool(std::this_thread::get_id(), [] { return QString(); });
    setDatabasePool(&pool);
    const EmptyModel model;
    std::shared_ptr<TarnolixDB> worker;
    std::thread([&] {
        EmptyModel onWorker;
        worker = onWorker.database();
    }).join();
    setDatabasePool(nullptr);

    EXPECT_EQ(model.database(), pool.database(std::this_thread::get_id(), false, 0));
    EXPECT_NE(model.database(), nullptr);
    EXPECT_EQ(worker, nullptr) << "another thread is given its own connection";
}
