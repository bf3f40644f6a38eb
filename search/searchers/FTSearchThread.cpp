#include "search/searchers/FTSearchThread.h"

#include "core/Exception.h"
#include "core/OverrideCursorGuard.h"
#include "core/ProgramConstants.h"
#include "core/SectionsCatalogPositions.h"
#include "database/DatabasePool.h"
#include "database/TarnolixDB.h"
#include "search/index/ActiveLibraryFilter.h"
#include "search/index/Analyzers.h"
#include "search/index/IndexWriterThread.h"
#include "search/index/ScopeQueries.h"
#include "search/query/QueryParser.h"
#include "search/query/ResultCollector.h"
#include "search/searchers/NameMatches.h"
#include "search/searchers/SearchIndexLookup.h"

#include <LuceneHeaders.h>
#include <ReaderUtil.h>

#include <QCoreApplication>
#include <QFuture>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <QtDebug>

#include <algorithm>
#include <climits>
#include <cmath>
#include <set>
#include <string>
#include <utility>

namespace tarnolix {

namespace {

using Status = TarnolixConstants::SearchStatus;

constexpr int32_t kMaxClauseCount = 4096;
constexpr int32_t kPostingsBatch = 1024;
constexpr int64_t kSlowWaitMs = 500;
// After every recorded catalogue position, and a book without sections after
// those.
constexpr int64_t kUnknownPosition = SectionsCatalogPositions::kUnknownPosition;
constexpr int64_t kNoSectionPosition = kUnknownPosition + 1;

void registerMetaTypes()
{
    static const bool registered = [] {
        qRegisterMetaType<SearchSettingsConstPtr>("SearchSettingsConstPtr");
        qRegisterMetaType<TarnolixConstants::SearchStatus>("TarnolixConstants::SearchStatus");
        return true;
    }();
    (void)registered;
}

// The busy cursor of a run. The cursor belongs to the GUI thread, so the
// run only queues its setting and taking down there; the guard lives in the
// queued calls and ends on that thread.
class QueuedBusyCursor
{
public:
    QueuedBusyCursor()
    {
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, [guard = m_guard] { guard->set(Qt::BusyCursor); }, Qt::QueuedConnection);
    }
    ~QueuedBusyCursor()
    {
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, [guard = std::move(m_guard)] { guard->restore(); }, Qt::QueuedConnection);
    }
    QueuedBusyCursor(const QueuedBusyCursor&) = delete;
    QueuedBusyCursor& operator=(const QueuedBusyCursor&) = delete;

private:
    std::shared_ptr<OverrideCursorGuard> m_guard = std::make_shared<OverrideCursorGuard>(false, Qt::BusyCursor);
};

QString fromLucene(const Lucene::String& text)
{
    return QString::fromStdWString(text);
}

const wchar_t kSearchRejected[] = L"Search rejected";

} // namespace

// ---------------------------------------------------------------------------
// The worker

FTSearchThreadImpl::FTSearchThreadImpl()
{
    registerMetaTypes();
}

FTSearchThreadImpl::~FTSearchThreadImpl() = default;

void FTSearchThreadImpl::init()
{
    if (Lucene::BooleanQuery::getMaxClauseCount() < kMaxClauseCount)
        Lucene::BooleanQuery::setMaxClauseCount(kMaxClauseCount);
}

bool FTSearchThreadImpl::search(SearchSettingsConstPtr settings)
{
    if (status() == TarnolixConstants::Searching)
        throw Exception("Search in process...");
    return QMetaObject::invokeMethod(this, "doSearch", Qt::QueuedConnection,
                                     Q_ARG(SearchSettingsConstPtr, std::move(settings)));
}

void FTSearchThreadImpl::rejectCollector()
{
    std::lock_guard<std::mutex> lock(m_collectorMutex);
    if (m_collector)
        m_collector->reject();
}

void FTSearchThreadImpl::stop()
{
    m_stop = true;
    rejectCollector();
}

void FTSearchThreadImpl::close()
{
    m_closed = true;
    stop();
}

bool FTSearchThreadImpl::release()
{
    if (status() == TarnolixConstants::Searching)
        stop();
    return QMetaObject::invokeMethod(this, "doRelease", Qt::QueuedConnection);
}

