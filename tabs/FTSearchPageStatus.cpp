#include "tabs/FTSearchPageStatus.h"

#include "core/Exception.h"
#include "pages/UrlCreatorImpl.h"
#include "search/searchers/FTSearchThread.h"
#include "searchpages/SRPage.h"
#include "tabs/PageSearchData.h"
#include "tabs/TabServices.h"
#include "tabs/TabStatus.h"

#include <QVariantMap>
#include <QtGlobal>

#include <exception>

using C = TarnolixConstants;

namespace {

QPointer<tarnolix::FTSearchThreadManager>& managerSlot()
{
    static QPointer<tarnolix::FTSearchThreadManager> manager;
    return manager;
}

bool sameSettings(const SearchSettingsConstPtr& a, const SearchSettingsConstPtr& b)
{
    return a && b && a->compare(b) == 0;
}

// The page a state shows now, else the one kept; null with neither.
SRPage* shownPage(const SRPageState& state)
{
    return state.page ? state.page.get() : state.savedPage.get();
}

template <class Element>
QString elementScript(std::vector<RenderedElement<Element>>& list, int i, const char* what)
{
    if (i < 0 || std::size_t(i) >= list.size()) {
        qWarning("%s: index %d out of range", what, i);
        return QString();
    }
    RenderedElement<Element>& element = list[std::size_t(i)];
    return PageStatus::escapeJS(element.html.isEmpty() ? QString::fromUtf8(element.utf8) : element.html);
}

} // namespace

FTSearchPageStatus::FTSearchPageStatus(QObject* parent)
    : SearchPageStatus(parent)
{
}

FTSearchPageStatus::~FTSearchPageStatus()
{
    detachSearchThread();
}

void FTSearchPageStatus::setThreadManager(tarnolix::FTSearchThreadManager* manager)
{
    managerSlot() = manager;
}

tarnolix::FTSearchThreadManager* FTSearchPageStatus::threadManager()
{
    return managerSlot();
}

quint32 FTSearchPageStatus::tabId() const
{
    return tabStatus() ? quint32(tabStatus()->id()) : 0;
}

SearchResultsPtr FTSearchPageStatus::searchResults()
{
    return m_searchData ? m_searchData->searchResults() : nullptr;
}

HiddenSearchResultsPtr FTSearchPageStatus::hiddenSearchResults()
{
    return m_searchData ? m_searchData->hiddenSearchResults() : nullptr;
}

tarnolix::FTSearchThread* FTSearchPageStatus::searchThread() const
{
    return m_searchThread;
}

tarnolix::SearchResultsPointer* FTSearchPageStatus::searchResultsPointer() const
{
    return m_searchData ? m_searchData->searchResultsPointer() : nullptr;
}

QVariantList FTSearchPageStatus::visibleSearchResults()
{
    QVariantList list;
    const SearchResultsPtr results = searchResults();
    if (!results || results->searchType() != C::FullText || !m_searchData->searchPageState())
        return list;
    const SRPagePtr& page = m_searchData->searchPageState()->page;
    if (!page)
        return list;
    list.reserve(int(page->items().size()));
    for (const auto& element : page->items()) {
        if (const auto item = element.element->item.lock())
            list.append(item->id());
    }
    return list;
}

void FTSearchPageStatus::hiddenSearchResultsChanged()
{
    if (tarnolix::SearchResultsPointer* pointer = searchResultsPointer())
        pointer->hiddenChanged();
}

// --- search data ---

void FTSearchPageStatus::adoptSearchData(FTSearchData* data)
{
    if (data == m_searchData)
        return;
    if (m_searchData)
        disconnect(m_searchData, &QObject::destroyed, this, &FTSearchPageStatus::searchDataDestroyed);
    m_searchData = data;
    if (m_searchData)
        connect(m_searchData, &QObject::destroyed, this, &FTSearchPageStatus::searchDataDestroyed);
    emit searchDataChanged();
}

void FTSearchPageStatus::searchDataDestroyed()
{
    // The QPointer is already null; QML bindings on the pointer follow.
    emit searchDataChanged();
}

void FTSearchPageStatus::adoptOrCreateSearchData()
{
    TabStatus* tab = tabStatus();
    if (!tab)
        throw Exception("tabStatus=0");
    if (auto* stored = qobject_cast<FTSearchData*>(tab->searchDataStorage()->searchData()))
        adoptSearchData(stored);
    if (!m_searchData) {
        auto* data = new FTSearchData(tab);
        adoptSearchData(data);
        tab->searchDataStorage()->setSearchData(data);
    }
}

