// A tab following the URLs its view shows: what it derives from each URL,
// what it leaves alone, and the fixed pages it opens through its tab item.
#include "app/Tarnolix.h"
#include "tabs/TabStatus.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestSupport.h"
#include "tests/tabs/TabFixture.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {

using namespace tarnolix::test;
using C = TarnolixConstants;

// The message of the next reader error notice (queued), empty when none comes.
QString nextErrorMessage(QSignalSpy& errors)
{
    if (!waitUntil([&] { return errors.count() > 0; }, 2000))
        return QString();
    return errors.takeFirst().at(1).toString();
}

using TabUrlHandler = TabFixture;

TEST_F(TabUrlHandler, SignalsOnlyWhatChanged)
{
    QSignalSpy urlChanged(tab.get(), &TabStatus::urlChanged);
    QSignalSpy pathChanged(tab.get(), &TabStatus::itemPathChanged);

    const QUrl section = tabUrl("tarnolix://openbook.ru/Book-77/Section-r-2?catalogTab=Names&tabId=%1");
    tab->setUrl(section);
    tab->setUrl(section);
    EXPECT_EQ(urlChanged.count(), 1);
    EXPECT_EQ(pathChanged.count(), 1);
    EXPECT_EQ(tab->url(), section);
    EXPECT_EQ(tab->pageType(), UrlCreator::OpenBook);
    EXPECT_EQ(tab->pageLanguage(), C::Russian);
    EXPECT_EQ(tab->bookOfCatalog(), C::Names);
    EXPECT_EQ(tab->bookId(), 77);
    EXPECT_EQ(tab->sectionCode(), QStringLiteral("r-2"));
    EXPECT_EQ(tab->itemPath().size(), 2);
    EXPECT_EQ(tab->favoriteItemUuid(), QString());
    EXPECT_FALSE(tab->urlHasFragment());

    // Another section: both signals.
    tab->setUrl(tabUrl("tarnolix://openbook.ru/Book-77/Section-r-3?catalogTab=Names&tabId=%1"));
    EXPECT_EQ(urlChanged.count(), 2);
    EXPECT_EQ(pathChanged.count(), 2);
    EXPECT_EQ(tab->sectionCode(), QStringLiteral("r-3"));

    // The same path with another query: the URL only.
    tab->setUrl(tabUrl("tarnolix://openbook.ru/Book-77/Section-r-3?catalogTab=Categories&tabId=%1#s"));
    EXPECT_EQ(urlChanged.count(), 3);
    EXPECT_EQ(pathChanged.count(), 2);
    EXPECT_EQ(tab->bookOfCatalog(), C::Categories);
    EXPECT_TRUE(tab->urlHasFragment());

    // A favorite item in the path.
    tab->setUrl(QUrl(QStringLiteral("tarnolix://favorites.ru/FavoriteFolder-6e1a3c1e-0c55-4b43-8a7e-2f9d1b6f0a11/"
                                    "FavoriteItemId-0b8f6e2c-51c4-4d7e-9c1a-3f2e5d6c7b8a?catalogTab=AllFavorites")));
    EXPECT_EQ(tab->favoriteItemUuid(), QStringLiteral("0b8f6e2c-51c4-4d7e-9c1a-3f2e5d6c7b8a"));
    EXPECT_EQ(tab->bookId(), 0);
}

