// The search field's settings: the form's properties, the catalogue scope
// and the frozen settings a new search takes.
#include "core/Exception.h"
#include "models/TreeViewProxyModel.h"
#include "pages/UrlCreator.h"
#include "pages/UrlCreatorImpl.h"
#include "search/searchers/FTSearchRecords.h"
#include "search/searchers/FavoritesSearchRecords.h"
#include "search/searchers/GlossarySearchRecords.h"
#include "search/searchers/SearchSettingsCreator.h"
#include "search/searchers/SearchUrlRegistration.h"
#include "search/searchers/WBWSearchRecords.h"
#include "tests/pages/FakePageServices.h"
#include "tests/search_searchers/FakeCatalogTreeHelper.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QStandardItemModel>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

using namespace tarnolix;
using C = TarnolixConstants;
using tarnolix::test::FakeCatalogTreeHelper;
using tarnolix::test::MessageLog;

namespace {

class SearchSettingsCreatorTest : public ::testing::Test
{
protected:
    SearchSettingsCreatorTest()
    {
        registerSearchUrlFamilies();
        creator.setLanguage(C::Russian);
        creator.setSearchType(C::FullText);
        creator.setSearchAreaOriginal(true);
        creator.setQuery(QStringLiteral("рама"));
        creator.setCatalogTreeHelper(&helper);
    }

    template <typename Settings>
    std::shared_ptr<const Settings> settings()
    {
        const auto made = std::dynamic_pointer_cast<const Settings>(creator.createSearchSettings());
        EXPECT_TRUE(made);
        return made;
    }

    // Runs what was queued for the GUI thread (the reader's error notices).
    void deliverQueued() { QCoreApplication::processEvents(); }

    test::FakePageServices services;
    FakeCatalogTreeHelper helper;
    SearchSettingsCreator creator;
};

} // namespace

TEST_F(SearchSettingsCreatorTest, ASearchMayStartWhenItsTypeHasAScope)
{
    struct Row
    {
        std::string name;
        C::SearchType type;
        std::vector<uint32_t> categories, glossaries, books;
        QStringList sections;
        bool expected;
    };
    const Row rows[] = {
        {"full text, nothing checked", C::FullText, {}, {}, {}, {}, false},
        {"word by word, nothing checked", C::WordByWord, {}, {}, {}, {}, false},
        {"glossary, nothing checked", C::GlossarySearch, {}, {}, {}, {}, false},
        {"favorites, nothing checked", C::FavoritesSearch, {}, {}, {}, {}, true},
        {"no search type", C::InvalidSearchType, {1}, {1}, {1}, {QStringLiteral("1")}, false},
        {"full text, a category", C::FullText, {3}, {}, {}, {}, true},
        {"full text, a book", C::FullText, {}, {}, {101}, {}, true},
        {"full text, a section", C::FullText, {}, {}, {}, {QStringLiteral("101.1")}, true},
        {"full text, a glossary only", C::FullText, {}, {7}, {}, {}, false},
        {"word by word, a section", C::WordByWord, {}, {}, {}, {QStringLiteral("101.1")}, true},
        {"glossary, a category", C::GlossarySearch, {3}, {}, {}, {}, true},
        {"glossary, a glossary", C::GlossarySearch, {}, {7}, {}, {}, true},
        {"glossary, a book only", C::GlossarySearch, {}, {}, {101}, {}, false},
    };
    for (const Row& row : rows) {
        FakeCatalogTreeHelper checked;
        checked.categories = row.categories;
        checked.glossaries = row.glossaries;
        checked.books = row.books;
        checked.sections = row.sections;
        SearchSettingsCreator scoped;
        scoped.setCatalogTreeHelper(&checked);
        scoped.setSearchType(row.type);

        // Without the filter the catalogue is not asked.
        EXPECT_TRUE(scoped.hasValidSearchScope()) << row.name;
        EXPECT_EQ(checked.collections, 0) << row.name;

        scoped.setSearchFilter(true);
        EXPECT_EQ(scoped.hasValidSearchScope(), row.expected) << row.name;
        EXPECT_EQ(checked.collections, 1) << row.name;
    }

    SearchSettingsCreator alone;
    alone.setSearchType(C::FullText);
    EXPECT_TRUE(alone.hasValidSearchScope());
}

