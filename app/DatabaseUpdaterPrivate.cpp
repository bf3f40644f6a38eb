#include "app/DatabaseUpdaterPrivate.h"

#include "app/LibraryUpdateApi.h"
#include "app/TarnolixAPI.h"
#include "core/CatalogRecords.h"
#include "core/Exception.h"
#include "core/Glossary.h"
#include "core/LocationInfo.h"
#include "core/SectionsCatalogPositions.h"
#include "core/Settings.h"
#include "core/SharedHelpers.h"
#include "core/TarnolixConstants.h"
#include "core/TarnolixEvents.h"
#include "database/DatabasePool.h"
#include "database/DatabaseTransaction.h"
#include "database/LibrarySettingsKeys.h"
#include "database/RetainedBooks.h"
#include "database/TarnolixDB.h"
#include "models/CatalogCategoriesModel.h"
#include "models/CatalogModelBase.h"
#include "search/index/GlossaryIndex.h"
#include "search/index/WordByWordIndex.h"
#include "updates/DatabaseBooksSaver.h"
#include "updates/GlossaryParser.h"
#include "updates/UpdateConnectionRetry.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QMetaObject>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QTimer>

#include <quazip.h>
#include <quazipfile.h>

#include <algorithm>
#include <set>
#include <thread>

using UpdateProtocol::Request;

namespace {

constexpr int kDatabaseBusyTimeoutMs = 300000;

const char kRetryingText[] = "Произошла ошибка, повторная попытка...";

QString settingKey(const char* key)
{
    return QLatin1String(key);
}

// The library status stored for an engine status.
int libraryStatusFor(int status)
{
    if (status == DatabaseUpdaterPrivate::Invalid || status == DatabaseUpdaterPrivate::Failed)
        return 0;
    if (status >= DatabaseUpdaterPrivate::LoadingCatalogs && status <= DatabaseUpdaterPrivate::FinalAction)
        return 1;
    return 2;
}

QString connectionReason(int httpStatus, int networkError)
{
    if (httpStatus >= 400)
        return QStringLiteral("Сервер библиотеки временно недоступен (HTTP %1).").arg(httpStatus);
    switch (networkError) {
    case 1:
    case 101:
        return QStringLiteral("Сервер библиотеки отклонил соединение.");
    case 2:
    case 102:
    case 205:
        return QStringLiteral("Соединение с сервером библиотеки оборвалось.");
    case 3:
    case 103:
        return QStringLiteral("Не удалось найти сервер библиотеки. Проверьте подключение к интернету и DNS.");
    case 4:
    case 104:
        return QStringLiteral(
            "Сервер библиотеки не ответил вовремя. Возможны проблемы с соединением или нагрузкой сервера.");
    default:
        return QStringLiteral(
                   "Не удалось связаться с сервером библиотеки (сетевая ошибка %1). Проверьте подключение к интернету.")
            .arg(networkError);
    }
}

// A reference record without a positive id names nothing: storing it would
// add a row no book or person can point at.
bool hasId(const QJsonObject& object)
{
    if (object.value(QLatin1String("id")).toInt() > 0)
        return true;
    qWarning("Record without id skipped");
    return false;
}

std::vector<QJsonObject> objectsOf(const QJsonArray& array)
{
    std::vector<QJsonObject> objects;
    objects.reserve(std::size_t(array.size()));
    for (const QJsonValue& value : array) {
        if (!value.isObject()) {
            qWarning("Is not QJsonObject");
            continue;
        }
        objects.push_back(value.toObject());
    }
    return objects;
}

void emitEvent(void (TarnolixEvents::*emitter)())
{
    if (TarnolixEvents* events = TarnolixEvents::current())
        (events->*emitter)();
}

} // namespace

DatabaseUpdaterPrivate::DatabaseUpdaterPrivate(const QString& token, const QString& subscriptionLevel,
                                               tarnolix::WordByWordIndex& wordByWordIndex,
                                               tarnolix::GlossaryIndex& glossaryIndex, Options options)
    : m_token(token)
    , m_subscriptionLevel(subscriptionLevel)
    , m_options(std::move(options))
    , m_wordByWordIndex(wordByWordIndex)
    , m_glossaryIndex(glossaryIndex)
{
}

DatabaseUpdaterPrivate::~DatabaseUpdaterPrivate()
{
    if (m_db)
        saveStatus(true);
    if (m_glossaryReply) {
        m_glossaryReply->disconnect(this);
        m_glossaryReply->deleteLater();
    }
    removeGlossariesArchive();
}

void DatabaseUpdaterPrivate::resetStoredStatus(TarnolixDB& database, bool resetTime)
{
    database.setDatabaseStatus(0);
    // An empty value, not NULL: read back as "no saved status".
    database.setSetting(settingKey(LibrarySettingsKeys::DatabaseUpdateStatus), QByteArray(""));
    if (resetTime)
        database.setSetting(settingKey(LibrarySettingsKeys::BooksUpdateTime), 0);
}

// --- Run state ---

void DatabaseUpdaterPrivate::setStatus(int status)
{
    if (status == m_status)
        return;
    m_status = status;
    markDirty();
    emit statusChanged(status);
}

void DatabaseUpdaterPrivate::setErrorText(const QString& text)
{
    if (text == m_errorText)
        return;
    m_errorText = text;
    emit errorTextChanged(text);
}

void DatabaseUpdaterPrivate::setProgress(int progress)
{
    if (progress == m_progress)
        return;
    m_progress = progress;
    emit progressChanged(progress);
}

void DatabaseUpdaterPrivate::setProgressTotal(int progressTotal)
{
    if (progressTotal == m_progressTotal)
        return;
    m_progressTotal = progressTotal;
    emit progressTotalChanged(progressTotal);
}

void DatabaseUpdaterPrivate::setProgress(qint64 progress, qint64 progressTotal)
{
    setProgress(int(std::min<qint64>(progress, INT_MAX)));
    setProgressTotal(int(std::clamp<qint64>(progressTotal, 0, INT_MAX)));
}

void DatabaseUpdaterPrivate::clearErrorState()
{
    m_errorCount = 0;
    if (!m_errorText.isEmpty() && !(m_connectionRetry && m_connectionRetry->isPending()))
        setErrorText(QString());
}

bool DatabaseUpdaterPrivate::countError()
{
    ++m_errorCount;
    qInfo("Progress: %d/%d. Active request: %d; Current error count: %d", m_progress, m_progressTotal,
          int(m_activeBooks.size()), m_errorCount);
    if (m_errorCount <= kMaxErrors) {
        setErrorText(QString::fromUtf8(kRetryingText));
        return true;
    }
    switch (m_status) {
    case LoadingCatalogs:
        completeUpdate(Failed, QStringLiteral("Не удалось загрузить справочники!"));
        break;
    case LoadingBooks:
        completeUpdate(Failed, QStringLiteral("Произошла ошибка при загрузке книг!"));
        break;
    case LoadingGlossaries:
        completeUpdate(Failed, QStringLiteral("Не удалось загрузить словари!"));
        break;
    case InstallGlossaries:
        completeUpdate(Failed, QStringLiteral("Не удалось установить словари!"));
        break;
    case FinalAction:
        setErrorText(QStringLiteral("Не удалось завершить обновление базы!"));
        setStatus(Failed);
        break;
    default:
        completeUpdate(Failed, QString());
        break;
    }
    return false;
}

