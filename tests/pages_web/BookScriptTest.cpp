// The book page script ("book.js") on the reader page shell, filled with
// sections as the open-book page logic fills it.
#include "tests/pages_web/BookFixtures.h"

#include "tests/support/TestSupport.h"

#include <QJsonDocument>
#include <QQuickWindow>
#include <QTest>
#include <QVariantMap>

#include <gtest/gtest.h>

using namespace tarnolix::test;

TEST(BookScript, SectionsAreInsertedAtBothEndsAndIndexGapsAreLogged)
{
    WebPage& page = WebPage::instance();
    ASSERT_TRUE(openBookPage());
    EXPECT_FALSE(page.run("getSectionsRange()").isValid());
    EXPECT_EQ(appendSection(longSectionHtml("s1", 1)).toString(), "1");
    EXPECT_EQ(appendSection(longSectionHtml("s2", 2)).toString(), "2");
    EXPECT_EQ(prependSection(longSectionHtml("s0", 0)).toString(), "0");
    EXPECT_FALSE(page.consoleHas("CRITICAL ERROR"));

    EXPECT_EQ(appendSection(longSectionHtml("s5", 5)).toString(), "5");
    EXPECT_TRUE(page.consoleHas("error: CRITICAL ERROR 0x89631245: Book view corrupted"));
    EXPECT_EQ(prependSection(longSectionHtml("s7", 7)).toString(), "7");
    EXPECT_TRUE(page.consoleHas("error: CRITICAL ERROR 0x89631244: Book view corrupted(0, 7)"));
    EXPECT_EQ(scriptText("Array.prototype.map.call(getContentElement().children, function (e) { return e.id; }).join()"),
              "s7,s0,s1,s2,s5");
    EXPECT_EQ(page.run("getSectionsRange()").toMap(), (QVariantMap{{"start", 7}, {"end", 5}}));

    // Replacing keeps the place; a missing code or a fragment that is no section changes nothing.
    EXPECT_TRUE(page.run(QStringLiteral("replaceSection('s1', %1)").arg(jsString(verseSection(1, 1)))).toBool());
    EXPECT_EQ(scriptText("Array.prototype.map.call(getContentElement().children, function (e) { return e.id; }).join()"),
              "s7,s0,v1,s2,s5");
    EXPECT_FALSE(page.run(QStringLiteral("replaceSection('s1', %1)").arg(jsString(verseSection(2, 1)))).toBool());
    EXPECT_TRUE(page.consoleHas("info: Section not found"));
    EXPECT_FALSE(appendSection("<p>no section</p>").isValid());
    EXPECT_EQ(page.run("getContentElement().children.length").toInt(), 5);
}

TEST(BookScript, APrependedSectionLeavesTheTextOnScreenWhereItWas)
{
    WebPage& page = WebPage::instance();
    struct Case
    {
        double zoom;
        int scrollTop; // 0: the reader looks at the first section
    } cases[] = {{1.0, 0}, {1.0, 450}, {1.5, 0}, {1.5, 450}};
    for (const Case& c : cases) {
        ASSERT_TRUE(openBookPage("light", c.zoom));
        appendSection(longSectionHtml("s10", 10));
        appendSection(longSectionHtml("s11", 11));
        page.run(QStringLiteral("window.scrollTo(0, %1)").arg(c.scrollTop));
        const QString watched = "bookViewportRect(document.querySelectorAll('#s10 .paragraph')[2]).top";
        const double before = scriptNumber(watched);
        EXPECT_EQ(prependSection(longSectionHtml("s9", 9)).toString(), "9");
        EXPECT_NEAR(scriptNumber(watched), before, 1.0) << "zoom " << c.zoom << " at " << c.scrollTop;
        EXPECT_GT(scriptNumber("window.scrollY"), 400 + c.scrollTop) << "zoom " << c.zoom;
    }
}

