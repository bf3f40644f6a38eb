// The "tarnolix" URL grammar, written and read back by UrlCreatorImpl.

#include "pages/UrlCreatorImpl.h"

#include "core/Exception.h"
#include "tests/pages/FakeSearchFamilies.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QUrlQuery>

#include <thread>

using namespace tarnolix::test;
using C = TarnolixConstants;

namespace {

class UrlGrammar : public ::testing::Test
{
protected:
    void SetUp() override { registerFakeSearchFamilies(); }
    void TearDown() override { withdrawSearchFamilies(); }
};

UrlCreatorImpl pathRequest(UrlCreator::QueryType kind, C::Language language, HierarchyItems items,
                           C::CatalogTab tab = C::InvalidCatalogTab, int tabId = 0)
{
    UrlCreatorImpl request;
    request.setQueryType(kind);
    request.setLanguage(language);
    request.setItemPathItems(std::move(items));
    request.setCatalogTab(tab);
    request.setTabId(tabId);
    return request;
}

template <typename Fake, typename Keys>
UrlCreatorImpl searchRequest(C::Language language, const Keys& keys, int tabId = 0,
                             C::SearchSort sort = C::ByRelevance)
{
    auto settings = std::make_shared<Fake>(keys, language);
    settings->setSort(sort);
    UrlCreatorImpl request;
    request.setSearchSettings(settings);
    request.setTabId(tabId);
    return request;
}

FullTextSearchKeys fullTextQuery(const QString& query)
{
    FullTextSearchKeys keys;
    keys.query = query;
    return keys;
}

// Every character that URLs treat specially, with spaces and Cyrillic.
const QString kAwkward = QString::fromUtf8("a&b#c%d+e f=g?h Жё%41%2B");

struct RoundTrip
{
    const char* what;
    UrlCreatorImpl request;
    const char* expected; // the URL text, when the case pins it
};

std::vector<RoundTrip> roundTrips()
{
    UrlCreatorImpl redirect;
    redirect.setLanguage(C::Russian);
    redirect.setRedirect(QStringLiteral("tarnolix://openbook.ru/Book-5/Section-a%23b%25c%2Bd e?catalogTab=Names&tabId=3"));

    UrlCreatorImpl withKeys = pathRequest(UrlCreator::OpenBook, C::English, {{C::Book, 7}, {C::Section, "1.2"}},
                                          C::Authors, 9);
    withKeys.setSearchId(12);
    withKeys.setFindInAnotherLanguageIfNotExists(true);

    FullTextSearchKeys ft;
    ft.query = QString::fromUtf8("ум + \"сердце\" & 50%");
    ft.exactMatch = true;
    ft.categoryIds = {3, 4};
    ft.bookIds = {7};
    ft.sectionCodes = QStringList{QStringLiteral("1.2"), kAwkward};
    ft.searchInBook = 7;

    WordByWordSearchKeys wbw;
    wbw.original = QStringLiteral("a+b");
    wbw.translation = QString::fromUtf8("сын + дочь");
    wbw.originalChoise = C::WordStartsWith;
    wbw.categoryIds = {1};
    wbw.bookIds = {2, 3};
    wbw.sectionCodes = QStringList{QStringLiteral("x")};

    GlossarySearchKeys glossary;
    glossary.query = kAwkward;
    glossary.categoryIds = {5};
    glossary.glossaryIds = {6, 8};

    FavoritesSearchKeys favorites;
    favorites.text = QString::fromUtf8("заметка #1");

    return {
        {"book and section", pathRequest(UrlCreator::OpenBook, C::Russian, {{C::Book, 5}, {C::Section, "abc"}}),
         "tarnolix://openbook.ru/Book-5/Section-abc"},
        {"letter, tab and tab id",
         pathRequest(UrlCreator::OpenBook, C::Russian, {{C::Letter, QChar(0x0411)}, {C::Book, 12}, {C::Section, "3.1.7"}},
                     C::Names, 4),
         "tarnolix://openbook.ru/Letter-\xD0\x91/Book-12/Section-3.1.7?catalogTab=Names&tabId=4"},
        {"awkward section code", pathRequest(UrlCreator::OpenBook, C::Russian, {{C::Book, 5}, {C::Section, kAwkward}}),
         nullptr},
        {"slug form keeps texts",
         pathRequest(UrlCreator::OpenBookSlug, C::English, {{C::Book, "gita"}, {C::Section, kAwkward}}, C::Names),
         nullptr},
        {"search id and other language", withKeys,
         "tarnolix://openbook.en/Book-7/Section-1.2?catalogTab=Authors&searchId=12&"
         "findInAnotherLanguageIfNotExists=1&tabId=9"},
        {"favorites folder", pathRequest(UrlCreator::Favorites, C::Russian,
                                         {{C::FavoriteFolder, "6e1a3c1e-0c55-4b43-8a7e-2f9d1b6f0a11"}}, C::AllFavorites),
         "tarnolix://favorites.ru/FavoriteFolder-6e1a3c1e-0c55-4b43-8a7e-2f9d1b6f0a11?catalogTab=AllFavorites"},
        {"new tab", pathRequest(UrlCreator::NewTab, C::Sanskrit, {}), "tarnolix://newtab.st"},
        {"redirect", redirect, nullptr},
        {"full text", searchRequest<FakeFullText>(C::Russian, ft, 2, C::ByCatalog), nullptr},
        {"empty full text", searchRequest<FakeFullText>(C::English, FullTextSearchKeys{}),
         "tarnolix://ftsearch.en?query=&exactMatch=false&accountOfDiacritics=false&sort=ByRelevance"},
        {"word by word with a literal plus", searchRequest<FakeWordByWord>(C::English, wbw, 5), nullptr},
        {"glossary", searchRequest<FakeGlossary>(C::English, glossary), nullptr},
        {"favorites", searchRequest<FakeFavorites>(C::Russian, favorites, 1), nullptr},
    };
}

} // namespace