TEST_F(TabUrlHandler, AnUnparsableUrlIsTakenAsFarAsItReadsAndReported)
{
    tab->setUrl(tabUrl("tarnolix://openbook.ru/Book-77/Section-r-2?catalogTab=Names&tabId=%1"));
    QSignalSpy errors(&app(), &Tarnolix::errorMessage);
    QSignalSpy urlChanged(tab.get(), &TabStatus::urlChanged);
    QSignalSpy pathChanged(tab.get(), &TabStatus::itemPathChanged);
    MessageLog log;

    const QUrl broken(QStringLiteral("tarnolix://nosuchkind.ru/Book-5"));
    tab->setUrl(broken);
    EXPECT_TRUE(log.contains(QtCriticalMsg, QStringLiteral("Parse URL error (0x54256972)")));
    EXPECT_TRUE(log.contains(QtCriticalMsg, QStringLiteral("TabStatus(%1):").arg(tab->id())));
    EXPECT_EQ(nextErrorMessage(errors), QStringLiteral("Ошибка 0x54256972"));
    EXPECT_EQ(tab->url(), broken);
    EXPECT_EQ(tab->pageType(), UrlCreator::InvalidQuery);
    EXPECT_EQ(tab->bookId(), 0);
    EXPECT_EQ(urlChanged.count(), 1);
    EXPECT_EQ(pathChanged.count(), 1);
}

TEST_F(TabUrlHandler, ASlugUrlBecomesItsIdForm)
{
    QSignalSpy urlChanged(tab.get(), &TabStatus::urlChanged);
    QSignalSpy pathChanged(tab.get(), &TabStatus::itemPathChanged);
    const QUrl slug = tabUrl("tarnolix://openbookslug.ru/Book-dipa-samhita/Section-glava-2.stikh-13?tabId=%1");
    tab->setUrl(slug);
    tab->setUrl(slug);
    EXPECT_EQ(urlChanged.count(), 1);
    EXPECT_EQ(pathChanged.count(), 1);
    EXPECT_EQ(tab->url(), slug); // the view's URL, so that the view's next report of it changes nothing
    EXPECT_EQ(tab->pageType(), UrlCreator::OpenBook);
    EXPECT_EQ(tab->bookId(), 77);
    EXPECT_EQ(tab->sectionCode(), QStringLiteral("r-2-13"));
    EXPECT_EQ(tab->bookOfCatalog(), C::Names);

    // The id form of the same section is a new URL but no new path, and so
    // is the slug form again after it.
    const QUrl idForm = tab->urlCreator().toUrl(tab->id());
    tab->setUrl(idForm);
    EXPECT_EQ(urlChanged.count(), 2);
    EXPECT_EQ(pathChanged.count(), 1);
    EXPECT_EQ(tab->sectionCode(), QStringLiteral("r-2-13"));
    const QUrl slugAgain = tabUrl("tarnolix://openbookslug.ru/Book-dipa-samhita/Section-glava-2.stikh-13?tabId=%1#top");
    tab->setUrl(slugAgain);
    EXPECT_EQ(urlChanged.count(), 3);
    EXPECT_EQ(pathChanged.count(), 1);
    EXPECT_EQ(tab->url(), slugAgain);
}

TEST_F(TabUrlHandler, ASlugThatDoesNotResolveLeavesTheTabAsItWas)
{
    const QUrl section = tabUrl("tarnolix://openbook.ru/Book-77/Section-r-2?catalogTab=Names&tabId=%1");
    tab->setUrl(section);
    auto* data = new GlossarySearchData(tab.get());
    tab->searchDataStorage()->setSearchData(data);
    QSignalSpy errors(&app(), &Tarnolix::errorMessage);
    QSignalSpy urlChanged(tab.get(), &TabStatus::urlChanged);
    QSignalSpy pathChanged(tab.get(), &TabStatus::itemPathChanged);
    QSignalSpy catalogChanged(tab.get(), &TabStatus::catalogChanged);
    MessageLog log;

    tab->setUrl(QUrl(QStringLiteral("tarnolix://openbookslug.en/Book-no-such-book?catalogTab=Glossaries")));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Process slug error: ")));
    EXPECT_FALSE(nextErrorMessage(errors).isEmpty());
    EXPECT_EQ(tab->url(), section);
    EXPECT_EQ(tab->pageType(), UrlCreator::OpenBook);
    EXPECT_EQ(tab->pageLanguage(), C::Russian);
    EXPECT_EQ(tab->bookOfCatalog(), C::Names);
    EXPECT_EQ(tab->bookId(), 77);
    EXPECT_EQ(tab->sectionCode(), QStringLiteral("r-2"));
    EXPECT_EQ(tab->catalog(), C::RussianCatalog);
    EXPECT_EQ(tab->searchDataStorage()->searchData(), data);
    EXPECT_EQ(urlChanged.count(), 0);
    EXPECT_EQ(pathChanged.count(), 0);
    EXPECT_EQ(catalogChanged.count(), 0);
}

