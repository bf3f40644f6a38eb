#pragma once
// A dialog of qrc:/dialog declared inside a root window of the program's
// base, for tests that drive the dialog alone.

#include "tests/support/AppTestSupport.h"

#include <QByteArray>
#include <QQuickWindow>

#include <memory>

namespace tarnolix::test {

// Loads and shows the root window with `dialog` (QML text) inside; the
// dialog of `objectName`, or null.
inline QQuickWindow* loadDialogWindow(std::unique_ptr<QmlWindow>& window, const QByteArray& dialog,
                                      const QString& objectName)
{
    window = std::make_unique<QmlWindow>();
    const QByteArray root = QByteArray(R"(
import QtQuick 2.15
import Tarnolix 1.0
import "qrc:/"
import "qrc:/dialog"
TarnolixWindow {
    x: 100; y: 80; width: 900; height: 640
    color: Constants.blackBackground
    )") + dialog + "\n}\n";
    if (!window->loadData(root) || !window->show())
        return nullptr;
    return window->window()->findChild<QQuickWindow*>(objectName);
}

} // namespace tarnolix::test
