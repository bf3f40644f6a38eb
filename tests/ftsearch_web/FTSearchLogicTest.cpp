// The full-text results page in a real tab under Xvfb: the first screen,
// the refill batches as the reader scrolls with the wheel, and a page served
// again from the tab's search data when the reader comes back from a hit.
#include "app/Tarnolix.h"
#include "search/searchers/FTSearchRecords.h"
#include "tabs/FTSearchPageStatus.h"
#include "tabs/PageSearchData.h"
#include "tabs/TabStatus.h"
#include "tests/ftsearch_web/ResultsLibrary.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestSupport.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickWindow>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace tarnolix::test {
namespace {

using C = TarnolixConstants;

class FTSearchLogic : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resultsLibrary();
        window = std::make_unique<QmlWindow>();
        ASSERT_TRUE(window->load(
            QUrl::fromLocalFile(QStringLiteral(TARNOLIX_TEST_SOURCE_DIR "/tests/tabs_web/TabControlWindow.qml"))))
            << window->warnings().join('\n').toStdString();
        root = window->window();
        tabs = root->property("tabs").value<QQuickItem*>();
        ASSERT_TRUE(window->show());
        tab = tabs->property("currentTab").value<QQuickItem*>();
        ASSERT_NE(tab, nullptr);
        status = tab->property("status").value<TabStatus*>();
        view = tab->property("webView").value<QQuickItem*>();
        ASSERT_TRUE(waitUntil([&] { return !view->property("loading").toBool(); }, 20000));
    }

    void TearDown() override
    {
        if (window && window->window()) {
            QObject* content = tab->property("presentationContent").value<QObject*>();
            waitUntil([&] { return content->property("activeScriptCount").toInt() == 0; }, 10000);
            QTest::qWait(200);
        }
        window.reset();
        app().setTabControl(nullptr);
    }

    FTSearchPageStatus* page() const { return qobject_cast<FTSearchPageStatus*>(status->pageStatus()); }
    QObject* logic() const { return status->pageLogic(); }
    QObject* content() const { return tab->property("presentationContent").value<QObject*>(); }
    int activeScripts() const { return content()->property("activeScriptCount").toInt(); }

    void open(const QUrl& url) { QMetaObject::invokeMethod(tab, "openUrl", Q_ARG(QVariant, url.toString())); }
    // The results of `query` opened and their first screen shown.
    bool openResults(const QString& query)
    {
        open(ResultsLibrary::resultsUrl(query, status->id()));
        return waitUntil([&] { return page() && page()->status() == C::SearchFinished; }, 30000)
            && waitUntil([&] { return !view->property("loading").toBool() && activeScripts() == 0; }, 20000);
    }
    // Waits until the refill timer gave up.
    bool refillStopped(const MessageLog& log, int before = 0)
    {
        return waitUntil(
            [&] {
                return log.texts(QtDebugMsg).count(QStringLiteral("FTSearchLogic: addContentIsNeed timer stopped"))
                    > before;
            },
            20000);
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
    int entries() { return run(QStringLiteral("document.getElementById('content').children.length")).toInt(); }
    double below()
    {
        return view->property("contentsSize").toSizeF().height() - view->height()
            - view->property("scrollPosition").toPointF().y();
    }
    void wheel(int notches)
    {
        const QPointF at(view->mapToScene(QPointF(view->width() / 2, view->height() / 2)));
        for (int i = 0; i < notches; ++i) {
            QWheelEvent event(at, root->mapToGlobal(at.toPoint()), QPoint(), QPoint(0, -120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QGuiApplication::sendEvent(root, &event);
            QTest::qWait(30);
        }
    }
    // The results of the tab's search data, for adding name matches.
    std::shared_ptr<FTSearchResults> storedResults() const
    {
        auto* data = qobject_cast<FTSearchData*>(status->searchDataStorage()->searchData());
        return data ? std::dynamic_pointer_cast<FTSearchResults>(data->searchResults()) : nullptr;
    }

    // The result tree of the page logic and its rows.
    QQuickItem* tree() const { return logic()->property("searchResultsTree").value<QQuickItem*>(); }
    QAbstractItemModel* rows() const { return tree()->property("model").value<QAbstractItemModel*>(); }
    static QVariant data(QAbstractItemModel* model, int row, const char* name)
    {
        return model->data(model->index(row, 0), model->roleNames().key(name, -1));
    }
    // The row of the book or section `id`; -1 when not shown.
    int rowOf(const QString& id) const
    {
        for (int row = 0; row < rows()->rowCount(); ++row) {
            if (data(rows(), row, "id").toString() == id)
                return row;
        }
        return -1;
    }
    int checkState(const QString& id) const { return data(rows(), rowOf(id), "checkState").toInt(); }
    // Shows the sections of the book.
    bool expandBook(int bookId = 1)
    {
        const QString id = QString::number(bookId);
        if (!waitUntil([&] { return rowOf(id) >= 0; }))
            return false;
        QMetaObject::invokeMethod(tree(), "expand", Q_ARG(QVariant, QVariant::fromValue(rows()->index(rowOf(id), 0))));
        return waitUntil([&] { return rowOf(id + QStringLiteral(".2")) >= 0; });
    }
    // As a click on the row's check box sets it.
    void setChecked(const QString& id, bool checked)
    {
        QVariant ok;
        QMetaObject::invokeMethod(tree(), "setCheckState", Q_RETURN_ARG(QVariant, ok),
                                  Q_ARG(QVariant, QVariant::fromValue(rows()->index(rowOf(id), 0))),
                                  Q_ARG(QVariant, checked ? Qt::Checked : Qt::Unchecked));
    }
    QVariantList branchIds(const QString& id) const
    {
        QVariant ids;
        QMetaObject::invokeMethod(tree(), "getBranchIds", Q_RETURN_ARG(QVariant, ids),
                                  Q_ARG(QVariant, QVariant::fromValue(rows()->index(rowOf(id), 0))));
        return ids.toList();
    }
    bool entryHidden(const QVariant& id)
    {
        return run(QStringLiteral("document.getElementById('%1').classList.contains('hide')").arg(id.toInt())).toBool();
    }
    void click(QQuickItem* item)
    {
        QTest::mouseClick(root, Qt::LeftButton, Qt::NoModifier,
                          item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint());
    }

    std::unique_ptr<QmlWindow> window;
    QQuickWindow* root = nullptr;
    QQuickItem* tabs = nullptr;
    QQuickItem* tab = nullptr;
    TabStatus* status = nullptr;
    QQuickItem* view = nullptr;
};

// Name matches for the first screen, rendered from their own records.
void setMatches(FTSearchResults& results, int authors, int bookNames, int shortNames)
{
    std::vector<std::shared_ptr<AuthorMatch>> authorList;
    for (int i = 0; i < authors; ++i) {
        auto match = std::make_shared<AuthorMatch>();
        match->person = std::make_shared<Person>();
        match->person->id = 100 + i;
        match->person->spiritualName[C::English] = QStringLiteral("Author %1").arg(i);
        authorList.push_back(match);
    }
    std::vector<std::shared_ptr<BookNameMatch>> bookList;
    for (int i = 0; i < bookNames; ++i) {
        auto match = std::make_shared<BookNameMatch>();
        match->book = std::make_shared<BookBase>();
        match->book->id = 200 + i;
        match->information = std::make_shared<BookInfo>();
        match->information->bookId = 200 + i;
        match->information->language = C::English;
        match->information->name = QStringLiteral("Alpha Book %1").arg(i);
        bookList.push_back(match);
    }
    std::vector<std::shared_ptr<ShortNameMatch>> shortList;
    for (int i = 0; i < shortNames; ++i) {
        auto match = std::make_shared<ShortNameMatch>();
        match->information = std::make_shared<BookInfo>();
        match->information->language = C::English;
        match->section = std::make_shared<BookSection>();
        match->section->code = QStringLiteral("9.%1").arg(i);
        match->section->title = QStringLiteral("Verse %1").arg(i);
        match->part = std::make_shared<BookPart>();
        match->part->entities.push_back(
            std::make_shared<BookEntity>(quint8(8), QMap<QString, QString>{}, QStringList{QStringLiteral("alpha")}));
        shortList.push_back(match);
    }
    results.setAuthorMatches(authorList);
    results.setBookNameMatches(bookList);
    results.setShortNameMatches(shortList);
}

TEST_F(FTSearchLogic, TheFirstScreenTakesTenEntriesOfWhichNameMatchesOfAuthorsAndBooks)
{
    ASSERT_TRUE(openResults(QStringLiteral("alpha")));
    const auto results = storedResults();
    ASSERT_TRUE(results);

    const struct
    {
        int authors, bookNames, shortNames;
        int firstHits;
    } cases[] = {
        {3, 4, 5, 3},
        {6, 4, 0, 0},
    };
    for (const auto& c : cases) {
        setMatches(*results, c.authors, c.bookNames, c.shortNames);
        MessageLog log;
        // A reload finds the stored results valid and shows them again.
        QMetaObject::invokeMethod(view, "reload");
        ASSERT_TRUE(waitUntil(
            [&] { return log.contains(QtDebugMsg, QStringLiteral("getNVisibleResulst: visible items:")); }, 20000));
        EXPECT_TRUE(log.contains(QtDebugMsg, QStringLiteral("getNVisibleResulst: visible items: %1; all items: %1")
                                                 .arg(c.firstHits)))
            << log.texts(QtDebugMsg).join('\n').toStdString();
        EXPECT_FALSE(log.contains(QtInfoMsg, QStringLiteral("Results page restored")));
        const int matches = c.authors + c.bookNames + c.shortNames;
        ASSERT_TRUE(refillStopped(log));
        // The matches first, then the hits the first script and the refill added.
        const QVariantList kinds = run(QStringLiteral(
            "Array.prototype.map.call(document.getElementById('content').children,"
            " function (e) { return e.classList.contains('priority-results') ? 'match' : 'hit'; })")).toList();
        ASSERT_GT(kinds.size(), matches + c.firstHits);
        for (int i = 0; i < kinds.size(); ++i)
            EXPECT_EQ(kinds[i].toString(), QLatin1String(i < matches ? "match" : "hit")) << i;
        if (c.shortNames > 0) {
            EXPECT_FALSE(window->screenshot(QStringLiteral("ftsearch_first_screen")).isEmpty());
        }
    }
    setMatches(*results, 0, 0, 0);
}

TEST_F(FTSearchLogic, RefillBatchesAreBoundedAndFollowTheWheel)
{
    MessageLog log;
    ASSERT_TRUE(openResults(QStringLiteral("alpha")));
    ASSERT_TRUE(refillStopped(log));
    const double threshold = std::max(1200.0, 3 * view->height());
    const int filled = entries();
    EXPECT_GT(filled, 10);
    EXPECT_LT(filled, ResultsLibrary::kHits);
    EXPECT_GE(below(), threshold) << "the refill stops once enough lies below";
    const QRegularExpression batch(
        QStringLiteral("^FTSearchLogic: appendSearchResult: script.length=(\\d+) i=(\\d+) visibleItemFound=(\\w+)$"));
    for (const QString& line : log.texts(QtDebugMsg)) {
        const auto m = batch.match(line);
        if (m.hasMatch()) {
            EXPECT_EQ(m.captured(2).toInt(), 8) << "every hit visible: 8 per batch";
        }
    }

    // Scrolling with the wheel towards the end adds more.
    const int stops = log.texts(QtDebugMsg).count(QStringLiteral("FTSearchLogic: addContentIsNeed timer stopped"));
    const double scrolled = view->property("scrollPosition").toPointF().y();
    wheel(40);
    ASSERT_TRUE(waitUntil([&] { return view->property("scrollPosition").toPointF().y() > scrolled; }, 5000));
    ASSERT_TRUE(refillStopped(log, stops));
    EXPECT_GT(entries(), filled);
    EXPECT_GE(below(), threshold);
    // The scroll position is kept as the element under the view.
    EXPECT_TRUE(page()->getSavedElemendScrollPositon().isValid());

    // A full page asks for nothing.
    log.clear();
    QVariant needed;
    QMetaObject::invokeMethod(logic(), "addContentIsNeed", Q_RETURN_ARG(QVariant, needed),
                              Q_ARG(QVariant, QStringLiteral("test")));
    EXPECT_FALSE(needed.toBool());
    EXPECT_FALSE(log.contains(QtDebugMsg, QStringLiteral("appendSearchResult")));

    // While a script runs, no second batch starts, and the refill stays armed.
    QMetaObject::invokeMethod(tab, "runScript",
                              Q_ARG(QVariant, QStringLiteral("var t = Date.now(); while (Date.now() - t < 300) {}")),
                              Q_ARG(QVariant, QVariant()));
    QMetaObject::invokeMethod(logic(), "addContentIsNeed", Q_RETURN_ARG(QVariant, needed),
                              Q_ARG(QVariant, QStringLiteral("test")));
    EXPECT_TRUE(needed.toBool());
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("FTSearchLogic: Some script already executing. reason: test")));
    ASSERT_TRUE(waitUntil([&] { return activeScripts() == 0; }));

    // Hidden hits are inserted too (hidden), so a batch through hits of which
    // one in fifty is visible ends at the script length bound.
    QVariantList hide;
    const auto& hits = storedResults()->items()->items();
    for (std::size_t i = 0; i < hits.size(); ++i) {
        if (i % 50 != 0)
            hide.append(int(hits[i]->id()));
    }
    page()->setSearchResultsHidden(hide, true);
    QVariant appended;
    QMetaObject::invokeMethod(logic(), "appendSearchResult", Q_RETURN_ARG(QVariant, appended));
    EXPECT_TRUE(appended.toBool());
    bool seen = false;
    for (const QString& line : log.texts(QtDebugMsg)) {
        const auto m = batch.match(line);
        if (!m.hasMatch())
            continue;
        seen = true;
        EXPECT_GE(m.captured(1).toInt(), 131072);
        EXPECT_GT(m.captured(2).toInt(), 8);
        EXPECT_LT(m.captured(2).toInt(), 500);
    }
    EXPECT_TRUE(seen) << log.texts(QtDebugMsg).join('\n').toStdString();
    page()->setSearchResultsVisibleAll();
}

