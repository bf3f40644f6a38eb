#pragma once
// What every search is described by and yields: the status of one run (its
// settings, the id of its results, the active-library key it was made
// under), the results with their process-wide id, and the tree of books,
// sections and hits shared by the full-text and word-by-word families.
//
// A tree is written by the thread that runs its search and handed over once
// the search has ended; from then on it is only read, on any thread, except
// for the lazy caches (book and section rows, the address of a hit), which
// are guarded. Parents own their children; children point up weakly, and
// reaching a parent that is gone throws std::bad_weak_ptr.

#include "core/BookRecords.h"
#include "core/SearchSettings.h"
#include "core/TarnolixConstants.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

class UrlCreatorImpl;

namespace tarnolix {

class SRBook;
class SRItem;
class SRItemsContainer;
class SRSection;

class SearchStatus
{
public:
    // Takes the active-library key on the calling thread's library
    // connection for full-text and word-by-word settings.
    explicit SearchStatus(SearchSettingsConstPtr settings);
    virtual ~SearchStatus();
    SearchStatus(const SearchStatus&) = delete;
    SearchStatus& operator=(const SearchStatus&) = delete;

    virtual TarnolixConstants::SearchType searchType() const = 0;

    // 0 until the results of this run are registered.
    int resultsId() const { return m_resultsId; }
    const SearchSettingsConstPtr& settings() const { return m_settings; }
    const QByteArray& activeLibraryKey() const { return m_activeLibraryKey; }

    // Whether results of this run still fit the active search library:
    // false without settings; true for families that keep no key; else the
    // kept key must be non-empty and equal the key read now.
    bool checkState() const;

private:
    friend class SearchResults2;

    std::atomic<int> m_resultsId{0};
    const SearchSettingsConstPtr m_settings;
    QByteArray m_activeLibraryKey;
};

// The root of every result set. Each family's factory registers it right
// after construction; its id (1, 2, ... in a process, never reused) is what
// addresses of its hits carry.
class SearchResults2
{
public:
    virtual ~SearchResults2();
    SearchResults2(const SearchResults2&) = delete;
    SearchResults2& operator=(const SearchResults2&) = delete;

    virtual TarnolixConstants::SearchType searchType() const = 0;

    int id() const { return m_id; }
    const std::shared_ptr<SearchStatus>& status() const { return m_status; }
    int totalFreq() const { return m_totalFreq; }
    void setTotalFreq(int totalFreq) { m_totalFreq = totalFreq; }
    void addTotalFreq(int freq) { m_totalFreq += freq; }

    // Gives `results` the next id and `status`, and `status` the same id.
    static void registerResults(const std::shared_ptr<SearchResults2>& results,
                                const std::shared_ptr<SearchStatus>& status);

protected:
    SearchResults2() = default;

private:
    int m_id = 0;
    std::shared_ptr<SearchStatus> m_status;
    int m_totalFreq = 0;
};

// Results organised by books, then sections, then hits.
class BooksSearchResults : public SearchResults2
{
public:
    using BookList = std::vector<std::shared_ptr<SRBook>>;
    using BookMap = std::unordered_map<uint32_t, std::shared_ptr<SRBook>>;

    const BookList& books() const { return m_books; }
    std::shared_ptr<SRBook> findBook(unsigned bookId) const;
    // Every hit in result order; null until the search sets it.
    const std::shared_ptr<SRItemsContainer>& items() const { return m_items; }

    void setBooks(BookList&& books, BookMap&& booksById, std::shared_ptr<SRItemsContainer> items);
    void setBooks(const BookList& books, const BookMap& booksById, const std::shared_ptr<SRItemsContainer>& items);

protected:
    BooksSearchResults();

private:
    BookList m_books;
    BookMap m_booksById;
    std::shared_ptr<SRItemsContainer> m_items;
};

class SRBook
{
public:
    SRBook(std::shared_ptr<SearchStatus> status, unsigned bookId);
    virtual ~SRBook();
    SRBook(const SRBook&) = delete;
    SRBook& operator=(const SRBook&) = delete;

    const std::shared_ptr<SearchStatus>& status() const { return m_status; }
    unsigned bookId() const { return m_bookId; }
    int freq() const { return m_freq; }
    void addFreq(int freq) { m_freq += freq; }
    const std::vector<std::shared_ptr<SRSection>>& sections() const { return m_sections; }