TEST_F(SearchSettingsCreatorTest, AFailedScopeCollectionRefusesTheSearch)
{
    creator.setSearchFilter(true);
    struct Row
    {
        std::string name;
        std::function<void()> arrange;
        QString logged;
    };
    const Row rows[] = {
        {"the program's exception", [&] { helper.failure = 1; },
         QStringLiteral("Search scope validation failed: Unknown mode(0x85761759)(9)")},
        {"something else", [&] { helper.failure = 2; }, QStringLiteral("Search scope validation failed")},
        {"no catalogue", [&] { creator.setCatalogTreeHelper(nullptr); },
         QStringLiteral("Search scope validation failed: catalogTreeHelper=nullptr")},
    };
    for (const Row& row : rows) {
        row.arrange();
        MessageLog log;
        EXPECT_FALSE(creator.hasValidSearchScope()) << row.name;
        EXPECT_TRUE(log.texts(QtCriticalMsg).contains(row.logged)) << row.name << ": "
                                                                   << log.texts(QtCriticalMsg).join('|').toStdString();
    }
}

TEST_F(SearchSettingsCreatorTest, ACheckChangeMakesTheNextCallCollectAgain)
{
    QStandardItemModel source;
    for (const char* name : {"Писания", "Философия"}) {
        auto* item = new QStandardItem(QString::fromUtf8(name));
        item->setCheckable(true);
        source.appendRow(item);
    }
    TreeViewProxyModel proxy;
    proxy.setSourceModel(&source);
    helper.setProxy(&proxy);
    helper.books = {101};
    creator.setSearchFilter(true);

    EXPECT_TRUE(creator.hasValidSearchScope());
    EXPECT_TRUE(creator.hasValidSearchScope());
    creator.createSearchSettings();
    EXPECT_EQ(helper.collections, 1);

    struct Row
    {
        std::string name;
        std::function<void()> change;
    };
    const Row rows[] = {
        {"an item checked", [&] { proxy.setCheckState(proxy.index(0, 0), Qt::Checked); }},
        {"an item unchecked", [&] { proxy.setCheckState(proxy.index(0, 0), Qt::Unchecked); }},
        {"all checked", [&] { proxy.checkAll(); }},
        {"all unchecked", [&] { proxy.uncheckAll(); }},
        {"the language", [&] { creator.setLanguage(C::English); }},
        {"the filter off and on", [&] {
             creator.setSearchFilter(false);
             creator.setSearchFilter(true);
         }},
        {"another catalogue", [&] {
             creator.setCatalogTreeHelper(nullptr);
             creator.setCatalogTreeHelper(&helper);
         }},
    };
    for (const Row& row : rows) {
        const int before = helper.collections;
        row.change();
        EXPECT_TRUE(creator.hasValidSearchScope()) << row.name;
        creator.createSearchSettings();
        EXPECT_EQ(helper.collections, before + 1) << row.name;
    }

    // The helper's new proxy model is followed; the old one is let go.
    TreeViewProxyModel other;
    helper.setProxy(&other);
    const int before = helper.collections;
    proxy.checkAll();
    EXPECT_TRUE(creator.hasValidSearchScope());
    EXPECT_EQ(helper.collections, before);
    other.uncheckAll();
    EXPECT_TRUE(creator.hasValidSearchScope());
    EXPECT_EQ(helper.collections, before + 1);
}

TEST_F(SearchSettingsCreatorTest, TheCatalogueFilterReplacesTheOneBookSearch)
{
    helper.categories = {3};
    helper.books = {101, 105};
    helper.sections = QStringList{QStringLiteral("106.2")};
    creator.setSearchInBook(107);

    const auto unfiltered = settings<FTSearchSettings>();
    EXPECT_EQ(unfiltered->searchInBook(), 107);
    EXPECT_TRUE(unfiltered->books().empty());
    EXPECT_EQ(helper.collections, 0);

    creator.setSearchFilter(true);
    const auto filtered = settings<FTSearchSettings>();
    EXPECT_EQ(filtered->searchInBook(), 0);
    EXPECT_EQ(filtered->categories(), std::vector<int>{3});
    EXPECT_EQ(filtered->books(), (std::vector<int>{101, 105}));
    EXPECT_EQ(filtered->sections(), QStringList{QStringLiteral("106.2")});
    EXPECT_EQ(filtered->query(), QStringLiteral("рама"));
    EXPECT_EQ(filtered->language(), C::Russian);
    // The form keeps its button.
    EXPECT_EQ(creator.searchInBook(), 107);

    // The glossary takes the categories and the glossaries.
    helper.glossaries = {12};
    creator.setSearchFilter(false);
    creator.setSearchFilter(true);
    creator.setSearchType(C::GlossarySearch);
    const auto glossary = settings<GlossarySearchSettings>();
    EXPECT_EQ(glossary->categories(), std::vector<int>{3});
    EXPECT_EQ(glossary->glossaries(), std::vector<int>{12});
    EXPECT_EQ(glossary->query(), QStringLiteral("рама"));
}

