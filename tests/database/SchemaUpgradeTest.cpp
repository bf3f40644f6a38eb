#include "core/Exception.h"
#include "tests/database/LibraryFixture.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <map>

namespace {

const QString kOldDigest = QStringLiteral("old digest");

const char* const kFolderA = "0f8fad5b-d9cb-469f-a165-70867728950e";
const char* const kFolderB = "7c9e6679-7425-40de-944b-e07fc1f90ae7";
const char* const kFavoriteA = "16fd2706-8baf-433b-82eb-8c7fada847da";
const char* const kFavoriteB = "886313e1-3b8a-5372-9b90-0c9aee199e5d";

class Upgrade : public LibraryFixture
{
protected:
    void SetUp() override
    {
        LibraryFixture::SetUp();
        currentTables = objects(QStringLiteral("table"));
    }

    // The library as a program of `version` left it: the tables of later
    // steps missing, an installed glossaries digest, the stamp.
    void makeVersion(int version)
    {
        QStringList drops{QStringLiteral("FavoritesCatalogToSync"), QStringLiteral("FavoritesToSync")};
        if (version <= 10)
            drops << QStringLiteral("FavoritesCatalog") << QStringLiteral("Favorites");
        if (version <= 3)
            drops << QStringLiteral("GlossaryWordsReferences");
        if (version <= 2)
            drops << QStringLiteral("GlossaryWords") << QStringLiteral("GlossaryWordsData");
        for (const QString& table : drops)
            db->execSql(QStringLiteral("DROP TABLE IF EXISTS ") + table);
        db->setSetting(QStringLiteral("GlossariesMD5"), kOldDigest.toUtf8());
        db->setSetting(QStringLiteral("DatabaseVersion"), version);
    }

    // Favorites tables as they were before times of change were kept.
    void makeFavoritesWithoutTimes()
    {
        db->execSql(QStringLiteral("DROP TABLE IF EXISTS FavoritesCatalog"));
        db->execSql(QStringLiteral("DROP TABLE IF EXISTS Favorites"));
        db->execSql(QStringLiteral("CREATE TABLE FavoritesCatalog(uuid TEXT PRIMARY KEY, parentUuid TEXT , name TEXT)"));
        db->execSql(QStringLiteral("CREATE TABLE Favorites(uuid TEXT PRIMARY KEY, catalogUuid text , bookId INTEGER , "
                                   "language INTEGER, startSectionSlug TEXT , startSectionCode TEXT, "
                                   "startSectionIndex INTEGER, startOffset INTEGER, endSectionSlug TEXT , "
                                   "endSectionCode TEXT, endSectionIndex INTEGER, endOffset INTEGER, title TEXT, "
                                   "note TEXT, favoriteText TEXT)"));
        db->execSql(QStringLiteral("CREATE INDEX FavoritesIdx1 ON Favorites(catalogUuid)"));
        db->execSql(QStringLiteral("CREATE INDEX FavoritesIdx2 ON Favorites(bookId)"));
    }

    void addFavorites()
    {
        for (const char* uuid : {kFolderA, kFolderB})
            db->execSql(QStringLiteral("INSERT INTO FavoritesCatalog(uuid, name) VALUES(?, ?)"),
                        QVariantList{QLatin1String(uuid), QStringLiteral("Папка")});
        for (const char* uuid : {kFavoriteA, kFavoriteB})
            db->execSql(QStringLiteral("INSERT INTO Favorites(uuid, catalogUuid, bookId, language) VALUES(?, ?, 5, 2)"),
                        QVariantList{QLatin1String(uuid), QLatin1String(kFolderA)});
    }

    // A new start: a new connection on the same file.
    void reopen(int busyTimeoutMs = 1000)
    {
        db->close();
        db = std::make_shared<TarnolixDB>();
        db->open(path, busyTimeoutMs);
    }

    std::map<QString, int> journal(const QString& table)
    {
        std::map<QString, int> rows;
        QSqlQuery q = db->execSql(QStringLiteral("SELECT itemUuid, action FROM ") + table);
        while (q.next())
            rows[q.value(0).toString()] = q.value(1).toInt();
        return rows;
    }

    QString tableSql(const QString& table)
    {
        QSqlQuery q = db->execSql(QStringLiteral("SELECT sql FROM sqlite_master WHERE type='table' AND name=?"),
                                  QVariantList{table});
        return q.next() ? q.value(0).toString() : QString();
    }

