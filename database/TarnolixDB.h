#pragma once
// The connection to the library database: the library schema, the statement
// builders every library query shares, and the library queries themselves.
// Connections come from DatabasePool only; each belongs to one thread.

#include "core/BookRecords.h"
#include "core/CatalogRecords.h"
#include "core/FavoriteRecords.h"
#include "core/TarnolixConstants.h"
#include "database/SQLiteDatabase.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <QVariant>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

struct GlossariesIdMngr;
struct GlossaryTree;
struct GlossaryWord;
class SectionsCatalogPositions;

// One article of a term in one glossary, as the glossary installer stores it.
struct GlossaryWordDataRow
{
    QByteArray data;
    int glossaryWordId = 0;
    int glossaryId = 0;
    int glossaryCategoryId = 0;
};

class TarnolixDB : public SQLiteDatabase
{
public:
    // The schema version this program writes.
    static constexpr int kDatabaseVersion = 12;

    // One logical column's per-language names ("name" -> name_ru, name_en, name_st).
    struct LanguageColumns
    {
        std::map<TarnolixConstants::Language, QString> byLanguage;
        QStringList names; // in library language order
    };

    TarnolixDB();
    ~TarnolixDB() override;

    // Creates the schema in an empty file, then brings an older library to
    // kDatabaseVersion in one transaction: a failure leaves the stored
    // version and the tables as they were, and the next start retries.
    void initialize() override;

    // Settings, then the library tables, then createIndexes().
    QStringList createTablesStatements() const override;

    static QStringList createIndexes();
    // Drops the secondary indexes before a bulk load (the bookId index of
    // every BookSections table stays: section reads need it during the load).
    void dropIndexes();
    void rebuildIndexes();

    // IN lists. Each appends to the statement being built and throws when the
    // list is empty, so no statement with an empty IN list ever runs. Integers
    // are written as decimals; texts and UUIDs become "?" placeholders whose
    // values are appended to `values`, to be bound positionally in order.
    static void appendIdList(QString& sql, const std::vector<int>& ids);
    static void appendIdList(QString& sql, const std::unordered_set<int>& ids);
    static void appendQuotedStringList(QString& sql, const QStringList& strings, QVariantList& values);
    static void appendUuidList(QString& sql, const std::vector<QUuid>& uuids, QVariantList& values);

    // Books, editions and sections
    // A book is its language-independent base row with its link rows, plus
    // one edition per language (BookInfo<N>, BookSections<N>, BookParts<N>,
    // N the language id). Writes run in one transaction, or join the caller's.
    // Every text value (slug, code, name, letter) is bound.
    void insertBook(const std::shared_ptr<Book>& book);
    void insertBookBase(const BookBase& base);
    bool isBookExists(int bookId);
    // Every row of the book in every book table; a book not stored is no error.
    void deleteBook(int bookId);
    void insertBookInfo(const BookInfo& info);
    void insertBookSections(int bookId, TarnolixConstants::Language language,
                            const std::vector<std::shared_ptr<BookSection>>& sections);
    void insertBookParts(TarnolixConstants::Language language, const std::vector<std::shared_ptr<BookPart>>& parts);
    void deleteBookBase(int bookId);
    void deleteBookInfo(int bookId, TarnolixConstants::Language language);
    void deleteBookSections(int bookId, TarnolixConstants::Language language);
    void deleteBookParts(int bookId, TarnolixConstants::Language language);
    void deleteBookCoversOfLanguage(int bookId, TarnolixConstants::Language language);
    void deleteBookCovers(int bookId);

