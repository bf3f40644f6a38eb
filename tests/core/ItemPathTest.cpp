#include "core/ItemPath.h"

#include "core/Glossary.h"
#include "core/GlossaryContainer.h"
#include "tests/core/ExceptionText.h"
#include "tests/core/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <QVariantHash>
#include <QVariantMap>

#include <gtest/gtest.h>

using C = TarnolixConstants;

namespace {

const QString kFolder = QStringLiteral("6f1c2a3b-4d5e-4f60-8a7b-9c0d1e2f3a4b");

void expectItems(const HierarchyItems& actual, const HierarchyItems& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].first, expected[i].first) << "item " << i;
        EXPECT_EQ(actual[i].second.userType(), expected[i].second.userType()) << "item " << i;
        EXPECT_EQ(actual[i].second, expected[i].second) << "item " << i;
    }
}

} // namespace

TEST(ItemPathTest, TextFormsReadTypedIdsAndWriteBackTheSameText)
{
    struct Case
    {
        QString text;
        HierarchyItems items;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("/Category-3/Category-5/Book-77/Section-1.2"),
         {{C::Category, 3}, {C::Category, 5}, {C::Book, 77}, {C::Section, QStringLiteral("1.2")}}},
        {QStringLiteral("/FavoriteFolder-") + kFolder + QStringLiteral("/FavoriteItemId-") + kFolder,
         {{C::FavoriteFolder, kFolder}, {C::FavoriteItemId, kFolder}}},
        {QStringLiteral("/Letter-a/Author-20/SRItemId-4/Glossary-9"),
         {{C::Letter, QVariant(QChar(u'a'))}, {C::Author, 20}, {C::SRItemId, 4}, {C::Glossary, 9}}},
        // A null letter has no character to write and reads back as null.
        {QStringLiteral("/Letter-"), {{C::Letter, QVariant(QChar())}}},
        // A character outside the BMP stays whole in a section code.
        {QStringLiteral("/Section-a\U0001F600b"), {{C::Section, QStringLiteral("a\U0001F600b")}}},
        {QString(), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        bool ok = false;
        expectItems(parentHierarchyItemsFromPath(c.text, false, &ok), c.items);
        EXPECT_TRUE(ok);
        EXPECT_EQ(parentHierarchyItemsToPath(c.items, false), c.text);
    }
}

TEST(ItemPathTest, TextFormsToleratesSlashesAndReportsBadPieces)
{
    LogCapture log;
    bool ok = false;
    expectItems(parentHierarchyItemsFromPath(QStringLiteral("//Book-5//"), false, &ok), {{C::Book, 5}});
    EXPECT_TRUE(ok);
    EXPECT_TRUE(log.warnings().isEmpty());

    // A piece without "-" spoils the whole path.
    EXPECT_TRUE(parentHierarchyItemsFromPath(QStringLiteral("/Book-5/Category3"), false, &ok).empty());
    EXPECT_FALSE(ok);
    ASSERT_EQ(log.warnings().size(), 1);
    EXPECT_EQ(log.warnings().front(), QStringLiteral("parentHierarchyItemsFromPath: ERROR 1. path:/Book-5/Category3"));

    // An unknown key is kept as type 0; a non-numeric id reads as 0.
    log.clear();
    expectItems(parentHierarchyItemsFromPath(QStringLiteral("/Cat-3/Book-x"), false, &ok),
                {{C::InvalidCatalogItemType, 3}, {C::Book, 0}});
    EXPECT_TRUE(ok);
    EXPECT_EQ(log.warnings(), QStringList{QStringLiteral("parentHierarchyItemsFromPath: Invalid item type: Cat")});

    // Key names are case-sensitive.
    expectItems(parentHierarchyItemsFromPath(QStringLiteral("/book-5"), false), {{C::InvalidCatalogItemType, 5}});

    log.clear();
    EXPECT_EQ(parentHierarchyItemsToPath({{C::InvalidCatalogItemType, 7}}, false), QStringLiteral("/-7"));
    EXPECT_EQ(log.warnings(), QStringList{QStringLiteral("parentHierarchyItemsToPath: Invalid item type")});
}

