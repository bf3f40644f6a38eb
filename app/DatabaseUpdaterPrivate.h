#pragma once
// The library update engine. One instance per run: made on the caller's
// thread, moved to its worker thread and started by init() when that thread
// starts. It fetches the reference data, the two book-id lists, the books
// (at most eight at a time, through the books saver) and the glossaries, and
// completes the run by rebuilding what the book steps left behind. Its saved
// status in the library's Settings lets an interrupted run go on where it
// stopped.
//
// Everything but stop() runs on the worker thread: the API client, the
// timers and the database connection are made there by init(). Other
// threads reach the engine through queued calls only.

#include "core/UpdaterSavedStatus.h"
#include "updates/UpdateProtocol.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

class DatabaseBooksSaver;
class QFile;
class QNetworkReply;
class QTimer;
class TarnolixAPI;
class TarnolixDB;
class UpdateConnectionRetry;

namespace tarnolix {
class GlossaryIndex;
class WordByWordIndex;
} // namespace tarnolix

// What a run may change from the defaults (tests shorten the pauses).
struct DatabaseUpdaterOptions
{
    bool checkOnly = false;
    int connectionRetryMs = 2000;
    int bookRetryMs = 2000;
    int saveStatusMs = 5000;
    // Nothing bounds what the server sends: larger glossaries archives and
    // entries are refused.
    qint64 maxGlossariesArchiveBytes = 1024LL * 1024 * 1024;
    qint64 maxGlossaryEntryBytes = 64LL * 1024 * 1024;
    // Makes the API client on the worker thread; null: the program's.
    std::function<TarnolixAPI*(QObject* parent)> apiFactory;
};

class DatabaseUpdaterPrivate : public QObject
{
    Q_OBJECT

public:
    enum Status {
        Invalid = 0,
        LoadingCatalogs = 1,
        LoadingBooks = 2,
        LoadingGlossaries = 3,
        InstallGlossaries = 4,
        FinalAction = 5,
        Finished = 6,
        Failed = 7,
        Rejected = 8,
    };
    Q_ENUM(Status)

    // Counted errors after which a step gives up.
    static constexpr int kMaxErrors = 50;
    // Glossary words and articles buffered before they are written.
    static constexpr qint64 kGlossaryFlushBytes = 52428800;
    using Options = DatabaseUpdaterOptions;

    // The two indexes are the program's; they must outlive the engine.
    DatabaseUpdaterPrivate(const QString& token, const QString& subscriptionLevel,
                           tarnolix::WordByWordIndex& wordByWordIndex, tarnolix::GlossaryIndex& glossaryIndex,
                           Options options = Options());
    ~DatabaseUpdaterPrivate() override;

    // Any thread: every handler then does nothing more.
    void stop() { m_stop.store(true); }
    bool isStopped() const { return m_stop.load(); }

    // Worker thread.
    int status() const { return m_status; }
    QString errorText() const { return m_errorText; }
    int progress() const { return m_progress; }
    int progressTotal() const { return m_progressTotal; }
    bool isCheckOnly() const { return m_options.checkOnly; }
    // What a check-only run found.
    bool referenceChanged() const { return m_referenceChanged; }
    int unavailableCount() const { return m_unavailableCount; }
    int changedCount() const { return m_changedCount; }
    bool glossariesChanged() const { return m_glossariesChanged; }
    const UpdaterSavedStatus& savedStatus() const { return m_saved; }