// URLs made in a tab that does not exist: the search kinds leave the stored
// data to their page kinds, the favorites kinds clear it, and the others try
// to restore it from that tab.
TEST_F(TabUrlHandler, EachKindKeepsClearsOrTriesToRestoreTheStoredSearch)
{
    enum Rule { Keeps, Clears, TriesToRestore };
    struct Case
    {
        const char* url;
        Rule rule;
    };
    const Case cases[] = {
        {"tarnolix://openbook.ru/Book-77/Section-r-2?catalogTab=Names&tabId=999", TriesToRestore},
        {"tarnolix://openbookcover.ru/Book-77?catalogTab=Names&tabId=999", TriesToRestore},
        {"tarnolix://openauthor.ru/Author-10?catalogTab=Authors&tabId=999", TriesToRestore},
        {"tarnolix://newtab.ru?tabId=999", TriesToRestore},
        {"tarnolix://ftsearch.ru?query=x&tabId=999", Keeps},
        {"tarnolix://wbwsearch.ru?original=x&tabId=999", Keeps},
        {"tarnolix://glossarysearch.en?query=x&tabId=999", Keeps},
        {"tarnolix://glossary.en/Glossary-3?catalogTab=Glossaries&tabId=999", TriesToRestore},
        {"tarnolix://converter.ru?tabId=999", TriesToRestore},
        {"tarnolix://favorites.ru/FavoriteFolder-6e1a3c1e-0c55-4b43-8a7e-2f9d1b6f0a11?catalogTab=AllFavorites"
         "&tabId=999",
         Clears},
        {"tarnolix://favoritessearch.ru?tabId=999", Clears},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        auto* data = new GlossarySearchData(tab.get());
        tab->searchDataStorage()->setSearchData(data);
        MessageLog log;
        tab->setUrl(QUrl(QString::fromUtf8(c.url)));
        ASSERT_NE(tab->pageType(), UrlCreator::InvalidQuery);
        EXPECT_EQ(tab->searchDataStorage()->searchData(), c.rule == Keeps ? data : nullptr);
        EXPECT_EQ(log.contains(QtWarningMsg, QStringLiteral("tryRestoreSearchResults: page status not found!")),
                  c.rule == TriesToRestore);
    }
}

