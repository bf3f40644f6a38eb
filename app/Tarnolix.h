#pragma once
// The application object: the program's QApplication and the QML singleton
// "Tarnolix". It owns what lives as long as the process (locations, crash
// writer, interface language, lock file, constants and events, cipher key
// pair, the second thread) and, apart from that, the account runtime: what
// needs an open library (connection pool and the GUI thread's connection,
// indexing progress, native event filter, debug tools, ...). The runtime
// opens once an account library is selected and closes on logout and exit.
//
// Objects of subsystems that are not built yet have a null member in the
// step of the opening or closing that makes or deletes them; the steps are
// private functions in app/TarnolixRuntime.cpp, in the order they run.

#include "app/DPCalculate.h"
#include "app/DebugHelper.h"
#include "app/IndexingProgressInfo.h"
#include "app/Initializer.h"
#include "app/TarnolixAPI.h"
#include "app/UserObject.h"
#include "core/CipherKeyPair.h"
#include "core/LocationInfo.h"
#include "core/ProgramVersion.h"
#include "core/Settings.h"
#include "core/TarnolixConstants.h"
#include "core/TarnolixEvents.h"
#include "tabs/TabStatus.h"

#include <QApplication>
#include <QMetaObject>
#include <QPoint>
#include <QString>

#include <memory>
#include <thread>
#include <vector>

class AppFavoritesServices;
class AppModelServices;
class AppPageServices;
class AppTabServices;
class ClipboardTextFormattingWatcher;
class CrashDumpCreator;
class DatabasePool;
class QLockFile;
class QWindow;
class SecondThread;
class TabStatusMngr;
class TarnolixDB;
class TranslatorMngr;
class WindowsEventFilter;

// Objects of later subsystems; their members stay null until they exist.
class FavoriteHelper;
class FavoritesSyncManager;
class GlossaryTreeMngr;
class HTMLCreator;
class LinuxAutoUpdater;
class UpdateCompleter;
namespace tarnolix {
class GlossaryIndex;
class WordByWordIndex;
class IndexWriterHost;
class IndexWriterThread;
class FTSearchThreadManager;
} // namespace tarnolix

