#include "tabs/OpenBookStatus.h"

#include "core/Exception.h"
#include "core/TarnolixEvents.h"
#include "database/DatabasePool.h"
#include "pages/HTMLCreator.h"
#include "pages/UrlCreatorImpl.h"
#include "search/searchers/FTSearchRecords.h"
#include "tabs/FindTextHelper.h"
#include "tabs/PageSearchData.h"
#include "tabs/SearchInBookStatus.h"
#include "tabs/TabStatus.h"

#include <QCoreApplication>
#include <QTimerEvent>
#include <QVariantList>
#include <QVariantMap>

#include <exception>

namespace {

using C = TarnolixConstants;

constexpr int kTitleTimerMs = 100;

QString exceptionText(const std::exception& e)
{
    if (const auto* ex = dynamic_cast<const Exception*>(&e))
        return ex->message();
    return QString::fromUtf8(e.what());
}

// The GUI thread's connection, or none while no library is open: the page
// then fails each operation with the book not being open.
std::shared_ptr<TarnolixDB> guiConnection()
{
    try {
        return currentDatabase();
    } catch (const std::exception& e) {
        qWarning("OpenBookStatus: no library connection: %s", e.what());
        return nullptr;
    }
}

} // namespace

OpenBookStatus::OpenBookStatus(QObject* parent)
    : PageStatus(parent)
    , m_book(std::make_unique<BookMngr>(guiConnection()))
{
    connect(this, &OpenBookStatus::currentSectionChanged, this, &OpenBookStatus::anotherBookLanguageChanged);
    connect(this, &OpenBookStatus::isBookOpenChanged, this, &OpenBookStatus::anotherBookLanguageChanged);
}

OpenBookStatus::~OpenBookStatus()
{
    // The favorites may hold a pointer to this page: they go first.
    m_favorites.reset();
}

void OpenBookStatus::initialize()
{
    m_favorites = OpenBookFavorites::create(tabStatus(), this);
    if (TabStatus* tab = tabStatus())
        connect(tab, &TabStatus::urlChanged, this, &OpenBookStatus::processCurrentUrl);
    if (TarnolixEvents* events = TarnolixEvents::current()) {
        connect(events, &TarnolixEvents::booksForIndexingChanged, this, &OpenBookStatus::revalidateBookAccess);
        connect(events, &TarnolixEvents::bookContentChanged, this, &OpenBookStatus::invalidateBookContent);
        connect(events, &TarnolixEvents::databaseUpdaterActiveChanged, this,
                &OpenBookStatus::requestBookContentReload);
    }
}

void OpenBookStatus::initializePage()
{
    processCurrentUrl();
}

void OpenBookStatus::setSearchInBookStatus(QObject* status)
{
    if (status == m_searchInBookStatus)
        return;
    m_searchInBookStatus = status;
    emit searchInBookStatusChanged();
}

QObject* OpenBookStatus::favoriteLogic() const
{
    return dynamic_cast<QObject*>(m_favorites.get());
}

bool OpenBookStatus::isBookOpen() const
{
    return m_book->bookBase() && m_book->bookInfo();
}

bool OpenBookStatus::tabShowsOpenBook() const
{
    const TabStatus* tab = tabStatus();
    return tab && isBookOpen() && tab->pageType() == UrlCreator::OpenBook && tab->bookId() == m_book->bookId() &&
           tab->pageLanguage() == m_book->language();
}

bool OpenBookStatus::canSeekSection(UrlCreator* urlCreator) const
{
    const TabStatus* tab = tabStatus();
    if (!urlCreator || !tab)
        return false;
    return urlCreator->getBookId() == tab->bookId() && urlCreator->queryType() == type() &&
           urlCreator->language() == tab->pageLanguage() && urlCreator->catalogTab() == m_bookOfCatalog;
}

// ---- current section ------------------------------------------------------

