// The full-text results page, its blocks and the marking of hits, on a small
// Russian library with an index built in the test.
#include "core/CipherKeyPair.h"
#include "database/BookTextCipher.h"
#include "pages/HTMLCreator.h"
#include "pages/UrlCreatorImpl.h"
#include "search/index/Analyzers.h"
#include "search/query/QueryParser.h"
#include "search/searchers/FTSearchRecords.h"
#include "search/searchers/HiddenSearchResults.h"
#include "search/searchers/SearchUrlRegistration.h"
#include "searchpages/SRPage.h"
#include "tabs/FindTextHelper.h"
#include "tabs/HighlightedSection.h"
#include "tabs/OpenBookSeams.h"
#include "tabs/PageSearchData.h"
#include "tests/models/CatalogLibrary.h"
#include "tests/support/MessageLog.h"

#include <TextFragment.h>

#include <gtest/gtest.h>

using namespace tarnolix;
using C = TarnolixConstants;

namespace {

constexpr quint32 kTab = 7;
const QString kMark = QStringLiteral("<mark class=\"highlight\">");

int countOf(const QString& text, const QString& what)
{
    return text.count(what);
}

class SearchPagesTest : public test::CatalogLibrary
{
protected:
    void SetUp() override
    {
        CatalogLibrary::SetUp();
        registerSearchUrlFamilies();
        keys.setKeyFromString(QStringLiteral("reader@tarnolix.invalid"));
        keys.setIvFromString(path);
        setBookTextCipher(&keys);
        auto base = BookBase();
        base.id = 201;
        base.slug = QStringLiteral("kniga");
        base.languages = {kRu};
        db->insertBookBase(base);
        auto book = std::make_shared<Book>();
        book->info = std::make_shared<BookInfo>();
        book->info->bookId = 201;
        book->info->language = kRu;
        book->info->name = QStringLiteral("Книга <i> & «Рамаяна»");
        book->info->shortName = QStringLiteral("kniga");
        auto section = std::make_shared<BookSection>();
        section->code = QStringLiteral("201.1");
        section->index = 1;
        section->left = 1;
        section->right = 2;
        section->name = QStringLiteral("Глава 1");
        section->slug = QStringLiteral("1");
        section->title = QStringLiteral("Слово о лесах");
        book->sections = {section};
        auto part = std::make_shared<BookPart>();
        part->sectionCode = section->code;
        part->entities = {
            std::make_shared<BookEntity>(quint8(8), QMap<QString, QString>{},
                                         QStringList{QStringLiteral("Первый текст о <b>лесах</b> и реках.")}),
            std::make_shared<BookEntity>(quint8(8), QMap<QString, QString>{},
                                         QStringList{QStringLiteral("Лес шумит, река течёт."),
                                                     QStringLiteral("Без совпадений здесь.")}),
        };
        book->parts = {part};
        db->insertBook(book);
        sectionRecord = section;
        partRecord = part;
    }

    // The status of a search for `query` as the search thread builds it,
    // over an index of `texts` in the plain and the exact field.
    std::shared_ptr<FTSearchResults> search(const QString& query, bool exact = false)
    {
        auto settings = std::make_shared<FTSearchSettings>(kRu);
        settings->setQuery(query);
        settings->setFieldName(FTFieldName(exact, false, false));
        const auto analyzer = Lucene::newLucene<RussianAnalyzer>(Lucene::LuceneVersion::LUCENE_CURRENT);
        const auto directory = Lucene::newLucene<Lucene::RAMDirectory>();
        const auto writer = Lucene::newLucene<Lucene::IndexWriter>(directory, analyzer, true,
                                                                   Lucene::IndexWriter::MaxFieldLengthUNLIMITED);
        for (const QString& text : {QStringLiteral("Слово о лесах\n\nПервый текст о лесах и реках."),
                                    QStringLiteral("Лес шумит, река течёт.")}) {
            const auto document = Lucene::newLucene<Lucene::Document>();
            for (const wchar_t* field : {L"A", L"E"})
                document->add(Lucene::newLucene<Lucene::Field>(field, text.toStdWString(), Lucene::Field::STORE_NO,
                                                              Lucene::Field::INDEX_ANALYZED));
            writer->addDocument(document);
        }
        writer->close();
        const auto reader = Lucene::IndexReader::open(directory, true);
        status = std::make_shared<FTSearchStatus>(settings, reader);
        status->setAnalyzer(analyzer);
        const auto parser = Lucene::newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_CURRENT,
                                                           FTFieldName(exact, false, false).toString(), analyzer);
        parser->setAnalyzedPrefixTerms(!exact);
        parser->setDefaultOperator(QueryParser::Operator::AND);
        parser->setQueryCollector(status->spanQueries());
        status->setQuery(parser->parse((exact ? QLatin1Char('"') + query + QLatin1Char('"') : query).toStdWString()));
        status->spanQueries()->init(settings->scope(), reader, [] {});
        results = FTSearchResults::create(status);
        return results;
    }

