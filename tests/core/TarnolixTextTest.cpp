#include "core/TarnolixText.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

#include <QSet>

using namespace TarnolixText;

namespace {

bool anyContains(const QStringList& messages, const QString& part)
{
    for (const QString& m : messages) {
        if (m.contains(part))
            return true;
    }
    return false;
}

QChar referenceChar(const QString& name)
{
    for (const CharReference& r : htmlCharReferences()) {
        if (r.name == name)
            return r.ch;
    }
    return QChar();
}

} // namespace

TEST(TarnolixText, TablesHoldTheListsInOrderWithWideCopies)
{
    initHtmlTagTables();
    EXPECT_EQ(htmlTagOpeners(), (QStringList{"<div", "<a", "<span", "<h1", "<h2", "<h3"}));
    ASSERT_EQ(htmlPlainTags().size(), 23);
    EXPECT_EQ(htmlPlainTags().first(), "<p>");
    EXPECT_EQ(htmlPlainTags().last(), "</em>");
    EXPECT_EQ(htmlPlainTagsWithBreaks(), htmlPlainTags() + QStringList({"<br>", "</br>"}));
    EXPECT_EQ(htmlBreakTag(), "<br>");
    EXPECT_EQ(htmlBreakEndTag(), "</br>");
    EXPECT_EQ(htmlVoidTags(), (QStringList{"br", "img"}));

    const auto wideEqual = [](const std::vector<std::wstring>& wide, const QStringList& list) {
        ASSERT_EQ(int(wide.size()), list.size());
        for (int i = 0; i < list.size(); ++i)
            EXPECT_EQ(QString::fromStdWString(wide[std::size_t(i)]), list[i]);
    };
    wideEqual(htmlTagOpenersW(), htmlTagOpeners());
    wideEqual(htmlPlainTagsW(), htmlPlainTags());
    wideEqual(htmlPlainTagsWithBreaksW(), htmlPlainTagsWithBreaks());
    EXPECT_EQ(htmlBreakTagW(), L"<br>");
    EXPECT_EQ(htmlBreakEndTagW(), L"</br>");
}

