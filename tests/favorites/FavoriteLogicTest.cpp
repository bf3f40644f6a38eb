// The open book's favorites store: loading once per book, the section
// index and coverage, favorites that do not fit the book, and following the
// service's additions and deletions with reload requests to the page.

#include "tests/favorites/FavoritesFixture.h"
#include "tests/favorites/ReloadingPage.h"

#include "database/TarnolixDB.h"
#include "favorites/FavoriteLogic.h"
#include "tabs/TabStatus.h"
#include "tests/support/MessageLog.h"
#include "tests/tabs/TabFakes.h"

#include <gtest/gtest.h>

namespace tarnolix::test {
namespace {

QString code(quint64 index)
{
    return QStringLiteral("c%1").arg(index + 1);
}

// A favorite of book 7 from section `first` to `last` (0-based indexes).
std::shared_ptr<Favorite> favorite(quint64 first, quint64 last, L language = L::Russian, int startOffset = 1,
                                   int endOffset = 5)
{
    auto f = std::make_shared<Favorite>();
    f->setUuid(QUuid::createUuid());
    f->setBookId(7);
    f->setLanguage(language);
    f->startSelectedPosition().setSectionCode(code(first));
    f->startSelectedPosition().setSectionSlug(QStringLiteral("ch-%1").arg(first + 1));
    f->startSelectedPosition().setSectionIndex(first);
    f->startSelectedPosition().setOffset(startOffset);
    f->endSelectedPosition().setSectionCode(code(last));
    f->endSelectedPosition().setSectionSlug(QStringLiteral("ch-%1").arg(last + 1));
    f->endSelectedPosition().setSectionIndex(last);
    f->endSelectedPosition().setOffset(endOffset);
    return f;
}

QStringList uuids(const FavoriteConstArray& favorites)
{
    QStringList list;
    for (const auto& f : favorites)
        list << f->uuid().toString();
    return list;
}

class FavoriteLogicTest : public FavoritesFixture
{
protected:
    void SetUp() override
    {
        FavoritesFixture::SetUp();
        tab = std::make_unique<TabStatus>();
        page = new ReloadingPage;
        page->setParent(tab.get());
        tab->setPageStatus(page);
        book = std::make_unique<BookMngr>(db);
        book->openBook(L::Russian, kBookId);
        logic = new FavoriteLogic(tab.get(), page);
    }

    void TearDown() override
    {
        tab.reset();
        FavoritesFixture::TearDown();
    }

