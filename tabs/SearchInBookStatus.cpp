#include "tabs/SearchInBookStatus.h"

#include "core/Exception.h"
#include "search/searchers/FTSearchThread.h"
#include "searchpages/SRHighlighting.h"
#include "tabs/FTSearchPageStatus.h"
#include "tabs/FindTextHelper.h"
#include "tabs/OpenBookStatus.h"
#include "tabs/PageSearchData.h"
#include "tabs/SearchDataStorage.h"
#include "tabs/TabServices.h"
#include "tabs/TabStatus.h"

#include <QCoreApplication>
#include <QVariantMap>

#include <algorithm>
#include <exception>

using C = TarnolixConstants;

namespace {

// A step this long after the previous one starts again from where the
// reader is, unless the hit cursor is still near the view.
constexpr qint64 kStepRestartMs = 1000;
// The current section may lie this many loaded sections before or after
// the cursor's section and still count as near it.
constexpr qint64 kNearBefore = 3;
constexpr qint64 kNearAfter = 2;

QString exceptionText(const std::exception& e)
{
    if (const auto* ex = dynamic_cast<const Exception*>(&e))
        return ex->message();
    return QString::fromUtf8(e.what());
}

} // namespace

SearchInBookStatus::SearchInBookStatus(QObject* parent)
    : QObject(parent)
    , m_searchData(new FTSearchData(this))
{
}

SearchInBookStatus::~SearchInBookStatus()
{
    cancelRequest();
    releaseSearchThread();
}

void SearchInBookStatus::setOpenBookStatus(OpenBookStatus* status)
{
    if (status == m_openBookStatus)
        return;
    m_openBookStatus = status;
    emit openBookStatusChanged();
}

tarnolix::FTSearchThread* SearchInBookStatus::searchThread() const
{
    return m_searchThread;
}

QString SearchInBookStatus::query() const
{
    return m_settings ? m_settings->query() : QString();
}

// ---- requests -------------------------------------------------------------

void SearchInBookStatus::startSearchInBook(const QString& query)
{
    try {
        if (!m_searchThread) {
            tarnolix::FTSearchThreadManager* manager = FTSearchPageStatus::threadManager();
            if (!manager)
                throw Exception("No search thread manager");
            m_searchThread = manager->acquireThread(nullptr);
        } else if (m_status == C::Searching || m_searchThread->status() == C::Searching) {
            // Also while the thread has not yet reported the request it
            // was given: a second one would queue behind it.
            throw Exception("Searching in process...");
        }
        const TabStatus* tab = m_openBookStatus ? m_openBookStatus->tabStatus() : nullptr;
        if (!tab)
            throw Exception("SearchInBookStatus: no tab");

        auto settings = std::make_shared<tarnolix::FTSearchSettings>(tab->pageLanguage());
        settings->setFieldName(tarnolix::FTFieldName(false, false, false));
        settings->setSearchInBook(tab->bookId());
        settings->setQuery(query);

        dropFindTextHelper();
        m_highlightSettings.reset();
        attachRequest(settings);
        m_searchThread->search(settings);
        // Searching from the start, not from the thread's queued report: a
        // navigation still pending is cancelled before its answer comes.
        dropResults();
        setStatus(C::Searching);
    } catch (const std::exception& e) {
        const QString text = exceptionText(e);
        qWarning("startSearchInBook: %s", qUtf8Printable(text));
        PageStatus::showError(text);
    }
}

void SearchInBookStatus::cancelRequest()
{
    ++m_generation;
    QObject::disconnect(m_statusConnection);
    QObject::disconnect(m_errorConnection);
    m_settings.reset();
}

