#include "tests/database/CatalogFixture.h"

#include "core/Exception.h"
#include "core/TextNormalization.h"
#include "tests/core/ExceptionText.h"
#include "tests/core/LogCapture.h"


using Lang = TarnolixConstants::Language;
constexpr Lang kRu = TarnolixConstants::Russian;
constexpr Lang kEn = TarnolixConstants::English;
constexpr Lang kSt = TarnolixConstants::Sanskrit;

namespace {

std::shared_ptr<Category> category(int id, int parentId, int left, int leftEn, const QString& ru = {},
                                   const QString& en = {})
{
    auto c = std::make_shared<Category>();
    c->id = id;
    c->parentId = parentId;
    c->left = left;
    c->right = left + 1;
    c->leftEn = leftEn;
    c->rightEn = leftEn + 1;
    if (!ru.isNull())
        c->names[kRu] = ru;
    if (!en.isNull())
        c->names[kEn] = en;
    return c;
}

template <typename T>
std::vector<int> idsOf(const std::vector<std::shared_ptr<T>>& records)
{
    std::vector<int> ids;
    for (const auto& r : records) {
        if constexpr (std::is_same_v<T, BookInfo>)
            ids.push_back(r->bookId);
        else
            ids.push_back(r->id);
    }
    return ids;
}

} // namespace

class Catalog : public CatalogFixture
{
protected:
    void addBookBase(int id, int archiBookId)
    {
        db->execSql(QStringLiteral("INSERT INTO BookBase(id, archiBookId, isArticle, slug, name, cover, languages) "
                                   "VALUES(?, ?, 1, ?, 'n', 'c.jpg', 'ru;en')"),
                    QVariantList{id, archiBookId, QStringLiteral("book-%1").arg(id)});
    }
    void addSection(Lang language, const QString& code, int bookId, const QString& slug)
    {
        db->execSql(QStringLiteral("INSERT INTO BookSections%1(code, bookId, slug, name) VALUES(?, ?, ?, 'x')")
                        .arg(language),
                    QVariantList{code, bookId, slug});
    }
    void addPerson(int id, const QString& spiritalNameLC)
    {
        db->execSql(QStringLiteral("INSERT INTO Persons(id, spiritalName_en, spiritalNameLC_en) VALUES(?, ?, ?)"),
                    QVariantList{id, spiritalNameLC, spiritalNameLC});
    }
    int booksExists(int id, Lang language)
    {
        return count(QStringLiteral("SELECT booksExists_%1 FROM Categories WHERE id=?").arg(languageToString(language)),
                     {id});
    }
    std::vector<std::pair<int, int>> catalogSearch()
    {
        QSqlQuery q = db->execSql(QStringLiteral("SELECT type, id FROM CatalogSearch ORDER BY type, id"));
        std::vector<std::pair<int, int>> rows;
        while (q.next())
            rows.emplace_back(q.value(0).toInt(), q.value(1).toInt());
        return rows;
    }

    // Roots 1 (Russian first, English second) and 2; 3 under 1, 4 under 3, 5 under 2.
    void insertTree()
    {
        db->insertCategories({category(1, 0, 1, 7, QStringLiteral("Ведийское"), QStringLiteral("Vedic")),
                              category(2, 0, 9, 1, QStringLiteral("Поэзия"), QStringLiteral("Poetry")),
                              category(3, 1, 2, 8, QStringLiteral("Пураны")),
                              category(4, 3, 3, 9, QStringLiteral("Бхагавата")),
                              category(5, 2, 10, 2, QString(), QStringLiteral("Songs"))});
    }
};

