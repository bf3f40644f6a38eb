// A reader's session against the stand-in server, as the program shows it:
// the sign-in form with a wrong password and a slow reply, the account the
// server returns, the first library download through its dialog, the main
// window with its real tabs, and the settings asking for the program update
// list. Screenshots of each step go into the build's screenshots/ folder.
#include "tests/app_window/WindowTest.h"

#include "tabs/TabStatus.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QPointer>
#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace tarnolix::test;

namespace {

const QString kWrongPassword = QStringLiteral("not-the-lamp");

class DemoTest : public WindowTest
{
protected:
    // From here on, requests() sees only what the stand-in logs later.
    void markRequests()
    {
        const QJsonArray all = standinRequests(standinOrigin());
        m_mark = all.isEmpty() ? 0 : all.last().toObject().value(QStringLiteral("seq")).toInt();
    }
    // The requests since the mark of `method` whose target starts with `prefix`.
    QList<QJsonObject> requests(const char* method, const QString& prefix) const
    {
        QList<QJsonObject> found;
        const QJsonArray all = standinRequests(standinOrigin());
        for (const QJsonValue& value : all) {
            const QJsonObject request = value.toObject();
            if (request.value(QStringLiteral("seq")).toInt() > m_mark &&
                request.value(QStringLiteral("method")).toString() == QLatin1String(method) &&
                request.value(QStringLiteral("path")).toString().startsWith(prefix))
                found.append(request);
        }
        return found;
    }
    static int replyStatus(const QJsonObject& request) { return request.value(QStringLiteral("status")).toInt(); }

    QQuickItem* generalError() const { return item(QStringLiteral("loginGeneralError")); }
    QQuickItem* loginStack() const { return item(QStringLiteral("loginStack")); }
    QObject* selector() const { return object(QStringLiteral("updateDialogSelector")); }
    QQuickWindow* selectorDialog() const
    {
        return qobject_cast<QQuickWindow*>(selector()->property("dialog").value<QObject*>());
    }

    // Signs in the sample reader and lets a library update that the new
    // account needs run in its dialog to the end, and the indexing after it.
    // True once the main window shows with a library; `downloaded` tells
    // whether this sign-in downloaded it.
    bool signInWithLibrary(bool* downloaded = nullptr)
    {
        if (!signIn(true))
            return false;
        const bool needed = selector()->property("showUpdate").toBool();
        if (downloaded)
            *downloaded = needed;
        if (needed) {
            QString failure;
            const bool finished = settle(
                [&] {
                    QQuickWindow* dialog = selectorDialog();
                    const int status = dialog && dialog->title() == QStringLiteral("Обновление базы")
                                           ? dialog->property("status").toInt() : 0;
                    if (status == 7 || status == 8) {
                        failure = itemIn(dialog, QStringLiteral("errorText"))->property("text").toString();
                        return true;
                    }
                    if (status == 2 && !m_downloadShot) {
                        m_downloadShot = true;
                        EXPECT_FALSE(screenshotOf(dialog, QStringLiteral("demo-library-download")).isEmpty());
                    }
                    return !selector()->property("showUpdate").toBool();
                },
                120000);
            EXPECT_TRUE(finished) << "the library download did not end";
            EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
            if (!finished || !failure.isEmpty())
                return false;
        }
        // The indexing dialog goes when the books are indexed.
        return settle([&] { return selectorDialog() == nullptr; }, 120000);
    }

