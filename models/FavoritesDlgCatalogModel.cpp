#include "models/FavoritesDlgCatalogModel.h"

#include "models/CatalogModelBase.h"

#include "core/Exception.h"
#include "database/DatabasePool.h"
#include "database/ItemPathBuilder.h"
#include "database/TarnolixDB.h"
#include "favorites/FavoritesServices.h"

#include <QCoreApplication>
#include <QStringList>
#include <QtDebug>

using C = TarnolixConstants;
using Item = FavoritesDlgCatalogModel::FavoriteFolderItem;

namespace {

constexpr const char* kContext = "FavoritesDlgCatalogModel";

FavoriteHelper* favoriteHelper()
{
    FavoritesServices* services = FavoritesServices::current();
    return services ? services->favoriteHelper() : nullptr;
}

FavoriteHelper& requireHelper()
{
    FavoriteHelper* helper = favoriteHelper();
    if (!helper)
        throw Exception("The favorites service is not available");
    return *helper;
}

TarnolixDB& requireDb(const std::shared_ptr<TarnolixDB>& db)
{
    if (!db)
        throw Exception("The account library is not open");
    return *db;
}

void showMessage(const QString& message)
{
    if (FavoritesServices* services = FavoritesServices::current())
        services->postShowError(message);
    else
        qCritical("%s", qUtf8Printable(message));
}

// A failed count or load leaves the node as never read, so the row count
// never promises children that cannot be given and the next access retries.
void forget(const TreeModelBase::TreeModelItemPtr& item)
{
    item->children.clear();
    item->childCount = 0;
    item->state &= ~(TreeModelBase::TreeModelItem::CountKnown | TreeModelBase::TreeModelItem::ChildrenLoaded);
}

constexpr const char* kLoadError = "Ошибка при загрузке каталога избранного: %1";

} // namespace

FavoritesDlgCatalogModel::FavoritesDlgCatalogModel(QObject* parent)
    : TreeModelBase(parent)
{
    if (FavoriteHelper* helper = favoriteHelper()) {
        connect(helper, &FavoriteHelper::favoriteFoldersAdded, this,
                &FavoritesDlgCatalogModel::onFavoriteFoldersAdded);
        connect(helper, &FavoriteHelper::favoriteFoldersChanged, this,
                &FavoritesDlgCatalogModel::onFavoriteFoldersChanged);
        connect(helper, &FavoriteHelper::favoriteFoldersDeleted, this,
                &FavoritesDlgCatalogModel::onFavoriteFoldersDeleted);
    } else {
        qWarning("FavoritesDlgCatalogModel: no favorites service, folder changes are not followed");
    }
}

FavoritesDlgCatalogModel::~FavoritesDlgCatalogModel() = default;

FavoritesDlgCatalogModel::ItemPtr FavoritesDlgCatalogModel::makeItem(FavoriteFolderItem::Kind kind,
                                                                   std::shared_ptr<const FavoriteFolder> folder)
{
    auto item = std::make_shared<FavoriteFolderItem>();
    item->kind = kind;
    item->folder = std::move(folder);
    return item;
}

FavoritesDlgCatalogModel::ItemPtr FavoritesDlgCatalogModel::folderItem(const QModelIndex& index) const
{
    return std::dynamic_pointer_cast<FavoriteFolderItem>(getItem(index));
}

bool FavoritesDlgCatalogModel::offersCreateRow(const TreeModelItemPtr& item)
{
    const TreeModelItemPtr parent = item->parent.lock();
    return !parent || !parent->parent.lock();
}

void FavoritesDlgCatalogModel::tell(const char* text, const std::exception& error)
{
    showMessage(QCoreApplication::translate(kContext, text).arg(QString::fromUtf8(error.what())));
}

QHash<int, QByteArray> FavoritesDlgCatalogModel::roleNames() const
{
    static const QHash<int, QByteArray> names{
        {IsRootCatalogItemRole, "isRootCatalogItem"},
        {IsCreateFolderItemRole, "isCreateFolderItem"},
        {IsFolderItemRole, "isFolderItem"},
        {IdRole, "id"},
        {DisplayTextRole, "display"},
    };
    return names;
}