TEST_F(UrlGrammar, RoundTripsThroughUrlAndText)
{
    for (const auto& c : roundTrips()) {
        SCOPED_TRACE(c.what);
        const QUrl url = c.request.toUrl();
        ASSERT_TRUE(url.isValid()) << qPrintable(url.errorString());
        if (c.expected) {
            EXPECT_EQ(url.toString(), QString::fromUtf8(c.expected));
        }

        const UrlCreatorImpl back = UrlCreatorImpl::fromUrl(url);
        EXPECT_EQ(describe(back), describe(c.request));
        EXPECT_EQ(back.toUrl(), url);
        // The text form, as tabs and page scripts pass it on.
        EXPECT_EQ(describe(UrlCreatorImpl::fromString(c.request.toString())), describe(c.request));
        EXPECT_EQ(describe(UrlCreatorImpl::fromString(QString::fromLatin1(url.toEncoded()))), describe(c.request));
    }
}

TEST_F(UrlGrammar, KeysInTheirOrder)
{
    FullTextSearchKeys ft;
    ft.query = QStringLiteral("mind");
    ft.exactMatch = true;
    ft.categoryIds = {3, 4};
    ft.bookIds = {7};
    ft.sectionCodes = QStringList{QStringLiteral("1.2")};
    EXPECT_EQ(searchRequest<FakeFullText>(C::Russian, ft, 2, C::ByCatalog).toString(),
              "tarnolix://ftsearch.ru?query=mind&exactMatch=true&accountOfDiacritics=false&category=3&category=4"
              "&book=7&section=1.2&sort=ByCatalog&tabId=2");

    WordByWordSearchKeys wbw;
    wbw.original = QStringLiteral("a+b c");
    wbw.originalChoise = C::ExactWord;
    wbw.bookIds = {2};
    // The literal "+" travels encoded; an empty translation is left out.
    EXPECT_EQ(searchRequest<FakeWordByWord>(C::English, wbw).toString(),
              "tarnolix://wbwsearch.en?original=a%2Bb c&originalChoise=exactword&book=2");

    GlossarySearchKeys glossary;
    glossary.glossaryIds = {6};
    EXPECT_EQ(searchRequest<FakeGlossary>(C::English, glossary, 3).toString(),
              "tarnolix://glossarysearch.en?glossary=6&tabId=3");
}