TEST_F(SearchSettingsCreatorTest, WordByWordIgnoresTheFilterOfACatalogueInAnotherLanguage)
{
    helper.books = {101};
    creator.setSearchType(C::WordByWord);
    creator.setSearchFilter(true);
    creator.setOriginalChoise(C::Contains);

    const auto matching = settings<WBWSearchSettings>();
    EXPECT_EQ(matching->books(), std::vector<int>{101});
    EXPECT_EQ(matching->originalChoise(), C::Contains);
    EXPECT_TRUE(services.messages.isEmpty());

    helper.catalogLanguage = C::English;
    const auto ignored = settings<WBWSearchSettings>();
    EXPECT_TRUE(ignored->books().empty());
    EXPECT_TRUE(ignored->categories().empty());
    EXPECT_TRUE(ignored->sections().isEmpty());
    EXPECT_EQ(services.messages,
              QStringList{QStringLiteral("Нельзя использовать фильтр по каталогу, если язык каталога не соответствует "
                                         "языку поиска!\nФильтр проигнорирован!")});

    // Nothing checked: no filter to ignore, no message.
    helper.books.clear();
    creator.treeViewProxyModelCheckStateChanged();
    settings<WBWSearchSettings>();
    EXPECT_EQ(services.messages.size(), 1);
}

TEST_F(SearchSettingsCreatorTest, AFavoritesSearchTakesTheLanguageOfItsLetters)
{
    creator.setSearchType(C::FavoritesSearch);
    struct Row
    {
        std::string name;
        C::Language tab;
        QString query;
        C::Language expected;
    };
    const Row rows[] = {
        {"Cyrillic in an English tab", C::English, QStringLiteral("12 рама"), C::Russian},
        {"Latin in a Russian tab", C::Russian, QStringLiteral("«dharma» и"), C::English},
        {"Cyrillic in a Russian tab", C::Russian, QStringLiteral("сита"), C::Russian},
        {"no letters", C::Sanskrit, QStringLiteral("108"), C::English},
    };
    for (const Row& row : rows) {
        creator.setLanguage(row.tab);
        creator.setQuery(row.query);
        MessageLog log;
        const auto made = settings<FavoritesSearchSettings>();
        EXPECT_EQ(made->language(), row.expected) << row.name;
        ASSERT_TRUE(made->text()) << row.name;
        EXPECT_EQ(*made->text(), row.query) << row.name;
        EXPECT_FALSE(made->catalog()) << row.name;
        EXPECT_EQ(creator.catalogModelLanguage(), row.expected) << row.name;
        EXPECT_EQ(log.contains(QtDebugMsg, QStringLiteral("SearchSettingsCreator: language changed to ")),
                  row.tab != row.expected)
            << row.name;
    }
    creator.setSearchType(C::FullText);
    EXPECT_EQ(creator.catalogModelLanguage(), C::Sanskrit);
}