// --- Start ---

void DatabaseUpdaterPrivate::init()
{
    if (m_status != Invalid) {
        qWarning("Invalid status");
        return;
    }
    if (m_api)
        m_api->deleteLater();
    m_api = m_options.apiFactory ? m_options.apiFactory(this) : new TarnolixAPI(this);
    m_api->setToken(m_token);
    connect(m_api, &TarnolixAPI::received, this, &DatabaseUpdaterPrivate::apiReceived);

    if (!m_saveTimer) {
        m_saveTimer = new QTimer(this);
        m_saveTimer->setSingleShot(true);
        m_saveTimer->setInterval(m_options.saveStatusMs);
        connect(m_saveTimer, &QTimer::timeout, this, &DatabaseUpdaterPrivate::saveStatusTimerTimeout);
        m_booksTimer = new QTimer(this);
        m_booksTimer->setSingleShot(true);
        m_booksTimer->setTimerType(Qt::PreciseTimer);
        connect(m_booksTimer, &QTimer::timeout, this, &DatabaseUpdaterPrivate::onBooksTimer);
        m_connectionRetry = new UpdateConnectionRetry(this, m_options.connectionRetryMs);
    }

    try {
        DatabasePool* pool = databasePool();
        if (!pool)
            throw Exception("No database pool");
        m_db = pool->database(std::this_thread::get_id(), true, kDatabaseBusyTimeoutMs);
        m_db->setWaitCursorOnTransaction(false);
    } catch (const std::exception& error) {
        qWarning("Open database error: %s", error.what());
        setErrorText(QStringLiteral("Не удалось открыть базу данных!"));
        setStatus(Failed);
        return;
    }

    if (m_options.checkOnly) {
        m_saved = UpdaterSavedStatus();
    } else {
        try {
            m_saved = deserializeUpdaterStatus(
                m_db->getSettingOr(settingKey(LibrarySettingsKeys::DatabaseUpdateStatus), QByteArray()).toByteArray());
        } catch (const std::exception& error) {
            qWarning("Read saved update status error: %s", error.what());
            m_saved = UpdaterSavedStatus();
        }
    }

    try {
        m_booksSaver = std::make_unique<DatabaseBooksSaver>(
            m_db, m_wordByWordIndex, [this](int count) { setProgress(m_progress + count); },
            [this](const std::vector<int>& ids) {
                for (const int id : ids)
                    m_saved.booksToLoad.erase(id);
                markDirty();
            });
        if (!m_options.checkOnly)
            m_booksSaver->init();
    } catch (const std::exception& error) {
        qWarning("Init books saver error: %s", error.what());
        setErrorText(QStringLiteral("Ошибка инициализации индексации!"));
        setStatus(Failed);
        return;
    }

    m_stop.store(false);
    m_referenceChanged = false;
    m_unavailableCount = 0;
    m_changedCount = 0;
    m_glossariesChanged = false;
    m_deferredBooksMessage.clear();
    clearErrorState();
    m_bookIdsId = 0;
    m_activeBooks.clear();
    m_booksTimer->stop();
    setProgress(0);
    setProgressTotal(0);

    bool cleared = false;
    if (!m_options.checkOnly && !m_saved.completed && m_saved.availableIdsProcessed && m_saved.changedIdsProcessed
        && m_saved.idsTime > 0) {
        m_incrementalTime = m_saved.idsTime;
    } else {
        m_incrementalTime = 0;
        if (m_saved.completed) {
            m_saved.availableIdsProcessed = m_saved.changedIdsProcessed = m_saved.completed = false;
            cleared = true;
        }
    }
    if (!cleared
        && (QDateTime::fromSecsSinceEpoch(m_saved.idsTime).date() != QDate::currentDate() || m_incrementalTime != 0)) {
        m_saved.availableIdsProcessed = m_saved.changedIdsProcessed = m_saved.completed = false;
    }
    markDirty();

    sendReference(Reference::Categories);
    sendReference(Reference::Persons);
    sendReference(Reference::Publishers);
    sendReference(Reference::ArchiBooks);

    setStatus(LoadingCatalogs);
    saveStatus(true);
}

// --- Saved status ---

void DatabaseUpdaterPrivate::saveStatusTimerTimeout()
{
    saveStatus(true);
}

void DatabaseUpdaterPrivate::saveStatus(bool force)
{
    if (!m_dirty)
        return;
    if (!force) {
        if (m_saveTimer && !m_saveTimer->isActive())
            m_saveTimer->start();
        return;
    }
    if (m_options.checkOnly || !m_db)
        return;
    try {
        // The saver writes its batch in a transaction of its own, opened
        // after its index writer: a transaction of ours around it would take
        // the database's write lock before the index lock, the order an index
        // writer thread takes them the other way round.
        if (m_status == LoadingBooks && m_booksSaver && m_booksSaver->bufferedBooksCount() > 0)
            m_booksSaver->saveBufferedBooks();
        DatabaseTransaction transaction(m_db, "saveStatus");
        transaction.begin();
        int libraryStatus = libraryStatusFor(m_status);
        // A stopped run leaves the library complete only when an earlier run finished.
        if (m_status == Rejected
            && m_db->getSettingOr(settingKey(LibrarySettingsKeys::BooksUpdateTime), 0).toLongLong() == 0)
            libraryStatus = 0;
        m_db->setDatabaseStatus(libraryStatus);
        m_db->setSetting(settingKey(LibrarySettingsKeys::DatabaseUpdateStatus), serializeUpdaterStatus(m_saved));
        transaction.commit();
        m_dirty = false;
        if (m_saveTimer)
            m_saveTimer->stop();
    } catch (const std::exception& error) {
        qWarning("Database update status save error: %s", error.what());
    }
}

// --- Reference data ---

void DatabaseUpdaterPrivate::sendReference(Reference reference)
{
    switch (reference) {
    case Reference::Categories:
        m_saved.categoriesLoaded = false;
        m_categoriesId = LibraryUpdateApi::send(*m_api, Request::Categories);
        break;
    case Reference::Persons:
        m_saved.personsLoaded = false;
        m_personsId = LibraryUpdateApi::send(*m_api, Request::Persons);
        break;
    case Reference::Publishers:
        m_saved.publishersLoaded = false;
        m_publishersId = LibraryUpdateApi::send(*m_api, Request::Publishers);
        break;
    case Reference::ArchiBooks:
        m_saved.archiBooksLoaded = false;
        m_archiBooksId = LibraryUpdateApi::send(*m_api, Request::ArchiBooks);
        break;
    }
    markDirty();
}