TEST_F(UrlGrammar, APlusFromOutsideIsASpaceInWordByWordTextsOnly)
{
    const UrlCreatorImpl wbw = UrlCreatorImpl::fromString(
        QStringLiteral("tarnolix://wbwsearch.ru?original=a+b&translation=c%2Bd+e"));
    const auto* settings = dynamic_cast<const FakeWordByWord*>(wbw.searchSettings().get());
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->keys.original, "a b");
    EXPECT_EQ(settings->keys.translation, "c+d e");

    // Other keys keep "+": it is part of the query language.
    const UrlCreatorImpl ft = UrlCreatorImpl::fromString(QStringLiteral("tarnolix://ftsearch.ru?query=a+b"));
    const auto* ftSettings = dynamic_cast<const FakeFullText*>(ft.searchSettings().get());
    ASSERT_TRUE(ftSettings);
    EXPECT_EQ(ftSettings->keys.query, "a+b");
}

TEST_F(UrlGrammar, WritingIsTheSameOnEveryThread)
{
    const std::vector<RoundTrip> cases = roundTrips();
    QStringList expected;
    for (const auto& c : cases)
        expected << c.request.toString() + QStringLiteral(" => ") + describe(UrlCreatorImpl::fromUrl(c.request.toUrl()));

    constexpr int kThreads = 6;
    std::vector<QStringList> results(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&cases, &results, t] {
            for (int round = 0; round < 20; ++round) {
                QStringList texts;
                for (const auto& c : cases) {
                    // Each thread works on its own copy.
                    const UrlCreatorImpl copy = c.request;
                    texts << copy.toString() + QStringLiteral(" => ") + describe(UrlCreatorImpl::fromUrl(copy.toUrl()));
                }
                results[t] = texts;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(results[t], expected) << "thread " << t;
}

TEST_F(UrlGrammar, UrlsThatDoNotParse)
{
    const struct
    {
        const char* url;
        const char* warning;
    } cases[] = {
        {"tarnolix://openbook/Book-5", "fromUrl: Prase host error"},
        {"tarnolix://nosuchkind.ru/Book-5", "Parse URL error: tarnolix://nosuchkind.ru/Book-5"},
        {"tarnolix://openbook.xx/Book-5", "languageFromString: Not found"},
        {"tarnolix://newtab.ru?language=xx", "languageFromString: Not found"},
        {"tarnolix://openbook.ru/Book5", "parentHierarchyItemsFromPath: ERROR 1. path:/Book5"},
        {"tarnolix://openbook.ru/Book-5/Section5", "parentHierarchyItemsFromPath: ERROR 1. path:"},
        {"https://openbook.ru/Book-5", "Parse URL error: https://openbook.ru/Book-5"},
        {"tarnolix://invalidquery.ru", "Parse URL error:"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        MessageLog log;
        const UrlCreatorImpl request = UrlCreatorImpl::fromUrl(QUrl(QString::fromUtf8(c.url)));
        EXPECT_FALSE(request.isValid());
        EXPECT_TRUE(request.isEmpty());
        EXPECT_TRUE(log.contains(QtWarningMsg, QString::fromUtf8(c.warning)))
            << qPrintable(log.texts(QtWarningMsg).join('\n'));
        EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Parse URL error:")));
    }

    MessageLog log;
    EXPECT_FALSE(UrlCreatorImpl::fromUrl(QUrl()).isValid());
    EXPECT_FALSE(log.contains(QtWarningMsg, QStringLiteral("Parse URL error:"))) << "an invalid URL is not logged";
}

TEST_F(UrlGrammar, KeysThatAreReadLeniently)
{
    MessageLog log;
    // An unknown item type is kept, as type 0 with an integer.
    const UrlCreatorImpl unknownType =
        UrlCreatorImpl::fromString(QStringLiteral("tarnolix://openbook.ru/Book-5/Chapter-3"));
    EXPECT_TRUE(unknownType.isValid());
    const HierarchyItems expectedItems{{C::Book, 5}, {C::InvalidCatalogItemType, 3}};
    EXPECT_EQ(unknownType.itemPathItems(), expectedItems);
    EXPECT_TRUE(log.contains(QtCriticalMsg, QStringLiteral("parentHierarchyItemsFromPath: Invalid item type: Chapter")));

    // The "language" key overrides the host; the host word is read in any case.
    EXPECT_EQ(UrlCreatorImpl::fromString(QStringLiteral("tarnolix://newtab.ru?language=en")).language(), C::English);
    const UrlCreatorImpl glossary =
        UrlCreatorImpl::fromUrl(QUrl(QStringLiteral("tarnolix://glossarySearch.en?query=x")));
    EXPECT_EQ(glossary.queryType(), UrlCreator::GlossarySearch);
    EXPECT_EQ(UrlCreatorImpl::fromString(QStringLiteral("tarnolix://FavoritesSearch.ru")).queryType(),
              UrlCreator::FavoritesSearch);

    // A bad tab id is logged and left 0; so is a bad search id; an unknown
    // catalogue tab is -1; another kind's keys do nothing.
    log.clear();
    const UrlCreatorImpl lenient = UrlCreatorImpl::fromString(
        QStringLiteral("tarnolix://openbook.ru/Book-5?tabId=4x&searchId=s&catalogTab=Nope&query=abc&"
                       "findInAnotherLanguageIfNotExists=7"));
    EXPECT_TRUE(lenient.isValid());
    EXPECT_EQ(lenient.tabId(), 0);
    EXPECT_EQ(lenient.searchId(), 0);
    EXPECT_EQ(lenient.catalogTab(), C::InvalidCatalogTab);
    EXPECT_TRUE(lenient.findInAnotherLanguageIfNotExists());
    EXPECT_EQ(lenient.searchSettings(), nullptr);
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("fromUrl: Convert tab id error(value: 4x)")));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("fromUrl: Convert search id error(value: s)")));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("fromUrl: catalogTabFromString failed")));

    // A "redirect" key on another kind does not make it a Redirect.
    const UrlCreatorImpl book = UrlCreatorImpl::fromString(QStringLiteral("tarnolix://openbook.ru/Book-5?redirect=x"));
    EXPECT_EQ(book.queryType(), UrlCreator::OpenBook);
    EXPECT_EQ(book.redirect(), "x");
}

