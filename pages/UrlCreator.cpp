#include "pages/UrlCreator.h"

#include "core/ServerConfig.h"
#include "core/Settings.h"
#include "pages/PageServices.h"
#include "pages/UrlCreatorImpl.h"

#include <exception>

namespace {

// Runs `operation` on a copy of the request with the GUI thread's
// connection and takes the copy only when it succeeded. A failure is logged
// as "<method>: <text>" and, with `show`, shown to the reader.
template <typename Operation>
bool changeWithLibrary(UrlCreatorImpl& request, const char* method, bool show, Operation operation)
{
    try {
        UrlCreatorImpl changed(request);
        operation(changed, pageServices().guiDatabase());
        request = std::move(changed);
        return true;
    } catch (const std::exception& e) {
        qWarning("%s: %s", method, e.what());
        if (show) {
            if (PageServices* services = PageServices::current())
                services->showError(QString::fromUtf8(e.what()));
        }
        return false;
    }
}

} // namespace

UrlCreator::UrlCreator(QObject* parent)
    : QObject(parent)
    , m_impl(std::make_unique<UrlCreatorImpl>())
{
}

UrlCreator::UrlCreator(const UrlCreatorImpl& request, QObject* parent)
    : QObject(parent)
    , m_impl(std::make_unique<UrlCreatorImpl>(request))
{
}

UrlCreator::~UrlCreator() = default;

UrlCreator::QueryType UrlCreator::queryType() const
{
    return m_impl->queryType();
}

void UrlCreator::setQueryType(QueryType queryType)
{
    m_impl->setQueryType(queryType);
}

TarnolixConstants::Language UrlCreator::language() const
{
    return m_impl->language();
}

void UrlCreator::setLanguage(TarnolixConstants::Language language)
{
    m_impl->setLanguage(language);
}

TarnolixConstants::CatalogTab UrlCreator::catalogTab() const
{
    return m_impl->catalogTab();
}

void UrlCreator::setCatalogTab(TarnolixConstants::CatalogTab catalogTab)
{
    m_impl->setCatalogTab(catalogTab);
}

int UrlCreator::searchId() const
{
    return m_impl->searchId();
}

void UrlCreator::setSearchId(int searchId)
{
    m_impl->setSearchId(searchId);
}

int UrlCreator::tabId() const
{
    return m_impl->tabId();
}

void UrlCreator::setTabId(int tabId)
{
    m_impl->setTabId(tabId);
}

bool UrlCreator::findInAnotherLanguageIfNotExists() const
{
    return m_impl->findInAnotherLanguageIfNotExists();
}

void UrlCreator::setFindInAnotherLanguageIfNotExists(bool find)
{
    m_impl->setFindInAnotherLanguageIfNotExists(find);
}

QVariantList UrlCreator::itemPath() const
{
    return m_impl->itemPathVariant();
}

void UrlCreator::setItemPath(const QVariantList& itemPath)
{
    m_impl->setItemPathVariant(itemPath);
}

void UrlCreator::clear()
{
    m_impl->clear();
}

int UrlCreator::getBookId() const
{
    return m_impl->getBookId();
}

int UrlCreator::getAuthorId() const
{
    return m_impl->getAuthorId();
}

QString UrlCreator::getSectionCode() const
{
    return m_impl->getSectionCode();
}

QUrl UrlCreator::toUrl() const
{
    return m_impl->toUrl();
}

bool UrlCreator::fromUrl(const QUrl& url)
{
    *m_impl = UrlCreatorImpl::fromUrl(url);
    return m_impl->isValid();
}

bool UrlCreator::fromWebBookUrl(const QUrl& url)
{
    return m_impl->fromWebBookUrl(url, ServerConfig::load(Settings::current()).webSiteOrigin());
}

QString UrlCreator::toString() const
{
    return m_impl->toString();
}

bool UrlCreator::fromString(const QString& url)
{
    *m_impl = UrlCreatorImpl::fromString(url);
    return m_impl->isValid();
}

bool UrlCreator::isValid() const
{
    return m_impl->isValid();
}

bool UrlCreator::processSlugMode()
{
    return changeWithLibrary(*m_impl, "processSlugMode", true,
                             [](UrlCreatorImpl& request, TarnolixDB& db) { request.processSlugMode(db); });
}

bool UrlCreator::toSlugMode()
{
    return changeWithLibrary(*m_impl, "toSlugMode", true,
                             [](UrlCreatorImpl& request, TarnolixDB& db) { request.toSlugMode(db); });
}

bool UrlCreator::createPath(TarnolixConstants::Language language, TarnolixConstants::CatalogTab mode,
                            const QVariant& id, TarnolixConstants::CatalogItemType type)
{
    return changeWithLibrary(*m_impl, "createPath", true, [&](UrlCreatorImpl& request, TarnolixDB& db) {
        request.createPath(db, language, mode, id, type);
    });
}

bool UrlCreator::tryCreateCategoryPath(TarnolixConstants::Language language, const QVariant& id,
                                       TarnolixConstants::CatalogItemType type)
{
    return changeWithLibrary(*m_impl, "tryCreateCategoryPath", true, [&](UrlCreatorImpl& request, TarnolixDB& db) {
        request.tryCreateCategoryPath(db, language, id, type);
    });
}

bool UrlCreator::findBookWithDifferentLanguage(TarnolixConstants::Language newLanguage)
{
    return changeWithLibrary(*m_impl, "findBookWithDifferentLanguage", false,
                             [&](UrlCreatorImpl& request, TarnolixDB& db) {
                                 request.findBookWithDifferentLanguage(db, newLanguage);
                             });
}

QUrl UrlCreator::createRedirectUrl() const
{
    return m_impl->createRedirectUrl();
}

QDebug operator<<(QDebug debug, const UrlCreator& urlCreator)
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "UrlCreator(" << urlCreator.toString() << ')';
    return debug;
}

QDebug operator<<(QDebug debug, const UrlCreator* urlCreator)
{
    if (!urlCreator)
        return debug << "UrlCreator(0x0)";
    return debug << *urlCreator;
}
