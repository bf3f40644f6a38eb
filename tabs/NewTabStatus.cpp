#include "tabs/NewTabStatus.h"

NewTabStatus::NewTabStatus(QObject* parent)
    : PageStatus(parent)
{
    retranslate();
}

void NewTabStatus::retranslate()
{
    setTabTitle(tr("Новая вкладка"));
}