TEST(ItemPathTest, TextFormAsTextKeepsEveryIdAsText)
{
    const QString text = QStringLiteral("/Letter-b/Book-some-slug/Section-intro");
    const HierarchyItems items = parentHierarchyItemsFromPath(text, true);
    expectItems(items, {{C::Letter, QStringLiteral("b")},
                        {C::Book, QStringLiteral("some-slug")},
                        {C::Section, QStringLiteral("intro")}});
    EXPECT_EQ(parentHierarchyItemsToPath(items, true), text);
    // A slug written without asText would be lost to a number.
    EXPECT_EQ(parentHierarchyItemsToPath(items, false), QStringLiteral("/Letter-b/Book-0/Section-intro"));
}

TEST(ItemPathTest, QmlFormRoundTripsAndConvertsWhatQmlSends)
{
    const HierarchyItems items = {{C::Letter, QVariant(QChar(u'K'))},
                                  {C::Category, 3},
                                  {C::Book, 77},
                                  {C::Section, QStringLiteral("1.2")},
                                  {C::FavoriteFolder, kFolder}};
    const QVariantList list = hierarchyItemsToVariant(items);
    ASSERT_EQ(list.size(), 5);
    EXPECT_EQ(list[2].toMap(), (QVariantMap{{QStringLiteral("type"), 4}, {QStringLiteral("id"), 77}}));
    expectItems(hierarchyItemsFromVariant(list), items);

    // QML hands over texts and doubles, sometimes hashes.
    const QVariantList fromQml = {
        QVariantMap{{QStringLiteral("type"), 1}, {QStringLiteral("id"), QStringLiteral("ka")}},
        QVariantHash{{QStringLiteral("type"), 2.0}, {QStringLiteral("id"), 3.0}},
        QVariantMap{{QStringLiteral("type"), 4}, {QStringLiteral("id"), QStringLiteral("book-slug")}},
        QVariantMap{{QStringLiteral("type"), 4}, {QStringLiteral("id"), 12.0}},
        QVariantMap{{QStringLiteral("type"), 1}, {QStringLiteral("id"), QString()}},
        QVariantMap{{QStringLiteral("id"), 5}},
    };
    expectItems(hierarchyItemsFromVariant(fromQml), {{C::Letter, QVariant(QChar(u'k'))},
                                                     {C::Category, 3},
                                                     {C::Book, QStringLiteral("book-slug")},
                                                     {C::Book, 12},
                                                     {C::Letter, QVariant(QChar())},
                                                     {C::InvalidCatalogItemType, 5}});
}

TEST(ItemPathTest, CachedPathKeepsTheFormInUse)
{
    ItemPathCached fromQml;
    fromQml.variantItems = hierarchyItemsToVariant({{C::Category, 3}});
    appendHierarchyItem(fromQml, C::Book, 7);
    EXPECT_TRUE(fromQml.items.empty());
    ASSERT_EQ(fromQml.variantItems.size(), 2);
    expectItems(fromQml.hierarchyItems(), {{C::Category, 3}, {C::Book, 7}});

    ItemPathCached built;
    appendHierarchyItem(built, C::Category, 3);
    EXPECT_EQ(built.variantList().size(), 1);
    appendHierarchyItem(built, C::Book, 7);
    EXPECT_TRUE(built.variantItems.isEmpty()); // stale list dropped
    EXPECT_EQ(built.variantList(), hierarchyItemsToVariant({{C::Category, 3}, {C::Book, 7}}));

    const auto copy = built.clone();
    appendHierarchyItem(built, C::Section, QStringLiteral("1"));
    expectItems(copy->items, {{C::Category, 3}, {C::Book, 7}});
    EXPECT_EQ(copy->variantItems.size(), 2);
}

