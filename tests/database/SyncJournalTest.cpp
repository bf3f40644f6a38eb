#include "tests/database/LibraryFixture.h"

#include "core/Exception.h"
#include "database/DatabaseTransaction.h"
#include "tests/core/ExceptionText.h"

#include <map>

namespace {

constexpr int kAdded = FavoritesSyncItem::Added;
constexpr int kDeleted = FavoritesSyncItem::Deleted;

std::map<QUuid, int> asMap(const std::vector<FavoritesSyncItem>& items)
{
    std::map<QUuid, int> map;
    for (const FavoritesSyncItem& item : items)
        EXPECT_TRUE(map.emplace(item.itemUuid(), item.action()).second) << "one row per item";
    return map;
}

} // namespace

class SyncJournal : public LibraryFixture
{
protected:
    int rows(const char* table) { return count(QStringLiteral("SELECT count(*) FROM ") + QLatin1String(table)); }

    const QUuid a = QUuid::createUuid();
    const QUuid b = QUuid::createUuid();
    const QUuid c = QUuid::createUuid();
};

TEST_F(SyncJournal, LaterEntryReplacesTheActionAndTablesStayApart)
{
    db->queueFavoriteIdsForSync({a, b}, kAdded);
    db->queueFavoriteIdsForSync({a}, kDeleted);
    db->queueFavoriteIdsForSync({}, kDeleted); // nothing to write
    EXPECT_EQ(asMap(db->selectFavoritesToSync()), (std::map<QUuid, int>{{a, kDeleted}, {b, kAdded}}));
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM FavoritesToSync WHERE itemUuid=?"),
                    {a.toString(QUuid::WithoutBraces)}),
              1);

    auto folder = std::make_shared<FavoriteFolder>();
    folder->setUuid(c);
    db->queueFoldersForSync({folder}, kAdded);
    db->upsertFolderSyncItem(FavoritesSyncItem(c, kDeleted));
    EXPECT_EQ(asMap(db->selectFavoriteFoldersToSync()), (std::map<QUuid, int>{{c, kDeleted}}));
    EXPECT_EQ(rows("FavoritesToSync"), 2);

    Favorite favorite;
    favorite.setUuid(c);
    db->upsertFavoriteSyncItem(favorite, kAdded);
    auto other = std::make_shared<Favorite>();
    other->setUuid(QUuid::createUuid());
    db->queueFavoritesForSync({other}, kAdded);
    db->queueFolderIdsForSync({a}, kAdded);
    EXPECT_EQ(rows("FavoritesToSync"), 4);
    EXPECT_EQ(rows("FavoritesCatalogToSync"), 2);
}

TEST_F(SyncJournal, RemovesOnlyEntriesWhoseActionIsUnchanged)
{
    db->queueFavoriteIdsForSync({a, b, c}, kAdded);
    const std::vector<FavoritesSyncItem> readAtStart = db->selectFavoritesToSync();

    // While the run talks to the server, the reader deletes b and adds a new one.
    const QUuid added = QUuid::createUuid();
    db->queueFavoriteIdsForSync({b}, kDeleted);
    db->queueFavoriteIdsForSync({added}, kAdded);

    db->removeFavoritesFromSync(readAtStart);
    EXPECT_EQ(asMap(db->selectFavoritesToSync()), (std::map<QUuid, int>{{b, kDeleted}, {added, kAdded}}));

    db->queueFolderIdsForSync({a}, kDeleted);
    db->removeFoldersFromSync({FavoritesSyncItem(a, kAdded)});
    EXPECT_EQ(rows("FavoritesCatalogToSync"), 1);
    db->removeFoldersFromSync({FavoritesSyncItem(a, kDeleted)});
    EXPECT_EQ(rows("FavoritesCatalogToSync"), 0);
}

