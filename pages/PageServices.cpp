#include "pages/PageServices.h"

#include "core/Exception.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <atomic>

namespace {

std::atomic<PageServices*> g_current{nullptr};

} // namespace

PageServices::~PageServices()
{
    PageServices* self = this;
    g_current.compare_exchange_strong(self, nullptr);
}

void PageServices::postShowError(const QString& message)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        qWarning("postShowError: no application: %s", qUtf8Printable(message));
        return;
    }
    QMetaObject::invokeMethod(
        app,
        [message] {
            if (PageServices* services = current())
                services->showError(message);
        },
        Qt::QueuedConnection);
}

PageServices* PageServices::current()
{
    return g_current.load();
}

void PageServices::setCurrent(PageServices* services)
{
    g_current.store(services);
}

PageServices& pageServices()
{
    PageServices* services = PageServices::current();
    if (!services)
        throw Exception("Page services are not installed");
    return *services;
}
