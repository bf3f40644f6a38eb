#include "search/query/QueryParserConstants.h"

#include "core/StartupTables.h"

namespace tarnolix {

namespace {

const wchar_t* const kTokenImages[] = {
    L"<EOF>",
    L"<_NUM_CHAR>",
    L"<_ESCAPED_CHAR>",
    L"<_TERM_START_CHAR>",
    L"<_TERM_CHAR>",
    L"<_WHITESPACE>",
    L"<_QUOTED_CHAR>",
    L"<token of kind 7>",
    L"<AND>",
    L"<OR>",
    L"<NOT>",
    L"\"+\"",
    L"\"-\"",
    L"\"(\"",
    L"\")\"",
    L"\":\"",
    L"\"*\"",
    L"\"^\"",
    L"<QUOTED>",
    L"<TERM>",
    L"<FUZZY_SLOP>",
    L"<PREFIXTERM>",
    L"<WILDTERM>",
    L"\"[\"",
    L"\"{\"",
    L"<NUMBER>",
    L"\"TO\"",
    L"\"]\"",
    L"<RANGEIN_QUOTED>",
    L"<RANGEIN_GOOP>",
    L"\"TO\"",
    L"\"}\"",
    L"<RANGEEX_QUOTED>",
    L"<RANGEEX_GOOP>",
    L"", L"", L"", L"", L"", L"", L"",
    L"<FUZZY_SLOP2>",
    L"<CLEAR_SLOP>",
};
static_assert(sizeof(kTokenImages) / sizeof(kTokenImages[0]) == QueryParserConstants::TokenImageCount);

void buildTokenImage()
{
    QueryParserConstants::tokenImage();
}

// Built with the start-up tables: core cannot name Lucene's types, so this
// library hands its table in. The flag lives in the file that defines
// tokenImage(), so every program that uses the parser links it.
[[maybe_unused]] const bool s_registered = StartupTables::registerBuilder("query token images", &buildTokenImage);

} // namespace

Lucene::Collection<Lucene::String> QueryParserConstants::makeTokenImage(const wchar_t* const* images,
                                                                         std::size_t count)
{
    Lucene::Collection<Lucene::String> collection = Lucene::Collection<Lucene::String>::newInstance();
    for (std::size_t i = 0; i < count; ++i)
        collection.add(Lucene::String(images[i]));
    return collection;
}

const Lucene::Collection<Lucene::String>& QueryParserConstants::tokenImage()
{
    static const Lucene::Collection<Lucene::String> images = makeTokenImage(kTokenImages);
    return images;
}

} // namespace tarnolix
