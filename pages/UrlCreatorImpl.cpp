#include "pages/UrlCreatorImpl.h"

#include "core/Exception.h"
#include "pages/EnumKeyName.h"
#include "pages/SearchUrlFamilies.h"

#include <QMetaEnum>
#include <QUrlQuery>

#include <map>

using C = TarnolixConstants;

namespace {

const QString kScheme = QStringLiteral("tarnolix");
const QString kCatalogTab = QStringLiteral("catalogTab");
const QString kSearchId = QStringLiteral("searchId");
const QString kFindInAnotherLanguage = QStringLiteral("findInAnotherLanguageIfNotExists");
const QString kRedirect = QStringLiteral("redirect");
const QString kTabId = QStringLiteral("tabId");
const QString kLanguage = QStringLiteral("language");

constexpr int kFirstQueryType = UrlCreator::OpenBook;

// Host words of the request kinds (values 1 to 15, lower-cased key names),
// per thread so that any thread may convert without a lock.
const std::map<int, QString>& hostWords()
{
    thread_local const std::map<int, QString> words = [] {
        std::map<int, QString> map;
        const QMetaEnum meta = QMetaEnum::fromType<UrlCreator::QueryType>();
        for (int value = kFirstQueryType;; ++value) {
            const char* key = meta.valueToKey(value);
            if (!key)
                break;
            map.emplace(value, QString::fromLatin1(key).toLower());
        }
        return map;
    }();
    return words;
}

QString hostWord(UrlCreator::QueryType queryType)
{
    const auto& words = hostWords();
    const auto it = words.find(queryType);
    return it == words.end() ? QString() : it->second;
}

// Case-insensitive: page scripts write "glossarySearch" and "favoritesSearch".
UrlCreator::QueryType queryTypeFromHostWord(const QString& word)
{
    thread_local const std::map<QString, int> kinds = [] {
        std::map<QString, int> map;
        for (const auto& [value, text] : hostWords())
            map.emplace(text, value);
        return map;
    }();
    const auto it = kinds.find(word.toLower());
    return it == kinds.end() ? UrlCreator::InvalidQuery : UrlCreator::QueryType(it->second);
}

bool isSearchKind(UrlCreator::QueryType queryType)
{
    return queryType == UrlCreator::FTSearch || queryType == UrlCreator::WBWSearch
        || queryType == UrlCreator::GlossarySearch || queryType == UrlCreator::FavoritesSearch;
}

// The value of `key` (the last one when repeated) from fully encoded items.
std::optional<QString> decodedValue(const QList<QPair<QString, QString>>& items, const QString& key)
{
    std::optional<QString> value;
    for (const auto& [encodedKey, encodedValue] : items) {
        if (searchurl::decodeValue(encodedKey) == key)
            value = searchurl::decodeValue(encodedValue);
    }
    return value;
}

// The item path and the keys of the non-search kinds; false when the path
// does not parse.
bool readPathKinds(const QUrl& url, const QList<QPair<QString, QString>>& items, UrlCreatorImpl& request)
{
    bool ok = true;
    auto path = parentHierarchyItemsFromPath(url.path(QUrl::FullyDecoded),
                                             request.queryType() == UrlCreator::OpenBookSlug, &ok);
    if (!ok)
        return false;
    request.setItemPathItems(std::move(path));

    for (const auto& [encodedKey, encodedValue] : items) {
        const QString key = searchurl::decodeValue(encodedKey);
        const QString value = searchurl::decodeValue(encodedValue);
        if (key == kCatalogTab) {
            const C::CatalogTab tab = catalogTabFromString(value);
            if (tab == C::InvalidCatalogTab)
                qWarning("fromUrl: catalogTabFromString failed");
            request.setCatalogTab(tab);
        } else if (key == kSearchId) {
            bool converted = false;
            const int searchId = value.toInt(&converted);
            if (converted)
                request.setSearchId(searchId);
            else
                qWarning("fromUrl: Convert search id error(value: %s)", qUtf8Printable(value));
        } else if (key == kFindInAnotherLanguage) {
            request.setFindInAnotherLanguageIfNotExists(value.toInt() != 0);
        } else if (key == kRedirect) {
            request.setRedirect(value);
        }
    }
    return true;
}

} // namespace

