// The favorites service: adding from the page's position maps (slugs,
// UTF-16 text offsets, refusals), editing, deleting, the folder cascade and
// the journal, each failure leaving the library and the listeners as they
// were.

#include "tests/favorites/FavoritesFixture.h"

#include "database/TarnolixDB.h"
#include "tests/support/MessageLog.h"

#include <gtest/gtest.h>

namespace tarnolix::test {
namespace {

const QString kFavoritesJournal = QStringLiteral("FavoritesToSync");
const QString kFoldersJournal = QStringLiteral("FavoritesCatalogToSync");

class FavoriteHelperTest : public FavoritesFixture
{
protected:
    std::shared_ptr<Favorite> stored(const QUuid& uuid)
    {
        return db->selectFavorite(uuid, TarnolixDB::FavoriteSectionSlugs | TarnolixDB::FavoriteTitle
                                            | TarnolixDB::FavoriteNote | TarnolixDB::FavoriteQuotedText);
    }

    // A favorite written straight to the library, in folder `folder`.
    std::shared_ptr<Favorite> insert(const QUuid& folder, int bookId = kBookId, L language = L::Russian)
    {
        auto favorite = std::make_shared<Favorite>();
        favorite->setUuid(QUuid::createUuid());
        favorite->setCatalogUuid(folder);
        favorite->setBookId(bookId);
        favorite->setLanguage(language);
        for (SelectedPosition* p : {&favorite->startSelectedPosition(), &favorite->endSelectedPosition()}) {
            p->setSectionCode(QStringLiteral("c1"));
            p->setSectionSlug(QStringLiteral("ch-1"));
            p->setSectionIndex(0);
        }
        favorite->endSelectedPosition().setOffset(3);
        favorite->setTitle(QStringLiteral("Stored"));
        favorite->setTimeOfChange(1000);
        db->insertFavorite(*favorite);
        return favorite;
    }

