#include "search/searchers/NumberOccurrencesHelper.h"

#include "core/ProgramConstants.h"
#include "database/DatabasePool.h"
#include "database/TarnolixDB.h"
#include "search/index/ActiveLibraryFilter.h"
#include "search/index/Analyzers.h"
#include "search/index/FTFieldName.h"
#include "search/index/ScopeQueries.h"
#include "search/index/Utf16Units.h"
#include "search/query/CountingQueries.h"
#include "search/query/QueryParser.h"
#include "search/query/ResultCollector.h"
#include "search/query/SpanQueries.h"
#include "search/searchers/FTSearchRecords.h"
#include "search/searchers/SearchIndexLookup.h"
#include "search/searchers/SearchSettingsCreator.h"

#include <LuceneHeaders.h>

#include <QVariantList>
#include <QVariantMap>
#include <QtDebug>

#include <map>
#include <string>
#include <vector>

namespace tarnolix {

namespace {

constexpr int32_t kPostingsBatch = 1024;
// Terms of a phrase further apart than this do not add to the total.
constexpr int32_t kTotalSlop = 20;
// Fewer letters than this in all are not counted.
constexpr int32_t kMinLetters = 3;

struct CountEntry
{
    Lucene::TermPtr term;
    int freq = 0;
};

bool onlyPlainTerms(const SpanQueries& queries)
{
    return !queries.termQueries().empty() && queries.spanNearQueries().empty() && queries.prefixQueries().empty()
        && queries.wildcardQueries().empty() && queries.phraseQueries().empty()
        && queries.multiPhraseQueries().empty() && queries.fuzzyQueries().empty()
        && queries.matchAllDocsQueries().empty() && queries.termRangeQueries().empty();
}

Lucene::AnalyzerPtr analyzerFor(TarnolixConstants::Language language, const Lucene::AnalyzerPtr& english,
                                const Lucene::AnalyzerPtr& russian)
{
    switch (language) {
    case TarnolixConstants::English:
    case TarnolixConstants::Sanskrit:
        return english;
    case TarnolixConstants::Russian:
        return russian;
    default:
        throw Exception("Invalid language");
    }
}

} // namespace

QVariant countQueryOccurrences(const FTSearchSettings& settings, const Lucene::IndexReaderPtr& reader,
                               const Lucene::AnalyzerPtr& analyzer, const Lucene::FilterPtr& library,
                               const std::function<void()>& checkpoint, OccurrenceTimes* times)
{
    const std::wstring field = FTFieldName(true, false, false).toString();
    const auto queries = std::make_shared<SpanQueries>();
    const auto parser = Lucene::newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_CURRENT, field, analyzer);
    parser->setLeadingWildcardAllowed(true);
    parser->setQueryCollector(queries);
    const Lucene::QueryPtr parsed = parser->parse(settings.query().toStdWString());
    if (!onlyPlainTerms(*queries))
        return {};

    const SearchScope scope = settings.scope();
    queries->init(scope, reader, checkpoint);
    std::map<std::wstring, std::size_t> byText;
    std::vector<CountEntry> entries;
    int32_t letters = 0;
    for (const Lucene::TermPtr& term : queries->allTerms()) {
        const std::wstring text = term->text();
        if (!byText.emplace(text, entries.size()).second)
            continue;
        entries.push_back({term, 0});
        letters += utf16Units(text, 0, int32_t(text.size()));
    }
    if (letters < kMinLetters)
        return {};

    const int64_t start = Lucene::MiscUtils::currentTimeMillis();
    const auto searcher = Lucene::newLucene<Lucene::IndexSearcher>(reader);
    const auto matches = Lucene::newLucene<FastContainsCollector>(reader->maxDoc());
    searcher->search(restrictQueryToScope(scope, parsed), library, matches);
    const int64_t searched = Lucene::MiscUtils::currentTimeMillis();