DatabaseUpdaterPrivate::HandlerResult DatabaseUpdaterPrivate::handleReference(Reference reference, int id)
{
    int* awaited = nullptr;
    bool* loaded = nullptr;
    const char* key = nullptr;
    switch (reference) {
    case Reference::Categories:
        awaited = &m_categoriesId, loaded = &m_saved.categoriesLoaded, key = LibrarySettingsKeys::HashCategory;
        break;
    case Reference::Persons:
        awaited = &m_personsId, loaded = &m_saved.personsLoaded, key = LibrarySettingsKeys::HashPerson;
        break;
    case Reference::Publishers:
        awaited = &m_publishersId, loaded = &m_saved.publishersLoaded, key = LibrarySettingsKeys::HashPublisher;
        break;
    case Reference::ArchiBooks:
        awaited = &m_archiBooksId, loaded = &m_saved.archiBooksLoaded, key = LibrarySettingsKeys::HashArchiBook;
        break;
    }
    if (id != *awaited) {
        qWarning("Invalid id");
        return HandlerResult::InvalidId;
    }
    *awaited = 0;
    try {
        const QJsonArray array = LibraryUpdateApi::takePayloadArray(*m_api, id);
        const QByteArray hash = TarnolixAPI::jsonArrayHash(array);
        if (m_options.checkOnly) {
            if (m_db->getSettingOr(settingKey(key), QByteArray()).toByteArray() != hash)
                m_referenceChanged = true;
        } else {
            std::vector<QJsonObject> objects = objectsOf(array);
            objects.erase(std::remove_if(objects.begin(), objects.end(), [](const QJsonObject& o) { return !hasId(o); }),
                          objects.end());
            // Replacing the categories with nothing would empty the catalogue.
            if (reference == Reference::Categories && objects.empty())
                throw Exception("Received categories array is empty");
            DatabaseTransaction transaction(m_db, "reference data");
            transaction.begin();
            switch (reference) {
            case Reference::Categories: {
                std::vector<TarnolixDB::CategoryPtr> records;
                for (const QJsonObject& object : objects) {
                    auto category = std::make_shared<Category>();
                    categoryFromJson(*category, object);
                    records.push_back(category);
                }
                m_db->deleteCategories();
                m_db->insertCategories(records);
                break;
            }
            case Reference::Persons: {
                std::vector<TarnolixDB::PersonPtr> records;
                std::vector<int> ids;
                for (const QJsonObject& object : objects) {
                    auto person = std::make_shared<Person>();
                    personFromJson(*person, object);
                    ids.push_back(person->id);
                    records.push_back(person);
                }
                m_db->deletePersons();
                m_db->insertPFLP(ids);
                m_db->insertPersons(records);
                break;
            }
            case Reference::Publishers:
            case Reference::ArchiBooks: {
                std::vector<std::shared_ptr<ArchiBook>> records;
                for (const QJsonObject& object : objects) {
                    auto record = std::make_shared<ArchiBook>();
                    archiBookFromJson(*record, object);
                    records.push_back(record);
                }
                if (reference == Reference::Publishers) {
                    m_db->deletePublishers();
                    m_db->insertPublishers(records);
                } else {
                    m_db->deleteArchiBooks();
                    m_db->insertArchiBooks(records);
                }
                break;
            }
            }
            m_db->setSetting(settingKey(key), hash);
            transaction.commit();
            if (reference == Reference::Persons)
                emitEvent(&TarnolixEvents::emitPersonForLoadPhotoChanged);
        }
        *loaded = true;
        markDirty();
        clearErrorState();
        return HandlerResult::Done;
    } catch (const std::exception& error) {
        qWarning("Process received catalog error: %s", error.what());
        return countError() ? HandlerResult::Retry : HandlerResult::Failed;
    }
}

// --- Replies ---

bool DatabaseUpdaterPrivate::isActiveBook(int id, int* bookId) const
{
    for (const auto& entry : m_activeBooks) {
        if (entry.first == id) {
            if (bookId)
                *bookId = entry.second;
            return true;
        }
    }
    return false;
}

void DatabaseUpdaterPrivate::apiReceived(int id)
{
    if (m_stop.load()) {
        m_api->removeResult(id);
        return;
    }
    if (deferConnectionFailure(id))
        return;
    switch (m_status) {
    case LoadingCatalogs: {
        HandlerResult result = HandlerResult::InvalidId;
        Reference reference = Reference::Categories;
        if (id == m_categoriesId)
            reference = Reference::Categories;
        else if (id == m_personsId)
            reference = Reference::Persons;
        else if (id == m_publishersId)
            reference = Reference::Publishers;
        else if (id == m_archiBooksId)
            reference = Reference::ArchiBooks;
        else {
            qWarning("Unknown response");
            m_api->removeResult(id);
            return;
        }
        result = handleReference(reference, id);
        if (result == HandlerResult::Retry)
            sendReference(reference);
        if (m_status != LoadingCatalogs)
            return;
        if (m_saved.categoriesLoaded && m_saved.personsLoaded && m_saved.publishersLoaded
            && m_saved.archiBooksLoaded) {
            if (m_saved.changedIdsProcessed) {
                setProgress(0);
                setProgressTotal(int(m_saved.booksToLoad.size()));
                setStatus(LoadingBooks);
                loadBooks(0);
                checkBooksComplete();
            } else {
                m_saved.availableIdsProcessed = false;
                sendBookIds(false);
                setStatus(LoadingBooks);
            }
        }
        saveStatus(true);
        return;
    }
    case LoadingBooks: {
        if (id == m_bookIdsId && m_bookIdsId != 0) {
            if (!m_saved.availableIdsProcessed) {
                if (handleAvailableIds(id))
                    sendBookIds(true);
            } else if (handleChangedIds(id) && m_status == LoadingBooks) {
                if (m_options.checkOnly) {
                    clearErrorState();
                    loadGlossariesMd5();
                } else {
                    loadBooks(0);
                    checkBooksComplete();
                }
            }
            saveStatus(true);
            return;
        }
        if (isActiveBook(id)) {
            handleBookReply(id);
            saveStatus(false);
            return;
        }
        qWarning("Unknown response");
        m_api->removeResult(id);
        return;
    }
    case Rejected:
        m_api->removeResult(id);
        return;
    default:
        qWarning("Unknown response");
        m_api->removeResult(id);
        return;
    }
}

