#include "database/LibrarySettingsKeys.h"
#include "database/TarnolixDB.h"

#include "core/Exception.h"
#include "core/Glossary.h"
#include "core/SectionsCatalogPositions.h"

#include "tests/database/LibraryFixture.h"

#include <QCborValue>

#include <gtest/gtest.h>

class LibrarySettings : public LibraryFixture
{
protected:
    int settingRows(const QString& key)
    {
        return count(QStringLiteral("SELECT COUNT(*) FROM Settings WHERE key=?"), {key});
    }
};

TEST_F(LibrarySettings, TypedValuesHaveTheirDefaultsAndRoundTrip)
{
    EXPECT_EQ(db->databaseStatus(), 0);
    EXPECT_EQ(db->favoritesSyncTime(), 0);

    db->setDatabaseStatus(1);
    db->setDatabaseStatus(2);
    EXPECT_EQ(db->databaseStatus(), 2);
    EXPECT_EQ(settingRows(QStringLiteral("DatabaseStatus")), 1);

    const qint64 time = Q_INT64_C(1733800000123); // needs more than 32 bits
    db->setFavoritesSyncTime(time);
    EXPECT_EQ(db->favoritesSyncTime(), time);

    db->setNeedFavoritesSync(true);
    EXPECT_TRUE(db->getSetting(QStringLiteral("needFavoritesSync")).toBool());
    db->setNeedFavoritesSync(false);
    EXPECT_FALSE(db->getSetting(QStringLiteral("needFavoritesSync")).toBool());
    EXPECT_EQ(settingRows(QStringLiteral("needFavoritesSync")), 1);

    const QByteArray md5 = QByteArray::fromHex("00ff10e2");
    db->setGlossariesMD5(md5);
    EXPECT_EQ(db->getSetting(QStringLiteral("GlossariesMD5")).toByteArray(), md5);
}

TEST_F(LibrarySettings, IdManagerIsStoredInItsCborForm)
{
    GlossariesIdMngr ids;
    ids.getOrAddWordId(QStringLiteral("w-1"));
    ids.getOrAddWordId(QStringLiteral("w-2"));
    ids.getOrAddCategoryId(QStringLiteral("c-1"));
    db->setGlossariesIdMngr(ids);

    const QCborValue stored = QCborValue::fromCbor(db->getSetting(QStringLiteral("GlossariesIdMngr")).toByteArray());
    EXPECT_EQ(stored[3][QStringLiteral("w-2")].toInteger(), 2);
    EXPECT_EQ(stored[1][QStringLiteral("c-1")].toInteger(), 1);
    EXPECT_EQ(stored[6].toInteger(), 2);
}

TEST_F(LibrarySettings, GlossaryTreeIsMissingUntilStored)
{
    try {
        db->glossaryTree();
        ADD_FAILURE() << "no exception";
    } catch (const DBNotFound& e) {
        EXPECT_EQ(e.message(), QStringLiteral("GlossaryTree Not found"));
    }

    GlossaryTree tree;
    auto category = std::make_shared<GlossaryCategory>();
    category->id = 3;
    category->name = QStringLiteral("Терминология");
    auto glossary = std::make_shared<Glossary>();
    glossary->id = 8;
    glossary->shortName = QStringLiteral("Veda");
    glossary->searchName = QStringLiteral("veda");
    tree.addCategory(category);
    category->addGlossary(glossary);
    tree.glossariesCount = 1;
    db->setGlossaryTree(tree);
    db->setGlossaryTree(tree);
    EXPECT_EQ(settingRows(QStringLiteral("GlossaryTree")), 1);

    const auto read = db->glossaryTree();
    ASSERT_TRUE(read);
    EXPECT_EQ(read->glossariesCount, 1);
    ASSERT_EQ(read->categories.size(), 1u);
    EXPECT_EQ(read->categories[0]->name, category->name);
    ASSERT_EQ(read->categories[0]->glossaries.size(), 1u);
    EXPECT_EQ(glossaryKey(*read->categories[0]->glossaries[0]), QByteArray("3 8"));

    // A damaged value is an error of the read, not an empty tree.
    db->setSetting(QStringLiteral("GlossaryTree"), QByteArray::fromHex("a1" "04" "9a08000000"));
    try {
        db->glossaryTree();
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("CborReader::"))) << e.message().toStdString();
    }
}

TEST_F(LibrarySettings, SectionPositionsArePerLanguage)
{
    EXPECT_EQ(db->sectionsCatalogPositions(TarnolixConstants::Russian), nullptr);

    SectionsCatalogPositions russian;
    russian.insert(QStringLiteral("bg/1/1"), 0);
    russian.insert(QStringLiteral("bg/1/2"), 1);
    db->setSectionsCatalogPositions(TarnolixConstants::Russian, russian);
    ASSERT_EQ(settingRows(QStringLiteral("SectionsCatalogPositions_2")), 1);

    const auto read = db->sectionsCatalogPositions(TarnolixConstants::Russian);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, russian);
    EXPECT_EQ(db->sectionsCatalogPositions(TarnolixConstants::English), nullptr);

    // An empty table is a table, not a missing one.
    db->setSectionsCatalogPositions(TarnolixConstants::English, SectionsCatalogPositions());
    const auto empty = db->sectionsCatalogPositions(TarnolixConstants::English);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->isEmpty());

    db->setSetting(LibrarySettingsKeys::sectionsCatalogPositions(TarnolixConstants::Sanskrit), QByteArray("\0\0\0\5", 4));
    EXPECT_EQ(db->sectionsCatalogPositions(TarnolixConstants::Sanskrit), nullptr);
}
