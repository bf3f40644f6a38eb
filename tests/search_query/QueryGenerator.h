#pragma once
// Random query texts built from the grammar's pieces, valid or not: terms
// with escapes, wildcards and inner "@" and "/", operators, boosts, slops,
// quoted phrases (some unterminated) and ranges, joined by assorted blanks.
// No token begins with "@", "/" or NUL, where our lexer differs by design.

#include <cstdint>
#include <iterator>
#include <random>
#include <string>

namespace tarnolix::test {

class QueryGenerator
{
public:
    explicit QueryGenerator(uint32_t seed) : m_rng(seed) {}

    std::wstring query()
    {
        std::wstring text;
        const int pieces = pick(1, 8);
        for (int i = 0; i < pieces; ++i) {
            if (chance(2))
                text += blank();
            text += piece();
        }
        if (chance(4))
            text += blank();
        return text;
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }
    bool chance(int oneIn) { return pick(1, oneIn) == 1; }
    template <std::size_t N>
    const wchar_t* oneOf(const wchar_t* const (&items)[N])
    {
        return items[pick(0, int(N) - 1)];
    }

    std::wstring blank()
    {
        static const wchar_t* const blanks[] = {L" ", L" ", L"  ", L"\t", L"\n", L"\r", L"\u3000", L"\f"};
        return oneOf(blanks);
    }

    wchar_t letter()
    {
        static const wchar_t letters[] = L"abzATONDRxy\u00e9\u0436\u4e2d\u00a0\ufeff";
        return letters[pick(0, int(std::size(letters)) - 2)];
    }

    // Any character a term, phrase or bound may hold after its first one,
    // except "@", "/" and NUL, which the term pieces place themselves.
    wchar_t anyChar()
    {
        static const wchar_t chars[] = L"aT0.9 \t\"\\*?~^:+-!()[]{}&|\u3000\u00e9\u0080\ufffd";
        return chars[pick(0, int(std::size(chars)) - 2)];
    }

    std::wstring term()
    {
        std::wstring t;
        t += chance(6) ? std::wstring(L"\\") + anyChar() : std::wstring(1, letter());
        const int more = pick(0, 5);
        for (int i = 0; i < more; ++i) {
            switch (pick(0, 9)) {
            case 0: t += L"\\"; t += anyChar(); break;
            case 1: t += chance(2) ? L'-' : L'+'; break;
            case 2: t += chance(2) ? L'*' : L'?'; break;
            case 3: t += pick(0, 9) + L'0'; break;
            case 4: t += L'.'; break;
            // After a letter these cannot begin a token.
            case 5:
                t += letter();
                t += chance(3) ? L'@' : chance(2) ? L'/' : L'\0';
                break;
            default: t += letter(); break;
            }
        }
        if (chance(5))
            t += L'*';
        return t;
    }

    std::wstring number()
    {
        static const wchar_t* const numbers[] = {L"2", L"10", L"2.5", L"2.", L".5", L"1.x", L"x", L" 2", L""};
        return oneOf(numbers);
    }

    std::wstring quoted()
    {
        std::wstring q = L"\"";
        const int length = pick(0, 6);
        for (int i = 0; i < length; ++i)
            q += chance(5) ? std::wstring(L"\\") + anyChar() : std::wstring(1, chance(3) ? L' ' : letter());
        if (!chance(8))
            q += L'"';
        return q;
    }

    std::wstring bound()
    {
        static const wchar_t* const bounds[] = {L"a", L"TO", L"TOX", L"T", L"x}y", L"x]y", L"\"a b\"", L"\"a\\\"b\"",
                                                 L"\"\"", L"\"", L"\"a", L"a\tb", L"*", L"2010-01-02"};
        return oneOf(bounds);
    }

    std::wstring range()
    {
        std::wstring r = chance(2) ? L"[" : L"{";
        if (chance(3))
            r += blank();
        r += bound();
        if (!chance(6))
            r += L" TO ";
        r += bound();
        if (chance(3))
            r += blank();
        if (!chance(6))
            r += chance(2) ? L"]" : L"}";
        return r;
    }

    std::wstring piece()
    {
        static const wchar_t* const operators[] = {L"AND", L"OR", L"NOT", L"&&", L"||", L"!", L"&", L"|", L"&&&",
                                                    L"+", L"-", L"(", L")", L":", L"*", L"?", L"**", L"]", L"}",
                                                    L"\\"};
        static const wchar_t* const slops[] = {L"~", L"~2", L"~0.5", L"~.5", L"~1.", L"~1.x", L"~12.25"};
        switch (pick(0, 11)) {
        case 0:
        case 1:
        case 2: return term();
        case 3: return term() + L":";
        case 4: return oneOf(operators);
        case 5: return L"^" + number();
        case 6: return oneOf(slops);
        case 7:
        case 8: return quoted();
        case 9: return range();
        default: return term() + oneOf(slops);
        }
    }

    std::mt19937 m_rng;
};

} // namespace tarnolix::test
