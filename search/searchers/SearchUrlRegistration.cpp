#include "search/searchers/SearchUrlRegistration.h"

#include "pages/SearchUrlFamilies.h"
#include "search/searchers/FTSearchRecords.h"
#include "search/searchers/FavoritesSearchRecords.h"
#include "search/searchers/GlossarySearchRecords.h"
#include "search/searchers/WBWSearchRecords.h"

namespace tarnolix {

namespace {

SearchUrlFamily<FullTextSearchKeys> fullTextFamily()
{
    SearchUrlFamily<FullTextSearchKeys> family;
    family.keysOf = [](const SearchSettings& settings) -> std::optional<FullTextSearchKeys> {
        const auto* fullText = dynamic_cast<const FTSearchSettings*>(&settings);
        if (!fullText)
            return std::nullopt;
        FullTextSearchKeys keys;
        keys.query = fullText->query();
        keys.exactMatch = fullText->fieldName().exactMatch();
        keys.accountOfDiacritics = fullText->fieldName().accountOfDiacritics();
        keys.categoryIds = fullText->categories();
        keys.bookIds = fullText->books();
        keys.sectionCodes = fullText->sections();
        keys.searchInBook = fullText->searchInBook();
        return keys;
    };
    family.settingsFrom = [](const FullTextSearchKeys& keys, TarnolixConstants::Language language) {
        auto settings = std::make_shared<FTSearchSettings>(language);
        settings->setQuery(keys.query);
        FTFieldName fieldName = settings->fieldName();
        fieldName.setExactMatch(keys.exactMatch);
        fieldName.setAccountOfDiacritics(keys.accountOfDiacritics);
        settings->setFieldName(fieldName);
        settings->setCategories(keys.categoryIds);
        settings->setBooks(keys.bookIds);
        settings->setSections(keys.sectionCodes);
        settings->setSearchInBook(keys.searchInBook);
        return settings;
    };
    return family;
}

SearchUrlFamily<WordByWordSearchKeys> wordByWordFamily()
{
    SearchUrlFamily<WordByWordSearchKeys> family;
    family.keysOf = [](const SearchSettings& settings) -> std::optional<WordByWordSearchKeys> {
        const auto* wordByWord = dynamic_cast<const WBWSearchSettings*>(&settings);
        if (!wordByWord)
            return std::nullopt;
        WordByWordSearchKeys keys;
        keys.original = wordByWord->originalQuery();
        keys.translation = wordByWord->translationQuery();
        keys.originalChoise = wordByWord->originalChoise();
        keys.categoryIds = wordByWord->categories();
        keys.bookIds = wordByWord->books();
        keys.sectionCodes = wordByWord->sections();
        return keys;
    };
    family.settingsFrom = [](const WordByWordSearchKeys& keys, TarnolixConstants::Language language) {
        auto settings = std::make_shared<WBWSearchSettings>(language);
        settings->setOriginalQuery(keys.original);
        settings->setTranslationQuery(keys.translation);
        settings->setOriginalChoise(keys.originalChoise);
        settings->setCategories(keys.categoryIds);
        settings->setBooks(keys.bookIds);
        settings->setSections(keys.sectionCodes);
        return settings;
    };
    return family;
}

SearchUrlFamily<GlossarySearchKeys> glossaryFamily()
{
    SearchUrlFamily<GlossarySearchKeys> family;
    family.keysOf = [](const SearchSettings& settings) -> std::optional<GlossarySearchKeys> {
        const auto* glossary = dynamic_cast<const GlossarySearchSettings*>(&settings);
        if (!glossary)
            return std::nullopt;
        return GlossarySearchKeys{glossary->query(), glossary->categories(), glossary->glossaries()};
    };
    family.settingsFrom = [](const GlossarySearchKeys& keys, TarnolixConstants::Language language) {
        auto settings = std::make_shared<GlossarySearchSettings>(language);
        settings->setQuery(keys.query);
        settings->setCategories(keys.categoryIds);
        settings->setGlossaries(keys.glossaryIds);
        return settings;
    };
    return family;
}

SearchUrlFamily<FavoritesSearchKeys> favoritesFamily()
{
    SearchUrlFamily<FavoritesSearchKeys> family;
    family.keysOf = [](const SearchSettings& settings) -> std::optional<FavoritesSearchKeys> {
        const auto* favorites = dynamic_cast<const FavoritesSearchSettings*>(&settings);
        if (!favorites)
            return std::nullopt;
        return FavoritesSearchKeys{favorites->text()};
    };
    family.settingsFrom = [](const FavoritesSearchKeys& keys, TarnolixConstants::Language language) {
        auto settings = std::make_shared<FavoritesSearchSettings>();
        settings->setLanguage(language);
        if (keys.text)
            settings->setText(*keys.text);
        return settings;
    };
    return family;
}

} // namespace

void registerSearchUrlFamilies()
{
    registerFullTextSearchUrls(fullTextFamily());
    registerWordByWordSearchUrls(wordByWordFamily());
    registerGlossarySearchUrls(glossaryFamily());
    registerFavoritesSearchUrls(favoritesFamily());
}

} // namespace tarnolix
