#include "search/index/Analyzers.h"
#include "search/index/StringReader.h"
#include "search/index/Tokenizers.h"
#include "search/index/Utf16Units.h"

#include "tests/core/LogCapture.h"
#include "tests/search_index/TokenStreamText.h"

#include <gtest/gtest.h>

#include <thread>

using namespace tarnolix;
using tarnolix::test::Token;
using Terms = std::vector<std::wstring>;

namespace {

Lucene::ReaderPtr reader(const std::wstring& text)
{
    return Lucene::newLucene<StringReader>(text);
}

template <class A>
Terms fresh(const boost::shared_ptr<A>& analyzer, const std::wstring& field, const std::wstring& text)
{
    return test::terms(analyzer->tokenStream(field, reader(text)));
}

template <class A>
Terms reused(const boost::shared_ptr<A>& analyzer, const std::wstring& field, const std::wstring& text)
{
    return test::terms(analyzer->reusableTokenStream(field, reader(text)));
}

// Both ways of asking must agree; the reusable one is what indexing uses.
template <class A>
Terms analysed(const boost::shared_ptr<A>& analyzer, const std::wstring& field, const std::wstring& text)
{
    const Terms once = fresh(analyzer, field, text);
    EXPECT_EQ(reused(analyzer, field, text), once) << "field " << QString::fromStdWString(field).toStdString();
    return once;
}

boost::shared_ptr<EnglishAnalyzer> english()
{
    return Lucene::newLucene<EnglishAnalyzer>(Lucene::LuceneVersion::LUCENE_CURRENT);
}

boost::shared_ptr<RussianAnalyzer> russian()
{
    return Lucene::newLucene<RussianAnalyzer>(Lucene::LuceneVersion::LUCENE_CURRENT);
}

struct FieldCase
{
    const wchar_t* field;
    Terms terms;
};

template <class A, std::size_t N>
void expectFields(const boost::shared_ptr<A>& analyzer, const std::wstring& text, const FieldCase (&cases)[N])
{
    for (const FieldCase& c : cases)
        EXPECT_EQ(analysed(analyzer, c.field, text), c.terms) << QString::fromWCharArray(c.field).toStdString();
}

} // namespace

TEST(Analyzers, EnglishContentTypes)
{
    const auto analyzer = english();
    const std::wstring text = L"Kṛṣṇa's I.B.M. the Gītā don't";
    const FieldCase cases[] = {
        // A folds diacritics and drops stop words; C keeps the marks.
        {L"A", {L"krsna", L"s", L"i", L"b", L"m", L"gita", L"don", L"t"}},
        {L"C", {L"kṛṣṇa", L"s", L"i", L"b", L"m", L"gītā", L"don", L"t"}},
        // The exact letters keep stop words.
        {L"E", {L"krsna", L"s", L"i", L"b", L"m", L"the", L"gita", L"don", L"t"}},
        {L"G", {L"kṛṣṇa", L"s", L"i", L"b", L"m", L"the", L"gītā", L"don", L"t"}},
        {L"cts1Ewwo", {L"krsna", L"s", L"i", L"b", L"m", L"the", L"gita", L"don", L"t"}},
        {L"cts1Gwwt", {L"kṛṣṇa", L"s", L"i", L"b", L"m", L"the", L"gītā", L"don", L"t"}},
    };
    expectFields(analyzer, text, cases);

    // A phrase of stop words alone still gives terms under E and G.
    EXPECT_EQ(analysed(analyzer, L"E", L"The and of"), (Terms{L"the", L"and", L"of"}));
    EXPECT_EQ(analysed(analyzer, L"G", L"The and of"), (Terms{L"the", L"and", L"of"}));
    EXPECT_TRUE(analysed(analyzer, L"A", L"The and of").empty());
}

TEST(Analyzers, StopWordsLeavePositionGapsWithoutStemming)
{
    const auto stream = english()->tokenStream(L"A", reader(L"the Quick Brown Foxes"));
    const std::vector<Token> expected = {{L"quick", 4, 9, 2}, {L"brown", 10, 15, 1}, {L"foxes", 16, 21, 1}};
    EXPECT_EQ(test::tokens(stream), expected);
}

