// The account runtime of the application object: opening it once an account
// library is selected, closing it on logout and at exit. Each step names the
// objects it makes; a subsystem not built yet leaves its member null here
// and fills its step when it lands.

#include "app/AppIndexWriterHost.h"
#include "app/DatabaseUpdaterPrivate.h"
#include "app/ClipboardTextFormattingWatcher.h"
#include "app/DebugHelper.h"
#include "app/IndexingProgressInfo.h"
#include "app/SecondThread.h"
#include "app/UpdateCompleter.h"
#include "app/Tarnolix.h"
#include "app/TextTablesOnce.h"
#include "app/WindowsEventFilter.h"
#include "core/Exception.h"
#include "core/TarnolixConstants.h"
#include "database/BookTextCipher.h"
#include "database/DatabasePool.h"
#include "database/LibrarySettingsKeys.h"
#include "database/TarnolixDB.h"
#include "favorites/FavoriteHelper.h"
#include "models/GlossaryTreeMngr.h"
#include "pages/HTMLCreator.h"
#include "search/index/GlossaryIndex.h"
#include "search/index/IndexWriterThread.h"
#include "search/index/WordByWordIndex.h"
#include "search/searchers/FTSearchThread.h"
#include "search/searchers/SearchIndexLookup.h"
#include "tabs/FTSearchPageStatus.h"

#include <QAbstractEventDispatcher>
#include <QDir>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <exception>

namespace {

// One-time upgrades: a stored value below the current one runs the upgrade
// once, then the current value is stored.
const char kReloadBooksKey[] = "RELOADBOOKS";
constexpr int kReloadBooksVersion = 22;
const char kReindexKey[] = "REINDEX";
constexpr int kReindexVersion = 14;
const char kUpdateBooksKey[] = "UPDATEBOOKS";
constexpr int kUpdateBooksVersion = 3;

constexpr int kThreadPoolPollMs = 100;

bool upgradeDue(const Settings& settings, const char* key, int version)
{
    return settings.value(QLatin1String(key), 0).toInt() < version;
}

template <typename T>
void deleteAndClear(T*& object)
{
    delete object;
    object = nullptr;
}

} // namespace

void Tarnolix::tarnolixStartup(std::thread::id guiThread)
{
    // 1-3: refusals leave everything as it is.
    if (m_runtimeReady || m_databasePool)
        throw Exception("Runtime initialization is one-shot");
    if (!m_locationInfo->isAccountSelected())
        throw Exception("Select an authenticated account library before opening workers");
    tarnolixCheckSingleInstance();

    try {
        // 4
        m_locationInfo->freezeLibraryPaths();
        // 5
        initTextTablesOnce();
        // 6: the half of the key pair that the data directory gives.
        m_cipherKeyPair.setIvFromString(m_locationInfo->dataLocation());
        setBookTextCipher(&m_cipherKeyPair);
        // 7
        openLibraryConnection(guiThread);
        // 8
        applyOneTimeUpgrades();
        // 9
        m_secondThread->start();
        // 10
        createUpdateCompleter();
        // 11
        startIndexWriters();
        // 12
        createPageGenerator();
        // 13
        createSearchObjects();
        // 14
        installNativeEventFilter();
        // 15
        if (m_updateCompleter)
            m_updateCompleter->start();
        // 16
        createFavoritesServices();
        // 17
        m_debugHelper = new DebugHelper(this);
    } catch (...) {
        // Nothing stays half open: the next opening starts from a closed runtime.
        closeAccountRuntime(Teardown::Logout);
        m_secondThread = new SecondThread;
        m_glossaryTreeMngr = new GlossaryTreeMngr;
        GlossaryTreeMngr::setCurrent(m_glossaryTreeMngr);
        throw;
    }
    // 18
    m_runtimeReady = true;
    emit runtimeInitialized();
}

