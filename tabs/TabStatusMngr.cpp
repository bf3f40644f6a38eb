#include "tabs/TabStatusMngr.h"

#include <QtGlobal>

TabStatusMngr::TabStatusMngr(QObject* parent)
    : QObject(parent)
{
}

int TabStatusMngr::add(TabStatus* tab)
{
    const int id = ++m_lastId;
    m_tabs.insert(id, tab);
    return id;
}

void TabStatusMngr::erase(int id)
{
    if (m_tabs.remove(id) == 0)
        qWarning("TabStatusMngr::erase: Object not found");
}

TabStatus* TabStatusMngr::getTab(int id) const
{
    TabStatus* tab = m_tabs.value(id, nullptr);
    if (!tab)
        qWarning("TabStatusMngr::getTab: Object not found");
    return tab;
}
