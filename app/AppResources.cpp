#include "app/AppResources.h"

#include "pages/WebResources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initTarnolixQmlResource()
{
    Q_INIT_RESOURCE(tarnolix_qml);
}

void initAppResources()
{
    initTarnolixQmlResource();
    initWebResources();
}