void OpenBookStatus::updateCurrentSection(const QString& sectionCode, qint64 sectionIndex)
{
    const TabStatus* tab = tabStatus();
    if (!tab || (!sectionCode.isEmpty() && sectionCode == tab->sectionCode()) || tab->urlCreator().itemPathItems().empty())
        return;
    quint64 index = static_cast<quint64>(sectionIndex);
    if (sectionIndex == -1) {
        const qint64 found = m_book->sectionIndexOf(sectionCode);
        if (found < 0)
            return;
        index = static_cast<quint64>(found);
    }
    moveCurrentSection(index, false);
}

bool OpenBookStatus::commitVisibleSection(const QString& sectionCode, qint64 sectionIndex)
{
    const TabStatus* tab = tabStatus();
    if (!isBookOpen() || sectionCode.isEmpty() || !tab || tab->urlCreator().itemPathItems().empty())
        return false;
    const auto& sections = m_book->sections();
    quint64 index = static_cast<quint64>(sectionIndex);
    if (sectionIndex < 0 || index >= sections.size() || sections[index]->code != sectionCode) {
        const qint64 found = m_book->sectionIndexOf(sectionCode);
        if (found < 0)
            return false;
        index = static_cast<quint64>(found);
    }
    if (index == m_currentSectionIndex && m_currentSection == sections[index] && tab->sectionCode() == sectionCode)
        updateTabTitle();
    else
        moveCurrentSection(index, true);
    return true;
}

void OpenBookStatus::moveCurrentSection(quint64 index, bool commit)
{
    TabStatus* tab = tabStatus();
    const auto& sections = m_book->sections();
    if (!tab || index >= sections.size())
        return;
    HierarchyItems path = tab->urlCreator().itemPathItems();
    if (path.empty())
        return;

    // The trailing sections go; a hit or favorite at the end is kept to be
    // put back after the new sections.
    HierarchyItems setAside;
    while (!path.empty()) {
        const C::CatalogItemType t = path.back().first;
        if (t == C::Section) {
            path.pop_back();
        } else if (t == C::SRItemId || t == C::FavoriteItemId) {
            setAside.push_back(path.back());
            path.pop_back();
        } else {
            break;
        }
    }

    // The section and its ancestors, innermost first. Parents precede their
    // children in book order, so walking back reaches each ancestor; the
    // descendants of earlier siblings on the way are passed over.
    std::vector<std::shared_ptr<BookSection>> chain{sections[index]};
    for (quint64 j = index; j-- > 0;) {
        const auto& s = sections[j];
        const QString& parentCode = chain.back()->parentCode;
        if (parentCode.isEmpty())
            break;
        if (s->code == parentCode)
            chain.push_back(s);
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        path.emplace_back(C::Section, (*it)->code);
    path.insert(path.end(), setAside.begin(), setAside.end());

    const std::shared_ptr<BookSection>& section = sections[index];
    const bool changed = section != m_currentSection || index != m_currentSectionIndex;
    m_currentSection = section;
    m_currentSectionIndex = index;
    if (commit) {
        tab->setItemPath(path);
        updateTabTitle();
        if (changed)
            emit currentSectionChanged();
    } else {
        if (changed)
            emit currentSectionChanged();
        tab->setItemPath(path);
        scheduleTitleUpdate();
    }
}

void OpenBookStatus::clearCurrentSection()
{
    const bool had = m_currentSection || m_currentSectionIndex != quint64(-1);
    m_currentSection.reset();
    m_currentSectionIndex = quint64(-1);
    if (had)
        emit currentSectionChanged();
}

// ---- title ----------------------------------------------------------------

void OpenBookStatus::reloadTabTitle()
{
    scheduleTitleUpdate();
}

void OpenBookStatus::scheduleTitleUpdate()
{
    m_titleUpdatePending = true;
    if (m_titleTimerId == 0)
        m_titleTimerId = startTimer(kTitleTimerMs);
}

void OpenBookStatus::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_titleTimerId) {
        PageStatus::timerEvent(event);
        return;
    }
    if (m_titleUpdatePending)
        updateTabTitle();
    if (!m_titleUpdatePending) {
        killTimer(m_titleTimerId);
        m_titleTimerId = 0;
    }
}

