#include "search/index/ScoreDocEx.h"

namespace tarnolix {

ScoreDocEx::ScoreDocEx(int32_t doc, double score)
    : Lucene::ScoreDoc(doc, score)
{
}

ScoreDocEx::~ScoreDocEx() = default;

} // namespace tarnolix
