// Suggestions for the word being typed: their order and cap, which index
// each search type reads, and that only the current request's list is taken.
#include "search/index/SearchIndex.h"
#include "search/searchers/AutocompletHelper.h"
#include "search/searchers/SearchSettingsCreator.h"
#include "tests/pages/FakePageServices.h"
#include "tests/search_run/SearchLibrary.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestSupport.h"

#include <LuceneHeaders.h>

#include <QLocale>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

using namespace tarnolix;
using namespace tarnolix::test;
using C = TarnolixConstants;

namespace {

// An index in memory: one document per text, in `field`.
Lucene::DirectoryPtr memoryIndex(const std::wstring& field, const std::vector<std::wstring>& texts)
{
    const auto directory = Lucene::newLucene<Lucene::RAMDirectory>();
    const auto writer = Lucene::newLucene<Lucene::IndexWriter>(
        directory, Lucene::newLucene<Lucene::WhitespaceAnalyzer>(), true, Lucene::IndexWriter::MaxFieldLengthUNLIMITED);
    for (const std::wstring& text : texts) {
        const auto document = Lucene::newLucene<Lucene::Document>();
        document->add(
            Lucene::newLucene<Lucene::Field>(field, text, Lucene::Field::STORE_NO, Lucene::Field::INDEX_ANALYZED));
        writer->addDocument(document);
    }
    writer->close();
    return directory;
}

class MemorySearchIndex : public SearchIndex
{
public:
    explicit MemorySearchIndex(Lucene::DirectoryPtr directory)
        : m_directory(std::move(directory))
    {
    }
    QString indexPath() const override { return QStringLiteral("memory"); }
    bool optimizeError() override { return false; }
    void setOptimizeError(bool) override {}

protected:
    Lucene::DirectoryPtr directory() override { return m_directory; }

private:
    Lucene::DirectoryPtr m_directory;
};

QStringList listOf(const QVariant& results)
{
    QStringList list;
    for (const QVariant& item : results.toList())
        list << item.toString();
    return list;
}

QStringList suggestionsOn(const Lucene::DirectoryPtr& directory, int searchType, bool original, const char* prefix)
{
    const std::atomic<bool> stop{false};
    const AutocompletHelper::Request request{C::English, searchType, original, QString::fromUtf8(prefix)};
    return listOf(AutocompletHelper::suggestions(request, Lucene::IndexReader::open(directory, true), stop));
}

} // namespace

TEST(AutocompletSuggestions, OrderedByDocumentsOrByCollationAndCapped)
{
    // Documents: rama 3, ramu 2, rana 2, rani 1, rasa 1.
    const auto fullText = memoryIndex(L"E", {L"rama ramu", L"rama rana rasa", L"rama ramu rana rani", L"other"});
    // The first of equal frequency in term order stays.
    EXPECT_EQ(suggestionsOn(fullText, C::FullText, false, "ra"),
              (QStringList{"rama", "ramu", "rani"}));
    EXPECT_EQ(suggestionsOn(fullText, C::FavoritesSearch, false, "ran"), (QStringList{"rana", "rani"}));
    EXPECT_EQ(suggestionsOn(fullText, C::FullText, false, "x"), QStringList());

    // Every original side holds the marker, which is no suggestion.
    const auto wordByWord = memoryIndex(L"cts1Ewwo", {L"lucenematch lumen lucenematch", L"lucenematch luna lucenematch"});
    EXPECT_EQ(suggestionsOn(wordByWord, C::WordByWord, true, "lu").size(), 1);

    std::vector<std::wstring> words;
    for (int i = 0; i < 150; ++i)
        words.push_back(L"w" + std::to_wstring(1000 + i));
    std::wstring all;
    for (const std::wstring& word : words)
        all += word + L" ";
    const std::vector<std::wstring> accented = {L"rama", L"r\u0101ma", L"ranu", L"rbx"};
    std::wstring glossaryText;
    for (const std::wstring& word : accented)
        glossaryText += word + L" ";
    const auto glossary = memoryIndex(L"E", {all, glossaryText});
    const QStringList capped = suggestionsOn(glossary, C::GlossarySearch, false, "w");
    ASSERT_EQ(capped.size(), AutocompletHelper::kMaxSuggestions);
    EXPECT_EQ(capped.front(), QStringLiteral("w1000"));
    EXPECT_EQ(capped.back(), QStringLiteral("w1099"));

    // The collation puts the accented word where the index's order does not.
    // Each thread takes the default locale's collation when it first
    // compares: a thread of its own, in an English locale.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QStringList collated, codePointOrder, suggested;
    std::thread([&] {
        for (const std::wstring& word : accented)
            collated << QString::fromStdWString(word);
        std::sort(collated.begin(), collated.end(),
                  [](const QString& a, const QString& b) { return QString::localeAwareCompare(a, b) < 0; });
        suggested = suggestionsOn(glossary, C::GlossarySearch, false, "r");
    }).join();
    QLocale::setDefault(before);
    codePointOrder = collated;
    std::sort(codePointOrder.begin(), codePointOrder.end());
    ASSERT_NE(collated, codePointOrder);
    EXPECT_EQ(suggested, collated);
    EXPECT_EQ(suggestionsOn(glossary, C::FullText, false, "r").size(), 1);
}

