#include "app/Tarnolix.h"

#include "app/AppFavoritesServices.h"
#include "app/AppModelServices.h"
#include "app/AppPageServices.h"
#include "app/AppResources.h"
#include "app/AppTabServices.h"
#include "app/AutoUpdater.h"
#include "app/DatabaseUpdater.h"
#include "app/UpdateCompleter.h"
#include "app/SecondThread.h"
#include "app/WindowsEventFilter.h"
#include "core/CrashDumpCreator.h"
#include "core/Exception.h"
#include "core/ServerConfig.h"
#include "core/TranslatorMngr.h"
#include "database/DatabasePool.h"
#include "database/TarnolixDB.h"
#include "favorites/FavoriteHelper.h"
#include "favorites/FavoriteLogic.h"
#include "models/GlossaryTreeMngr.h"
#include "search/index/IndexWriterHost.h"
#include "search/index/IndexWriterThread.h"
#include "search/searchers/SearchUrlRegistration.h"
#include "tabs/HighlightedSection.h"
#include "tabs/OpenBookSeams.h"
#include "tabs/TabStatusMngr.h"

#include <QClipboard>
#include <QCursor>
#include <QDesktopServices>
#include <QDebug>
#include <QGuiApplication>
#include <QLockFile>
#include <QNetworkAccessManager>
#include <QQmlEngine>
#include <QScreen>
#include <QTextDocument>
#include <QThread>
#include <QWindow>

#include <exception>
#include <stdexcept>

namespace {

const char kProgramVersion[] = "2.1.27";
constexpr int kSingleInstanceWaitMs = 100;

} // namespace

Tarnolix::Tarnolix(int& argc, char** argv, Settings* settings)
    : QApplication(argc, argv)
    , m_secondThread(new SecondThread)
    , m_settings(settings)
{
    initAppResources();
    m_locationInfo = new LocationInfo(*m_settings, this);
    LocationInfo::setCurrent(m_locationInfo);
    m_crashDumpCreator = createCrashDumpCreator(*m_locationInfo);
    m_translatorMngr = new TranslatorMngr(m_settings, this);
    m_lockFile = std::make_unique<QLockFile>(m_locationInfo->dataLocation() + QLatin1String("/lock"));
    m_constants = new TarnolixConstants;
    m_events = new TarnolixEvents;
    TarnolixEvents::setCurrent(m_events);
    m_pageServices = std::make_unique<AppPageServices>(*this);
    PageServices::setCurrent(m_pageServices.get());
    m_tabStatusMngr = new TabStatusMngr(this);
    m_tabServices = std::make_unique<AppTabServices>(*this);
    TabServices::setCurrent(m_tabServices.get());
    m_modelServices = std::make_unique<AppModelServices>(*this);
    ModelServices::setCurrent(m_modelServices.get());
    SearchPageAccess::setResolver(&searchPageStatusAccess);
    m_favoritesServices = std::make_unique<AppFavoritesServices>(*this);
    FavoritesServices::setCurrent(m_favoritesServices.get());
    OpenBookFavorites::setFactory(&FavoriteLogic::createForPage);
    tarnolix::registerSearchUrlFamilies();
    openbookseams::setHighlightedSectionBuilder(
        [](const HighlightedSectionRequest& request) { return buildHighlightedSection(request); });
    m_api = new TarnolixAPI(this);
    m_user = new UserObject;
    QQmlEngine::setObjectOwnership(m_user, QQmlEngine::CppOwnership);
    m_glossaryTreeMngr = new GlossaryTreeMngr;
    GlossaryTreeMngr::setCurrent(m_glossaryTreeMngr);
    m_autoUpdater = new LinuxAutoUpdater(this);
    openbookseams::setUpdaterBusyProvider(&DatabaseUpdater::isUpdating);

    connect(m_settings, &Settings::zoomFactorChanged, this, &Tarnolix::reloadWebviewZoomFactor);
    connect(m_settings, &Settings::colorModeChanged, this, &Tarnolix::updateCurrentColorMode);
    for (const auto signal : {&Settings::showSanskritChanged, &Settings::showDiacriticChanged,
                              &Settings::showWordByWordChanged, &Settings::showTranslateChanged,
                              &Settings::showCommentChanged})
        connect(m_settings, signal, this, &Tarnolix::updatePageFrameState);
    connect(this, &Tarnolix::webviewZoomFactorChanged, this, &Tarnolix::updatePageFrameState);
    connect(this, &Tarnolix::currentColorModeChanged, this, &Tarnolix::updatePageFrameState);
}

