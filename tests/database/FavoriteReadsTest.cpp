#include "tests/database/CatalogFixture.h"

#include "core/Exception.h"
#include "tests/core/ExceptionText.h"
#include "tests/core/LogCapture.h"


using Lang = TarnolixConstants::Language;

namespace {

constexpr Lang kRu = TarnolixConstants::Russian;
constexpr Lang kEn = TarnolixConstants::English;
constexpr TarnolixDB::FavoriteColumns kAllTexts = 0xF;

std::set<QUuid> uuidsOf(const TarnolixDB::FavoriteList& favorites)
{
    std::set<QUuid> uuids;
    for (const auto& f : favorites)
        uuids.insert(f->uuid());
    return uuids;
}

std::vector<QUuid> orderOf(const TarnolixDB::FavoriteList& favorites)
{
    std::vector<QUuid> uuids;
    for (const auto& f : favorites)
        uuids.push_back(f->uuid());
    return uuids;
}

} // namespace

class FavoriteReads : public CatalogFixture
{
protected:
    // A favorite of `bookId` starting in `startCode`; texts absent unless given.
    TarnolixDB::FavoritePtr add(int bookId, Lang language, const QString& startCode, const QUuid& folder = {},
                                std::optional<QString> title = std::nullopt,
                                std::optional<QString> note = std::nullopt,
                                std::optional<QString> text = std::nullopt)
    {
        auto f = std::make_shared<Favorite>();
        f->setUuid(QUuid::createUuid());
        f->setCatalogUuid(folder);
        f->setBookId(bookId);
        f->setLanguage(language);
        f->startSelectedPosition().setSectionCode(startCode);
        f->startSelectedPosition().setSectionSlug(QStringLiteral("s-") + startCode);
        f->startSelectedPosition().setSectionIndex(3);
        f->startSelectedPosition().setOffset(7);
        f->endSelectedPosition().setSectionCode(startCode + QStringLiteral(".9"));
        f->endSelectedPosition().setSectionSlug(QStringLiteral("e-") + startCode);
        f->endSelectedPosition().setOffset(12);
        f->setTitle(title);
        f->setNote(note);
        f->setFavoriteText(text);
        f->setTimeOfChange(1700000000000 + bookId);
        db->insertFavorite(*f);
        return f;
    }

    void addSection(Lang language, int bookId, const QString& code, const QString& parentCode)
    {
        db->execSql(QStringLiteral("INSERT INTO BookSections%1(code, bookId, parentCode, title) VALUES(?, ?, ?, ?)")
                        .arg(language),
                    {code, bookId, parentCode.isEmpty() ? QVariant(QVariant::String) : QVariant(parentCode),
                     QStringLiteral("Title ") + code});
    }

    const QUuid folder = QUuid::createUuid();
};

