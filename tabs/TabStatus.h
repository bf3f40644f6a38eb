#pragma once
// The program-side state of one tab. QML makes it inside the tab item and
// binds the web view's state to it; the tab's scheme handler tells it each
// new URL before the page is served. From the URL it derives the page kind,
// the address parts of the page, the catalog the side panel shows and
// whether the search results stored in the tab still apply. It gives QML
// the tab's web-channel object, its search storage and URL models, and
// opens the program's fixed pages in the tab.
//
// The tab keeps no history: back and forward are the web view's, and the
// tab follows whatever URL the view shows. GUI thread only.

#include "core/ItemPath.h"
#include "core/TarnolixConstants.h"
#include "pages/SchemeHandlerTab.h"
#include "pages/UrlCreator.h"
#include "pages/UrlCreatorImpl.h"
#include "tabs/PageStatus.h"
#include "tabs/SearchDataStorage.h"
#include "tabs/TabStatusMngr.h"
#include "tabs/TabWebChannel.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariantList>

#include <optional>

class QQuickWebEngineProfile;

class TabStatus : public QObject, public SchemeHandlerTab
{
    Q_OBJECT
    Q_PROPERTY(int id READ id CONSTANT)
    Q_PROPERTY(QObject* tabItem READ tabItem WRITE setTabItem NOTIFY tabItemChanged)
    Q_PROPERTY(TabWebChannel* webChannel READ webChannel CONSTANT)
    Q_PROPERTY(SearchDataStorage* searchDataStorage READ searchDataStorage CONSTANT)
    Q_PROPERTY(bool pageLoading READ pageLoading WRITE setPageLoading NOTIFY pageLoadingChanged)
    Q_PROPERTY(bool webViewActiveFocus READ webViewActiveFocus WRITE setWebViewActiveFocus
                   NOTIFY webViewActiveFocusChanged)
    Q_PROPERTY(QUrl url READ url WRITE setUrl NOTIFY urlChanged)
    Q_PROPERTY(bool urlHasFragment READ urlHasFragment NOTIFY urlChanged)
    Q_PROPERTY(UrlCreator::QueryType pageType READ pageType NOTIFY urlChanged)
    Q_PROPERTY(QVariantList itemPath READ itemPath NOTIFY itemPathChanged)
    Q_PROPERTY(int authorId READ authorId NOTIFY itemPathChanged)
    Q_PROPERTY(int bookId READ bookId NOTIFY itemPathChanged)
    Q_PROPERTY(QString sectionCode READ sectionCode NOTIFY itemPathChanged)
    Q_PROPERTY(int srItemId READ srItemId NOTIFY itemPathChanged)
    Q_PROPERTY(QString favoriteItemUuid READ favoriteItemUuid NOTIFY itemPathChanged)
    Q_PROPERTY(TarnolixConstants::Language language READ language WRITE setLanguage NOTIFY languageChanged)
    Q_PROPERTY(TarnolixConstants::Catalog catalog READ catalog WRITE setCatalog NOTIFY catalogChanged)
    Q_PROPERTY(TarnolixConstants::CatalogTab catalogTab READ catalogTab WRITE setCatalogTab NOTIFY catalogTabChanged)
    Q_PROPERTY(TarnolixConstants::Language catalogLanguage READ catalogLanguage WRITE setCatalogLanguage
                   NOTIFY catalogLanguageChanged)
    Q_PROPERTY(TarnolixConstants::Language pageLanguage READ pageLanguage NOTIFY urlChanged)
    Q_PROPERTY(QObject* pageLogic READ pageLogic WRITE setPageLogic NOTIFY pageLogicChanged)
    Q_PROPERTY(PageStatus* pageStatus READ pageStatus WRITE setPageStatus NOTIFY pageStatusChanged)
    Q_PROPERTY(UrlCreator::QueryType pageStatusType READ pageStatusType NOTIFY pageStatusChanged)
    Q_PROPERTY(bool pageStatusIsSearch READ pageStatusIsSearch NOTIFY pageStatusChanged)
    Q_PROPERTY(TarnolixConstants::Language lastBookCatalogLanguage READ lastBookCatalogLanguage
                   WRITE setLastBookCatalogLanguage NOTIFY lastBookCatalogLanguageChanged)
    Q_PROPERTY(bool bookMode READ bookMode WRITE setBookMode NOTIFY bookModeChanged)
    Q_PROPERTY(TarnolixConstants::CatalogTab bookOfCatalog READ bookOfCatalog NOTIFY urlChanged)

public:
    // Registers the tab with the tab registry of TabServices (throws
    // Exception when none is installed).
    explicit TabStatus(QObject* parent = nullptr);
    ~TabStatus() override;