bool DatabaseUpdaterPrivate::deferConnectionFailure(int id)
{
    const TarnolixAPIResult* result = m_api->getResult(id);
    if (!result || !result->reply())
        return false;
    QString key;
    std::function<void()> action;
    int bookId = 0;
    if (m_status == LoadingCatalogs) {
        Reference reference;
        if (id == m_categoriesId)
            reference = Reference::Categories, key = UpdateProtocol::requestKey(Request::Categories);
        else if (id == m_personsId)
            reference = Reference::Persons, key = UpdateProtocol::requestKey(Request::Persons);
        else if (id == m_publishersId)
            reference = Reference::Publishers, key = UpdateProtocol::requestKey(Request::Publishers);
        else if (id == m_archiBooksId)
            reference = Reference::ArchiBooks, key = UpdateProtocol::requestKey(Request::ArchiBooks);
        else
            return false;
        action = [this, reference] {
            if (!m_stop.load() && m_status == LoadingCatalogs)
                sendReference(reference);
        };
    } else if (m_status == LoadingBooks && id == m_bookIdsId && m_bookIdsId != 0) {
        const bool changed = m_saved.availableIdsProcessed;
        key = UpdateProtocol::requestKey(changed ? Request::ChangedIds : Request::AvailableIds);
        action = [this, changed] {
            if (!m_stop.load() && m_status == LoadingBooks)
                sendBookIds(changed);
        };
    } else if (m_status == LoadingBooks && isActiveBook(id, &bookId)) {
        key = UpdateProtocol::requestKey(Request::Book, bookId);
        action = [this] {
            if (!m_stop.load() && m_status == LoadingBooks)
                loadBooks(-1);
        };
    } else {
        return false;
    }
    const LibraryUpdateApi::ReplyFailure failure = LibraryUpdateApi::classify(*result);
    if (failure.connectionFailure && bookId != 0) {
        m_activeBooks.erase(std::remove_if(m_activeBooks.begin(), m_activeBooks.end(),
                                           [id](const auto& entry) { return entry.first == id; }),
                            m_activeBooks.end());
    }
    if (deferReply(key, failure.httpStatus, failure.networkError, failure.connectionFailure, std::move(action))) {
        m_api->removeResult(id);
        return true;
    }
    return false;
}

bool DatabaseUpdaterPrivate::deferReply(const QString& key, int httpStatus, int networkError,
                                        bool connectionFailure, std::function<void()> action)
{
    if (connectionFailure) {
        const UpdateConnectionRetry::Schedule schedule = m_connectionRetry->schedule(key, std::move(action));
        const QString reason = connectionReason(httpStatus, networkError);
        saveStatus(true);
        if (schedule.scheduled) {
            setErrorText(reason + QLatin1Char('\n')
                         + QStringLiteral("Повторное подключение через %1 с — попытка %2 из 10. Уже загруженные "
                                          "книги сохраняются.")
                               .arg(std::max(1, (schedule.delayMs + 999) / 1000))
                               .arg(schedule.attempt));
        } else {
            completeUpdate(Failed, reason + QLatin1Char('\n')
                                       + QStringLiteral("Не удалось продолжить загрузку после 10 попыток. Загруженные "
                                                        "книги и очередь оставшихся сохранены. Восстановите "
                                                        "соединение и повторите обновление, чтобы продолжить "
                                                        "загрузку."));
        }
        return true;
    }
    if (networkError != 0 || httpStatus >= 400)
        return false;
    m_connectionRetry->forget(key);
    return false;
}

// --- Book lists ---

void DatabaseUpdaterPrivate::sendBookIds(bool changed)
{
    if (!changed) {
        m_bookIdsId = LibraryUpdateApi::send(*m_api, Request::AvailableIds);
        return;
    }
    const QString storedLevel =
        m_db->getSettingOr(settingKey(LibrarySettingsKeys::BooksSubscribeLevel), QString()).toString();
    const bool levelChanged =
        !storedLevel.isEmpty() && !m_subscriptionLevel.isEmpty() && storedLevel != m_subscriptionLevel;
    qint64 time = 0;
    if (!levelChanged) {
        time = m_incrementalTime;
        if (time == 0)
            time = m_db->getSettingOr(settingKey(LibrarySettingsKeys::BooksUpdateTime), 0).toLongLong();
    }
    qDebug("Books update isSubscribeLevelChanged=%s. Books subscribe level: %s; actual subscribe level: %s",
           levelChanged ? "true" : "false", qUtf8Printable(storedLevel), qUtf8Printable(m_subscriptionLevel));
    if (!m_subscriptionLevel.isEmpty())
        m_saved.subscriptionLevel = m_subscriptionLevel;
    m_saved.idsTime = QDateTime::currentSecsSinceEpoch();
    markDirty();
    m_bookIdsId = LibraryUpdateApi::send(*m_api, Request::ChangedIds, time);
}

bool DatabaseUpdaterPrivate::handleAvailableIds(int id)
{
    if (id != m_bookIdsId) {
        qWarning("Invalid id");
        return false;
    }
    m_bookIdsId = 0;
    try {
        const QJsonArray array = LibraryUpdateApi::takePayloadArray(*m_api, id);
        std::unordered_set<int> available;
        for (const QJsonObject& object : objectsOf(array))
            available.insert(object.value(QLatin1String("id")).toInt());
        available.erase(0);
        if (available.empty())
            throw Exception("Received books array is empty");
        const std::unordered_set<int> local = m_db->selectBookIdSet();
        std::vector<int> unavailable;
        for (const int localId : local) {
            if (!available.count(localId))
                unavailable.push_back(localId);
        }
        std::sort(unavailable.begin(), unavailable.end());
        m_saved.newBookIds.clear();
        for (const int availableId : available) {
            if (!local.count(availableId))
                m_saved.newBookIds.push_back(availableId);
        }
        std::sort(m_saved.newBookIds.begin(), m_saved.newBookIds.end());
        markDirty();
        if (m_options.checkOnly) {
            m_unavailableCount = int(unavailable.size());
        } else if (!unavailable.empty()) {
            m_db->dropIndexes();
            deleteBooks(m_db, unavailable, m_wordByWordIndex);
        }
        m_saved.availableIdsProcessed = true;
        if (isIncremental()) {
            for (auto it = m_saved.booksToLoad.begin(); it != m_saved.booksToLoad.end();) {
                if (!available.count(*it))
                    it = m_saved.booksToLoad.erase(it);
                else
                    ++it;
            }
        }
        clearErrorState();
        return true;
    } catch (const std::exception& error) {
        qWarning("Process received books ids error: %s", error.what());
        if (countError())
            sendBookIds(false);
        return false;
    }
}

bool DatabaseUpdaterPrivate::handleChangedIds(int id)
{
    if (id != m_bookIdsId) {
        qWarning("Invalid id");
        return false;
    }
    m_bookIdsId = 0;
    try {
        const QJsonArray array = LibraryUpdateApi::takePayloadArray(*m_api, id);
        std::set<qint32> ids;
        for (const QJsonObject& object : objectsOf(array)) {
            const int bookId = object.value(QLatin1String("id")).toInt();
            if (bookId == 0) {
                qWarning("ERROR 0x55645231");
                continue;
            }
            ids.insert(bookId);
        }
        const Settings* settings = Settings::current();
        if (!ids.empty() && settings && settings->debugLogsEnabled()) {
            QStringList list;
            for (const int bookId : ids)
                list.append(QString::number(bookId));
            qDebug("Books for update: %s", qUtf8Printable(list.join(QLatin1Char(','))));
        }
        for (const int newId : m_saved.newBookIds) {
            if (ids.insert(newId).second)
                qDebug("Найдена книга для загрузки, которая была пропущена ранее. id=%d", newId);
        }
        m_saved.newBookIds.clear();
        markDirty();
        if (m_options.checkOnly) {
            m_changedCount = int(ids.size());
        } else {
            m_db->dropIndexes();
            if (isIncremental())
                ids.insert(m_saved.booksToLoad.begin(), m_saved.booksToLoad.end());
            m_saved.booksToLoad = std::move(ids);
            if (!m_saved.booksToLoad.empty() && settings)
                m_debugArchiveDir = settings->debugSaveBookArchivesDir().trimmed();
            setProgress(0);
            setProgressTotal(int(m_saved.booksToLoad.size()));
        }
        m_saved.changedIdsProcessed = true;
        m_errorCount = 0;
        if (!m_connectionRetry->isPending())
            setErrorText(QString());
        return true;
    } catch (const std::exception& error) {
        qWarning("Process received books ids error: %s", error.what());
        if (countError())
            sendBookIds(true);
        return false;
    }
}

