#include "search/index/WordByWordIndex.h"

#include "core/Exception.h"
#include "core/LocationInfo.h"
#include "core/ProgramConstants.h"
#include "core/TarnolixConstants.h"
#include "database/LibrarySettingsKeys.h"
#include "search/index/BookDocuments.h"
#include "search/index/ErrorText.h"
#include "search/index/IndexLocations.h"
#include "search/index/IndexRuns.h"
#include "search/index/StringReader.h"

#include <QStringList>

#include <algorithm>
#include <map>
#include <set>

namespace tarnolix {

namespace {

std::wstring joinedCategories(const std::vector<int>& categories)
{
    QStringList ids;
    for (const int id : categories)
        ids << QString::number(id);
    return ids.join(QLatin1Char(' ')).toStdWString();
}

Lucene::QueryPtr termQuery(const wchar_t* field, const std::wstring& value)
{
    return Lucene::newLucene<Lucene::TermQuery>(Lucene::newLucene<Lucene::Term>(field, value));
}

void setStored(CachedDocument& cached, const wchar_t* name, const std::wstring& value, Lucene::Field::Index index)
{
    cached.set(name, value, Lucene::Field::STORE_YES, index);
}

} // namespace

WordByWordIndex::WordByWordIndex(QObject* parent)
    : SearchIndex(parent)
{
    initAnalyzers();
}

WordByWordIndex::~WordByWordIndex()
{
    m_cachedDocument.reset();
    m_contentFields.clear();
}

QString WordByWordIndex::indexPath() const
{
    return indexLocations().index2Path();
}

bool WordByWordIndex::isPreparedLibrary() const
{
    return isPreparedLibraryIndex();
}

bool WordByWordIndex::optimizeError()
{
    return readOptimizeErrorMark(LibrarySettingsKeys::WBWIndexOptimizeError);
}

void WordByWordIndex::setOptimizeError(bool error)
{
    writeOptimizeErrorMark(LibrarySettingsKeys::WBWIndexOptimizeError, error);
}

void WordByWordIndex::open()
{
    openIndexOrCreate(*this, "WordByWordIndex");
}

void WordByWordIndex::beginIndexing()
{
    m_cachedDocument = std::make_unique<CachedDocument>();
    cachedDocumentClear(*m_cachedDocument);
    if (m_contentFields.empty()) {
        m_contentFields.emplace_back(false, false, false, IndexField::wwo);
        m_contentFields.emplace_back(true, false, false, IndexField::wwo);
        m_contentFields.emplace_back(false, false, false, IndexField::wwt);
    }
}

void WordByWordIndex::index(const std::vector<std::shared_ptr<WordByWordDataForIndex>>& data)
{
    qInfo("WordByWordIndex::index");
    if (isPreparedLibrary())
        throw Exception("Prepared library indexes are read-only");
    if (!isWriterOpen())
        SearchIndex::open(true, Write);
    if (!m_cachedDocument)
        throw Exception("not initialized");
    const Lucene::IndexWriterPtr writer = writableIndexWriter();

    // An edition given twice keeps its last pairs, as if each had replaced
    // the one before.
    std::vector<const WordByWordDataForIndex*> editions;
    {
        std::set<std::pair<int, int>> seen;
        for (auto it = data.crbegin(); it != data.crend(); ++it) {
            const WordByWordDataForIndex& edition = **it;
            if (!edition.book)
                throw Exception("WordByWordIndex::index: the book is not set");
            if (seen.emplace(edition.book->id, int(edition.language)).second)
                editions.push_back(&edition);
        }
        std::reverse(editions.begin(), editions.end());
    }
    // Every old document goes first: deletes reach only the documents added
    // before them, so the new pairs added next are left alone.
    for (const WordByWordDataForIndex* edition : editions) {
        const auto editionQuery = Lucene::newLucene<Lucene::BooleanQuery>();
        editionQuery->add(termQuery(IndexField::L, languageToString(edition->language).toStdWString()),
                          Lucene::BooleanClause::MUST);
        editionQuery->add(termQuery(IndexField::bid, QString::number(edition->book->id).toStdWString()),
                          Lucene::BooleanClause::MUST);
        writer->deleteDocuments(editionQuery);
    }

    // One thread feeds the writer: Lucene++'s writer corrupts its buffers
    // when several threads add documents at once, and a rollback after such
    // a failure waits forever for the threads it believes are still adding.
    for (const WordByWordDataForIndex* edition : editions)
        indexEdition(*edition, *m_cachedDocument, getAnalyzer(int(edition->language)), writer);
}

void WordByWordIndex::indexEdition(const WordByWordDataForIndex& edition, CachedDocument& cached,
                                   const Lucene::AnalyzerPtr& analyzer, const Lucene::IndexWriterPtr& writer) const
{
    const std::wstring marker = IndexField::lucenematch;
    const std::wstring bookId = QString::number(edition.book->id).toStdWString();
    const std::wstring language = languageToString(edition.language).toStdWString();
    const std::wstring categories = joinedCategories(edition.book->categories);
    for (auto section = edition.pairs.cbegin(); section != edition.pairs.cend(); ++section) {
        const std::wstring sectionCode = section.key().toStdWString();
        for (const WordByWordDataForIndex::WordPair& pair : section.value()) {
            const std::wstring original = pair.first.toStdWString();
            const std::wstring translation = pair.second.toStdWString();
            setStored(cached, IndexField::L, language, Lucene::Field::INDEX_NOT_ANALYZED);
            setStored(cached, IndexField::bid, bookId, Lucene::Field::INDEX_NOT_ANALYZED);
            setStored(cached, IndexField::s, sectionCode, Lucene::Field::INDEX_NOT_ANALYZED);
            if (categories.empty())
                cachedDocumentRemoveField(cached, IndexField::c);
            else
                setStored(cached, IndexField::c, categories, Lucene::Field::INDEX_ANALYZED);
            setStored(cached, IndexField::wwso, original, Lucene::Field::INDEX_NO);
            setStored(cached, IndexField::wwst, translation, Lucene::Field::INDEX_NO);

            for (const FTFieldName& field : m_contentFields) {
                std::wstring text;
                if (field.base() == IndexField::wwo)
                    text = original;
                else if (field.base() == IndexField::wwt)
                    text = translation;
                else
                    throw Exception("unknown field");
                if (field.exactMatch())
                    text = marker + L' ' + text + L' ' + marker;
                cached.set(field.toString(),
                           Lucene::newLucene<StringReader>(std::make_shared<const std::wstring>(std::move(text))),
                           Lucene::Field::TERM_VECTOR_NO);
            }
            writer->addDocument(cached.document(), analyzer);
        }
    }
}

void WordByWordIndex::deleteBooks(const std::vector<int>& bookIds)
{
    qInfo("WordByWordIndex::deleteBooks");
    if (isPreparedLibrary())
        throw Exception("Prepared library indexes are read-only");
    try {
        if (!isWriterOpen())
            SearchIndex::open(true, Write);
        Lucene::Collection<Lucene::TermPtr> terms = Lucene::Collection<Lucene::TermPtr>::newInstance();
        for (const int id : bookIds)
            terms.add(bookIdTerm(id));
        writableIndexWriter()->deleteDocuments(terms);
        qInfo("WordByWordIndex::deleteBooks: Ok!");
    } catch (const std::exception& error) {
        qInfo("WordByWordIndex::deleteBooks: %s", qUtf8Printable(errorText(error)));
        close(true);
        throw;
    }
}

void WordByWordIndex::finishIndexing()
{
    qInfo("WordByWordIndex::finishIndexing");
    m_cachedDocument.reset();
    finishIndexRun(*this, "WordByWordIndex");
}

} // namespace tarnolix
