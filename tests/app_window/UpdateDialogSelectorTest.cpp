// Which update dialog the main window shows: none during the account
// refresh, the completion of a program update first, then the library
// update (started once), then the indexing; the choice follows its
// conditions, and a rejected library update ends the program. In the main
// window the real indexing dialog follows an accepted update.
#include "tests/app_window/WindowTest.h"

#include "search/index/IndexWriterThread.h"

#include <QJsonObject>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QSignalSpy>

using namespace tarnolix::test;

namespace {

class UpdateDialogSelectorTest : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        m_window = std::make_unique<QmlWindow>();
        QObject::disconnect(&m_window->engine(), SIGNAL(quit()), QCoreApplication::instance(), SLOT(quit()));
        const QByteArray qml = QByteArray(R"(
import QtQuick 2.15
import "qrc:/"
TarnolixWindow {
    width: 600; height: 400; visible: true
    UpdateDialogSelector {
        objectName: "selector"
        refreshRunning: true
        showUpdateCompleting: false
        showIndexing: false
        completingDialogSource: ")") + fixtureUrl(QStringLiteral("FakeCompletingDlg.qml")).toString().toUtf8() + R"("
        updateDialogSource: ")" + fixtureUrl(QStringLiteral("FakeDatabaseUpdateDlg.qml")).toString().toUtf8() + R"("
        indexingDialogSource: ")" + fixtureUrl(QStringLiteral("FakeIndexingDlg.qml")).toString().toUtf8() + R"("
    }
})";
        ASSERT_TRUE(m_window->loadData(qml)) << m_window->warnings().join('\n').toStdString();
        m_selector = m_window->find<QObject>(QStringLiteral("selector"));
        ASSERT_NE(m_selector, nullptr);
    }
    QQuickWindow* dialog() const
    {
        return qobject_cast<QQuickWindow*>(m_selector->property("dialog").value<QObject*>());
    }
    QString shown() const
    {
        QQuickWindow* d = dialog();
        return d && d->isVisible() ? d->property("kind").toString() : QString();
    }
    void set(const char* condition, bool value) { m_selector->setProperty(condition, value); }

    QObject* m_selector = nullptr;
};

TEST_F(UpdateDialogSelectorTest, NothingDuringTheRefreshThenTheUpdateStartedOnce)
{
    set("showUpdate", true);
    set("showIndexing", true);
    EXPECT_EQ(dialog(), nullptr);
    set("refreshRunning", false);
    ASSERT_EQ(shown(), QStringLiteral("update"));
    EXPECT_EQ(dialog()->property("starts").toInt(), 1);

    // A refresh that starts again takes the dialog away.
    set("refreshRunning", true);
    EXPECT_EQ(dialog(), nullptr);
    set("refreshRunning", false);
    EXPECT_EQ(shown(), QStringLiteral("update"));
}

TEST_F(UpdateDialogSelectorTest, TheCompletionComesFirstAndCannotBeDismissed)
{
    set("refreshRunning", false);
    set("showUpdate", true);
    set("showUpdateCompleting", true);
    ASSERT_EQ(shown(), QStringLiteral("completing"));
    dialog()->close(); // the window's close button
    EXPECT_FALSE(dialog()->isVisible());
    ASSERT_TRUE(settle([&] { return shown() == QStringLiteral("completing"); })) << "shown again";
    QMetaObject::invokeMethod(dialog(), "accept");
    EXPECT_TRUE(m_selector->property("showUpdate").toBool()) << "accepting the completion is no update";

    set("showUpdateCompleting", false);
    ASSERT_EQ(shown(), QStringLiteral("update"));
    EXPECT_EQ(dialog()->property("starts").toInt(), 1);
}

TEST_F(UpdateDialogSelectorTest, AnAcceptedUpdateGivesWayToTheIndexing)
{
    set("refreshRunning", false);
    set("showUpdate", true);
    set("showIndexing", true);
    ASSERT_EQ(shown(), QStringLiteral("update"));
    QSignalSpy quit(&m_window->engine(), &QQmlEngine::quit);
    // A finished update closes its dialog by accept().
    QMetaObject::invokeMethod(dialog(), "accept");
    EXPECT_FALSE(m_selector->property("showUpdate").toBool());
    ASSERT_TRUE(settle([&] { return shown() == QStringLiteral("indexing"); }));
    EXPECT_EQ(dialog()->property("startUpdate"), QVariant()) << "the indexing dialog has no start";

    // Rejecting the indexing dialog changes nothing; its end takes it away.
    QMetaObject::invokeMethod(dialog(), "reject");
    EXPECT_EQ(dialog()->property("kind").toString(), QStringLiteral("indexing"));
    set("showIndexing", false);
    EXPECT_EQ(dialog(), nullptr);
    EXPECT_EQ(quit.count(), 0);
}

TEST_F(UpdateDialogSelectorTest, ARejectedUpdateEndsTheProgram)
{
    set("refreshRunning", false);
    set("showUpdate", true);
    ASSERT_EQ(shown(), QStringLiteral("update"));
    QSignalSpy quit(&m_window->engine(), &QQmlEngine::quit);
    dialog()->close();
    EXPECT_EQ(quit.count(), 1);
}

// In the main window the account refresh holds the update dialog back.
TEST_F(UpdateDialogSelectorTest, TheMainWindowShowsTheUpdateOnlyAfterTheRefresh)
{
    m_window.reset();
    delayNextRequest(QStringLiteral("/user"), 1500);
    ASSERT_TRUE(openRoot());
    ASSERT_TRUE(signIn());
    QObject* selector = object(QStringLiteral("updateDialogSelector"));
    EXPECT_TRUE(selector->property("showUpdate").toBool()) << "a new library needs its download";
    selector->setProperty("updateDialogSource", fixtureUrl(QStringLiteral("FakeDatabaseUpdateDlg.qml")));
    ASSERT_NE(app().initializer(), nullptr);
    pause(300);
    EXPECT_EQ(selector->property("dialog").value<QObject*>(), nullptr);
    ASSERT_TRUE(settle([&] { return selector->property("dialog").value<QObject*>() != nullptr; }, 10000));
    EXPECT_EQ(app().initializer(), nullptr);
    QObject* update = selector->property("dialog").value<QObject*>();
    EXPECT_EQ(update->property("starts").toInt(), 1);
    // Indexing runs: accepting the update hands over to the real indexing
    // dialog, which goes away by itself when the indexing ends.
    tarnolix::IndexWriterThread* writer = app().indexWriterThread(1);
    ASSERT_NE(writer, nullptr);
    writer->implActiveChanged(true);
    QMetaObject::invokeMethod(update, "accept");
    EXPECT_FALSE(selector->property("showUpdate").toBool());
    ASSERT_TRUE(settle([&] {
        auto* d = qobject_cast<QQuickWindow*>(selector->property("dialog").value<QObject*>());
        return d && d->isVisible() && d->title() == QStringLiteral("Индексация");
    }));
    writer->implActiveChanged(false);
    EXPECT_TRUE(settle([&] { return selector->property("dialog").value<QObject*>() == nullptr; }));
}

} // namespace