TEST(BookScript, SearchHitsAreCentredByIndexAndTheLastOneByMinusOne)
{
    WebPage& page = WebPage::instance();
    ASSERT_TRUE(openBookPage());
    const QString hits = sectionHtml(
        "hits", 21, "Verse with hits",
        {{"paragraph--type-text", {}, "<mark class=\"highlight\">First</mark> hit. " + QString("Filler text. ").repeated(80)},
         {"paragraph--type-text", {}, "The <mark class=\"highlight\">second</mark> one. " + QString("More text. ").repeated(80)},
         {"paragraph--type-text", {}, "And the <mark class=\"highlight\">third</mark>. " + QString("Last text. ").repeated(80)}});
    appendSection(longSectionHtml("before", 20, 12));
    appendSection(hits);
    appendSection(longSectionHtml("after", 22, 12));

    EXPECT_TRUE(page.run("scrollToSearchResult('hits', -1) === document.querySelectorAll('#hits .highlight')[2]").toBool());
    const QVariantMap rect = page.run("var r = document.querySelectorAll('#hits .highlight')[2].getBoundingClientRect();"
                                      "({ centre: (r.top + r.bottom) / 2, view: window.innerHeight })").toMap();
    EXPECT_NEAR(rect.value("centre").toDouble(), rect.value("view").toDouble() / 2, 2.0);

    EXPECT_TRUE(page.run("scrollToSearchResult('hits', 5) === null").toBool());
    EXPECT_TRUE(page.consoleHas("warning: Element for scroll not found 5 3")) << page.console().join('\n').toStdString();
    page.clearConsole();
    EXPECT_TRUE(page.run("scrollToSearchResult('nowhere', 0) === null").toBool());
    EXPECT_TRUE(page.console().isEmpty());

    EXPECT_TRUE(page.run("showSearchResultInBook('hits', 0)").toBool());
    EXPECT_TRUE(page.run("showSearchResultInBook('hits', 1)").toBool());
    EXPECT_EQ(scriptText("Array.prototype.map.call(document.querySelectorAll('.current-highlight'), "
                   "function (e) { return e.textContent; }).join()"),
              "second");
    EXPECT_FALSE(page.run("showSearchResultInBook('hits', 3)").toBool());

    page.run("endSearchInBook()");
    EXPECT_EQ(page.run("document.querySelectorAll('.highlight').length").toInt(), 0);
    EXPECT_TRUE(scriptText("document.getElementById('hits').textContent").startsWith("Verse with hitsFirst hit. Filler"));
}

TEST(BookScript, TheSectionOfACentredHitStaysCurrentUntilTheReaderScrolls)
{
    WebPage& page = WebPage::instance();
    ASSERT_TRUE(openBookPage());
    appendSection(longSectionHtml("a", 30, 12));
    appendSection(sectionHtml("b", 31, "B",
                              {{"paragraph--type-text", {}, "<mark class=\"highlight\">hit</mark> " + QString("b text ").repeated(300)}}));
    appendSection(longSectionHtml("c", 32, 12));
    const QString sample = "JSON.stringify(getSectionCodeByCoords(window.innerWidth * 0.15, window.innerHeight * 0.15))";

    page.run("scrollToSearchResult('b', 0)");
    // The sampling point lies in the section before the hit's.
    EXPECT_EQ(scriptText("enclosingSection(document.elementFromPoint(window.innerWidth * 0.15, window.innerHeight * 0.15)).id"), "a");
    EXPECT_EQ(scriptText(sample), "{\"sectionCode\":\"b\",\"sectionIndex\":\"31\"}");
    page.run("window.scrollBy(0, 1)");
    EXPECT_EQ(scriptText(sample), "{\"sectionCode\":\"a\",\"sectionIndex\":\"30\"}");
    page.run("window.scrollBy(0, -1)");
    EXPECT_EQ(scriptText(sample), "{\"sectionCode\":\"a\",\"sectionIndex\":\"30\"}");

    EXPECT_TRUE(page.run("scrollToSection('c')").toBool());
    EXPECT_NEAR(scriptNumber("document.getElementById('c').getBoundingClientRect().top"), 0.0, 1.0);
    EXPECT_EQ(scriptText(sample), "{\"sectionCode\":\"c\",\"sectionIndex\":\"32\"}");
    EXPECT_FALSE(page.run("scrollToSection('missing')").toBool());
    // Outside every section (the page's padding) there is no section.
    page.run("window.scrollTo(0, 0); g_navigationSection = null");
    EXPECT_FALSE(page.run("getSectionCodeByCoords(2, 2)").isValid());
}