    QObject* tabs() const { return item(QStringLiteral("mainWindow"))->property("tabControl").value<QObject*>(); }
    QQuickItem* currentTab() const { return tabs()->property("currentTab").value<QQuickItem*>(); }
    static TabStatus* statusOf(QQuickItem* tab) { return tab->property("status").value<TabStatus*>(); }
    // The tab's page loaded and shown.
    static bool pageShown(QQuickItem* tab)
    {
        QObject* view = tab->property("webView").value<QObject*>();
        return settle([&] { return !view->property("loading").toBool() && view->property("opacity").toDouble() == 1.0; },
                      20000);
    }
    // What a script in the tab's page answers.
    QVariant runInTab(QQuickItem* tab, const QString& script)
    {
        QQmlComponent component(&qml().engine());
        component.setData(R"(
import QtQuick 2.15
QtObject {
    property var result
    property bool answered: false
    function run(tab, script) { tab.runScript(script, function(r) { result = r; answered = true }) }
})", QUrl());
        std::unique_ptr<QObject> runner(component.create());
        if (!runner) {
            ADD_FAILURE() << component.errorString().toStdString();
            return {};
        }
        QMetaObject::invokeMethod(runner.get(), "run", Q_ARG(QVariant, QVariant::fromValue<QObject*>(tab)),
                                  Q_ARG(QVariant, script));
        if (!settle([&] { return runner->property("answered").toBool(); }, 10000)) {
            ADD_FAILURE() << "no answer to " << script.toStdString();
            return {};
        }
        return runner->property("result");
    }