void DatabaseUpdaterPrivate::deleteBooks(const std::shared_ptr<TarnolixDB>& database, const std::vector<int>& ids,
                                         tarnolix::WordByWordIndex& wordByWordIndex)
{
    qInfo("Start retaining unavailable books...");
    if (database->isTransaction() || !database->transaction())
        throw DBException(QStringLiteral("Book reconciliation requires its own transaction"));
    try {
        int done = 0;
        for (const int id : ids) {
            const qint64 time =
                database->getSettingOr(settingKey(LibrarySettingsKeys::BooksUpdateTime), 0).toLongLong();
            preserveUnavailableBook(database->sqlDatabase(), id, time, [&] { database->deleteBook(id); });
            database->upsertBFI(id, TarnolixDB::IndexRemove);
            qInfo("Retain unavailable books progress: %d/%d", ++done, int(ids.size()));
        }
        if (!database->commit())
            throw DBException(QStringLiteral("Cannot commit retained books: ") + database->lastErrorText());
    } catch (...) {
        database->rollback();
        throw;
    }
    qInfo("Unavailable books retained and deactivated");
    emitEvent(&TarnolixEvents::emitBooksForIndexingChanged);
    wordByWordIndex.deleteBooks(ids);
}

// --- Book downloads ---

void DatabaseUpdaterPrivate::startBooksTimer(int ms)
{
    if (m_booksTimer->isActive() && m_booksTimer->remainingTime() >= ms)
        return;
    m_booksTimer->start(ms);
}

void DatabaseUpdaterPrivate::onBooksTimer()
{
    if (m_stop.load() || m_status != LoadingBooks)
        return;
    loadBooks(-1);
    checkBooksComplete();
}

void DatabaseUpdaterPrivate::loadBooks(int exceptId)
{
    if (m_stop.load() || m_status != LoadingBooks || m_booksTimer->isActive() || m_connectionRetry->isPending()
        || int(m_activeBooks.size()) >= UpdateProtocol::kMaxActiveBooks)
        return;
    if (m_saved.booksToLoad.empty()) {
        qDebug("loadBooks: books for load is empty");
        return;
    }
    if (TarnolixAPI::recentApiRequestCount() >= UpdateProtocol::kRequestBudget) {
        startBooksTimer(UpdateProtocol::kRequestBudgetWaitMs);
        return;
    }
    int started = 0;
    for (const int bookId : m_saved.booksToLoad) {
        const auto failures = m_bookFailures.find(bookId);
        if ((failures != m_bookFailures.end() && failures->second >= UpdateProtocol::kMaxBookFailures)
            || bookId == exceptId || m_booksSaver->isBookBuffered(bookId))
            continue;
        if (std::any_of(m_activeBooks.begin(), m_activeBooks.end(),
                        [bookId](const auto& entry) { return entry.second == bookId; }))
            continue;
        const int requestId = LibraryUpdateApi::send(*m_api, Request::Book, bookId);
        m_activeBooks.emplace_back(requestId, bookId);
        ++started;
        if (int(m_activeBooks.size()) >= UpdateProtocol::kMaxActiveBooks)
            break;
        if (TarnolixAPI::recentApiRequestCount() >= UpdateProtocol::kRequestBudget) {
            startBooksTimer(UpdateProtocol::kRequestBudgetWaitMs);
            break;
        }
    }
    qDebug("loadBooks: Start load count: %d", started);
}

void DatabaseUpdaterPrivate::handleBookReply(int id)
{
    int bookId = 0;
    isActiveBook(id, &bookId);
    m_activeBooks.erase(std::remove_if(m_activeBooks.begin(), m_activeBooks.end(),
                                       [id](const auto& entry) { return entry.first == id; }),
                        m_activeBooks.end());
    if (m_stop.load()) {
        m_api->removeResult(id);
        return;
    }
    const LibraryUpdateApi::BookReplyOutcome outcome = LibraryUpdateApi::handleBookReply(
        *m_api, id, bookId, *m_booksSaver, m_debugArchiveDir, [this, bookId] { loadBooks(bookId); });
    switch (outcome.kind) {
    case LibraryUpdateApi::BookReplyOutcome::Saved:
        m_bookFailures.erase(bookId);
        clearErrorState();
        break;
    case LibraryUpdateApi::BookReplyOutcome::RateLimited:
        startBooksTimer(outcome.delayMs);
        bookFailed(bookId, outcome.text);
        break;
    case LibraryUpdateApi::BookReplyOutcome::Failed:
        bookFailed(bookId, outcome.text);
        break;
    }
    if (m_status == LoadingBooks)
        checkBooksComplete();
}

void DatabaseUpdaterPrivate::bookFailed(int bookId, const QString& text)
{
    const int failures = ++m_bookFailures[bookId];
    if (failures < UpdateProtocol::kMaxBookFailures) {
        setErrorText(text);
        if (!m_saved.booksToLoad.insert(bookId).second)
            qWarning("Book will already be loaded");
        markDirty();
        startBooksTimer(m_options.bookRetryMs);
        loadBooks(-1);
        return;
    }
    qWarning("Deferring book %d after %d failures; retaining it for the next update attempt", bookId, failures);
    setErrorText(QStringLiteral("Книга %1 не загружена после нескольких попыток. Остальные книги сохраняются. ")
                     .arg(bookId)
                 + text);
    loadBooks(-1);
}

void DatabaseUpdaterPrivate::saveBufferedBooks()
{
    try {
        m_booksSaver->saveBufferedBooks();
        m_saveErrorCount = 0;
    } catch (const std::exception& error) {
        qWarning("Save buffered books error: %s", error.what());
        // Every batch is downloaded again before the next write, and each good
        // download clears the error count: a batch that can never be written
        // would be fetched forever. Its failures add up until a write succeeds.
        m_errorCount = std::max(m_errorCount, m_saveErrorCount++);
        if (countError() && !m_stop.load() && m_status == LoadingBooks && !m_booksTimer->isActive()
            && !m_connectionRetry->isPending() && int(m_activeBooks.size()) < UpdateProtocol::kMaxActiveBooks)
            loadBooks(-1);
    }
}