TEST(BookScript, SelectionsBecomeOffsetsIntoTheirSectionsHtml)
{
    WebPage& page = WebPage::instance();
    ASSERT_TRUE(openBookPage());
    appendSection(sectionHtml("sel1", 0, "One",
                              {{"paragraph--type-text", {}, "a&amp;b"},
                               {"paragraph--type-literary", "Translation:",
                                "Words <span id=\"favorite_u1_span_1\" class=\"favorite\">in a <i>fav</i>orite</span> "
                                "and &lt;more&gt; text x\U0001D538y."}}));
    page.run("getContentElement().appendChild(document.createTextNode('\\n'))");
    appendSection(sectionHtml("sel2", 1, "Two", {{"paragraph--type-text", {}, "second section"}}));
    page.run("getContentElement().appendChild(htmlToElement('<div id=\"stray\">stray text</div>'))");
    page.run("function textNode(selector, index) { var w = document.createTreeWalker(document.querySelector(selector), "
             "NodeFilter.SHOW_TEXT); for (var i = 0; i <= index; ++i) w.nextNode(); return w.currentNode; }"
             "function select(a, ao, b, bo) { var r = document.createRange(); r.setStart(a, ao); r.setEnd(b, bo);"
             " var s = window.getSelection(); s.removeAllRanges(); s.addRange(r); }"
             "function at(p, n) { return p.html.substr(p.offset, n); }");

    // After the ampersand: "&amp;" counts as five characters of the section's HTML.
    page.run("select(textNode('#sel1 .paragraph--type-text > div', 0), 2, textNode('#sel1 .paragraph--type-text > div', 0), 3);"
             "var r = getSelectionTextPosition()");
    EXPECT_EQ(scriptText("Object.keys(r).join() + '|' + Object.keys(r.startPosition).join()"),
              "startPosition,endPositon,selectedText|sectionCode,sectionIndex,html,offset");
    EXPECT_EQ(scriptText("[r.startPosition.sectionCode, r.startPosition.sectionIndex, r.selectedText].join()"), "sel1,0,b");
    EXPECT_EQ(scriptText("r.startPosition.html === document.getElementById('sel1').outerHTML"), "true");
    EXPECT_EQ(scriptText("at(r.startPosition, 1) + '|' + r.startPosition.html.substr(r.startPosition.offset - 6, 6) + '|' + "
                   "at(r.endPositon, 6)"),
              "b|a&amp;|</div>");

    // Inside a favourite after an inner element, and after an escaped "<".
    page.run("select(textNode('#sel1 .paragraph--type-literary', 4), 0, textNode('#sel1 .paragraph--type-literary', 5), 8);"
             "r = getSelectionTextPosition()");
    EXPECT_EQ(scriptText("r.selectedText + '|' + at(r.startPosition, 5) + '|' + at(r.endPositon, 2)"), "orite and <mo|orite|re");

    // A character outside the BMP counts two UTF-16 units.
    page.run("var t = textNode('#sel1 .paragraph--type-literary', 5); select(t, t.length - 2, t, t.length - 1);"
             "r = getSelectionTextPosition()");
    EXPECT_EQ(scriptText("at(r.startPosition, 2) + '|' + r.startPosition.html.substr(r.startPosition.offset - 3, 3)"),
              QString::fromUtf8("y.|x\U0001D538"));

    // From one section into the next, over the line break between them.
    page.run("select(textNode('#sel1 .paragraph--type-text > div', 0), 0, textNode('#sel2 .paragraph', 0), 6);"
             "r = getSelectionTextPosition()");
    EXPECT_EQ(scriptText("[r.startPosition.sectionCode, r.endPositon.sectionCode, at(r.startPosition, 1), "
                   "r.endPositon.html.substr(r.endPositon.offset - 6, 6)].join()"),
              "sel1,sel2,a,second");
    // Starting on the blank text between sections: the next section's first text starts it.
    page.run("select(document.getElementById('sel2').previousSibling, 0, textNode('#sel2 .paragraph', 0), 3);"
             "r = getSelectionTextPosition()");
    EXPECT_EQ(scriptText("r.startPosition.sectionCode + '|' + at(r.startPosition, 3)"), "sel2|Two");

    // Text outside every section that is not blank gives nothing; so does an empty selection.
    page.run("select(document.getElementById('stray').firstChild, 0, document.getElementById('stray').firstChild, 5)");
    EXPECT_FALSE(page.run("getSelectionTextPosition()").isValid());
    page.run("select(textNode('#sel2 .paragraph', 0), 3, document.getElementById('stray').firstChild, 5)");
    EXPECT_FALSE(page.run("getSelectionTextPosition()").isValid());
    page.run("var n = textNode('#sel2 .paragraph', 0); select(n, 2, n, 2)");
    EXPECT_FALSE(page.run("getSelectionTextPosition()").isValid());
    page.run("window.getSelection().removeAllRanges()");
    EXPECT_FALSE(page.run("getSelectionTextPosition()").isValid());
    EXPECT_TRUE(page.consoleHas("warning: getSelectionTextPosition: selection.rangeCount !== 1, selection.rangeCount=0"));
}

