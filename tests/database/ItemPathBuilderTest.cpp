#include "database/ItemPathBuilder.h"

#include "tests/database/CatalogFixture.h"

#include "core/Exception.h"
#include "tests/core/ExceptionText.h"
#include "tests/core/LogCapture.h"

using C = TarnolixConstants;

namespace {

constexpr C::Language kRu = C::Russian;

} // namespace

// Categories 3 > 5 and 9 (5 comes first in Russian order, 9 in English);
// book 77 "Бхагавад-гита" in 5 and 9 by authors 10 and 20, with sections
// 1 > 1.2; book 78 in no category and by no author; folders outer > inner.
class ItemPathBuilder : public CatalogFixture
{
protected:
    void SetUp() override
    {
        CatalogFixture::SetUp();
        db->execSql(QStringLiteral("INSERT INTO Categories(id, parentId, [left], leftEn, name_ru) VALUES"
                                   "(3, NULL, 1, 1, 'Писания'), (5, 3, 2, 20, 'Гиты'), (9, NULL, 10, 2, 'Другое')"));
        addBookInfo(kRu, 77, QStringLiteral("Бхагавад-гита"));
        addBookInfo(kRu, 78, QStringLiteral("Сборник"));
        link("BookBaseCategories", "categoryId", 77, 9);
        link("BookBaseCategories", "categoryId", 77, 5);
        link("BookBaseAuthors", "authorId", 77, 10);
        link("BookBaseAuthors", "authorId", 77, 20);
        db->execSql(QStringLiteral("INSERT INTO Persons(id, spiritalName_ru, spiritalNameLC_ru) VALUES"
                                   "(10, 'Вьяса', 'вьяса'), (20, 'Шрила Прабхупада', 'шрила прабхупада')"));
        db->execSql(QStringLiteral("INSERT INTO BookSections2(code, bookId, parentCode, title) VALUES"
                                   "('1', 77, NULL, 'Глава 1'), ('1.2', 77, '1', 'Текст 2')"));
        db->execSql(QStringLiteral("INSERT INTO FavoritesCatalog(uuid, parentUuid, name) VALUES(?, NULL, 'a'), "
                                   "(?, ?, 'b')"),
                    {outer, inner, outer});
    }

    HierarchyItems build(C::CatalogTab tab, C::CatalogItemType type, const QVariant& id,
                         const std::unordered_set<int>* excluded = nullptr, bool* several = nullptr)
    {
        return buildItemPath(*db, kRu, tab, type, id, excluded, several);
    }

    QString text(C::CatalogTab tab, C::CatalogItemType type, const QVariant& id)
    {
        return parentHierarchyItemsToPath(build(tab, type, id), false);
    }

    const QString outer = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString inner = QUuid::createUuid().toString(QUuid::WithoutBraces);
};

