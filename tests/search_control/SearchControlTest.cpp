// A tab's search band in a real window under Xvfb, inside the real
// application object, over an indexed English library: completions and
// their keys, occurrence counts and their drawing, what a search opens, the
// option boxes around an open book, and the history list.
#include "app/Tarnolix.h"
#include "pages/UrlCreatorImpl.h"
#include "tabs/FTSearchPageStatus.h"
#include "tabs/OpenBookStatus.h"
#include "tabs/SearchInBookStatus.h"
#include "tabs/TabStatus.h"
#include "tests/ftsearch_web/ResultsLibrary.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestSupport.h"

#include <QAbstractItemModel>
#include <QElapsedTimer>
#include <QImage>
#include <QQmlApplicationEngine>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace tarnolix::test {
namespace {

using C = TarnolixConstants;

const char kEmptyScope[] = "Выберите хотя бы одну книгу, секцию, категорию или словарь для поиска.";

class SearchBand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resultsLibrary();
        clearHistory();
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
        selectCatalog(C::EnglishCatalog, C::English, UrlCreator::FTSearch);
        band = tab->findChild<QQuickItem*>(QStringLiteral("searchControl"));
        ASSERT_NE(band, nullptr);
        field = band->findChild<QQuickItem*>(QStringLiteral("searchTextField"));
        box = band->findChild<QObject*>(QStringLiteral("suggestionBox"));
        ASSERT_NE(field, nullptr);
        ASSERT_NE(box, nullptr);
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

    static void clearHistory() { resultsLibrary().library.db().execSql(QStringLiteral("DELETE FROM QueriesHistory")); }
    static QStringList historyRows()
    {
        QSqlQuery q = resultsLibrary().library.db().execSql(QStringLiteral("SELECT query FROM QueriesHistory ORDER BY rowId"));
        QStringList rows;
        while (q.next())
            rows << q.value(0).toString();
        return rows;
    }

    void selectCatalog(C::Catalog catalog, C::Language language, UrlCreator::QueryType resultType)
    {
        QMetaObject::invokeMethod(tab, "selectSearchCatalog", Q_ARG(QVariant, int(catalog)),
                                  Q_ARG(QVariant, int(language)), Q_ARG(QVariant, int(resultType)));
    }

    QPoint centerOf(QQuickItem* item) const
    {
        return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
    }
    void click(QQuickItem* item) { QTest::mouseClick(root, Qt::LeftButton, {}, centerOf(item)); }
    QQuickItem* item(const char* name) const { return band->findChild<QQuickItem*>(QString::fromLatin1(name)); }

    // Focus by a click, then the keys of `text` at the end of what is there.
    void type(const QString& text)
    {
        if (!field->hasActiveFocus())
            click(field);
        QTest::keyClick(root, Qt::Key_End);
        keys(text);
    }
    // QTest has no keyClicks for a window in Qt 5.
    void keys(const QString& text)
    {
        for (const QChar c : text)
            QTest::keyClick(root, c.toLatin1());
    }
    QString fieldText() const { return field->property("text").toString(); }
    void setFieldText(const QString& text)
    {
        QMetaObject::invokeMethod(band->findChild<QQuickItem*>(QStringLiteral("searchInputField")), "setText",
                                  Q_ARG(QVariant, text));
    }

    QStringList completions() const { return box->property("completions").toStringList(); }
    int currentCompletion() const { return box->property("currentIndex").toInt(); }
    QVariantList terms() const { return box->property("terms").toList(); }
    bool boxOpen() const { return box->property("opened").toBool(); }

