#include "tabs/PageSearchData.h"

#include "core/Exception.h"

#include <QtGlobal>

#include <utility>

namespace {

// The target of a clone into class T: a new T when none is given.
template <typename T>
T* cloneTarget(QObject* parent, PageSearchData* target)
{
    if (!target)
        return new T(parent);
    auto* typed = qobject_cast<T*>(target);
    if (!typed)
        throw Exception("clone: the target is of another class");
    return typed;
}

// Clones `source` into a T (made when no target is given) through the
// clone of its base class Base.
template <typename T, typename Base>
T* cloneAs(const T& source, QObject* parent, PageSearchData* target)
{
    auto* copy = cloneTarget<T>(parent, target);
    source.Base::clone(parent, copy);
    return copy;
}

} // namespace

PageSearchData::PageSearchData(QObject* parent)
    : QObject(parent)
    , m_hiddenSearchResults(searchrecords::newHiddenSearchResults())
{
}

PageSearchData::~PageSearchData() = default;

TarnolixConstants::SearchType PageSearchData::searchType() const
{
    qFatal("PageSearchData::searchType");
}

PageSearchData* PageSearchData::clone(QObject* parent, PageSearchData* target) const
{
    Q_UNUSED(parent)
    if (!target)
        throw Exception("clone must not be null");
    searchrecords::copyHiddenSearchResults(*m_hiddenSearchResults, *target->m_hiddenSearchResults);
    target->setSearchResults(m_searchResults);
    return target;
}

void PageSearchData::setSearchResults(SearchResultsPtr results)
{
    if (results == m_searchResults)
        return;
    m_searchResults = std::move(results);
    // Hits of the new results may be hidden, stray ids stay ignored.
    searchrecords::boundHiddenSearchResults(*m_hiddenSearchResults, m_searchResults);
    emit searchResultsChanged();
}

bool PageSearchData::hasSearchResults() const
{
    return m_searchResults && searchrecords::resultsStillValid(*m_searchResults);
}

PageBooksSearchData::PageBooksSearchData(QObject* parent)
    : PageSearchData(parent)
    , m_searchResultsPointer(searchrecords::newSearchResultsPointer(this))
{
}

PageSearchData* PageBooksSearchData::clone(QObject* parent, PageSearchData* target) const
{
    // Without a target the base refuses: this class makes none of its own.
    auto* books = target ? cloneTarget<PageBooksSearchData>(parent, target) : nullptr;
    PageSearchData::clone(parent, books);
    searchrecords::attachSearchResultsPointer(*books->m_searchResultsPointer, books->searchResults(),
                                              books->hiddenSearchResults());
    return books;
}

FTSearchData::FTSearchData(QObject* parent)
    : PageBooksSearchData(parent)
    , m_searchPageState(searchrecords::newSRPageState())
{
}

PageSearchData* FTSearchData::clone(QObject* parent, PageSearchData* target) const
{
    auto* copy = cloneAs<FTSearchData, PageBooksSearchData>(*this, parent, target);
    if (m_searchPageState && copy->m_searchPageState)
        searchrecords::assignSearchPageState(*m_searchPageState, *copy->m_searchPageState);
    return copy;
}

WBWSearchData::WBWSearchData(QObject* parent)
    : PageBooksSearchData(parent)
{
}

PageSearchData* WBWSearchData::clone(QObject* parent, PageSearchData* target) const
{
    return cloneAs<WBWSearchData, PageBooksSearchData>(*this, parent, target);
}

GlossarySearchData::GlossarySearchData(QObject* parent)
    : PageSearchData(parent)
{
}

PageSearchData* GlossarySearchData::clone(QObject* parent, PageSearchData* target) const
{
    return cloneAs<GlossarySearchData, PageSearchData>(*this, parent, target);
}