void OpenBookStatus::updateTabTitle()
{
    m_titleUpdatePending = false;
    if (!isBookOpen())
        return;
    QString title = m_book->bookInfo()->shortName;
    const TabStatus* tab = tabStatus();
    if (tab && !tab->sectionCode().isEmpty()) {
        if (!m_currentSection) {
            const qint64 found = m_book->sectionIndexOf(tab->sectionCode());
            if (found >= 0) {
                m_currentSectionIndex = static_cast<quint64>(found);
                m_currentSection = m_book->sections()[m_currentSectionIndex];
                emit currentSectionChanged();
            }
        }
        if (m_currentSection)
            title += QLatin1String(" - ") + m_currentSection->name;
    }
    setTabTitle(title);
}

// ---- serving sections -----------------------------------------------------

QVariant OpenBookStatus::getNextSection()
{
    try {
        if (m_book->lastShownIndex() + 1 >= m_book->sections().size())
            return {};
        return sectionMap(*m_book->nextSection());
    } catch (const std::exception& e) {
        PageStatus::showError(exceptionText(e));
        return {};
    }
}

QVariant OpenBookStatus::getPreviousSection()
{
    try {
        if (m_book->firstShownIndex() - 1 >= m_book->sections().size())
            return {};
        return sectionMap(*m_book->previousSection());
    } catch (const std::exception& e) {
        PageStatus::showError(exceptionText(e));
        return {};
    }
}

QVariant OpenBookStatus::sectionMap(const BookMngr::Item& item)
{
    const SectionHtml built = buildSectionHtml(item);
    return QVariantMap{{QStringLiteral("html"), built.html},
                       {QStringLiteral("needUpdateFavoriteButtonsPosition"), built.favoritesRendered}};
}

OpenBookStatus::SectionHtml OpenBookStatus::buildSectionHtml(const BookMngr::Item& item)
{
    const std::shared_ptr<const HTMLCreator> creator = PageStatus::htmlCreator();
    if (!creator)
        throw Exception("The page generator is not ready");
    SectionFavorites* favorites = m_favorites.get();
    if (favorites)
        favorites->resetRenderedCount();
    const BookSectionItem sectionItem{item.section, item.part, item.index};

    QString html;
    bool built = false;
    if (const auto& highlight = openbookseams::highlightedSectionBuilder()) {
        PageSearchData* data = nullptr;
        std::shared_ptr<HTMLCreatorSRSettings> settings;
        if (inBookSearchFinished()) {
            data = inBookSearchData();
            settings = inBookSearch()->highlightSettings();
        } else if (TabStatus* tab = tabStatus()) {
            PageSearchData* stored = tab->searchDataStorage()->searchData();
            if (tab->searchDataStorage()->hasSearchResults() && stored && stored->searchType() == C::FullText)
                data = stored;
        }
        if (data && data->searchResults()) {
            HighlightedSectionRequest request;
            request.bookInfo = m_book->bookInfo();
            request.item = sectionItem;
            request.favorites = favorites;
            request.settings = searchrecords::resultsSettings(*data->searchResults());
            request.searchData = data;
            request.highlightSettings = settings;
            request.findTextHelper = getFindTextHelper(static_cast<quint32>(m_book->bookId()));
            html = highlight(request);
            built = true;
        }
    }
    if (!built)
        html = creator->getBookSections(m_book->bookInfo(), sectionItem, favorites);
    return {PageStatus::escapeJS(html), favorites && favorites->renderedCount() > 0};
}