class Tarnolix : public QApplication
{
    Q_OBJECT
    Q_PROPERTY(Settings* settings READ settings CONSTANT)
    Q_PROPERTY(LocationInfo* locationInfo READ locationInfo CONSTANT)
    Q_PROPERTY(TarnolixConstants* constants READ constants CONSTANT)
    Q_PROPERTY(TarnolixEvents* events READ events CONSTANT)
    Q_PROPERTY(TarnolixAPI* api READ api CONSTANT)
    Q_PROPERTY(UserObject* user READ user CONSTANT)
    Q_PROPERTY(Initializer* initializer READ initializer NOTIFY initializerChanged)
    Q_PROPERTY(QObject* autoUpdater READ autoUpdater CONSTANT)
    Q_PROPERTY(bool storeBuild READ storeBuild CONSTANT)
    Q_PROPERTY(TabStatus* curTabStatus READ curTabStatus WRITE setCurTabStatus NOTIFY curTabStatusChanged)
    Q_PROPERTY(bool curTabBookMode READ curTabBookMode NOTIFY curTabBookModeChanged)
    Q_PROPERTY(TarnolixConstants::ColorMode currentColorMode READ currentColorMode NOTIFY currentColorModeChanged)
    Q_PROPERTY(QObject* tabControl READ tabControl WRITE setTabControl NOTIFY tabControlChanged)
    Q_PROPERTY(QObject* translatorMngr READ translatorMngrObject CONSTANT)
    Q_PROPERTY(QString sVersion READ sVersion CONSTANT)
    Q_PROPERTY(bool isAuthorized READ isAuthorized WRITE setIsAuthorized NOTIFY isAuthorizedChanged)
    Q_PROPERTY(IndexingProgressInfo* indexingProgressInfo READ indexingProgressInfo NOTIFY runtimeInitialized)
    Q_PROPERTY(bool runtimeReady READ runtimeReady NOTIFY runtimeInitialized)
    Q_PROPERTY(bool preparedLibraryEnabled READ preparedLibraryEnabled CONSTANT)
    Q_PROPERTY(QObject* preparedUpdate READ preparedUpdate CONSTANT)
    Q_PROPERTY(QString startupPhase READ startupPhase NOTIFY startupChanged)
    Q_PROPERTY(QString startupError READ startupError NOTIFY startupChanged)
    Q_PROPERTY(qint64 startupCompleted READ startupCompleted NOTIFY startupChanged)
    Q_PROPERTY(qint64 startupTotal READ startupTotal NOTIFY startupChanged)
    Q_PROPERTY(bool startupBusy READ startupBusy NOTIFY startupChanged)
    Q_PROPERTY(bool startupOfflineAvailable READ startupOfflineAvailable NOTIFY startupChanged)
    Q_PROPERTY(bool startupRestartRequired READ startupRestartRequired NOTIFY startupChanged)
    Q_PROPERTY(QObject* updateCompleter READ updateCompleter NOTIFY updateCompleterChanged)
    // The main window's scale object; its defaultDp drives the web views' zoom.
    Q_PROPERTY(DPCalculate* mainWindowDPCalculate READ mainWindowDPCalculate WRITE setMainWindowDPCalculate
                   NOTIFY mainWindowDPCalculateChanged)
    Q_PROPERTY(double webviewZoomFactor READ webviewZoomFactor NOTIFY webviewZoomFactorChanged)
    Q_PROPERTY(QObject* favoriteHelper READ favoriteHelper NOTIFY runtimeInitialized)
    Q_PROPERTY(QObject* favoritesSyncMngr READ favoritesSyncMngr NOTIFY runtimeInitialized)
    Q_PROPERTY(DebugHelper* debugHelper READ debugHelper NOTIFY runtimeInitialized)

public:
    // `argc` must outlive the object (QApplication keeps the reference);
    // `settings` too, and it is not owned.
    Tarnolix(int& argc, char** argv, Settings* settings);
    ~Tarnolix() override;

    // The running application object; null when the QCoreApplication is not one.
    static Tarnolix* instance();

    Settings* settings() const { return m_settings; }
    LocationInfo* locationInfo() const { return m_locationInfo; }
    TarnolixConstants* constants() const { return m_constants; }
    TarnolixEvents* events() const { return m_events; }
    TranslatorMngr* translatorMngr() const { return m_translatorMngr; }
    CrashDumpCreator* crashDumpCreator() const { return m_crashDumpCreator.get(); }
    CipherKeyPair& cipherKeyPair() { return m_cipherKeyPair; }
    TarnolixAPI* api() const { return m_api; }
    UserObject* user() const { return m_user; }
    Initializer* initializer() const { return m_initializer; }
    QObject* autoUpdater() const;
    static bool storeBuild() { return false; }
    TabStatus* curTabStatus() const { return m_curTabStatus; }
    void setCurTabStatus(TabStatus* tabStatus);
    TabStatusMngr* tabStatusMngr() const { return m_tabStatusMngr; }
    bool curTabBookMode() const { return m_curTabBookMode; }
    TarnolixConstants::ColorMode currentColorMode() const { return m_currentColorMode; }
    QObject* tabControl() const { return m_tabControl; }
    void setTabControl(QObject* tabControl);
    QString sVersion();
    bool isAuthorized() const { return m_isAuthorized; }
    IndexingProgressInfo* indexingProgressInfo() const { return m_indexingProgressInfo; }
    // The pool of full-text search threads; null while no account runtime is open.
    tarnolix::FTSearchThreadManager* ftSearchThreadManager() const { return m_ftSearchThreadManager; }
    bool runtimeReady() const { return m_runtimeReady; }
    static bool preparedLibraryEnabled() { return false; }
    static QObject* preparedUpdate() { return nullptr; }
    QString startupPhase() const { return m_startupPhase; }
    QString startupError() const { return m_startupError; }
    qint64 startupCompleted() const { return m_startupCompleted; }
    qint64 startupTotal() const { return m_startupTotal; }
    bool startupBusy() const { return m_startupBusy; }
    bool startupOfflineAvailable() const { return m_startupOfflineAvailable; }
    bool startupRestartRequired() const { return m_startupRestartRequired; }
    QObject* updateCompleter() const;
    UpdateCompleter* updateCompleterObject() const { return m_updateCompleter; }
    DPCalculate* mainWindowDPCalculate() const { return m_mainWindowDPCalculate; }
    void setMainWindowDPCalculate(DPCalculate* dpCalculate);
    double webviewZoomFactor() const { return m_webviewZoomFactor; }
    QObject* favoriteHelper() const;
    // The favorites service of the open account runtime; null while it is closed.
    FavoriteHelper* favoriteHelperService() const { return m_favoriteHelper; }
    QObject* favoritesSyncMngr() const { return nullptr; }
    DebugHelper* debugHelper() const { return m_debugHelper; }
    WindowsEventFilter* windowsEventFilter() const { return m_windowsEventFilter; }
    SecondThread* secondThread() const { return m_secondThread; }
    // The glossary tree of the open account; replaced on logout.
    GlossaryTreeMngr* glossaryTreeMngr() const { return m_glossaryTreeMngr; }
    // The library's word-by-word and glossary indexes; null while the runtime is closed.
    tarnolix::WordByWordIndex* wordByWordIndex() const { return m_wordByWordIndex; }
    tarnolix::GlossaryIndex* glossaryIndex() const { return m_glossaryIndex; }
    DatabasePool* databasePool() const { return m_databasePool.get(); }
    // The GUI thread's library connection; null while the runtime is closed.
    const std::shared_ptr<TarnolixDB>& guiDatabase() const { return m_guiDatabase; }
    // The shared page generator; null while the runtime is closed.
    const std::shared_ptr<HTMLCreator>& htmlCreator() const { return m_htmlCreator; }

