#pragma once
// What the page code needs of the program-wide objects, which it may not
// reach directly: the GUI thread's library connection, the reader's error
// notice, the glossary tree and the shared page generator. The application object installs its
// implementation when it is made and removes it when it goes; tests install
// their own.

#include <QString>

#include <memory>

class GlossaryContainer;
class HTMLCreator;
class TarnolixDB;

class PageServices
{
public:
    virtual ~PageServices();

    // GUI thread only: the GUI thread's open library connection. Throws
    // Exception when no account library is open.
    virtual TarnolixDB& guiDatabase() = 0;

    // GUI thread only: tells the reader about an error.
    virtual void showError(const QString& message) = 0;

    // Any thread: showError later, on the GUI thread. By default through
    // the services installed when the notice arrives.
    virtual void postShowError(const QString& message);

    // GUI thread only: a notice that is no error. By default shown as an
    // error, so that it is never lost.
    virtual void showMessage(const QString& message) { showError(message); }

    // Any thread: the glossary tree in its lookup form; null while none is
    // loaded.
    virtual std::shared_ptr<const GlossaryContainer> glossaryContainer() = 0;

    // GUI thread only: the page generator of the open account runtime; null
    // while none is open (and in services that have none).
    virtual std::shared_ptr<const HTMLCreator> htmlCreator() { return nullptr; }

    // Null when none is installed.
    static PageServices* current();
    static void setCurrent(PageServices* services);
};

// The current services; throws Exception when none is installed.
PageServices& pageServices();