void DatabaseUpdaterPrivate::checkBooksComplete()
{
    int deferred = 0;
    for (const int bookId : m_saved.booksToLoad) {
        const auto failures = m_bookFailures.find(bookId);
        if (failures != m_bookFailures.end() && failures->second >= UpdateProtocol::kMaxBookFailures)
            ++deferred;
    }
    if (!m_activeBooks.empty()
        || m_booksSaver->bufferedBooksCount() + deferred != int(m_saved.booksToLoad.size()))
        return;
    saveBufferedBooks();
    if (m_status != LoadingBooks || !m_activeBooks.empty())
        return;
    if (m_saved.booksToLoad.empty()) {
        clearErrorState();
        loadGlossariesMd5();
        return;
    }
    if (deferred == int(m_saved.booksToLoad.size())) {
        m_deferredBooksMessage =
            QStringLiteral("Не удалось загрузить %1 книг. Остальные книги сохранены. Повторите обновление.")
                .arg(deferred);
        clearErrorState();
        loadGlossariesMd5();
    }
}

// --- Glossaries ---

void DatabaseUpdaterPrivate::setLoadGlossaryReply(QNetworkReply* reply)
{
    if (m_glossaryReply && m_glossaryReply != reply) {
        m_glossaryReply->disconnect(this);
        m_glossaryReply->deleteLater();
    }
    m_glossaryReply = reply;
    if (reply)
        connect(reply, &QObject::destroyed, this, &DatabaseUpdaterPrivate::loadGlossaryReplyDestroyed);
}

void DatabaseUpdaterPrivate::loadGlossaryReplyDestroyed()
{
    m_glossaryReply = nullptr;
}

void DatabaseUpdaterPrivate::loadGlossariesMd5()
{
    qDebug("DatabaseUpdaterPrivate::loadGlossariesMd5");
    setStatus(LoadingGlossaries);
    setProgress(0);
    setProgressTotal(0);
    m_saved.glossariesMd5.clear();
    markDirty();
    QNetworkReply* reply = LibraryUpdateApi::getGlossaries(*m_api, Request::GlossariesMd5);
    connect(reply, &QNetworkReply::finished, this, &DatabaseUpdaterPrivate::handleGlossariesMd5Response);
    setLoadGlossaryReply(reply);
}

QNetworkReply* DatabaseUpdaterPrivate::acceptGlossaryReply(const char* prefix)
{
    auto* reply = qobject_cast<QNetworkReply*>(sender());
    if (reply)
        reply->deleteLater();
    if (m_status != LoadingGlossaries) {
        qWarning("%sInvalid status", prefix);
        return nullptr;
    }
    if (!reply || reply != m_glossaryReply) {
        qWarning("%sm_loadGlossaryReply != reply", prefix);
        return nullptr;
    }
    return reply;
}

bool DatabaseUpdaterPrivate::deferGlossaryReply(const QNetworkReply& reply, Request request)
{
    const LibraryUpdateApi::ReplyFailure failure = LibraryUpdateApi::classify(reply);
    return deferReply(UpdateProtocol::requestKey(request), failure.httpStatus, failure.networkError,
                      failure.connectionFailure, [this] {
                          if (!m_stop.load() && m_status == LoadingGlossaries)
                              loadGlossariesMd5();
                      });
}

void DatabaseUpdaterPrivate::handleGlossariesMd5Response()
{
    QNetworkReply* reply = acceptGlossaryReply("DatabaseUpdaterPrivate::handleGlossariesMd5Response: ");
    if (!reply || m_stop.load())
        return;
    try {
        if (deferGlossaryReply(*reply, Request::GlossariesMd5))
            return;
        if (reply->error() != QNetworkReply::NoError)
            throw Exception(reply->errorString());
        // A checksum is 32 hex digits; anything far longer is not one.
        const QByteArray body = reply->read(4096);
        if (body.isEmpty())
            throw Exception("Invalid md5");
        m_saved.glossariesMd5 = body;
        markDirty();
        const QByteArray stored =
            m_db->getSettingOr(settingKey(LibrarySettingsKeys::GlossariesMD5), QByteArray()).toByteArray();
        m_glossariesChanged = stored.toLower() != body.toLower();
        if (m_options.checkOnly || !m_glossariesChanged) {
            completeUpdate(Finished, QString());
            return;
        }
        loadGlossaries();
    } catch (const std::exception& error) {
        qWarning("DatabaseUpdaterPrivate::handleGlossariesMd5Response: %s", error.what());
        if (countError())
            loadGlossariesMd5();
    }
}

void DatabaseUpdaterPrivate::loadGlossaries()
{
    qDebug("DatabaseUpdaterPrivate::loadGlossaries");
    if (m_status != LoadingGlossaries) {
        qWarning("DatabaseUpdaterPrivate::loadGlossaries: Invalid status");
        return;
    }
    if (!openGlossariesArchive()) {
        if (countError())
            loadGlossariesMd5();
        return;
    }
    QNetworkReply* reply = LibraryUpdateApi::getGlossaries(*m_api, Request::GlossariesArchive);
    connect(reply, &QNetworkReply::finished, this, &DatabaseUpdaterPrivate::loadGlossariesFinished);
    connect(reply, &QNetworkReply::downloadProgress, this,
            QOverload<qint64, qint64>::of(&DatabaseUpdaterPrivate::setProgress));
    connect(reply, &QNetworkReply::readyRead, this, &DatabaseUpdaterPrivate::loadGlossariesReadyRead);
    setLoadGlossaryReply(reply);
}

bool DatabaseUpdaterPrivate::openGlossariesArchive()
{
    const LocationInfo* locations = LocationInfo::current();
    const QString path = (locations ? locations->dataLocation() : QDir::tempPath()) + QStringLiteral("/glossaries.zip");
    m_glossariesArchive = std::make_unique<QFile>(path);
    m_glossariesArchiveBytes = 0;
    if (!m_glossariesArchive->open(QIODevice::ReadWrite | QIODevice::Truncate)) {
        qCritical("openGlossariesArchive: Open file \"%s\" error", qUtf8Printable(path));
        removeGlossariesArchive();
        return false;
    }
    return true;
}

void DatabaseUpdaterPrivate::loadGlossariesReadyRead()
{
    auto* reply = qobject_cast<QNetworkReply*>(sender());
    if (!m_glossariesArchive || !m_glossariesArchive->isOpen()) {
        qWarning("DatabaseUpdaterPrivate::loadGlossariesReadReady: m_glossariesArchiveFile=0");
        return;
    }
    if (!reply)
        return;
    const QByteArray data = reply->readAll();
    m_glossariesArchiveBytes += data.size();
    if (m_glossariesArchiveBytes > m_options.maxGlossariesArchiveBytes) {
        // Refused in loadGlossariesFinished by its size.
        reply->abort();
        return;
    }
    m_glossariesArchive->write(data);
}