SearchSettingsConstPtr FTSearchThreadImpl::settings() const
{
    std::lock_guard<std::mutex> lock(m_settingsMutex);
    return m_settings;
}

std::shared_ptr<FTSearchResults> FTSearchThreadImpl::results() const
{
    std::lock_guard<std::mutex> lock(m_resultsMutex);
    return m_results;
}

void FTSearchThreadImpl::getNumberOfResults(int& numberBooksFound, int& numberItemsFound, int& totalFreq) const
{
    std::scoped_lock lock(m_collectorMutex, m_resultsMutex);
    if (m_collector) {
        numberBooksFound = int(m_collector->bookCount());
        numberItemsFound = m_collector->hitCount();
    }
    if (m_collectorCounts && m_collector)
        totalFreq = int(m_collector->totalOccurrences());
    else if (m_results)
        totalFreq = m_results->totalFreq();
}

void FTSearchThreadImpl::setWorkerStatus(Status status)
{
    if (m_status.exchange(status) != status)
        emit statusChanged(status);
}

void FTSearchThreadImpl::checkStop() const
{
    if (stopRequested())
        boost::throw_exception(Lucene::RuntimeException(kSearchRejected));
}

void FTSearchThreadImpl::doRelease()
{
    {
        std::scoped_lock lock(m_settingsMutex, m_statusMutex, m_resultsMutex, m_collectorMutex);
        m_reader.reset();
        m_settings.reset();
        m_searchStatus.reset();
        m_collector.reset();
        m_results.reset();
    }
    setWorkerStatus(TarnolixConstants::InvalidSearchStatus);
}

void FTSearchThreadImpl::fail(const char* logFormat, const QString& logText, const QString& errorText)
{
    qWarning(logFormat, qUtf8Printable(logText));
    doRelease();
    emit error(errorText);
    setWorkerStatus(TarnolixConstants::InvalidSearchStatus);
}

void FTSearchThreadImpl::doSearch(SearchSettingsConstPtr sr)
{
    if (status() == TarnolixConstants::Searching || m_closed)
        return;
    QueuedBusyCursor cursor;
    IndexWriterThread* writer = nullptr;
    try {
        run(sr, writer);
    } catch (const Lucene::QueryParserError& e) {
        const QString text = fromLucene(e.getError());
        fail("Query parse error: %s", text, tr("Ошибка в синтаксисе запроса: ") + text);
    } catch (const Exception& e) {
        fail("Search error: %s", e.message(), e.message());
    } catch (const Lucene::LuceneException& e) {
        const QString text = fromLucene(e.getError());
        // A stop is no fault of the index: only a failure makes the next
        // search reopen it.
        const bool rejected = stopRequested() && e.getError() == kSearchRejected;
        if (writer && !rejected)
            writer->closeIfNotUsed();
        fail("Search error: %s", text, text);
    } catch (const std::exception& e) {
        const QString text = QString::fromUtf8(e.what());
        if (writer)
            writer->closeIfNotUsed();
        fail("Search error: %s", text, text);
    }
    m_reader.reset();
    m_books.clear();
    m_bookById.clear();
    m_sectionByCode.clear();
    m_entitiesBySection.clear();
    m_hitSlots.clear();
    m_currentBook.reset();
    m_currentSection.reset();
    m_currentEntities = nullptr;
    m_positions.reset();
}

