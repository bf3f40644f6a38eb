#pragma once
// The program's notice board: code that changes the library announces it here
// from any thread through the emit slots; each signal is then emitted on the
// object's own (GUI) thread, always queued, in the order of the calls.

#include "core/TarnolixConstants.h"

#include <QObject>

#include <atomic>

class TarnolixEvents : public QObject
{
    Q_OBJECT

public:
    explicit TarnolixEvents(QObject* parent = nullptr);
    ~TarnolixEvents() override;

    // The instance announcers reach: set by the application object, or by a
    // test. Null until set and again once that instance is destroyed.
    static TarnolixEvents* current();
    static void setCurrent(TarnolixEvents* events);

signals:
    void booksForIndexingChanged();
    void booksForLoadCoversChanged();
    void rersonForLoadPhotoChanged();
    void booksBaseChanged(TarnolixConstants::Language language);
    void dbAllDataDeleted();
    void glossaryTreeChanged();
    void databaseUpdaterActiveChanged();
    void databaseUpdateFinished();
    void bookContentChanged(int bookId);

public slots:
    void emitBooksForIndexingChanged();
    void emitBooksForLoadCoversChanged();
    void emitPersonForLoadPhotoChanged();
    void emitBooksBaseChanged(TarnolixConstants::Language language);
    void emitDBAllDataDeleted();
    void emitGlossaryTreeChanged();
    void emitDatabaseUpdaterActiveChanged();
    void emitDatabaseUpdateFinished();
    void emitBookContentChanged(int bookId);

private:
    static std::atomic<TarnolixEvents*> s_current;
};
