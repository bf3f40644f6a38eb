// A full-text search run on an indexed library: query forms, name matches
// beside the text hits, counts, sorts and failures.
#include "tests/search_run/SearchLibrary.h"

#include "search/searchers/NameMatches.h"
#include "tests/support/MessageLog.h"

#include <QCursor>
#include <QGuiApplication>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <semaphore.h>

#include <set>

using namespace tarnolix;
using namespace tarnolix::test;

namespace {

class SearchRunTest : public SearchLibraryTest
{
protected:
    void SetUp() override { thread.start(); }

    FTSearchThread thread;
};

struct Hit
{
    QString section;
    unsigned long long entity;
    unsigned long long paragraph;
    unsigned freq;
    bool operator==(const Hit& o) const
    {
        return section == o.section && entity == o.entity && paragraph == o.paragraph && freq == o.freq;
    }
};

std::ostream& operator<<(std::ostream& out, const Hit& hit)
{
    return out << qPrintable(hit.section) << "/" << hit.entity << "/" << hit.paragraph << " x" << hit.freq;
}

std::vector<Hit> hitsOf(const FTSearchResults& results)
{
    std::vector<Hit> hits;
    for (const auto& item : results.items()->items()) {
        const auto& ft = dynamic_cast<const FTSRItem&>(*item);
        hits.push_back({ft.section()->code(), ft.entity()->entityIndex(), ft.positionIndex(), ft.freq()});
    }
    return hits;
}

std::vector<Hit> sortedHits(std::vector<Hit> hits)
{
    std::sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) {
        return std::tie(a.section, a.entity, a.paragraph) < std::tie(b.section, b.entity, b.paragraph);
    });
    return hits;
}

// Brute force over the fixture's words: a paragraph matches when it holds
// every term (counting their occurrences) or, for a pair, the two words
// next to each other (counting such places; in either order unless ordered).
struct Expected
{
    std::vector<Hit> hits;
    std::map<QString, int> sections;
    std::map<unsigned, int> books;
    int total = 0;
};

Expected bruteForce(const QStringList& terms, bool pair, bool ordered, int book = 0)
{
    Expected expected;
    for (const FixtureParagraph& p : fixtureParagraphs()) {
        if (book != 0 && p.book != book)
            continue;
        const QStringList words = QString::fromLatin1(p.text).split(QLatin1Char(' '));
        int count = 0;
        if (pair) {
            for (int i = 0; i + 1 < words.size(); ++i) {
                if ((words[i] == terms[0] && words[i + 1] == terms[1])
                    || (!ordered && words[i] == terms[1] && words[i + 1] == terms[0]))
                    ++count;
            }
        } else {
            bool all = true;
            for (const QString& term : terms)
                all = all && words.contains(term);
            if (all) {
                for (const QString& term : terms)
                    count += words.count(term);
            }
        }
        if (count == 0)
            continue;
        expected.hits.push_back({QString::fromLatin1(p.section), unsigned(p.entity), unsigned(p.paragraph), unsigned(count)});
        expected.sections[QString::fromLatin1(p.section)] += count;
        expected.books[unsigned(p.book)] += count;
        expected.total += count;
    }
    expected.hits = sortedHits(expected.hits);
    return expected;
}