TEST_F(FavoriteReads, SingleFavoriteWithTheChosenTextColumns)
{
    const auto stored = add(5, kRu, QStringLiteral("1.2"), folder, QStringLiteral("Заглавие"), QString(),
                            QStringLiteral("цитата \U0001F600"));

    const auto bare = db->selectFavorite(stored->uuid(), 0);
    EXPECT_EQ(bare->uuid(), stored->uuid());
    EXPECT_EQ(bare->catalogUuid(), folder);
    EXPECT_EQ(bare->bookId(), 5);
    EXPECT_EQ(bare->language(), kRu);
    EXPECT_EQ(bare->startSelectedPosition().sectionCode(), QStringLiteral("1.2"));
    EXPECT_EQ(bare->startSelectedPosition().sectionIndex(), std::optional<quint64>(3));
    EXPECT_EQ(bare->startSelectedPosition().offset(), 7);
    EXPECT_FALSE(bare->endSelectedPosition().sectionIndex());
    EXPECT_EQ(bare->timeOfChange(), 1700000000005);
    EXPECT_FALSE(bare->startSelectedPosition().sectionSlug());
    EXPECT_FALSE(bare->title());
    EXPECT_FALSE(bare->favoriteText());

    const auto full = db->selectFavorite(stored->uuid(), kAllTexts);
    EXPECT_EQ(full->startSelectedPosition().sectionSlug(), std::optional<QString>(QStringLiteral("s-1.2")));
    EXPECT_EQ(full->endSelectedPosition().sectionSlug(), std::optional<QString>(QStringLiteral("e-1.2")));
    EXPECT_EQ(full->title(), stored->title());
    EXPECT_EQ(full->note(), std::optional<QString>(QString())); // present and empty, not absent
    EXPECT_EQ(full->favoriteText(), stored->favoriteText());

    Favorite fields;
    fields.setUuid(stored->uuid());
    db->selectFavoriteFields(fields, TarnolixDB::FavoriteTitle | TarnolixDB::FavoriteQuotedText);
    EXPECT_EQ(fields.title(), stored->title());
    EXPECT_EQ(fields.favoriteText(), stored->favoriteText());
    EXPECT_FALSE(fields.note());
    EXPECT_EQ(errorOf([&] { db->selectFavoriteFields(fields, 0); }), QStringLiteral("Invalid args 0xFAB41248"));

    EXPECT_EQ(db->selectFavoriteFolderUuid(stored->uuid()), folder);
    EXPECT_EQ(db->selectFavoriteText(stored->uuid()), stored->favoriteText().value());
    EXPECT_EQ(db->selectFavoriteTitleNote(stored->uuid()), std::make_pair(QStringLiteral("Заглавие"), QString()));

    const QUuid missing = QUuid::createUuid();
    Favorite absent;
    absent.setUuid(missing);
    EXPECT_THROW(db->selectFavorite(missing, 0), DBNotFound);
    EXPECT_THROW(db->selectFavoriteFields(absent, TarnolixDB::FavoriteNote), DBNotFound);
    EXPECT_EQ(errorOf([&] { db->selectFavoriteFolderUuid(missing); }), QStringLiteral("Favorite not found"));
    EXPECT_EQ(errorOf([&] { db->selectFavoriteText(missing); }), QStringLiteral("Закладка не найдена"));
    EXPECT_EQ(errorOf([&] { db->selectFavoriteTitleNote(missing); }), QStringLiteral("Закладка не найдена"));
}

TEST_F(FavoriteReads, ByFolderNewestFirstWithCounts)
{
    const auto first = add(5, kRu, QStringLiteral("1"), folder);
    const auto top = add(5, kRu, QStringLiteral("2"));
    const auto last = add(6, kEn, QStringLiteral("3"), folder);
    // An update keeps the row's place in the order of insertion.
    first->setTimeOfChange(1800000000000);
    db->updateFavorite(*first);

    EXPECT_EQ(orderOf(db->selectFavoritesInFolder(std::nullopt, true, 0)),
              (std::vector<QUuid>{last->uuid(), top->uuid(), first->uuid()}));
    const auto inFolder = db->selectFavoritesInFolder(folder, true, TarnolixDB::FavoriteSectionSlugs);
    EXPECT_EQ(orderOf(inFolder), (std::vector<QUuid>{last->uuid(), first->uuid()}));
    EXPECT_EQ(inFolder[1]->timeOfChange(), 1800000000000);
    EXPECT_TRUE(inFolder[0]->startSelectedPosition().sectionSlug());
    EXPECT_EQ(uuidsOf(db->selectFavoritesInFolder(QUuid(), false, 0)), std::set<QUuid>{top->uuid()});

    const auto ids = db->selectFavoriteIdsInFolder(folder);
    EXPECT_EQ(std::set<QUuid>(ids.begin(), ids.end()), (std::set<QUuid>{first->uuid(), last->uuid()}));
    EXPECT_EQ(db->selectFavoriteIdsInFolder(QUuid()), std::vector<QUuid>{top->uuid()});

    EXPECT_EQ(db->selectFavoritesCount(), 3);
    EXPECT_EQ(db->selectFavoritesCountInFolder(folder), 2);
    EXPECT_EQ(db->selectFavoritesCountInFolder(QUuid()), 1);
    EXPECT_EQ(db->selectFavoritesCountInFolder(QUuid::createUuid()), 0);
    EXPECT_EQ(db->selectFavoritesCountOfBook(5, kRu), 2);
    EXPECT_EQ(db->selectFavoritesCountOfBook(5, kEn), 0);
}

