#pragma once
// Sits once in the book catalogue: keeps the number of books of the
// catalogue's language and tells the catalogue when the library's books or
// its glossary tree changed, so that it resets its filter and reloads.

#include "core/TarnolixConstants.h"

#include <QObject>

class CatalogHelper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(TarnolixConstants::Language language READ language WRITE setLanguage NOTIFY languageChanged)
    Q_PROPERTY(int bookCount READ bookCount NOTIFY bookCountChanged)

public:
    explicit CatalogHelper(QObject* parent = nullptr);
    ~CatalogHelper() override;

    TarnolixConstants::Language language() const { return m_language; }
    void setLanguage(TarnolixConstants::Language language);
    int bookCount() const { return m_bookCount; }

public slots:
    void booksBaseChangedSlot(TarnolixConstants::Language language);
    void reload();

signals:
    void languageChanged();
    void bookCountChanged();
    void bookBaseChanged();
    void glossaryTreeChanged();

private:
    TarnolixConstants::Language m_language = TarnolixConstants::InvalidLanguage;
    int m_bookCount = 0;
};
