// The indexing dialog (qrc:/dialog/IndexingDlg.qml) over the open account
// runtime's indexing progress, driven through the index writers' own state
// slots; screenshots of its three faces go to the screenshots folder.
#include "app/IndexingProgressInfo.h"
#include "app/Tarnolix.h"
#include "search/index/IndexWriterThread.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarnolix::test;

namespace {

QPoint centreOf(const QQuickItem* item)
{
    return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
}

class IndexingDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        app().settings()->setDefaultScale(1.0);
        ASSERT_TRUE(openAccountRuntime(QStringLiteral("reader@tarnolix.invalid")));
        // Nobody is signed in: the writers stay idle, so only this test moves them.
        ASSERT_FALSE(app().isAuthorized());
        ASSERT_TRUE(m_window.load(QUrl(QStringLiteral("qrc:/dialog/IndexingDlg.qml"))));
        ASSERT_TRUE(m_window.show());
        ASSERT_TRUE(m_window.warnings().isEmpty()) << m_window.warnings().join(QLatin1Char('\n')).toStdString();
    }
    void TearDown() override { EXPECT_TRUE(logoutAndWait()); }

    // What the worker of a language reports.
    static void report(unsigned language, bool active, int progress, int total)
    {
        tarnolix::IndexWriterThread* writer = app().indexWriterThread(language);
        writer->implActiveChanged(active);
        writer->implProgress(progress, total);
    }

    QString text(const char* name) const { return m_window.find(QString::fromLatin1(name))->property("text").toString(); }
    bool shown(const char* name) const { return m_window.find(QString::fromLatin1(name))->isVisible(); }

    QmlWindow m_window;
};

TEST_F(IndexingDialogTest, ShowsTheWritersProgress)
{
    QQuickWindow* window = m_window.window();
    EXPECT_EQ(window->title(), QStringLiteral("Индексация"));
    EXPECT_EQ(window->width(), 400);
    EXPECT_EQ(window->height(), 200);
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "fixed size";
    EXPECT_EQ(window->modality(), Qt::ApplicationModal);

    // Started, nothing counted yet.
    report(1, true, 0, 0);
    EXPECT_TRUE(app().indexingProgressInfo()->indexingActive());
    QTest::qWait(50);
    EXPECT_EQ(text("stateLabel"), QStringLiteral("Индексация"));
    EXPECT_TRUE(shown("busyIndicator"));
    EXPECT_FALSE(shown("progressRow"));
    EXPECT_FALSE(m_window.screenshot(QStringLiteral("IndexingDlg-busy")).isEmpty());

    // Two languages at work: their counts add up.
    report(1, true, 1, 2);
    report(2, true, 0, 1);
    QTest::qWait(50);
    EXPECT_EQ(text("stateLabel"), QStringLiteral("Индексация"));
    EXPECT_FALSE(shown("busyIndicator"));
    EXPECT_TRUE(shown("progressRow"));
    EXPECT_EQ(text("progressText"), QStringLiteral("33% (1/3)"));
    EXPECT_FALSE(m_window.screenshot(QStringLiteral("IndexingDlg-progress")).isEmpty());

    // Every book indexed: the commit is running.
    report(2, true, 1, 1);
    report(1, true, 2, 2);
    QTest::qWait(50);
    EXPECT_EQ(text("stateLabel"), QStringLiteral("Завершение индексации"));
    EXPECT_TRUE(shown("busyIndicator"));
    EXPECT_FALSE(shown("progressRow"));
    EXPECT_FALSE(m_window.screenshot(QStringLiteral("IndexingDlg-finishing")).isEmpty());

    report(1, false, 2, 2);
    report(2, false, 1, 1);
}

TEST_F(IndexingDialogTest, CloseClosesTheDialogThenQuitsTheProgram)
{
    // The quit is only observed: the test's program goes on.
    QQmlApplicationEngine& engine = m_window.engine();
    QObject::disconnect(&engine, &QQmlEngine::quit, nullptr, nullptr);
    QSignalSpy quit(&engine, &QQmlEngine::quit);
    QSignalSpy rejected(m_window.window(), SIGNAL(rejected()));

    QQuickItem* close = m_window.find(QStringLiteral("closeButton"));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->property("text").toString(), QStringLiteral("Закрыть"));
    const QRectF inScene = close->mapRectToScene(QRectF(0, 0, close->width(), close->height()));
    EXPECT_EQ(qRound(m_window.window()->width() - inScene.right()), 10) << "bottom right, 10 units in";
    EXPECT_EQ(qRound(m_window.window()->height() - inScene.bottom()), 10);

    QTest::mouseClick(m_window.window(), Qt::LeftButton, Qt::NoModifier, centreOf(close));
    EXPECT_FALSE(m_window.window()->isVisible());
    ASSERT_TRUE(waitUntil([&] { return quit.count() == 1; }));
    EXPECT_EQ(rejected.count(), 1);
}

} // namespace