    int version() { return db->getSettingOr(QStringLiteral("DatabaseVersion"), 0).toInt(); }

    bool hasKey(const QString& key)
    {
        return count(QStringLiteral("SELECT count(*) FROM Settings WHERE key=?"), {key}) == 1;
    }

    void expectUpgraded(int from)
    {
        EXPECT_EQ(version(), 12) << from;
        EXPECT_EQ(objects(QStringLiteral("table")), currentTables) << from;
        const std::set<QString> indexes = objects(QStringLiteral("index"));
        for (const char* index : {"GlossaryWordsReferencesIndex", "FavoritesIdx1", "FavoritesIdx2"})
            EXPECT_EQ(indexes.count(QLatin1String(index)), 1u) << from << " " << index;
        EXPECT_TRUE(db->isColumnExist(QStringLiteral("FavoritesCatalog"), QStringLiteral("timeOfChange"))) << from;
        EXPECT_TRUE(db->isColumnExist(QStringLiteral("Favorites"), QStringLiteral("timeOfChange"))) << from;
        EXPECT_TRUE(db->getSetting(QStringLiteral("needFavoritesSync")).toBool()) << from;
        const QByteArray digest = db->getSetting(QStringLiteral("GlossariesMD5")).toByteArray();
        EXPECT_EQ(digest, from <= 3 ? QByteArray() : kOldDigest.toUtf8()) << from;
        // Emptied, not removed: an empty blob, never NULL.
        EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM Settings WHERE key='GlossariesMD5' AND "
                                       "typeof(value)='blob'")),
                  1)
            << from;
    }

    std::set<QString> currentTables;
};

const std::map<QString, int> kFoldersAdded{{kFolderA, 1}, {kFolderB, 1}};
const std::map<QString, int> kFavoritesAdded{{kFavoriteA, 1}, {kFavoriteB, 1}};

} // namespace

TEST_F(Upgrade, NewFileIsOnlyStamped)
{
    EXPECT_EQ(version(), 12);
    EXPECT_FALSE(hasKey(QStringLiteral("needFavoritesSync")));
    EXPECT_FALSE(hasKey(QStringLiteral("GlossariesMD5")));
    EXPECT_TRUE(journal(QStringLiteral("FavoritesToSync")).empty());
}

TEST_F(Upgrade, EveryOlderVersionGetsEveryLaterStep)
{
    // 0 and 1 name libraries that already had Settings: they lack every
    // later table, not only the stamp.
    for (int from : {0, 1, 2, 3, 7, 10, 11}) {
        path = dir->filePath(QStringLiteral("v%1.db").arg(from));
        db = std::make_shared<TarnolixDB>();
        db->open(path, 1000);
        db->initialize();
        makeVersion(from);
        if (from == 11)
            makeFavoritesWithoutTimes();
        reopen();
        db->initialize();
        expectUpgraded(from);
        EXPECT_TRUE(journal(QStringLiteral("FavoritesCatalogToSync")).empty()) << from;
    }
}

TEST_F(Upgrade, Version11QueuesEveryFolderAndFavoriteWithoutAlteringTables)
{
    makeVersion(11);
    addFavorites();
    const QString foldersSql = tableSql(QStringLiteral("FavoritesCatalog"));
    const QString favoritesSql = tableSql(QStringLiteral("Favorites"));

    reopen();
    db->initialize();
    expectUpgraded(11);
    EXPECT_EQ(tableSql(QStringLiteral("FavoritesCatalog")), foldersSql) << "no ALTER TABLE";
    EXPECT_EQ(tableSql(QStringLiteral("Favorites")), favoritesSql) << "no ALTER TABLE";
    EXPECT_EQ(journal(QStringLiteral("FavoritesCatalogToSync")), kFoldersAdded);
    EXPECT_EQ(journal(QStringLiteral("FavoritesToSync")), kFavoritesAdded);

    // Upgraded once: a later start queues nothing again.
    db->execSql(QStringLiteral("DELETE FROM FavoritesToSync"));
    db->setNeedFavoritesSync(false);
    reopen();
    db->initialize();
    EXPECT_TRUE(journal(QStringLiteral("FavoritesToSync")).empty());
    EXPECT_FALSE(db->getSetting(QStringLiteral("needFavoritesSync")).toBool());
}

