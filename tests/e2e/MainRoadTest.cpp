// The reader's main road in the real program against the stand-in: sign in
// with the sample account, the first library download with its dialog and
// progress, the catalogue, a book read in a tab, a full-text search with its
// results page and tree, and a hit opened in its book. Each step is checked
// by what the reader sees (items by objectName, page text by script) and
// leaves a screenshot "road-*" in the build's screenshots/ folder.
#include "tests/e2e/RoadTest.h"

#include "app/Tarnolix.h"
#include "core/Settings.h"
#include "database/DatabasePool.h"
#include "database/TarnolixDB.h"
#include "search/searchers/SearchRecords.h"
#include "tabs/SearchPageStatus.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

#include <algorithm>

using namespace tarnolix::test;

namespace {

using C = TarnolixConstants;

TEST_F(RoadTest, SignInDownloadBrowseReadAndSearch)
{
    ASSERT_TRUE(openRoot());
    road(QStringLiteral("road-01-sign-in"));

    // Slow enough that the reader sees the books' progress.
    armFault(QStringLiteral("mode=delay,delay_ms=1500,path=/books/download/"), 7);
    ASSERT_TRUE(signIn(true));
    ASSERT_TRUE(firstDownloadShown()) << "the library update dialog with its progress";
    ASSERT_TRUE(libraryReady());
    EXPECT_EQ(downloadedBooks(), kSampleBooks);
    road(QStringLiteral("road-04-main-window"));

    // The catalogue: categories, authors (by letter), names (by letter) and glossaries.
    click(item(QStringLiteral("rusCatalogButton")));
    const struct
    {
        const char* button;
        const char* tab;
        QString letter;
        QStringList rows;
    } catalogue[] = {
        {"rusCatalogButton", "tabCategories", QString(), {QStringLiteral("Писания"), QStringLiteral("Труды последователей")}},
        {"rusCatalogButton", "tabAuthors", QStringLiteral("И"), {QStringLiteral("Илья")}},
        {"rusCatalogButton", "tabNames", QStringLiteral("П"), {QStringLiteral("Письма о тишине")}},
        {"glossaryButton", "tabGlossaries", QString(), {QStringLiteral("Термины"), QStringLiteral("Имена")}},
    };
    for (const auto& entry : catalogue) {
        SCOPED_TRACE(entry.tab);
        click(item(QString::fromLatin1(entry.button)));
        click(item(QString::fromLatin1(entry.tab)));
        if (!entry.letter.isEmpty()) {
            ASSERT_TRUE(settle([&] { return catalogRow(entry.letter) != nullptr; }, 10000))
                << catalogRows().join(QStringLiteral(" | ")).toStdString();
            click(itemIn(catalogRow(entry.letter), QStringLiteral("labelArea")));
        }
        for (const QString& row : entry.rows) {
            EXPECT_TRUE(settle([&] { return !catalogRowsContaining(row).isEmpty(); }, 10000))
                << row.toStdString() << " among " << catalogRows().join(QStringLiteral(" | ")).toStdString();
        }
        road(QStringLiteral("road-05-catalogue-") + QString::fromLatin1(entry.tab).mid(3).toLower());
    }

    // A book from the names opens in the tab at its first section.
    click(item(QStringLiteral("rusCatalogButton")));
    click(item(QStringLiteral("tabNames")));
    ASSERT_TRUE(settle([&] { return catalogRow(QStringLiteral("Д")) != nullptr; }, 10000));
    click(itemIn(catalogRow(QStringLiteral("Д")), QStringLiteral("labelArea")));
    ASSERT_TRUE(settle([&] { return !catalogRowsContaining(QStringLiteral("Дипа-самхита")).isEmpty(); }, 10000))
        << catalogRows().join(QStringLiteral(" | ")).toStdString();
    // The book's row opens its cover page; its read button opens the book.
    click(itemIn(catalogRow(catalogRowsContaining(QStringLiteral("Дипа-самхита")).constFirst()),
                 QStringLiteral("labelArea")));
    ASSERT_TRUE(settle([&] { return tab()->pageType() == UrlCreator::OpenBookCover; }, 15000))
        << "page type " << tab()->pageType();
    ASSERT_TRUE(settled());
    EXPECT_TRUE(settle([&] { return pageText().contains(QStringLiteral("Читать")); }, 10000))
        << pageText().left(400).toStdString();
    EXPECT_TRUE(pageText().contains(QStringLiteral("Дипа-самхита"))) << pageText().left(400).toStdString();
    road(QStringLiteral("road-06-book-cover"));
    ASSERT_TRUE(readFromCoverPage());
    EXPECT_EQ(tab()->pageType(), UrlCreator::OpenBook);
    EXPECT_EQ(tab()->bookId(), 101);
    EXPECT_EQ(tab()->sectionCode(), currentDatabase()->selectBookSections(101, C::Russian).front()->code);
    EXPECT_TRUE(pageText().contains(QStringLiteral("Дипа-самхита"))) << pageText().left(400).toStdString();
    road(QStringLiteral("road-06-book-opened"));

    // Scrolling to the end of what the opening showed appends what follows.
    const QVariantMap first = firstOpenedRange();
    ASSERT_FALSE(first.isEmpty());
    const int sectionCount = bookSectionCount(101, C::Russian);
    ASSERT_GT(sectionCount, first.value(QStringLiteral("end")).toInt() + 1)
        << "the opening must leave sections to append";
    scrollToEnd();
    const QVariantMap range = run(QStringLiteral("getSectionsRange()")).toMap();
    EXPECT_EQ(range.value(QStringLiteral("start")).toInt(), 0);
    EXPECT_EQ(range.value(QStringLiteral("end")).toInt(), sectionCount - 1);
    EXPECT_TRUE(sectionsContiguous());
    road(QStringLiteral("road-07-book-appended"));

    // A full-text search fills the results page.
    ASSERT_TRUE(search(QStringLiteral("светильник"), C::Russian));
    const int found = searchPage()->property("totalFreq").toInt();
    EXPECT_GT(found, 0);
    EXPECT_GE(searchPage()->property("numberBooksFound").toInt(), 2);
    const QString results = pageText();
    EXPECT_TRUE(results.contains(QStringLiteral("Письма о тишине"))) << results.left(600).toStdString();
    EXPECT_GT(run(QStringLiteral("document.querySelectorAll('.search-item-body mark.highlight').length")).toInt(), 0);
    road(QStringLiteral("road-08-search-results"));

    // The results tree takes the catalogue's place: a row per book found
    // with its number of hits, and a book opened out lists its sections.
    const auto resultBooks = std::dynamic_pointer_cast<tarnolix::BooksSearchResults>(
        qobject_cast<SearchPageStatus*>(searchPage())->searchResults());
    ASSERT_TRUE(resultBooks);
    QStringList books;
    for (const auto& book : resultBooks->books())
        books << book->bookInfo()->shortName;
    ASSERT_TRUE(settle([&] { return resultRows() == books; }, 10000))
        << resultRows().join(QStringLiteral(" | ")).toStdString() << " instead of "
        << books.join(QStringLiteral(" | ")).toStdString();
    for (const auto& book : resultBooks->books()) {
        QObject* freq = resultRow(book->bookInfo()->shortName)->findChild<QObject*>(QStringLiteral("freq"));
        ASSERT_NE(freq, nullptr);
        EXPECT_EQ(freq->property("text").toString(), QString::number(book->freq()));
    }
    // Its branch box opens a book one level; the footer's "Развернуть" opens
    // every branch down to the sections with hits.
    const auto& firstBook = resultBooks->books().front();
    click(itemIn(resultRow(firstBook->bookInfo()->shortName), QStringLiteral("branchBox")));
    ASSERT_TRUE(settle([&] { return resultRows().size() > books.size(); }, 10000));
    QStringList bookSections;
    for (const auto& section : currentDatabase()->selectBookSections(int(firstBook->bookId()), C::Russian))
        bookSections << section->name;
    for (const QString& row : resultRows()) {
        EXPECT_TRUE(books.contains(row) || bookSections.contains(row)) << row.toStdString();
    }
    click(item(QStringLiteral("expandButton")));
    QStringList sections;
    for (const auto& book : resultBooks->books()) {
        for (const auto& section : book->sections())
            sections << section->bookSection()->name;
    }
    ASSERT_TRUE(settle(
        [&] {
            const QStringList rows = resultRows();
            return std::all_of(sections.begin(), sections.end(), [&](const QString& s) { return rows.contains(s); });
        },
        10000))
        << resultRows().join(QStringLiteral(" | ")).toStdString() << " lacks some of "
        << sections.join(QStringLiteral(" | ")).toStdString();
    road(QStringLiteral("road-08-results-tree"));

    // The first hit opens its book at its section, the hit marked.
    const QVariantMap hit = run(QStringLiteral(
        "(function () { var a = document.querySelector('.search-item-body').closest('a');"
        " return { href: a.getAttribute('href'), text: a.querySelector('mark.highlight').textContent }; })()"))
                                .toMap();
    ASSERT_FALSE(hit.value(QStringLiteral("href")).toString().isEmpty());
    ASSERT_TRUE(openFirstHit());
    EXPECT_EQ(tab()->pageType(), UrlCreator::OpenBook);
    ASSERT_GE(tab()->srItemId(), 0);
    // The mark in view is the hit's own: the first mark of that result item
    // among its section's marks. Opening a hit only scrolls to it; the
    // "current-highlight" is the in-book search's cursor (below).
    int matchIndex = -1;
    QMetaObject::invokeMethod(tab()->pageStatus(), "getMatchIndex", Q_RETURN_ARG(int, matchIndex),
                              Q_ARG(QString, tab()->sectionCode()), Q_ARG(int, tab()->srItemId()));
    ASSERT_GE(matchIndex, 0);
    const QString markInView = QStringLiteral(
        "(function () { var m = %1; if (!m) return {}; var r = m.getBoundingClientRect(); var s = enclosingSection(m);"
        " return { text: m.textContent, section: s ? s.id : '', top: r.top, bottom: r.bottom,"
        " height: window.innerHeight, current: document.querySelectorAll('mark.current-highlight').length }; })()");
    const QVariantMap marked =
        run(markInView.arg(QStringLiteral("document.getElementById(%1).getElementsByClassName('highlight')[%2]")
                               .arg(QStringLiteral("'") + tab()->sectionCode() + QStringLiteral("'"))
                               .arg(matchIndex)))
            .toMap();
    ASSERT_FALSE(marked.isEmpty()) << "no hit marked; page: " << pageText().left(300).toStdString()
                                   << " url " << tab()->url().toString().toStdString();
    EXPECT_EQ(marked.value(QStringLiteral("text")).toString(), hit.value(QStringLiteral("text")).toString());
    EXPECT_EQ(marked.value(QStringLiteral("section")).toString(), tab()->sectionCode());
    EXPECT_GE(marked.value(QStringLiteral("top")).toDouble(), 0);
    EXPECT_LE(marked.value(QStringLiteral("bottom")).toDouble(), marked.value(QStringLiteral("height")).toDouble())
        << "the hit is in view";
    EXPECT_EQ(marked.value(QStringLiteral("current")).toInt(), 0);
    road(QStringLiteral("road-09-hit-in-book"));

    // F4 steps to the next hit of the results, in its book.
    const int firstHit = tab()->srItemId();
    // Shortcuts act in the active window, as the reader's window is.
    webView()->window()->requestActivate();
    ASSERT_TRUE(QTest::qWaitForWindowActive(webView()->window()));
    QTest::keyClick(webView()->window(), Qt::Key_F4);
    ASSERT_TRUE(settle([&] { return tab()->srItemId() >= 0 && tab()->srItemId() != firstHit; }, 15000))
        << "the hit stayed " << firstHit;
    ASSERT_TRUE(settled());
    EXPECT_EQ(tab()->pageType(), UrlCreator::OpenBook);
    road(QStringLiteral("road-09-next-hit"));

    // A search inside the open book, typed into the band with "По книге",
    // marks its first match from the reading place as the current one, in
    // view; F4 moves the mark to the next match.
    QQuickItem* inBookBox = bandItem(QStringLiteral("inBookCheckBox"));
    ASSERT_TRUE(inBookBox && inBookBox->isVisible());
    click(inBookBox);
    ASSERT_TRUE(inBookBox->property("checked").toBool());
    QObject* inBook = tab()->pageStatus()->property("searchInBookStatus").value<QObject*>();
    ASSERT_NE(inBook, nullptr);
    ASSERT_TRUE(typeIntoBand(QStringLiteral("светильник")));
    ASSERT_TRUE(settle([&] { return inBook->property("status").toInt() == C::SearchFinished; }, 20000));
    ASSERT_TRUE(settle(
        [&] { return run(QStringLiteral("document.querySelectorAll('mark.current-highlight').length")).toInt() == 1; },
        10000));
    ASSERT_TRUE(settled());
    const QString currentMark = QStringLiteral("document.querySelector('mark.current-highlight')");
    const QVariantMap current = run(markInView.arg(currentMark)).toMap();
    ASSERT_FALSE(current.isEmpty());
    EXPECT_TRUE(current.value(QStringLiteral("text")).toString().toLower().startsWith(QStringLiteral("светильник")))
        << current.value(QStringLiteral("text")).toString().toStdString();
    EXPECT_GE(current.value(QStringLiteral("top")).toDouble(), 0);
    EXPECT_LE(current.value(QStringLiteral("bottom")).toDouble(), current.value(QStringLiteral("height")).toDouble());
    road(QStringLiteral("road-10-in-book-match"));

    const QString markOrder = QStringLiteral(
        "Array.prototype.indexOf.call(document.querySelectorAll('mark.highlight, mark.current-highlight'), %1)")
                                  .arg(currentMark);
    const int before = run(markOrder).toInt();
    QTest::keyClick(webView()->window(), Qt::Key_F4);
    ASSERT_TRUE(settle([&] { return run(markOrder).toInt() > before; }, 10000)) << "the match stayed " << before;
    ASSERT_TRUE(settled());
    const QVariantMap next = run(markInView.arg(currentMark)).toMap();
    EXPECT_GE(next.value(QStringLiteral("top")).toDouble(), 0);
    EXPECT_LE(next.value(QStringLiteral("bottom")).toDouble(), next.value(QStringLiteral("height")).toDouble());
    road(QStringLiteral("road-11-next-in-book-match"));
}

} // namespace