    QString selectBookSlug(int bookId);
    QString selectBookBaseCover(int bookId);
    int selectBookIdBySlug(const QString& bookSlug, TarnolixConstants::Language language);
    std::pair<int, QString> selectBookIdAndSectionCodeBySlugs(const QString& bookSlug, const QString& sectionSlug,
                                                              TarnolixConstants::Language language);
    std::vector<int> selectBookIds();
    std::unordered_set<int> selectBookIdSet();
    std::shared_ptr<BookInfo> selectBookInfo(int bookId, TarnolixConstants::Language language);
    QString selectBookInfoCover(int bookId, TarnolixConstants::Language language);
    int selectBooksCount(TarnolixConstants::Language language);
    // Editions with this short name (compared as search keys), in natural
    // order of the short name, then by book id.
    std::vector<std::shared_ptr<BookInfo>> selectBookInfoByShortName(const QString& name,
                                                                     TarnolixConstants::Language language);
    // Editions whose short-name search key begins with `letter` (any case),
    // in the same order.
    std::vector<std::shared_ptr<BookInfo>> selectBooksByLetter(TarnolixConstants::Language language, QChar letter);
    int selectBooksCountByLetter(TarnolixConstants::Language language, QChar letter);
    std::vector<int> selectBookIdsByLetter(TarnolixConstants::Language language, QChar letter);
    // Upper case; a null character when the short name is empty.
    QChar selectBookFirstLetter(int bookId, TarnolixConstants::Language language);
    std::set<QChar> selectBooksFirstLetters(TarnolixConstants::Language language);

    // The section and its book id.
    std::pair<std::shared_ptr<BookSection>, int> selectBookSection(const QString& code,
                                                                   TarnolixConstants::Language language);
    // Empty for a top-level section. With `found`, a missing section sets it
    // false instead of throwing.
    QString selectParentSection(const QString& code, TarnolixConstants::Language language, bool* found = nullptr);
    int selectSectionBookId(const QString& code, TarnolixConstants::Language language);
    QString selectSectionSlug(int bookId, TarnolixConstants::Language language, const QString& code);
    std::vector<QString> selectSectionCodesBySlug(int bookId, TarnolixConstants::Language language,
                                                  const QString& slug);
    // In book order, as selectBookSections.
    std::vector<QString> selectBookSectionCodes(int bookId, TarnolixConstants::Language language);
    std::vector<std::pair<QString, QString>> selectSectionCodesAndSlugs(int bookId,
                                                                        TarnolixConstants::Language language);
    // An empty parent code means the top level.
    std::vector<QString> selectChildSectionCodes(int bookId, TarnolixConstants::Language language,
                                                 const QString& parentCode);
    int selectChildSectionsCount(int bookId, TarnolixConstants::Language language, const QString& parentCode);
    // 0 for an empty code list.
    int selectChildSectionsCountInCodes(int bookId, TarnolixConstants::Language language, const QString& parentCode,
                                        const QStringList& codes);
    std::vector<std::shared_ptr<BookSection>> selectBookSections(int bookId, TarnolixConstants::Language language);
    std::vector<std::shared_ptr<BookSection>> selectChildSections(int bookId, TarnolixConstants::Language language,
                                                                  const QString& parentCode);
    // Throws for an empty code list.
    std::vector<std::shared_ptr<BookSection>> selectChildSectionsInCodes(int bookId,
                                                                         TarnolixConstants::Language language,
                                                                         const QString& parentCode,
                                                                         const QStringList& codes);
    std::unordered_map<int, std::vector<std::shared_ptr<BookSection>>>
    selectAllSections(TarnolixConstants::Language language);
    // The section's text, unpacked and decoded.
    std::shared_ptr<BookPart> selectBookPart(const QString& code, TarnolixConstants::Language language);
    std::vector<std::shared_ptr<BookPart>> selectBookParts(int bookId, TarnolixConstants::Language language);

    // Stored byte forms of an edition's download files and a part's paragraphs.
    static QByteArray downloadFilesToBytes(const std::vector<BookInfo::DownloadFile>& files);
    static std::vector<BookInfo::DownloadFile> downloadFilesFromBytes(const QByteArray& bytes);
    static QByteArray bookEntitiesToBytes(const std::vector<std::shared_ptr<BookEntity>>& entities);
    static std::vector<std::shared_ptr<BookEntity>> bookEntitiesFromBytes(const QByteArray& bytes);

    // Fragment builders: names are program constants, never reader input.
    static QString joinColumns(const QStringList& columns, const QString& prefix, const QString& suffix,
                               const QString& separator);
    static QString assignmentList(const QStringList& columns);
    const LanguageColumns& columnsForLanguages(const QString& column);
    QString perLanguageDefinitions(const QStringList& columns, const QString& type);
    QString perLanguageNames(const QStringList& columns);
    QString perLanguagePlaceholders(const QStringList& columns);
    QString perLanguageAssignments(const QStringList& columns);

