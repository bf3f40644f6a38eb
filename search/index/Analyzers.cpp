#include "search/index/Analyzers.h"

#include "core/ProgramConstants.h"
#include "search/index/TokenFilters.h"
#include "search/index/Tokenizers.h"

#include <RussianStemFilter.h>

#include <QString>

namespace tarnolix {

AnalyzerSavedStreams::~AnalyzerSavedStreams() = default;
EnglishAnalyzerSavedStreams::~EnglishAnalyzerSavedStreams() = default;
RussianAnalyzerSavedStreams::~RussianAnalyzerSavedStreams() = default;

template <class Base, class SavedStreams>
ContentTypeAnalyzer<Base, SavedStreams>::ContentTypeAnalyzer(Lucene::LuceneVersion::Version matchVersion)
    : Base(matchVersion)
{
}

template <class Base, class SavedStreams>
ContentTypeAnalyzer<Base, SavedStreams>::~ContentTypeAnalyzer() = default;

template <class Base, class SavedStreams>
Lucene::TokenStreamPtr ContentTypeAnalyzer<Base, SavedStreams>::tokenStream(const Lucene::String& fieldName,
                                                                            const Lucene::ReaderPtr& reader)
{
    const FTFieldName name = FTFieldName::parse(fieldName);
    if (name.isValid()) {
        Lucene::TokenizerPtr source;
        const Lucene::TokenStreamPtr stream = create(name.letter(), source, reader);
        return stream ? stream : Base::tokenStream(fieldName, reader);
    }
    if (fieldName == IndexField::sn)
        return Lucene::newLucene<ShortNameTokenizer>(reader);
    return Base::tokenStream(fieldName, reader);
}

template <class Base, class SavedStreams>
Lucene::TokenStreamPtr ContentTypeAnalyzer<Base, SavedStreams>::reusableTokenStream(const Lucene::String& fieldName,
                                                                                    const Lucene::ReaderPtr& reader)
{
    const boost::shared_ptr<SavedStreams> streams = savedStreams();
    const FTFieldName name = FTFieldName::parse(fieldName);
    if (name.isValid()) {
        AnalyzerSavedStreams::Chain& chain = streams->chains[name];
        if (chain.source && chain.result) {
            chain.source->reset(reader);
            return chain.result;
        }
        Lucene::TokenStreamPtr result = create(name.letter(), chain.source, reader);
        if (!result)
            result = baseStream(streams, fieldName, reader);
        chain.result = result;
        return result;
    }
    if (fieldName == IndexField::sn) {
        AnalyzerSavedStreams::Chain& chain = streams->shortName;
        if (chain.source) {
            chain.source->reset(reader);
        } else {
            chain.source = Lucene::newLucene<ShortNameTokenizer>(reader);
            chain.result = chain.source;
        }
        return chain.result;
    }
    return baseStream(streams, fieldName, reader);
}

template <class Base, class SavedStreams>
boost::shared_ptr<SavedStreams> ContentTypeAnalyzer<Base, SavedStreams>::savedStreams()
{
    boost::shared_ptr<SavedStreams> streams = boost::dynamic_pointer_cast<SavedStreams>(this->getPreviousTokenStream());
    if (!streams) {
        streams = Lucene::newLucene<SavedStreams>();
        this->setPreviousTokenStream(streams);
    }
    return streams;
}

template <class Base, class SavedStreams>
Lucene::TokenStreamPtr ContentTypeAnalyzer<Base, SavedStreams>::baseStream(const boost::shared_ptr<SavedStreams>& streams,
                                                                           const Lucene::String& fieldName,
                                                                           const Lucene::ReaderPtr& reader)
{
    // The base class reads and may replace the slot's object as its own.
    this->setPreviousTokenStream(streams->baseSavedStreams);
    Lucene::TokenStreamPtr result;
    try {
        result = Base::reusableTokenStream(fieldName, reader);
    } catch (...) {
        this->setPreviousTokenStream(streams);
        throw;
    }
    streams->baseSavedStreams = this->getPreviousTokenStream();
    this->setPreviousTokenStream(streams);
    return result;
}

template <class Base, class SavedStreams>
void ContentTypeAnalyzer<Base, SavedStreams>::setHTMLTagsPositions(const std::wstring& text)
{
    if (m_tagsPositions) {
        m_tagsPositions->set(text);
        return;
    }
    m_tagsPositions = std::make_shared<HTMLTagsPositions>(text);
    // This thread's saved chains have no HTML filter: build them anew.
    this->setPreviousTokenStream(Lucene::LuceneObjectPtr());
}

template <class Base, class SavedStreams>
void ContentTypeAnalyzer<Base, SavedStreams>::clearHTMLTagsPositions()
{
    if (m_tagsPositions)
        this->setPreviousTokenStream(Lucene::LuceneObjectPtr());
    m_tagsPositions.reset();
}

template <class Base, class SavedStreams>
Lucene::TokenStreamPtr ContentTypeAnalyzer<Base, SavedStreams>::createHead(Lucene::TokenizerPtr& source,
                                                                           const Lucene::ReaderPtr& reader)
{
    source = Lucene::newLucene<TarnolixTokenizer>(reader);
    if (!m_tagsPositions)
        return source;
    return Lucene::newLucene<SimpleHTMLFilter>(m_tagsPositions, source);
}

template <class Base, class SavedStreams>
Lucene::TokenStreamPtr ContentTypeAnalyzer<Base, SavedStreams>::create(char16_t contentType,
                                                                       Lucene::TokenizerPtr& source,
                                                                       const Lucene::ReaderPtr& reader)
{
    using namespace Lucene;
    switch (contentType) {
    case u'A':
        return createStopWordChain(true, source, reader);
    case u'C':
        return createStopWordChain(false, source, reader);
    case u'E':
        return newLucene<LowerCaseFilter>(newLucene<DiacriticsFilter>(createHead(source, reader)));
    case u'G':
        return newLucene<LowerCaseFilter>(createHead(source, reader));
    case u'B':
    case u'D':
    case u'F':
    case u'H':
        return TokenStreamPtr();
    default:
        qWarning("%s::create: Unknown content type", qUtf8Printable(QString::fromStdWString(this->getClassName())));
        return TokenStreamPtr();
    }
}

template class ContentTypeAnalyzer<Lucene::StandardAnalyzer, EnglishAnalyzerSavedStreams>;
template class ContentTypeAnalyzer<Lucene::RussianAnalyzer, RussianAnalyzerSavedStreams>;

EnglishAnalyzer::EnglishAnalyzer(Lucene::LuceneVersion::Version matchVersion) : ContentTypeAnalyzer(matchVersion) {}

EnglishAnalyzer::~EnglishAnalyzer() = default;

Lucene::LuceneObjectPtr EnglishAnalyzer::clone(const Lucene::LuceneObjectPtr&)
{
    return Lucene::newLucene<EnglishAnalyzer>(matchVersion);
}

Lucene::TokenStreamPtr EnglishAnalyzer::createStopWordChain(bool foldDiacritics, Lucene::TokenizerPtr& source,
                                                            const Lucene::ReaderPtr& reader)
{
    using namespace Lucene;
    TokenStreamPtr stream = newLucene<StandardFilter>(createHead(source, reader));
    if (foldDiacritics)
        stream = newLucene<DiacriticsFilter>(stream);
    stream = newLucene<LowerCaseFilter>(stream);
    return newLucene<StopFilter>(StopFilter::getEnablePositionIncrementsVersionDefault(matchVersion), stream, stopSet);
}

RussianAnalyzer::RussianAnalyzer(Lucene::LuceneVersion::Version matchVersion) : ContentTypeAnalyzer(matchVersion) {}

RussianAnalyzer::~RussianAnalyzer() = default;

Lucene::LuceneObjectPtr RussianAnalyzer::clone(const Lucene::LuceneObjectPtr&)
{
    return Lucene::newLucene<RussianAnalyzer>(matchVersion);
}

Lucene::TokenStreamPtr RussianAnalyzer::createStopWordChain(bool foldDiacritics, Lucene::TokenizerPtr& source,
                                                            const Lucene::ReaderPtr& reader)
{
    using namespace Lucene;
    TokenStreamPtr stream = createHead(source, reader);
    if (foldDiacritics)
        stream = newLucene<DiacriticsFilter>(stream);
    stream = newLucene<LowerCaseFilter>(stream);
    stream = newLucene<StopFilter>(StopFilter::getEnablePositionIncrementsVersionDefault(matchVersion), stream, stopSet);
    return newLucene<RussianStemFilter>(stream);
}

} // namespace tarnolix