TEST_F(FavoriteReads, ByUuidList)
{
    const auto a = add(5, kRu, QStringLiteral("1"), {}, QStringLiteral("A"));
    const auto b = add(5, kRu, QStringLiteral("2"));
    add(5, kRu, QStringLiteral("3"));

    const auto found = db->selectFavoritesByIds({a->uuid(), b->uuid(), QUuid::createUuid()}, TarnolixDB::FavoriteTitle);
    EXPECT_EQ(uuidsOf(found), (std::set<QUuid>{a->uuid(), b->uuid()}));
    for (const auto& f : found)
        EXPECT_EQ(f->title(), f->uuid() == a->uuid() ? std::optional<QString>(QStringLiteral("A")) : std::nullopt);
    EXPECT_EQ(errorOf([&] { db->selectFavoritesByIds({}, 0); }), QStringLiteral("ids is empty(4)"));
}

TEST_F(FavoriteReads, OfBookRangesAndSlugs)
{
    // Book 5: 1 > 1.1 > 1.1.1, and 2.
    addSection(kRu, 5, QStringLiteral("1"), {});
    addSection(kRu, 5, QStringLiteral("1.1"), QStringLiteral("1"));
    addSection(kRu, 5, QStringLiteral("1.1.1"), QStringLiteral("1.1"));
    addSection(kRu, 5, QStringLiteral("2"), {});
    const auto inTop = add(5, kRu, QStringLiteral("1"), folder);
    const auto deep = add(5, kRu, QStringLiteral("1.1.1"));
    const auto beside = add(5, kRu, QStringLiteral("2"));
    add(5, kEn, QStringLiteral("1"));
    add(6, kRu, QStringLiteral("1"));

    const auto ofBook = db->selectFavoritesOfBook(5, kRu);
    EXPECT_EQ(uuidsOf(ofBook), (std::set<QUuid>{inTop->uuid(), deep->uuid(), beside->uuid()}));
    for (const auto& f : ofBook) {
        EXPECT_EQ(f->bookId(), 5);
        EXPECT_EQ(f->language(), kRu);
        EXPECT_EQ(f->endSelectedPosition().offset(), 12);
    }

    EXPECT_EQ(uuidsOf(db->selectFavoriteRangesOfBook(5, kRu, QStringLiteral("1"))),
              (std::set<QUuid>{inTop->uuid(), deep->uuid()}));
    EXPECT_EQ(uuidsOf(db->selectFavoriteRangesOfBook(5, kRu, QStringLiteral("1.1"))), std::set<QUuid>{deep->uuid()});
    EXPECT_TRUE(db->selectFavoriteRangesOfBook(5, kRu, QStringLiteral("x' OR '1'='1")).empty());

    const auto slugs = db->selectFavoriteSlugs(5, kRu);
    ASSERT_EQ(slugs.size(), 3u);
    for (const auto& f : slugs) {
        EXPECT_EQ(f->startSelectedPosition().sectionSlug().value(),
                  QStringLiteral("s-") + (f->uuid() == deep->uuid()     ? QStringLiteral("1.1.1")
                                          : f->uuid() == beside->uuid() ? QStringLiteral("2")
                                                                        : QStringLiteral("1")));
        EXPECT_TRUE(f->endSelectedPosition().sectionSlug());
        EXPECT_TRUE(f->startSelectedPosition().sectionCode().isEmpty());
    }
}

