// The settings of the full-text and word-by-word families: comparison,
// cloning, and their trip through a results page's address.
#include "core/Exception.h"
#include "pages/SearchUrlFamilies.h"
#include "pages/UrlCreatorImpl.h"
#include "search/searchers/FTSearchRecords.h"
#include "search/searchers/SearchUrlRegistration.h"
#include "search/searchers/WBWSearchRecords.h"
#include "tests/support/MessageLog.h"

#include <gtest/gtest.h>

#include <QUrlQuery>

#include <functional>

using namespace tarnolix;
using C = TarnolixConstants;

namespace {

std::shared_ptr<FTSearchSettings> fullText()
{
    auto settings = std::make_shared<FTSearchSettings>(C::Russian);
    settings->setQuery(QStringLiteral("рама сита"));
    settings->setCategories({4, 2});
    settings->setBooks({101});
    settings->setSections({QStringLiteral("101.1"), QStringLiteral("101.2")});
    return settings;
}

std::shared_ptr<WBWSearchSettings> wordByWord()
{
    auto settings = std::make_shared<WBWSearchSettings>(C::Russian);
    settings->setOriginalQuery(QStringLiteral("dharma"));
    settings->setOriginalChoise(C::ExactWord);
    settings->setCategories({4});
    settings->setBooks({101, 102});
    settings->setSections({QStringLiteral("101.1")});
    return settings;
}

template <typename Settings>
std::shared_ptr<Settings> changed(const std::shared_ptr<Settings>& settings, const std::function<void(Settings&)>& change)
{
    auto copy = std::static_pointer_cast<Settings>(settings->clone());
    change(*copy);
    return copy;
}

} // namespace

TEST(SearchSettingsRecords, CompareTellsTheSameSearchAnotherOrderOrAnotherSearch)
{
    const auto ft = fullText();
    const auto wbw = wordByWord();
    using FT = FTSearchSettings;
    using WBW = WBWSearchSettings;
    struct Row
    {
        std::string name;
        SearchSettingsConstPtr other;
        int expected;
    };
    const Row ftRows[] = {
        {"clone", ft->clone(), 0},
        {"sort", changed<FT>(ft, [](FT& s) { s.setSort(C::ByCatalog); }), 2},
        {"sort by match", changed<FT>(ft, [](FT& s) { s.setSort(C::ByMatch); }), 2},
        {"language", changed<FT>(ft, [](FT& s) { s.setLanguage(C::English); }), 1},
        {"query", changed<FT>(ft, [](FT& s) { s.setQuery(QStringLiteral("рама")); }), 1},
        {"exact match", changed<FT>(ft, [](FT& s) { s.setFieldName(FTFieldName(true, false, false)); }), 1},
        {"diacritics", changed<FT>(ft, [](FT& s) { s.setFieldName(FTFieldName(false, true, false)); }), 1},
        {"field base", changed<FT>(ft, [](FT& s) { s.setFieldName(FTFieldName(false, false, false, L"x")); }), 1},
        {"search in book", changed<FT>(ft, [](FT& s) { s.setSearchInBook(101); }), 1},
        {"categories reordered", changed<FT>(ft, [](FT& s) { s.setCategories({2, 4}); }), 1},
        {"one category more", changed<FT>(ft, [](FT& s) { s.setCategories({4, 2, 7}); }), 1},
        {"one category less", changed<FT>(ft, [](FT& s) { s.setCategories({4}); }), 1},
        {"one book more", changed<FT>(ft, [](FT& s) { s.setBooks({101, 102}); }), 1},
        {"no books", changed<FT>(ft, [](FT& s) { s.setBooks({}); }), 1},
        {"sections reordered",
         changed<FT>(ft, [](FT& s) { s.setSections({QStringLiteral("101.2"), QStringLiteral("101.1")}); }), 1},
        {"one section less", changed<FT>(ft, [](FT& s) { s.setSections({QStringLiteral("101.1")}); }), 1},
        {"other family", wbw, 1},
        {"none", nullptr, 1},
    };
    for (const Row& row : ftRows) {
        EXPECT_EQ(ft->compare(row.other), row.expected) << row.name;
        if (row.other) {
            EXPECT_EQ(row.other->compare(ft), row.expected) << row.name << " (the other way)";
        }
    }

    const Row wbwRows[] = {
        {"clone", wbw->clone(), 0},
        {"sort", changed<WBW>(wbw, [](WBW& s) { s.setSort(C::ByCatalog); }), 2},
        {"language", changed<WBW>(wbw, [](WBW& s) { s.setLanguage(C::Sanskrit); }), 1},
        {"other side", changed<WBW>(wbw,
                                    [](WBW& s) {
                                        s.setTranslationQuery(s.originalQuery());
                                        s.setOriginalQuery(QString());
                                    }),
         1},
        {"original choice", changed<WBW>(wbw, [](WBW& s) { s.setOriginalChoise(C::Contains); }), 1},
        {"one category more", changed<WBW>(wbw, [](WBW& s) { s.setCategories({4, 5}); }), 1},
        {"books reordered", changed<WBW>(wbw, [](WBW& s) { s.setBooks({102, 101}); }), 1},
        {"no sections", changed<WBW>(wbw, [](WBW& s) { s.setSections({}); }), 1},
        {"other family", ft, 1},
    };
    for (const Row& row : wbwRows) {
        EXPECT_EQ(wbw->compare(row.other), row.expected) << row.name;
        EXPECT_EQ(row.other->compare(wbw), row.expected) << row.name << " (the other way)";
    }
}