    // Forgets where an interrupted update stopped: library status 0, an empty
    // saved status and, with `resetTime`, "BooksUpdateTime" 0.
    static void resetStoredStatus(TarnolixDB& database, bool resetTime);
    // Keeps the rows of books the server no longer offers in the retained
    // tables, removes them from the library and queues them out of the
    // indexes. Needs its own transaction.
    static void deleteBooks(const std::shared_ptr<TarnolixDB>& database, const std::vector<int>& ids,
                            tarnolix::WordByWordIndex& wordByWordIndex);

signals:
    void statusChanged(int status);
    void errorTextChanged(const QString& text);
    void progressChanged(int progress);
    void progressTotalChanged(int progressTotal);

public slots:
    void init();
    void saveStatusTimerTimeout();
    void saveStatus(bool force);
    void apiReceived(int id);
    void setProgress(int progress);
    void setProgress(qint64 progress, qint64 progressTotal);
    void setProgressTotal(int progressTotal);
    void pReject();
    void loadGlossariesMd5();
    void handleGlossariesMd5Response();
    void loadGlossaries();
    void loadGlossariesReadyRead();
    void loadGlossariesFinished();
    void installGlossary();
    void glossaryComplete();
    void setLoadGlossaryReply(QNetworkReply* reply);
    void loadGlossaryReplyDestroyed();
    bool openGlossariesArchive();
    void removeGlossariesArchive();

private:
    enum class HandlerResult { InvalidId, Done, Failed, Retry };
    enum class Reference { Categories, Persons, Publishers, ArchiBooks };

    void setStatus(int status);
    void setErrorText(const QString& text);
    void clearErrorState();
    // Counts an error; true while the step may try again.
    bool countError();
    void markDirty() { m_dirty = true; }

    void sendReference(Reference reference);
    HandlerResult handleReference(Reference reference, int id);
    void sendBookIds(bool changed);
    bool handleAvailableIds(int id);
    bool handleChangedIds(int id);
    void handleBookReply(int id);
    void bookFailed(int bookId, const QString& text);
    void loadBooks(int exceptId);
    void checkBooksComplete();
    void saveBufferedBooks();
    bool isIncremental() const { return m_incrementalTime > 0; }
    bool isActiveBook(int id, int* bookId = nullptr) const;
    void startBooksTimer(int ms);
    void onBooksTimer();

    bool deferConnectionFailure(int id);
    bool deferReply(const QString& key, int httpStatus, int networkError, bool connectionFailure,
                    std::function<void()> action);
    // The finished glossaries reply when it is the awaited one in status 3.
    QNetworkReply* acceptGlossaryReply(const char* prefix);
    bool deferGlossaryReply(const QNetworkReply& reply, UpdateProtocol::Request request);
    void installGlossaryArchive();
    void clearGlossaries();
    void flushGlossaryBuffers();

    void completeUpdate(int status, QString text);
    void reloadBooksExists();
    void updateCatalogPositions();
    void releaseRun();

    std::atomic<bool> m_stop{false};
    const QString m_token;
    const QString m_subscriptionLevel;
    int m_status = Invalid;
    TarnolixAPI* m_api = nullptr;
    std::shared_ptr<TarnolixDB> m_db;
    QString m_debugArchiveDir;
    const Options m_options;
    tarnolix::WordByWordIndex& m_wordByWordIndex;
    tarnolix::GlossaryIndex& m_glossaryIndex;
    bool m_referenceChanged = false;
    int m_unavailableCount = 0;
    int m_changedCount = 0;
    bool m_glossariesChanged = false;
    UpdaterSavedStatus m_saved;
    bool m_dirty = false;
    QTimer* m_saveTimer = nullptr;
    int m_errorCount = 0;
    // Failed writes of the downloaded batch since the last good one; a good
    // download clears m_errorCount, never this.
    int m_saveErrorCount = 0;
    QString m_errorText;
    int m_categoriesId = 0;
    int m_personsId = 0;
    int m_publishersId = 0;
    int m_archiBooksId = 0;
    int m_bookIdsId = 0;
    std::vector<std::pair<int, int>> m_activeBooks;
    std::map<int, int> m_bookFailures;
    QString m_deferredBooksMessage;
    UpdateConnectionRetry* m_connectionRetry = nullptr;
    QTimer* m_booksTimer = nullptr;
    int m_progress = 0;
    int m_progressTotal = 0;
    std::unique_ptr<DatabaseBooksSaver> m_booksSaver;
    bool m_positionsInUse = false;
    qint64 m_incrementalTime = 0;
    QPointer<QNetworkReply> m_glossaryReply;
    std::unique_ptr<QFile> m_glossariesArchive;
    qint64 m_glossariesArchiveBytes = 0;
};
