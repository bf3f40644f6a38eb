// The page-kind base and the search data: the script-literal escaping that
// every generated fragment goes through, and the clones that carry a
// search from one tab to another.
#include "core/Exception.h"
#include "tabs/PageSearchData.h"
#include "tabs/PageStatus.h"
#include "tests/support/MessageLog.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

namespace {

using tarnolix::test::MessageLog;
using C = TarnolixConstants;

TEST(EscapeJS, EveryCodeUnitAsAScriptLiteralNeedsIt)
{
    struct Case
    {
        QString text;
        QString escaped;
    };
    const Case cases[] = {
        {QStringLiteral("\b\t\n\f\r"), QStringLiteral("\\b\\t\\n\\f\\r")},
        {QStringLiteral("\"$'()*+.?[\\^|"), QStringLiteral("\\\"\\$\\'\\(\\)\\*\\+\\.\\?\\[\\\\\\^\\|")},
        // Other control characters as \u and four lower-case hex digits.
        {QString(QChar(0)) + QChar(1) + QChar(0x0b) + QChar(0x1f), QStringLiteral("\\u0000\\u0001\\u000b\\u001f")},
        {QStringLiteral("]{}/ "), QStringLiteral("]{}/ ")},
        {QStringLiteral("a\t\"$.b"), QStringLiteral("a\\t\\\"\\$\\.b")},
        // A character outside the BMP: two surrogates, both copied.
        {QStringLiteral("\U0001D11E ā"), QStringLiteral("\U0001D11E ā")},
        // Only ASCII is escaped: DEL, and units whose low byte is a quote, a
        // dot or a control character, are copied.
        {QString(QChar(0x7f)) + QChar(0xff22) + QChar(0x012e) + QChar(0x0409) + QChar(0x0100),
         QString(QChar(0x7f)) + QChar(0xff22) + QChar(0x012e) + QChar(0x0409) + QChar(0x0100)},
        {QStringLiteral("Слово. «Цитата» (с примечанием)"), QStringLiteral("Слово\\. «Цитата» \\(с примечанием\\)")},
        {QString(), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(PageStatus::escapeJS(c.text), c.escaped);
    }
}

TEST(EscapeJS, EachCodeUnitIsFoundWhereverItStands)
{
    // The scan takes eight units at a time and the rest one by one: put each
    // of the 65536 units at the start of a block, inside one and in the tail.
    const QString controlLetters = QStringLiteral("\b\t\n\f\r");
    const QString specials = QStringLiteral("\"$'()*+.?[\\^|");
    for (int unit = 0; unit <= 0xffff; ++unit) {
        const QChar c(static_cast<ushort>(unit));
        const int growth = unit < 32 ? (controlLetters.contains(c) ? 1 : 5) : (specials.contains(c) ? 1 : 0);
        for (const int at : {0, 9, 17}) {
            QString text(18, QLatin1Char('a'));
            text[at] = c;
            const QString escaped = PageStatus::escapeJS(text);
            if (escaped.size() != text.size() + growth || escaped.mid(at + growth + 1) != text.mid(at + 1)) {
                ADD_FAILURE() << "unit " << unit << " at " << at << ": " << escaped.toStdString();
                return;
            }
        }
    }
}

TEST(EscapeJS, AnOutputBeyondItsReservationOnlyWarns)
{
    MessageLog log;
    EXPECT_EQ(PageStatus::escapeJS(QStringLiteral("abcdefghij\"")), QStringLiteral("abcdefghij\\\""));
    EXPECT_TRUE(log.texts(QtWarningMsg).isEmpty()); // 12 units within the 14 reserved
    EXPECT_EQ(PageStatus::escapeJS(QStringLiteral("(((((")), QStringLiteral("\\(\\(\\(\\(\\("));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("escapeJS: reserveSize < o.size(): 6<10")));
    // Outgrown after a run of plain text, with more text after the escapes.
    const QString controls = QStringLiteral("abcdefghij") + QChar(1) + QChar(2) + QChar(3) + QStringLiteral("kl.m");
    EXPECT_EQ(PageStatus::escapeJS(controls), QStringLiteral("abcdefghij\\u0001\\u0002\\u0003kl\\.m"));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("escapeJS: reserveSize < o.size(): 22<33")));
}

TEST(PageStatusBase, HasNoKindAndTakesItsTitle)
{
    PageStatus page(QStringLiteral("Поиск"));
    EXPECT_EQ(page.type(), UrlCreator::InvalidQuery);
    EXPECT_EQ(page.property("type").value<UrlCreator::QueryType>(), UrlCreator::InvalidQuery);
    EXPECT_EQ(page.tabTitle(), QStringLiteral("Поиск"));
    QSignalSpy titleChanged(&page, &PageStatus::tabTitleChanged);
    page.setTabTitle(QStringLiteral("Поиск"));
    page.setTabTitle(QStringLiteral("Другой"));
    EXPECT_EQ(titleChanged.count(), 1);
}

TEST(SearchData, EachFamilyClonesIntoANewObjectOfItsClass)
{
    QObject owner;
    const GlossarySearchData glossary(nullptr);
    const WBWSearchData wordByWord(nullptr);
    const FTSearchData fullText(nullptr);
    struct Case
    {
        const PageSearchData* source;
        C::SearchType type;
        const char* className;
    };
    for (const Case& c : {Case{&glossary, C::GlossarySearch, "GlossarySearchData"},
                          Case{&wordByWord, C::WordByWord, "WBWSearchData"},
                          Case{&fullText, C::FullText, "FTSearchData"}}) {
        SCOPED_TRACE(c.className);
        PageSearchData* copy = c.source->clone(&owner, nullptr);
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy, c.source);
        EXPECT_EQ(copy->parent(), &owner);
        EXPECT_STREQ(copy->metaObject()->className(), c.className);
        EXPECT_EQ(copy->searchType(), c.type);
        EXPECT_EQ(copy->property("searchType").toInt(), int(c.type));
        EXPECT_FALSE(copy->hasSearchResults());
        // Into a given target of the same class: that object comes back.
        EXPECT_EQ(c.source->clone(&owner, copy), copy);
    }
    EXPECT_EQ(owner.children().size(), 3);
}

TEST(SearchData, ACloneNeedsATargetOfItsOwnClass)
{
    const PageSearchData base(nullptr);
    const PageBooksSearchData books(nullptr);
    for (const PageSearchData* source : {&base, static_cast<const PageSearchData*>(&books)}) {
        try {
            source->clone(nullptr, nullptr);
            ADD_FAILURE() << "nothing thrown";
        } catch (const Exception& e) {
            EXPECT_EQ(e.message(), QStringLiteral("clone must not be null"));
        }
    }
    // A word-by-word state does not go into full-text data, nor into glossary data.
    const WBWSearchData wordByWord(nullptr);
    FTSearchData fullText(nullptr);
    GlossarySearchData glossary(nullptr);
    EXPECT_THROW(wordByWord.clone(nullptr, &fullText), Exception);
    EXPECT_THROW(wordByWord.clone(nullptr, &glossary), Exception);
}

TEST(SearchDataDeathTest, DataWithoutAFamilyStopsTheProgramWhenAskedForIt)
{
    ::testing::FLAGS_gtest_death_test_style = "fast";
    const PageBooksSearchData books(nullptr);
    // The child dies by Qt's own fatal path, not through the crash capture.
    EXPECT_DEATH(
        {
            std::signal(SIGABRT, SIG_DFL);
            qInstallMessageHandler(nullptr);
            books.searchType();
        },
        "PageSearchData::searchType");
}

} // namespace
