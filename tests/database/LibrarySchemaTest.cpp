#include "core/Exception.h"
#include "tests/database/LibraryFixture.h"

namespace {

using Library = LibraryFixture;

QStringList expectedIndexStatements()
{
    QStringList list{
        "CREATE INDEX IF NOT EXISTS CategoriesIndex ON Categories(parentId)",
        "CREATE INDEX IF NOT EXISTS PersonsIndex ON Persons(slug)",
        "CREATE INDEX IF NOT EXISTS BookBaseIndex ON BookBase(slug)",
        "CREATE INDEX IF NOT EXISTS BookBaseIndex2 ON BookBase(archiBookId)",
        "CREATE INDEX IF NOT EXISTS BookBaseAuthorsIndex1 ON BookBaseAuthors(bookId)",
        "CREATE INDEX IF NOT EXISTS BookBaseAuthorsIndex2 ON BookBaseAuthors(authorId)",
        "CREATE INDEX IF NOT EXISTS BookBaseCommentatorsIndex1 ON BookBaseCommentators(bookId)",
        "CREATE INDEX IF NOT EXISTS BookBaseCommentatorsIndex2 ON BookBaseCommentators(commentatorId)",
        "CREATE INDEX IF NOT EXISTS BookBaseCategoriesIndex1 ON BookBaseCategories(bookId)",
        "CREATE INDEX IF NOT EXISTS BookBaseCategoriesIndex2 ON BookBaseCategories(categoryId)",
        "CREATE INDEX IF NOT EXISTS BookBaseRelatedBooksIndex1 ON BookBaseRelatedBooks(bookId)",
        "CREATE INDEX IF NOT EXISTS BookBaseRelatedBooksIndex2 ON BookBaseRelatedBooks(relatedBookId)",
        "CREATE INDEX IF NOT EXISTS BookBaseOtherPublicationsIndex1 ON BookBaseOtherPublications(bookId)",
        "CREATE INDEX IF NOT EXISTS BookBaseOtherPublicationsIndex2 ON BookBaseOtherPublications(otherPublicationId)",
        "CREATE INDEX IF NOT EXISTS GlossaryWordsIndex ON GlossaryWords(id)",
        "CREATE INDEX IF NOT EXISTS GlossaryWordsDataIndex ON GlossaryWordsData(glossaryCategoryId, glossaryId, "
        "glossaryWordId)",
        "CREATE INDEX IF NOT EXISTS GlossaryWordsReferencesIndex ON GlossaryWordsReferences(categoryId, glossaryId, "
        "firstLetter)",
        "CREATE INDEX IF NOT EXISTS FavoritesIdx1 ON Favorites(catalogUuid)",
        "CREATE INDEX IF NOT EXISTS FavoritesIdx2 ON Favorites(bookId)",
        "CREATE INDEX IF NOT EXISTS BookSections2Index1 ON BookSections2(bookId)",
        "CREATE INDEX IF NOT EXISTS BookSections2Index2 ON BookSections2(slug)",
        "CREATE INDEX IF NOT EXISTS BookSections1Index1 ON BookSections1(bookId)",
        "CREATE INDEX IF NOT EXISTS BookSections1Index2 ON BookSections1(slug)",
        "CREATE INDEX IF NOT EXISTS BookSections3Index1 ON BookSections3(bookId)",
        "CREATE INDEX IF NOT EXISTS BookSections3Index2 ON BookSections3(slug)",
    };
    return list;
}

QStringList expectedTableStatements()
{
    QStringList list{
        "CREATE TABLE Settings ([key] TEXT PRIMARY KEY UNIQUE, value BLOB)",
        "CREATE TABLE Categories (id INTEGER PRIMARY KEY, parentId INTEGER, depth INTEGER, left INTEGER, right "
        "INTEGER, leftEn INTEGER, rightEn INTEGER, name_ru TEXT, name_en TEXT, name_st TEXT, nameLC_ru TEXT, "
        "nameLC_en TEXT, nameLC_st TEXT, booksExists_ru INTEGER, booksExists_en INTEGER, booksExists_st INTEGER)",
        "CREATE TABLE Persons (id INTEGER PRIMARY KEY, birthdayDay INTEGER, birthdayMonth INTEGER, birthdayYear "
        "INTEGER, slug TEXT, photo TEXT, roles TEXT, name_ru TEXT, name_en TEXT, name_st TEXT, lastName_ru TEXT, "
        "lastName_en TEXT, lastName_st TEXT, middleName_ru TEXT, middleName_en TEXT, middleName_st TEXT, "
        "spiritalName_ru TEXT, spiritalName_en TEXT, spiritalName_st TEXT, spiritalNameLC_ru TEXT, spiritalNameLC_en "
        "TEXT, spiritalNameLC_st TEXT, description_ru TEXT, description_en TEXT, description_st TEXT)",
        "CREATE TABLE PersonsPhotos(personId INTEGER PRIMARY KEY, format INTEGER, data BLOB, downloadLink TEXT)",
        "CREATE TABLE PFLP(id INTEGER PRIMARY KEY)",
        "CREATE TABLE Publishers (id INTEGER PRIMARY KEY, name_ru TEXT, name_en TEXT, name_st TEXT)",
        "CREATE TABLE ArchiBooks (id INTEGER PRIMARY KEY, name_ru TEXT, name_en TEXT, name_st TEXT)",
        "CREATE TABLE BFLC(id INTEGER PRIMARY KEY)",
        "CREATE TABLE CatalogSearch(id INTEGER, type INTEGER)",
        "CREATE INDEX CatalogSearchIndex ON CatalogSearch(type, id)",
        "CREATE TABLE BookBase(id INTEGER PRIMARY KEY, archiBookId INTEGER, isArticle INTEGER, slug TEXT, name TEXT, "
        "cover TEXT, languages TEXT)",
        "CREATE TABLE BookBaseAuthors(bookId INTEGER, authorId INTEGER)",
        "CREATE TABLE BookBaseCommentators(bookId INTEGER, commentatorId INTEGER)",
        "CREATE TABLE BookBaseCategories(bookId INTEGER, categoryId INTEGER)",
        "CREATE TABLE BookBaseRelatedBooks(bookId INTEGER, relatedBookId INTEGER)",
        "CREATE TABLE BookBaseOtherPublications(bookId INTEGER, otherPublicationId INTEGER)",
        "CREATE TABLE BooksCovers(bookId INTEGER PRIMARY KEY, format INTEGER, data BLOB)",
        "CREATE TABLE QueriesHistory([query] TEXT)",
        "CREATE TABLE GlossaryWords(id INTEGER, data BLOB)",
        "CREATE TABLE GlossaryWordsReferences(categoryId INTEGER, glossaryId INTEGER, firstLetter INTEGER, wordId "
        "INTEGER)",
        "CREATE TABLE GlossaryWordsData(glossaryCategoryId INTEGER, glossaryId INTEGER, glossaryWordId INTEGER, data "
        "BLOB)",
        "CREATE TABLE FavoritesCatalog(uuid TEXT PRIMARY KEY, parentUuid TEXT , name TEXT, timeOfChange INTEGER)",
        "CREATE TABLE Favorites(uuid TEXT PRIMARY KEY, catalogUuid TEXT , bookId INTEGER , language INTEGER, "
        "startSectionSlug TEXT , startSectionCode TEXT, startSectionIndex INTEGER, startOffset INTEGER, "
        "endSectionSlug TEXT , endSectionCode TEXT, endSectionIndex INTEGER, endOffset INTEGER, title TEXT, note "
        "TEXT, favoriteText TEXT, timeOfChange INTEGER)",
        "CREATE TABLE FavoritesCatalogToSync(itemUuid TEXT PRIMARY KEY, action INTEGER)",
        "CREATE TABLE FavoritesToSync(itemUuid TEXT PRIMARY KEY, action INTEGER)",
    };
    for (const char* id : {"2", "1", "3"}) {
        list << QStringLiteral("CREATE TABLE BFI%1 (id INTEGER PRIMARY KEY, action INTEGER)").arg(id)
             << QStringLiteral("CREATE TABLE BookInfo%1(id INTEGER PRIMARY KEY, name TEXT, shortName TEXT, shortNameLC "
                               "TEXT, cover TEXT, annotation TEXT, parentTranslatorId INTEGER, translatorId INTEGER, "
                               "editorId INTEGER, publisherId INTEGER, publishingYear INTEGER, ISBN TEXT, pagesCount "
                               "INTEGER, bookCopies INTEGER, downloadFiles BLOB, searchMacrosSection TEXT)")
                    .arg(id)
             << QStringLiteral("CREATE TABLE BookSections%1(code TEXT PRIMARY KEY, bookId INTEGER, parentCode TEXT, "
                               "left INTEGER, right INTEGER, depth INTEGER, [index] INTEGER, slug TEXT, name TEXT, "
                               "nameLC TEXT, numberCodeSection INTEGER, numberCodeChapter INTEGER, numberCodePoem "
                               "INTEGER, numberOtherPoems INTEGER, title TEXT)")
                    .arg(id)
             << QStringLiteral("CREATE TABLE BookParts%1(sectionCode TEXT PRIMARY KEY, title TEXT, data BLOB)").arg(id)
             << QStringLiteral("CREATE TABLE BooksCovers%1(bookId INTEGER PRIMARY KEY, format INTEGER, data BLOB)")
                    .arg(id);
    }
    return list;
}

const std::set<QString> kTables{
    "Settings", "Categories", "Persons", "PersonsPhotos", "PFLP", "Publishers", "ArchiBooks", "BFLC",
    "CatalogSearch", "BookBase", "BookBaseAuthors", "BookBaseCommentators", "BookBaseCategories",
    "BookBaseRelatedBooks", "BookBaseOtherPublications", "BooksCovers", "QueriesHistory", "GlossaryWords",
    "GlossaryWordsReferences", "GlossaryWordsData", "FavoritesCatalog", "Favorites", "FavoritesCatalogToSync",
    "FavoritesToSync",
    "BFI1", "BFI2", "BFI3", "BookInfo1", "BookInfo2", "BookInfo3", "BookSections1", "BookSections2",
    "BookSections3", "BookParts1", "BookParts2", "BookParts3", "BooksCovers1", "BooksCovers2", "BooksCovers3",
};

const std::set<QString> kIndexes{
    "CatalogSearchIndex", "CategoriesIndex", "PersonsIndex", "BookBaseIndex", "BookBaseIndex2",
    "BookBaseAuthorsIndex1", "BookBaseAuthorsIndex2", "BookBaseCommentatorsIndex1", "BookBaseCommentatorsIndex2",
    "BookBaseCategoriesIndex1", "BookBaseCategoriesIndex2", "BookBaseRelatedBooksIndex1",
    "BookBaseRelatedBooksIndex2", "BookBaseOtherPublicationsIndex1", "BookBaseOtherPublicationsIndex2",
    "GlossaryWordsIndex", "GlossaryWordsDataIndex", "GlossaryWordsReferencesIndex", "FavoritesIdx1",
    "FavoritesIdx2", "BookSections1Index1", "BookSections1Index2", "BookSections2Index1", "BookSections2Index2",
    "BookSections3Index1", "BookSections3Index2",
};

// The indexes a bulk load keeps.
const std::set<QString> kIndexesKeptByDrop{"CatalogSearchIndex", "BookSections1Index1", "BookSections2Index1",
                                           "BookSections3Index1"};

} // namespace

