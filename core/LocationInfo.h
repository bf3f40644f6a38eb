#pragma once
// Where the program keeps its data: the data directory, and the library of the
// signed-in account (the data directory's own library when that account owns
// it, else a private directory per account under "Accounts").

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>

class QSettings;

class LocationInfo : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString dataLocation READ dataLocation CONSTANT)

public:
    // Reads "Locations/Data"; when it is empty, searches the application-data
    // locations and stores the result there.
    explicit LocationInfo(QSettings& settings, QObject* parent = nullptr);
    ~LocationInfo() override;

    // The object that code without a handed-in LocationInfo uses; the
    // application sets it at start-up, tests set their own. Null when unset.
    static LocationInfo* current();
    static void setCurrent(LocationInfo* locations);

    // The first of `locations` whose "/Data" subdirectory can be created and
    // written, preferring a roaming location; throws when none can.
    static QString findDataDirectory(const QStringList& locations);

    QString dataLocation() const;
    QString databasePath() const;
    QString indexPath(unsigned languageId) const;
    QString index2Path() const;
    QString index3Path() const;
    QString logPath() const;

    // Chooses the library of the account (its id trimmed and lower-cased).
    // Only once, on the owning thread, before the paths are frozen.
    void selectAccountLibrary(const QString& accountId);
    // Both only on the owning thread.
    void freezeLibraryPaths();
    void releaseLibraryPaths();

    // A prepared (pre-packaged) library: its indexes may only be read. This
    // build opens no prepared library, so the flag stays false but in tests.
    bool isPreparedLibrary() const { return m_preparedLibrary.load(); }
    void setPreparedLibrary(bool prepared) { m_preparedLibrary.store(prepared); }

    bool isAccountSelected() const { return m_accountSelected; }
    bool arePathsFrozen() const { return m_pathsFrozen; }

private:
    QString libraryBase() const;

    QString m_dataDir;
    QString m_accountLibraryDir;
    bool m_accountSelected = false;
    bool m_pathsFrozen = false;
    std::atomic<bool> m_preparedLibrary{false};
};

// The owner recorded in a library database ("DBOwned" in its Settings table);
// empty when the file does not exist, holds no schema yet or records no owner.
// Throws when the path is not a regular file or cannot be read as a library,
// among them a database of something else (tables, but no Settings).
QString readAccountLibraryOwner(const QString& databasePath);