    FakeTabServices tabServices;
    std::unique_ptr<TabStatus> tab;
    ReloadingPage* page = nullptr;
    std::unique_ptr<BookMngr> book;
    FavoriteLogic* logic = nullptr;
};

TEST_F(FavoriteLogicTest, LoadsABookOnceAndIndexesEachSectionOfARange)
{
    const auto spanning = favorite(3, 5);
    db->insertFavorite(*spanning);
    logic->loadFavorite(*book);
    ASSERT_TRUE(logic->isExistsFovorites());
    EXPECT_EQ(logic->loadedBookId(), kBookId);

    // The same book and language is not read again.
    db->insertFavorite(*favorite(0, 0));
    logic->loadFavorite(*book);
    EXPECT_TRUE(logic->sectionFavorites(0).empty());

    logic->resetRenderedCount();
    for (quint64 i : {3, 4, 5})
        EXPECT_EQ(uuids(logic->sectionFavorites(i)), QStringList{spanning->uuid().toString()}) << i;
    EXPECT_TRUE(logic->sectionFavorites(2).empty());
    EXPECT_TRUE(logic->sectionFavorites(6).empty());
    EXPECT_EQ(logic->renderedCount(), 3);

    const std::vector<std::pair<quint64, int>> coverage = {{2, 0}, {3, 2}, {4, 1}, {5, 2}, {6, 0}};
    for (const auto& [index, expected] : coverage)
        EXPECT_EQ(logic->sectionCoverage(*spanning, index), expected) << index;
    auto noIndex = favorite(3, 5);
    noIndex->endSelectedPosition().setSectionIndex(std::nullopt);
    EXPECT_EQ(FavoriteLogic::favoriteSectionCoverage(*noIndex, 4), 0);

    // Another language is another store.
    BookMngr english(db);
    english.openBook(L::English, kBookId);
    logic->loadFavorite(english);
    EXPECT_FALSE(logic->isExistsFovorites());
    logic->clear();
    EXPECT_EQ(logic->loadedBookId(), 0);
}

TEST_F(FavoriteLogicTest, FavoritesThatDoNotFitTheBookAreLeftOutAndTheOthersKept)
{
    const auto good = favorite(1, 2);
    auto emptyCode = favorite(4, 4);
    emptyCode->endSelectedPosition().setSectionCode(QString());
    emptyCode->endSelectedPosition().setSectionSlug(QStringLiteral("ch-5"));
    auto wrongCode = favorite(1, 1);
    wrongCode->startSelectedPosition().setSectionCode(QStringLiteral("c6"));
    auto pastEnd = favorite(2, 9);
    pastEnd->endSelectedPosition().setSectionCode(QStringLiteral("c7"));
    const auto backwards = favorite(5, 4);
    const auto emptyRange = favorite(3, 3, L::Russian, 5, 5);
    for (const auto& f : {good, emptyCode, wrongCode, pastEnd, backwards, emptyRange})
        db->insertFavorite(*f);

    MessageLog log;
    logic->loadFavorite(*book);
    EXPECT_TRUE(services.errors.isEmpty()) << qPrintable(services.errors.join('\n'));
    EXPECT_EQ(uuids(logic->sectionFavorites(1)), QStringList{good->uuid().toString()});
    EXPECT_EQ(uuids(logic->sectionFavorites(2)), QStringList{good->uuid().toString()});
    for (quint64 i : {3, 4, 5})
        EXPECT_TRUE(logic->sectionFavorites(i).empty()) << i;
    for (const char* error : {"ERROR 0xABCD8461", "ERROR 0xAECD8463", "ERROR 0xAECD8462"})
        EXPECT_TRUE(log.contains(QtWarningMsg, error)) << error;

    // The favorite without an end code is listed, though marked nowhere.
    logic->clear();
    db->execSql(QStringLiteral("DELETE FROM Favorites WHERE uuid<>?"),
                QVariantList{TarnolixDB::uuidToString(emptyCode->uuid())});
    logic->loadFavorite(*book);
    EXPECT_TRUE(logic->isExistsFovorites());
    EXPECT_TRUE(logic->sectionFavorites(4).empty());
}

TEST_F(FavoriteLogicTest, AFailedLoadLeavesAnEmptyStoreAndTellsTheReader)
{
    db->execSql(QStringLiteral("DROP TABLE Favorites"));
    logic->loadFavorite(*book);
    EXPECT_FALSE(logic->isExistsFovorites());
    EXPECT_EQ(logic->loadedBookId(), 0);
    ASSERT_EQ(services.errors.size(), 1);
    EXPECT_TRUE(services.errors.front().startsWith(QStringLiteral("Не удалось загрузить избранное: ")));
}

TEST_F(FavoriteLogicTest, AdditionsAreIndexedAndReloadedAndOtherBooksReloadNothing)
{
    logic->loadFavorite(*book);
    const auto added = favorite(2, 3);
    const auto otherLanguage = favorite(2, 3, L::English);
    const auto bad = favorite(4, 4, L::Russian, 5, 2);
    emit helper->favoritesAdded({otherLanguage});
    ASSERT_EQ(page->requests.size(), 1u);
    EXPECT_TRUE(page->requests.back().empty());
    EXPECT_FALSE(logic->isExistsFovorites());

    emit helper->favoritesAdded({added, bad});
    ASSERT_EQ(page->requests.size(), 2u);
    EXPECT_EQ(page->requests.back(), (SectionRanges{{2, 3}}));
    EXPECT_EQ(uuids(logic->sectionFavorites(3)), QStringList{added->uuid().toString()});
    // The store holds its own copy, not the announced record.
    EXPECT_NE(logic->sectionFavorites(3).front().get(), added.get());
    // A favorite the page cannot mark is not listed.
    EXPECT_TRUE(logic->sectionFavorites(4).empty());
    EXPECT_EQ(services.errors, QStringList{QStringLiteral("Не удалось загрузить избранное: ERROR 0xAECD8462")});

    emit helper->favoritesDeleted({added});
    EXPECT_FALSE(logic->isExistsFovorites());
}

TEST_F(FavoriteLogicTest, ASecondDeletionLogsAndRemovesNothing)
{
    const auto spanning = favorite(3, 5);
    const auto kept = favorite(4, 4);
    db->insertFavorite(*spanning);
    db->insertFavorite(*kept);
    logic->loadFavorite(*book);

    emit helper->favoritesDeleted({spanning});
    EXPECT_EQ(page->requests.back(), (SectionRanges{{3, 5}}));
    MessageLog log;
    emit helper->favoritesDeleted({spanning});
    const QStringList warnings = log.texts(QtWarningMsg);
    EXPECT_EQ(warnings, (QStringList{"ERROR 0xAECD8464", "ERROR 0xAECD8466", "ERROR 0xAECD8466",
                                     "ERROR 0xAECD8466"}));
    EXPECT_EQ(uuids(logic->sectionFavorites(4)), QStringList{kept->uuid().toString()});
    EXPECT_TRUE(logic->isExistsFovorites());
}

TEST_F(FavoriteLogicTest, AChangeWithoutAnOpenBookPageIsReported)
{
    logic->loadFavorite(*book);
    FakePage other(UrlCreator::NewTab);
    tab->setPageStatus(&other);
    emit helper->favoritesAdded({favorite(1, 1)});
    FakePage plain(UrlCreator::OpenBook);
    tab->setPageStatus(&plain);
    emit helper->favoritesDeleted({favorite(1, 1)});
    tab->setPageStatus(nullptr);
    EXPECT_EQ(services.errors, (QStringList{QStringLiteral("Не удалось загрузить избранное: ERROR 0x45F20BE1"),
                                            QStringLiteral("Не удалось обновить избранное: ERROR 0x45F20BE2")}));
}

TEST_F(FavoriteLogicTest, AFavoriteAddedThroughTheServiceIsRenderedIntoItsSectionsAndRemovedAgain)
{
    logic->loadFavorite(*book);
    page->book = book.get();
    page->creator = services.creator.get();
    page->favorites = logic;

    const auto added = add(L::Russian, position(L::Russian, 3, "альфа "), position(L::Russian, 4, "бета"));
    ASSERT_TRUE(added);
    ASSERT_EQ(page->html.size(), 2);
    const QString span = QStringLiteral("favorite_%1_span_1").arg(added->uuid().toString(QUuid::WithoutBraces));
    EXPECT_TRUE(page->html.at(0).contains(QStringLiteral("id=\"%1\"").arg(span))) << qPrintable(page->html.at(0));
    EXPECT_TRUE(page->html.at(0).contains(QStringLiteral("favorite-span-id=\"%1\"").arg(span)));
    // The mark goes on into the next section up to the end of the selection.
    EXPECT_TRUE(page->html.at(1).contains(QStringLiteral("<span class=\"favorite\">Стих 4: альфа бета</span>")))
        << qPrintable(page->html.at(1));

    page->html.clear();
    helper->deleteFavorite(added->uuid().toString());
    ASSERT_EQ(page->html.size(), 2);
    EXPECT_FALSE(page->html.join(QString()).contains(QStringLiteral("favorite")));
    EXPECT_FALSE(logic->isExistsFovorites());
}

} // namespace
} // namespace tarnolix::test
