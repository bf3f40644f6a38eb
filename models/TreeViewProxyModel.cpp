#include "models/TreeViewProxyModel.h"

#include "core/OverrideCursorGuard.h"

#include <algorithm>
#include <deque>
#include <functional>

namespace {

const QVector<int> kCheckStateRoles{TreeViewProxyModel::CheckStateRole};
const QVector<int> kExpandedRoles{TreeViewProxyModel::IsExpandedRole};
const QVector<int> kHasChildrenRoles{TreeViewProxyModel::HasChildrenRole};

} // namespace

std::size_t TreeViewProxyModel::IndexHash::operator()(const QModelIndex& index) const
{
    std::size_t seed = std::hash<const void*>()(index.model());
    auto combine = [&seed](std::size_t value) { seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2); };
    combine(std::hash<quintptr>()(index.internalId()));
    combine(std::hash<int>()(index.row()));
    combine(std::hash<int>()(index.column()));
    return seed;
}

TreeViewProxyModel::TreeViewProxyModel(QObject* parent)
    : QAbstractProxyModel(parent)
{
}

TreeViewProxyModel::~TreeViewProxyModel() = default;

QModelIndex TreeViewProxyModel::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || column < 0 || row >= int(m_rows.size()))
        return {};
    return createIndex(row, column);
}

QModelIndex TreeViewProxyModel::parent(const QModelIndex&) const
{
    return {};
}

// The list is flat: every row's sibling is the row itself.
QModelIndex TreeViewProxyModel::sibling(int row, int column, const QModelIndex&) const
{
    return index(row, column);
}

int TreeViewProxyModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TreeViewProxyModel::columnCount(const QModelIndex& parent) const
{
    if (!sourceModel())
        return 0;
    return sourceModel()->columnCount(mapToSource(parent));
}

// The list is flat: only the invisible root has children (its rows).
bool TreeViewProxyModel::hasChildren(const QModelIndex& parent) const
{
    return !parent.isValid() && !m_rows.empty();
}

QVariant TreeViewProxyModel::data(const QModelIndex& index, int role) const
{
    switch (role) {
    case DepthRole:
    case HasChildrenRole:
    case IsExpandedRole:
    case CheckableRole:
    case CheckStateRole: {
        ItemPtr item = rowItem(index);
        if (!item)
            return role == DepthRole || role == CheckStateRole ? QVariant() : QVariant(false);
        if (role == DepthRole)
            return item->depth;
        if (role == HasChildrenRole)
            return sourceModel()->hasChildren(item->sourceIndex);
        if (role == IsExpandedRole)
            return item->isExpanded;
        if (role == CheckableRole)
            return isCheckable(item->sourceIndex);
        return item->checkState;
    }
    case IndexRole:
        return QVariant::fromValue(index);
    default:
        return QAbstractProxyModel::data(index, role);
    }
}

bool TreeViewProxyModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role == IsExpandedRole) {
        if (value.toBool())
            expand(index);
        else
            collapse(index);
        return true;
    }
    if (role == CheckStateRole) {
        bool ok = false;
        const int state = value.toInt(&ok);
        return setCheckState(index, Qt::CheckState(ok ? state : Qt::Unchecked));
    }
    return QAbstractProxyModel::setData(index, value, role);
}

QHash<int, QByteArray> TreeViewProxyModel::roleNames() const
{
    return m_roleNames;
}

