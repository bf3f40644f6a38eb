// Starting the program to its main window on a library of 500 generated
// books, beside a bare QML window with a web view showing one page from a
// scheme handler of its own, interleaved in the same run.
//
// Each start is a fresh process (this executable again, in the mode that
// TARNOLIX_BENCH_START names), timed from its launch until it says it is
// ready: ours once the main window shows its first tab's page and has drawn
// a frame after that, the bare window once its page has loaded and it has
// drawn a frame after that. Ours starts as a reader's second start does: a
// remembered account, its library downloaded, the account refreshed from the
// stand-in server. p50 and p90 of both are printed, with their ratio.
//
//   bench_startup [--books N] [--sections N] [--rounds N]

#include "app/AccountSettings.h"
#include "app/Startup.h"
#include "app/Tarnolix.h"
#include "app/UserObject.h"
#include "bench/BenchSignIn.h"
#include "bench/Percentiles.h"
#include "bench/StandinProcess.h"
#include "core/CipherKeyPair.h"
#include "core/LocationInfo.h"
#include "core/LogFileHandler.h"
#include "database/LibrarySettingsKeys.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QIcon>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QtWebEngine>
#include <QtWebEngine/QQuickWebEngineProfile>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

const char kModeVariable[] = "TARNOLIX_BENCH_START";
const char kEmail[] = "reader@tarnolix.invalid";
const char kPassword[] = "lamp-of-verses";
const char kBareScheme[] = "benchpage";
constexpr int kTimeoutMs = 120000;

// ---- The child processes.

// Calls `ready` on the first frame the window draws once `shown` holds.
void whenShown(QQuickWindow* window, const std::function<bool()>& shown, const std::function<void()>& ready)
{
    auto* poll = new QTimer(window);
    poll->setInterval(1);
    QObject::connect(poll, &QTimer::timeout, window, [=] {
        if (!shown())
            return;
        poll->stop();
        auto once = std::make_shared<QMetaObject::Connection>();
        *once = QObject::connect(window, &QQuickWindow::frameSwapped, window, [once, ready] {
            QObject::disconnect(*once);
            ready();
        });
        window->update();
    });
    poll->start();
}

void reportReady(const QElapsedTimer& clock)
{
    std::printf("ready %.2f\n", clock.nsecsElapsed() / 1e6);
    std::fflush(stdout);
    QCoreApplication::exit(0);
}

// What main does, to the main window with its first tab's page shown.
int startOurs(int argc, char** argv)
{
    QElapsedTimer clock;
    clock.start();
    ProgramStart start(argc, argv);
    Tarnolix& app = start.app();
    installLogFileHandler(start.settings(), *app.locationInfo());
    logStartup(start.arguments(), start.settings(), *app.locationInfo());
    QApplication::setWindowIcon(QIcon(QStringLiteral("://icons/WindowIcon.png")));
    app.tarnolixCheckSingleInstance();
    const std::unique_ptr<QQmlApplicationEngine> engine = createQmlEngine(app);
    engine->load(QUrl(QStringLiteral("qrc:/main.qml")));
    auto* root = engine->rootObjects().isEmpty() ? nullptr : qobject_cast<QQuickWindow*>(engine->rootObjects().first());
    if (!root)
        return 3;
    double mainWindowMs = 0;
    whenShown(
        root,
        [&] {
            auto* main = root->findChild<QQuickItem*>(QStringLiteral("mainWindow"));
            if (!main)
                return false;
            if (mainWindowMs == 0)
                mainWindowMs = clock.nsecsElapsed() / 1e6;
            auto* view = main->findChild<QQuickItem*>(QStringLiteral("contentWebView"));
            return view && !view->property("loading").toBool() && view->property("loadProgress").toInt() == 100 &&
                   view->opacity() == 1.0;
        },
        [&] {
            std::printf("mainWindow %.2f\n", mainWindowMs);
            reportReady(clock);
        });
    return QApplication::exec();
}

class BarePage : public QWebEngineUrlSchemeHandler
{
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    void requestStarted(QWebEngineUrlRequestJob* job) override
    {
        auto* body = new QBuffer(job);
        body->setData(QByteArrayLiteral(
            "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>page</title></head>"
            "<body style=\"background:#27282b;color:#eee;font:16px serif\"><h1>Страница</h1>"
            "<p>Одна страница из обработчика схемы, без логики страницы.</p></body></html>"));
        job->reply(QByteArrayLiteral("text/html"), body);
    }
};