TEST(TabCatalog, FollowsTheKindTheCatalogTabAndTheLanguage)
{
    struct Case
    {
        UrlCreator::QueryType kind;
        C::CatalogTab catalogTab;
        C::Language language;
        std::optional<C::Catalog> catalog;
    };
    const auto none = std::nullopt;
    const Case cases[] = {
        {UrlCreator::GlossarySearch, C::InvalidCatalogTab, C::English, C::GlossaryCatalog},
        {UrlCreator::WBWSearch, C::Names, C::Russian, C::WordByWordCatalog},
        {UrlCreator::FTSearch, C::InvalidCatalogTab, C::English, C::EnglishCatalog},
        {UrlCreator::FTSearch, C::Glossaries, C::Sanskrit, C::SanskritCatalog},
        {UrlCreator::OpenBook, C::Categories, C::Russian, C::RussianCatalog},
        {UrlCreator::OpenAuthor, C::Authors, C::English, C::EnglishCatalog},
        {UrlCreator::OpenBookCover, C::Names, C::Sanskrit, C::SanskritCatalog},
        {UrlCreator::Glossary, C::Glossaries, C::English, C::GlossaryCatalog},
        {UrlCreator::Glossary, C::GlossariesNames, C::English, C::GlossaryCatalog},
        {UrlCreator::Favorites, C::AllFavorites, C::English, C::FavoritesCatalog},
        {UrlCreator::Favorites, C::FavoritesByBooks, C::Russian, C::FavoritesCatalog},
        {UrlCreator::OpenBook, C::SearchResults, C::Russian, none},
        {UrlCreator::NewTab, C::InvalidCatalogTab, C::Russian, none},
        {UrlCreator::OpenBook, static_cast<C::CatalogTab>(42), C::Russian, none},
    };
    MessageLog log;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind << " tab " << c.catalogTab << " language " << c.language);
        UrlCreatorImpl request;
        request.setQueryType(c.kind);
        request.setCatalogTab(c.catalogTab);
        request.setLanguage(c.language);
        EXPECT_EQ(TabStatus::catalogOfPage(request), c.catalog);
    }
    EXPECT_TRUE(log.texts(QtWarningMsg).isEmpty());

    // A book catalog of no language: warned, and no catalog.
    for (const UrlCreator::QueryType kind : {UrlCreator::FTSearch, UrlCreator::OpenBook}) {
        UrlCreatorImpl request;
        request.setQueryType(kind);
        request.setCatalogTab(C::Names);
        EXPECT_EQ(TabStatus::catalogOfPage(request), none);
    }
    const QString invalid = QStringLiteral("Invalid language 0x16546488");
    EXPECT_EQ(log.texts(QtWarningMsg), (QStringList{invalid, invalid}));
}

TEST_F(TabUrlHandler, TakesTheCatalogOfThePageOnlyWhenItChanges)
{
    EXPECT_EQ(tab->catalog(), C::RussianCatalog); // the interface's language
    QSignalSpy catalogChanged(tab.get(), &TabStatus::catalogChanged);
    tab->setUrl(QUrl(QStringLiteral("tarnolix://openbook.ru/Book-77/Section-r-2?catalogTab=Names")));
    EXPECT_EQ(catalogChanged.count(), 0);
    tab->setUrl(QUrl(QStringLiteral("tarnolix://glossary.en/Glossary-3?catalogTab=Glossaries")));
    EXPECT_EQ(tab->catalog(), C::GlossaryCatalog);
    EXPECT_EQ(catalogChanged.count(), 1);
    tab->setUrl(QUrl(QStringLiteral("tarnolix://openbook.en/Book-77/Section-e-2?catalogTab=SearchResults")));
    EXPECT_EQ(tab->catalog(), C::GlossaryCatalog);
    EXPECT_EQ(catalogChanged.count(), 1);
}

TEST_F(TabUrlHandler, AMoveToAnotherSectionRewritesTheUrlForThisTab)
{
    tab->setUrl(QUrl(QStringLiteral("tarnolix://openbook.ru/Book-77/Section-r-2?catalogTab=Names&tabId=999")));
    QSignalSpy urlChanged(tab.get(), &TabStatus::urlChanged);
    QSignalSpy pathChanged(tab.get(), &TabStatus::itemPathChanged);

    tab->setItemPath({{C::Book, 77}, {C::Section, QStringLiteral("r-2")}});
    EXPECT_EQ(urlChanged.count(), 0);
    EXPECT_EQ(pathChanged.count(), 0);

    MessageLog log;
    tab->setItemPath({{C::Book, 77}, {C::Section, QStringLiteral("r-3")}});
    EXPECT_EQ(urlChanged.count(), 1);
    EXPECT_EQ(pathChanged.count(), 1);
    EXPECT_EQ(tab->sectionCode(), QStringLiteral("r-3"));
    EXPECT_EQ(tab->url(),
              tabUrl("tarnolix://openbook.ru/Book-77/Section-r-3?catalogTab=Names&tabId=%1"));
    EXPECT_TRUE(log.contains(QtDebugMsg, QStringLiteral("Item path changed:")));
    // The view reporting that URL changes nothing more.
    tab->setUrl(tab->url());
    EXPECT_EQ(urlChanged.count(), 1);
}