void TreeViewProxyModel::setSourceModel(QAbstractItemModel* model)
{
    if (model == sourceModel())
        return;
    beginResetModel();
    for (const auto& connection : m_sourceConnections)
        disconnect(connection);
    m_sourceConnections.clear();
    QAbstractProxyModel::setSourceModel(model);
    rebuildRows();
    if (model) {
        m_sourceConnections = {
            connect(model, &QAbstractItemModel::rowsInserted, this, &TreeViewProxyModel::onRowsInserted),
            connect(model, &QAbstractItemModel::rowsRemoved, this, &TreeViewProxyModel::onRowsRemoved),
            connect(model, &QAbstractItemModel::columnsInserted, this, &TreeViewProxyModel::onColumnsInserted),
            connect(model, &QAbstractItemModel::columnsRemoved, this, &TreeViewProxyModel::onColumnsRemoved),
            connect(model, &QAbstractItemModel::modelReset, this, &TreeViewProxyModel::onModelReset),
            connect(model, &QAbstractItemModel::rowsMoved, this, &TreeViewProxyModel::onRowsMoved),
            connect(model, &QAbstractItemModel::columnsMoved, this, &TreeViewProxyModel::onColumnsMoved),
            connect(model, &QAbstractItemModel::dataChanged, this, &TreeViewProxyModel::onDataChanged),
            // A source destroyed before the view (QML tears down in any order)
            // must not leave rows on its freed items.
            connect(model, &QObject::destroyed, this, &TreeViewProxyModel::onSourceDestroyed),
        };
    }
    m_roleNames = model ? model->roleNames() : QHash<int, QByteArray>();
    m_roleNames.insert(DepthRole, "depth");
    m_roleNames.insert(HasChildrenRole, "hasChildren");
    m_roleNames.insert(IsExpandedRole, "isExpanded");
    m_roleNames.insert(CheckableRole, "checkable");
    m_roleNames.insert(CheckStateRole, "checkState");
    m_roleNames.insert(IndexRole, "index");
    m_roleNumbers.clear();
    for (auto it = m_roleNames.cbegin(); it != m_roleNames.cend(); ++it)
        m_roleNumbers.emplace(QString::fromUtf8(it.value()), it.key());
    m_rowsNumbered = false;
    endResetModel();
}

void TreeViewProxyModel::onSourceDestroyed()
{
    beginResetModel();
    m_sourceConnections.clear();
    m_visibleItems.clear();
    m_rows.clear();
    m_rowsNumbered = false;
    endResetModel();
}

void TreeViewProxyModel::rebuildRows()
{
    m_visibleItems.clear();
    m_rows.clear();
    m_rowsNumbered = false;
    QAbstractItemModel* source = sourceModel();
    if (!source)
        return;
    const int count = source->rowCount();
    for (int r = 0; r < count; ++r) {
        const QModelIndex sourceIndex = source->index(r, 0);
        if (!sourceIndex.isValid())
            continue;
        ItemPtr item = newRowItem(nullptr, sourceIndex, 0);
        addVisible(item);
        m_rows.push_back(item);
    }
}

QModelIndex TreeViewProxyModel::mapToSource(const QModelIndex& proxyIndex) const
{
    ItemPtr item = rowItem(proxyIndex);
    return item ? item->sourceIndex : QModelIndex();
}

QModelIndex TreeViewProxyModel::mapFromSource(const QModelIndex& sourceIndex) const
{
    numberRows();
    auto it = m_visibleItems.find(sourceIndex);
    if (it == m_visibleItems.end())
        return {};
    return index(it->second->row, 0);
}

void TreeViewProxyModel::numberRows() const
{
    if (m_rowsNumbered)
        return;
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        m_rows[i]->row = int(i);
    m_rowsNumbered = true;
}

TreeViewProxyModel::ItemPtr TreeViewProxyModel::rowItem(const QModelIndex& proxyIndex) const
{
    if (!proxyIndex.isValid() || proxyIndex.model() != this || proxyIndex.row() >= int(m_rows.size()))
        return {};
    return m_rows[std::size_t(proxyIndex.row())];
}

bool TreeViewProxyModel::isCheckable(const QModelIndex& sourceIndex) const
{
    return sourceModel() && (sourceModel()->flags(sourceIndex) & Qt::ItemIsUserCheckable);
}

void TreeViewProxyModel::addVisible(const ItemPtr& item)
{
    m_visibleItems[item->sourceIndex] = item;
}

bool TreeViewProxyModel::removeVisible(const ItemPtr& item)
{
    auto it = m_visibleItems.find(item->sourceIndex);
    if (it == m_visibleItems.end() || it->second != item)
        return false;
    m_visibleItems.erase(it);
    return true;
}

TreeViewProxyModel::ItemPtr TreeViewProxyModel::newRowItem(const ItemPtr& parent, const QModelIndex& sourceIndex,
                                                           int depth) const
{
    auto item = std::make_shared<Item>();
    item->parent = parent;
    item->sourceIndex = sourceIndex;
    item->depth = depth;
    return item;
}

void TreeViewProxyModel::notifyRow(const ItemPtr& item, const QVector<int>& roles)
{
    auto it = std::find(m_rows.begin(), m_rows.end(), item);
    if (it == m_rows.end())
        return;
    const QModelIndex rowIndex = index(int(it - m_rows.begin()), 0);
    emit dataChanged(rowIndex, rowIndex, roles);
}

