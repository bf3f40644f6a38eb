#include "core/Exception.h"
#include "search/index/ScoreDocEx.h"
#include "search/query/HitQueue.h"
#include "search/query/QueryFactory.h"
#include "search/query/ResultCollector.h"
#include "tests/search_query/HitIndex.h"
#include "tests/support/HeapBytes.h"

#include <Similarity.h>

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <thread>

using namespace tarnolix;
using Lucene::newLucene;
using tarnolix::test::HitIndex;

namespace {

// A scorer standing on one document with a score the test chooses.
class FixedScorer : public Lucene::Scorer
{
public:
    FixedScorer()
        : Lucene::Scorer(Lucene::Similarity::getDefault())
    {
    }
    double score() override { return value; }
    int32_t docID() override { return doc; }
    int32_t nextDoc() override { return NO_MORE_DOCS; }
    int32_t advance(int32_t) override { return NO_MORE_DOCS; }

    double value = 1;
    int32_t doc = -1;
};

Lucene::ScoreDocPtr hit(int32_t doc, double score)
{
    return newLucene<ScoreDocEx>(doc, score);
}

std::vector<int32_t> docsOf(const Lucene::TopDocsPtr& topDocs)
{
    std::vector<int32_t> docs;
    for (const Lucene::ScoreDocPtr& scoreDoc : topDocs->scoreDocs)
        docs.push_back(scoreDoc->doc);
    return docs;
}

Lucene::QueryPtr termQuery(const wchar_t* field, const wchar_t* text)
{
    return makeTermQuery(newLucene<Lucene::Term>(field, text));
}

// Drives a collector by hand over the segments of an index: the hits come
// in the order the test gives, index-wide numbers.
class ManualSearch
{
public:
    ManualSearch(const Lucene::IndexReaderPtr& reader, const Lucene::CollectorPtr& collector)
        : m_collector(collector)
        , m_scorer(newLucene<FixedScorer>())
    {
        int32_t base = 0;
        for (const Lucene::IndexReaderPtr& segment : reader->getSequentialSubReaders()) {
            m_segments.push_back({segment, base});
            base += segment->maxDoc();
        }
    }

    void collect(int32_t doc, double score)
    {
        for (auto it = m_segments.rbegin(); it != m_segments.rend(); ++it) {
            if (doc >= it->second) {
                m_collector->setNextReader(it->first, it->second);
                m_collector->setScorer(m_scorer);
                m_scorer->value = score;
                m_scorer->doc = doc - it->second;
                m_collector->collect(doc - it->second);
                return;
            }
        }
    }

private:
    Lucene::CollectorPtr m_collector;
    boost::shared_ptr<FixedScorer> m_scorer;
    std::vector<std::pair<Lucene::IndexReaderPtr, int32_t>> m_segments;
};

} // namespace

