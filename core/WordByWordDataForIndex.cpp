#include "core/WordByWordDataForIndex.h"

void WordByWordDataForIndex::merge(const PairsBySection& other)
{
    for (auto it = other.cbegin(); it != other.cend(); ++it) {
        WordPairs& target = pairs[it.key()];
        target.insert(target.end(), it.value().begin(), it.value().end());
    }
}

int WordByWordDataForIndex::pairCount() const
{
    int n = 0;
    for (const WordPairs& list : pairs)
        n += int(list.size());
    return n;
}
