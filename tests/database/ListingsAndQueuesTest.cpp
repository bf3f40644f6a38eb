#include "tests/database/CatalogFixture.h"

#include "core/Exception.h"
#include "core/TextNormalization.h"

#include <QDataStream>

using Lang = TarnolixConstants::Language;
constexpr Lang kRu = TarnolixConstants::Russian;
constexpr Lang kEn = TarnolixConstants::English;
constexpr Lang kSt = TarnolixConstants::Sanskrit;

namespace {

std::vector<int> idsOf(const TarnolixDB::BookInfoList& books)
{
    std::vector<int> ids;
    for (const auto& b : books)
        ids.push_back(b->bookId);
    return ids;
}

QByteArray downloadFilesBytes(const std::vector<BookInfo::DownloadFile>& files)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_12);
    out << quint32(files.size());
    for (const auto& f : files)
        writeDownloadFile(out, f);
    return bytes;
}

} // namespace

using Listings = CatalogFixture;

TEST_F(Listings, NaturalOrderOfShortNamesThenId)
{
    // Stored so that shortNameLC order ("part 10" < "part 9") is wrong.
    addBookInfo(kEn, 3, QStringLiteral("part 9"));
    addBookInfo(kEn, 1, QStringLiteral("Part 10"));
    addBookInfo(kEn, 2, QStringLiteral("Part 9"));
    for (int id : {1, 2, 3}) {
        link("BookBaseAuthors", "authorId", id, 50);
        link("BookBaseCategories", "categoryId", id, 60);
        link("BookBaseCommentators", "commentatorId", id, 70);
    }
    db->execSql(QStringLiteral("INSERT INTO CatalogSearch(id, type) VALUES(1, 1), (2, 1), (3, 1), (2, 2)"));
    const std::vector<int> natural{2, 3, 1};
    EXPECT_EQ(idsOf(db->selectBooksByAuthor(50, kEn)), natural);
    EXPECT_EQ(idsOf(db->selectBooksByCommentator(70, kEn)), natural);
    EXPECT_EQ(idsOf(db->selectBooksByCategory(60, kEn, nullptr)), natural);
    EXPECT_EQ(idsOf(db->selectBooksFromCatalogSearch(kEn, nullptr)), natural);
    EXPECT_EQ(idsOf(db->selectBooksWithCategories(kEn).at(60)), natural);
    // Id lists keep the statement's order: "part 10" sorts first as text.
    EXPECT_EQ(db->selectBookIdsByAuthor(50, kEn).front(), 1);
    EXPECT_EQ(db->selectBookIdsByCategory(60, kEn).front(), 1);

    const std::unordered_set<int> some{1, 3};
    EXPECT_EQ(idsOf(db->selectBooksByCategory(60, kEn, &some)), (std::vector<int>{3, 1}));
    EXPECT_EQ(idsOf(db->selectBooksFromCatalogSearch(kEn, &some)), (std::vector<int>{3, 1}));
    EXPECT_EQ(db->selectBooksCountByCategory(60, kEn, &some), 2);
}

TEST_F(Listings, ListingRowsCarryTheirFieldsAndDownloadFiles)
{
    BookInfo::DownloadFile pdf{QStringLiteral("f/1.pdf"), QStringLiteral("Book"), QStringLiteral("pdf"), 1234, 2};
    addBookInfo(kRu, 4, QStringLiteral("Книга"), downloadFilesBytes({pdf}));
    link("BookBaseAuthors", "authorId", 4, 50);
    const auto books = db->selectBooksByAuthor(50, kRu);
    ASSERT_EQ(books.size(), 1u);
    EXPECT_EQ(books[0]->language, kRu);
    EXPECT_EQ(books[0]->name, QStringLiteral("Книга (full)"));
    EXPECT_EQ(books[0]->publishingYear, 1904);
    EXPECT_EQ(books[0]->editorId, 0);
    ASSERT_EQ(books[0]->downloadFiles.size(), 1u);
    EXPECT_EQ(books[0]->downloadFiles[0].file, pdf.file);
    EXPECT_EQ(books[0]->downloadFiles[0].size, 1234);
    EXPECT_EQ(books[0]->downloadFiles[0].order, 2);
}

TEST_F(Listings, OnlyBooksOfTheLanguageAndOnlyTheRightLinkTable)
{
    addBookInfo(kEn, 1, QStringLiteral("One"));
    addBookInfo(kRu, 2, QStringLiteral("Два"));
    link("BookBaseAuthors", "authorId", 1, 50);
    link("BookBaseAuthors", "authorId", 2, 50);
    link("BookBaseCommentators", "commentatorId", 1, 51);
    EXPECT_EQ(idsOf(db->selectBooksByAuthor(50, kEn)), (std::vector<int>{1}));
    EXPECT_EQ(db->selectBooksCountByAuthor(50, kEn), 1);
    EXPECT_EQ(db->selectBookAuthorIds(1, kEn), (std::vector<int>{50}));
    EXPECT_TRUE(db->selectBookAuthorIds(2, kEn).empty());
    EXPECT_TRUE(db->selectBooksByAuthor(51, kEn).empty());
    EXPECT_EQ(db->selectBooksCountByAuthor(51, kEn), 0);
    EXPECT_EQ(idsOf(db->selectBooksByCommentator(51, kEn)), (std::vector<int>{1}));
    EXPECT_TRUE(db->selectBooksByCommentator(50, kEn).empty());
}

