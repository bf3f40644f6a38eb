#include "models/FavoritesCatalogModel.h"

#include "core/Exception.h"
#include "core/TranslatorMngr.h"
#include "database/TarnolixDB.h"
#include "favorites/FavoritesServices.h"

#include <QPersistentModelIndex>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

using C = TarnolixConstants;

namespace {

FavoriteHelper* favoriteHelper()
{
    FavoritesServices* services = FavoritesServices::current();
    return services ? services->favoriteHelper() : nullptr;
}

} // namespace

FavoritesCatalogModel::FavoritesCatalogModel(QObject* parent)
    : CatalogModelBase(parent)
{
    if (FavoriteHelper* helper = favoriteHelper()) {
        connect(helper, &FavoriteHelper::favoriteFoldersAdded, this, &FavoritesCatalogModel::onFavoriteFoldersAdded);
        connect(helper, &FavoriteHelper::favoriteFoldersChanged, this,
                &FavoritesCatalogModel::onFavoriteFoldersChanged);
        connect(helper, &FavoriteHelper::favoriteFoldersDeleted, this,
                &FavoritesCatalogModel::onFavoriteFoldersDeleted);
    } else {
        qWarning("FavoritesCatalogModel: no favorites service, folder changes are not followed");
    }
    if (FavoritesServices* services = FavoritesServices::current()) {
        if (TranslatorMngr* translator = services->translatorMngr())
            connect(translator, &TranslatorMngr::languageChanged, this, &FavoritesCatalogModel::retranslate);
    }
}

FavoritesCatalogModel::~FavoritesCatalogModel() = default;

std::shared_ptr<FavoritesCatalogModel::FolderItem> FavoritesCatalogModel::makeItem(
    std::shared_ptr<const FavoriteFolder> folder)
{
    auto item = std::make_shared<FolderItem>();
    item->type = C::FavoriteFolder;
    item->folder = std::move(folder);
    return item;
}

QVariant FavoritesCatalogModel::data(const QModelIndex& index, int role) const
{
    if (role == IsBookRole)
        return false;
    if (role == GetIndexRole)
        return QVariant::fromValue(index);
    const std::shared_ptr<FolderItem> item = catalogItem<FolderItem>(index);
    if (!item)
        return {};
    switch (role) {
    case TypeRole:
        return int(item->type);
    case Qt::DisplayRole:
    case DisplayTextRole:
        return item->folder ? item->folder->name() : tr("Всё избранное");
    case IdRole:
        return item->folder ? TarnolixDB::uuidToString(item->folder->uuid()) : QStringLiteral("");
    default:
        return {};
    }
}

void FavoritesCatalogModel::loadRootItems(std::vector<TreeModelItemPtr>& items)
{
    guardRoots([&] {
        setTotalCount(db().selectFavoritesCount());
        if (searchMode()) {
            FavoriteHelper* helper = favoriteHelper();
            const auto result = helper ? helper->searchResult() : nullptr;
            if (!result)
                throw Exception("ERROR 0x55781465");
            for (const auto& folder : result->folders)
                items.push_back(makeItem(folder));
            return;
        }
        items.push_back(makeItem(nullptr));
        for (const auto& folder : db().selectFavoriteFolders(QUuid()))
            items.push_back(makeItem(folder));
    });
}

void FavoritesCatalogModel::loadChildCount(const TreeModelItemPtr& item) const
{
    guardCount(item, [&] {
        const auto folder = itemAs<FolderItem>(item)->folder;
        return folder ? db().selectFavoriteFoldersCount(folder->uuid()) : 0;
    });
}

void FavoritesCatalogModel::loadChildren(const TreeModelItemPtr& item) const
{
    const QuietCursor quiet(database());
    guardLoad(item, [&] {
        const auto folder = itemAs<FolderItem>(item)->folder;
        if (!folder) {
            qWarning("categoryItem->favoriteFolder=0");
            return;
        }
        const auto children = db().selectFavoriteFolders(folder->uuid());
        item->children.reserve(children.size());
        for (const auto& child : children)
            adopt(item, makeItem(child));
    });
}