TEST_F(ItemPathBuilder, PathsFollowTheTab)
{
    struct Case
    {
        C::CatalogTab tab;
        C::CatalogItemType type;
        QVariant id;
        QString path;
    };
    const std::vector<Case> cases = {
        {C::Categories, C::Section, QStringLiteral("1.2"),
         QStringLiteral("/Category-3/Category-5/Book-77/Section-1/Section-1.2")},
        {C::FavoritesByBooks, C::Book, 77, QStringLiteral("/Category-3/Category-5/Book-77")},
        {C::Categories, C::Category, 5, QStringLiteral("/Category-3/Category-5")},
        {C::Authors, C::Book, 77, QStringLiteral("/Letter-Ш/Author-20/Book-77")},
        {C::Authors, C::Author, 10, QStringLiteral("/Letter-В/Author-10")},
        {C::Names, C::Section, QStringLiteral("1"), QStringLiteral("/Letter-Б/Book-77/Section-1")},
        {C::InvalidCatalogTab, C::Section, QStringLiteral("1.2"), QStringLiteral("/Book-77/Section-1/Section-1.2")},
        {C::AllFavorites, C::FavoriteFolder, inner,
         QStringLiteral("/FavoriteFolder-") + outer + QStringLiteral("/FavoriteFolder-") + inner},
        {C::AllFavorites, C::FavoriteItemId, inner, QStringLiteral("/FavoriteItemId-") + inner},
        {C::SearchResults, C::SRItemId, 4, QStringLiteral("/SRItemId-4")},
        {C::Authors, C::Category, 5, QStringLiteral("/Category-5")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(text(c.tab, c.type, c.id), c.path);
    }
}

TEST_F(ItemPathBuilder, ExcludedCategoriesAndTheSeveralCategoriesMark)
{
    bool several = false;
    build(C::Categories, C::Book, 77, nullptr, &several);
    EXPECT_TRUE(several);

    const std::unordered_set<int> firstExcluded{5};
    const HierarchyItems items = build(C::Categories, C::Book, 77, &firstExcluded, &several);
    EXPECT_EQ(parentHierarchyItemsToPath(items, false), QStringLiteral("/Category-9/Book-77"));
    EXPECT_FALSE(several);

    const std::unordered_set<int> secondExcluded{9};
    build(C::Categories, C::Book, 77, &secondExcluded, &several);
    EXPECT_FALSE(several);

    const std::unordered_set<int> both{5, 9};
    EXPECT_EQ(errorOf([&] { build(C::Categories, C::Book, 77, &both); }), QStringLiteral("Book category not found!"));
    EXPECT_THROW(build(C::Categories, C::Book, 78), DBNotFound);
}

TEST_F(ItemPathBuilder, ErrorsOfItemsAndTabs)
{
    EXPECT_EQ(errorOf([&] { build(C::Glossaries, C::Glossary, 1); }), QStringLiteral("ERROR 0x58465451"));
    EXPECT_EQ(errorOf([&] { build(C::SearchResults, C::Book, 77); }), QStringLiteral("Unknown error 0x87962234"));
    EXPECT_EQ(errorOf([&] { build(C::Authors, C::Book, 78); }), QStringLiteral("Book authors not found!"));
    EXPECT_THROW(build(C::Categories, C::Section, QStringLiteral("7")), DBNotFound);
    EXPECT_THROW(build(C::AllFavorites, C::FavoriteFolder, QUuid::createUuid().toString(QUuid::WithoutBraces)),
                 DBNotFound);
}

TEST_F(ItemPathBuilder, ParentLoopsEndTheWalk)
{
    db->execSql(QStringLiteral("UPDATE Categories SET parentId=5 WHERE id=3"));
    db->execSql(QStringLiteral("UPDATE BookSections2 SET parentCode='1.2' WHERE code='1'"));
    db->execSql(QStringLiteral("UPDATE FavoritesCatalog SET parentUuid=? WHERE uuid=?"), {inner, outer});

    LogCapture log;
    EXPECT_EQ(text(C::Categories, C::Category, 5), QStringLiteral("/Category-3/Category-5"));
    EXPECT_EQ(text(C::InvalidCatalogTab, C::Section, QStringLiteral("1.2")),
              QStringLiteral("/Book-77/Section-1/Section-1.2"));
    EXPECT_EQ(text(C::AllFavorites, C::FavoriteFolder, inner),
              QStringLiteral("/FavoriteFolder-") + outer + QStringLiteral("/FavoriteFolder-") + inner);
    EXPECT_EQ(log.warnings().size(), 3);
}

TEST_F(ItemPathBuilder, ReadablePathJoinsNames)
{
    const HierarchyItems items = {{C::Letter, QVariant(QChar(u'a'))},
                                  {C::Category, 5},
                                  {C::Author, 20},
                                  {C::Book, 77},
                                  {C::Section, QStringLiteral("1.2")},
                                  {C::SRItemId, 3}};
    EXPECT_EQ(toReadablePath(*db, kRu, items),
              QStringLiteral("A • Гиты • Шрила Прабхупада • Бхагавад-гита • Текст 2"));
    // A category without a name keeps its place.
    EXPECT_EQ(toReadablePath(*db, C::English, {{C::Category, 5}, {C::FavoriteItemId, QString()}, {C::Category, 3}}),
              QStringLiteral(" • "));
    EXPECT_EQ(toReadablePath(*db, kRu, {}), QString());

    for (C::CatalogItemType type : {C::Glossary, C::FavoriteFolder, C::InvalidCatalogItemType}) {
        EXPECT_EQ(errorOf([&] { toReadablePath(*db, kRu, {{C::Book, 77}, {type, 1}}); }),
                  QStringLiteral("toReadablePath: Invalid type"));
    }
    EXPECT_THROW(toReadablePath(*db, kRu, {{C::Book, 79}}), DBNotFound);
}
