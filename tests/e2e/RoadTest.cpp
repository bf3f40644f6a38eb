#include "tests/e2e/RoadTest.h"

#include "app/IndexingProgressInfo.h"
#include "app/Tarnolix.h"
#include "database/DatabasePool.h"
#include "database/TarnolixDB.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QQmlComponent>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QWheelEvent>

#include <cstdlib>
#include <functional>
#include <memory>

namespace tarnolix::test {

using C = TarnolixConstants;

void RoadTest::TearDown()
{
    // Scripts still running would answer into a deleted view.
    if (QQuickItem* item = tabItem()) {
        QObject* content = item->property("presentationContent").value<QObject*>();
        settle([&] { return !content || content->property("activeScriptCount").toInt() == 0; }, 10000);
    }
    delete m_probe;
    WindowTest::TearDown();
}

void RoadTest::road(const QString& name)
{
    // A frame after the last change, so the picture shows it.
    pause(150);
    EXPECT_FALSE(qml().screenshot(name).isEmpty()) << name.toStdString();
}

void RoadTest::armFault(const QString& plan, int count)
{
    // The count belongs to the plan; beside it the stand-in ignores it.
    const QString armed = count > 0 ? plan + QStringLiteral(",count=%1").arg(count) : plan;
    standinControl(standinOrigin(), "POST", QStringLiteral("faults"), QJsonObject{{QStringLiteral("plan"), armed}});
}

void RoadTest::clearRequests()
{
    standinControl(standinOrigin(), "DELETE", QStringLiteral("requests"));
}

std::set<int> RoadTest::downloadedBooks()
{
    std::set<int> ids;
    const QJsonArray requests = standinRequests(standinOrigin());
    for (const QJsonValue& value : requests) {
        const QJsonObject request = value.toObject();
        const QString path = request.value(QStringLiteral("path")).toString();
        if (path.startsWith(QLatin1String("/books/download/")) && request.value(QStringLiteral("status")).toInt() == 200)
            ids.insert(path.section(QLatin1Char('/'), -1).toInt());
    }
    return ids;
}

bool RoadTest::firstDownloadShown()
{
    QObject* selector = object(QStringLiteral("updateDialogSelector"));
    if (!selector)
        return false;
    QObject* dialog = nullptr;
    if (!settle([&] { return (dialog = selector->property("dialog").value<QObject*>()) != nullptr; }, 20000)) {
        ADD_FAILURE() << "no update dialog";
        return false;
    }
    QQuickItem* progress = itemIn(dialog, QStringLiteral("progressText"));
    QQuickItem* headline = itemIn(dialog, QStringLiteral("headline"));
    if (!progress || !headline)
        return false;
    if (!settle([&] { return dialog->property("status").toInt() == 2 && progress->isVisible(); }, 20000)) {
        ADD_FAILURE() << "no book progress; status " << dialog->property("status").toInt();
        return false;
    }
    EXPECT_EQ(headline->property("text").toString(), QStringLiteral("Загрузка книг"));
    EXPECT_TRUE(progress->property("text").toString().startsWith(QStringLiteral("Ход загрузки: ")))
        << progress->property("text").toString().toStdString();
    EXPECT_TRUE(progress->property("text").toString().endsWith(QStringLiteral(" из 7")));
    pause(150);
    EXPECT_FALSE(screenshotOf(qobject_cast<QQuickWindow*>(dialog), QStringLiteral("road-02-library-download")).isEmpty());
    return true;
}

bool RoadTest::libraryReady()
{
    QObject* selector = object(QStringLiteral("updateDialogSelector"));
    if (!selector)
        return false;
    // The finished update closes its dialog by accepting it.
    if (!settle([&] { return !selector->property("showUpdate").toBool(); }, 120000)) {
        QObject* dialog = selector->property("dialog").value<QObject*>();
        QQuickItem* error = dialog ? itemIn(dialog, QStringLiteral("errorText")) : nullptr;
        ADD_FAILURE() << "the update did not finish; status "
                      << (dialog ? dialog->property("status").toInt() : -1) << ": "
                      << (error ? error->property("text").toString().toStdString() : std::string());
        return false;
    }
    bool indexingShown = false;
    IndexingProgressInfo* indexing = app().indexingProgressInfo();
    const auto indexed = [&] {
        if (!indexing || indexing->indexingActive())
            return false;
        auto& db = *currentDatabase();
        return db.countBFI(C::Russian) == 0 && db.countBFI(C::English) == 0 && db.countBFI(C::Sanskrit) == 0;
    };
    QElapsedTimer quiet;
    const bool done = settle(
        [&] {
            QObject* dialog = selector->property("dialog").value<QObject*>();
            if (!indexingShown && dialog && selector->property("showIndexing").toBool()) {
                indexingShown = true;
                pause(100);
                EXPECT_FALSE(screenshotOf(qobject_cast<QQuickWindow*>(dialog), QStringLiteral("road-03-indexing")).isEmpty());
            }
            if (!indexed() || dialog) {
                quiet.invalidate();
                return false;
            }
            if (!quiet.isValid())
                quiet.start();
            return quiet.elapsed() > 500;
        },
        180000);
    if (!done)
        ADD_FAILURE() << "the indexing did not end";
    return done;
}

bool RoadTest::signInWithLibrary()
{
    if (!signIn(true))
        return false;
    QObject* selector = object(QStringLiteral("updateDialogSelector"));
    // The account refresh decides; a library already there shows no dialog.
    if (!settle([&] { return !selector->property("refreshRunning").toBool(); }, 20000))
        return false;
    return libraryReady();
}

QQuickItem* RoadTest::tabItem() const
{
    QObject* tabs = object(QStringLiteral("tabControl"));
    return tabs ? tabs->property("currentTab").value<QQuickItem*>() : nullptr;
}

TabStatus* RoadTest::tab() const
{
    QQuickItem* item = tabItem();
    return item ? item->property("status").value<TabStatus*>() : nullptr;
}

QQuickItem* RoadTest::webView() const
{
    QQuickItem* item = tabItem();
    return item ? item->property("webView").value<QQuickItem*>() : nullptr;
}

QStringList RoadTest::visibleNames(QObject* below, const QString& prefix)
{
    QStringList names;
    auto* root = qobject_cast<QQuickItem*>(below);
    if (!root)
        return names;
    const std::function<void(QQuickItem*)> walk = [&](QQuickItem* parent) {
        for (QQuickItem* child : parent->childItems()) {
            if (!child->isVisible())
                continue;
            if (child->objectName().startsWith(prefix))
                names.append(child->objectName().mid(prefix.size()));
            walk(child);
        }
    };
    walk(root);
    return names;
}

QQuickItem* RoadTest::visibleItem(QObject* below, const QString& objectName)
{
    auto* root = qobject_cast<QQuickItem*>(below);
    if (!root || !root->isVisible())
        return nullptr;
    // Delegates are below their view's content item only, as visual children.
    QQuickItem* found = nullptr;
    const std::function<void(QQuickItem*)> walk = [&](QQuickItem* parent) {
        for (QQuickItem* child : parent->childItems()) {
            if (found || !child->isVisible())
                continue;
            if (child->objectName() == objectName)
                found = child;
            else
                walk(child);
        }
    };
    walk(root);
    return found;
}

QQuickItem* RoadTest::catalogRow(const QString& display) const
{
    return visibleItem(itemIn(tabItem(), QStringLiteral("catalogStack")), QStringLiteral("catalogRow ") + display);
}

QStringList RoadTest::catalogRows() const
{
    return visibleNames(itemIn(tabItem(), QStringLiteral("catalogStack")), QStringLiteral("catalogRow "));
}

QQuickItem* RoadTest::resultRow(const QString& display) const
{
    return visibleItem(itemIn(tabItem(), QStringLiteral("resultPlace")), QStringLiteral("resultRow ") + display);
}

QStringList RoadTest::resultRows() const
{
    return visibleNames(itemIn(tabItem(), QStringLiteral("resultPlace")), QStringLiteral("resultRow "));
}

QObject* RoadTest::probe()
{
    if (!m_probe) {
        QQmlComponent component(&qml().engine(),
                                QUrl::fromLocalFile(QStringLiteral(TARNOLIX_TEST_SOURCE_DIR "/tests/e2e/PageProbe.qml")));
        m_probe = component.create();
        if (!m_probe)
            ADD_FAILURE() << component.errorString().toStdString();
    }
    // Watches each new page logic that reports its openings.
    TabStatus* status = tab();
    if (m_probe && status) {
        QObject::connect(status, &TabStatus::pageLogicChanged, m_probe, [this, status] {
            QObject* logic = status->pageLogic();
            if (!logic || logic == m_watchedLogic || logic->metaObject()->indexOfSignal("pageOpened(bool)") < 0)
                return;
            m_watchedLogic = logic;
            QMetaObject::invokeMethod(m_probe, "watch", Q_ARG(QVariant, QVariant::fromValue(logic)),
                                      Q_ARG(QVariant, QVariant::fromValue<QObject*>(webView())));
        }, Qt::UniqueConnection);
    }
    return m_probe;
}

QVariant RoadTest::run(const QString& script)
{
    QObject* runner = probe();
    if (!runner || !webView())
        return {};
    const int before = runner->property("results").toInt();
    QMetaObject::invokeMethod(runner, "run", Q_ARG(QVariant, QVariant::fromValue<QObject*>(webView())),
                              Q_ARG(QVariant, script));
    if (!settle([&] { return runner->property("results").toInt() > before; }, 10000)) {
        ADD_FAILURE() << "script did not answer: " << script.toStdString();
        return {};
    }
    return runner->property("lastResult");
}

QVariantMap RoadTest::firstOpenedRange() const
{
    if (!m_probe)
        return {};
    const QVariantList ranges = m_probe->property("openedRanges").toList();
    return ranges.isEmpty() ? QVariantMap() : ranges.constLast().toMap();
}

int RoadTest::bookSectionCount(int bookId, TarnolixConstants::Language language)
{
    return int(currentDatabase()->selectBookSections(bookId, language).size());
}

bool RoadTest::openingReported(int before)
{
    return settle([&] { return m_probe && m_probe->property("openedRanges").toList().size() > before; }, 30000) &&
           settled();
}

bool RoadTest::settled(int timeoutMs)
{
    QElapsedTimer quiet;
    QPointF last(-1, -1);
    return settle(
        [&] {
            QQuickItem* item = tabItem();
            QQuickItem* view = webView();
            if (!item || !view)
                return false;
            QObject* content = item->property("presentationContent").value<QObject*>();
            QObject* logic = tab()->pageLogic();
            const QPointF position = view->property("scrollPosition").toPointF();
            const bool idle = !view->property("loading").toBool() && content &&
                              content->property("activeScriptCount").toInt() == 0 &&
                              !(logic && logic->property("ignoreScroll").toBool()) &&
                              !(logic && logic->property("timerAddContentIsNeed").toBool());
            if (!idle || position != last || !quiet.isValid()) {
                last = position;
                quiet.start();
                return false;
            }
            return quiet.elapsed() > 300;
        },
        timeoutMs);
}

bool RoadTest::openFromCatalogue(const QString& display)
{
    QQuickItem* row = catalogRow(display);
    if (!row) {
        ADD_FAILURE() << "no row " << display.toStdString() << " among "
                      << catalogRows().join(QStringLiteral(" | ")).toStdString();
        return false;
    }
    QObject* runner = probe();
    const int before = runner ? runner->property("openedRanges").toList().size() : 0;
    click(itemIn(row, QStringLiteral("labelArea")));
    return openingReported(before);
}

bool RoadTest::clickInPage(const QString& selector)
{
    // Where the reader sees the element, in the view's own units.
    const QVariantMap rect = run(QStringLiteral(
        "(function () { var b = document.querySelector('%1'); if (!b) return {};"
        " b.scrollIntoView({block: 'center'}); var r = b.getBoundingClientRect();"
        " return { x: r.left + Math.min(r.width / 2, 60), y: r.top + r.height / 2 }; })()").arg(selector)).toMap();
    if (rect.isEmpty()) {
        ADD_FAILURE() << "nothing on the page matches " << selector.toStdString();
        return false;
    }
    QQuickItem* view = webView();
    const double zoom = view->property("zoomFactor").toDouble();
    const QPointF at = view->mapToScene(QPointF(rect.value(QStringLiteral("x")).toDouble() * zoom,
                                                rect.value(QStringLiteral("y")).toDouble() * zoom));
    pause(100);
    QTest::mouseClick(view->window(), Qt::LeftButton, Qt::NoModifier, at.toPoint());
    return true;
}

bool RoadTest::openFirstHit()
{
    const int before = probe()->property("openedRanges").toList().size();
    return clickInPage(QStringLiteral(".search-item-body")) && openingReported(before);
}

bool RoadTest::readFromCoverPage()
{
    const int before = probe()->property("openedRanges").toList().size();
    return clickInPage(QStringLiteral(".cover-book-read-link")) && openingReported(before);
}

QQuickItem* RoadTest::bandItem(const QString& objectName) const
{
    QQuickItem* band = tabItem() ? tabItem()->findChild<QQuickItem*>(QStringLiteral("searchControl")) : nullptr;
    return band ? band->findChild<QQuickItem*>(objectName) : nullptr;
}

bool RoadTest::typeIntoBand(const QString& query)
{
    QQuickItem* field = bandItem(QStringLiteral("searchTextField"));
    if (!field || !field->isVisible()) {
        ADD_FAILURE() << "no search field in the tab";
        return false;
    }
    // Typed as a reader types: focus, select what is there, the keys, Enter.
    QQuickWindow* root = field->window();
    click(field);
    QTest::keyClick(root, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(root, Qt::Key_Delete);
    for (const QChar c : query)
        QTest::sendKeyEvent(QTest::Click, root, Qt::Key_unknown, QString(c), Qt::NoModifier);
    if (field->property("text").toString() != query) {
        ADD_FAILURE() << "the field holds " << field->property("text").toString().toStdString();
        return false;
    }
    QTest::keyClick(root, Qt::Key_Return);
    return true;
}

bool RoadTest::search(const QString& query, TarnolixConstants::Language language)
{
    TabStatus* status = tab();
    if (!status)
        return false;
    // The band searches in the language of the catalogue shown.
    const char* catalogue = language == C::Russian ? "rusCatalogButton"
                          : language == C::English ? "engCatalogButton"
                                                   : "sanCatalogButton";
    click(item(QString::fromLatin1(catalogue)));
    if (!typeIntoBand(query))
        return false;
    const bool finished = settle(
        [&] {
            QObject* page = searchPage();
            return status->pageType() == UrlCreator::FTSearch && page &&
                   page->property("status").toInt() == C::SearchFinished;
        },
        30000);
    if (!finished) {
        ADD_FAILURE() << "the search did not finish";
        return false;
    }
    return settled() && settle([&] { return run(QStringLiteral("document.querySelectorAll('.search-item-body').length"))
                                                .toInt() > 0 ||
                                            searchPage()->property("totalFreq").toInt() == 0; }, 10000);
}

void RoadTest::wheel(int notches)
{
    QQuickItem* view = webView();
    QQuickWindow* root = view->window();
    const QPointF at = view->mapToScene(QPointF(view->width() / 2, view->height() / 2));
    const int step = notches < 0 ? -120 : 120; // a negative angle scrolls down
    for (int i = 0; i < std::abs(notches); ++i) {
        QWheelEvent event(at, root->mapToGlobal(at.toPoint()), QPoint(), QPoint(0, step), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(root, &event);
        QTest::qWait(30);
    }
}

void RoadTest::scrollToEnd()
{
    for (int round = 0; round < 20; ++round) {
        wheel(-20);
        settled();
        const bool atEnd = run(QStringLiteral(
            "(function () { var s = document.scrollingElement;"
            " return s.scrollHeight - s.clientHeight - s.scrollTop < 2; })()")).toBool();
        if (atEnd)
            return;
    }
}

bool RoadTest::sectionsContiguous()
{
    const QVariantList indexes = run(QStringLiteral(
        "Array.prototype.map.call(document.querySelectorAll('#content > [data-section-index]'),"
        " function (e) { return parseInt(e.getAttribute('data-section-index'), 10); })")).toList();
    if (indexes.isEmpty())
        return false;
    for (int i = 1; i < indexes.size(); ++i) {
        if (indexes[i].toInt() != indexes[i - 1].toInt() + 1)
            return false;
    }
    return true;
}

} // namespace tarnolix::test
