#include "search/index/SearchIndex.h"

#include "core/Exception.h"
#include "core/TarnolixConstants.h"
#include "search/index/ErrorText.h"

#include <ConcurrentMergeScheduler.h>

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <algorithm>

namespace tarnolix {

namespace {

// Held by every index while it opens or closes its writer or reader.
std::mutex& processIndexMutex()
{
    static std::mutex mutex;
    return mutex;
}

// One outside holder's Lucene reference on a shared reader: the reader stays
// open while any holder is left, whatever the index does with its own.
class ReaderHold
{
public:
    explicit ReaderHold(Lucene::IndexReaderPtr reader)
        : reader(std::move(reader))
    {
        this->reader->incRef();
    }
    ~ReaderHold()
    {
        try {
            reader->decRef();
        } catch (const std::exception& error) {
            qWarning("Close index reader error: %s", qUtf8Printable(errorText(error)));
        } catch (...) {
            qWarning("Close index reader error");
        }
    }
    ReaderHold(const ReaderHold&) = delete;
    ReaderHold& operator=(const ReaderHold&) = delete;

    const Lucene::IndexReaderPtr reader;
};

[[noreturn]] void throwNotOpenForWrite()
{
    throw Exception("Index writer: Not open for write!");
}

[[noreturn]] void throwNoAnalyzers()
{
    throw Exception("Index analyzers are not initialized");
}

} // namespace

void configureIndexWriter(const Lucene::IndexWriterPtr& writer)
{
    const auto scheduler = boost::dynamic_pointer_cast<Lucene::ConcurrentMergeScheduler>(writer->getMergeScheduler());
    if (scheduler)
        scheduler->setMaxThreadCount(std::max(1, QThread::idealThreadCount() / 2));
    writer->setRAMBufferSizeMB(128.0);
    writer->setMergeFactor(20);
}

SearchIndex::SearchIndex(QObject* parent)
    : QObject(parent)
{
}

SearchIndex::~SearchIndex()
{
    close(true);
}

bool SearchIndex::isPreparedLibrary() const
{
    return false;
}

void SearchIndex::initAnalyzers()
{
    m_russianAnalyzer = Lucene::newLucene<RussianAnalyzer>(Lucene::LuceneVersion::LUCENE_CURRENT);
    m_englishAnalyzer = Lucene::newLucene<EnglishAnalyzer>(Lucene::LuceneVersion::LUCENE_CURRENT);
}

void SearchIndex::open(bool lockSelf, int32_t mode)
{
    std::unique_lock<std::mutex> self(m_mutex, std::defer_lock);
    if (lockSelf)
        self.lock();
    if (isPreparedLibrary() && mode != ReadOnly)
        throw Exception("Prepared library indexes are read-only");
    closeLocked(false);

    std::lock_guard<std::mutex> global(processIndexMutex());
    switch (mode) {
    case ReadOnly:
    case ReadWrite:
        m_reader = Lucene::IndexReader::open(directory(), mode == ReadOnly);
        break;
    case Write:
    case Create: {
        if (!m_englishAnalyzer)
            throwNoAnalyzers();
        const Lucene::IndexWriterPtr writer = mode == Write
            ? Lucene::newLucene<Lucene::IndexWriter>(directory(), m_englishAnalyzer,
                                                     Lucene::IndexWriter::MaxFieldLengthUNLIMITED)
            : Lucene::newLucene<Lucene::IndexWriter>(directory(), m_englishAnalyzer, true,
                                                     Lucene::IndexWriter::MaxFieldLengthUNLIMITED);
        try {
            configureIndexWriter(writer);
        } catch (...) {
            writer->rollback();
            throw;
        }
        m_writer = writer;
        break;
    }
    default:
        throw Exception("Invalid open mode");
    }
    m_mode = mode;
    if (mode == Create)
        setOptimizeError(false);
}

void SearchIndex::close(bool lockSelf)
{
    std::unique_lock<std::mutex> self(m_mutex, std::defer_lock);
    if (lockSelf)
        self.lock();
    closeLocked(false);
}

void SearchIndex::closeLocked(bool commitWriter)
{
    std::lock_guard<std::mutex> global(processIndexMutex());
    if (m_writer) {
        try {
            if (commitWriter)
                m_writer->close();
            else
                m_writer->rollback();
        } catch (const std::exception& error) {
            qWarning("Close index writer error: %s", qUtf8Printable(errorText(error)));
        } catch (...) {
            qWarning("Close index writer error");
        }
        m_writer.reset();
    }
    closeReaderLocked();
    m_mode = Closed;
}

void SearchIndex::closeReaderLocked()
{
    if (!m_reader)
        return;
    try {
        m_reader->close();
    } catch (const std::exception& error) {
        qWarning("Close index reader error: %s", qUtf8Printable(errorText(error)));
    } catch (...) {
        qWarning("Close index reader error");
    }
    m_reader.reset();
}

void SearchIndex::closeIfNotUsed()
{
    qDebug("SearchIndex::closeIfNotUsed");
    std::lock_guard<std::mutex> self(m_mutex);
    if (m_reader && m_reader.use_count() > 1)
        return;
    if (m_writer) {
        // A writer's run is never ended from here: only its reader goes.
        std::lock_guard<std::mutex> global(processIndexMutex());
        closeReaderLocked();
        return;
    }
    closeLocked(false);
}

Lucene::IndexReaderPtr SearchIndex::getReader()
{
    boost::shared_ptr<ReaderHold> hold;
    {
        std::lock_guard<std::mutex> self(m_mutex);
        if (!m_reader) {
            if (m_writer) {
                std::lock_guard<std::mutex> global(processIndexMutex());
                m_reader = m_writer->getReader();
            } else {
                qWarning("getReader: Try open for read...");
                open(false, ReadOnly);
            }
        }
        if (m_reader)
            hold = boost::make_shared<ReaderHold>(m_reader);
    }
    if (!hold)
        throw Exception("Open base index error");
    return Lucene::IndexReaderPtr(hold, hold->reader.get());
}

void SearchIndex::resetReader()
{
    std::lock_guard<std::mutex> self(m_mutex);
    std::lock_guard<std::mutex> global(processIndexMutex());
    closeReaderLocked();
}

Lucene::IndexWriterPtr SearchIndex::writerOrThrow()
{
    std::lock_guard<std::mutex> self(m_mutex);
    if (m_mode < Write || !m_writer)
        throwNotOpenForWrite();
    return m_writer;
}

Lucene::IndexWriterPtr SearchIndex::indexWriter()
{
    return writerOrThrow();
}

void SearchIndex::commit()
{
    writerOrThrow()->commit();
}

void SearchIndex::checkIndexWritable()
{
    writableIndexWriter();
}

Lucene::IndexWriterPtr SearchIndex::writableIndexWriter()
{
    if (isPreparedLibrary())
        throw Exception("Prepared library indexes are read-only");
    return writerOrThrow();
}

Lucene::AnalyzerPtr SearchIndex::getAnalyzer(int language)
{
    if (!m_russianAnalyzer || !m_englishAnalyzer)
        throwNoAnalyzers();
    if (language == TarnolixConstants::Russian) {
        m_russianAnalyzer->clearHTMLTagsPositions();
        return m_russianAnalyzer;
    }
    m_englishAnalyzer->clearHTMLTagsPositions();
    return m_englishAnalyzer;
}

Lucene::AnalyzerPtr SearchIndex::getHtmlAnalyzer(int language, const std::wstring& html)
{
    if (!m_russianAnalyzer || !m_englishAnalyzer)
        throwNoAnalyzers();
    if (language == TarnolixConstants::Russian) {
        m_russianAnalyzer->setHTMLTagsPositions(html);
        return m_russianAnalyzer;
    }
    m_englishAnalyzer->setHTMLTagsPositions(html);
    return m_englishAnalyzer;
}

void SearchIndex::optimize()
{
    if (isPreparedLibrary())
        throw Exception("Prepared library indexes are read-only");
    if (optimizeError()) {
        qWarning("Index optimize skipped");
        return;
    }
    try {
        qInfo("Optimize index...");
        writerOrThrow()->optimize();
        qInfo("Index optimize finished");
    } catch (const std::exception& error) {
        qWarning("Index optimize error: %s", qUtf8Printable(errorText(error)));
        // Runs only at the end of a complete run: what it wrote is kept.
        {
            std::lock_guard<std::mutex> self(m_mutex);
            closeLocked(true);
        }
        setOptimizeError(true);
    }
}

Lucene::DirectoryPtr SearchIndex::directory()
{
    return Lucene::FSDirectory::open(indexPath().toStdWString());
}

void SearchIndex::prepareIndexDirectory()
{
    const QString dataDirectory = QFileInfo(indexPath()).absolutePath();
    if (!QDir().mkpath(dataDirectory))
        qWarning("Cannot create the data directory: %s", qUtf8Printable(dataDirectory));
}

} // namespace tarnolix
