#pragma once
// FavoritesServices for tests: a favorites service, library connection and
// page generator of the test's own, and the error notices collected.
// Installed while it lives; the services it replaced come back after.

#include "favorites/FavoritesServices.h"
#include "pages/HTMLCreator.h"

#include <QStringList>

#include <memory>

namespace tarnolix::test {

class FakeFavoritesServices final : public FavoritesServices
{
public:
    FakeFavoritesServices() : m_previous(FavoritesServices::current()) { FavoritesServices::setCurrent(this); }
    ~FakeFavoritesServices() override { FavoritesServices::setCurrent(m_previous); }

    FavoriteHelper* favoriteHelper() override { return helper; }
    std::shared_ptr<TarnolixDB> guiDatabase() override { return db; }
    std::shared_ptr<const HTMLCreator> htmlCreator() override { return creator; }
    TranslatorMngr* translatorMngr() override { return translator; }
    void postShowError(const QString& message) override { errors << message; }
    void showError(const QString& message) override { errors << message; }

    FavoriteHelper* helper = nullptr;
    std::shared_ptr<TarnolixDB> db;
    std::shared_ptr<const HTMLCreator> creator;
    TranslatorMngr* translator = nullptr;
    QStringList errors;

private:
    FavoritesServices* m_previous;
};

} // namespace tarnolix::test
