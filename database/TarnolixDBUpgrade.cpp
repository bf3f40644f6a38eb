// The library's schema version and the upgrade of older libraries.

#include "database/DatabaseTransaction.h"
#include "database/LibrarySettingsKeys.h"
#include "database/TarnolixDB.h"

#include <QSqlQuery>
#include <QUuid>

#include <vector>

void TarnolixDB::initialize()
{
    // A file without Settings is new: the base class creates the whole
    // current schema, and only the stamp is missing.
    QSqlQuery probe = newQuery();
    const bool existing = isTableExist(probe, QStringLiteral("Settings"));

    SQLiteDatabase::initialize();
    const QString versionKey = QLatin1String(LibrarySettingsKeys::DatabaseVersion);
    const int version = getSettingOr(versionKey, 0).toInt();
    if (version >= kDatabaseVersion)
        return;

    // Steps and stamp commit together, so a failure half-way (busy, disk
    // full) leaves the old version and the next start repeats the upgrade.
    DatabaseTransaction transaction(shared_from_this(), "upgradeSchema");
    if (existing)
        upgradeSchema(version);
    setSetting(versionKey, kDatabaseVersion);
    transaction.commit();
}

void TarnolixDB::upgradeSchema(int version)
{
    // A library stamped 0 or 1 that has a Settings table still lacks the
    // tables of every later step. Every statement tolerates what an earlier,
    // interrupted upgrade may have left behind.
    const int from = qMax(version, 2);

    if (from <= 2) {
        execSql(QStringLiteral("CREATE TABLE IF NOT EXISTS GlossaryWords(id INTEGER, data BLOB)"));
        execSql(QStringLiteral("CREATE TABLE IF NOT EXISTS GlossaryWordsData(glossaryCategoryId INTEGER, "
                               "glossaryId INTEGER, glossaryWordId INTEGER, data BLOB)"));
    }
    if (from <= 3) {
        execSql(QStringLiteral("CREATE TABLE IF NOT EXISTS GlossaryWordsReferences(categoryId INTEGER, "
                               "glossaryId INTEGER, firstLetter INTEGER, wordId INTEGER)"));
        execSql(QStringLiteral("CREATE INDEX IF NOT EXISTS GlossaryWordsReferencesIndex ON "
                               "GlossaryWordsReferences(categoryId, glossaryId, firstLetter)"));
        // The glossaries are stored differently now: the next library update
        // must install them again.
        setGlossariesMD5(QByteArray());
    }
    if (from <= 10) {
        execSql(QStringLiteral("CREATE TABLE IF NOT EXISTS FavoritesCatalog(uuid TEXT PRIMARY KEY, "
                               "parentUuid TEXT , name TEXT, timeOfChange INTEGER)"));
        execSql(QStringLiteral("CREATE TABLE IF NOT EXISTS Favorites(uuid TEXT PRIMARY KEY, catalogUuid text , "
                               "bookId INTEGER , language INTEGER, startSectionSlug TEXT , startSectionCode TEXT, "
                               "startSectionIndex INTEGER, startOffset INTEGER, endSectionSlug TEXT , "
                               "endSectionCode TEXT, endSectionIndex INTEGER, endOffset INTEGER, title TEXT, "
                               "note TEXT, favoriteText TEXT, timeOfChange INTEGER)"));
        execSql(QStringLiteral("CREATE INDEX IF NOT EXISTS FavoritesIdx1 ON Favorites(catalogUuid)"));
        execSql(QStringLiteral("CREATE INDEX IF NOT EXISTS FavoritesIdx2 ON Favorites(bookId)"));
    }
    // Favorites tables from before times of change were kept.
    addColumnIfNotExist(QStringLiteral("FavoritesCatalog"), QStringLiteral("timeOfChange"), QStringLiteral("INTEGER"));
    addColumnIfNotExist(QStringLiteral("Favorites"), QStringLiteral("timeOfChange"), QStringLiteral("INTEGER"));

    execSql(QStringLiteral("CREATE TABLE IF NOT EXISTS FavoritesCatalogToSync(itemUuid TEXT PRIMARY KEY, "
                           "action INTEGER)"));
    execSql(QStringLiteral("CREATE TABLE IF NOT EXISTS FavoritesToSync(itemUuid TEXT PRIMARY KEY, action INTEGER)"));

    // The account server has never seen what this library holds.
    queueAllAsAdded(QStringLiteral("FavoritesCatalog"), QStringLiteral("FavoritesCatalogToSync"));
    queueAllAsAdded(QStringLiteral("Favorites"), QStringLiteral("FavoritesToSync"));
    setNeedFavoritesSync(true);
}

void TarnolixDB::queueAllAsAdded(const QString& table, const QString& journalTable)
{
    std::vector<FavoritesSyncItem> items;
    QSqlQuery rows = execSql(QStringLiteral("SELECT uuid FROM ") + table);
    while (rows.next()) {
        const QString text = rows.value(0).toString();
        const QUuid uuid = QUuid::fromString(text);
        // The server could not match such a row either; failing here would
        // keep the whole library from opening.
        if (uuid.isNull()) {
            qWarning("upgradeSchema: %s row with unreadable uuid \"%s\" not queued", qUtf8Printable(table),
                     qUtf8Printable(text));
            continue;
        }
        items.emplace_back(uuid, FavoritesSyncItem::Added);
    }
    rows.finish();
    upsertFavoriteItemsToSync(journalTable, items);
}