    std::shared_ptr<FavoriteFolder> folder(const QUuid& parent, const QString& name)
    {
        auto f = std::make_shared<FavoriteFolder>();
        f->setUuid(QUuid::createUuid());
        f->setParentUuid(parent);
        f->setName(name);
        f->setTimeOfChange(1000);
        db->insertFavoriteFolder(*f);
        return f;
    }
};

TEST_F(FavoriteHelperTest, OneSectionStoresItsSlugAtBothEndsWithTextOffsetsAndJournalsTheAddition)
{
    const auto added = add(L::Russian, position(L::Russian, 3, "альфа "), position(L::Russian, 3, "альфа бета"));
    ASSERT_TRUE(added);
    const auto row = stored(added->uuid());
    EXPECT_EQ(row->startSelectedPosition().sectionSlug(), QStringLiteral("ch-3"));
    EXPECT_EQ(row->endSelectedPosition().sectionSlug(), QStringLiteral("ch-3"));
    EXPECT_EQ(row->startSelectedPosition().sectionCode(), "c3");
    EXPECT_EQ(row->startSelectedPosition().sectionIndex(), std::optional<quint64>(2));
    // Text offsets, not HTML offsets: the selection is the word "бета".
    EXPECT_EQ(row->endSelectedPosition().offset() - row->startSelectedPosition().offset(), 4);
    EXPECT_LT(row->endSelectedPosition().offset(), pageHtml(L::Russian, "c3").indexOf("бета"));
    EXPECT_EQ(row->title(), QStringLiteral("Mark"));
    EXPECT_EQ(row->favoriteText(), QStringLiteral("text"));
    EXPECT_TRUE(row->catalogUuid().isNull());
    EXPECT_EQ(journalAction(kFavoritesJournal, added->uuid()), 1);
    EXPECT_TRUE(services.errors.isEmpty()) << qPrintable(services.errors.join('\n'));

    // The root folder reads back as an empty folder string.
    const QVariantMap info = helper->getFavoriteInfo(added->uuid().toString()).toMap();
    EXPECT_EQ(info.value("folderUuid").toString(), QString());
    EXPECT_EQ(info.value("sectionCode").toString(), "c3");
    EXPECT_EQ(info.value("uuid").toString(), added->uuid().toString(QUuid::WithoutBraces));
}

TEST_F(FavoriteHelperTest, TwoSectionsStoreBothSlugsAndTheFolder)
{
    const auto target = folder({}, QStringLiteral("Folder"));
    const auto added = add(L::English, position(L::English, 3, "beta "), position(L::English, 5, "alpha"),
                           QStringLiteral("Mark"), target->uuid().toString());
    ASSERT_TRUE(added);
    const auto row = stored(added->uuid());
    EXPECT_EQ(row->startSelectedPosition().sectionSlug(), QStringLiteral("ch-3"));
    EXPECT_EQ(row->endSelectedPosition().sectionSlug(), QStringLiteral("ch-5"));
    EXPECT_EQ(row->endSelectedPosition().sectionIndex(), std::optional<quint64>(4));
    EXPECT_EQ(row->language(), L::English);
    EXPECT_EQ(row->catalogUuid(), target->uuid());
}

TEST_F(FavoriteHelperTest, OffsetsCountUtf16UnitsAfterACharacterOutsideTheBmp)
{
    // Section 2 holds U+1D11E (two UTF-16 units) before "альфа".
    const auto added = add(L::Russian, position(L::Russian, 2, "Стих 2: "), position(L::Russian, 2, "бета"));
    ASSERT_TRUE(added);
    const auto row = stored(added->uuid());
    EXPECT_EQ(row->endSelectedPosition().offset() - row->startSelectedPosition().offset(),
              QStringLiteral("\U0001D11E альфа бета").size());

    // The stored offsets find the same text in the rendered section again.
    FavoritesValidator validator(db);
    ASSERT_TRUE(validator.init(kBookId, L::Russian));
    row->setFavoriteText(QStringLiteral("\U0001D11E альфа бета"));
    EXPECT_TRUE(validator.check(*row));
}

TEST_F(FavoriteHelperTest, RefusedSelectionsStoreAndEmitNothingAndShowTheirText)
{
    const QString html3 = pageHtml(L::Russian, "c3");
    const int word = html3.lastIndexOf("альфа");
    const QVariantMap at = position("c3", 2, html3, word);
    QVariantMap withoutHtml = position("c3", 2, html3, word + 6);
    withoutHtml.remove("html");
    const QString cannot = QStringLiteral("Не удалось создать закладку");
    struct Case
    {
        const char* name;
        int bookId;
        QVariant start;
        QVariant end;
        const char* warning;
        QString message;
    };
    const std::vector<Case> cases = {
        {"end equals start", kBookId, at, at, "ERROR 0x858f96f2", cannot},
        {"end before start", kBookId, position("c3", 2, html3, word + 6), at, "ERROR 0x858f96f2", cannot},
        {"start inside a tag", kBookId, position("c3", 2, html3, 1), at, "ERROR 0x858f961c", cannot},
        {"end inside a tag", kBookId, at, position("c3", 2, html3, html3.lastIndexOf("</") + 1), "ERROR 0x858f961d",
         cannot},
        {"start without html", kBookId, withoutHtml, position("c3", 2, html3, word + 8), "ERROR 0x858f961c", cannot},
        {"ambiguous slug", 8, position("d1", 0, html3, word), position("d1", 0, html3, word + 3),
         "checkUniqueSectionSlug: 2 sections found by slug: dup",
         QStringLiteral("Невозможно создать избранное для этого раздела книги!")},
        {"not a map", kBookId, QVariant(5), at, "selectedPositionFromVariant: Is not map",
         QStringLiteral("Раздел книги не найден!(0x89742577)")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        services.errors.clear();
        MessageLog log;
        QSignalSpy added(helper.get(), &FavoriteHelper::favoritesAdded);
        helper->addFavorite(c.bookId, L::Russian, c.start, c.end, "Mark", "", "text", "");
        EXPECT_EQ(added.count(), 0);
        EXPECT_EQ(db->selectFavoritesCount(), 0);
        EXPECT_EQ(services.errors, QStringList{c.message});
        EXPECT_TRUE(log.contains(QtWarningMsg, c.warning)) << qPrintable(log.texts(QtWarningMsg).join('\n'));
    }
    EXPECT_TRUE(db->selectFavoritesToSync().empty());
}

TEST_F(FavoriteHelperTest, PositionMapKeysBeyondTheFourOnlyWarn)
{
    QVariantMap start = position(L::Russian, 1, "альфа ");
    start.insert("extra", 1);
    // The page may report the index as a numeric string.
    start.insert("sectionIndex", QStringLiteral("0"));
    MessageLog log;
    const auto added = add(L::Russian, start, position(L::Russian, 1, "бета"));
    ASSERT_TRUE(added);
    EXPECT_TRUE(log.contains(QtWarningMsg, "selectedPositionFromVariant: Map size != 4"));
    EXPECT_EQ(added->startSelectedPosition().sectionIndex(), std::optional<quint64>(0));
}

TEST_F(FavoriteHelperTest, FavoriteAndJournalRowAreOneTransaction)
{
    db->execSql(QStringLiteral("DROP TABLE FavoritesToSync"));
    EXPECT_FALSE(add(L::Russian, position(L::Russian, 3, "альфа "), position(L::Russian, 3, "бета")));
    EXPECT_EQ(db->selectFavoritesCount(), 0);
    EXPECT_EQ(services.errors.size(), 1);
}

TEST_F(FavoriteHelperTest, UpdateWritesAndEmitsOnlyRealChanges)
{
    const auto favorite = insert({});
    QSignalSpy changed(helper.get(), &FavoriteHelper::favoritesChanged);

    helper->updateFavorite(favorite->uuid().toString(), "Stored", "", "");
    // The stored note is unset: an empty note is a change.
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(stored(favorite->uuid())->note(), QString(""));
    const qint64 time = stored(favorite->uuid())->timeOfChange();
    EXPECT_GT(time, 1000);

    helper->updateFavorite(favorite->uuid().toString(), "Stored", "", "");
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(stored(favorite->uuid())->timeOfChange(), time);

    const auto target = folder({}, "Target");
    helper->updateFavorite(favorite->uuid().toString(), "New title", "", target->uuid().toString());
    ASSERT_EQ(changed.count(), 2);
    const auto pair = changed.at(1).at(0).value<ChangedFavorites>().at(0);
    EXPECT_EQ(pair.first->title(), QStringLiteral("Stored"));
    EXPECT_TRUE(pair.first->catalogUuid().isNull());
    EXPECT_EQ(pair.second->title(), QStringLiteral("New title"));
    EXPECT_EQ(pair.second->catalogUuid(), target->uuid());
    const auto row = stored(favorite->uuid());
    EXPECT_EQ(row->title(), QStringLiteral("New title"));
    EXPECT_EQ(row->catalogUuid(), target->uuid());
    // Edits are found by their time of change, not journalled.
    EXPECT_EQ(journalAction(kFavoritesJournal, favorite->uuid()), -1);

    helper->updateFavorite("not a uuid", "x", "", "");
    EXPECT_EQ(services.errors, QStringList{"ERROR 0xF1477494"});
    EXPECT_EQ(changed.count(), 2);
}

TEST_F(FavoriteHelperTest, RemovingAFolderDeletesItsSubtreeJournalsEveryUuidAndEmitsFavoritesFirst)
{
    const auto top = folder({}, "Top");
    const auto child = folder(top->uuid(), "Child");
    const auto grandchild = folder(child->uuid(), "Grandchild");
    const auto other = folder({}, "Other");
    const auto inTop = insert(top->uuid());
    const auto inGrandchild = insert(grandchild->uuid());
    const auto kept = insert(other->uuid());

    QStringList order;
    FavoriteConstArray deletedFavorites;
    FavoriteFolderConstArray deletedFolders;
    QObject::connect(helper.get(), &FavoriteHelper::favoritesDeleted, [&](const FavoriteConstArray& f) {
        order << "favorites";
        deletedFavorites = f;
    });
    QObject::connect(helper.get(), &FavoriteHelper::favoriteFoldersDeleted, [&](const FavoriteFolderConstArray& f) {
        order << "folders";
        deletedFolders = f;
    });
    helper->removeFolder(top->uuid().toString());

    EXPECT_EQ(order, (QStringList{"favorites", "folders"}));
    EXPECT_EQ(deletedFavorites.size(), 2u);
    EXPECT_EQ(deletedFolders.size(), 3u);
    for (const auto& uuid : {inTop->uuid(), inGrandchild->uuid()})
        EXPECT_EQ(journalAction(kFavoritesJournal, uuid), 2);
    for (const auto& uuid : {top->uuid(), child->uuid(), grandchild->uuid()}) {
        EXPECT_EQ(journalAction(kFoldersJournal, uuid), 2);
        EXPECT_FALSE(db->isFavoriteFolderExists(uuid));
    }
    EXPECT_EQ(db->selectFavoritesCount(), 1);
    EXPECT_TRUE(db->isFavoriteFolderExists(other->uuid()));
    EXPECT_EQ(journalAction(kFavoritesJournal, kept->uuid()), -1);

    // A folder without favorites announces only the folder.
    order.clear();
    helper->removeFolder(other->uuid().toString());
    EXPECT_EQ(order, (QStringList{"favorites", "folders"}));
    order.clear();
    const auto empty = folder({}, "Empty");
    helper->removeFolder(empty->uuid().toString());
    EXPECT_EQ(order, QStringList{"folders"});
}

TEST_F(FavoriteHelperTest, FailedFolderRemovalChangesAndEmitsNothing)
{
    const auto top = folder({}, "Top");
    insert(top->uuid());
    db->execSql(QStringLiteral("DROP TABLE FavoritesCatalogToSync"));
    QSignalSpy favorites(helper.get(), &FavoriteHelper::favoritesDeleted);
    QSignalSpy folders(helper.get(), &FavoriteHelper::favoriteFoldersDeleted);
    helper->removeFolder(top->uuid().toString());
    EXPECT_EQ(favorites.count() + folders.count(), 0);
    EXPECT_EQ(services.errors.size(), 1);
    EXPECT_TRUE(db->isFavoriteFolderExists(top->uuid()));
    EXPECT_EQ(db->selectFavoritesCount(), 1);
    EXPECT_TRUE(db->selectFavoritesToSync().empty());
}

TEST_F(FavoriteHelperTest, DeletingFavoritesJournalsThemAndABookWithoutFavoritesStillAnnounces)
{
    const auto one = insert({});
    const auto ofBook = insert({});
    const auto otherLanguage = insert({}, kBookId, L::English);
    QSignalSpy deleted(helper.get(), &FavoriteHelper::favoritesDeleted);

    helper->deleteFavorite(one->uuid().toString());
    ASSERT_EQ(deleted.count(), 1);
    EXPECT_EQ(journalAction(kFavoritesJournal, one->uuid()), 2);

    helper->deleteBookFavorites(kBookId, L::Russian);
    ASSERT_EQ(deleted.count(), 2);
    EXPECT_EQ(deleted.at(1).at(0).value<FavoriteConstArray>().size(), 1u);
    EXPECT_EQ(journalAction(kFavoritesJournal, ofBook->uuid()), 2);
    EXPECT_EQ(db->selectFavoritesCount(), 1) << "the English edition's favorite stays";

    helper->deleteBookFavorites(kBookId, L::Russian);
    ASSERT_EQ(deleted.count(), 3) << qPrintable(services.errors.join('\n'));
    EXPECT_TRUE(deleted.at(2).at(0).value<FavoriteConstArray>().empty());

    helper->deleteFavorite(one->uuid().toString());
    EXPECT_EQ(deleted.count(), 3);
    EXPECT_EQ(services.errors.size(), 1);
    EXPECT_EQ(journalAction(kFavoritesJournal, otherLanguage->uuid()), -1);
}

TEST_F(FavoriteHelperTest, FoldersAreAddedRenamedAsNewRecordsAndRenamingToTheSameNameWritesNothing)
{
    QSignalSpy added(helper.get(), &FavoriteHelper::favoriteFoldersAdded);
    QSignalSpy changed(helper.get(), &FavoriteHelper::favoriteFoldersChanged);
    const auto created = helper->addFolder({}, "Name");
    ASSERT_EQ(added.count(), 1);
    EXPECT_EQ(journalAction(kFoldersJournal, created->uuid()), 1);
    const qint64 createdTime = created->timeOfChange();

    helper->renameFolder(created->uuid().toString(), "Name");
    EXPECT_EQ(changed.count(), 0);

    // The record listeners were given is never changed: a new one is stored and announced.
    db->execSql(QStringLiteral("UPDATE FavoritesCatalog SET timeOfChange=1"));
    helper->renameFolder(created->uuid().toString(), "Renamed");
    ASSERT_EQ(changed.count(), 1);
    const auto announced = changed.at(0).at(0).value<FavoriteFolderConstArray>().at(0);
    EXPECT_EQ(announced->name(), "Renamed");
    EXPECT_GT(announced->timeOfChange(), 1);
    EXPECT_EQ(created->name(), "Name");
    EXPECT_EQ(created->timeOfChange(), createdTime);
    EXPECT_EQ(db->selectFavoriteFolder(created->uuid())->name(), "Renamed");
    EXPECT_EQ(helper->getFolderName(created->uuid().toString()), "Renamed");

    auto renamed = std::make_shared<FavoriteFolder>(*created);
    renamed->setName("Direct");
    const auto result = helper->updateFolder(renamed);
    EXPECT_EQ(renamed->timeOfChange(), createdTime);
    EXPECT_NE(result.get(), renamed.get());
    EXPECT_EQ(changed.count(), 2);
}

TEST_F(FavoriteHelperTest, BookSectionNameJoinsBookAndSection)
{
    const QVariantMap name = helper->getBookSectionName(kBookId, L::Russian, "c3").toMap();
    EXPECT_EQ(name.value("bookName").toString(), QStringLiteral("Гита"));
    EXPECT_EQ(name.value("sectionPath").toString(), QStringLiteral("Гита \u2022 Глава 3"));

    db->execSql(QStringLiteral("UPDATE BookSections1 SET name='' WHERE code='c2'"));
    const QVariantMap unnamed = helper->getBookSectionName(kBookId, L::English, "c2").toMap();
    EXPECT_EQ(unnamed.value("sectionPath").toString(), "Gita");

    EXPECT_FALSE(helper->getBookSectionName(kBookId, L::Russian, "d1").isValid());
    EXPECT_EQ(services.errors, QStringList{"Error 0x8123f451: Wrong bookId"});
}

TEST_F(FavoriteHelperTest, TitleLookupIgnoresTheEditedFavorite)
{
    const auto favorite = insert({});
    EXPECT_TRUE(helper->hasFavoriteWithTitle("Stored", ""));
    EXPECT_FALSE(helper->hasFavoriteWithTitle("Stored", favorite->uuid().toString()));
    const QVariantMap titleNote = helper->getFavoriteTitleAndNote(favorite->uuid().toString()).toMap();
    EXPECT_EQ(titleNote.value("title").toString(), "Stored");
}

} // namespace
} // namespace tarnolix::test
