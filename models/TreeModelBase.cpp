#include "models/TreeModelBase.h"

#include "database/DatabasePool.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <queue>
#include <thread>

namespace {

// The GUI thread's own connection; models made elsewhere are given theirs.
std::shared_ptr<TarnolixDB> guiThreadDatabase()
{
    DatabasePool* pool = databasePool();
    QCoreApplication* app = QCoreApplication::instance();
    if (!pool || !app || QThread::currentThread() != app->thread())
        return {};
    return pool->database(std::this_thread::get_id(), false, DatabasePool::kInteractiveBusyTimeoutMs);
}

using ItemVector = std::vector<TreeModelBase::TreeModelItemPtr>;

// What the navigation calls check of a parent index: that it is this model's.
// Checking its place as well walks up to the root through parent() and
// rowCount() on every call, which a walk over a deep tree pays at every node;
// an index this model handed out is in its place anyway.
constexpr QAbstractItemModel::CheckIndexOptions kOwnIndex =
    QAbstractItemModel::CheckIndexOption::IndexIsValid | QAbstractItemModel::CheckIndexOption::DoNotUseParent;

int rowOf(const ItemVector& items, const TreeModelBase::TreeModelItem* item)
{
    auto it = std::find_if(items.begin(), items.end(),
                           [item](const auto& candidate) { return candidate.get() == item; });
    return it == items.end() ? -1 : int(it - items.begin());
}

} // namespace

TreeModelBase::TreeModelItem::~TreeModelItem() = default;

TreeModelBase::TreeModelBase(std::shared_ptr<TarnolixDB> db, QObject* parent)
    : QAbstractItemModel(parent)
    , m_db(std::move(db))
{
}

TreeModelBase::TreeModelBase(QObject* parent)
    : TreeModelBase(guiThreadDatabase(), parent)
{
}

TreeModelBase::~TreeModelBase() = default;

QModelIndex TreeModelBase::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || column < 0)
        return {};
    const ItemVector* candidates = &m_rootItems;
    if (parent.isValid()) {
        TreeModelItemPtr item = getItem(parent, kOwnIndex);
        if (!item)
            return {};
        if (!item->childrenLoaded())
            loadChildren(item);
        candidates = &item->children;
    }
    if (row >= int(candidates->size()))
        return {};
    return createIndex(row, column, (*candidates)[std::size_t(row)].get());
}

QModelIndex TreeModelBase::parent(const QModelIndex& child) const
{
    TreeModelItemPtr item = getItem(child, CheckIndexOption::IndexIsValid | CheckIndexOption::DoNotUseParent);
    if (!item)
        return {};
    TreeModelItemPtr parentItem = item->parent.lock();
    if (!parentItem)
        return {};
    TreeModelItemPtr grandparent = parentItem->parent.lock();
    const int row = rowOf(grandparent ? grandparent->children : m_rootItems, parentItem.get());
    if (row < 0)
        return {};
    return createIndex(row, 0, parentItem.get());
}

int TreeModelBase::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return int(m_rootItems.size());
    TreeModelItemPtr item = getItem(parent, kOwnIndex);
    if (!item)
        return 0;
    if (!item->countKnown())
        loadChildCount(item);
    return item->childCount;
}

int TreeModelBase::columnCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return 1;
    // Checking the index's place too would ask for its parent's columns
    // again: a check at depth d would cost 2^d checks above it.
    return checkIndex(parent, kOwnIndex) ? 1 : 0;
}

bool TreeModelBase::hasChildren(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return !m_rootItems.empty();
    TreeModelItemPtr item = getItem(parent, kOwnIndex);
    return item && itemHasChildren(item);
}

Qt::ItemFlags TreeModelBase::flags(const QModelIndex& index) const
{
    if (index.isValid() && checkIndex(index, CheckIndexOption::IndexIsValid))
        return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    return Qt::NoItemFlags;
}

bool TreeModelBase::itemHasChildren(const TreeModelItemPtr& item) const
{
    if (!item->countKnown())
        loadChildCount(item);
    return item->childCount > 0;
}

void TreeModelBase::clear()
{
    if (m_rootItems.empty())
        return;
    beginRemoveRows(QModelIndex(), 0, int(m_rootItems.size()) - 1);
    m_rootItems.clear();
    endRemoveRows();
}

void TreeModelBase::loadRootItems()
{
    clear();
    ItemVector items;
    loadRootItems(items);
    if (items.empty())
        return;
    beginInsertRows(QModelIndex(), 0, int(items.size()) - 1);
    m_rootItems = std::move(items);
    endInsertRows();
}

