#include "favorites/FavoriteHelper.h"

#include "core/Exception.h"
#include "core/TarnolixText.h"
#include "core/TextNormalization.h"
#include "database/DatabasePool.h"
#include "database/DatabaseTransaction.h"
#include "database/TarnolixDB.h"
#include "favorites/FavoritesServices.h"
#include "favorites/FavoritesValidator.h"

#include <QDateTime>
#include <QMetaEnum>
#include <QMetaType>
#include <QVariantMap>
#include <QtDebug>

using L = TarnolixConstants::Language;

namespace {

const char kCannotCreate[] = "Не удалось создать закладку";

QUuid folderFromString(const QString& text)
{
    return text.isEmpty() ? QUuid() : QUuid::fromString(text);
}

const char* languageName(int language)
{
    const char* name = QMetaEnum::fromType<L>().valueToKey(language);
    return name ? name : "?";
}

// One key of a page position map; a missing or unconvertible value leaves
// `out` as it was.
template<typename T>
bool getValue(const QVariantMap& map, const char* key, T& out)
{
    const auto it = map.constFind(QLatin1String(key));
    if (it == map.constEnd()) {
        qWarning("SelectedPosition::getValue: \"%s\" not exists in map", key);
        return false;
    }
    QVariant value = *it;
    if (!value.canConvert<T>() || !value.convert(qMetaTypeId<T>())) {
        qWarning("SelectedPosition::getValue: \"%s\" not can convert", key);
        return false;
    }
    out = value.value<T>();
    return true;
}

// A position as the page script reports it: the section element's code and
// index, its whole HTML and an offset in that HTML.
void selectedPositionFromVariant(const QVariant& variant, SelectedPosition& position, QString& html)
{
    if (!variant.canConvert<QVariantMap>()) {
        qWarning("selectedPositionFromVariant: Is not map");
        return;
    }
    const QVariantMap map = variant.toMap();
    if (map.size() != 4)
        qWarning() << "selectedPositionFromVariant: Map size != 4. Map:" << variant;

    QString code = position.sectionCode();
    if (getValue(map, "sectionCode", code))
        position.setSectionCode(code);
    int offset = position.offset();
    if (getValue(map, "offset", offset))
        position.setOffset(offset);
    qint64 index = 0;
    if (getValue(map, "sectionIndex", index))
        position.setSectionIndex(static_cast<quint64>(index));
    if (!getValue(map, "html", html))
        html.clear();
}

// The section's slug, which must name that one section of the edition.
QString uniqueSlug(TarnolixDB& db, L language, int bookId, const QString& code)
{
    QString slug = db.selectSectionSlug(bookId, language, code);
    FavoritesValidator::checkUniqueSectionSlug(db, language, bookId, slug);
    return slug;
}

// The text offset of an HTML offset of the page.
int textOffset(const QString& html, int offset, const char* error)
{
    const int position = TarnolixText::getAbsolutePosition(html, offset);
    if (position == -1) {
        qWarning("%s", error);
        throw Exception(kCannotCreate);
    }
    return position;
}

template<typename T>
std::vector<std::shared_ptr<const T>> constArray(const std::vector<std::shared_ptr<T>>& records)
{
    return std::vector<std::shared_ptr<const T>>(records.begin(), records.end());
}

} // namespace

FavoriteHelper::FavoriteHelper(std::shared_ptr<TarnolixDB> db, QObject* parent) : QObject(parent), m_db(std::move(db))
{
    registerMetaTypes();
}

FavoriteHelper::~FavoriteHelper() = default;

void FavoriteHelper::registerMetaTypes()
{
    qRegisterMetaType<FavoriteConstArray>("FavoriteConstArray");
    qRegisterMetaType<FavoriteFolderConstArray>("FavoriteFolderConstArray");
    qRegisterMetaType<ChangedFavorites>("ChangedFavorites");
}

QVariant FavoriteHelper::getBookSectionName(int bookId, int language, const QString& sectionCode)
{
    try {
        const auto lang = static_cast<L>(language);
        const auto info = m_db->selectBookInfo(bookId, lang);
        const QString bookName = info->name;
        QString sectionPath = bookName;
        const auto [section, sectionBookId] = m_db->selectBookSection(sectionCode, lang);
        if (sectionBookId != bookId)
            throw Exception("Error 0x8123f451: Wrong bookId");
        if (!section->name.isEmpty())
            sectionPath = bookName + QStringLiteral(" \u2022 ") + section->name;
        return QVariantMap{{QStringLiteral("bookName"), bookName}, {QStringLiteral("sectionPath"), sectionPath}};
    } catch (const std::exception& e) {
        showFavoritesException(e);
        return {};
    }
}

