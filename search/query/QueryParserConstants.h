#pragma once
// Token images of the query parser: the text that names each token kind in
// syntax errors, indexed by kind. Kinds 0-33 are those of the classic Lucene
// grammar; 41 and 42 are our own proximity tokens.

#include <LuceneHeaders.h>

#include <cstddef>

class QueryParserConstants
{
public:
    static constexpr int TokenImageCount = 43;

    // One collection element per array entry, in array order.
    static Lucene::Collection<Lucene::String> makeTokenImage(const wchar_t* const* images, std::size_t count);
    template <std::size_t N>
    static Lucene::Collection<Lucene::String> makeTokenImage(const wchar_t* const (&images)[N])
    {
        return makeTokenImage(images, N);
    }

    // The 43 images; built with the start-up tables, read-only afterwards.
    static const Lucene::Collection<Lucene::String>& tokenImage();
};