void SearchInBookStatus::attachRequest(std::shared_ptr<const tarnolix::FTSearchSettings> settings)
{
    cancelRequest();
    m_settings = std::move(settings);
    tarnolix::FTSearchThread* thread = m_searchThread;
    const quint32 generation = m_generation;
    m_statusConnection = connect(
        thread, &tarnolix::Searcher::statusChanged, this,
        [this, thread, generation](C::SearchStatus status) {
            if (isCurrentRequest(thread, generation))
                searchThreadStatusChanged(status);
        },
        Qt::QueuedConnection);
    m_errorConnection = connect(
        thread, &tarnolix::Searcher::error, this,
        [this, thread, generation](const QString& error) {
            if (isCurrentRequest(thread, generation))
                onSearchError(error);
        },
        Qt::QueuedConnection);
}

bool SearchInBookStatus::isCurrentRequest(const tarnolix::FTSearchThread* thread, quint32 generation) const
{
    const TabStatus* tab = m_openBookStatus ? m_openBookStatus->tabStatus() : nullptr;
    return thread && thread == m_searchThread && generation == m_generation && m_settings && tab
        && m_settings->searchInBook() == tab->bookId() && m_settings->language() == tab->pageLanguage()
        && m_searchThread->searchSettings() == std::static_pointer_cast<const SearchSettings>(m_settings);
}

void SearchInBookStatus::searchThreadStatusChanged(TarnolixConstants::SearchStatus status)
{
    try {
        switch (status) {
        case C::SearchFinished: {
            const SearchResultsPtr results = m_searchThread ? m_searchThread->searchResults() : nullptr;
            if (!results)
                throw Exception("searchResults=0");
            if (results->searchType() != C::FullText)
                throw Exception("Invalid search type");
            if (searchrecords::resultsSettings(*results) != std::static_pointer_cast<const SearchSettings>(m_settings))
                return;
            const TabStatus* tab = m_openBookStatus ? m_openBookStatus->tabStatus() : nullptr;
            m_highlightSettings = makeHTMLCreatorSRSettings(tab ? quint32(tab->id()) : 0, results);
            const auto& books = static_cast<const tarnolix::BooksSearchResults&>(*results);
            setNothingFound(books.books().empty());
            setResults(results);
            if (!m_searchResultsPointer) {
                m_searchResultsPointer = searchrecords::newSearchResultsPointer(this);
                emit searchResultsPointerChanged();
            }
            searchrecords::attachSearchResultsPointer(*m_searchResultsPointer, results,
                                                      searchrecords::newHiddenSearchResults());
            setStatus(C::SearchFinished);
            break;
        }
        case C::Searching:
            dropResults();
            setStatus(C::Searching);
            break;
        default:
            dropResults();
            setStatus(C::InvalidSearchStatus);
            break;
        }
    } catch (const std::exception& e) {
        const QString text = exceptionText(e);
        qCritical("SearchInBookStatus::searchThreadStatusChanged: %s", qUtf8Printable(text));
        PageStatus::showError(text);
        dropResults();
        setStatus(C::InvalidSearchStatus);
    }
}

void SearchInBookStatus::onSearchError(const QString& error)
{
    TabServices::showErrorOrLog(QCoreApplication::translate("SearchInBookStatus", "Ошибка при поиске"), error);
}

// ---- ending ---------------------------------------------------------------

void SearchInBookStatus::endSearchInBook()
{
    if (m_status != C::SearchFinished) {
        qWarning("SearchInBookStatus::endSearchInBook: Invalid status");
        return;
    }
    reset(false);
}

void SearchInBookStatus::reset(bool releaseThread)
{
    cancelRequest();
    dropFindTextHelper();
    dropResults();
    setNothingFound(false);
    setStatus(C::InvalidSearchStatus);
    if (releaseThread)
        releaseSearchThread();
}

void SearchInBookStatus::releaseSearchThread()
{
    if (!m_searchThread)
        return;
    tarnolix::FTSearchThread* thread = m_searchThread;
    m_searchThread = nullptr;
    if (tarnolix::FTSearchThreadManager* manager = FTSearchPageStatus::threadManager())
        manager->releaseThread(thread);
    else
        thread->deleteLater();
}

// ---- state ----------------------------------------------------------------

void SearchInBookStatus::setStatus(TarnolixConstants::SearchStatus status)
{
    if (status == m_status)
        return;
    m_status = status;
    emit statusChanged();
}

