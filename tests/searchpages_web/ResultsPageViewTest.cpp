// A full-text search run on a search thread over the writer thread's index,
// its results page and one of its sections opened with the hits marked, as
// a web view shows them with the program's style sheets.
#include "pages/HTMLCreator.h"
#include "pages/UrlCreatorImpl.h"
#include "search/searchers/SearchUrlRegistration.h"
#include "searchpages/SRPage.h"
#include "tests/pages_web/WebPage.h"
#include "tests/search_run/SearchLibrary.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace tarnolix;
using namespace tarnolix::test;

namespace {

constexpr quint32 kTab = 3;

class ResultsPageViewTest : public SearchLibraryTest
{
};

TEST_F(ResultsPageViewTest, AResultsPageAndAHighlightedSectionShowTheirMarks)
{
    registerSearchUrlFamilies();
    FTSearchThread thread;
    thread.start();
    const auto settings = settingsFor(QStringLiteral("alpha"));
    const SearchRun run = runSearch(thread, settings);
    ASSERT_TRUE(run.results);
    ASSERT_GT(run.items, 0);

    const auto creator = std::make_shared<HTMLCreator>();
    const auto page = SRPage::create(creator, kTab, run.results);
    for (const auto& item : run.results->items()->items())
        page->appendItem(item, false);
    UrlCreatorImpl url;
    url.setSearchSettings(settings);
    url.setTabId(int(kTab));
    const QByteArray html = creator->getFTSearchResultsPage(url, page);

    WebPage& view = WebPage::instance();
    ASSERT_TRUE(view.open(QUrl(QStringLiteral("tarnolix://pages/results")), html));
    view.resize(900, 700);
    view.run(QStringLiteral("document.getElementById('page').classList.remove('invisible')"));
    // Every hit is an item with its marks, styled by the page's sheet.
    EXPECT_EQ(view.run(QStringLiteral("document.querySelectorAll('#content > div[id]').length")).toInt(), run.items);
    EXPECT_GT(view.run(QStringLiteral("document.querySelectorAll('.search-item-body mark.highlight').length")).toInt(),
              0);
    EXPECT_EQ(view.run(QStringLiteral("document.querySelector('a[aria-current]').textContent")).toString(),
              QStringLiteral("релевантности"));
    const QString sheetColour = view.run(QStringLiteral(
        "getComputedStyle(document.querySelector('mark.highlight')).backgroundColor")).toString();
    EXPECT_FALSE(sheetColour.isEmpty());
    const QString results = view.screenshot(QStringLiteral("searchpages_results"));
    EXPECT_FALSE(QImage(results).isNull());

    // Section 1.1.12 of book 1 with every hit of the search marked.
    const auto srBook = run.results->findBook(1);
    ASSERT_TRUE(srBook);
    std::shared_ptr<SRSection> srSection;
    for (const auto& section : srBook->sections()) {
        if (section->code() == QLatin1String("1.1.12"))
            srSection = section;
    }
    ASSERT_TRUE(srSection);
    BookSectionItem item{srSection->bookSection(), srSection->bookPart(), 1};
    HighlightedSectionMarks marks;
    const QString section =
        creator->getBookSectionHighlighted(srBook->bookInfo(), item, nullptr, *page->settings(), marks);
    EXPECT_EQ(marks.total, 4u); // "alpha" three times, then once
    QByteArray bookPage = creator->getBookPage();
    bookPage.replace("<div id=\"content\">\n", "<div id=\"content\">\n" + section.toUtf8());
    ASSERT_TRUE(view.open(QUrl(QStringLiteral("tarnolix://pages/section")), bookPage));
    view.run(QStringLiteral("document.getElementById('page').classList.remove('invisible')"));
    EXPECT_EQ(view.run(QStringLiteral("document.querySelectorAll('mark.highlight').length")).toInt(), 4);
    const QString shot = view.screenshot(QStringLiteral("searchpages_section"));
    EXPECT_FALSE(QImage(shot).isNull());
}

} // namespace