void DatabaseUpdaterPrivate::loadGlossariesFinished()
{
    QNetworkReply* reply = acceptGlossaryReply("DatabaseUpdaterPrivate::handleGlossariesResponse: ");
    if (!reply)
        return;
    if (m_stop.load()) {
        removeGlossariesArchive();
        return;
    }
    try {
        if (m_glossariesArchiveBytes > m_options.maxGlossariesArchiveBytes)
            throw Exception(
                QStringLiteral("Glossaries archive is too large: more than %1 bytes").arg(m_options.maxGlossariesArchiveBytes));
        if (deferGlossaryReply(*reply, Request::GlossariesArchive))
            return;
        if (reply->error() != QNetworkReply::NoError)
            throw Exception(reply->errorString());
        if (!m_glossariesArchive || !m_glossariesArchive->isOpen())
            throw Exception("Archive file not open!");
        m_glossariesArchive->flush();
        m_glossariesArchive->seek(0);
        QCryptographicHash md5(QCryptographicHash::Md5);
        if (!md5.addData(m_glossariesArchive.get()))
            throw Exception("Invalid archive md5 hash");
        if (md5.result().toHex().toLower() != m_saved.glossariesMd5.toLower())
            throw Exception("Invalid archive md5 hash");
        QMetaObject::invokeMethod(this, &DatabaseUpdaterPrivate::installGlossary, Qt::QueuedConnection);
    } catch (const std::exception& error) {
        qWarning("DatabaseUpdaterPrivate::handleGlossariesResponse: %s", error.what());
        if (countError())
            loadGlossariesMd5();
    }
}

void DatabaseUpdaterPrivate::clearGlossaries()
{
    DatabaseTransaction transaction(m_db, "clear glossaries");
    transaction.begin();
    m_db->setGlossariesMD5(QByteArray());
    m_db->setGlossariesIdMngr(GlossariesIdMngr());
    m_db->setGlossaryTree(GlossaryTree());
    m_db->deleteGlossaryWords();
    m_db->deleteGlossaryWordsData();
    transaction.commit();
}

void DatabaseUpdaterPrivate::installGlossary()
{
    if (m_status != LoadingGlossaries) {
        qWarning("DatabaseUpdaterPrivate::installGlossary: Invalid status");
        return;
    }
    setStatus(InstallGlossaries);
    try {
        installGlossaryArchive();
        clearErrorState();
        QMetaObject::invokeMethod(this, &DatabaseUpdaterPrivate::glossaryComplete, Qt::QueuedConnection);
    } catch (const std::exception& error) {
        qWarning("DatabaseUpdaterPrivate::installGlossary: %s", error.what());
        // Nothing of a failed run may reach readers: the index keeps its
        // previous documents, the tables are left empty and the next update
        // installs again.
        m_glossaryIndex.close(true);
        try {
            clearGlossaries();
        } catch (const std::exception& clearError) {
            qWarning("DatabaseUpdaterPrivate::installGlossary: %s", clearError.what());
        }
        emitEvent(&TarnolixEvents::emitGlossaryTreeChanged);
        if (!m_stop.load() && countError())
            loadGlossariesMd5();
    }
}

void DatabaseUpdaterPrivate::installGlossaryArchive()
{
    if (!m_glossariesArchive || !m_glossariesArchive->isOpen())
        throw Exception("Archive file not open!");
    m_glossariesArchive->seek(0);
    QuaZip zip(m_glossariesArchive.get());
    if (!zip.open(QuaZip::mdUnzip))
        throw Exception(QStringLiteral("Open zip error. Error code: %1").arg(zip.getZipError()));
    const int entries = zip.getEntriesCount();
    setProgress(0);
    setProgressTotal(entries);

    m_db->setGlossariesMD5(QByteArray());
    {
        DatabaseTransaction transaction(m_db, "delete glossaries");
        transaction.begin();
        m_db->deleteGlossaryWords();
        m_db->deleteGlossaryWordsData();
        transaction.commit();
    }
    auto ids = std::make_shared<GlossariesIdMngr>();
    m_glossaryIndex.beginIndexing();
    m_glossaryIndex.deleteAll();

    std::vector<std::shared_ptr<GlossaryWord>> words;
    std::vector<GlossaryWordDataRow> articles;
    qint64 estimate = 0;
    std::shared_ptr<GlossaryTree> tree;
    const auto flush = [&] {
        {
            // The index first: its writer is open since deleteAll, and no
            // database lock is held while it works.
            m_glossaryIndex.addWord(words);
            DatabaseTransaction transaction(m_db, "glossary words");
            transaction.begin();
            m_db->insertGlossaryWords(words);
            transaction.commit();
            words.clear();
        }
        {
            DatabaseTransaction transaction(m_db, "glossary articles");
            transaction.begin();
            m_db->insertGlossaryWordsData(articles);
            transaction.commit();
            articles.clear();
        }
        estimate = 0;
    };

    int number = 0;
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        if (m_stop.load())
            throw Exception("rejected");
        if (zip.getZipError() != UNZ_OK)
            throw Exception(QStringLiteral("Unknown error. Error code: %1").arg(zip.getZipError()));
        setProgress(++number);
        const QString name = zip.getCurrentFileName();
        const QStringList parts = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        if (parts.isEmpty() || parts.first() != QLatin1String("tarnolix"))
            continue;
        const bool isTree = parts.size() == 2 && parts[1] == QLatin1String("glossary_tree.xml");
        const bool isWords = parts.size() == 3 && parts[1] == QLatin1String("words");
        const bool isArticle = parts.size() == 5 && parts[1] == QLatin1String("glossary");
        if (!isTree && !isWords && !isArticle)
            continue;
        QuaZipFileInfo64 info;
        if (zip.getCurrentFileInfo(&info) && qint64(info.uncompressedSize) > m_options.maxGlossaryEntryBytes)
            throw Exception(QStringLiteral("Archive entry is too large: %1 (%2 bytes)").arg(name).arg(info.uncompressedSize));
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::ReadOnly))
            throw Exception(QStringLiteral("Open file error. Error code: %2").arg(file.getZipError()));
        // Bounded even when the header lies about the size.
        const QByteArray data = file.read(m_options.maxGlossaryEntryBytes + 1);
        if (data.size() > m_options.maxGlossaryEntryBytes)
            throw Exception(QStringLiteral("Archive entry is too large: %1").arg(name));
        file.close();
        if (file.getZipError() != UNZ_OK)
            throw Exception(QStringLiteral("Unknown error. Error code: %1").arg(file.getZipError()));
        if (isTree) {
            GlossaryTreeParser parser(ids, data);
            tree = parser.parse();
        } else if (isWords) {
            GlossaryWordParser parser(ids, data);
            std::shared_ptr<GlossaryWord> word = parser.parse();
            estimate += 60;
            for (const QString& spelling : word->words)
                estimate += 8 + spelling.size();
            for (const GlossaryWordWhere& place : word->where)
                estimate += 32 + 4 * qint64(place.glossaryIds.size());
            words.push_back(std::move(word));
            if (estimate > kGlossaryFlushBytes)
                flush();
        } else {
            const QString& fileName = parts[4];
            const int dot = fileName.lastIndexOf(QLatin1Char('.'));
            if (dot < 0)
                throw Exception("ERROR 0x54124785");
            GlossaryWordDataRow row;
            row.data = data;
            row.glossaryCategoryId = ids->getOrAddCategoryId(parts[2]);
            row.glossaryId = ids->getOrAddGlossaryId(parts[3]);
            row.glossaryWordId = ids->getOrAddWordId(fileName.left(dot));
            estimate += data.size() + 20;
            articles.push_back(std::move(row));
            if (estimate > kGlossaryFlushBytes)
                flush();
        }
    }
    if (zip.getZipError() != UNZ_OK)
        throw Exception(QStringLiteral("Unknown error. Error code: %1").arg(zip.getZipError()));
    if (!tree)
        throw Exception("\"glossary_tree.xml\" not found in archive!");
    flush();
    {
        DatabaseTransaction transaction(m_db, "glossaries");
        transaction.begin();
        m_db->setGlossariesIdMngr(*ids);
        m_db->setGlossaryTree(*tree);
        m_db->setGlossariesMD5(m_saved.glossariesMd5);
        transaction.commit();
    }
    setProgress(number);
    m_glossaryIndex.finishIndexing();
    // Announced once its words are stored and indexed.
    emitEvent(&TarnolixEvents::emitGlossaryTreeChanged);
}