    int id() const { return m_id; }
    TabStatusMngr* tabStatusMngr() const { return m_tabStatusMngr; }

    QObject* tabItem() const { return m_tabItem; }
    void setTabItem(QObject* tabItem);
    TabWebChannel* webChannel() const { return m_webChannel; }
    SearchDataStorage* searchDataStorage() const { return m_searchDataStorage; }
    bool pageLoading() const { return m_pageLoading; }
    void setPageLoading(bool pageLoading);
    bool webViewActiveFocus() const { return m_webViewActiveFocus; }
    void setWebViewActiveFocus(bool webViewActiveFocus);

    const QUrl& url() const { return m_url; }
    // The URL handler, also the scheme handler's call: the page kind,
    // address parts, search storage and catalog of the URL's page. A slug
    // URL is resolved to its book and section first; when that fails the
    // tab stays as it was. An unparsable URL is taken as far as it reads,
    // and the reader is told.
    void setUrl(const QUrl& url) override;
    // The results page without results, or, when the full-text page kind
    // takes the stored page for the request, a job serving that page.
    FullTextAnswer fullTextSearch(const UrlCreatorImpl& request, const QUrl& url) override;
    bool urlHasFragment() const { return m_url.hasFragment(); }
    // The URL model of the page shown.
    const UrlCreatorImpl& urlCreator() const { return m_urlCreator; }
    UrlCreator::QueryType pageType() const { return m_urlCreator.queryType(); }
    TarnolixConstants::Language pageLanguage() const { return m_urlCreator.language(); }
    TarnolixConstants::CatalogTab bookOfCatalog() const { return m_urlCreator.catalogTab(); }

    QVariantList itemPath() const { return m_itemPath.variantList(); }
    // The open book moving to another section without a reload: the URL
    // and the address parts follow the new path. Equal pairs do nothing.
    void setItemPath(const HierarchyItems& items);
    int authorId() const { return m_itemPath.authorId; }
    int bookId() const { return m_itemPath.bookId; }
    const QString& sectionCode() const { return m_itemPath.sectionCode; }
    // The hit of the page's item path; -1 without one.
    int srItemId() const { return m_itemPath.srItemId; }
    // Without braces; empty when the page shows no favorite.
    QString favoriteItemUuid() const;

    TarnolixConstants::Language language() const { return m_language; }
    void setLanguage(TarnolixConstants::Language language);
    TarnolixConstants::Catalog catalog() const { return m_catalog; }
    void setCatalog(TarnolixConstants::Catalog catalog);
    TarnolixConstants::CatalogTab catalogTab() const { return m_catalogTab; }
    void setCatalogTab(TarnolixConstants::CatalogTab catalogTab);
    TarnolixConstants::Language catalogLanguage() const { return m_catalogLanguage; }
    void setCatalogLanguage(TarnolixConstants::Language language);
    TarnolixConstants::Language lastBookCatalogLanguage() const { return m_lastBookCatalogLanguage; }
    void setLastBookCatalogLanguage(TarnolixConstants::Language language);