TEST(BookScript, TheNoteOfASelectionIsItsCommentaryLabel)
{
    WebPage& page = WebPage::instance();
    ASSERT_TRUE(openBookPage());
    appendSection(verseSection(1, 0));
    appendSection(sectionHtml("plus", 1, "Verse",
                              {{"paragraph--type-comment-plus",
                                "Commentary by <a href=\"tarnolix://openauthor.en/Author-3\">Gopala Charana:</a>",
                                "The wind is restless desire."}}));
    const QString selectIn = "var e = document.querySelector('%1'); var r = document.createRange();"
                             "r.setStart(e.lastChild.firstChild, 2); r.setEnd(e.lastChild.firstChild, 6);"
                             "window.getSelection().removeAllRanges(); window.getSelection().addRange(r);"
                             "JSON.stringify(getSelectionTextNote())";
    EXPECT_EQ(scriptText(selectIn.arg("#v1 .paragraph--type-comment")), "{\"note\":\"Commentary:\"}");
    EXPECT_EQ(scriptText(selectIn.arg("#v1 .paragraph--type-literary")), "{\"note\":null}");
    EXPECT_EQ(scriptText(selectIn.arg("#plus .paragraph--type-comment-plus")), "{\"note\":\"Commentary by Gopala Charana:\"}");
    EXPECT_EQ(scriptText(selectIn.arg("#v1 .book-page-title")
                       .replace("e.lastChild.firstChild", "e.firstChild")),
              "{\"note\":null}");
    page.run("window.getSelection().removeAllRanges()");
    EXPECT_EQ(scriptText("JSON.stringify(getSelectionTextNote())"), "{\"note\":null}");
    EXPECT_TRUE(page.consoleHas("warning: getSelectionTextNote: selection.rangeCount !== 1, selection.rangeCount=0"));
}