void FTSearchThreadImpl::run(const SearchSettingsConstPtr& sr, IndexWriterThread*& writer)
{
    m_stop = false;
    auto settings = std::dynamic_pointer_cast<const FTSearchSettings>(sr);
    if (!settings)
        throw Exception("cast search settings error");
    {
        std::lock_guard<std::mutex> lock(m_settingsMutex);
        m_settings = settings;
    }
    setWorkerStatus(TarnolixConstants::Searching);
    m_wholeLibrary = settings->searchInBook() == 0;

    writer = indexWriterThreadFor(unsigned(settings->language()));
    m_reader = writer->getReader();
    const auto searcher = Lucene::newLucene<Lucene::IndexSearcher>(m_reader);
    const auto status = std::make_shared<FTSearchStatus>(settings, m_reader);
    {
        std::lock_guard<std::mutex> lock(m_statusMutex);
        m_searchStatus = status;
    }
    const Lucene::QueryPtr query = buildQuery(*settings);
    m_fastCount = status->spanQueries()->fastFreq();
    m_collectorCounts = m_wholeLibrary && m_fastCount;

    const int64_t t0 = Lucene::MiscUtils::currentTimeMillis();
    qInfo("Query: \"%s\". Search...", qUtf8Printable(fromLucene(query->toString())));

    const FTFieldName& field = settings->fieldName();
    const bool unrestricted = settings->searchInBook() == 0 && !field.exactMatch() && !field.accountOfDiacritics()
                           && settings->categories().empty() && settings->books().empty()
                           && settings->sections().isEmpty();
    QFuture<std::shared_ptr<FTSearchResults>> nameTask;
    if (unrestricted)
        nameTask = QtConcurrent::run(QThreadPool::globalInstance(), &searchNameMatches, status, searcher);
    // Whichever way the run ends, the task does not outlive it. Waiting
    // rethrows the task's failure, which the run has met already or gives
    // way to its own.
    struct TaskWaiter
    {
        QFuture<std::shared_ptr<FTSearchResults>>& task;
        ~TaskWaiter()
        {
            try {
                task.waitForFinished();
            } catch (...) {
            }
        }
    } taskWaiter{nameTask};

    {
        auto collector = Lucene::newLucene<ResultCollector>(m_collectorCounts, m_reader->maxDoc());
        std::lock_guard<std::mutex> lock(m_collectorMutex);
        m_collector = collector;
        // A stop that came before the collector existed.
        if (stopRequested())
            m_collector->reject();
    }
    searcher->search(query, readActiveLibraryBooks(currentDatabase()->sqlDatabase(), settings->language(), IndexField::bid),
                     m_collector);

    // The task is waited for outside the lock, so that the count poll never
    // waits on its database work.
    const int64_t t1 = Lucene::MiscUtils::currentTimeMillis();
    std::shared_ptr<FTSearchResults> results = unrestricted ? nameTask.result() : FTSearchResults::create(status);
    {
        std::lock_guard<std::mutex> lock(m_resultsMutex);
        m_results = results;
    }
    const int64_t t2 = Lucene::MiscUtils::currentTimeMillis();
    if (t2 - t1 > kSlowWaitMs)
        qWarning("waitResultsDuration > 500ms. may not wait for this thread?");

    processDocs(*results, *settings);
    const int64_t t3 = Lucene::MiscUtils::currentTimeMillis();
    std::shared_ptr<SRItemsContainer> items = std::make_shared<SRItemsContainer>();
    sortResults(*settings, items);
    {
        std::lock_guard<std::mutex> lock(m_resultsMutex);
        results->setBooks(std::move(m_books), std::move(m_bookById), items);
    }
    const int64_t t4 = Lucene::MiscUtils::currentTimeMillis();
    qInfo("Search time: %llu milliseconds(searchDuration=%llu waitResultsDuration=%llu processDocsDuration=%llu "
          "sortDuration=%llu). %d authors found, %d book names found and %d section found",
          static_cast<unsigned long long>(t4 - t0), static_cast<unsigned long long>(t1 - t0),
          static_cast<unsigned long long>(t2 - t1), static_cast<unsigned long long>(t3 - t2),
          static_cast<unsigned long long>(t4 - t3), int(results->authorMatches().size()),
          int(results->bookNameMatches().size()), int(m_collector->getTotalHits()));

    m_reader.reset();
    setWorkerStatus(TarnolixConstants::SearchFinished);
}

