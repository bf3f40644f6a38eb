#pragma once
// The page kind of a tab: one object per page shown, made by the page's QML
// logic, which sets its tab and then calls initialize() once and
// initializePage() whenever the page is to be filled. It gives the tab its
// title and does the page's work on the program side. Every page kind
// derives from PageStatus; its number is the request kind of the URLs that
// show it.

#include "pages/UrlCreator.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class HTMLCreator;
class TarnolixDB;
class TabStatus;

class PageStatus : public QObject
{
    Q_OBJECT
    Q_PROPERTY(TabStatus* tabStatus READ tabStatus WRITE setTabStatus NOTIFY tabStatusChanged)
    Q_PROPERTY(UrlCreator::QueryType type READ type CONSTANT)
    Q_PROPERTY(QString tabTitle READ tabTitle WRITE setTabTitle NOTIFY tabTitleChanged)

public:
    explicit PageStatus(QObject* parent = nullptr);
    explicit PageStatus(const QString& title, QObject* parent = nullptr);
    ~PageStatus() override;

    // The tab showing the page; not owned, null until QML sets it.
    TabStatus* tabStatus() const;
    void setTabStatus(TabStatus* tabStatus);

    const QString& tabTitle() const { return m_tabTitle; }
    void setTabTitle(const QString& title);

    // The page kind; InvalidQuery for a page kind of no request kind.
    virtual UrlCreator::QueryType type() const;
    // Once, after the page logic has made the object.
    Q_INVOKABLE virtual void initialize();
    // Fills the page.
    Q_INVOKABLE virtual void initializePage();

    // `text` made safe inside a JavaScript string literal (either quote):
    // control characters as escapes and a backslash before each character
    // that quoting or a regular expression would take as syntax.
    static QString escapeJS(const QString& text);

    // Tells the reader about an error; any thread (queued onto the GUI thread).
    static void showError(const QString& message);

    // The application's shared page generator; null while no account
    // runtime is open. GUI thread only.
    static std::shared_ptr<const HTMLCreator> htmlCreator();

signals:
    void tabStatusChanged();
    void tabTitleChanged();

protected:
    // Reads the title on the global thread pool with that thread's library
    // connection, so the GUI thread never waits on the library, and sets it
    // when done; a failure goes to the reader as an error. The lookup's
    // watcher is this page's child: a page gone before the answer drops it.
    void lookUpTabTitle(std::function<QString(TarnolixDB&)> read);

private:
    QPointer<TabStatus> m_tabStatus;
    QString m_tabTitle;
};