TEST(BookScript, EntityReferencesAndTagsOfTheTolerantSearch)
{
    WebPage& page = WebPage::instance();
    ASSERT_TRUE(openBookPage());
    struct Case
    {
        const char* text;
        const char* result; // character and length, or "null"
        const char* log;
    } cases[] = {
        {"&#65;", "A5", nullptr},
        {"&#x41;", "null", "warning: getHTMLSpecialChar: Invalid special character: #x41"},
        {"&cent;", "\xEF\xBF\xA0" "6", nullptr},
        {"&pound;", "\xEF\xBF\xA1" "7", nullptr},
        {"&hArr;", "\xE2\x87\x94" "6", nullptr},
        {"&bogus;", "null", "warning: getHTMLSpecialChar: Unknown special character: bogus"},
        {"&amp", "null", nullptr},
        {"&a;", "null", nullptr},
        {"&nbsp;", "\xC2\xA0" "6", nullptr},
        {"&abcdefghijklmnopqrstuvw;", "null", nullptr},
    };
    EXPECT_EQ(page.run("Object.keys(c_htmlSpecialChars).length").toInt(), 76);
    for (const Case& c : cases) {
        page.clearConsole();
        EXPECT_EQ(scriptText(QStringLiteral("var e = getHTMLSpecialChar(%1, 0); e ? e.character + e.length : 'null'")
                           .arg(jsString(QString::fromUtf8(c.text)))),
                  QString::fromUtf8(c.result))
            << c.text;
        if (c.log) {
            EXPECT_TRUE(page.consoleHas(c.log)) << c.text;
        }
    }
    EXPECT_EQ(page.run("getTag('<b class=\"x\">y', 0)").toInt(), 13);
    EXPECT_EQ(page.run("getTag('</div>', 0)").toInt(), 6);
    EXPECT_EQ(page.run("getTag('<3 is less', 0)").toInt(), 0);
    EXPECT_TRUE(page.consoleHas("warning: getTag: Invalid tag: <3 is less"));
    EXPECT_EQ(page.run("getTag('<div no end', 0)").toInt(), 0);
    // Entities read on either side, line feeds of the first passed, tags skipped when asked.
    EXPECT_EQ(scriptText("JSON.stringify(tarnolixIndexOf('<p>x&#65;\\nb</p>', 'xA&#98;', 2, true))"),
              "{\"index\":3,\"extraLength\":4}");
    EXPECT_EQ(scriptText("JSON.stringify(tarnolixIndexOf('<p>xyz</p>', 'xyz', 1, false))"), "{\"index\":3,\"extraLength\":0}");
    EXPECT_EQ(scriptText("JSON.stringify(tarnolixIndexOf('<p>xyz</p>', 'xq', 1, false))"), "null");
}

TEST(BookScript, HidingAVersePartKeepsTheReadingPlace)
{
    WebPage& page = WebPage::instance();
    ASSERT_TRUE(openBookPage());
    for (int i = 1; i <= 4; ++i)
        appendSection(verseSection(i, i, 3));
    // A word-by-word paragraph at the top of the view: its section's title takes the top.
    page.run("var w = document.querySelector('#v3 .paragraph--type-word-by-word');"
             "window.scrollBy(0, w.getBoundingClientRect().top + 3)");
    EXPECT_EQ(scriptText("captureBookReadingAnchor().elementIndex"), "3");
    page.run("hideContent('hide-word-by-word')");
    EXPECT_EQ(scriptText("getComputedStyle(w).display"), "none");
    EXPECT_NEAR(scriptNumber("document.querySelector('#v3 .book-page-title').getBoundingClientRect().top"), 0.0, 1.0);
    page.run("showContent('hide-word-by-word')");
    EXPECT_NEAR(scriptNumber("document.querySelector('#v3 .book-page-title').getBoundingClientRect().top"), 0.0, 1.0);

    // Another part hidden above the reading element: the element stays put.
    page.run("var l = document.querySelector('#v2 .paragraph--type-literary'); window.scrollBy(0, l.getBoundingClientRect().top - 40)");
    const double before = scriptNumber("l.getBoundingClientRect().top");
    page.run("hideContent('hide-sanskrit')");
    EXPECT_NEAR(scriptNumber("l.getBoundingClientRect().top"), before, 1.0);
    page.run("showContent('hide-sanskrit')");
    EXPECT_NEAR(scriptNumber("l.getBoundingClientRect().top"), before, 1.0);

    // At the end of the book the end stays in view, whether the page shrinks or grows.
    page.run("window.scrollTo(0, document.scrollingElement.scrollHeight)");
    page.run("hideContent('hide-comment')");
    EXPECT_LT(scriptNumber("spaceBelowView()"), 2.0);
    page.run("showContent('hide-comment')");
    EXPECT_LT(scriptNumber("spaceBelowView()"), 2.0);
    EXPECT_EQ(scriptText("getContentInnerElement().className"), "content-inner light");
}

