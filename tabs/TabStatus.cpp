#include "tabs/TabStatus.h"

#include "core/Exception.h"
#include "core/ProgramConstants.h"
#include "pages/HTMLCreator.h"
#include "pages/PageServices.h"
#include "pages/TarnolixScheme.h"
#include "pages/TarnolixSchemeHandler.h"
#include "searchpages/SRPage.h"
#include "tabs/FTSearchPageStatus.h"
#include "tabs/TabServices.h"
#include "tabs/TabStatusMngr.h"

#include <QDebug>
#include <QQmlEngine>
#include <QtWebEngine/QQuickWebEngineProfile>

#include <algorithm>
#include <exception>
#include <utility>

using C = TarnolixConstants;

namespace {

// A request of the program's fixed pages.
UrlCreatorImpl request(UrlCreator::QueryType kind, C::Language language,
                       C::CatalogTab catalogTab = C::InvalidCatalogTab, HierarchyItems itemPath = {})
{
    UrlCreatorImpl request;
    request.setQueryType(kind);
    request.setLanguage(language);
    request.setCatalogTab(catalogTab);
    request.setItemPathItems(std::move(itemPath));
    return request;
}

// The book catalog of a page language.
std::optional<C::Catalog> catalogOfLanguage(C::Language language)
{
    switch (language) {
    case C::English:
        return C::EnglishCatalog;
    case C::Russian:
        return C::RussianCatalog;
    case C::Sanskrit:
        return C::SanskritCatalog;
    default:
        qWarning("Invalid language 0x16546488");
        return std::nullopt;
    }
}

C::Catalog catalogOfInterfaceLanguage(C::Language language)
{
    switch (language) {
    case C::English:
        return C::EnglishCatalog;
    case C::Sanskrit:
        return C::SanskritCatalog;
    default:
        return C::RussianCatalog;
    }
}

} // namespace

TabStatus::TabStatus(QObject* parent)
    : QObject(parent)
{
    TabServices& services = tabServices();
    m_tabStatusMngr = &services.tabStatusMngr();
    m_id = m_tabStatusMngr->add(this);
    m_webChannel = new TabWebChannel(this, this);
    m_searchDataStorage = new SearchDataStorage(this, this);
    m_catalogLanguage = services.interfaceLanguage();
    m_lastBookCatalogLanguage = m_catalogLanguage;
    m_catalog = catalogOfInterfaceLanguage(m_catalogLanguage);
    m_itemPath.srItemId = -1;
}

TabStatus::~TabStatus()
{
    if (m_tabStatusMngr)
        m_tabStatusMngr->erase(m_id);
}

QByteArray TabStatus::logPrefix() const
{
    return "TabStatus(" + QByteArray::number(m_id) + "):";
}

void TabStatus::setTabItem(QObject* tabItem)
{
    if (tabItem == m_tabItem)
        return;
    m_tabItem = tabItem;
    emit tabItemChanged();
}

void TabStatus::setPageLoading(bool pageLoading)
{
    if (pageLoading == m_pageLoading)
        return;
    m_pageLoading = pageLoading;
    emit pageLoadingChanged();
}

void TabStatus::setWebViewActiveFocus(bool webViewActiveFocus)
{
    if (webViewActiveFocus == m_webViewActiveFocus)
        return;
    m_webViewActiveFocus = webViewActiveFocus;
    emit webViewActiveFocusChanged();
}

// The URL handler

void TabStatus::setUrl(const QUrl& url)
{
    // The stored url and the cached path only change together, so the same
    // url shows the same path.
    if (url == m_url)
        return;
    qDebug().noquote() << logPrefix() << "URL changed:" << url.toString();

    // Parsed and resolved aside: a slug that does not resolve leaves the
    // tab's model, url and address parts as they were.
    UrlCreatorImpl parsed = UrlCreatorImpl::fromUrl(url);
    if (parsed.queryType() == UrlCreator::InvalidQuery || parsed.language() == C::InvalidLanguage) {
        qCritical("%s Parse URL error (0x54256972)", logPrefix().constData());
        PageStatus::showError(tr("Ошибка 0x54256972"));
    } else if (parsed.queryType() == UrlCreator::OpenBookSlug) {
        try {
            parsed.processSlugMode(pageServices().guiDatabase());
        } catch (const std::exception& e) {
            qWarning("%s Process slug error: %s", logPrefix().constData(), e.what());
            PageStatus::showError(QString::fromUtf8(e.what()));
            return;
        }
    }

    // Compared once resolved: a slug URL of the section shown is no new path.
    const bool itemPathChanged = parsed.itemPathItems() != m_itemPath.items;
    m_urlCreator = std::move(parsed);
    m_url = url;
    takeItemPath();

    switch (m_urlCreator.queryType()) {
    case UrlCreator::FTSearch:
    case UrlCreator::WBWSearch:
    case UrlCreator::GlossarySearch:
        break; // their page kinds keep the storage
    case UrlCreator::Favorites:
    case UrlCreator::FavoritesSearch:
        m_searchDataStorage->setSearchData(nullptr);
        break;
    default:
        m_searchDataStorage->tryRestoreSearchResults(m_urlCreator);
        break;
    }

    if (const std::optional<C::Catalog> catalog = catalogOfPage(m_urlCreator))
        setCatalog(*catalog);

    emit urlChanged();
    if (itemPathChanged)
        emit this->itemPathChanged();
}

