#include "search/index/ActiveLibraryFilter.h"

#include "search/index/DatabaseStamp.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <algorithm>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <tuple>
#include <unordered_set>
#include <vector>

namespace tarnolix {

namespace {

// Admits every document of a reader without a bit per document.
class AllDocsIterator : public Lucene::DocIdSetIterator
{
public:
    explicit AllDocsIterator(int32_t maxDoc) : m_maxDoc(maxDoc) {}
    ~AllDocsIterator() override = default;
    TARNOLIX_LUCENE_CLASS(AllDocsIterator);

    int32_t docID() override { return m_doc; }
    int32_t nextDoc() override { return advance(0); }
    // Never backwards: the next document at or after target.
    int32_t advance(int32_t target) override
    {
        if (m_doc != NO_MORE_DOCS) {
            const int32_t doc = std::max(target, m_doc + 1);
            m_doc = doc < m_maxDoc ? doc : NO_MORE_DOCS;
        }
        return m_doc;
    }

private:

    const int32_t m_maxDoc;
    int32_t m_doc = -1;
};

class AllDocsIdSet : public Lucene::DocIdSet
{
public:
    explicit AllDocsIdSet(int32_t maxDoc) : m_maxDoc(maxDoc) {}
    ~AllDocsIdSet() override = default;
    TARNOLIX_LUCENE_CLASS(AllDocsIdSet);

    Lucene::DocIdSetIteratorPtr iterator() override { return Lucene::newLucene<AllDocsIterator>(m_maxDoc); }
    bool isCacheable() override { return true; }

private:
    const int32_t m_maxDoc;
};

using BookIds = std::unordered_set<std::wstring>;

// Shared by every search of its library and language, on any thread: the
// document set of a segment is read once and kept while the segment lives.
// A document never changes its book, and deletions only hide documents from
// the scorers, so a set stays right until its segment is gone.
// Ascending, disjoint [first, end) runs of documents.
using Runs = std::vector<std::pair<int32_t, int32_t>>;

class RunsIterator : public Lucene::DocIdSetIterator
{
public:
    explicit RunsIterator(std::shared_ptr<const Runs> runs) : m_runs(std::move(runs)) {}
    ~RunsIterator() override = default;
    TARNOLIX_LUCENE_CLASS(RunsIterator);

    int32_t docID() override { return m_doc; }
    int32_t nextDoc() override { return advance(0); }
    // Never backwards: the next document at or after target.
    int32_t advance(int32_t target) override
    {
        if (m_doc == NO_MORE_DOCS)
            return m_doc;
        target = std::max(target, m_doc + 1);
        const Runs& runs = *m_runs;
        m_run = std::size_t(std::partition_point(runs.begin() + std::ptrdiff_t(m_run), runs.end(),
                                                 [target](const Runs::value_type& run) { return run.second <= target; })
                            - runs.begin());
        m_doc = m_run < runs.size() ? std::max(target, runs[m_run].first) : NO_MORE_DOCS;
        return m_doc;
    }

private:
    const std::shared_ptr<const Runs> m_runs;
    std::size_t m_run = 0;
    int32_t m_doc = -1;
};

// The documents of a segment's member books as runs: a book's paragraphs are
// indexed one after another, so a segment holds about one run per book
// however many documents it has.
class RunsIdSet : public Lucene::DocIdSet
{
public:
    explicit RunsIdSet(Runs runs) : m_runs(std::make_shared<const Runs>(std::move(runs))) {}
    ~RunsIdSet() override = default;
    TARNOLIX_LUCENE_CLASS(RunsIdSet);

