// The tarnolix executable as a reader starts it, each run in its own
// settings and data folders: its root window, its start-up log, the
// single-instance lock, the crash-report sender and the crash capture.
#include "core/CrashDumpCreator.h"
#include "core/ServerConfig.h"
#include "tests/app_process/X11Windows.h"
#include "tests/support/StandinServer.h"
#include "tests/support/TestSupport.h"

#include <QDate>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>

#include <JlCompress.h>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

#include <signal.h>

namespace {

using tarnolix::test::screenshotDir;
using tarnolix::test::StandinServer;
using tarnolix::test::waitUntil;

const QString kExecutable = QStringLiteral(TARNOLIX_EXECUTABLE);
const QString kEmail = QStringLiteral("reader@tarnolix.invalid");
const QString kAlreadyRunning = QStringLiteral("Приложение уже запущено!");
constexpr int kStartTimeoutMs = 60000;
// The sign-in form's background that fills the root window at a first start
// (the constants' blackMenu) and a message box's (the default widget
// palette's window colour).
constexpr QRgb kRootBackground = 0x27282B;
constexpr QRgb kDialogBackground = 0xEFEFEF;

StandinServer* g_server = nullptr;

class ServerEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        g_server = new StandinServer;
        ASSERT_TRUE(g_server->start()) << "the stand-in server did not start; see " << g_server->logPath().toStdString();
    }
    void TearDown() override
    {
        delete g_server;
        g_server = nullptr;
    }
};

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ServerEnvironment);

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The reports the stand-in's FTP listener holds, as its control request lists them.
QJsonArray uploadedReports()
{
    QNetworkAccessManager network;
    QNetworkReply* reply = network.get(QNetworkRequest(QUrl(g_server->httpOrigin() + "/_control/reports")));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    reply->deleteLater();
    return QJsonDocument::fromJson(reply->readAll()).object().value(QStringLiteral("data")).toArray();
}

class AppProcessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(m_x11.isOpen()) << "no X server: run under scripts/test (Xvfb)";
        for (const char* folder : {"config", "share", "cache", "runtime"})
            QDir().mkpath(m_root.filePath(QLatin1String(folder)));
        QFile::setPermissions(m_root.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QSettings settings(settingsFile(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Locations/Data"), dataDir());
        settings.setValue(QStringLiteral("User/email"), kEmail);
        // The interface's own language, whatever the machine's locale.
        settings.setValue(QStringLiteral("Language"), QStringLiteral("ru"));
    }

    void TearDown() override
    {
        for (auto& process : m_processes) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
    }

    QString settingsFile() const { return m_root.filePath(QStringLiteral("config/Tarnolix/Tarnolix.conf")); }
    QString dataDir() const { return m_root.filePath(QStringLiteral("data")); }
    QString log() const
    {
        return QString::fromUtf8(
            readFile(dataDir() + "/Log/" + QDate::currentDate().toString(Qt::ISODate) + QStringLiteral(".log")));
    }

    QProcess& start(const QStringList& arguments = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_root.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_root.filePath(QStringLiteral("share")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), m_root.filePath(QStringLiteral("cache")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_root.filePath(QStringLiteral("runtime")));
        env.insert(QLatin1String(ServerConfig::kCrashReportEnvironment), g_server->ftpOrigin());
        // One unit one pixel: the window's default size of 1248 x 702 units in pixels.
        env.insert(QStringLiteral("QT_FONT_DPI"), QStringLiteral("96"));
        // The program draws on the X server as it would on a desktop.
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("QT_QUICK_BACKEND"));
        m_processes.push_back(std::make_unique<QProcess>());
        QProcess& process = *m_processes.back();
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(kExecutable, arguments);
        EXPECT_TRUE(process.waitForStarted(10000));
        return process;
    }

    // The process's first mapped window; an empty one when none came.
    X11Window waitForWindow(const QProcess& process)
    {
        X11Window found;
        waitUntil(
            [&] {
                const QList<X11Window> windows = m_x11.windowsOf(process.processId());
                if (!windows.isEmpty())
                    found = windows.constFirst();
                return found.id != 0 || process.state() == QProcess::NotRunning;
            },
            kStartTimeoutMs);
        return found;
    }

    // The window once it has `size` (a window is mapped before QML sizes it).
    X11Window waitForSize(const QProcess& process, const QSize& size)
    {
        X11Window sized;
        waitUntil([&] {
            for (const X11Window& window : m_x11.windowsOf(process.processId())) {
                if (window.geometry.size() == size)
                    sized = window;
            }
            return sized.id != 0;
        });
        return sized;
    }

    // Closes the process's window as a window manager would and returns its exit code.
    int closeAndWait(QProcess& process, const X11Window& window)
    {
        m_x11.requestClose(window.id);
        EXPECT_TRUE(waitUntil([&] { return process.state() == QProcess::NotRunning; }, 30000))
            << "still running after the close request; the log:\n" << log().toStdString();
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return process.exitCode();
    }

    // The window as the X server shows it, into the build's screenshots/,
    // once most of it has `background`: until the program paints, the X
    // server shows what lay there before.
    void screenshot(const X11Window& window, const QString& name, QRgb background)
    {
        QImage image;
        const bool painted = waitUntil(
            [&] {
                image = QGuiApplication::primaryScreen()->grabWindow(window.id).toImage();
                return share(image, background) > 0.5;
            },
            kStartTimeoutMs);
        EXPECT_TRUE(painted) << name.toStdString() << ": " << share(image, background);
        EXPECT_TRUE(image.save(screenshotDir() + "/" + name + ".png"));
    }

    static double share(const QImage& image, QRgb colour)
    {
        if (image.isNull())
            return 0;
        qint64 matching = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                matching += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
        }
        return double(matching) / (double(image.width()) * image.height());
    }

    QTemporaryDir m_root;
    X11Display m_x11;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