TEST_F(Listings, EmptyIdFiltersAreRefusedByListingsAndCountZero)
{
    addBookInfo(kEn, 1, QStringLiteral("One"));
    link("BookBaseCategories", "categoryId", 1, 60);
    const std::unordered_set<int> none;
    EXPECT_THROW(db->selectBooksByCategory(60, kEn, &none), Exception);
    EXPECT_THROW(db->selectBooksFromCatalogSearch(kEn, &none), Exception);
    EXPECT_EQ(db->selectBooksCountByCategory(60, kEn, &none), 0);
    EXPECT_EQ(db->selectBooksCountByCategory(60, kEn, nullptr), 1);
}

TEST_F(Listings, BooksWithCategoriesGiveOneRecordPerCategory)
{
    addBookInfo(kEn, 1, QStringLiteral("One"));
    addBookInfo(kEn, 2, QStringLiteral("Two"));
    link("BookBaseCategories", "categoryId", 1, 60);
    link("BookBaseCategories", "categoryId", 1, 61);
    link("BookBaseCategories", "categoryId", 2, 60);
    const auto byCategory = db->selectBooksWithCategories(kEn);
    ASSERT_EQ(byCategory.size(), 2u);
    EXPECT_EQ(idsOf(byCategory.at(60)), (std::vector<int>{1, 2}));
    EXPECT_EQ(idsOf(byCategory.at(61)), (std::vector<int>{1}));
    EXPECT_NE(byCategory.at(60)[0].get(), byCategory.at(61)[0].get());
}

using Queues = LibraryFixture;

TEST_F(Queues, CoversFallBackToTheCommonCoverOnlyWhenAsked)
{
    db->insertBookCover(7, 1, QByteArray("jpeg"));
    EXPECT_EQ(db->selectBookCover(7, kRu, true), std::make_pair(1, QByteArray("jpeg")));
    try {
        db->selectBookCover(7, kRu, false);
        FAIL() << "no exception";
    } catch (const DBNotFound& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Book cover not found"));
    }
    db->insertBookLanguageCover(7, kRu, 2, QByteArray("png"));
    db->insertBookLanguageCover(7, kRu, 2, QByteArray("png2")); // replaces
    EXPECT_EQ(db->selectBookCover(7, kRu, false), std::make_pair(2, QByteArray("png2")));
    EXPECT_EQ(db->selectBookCover(7, kEn, true).second, QByteArray("jpeg"));
    EXPECT_THROW(db->selectBookCover(8, kEn, true), DBNotFound);
}

TEST_F(Queues, IndexingQueueKeepsTheLatestActionPerBookAndLanguage)
{
    db->upsertBFI(5, TarnolixDB::IndexAdd);
    db->upsertBFI(5, TarnolixDB::IndexRemove);
    for (Lang language : {kRu, kEn, kSt})
        EXPECT_EQ(db->selectBFI(language), (std::vector<std::pair<int, int>>{{5, 2}}));

    db->upsertBFIList(kEn, {6, 7, 5}, TarnolixDB::IndexAdd);
    EXPECT_EQ(db->countBFI(kEn), 3);
    EXPECT_EQ(db->selectBFI(kRu).size(), 1u);
    db->deleteFromBFI(kEn, {5, 6});
    EXPECT_EQ(db->selectBFI(kEn), (std::vector<std::pair<int, int>>{{7, 1}}));
    try {
        db->deleteFromBFI(kEn, {});
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), QStringLiteral("ids is empty"));
    }
    EXPECT_EQ(db->countBFI(kEn), 1);
}

TEST_F(Queues, QueueingAllBooksReplacesTheQueueWithTheLanguagesEditions)
{
    db->upsertBFIList(kEn, {99}, TarnolixDB::IndexRemove);
    db->execSql(QStringLiteral("INSERT INTO BookInfo1(id) VALUES(1), (2)"));
    db->queueAllBooksForIndexing(kEn, TarnolixDB::IndexAdd);
    EXPECT_EQ(db->selectBFI(kEn), (std::vector<std::pair<int, int>>{{1, 1}, {2, 1}}));
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM BFI1 WHERE typeof(action)='integer'")), 2);
    db->upsertBFIList(kSt, {3}, TarnolixDB::IndexAdd);
    db->queueAllBooksForIndexing(kSt, TarnolixDB::IndexAdd);
    EXPECT_EQ(db->countBFI(kSt), 0);
}

TEST_F(Queues, CoverQueueHoldsEachBookOnce)
{
    EXPECT_EQ(db->countBFLC(), 0);
    try {
        db->selectFirstBFLC();
        FAIL() << "no exception";
    } catch (const DBNotFound& e) {
        EXPECT_TRUE(e.message().isEmpty());
    }
    db->insertBFLC({4, 3});
    db->insertBFLC({3});
    EXPECT_EQ(db->countBFLC(), 2);
    const int first = db->selectFirstBFLC();
    db->deleteFromBFLC(first);
    EXPECT_EQ(db->countBFLC(), 1);
    EXPECT_NE(db->selectFirstBFLC(), first);
    EXPECT_EQ(TarnolixDB::syncJournalUpsertStatement(QStringLiteral("FavoritesToSync")),
              QStringLiteral("INSERT INTO FavoritesToSync(action, itemUuid) VALUES(:action, :itemUuid) "
                             "ON CONFLICT(itemUuid) DO UPDATE SET action=:action"));
}
