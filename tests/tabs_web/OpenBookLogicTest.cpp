// An open book read in a real tab under Xvfb, inside the real application
// object: the first screen, wheel scrolling that adds one section at a time
// at either end while the tab's URL, section and title follow, moves inside
// the book without a page load, cancelled navigations, the reload after a
// library update, the restore after an in-book search and the loss of the
// book.
#include "app/Tarnolix.h"
#include "core/Settings.h"
#include "core/TarnolixEvents.h"
#include "database/DatabasePool.h"
#include "pages/BookSectionItem.h"
#include "pages/HTMLCreator.h"
#include "tabs/OpenBookStatus.h"
#include "tabs/PageStatus.h"
#include "tabs/TabStatus.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestSupport.h"
#include "tests/tabs/NumberedBook.h"

#include <QElapsedTimer>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

using namespace tarnolix::test;
using C = TarnolixConstants;
namespace nb = tarnolix::test::numbered;

struct View
{
    int start = -1;
    int end = -1;
    double scrollY = 0;
    double scrollHeight = 0;
    double viewHeight = 0;
    QString sampled; // the section at 15% of the view
};

class OpenBookInTab : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (!app().runtimeReady()) {
            ASSERT_TRUE(openAccountRuntime(QStringLiteral("reader@tarnolix.invalid")));
        }
    }

    void SetUp() override
    {
        // Sign-in sets the text key from the reader's e-mail.
        app().cipherKeyPair().setKeyFromString(QStringLiteral("reader@tarnolix.invalid"));
        nb::insertNumberedBooks(*currentDatabase(), true);
        app().settings()->setZoomFactor(1.0);
        window = std::make_unique<QmlWindow>();
        ASSERT_TRUE(window->load(
            QUrl::fromLocalFile(QStringLiteral(TARNOLIX_TEST_SOURCE_DIR "/tests/tabs_web/OpenBookWindow.qml"))))
            << window->warnings().join('\n').toStdString();
        root = window->window();
        tabs = root->property("tabs").value<QQuickItem*>();
        ASSERT_NE(tabs, nullptr);
        ASSERT_TRUE(window->show());
        ASSERT_TRUE(waitUntil([&] { return !view()->property("loading").toBool() && tab()->pageType() == UrlCreator::NewTab; },
                              20000));
    }

    void TearDown() override
    {
        app().setMainWindowDPCalculate(nullptr);
        if (window && window->window()) {
            QObject* content = current()->property("presentationContent").value<QObject*>();
            waitUntil([&] { return content->property("activeScriptCount").toInt() == 0; }, 10000);
            QTest::qWait(200);
        }
        window.reset();
        app().setTabControl(nullptr);
        app().settings()->setZoomFactor(1.0);
    }

    QQuickItem* current() const { return tabs->property("currentTab").value<QQuickItem*>(); }
    TabStatus* tab() const { return current()->property("status").value<TabStatus*>(); }
    QQuickItem* view() const { return current()->property("webView").value<QQuickItem*>(); }
    QObject* logic() const { return tab()->pageLogic(); }
    OpenBookStatus* book() const { return qobject_cast<OpenBookStatus*>(tab()->pageStatus()); }
    QStringList callbacks() const { return root->property("callbacks").toStringList(); }

    QUrl bookUrl(int bookId, const QString& section = QString()) const
    {
        return QUrl(QStringLiteral("tarnolix://openbook.ru/Book-%1%2?catalogTab=Names&tabId=%3")
                        .arg(bookId)
                        .arg(section.isEmpty() ? QString() : QStringLiteral("/Section-") + section)
                        .arg(tab()->id()));
    }

    // Opens the URL and waits for the opening's report.
    bool open(const QUrl& url)
    {
        const int before = root->property("opened").toList().size();
        QMetaObject::invokeMethod(current(), "openUrl", Q_ARG(QVariant, url));
        if (!waitUntil([&] { return root->property("opened").toList().size() > before; }, 20000))
            return false;
        return root->property("opened").toList().last().toBool() && settled();
    }

    // No navigation or script pending, the refill done and the view still
    // for 300 ms.
    bool settled(int timeoutMs = 15000)
    {
        QObject* content = current()->property("presentationContent").value<QObject*>();
        QElapsedTimer quiet;
        QPointF last(-1, -1);
        return waitUntil([&] {
            const QPointF position = view()->property("scrollPosition").toPointF();
            const bool idle = !logic()->property("ignoreScroll").toBool() &&
                              !logic()->property("timerAddContentIsNeed").toBool() &&
                              content->property("activeScriptCount").toInt() == 0;
            if (!idle || position != last || !quiet.isValid()) {
                last = position;
                quiet.start();
                return false;
            }
            return quiet.elapsed() > 300;
        }, timeoutMs);
    }

    QVariant run(const QString& script)
    {
        const int before = root->property("results").toInt();
        QMetaObject::invokeMethod(root, "run", Q_ARG(QVariant, script));
        if (!waitUntil([&] { return root->property("results").toInt() > before; }, 10000)) {
            ADD_FAILURE() << "script did not answer: " << script.toStdString();
            return {};
        }
        return root->property("lastResult");
    }

    View state()
    {
        const QVariantMap m = run(QStringLiteral(
            "(function () { var r = getSectionsRange() || {}; var s = document.scrollingElement;"
            " var at = enclosingSection(document.elementFromPoint(innerWidth * 0.15, innerHeight * 0.15));"
            " return { start: r.start, end: r.end, y: s.scrollTop, h: s.scrollHeight, vh: s.clientHeight,"
            " sampled: at ? at.id : '' }; })()")).toMap();
        View v;
        v.start = m.value("start", -1).toInt();
        v.end = m.value("end", -1).toInt();
        v.scrollY = m.value("y").toDouble();
        v.scrollHeight = m.value("h").toDouble();
        v.viewHeight = m.value("vh").toDouble();
        v.sampled = m.value("sampled").toString();
        return v;
    }

    // The sections on the page are the run start..end, in order, each once.
    void expectContiguous()
    {
        const QVariantList indexes = run(QStringLiteral(
            "Array.prototype.map.call(document.querySelectorAll('#content > [data-section-index]'),"
            " function (e) { return parseInt(e.getAttribute('data-section-index'), 10); })")).toList();
        ASSERT_FALSE(indexes.isEmpty());
        for (int i = 1; i < indexes.size(); ++i)
            ASSERT_EQ(indexes[i].toInt(), indexes[i - 1].toInt() + 1) << i;
    }

    // Negative: towards the end of the book.
    void wheel(int notches)
    {
        const QPointF at = view()->mapToScene(QPointF(view()->width() / 2, view()->height() / 2));
        const int step = notches < 0 ? -120 : 120; // a negative angle scrolls down
        for (int i = 0; i < std::abs(notches); ++i) {
            QWheelEvent event(at, root->mapToGlobal(at.toPoint()), QPoint(), QPoint(0, step), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(root, &event);
            QTest::qWait(30);
        }
    }

    // The first batch of an opening, as the page kind serves it: sections
    // until 30 or until the script reaches 2500 characters.
    static int firstBatchSize()
    {
        const auto db = currentDatabase();
        const auto info = db->selectBookInfo(nb::kBookId, C::Russian);
        const auto rows = nb::numberedSections();
        int length = 0;
        int count = 0;
        for (; count < 30 && length < 2500; ++count) {
            const QString code = rows[static_cast<std::size_t>(count)].code;
            BookSectionItem item{db->selectBookSection(code, C::Russian).first, db->selectBookPart(code, C::Russian),
                                 static_cast<quint64>(count)};
            length += PageStatus::escapeJS(PageStatus::htmlCreator()->getBookSections(info, item, nullptr)).size() +
                      int(qstrlen("appendSection(\"\");\n"));
        }
        return count;
    }

    // The reader's zoom that makes the web view's exactly 1.
    static void setUnitWebZoom()
    {
        const double dp = app().webviewZoomFactor() / app().settings()->zoomFactor();
        for (double zoom : {1 / dp, std::nextafter(1 / dp, 0.0), std::nextafter(1 / dp, 2.0)}) {
            if (zoom * dp == 1.0) {
                app().settings()->setZoomFactor(zoom);
                return;
            }
        }
    }

    double reserve(const View& v) const { return std::max(1200.0, 3 * v.viewHeight); }

    std::unique_ptr<QmlWindow> window;
    QQuickWindow* root = nullptr;
    QQuickItem* tabs = nullptr;
};

