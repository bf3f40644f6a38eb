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
#include <functional>
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
    // Opens a book page and waits until its opening reported and its
    // scripts ran; the report is in the window's "openings".
    bool openBook(const QUrl& url)
    {
        root->setProperty("openings", QVariantList());
        open(url);
        return waitUntil([&] { return !root->property("openings").toList().isEmpty(); }, 20000)
            && waitUntil([&] { return activeScripts() == 0; });
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
    QVariantList branchIds(const QString& id) const
    {
        QVariant ids;
        QMetaObject::invokeMethod(tree(), "getBranchIds", Q_RETURN_ARG(QVariant, ids),
                                  Q_ARG(QVariant, QVariant::fromValue(rows()->index(rowOf(id), 0))));
        return ids.toList();
    }
    // The visible row of the result tree that shows `display`.
    QQuickItem* rowItem(const QString& display) const
    {
        const QString name = QStringLiteral("resultRow ") + display;
        QQuickItem* found = nullptr;
        const std::function<void(QQuickItem*)> walk = [&](QQuickItem* parent) {
            for (QQuickItem* child : parent->childItems()) {
                if (found || !child->isVisible())
                    continue;
                if (child->objectName() == name)
                    found = child;
                else
                    walk(child);
            }
        };
        if (tree()->isVisible())
            walk(tree());
        return found;
    }
    static QString childText(QQuickItem* row, const char* name)
    {
        QObject* child = row ? row->findChild<QObject*>(QString::fromLatin1(name)) : nullptr;
        return child ? child->property("text").toString() : QString();
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

TEST_F(FTSearchLogic, TheResultTreeTakesThePanelsPlaceWithTheBooksAndTheirHits)
{
    ASSERT_TRUE(openResults(QStringLiteral("alpha OR delta")));
    auto* place = tab->findChild<QQuickItem*>(QStringLiteral("resultPlace"));
    ASSERT_NE(place, nullptr);
    ASSERT_TRUE(waitUntil([&] { return place->isVisible() && tree()->parentItem() == place && tree()->isVisible(); }));
    EXPECT_EQ(tree()->size(), place->size());
    // One row per book, with its number of hits beside it.
    ASSERT_TRUE(waitUntil([&] { return rowItem(QStringLiteral("Book 1")) && rowItem(QStringLiteral("Book 5")); }));
    EXPECT_EQ(rows()->rowCount(), 2);
    EXPECT_EQ(childText(rowItem(QStringLiteral("Book 1")), "freq"), QString::number(ResultsLibrary::kHits));
    EXPECT_EQ(childText(rowItem(QStringLiteral("Book 5")), "freq"), QString::number(ResultsLibrary::kSigmaBookSections));
    // Expanded, a book lists its sections; a leaf section has no check box.
    click(rowItem(QStringLiteral("Book 5"))->findChild<QQuickItem*>(QStringLiteral("branchBox")));
    ASSERT_TRUE(waitUntil([&] { return rowItem(QStringLiteral("5.1")) != nullptr; }));
    EXPECT_EQ(childText(rowItem(QStringLiteral("5.1")), "freq"), QStringLiteral("1"));
    EXPECT_FALSE(rowItem(QStringLiteral("5.1"))->findChild<QQuickItem*>(QStringLiteral("checkBox"))->isVisible());
    EXPECT_TRUE(rowItem(QStringLiteral("Book 5"))->findChild<QQuickItem*>(QStringLiteral("checkBox"))->isVisible());
    QTest::qWait(300);
    EXPECT_FALSE(window->screenshot(QStringLiteral("ftsearch_results_tree")).isEmpty());
    // A section's label opens it with the search's id, so its hits are marked.
    const int searchId = page()->getSearchId();
    root->setProperty("openings", QVariantList());
    click(rowItem(QStringLiteral("5.1"))->findChild<QQuickItem*>(QStringLiteral("labelArea")));
    ASSERT_TRUE(waitUntil([&] { return !root->property("openings").toList().isEmpty(); }, 20000));
    ASSERT_TRUE(waitUntil([&] { return activeScripts() == 0; }));
    EXPECT_EQ(status->pageType(), UrlCreator::OpenBook);
    EXPECT_EQ(status->sectionCode(), QStringLiteral("5.1"));
    EXPECT_TRUE(status->url().toString().contains(QStringLiteral("searchId=%1").arg(searchId)))
        << status->url().toString().toStdString();
    EXPECT_GT(run(QStringLiteral("document.getElementById('5.1').getElementsByClassName('highlight').length")).toInt(), 0);
    // A new search of the same page logic shows its own books.
    ASSERT_TRUE(openResults(QStringLiteral("beta")));
    ASSERT_TRUE(waitUntil([&] { return rowItem(QStringLiteral("Book 2")) && !rowItem(QStringLiteral("Book 1")); }));
    EXPECT_EQ(rows()->rowCount(), 1);
}

TEST_F(FTSearchLogic, UncheckingEveryHitHidesThemAllAndTheRefillChecksForAboutASecond)
{
    MessageLog log;
    ASSERT_TRUE(openResults(QStringLiteral("alpha")));
    ASSERT_TRUE(refillStopped(log));
    ASSERT_TRUE(waitUntil([&] { return rowOf(QStringLiteral("1")) >= 0; }));
    EXPECT_EQ(checkState(QStringLiteral("1")), Qt::Checked);
    auto* uncheckAll = tab->findChild<QQuickItem*>(QStringLiteral("uncheckAllButton"));
    ASSERT_NE(uncheckAll, nullptr);
    ASSERT_TRUE(waitUntil([&] { return uncheckAll->isVisible(); }));
    const int onPage = entries();
    const int stops = log.texts(QtDebugMsg).count(QStringLiteral("FTSearchLogic: addContentIsNeed timer stopped"));

    log.clear();
    click(uncheckAll);
    EXPECT_EQ(checkState(QStringLiteral("1")), Qt::Unchecked);
    ASSERT_TRUE(refillStopped(log, 0)) << stops;
    // The entries on the page are hidden at once; the hit pointer skips
    // hidden hits, so nothing more comes, and the refill keeps asking for
    // eleven ticks before it stops.
    EXPECT_TRUE(log.contains(QtDebugMsg, QStringLiteral("hideElements: docNumbers.length=%1 checkAddContentIsNeed=true")
                                             .arg(onPage)))
        << log.texts(QtDebugMsg).join('\n').toStdString();
    const QStringList refill = log.texts(QtDebugMsg).filter(QStringLiteral("FTSearchLogic: appendSearchResult"));
    EXPECT_EQ(refill.count(QStringLiteral("FTSearchLogic: appendSearchResult: Nothing found")), 11)
        << refill.join('\n').toStdString();
    const QVariantMap shown = run(QStringLiteral(
        "(function () { var e = document.getElementById('content').children; var v = 0;"
        " for (var i = 0; i < e.length; ++i) if (!e[i].classList.contains('hide')) ++v;"
        " return { all: e.length, visible: v }; })()")).toMap();
    EXPECT_EQ(shown.value("all").toInt(), onPage);
    EXPECT_EQ(shown.value("visible").toInt(), 0);
    EXPECT_FALSE(page()->searchResultsPointer()->hasNext());
    page()->setSearchResultsVisibleAll();
}

TEST_F(FTSearchLogic, CheckingABranchReloadsThePageWhileHitsAfterThePageAreVisible)
{
    const struct
    {
        const char* query;
        const char* book;
        const char* bookId;
        bool reload;
    } cases[] = {
        // Every hit is on the page: shown where it is.
        {"beta", "Book 2", "2", false},
        // Hits after the page, hidden when they came: appended later they
        // would follow hits that come after them.
        {"alpha OR delta", "Book 5", "5", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query);
        MessageLog log;
        ASSERT_TRUE(openResults(QString::fromLatin1(c.query)));
        ASSERT_TRUE(refillStopped(log));
        const QString book = QString::fromLatin1(c.book);
        ASSERT_TRUE(waitUntil([&] { return rowItem(book) != nullptr; }));
        const QVariantList ids = branchIds(QString::fromLatin1(c.bookId));
        ASSERT_FALSE(ids.isEmpty());
        click(rowItem(book)->findChild<QQuickItem*>(QStringLiteral("checkBox")));
        EXPECT_EQ(checkState(QString::fromLatin1(c.bookId)), Qt::Unchecked);
        ASSERT_TRUE(waitUntil([&] { return activeScripts() == 0; }));
        int inserted = 0;
        for (const QVariant& id : ids) {
            if (run(QStringLiteral("!!document.getElementById('%1')").arg(id.toInt())).toBool()) {
                ++inserted;
                EXPECT_TRUE(entryHidden(id)) << id.toInt();
            }
        }
        EXPECT_EQ(inserted < ids.size(), c.reload) << inserted << " of " << ids.size() << " on the page";

        QSignalSpy loads(view, SIGNAL(loadingChanged(QQuickWebEngineLoadRequest*)));
        log.clear();
        click(rowItem(book)->findChild<QQuickItem*>(QStringLiteral("checkBox")));
        EXPECT_EQ(checkState(QString::fromLatin1(c.bookId)), Qt::Checked);
        EXPECT_EQ(log.contains(QtDebugMsg, QStringLiteral("FTSearchLogic: Reload page...")), c.reload);
        if (c.reload) {
            ASSERT_TRUE(waitUntil([&] { return loads.count() >= 2 && !view->property("loading").toBool(); }, 20000));
            ASSERT_TRUE(waitUntil([&] { return page()->status() == C::SearchFinished && activeScripts() == 0; }, 20000));
        } else {
            ASSERT_TRUE(waitUntil([&] { return activeScripts() == 0; }));
            EXPECT_TRUE(log.contains(QtDebugMsg, QStringLiteral("showElements: docNumbers.length=%1 checkAddContentIsNeed=true")
                                                     .arg(ids.size())));
            EXPECT_EQ(loads.count(), 0);
        }
        EXPECT_EQ(run(QStringLiteral("document.querySelectorAll('#content > .hide').length")).toInt(), 0);
    }
}

TEST_F(FTSearchLogic, ARestoredPageKeepsItsHiddenHitsUncheckedInTheTree)
{
    MessageLog log;
    ASSERT_TRUE(openResults(QStringLiteral("beta OR delta")));
    ASSERT_TRUE(refillStopped(log));
    ASSERT_TRUE(waitUntil([&] { return rowItem(QStringLiteral("Book 2")) != nullptr; }));
    click(rowItem(QStringLiteral("Book 2"))->findChild<QQuickItem*>(QStringLiteral("checkBox")));
    ASSERT_TRUE(waitUntil([&] { return activeScripts() == 0; }));
    const QVariantList hidden = branchIds(QStringLiteral("2"));
    const int hiddenOnPage = run(QStringLiteral("document.querySelectorAll('#content > .hide').length")).toInt();
    ASSERT_GT(hiddenOnPage, 0);

    // A visible hit opened, then the view's history back.
    const QString hit = run(QStringLiteral("Array.prototype.map.call(document.querySelectorAll('#content > :not(.hide) a'),"
                                           " function (a) { return a.href; })"
                                           ".filter(function (h) { return /SRItemId-[1-9]/.test(h); })[0]"))
                            .toString();
    ASSERT_FALSE(hit.isEmpty());
    ASSERT_TRUE(openBook(QUrl(hit)));
    log.clear();
    ASSERT_TRUE(view->property("canGoBack").toBool());
    ASSERT_TRUE(QMetaObject::invokeMethod(view, "goBack"));
    ASSERT_TRUE(waitUntil([&] { return page() && !view->property("loading").toBool() && activeScripts() == 0; }, 20000));
    ASSERT_TRUE(log.contains(QtDebugMsg, QStringLiteral("FTSearchLogic: onPageLoaded: resultsPageRestored=true")));

    // A new logic with a new tree: the hidden hits' book is unchecked.
    ASSERT_TRUE(waitUntil([&] { return rowItem(QStringLiteral("Book 2")) != nullptr; }));
    EXPECT_EQ(checkState(QStringLiteral("2")), Qt::Unchecked);
    EXPECT_EQ(checkState(QStringLiteral("5")), Qt::Checked);
    EXPECT_EQ(run(QStringLiteral("document.querySelectorAll('#content > .hide').length")).toInt(), hiddenOnPage);
    EXPECT_FALSE(log.contains(QtDebugMsg, QStringLiteral("hideElements:"))) << "restoring the marks hid nothing again";
    for (const QVariant& id : hidden)
        EXPECT_TRUE(page()->hiddenSearchResults()->bitMaskTest(id.toInt())) << id.toInt();
    page()->setSearchResultsVisibleAll();
}

// Opening a hit from the results scrolls to its section's first mark, and a
// second time only when the hit's own first mark comes later; a hit the hit
// index cannot place (-1) stays at the first mark and still opens.
TEST_F(FTSearchLogic, OpeningAHitScrollsOnceToTheFirstMarkAndTwiceToALaterOne)
{
    ASSERT_TRUE(openResults(QStringLiteral("gamma")));
    const auto book = storedResults()->findBook(ResultsLibrary::kGammaBookId);
    ASSERT_TRUE(book);
    ASSERT_EQ(book->sections().size(), 2u);
    const auto lines = book->sections()[0]->items();
    ASSERT_EQ(int(lines.size()), ResultsLibrary::kGammaLines);
    const unsigned elsewhere = book->sections()[1]->items().at(0)->id();
    const QString section = book->sections()[0]->code();
    // The page's link of each hit.
    const QStringList links = run(QStringLiteral("Array.prototype.map.call(document.querySelectorAll('#content a'),"
                                                 " function (a) { return a.href; })")).toStringList();
    auto linkOf = [&](unsigned id) {
        const QRegularExpression own(QStringLiteral("SRItemId-%1(?!\\d)").arg(id));
        for (const QString& link : links) {
            if (own.match(link).hasMatch())
                return link;
        }
        return QString();
    };
    const QString first = linkOf(lines.front()->id());
    const QString last = linkOf(lines.back()->id());
    ASSERT_FALSE(first.isEmpty()) << links.join('\n').toStdString();
    ASSERT_FALSE(last.isEmpty());
    QString foreign = first;
    foreign.replace(QRegularExpression(QStringLiteral("SRItemId-\\d+")), QStringLiteral("SRItemId-%1").arg(elsewhere));

    const struct
    {
        const char* name;
        QString url;
        QList<int> scrolls; // the mark index of each navigation, in order
        bool error;
    } cases[] = {
        {"first hit", first, {0}, false},
        {"later hit", last, {0, ResultsLibrary::kGammaLines - 1}, false},
        {"hit of another section", foreign, {0}, true},
    };
    const QRegularExpression scroll(
        QStringLiteral("scrollToSearchResult\\(\"%1\", (-?\\d+)\\)").arg(QRegularExpression::escape(section)));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MessageLog log;
        root->setProperty("queuedScripts", QVariantList());
        ASSERT_TRUE(openBook(QUrl(c.url)));
        EXPECT_EQ(root->property("openings").toList(), QVariantList{true}) << "the opening reports success";
        EXPECT_EQ(status->pageType(), UrlCreator::OpenBook);

        // One navigation may run its scroll script more than once (the probe,
        // the rebuilt page, the check after layout): each run of indexes is one.
        QList<int> navigations;
        for (const QVariant& script : root->property("queuedScripts").toList()) {
            const auto m = scroll.match(script.toString());
            if (m.hasMatch() && (navigations.isEmpty() || navigations.last() != m.captured(1).toInt()))
                navigations << m.captured(1).toInt();
        }
        EXPECT_EQ(navigations, c.scrolls);
        EXPECT_EQ(log.contains(QtWarningMsg, QStringLiteral("getMatchNumber: ERROR 0x54778976")), c.error);

        // The mark the last navigation aimed at is in view.
        const QVariantMap mark = run(QStringLiteral(
            "(function () { var m = document.getElementById(%1).getElementsByClassName('highlight')[%2];"
            " if (!m) return {}; var r = m.getBoundingClientRect();"
            " return { top: r.top, bottom: r.bottom, height: window.innerHeight }; })()")
                                         .arg(QStringLiteral("'") + section + QStringLiteral("'"))
                                         .arg(c.scrolls.last()))
                                     .toMap();
        ASSERT_FALSE(mark.isEmpty());
        EXPECT_GE(mark.value(QStringLiteral("top")).toDouble(), 0);
        EXPECT_LE(mark.value(QStringLiteral("bottom")).toDouble(), mark.value(QStringLiteral("height")).toDouble());
    }
}

// The mark of a hit in a later paragraph counts the marks of the paragraphs
// before it: opening it scrolls to its own mark, not the section's first.
TEST_F(FTSearchLogic, AHitOfALaterParagraphOpensAtItsOwnMark)
{
    ASSERT_TRUE(openResults(QStringLiteral("omega")));
    const auto book = storedResults()->findBook(ResultsLibrary::kOmegaBookId);
    ASSERT_TRUE(book);
    ASSERT_EQ(book->sections().size(), 1u);
    const auto section = std::dynamic_pointer_cast<FTSRSection>(book->sections()[0]);
    ASSERT_TRUE(section);
    ASSERT_EQ(section->entities().size(), 2u);
    const auto& secondParagraph = *std::find_if(section->entities().begin(), section->entities().end(),
                                                [](const auto& entity) { return entity->entityIndex() == 1; });
    const unsigned id = secondParagraph->items().at(0)->id();
    const QString link = run(QStringLiteral("Array.prototype.map.call(document.querySelectorAll('#content a'),"
                                            " function (a) { return a.href; })"
                                            ".filter(function (h) { return /SRItemId-%1(?!\\d)/.test(h); })[0]")
                                 .arg(id))
                             .toString();
    ASSERT_FALSE(link.isEmpty());
    ASSERT_TRUE(openBook(QUrl(link)));
    int matchIndex = -1;
    QMetaObject::invokeMethod(status->pageStatus(), "getMatchIndex", Q_RETURN_ARG(int, matchIndex),
                              Q_ARG(QString, section->code()), Q_ARG(int, int(id)));
    EXPECT_EQ(matchIndex, 1);
    EXPECT_TRUE(run(QStringLiteral("document.getElementById('%1').getElementsByClassName('highlight')[1]"
                                   ".parentElement.textContent.indexOf('closes') >= 0")
                        .arg(section->code()))
                    .toBool());
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