TEST(SearchSettingsRecords, ClonesCopyEveryMemberIntoANewOrTheGivenRecord)
{
    auto ft = fullText();
    ft->setSort(C::ByMatch);
    ft->setFieldName(FTFieldName(true, true, false));
    ft->setSearchInBook(101);
    const auto copy = std::dynamic_pointer_cast<FTSearchSettings>(ft->clone());
    ASSERT_TRUE(copy);
    EXPECT_NE(copy, ft);
    EXPECT_EQ(copy->compare(ft), 0);
    EXPECT_EQ(copy->fieldName().toString(), L"G");
    EXPECT_EQ(copy->sort(), C::ByMatch);
    const SearchScope scope = copy->scope();
    EXPECT_EQ(scope.categories, (std::vector<int>{4, 2}));
    EXPECT_EQ(scope.books, std::vector<int>{101});
    EXPECT_EQ(scope.sections, (QStringList{QStringLiteral("101.1"), QStringLiteral("101.2")}));
    EXPECT_EQ(scope.searchInBook, 101);

    const auto target = std::make_shared<FTSearchSettings>();
    EXPECT_EQ(ft->clone(target), target);
    EXPECT_EQ(target->compare(ft), 0);

    const auto wbw = wordByWord();
    const auto wbwTarget = std::make_shared<WBWSearchSettings>();
    EXPECT_EQ(wbw->clone(wbwTarget), wbwTarget);
    EXPECT_EQ(wbwTarget->compare(wbw), 0);
    EXPECT_EQ(wbwTarget->originalChoise(), C::ExactWord);
    EXPECT_EQ(wbwTarget->scope().searchInBook, 0);

    // The base part refuses to copy into nothing.
    try {
        ft->SearchSettings::clone(nullptr);
        ADD_FAILURE() << "nothing thrown";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "clone must not be null");
    }
}

TEST(SearchSettingsRecords, BothFamiliesTravelInAResultsAddress)
{
    registerBooksSearchUrlFamilies();
    auto ft = fullText();
    ft->setQuery(QStringLiteral("\"рама + сита\" 50% a&b"));
    ft->setFieldName(FTFieldName(true, false, false));
    ft->setSort(C::ByCatalog);
    ft->setSearchInBook(7);
    auto wbw = wordByWord();
    wbw->setOriginalQuery(QString());
    wbw->setTranslationQuery(QStringLiteral("a + b"));
    wbw->setLanguage(C::English);

    for (const SearchSettingsConstPtr& settings : std::vector<SearchSettingsConstPtr>{ft, wbw}) {
        UrlCreatorImpl request;
        request.setSearchSettings(settings);
        const QUrl url = request.toUrl(3);
        const UrlCreatorImpl back = UrlCreatorImpl::fromUrl(url);
        ASSERT_TRUE(back.searchSettings()) << url.toString().toStdString();
        EXPECT_EQ(back.searchSettings()->compare(settings), 0) << url.toString().toStdString();
        EXPECT_EQ(back.searchSettings()->searchType(), settings->searchType());
    }

    // Settings of another family are not written as full-text keys.
    test::MessageLog log;
    QUrlQuery query;
    searchurl::writeKeys(UrlCreator::FTSearch, wbw.get(), query);
    EXPECT_TRUE(query.isEmpty());
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("toUrl: cast search settings error")));
}