TEST_F(Library, StatementListIsTheSchemaTextThenTheIndexes)
{
    EXPECT_EQ(TarnolixDB::createIndexes(), expectedIndexStatements());
    const QStringList expected = expectedTableStatements() + expectedIndexStatements();
    const QStringList actual = db->createTablesStatements();
    ASSERT_EQ(actual.size(), 65);
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_EQ(actual.value(i), expected.at(i)) << "statement " << i + 1;
    EXPECT_EQ(db->createTablesStatements(), actual) << "the column cache gives the same text again";
}

TEST_F(Library, NewFileHoldsExactlyTheSchema)
{
    EXPECT_EQ(objects(QStringLiteral("table")), kTables);
    EXPECT_EQ(objects(QStringLiteral("index")), kIndexes);
    EXPECT_EQ(db->getSetting(QStringLiteral("DatabaseVersion")).toInt(), 12);
    EXPECT_TRUE(db->isLibraryEmpty());

    QStringList categoryColumns;
    QSqlQuery q = db->execSql(QStringLiteral("SELECT name FROM pragma_table_info('Categories')"));
    while (q.next())
        categoryColumns << q.value(0).toString();
    EXPECT_EQ(categoryColumns.join(QLatin1Char(',')),
              QStringLiteral("id,parentId,depth,left,right,leftEn,rightEn,name_ru,name_en,name_st,nameLC_ru,nameLC_en,"
                             "nameLC_st,booksExists_ru,booksExists_en,booksExists_st"));
    EXPECT_TRUE(db->isColumnExist(QStringLiteral("Persons"), QStringLiteral("spiritalNameLC_st")));

    // A second start finds the schema and changes nothing.
    db->execSql(QStringLiteral("INSERT INTO QueriesHistory(query) VALUES('kept')"));
    db->initialize();
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM QueriesHistory")), 1);
    EXPECT_EQ(objects(QStringLiteral("table")), kTables);
}