QVariant TreeViewProxyModel::getData(const QModelIndex& index, const QString& role) const
{
    auto it = m_roleNumbers.find(role);
    if (it == m_roleNumbers.end())
        return {};
    return data(index, it->second);
}

void TreeViewProxyModel::expand(const QModelIndex& proxyIndex)
{
    ItemPtr item = rowItem(proxyIndex);
    if (!item || item->isExpanded)
        return;
    QAbstractItemModel* source = sourceModel();
    const QModelIndex s = item->sourceIndex;
    if (!source->hasChildren(s) || source->rowCount(s) < 1)
        return;

    std::vector<ItemPtr> newRows;
    if (!item->savedChildren.empty()) {
        // The remembered subtree, depth first, every remembered expanded row
        // showing its own children again.
        std::deque<ItemPtr> queue(item->savedChildren.begin(), item->savedChildren.end());
        item->savedChildren.clear();
        while (!queue.empty()) {
            ItemPtr entry = queue.front();
            queue.pop_front();
            if (entry->isExpanded) {
                queue.insert(queue.begin(), entry->savedChildren.begin(), entry->savedChildren.end());
                entry->savedChildren.clear();
            }
            addVisible(entry);
            newRows.push_back(entry);
        }
    } else {
        // The count is read again after each index: the first one loads the
        // level, and a load may deliver fewer children than it counted. Rows
        // are made only for indexes the source gives.
        for (int r = 0; r < source->rowCount(s); ++r) {
            const QModelIndex childIndex = source->index(r, 0, s);
            if (!childIndex.isValid())
                continue;
            ItemPtr child = newRowItem(item, childIndex, item->depth + 1);
            addVisible(child);
            newRows.push_back(child);
        }
        if (isCheckable(s) && item->checkState == Qt::Checked) {
            for (const ItemPtr& child : newRows)
                if (isCheckable(child->sourceIndex))
                    child->checkState = Qt::Checked;
        }
    }

    const int row = proxyIndex.row();
    if (newRows.empty()) {
        // The source had nothing to show after all: its expander must go.
        emit dataChanged(proxyIndex, proxyIndex, kHasChildrenRoles);
        return;
    }
    const int k = int(newRows.size());
    beginInsertRows(QModelIndex(), row + 1, row + k);
    m_rows.insert(m_rows.begin() + row + 1, newRows.begin(), newRows.end());
    endInsertRows();

    item->isExpanded = true;
    m_rowsNumbered = false;
    const QModelIndex rowIndex = index(row, 0);
    emit dataChanged(rowIndex, rowIndex, kExpandedRoles);
}

void TreeViewProxyModel::collapse(const QModelIndex& proxyIndex)
{
    ItemPtr item = rowItem(proxyIndex);
    if (!item || !item->isExpanded)
        return;
    const int row = proxyIndex.row();
    std::size_t end = std::size_t(row) + 1;
    for (; end < m_rows.size() && m_rows[end]->depth > item->depth; ++end) {
        const ItemPtr& descendant = m_rows[end];
        if (ItemPtr parent = descendant->parent.lock()) {
            if (!removeVisible(descendant))
                qWarning("TreeViewProxyModel::collapse: Error 1");
            parent->savedChildren.push_back(descendant);
        } else {
            qWarning("TreeViewProxyModel::collapse: Error 2");
        }
    }
    const int k = int(end) - row - 1;
    // Nothing worth remembering (no child was expanded, no check state below):
    // the next expansion reads the children from the source again. An
    // ancestor's state says whether any descendant is checked, checkable or not.
    if (k == int(item->savedChildren.size()) && item->checkState == Qt::Unchecked)
        item->savedChildren.clear();

    if (k > 0) {
        beginRemoveRows(QModelIndex(), row + 1, row + k);
        m_rows.erase(m_rows.begin() + row + 1, m_rows.begin() + row + 1 + k);
        endRemoveRows();
    }
    item->isExpanded = false;
    m_rowsNumbered = false;
    const QModelIndex rowIndex = index(row, 0);
    emit dataChanged(rowIndex, rowIndex, kExpandedRoles);
}

bool TreeViewProxyModel::isExpanded(const QModelIndex& index) const
{
    ItemPtr item = rowItem(index);
    return item && item->isExpanded;
}

