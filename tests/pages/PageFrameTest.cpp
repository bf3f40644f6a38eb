// The frame every generated page begins with, the reader page shell and the
// new-tab page, byte for byte.

#include "pages/HTMLCreator.h"
#include "tests/support/MessageLog.h"

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <gtest/gtest.h>

namespace tarnolix::test {
namespace {

using C = TarnolixConstants;

const QByteArray kHead = "<!DOCTYPE html>\n"
                         "<html>\n"
                         "<head>\n"
                         "    <meta charset=\"utf-8\">\n"
                         "    <link href=\"/resource/web/css/app.css\" rel=\"preload\" as=\"style\">\n"
                         "    <link href=\"/resource/web/css/app.css\" rel=\"stylesheet\">\n";

PageFrameState allHidden(PageFrameState state)
{
    state.showSanskrit = state.showDiacritic = state.showWordByWord = state.showTranslate = state.showComment = false;
    return state;
}

TEST(PageFrame, ByteForByte)
{
    PageFrameOptions plain;
    PageFrameOptions twoScripts;
    twoScripts.scripts = {"a.js", "b.js"};
    PageFrameOptions hiding;
    hiding.hideClasses = true;
    PageFrameOptions outer;
    outer.contentInner = false;
    outer.hideClasses = true;
    outer.extraClasses = "glossary-base";
    PageFrameOptions extra;
    extra.extraClasses = "glossary-base";
    PageFrameOptions clicks;
    clicks.onClick = "contentClicked";

    PageFrameState light;
    PageFrameState zoomed;
    zoomed.webviewZoomFactor = 1.25;
    PageFrameState nearlyOne;
    nearlyOne.webviewZoomFactor = 1.0000001;
    PageFrameState mixed;
    mixed.colorMode = C::Mixed;
    PageFrameState hideTwo;
    hideTwo.showDiacritic = false;
    hideTwo.showComment = false;

    struct Case
    {
        const char* what;
        PageFrameState state;
        PageFrameOptions options;
        QByteArray expected; // after the head
    };
    const Case cases[] = {
        {"zoom 1 writes a bare body", light, plain,
         "</head>\n<body>\n<div id=\"page\" class=\"invisible content-inner light\">\n"},
        {"zoom in fixed notation", zoomed, plain,
         "</head>\n<body style=\"zoom: 1.250000;\">\n<div id=\"page\" class=\"invisible content-inner light\">\n"},
        {"only exactly 1 is no zoom", nearlyOne, plain,
         "</head>\n<body style=\"zoom: 1.000000;\">\n<div id=\"page\" class=\"invisible content-inner light\">\n"},
        {"two scripts on one line", light, twoScripts,
         "  <script type=\"application/javascript\" src=\"/resource/web/js/a.js\"></script>"
         "  <script type=\"application/javascript\" src=\"/resource/web/js/b.js\"></script></head>\n<body>\n"
         "<div id=\"page\" class=\"invisible content-inner light\">\n"},
        {"hide classes in their order", allHidden(mixed), hiding,
         "</head>\n<body>\n<div id=\"page\" class=\"invisible content-inner mixed hide-sanskrit hide-diacritic "
         "hide-word-by-word hide-translate hide-comment\">\n"},
        {"only the parts switched off", hideTwo, hiding,
         "</head>\n<body>\n<div id=\"page\" class=\"invisible content-inner light hide-diacritic hide-comment\">\n"},
        {"hide classes only when asked", allHidden(light), plain,
         "</head>\n<body>\n<div id=\"page\" class=\"invisible content-inner light\">\n"},
        {"no inner content: invisible and the extra classes alone", allHidden(light), outer,
         "</head>\n<body>\n<div id=\"page\" class=\"invisible glossary-base\">\n"},
        {"extra classes last", light, extra,
         "</head>\n<body>\n<div id=\"page\" class=\"invisible content-inner light glossary-base\">\n"},
        {"click handler", light, clicks,
         "</head>\n<body>\n<div id=\"page\" class=\"invisible content-inner light\" "
         "onclick=\"contentClicked(this, event)\">\n"},
    };
    HTMLCreator creator;
    for (const Case& c : cases) {
        creator.setFrameState(c.state);
        QByteArray out;
        creator.getHtmlPage(out, c.options);
        EXPECT_EQ(out, kHead + c.expected) << c.what;
    }

    // Appended to what the output holds, reserved for the hint in pages of 256 bytes.
    QByteArray out = "x";
    PageFrameOptions big;
    big.reserveHint = 100;
    creator.getHtmlPage(out, big);
    EXPECT_TRUE(out.startsWith("x<!DOCTYPE html>\n"));
    EXPECT_GE(out.capacity(), 100 * 256);
}

TEST(PageFrame, AnUnknownColourModeIsWarnedAndWritesNoClass)
{
    HTMLCreator creator;
    PageFrameState state;
    state.colorMode = C::InvalidColorMode;
    creator.setFrameState(state);
    MessageLog log;
    QByteArray out;
    creator.getHtmlPage(out, PageFrameOptions());
    EXPECT_TRUE(out.endsWith("<div id=\"page\" class=\"invisible content-inner\">\n"));
    EXPECT_EQ(log.texts(QtWarningMsg), QStringList{QStringLiteral("Invalid color mode")});
}

TEST(PageFrame, DarkReaderPageShell)
{
    HTMLCreator creator;
    PageFrameState dark;
    dark.colorMode = C::Dark;
    creator.setFrameState(dark);
    EXPECT_EQ(creator.getBookPage(),
              kHead + "  <script type=\"application/javascript\" src=\"/resource/web/js/book.js\"></script></head>\n"
                      "<body>\n"
                      "<div id=\"page\" class=\"invisible content-inner dark\" onclick=\"contentClicked(this, event)\">\n"
                      "<div id=\"content\">\n"
                      "</div>\n"
                      "</div>\n</body>\n</html>\n");
    // The shell carries the hide classes; the new-tab page does not.
    creator.setFrameState(allHidden(dark));
    EXPECT_TRUE(creator.getBookPage().contains("dark hide-sanskrit hide-diacritic hide-word-by-word hide-translate "
                                               "hide-comment\" onclick="));
    EXPECT_TRUE(creator.getNewTabPage().contains("class=\"invisible content-inner dark\">\n"));
}

TEST(PageFrame, NewTabPage)
{
    HTMLCreator creator;
    EXPECT_EQ(creator.getNewTabPage(),
              kHead + "</head>\n<body>\n<div id=\"page\" class=\"invisible content-inner light\">\n"
                      "<div class=\"new-tab\"><h2>Новая вкладка</h2><div>Воспользуйтесь поиском "
                      "<span class=\"gray-text-color\">(сверху)</span><br>или откройте любую книгу из каталога "
                      "<span class=\"gray-text-color\">(слева)</span></div></div>"
                      "</div>\n</body>\n</html>\n");
}

TEST(PageFrame, PoolThreadsBuildWithTheLatestState)
{
    HTMLCreator creator;
    PageFrameState state;
    state.webviewZoomFactor = 1.5;
    state.colorMode = C::Mixed;
    state.showTranslate = false;
    creator.setFrameState(state);
    const QByteArray page = QtConcurrent::run(QThreadPool::globalInstance(), [&creator] {
        return creator.getBookPage();
    }).result();
    EXPECT_TRUE(page.contains("<body style=\"zoom: 1.500000;\">\n"
                              "<div id=\"page\" class=\"invisible content-inner mixed hide-translate\""));
}

} // namespace
} // namespace tarnolix::test
