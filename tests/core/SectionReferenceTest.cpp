#include "core/BookRecords.h"
#include "core/SectionReference.h"

#include <gtest/gtest.h>

namespace {

std::shared_ptr<BookSection> numbered(int section, int chapter, int poem, int otherPoems = 0)
{
    auto s = std::make_shared<BookSection>();
    s->numberCodeSection = section;
    s->numberCodeChapter = chapter;
    s->numberCodePoem = poem;
    s->numberOtherPoems = otherPoems;
    return s;
}

std::shared_ptr<BookSection> named(const QString& name, const QString& slug = QString())
{
    auto s = std::make_shared<BookSection>();
    s->name = name;
    s->slug = slug;
    return s;
}

} // namespace

TEST(SectionReference, ReadingsOfNumbersNamesAndSlugs)
{
    const struct
    {
        const char* what;
        std::shared_ptr<BookSection> section;
        SectionReference expected;
    } cases[] = {
        {"stored numbers", numbered(1, 2, 3), {1, 2, 3, 3, true}},
        {"stored numbers with further verses", numbered(0, 4, 5, 8), {0, 4, 5, 8, true}},
        {"further verses below the first", numbered(1, 2, 9, 4), {1, 2, 9, 9, true}},
        {"only a section number", numbered(3, 0, 0), {3, 0, 0, 0, true}},
        {"name", named("2.13"), {0, 2, 13, 13, true}},
        {"name with blanks around", named("  1.5 "), {0, 1, 5, 5, true}},
        {"name with a range", named("2.12-14"), {0, 2, 12, 14, true}},
        {"name with an en dash range", named(QString::fromUtf8("2.12\u201314")), {0, 2, 12, 14, true}},
        {"verse slug", named("Стихи 5-7", "glava-3.stikh-5-7"), {0, 3, 5, 7, true}},
        {"english verse slug", named("", "chapter-2.verses-10"), {0, 2, 10, 10, true}},
        {"bare numbered slug", named("", "3.5"), {0, 3, 5, 5, true}},
        {"text slug", named("", "4.text-2"), {0, 4, 2, 2, true}},
        {"chapter slug", named("Глава 3", "chapter-3"), {0, 3, 0, 0, true}},
        {"glava slug", named("", "glava-12"), {0, 12, 0, 0, true}},
        {"name wins over slug", named("2.13", "chapter-9"), {0, 2, 13, 13, true}},
        {"no number", named("Введение", "vvedenie"), {}},
        {"number too large", named("99999999999.1", "x"), {}},
        {"slug patterns are case-sensitive", named("", "Chapter-3"), {}},
        {"three-part name", named("1.2.3"), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const SectionReference r = parseSectionNumberSlug(*c.section);
        EXPECT_EQ(r.valid, c.expected.valid);
        EXPECT_EQ(r.section, c.expected.section);
        EXPECT_EQ(r.chapter, c.expected.chapter);
        EXPECT_EQ(r.verseFrom, c.expected.verseFrom);
        EXPECT_EQ(r.verseTo, c.expected.verseTo);
    }
}

TEST(FindMatchingSection, PicksTheOneSectionWhoseVersesHoldTheFirstVerse)
{
    const auto given = numbered(2, 5, 14);
    const auto first = numbered(2, 5, 10, 15);
    const auto second = numbered(2, 5, 16, 20);
    EXPECT_EQ(findMatchingSection(*given, {first, second}), first);
    EXPECT_EQ(findMatchingSection(*given, {nullptr, second, first}), first);

    // Two candidates that hold verse 14: ambiguous.
    EXPECT_EQ(findMatchingSection(*given, {first, numbered(2, 5, 14)}), nullptr);
    // Same verses in another chapter or section number, or no readable number.
    EXPECT_EQ(findMatchingSection(*given, {numbered(2, 6, 10, 15), numbered(1, 5, 10, 15), named("x", "x")}),
              nullptr);
    EXPECT_EQ(findMatchingSection(*given, {}), nullptr);
}

TEST(FindMatchingSection, BoundsOfTheRangeAreInclusive)
{
    EXPECT_NE(findMatchingSection(*named("2.10"), {named("2.10-14")}), nullptr);
    EXPECT_NE(findMatchingSection(*named("2.14"), {named("2.10-14")}), nullptr);
    EXPECT_EQ(findMatchingSection(*named("2.15"), {named("2.10-14")}), nullptr);
    // Only the given section's first verse counts.
    EXPECT_NE(findMatchingSection(*named("2.14-18"), {named("2.10-14")}), nullptr);
}

TEST(FindMatchingSection, NamesInOneLanguageMatchRangesInAnother)
{
    const auto russian = named("2.13", "2-13");
    const auto english = {named("2.11", "2-11"), named("2.12-14", "2-12-14"), named("2.15", "2-15")};
    const auto found = findMatchingSection(*russian, english);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->name, "2.12-14");
}

TEST(FindMatchingSection, WithoutANumberTheSlugDecides)
{
    const auto preface = named("Предисловие", "preface");
    const auto same = named("Preface", "preface");
    EXPECT_EQ(findMatchingSection(*preface, {named("Intro", "intro"), same}), same);
    EXPECT_EQ(findMatchingSection(*preface, {same, named("Preface again", "preface")}), nullptr);

    // An empty slug never matches, not even another empty slug.
    EXPECT_EQ(findMatchingSection(*named("Без номера"), {named("No number")}), nullptr);
}
