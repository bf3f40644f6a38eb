#include "tests/database/LibraryFixture.h"

#include "core/Exception.h"
#include "database/DatabaseTransaction.h"
#include "tests/core/ExceptionText.h"

using Lang = TarnolixConstants::Language;
using FolderPtr = std::shared_ptr<FavoriteFolder>;

namespace {

const QString kNoSlug = QStringLiteral("Не удалось добавить избранное: ERROR 0xA7B41495");

SelectedPosition position(const QString& code, std::optional<quint64> index, int offset,
                          std::optional<QString> slug = QStringLiteral("slug"))
{
    SelectedPosition p;
    p.setSectionCode(code);
    p.setSectionIndex(index);
    p.setOffset(offset);
    p.setSectionSlug(slug);
    return p;
}

TarnolixDB::FavoritePtr favorite(const QUuid& folder = {})
{
    auto f = std::make_shared<Favorite>();
    f->setUuid(QUuid::createUuid());
    f->setCatalogUuid(folder);
    f->setBookId(12);
    f->setLanguage(TarnolixConstants::Russian);
    f->setStartSelectedPosition(position(QStringLiteral("1.2"), 4, 10, QStringLiteral("text-1-2")));
    f->setEndSelectedPosition(position(QStringLiteral("1.3"), std::nullopt, 5, QStringLiteral("text-1-3")));
    f->setTimeOfChange(1700000000123);
    return f;
}

FolderPtr folder(const QString& name, const QUuid& parent = {})
{
    auto f = std::make_shared<FavoriteFolder>();
    f->setUuid(QUuid::createUuid());
    f->setParentUuid(parent);
    f->setName(name);
    f->setTimeOfChange(1700000000000);
    return f;
}

std::set<QString> namesOf(const std::vector<FolderPtr>& folders)
{
    std::set<QString> names;
    for (const FolderPtr& f : folders)
        names.insert(f->name());
    return names;
}

} // namespace

class FavoritesStorage : public LibraryFixture
{
protected:
    // The favorite as the shared row reader sees it.
    TarnolixDB::FavoritePtr read(const QUuid& uuid, TarnolixDB::FavoriteColumns columns)
    {
        QString sql = QStringLiteral("SELECT uuid, catalogUuid, startSectionCode, startSectionIndex, startOffset, "
                                     "endSectionCode, endSectionIndex, endOffset, bookId, language, timeOfChange");
        TarnolixDB::appendFavoriteTextColumns(sql, columns);
        QSqlQuery q = db->execSql(sql + QStringLiteral(" FROM Favorites WHERE uuid=?"),
                                  QVariantList{TarnolixDB::uuidToString(uuid)});
        return q.next() ? TarnolixDB::readFavoriteRow(q, columns) : nullptr;
    }

    QVariant column(const char* name, const QUuid& uuid, const char* table = "Favorites")
    {
        QSqlQuery q =
            db->execSql(QStringLiteral("SELECT %1 FROM %2 WHERE uuid=?").arg(QLatin1String(name), QLatin1String(table)),
                        QVariantList{TarnolixDB::uuidToString(uuid)});
        return q.next() ? q.value(0) : QVariant(QStringLiteral("<no row>"));
    }

    int favorites() { return count(QStringLiteral("SELECT count(*) FROM Favorites")); }
};

