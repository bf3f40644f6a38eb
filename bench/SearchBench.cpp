// A full-text search from the search call to SearchFinished, on the
// generated library indexed by the program's own writer (the index is kept
// in the library's cache folder between runs), beside bare Lucene++ in the
// same run: an IndexSearcher over the same reader with the same parsed
// query and a collector that keeps every hit and reads its stored "bid",
// "s", "ei" and "pi".
//
// Kinds: single words in exact mode (a term query on "E"), and two words
// that stand next to each other in some paragraph as "w1 w2"@3 and
// "w1 w2"/3 (span-near queries). Figures: p50 and p90 per kind; goal ours
// p50 <= 1.3 x bare. Then the peak heap of one warm search of about 100 hits
// (a word with a document frequency near 100), by this program's own
// allocation counter; with two plans (about 100k and about 1M paragraphs)
// each runs in a process of its own and the growth per added document is
// compared with the goal of 0.1 byte.
//
//   bench_search [--plans "books=215,sections=100,seed=1;books=2150,sections=100,seed=1"]
//                [--runs N]

#include "bench/BenchIndexWriterHost.h"
#include "bench/BenchSupport.h"
#include "bench/GeneratedLibrary.h"
#include "core/LocationInfo.h"
#include "core/ProgramConstants.h"
#include "core/TarnolixEvents.h"
#include "database/BookTextCipher.h"
#include "database/DatabasePool.h"
#include "database/TarnolixDB.h"
#include "search/index/ActiveLibraryFilter.h"
#include "search/index/ActiveLibraryKey.h"
#include "search/index/Analyzers.h"
#include "search/index/GlossaryIndex.h"
#include "search/index/IndexWriterHost.h"
#include "search/index/IndexWriterThread.h"
#include "search/index/WordByWordIndex.h"
#include "search/query/QueryParser.h"
#include "search/searchers/AutocompletHelper.h"
#include "search/searchers/FTSearchRecords.h"
#include "search/searchers/FTSearchThread.h"
#include "search/searchers/NumberOccurrencesHelper.h"
#include "search/searchers/SearchIndexLookup.h"
#include "search/searchers/SearchSettingsCreator.h"

#include <LuceneHeaders.h>
#include <PrefixTermEnum.h>
#include <ReaderUtil.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <random>
#include <set>
#include <thread>

// ---- The allocation counter: every heap block, whoever asks for it.

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* pointer);
}

namespace {

std::atomic<long long> g_heapBytes{0};
std::atomic<long long> g_heapPeak{0};

void counted(void* pointer)
{
    if (!pointer)
        return;
    const auto size = static_cast<long long>(malloc_usable_size(pointer));
    const long long now = g_heapBytes.fetch_add(size) + size;
    long long peak = g_heapPeak.load(std::memory_order_relaxed);
    while (now > peak && !g_heapPeak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
}

void uncounted(void* pointer)
{
    if (pointer)
        g_heapBytes.fetch_sub(static_cast<long long>(malloc_usable_size(pointer)));
}

} // namespace

extern "C" {
void* malloc(size_t size)
{
    void* p = __libc_malloc(size);
    counted(p);
    return p;
}
void* calloc(size_t count, size_t size)
{
    void* p = __libc_calloc(count, size);
    counted(p);
    return p;
}
void* realloc(void* pointer, size_t size)
{
    uncounted(pointer);
    void* p = __libc_realloc(pointer, size);
    counted(p ? p : (size == 0 ? nullptr : pointer));
    return p;
}
void free(void* pointer)
{
    uncounted(pointer);
    __libc_free(pointer);
}
void* memalign(size_t alignment, size_t size)
{
    void* p = __libc_memalign(alignment, size);
    counted(p);
    return p;
}
void* aligned_alloc(size_t alignment, size_t size)
{
    return memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size)
{
    *out = memalign(alignment, size);
    return *out ? 0 : 12; // ENOMEM
}
}

namespace {

using Language = TarnolixConstants::Language;
constexpr Language kLanguage = TarnolixConstants::English;
const char kDefaultPlans[] = "books=215,sections=100,seed=1;books=2150,sections=100,seed=1";

using BenchHost = bench::BenchIndexWriterHost;

// Warnings; with BENCH_VERBOSE also the run's own timing lines.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    static const bool verbose = qEnvironmentVariableIsSet("BENCH_VERBOSE");
    if (verbose && (text.startsWith(QLatin1String("Search time")) || text.startsWith(QLatin1String("SpanQueries"))))
        std::fprintf(stderr, "%s\n", qUtf8Printable(text));
    if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qUtf8Printable(text));
}

