// The start's steps that run in process: arguments, attributes, the
// scheme, the guard around main's block, the crash-report switch.
#include "app/Startup.h"
#include "app/Tarnolix.h"
#include "core/Exception.h"
#include "pages/TarnolixScheme.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/MessageLog.h"

#include <QCoreApplication>
#include <QWebEngineUrlScheme>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using tarnolix::test::MessageLog;

TEST(ProgramArgumentsTest, AppendsSmoothScrollingLast)
{
    char program[] = "/opt/tarnolix/tarnolix";
    char option[] = "--SENDREPORT";
    char* argv[] = {program, option, nullptr};
    ProgramArguments arguments(2, argv);

    EXPECT_EQ(arguments.count(), 3);
    const std::vector<const char*> entries = arguments.entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_STREQ(entries[0], program);
    EXPECT_STREQ(entries[1], option);
    EXPECT_STREQ(entries[2], "--enable-smooth-scrolling");
    EXPECT_EQ(arguments.vector()[3], nullptr);
}

TEST(ProgramArgumentsTest, TheApplicationSeesTheAppendedArgument)
{
    EXPECT_EQ(QCoreApplication::arguments().constLast(), QStringLiteral("--enable-smooth-scrolling"));
}

TEST(StartupTest, AttributesInTheirOrder)
{
    using Attributes = QVector<Qt::ApplicationAttribute>;
    EXPECT_EQ(applicationAttributes(false),
              (Attributes{Qt::AA_DisableHighDpiScaling, Qt::AA_UseHighDpiPixmaps, Qt::AA_ShareOpenGLContexts}));
    EXPECT_EQ(applicationAttributes(true), (Attributes{Qt::AA_UseOpenGLES, Qt::AA_DisableHighDpiScaling,
                                                       Qt::AA_UseHighDpiPixmaps, Qt::AA_ShareOpenGLContexts}));
    // The test main started as main does, with "useOpenGLES" false.
    EXPECT_FALSE(QCoreApplication::testAttribute(Qt::AA_UseOpenGLES));
    EXPECT_TRUE(QCoreApplication::testAttribute(Qt::AA_DisableHighDpiScaling));
    EXPECT_TRUE(QCoreApplication::testAttribute(Qt::AA_ShareOpenGLContexts));
}

TEST(StartupTest, NamesPlaceTheSettings)
{
    EXPECT_EQ(QCoreApplication::organizationName(), QStringLiteral("Tarnolix"));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Tarnolix"));
    EXPECT_EQ(QCoreApplication::organizationDomain(), QStringLiteral("tarnolix.invalid"));
    const QString settingsFile = tarnolix::test::app().settings()->fileName();
    EXPECT_EQ(settingsFile, tarnolix::test::appTestRoot() + QStringLiteral("/config/Tarnolix/Tarnolix.conf"));
}

TEST(StartupTest, SchemeIsRegisteredBeforeTheWebEngine)
{
    const QWebEngineUrlScheme scheme = QWebEngineUrlScheme::schemeByName(QByteArrayLiteral("tarnolix"));
    EXPECT_EQ(scheme.name(), QByteArrayLiteral("tarnolix"));
    EXPECT_EQ(scheme.syntax(), QWebEngineUrlScheme::Syntax::Host);
    EXPECT_EQ(scheme.defaultPort(), int(QWebEngineUrlScheme::PortUnspecified));
    EXPECT_EQ(int(scheme.flags()), 0x87);
}

TEST(StartupTest, NotTheCrashReportSender)
{
    EXPECT_FALSE(crashReportModeRequested());
}

// What leaves main's protected block: exit code, log line, message box.
TEST(StartupTest, ExceptionsReachingMainBecomeExitCodes)
{
    struct Case
    {
        const char* name;
        std::function<int()> block;
        int code;
        QString log;
        QStringList shown;
    };
    const Case cases[] = {
        {"normal end", [] { return 7; }, 7, QString(), {}},
        {"program exception", []() -> int { throw Exception(QStringLiteral("Приложение уже запущено!")); }, -2,
         QStringLiteral("main: Error: Приложение уже запущено!"), {QStringLiteral("Приложение уже запущено!")}},
        {"standard exception", []() -> int { throw std::runtime_error("disk full"); }, -3,
         QStringLiteral("main: Unknown exception: disk full"), {QStringLiteral("disk full")}},
        {"anything else", []() -> int { throw 42; }, -4, QStringLiteral("main: Unknown exception"), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageLog log;
        QStringList shown;
        EXPECT_EQ(runGuarded(c.block, [&](const QString& text) { shown.append(text); }), c.code);
        EXPECT_EQ(shown, c.shown);
        const QStringList expectedLog = c.log.isEmpty() ? QStringList() : QStringList{c.log};
        EXPECT_EQ(log.texts(QtCriticalMsg), expectedLog);
    }
}

} // namespace
