#pragma once
// The texts of the query language's syntax errors, composed piece by piece as
// the classic Lucene parser words them (Lucene++ declares its own helpers but
// does not export them). Texts are UTF-32 here, but every figure and escape
// behaves as in UTF-16: a character above U+FFFF is two units.

#include <LuceneHeaders.h>
#include <QueryParserToken.h>

namespace tarnolix {

class QueryParseError
{
public:
    // Escapes a quoted piece of input for a message: NUL is dropped, control
    // characters get their C escapes, quotes and backslash a backslash, and
    // anything else outside space..tilde becomes \uXXXX (lower-case hex), a
    // character above U+FFFF as its two surrogate units.
    static Lucene::String addEscapes(const Lucene::String& text);

    // The message of a token that no rule matches. curChar is one UTF-16
    // unit (the token manager splits a wider character); errorAfter is the
    // text read for the unmatched token before it.
    static Lucene::String lexicalError(bool eofSeen, int32_t errorLine, int32_t errorColumn,
                                       const Lucene::String& errorAfter, wchar_t curChar);

    // The message of an unexpected token: currentToken is the last token
    // consumed, the unexpected ones follow it through `next`. Each expected
    // sequence lists token kinds; tokenImage names them. Throws
    // IllegalArgumentException when no unexpected token follows.
    static Lucene::String parseError(const Lucene::QueryParserTokenPtr& currentToken,
                                     const Lucene::Collection<Lucene::Collection<int32_t>>& expectedTokenSequences,
                                     const Lucene::Collection<Lucene::String>& tokenImage);

    // UTF-16 helpers for the figures above. A value beyond U+10FFFF is no
    // character: it counts as one unit and is shown as U+FFFD.
    static bool isSupplementary(wchar_t c)
    {
        const auto u = static_cast<uint32_t>(c);
        return u > 0xFFFF && u <= 0x10FFFF;
    }
    static wchar_t highSurrogate(wchar_t c) { return wchar_t(0xD800 + ((uint32_t(c) - 0x10000) >> 10)); }
    static wchar_t lowSurrogate(wchar_t c) { return wchar_t(0xDC00 + ((uint32_t(c) - 0x10000) & 0x3FF)); }
};

} // namespace tarnolix