void OpenBookStatus::setStartPartIndex(qint64 index)
{
    m_book->setFirstShownIndex(static_cast<quint64>(index));
}

void OpenBookStatus::setLastPartIndex(qint64 index)
{
    m_book->setLastShownIndex(static_cast<quint64>(index));
}

bool OpenBookStatus::seekSection(const QString& sectionCode)
{
    try {
        m_book->seek(sectionCode);
        return true;
    } catch (const std::exception& e) {
        PageStatus::showError(exceptionText(e));
        return false;
    }
}

void OpenBookStatus::requestSectionsReload(const SectionRanges& ranges)
{
    QVariantList sections;
    bool favoritesRendered = false;
    try {
        for (const auto& [first, last] : ranges) {
            for (quint64 i = first; i <= last && i < m_book->sections().size(); ++i) {
                const SectionHtml built = buildSectionHtml(*m_book->itemAt(i));
                favoritesRendered = favoritesRendered || built.favoritesRendered;
                sections.append(QVariantMap{{QStringLiteral("sectionCode"), m_book->sections()[i]->code},
                                            {QStringLiteral("html"), built.html}});
            }
        }
    } catch (const std::exception& e) {
        PageStatus::showError(exceptionText(e));
        return;
    }
    emit needReloadSections(QVariantMap{{QStringLiteral("sections"), sections},
                                        {QStringLiteral("needUpdateFavoriteButtonsPosition"), favoritesRendered}});
}

// ---- search hits ----------------------------------------------------------

SearchInBookStatus* OpenBookStatus::inBookSearch() const
{
    return qobject_cast<SearchInBookStatus*>(m_searchInBookStatus.data());
}

bool OpenBookStatus::inBookSearchFinished() const
{
    const SearchInBookStatus* search = inBookSearch();
    return search && search->status() == C::SearchFinished;
}

PageSearchData* OpenBookStatus::inBookSearchData() const
{
    const SearchInBookStatus* search = inBookSearch();
    return search ? search->searchData() : nullptr;
}

void OpenBookStatus::stopInBookSearch()
{
    if (SearchInBookStatus* search = inBookSearch())
        search->reset(false);
}

void OpenBookStatus::dropFindTextHelper()
{
    m_findTextHelper.reset();
}

PageSearchData* OpenBookStatus::shownSearchData() const
{
    if (inBookSearchFinished())
        return inBookSearchData();
    const TabStatus* tab = tabStatus();
    return tab ? tab->searchDataStorage()->searchData() : nullptr;
}

std::shared_ptr<FindTextHelper> OpenBookStatus::getFindTextHelper(quint32 bookId)
{
    if (m_findTextHelper && m_findTextHelper->bookId() == bookId && m_findTextHelper->isValid())
        return m_findTextHelper;
    PageSearchData* data = shownSearchData();
    if (!data)
        throw Exception("searchData is null");
    const SearchResultsPtr& results = data->searchResults();
    if (!results)
        throw Exception("searchResults is null");
    if (data->searchType() != C::FullText || results->searchType() != C::FullText)
        throw Exception("Invalid search type (0x36190612");
    const auto& books = static_cast<const tarnolix::BooksSearchResults&>(*results);
    const std::shared_ptr<tarnolix::SRBook> resultBook = books.findBook(bookId);
    if (!resultBook)
        throw Exception("Book not exists in search results");
    const SearchSettingsConstPtr settings = resultBook->status() ? resultBook->status()->settings() : nullptr;
    if (settings && settings->language() == m_book->language())
        m_findTextHelper = std::make_shared<FindTextHelper>(m_book.get(), resultBook);
    else
        m_findTextHelper = std::make_shared<FindTextHelper>(m_book.get(), bookId);
    return m_findTextHelper;
}

