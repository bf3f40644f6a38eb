#include "core/TarnolixHtmlEncloseHelper.h"

#include "core/Exception.h"
#include "core/TarnolixText.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

namespace {

// Markup generators that count their calls; `numbered` gives each run its
// own attribute, as favorites do.
struct Marker
{
    int opens = 0;
    int closes = 0;
    bool numbered = false;

    QString enclose(const QString& html, int start, int end)
    {
        return encloseHtmlFragment(
            html,
            [this] {
                ++opens;
                return numbered ? QString("<m id=%1>").arg(opens) : QString("<m>");
            },
            [this] {
                ++closes;
                return QString("</m>");
            },
            start, end);
    }
};

QString enclose(const QString& html, int start, int end)
{
    Marker m;
    return m.enclose(html, start, end);
}

} // namespace

TEST(TarnolixHtmlEncloseHelper, SplitsARangeAcrossParagraphsIntoBalancedRuns)
{
    const QString html = "<p>ab</p><p>cd</p>";
    // From "b" to "c" inclusive, as the page generator computes it from text positions.
    const int start = TarnolixText::getPosition(html, 1, TarnolixText::ZeroIsError);
    const int end = TarnolixText::getPosition(html, 3, TarnolixText::ZeroIsError);
    ASSERT_EQ(start, 4);
    ASSERT_EQ(end, 13);

    Marker m;
    EXPECT_EQ(m.enclose(html, start, end), "<p>a<m>b</m></p><p><m>c</m>d</p>");
    EXPECT_EQ(m.opens, 2);
    EXPECT_EQ(m.closes, 2);

    Marker numbered{0, 0, true};
    EXPECT_EQ(numbered.enclose(html, 4, 13), "<p>a<m id=1>b</m></p><p><m id=2>c</m>d</p>");
}

TEST(TarnolixHtmlEncloseHelper, WrapsRuns)
{
    const struct
    {
        const char* html;
        int start;
        int end;
        const char* expected;
        int runs;
    } cases[] = {
        // Inside one text node.
        {"<p>abcd</p>", 4, 6, "<p>a<m>bc</m>d</p>", 1},
        // Just inside an element.
        {"<p>x<b>bold</b>y</p>", 7, 11, "<p>x<b><m>bold</m></b>y</p>", 1},
        // Into an element: the run stops before it, the tag is copied, the rest is wrapped inside.
        {"<p>x<b>bold</b>y</p>", 3, 9, "<p><m>x</m><b><m>bo</m>ld</b>y</p>", 2},
        // Over a whole element.
        {"<p>x<b>bold</b>y</p>", 3, 16, "<p><m>x<b>bold</b>y</m></p>", 1},
        // Void elements inside a run do not end it.
        {"<p>a<br>b<img src=i.png>c</p>", 3, 25, "<p><m>a<br>b<img src=i.png>c</m></p>", 1},
        // From the beginning and to the end, as for a favorite that spans sections.
        {"<p>ab</p><p>cd</p>", 0, 18, "<m><p>ab</p><p>cd</p></m>", 1},
        {"<p>ab</p><p>cd</p>", -5, 5, "<p><m>ab</m></p><p>cd</p>", 1},
        // References stay whole.
        {"<p>a&amp;b</p>", 3, 9, "<p><m>a&amp;</m>b</p>", 1},
        // Offsets count UTF-16 units.
        {"<p>\xF0\x9F\x98\x80x</p>", 3, 5, "<p><m>\xF0\x9F\x98\x80</m>x</p>", 1},
        // An empty or reversed range changes nothing.
        {"<p>ab</p>", 4, 4, "<p>ab</p>", 0},
        {"<p>ab</p>", 5, 3, "<p>ab</p>", 0},
        {"", 0, 0, "", 0},
    };
    for (const auto& c : cases) {
        Marker m;
        EXPECT_EQ(m.enclose(QString::fromUtf8(c.html), c.start, c.end), QString::fromUtf8(c.expected))
            << c.html << " [" << c.start << ", " << c.end << ")";
        EXPECT_EQ(m.opens, c.runs) << c.html;
        EXPECT_EQ(m.closes, c.runs) << c.html;
    }
}