    QString insertStatement(const QString& table, const QStringList& columns,
                            const QStringList& languageColumns = {});
    // The caller appends its own condition.
    QString updateStatement(const QString& table, const QStringList& columns,
                            const QStringList& languageColumns = {});
    QString upsertStatement(const QString& table, const QString& keyColumn, const QStringList& columns,
                            const QStringList& languageColumns = {});

    // One row (ownerId, id) per id: the links of a book to its authors etc.
    void insertLinkRows(const QString& table, const QString& ownerColumn, const QString& otherColumn, int ownerId,
                        const std::vector<int>& otherIds);

    // Binds ":<column>" for every language column of `column` to the text of
    // that language (NULL when absent); normalized binds its search key.
    void bindPerLanguage(QSqlQuery& query, const QString& column,
                         const std::map<TarnolixConstants::Language, QString>& values, bool normalized);
    // Recomputes the search keys of `targetColumn` from `sourceColumn`,
    // writing only the rows whose stored key differs.
    void updateNormalizedColumn(TarnolixConstants::Language language, const QString& table, const QString& idColumn,
                                const QString& sourceColumn, const QString& targetColumn);

    void insertQueryHistory(const QString& query);

    // Packed section text and glossary data: the payload, compressed when
    // compressMode is 1 (qCompress, level 3), then enciphered when
    // encryptMode is 1 (the book-text key pair), then the two mode bytes.
    // Modes other than 0 and 1 are refused: nothing could read them back.
    static QByteArray packBookPart(QByteArray data, quint8 compressMode, quint8 encryptMode);
    // The payload back. Shorter than the two mode bytes: a warning and an
    // empty array; unknown modes and damaged bodies throw.
    static QByteArray unpackBookPart(const QByteArray& data);
    // The same, from bytes held elsewhere (a row read in place).
    static QByteArray unpackBookPart(const char* data, int size);

    // Book slug and section slug of a section of a book, in `language`.
    void selectBookAndSectionSlugs(int bookId, TarnolixConstants::Language language, const QString& code,
                                   QString& bookSlug, QString& sectionSlug);

    // Value conversions of the library's text columns.
    static std::vector<TarnolixConstants::Language> languagesFromString(const QString& text);
    static std::set<QString> stringSetFromString(const QString& text);
    static QUuid uuidFromColumn(const QSqlQuery& query, int column);
    static QUuid uuidFromString(const QString& text);
    static QVariant uuidToVariant(const QUuid& uuid);
    static QString uuidToString(const QUuid& uuid);

    // No reference data at all: no category, publisher, person or book.
    bool isLibraryEmpty();

    // Typed rows of the library's own Settings table (keys in
    // database/LibrarySettingsKeys.h).
    int databaseStatus();
    void setDatabaseStatus(int status);
    qint64 favoritesSyncTime();
    void setFavoritesSyncTime(qint64 time);
    void setNeedFavoritesSync(bool need);
    void setGlossariesIdMngr(const GlossariesIdMngr& ids);
    void setGlossariesMD5(const QByteArray& md5);
    // Throws DBNotFound before the first glossaries are installed, and the
    // reader's Exception when the stored tree is damaged.
    std::shared_ptr<GlossaryTree> glossaryTree();
    void setGlossaryTree(const GlossaryTree& tree);
    // Null when the language has none stored or it cannot be read.
    std::shared_ptr<SectionsCatalogPositions> sectionsCatalogPositions(int languageId);
    void setSectionsCatalogPositions(int languageId, const SectionsCatalogPositions& positions);

