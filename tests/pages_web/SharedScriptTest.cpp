// The shared page script ("myscript.js"), injected as the tab's view injects it.
#include "tests/pages_web/WebPage.h"

#include "pages/UrlCreatorImpl.h"

#include <QMetaEnum>
#include <QVariantMap>

#include <gtest/gtest.h>

using namespace tarnolix::test;

namespace {

// A fresh URL each time, so every test loads its own document.
bool openSearchPage(const QByteArray& content = {}, const QByteArray& colorClass = "light")
{
    static int tab = 300;
    FrameOptions options;
    options.colorClass = colorClass;
    return WebPage::instance().open(QUrl(QStringLiteral("tarnolix://ftsearch.ru/?query=x&tabId=%1").arg(++tab)),
                                    pageDocument(options, content));
}

// Five rows of `rowClass`, the last two hidden, and the pair of buttons
// under them, as the author match block and the cover page write them.
QByteArray bookRows(const QByteArray& rowClass, const QByteArray& expandCall, const QByteArray& collapseCall)
{
    QByteArray rows = "<div>";
    for (int i = 1; i <= 5; ++i)
        rows += "<div class=\"flex " + rowClass + QByteArray(i > 3 ? " hide" : "") + "\">Book " +
                QByteArray::number(i) + "</div>";
    rows += "</div><div><div><button type=\"button\" data-button-type=\"expand\" class=\"link\" onclick=\"" +
            expandCall + "\">Смотреть весь список</button></div><div><button type=\"button\" "
            "data-button-type=\"collapse\" class=\"link hide\" onclick=\"" + collapseCall +
            "\">Свернуть</button></div></div>";
    return rows;
}

// "v" or "h" for each row of `rowClass` and each button, in page order.
QString rowsState(const QString& rowClass)
{
    return scriptText("Array.prototype.map.call(document.querySelectorAll('." + rowClass + ", button'), "
                      "function (e) { return e.classList.contains('hide') ? 'h' : 'v'; }).join('')");
}

} // namespace

TEST(SharedScript, ConnectsToTheTabsChannelAndShowsThePageOnce)
{
    WebPage& page = WebPage::instance();
    ASSERT_TRUE(openSearchPage());
    EXPECT_EQ(scriptText("typeof htmlToElement + typeof g_tabWebChannel.showFootNote"), "functionfunction");
    EXPECT_EQ(scriptText("getContentInnerElement().className"), "invisible content-inner light");
    EXPECT_EQ(scriptText("getComputedStyle(getContentInnerElement()).opacity"), "0");

    page.run("showPage()");
    EXPECT_EQ(scriptText("getContentInnerElement().className"), "content-inner light");
    EXPECT_EQ(scriptText("getComputedStyle(getContentInnerElement()).opacity"), "1");
    EXPECT_FALSE(page.consoleHas("div.invisible not found!"));
    page.run("showPage()");
    EXPECT_TRUE(page.consoleHas("warning: div.invisible not found!")) << page.console().join('\n').toStdString();

    page.run("showPageDelay(100)");
    EXPECT_TRUE(page.waitFor("document.querySelector('div.invisible') === null"));
}

TEST(SharedScript, ColourModeAndVersePartClassesOnThePageElement)
{
    WebPage& page = WebPage::instance();
    ASSERT_TRUE(openSearchPage());
    page.run("setColorMode('dark')");
    EXPECT_EQ(scriptText("getContentInnerElement().className"), "invisible content-inner dark");
    page.run("setColorMode('mixed'); setColorMode('mixed')");
    EXPECT_EQ(scriptText("getContentInnerElement().className"), "invisible content-inner mixed");

    page.run("hideContent('hide-comment')");
    EXPECT_EQ(scriptText("getContentInnerElement().className"), "invisible content-inner mixed hide-comment");
    page.run("showContent('hide-comment')");
    EXPECT_EQ(scriptText("getContentInnerElement().className"), "invisible content-inner mixed");
}

TEST(SharedScript, ContentIsFilledClearedAndItsElementsHiddenById)
{
    WebPage& page = WebPage::instance();
    ASSERT_TRUE(openSearchPage("<div id=\"r2\">two</div>\n"));
    page.run("appendContent('  <div id=\"r3\">three</div>  '); prependContent('<div id=\"r1\">one</div>')");
    EXPECT_EQ(scriptText("Array.prototype.map.call(getContentElement().children, function (e) { return e.id; }).join()"),
              "r1,r2,r3");

    page.run("hideElements(['r1', 'missing', 'r3'])");
    EXPECT_EQ(scriptText("document.querySelectorAll('.hide').length + ':' + getComputedStyle(r1).display"), "2:none");
    page.run("showElements(['r3'])");
    EXPECT_EQ(scriptText("r1.className + '|' + r3.className"), "hide|");

    page.run("clearContent()");
    EXPECT_EQ(page.run("getContentElement().childNodes.length").toInt(), 0);
}