TEST(Analyzers, RussianContentTypes)
{
    const auto analyzer = russian();
    const std::wstring text = L"Мы читали эти старые книги о йоге, а Кṛṣṇа — ёлка";
    const FieldCase cases[] = {
        // A folds, drops stop words and stems; C stems with the marks kept.
        {L"A", {L"чита", L"стар", L"книг", L"иог", L"крсна", L"елк"}},
        {L"C", {L"чита", L"стар", L"книг", L"йог", L"кṛṣṇа", L"ёлка"}},
        // The exact letters neither stem nor drop stop words, as in English.
        {L"E", {L"мы", L"читали", L"эти", L"старые", L"книги", L"о", L"иоге", L"а", L"крсна", L"елка"}},
        {L"G", {L"мы", L"читали", L"эти", L"старые", L"книги", L"о", L"йоге", L"а", L"кṛṣṇа", L"ёлка"}},
    };
    expectFields(analyzer, text, cases);

    const auto stream = analyzer->tokenStream(L"A", reader(L"и книги"));
    EXPECT_EQ(test::tokens(stream), (std::vector<Token>{{L"книг", 2, 7, 2}}));
}

TEST(Analyzers, OtherFieldsUseTheBaseAnalysis)
{
    // Texts on which the base chains and ours differ.
    const std::wstring englishText = L"Kṛṣṇa's I.B.M. a^b the";
    const std::wstring russianText = L"к\uF101ма и a^b Книги";
    const auto en = english();
    const auto ru = russian();
    const auto baseEn = Lucene::newLucene<Lucene::StandardAnalyzer>(Lucene::LuceneVersion::LUCENE_CURRENT);
    const auto baseRu = Lucene::newLucene<Lucene::RussianAnalyzer>(Lucene::LuceneVersion::LUCENE_CURRENT);
    const Terms englishBase = test::terms(baseEn->tokenStream(L"x", reader(englishText)));
    const Terms russianBase = test::terms(baseRu->tokenStream(L"x", reader(russianText)));
    ASSERT_EQ(englishBase, (Terms{L"kṛṣṇa", L"ibm", L"b"}));
    // "к" is a Russian stop word; the letter tokenizer splits at the private-use letter.
    ASSERT_EQ(russianBase, (Terms{L"ма", L"a", L"b", L"книг"}));

    for (const wchar_t* field : {L"B", L"D", L"F", L"H", L"cts1Dwwo", L"cts1Bx", L"content", L"snx", L"Asn",
                                 L"cts1A", L"bid", L""}) {
        SCOPED_TRACE(QString::fromWCharArray(field).toStdString());
        EXPECT_EQ(analysed(en, field, englishText), englishBase);
        EXPECT_EQ(analysed(ru, field, russianText), russianBase);
    }
    EXPECT_NE(analysed(en, L"A", englishText), englishBase);
    EXPECT_NE(analysed(ru, L"A", russianText), russianBase);
}

TEST(Analyzers, ShortNamesByTheirExactFieldName)
{
    for (const bool isRussian : {false, true}) {
        SCOPED_TRACE(isRussian ? "russian" : "english");
        const Terms shortName = isRussian ? analysed(russian(), L"sn", L"Бг 1.2.3-а  SB\u00A010")
                                          : analysed(english(), L"sn", L"Bg 1.2.3-a  SB\u00A010");
        EXPECT_EQ(shortName, isRussian ? (Terms{L"Бг", L"1.2.3-а", L"SB", L"10"})
                                       : (Terms{L"Bg", L"1.2.3-a", L"SB", L"10"}));
    }
    const auto analyzer = english();
    const auto first = analyzer->reusableTokenStream(L"sn", reader(L"x"));
    const auto second = analyzer->reusableTokenStream(L"sn", reader(L"Bg 2"));
    EXPECT_EQ(first, second);
    EXPECT_EQ(test::terms(second), (Terms{L"Bg", L"2"}));
}

