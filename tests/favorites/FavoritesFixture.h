#pragma once
// A temporary library holding one book in two editions (Russian and
// English) whose sections share their codes, as real editions do, with the
// favorites services of the test installed around the real page generator.

#include "core/CipherKeyPair.h"
#include "core/Exception.h"
#include "database/BookTextCipher.h"
#include "database/DatabasePool.h"
#include "favorites/FavoriteHelper.h"
#include "favorites/FavoritesServices.h"
#include "favorites/FavoritesValidator.h"
#include "pages/HTMLCreator.h"
#include "tests/database/LibraryFixture.h"
#include "tests/favorites/FakeFavoritesServices.h"

#include <QSignalSpy>
#include <QStringList>
#include <QVariantMap>

#include <memory>

namespace tarnolix::test {

using L = TarnolixConstants::Language;

class FavoritesFixture : public LibraryFixture
{
protected:
    static constexpr int kBookId = 7;
    static constexpr int kSections = 7;

    void SetUp() override;
    void TearDown() override;

    // The text of section `n` (1-based) of an edition.
    static QString sectionText(L language, int n);
    // The section element as the page shows it.
    QString pageHtml(L language, const QString& code);
    // A position map as the page script reports it; `before` is the text the
    // position follows in the section's HTML, found from its last occurrence
    // (after the title) and taken whole.
    QVariantMap position(L language, int n, const QString& before);
    static QVariantMap position(const QString& code, int index, const QString& html, int offset);

    // Adds a favorite through the service and answers the stored record.
    std::shared_ptr<const Favorite> add(L language, const QVariant& start, const QVariant& end,
                                        const QString& title = QStringLiteral("Mark"),
                                        const QString& folder = QString());
    // The journal's action for the uuid in "FavoritesToSync" or
    // "FavoritesCatalogToSync"; -1 when there is no row.
    int journalAction(const QString& table, const QUuid& uuid);

    CipherKeyPair keys;
    FakeFavoritesServices services;
    std::unique_ptr<FavoriteHelper> helper;
};

} // namespace tarnolix::test