TEST_F(FTSearchLogic, ComingBackFromAHitShowsTheStoredPageWhereItWas)
{
    MessageLog log;
    ASSERT_TRUE(openResults(QStringLiteral("alpha")));
    ASSERT_TRUE(refillStopped(log));
    wheel(6);
    ASSERT_TRUE(waitUntil([&] { return page()->getSavedElemendScrollPositon().isValid(); }));
    QTest::qWait(300);
    EXPECT_FALSE(window->screenshot(QStringLiteral("ftsearch_results")).isEmpty());
    const QVariantMap focus = page()->getSavedElemendScrollPositon().toMap();
    const int filled = entries();

    // A hit opened from the page, then the view's history back.
    const QString hit = run(QStringLiteral("Array.prototype.map.call(document.querySelectorAll('#content a'),"
                                           " function (a) { return a.href; })"
                                           ".filter(function (h) { return /SRItemId-[1-9]/.test(h); })[0]"))
                            .toString();
    ASSERT_FALSE(hit.isEmpty());
    open(QUrl(hit));
    ASSERT_TRUE(waitUntil(
        [&] {
            return status->pageType() == UrlCreator::OpenBook && view->property("canGoBack").toBool()
                && !view->property("loading").toBool();
        },
        20000));
    log.clear();
    ASSERT_TRUE(view->property("canGoBack").toBool());
    ASSERT_TRUE(QMetaObject::invokeMethod(view, "goBack"));
    ASSERT_TRUE(waitUntil([&] { return page() && !view->property("loading").toBool() && activeScripts() == 0; }, 20000));
    QTest::qWait(300);

    const QStringList info = log.texts(QtInfoMsg);
    const int allow = info.indexOf(QStringLiteral("tryRestoreSearchResultsPage: Allow"));
    EXPECT_GE(allow, 0) << info.join('\n').toStdString();
    EXPECT_GT(info.indexOf(QStringLiteral("Results page restored")), allow);
    EXPECT_TRUE(log.contains(QtDebugMsg, QStringLiteral("FTSearchLogic: onPageLoaded: resultsPageRestored=true")));
    EXPECT_EQ(page()->searchThread(), nullptr) << "no search ran";
    EXPECT_FALSE(log.contains(QtInfoMsg, QStringLiteral("Query: ")));
    EXPECT_FALSE(log.contains(QtDebugMsg, QStringLiteral("Query: ")));
    EXPECT_EQ(entries(), filled);
    EXPECT_FALSE(run(QStringLiteral("document.getElementById('page').classList.contains('invisible')")).toBool());
    const double top = run(QStringLiteral("document.getElementById(%1).getBoundingClientRect().top")
                               .arg(QStringLiteral("'") + focus.value(QStringLiteral("id")).toString() + QStringLiteral("'")))
                           .toDouble();
    EXPECT_NEAR(top, focus.value(QStringLiteral("yOffset")).toDouble(), 2.0);
    EXPECT_FALSE(window->screenshot(QStringLiteral("ftsearch_restored")).isEmpty());
}

TEST_F(FTSearchLogic, TheHideAndShowCallNamesTheNumbersAsStrings)
{
    ASSERT_TRUE(openResults(QStringLiteral("beta")));
    const struct
    {
        QVariantList numbers;
        QString script;
    } cases[] = {
        {{3, 17}, QStringLiteral("hideElements([\"3\",\"17\"]);\n")},
        {{}, QString()},
    };
    for (const auto& c : cases) {
        QVariant script;
        QMetaObject::invokeMethod(logic(), "getSHScript", Q_RETURN_ARG(QVariant, script),
                                  Q_ARG(QVariant, QStringLiteral("hideElements")), Q_ARG(QVariant, c.numbers));
        EXPECT_EQ(script.toString(), c.script);
    }
}

} // namespace
} // namespace tarnolix::test
