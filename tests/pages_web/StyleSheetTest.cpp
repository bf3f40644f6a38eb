// The style sheet ("app.css") and its fonts, read back as computed styles.
#include "tests/pages_web/BookFixtures.h"

#include "tests/support/TestSupport.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QVariantMap>

#include <gtest/gtest.h>

using namespace tarnolix::test;

namespace {


bool openPage(const QByteArray& content, const QByteArray& colorClass = "light", const QByteArray& hideClasses = {})
{
    static int tab = 500;
    FrameOptions options;
    options.colorClass = colorClass;
    options.hideClasses = hideClasses;
    WebPage& page = WebPage::instance();
    if (!page.open(QUrl(QStringLiteral("tarnolix://openauthor.ru/Author-1?tabId=%1").arg(++tab)), pageDocument(options, content)))
        return false;
    page.run("showPage()");
    return true;
}

QString background(const QString& id)
{
    return scriptText(QStringLiteral("getComputedStyle(document.getElementById('%1')).backgroundColor").arg(id));
}

const QString hitYellow = "rgb(248, 229, 113)";
const QString hitDark = "rgb(183, 138, 84)";
const QString currentHit = "rgb(239, 200, 105)";
const QString favoriteYellow = "rgb(250, 237, 155)";

} // namespace

TEST(StyleSheet, AHitShowsOverAFavoriteWhicheverLiesInsideTheOther)
{
    ASSERT_TRUE(openPage("<p><span class=\"favorite\" id=\"fav\">favourite <b id=\"favb\">bold</b> "
                         "<mark class=\"highlight\" id=\"hitInFav\">hit <i id=\"hitInFavI\">i</i></mark></span></p>"
                         "<p><mark class=\"highlight\" id=\"hit\">hit <span class=\"favorite\" id=\"favInHit\">"
                         "fav <b id=\"favInHitB\">b</b></span></mark></p>"
                         "<p><mark class=\"highlight current-highlight\" id=\"cur\"><span class=\"favorite\" id=\"favInCur\">x</span></mark>"
                         "<span class=\"favorite\"><mark class=\"highlight current-highlight\" id=\"curInFav\">y</mark></span></p>"));
    struct Mode
    {
        const char* colorClass;
        QString hit;
    } modes[] = {{"light", hitYellow}, {"mixed", hitYellow}, {"dark", hitDark}};
    for (const Mode& mode : modes) {
        WebPage::instance().run(QStringLiteral("setColorMode('%1')").arg(mode.colorClass));
        for (const char* id : {"hitInFav", "hitInFavI", "hit", "favInHit", "favInHitB"})
            EXPECT_EQ(background(id), mode.hit) << mode.colorClass << " " << id;
        for (const char* id : {"cur", "favInCur", "curInFav"})
            EXPECT_EQ(background(id), currentHit) << mode.colorClass << " " << id;
        for (const char* id : {"fav", "favb"})
            EXPECT_EQ(background(id), favoriteYellow) << mode.colorClass << " " << id;
    }
    EXPECT_EQ(scriptText("getComputedStyle(fav).color"), "rgb(58, 60, 64)"); // dark mode: favourite text stays dark
}

TEST(StyleSheet, ColourModesOfThePageElement)
{
    ASSERT_TRUE(openPage("<p>text</p>"));
    struct Mode
    {
        const char* colorClass;
        const char* background;
        const char* color;
    } modes[] = {{"light", "rgb(254, 254, 254)", "rgb(58, 60, 64)"},
                 {"dark", "rgb(58, 60, 64)", "rgb(237, 237, 238)"},
                 {"mixed", "rgb(237, 237, 238)", "rgb(58, 60, 64)"}};
    for (const Mode& mode : modes) {
        WebPage::instance().run(QStringLiteral("setColorMode('%1')").arg(mode.colorClass));
        EXPECT_EQ(scriptText("var s = getComputedStyle(page); s.backgroundColor + '|' + s.color"),
                  QString(mode.background) + "|" + mode.color);
    }
    EXPECT_EQ(scriptText("getComputedStyle(document.body).fontFamily"), "\"PT Sans\", sans-serif");
}