    FTSearchPageStatus* resultsPage() const { return qobject_cast<FTSearchPageStatus*>(status->pageStatus()); }
    int activeScripts() const
    {
        return tab->property("presentationContent").value<QObject*>()->property("activeScriptCount").toInt();
    }
    // The results page loaded and filled.
    bool resultsShown()
    {
        return waitUntil(
            [&] {
                return resultsPage() && resultsPage()->status() == C::SearchFinished
                    && !view->property("loading").toBool() && activeScripts() == 0;
            },
            30000);
    }
    // The section of the open book's current in-book match.
    QString currentMatch()
    {
        return run(QStringLiteral("(function () { var m = document.querySelector('.current-highlight');"
                                  " var s = m ? enclosingSection(m) : null; return s ? s.id : ''; })()"))
            .toString();
    }
    // The occurrence label of term `index`: the repeater's items are children
    // of the label column, not of the popup object.
    QQuickItem* occurrenceLabel(int index) const
    {
        auto* labels = box->findChild<QQuickItem*>(QStringLiteral("occurrenceLabels"));
        const QString name = QStringLiteral("occurrenceLabel%1").arg(index);
        for (QQuickItem* child : labels ? labels->childItems() : QList<QQuickItem*>())
            if (child->objectName() == name)
                return child;
        return nullptr;
    }

    static QQuickItem* rowOf(QQuickItem* list, int index)
    {
        QQuickItem* row = nullptr;
        QMetaObject::invokeMethod(list, "itemAtIndex", Q_RETURN_ARG(QQuickItem*, row), Q_ARG(int, index));
        return row;
    }

    bool bookOpen() const
    {
        auto* book = qobject_cast<OpenBookStatus*>(status->pageStatus());
        return book && book->isBookOpen();
    }

