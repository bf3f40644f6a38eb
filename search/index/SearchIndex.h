#pragma once
// The base of every holder of a Lucene index (book index of a language,
// glossary, word by word): it opens the index directory in one of four
// modes, shares one reader among the searchers, hands out the analyzers and
// optimises the index. Subclasses name the directory and keep the mark that
// an optimisation failed.
//
// Writing is transactional: changes become visible only by commit(). Closing
// the index, reopening it in any mode and the destructor roll a writer back,
// so a stopped run never publishes a half-written book.
//
// Readers handed out by getReader() each hold a reference of their own on the
// Lucene reader: closing or reopening the index never closes a reader under a
// searcher; it closes when its last holder lets go.
//
// Locks: the index's own mutex first, then the process-wide one that every
// index holds while it opens or closes its writer or reader.

#include "search/index/Analyzers.h"
#include "search/index/LuceneClass.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace tarnolix {

// The settings of every writer of the program's indexes: a 128 MB buffer,
// merge factor 20, merges on half the cores.
void configureIndexWriter(const Lucene::IndexWriterPtr& writer);

class SearchIndex : public QObject
{
    Q_OBJECT

public:
    enum OpenMode : int32_t {
        Closed = 0,
        ReadOnly = 1,  // IndexReader::open, read-only
        ReadWrite = 2, // IndexReader::open, may delete
        Write = 3,     // IndexWriter on the existing index, created when there is none
        Create = 4,    // IndexWriter on a new empty index in place of any existing one
    };

    explicit SearchIndex(QObject* parent = nullptr);
    ~SearchIndex() override;

    // The index directory.
    virtual QString indexPath() const = 0;
    // A prepared library's index may only be opened read-only.
    virtual bool isPreparedLibrary() const;
    // The persistent mark that an optimisation of this index failed.
    virtual bool optimizeError() = 0;
    virtual void setOptimizeError(bool error) = 0;

    // Creates the Russian and the English analyzer; before the first open.
    void initAnalyzers();

    // Closes whatever is open, then opens in `mode`. lockSelf false: the
    // caller holds indexMutex(). Throws Exception "Prepared library indexes
    // are read-only" before closing anything, "Invalid open mode" with the
    // index closed; Lucene++ failures pass with the index closed.
    void open(bool lockSelf, int32_t mode);
    // Rolls the writer back and closes the reader; errors are logged.
    void close(bool lockSelf);
    // Drops the reader when nobody else holds it: a read-only index closes,
    // an index open for writing keeps its writer.
    void closeIfNotUsed();

    // The shared reader: the writer's near-real-time reader while writing,
    // else the opened reader; a closed index is opened read-only first.
    // Throws Exception "Open base index error" when there is none.
    Lucene::IndexReaderPtr getReader();
    // The next getReader takes a fresh reader (after each indexed book).
    void resetReader();

    // Makes the writer's changes visible and durable. Throws Exception
    // "Index writer: Not open for write!" when not open for writing.
    void commit();

    // Throws Exception "Prepared library indexes are read-only" for a
    // prepared library's index, then "Index writer: Not open for write!"
    // when no writer is open (also after a failed optimisation released it).
    void checkIndexWritable();
    // A writer is open (Write or Create).
    bool isWriterOpen() const { return m_mode.load() >= Write; }

    // The Russian analyzer for language 2, the English one for any other,
    // made plain or HTML-aware for `html`. Shared: the index's own thread only.
    Lucene::AnalyzerPtr getAnalyzer(int language);
    Lucene::AnalyzerPtr getHtmlAnalyzer(int language, const std::wstring& html);

    // Merges the index down. Skipped (with a warning) once an optimisation
    // has failed, until a Create open clears the mark. A failure is logged,
    // commits and closes the index and sets the mark; it is not thrown.
    void optimize();

    // A new directory object over indexPath(); every open goes through it
    // (tests put a failing directory in its place).
    virtual Lucene::DirectoryPtr directory();
    // Creates the data directory that holds the index directory when it is
    // missing; the index directory itself is left to the open modes.
    void prepareIndexDirectory();

    int32_t mode() const { return m_mode.load(); }

protected:
    std::mutex& indexMutex() { return m_mutex; }
    // The writer, for adding and deleting documents. Takes the own mutex;
    // throws as commit() when not open for writing.
    Lucene::IndexWriterPtr indexWriter();
    // The writer after the checks of checkIndexWritable.
    Lucene::IndexWriterPtr writableIndexWriter();

private:
    void closeLocked(bool commitWriter);
    void closeReaderLocked();
    Lucene::IndexWriterPtr writerOrThrow();

    std::atomic<int32_t> m_mode{Closed};
    std::mutex m_mutex;
    Lucene::IndexWriterPtr m_writer;
    Lucene::IndexReaderPtr m_reader;
    boost::shared_ptr<RussianAnalyzer> m_russianAnalyzer;
    boost::shared_ptr<EnglishAnalyzer> m_englishAnalyzer;
};

} // namespace tarnolix