void TreeViewProxyModel::expandAll()
{
    OverrideCursorGuard cursor(Qt::WaitCursor);
    for (int row = 0; row < rowCount(); ++row)
        expand(index(row, 0));
}

void TreeViewProxyModel::collapseAll()
{
    OverrideCursorGuard cursor(Qt::WaitCursor);
    int row = rowCount() - 1;
    while (row >= 0) {
        collapse(index(row, 0));
        row = std::min(rowCount(), row) - 1;
    }
}

bool TreeViewProxyModel::setCheckState(const QModelIndex& proxyIndex, Qt::CheckState checkState)
{
    ItemPtr item = rowItem(proxyIndex);
    if (!item || !isCheckable(item->sourceIndex))
        return false;
    if (checkState != Qt::Unchecked && checkState != Qt::Checked) {
        qWarning("TreeViewProxyModel::setCheckState: Invalid checkState");
        return false;
    }
    const int row = proxyIndex.row();
    item->checkState = checkState;

    // Downwards.
    if (item->isExpanded) {
        std::size_t end = std::size_t(row) + 1;
        for (; end < m_rows.size() && m_rows[end]->depth > item->depth; ++end) {
            Item& descendant = *m_rows[end];
            if (isCheckable(descendant.sourceIndex)) {
                descendant.checkState = checkState;
                if (!descendant.isExpanded)
                    applyToSaved(descendant, checkState);
            }
        }
        emit dataChanged(index(row, 0), index(int(end) - 1, 0), kCheckStateRoles);
    } else {
        applyToSaved(*item, checkState);
        emit dataChanged(proxyIndex, proxyIndex, kCheckStateRoles);
    }

    // Upwards: every ancestor from its direct children in the list.
    bool ok = true;
    int carried = checkState;
    int position = row;
    for (ItemPtr parent = item->parent.lock(); parent; parent = parent->parent.lock()) {
        int parentRow = position - 1;
        while (parentRow >= 0 && m_rows[std::size_t(parentRow)] != parent)
            --parentRow;
        if (parentRow < 0) {
            qCritical("setCheckState: Error 0x58956432");
            ok = false;
            break;
        }
        int state = Qt::PartiallyChecked;
        if (carried != Qt::PartiallyChecked) {
            int children = 0;
            int checked = 0;
            for (std::size_t i = std::size_t(parentRow) + 1; i < m_rows.size() && m_rows[i]->depth > parent->depth; ++i) {
                if (m_rows[i]->depth != parent->depth + 1)
                    continue;
                ++children;
                if (m_rows[i]->checkState == Qt::Checked)
                    ++checked;
            }
            state = checked == 0 ? Qt::Unchecked : checked == children ? Qt::Checked : Qt::PartiallyChecked;
        }
        if (state != parent->checkState) {
            parent->checkState = state;
            const QModelIndex parentIndex = index(parentRow, 0);
            emit dataChanged(parentIndex, parentIndex, kCheckStateRoles);
        }
        carried = state;
        position = parentRow;
    }

    if (!m_bulkCheck) {
        if (checkState == Qt::Checked)
            emit itemChecked(proxyIndex);
        else
            emit itemUnchecked(proxyIndex);
    }
    return ok;
}

void TreeViewProxyModel::applyToSaved(Item& item, int state)
{
    for (const ItemPtr& child : item.savedChildren) {
        if (!isCheckable(child->sourceIndex))
            continue;
        child->checkState = state;
        applyToSaved(*child, state);
    }
}

void TreeViewProxyModel::checkAll()
{
    m_bulkCheck = true;
    setAllCheckState(Qt::Checked);
    m_bulkCheck = false;
    emit allChecked();
}

void TreeViewProxyModel::uncheckAll()
{
    m_bulkCheck = true;
    setAllCheckState(Qt::Unchecked);
    m_bulkCheck = false;
    emit allUnchecked();
}

void TreeViewProxyModel::setAllCheckState(Qt::CheckState state)
{
    QAbstractItemModel* source = sourceModel();
    if (!source)
        return;
    const int count = source->rowCount();
    for (int r = 0; r < count; ++r) {
        const QModelIndex p = mapFromSource(source->index(r, 0));
        if (p.isValid())
            setCheckState(p, state);
        else
            qWarning("TreeViewProxyModel::setAllCheckState: Index error");
    }
}