    // One hit at (entity, text) of section 201.1.
    std::shared_ptr<SRItem> hit(unsigned long long entity, unsigned long long text, unsigned id = 1)
    {
        if (!srBook) {
            srBook = std::make_shared<FTSRBook>(status, 201);
            srSection = std::make_shared<FTSRSection>(srBook, QStringLiteral("201.1"));
            srBook->addSection(srSection);
        }
        const auto srEntity = std::make_shared<FTSREntity>(entity);
        srSection->addEntity(srEntity);
        auto item = std::make_shared<FTSRItem>(srSection, srEntity, text, id, 1.0);
        srEntity->addItem(item);
        return item;
    }

    void TearDown() override
    {
        setBookTextCipher(nullptr);
        CatalogLibrary::TearDown();
    }

    CipherKeyPair keys;
    std::shared_ptr<HTMLCreator> creator = std::make_shared<HTMLCreator>();
    std::shared_ptr<BookSection> sectionRecord;
    std::shared_ptr<BookPart> partRecord;
    std::shared_ptr<FTSearchStatus> status;
    std::shared_ptr<FTSearchResults> results;
    std::shared_ptr<FTSRBook> srBook;
    std::shared_ptr<FTSRSection> srSection;
};

// An excerpt of `before` letters, then a marked word, then letters up to
// `length`.
QString excerptWithMark(int before, int length, const QString& filler = QStringLiteral("a"))
{
    QString body = filler.repeated(before) + kMark + QStringLiteral("word</mark>");
    return body + filler.repeated(length - body.size());
}

