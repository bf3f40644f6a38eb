#pragma once
// The search state of one search: its results and the hits the reader hid,
// plus, for the book searches, the pointer that steps through the visible
// hits and, for full text, the state of the rendered results page. It
// outlives the page that made it: the tab stores it (SearchDataStorage) so
// that coming back from a hit finds the same results, and a tab opened from
// a hit gets a clone. Owned by the parent its creator gives (normally the
// tab); GUI thread only.

#include "core/TarnolixConstants.h"
#include "tabs/SearchRecords.h"

#include <QObject>

class PageSearchData : public QObject
{
    Q_OBJECT
    Q_PROPERTY(TarnolixConstants::SearchType searchType READ searchType CONSTANT)
    Q_PROPERTY(bool hasSearchResults READ hasSearchResults NOTIFY searchResultsChanged)

public:
    explicit PageSearchData(QObject* parent);
    ~PageSearchData() override;

    // The family of the data; a class without a family of its own stops the
    // program (a programming error).
    virtual TarnolixConstants::SearchType searchType() const;
    // Copies this search state into `target` and returns it; the classes of
    // a family make a new object of their own class with `parent` when
    // `target` is null. The two keep separate hidden-hits masks and share
    // the results. Throws Exception "clone must not be null" when no target
    // is given to a class that makes none.
    virtual PageSearchData* clone(QObject* parent, PageSearchData* target) const;

    const SearchResultsPtr& searchResults() const { return m_searchResults; }
    // Emits searchResultsChanged when the results differ from the held ones.
    void setSearchResults(SearchResultsPtr results);
    // Results are held and still hold for the current library.
    bool hasSearchResults() const;

    // Never null; bounded by the largest hit id of the results held.
    const HiddenSearchResultsPtr& hiddenSearchResults() const { return m_hiddenSearchResults; }

signals:
    void searchResultsChanged();

private:
    SearchResultsPtr m_searchResults;
    HiddenSearchResultsPtr m_hiddenSearchResults;
};

// Search data of the searches whose hits lie in books.
class PageBooksSearchData : public PageSearchData
{
    Q_OBJECT
    Q_PROPERTY(tarnolix::SearchResultsPointer* searchResultsPointer READ searchResultsPointer CONSTANT)

public:
    explicit PageBooksSearchData(QObject* parent);

    // The clone's hit pointer follows the clone's own mask, so that hits
    // hidden in the clone's tab are skipped there.
    PageSearchData* clone(QObject* parent, PageSearchData* target) const override;

    // For previous/next hit navigation; a child of this object.
    tarnolix::SearchResultsPointer* searchResultsPointer() const { return m_searchResultsPointer; }

private:
    tarnolix::SearchResultsPointer* m_searchResultsPointer = nullptr;
};

class FTSearchData : public PageBooksSearchData
{
    Q_OBJECT

public:
    explicit FTSearchData(QObject* parent);

    TarnolixConstants::SearchType searchType() const override { return TarnolixConstants::FullText; }
    PageSearchData* clone(QObject* parent, PageSearchData* target) const override;

    // The rendered results page shown now, the one kept for restoring and
    // the focused element.
    const SRPageStatePtr& searchPageState() const { return m_searchPageState; }

private:
    SRPageStatePtr m_searchPageState;
};

class WBWSearchData : public PageBooksSearchData
{
    Q_OBJECT

public:
    explicit WBWSearchData(QObject* parent);

    TarnolixConstants::SearchType searchType() const override { return TarnolixConstants::WordByWord; }
    PageSearchData* clone(QObject* parent, PageSearchData* target) const override;
};

class GlossarySearchData : public PageSearchData
{
    Q_OBJECT

public:
    explicit GlossarySearchData(QObject* parent);

    TarnolixConstants::SearchType searchType() const override { return TarnolixConstants::GlossarySearch; }
    PageSearchData* clone(QObject* parent, PageSearchData* target) const override;
};
