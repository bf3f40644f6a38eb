#pragma once
// The one-time completion of a library written by an older program version:
// the completer decides at start-up whether it is due, waits while a library
// update runs, and then has its worker walk the numbered completion steps on
// the application's second thread, recording the last one done in the
// library's "UpdateCompleterVersion".

#include "core/OverrideCursorGuard.h"

#include <QObject>
#include <QString>

#include <memory>

class TarnolixDB;

class UpdateCompleterImpl : public QObject
{
    Q_OBJECT

public:
    // The latest completion step.
    static constexpr unsigned kLatestStep = 1;

    explicit UpdateCompleterImpl(QObject* parent = nullptr);

signals:
    void finished();
    void failed(const QString& error);
    // The busy cursor is the GUI thread's: the worker asks for it.
    void busyCursorRequested(bool busy);

public slots:
    void complete();

private:
    void runStep(unsigned step);

    std::shared_ptr<TarnolixDB> m_db;
};

class UpdateCompleter : public QObject
{
    Q_OBJECT

public:
    explicit UpdateCompleter(QObject* parent = nullptr);
    ~UpdateCompleter() override;

    // Whether the library needs the completion; an empty library is marked
    // complete here. Never throws.
    static bool isCompletionNeeded(TarnolixDB& database);

    void start();
    bool isRunning() const { return m_impl != nullptr; }

signals:
    void finished();

public slots:
    void tryStart();
    void implFinished();
    void implFailed(const QString& error);

private slots:
    void setBusyCursor(bool busy);

private:
    void releaseImpl();

    bool m_startRequested = false;
    UpdateCompleterImpl* m_impl = nullptr;
    OverrideCursorGuard m_cursor{false, Qt::BusyCursor};
};
