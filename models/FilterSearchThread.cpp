#include "models/FilterSearchThread.h"

#include "core/Exception.h"
#include "core/QueuedCursorGuard.h"
#include "database/DatabasePool.h"
#include "database/TarnolixDB.h"
#include "models/GlossaryTreeMngr.h"
#include "models/ModelServices.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaEnum>
#include <QThread>

#include <thread>

namespace {

const char kContext[] = "FilterSearchThread";

QString translated(const char* text)
{
    return QCoreApplication::translate(kContext, text);
}

void postError(const QString& title, const QString& message)
{
    if (ModelServices* services = ModelServices::current()) {
        if (title.isEmpty())
            services->postShowError(message);
        else
            services->postShowError(title, message);
        return;
    }
    qCritical("FilterSearchThread: %s %s", qUtf8Printable(title), qUtf8Printable(message));
}

[[noreturn]] void throwNoDatabase()
{
    throw Exception(translated("База данных не открыта!"));
}

GlossaryTreeMngr& glossaryTreeMngr()
{
    GlossaryTreeMngr* manager = GlossaryTreeMngr::current();
    if (!manager)
        throw Exception("The glossary tree manager is not available");
    return *manager;
}

FavoritesFilter* favoritesFilter()
{
    ModelServices* services = ModelServices::current();
    return services ? services->favoritesFilter() : nullptr;
}

} // namespace

// ---- FilterSearchThreadImpl

FilterSearchThreadImpl::FilterSearchThreadImpl() = default;

FilterSearchThreadImpl::~FilterSearchThreadImpl() = default;

TarnolixConstants::Language FilterSearchThreadImpl::language() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_language;
}

void FilterSearchThreadImpl::setLanguage(TarnolixConstants::Language language)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_language == language)
            return;
        m_language = language;
    }
    emit languageChanged();
}

void FilterSearchThreadImpl::init()
{
    try {
        ModelServices* services = ModelServices::current();
        QThread* second = services ? services->secondThread() : nullptr;
        if (second && thread() == second) {
            std::shared_ptr<TarnolixDB> db = services->secondThreadDatabase();
            if (!db)
                throw Exception("db in SecondThread was null");
            if (!db->isOpen())
                throw Exception("db in SecondThread was not open");
            m_db = std::move(db);
            return;
        }
        DatabasePool* pool = databasePool();
        if (!pool)
            throw Exception("No library database is open");
        std::shared_ptr<TarnolixDB> db =
            pool->database(std::this_thread::get_id(), true, DatabasePool::kWriterBusyTimeoutMs);
        db->setWaitCursorOnTransaction(false);
        m_db = std::move(db);
    } catch (const std::exception& e) {
        m_db.reset();
        qWarning("FilterSearchThread: Open database error: %s", e.what());
        postError(QString(), translated("Не удалось открыть базу данных! Поиск может не работать!"));
    }
}

void FilterSearchThreadImpl::doSearch(const QString& text, int mode)
{
    const char* modeName = QMetaEnum::fromType<Mode>().valueToKey(mode);
    const TarnolixConstants::Language lang = language();
    qDebug("FilterSearchThread \"%s\" %s %s", qUtf8Printable(text), modeName ? modeName : "InvalidMode",
           lang == TarnolixConstants::InvalidLanguage ? "-" : qUtf8Printable(languageToString(lang)));
    const QueuedCursorGuard cursor(Qt::BusyCursor);
    QElapsedTimer timer;
    timer.start();
    try {
        if (!m_db)
            throwNoDatabase();
        TarnolixDB::CatalogFilterText filter;
        filter.text = text;
        switch (mode) {
        case BooksOnly:
            m_db->fillCatalogSearchWithBooks(lang, filter);
            break;
        case Categories:
            m_db->fillCatalogSearchWithCategories(lang, filter);
            break;
        case Authors:
            m_db->fillCatalogSearchWithPersons(lang, filter);
            break;
        case Glossaries:
        case GlossariesNames:
            glossaryTreeMngr().search(text);
            break;
        case AllFavorites: {
            FavoritesFilter* favorites = favoritesFilter();
            if (!favorites)
                throw Exception("The favorites service is not available");
            favorites->search(text);
            break;
        }
        default:
            break;
        }
        emit searchFinished(text);
        qDebug("FilterSearchThread %lld ms. elapsed", static_cast<long long>(timer.elapsed()));
    } catch (const std::exception& e) {
        postError(translated("Ошибка при поиске"), QString::fromUtf8(e.what()));
        emit searchError(text);
    }
}

void FilterSearchThreadImpl::doReset()
{
    try {
        if (!m_db)
            throwNoDatabase();
        if (GlossaryTreeMngr* manager = GlossaryTreeMngr::current())
            manager->resetSearch();
        m_db->clearCatalogSearch();
        if (FavoritesFilter* favorites = favoritesFilter())
            favorites->resetSearch();
    } catch (const std::exception& e) {
        postError(QString(), QString::fromUtf8(e.what()));
    }
}

// ---- FilterSearchThread

FilterSearchThread::FilterSearchThread(QObject* parent)
    : QObject(parent)
    , m_impl(new FilterSearchThreadImpl)
{
    connect(m_impl, &FilterSearchThreadImpl::languageChanged, this, &FilterSearchThread::languageChanged);
    connect(m_impl, &FilterSearchThreadImpl::searchFinished, this, &FilterSearchThread::searchFinished);
    connect(m_impl, &FilterSearchThreadImpl::searchError, this, &FilterSearchThread::searchError);
    if (ModelServices* services = ModelServices::current()) {
        if (QThread* second = services->secondThread())
            m_impl->moveToThread(second);
    }
    QMetaObject::invokeMethod(m_impl, "init", Qt::QueuedConnection);
}

FilterSearchThread::~FilterSearchThread()
{
    m_impl->deleteLater();
}

TarnolixConstants::Language FilterSearchThread::language() const
{
    return m_impl->language();
}

void FilterSearchThread::setLanguage(TarnolixConstants::Language language)
{
    m_impl->setLanguage(language);
}

void FilterSearchThread::search(const QString& text, int mode)
{
    QMetaObject::invokeMethod(m_impl, "doSearch", Qt::QueuedConnection, Q_ARG(QString, text), Q_ARG(int, mode));
}

void FilterSearchThread::reset()
{
    QMetaObject::invokeMethod(m_impl, "doReset", Qt::QueuedConnection);
}
