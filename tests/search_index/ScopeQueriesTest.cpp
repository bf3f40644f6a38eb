#include "search/index/ScopeQueries.h"

#include "search/index/Analyzers.h"
#include "search/index/BookDocuments.h"
#include "tests/support/MessageLog.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

using namespace tarnolix;
using tarnolix::test::MessageLog;

namespace {

// Each clause as "occur field:text" (TermQuery) or "occur *:*".
std::vector<std::wstring> clauses(const Lucene::BooleanQueryPtr& query)
{
    std::vector<std::wstring> result;
    for (const Lucene::BooleanClausePtr& clause : query->getClauses()) {
        const std::wstring occur = clause->getOccur() == Lucene::BooleanClause::MUST     ? L"+"
                                   : clause->getOccur() == Lucene::BooleanClause::SHOULD ? L"?"
                                                                                         : L"-";
        const auto term = boost::dynamic_pointer_cast<Lucene::TermQuery>(clause->getQuery());
        if (term)
            result.push_back(occur + term->getTerm()->field() + L":" + term->getTerm()->text());
        else if (boost::dynamic_pointer_cast<Lucene::MatchAllDocsQuery>(clause->getQuery()))
            result.push_back(occur + L"*:*");
        else
            result.push_back(occur + L"(" + clause->getQuery()->toString() + L")");
    }
    return result;
}

using Clauses = std::vector<std::wstring>;

// Puts the process-wide clause limit back for the other tests.
class ClauseLimit
{
public:
    explicit ClauseLimit(int32_t limit) { Lucene::BooleanQuery::setMaxClauseCount(limit); }
    ~ClauseLimit() { Lucene::BooleanQuery::setMaxClauseCount(m_saved); }

private:
    const int32_t m_saved = Lucene::BooleanQuery::getMaxClauseCount();
};

TEST(ScopeQueriesTest, BooksQueryClausesAreDistinctAndAscending)
{
    EXPECT_FALSE(booksQuery({}, {}, {}));
    EXPECT_EQ(clauses(booksQuery({17, 3, 17}, {9, 2, 9}, {"2.1", "10.1", "2.1"})),
              (Clauses{L"?c:3", L"?c:17", L"?bid:2", L"?bid:9", L"?s:10.1", L"?s:2.1"}));
    EXPECT_EQ(clauses(booksQuery({}, {}, {"1"})), Clauses{L"?s:1"});
}

TEST(ScopeQueriesTest, ScopeQueryAndRestriction)
{
    EXPECT_EQ(clauses(buildScopeQuery({})), Clauses{L"+*:*"});
    EXPECT_EQ(clauses(buildScopeQuery({{3}, {}, {}, 7})), (Clauses{L"+*:*", L"+bid:7"}));
    EXPECT_EQ(clauses(buildScopeQuery({{3}, {5}, {}, 0})), (Clauses{L"+*:*", L"+(c:3 bid:5)"}));

    const auto word = Lucene::newLucene<Lucene::TermQuery>(Lucene::newLucene<Lucene::Term>(L"A", L"lotus"));
    EXPECT_EQ(clauses(restrictQueryToScope({}, word)), (Clauses{L"+*:*", L"+A:lotus"}));
    EXPECT_EQ(clauses(restrictQueryToScope({{}, {}, {"1.1"}, 0}, word)),
              (Clauses{L"+*:*", L"+(s:1.1)", L"+A:lotus"}));
}

TEST(ScopeQueriesTest, ManyBooksRaiseTheClauseLimitOnce)
{
    const ClauseLimit restore(1024);
    std::vector<int> books(5000);
    for (int i = 0; i < 5000; ++i)
        books[std::size_t(i)] = i + 1;

    MessageLog log;
    EXPECT_EQ(booksQuery({}, books, {})->getClauses().size(), 5000);
    EXPECT_EQ(Lucene::BooleanQuery::getMaxClauseCount(), 5001);
    EXPECT_EQ(log.texts(QtWarningMsg), QStringList{"BooleanQuery::maxClauseCount changed to 5001"});

    log.clear();
    buildScopeQuery({{}, books, {}, 0});
    books.resize(2000);
    booksQuery({}, books, {});
    EXPECT_EQ(Lucene::BooleanQuery::getMaxClauseCount(), 5001) << "never lowered";
    EXPECT_TRUE(log.texts(QtWarningMsg).isEmpty());
}

TEST(ScopeQueriesTest, ThreadsRaisingTheLimitTogetherKeepTheLargest)
{
    const ClauseLimit restore(1024);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([t, &failures] {
            std::vector<int> books(std::size_t(1500 + 700 * t));
            for (std::size_t i = 0; i < books.size(); ++i)
                books[i] = int(i) + 1;
            try {
                for (int round = 0; round < 5; ++round)
                    booksQuery({}, books, {});
            } catch (...) {
                ++failures;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(Lucene::BooleanQuery::getMaxClauseCount(), 1500 + 700 * 5 + 1);
}

// The scope against documents that the book indexing writes.
TEST(ScopeQueriesTest, ScopesSelectTheDocumentsOfTheirBooks)
{
    const auto analyzer = Lucene::newLucene<EnglishAnalyzer>(Lucene::LuceneVersion::LUCENE_CURRENT);
    const auto directory = Lucene::newLucene<Lucene::RAMDirectory>();
    const auto writer = Lucene::newLucene<Lucene::IndexWriter>(directory, analyzer, true,
                                                               Lucene::IndexWriter::MaxFieldLengthUNLIMITED);
    CachedDocument cached;
    cachedDocumentClear(cached);
    // Book 1 in categories 3 and 17, book 2 in 17, book 30 in none; two sections each.
    const std::vector<std::pair<int, std::vector<int>>> books = {{1, {3, 17}}, {2, {17}}, {30, {}}};
    for (const auto& [id, categories] : books) {
        BookBase base;
        base.id = id;
        base.categories = categories;
        BookInfo info;
        info.language = TarnolixConstants::English;
        std::vector<std::shared_ptr<BookSection>> sections;
        std::vector<std::shared_ptr<BookPart>> parts;
        for (const QString& code : {QString::number(id) + ".1", QString::number(id) + ".2"}) {
            sections.push_back(std::make_shared<BookSection>());
            sections.back()->code = code;
            parts.push_back(std::make_shared<BookPart>());
            parts.back()->sectionCode = code;
            parts.back()->entities.push_back(
                std::make_shared<BookEntity>(quint8(8), QMap<QString, QString>{}, QStringList{"lotus"}));
        }
        indexBookDocuments(
            TarnolixConstants::English, cached, base, info, sections, parts, [] {},
            [&](const Lucene::DocumentPtr& document, const std::wstring& text) {
                analyzer->setHTMLTagsPositions(text);
                writer->addDocument(document, analyzer);
            });
    }
    writer->close();

    const auto searcher = Lucene::newLucene<Lucene::IndexSearcher>(directory, true);
    const auto word = Lucene::newLucene<Lucene::TermQuery>(Lucene::newLucene<Lucene::Term>(L"A", L"lotus"));
    const auto sectionsFound = [&](const SearchScope& scope) {
        std::set<std::wstring> found;
        const auto hits = searcher->search(restrictQueryToScope(scope, word), 100);
        for (const Lucene::ScoreDocPtr& hit : hits->scoreDocs)
            found.insert(searcher->doc(hit->doc)->get(L"s"));
        return found;
    };
    using Found = std::set<std::wstring>;
    EXPECT_EQ(sectionsFound({}).size(), 6u);
    EXPECT_EQ(sectionsFound({{3}, {}, {}, 0}), (Found{L"1.1", L"1.2"}));
    EXPECT_EQ(sectionsFound({{17}, {}, {}, 0}), (Found{L"1.1", L"1.2", L"2.1", L"2.2"}));
    EXPECT_EQ(sectionsFound({{3}, {30}, {"2.2"}, 0}), (Found{L"1.1", L"1.2", L"2.2", L"30.1", L"30.2"}));
    EXPECT_EQ(sectionsFound({{3}, {2}, {}, 30}), (Found{L"30.1", L"30.2"}));
    EXPECT_TRUE(sectionsFound({{4}, {}, {}, 0}).empty());
    searcher->close();
}

} // namespace
