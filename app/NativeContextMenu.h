#pragma once
// A context menu of the desktop's own kind (a QMenu), built from a list of
// entries that QML hands over; it shows above everything, embedded native
// views included. Not a QML type of the module: the interface variants that
// need it instantiate it themselves.

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QVariantList>

class NativeContextMenu : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool visible READ visible NOTIFY visibleChanged)

public:
    explicit NativeContextMenu(QObject* parent = nullptr);
    ~NativeContextMenu() override;

    bool visible() const;
    // The menu shown now, null when none.
    QMenu* menu() const { return m_menu; }

    // Entries are maps: "separator" (bool), "text", "enabled" (default true),
    // "index" (int, default 0, what `triggered` carries). Closes the menu
    // still shown; an empty list shows nothing. Pops up at the cursor.
    Q_INVOKABLE void open(const QVariantList& entries);
    Q_INVOKABLE void close();

signals:
    void triggered(int index);
    void aboutToHide();
    void visibleChanged();

private:
    QPointer<QMenu> m_menu;
};
