#include "tabs/SearchDataStorage.h"

#include "pages/UrlCreatorImpl.h"
#include "tabs/SearchPageStatus.h"
#include "tabs/TabStatus.h"
#include "tabs/TabStatusMngr.h"

#include <QtGlobal>

#include <exception>

SearchDataStorage::SearchDataStorage(TabStatus* tab, QObject* parent)
    : QObject(parent)
    , m_tab(tab)
{
}

void SearchDataStorage::setSearchData(PageSearchData* searchData)
{
    if (searchData == m_searchData)
        return;
    if (m_searchData) {
        disconnect(m_searchData, &PageSearchData::searchResultsChanged, this,
                   &SearchDataStorage::onSearchResultsChanged);
        disconnect(m_searchData, &QObject::destroyed, this, &SearchDataStorage::searchDataDestroyed);
    }
    m_searchData = searchData;
    if (m_searchData) {
        connect(m_searchData, &PageSearchData::searchResultsChanged, this, &SearchDataStorage::onSearchResultsChanged);
        connect(m_searchData, &QObject::destroyed, this, &SearchDataStorage::searchDataDestroyed);
    }
    emit searchDataChanged();
    emit hasSearchResultsChanged();
}

bool SearchDataStorage::hasSearchResults() const
{
    return m_searchData && m_searchData->hasSearchResults();
}

QString SearchDataStorage::getSearchUrl()
{
    if (!m_searchData || !m_searchData->searchResults())
        return QString();
    try {
        const SearchSettingsConstPtr settings = searchrecords::resultsSettings(*m_searchData->searchResults());
        UrlCreatorImpl url;
        url.setTabId(m_tab->id());
        url.setSearchSettings(settings ? settings->clone() : nullptr);
        return url.toString();
    } catch (const std::exception& e) {
        qWarning("getSearchUrl: %s", e.what());
        PageStatus::showError(QString::fromUtf8(e.what()));
        return QString();
    }
}

void SearchDataStorage::onSearchResultsChanged()
{
    emit hasSearchResultsChanged();
}

void SearchDataStorage::searchDataDestroyed()
{
    if (sender() != static_cast<QObject*>(m_searchData))
        return;
    m_searchData = nullptr;
    emit searchDataChanged();
    // The results went with the data: bindings on hasSearchResults follow.
    emit hasSearchResultsChanged();
}

void SearchDataStorage::seekTabResultItem(PageSearchData& data) const
{
    if (m_tab->srItemId() < 0)
        return;
    auto* books = qobject_cast<PageBooksSearchData*>(&data);
    if (books && books->searchResultsPointer())
        searchrecords::seekSearchResultsPointer(*books->searchResultsPointer(), m_tab->srItemId());
}

void SearchDataStorage::tryRestoreSearchResults(const UrlCreatorImpl& url)
{
    if (url.queryType() == UrlCreator::InvalidQuery || url.language() == TarnolixConstants::InvalidLanguage
        || url.tabId() == 0) {
        setSearchData(nullptr);
        return;
    }

    // Made in this tab: a hit opened from the results shown here.
    if (url.tabId() == m_tab->id()) {
        if (m_searchData && m_searchData->hasSearchResults())
            seekTabResultItem(*m_searchData);
        else
            setSearchData(nullptr);
        return;
    }

    // Made in another tab: a hit of its finished search opened in this one.
    TabStatus* other = m_tab->tabStatusMngr() ? m_tab->tabStatusMngr()->getTab(url.tabId()) : nullptr;
    auto* otherPage = other && other->pageStatusIsSearch() ? qobject_cast<SearchPageStatus*>(other->pageStatus())
                                                           : nullptr;
    if (!otherPage || otherPage->status() != TarnolixConstants::SearchFinished) {
        qWarning("tryRestoreSearchResults: page status not found!");
        setSearchData(nullptr);
        return;
    }
    PageSearchData* otherData = other->searchDataStorage()->searchData();
    if (!otherData || !otherData->hasSearchResults()) {
        qWarning("tryRestoreSearchResults: otherSearchData is null");
        setSearchData(nullptr);
        return;
    }
    PageSearchData* copy = otherData->clone(m_tab, nullptr);
    setSearchData(copy);
    seekTabResultItem(*copy);
}
