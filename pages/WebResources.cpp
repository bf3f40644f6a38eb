#include "pages/WebResources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initTarnolixWebResource()
{
    Q_INIT_RESOURCE(tarnolix_web);
}

void initWebResources()
{
    initTarnolixWebResource();
}