Lucene::QueryPtr FTSearchThreadImpl::buildQuery(const FTSearchSettings& settings)
{
    // Only the plain and exact fields are indexed: the diacritics switch
    // that an address may carry keeps its exact-match bit and searches them.
    const bool exact = settings.fieldName().exactMatch();
    const std::wstring field = FTFieldName(exact, false, false).toString();

    // Kept by the worker, so that the parser reuses its token streams from
    // one search to the next.
    Lucene::AnalyzerPtr& analyzer = m_analyzers[settings.language()];
    if (!analyzer) {
        switch (settings.language()) {
        case TarnolixConstants::English:
        case TarnolixConstants::Sanskrit:
            analyzer = Lucene::newLucene<EnglishAnalyzer>(Lucene::LuceneVersion::LUCENE_CURRENT);
            break;
        case TarnolixConstants::Russian:
            analyzer = Lucene::newLucene<RussianAnalyzer>(Lucene::LuceneVersion::LUCENE_CURRENT);
            break;
        default:
            m_analyzers.erase(settings.language());
            throw Exception("Invalid language");
        }
    }
    const std::shared_ptr<FTSearchStatus> status = m_searchStatus;
    status->setAnalyzer(analyzer);

    const auto parser = Lucene::newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_CURRENT, field, analyzer);
    parser->setAnalyzedPrefixTerms(!exact);
    parser->setDefaultOperator(QueryParser::Operator::AND);
    parser->setLeadingWildcardAllowed(true);
    parser->setMergeTermsIntoPhrases(true);
    parser->setQueryCollector(status->spanQueries());

    std::wstring text = settings.query().trimmed().toStdWString();
    if (!exact) {
        if (!text.empty() && text.front() == L'"' && std::count(text.begin(), text.end(), L'"') == 1)
            text += L'"';
    } else {
        text = L'"' + text + L'"';
    }
    const Lucene::QueryPtr parsed = parser->parse(text);
    status->setQuery(parsed);
    // The proximity matches are walked after the search, in its hits only.
    status->spanQueries()->initWithoutSpans(settings.scope(), m_reader, [this] { checkStop(); });
    return restrictQueryToScope(settings.scope(), parsed);
}

void FTSearchThreadImpl::addBook(unsigned bookId)
{
    const auto found = m_bookById.find(bookId);
    if (found != m_bookById.end()) {
        m_currentBook = found->second;
        return;
    }
    m_currentBook = std::make_shared<FTSRBook>(m_searchStatus, bookId);
    m_bookById.emplace(bookId, m_currentBook);
    m_books.push_back(m_currentBook);
}

void FTSearchThreadImpl::addSection(const Lucene::String& code)
{
    // Looked up by the stored text: a hit of a known section converts nothing.
    auto found = m_sectionByCode.find(code);
    if (found == m_sectionByCode.end()) {
        auto section = std::make_shared<FTSRSection>(m_currentBook, fromLucene(code));
        m_currentBook->addSection(section);
        found = m_sectionByCode.emplace(code, std::move(section)).first;
    }
    m_currentSection = found->second;
    m_currentEntities = &m_entitiesBySection[m_currentSection.get()];
}