UrlCreatorImpl::UrlCreatorImpl(const UrlCreatorImpl& other, SearchSettingsConstPtr settings)
    : UrlCreatorImpl(other)
{
    m_searchSettings = std::move(settings);
}

UrlCreatorImpl::UrlCreatorImpl(UrlCreatorImpl&& other) noexcept
    : m_queryType(other.m_queryType)
    , m_language(other.m_language)
    , m_catalogTab(other.m_catalogTab)
    , m_searchId(other.m_searchId)
    , m_tabId(other.m_tabId)
    , m_findInAnotherLanguageIfNotExists(other.m_findInAnotherLanguageIfNotExists)
{
    m_itemPath.items.swap(other.m_itemPath.items);
    m_searchSettings.swap(other.m_searchSettings);
    m_redirect.swap(other.m_redirect);
}

UrlCreatorImpl& UrlCreatorImpl::operator=(UrlCreatorImpl&& other) noexcept
{
    m_queryType = other.m_queryType;
    m_language = other.m_language;
    m_catalogTab = other.m_catalogTab;
    m_searchId = other.m_searchId;
    m_tabId = other.m_tabId;
    m_findInAnotherLanguageIfNotExists = other.m_findInAnotherLanguageIfNotExists;
    m_itemPath.items.swap(other.m_itemPath.items);
    m_searchSettings.swap(other.m_searchSettings);
    m_redirect.swap(other.m_redirect);
    return *this;
}

void UrlCreatorImpl::setLanguage(C::Language language)
{
    m_language = language;
    // Shared settings are never changed in place: a clone takes the language.
    if (m_searchSettings && m_searchSettings->language() != language) {
        SearchSettingsPtr changed = m_searchSettings->clone();
        changed->setLanguage(language);
        m_searchSettings = std::move(changed);
    }
}

void UrlCreatorImpl::setItemPathItems(ItemPathItems items)
{
    m_itemPath.items = std::move(items);
}

void UrlCreatorImpl::setItemPathVariant(const QVariantList& items)
{
    setItemPathItems(hierarchyItemsFromVariant(items));
}

void UrlCreatorImpl::setSearchSettings(SearchSettingsConstPtr settings)
{
    const C::SearchType type = settings ? settings->searchType() : C::InvalidSearchType;
    const UrlCreator::QueryType queryType = searchurl::queryTypeOfSearchType(type);
    if (queryType == UrlCreator::InvalidQuery)
        throw Exception(QStringLiteral("INVALID SEARCH TYPE(0x54456215)(%1)").arg(enumKeyName(type)));
    m_queryType = queryType;
    m_language = settings->language();
    m_searchSettings = std::move(settings);
}

void UrlCreatorImpl::setSort(C::SearchSort sort)
{
    if (m_searchSettings && m_searchSettings->sort() != sort) {
        SearchSettingsPtr changed = m_searchSettings->clone();
        changed->setSort(sort);
        m_searchSettings = std::move(changed);
    }
}

void UrlCreatorImpl::setRedirect(const QString& target)
{
    m_queryType = UrlCreator::Redirect;
    m_redirect = target;
}

bool UrlCreatorImpl::isValid() const
{
    return m_queryType != UrlCreator::InvalidQuery && m_language != C::InvalidLanguage;
}

bool UrlCreatorImpl::isEmpty() const
{
    return m_queryType == UrlCreator::InvalidQuery && m_language == C::InvalidLanguage && m_searchId == 0
        && m_tabId == 0 && m_catalogTab == C::InvalidCatalogTab && m_itemPath.items.empty()
        && !m_findInAnotherLanguageIfNotExists;
}

void UrlCreatorImpl::clear()
{
    m_queryType = UrlCreator::InvalidQuery;
    m_language = C::InvalidLanguage;
    m_catalogTab = C::InvalidCatalogTab;
    m_searchId = 0;
    m_tabId = 0;
    m_findInAnotherLanguageIfNotExists = false;
    m_itemPath.items.clear();
    m_searchSettings.reset();
    m_redirect.clear();
}

int UrlCreatorImpl::getBookId() const
{
    for (const auto& [type, id] : m_itemPath.items) {
        if (type == C::Book)
            return id.toInt();
    }
    return 0;
}