TEST_F(FavoritesStorage, StatementsAreTheLibraryOnes)
{
    EXPECT_EQ(TarnolixDB::favoriteInsertStatement(),
              QStringLiteral("INSERT INTO Favorites(uuid, catalogUuid, bookId, language, startSectionSlug, "
                             "startSectionCode, startSectionIndex, startOffset, endSectionSlug, endSectionCode, "
                             "endSectionIndex, endOffset, title, note, favoriteText, timeOfChange) VALUES(:uuid, "
                             ":catalogUuid, :bookId, :language, :startSectionSlug, :startSectionCode, "
                             ":startSectionIndex, :startOffset, :endSectionSlug, :endSectionCode, :endSectionIndex, "
                             ":endOffset, :title, :note, :favoriteText, :timeOfChange)"));

    TarnolixDB::FavoriteUpdate edit;
    edit.note = QStringLiteral("n");
    edit.title = QStringLiteral("t");
    edit.catalogUuid = QUuid();
    edit.timeOfChange = 5;
    EXPECT_EQ(TarnolixDB::favoriteFieldsUpdateStatement(edit),
              QStringLiteral("UPDATE Favorites SET timeOfChange=:timeOfChange,catalogUuid=:catalogUuid,title=:title,"
                             "note=:note WHERE uuid=:uuid"));
    TarnolixDB::FavoriteUpdate positions;
    positions.endSectionIndex = std::optional<quint64>();
    positions.startSectionCode = QStringLiteral("2");
    positions.endSectionCode = QStringLiteral("3");
    positions.startSectionIndex = std::optional<quint64>(1);
    EXPECT_EQ(TarnolixDB::favoriteFieldsUpdateStatement(positions),
              QStringLiteral("UPDATE Favorites SET startSectionCode=:startSectionCode,"
                             "startSectionIndex=:startSectionIndex,endSectionCode=:endSectionCode,"
                             "endSectionIndex=:endSectionIndex WHERE uuid=:uuid"));
    EXPECT_EQ(TarnolixDB::favoriteFieldsUpdateStatement({}), QString());

    QString columns = QStringLiteral("timeOfChange");
    TarnolixDB::appendFavoriteTextColumns(columns, TarnolixDB::FavoriteTitle | TarnolixDB::FavoriteNote);
    EXPECT_EQ(columns, QStringLiteral("timeOfChange,title,note"));
    columns.clear();
    TarnolixDB::appendFavoriteTextColumns(columns, 15);
    EXPECT_EQ(columns, QStringLiteral("startSectionSlug,endSectionSlug,title,note,favoriteText"));
}

TEST_F(FavoritesStorage, TopLevelFavoriteWithoutTextsIsStoredWithNullsAndReadBackWithoutThem)
{
    const auto f = favorite();
    db->insertFavorite(*f);
    EXPECT_TRUE(column("catalogUuid", f->uuid()).isNull());
    for (const char* name : {"title", "note", "favoriteText", "endSectionIndex"})
        EXPECT_TRUE(column(name, f->uuid()).isNull()) << name;
    EXPECT_EQ(column("uuid", f->uuid()).toString().size(), 36); // no braces

    const auto all = read(f->uuid(), 15);
    ASSERT_TRUE(all);
    EXPECT_EQ(all->uuid(), f->uuid());
    EXPECT_TRUE(all->catalogUuid().isNull());
    EXPECT_EQ(all->bookId(), 12);
    EXPECT_EQ(all->language(), TarnolixConstants::Russian);
    EXPECT_EQ(all->timeOfChange(), 1700000000123);
    EXPECT_EQ(all->startSelectedPosition().sectionCode(), QStringLiteral("1.2"));
    EXPECT_EQ(all->startSelectedPosition().sectionIndex(), std::optional<quint64>(4));
    EXPECT_EQ(all->startSelectedPosition().offset(), 10);
    EXPECT_EQ(all->endSelectedPosition().sectionIndex(), std::nullopt);
    EXPECT_EQ(all->startSelectedPosition().sectionSlug(), std::optional<QString>(QStringLiteral("text-1-2")));
    EXPECT_EQ(all->endSelectedPosition().sectionSlug(), std::optional<QString>(QStringLiteral("text-1-3")));
    EXPECT_FALSE(all->title() || all->note() || all->favoriteText());

    const auto bare = read(f->uuid(), 0);
    EXPECT_FALSE(bare->startSelectedPosition().sectionSlug() || bare->endSelectedPosition().sectionSlug());
}

