// The reader's notices: native message dialogs one at a time in arrival
// order, message popups likewise, and the two kinds side by side.
#include "tests/app_window/WindowTest.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

using namespace tarnolix::test;

namespace {

class NoticesTest : public WindowTest
{
protected:
    // The one visible message box's text; empty when none or several show.
    static QString shownNotice()
    {
        const QList<QMessageBox*> boxes = visibleMessageBoxes();
        return boxes.size() == 1 ? boxes.constFirst()->text() : QString();
    }
    QObject* popup() const { return object(QStringLiteral("messagePopup")); }
    static bool opened(QObject* popup) { return popup && popup->property("opened").toBool(); }
};

TEST_F(NoticesTest, ErrorsShowOneNativeDialogAtATimeInTurn)
{
    ASSERT_TRUE(openRoot());
    app().showError(QStringLiteral("первая"));
    app().showWarning(QStringLiteral("вторая"));
    app().showInformation(QStringLiteral("третья"));
    for (const QString& expected : {QStringLiteral("первая"), QStringLiteral("вторая"), QStringLiteral("третья")}) {
        ASSERT_TRUE(settle([&] { return !visibleMessageBoxes().isEmpty(); }));
        pause(100);
        ASSERT_EQ(visibleMessageBoxes().size(), 1);
        EXPECT_EQ(shownNotice(), expected);
        clickOk(visibleMessageBoxes().constFirst());
    }
    pause(100);
    EXPECT_TRUE(visibleMessageBoxes().isEmpty());
    EXPECT_FALSE(window()->property("noticeShown").toBool());

    // The queue is free again: the next notice shows at once.
    app().showError(QStringLiteral("четвёртая"));
    ASSERT_TRUE(settle([&] { return shownNotice() == QStringLiteral("четвёртая"); }));
}

TEST_F(NoticesTest, AnErrorAndAMessageShowADialogAndAPopupAtOnce)
{
    ASSERT_TRUE(openRoot());
    app().showError(QStringLiteral("Ошибка сети"));
    app().showMessage(QStringLiteral("Заголовок"), QStringLiteral("Первое сообщение"));
    app().showMessage(QStringLiteral("Второе"), QStringLiteral("Второе сообщение"));
    ASSERT_TRUE(settle([&] { return !visibleMessageBoxes().isEmpty() && opened(popup()); }));
    EXPECT_EQ(shownNotice(), QStringLiteral("Ошибка сети"));
    QObject* first = popup();
    EXPECT_EQ(first->property("title").toString(), QStringLiteral("Заголовок"));
    EXPECT_EQ(first->property("text").toString(), QStringLiteral("Первое сообщение"));
    clickOk(visibleMessageBoxes().constFirst());
    EXPECT_FALSE(qml().screenshot(QStringLiteral("window-message-popup")).isEmpty());

    // Messages also wait their turn; the popup's button closes it.
    click(itemIn(first, QStringLiteral("messageOkButton")));
    ASSERT_TRUE(settle([&] {
        QObject* next = popup();
        return next && next != first && opened(next);
    }));
    EXPECT_EQ(popup()->property("text").toString(), QStringLiteral("Второе сообщение"));
    QTest::keyClick(window(), Qt::Key_Escape);
    ASSERT_TRUE(settle([&] { return popup() == nullptr; }));
    EXPECT_FALSE(window()->property("messageShown").toBool());
}

// A notice whose parent window goes away unanswered does not hold up the next.
TEST_F(NoticesTest, ANoticeGoneWithItsParentWindowDoesNotBlockTheNext)
{
    ASSERT_TRUE(openRoot());
    auto other = std::make_unique<QmlWindow>();
    ASSERT_TRUE(other->loadData("import QtQuick.Window 2.15\nWindow { width: 200; height: 100 }"));
    ASSERT_TRUE(other->show());
    ASSERT_TRUE(QTest::qWaitForWindowActive(other->window()));
    ASSERT_EQ(app().getParentWindowForPopup(), other->window());
    app().showError(QStringLiteral("осиротевшая"));
    ASSERT_TRUE(settle([] { return shownNotice() == QStringLiteral("осиротевшая"); }));
    other.reset();
    ASSERT_TRUE(settle([] { return visibleMessageBoxes().isEmpty(); }));
    app().showError(QStringLiteral("следующая"));
    EXPECT_TRUE(settle([] { return shownNotice() == QStringLiteral("следующая"); }));
}

// "Копировать" copies the selection, or without one the whole message as plain text.
TEST_F(NoticesTest, CopyTakesTheSelectionOrTheWholeMessageAsPlainText)
{
    ASSERT_TRUE(openRoot());
    app().showMessage(QStringLiteral("Копия"), QStringLiteral("<b>Жирный</b> и обычный текст"));
    ASSERT_TRUE(settle([&] { return opened(popup()); }));
    QQuickItem* text = itemIn(popup(), QStringLiteral("messageText"));
    ASSERT_NE(text, nullptr);
    pause(250);

    const auto copyByMenu = [&] {
        QGuiApplication::clipboard()->clear();
        click(text, Qt::RightButton);
        // The menu's items outlive its closing: wait for this opening.
        QObject* menu = nullptr;
        QQuickItem* copy = nullptr;
        ASSERT_TRUE(settle([&] {
            menu = popup() ? popup()->findChild<QObject*>(QStringLiteral("messageContextMenu")) : nullptr;
            copy = itemIn(popup(), QStringLiteral("copyItem"));
            return menu && menu->property("opened").toBool() && copy && copy->window() && copy->height() > 0;
        }));
        pause(150);
        ASSERT_TRUE(copy->isEnabled());
        click(copy);
        ASSERT_TRUE(settle([] { return !QGuiApplication::clipboard()->text().isEmpty(); }));
        // A menu still fading out does not open again.
        ASSERT_TRUE(settle([&] { return !menu->property("visible").toBool(); }));
    };
    copyByMenu();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Жирный и обычный текст"));

    // A double click selects the first word.
    const QPointF first = text->mapToScene(QPointF(20, text->height() / 2));
    QTest::mouseDClick(window(), Qt::LeftButton, Qt::NoModifier, first.toPoint());
    ASSERT_EQ(text->property("selectedText").toString(), QStringLiteral("Жирный"));
    copyByMenu();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Жирный"));
}

} // namespace