TreeViewProxyModel::ItemPtr TreeViewProxyModel::findParentRow(const QModelIndex& sourceParent, const char* errorMapped,
                                                              const char* errorSearched)
{
    ItemPtr found;
    if (m_rowsNumbered) {
        found = rowItem(mapFromSource(sourceParent));
    } else {
        auto it = std::find_if(m_rows.begin(), m_rows.end(),
                               [&sourceParent](const ItemPtr& item) { return item->sourceIndex == sourceParent; });
        if (it != m_rows.end())
            found = *it;
    }
    if (!found) {
        qWarning("%s", m_rowsNumbered ? errorMapped : errorSearched);
        forgetSavedParent(sourceParent);
    }
    return found;
}

bool TreeViewProxyModel::findChildBlock(const QModelIndex& sourceParent, bool expanderChanged, const char* errorMapped,
                                        const char* errorSearched, ChildBlock& block)
{
    block = ChildBlock();
    if (!sourceParent.isValid())
        return true;
    block.parentItem = findParentRow(sourceParent, errorMapped, errorSearched);
    if (!block.parentItem)
        return false;
    if (!block.parentItem->isExpanded) {
        if (expanderChanged)
            notifyRow(block.parentItem, kHasChildrenRoles);
        block.parentItem->savedChildren.clear(); // they no longer match the source
        return false;
    }
    block.depth = block.parentItem->depth + 1;
    block.start = std::size_t(std::find(m_rows.begin(), m_rows.end(), block.parentItem) - m_rows.begin()) + 1;
    return true;
}

std::size_t TreeViewProxyModel::childRow(const ChildBlock& block, int n, int& passed) const
{
    passed = 0;
    std::size_t row = block.start;
    for (; row < m_rows.size() && m_rows[row]->depth >= block.depth; ++row) {
        if (m_rows[row]->depth == block.depth) {
            if (passed == n)
                break;
            ++passed;
        }
    }
    return row;
}

void TreeViewProxyModel::forgetSavedParent(const QModelIndex& sourceParent)
{
    std::function<bool(Item&)> forget = [&](Item& item) {
        for (const ItemPtr& child : item.savedChildren) {
            if (child->sourceIndex == sourceParent) {
                child->savedChildren.clear();
                child->isExpanded = false;
                return true;
            }
            if (forget(*child))
                return true;
        }
        return false;
    };
    for (const ItemPtr& row : m_rows)
        if (forget(*row))
            return;
}

void TreeViewProxyModel::rekeySiblings(std::size_t from, const ItemPtr& parentItem, int depth,
                                       const QModelIndex& sourceParent, int count, int shift)
{
    for (std::size_t i = from; i < m_rows.size() && count > 0 && m_rows[i]->depth >= depth; ++i) {
        const ItemPtr& sibling = m_rows[i];
        if (sibling->depth != depth || sibling->parent.lock() != parentItem)
            continue;
        if (!removeVisible(sibling))
            qWarning(shift > 0 ? "TreeViewProxyModel::onRowsInserted: Error 5"
                               : "TreeViewProxyModel::onRowsRemoved: Error 5");
        sibling->sourceIndex = sourceModel()->index(sibling->sourceIndex.row() + shift, 0, sourceParent);
        addVisible(sibling);
        --count;
    }
}

void TreeViewProxyModel::onRowsInserted(const QModelIndex& parent, int first, int last)
{
    QAbstractItemModel* source = sourceModel();
    const int k = last - first + 1;
    ChildBlock block;
    if (!findChildBlock(parent, source->rowCount(parent) == k, "TreeViewProxyModel::onRowsInserted: Error 1",
                        "TreeViewProxyModel::onRowsInserted: Error 2", block))
        return;
    const ItemPtr& parentItem = block.parentItem;
    const int depth = block.depth;
    int passed = 0;
    const std::size_t position = childRow(block, first, passed);
    if (passed != first) {
        qWarning("TreeViewProxyModel::onRowsInserted: Error 3");
        return;
    }

    const int moved = source->rowCount(parent) - last - 1;
    if (moved > 0 && !m_rows.empty()) {
        static bool logged = false;
        if (!logged) {
            logged = true;
            qWarning("TreeViewProxyModel::onRowsInserted: NEED DEBUG THIS CODE");
        }
        rekeySiblings(position, parentItem, depth, parent, moved, k);
    }

    std::vector<ItemPtr> newRows;
    for (int r = first; r <= last; ++r) {
        const QModelIndex sourceIndex = source->index(r, 0, parent);
        if (sourceIndex.isValid())
            newRows.push_back(newRowItem(parentItem, sourceIndex, depth));
    }
    if (newRows.empty())
        return;
    beginInsertRows(QModelIndex(), int(position), int(position + newRows.size()) - 1);
    for (const ItemPtr& item : newRows)
        addVisible(item);
    m_rows.insert(m_rows.begin() + std::ptrdiff_t(position), newRows.begin(), newRows.end());
    m_rowsNumbered = false;
    endInsertRows();
}