TEST_F(OpenBookInTab, OpeningShowsAFirstBatchAndCommitsTheSectionInView)
{
    ASSERT_TRUE(open(bookUrl(nb::kBookId)));
    // Taken when the opening reported, before any refill.
    const QVariantMap first = root->property("openedRange").toMap();
    const int batch = firstBatchSize();
    ASSERT_GT(batch, 1);
    ASSERT_LT(batch, 30);
    EXPECT_EQ(first.value("start").toInt(), 0);
    EXPECT_EQ(first.value("end").toInt(), batch - 1);

    EXPECT_EQ(tab()->sectionCode(), QStringLiteral("intro"));
    EXPECT_TRUE(tab()->url().toString().contains(QStringLiteral("/Book-120/Section-intro")));
    EXPECT_TRUE(waitUntil([&] { return book()->tabTitle() == QStringLiteral("Река - Вступление"); }, 2000))
        << book()->tabTitle().toStdString();

    // The refill then keeps a reserve below the view.
    const View v = state();
    EXPECT_GE(v.scrollHeight - v.viewHeight - v.scrollY, reserve(v));
    expectContiguous();
    run(QStringLiteral("document.body.offsetHeight"));
    QTest::qWait(300);
    EXPECT_FALSE(window->screenshot(QStringLiteral("open-book-start")).isEmpty());
}