void DatabaseUpdaterPrivate::glossaryComplete()
{
    if (m_status != InstallGlossaries) {
        qWarning("DatabaseUpdaterPrivate::glossaryComplete: Invalid status");
        return;
    }
    completeUpdate(Finished, QString());
}

void DatabaseUpdaterPrivate::removeGlossariesArchive()
{
    if (!m_glossariesArchive)
        return;
    const QString path = m_glossariesArchive->fileName();
    m_glossariesArchive->close();
    if (m_glossariesArchive->remove())
        qDebug("removeGlossariesArchive: \"%s\" was deleted", qUtf8Printable(path));
    else
        qDebug("removeGlossariesArchive: error delete: %s", qUtf8Printable(m_glossariesArchive->errorString()));
    m_glossariesArchive.reset();
}

// --- Completion ---

void DatabaseUpdaterPrivate::pReject()
{
    if (m_status < LoadingCatalogs || m_status > InstallGlossaries) {
        qWarning("DatabaseUpdaterPrivate::doReject: Invalid status(%d)", m_status);
        return;
    }
    completeUpdate(Rejected, QStringLiteral("Обновление базы прервано"));
}

void DatabaseUpdaterPrivate::completeUpdate(int status, QString text)
{
    try {
        if (!m_options.checkOnly && status == Finished && !m_deferredBooksMessage.isEmpty()) {
            status = Failed;
            text = m_deferredBooksMessage;
        }
        if (m_options.checkOnly) {
            setStatus(status);
            saveStatus(true);
        } else {
            setStatus(FinalAction);
            const auto appendFailure = [&](const char* failure) {
                status = Failed;
                if (!text.isEmpty())
                    text += QLatin1Char('\n');
                text += QString::fromUtf8(failure);
            };
            {
                const ScopedElapsedLogger completing("Completing update");
                try {
                    const ScopedElapsedLogger step("Create indexes");
                    m_db->rebuildIndexes();
                } catch (const std::exception& error) {
                    qCritical("createIndexes failed: %s", error.what());
                }
                try {
                    m_booksSaver->saveBufferedBooks();
                    m_booksSaver->completeUpdate();
                } catch (const std::exception& error) {
                    qCritical("DatabaseUpdaterPrivate::completeUpdate: saveBufferedBooks or completeUpdate failed: %s",
                              error.what());
                    appendFailure("Произошла ошибка при загрузке книг(0x45F7641A)!");
                }
                try {
                    const ScopedElapsedLogger step("reloadBooksExists");
                    reloadBooksExists();
                } catch (const std::exception& error) {
                    qWarning("reloadBooksExists error: %s", error.what());
                    appendFailure("Произошла ошибка при загрузке книг(2)!");
                }
                try {
                    const ScopedElapsedLogger step("updateCatalogPositions");
                    updateCatalogPositions();
                } catch (const std::exception& error) {
                    qWarning("updateCatalogPositions error: %s", error.what());
                    appendFailure("Произошла ошибка при загрузке книг(3)!");
                }
            }
            {
                const ScopedElapsedLogger step("walCheckpoint");
                try {
                    if (!m_db->walCheckpoint(QStringLiteral("TRUNCATE")))
                        qWarning("walCheckpoint error: %s", qUtf8Printable(m_db->lastErrorText()));
                } catch (const std::exception& error) {
                    qWarning("walCheckpoint error: %s", error.what());
                }
            }
            if (status == Finished) {
                try {
                    m_db->setSetting(settingKey(LibrarySettingsKeys::BooksUpdateTime), m_saved.idsTime);
                } catch (const std::exception& error) {
                    qWarning("Save BooksUpdateTime error: %s", error.what());
                }
                try {
                    m_db->setSetting(settingKey(LibrarySettingsKeys::BooksSubscribeLevel), m_saved.subscriptionLevel);
                } catch (const std::exception& error) {
                    qWarning("Save BooksSubscribeLevel error: %s", error.what());
                }
                m_saved.completed = true;
                markDirty();
            }
            setErrorText(text);
            setStatus(status);
            saveStatus(true);
        }
    } catch (const std::exception& error) {
        qCritical("DatabaseUpdaterPrivate::completeUpdate: %s", error.what());
    }
    releaseRun();
    setErrorText(text);
}

void DatabaseUpdaterPrivate::releaseRun()
{
    if (m_api)
        m_api->cancelBookDownloads();
    if (m_connectionRetry)
        m_connectionRetry->reset();
    if (m_booksTimer)
        m_booksTimer->stop();
    m_activeBooks.clear();
    if (m_glossaryReply) {
        m_glossaryReply->disconnect(this);
        m_glossaryReply->deleteLater();
        m_glossaryReply = nullptr;
    }
    removeGlossariesArchive();
}

void DatabaseUpdaterPrivate::reloadBooksExists()
{
    // The library's own walk of the parents, which cuts a cycle in the data.
    m_db->reloadBooksExists();
    for (const TarnolixConstants::Language language : languageList()) {
        if (TarnolixEvents* events = TarnolixEvents::current())
            events->emitBooksBaseChanged(language);
    }
}

void DatabaseUpdaterPrivate::updateCatalogPositions()
{
    qDebug("DatabaseUpdaterPrivate::updateCatalogPositions");
    if (m_positionsInUse)
        throw Exception("ERROR 0x88544123");
    m_positionsInUse = true;
    struct InUse
    {
        bool& flag;
        ~InUse() { flag = false; }
    } inUse{m_positionsInUse};
    for (const TarnolixConstants::Language language : languageList()) {
        const ScopedElapsedLogger logger(QByteArray("updateCatalogPositions: ") + languageToName(language).toUtf8());
        CatalogCategoriesModel model(m_db, nullptr);
        model.setLanguage(language);
        model.setLoadAllData(true);
        model.reload(false);
        SectionsCatalogPositions positions;
        int position = 0;
        // Depth first from the root, rows in order. A read that fails on
        // this thread is rethrown by the model and fails the run.
        const std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
            const int rows = model.rowCount(parent);
            for (int row = 0; row < rows; ++row) {
                const QModelIndex index = model.index(row, 0, parent);
                if (model.data(index, CatalogModelBase::TypeRole).toInt() == TarnolixConstants::Section)
                    positions.insert(model.data(index, CatalogModelBase::IdRole).toString(), position++);
                if (model.hasChildren(index))
                    walk(index);
            }
        };
        walk(QModelIndex());
        m_db->setSectionsCatalogPositions(int(language), positions);
    }
}
