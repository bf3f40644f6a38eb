#pragma once
// The registry of the open tabs: hands out tab ids (1, 2, 3, ... in a run,
// never reused) and finds a tab by its id, as URLs made for a tab carry it.
// One, owned by the application object; GUI thread only.

#include <QMap>
#include <QObject>

class TabStatus;

class TabStatusMngr : public QObject
{
    Q_OBJECT

public:
    explicit TabStatusMngr(QObject* parent = nullptr);

    // The new tab's id.
    int add(TabStatus* tab);
    // An unknown id only warns.
    void erase(int id);
    // Null, with a warning, for an unknown id.
    TabStatus* getTab(int id) const;

private:
    QMap<int, TabStatus*> m_tabs;
    int m_lastId = 0;
};