    // Glossary terms and articles. A term is stored once with one reference
    // row per glossary it stands in, listed under the English search key's
    // first letter (NULL for a term without spellings).
    static QByteArray glossaryWordToCbor(const std::shared_ptr<GlossaryWord>& word);
    static std::shared_ptr<GlossaryWord> glossaryWordFromCbor(const QByteArray& bytes);
    void deleteGlossaryWords();
    // No transaction of its own: the installer holds one.
    void deleteGlossaryWordsData();
    // All or nothing: one transaction for the whole batch.
    void insertGlossaryWords(const std::vector<std::shared_ptr<GlossaryWord>>& words);
    // No transaction of its own: the installer holds one.
    void insertGlossaryWordsData(const std::vector<GlossaryWordDataRow>& rows);
    std::shared_ptr<GlossaryWord> selectGlossaryWord(int id);
    // The article unpacked.
    QByteArray selectGlossaryWordData(int categoryId, int glossaryId, int wordId);
    // Letters match in lower case; a null letter counts every term.
    std::vector<std::shared_ptr<GlossaryWord>> selectGlossaryWords(int categoryId, int glossaryId, QChar letter);
    int selectGlossaryWordsCount(int categoryId, int glossaryId, QChar letter = QChar());
    bool isGlossaryWordsExist(int categoryId, int glossaryId, QChar letter);

    // Texts of the DBNotFound errors the library reads throw.
    static const char* const kBookNotFound;
    static const char* const kBookBaseNotFound;
    static const char* const kBookInfoNotFoundDetailed; // %1 book id, %2 language
    static const char* const kBookInfoNotFound;
    static const char* const kBookSectionNotFound; // %1 code, %2 language
    static const char* const kSectionBookIdNotFound;
    static const char* const kParentSectionNotFound; // %1 code, %2 language
    static const char* const kBookCoverNotFound;
    static const char* const kArchiBookNotFound;
    static const char* const kCategoryNotFound;
    static const char* const kCategoryNotExists;
    static const char* const kPersonNotFound;
    static const char* const kPersonPhotoNotFound;
    static const char* const kPublisherNotFound;
    static const char* const kGlossaryWordNotFound;
    static const char* const kGlossaryWordDataNotFound;
    static const char* const kFavoriteNotFound;
    static const char* const kFavoriteFolderNotFound; // %1 uuid
    static const char* const kFavoriteFolderNotExists; // %1 uuid
    static const char* const kUnknownError;

    // Catalogue: categories, archive books, listings, covers and queues
    using CategoryPtr = std::shared_ptr<Category>;
    using BookInfoList = std::vector<std::shared_ptr<BookInfo>>;

    // The catalogue filter's text, kept by the caller between fills: the
    // first fill replaces it by its search key and marks it normalised.
    struct CatalogFilterText
    {
        bool normalized = false;
        QString text;
    };

    // Row types of CatalogSearch.
    enum CatalogSearchType : int { CatalogSearchBook = 1, CatalogSearchCategory = 2, CatalogSearchPerson = 3 };

    // Actions of the indexing queue.
    enum IndexAction : quint8 { IndexAdd = 1, IndexRemove = 2 };

    // Categories ordered by "left" in Russian and by "leftEn" otherwise.
    void deleteCategories();
    void insertCategories(const std::vector<CategoryPtr>& categories);
    CategoryPtr selectCategory(int id, TarnolixConstants::Language language);
    int selectCategoryParentId(int id);
    std::vector<CategoryPtr> selectCategoryNames(int parentId, TarnolixConstants::Language language,
                                                 bool onlyWithBooks, bool fromCatalogSearch, bool ordered,
                                                 const std::unordered_set<int>* ids);
    std::vector<int> selectCategoryNames(int parentId, TarnolixConstants::Language language, bool onlyWithBooks,
                                         bool fromCatalogSearch);
    int selectCategoriesCount(int parentId, TarnolixConstants::Language language, bool onlyWithBooks,
                              const std::unordered_set<int>* ids);
    std::vector<int> selectCategoryIdsWithBooks(TarnolixConstants::Language language);
    std::vector<int> selectBookCategoryIds(int bookId, TarnolixConstants::Language language);
    void resetCategoriesBooksExists();
    void updateCategoriesBooksExists(const std::set<int>& ids, TarnolixConstants::Language language, bool value);
    // Recomputes every booksExists mark in one transaction: a category is
    // marked when it or a descendant holds a book of the language. A cycle of
    // parents in the data is logged and cut, never walked forever.
    void reloadBooksExists();

