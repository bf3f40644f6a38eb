#pragma once
// The reader's favorites folders as a lazily loaded catalogue tree: an
// all-favorites row, then the top-level folders, each folder's subfolders
// read when first needed. In search mode the top level holds the folders the
// catalogue filter found. The tree follows every folder change the favorites
// service announces, so it never needs a reload to stay current.

#include "favorites/FavoriteHelper.h"
#include "models/CatalogModelBase.h"

#include <memory>

class FavoritesCatalogModel : public CatalogModelBase
{
    Q_OBJECT

public:
    // A folder; without one, the all-favorites row.
    struct FolderItem : CatalogItem
    {
        std::shared_ptr<const FavoriteFolder> folder;
    };

    explicit FavoritesCatalogModel(QObject* parent = nullptr);
    ~FavoritesCatalogModel() override;

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    using TreeModelBase::loadRootItems;
    void loadRootItems(std::vector<TreeModelItemPtr>& items) override;
    void loadChildCount(const TreeModelItemPtr& item) const override;
    void loadChildren(const TreeModelItemPtr& item) const override;

    TarnolixConstants::CatalogTab catalogTab() const override { return TarnolixConstants::AllFavorites; }

public slots:
    void onFavoriteFoldersAdded(const FavoriteFolderConstArray& folders);
    void onFavoriteFoldersChanged(const FavoriteFolderConstArray& folders);
    void onFavoriteFoldersDeleted(const FavoriteFolderConstArray& folders);

protected:
    const char* loadErrorText() const override;

private:
    static std::shared_ptr<FolderItem> makeItem(std::shared_ptr<const FavoriteFolder> folder);
    // Shows `folder` where its parent says: at the end of the top level, as
    // the last child of a loaded parent, or as one more row of a parent whose
    // rows are only counted.
    void addFolder(const std::shared_ptr<const FavoriteFolder>& folder);
    // Shows a folder that changed its parent (or may have) under the new
    // parent, when that parent's rows are loaded and lack it.
    void placeUnderLoadedParent(const std::shared_ptr<const FavoriteFolder>& folder);
    // Sets the count of every counted, unloaded folder to what the library
    // holds: after a change to a folder that is not loaded, no row is
    // promised where it left nor missing where it arrived.
    void recountUnloaded();
    void setUnloadedCount(const QModelIndex& index, const TreeModelItemPtr& item, int count);
    // The first loaded item of the folder, breadth first.
    std::optional<ItemInfo> findFolder(const QUuid& uuid);
    // Whether the loaded rows under `parent` show the folder.
    bool hasChildFolder(const QModelIndex& parent, const QUuid& uuid) const;
    void retranslate();
};
