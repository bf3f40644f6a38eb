#pragma once
// Shows a tree model as the flat list of its visible rows for a QML ListView:
// the top-level rows and, under every expanded row, its children, depth first.
// Each row has a depth, an expanded state and a tri-state check state that
// propagates down to descendants and up to ancestors. A collapsed row keeps
// its subtree (expanded rows and check states) only while that carries state.

#include <QAbstractProxyModel>
#include <QHash>
#include <QModelIndex>

#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

class TreeViewProxyModel : public QAbstractProxyModel
{
    Q_OBJECT

public:
    // Numbered apart from any source's roles (which start at Qt::UserRole).
    enum Role {
        DepthRole = 10256,
        HasChildrenRole = 10257,
        IsExpandedRole = 10258,
        CheckableRole = 10259,
        CheckStateRole = 10260,
        IndexRole = 10261,
    };

    struct Item
    {
        std::weak_ptr<Item> parent; // empty at depth 0
        QModelIndex sourceIndex;    // column 0
        int depth = 0;
        bool isExpanded = false;
        int checkState = Qt::Unchecked;
        int row = -1;                                 // position in the rows while they are numbered
        std::vector<std::shared_ptr<Item>> savedChildren; // kept while collapsed
    };
    using ItemPtr = std::shared_ptr<Item>;

    explicit TreeViewProxyModel(QObject* parent = nullptr);
    ~TreeViewProxyModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    QModelIndex sibling(int row, int column, const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QHash<int, QByteArray> roleNames() const override;

    void setSourceModel(QAbstractItemModel* model) override;
    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;

    Q_INVOKABLE QVariant getData(const QModelIndex& index, const QString& role) const;
    Q_INVOKABLE void expand(const QModelIndex& proxyIndex);
    Q_INVOKABLE void collapse(const QModelIndex& proxyIndex);
    Q_INVOKABLE bool isExpanded(const QModelIndex& index) const;
    Q_INVOKABLE void expandAll();
    Q_INVOKABLE void collapseAll();
    Q_INVOKABLE bool setCheckState(const QModelIndex& proxyIndex, Qt::CheckState checkState);
    Q_INVOKABLE void checkAll();
    Q_INVOKABLE void uncheckAll();

    void setAllCheckState(Qt::CheckState state);

signals:
    void itemChecked(QModelIndex proxyIndex);
    void itemUnchecked(QModelIndex proxyIndex);
    void allChecked();
    void allUnchecked();

public slots:
    void onRowsInserted(const QModelIndex& parent, int first, int last);
    void onRowsRemoved(const QModelIndex& parent, int first, int last);
    void onColumnsInserted(const QModelIndex& parent, int first, int last);
    void onColumnsRemoved(const QModelIndex& parent, int first, int last);
    void onModelReset();
    void onRowsMoved(const QModelIndex& parent, int start, int end, const QModelIndex& destination, int row);
    void onColumnsMoved(const QModelIndex& parent, int start, int end, const QModelIndex& destination, int column);
    void onDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QVector<int>& roles);

private:
    struct IndexHash
    {
        std::size_t operator()(const QModelIndex& index) const;
    };

    void rebuildRows();
    void onSourceDestroyed();
    void numberRows() const;
    ItemPtr rowItem(const QModelIndex& proxyIndex) const;
    bool isCheckable(const QModelIndex& sourceIndex) const;
    void addVisible(const ItemPtr& item);
    bool removeVisible(const ItemPtr& item);
    ItemPtr newRowItem(const ItemPtr& parent, const QModelIndex& sourceIndex, int depth) const;
    void applyToSaved(Item& item, int state);
    // The row item of a source parent, or (error) none: warns with errorMapped
    // or errorSearched by how it looked.
    ItemPtr findParentRow(const QModelIndex& sourceParent, const char* errorMapped, const char* errorSearched);
    // Where the children of a changed source parent lie in the list: the
    // parent's row (none at the top), their depth and the row after the
    // parent. False when they are not in the list: the parent is no row, or
    // is collapsed (its saved rows are forgotten, its expander told when the
    // change gave it its first children or took its last).
    struct ChildBlock
    {
        ItemPtr parentItem;
        int depth = 0;
        std::size_t start = 0;
    };
    bool findChildBlock(const QModelIndex& sourceParent, bool expanderChanged, const char* errorMapped,
                        const char* errorSearched, ChildBlock& block);
    // The row of the block's n-th child, else the end of the block; `passed`
    // counts the children before it.
    std::size_t childRow(const ChildBlock& block, int n, int& passed) const;
    // A source change under a parent that is no row: a remembered subtree
    // holding that parent no longer matches the source, so its row forgets it.
    void forgetSavedParent(const QModelIndex& sourceParent);
    // Gives the following siblings of a changed source block their new rows.
    void rekeySiblings(std::size_t from, const ItemPtr& parentItem, int depth, const QModelIndex& sourceParent,
                       int count, int shift);
    void notifyRow(const ItemPtr& item, const QVector<int>& roles);

    QHash<int, QByteArray> m_roleNames;
    std::map<QString, int> m_roleNumbers;
    std::unordered_map<QModelIndex, ItemPtr, IndexHash> m_visibleItems;
    std::vector<ItemPtr> m_rows;
    bool m_bulkCheck = false;
    mutable bool m_rowsNumbered = false;
    std::vector<QMetaObject::Connection> m_sourceConnections;
};
