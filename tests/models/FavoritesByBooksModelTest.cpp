#include "models/FavoritesByBooksModel.h"
#include "tests/models/FavoritesLibrary.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

using namespace tarnolix::test;
using C = TarnolixConstants;
using M = CatalogModelBase;

namespace {

class FavoritesByBooks : public FavoritesLibrary
{
protected:
    // The tester walks the whole tree at every change, so a model whose rows
    // must stay counted but unloaded gets one only at the end (`check`).
    std::unique_ptr<FavoritesByBooksModel> model(C::Language language, bool searchMode = false, bool tested = true)
    {
        auto m = std::make_unique<FavoritesByBooksModel>();
        m->setLanguage(language);
        m->reload(searchMode);
        if (tested)
            check(*m);
        return m;
    }
    void check(QAbstractItemModel& m)
    {
        testers.push_back(
            std::make_unique<QAbstractItemModelTester>(&m, QAbstractItemModelTester::FailureReportingMode::Fatal));
    }
    static QModelIndex path(const QAbstractItemModel& m, std::initializer_list<const char*> texts)
    {
        QModelIndex index;
        for (const char* text : texts)
            index = row(m, QString::fromUtf8(text), index);
        return index;
    }

    std::vector<std::unique_ptr<QAbstractItemModelTester>> testers;
};

const QStringList kRussianTree{"2:1:Писания",
                               " 4:101:Бхагавад-гита",
                               "  5:101.1:Глава 101.1",
                               "   5:101.1.1:Глава 101.1.1",
                               "  5:101.2:Глава 101.2",
                               "2:2:Философия",
                               " 4:108:Логика",
                               "  5:108.2:Глава 108.2"};

} // namespace

TEST_F(FavoritesByBooks, WithoutFavoritesTheTreeIsEmpty)
{
    auto m = model(kRu);
    EXPECT_EQ(m->rowCount(), 0);
    EXPECT_EQ(m->totalCount(), 0);
    EXPECT_EQ(m->catalogTab(), C::FavoritesByBooks);
    EXPECT_TRUE(services.errors.isEmpty());
}

TEST_F(FavoritesByBooks, OnlyBranchesLeadingToFavoritesOfTheLanguageAreShown)
{
    addFavorites();
    auto ru = model(kRu);
    EXPECT_EQ(ru->totalCount(), 5);
    EXPECT_EQ(walk(*ru), kRussianTree);

    auto en = model(kEn);
    EXPECT_EQ(walk(*en), QStringList({"2:1:Category 1", " 2:12:Category 12", "  4:201:Purana", "   5:e.1:Глава e.1",
                                      "    5:e.1.2:Глава e.1.2", "   5:e.2:Глава e.2"}));

    const QModelIndex book = path(*ru, {"Писания", "Бхагавад-гита"});
    const QModelIndex section = path(*ru, {"Писания", "Бхагавад-гита", "Глава 101.2"});
    const QModelIndex category = ru->index(0, 0);
    struct Case
    {
        QModelIndex index;
        int type;
        bool isBook;
        QVariant id;
        QVariant bookId;
    };
    for (const Case& c : {Case{category, C::Category, false, 1, {}}, Case{book, C::Book, true, 101, {}},
                          Case{section, C::Section, false, QStringLiteral("101.2"), 101}}) {
        EXPECT_EQ(ru->data(c.index, M::TypeRole).toInt(), c.type);
        EXPECT_EQ(ru->data(c.index, M::IsBookRole).toBool(), c.isBook) << c.type;
        EXPECT_EQ(ru->data(c.index, M::IdRole), c.id) << c.type;
        EXPECT_EQ(ru->data(c.index, M::BookIdRole), c.bookId) << c.type;
        EXPECT_EQ(ru->data(c.index, M::GetIndexRole).value<QModelIndex>(), c.index);
    }
    EXPECT_FALSE(ru->data(QModelIndex(), M::TypeRole).isValid());
    EXPECT_TRUE(services.errors.isEmpty()) << qPrintable(services.errors.join('\n'));
}

