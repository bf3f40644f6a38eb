#pragma once
// Which hits of a result set the reader has hidden (unchecked in the result
// tree), by hit id. A bit per hit id up to the largest one set so far, plus
// one value for every id beyond them, so that hiding or showing all hits
// costs nothing however many there are.
//
// The mask only grows up to the largest hit id of its results, which its
// owner gives it: a page passing a stray id (negative, or far beyond the
// hits) changes nothing and allocates nothing. Every call takes the mask's
// own lock, so the page generator may read it on its thread while the GUI
// thread changes it.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace tarnolix {

class SearchResults2;

class HiddenSearchResults
{
public:
    // Ids above `maxId` are no hits of the results: setting them does
    // nothing. -1 (no hits) keeps only the value for all ids.
    explicit HiddenSearchResults(int32_t maxId = -1);
    HiddenSearchResults(const HiddenSearchResults&) = delete;
    HiddenSearchResults& operator=(const HiddenSearchResults&) = delete;

    // Becomes a separate copy of `other`: its bits, their count, the value
    // beyond them and its bound. Safe while either mask is in use on
    // another thread.
    void assign(const HiddenSearchResults& other);

    int32_t maxId() const;
    // For an owner that learns its results after making the mask. Bits
    // already stored stay.
    void setMaxId(int32_t maxId);

    // Back to a new mask: nothing stored, nothing hidden.
    void bitMaskInit();
    // Whether hit `id` is hidden; an id beyond the stored bits (a negative
    // one too) reads as all those ids do.
    bool bitMaskTest(int32_t id) const;
    // Hides or shows hit `id`; ids outside 0..maxId are ignored.
    void bitMaskSet(int32_t id, bool hidden);
    // Hides every hit.
    void bitMaskFillAll();
    // Shows every hit; the stored length stays.
    void bitMaskClear();
    // Whether no hit is hidden.
    bool bitMaskIsEmpty() const;

    // The number of stored bits.
    std::size_t length() const;

private:
    void resize(std::size_t length, bool value);

    mutable std::mutex m_mutex;
    // Bit n of word n / 32 at n % 32; bits at or past m_length stay clear.
    std::vector<uint32_t> m_words;
    std::size_t m_length = 0;
    bool m_defaultHidden = false;
    int32_t m_maxId = -1;
};

// The largest hit id of a full-text or word-by-word result set, the bound
// its mask takes; -1 for results without hits or of another family.
int32_t largestHitId(const SearchResults2& results);

} // namespace tarnolix