void TreeViewProxyModel::onRowsRemoved(const QModelIndex& parent, int first, int last)
{
    QAbstractItemModel* source = sourceModel();
    const int k = last - first + 1;
    if (!parent.isValid() && first == 0 && std::size_t(last) + 1 == m_rows.size()) {
        for (const ItemPtr& row : m_rows)
            row->sourceIndex = QModelIndex(); // their source items are gone
        beginRemoveRows(QModelIndex(), 0, int(m_rows.size()) - 1);
        m_visibleItems.clear();
        m_rows.clear();
        m_rowsNumbered = false;
        endRemoveRows();
        return;
    }

    ChildBlock block;
    if (!findChildBlock(parent, source->rowCount(parent) == 0, "TreeViewProxyModel::onRowsRemoved: Error 1",
                        "TreeViewProxyModel::onRowsRemoved: Error 2", block))
        return;
    const ItemPtr& parentItem = block.parentItem;
    const int depth = block.depth;
    int passed = 0;
    const std::size_t position = childRow(block, first, passed);
    if (passed != first || position == m_rows.size() || m_rows[position]->depth != depth) {
        qWarning("TreeViewProxyModel::onRowsRemoved: Error 3");
        return;
    }

    // The removed siblings with their visible descendants. Their source items
    // are gone already: they lose their source index before the view hears of
    // the removal, so nothing reads through a freed item.
    int taken = 0;
    std::size_t end = position;
    for (; end < m_rows.size() && m_rows[end]->depth >= depth; ++end) {
        Item& row = *m_rows[end];
        if (row.depth == depth) {
            if (taken == k)
                break;
            ++taken;
        }
        if (!removeVisible(m_rows[end]))
            qWarning("TreeViewProxyModel::onRowsRemoved: Error 4");
        row.sourceIndex = QModelIndex();
    }

    const int moved = source->rowCount(parent) - first;
    if (moved > 0)
        rekeySiblings(end, parentItem, depth, parent, moved, -k);

    beginRemoveRows(QModelIndex(), int(position), int(end) - 1);
    m_rows.erase(m_rows.begin() + std::ptrdiff_t(position), m_rows.begin() + std::ptrdiff_t(end));
    m_rowsNumbered = false;
    if (parentItem && source->rowCount(parent) == 0) {
        parentItem->isExpanded = false;
        endRemoveRows();
        notifyRow(parentItem, {HasChildrenRole, IsExpandedRole});
    } else {
        endRemoveRows();
    }
}

void TreeViewProxyModel::onColumnsInserted(const QModelIndex&, int, int)
{
    qWarning("TreeViewProxyModel::onColumnsInserted: NOT SUPPORTED");
}

void TreeViewProxyModel::onColumnsRemoved(const QModelIndex&, int, int)
{
    qWarning("TreeViewProxyModel::onColumnsRemoved: NOT SUPPORTED");
}

void TreeViewProxyModel::onModelReset()
{
    beginResetModel();
    rebuildRows();
    endResetModel();
}

void TreeViewProxyModel::onRowsMoved(const QModelIndex&, int, int, const QModelIndex&, int)
{
    qWarning("TreeViewProxyModel::onRowsMoved: NOT SUPPORTED");
}

void TreeViewProxyModel::onColumnsMoved(const QModelIndex&, int, int, const QModelIndex&, int)
{
    qWarning("TreeViewProxyModel::onColumnsMoved: NOT SUPPORTED");
}

void TreeViewProxyModel::onDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                       const QVector<int>& roles)
{
    const QModelIndex first = mapFromSource(topLeft);
    const QModelIndex last = bottomRight == topLeft ? first : mapFromSource(bottomRight);
    if (first.isValid() && last.isValid())
        emit dataChanged(first, last, roles);
    else
        qWarning("TreeViewProxyModel::onDataChanged: Error");
}
