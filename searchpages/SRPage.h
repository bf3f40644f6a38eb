#pragma once
// The rendered state of a full-text results page: the priority blocks the
// search found and the result items shown so far, each kept as HTML and as
// UTF-8, so that serving the page again costs only concatenation. A page
// kind keeps it in an SRPageState while the reader is away from the results.

#include "searchpages/SRHighlighting.h"
#include "search/searchers/FTSearchRecords.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

namespace tarnolix {
class HiddenSearchResults;
} // namespace tarnolix

struct AuthorMatchElement
{
    quint32 tabId = 0;
    // The language whose names the block shows.
    TarnolixConstants::Language language = TarnolixConstants::InvalidLanguage;
    std::shared_ptr<tarnolix::AuthorMatch> match;
};

struct BookNameMatchElement
{
    std::shared_ptr<tarnolix::BookNameMatch> match;
};

struct ShortNameMatchElement
{
    std::shared_ptr<tarnolix::ShortNameMatch> match;
};

// An element with its HTML; the UTF-8 copy is made when first written.
template <class Element>
struct RenderedElement
{
    std::shared_ptr<Element> element;
    QString html;
    QByteArray utf8;

    const QByteArray& bytes()
    {
        if (utf8.isEmpty() && !html.isEmpty())
            utf8 = html.toUtf8();
        return utf8;
    }
};

class SRPage
{
public:
    using AuthorList = std::vector<RenderedElement<AuthorMatchElement>>;
    using BookNameList = std::vector<RenderedElement<BookNameMatchElement>>;
    using ShortNameList = std::vector<RenderedElement<ShortNameMatchElement>>;
    using ItemList = std::vector<RenderedElement<SRElement>>;

    // The priority blocks of `results` (none unless they are full-text
    // results), for links of tab `tabId`; no items yet.
    SRPage(std::shared_ptr<const HTMLCreator> creator, quint32 tabId,
           const std::shared_ptr<tarnolix::SearchResults2>& results);
    // `saved` rendered again for tab `tabId`: the same records, every link
    // and hidden flag made anew (`hidden` may be null: nothing hidden).
    SRPage(const SRPage& saved, quint32 tabId, const std::shared_ptr<tarnolix::HiddenSearchResults>& hidden);

    static std::shared_ptr<SRPage> create(std::shared_ptr<const HTMLCreator> creator, quint32 tabId,
                                          const std::shared_ptr<tarnolix::SearchResults2>& results);

    // Renders one result item and appends it; the returned element's HTML is
    // what the open page appends.
    const RenderedElement<SRElement>& appendItem(const std::shared_ptr<tarnolix::SRItem>& item, bool hidden);

    const std::shared_ptr<const HTMLCreator>& creator() const { return m_creator; }
    const HTMLCreatorSRSettingsPtr& settings() const { return m_settings; }
    quint32 tabId() const { return m_settings->tabId; }
    AuthorList& authorMatches() { return m_authorMatches; }
    BookNameList& bookNameMatches() { return m_bookNameMatches; }
    ShortNameList& shortNameMatches() { return m_shortNameMatches; }
    ItemList& items() { return m_items; }
    const ItemList& items() const { return m_items; }

private:
    std::shared_ptr<const HTMLCreator> m_creator;
    HTMLCreatorSRSettingsPtr m_settings;
    AuthorList m_authorMatches;
    BookNameList m_bookNameMatches;
    ShortNameList m_shortNameMatches;
    ItemList m_items;
};

using SRPagePtr = std::shared_ptr<SRPage>;

// What the full-text search data keeps of its results page.
struct SRPageState
{
    SRPagePtr page;
    SRPagePtr savedPage;
    QString focusElementId;
    int focusOffset = 0;
};

void searchPageStateInit(SRPageState& state);
void searchPageStateClear(SRPageState& state);
bool searchPageStateIsEmpty(const SRPageState& state);
bool hasSavedPage(const SRPageState& state);
// `to` keeps `from`'s current page as its saved page, with the focus; its
// own current page is released.
void searchPageStateAssign(const SRPageState& from, SRPageState& to);
// The current page, else the saved one; throws Exception "ERROR 0x55412365"
// with neither.
const SRPagePtr& searchPageStateCurrentPage(const SRPageState& state);
// The saved page rendered again for tab `tabId` becomes the current page;
// the saved page is released. Throws Exception "ERROR 0x55412365" without a
// saved page.
void searchPageStateNewPage(SRPageState& state, quint32 tabId, const std::shared_ptr<tarnolix::HiddenSearchResults>& hidden);
// The current page rendered again for its own tab with `hidden`: the reader
// may have hidden or shown hits since its items were written, and the page
// served again must show what the mask says. A page still read elsewhere
// keeps its own HTML.
void searchPageStateRenderAgain(SRPageState& state, const std::shared_ptr<tarnolix::HiddenSearchResults>& hidden);