    void deleteArchiBooks();
    void insertArchiBooks(const std::vector<std::shared_ptr<ArchiBook>>& archiBooks);
    std::shared_ptr<ArchiBook> selectArchiBook(int id, TarnolixConstants::Language language);
    std::vector<std::shared_ptr<BookBase>> selectArchiBookBooks(int archiBookId);
    std::shared_ptr<BookBase> selectBookBase(int bookId);
    // Sections of the archive book's publications, summed over the languages.
    int selectArchiBookSectionsCount(int archiBookId);
    // Distinct publications, over all languages, holding a section with `slug`.
    int selectArchiBookBooksCountBySectionSlug(int archiBookId, const QString& slug);

    // CatalogSearch holds the last filter's hits only; each fill replaces it.
    void clearCatalogSearch();
    void fillCatalogSearchWithBooks(TarnolixConstants::Language language, CatalogFilterText& filter);
    void fillCatalogSearchWithCategories(TarnolixConstants::Language language, CatalogFilterText& filter);
    void fillCatalogSearchWithPersons(TarnolixConstants::Language language, CatalogFilterText& filter);
    // Recomputes every stored search key whose normaliser result changed.
    void fixNormalixedTexts();

    // Listings: natural order of the short name, then ascending id.
    BookInfoList selectBooksByAuthor(int authorId, TarnolixConstants::Language language);
    BookInfoList selectBooksByCommentator(int commentatorId, TarnolixConstants::Language language);
    BookInfoList selectBooksByCategory(int categoryId, TarnolixConstants::Language language,
                                       const std::unordered_set<int>* ids);
    BookInfoList selectBooksFromCatalogSearch(TarnolixConstants::Language language,
                                              const std::unordered_set<int>* ids);
    // One distinct record per (category, book) pair.
    std::unordered_map<int, BookInfoList> selectBooksWithCategories(TarnolixConstants::Language language);
    BookInfoList selectArchiBookBooksBySectionSlug(int archiBookId, TarnolixConstants::Language language,
                                                   const QString& slug);
    std::vector<int> selectBookIdsByAuthor(int authorId, TarnolixConstants::Language language);
    std::vector<int> selectBookIdsByCategory(int categoryId, TarnolixConstants::Language language);
    std::vector<int> selectBookAuthorIds(int bookId, TarnolixConstants::Language language);
    int selectBooksCountByAuthor(int authorId, TarnolixConstants::Language language);
    int selectBooksCountByCategory(int categoryId, TarnolixConstants::Language language,
                                   const std::unordered_set<int>* ids);

    // Covers: the edition's own, else (when asked) the book's common one.
    std::pair<int, QByteArray> selectBookCover(int bookId, TarnolixConstants::Language language, bool useCommonCover);
    void insertBookCover(int bookId, int format, const QByteArray& data);
    void insertBookLanguageCover(int bookId, TarnolixConstants::Language language, int format,
                                 const QByteArray& data);

    // Indexing queue: at most one pending action per book and language.
    void upsertBFI(int bookId, quint8 action);
    void upsertBFIList(TarnolixConstants::Language language, const std::vector<int>& ids, quint8 action);
    void queueAllBooksForIndexing(TarnolixConstants::Language language, quint8 action);
    std::vector<std::pair<int, int>> selectBFI(TarnolixConstants::Language language);
    int countBFI(TarnolixConstants::Language language);
    void deleteFromBFI(TarnolixConstants::Language language, const std::vector<int>& ids);

    // Cover queue: each book at most once.
    void insertBFLC(const std::vector<int>& ids);
    int selectFirstBFLC();
    int countBFLC();
    void deleteFromBFLC(int id);

    static QString syncJournalUpsertStatement(const QString& table);

    // Persons, publishers, favorites and folders
    using PersonPtr = std::shared_ptr<Person>;
    using FavoritePtr = std::shared_ptr<Favorite>;

    // The optional, possibly long text columns a favorite read also fetches.
    enum FavoriteColumn : unsigned {
        FavoriteSectionSlugs = 0x1, // startSectionSlug and endSectionSlug
        FavoriteTitle = 0x2,
        FavoriteNote = 0x4,
        FavoriteQuotedText = 0x8, // favoriteText
    };
    using FavoriteColumns = unsigned;