TEST(StyleSheet, HideAppliesToDivSpanAndButtonOnly)
{
    ASSERT_TRUE(openPage("<div class=\"hide\" id=\"d\">d</div><span class=\"hide\" id=\"s\">s</span>"
                         "<button class=\"hide\" id=\"b\">b</button><p class=\"hide\" id=\"p\">p</p>"
                         "<a class=\"hide\" id=\"a\">a</a><mark class=\"hide\" id=\"m\">m</mark>"));
    EXPECT_EQ(scriptText("['d', 's', 'b', 'p', 'a', 'm'].map(function (id) { "
                   "return getComputedStyle(document.getElementById(id)).display; }).join()"),
              "none,none,none,block,inline,inline");
}

TEST(StyleSheet, EachHideClassHidesItsVerseParts)
{
    const QByteArray section =
        "<div id=\"s\" class=\"book-page\" data-section-index=\"0\"><h1 class=\"book-page-title\">T</h1><div>"
        "<div class=\"paragraph paragraph--type-sanskrit\" id=\"sanskrit\"><div>स</div></div>"
        "<div class=\"paragraph paragraph--type-diacritic\" id=\"diacritic\"><div>sa</div></div>"
        "<div class=\"paragraph paragraph--type-word-by-word\" id=\"wbw\"><div>w</div></div>"
        "<div class=\"paragraph paragraph--type-literary\" id=\"literary\"><div>l</div></div>"
        "<div class=\"paragraph paragraph--type-comment\" id=\"comment\"><div>c</div></div>"
        "<div class=\"paragraph paragraph--type-comment-plus\" id=\"commentPlus\"><div>c+</div></div>"
        "<div class=\"paragraph paragraph--type-sanskrit\" id=\"quote\"><div>q</div></div>"
        "<div class=\"paragraph paragraph--type-quote-sanskrit-translate\" id=\"quoteTranslate\"><div>qt</div></div>"
        "<div class=\"paragraph paragraph--type-text\" id=\"text\"><div>"
        "<div class=\"sanskrit-block\" id=\"sanskritBlock\">a</div><div class=\"diacritic-block\" id=\"diacriticBlock\">b</div>"
        "<div class=\"word-by-word-block\" id=\"wbwBlock\">c</div><div class=\"literary-block\" id=\"literaryBlock\">d</div>"
        "<div class=\"quote-sanskrit-block\" id=\"quoteBlock\">e</div></div></div></div></div>";
    struct Case
    {
        const char* hideClass;
        const char* hidden;
    } cases[] = {
        {"", ""},
        {"hide-sanskrit", "sanskrit,quote,sanskritBlock"},
        {"hide-diacritic", "diacritic,diacriticBlock"},
        {"hide-word-by-word", "wbw,wbwBlock"},
        // The Sanskrit quotes stay with their translations hidden.
        {"hide-translate", "literary,quoteTranslate,literaryBlock"},
        {"hide-comment", "comment,commentPlus"},
    };
    const QString hidden = "Array.prototype.filter.call(document.querySelectorAll('#s [id]'), function (e) { "
                           "return getComputedStyle(e).display === 'none'; }).map(function (e) { return e.id; }).join()";
    for (const Case& c : cases) {
        ASSERT_TRUE(openPage(section, "light", c.hideClass[0] ? QByteArray(" ") + c.hideClass : QByteArray()));
        EXPECT_EQ(scriptText(hidden), QString(c.hidden)) << c.hideClass;
    }
}

TEST(StyleSheet, ASectionIsAtMostMin1180pxAnd168chWideExceptInTheCompactLayout)
{
    WebPage& page = WebPage::instance();
    page.resize(1000, 700);
    struct Case
    {
        const char* bodyScript;
        const char* expected; // "ch", "1180" or "full"
    } cases[] = {{"", "ch"},
                 {"document.body.style.setProperty('--book-readable-width', '3000px')", "1180"},
                 {"document.body.classList.add('compact-layout')", "full"}};
    for (const Case& c : cases) {
        ASSERT_TRUE(openPage(verseSection(1, 0).toUtf8()));
        page.resize(c.expected == QByteArray("1180") ? 1400 : 1000, 700);
        page.run(c.bodyScript);
        const QVariantMap widths = page.run(
            "var s = document.getElementById('v1'); var probe = document.createElement('div');"
            "probe.style.width = '168ch'; s.appendChild(probe);"
            "({ section: s.getBoundingClientRect().width, ch: probe.getBoundingClientRect().width,"
            "   full: getContentElement().getBoundingClientRect().width, font: getComputedStyle(s).fontSize })").toMap();
        EXPECT_EQ(widths.value("font").toString(), "10px");
        const double expected = c.expected == QByteArray("ch") ? widths.value("ch").toDouble()
                                : c.expected == QByteArray("1180") ? 1180.0
                                                                   : widths.value("full").toDouble();
        EXPECT_NEAR(widths.value("section").toDouble(), expected, 0.5) << c.expected;
        if (c.expected != QByteArray("full")) {
            EXPECT_LT(widths.value("section").toDouble(), widths.value("full").toDouble() - 10) << c.expected;
        }
    }
    page.resize(1000, 700);
}