TEST_F(FavoritesStorage, TextsInAFolderRoundTripAndEmptyTextsStayPresent)
{
    const auto parent = folder(QStringLiteral("Стихи"));
    db->insertFavoriteFolder(*parent);
    auto f = favorite(parent->uuid());
    f->setTitle(QStringLiteral("Заголовок 🙏"));
    f->setNote(QString());
    f->setFavoriteText(QStringLiteral("it's \"quoted\""));
    db->insertFavorite(*f);

    const auto back =
        read(f->uuid(), TarnolixDB::FavoriteTitle | TarnolixDB::FavoriteNote | TarnolixDB::FavoriteQuotedText);
    EXPECT_EQ(back->catalogUuid(), parent->uuid());
    EXPECT_EQ(back->title(), f->title());
    ASSERT_TRUE(back->note());
    EXPECT_TRUE(back->note()->isEmpty());
    EXPECT_EQ(back->favoriteText(), f->favoriteText());
    EXPECT_TRUE(db->isFolderHasFavorites(parent->uuid()));
    EXPECT_FALSE(db->isFolderHasFavorites(QUuid::createUuid()));

    // The reader of one book's rows takes book and language from its caller.
    QSqlQuery q = db->execSql(QStringLiteral("SELECT uuid, catalogUuid, startSectionCode, startSectionIndex, "
                                             "startOffset, endSectionCode, endSectionIndex, endOffset, timeOfChange "
                                             "FROM Favorites"));
    ASSERT_TRUE(q.next());
    const auto ofBook = TarnolixDB::readFavoriteRowOfBook(q, 12, TarnolixConstants::Russian);
    EXPECT_EQ(ofBook->uuid(), f->uuid());
    EXPECT_EQ(ofBook->endSelectedPosition().offset(), 5);
    EXPECT_EQ(ofBook->timeOfChange(), f->timeOfChange());
    EXPECT_EQ(ofBook->bookId(), 12);
}

TEST_F(FavoritesStorage, FavoriteWithoutBothSlugsIsRefusedAndBatchesAreAllOrNothing)
{
    auto noEndSlug = favorite();
    noEndSlug->endSelectedPosition().setSectionSlug(std::nullopt);
    EXPECT_EQ(errorOf([&] { db->insertFavorite(*noEndSlug); }), kNoSlug);
    EXPECT_EQ(favorites(), 0);

    EXPECT_EQ(errorOf([&] { db->insertFavorites({favorite(), favorite(), noEndSlug}); }), kNoSlug);
    EXPECT_EQ(favorites(), 0);

    const auto first = favorite();
    EXPECT_THROW(db->insertFavorites({first, favorite(), first}), DBException);
    EXPECT_EQ(favorites(), 0);
    db->insertFavorites({first, favorite()});
    EXPECT_EQ(favorites(), 2);

    const auto top = folder(QStringLiteral("a"));
    EXPECT_THROW(db->insertFavoriteCatalogs({folder(QStringLiteral("b")), top, top}), DBException);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM FavoritesCatalog")), 0);

    // A full update needs the slugs too, and then leaves the row as it was.
    auto changed = std::make_shared<Favorite>(*first);
    changed->setTitle(QStringLiteral("new"));
    changed->startSelectedPosition().setSectionSlug(std::nullopt);
    EXPECT_EQ(errorOf([&] { db->updateFavorite(*changed); }), kNoSlug);
    EXPECT_TRUE(column("title", first->uuid()).isNull());
}