    // The page logic and the page kind that QML loaded; not owned, cleared
    // when destroyed.
    QObject* pageLogic() const { return m_pageLogic; }
    void setPageLogic(QObject* pageLogic);
    PageStatus* pageStatus() const { return m_pageStatus; }
    void setPageStatus(PageStatus* pageStatus);
    UrlCreator::QueryType pageStatusType() const;
    // A full-text, word-by-word or glossary results page.
    bool pageStatusIsSearch() const;

    bool bookMode() const { return m_bookMode; }
    void setBookMode(bool bookMode);

    // The catalog that shows where the request's page belongs; none when the
    // request names none (the tab keeps its catalog then).
    static std::optional<TarnolixConstants::Catalog> catalogOfPage(const UrlCreatorImpl& request);

    // Installs this tab's own scheme handler on the tab's web profile.
    Q_INVOKABLE void setUpProfile(QQuickWebEngineProfile* profile);
    // A URL model for QML, owned by the JavaScript side.
    Q_INVOKABLE UrlCreator* newUrlCreator();

    // The program's fixed pages, opened through the tab item's "openUrl".
    Q_INVOKABLE void openBookCover(TarnolixConstants::Language language, TarnolixConstants::CatalogTab bookOfCatalog,
                                   const QVariantList& itemPath);
    Q_INVOKABLE void openAuthor(TarnolixConstants::Language language, TarnolixConstants::CatalogTab bookOfCatalog,
                                const QVariantList& itemPath);
    Q_INVOKABLE void openBasePage();
    Q_INVOKABLE void openGlossary(TarnolixConstants::CatalogTab bookOfCatalog, const QVariantList& itemPath,
                                  int categoryId);
    Q_INVOKABLE void openConverter();
    Q_INVOKABLE void openAllFavorites();
    Q_INVOKABLE void openFavoritesByBooks(TarnolixConstants::Language language);
    Q_INVOKABLE void openFavoriteFolder(TarnolixConstants::Language language, TarnolixConstants::CatalogTab catalogTab,
                                        const QVariantList& itemPath);

signals:
    void tabItemChanged();
    void pageLoadingChanged();
    void webViewActiveFocusChanged();
    void urlChanged();
    void itemPathChanged();
    void languageChanged();
    void catalogChanged();
    void catalogTabChanged();
    void catalogLanguageChanged();
    void pageLogicChanged();
    void pageStatusChanged();
    void lastBookCatalogLanguageChanged();
    void bookModeChanged();

public slots:
    void pageLogicDestroyed();
    void pageStatusDestroyed();

private:
    // "TabStatus(<id>):", the start of every log line of the tab.
    QByteArray logPrefix() const;
    // The address parts and the cached path from the URL model.
    void takeItemPath();
    // Asks the tab item to load the request's URL made for `tabId` (none when 0).
    void open(const UrlCreatorImpl& request, int tabId);

    int m_id = 0;
    QPointer<TabStatusMngr> m_tabStatusMngr;
    QPointer<QObject> m_tabItem;
    TabWebChannel* m_webChannel = nullptr;
    SearchDataStorage* m_searchDataStorage = nullptr;
    bool m_pageLoading = false;
    bool m_webViewActiveFocus = false;
    QUrl m_url;
    UrlCreatorImpl m_urlCreator;
    mutable ItemPathCachedEx m_itemPath;
    TarnolixConstants::Language m_language = TarnolixConstants::InvalidLanguage;
    TarnolixConstants::Catalog m_catalog = TarnolixConstants::InvalidCatalog;
    TarnolixConstants::CatalogTab m_catalogTab = TarnolixConstants::Categories;
    TarnolixConstants::Language m_catalogLanguage = TarnolixConstants::InvalidLanguage;
    TarnolixConstants::Language m_lastBookCatalogLanguage = TarnolixConstants::InvalidLanguage;
    QObject* m_pageLogic = nullptr;
    PageStatus* m_pageStatus = nullptr;
    bool m_bookMode = false;
};
