#include "search/searchers/SearchUrlRegistration.h"

#include "pages/SearchUrlFamilies.h"
#include "search/searchers/FTSearchRecords.h"
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

} // namespace

void registerBooksSearchUrlFamilies()
{
    registerFullTextSearchUrls(fullTextFamily());
    registerWordByWordSearchUrls(wordByWordFamily());
}

} // namespace tarnolix