TEST_F(SearchRunTest, CountsPerItemSectionBookAndTotalEqualABruteForceCount)
{
    struct Case
    {
        const char* query;
        int searchInBook;
        QStringList terms;
        bool pair;
        bool ordered;
        bool exact = false;
    };
    const QStringList alpha{QStringLiteral("alpha")};
    const QStringList alphaBeta{QStringLiteral("alpha"), QStringLiteral("beta")};
    const Case cases[] = {
        {"alpha", 0, alpha, false, false, true},            // a term: counted by the collector
        {"alpha beta", 0, alphaBeta, true, true, true},     // a phrase: counted by the collector
        {"alpha beta", 1, alphaBeta, true, true, true},     // a phrase in one book: the postings pass
        {"alpha", 0, alpha, false, false},                  // a prefix: the postings pass
        {"alpha beta", 0, alphaBeta, false, false},
        {"alpha", 1, alpha, false, false, true},            // one book: the postings pass
        {"alpha", 1, alpha, false, false},
        {"alpha alph*", 0, alpha, false, false},            // "alpha" listed twice, read once
        {"\"alpha beta\"/0", 0, alphaBeta, true, true},     // proximity, ordered
        {"\"alpha beta\"@0", 0, alphaBeta, true, false},    // proximity, either order
        {"\"alpha beta\"@0", 1, alphaBeta, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.query) + " in book " + std::to_string(c.searchInBook) + (c.exact ? " exact" : ""));
        auto settings = settingsFor(QString::fromUtf8(c.query));
        settings->setSearchInBook(c.searchInBook);
        settings->setFieldName(FTFieldName(c.exact, false, false));
        const SearchRun run = runSearch(thread, settings);
        ASSERT_TRUE(run.errors.isEmpty()) << qPrintable(run.errors.join(QLatin1Char('\n')));
        ASSERT_TRUE(run.results);
        const Expected expected = bruteForce(c.terms, c.pair, c.ordered, c.searchInBook);
        EXPECT_EQ(sortedHits(hitsOf(*run.results)), expected.hits);
        std::map<QString, int> sections;
        std::map<unsigned, int> books;
        for (const auto& book : run.results->books()) {
            books[book->bookId()] = book->freq();
            for (const auto& section : book->sections())
                sections[section->code()] = section->freq();
        }
        EXPECT_EQ(sections, expected.sections);
        EXPECT_EQ(books, expected.books);
        EXPECT_EQ(run.results->totalFreq(), expected.total);
        EXPECT_EQ(run.totalFreq, expected.total);
        EXPECT_EQ(run.items, int(expected.hits.size()));
        EXPECT_EQ(run.books, int(expected.books.size()));
    }
}

TEST_F(SearchRunTest, ABookThatLeavesTheLibraryLeavesTheNextSearch)
{
    // What a run keeps of the library between runs follows a change made
    // through another connection.
    const auto booksFound = [this] {
        auto settings = settingsFor(QStringLiteral("alpha"));
        settings->setFieldName(FTFieldName(true, false, false));
        const SearchRun run = runSearch(thread, settings);
        EXPECT_TRUE(run.errors.isEmpty()) << qPrintable(run.errors.join(QLatin1Char('\n')));
        std::set<unsigned> ids;
        if (run.results) {
            for (const auto& book : run.results->books())
                ids.insert(book->bookId());
        }
        return ids;
    };
    TarnolixDB& db = s_library->library.db();
    EXPECT_EQ(booksFound(), (std::set<unsigned>{1, 2}));
    db.execSql(QStringLiteral("CREATE TEMP TABLE KeptInfo AS SELECT * FROM BookInfo1 WHERE id=2"));
    db.execSql(QStringLiteral("DELETE FROM BookInfo1 WHERE id=2"));
    EXPECT_EQ(booksFound(), std::set<unsigned>{1});
    db.execSql(QStringLiteral("INSERT INTO BookInfo1 SELECT * FROM KeptInfo"));
    db.execSql(QStringLiteral("DROP TABLE KeptInfo"));
    EXPECT_EQ(booksFound(), (std::set<unsigned>{1, 2}));
}