const char kBareQml[] = R"(
import QtQuick 2.15
import QtQuick.Window 2.15
import QtWebEngine 1.10
Window {
    width: 1248
    height: 702
    visible: true
    property alias view: view
    WebEngineView {
        id: view
        anchors.fill: parent
        profile: WebEngineProfile { offTheRecord: true }
    }
}
)";

// The least a QML window with a web view showing one page of a custom scheme needs.
int startBare(int argc, char** argv)
{
    QElapsedTimer clock;
    clock.start();
    QWebEngineUrlScheme scheme(kBareScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalScheme);
    QWebEngineUrlScheme::registerScheme(scheme);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QtWebEngine::initialize();
    QQmlApplicationEngine engine;
    engine.loadData(QByteArray(kBareQml));
    auto* root = engine.rootObjects().isEmpty() ? nullptr : qobject_cast<QQuickWindow*>(engine.rootObjects().first());
    if (!root)
        return 3;
    auto* view = root->property("view").value<QQuickItem*>();
    auto* profile = view->property("profile").value<QQuickWebEngineProfile*>();
    BarePage handler;
    profile->installUrlSchemeHandler(kBareScheme, &handler);
    view->setProperty("url", QUrl(QStringLiteral("%1://page/").arg(QLatin1String(kBareScheme))));
    whenShown(
        root,
        [&] { return !view->property("loading").toBool() && view->property("loadProgress").toInt() == 100; },
        [&] { reportReady(clock); });
    return app.exec();
}

// ---- The driver.

QString argument(const QStringList& args, const QString& name, const QString& fallback)
{
    const int at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : fallback;
}

struct Stand
{
    QTemporaryDir root;
    bench::StandinProcess server{root.path()};
    QString origin;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();

    QString dataDir() const { return root.filePath(QStringLiteral("data")); }
    QString settingsFile() const { return root.filePath(QStringLiteral("config/Tarnolix/Tarnolix.conf")); }

    bool startServer(const QString& plan)
    {
        if (!server.start(plan))
            return false;
        origin = server.origin();
        const QJsonObject env = server.environment();
        for (auto it = env.begin(); it != env.end(); ++it)
            environment.insert(it.key(), it.value().toString());
        return true;
    }

    // The library as the program's first start leaves it: downloaded by
    // the update engine and owned by the account.
    bool downloadLibrary()
    {
        QProcess driver;
        driver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        driver.setStandardOutputFile(QProcess::nullDevice());
        driver.start(QStringLiteral(TARNOLIX_UPDATE_DRIVER),
                     {QStringLiteral("--library"), dataDir(), QStringLiteral("--origin"), origin, QStringLiteral("--email"),
                      QLatin1String(kEmail), QStringLiteral("--password"), QLatin1String(kPassword)});
        if (!driver.waitForFinished(-1) || driver.exitCode() != 0)
            return false;
        sqlite3* db = nullptr;
        const QByteArray path = QFile::encodeName(dataDir() + QStringLiteral("/Tarnolix.db"));
        sqlite3_stmt* stmt = nullptr;
        bool done = sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
                    sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO Settings (key, value) VALUES (?, ?)", -1, &stmt,
                                       nullptr) == SQLITE_OK;
        if (done) {
            sqlite3_bind_text(stmt, 1, LibrarySettingsKeys::DBOwned, -1, SQLITE_STATIC);
            sqlite3_bind_text(stmt, 2, kEmail, -1, SQLITE_STATIC);
            done = sqlite3_step(stmt) == SQLITE_DONE;
        }
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        return done;
    }

    // The settings of a remembered account, as a sign-in with "remember me" writes them.
    bool rememberAccount()
    {
        qputenv("TARNOLIX_API_URL", origin.toUtf8());
        QString token;
        UserObject user;
        bench::signIn(QLatin1String(kEmail), QLatin1String(kPassword), [&](TarnolixAPIResult* reply) {
            if (reply && reply->isSuccess()) {
                token = reply->getToken();
                user.fromResult(reply);
            }
        });
        if (token.isEmpty())
            return false;
        CipherKeyPair keys;
        keys.setKeyFromString(user.email());
        keys.setIvFromString(dataDir());
        QSettings settings(settingsFile(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Locations/Data"), dataDir());
        settings.setValue(QStringLiteral("Language"), QStringLiteral("ru"));
        settings.setValue(QLatin1String(AccountSettings::kLastLoginEmail), user.email());
        settings.setValue(QLatin1String(AccountSettings::kToken), AccountSettings::encipherToken(keys, token));
        AccountSettings::storeUser(settings, user.toUser());
        return user.id() != 0 && AccountSettings::syncPrivately(settings);
    }

    bool makeFolders()
    {
        for (const char* name : {"config", "share", "cache", "runtime"}) {
            if (!QDir().mkpath(root.filePath(QLatin1String(name))))
                return false;
        }
        QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("share")));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), root.filePath(QStringLiteral("cache")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.filePath(QStringLiteral("runtime")));
        environment.insert(QStringLiteral("QT_FONT_DPI"), QStringLiteral("96"));
        return true;
    }
};

