#pragma once
// Stand-ins around a tab: the QML tab item, page kinds of a chosen type, a
// search page whose search state the test sets, and TabServices of the
// test's own for the cases the application's cannot show.

#include "tabs/PageStatus.h"
#include "tabs/SearchPageStatus.h"
#include "tabs/TabServices.h"
#include "tabs/TabStatusMngr.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>
#include <QVariant>

namespace tarnolix::test {

// The tab item's side of the open operations: records the URLs it is asked to load.
class FakeTabItem : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE void openUrl(const QVariant& url) { urls.append(url.toUrl()); }
    QList<QUrl> urls;
};

// The open-book page logic's side of a numbered move: records each
// "seekSection" call and whether its script and callback were left empty.
class FakeBookLogic : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE void seekSection(const QVariant& code, const QVariant& script, const QVariant& callback)
    {
        codes << code.toString();
        defaultsKept = defaultsKept && !script.isValid() && !callback.isValid();
    }
    QStringList codes;
    bool defaultsKept = true;
};

class FakePage : public PageStatus
{
    Q_OBJECT
public:
    explicit FakePage(UrlCreator::QueryType type) : m_type(type) {}
    UrlCreator::QueryType type() const override { return m_type; }

private:
    UrlCreator::QueryType m_type;
};

class FakeSearchPage : public SearchPageStatus
{
    Q_OBJECT
public:
    explicit FakeSearchPage(UrlCreator::QueryType type) : m_type(type) {}
    UrlCreator::QueryType type() const override { return m_type; }
    int getSearchId() override { return 0; }
    SearchResultsPtr searchResults() override { return nullptr; }
    HiddenSearchResultsPtr hiddenSearchResults() override { return nullptr; }
    void setSearchResultsHidden(const QVariantList&, bool) override {}
    QVariantList visibleSearchResults() override { return {}; }
    using SearchPageStatus::setStatus;

private:
    UrlCreator::QueryType m_type;
};

// Installed while it lives, in place of the application's services.
class FakeTabServices final : public TabServices
{
public:
    FakeTabServices() : m_previous(TabServices::current()) { TabServices::setCurrent(this); }
    ~FakeTabServices() override { TabServices::setCurrent(m_previous); }

    TabStatusMngr& tabStatusMngr() override { return mngr; }
    TarnolixConstants::Language interfaceLanguage() override { return language; }
    void postShowError(const QString& message) override { errors << message; }
    void showError(const QString& title, const QString& message) override { errors << title + message; }
    void showMessage(const QString& title, const QString& message) override { errors << title + message; }
    void setClipboardText(const QString& text, bool toPlainText) override
    {
        clipboard = text;
        clipboardPlain = toPlainText;
    }
    void favoriteMessageButtonClicked(const QString&) override {}
    void favoriteFolderMenuClicked(const QString&) override {}
    void favoriteBookMenuClicked(int) override {}
    void favoriteItemMenuClicked(const QString&) override {}
    void favoriteExportClicked() override {}
    void favoriteImportClicked() override {}

    TabStatusMngr mngr;
    TarnolixConstants::Language language = TarnolixConstants::Russian;
    QStringList errors;
    QString clipboard;
    bool clipboardPlain = true;

private:
    TabServices* m_previous;
};

} // namespace tarnolix::test
