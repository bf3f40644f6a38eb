#pragma once
// The object that the pages of a tab call back through Qt WebChannel, as
// "tabWebChannel" (the shared page script keeps it in g_tabWebChannel):
// footnotes, the transliteration converter, the system clipboard, the open
// book's favorites, and the clicks on the favorites pages, which the
// application passes on. A child of its tab; WebChannel delivers the calls
// on the GUI thread.

#include <QObject>
#include <QString>
#include <QVariant>

class TabStatus;

class TabWebChannel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int tabId READ tabId CONSTANT)
    Q_PROPERTY(QString clipboardText READ clipboardText WRITE setClipboardText NOTIFY clipboardTextChanged)

public:
    // `tab` is borrowed and must outlive the object (its parent).
    TabWebChannel(TabStatus* tab, QObject* parent);

    int tabId() const { return m_tabId; }

    // The system clipboard's plain text; writing replaces it.
    QString clipboardText() const;
    void setClipboardText(const QString& text);

    // The footnote of that number in a message box titled with the number;
    // nothing for anything but a whole number from 1 to 2147483647 (or the
    // text of one, blanks around it allowed).
    Q_INVOKABLE void showFootNote(const QVariant& number, const QString& content);
    // `text` converted between two transliteration schemes (their numbers
    // as decimal texts), on the converter page only; elsewhere, and on any
    // failure, the error is shown and the result is empty.
    Q_INVOKABLE QString convertText(const QString& text, const QString& sSourceEncoding,
                                    const QString& sTargetEncoding, bool useM);
    // The open book has favorites to show buttons for.
    Q_INVOKABLE bool isExistsFovoritesInOpenedBook();

    Q_INVOKABLE void favoriteMessageButtonClicked(const QString& favoriteUuid);
    Q_INVOKABLE void favoriteFolderMenuClicked(const QString& favoriteFolderUuid);
    Q_INVOKABLE void favoriteBookMenuClicked(int bookId);
    Q_INVOKABLE void favoriteItemMenuClicked(const QString& favoriteUuid);
    Q_INVOKABLE void favoriteExportClicked();
    Q_INVOKABLE void favoriteImportClicked();

    // The footnote number that `number` stands for; 0 when it is not one.
    static int footNoteNumber(const QVariant& number);

signals:
    void clipboardTextChanged();

public slots:
    void clipboardDataChanged();

private:
    TabStatus* m_tab;
    int m_tabId;
};