TEST_F(Catalog, CategoriesStoreRootsAsNullAndOrderByTheLanguagesBounds)
{
    insertTree();
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM Categories WHERE parentId IS NULL")), 2);
    EXPECT_EQ(db->selectCategoryParentId(1), 0);
    EXPECT_EQ(db->selectCategoryParentId(4), 3);

    EXPECT_EQ(idsOf(db->selectCategoryNames(0, kRu, false, false, true, nullptr)), (std::vector<int>{1, 2}));
    EXPECT_EQ(idsOf(db->selectCategoryNames(0, kEn, false, false, true, nullptr)), (std::vector<int>{2, 1}));
    EXPECT_EQ(idsOf(db->selectCategoryNames(0, kSt, false, false, true, nullptr)), (std::vector<int>{2, 1}));
    EXPECT_EQ(db->selectCategoryNames(0, kRu, false, false), (std::vector<int>{1, 2}));
    EXPECT_EQ(db->selectCategoryNames(0, kEn, false, false), (std::vector<int>{2, 1}));

    const auto roots = db->selectCategoryNames(0, kEn, false, false, true, nullptr);
    EXPECT_EQ(roots[0]->names.at(kEn), QStringLiteral("Poetry"));
    EXPECT_EQ(roots[0]->parentId, 0);
    const std::unordered_set<int> onlyThree{3};
    const auto children = db->selectCategoryNames(1, kRu, false, false, false, &onlyThree);
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children[0]->parentId, 1);
    EXPECT_EQ(children[0]->names.at(kRu), QStringLiteral("Пураны"));

    const auto one = db->selectCategory(4, kRu);
    EXPECT_EQ(one->parentId, 3);
    EXPECT_EQ(one->names.at(kRu), QStringLiteral("Бхагавата"));
    EXPECT_EQ(db->selectCategory(1, kRu)->parentId, 0);

    // No name in a language: empty texts, never NULL; names get search keys.
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM Categories WHERE id=5 AND name_ru='' AND nameLC_ru=''")), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM Categories WHERE id=1 AND nameLC_en='vedic'")), 1);
}

TEST_F(Catalog, CategoryRefusalsAndMissingRows)
{
    insertTree();
    const std::unordered_set<int> none;
    EXPECT_EQ(errorOf([&] { db->selectCategory(99, kRu); }), QStringLiteral("Category not found"));
    EXPECT_EQ(errorOf([&] { db->selectCategoryParentId(99); }), QStringLiteral("Category not exists"));
    EXPECT_EQ(errorOf([&] { db->selectCategoryNames(1, kRu, false, true, true, nullptr); }),
              QStringLiteral("selectCategoryNames: ERROR 1"));
    EXPECT_EQ(errorOf([&] { db->selectCategoryNames(1, kRu, false, true); }),
              QStringLiteral("selectCategoryNames: ERROR 1"));
    EXPECT_EQ(errorOf([&] { db->selectCategoryNames(0, kRu, false, false, true, &none); }),
              QStringLiteral("ids is empty"));
    EXPECT_EQ(errorOf([&] { db->updateCategoriesBooksExists({}, kRu, true); }), QStringLiteral("ids is empty"));
    EXPECT_EQ(db->selectCategoriesCount(0, kRu, false, &none), 0);
    EXPECT_EQ(db->selectCategoriesCount(0, kRu, false, nullptr), 2);
    EXPECT_EQ(db->selectCategoriesCount(3, kRu, false, nullptr), 1);

    // A failing record rolls the whole insert back.
    db->deleteCategories();
    EXPECT_THROW(db->insertCategories({category(1, 0, 1, 1), category(1, 0, 2, 2)}), DBException);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM Categories")), 0);
}

TEST_F(Catalog, BooksExistsMarksAncestorsThroughTheParentWalk)
{
    insertTree();
    addBookInfo(kRu, 10, QStringLiteral("Книга"));
    addBookInfo(kEn, 11, QStringLiteral("Book"));
    link("BookBaseCategories", "categoryId", 10, 4); // two levels below root 1
    link("BookBaseCategories", "categoryId", 12, 3); // a second chain through 3
    addBookInfo(kRu, 12, QStringLiteral("Другая"));
    link("BookBaseCategories", "categoryId", 11, 5);
    db->updateCategoriesBooksExists({2}, kSt, true); // stale: reset on reload

    db->reloadBooksExists();
    for (int id : {1, 3, 4})
        EXPECT_EQ(booksExists(id, kRu), 1) << id;
    for (int id : {2, 5})
        EXPECT_EQ(booksExists(id, kRu), 0) << id;
    for (int id : {2, 5})
        EXPECT_EQ(booksExists(id, kEn), 1) << id;
    EXPECT_EQ(booksExists(1, kEn), 0);
    EXPECT_EQ(booksExists(2, kSt), 0);

    EXPECT_EQ(idsOf(db->selectCategoryNames(0, kRu, true, false, true, nullptr)), (std::vector<int>{1}));
    EXPECT_EQ(db->selectCategoriesCount(0, kEn, true, nullptr), 1);
    EXPECT_EQ(db->selectBookCategoryIds(10, kRu), (std::vector<int>{4}));
    EXPECT_TRUE(db->selectBookCategoryIds(10, kEn).empty());
}