TEST_F(OpenBookInTab, WheelScrollingAddsSectionsAtBothEndsAndTheTabFollows)
{
    ASSERT_TRUE(open(bookUrl(nb::kBookId)));
    const View before = state();

    wheel(-40);
    ASSERT_TRUE(settled());
    View after = state();
    EXPECT_GT(after.scrollY, before.scrollY);
    EXPECT_GT(after.end, before.end);
    EXPECT_TRUE(after.end == nb::kSectionCount - 1 ||
                after.scrollHeight - after.viewHeight - after.scrollY >= reserve(after));
    expectContiguous();
    // Within about 250 ms the tab shows the section in view.
    ASSERT_TRUE(waitUntil([&] { return tab()->sectionCode() == after.sampled; }, 1000))
        << tab()->sectionCode().toStdString() << " / " << after.sampled.toStdString();
    const auto section = currentDatabase()->selectBookSection(after.sampled, C::Russian).first;
    EXPECT_TRUE(waitUntil([&] { return book()->tabTitle() == QStringLiteral("Река - ") + section->name; }, 1000));
    EXPECT_TRUE(tab()->url().toString().contains(QStringLiteral("/Section-") + after.sampled));
    EXPECT_FALSE(window->screenshot(QStringLiteral("open-book-scrolled")).isEmpty());

    // Opened in the middle, the run starts above; scrolling up prepends and
    // the text in view stays where it was.
    ASSERT_TRUE(open(bookUrl(nb::kBookId, QStringLiteral("s2c3v1"))));
    EXPECT_EQ(tab()->sectionCode(), QStringLiteral("s2c3v1"));
    const View middle = state();
    EXPECT_GT(middle.start, 0);
    EXPECT_EQ(middle.sampled, QStringLiteral("s2c3v1"));
    wheel(30);
    ASSERT_TRUE(settled());
    const View up = state();
    EXPECT_LT(up.start, middle.start);
    EXPECT_TRUE(up.start == 0 || up.scrollY >= reserve(up));
    expectContiguous();
    ASSERT_TRUE(waitUntil([&] { return tab()->sectionCode() == up.sampled; }, 1000));
}

