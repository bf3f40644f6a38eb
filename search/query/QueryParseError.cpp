#include "search/query/QueryParseError.h"

#include "search/query/QueryParserConstants.h"

#include <algorithm>
#include <iterator>

namespace tarnolix {

namespace {

void appendUnitEscape(Lucene::String& out, uint32_t unit)
{
    static const wchar_t digits[] = L"0123456789abcdef";
    out += L"\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += digits[(unit >> shift) & 0xF];
}

struct ShortEscape
{
    wchar_t c;
    const wchar_t* escape;
};
const ShortEscape kShortEscapes[] = {
    {L'\b', L"\\b"}, {L'\t', L"\\t"}, {L'\n', L"\\n"}, {L'\f', L"\\f"},
    {L'\r', L"\\r"}, {L'"', L"\\\""},  {L'\'', L"\\'"}, {L'\\', L"\\\\"},
};

} // namespace

Lucene::String QueryParseError::addEscapes(const Lucene::String& text)
{
    Lucene::String out;
    out.reserve(text.size());
    for (const wchar_t c : text) {
        if (c == 0)
            continue;
        const auto shortEscape = std::find_if(std::begin(kShortEscapes), std::end(kShortEscapes),
                                              [c](const ShortEscape& e) { return e.c == c; });
        if (shortEscape != std::end(kShortEscapes)) {
            out += shortEscape->escape;
            continue;
        }
        const auto u = static_cast<uint32_t>(c);
        if (u >= 0x20 && u <= 0x7E) {
            out += c;
        } else if (isSupplementary(c)) {
            appendUnitEscape(out, uint32_t(highSurrogate(c)));
            appendUnitEscape(out, uint32_t(lowSurrogate(c)));
        } else {
            appendUnitEscape(out, u <= 0xFFFF ? u : 0xFFFD);
        }
    }
    return out;
}

Lucene::String QueryParseError::lexicalError(bool eofSeen, int32_t errorLine, int32_t errorColumn,
                                             const Lucene::String& errorAfter, wchar_t curChar)
{
    Lucene::String message = L"Lexical error at line " + std::to_wstring(errorLine) + L", column "
        + std::to_wstring(errorColumn) + L".  Encountered:";
    if (eofSeen)
        message += L"<EOF>";
    else
        message += L"\"" + addEscapes(Lucene::String(1, curChar)) + L"\"";
    message += L" (" + std::to_wstring(int32_t(curChar)) + L"), after : \"" + addEscapes(errorAfter) + L"\"";
    return message;
}

Lucene::String QueryParseError::parseError(const Lucene::QueryParserTokenPtr& currentToken,
                                           const Lucene::Collection<Lucene::Collection<int32_t>>& expectedTokenSequences,
                                           const Lucene::Collection<Lucene::String>& tokenImage)
{
    if (!currentToken || !currentToken->next)
        boost::throw_exception(Lucene::IllegalArgumentException(L"A parse error needs the unexpected token"));

    const auto imageOf = [&tokenImage](int32_t kind) {
        return tokenImage && kind >= 0 && kind < tokenImage.size() ? tokenImage[kind] : Lucene::String();
    };

    Lucene::String expected;
    int32_t maxSize = 0;
    const int32_t sequenceCount = expectedTokenSequences ? expectedTokenSequences.size() : 0;
    for (int32_t i = 0; i < sequenceCount; ++i) {
        const Lucene::Collection<int32_t>& sequence = expectedTokenSequences[i];
        const int32_t length = sequence ? sequence.size() : 0;
        maxSize = std::max(maxSize, length);
        for (int32_t j = 0; j < length; ++j)
            expected += imageOf(sequence[j]) + L" ";
        // A sequence that ends the input is complete; any other may go on.
        if (length > 0 && sequence[length - 1] != QueryParserConstants::EOF_)
            expected += L"...";
        expected += L"\n    ";
    }

    Lucene::String message = L"Encountered \"";
    Lucene::QueryParserTokenPtr token = currentToken->next;
    for (int32_t i = 0; i < maxSize && token; ++i) {
        if (i != 0)
            message += L" ";
        if (token->kind == QueryParserConstants::EOF_) {
            message += imageOf(QueryParserConstants::EOF_);
            break;
        }
        message += L" " + imageOf(token->kind) + L" \"" + addEscapes(token->image) + L" \"";
        token = token->next;
    }
    message += L"\" at line " + std::to_wstring(currentToken->next->beginLine) + L", column "
        + std::to_wstring(currentToken->next->beginColumn) + L".\n";
    message += sequenceCount == 1 ? L"Was expecting:\n    " : L"Was expecting one of:\n    ";
    message += expected;
    return message;
}

} // namespace tarnolix