QVariant FavoritesDlgCatalogModel::data(const QModelIndex& index, int role) const
{
    const ItemPtr item = folderItem(index);
    if (!item)
        return {};
    switch (role) {
    case IsRootCatalogItemRole:
        return item->kind == Item::RootCatalogItem;
    case IsCreateFolderItemRole:
        return item->kind == Item::CreateFolderItem;
    case IsFolderItemRole:
        return item->kind == Item::FolderItem;
    case IdRole:
        if (item->kind == Item::RootCatalogItem) {
            qWarning("FavoritesDlgCatalogModel::data: id not exists for RootCatalogItem");
            return {};
        }
        if (item->kind == Item::CreateFolderItem) {
            qWarning("FavoritesDlgCatalogModel::data: id not exists for CreateFolderItem");
            return {};
        }
        return item->folder ? TarnolixDB::uuidToString(item->folder->uuid()) : QVariant();
    case Qt::DisplayRole:
    case DisplayTextRole:
        switch (item->kind) {
        case Item::RootCatalogItem:
            return QCoreApplication::translate(kContext, "Всё избранное");
        case Item::CreateFolderItem:
            return QCoreApplication::translate(kContext, "Создать папку");
        case Item::FolderItem:
            return item->folder ? item->folder->name() : QVariant();
        }
        return {};
    default:
        return {};
    }
}

template <typename Change>
auto FavoritesDlgCatalogModel::ownChange(Change&& change)
{
    struct Mark
    {
        bool& flag;
        explicit Mark(bool& f) : flag(f) { flag = true; }
        ~Mark() { flag = false; }
    } mark(m_ownChange);
    return change();
}

bool FavoritesDlgCatalogModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::DisplayRole && role != DisplayTextRole)
        return false;
    try {
        const ItemPtr item = folderItem(index);
        if (!item)
            throw Exception("ERROR 0x5987541F");
        if (item->kind != Item::FolderItem || !item->folder)
            throw Exception("ERROR 0x5987541C");
        const QString name = value.toString();
        if (name == item->folder->name())
            return false;
        // Listeners may hold the record shown: the new name goes on a copy.
        auto renamed = std::make_shared<FavoriteFolder>(*item->folder);
        renamed->setName(name);
        item->folder = ownChange([&] { return requireHelper().updateFolder(renamed); });
        emit dataChanged(index, index, {role});
        return true;
    } catch (const std::exception& e) {
        tell("Не удалось переименовать папку: %1", e);
        return false;
    }
}

void FavoritesDlgCatalogModel::loadRootItems(std::vector<TreeModelItemPtr>& items)
{
    m_rootsFailed = false;
    items.push_back(makeItem(Item::RootCatalogItem));
    items.push_back(makeItem(Item::CreateFolderItem));
    try {
        for (const auto& folder : requireDb(database()).selectFavoriteFolders(QUuid()))
            items.push_back(makeItem(Item::FolderItem, folder));
    } catch (const std::exception& e) {
        m_rootsFailed = true;
        tell(kLoadError, e);
    }
}

void FavoritesDlgCatalogModel::loadChildCount(const TreeModelItemPtr& item) const
{
    const CatalogModelBase::QuietCursor quiet(database());
    try {
        const auto* own = dynamic_cast<const FavoriteFolderItem*>(item.get());
        int count = 0;
        if (own && own->kind == Item::FolderItem && own->folder) {
            count = requireDb(database()).selectFavoriteFoldersCount(own->folder->uuid());
            if (offersCreateRow(item))
                ++count;
        }
        item->childCount = count;
        item->state |= TreeModelItem::CountKnown;
    } catch (const std::exception& e) {
        forget(item);
        tell(kLoadError, e);
    }
}

void FavoritesDlgCatalogModel::loadChildren(const TreeModelItemPtr& item) const
{
    const CatalogModelBase::QuietCursor quiet(database());
    try {
        item->children.clear();
        const auto* own = dynamic_cast<const FavoriteFolderItem*>(item.get());
        if (!own || own->kind != Item::FolderItem || !own->folder) {
            qWarning("favoriteFolderItem->type != FavoriteFolderItem::FolderItem");
        } else {
            const auto folders = requireDb(database()).selectFavoriteFolders(own->folder->uuid());
            item->children.reserve(folders.size() + 1);
            if (offersCreateRow(item))
                item->children.push_back(makeItem(Item::CreateFolderItem));
            for (const auto& folder : folders)
                item->children.push_back(makeItem(Item::FolderItem, folder));
            for (const auto& child : item->children)
                child->parent = item;
        }
        item->childCount = int(item->children.size());
        item->state |= TreeModelItem::CountKnown | TreeModelItem::ChildrenLoaded;
    } catch (const std::exception& e) {
        forget(item);
        tell(kLoadError, e);
    }
}