TEST(AutocompletSuggestions, AFullListStillTakesBetterLaterTerms)
{
    // f100..f219 in term order, each in one document more than the one
    // before; g1 and g2 come later with frequencies the list holds already.
    const int count = 120;
    std::vector<std::wstring> texts(static_cast<std::size_t>(count));
    for (int term = 0; term < count; ++term) {
        for (int doc = 0; doc <= term; ++doc)
            texts[std::size_t(doc)] += L"f" + std::to_wstring(100 + term) + L" ";
    }
    texts[0] += L"g1 ";
    for (int doc = 0; doc < 21; ++doc)
        texts[std::size_t(doc)] += L"g1 ";
    for (int doc = 0; doc < count; ++doc)
        texts[std::size_t(doc)] += L"g2 ";
    const QStringList byFrequency = suggestionsOn(memoryIndex(L"E", texts), C::FullText, false, "");
    ASSERT_EQ(byFrequency.size(), AutocompletHelper::kMaxSuggestions);
    EXPECT_EQ(byFrequency.front(), QStringLiteral("f219"));
    EXPECT_EQ(byFrequency.back(), QStringLiteral("f120"));
    EXPECT_FALSE(byFrequency.contains(QStringLiteral("g1")));
    EXPECT_FALSE(byFrequency.contains(QStringLiteral("g2")));

    // Glossary: words that follow w1000..w1149 in term order but collate
    // before them (an Arabic-Indic zero, a symbol outside the BMP) must
    // displace the full list's last entries.
    std::wstring all;
    for (int i = 0; i < 150; ++i)
        all += L"w" + std::to_wstring(1000 + i) + L" ";
    const std::vector<std::wstring> late = {L"w\u0660", L"w\U0001F600"};
    for (const std::wstring& word : late)
        all += word + L" ";
    const Lucene::DirectoryPtr glossary = memoryIndex(L"E", {all});
    // On a thread of its own, in an English locale (see above).
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QStringList collated, expected;
    std::thread([&] {
        collated = suggestionsOn(glossary, C::GlossarySearch, false, "w");
        for (int i = 0; i < 150; ++i)
            expected << QStringLiteral("w%1").arg(1000 + i);
        for (const std::wstring& word : late)
            expected << QString::fromStdWString(word);
        std::sort(expected.begin(), expected.end(),
                  [](const QString& a, const QString& b) { return QString::localeAwareCompare(a, b) < 0; });
    }).join();
    QLocale::setDefault(before);
    expected = expected.mid(0, AutocompletHelper::kMaxSuggestions);
    for (const std::wstring& word : late)
        ASSERT_TRUE(expected.contains(QString::fromStdWString(word)));
    EXPECT_EQ(collated, expected);
}

namespace {

// A helper over the English library's book index, a word-by-word index
// whose original side holds "zeal" and "luna", and a glossary of "zenith".
class AutocompletTest : public SearchLibraryTest
{
protected:
    AutocompletTest()
        : wordByWord(memoryIndex(L"cts1Ewwo", {L"lucenematch zeal lucenematch", L"lucenematch luna lucenematch"}))
        , glossary(memoryIndex(L"E", {L"zenith"}))
    {
        setSharedIndexLookup([this](SharedIndex index) -> SearchIndex* {
            return index == SharedIndex::WordByWord ? &wordByWord : &glossary;
        });
        creator.setLanguage(C::English);
        creator.setSearchType(C::FullText);
        helper.setSearchSettingsCreator(&creator);
    }
    ~AutocompletTest() override { setSharedIndexLookup({}); }

    // Types `prefix` and waits for the list of that request.
    QStringList typed(const QString& prefix)
    {
        QSignalSpy finished(&helper, &AutocompletHelper::finished);
        helper.setPrefix(prefix);
        EXPECT_TRUE(waitUntil([&] { return finished.count() > 0; }, 30000)) << prefix.toStdString();
        return listOf(helper.getResults());
    }

