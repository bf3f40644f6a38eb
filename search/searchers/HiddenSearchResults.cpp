#include "search/searchers/HiddenSearchResults.h"

#include "search/searchers/SearchRecords.h"

#include <algorithm>
#include <limits>

namespace tarnolix {

namespace {

constexpr std::size_t kWordBits = 32;

std::size_t wordsFor(std::size_t bits)
{
    return (bits + kWordBits - 1) / kWordBits;
}

} // namespace

HiddenSearchResults::HiddenSearchResults(int32_t maxId)
    : m_maxId(maxId)
{
}

void HiddenSearchResults::assign(const HiddenSearchResults& other)
{
    if (&other == this)
        return;
    std::scoped_lock lock(m_mutex, other.m_mutex);
    m_words = other.m_words;
    m_length = other.m_length;
    m_defaultHidden = other.m_defaultHidden;
    m_maxId = other.m_maxId;
}

int32_t HiddenSearchResults::maxId() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_maxId;
}

void HiddenSearchResults::setMaxId(int32_t maxId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_maxId = maxId;
}

void HiddenSearchResults::bitMaskInit()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_words.clear();
    m_length = 0;
    m_defaultHidden = false;
}

bool HiddenSearchResults::bitMaskTest(int32_t id) const
{
    // Widened as unsigned first: a negative id lies beyond any length.
    const auto index = static_cast<uint64_t>(static_cast<int64_t>(id));
    std::lock_guard<std::mutex> lock(m_mutex);
    if (index >= m_length)
        return m_defaultHidden;
    return (m_words[index / kWordBits] >> (index % kWordBits)) & 1u;
}

void HiddenSearchResults::bitMaskSet(int32_t id, bool hidden)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (id < 0 || id > m_maxId)
        return;
    const auto index = static_cast<std::size_t>(id);
    if (index >= m_length) {
        // Beyond the stored bits an id already reads m_defaultHidden.
        if (hidden == m_defaultHidden)
            return;
        resize(index + 1, m_defaultHidden);
    }
    uint32_t& word = m_words[index / kWordBits];
    const uint32_t bit = 1u << (index % kWordBits);
    word = hidden ? (word | bit) : (word & ~bit);
}

void HiddenSearchResults::bitMaskFillAll()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::fill(m_words.begin(), m_words.end(), ~0u);
    if (m_length % kWordBits != 0)
        m_words.back() = (1u << (m_length % kWordBits)) - 1u;
    m_defaultHidden = true;
}

void HiddenSearchResults::bitMaskClear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::fill(m_words.begin(), m_words.end(), 0u);
    m_defaultHidden = false;
}

bool HiddenSearchResults::bitMaskIsEmpty() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_defaultHidden)
        return false;
    return std::all_of(m_words.begin(), m_words.end(), [](uint32_t word) { return word == 0; });
}

std::size_t HiddenSearchResults::length() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_length;
}

void HiddenSearchResults::resize(std::size_t length, bool value)
{
    const std::size_t oldLength = m_length;
    m_words.resize(wordsFor(length), value ? ~0u : 0u);
    if (value && oldLength % kWordBits != 0) {
        // The old last word's free bits were clear; the new bits there read
        // `value` too.
        m_words[oldLength / kWordBits] |= ~((1u << (oldLength % kWordBits)) - 1u);
    }
    if (length % kWordBits != 0)
        m_words.back() &= (1u << (length % kWordBits)) - 1u;
    m_length = length;
}

int32_t largestHitId(const SearchResults2& results)
{
    const auto* books = dynamic_cast<const BooksSearchResults*>(&results);
    if (!books || !books->items())
        return -1;
    int64_t largest = -1;
    for (const auto& item : books->items()->items()) {
        if (item)
            largest = std::max<int64_t>(largest, item->id());
    }
    return static_cast<int32_t>(std::min<int64_t>(largest, std::numeric_limits<int32_t>::max()));
}

} // namespace tarnolix