Tarnolix::~Tarnolix()
{
    closeAccountRuntime(Teardown::Exit);
    OpenBookFavorites::setFactory({});
    m_favoritesServices.reset();
    SearchPageAccess::setResolver({});
    m_modelServices.reset();
    m_pageServices.reset();
    m_tabServices.reset();
    m_cipherKeyPair.setKeyFromString(QString());
    m_cipherKeyPair.setIvFromString(QString());
    delete m_user;
    m_user = nullptr;
    // Its pending request lives in the API's network manager.
    delete m_autoUpdater;
    m_autoUpdater = nullptr;
    delete m_api;
    m_api = nullptr;
    delete m_events;
    m_events = nullptr;
    delete m_constants;
    m_constants = nullptr;
    m_lockFile.reset();
    delete m_translatorMngr;
    m_translatorMngr = nullptr;
    m_crashDumpCreator.reset();
    m_htmlCreator.reset();
}

Tarnolix* Tarnolix::instance()
{
    return qobject_cast<Tarnolix*>(QCoreApplication::instance());
}

QObject* Tarnolix::favoriteHelper() const
{
    return m_favoriteHelper;
}

QObject* Tarnolix::translatorMngrObject() const
{
    return m_translatorMngr;
}

tarnolix::IndexWriterThread* Tarnolix::indexWriterThread(unsigned languageId) const
{
    if (languageId == 0 || languageId > m_indexWriterThreads.size())
        throw std::out_of_range("indexWriterThread: no index writer for this language");
    return static_cast<tarnolix::IndexWriterThread*>(m_indexWriterThreads[languageId - 1]);
}

void Tarnolix::postShowError(const QString& msg)
{
    QMetaObject::invokeMethod(this, "showError", Qt::QueuedConnection, Q_ARG(QString, msg));
}

void Tarnolix::postShowErrorWithTitle(const QString& title, const QString& msg)
{
    QMetaObject::invokeMethod(this, "showError", Qt::QueuedConnection, Q_ARG(QString, title), Q_ARG(QString, msg));
}

void Tarnolix::tarnolixCheckSingleInstance()
{
    if (m_lockFile->isLocked())
        return;
    if (!m_lockFile->tryLock(kSingleInstanceWaitMs))
        throw Exception(tr("Приложение уже запущено!"));
}

bool Tarnolix::sendCrashReport()
{
    QNetworkAccessManager network;
    return CrashDumpCreator::runSender(QCoreApplication::arguments(), *m_settings, *m_locationInfo,
                                       ServerConfig::load(m_settings), network);
}

QString Tarnolix::sVersion()
{
    if (!programVersionIsValid(m_version)) {
        try {
            m_version = programVersionFromString(QLatin1String(kProgramVersion));
        } catch (const std::exception& e) {
            qCritical("Tarnolix::version: %s", e.what());
        }
    }
    return programVersionToString(m_version);
}

TarnolixDB& Tarnolix::openGuiDatabase() const
{
    if (!m_guiDatabase)
        throw Exception("The account library is not open");
    return *m_guiDatabase;
}

// Current tab, tab control and scale object

void Tarnolix::setCurTabStatus(TabStatus* tabStatus)
{
    if (tabStatus == m_curTabStatus)
        return;
    TabStatus* previous = m_curTabStatus;
    disconnect(m_curTabDestroyedConnection);
    disconnect(m_curTabBookModeConnection);
    m_curTabStatus = tabStatus;
    if (tabStatus) {
        m_curTabDestroyedConnection = connect(tabStatus, &QObject::destroyed, this, &Tarnolix::curTabStatusDestroyed);
        m_curTabBookModeConnection =
            connect(tabStatus, &TabStatus::bookModeChanged, this, &Tarnolix::curTabStatusBookModeChanged);
    }
    emit curTabStatusChanged(previous, tabStatus);
    setCurTabBookMode(tabStatus ? tabStatus->bookMode() : false);
}

void Tarnolix::curTabStatusDestroyed()
{
    if (sender() != static_cast<QObject*>(m_curTabStatus))
        return;
    disconnect(m_curTabBookModeConnection);
    m_curTabStatus = nullptr;
    emit curTabStatusChanged(nullptr, nullptr);
    setCurTabBookMode(false);
}

void Tarnolix::curTabStatusBookModeChanged()
{
    if (m_curTabStatus)
        setCurTabBookMode(m_curTabStatus->bookMode());
}

