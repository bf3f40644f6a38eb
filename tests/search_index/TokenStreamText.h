#pragma once
// Runs a token stream to its end and writes down what it gave.

#include <LuceneHeaders.h>
#include <OffsetAttribute.h>
#include <PositionIncrementAttribute.h>
#include <TermAttribute.h>

#include <ostream>
#include <string>
#include <vector>

namespace tarnolix::test {

struct Token
{
    std::wstring term;
    int32_t start = 0;
    int32_t end = 0;
    int32_t increment = 1;

    bool operator==(const Token& o) const
    {
        return term == o.term && start == o.start && end == o.end && increment == o.increment;
    }
};

inline void PrintTo(const Token& t, std::ostream* os)
{
    *os << '{' << Lucene::StringUtils::toUTF8(t.term) << ' ' << t.start << '-' << t.end << " +" << t.increment << '}';
}

inline std::vector<Token> tokens(const Lucene::TokenStreamPtr& stream)
{
    auto term = stream->addAttribute<Lucene::TermAttribute>();
    auto offset = stream->addAttribute<Lucene::OffsetAttribute>();
    auto increment = stream->addAttribute<Lucene::PositionIncrementAttribute>();
    stream->reset();
    std::vector<Token> out;
    while (stream->incrementToken())
        out.push_back({term->term(), offset->startOffset(), offset->endOffset(), increment->getPositionIncrement()});
    stream->end();
    return out;
}

inline std::vector<std::wstring> terms(const Lucene::TokenStreamPtr& stream)
{
    std::vector<std::wstring> out;
    for (const Token& t : tokens(stream))
        out.push_back(t.term);
    return out;
}

} // namespace tarnolix::test
