#pragma once
// The records of a full-text search: its settings (as the search field and
// the address of a results page carry them), the status of one run (index
// reader, parsed query, analyzer and the query's span collection), and the
// results: books, sections, text units (entities) and hits, plus the
// matches of the query against author names, book names and short names.

#include "core/CatalogRecords.h"
#include "pages/OtherLanguageBookUrls.h"
#include "pages/UrlCreatorImpl.h"
#include "search/index/FTFieldName.h"
#include "search/index/LuceneClass.h"
#include "search/index/ScopeQueries.h"
#include "search/query/SpanQueries.h"
#include "search/searchers/CatalogLimits.h"
#include "search/searchers/SearchRecords.h"

#include <map>
#include <memory>
#include <vector>

namespace tarnolix {

class FTSearchSettings : public SearchSettings, public CatalogLimits
{
public:
    // Searches the plain content field ("A").
    FTSearchSettings() = default;
    explicit FTSearchSettings(TarnolixConstants::Language language);

    TarnolixConstants::SearchType searchType() const override { return TarnolixConstants::FullText; }
    SearchSettingsPtr clone(SearchSettingsPtr target = {}) const override;
    // 1 also when the query, the field, a limit list or searchInBook
    // differ.
    int compare(const SearchSettingsConstPtr& other) const override;

    const QString& query() const { return m_query; }
    void setQuery(const QString& query) { m_query = query; }
    // Its letter carries the exact-match and diacritics switches.
    const FTFieldName& fieldName() const { return m_fieldName; }
    void setFieldName(const FTFieldName& fieldName) { m_fieldName = fieldName; }
    // The one book searched; 0 for the whole library.
    int searchInBook() const { return m_searchInBook; }
    void setSearchInBook(int bookId) { m_searchInBook = bookId; }

    // The limits as the scope queries and the span collection take them.
    SearchScope scope() const;

private:
    QString m_query;
    FTFieldName m_fieldName{false, false, false};
    int m_searchInBook = 0;
};

class FTSearchStatus : public SearchStatus
{
public:
    FTSearchStatus(std::shared_ptr<const FTSearchSettings> settings, Lucene::IndexReaderPtr reader);
    ~FTSearchStatus() override;

    TarnolixConstants::SearchType searchType() const override { return TarnolixConstants::FullText; }

    const std::shared_ptr<const FTSearchSettings>& ftSettings() const { return m_ftSettings; }
    const Lucene::IndexReaderPtr& reader() const { return m_reader; }
    // Set once the query is built; null before.
    const Lucene::QueryPtr& query() const { return m_query; }
    void setQuery(const Lucene::QueryPtr& query) { m_query = query; }
    const Lucene::AnalyzerPtr& analyzer() const { return m_analyzer; }
    void setAnalyzer(const Lucene::AnalyzerPtr& analyzer) { m_analyzer = analyzer; }
    // Made empty with the status; the query parser fills it.
    const std::shared_ptr<SpanQueries>& spanQueries() const { return m_spanQueries; }

private:
    const std::shared_ptr<const FTSearchSettings> m_ftSettings;
    const Lucene::IndexReaderPtr m_reader;
    Lucene::QueryPtr m_query;
    Lucene::AnalyzerPtr m_analyzer;
    const std::shared_ptr<SpanQueries> m_spanQueries = std::make_shared<SpanQueries>();
};

// One edition of a matched book: its language, its row and its page.
struct MatchedEdition
{
    TarnolixConstants::Language language = TarnolixConstants::InvalidLanguage;
    std::shared_ptr<BookInfo> info;
    UrlCreatorImpl address;
};

// An author whose name is the query, with the author's books in every
// library language.
struct AuthorMatch
{
    struct Book
    {
        int bookId = 0;
        std::vector<MatchedEdition> editions;
    };

    std::shared_ptr<Person> person;
    UrlCreatorImpl address;
    // Used while gathering: the entry of each book id in `books`.
    std::map<int, std::shared_ptr<Book>> booksById;
    // In the order first met.
    std::vector<std::shared_ptr<Book>> books;
};

// A book whose name is the query.
struct BookNameMatch
{
    std::shared_ptr<BookBase> book;
    std::shared_ptr<BookInfo> information;
    UrlCreatorImpl address;
    std::vector<std::shared_ptr<Person>> authors;
    std::vector<MatchedEdition> languages;
    // Sections of the archive book less one, never below 0.
    int otherPublications = 0;
};

// A section whose short name (a book abbreviation and a verse number) is the
// query.
struct ShortNameMatch
{
    struct Counterpart
    {
        TarnolixConstants::Language language = TarnolixConstants::InvalidLanguage;
        std::shared_ptr<BookSection> section;
        std::shared_ptr<BookPart> part;
    };