    // A book page loaded and still: no load, script or refill pending, and
    // the view unmoved for 300 ms.
    bool bookShown()
    {
        QElapsedTimer quiet;
        QPointF last(-1, -1);
        return waitUntil(
            [&] {
                const QPointF position = view->property("scrollPosition").toPointF();
                QObject* logic = status->pageLogic();
                const bool idle = bookOpen() && !view->property("loading").toBool() && logic
                    && !logic->property("ignoreScroll").toBool() && !logic->property("timerAddContentIsNeed").toBool()
                    && activeScripts() == 0;
                if (!idle || position != last || !quiet.isValid()) {
                    last = position;
                    quiet.start();
                    return false;
                }
                return quiet.elapsed() > 300;
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

    std::unique_ptr<QmlWindow> window;
    QQuickWindow* root = nullptr;
    QQuickItem* tabs = nullptr;
    QQuickItem* tab = nullptr;
    TabStatus* status = nullptr;
    QQuickItem* view = nullptr;
    QQuickItem* band = nullptr;
    QQuickItem* field = nullptr;
    QObject* box = nullptr;
};

TEST_F(SearchBand, CompletionsFollowTheLastWordAtTheCursorAndTheArrowsWrap)
{
    // Two words, the cursor at the end: completions of the second only.
    type(QStringLiteral("alpha w"));
    ASSERT_TRUE(waitUntil([&] { return completions().size() >= 2; }, 10000)) << completions().join(',').toStdString();
    EXPECT_TRUE(boxOpen());
    for (const QString& word : completions())
        EXPECT_TRUE(word.startsWith(QLatin1String("w"))) << word.toStdString();
    EXPECT_EQ(currentCompletion(), -1);

    // Down from none takes the first, Up from the first wraps to the last,
    // Down from the last wraps to the first.
    const int last = completions().size() - 1;
    QTest::keyClick(root, Qt::Key_Down);
    EXPECT_EQ(currentCompletion(), 0);
    QTest::keyClick(root, Qt::Key_Up);
    EXPECT_EQ(currentCompletion(), last);
    QTest::keyClick(root, Qt::Key_Down);
    EXPECT_EQ(currentCompletion(), 0);

    // The cursor moved into the text empties the list.
    QTest::keyClick(root, Qt::Key_Left);
    ASSERT_TRUE(waitUntil([&] { return completions().isEmpty(); }));
    EXPECT_EQ(box->property("currentWord").userType(), int(QMetaType::Nullptr));

    // A new list has no current row: Up from none takes the last.
    QTest::keyClick(root, Qt::Key_End);
    keys(QStringLiteral("a"));
    ASSERT_TRUE(waitUntil([&] { return !completions().isEmpty(); }, 10000));
    const QStringList wa = completions();
    for (const QString& word : wa)
        EXPECT_TRUE(word.startsWith(QLatin1String("wa"))) << word.toStdString();
    EXPECT_EQ(currentCompletion(), -1);
    QTest::keyClick(root, Qt::Key_Up);
    EXPECT_EQ(currentCompletion(), wa.size() - 1);

    // Enter with a completion current: it replaces the last word and the
    // whole query is searched and kept in the history.
    const QString chosen = wa.last();
    QTest::keyClick(root, Qt::Key_Return);
    EXPECT_EQ(fieldText(), QStringLiteral("alpha ") + chosen);
    ASSERT_TRUE(resultsShown());
    EXPECT_EQ(status->pageType(), UrlCreator::FTSearch);
    EXPECT_FALSE(boxOpen());
    EXPECT_EQ(historyRows(), QStringList{QStringLiteral("alpha ") + chosen});
}

TEST_F(SearchBand, ASuggestionClickedIsSearchedAndTheSearchButtonSearchesTheField)
{
    type(QStringLiteral("beta riv"));
    ASSERT_TRUE(waitUntil([&] { return completions().contains(QStringLiteral("river")); }, 10000));
    auto* list = box->findChild<QQuickItem*>(QStringLiteral("completionList"));
    ASSERT_NE(list, nullptr);
    QQuickItem* row = rowOf(list, completions().indexOf(QStringLiteral("river")));
    ASSERT_NE(row, nullptr);
    click(row);
    EXPECT_EQ(fieldText(), QStringLiteral("beta river"));
    ASSERT_TRUE(resultsShown());

    // The search button with no completion current searches the text as it is.
    setFieldText(QStringLiteral("beta"));
    click(item("searchButton"));
    ASSERT_TRUE(waitUntil([&] { return historyRows().size() == 2; }));
    EXPECT_EQ(historyRows(), (QStringList{QStringLiteral("beta river"), QStringLiteral("beta")}));
}

TEST_F(SearchBand, BlankQueriesAndAnEmptyScopeStartNothing)
{
    QSignalSpy messages(&app(), &Tarnolix::message);
    MessageLog log;

    // Spaces: the suggestions close and nothing starts.
    type(QStringLiteral("   "));
    ASSERT_TRUE(waitUntil([&] { return boxOpen(); }));
    QTest::keyClick(root, Qt::Key_Return);
    EXPECT_FALSE(boxOpen());
    EXPECT_TRUE(historyRows().isEmpty());
    EXPECT_TRUE(messages.isEmpty());

    // An empty field only logs.
    setFieldText(QString());
    click(item("searchButton"));
    EXPECT_TRUE(log.contains(QtInfoMsg, QStringLiteral("Search text is empty"))
                || log.contains(QtDebugMsg, QStringLiteral("Search text is empty")));

    // The catalogue filter with nothing chosen in the catalogue.
    click(item("selectBooksCheckBox"));
    ASSERT_TRUE(item("selectBooksCheckBox")->property("checked").toBool());
    type(QStringLiteral("alpha"));
    QTest::keyClick(root, Qt::Key_Escape);
    QTest::keyClick(root, Qt::Key_Return);
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.at(0).at(1).toString(), QString::fromUtf8(kEmptyScope));
    QTest::qWait(300);
    EXPECT_EQ(status->pageType(), UrlCreator::NewTab);
    EXPECT_TRUE(historyRows().isEmpty());
}

TEST_F(SearchBand, TheFocusSelectsTheWholeQueryAndTheClearButtonEmptiesIt)
{
    // What the tab bar does for a new tab: the field takes the focus with
    // its text selected, so that typing replaces it.
    setFieldText(QStringLiteral("alpha beta"));
    QMetaObject::invokeMethod(tab, "setFocusToSearchControl");
    ASSERT_TRUE(waitUntil([&] { return field->hasActiveFocus(); }));
    EXPECT_EQ(field->property("selectedText").toString(), QStringLiteral("alpha beta"));
    keys(QStringLiteral("r"));
    EXPECT_EQ(fieldText(), QStringLiteral("r"));
    ASSERT_TRUE(waitUntil([&] { return boxOpen(); }));

    QSignalSpy cancelled(band->findChild<QQuickItem*>(QStringLiteral("searchInputField")), SIGNAL(cancelClicked()));
    QQuickItem* clear = item("clearButton");
    ASSERT_TRUE(waitUntil([&] { return clear->opacity() == 1.0; }));
    click(clear);
    EXPECT_EQ(fieldText(), QString());
    EXPECT_EQ(cancelled.count(), 1);
    EXPECT_FALSE(boxOpen());
    EXPECT_TRUE(waitUntil([&] { return !clear->isVisible(); }));
}

TEST_F(SearchBand, EachCatalogueOpensItsOwnKindOfAddress)
{
    MessageLog log;
    selectCatalog(C::GlossaryCatalog, C::glossaryLanguage(), UrlCreator::GlossarySearch);
    EXPECT_EQ(item("selectBooksCheckBox")->property("text").toString(), QStringLiteral("Выбрать источники"));
    setFieldText(QStringLiteral("dharma"));
    click(item("searchButton"));
    const QStringList opened = log.texts(QtDebugMsg).filter(QStringLiteral("ContentView::openUrl: "));
    ASSERT_EQ(opened.size(), 1) << log.texts(QtDebugMsg).join('\n').toStdString();
    const UrlCreatorImpl url =
        UrlCreatorImpl::fromString(opened.at(0).mid(int(strlen("ContentView::openUrl: "))));
    EXPECT_EQ(url.queryType(), UrlCreator::Redirect) << opened.at(0).toStdString();
    EXPECT_EQ(historyRows(), QStringList{QStringLiteral("dharma")});
    // The catalogue follows the page that the redirect leads to, taking the
    // focus; the next query is typed after that.
    ASSERT_TRUE(waitUntil(
        [&] { return status->pageType() == UrlCreator::GlossarySearch && !view->property("loading").toBool(); },
        20000));

    // Word by word: the match mode, the catalogue and the search area go
    // into the address; the catalogue switch changes the tab's catalogue.
    const qreal fieldHeight = field->height();
    selectCatalog(C::WordByWordCatalog, C::Russian, UrlCreator::WBWSearch);
    QQuickItem* selector = item("matchModeSelector");
    const double dp = root->property("dp").toDouble();
    ASSERT_TRUE(waitUntil([&] { return std::abs(selector->width() - 175 * dp) < 1; }));
    EXPECT_EQ(field->property("placeholderText").toString(), QStringLiteral("Введите слово"));
    EXPECT_NEAR(selector->height(), fieldHeight, 1);
    EXPECT_NEAR(field->height(), fieldHeight, 1);
    auto* catalogSwitch = item("catalogSwitch");
    click(catalogSwitch->findChild<QQuickItem*>(QStringLiteral("button2")));
    EXPECT_EQ(status->catalogLanguage(), C::English);
    EXPECT_EQ(catalogSwitch->property("currentValue").toInt(), int(C::English));
    click(item("searchAreaSwitch")->findChild<QQuickItem*>(QStringLiteral("button2")));
    ASSERT_TRUE(waitUntil([&] { return !view->property("loading").toBool(); }, 20000));
    log.clear();
    setFieldText(QString());
    type(QStringLiteral("dharm"));
    ASSERT_TRUE(waitUntil([&] { return boxOpen(); }));
    EXPECT_NEAR(box->property("x").toDouble(), selector->width(), 1);
    QTest::qWait(200);
    EXPECT_FALSE(window->screenshot(QStringLiteral("search_band_word_by_word")).isEmpty());
    QTest::keyClick(root, Qt::Key_Return);
    const QStringList wbw = log.texts(QtDebugMsg).filter(QStringLiteral("ContentView::openUrl: "));
    ASSERT_EQ(wbw.size(), 1) << log.texts(QtDebugMsg).join('\n').toStdString();
    EXPECT_EQ(wbw.at(0), QStringLiteral("ContentView::openUrl: tarnolix://wbwsearch.en?translation=dharm&originalChoise=exactword"));

    // The favorites catalogue shows neither option box.
    selectCatalog(C::FavoritesCatalog, C::English, UrlCreator::FavoritesSearch);
    EXPECT_FALSE(item("selectBooksCheckBox")->isVisible());
    EXPECT_FALSE(item("inBookCheckBox")->isVisible());
    selectCatalog(C::EnglishCatalog, C::English, UrlCreator::FTSearch);
    EXPECT_TRUE(item("selectBooksCheckBox")->isVisible());
}

TEST_F(SearchBand, OnABookFromTheResultsTheBandStepsThroughHitsAndSearchesInTheBook)
{
    setFieldText(QStringLiteral("beta"));
    click(item("searchButton"));
    ASSERT_TRUE(resultsShown());
    QQuickItem* inBook = item("inBookCheckBox");
    QQuickItem* selectBooks = item("selectBooksCheckBox");
    QQuickItem* hitNavigation = item("searchNavigation");
    EXPECT_FALSE(inBook->isVisible());
    EXPECT_FALSE(hitNavigation->isVisible());

    // The first hit of the page opens its book.
    const QString first = run(QStringLiteral("Array.prototype.map.call(document.querySelectorAll('#content a'),"
                                             " function (a) { return a.href; })"
                                             ".filter(function (h) { return /SRItemId-[1-9]/.test(h); })[0]"))
                              .toString();
    ASSERT_FALSE(first.isEmpty());
    QMetaObject::invokeMethod(tab, "openUrl", Q_ARG(QVariant, first));
    ASSERT_TRUE(bookShown());
    ASSERT_TRUE(waitUntil([&] { return inBook->isVisible() && hitNavigation->isVisible(); }));
    const QString firstSection = status->sectionCode();

    // Next hit by its button, back by F3, forward by F4.
    QQuickItem* next = item("nextSearchResultButton");
    ASSERT_TRUE(next->isEnabled());
    click(next);
    ASSERT_TRUE(waitUntil([&] { return status->sectionCode() != firstSection; }, 20000));
    ASSERT_TRUE(bookShown());
    const QString secondSection = status->sectionCode();
    QTest::keyClick(root, Qt::Key_F3);
    ASSERT_TRUE(waitUntil([&] { return status->sectionCode() == firstSection; }, 20000));
    ASSERT_TRUE(bookShown());
    QTest::keyClick(root, Qt::Key_F4);
    ASSERT_TRUE(waitUntil([&] { return status->sectionCode() == secondSection; }, 20000));
    ASSERT_TRUE(bookShown());

    // "По книге" hides and unchecks "Выбрать книги".
    click(selectBooks);
    ASSERT_TRUE(selectBooks->property("checked").toBool());
    click(inBook);
    EXPECT_TRUE(inBook->property("checked").toBool());
    EXPECT_FALSE(selectBooks->property("checked").toBool());
    EXPECT_FALSE(selectBooks->isVisible());

    // The query goes to the tab's search in the book, and into the history;
    // its navigation replaces that of the library hits once it has finished.
    auto* book = qobject_cast<OpenBookStatus*>(status->pageStatus());
    ASSERT_NE(book, nullptr);
    auto* inBookSearch = qobject_cast<SearchInBookStatus*>(book->searchInBookStatus());
    ASSERT_NE(inBookSearch, nullptr);
    setFieldText(QStringLiteral("beta"));
    click(item("searchButton"));
    ASSERT_TRUE(waitUntil([&] { return inBookSearch->status() == C::SearchFinished; }, 30000));
    EXPECT_EQ(historyRows(), (QStringList{QStringLiteral("beta"), QStringLiteral("beta")}));
    EXPECT_EQ(status->pageType(), UrlCreator::OpenBook);
    QQuickItem* inBookNavigation = item("searchInBookNavigation");
    ASSERT_TRUE(waitUntil([&] { return inBookNavigation->isVisible(); }));
    EXPECT_FALSE(hitNavigation->isVisible());
    ASSERT_TRUE(waitUntil([&] { return activeScripts() == 0 && !currentMatch().isEmpty(); }, 15000));
    const QString firstMatch = currentMatch();
    QTest::qWait(300);
    EXPECT_FALSE(window->screenshot(QStringLiteral("search_band_in_book")).isEmpty());

    // The chevrons step on press; the close button ends the search.
    QTest::mousePress(root, Qt::LeftButton, {}, centerOf(item("nextInBookButton")));
    ASSERT_TRUE(waitUntil([&] { return activeScripts() == 0 && currentMatch() != firstMatch; }, 15000));
    QTest::mouseRelease(root, Qt::LeftButton, {}, centerOf(item("nextInBookButton")));
    const QString secondMatch = currentMatch();
    QTest::mousePress(root, Qt::LeftButton, {}, centerOf(item("previousInBookButton")));
    ASSERT_TRUE(waitUntil([&] { return activeScripts() == 0 && currentMatch() == firstMatch; }, 15000))
        << secondMatch.toStdString();
    QTest::mouseRelease(root, Qt::LeftButton, {}, centerOf(item("previousInBookButton")));
    click(item("endSearchInBookButton"));
    ASSERT_TRUE(waitUntil([&] { return inBookSearch->status() == C::InvalidSearchStatus; }, 15000));
    EXPECT_FALSE(inBookNavigation->isVisible());
    EXPECT_TRUE(hitNavigation->isVisible());
    ASSERT_TRUE(waitUntil([&] { return activeScripts() == 0; }, 15000));

    // Closing the book takes the box away unchecked.
    book->closeBook();
    ASSERT_TRUE(waitUntil([&] { return !inBook->isVisible(); }));
    EXPECT_FALSE(inBook->property("checked").toBool());
    EXPECT_TRUE(selectBooks->isVisible());
}

// Pixels of the occurrence area right of the labels that are not its
// background: the joining lines and the total.
int drawnRightOfLabels(QQuickWindow* window, QObject* box)
{
    auto* labels = box->findChild<QQuickItem*>(QStringLiteral("occurrenceLabels"));
    auto* area = box->findChild<QQuickItem*>(QStringLiteral("occurrenceArea"));
    if (!labels || !area)
        return -1;
    const QImage image = window->grabWindow();
    const QPointF from = labels->mapToScene(QPointF(labels->width() + 2, 0));
    const QPointF to = area->mapToScene(QPointF(area->width(), 0));
    const QPointF bottom = labels->mapToScene(QPointF(0, labels->height()));
    const QColor background(0xED, 0xED, 0xEE);
    int drawn = 0;
    for (int y = int(from.y()); y < int(bottom.y()) && y < image.height(); ++y) {
        for (int x = int(from.x()); x < int(to.x()) && x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - background.red()) + std::abs(c.green() - background.green())
                    + std::abs(c.blue() - background.blue()) > 60)
                ++drawn;
        }
    }
    return drawn;
}

