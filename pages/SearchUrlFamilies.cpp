#include "pages/SearchUrlFamilies.h"

#include <QUrl>
#include <QUrlQuery>

#include <memory>
#include <mutex>

using C = TarnolixConstants;

namespace {

template <typename Keys>
struct FamilySlot
{
    std::mutex mutex;
    std::shared_ptr<const SearchUrlFamily<Keys>> family;
};

template <typename Keys>
FamilySlot<Keys>& familySlot()
{
    static FamilySlot<Keys> slot;
    return slot;
}

template <typename Keys>
void registerFamily(SearchUrlFamily<Keys> family)
{
    auto& slot = familySlot<Keys>();
    std::shared_ptr<const SearchUrlFamily<Keys>> next;
    if (!family.isEmpty())
        next = std::make_shared<const SearchUrlFamily<Keys>>(std::move(family));
    std::lock_guard<std::mutex> lock(slot.mutex);
    slot.family = std::move(next);
}

// A copy of the registered family, so that it is used without the lock.
template <typename Keys>
std::shared_ptr<const SearchUrlFamily<Keys>> registeredFamily()
{
    auto& slot = familySlot<Keys>();
    std::lock_guard<std::mutex> lock(slot.mutex);
    return slot.family;
}

const QString kQuery = QStringLiteral("query");
const QString kExactMatch = QStringLiteral("exactMatch");
const QString kAccountOfDiacritics = QStringLiteral("accountOfDiacritics");
const QString kCategory = QStringLiteral("category");
const QString kBook = QStringLiteral("book");
const QString kSection = QStringLiteral("section");
const QString kSearchInBook = QStringLiteral("searchInBook");
const QString kSort = QStringLiteral("sort");
const QString kOriginal = QStringLiteral("original");
const QString kTranslation = QStringLiteral("translation");
const QString kOriginalChoise = QStringLiteral("originalChoise");
const QString kGlossary = QStringLiteral("glossary");

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

void addValue(QUrlQuery& query, const QString& key, const QString& value, bool formText = false)
{
    query.addQueryItem(key, searchurl::encodeValue(value, formText));
}

void addIds(QUrlQuery& query, const QString& key, const std::vector<int>& ids)
{
    for (int id : ids)
        query.addQueryItem(key, QString::number(id));
}

void addTexts(QUrlQuery& query, const QString& key, const QStringList& texts)
{
    for (const QString& text : texts)
        addValue(query, key, text);
}

// The keys of `settings` through the registered family; nothing (and the
// kind's warning) when there is no family or the record is not of it.
template <typename Keys>
std::optional<Keys> keysOf(const SearchSettings* settings, const char* warning)
{
    const auto family = registeredFamily<Keys>();
    std::optional<Keys> keys;
    if (family && settings)
        keys = family->keysOf(*settings);
    if (!keys)
        qWarning("%s", warning);
    return keys;
}

void writeFullText(const FullTextSearchKeys& keys, C::SearchSort sort, QUrlQuery& query)
{
    addValue(query, kQuery, keys.query);
    query.addQueryItem(kExactMatch, boolText(keys.exactMatch));
    query.addQueryItem(kAccountOfDiacritics, boolText(keys.accountOfDiacritics));
    addIds(query, kCategory, keys.categoryIds);
    addIds(query, kBook, keys.bookIds);
    addTexts(query, kSection, keys.sectionCodes);
    if (keys.searchInBook != 0)
        query.addQueryItem(kSearchInBook, QString::number(keys.searchInBook));
    query.addQueryItem(kSort, searchSortToString(sort));
}

void writeWordByWord(const WordByWordSearchKeys& keys, QUrlQuery& query)
{
    if (!keys.original.isEmpty())
        addValue(query, kOriginal, keys.original, true);
    if (!keys.translation.isEmpty())
        addValue(query, kTranslation, keys.translation, true);
    if (keys.originalChoise != C::InvalidOriginalChoise)
        query.addQueryItem(kOriginalChoise, originalChoiseToString(keys.originalChoise));
    addIds(query, kCategory, keys.categoryIds);
    addIds(query, kBook, keys.bookIds);
    addTexts(query, kSection, keys.sectionCodes);
}

void writeGlossary(const GlossarySearchKeys& keys, QUrlQuery& query)
{
    if (!keys.query.isEmpty())
        addValue(query, kQuery, keys.query);
    addIds(query, kCategory, keys.categoryIds);
    addIds(query, kGlossary, keys.glossaryIds);
}

void writeFavorites(const FavoritesSearchKeys& keys, QUrlQuery& query)
{
    if (!keys.text) {
        qWarning("toUrl: searchByText is empty!");
        return;
    }
    if (!keys.text->isEmpty())
        addValue(query, kQuery, *keys.text);
}

// Reads the items into a fresh Keys with `read` (key, encoded value), then
// has the family make its record.
template <typename Keys, typename Read>
SearchSettingsPtr readFamily(const QList<QPair<QString, QString>>& items, C::Language language, Read read)
{
    const auto family = registeredFamily<Keys>();
    if (!family)
        return nullptr;
    Keys keys;
    for (const auto& [encodedKey, encodedValue] : items)
        read(keys, searchurl::decodeValue(encodedKey), encodedValue);
    return family->settingsFrom(keys, language);
}

QString text(const QString& encoded)
{
    return searchurl::decodeValue(encoded);
}

int integer(const QString& encoded)
{
    return text(encoded).toInt();
}

} // namespace

void registerFullTextSearchUrls(SearchUrlFamily<FullTextSearchKeys> family)
{
    registerFamily(std::move(family));
}