TEST(ItemPathTest, ComponentsTakeBookNearestRootAndSectionNearestEnd)
{
    const QUuid inner = QUuid::createUuid();
    const QUuid favorite = QUuid::createUuid();
    const HierarchyItems items = {{C::Category, 2},
                                  {C::Author, 4},
                                  {C::Book, 7},
                                  {C::Section, QStringLiteral("1")},
                                  {C::Section, QStringLiteral("1.3")},
                                  {C::Book, 8},
                                  {C::FavoriteFolder, kFolder},
                                  {C::FavoriteFolder, inner.toString(QUuid::WithoutBraces)},
                                  {C::FavoriteItemId, favorite.toString(QUuid::WithoutBraces)},
                                  {C::SRItemId, 11}};
    ItemPathCachedEx path;
    path.sectionCode = QStringLiteral("stale");
    path.srItemId = 99;
    itemPathComponents(&path.bookId, &path.authorId, &path.sectionCode, &path.srItemId, &path.folderUuid,
                       &path.favoriteUuid, items);
    EXPECT_EQ(path.bookId, 7);
    EXPECT_EQ(path.authorId, 4);
    EXPECT_EQ(path.sectionCode, QStringLiteral("1.3"));
    EXPECT_EQ(path.srItemId, 11);
    EXPECT_EQ(path.folderUuid, inner);
    EXPECT_EQ(path.favoriteUuid, favorite);

    // Outputs not found are reset; absent outputs are skipped.
    itemPathComponents(&path.bookId, nullptr, &path.sectionCode, &path.srItemId, nullptr, nullptr,
                       {{C::Letter, QVariant(QChar(u'a'))}});
    EXPECT_EQ(path.bookId, 0);
    EXPECT_TRUE(path.sectionCode.isEmpty());
    EXPECT_EQ(path.srItemId, 0);
    EXPECT_EQ(path.authorId, 4);
}

namespace {

// Category 1 holds category 2, which holds glossary 5 ("Shabda").
struct GlossaryFixture
{
    GlossaryFixture()
    {
        top->id = 1;
        middle->id = 2;
        glossary->id = 5;
        glossary->searchName = QStringLiteral("shabda");
        top->addCategory(middle);
        middle->addGlossary(glossary);
        tree.addCategory(top);
    }
    std::shared_ptr<GlossaryCategory> top = std::make_shared<GlossaryCategory>();
    std::shared_ptr<GlossaryCategory> middle = std::make_shared<GlossaryCategory>();
    std::shared_ptr<Glossary> glossary = std::make_shared<Glossary>();
    GlossaryTree tree;
};

} // namespace

TEST(ItemPathTest, GlossaryPathsFollowTheTab)
{
    GlossaryFixture f;
    const GlossaryContainer container(f.tree);
    expectItems(buildGlossaryItemPath(C::Glossaries, f.glossary, container),
                {{C::Category, 1}, {C::Category, 2}, {C::Glossary, 5}});
    expectItems(buildGlossaryItemPath(C::GlossariesNames, f.glossary, container),
                {{C::Letter, QVariant(QChar(u'S'))}, {C::Glossary, 5}});
    EXPECT_EQ(errorOf([&] { buildGlossaryItemPath(C::Authors, f.glossary, container); }),
              QStringLiteral("Unknown error 0x87761235"));

    f.glossary->searchName.clear();
    expectItems(buildGlossaryItemPath(C::GlossariesNames, f.glossary, container),
                {{C::Letter, QVariant(QChar())}, {C::Glossary, 5}});

    // A glossary whose category is gone has only itself.
    auto orphan = std::make_shared<Glossary>();
    orphan->id = 6;
    expectItems(buildGlossaryItemPath(C::Glossaries, orphan, container), {{C::Glossary, 6}});
}

TEST(ItemPathTest, GlossaryPathStopsAtACategoryLoop)
{
    GlossaryFixture f;
    f.top->parent = f.middle; // 1 -> 2 -> 1 ...
    const GlossaryContainer container(f.tree);
    LogCapture log;
    expectItems(buildGlossaryItemPath(C::Glossaries, f.glossary, container),
                {{C::Category, 1}, {C::Category, 2}, {C::Glossary, 5}});
    EXPECT_EQ(log.warnings().size(), 1);
    f.top->parent.reset();
}