    // A partial change of a favorite: only the fields present are written.
    // A start or end index present as nullopt writes NULL; a null catalogUuid
    // moves the favorite to the top level.
    struct FavoriteUpdate
    {
        std::optional<qint64> timeOfChange;
        std::optional<QString> startSectionCode;
        std::optional<std::optional<quint64>> startSectionIndex;
        std::optional<QString> endSectionCode;
        std::optional<std::optional<quint64>> endSectionIndex;
        std::optional<QUuid> catalogUuid;
        std::optional<QString> title;
        std::optional<QString> note;
    };

    // Normalised once, on first use, like the catalogue filter.
    using FavoritesFilterText = CatalogFilterText;

    // Record bindings: ":" + column name; null UUIDs and absent texts bind NULL.
    void bindPerson(QSqlQuery& query, const Person& person);
    // Refuses a favorite without a uuid or without both section slugs,
    // binding nothing.
    static void bindFavorite(QSqlQuery& query, const Favorite& favorite);
    static void bindSyncItem(QSqlQuery& query, const FavoritesSyncItem& item);
    // ",title,note" etc. for the set bits, in bit order, no blanks.
    static void appendFavoriteTextColumns(QString& sql, FavoriteColumns columns);
    static void readFavoriteTextColumns(const QSqlQuery& query, Favorite& favorite, FavoriteColumns columns);
    // Columns: uuid, catalogUuid, start code, index, offset, end code, index,
    // offset, bookId, language, timeOfChange, then the text columns by name.
    static FavoritePtr readFavoriteRow(const QSqlQuery& query, FavoriteColumns columns);
    // As above without bookId, language and text columns.
    static FavoritePtr readFavoriteRowOfBook(const QSqlQuery& query, int bookId, TarnolixConstants::Language language);

    // Persons and publishers are replaced as a set by the reference-data
    // update: delete, then insert, inside the caller's transaction. Each
    // batch insert is all or nothing.
    void deletePersons();
    void deletePublishers();
    void insertPersons(const std::vector<PersonPtr>& persons);
    void insertPublishers(const std::vector<std::shared_ptr<Publisher>>& publishers);
    // Reads fill the texts of the one language asked.
    PersonPtr selectPerson(TarnolixConstants::Language language, int id);
    PersonPtr selectPersonName(TarnolixConstants::Language language, int id);
    PersonPtr selectPersonBySlug(TarnolixConstants::Language language, const QString& slug);
    std::vector<PersonPtr> selectPersonsByIds(TarnolixConstants::Language language, const std::vector<int>& ids);
    // First character of the name's search key; null when it has none.
    QChar selectPersonFirstLetter(TarnolixConstants::Language language, int id);
    QString selectPersonPhotoSource(int id);
    std::shared_ptr<Publisher> selectPublisher(TarnolixConstants::Language language, int id);

    // Authors: persons with `role` among their roles and a book in the
    // language's book table. Letters match the search key's first character
    // in lower case; the returned persons carry `role` in their roles.
    std::set<QChar> selectAuthorsFirstLetters(TarnolixConstants::Language language, const QString& role);
    int selectAuthorsCount(TarnolixConstants::Language language, const QString& role, QChar letter);
    std::vector<PersonPtr> selectAuthors(TarnolixConstants::Language language, const QString& role, QChar letter);
    std::vector<int> selectAuthorIds(TarnolixConstants::Language language, const QString& role, QChar letter);
    std::vector<PersonPtr> selectPersonsFromCatalogSearch(TarnolixConstants::Language language, int type,
                                                          const QString& role);
    // Persons whose name's search key equals that of `text`.
    std::vector<PersonPtr> selectPersonsByExactName(TarnolixConstants::Language language, const QString& text,
                                                    const QString& role);

    // Photos and the queue of persons whose photos are to be loaded (each
    // person at most once).
    void insertPersonPhoto(int personId, int format, const QByteArray& data, const QString& downloadLink);
    void deletePersonPhoto(int personId);
    std::pair<int, QByteArray> selectPersonPhoto(int personId);
    QString selectPersonPhotoDownloadLink(int personId);
    void insertPFLP(const std::vector<int>& ids);
    void deleteFromPFLP(int id);
    // An empty queue throws DBNotFound with an empty message.
    int selectFirstPFLP();
    int countPFLP();

