#pragma once
// Token filters of the program's analysis chains.

#include "search/index/HTMLTagsPositions.h"
#include "search/index/LuceneClass.h"

#include <OffsetAttribute.h>
#include <TermAttribute.h>

#include <memory>

namespace tarnolix {

// Drops the tokens that lie inside HTML tags of the analysed text. Dropped
// tokens leave no position gap: the words around a tag stay adjacent.
class SimpleHTMLFilter : public Lucene::TokenFilter
{
public:
    SimpleHTMLFilter(const std::shared_ptr<HTMLTagsPositions>& positions, const Lucene::TokenStreamPtr& input);
    ~SimpleHTMLFilter() override;
    TARNOLIX_LUCENE_CLASS(SimpleHTMLFilter);

    bool incrementToken() override;

private:
    Lucene::TermAttributePtr m_termAtt;
    Lucene::OffsetAttributePtr m_offsetAtt;
    std::shared_ptr<HTMLTagsPositions> m_positions;
};

// Replaces every term by its form without diacritics. The first Cyrillic or
// Latin letter decides the language (English when there is none): Russian
// terms are folded through core's table of the books' private-use letters
// and pass the Russian transform, which also spells Latin letters in
// Cyrillic; all others only lose their marks.
class DiacriticsFilter : public Lucene::TokenFilter
{
public:
    explicit DiacriticsFilter(const Lucene::TokenStreamPtr& input);
    ~DiacriticsFilter() override;
    TARNOLIX_LUCENE_CLASS(DiacriticsFilter);

    bool incrementToken() override;

private:
    Lucene::TermAttributePtr m_termAtt;
    std::wstring m_folded;
};

} // namespace tarnolix
