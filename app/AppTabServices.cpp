#include "app/AppTabServices.h"

#include "app/Tarnolix.h"
#include "core/TranslatorMngr.h"

AppTabServices::AppTabServices(Tarnolix& app)
    : m_app(app)
{
}

TabStatusMngr& AppTabServices::tabStatusMngr()
{
    return *m_app.tabStatusMngr();
}

TarnolixConstants::Language AppTabServices::interfaceLanguage()
{
    return m_app.translatorMngr()->language();
}

void AppTabServices::postShowError(const QString& message)
{
    m_app.postShowError(message);
}

void AppTabServices::showError(const QString& title, const QString& message)
{
    m_app.showError(title, message);
}

void AppTabServices::showMessage(const QString& title, const QString& message)
{
    m_app.showMessage(title, message);
}

void AppTabServices::setClipboardText(const QString& text, bool toPlainText)
{
    m_app.setClipboardText(text, toPlainText);
}

void AppTabServices::favoriteMessageButtonClicked(const QString& favoriteUuid)
{
    emit m_app.favoriteMessageButtonClicked(favoriteUuid);
}

void AppTabServices::favoriteFolderMenuClicked(const QString& favoriteFolderUuid)
{
    emit m_app.favoriteFolderMenuClicked(favoriteFolderUuid);
}

void AppTabServices::favoriteBookMenuClicked(int bookId)
{
    emit m_app.favoriteBookMenuClicked(bookId);
}

void AppTabServices::favoriteItemMenuClicked(const QString& favoriteUuid)
{
    emit m_app.favoriteItemMenuClicked(favoriteUuid);
}

void AppTabServices::favoriteExportClicked()
{
    emit m_app.favoriteExportClicked();
}

void AppTabServices::favoriteImportClicked()
{
    emit m_app.favoriteImportClicked();
}
