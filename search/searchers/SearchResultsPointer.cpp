#include "search/searchers/SearchResultsPointer.h"

#include "pages/PageServices.h"
#include "search/searchers/HiddenSearchResults.h"
#include "search/searchers/SearchRecords.h"

#include <exception>

namespace tarnolix {

namespace {

// A stretch of at least this many hidden hits after a hidden one is stepped
// over in one go.
constexpr std::size_t kSkipRun = 50;

void reportError(const char* where, const QString& text)
{
    qWarning("SearchResultsPointer::%s: %s", where, qUtf8Printable(text));
    if (PageServices* services = PageServices::current())
        services->showError(text);
}

} // namespace

SearchResultsPointer::SearchResultsPointer(bool queueSkipped, QObject* parent)
    : QObject(parent)
    , m_queueSkipped(queueSkipped)
{
}

SearchResultsPointer::~SearchResultsPointer() = default;

void SearchResultsPointer::setResults(std::shared_ptr<SearchResults2> results,
                                      std::shared_ptr<HiddenSearchResults> hidden)
{
    const auto* books = dynamic_cast<const BooksSearchResults*>(results.get());
    const auto type = results ? results->searchType() : TarnolixConstants::InvalidSearchType;
    if (books && (type == TarnolixConstants::FullText || type == TarnolixConstants::WordByWord)) {
        m_items = books->items() ? books->items() : std::make_shared<SRItemsContainer>();
    } else {
        m_items = std::make_shared<SRItemsContainer>();
        qWarning("FATAL ERROR 0x81741275");
    }
    m_results = std::move(results);
    m_hidden = std::move(hidden);
    m_hasPreviousCached = m_hasPreviousValid = m_hasNextCached = m_hasNextValid = false;
    m_position = 0;
    m_pending.clear();
    m_pendingIds.clear();
    emit changed();
}

void SearchResultsPointer::clear()
{
    m_results.reset();
    m_items.reset();
    m_hidden.reset();
    m_hasPreviousCached = m_hasPreviousValid = m_hasNextCached = m_hasNextValid = false;
    m_position = kNoItem;
    m_pending.clear();
    m_pendingIds.clear();
    emit changed();
}

bool SearchResultsPointer::seek(uint32_t itemId)
{
    if (!m_items)
        return false;
    const int index = m_items->indexOf(itemId);
    const auto& items = m_items->items();
    uint64_t position = kNoItem;
    if (index < 0)
        qWarning("SearchResultsPointer::seek: srItem not found!");
    else if (std::size_t(index) >= items.size())
        qWarning("SearchResultsPointer::seek: Invalid index!");
    else if (!items[std::size_t(index)] || items[std::size_t(index)]->id() != itemId)
        qWarning("SearchResultsPointer::seek: ERROR 0x88752135");
    else
        position = uint64_t(index) + 1;
    if (position != m_position) {
        m_position = position;
        // The answers held were for the old place.
        invalidate();
        emit changed();
    }
    return true;
}

QString SearchResultsPointer::getNextUrl(int tabId)
{
    const uint64_t before = m_position;
    const std::size_t queued = m_pending.size();
    QString url;
    try {
        for (ItemPtr item = nextItem(); item; item = nextItem()) {
            if (!isHidden(*item)) {
                url = item->update(tabId);
                break;
            }
        }
    } catch (const std::exception& e) {
        reportError("getNextUrl", QString::fromUtf8(e.what()));
        url.clear();
    } catch (...) {
        reportError("getNextUrl", QStringLiteral("unknown error"));
        url.clear();
    }
    // The buttons read their state again after a move.
    if (m_position != before || m_pending.size() != queued)
        emit changed();
    return url;
}

QString SearchResultsPointer::getPreviousUrl(int tabId)
{
    try {
        if (const ItemPtr item = previousItem())
            return item->update(tabId);
    } catch (const std::exception& e) {
        reportError("getPreviousUrl", QString::fromUtf8(e.what()));
    } catch (...) {
        reportError("getPreviousUrl", QStringLiteral("unknown error"));
    }
    return QString();
}

SearchResultsPointer::ItemPtr SearchResultsPointer::next()
{
    const uint64_t before = m_position;
    const std::size_t queued = m_pending.size();
    ItemPtr item = nextItem();
    if (m_position != before || m_pending.size() != queued)
        emit changed();
    return item;
}

void SearchResultsPointer::hiddenChanged()
{
    invalidate();
    emit changed();
}

SearchResultsPointer::ItemPtr SearchResultsPointer::nextItem()
{
    if (!m_items)
        return nullptr;
    const auto& items = m_items->items();
    if (!m_queueSkipped) {
        if (m_position >= items.size())
            return nullptr;
        invalidate();
        return items[std::size_t(m_position++)];
    }

    // A queued hit shown again since, and everything queued before it.
    ItemPtr candidate;
    for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
        if (!isHidden(**it)) {
            candidate = *it;
            m_pending.erase(m_pending.begin(), it + 1);
            m_pendingIds.clear();
            // The answers held counted it.
            invalidate();
            break;
        }
    }
    if (m_position >= items.size())
        return candidate;