bool FavoriteHelper::hasFavoriteWithTitle(const QString& title, const QString& ignoreFavoriteUuid)
{
    try {
        const bool exists = m_db->isFavoriteTitleExists(title, folderFromString(ignoreFavoriteUuid));
        qDebug("hasFavoriteWithTitle=%d", exists);
        return exists;
    } catch (const std::exception& e) {
        showFavoritesException(e);
        return false;
    }
}

QVariant FavoriteHelper::getFavoriteTitleAndNote(const QString& favoriteUuid)
{
    try {
        const auto [title, note] = m_db->selectFavoriteTitleNote(QUuid::fromString(favoriteUuid));
        return QVariantMap{{QStringLiteral("title"), title}, {QStringLiteral("note"), note}};
    } catch (const std::exception& e) {
        showFavoritesException(e);
        return {};
    }
}

void FavoriteHelper::addFavorite(int bookId, int language, const QVariant& startSelectedPositionV,
                                 const QVariant& endSelectedPositionV, const QString& favoriteTitle,
                                 const QString& favoriteNote, const QString& favoriteText,
                                 const QString& favoriteFolder)
{
    try {
        const auto lang = static_cast<L>(language);
        auto favorite = std::make_shared<Favorite>();
        favorite->setUuid(QUuid::createUuid());
        qDebug() << "FavoriteHelper::addFavorite: uuid=" << favorite->uuid() << "bookId =" << bookId
                 << "language =" << languageName(language) << "selectedStartPosition =" << startSelectedPositionV
                 << "selectedEndPosition =" << endSelectedPositionV << "favoriteTitle =" << favoriteTitle
                 << "favoriteNote =" << favoriteNote << "favoriteFolder =" << favoriteFolder
                 << "favoriteText:" << favoriteText;

        favorite->setCatalogUuid(folderFromString(favoriteFolder));
        favorite->setBookId(bookId);
        favorite->setLanguage(lang);
        favorite->setTitle(favoriteTitle);
        favorite->setNote(favoriteNote);
        favorite->setFavoriteText(favoriteText);
        favorite->setTimeOfChange(QDateTime::currentMSecsSinceEpoch());

        SelectedPosition& start = favorite->startSelectedPosition();
        SelectedPosition& end = favorite->endSelectedPosition();
        QString startHtml;
        QString endHtml;
        selectedPositionFromVariant(startSelectedPositionV, start, startHtml);
        selectedPositionFromVariant(endSelectedPositionV, end, endHtml);
        qDebug() << "\nstartSelectedPosition:" << start << "html:" << startHtml;
        qDebug() << "\nendSelectedPosition:" << end << "html:" << endHtml;

        const bool oneSection = start.sectionCode() == end.sectionCode();
        start.setSectionSlug(uniqueSlug(*m_db, lang, bookId, start.sectionCode()));
        if (oneSection) {
            // Only within one section can the page offsets be compared.
            if (end.offset() <= start.offset()) {
                qWarning("ERROR 0x858f96f2");
                throw Exception(kCannotCreate);
            }
            end.setSectionSlug(start.sectionSlug());
        } else {
            end.setSectionSlug(uniqueSlug(*m_db, lang, bookId, end.sectionCode()));
        }

        qDebug("processSelected...");
        start.setOffset(textOffset(startHtml, start.offset(), "ERROR 0x858f961c"));
        end.setOffset(textOffset(endHtml, end.offset(), "ERROR 0x858f961d"));
        qDebug() << "oneSection =" << oneSection << start << end;

        DatabaseTransaction transaction(m_db, "addFavorite");
        m_db->insertFavorite(*favorite);
        m_db->upsertFavoriteSyncItem(*favorite, FavoritesSyncItem::Added);
        transaction.commit();

        emit favoritesAdded(FavoriteConstArray{favorite});
    } catch (const std::exception& e) {
        showFavoritesException(e);
    }
}