int OpenBookStatus::getMatchIndex(const QString& sectionCode, int srItemId)
{
    try {
        PageSearchData* data = shownSearchData();
        std::shared_ptr<FindTextHelper> helper;
        if (data) {
            try {
                helper = getFindTextHelper(static_cast<quint32>(m_book->bookId()));
            } catch (const Exception&) {
                // No hit index can be made from this search: reported below.
            }
        }
        if (!data || !helper)
            throw Exception("ERROR 0x54778974");
        const std::shared_ptr<FindTextSection> section = helper->getSection(sectionCode);
        if (!section)
            throw Exception("ERROR 0x54778975");
        if (data->searchType() != C::FullText)
            throw Exception("ERROR 0x54778977");
        const auto resultSection = std::dynamic_pointer_cast<tarnolix::FTSRSection>(section->resultSection());
        if (resultSection) {
            // The page counts marks over the whole section: the hit is placed
            // by its paragraph and text, not by its rank among the results.
            for (const auto& entity : resultSection->entities()) {
                for (const auto& hit : entity->items()) {
                    const auto* item = dynamic_cast<const tarnolix::FTSRItem*>(hit.get());
                    if (item && item->id() == static_cast<unsigned>(srItemId))
                        return static_cast<int>(
                            section->sectionMarkIndexOf(static_cast<quint32>(entity->entityIndex()),
                                                        static_cast<quint32>(item->positionIndex())));
                }
            }
        }
        throw Exception("ERROR 0x54778976");
    } catch (const std::exception& e) {
        const QString message = exceptionText(e);
        qWarning("getMatchNumber: %s", qUtf8Printable(message));
        PageStatus::showError(message);
        return -1;
    }
}

// ---- lifecycle ------------------------------------------------------------

void OpenBookStatus::processCurrentUrl()
{
    if (!tabShowsOpenBook()) {
        closeBook();
        clearCurrentSection();
    }
    scheduleTitleUpdate();
}

void OpenBookStatus::updateBookOfCatalog()
{
    const TabStatus* tab = tabStatus();
    if (!tab)
        return;
    const C::CatalogTab catalogTab = tab->bookOfCatalog();
    if (catalogTab == m_bookOfCatalog)
        return;
    switch (catalogTab) {
    case C::InvalidCatalogTab:
    case C::Categories:
    case C::Authors:
    case C::Names:
        m_bookOfCatalog = catalogTab;
        emit bookOfCatalogChanged();
        break;
    default:
        // A book opened from search results, glossaries or favorites keeps
        // the catalogue it was last opened from.
        break;
    }
}

bool OpenBookStatus::openBook()
{
    try {
        TabStatus* tab = tabStatus();
        if (!tab)
            throw Exception("OpenBookStatus: no tab");
        if (tabShowsOpenBook() && !m_contentInvalid) {
            m_book->resetPosition();
            if (m_favorites)
                m_favorites->loadFavorites(*m_book);
            updateBookOfCatalog();
            return true;
        }
        clearOtherLanguageCache();
        if (!m_book->db())
            throw Exception(QCoreApplication::translate("BookMngr", "Книга не открыта!"));
        m_book->openBook(tab->pageLanguage(), tab->bookId());
        if (m_contentInvalid) {
            m_findTextHelper.reset();
            stopInBookSearch();
            tab->searchDataStorage()->setSearchData(nullptr);
            clearCurrentSection();
            // A reload asked for while the page was loading is done by this
            // reopening; left set, it would swallow the next change.
            m_reloadRequested = false;
        }
        m_contentInvalid = false;
        scheduleTitleUpdate();
        if (m_favorites)
            m_favorites->loadFavorites(*m_book);
        emit isBookOpenChanged();
        updateBookOfCatalog();
        return true;
    } catch (const std::exception& e) {
        PageStatus::showError(exceptionText(e));
        emit isBookOpenChanged();
        return false;
    }
}

void OpenBookStatus::closeBook()
{
    m_contentInvalid = false;
    m_reloadRequested = false;
    stopInBookSearch();
    if (!isBookOpen())
        return;
    m_book->clear();
    afterBookClosed();
}

