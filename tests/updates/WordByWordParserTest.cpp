#include "updates/WordByWordParser.h"

#include "core/BookRecords.h"

#include "tests/core/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <QUrl>
#include <QUrlQuery>

#include <gtest/gtest.h>

namespace {

using Pairs = WordByWordDataForIndex::WordPairs;

QString entry(const QString& original, const QString& separator, const QString& translation,
              const QString& language = QStringLiteral("en"))
{
    const QString link = QStringLiteral("tarnolix://wbwsearch.%1?original=%2").arg(language, original.trimmed());
    return QStringLiteral("<i><a href=\"%1\">%2</a></i>%3%4").arg(link, original, separator, translation);
}

struct Outcome
{
    int parser = -1;
    QString text;
    Pairs pairs;
};

Outcome process(const QString& text, TarnolixConstants::Language language = TarnolixConstants::English)
{
    const auto parsers = makeWordByWordParsers(language);
    BookPart part;
    part.sectionCode = QStringLiteral("1.1");
    Outcome outcome;
    outcome.text = text;
    outcome.parser = processWordByWord(parsers, part, 5, outcome.text, outcome.pairs);
    return outcome;
}

constexpr int parser1 = 0;
constexpr int parser2 = 1;
constexpr int easy = 2;
constexpr int none = -1;

TEST(WordByWord, EachStyleIsTakenByItsParser)
{
    struct Case
    {
        QString text;
        int parser;
        Pairs pairs;
    };
    const Case cases[] = {
        // Spaced, unspaced and double separators, one kind per text.
        {"dharma — duty; karma — action", parser1, {{"dharma", "duty"}, {"karma", "action"}}},
        {"dharma—duty; karma—action", parser1, {{"dharma", "duty"}, {"karma", "action"}}},
        {"dharma – duty; karma – action", parser1, {{"dharma", "duty"}, {"karma", "action"}}},
        {"dharma -- duty; karma -- action", parser1, {{"dharma", "duty"}, {"karma", "action"}}},
        {"dharma-duty; karma-action", parser1, {{"dharma", "duty"}, {"karma", "action"}}},
        {"su-kham - joy; duḥ-kham - sorrow", parser1, {{"su-kham", "joy"}, {"duḥ-kham", "sorrow"}}},
        // A non-breaking space before the dash leaves it unspaced.
        {"dharma\u00a0— duty; karma\u00a0— action", parser1, {{"dharma", "duty"}, {"karma", "action"}}},
        // Mixed spacing is normalised first.
        {"dharma — duty; karma —action; yoga— union", parser1,
         {{"dharma", "duty"}, {"karma", "action"}, {"yoga", "union"}}},
        {"dharma - duty; karma -action", parser1, {{"dharma", "duty"}, {"karma", "action"}}},
        // A ";" piece without a separator belongs to the translation before it.
        {"dharma — duty; law; karma — action", parser1, {{"dharma", "duty; law"}, {"karma", "action"}}},
        {"dharma — duty; karma — action;", parser1, {{"dharma", "duty"}, {"karma", "action"}}},
        {"<p>dharma — duty; <span class=\"o\">karma</span> — action</p>", parser1,
         {{"dharma", "duty"}, {"karma", "action"}}},
        // Parenthesised originals, whatever Parser1 makes of their dashes.
        {"(dharma) - duty, (karma) - action", parser2, {{"dharma", "duty"}, {"karma", "action"}}},
        {"(dharma) — duty, (karma) — action, of deeds", parser2,
         {{"dharma", "duty"}, {"karma", "action, of deeds"}}},
        // One entry, or entries whose separators differ in kind.
        {"dharma - duty", easy, {{"dharma", "duty"}}},
        {"dharma — duty", easy, {{"dharma", "duty"}}},
        {"dharma — duty; karma – action", easy, {{"dharma", "duty"}, {"karma", "action"}}},
        {"(dharma) - duty", easy, {{"(dharma)", "duty"}}},
        // Not in any style.
        {"a - b - c", none, {}},
        {"Word note: dharma — duty; karma — action", none, {}},
        {"dharma means duty", none, {}},
        {"", none, {}},
    };
    LogCapture log;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        log.clear();
        const Outcome outcome = process(c.text);
        EXPECT_EQ(outcome.parser, c.parser);
        EXPECT_EQ(outcome.pairs, c.pairs);
        if (c.parser == none) {
            EXPECT_EQ(outcome.text, c.text);
            EXPECT_EQ(log.warnings(), QStringList{QStringLiteral("processWordByWord for book 5 section 1.1 failed")});
        } else {
            EXPECT_TRUE(log.warnings().isEmpty());
        }
    }
}