TEST(SharedScript, ScrollPositionOfAResultsPageIsRestoredOnTheSameElement)
{
    WebPage& page = WebPage::instance();
    QByteArray items;
    for (int i = 0; i < 40; ++i)
        items += "<div id=\"item" + QByteArray::number(i) + "\" style=\"height: 90px\"><p>result " +
                 QByteArray::number(i) + "</p></div>";
    ASSERT_TRUE(openSearchPage(items));
    page.run("showPage(); window.scrollTo(0, 1000)");
    const QVariantMap position = page.run("getElementScrollPosition()").toMap();
    ASSERT_TRUE(position.contains("id"));
    const QString id = position.value("id").toString();
    const double yOffset = position.value("yOffset").toDouble();

    page.run("window.scrollTo(0, 0)");
    page.run(QStringLiteral("restoreElementScrollPosition('%1', %2)").arg(id).arg(yOffset));
    EXPECT_NEAR(page.run(QStringLiteral("document.getElementById('%1').getBoundingClientRect().top").arg(id)).toDouble(),
                yOffset, 1.0);

    page.run("restoreElementScrollPosition('nothing', 0)");
    EXPECT_TRUE(page.consoleHas("error: restoreElementScrollPosition: Element not found"));

    // The book mode switch: the element at the centre returns to its place.
    page.run("window.scrollTo(0, 700); saveScrollPosition()");
    const double centreTop = page.run("g_savedScrollPosition.rect.top").toDouble();
    page.run("window.scrollTo(0, 0); restoreScrollPosition()");
    EXPECT_NEAR(page.run("g_savedScrollPosition.element.getBoundingClientRect().top").toDouble(), centreTop, 1.0);
    page.run("removeSavedScrollPosition(); restoreScrollPosition()");
    EXPECT_TRUE(page.consoleHas("warning: g_savedScrollPosition = 0"));
}

TEST(SharedScript, BookRowsCollapseFromTheFourthAndSwapTheButtons)
{
    WebPage& page = WebPage::instance();

    // An author match block, by its id.
    ASSERT_TRUE(openSearchPage("<div id=\"authorMatch7\"><div class=\"author-books\"><div>" +
                               bookRows("author-book-item", "authorMatchExpandBooks('authorMatch7')",
                                        "authorMatchCollapseBooks('authorMatch7')") +
                               "</div></div></div>"));
    page.run("document.querySelector('[data-button-type=expand]').click()");
    EXPECT_EQ(rowsState("author-book-item"), "vvvvvhv");
    page.run("authorMatchCollapseBooks('authorMatch7')");
    EXPECT_EQ(rowsState("author-book-item"), "vvvhhvh");
    EXPECT_FALSE(page.consoleHas("Ожидалось"));

    page.run("authorMatchExpandBooks('authorMatch8')");
    EXPECT_TRUE(page.consoleHas("error: Error 0x85796512"));
    page.run("document.querySelector('[data-button-type=collapse]').setAttribute('data-button-type', 'other');"
             "authorMatchExpandBooks('authorMatch7')");
    EXPECT_TRUE(page.consoleHas("warning: Неизвестный тип кнопки"));

    // The cover page's related books, over the whole document, with the
    // page's own script.
    FrameOptions options;
    options.scripts = {"coverbook.js"};
    ASSERT_TRUE(page.open(QUrl(QStringLiteral("tarnolix://openbookcover.ru/Book-5?tabId=9")),
                          pageDocument(options, "<div class=\"page cover-book\"><div class=\"cover-book-section\">" +
                                                    bookRows("cover-book-book-item", "coverBookExpandBooks()",
                                                             "coverBookCollapseBooks()") +
                                                    "</div></div>")));
    EXPECT_EQ(rowsState("cover-book-book-item"), "vvvhhvh");
    page.run("document.querySelector('[data-button-type=expand]').click()");
    EXPECT_EQ(rowsState("cover-book-book-item"), "vvvvvhv");
    page.run("document.querySelector('[data-button-type=collapse]').click()");
    EXPECT_EQ(rowsState("cover-book-book-item"), "vvvhhvh");
    EXPECT_FALSE(page.consoleHas("Ожидалось"));
}

