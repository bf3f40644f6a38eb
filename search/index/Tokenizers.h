#pragma once
// The tokenizers at the head of every analysis chain. Both keep case and
// report offsets in wide characters (see Utf16Units.h).

#include "search/index/LuceneClass.h"

#include <CharTokenizer.h>

namespace tarnolix {

// Words of prose: letters, digits, private-use letters of the books' fonts,
// and diacritics (a combining acute accent, "^", "·" and the like join a
// word); everything else separates. A character above U+FFFF separates too,
// as each of its two UTF-16 surrogate units would.
class TarnolixTokenizer : public Lucene::CharTokenizer
{
public:
    explicit TarnolixTokenizer(const Lucene::ReaderPtr& input);
    ~TarnolixTokenizer() override;
    TARNOLIX_LUCENE_CLASS(TarnolixTokenizer);

    static bool isWordChar(wchar_t c);

protected:
    bool isTokenChar(wchar_t c) override;
};

// Short names ("Bg 1.2.3-a") split on white space only.
class ShortNameTokenizer : public Lucene::CharTokenizer
{
public:
    explicit ShortNameTokenizer(const Lucene::ReaderPtr& input);
    ~ShortNameTokenizer() override;
    TARNOLIX_LUCENE_CLASS(ShortNameTokenizer);

protected:
    bool isTokenChar(wchar_t c) override;
};

} // namespace tarnolix