TEST_F(FavoritesStorage, ItemsWithoutAUuidAreRefusedSoTheTimesOfChangeStayReadable)
{
    const auto kept = favorite();
    const auto keptFolder = folder(QStringLiteral("kept"));
    db->insertFavorite(*kept);
    db->insertFavoriteFolder(*keptFolder);

    auto noUuid = favorite();
    noUuid->setUuid(QUuid());
    auto noUuidFolder = folder(QStringLiteral("none"));
    noUuidFolder->setUuid(QUuid());
    const QString favoriteRefused = QStringLiteral("Не удалось добавить избранное: ERROR 0x93E0C25B");
    const QString folderRefused = QStringLiteral("ERROR 0x5B17E8D4");
    EXPECT_EQ(errorOf([&] { db->insertFavorite(*noUuid); }), favoriteRefused);
    EXPECT_EQ(errorOf([&] { db->insertFavorites({favorite(), noUuid}); }), favoriteRefused);
    EXPECT_EQ(errorOf([&] { db->updateFavorite(*noUuid); }), favoriteRefused);
    EXPECT_EQ(errorOf([&] { db->insertFavoriteFolder(*noUuidFolder); }), folderRefused);
    EXPECT_EQ(errorOf([&] { db->insertFavoriteCatalogs({folder(QStringLiteral("x")), noUuidFolder}); }),
              folderRefused);
    EXPECT_EQ(errorOf([&] { db->updateFavoriteFolder(*noUuidFolder); }), folderRefused);

    EXPECT_EQ(db->selectFavoritesTimes(), (TarnolixDB::TimesOfChange{{kept->uuid(), kept->timeOfChange()}}));
    EXPECT_EQ(db->selectFavoriteFoldersTimes(),
              (TarnolixDB::TimesOfChange{{keptFolder->uuid(), keptFolder->timeOfChange()}}));
}

TEST_F(FavoritesStorage, FullUpdateRewritesEveryColumnAndMovesToTheTopLevel)
{
    const auto parent = folder(QStringLiteral("p"));
    db->insertFavoriteFolder(*parent);
    const auto f = favorite(parent->uuid());
    f->setTitle(QStringLiteral("old"));
    db->insertFavorite(*f);

    Favorite changed = *f;
    changed.setCatalogUuid(QUuid());
    changed.setTitle(std::nullopt);
    changed.setNote(QStringLiteral("note"));
    changed.startSelectedPosition().setOffset(99);
    changed.setTimeOfChange(42);
    db->updateFavorite(changed);
    const auto back = read(f->uuid(), 15);
    EXPECT_TRUE(back->catalogUuid().isNull());
    EXPECT_FALSE(back->title());
    EXPECT_EQ(back->note(), std::optional<QString>(QStringLiteral("note")));
    EXPECT_EQ(back->startSelectedPosition().offset(), 99);
    EXPECT_EQ(back->timeOfChange(), 42);
}

TEST_F(FavoritesStorage, FieldUpdateWritesOnlyThePresentFields)
{
    const auto parent = folder(QStringLiteral("p"));
    db->insertFavoriteFolder(*parent);
    auto f = favorite(parent->uuid());
    f->setNote(QStringLiteral("keep"));
    db->insertFavorite(*f);

    TarnolixDB::FavoriteUpdate title;
    title.title = QStringLiteral("only the title");
    db->updateFavoriteFields(f->uuid(), title);
    auto back = read(f->uuid(), 15);
    EXPECT_EQ(back->title(), title.title);
    EXPECT_EQ(back->note(), std::optional<QString>(QStringLiteral("keep")));
    EXPECT_EQ(back->catalogUuid(), parent->uuid());
    EXPECT_EQ(back->timeOfChange(), f->timeOfChange());

    TarnolixDB::FavoriteUpdate moved;
    moved.startSectionIndex = std::optional<quint64>();
    moved.endSectionIndex = std::optional<quint64>(quint64(1) << 40);
    moved.startSectionCode = QStringLiteral("7.1");
    moved.catalogUuid = QUuid();
    moved.timeOfChange = 77;
    db->updateFavoriteFields(f->uuid(), moved);
    back = read(f->uuid(), 15);
    EXPECT_TRUE(column("startSectionIndex", f->uuid()).isNull());
    EXPECT_EQ(back->endSelectedPosition().sectionIndex(), std::optional<quint64>(quint64(1) << 40));
    EXPECT_EQ(back->startSelectedPosition().sectionCode(), QStringLiteral("7.1"));
    EXPECT_TRUE(column("catalogUuid", f->uuid()).isNull());
    EXPECT_EQ(back->timeOfChange(), 77);
    EXPECT_EQ(back->title(), title.title);

    // Nothing to write: no statement runs, nothing fails.
    EXPECT_NO_THROW(db->updateFavoriteFields(f->uuid(), {}));
    EXPECT_EQ(read(f->uuid(), 15)->timeOfChange(), 77);
    // A UUID without a row is no error.
    EXPECT_NO_THROW(db->updateFavoriteFields(QUuid::createUuid(), title));
}

