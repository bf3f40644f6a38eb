#pragma once
// Turns the section slugs of favorites that come from elsewhere (an imported
// file, the account server) back into local section codes and indexes, and
// proves that an imported favorite's quoted text is still what the local
// book shows between its two positions. Made on the stack by its user; GUI
// thread, with the GUI thread's connection.

#include "core/FavoriteRecords.h"
#include "core/TarnolixConstants.h"

#include <QString>
#include <QStringList>

#include <map>
#include <memory>

class BookMngrSectionsIndexes;
class TarnolixDB;
struct BookInfo;

class FavoritesValidator
{
public:
    explicit FavoritesValidator(std::shared_ptr<TarnolixDB> db);
    ~FavoritesValidator();
    FavoritesValidator(const FavoritesValidator&) = delete;
    FavoritesValidator& operator=(const FavoritesValidator&) = delete;

    // False (logged) when the book has no edition in `language`; other
    // failures are thrown. Forgets the sections rendered for the book before.
    bool init(int bookId, int language);
    // Whether the favorite's quoted text (or its stored one) is what the
    // book shows between its positions. Never throws: a failure is logged
    // and answers false.
    bool check(const Favorite& favorite);
    // The section HTML of the favorite's range, one fragment per section:
    // the first from the start offset, the last up to the end offset.
    QStringList getFavoriteText(const Favorite& favorite);

    // Fills the section codes and indexes of both positions from their
    // slugs; offsets stay as they are. Throws Exception as
    // checkUniqueSectionSlug does.
    static void restorePositions(TarnolixDB& db, Favorite& favorite);
    // The code of the one section of the book edition with this slug;
    // throws Exception when there is none or more than one.
    static QString checkUniqueSectionSlug(TarnolixDB& db, TarnolixConstants::Language language, int bookId,
                                          const QString& slug);

private:
    const QString& sectionHtml(const QString& code);

    std::shared_ptr<TarnolixDB> m_db;
    std::shared_ptr<BookInfo> m_bookInfo;
    std::unique_ptr<BookMngrSectionsIndexes> m_sectionsIndex;
    std::map<QString, QString> m_sectionHtml;
};