TEST(HitQueue, OrdersByScoreThenDocumentAndGrowsWithWhatItHolds)
{
    const auto queue = newLucene<HitQueue>(1000000, false);
    EXPECT_EQ(queue->size(), 0);
    EXPECT_FALSE(queue->top());
    EXPECT_LT(queue->capacity(), 16u) << "nothing is reserved for the capacity";

    for (const auto& [doc, score] : std::vector<std::pair<int32_t, double>>{
             {7, 2.0}, {3, 1.0}, {5, 2.0}, {1, 3.0}, {9, 1.0}, {4, 2.0}})
        queue->add(hit(doc, score));
    EXPECT_EQ(queue->size(), 6);
    EXPECT_LT(queue->capacity(), 16u);
    // The weakest first: lowest score, among equal scores the highest doc.
    std::vector<std::pair<int32_t, double>> popped;
    while (!queue->empty()) {
        const Lucene::ScoreDocPtr least = queue->pop();
        popped.emplace_back(least->doc, least->score);
    }
    EXPECT_EQ(popped, (std::vector<std::pair<int32_t, double>>{
                          {9, 1.0}, {3, 1.0}, {7, 2.0}, {5, 2.0}, {4, 2.0}, {1, 3.0}}));
    EXPECT_FALSE(queue->pop());

    // A full queue refuses add; addOverflow replaces a weaker top.
    const auto small = newLucene<HitQueue>(2, false);
    small->add(hit(1, 1.0));
    small->add(hit(2, 2.0));
    EXPECT_THROW(small->add(hit(3, 3.0)), Lucene::IndexOutOfBoundsException);
    EXPECT_EQ(small->addOverflow(hit(4, 0.5))->doc, 4);
    EXPECT_EQ(small->addOverflow(hit(5, 3.0))->doc, 1);
    EXPECT_EQ(small->top()->doc, 2);

    // Sentinels fill a prepopulated queue, below every real hit.
    const auto sentinels = newLucene<HitQueue>(3, true);
    ASSERT_EQ(sentinels->size(), 3);
    EXPECT_EQ(sentinels->top()->doc, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(sentinels->top()->score, -std::numeric_limits<double>::infinity());
    const auto top = sentinels->top();
    top->doc = 8;
    top->score = 0.1;
    EXPECT_NE(sentinels->updateTop()->doc, 8);
    sentinels->pop();
    sentinels->pop();
    EXPECT_EQ(sentinels->pop()->doc, 8);
}

TEST(ResultCollector, EqualScoresKeepTheSmallerIndexWideDocument)
{
    HitIndex index({{{L"1", L"rama"}, {L"2", L"rama"}}, {{L"3", L"rama"}, {L"4", L"rama"}}});
    ASSERT_EQ(index.segmentCount(), 2);

    // Out of order, as a collector that accepts any order may get them.
    const auto collector = newLucene<ResultCollector>(false, 2);
    ManualSearch search(index.reader, collector);
    search.collect(3, 1.0);
    search.collect(1, 1.0);
    search.collect(2, 1.0);
    // The queue is full with 1 and 2: a later hit of the same score and a
    // larger number is counted but not taken, nor is its book.
    search.collect(3, 1.0);
    EXPECT_EQ(collector->getTotalHits(), 4);
    EXPECT_EQ(collector->bookCount(), 3u) << "books 4, 2 and 3 entered the queue at some time";
    const Lucene::TopDocsPtr top = collector->topDocs();
    EXPECT_EQ(docsOf(top), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(top->totalHits, 4);

    // A better score takes the place of the weakest.
    const auto better = newLucene<ResultCollector>(false, 2);
    ManualSearch second(index.reader, better);
    second.collect(0, 1.0);
    second.collect(1, 1.0);
    second.collect(3, 2.0);
    second.collect(2, 1.0);
    EXPECT_EQ(docsOf(better->topDocs()), (std::vector<int32_t>{3, 0}));
}

TEST(ResultCollector, GathersHitsBooksAndStoredDocuments)
{
    HitIndex index({{{L"5", L"rama sita"}, {L"6", L"krishna"}}, {{L"5", L"rama"}, {L"7", L"rama rama"}}});
    const auto search = [&] {
        const auto collector = newLucene<ResultCollector>(false, index.reader->maxDoc());
        index.searcher->search(termQuery(L"A", L"rama"), Lucene::FilterPtr(), collector);
        return collector;
    };
    const auto collector = search();
    EXPECT_EQ(collector->getTotalHits(), 3);
    EXPECT_EQ(collector->bookCount(), 2u);
    EXPECT_EQ(collector->totalOccurrences(), 0.0);
    const Lucene::TopDocsPtr top = collector->topDocs();
    ASSERT_EQ(top->scoreDocs.size(), 3);
    EXPECT_EQ(top->getMaxScore(), top->scoreDocs[0]->score);
    for (const Lucene::ScoreDocPtr& scoreDoc : top->scoreDocs) {
        const auto hit = boost::dynamic_pointer_cast<ScoreDocEx>(scoreDoc);
        ASSERT_TRUE(hit);
        EXPECT_EQ(hit->occurrences, 0.0f) << "no counting asked";
        ASSERT_TRUE(hit->document);
        EXPECT_EQ(std::to_wstring(hit->bookId), hit->document->get(L"bid"));
        EXPECT_EQ(index.reader->document(hit->doc)->get(L"s"), hit->document->get(L"s"));
    }

    // Asked from the second hit on, the best score is still the maximum.
    const Lucene::TopDocsPtr rest = search()->topDocs(1);
    EXPECT_EQ(rest->scoreDocs.size(), 2);
    EXPECT_EQ(rest->getMaxScore(), top->getMaxScore());
    EXPECT_EQ(rest->totalHits, 3);
    {
        const auto none = newLucene<ResultCollector>(true, index.reader->maxDoc());
        index.searcher->search(termQuery(L"A", L"nothing"), Lucene::FilterPtr(), none);
        EXPECT_EQ(none->topDocs()->scoreDocs.size(), 0);
        EXPECT_EQ(none->bookCount(), 0u);
    }
}

TEST(ResultCollector, BadBookIdsEndTheSearch)
{
    struct Row
    {
        const wchar_t* bid;
        std::string error;
    };
    const Row rows[] = {
        {L"0", "Read bookId failed"},
        {L"  -0x", "Read bookId failed"},
        {L"x1", "stoi"},
        {L"", "stoi"},
        {L"99999999999", "stoi"},
    };
    for (const Row& row : rows) {
        HitIndex index(test::Segments{{{L"3", L"rama"}, {row.bid, L"rama"}}});
        const auto collector = newLucene<ResultCollector>(false, index.reader->maxDoc());
        std::string error = "<nothing thrown>";
        try {
            index.searcher->search(termQuery(L"A", L"rama"), Lucene::FilterPtr(), collector);
        } catch (const Exception& e) {
            error = e.what();
        } catch (const std::exception& e) {
            error = e.what();
        }
        EXPECT_EQ(error, row.error) << "bid: " << Lucene::StringUtils::toUTF8(row.bid);
    }
    // A leading sign and white space read, the number ends at a non-digit.
    HitIndex index(test::Segments{{{L" +12abc", L"rama"}}});
    const auto collector = newLucene<ResultCollector>(false, 1);
    index.searcher->search(termQuery(L"A", L"rama"), Lucene::FilterPtr(), collector);
    const auto top = collector->topDocs();
    ASSERT_EQ(top->scoreDocs.size(), 1);
    EXPECT_EQ(boost::static_pointer_cast<ScoreDocEx>(top->scoreDocs[0])->bookId, 12);
}

TEST(ResultCollector, ARejectedCollectorStopsTheSearch)
{
    HitIndex index({{{L"1", L"rama"}, {L"2", L"rama"}}, {{L"3", L"rama"}}});
    const auto message = [&](const Lucene::CollectorPtr& collector) -> std::string {
        try {
            index.searcher->search(termQuery(L"A", L"rama"), Lucene::FilterPtr(), collector);
        } catch (const Lucene::RuntimeException& e) {
            return Lucene::StringUtils::toUTF8(e.getError());
        }
        return "<nothing thrown>";
    };

    const auto before = newLucene<ResultCollector>(true, index.reader->maxDoc());
    before->reject();
    EXPECT_EQ(message(before), "Search rejected");
    EXPECT_EQ(before->getTotalHits(), 0);
    EXPECT_EQ(before->bookCount(), 0u);

    // Rejected from another thread while collecting: the next hit throws and
    // so does every later call.
    const auto during = newLucene<ResultCollector>(false, index.reader->maxDoc());
    ManualSearch search(index.reader, during);
    search.collect(0, 1.0);
    std::thread([&] { during->reject(); }).join();
    EXPECT_THROW(search.collect(1, 1.0), Lucene::RuntimeException);
    EXPECT_THROW(during->setScorer(newLucene<FixedScorer>()), Lucene::RuntimeException);
    EXPECT_EQ(during->getTotalHits(), 1);
}

// Callers ask for as many hits as the index has documents; a search with
// ten hits must not pay for a million.
TEST(ResultCollector, MemoryFollowsTheHitsNotNumHits)
{
    std::vector<test::HitDocument> documents;
    for (int i = 0; i < 10; ++i)
        documents.push_back({std::to_wstring(i + 1), L"rama"});
    HitIndex index({documents});
    const auto query = termQuery(L"A", L"rama");

    const auto heapAfterSearch = [&](int32_t numHits) {
        // The collector is alive when the heap is read.
        const std::size_t before = test::heapBytes();
        const auto collector = newLucene<ResultCollector>(true, numHits);
        index.searcher->search(query, Lucene::FilterPtr(), collector);
        const std::size_t after = test::heapBytes();
        EXPECT_EQ(collector->getTotalHits(), 10);
        EXPECT_EQ(collector->topDocs()->scoreDocs.size(), 10);
        return after > before ? after - before : 0;
    };
    heapAfterSearch(10); // warms Lucene's caches
    const std::size_t ten = heapAfterSearch(10);
    const std::size_t million = heapAfterSearch(1000000);
    // A heap of a million slots alone would be 16 MB.
    EXPECT_LT(million, ten + 64 * 1024) << "ten: " << ten << " million: " << million;
}

TEST(FastContainsCollector, MarksTheMatchesOfEverySegment)
{
    HitIndex index({{{L"1", L"rama"}, {L"2", L"sita"}}, {{L"3", L"sita rama"}, {L"4", L"krishna"}}});
    const int32_t maxDoc = index.reader->maxDoc();
    const auto collector = newLucene<FastContainsCollector>(maxDoc);
    index.searcher->search(termQuery(L"A", L"rama"), Lucene::FilterPtr(), collector);
    std::vector<bool> marked;
    for (int32_t doc = -1; doc <= maxDoc; ++doc)
        marked.push_back(collector->contains(doc));
    EXPECT_EQ(marked, (std::vector<bool>{false, true, false, true, false, false}));

    // The document numHits - docBase of the last segment is past the end.
    const auto small = newLucene<FastContainsCollector>(3);
    small->setNextReader(index.reader->getSequentialSubReaders()[1], 2);
    small->collect(0);
    EXPECT_TRUE(small->contains(2));
    try {
        small->collect(1);
        ADD_FAILURE() << "nothing thrown";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "FastContainsCollector: doc number > num hits");
    }
    small->setNextReader(index.reader->getSequentialSubReaders()[0], 0);
    EXPECT_THROW(small->collect(-1), Exception);
    EXPECT_FALSE(small->contains(3));
}
