#include "tabs/TabServices.h"

#include "core/Exception.h"

#include <atomic>

namespace {

std::atomic<TabServices*> g_current{nullptr};

} // namespace

TabServices::~TabServices()
{
    TabServices* self = this;
    g_current.compare_exchange_strong(self, nullptr);
}

TabServices* TabServices::current()
{
    return g_current.load();
}

void TabServices::setCurrent(TabServices* services)
{
    g_current.store(services);
}

void TabServices::showErrorOrLog(const QString& title, const QString& message)
{
    if (TabServices* services = current())
        services->showError(title, message);
    else
        qCritical("%s: %s", qUtf8Printable(title), qUtf8Printable(message));
}

TabServices& tabServices()
{
    TabServices* services = TabServices::current();
    if (!services)
        throw Exception("Tab services are not installed");
    return *services;
}