TEST(ExcerptCut, CutsAtTagBoundariesAndClosesAnOpenMark)
{
    const QString plain800 = QString(800, QLatin1Char('x'));
    const QString cutInsideMark =
        QString(500, QLatin1Char('y')) + kMark + QString(300, QLatin1Char('z')) + QStringLiteral("</mark>tail");
    struct Case
    {
        const char* name;
        QString body;
        QString expected;
    };
    const Case cases[] = {
        {"no fragment", QString(), QStringLiteral("...")},
        {"short stays whole", QStringLiteral("...a <p>b</p>"), QStringLiteral("...a b...")},
        {"mark at 595 cuts before it", excerptWithMark(595, 800),
         QString(595, QLatin1Char('a')) + QStringLiteral("...")},
        {"no tag in the window cuts at 600", plain800, QString(600, QLatin1Char('x')) + QStringLiteral("...")},
        {"cut inside a mark closes it", cutInsideMark,
         cutInsideMark.left(600) + QStringLiteral("</mark>...")},
        {"a tag ending in the window cuts after it",
         QString(585, QLatin1Char('q')) + QStringLiteral("<mark class=\"highlight\">w</mark>") + QString(200, QLatin1Char('q')),
         QString(585, QLatin1Char('q')) + QStringLiteral("<mark class=\"highlight\"></mark>...")},
        {"library markup goes", QStringLiteral("<div class=\"x\"><i>a</i><br>b</div>"), QStringLiteral("ab...")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(srhighlight::finishExcerpt(c.body), c.expected) << c.name;
}

TEST(ExcerptCut, NeverSplitsASurrogatePair)
{
    // U+1D11E (two UTF-16 units) at units 599 and 600: the cut at 600 would
    // split it.
    const QString clef = QString::fromUcs4(U"\U0001D11E");
    const QString body = QString(599, QLatin1Char('a')) + clef + QString(300, QLatin1Char('b'));
    const QString cut = srhighlight::finishExcerpt(body);
    EXPECT_EQ(cut, QString(599, QLatin1Char('a')) + QStringLiteral("..."));
    // Before it the cut stays at 600 units.
    const QString early = clef + QString(900, QLatin1Char('c'));
    EXPECT_EQ(srhighlight::finishExcerpt(early).size(), 603);
}

TEST(SRPageStateRecord, AssignMovesThePageAndCurrentPageNeedsOne)
{
    SRPageState from;
    from.page = std::make_shared<SRPage>(std::make_shared<HTMLCreator>(), 1, nullptr);
    from.focusElementId = QStringLiteral("12");
    from.focusOffset = 40;
    SRPageState to;
    to.page = std::make_shared<SRPage>(std::make_shared<HTMLCreator>(), 2, nullptr);
    searchPageStateAssign(from, to);
    EXPECT_EQ(to.page, nullptr);
    EXPECT_EQ(to.savedPage, from.page);
    EXPECT_EQ(to.focusElementId, QStringLiteral("12"));
    EXPECT_EQ(to.focusOffset, 40);
    EXPECT_TRUE(hasSavedPage(to));
    EXPECT_EQ(searchPageStateCurrentPage(to), from.page);

    searchPageStateClear(to);
    EXPECT_TRUE(searchPageStateIsEmpty(to));
    try {
        searchPageStateCurrentPage(to);
        FAIL() << "no page";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "ERROR 0x55412365");
    }
    EXPECT_THROW(searchPageStateNewPage(to, 3, nullptr), Exception);
}

TEST_F(SearchPagesTest, SortBarLinksTheOtherSortsAndAnEmptyPageHasAnEmptyContentBlock)
{
    auto settings = std::make_shared<FTSearchSettings>(kRu);
    settings->setQuery(QStringLiteral("лес"));
    settings->setSort(C::ByCatalog);
    UrlCreatorImpl url;
    url.setSearchSettings(settings);
    url.setTabId(int(kTab));
    const QString page = QString::fromUtf8(creator->getFTSearchResultsPage(url, nullptr));

    UrlCreatorImpl byRelevance = url;
    byRelevance.setSort(C::ByRelevance);
    UrlCreatorImpl byMatch = url;
    byMatch.setSort(C::ByMatch);
    const QString bar = QStringLiteral("<div class=\"flex search-sort\">Сортировать по:&nbsp;<a href=\"") +
                        byRelevance.toString().toHtmlEscaped() +
                        QStringLiteral("\" class=\"search-sort-no-active\">релевантности</a>&nbsp;|&nbsp;"
                                       "<a aria-current=\"true\">каталогу</a>&nbsp;|&nbsp;<a href=\"") +
                        byMatch.toString().toHtmlEscaped() +
                        QStringLiteral("\" class=\"search-sort-no-active\">совпадениям</a></div>"
                                       "<div id=\"content\">\n</div>\n</div>\n</body>\n</html>\n");
    EXPECT_TRUE(page.endsWith(bar)) << page.toStdString();
    EXPECT_TRUE(byMatch.toString().contains(QStringLiteral("tabId=7")));

    try {
        creator->getFTSearchResultsPage(UrlCreatorImpl(), nullptr);
        FAIL() << "no settings";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "ERROR 0x77492350");
    }
}

TEST_F(SearchPagesTest, ItemsCarryTheirIdHiddenFlagAndEscapedBookName)
{
    search(QStringLiteral("лес"));
    const auto page = SRPage::create(creator, kTab, results);
    const auto first = hit(1, 0, 11);
    const auto second = hit(1, 1, 12);
    page->appendItem(first, false);
    const QString hidden = page->appendItem(second, true).html;
    EXPECT_TRUE(hidden.startsWith(QStringLiteral("<div id=\"12\" class=\"hide\"><a href=\""))) << hidden.toStdString();
    EXPECT_TRUE(hidden.contains(QStringLiteral("<h2 class=\"search-item-title\">Книга &lt;i&gt; &amp; «Рамаяна»</h2>")));
    EXPECT_TRUE(page->items()[0].html.startsWith(QStringLiteral("<div id=\"11\"><a href=\"")));
    EXPECT_TRUE(page->items()[0].html.contains(QStringLiteral("tabId=7")));

    const QString served = QString::fromUtf8(creator->getFTSearchResultsPage(
        [&] {
            UrlCreatorImpl url;
            url.setSearchSettings(status->settings());
            return url;
        }(),
        page));
    EXPECT_TRUE(served.contains(page->items()[0].html + page->items()[1].html));

    // Another tab: links and hidden flags made anew, the saved page dropped.
    auto mask = std::make_shared<tarnolix::HiddenSearchResults>(12);
    mask->bitMaskSet(11, true);
    SRPageState state;
    state.page = page;
    SRPageState copy;
    searchPageStateAssign(state, copy);
    searchPageStateNewPage(copy, 9, mask);
    EXPECT_EQ(copy.savedPage, nullptr);
    ASSERT_NE(copy.page, nullptr);
    const auto& again = copy.page->items();
    EXPECT_TRUE(again[0].html.startsWith(QStringLiteral("<div id=\"11\" class=\"hide\">")));
    EXPECT_TRUE(again[1].html.startsWith(QStringLiteral("<div id=\"12\"><a")));
    EXPECT_TRUE(again[0].html.contains(QStringLiteral("tabId=9")));
    EXPECT_FALSE(again[0].html.contains(QStringLiteral("tabId=7")));
    EXPECT_TRUE(again[0].utf8.isEmpty());

    // The same tab again after the reader hid a hit: the page is rendered
    // anew with the mask for its own tab, while the one that may still be
    // served keeps its HTML.
    SRPageState same;
    same.page = page;
    searchPageStateRenderAgain(same, mask);
    ASSERT_NE(same.page, page);
    EXPECT_TRUE(same.page->items()[0].html.startsWith(QStringLiteral("<div id=\"11\" class=\"hide\">")));
    EXPECT_TRUE(same.page->items()[0].html.contains(QStringLiteral("tabId=7")));
    EXPECT_TRUE(same.page->items()[1].html.startsWith(QStringLiteral("<div id=\"12\"><a")));
    EXPECT_TRUE(page->items()[0].html.startsWith(QStringLiteral("<div id=\"11\"><a")));
}

