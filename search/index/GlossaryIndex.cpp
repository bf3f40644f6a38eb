#include "search/index/GlossaryIndex.h"

#include "core/Exception.h"
#include "core/LocationInfo.h"
#include "core/ProgramConstants.h"
#include "core/TarnolixConstants.h"
#include "database/LibrarySettingsKeys.h"
#include "search/index/IndexLocations.h"
#include "search/index/IndexRuns.h"
#include "search/index/StringReader.h"

#include <QStringList>

namespace tarnolix {

namespace {

void setOrRemove(CachedDocument& cached, const wchar_t* name, const QStringList& values)
{
    if (values.isEmpty())
        cachedDocumentRemoveField(cached, name);
    else
        cached.set(name, values.join(QLatin1Char(' ')).toStdWString(), Lucene::Field::STORE_YES,
                   Lucene::Field::INDEX_ANALYZED);
}

} // namespace

GlossaryIndex::GlossaryIndex(QObject* parent)
    : SearchIndex(parent)
{
    initAnalyzers();
}

GlossaryIndex::~GlossaryIndex()
{
    m_cachedDocument.reset();
    m_contentField = FTFieldName();
}

QString GlossaryIndex::indexPath() const
{
    return indexLocations().index3Path();
}

bool GlossaryIndex::isPreparedLibrary() const
{
    return isPreparedLibraryIndex();
}

bool GlossaryIndex::optimizeError()
{
    return readOptimizeErrorMark(LibrarySettingsKeys::GlossaryIndexOptimizeError);
}

void GlossaryIndex::setOptimizeError(bool error)
{
    writeOptimizeErrorMark(LibrarySettingsKeys::GlossaryIndexOptimizeError, error);
}

void GlossaryIndex::open()
{
    openIndexOrCreate(*this, "GlossaryIndex");
}

void GlossaryIndex::beginIndexing()
{
    m_cachedDocument = std::make_unique<CachedDocument>();
    cachedDocumentClear(*m_cachedDocument);
    m_contentField = FTFieldName(true, false, false);
}

void GlossaryIndex::deleteAll()
{
    qDebug("GlossaryIndex::deleteAll");
    SearchIndex::open(true, Create);
    qDebug("GlossaryIndex::deleteAll: Ok!");
}

void GlossaryIndex::addWord(const std::vector<std::shared_ptr<GlossaryWord>>& words)
{
    if (!isWriterOpen())
        SearchIndex::open(true, Write);
    if (!m_cachedDocument)
        throw Exception("not initialized");
    const Lucene::AnalyzerPtr analyzer = getAnalyzer(TarnolixConstants::English);
    const std::wstring contentField = m_contentField.toString();
    CachedDocument& cached = *m_cachedDocument;

    for (const auto& word : words) {
        QStringList categories;
        QStringList glossaries;
        for (const GlossaryWordWhere& place : word->where) {
            categories << QString::number(place.categoryId);
            for (const int glossaryId : place.glossaryIds)
                glossaries << QString::number(glossaryId);
        }
        const auto text = std::make_shared<const std::wstring>(word->words.join(QLatin1Char(' ')).toStdWString());

        cached.set(IndexField::id, QString::number(word->id).toStdWString(), Lucene::Field::STORE_YES,
                   Lucene::Field::INDEX_NOT_ANALYZED);
        setOrRemove(cached, IndexField::c, categories);
        setOrRemove(cached, IndexField::gls, glossaries);
        cached.set(contentField, Lucene::newLucene<StringReader>(text), Lucene::Field::TERM_VECTOR_NO);
        writableIndexWriter()->addDocument(cached.document(), analyzer);
    }
}

void GlossaryIndex::finishIndexing()
{
    qInfo("GlossaryIndex::finishIndexing");
    m_cachedDocument.reset();
    finishIndexRun(*this, "GlossaryIndex");
}

} // namespace tarnolix