TEST(BookScript, TheReadingAnchorIsCapturedAndRestored)
{
    WebPage& page = WebPage::instance();
    ASSERT_TRUE(openBookPage());
    for (int i = 1; i <= 3; ++i)
        appendSection(verseSection(i, i, 3));
    page.run("window.scrollTo(0, 900); var anchor = captureBookReadingAnchor()");
    EXPECT_EQ(scriptText("typeof anchor.sectionCode + typeof anchor.elementIndex + typeof anchor.top"), "stringnumbernumber");
    page.run("window.scrollTo(0, 0)");
    EXPECT_TRUE(page.run("restoreBookReadingAnchor(anchor)").toBool());
    EXPECT_NEAR(scriptNumber("window.scrollY"), 900.0, 1.0);
    // The program hands the anchor back through QML: a copy of plain values.
    const QVariant anchor = page.run("anchor");
    page.run("window.scrollTo(0, 0)");
    EXPECT_TRUE(page.run(QStringLiteral("restoreBookReadingAnchor(%1)")
                             .arg(QString::fromUtf8(QJsonDocument::fromVariant(anchor).toJson(QJsonDocument::Compact))))
                    .toBool());
    EXPECT_NEAR(scriptNumber("window.scrollY"), 900.0, 1.0);

    const char* const refused[] = {"null", "{}", "{ sectionCode: 'v1', elementIndex: 1.5, top: 0 }",
                                   "{ sectionCode: 'v1', elementIndex: 1, top: NaN }",
                                   "{ sectionCode: 'v9', elementIndex: 1, top: 0 }",
                                   "{ sectionCode: 'v1', elementIndex: 99, top: 0 }",
                                   "{ sectionCode: 'v1', elementIndex: -1, top: 0 }"};
    for (const char* anchorText : refused)
        EXPECT_FALSE(page.run(QStringLiteral("restoreBookReadingAnchor(%1)").arg(anchorText)).toBool()) << anchorText;
    page.run("hideContent('hide-sanskrit')");
    EXPECT_FALSE(page.run("restoreBookReadingAnchor({ sectionCode: 'v1', elementIndex: 1, top: 0 })").toBool());
}

TEST(BookScript, FavoriteButtonsStandBesideTheirSpans)
{
    WebPage& page = WebPage::instance();
    ASSERT_TRUE(openBookPage());
    const QString commentary = "The sage begins with an image.<p>Later <span id=\"favorite_u1_span_1\" class=\"favorite\">"
                               "a marked passage</span> follows.";
    page.clearConsole();
    appendSection(verseSection(1, 0, 1, {"u1", "u2"}, commentary), true);
    EXPECT_TRUE(page.consoleHas("info: updateFavoriteButtonsPosition: button count: 2"));
    EXPECT_TRUE(page.consoleHas("info: Span not found. favoriteSpanId: favorite_u2_span_1"));
    const QString placement = "var b = document.querySelector('[favorite-span-id=favorite_u1_span_1]');"
                              "var s = document.getElementById('favorite_u1_span_1');"
                              "[b.style.left, b.style.top === (s.offsetTop + 2) + 'px', b.offsetParent.id, "
                              "document.querySelector('[favorite-span-id=favorite_u2_span_1]').style.top].join()";
    EXPECT_EQ(scriptText(placement), "85%,true,v1,");

    // Load and resize ask the channel; with favourites the buttons are placed again.
    page.run("b.style.left = ''; b.style.top = ''");
    page.channel().favoritesExist = false;
    const int queries = page.channel().favoritesQueries;
    page.resize(900, 700);
    EXPECT_TRUE(waitUntil([&] { return page.channel().favoritesQueries > queries; }));
    EXPECT_EQ(scriptText("b.style.left"), "");
    page.channel().favoritesExist = true;
    page.resize(1000, 700);
    EXPECT_TRUE(page.waitFor("b.style.left === '85%'"));

    EXPECT_TRUE(page.run("scrollToFavorite('u1')").toBool());
    EXPECT_TRUE(page.consoleHas("info: scrollToFavorite (span id: favorite_u1_span_1) - Ok!"));
    EXPECT_FALSE(page.run("scrollToFavorite('u2')").toBool());
    EXPECT_TRUE(page.consoleHas("info: Favorite span(favorite_u2_span_1) not found"));
}

