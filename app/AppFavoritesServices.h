#pragma once
// The application object's side of FavoritesServices: the favorites code
// reaches the favorites service, the GUI thread's connection, the page
// generator and the reader's notices through it. The application object
// installs one for its whole life.

#include "favorites/FavoritesServices.h"

class Tarnolix;

class AppFavoritesServices final : public FavoritesServices
{
public:
    explicit AppFavoritesServices(Tarnolix& app);

    FavoriteHelper* favoriteHelper() override;
    std::shared_ptr<TarnolixDB> guiDatabase() override;
    std::shared_ptr<const HTMLCreator> htmlCreator() override;
    TranslatorMngr* translatorMngr() override;
    void postShowError(const QString& message) override;
    void showError(const QString& message) override;

private:
    Tarnolix& m_app;
};