void TabStatus::takeItemPath()
{
    m_urlCreator.pathComponents(&m_itemPath.bookId, &m_itemPath.authorId, &m_itemPath.sectionCode,
                                &m_itemPath.srItemId, &m_itemPath.folderUuid, &m_itemPath.favoriteUuid);
    m_itemPath.items = m_urlCreator.itemPathItems();
    m_itemPath.variantItems.clear();
    // Hit ids are document numbers, of which 0 is a hit too: a path without
    // a hit reads -1.
    const bool hasHit = std::any_of(m_itemPath.items.begin(), m_itemPath.items.end(),
                                    [](const HierarchyItem& item) { return item.first == C::SRItemId; });
    if (!hasHit)
        m_itemPath.srItemId = -1;
}

std::optional<C::Catalog> TabStatus::catalogOfPage(const UrlCreatorImpl& request)
{
    switch (request.queryType()) {
    case UrlCreator::GlossarySearch:
        return C::GlossaryCatalog;
    case UrlCreator::WBWSearch:
        return C::WordByWordCatalog;
    case UrlCreator::FTSearch:
        return catalogOfLanguage(request.language());
    default:
        break;
    }
    switch (request.catalogTab()) {
    case C::Categories:
    case C::Authors:
    case C::Names:
        return catalogOfLanguage(request.language());
    case C::Glossaries:
    case C::GlossariesNames:
        return C::GlossaryCatalog;
    case C::AllFavorites:
    case C::FavoritesByBooks:
        return C::FavoritesCatalog;
    default:
        return std::nullopt;
    }
}

void TabStatus::setItemPath(const HierarchyItems& items)
{
    if (items == m_itemPath.items)
        return;
    m_urlCreator.setItemPathItems(items);
    m_url = m_urlCreator.toUrl(m_id);
    takeItemPath();
    qDebug().noquote() << logPrefix() << "Item path changed:" << m_url.toString();
    emit urlChanged();
    emit itemPathChanged();
}

QString TabStatus::favoriteItemUuid() const
{
    return m_itemPath.favoriteUuid.isNull() ? QString() : m_itemPath.favoriteUuid.toString(QUuid::WithoutBraces);
}

// Plain properties

void TabStatus::setLanguage(C::Language language)
{
    if (language == m_language)
        return;
    m_language = language;
    emit languageChanged();
}

void TabStatus::setCatalog(C::Catalog catalog)
{
    if (catalog == m_catalog)
        return;
    m_catalog = catalog;
    emit catalogChanged();
}

void TabStatus::setCatalogTab(C::CatalogTab catalogTab)
{
    if (catalogTab == m_catalogTab)
        return;
    m_catalogTab = catalogTab;
    emit catalogTabChanged();
}

void TabStatus::setCatalogLanguage(C::Language language)
{
    if (language == m_catalogLanguage)
        return;
    m_catalogLanguage = language;
    emit catalogLanguageChanged();
}

void TabStatus::setLastBookCatalogLanguage(C::Language language)
{
    if (language == m_lastBookCatalogLanguage)
        return;
    m_lastBookCatalogLanguage = language;
    emit lastBookCatalogLanguageChanged();
}

void TabStatus::setBookMode(bool bookMode)
{
    if (bookMode == m_bookMode)
        return;
    m_bookMode = bookMode;
    emit bookModeChanged();
}

// The page logic and the page kind

void TabStatus::setPageLogic(QObject* pageLogic)
{
    if (pageLogic == m_pageLogic)
        return;
    if (m_pageLogic)
        disconnect(m_pageLogic, &QObject::destroyed, this, &TabStatus::pageLogicDestroyed);
    m_pageLogic = pageLogic;
    if (m_pageLogic)
        connect(m_pageLogic, &QObject::destroyed, this, &TabStatus::pageLogicDestroyed);
    emit pageLogicChanged();
}

void TabStatus::pageLogicDestroyed()
{
    if (sender() != m_pageLogic)
        return;
    m_pageLogic = nullptr;
    emit pageLogicChanged();
}

void TabStatus::setPageStatus(PageStatus* pageStatus)
{
    if (pageStatus == m_pageStatus)
        return;
    if (m_pageStatus)
        disconnect(m_pageStatus, &QObject::destroyed, this, &TabStatus::pageStatusDestroyed);
    m_pageStatus = pageStatus;
    if (m_pageStatus)
        connect(m_pageStatus, &QObject::destroyed, this, &TabStatus::pageStatusDestroyed);
    emit pageStatusChanged();
}