TEST_F(SyncJournal, RemovalRollsBackWithTheCallersTransaction)
{
    db->queueFavoriteIdsForSync({a}, kAdded);
    {
        DatabaseTransaction run(db, "sync run");
        db->removeFavoritesFromSync({FavoritesSyncItem(a, kAdded)});
        db->setFavoritesSyncTime(42);
        // no commit: the run failed
    }
    EXPECT_EQ(rows("FavoritesToSync"), 1);
    EXPECT_EQ(db->favoritesSyncTime(), 0);
}

TEST_F(SyncJournal, ItemWithoutUuidIsRefusedAndTheBatchWritesNothing)
{
    EXPECT_EQ(errorOf([&] { db->queueFavoriteIdsForSync({a, QUuid()}, kAdded); }), QStringLiteral("ERROR 0x8A3C5E17"));
    EXPECT_EQ(errorOf([&] { db->upsertFolderSyncItem(FavoritesSyncItem()); }), QStringLiteral("ERROR 0x8A3C5E17"));
    EXPECT_EQ(rows("FavoritesToSync"), 0);
    EXPECT_EQ(rows("FavoritesCatalogToSync"), 0);
    EXPECT_TRUE(db->selectFavoritesToSync().empty());
}

TEST_F(SyncJournal, MalformedRowsFailTheRead)
{
    struct Case
    {
        QVariant uuid;
        QVariant action;
        QString error;
    };
    const std::vector<Case> cases = {
        {a.toString(QUuid::WithoutBraces), 3, QStringLiteral("ERROR 0xF4716749")},
        {a.toString(QUuid::WithoutBraces), -1, QStringLiteral("ERROR 0xF4716749")},
        {a.toString(QUuid::WithoutBraces), QStringLiteral("x"), QStringLiteral("ERROR 0xF4716748")},
        {QStringLiteral("not-a-uuid"), 1, QStringLiteral("ERROR 0xFA472465")},
        {QVariant(QVariant::String), 1, QStringLiteral("ERROR 0xFA472465")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error.toStdString());
        db->execSql(QStringLiteral("DELETE FROM FavoritesToSync"));
        db->execSql(QStringLiteral("INSERT INTO FavoritesToSync(itemUuid, action) VALUES(?, ?)"), {c.uuid, c.action});
        EXPECT_EQ(errorOf([&] { db->selectFavoritesToSync(); }), c.error);
    }
    db->execSql(QStringLiteral("UPDATE FavoritesToSync SET itemUuid=?, action='2'"),
                {a.toString(QUuid::WithoutBraces)});
    EXPECT_EQ(asMap(db->selectFavoritesToSync()), (std::map<QUuid, int>{{a, kDeleted}}));
}

TEST_F(SyncJournal, TimesOfChangeAndTheDueFlag)
{
    db->execSql(QStringLiteral("INSERT INTO Favorites(uuid, timeOfChange) VALUES(?, ?), (?, ?)"),
                {a.toString(QUuid::WithoutBraces), Q_INT64_C(1700000000123), b.toString(QUuid::WithoutBraces),
                 Q_INT64_C(5)});
    db->execSql(QStringLiteral("INSERT INTO FavoritesCatalog(uuid, timeOfChange) VALUES(?, ?)"),
                {c.toString(QUuid::WithoutBraces), Q_INT64_C(9000000000000)});
    EXPECT_EQ(db->selectFavoritesTimes(),
              (TarnolixDB::TimesOfChange{{a, Q_INT64_C(1700000000123)}, {b, Q_INT64_C(5)}}));
    EXPECT_EQ(db->selectFavoriteFoldersTimes(), (TarnolixDB::TimesOfChange{{c, Q_INT64_C(9000000000000)}}));

    db->execSql(QStringLiteral("INSERT INTO FavoritesCatalog(uuid, timeOfChange) VALUES(NULL, 1)"));
    EXPECT_EQ(errorOf([&] { db->selectFavoriteFoldersTimes(); }), QStringLiteral("ERROR 0xFA472465"));

    EXPECT_FALSE(db->needFavoritesSync());
    db->setNeedFavoritesSync(true);
    EXPECT_TRUE(db->needFavoritesSync());
}
