// The dialog windows: how they close and what they raise, where they show,
// the question and input dialogs' keys, and the settings dialogs.
#include "tests/app_window/WindowTest.h"

#include "core/Settings.h"
#include "tests/support/MessageLog.h"

#include <QQmlComponent>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

using namespace tarnolix::test;

namespace {

// A root window of the program's base with `body` inside.
QByteArray rootWith(const char* body)
{
    return QByteArray(R"(
import QtQuick 2.15
import Tarnolix 1.0
import "qrc:/"
import "qrc:/dialog"
import ")") + fixtureUrl(QString()).toString().toUtf8() + QByteArray(R"("
TarnolixWindow {
    id: root
    x: 100; y: 80; width: 900; height: 640
    color: Constants.blackBackground
)") + body + "\n}\n";
}

class DialogsTest : public WindowTest
{
protected:
    bool openWith(const char* body)
    {
        m_window = std::make_unique<QmlWindow>();
        if (!m_window->loadData(rootWith(body)) || !m_window->show())
            return false;
        return QTest::qWaitForWindowActive(m_window->window());
    }
    QQuickWindow* dialog(const char* name) const
    {
        return m_window->window()->findChild<QQuickWindow*>(QString::fromLatin1(name));
    }
    // Once the dialog shows; activated as a window manager would.
    static bool shown(QQuickWindow* window)
    {
        if (!settle([&] { return window->isExposed(); }))
            return false;
        window->requestActivate();
        return QTest::qWaitForWindowActive(window);
    }
};

TEST_F(DialogsTest, ClosingRaisesRejectedOnceAndAcceptRaisesOnlyAccepted)
{
    ASSERT_TRUE(openWith(R"(
    VDialog {
        id: dialog
        objectName: "dialog"
        width: 300; height: 200
        property int acceptedCount: 0
        property int rejectedCount: 0
        onAccepted: acceptedCount++
        onRejected: rejectedCount++
    })"));
    QQuickWindow* dialog = this->dialog("dialog");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->modality(), Qt::ApplicationModal);
    const struct
    {
        const char* how;
        int accepted;
        int rejected;
    } cases[] = {{"close", 0, 1}, {"accept", 1, 0}, {"reject", 0, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        dialog->setProperty("acceptedCount", 0);
        dialog->setProperty("rejectedCount", 0);
        QMetaObject::invokeMethod(dialog, "open");
        ASSERT_TRUE(shown(dialog));
        // Centred on the root window.
        EXPECT_EQ(dialog->x(), 100 + (900 - 300) / 2);
        EXPECT_EQ(dialog->y(), 80 + (640 - 200) / 2);
        if (QByteArray(c.how) == "close")
            dialog->close(); // as the window's own close button does
        else
            QMetaObject::invokeMethod(dialog, c.how);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(dialog->property("acceptedCount").toInt(), c.accepted);
        EXPECT_EQ(dialog->property("rejectedCount").toInt(), c.rejected);
    }
}

TEST_F(DialogsTest, ADialogWithoutASizeIsNotCentredAndSaysSo)
{
    ASSERT_TRUE(openWith(R"(VDialog { objectName: "dialog"; width: 0; height: 0; x: 7; y: 9 })"));
    MessageLog log;
    QQuickWindow* dialog = this->dialog("dialog");
    QMetaObject::invokeMethod(dialog, "open");
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Width or height is null")));
    QMetaObject::invokeMethod(dialog, "reject");
}

// Escape answers with the reject handler, Return and Enter with the accept handler.
TEST_F(DialogsTest, TheQuestionAnswersByKeysAndButtons)
{
    ASSERT_TRUE(openWith(R"(
    QuestionDlg {
        id: question
        objectName: "question"
        text: "Удалить закладку?"
        message: "Её заметка тоже будет удалена."
        btnRejectText: "Оставить"
        btnAcceptText: "Удалить"
        property var answers: []
        rejectHandler: function() { answers = answers.concat(["reject"]) }
        acceptHandler: function() { answers = answers.concat(["accept"]) }
    })"));
    QQuickWindow* question = dialog("question");
    QMetaObject::invokeMethod(question, "open");
    ASSERT_TRUE(shown(question));
    EXPECT_EQ(question->minimumSize(), question->maximumSize()) << "as large as its content";
    EXPECT_GE(question->width(), int(2 * 60));
    EXPECT_FALSE(screenshotOf(question, QStringLiteral("window-question")).isEmpty());
    QQuickItem* content = itemIn(question, QStringLiteral("questionContent"));
    ASSERT_TRUE(settle([&] { return content->hasActiveFocus(); })) << "the content holds the focus";
    QTest::keyClick(question, Qt::Key_Escape);
    QTest::keyClick(question, Qt::Key_Return);
    QTest::keyClick(question, Qt::Key_Enter);
    click(itemIn(question, QStringLiteral("rejectButton")));
    click(itemIn(question, QStringLiteral("acceptButton")));
    EXPECT_EQ(question->property("answers").toStringList(),
              (QStringList{"reject", "accept", "accept", "reject", "accept"}));
    EXPECT_TRUE(question->isVisible()) << "the handlers decide";
}

TEST_F(DialogsTest, TheInputDialogAcceptsOnlyAnAnswer)
{
    ASSERT_TRUE(openWith(R"(
    InputTextDialog {
        objectName: "input"
        message: "Название папки"
        property int acceptedCount: 0
        onAccepted: acceptedCount++
    })"));
    QQuickWindow* input = dialog("input");
    QMetaObject::invokeMethod(input, "open");
    ASSERT_TRUE(shown(input));
    QQuickItem* field = itemIn(input, QStringLiteral("inputField"));
    ASSERT_TRUE(settle([&] { return field->hasActiveFocus(); })) << "the field takes the focus";
    EXPECT_FALSE(itemIn(input, QStringLiteral("acceptButton"))->isEnabled());
    QTest::keyClick(input, Qt::Key_Return);
    QTest::keyClick(input, Qt::Key_Enter);
    EXPECT_TRUE(input->isVisible());
    EXPECT_EQ(input->property("acceptedCount").toInt(), 0);

    QTest::keyClick(input, Qt::Key_A);
    EXPECT_TRUE(itemIn(input, QStringLiteral("acceptButton"))->isEnabled());
    QTest::keyClick(input, Qt::Key_Return);
    EXPECT_FALSE(input->isVisible());
    EXPECT_EQ(input->property("acceptedCount").toInt(), 1);
    EXPECT_EQ(input->property("text").toString(), QStringLiteral("a"));
}

// The fading page switch: the old page fades out, the new one in; the page
// already shown or an index outside the stack starts nothing.
TEST_F(DialogsTest, TheFadingStackSwitchesOnlyToAnotherPage)
{
    ASSERT_TRUE(openWith(R"(
    StackLayoutAnimation {
        objectName: "stack"
        anchors.fill: parent
        // The first page's opacity when the stack switched away from it.
        property real oldOpacityAtSwitch: -1
        onCurrentIndexChanged: if (currentIndex === 1 && oldOpacityAtSwitch < 0) oldOpacityAtSwitch = children[0].opacity
        Rectangle { objectName: "page0"; color: "red" }
        Rectangle { objectName: "page1"; color: "blue" }
    })"));
    QQuickItem* stack = qml().find(QStringLiteral("stack"));
    QQuickItem* page1 = qml().find(QStringLiteral("page1"));
    MessageLog log;
    stack->setProperty("currentIndexAnimation", 0);
    EXPECT_FALSE(stack->property("animating").toBool());
    stack->setProperty("currentIndexAnimation", 2);
    EXPECT_FALSE(stack->property("animating").toBool());
    EXPECT_TRUE(log.contains(QtCriticalMsg, QStringLiteral("StackLayoutAnimation: Invalid index")));
    EXPECT_EQ(stack->property("currentIndex").toInt(), 0);

    stack->setProperty("currentIndexAnimation", 1);
    ASSERT_TRUE(stack->property("animating").toBool());
    EXPECT_EQ(stack->property("currentIndex").toInt(), 0) << "the switch waits for the fade";
    ASSERT_TRUE(settle([&] { return !stack->property("animating").toBool(); }));
    // Read at the switch itself, so a slow frame cannot hide the order.
    EXPECT_EQ(stack->property("oldOpacityAtSwitch").toReal(), 0.0) << "the old page fades out first";
    EXPECT_EQ(stack->property("currentIndex").toInt(), 1);
    EXPECT_EQ(page1->opacity(), 1.0);

    // Back while a switch runs: it stops, and the stack goes where it was last told.
    stack->setProperty("currentIndexAnimation", 0);
    pause(50);
    stack->setProperty("currentIndexAnimation", 1);
    ASSERT_TRUE(settle([&] { return !stack->property("animating").toBool(); }));
    EXPECT_EQ(stack->property("currentIndex").toInt(), 1);
    EXPECT_EQ(page1->opacity(), 1.0);
}

class SettingsDialogTest : public DialogsTest
{
protected:
    QQuickWindow* openSettings(const char* extra = "")
    {
        const QByteArray body = QByteArray("SettingsDlg { objectName: \"settings\"\n") + extra + "\n}";
        if (!openWith(body.constData()))
            return nullptr;
        QQuickWindow* settings = dialog("settings");
        QMetaObject::invokeMethod(settings, "init");
        QMetaObject::invokeMethod(settings, "show");
        return shown(settings) ? settings : nullptr;
    }
    static QString scaleText(QQuickWindow* settings)
    {
        return itemIn(settings, QStringLiteral("scaleControl"))->findChild<QQuickItem*>(QStringLiteral("value"))
            ->property("text").toString();
    }
    // A large scale makes the dialog scroll; the scale control is near its end.
    static void scrollToEnd(QQuickWindow* settings)
    {
        QObject* flickable = itemIn(settings, QStringLiteral("settingsScroll"))->property("contentItem").value<QObject*>();
        const double end = flickable->property("contentHeight").toDouble() - flickable->property("height").toDouble();
        flickable->setProperty("contentY", qMax(0.0, end));
        pause(30);
    }
    static QQuickItem* scaleButton(QQuickWindow* settings, const char* name)
    {
        return itemIn(settings, QStringLiteral("scaleControl"))->findChild<QQuickItem*>(QString::fromLatin1(name));
    }
};

// The interface scale steps by 0.05 within 75% and 150%, and every window follows it.
TEST_F(SettingsDialogTest, TheScaleStepsWithinItsLimits)
{
    QQuickWindow* settings = openSettings();
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(scaleText(settings), QStringLiteral("100%"));
    EXPECT_FALSE(screenshotOf(settings, QStringLiteral("window-settings")).isEmpty());
    const struct
    {
        const char* button;
        int clicks;
        const char* shown;
        double scale;
    } cases[] = {{"minusButton", 5, "75%", 0.75}, {"plusButton", 15, "150%", 1.5}, {"minusButton", 15, "75%", 0.75}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        for (int i = 0; i < c.clicks; ++i) {
            scrollToEnd(settings);
            QQuickItem* button = scaleButton(settings, c.button);
            ASSERT_TRUE(button->isEnabled()) << "click " << i;
            click(button);
            // The dialog rescales with the setting; let it lay out again.
            pause(30);
        }
        EXPECT_EQ(scaleText(settings), QString::fromLatin1(c.shown));
        EXPECT_EQ(app().settings()->defaultScale(), c.scale);
        EXPECT_FALSE(scaleButton(settings, c.button)->isEnabled());
    }
    EXPECT_EQ(window()->property("dp").toDouble(), 0.75) << "the root window follows";
}

// Toggling "Использовать OpenGL ES" away from its state asks for a restart;
// toggling back does not.
TEST_F(SettingsDialogTest, TheOpenGLESSwitchAsksForARestartOnce)
{
    app().settings()->setUseOpenGLES(false);
    QQuickWindow* settings = openSettings();
    ASSERT_NE(settings, nullptr);
    click(itemIn(settings, QStringLiteral("otherSettingsButton")));
    QQuickWindow* other = settings->findChild<QQuickWindow*>();
    ASSERT_TRUE(settle([&] {
        QObject* loader = settings->findChild<QObject*>(QStringLiteral("settings2Loader"));
        other = loader ? qobject_cast<QQuickWindow*>(loader->property("item").value<QObject*>()) : nullptr;
        return other && other->isExposed();
    }));
    EXPECT_FALSE(screenshotOf(other, QStringLiteral("window-settings-other")).isEmpty());
    QSignalSpy information(&app(), &Tarnolix::informationMessage);
    QQuickItem* box = itemIn(other, QStringLiteral("openGLESBox"));
    click(box);
    EXPECT_TRUE(app().settings()->useOpenGLES());
    closeMessageBoxes();
    click(box);
    EXPECT_FALSE(app().settings()->useOpenGLES());
    EXPECT_EQ(information.count(), 1);
    EXPECT_EQ(information.value(0).value(1).toString(), QStringLiteral("Перезапустите программу для применения изменений"));

    // The other switches write their settings as well.
    const bool debugLogs = app().settings()->debugLogsEnabled();
    click(itemIn(other, QStringLiteral("debugLogsBox")));
    EXPECT_EQ(app().settings()->debugLogsEnabled(), !debugLogs);
    click(itemIn(other, QStringLiteral("debugLogsBox")));
    closeMessageBoxes();
}

// The program-update line against the program updater: its answers and a retry.
TEST_F(SettingsDialogTest, TheProgramUpdateButtonFollowsTheCheck)
{
    QQuickWindow* settings = openSettings(R"(
        autoUpdater: FakeAutoUpdater { objectName: "autoUpdater" }
        updateLoadDialogSource: ")" + fixtureUrl(QStringLiteral("FakeUpdateLoadDlg.qml")).toString().toUtf8() + "\"");
    ASSERT_NE(settings, nullptr);
    QObject* updater = settings->findChild<QObject*>(QStringLiteral("autoUpdater"));
    QQuickItem* button = itemIn(settings, QStringLiteral("programUpdateButton"));
    EXPECT_EQ(updater->property("checks").toInt(), 1) << "init() checks";
    EXPECT_EQ(button->property("text").toString(), QStringLiteral("Подождите..."));
    click(button);
    EXPECT_EQ(updater->property("checks").toInt(), 1) << "nothing while a check runs";

    QMetaObject::invokeMethod(updater, "errorCheckingUpdate");
    EXPECT_EQ(button->property("text").toString(), QStringLiteral("Ошибка"));
    click(button);
    EXPECT_EQ(updater->property("checks").toInt(), 2) << "a click checks again";
    QMetaObject::invokeMethod(updater, "notFindUpdate");
    EXPECT_EQ(button->property("text").toString(), QStringLiteral("Актуальная версия"));
    QMetaObject::invokeMethod(updater, "findValidUpdate", Q_ARG(QString, QStringLiteral("2.2.0")));
    EXPECT_EQ(button->property("text").toString(), QStringLiteral("Доступна версия 2.2.0"));

    // With a new version a click opens the download dialog; rejecting it
    // unloads it, accepting it closes the settings too.
    QObject* loader = settings->findChild<QObject*>(QStringLiteral("updateLoadLoader"));
    click(button);
    QQuickWindow* download = qobject_cast<QQuickWindow*>(loader->property("item").value<QObject*>());
    ASSERT_NE(download, nullptr);
    EXPECT_TRUE(download->isVisible());
    EXPECT_EQ(download->property("loads").toInt(), 1);
    QMetaObject::invokeMethod(download, "reject");
    ASSERT_TRUE(settle([&] { return loader->property("item").value<QObject*>() == nullptr; }));
    click(button);
    download = qobject_cast<QQuickWindow*>(loader->property("item").value<QObject*>());
    ASSERT_NE(download, nullptr);
    QMetaObject::invokeMethod(download, "accept");
    EXPECT_FALSE(settings->isVisible());
}

// The lines' own updaters: the program updater asks the stand-in's list
// (which offers 2.1.28), the library updater has no library open here.
TEST_F(SettingsDialogTest, TheUpdateLinesAskTheProgramsOwnUpdaters)
{
    ASSERT_NE(app().autoUpdater(), nullptr);
    QQuickWindow* settings = openSettings();
    ASSERT_NE(settings, nullptr);
    QQuickItem* programButton = itemIn(settings, QStringLiteral("programUpdateButton"));
    EXPECT_TRUE(programButton->isVisible());
    EXPECT_TRUE(settle([&] { return programButton->property("text").toString() == QStringLiteral("Доступна версия 2.1.28"); }));
    QQuickItem* databaseButton = itemIn(settings, QStringLiteral("databaseUpdateButton"));
    EXPECT_TRUE(databaseButton->isVisible());
    EXPECT_EQ(databaseButton->property("text").toString(), QStringLiteral("Ошибка"));
    EXPECT_EQ(itemIn(settings, QStringLiteral("programVersion"))->property("text").toString(),
              QStringLiteral("Версия программы: ") + app().sVersion());
    EXPECT_EQ(itemIn(settings, QStringLiteral("databaseVersion"))->property("text").toString(),
              QStringLiteral("База книг: загрузка не завершена"));
    EXPECT_EQ(itemIn(settings, QStringLiteral("accessLevel"))->property("text").toString(), QStringLiteral("Гость"));
    EXPECT_EQ(itemIn(settings, QStringLiteral("aiAccess"))->property("text").toString(), QStringLiteral("Нет доступа"));
}

} // namespace