    // The index writer of a language id (1-based position in the list);
    // std::out_of_range outside it.
    tarnolix::IndexWriterThread* indexWriterThread(unsigned languageId) const;
    std::vector<QObject*> indexWriterThreads() const { return m_indexWriterThreads; }

    // Error notices from other threads: showError, queued onto this thread.
    void postShowError(const QString& msg);
    void postShowErrorWithTitle(const QString& title, const QString& msg);

    // The single-instance lock: taken when not yet held (100 ms); throws
    // Exception "Приложение уже запущено!" when another process holds it.
    void tarnolixCheckSingleInstance();

    // Opens the account runtime for the selected account library; `guiThread`
    // is the thread whose connection the pool serves without its lock.
    // Throws Exception when it is already open, when no account library is
    // selected or when the lock is held elsewhere; any other failure closes
    // what was opened (paths released) and is passed on.
    void tarnolixStartup(std::thread::id guiThread);

    // The crash-report mode ("--SENDREPORT"): packs and uploads the dumps
    // named on the command line. True when the server took the report.
    bool sendCrashReport();

    // Thread-safe: from another thread it re-invokes itself queued.
    Q_INVOKABLE void setIsAuthorized(bool isAuthorized);
    // Sign-in and the remembered account (TarnolixAccount.cpp). The root
    // window calls startApplication once; the login form calls
    // loginApplication after a successful sign-in request.
    Q_INVOKABLE void startApplication();
    Q_INVOKABLE bool loginApplication(bool remember);
    Q_INVOKABLE bool loadTokenAndUserAndInit();
    Q_INVOKABLE bool initAfterLogin(bool loadUser, bool awaitProfile = true);
    Q_INVOKABLE void saveTokenAndUser();
    // The account refresh's writes: the AI-access check time, and the user
    // keys of a remembered account.
    void recordAiAccessCheck();
    void storeRefreshedUser();
    // The prepared-library and start-up offline paths of other builds; here
    // they do nothing.
    Q_INVOKABLE void checkPreparedUpdate() {}
    Q_INVOKABLE void downloadPreparedUpdate() {}
    Q_INVOKABLE void cancelPreparedUpdate() {}
    Q_INVOKABLE void applyPreparedUpdateAndQuit() {}
    Q_INVOKABLE void retryStartup() {}
    Q_INVOKABLE void openStartupOffline() {}
    Q_INVOKABLE void startupSignInAgain() {}
    Q_INVOKABLE bool isNeedUpdateDatabase();
    Q_INVOKABLE void showInformation(const QString& msg);
    Q_INVOKABLE void showWarning(const QString& msg);
    Q_INVOKABLE void showError(const QString& msg);
    Q_INVOKABLE void showMessage(const QString& msg);
    Q_INVOKABLE void showInformation(const QString& title, const QString& msg);
    Q_INVOKABLE void showWarning(const QString& title, const QString& msg);
    Q_INVOKABLE void showError(const QString& title, const QString& msg);
    Q_INVOKABLE void showMessage(const QString& title, const QString& msg);
    Q_INVOKABLE void addHistoryQuery(const QString& query);
    Q_INVOKABLE QString getBookSlug(int bookId);
    Q_INVOKABLE QPoint getCursorPosition(const QString& screenName);
    Q_INVOKABLE void setClipboardText(const QString& text, bool toPlainText = false);
    // Opens the online translator (ServerConfig's translator page) in the
    // system browser with "sl" auto, "tl" the interface language, "text".
    Q_INVOKABLE void translateUsingOnlineTranslator(const QString& text);
    // A page of the maker's web site (ServerConfig's origin, with its
    // overrides) for the system browser: `path` from the root, an optional
    // fragment (TarnolixLinks.cpp).
    Q_INVOKABLE QString webSiteUrl(const QString& path, const QString& fragment = QString()) const;
    Q_INVOKABLE QWindow* getParentWindowForPopup();
    Q_INVOKABLE void logout();

signals:
    void runtimeInitialized();
    void startupChanged();
    void startupActivity();
    void startupLoginRequired();
    void accountRuntimeClosing();
    void startupReady();
    void curTabStatusChanged(TabStatus* prevTabStatus, TabStatus* newTabStatus);
    void curTabBookModeChanged();
    void currentColorModeChanged();
    void tabControlChanged();
    void initializerChanged();
    void isAuthorizedChanged(bool isAuthorized);
    void updateCompleterChanged();
    void mainWindowDPCalculateChanged();
    void webviewZoomFactorChanged();
    void informationMessage(const QString& title, const QString& msg);
    void warningMessage(const QString& title, const QString& msg);
    void errorMessage(const QString& title, const QString& msg);
    void message(const QString& title, const QString& msg);
    void tokenLoaded();
    // Relays for the main window's favorites dialogs: the tab's web channel
    // and QML menus emit them.
    void favoriteMessageButtonClicked(const QString& favoriteUuid);
    void favoriteFolderMenuClicked(const QString& favoriteFolderUuid);
    void favoriteBookMenuClicked(int bookId);
    void favoriteItemMenuClicked(const QString& favoriteUuid);
    void favoriteExportClicked();
    void favoriteImportClicked();
    void favoriteEditClicked(const QString& favoriteUuid);

public slots:
    void curTabStatusDestroyed();
    void curTabStatusBookModeChanged();
    void updateCurrentColorMode();
    void tabControlDestroyed();
    void initializerDestroyed();
    void updateCompleterDestroyed();
    void updateCompleterFinished();
    void mainWindowDPCalculateDestroyed();
    void reloadWebviewZoomFactor();

private:
    QObject* translatorMngrObject() const;
    // The GUI connection; throws when the account runtime is closed.
    TarnolixDB& openGuiDatabase() const;
    void setCurTabBookMode(bool bookMode);
    // One reader notice: its log line (with the title when there is one) and its signal.
    void notify(QtMsgType level, const char* method, const QString* title, const QString& msg,
                void (Tarnolix::*signal)(const QString&, const QString&));