void OpenBookStatus::afterBookClosed()
{
    clearOtherLanguageCache();
    if (m_bookOfCatalog != C::InvalidCatalogTab) {
        m_bookOfCatalog = C::InvalidCatalogTab;
        emit bookOfCatalogChanged();
    }
    if (m_favorites)
        m_favorites->clearFavorites();
    emit isBookOpenChanged();
}

void OpenBookStatus::clearOtherLanguageCache()
{
    m_otherLanguageSections.clear();
    m_otherLanguageBookId = 0;
}

// ---- library changes ------------------------------------------------------

void OpenBookStatus::invalidateBookContent(int bookId)
{
    if (!isBookOpen() || m_book->bookId() != bookId)
        return;
    m_contentInvalid = true;
    if (!m_reloadRequested && !openbookseams::isLibraryUpdating()) {
        m_reloadRequested = true;
        emit bookContentReloadRequested();
    }
}

void OpenBookStatus::requestBookContentReload()
{
    if (m_contentInvalid && !m_reloadRequested && !openbookseams::isLibraryUpdating()) {
        m_reloadRequested = true;
        emit bookContentReloadRequested();
    }
}

QString OpenBookStatus::refreshUpdatedBook(const QString& preferredSectionCode)
{
    m_reloadRequested = false;
    if (!m_contentInvalid || !tabShowsOpenBook() || openbookseams::isLibraryUpdating())
        return {};
    try {
        const std::shared_ptr<BookSection> oldSection = m_book->sectionItemByKey(preferredSectionCode);
        const qint64 oldIndex = m_book->sectionIndexOf(preferredSectionCode);
        const int bookId = m_book->bookId();
        const C::Language language = m_book->language();

        m_book->openBook(language, bookId);
        const auto& sections = m_book->sections();
        if (sections.empty())
            throw Exception(tr("В обновлённой книге нет разделов."));

        clearOtherLanguageCache();
        m_findTextHelper.reset();
        stopInBookSearch();
        tabStatus()->searchDataStorage()->setSearchData(nullptr);
        if (m_favorites)
            m_favorites->loadFavorites(*m_book);
        clearCurrentSection();
        m_contentInvalid = false;
        emit anotherBookLanguageChanged();

        if (m_book->sectionIndexOf(preferredSectionCode) >= 0)
            return preferredSectionCode;
        if (oldSection) {
            if (const auto match = findMatchingSection(*oldSection, sections))
                return match->code;
        }
        const quint64 last = sections.size() - 1;
        const quint64 index = oldIndex < 0 ? 0 : qMin(static_cast<quint64>(oldIndex), last);
        return sections[index]->code;
    } catch (const std::exception& e) {
        QString message = exceptionText(e);
        qWarning("Refresh updated book failed: %s", qUtf8Printable(message));
        if (message.isEmpty())
            message = tr("Не удалось обновить открытую книгу. Откройте её повторно.");
        PageStatus::showError(message);
        clearOtherLanguageCache();
        m_findTextHelper.reset();
        if (!isBookOpen()) {
            // The failed reopen has already let the book go.
            closeBook();
            afterBookClosed();
        }
        revokeBookAccess();
        return {};
    }
}

void OpenBookStatus::revalidateBookAccess()
{
    if (!isBookOpen())
        return;
    bool available = false;
    try {
        available = m_book->isBookAvailable();
    } catch (const std::exception&) {
        qWarning("Cannot verify open-book library membership; closing cached book");
    }
    if (available)
        return;
    m_findTextHelper.reset();
    revokeBookAccess();
}

void OpenBookStatus::revokeBookAccess()
{
    closeBook();
    m_findTextHelper.reset();
    clearCurrentSection();
    if (TabStatus* tab = tabStatus())
        tab->setBookMode(false);
    emit bookAccessRevoked();
}
