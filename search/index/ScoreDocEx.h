#pragma once
// A hit of the hit queue, with what the hit collector adds to it.

#include "search/index/LuceneClass.h"

#include <cstdint>

namespace tarnolix {

class ScoreDocEx : public Lucene::ScoreDoc
{
public:
    ScoreDocEx(int32_t doc, double score);
    ~ScoreDocEx() override;
    TARNOLIX_LUCENE_CLASS(ScoreDocEx);

    float occurrences = 0;
    int32_t bookId = 0;
    Lucene::DocumentPtr document;
};

} // namespace tarnolix
