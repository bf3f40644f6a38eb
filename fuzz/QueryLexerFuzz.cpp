// Feeds arbitrary text to the query lexer. Byte 0 picks whether the rest is
// UTF-8 or raw 32-bit code points (so that lone surrogates and characters
// above U+FFFF appear anywhere). The lexer must reach the end token or a
// lexical error, every token taking at least one character, in order; on a
// text without "@", "/", NUL or characters above U+FFFF, where our grammar
// and the classic one agree, the stock Lucene++ token manager must give the
// same tokens, positions and error text.
#include "search/query/QueryParserTokenManager.h"

#include "search/query/QueryParseError.h"

#include "fuzz/FuzzSupport.h"

#include <FastCharStream.h>
#include <LuceneHeaders.h>
#include <QueryParserTokenManager.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using fuzz::check;

struct Lexed
{
    struct Token
    {
        int32_t kind;
        std::wstring image;
        int32_t beginLine, beginColumn, endLine, endColumn;

        bool operator==(const Token& o) const
        {
            return kind == o.kind && image == o.image && beginLine == o.beginLine && beginColumn == o.beginColumn
                && endLine == o.endLine && endColumn == o.endColumn;
        }
    };
    std::vector<Token> tokens;
    std::wstring error;
    bool ended = false;

    bool operator==(const Lexed& o) const { return tokens == o.tokens && error == o.error && ended == o.ended; }
};

Lucene::QueryParserCharStreamPtr charStream(const std::wstring& text)
{
    return Lucene::newLucene<Lucene::FastCharStream>(Lucene::newLucene<Lucene::StringReader>(text));
}

template <class Manager>
Lexed lex(const boost::shared_ptr<Manager>& manager, const std::wstring& text)
{
    Lexed lexed;
    try {
        // Every token but the end takes a character: more tokens than
        // characters means a lexer that no longer advances.
        for (std::size_t i = 0; i <= text.size(); ++i) {
            const Lucene::QueryParserTokenPtr t = manager->getNextToken();
            lexed.tokens.push_back({t->kind, t->image, t->beginLine, t->beginColumn, t->endLine, t->endColumn});
            if (t->kind == 0) {
                lexed.ended = true;
                break;
            }
        }
    } catch (const Lucene::QueryParserError& e) {
        lexed.error = e.getError();
    }
    return lexed;
}

std::wstring decode(const std::uint8_t* data, std::size_t size, bool raw)
{
    std::wstring text;
    if (raw) {
        for (std::size_t i = 0; i + 4 <= size; i += 4) {
            std::uint32_t unit;
            std::memcpy(&unit, data + i, 4);
            // What a QString can hand over: any code point or lone surrogate.
            text += wchar_t(unit % 0x110000);
        }
    } else {
        text = Lucene::StringUtils::toUnicode(data, int32_t(size));
    }
    return text;
}

bool classic(const std::wstring& text)
{
    for (const wchar_t c : text) {
        if (c == L'@' || c == L'/' || c == L'\0' || std::uint32_t(c) > 0xFFFF)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::wstring text = decode(data + 1, size - 1, data[0] & 1);

    const Lexed ours = lex(Lucene::newLucene<tarnolix::QueryParserTokenManager>(charStream(text)), text);
    check(ours.ended != !ours.error.empty());
    for (std::size_t i = 0; i < ours.tokens.size(); ++i) {
        const Lexed::Token& t = ours.tokens[i];
        check(t.kind >= 0 && t.kind < tarnolix::QueryParserConstants::TokenImageCount);
        check((t.kind == 0) == t.image.empty());
        if (i > 0) {
            const Lexed::Token& p = ours.tokens[i - 1];
            check(t.beginLine > p.endLine || (t.beginLine == p.endLine && t.beginColumn >= p.endColumn));
        }
    }
    // The message shows the text escaped; that must hold for any text.
    check(!tarnolix::QueryParseError::addEscapes(text).empty() || text.find_first_not_of(L'\0') == std::wstring::npos);

    if (classic(text)) {
        const Lucene::QueryParserCharStreamPtr stream = charStream(text);
        const auto stock = Lucene::newLucene<Lucene::QueryParserTokenManager>(stream);
        // The stock constructor leaves its automaton's stamps unset; ReInit sets them.
        stock->ReInit(stream);
        check(lex(stock, text) == ours);
    }
    return 0;
}