TEST_F(SearchBand, OneCountedTermStandsAloneAndTwoAreJoinedToTheirTotal)
{
    auto counted = [&](int n) {
        return waitUntil([&] { return terms().size() == n && !box->property("counting").toBool(); }, 20000);
    };
    type(QStringLiteral("alpha"));
    ASSERT_TRUE(counted(1));
    const QVariantMap alpha = terms().at(0).toMap();
    EXPECT_EQ(alpha.value(QStringLiteral("term")).toString(), QStringLiteral("alpha"));
    EXPECT_EQ(alpha.value(QStringLiteral("freq")).toInt(), ResultsLibrary::kHits);
    QQuickItem* label = occurrenceLabel(0);
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->property("text").toString().startsWith(QStringLiteral("alpha - ")));
    QTest::qWait(200);
    EXPECT_EQ(drawnRightOfLabels(root, box), 0);

    type(QStringLiteral(" river"));
    ASSERT_TRUE(counted(2));
    EXPECT_TRUE(waitUntil([&] { return drawnRightOfLabels(root, box) > 20; }));
    ASSERT_TRUE(waitUntil([&] { return completions().contains(QStringLiteral("river")); }, 10000));
    QTest::keyClick(root, Qt::Key_Down);
    QTest::qWait(300);
    EXPECT_FALSE(window->screenshot(QStringLiteral("search_band_suggestions")).isEmpty());

    // Hiding the box drops both lists.
    QTest::keyClick(root, Qt::Key_Escape);
    EXPECT_FALSE(boxOpen());
    EXPECT_TRUE(waitUntil([&] { return completions().isEmpty() && terms().isEmpty(); }, 10000));
}