void registerWordByWordSearchUrls(SearchUrlFamily<WordByWordSearchKeys> family)
{
    registerFamily(std::move(family));
}

void registerGlossarySearchUrls(SearchUrlFamily<GlossarySearchKeys> family)
{
    registerFamily(std::move(family));
}

void registerFavoritesSearchUrls(SearchUrlFamily<FavoritesSearchKeys> family)
{
    registerFamily(std::move(family));
}

namespace searchurl {

UrlCreator::QueryType queryTypeOfSearchType(C::SearchType type)
{
    switch (type) {
    case C::FullText:
        return UrlCreator::FTSearch;
    case C::WordByWord:
        return UrlCreator::WBWSearch;
    case C::GlossarySearch:
        return UrlCreator::GlossarySearch;
    case C::FavoritesSearch:
        return UrlCreator::FavoritesSearch;
    default:
        return UrlCreator::InvalidQuery;
    }
}

bool boolFromValue(const QString& value)
{
    if (value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (value.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok, 10);
    return ok && number > 0;
}

QString encodeValue(const QString& value, bool formText)
{
    // Never null: QUrlQuery writes a null value as a bare key ("query"), an
    // empty one as "query=", and a value read back is never null.
    QString encoded = value.isNull() ? QStringLiteral("") : value;
    encoded.replace(QLatin1Char('%'), QLatin1String("%25"));
    if (formText)
        encoded.replace(QLatin1Char('+'), QLatin1String("%2B"));
    return encoded;
}

QString decodeValue(const QString& encoded, bool formText)
{
    QByteArray bytes = encoded.toUtf8();
    if (formText)
        bytes.replace('+', ' ');
    return QUrl::fromPercentEncoding(bytes);
}

void writeKeys(UrlCreator::QueryType queryType, const SearchSettings* settings, QUrlQuery& query)
{
    switch (queryType) {
    case UrlCreator::FTSearch:
        if (const auto keys = keysOf<FullTextSearchKeys>(settings, "toUrl: cast search settings error"))
            writeFullText(*keys, settings->sort(), query);
        break;
    case UrlCreator::WBWSearch:
        if (const auto keys = keysOf<WordByWordSearchKeys>(settings, "toUrl: cast search settings error(2)"))
            writeWordByWord(*keys, query);
        break;
    case UrlCreator::GlossarySearch:
        if (const auto keys = keysOf<GlossarySearchKeys>(settings, "toUrl: cast search settings error(3)"))
            writeGlossary(*keys, query);
        break;
    case UrlCreator::FavoritesSearch:
        if (const auto keys = keysOf<FavoritesSearchKeys>(settings, "toUrl: cast search settings error(4)"))
            writeFavorites(*keys, query);
        break;
    default:
        break;
    }
}

SearchSettingsPtr readKeys(UrlCreator::QueryType queryType, const QList<QPair<QString, QString>>& encodedItems,
                           C::Language language)
{
    SearchSettingsPtr settings;
    C::SearchSort sort = C::ByRelevance;
    switch (queryType) {
    case UrlCreator::FTSearch:
        settings = readFamily<FullTextSearchKeys>(
            encodedItems, language, [&sort](FullTextSearchKeys& keys, const QString& key, const QString& value) {
                if (key == kBook)
                    keys.bookIds.push_back(integer(value));
                else if (key == kCategory)
                    keys.categoryIds.push_back(integer(value));
                else if (key == kSection)
                    keys.sectionCodes.append(text(value));
                else if (key == kQuery)
                    keys.query = text(value);
                else if (key == kExactMatch)
                    keys.exactMatch = boolFromValue(text(value));
                else if (key == kAccountOfDiacritics)
                    keys.accountOfDiacritics = boolFromValue(text(value));
                else if (key == kSearchInBook)
                    keys.searchInBook = integer(value);
                else if (key == kSort)
                    sort = searchSortFromString(text(value));
            });
        break;
    case UrlCreator::WBWSearch:
        settings = readFamily<WordByWordSearchKeys>(
            encodedItems, language, [](WordByWordSearchKeys& keys, const QString& key, const QString& value) {
                if (key == kOriginal)
                    keys.original = decodeValue(value, true);
                else if (key == kTranslation)
                    keys.translation = decodeValue(value, true);
                else if (key == kOriginalChoise)
                    keys.originalChoise = originalChoiseFromString(text(value));
                else if (key == kBook)
                    keys.bookIds.push_back(integer(value));
                else if (key == kCategory)
                    keys.categoryIds.push_back(integer(value));
                else if (key == kSection)
                    keys.sectionCodes.append(text(value));
            });
        break;
    case UrlCreator::GlossarySearch:
        settings = readFamily<GlossarySearchKeys>(
            encodedItems, language, [](GlossarySearchKeys& keys, const QString& key, const QString& value) {
                if (key == kCategory)
                    keys.categoryIds.push_back(integer(value));
                else if (key == kGlossary)
                    keys.glossaryIds.push_back(integer(value));
                else if (key == kQuery)
                    keys.query = text(value);
            });
        break;
    case UrlCreator::FavoritesSearch:
        settings = readFamily<FavoritesSearchKeys>(
            encodedItems, language, [](FavoritesSearchKeys& keys, const QString& key, const QString& value) {
                if (key == kQuery)
                    keys.text = text(value);
            });
        break;
    default:
        break;
    }
    if (settings) {
        settings->setLanguage(language);
        if (queryType == UrlCreator::FTSearch)
            settings->setSort(sort);
    }
    return settings;
}

} // namespace searchurl