TEST(WordByWord, RendersLinkedEntriesInTheStyleOfTheirSource)
{
    struct Case
    {
        QString text;
        QString rendered;
    };
    const Case cases[] = {
        {"dharma — duty; karma — action",
         entry("dharma", " — ", "duty") + ";" + entry(" karma", " — ", "action")},
        {"dharma -- duty;karma -- action", entry("dharma ", "--", " duty") + ";" + entry("karma ", "--", " action")},
        {"(dharma) - duty, (karma) - action", entry("dharma", " -", " duty") + " , " + entry("karma", " -", " action")},
        {"dharma - duty", entry("dharma ", "-", " duty")},
        {"dharma - duty; karma -- action", entry("dharma ", "-", " duty") + ";" + entry(" karma ", "--", " action")},
        // Normalised spacing shows in the output.
        {"dharma — duty; karma —action", entry("dharma", " — ", "duty") + ";" + entry(" karma", " — ", "action")},
        // Text after the last ";" is kept with the last translation.
        {"dharma — duty; karma — action; see the commentary",
         entry("dharma", " — ", "duty") + ";" + entry(" karma", " — ", "action; see the commentary")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(process(c.text).text, c.rendered);
    }
}

TEST(WordByWord, LinksNameTheEditionLanguageAndEncodeTheOriginal)
{
    EXPECT_EQ(process("dharma — duty; karma — action", TarnolixConstants::InvalidLanguage).text,
              QStringLiteral("<i><a href=\"\">dharma</a></i> — duty;<i><a href=\"\"> karma</a></i> — action"));
    EXPECT_EQ(process("dharma - duty", TarnolixConstants::Sanskrit).text, entry("dharma ", "-", " duty", "st"));

    // The original cannot end the attribute it is written into, and reads
    // back as written.
    const Outcome odd = process("a\"b&c d — duty; ḍa — x");
    ASSERT_EQ(odd.parser, parser1);
    const int from = odd.text.indexOf("href=\"") + 6;
    const QString href = odd.text.mid(from, odd.text.indexOf('"', from) - from);
    EXPECT_EQ(QUrlQuery(QUrl(href)).queryItemValue("original", QUrl::FullyDecoded), QStringLiteral("a\"b&c d"));
    EXPECT_TRUE(odd.text.contains(QStringLiteral("\">a\"b&c d</a>")));
}

TEST(WordByWord, CountsSeparatorsBySpacing)
{
    const WordByWordStatistics s = WordByWordStatistics::of("a-b - c -- d — e—f – g–h;i; -j---k");
    EXPECT_EQ(s.semicolons, 2);
    EXPECT_EQ(s.plainHyphens, 3); // a-b, -j, the third of ---
    EXPECT_EQ(s.spacedHyphens, 1);
    EXPECT_EQ(s.doubleHyphens, 2);
    EXPECT_EQ(s.spacedEmDashes, 1);
    EXPECT_EQ(s.unspacedEmDashes, 1);
    EXPECT_EQ(s.spacedEnDashes, 1);
    EXPECT_EQ(s.unspacedEnDashes, 1);
    const WordByWordStatistics ends = WordByWordStatistics::of("—x —");
    EXPECT_EQ(ends.spacedEmDashes, 1);
    EXPECT_EQ(ends.unspacedEmDashes, 1);
}

TEST(WordByWord, SpacingNormalisationPutsDashesBetweenSinglePlainSpaces)
{
    struct Case
    {
        QString text;
        QChar dash;
        QString normalised;
    };
    const QChar em(0x2014);
    const Case cases[] = {
        {"a —b", em, "a — b"},
        {"a— b", em, "a — b"},
        {"a\t—\u00a0b", em, "a — b"},
        {"a\t—b", em, "a — b"},
        {"a—b", em, "a—b"},
        {"—b", em, "—b"},
        {"a —", em, "a —"},
        {"a -b; c- d; e-f", '-', "a - b; c - d; e-f"},
        {"a --b", '-', "a --b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        QString text = c.text;
        EXPECT_EQ(normaliseDashSpacing(text, c.dash), c.text != c.normalised);
        EXPECT_EQ(text, c.normalised);
    }
}

} // namespace