void FavoritesDlgCatalogModel::init()
{
    if (!m_reloadNeeded) {
        qDebug("FavoritesDlgCatalogModel::init: items actual");
        return;
    }
    qDebug("FavoritesDlgCatalogModel::init: load root items");
    TreeModelBase::loadRootItems();
    // A failed read is tried again at the next init.
    m_reloadNeeded = m_rootsFailed;
}

QVariant FavoritesDlgCatalogModel::getPathToFolder(const QString& folderUuid)
{
    try {
        const HierarchyItems items = buildItemPath(requireDb(currentDatabase()), C::InvalidLanguage, C::AllFavorites,
                                                   C::FavoriteFolder, folderUuid);
        QStringList path;
        path.reserve(int(items.size()));
        for (const auto& item : items)
            path << item.second.toString();
        qDebug() << "FavoritesDlgCatalogModel::getPathToFolder" << folderUuid << path;
        return path;
    } catch (const std::exception& e) {
        showMessage(QString::fromUtf8(e.what()));
        return {};
    }
}

QVariant FavoritesDlgCatalogModel::createFolder(const QModelIndex& index, const QString& name)
{
    try {
        const QModelIndex parentIndex = index.parent();
        QUuid parentUuid;
        if (parentIndex.isValid()) {
            const ItemPtr parent = folderItem(parentIndex);
            if (!parent)
                throw Exception("ERROR 0x1987541F");
            if (parent->kind != Item::FolderItem || !parent->folder)
                throw Exception("ERROR 0x1987E41F");
            parentUuid = parent->folder->uuid();
        }
        const auto folder = ownChange([&] { return requireHelper().addFolder(parentUuid, name); });
        const int row = rowCount(parentIndex);
        if (!insertItem(parentIndex, row, makeItem(Item::FolderItem, folder)))
            throw Exception("ERROR 0x2987541F");
        return QVariant::fromValue(this->index(row, 0, parentIndex));
    } catch (const std::exception& e) {
        tell("Не удалось создать папку: %1", e);
        return false;
    }
}

bool FavoritesDlgCatalogModel::removeFolder(const QModelIndex& index)
{
    try {
        const ItemPtr item = folderItem(index);
        if (!item)
            throw Exception("ERROR 0x1988B401");
        if (item->kind != Item::FolderItem || !item->folder)
            throw Exception("ERROR 0x1988B402");
        ownChange([&] { requireHelper().deleteFolder(item->folder->uuid()); });
        if (!removeItem(index))
            throw Exception("ERROR 0x1988B403");
        return true;
    } catch (const std::exception& e) {
        tell("Не удалось удалить папку: %1", e);
        return false;
    }
}

bool FavoritesDlgCatalogModel::hasFoldersOrFavorites(const QModelIndex& index)
{
    try {
        const ItemPtr item = folderItem(index);
        if (!item)
            throw Exception("ERROR 0x1988B401");
        if (item->kind != Item::FolderItem || !item->folder)
            return false;
        // The first index into a node loads all its children.
        if (!item->childrenLoaded() && rowCount(index) > 0)
            this->index(0, 0, index);
        for (const auto& child : item->children) {
            const auto* own = dynamic_cast<const FavoriteFolderItem*>(child.get());
            if (own && own->kind == Item::FolderItem)
                return true;
        }
        return requireDb(database()).isFolderHasFavorites(item->folder->uuid());
    } catch (const std::exception& e) {
        tell("Произошла ошибка: %1", e);
        return false;
    }
}

void FavoritesDlgCatalogModel::markReload()
{
    if (!m_ownChange)
        m_reloadNeeded = true;
}

void FavoritesDlgCatalogModel::onFavoriteFoldersAdded(const FavoriteFolderConstArray&)
{
    markReload();
}

void FavoritesDlgCatalogModel::onFavoriteFoldersChanged(const FavoriteFolderConstArray&)
{
    markReload();
}

void FavoritesDlgCatalogModel::onFavoriteFoldersDeleted(const FavoriteFolderConstArray&)
{
    markReload();
}
