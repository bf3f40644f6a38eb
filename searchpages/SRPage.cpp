#include "searchpages/SRPage.h"

#include "core/Exception.h"
#include "search/searchers/HiddenSearchResults.h"

namespace {

template <class List, class Render>
void renderAll(List& list, Render render)
{
    for (auto& rendered : list) {
        rendered.html = render(*rendered.element);
        rendered.utf8.clear();
    }
}

} // namespace

SRPage::SRPage(std::shared_ptr<const HTMLCreator> creator, quint32 tabId,
               const std::shared_ptr<tarnolix::SearchResults2>& results)
    : m_creator(std::move(creator))
    , m_settings(makeHTMLCreatorSRSettings(tabId, results))
{
    const auto ft = std::dynamic_pointer_cast<tarnolix::FTSearchResults>(results);
    if (!ft)
        return;
    const auto language = TarnolixConstants::Language(m_settings->language);

    m_authorMatches.reserve(ft->authorMatches().size());
    for (const auto& match : ft->authorMatches()) {
        auto element = std::make_shared<AuthorMatchElement>();
        element->tabId = tabId;
        element->language = language;
        element->match = match;
        QString html = m_creator->getAuthorMatchBlock(*element, tabId);
        m_authorMatches.push_back({std::move(element), std::move(html), {}});
    }
    m_bookNameMatches.reserve(ft->bookNameMatches().size());
    for (const auto& match : ft->bookNameMatches()) {
        auto element = std::make_shared<BookNameMatchElement>();
        element->match = match;
        QString html = m_creator->getBookNameMatchBlock(*element, tabId);
        m_bookNameMatches.push_back({std::move(element), std::move(html), {}});
    }
    m_shortNameMatches.reserve(ft->shortNameMatches().size());
    for (const auto& match : ft->shortNameMatches()) {
        auto element = std::make_shared<ShortNameMatchElement>();
        element->match = match;
        QString html = m_creator->getShortNameMatch(*match, tabId);
        m_shortNameMatches.push_back({std::move(element), std::move(html), {}});
    }
}

SRPage::SRPage(const SRPage& saved, quint32 tabId, const std::shared_ptr<tarnolix::HiddenSearchResults>& hidden)
    : m_creator(saved.m_creator)
    , m_settings(makeHTMLCreatorSRSettings(tabId, saved.m_settings->results))
    , m_authorMatches(saved.m_authorMatches)
    , m_bookNameMatches(saved.m_bookNameMatches)
    , m_shortNameMatches(saved.m_shortNameMatches)
    , m_items(saved.m_items)
{
    const HTMLCreator& creator = *m_creator;
    renderAll(m_authorMatches, [&](AuthorMatchElement& element) {
        element.tabId = tabId;
        return creator.getAuthorMatchBlock(element, tabId);
    });
    renderAll(m_bookNameMatches,
              [&](const BookNameMatchElement& element) { return creator.getBookNameMatchBlock(element, tabId); });
    renderAll(m_shortNameMatches,
              [&](const ShortNameMatchElement& element) { return creator.getShortNameMatch(*element.match, tabId); });
    renderAll(m_items, [&](SRElement& element) {
        const std::shared_ptr<tarnolix::SRItem> item(element.item);
        element.hidden = hidden && hidden->bitMaskTest(int32_t(item->id()));
        return creator.getSearchItem(element, tabId);
    });
}

std::shared_ptr<SRPage> SRPage::create(std::shared_ptr<const HTMLCreator> creator, quint32 tabId,
                                       const std::shared_ptr<tarnolix::SearchResults2>& results)
{
    return std::make_shared<SRPage>(std::move(creator), tabId, results);
}

const RenderedElement<SRElement>& SRPage::appendItem(const std::shared_ptr<tarnolix::SRItem>& item, bool hidden)
{
    std::shared_ptr<SRElement> element = m_creator->createSRElement(item, *m_settings);
    element->hidden = hidden;
    QString html = m_creator->getSearchItem(*element, m_settings->tabId);
    m_items.push_back({std::move(element), std::move(html), {}});
    return m_items.back();
}

void searchPageStateInit(SRPageState& state)
{
    state = SRPageState();
}

void searchPageStateClear(SRPageState& state)
{
    state.page.reset();
    state.savedPage.reset();
    state.focusElementId.clear();
    state.focusOffset = 0;
}

bool searchPageStateIsEmpty(const SRPageState& state)
{
    return !state.page && !state.savedPage && state.focusElementId.isEmpty() && state.focusOffset == 0;
}

bool hasSavedPage(const SRPageState& state)
{
    return state.savedPage != nullptr;
}

void searchPageStateAssign(const SRPageState& from, SRPageState& to)
{
    to.savedPage = from.page;
    to.focusElementId = from.focusElementId;
    to.focusOffset = from.focusOffset;
    to.page.reset();
}

const SRPagePtr& searchPageStateCurrentPage(const SRPageState& state)
{
    if (state.page)
        return state.page;
    if (state.savedPage)
        return state.savedPage;
    throw Exception("ERROR 0x55412365");
}

void searchPageStateNewPage(SRPageState& state, quint32 tabId, const std::shared_ptr<tarnolix::HiddenSearchResults>& hidden)
{
    if (!state.savedPage)
        throw Exception("ERROR 0x55412365");
    state.page = std::make_shared<SRPage>(*state.savedPage, tabId, hidden);
    state.savedPage.reset();
}

void searchPageStateRenderAgain(SRPageState& state, const std::shared_ptr<tarnolix::HiddenSearchResults>& hidden)
{
    // The element records are shared with pages made from this one, whose
    // re-creation rewrote their hidden flags: only the HTML tells what a
    // page shows, so every item is written again.
    if (state.page)
        state.page = std::make_shared<SRPage>(*state.page, state.page->tabId(), hidden);
}
