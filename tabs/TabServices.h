#pragma once
// What the tabs need of the program-wide objects, which they may not reach
// directly: the tab registry, the interface language, the reader's notices
// and the application's favorites relays. The application object installs
// its implementation when it is made and removes it when it goes; tests may
// install their own.

#include "core/TarnolixConstants.h"

#include <QString>

class TabStatusMngr;

class TabServices
{
public:
    virtual ~TabServices();

    // GUI thread only.
    virtual TabStatusMngr& tabStatusMngr() = 0;
    virtual TarnolixConstants::Language interfaceLanguage() = 0;

    // Any thread: the error notice, queued onto the GUI thread.
    virtual void postShowError(const QString& message) = 0;
    // GUI thread only: the reader's notices at once.
    virtual void showError(const QString& title, const QString& message) = 0;
    virtual void showMessage(const QString& title, const QString& message) = 0;
    // GUI thread only: the system clipboard (HTML and text, or text alone).
    virtual void setClipboardText(const QString& text, bool toPlainText) = 0;

    // GUI thread only: clicks on the favorites pages, passed on to the main
    // window's favorites dialogs.
    virtual void favoriteMessageButtonClicked(const QString& favoriteUuid) = 0;
    virtual void favoriteFolderMenuClicked(const QString& favoriteFolderUuid) = 0;
    virtual void favoriteBookMenuClicked(int bookId) = 0;
    virtual void favoriteItemMenuClicked(const QString& favoriteUuid) = 0;
    virtual void favoriteExportClicked() = 0;
    virtual void favoriteImportClicked() = 0;

    // Null when none is installed.
    static TabServices* current();
    static void setCurrent(TabServices* services);
    // Shows a reader error through the installed services; logged as
    // critical when none is installed (tests, shutdown).
    static void showErrorOrLog(const QString& title, const QString& message);
};

// The current services; throws Exception when none is installed.
TabServices& tabServices();
