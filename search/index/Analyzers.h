#pragma once
// The analyzers of the indexes and of queries: RussianAnalyzer for Russian,
// EnglishAnalyzer for every other language (Sanskrit transliteration
// included). A field's content-type letter (FTFieldName) picks its chain:
//
//   letter  English chain                                Russian chain
//   A       tokenizer, Standard, Diacritics, Lower, Stop  tokenizer, Diacritics, Lower, Stop, Stem
//   C       tokenizer, Standard, Lower, Stop              tokenizer, Lower, Stop, Stem
//   E       tokenizer, Diacritics, Lower                  same as English
//   G       tokenizer, Lower                              same as English
//   B D F H the base class's own analysis                 the base class's own analysis
//
// "tokenizer" is TarnolixTokenizer, followed by SimpleHTMLFilter while the
// analyzer has HTML tag positions. Stop filters leave position gaps. The
// short-name field "sn" gets ShortNameTokenizer alone; any other field the
// base class's analysis.

#include "search/index/FTFieldName.h"
#include "search/index/HTMLTagsPositions.h"
#include "search/index/LuceneClass.h"

#include <RussianAnalyzer.h>

#include <map>
#include <memory>
#include <string>

namespace tarnolix {

// A thread's reusable chains of one analyzer, kept in the analyzer's
// previous-token-stream slot. While it sits there it also holds what the
// base class keeps in that slot for its own reusable stream.
class AnalyzerSavedStreams : public Lucene::LuceneObject
{
public:
    ~AnalyzerSavedStreams() override;

    struct Chain
    {
        Lucene::TokenizerPtr source;
        Lucene::TokenStreamPtr result;
    };

    std::map<FTFieldName, Chain> chains;
    Chain shortName;
    Lucene::LuceneObjectPtr baseSavedStreams;
};

class EnglishAnalyzerSavedStreams : public AnalyzerSavedStreams
{
public:
    ~EnglishAnalyzerSavedStreams() override;
    TARNOLIX_LUCENE_CLASS(EnglishAnalyzerSavedStreams);
};

class RussianAnalyzerSavedStreams : public AnalyzerSavedStreams
{
public:
    ~RussianAnalyzerSavedStreams() override;
    TARNOLIX_LUCENE_CLASS(RussianAnalyzerSavedStreams);
};

// What both analyzers share: routing by field name, the per-thread chains,
// and the HTML mode. `Base` is the Lucene++ analyzer whose analysis serves
// the fields without a chain of ours.
template <class Base, class SavedStreams>
class ContentTypeAnalyzer : public Base
{
public:
    explicit ContentTypeAnalyzer(Lucene::LuceneVersion::Version matchVersion);
    ~ContentTypeAnalyzer() override;

    // The chain of one content-type letter over `reader`, its tokenizer in
    // `source`; empty for the letters without a chain of ours, and for a
    // letter outside 'A'..'H' (with a warning).
    Lucene::TokenStreamPtr create(char16_t contentType, Lucene::TokenizerPtr& source,
                                  const Lucene::ReaderPtr& reader);

    Lucene::TokenStreamPtr tokenStream(const Lucene::String& fieldName, const Lucene::ReaderPtr& reader) override;
    Lucene::TokenStreamPtr reusableTokenStream(const Lucene::String& fieldName,
                                               const Lucene::ReaderPtr& reader) override;

    // Later chains drop the tokens inside the tags of `text`; the caller then
    // analyses exactly this text. Refilling keeps the thread's saved chains,
    // whose filters share the positions.
    void setHTMLTagsPositions(const std::wstring& text);
    // Later chains analyse plain text.
    void clearHTMLTagsPositions();
    bool hasHTMLTagsPositions() const { return m_tagsPositions != nullptr; }

protected:
    // The language's chain of the letters A (folding) and C (keeping marks).
    virtual Lucene::TokenStreamPtr createStopWordChain(bool foldDiacritics, Lucene::TokenizerPtr& source,
                                                       const Lucene::ReaderPtr& reader) = 0;
    // The tokenizer, with the HTML filter when tag positions are set.
    Lucene::TokenStreamPtr createHead(Lucene::TokenizerPtr& source, const Lucene::ReaderPtr& reader);

private:
    boost::shared_ptr<SavedStreams> savedStreams();
    // The base class's reusable stream, with the base's own state put back
    // into the slot for the call and taken out again afterwards.
    Lucene::TokenStreamPtr baseStream(const boost::shared_ptr<SavedStreams>& streams,
                                      const Lucene::String& fieldName, const Lucene::ReaderPtr& reader);

    std::shared_ptr<HTMLTagsPositions> m_tagsPositions;
};

class EnglishAnalyzer : public ContentTypeAnalyzer<Lucene::StandardAnalyzer, EnglishAnalyzerSavedStreams>
{
public:
    explicit EnglishAnalyzer(Lucene::LuceneVersion::Version matchVersion);
    ~EnglishAnalyzer() override;
    TARNOLIX_LUCENE_CLASS(EnglishAnalyzer);

    // A new analyzer of the same match version, without tag positions.
    Lucene::LuceneObjectPtr clone(const Lucene::LuceneObjectPtr& other = Lucene::LuceneObjectPtr()) override;

protected:
    Lucene::TokenStreamPtr createStopWordChain(bool foldDiacritics, Lucene::TokenizerPtr& source,
                                               const Lucene::ReaderPtr& reader) override;
};

class RussianAnalyzer : public ContentTypeAnalyzer<Lucene::RussianAnalyzer, RussianAnalyzerSavedStreams>
{
public:
    explicit RussianAnalyzer(Lucene::LuceneVersion::Version matchVersion);
    ~RussianAnalyzer() override;
    TARNOLIX_LUCENE_CLASS(RussianAnalyzer);

    Lucene::LuceneObjectPtr clone(const Lucene::LuceneObjectPtr& other = Lucene::LuceneObjectPtr()) override;

protected:
    Lucene::TokenStreamPtr createStopWordChain(bool foldDiacritics, Lucene::TokenizerPtr& source,
                                               const Lucene::ReaderPtr& reader) override;
};

} // namespace tarnolix
