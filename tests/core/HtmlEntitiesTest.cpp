#include "core/HtmlEntities.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Decoded
{
    std::string separate;
    std::string inPlace;
    std::size_t length;
};

// Decodes into a separate buffer and in place; both must agree.
Decoded decode(const std::string& input)
{
    std::vector<char> dest(input.size() + 1, '\x7F');
    const std::size_t n = decodeHtmlEntities(dest.data(), input.c_str());
    EXPECT_EQ(dest[n], '\0');

    std::vector<char> buf(input.c_str(), input.c_str() + input.size() + 1);
    const std::size_t m = decodeHtmlEntities(buf.data(), nullptr);
    EXPECT_EQ(m, n) << input;
    return {std::string(dest.data(), n), std::string(buf.data(), m), n};
}

struct Case
{
    const char* input;
    const char* expected;
};

} // namespace

TEST(HtmlEntities, DecodesNamedNumericAndLeavesMalformedAlone)
{
    const Case cases[] = {
        // Named references.
        {"a &amp; b", "a & b"},
        {"&lt;&gt;", "<>"},
        {"&nbsp;", "\xC2\xA0"},
        {"&AElig;&zwnj;&apos;&quot;", "\xC3\x86\xE2\x80\x8C'\""},
        {"&euro;&hellip;", "\xE2\x82\xAC\xE2\x80\xA6"},
        {"&Alpha;&alpha;", "\xCE\x91\xCE\xB1"},
        {"&amp;amp;", "&amp;"},
        {"&amp;;", "&;"},
        // Decimal and hexadecimal.
        {"&#65;&#x41;&#X41;", "AAA"},
        {"&#0065;", "A"},
        {"&#x20AC;", "\xE2\x82\xAC"},
        {"&#x1F600;", "\xF0\x9F\x98\x80"},
        {"&#x7F;&#x80;&#x7FF;&#x800;&#xFFFF;&#x10000;&#x10FFFF;",
         "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
        // Values that are not characters become U+FFFD.
        {"&#0;", "\xEF\xBF\xBD"},
        {"&#x0;", "\xEF\xBF\xBD"},
        {"&#xD800;&#xDFFF;&#55296;", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"&#xD7FF;&#xE000;", "\xED\x9F\xBF\xEE\x80\x80"},
        // Malformed or unknown: copied unchanged.
        {"&amp", "&amp"},
        {"& amp;", "& amp;"},
        {"&AMP;", "&AMP;"},
        {"&unknown;", "&unknown;"},
        {"&;", "&;"},
        {"&", "&"},
        {"&#1114112;", "&#1114112;"},
        {"&#x110000;", "&#x110000;"},
        {"&#99999999999999999999999;", "&#99999999999999999999999;"},
        {"&#12a;", "&#12a;"},
        {"&#;", "&#;"},
        {"&#x;", "&#x;"},
        {"&# 65;", "&# 65;"},
        {"&#+65;", "&#+65;"},
        {"&#-65;", "&#-65;"},
        {"&#x-41;", "&#x-41;"},
        {"&#x0x41;", "&#x0x41;"},
        {"&#65 ;", "&#65 ;"},
        {"&#6 5;", "&#6 5;"},
        {"&#x4G;", "&#x4G;"},
        {"&#65", "&#65"},
        // A failed reference does not swallow the next one.
        {"&&amp;", "&&"},
        {"&#&#65;", "&#A"},
        {"&nbsp&lt;", "&nbsp<"},
        {"", ""},
        {"plain text", "plain text"},
    };
    for (const Case& c : cases) {
        const Decoded d = decode(c.input);
        EXPECT_EQ(d.separate, c.expected) << "input: " << c.input;
        EXPECT_EQ(d.inPlace, c.expected) << "input: " << c.input;
        EXPECT_EQ(d.length, std::strlen(c.expected)) << "input: " << c.input;
    }
}

TEST(HtmlEntities, ZeroReferenceNeverCutsTheParagraph)
{
    const Decoded d = decode("<p>before&#0;after&#x00000;end</p>");
    EXPECT_EQ(d.separate, "<p>before\xEF\xBF\xBD" "after\xEF\xBF\xBD" "end</p>");
    EXPECT_EQ(std::strlen(d.separate.c_str()), d.length) << "no NUL inside the result";
}

TEST(HtmlEntities, LongTextOfManyReferencesAndLeavesErrnoAlone)
{
    std::string input;
    std::string expected;
    for (int i = 0; i < 2000; ++i) {
        input += "x&#x3B1;&amp&lt;&#1114112;";
        expected += "x\xCE\xB1&amp<&#1114112;";
    }
    errno = 4242;
    const Decoded d = decode(input);
    EXPECT_EQ(errno, 4242);
    EXPECT_EQ(d.separate, expected);
    EXPECT_EQ(d.inPlace, expected);
}
