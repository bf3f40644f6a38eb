#pragma once
// An in-memory tree model for the tree model and tree view tests: its nodes
// are a plain tree of named nodes, its hooks count their calls, and a node
// may promise more children than its load delivers (a failed load).

#include "models/TreeModelBase.h"

#include <QString>

#include <algorithm>
#include <memory>
#include <vector>

namespace tarnolix::test {

struct FakeNode
{
    QString name;
    bool checkable = true;
    std::vector<std::shared_ptr<FakeNode>> children;
    int deliver = -1; // children a load delivers; -1: all it counts
};
using FakeNodePtr = std::shared_ptr<FakeNode>;

inline FakeNodePtr node(const QString& name, std::vector<FakeNodePtr> children = {}, bool checkable = true)
{
    auto n = std::make_shared<FakeNode>();
    n->name = name;
    n->checkable = checkable;
    n->children = std::move(children);
    return n;
}

class FakeTreeModel : public TreeModelBase
{
public:
    enum Role { NameRole = Qt::UserRole };

    struct Item : TreeModelItem
    {
        FakeNodePtr node;
    };

    explicit FakeTreeModel(std::vector<FakeNodePtr> roots = {}, QObject* parent = nullptr)
        : TreeModelBase(nullptr, parent)
        , roots(std::move(roots))
    {
    }

    using TreeModelBase::getItem;
    using TreeModelBase::loadRootItems;

    void loadRootItems(std::vector<TreeModelItemPtr>& items) override
    {
        ++rootLoads;
        for (const FakeNodePtr& n : roots)
            items.push_back(makeItem(n, nullptr));
    }

    void loadChildCount(const TreeModelItemPtr& item) const override
    {
        ++countLoads;
        item->childCount = int(nodeOf(item)->children.size());
        item->state |= TreeModelItem::CountKnown;
    }

    void loadChildren(const TreeModelItemPtr& item) const override
    {
        ++childLoads;
        const FakeNode& n = *nodeOf(item);
        const std::size_t count = n.deliver < 0 ? n.children.size() : std::size_t(n.deliver);
        item->children.clear();
        for (std::size_t i = 0; i < count && i < n.children.size(); ++i)
            item->children.push_back(makeItem(n.children[i], item));
        item->childCount = int(item->children.size());
        item->state |= TreeModelItem::CountKnown | TreeModelItem::ChildrenLoaded;
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        TreeModelItemPtr item = getItem(index);
        if (!item)
            return {};
        if (role == Qt::DisplayRole || role == NameRole)
            return nodeOf(item)->name;
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        Qt::ItemFlags f = TreeModelBase::flags(index);
        TreeModelItemPtr item = getItem(index);
        if (item && nodeOf(item)->checkable)
            f |= Qt::ItemIsUserCheckable;
        return f;
    }

    QHash<int, QByteArray> roleNames() const override
    {
        return {{Qt::DisplayRole, "display"}, {NameRole, "name"}};
    }

    static FakeNode* nodeOf(const TreeModelItemPtr& item) { return static_cast<Item&>(*item).node.get(); }
    FakeNode* nodeAt(const QModelIndex& index) const
    {
        TreeModelItemPtr item = getItem(index);
        return item ? nodeOf(item) : nullptr;
    }

    // The source index of the node at `path` (child rows from the top); loads on the way.
    QModelIndex indexAt(const std::vector<int>& path) const
    {
        QModelIndex index;
        for (int row : path)
            index = this->index(row, 0, index);
        return index;
    }

    // Adds a node to the data and, like a real source, to the model: under an
    // unloaded parent the level is loaded first so the model can announce it.
    void insertNode(const QModelIndex& parentIndex, int row, const FakeNodePtr& n)
    {
        TreeModelItemPtr parentItem = getItem(parentIndex);
        std::vector<FakeNodePtr>& list = parentItem ? nodeOf(parentItem)->children : roots;
        if (parentItem && !parentItem->childrenLoaded())
            loadChildren(parentItem);
        list.insert(list.begin() + row, n);
        insertItem(parentIndex, row, makeItem(n, parentItem));
    }

    void removeNode(const QModelIndex& index)
    {
        TreeModelItemPtr item = getItem(index);
        TreeModelItemPtr parentItem = item->parent.lock();
        std::vector<FakeNodePtr>& list = parentItem ? nodeOf(parentItem)->children : roots;
        list.erase(list.begin() + index.row());
        removeItem(index);
    }

    // Moves the first child of a loaded parent to the end, with the move notices.
    void moveFirstChildToEnd(const QModelIndex& parent)
    {
        TreeModelItemPtr item = getItem(parent);
        beginMoveRows(parent, 0, 0, parent, int(item->children.size()));
        std::rotate(item->children.begin(), item->children.begin() + 1, item->children.end());
        std::vector<FakeNodePtr>& nodes = nodeOf(item)->children;
        std::rotate(nodes.begin(), nodes.begin() + 1, nodes.end());
        endMoveRows();
    }

    std::vector<FakeNodePtr> roots;
    int rootLoads = 0;
    mutable int countLoads = 0;
    mutable int childLoads = 0;

private:
    static TreeModelItemPtr makeItem(const FakeNodePtr& n, const TreeModelItemPtr& parent)
    {
        auto item = std::make_shared<Item>();
        item->node = n;
        item->parent = parent;
        return item;
    }
};

} // namespace tarnolix::test