    invalidate();
    ItemPtr item = items[std::size_t(m_position++)];
    if (!isHidden(*item))
        return item;

    // m_position is the index of the hit after `item`.
    const std::size_t next = std::size_t(m_position);
    if (items.size() - next < kSkipRun)
        return item;
    for (std::size_t i = next; i < next + kSkipRun; ++i) {
        if (!isHidden(*items[i]))
            return item;
    }
    m_pending.push_back(std::move(item));
    m_pendingIds.clear();
    while (m_position < items.size()) {
        ItemPtr following = items[std::size_t(m_position++)];
        if (!isHidden(*following))
            return following;
        m_pending.push_back(std::move(following));
    }
    return nullptr;
}

SearchResultsPointer::ItemPtr SearchResultsPointer::previousItem()
{
    if (!m_items)
        return nullptr;
    fillPendingIds();
    const auto& items = m_items->items();
    const uint64_t current = m_position - 1;
    if (current >= items.size())
        return nullptr;
    invalidate();
    if (current == 0)
        return nullptr;
    for (uint64_t index = current; index-- > 0;) {
        const ItemPtr& item = items[std::size_t(index)];
        if (m_pendingIds.count(item->id()) == 0 && !isHidden(*item)) {
            m_position = index + 1;
            emit changed();
            return item;
        }
    }
    return nullptr;
}

bool SearchResultsPointer::hasNext() const
{
    if (!m_items)
        return false;
    if (m_hasNextValid)
        return m_hasNextCached;
    m_hasNextValid = true;
    m_hasNextCached = false;
    for (const ItemPtr& item : m_pending) {
        if (!isHidden(*item)) {
            m_hasNextCached = true;
            return true;
        }
    }
    const auto& items = m_items->items();
    for (uint64_t index = m_position; index < items.size(); ++index) {
        if (!isHidden(*items[std::size_t(index)])) {
            m_hasNextCached = true;
            break;
        }
    }
    return m_hasNextCached;
}

bool SearchResultsPointer::hasPrevious() const
{
    if (!m_items)
        return false;
    if (m_hasPreviousValid)
        return m_hasPreviousCached;
    fillPendingIds();
    m_hasPreviousValid = true;
    m_hasPreviousCached = false;
    const auto& items = m_items->items();
    const uint64_t current = m_position - 1;
    if (current >= items.size())
        return false;
    for (uint64_t index = current; index-- > 0;) {
        const ItemPtr& item = items[std::size_t(index)];
        if (m_pendingIds.count(item->id()) == 0 && !isHidden(*item)) {
            m_hasPreviousCached = true;
            break;
        }
    }
    return m_hasPreviousCached;
}

std::vector<uint32_t> SearchResultsPointer::queuedIds() const
{
    std::vector<uint32_t> ids;
    ids.reserve(m_pending.size());
    for (const ItemPtr& item : m_pending)
        ids.push_back(item->id());
    return ids;
}

bool SearchResultsPointer::isHidden(const SRItem& item) const
{
    if (!m_hidden)
        return false;
    // Hit ids are document numbers and fit; a larger one reads as an id
    // beyond the mask.
    return m_hidden->bitMaskTest(item.id() > uint32_t(INT32_MAX) ? -1 : int32_t(item.id()));
}

void SearchResultsPointer::fillPendingIds() const
{
    if (!m_pendingIds.empty())
        return;
    for (const ItemPtr& item : m_pending)
        m_pendingIds.insert(item->id());
}

void SearchResultsPointer::invalidate() const
{
    m_hasPreviousValid = false;
    m_hasNextValid = false;
}

} // namespace tarnolix
