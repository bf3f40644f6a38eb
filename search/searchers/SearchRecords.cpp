#include "search/searchers/SearchRecords.h"

#include "core/Exception.h"
#include "database/DatabasePool.h"
#include "database/ItemPathBuilder.h"
#include "database/TarnolixDB.h"
#include "pages/UrlCreatorImpl.h"
#include "search/index/ActiveLibraryKey.h"

#include <QtDebug>

#include <array>
#include <functional>
#include <mutex>

namespace tarnolix {

namespace {

// The live result sets by id. Ids only grow, so one marks one result set for
// the life of the process.
class SearchResultsManager
{
public:
    static SearchResultsManager& instance()
    {
        static SearchResultsManager manager;
        return manager;
    }

    int insert(const std::shared_ptr<SearchResults2>& results)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const int id = ++m_counter;
        m_results[id] = results;
        return id;
    }

    void erase(int id)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_results.erase(id) == 0)
            qWarning("SearchResultsManager::erase: Object not found");
    }

private:
    std::mutex m_mutex;
    int m_counter = 0;
    std::map<int, std::weak_ptr<SearchResults2>> m_results;
};

// The lazy caches of a result tree are filled by whichever thread reads
// first (page jobs and the GUI). A few striped mutexes guard them; none is
// held while the library is read, and none is taken while another is held.
std::mutex& cacheMutex(const void* record)
{
    static std::array<std::mutex, 31> mutexes;
    return mutexes[std::hash<const void*>()(record) % mutexes.size()];
}

// Reads `cache` once: a load that throws leaves it empty for the next try.
// Two first readers may both load; the first to finish is kept.
template <typename T, typename Load>
std::shared_ptr<T> cached(const void* record, std::shared_ptr<T>& cache, Load load)
{
    std::mutex& mutex = cacheMutex(record);
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (cache)
            return cache;
    }
    std::shared_ptr<T> loaded = load();
    std::lock_guard<std::mutex> lock(mutex);
    if (!cache)
        cache = std::move(loaded);
    return cache;
}

TarnolixConstants::Language languageOf(const SearchStatus& status)
{
    if (!status.settings())
        throw Exception("Search status without settings");
    return status.settings()->language();
}

bool keepsLibraryKey(const SearchSettingsConstPtr& settings)
{
    return settings
        && (settings->searchType() == TarnolixConstants::FullText
            || settings->searchType() == TarnolixConstants::WordByWord);
}

} // namespace

// SearchStatus ----------------------------------------------------------------

SearchStatus::SearchStatus(SearchSettingsConstPtr settings)
    : m_settings(std::move(settings))
{
    if (keepsLibraryKey(m_settings))
        m_activeLibraryKey = activeLibraryCacheKey(currentDatabase()->sqlDatabase());
}

SearchStatus::~SearchStatus() = default;

bool SearchStatus::checkState() const
{
    if (!m_settings)
        return false;
    if (!keepsLibraryKey(m_settings))
        return true;
    return !m_activeLibraryKey.isEmpty()
        && m_activeLibraryKey == activeLibraryCacheKey(currentDatabase()->sqlDatabase());
}

// SearchResults2 --------------------------------------------------------------

SearchResults2::~SearchResults2()
{
    SearchResultsManager::instance().erase(m_id);
}

void SearchResults2::registerResults(const std::shared_ptr<SearchResults2>& results,
                                     const std::shared_ptr<SearchStatus>& status)
{
    const int id = SearchResultsManager::instance().insert(results);
    results->m_id = id;
    results->m_status = status;
    if (status)
        status->m_resultsId = id;
}

// BooksSearchResults ----------------------------------------------------------

BooksSearchResults::BooksSearchResults()
    : m_booksById(8)
{
}

std::shared_ptr<SRBook> BooksSearchResults::findBook(unsigned bookId) const
{
    const auto found = m_booksById.find(bookId);
    return found != m_booksById.end() ? found->second : nullptr;
}

void BooksSearchResults::setBooks(BookList&& books, BookMap&& booksById, std::shared_ptr<SRItemsContainer> items)
{
    m_books = std::move(books);
    m_booksById = std::move(booksById);
    m_items = std::move(items);
}

void BooksSearchResults::setBooks(const BookList& books, const BookMap& booksById,
                                  const std::shared_ptr<SRItemsContainer>& items)
{
    m_books = books;
    m_booksById = booksById;
    m_items = items;
}

// SRBook ----------------------------------------------------------------------

SRBook::SRBook(std::shared_ptr<SearchStatus> status, unsigned bookId)
    : m_status(std::move(status))
    , m_bookId(bookId)
{
}

SRBook::~SRBook() = default;