TEST_F(Catalog, CyclicParentsEndTheWalkWithAnError)
{
    // 7 and 8 name each other as parent: server data gone wrong.
    db->insertCategories({category(7, 8, 1, 1), category(8, 7, 2, 2)});
    addBookInfo(kRu, 10, QStringLiteral("Книга"));
    link("BookBaseCategories", "categoryId", 10, 7);
    LogCapture log;
    db->reloadBooksExists();
    EXPECT_EQ(booksExists(7, kRu), 1);
    EXPECT_EQ(booksExists(8, kRu), 1);
    EXPECT_EQ(log.warnings().filter(QStringLiteral("its own ancestor")).size(), 1);
}

TEST_F(Catalog, ALinkToAMissingCategoryFailsTheReloadAsAWhole)
{
    insertTree();
    db->updateCategoriesBooksExists({1}, kRu, true);
    addBookInfo(kRu, 10, QStringLiteral("Книга"));
    link("BookBaseCategories", "categoryId", 10, 42);
    EXPECT_EQ(errorOf([&] { db->reloadBooksExists(); }), QStringLiteral("Category not exists"));
    EXPECT_EQ(booksExists(1, kRu), 1);
}

TEST_F(Catalog, ArchiBooksAndBookBaseRecords)
{
    auto archi = std::make_shared<ArchiBook>();
    archi->id = 5;
    archi->names[kEn] = QStringLiteral("The Work");
    db->insertArchiBooks({archi});
    EXPECT_EQ(db->selectArchiBook(5, kEn)->names.at(kEn), QStringLiteral("The Work"));
    EXPECT_EQ(db->selectArchiBook(5, kRu)->names.at(kRu), QString(""));
    EXPECT_EQ(errorOf([&] { db->selectArchiBook(6, kEn); }), QStringLiteral("Archi book not found"));

    addBookBase(20, 5);
    addBookBase(21, 5);
    link("BookBaseAuthors", "authorId", 20, 100);
    link("BookBaseAuthors", "authorId", 20, 101);
    link("BookBaseCommentators", "commentatorId", 20, 102);
    link("BookBaseCategories", "categoryId", 20, 3);
    link("BookBaseRelatedBooks", "relatedBookId", 20, 21);
    link("BookBaseOtherPublications", "otherPublicationId", 20, 22);

    const auto book = db->selectBookBase(20);
    EXPECT_EQ(book->id, 20);
    EXPECT_EQ(book->archiBookId, 5);
    EXPECT_TRUE(book->isArticle);
    EXPECT_EQ(book->slug, QStringLiteral("book-20"));
    EXPECT_EQ(book->cover, QStringLiteral("c.jpg"));
    EXPECT_EQ(book->languages, (std::vector<Lang>{kRu, kEn}));
    EXPECT_EQ(book->authors, (std::vector<int>{100, 101}));
    EXPECT_EQ(book->commentators, (std::vector<int>{102}));
    EXPECT_EQ(book->categories, (std::vector<int>{3}));
    EXPECT_EQ(book->relatedBooks, (std::vector<int>{21}));
    EXPECT_EQ(book->otherPublications, (std::vector<int>{22}));
    const auto bare = db->selectBookBase(21);
    EXPECT_TRUE(bare->authors.empty() && bare->commentators.empty() && bare->categories.empty() &&
                bare->relatedBooks.empty() && bare->otherPublications.empty());
    EXPECT_EQ(errorOf([&] { db->selectBookBase(99); }), QStringLiteral("Book base not found"));
    EXPECT_EQ(idsOf(db->selectArchiBookBooks(5)), (std::vector<int>{20, 21}));
    EXPECT_EQ(db->selectArchiBookBooks(5)[1]->archiBookId, 5);
}

