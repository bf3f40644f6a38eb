// The library schema: its tables and its secondary indexes.

#include "database/TarnolixDB.h"

QStringList TarnolixDB::createTablesStatements() const
{
    // The per-language column names come from the connection's cache; building
    // the statement list fills it and changes nothing else.
    auto* self = const_cast<TarnolixDB*>(this);
    const QString text = QStringLiteral("TEXT");

    QStringList list = SQLiteDatabase::createTablesStatements();
    list << QStringLiteral("CREATE TABLE Categories (id INTEGER PRIMARY KEY, parentId INTEGER, depth INTEGER, "
                           "left INTEGER, right INTEGER, leftEn INTEGER, rightEn INTEGER, ") +
                self->perLanguageDefinitions({QStringLiteral("name"), QStringLiteral("nameLC")}, text) +
                QStringLiteral(", ") +
                self->perLanguageDefinitions({QStringLiteral("booksExists")}, QStringLiteral("INTEGER")) +
                QLatin1Char(')')
         << QStringLiteral("CREATE TABLE Persons (id INTEGER PRIMARY KEY, birthdayDay INTEGER, birthdayMonth INTEGER, "
                           "birthdayYear INTEGER, slug TEXT, photo TEXT, roles TEXT, ") +
                self->perLanguageDefinitions({QStringLiteral("name"), QStringLiteral("lastName"),
                                              QStringLiteral("middleName"), QStringLiteral("spiritalName"),
                                              QStringLiteral("spiritalNameLC"), QStringLiteral("description")},
                                             text) +
                QLatin1Char(')')
         << QStringLiteral("CREATE TABLE PersonsPhotos(personId INTEGER PRIMARY KEY, format INTEGER, data BLOB, "
                           "downloadLink TEXT)")
         << QStringLiteral("CREATE TABLE PFLP(id INTEGER PRIMARY KEY)")
         << QStringLiteral("CREATE TABLE Publishers (id INTEGER PRIMARY KEY, ") +
                self->perLanguageDefinitions({QStringLiteral("name")}, text) + QLatin1Char(')')
         << QStringLiteral("CREATE TABLE ArchiBooks (id INTEGER PRIMARY KEY, ") +
                self->perLanguageDefinitions({QStringLiteral("name")}, text) + QLatin1Char(')')
         << QStringLiteral("CREATE TABLE BFLC(id INTEGER PRIMARY KEY)")
         << QStringLiteral("CREATE TABLE CatalogSearch(id INTEGER, type INTEGER)")
         << QStringLiteral("CREATE INDEX CatalogSearchIndex ON CatalogSearch(type, id)")
         << QStringLiteral("CREATE TABLE BookBase(id INTEGER PRIMARY KEY, archiBookId INTEGER, isArticle INTEGER, "
                           "slug TEXT, name TEXT, cover TEXT, languages TEXT)")
         << QStringLiteral("CREATE TABLE BookBaseAuthors(bookId INTEGER, authorId INTEGER)")
         << QStringLiteral("CREATE TABLE BookBaseCommentators(bookId INTEGER, commentatorId INTEGER)")
         << QStringLiteral("CREATE TABLE BookBaseCategories(bookId INTEGER, categoryId INTEGER)")
         << QStringLiteral("CREATE TABLE BookBaseRelatedBooks(bookId INTEGER, relatedBookId INTEGER)")
         << QStringLiteral("CREATE TABLE BookBaseOtherPublications(bookId INTEGER, otherPublicationId INTEGER)")
         << QStringLiteral("CREATE TABLE BooksCovers(bookId INTEGER PRIMARY KEY, format INTEGER, data BLOB)")
         << QStringLiteral("CREATE TABLE QueriesHistory([query] TEXT)")
         << QStringLiteral("CREATE TABLE GlossaryWords(id INTEGER, data BLOB)")
         << QStringLiteral("CREATE TABLE GlossaryWordsReferences(categoryId INTEGER, glossaryId INTEGER, "
                           "firstLetter INTEGER, wordId INTEGER)")
         << QStringLiteral("CREATE TABLE GlossaryWordsData(glossaryCategoryId INTEGER, glossaryId INTEGER, "
                           "glossaryWordId INTEGER, data BLOB)")
         << QStringLiteral("CREATE TABLE FavoritesCatalog(uuid TEXT PRIMARY KEY, parentUuid TEXT , name TEXT, "
                           "timeOfChange INTEGER)")
         << QStringLiteral("CREATE TABLE Favorites(uuid TEXT PRIMARY KEY, catalogUuid TEXT , bookId INTEGER , "
                           "language INTEGER, startSectionSlug TEXT , startSectionCode TEXT, "
                           "startSectionIndex INTEGER, startOffset INTEGER, endSectionSlug TEXT , "
                           "endSectionCode TEXT, endSectionIndex INTEGER, endOffset INTEGER, title TEXT, note TEXT, "
                           "favoriteText TEXT, timeOfChange INTEGER)")
         << QStringLiteral("CREATE TABLE FavoritesCatalogToSync(itemUuid TEXT PRIMARY KEY, action INTEGER)")
         << QStringLiteral("CREATE TABLE FavoritesToSync(itemUuid TEXT PRIMARY KEY, action INTEGER)");

    for (TarnolixConstants::Language language : languageList()) {
        const QString id = QString::number(language);
        list << QStringLiteral("CREATE TABLE BFI%1 (id INTEGER PRIMARY KEY, action INTEGER)").arg(id)
             << QStringLiteral("CREATE TABLE BookInfo%1(id INTEGER PRIMARY KEY, name TEXT, shortName TEXT, "
                               "shortNameLC TEXT, cover TEXT, annotation TEXT, parentTranslatorId INTEGER, "
                               "translatorId INTEGER, editorId INTEGER, publisherId INTEGER, publishingYear INTEGER, "
                               "ISBN TEXT, pagesCount INTEGER, bookCopies INTEGER, downloadFiles BLOB, "
                               "searchMacrosSection TEXT)")
                    .arg(id)
             << QStringLiteral("CREATE TABLE BookSections%1(code TEXT PRIMARY KEY, bookId INTEGER, parentCode TEXT, "
                               "left INTEGER, right INTEGER, depth INTEGER, [index] INTEGER, slug TEXT, name TEXT, "
                               "nameLC TEXT, numberCodeSection INTEGER, numberCodeChapter INTEGER, "
                               "numberCodePoem INTEGER, numberOtherPoems INTEGER, title TEXT)")
                    .arg(id)
             << QStringLiteral("CREATE TABLE BookParts%1(sectionCode TEXT PRIMARY KEY, title TEXT, data BLOB)").arg(id)
             << QStringLiteral("CREATE TABLE BooksCovers%1(bookId INTEGER PRIMARY KEY, format INTEGER, data BLOB)")
                    .arg(id);
    }

    return list << createIndexes();
}