// "<br/>" opens nothing and "</br>" closes nothing: a favorite over such
// markup is marked instead of refused.
TEST(TarnolixHtmlEncloseHelper, SelfClosingTagsAndClosedLineBreaks)
{
    const struct
    {
        const char* html;
        int start;
        int end;
        const char* expected;
    } cases[] = {
        {"<p>a<br/>b</p><p>c</br>d</p>", 3, 24, "<p><m>a<br/>b</m></p><p><m>c</br>d</m></p>"},
        {"<p>a<br />b</p>", 3, 11, "<p><m>a<br />b</m></p>"},
        {"<p>a<span class=\"n\"/>b</p>", 3, 22, "<p><m>a<span class=\"n\"/>b</m></p>"},
        // Before the range: the start walk must not leave them open either.
        {"<p>a<br/>b</br></p><p>c</p>", 9, 23, "<p>a<br/><m>b</br></m></p><p><m>c</m></p>"},
        {"<br/><p>x</p>", 8, 9, "<br/><p><m>x</m></p>"},
        // A link whose unquoted address ends in "/" still opens its element.
        {"<p><a href=/x/>ab</a>c</p>", 3, 22, "<p><m><a href=/x/>ab</a>c</m></p>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(enclose(QString::fromUtf8(c.html), c.start, c.end), QString::fromUtf8(c.expected))
            << c.html << " [" << c.start << ", " << c.end << ")";
    }
}

TEST(TarnolixHtmlEncloseHelper, RefusesRangesAndHtmlItCannotWrap)
{
    const struct
    {
        const char* html;
        int start;
        int end;
        const char* error;
    } cases[] = {
        {"<p>ab</p>", 9, 12, "ERROR 0x8546FF11"}, // start at the end
        {"<p>ab</p>", 1, 5, "ERROR 0x8546FF15"}, // start inside a tag
        {"a&amp;b", 3, 7, "ERROR 0x8546A527"}, // start inside a reference
        {"</p>ab", 5, 6, "ERROR 0x8546FF14"}, // closing tag with nothing open
        {"<p><b></p>x</b>", 10, 11, "ERROR 0x8546FF19"}, // bad nesting before the range
        {"<p><b>x</p></b>", 6, 11, "ERROR 0x8546FF19"}, // bad nesting inside the range
        {"<p><b>x</p></b>", 6, 7, "ERROR 0x8546FF19"}, // bad nesting after the range
        {"<P>x</p>", 3, 4, "ERROR 0x8546FF19"}, // names compare case-sensitively
        {"<p>ab<b>c</b></p>", 3, 6, "ERROR 0x8546FF16"}, // end inside a tag
        {"<p>ab</p>", 3, 20, "ERROR 0x8546FF17"}, // end beyond the HTML
        {"a&amp;b", 0, 3, "ERROR 0x8546A528"}, // end inside a reference
    };
    for (const auto& c : cases) {
        LogCapture log;
        Marker m;
        try {
            m.enclose(QString::fromUtf8(c.html), c.start, c.end);
            ADD_FAILURE() << "no exception for " << c.html;
        } catch (const Exception& e) {
            EXPECT_EQ(e.message(), c.error) << c.html << " [" << c.start << ", " << c.end << ")";
        }
        if (QString(c.error).endsWith("FF19")) {
            ASSERT_EQ(log.warnings().size(), 1) << c.html;
            EXPECT_TRUE(log.warnings().first().startsWith(
                "TarnolixHtmlEncloseHelper::closeTag error: openedTags.back().name='"))
                << qPrintable(log.warnings().first());
        }
    }
}

TEST(TarnolixHtmlEncloseHelper, MismatchWarningNamesBothTags)
{
    LogCapture log;
    EXPECT_THROW(enclose("<p><b>x</p></b>", 6, 7), Exception);
    EXPECT_EQ(log.warnings(),
        QStringList{"TarnolixHtmlEncloseHelper::closeTag error: openedTags.back().name='b' m_tagInfo.name='p'"});
}
