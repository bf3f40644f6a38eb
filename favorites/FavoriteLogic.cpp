#include "favorites/FavoriteLogic.h"

#include "core/Exception.h"
#include "database/TarnolixDB.h"
#include "favorites/FavoriteHelper.h"
#include "favorites/FavoritesServices.h"
#include "pages/BookMngr.h"
#include "tabs/PageStatus.h"
#include "tabs/TabStatus.h"

#include <QtDebug>

#include <algorithm>

namespace {

constexpr size_t kInitialBuckets = 8;

QString uuidText(const Favorite& favorite)
{
    return favorite.uuid().toString(QUuid::WithBraces);
}

bool hasBothCodes(const Favorite& favorite)
{
    return !favorite.startSelectedPosition().sectionCode().isEmpty()
           && !favorite.endSelectedPosition().sectionCode().isEmpty();
}

// The position must name a section of the open book by index and code.
void checkPosition(const BookMngr& book, const SelectedPosition& position)
{
    const auto& index = position.sectionIndex();
    const auto& sections = book.sections();
    if (!index || *index >= sections.size() || sections[*index]->code != position.sectionCode())
        throw Exception("ERROR 0xABCD8461");
}

void postError(const QString& prefix, const std::exception& e)
{
    const QString message = prefix + QString::fromUtf8(e.what());
    if (FavoritesServices* services = FavoritesServices::current())
        services->postShowError(message);
    else
        qWarning("%s", qUtf8Printable(message));
}

auto sameUuid(const Favorite& favorite)
{
    return [&favorite](const std::shared_ptr<const Favorite>& other) { return other->uuid() == favorite.uuid(); };
}

} // namespace

FavoriteLogic::FavoriteLogic(TabStatus* tabStatus, QObject* parent)
    : QObject(parent)
    , m_tabStatus(tabStatus)
    , m_sectionIndex(kInitialBuckets)
{
    m_sectionIndex.max_load_factor(1.0f);
    FavoritesServices& services = favoritesServices();
    m_db = services.guiDatabase();
    if (FavoriteHelper* helper = services.favoriteHelper()) {
        connect(helper, &FavoriteHelper::favoritesAdded, this, &FavoriteLogic::onfavoritesAdded);
        connect(helper, &FavoriteHelper::favoritesDeleted, this, &FavoriteLogic::onFavoritesDeleted);
    } else {
        qWarning("FavoriteLogic: no favorites service to follow");
    }
}

FavoriteLogic::~FavoriteLogic() = default;

std::unique_ptr<OpenBookFavorites> FavoriteLogic::createForPage(TabStatus* tab, OpenBookStatus* page)
{
    Q_UNUSED(page)
    FavoritesServices* services = FavoritesServices::current();
    if (!services || !services->favoriteHelper())
        return nullptr;
    return std::make_unique<FavoriteLogic>(tab);
}

void FavoriteLogic::clear()
{
    m_bookId = 0;
    m_language = 0;
    m_favorites.clear();
    m_sectionIndex.clear();
}

std::pair<quint64, quint64> FavoriteLogic::sectionRange(const Favorite& favorite)
{
    const SelectedPosition& start = favorite.startSelectedPosition();
    const SelectedPosition& end = favorite.endSelectedPosition();
    if (!start.sectionIndex() || !end.sectionIndex())
        throw Exception("ERROR 0xAECD84FF");
    const quint64 first = *start.sectionIndex();
    const quint64 last = *end.sectionIndex();
    if (first == last && end.offset() <= start.offset())
        throw Exception("ERROR 0xAECD8462");
    if (last < first)
        throw Exception("ERROR 0xAECD8463");
    return {first, last};
}

int FavoriteLogic::favoriteSectionCoverage(const Favorite& favorite, quint64 sectionIndex)
{
    const auto& start = favorite.startSelectedPosition().sectionIndex();
    const auto& end = favorite.endSelectedPosition().sectionIndex();
    if (!start || !end || sectionIndex < *start || sectionIndex > *end)
        return 0;
    return sectionIndex == *start || sectionIndex == *end ? 2 : 1;
}

int FavoriteLogic::sectionCoverage(const Favorite& favorite, quint64 sectionIndex) const
{
    return favoriteSectionCoverage(favorite, sectionIndex);
}

FavoriteConstArray FavoriteLogic::sectionFavorites(quint64 sectionIndex)
{
    const auto it = m_sectionIndex.find(sectionIndex);
    if (it == m_sectionIndex.end())
        return {};
    m_renderedCount += static_cast<int>(it->second.size());
    return it->second;
}

std::pair<quint64, quint64> FavoriteLogic::addToIndex(const std::shared_ptr<const Favorite>& favorite)
{
    const auto range = sectionRange(*favorite);
    for (quint64 i = range.first; i <= range.second; ++i)
        m_sectionIndex[i].push_back(favorite);
    return range;
}