TEST(SharedScript, ShortNameLanguageButtonCyclesThroughTheVariants)
{
    WebPage& page = WebPage::instance();
    const QByteArray script =
        "var array = [ { text: 'Показать на английском языке', language: 'ru' }, "
        "{ text: 'Показать на санскрите', language: 'en' }, { text: 'Показать на русском языке', language: 'st' } ];\n"
        "shortNameMatchAnyLangClicked(array, this, 'shortNameMatchx');";
    const QByteArray block =
        "<div class=\"search-priority-book-section priority-results\" id=\"shortNameMatchx\">"
        "<div class=\"short-name-match-content\">"
        "<div class=\"short-name-match-content-inner\" data-language=\"ru\">ru</div>"
        "<div class=\"short-name-match-content-inner hide\" data-language=\"en\">en</div>"
        "<div class=\"short-name-match-content-inner hide\" data-language=\"st\">st</div>"
        "<button type=\"button\" class=\"link dashed switch-content-language-button\" data-current-index=\"0\" "
        "onclick=\"" + script + "\">Показать на английском языке</button></div></div>";
    ASSERT_TRUE(openSearchPage(block));
    const QString shown = "Array.prototype.filter.call(document.querySelectorAll('.short-name-match-content-inner'), "
                          "function (e) { return getComputedStyle(e).display !== 'none'; })"
                          ".map(function (e) { return e.textContent; }).join() + '|' + "
                          "document.querySelector('button').textContent";
    const char* const expected[] = {"en|Показать на санскрите", "st|Показать на русском языке",
                                    "ru|Показать на английском языке"};
    for (const char* after : expected) {
        page.run("document.querySelector('button').click()");
        EXPECT_EQ(scriptText(shown), QString::fromUtf8(after));
    }

    page.run("var b = document.createElement('button'); var variants = [ { text: 'x', language: 'ru' } ];"
             "shortNameMatchAnyLangClicked(variants, b, 'none')");
    EXPECT_TRUE(page.consoleHas("error: Error 0x85794112"));
    page.run("appendContent('<div id=\"empty\"></div>'); shortNameMatchAnyLangClicked(variants, b, 'empty')");
    EXPECT_TRUE(page.consoleHas("error: Error 0x85794111"));
}

TEST(SharedScript, UrlTwinWritesAndReadsItemPathUrls)
{
    WebPage& page = WebPage::instance();
    ASSERT_TRUE(openSearchPage());
    EXPECT_EQ(scriptText("var u = new UrlCreator(); u.queryType = QueryType.OpenBookSlug; u.language = Language.Russian;"
                   "u.addItemPath(CatalogItemType.Book, 'abc'); u.addItemPath(CatalogItemType.Section, '3.1');"
                   "u.findInAnotherLanguageIfNotExists = true; u.toUrl()"),
              "tarnolix://openbookslug.ru/Book-abc/Section-3.1?findInAnotherLanguageIfNotExists=1");

    // Every key in order, a Cyrillic letter percent-encoded, and back again.
    EXPECT_EQ(scriptText("var u = new UrlCreator(); u.queryType = QueryType.OpenBook; u.language = Language.English;"
                   "u.catalogTab = CatalogTab.Names; u.searchId = 5; u.tabId = 4;"
                   "u.addItemPath(CatalogItemType.Letter, 'Б'); u.addItemPath(CatalogItemType.Book, 12);"
                   "u.addItemPath(CatalogItemType.Section, '3.1.7'); u.toUrl()"),
              "tarnolix://openbook.en/Letter-%D0%91/Book-12/Section-3.1.7?catalogTab=Names&searchId=5&tabId=4");
    EXPECT_EQ(scriptText("var v = new UrlCreator(); [v.fromUrl(u.toUrl()), JSON.stringify(v)].join(' ')"),
              "true {\"queryType\":\"openbook\",\"language\":\"en\",\"catalogTab\":\"Names\",\"searchId\":5,"
              "\"tabId\":4,\"findInAnotherLanguageIfNotExists\":false,\"itemPath\":[{\"type\":\"Letter\",\"id\":\"Б\"},"
              "{\"type\":\"Book\",\"id\":12},{\"type\":\"Section\",\"id\":\"3.1.7\"}]}");
    EXPECT_EQ(scriptText("[v.getBookId(), v.getSectionCode(), v.getAuthorId(), v.isValid()].join()"), "12,3.1.7,,true");

    // In slug form every value is text; unknown keys and parts without "-" are skipped with a warning.
    EXPECT_EQ(scriptText("var s = new UrlCreator(); s.fromUrl('tarnolix://openbookslug.ru/Book-12/Section-1%202/Bad?x=1"
                   "&findInAnotherLanguageIfNotExists=2'); JSON.stringify([s.itemPath, s.findInAnotherLanguageIfNotExists])"),
              "[[{\"type\":\"Book\",\"id\":\"12\"},{\"type\":\"Section\",\"id\":\"1 2\"}],true]");
    EXPECT_TRUE(page.consoleHas("warning: fromUrl: ERROR 0x86549752"));
    EXPECT_TRUE(page.consoleHas("warning: fromUrl: Unknown parameter: x"));

    // Failures log their reason and leave the object cleared.
    struct Case
    {
        const char* url;
        const char* error;
    } cases[] = {{"qrc:/web/js/book.js", "Invalid protocol"},
                 {"tarnolix://openbook/Book-1", "Parse url error 0x87896546"}};
    for (const Case& c : cases) {
        page.clearConsole();
        EXPECT_EQ(scriptText(QStringLiteral("var f = new UrlCreator(); f.queryType = 'openbook'; f.addItemPath('Book', 1);"
                                      "[f.fromUrl('%1'), JSON.stringify(f)].join(' ')").arg(c.url)),
                  "false {\"queryType\":\"\",\"language\":\"\",\"catalogTab\":\"\",\"searchId\":0,\"tabId\":0,"
                  "\"findInAnotherLanguageIfNotExists\":false,\"itemPath\":[]}")
            << c.url;
        EXPECT_TRUE(page.consoleHas(QStringLiteral("error: ") + c.error)) << c.url;
    }
    page.clearConsole();
    EXPECT_EQ(scriptText("new UrlCreator().toUrl()"), "");
    EXPECT_TRUE(page.consoleHas("error: Invalid UrlCreator"));
    EXPECT_EQ(scriptText("[QueryType.GlossarySearch, QueryType.FavoritesSearch, Object.isFrozen(QueryType)].join()"),
              "glossarySearch,favoritesSearch,true");
}