// --- start or restore ---

void FTSearchPageStatus::initializePage()
{
    try {
        adoptOrCreateSearchData();
        startOrRestoreSearch();
    } catch (const std::exception& e) {
        qWarning("Start search error: %s", e.what());
        showError(QString::fromUtf8(e.what()));
    }
    setTitle();
}

void FTSearchPageStatus::startOrRestoreSearch()
{
    TabStatus* tab = tabStatus();
    const SearchSettingsConstPtr settings = tab->urlCreator().searchSettings();
    if (!settings)
        throw Exception("searchSettings=0(0x12759332)");

    const SRPageStatePtr& state = m_searchData->searchPageState();
    if (m_resultsPageRestored && tab->url() == m_restoreUrl && sameSettings(m_restoreSettings, settings)
        && canServeRestore(m_searchData) && state->page && state->page->tabId() == tabId()) {
        const SearchResultsPtr results = m_searchData->searchResults();
        tarnolix::SearchResultsPointer* pointer = m_searchData->searchResultsPointer();
        // The walk goes on after the last hit already on the page; the hits
        // it stepped over stay queued.
        const auto last = state->page->items().empty() ? nullptr : state->page->items().back().element->item.lock();
        if (!last || !pointer->seek(last->id())) {
            searchrecords::attachSearchResultsPointer(*pointer, results, m_searchData->hiddenSearchResults());
            if (last)
                pointer->seek(last->id());
        }
        qInfo("Results page restored");
        m_restoreUrl.clear();
        m_restoreSettings.reset();
        const auto* books = dynamic_cast<const tarnolix::BooksSearchResults*>(results.get());
        setNumberBooksFound(books ? int(books->books().size()) : 0);
        setTotalFreq(results->totalFreq());
        setStatus(C::SearchFinished);
        return;
    }
    setResultsPageRestored(false);

    if (m_searchData->hasSearchResults()
        && sameSettings(searchrecords::resultsSettings(*m_searchData->searchResults()), settings)) {
        setSearchResults(m_searchData->searchResults(), C::SearchFinished, true);
        return;
    }

    if (m_searchThread && m_searchThread->status() != C::Searching) {
        m_searchThread->search(settings);
        return;
    }
    detachSearchThread();
    attachSearchThread();
    m_searchThread->search(settings);
}

void FTSearchPageStatus::attachSearchThread()
{
    tarnolix::FTSearchThreadManager* manager = threadManager();
    if (!manager)
        throw Exception("No search thread manager");
    m_searchThread = manager->acquireThread(nullptr);
    connect(m_searchThread, &tarnolix::Searcher::statusChanged, this, &FTSearchPageStatus::searchThreadStatusChanged,
            Qt::QueuedConnection);
    connect(m_searchThread, &tarnolix::Searcher::numberBooksFoundChanged, this,
            &FTSearchPageStatus::setNumberBooksFound, Qt::QueuedConnection);
    connect(m_searchThread, &tarnolix::Searcher::totalFreqChanged, this, &FTSearchPageStatus::setTotalFreq,
            Qt::QueuedConnection);
    connect(m_searchThread, &tarnolix::Searcher::error, this, &FTSearchPageStatus::onSearchError,
            Qt::QueuedConnection);
}

void FTSearchPageStatus::detachSearchThread()
{
    if (!m_searchThread)
        return;
    tarnolix::FTSearchThread* thread = m_searchThread;
    m_searchThread = nullptr;
    disconnect(thread, nullptr, this, nullptr);
    thread->setParent(nullptr);
    if (tarnolix::FTSearchThreadManager* manager = threadManager())
        manager->releaseThread(thread);
    else
        thread->deleteLater();
}

void FTSearchPageStatus::setTitle()
{
    const TabStatus* tab = tabStatus();
    const auto settings = tab ? std::dynamic_pointer_cast<const tarnolix::FTSearchSettings>(
                                    tab->urlCreator().searchSettings())
                              : nullptr;
    if (settings && !settings->query().isEmpty())
        setTabTitle(settings->query() + tr(" - Поиск"));
    else
        setTabTitle(tr("Поиск"));
}

void FTSearchPageStatus::setResultsPageRestored(bool restored)
{
    if (restored == m_resultsPageRestored)
        return;
    m_resultsPageRestored = restored;
    emit resultsPageRestoredChanged();
}