TEST_F(UrlGrammar, WhatIsNotWritten)
{
    // Tab id 0 and catalogue tab -1 write no keys: no query at all.
    const UrlCreatorImpl plain = pathRequest(UrlCreator::OpenBookCover, C::Russian, {{C::Book, 5}});
    EXPECT_FALSE(plain.toUrl().hasQuery());
    EXPECT_EQ(plain.toUrl(3).toString(), "tarnolix://openbookcover.ru/Book-5?tabId=3");

    MessageLog log;
    UrlCreatorImpl noLanguage = plain;
    noLanguage.setLanguage(C::InvalidLanguage);
    EXPECT_TRUE(noLanguage.toUrl().isEmpty());
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("toUrl: Invalid urlcreator")));

    // A favorites search without a text writes no "query".
    FavoritesSearchKeys noText;
    EXPECT_EQ(searchRequest<FakeFavorites>(C::Russian, noText).toString(), "tarnolix://favoritessearch.ru");
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("toUrl: searchByText is empty!")));
    FavoritesSearchKeys emptyText;
    emptyText.text = QString();
    EXPECT_EQ(searchRequest<FakeFavorites>(C::Russian, emptyText).toString(), "tarnolix://favoritessearch.ru");
}

TEST_F(UrlGrammar, SearchKindsWithSettingsOfAnotherFamily)
{
    const struct
    {
        UrlCreator::QueryType kind;
        const char* warning;
    } cases[] = {
        {UrlCreator::FTSearch, "toUrl: cast search settings error"},
        {UrlCreator::WBWSearch, "toUrl: cast search settings error(2)"},
        {UrlCreator::GlossarySearch, "toUrl: cast search settings error(3)"},
        {UrlCreator::FavoritesSearch, "toUrl: cast search settings error(4)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.warning);
        UrlCreatorImpl request;
        // Favorites settings under every kind but their own, full text under theirs.
        if (c.kind == UrlCreator::FavoritesSearch)
            request.setSearchSettings(std::make_shared<FakeFullText>(FullTextSearchKeys{}, C::Russian));
        else
            request.setSearchSettings(
                std::make_shared<FakeFavorites>(FavoritesSearchKeys{QStringLiteral("q")}, C::Russian));
        request.setQueryType(c.kind);
        request.setTabId(2);
        MessageLog log;
        const QUrl url = request.toUrl();
        EXPECT_EQ(QUrlQuery(url).toString(), "tabId=2");
        EXPECT_EQ(log.texts(QtWarningMsg), QStringList{QString::fromUtf8(c.warning)});
    }

    UrlCreatorImpl none;
    none.setQueryType(UrlCreator::FTSearch);
    none.setLanguage(C::Russian);
    MessageLog log;
    EXPECT_EQ(none.toString(), "tarnolix://ftsearch.ru");
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("toUrl: cast search settings error")));
}