    Lucene::DocIdSetIteratorPtr iterator() override { return Lucene::newLucene<RunsIterator>(m_runs); }
    bool isCacheable() override { return true; }

private:
    const std::shared_ptr<const Runs> m_runs;
};

// The members' documents as runs; null once the runs would take more room
// than a bit per document (books indexed interleaved).
Lucene::DocIdSetPtr readRuns(const Lucene::TermDocsPtr& termDocs, const std::vector<Lucene::TermPtr>& members,
                             int32_t maxDoc)
{
    const std::size_t limit = std::max<std::size_t>(64, std::size_t(maxDoc) / (8 * sizeof(Runs::value_type)));
    Runs runs;
    auto docs = Lucene::Collection<int32_t>::newInstance(256);
    auto freqs = Lucene::Collection<int32_t>::newInstance(256);
    for (const Lucene::TermPtr& term : members) {
        termDocs->seek(term);
        for (int32_t read = termDocs->read(docs, freqs); read > 0; read = termDocs->read(docs, freqs)) {
            for (int32_t i = 0; i < read; ++i) {
                const int32_t doc = docs[i];
                if (!runs.empty() && runs.back().second == doc) {
                    runs.back().second = doc + 1;
                    continue;
                }
                if (runs.size() >= limit)
                    return {};
                runs.emplace_back(doc, doc + 1);
            }
        }
    }
    std::sort(runs.begin(), runs.end());
    std::size_t kept = 0;
    for (const auto& run : runs) {
        if (kept != 0 && runs[kept - 1].second >= run.first)
            runs[kept - 1].second = std::max(runs[kept - 1].second, run.second);
        else
            runs[kept++] = run;
    }
    runs.resize(kept);
    runs.shrink_to_fit();
    return Lucene::newLucene<RunsIdSet>(std::move(runs));
}

class MembershipFilter : public Lucene::Filter
{
public:
    MembershipFilter(std::wstring field, BookIds bookIds)
        : m_field(std::move(field))
        , m_bookIds(std::move(bookIds))
    {
    }
    ~MembershipFilter() override = default;

    TARNOLIX_LUCENE_CLASS(MembershipFilter);

    Lucene::DocIdSetPtr getDocIdSet(const Lucene::IndexReaderPtr& reader) override;
    const BookIds& bookIds() const { return m_bookIds; }

private:
    Lucene::DocIdSetPtr readDocIdSet(const Lucene::IndexReaderPtr& reader) const;