TEST_F(SearchPagesTest, ExcerptsMarkStemmedFormsOnceAndATitleHitMarksThePath)
{
    // "лес" and the exact phrase "лесах" match the same word in two fields.
    search(QStringLiteral("лес \"лесах\""));
    auto settings = makeHTMLCreatorSRSettings(kTab, results);
    QString path;
    QString body;
    const auto titleHit = hit(0, 0);
    creator->getSRItemTexts(*titleHit, *settings, path, body);
    EXPECT_TRUE(path.contains(kMark)) << path.toStdString();
    EXPECT_TRUE(body.startsWith(QStringLiteral("...Слово о ") + kMark + QStringLiteral("лесах</mark>\n\nПервый")))
        << body.toStdString();
    // Each "лесах" once, though both fields matched it.
    EXPECT_EQ(countOf(body, kMark), 2) << body.toStdString();
    EXPECT_FALSE(body.contains(kMark + kMark));

    // A stemmed form: "Лес" in the second paragraph.
    creator->getSRItemTexts(*hit(1, 0), *settings, path, body);
    EXPECT_EQ(body, QStringLiteral("...") + kMark + QStringLiteral("Лес</mark> шумит, река течёт....")) << body.toStdString();
    EXPECT_FALSE(path.contains(kMark));

    // No fragment: only the dots.
    creator->getSRItemTexts(*hit(1, 1), *settings, path, body);
    EXPECT_EQ(body, QStringLiteral("..."));
}

TEST_F(SearchPagesTest, AWholeSectionRecordsEveryMarkItHolds)
{
    search(QStringLiteral("лес"));
    auto settings = makeHTMLCreatorSRSettings(kTab, results);
    BookSectionItem item{sectionRecord, partRecord, 0};
    HighlightedSectionMarks marks;
    const auto book = db->selectBookInfo(201, kRu);
    const QString html = creator->getBookSectionHighlighted(book, item, nullptr, *settings, marks);
    EXPECT_EQ(marks.title, 1);
    EXPECT_EQ(marks.paragraphs, (std::vector<std::vector<int>>{{1}, {1, 0}}));
    EXPECT_EQ(marks.total, 3u);
    EXPECT_EQ(countOf(html, kMark), int(marks.total));
    // The library's own markup stays around the mark, a text without hits
    // stays as it was.
    EXPECT_TRUE(html.contains(QStringLiteral("<b>") + kMark + QStringLiteral("лесах</mark></b>"))) << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("Без совпадений здесь.")));
}