bool FavoriteLogic::isOfLoadedBook(const Favorite& favorite) const
{
    return m_bookId != 0 && favorite.bookId() == m_bookId && static_cast<int>(favorite.language()) == m_language;
}

void FavoriteLogic::loadFavorite(const BookMngr& book)
{
    const int bookId = book.bookId();
    const int language = static_cast<int>(book.language());
    if (bookId == m_bookId && language == m_language)
        return;
    clear();
    try {
        if (!book.bookBase() || !book.bookInfo())
            throw Exception("ERROR 0x54FF8715");
        m_bookId = bookId;
        m_language = language;
        const auto favorites = m_db->selectFavoritesOfBook(bookId, book.language());
        if (favorites.empty())
            qDebug("Favorites not exists");
        for (const auto& favorite : favorites) {
            if (!hasBothCodes(*favorite)) {
                // Listed, so the page knows the book has favorites, but marked nowhere.
                qDebug("FavoriteLogic::loadFavorite: favorite %s skipped", qUtf8Printable(uuidText(*favorite)));
                m_favorites.push_back(favorite);
                continue;
            }
            // One favorite that no longer fits the book must not cost the
            // reader the marks of all the others.
            try {
                checkPosition(book, favorite->startSelectedPosition());
                checkPosition(book, favorite->endSelectedPosition());
                addToIndex(favorite);
                m_favorites.push_back(favorite);
            } catch (const Exception& e) {
                qWarning("FavoriteLogic::loadFavorite: favorite %s left out: %s",
                         qUtf8Printable(uuidText(*favorite)), e.what());
            }
        }
    } catch (const std::exception& e) {
        clear();
        postError(tr("Не удалось загрузить избранное: "), e);
    }
}

void FavoriteLogic::requestReload(const SectionRanges& ranges)
{
    PageStatus* page = m_tabStatus ? m_tabStatus->pageStatus() : nullptr;
    if (!page || page->type() != UrlCreator::OpenBook)
        throw Exception("ERROR 0x45F20BE1");
    // The open-book page status (or a page that renders sections the same way).
    auto* target = dynamic_cast<SectionsReloadTarget*>(page);
    if (!target)
        throw Exception("ERROR 0x45F20BE2");
    target->requestSectionsReload(ranges);
}

void FavoriteLogic::onfavoritesAdded(const FavoriteConstArray& favorites)
{
    try {
        SectionRanges ranges;
        for (const auto& added : favorites) {
            if (!isOfLoadedBook(*added))
                continue;
            // The store's own record: matched by uuid, never by pointer.
            auto favorite = std::make_shared<const Favorite>(*added);
            if (!hasBothCodes(*favorite)) {
                m_favorites.push_back(favorite);
                continue;
            }
            try {
                ranges.push_back(addToIndex(favorite));
                m_favorites.push_back(favorite);
            } catch (const Exception& e) {
                // Not listed: a favorite the page cannot mark is not shown as one.
                qWarning("FavoriteLogic::onfavoritesAdded: favorite %s left out: %s",
                         qUtf8Printable(uuidText(*favorite)), e.what());
                postError(tr("Не удалось загрузить избранное: "), e);
            }
        }
        requestReload(ranges);
    } catch (const std::exception& e) {
        postError(tr("Не удалось загрузить избранное: "), e);
    }
}

void FavoriteLogic::onFavoritesDeleted(const FavoriteConstArray& favorites)
{
    try {
        SectionRanges ranges;
        for (const auto& deleted : favorites) {
            if (!isOfLoadedBook(*deleted))
                continue;
            const auto listed = std::find_if(m_favorites.begin(), m_favorites.end(), sameUuid(*deleted));
            if (listed == m_favorites.end())
                qWarning("ERROR 0xAECD8464");
            else
                m_favorites.erase(listed);
            if (!hasBothCodes(*deleted)) {
                qDebug("FavoriteLogic::onFavoritesDeleted: favorite %s skipped", qUtf8Printable(uuidText(*deleted)));
                continue;
            }
            const auto range = sectionRange(*deleted);
            for (quint64 i = range.first; i <= range.second; ++i) {
                const auto section = m_sectionIndex.find(i);
                if (section == m_sectionIndex.end()) {
                    qWarning("ERROR 0xAECD8465");
                    continue;
                }
                auto& list = section->second;
                const auto it = std::find_if(list.begin(), list.end(), sameUuid(*deleted));
                if (it == list.end())
                    qWarning("ERROR 0xAECD8466");
                else
                    list.erase(it);
            }
            ranges.push_back(range);
        }
        requestReload(ranges);
    } catch (const std::exception& e) {
        postError(tr("Не удалось обновить избранное: "), e);
    }
}