    const Lucene::TermDocsPtr termDocs = reader->termDocs();
    auto docs = Lucene::Collection<int32_t>::newInstance(kPostingsBatch);
    auto freqs = Lucene::Collection<int32_t>::newInstance(kPostingsBatch);
    try {
        for (CountEntry& entry : entries) {
            termDocs->seek(entry.term);
            for (;;) {
                checkpoint();
                const int32_t count = termDocs->read(docs, freqs);
                if (count == 0)
                    break;
                for (int32_t i = 0; i < count; ++i) {
                    if (matches->contains(docs[i]))
                        entry.freq += freqs[i];
                }
            }
        }
    } catch (...) {
        termDocs->close();
        throw;
    }
    termDocs->close();
    const int64_t counted = Lucene::MiscUtils::currentTimeMillis();

    int total = entries.front().freq;
    if (entries.size() > 1) {
        // The registry's phrase kind, so that the collector counts it.
        const auto phrase = Lucene::newLucene<CountingPhraseQuery>();
        phrase->setSlop(kTotalSlop);
        for (const CountEntry& entry : entries)
            phrase->add(Lucene::newLucene<Lucene::Term>(entry.term->field(), entry.term->text()));
        const auto collector = Lucene::newLucene<ResultCollector>(true, 0);
        searcher->search(restrictQueryToScope(scope, phrase), library, collector);
        total = int(collector->totalOccurrences());
    }
    QVariantList terms;
    for (const CountEntry& entry : entries) {
        terms.append(QVariantMap{{QStringLiteral("term"), QString::fromStdWString(entry.term->text())},
                                 {QStringLiteral("freq"), entry.freq}});
    }
    const QVariantMap result{{QStringLiteral("totalFreq"), total}, {QStringLiteral("terms"), terms}};
    checkpoint();
    const int64_t end = Lucene::MiscUtils::currentTimeMillis();
    if (times)
        *times = {searched - start, counted - searched, end - counted};
    qInfo("NumberOccurrences time: %llu milliseconds(searchDuration=%llu getFreqDuration=%llu "
          "getTotalFreqDuration=%llu",
          static_cast<unsigned long long>(end - start), static_cast<unsigned long long>(searched - start),
          static_cast<unsigned long long>(counted - searched), static_cast<unsigned long long>(end - counted));
    return result;
}

NumberOccurrencesHelper::NumberOccurrencesHelper(QObject* parent)
    : QObject(parent)
{
}

NumberOccurrencesHelper::~NumberOccurrencesHelper()
{
    if (m_threadStarted) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_condition.notify_all();
        m_thread.join();
    }
    m_searchSettings.reset();
    m_result = QVariant();
}

void NumberOccurrencesHelper::setSearchSettingsCreator(SearchSettingsCreator* creator)
{
    if (creator == m_searchSettingsCreator)
        return;
    if (m_searchSettingsCreator) {
        disconnect(m_searchSettingsCreator, &QObject::destroyed, this,
                   &NumberOccurrencesHelper::searchSettingsCreatorDestroyed);
        disconnect(m_searchSettingsCreator, &SearchSettingsCreator::queryChanged, this,
                   &NumberOccurrencesHelper::onQueryChanged);
    }
    m_searchSettingsCreator = creator;
    if (creator) {
        connect(creator, &QObject::destroyed, this, &NumberOccurrencesHelper::searchSettingsCreatorDestroyed);
        connect(creator, &SearchSettingsCreator::queryChanged, this, &NumberOccurrencesHelper::onQueryChanged);
    }
    emit searchSettingsCreatorChanged();
}

void NumberOccurrencesHelper::searchSettingsCreatorDestroyed()
{
    if (sender() != m_searchSettingsCreator || !m_searchSettingsCreator)
        return;
    m_searchSettingsCreator = nullptr;
    emit searchSettingsCreatorChanged();
}

void NumberOccurrencesHelper::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    emit activeChanged();
}

SearchSettingsConstPtr NumberOccurrencesHelper::currentSettings() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_searchSettings;
}

void NumberOccurrencesHelper::reset()
{
    if (!m_threadStarted)
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_searchSettings)
            return;
        m_searchSettings.reset();
        ++m_requestId;
    }
    m_condition.notify_all();
}