    // `column` of the rows whose `keyColumn` equals `key`; names are checked.
    std::vector<int> selectIntColumn(const QString& column, const QString& table, const QString& keyColumn, int key);

    // Favorites and folders. Writes of one statement join the caller's
    // transaction; the batch inserts are all or nothing. Updates and deletes
    // of a UUID without a row change nothing.
    static QString favoriteInsertStatement();
    // Empty when no field is present.
    static QString favoriteFieldsUpdateStatement(const FavoriteUpdate& update);
    void insertFavorite(const Favorite& favorite);
    void insertFavorites(const std::vector<FavoritePtr>& favorites);
    void insertFavoriteFolder(const FavoriteFolder& folder);
    void insertFavoriteCatalogs(const std::vector<std::shared_ptr<FavoriteFolder>>& folders);
    void updateFavorite(const Favorite& favorite);
    // No field present: nothing to write, nothing runs.
    void updateFavoriteFields(const QUuid& uuid, const FavoriteUpdate& update);
    void updateFavoriteFolder(const FavoriteFolder& folder);
    void deleteFavorite(const QUuid& uuid);
    void deleteFavorites(const std::vector<QUuid>& uuids);
    // The named folders only: their contents are the caller's to delete.
    void deleteFavoriteFolders(const std::vector<QUuid>& uuids);

    // A null parent UUID means the top level.
    std::shared_ptr<FavoriteFolder> selectFavoriteFolder(const QUuid& uuid);
    QUuid selectFavoriteFolderParent(const QUuid& uuid);
    std::vector<std::shared_ptr<FavoriteFolder>> selectFavoriteFolders(const QUuid& parentUuid);
    std::vector<QUuid> selectFavoriteFolderIds(const QUuid& parentUuid);
    int selectFavoriteFoldersCount(const QUuid& parentUuid);
    std::vector<std::shared_ptr<FavoriteFolder>> selectFavoriteFoldersByIds(const std::vector<QUuid>& uuids);
    // Folders whose name's search key contains the filter's; an empty filter
    // keeps all.
    std::vector<std::shared_ptr<FavoriteFolder>> selectAllFavoriteFolders(TarnolixConstants::Language language,
                                                                          FavoritesFilterText& filter);
    bool isFavoriteFolderExists(const QUuid& uuid);
    bool isFolderHasFavorites(const QUuid& folderUuid);

    // Favorite reads and the favorites sync journal
    using FavoriteList = std::vector<FavoritePtr>;
    // Journal item's uuid -> its row's time of change.
    using TimesOfChange = std::map<QUuid, qint64>;

    // A null folder UUID means the top level. Reads of a favorite that has no
    // row throw DBNotFound "Favorite not found" unless said otherwise.
    FavoritePtr selectFavorite(const QUuid& uuid, FavoriteColumns columns);
    // Fills the selected text columns of `favorite`; an empty selection throws.
    void selectFavoriteFields(Favorite& favorite, FavoriteColumns columns);
    QUuid selectFavoriteFolderUuid(const QUuid& uuid);
    // No row: Exception "Закладка не найдена".
    QString selectFavoriteText(const QUuid& uuid);
    std::pair<QString, QString> selectFavoriteTitleNote(const QUuid& uuid);
    std::vector<QUuid> selectFavoriteIdsInFolder(const QUuid& folderUuid);
    // Every favorite when no folder is given; newest first is the order of
    // insertion, which updates do not change.
    FavoriteList selectFavoritesInFolder(const std::optional<QUuid>& folderUuid, bool newestFirst,
                                         FavoriteColumns columns);
    FavoriteList selectFavoritesByIds(const std::vector<QUuid>& uuids, FavoriteColumns columns);
    FavoriteList selectFavoritesOfBook(int bookId, TarnolixConstants::Language language);
    // The favorites that start in section `code` or in any section below it.
    FavoriteList selectFavoriteRangesOfBook(int bookId, TarnolixConstants::Language language, const QString& code);
    // Favorites holding only their uuid and the two section slugs.
    FavoriteList selectFavoriteSlugs(int bookId, TarnolixConstants::Language language);
    // Favorites whose title, note or quoted text contains the filter (as
    // search keys), with those three texts; an empty filter keeps all.
    FavoriteList selectFavoriteTexts(TarnolixConstants::Language language, FavoritesFilterText& filter);
    // An exact title among the favorites other than `exceptUuid` (if not null).
    bool isFavoriteTitleExists(const QString& title, const QUuid& exceptUuid);
    int selectFavoritesCount();
    int selectFavoritesCountOfBook(int bookId, TarnolixConstants::Language language);
    int selectFavoritesCountInFolder(const QUuid& folderUuid);