TEST(BookScript, VerseLinksOpenInThePagesLanguage)
{
    WebPage& page = WebPage::instance();
    ASSERT_TRUE(openBookPage());
    const QString link = "See <a class=\"link-to-poem\" data-book-id=\"dipa-samhita\" data-poem-id=\"glava-1.stikh-1\">1.1</a>.";
    appendSection(sectionHtml("links", 0, "Links", {{"paragraph--type-text", {}, link}}));
    EXPECT_EQ(scriptText("document.querySelector('#links .link-to-poem').getAttribute('href')"),
              "tarnolix://openbookslug.en/Book-dipa-samhita/Section-glava-1.stikh-1?findInAnotherLanguageIfNotExists=1");
    page.run(QStringLiteral("replaceSection('links', %1)")
                 .arg(jsString(sectionHtml("links", 0, "Links", {{"paragraph--type-text", {}, QString(link).replace("1.1\"", "2.1\"")}}))));
    EXPECT_TRUE(scriptText("document.querySelector('#links .link-to-poem').href").endsWith("/Section-glava-1.stikh-1?findInAnotherLanguageIfNotExists=1"));
    EXPECT_FALSE(page.consoleHas("processLinks error"));
}

TEST(BookScript, OnlyAFootnotesNumberTakesTheClick)
{
    WebPage& page = WebPage::instance();
    ASSERT_TRUE(openBookPage());
    appendSection(sectionHtml("notes", 0, "Notes",
                              {{"paragraph--type-text", {},
                                "Before <span class=\"footnote\" data-footnote-number=\"12\" data-footnote-content=\"A note.\">"
                                "the noted words</span> after."}}));
    // Find a point over the raised number: the footnote element answers there only.
    const QVariantMap point = page.run(
        "var f = document.querySelector('.footnote'); var r = f.getBoundingClientRect(); var found = null;"
        "for (var y = r.top - 12; y < r.bottom && !found; y += 1) for (var x = r.right - 1; x > r.right - 20 && !found; x -= 1)"
        "  if (document.elementFromPoint(x, y) === f) found = { x: x, y: y };"
        "({ number: found, text: { x: r.left + 5, y: (r.top + r.bottom) / 2 },"
        "   textTarget: document.elementFromPoint(r.left + 5, (r.top + r.bottom) / 2) === f })").toMap();
    ASSERT_TRUE(point.value("number").isValid());
    EXPECT_FALSE(point.value("textTarget").toBool());

    page.channel().footNotes.clear();
    const QVariantMap textPoint = point.value("text").toMap();
    QTest::mouseClick(page.window().window(), Qt::LeftButton, {},
                      QPoint(textPoint.value("x").toInt(), textPoint.value("y").toInt()));
    const QVariantMap numberPoint = point.value("number").toMap();
    QTest::mouseClick(page.window().window(), Qt::LeftButton, {},
                      QPoint(numberPoint.value("x").toInt(), numberPoint.value("y").toInt()));
    EXPECT_TRUE(waitUntil([&] { return !page.channel().footNotes.isEmpty(); }));
    waitUntil([] { return false; }, 200);
    ASSERT_EQ(page.channel().footNotes.size(), 1);
    EXPECT_EQ(page.channel().footNotes.first().toList(), (QVariantList{"12", "A note."}));
}

TEST(BookScript, SharedScriptRunsTheBookPagesScrollKeepingVariant)
{
    WebPage& page = WebPage::instance();
    ASSERT_TRUE(openBookPage());
    appendSection(verseSection(1, 0));
    page.run("var calls = []; var original = changeBookContentVisibility;"
             "changeBookContentVisibility = function (p, c, s) { calls.push(c + ':' + s); return original(p, c, s); }");
    page.run("hideContent('hide-comment'); hideContent('hide-comment'); showContent('hide-comment')");
    EXPECT_EQ(scriptText("calls.join()"), "hide-comment:false,hide-comment:false,hide-comment:true");
    EXPECT_EQ(scriptText("getContentInnerElement().className"), "content-inner light");
}
