#pragma once
// Keys of the library's own Settings table: facts that travel with the
// library file, one set per account's library.

#include <QString>

namespace LibrarySettingsKeys {

inline constexpr const char DatabaseVersion[] = "DatabaseVersion";
// 0 nothing loaded or the update failed, 1 an update step is running,
// 2 the contents are complete.
inline constexpr const char DatabaseStatus[] = "DatabaseStatus";
inline constexpr const char FavoritesSyncTime[] = "favoritesSyncTime";
inline constexpr const char NeedFavoritesSync[] = "needFavoritesSync";
inline constexpr const char GlossariesIdMngr[] = "GlossariesIdMngr";
inline constexpr const char GlossariesMD5[] = "GlossariesMD5";
inline constexpr const char GlossaryTree[] = "GlossaryTree";
inline constexpr const char DBOwned[] = "DBOwned";
inline constexpr const char BooksSubscribeLevel[] = "BooksSubscribeLevel";
inline constexpr const char BooksUpdateTime[] = "BooksUpdateTime";
inline constexpr const char DatabaseUpdateStatus[] = "DatabaseUpdateStatus";
inline constexpr const char UpdateCompleterVersion[] = "UpdateCompleterVersion";
inline constexpr const char HashArchiBook[] = "HashArchiBook";
inline constexpr const char HashCategory[] = "HashCategory";
inline constexpr const char HashPerson[] = "HashPerson";
inline constexpr const char HashPublisher[] = "HashPublisher";
inline constexpr const char IndexOptimizeError[] = "IndexOptimizeError";
inline constexpr const char WBWIndexOptimizeError[] = "WBWIndexOptimizeError";
inline constexpr const char GlossaryIndexOptimizeError[] = "GlossaryIndexOptimizeError";

// "SectionsCatalogPositions_<language id>".
inline QString sectionsCatalogPositions(int languageId)
{
    return QStringLiteral("SectionsCatalogPositions_%1").arg(languageId);
}

} // namespace LibrarySettingsKeys