    std::unordered_set<int> selectFavoriteBookIds(TarnolixConstants::Language language);
    // In natural order of the short name, then by id.
    BookInfoList selectBooksWithFavorites(TarnolixConstants::Language language);
    // The categories holding a book with favorites in `language`, with all
    // their ancestors. A loop of parents is logged and cut.
    std::unordered_set<int> selectFavoriteCategoryTree(TarnolixConstants::Language language);
    // The sections where favorites start, with all their ancestors, each once.
    QStringList selectStartSectionCodesWithFavorites(int bookId, TarnolixConstants::Language language);

    // The journal (FavoritesToSync, FavoritesCatalogToSync): one row per item
    // with its last action (FavoritesSyncItem::Added or Deleted). Batches run
    // in one transaction, joining the caller's. An item without a uuid is
    // refused: its row could never be read back.
    void upsertFavoriteSyncItem(const Favorite& favorite, int action);
    void upsertFolderSyncItem(const FavoritesSyncItem& item);
    void upsertSyncItem(const QString& table, const FavoritesSyncItem& item);
    void upsertFavoriteItemsToSync(const QString& table, const std::vector<FavoritesSyncItem>& items);
    void queueFavoritesForSync(const FavoriteList& favorites, int action);
    void queueFavoriteIdsForSync(const std::vector<QUuid>& uuids, int action);
    void queueFoldersForSync(const std::vector<std::shared_ptr<FavoriteFolder>>& folders, int action);
    void queueFolderIdsForSync(const std::vector<QUuid>& uuids, int action);
    std::vector<FavoritesSyncItem> selectFavoritesToSync();
    std::vector<FavoritesSyncItem> selectFavoriteFoldersToSync();
    std::vector<FavoritesSyncItem> selectSyncItems(const QString& table);
    // Removes only the rows whose action is still the one given: a change
    // queued while a synchronisation ran stays for the next one.
    void removeFavoritesFromSync(const std::vector<FavoritesSyncItem>& items);
    void removeFoldersFromSync(const std::vector<FavoritesSyncItem>& items);
    void deleteSyncItems(const QString& table, const std::vector<FavoritesSyncItem>& items);
    TimesOfChange selectFavoritesTimes();
    TimesOfChange selectFavoriteFoldersTimes();
    TimesOfChange selectTimesOfChange(const QString& table);
    bool needFavoritesSync();

private:
    // Empties CatalogSearch, then inserts the matching books (withBooks) and
    // runs insertSql with the filter's LIKE pattern bound, in one transaction.
    void fillCatalogSearch(TarnolixConstants::Language language, CatalogFilterText& filter, bool withBooks,
                           const QString& insertSql);
    // (id, spiritual name) of the one person whose keyColumn equals key.
    PersonPtr selectOnePersonName(TarnolixConstants::Language language, const QString& keyColumn,
                                  const QVariant& key);
    BookInfoList selectListing(const QString& sql, const QVariantList& values, TarnolixConstants::Language language);
    // Brings an existing library stamped with `version` (below
    // kDatabaseVersion; 0 and 1 count as 2) up to the current schema: every
    // step from that version on, then every folder and favorite queued for
    // synchronisation as added. Runs inside the caller's transaction.
    void upgradeSchema(int version);
    // Queues every row of `table` in the journal `journalTable` as added.
    void queueAllAsAdded(const QString& table, const QString& journalTable);

    std::map<QString, LanguageColumns> m_languageColumns;
};
