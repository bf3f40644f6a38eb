#pragma once
// Lexes a whole text with a token manager (ours or the stock one) into
// comparable records.

#include "search/query/QueryParseError.h"

#include <FastCharStream.h>
#include <LuceneHeaders.h>
#include <QueryParserToken.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace tarnolix::test {

struct LexedToken
{
    int32_t kind = 0;
    std::wstring image;
    int32_t beginLine = 0;
    int32_t beginColumn = 0;
    int32_t endLine = 0;
    int32_t endColumn = 0;

    bool operator==(const LexedToken& o) const
    {
        return kind == o.kind && image == o.image && beginLine == o.beginLine && beginColumn == o.beginColumn
            && endLine == o.endLine && endColumn == o.endColumn;
    }
};

// The tokens up to the end token or the lexical error, and that error's text.
struct Lexed
{
    std::vector<LexedToken> tokens;
    std::wstring error;

    bool operator==(const Lexed& o) const { return tokens == o.tokens && error == o.error; }
};

inline std::string printable(const std::wstring& text)
{
    const std::wstring escaped = tarnolix::QueryParseError::addEscapes(text);
    return std::string(escaped.begin(), escaped.end());
}

inline void PrintTo(const LexedToken& t, std::ostream* os)
{
    *os << t.kind << " \"" << printable(t.image) << "\" " << t.beginLine << ':' << t.beginColumn << '-' << t.endLine
        << ':' << t.endColumn;
}

inline void PrintTo(const Lexed& l, std::ostream* os)
{
    for (const LexedToken& t : l.tokens) {
        PrintTo(t, os);
        *os << "; ";
    }
    if (!l.error.empty())
        *os << "error: " << printable(l.error);
}

inline Lucene::QueryParserCharStreamPtr charStream(const std::wstring& text)
{
    return Lucene::newLucene<Lucene::FastCharStream>(Lucene::newLucene<Lucene::StringReader>(text));
}

template <class Manager>
Lexed lexTokens(const boost::shared_ptr<Manager>& manager, const std::wstring& text)
{
    Lexed lexed;
    try {
        // Every token takes at least one character, so more than that is a
        // lexer that no longer advances.
        for (std::size_t i = 0; i <= text.size(); ++i) {
            const Lucene::QueryParserTokenPtr t = manager->getNextToken();
            lexed.tokens.push_back({t->kind, t->image, t->beginLine, t->beginColumn, t->endLine, t->endColumn});
            if (t->kind == 0)
                return lexed;
        }
        ADD_FAILURE() << "no end token for \"" << printable(text) << '"';
    } catch (const Lucene::QueryParserError& e) {
        lexed.error = e.getError();
    }
    return lexed;
}

template <class Manager>
Lexed lexAll(const std::wstring& text)
{
    return lexTokens(Lucene::newLucene<Manager>(charStream(text)), text);
}

} // namespace tarnolix::test
