#include "search/index/IndexWriterThread.h"

#include "core/LocationInfo.h"
#include "core/TarnolixConstants.h"
#include "core/TarnolixEvents.h"
#include "database/DatabasePool.h"
#include "database/LibrarySettingsKeys.h"
#include "database/TarnolixDB.h"
#include "search/index/BookDocuments.h"
#include "search/index/ErrorText.h"
#include "search/index/IndexLocations.h"
#include "search/index/IndexRuns.h"
#include "search/index/IndexWriterHost.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimerEvent>

#include <algorithm>
#include <thread>
#include <vector>

namespace tarnolix {

namespace {

constexpr int kNoKeysRetryMs = 100;
constexpr int kUpdateRunningPollMs = 10000;
constexpr int kBookRetryMs = 1000;
constexpr int kFirstFlushRetryMs = 1000;
constexpr int kCriticalExitCode = static_cast<int>(0x81354679u);

TarnolixConstants::Language asLanguage(quint32 languageId)
{
    return static_cast<TarnolixConstants::Language>(languageId);
}

} // namespace

// ---- IndexWriterThreadImpl

IndexWriterThreadImpl::IndexWriterThreadImpl(quint32 languageId, IndexWriterHost* host, QObject* parent)
    : SearchIndex(parent)
    , m_languageId(languageId)
    , m_host(host)
{
    initAnalyzers();
}

IndexWriterThreadImpl::~IndexWriterThreadImpl() = default;

QString IndexWriterThreadImpl::indexPath() const
{
    return indexLocations().indexPath(m_languageId);
}

bool IndexWriterThreadImpl::isPreparedLibrary() const
{
    return isPreparedLibraryIndex();
}

bool IndexWriterThreadImpl::optimizeError()
{
    if (!m_db)
        throw Exception("Index writer: no library connection");
    return m_db->getSettingOr(QLatin1String(LibrarySettingsKeys::IndexOptimizeError), false).toBool();
}

void IndexWriterThreadImpl::setOptimizeError(bool error)
{
    if (!m_db)
        throw Exception("Index writer: no library connection");
    m_db->setSetting(QLatin1String(LibrarySettingsKeys::IndexOptimizeError), error);
}

bool IndexWriterThreadImpl::isAuthorized() const
{
    return m_host && m_host->isAuthorized();
}

bool IndexWriterThreadImpl::updateCompleterExists() const
{
    return m_host && m_host->updateCompleterExists();
}

void IndexWriterThreadImpl::threadFinished()
{
    if (m_timerId != 0) {
        killTimer(m_timerId);
        m_timerId = 0;
        m_timerInterval = -1;
    }
    m_books.clear();
    m_queue.clear();
    m_uncommitted = false;
    close(true);
}

void IndexWriterThreadImpl::init()
{
    if (isPreparedLibrary()) {
        try {
            prepareIndexDirectory();
            open(true, ReadOnly);
        } catch (const std::exception& error) {
            qWarning("Prepared library index error: %s", qUtf8Printable(errorText(error)));
            close(true);
            reportCriticalError(QStringLiteral("Prepared library index requires recovery"));
        }
        return;
    }

    if (!m_connected) {
        m_connected = true;
        if (m_host) {
            connect(m_host, &IndexWriterHost::isAuthorizedChanged, this, &IndexWriterThreadImpl::isAuthorizedChanged,
                    Qt::QueuedConnection);
            connect(m_host, &IndexWriterHost::updateCompleterChanged, this,
                    &IndexWriterThreadImpl::updateCompleterChanged, Qt::QueuedConnection);
        }
        if (TarnolixEvents* events = TarnolixEvents::current()) {
            connect(events, &TarnolixEvents::booksForIndexingChanged, this,
                    &IndexWriterThreadImpl::booksForIndexingChanged, Qt::QueuedConnection);
            connect(events, &TarnolixEvents::dbAllDataDeleted, this, &IndexWriterThreadImpl::dbAllDataDeleted,
                    Qt::QueuedConnection);
        }
    }

    try {
        try {
            qDebug("Intitializate indexing thread");
            prepareIndexDirectory();
            DatabasePool* pool = databasePool();
            if (!pool)
                throw Exception("No library database is open");
            m_db = pool->database(std::this_thread::get_id(), true, DatabasePool::kWriterBusyTimeoutMs);
            m_db->setWaitCursorOnTransaction(false);
            open(true, ReadOnly);
            if (isAuthorized() && !isActive()) {
                const int count = m_db->countBFI(asLanguage(m_languageId));
                if (count != 0) {
                    qInfo("bookForIndexingCount: %d. Start indexing...", count);
                    startIndexBooks();
                }
            }
        } catch (const Lucene::NoSuchDirectoryException&) {
            Lucene::FSDirectory::open(indexPath().toStdWString())->createDir();
            recreateIndex();
        } catch (const Lucene::FileNotFoundException&) {
            recreateIndex();
        } catch (const Lucene::LuceneException&) {
            if (isPreparedLibrary() || !discardCutCreation(*this))
                throw;
            recreateIndex();
        }
    } catch (const std::exception& error) {
        close(true);
        reportCriticalError(QStringLiteral("init error: ") + errorText(error));
    }
}

void IndexWriterThreadImpl::recreateIndex()
{
    stopIndexBooks();
    open(true, Create);
    // The new empty index replaces a missing one: readers find an index at once.
    commit();
    m_db->queueAllBooksForIndexing(asLanguage(m_languageId), BookForIndexing::Index);
    if (isAuthorized()) {
        const int count = m_db->countBFI(asLanguage(m_languageId));
        if (count != 0) {
            qInfo("bookForIndexingCount(2): %d. Start indexing...", count);
            startIndexBooks();
        }
    }
}

void IndexWriterThreadImpl::reportCriticalError(const QString& text)
{
    qWarning("IndexWriterThreadImpl: Critical error: %s", qUtf8Printable(text));
    emit criticalError(text);
}

void IndexWriterThreadImpl::closeThread()
{
    m_stop.exchange(1);
}

void IndexWriterThreadImpl::startIndexBooks()
{
    startRun(0);
}

void IndexWriterThreadImpl::startRun(int interval)
{
    if (isPreparedLibrary())
        return;
    if (isActive())
        qCritical("startIndexBooks: Already active");
    if (updateCompleterExists()) {
        qDebug("IndexWriterThreadImpl: wait UpdateCompleter finished");
        m_waitingForUpdateCompleter = true;
        if (isActive())
            stopIndexBooks();
        return;
    }
    m_books.clear();
    m_queue.clear();
    cachedDocumentClear(m_cachedDocument);
    startIndexTimer(interval);
}

void IndexWriterThreadImpl::stopIndexBooks()
{
    // Whatever this run has not committed is discarded with it; its rows stay.
    if (m_uncommitted)
        discardChanges();
    m_books.clear();
    m_queue.clear();
    cachedDocumentReset(m_cachedDocument);
    if (m_timerId != 0) {
        killTimer(m_timerId);
        m_timerId = 0;
        m_timerInterval = -1;
        emit activeChanged(false);
    }
}

void IndexWriterThreadImpl::startIndexTimer(int interval)
{
    if (m_timerId != 0) {
        if (m_timerInterval == interval)
            return;
        killTimer(m_timerId);
    } else {
        m_indexedCount = 0;
        emit activeChanged(true);
        emit progress(0, 0);
    }
    m_timerId = startTimer(interval, Qt::CoarseTimer);
    m_timerInterval = interval;
}

void IndexWriterThreadImpl::timerEvent(QTimerEvent* event)
{
    if (m_timerId != 0 && event->timerId() == m_timerId)
        indexStep();
    else
        SearchIndex::timerEvent(event);
}

void IndexWriterThreadImpl::booksForIndexingChanged()
{
    if (!isActive())
        startIndexBooks();
    else
        m_changedWhileBusy = true;
}

void IndexWriterThreadImpl::updateCompleterChanged()
{
    if (!updateCompleterExists() && m_waitingForUpdateCompleter) {
        m_waitingForUpdateCompleter = false;
        startIndexBooks();
    }
}

void IndexWriterThreadImpl::isAuthorizedChanged()
{
    if (isPreparedLibrary() || isActive() || !m_db)
        return;
    try {
        const int count = m_db->countBFI(asLanguage(m_languageId));
        if (count != 0) {
            qInfo("IndexWriterThreadImpl::isAuthorizedChanged: bookForIndexingCount=%d. Start indexing...", count);
            startIndexBooks();
        }
    } catch (const std::exception& error) {
        qWarning("IndexWriterThreadImpl::isAuthorizedChanged: error: %s", qUtf8Printable(errorText(error)));
    }
}

void IndexWriterThreadImpl::dbAllDataDeleted()
{
    if (isPreparedLibrary())
        return;
    try {
        stopIndexBooks();
        qWarning("IndexWriterThreadImpl::dbAllDataDeleted");
        open(true, Create);
        // Emptied for good: the library it indexed is gone.
        commit();
    } catch (const std::exception& error) {
        qCritical("IndexWriterThreadImpl::dbAllDataDeleted: Clear index error: %s", qUtf8Printable(errorText(error)));
        if (m_host)
            m_host->postShowError(tr("Требуется переиндексация!"));
    }
}

void IndexWriterThreadImpl::doCloseIfNotUsed()
{
    closeIfNotUsed();
}

void IndexWriterThreadImpl::loadBooksForIndexing()
{
    for (const auto& [bookId, action] : m_db->selectBFI(asLanguage(m_languageId))) {
        const auto found = m_books.find(bookId);
        if (found == m_books.end()) {
            auto book = std::make_shared<BookForIndexing>();
            book->bookId = bookId;
            book->action = static_cast<quint8>(action);
            m_books.emplace(bookId, book);
            m_queue.push_back(book);
            continue;
        }
        BookForIndexing& book = *found->second;
        if (book.action == static_cast<quint8>(action))
            continue;
        book.action = static_cast<quint8>(action);
        if (book.done || book.skipped) {
            book.done = false;
            book.skipped = false;
            m_queue.push_back(found->second);
        }
    }
}

void IndexWriterThreadImpl::emitProgress()
{
    const int total = m_indexedCount + int(m_queue.size());
    qInfo("Index writer: progress: %d/%d", m_indexedCount, total);
    emit progress(m_indexedCount, total);
}

void IndexWriterThreadImpl::indexStep()
{
    // The thread is closing: nothing more of this run is written or published.
    if (m_stop.load() != 0) {
        stopIndexBooks();
        return;
    }
    if (!isAuthorized()) {
        stopIndexBooks();
        return;
    }

    BookPtr inHand;
    try {
        if (!m_db || !m_host || !m_host->bookTextKeysReady()) {
            startIndexTimer(kNoKeysRetryMs);
            return;
        }
        if (m_queue.empty()) {
            loadBooksForIndexing();
            if (m_queue.empty()) {
                if (m_host->isDatabaseUpdating()) {
                    startIndexTimer(kUpdateRunningPollMs);
                    return;
                }
                if (isWriterOpen()) {
                    try {
                        flushIndexingBooks();
                    } catch (const std::exception& error) {
                        handleFlushError(error);
                        return;
                    }
                }
                stopIndexBooks();
                return;
            }
        }

        inHand = m_queue.front();
        if (inHand->bookId != m_currentBookId) {
            m_currentBookId = inHand->bookId;
            m_currentBookAttempts = 0;
        }
        if (inHand->action != BookForIndexing::Index && inHand->action != BookForIndexing::Delete)
            throw Exception(QStringLiteral("Unknown action: %1").arg(inHand->action));

        if (!isWriterOpen())
            open(true, Write);
        m_uncommitted = true;
        writableIndexWriter()->deleteDocuments(bookIdTerm(inHand->bookId));
        if (inHand->action == BookForIndexing::Index)
            indexBook(inHand->bookId);
        resetReader();

        // Done before the queue is read again, so that a new action for this
        // very book puts it back in the queue.
        inHand->done = true;
        m_queue.pop_front();
        ++m_indexedCount;
        if (m_changedWhileBusy) {
            m_changedWhileBusy = false;
            loadBooksForIndexing();
        }
        startIndexTimer(0);
        emitProgress();
    } catch (const IndexWriterThreadExit&) {
        qWarning("Indexing rejected");
        stopIndexBooks();
    } catch (const std::exception& error) {
        handleStepError(error, inHand && !inHand->done ? inHand : BookPtr());
    }
}

void IndexWriterThreadImpl::handleStepError(const std::exception& error, const BookPtr& inHand)
{
    const QByteArray text = errorText(error).toUtf8();
    discardChanges();
    if (!isAuthorized()) {
        qWarning("Process book error(none authorized): %s", text.constData());
        stopIndexBooks();
    } else if (inHand) {
        if (++m_currentBookAttempts >= kMaxBookAttempts) {
            qWarning("Process book %d error: %s. Book was skipped...", inHand->bookId, text.constData());
            try {
                inHand->skipped = true;
                const auto at = std::find(m_queue.begin(), m_queue.end(), inHand);
                if (at != m_queue.end())
                    m_queue.erase(at);
                qDebug("Book %d process skipped", inHand->bookId);
            } catch (const std::exception& skipError) {
                qWarning("Skip book process error: %s", qUtf8Printable(errorText(skipError)));
            }
        } else {
            qWarning("Process book %d error: %s. Will try again...", inHand->bookId, text.constData());
        }
    } else {
        qWarning("Process book error: %s", text.constData());
    }
    startIndexTimer(kBookRetryMs);
}

void IndexWriterThreadImpl::discardChanges()
{
    if (isWriterOpen())
        close(true);
    m_uncommitted = false;

    // Their documents went with the rollback: they are indexed again.
    std::vector<BookPtr> undone;
    for (const auto& entry : m_books) {
        if (entry.second->done)
            undone.push_back(entry.second);
    }
    std::sort(undone.begin(), undone.end(), [](const BookPtr& a, const BookPtr& b) { return a->bookId < b->bookId; });
    for (const BookPtr& book : undone) {
        book->done = false;
        m_queue.push_back(book);
    }
    if (!undone.empty()) {
        m_indexedCount = std::max(0, m_indexedCount - int(undone.size()));
        emitProgress();
    }
}

void IndexWriterThreadImpl::handleFlushError(const std::exception& error)
{
    qWarning("Indexing completion error: %s", qUtf8Printable(errorText(error)));
    discardChanges();
    ++m_flushFailures;
    if (m_flushFailures >= kMaxFlushFailures) {
        qWarning("Indexing completion failed %d times in a row: indexing stopped until the next change",
                 m_flushFailures);
        m_flushFailures = 0;
        stopIndexBooks();
        return;
    }
    // The run starts again after a delay that doubles with each failure.
    startRun(kFirstFlushRetryMs << (m_flushFailures - 1));
}

void IndexWriterThreadImpl::indexBook(int bookId)
{
    const std::shared_ptr<BookBase> base = m_db->selectBookBase(bookId);
    const auto language = asLanguage(m_languageId);
    for (const TarnolixConstants::Language bookLanguage : base->languages) {
        if (bookLanguage != language)
            continue;
        const auto sections = m_db->selectBookSections(bookId, language);
        const auto parts = m_db->selectBookParts(bookId, language);
        if (sections.empty() && parts.empty())
            continue;
        const std::shared_ptr<BookInfo> info = m_db->selectBookInfo(bookId, language);
        const Lucene::IndexWriterPtr writer = writableIndexWriter();
        indexBookDocuments(
            int(m_languageId), m_cachedDocument, *base, *info, sections, parts,
            [this] {
                if (m_stop.load() != 0)
                    throw IndexWriterThreadExit();
            },
            [this, &writer](const Lucene::DocumentPtr& document, const std::wstring& text) {
                writer->addDocument(document, getHtmlAnalyzer(int(m_languageId), text));
            });
    }
}

void IndexWriterThreadImpl::flushIndexingBooks()
{
    if (m_books.empty())
        return;
    qDebug("flushIndexingBooks");
    optimize();
    // A failed optimisation released the writer: nothing is committed then.
    checkIndexWritable();
    commit();
    m_uncommitted = false;
    m_flushFailures = 0;

    std::vector<int> ids;
    for (const auto& entry : m_books) {
        if (entry.second->done && !entry.second->skipped)
            ids.push_back(entry.first);
    }
    std::sort(ids.begin(), ids.end());
    m_db->deleteFromBFI(asLanguage(m_languageId), ids);
    qDebug("flushIndexingBooks - Ok!");
}

// ---- IndexWriterThread

IndexWriterThread::IndexWriterThread(quint32 languageId, QObject* parent)
    : QObject(parent)
    , m_languageId(languageId)
{
}

IndexWriterThread::~IndexWriterThread()
{
    qDebug("Close index writer thread...");
    releaseWorker();
    if (m_thread) {
        m_thread->quit();
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
    }
}

std::shared_ptr<IndexWriterThreadImpl> IndexWriterThread::worker() const
{
    std::lock_guard<std::mutex> lock(m_workerMutex);
    return m_worker;
}

void IndexWriterThread::releaseWorker()
{
    std::shared_ptr<IndexWriterThreadImpl> worker;
    {
        std::lock_guard<std::mutex> lock(m_workerMutex);
        worker.swap(m_worker);
    }
    if (worker)
        worker->closeThread();
}

void IndexWriterThread::create()
{
    releaseWorker();
    if (m_thread) {
        m_thread->quit();
        m_thread->wait();
        m_thread->deleteLater();
        m_thread = nullptr;
    }

    m_thread = new QThread(this);
    m_thread->setObjectName(QStringLiteral("IndexWriterThread%1").arg(m_languageId));
    auto* raw = new IndexWriterThreadImpl(m_languageId, IndexWriterHost::current());
    raw->moveToThread(m_thread);
    // Shared with the callers of getReader and with the thread, which lets
    // go of it when it ends: the last holder deletes it, never under another.
    std::shared_ptr<IndexWriterThreadImpl> worker(raw);

    connect(m_thread, &QThread::started, raw, &IndexWriterThreadImpl::init);
    connect(
        m_thread, &QThread::finished, m_thread,
        [keep = worker]() mutable {
            keep->threadFinished();
            keep.reset();
        },
        Qt::DirectConnection);
    connect(raw, &IndexWriterThreadImpl::activeChanged, this, &IndexWriterThread::implActiveChanged,
            Qt::QueuedConnection);
    connect(raw, &IndexWriterThreadImpl::progress, this, &IndexWriterThread::implProgress, Qt::QueuedConnection);
    connect(raw, &IndexWriterThreadImpl::criticalError, this, &IndexWriterThread::implCriticalError,
            Qt::QueuedConnection);
    {
        std::lock_guard<std::mutex> lock(m_workerMutex);
        m_worker = std::move(worker);
    }
    m_thread->start(QThread::InheritPriority);
}

void IndexWriterThread::close(bool wait)
{
    releaseWorker();
    if (!m_thread)
        return;
    m_thread->quit();
    if (wait) {
        m_thread->wait();
        m_thread->deleteLater();
        m_thread = nullptr;
    }
}

Lucene::IndexReaderPtr IndexWriterThread::getReader()
{
    const std::shared_ptr<IndexWriterThreadImpl> current = worker();
    if (!current)
        throw Exception("Index writer thread is closed");
    return current->getReader();
}

void IndexWriterThread::closeIfNotUsed()
{
    if (const std::shared_ptr<IndexWriterThreadImpl> current = worker())
        QMetaObject::invokeMethod(current.get(), "doCloseIfNotUsed", Qt::QueuedConnection);
}

void IndexWriterThread::implActiveChanged(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    emit activeChanged();
}

void IndexWriterThread::implProgress(int progress, int total)
{
    if (m_progress == progress && m_progressTotal == total)
        return;
    m_progress = progress;
    m_progressTotal = total;
    emit progressChanged();
}

void IndexWriterThread::implCriticalError(const QString& error)
{
    Q_UNUSED(error)
    qWarning("INDEX WRITER CRITICAL ERROR(0x81354679)");
    QCoreApplication::exit(kCriticalExitCode);
}

} // namespace tarnolix
