#pragma once
// Full-text searches off the GUI thread. FTSearchThreadManager keeps a pool
// of idle search threads; FTSearchThread is the searcher a page holds (one
// QThread and one worker on it); FTSearchThreadImpl is the worker, whose
// doSearch runs one search: the query parsed and searched in the index of
// the settings' language, the name matches found beside it on the global
// thread pool, the hits turned into books, sections, entities and items,
// counted and sorted.
//
// The manager, the threads and their searcher state belong to the GUI
// thread. The worker's slots run on its own thread; the GUI thread reaches
// it through queued calls and the mutex-guarded accessors.

#include "search/index/LuceneClass.h"
#include "search/searchers/FTSearchRecords.h"
#include "search/searchers/Searcher.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

class QThread;
class SectionsCatalogPositions;

namespace tarnolix {

class ResultCollector;
class IndexWriterThread;

class FTSearchThreadImpl : public QObject
{
    Q_OBJECT

public:
    FTSearchThreadImpl();
    ~FTSearchThreadImpl() override;

    // Throws Exception "Search in process..." while a search runs; else
    // posts doSearch and returns whether that could be done.
    bool search(SearchSettingsConstPtr settings);
    // Asks a running search to stop: its collector is rejected and the run
    // ends with "Search rejected".
    void stop();
    // stop() for good, also for a search posted but not started: the worker
    // is being discarded.
    void close();
    // Stops a running search, then posts doRelease.
    bool release();

    SearchSettingsConstPtr settings() const;
    std::shared_ptr<FTSearchResults> results() const;
    // Safe from any thread while a search runs.
    void getNumberOfResults(int& numberBooksFound, int& numberItemsFound, int& totalFreq) const;

    TarnolixConstants::SearchStatus status() const { return TarnolixConstants::SearchStatus(m_status.load()); }

signals:
    void statusChanged(TarnolixConstants::SearchStatus status);
    void error(QString error);

public slots:
    void init();

private slots:
    void doSearch(SearchSettingsConstPtr sr);
    void doRelease();

private:
    using EntityMap = std::map<unsigned long long, std::shared_ptr<FTSREntity>>;

    void setWorkerStatus(TarnolixConstants::SearchStatus status);
    bool stopRequested() const { return m_stop.load() || m_closed.load(); }
    // Throws Lucene RuntimeException "Search rejected" once a stop is asked.
    void checkStop() const;
    void rejectCollector();
    void run(const SearchSettingsConstPtr& sr, IndexWriterThread*& writer);
    void fail(const char* logFormat, const QString& logText, const QString& errorText);

    Lucene::QueryPtr buildQuery(const FTSearchSettings& settings);
    void processDocs(FTSearchResults& results, const FTSearchSettings& settings);
    void countOccurrences(FTSearchResults& results);
    void addBook(unsigned bookId);
    void addSection(const Lucene::String& code);
    void sortResults(const FTSearchSettings& settings, std::shared_ptr<SRItemsContainer>& items);
    int catalogPosition(const SRSection& section) const;
    void sortBooks();
    void sortBooksByCatalog();
    void sortItemsByCatalog(std::vector<std::shared_ptr<SRItem>>& items) const;
    void sortItemsByMatch(std::vector<std::shared_ptr<SRItem>>& items) const;

    std::atomic<int> m_status{TarnolixConstants::InvalidSearchStatus};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_closed{false};
    bool m_wholeLibrary = true;
    std::atomic<bool> m_fastCount{false};
    // The collector counts the occurrences as it collects (whole library and
    // fast count); else the postings pass counts them after the search.
    std::atomic<bool> m_collectorCounts{false};
    Lucene::IndexReaderPtr m_reader;

    mutable std::mutex m_settingsMutex;
    std::shared_ptr<const FTSearchSettings> m_settings;
    mutable std::mutex m_statusMutex;
    std::shared_ptr<FTSearchStatus> m_searchStatus;
    mutable std::mutex m_resultsMutex;
    std::shared_ptr<FTSearchResults> m_results;
    mutable std::mutex m_collectorMutex;
    boost::shared_ptr<ResultCollector> m_collector;

    // The records of the run being built.
    BooksSearchResults::BookList m_books;
    BooksSearchResults::BookMap m_bookById;
    std::unordered_map<Lucene::String, std::shared_ptr<FTSRSection>> m_sectionByCode;
    std::unordered_map<const FTSRSection*, EntityMap> m_entitiesBySection;
    std::shared_ptr<SRBook> m_currentBook;
    std::shared_ptr<FTSRSection> m_currentSection;
    EntityMap* m_currentEntities = nullptr;
    // Each hit's item, book and section by document number: only the hits'
    // numbers, never a slot per document of the index.
    struct HitSlot
    {
        std::shared_ptr<SRBook> book;
        std::shared_ptr<FTSRSection> section;
        std::shared_ptr<SRItem> item;
    };
    void countPhrases(const std::vector<Lucene::PhraseQueryPtr>& phrases, const std::function<void(HitSlot&, int)>& add);
    // Ascending by document number once the hits are read.
    std::vector<std::pair<int32_t, HitSlot>> m_hitSlots;
    std::vector<std::shared_ptr<SRItem>> m_pendingItems;
    std::shared_ptr<const SectionsCatalogPositions> m_positions;
    std::map<TarnolixConstants::Language, Lucene::AnalyzerPtr> m_analyzers;
};

class FTSearchThread : public Searcher
{
    Q_OBJECT

public:
    explicit FTSearchThread(QObject* parent = nullptr);
    ~FTSearchThread() override;

    // Replaces any thread and worker by new ones and starts the thread.
    void start();
    // Stops the worker's search, quits the thread and waits for it.
    void close();

    TarnolixConstants::SearchType searchType() const override { return TarnolixConstants::FullText; }
    SearchSettingsConstPtr searchSettings() const override;
    std::shared_ptr<SearchResults2> searchResults() const override;
    // Throws Exception "Search in process..." while the worker searches.
    bool search(SearchSettingsConstPtr settings) override;
    void getNumberOfResults(int& numberBooksFound, int& numberItemsFound, int& totalFreq) override;

    // The worker's release: stops a running search and drops its records.
    bool release();

    // Null before start and after close.
    QThread* workerThread() const { return m_thread; }

private:
    QThread* m_thread = nullptr;
    FTSearchThreadImpl* m_impl = nullptr;
};

class FTSearchThreadManager : public QObject
{
    Q_OBJECT

public:
    explicit FTSearchThreadManager(QObject* parent = nullptr);
    ~FTSearchThreadManager() override;

    // An idle thread from the pool (the last one not searching), else a new
    // started one; `parent` becomes its parent.
    FTSearchThread* acquireThread(QObject* parent);
    // Back into the pool; its worker stops and drops its search. Returns
    // whether the release could be posted.
    bool releaseThread(FTSearchThread* thread);

    std::size_t poolSize() const;

private:
    std::vector<QPointer<FTSearchThread>> m_threads;
};

} // namespace tarnolix