TEST_F(Catalog, ArchiBookSectionCountsSumLanguagesAndCountPublicationsOnce)
{
    addBookBase(20, 5);
    addBookBase(21, 5);
    addBookBase(30, 6);
    const QString quoted = QStringLiteral("bg-1'1");
    addSection(kRu, QStringLiteral("a"), 20, quoted);
    addSection(kRu, QStringLiteral("b"), 20, quoted);
    addSection(kRu, QStringLiteral("c"), 20, QStringLiteral("other"));
    addSection(kEn, QStringLiteral("a"), 21, quoted);
    addSection(kSt, QStringLiteral("a"), 30, quoted);
    addBookInfo(kRu, 20, QStringLiteral("Гита"));

    EXPECT_EQ(db->selectArchiBookSectionsCount(5), 4);
    EXPECT_EQ(db->selectArchiBookSectionsCount(7), 0);
    EXPECT_EQ(db->selectArchiBookBooksCountBySectionSlug(5, quoted), 2);
    EXPECT_EQ(db->selectArchiBookBooksCountBySectionSlug(5, QStringLiteral("none")), 0);
    // Both sections with the slug join; the record comes once per row.
    EXPECT_EQ(idsOf(db->selectArchiBookBooksBySectionSlug(5, kRu, quoted)), (std::vector<int>{20, 20}));
    EXPECT_TRUE(db->selectArchiBookBooksBySectionSlug(5, kEn, quoted).empty());
}

TEST_F(Catalog, CatalogSearchFillsFromTheNormalisedFilter)
{
    insertTree();
    addBookInfo(kEn, 10, QStringLiteral("A Small Book of Songs"));
    addBookInfo(kEn, 11, QStringLiteral("Large Book"));
    addBookInfo(kRu, 12, QStringLiteral("Small Book"));
    link("BookBaseCategories", "categoryId", 10, 5);
    db->reloadBooksExists();

    TarnolixDB::CatalogFilterText filter{false, QStringLiteral("  Small-Book ")};
    db->fillCatalogSearchWithBooks(kEn, filter);
    EXPECT_TRUE(filter.normalized);
    EXPECT_EQ(filter.text, QStringLiteral("small book"));
    EXPECT_EQ(catalogSearch(), (std::vector<std::pair<int, int>>{{1, 10}}));
    EXPECT_EQ(idsOf(db->selectBooksFromCatalogSearch(kEn, nullptr)), (std::vector<int>{10}));

    // Categories: books first, then categories holding books ("Poetry" has none
    // of its own but its child "Songs" has).
    TarnolixDB::CatalogFilterText categories{false, QStringLiteral("O")};
    db->fillCatalogSearchWithCategories(kEn, categories);
    EXPECT_EQ(catalogSearch(), (std::vector<std::pair<int, int>>{{1, 10}, {1, 11}, {2, 2}, {2, 5}}));
    EXPECT_EQ(db->selectCategoryNames(0, kEn, false, true), (std::vector<int>{2, 5}));
    const auto found = db->selectCategoryNames(0, kEn, true, true, true, nullptr);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[1]->names.at(kEn), QStringLiteral("Songs"));

    // An empty text matches every row of the language.
    TarnolixDB::CatalogFilterText all;
    db->fillCatalogSearchWithBooks(kEn, all);
    EXPECT_EQ(catalogSearch().size(), 2u);
    db->clearCatalogSearch();
    EXPECT_TRUE(catalogSearch().empty());
}