TEST_F(SearchRunTest, QueryFormsAndTheLogOfARun)
{
    struct Case
    {
        const char* query;
        bool exact;
        bool diacritics;
        std::vector<QString> sections;
        const char* logged;
    };
    const Case cases[] = {
        // Exact mode: one phrase; the plain field would take the words apart.
        {"gamma alpha", true, false, {QStringLiteral("1.1")}, "E:\"gamma alpha\""},
        {"gamma alpha", false, false, {QStringLiteral("1.1"), QStringLiteral("1.1.12")}, "A:gamma*"},
        // An unclosed leading quote is closed.
        {"  \"gamma alpha ", false, false, {QStringLiteral("1.1")}, "E:\"gamma alpha\""},
        // Only an address carries the diacritics switch: it searches the
        // field of its exact-match bit.
        {"epsilon", false, true, {QStringLiteral("3.1")}, "A:epsilon"},
        {"gamma alpha", true, true, {QStringLiteral("1.1")}, "E:\"gamma alpha\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.query) + (c.exact ? " exact" : "") + (c.diacritics ? " diacritics" : ""));
        MessageLog log;
        auto settings = settingsFor(QString::fromUtf8(c.query));
        settings->setFieldName(FTFieldName(c.exact, c.diacritics, false));
        const SearchRun run = runSearch(thread, settings);
        ASSERT_TRUE(run.errors.isEmpty()) << qPrintable(run.errors.join(QLatin1Char('\n')));
        std::vector<QString> sections;
        for (const Hit& hit : sortedHits(hitsOf(*run.results)))
            sections.push_back(hit.section);
        EXPECT_EQ(sections, c.sections);
        EXPECT_EQ(run.statuses, (QList<int>{kSearching, kFinished}));
        const QString field = QString::fromUtf8(c.logged);
        EXPECT_TRUE(log.contains(QtInfoMsg, QStringLiteral("Query: \""))) << qPrintable(log.texts(QtInfoMsg).join('\n'));
        EXPECT_TRUE(log.contains(QtInfoMsg, field)) << qPrintable(log.texts(QtInfoMsg).join('\n'));
        EXPECT_TRUE(log.contains(QtInfoMsg, QStringLiteral("\". Search...")));
        EXPECT_TRUE(log.contains(QtInfoMsg, QStringLiteral("Search time: ")));
        EXPECT_TRUE(log.contains(QtInfoMsg, QStringLiteral("0 authors found, 0 book names found and %1 section found")
                                                .arg(c.sections.size())));
    }
}

TEST_F(SearchRunTest, NameMatchesJoinTheTextHitsOfUnrestrictedSearchesOnly)
{
    MessageLog log;
    const SearchRun run = runSearch(thread, settingsFor(QStringLiteral("Valmiki")));
    ASSERT_TRUE(run.errors.isEmpty()) << qPrintable(run.errors.join(QLatin1Char('\n')));
    ASSERT_EQ(run.results->authorMatches().size(), 1u);
    const AuthorMatch& author = *run.results->authorMatches().front();
    EXPECT_EQ(author.person->id, 7);
    std::vector<int> authorBooks;
    for (const auto& book : author.books)
        authorBooks.push_back(book->bookId);
    EXPECT_EQ(authorBooks, (std::vector<int>{1, 2}));
    EXPECT_EQ(author.address.getAuthorId(), 7);
    ASSERT_EQ(run.results->bookNameMatches().size(), 1u);
    EXPECT_EQ(run.results->bookNameMatches().front()->book->id, 2);
    EXPECT_TRUE(log.contains(QtInfoMsg, QStringLiteral("1 authors found, 1 book names found and 1 section found")));
    // One hit per name match for its books, then the text hit.
    std::map<unsigned, int> books;
    for (const auto& book : run.results->books())
        books[book->bookId()] = book->freq();
    EXPECT_EQ(books, (std::map<unsigned, int>{{1, 1}, {2, 2}, {3, 1}}));

    // No name search in one book, in exact mode or with the diacritics switch.
    for (int variant = 0; variant < 3; ++variant) {
        SCOPED_TRACE(variant);
        auto settings = settingsFor(QStringLiteral("valmiki"));
        if (variant == 0)
            settings->setSearchInBook(3);
        else
            settings->setFieldName(FTFieldName(variant == 1, variant == 2, false));
        const SearchRun restricted = runSearch(thread, settings);
        ASSERT_TRUE(restricted.errors.isEmpty()) << qPrintable(restricted.errors.join(QLatin1Char('\n')));
        EXPECT_TRUE(restricted.results->authorMatches().empty());
        EXPECT_TRUE(restricted.results->bookNameMatches().empty());
        EXPECT_EQ(restricted.results->books().size(), 1u);
    }
}

TEST_F(SearchRunTest, SortsOrderBooksAndItemsWithTheirTieBreaks)
{
    s_library->setCatalogPositions({{QStringLiteral("2.1"), 1}, {QStringLiteral("1.1"), 5}, {QStringLiteral("1.1.12"), 6}});
    const auto sectionsOf = [](const SearchRun& run) {
        std::vector<std::pair<QString, unsigned long long>> order;
        for (const Hit& hit : hitsOf(*run.results))
            order.emplace_back(hit.section, hit.entity * 10 + hit.paragraph);
        return order;
    };
    const auto booksOf = [](const SearchRun& run) {
        std::vector<unsigned> ids;
        for (const auto& book : run.results->books())
            ids.push_back(book->bookId());
        return ids;
    };
    using Order = std::vector<std::pair<QString, unsigned long long>>;

    // Catalogue order: position, then entity, then paragraph.
    SearchRun run = runSearch(thread, settingsFor(QStringLiteral("beta"), TarnolixConstants::ByCatalog));
    EXPECT_EQ(sectionsOf(run), (Order{{"2.1", 0}, {"1.1", 0}, {"1.1", 10}, {"1.1.12", 1}}));
    EXPECT_EQ(booksOf(run), (std::vector<unsigned>{2, 1}));
    run = runSearch(thread, settingsFor(QStringLiteral("alpha"), TarnolixConstants::ByCatalog));
    EXPECT_EQ(sectionsOf(run), (Order{{"2.1", 0}, {"1.1", 0}, {"1.1.12", 0}, {"1.1.12", 1}}));

    // Books by their hit count; items by their book's count, then position.
    run = runSearch(thread, settingsFor(QStringLiteral("alpha"), TarnolixConstants::ByRelevance));
    EXPECT_EQ(booksOf(run), (std::vector<unsigned>{1, 2}));
    run = runSearch(thread, settingsFor(QStringLiteral("alpha"), TarnolixConstants::ByMatch));
    EXPECT_EQ(booksOf(run), (std::vector<unsigned>{1, 2}));
    const Order byMatch = sectionsOf(run);
    ASSERT_EQ(byMatch.size(), 4u);
    EXPECT_EQ(byMatch[0].first, "1.1");
    EXPECT_EQ(byMatch[1].first, "1.1.12");
    EXPECT_EQ(byMatch[2].first, "1.1.12");
    EXPECT_EQ(byMatch[3].first, "2.1");

    // Books found by name only follow those with text hits.
    run = runSearch(thread, settingsFor(QStringLiteral("valmiki"), TarnolixConstants::ByCatalog));
    ASSERT_TRUE(run.errors.isEmpty()) << qPrintable(run.errors.join(QLatin1Char('\n')));
    const std::vector<unsigned> books = booksOf(run);
    ASSERT_EQ(books.size(), 3u);
    EXPECT_EQ(books.front(), 3u);
    s_library->setCatalogPositions({});
}

TEST_F(SearchRunTest, FailuresEndWithStateZeroAndAnErrorForTheReader)
{
    struct Case
    {
        QString query;
        int language;
        QString error;
        QString warning;
    };
    const Case cases[] = {
        {QStringLiteral("alpha AND"), 1, QStringLiteral("Ошибка в синтаксисе запроса: Cannot parse"),
         QStringLiteral("Query parse error: Cannot parse")},
        {QStringLiteral("alpha"), 4, QStringLiteral("indexWriterThread"), QStringLiteral("Search error: ")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query.toStdString());
        // A finished search first: a failure drops its records.
        ASSERT_TRUE(runSearch(thread, settingsFor(QStringLiteral("alpha"))).results);
        MessageLog log;
        auto settings = settingsFor(c.query);
        settings->setLanguage(TarnolixConstants::Language(c.language));
        const SearchRun run = runSearch(thread, settings);
        ASSERT_EQ(run.errors.size(), 1);
        EXPECT_TRUE(run.errors.front().startsWith(c.error)) << qPrintable(run.errors.front());
        EXPECT_TRUE(log.contains(QtWarningMsg, c.warning));
        EXPECT_EQ(run.statuses, (QList<int>{kSearching, kInvalid}));
        EXPECT_FALSE(run.results);
        EXPECT_FALSE(thread.searchSettings());
    }
}

// Holds every run that reaches for its index, until opened.
class IndexGate
{
public:
    explicit IndexGate(SearchLibrary& library)
        : m_library(library)
    {
        sem_init(&m_gate, 0, 0);
        IndexWriterThread* writer = library.writer.get();
        setIndexWriterThreadLookup([this, writer](unsigned) {
            sem_wait(&m_gate);
            return writer;
        });
    }
    ~IndexGate()
    {
        open();
        m_library.installLookup();
    }
    void open()
    {
        if (!m_open) {
            m_open = true;
            sem_post(&m_gate);
        }
    }

private:
    SearchLibrary& m_library;
    bool m_open = false;
    sem_t m_gate;
};

TEST_F(SearchRunTest, ReleasingARunningSearchRejectsItAndLeavesNothing)
{
    MessageLog log;
    QSignalSpy status(&thread, &Searcher::statusChanged);
    QSignalSpy errors(&thread, &Searcher::error);
    {
        IndexGate gate(*s_library);
        ASSERT_TRUE(thread.search(settingsFor(QStringLiteral("alpha"))));
        ASSERT_TRUE(waitUntil([&] { return thread.status() == kSearching; }));
        // The run is busy: a second search is refused at once.
        EXPECT_EQ(thrownText([&] { thread.search(settingsFor(QStringLiteral("beta"))); }), "Search in process...");
        // The busy cursor is up on the GUI thread while it runs.
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
        EXPECT_TRUE(thread.release());
        gate.open();
        ASSERT_TRUE(waitUntil([&] { return status.count() >= 2 && thread.status() == kInvalid; }));
    }
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.first().at(0).toString(), QStringLiteral("Search rejected"));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Search error: Search rejected")));
    EXPECT_FALSE(thread.searchResults());
    EXPECT_FALSE(thread.searchSettings());
    EXPECT_EQ(thread.status(), kInvalid);
    ASSERT_TRUE(waitUntil([] { return QGuiApplication::overrideCursor() == nullptr; }));

    // The thread searches again afterwards.
    const SearchRun run = runSearch(thread, settingsFor(QStringLiteral("epsilon")));
    EXPECT_TRUE(run.errors.isEmpty());
    EXPECT_EQ(run.items, 1);
}

