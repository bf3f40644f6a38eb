// The search inside an open book in a real tab under Xvfb, with the real
// search thread on the fixture index: a search with no match ends itself
// where the reader is, a finished one shows its first match from the
// reading place and F4/F3 step through the matches, a late step starts
// again from the reading place unless the cursor is near it, late answers
// and pending navigations are dropped, and closing it brings back the
// library search's highlighting only when that search's query differs.
// F3/F4 also step through the hits of a library search.
#include "app/Tarnolix.h"
#include "search/searchers/FTSearchRecords.h"
#include "search/searchers/FTSearchThread.h"
#include "tabs/FTSearchPageStatus.h"
#include "tabs/OpenBookStatus.h"
#include "tabs/PageSearchData.h"
#include "tabs/SearchInBookStatus.h"
#include "tabs/TabStatus.h"
#include "tests/ftsearch_web/ResultsLibrary.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestSupport.h"

#include <QElapsedTimer>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace tarnolix::test {
namespace {

using C = TarnolixConstants;

class InBookSearch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resultsLibrary();
        window = std::make_unique<QmlWindow>();
        ASSERT_TRUE(window->load(
            QUrl::fromLocalFile(QStringLiteral(TARNOLIX_TEST_SOURCE_DIR "/tests/tabs_web/OpenBookWindow.qml"))))
            << window->warnings().join('\n').toStdString();
        root = window->window();
        tabs = root->property("tabs").value<QQuickItem*>();
        ASSERT_TRUE(window->show());
        root->requestActivate();
        ASSERT_TRUE(QTest::qWaitForWindowActive(root));
        ASSERT_TRUE(waitUntil([&] { return !view()->property("loading").toBool() && tab()->pageType() == UrlCreator::NewTab; },
                              20000));
    }

    void TearDown() override
    {
        if (window && window->window()) {
            QObject* content = current()->property("presentationContent").value<QObject*>();
            waitUntil([&] { return content->property("activeScriptCount").toInt() == 0; }, 10000);
            QTest::qWait(200);
        }
        window.reset();
        app().setTabControl(nullptr);
    }

    QQuickItem* current() const { return tabs->property("currentTab").value<QQuickItem*>(); }
    TabStatus* tab() const { return current()->property("status").value<TabStatus*>(); }
    QQuickItem* view() const { return current()->property("webView").value<QQuickItem*>(); }
    QObject* logic() const { return tab()->pageLogic(); }
    OpenBookStatus* book() const { return qobject_cast<OpenBookStatus*>(tab()->pageStatus()); }
    SearchInBookStatus* inBook() const { return qobject_cast<SearchInBookStatus*>(book()->searchInBookStatus()); }
    QObject* searchInBook() const { return logic()->property("searchInBook").value<QObject*>(); }
    QStringList callbacks() const { return root->property("callbacks").toStringList(); }

    QUrl bookUrl(const QString& section) const
    {
        return QUrl(QStringLiteral("tarnolix://openbook.en/Book-%1/Section-%2?catalogTab=Names&tabId=%3")
                        .arg(ResultsLibrary::kSigmaBookId)
                        .arg(section)
                        .arg(tab()->id()));
    }

    bool openBook(const QString& section)
    {
        const int before = root->property("opened").toList().size();
        QMetaObject::invokeMethod(current(), "openUrl", Q_ARG(QVariant, bookUrl(section)));
        if (!waitUntil([&] { return root->property("opened").toList().size() > before; }, 20000))
            return false;
        return root->property("opened").toList().last().toBool() && settled();
    }

    // The library search of `query` shown in the tab.
    bool openResults(const QString& query)
    {
        QMetaObject::invokeMethod(current(), "openUrl",
                                  Q_ARG(QVariant, ResultsLibrary::resultsUrl(query, tab()->id()).toString()));
        return waitUntil(
            [&] {
                auto* page = qobject_cast<FTSearchPageStatus*>(tab()->pageStatus());
                return page && page->status() == C::SearchFinished && !view()->property("loading").toBool()
                    && activeScripts() == 0;
            },
            30000);
    }

    int activeScripts() const
    {
        return current()->property("presentationContent").value<QObject*>()->property("activeScriptCount").toInt();
    }

    // No navigation or script pending and the view still for 300 ms.
    bool settled(int timeoutMs = 15000)
    {
        QElapsedTimer quiet;
        QPointF last(-1, -1);
        return waitUntil(
            [&] {
                const QPointF position = view()->property("scrollPosition").toPointF();
                QObject* l = logic();
                const bool idle = l && !l->property("ignoreScroll").toBool()
                    && !l->property("timerAddContentIsNeed").toBool() && activeScripts() == 0;
                if (!idle || position != last || !quiet.isValid()) {
                    last = position;
                    quiet.start();
                    return false;
                }
                return quiet.elapsed() > 300;
            },
            timeoutMs);
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

    // The section of the match shown as current; empty when none.
    QString currentMatch()
    {
        return run(QStringLiteral("(function () { var m = document.querySelector('.current-highlight');"
                                  " var s = m ? enclosingSection(m) : null; return s ? s.id : ''; })()"))
            .toString();
    }
    // The distinct texts of the marks on the page, lower case, sorted.
    QStringList markTexts()
    {
        QStringList texts;
        for (const QVariant& v : run(QStringLiteral("Array.prototype.map.call(document.querySelectorAll('.highlight'),"
                                                    " function (e) { return e.textContent.toLowerCase(); })"))
                                     .toList()) {
            if (!texts.contains(v.toString()))
                texts << v.toString();
        }
        texts.sort();
        return texts;
    }
    QVariantMap range() { return run(QStringLiteral("getSectionsRange()")).toMap(); }
    double scrollY() { return run(QStringLiteral("document.scrollingElement.scrollTop")).toDouble(); }

    // Starts the in-book search and waits until its first match is shown.
    bool searchAndShow(const QString& query)
    {
        inBook()->startSearchInBook(query);
        return waitUntil([&] { return inBook()->status() == C::SearchFinished; }, 30000) && settled();
    }

    void press(Qt::Key key)
    {
        QTest::keyClick(root, key);
    }
    // Presses the key and waits until the current match is in `section`.
    bool stepTo(Qt::Key key, const QString& section)
    {
        press(key);
        return waitUntil([&] { return settled(3000) && currentMatch() == section; }, 15000);
    }

    std::unique_ptr<QmlWindow> window;
    QQuickWindow* root = nullptr;
    QQuickItem* tabs = nullptr;
};