void TabStatus::pageStatusDestroyed()
{
    if (sender() != static_cast<QObject*>(m_pageStatus))
        return;
    m_pageStatus = nullptr;
    emit pageStatusChanged();
}

UrlCreator::QueryType TabStatus::pageStatusType() const
{
    return m_pageStatus ? m_pageStatus->type() : UrlCreator::InvalidQuery;
}

bool TabStatus::pageStatusIsSearch() const
{
    switch (pageStatusType()) {
    case UrlCreator::FTSearch:
    case UrlCreator::WBWSearch:
    case UrlCreator::GlossarySearch:
        return true;
    default:
        return false;
    }
}

// Invokables

SchemeHandlerTab::FullTextAnswer TabStatus::fullTextSearch(const UrlCreatorImpl& request, const QUrl& url)
{
    std::shared_ptr<const HTMLCreator> creator = PageStatus::htmlCreator();
    if (!creator)
        throw Exception("No page generator");
    auto* data = qobject_cast<FTSearchData*>(m_searchDataStorage->searchData());
    auto* page = qobject_cast<FTSearchPageStatus*>(m_pageStatus);
    if (data && page && page->tryRestoreSearchResultsPage(url, request)) {
        // The job owns what it reads: a copy of the page as it stands (the
        // elements are shared, the lists are its own), never the page kind
        // or the search data, which a closed tab or a new search frees.
        const auto stored = std::make_shared<SRPage>(*searchPageStateCurrentPage(*data->searchPageState()));
        return {QByteArray(), [creator, stored](const UrlCreatorImpl& job) {
                    return SchemeHandlerJob::Result{QByteArray(HttpWord::textHtml),
                                                    creator->getFTSearchResultsPage(job, stored)};
                }};
    }
    return {creator->getFTSearchResultsPage(request, nullptr), {}};
}

void TabStatus::setUpProfile(QQuickWebEngineProfile* profile)
{
    if (!profile) {
        qCritical("%s setUpProfile: profile=0", logPrefix().constData());
        return;
    }
    profile->installUrlSchemeHandler(tarnolixSchemeName(), new TarnolixSchemeHandler(this, this));
}

UrlCreator* TabStatus::newUrlCreator()
{
    auto* creator = new UrlCreator;
    QQmlEngine::setObjectOwnership(creator, QQmlEngine::JavaScriptOwnership);
    return creator;
}

void TabStatus::open(const UrlCreatorImpl& request, int tabId)
{
    const QUrl url = request.toUrl(tabId);
    if (url.isEmpty())
        return; // the request was incomplete, and toUrl has said so
    if (!m_tabItem) {
        qWarning("%s openUrl: tabItem=0", logPrefix().constData());
        return;
    }
    if (!QMetaObject::invokeMethod(m_tabItem, "openUrl", Q_ARG(QVariant, QVariant(url))))
        qWarning("%s openUrl: call failed", logPrefix().constData());
}

void TabStatus::openBookCover(C::Language language, C::CatalogTab bookOfCatalog, const QVariantList& itemPath)
{
    open(request(UrlCreator::OpenBookCover, language, bookOfCatalog, hierarchyItemsFromVariant(itemPath)), 0);
}

void TabStatus::openAuthor(C::Language language, C::CatalogTab bookOfCatalog, const QVariantList& itemPath)
{
    open(request(UrlCreator::OpenAuthor, language, bookOfCatalog, hierarchyItemsFromVariant(itemPath)), 0);
}

void TabStatus::openBasePage()
{
    open(request(UrlCreator::NewTab, m_language), 0);
}

void TabStatus::openGlossary(C::CatalogTab bookOfCatalog, const QVariantList& itemPath, int categoryId)
{
    HierarchyItems items = hierarchyItemsFromVariant(itemPath);
    if (bookOfCatalog == C::GlossariesNames)
        items.emplace_back(C::Category, categoryId);
    open(request(UrlCreator::Glossary, C::English, bookOfCatalog, std::move(items)), 0);
}

void TabStatus::openConverter()
{
    open(request(UrlCreator::Converter, m_language), 0);
}

void TabStatus::openAllFavorites()
{
    open(request(UrlCreator::Favorites, C::English, C::AllFavorites, {{C::FavoriteFolder, QString()}}), m_id);
}

void TabStatus::openFavoritesByBooks(C::Language language)
{
    open(request(UrlCreator::Favorites, language, C::FavoritesByBooks), m_id);
}

void TabStatus::openFavoriteFolder(C::Language language, C::CatalogTab catalogTab, const QVariantList& itemPath)
{
    open(request(UrlCreator::Favorites, language, catalogTab, hierarchyItemsFromVariant(itemPath)), m_id);
}

// Compiled here, where the invokables' argument types are complete.
#include "moc_TabStatus.cpp"