TEST_F(FavoritesStorage, DeletesTouchOnlyTheNamedRows)
{
    const auto a = favorite(), b = favorite(), c = favorite();
    db->insertFavorites({a, b, c});
    db->deleteFavorite(a->uuid());
    db->deleteFavorite(QUuid::createUuid());
    EXPECT_EQ(favorites(), 2);
    db->deleteFavorites({b->uuid(), QUuid::createUuid()});
    EXPECT_EQ(favorites(), 1);
    EXPECT_EQ(errorOf([&] { db->deleteFavorites({}); }), QStringLiteral("ids is empty(4)"));
    EXPECT_EQ(errorOf([&] { db->deleteFavoriteFolders({}); }), QStringLiteral("ids is empty(4)"));
    EXPECT_EQ(errorOf([&] { db->selectFavoriteFoldersByIds({}); }), QStringLiteral("ids is empty(4)"));

    // A folder goes alone: its sub-folders and favorites stay for the caller.
    const auto parent = folder(QStringLiteral("parent"));
    const auto child = folder(QStringLiteral("child"), parent->uuid());
    db->insertFavoriteCatalogs({parent, child});
    db->insertFavorite(*favorite(parent->uuid()));
    db->deleteFavoriteFolders({parent->uuid()});
    EXPECT_FALSE(db->isFavoriteFolderExists(parent->uuid()));
    EXPECT_TRUE(db->isFavoriteFolderExists(child->uuid()));
    EXPECT_TRUE(db->isFolderHasFavorites(parent->uuid()));
}

TEST_F(FavoritesStorage, FoldersAreFoundUnderTheirParentWithNullAtTheTop)
{
    const auto top1 = folder(QStringLiteral("Первая"));
    const auto top2 = folder(QStringLiteral("Вторая"));
    const auto child = folder(QStringLiteral("Вложенная"), top1->uuid());
    db->insertFavoriteCatalogs({top1, top2});
    db->insertFavoriteFolder(*child);
    EXPECT_TRUE(column("parentUuid", top1->uuid(), "FavoritesCatalog").isNull());

    const auto tops = db->selectFavoriteFolders(QUuid());
    EXPECT_EQ(namesOf(tops), (std::set<QString>{top1->name(), top2->name()}));
    for (const FolderPtr& f : tops)
        EXPECT_TRUE(f->parentUuid().isNull());
    EXPECT_EQ(db->selectFavoriteFoldersCount(QUuid()), 2);
    EXPECT_EQ(db->selectFavoriteFoldersCount(top1->uuid()), 1);
    EXPECT_EQ(db->selectFavoriteFoldersCount(child->uuid()), 0);
    EXPECT_EQ(db->selectFavoriteFolderIds(top1->uuid()), std::vector<QUuid>{child->uuid()});
    const auto children = db->selectFavoriteFolders(top1->uuid());
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children.front()->uuid(), child->uuid());
    EXPECT_EQ(children.front()->timeOfChange(), child->timeOfChange());

    const auto one = db->selectFavoriteFolder(child->uuid());
    EXPECT_EQ(one->uuid(), child->uuid());
    EXPECT_EQ(one->parentUuid(), top1->uuid());
    EXPECT_EQ(one->name(), child->name());
    EXPECT_EQ(db->selectFavoriteFolderParent(child->uuid()), top1->uuid());
    EXPECT_TRUE(db->selectFavoriteFolderParent(top1->uuid()).isNull());
    EXPECT_EQ(namesOf(db->selectFavoriteFoldersByIds({child->uuid(), top2->uuid()})),
              (std::set<QString>{child->name(), top2->name()}));

    const QUuid missing = QUuid::createUuid();
    EXPECT_EQ(errorOf([&] { db->selectFavoriteFolder(missing); }),
              QStringLiteral("Favorite folder (uuid=%1) not found").arg(missing.toString()));
    EXPECT_EQ(errorOf([&] { db->selectFavoriteFolderParent(missing); }),
              QStringLiteral("Favorite folder (uuid=%1) not exists").arg(missing.toString(QUuid::WithoutBraces)));
    EXPECT_THROW(db->selectFavoriteFolder(missing), DBNotFound);

    // Move and rename in one statement.
    FavoriteFolder moved = *child;
    moved.setParentUuid(QUuid());
    moved.setName(QStringLiteral("Наверху"));
    db->updateFavoriteFolder(moved);
    EXPECT_EQ(db->selectFavoriteFoldersCount(QUuid()), 3);
    EXPECT_EQ(db->selectFavoriteFolder(child->uuid())->name(), QStringLiteral("Наверху"));
}