    // The book's row in the search language, read on first use with the
    // calling thread's connection; a failed read throws and leaves nothing
    // cached.
    std::shared_ptr<BookInfo> bookInfo();

    // A section whose code the book already holds is not added: the first
    // one stays.
    void addSection(std::shared_ptr<SRSection> section);

private:
    const std::shared_ptr<SearchStatus> m_status;
    const unsigned m_bookId;
    std::shared_ptr<BookInfo> m_bookInfo;
    std::vector<std::shared_ptr<SRSection>> m_sections;
    std::map<QString, std::shared_ptr<SRSection>> m_sectionsByCode;
    int m_freq = 0;
};

class SRSection
{
public:
    SRSection(const std::shared_ptr<SRBook>& book, const QString& code);
    virtual ~SRSection();
    SRSection(const SRSection&) = delete;
    SRSection& operator=(const SRSection&) = delete;

    // The hits of the section, in order.
    virtual std::vector<std::shared_ptr<SRItem>> items() const = 0;

    const std::shared_ptr<SearchStatus>& status() const { return m_status; }
    const QString& code() const { return m_code; }
    int freq() const { return m_freq; }
    void addFreq(int freq) { m_freq += freq; }
    // Throws std::bad_weak_ptr when the book is gone.
    std::shared_ptr<SRBook> book() const;

    // Through the book.
    std::shared_ptr<BookInfo> bookInfo() const;
    // Read on first use like SRBook::bookInfo.
    std::shared_ptr<BookSection> bookSection();
    std::shared_ptr<BookPart> bookPart();
    void setBookSection(std::shared_ptr<BookSection> bookSection);
    // What bookSection() has cached or was given, without reading.
    std::shared_ptr<BookSection> cachedBookSection() const;

private:
    const std::shared_ptr<SearchStatus> m_status;
    const std::weak_ptr<SRBook> m_book;
    int m_freq = 0;
    const QString m_code;
    std::shared_ptr<BookSection> m_bookSection;
    std::shared_ptr<BookPart> m_bookPart;
};

// One hit.
class SRItem
{
public:
    SRItem(unsigned id, std::weak_ptr<SRSection> section, double score);
    virtual ~SRItem();
    SRItem(const SRItem&) = delete;
    SRItem& operator=(const SRItem&) = delete;

    virtual TarnolixConstants::SearchType searchType() const = 0;

    // Unique within the result set; the SRItemId of the hit's address.
    unsigned id() const { return m_id; }
    unsigned freq() const { return m_freq; }
    void setFreq(unsigned freq) { m_freq = freq; }
    void addFreq(unsigned freq) { m_freq += freq; }
    double score() const { return m_score; }
    // Throws std::bad_weak_ptr when the section is gone.
    std::shared_ptr<SRSection> section() const;

    // The hit's address for the page of tab `tabId`: its section's path with
    // the hit, under the result set's id. The path and its readable form are
    // read once with the calling thread's connection; the address text is
    // remade when another tab asks. Returns that text, which url() also
    // gives until the next update.
    QString update(int tabId);
    QString url() const;
    QString readablePath() const;

private:
    const unsigned m_id;
    unsigned m_freq = 0;
    const std::weak_ptr<SRSection> m_section;
    const double m_score;
    QString m_url;
    QString m_readablePath;
    std::unique_ptr<UrlCreatorImpl> m_urlCreator;
};

// The hits of a result set in result order, found by id.
class SRItemsContainer
{
public:
    SRItemsContainer() = default;
    explicit SRItemsContainer(std::size_t capacity);
    explicit SRItemsContainer(std::vector<std::shared_ptr<SRItem>>&& items);

    // A hit whose id is taken is listed but not indexed: find and indexOf
    // give the first hit of an id.
    void append(std::shared_ptr<SRItem> item);
    // Null for an unknown id.
    std::shared_ptr<SRItem> find(unsigned id) const;
    // -1 for an unknown id.
    int indexOf(unsigned id) const;
    const std::vector<std::shared_ptr<SRItem>>& items() const { return m_items; }

private:
    std::vector<std::shared_ptr<SRItem>> m_items;
    std::unordered_map<unsigned, int> m_positions;
};

} // namespace tarnolix