TEST_F(TabUrlHandler, OpensTheFixedPagesThroughTheTabItem)
{
    tab->setLanguage(C::English);
    const QString folder = QStringLiteral("6e1a3c1e-0c55-4b43-8a7e-2f9d1b6f0a11");
    struct Case
    {
        const char* name;
        std::function<void()> open;
        UrlCreator::QueryType kind;
        C::Language language;
        C::CatalogTab catalogTab;
        QString path;
        bool thisTab;
    };
    const auto variant = [](const HierarchyItems& items) { return hierarchyItemsToVariant(items); };
    const Case cases[] = {
        {"openBookCover", [&] { tab->openBookCover(C::Russian, C::Names, variant({{C::Letter, QChar(u'Д')}, {C::Book, 77}})); },
         UrlCreator::OpenBookCover, C::Russian, C::Names, QStringLiteral("/Letter-Д/Book-77"), false},
        {"openAuthor", [&] { tab->openAuthor(C::Sanskrit, C::Authors, variant({{C::Author, 10}})); },
         UrlCreator::OpenAuthor, C::Sanskrit, C::Authors, QStringLiteral("/Author-10"), false},
        {"openBasePage", [&] { tab->openBasePage(); }, UrlCreator::NewTab, C::English, C::InvalidCatalogTab,
         QString(), false},
        {"openGlossary", [&] { tab->openGlossary(C::Glossaries, variant({{C::Glossary, 3}}), 9); },
         UrlCreator::Glossary, C::English, C::Glossaries, QStringLiteral("/Glossary-3"), false},
        {"openGlossary by names", [&] { tab->openGlossary(C::GlossariesNames, variant({{C::Glossary, 3}}), 9); },
         UrlCreator::Glossary, C::English, C::GlossariesNames, QStringLiteral("/Glossary-3/Category-9"), false},
        {"openConverter", [&] { tab->openConverter(); }, UrlCreator::Converter, C::English, C::InvalidCatalogTab,
         QString(), false},
        {"openAllFavorites", [&] { tab->openAllFavorites(); }, UrlCreator::Favorites, C::English, C::AllFavorites,
         QStringLiteral("/FavoriteFolder-"), true},
        {"openFavoritesByBooks", [&] { tab->openFavoritesByBooks(C::Russian); }, UrlCreator::Favorites, C::Russian,
         C::FavoritesByBooks, QString(), true},
        {"openFavoriteFolder",
         [&] { tab->openFavoriteFolder(C::Russian, C::AllFavorites, variant({{C::FavoriteFolder, folder}})); },
         UrlCreator::Favorites, C::Russian, C::AllFavorites, QStringLiteral("/FavoriteFolder-") + folder, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        item.urls.clear();
        c.open();
        ASSERT_EQ(item.urls.size(), 1);
        const UrlCreatorImpl opened = UrlCreatorImpl::fromUrl(item.urls.constFirst());
        EXPECT_EQ(opened.queryType(), c.kind);
        EXPECT_EQ(opened.language(), c.language);
        EXPECT_EQ(opened.catalogTab(), c.catalogTab);
        EXPECT_EQ(parentHierarchyItemsToPath(opened.itemPathItems(), false), c.path);
        EXPECT_EQ(opened.tabId(), c.thisTab ? tab->id() : 0);
    }

    MessageLog log;
    tab->setTabItem(nullptr);
    tab->openConverter();
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("openUrl: tabItem=0")));
}