const char* FavoritesCatalogModel::loadErrorText() const
{
    return "Ошибка при загрузке каталога избранного: %1";
}

void FavoritesCatalogModel::onFavoriteFoldersAdded(const FavoriteFolderConstArray& folders)
{
    qDebug("FavoritesCatalogModel::onFavoriteFoldersAdded");
    for (const auto& folder : folders) {
        if (folder)
            addFolder(folder);
    }
}

namespace {

using Item = FavoritesCatalogModel::FolderItem;

// The folder of a loaded item; null for the all-favorites row.
const FavoriteFolder* folderOf(const TreeModelBase::TreeModelItemPtr& item)
{
    const auto* own = dynamic_cast<const Item*>(item.get());
    return own ? own->folder.get() : nullptr;
}

} // namespace

bool FavoritesCatalogModel::hasChildFolder(const QModelIndex& parent, const QUuid& uuid) const
{
    const int rows = rowCount(parent);
    for (int row = 0; row < rows; ++row) {
        const FavoriteFolder* folder = folderOf(getItem(index(row, 0, parent)));
        if (folder && folder->uuid() == uuid)
            return true;
    }
    return false;
}

std::optional<TreeModelBase::ItemInfo> FavoritesCatalogModel::findFolder(const QUuid& uuid)
{
    return forEach([&](const ItemInfo& info) {
        const FavoriteFolder* folder = folderOf(info.item);
        return folder && folder->uuid() == uuid;
    });
}

void FavoritesCatalogModel::addFolder(const std::shared_ptr<const FavoriteFolder>& folder)
{
    const QUuid parentUuid = folder->parentUuid();
    if (parentUuid.isNull()) {
        insertItem(QModelIndex(), rowCount(), makeItem(folder));
        return;
    }
    const auto parent = findFolder(parentUuid);
    if (!parent) {
        qDebug("FavoritesCatalogModel::onFavoriteFoldersAdded: parent folder not found");
        return;
    }
    const TreeModelItemPtr& item = parent->item;
    if (item->childrenLoaded()) {
        if (!hasChildFolder(parent->index, folder->uuid()))
            insertItem(parent->index, item->childCount, makeItem(folder));
    } else if (item->countKnown()) {
        // A view that asks for the neighbours meanwhile loads the children,
        // which already hold the folder: the count is set, not raised.
        const int count = item->childCount;
        beginInsertRows(parent->index, count, count);
        item->childCount = count + 1;
        endInsertRows();
    }
}

void FavoritesCatalogModel::placeUnderLoadedParent(const std::shared_ptr<const FavoriteFolder>& folder)
{
    const QUuid parentUuid = folder->parentUuid();
    if (parentUuid.isNull()) {
        // The top level is whole only outside search mode, and only once read.
        if (!searchMode() && rowCount() > 0 && !hasChildFolder(QModelIndex(), folder->uuid()))
            insertItem(QModelIndex(), rowCount(), makeItem(folder));
        return;
    }
    const auto parent = findFolder(parentUuid);
    if (parent && parent->item->childrenLoaded() && !hasChildFolder(parent->index, folder->uuid()))
        insertItem(parent->index, parent->item->childCount, makeItem(folder));
}

void FavoritesCatalogModel::onFavoriteFoldersChanged(const FavoriteFolderConstArray& folders)
{
    std::map<QUuid, std::shared_ptr<const FavoriteFolder>> changed;
    for (const auto& folder : folders) {
        if (folder)
            changed.emplace(folder->uuid(), folder);
    }

    std::set<QUuid> seen;
    std::set<QUuid> movedUuids;
    std::vector<QPersistentModelIndex> moved;
    forEach([&](const ItemInfo& info) {
        auto* item = dynamic_cast<Item*>(info.item.get());
        if (!item || !item->folder)
            return;
        const auto it = changed.find(item->folder->uuid());
        if (it == changed.end())
            return;
        seen.insert(it->first);
        // A search result stands at the top for matching the filter, not for
        // where it is kept: only rows shown under their parent move.
        const bool underItsParent = info.parentIndex.isValid() || !searchMode();
        const bool parentChanged = item->folder->parentUuid() != it->second->parentUuid();
        item->folder = it->second;
        if (underItsParent && parentChanged) {
            moved.emplace_back(info.index);
            movedUuids.insert(it->first);
        } else {
            emit dataChanged(info.index, info.index, {});
        }
    });

    // A move is a removal and an insertion. A folder that was not loaded may
    // have moved too: it shows where its new parent's rows are loaded, and
    // counted rows follow the library.
    for (const QPersistentModelIndex& index : moved) {
        if (index.isValid())
            removeItem(index);
    }
    bool unseen = false;
    for (const auto& [uuid, folder] : changed) {
        const bool wasLoaded = seen.count(uuid) != 0;
        if (wasLoaded && !movedUuids.count(uuid))
            continue;
        unseen |= !wasLoaded;
        placeUnderLoadedParent(folder);
    }
    if (unseen || !moved.empty())
        recountUnloaded();
}