TEST_F(Upgrade, TablesLeftByAnInterruptedOlderUpgradeAreKept)
{
    // An older program created the favorites tables outside any transaction
    // and stopped before its stamp: the rows stay and get their columns.
    makeVersion(10);
    makeFavoritesWithoutTimes();
    addFavorites();
    db->execSql(QStringLiteral("INSERT INTO Favorites(uuid) VALUES('not a uuid')"));

    reopen();
    db->initialize();
    expectUpgraded(10);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM Favorites")), 3);
    EXPECT_EQ(journal(QStringLiteral("FavoritesCatalogToSync")), kFoldersAdded);
    EXPECT_EQ(journal(QStringLiteral("FavoritesToSync")), kFavoritesAdded) << "an unreadable uuid is not queued";
}

TEST_F(Upgrade, FailureHalfWayKeepsTheOldLibraryAndTheNextStartRetries)
{
    for (int from : {3, 11}) {
        path = dir->filePath(QStringLiteral("failing%1.db").arg(from));
        db = std::make_shared<TarnolixDB>();
        db->open(path, 1000);
        db->initialize();
        makeVersion(from);
        if (from == 11) {
            makeFavoritesWithoutTimes();
            addFavorites();
        }
        // Fails the last write of the steps, after every table was created.
        db->execSql(QStringLiteral("CREATE TRIGGER diskFull BEFORE INSERT ON Settings "
                                   "WHEN NEW.key='needFavoritesSync' BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
        const std::set<QString> tablesBefore = objects(QStringLiteral("table"));
        const std::set<QString> indexesBefore = objects(QStringLiteral("index"));

        reopen();
        EXPECT_THROW(db->initialize(), DBException) << from;
        EXPECT_EQ(version(), from);
        EXPECT_EQ(objects(QStringLiteral("table")), tablesBefore) << from;
        EXPECT_EQ(objects(QStringLiteral("index")), indexesBefore) << from;
        EXPECT_EQ(db->getSetting(QStringLiteral("GlossariesMD5")).toByteArray(), kOldDigest.toUtf8()) << from;
        if (from == 11) {
            EXPECT_FALSE(db->isColumnExist(QStringLiteral("Favorites"), QStringLiteral("timeOfChange")));
        }

        db->execSql(QStringLiteral("DROP TRIGGER diskFull"));
        reopen();
        db->initialize();
        expectUpgraded(from);
        if (from == 11) {
            EXPECT_EQ(journal(QStringLiteral("FavoritesCatalogToSync")), kFoldersAdded);
            EXPECT_EQ(journal(QStringLiteral("FavoritesToSync")), kFavoritesAdded);
        }
    }
}

TEST_F(Upgrade, BusyLibraryIsRetriedOnTheNextStart)
{
    makeVersion(11);
    addFavorites();
    reopen(50);
    {
        QSqlDatabase blocker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("blocker"));
        blocker.setDatabaseName(path);
        ASSERT_TRUE(blocker.open());
        QSqlQuery lock(blocker);
        ASSERT_TRUE(lock.exec(QStringLiteral("BEGIN IMMEDIATE")));

        EXPECT_THROW(db->initialize(), DBException);
        EXPECT_EQ(version(), 11);
        EXPECT_EQ(objects(QStringLiteral("table")).count(QStringLiteral("FavoritesToSync")), 0u);

        ASSERT_TRUE(lock.exec(QStringLiteral("ROLLBACK")));
        lock = QSqlQuery();
        blocker.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("blocker"));

    db->initialize();
    expectUpgraded(11);
    EXPECT_EQ(journal(QStringLiteral("FavoritesToSync")), kFavoritesAdded);
}

TEST_F(Upgrade, CurrentOrNewerLibraryIsLeftAlone)
{
    for (int stored : {12, 13}) {
        makeVersion(stored);
        reopen();
        db->initialize();
        EXPECT_EQ(version(), stored);
        EXPECT_EQ(objects(QStringLiteral("table")).count(QStringLiteral("FavoritesToSync")), 0u) << stored;
        EXPECT_FALSE(hasKey(QStringLiteral("needFavoritesSync"))) << stored;
        EXPECT_EQ(db->getSetting(QStringLiteral("GlossariesMD5")).toByteArray(), kOldDigest.toUtf8()) << stored;
    }
}