TEST_F(OpenBookInTab, AtEitherEndNothingIsInsertedOrLogged)
{
    ASSERT_TRUE(open(bookUrl(nb::kBookId, QStringLiteral("s3c5v9"))));
    View v = state();
    ASSERT_EQ(v.end, nb::kSectionCount - 1);
    MessageLog log;
    wheel(-20);
    ASSERT_TRUE(settled());
    v = state();
    EXPECT_EQ(v.end, nb::kSectionCount - 1);
    EXPECT_NEAR(v.scrollHeight - v.viewHeight, v.scrollY, 1);

    ASSERT_TRUE(open(bookUrl(nb::kBookId, QStringLiteral("intro"))));
    log.clear();
    wheel(20);
    ASSERT_TRUE(settled());
    v = state();
    EXPECT_EQ(v.start, 0);
    EXPECT_EQ(v.scrollY, 0);
    expectContiguous();
    EXPECT_TRUE(log.texts(QtWarningMsg).isEmpty()) << log.texts(QtWarningMsg).join('\n').toStdString();
    EXPECT_TRUE(log.texts(QtCriticalMsg).isEmpty()) << log.texts(QtCriticalMsg).join('\n').toStdString();
}

TEST_F(OpenBookInTab, MovesInsideTheBookNeedNoPageLoadAndANewerOneCancelsTheOlder)
{
    setUnitWebZoom();
    ASSERT_EQ(app().webviewZoomFactor(), 1.0);
    ASSERT_TRUE(open(bookUrl(nb::kBookId)));
    run(QStringLiteral("window.sameDocument = 7"));
    QObject* delay = logic()->findChild<QObject*>(QStringLiteral("timerScrollDelay"));
    ASSERT_NE(delay, nullptr);

    // A section of the open book, as the catalogue opens it.
    const QVariantList path{QVariantMap{{"type", int(C::Book)}, {"id", nb::kBookId}},
                            QVariantMap{{"type", int(C::Section)}, {"id", QStringLiteral("s2c4v2")}}};
    QMetaObject::invokeMethod(current(), "openBookSection", Q_ARG(QVariant, int(C::Russian)),
                              Q_ARG(QVariant, int(C::Names)), Q_ARG(QVariant, path));
    ASSERT_TRUE(waitUntil([&] { return tab()->sectionCode() == QStringLiteral("s2c4v2"); }, 5000));
    ASSERT_TRUE(settled());
    EXPECT_EQ(run(QStringLiteral("window.sameDocument")).toInt(), 7);
    EXPECT_EQ(state().sampled, QStringLiteral("s2c4v2"));
    // Not on the page: rebuilt around it, scrolled again after 20 ms.
    EXPECT_EQ(delay->property("interval").toInt(), 20);
    EXPECT_NEAR(run(QStringLiteral("document.getElementById('s2c4v2').getBoundingClientRect().top")).toDouble(), 0,
                4);

    // A newer navigation cancels the pending one: its callback never runs.
    QMetaObject::invokeMethod(root, "seek", Q_ARG(QVariant, "older"), Q_ARG(QVariant, "s1c2v1"));
    QMetaObject::invokeMethod(root, "seek", Q_ARG(QVariant, "newer"), Q_ARG(QVariant, "s3c1v2"));
    ASSERT_TRUE(waitUntil([&] { return !callbacks().isEmpty(); }, 5000));
    ASSERT_TRUE(settled());
    QTest::qWait(200);
    EXPECT_EQ(callbacks(), QStringList{"newer:true"});
    EXPECT_EQ(tab()->sectionCode(), QStringLiteral("s3c1v2"));

    // A positioning script that fails ends the navigation false.
    QMetaObject::invokeMethod(root, "scrollWith", Q_ARG(QVariant, "failing"), Q_ARG(QVariant, "s1c4v1"),
                              Q_ARG(QVariant, "false"));
    ASSERT_TRUE(waitUntil([&] { return callbacks().size() == 2; }, 5000));
    EXPECT_EQ(callbacks().last(), QStringLiteral("failing:false"));
    EXPECT_EQ(tab()->sectionCode(), QStringLiteral("s3c1v2"));

    // Zoomed, the second scroll waits 50 ms.
    app().settings()->setZoomFactor(1.5);
    ASSERT_NE(app().webviewZoomFactor(), 1.0);
    QMetaObject::invokeMethod(root, "seek", Q_ARG(QVariant, "zoomed"), Q_ARG(QVariant, "intro"));
    ASSERT_TRUE(waitUntil([&] { return callbacks().size() == 3; }, 5000));
    EXPECT_EQ(callbacks().last(), QStringLiteral("zoomed:true"));
    EXPECT_EQ(delay->property("interval").toInt(), 50);
    EXPECT_EQ(run(QStringLiteral("window.sameDocument")).toInt(), 7);
}