TEST(StyleSheet, EveryFontFaceLoadsAndTheBookFontsCoverTheirScripts)
{
    WebPage& page = WebPage::instance();
    ASSERT_TRUE(openPage("<p>x</p>"));
    page.run("var fontResult; Promise.all(Array.from(document.fonts).map(function (f) { return f.load().then("
             "function () { return f.family + ' ' + f.style + ' ' + f.weight + ' ' + f.status; }, "
             "function (e) { return f.family + ' failed ' + e; }); })).then(function (r) { fontResult = r.sort(); })");
    ASSERT_TRUE(page.waitFor("fontResult !== undefined", 20000));
    const QStringList faces = page.run("fontResult").toStringList();
    EXPECT_EQ(faces.size(), 12) << faces.join('\n').toStdString();
    for (const QString& face : faces)
        EXPECT_TRUE(face.endsWith(" loaded")) << face.toStdString();
    EXPECT_EQ(faces.filter(QRegularExpression("^Tarnolix Serif (normal|italic) (400|700) loaded$")).size(), 4);
    EXPECT_EQ(faces.filter("PT Sans normal 400 loaded").size(), 4);
    EXPECT_EQ(faces.filter("PT Serif normal 400 loaded").size(), 4);

    // Every font file in the resources is a font the engine can load (the
    // installed PT fonts may win over the sheets' files, so load the files).
    const QStringList files = {"jizaRExUiTo99u79D0-ExdGM.woff2", "jizaRExUiTo99u79D0aExdGM.woff2",
                               "jizaRExUiTo99u79D0yExdGM.woff2", "jizaRExUiTo99u79D0KExQ.woff2",
                               "EJRVQgYoZZY2vCFuvAFbzr-tdg.woff2", "EJRVQgYoZZY2vCFuvAFSzr-tdg.woff2",
                               "EJRVQgYoZZY2vCFuvAFYzr-tdg.woff2", "EJRVQgYoZZY2vCFuvAFWzr8.woff2",
                               "TarnolixSerif-Regular.woff2", "TarnolixSerif-Italic.woff2",
                               "TarnolixSerif-Bold.woff2", "TarnolixSerif-BoldItalic.woff2",
                               "PeltoPTSerif-Regular.woff2", "PeltoPTSerif-Italic.woff2",
                               "PeltoPTSerif-Bold.woff2", "PeltoPTSerif-BoldItalic.woff2",
                               "PeltoPTSerif-Regular.ttf", "PeltoPTSerif-Italic.ttf",
                               "PeltoPTSerif-Bold.ttf", "PeltoPTSerif-BoldItalic.ttf"};
    // (The engine's fetch() refuses custom schemes; XMLHttpRequest reads them.)
    page.run(QStringLiteral("function readFile(name) { return new Promise(function (done, fail) {"
                            " var x = new XMLHttpRequest(); x.open('GET', '/resource/web/css/fonts/' + name);"
                            " x.responseType = 'arraybuffer'; x.onload = function () { done(x.response); };"
                            " x.onerror = function () { fail('not served'); }; x.send(); }); }"
                            "var fileResult; Promise.all(%1.map(function (name) {"
                            " return readFile(name).then(function (data) { return new FontFace('probe', data).load(); })"
                            " .then(function () { return name + ' ok'; }, function (e) { return name + ' ' + e; }); }))"
                            ".then(function (r) { fileResult = r; })")
                 .arg(QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(files)).toJson(QJsonDocument::Compact))));
    ASSERT_TRUE(page.waitFor("fileResult !== undefined", 20000));
    for (const QString& result : page.run("fileResult").toStringList())
        EXPECT_TRUE(result.endsWith(" ok")) << result.toStdString();

    // A family covers a text when the fallback after it never shows: the
    // widths do not change with the generic family that follows it.
    const QString covers = "function covers(family, text) { var c = document.createElement('canvas').getContext('2d');"
                           " c.font = '32px \"' + family + '\", monospace'; var a = c.measureText(text).width;"
                           " c.font = '32px \"' + family + '\", cursive'; return a === c.measureText(text).width; }"
                           "document.fonts.load('32px \"Tarnolix Serif\"').then(function () { coverage = ["
                           " covers('Tarnolix Serif', 'ṛ ṝ ṣ ṭ ḍ ḥ ṃ ṁ ṅ ñ ṇ ś ā ī ū ḷ Ṛ Ṣ Ā'),"
                           " covers('Tarnolix Serif', 'Светильник в сердце'),"
                           " covers('Noto Sans Devanagari', 'हृदये दीपः ज्वलति ॥1॥'),"
                           " covers('PT Serif', 'ṛ ṣ ṭ ḥ ṃ')]; })";
    page.run("var coverage; " + covers);
    ASSERT_TRUE(page.waitFor("coverage !== undefined"));
    // PT Serif lacks the letters with a dot below: the check can fail.
    EXPECT_EQ(page.run("coverage").toList(), (QVariantList{true, true, true, false}));
}

