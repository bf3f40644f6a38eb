#include "app/AppModelServices.h"

#include "app/SecondThread.h"
#include "app/Tarnolix.h"
#include "core/Exception.h"
#include "favorites/FavoriteHelper.h"
#include "tabs/SearchPageStatus.h"

#include <QThread>

AppModelServices::AppModelServices(Tarnolix& app)
    : m_app(app)
{
}

// A worker moved onto a thread that does not run (no account runtime yet, or
// closed) would never see its queued calls, and a blocking call into it would
// hang the caller: until the thread runs there is no second thread.
QThread* AppModelServices::secondThread()
{
    SecondThread* second = m_app.secondThread();
    QThread* thread = second ? second->workerThread() : nullptr;
    return thread && thread->isRunning() ? thread : nullptr;
}

std::shared_ptr<TarnolixDB> AppModelServices::secondThreadDatabase()
{
    SecondThread* second = m_app.secondThread();
    return second ? second->database() : nullptr;
}

FavoritesFilter* AppModelServices::favoritesFilter()
{
    return m_app.favoriteHelperService() ? &m_filter : nullptr;
}

void AppModelServices::HelperFilter::search(const QString& text)
{
    FavoriteHelper* helper = m_app.favoriteHelperService();
    if (!helper)
        throw Exception("The favorites service is closed");
    helper->search(text);
}

void AppModelServices::HelperFilter::resetSearch()
{
    if (FavoriteHelper* helper = m_app.favoriteHelperService())
        helper->resetSearch();
}

void AppModelServices::postShowError(const QString& message)
{
    m_app.postShowError(message);
}

void AppModelServices::postShowError(const QString& title, const QString& message)
{
    m_app.postShowErrorWithTitle(title, message);
}

namespace {

class PageStatusAccess final : public SearchPageAccess
{
public:
    explicit PageStatusAccess(SearchPageStatus& page)
        : m_page(page)
    {
    }
    std::shared_ptr<tarnolix::SearchResults2> searchResults() override { return m_page.searchResults(); }
    bool hasHiddenSet() override { return bool(m_page.hiddenSearchResults()); }
    bool noneHidden() override
    {
        const HiddenSearchResultsPtr hidden = m_page.hiddenSearchResults();
        return !hidden || hidden->bitMaskIsEmpty();
    }
    bool isHidden(quint32 hitNumber) override
    {
        const HiddenSearchResultsPtr hidden = m_page.hiddenSearchResults();
        return hidden && hidden->bitMaskTest(static_cast<int32_t>(hitNumber));
    }

private:
    SearchPageStatus& m_page;
};

} // namespace

std::unique_ptr<SearchPageAccess> searchPageStatusAccess(QObject* object)
{
    auto* page = qobject_cast<SearchPageStatus*>(object);
    if (!page)
        return nullptr;
    return std::make_unique<PageStatusAccess>(*page);
}
