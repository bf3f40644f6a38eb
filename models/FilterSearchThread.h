#pragma once
// The catalogue filter: the front object a catalogue view makes, and its
// worker on the application's second thread, which writes each filter's
// result where the catalogue models read it in filter mode (the library's
// CatalogSearch table, the glossary tree manager, the favorites service).
// Requests are queued on the worker and run one at a time in order; each
// ends with its own searchFinished or searchError carrying its own text.

#include "core/TarnolixConstants.h"

#include <QObject>
#include <QString>

#include <memory>
#include <mutex>

class TarnolixDB;

class FilterSearchThreadImpl : public QObject
{
    Q_OBJECT

public:
    enum Mode : int { BooksOnly = 0, Categories = 1, Authors = 2, Glossaries = 3, GlossariesNames = 4, AllFavorites = 5 };
    Q_ENUM(Mode)

    FilterSearchThreadImpl();
    ~FilterSearchThreadImpl() override;

    // Any thread.
    TarnolixConstants::Language language() const;
    // Emits languageChanged when the value changed.
    void setLanguage(TarnolixConstants::Language language);

public slots:
    // Takes the connection the filters run on; queued first, on the worker's thread.
    void init();
    void doSearch(const QString& text, int mode);
    // Drops every filter result: the glossaries', CatalogSearch's, the favorites'.
    void doReset();

signals:
    void languageChanged();
    void searchFinished(const QString& searchText);
    void searchError(const QString& searchText);

private:
    std::shared_ptr<TarnolixDB> m_db;
    mutable std::mutex m_mutex;
    TarnolixConstants::Language m_language = TarnolixConstants::InvalidLanguage;
};

class FilterSearchThread : public QObject
{
    Q_OBJECT
    Q_PROPERTY(TarnolixConstants::Language language READ language WRITE setLanguage NOTIFY languageChanged)

public:
    enum Mode : int {
        BooksOnly = FilterSearchThreadImpl::BooksOnly,
        Categories = FilterSearchThreadImpl::Categories,
        Authors = FilterSearchThreadImpl::Authors,
        Glossaries = FilterSearchThreadImpl::Glossaries,
        GlossariesNames = FilterSearchThreadImpl::GlossariesNames,
        AllFavorites = FilterSearchThreadImpl::AllFavorites,
    };
    Q_ENUM(Mode)

    // Makes the worker, moves it to the second thread (when there is one)
    // and queues its init.
    explicit FilterSearchThread(QObject* parent = nullptr);
    // The worker is deleted later on its own thread.
    ~FilterSearchThread() override;

    TarnolixConstants::Language language() const;
    void setLanguage(TarnolixConstants::Language language);

    // Both queue the request and return at once.
    Q_INVOKABLE void search(const QString& text, int mode);
    Q_INVOKABLE void reset();

signals:
    void languageChanged();
    void searchFinished(const QString& searchText);
    void searchError(const QString& searchText);

private:
    FilterSearchThreadImpl* m_impl;
};