TEST_F(OpenBookInTab, AChapterJumpOfThePageKindMovesTheView)
{
    ASSERT_TRUE(open(bookUrl(nb::kBookId, QStringLiteral("s1c1v1"))));
    EXPECT_EQ(book()->numberCodePoem(), 1);
    book()->goToNextChapter();
    ASSERT_TRUE(waitUntil([&] { return tab()->sectionCode() == QStringLiteral("s1c2"); }, 5000));
    ASSERT_TRUE(settled());
    EXPECT_EQ(state().sampled, QStringLiteral("s1c2"));
    EXPECT_EQ(book()->numberCodeChapter(), 2);
    EXPECT_TRUE(waitUntil([&] { return book()->tabTitle() == QStringLiteral("Река - Глава 1.2"); }, 1000));
    run(QStringLiteral("document.body.offsetHeight"));
    QTest::qWait(300);
    EXPECT_FALSE(window->screenshot(QStringLiteral("open-book-chapter-jump")).isEmpty());
}

TEST_F(OpenBookInTab, ALibraryUpdateRefillsAroundTheReadingPlaceAndWaitsForAPageLoad)
{
    ASSERT_TRUE(open(bookUrl(nb::kBookId, QStringLiteral("s2c2v1"))));
    wheel(-3);
    ASSERT_TRUE(settled());
    const QVariantMap anchor = run(QStringLiteral("captureBookReadingAnchor()")).toMap();
    ASSERT_FALSE(anchor.value("sectionCode").toString().isEmpty());

    // Shown: the page refills around the anchor, which keeps its place.
    nb::insertNumberedBooks(*currentDatabase(), true, 0, QStringLiteral("Вторая редакция. "));
    emit TarnolixEvents::current()->bookContentChanged(nb::kBookId);
    const QString revised = QStringLiteral("document.body.innerText.indexOf('%1') >= 0");
    ASSERT_TRUE(waitUntil([&] { return run(revised.arg(QStringLiteral("Вторая редакция"))).toBool(); }, 5000));
    ASSERT_TRUE(settled());
    const QVariantMap restored = run(QStringLiteral("captureBookReadingAnchor()")).toMap();
    EXPECT_EQ(restored.value("sectionCode"), anchor.value("sectionCode"));
    EXPECT_EQ(restored.value("elementIndex"), anchor.value("elementIndex"));
    EXPECT_NEAR(restored.value("top").toDouble(), anchor.value("top").toDouble(), 2);
    expectContiguous();

    // During a page load nothing happens; the loaded page opens the changed
    // book at its section.
    QMetaObject::invokeMethod(current(), "openUrl", Q_ARG(QVariant, bookUrl(nb::kBookId, QStringLiteral("s2c3v2"))));
    ASSERT_TRUE(waitUntil([&] { return view()->property("loading").toBool(); }, 5000));
    const int opened = root->property("opened").toList().size();
    nb::insertNumberedBooks(*currentDatabase(), true, 0, QStringLiteral("Третья редакция. "));
    emit TarnolixEvents::current()->bookContentChanged(nb::kBookId);
    ASSERT_TRUE(waitUntil([&] { return root->property("opened").toList().size() > opened; }, 20000));
    EXPECT_TRUE(root->property("opened").toList().last().toBool());
    ASSERT_TRUE(settled());
    EXPECT_TRUE(run(revised.arg(QStringLiteral("Третья редакция"))).toBool());
    EXPECT_EQ(tab()->sectionCode(), QStringLiteral("s2c3v2"));
    EXPECT_EQ(state().sampled, QStringLiteral("s2c3v2"));

    // The next change is acted on again.
    nb::insertNumberedBooks(*currentDatabase(), true, 0, QStringLiteral("Четвёртая редакция. "));
    emit TarnolixEvents::current()->bookContentChanged(nb::kBookId);
    EXPECT_TRUE(waitUntil([&] { return run(revised.arg(QStringLiteral("Четвёртая редакция"))).toBool(); }, 5000));
}