TEST_F(SearchPagesTest, TheOpenBookRecordsTheMarksOfSectionsWithHits)
{
    search(QStringLiteral("лес"));
    hit(1, 0);
    srSection->setBookSection(sectionRecord);
    const FindTextHelper hits(nullptr, srBook);
    auto settings = makeHTMLCreatorSRSettings(kTab, results);
    const auto book = db->selectBookInfo(201, kRu);

    const QString html =
        buildHighlightedSection(*creator, book, BookSectionItem{sectionRecord, partRecord, 0}, nullptr, *settings, hits);
    EXPECT_EQ(countOf(html, kMark), 3);
    const auto record = hits.getSection(QStringLiteral("201.1"));
    EXPECT_EQ(record->markCount(), 3u);
    EXPECT_EQ(record->markCountsPerHit(), (std::vector<std::vector<int>>{{1}, {1, 0}}));

    // A section without hits is built plain.
    auto other = std::make_shared<BookSection>(*sectionRecord);
    other->code = QStringLiteral("201.2");
    const QString plain =
        buildHighlightedSection(*creator, book, BookSectionItem{other, partRecord, 1}, nullptr, *settings, hits);
    EXPECT_EQ(countOf(plain, kMark), 0);
    EXPECT_TRUE(plain.contains(QStringLiteral("Лес шумит")));
}

TEST_F(SearchPagesTest, TheOpenBookTakesTheHighlightingOfTheShownResultsPage)
{
    search(QStringLiteral("лес"));
    hit(1, 0);
    srSection->setBookSection(sectionRecord);
    services.creator = creator;
    FTSearchData data(nullptr);
    data.setSearchResults(results);
    const auto page = SRPage::create(creator, kTab, results);
    data.searchPageState()->savedPage = page;

    HighlightedSectionRequest request;
    request.bookInfo = db->selectBookInfo(201, kRu);
    request.item = BookSectionItem{sectionRecord, partRecord, 0};
    request.searchData = &data;
    request.findTextHelper = std::make_shared<FindTextHelper>(nullptr, srBook);
    EXPECT_EQ(countOf(buildHighlightedSection(request), kMark), 3);
    // The page's own highlighter served it.
    EXPECT_NE(page->settings()->highlighters->wholeText, nullptr);
    EXPECT_EQ(request.findTextHelper->getSection(QStringLiteral("201.1"))->markCount(), 3u);

    // An in-book search has no results page: its own highlighting.
    searchPageStateClear(*data.searchPageState());
    EXPECT_EQ(countOf(buildHighlightedSection(request), kMark), 3);
    // No hit index: plain.
    request.findTextHelper.reset();
    EXPECT_EQ(countOf(buildHighlightedSection(request), kMark), 0);
}

TEST_F(SearchPagesTest, MarksStayInPlaceAfterACharacterOutsideTheBMP)
{
    search(QStringLiteral("лес"));
    auto settings = makeHTMLCreatorSRSettings(kTab, results);
    const QString clef = QString::fromUcs4(U"\U0001D11E");
    auto fragments = Lucene::Collection<Lucene::TextFragmentPtr>::newInstance();
    std::wstring marked;
    creator->highlightText(clef + QStringLiteral(" <b>лесах</b> ") + clef + QStringLiteral(" лес"), fragments,
                           false, settings->fragmentHighlighter(), *settings, marked);
    int count = 0;
    EXPECT_EQ(markedTextToQString(marked, count), clef + QStringLiteral(" <b>") + kMark +
                                                      QStringLiteral("лесах</mark></b> ") + clef + QLatin1Char(' ') +
                                                      kMark + QStringLiteral("лес</mark>"));
    EXPECT_EQ(count, 2);
}

TEST_F(SearchPagesTest, HighlightingRefusesWhatItCannotServe)
{
    search(QStringLiteral("лес"));
    const auto expectError = [](const auto& call, const char* text) {
        try {
            call();
            ADD_FAILURE() << "no error, expected " << text;
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), text);
        }
    };
    auto noAnalyzerStatus = std::make_shared<FTSearchStatus>(status->ftSettings(), nullptr);
    expectError([&] { makeHTMLCreatorSRSettings(kTab, FTSearchResults::create(noAnalyzerStatus)); },
                "ERROR 0x58852132");

    auto settings = makeHTMLCreatorSRSettings(kTab, results);
    auto collection = Lucene::Collection<Lucene::TextFragmentPtr>::newInstance();
    std::wstring marked;
    settings->analyzer.reset();
    expectError([&] { creator->highlightText(QStringLiteral("лес"), collection, true, settings->fragmentHighlighter(), *settings, marked); },
                "ERROR 0x77896521");

    struct OtherResults : SearchResults2
    {
        C::SearchType searchType() const override { return C::WordByWord; }
    };
    auto other = makeHTMLCreatorSRSettings(kTab, std::make_shared<OtherResults>());
    expectError([&] { creator->highlightText(QStringLiteral("лес"), collection, true, nullptr, *other, marked); },
                "ERROR 0x85462135");
    expectError([&] { other->fragmentHighlighter(); }, "ERROR 0x85462134");
}

} // namespace