void Tarnolix::setCurTabBookMode(bool bookMode)
{
    if (bookMode == m_curTabBookMode)
        return;
    m_curTabBookMode = bookMode;
    emit curTabBookModeChanged();
    updateCurrentColorMode();
}

void Tarnolix::updateCurrentColorMode()
{
    const TarnolixConstants::ColorMode mode = m_curTabBookMode ? m_settings->colorMode() : TarnolixConstants::Light;
    if (mode == m_currentColorMode)
        return;
    m_currentColorMode = mode;
    emit currentColorModeChanged();
}

void Tarnolix::setTabControl(QObject* tabControl)
{
    if (tabControl == m_tabControl)
        return;
    if (m_tabControl)
        disconnect(m_tabControl, &QObject::destroyed, this, &Tarnolix::tabControlDestroyed);
    m_tabControl = tabControl;
    if (m_tabControl)
        connect(m_tabControl, &QObject::destroyed, this, &Tarnolix::tabControlDestroyed);
    emit tabControlChanged();
}

void Tarnolix::tabControlDestroyed()
{
    if (sender() != m_tabControl)
        return;
    m_tabControl = nullptr;
    emit tabControlChanged();
}

QObject* Tarnolix::autoUpdater() const
{
    return m_autoUpdater;
}

QObject* Tarnolix::updateCompleter() const
{
    return m_updateCompleter;
}

void Tarnolix::updateCompleterDestroyed()
{
    if (sender() != m_updateCompleter)
        return;
    m_updateCompleter = nullptr;
    emit updateCompleterChanged();
}

void Tarnolix::updateCompleterFinished()
{
    if (!m_updateCompleter)
        return;
    m_updateCompleter->deleteLater();
}

void Tarnolix::setMainWindowDPCalculate(DPCalculate* dpCalculate)
{
    if (dpCalculate == m_mainWindowDPCalculate)
        return;
    if (m_mainWindowDPCalculate)
        disconnect(m_mainWindowDPCalculate, &QObject::destroyed, this, &Tarnolix::mainWindowDPCalculateDestroyed);
    disconnect(m_defaultDpConnection);
    m_mainWindowDPCalculate = dpCalculate;
    if (m_mainWindowDPCalculate) {
        connect(m_mainWindowDPCalculate, &QObject::destroyed, this, &Tarnolix::mainWindowDPCalculateDestroyed);
        m_defaultDpConnection = connect(m_mainWindowDPCalculate, &DPCalculate::defaultDpChanged, this,
                                        &Tarnolix::reloadWebviewZoomFactor);
    }
    emit mainWindowDPCalculateChanged();
    reloadWebviewZoomFactor();
}

void Tarnolix::mainWindowDPCalculateDestroyed()
{
    if (sender() != m_mainWindowDPCalculate)
        return;
    disconnect(m_defaultDpConnection);
    m_mainWindowDPCalculate = nullptr;
    emit mainWindowDPCalculateChanged();
}

void Tarnolix::reloadWebviewZoomFactor()
{
    if (!m_mainWindowDPCalculate) {
        qCritical("m_mainWindowDPCalculate=0");
        return;
    }
    const double zoom = m_settings->zoomFactor() * m_mainWindowDPCalculate->defaultDp();
    if (zoom == m_webviewZoomFactor)
        return;
    m_webviewZoomFactor = zoom;
    emit webviewZoomFactorChanged();
}

void Tarnolix::setIsAuthorized(bool isAuthorized)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, "setIsAuthorized", Qt::QueuedConnection, Q_ARG(bool, isAuthorized));
        return;
    }
    if (isAuthorized == m_isAuthorized)
        return;
    m_isAuthorized = isAuthorized;
    emit isAuthorizedChanged(isAuthorized);
}

// Invokables

bool Tarnolix::isNeedUpdateDatabase()
{
    try {
        return openGuiDatabase().databaseStatus() != 2;
    } catch (const std::exception& e) {
        qWarning("isNeedUpdateDatabase: %s", e.what());
        showError(QStringLiteral("ERROR 0x58962426"));
        return false;
    }
}

void Tarnolix::notify(QtMsgType level, const char* method, const QString* title, const QString& msg,
                      void (Tarnolix::*signal)(const QString&, const QString&))
{
    const QString text = title ? QStringLiteral("%1: Title: %2; Msg: %3").arg(QLatin1String(method), *title, msg)
                               : QStringLiteral("%1: Msg: %2").arg(QLatin1String(method), msg);
    QMessageLogger logger;
    switch (level) {
    case QtCriticalMsg:
        logger.critical("%s", qUtf8Printable(text));
        break;
    case QtWarningMsg:
        logger.warning("%s", qUtf8Printable(text));
        break;
    default:
        logger.info("%s", qUtf8Printable(text));
        break;
    }
    emit(this->*signal)(title ? *title : QString(), msg);
}