TEST_F(InBookSearch, NoMatchEndsItselfWhereTheReaderIs)
{
    ASSERT_TRUE(openBook(QStringLiteral("5.30")));
    const QVariantMap before = range();
    const double y = scrollY();
    QList<bool> nothingFound;
    QObject::connect(inBook(), &SearchInBookStatus::nothingFoundChanged, inBook(),
                     [&] { nothingFound << inBook()->nothingFound(); });
    MessageLog log;

    inBook()->startSearchInBook(QStringLiteral("zebra"));
    EXPECT_EQ(inBook()->status(), C::Searching);
    ASSERT_TRUE(waitUntil([&] { return nothingFound.size() == 2; }, 30000));
    EXPECT_EQ(nothingFound, (QList<bool>{true, false})) << "found nothing, then ended";
    ASSERT_TRUE(settled());
    EXPECT_EQ(inBook()->status(), C::InvalidSearchStatus);
    EXPECT_EQ(range(), before) << "nothing was rebuilt";
    EXPECT_NEAR(scrollY(), y, 1.0);
    EXPECT_EQ(tab()->sectionCode(), QStringLiteral("5.30"));

    // No step leads anywhere.
    QVariant stepped;
    QMetaObject::invokeMethod(searchInBook(), "goToNextBookSearchResult", Q_RETURN_ARG(QVariant, stepped),
                              Q_ARG(QVariant, false));
    EXPECT_FALSE(stepped.toBool());
    EXPECT_FALSE(inBook()->getNextMatchInBook().isValid());
    EXPECT_FALSE(inBook()->getPreviousMatchInBook().isValid());
}

TEST_F(InBookSearch, TheFirstMatchIsTakenFromTheReadingPlaceAndF4AndF3Step)
{
    ASSERT_TRUE(openBook(QStringLiteral("5.20")));
    ASSERT_TRUE(searchAndShow(QStringLiteral("sigma")));
    EXPECT_FALSE(inBook()->nothingFound());
    EXPECT_NE(inBook()->searchResultsPointer(), nullptr);
    EXPECT_EQ(currentMatch(), QStringLiteral("5.25"));
    EXPECT_EQ(markTexts(), QStringList{QStringLiteral("sigma")}) << "the sections carry the in-book highlighting";

    ASSERT_TRUE(stepTo(Qt::Key_F4, QStringLiteral("5.26")));
    ASSERT_TRUE(stepTo(Qt::Key_F4, QStringLiteral("5.40")));
    QTest::qWait(300);
    EXPECT_FALSE(window->screenshot(QStringLiteral("in_book_search_f4")).isEmpty());
    ASSERT_TRUE(stepTo(Qt::Key_F3, QStringLiteral("5.26")));
}

