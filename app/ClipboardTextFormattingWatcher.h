#pragma once
// Text copied out of a page reaches the clipboard as HTML too; other
// programs would paste it with the page's formatting. While the current
// tab's web view has the focus, the watcher leaves only the plain text.

#include <QObject>

class Tarnolix;

class ClipboardTextFormattingWatcher : public QObject
{
    Q_OBJECT

public:
    // Reads the current tab (its "webViewActiveFocus") from `app`.
    explicit ClipboardTextFormattingWatcher(Tarnolix& app, QObject* parent = nullptr);

public slots:
    void clipboardDataChanged();

private:
    Tarnolix& m_app;
};