void NumberOccurrencesHelper::onQueryChanged()
{
    try {
        if (!m_searchSettingsCreator || m_searchSettingsCreator->searchType() != TarnolixConstants::FullText
            || !m_searchSettingsCreator->hasValidSearchScope()) {
            reset();
            return;
        }
        SearchSettingsConstPtr settings = m_searchSettingsCreator->createSearchSettings();
        if (!settings || settings->searchType() != TarnolixConstants::FullText)
            throw Exception("ERROR 0x87941455");
        {
            // Only this thread changes the settings.
            const SearchSettingsConstPtr current = m_searchSettings;
            if (current && current->compare(settings) == 0)
                return;
        }
        startThread();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_searchSettings = std::move(settings);
            ++m_requestId;
        }
        m_condition.notify_all();
    } catch (const std::exception& e) {
        qCritical("NumberOccurrencesHelper: Error: %s", e.what());
    }
}

void NumberOccurrencesHelper::threadCompleted(SearchSettingsConstPtr searchSettings, int requestId, QVariant result)
{
    if (uint32_t(requestId) != m_requestId.load() || searchSettings != currentSettings())
        return;
    if (result == m_result)
        return;
    m_result = result;
    emit finished();
}

void NumberOccurrencesHelper::startThread()
{
    if (m_threadStarted)
        return;
    m_thread = std::thread([this] { run(); });
    m_threadStarted = true;
}

void NumberOccurrencesHelper::checkRequest(uint32_t requestId) const
{
    if (m_stop.load())
        throw Exception("Rejected");
    if (m_requestId.load() != requestId)
        throw CancelNumberOccurrences();
}

void NumberOccurrencesHelper::run()
{
    const Lucene::AnalyzerPtr english = Lucene::newLucene<EnglishAnalyzer>(Lucene::LuceneVersion::LUCENE_CURRENT);
    const Lucene::AnalyzerPtr russian = Lucene::newLucene<RussianAnalyzer>(Lucene::LuceneVersion::LUCENE_CURRENT);
    SearchSettingsConstPtr taken;
    uint32_t takenId = 0;
    for (;;) {
        QMetaObject::invokeMethod(this, [this] { setActive(false); }, Qt::QueuedConnection);
        uint32_t requestId = 0;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_condition.wait(lock, [&] { return m_stop.load() || m_requestId.load() != takenId; });
            if (m_stop.load())
                return;
            taken = m_searchSettings;
            requestId = m_requestId.load();
            takenId = requestId;
        }
        QMetaObject::invokeMethod(this, [this] { setActive(true); }, Qt::QueuedConnection);
        const auto settings = std::dynamic_pointer_cast<const FTSearchSettings>(taken);
        qInfo("NumberOccurrences for: %s", settings ? qUtf8Printable(settings->query()) : "null");

        QVariant result;
        try {
            if (settings && !settings->query().isEmpty() && settings->language() != TarnolixConstants::InvalidLanguage) {
                const Lucene::AnalyzerPtr analyzer = analyzerFor(settings->language(), english, russian);
                const Lucene::IndexReaderPtr reader = bookIndexReader(unsigned(settings->language()));
                const Lucene::FilterPtr library =
                    readActiveLibraryBooks(currentDatabase()->sqlDatabase(), settings->language(), IndexField::bid);
                result = countQueryOccurrences(*settings, reader, analyzer, library,
                                               [this, requestId] { checkRequest(requestId); });
            }
        } catch (const CancelNumberOccurrences&) {
        } catch (const Lucene::LuceneException& e) {
            qWarning("NumberOccurrencesHelper::thread: Error: %s",
                     qUtf8Printable(QString::fromStdWString(e.getError())));
        } catch (const std::exception& e) {
            qWarning("NumberOccurrencesHelper::thread: Error: %s", e.what());
        }
        QMetaObject::invokeMethod(
            this, [this, taken, requestId, result] { threadCompleted(taken, int(requestId), result); },
            Qt::QueuedConnection);
    }
}

} // namespace tarnolix
