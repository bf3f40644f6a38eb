#pragma once
// A tab of the real application, with the small library of the addressing
// tests as the GUI thread's library (for slug URLs) and as the calling
// thread's pooled connection (for the library stamp of search results), and
// stand-in glossary and favorites search families (so that those URLs
// parse; full text and word by word are the application's own). The
// application's page services and pool come back after each test.

#include "database/DatabasePool.h"
#include "pages/PageServices.h"
#include "search/searchers/FTSearchRecords.h"
#include "search/searchers/WBWSearchRecords.h"
#include "tabs/TabStatus.h"
#include "tests/pages/BookLibraryFixture.h"
#include "tests/tabs/TabFakes.h"

#include <QUrl>

#include <memory>
#include <thread>

namespace tarnolix::test {

class TabFixture : public BookLibraryFixture
{
protected:
    // Before any fixture of the suite replaces them.
    static void SetUpTestSuite() { appPageServices() = PageServices::current(); }

    void SetUp() override
    {
        BookLibraryFixture::SetUp();
        m_appPool = databasePool();
        m_pool = std::make_unique<DatabasePool>(std::this_thread::get_id(), [p = LibraryFixture::path] { return p; });
        setDatabasePool(m_pool.get());
        registerGlossarySearchUrls(fakeFamily<FakeGlossary, GlossarySearchKeys>());
        registerFavoritesSearchUrls(fakeFamily<FakeFavorites, FavoritesSearchKeys>());
        tab = std::make_unique<TabStatus>();
        tab->setTabItem(&item);
    }

    void TearDown() override
    {
        tab.reset();
        registerGlossarySearchUrls({});
        registerFavoritesSearchUrls({});
        setDatabasePool(m_appPool);
        m_pool.reset();
        PageServices::setCurrent(appPageServices());
    }

    static PageServices*& appPageServices()
    {
        static PageServices* services = nullptr;
        return services;
    }

    // `url` with "%1" filled by the tab's id.
    QUrl tabUrl(const char* url) const { return QUrl(QString::fromUtf8(url).arg(tab->id())); }

    // Registered results of a full-text or word-by-word search of the
    // library as it is now.
    static std::shared_ptr<tarnolix::FTSearchResults> fullTextResults(const QString& query)
    {
        auto settings = std::make_shared<tarnolix::FTSearchSettings>(TarnolixConstants::Russian);
        settings->setQuery(query);
        return tarnolix::FTSearchResults::create(std::make_shared<tarnolix::FTSearchStatus>(settings, nullptr));
    }
    // Full-text results with hits 1..count, all in section "r-2" of book 77.
    // Hits `firstId` .. `firstId` + count - 1 in one section.
    static std::shared_ptr<tarnolix::FTSearchResults> fullTextHits(unsigned count, unsigned firstId = 1)
    {
        const auto results = fullTextResults(QStringLiteral("рама"));
        const auto book = std::make_shared<tarnolix::FTSRBook>(results->status(), 77);
        const auto section = std::make_shared<tarnolix::FTSRSection>(book, QStringLiteral("r-2"));
        const auto entity = std::make_shared<tarnolix::FTSREntity>(0);
        book->addSection(section);
        section->addEntity(entity);
        auto items = std::make_shared<tarnolix::SRItemsContainer>();
        for (unsigned id = firstId; id < firstId + count; ++id) {
            auto item = std::make_shared<tarnolix::FTSRItem>(section, entity, 0, id, 1.0);
            entity->addItem(item);
            items->append(std::move(item));
        }
        results->setBooks({book}, {{77u, book}}, items);
        return results;
    }
    static std::shared_ptr<tarnolix::WBWSearchResults> wordByWordResults()
    {
        auto settings = std::make_shared<tarnolix::WBWSearchSettings>(TarnolixConstants::Russian);
        return tarnolix::WBWSearchResults::create(std::make_shared<tarnolix::WBWSearchStatus>(settings));
    }

    FakeTabItem item;
    std::unique_ptr<TabStatus> tab;

private:
    DatabasePool* m_appPool = nullptr;
    std::unique_ptr<DatabasePool> m_pool;
};

} // namespace tarnolix::test