TEST_F(FavoritesStorage, FolderNameFilterMatchesSearchKeysAndNormalisesOnce)
{
    db->insertFavoriteCatalogs({folder(QStringLiteral("Молитвы")), folder(QStringLiteral("Стихи о КРИШНЕ")),
                                folder(QStringLiteral("Kṛṣṇa  notes"))});

    TarnolixDB::FavoritesFilterText filter{false, QStringLiteral("кришн")};
    EXPECT_EQ(namesOf(db->selectAllFavoriteFolders(TarnolixConstants::Russian, filter)),
              std::set<QString>{QStringLiteral("Стихи о КРИШНЕ")});
    EXPECT_TRUE(filter.normalized);

    TarnolixDB::FavoritesFilterText latin{false, QStringLiteral("KRSNA NOTES")};
    EXPECT_EQ(namesOf(db->selectAllFavoriteFolders(TarnolixConstants::English, latin)),
              std::set<QString>{QStringLiteral("Kṛṣṇa  notes")});
    EXPECT_EQ(latin.text, QStringLiteral("krsna notes"));
    // Already normalised: the text is used as it stands.
    latin.text = QStringLiteral("KRSNA");
    EXPECT_TRUE(db->selectAllFavoriteFolders(TarnolixConstants::English, latin).empty());

    TarnolixDB::FavoritesFilterText empty;
    const auto all = db->selectAllFavoriteFolders(TarnolixConstants::Russian, empty);
    EXPECT_EQ(all.size(), 3u);
    for (const FolderPtr& f : all)
        EXPECT_FALSE(f->uuid().isNull());
}

TEST_F(FavoritesStorage, SyncItemsBindIntoTheJournalAndReadBack)
{
    const FavoritesSyncItem item(QUuid::createUuid(), FavoritesSyncItem::Added);
    QSqlQuery q = db->query(TarnolixDB::syncJournalUpsertStatement(QStringLiteral("FavoritesToSync")));
    TarnolixDB::bindSyncItem(q, item);
    db->exec(q);
    TarnolixDB::bindSyncItem(q, FavoritesSyncItem(item.itemUuid(), FavoritesSyncItem::Deleted));
    db->exec(q);
    QSqlQuery rows = db->execSql(QStringLiteral("SELECT itemUuid, action FROM FavoritesToSync"));
    ASSERT_TRUE(rows.next());
    EXPECT_EQ(TarnolixDB::uuidFromColumn(rows, 0), item.itemUuid());
    EXPECT_EQ(intFromVariantMax2(rows.value(1)), FavoritesSyncItem::Deleted);
    EXPECT_FALSE(rows.next());
}