    // Opening the account runtime, in order (TarnolixRuntime.cpp).
    void openLibraryConnection(std::thread::id guiThread);
    void applyOneTimeUpgrades();
    void createUpdateCompleter();
    void startIndexWriters();
    void createPageGenerator();
    // The page generator's copy of the zoom, colour mode and show settings,
    // renewed on every change so that pool threads read no live object.
    void updatePageFrameState();
    void createSearchObjects();
    void installNativeEventFilter();
    void createFavoritesServices();
    // Closing it, in order; the destructor's variant waits for the thread
    // pool by polling and deletes the process-long objects of that step too.
    enum class Teardown { Logout, Exit };
    void closeAccountRuntime(Teardown kind);
    void finishLogout();
    // Sign-in helpers (TarnolixAccount.cpp).
    // Selects the user's account library and opens the runtime; a failure is
    // logged with `failureLog` (one "%s"), shown, and requires a restart.
    bool openUserLibrary(const char* failureLog);
    bool loadRememberedUser();
    bool loadRememberedToken();
    void forgetUser();
    void closeRuntimeAfterRefusedLibrary();
    void accountRefreshed(Initializer* initializer, bool awaitProfile, bool accountMatches);

    bool m_runtimeReady = false;
    bool m_closing = false;
    QString m_startupPhase;
    QString m_startupError;
    qint64 m_startupCompleted = 0;
    qint64 m_startupTotal = 0;
    bool m_startupBusy = false;
    bool m_startupOfflineAvailable = false;
    bool m_startupRestartRequired = false;
    SecondThread* m_secondThread = nullptr;
    Settings* m_settings = nullptr;
    LocationInfo* m_locationInfo = nullptr;
    std::unique_ptr<CrashDumpCreator> m_crashDumpCreator;
    TranslatorMngr* m_translatorMngr = nullptr;
    std::unique_ptr<QLockFile> m_lockFile;
    TarnolixConstants* m_constants = nullptr;
    TarnolixEvents* m_events = nullptr;
    TarnolixAPI* m_api = nullptr;
    UserObject* m_user = nullptr;
    CipherKeyPair m_cipherKeyPair;
    Initializer* m_initializer = nullptr;
    std::shared_ptr<TarnolixDB> m_guiDatabase;
    std::vector<QObject*> m_indexWriterThreads;
    std::unique_ptr<tarnolix::IndexWriterHost> m_indexWriterHost;
    TabStatus* m_curTabStatus = nullptr;
    QMetaObject::Connection m_curTabDestroyedConnection;
    QMetaObject::Connection m_curTabBookModeConnection;
    bool m_curTabBookMode = false;
    TarnolixConstants::ColorMode m_currentColorMode = TarnolixConstants::Light;
    QObject* m_tabControl = nullptr;
    std::shared_ptr<HTMLCreator> m_htmlCreator;
    std::unique_ptr<DatabasePool> m_databasePool;
    TabStatusMngr* m_tabStatusMngr = nullptr;
    ClipboardTextFormattingWatcher* m_clipboardWatcher = nullptr;
    ProgramVersion m_version;
    bool m_isAuthorized = false;
    tarnolix::WordByWordIndex* m_wordByWordIndex = nullptr;
    IndexingProgressInfo* m_indexingProgressInfo = nullptr;
    tarnolix::FTSearchThreadManager* m_ftSearchThreadManager = nullptr;
    tarnolix::GlossaryIndex* m_glossaryIndex = nullptr;
    GlossaryTreeMngr* m_glossaryTreeMngr = nullptr;
    UpdateCompleter* m_updateCompleter = nullptr;
    LinuxAutoUpdater* m_autoUpdater = nullptr;
    FavoriteHelper* m_favoriteHelper = nullptr;
    FavoritesSyncManager* m_favoritesSyncManager = nullptr;
    WindowsEventFilter* m_windowsEventFilter = nullptr;
    DPCalculate* m_mainWindowDPCalculate = nullptr;
    QMetaObject::Connection m_defaultDpConnection;
    double m_webviewZoomFactor = 1.0;
    DebugHelper* m_debugHelper = nullptr;
    std::unique_ptr<AppPageServices> m_pageServices;
    std::unique_ptr<AppTabServices> m_tabServices;
    std::unique_ptr<AppModelServices> m_modelServices;
    std::unique_ptr<AppFavoritesServices> m_favoritesServices;
};
