#pragma once
// The URL model for QML: a QObject that owns one page request
// (UrlCreatorImpl). Tabs keep their current address in one. Its QueryType
// enumerates the request kinds, shared by the URL model, the scheme handler
// and the page kinds; the key names, lower-cased, are the URL host words
// (openbook, openbookslug, ...).
//
// The invokables that read the library use the GUI thread's connection
// (PageServices). They never throw: a failure is logged as a warning
// named after the method, shown to the reader (all but
// findBookWithDifferentLanguage) and leaves the request unchanged.

#include "core/TarnolixConstants.h"

#include <QDebug>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <QVariantList>

#include <memory>

class UrlCreatorImpl;

class UrlCreator : public QObject
{
    Q_OBJECT

public:
    enum QueryType : int {
        InvalidQuery = 0,
        OpenBook = 1,
        OpenBookSlug = 2,
        OpenBookCover = 3,
        GetBookCover = 4,
        OpenAuthor = 5,
        NewTab = 6,
        FTSearch = 7,
        GetPersonPhoto = 8,
        WBWSearch = 9,
        GlossarySearch = 10,
        Redirect = 11,
        Glossary = 12,
        Converter = 13,
        Favorites = 14,
        FavoritesSearch = 15
    };
    Q_ENUM(QueryType)

    Q_PROPERTY(UrlCreator::QueryType queryType READ queryType WRITE setQueryType)
    Q_PROPERTY(TarnolixConstants::Language language READ language WRITE setLanguage)
    Q_PROPERTY(TarnolixConstants::CatalogTab catalogTab READ catalogTab WRITE setCatalogTab)
    Q_PROPERTY(int searchId READ searchId WRITE setSearchId)
    Q_PROPERTY(int tabId READ tabId WRITE setTabId)
    Q_PROPERTY(bool findInAnotherLanguageIfNotExists READ findInAnotherLanguageIfNotExists
                   WRITE setFindInAnotherLanguageIfNotExists)
    Q_PROPERTY(QVariantList itemPath READ itemPath WRITE setItemPath)
    Q_PROPERTY(QUrl url READ toUrl WRITE fromUrl)
    Q_PROPERTY(QString string READ toString WRITE fromString)

    explicit UrlCreator(QObject* parent = nullptr);
    UrlCreator(const UrlCreatorImpl& request, QObject* parent = nullptr);
    ~UrlCreator() override;

    UrlCreatorImpl& impl() { return *m_impl; }
    const UrlCreatorImpl& impl() const { return *m_impl; }

    QueryType queryType() const;
    void setQueryType(QueryType queryType);
    TarnolixConstants::Language language() const;
    void setLanguage(TarnolixConstants::Language language);
    TarnolixConstants::CatalogTab catalogTab() const;
    void setCatalogTab(TarnolixConstants::CatalogTab catalogTab);
    int searchId() const;
    void setSearchId(int searchId);
    int tabId() const;
    void setTabId(int tabId);
    bool findInAnotherLanguageIfNotExists() const;
    void setFindInAnotherLanguageIfNotExists(bool find);
    QVariantList itemPath() const;
    void setItemPath(const QVariantList& itemPath);

    Q_INVOKABLE void clear();
    Q_INVOKABLE int getBookId() const;
    Q_INVOKABLE int getAuthorId() const;
    Q_INVOKABLE QString getSectionCode() const;
    // With the request's own tab id.
    Q_INVOKABLE QUrl toUrl() const;
    // Replaces the request by the parsed URL; true when that is valid.
    Q_INVOKABLE bool fromUrl(const QUrl& url);
    // A link to a book on the maker's web site (ServerConfig's web-site
    // origin) becomes a slug request; false, unchanged, for any other URL.
    Q_INVOKABLE bool fromWebBookUrl(const QUrl& url);
    Q_INVOKABLE QString toString() const;
    // The text parsed as a URL in tolerant mode, then as fromUrl.
    Q_INVOKABLE bool fromString(const QString& url);
    Q_INVOKABLE bool isValid() const;
    Q_INVOKABLE bool processSlugMode();
    Q_INVOKABLE bool toSlugMode();
    Q_INVOKABLE bool createPath(TarnolixConstants::Language language, TarnolixConstants::CatalogTab mode,
                                const QVariant& id, TarnolixConstants::CatalogItemType type);
    Q_INVOKABLE bool tryCreateCategoryPath(TarnolixConstants::Language language, const QVariant& id,
                                           TarnolixConstants::CatalogItemType type);
    Q_INVOKABLE bool findBookWithDifferentLanguage(TarnolixConstants::Language newLanguage);
    Q_INVOKABLE QUrl createRedirectUrl() const;

private:
    std::unique_ptr<UrlCreatorImpl> m_impl;
};

// "UrlCreator(" + toString() + ")".
QDebug operator<<(QDebug debug, const UrlCreator& urlCreator);
QDebug operator<<(QDebug debug, const UrlCreator* urlCreator);