// Every hit, reading what the program reads of each.
class KeepEveryHit : public Lucene::Collector
{
public:
    void setScorer(const Lucene::ScorerPtr& scorer) override { m_scorer = scorer; }
    void setNextReader(const Lucene::IndexReaderPtr& reader, int32_t docBase) override
    {
        m_reader = reader;
        m_docBase = docBase;
    }
    bool acceptsDocsOutOfOrder() override { return true; }
    void collect(int32_t doc) override
    {
        const Lucene::DocumentPtr document = m_reader->document(doc);
        Hit hit;
        hit.doc = m_docBase + doc;
        hit.score = m_scorer.lock()->score();
        hit.bookId = std::stoi(document->get(IndexField::bid));
        hit.section = document->get(IndexField::s);
        hit.entity = std::stoull(document->get(IndexField::ei));
        hit.paragraph = std::stoull(document->get(IndexField::pi));
        hits.push_back(std::move(hit));
    }

    struct Hit
    {
        int32_t doc;
        double score;
        int bookId;
        std::wstring section;
        unsigned long long entity;
        unsigned long long paragraph;
    };
    std::vector<Hit> hits;

private:
    Lucene::ScorerWeakPtr m_scorer;
    Lucene::IndexReaderPtr m_reader;
    int32_t m_docBase = 0;
};

struct Kind
{
    const char* name;
    std::vector<QString> queries;
    bool exact;
};

struct Percentiles
{
    double p50 = 0;
    double p90 = 0;
};

Percentiles percentiles(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) { return ms[std::min(ms.size() - 1, std::size_t(q * double(ms.size())))]; };
    return {at(0.5), at(0.9)};
}

class Side
{
public:
    explicit Side(const bench::GeneratedLibrary& library)
        : m_settings(m_settingsDir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat)
    {
        m_settings.setValue(QStringLiteral("Locations/Data"), library.folder);
        m_locations = std::make_unique<LocationInfo>(m_settings);
        LocationInfo::setCurrent(m_locations.get());
        setBookTextCipher(&bench::keyPair());
        const QString path = library.databasePath;
        m_pool = std::make_unique<DatabasePool>(std::this_thread::get_id(), [path] { return path; });
        setDatabasePool(m_pool.get());
        TarnolixEvents::setCurrent(&m_events);
        tarnolix::IndexWriterHost::setCurrent(&m_host);

        // The index is built once per library and kept.
        TarnolixDB& db = *m_pool->database(std::this_thread::get_id(), true, 60000);
        m_writer = std::make_unique<tarnolix::IndexWriterThread>(quint32(kLanguage));
        const qint64 paragraphs = library.editions.at(kLanguage).paragraphs;
        const QString indexPath = m_locations->indexPath(unsigned(kLanguage));
        bool ready = false;
        try {
            const Lucene::DirectoryPtr directory = Lucene::FSDirectory::open(indexPath.toStdWString());
            if (Lucene::IndexReader::indexExists(directory)) {
                const Lucene::IndexReaderPtr reader = Lucene::IndexReader::open(directory, true);
                ready = reader->numDocs() == paragraphs && db.countBFI(kLanguage) == 0;
                reader->close();
            }
        } catch (const Lucene::LuceneException&) {
        }
        if (!ready) {
            std::fprintf(stderr, "indexing %lld paragraphs...\n", static_cast<long long>(paragraphs));
            QDir(indexPath).removeRecursively();
            Lucene::newLucene<Lucene::IndexWriter>(Lucene::FSDirectory::open(indexPath.toStdWString()),
                                                   Lucene::newLucene<Lucene::WhitespaceAnalyzer>(), true,
                                                   Lucene::IndexWriter::MaxFieldLengthUNLIMITED)
                ->close();
            db.setSetting(QStringLiteral("IndexOptimizeError"), false);
            db.queueAllBooksForIndexing(kLanguage, 1);
        }
        QEventLoop loop;
        bool started = false;
        QObject::connect(m_writer.get(), &tarnolix::IndexWriterThread::activeChanged, &loop, [&] {
            started = started || m_writer->active();
            if (started && !m_writer->active())
                loop.quit();
        });
        m_writer->create();
        if (!ready)
            loop.exec();
        reader = m_writer->getReader();
        tarnolix::IndexWriterThread* writer = m_writer.get();
        tarnolix::setIndexWriterThreadLookup([writer](unsigned) { return writer; });
        m_thread.start();
    }