TEST_F(FavoriteReads, TextFilterMatchesSearchKeysAndKeepsStoredTexts)
{
    const auto byTitle = add(5, kRu, QStringLiteral("1"), {}, QStringLiteral("Кришна-Лила"));
    const auto byNote = add(5, kRu, QStringLiteral("2"), {}, std::nullopt, QStringLiteral("О ВРИНДАВАНЕ"));
    const auto byText = add(5, kRu, QStringLiteral("3"), {}, QString(), std::nullopt, QStringLiteral("кṛṣṇа"));
    add(5, kRu, QStringLiteral("4"), {}, QStringLiteral("другое"));

    TarnolixDB::FavoritesFilterText filter{false, QStringLiteral("врИндАван")};
    const auto found = db->selectFavoriteTexts(kRu, filter);
    EXPECT_TRUE(filter.normalized);
    ASSERT_EQ(uuidsOf(found), std::set<QUuid>{byNote->uuid()});
    EXPECT_EQ(found[0]->note(), std::optional<QString>(QStringLiteral("О ВРИНДАВАНЕ")));
    EXPECT_FALSE(found[0]->title());
    EXPECT_FALSE(found[0]->favoriteText());
    EXPECT_EQ(found[0]->bookId(), 5);

    TarnolixDB::FavoritesFilterText lila{false, QStringLiteral("лила")};
    EXPECT_EQ(uuidsOf(db->selectFavoriteTexts(kRu, lila)), std::set<QUuid>{byTitle->uuid()});

    // Marks removed on both sides.
    TarnolixDB::FavoritesFilterText marked{false, QStringLiteral("кṛṣ")};
    const auto withMarks = db->selectFavoriteTexts(kRu, marked);
    ASSERT_EQ(uuidsOf(withMarks), std::set<QUuid>{byText->uuid()});
    EXPECT_EQ(withMarks[0]->title(), std::optional<QString>(QString()));
    EXPECT_EQ(withMarks[0]->favoriteText(), byText->favoriteText());

    TarnolixDB::FavoritesFilterText none{false, QStringLiteral("нет такого")};
    EXPECT_TRUE(db->selectFavoriteTexts(kRu, none).empty());
    TarnolixDB::FavoritesFilterText all{false, QString()};
    EXPECT_EQ(db->selectFavoriteTexts(kRu, all).size(), 4u);
}

TEST_F(FavoriteReads, TitleExistsAmongOtherFavorites)
{
    const auto own = add(5, kRu, QStringLiteral("1"), {}, QStringLiteral("Гита 2.13"));
    EXPECT_TRUE(db->isFavoriteTitleExists(QStringLiteral("Гита 2.13"), QUuid()));
    EXPECT_FALSE(db->isFavoriteTitleExists(QStringLiteral("гита 2.13"), QUuid()));
    EXPECT_FALSE(db->isFavoriteTitleExists(QStringLiteral("Гита 2.13"), own->uuid()));
    add(6, kRu, QStringLiteral("1"), {}, QStringLiteral("Гита 2.13"));
    EXPECT_TRUE(db->isFavoriteTitleExists(QStringLiteral("Гита 2.13"), own->uuid()));
    EXPECT_FALSE(db->isFavoriteTitleExists(QStringLiteral("' OR 1=1 --"), QUuid()));
}