TEST_F(Catalog, CatalogSearchTakesWildcardsLiterally)
{
    addBookInfo(kEn, 10, QStringLiteral("abc"));
    db->execSql(QStringLiteral("INSERT INTO BookInfo1(id, shortName, shortNameLC) VALUES(11, 'a_c', 'a_c'), "
                               "(12, 'x%y', 'x%y'), (13, 'x\\y', 'x\\y')"));
    const std::vector<std::pair<QString, std::vector<std::pair<int, int>>>> cases{
        {QStringLiteral("a_c"), {{1, 11}}},
        {QStringLiteral("%"), {{1, 12}}},
        {QStringLiteral("\\"), {{1, 13}}},
        {QStringLiteral("'"), {}},
    };
    for (const auto& [text, expected] : cases) {
        TarnolixDB::CatalogFilterText filter{true, text};
        db->fillCatalogSearchWithBooks(kEn, filter);
        EXPECT_EQ(catalogSearch(), expected) << text.toStdString();
    }
}

TEST_F(Catalog, PersonsFillFindsAuthorsWithBooksOnce)
{
    addPerson(1, QStringLiteral("narada muni"));
    addPerson(2, QStringLiteral("narada commentator"));
    addPerson(3, QStringLiteral("narada without books"));
    addBookInfo(kEn, 10, QStringLiteral("One"));
    addBookInfo(kEn, 11, QStringLiteral("Two"));
    link("BookBaseAuthors", "authorId", 10, 1);
    link("BookBaseAuthors", "authorId", 11, 1);
    link("BookBaseCommentators", "commentatorId", 10, 2);
    link("BookBaseAuthors", "authorId", 99, 3); // no English row

    TarnolixDB::CatalogFilterText filter{false, QStringLiteral("Narada")};
    db->fillCatalogSearchWithPersons(kEn, filter);
    EXPECT_EQ(catalogSearch(), (std::vector<std::pair<int, int>>{{3, 1}}));
}

TEST_F(Catalog, AFailedFillKeepsThePreviousHits)
{
    addBookInfo(kEn, 10, QStringLiteral("Small Book"));
    TarnolixDB::CatalogFilterText filter{false, QStringLiteral("small")};
    db->fillCatalogSearchWithBooks(kEn, filter);
    // The books are inserted, then the categories statement fails.
    db->execSql(QStringLiteral("DROP TABLE Categories"));
    TarnolixDB::CatalogFilterText nothing{false, QStringLiteral("zzz")};
    EXPECT_THROW(db->fillCatalogSearchWithCategories(kEn, nothing), DBException);
    EXPECT_EQ(catalogSearch(), (std::vector<std::pair<int, int>>{{1, 10}}));
}

TEST_F(Catalog, AFillOnAClosedConnectionIsRefused)
{
    db->execSql(QStringLiteral("INSERT INTO CatalogSearch(id, type) VALUES(1, 1)"));
    db->close();
    TarnolixDB::CatalogFilterText filter;
    EXPECT_EQ(errorOf([&] { db->fillCatalogSearchWithBooks(kEn, filter); }),
              QString::fromUtf8("Соединение с базой данных не установлено!"));
}

TEST_F(Catalog, FixNormalisedTextsRewritesOnlyStaleKeys)
{
    insertTree();
    db->execSql(QStringLiteral("UPDATE Categories SET nameLC_en='stale' WHERE id=1"));
    db->execSql(QStringLiteral("UPDATE Categories SET nameLC_en='keep' WHERE id=3")); // its English name is empty
    db->execSql(QStringLiteral("INSERT INTO BookInfo1(id, shortName, shortNameLC) VALUES(1, NULL, 'kept')"));
    db->execSql(QStringLiteral("INSERT INTO BookSections2(code, name, nameLC) VALUES('s', 'Глава Первая', '')"));
    db->fixNormalixedTexts();
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM Categories WHERE id=1 AND nameLC_en='vedic'")), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM Categories WHERE id=3 AND nameLC_en=''")), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM BookInfo1 WHERE id=1 AND shortNameLC='kept'")), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM BookSections2 WHERE nameLC=?"),
                    {removeDiacritics(kRu, QStringLiteral("Глава Первая"))}),
              1);
}