    // Gives the worker time to answer a request that must change nothing.
    void settle() { waitUntil([] { return false; }, 300); }

    MemorySearchIndex wordByWord;
    MemorySearchIndex glossary;
    FakePageServices services;
    SearchSettingsCreator creator;
    AutocompletHelper helper;
};

} // namespace

TEST_F(AutocompletTest, EachSearchTypeReadsItsIndex)
{
    EXPECT_EQ(typed(QStringLiteral("ze")), QStringList{"zeta"});
    creator.setSearchType(C::WordByWord);
    creator.setSearchAreaOriginal(true);
    EXPECT_EQ(typed(QStringLiteral("ze")), QStringList{"zeal"});
    EXPECT_EQ(typed(QStringLiteral("lu")), QStringList{"luna"});
    // The translation side: the book index of the language.
    creator.setSearchAreaOriginal(false);
    EXPECT_EQ(typed(QStringLiteral("ze")), QStringList{"zeta"});
    creator.setSearchType(C::GlossarySearch);
    EXPECT_EQ(typed(QStringLiteral("ze")), QStringList{"zenith"});
}

TEST_F(AutocompletTest, AnEmptyOrRepeatedRequestAndLateLists)
{
    MessageLog log;
    EXPECT_EQ(typed(QStringLiteral("al")), QStringList{"alpha"});
    QSignalSpy finished(&helper, &AutocompletHelper::finished);
    helper.setPrefix(QStringLiteral("al"));
    settle();
    EXPECT_EQ(finished.count(), 0);
    EXPECT_EQ(log.texts(QtInfoMsg).filter(QStringLiteral("Autocomplet for: al")).size(), 1);

    // Emptied at once, before the event loop runs; the same prefix typed
    // again at once brings its list back.
    helper.setPrefix(QString());
    EXPECT_EQ(finished.count(), 1);
    EXPECT_TRUE(listOf(helper.getResults()).isEmpty());
    EXPECT_EQ(typed(QStringLiteral("al")), QStringList{"alpha"});
    EXPECT_EQ(log.texts(QtInfoMsg).filter(QStringLiteral("Autocomplet for: al")).size(), 2);
    helper.setPrefix(QString());

    // Quick typing: only the last request's list is ever taken.
    QList<QStringList> taken;
    QObject::connect(&helper, &AutocompletHelper::finished, [&] { taken << listOf(helper.getResults()); });
    helper.setPrefix(QStringLiteral("ga"));
    helper.setPrefix(QStringLiteral("de"));
    helper.setPrefix(QStringLiteral("ep"));
    ASSERT_TRUE(waitUntil([&] { return !taken.isEmpty(); }, 30000));
    settle();
    EXPECT_EQ(taken, QList<QStringList>{QStringList{"epsilon"}});

    // A list for another request comes too late.
    helper.threadCompleted({C::English, C::FullText, false, QStringLiteral("de")}, {QStringLiteral("delta")});
    helper.threadCompleted({C::English, C::GlossarySearch, false, QStringLiteral("ep")}, {QStringLiteral("delta")});
    EXPECT_EQ(listOf(helper.getResults()), QStringList{"epsilon"});
    helper.reset();
    EXPECT_TRUE(listOf(helper.getResults()).isEmpty());
}

TEST_F(AutocompletTest, FailuresKeepTheShownList)
{
    EXPECT_EQ(typed(QStringLiteral("be")), QStringList{"beta"});
    QSignalSpy finished(&helper, &AutocompletHelper::finished);
    MessageLog log;
    helper.request({C::English, 7, false, QStringLiteral("be")});
    settle();
    setIndexWriterThreadLookup({});
    helper.request({C::English, C::FullText, false, QStringLiteral("de")});
    settle();
    setSharedIndexLookup({});
    helper.request({C::English, C::GlossarySearch, false, QStringLiteral("de")});
    settle();
    EXPECT_EQ(finished.count(), 0);
    EXPECT_EQ(listOf(helper.getResults()), QStringList{"beta"});
    EXPECT_EQ(log.texts(QtWarningMsg).filter(QStringLiteral("AutocompletHelper::thread: Error: ")),
              (QStringList{"AutocompletHelper::thread: Error: Invalid search type!",
                           "AutocompletHelper::thread: Error: Index writer thread is closed",
                           "AutocompletHelper::thread: Error: Index is closed"}));
}