TEST(TarnolixText, CharacterReferencesAreTheStandardOnesExceptTheCurrencySigns)
{
    const QVector<CharReference>& refs = htmlCharReferences();
    ASSERT_EQ(refs.size(), 76);
    EXPECT_EQ(refs.first().name, "nbsp");
    EXPECT_EQ(refs.last().name, "euro");
    QSet<QString> names;
    for (const CharReference& r : refs) {
        EXPECT_FALSE(r.ch.isNull()) << qPrintable(r.name);
        names.insert(r.name);
    }
    EXPECT_EQ(names.size(), 76);

    const struct
    {
        const char* name;
        ushort ch;
    } cases[] = {
        {"nbsp", 0x00A0},  {"shy", 0x00AD},   {"lt", 0x003C},    {"amp", 0x0026},   {"apos", 0x0027},
        {"prime", 0x2032}, {"Prime", 0x2033}, {"lsaquo", 0x2039}, {"bdquo", 0x201E}, {"fnof", 0x0192},
        {"oline", 0x203E}, {"crarr", 0x21B5}, {"hArr", 0x21D4},  {"diams", 0x2666}, {"yen", 0x00A5},
        {"euro", 0x20AC},  {"cent", 0xFFE0},  {"pound", 0xFFE1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(referenceChar(c.name).unicode(), c.ch) << c.name;
}

TEST(TarnolixText, GetTagReadsOpeningClosingAndSelfClosingTags)
{
    const struct
    {
        const char* html;
        int pos;
        const char* name;
        qint32 kind;
        qint32 length;
        bool selfClosing;
    } cases[] = {
        {"<p>", 0, "p", TagInfo::Opening, 3, false},
        {"x</p>y", 1, "p", TagInfo::Closing, 4, false},
        {"<a href=x.html>", 0, "a", TagInfo::Opening, 15, false},
        {"<br>", 0, "br", TagInfo::Opening, 4, false},
        {"<br/>", 0, "br", TagInfo::Opening, 5, true},
        {"<br />", 0, "br", TagInfo::Opening, 6, true},
        {"</br>", 0, "br", TagInfo::Closing, 5, false},
        {"<img src=a/b.png>", 0, "img", TagInfo::Opening, 17, false},
        {"<span class=\"v\"/>", 0, "span", TagInfo::Opening, 17, true},
        {"<img src=\"x.png\"/>", 0, "img", TagInfo::Opening, 18, true},
        {"<input disabled/>", 0, "input", TagInfo::Opening, 17, true},
        {"<img src=x />", 0, "img", TagInfo::Opening, 13, true},
        // A "/" that ends an unquoted attribute value belongs to the value.
        {"<a href=/books/>", 0, "a", TagInfo::Opening, 16, false},
        {"<a href=x title=y/>", 0, "a", TagInfo::Opening, 19, false},
        {"<я>", 0, "я", TagInfo::Opening, 3, false},
    };
    for (const auto& c : cases) {
        const QString html = QString::fromUtf8(c.html);
        TagInfo tag;
        ASSERT_TRUE(getTag(html, c.pos, true, tag)) << c.html;
        EXPECT_EQ(tag.name.toString(), QString::fromUtf8(c.name)) << c.html;
        EXPECT_EQ(tag.kind, c.kind) << c.html;
        EXPECT_EQ(tag.length, c.length) << c.html;
        EXPECT_EQ(tag.selfClosing, c.selfClosing) << c.html;

        TagInfo nameless;
        ASSERT_TRUE(getTag(html, c.pos, false, nameless));
        EXPECT_TRUE(nameless.name.isEmpty());
        EXPECT_EQ(nameless.length, c.length);
    }
}

TEST(TarnolixText, GetTagRefusesWhatIsNoTag)
{
    LogCapture log;
    TagInfo tag;
    EXPECT_FALSE(getTag("<1>", 0, true, tag));
    ASSERT_EQ(log.warnings().size(), 1);
    EXPECT_EQ(log.warnings().first(), "TarnolixText::getTag: Invalid tag: <1>");

    log.clear();
    const QString unclosed = "<b x" + QString(200, 'y');
    EXPECT_FALSE(getTag(unclosed, 0, true, tag));
    ASSERT_EQ(log.warnings().size(), 1);
    EXPECT_EQ(log.warnings().first(), "TarnolixText::getTag: Invalid tag: " + unclosed.left(100));

    log.clear();
    EXPECT_FALSE(getTag("<b", 0, true, tag));
    EXPECT_FALSE(getTag("ab<", 2, true, tag));
    EXPECT_FALSE(getTag("x<p>", 0, true, tag));
    EXPECT_FALSE(getTag("<p>", -1, true, tag));
    EXPECT_TRUE(log.warnings().isEmpty());
    EXPECT_FALSE(getTag("a < b>", 2, true, tag));
    EXPECT_EQ(log.warnings().size(), 1);
}

TEST(TarnolixText, GetHtmlSpecialChar)
{
    const struct
    {
        const char* html;
        int pos;
        bool ok;
        ushort ch;
        int length;
        const char* warning;
    } cases[] = {
        {"&#65;", 0, true, 'A', 5, nullptr},
        {"x&#1090;y", 1, true, 0x0442, 7, nullptr},
        {"&cent;", 0, true, 0xFFE0, 6, nullptr},
        {"&amp;&lt;", 5, true, '<', 4, nullptr},
        {"&Prime;", 0, true, 0x2033, 7, nullptr},
        {"&#x41;", 0, false, 0, 0, "TarnolixText::getHTMLSpecialChar: Invalid special character: x41"},
        {"&#70000;", 0, false, 0, 0, "TarnolixText::getHTMLSpecialChar: Invalid special character: 70000"},
        {"&#;", 0, false, 0, 0, "TarnolixText::getHTMLSpecialChar: Invalid special character: "},
        {"&Amp;", 0, false, 0, 0, "TarnolixText::getHTMLSpecialChar: Unknown special character: Amp"},
        {"&zwnj;", 0, false, 0, 0, "TarnolixText::getHTMLSpecialChar: Unknown special character: zwnj"},
        // The ";" 20 code units after the "&" is the farthest that counts.
        {"&#000000000000000065;", 0, true, 'A', 21, nullptr},
        {"&#0000000000000000065;", 0, false, 0, 0, nullptr},
        {"&amp", 0, false, 0, 0, nullptr},
        {"&;", 0, false, 0, 0, nullptr},
        {"a&", 1, false, 0, 0, nullptr},
        {"x&amp;", 0, false, 0, 0, nullptr},
    };
    for (const auto& c : cases) {
        LogCapture log;
        SpecialChar sc;
        EXPECT_EQ(getHTMLSpecialChar(QString::fromUtf8(c.html), c.pos, sc), c.ok) << c.html;
        if (c.ok) {
            EXPECT_EQ(sc.ch.unicode(), c.ch) << c.html;
            EXPECT_EQ(sc.length, c.length) << c.html;
        }
        if (c.warning)
            EXPECT_EQ(log.warnings(), QStringList{c.warning}) << c.html;
        else
            EXPECT_TRUE(log.warnings().isEmpty()) << c.html;
    }
}

TEST(TarnolixText, AbsolutePositionOfOffsets)
{
    const struct
    {
        const char* html;
        int offset;
        int expected;
        const char* warning;
    } cases[] = {
        {"<p>ab</p>", 0, 0, nullptr},
        {"<p>ab</p>", 3, 0, nullptr},
        {"<p>ab</p>", 4, 1, nullptr},
        {"<p>ab</p>", 5, 2, nullptr},
        {"<p>ab</p>", 9, 2, nullptr},
        {"<p>ab</p>", 1, -1, "TarnolixText::getAbsolutePosition: offset(1) not found in: <p>ab</p>"},
        {"<p>ab</p>", 10, -1, "TarnolixText::getAbsolutePosition: offset(10) > html.size(9)"},
        // A reference is one visible character; an offset inside it has none.
        {"a&amp;b", 6, 2, nullptr},
        {"a&amp;b", 7, 3, nullptr},
        {"a&amp;b", 3, -1, "TarnolixText::getAbsolutePosition: offset(3) not found in: a&amp;b"},
        // A "<" that begins no tag is visible.
        {"a<1", 2, 2, "TarnolixText::getAbsolutePosition: Invalid tag: <1"},
        // Offsets count UTF-16 units: the emoji is two.
        {"<p>\xF0\x9F\x98\x80x</p>", 5, 2, nullptr},
        {"<p>\xF0\x9F\x98\x80x</p>", 6, 3, nullptr},
    };
    for (const auto& c : cases) {
        LogCapture log;
        EXPECT_EQ(getAbsolutePosition(QString::fromUtf8(c.html), c.offset), c.expected) << c.html << " @" << c.offset;
        if (c.warning)
            EXPECT_TRUE(anyContains(log.warnings(), c.warning)) << c.html << " @" << c.offset;
        else
            EXPECT_TRUE(log.warnings().isEmpty()) << c.html << " @" << c.offset;
    }
}

TEST(TarnolixText, PositionOfTextPositions)
{
    const struct
    {
        const char* html;
        int position;
        int zeroMode;
        int expected;
        const char* warning;
    } cases[] = {
        {"<p>ab</p>", 1, ZeroIsError, 4, nullptr},
        {"<p>ab</p>", 2, ZeroIsError, 5, nullptr},
        {"<p>ab</p>", 0, ZeroAfterLeadingTags, 3, nullptr},
        {"<p>ab</p>", 0, ZeroIsStart, 0, nullptr},
        {"<p>ab</p>", 0, ZeroIsError, -1, "TarnolixText::getPosition: Error: absolutePosition is 0, html: <p>ab</p>"},
        // A position equal to the HTML's length in code units gives that length.
        {"<p>ab</p>", 9, ZeroIsError, 9, nullptr},
        {"<p>ab</p>", 10, ZeroIsError, -1, "TarnolixText::getPosition: absolutePosition(10) > html.size(9)"},
        {"<p>ab</p>", 3, ZeroIsError, -1, "TarnolixText::getPosition: absolutePosition(3) not found in: <p>ab</p>"},
        {"<p>ab</p><p>cd</p>", 3, ZeroIsError, 13, nullptr},
        {"a&amp;b", 2, ZeroIsError, 6, nullptr},
        {"<p>\xF0\x9F\x98\x80x</p>", 3, ZeroIsError, 6, nullptr},
        {"", 0, ZeroAfterLeadingTags, 0, nullptr},
        {"<div><p>x", 0, ZeroAfterLeadingTags, 8, nullptr},
        // Tags only: no visible character to stand before.
        {"<p></p>", 0, ZeroAfterLeadingTags, -1, "TarnolixText::getPosition: absolutePosition(0) not found in: <p></p>"},
        // A leading "<" that begins no tag is the first visible character.
        {"<p>< x</p>", 0, ZeroAfterLeadingTags, 3, "TarnolixText::getPosition: Invalid tag: < x</p>"},
    };
    for (const auto& c : cases) {
        LogCapture log;
        EXPECT_EQ(getPosition(QString::fromUtf8(c.html), c.position, c.zeroMode), c.expected)
            << c.html << " @" << c.position << " mode " << c.zeroMode;
        if (c.warning)
            EXPECT_TRUE(anyContains(log.warnings(), c.warning)) << c.html << " @" << c.position;
        else
            EXPECT_TRUE(log.warnings().isEmpty()) << c.html << " @" << c.position;
    }
}

TEST(TarnolixText, PositionsRoundTripThroughOffsets)
{
    const QString html = QString::fromUtf8(
        "<div class=v><p>Om &amp; <b>\xF0\x9F\x98\x80</b>x</p><p>a &lt; b<br/>c</p></div>");
    const int visible = getAbsolutePosition(html, html.size());
    EXPECT_EQ(visible, getClearText(html, html.size()).remove('\n').size());
    for (int n = 1; n <= visible; ++n) {
        const int offset = getPosition(html, n, ZeroIsError);
        ASSERT_GT(offset, 0) << n;
        EXPECT_EQ(getAbsolutePosition(html, offset), n) << n;
    }
}

TEST(TarnolixText, ClearText)
{
    const struct
    {
        const char* html;
        const char* expected;
    } cases[] = {
        {"<p>a</p><p>b</p>", "a\n\nb\n"},
        {"<ol><li>one</li><li>two</li></ol>", "one\ntwo\n"},
        {"a &amp; b", "a & b"},
        // Self-closing and closing line-break tags break the line too.
        {"x<br/>y", "x\ny"},
        {"x<br />y</br>z<br>", "x\ny\nz\n"},
        {"<h1>Title  </h1>text", "Title\ntext"},
        {"a<div>b</div>c", "a\nbc"},
        {"<p>a  </p>", "a\n"},
        {"one\ntwo", "onetwo"},
        {"<b>bold</b> <i>it</i>", "bold it"},
        {"a < b", "a < b"},
        {"&#1054;&#1084;", "\xD0\x9E\xD0\xBC"},
        // A zero or surrogate reference never becomes a NUL or a lone surrogate.
        {"a&#0;b", "a\xEF\xBF\xBD" "b"},
        {"a&#55296;b", "a\xEF\xBF\xBD" "b"},
        // Signs and blanks make no numeric reference: the text stays as written.
        {"a&#+65;b", "a&#+65;b"},
        {"a&# 65;b", "a&# 65;b"},
        {"", ""},
    };
    for (const auto& c : cases) {
        const QString html = QString::fromUtf8(c.html);
        EXPECT_EQ(getClearText(html, html.size()), QString::fromUtf8(c.expected)) << c.html;
    }
}

TEST(TarnolixText, ClearTextOfAPrefixAndOfStrayTagsInLists)
{
    EXPECT_EQ(getClearText("<p>abc</p>", 5), "ab");
    EXPECT_EQ(getClearText("<p>abc</p>", -1), "");
    EXPECT_EQ(getClearText("<p>abc</p>", 100), "abc\n");

    LogCapture log;
    EXPECT_EQ(getClearText("<ol><b>x</b></ol>", 17), "x");
    EXPECT_EQ(log.warnings(), QStringList{"ERROR 0xF4787416"});
}

TEST(TarnolixText, RemoveHtmlTags)
{
    const struct
    {
        const char* html;
        bool withBreaks;
        const char* expected;
    } cases[] = {
        {"<div class=v><p>x</p></div>", false, "x"},
        {"<b>x</b>", false, "<b>x</b>"},
        {"<i class=x>y</i>", false, "<i class=x>y"},
        {"a<br>b</br>c", false, "a<br>b</br>c"},
        {"a<br>b</br>c", true, "abc"},
        {"<span class=\"s\">x</span><h2 id=1>T</h2>", true, "xT"},
        // Openers match by prefix.
        {"<abbr title=t>y", false, "y"},
        // After a removal the scan goes on from where the tag was.
        {"<p></p><p>x</p>", false, "x"},
        {"<<p>p>", false, "<p>"},
        // An opener without ">" stays.
        {"x<div class", false, "x<div class"},
        {"<p>x<a href", false, "x<a href"},
        {"", false, ""},
    };
    for (const auto& c : cases) {
        QString html = QString::fromUtf8(c.html);
        removeHtmlTags(html, htmlTagOpeners(), c.withBreaks ? htmlPlainTagsWithBreaks() : htmlPlainTags());
        EXPECT_EQ(html, QString::fromUtf8(c.expected)) << c.html;
    }
}