QStringList TarnolixDB::createIndexes()
{
    QStringList list{
        QStringLiteral("CREATE INDEX IF NOT EXISTS CategoriesIndex ON Categories(parentId)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS PersonsIndex ON Persons(slug)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS BookBaseIndex ON BookBase(slug)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS BookBaseIndex2 ON BookBase(archiBookId)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS BookBaseAuthorsIndex1 ON BookBaseAuthors(bookId)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS BookBaseAuthorsIndex2 ON BookBaseAuthors(authorId)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS BookBaseCommentatorsIndex1 ON BookBaseCommentators(bookId)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS BookBaseCommentatorsIndex2 ON BookBaseCommentators(commentatorId)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS BookBaseCategoriesIndex1 ON BookBaseCategories(bookId)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS BookBaseCategoriesIndex2 ON BookBaseCategories(categoryId)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS BookBaseRelatedBooksIndex1 ON BookBaseRelatedBooks(bookId)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS BookBaseRelatedBooksIndex2 ON BookBaseRelatedBooks(relatedBookId)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS BookBaseOtherPublicationsIndex1 ON "
                       "BookBaseOtherPublications(bookId)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS BookBaseOtherPublicationsIndex2 ON "
                       "BookBaseOtherPublications(otherPublicationId)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS GlossaryWordsIndex ON GlossaryWords(id)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS GlossaryWordsDataIndex ON GlossaryWordsData(glossaryCategoryId, "
                       "glossaryId, glossaryWordId)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS GlossaryWordsReferencesIndex ON GlossaryWordsReferences(categoryId, "
                       "glossaryId, firstLetter)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS FavoritesIdx1 ON Favorites(catalogUuid)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS FavoritesIdx2 ON Favorites(bookId)"),
    };
    for (TarnolixConstants::Language language : languageList()) {
        const QString id = QString::number(language);
        list << QStringLiteral("CREATE INDEX IF NOT EXISTS BookSections%1Index1 ON BookSections%1(bookId)").arg(id)
             << QStringLiteral("CREATE INDEX IF NOT EXISTS BookSections%1Index2 ON BookSections%1(slug)").arg(id);
    }
    return list;
}

void TarnolixDB::dropIndexes()
{
    // GlossaryWordsIndex2 is no longer created; dropping it clears it from
    // libraries that still carry it.
    static const char* const names[] = {
        "CategoriesIndex",
        "PersonsIndex",
        "BookBaseIndex",
        "BookBaseIndex2",
        "BookBaseAuthorsIndex1",
        "BookBaseAuthorsIndex2",
        "BookBaseCommentatorsIndex1",
        "BookBaseCommentatorsIndex2",
        "BookBaseCategoriesIndex1",
        "BookBaseCategoriesIndex2",
        "BookBaseRelatedBooksIndex1",
        "BookBaseRelatedBooksIndex2",
        "BookBaseOtherPublicationsIndex1",
        "BookBaseOtherPublicationsIndex2",
        "GlossaryWordsIndex",
        "GlossaryWordsIndex2",
        "GlossaryWordsDataIndex",
        "GlossaryWordsReferencesIndex",
        "FavoritesIdx1",
        "FavoritesIdx2",
    };
    QStringList statements;
    for (const char* name : names)
        statements << QStringLiteral("DROP INDEX IF EXISTS ") + QLatin1String(name);
    for (TarnolixConstants::Language language : languageList())
        statements << QStringLiteral("DROP INDEX IF EXISTS BookSections%1Index2").arg(static_cast<int>(language));
    execInTransaction(statements);
}

void TarnolixDB::rebuildIndexes()
{
    execInTransaction(createIndexes());
}