    std::shared_ptr<BookBase> book;
    std::shared_ptr<BookInfo> information;
    // The matched section and its text.
    std::shared_ptr<BookSection> section;
    std::shared_ptr<BookPart> part;
    UrlCreatorImpl address;
    // The archive book's publications that hold the same section.
    std::shared_ptr<ArchiBookInfo> archiPages;
    // The section's path, joined with " • ".
    QString text;
    std::vector<Counterpart> counterparts;
};

class FTSearchResults : public BooksSearchResults
{
public:
    // New, empty and registered.
    static std::shared_ptr<FTSearchResults> create(std::shared_ptr<SearchStatus> status);

    TarnolixConstants::SearchType searchType() const override { return TarnolixConstants::FullText; }

    const std::vector<std::shared_ptr<AuthorMatch>>& authorMatches() const { return m_authorMatches; }
    const std::vector<std::shared_ptr<BookNameMatch>>& bookNameMatches() const { return m_bookNameMatches; }
    const std::vector<std::shared_ptr<ShortNameMatch>>& shortNameMatches() const { return m_shortNameMatches; }
    void addAuthorMatch(std::shared_ptr<AuthorMatch> match) { m_authorMatches.push_back(std::move(match)); }
    void addBookNameMatch(std::shared_ptr<BookNameMatch> match) { m_bookNameMatches.push_back(std::move(match)); }
    void addShortNameMatch(std::shared_ptr<ShortNameMatch> match) { m_shortNameMatches.push_back(std::move(match)); }
    void setAuthorMatches(const std::vector<std::shared_ptr<AuthorMatch>>& matches) { m_authorMatches = matches; }
    void setBookNameMatches(const std::vector<std::shared_ptr<BookNameMatch>>& matches)
    {
        m_bookNameMatches = matches;
    }
    void setShortNameMatches(const std::vector<std::shared_ptr<ShortNameMatch>>& matches)
    {
        m_shortNameMatches = matches;
    }

    // Whether a name match lists the book; books with text hits only do not
    // count.
    bool hasBook(unsigned bookId) const;

private:
    FTSearchResults() = default;

    std::vector<std::shared_ptr<AuthorMatch>> m_authorMatches;
    std::vector<std::shared_ptr<BookNameMatch>> m_bookNameMatches;
    std::vector<std::shared_ptr<ShortNameMatch>> m_shortNameMatches;
};

class FTSRBook : public SRBook
{
public:
    using SRBook::SRBook;
};

class FTSRItem;

// A text unit of a section (its "ei"), with its hits.
class FTSREntity
{
public:
    explicit FTSREntity(unsigned long long entityIndex)
        : m_entityIndex(entityIndex)
    {
    }

    unsigned long long entityIndex() const { return m_entityIndex; }
    const std::vector<std::shared_ptr<SRItem>>& items() const { return m_items; }
    void addItem(std::shared_ptr<SRItem> item) { m_items.push_back(std::move(item)); }

private:
    const unsigned long long m_entityIndex;
    std::vector<std::shared_ptr<SRItem>> m_items;
};

class FTSRSection : public SRSection
{
public:
    using SRSection::SRSection;

    // The hits of every entity, entity after entity.
    std::vector<std::shared_ptr<SRItem>> items() const override;
    const std::vector<std::shared_ptr<FTSREntity>>& entities() const { return m_entities; }
    void addEntity(std::shared_ptr<FTSREntity> entity) { m_entities.push_back(std::move(entity)); }

private:
    std::vector<std::shared_ptr<FTSREntity>> m_entities;
};

class FTSRItem : public SRItem
{
public:
    FTSRItem(std::weak_ptr<SRSection> section, std::weak_ptr<FTSREntity> entity, unsigned long long positionIndex,
             unsigned id, double score);

    TarnolixConstants::SearchType searchType() const override { return TarnolixConstants::FullText; }

    // Throws std::bad_weak_ptr when the entity is gone.
    std::shared_ptr<FTSREntity> entity() const { return std::shared_ptr<FTSREntity>(m_entity); }
    // The hit's "pi".
    unsigned long long positionIndex() const { return m_positionIndex; }

private:
    const std::weak_ptr<FTSREntity> m_entity;
    const unsigned long long m_positionIndex;
};

} // namespace tarnolix