TEST_F(SearchSettingsCreatorTest, ANewSearchTakesAFrozenCopy)
{
    UrlCreator url;
    creator.setExactMatch(true);
    ASSERT_TRUE(creator.setSearch(&url));
    EXPECT_EQ(url.queryType(), UrlCreator::FTSearch);
    const SearchSettingsConstPtr started = url.impl().searchSettings();
    const auto fullText = std::dynamic_pointer_cast<const FTSearchSettings>(started);
    ASSERT_TRUE(fullText);
    EXPECT_EQ(fullText->query(), QStringLiteral("рама"));
    EXPECT_EQ(fullText->fieldName().toString(), L"E");

    // Typing on changes neither the search started nor its address.
    const QString address = url.toString();
    creator.setQuery(QStringLiteral("сита"));
    creator.setExactMatch(false);
    creator.setSearchInBook(101);
    EXPECT_EQ(fullText->query(), QStringLiteral("рама"));
    EXPECT_EQ(fullText->fieldName().toString(), L"E");
    EXPECT_EQ(fullText->searchInBook(), 0);
    EXPECT_EQ(url.toString(), address);

    ASSERT_TRUE(creator.setSearch(&url));
    EXPECT_NE(url.impl().searchSettings(), started);

    creator.setSearchType(C::GlossarySearch);
    ASSERT_TRUE(creator.setSearch(&url));
    EXPECT_EQ(url.queryType(), UrlCreator::GlossarySearch);
    creator.setSearchType(C::WordByWord);
    ASSERT_TRUE(creator.setSearch(&url));
    EXPECT_EQ(url.queryType(), UrlCreator::WBWSearch);
    const auto wordByWord = std::dynamic_pointer_cast<const WBWSearchSettings>(url.impl().searchSettings());
    ASSERT_TRUE(wordByWord);
    EXPECT_EQ(wordByWord->originalQuery(), QStringLiteral("сита"));
    EXPECT_TRUE(wordByWord->translationQuery().isEmpty());
}

TEST_F(SearchSettingsCreatorTest, AFailedStartIsShownToTheReader)
{
    struct Row
    {
        std::string name;
        std::function<void()> arrange;
        UrlCreator* url;
        QString logged;
        QString shown;
    };
    UrlCreator url;
    const Row rows[] = {
        {"no search type", [&] { creator.setSearchType(C::InvalidSearchType); }, &url,
         QStringLiteral("setSearch failed: Invalid search type(2)!(1;0)"),
         QStringLiteral("Не удалось начать поиск!(0x54977751)")},
        {"an unknown search type", [&] { creator.setSearchType(C::SearchType(9)); }, &url,
         QStringLiteral("setSearch failed: Invalid search type(2)!(1;9)"),
         QStringLiteral("Не удалось начать поиск!(0x54977751)")},
        {"no address", [&] { creator.setSearchType(C::FullText); }, nullptr,
         QStringLiteral("setSearch failed: urlCreator=nullptr"), QStringLiteral("Не удалось начать поиск!(0x54977751)")},
        {"a collection failing with something else",
         [&] {
             creator.setSearchFilter(true);
             helper.failure = 2;
         },
         &url, QStringLiteral("setSearch failed"), QStringLiteral("Не удалось начать поиск!(0x54977752)")},
    };
    for (const Row& row : rows) {
        row.arrange();
        services.errors.clear();
        MessageLog log;
        EXPECT_FALSE(creator.setSearch(row.url)) << row.name;
        EXPECT_TRUE(log.texts(QtCriticalMsg).contains(row.logged)) << row.name << ": "
                                                                   << log.texts(QtCriticalMsg).join('|').toStdString();
        // Shown later, on the GUI thread's loop.
        EXPECT_TRUE(services.errors.isEmpty()) << row.name;
        deliverQueued();
        EXPECT_EQ(services.errors, QStringList{row.shown}) << row.name;
        EXPECT_EQ(url.queryType(), UrlCreator::InvalidQuery) << row.name;
    }
}

TEST_F(SearchSettingsCreatorTest, TheQueryFillsEveryFamily)
{
    creator.setSearchAreaOriginal(false);
    creator.setSearchAreaTranslate(true);
    creator.setQuery(QStringLiteral("сита"));
    creator.setSearchType(C::WordByWord);
    auto wordByWord = settings<WBWSearchSettings>();
    EXPECT_TRUE(wordByWord->originalQuery().isEmpty());
    EXPECT_EQ(wordByWord->translationQuery(), QStringLiteral("сита"));

    // Neither side chosen: logged, and searched on the translation side.
    creator.setSearchAreaTranslate(false);
    MessageLog log;
    creator.setQuery(QStringLiteral("гита"));
    EXPECT_TRUE(log.texts(QtCriticalMsg).contains(QStringLiteral("ERROR 0x88797451")));
    wordByWord = settings<WBWSearchSettings>();
    EXPECT_TRUE(wordByWord->originalQuery().isEmpty());
    EXPECT_EQ(wordByWord->translationQuery(), QStringLiteral("гита"));

    creator.setSearchAreaOriginal(true);
    wordByWord = settings<WBWSearchSettings>();
    EXPECT_EQ(wordByWord->originalQuery(), QStringLiteral("гита"));
    creator.setSearchType(C::GlossarySearch);
    EXPECT_EQ(settings<GlossarySearchSettings>()->query(), QStringLiteral("гита"));
}