TEST_F(Library, DropAndRebuildIndexesRoundTrip)
{
    db->dropIndexes();
    EXPECT_EQ(objects(QStringLiteral("index")), kIndexesKeptByDrop);
    db->dropIndexes(); // nothing left to drop: harmless
    EXPECT_EQ(objects(QStringLiteral("index")), kIndexesKeptByDrop);

    db->rebuildIndexes();
    EXPECT_EQ(objects(QStringLiteral("index")), kIndexes);
    db->rebuildIndexes(); // all there already: harmless
    EXPECT_EQ(objects(QStringLiteral("index")), kIndexes);

    // An index only older libraries carry goes too.
    db->execSql(QStringLiteral("CREATE INDEX GlossaryWordsIndex2 ON GlossaryWords(data)"));
    db->dropIndexes();
    EXPECT_EQ(objects(QStringLiteral("index")), kIndexesKeptByDrop);
}

TEST_F(Library, VersionStamp)
{
    struct Case
    {
        int stored;
        int after;
    };
    const Case cases[] = {{0, 12}, {1, 12}, {-3, 12}, {2, 12}, {11, 12}, {12, 12}, {13, 13}};
    for (const Case& c : cases) {
        db->setSetting(QStringLiteral("DatabaseVersion"), c.stored);
        db->initialize();
        EXPECT_EQ(db->getSetting(QStringLiteral("DatabaseVersion")).toInt(), c.after) << c.stored;
        EXPECT_EQ(objects(QStringLiteral("table")), kTables) << c.stored;
    }
    db->execSql(QStringLiteral("DELETE FROM Settings"));
    db->initialize();
    EXPECT_EQ(db->getSetting(QStringLiteral("DatabaseVersion")).toInt(), 12) << "a missing version reads as 0";
}

TEST_F(Library, QueryHistoryKeepsTheTextAsGiven)
{
    const QString text = QStringLiteral("Кришна' OR 1=1; --");
    db->insertQueryHistory(text);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM QueriesHistory WHERE query=?"), {text}), 1);
    db->close();
    EXPECT_THROW(db->insertQueryHistory(text), DBException);
}