TEST(StyleSheet, OnlyTheFootnoteNumberTakesThePointer)
{
    ASSERT_TRUE(openPage("<div class=\"paragraph\"><span class=\"footnote\" id=\"f\" data-footnote-number=\"3\">words</span></div>"));
    EXPECT_EQ(scriptText("var s = getComputedStyle(f), a = getComputedStyle(f, '::after');"
                   "[s.pointerEvents, s.whiteSpace, a.pointerEvents, a.content, a.color, a.cursor, a.top].join()"),
              "none,nowrap,auto,\"3\",rgb(183, 138, 84),pointer,-10px");
}

TEST(StyleSheet, ASampleSectionInEachColourMode)
{
    WebPage& page = WebPage::instance();
    ASSERT_TRUE(openBookPage());
    const QString commentary = "The wind here is restless desire. <span id=\"favorite_f1_span_1\" class=\"favorite\">A flame "
                               "sheltered from it stands straight</span>, and its <mark class=\"highlight current-highlight\">"
                               "light</mark> reaches the corners of the room.<p>The ṛṣis compared the mind to such a flame; "
                               "the <mark class=\"highlight\">marks</mark> of ḥ, ṃ, ṭ and ā show how the verse is sounded."
                               "<p>Compare <a class=\"link-to-poem\" data-book-id=\"dipa-samhita\" data-poem-id=\"glava-1.stikh-1\">"
                               "verse 1.1</a>, <a class=\"link-to-book\" href=\"#\">The Lamp Collection</a> and "
                               "<a class=\"link-to-person\" href=\"#\">Gopala Charana</a>.";
    appendSection(verseSection(1, 0));
    appendSection(verseSection(2, 1, 1, {"f1"}, commentary), true);
    page.run("document.querySelector('#v2 .book-page-title').scrollIntoView()");
    struct Mode
    {
        const char* colorClass;
        QRgb background;
    } modes[] = {{"light", qRgb(0xfe, 0xfe, 0xfe)}, {"dark", qRgb(0x3a, 0x3c, 0x40)}, {"mixed", qRgb(0xed, 0xed, 0xee)}};
    for (const Mode& mode : modes) {
        page.run(QStringLiteral("setColorMode('%1')").arg(mode.colorClass));
        const QString path = page.screenshot(QStringLiteral("pages-web-section-%1").arg(mode.colorClass));
        ASSERT_FALSE(path.isEmpty());
        const QImage shot(path);
        ASSERT_FALSE(shot.isNull());
        EXPECT_EQ(shot.pixel(5, shot.height() / 2) & 0xffffff, mode.background & 0xffffff) << mode.colorClass;
    }
    // The link icons are masks coloured by their backgrounds: gold, and yellow laid over it.
    EXPECT_EQ(scriptText("['person', 'book', 'poem'].map(function (k) { var e = document.querySelector('.link-to-' + k);"
                         " var b = getComputedStyle(e, '::before'), a = getComputedStyle(e, '::after');"
                         " return [b.backgroundColor, a.backgroundColor, a.opacity, b.webkitMaskImage.slice(0, 9)].join(); }).join('|')"),
              "rgb(201, 156, 102),rgb(248, 229, 113),0,url(\"data|rgb(183, 138, 84),rgb(248, 229, 113),0,url(\"data|"
              "rgb(183, 138, 84),rgb(248, 229, 113),0,url(\"data");
    // The book's first section with its title, in the light mode.
    page.run("setColorMode('light'); window.scrollTo(0, 0)");
    EXPECT_FALSE(page.screenshot("pages-web-book-start-light").isEmpty());
}
