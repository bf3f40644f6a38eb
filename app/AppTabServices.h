#pragma once
// The application object's side of TabServices: the tabs reach the tab
// registry, the interface language, the reader's notices and the
// favorites relays through it. The application object installs one for its
// whole life.

#include "tabs/TabServices.h"

class Tarnolix;

class AppTabServices final : public TabServices
{
public:
    explicit AppTabServices(Tarnolix& app);

    TabStatusMngr& tabStatusMngr() override;
    TarnolixConstants::Language interfaceLanguage() override;
    void postShowError(const QString& message) override;
    void showError(const QString& title, const QString& message) override;
    void showMessage(const QString& title, const QString& message) override;
    void setClipboardText(const QString& text, bool toPlainText) override;
    void favoriteMessageButtonClicked(const QString& favoriteUuid) override;
    void favoriteFolderMenuClicked(const QString& favoriteFolderUuid) override;
    void favoriteBookMenuClicked(int bookId) override;
    void favoriteItemMenuClicked(const QString& favoriteUuid) override;
    void favoriteExportClicked() override;
    void favoriteImportClicked() override;

private:
    Tarnolix& m_app;
};