TEST_F(InBookSearch, ALateStepStartsAgainFromTheReadingPlaceUnlessTheCursorIsNear)
{
    const struct
    {
        const char* reading;
        const char* expected;
    } cases[] = {
        {"5.27", "5.26"}, // two sections after the cursor's 5.25: the cursor steps on
        {"5.28", "5.40"}, // three after: the first match from 5.28
        {"5.22", "5.26"}, // three before: still near
        {"5.21", "5.25"}, // four before: the first match from 5.21
    };
    ASSERT_TRUE(openBook(QStringLiteral("5.20")));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reading);
        // The cursor on 5.25, the first match from 5.20.
        ASSERT_TRUE(openBook(QStringLiteral("5.20")));
        ASSERT_TRUE(searchAndShow(QStringLiteral("sigma")));
        ASSERT_EQ(currentMatch(), QStringLiteral("5.25"));
        const int before = callbacks().size();
        QMetaObject::invokeMethod(root, "seek", Q_ARG(QVariant, QStringLiteral("move")),
                                  Q_ARG(QVariant, QString::fromLatin1(c.reading)));
        ASSERT_TRUE(waitUntil([&] { return callbacks().size() > before; }, 15000));
        ASSERT_EQ(callbacks().last(), QStringLiteral("move:true"));
        ASSERT_TRUE(settled());
        ASSERT_EQ(tab()->sectionCode(), QString::fromLatin1(c.reading));
        QTest::qWait(1100);
        ASSERT_TRUE(stepTo(Qt::Key_F4, QString::fromLatin1(c.expected))) << currentMatch().toStdString();
        QMetaObject::invokeMethod(searchInBook(), "endSearchInBook");
        ASSERT_TRUE(settled());
    }
}

TEST_F(InBookSearch, WhileSearchingEndingOnlyWarnsAndASecondStartIsRefused)
{
    ASSERT_TRUE(openBook(QStringLiteral("5.20")));
    QSignalSpy errors(&app(), &Tarnolix::errorMessage);
    MessageLog log;
    inBook()->startSearchInBook(QStringLiteral("sigma"));
    inBook()->endSearchInBook();
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("SearchInBookStatus::endSearchInBook: Invalid status")));
    EXPECT_EQ(inBook()->status(), C::Searching);
    inBook()->startSearchInBook(QStringLiteral("delta"));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("startSearchInBook: Searching in process...")));
    ASSERT_TRUE(waitUntil([&] { return errors.count() > 0; }));
    EXPECT_EQ(errors.last().at(1).toString(), QStringLiteral("Searching in process..."));

    // The running search goes on and is shown.
    ASSERT_TRUE(waitUntil([&] { return inBook()->status() == C::SearchFinished; }, 30000));
    ASSERT_TRUE(settled());
    EXPECT_EQ(inBook()->query(), QStringLiteral("sigma"));
    EXPECT_EQ(currentMatch(), QStringLiteral("5.25"));
}

TEST_F(InBookSearch, ALateAnswerOfAnOvertakenRequestIsDropped)
{
    ASSERT_TRUE(openBook(QStringLiteral("5.20")));
    ASSERT_TRUE(searchAndShow(QStringLiteral("sigma")));
    QStringList delivered;
    QObject::connect(inBook(), &SearchInBookStatus::searchResultsChanged, inBook(), [&] {
        if (const PageSearchData* data = inBook()->searchData(); data && data->searchResults()) {
            const auto settings = std::dynamic_pointer_cast<const FTSearchSettings>(
                searchrecords::resultsSettings(*data->searchResults()));
            delivered << (settings ? settings->query() : QStringLiteral("?"));
        }
    });
    QList<bool> nothingFound;
    QObject::connect(inBook(), &SearchInBookStatus::nothingFoundChanged, inBook(),
                     [&] { nothingFound << inBook()->nothingFound(); });

    // The thread reports the finished "sigma" once more, queued, and a new
    // request overtakes it before it is delivered.
    FTSearchThread* thread = inBook()->searchThread();
    ASSERT_NE(thread, nullptr);
    emit thread->statusChanged(C::SearchFinished);
    inBook()->startSearchInBook(QStringLiteral("zebra"));
    ASSERT_TRUE(waitUntil([&] { return nothingFound.size() == 2; }, 30000));
    ASSERT_TRUE(settled());
    EXPECT_EQ(delivered, QStringList{QStringLiteral("zebra")});
    EXPECT_EQ(inBook()->status(), C::InvalidSearchStatus);
}