TEST(Analyzers, CreateAnswersUnknownContentTypesWithAWarning)
{
    LogCapture log;
    Lucene::TokenizerPtr source;
    for (const char16_t letter : {u'B', u'D', u'F', u'H'}) {
        EXPECT_FALSE(english()->create(letter, source, reader(L"x")));
        EXPECT_FALSE(russian()->create(letter, source, reader(L"x")));
    }
    EXPECT_TRUE(log.warnings().isEmpty());
    EXPECT_FALSE(source);

    for (const char16_t letter : {u'I', u'@', u'a', char16_t(0)}) {
        EXPECT_FALSE(english()->create(letter, source, reader(L"x")));
        EXPECT_FALSE(russian()->create(letter, source, reader(L"x")));
    }
    EXPECT_EQ(log.warnings().count(QStringLiteral("EnglishAnalyzer::create: Unknown content type")), 4);
    EXPECT_EQ(log.warnings().count(QStringLiteral("RussianAnalyzer::create: Unknown content type")), 4);
    EXPECT_EQ(log.warnings().size(), 8);

    const auto stream = english()->create(u'A', source, reader(L"Word"));
    ASSERT_TRUE(stream);
    EXPECT_TRUE(boost::dynamic_pointer_cast<TarnolixTokenizer>(source));
    EXPECT_EQ(test::terms(stream), Terms{L"word"});
}

TEST(Analyzers, ReusableChainsArePerThreadAndPerField)
{
    const auto analyzer = english();
    const auto a = analyzer->reusableTokenStream(L"A", reader(L"one"));
    EXPECT_EQ(test::terms(a), Terms{L"one"});
    const auto e = analyzer->reusableTokenStream(L"E", reader(L"two"));
    EXPECT_NE(a, e);
    EXPECT_EQ(analyzer->reusableTokenStream(L"A", reader(L"Three four")), a);
    EXPECT_EQ(test::terms(a), (Terms{L"three", L"four"}));
    // A base name makes another field with a chain of its own.
    EXPECT_NE(analyzer->reusableTokenStream(L"cts1Awwo", reader(L"x")), a);

    Lucene::TokenStreamPtr onOtherThread;
    Terms otherTerms;
    std::thread([&] {
        onOtherThread = analyzer->reusableTokenStream(L"A", reader(L"Five"));
        otherTerms = test::terms(onOtherThread);
    }).join();
    EXPECT_NE(onOtherThread, a);
    EXPECT_EQ(otherTerms, Terms{L"five"});
    EXPECT_EQ(analyzer->reusableTokenStream(L"A", reader(L"six")), a);
}

TEST(Analyzers, CloneMakesAPlainAnalyzerOfTheSameKind)
{
    const auto analyzer = russian();
    analyzer->setHTMLTagsPositions(L"<p>книги</p>");
    const auto copy = boost::dynamic_pointer_cast<RussianAnalyzer>(analyzer->clone());
    ASSERT_TRUE(copy);
    EXPECT_NE(copy, analyzer);
    EXPECT_FALSE(copy->hasHTMLTagsPositions());
    EXPECT_EQ(fresh(copy, L"A", L"<p>книги</p>"), (Terms{L"p", L"книг", L"p"}));
    EXPECT_TRUE(boost::dynamic_pointer_cast<EnglishAnalyzer>(english()->clone()));
}

TEST(Analyzers, HtmlModeKeepsTextTermsWithRawOffsets)
{
    const std::wstring html = L"<div class=\"verse\"><span class=\"w\">Dharma</span>-kṣetre <i>the</i> field</div>";
    for (const bool reusable : {true, false}) {
        SCOPED_TRACE(reusable ? "reusable" : "fresh");
        const auto analyzer = english();
        auto stream = [&](const std::wstring& text) {
            return reusable ? analyzer->reusableTokenStream(L"A", reader(text))
                            : analyzer->tokenStream(L"A", reader(text));
        };
        // Build a plain chain first: HTML mode must not reuse it.
        EXPECT_FALSE(test::terms(stream(html)).empty());

        analyzer->setHTMLTagsPositions(html);
        EXPECT_TRUE(analyzer->hasHTMLTagsPositions());
        const std::vector<Token> expected = {
            {L"dharma", 35, 41, 1}, {L"ksetre", 49, 55, 1}, {L"field", 67, 72, 2}};
        EXPECT_EQ(test::tokens(stream(html)), expected);
        EXPECT_EQ(html.substr(49, 6), L"kṣetre");

        analyzer->clearHTMLTagsPositions();
        EXPECT_FALSE(analyzer->hasHTMLTagsPositions());
        const Terms plain = test::terms(stream(html));
        EXPECT_EQ(plain, (Terms{L"div", L"class", L"verse", L"span", L"class", L"w", L"dharma", L"span", L"ksetre",
                                L"i", L"i", L"field", L"div"}));
    }
}