struct Start
{
    double readyMs = -1;
    double mainWindowMs = -1;
};

// One start of this executable in `mode`, from its launch to its ready line.
Start timeStart(const Stand& stand, const char* mode)
{
    QProcessEnvironment environment = stand.environment;
    environment.insert(QLatin1String(kModeVariable), QLatin1String(mode));
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.setStandardErrorFile(QProcess::nullDevice());
    Start start;
    QElapsedTimer clock;
    clock.start();
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    QByteArray out;
    while (start.readyMs < 0 && clock.elapsed() < kTimeoutMs) {
        if (!child.waitForReadyRead(kTimeoutMs) && child.state() == QProcess::NotRunning)
            break;
        out += child.readAllStandardOutput();
        if (out.contains("ready "))
            start.readyMs = clock.nsecsElapsed() / 1e6;
    }
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished(10000);
    }
    out += child.readAllStandardOutput();
    for (const QByteArray& line : out.split('\n')) {
        if (line.startsWith("mainWindow "))
            start.mainWindowMs = line.mid(11).toDouble();
    }
    return start;
}

int drive(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString plan = QStringLiteral("books=%1,sections=%2,seed=1")
                             .arg(argument(args, QStringLiteral("--books"), QStringLiteral("500")),
                                  argument(args, QStringLiteral("--sections"), QStringLiteral("100")));
    const int rounds = argument(args, QStringLiteral("--rounds"), QStringLiteral("10")).toInt();

    Stand stand;
    QElapsedTimer prep;
    prep.start();
    if (!stand.root.isValid() || !stand.makeFolders() || !stand.startServer(plan)) {
        std::fprintf(stderr, "the stand-in did not start\n");
        return 1;
    }
    if (!stand.downloadLibrary() || !stand.rememberAccount()) {
        std::fprintf(stderr, "the library could not be prepared\n");
        return 1;
    }
    std::printf("library: %s, prepared in %.1f s\n", qUtf8Printable(plan), prep.elapsed() / 1000.0);

    // One unmeasured start of each: the first reads everything from disk.
    if (timeStart(stand, "ours").readyMs < 0 || timeStart(stand, "bare").readyMs < 0) {
        std::fprintf(stderr, "a start did not reach its window; the program's log is under %s/Log\n",
                     qUtf8Printable(stand.dataDir()));
        return 1;
    }
    std::vector<double> ours, mainWindow, bare;
    for (int round = 0; round < rounds; ++round) {
        const Start a = timeStart(stand, "ours");
        const Start b = timeStart(stand, "bare");
        if (a.readyMs < 0 || b.readyMs < 0) {
            std::fprintf(stderr, "a start did not reach its window\n");
            return 1;
        }
        ours.push_back(a.readyMs);
        mainWindow.push_back(a.mainWindowMs);
        bare.push_back(b.readyMs);
    }
    const bench::Percentiles a = bench::percentiles(ours);
    const bench::Percentiles m = bench::percentiles(mainWindow);
    const bench::Percentiles b = bench::percentiles(bare);
    std::printf("start to the main window, its page shown:  p50 %8.1f ms  p90 %8.1f ms  (%d starts)\n", a.p50, a.p90,
                rounds);
    std::printf("  of which to the main window's creation:  p50 %8.1f ms  p90 %8.1f ms\n", m.p50, m.p90);
    std::printf("bare QML window, one scheme page shown:    p50 %8.1f ms  p90 %8.1f ms\n", b.p50, b.p90);
    std::printf("ratio p50 %.2fx, p90 %.2fx (goal <= 2x)\n", bench::ratio(a.p50, b.p50), bench::ratio(a.p90, b.p90));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const QByteArray mode = qgetenv(kModeVariable);
    if (mode == "ours")
        return startOurs(argc, argv);
    if (mode == "bare")
        return startBare(argc, argv);
    return drive(argc, argv);
}