TEST_F(SearchBand, EverySearchIsListedNewestFirstUntilTheHistoryIsCleared)
{
    for (const char* query : {"beta", "river", "beta"}) {
        setFieldText(QString::fromLatin1(query));
        click(item("searchButton"));
        ASSERT_TRUE(resultsShown());
    }
    MessageLog log;
    click(item("historyButton"));
    auto* popup = band->findChild<QObject*>(QStringLiteral("historyPopup"));
    ASSERT_NE(popup, nullptr);
    ASSERT_TRUE(waitUntil([&] { return popup->property("opened").toBool(); }));
    EXPECT_TRUE(log.contains(QtDebugMsg, QStringLiteral("show history query")));
    auto* model = popup->property("model").value<QAbstractItemModel*>();
    ASSERT_NE(model, nullptr);
    auto listed = [&] {
        QStringList rows;
        for (int r = 0; r < model->rowCount(); ++r)
            rows << model->data(model->index(r, 0)).toString();
        return rows;
    };
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("beta"), QStringLiteral("river"), QStringLiteral("beta")}));
    QTest::qWait(300);
    EXPECT_FALSE(window->screenshot(QStringLiteral("search_band_history")).isEmpty());

    // A row clicked is searched again and listed again.
    auto* content = popup->property("contentItem").value<QQuickItem*>();
    auto* list = content->findChild<QQuickItem*>(QStringLiteral("historyList"));
    ASSERT_NE(list, nullptr);
    QQuickItem* river = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (river = rowOf(list, 1)) != nullptr; }));
    click(river);
    EXPECT_FALSE(popup->property("opened").toBool());
    EXPECT_EQ(fieldText(), QStringLiteral("river"));
    ASSERT_TRUE(resultsShown());
    EXPECT_EQ(historyRows().size(), 4);

    click(item("historyButton"));
    ASSERT_TRUE(waitUntil([&] { return popup->property("opened").toBool(); }));
    EXPECT_EQ(listed().value(0), QStringLiteral("river"));
    auto* clear = content->findChild<QQuickItem*>(QStringLiteral("clearHistoryButton"));
    ASSERT_NE(clear, nullptr);
    click(clear);
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_TRUE(historyRows().isEmpty());
    QTest::keyClick(root, Qt::Key_Escape);
    EXPECT_TRUE(waitUntil([&] { return !popup->property("opened").toBool(); }));
}

} // namespace
} // namespace tarnolix::test
