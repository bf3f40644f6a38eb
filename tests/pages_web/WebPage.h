#pragma once
// A real web view under Xvfb, set up as a tab's view (PageView.qml), for the
// page scripts and the style sheet: pages come from a scheme handler, scripts
// run through runJavaScript, console lines are collected, and the stand-in
// "tabWebChannel" records the calls the pages make.

#include "tests/support/AppTestSupport.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QVariantList>
#include <QWebEngineUrlSchemeHandler>

#include <memory>

namespace tarnolix::test {

// Receives what the QML side reports (script results, console, loading).
class ScriptProbe : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE void finished(int requestId, const QVariant& result);
    Q_INVOKABLE void console(int level, const QString& message);
    Q_INVOKABLE void loaded(bool ok);

    QHash<int, QVariant> results;
    QStringList consoleLines;
    int loads = 0;
    bool lastLoadOk = false;
};

// Stands in for the tab's web-channel object: records what pages call.
class FakeTabWebChannel : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE bool isExistsFovoritesInOpenedBook();
    Q_INVOKABLE void showFootNote(const QVariant& number, const QString& content);

    bool favoritesExist = false;
    int favoritesQueries = 0;
    QVariantList footNotes; // [number, content] per call
};

// Serves fixture pages by host and path, and the program's web resources
// under "/resource/web/" from ":/web/".
class FixturePages : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    void setPage(const QUrl& url, const QByteArray& html);
    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    QHash<QString, QByteArray> m_pages;
};

// A view of the test executable; instance() is the one with fixture pages
// (web engine start-up is costly: make few).
class WebPage
{
public:
    static WebPage& instance();

    // A view whose profile has `handler` (borrowed, outliving the view) in
    // place of the fixture pages.
    explicit WebPage(QWebEngineUrlSchemeHandler* handler);

    // Serves `html` at `url` (fixture pages), then load(url).
    bool open(const QUrl& url, const QByteArray& html);
    // Loads `url` as the program does (no initiator) and waits until it has
    // loaded and the web channel is connected; clears the console lines first.
    bool load(const QUrl& url);

    // Runs a script in the page's main world and returns its value.
    QVariant run(const QString& script, int timeoutMs = 10000);
    // Runs until the script's value is true.
    bool waitFor(const QString& condition, int timeoutMs = 5000);

    QStringList console() const { return m_probe.consoleLines; }
    bool consoleHas(const QString& text) const;
    void clearConsole() { m_probe.consoleLines.clear(); }

    FakeTabWebChannel& channel() { return m_channel; }
    QmlWindow& window() { return *m_window; }
    void resize(int width, int height);
    QString screenshot(const QString& name);

private:
    ScriptProbe m_probe;
    FakeTabWebChannel m_channel;
    FixturePages m_pages;
    std::unique_ptr<QmlWindow> m_window;
    QObject* m_root = nullptr;
    int m_nextRequest = 1;
};

// ---- Documents of the page generator ----

struct FrameOptions
{
    QByteArray colorClass = "light";
    QByteArray hideClasses;          // e.g. " hide-comment"
    QByteArrayList scripts;          // under /resource/web/js/
    QByteArray onClick;
    double zoom = 1.0;
};

// The page frame, the content element holding `content`, and the closing tags.
QByteArray pageDocument(const FrameOptions& options, const QByteArray& content = {});
// The reader page shell of an open book.
QByteArray bookPageShell(const QByteArray& colorClass = "light", double zoom = 1.0);

struct ParagraphFixture
{
    QString kindClass; // "paragraph--type-..." or empty
    QString label;     // verse-part label, empty for none
    QString html;      // the paragraph's text
};

// One book section fragment with its favorite buttons (UUIDs) first.
QString sectionHtml(const QString& code, int index, const QString& title, const QList<ParagraphFixture>& paragraphs,
                    const QStringList& favoriteButtons = {}, const QString& bookTitle = {});
// The same, with `count` plain text paragraphs of a few lines each.
QString longSectionHtml(const QString& code, int index, int count = 8);

// The value of a script in the one view, as text or as a number.
QString scriptText(const QString& script);
double scriptNumber(const QString& script);

// A JavaScript string literal of `text` (for calls such as appendSection(...)).
QString jsString(const QString& text);

} // namespace tarnolix::test