TEST_F(AppProcessTest, OpensTheRootWindowAndLogsItsStart)
{
    QProcess& program = start();
    ASSERT_NE(waitForWindow(program).id, 0u) << "no window; the log:\n" << log().toStdString();
    // The default size, within the screen xvfb-run gives (1280x1024).
    const X11Window window = waitForSize(program, QSize(1248, 702));
    ASSERT_NE(window.id, 0u);
    EXPECT_EQ(window.title, QStringLiteral("Tarnolix"));
    screenshot(window, QStringLiteral("app-root-window"), kRootBackground);

    const QString text = log();
    EXPECT_TRUE(text.contains(QStringLiteral("Tarnolix 2.1.27.0 Linux build std::vector(%1, --enable-smooth-scrolling)")
                                  .arg(kExecutable)))
        << text.toStdString();
    EXPECT_TRUE(text.contains(
        QStringLiteral("Settings file QSettings::NativeFormat QSettings::UserScope \"%1\"").arg(settingsFile())))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Data locations \"%1\"").arg(dataDir()))) << text.toStdString();

    EXPECT_EQ(closeAndWait(program, window), 0);
    QSettings settings(settingsFile(), QSettings::IniFormat);
    EXPECT_EQ(settings.value(QStringLiteral("Window/width")).toInt(), 1248);
    EXPECT_EQ(settings.value(QStringLiteral("Window/height")).toInt(), 702);
}

TEST_F(AppProcessTest, ASecondInstanceShowsWhyAndEndsWithMinusTwo)
{
    QProcess& first = start();
    const X11Window firstWindow = waitForWindow(first);
    ASSERT_NE(firstWindow.id, 0u) << log().toStdString();

    QProcess& second = start();
    const X11Window box = waitForWindow(second);
    ASSERT_NE(box.id, 0u) << log().toStdString();
    EXPECT_TRUE(log().contains(QStringLiteral("main: Error: ") + kAlreadyRunning)) << log().toStdString();
    screenshot(box, QStringLiteral("app-second-instance"), kDialogBackground);

    EXPECT_EQ(closeAndWait(second, box), 254); // -2
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_EQ(closeAndWait(first, firstWindow), 0);
}

TEST_F(AppProcessTest, TheReportSenderNeedsNoLockAndOpensNoWindow)
{
    QProcess& first = start();
    const X11Window firstWindow = waitForWindow(first);
    ASSERT_NE(firstWindow.id, 0u) << log().toStdString();

    QProcess& sender = start({QLatin1String(CrashDumpCreator::kSendReportArgument)});
    bool showedWindow = false;
    ASSERT_TRUE(waitUntil(
        [&] {
            showedWindow = showedWindow || !m_x11.windowsOf(sender.processId()).isEmpty();
            return sender.state() == QProcess::NotRunning;
        },
        kStartTimeoutMs));
    EXPECT_EQ(sender.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sender.exitCode(), 0);
    EXPECT_FALSE(showedWindow);
    EXPECT_FALSE(log().contains(kAlreadyRunning)) << log().toStdString();
    EXPECT_EQ(closeAndWait(first, firstWindow), 0);
}

TEST_F(AppProcessTest, ALockLeftByAKilledInstanceDoesNotBlockTheNextStart)
{
    QProcess& killed = start();
    ASSERT_NE(waitForWindow(killed).id, 0u) << log().toStdString();
    killed.kill();
    ASSERT_TRUE(killed.waitForFinished(10000));
    ASSERT_TRUE(QFile::exists(dataDir() + "/lock"));

    QProcess& next = start();
    ASSERT_NE(waitForWindow(next).id, 0u) << log().toStdString();
    // Closed only once it has its size and paints, as a reader would.
    const X11Window window = waitForSize(next, QSize(1248, 702));
    ASSERT_NE(window.id, 0u);
    EXPECT_EQ(window.title, QStringLiteral("Tarnolix"));
    screenshot(window, QStringLiteral("app-after-killed-instance"), kRootBackground);
    EXPECT_FALSE(log().contains(kAlreadyRunning)) << log().toStdString();
    EXPECT_EQ(closeAndWait(next, window), 0);
}

TEST_F(AppProcessTest, ASegfaultLeavesADumpWhoseReportReachesTheServer)
{
    QProcess& program = start();
    ASSERT_NE(waitForWindow(program).id, 0u) << log().toStdString();
    const int before = uploadedReports().size();

    ASSERT_EQ(::kill(pid_t(program.processId()), SIGSEGV), 0);
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(program.exitCode(), SIGSEGV);

    // The sender the crash capture started packs the dump and uploads it.
    ASSERT_TRUE(waitUntil([&] { return uploadedReports().size() == before + 1; }, kStartTimeoutMs))
        << log().toStdString();
    const QStringList packed = JlCompress::getFileList(dataDir() + "/CrashReport.zip");
    EXPECT_EQ(packed.filter(QRegularExpression(QStringLiteral(R"(^Crash_.*\.DMP$)"))).size(), 1)
        << packed.join(", ").toStdString();
    const QString name = uploadedReports().last().toObject().value(QStringLiteral("name")).toString();
    EXPECT_TRUE(name.startsWith(kEmail + QLatin1Char(' '))) << name.toStdString();
}

} // namespace
