#pragma once
// Where the search settings families meet the URL grammar. The grammar (key
// names and order, booleans, lists, percent-encoding) belongs to the URL
// model; a family only says how its record maps to the keys of its request
// kind. Each family registers once at start-up, before any URL of its kind
// is written or read: until it has, URLs of its kind carry no search keys
// and do not parse. Registering again replaces the family; registering an
// empty family (no functions) withdraws it. Registration and use may happen
// on any thread.
//
// The URL model handles the base members itself: the language is the
// request's, and the sort (full text only, key "sort") is set on the record
// after the family made it.

#include "core/SearchSettings.h"
#include "core/TarnolixConstants.h"
#include "pages/UrlCreator.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class QUrlQuery;

// FTSearch: "query" (always), "exactMatch", "accountOfDiacritics" (always),
// "category"..., "book"..., "section"..., "searchInBook" (when not 0),
// "sort" (always).
struct FullTextSearchKeys
{
    QString query;
    bool exactMatch = false;
    bool accountOfDiacritics = false;
    std::vector<int> categoryIds;
    std::vector<int> bookIds;
    QStringList sectionCodes;
    int searchInBook = 0;
};

// WBWSearch: "original", "translation" (when not empty), "originalChoise"
// (lower-cased key name, when not 0), "category"..., "book"...,
// "section".... In the two texts a "+" arriving in a URL reads as a space,
// as in a form; a literal "+" is written percent-encoded and so survives.
struct WordByWordSearchKeys
{
    QString original;
    QString translation;
    TarnolixConstants::OriginalChoise originalChoise = TarnolixConstants::InvalidOriginalChoise;
    std::vector<int> categoryIds;
    std::vector<int> bookIds;
    QStringList sectionCodes;
};

// GlossarySearch: "query" (when not empty), "category"..., "glossary"....
struct GlossarySearchKeys
{
    QString query;
    std::vector<int> categoryIds;
    std::vector<int> glossaryIds;
};

// FavoritesSearch: "query", when the record holds a text and it is not
// empty. Read back, a missing "query" leaves the text unset.
struct FavoritesSearchKeys
{
    std::optional<QString> text;
};

template <typename Keys>
struct SearchUrlFamily
{
    // The keys of `settings`; nothing when the record is not of this family.
    std::function<std::optional<Keys>(const SearchSettings& settings)> keysOf;
    // A new record of this family holding `keys`, in `language`.
    std::function<SearchSettingsPtr(const Keys& keys, TarnolixConstants::Language language)> settingsFrom;

    bool isEmpty() const { return !keysOf || !settingsFrom; }
};

// The one registration point of each family.
void registerFullTextSearchUrls(SearchUrlFamily<FullTextSearchKeys> family);
void registerWordByWordSearchUrls(SearchUrlFamily<WordByWordSearchKeys> family);
void registerGlossarySearchUrls(SearchUrlFamily<GlossarySearchKeys> family);
void registerFavoritesSearchUrls(SearchUrlFamily<FavoritesSearchKeys> family);

namespace searchurl {

// The request kind of a search type (FullText 7, WordByWord 9,
// GlossarySearch 10, FavoritesSearch 15); InvalidQuery for any other value.
UrlCreator::QueryType queryTypeOfSearchType(TarnolixConstants::SearchType type);

// The booleans of search keys: "true" and "false" in any letter case, else
// true for a decimal integer above 0; anything else is false.
bool boolFromValue(const QString& value);

// A value as QUrlQuery must be given it so that it reads back unchanged:
// QUrlQuery takes "%" followed by two hex digits as already encoded. With
// `formText`, a "+" is written encoded too (see WordByWordSearchKeys).
QString encodeValue(const QString& value, bool formText = false);
// A value from QUrlQuery's fully encoded form; with `formText` a literal
// "+" reads as a space first.
QString decodeValue(const QString& encoded, bool formText = false);

// The keys of a search request kind (7, 9, 10 or 15) appended to `query`.
// Missing settings, settings of another family or an unregistered family
// add nothing and log "toUrl: cast search settings error" ("(2)", "(3)",
// "(4)" for the word-by-word, glossary and favorites kinds).
void writeKeys(UrlCreator::QueryType queryType, const SearchSettings* settings, QUrlQuery& query);

// A new record of the kind's family from the query's items, in their fully
// encoded form (repeated keys in order, unknown keys ignored), with
// `language`. Null when the family is not registered or made none.
SearchSettingsPtr readKeys(UrlCreator::QueryType queryType, const QList<QPair<QString, QString>>& encodedItems,
                           TarnolixConstants::Language language);

} // namespace searchurl