TEST(Analyzers, RefilledPositionsServeTheSavedChain)
{
    const auto analyzer = russian();
    const std::wstring first = L"<p>книги</p>";
    analyzer->setHTMLTagsPositions(first);
    const auto chain = analyzer->reusableTokenStream(L"E", reader(first));
    EXPECT_EQ(test::terms(chain), Terms{L"книги"});

    // A supplementary character before the word: wide offsets, then UTF-16.
    const std::wstring second = L"<span class=\"x\">\U0001F600</span><h2>Йога</h2>";
    analyzer->setHTMLTagsPositions(second);
    EXPECT_EQ(analyzer->reusableTokenStream(L"E", reader(second)), chain);
    const auto tokens = test::tokens(chain);
    ASSERT_EQ(tokens, (std::vector<Token>{{L"иога", 28, 32, 1}}));
    EXPECT_EQ(utf16Offset(second, tokens[0].start), 29);
}

namespace {

// Lets a test see the analyzer's slot and make the base class fail while it
// stores its own saved streams there.
class SlotWatchingAnalyzer : public EnglishAnalyzer
{
public:
    using EnglishAnalyzer::EnglishAnalyzer;

    bool failBaseStore = false;
    Lucene::LuceneObjectPtr slot() { return getPreviousTokenStream(); }

protected:
    void setPreviousTokenStream(const Lucene::LuceneObjectPtr& stream) override
    {
        if (failBaseStore && stream && !boost::dynamic_pointer_cast<AnalyzerSavedStreams>(stream))
            throw Lucene::RuntimeException(L"base store failed");
        EnglishAnalyzer::setPreviousTokenStream(stream);
    }
};

} // namespace

TEST(Analyzers, BaseStreamsShareTheSlotWithOurChains)
{
    const auto analyzer = Lucene::newLucene<SlotWatchingAnalyzer>(Lucene::LuceneVersion::LUCENE_CURRENT);
    const auto letter = analyzer->reusableTokenStream(L"A", reader(L"Gītā"));
    const auto saved = analyzer->slot();
    ASSERT_TRUE(boost::dynamic_pointer_cast<EnglishAnalyzerSavedStreams>(saved));

    analyzer->failBaseStore = true;
    EXPECT_THROW(analyzer->reusableTokenStream(L"content", reader(L"x")), Lucene::RuntimeException);
    EXPECT_EQ(analyzer->slot(), saved) << "the failed base call put our streams back";
    analyzer->failBaseStore = false;

    EXPECT_EQ(analyzer->reusableTokenStream(L"A", reader(L"Gītā")), letter);
    EXPECT_EQ(test::terms(letter), Terms{L"gita"});

    const auto base = analyzer->reusableTokenStream(L"content", reader(L"Gītā's"));
    EXPECT_EQ(test::terms(base), Terms{L"gītā"});
    EXPECT_EQ(analyzer->slot(), saved);

    EXPECT_EQ(analyzer->reusableTokenStream(L"A", reader(L"two words")), letter);
    EXPECT_EQ(test::terms(letter), (Terms{L"two", L"words"}));
    EXPECT_EQ(analyzer->reusableTokenStream(L"B", reader(L"I.B.M.")), base) << "the base keeps its own chain";
    EXPECT_EQ(test::terms(base), Terms{L"ibm"});
    EXPECT_EQ(analyzer->slot(), saved);
}
