// Parses arbitrary UTF-8 text as a reader's query, as the full-text search
// (with and without exact match) and the occurrence counter do, each with
// the Russian and the English analyzer. A parse either gives a query that
// prints or fails with a QueryParserError about this text; any other
// exception (the parser's others need an empty field) escapes and ends the
// run as a finding.
#include "search/index/Analyzers.h"
#include "search/query/QueryParser.h"

#include "fuzz/FuzzSupport.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace {

using tarnolix::QueryParser;

// Checks that every report is of a query that exists.
class CheckingCollector final : public tarnolix::QueryCollector
{
public:
    void collectWildcard(const Lucene::WildcardQueryPtr& q) override { fuzz::check(bool(q)); }
    void collectMatchAll(const Lucene::MatchAllDocsQueryPtr& q) override { fuzz::check(bool(q)); }
    void collectRange(const Lucene::TermRangeQueryPtr& q) override { fuzz::check(bool(q)); }
    void collectFuzzy(const Lucene::FuzzyQueryPtr& q) override { fuzz::check(bool(q)); }
    void collectPrefix(const Lucene::PrefixQueryPtr& q) override { fuzz::check(bool(q)); }
    // The parser never reports one.
    void collectMultiPhrase(const Lucene::MultiPhraseQueryPtr&) override { fuzz::check(false); }
    void collectPhrase(const Lucene::PhraseQueryPtr& q) override { fuzz::check(bool(q)); }
    void collectTerm(const Lucene::TermQueryPtr& q) override { fuzz::check(bool(q)); }
    void collectBoolean(const Lucene::BooleanQueryPtr& q) override { fuzz::check(bool(q)); }
    void collectSpanNear(const Lucene::SpanNearQueryPtr& q) override { fuzz::check(bool(q)); }
};

enum class Caller { FullText, FullTextExact, Counter };

void parse(const Lucene::AnalyzerPtr& analyzer, Caller caller, const std::wstring& text)
{
    const auto parser = Lucene::newLucene<QueryParser>(Lucene::LuceneVersion::LUCENE_30,
                                                       caller == Caller::FullText ? L"A" : L"E", analyzer);
    parser->setLeadingWildcardAllowed(true);
    parser->setQueryCollector(std::make_shared<CheckingCollector>());
    if (caller != Caller::Counter) {
        parser->setDefaultOperator(QueryParser::Operator::AND);
        parser->setMergeTermsIntoPhrases(true);
        parser->setAnalyzedPrefixTerms(caller == Caller::FullText);
    }
    try {
        const Lucene::QueryPtr query = parser->parse(text);
        fuzz::check(bool(query));
        (void)query->toString();
    } catch (const Lucene::QueryParserError& e) {
        fuzz::check(e.getError().rfind(L"Cannot parse '" + text + L"': ", 0) == 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::silenceLog();
    static const Lucene::AnalyzerPtr russian
        = Lucene::newLucene<tarnolix::RussianAnalyzer>(Lucene::LuceneVersion::LUCENE_30);
    static const Lucene::AnalyzerPtr english
        = Lucene::newLucene<tarnolix::EnglishAnalyzer>(Lucene::LuceneVersion::LUCENE_30);
    const std::wstring text
        = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size)).toStdWString();
    for (const Lucene::AnalyzerPtr& analyzer : {russian, english}) {
        for (const Caller caller : {Caller::FullText, Caller::FullTextExact, Caller::Counter})
            parse(analyzer, caller, text);
    }
    return 0;
}