    ~Side()
    {
        m_thread.close();
        tarnolix::setIndexWriterThreadLookup({});
        reader.reset();
        m_writer.reset();
        tarnolix::IndexWriterHost::setCurrent(nullptr);
        TarnolixEvents::setCurrent(nullptr);
        setDatabasePool(nullptr);
        m_pool.reset();
        LocationInfo::setCurrent(nullptr);
    }

    // Milliseconds from the search call to SearchFinished; -1 on failure.
    double ours(const QString& query, bool exact, int* hits = nullptr)
    {
        auto settings = std::make_shared<tarnolix::FTSearchSettings>(kLanguage);
        settings->setQuery(query);
        settings->setFieldName(tarnolix::FTFieldName(exact, false, false));
        QEventLoop loop;
        bool ok = false;
        const auto connection = QObject::connect(&m_thread, &tarnolix::Searcher::statusChanged, &loop,
                                                 [&](TarnolixConstants::SearchStatus status) {
                                                     if (status == TarnolixConstants::Searching)
                                                         return;
                                                     ok = status == TarnolixConstants::SearchFinished;
                                                     loop.quit();
                                                 });
        QElapsedTimer timer;
        timer.start();
        m_thread.search(settings);
        loop.exec();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        QObject::disconnect(connection);
        if (hits)
            *hits = m_thread.numberItemsFound();
        return ok ? ms : -1;
    }

    // The parsed query of the same text, searched bare.
    double bare(const QString& query, bool exact, int* hits = nullptr)
    {
        const std::wstring field = tarnolix::FTFieldName(exact, false, false).toString();
        const auto analyzer = Lucene::newLucene<tarnolix::EnglishAnalyzer>(Lucene::LuceneVersion::LUCENE_CURRENT);
        const auto parser =
            Lucene::newLucene<tarnolix::QueryParser>(Lucene::LuceneVersion::LUCENE_CURRENT, field, analyzer);
        parser->setAnalyzedPrefixTerms(!exact);
        parser->setDefaultOperator(tarnolix::QueryParser::Operator::AND);
        parser->setLeadingWildcardAllowed(true);
        parser->setMergeTermsIntoPhrases(true);
        const std::wstring text = exact ? L"\"" + query.toStdWString() + L"\"" : query.toStdWString();
        const Lucene::QueryPtr parsed = parser->parse(text);
        QElapsedTimer timer;
        timer.start();
        const auto searcher = Lucene::newLucene<Lucene::IndexSearcher>(reader);
        const auto collector = Lucene::newLucene<KeepEveryHit>();
        searcher->search(parsed, collector);
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        if (hits)
            *hits = int(collector->hits.size());
        return ms;
    }

    Lucene::IndexReaderPtr reader;

private:
    QTemporaryDir m_settingsDir;
    QSettings m_settings;
    std::unique_ptr<LocationInfo> m_locations;
    std::unique_ptr<DatabasePool> m_pool;
    TarnolixEvents m_events;
    BenchHost m_host;
    std::unique_ptr<tarnolix::IndexWriterThread> m_writer;
    tarnolix::FTSearchThread m_thread;
};

// Words of "E" by document frequency: `count` spread over [low, high], and
// the one nearest to `target`.
std::vector<QString> wordsByFrequency(const Lucene::IndexReaderPtr& reader, int low, int high, int count, int target,
                                      QString* nearTarget)
{
    std::vector<QString> candidates;
    int bestDistance = INT_MAX;
    const Lucene::TermEnumPtr terms = reader->terms(Lucene::newLucene<Lucene::Term>(L"E", L""));
    do {
        const Lucene::TermPtr term = terms->term();
        if (!term || term->field() != L"E")
            break;
        const QString text = QString::fromStdWString(term->text());
        bool letters = text.size() >= 3;
        for (const QChar c : text)
            letters = letters && c.isLetter() && c.unicode() < 128;
        if (!letters)
            continue;
        const int df = terms->docFreq();
        if (df >= low && df <= high)
            candidates.push_back(text);
        if (std::abs(df - target) < bestDistance) {
            bestDistance = std::abs(df - target);
            *nearTarget = text;
        }
    } while (terms->next());
    terms->close();
    std::vector<QString> words;
    for (int i = 0; i < count && !candidates.empty(); ++i)
        words.push_back(candidates[std::size_t(i) * candidates.size() / std::size_t(count)]);
    return words;
}

