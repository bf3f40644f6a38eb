#include "core/TarnolixEvents.h"

#include <QMetaType>

std::atomic<TarnolixEvents*> TarnolixEvents::s_current{nullptr};

TarnolixEvents::TarnolixEvents(QObject* parent)
    : QObject(parent)
{
    // Listeners on other threads and QML receive the language by this name.
    qRegisterMetaType<TarnolixConstants::Language>("TarnolixConstants::Language");
}

TarnolixEvents::~TarnolixEvents()
{
    TarnolixEvents* self = this;
    s_current.compare_exchange_strong(self, nullptr);
}

TarnolixEvents* TarnolixEvents::current()
{
    return s_current.load();
}

void TarnolixEvents::setCurrent(TarnolixEvents* events)
{
    s_current.store(events);
}

// Each call posts the signal to this object's thread; the posted call dies
// with the object, so a late notice never reaches a destroyed board.
void TarnolixEvents::emitBooksForIndexingChanged()
{
    QMetaObject::invokeMethod(this, &TarnolixEvents::booksForIndexingChanged, Qt::QueuedConnection);
}

void TarnolixEvents::emitBooksForLoadCoversChanged()
{
    QMetaObject::invokeMethod(this, &TarnolixEvents::booksForLoadCoversChanged, Qt::QueuedConnection);
}

void TarnolixEvents::emitPersonForLoadPhotoChanged()
{
    QMetaObject::invokeMethod(this, &TarnolixEvents::rersonForLoadPhotoChanged, Qt::QueuedConnection);
}

void TarnolixEvents::emitBooksBaseChanged(TarnolixConstants::Language language)
{
    QMetaObject::invokeMethod(this, [this, language] { emit booksBaseChanged(language); }, Qt::QueuedConnection);
}

void TarnolixEvents::emitDBAllDataDeleted()
{
    QMetaObject::invokeMethod(this, &TarnolixEvents::dbAllDataDeleted, Qt::QueuedConnection);
}

void TarnolixEvents::emitGlossaryTreeChanged()
{
    QMetaObject::invokeMethod(this, &TarnolixEvents::glossaryTreeChanged, Qt::QueuedConnection);
}

void TarnolixEvents::emitDatabaseUpdaterActiveChanged()
{
    QMetaObject::invokeMethod(this, &TarnolixEvents::databaseUpdaterActiveChanged, Qt::QueuedConnection);
}

void TarnolixEvents::emitDatabaseUpdateFinished()
{
    QMetaObject::invokeMethod(this, &TarnolixEvents::databaseUpdateFinished, Qt::QueuedConnection);
}

void TarnolixEvents::emitBookContentChanged(int bookId)
{
    QMetaObject::invokeMethod(this, [this, bookId] { emit bookContentChanged(bookId); }, Qt::QueuedConnection);
}