int UrlCreatorImpl::getAuthorId() const
{
    for (const auto& [type, id] : m_itemPath.items) {
        if (type == C::Author)
            return id.toInt();
    }
    return 0;
}

QString UrlCreatorImpl::getSectionCode() const
{
    for (auto it = m_itemPath.items.rbegin(); it != m_itemPath.items.rend(); ++it) {
        if (it->first == C::Section)
            return it->second.toString();
    }
    return QString();
}

void UrlCreatorImpl::pathComponents(int* bookId, int* authorId, QString* sectionCode, int* srItemId,
                                    QUuid* folderUuid, QUuid* favoriteUuid) const
{
    itemPathComponents(bookId, authorId, sectionCode, srItemId, folderUuid, favoriteUuid, m_itemPath.items);
}

QUrl UrlCreatorImpl::toUrl(int tabId) const
{
    QUrl url;
    if (!isValid()) {
        qWarning("toUrl: Invalid urlcreator");
        return url;
    }
    url.setScheme(kScheme);
    url.setHost(hostWord(m_queryType) + QLatin1Char('.') + languageToString(m_language));

    QUrlQuery query;
    if (isSearchKind(m_queryType)) {
        searchurl::writeKeys(m_queryType, m_searchSettings.get(), query);
    } else {
        url.setPath(parentHierarchyItemsToPath(m_itemPath.items, m_queryType == UrlCreator::OpenBookSlug),
                    QUrl::DecodedMode);
        if (m_catalogTab != C::InvalidCatalogTab)
            query.addQueryItem(kCatalogTab, catalogTabToString(m_catalogTab));
        if (m_searchId != 0)
            query.addQueryItem(kSearchId, QString::number(m_searchId));
        if (m_findInAnotherLanguageIfNotExists)
            query.addQueryItem(kFindInAnotherLanguage, QStringLiteral("1"));
        if (!m_redirect.isEmpty())
            query.addQueryItem(kRedirect, searchurl::encodeValue(m_redirect));
    }
    if (tabId != 0)
        query.addQueryItem(kTabId, QString::number(tabId));
    if (!query.isEmpty())
        url.setQuery(query);
    return url;
}

QString UrlCreatorImpl::toString() const
{
    return toUrl().toString();
}

UrlCreatorImpl UrlCreatorImpl::fromUrl(const QUrl& url)
{
    UrlCreatorImpl request;
    const auto fail = [&url]() {
        if (url.isValid())
            qWarning("Parse URL error: %s", qUtf8Printable(url.toString()));
        return UrlCreatorImpl();
    };
    if (!url.isValid() || url.scheme() != kScheme)
        return fail();

    const QString host = url.host(QUrl::FullyDecoded);
    const int dot = host.indexOf(QLatin1Char('.'));
    if (dot < 0) {
        qWarning("fromUrl: Prase host error");
        return fail();
    }

    // Fully encoded, so that each key can decode its own way.
    const QList<QPair<QString, QString>> items = QUrlQuery(url).queryItems(QUrl::FullyEncoded);
    const UrlCreator::QueryType queryType = queryTypeFromHostWord(host.left(dot));
    const std::optional<QString> languageKey = decodedValue(items, kLanguage);
    const C::Language language = languageFromString(languageKey ? *languageKey : host.mid(dot + 1));
    if (queryType == UrlCreator::InvalidQuery || language == C::InvalidLanguage)
        return fail();
    request.m_queryType = queryType;
    request.m_language = language;

    if (const std::optional<QString> tabId = decodedValue(items, kTabId)) {
        bool converted = false;
        const int value = tabId->toInt(&converted);
        if (converted)
            request.m_tabId = value;
        else
            qWarning("fromUrl: Convert tab id error(value: %s)", qUtf8Printable(*tabId));
    }

    if (isSearchKind(queryType)) {
        request.m_searchSettings = searchurl::readKeys(queryType, items, language);
        // A family that has not registered cannot read its keys.
        if (!request.m_searchSettings)
            return fail();
    } else {
        if (!readPathKinds(url, items, request))
            return fail();
        // A "redirect" key on another kind made it a Redirect: the host names the kind.
        request.m_queryType = queryType;
    }
    return request;
}

UrlCreatorImpl UrlCreatorImpl::fromString(const QString& url)
{
    return fromUrl(QUrl(url, QUrl::TolerantMode));
}
