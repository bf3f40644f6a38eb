#include "app/NativeContextMenu.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QVariantMap>

namespace {

// The last menu built by any instance: deleted when the next one is built.
QPointer<QMenu>& lastMenu()
{
    static QPointer<QMenu> menu;
    return menu;
}

} // namespace

NativeContextMenu::NativeContextMenu(QObject* parent)
    : QObject(parent)
{
}

NativeContextMenu::~NativeContextMenu()
{
    if (m_menu)
        m_menu->deleteLater();
}

bool NativeContextMenu::visible() const
{
    return m_menu && m_menu->isVisible();
}

void NativeContextMenu::open(const QVariantList& entries)
{
    close();
    if (entries.isEmpty())
        return;

    if (lastMenu())
        lastMenu()->deleteLater();
    auto* menu = new QMenu;
    lastMenu() = menu;
    connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);

    for (const QVariant& value : entries) {
        const QVariantMap entry = value.toMap();
        if (entry.value(QStringLiteral("separator")).toBool()) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(entry.value(QStringLiteral("text")).toString());
        action->setEnabled(entry.value(QStringLiteral("enabled"), true).toBool());
        const int index = entry.value(QStringLiteral("index"), 0).toInt();
        // `this` as context: nothing is emitted once this object is gone.
        connect(action, &QAction::triggered, this, [this, index] { emit triggered(index); });
    }

    m_menu = menu;
    connect(menu, &QMenu::aboutToHide, this, [this, menu] {
        if (m_menu != menu)
            return;
        m_menu = nullptr;
        emit aboutToHide();
        emit visibleChanged();
    });
    menu->popup(QCursor::pos());
    emit visibleChanged();
}

void NativeContextMenu::close()
{
    if (m_menu)
        m_menu->close();
}
