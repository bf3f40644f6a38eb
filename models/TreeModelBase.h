#pragma once
// The lazily loaded tree model behind every catalogue, favorites and search
// result tree. A node costs its data source at most one count (the first
// rowCount or hasChildren on it) and one load of all its children at once (the
// first index into it); loaded items stay until they are removed or the model
// is cleared. Concrete models implement the four loading hooks.

#include <QAbstractItemModel>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

class TarnolixDB;

class TreeModelBase : public QAbstractItemModel
{
    Q_OBJECT

public:
    // Made with std::make_shared only: an index keeps the raw pointer and the
    // model hands out the item's own shared pointer from it.
    struct TreeModelItem : std::enable_shared_from_this<TreeModelItem>
    {
        enum StateBit : std::uint32_t {
            CountKnown = 0x1,     // childCount is valid
            ChildrenLoaded = 0x2, // children holds the children (CountKnown is set too)
        };

        virtual ~TreeModelItem();

        bool countKnown() const { return state & CountKnown; }
        bool childrenLoaded() const { return state & ChildrenLoaded; }

        std::weak_ptr<TreeModelItem> parent; // empty for root items
        std::vector<std::shared_ptr<TreeModelItem>> children;
        std::int32_t childCount = 0;
        std::uint32_t state = 0;
    };
    using TreeModelItemPtr = std::shared_ptr<TreeModelItem>;

    // What the traversals hand their callbacks.
    struct ItemInfo
    {
        QModelIndex parentIndex; // invalid for root items
        QModelIndex index;
        TreeModelItemPtr item;
    };

    TreeModelBase(std::shared_ptr<TarnolixDB> db, QObject* parent);
    // On the GUI thread's library connection of the open account (none when
    // no account is open).
    explicit TreeModelBase(QObject* parent = nullptr);
    ~TreeModelBase() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The root-items hook: fills `items` with the new root items in row order.
    virtual void loadRootItems(std::vector<TreeModelItemPtr>& items) = 0;
    // Counts the item's children first when their number is not known yet.
    virtual bool itemHasChildren(const TreeModelItemPtr& item) const;
    // Must set childCount and CountKnown, counting exactly what loadChildren creates.
    virtual void loadChildCount(const TreeModelItemPtr& item) const = 0;
    // Must replace children (each with `parent` set to the item), set
    // childCount to their number and set both state bits.
    virtual void loadChildren(const TreeModelItemPtr& item) const = 0;

    // Drops every root item (one remove notice, none when empty).
    Q_INVOKABLE void clear();
    // clear(), then the hook's root items (one insert notice when there are any).
    Q_INVOKABLE void loadRootItems();

    // Inserts `item` at `row` under a loaded parent (the root for an invalid
    // parentIndex); an unloaded parent gets its children from the source.
    bool insertItem(const QModelIndex& parentIndex, int row, const TreeModelItemPtr& item);
    // Removes the item with its subtree.
    bool removeItem(const QModelIndex& index);

    // Breadth-first over the loaded part of the tree only: never counts or
    // loads, so it sees what the views have opened.
    void forEach(const std::function<void(const ItemInfo&)>& callback);
    // The same walk, ending at the first item the callback accepts.
    std::optional<ItemInfo> forEach(const std::function<bool(const ItemInfo&)>& callback);
    // Picks the form above by the callback's result (a lambda converts to both).
    template <typename Callback>
    auto forEach(Callback&& callback)
    {
        using Result = std::invoke_result_t<Callback&, const ItemInfo&>;
        if constexpr (std::is_same_v<Result, bool>)
            return findLoaded(std::forward<Callback>(callback));
        else
            visitLoaded(std::forward<Callback>(callback));
    }
    // Removes every loaded item the callback accepts, without descending into it.
    void removeIf(const std::function<bool(const ItemInfo&)>& callback);

    const std::shared_ptr<TarnolixDB>& database() const { return m_db; }

protected:
    // Empty for an index that is invalid, fails checkIndex or has no item.
    TreeModelItemPtr getItem(const QModelIndex& index,
                             CheckIndexOptions options = CheckIndexOption::IndexIsValid) const;

private:
    enum class Walk { Descend, Stop, Removed, RemoveFailed };
    void visitLoaded(const std::function<void(const ItemInfo&)>& callback);
    std::optional<ItemInfo> findLoaded(const std::function<bool(const ItemInfo&)>& callback);
    template <typename Visit>
    void walkLoaded(Visit&& visit, const char* getItemWarning);

    std::shared_ptr<TarnolixDB> m_db;
    std::vector<TreeModelItemPtr> m_rootItems;
};