TEST_F(UrlGrammar, AFamilyThatHasNotRegisteredWritesNoKeysAndDoesNotParse)
{
    const UrlCreatorImpl request = searchRequest<FakeFullText>(C::Russian, fullTextQuery(QStringLiteral("q")));
    const QUrl url = request.toUrl();
    registerFullTextSearchUrls({});

    MessageLog log;
    EXPECT_EQ(request.toString(), "tarnolix://ftsearch.ru");
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("toUrl: cast search settings error")));
    EXPECT_FALSE(UrlCreatorImpl::fromUrl(url).isValid());
    // The other families still work.
    EXPECT_TRUE(UrlCreatorImpl::fromString(QStringLiteral("tarnolix://wbwsearch.ru?original=x")).isValid());

    registerFullTextSearchUrls(fakeFamily<FakeFullText, FullTextSearchKeys>());
    EXPECT_EQ(describe(UrlCreatorImpl::fromUrl(url)), describe(request));
}

TEST(UrlBooleans, WordsAnyCaseOrAPositiveNumber)
{
    const struct
    {
        const char* value;
        bool expected;
    } cases[] = {
        {"true", true}, {"TRUE", true}, {"True", true}, {"1", true},   {"7", true},    {"false", false},
        {"FALSE", false}, {"yes", false}, {"0", false},  {"-3", false}, {"", false},   {"1.5", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(searchurl::boolFromValue(QString::fromLatin1(c.value)), c.expected) << c.value;

    registerFakeSearchFamilies();
    const UrlCreatorImpl request =
        UrlCreatorImpl::fromString(QStringLiteral("tarnolix://ftsearch.ru?exactMatch=TRUE&accountOfDiacritics=yes"));
    const auto* settings = dynamic_cast<const FakeFullText*>(request.searchSettings().get());
    ASSERT_TRUE(settings);
    EXPECT_TRUE(settings->keys.exactMatch);
    EXPECT_FALSE(settings->keys.accountOfDiacritics);
    withdrawSearchFamilies();
}

TEST(UrlSearchSettings, KindComesFromTheFamily)
{
    const struct
    {
        SearchSettingsConstPtr settings;
        UrlCreator::QueryType kind;
    } cases[] = {
        {std::make_shared<FakeFullText>(FullTextSearchKeys{}, C::English), UrlCreator::FTSearch},
        {std::make_shared<FakeWordByWord>(WordByWordSearchKeys{}, C::English), UrlCreator::WBWSearch},
        {std::make_shared<FakeGlossary>(GlossarySearchKeys{}, C::English), UrlCreator::GlossarySearch},
        {std::make_shared<FakeFavorites>(FavoritesSearchKeys{}, C::English), UrlCreator::FavoritesSearch},
    };
    for (const auto& c : cases) {
        UrlCreatorImpl request = pathRequest(UrlCreator::OpenBook, C::Russian, {{C::Book, 1}});
        request.setSearchSettings(c.settings);
        EXPECT_EQ(request.queryType(), c.kind);
        EXPECT_EQ(request.language(), C::English);
        EXPECT_EQ(request.searchSettings(), c.settings);
    }

    using Invalid = FakeSettings<FavoritesSearchKeys, C::InvalidSearchType>;
    using Beyond = FakeSettings<FavoritesSearchKeys, static_cast<C::SearchType>(5)>;
    const struct
    {
        SearchSettingsConstPtr settings;
        const char* message;
    } refused[] = {
        {std::make_shared<Invalid>(), "INVALID SEARCH TYPE(0x54456215)(InvalidSearchType)"},
        {std::make_shared<Beyond>(), "INVALID SEARCH TYPE(0x54456215)(5)"},
        {nullptr, "INVALID SEARCH TYPE(0x54456215)(InvalidSearchType)"},
    };
    for (const auto& c : refused) {
        UrlCreatorImpl request = pathRequest(UrlCreator::OpenBook, C::Russian, {{C::Book, 1}});
        const QString before = describe(request);
        try {
            request.setSearchSettings(c.settings);
            ADD_FAILURE() << "accepted " << c.message;
        } catch (const Exception& e) {
            EXPECT_EQ(e.message(), QString::fromLatin1(c.message));
        }
        EXPECT_EQ(describe(request), before);
    }
}

TEST(UrlSearchSettings, ChangesNeverReachASharedRecord)
{
    const auto shared = std::make_shared<FakeFullText>(fullTextQuery(QStringLiteral("q")), C::Russian);
    UrlCreatorImpl request;
    request.setSearchSettings(shared);

    const UrlCreatorImpl copy = request;
    request.setLanguage(C::English);
    request.setSort(C::ByMatch);
    EXPECT_EQ(shared->language(), C::Russian);
    EXPECT_EQ(shared->sort(), C::ByRelevance);
    EXPECT_EQ(copy.searchSettings()->language(), C::Russian);
    EXPECT_EQ(request.searchSettings()->language(), C::English);
    EXPECT_EQ(request.searchSettings()->sort(), C::ByMatch);
    EXPECT_EQ(dynamic_cast<const FakeFullText&>(*request.searchSettings()).keys.query, "q");

    // A request re-issued with other settings keeps its other fields.
    const auto other = std::make_shared<FakeFullText>(fullTextQuery(QStringLiteral("r")), C::English);
    const UrlCreatorImpl reissued(copy, other);
    EXPECT_EQ(reissued.searchSettings(), other);
    EXPECT_EQ(reissued.queryType(), UrlCreator::FTSearch);

    // Moving hands the path, the settings and the redirect over.
    UrlCreatorImpl moved(std::move(request));
    EXPECT_EQ(moved.searchSettings()->language(), C::English);
    EXPECT_EQ(request.searchSettings(), nullptr);
}

TEST(UrlRequest, EmptyValidClearAndPathParts)
{
    UrlCreatorImpl request = pathRequest(UrlCreator::Favorites, C::Russian,
                                         {{C::Author, 4}, {C::Book, 9}, {C::Book, 10}, {C::Section, "1"},
                                          {C::Section, "1.2"}, {C::SRItemId, 31},
                                          {C::FavoriteItemId, "6e1a3c1e-0c55-4b43-8a7e-2f9d1b6f0a11"}},
                                         C::AllFavorites, 3);
    EXPECT_TRUE(request.isValid());
    EXPECT_FALSE(request.isEmpty());
    EXPECT_EQ(request.getBookId(), 9);
    EXPECT_EQ(request.getAuthorId(), 4);
    EXPECT_EQ(request.getSectionCode(), "1.2");
    int srItemId = 0;
    QUuid favorite;
    request.pathComponents(nullptr, nullptr, nullptr, &srItemId, nullptr, &favorite);
    EXPECT_EQ(srItemId, 31);
    EXPECT_EQ(favorite, QUuid(QStringLiteral("6e1a3c1e-0c55-4b43-8a7e-2f9d1b6f0a11")));

    // The QML form and back.
    const QVariantList qml = request.itemPathVariant();
    ASSERT_EQ(qml.size(), 7);
    EXPECT_EQ(qml.at(0).toMap().value(QStringLiteral("type")).toInt(), C::Author);
    UrlCreatorImpl fromQml;
    fromQml.setItemPathVariant(qml);
    EXPECT_EQ(fromQml.itemPathItems(), request.itemPathItems());

    request.clear();
    EXPECT_TRUE(request.isEmpty());
    EXPECT_EQ(describe(request), describe(UrlCreatorImpl()));
}