QVariant FavoriteHelper::getFavoriteInfo(const QString& favoriteUuid)
{
    try {
        const auto favorite =
            m_db->selectFavorite(QUuid::fromString(favoriteUuid), TarnolixDB::FavoriteTitle | TarnolixDB::FavoriteNote);
        const QUuid& folder = favorite->catalogUuid();
        return QVariantMap{
            {QStringLiteral("uuid"), favorite->uuid().toString(QUuid::WithoutBraces)},
            {QStringLiteral("folderUuid"), folder.isNull() ? QString() : folder.toString(QUuid::WithoutBraces)},
            {QStringLiteral("bookId"), favorite->bookId()},
            {QStringLiteral("language"), static_cast<int>(favorite->language())},
            {QStringLiteral("sectionCode"), favorite->startSelectedPosition().sectionCode()},
            {QStringLiteral("title"), favorite->title().value_or(QString())},
            {QStringLiteral("note"), favorite->note().value_or(QString())},
        };
    } catch (const std::exception& e) {
        qWarning("getFavoriteInfo: %s", e.what());
        if (FavoritesServices* services = FavoritesServices::current())
            services->showError(QString::fromUtf8(e.what()));
        return {};
    }
}

void FavoriteHelper::updateFavorite(const QString& favoriteUuid, const QString& favoriteTitle,
                                    const QString& favoriteNote, const QString& favoriteFolder)
{
    try {
        qDebug() << "FavoriteHelper::updateFavorite: favoriteUuid =" << favoriteUuid
                 << "favoriteTitle =" << favoriteTitle << "favoriteNote =" << favoriteNote
                 << "favoriteFolder =" << favoriteFolder;
        const QUuid uuid = QUuid::fromString(favoriteUuid);
        if (uuid.isNull())
            throw Exception("ERROR 0xF1477494");
        const std::shared_ptr<const Favorite> stored =
            m_db->selectFavorite(uuid, TarnolixDB::FavoriteTitle | TarnolixDB::FavoriteNote);

        const QUuid folder = folderFromString(favoriteFolder);
        const bool folderChanged = stored->catalogUuid() != folder;
        const bool titleChanged = stored->title() != favoriteTitle;
        const bool noteChanged = stored->note() != favoriteNote;
        if (!folderChanged && !titleChanged && !noteChanged) {
            qDebug("FavoriteHelper::updateFavorite: not changed");
            return;
        }

        TarnolixDB::FavoriteUpdate update;
        update.timeOfChange = QDateTime::currentMSecsSinceEpoch();
        if (folderChanged)
            update.catalogUuid = folder;
        if (titleChanged)
            update.title = favoriteTitle;
        if (noteChanged)
            update.note = favoriteNote;
        m_db->updateFavoriteFields(uuid, update);

        auto changed = std::make_shared<Favorite>(*stored);
        changed->setCatalogUuid(folder);
        changed->setTitle(favoriteTitle);
        changed->setNote(favoriteNote);
        changed->setTimeOfChange(*update.timeOfChange);
        emit favoritesChanged(ChangedFavorites{{stored, changed}});
    } catch (const std::exception& e) {
        showFavoritesException(e);
    }
}

void FavoriteHelper::deleteFavorite(const QString& favoriteUuid)
{
    try {
        DatabaseTransaction transaction(m_db, "deleteFavorite");
        const auto favorite = m_db->selectFavorite(QUuid::fromString(favoriteUuid), 0);
        m_db->deleteFavorite(favorite->uuid());
        m_db->upsertFavoriteSyncItem(*favorite, FavoritesSyncItem::Deleted);
        transaction.commit();
        emit favoritesDeleted(FavoriteConstArray{favorite});
    } catch (const std::exception& e) {
        showFavoritesException(e);
    }
}

void FavoriteHelper::deleteBookFavorites(int bookId, int language)
{
    try {
        qDebug() << "FavoriteHelper::deleteBookFavorites: bookId =" << bookId << "language ="
                 << languageName(language);
        const auto favorites = m_db->selectFavoritesOfBook(bookId, static_cast<L>(language));
        qDebug("FavoriteHelper::deleteBookFavorites: found %d favorites", static_cast<int>(favorites.size()));
        std::vector<QUuid> uuids;
        uuids.reserve(favorites.size());
        for (const auto& favorite : favorites)
            uuids.push_back(favorite->uuid());

        // The library refuses an empty list; the page still hears the (empty) answer.
        if (!uuids.empty()) {
            DatabaseTransaction transaction(m_db, "deleteBookFavorites");
            m_db->deleteFavorites(uuids);
            m_db->queueFavoritesForSync(favorites, FavoritesSyncItem::Deleted);
            transaction.commit();
        }
        emit favoritesDeleted(constArray(favorites));
    } catch (const std::exception& e) {
        showFavoritesException(e);
    }
}

QString FavoriteHelper::getFolderName(const QString& favoriteFolderUuid)
{
    try {
        return m_db->selectFavoriteFolder(QUuid::fromString(favoriteFolderUuid))->name();
    } catch (const std::exception& e) {
        showFavoritesException(e);
        return {};
    }
}

