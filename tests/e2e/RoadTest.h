#pragma once
// The root window on the reader's road: the first library download with its
// dialogs, the current tab's catalogue, page and search, scripts run in its
// view, and the stand-in's record of what the program fetched.

#include "core/TarnolixConstants.h"
#include "pages/UrlCreator.h"
#include "tabs/TabStatus.h"
#include "tests/app_window/WindowTest.h"

#include <QPointer>
#include <QStringList>
#include <QVariant>

#include <set>

namespace tarnolix::test {

inline const std::set<int> kSampleBooks{101, 102, 103, 104, 105, 106, 107};

class RoadTest : public WindowTest
{
protected:
    void TearDown() override;

    // A screenshot of the root window named `name`; fails the test when none was written.
    void road(const QString& name);
    // Arms a stand-in fault for the next `count` matching requests (0: until cleared).
    static void armFault(const QString& plan, int count = 0);
    static void clearRequests();
    // Ids of the books the stand-in served since the requests were last cleared.
    static std::set<int> downloadedBooks();

    // The library update dialog shows its progress while the books come;
    // screenshot "road-02-library-download".
    bool firstDownloadShown();
    // The update dialog closed by the finished update, the indexing over:
    // the main window alone, its library searchable.
    bool libraryReady();
    // Signs in with the sample account and, when this account has no
    // library yet, lets the first download finish.
    bool signInWithLibrary();

    QQuickItem* tabItem() const;
    TabStatus* tab() const;
    QQuickItem* webView() const;
    QObject* searchPage() const { return tab() ? tab()->pageStatus() : nullptr; }

    // Visible rows of the current catalogue tree and of the results tree.
    QQuickItem* catalogRow(const QString& display) const;
    QStringList catalogRows() const;
    QStringList catalogRowsContaining(const QString& text) const { return catalogRows().filter(text); }
    QQuickItem* resultRow(const QString& display) const;
    QStringList resultRows() const;

    // Clicks a catalogue row's label and waits for its book's opening.
    bool openFromCatalogue(const QString& display);
    // Clicks the first hit of the results page and waits for its book.
    bool openFirstHit();
    // Clicks the cover page's read button and waits for the book's opening.
    bool readFromCoverPage();
    // Types a full-text search into the current tab's search band, in the
    // catalogue of `language`, and presses Enter; true once its results are shown.
    bool search(const QString& query, TarnolixConstants::Language language);

    // No navigation, script or refill pending and the view still for 300 ms.
    bool settled(int timeoutMs = 15000);
    // An item of the current tab's search band by objectName.
    QQuickItem* bandItem(const QString& objectName) const;
    // Types `query` into the band's field and presses Enter.
    bool typeIntoBand(const QString& query);
    // A script's answer in the current tab's view.
    QVariant run(const QString& script);
    QString pageText() { return run(QStringLiteral("document.body.innerText")).toString(); }
    // The run of sections an open-book page showed when its last opening reported.
    QVariantMap firstOpenedRange() const;
    static int bookSectionCount(int bookId, TarnolixConstants::Language language);
    // Wheel-scrolls the book to its end and waits until nothing more comes.
    void scrollToEnd();
    // The page's sections are one run, in order, each once.
    bool sectionsContiguous();

private:
    // A real click on the first element of the page that `selector` matches.
    bool clickInPage(const QString& selector);
    bool openingReported(int before);
    QObject* probe();
    // Visible items below `below` by objectName, and the names after `prefix`.
    static QQuickItem* visibleItem(QObject* below, const QString& objectName);
    static QStringList visibleNames(QObject* below, const QString& prefix);
    void wheel(int notches);

    QPointer<QObject> m_probe;
    QPointer<QObject> m_watchedLogic;
};

} // namespace tarnolix::test
