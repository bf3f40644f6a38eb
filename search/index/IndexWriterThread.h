#pragma once
// The writer of one language's book index ("Index_<language id>"): an
// IndexWriterThread on the GUI thread owns a QThread and the worker
// IndexWriterThreadImpl that lives on it. The worker takes the books the
// library lists in the language's queue table (BFI<language id>), deletes
// their old documents and indexes them, one book per timer tick, and commits
// once when the queue is empty; only then are the rows of the books it
// indexed deleted.
//
// A run that does not reach that commit (stopped, not authorised, a failed
// book, the thread closed, the library emptied) is rolled back: nothing of
// it is published and its rows stay for the next run. Books it had already
// indexed go back in its queue when the run goes on after the rollback.

#include "core/Exception.h"
#include "search/index/CachedDocument.h"
#include "search/index/SearchIndex.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>

class QThread;
class QTimerEvent;
class TarnolixDB;

namespace tarnolix {

class IndexWriterHost;

// Thrown by the stop check between sections when the thread is closing.
class IndexWriterThreadExit : public Exception
{
public:
    IndexWriterThreadExit() : Exception("IndexWriterThreadRejected") {}
};

// One entry of the queue of a run.
struct BookForIndexing
{
    enum Action : quint8 { Index = 1, Delete = 2 };

    int bookId = 0;
    // Indexed in this run; its queue row goes at the commit.
    bool done = false;
    quint8 action = 0;
    // Given up after its failures: out of this run, its queue row kept.
    bool skipped = false;
};

class IndexWriterThreadImpl : public SearchIndex
{
    Q_OBJECT

public:
    // Attempts of one book before it is skipped for the run.
    static constexpr int kMaxBookAttempts = 11;
    // Failed commits in a row after which a run stops until the next change.
    static constexpr int kMaxFlushFailures = 5;

    // `host` may be null (never authorised); it must outlive the worker.
    IndexWriterThreadImpl(quint32 languageId, IndexWriterHost* host, QObject* parent = nullptr);
    ~IndexWriterThreadImpl() override;

    QString indexPath() const override;
    bool isPreparedLibrary() const override;
    bool optimizeError() override;
    void setOptimizeError(bool error) override;

    quint32 languageId() const { return m_languageId; }
    // The run's timer, on the worker's thread: active while it exists; its
    // id (0 when idle) and interval in ms (-1 when idle).
    bool isActive() const { return m_timerId != 0; }
    int indexTimerId() const { return m_timerId; }
    int timerInterval() const { return m_timerInterval; }

    // On the worker's thread as it ends: the timer goes, the run is discarded.
    void threadFinished();

signals:
    void activeChanged(bool active);
    void progress(int progress, int total);
    void criticalError(const QString& error);

public slots:
    void init();
    // Asks the book in hand to be abandoned; any thread.
    void closeThread();
    void startIndexBooks();
    void stopIndexBooks();
    void booksForIndexingChanged();
    void dbAllDataDeleted();
    void doCloseIfNotUsed();
    void isAuthorizedChanged();
    void updateCompleterChanged();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    using BookPtr = std::shared_ptr<BookForIndexing>;

    bool isAuthorized() const;
    bool updateCompleterExists() const;
    void startRun(int interval);
    void startIndexTimer(int interval);
    void indexStep();
    void loadBooksForIndexing();
    void indexBook(int bookId);
    void flushIndexingBooks();
    void recreateIndex();
    void reportCriticalError(const QString& text);
    void emitProgress();
    // Rolls the writer's uncommitted changes back; the books this run had
    // indexed go back in its queue.
    void discardChanges();
    void handleStepError(const std::exception& error, const BookPtr& inHand);
    void handleFlushError(const std::exception& error);

    const quint32 m_languageId;
    IndexWriterHost* const m_host;
    bool m_connected = false;
    std::shared_ptr<TarnolixDB> m_db;
    std::atomic<int32_t> m_stop{0};
    int m_timerId = 0;
    int m_timerInterval = -1;
    int m_indexedCount = 0;
    int m_currentBookId = 0;
    int m_currentBookAttempts = 0;
    std::unordered_map<int, BookPtr> m_books;
    std::deque<BookPtr> m_queue;
    bool m_changedWhileBusy = false;
    CachedDocument m_cachedDocument;
    bool m_waitingForUpdateCompleter = false;
    // The writer holds changes that no commit has published yet.
    bool m_uncommitted = false;
    int m_flushFailures = 0;
};

class IndexWriterThread : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool active READ active NOTIFY activeChanged)
    Q_PROPERTY(int progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(int progressTotal READ progressTotal NOTIFY progressChanged)

public:
    explicit IndexWriterThread(quint32 languageId, QObject* parent = nullptr);
    // Stops the worker, then waits for the thread without a deadline.
    ~IndexWriterThread() override;

    // Replaces any previous thread and worker by new ones and starts the
    // thread ("IndexWriterThread<language id>"); the worker gets the current
    // IndexWriterHost.
    void create();
    // Stops the worker and quits the thread; `wait` waits for it too.
    void close(bool wait);

    // The index's shared reader; any thread. Throws Exception "Index writer
    // thread is closed" once the worker is stopped or before create.
    Lucene::IndexReaderPtr getReader();
    // Asks the worker, on its thread, to close the index when nobody uses
    // it; nothing once the worker is stopped. Any thread.
    void closeIfNotUsed();

    quint32 languageId() const { return m_languageId; }
    bool active() const { return m_active; }
    int progress() const { return m_progress; }
    int progressTotal() const { return m_progressTotal; }
    // The current thread; null before create.
    QThread* writerThread() const { return m_thread; }

signals:
    void activeChanged();
    void progressChanged();

public slots:
    void implActiveChanged(bool active);
    void implProgress(int progress, int total);
    void implCriticalError(const QString& error);

private:
    std::shared_ptr<IndexWriterThreadImpl> worker() const;
    // Asks the worker to stop and lets go of it: it ends with its thread.
    void releaseWorker();

    const quint32 m_languageId;
    QThread* m_thread = nullptr;
    mutable std::mutex m_workerMutex;
    std::shared_ptr<IndexWriterThreadImpl> m_worker;
    bool m_active = false;
    int m_progress = 0;
    int m_progressTotal = 0;
};

} // namespace tarnolix