void Tarnolix::openLibraryConnection(std::thread::id guiThread)
{
    m_databasePool = std::make_unique<DatabasePool>(guiThread, *m_locationInfo);
    setDatabasePool(m_databasePool.get());
    m_guiDatabase = m_databasePool->database(guiThread, true, DatabasePool::kInteractiveBusyTimeoutMs);
    m_guiDatabase->initialize();
}

void Tarnolix::applyOneTimeUpgrades()
{
    if (upgradeDue(*m_settings, kReloadBooksKey, kReloadBooksVersion)) {
        DatabaseUpdaterPrivate::resetStoredStatus(*m_guiDatabase, true);
        m_settings->setValue(QLatin1String(kReloadBooksKey), kReloadBooksVersion);
    }
    if (upgradeDue(*m_settings, kReindexKey, kReindexVersion)) {
        for (const TarnolixConstants::Language language : languageList())
            QDir(m_locationInfo->indexPath(unsigned(language))).removeRecursively();
        m_settings->setValue(QLatin1String(kReindexKey), kReindexVersion);
    }
    if (upgradeDue(*m_settings, kUpdateBooksKey, kUpdateBooksVersion)) {
        DatabaseUpdaterPrivate::resetStoredStatus(*m_guiDatabase, false);
        m_settings->setValue(QLatin1String(kUpdateBooksKey), kUpdateBooksVersion);
    }
}

void Tarnolix::createUpdateCompleter()
{
    if (!UpdateCompleter::isCompletionNeeded(*m_guiDatabase))
        return;
    m_updateCompleter = new UpdateCompleter(this);
    connect(m_updateCompleter, &QObject::destroyed, this, &Tarnolix::updateCompleterDestroyed);
    connect(m_updateCompleter, &UpdateCompleter::finished, this, &Tarnolix::updateCompleterFinished);
    emit updateCompleterChanged();
}

void Tarnolix::startIndexWriters()
{
    m_indexWriterHost = std::make_unique<AppIndexWriterHost>(*this);
    tarnolix::IndexWriterHost::setCurrent(m_indexWriterHost.get());
    m_indexWriterThreads.reserve(languageList().size());
    for (quint32 languageId = 1; languageId <= quint32(languageList().size()); ++languageId) {
        auto* writer = new tarnolix::IndexWriterThread(languageId);
        m_indexWriterThreads.push_back(writer);
        writer->create();
    }
}

void Tarnolix::createPageGenerator()
{
    m_htmlCreator = std::make_shared<HTMLCreator>();
    updatePageFrameState();
}

void Tarnolix::updatePageFrameState()
{
    if (!m_htmlCreator)
        return;
    PageFrameState state;
    state.webviewZoomFactor = m_webviewZoomFactor;
    state.colorMode = m_currentColorMode;
    state.showSanskrit = m_settings->showSanskrit();
    state.showDiacritic = m_settings->showDiacritic();
    state.showWordByWord = m_settings->showWordByWord();
    state.showTranslate = m_settings->showTranslate();
    state.showComment = m_settings->showComment();
    m_htmlCreator->setFrameState(state);
}

void Tarnolix::createSearchObjects()
{
    // In order: the full-text search manager (with the searchers), the
    // clipboard watcher, the word-by-word index (opened, with the index), the
    // indexing progress, the glossary index (opened, with the glossaries).
    tarnolix::setIndexWriterThreadLookup([this](unsigned languageId) { return indexWriterThread(languageId); });
    m_ftSearchThreadManager = new tarnolix::FTSearchThreadManager(this);
    FTSearchPageStatus::setThreadManager(m_ftSearchThreadManager);
    m_clipboardWatcher = new ClipboardTextFormattingWatcher(*this, this);
    m_wordByWordIndex = new tarnolix::WordByWordIndex;
    m_indexingProgressInfo = new IndexingProgressInfo(m_indexWriterThreads);
    m_glossaryIndex = new tarnolix::GlossaryIndex;
}

void Tarnolix::installNativeEventFilter()
{
    if (m_settings->useOpenGLES())
        return;
    m_windowsEventFilter = new WindowsEventFilter;
    QAbstractEventDispatcher::instance(thread())->installNativeEventFilter(m_windowsEventFilter);
}

