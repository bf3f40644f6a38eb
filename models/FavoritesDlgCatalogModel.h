#pragma once
// The folder chooser of the dialogs that place favorites: an all-favorites
// row (the top level as a target), a create-folder row at the top and at the
// head of every first- and second-level folder, and the folders, read lazily.
// The dialog's own changes go straight into the loaded tree; a change made
// anywhere else only marks the tree for a reload at the next init, so an
// open dialog never loses what the reader has expanded.

#include "favorites/FavoriteHelper.h"
#include "models/TreeModelBase.h"

#include <QVariant>

#include <exception>
#include <memory>

class FavoritesDlgCatalogModel : public TreeModelBase
{
    Q_OBJECT

public:
    enum Role {
        IsRootCatalogItemRole = Qt::UserRole,
        IsCreateFolderItemRole,
        IsFolderItemRole,
        IdRole,
        DisplayTextRole,
    };
    Q_ENUM(Role)

    struct FavoriteFolderItem : TreeModelItem
    {
        enum Kind { RootCatalogItem = 0, CreateFolderItem = 1, FolderItem = 2 };

        Kind kind = FolderItem;
        std::shared_ptr<const FavoriteFolder> folder; // FolderItem only
    };

    explicit FavoritesDlgCatalogModel(QObject* parent = nullptr);
    ~FavoritesDlgCatalogModel() override;

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QHash<int, QByteArray> roleNames() const override;

    using TreeModelBase::loadRootItems;
    void loadRootItems(std::vector<TreeModelItemPtr>& items) override;
    void loadChildCount(const TreeModelItemPtr& item) const override;
    void loadChildren(const TreeModelItemPtr& item) const override;

    // Reloads the tree when a change made elsewhere marked it.
    Q_INVOKABLE void init();
    // The UUIDs from the top-level folder down to the folder; an invalid
    // value on failure.
    Q_INVOKABLE QVariant getPathToFolder(const QString& folderUuid);
    // Creates a folder where the create-folder row `index` stands and shows
    // it last among its siblings: the new row's index, or false on failure.
    Q_INVOKABLE QVariant createFolder(const QModelIndex& index, const QString& name);
    // Deletes the folder with its subfolders and their favorites.
    Q_INVOKABLE bool removeFolder(const QModelIndex& index);
    // Whether the folder holds a subfolder or a favorite.
    Q_INVOKABLE bool hasFoldersOrFavorites(const QModelIndex& index);

    bool reloadNeeded() const { return m_reloadNeeded; }

public slots:
    void onFavoriteFoldersAdded(const FavoriteFolderConstArray& folders);
    void onFavoriteFoldersChanged(const FavoriteFolderConstArray& folders);
    void onFavoriteFoldersDeleted(const FavoriteFolderConstArray& folders);

private:
    using ItemPtr = std::shared_ptr<FavoriteFolderItem>;
    static ItemPtr makeItem(FavoriteFolderItem::Kind kind, std::shared_ptr<const FavoriteFolder> folder = {});
    ItemPtr folderItem(const QModelIndex& index) const;
    // A folder at the top level or one below it offers a create-folder row.
    static bool offersCreateRow(const TreeModelItemPtr& item);
    void markReload();
    // Runs a change of the favorites service whose signals are our own.
    template <typename Change>
    auto ownChange(Change&& change);
    // Tells the reader, with `text` translated and %1 the failure.
    static void tell(const char* text, const std::exception& error);

    bool m_reloadNeeded = true;
    bool m_ownChange = false;
    bool m_rootsFailed = false;
};