bool TreeModelBase::insertItem(const QModelIndex& parentIndex, int row, const TreeModelItemPtr& item)
{
    TreeModelItemPtr parentItem = getItem(parentIndex);
    if (parentIndex.isValid() && !parentItem) {
        qCritical("TreeModelBase::insertItem: Error 1");
        return false;
    }
    if (parentItem && !parentItem->childrenLoaded()) {
        qCritical("TreeModelBase::insertItem: Error 2");
        return false;
    }
    ItemVector& container = parentItem ? parentItem->children : m_rootItems;
    if (row < 0 || row > int(container.size())) {
        qCritical("TreeModelBase::insertItem: Error 3");
        return false;
    }
    item->parent = parentItem;
    beginInsertRows(parentIndex, row, row);
    container.insert(container.begin() + row, item);
    if (parentItem)
        ++parentItem->childCount;
    endInsertRows();
    return true;
}

bool TreeModelBase::removeItem(const QModelIndex& index)
{
    TreeModelItemPtr item = getItem(index);
    if (!item) {
        qCritical("TreeModelBase::removeItem: Error 1");
        return false;
    }
    TreeModelItemPtr parentItem = item->parent.lock();
    const QModelIndex parentIndex = parent(index);
    if (parentItem && !parentIndex.isValid()) {
        qCritical("TreeModelBase::removeItem: Error 2");
        return false;
    }
    if (!parentItem && parentIndex.isValid()) {
        qCritical("TreeModelBase::removeItem: Error 3");
        return false;
    }
    ItemVector& container = parentItem ? parentItem->children : m_rootItems;
    const int row = rowOf(container, item.get());
    if (row < 0) {
        qCritical("TreeModelBase::removeItem: Error 4");
        return false;
    }
    beginRemoveRows(parentIndex, row, row);
    container.erase(container.begin() + row);
    if (parentItem)
        --parentItem->childCount;
    endRemoveRows();
    return true;
}

// The one breadth-first walk behind forEach and removeIf; `visit` says how to go on.
template <typename Visit>
void TreeModelBase::walkLoaded(Visit&& visit, const char* getItemWarning)
{
    std::queue<QModelIndex> parents;
    parents.push(QModelIndex());
    while (!parents.empty()) {
        const QModelIndex parentIndex = parents.front();
        parents.pop();
        int n = rowCount(parentIndex);
        for (int row = 0; row < n;) {
            const QModelIndex child = index(row, 0, parentIndex);
            TreeModelItemPtr item = getItem(child);
            if (!item) {
                qWarning("%s", getItemWarning);
                ++row;
                continue;
            }
            switch (visit(ItemInfo{parentIndex, child, item})) {
            case Walk::Stop:
                return;
            case Walk::Removed: // the next sibling has moved into this row
                n = rowCount(parentIndex);
                continue;
            case Walk::RemoveFailed:
                n = rowCount(parentIndex);
                ++row;
                continue;
            case Walk::Descend:
                if (item->childrenLoaded())
                    parents.push(child);
                ++row;
                continue;
            }
        }
    }
}

void TreeModelBase::forEach(const std::function<void(const ItemInfo&)>& callback)
{
    visitLoaded(callback);
}

std::optional<TreeModelBase::ItemInfo> TreeModelBase::forEach(const std::function<bool(const ItemInfo&)>& callback)
{
    return findLoaded(callback);
}

void TreeModelBase::visitLoaded(const std::function<void(const ItemInfo&)>& callback)
{
    walkLoaded([&](const ItemInfo& info) {
        callback(info);
        return Walk::Descend;
    }, "TreeModelBase::forEach: getItem failed");
}

std::optional<TreeModelBase::ItemInfo> TreeModelBase::findLoaded(const std::function<bool(const ItemInfo&)>& callback)
{
    std::optional<ItemInfo> found;
    walkLoaded([&](const ItemInfo& info) {
        if (!callback(info))
            return Walk::Descend;
        found = info;
        return Walk::Stop;
    }, "TreeModelBase::forEach: getItem failed");
    return found;
}

void TreeModelBase::removeIf(const std::function<bool(const ItemInfo&)>& callback)
{
    walkLoaded([&](const ItemInfo& info) {
        if (!callback(info))
            return Walk::Descend;
        if (removeItem(info.index))
            return Walk::Removed;
        qWarning("TreeModelBase::removeIf: removeItem failed");
        return Walk::RemoveFailed;
    }, "TreeModelBase::removeIf: getItem failed");
}

TreeModelBase::TreeModelItemPtr TreeModelBase::getItem(const QModelIndex& index, CheckIndexOptions options) const
{
    if (!index.isValid() || !checkIndex(index, options) || !index.internalPointer())
        return {};
    return static_cast<TreeModelItem*>(index.internalPointer())->shared_from_this();
}