void FavoriteHelper::renameFolder(const QString& favoriteFolderUuid, const QString& newName)
{
    try {
        qDebug() << "FavoriteHelper::renameFolder: favoriteFolderUuid =" << favoriteFolderUuid
                 << "newName =" << newName;
        const auto folder = m_db->selectFavoriteFolder(QUuid::fromString(favoriteFolderUuid));
        if (folder->name() == newName) {
            qDebug("FavoriteHelper::renameFolder: not changed");
            return;
        }
        folder->setName(newName);
        updateFolder(folder);
    } catch (const std::exception& e) {
        showFavoritesException(e);
    }
}

void FavoriteHelper::removeFolder(const QString& favoriteFolderUuid)
{
    try {
        deleteFolder(QUuid::fromString(favoriteFolderUuid));
    } catch (const std::exception& e) {
        showFavoritesException(e);
    }
}

std::shared_ptr<FavoriteFolder> FavoriteHelper::addFolder(const QUuid& parentUuid, const QString& name)
{
    auto folder = std::make_shared<FavoriteFolder>();
    folder->setUuid(QUuid::createUuid());
    folder->setParentUuid(parentUuid);
    folder->setName(name);
    folder->setTimeOfChange(QDateTime::currentMSecsSinceEpoch());

    DatabaseTransaction transaction(m_db, "addFolder");
    m_db->insertFavoriteFolder(*folder);
    m_db->upsertFolderSyncItem(FavoritesSyncItem(folder->uuid(), FavoritesSyncItem::Added));
    transaction.commit();

    emit favoriteFoldersAdded(FavoriteFolderConstArray{folder});
    return folder;
}

void FavoriteHelper::deleteFolder(const QUuid& folderUuid)
{
    DatabaseTransaction transaction(m_db, "deleteFolder");
    std::vector<QUuid> folderIds{folderUuid};
    std::vector<QUuid> favoriteIds;
    // Breadth first: the list grows while it is walked.
    for (size_t i = 0; i < folderIds.size(); ++i) {
        const QUuid folder = folderIds[i];
        for (const QUuid& child : m_db->selectFavoriteFolderIds(folder))
            folderIds.push_back(child);
        for (const QUuid& favorite : m_db->selectFavoriteIdsInFolder(folder))
            favoriteIds.push_back(favorite);
    }

    TarnolixDB::FavoriteList favorites;
    if (!favoriteIds.empty()) {
        favorites = m_db->selectFavoritesByIds(favoriteIds, 0);
        m_db->deleteFavorites(favoriteIds);
        m_db->queueFavoriteIdsForSync(favoriteIds, FavoritesSyncItem::Deleted);
    }
    const auto folders = m_db->selectFavoriteFoldersByIds(folderIds);
    m_db->deleteFavoriteFolders(folderIds);
    m_db->queueFolderIdsForSync(folderIds, FavoritesSyncItem::Deleted);
    transaction.commit();

    if (!favorites.empty())
        emit favoritesDeleted(constArray(favorites));
    if (!folders.empty())
        emit favoriteFoldersDeleted(constArray(folders));
}

std::shared_ptr<const FavoriteFolder> FavoriteHelper::updateFolder(const std::shared_ptr<const FavoriteFolder>& folder)
{
    // Listeners may hold the record given: the stored state is a new one.
    auto changed = std::make_shared<FavoriteFolder>(*folder);
    changed->setTimeOfChange(QDateTime::currentMSecsSinceEpoch());
    m_db->updateFavoriteFolder(*changed);
    emit favoriteFoldersChanged(FavoriteFolderConstArray{changed});
    return changed;
}

void FavoriteHelper::search(const QString& text)
{
    std::lock_guard<std::mutex> lock(m_searchMutex);
    m_searchResult.reset();
    auto result = std::make_shared<SearchResust>();
    TarnolixDB::FavoritesFilterText filter;
    filter.text = text;
    result->folders = currentDatabase()->selectAllFavoriteFolders(detectTextLanguage(text), filter);
    m_searchResult = std::move(result);
}

void FavoriteHelper::resetSearch()
{
    std::lock_guard<std::mutex> lock(m_searchMutex);
    m_searchResult.reset();
}

std::shared_ptr<FavoriteHelper::SearchResust> FavoriteHelper::searchResult()
{
    std::lock_guard<std::mutex> lock(m_searchMutex);
    return m_searchResult;
}