void FavoritesCatalogModel::recountUnloaded()
{
    std::vector<std::pair<QPersistentModelIndex, TreeModelItemPtr>> counted;
    forEach([&](const ItemInfo& info) {
        if (folderOf(info.item) && info.item->countKnown() && !info.item->childrenLoaded())
            counted.emplace_back(info.index, info.item);
    });
    for (const auto& [index, item] : counted) {
        if (!index.isValid() || !item->countKnown() || item->childrenLoaded())
            continue;
        int count = 0;
        try {
            const QuietCursor quiet(database());
            count = db().selectFavoriteFoldersCount(folderOf(item)->uuid());
        } catch (const std::exception& e) {
            showLoadError(e);
            continue;
        }
        setUnloadedCount(index, item, count);
    }
}

void FavoritesCatalogModel::setUnloadedCount(const QModelIndex& index, const TreeModelItemPtr& item, int count)
{
    // The rows of an unloaded folder are all alike, so they come and go at
    // the end: a view that reads the neighbours during the notice loads the
    // children and finds there the rows it expects.
    const int old = item->childCount;
    if (count < old) {
        beginRemoveRows(index, count, old - 1);
        item->childCount = count;
        endRemoveRows();
    } else if (count > old) {
        beginInsertRows(index, old, count - 1);
        item->childCount = count;
        endInsertRows();
    }
}

void FavoritesCatalogModel::onFavoriteFoldersDeleted(const FavoriteFolderConstArray& folders)
{
    std::map<QUuid, bool> seen;
    for (const auto& folder : folders) {
        if (folder)
            seen.emplace(folder->uuid(), false);
    }
    removeIf([&](const ItemInfo& info) {
        const FavoriteFolder* folder = folderOf(info.item);
        if (!folder)
            return false;
        const auto it = seen.find(folder->uuid());
        if (it == seen.end())
            return false;
        it->second = true;
        return true;
    });

    // Deleted folders that were never loaded were only counted under their
    // parent, if at all: each lowers that count by one.
    std::map<QUuid, int> lost;
    std::set<QUuid> done;
    for (const auto& folder : folders) {
        if (folder && !seen[folder->uuid()] && done.insert(folder->uuid()).second)
            ++lost[folder->parentUuid()];
    }
    lost.erase(QUuid());
    if (lost.empty())
        return;
    std::vector<std::pair<QPersistentModelIndex, int>> lower;
    forEach([&](const ItemInfo& info) {
        const FavoriteFolder* folder = folderOf(info.item);
        if (!folder || !info.item->countKnown() || info.item->childrenLoaded())
            return;
        const auto it = lost.find(folder->uuid());
        if (it != lost.end())
            lower.emplace_back(info.index, it->second);
    });
    for (const auto& [index, n] : lower) {
        const TreeModelItemPtr item = getItem(index);
        if (item && item->countKnown() && !item->childrenLoaded())
            setUnloadedCount(index, item, std::max(0, item->childCount - n));
    }
}

void FavoritesCatalogModel::retranslate()
{
    if (searchMode() || rowCount() == 0)
        return;
    const QModelIndex first = index(0, 0);
    emit dataChanged(first, first, {DisplayTextRole});
}