// Pairs of neighbouring words of the library's English paragraphs.
std::vector<QString> wordPairs(int count)
{
    TarnolixDB& db = *currentDatabase();
    std::vector<QString> pairs;
    std::mt19937 random(7);
    const std::vector<int> ids = db.selectBookIds();
    for (int attempt = 0; attempt < count * 20 && int(pairs.size()) < count; ++attempt) {
        const int id = ids[random() % ids.size()];
        std::vector<std::shared_ptr<BookPart>> parts;
        try {
            parts = db.selectBookParts(id, kLanguage);
        } catch (...) {
            continue;
        }
        if (parts.empty() || parts.front()->entities.empty() || parts.front()->entities.front()->texts.isEmpty())
            continue;
        const QStringList words = parts[random() % parts.size()]->entities.front()->texts.front().toLower().split(
            QRegularExpression(QStringLiteral("[^a-z]+")), Qt::SkipEmptyParts);
        if (words.size() < 4)
            continue;
        const int at = int(random() % unsigned(words.size() - 1));
        if (words[at].size() >= 4 && words[at + 1].size() >= 4)
            pairs.push_back(words[at] + QLatin1Char(' ') + words[at + 1]);
    }
    return pairs;
}

// ---- Suggestions while typing: autocompletion and occurrence counts.
//
// Autocompletion: from a request to the helper's finished, for prefixes of
// one to four letters taken from the words of each index (the book index,
// the word-by-word originals, the glossary), beside a bare PrefixTermEnum
// walk over the same reader. Counting: one to three words from the query to
// finished, beside the bare work on the same reader (a bit set of the scoped
// matches, the terms' postings, the slop-20 phrase). Goal: ours p50 <= 1.5 x
// bare for prefixes of one or two letters and for counting. Then typing is
// replayed at 10 characters a second and the share of requests whose answer
// was never shown is given.

// Words of at least four letters of `field`, `count` of them spread over the
// term order.
std::vector<QString> fieldWords(const Lucene::IndexReaderPtr& reader, const std::wstring& field, int count)
{
    std::vector<QString> all;
    const Lucene::TermEnumPtr terms = reader->terms(Lucene::newLucene<Lucene::Term>(field, L""));
    do {
        const Lucene::TermPtr term = terms->term();
        if (!term || term->field() != field)
            break;
        const QString text = QString::fromStdWString(term->text());
        bool letters = text.size() >= 4 && text != QLatin1String("lucenematch");
        for (const QChar c : text)
            letters = letters && c.isLetter();
        if (letters)
            all.push_back(text);
    } while (terms->next());
    terms->close();
    std::vector<QString> words;
    for (int i = 0; i < count && !all.empty(); ++i)
        words.push_back(all[std::size_t(i) * all.size() / std::size_t(count)]);
    return words;
}

// Milliseconds to walk every term of the prefix, reading what ours reads.
double barePrefixWalk(const Lucene::IndexReaderPtr& reader, const std::wstring& field, const QString& prefix)
{
    QElapsedTimer timer;
    timer.start();
    const auto terms =
        Lucene::newLucene<Lucene::PrefixTermEnum>(reader, Lucene::newLucene<Lucene::Term>(field, prefix.toStdWString()));
    long long sink = 0;
    do {
        const Lucene::TermPtr term = terms->term();
        if (term)
            sink += terms->docFreq() + int(term->text().size());
    } while (terms->next());
    terms->close();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    return sink >= 0 ? ms : -1;
}

// A wait that gives up after a few seconds.
void execAtMost(QEventLoop& loop, int ms = 10000)
{
    QTimer::singleShot(ms, &loop, [&loop] { loop.exit(1); });
    if (loop.exec() != 0)
        std::fprintf(stderr, "suggestions: no answer within %d ms\n", ms);
}