bool FTSearchPageStatus::canServeRestore(const FTSearchData* data)
{
    if (!data || !data->hasSearchResults() || !data->searchPageState()
        || searchPageStateIsEmpty(*data->searchPageState()))
        return false;
    const auto results = std::dynamic_pointer_cast<tarnolix::FTSearchResults>(data->searchResults());
    SRPage* page = shownPage(*data->searchPageState());
    if (!results || !page || page->authorMatches().size() != results->authorMatches().size()
        || page->bookNameMatches().size() != results->bookNameMatches().size()
        || page->shortNameMatches().size() != results->shortNameMatches().size())
        return false;
    // A hit the page stepped over while it was hidden and that is shown
    // now would be missing from the stored page.
    const HiddenSearchResultsPtr& mask = data->hiddenSearchResults();
    for (const uint32_t id : data->searchResultsPointer()->queuedIds()) {
        if (!mask->bitMaskTest(id > uint32_t(INT32_MAX) ? -1 : int32_t(id)))
            return false;
    }
    return true;
}

bool FTSearchPageStatus::tryRestoreSearchResultsPage(const QUrl& url, const UrlCreatorImpl& request)
{
    TabStatus* tab = tabStatus();
    auto* data = tab ? qobject_cast<FTSearchData*>(tab->searchDataStorage()->searchData()) : nullptr;
    const bool allowed = tab && tab->pageLoading() && tab->url() == url && canServeRestore(data)
        && sameSettings(searchrecords::resultsSettings(*data->searchResults()), request.searchSettings())
        && ((data->searchPageState()->page && data->searchPageState()->page->tabId() == tabId())
            || hasSavedPage(*data->searchPageState()));
    if (!allowed) {
        m_restoreUrl.clear();
        m_restoreSettings.reset();
        setResultsPageRestored(false);
        return false;
    }
    adoptSearchData(data);
    SRPageState& state = *data->searchPageState();
    if (hasSavedPage(state))
        searchPageStateNewPage(state, tabId(), data->hiddenSearchResults());
    else
        searchPageStateRenderAgain(state, data->hiddenSearchResults());
    m_restoreUrl = url;
    m_restoreSettings = request.searchSettings();
    qInfo("tryRestoreSearchResultsPage: Allow");
    setResultsPageRestored(true);
    return true;
}

// --- results from the search thread ---

void FTSearchPageStatus::searchThreadStatusChanged(TarnolixConstants::SearchStatus status)
{
    try {
        switch (status) {
        case C::InvalidSearchStatus:
            setSearchResults(nullptr, C::InvalidSearchStatus, false);
            break;
        case C::Searching:
            setSearchResults(nullptr, C::Searching, false);
            break;
        case C::SearchFinished: {
            const SearchResultsPtr results = m_searchThread ? m_searchThread->searchResults() : nullptr;
            if (!results)
                throw Exception("searchResults=0");
            if (results->searchType() != C::FullText)
                throw Exception("Invalid search type");
            if (m_searchData)
                m_searchData->hiddenSearchResults()->bitMaskClear();
            setSearchResults(results, C::SearchFinished, true);
            break;
        }
        }
    } catch (const std::exception& e) {
        qCritical("FTSearchPageStatus::searchThreadStatusChanged: %s", e.what());
        showError(QString::fromUtf8(e.what()));
        try {
            setSearchResults(nullptr, C::InvalidSearchStatus, false);
        } catch (const std::exception& again) {
            qCritical("FTSearchPageStatus::searchThreadStatusChanged: %s", again.what());
        }
    }
}

void FTSearchPageStatus::onSearchError(const QString& error)
{
    TabServices::showErrorOrLog(tr("Ошибка при поиске"), error);
}