TEST(NameMatchKindsTest, TheQueryShapeDecidesWhichNamesAreSearched)
{
    struct Case
    {
        const char* query;
        bool authors;
        bool bookNames;
        bool shortNames;
    };
    const Case cases[] = {
        {"valmiki", true, true, false},
        {"a b c d e f", false, true, false},   // six words: too many for an author
        {"a b c d e f g h i j k", false, false, false},
        {"bg 12", false, false, true},
        {"bg 2 12", false, false, true},
        {"sb 1 2 3", false, false, false},
        {"rama and sita", false, false, false},
        {"RAMA OR sita", false, false, false},
        {"ram*", false, false, false},
        {"\"rama\"", false, false, false},
        {"", false, false, false},
        {"ram", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        const NameMatchKinds kinds = nameMatchKinds(QString::fromUtf8(c.query));
        EXPECT_EQ(kinds.authors, c.authors);
        EXPECT_EQ(kinds.bookNames, c.bookNames);
        EXPECT_EQ(kinds.shortNames, c.shortNames);
    }
}

TEST_F(SearchRunTest, AShortNameFindsEachSectionOnceWithItsPath)
{
    const SearchRun run = runSearch(thread, settingsFor(QStringLiteral("bg 12")));
    ASSERT_TRUE(run.errors.isEmpty()) << qPrintable(run.errors.join(QLatin1Char('\n')));
    EXPECT_TRUE(run.results->authorMatches().empty());
    EXPECT_TRUE(run.results->bookNameMatches().empty());
    // Both paragraphs of 1.1.12 carry the name: one match.
    ASSERT_EQ(run.results->shortNameMatches().size(), 1u);
    const ShortNameMatch& match = *run.results->shortNameMatches().front();
    EXPECT_EQ(match.text, QStringLiteral("Chapter One • Text 12"));
    EXPECT_EQ(match.book->id, 1);
    EXPECT_EQ(match.section->code, QStringLiteral("1.1.12"));
    EXPECT_EQ(match.address.getSectionCode(), QStringLiteral("1.1.12"));
    EXPECT_TRUE(match.counterparts.empty());
}

TEST_F(SearchRunTest, AFailedNameSearchFailsTheRun)
{
    // The short name is indexed, its section is gone from the library.
    s_library->library.db().execSql(QStringLiteral("DELETE FROM BookSections1 WHERE code=?"),
                                    QVariantList{QStringLiteral("4.1")});
    MessageLog log;
    const SearchRun run = runSearch(thread, settingsFor(QStringLiteral("zz 5")));
    ASSERT_EQ(run.errors.size(), 1);
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Search error: ")));
    EXPECT_EQ(run.statuses, (QList<int>{kSearching, kInvalid}));
    EXPECT_FALSE(run.results);
}

} // namespace
