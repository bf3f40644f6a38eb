// The favorites synchronisation journal: local additions and deletions of
// favorites and folders that the account server has not been told of yet,
// and the times of change the synchronisation compares.

#include "database/TarnolixDB.h"

#include "core/Exception.h"
#include "database/DatabaseTransaction.h"
#include "database/LibrarySettingsKeys.h"

#include <QSqlQuery>

namespace {

const QString kFavoritesJournal = QStringLiteral("FavoritesToSync");
const QString kFoldersJournal = QStringLiteral("FavoritesCatalogToSync");

// A NULL itemUuid would be stored (the key is not an INTEGER key) and then
// fail every later read of the journal.
void requireUuid(const FavoritesSyncItem& item)
{
    if (item.itemUuid().isNull())
        throw Exception("ERROR 0x8A3C5E17");
}

template <typename Container, typename UuidOf>
std::vector<FavoritesSyncItem> itemsOf(const Container& elements, int action, UuidOf uuidOf)
{
    std::vector<FavoritesSyncItem> items;
    items.reserve(elements.size());
    for (const auto& element : elements)
        items.emplace_back(uuidOf(element), action);
    return items;
}

QUuid sameUuid(const QUuid& uuid)
{
    return uuid;
}

} // namespace

void TarnolixDB::upsertFavoriteSyncItem(const Favorite& favorite, int action)
{
    upsertSyncItem(kFavoritesJournal, FavoritesSyncItem(favorite.uuid(), action));
}

void TarnolixDB::upsertFolderSyncItem(const FavoritesSyncItem& item)
{
    upsertSyncItem(kFoldersJournal, item);
}

void TarnolixDB::upsertSyncItem(const QString& table, const FavoritesSyncItem& item)
{
    requireUuid(item);
    QSqlQuery q = query(syncJournalUpsertStatement(table));
    bindSyncItem(q, item);
    exec(q);
}

void TarnolixDB::upsertFavoriteItemsToSync(const QString& table, const std::vector<FavoritesSyncItem>& items)
{
    for (const FavoritesSyncItem& item : items)
        requireUuid(item);
    DatabaseTransaction guard(shared_from_this(), "upsertFavoriteItemsToSync");
    QSqlQuery q = query(syncJournalUpsertStatement(table));
    for (const FavoritesSyncItem& item : items) {
        bindSyncItem(q, item);
        exec(q);
    }
    guard.commit();
}

void TarnolixDB::queueFavoritesForSync(const FavoriteList& favorites, int action)
{
    upsertFavoriteItemsToSync(kFavoritesJournal,
                              itemsOf(favorites, action, [](const FavoritePtr& f) { return f->uuid(); }));
}

void TarnolixDB::queueFavoriteIdsForSync(const std::vector<QUuid>& uuids, int action)
{
    upsertFavoriteItemsToSync(kFavoritesJournal, itemsOf(uuids, action, sameUuid));
}

void TarnolixDB::queueFoldersForSync(const std::vector<std::shared_ptr<FavoriteFolder>>& folders, int action)
{
    upsertFavoriteItemsToSync(
        kFoldersJournal,
        itemsOf(folders, action, [](const std::shared_ptr<FavoriteFolder>& folder) { return folder->uuid(); }));
}

void TarnolixDB::queueFolderIdsForSync(const std::vector<QUuid>& uuids, int action)
{
    upsertFavoriteItemsToSync(kFoldersJournal, itemsOf(uuids, action, sameUuid));
}

std::vector<FavoritesSyncItem> TarnolixDB::selectFavoritesToSync()
{
    return selectSyncItems(kFavoritesJournal);
}

std::vector<FavoritesSyncItem> TarnolixDB::selectFavoriteFoldersToSync()
{
    return selectSyncItems(kFoldersJournal);
}

std::vector<FavoritesSyncItem> TarnolixDB::selectSyncItems(const QString& table)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT itemUuid, action FROM ") + table, true);
    std::vector<FavoritesSyncItem> items;
    while (q.next()) {
        const int action = intFromVariantMax2(q.value(1));
        items.emplace_back(uuidFromString(q.value(0).toString()), action);
    }
    return items;
}

void TarnolixDB::removeFavoritesFromSync(const std::vector<FavoritesSyncItem>& items)
{
    deleteSyncItems(kFavoritesJournal, items);
}

void TarnolixDB::removeFoldersFromSync(const std::vector<FavoritesSyncItem>& items)
{
    deleteSyncItems(kFoldersJournal, items);
}

void TarnolixDB::deleteSyncItems(const QString& table, const std::vector<FavoritesSyncItem>& items)
{
    DatabaseTransaction guard(shared_from_this(), "deleteSyncItems");
    QSqlQuery q = query(QStringLiteral("DELETE FROM %1 WHERE itemUuid=:itemUuid AND action=:action").arg(table));
    for (const FavoritesSyncItem& item : items) {
        bindSyncItem(q, item);
        exec(q);
    }
    guard.commit();
}

TarnolixDB::TimesOfChange TarnolixDB::selectFavoritesTimes()
{
    return selectTimesOfChange(QStringLiteral("Favorites"));
}

TarnolixDB::TimesOfChange TarnolixDB::selectFavoriteFoldersTimes()
{
    return selectTimesOfChange(QStringLiteral("FavoritesCatalog"));
}

TarnolixDB::TimesOfChange TarnolixDB::selectTimesOfChange(const QString& table)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT uuid, timeOfChange FROM ") + table, true);
    TimesOfChange times;
    while (q.next())
        times.emplace(uuidFromString(q.value(0).toString()), q.value(1).toLongLong());
    return times;
}

bool TarnolixDB::needFavoritesSync()
{
    return getSettingOr(QString::fromLatin1(LibrarySettingsKeys::NeedFavoritesSync), false).toBool();
}