TEST_F(OpenBookInTab, RestoringAfterASearchPutsTheReadingPlaceBack)
{
    setUnitWebZoom();
    ASSERT_TRUE(open(bookUrl(nb::kBookId, QStringLiteral("s1c3v1"))));
    wheel(-2);
    ASSERT_TRUE(settled());
    const QVariantMap anchor = run(QStringLiteral("captureBookReadingAnchor()")).toMap();
    run(QStringLiteral("document.getElementById('%1').setAttribute('data-old', '1')")
            .arg(anchor.value("sectionCode").toString()));

    QMetaObject::invokeMethod(root, "restore");
    ASSERT_TRUE(waitUntil([&] { return root->property("resets").toInt() == 1; }, 5000));
    ASSERT_TRUE(waitUntil([&] { return run(QStringLiteral("document.querySelector('[data-old]') === null")).toBool(); },
                          5000));
    ASSERT_TRUE(settled());
    const QVariantMap restored = run(QStringLiteral("captureBookReadingAnchor()")).toMap();
    EXPECT_EQ(restored.value("sectionCode"), anchor.value("sectionCode"));
    EXPECT_EQ(restored.value("elementIndex"), anchor.value("elementIndex"));
    EXPECT_NEAR(restored.value("top").toDouble(), anchor.value("top").toDouble(), 2);

    // Nothing readable in view: the content stays and a warning says why.
    run(QStringLiteral("getContentElement().style.display = 'none'"));
    MessageLog log;
    QMetaObject::invokeMethod(root, "restore");
    ASSERT_TRUE(waitUntil([&] { return root->property("resets").toInt() == 2; }, 5000));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral(
                                               "Search restoration: reading anchor unavailable; retaining current content")));
    EXPECT_EQ(run(QStringLiteral("document.querySelectorAll('[data-old]').length")).toInt(), 0);
    EXPECT_FALSE(logic()->property("ignoreScroll").toBool());
}

TEST_F(OpenBookInTab, ARevokedBookGivesWayToTheNewTabPage)
{
    ASSERT_TRUE(open(bookUrl(nb::kPlainBookId)));
    EXPECT_EQ(tab()->sectionCode(), QStringLiteral("p1"));
    currentDatabase()->deleteBook(nb::kPlainBookId);
    emit TarnolixEvents::current()->booksForIndexingChanged();
    EXPECT_TRUE(waitUntil([&] { return tab()->pageType() == UrlCreator::NewTab && !view()->property("loading").toBool(); },
                          20000));
    EXPECT_FALSE(tab()->bookMode());
}

} // namespace