TEST_F(FavoriteReads, BooksWithFavoritesInNaturalOrder)
{
    addBookInfo(kRu, 5, QStringLiteral("Том 10"));
    addBookInfo(kRu, 6, QStringLiteral("Том 9"));
    addBookInfo(kRu, 7, QStringLiteral("Без закладок"));
    addBookInfo(kEn, 5, QStringLiteral("Volume 10"));
    add(5, kRu, QStringLiteral("1"));
    add(5, kRu, QStringLiteral("2"));
    add(6, kRu, QStringLiteral("1"));
    add(8, kEn, QStringLiteral("1")); // no edition stored

    EXPECT_EQ(db->selectFavoriteBookIds(kRu), (std::unordered_set<int>{5, 6}));
    EXPECT_EQ(db->selectFavoriteBookIds(kEn), std::unordered_set<int>{8});
    const auto books = db->selectBooksWithFavorites(kRu);
    ASSERT_EQ(books.size(), 2u);
    EXPECT_EQ(books[0]->shortName, QStringLiteral("Том 9"));
    EXPECT_EQ(books[1]->shortName, QStringLiteral("Том 10"));
    EXPECT_EQ(books[1]->language, kRu);
    EXPECT_EQ(books[1]->publishingYear, 1905);
    EXPECT_TRUE(db->selectBooksWithFavorites(kEn).empty());
}

TEST_F(FavoriteReads, CategoryTreeHoldsAncestorsAndCutsLoops)
{
    // 1 > 2 > 3, and 4 at the top; book 5 in 3, book 6 in 4 (English only).
    db->execSql(QStringLiteral("INSERT INTO Categories(id, parentId) VALUES(1, NULL), (2, 1), (3, 2), (4, NULL)"));
    link("BookBaseCategories", "categoryId", 5, 3);
    link("BookBaseCategories", "categoryId", 6, 4);
    add(5, kRu, QStringLiteral("1"));
    add(6, kEn, QStringLiteral("1"));
    EXPECT_EQ(db->selectFavoriteCategoryTree(kRu), (std::unordered_set<int>{1, 2, 3}));
    EXPECT_EQ(db->selectFavoriteCategoryTree(kEn), std::unordered_set<int>{4});

    LogCapture log;
    db->execSql(QStringLiteral("UPDATE Categories SET parentId=3 WHERE id=1"));
    EXPECT_EQ(db->selectFavoriteCategoryTree(kRu), (std::unordered_set<int>{1, 2, 3}));
    EXPECT_EQ(log.warnings().size(), 1);

    db->execSql(QStringLiteral("UPDATE Categories SET parentId=99 WHERE id=1"));
    EXPECT_EQ(errorOf([&] { db->selectFavoriteCategoryTree(kRu); }), QStringLiteral("ERROR 0x5468FF86"));
}

TEST_F(FavoriteReads, StartSectionsWithTheirAncestors)
{
    addSection(kRu, 5, QStringLiteral("1"), {});
    addSection(kRu, 5, QStringLiteral("1.1"), QStringLiteral("1"));
    addSection(kRu, 5, QStringLiteral("1.2"), QStringLiteral("1"));
    addSection(kRu, 5, QStringLiteral("2.1"), QStringLiteral("2")); // parent 2 missing
    add(5, kRu, QStringLiteral("1.1"));
    add(5, kRu, QStringLiteral("1.2"));
    add(5, kRu, QStringLiteral("2.1"));
    add(5, kEn, QStringLiteral("9"));

    LogCapture log;
    QStringList codes = db->selectStartSectionCodesWithFavorites(5, kRu);
    codes.sort();
    EXPECT_EQ(codes, (QStringList{QStringLiteral("1"), QStringLiteral("1.1"), QStringLiteral("1.2"),
                                  QStringLiteral("2"), QStringLiteral("2.1")}));
    EXPECT_EQ(log.warnings(), QStringList{QStringLiteral("selectStartSectionCodesWithFavorites: section not "
                                                         "found(bookId=5 code=\"2.1\" language=2)")});

    // A loop of parents ends once every code is collected.
    log.clear();
    db->execSql(QStringLiteral("UPDATE BookSections2 SET parentCode='1.1' WHERE code='1'"));
    codes = db->selectStartSectionCodesWithFavorites(5, kRu);
    EXPECT_EQ(codes.size(), 5);
}
