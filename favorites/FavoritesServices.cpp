#include "favorites/FavoritesServices.h"

#include "core/Exception.h"

#include <QtDebug>

#include <atomic>

namespace {

std::atomic<FavoritesServices*> g_current{nullptr};

} // namespace

FavoritesServices::~FavoritesServices()
{
    FavoritesServices* self = this;
    g_current.compare_exchange_strong(self, nullptr);
}

TranslatorMngr* FavoritesServices::translatorMngr()
{
    return nullptr;
}

FavoritesServices* FavoritesServices::current()
{
    return g_current.load();
}

void FavoritesServices::setCurrent(FavoritesServices* services)
{
    g_current.store(services);
}

FavoritesServices& favoritesServices()
{
    FavoritesServices* services = FavoritesServices::current();
    if (!services)
        throw Exception("Favorites services are not installed");
    return *services;
}

void showFavoritesException(const std::exception& e)
{
    const QString message = QString::fromUtf8(e.what());
    if (FavoritesServices* services = FavoritesServices::current())
        services->postShowError(message);
    else
        qWarning("showFavoritesException: %s", qUtf8Printable(message));
}