void FTSearchThreadImpl::processDocs(FTSearchResults& results, const FTSearchSettings& settings)
{
    const Lucene::TopDocsPtr top = m_collector->topDocs();
    const Lucene::Collection<Lucene::ScoreDocPtr> docs = top->scoreDocs;
    // The collector counted while it collected; otherwise the postings pass
    // counts the hits afterwards.
    const bool collectorCounted = m_collectorCounts;

    m_books.clear();
    m_bookById.clear();
    m_sectionByCode.clear();
    m_entitiesBySection.clear();
    m_hitSlots.clear();
    if (!collectorCounted)
        m_hitSlots.reserve(std::size_t(docs.size()));

    // Name matches first, one hit each for their books.
    const TarnolixConstants::Language language = settings.language();
    for (const auto& match : results.authorMatches()) {
        for (const auto& book : match->books) {
            const bool inLanguage = std::any_of(book->editions.begin(), book->editions.end(),
                                                [language](const MatchedEdition& e) { return e.language == language; });
            if (inLanguage) {
                addBook(unsigned(book->bookId));
                m_currentBook->addFreq(1);
            }
        }
    }
    for (const auto& match : results.bookNameMatches()) {
        addBook(unsigned(match->book->id));
        m_currentBook->addFreq(1);
    }
    for (const auto& match : results.shortNameMatches()) {
        if (!match->archiPages)
            continue;
        std::set<int> taken;
        for (const ArchiBookEdition& edition : match->archiPages->editions) {
            if (edition.language != language || !edition.book || !taken.insert(edition.book->bookId).second)
                continue;
            addBook(unsigned(edition.book->bookId));
            m_currentBook->addFreq(1);
        }
    }

    std::vector<std::shared_ptr<SRItem>> items;
    items.reserve(std::size_t(docs.size()));
    int totalFreq = 0;
    for (const Lucene::ScoreDocPtr& scoreDoc : docs) {
        checkStop();
        const auto hit = boost::static_pointer_cast<ScoreDocEx>(scoreDoc);
        const Lucene::String code = hit->document->get(IndexField::s);
        const unsigned long long entityIndex = std::stoull(hit->document->get(IndexField::ei));
        const unsigned long long positionIndex = std::stoull(hit->document->get(IndexField::pi));
        addBook(unsigned(hit->bookId));
        addSection(code);

        std::shared_ptr<FTSREntity>& entity = (*m_currentEntities)[entityIndex];
        if (!entity) {
            entity = std::make_shared<FTSREntity>(entityIndex);
            m_currentSection->addEntity(entity);
        }
        auto item = std::make_shared<FTSRItem>(m_currentSection, entity, positionIndex, unsigned(hit->doc), hit->score);
        entity->addItem(item);
        if (collectorCounted) {
            // The book and section counts order the results: they take their
            // hits' counts here as the postings pass gives them there.
            const int freq = int(hit->occurrences);
            item->setFreq(unsigned(freq));
            m_currentSection->addFreq(freq);
            m_currentBook->addFreq(freq);
            totalFreq += freq;
        } else {
            m_hitSlots.push_back({hit->doc, HitSlot{m_currentBook, m_currentSection, item}});
        }
        items.push_back(std::move(item));
    }

    if (collectorCounted) {
        results.setTotalFreq(totalFreq);
    } else {
        std::sort(m_hitSlots.begin(), m_hitSlots.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        countOccurrences(results);
    }
    m_pendingItems = std::move(items);
}

void FTSearchThreadImpl::countOccurrences(FTSearchResults& results)
{
    const std::shared_ptr<SpanQueries> spanQueries = m_searchStatus->spanQueries();
    int totalFreq = 0;
    const auto add = [&totalFreq](HitSlot& slot, int freq) {
        slot.item->addFreq(unsigned(freq));
        slot.section->addFreq(freq);
        slot.book->addFreq(freq);
        totalFreq += freq;
    };

    // The hits are far fewer than a common word's postings: each term's
    // postings skip from hit to hit. A term the span collection lists twice
    // is still read once.
    std::set<std::pair<Lucene::String, Lucene::String>> seen;
    const Lucene::TermDocsPtr termDocs = m_reader->termDocs();
    struct Closer
    {
        const Lucene::TermDocsPtr& termDocs;
        ~Closer() { termDocs->close(); }
    } closer{termDocs};
    for (const Lucene::TermPtr& term : spanQueries->allTerms()) {
        if (!seen.emplace(term->field(), term->text()).second)
            continue;
        termDocs->seek(term);
        int32_t moved = 0;
        bool more = true;
        for (auto& [doc, slot] : m_hitSlots) {
            if (++moved % kPostingsBatch == 0)
                checkStop();
            if (moved == 1 || termDocs->doc() < doc)
                more = termDocs->skipTo(doc);
            if (!more)
                break;
            if (termDocs->doc() == doc)
                add(slot, termDocs->freq());
        }
    }
    // Each proximity match is one occurrence.
    if (!spanQueries->spanNearQueries().empty()) {
        std::vector<int32_t> hits;
        hits.reserve(m_hitSlots.size());
        for (const auto& entry : m_hitSlots)
            hits.push_back(entry.first);
        spanQueries->collectSpans(m_reader, hits, [this] { checkStop(); });
        for (auto& [doc, slot] : m_hitSlots) {
            if (const auto spans = spanQueries->findSpans(doc))
                add(slot, int(spans->size()));
        }
    }
    if (!spanQueries->phraseQueries().empty())
        countPhrases(spanQueries->phraseQueries(), add);
    results.setTotalFreq(totalFreq);
}

void FTSearchThreadImpl::countPhrases(const std::vector<Lucene::PhraseQueryPtr>& phrases,
                                      const std::function<void(HitSlot&, int)>& add)
{
    // The postings of a phrase's words do not say where they stand together:
    // the phrase's own scorer, moved along the hits, counts its matches.
    auto segments = Lucene::Collection<Lucene::IndexReaderPtr>::newInstance();
    Lucene::ReaderUtil::gatherSubReaders(segments, m_reader);
    const auto searcher = Lucene::newLucene<Lucene::IndexSearcher>(m_reader);
    const auto byDoc = [](const std::pair<int32_t, HitSlot>& entry, int32_t doc) { return entry.first < doc; };

    std::set<Lucene::String> seen;
    for (const Lucene::PhraseQueryPtr& phrase : phrases) {
        if (!seen.insert(phrase->toString()).second)
            continue;
        const Lucene::WeightPtr weight = phrase->weight(searcher);
        int32_t docBase = 0;
        auto hit = m_hitSlots.begin();
        for (const Lucene::IndexReaderPtr& segment : segments) {
            const int32_t docEnd = docBase + segment->maxDoc();
            const auto segmentEnd = std::lower_bound(hit, m_hitSlots.end(), docEnd, byDoc);
            if (hit != segmentEnd) {
                if (const Lucene::ScorerPtr scorer = weight->scorer(segment, true, false)) {
                    int32_t moved = 0;
                    for (; hit != segmentEnd; ++hit) {
                        if (++moved % kPostingsBatch == 0)
                            checkStop();
                        const int32_t doc = hit->first - docBase;
                        int32_t at = scorer->docID();
                        if (at < doc)
                            at = scorer->advance(doc);
                        if (at == doc)
                            add(hit->second, int(std::ceil(scorer->termFreq())));
                    }
                }
                hit = segmentEnd;
            }
            docBase = docEnd;
        }
    }
}

int FTSearchThreadImpl::catalogPosition(const SRSection& section) const
{
    return m_positions ? m_positions->position(section.code()) : SectionsCatalogPositions::kUnknownPosition;
}

void FTSearchThreadImpl::sortBooks()
{
    std::stable_sort(m_books.begin(), m_books.end(),
                     [](const std::shared_ptr<SRBook>& a, const std::shared_ptr<SRBook>& b) {
                         return a->freq() > b->freq();
                     });
}

void FTSearchThreadImpl::sortBooksByCatalog()
{
    // A book found only by a name match has no section: it follows the
    // books with text hits.
    const auto key = [this](const SRBook& book) -> int64_t {
        return book.sections().empty() ? kNoSectionPosition : int64_t(catalogPosition(*book.sections().front()));
    };
    std::stable_sort(m_books.begin(), m_books.end(),
                     [&key](const std::shared_ptr<SRBook>& a, const std::shared_ptr<SRBook>& b) {
                         return key(*a) < key(*b);
                     });
}

void FTSearchThreadImpl::sortItemsByCatalog(std::vector<std::shared_ptr<SRItem>>& items) const
{
    std::stable_sort(items.begin(), items.end(), [this](const std::shared_ptr<SRItem>& a, const std::shared_ptr<SRItem>& b) {
        const auto* left = dynamic_cast<const FTSRItem*>(a.get());
        const auto* right = dynamic_cast<const FTSRItem*>(b.get());
        if (!left || !right)
            return false;
        const int leftPosition = catalogPosition(*left->section());
        const int rightPosition = catalogPosition(*right->section());
        if (leftPosition != rightPosition)
            return leftPosition < rightPosition;
        const unsigned long long leftEntity = left->entity()->entityIndex();
        const unsigned long long rightEntity = right->entity()->entityIndex();
        if (leftEntity != rightEntity)
            return leftEntity < rightEntity;
        return left->positionIndex() < right->positionIndex();
    });
}

void FTSearchThreadImpl::sortItemsByMatch(std::vector<std::shared_ptr<SRItem>>& items) const
{
    std::stable_sort(items.begin(), items.end(), [this](const std::shared_ptr<SRItem>& a, const std::shared_ptr<SRItem>& b) {
        const std::shared_ptr<SRSection> left = a->section();
        const std::shared_ptr<SRSection> right = b->section();
        const int leftFreq = left->book()->freq();
        const int rightFreq = right->book()->freq();
        if (leftFreq != rightFreq)
            return leftFreq > rightFreq;
        return catalogPosition(*left) < catalogPosition(*right);
    });
}

void FTSearchThreadImpl::sortResults(const FTSearchSettings& settings, std::shared_ptr<SRItemsContainer>& items)
{
    std::vector<std::shared_ptr<SRItem>> list = std::move(m_pendingItems);
    m_pendingItems.clear();
    const TarnolixConstants::SearchSort sort = settings.sort();
    if (sort == TarnolixConstants::ByCatalog || sort == TarnolixConstants::ByMatch)
        m_positions = currentDatabase()->sectionsCatalogPositions(int(settings.language()));
    switch (sort) {
    case TarnolixConstants::ByRelevance:
        sortBooks();
        break;
    case TarnolixConstants::ByCatalog:
        sortBooksByCatalog();
        sortItemsByCatalog(list);
        break;
    case TarnolixConstants::ByMatch:
        sortBooks();
        sortItemsByMatch(list);
        break;
    }
    items = std::make_shared<SRItemsContainer>(std::move(list));
}

// ---------------------------------------------------------------------------
// The searcher a page holds

FTSearchThread::FTSearchThread(QObject* parent)
    : Searcher(parent)
{
    registerMetaTypes();
}

FTSearchThread::~FTSearchThread()
{
    close();
}

void FTSearchThread::start()
{
    close();
    m_thread = new QThread(this);
    m_thread->setObjectName(QStringLiteral("SearchThread"));
    m_impl = new FTSearchThreadImpl;
    m_impl->moveToThread(m_thread);
    connect(m_impl, &FTSearchThreadImpl::statusChanged, this, &FTSearchThread::setStatus);
    connect(m_impl, &FTSearchThreadImpl::error, this, &Searcher::error);
    connect(m_thread, &QThread::started, m_impl, &FTSearchThreadImpl::init);
    connect(m_thread, &QThread::finished, m_impl, &QObject::deleteLater);
    m_thread->start(QThread::InheritPriority);
}

void FTSearchThread::close()
{
    // By the worker's own state, which a search just posted has not set yet.
    if (m_impl)
        m_impl->close();
    if (m_thread) {
        m_thread->quit();
        qDebug("Close SearchThread...");
        m_thread->wait();
        m_thread->deleteLater();
        m_thread = nullptr;
    }
    m_impl = nullptr;
}

SearchSettingsConstPtr FTSearchThread::searchSettings() const
{
    return m_impl ? m_impl->settings() : nullptr;
}

std::shared_ptr<SearchResults2> FTSearchThread::searchResults() const
{
    return m_impl ? m_impl->results() : nullptr;
}

bool FTSearchThread::search(SearchSettingsConstPtr settings)
{
    return m_impl && m_impl->search(std::move(settings));
}

void FTSearchThread::getNumberOfResults(int& numberBooksFound, int& numberItemsFound, int& totalFreq)
{
    if (m_impl)
        m_impl->getNumberOfResults(numberBooksFound, numberItemsFound, totalFreq);
}

bool FTSearchThread::release()
{
    return m_impl && m_impl->release();
}

// ---------------------------------------------------------------------------
// The pool

FTSearchThreadManager::FTSearchThreadManager(QObject* parent)
    : QObject(parent)
{
}

FTSearchThreadManager::~FTSearchThreadManager() = default;

FTSearchThread* FTSearchThreadManager::acquireThread(QObject* parent)
{
    for (auto it = m_threads.end(); it != m_threads.begin();) {
        --it;
        FTSearchThread* thread = *it;
        if (!thread) {
            it = m_threads.erase(it);
            continue;
        }
        if (thread->status() != TarnolixConstants::Searching) {
            m_threads.erase(it);
            thread->setParent(parent);
            return thread;
        }
    }
    auto* thread = new FTSearchThread(parent);
    thread->start();
    return thread;
}

bool FTSearchThreadManager::releaseThread(FTSearchThread* thread)
{
    if (!thread)
        return false;
    thread->setParent(this);
    m_threads.emplace_back(thread);
    return thread->release();
}

std::size_t FTSearchThreadManager::poolSize() const
{
    return std::size_t(std::count_if(m_threads.begin(), m_threads.end(),
                                     [](const QPointer<FTSearchThread>& t) { return !t.isNull(); }));
}

} // namespace tarnolix