void FTSearchPageStatus::setSearchResults(const SearchResultsPtr& results, TarnolixConstants::SearchStatus status,
                                          bool attachPointer)
{
    if (!m_searchData)
        throw Exception("searchData=0");
    if (results && !searchrecords::resultsStillValid(*results)) {
        setSearchResults(nullptr, C::InvalidSearchStatus, false);
        showError(tr("Библиотека изменилась или недоступна. Повторите поиск после обновления."));
        return;
    }

    tarnolix::SearchResultsPointer* pointer = m_searchData->searchResultsPointer();
    if (results) {
        if (m_searchThread && m_searchThread->status() != C::SearchFinished) {
            qWarning("FTSearchPageStatus::setSearchResults: Invalid search thread status");
            detachSearchThread();
        }
        m_searchData->setSearchResults(results);
        if (attachPointer)
            searchrecords::attachSearchResultsPointer(*pointer, results, m_searchData->hiddenSearchResults());
        const auto* books = dynamic_cast<const tarnolix::BooksSearchResults*>(results.get());
        setNumberBooksFound(books ? int(books->books().size()) : 0);
        setTotalFreq(results->totalFreq());
    } else {
        m_searchData->setSearchResults(nullptr);
        pointer->clear();
        setNumberBooksFound(0);
        setTotalFreq(0);
    }

    SRPageState& state = *m_searchData->searchPageState();
    searchPageStateClear(state);
    if (results) {
        std::shared_ptr<const HTMLCreator> creator = htmlCreator();
        if (!creator)
            throw Exception("No page generator");
        state.page = SRPage::create(std::move(creator), tabId(), results);
    }

    const bool changed = status != this->status();
    setStatus(status);
    // The page logic rebuilds the page on every result set, also the same
    // status again.
    if (!changed)
        emit statusChanged();
}

// --- the page's entries ---

namespace {

SRPage* currentPage(FTSearchData* data)
{
    return data && data->searchPageState() ? data->searchPageState()->page.get() : nullptr;
}

} // namespace

int FTSearchPageStatus::getAuthorMatchCount()
{
    SRPage* page = currentPage(m_searchData);
    return page ? int(page->authorMatches().size()) : 0;
}

int FTSearchPageStatus::getBookNameMatchCount()
{
    SRPage* page = currentPage(m_searchData);
    return page ? int(page->bookNameMatches().size()) : 0;
}

int FTSearchPageStatus::getShortNameMatchCount()
{
    SRPage* page = currentPage(m_searchData);
    return page ? int(page->shortNameMatches().size()) : 0;
}

QString FTSearchPageStatus::getAuthorMatch(int i)
{
    SRPage* page = currentPage(m_searchData);
    return page ? elementScript(page->authorMatches(), i, "getAuthorMatch") : QString();
}

QString FTSearchPageStatus::getBookNameMatch(int i)
{
    SRPage* page = currentPage(m_searchData);
    return page ? elementScript(page->bookNameMatches(), i, "getBookNameMatch") : QString();
}

QString FTSearchPageStatus::getShortNameMatch(int i)
{
    SRPage* page = currentPage(m_searchData);
    return page ? elementScript(page->shortNameMatches(), i, "getShortNameMatch") : QString();
}

QVariant FTSearchPageStatus::getNextSearchResult()
{
    tarnolix::SearchResultsPointer* pointer = searchResultsPointer();
    if (!pointer)
        return QVariant();
    try {
        const std::shared_ptr<tarnolix::SRItem> item = pointer->next();
        if (!item)
            return QVariant();
        SRPage* page = currentPage(m_searchData);
        if (!page)
            throw Exception("page=0");
        const HiddenSearchResultsPtr& mask = m_searchData->hiddenSearchResults();
        const bool hidden = mask->bitMaskTest(item->id() > uint32_t(INT32_MAX) ? -1 : int32_t(item->id()));
        const RenderedElement<SRElement>& element = page->appendItem(item, hidden);
        QVariantMap map;
        map.insert(QStringLiteral("html"), escapeJS(element.html));
        map.insert(QStringLiteral("hidden"), hidden);
        return map;
    } catch (const std::exception& e) {
        qWarning("getNextSearchResult: %s", e.what());
        return QVariant();
    }
}

bool FTSearchPageStatus::isHiddenResultsBecameVisible()
{
    tarnolix::SearchResultsPointer* pointer = searchResultsPointer();
    return pointer && pointer->hasNext();
}

void FTSearchPageStatus::setSearchResultFocusElement(const QString& elementId, int yOffset)
{
    if (!m_searchData)
        return;
    SRPageState& state = *m_searchData->searchPageState();
    state.focusElementId = elementId;
    state.focusOffset = yOffset;
}

QVariant FTSearchPageStatus::getSavedElemendScrollPositon()
{
    if (!m_searchData || m_searchData->searchPageState()->focusElementId.isEmpty())
        return QVariant();
    const SRPageState& state = *m_searchData->searchPageState();
    QVariantMap map;
    map.insert(QStringLiteral("id"), state.focusElementId);
    map.insert(QStringLiteral("yOffset"), state.focusOffset);
    return map;
}
