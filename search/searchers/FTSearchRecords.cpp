#include "search/searchers/FTSearchRecords.h"

#include <algorithm>

namespace tarnolix {

FTSearchSettings::FTSearchSettings(TarnolixConstants::Language language)
    : SearchSettings(language)
{
}

SearchSettingsPtr FTSearchSettings::clone(SearchSettingsPtr target) const
{
    if (!target)
        target = std::make_shared<FTSearchSettings>();
    SearchSettings::clone(target);
    auto& copy = static_cast<FTSearchSettings&>(*target);
    copy.m_query = m_query;
    copy.m_fieldName = m_fieldName;
    static_cast<CatalogLimits&>(copy) = *this;
    copy.m_searchInBook = m_searchInBook;
    return target;
}

int FTSearchSettings::compare(const SearchSettingsConstPtr& other) const
{
    const int base = SearchSettings::compare(other);
    if (base == 1)
        return 1;
    const auto* that = dynamic_cast<const FTSearchSettings*>(other.get());
    if (!that)
        return 1;
    if (m_query != that->m_query || m_searchInBook != that->m_searchInBook || m_fieldName != that->m_fieldName
        || !sameLimits(*that))
        return 1;
    return base;
}

SearchScope FTSearchSettings::scope() const
{
    return SearchScope{categories(), books(), sections(), m_searchInBook};
}

FTSearchStatus::FTSearchStatus(std::shared_ptr<const FTSearchSettings> settings, Lucene::IndexReaderPtr reader)
    : SearchStatus(settings)
    , m_ftSettings(std::move(settings))
    , m_reader(std::move(reader))
{
}

FTSearchStatus::~FTSearchStatus() = default;

std::shared_ptr<FTSearchResults> FTSearchResults::create(std::shared_ptr<SearchStatus> status)
{
    std::shared_ptr<FTSearchResults> results(new FTSearchResults);
    registerResults(results, status);
    return results;
}

bool FTSearchResults::hasBook(unsigned bookId) const
{
    const auto is = [bookId](int id) { return id > 0 && unsigned(id) == bookId; };
    for (const auto& match : m_authorMatches) {
        for (const auto& book : match->books) {
            if (book && is(book->bookId))
                return true;
        }
    }
    for (const auto& match : m_bookNameMatches) {
        if (match->book && is(match->book->id))
            return true;
    }
    for (const auto& match : m_shortNameMatches) {
        if (match->book && is(match->book->id))
            return true;
        if (!match->archiPages)
            continue;
        for (const ArchiBookEdition& edition : match->archiPages->editions) {
            if ((edition.book && is(edition.book->bookId)) || (edition.bookBase && is(edition.bookBase->id)))
                return true;
        }
    }
    return false;
}

std::vector<std::shared_ptr<SRItem>> FTSRSection::items() const
{
    std::size_t count = 0;
    for (const auto& entity : m_entities)
        count += entity->items().size();
    std::vector<std::shared_ptr<SRItem>> all;
    all.reserve(count);
    for (const auto& entity : m_entities)
        all.insert(all.end(), entity->items().begin(), entity->items().end());
    return all;
}

FTSRItem::FTSRItem(std::weak_ptr<SRSection> section, std::weak_ptr<FTSREntity> entity,
                   unsigned long long positionIndex, unsigned id, double score)
    : SRItem(id, std::move(section), score)
    , m_entity(std::move(entity))
    , m_positionIndex(positionIndex)
{
}

} // namespace tarnolix