void SearchInBookStatus::setNothingFound(bool nothingFound)
{
    if (nothingFound == m_nothingFound)
        return;
    m_nothingFound = nothingFound;
    emit nothingFoundChanged();
}

void SearchInBookStatus::setResults(const SearchResultsPtr& results)
{
    if (results == m_results)
        return;
    m_results = results;
    m_searchData->setSearchResults(results);
    emit searchResultsChanged();
}

void SearchInBookStatus::dropResults()
{
    m_highlightSettings.reset();
    setResults(nullptr);
    if (m_searchResultsPointer) {
        m_searchResultsPointer->deleteLater();
        m_searchResultsPointer = nullptr;
        emit searchResultsPointerChanged();
    }
}

void SearchInBookStatus::dropFindTextHelper()
{
    if (m_openBookStatus)
        m_openBookStatus->dropFindTextHelper();
}

bool SearchInBookStatus::canLeaveHighlightText() const
{
    const TabStatus* tab = m_openBookStatus ? m_openBookStatus->tabStatus() : nullptr;
    if (!tab || !m_results || !m_settings)
        return false;
    const SearchDataStorage* storage = tab->searchDataStorage();
    const PageSearchData* stored = storage->searchData();
    if (!storage->hasSearchResults() || !stored || stored->searchType() != C::FullText)
        return false;
    const auto settings =
        std::dynamic_pointer_cast<const tarnolix::FTSearchSettings>(searchrecords::resultsSettings(*stored->searchResults()));
    return settings && settings->query() == m_settings->query();
}

// ---- stepping through the matches -----------------------------------------

QVariant SearchInBookStatus::getNextMatchInBook()
{
    return stepMatch(true);
}

QVariant SearchInBookStatus::getPreviousMatchInBook()
{
    return stepMatch(false);
}

QVariant SearchInBookStatus::stepMatch(bool forward)
{
    OpenBookStatus* page = m_openBookStatus;
    const TabStatus* tab = page ? page->tabStatus() : nullptr;
    if (!page || !tab)
        return {};
    std::shared_ptr<FindTextHelper> helper;
    try {
        helper = page->getFindTextHelper(quint32(tab->bookId()));
    } catch (const std::exception& e) {
        qWarning("matchBookFindFirstIsNeed: Init error: %s", qUtf8Printable(exceptionText(e)));
        return {};
    }
    const auto report = [&helper]() -> QVariant {
        return QVariantMap{{QStringLiteral("sectionCode"), helper->cursorSection()->code()},
                           {QStringLiteral("matchIndex"), helper->cursorMark() == FindTextSection::kLastMark
                                                              ? -1
                                                              : qint64(helper->cursorMark())}};
    };

    const QString current = tab->sectionCode();
    if (!helper->cursorSection()) {
        m_stepTimer.start();
        return helper->seekFrom(current) ? report() : QVariant();
    }
    const bool late = !m_stepTimer.isValid() || m_stepTimer.elapsed() > kStepRestartMs;
    m_stepTimer.start();
    if (late && helper->cursorSection()->code() != current) {
        if (!page->isBookOpen()) {
            qCritical("Book not open!");
            return {};
        }
        const BookMngr& book = page->bookMngr();
        const qint64 first = qint64(book.firstShownIndex());
        const qint64 last = qint64(book.lastShownIndex());
        const qint64 cursor = book.sectionIndexOf(helper->cursorSection()->code());
        const qint64 reading = book.sectionIndexOf(current);
        const bool loaded = cursor >= first && cursor <= last && last >= first;
        const bool near = loaded && reading >= std::max(first, cursor - kNearBefore)
            && reading <= std::min(last, cursor + kNearAfter);
        if (!near)
            return helper->seekFrom(current) ? report() : QVariant();
    }
    if (!(forward ? helper->next() : helper->previous()))
        return {};
    return report();
}

// Compiled here, where OpenBookStatus is complete (the property's type).
#include "moc_SearchInBookStatus.cpp"
