#pragma once
// The previous-hit and next-hit buttons of a tab's search field: walks the
// hits of one full-text or word-by-word result set in result order, skips
// the hits the reader has hidden and answers the page address of the
// previous or next visible hit. Opening a hit from the result tree moves it
// there with seek.
//
// A long stretch of hidden hits is stepped over in one go; the hits passed
// are queued, so that stepping back does not stop on one of them that was
// shown again meanwhile (it comes again once the walk reaches the end).
// GUI thread only.

#include <QObject>
#include <QString>

#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_set>

namespace tarnolix {

class HiddenSearchResults;
class SRItem;
class SRItemsContainer;
class SearchResults2;

class SearchResultsPointer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool hasPrevious READ hasPrevious NOTIFY changed)
    Q_PROPERTY(bool hasNext READ hasNext NOTIFY changed)

public:
    // With queueSkipped, long stretches of hidden hits are queued as above;
    // without, every step takes the next hit.
    explicit SearchResultsPointer(bool queueSkipped, QObject* parent = nullptr);
    ~SearchResultsPointer() override;

    // Walks `results` from before its first hit; results of another family
    // (or none) give nothing to walk. A null mask hides nothing.
    void setResults(std::shared_ptr<SearchResults2> results, std::shared_ptr<HiddenSearchResults> hidden);
    void clear();
    // Makes hit `itemId` the current one; an id that is not among the hits
    // leaves no current hit. False only when there is nothing to walk.
    bool seek(uint32_t itemId);

    Q_INVOKABLE QString getPreviousUrl(int tabId);
    Q_INVOKABLE QString getNextUrl(int tabId);

    bool hasPrevious() const;
    bool hasNext() const;

    // The next hit for a results page that shows hidden hits too: the walk
    // of getNextUrl without skipping short hidden stretches; null at the end.
    std::shared_ptr<SRItem> next();
    // The mask was changed: the answers held are read again.
    void hiddenChanged();

    // The ids of the hidden hits stepped over and queued, oldest first.
    std::vector<uint32_t> queuedIds() const;

signals:
    void changed();

private:
    using ItemPtr = std::shared_ptr<SRItem>;

    static constexpr uint64_t kNoItem = ~uint64_t(0);

    ItemPtr nextItem();
    ItemPtr previousItem();
    bool isHidden(const SRItem& item) const;
    void fillPendingIds() const;
    void invalidate() const;

    const bool m_queueSkipped;
    std::shared_ptr<SearchResults2> m_results;
    std::shared_ptr<SRItemsContainer> m_items;
    std::shared_ptr<HiddenSearchResults> m_hidden;
    // The current hit's index plus one: 0 before the first, kNoItem none.
    uint64_t m_position = kNoItem;
    mutable bool m_hasPreviousCached = false;
    mutable bool m_hasPreviousValid = false;
    mutable bool m_hasNextCached = false;
    mutable bool m_hasNextValid = false;
    std::deque<ItemPtr> m_pending;
    // The ids of m_pending, filled from it when needed while empty.
    mutable std::unordered_set<uint32_t> m_pendingIds;
};

} // namespace tarnolix