namespace {

// Words of the sample library found as a reader types them on a plain keyboard.
TEST_F(RoadTest, SearchFindsYoTypedAsYeAndIastTypedWithoutDiacritics)
{
    ASSERT_TRUE(openRoot());
    ASSERT_TRUE(signInWithLibrary());
    const struct
    {
        const char* query;
        QString book;
        QString marked;
    } cases[] = {
        {"огонек", QStringLiteral("Дипа-самхита. Собрание о светильнике"), QStringLiteral("огонёк")},
        {"avadhanam", QStringLiteral("Наставления о внимании"), QStringLiteral("avadhānam")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query);
        ASSERT_TRUE(search(QString::fromUtf8(c.query), C::Russian));
        EXPECT_GT(searchPage()->property("totalFreq").toInt(), 0);
        EXPECT_TRUE(pageText().contains(c.book)) << pageText().left(600).toStdString();
        const QStringList marks = run(QStringLiteral(
            "Array.prototype.map.call(document.querySelectorAll('.search-item-body mark.highlight'),"
            " function (m) { return m.textContent.toLowerCase(); })")).toStringList();
        EXPECT_TRUE(marks.contains(c.marked)) << marks.join(QStringLiteral(", ")).toStdString();
        road(QStringLiteral("road-search-") + QString::fromUtf8(c.query));
    }
}

TEST_F(RoadTest, SigningOutAndInKeepsTheLibraryAndARestartNeedsNoForm)
{
    ASSERT_TRUE(openRoot());
    click(item(QStringLiteral("rememberBox")));
    ASSERT_TRUE(signInWithLibrary());
    clearRequests();

    ASSERT_TRUE(signOutByHeader());
    click(item(QStringLiteral("rememberBox")));
    ASSERT_TRUE(signInWithLibrary());
    EXPECT_EQ(object(QStringLiteral("updateDialogSelector"))->property("dialog").value<QObject*>(), nullptr);
    EXPECT_TRUE(downloadedBooks().empty());
    road(QStringLiteral("road-signed-in-again"));

    // The next start of the program: what it remembered, without this run's runtime.
    Settings& settings = *app().settings();
    QVariantMap remembered;
    const QStringList keys = settings.allKeys();
    for (const QString& key : keys) {
        if (key.startsWith(QLatin1String("Login/")) || key.startsWith(QLatin1String("User/")))
            remembered.insert(key, settings.value(key));
    }
    m_window.reset();
    ASSERT_TRUE(logoutAndWait());
    for (auto it = remembered.cbegin(); it != remembered.cend(); ++it)
        settings.setValue(it.key(), it.value());

    ASSERT_TRUE(openRoot(false));
    bool formSeen = false;
    ASSERT_TRUE(settle(
        [&] {
            formSeen = formSeen || item(QStringLiteral("loginForm")) != nullptr;
            return item(QStringLiteral("mainWindow")) != nullptr && !app().initializer();
        },
        20000));
    EXPECT_FALSE(formSeen);
    ASSERT_TRUE(libraryReady());
    EXPECT_TRUE(downloadedBooks().empty());
    EXPECT_EQ(object(QStringLiteral("updateDialogSelector"))->property("dialog").value<QObject*>(), nullptr);
    road(QStringLiteral("road-restarted"));
}

// The second sample account's first library, through closed book downloads:
// each closed connection is retried and the library completes.
TEST_F(RoadTest, AFirstDownloadRetriesThroughClosedConnections)
{
    ASSERT_TRUE(openRoot());
    clearRequests();
    armFault(QStringLiteral("mode=close,path=/books/download/"), 4);
    ASSERT_TRUE(signInAs(QStringLiteral("pupil@tarnolix.invalid"), QStringLiteral("свеча-у-окна"), true));
    ASSERT_TRUE(libraryReady());
    EXPECT_EQ(downloadedBooks(), (std::set<int>{101, 104, 105}));

    int unanswered = 0;
    const QJsonArray requests = standinRequests(standinOrigin());
    for (const QJsonValue& value : requests) {
        const QJsonObject request = value.toObject();
        if (request.value(QStringLiteral("path")).toString().startsWith(QLatin1String("/books/download/")) &&
            request.value(QStringLiteral("status")).isNull())
            ++unanswered;
    }
    EXPECT_GE(unanswered, 1) << "the faults were met";
    QQuickItem* names = item(QStringLiteral("tabNames"));
    click(item(QStringLiteral("rusCatalogButton")));
    click(names);
    ASSERT_TRUE(settle([&] { return catalogRow(QStringLiteral("П")) != nullptr; }, 10000));
    click(itemIn(catalogRow(QStringLiteral("П")), QStringLiteral("labelArea")));
    EXPECT_TRUE(settle([&] { return catalogRow(QStringLiteral("Письма о тишине")) != nullptr; }, 10000))
        << catalogRows().join(QStringLiteral(" | ")).toStdString();
    road(QStringLiteral("road-faults-survived"));
}

} // namespace