TEST_F(FavoritesByBooks, DeletingTheLastFavoriteOfABookPrunesItAndItsEmptiedCategories)
{
    addFavorites();
    auto ru = model(kRu);
    auto en = model(kEn);
    ASSERT_EQ(walk(*ru), kRussianTree);
    ASSERT_EQ(walk(*en).size(), 6);
    const QStringList english = walk(*en);
    QSignalSpy ruRemoved(ru.get(), &QAbstractItemModel::rowsRemoved);

    const auto logic = db->selectFavoritesOfBook(108, kRu);
    ASSERT_EQ(logic.size(), 1u);
    helper->deleteFavorite(TarnolixDB::uuidToString(logic.front()->uuid()));
    EXPECT_EQ(walk(*ru), kRussianTree.mid(0, 5)) << "book and category gone";
    EXPECT_EQ(walk(*en), english) << "the other language's tree is left alone";

    helper->deleteFavorite(TarnolixDB::uuidToString(inRigveda->uuid()));
    EXPECT_EQ(walk(*ru), QStringList({"2:1:Писания", " 4:101:Бхагавад-гита", "  5:101.2:Глава 101.2"}))
        << "the section and its emptied parent section go";

    ruRemoved.clear();
    helper->deleteBookFavorites(201, kEn);
    EXPECT_EQ(ruRemoved.count(), 0);
    EXPECT_EQ(en->rowCount(), 0);
    EXPECT_TRUE(services.errors.isEmpty()) << qPrintable(services.errors.join('\n'));
}

TEST_F(FavoritesByBooks, CountedRowsThatLostTheirFavoritesAreRemoved)
{
    addFavorites();
    addFavorite(101, kRu, "101.2.1");
    auto ru = model(kRu, false, false);
    const QModelIndex book = path(*ru, {"Писания", "Бхагавад-гита"});
    ASSERT_EQ(ru->rowCount(book), 2) << "counted, not loaded";
    QSignalSpy removed(ru.get(), &QAbstractItemModel::rowsRemoved);

    helper->deleteFavorite(TarnolixDB::uuidToString(inRigveda->uuid()));
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.at(0).at(0).value<QModelIndex>(), book);
    EXPECT_EQ(ru->rowCount(book), 1);
    EXPECT_EQ(walk(*ru, book), QStringList({"5:101.2:Глава 101.2", " 5:101.2.1:Глава 101.2.1"}));
    check(*ru);
}

TEST_F(FavoritesByBooks, AnAdditionEmptiesTheTreeUntilTheNextReload)
{
    addFavorites();
    auto ru = model(kRu);
    auto en = model(kEn);
    ASSERT_EQ(walk(*ru), kRussianTree);
    ASSERT_GT(en->rowCount(), 0);

    addFavorite(101, kRu, "101.1.2");
    EXPECT_EQ(ru->rowCount(), 0);
    EXPECT_EQ(en->rowCount(), 0) << "every tree is emptied; the pane reloads the one it shows";
    ru->reload(false);
    EXPECT_EQ(ru->totalCount(), 6);
    EXPECT_EQ(walk(*ru).mid(0, 5), QStringList({"2:1:Писания", " 4:101:Бхагавад-гита", "  5:101.1:Глава 101.1",
                                                "   5:101.1.1:Глава 101.1.1", "   5:101.1.2:Глава 101.1.2"}));
}

TEST_F(FavoritesByBooks, SearchModeShowsTheFoundCategoriesAndBooksThatHoldFavorites)
{
    addFavorites();
    found(TarnolixDB::CatalogSearchCategory, {2, 3});
    found(TarnolixDB::CatalogSearchBook, {101, 102});
    auto ru = model(kRu, true);
    EXPECT_EQ(names(*ru), QStringList({"Философия", "Бхагавад-гита"}));
}

TEST_F(FavoritesByBooks, AFailedReadIsToldAndPromisesNothing)
{
    addFavorites();
    auto ru = model(kRu, false, false);
    const QModelIndex category = ru->index(0, 0);
    hide(QStringLiteral("BookBaseCategories"));
    EXPECT_EQ(ru->rowCount(category), 0);
    restore(QStringLiteral("BookBaseCategories"));
    ASSERT_EQ(services.errors.size(), 1);
    EXPECT_TRUE(services.errors.front().startsWith("Ошибка при загрузке каталога избранного: "));
    EXPECT_EQ(ru->rowCount(category), 1);
    check(*ru);
}