// Milliseconds from the request to the list; its size in `size`.
double timedRequest(tarnolix::AutocompletHelper& helper, const tarnolix::AutocompletHelper::Request& request,
                    int* size)
{
    // Emptied first, so that the request's list is always a change.
    helper.reset();
    QEventLoop loop;
    const auto connection = QObject::connect(&helper, &tarnolix::AutocompletHelper::finished, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    helper.request(request);
    execAtMost(loop);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    QObject::disconnect(connection);
    *size = helper.getResults().toList().size();
    return ms;
}

// Milliseconds from the query to its counts; the helper was cleared before.
double timedCount(tarnolix::SearchSettingsCreator& creator, tarnolix::NumberOccurrencesHelper& helper,
                  const QString& query)
{
    QEventLoop loop;
    const auto connection =
        QObject::connect(&helper, &tarnolix::NumberOccurrencesHelper::finished, &loop, &QEventLoop::quit);
    if (helper.getResult().isValid()) {
        creator.setQuery(QString());
        execAtMost(loop);
    }
    QElapsedTimer timer;
    timer.start();
    creator.setQuery(query);
    execAtMost(loop);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    QObject::disconnect(connection);
    return helper.getResult().isValid() ? ms : -1;
}

// The bare work of a count on the same reader, with the same parsed query.
double bareCount(const Lucene::IndexReaderPtr& reader, const QString& query)
{
    const auto analyzer = Lucene::newLucene<tarnolix::EnglishAnalyzer>(Lucene::LuceneVersion::LUCENE_CURRENT);
    const auto parser = Lucene::newLucene<tarnolix::QueryParser>(Lucene::LuceneVersion::LUCENE_CURRENT, L"E", analyzer);
    const Lucene::QueryPtr parsed = parser->parse(query.toStdWString());
    Lucene::SetTerm extracted = Lucene::SetTerm::newInstance();
    parsed->extractTerms(extracted);
    std::vector<Lucene::TermPtr> terms(extracted.begin(), extracted.end());

    QElapsedTimer timer;
    timer.start();
    struct Bits : public Lucene::Collector
    {
        explicit Bits(int32_t size) : bits(Lucene::newLucene<Lucene::OpenBitSet>(size)) {}
        void setScorer(const Lucene::ScorerPtr&) override {}
        void collect(int32_t doc) override { bits->set(base + doc); }
        void setNextReader(const Lucene::IndexReaderPtr&, int32_t docBase) override { base = docBase; }
        bool acceptsDocsOutOfOrder() override { return true; }
        Lucene::OpenBitSetPtr bits;
        int32_t base = 0;
    };
    const auto searcher = Lucene::newLucene<Lucene::IndexSearcher>(reader);
    const auto bits = Lucene::newLucene<Bits>(reader->maxDoc());
    searcher->search(parsed, bits);
    const Lucene::TermDocsPtr termDocs = reader->termDocs();
    auto docs = Lucene::Collection<int32_t>::newInstance(1024);
    auto freqs = Lucene::Collection<int32_t>::newInstance(1024);
    long long occurrences = 0;
    for (const Lucene::TermPtr& term : terms) {
        termDocs->seek(term);
        for (int32_t n; (n = termDocs->read(docs, freqs)) > 0;) {
            for (int32_t i = 0; i < n; ++i)
                occurrences += bits->bits->get(docs[i]) ? freqs[i] : 0;
        }
    }
    termDocs->close();
    if (terms.size() > 1) {
        const auto phrase = Lucene::newLucene<Lucene::PhraseQuery>();
        phrase->setSlop(20);
        for (const Lucene::TermPtr& term : terms)
            phrase->add(term);
        const auto matches = Lucene::newLucene<Bits>(reader->maxDoc());
        searcher->search(phrase, matches);
    }
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    return occurrences >= 0 ? ms : -1;
}

bool measureSuggestions(const QString& plan, const bench::GeneratedLibrary& library, Side& side, int runs)
{
    tarnolix::WordByWordIndex wordByWord;
    tarnolix::GlossaryIndex glossary;
    bench::loadSharedIndexes(plan, library, wordByWord, glossary);
    tarnolix::setSharedIndexLookup([&](tarnolix::SharedIndex index) -> tarnolix::SearchIndex* {
        return index == tarnolix::SharedIndex::WordByWord ? static_cast<tarnolix::SearchIndex*>(&wordByWord)
                                                           : &glossary;
    });
    bool goal = true;

    struct IndexKind
    {
        const char* name;
        int searchType;
        bool original;
        Lucene::IndexReaderPtr reader;
        std::wstring field;
    };
    const IndexKind indexes[] = {
        {"full text", TarnolixConstants::FullText, false, side.reader, L"E"},
        {"word by word", TarnolixConstants::WordByWord, true, wordByWord.getReader(), L"cts1Ewwo"},
        {"glossary", TarnolixConstants::GlossarySearch, false, glossary.getReader(), L"E"},
    };
    {
        tarnolix::AutocompletHelper helper;
        for (const IndexKind& index : indexes) {
            const std::vector<QString> words = fieldWords(index.reader, index.field, 20);
            for (int letters = 1; letters <= 4; ++letters) {
                std::vector<QString> prefixes;
                for (const QString& word : words)
                    prefixes.push_back(word.left(letters));
                std::vector<double> ours, bare;
                long long sizes = 0;
                for (int run = 0; run <= runs; ++run) {
                    for (const QString& prefix : prefixes) {
                        int size = 0;
                        const double o = timedRequest(
                            helper, {TarnolixConstants::English, index.searchType, index.original, prefix}, &size);
                        const double b = barePrefixWalk(index.reader, index.field, prefix);
                        if (run == 0)
                            continue; // warm
                        ours.push_back(o);
                        bare.push_back(b);
                        sizes += size;
                    }
                }
                if (ours.empty())
                    continue;
                const Percentiles o = percentiles(ours);
                const Percentiles b = percentiles(bare);
                const double ratio = o.p50 / std::max(b.p50, 1e-3);
                const bool counted = letters <= 2;
                if (counted)
                    goal = goal && ratio <= 1.5;
                std::printf("RESULT autocompletion %s, %d letter(s) | prefixes %zu | mean list %.1f | ours p50 %.3f ms "
                            "p90 %.3f ms | bare walk p50 %.3f ms p90 %.3f ms | p50 ratio %.2f%s\n",
                            index.name, letters, prefixes.size(), double(sizes) / double(ours.size()), o.p50, o.p90,
                            b.p50, b.p90, ratio, counted ? " (goal <= 1.50)" : "");
            }
        }
    }

    tarnolix::SearchSettingsCreator creator;
    creator.setLanguage(kLanguage);
    creator.setSearchType(TarnolixConstants::FullText);
    creator.setSearchAreaTranslate(true);
    std::vector<QString> queries[3];
    {
        QString unused;
        queries[0] = wordsByFrequency(side.reader, 20, 5000, 20, 100, &unused);
        queries[1] = wordPairs(20);
        const std::vector<QString> more = wordPairs(40);
        for (std::size_t i = 0; i + 1 < more.size() && queries[2].size() < 20; i += 2)
            queries[2].push_back(more[i] + QLatin1Char(' ') + more[i + 1].section(QLatin1Char(' '), 0, 0));
    }
    {
        tarnolix::NumberOccurrencesHelper helper;
        helper.setSearchSettingsCreator(&creator);
        for (int words = 1; words <= 3; ++words) {
            std::vector<double> ours, bare;
            for (int run = 0; run <= runs; ++run) {
                for (const QString& query : queries[words - 1]) {
                    const double o = timedCount(creator, helper, query);
                    const double b = bareCount(side.reader, query);
                    if (run == 0 || o < 0)
                        continue;
                    ours.push_back(o);
                    bare.push_back(b);
                }
            }
            if (ours.empty())
                continue;
            const Percentiles o = percentiles(ours);
            const Percentiles b = percentiles(bare);
            const double ratio = o.p50 / std::max(b.p50, 1e-3);
            goal = goal && ratio <= 1.5;
            std::printf("RESULT counting %d word(s) | queries %zu | ours p50 %.3f ms p90 %.3f ms | bare p50 %.3f ms "
                        "p90 %.3f ms | p50 ratio %.2f (goal <= 1.50)\n",
                        words, queries[words - 1].size(), o.p50, o.p90, b.p50, b.p90, ratio);
        }
        creator.setQuery(QString());
    }

    // Typing replayed: each keystroke is a request to both helpers; a
    // request is abandoned when its answer is not shown before the next one.
    {
        tarnolix::NumberOccurrencesHelper counter;
        counter.setSearchSettingsCreator(&creator);
        tarnolix::AutocompletHelper completer;
        completer.setSearchSettingsCreator(&creator);
        const auto analyzer = Lucene::newLucene<tarnolix::EnglishAnalyzer>(Lucene::LuceneVersion::LUCENE_CURRENT);
        const Lucene::FilterPtr libraryFilter =
            tarnolix::readActiveLibraryBooks(currentDatabase()->sqlDatabase(), kLanguage, IndexField::bid);
        const std::atomic<bool> never{false};
        struct Keystroke
        {
            QString text;
            QVariant counts;
            QVariantList suggestions;
        };
        std::vector<Keystroke> keystrokes;
        for (std::size_t i = 0; i < 10 && i < queries[1].size(); ++i) {
            const QString& text = queries[1][i];
            for (int n = 1; n <= text.size(); ++n) {
                Keystroke stroke{text.left(n), {}, {}};
                tarnolix::FTSearchSettings settings(kLanguage);
                settings.setQuery(stroke.text);
                try {
                    stroke.counts = tarnolix::countQueryOccurrences(settings, side.reader, analyzer, libraryFilter, [] {});
                } catch (...) {
                }
                const QString prefix = stroke.text.section(QLatin1Char(' '), -1);
                if (!prefix.isEmpty()) {
                    stroke.suggestions = tarnolix::AutocompletHelper::suggestions(
                        {kLanguage, TarnolixConstants::FullText, false, prefix}, side.reader, never);
                }
                keystrokes.push_back(stroke);
            }
        }
        int countsShown = 0, listsShown = 0;
        for (const Keystroke& stroke : keystrokes) {
            creator.setQuery(stroke.text);
            completer.setPrefix(stroke.text.section(QLatin1Char(' '), -1));
            QElapsedTimer timer;
            timer.start();
            while (timer.elapsed() < 100)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            countsShown += counter.getResult() == stroke.counts;
            listsShown += completer.getResults().toList() == stroke.suggestions;
        }
        const double total = double(std::max<std::size_t>(keystrokes.size(), 1));
        std::printf("RESULT typing at 10 characters a second | %zu keystrokes | abandoned: counting %.1f%%, "
                    "autocompletion %.1f%%\n",
                    keystrokes.size(), 100.0 * (total - countsShown) / total, 100.0 * (total - listsShown) / total);
    }
    tarnolix::setSharedIndexLookup({});
    std::fflush(stdout);
    return goal;
}

int measure(const QString& plan, int runs)
{
    const bench::GeneratedLibrary library = bench::loadGeneratedLibrary(plan);
    Side side(library);
    const qint64 documents = side.reader->numDocs();

    QString hundred;
    const std::vector<QString> words = wordsByFrequency(side.reader, 20, 5000, 20, 100, &hundred);
    const std::vector<QString> pairs = wordPairs(20);
    std::vector<QString> unordered, ordered;
    for (const QString& pair : pairs) {
        unordered.push_back(QStringLiteral("\"%1\"@3").arg(pair));
        ordered.push_back(QStringLiteral("\"%1\"/3").arg(pair));
    }
    const Kind kinds[] = {{"word (exact, E)", words, true}, {"\"w1 w2\"@3", unordered, false}, {"\"w1 w2\"/3", ordered, false}};

    bool goal = true;
    for (const Kind& kind : kinds) {
        if (kind.queries.empty())
            continue;
        std::vector<double> ours, bare;
        long long oursHits = 0, bareHits = 0;
        for (const QString& query : kind.queries) {
            side.ours(query, kind.exact); // warm
            side.bare(query, kind.exact);
        }
        for (int run = 0; run < runs; ++run) {
            for (const QString& query : kind.queries) {
                int h = 0;
                ours.push_back(side.ours(query, kind.exact, &h));
                oursHits += h;
                bare.push_back(side.bare(query, kind.exact, &h));
                bareHits += h;
            }
        }
        const Percentiles o = percentiles(ours);
        const Percentiles b = percentiles(bare);
        const double ratio = o.p50 / b.p50;
        goal = goal && ratio <= 1.3;
        std::printf("RESULT kind %s | queries %zu | hits ours %lld bare %lld | ours p50 %.3f ms p90 %.3f ms | "
                    "bare p50 %.3f ms p90 %.3f ms | p50 ratio %.2f (goal <= 1.30)\n",
                    kind.name, kind.queries.size(), oursHits / runs, bareHits / runs, o.p50, o.p90, b.p50, b.p90,
                    ratio);
    }

    // What a run costs whatever its hits: a word the index lacks.
    {
        const QString absent = QStringLiteral("qzxqzxq");
        std::vector<double> ours, bare;
        for (int i = 0; i < 40; ++i) {
            ours.push_back(side.ours(absent, true));
            bare.push_back(side.bare(absent, true));
        }
        std::printf("RESULT fixed cost | a word without hits (exact) | ours p50 %.3f ms | bare p50 %.3f ms\n",
                    percentiles(ours).p50, percentiles(bare).p50);
    }

    // What every run pays before it searches, whatever the query: the
    // active-library key of its status and the active-library filter, both
    // kept while the library stays the same.
    {
        TarnolixDB& db = *currentDatabase();
        std::vector<double> key, filter;
        for (int i = 0; i < 20; ++i) {
            QElapsedTimer timer;
            timer.start();
            tarnolix::activeLibraryCacheKey(db.sqlDatabase());
            key.push_back(double(timer.nsecsElapsed()) / 1e6);
            timer.restart();
            tarnolix::readActiveLibraryBooks(db.sqlDatabase(), kLanguage, IndexField::bid);
            filter.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        // The filter's document set over the whole index, read on this
        // thread for the first time: its peak includes the reader's
        // per-thread term caches, which a search thread pays once.
        const Lucene::FilterPtr made = tarnolix::readActiveLibraryBooks(db.sqlDatabase(), kLanguage, IndexField::bid);
        const long long base = g_heapBytes.load();
        g_heapPeak.store(base);
        QElapsedTimer timer;
        timer.start();
        const Lucene::DocIdSetPtr set = made->getDocIdSet(side.reader);
        const double setMs = double(timer.nsecsElapsed()) / 1e6;
        const long long setBytes = g_heapPeak.load() - base;
        std::printf("RESULT per-run costs | active-library key p50 %.3f ms | active-library filter read p50 %.3f ms | "
                    "first document set on this thread %.3f ms, peak %lld bytes\n",
                    percentiles(key).p50, percentiles(filter).p50, setMs, setBytes);

        // Which set each segment's filter takes: every document when all of
        // them belong to the library's books; otherwise runs of books, or a
        // bit per document where books interleave.
        std::set<std::wstring> members;
        QSqlQuery query = db.execSql(QStringLiteral("SELECT info.id FROM BookInfo%1 AS info INNER JOIN BookBase AS "
                                                    "base ON base.id=info.id")
                                         .arg(int(kLanguage)));
        while (query.next())
            members.insert(query.value(0).toString().toStdWString());
        auto segments = Lucene::Collection<Lucene::IndexReaderPtr>::newInstance();
        Lucene::ReaderUtil::gatherSubReaders(segments, side.reader);
        int allMemberSegments = 0;
        long long strangerDocs = 0, strangerBooks = 0, bookless = 0;
        for (const Lucene::IndexReaderPtr& segment : segments) {
            long long memberDocs = 0, others = 0;
            const Lucene::TermEnumPtr terms = segment->terms(Lucene::newLucene<Lucene::Term>(IndexField::bid, L""));
            do {
                const Lucene::TermPtr term = terms->term();
                if (!term || term->field() != IndexField::bid)
                    break;
                if (members.count(term->text()) != 0) {
                    memberDocs += terms->docFreq();
                } else {
                    others += terms->docFreq();
                    ++strangerBooks;
                }
            } while (terms->next());
            terms->close();
            strangerDocs += others;
            bookless += segment->maxDoc() - memberDocs - others;
            allMemberSegments += others == 0 && memberDocs == segment->maxDoc() ? 1 : 0;
        }
        std::printf("RESULT active-library filter | %d segments, %d of them all members | %zu books in the library | "
                    "%lld documents of %lld books outside it | %lld documents without a book id\n",
                    int(segments.size()), allMemberSegments, members.size(), strangerDocs, strangerBooks, bookless);
    }

    // One warm search of about 100 hits: its peak above the heap before it.
    int hits = 0;
    side.ours(hundred, true);
    const long long before = g_heapBytes.load();
    g_heapPeak.store(before);
    side.ours(hundred, true, &hits);
    const long long peak = g_heapPeak.load() - before;
    std::printf("HEAP %lld %d %lld %s\n", static_cast<long long>(documents), hits, peak, qUtf8Printable(hundred));
    std::fflush(stdout);
    goal = measureSuggestions(plan, library, side, runs) && goal;
    return goal ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(quietMessages);
    const QStringList args = app.arguments();
    auto option = [&](const char* name, const QString& fallback) {
        const int at = args.indexOf(QLatin1String(name));
        return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : fallback;
    };
    const int runs = option("--runs", QStringLiteral("5")).toInt();
    const QString single = option("--measure", QString());
    if (!single.isEmpty())
        return measure(single, runs);

    // Each plan in a process of its own: its heap is its own.
    bool goal = true;
    std::vector<std::pair<long long, long long>> heaps;
    for (const QString& plan : option("--plans", QLatin1String(kDefaultPlans)).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        std::printf("Plan %s\n", qUtf8Printable(plan));
        std::fflush(stdout);
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--measure"), plan, QStringLiteral("--runs"), QString::number(runs)});
        child.waitForFinished(-1);
        goal = goal && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
        for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
            if (line.startsWith("RESULT "))
                std::printf("  %s\n", line.mid(7).constData());
            long long documents = 0, peak = 0;
            int hits = 0;
            char word[128] = {0};
            if (std::sscanf(line.constData(), "HEAP %lld %d %lld %127s", &documents, &hits, &peak, word) == 4) {
                std::printf("  peak heap of one warm search of %d hits (\"%s\") at %lld documents: %lld bytes\n", hits,
                            word, documents, peak);
                heaps.emplace_back(documents, peak);
            }
        }
    }
    if (heaps.size() >= 2 && heaps.back().first != heaps.front().first) {
        const double perDocument = double(heaps.back().second - heaps.front().second)
                                 / double(heaps.back().first - heaps.front().first);
        std::printf("Heap growth: %.4f bytes per added document (goal < 0.1)\n", perDocument);
        goal = goal && perDocument < 0.1;
    }
    return goal ? 0 : 1;
}