void Tarnolix::showInformation(const QString& msg)
{
    notify(QtInfoMsg, "showInformation", nullptr, msg, &Tarnolix::informationMessage);
}

void Tarnolix::showWarning(const QString& msg)
{
    notify(QtWarningMsg, "showWarning", nullptr, msg, &Tarnolix::warningMessage);
}

void Tarnolix::showError(const QString& msg)
{
    notify(QtCriticalMsg, "showError", nullptr, msg, &Tarnolix::errorMessage);
}

void Tarnolix::showMessage(const QString& msg)
{
    notify(QtInfoMsg, "showMessage", nullptr, msg, &Tarnolix::message);
}

void Tarnolix::showInformation(const QString& title, const QString& msg)
{
    notify(QtInfoMsg, "showInformation", &title, msg, &Tarnolix::informationMessage);
}

void Tarnolix::showWarning(const QString& title, const QString& msg)
{
    notify(QtWarningMsg, "showWarning", &title, msg, &Tarnolix::warningMessage);
}

void Tarnolix::showError(const QString& title, const QString& msg)
{
    notify(QtCriticalMsg, "showError", &title, msg, &Tarnolix::errorMessage);
}

void Tarnolix::showMessage(const QString& title, const QString& msg)
{
    notify(QtInfoMsg, "showMessage", &title, msg, &Tarnolix::message);
}

void Tarnolix::addHistoryQuery(const QString& query)
{
    try {
        // The library the history list reads (SqlQueryModel) is the page
        // services' one.
        pageServices().guiDatabase().insertQueryHistory(query);
    } catch (const std::exception& e) {
        qWarning("addHistoryQuery: %s", e.what());
        showError(QString::fromUtf8(e.what()));
    }
}

QString Tarnolix::getBookSlug(int bookId)
{
    try {
        return openGuiDatabase().selectBookSlug(bookId);
    } catch (const std::exception& e) {
        qWarning("getBookSlug: %s", e.what());
        showError(QString::fromUtf8(e.what()));
        return QString();
    }
}

QPoint Tarnolix::getCursorPosition(const QString& screenName)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* screen : screens) {
        if (screen->name() == screenName)
            return QCursor::pos(screen);
    }
    qWarning("getCursorPosition: Screen '%s' not found", qUtf8Printable(screenName));
    return QPoint(0, 0);
}

void Tarnolix::setClipboardText(const QString& text, bool toPlainText)
{
    qDebug() << "Tarnolix::setClipboardText" << text << toPlainText;
    QString content = text;
    if (toPlainText) {
        QTextDocument document;
        document.setHtml(text);
        content = document.toPlainText();
    }
    QGuiApplication::clipboard()->setText(content);
}

void Tarnolix::translateUsingOnlineTranslator(const QString& text)
{
    qDebug() << "translateUsingOnlineTranslator" << text;
    // Every value fully percent-encoded: a "+", "&", "#" or "%" of the text
    // must reach the translator as itself.
    const auto item = [](const char* key, const QString& value) {
        return QLatin1String(key) + QLatin1Char('=') + QString::fromLatin1(QUrl::toPercentEncoding(value));
    };
    QUrl url = ServerConfig::load(m_settings).translatorUrl();
    url.setQuery(QStringList{item("sl", QStringLiteral("auto")),
                             item("tl", languageToString(m_translatorMngr->language())), item("text", text)}
                     .join(QLatin1Char('&')),
                 QUrl::StrictMode);
    qDebug() << url;
    QDesktopServices::openUrl(url);
}

QWindow* Tarnolix::getParentWindowForPopup()
{
    QWindow* focus = QGuiApplication::focusWindow();
    QWindow* parent = nullptr;
    if (focus && focus->isVisible()) {
        parent = focus;
    } else {
        const QWindowList windows = QGuiApplication::topLevelWindows();
        for (auto it = windows.crbegin(); it != windows.crend() && !parent; ++it) {
            if ((*it)->isVisible())
                parent = *it;
        }
        if (!parent)
            parent = focus;
    }
    if (parent)
        qDebug() << "Parent window for message popup:" << parent;
    else
        qDebug("Parent window for message popup not found");
    return parent;
}
