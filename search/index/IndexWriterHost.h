#pragma once
// What the index writer threads need of the application: whether the reader
// is authorised, whether a program update is being completed, whether the
// book-text cipher has both its keys, whether a library update runs, and a
// way to show an error. The application installs its own; tests install a
// fake. Every query is called from the writer threads and must be
// thread-safe; the signals are emitted on the host's own thread.

#include <QObject>
#include <QString>

namespace tarnolix {

class IndexWriterHost : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~IndexWriterHost() override;

    // The host that IndexWriterThread::create hands to its new worker; it
    // must outlive every writer thread made while it is current.
    static IndexWriterHost* current();
    static void setCurrent(IndexWriterHost* host);

    virtual bool isAuthorized() const = 0;
    virtual bool updateCompleterExists() const = 0;
    // Both key strings of the book-text cipher are set.
    virtual bool bookTextKeysReady() const = 0;
    virtual bool isDatabaseUpdating() const = 0;
    // Shows an error to the reader; any thread.
    virtual void postShowError(const QString& message) = 0;

signals:
    void isAuthorizedChanged(bool isAuthorized);
    void updateCompleterChanged();
};

} // namespace tarnolix
