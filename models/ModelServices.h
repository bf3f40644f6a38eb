#pragma once
// What the models' workers need of the program-wide objects, which they may
// not reach directly: the application's second thread with its own library
// connection, the favorites service's filter and the queued error notices.
// The application object installs its implementation when it is made and
// removes it when it goes; tests install their own.

#include <QString>

#include <memory>

class QThread;
class TarnolixDB;

// The favorites service's catalogue filter, as the filter worker drives it.
class FavoritesFilter
{
public:
    virtual ~FavoritesFilter();

    // Any thread: filters the favorites by `text` and keeps the result;
    // throws on failure.
    virtual void search(const QString& text) = 0;
    // Any thread: drops the kept result.
    virtual void resetSearch() = 0;
};

class ModelServices
{
public:
    virtual ~ModelServices();

    // Any thread: the second worker thread; null when there is none.
    virtual QThread* secondThread() = 0;
    // On the second thread only: its own library connection; null when it
    // has none (it may also be closed).
    virtual std::shared_ptr<TarnolixDB> secondThreadDatabase() = 0;

    // Any thread: the favorites filter; null while there is no favorites service.
    virtual FavoritesFilter* favoritesFilter() = 0;

    // Any thread: tells the reader, queued onto the GUI thread.
    virtual void postShowError(const QString& message) = 0;
    virtual void postShowError(const QString& title, const QString& message) = 0;

    // Null when none is installed.
    static ModelServices* current();
    static void setCurrent(ModelServices* services);
};