TEST_F(InBookSearch, StartingCancelsAPendingNavigation)
{
    ASSERT_TRUE(openBook(QStringLiteral("5.5")));
    QMetaObject::invokeMethod(root, "seek", Q_ARG(QVariant, QStringLiteral("far")), Q_ARG(QVariant, QStringLiteral("5.50")));
    inBook()->startSearchInBook(QStringLiteral("sigma"));
    ASSERT_TRUE(waitUntil([&] { return inBook()->status() == C::SearchFinished; }, 30000));
    ASSERT_TRUE(settled());
    QTest::qWait(300);
    EXPECT_TRUE(callbacks().filter(QStringLiteral("far:")).isEmpty()) << callbacks().join(' ').toStdString();
    EXPECT_EQ(currentMatch(), QStringLiteral("5.10")) << "the first match from where the reader was";
}

TEST_F(InBookSearch, ClosingBringsBackTheLibraryHighlightingOnlyForAnotherQuery)
{
    const struct
    {
        const char* libraryQuery;
        bool rebuilt;
        QStringList marks;
    } cases[] = {
        {"delta", true, {QStringLiteral("delta")}},
        {"sigma", false, {QStringLiteral("sigma")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.libraryQuery);
        ASSERT_TRUE(openResults(QString::fromLatin1(c.libraryQuery)));
        ASSERT_TRUE(openBook(QStringLiteral("5.20")));
        EXPECT_EQ(markTexts(), QStringList{QString::fromLatin1(c.libraryQuery)});
        ASSERT_TRUE(searchAndShow(QStringLiteral("sigma")));
        ASSERT_EQ(markTexts(), QStringList{QStringLiteral("sigma")});
        // Sections that a rebuild would replace.
        const int probes = run(QStringLiteral("(function () { var s = document.querySelectorAll('#content > [data-section-index]');"
                                              " for (var i = 0; i < s.length; ++i) s[i].setAttribute('data-probe', '1');"
                                              " return s.length; })()"))
                               .toInt();
        ASSERT_GT(probes, 0);
        const QString sampled = QStringLiteral(
            "(function () { var s = enclosingSection(document.elementFromPoint(innerWidth * 0.15, innerHeight * 0.15));"
            " return s ? s.id : ''; })()");
        const QString reading = run(sampled).toString();
        MessageLog log;

        QMetaObject::invokeMethod(searchInBook(), "endSearchInBook");
        ASSERT_TRUE(waitUntil([&] { return inBook()->status() == C::InvalidSearchStatus; }));
        ASSERT_TRUE(settled());
        const int kept = run(QStringLiteral("document.querySelectorAll('[data-probe]').length")).toInt();
        if (c.rebuilt)
            EXPECT_EQ(kept, 0);
        else
            EXPECT_EQ(kept, probes);
        EXPECT_EQ(markTexts(), c.marks);
        EXPECT_EQ(run(sampled).toString(), reading) << "the reading place stays";
        EXPECT_FALSE(log.contains(QtWarningMsg,
                                  QStringLiteral("Search restoration: reading anchor unavailable; retaining current content")));
    }
}

TEST_F(InBookSearch, F3AndF4StepThroughTheHitsOfTheLibrarySearch)
{
    ASSERT_TRUE(openResults(QStringLiteral("sigma")));
    const QString hit = run(QStringLiteral("Array.prototype.map.call(document.querySelectorAll('#content a'),"
                                           " function (a) { return a.href; })"
                                           ".filter(function (h) { return /SRItemId-[1-9]/.test(h); })[0]"))
                            .toString();
    ASSERT_FALSE(hit.isEmpty());
    const int before = root->property("opened").toList().size();
    QMetaObject::invokeMethod(current(), "openUrl", Q_ARG(QVariant, hit));
    ASSERT_TRUE(waitUntil([&] { return root->property("opened").toList().size() > before; }, 20000));
    ASSERT_TRUE(settled());
    ASSERT_EQ(tab()->sectionCode(), QStringLiteral("5.10"));

    press(Qt::Key_F4);
    ASSERT_TRUE(waitUntil([&] { return tab()->sectionCode() == QStringLiteral("5.25") && settled(3000); }, 20000))
        << tab()->sectionCode().toStdString();
    press(Qt::Key_F4);
    ASSERT_TRUE(waitUntil([&] { return tab()->sectionCode() == QStringLiteral("5.26") && settled(3000); }, 20000))
        << tab()->sectionCode().toStdString();
    press(Qt::Key_F3);
    ASSERT_TRUE(waitUntil([&] { return tab()->sectionCode() == QStringLiteral("5.25") && settled(3000); }, 20000))
        << tab()->sectionCode().toStdString();

    // With an in-book search the keys step through its matches instead.
    ASSERT_TRUE(searchAndShow(QStringLiteral("delta")));
    const QString first = currentMatch();
    press(Qt::Key_F4);
    ASSERT_TRUE(waitUntil([&] { return settled(3000) && currentMatch() != first; }, 15000));
}

} // namespace
} // namespace tarnolix::test
