#pragma once
// The hidden debug window's tools: adding a book archive by hand, deleting
// every book, and running a script file in the current tab's page logic.
// Adding and deleting books go through the library update engine; it hands
// them in (setBookSaver, setBookDeleter) once it exists.

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class Tarnolix;
class TarnolixDB;

class DebugHelper : public QObject
{
    Q_OBJECT

public:
    // Stores a downloaded book archive (a zip file) in the library.
    using BookSaver = std::function<void(const QString& archivePath)>;
    // Deletes the given books from the library on this connection.
    using BookDeleter = std::function<void(TarnolixDB& db, const std::vector<int>& bookIds)>;

    explicit DebugHelper(Tarnolix* app);

    void setBookSaver(BookSaver saver) { m_bookSaver = std::move(saver); }
    void setBookDeleter(BookDeleter deleter) { m_bookDeleter = std::move(deleter); }

    // The script runDebugScript reads: $TARNOLIX_DEBUG_SCRIPT, else
    // "tarnolix_debug.js" in the home folder.
    static QString debugScriptPath();
    // The same, for the debug window's note.
    Q_INVOKABLE QString scriptPath() const { return debugScriptPath(); }

    Q_INVOKABLE void runDebugScript();
    // Drops the library's indexes, deletes every book and creates the indexes
    // again, also when the deletion failed.
    Q_INVOKABLE void deleteAllBooks();
    Q_INVOKABLE void addBook();

private:
    Tarnolix* m_app;
    BookSaver m_bookSaver;
    BookDeleter m_bookDeleter;
};
