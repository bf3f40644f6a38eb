#pragma once
// Takes the downloaded archive of one book, parses its entries, buffers the
// results and writes them in batches into the library, one transaction per
// batch: the rows, the indexing and cover queues, the word-by-word pairs and
// the favorites re-anchored on the new section list. A batch is all or
// nothing: its word-by-word pairs are committed with it, and a failing batch
// rolls both back and reports no book saved.
//
// Used on one thread, its owner's; the connection must belong to it.

#include "core/BookRecords.h"
#include "core/WordByWordDataForIndex.h"

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <vector>

class QuaZip;
class TarnolixDB;

namespace tarnolix {
class WordByWordIndex;
}

class DatabaseBooksSaver
{
public:
    using BooksSaved = std::function<void(int count)>;
    using BookIdsSaved = std::function<void(const std::vector<int>& ids)>;
    // Milliseconds of a monotonic clock.
    using Clock = std::function<qint64()>;

    // More buffered archives than this save at once.
    static constexpr int kBatchBooks = 50;
    // A batch older than this saves with the next archive.
    static constexpr qint64 kBatchMs = 1000;
    // Nothing bounds what the server sends: larger entries are refused
    // before they are inflated.
    static constexpr qint64 kDefaultMaxEntrySize = 256LL * 1024 * 1024;

    // Both callbacks are required when a batch is saved.
    DatabaseBooksSaver(std::shared_ptr<TarnolixDB> database, tarnolix::WordByWordIndex& wordByWordIndex,
                       BooksSaved onBooksSaved, BookIdsSaved onBookIdsSaved);
    ~DatabaseBooksSaver();

    DatabaseBooksSaver(const DatabaseBooksSaver&) = delete;
    DatabaseBooksSaver& operator=(const DatabaseBooksSaver&) = delete;

    // Starts the word-by-word index's run.
    void init();
    // Opens `zip` (made by the caller over a file or a buffer) and buffers
    // its book; `expectedBookId` is the id asked of the server, 0 when not
    // known. Throws Exception; nothing of a failing archive is buffered.
    void processBookArchive(QuaZip& zip, int expectedBookId);
    // Writes every buffered book in one transaction. On failure the batch
    // is dropped, rolled back (rows and word-by-word pairs) and rethrown.
    void saveBufferedBooks();
    // Ends the word-by-word index's run; throws while anything is buffered.
    void completeUpdate();

    int bufferedBooksCount() const { return int(m_bases.size()); }
    bool isBookBuffered(int bookId) const;
    void clearBuffers();

    // The largest archive entry accepted, uncompressed.
    qint64 maxEntrySize() const { return m_maxEntrySize; }
    void setMaxEntrySize(qint64 bytes) { m_maxEntrySize = bytes; }
    // The batch rule's clock (tests put their own).
    void setClock(Clock clock) { m_clock = std::move(clock); }

    // Saves the book archive `fileName` on the calling thread's library
    // connection, in a run of its own; exceptions reach the caller.
    static void addBook(const QString& fileName, tarnolix::WordByWordIndex& wordByWordIndex);

private:
    bool buffersEmpty() const;
    void restoreFavoritesSectionCodes(const Book& book);

    std::shared_ptr<TarnolixDB> m_db;
    tarnolix::WordByWordIndex& m_wordByWordIndex;
    BooksSaved m_onBooksSaved;
    BookIdsSaved m_onBookIdsSaved;
    Clock m_clock;
    // Start of the current batch; negative until the first book is buffered.
    qint64 m_batchStart = -1;
    std::vector<std::shared_ptr<BookBase>> m_bases;
    std::vector<std::shared_ptr<Book>> m_books;
    std::vector<std::shared_ptr<WordByWordDataForIndex>> m_wordByWord;
    qint64 m_maxEntrySize = kDefaultMaxEntrySize;
};