    const std::wstring m_field;
    const BookIds m_bookIds;
    std::mutex m_setsMutex;
    // By the segment's field-cache key, which a reopen that only deletes keeps.
    std::vector<std::pair<Lucene::LuceneObjectWeakPtr, Lucene::DocIdSetPtr>> m_sets;
};

template <class Enumerator>
void closeQuietly(const Enumerator& enumerator)
{
    if (!enumerator)
        return;
    try {
        enumerator->close();
    } catch (...) {
    }
}

Lucene::DocIdSetPtr MembershipFilter::getDocIdSet(const Lucene::IndexReaderPtr& reader)
{
    if (m_bookIds.empty())
        return Lucene::DocIdSet::EMPTY_DOCIDSET();
    const Lucene::LuceneObjectPtr key = reader->getFieldCacheKey();
    const auto find = [this, &key]() -> Lucene::DocIdSetPtr {
        for (auto it = m_sets.begin(); it != m_sets.end();) {
            const Lucene::LuceneObjectPtr held = it->first.lock();
            if (!held) {
                it = m_sets.erase(it);
                continue;
            }
            if (held == key)
                return it->second;
            ++it;
        }
        return {};
    };
    {
        std::lock_guard<std::mutex> lock(m_setsMutex);
        if (Lucene::DocIdSetPtr set = find())
            return set;
    }
    // Read outside the lock: another segment's search need not wait for it.
    const Lucene::DocIdSetPtr set = readDocIdSet(reader);
    std::lock_guard<std::mutex> lock(m_setsMutex);
    if (Lucene::DocIdSetPtr first = find())
        return first;
    m_sets.emplace_back(key, set);
    return set;
}

Lucene::DocIdSetPtr MembershipFilter::readDocIdSet(const Lucene::IndexReaderPtr& reader) const
{
    const int32_t maxDoc = reader->maxDoc();
    const Lucene::TermEnumPtr termEnum = reader->terms(Lucene::newLucene<Lucene::Term>(m_field, L""));
    Lucene::TermDocsPtr termDocs;
    Lucene::DocIdSetPtr result;
    try {
        // One walk over the field's terms: which of them are members, and
        // whether every document carries one.
        std::vector<Lucene::TermPtr> members;
        bool allMembers = true;
        int64_t memberDocs = 0;
        do {
            const Lucene::TermPtr term = termEnum->term();
            if (!term || term->field() != m_field)
                break;
            if (m_bookIds.count(term->text()) != 0) {
                members.push_back(term);
                memberDocs += termEnum->docFreq();
            } else {
                allMembers = false;
            }
        } while (termEnum->next());

        if (allMembers && memberDocs == maxDoc) {
            result = Lucene::newLucene<AllDocsIdSet>(maxDoc);
        } else {
            termDocs = reader->termDocs();
            result = readRuns(termDocs, members, maxDoc);
            if (!result) {
                const auto bits = Lucene::newLucene<Lucene::OpenBitSet>(maxDoc);
                for (const Lucene::TermPtr& term : members) {
                    termDocs->seek(term);
                    while (termDocs->next())
                        bits->fastSet(termDocs->doc());
                }
                result = bits;
            }
        }
    } catch (...) {
        closeQuietly(termDocs);
        closeQuietly(termEnum);
        throw;
    }
    closeQuietly(termDocs);
    closeQuietly(termEnum);
    return result;
}

[[noreturn]] void fail(const char* text)
{
    throw std::runtime_error(text);
}

// The filter each connection read last, with the stamp it was read at, and
// the filter shared by all connections to one library file: connections that
// read the same books get the same filter and its document sets.
using ConnectionKey = std::tuple<QString, int, std::wstring>;
using LibraryKey = std::tuple<QString, int, std::wstring>;
struct ReadFilter
{
    DatabaseStamp stamp;
    boost::shared_ptr<MembershipFilter> filter;
};
std::mutex s_filtersMutex;
std::map<ConnectionKey, ReadFilter> s_readFilters;
std::map<LibraryKey, boost::shared_ptr<MembershipFilter>> s_libraryFilters;

} // namespace

Lucene::FilterPtr readActiveLibraryBooks(const QSqlDatabase& database, int language, const std::wstring& field)
{
    if (language < 1 || language > 3 || field.empty() || !database.isOpen()
        || database.driverName() != QLatin1String("QSQLITE"))
        fail("Cannot verify active search library");

    const DatabaseStamp stamp = databaseStamp(database);
    const ConnectionKey connectionKey{stamp.connection, language, field};
    if (stamp.valid()) {
        std::lock_guard<std::mutex> lock(s_filtersMutex);
        const auto found = s_readFilters.find(connectionKey);
        if (found != s_readFilters.end() && found->second.stamp == stamp)
            return found->second.filter;
    }

    QSqlQuery query(database);
    query.setForwardOnly(true);
    const QString sql =
        QStringLiteral("SELECT info.id FROM BookInfo%1 AS info INNER JOIN BookBase AS base ON base.id=info.id")
            .arg(language);
    if (!query.exec(sql))
        fail("Cannot read active search library");

    BookIds bookIds;
    while (query.next()) {
        bool ok = false;
        const qint64 id = query.value(0).toLongLong(&ok);
        if (!ok || id < 1 || id > std::numeric_limits<int32_t>::max())
            fail("Invalid active search library membership");
        bookIds.insert(QString::number(id).toStdWString());
    }
    if (query.lastError().isValid())
        fail("Cannot finish reading active search library");

    std::lock_guard<std::mutex> lock(s_filtersMutex);
    boost::shared_ptr<MembershipFilter>& shared = s_libraryFilters[LibraryKey{databaseIdentity(database), language, field}];
    if (!shared || shared->bookIds() != bookIds)
        shared = Lucene::newLucene<MembershipFilter>(field, std::move(bookIds));
    if (stamp.valid()) {
        // Connections that are gone keep no filter.
        for (auto it = s_readFilters.begin(); it != s_readFilters.end();)
            it = QSqlDatabase::contains(std::get<0>(it->first)) ? std::next(it) : s_readFilters.erase(it);
        s_readFilters[connectionKey] = ReadFilter{stamp, shared};
    }
    return shared;
}

} // namespace tarnolix