// The twin and the program's URL model read each other's URLs alike.
TEST(SharedScript, UrlTwinAndTheProgramsUrlModelAgree)
{
    ASSERT_TRUE(openSearchPage());
    struct Case
    {
        const char* twin; // statements on a fresh UrlCreator u
        UrlCreator::QueryType kind;
        const char* language;
    } cases[] = {
        {"u.queryType = QueryType.OpenBookSlug; u.language = Language.Russian; u.addItemPath('Book', 'abc');"
         "u.addItemPath('Section', '3.1'); u.findInAnotherLanguageIfNotExists = true;",
         UrlCreator::OpenBookSlug, "ru"},
        {"u.queryType = QueryType.OpenBook; u.language = Language.English; u.catalogTab = CatalogTab.Names;"
         "u.searchId = 5; u.tabId = 4; u.addItemPath('Letter', 'Б'); u.addItemPath('Book', 12); u.addItemPath('Section', '3.1.7');",
         UrlCreator::OpenBook, "en"},
        {"u.queryType = QueryType.Favorites; u.language = Language.Sanskrit; u.catalogTab = CatalogTab.AllFavorites;"
         "u.addItemPath('FavoriteFolder', '6f1c3a52-59d4-4b4e-9d0e-0a3b5c7d9e11');",
         UrlCreator::Favorites, "st"},
        {"u.queryType = QueryType.GlossarySearch; u.language = Language.English;", UrlCreator::GlossarySearch, "en"},
        {"u.queryType = QueryType.FavoritesSearch; u.language = Language.Russian;", UrlCreator::FavoritesSearch, "ru"},
    };
    for (const Case& c : cases) {
        const QString twinUrl = scriptText(QStringLiteral("var u = new UrlCreator(); %1 u.toUrl()").arg(c.twin));
        // The host as URL parsers read it is the program's host word of the kind.
        EXPECT_EQ(QUrl(twinUrl).host(),
                  QString::fromLatin1(QMetaEnum::fromType<UrlCreator::QueryType>().valueToKey(c.kind)).toLower() + "." +
                      c.language);
        if (c.kind == UrlCreator::GlossarySearch || c.kind == UrlCreator::FavoritesSearch)
            continue; // the twin writes no search settings: nothing more to read
        const UrlCreatorImpl parsed = UrlCreatorImpl::fromUrl(QUrl(twinUrl));
        EXPECT_EQ(parsed.queryType(), c.kind) << twinUrl.toStdString();
        EXPECT_EQ(parsed.findInAnotherLanguageIfNotExists(), scriptText("String(u.findInAnotherLanguageIfNotExists)") == "true");
        EXPECT_EQ(parsed.getSectionCode(), scriptText("u.getSectionCode() || ''"));
        // The program's URL of the same request reads back into the same twin fields.
        EXPECT_EQ(scriptText(QStringLiteral("var v = new UrlCreator(); v.fromUrl(%1); JSON.stringify(v) === JSON.stringify(u)")
                                 .arg(jsString(parsed.toUrl().toString(QUrl::FullyEncoded)))),
                  "true")
            << twinUrl.toStdString() << " / " << parsed.toUrl().toString().toStdString();
    }
}
