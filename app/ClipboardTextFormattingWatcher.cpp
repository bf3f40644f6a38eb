#include "app/ClipboardTextFormattingWatcher.h"

#include "app/Tarnolix.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTextDocument>

ClipboardTextFormattingWatcher::ClipboardTextFormattingWatcher(Tarnolix& app, QObject* parent)
    : QObject(parent)
    , m_app(app)
{
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &ClipboardTextFormattingWatcher::clipboardDataChanged);
}

void ClipboardTextFormattingWatcher::clipboardDataChanged()
{
    QObject* tab = m_app.curTabStatus();
    if (!tab || !tab->property("webViewActiveFocus").toBool())
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard->mimeData();
    if (!data || !data->hasHtml())
        return;
    QString text = data->text();
    if (!data->hasText()) {
        QTextDocument document;
        document.setHtml(data->html());
        text = document.toPlainText();
    }
    // Setting plain text changes the clipboard again; that change holds no HTML.
    clipboard->setText(text);
    qInfo("Clipboar text formatting was cleared");
}