void Tarnolix::createFavoritesServices()
{
    m_favoriteHelper = new FavoriteHelper(m_guiDatabase, this);
    // The favorites synchronisation manager is made here (with the
    // synchronisation), following isAuthorizedChanged.
}

void Tarnolix::closeAccountRuntime(Teardown kind)
{
    // 1: the account refresh, the favorites synchronisation and service (with
    // their subsystems), then the debug tools.
    delete m_initializer;
    deleteAndClear(m_favoriteHelper);
    deleteAndClear(m_debugHelper);

    // 2: no pool job may outlive the connections and objects below.
    if (kind == Teardown::Logout) {
        QThreadPool::globalInstance()->waitForDone();
    } else {
        while (QThreadPool::globalInstance()->activeThreadCount() > 0)
            QThread::msleep(kThreadPoolPollMs);
    }

    // 3
    for (QObject* writer : m_indexWriterThreads)
        static_cast<tarnolix::IndexWriterThread*>(writer)->close(false);

    // 4
    if (m_windowsEventFilter) {
        if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(thread()))
            dispatcher->removeNativeEventFilter(m_windowsEventFilter);
        deleteAndClear(m_windowsEventFilter);
    }

    // 5: in order the update completer, the glossary index, the indexing
    // progress, the word-by-word index, the clipboard watcher, (at exit) the
    // tab manager, the search manager, the second thread, the glossary tree
    // manager (a catalogue filter still running on the second thread reads
    // it), (at exit) the program updater, then the index writers.
    if (m_updateCompleter) {
        disconnect(m_updateCompleter, nullptr, this, nullptr);
        deleteAndClear(m_updateCompleter);
    }
    deleteAndClear(m_glossaryIndex);
    deleteAndClear(m_indexingProgressInfo);
    deleteAndClear(m_wordByWordIndex);
    deleteAndClear(m_clipboardWatcher);
    deleteAndClear(m_ftSearchThreadManager);
    tarnolix::setIndexWriterThreadLookup({});
    deleteAndClear(m_secondThread);
    deleteAndClear(m_glossaryTreeMngr);
    // Each waits for its thread.
    for (QObject* writer : m_indexWriterThreads)
        delete writer;
    m_indexWriterThreads.clear();
    m_indexWriterHost.reset();

    // 6
    m_htmlCreator.reset();
    m_guiDatabase.reset();
    setDatabasePool(nullptr);
    setBookTextCipher(nullptr);
    m_databasePool.reset();
    m_locationInfo->releaseLibraryPaths();
    m_runtimeReady = false;
}

void Tarnolix::logout()
{
    qDebug("Tarnolix::logout");
    if (m_closing)
        return;
    m_closing = true;
    setIsAuthorized(false);
    m_settings->remove(QStringLiteral("Login/Token"));
    m_settings->remove(QStringLiteral("User"));
    m_settings->sync();
    m_api->setToken(QString());
    emit accountRuntimeClosing();
    // QML unloads the main window first; the rest follows on the next turn.
    QTimer::singleShot(0, this, &Tarnolix::finishLogout);
}

void Tarnolix::finishLogout()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    setCurTabStatus(nullptr);
    closeAccountRuntime(Teardown::Logout);
    m_user->clear();
    m_cipherKeyPair.setKeyFromString(QString());
    m_api->reset();
    m_secondThread = new SecondThread;
    m_glossaryTreeMngr = new GlossaryTreeMngr;
    GlossaryTreeMngr::setCurrent(m_glossaryTreeMngr);

    m_startupPhase.clear();
    m_startupError.clear();
    m_startupCompleted = 0;
    m_startupTotal = 0;
    m_startupBusy = false;
    m_startupOfflineAvailable = false;
    m_startupRestartRequired = false;
    m_closing = false;

    emit initializerChanged();
    emit updateCompleterChanged();
    emit runtimeInitialized();
    emit startupChanged();
    emit startupLoginRequired();
}