    int m_mark = 0;
    bool m_downloadShot = false;
};

// The form against the server: its refusal shown as the server words it,
// the busy page only for a reply slower than half a second, and the account
// the server returns in the header.
TEST_F(DemoTest, TheSignInFormAnswersTheStandinsReplies)
{
    ASSERT_TRUE(openRoot());
    EXPECT_FALSE(generalError()->isVisible());
    EXPECT_FALSE(qml().screenshot(QStringLiteral("demo-sign-in-form")).isEmpty());

    markRequests();
    delayNextRequest(QStringLiteral("/auth/login"), 200);
    QSignalSpy switches(loginStack(), SIGNAL(currentIndexAnimationChanged()));
    submitSignIn(kReaderEmail, kWrongPassword);
    ASSERT_TRUE(settle([&] { return generalError()->isVisible(); }, 10000));
    EXPECT_EQ(generalError()->property("text").toString(), QStringLiteral("Неверный e-mail или пароль"));
    pause(600);
    EXPECT_EQ(switches.count(), 0) << "a reply within half a second shows no busy page";
    const QList<QJsonObject> refused = requests("POST", QStringLiteral("/auth/login"));
    ASSERT_EQ(refused.size(), 1);
    EXPECT_EQ(replyStatus(refused.at(0)), 401);
    EXPECT_TRUE(refused.at(0).value(QStringLiteral("body")).toString().contains(kWrongPassword));
    EXPECT_FALSE(app().runtimeReady());
    EXPECT_FALSE(qml().screenshot(QStringLiteral("demo-sign-in-wrong-password")).isEmpty());

    markRequests();
    delayNextRequest(QStringLiteral("/auth/login"), 3000);
    // The library download waits for the account refresh; a slow refresh
    // leaves time to keep it out of this test.
    delayNextRequest(QStringLiteral("/user"), 1500);
    QPointer<QQuickItem> stack = loginStack();
    submitSignIn(kReaderEmail, kReaderPassword);
    ASSERT_TRUE(settle([&] { return !stack || (stack->property("currentIndex").toInt() == 1 &&
                                               !stack->property("animating").toBool()); }, 3000));
    ASSERT_FALSE(stack.isNull()) << "a slow reply shows the busy page before the main window";
    EXPECT_EQ(stack->property("currentIndex").toInt(), 1) << "a slow reply shows the busy page";
    EXPECT_TRUE(item(QStringLiteral("loginBusyIndicator"))->isVisible());
    EXPECT_FALSE(qml().screenshot(QStringLiteral("demo-sign-in-busy")).isEmpty());
    ASSERT_TRUE(settle([&] { return item(QStringLiteral("mainWindow")) != nullptr; }, 15000));
    selector()->setProperty("updateDialogSource", QUrl());
    const QList<QJsonObject> accepted = requests("POST", QStringLiteral("/auth/login"));
    ASSERT_EQ(accepted.size(), 1);
    EXPECT_EQ(replyStatus(accepted.at(0)), 200);

    // The account refresh asks for the user with the token of this sign-in.
    ASSERT_TRUE(settle([&] { return app().initializer() == nullptr; }, 10000));
    const QList<QJsonObject> users = requests("GET", QStringLiteral("/user"));
    ASSERT_FALSE(users.isEmpty());
    EXPECT_EQ(replyStatus(users.constLast()), 200);
    EXPECT_FALSE(loggedHeader(users.constLast(), QStringLiteral("Api-Authorization")).toString().isEmpty());
    EXPECT_EQ(item(QStringLiteral("userNameButton"))->property("text").toString(), QStringLiteral("Вера Читаева"));
    EXPECT_TRUE(app().isAuthorized());
}

// The first sign-in of the account downloads its library through the update
// dialog; the main window then shows the first tab's new-tab page beside the
// catalogue, and the settings show the library and the program update the
// stand-in's Linux list offers.
TEST_F(DemoTest, TheFirstLibraryDownloadFillsTheMainWindowAndTheSettings)
{
    ASSERT_TRUE(openRoot());
    markRequests();
    bool downloaded = false;
    ASSERT_TRUE(signInWithLibrary(&downloaded));
    ASSERT_TRUE(downloaded) << "the account's first sign-in in this run needs its library";
    EXPECT_FALSE(app().isNeedUpdateDatabase());
    const QList<QJsonObject> lists = requests("GET", QStringLiteral("/books/books?time=0"));
    ASSERT_FALSE(lists.isEmpty()) << "the account's whole list";
    for (const QJsonObject& request : lists)
        EXPECT_EQ(replyStatus(request), 200);
    QStringList books;
    for (const QJsonObject& request : requests("GET", QStringLiteral("/books/download/"))) {
        EXPECT_EQ(replyStatus(request), 200);
        books.append(request.value(QStringLiteral("path")).toString().section(QLatin1Char('/'), -1));
    }
    books.sort();
    EXPECT_EQ(books, (QStringList{"101", "102", "103", "104", "105", "106", "107"})) << "every book of the full level";

    QQuickItem* tab = currentTab();
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(tabs()->property("count").toInt(), 1);
    ASSERT_TRUE(pageShown(tab));
    EXPECT_EQ(statusOf(tab)->pageType(), UrlCreator::NewTab);
    const QString text = runInTab(tab, QStringLiteral("document.body.innerText")).toString();
    EXPECT_TRUE(text.contains(QStringLiteral("Новая вкладка"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("из каталога (слева)"))) << text.toStdString();
    EXPECT_TRUE(item(QStringLiteral("catalogPanel"))->isVisible());
    pause(300);
    EXPECT_FALSE(qml().screenshot(QStringLiteral("demo-main-window-after-download")).isEmpty());

    // The settings: the program's own updater asks the Linux list.
    markRequests();
    QQuickWindow* settings = openSettingsByMenu();
    ASSERT_NE(settings, nullptr);
    QQuickItem* programButton = itemIn(settings, QStringLiteral("programUpdateButton"));
    ASSERT_TRUE(settle([&] { return programButton->property("text").toString() == QStringLiteral("Доступна версия 2.1.28"); },
                       10000));
    const QList<QJsonObject> updateLists = requests("GET", QStringLiteral("/app-update/list/linux/"));
    ASSERT_EQ(updateLists.size(), 1);
    EXPECT_EQ(updateLists.at(0).value(QStringLiteral("path")).toString(), QStringLiteral("/app-update/list/linux/ru"));
    EXPECT_EQ(replyStatus(updateLists.at(0)), 200);
    QQuickItem* databaseButton = itemIn(settings, QStringLiteral("databaseUpdateButton"));
    EXPECT_TRUE(settle([&] { return databaseButton->property("text").toString() == QStringLiteral("Обновлений нет"); },
                       10000));
    EXPECT_NE(itemIn(settings, QStringLiteral("databaseVersion"))->property("text").toString(),
              QStringLiteral("База книг: загрузка не завершена"));
    EXPECT_EQ(itemIn(settings, QStringLiteral("accessLevel"))->property("text").toString(), QStringLiteral("full"));
    pause(200);
    EXPECT_FALSE(screenshotOf(settings, QStringLiteral("demo-settings")).isEmpty());
    settings->close();
}

// The main window with its real tab control: a tab switch asked for while
// the content settings bar slides is ignored, and acts once it rests.
TEST_F(DemoTest, TheRealTabsIgnoreASwitchWhileTheBarSlides)
{
    ASSERT_TRUE(openRoot());
    ASSERT_TRUE(signInWithLibrary());
    QQuickItem* first = currentTab();
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(pageShown(first));
    EXPECT_EQ(statusOf(first)->pageType(), UrlCreator::NewTab);

    click(item(QStringLiteral("addTabButton")));
    ASSERT_EQ(tabs()->property("count").toInt(), 2);
    QQuickItem* second = currentTab();
    ASSERT_NE(second, first);
    ASSERT_TRUE(pageShown(second));
    QMetaObject::invokeMethod(tabs(), "selectTab", Q_ARG(QVariant, 0));
    ASSERT_EQ(currentTab(), first) << "a switch at rest acts at once";

    const QUrl book(QStringLiteral("tarnolix://openbook.ru/Book-101?catalogTab=Names&tabId=%1").arg(statusOf(first)->id()));
    QMetaObject::invokeMethod(first, "openUrl", Q_ARG(QVariant, book));
    ASSERT_TRUE(settle([&] { return statusOf(first)->pageType() == UrlCreator::OpenBook; }, 20000));
    ASSERT_TRUE(pageShown(first));
    QQuickItem* bookMode = item(QStringLiteral("bookModeButton"));
    ASSERT_TRUE(settle([&] { return bookMode->isEnabled(); }));
    click(bookMode);
    ASSERT_TRUE(settle([&] { return statusOf(first)->bookMode(); }));

    // The switch is asked for as the slide starts, whatever the machine's
    // speed: a slow one may end the 100 ms slide within one event.
    QQmlComponent watcher(&qml().engine());
    watcher.setData(R"(
import QtQuick 2.15
Connections {
    property QtObject tabs
    property var tabDuringSlide: null
    property bool asked: false
    function onContentSettingsSlidingChanged() {
        if (target.contentSettingsSliding && !asked) {
            asked = true
            tabs.selectTab(1)
            tabDuringSlide = tabs.currentTab
        }
    }
})", QUrl());
    std::unique_ptr<QObject> watch(watcher.beginCreate(qml().engine().rootContext()));
    ASSERT_NE(watch, nullptr) << watcher.errorString().toStdString();
    watch->setProperty("target", QVariant::fromValue<QObject*>(item(QStringLiteral("mainWindow"))));
    watch->setProperty("tabs", QVariant::fromValue(tabs()));
    watcher.completeCreate();

    click(item(QStringLiteral("contentSettingsButton")));
    ASSERT_TRUE(settle([&] { return watch->property("asked").toBool(); })) << "the bar slides";
    EXPECT_EQ(watch->property("tabDuringSlide").value<QObject*>(), first) << "ignored during the slide";
    ASSERT_TRUE(settle([&] { return !item(QStringLiteral("mainWindow"))->property("contentSettingsSliding").toBool(); }));
    EXPECT_EQ(currentTab(), first);
    EXPECT_TRUE(item(QStringLiteral("contentSettings"))->isVisible());
    watch.reset();
    EXPECT_TRUE(pageShown(first));
    pause(300);
    EXPECT_FALSE(qml().screenshot(QStringLiteral("demo-book-mode-content-settings")).isEmpty());

    // At rest the switch acts; the second tab is not in book mode, so the
    // bar goes back behind the header.
    QMetaObject::invokeMethod(tabs(), "selectTab", Q_ARG(QVariant, 1));
    EXPECT_EQ(currentTab(), second);
    EXPECT_FALSE(app().curTabBookMode());
    EXPECT_TRUE(settle([&] { return !item(QStringLiteral("contentSettings"))->isVisible(); }));
}

} // namespace