std::shared_ptr<BookInfo> SRBook::bookInfo()
{
    return cached(this, m_bookInfo,
                  [this] { return currentDatabase()->selectBookInfo(int(m_bookId), languageOf(*m_status)); });
}

void SRBook::addSection(std::shared_ptr<SRSection> section)
{
    const auto inserted = m_sectionsByCode.emplace(section->code(), section);
    if (inserted.second)
        m_sections.push_back(std::move(section));
}

// SRSection -------------------------------------------------------------------

SRSection::SRSection(const std::shared_ptr<SRBook>& book, const QString& code)
    : m_status(book->status())
    , m_book(book)
    , m_code(code)
{
}

SRSection::~SRSection() = default;

std::shared_ptr<SRBook> SRSection::book() const
{
    return std::shared_ptr<SRBook>(m_book);
}

std::shared_ptr<BookInfo> SRSection::bookInfo() const
{
    return book()->bookInfo();
}

std::shared_ptr<BookSection> SRSection::bookSection()
{
    return cached(this, m_bookSection,
                  [this] { return currentDatabase()->selectBookSection(m_code, languageOf(*m_status)).first; });
}

std::shared_ptr<BookPart> SRSection::bookPart()
{
    // The part's cache is another object than the section's: its own stripe.
    return cached(&m_bookPart, m_bookPart,
                  [this] { return currentDatabase()->selectBookPart(m_code, languageOf(*m_status)); });
}

void SRSection::setBookSection(std::shared_ptr<BookSection> bookSection)
{
    std::lock_guard<std::mutex> lock(cacheMutex(this));
    m_bookSection = std::move(bookSection);
}

std::shared_ptr<BookSection> SRSection::cachedBookSection() const
{
    std::lock_guard<std::mutex> lock(cacheMutex(this));
    return m_bookSection;
}

// SRItem ----------------------------------------------------------------------

SRItem::SRItem(unsigned id, std::weak_ptr<SRSection> section, double score)
    : m_id(id)
    , m_section(std::move(section))
    , m_score(score)
{
}

SRItem::~SRItem() = default;

std::shared_ptr<SRSection> SRItem::section() const
{
    return std::shared_ptr<SRSection>(m_section);
}

QString SRItem::update(int tabId)
{
    std::mutex& mutex = cacheMutex(this);
    const auto built = [this] { return m_urlCreator && !m_urlCreator->isEmpty() && !m_readablePath.isEmpty(); };
    const auto forTab = [this, tabId] {
        if (m_urlCreator->tabId() != tabId || m_url.isEmpty()) {
            m_urlCreator->setTabId(tabId);
            m_url = m_urlCreator->toString();
        }
        return m_url;
    };
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (built())
            return forTab();
    }

    const std::shared_ptr<SRSection> owner = section();
    const TarnolixConstants::Language language = languageOf(*owner->status());
    TarnolixDB& db = *currentDatabase();
    UrlCreatorImpl address;
    address.setSearchId(owner->status()->resultsId());
    address.setTabId(0);
    address.tryCreateSectionResultPath(db, language, owner->code(), int(m_id));
    QString readable = toReadablePath(db, language, address.itemPathItems());

    std::lock_guard<std::mutex> lock(mutex);
    if (!built()) {
        m_urlCreator = std::make_unique<UrlCreatorImpl>(std::move(address));
        m_readablePath = std::move(readable);
    }
    return forTab();
}

QString SRItem::url() const
{
    std::lock_guard<std::mutex> lock(cacheMutex(this));
    return m_url;
}

QString SRItem::readablePath() const
{
    std::lock_guard<std::mutex> lock(cacheMutex(this));
    return m_readablePath;
}

// SRItemsContainer ------------------------------------------------------------

SRItemsContainer::SRItemsContainer(std::size_t capacity)
{
    m_items.reserve(capacity);
    m_positions.reserve(capacity);
}

SRItemsContainer::SRItemsContainer(std::vector<std::shared_ptr<SRItem>>&& items)
    : m_items(std::move(items))
{
    m_positions.reserve(m_items.size());
    for (std::size_t i = 0; i < m_items.size(); ++i)
        m_positions.emplace(m_items[i]->id(), int(i));
}

void SRItemsContainer::append(std::shared_ptr<SRItem> item)
{
    m_positions.emplace(item->id(), int(m_items.size()));
    m_items.push_back(std::move(item));
}

std::shared_ptr<SRItem> SRItemsContainer::find(unsigned id) const
{
    const auto found = m_positions.find(id);
    return found != m_positions.end() ? m_items[std::size_t(found->second)] : nullptr;
}

int SRItemsContainer::indexOf(unsigned id) const
{
    const auto found = m_positions.find(id);
    return found != m_positions.end() ? found->second : -1;
}

} // namespace tarnolix