TEST(TabIds, CountFromOneAndAreNeverReused)
{
    TabStatusMngr mngr;
    TabStatus* const first = reinterpret_cast<TabStatus*>(0x10);
    EXPECT_EQ(mngr.add(first), 1);
    EXPECT_EQ(mngr.add(nullptr), 2);
    mngr.erase(1);
    EXPECT_EQ(mngr.add(first), 3);
    MessageLog log;
    EXPECT_EQ(mngr.getTab(1), nullptr);
    EXPECT_EQ(mngr.getTab(3), first);
    mngr.erase(1);
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("TabStatusMngr::getTab: Object not found")));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("TabStatusMngr::erase: Object not found")));

    // Tabs register with the application's registry and leave it when they go.
    TabStatusMngr& registry = *app().tabStatusMngr();
    auto closed = std::make_unique<TabStatus>();
    const int closedId = closed->id();
    EXPECT_EQ(registry.getTab(closedId), closed.get());
    EXPECT_EQ(closed->webChannel()->tabId(), closedId);
    closed.reset();
    EXPECT_EQ(registry.getTab(closedId), nullptr);
    TabStatus next;
    EXPECT_EQ(next.id(), closedId + 1);
}

TEST(TabStart, CatalogAndCatalogLanguagesFollowTheInterfaceLanguage)
{
    struct Case
    {
        C::Language interface;
        C::Catalog catalog;
    };
    for (const Case& c : {Case{C::English, C::EnglishCatalog}, Case{C::Sanskrit, C::SanskritCatalog},
                          Case{C::Russian, C::RussianCatalog}, Case{C::InvalidLanguage, C::RussianCatalog}}) {
        SCOPED_TRACE(c.interface);
        FakeTabServices services;
        services.language = c.interface;
        TabStatus tab;
        EXPECT_EQ(tab.id(), 1);
        EXPECT_EQ(tab.catalog(), c.catalog);
        EXPECT_EQ(tab.catalogLanguage(), c.interface);
        EXPECT_EQ(tab.lastBookCatalogLanguage(), c.interface);
        EXPECT_EQ(tab.language(), C::InvalidLanguage);
        EXPECT_EQ(tab.catalogTab(), C::Categories);
        EXPECT_EQ(tab.pageType(), UrlCreator::InvalidQuery);
    }
}

TEST(TabPage, FollowsThePageKindAndForgetsItWhenItGoes)
{
    TabStatus tab;
    QSignalSpy pageChanged(&tab, &TabStatus::pageStatusChanged);
    QSignalSpy logicChanged(&tab, &TabStatus::pageLogicChanged);
    EXPECT_EQ(tab.pageStatusType(), UrlCreator::InvalidQuery);
    EXPECT_FALSE(tab.pageStatusIsSearch());

    struct Case
    {
        UrlCreator::QueryType type;
        bool isSearch;
    };
    for (const Case& c : {Case{UrlCreator::FTSearch, true}, Case{UrlCreator::WBWSearch, true},
                          Case{UrlCreator::GlossarySearch, true}, Case{UrlCreator::FavoritesSearch, false},
                          Case{UrlCreator::OpenBook, false}}) {
        SCOPED_TRACE(c.type);
        FakeSearchPage page(c.type);
        tab.setPageStatus(&page);
        EXPECT_EQ(tab.pageStatusType(), c.type);
        EXPECT_EQ(tab.pageStatusIsSearch(), c.isSearch);
    }
    EXPECT_EQ(tab.pageStatus(), nullptr); // each page forgotten as it went
    EXPECT_EQ(pageChanged.count(), 10);

    auto logic = std::make_unique<QObject>();
    QObject other;
    tab.setPageLogic(logic.get());
    tab.setPageLogic(&other);
    logic.reset(); // no longer the tab's: ignored
    EXPECT_EQ(tab.pageLogic(), &other);
    EXPECT_EQ(logicChanged.count(), 2);
}

TEST(TabProfile, ANullProfileIsRefused)
{
    TabStatus tab;
    MessageLog log;
    tab.setUpProfile(nullptr);
    EXPECT_TRUE(log.contains(QtCriticalMsg, QStringLiteral("setUpProfile: profile=0")));
}

} // namespace
