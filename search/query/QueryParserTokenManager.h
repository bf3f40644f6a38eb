#pragma once
// The lexer of the query language: the classic Lucene lexical grammar with
// two tokens of our own in the default state, "@" and "/" with an optional
// count (<FUZZY_SLOP2>, <CLEAR_SLOP>); with a fraction after the count, such
// as "@2.5", the whole text is one <FUZZY_SLOP>. "@" and "/" (and NUL) cannot
// begin a term, but stay term characters after its first one.
//
// Each token is the longest match among the kinds of the current lexical
// state, the lowest kind winning a tie, as the generated classic lexer does;
// a text that nothing matches throws QueryParserError with the lexical error
// text. Token columns count UTF-16 units: a character above U+FFFF is two.

#include "search/query/QueryParserConstants.h"

#include <QueryParserCharStream.h>
#include <QueryParserToken.h>

namespace tarnolix {

class QueryParserTokenManager : public QueryParserConstants, public Lucene::LuceneObject
{
public:
    explicit QueryParserTokenManager(const Lucene::QueryParserCharStreamPtr& stream);
    ~QueryParserTokenManager() override;

    using String = Lucene::String; // for the class-name members of LUCENE_CLASS
    LUCENE_CLASS(QueryParserTokenManager);

    // Reads another stream from its start, in the DEFAULT state.
    void ReInit(const Lucene::QueryParserCharStreamPtr& stream);

    // The next token that is not skipped white space; kind 0 at the end.
    Lucene::QueryParserTokenPtr getNextToken();

private:
    struct Match;

    Match match(wchar_t first);
    [[noreturn]] void throwLexicalError(const Match& m);

    Lucene::QueryParserCharStreamPtr m_input;
    int32_t m_lexState = DEFAULT;
    // Characters above U+FFFF before the current token: the stream counts
    // them as one column, UTF-16 as two.
    int32_t m_wideBefore = 0;
};

} // namespace tarnolix
