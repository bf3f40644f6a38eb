#pragma once
// What the favorites code needs of the program-wide objects, which it may
// not reach directly: the favorites service, the GUI thread's library
// connection, the shared page generator and the reader's error notices. The
// application object installs its implementation when it is made and
// removes it when it goes; tests install their own.

#include <QString>

#include <exception>
#include <memory>

class FavoriteHelper;
class HTMLCreator;
class TarnolixDB;
class TranslatorMngr;

class FavoritesServices
{
public:
    virtual ~FavoritesServices();

    // GUI thread only: the favorites service of the open account runtime;
    // null while there is none.
    virtual FavoriteHelper* favoriteHelper() = 0;
    // GUI thread only: the GUI thread's library connection; null while no
    // account library is open.
    virtual std::shared_ptr<TarnolixDB> guiDatabase() = 0;
    // GUI thread only: the page generator the reader's pages are built with;
    // null while none is open.
    virtual std::shared_ptr<const HTMLCreator> htmlCreator() = 0;
    // GUI thread only: the interface language, whose change relabels the
    // translated rows of the favorites trees; null when there is none.
    virtual TranslatorMngr* translatorMngr();

    // Any thread: tells the reader, queued onto the GUI thread.
    virtual void postShowError(const QString& message) = 0;
    // GUI thread only: tells the reader at once.
    virtual void showError(const QString& message) = 0;

    // Null when none is installed.
    static FavoritesServices* current();
    static void setCurrent(FavoritesServices* services);
};

// The current services; throws Exception when none is installed.
FavoritesServices& favoritesServices();

// Shows a caught failure to the reader (its what-text taken as UTF-8)
// through the queued error notice; logged only when no services are
// installed.
void showFavoritesException(const std::exception& e);
