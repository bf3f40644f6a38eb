#include "app/AppFavoritesServices.h"

#include "app/Tarnolix.h"
#include "core/TranslatorMngr.h"

AppFavoritesServices::AppFavoritesServices(Tarnolix& app) : m_app(app) {}

FavoriteHelper* AppFavoritesServices::favoriteHelper()
{
    return m_app.favoriteHelperService();
}

std::shared_ptr<TarnolixDB> AppFavoritesServices::guiDatabase()
{
    return m_app.guiDatabase();
}

std::shared_ptr<const HTMLCreator> AppFavoritesServices::htmlCreator()
{
    return m_app.htmlCreator();
}

TranslatorMngr* AppFavoritesServices::translatorMngr()
{
    return m_app.translatorMngr();
}

void AppFavoritesServices::postShowError(const QString& message)
{
    m_app.postShowError(message);
}

void AppFavoritesServices::showError(const QString& message)
{
    m_app.showError(message);
}