TEST_F(SearchSettingsCreatorTest, PropertiesTellOnlyChanges)
{
    struct Row
    {
        const char* property;
        QVariant value;
    };
    const Row rows[] = {
        {"language", QVariant::fromValue(C::Sanskrit)},
        {"searchType", QVariant::fromValue(C::WordByWord)},
        {"query", QStringLiteral("гита")},
        {"exactMatch", true},
        {"searchFilter", true},
        {"searchInBook", 101},
        {"searchAreaOriginal", false},
        {"searchAreaTranslate", true},
        {"originalChoise", QVariant::fromValue(C::WordStartsWith)},
    };
    const QMetaObject& meta = *creator.metaObject();
    for (const Row& row : rows) {
        const QMetaProperty property = meta.property(meta.indexOfProperty(row.property));
        ASSERT_TRUE(property.hasNotifySignal()) << row.property;
        QSignalSpy spy(&creator, property.notifySignal());
        ASSERT_TRUE(creator.setProperty(row.property, row.value)) << row.property;
        EXPECT_EQ(creator.property(row.property), row.value) << row.property;
        creator.setProperty(row.property, row.value);
        EXPECT_EQ(spy.count(), 1) << row.property;
    }

    // Diacritics are refused, the program goes on.
    QSignalSpy diacritics(&creator, &SearchSettingsCreator::accountOfDiacriticsChanged);
    MessageLog log;
    creator.setProperty("accountOfDiacritics", true);
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("accountOfDiacritics not supported")));
    EXPECT_FALSE(creator.accountOfDiacritics());
    creator.setAccountOfDiacritics(false);
    EXPECT_EQ(diacritics.count(), 0);
    creator.setSearchType(C::FullText);
    EXPECT_EQ(settings<FTSearchSettings>()->fieldName().toString(), L"E");
}

TEST_F(SearchSettingsCreatorTest, ACatalogueThatGoesIsLetGo)
{
    QSignalSpy changed(&creator, &SearchSettingsCreator::catalogTreeHelperChanged);
    {
        FakeCatalogTreeHelper shortLived;
        auto* proxy = new TreeViewProxyModel(&shortLived);
        shortLived.setProxy(proxy);
        creator.setCatalogTreeHelper(&shortLived);
        EXPECT_EQ(creator.catalogTreeHelper(), &shortLived);
        EXPECT_EQ(changed.count(), 1);
    }
    EXPECT_EQ(creator.catalogTreeHelper(), nullptr);
    EXPECT_EQ(changed.count(), 2);
    creator.setSearchFilter(true);
    EXPECT_FALSE(creator.hasValidSearchScope());

    // An object that keeps no checked items is no catalogue.
    QObject stranger;
    MessageLog log;
    creator.setCatalogTreeHelper(&stranger);
    EXPECT_EQ(creator.catalogTreeHelper(), nullptr);
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("is no catalogue tree helper")));
    EXPECT_EQ(changed.count(), 2);

    // The helper's proxy model going first is let go too.
    auto* proxy = new TreeViewProxyModel;
    helper.setProxy(proxy);
    creator.setCatalogTreeHelper(&helper);
    delete proxy;
    helper.setProxy(nullptr);
    helper.books = {101};
    EXPECT_TRUE(creator.hasValidSearchScope());
}

TEST_F(SearchSettingsCreatorTest, SettingsAreMadeOnTheCreatorsThreadOnly)
{
    std::string error;
    std::thread other([&] {
        try {
            creator.createSearchSettings();
        } catch (const Exception& e) {
            error = e.what();
        }
    });
    other.join();
    EXPECT_EQ(error, "SearchSettingsCreator is used off its thread");
}
