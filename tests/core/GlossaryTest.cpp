#include "core/Glossary.h"
#include "core/GlossaryContainer.h"

#include "core/Exception.h"

#include "tests/support/TestSupport.h"

#include <QBuffer>
#include <QCborValue>

#include <gtest/gtest.h>

#include <functional>

namespace {

std::shared_ptr<Glossary> makeGlossary(int id, const QString& shortName, const QString& searchName, int order = 0)
{
    auto glossary = std::make_shared<Glossary>();
    glossary->id = id;
    glossary->order = order;
    glossary->name = shortName + QStringLiteral(" (full)");
    glossary->shortName = shortName;
    glossary->searchName = searchName;
    return glossary;
}

std::shared_ptr<GlossaryCategory> makeCategory(int id, const QString& name, int order = 0)
{
    auto category = std::make_shared<GlossaryCategory>();
    category->id = id;
    category->order = order;
    category->name = name;
    category->searchName = name.toLower();
    return category;
}

// Top category 1 holds category 2 and glossary 10 ("Agni"); category 2 holds
// glossaries 11 ("Atma") and 12 (no search name); top category 3 holds
// glossary 13 ("Bhakti") and lists glossary 10 again.
GlossaryTree sampleTree()
{
    GlossaryTree tree;
    auto top = makeCategory(1, QStringLiteral("Scriptures"), 1);
    auto inner = makeCategory(2, QStringLiteral("Upanishads"), 2);
    auto second = makeCategory(3, QStringLiteral("Practice"), 6);
    tree.addCategory(top);
    tree.addCategory(second);
    top->addCategory(inner);
    top->addGlossary(makeGlossary(10, QStringLiteral("Agni"), QStringLiteral("agni"), 3));
    inner->addGlossary(makeGlossary(11, QStringLiteral("Ātma"), QStringLiteral("atma"), 4));
    inner->addGlossary(makeGlossary(12, QStringLiteral("—"), QString(), 5));
    second->addGlossary(makeGlossary(13, QStringLiteral("Bhakti"), QStringLiteral("bhakti"), 7));
    second->addGlossary(makeGlossary(10, QStringLiteral("Agni"), QStringLiteral("agni"), 8));
    tree.glossariesCount = 4;
    return tree;
}

QByteArray encode(const std::function<void(QCborStreamWriter&)>& write)
{
    QByteArray bytes;
    QCborStreamWriter writer(&bytes);
    write(writer);
    return bytes;
}

QString readFailure(const QByteArray& bytes, const std::function<void(QCborStreamReader&)>& read)
{
    QCborStreamReader reader(bytes);
    try {
        read(reader);
    } catch (const Exception& e) {
        return e.message();
    }
    return QStringLiteral("(no exception)");
}

QStringList ids(const GlossaryList& glossaries)
{
    QStringList list;
    for (const auto& g : glossaries)
        list << QString::number(g->id);
    return list;
}

void expectSameCategory(const GlossaryCategory& read, const GlossaryCategory& written)
{
    EXPECT_EQ(read.id, written.id);
    EXPECT_EQ(read.order, written.order);
    EXPECT_EQ(read.name, written.name);
    EXPECT_EQ(read.searchName, written.searchName);
    ASSERT_EQ(read.glossaries.size(), written.glossaries.size());
    for (size_t i = 0; i < read.glossaries.size(); ++i) {
        const Glossary& g = *read.glossaries[i];
        const Glossary& w = *written.glossaries[i];
        EXPECT_EQ(g.id, w.id);
        EXPECT_EQ(g.order, w.order);
        EXPECT_EQ(g.name, w.name);
        EXPECT_EQ(g.shortName, w.shortName);
        EXPECT_EQ(g.searchName, w.searchName);
        EXPECT_EQ(g.parent.lock().get(), &read);
    }
    ASSERT_EQ(read.categories.size(), written.categories.size());
    for (size_t i = 0; i < read.categories.size(); ++i) {
        EXPECT_EQ(read.categories[i]->parent.lock().get(), &read);
        expectSameCategory(*read.categories[i], *written.categories[i]);
    }
}

} // namespace

TEST(GlossaryRecords, TreeRoundTripRestoresEveryParent)
{
    const GlossaryTree written = sampleTree();
    QByteArray bytes = encode([&](QCborStreamWriter& w) { writeGlossaryTree(w, written); });

    // Once over the bytes, once over a device, as the library reads it.
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    QCborStreamReader overBytes(bytes);
    QCborStreamReader overDevice(&buffer);
    for (QCborStreamReader* reader : {&overBytes, &overDevice}) {
        GlossaryTree read;
        readGlossaryTree(*reader, read);
        EXPECT_EQ(read.glossariesCount, 4);
        ASSERT_EQ(read.categories.size(), 2u);
        for (size_t i = 0; i < read.categories.size(); ++i) {
            EXPECT_TRUE(read.categories[i]->parent.expired());
            expectSameCategory(*read.categories[i], *written.categories[i]);
        }
        EXPECT_EQ(glossaryKey(*read.categories[0]->categories[0]->glossaries[0]), QByteArray("2 11"));
    }
}

TEST(GlossaryRecords, StoredFormUsesItsIntegerKeys)
{
    GlossaryWord word;
    word.id = 5;
    word.words = QStringList{QStringLiteral("dharma"), QStringLiteral("dhárma")};
    word.where = {{1, {10, 11}}, {3, {13}}};
    const QByteArray bytes = encode([&](QCborStreamWriter& w) { writeGlossaryWord(w, word); });

    const QCborValue value = QCborValue::fromCbor(bytes);
    EXPECT_EQ(value.toMap().keys(), (QVector<QCborValue>{1, 2, 3}));
    EXPECT_EQ(value[3][0].toMap().keys(), (QVector<QCborValue>{1, 5}));
    EXPECT_EQ(value[3][0][5][1].toInteger(), 11);

    GlossaryWord read;
    QCborStreamReader reader(bytes);
    readGlossaryWord(reader, read);
    EXPECT_EQ(read.id, 5);
    EXPECT_EQ(read.words, word.words);
    ASSERT_EQ(read.where.size(), 2u);
    EXPECT_EQ(read.where[0].categoryId, 1);
    EXPECT_EQ(read.where[0].glossaryIds, (std::vector<int>{10, 11}));
    EXPECT_EQ(read.where[1].glossaryIds, (std::vector<int>{13}));

    const QByteArray glossaryBytes = encode([](QCborStreamWriter& w) { writeGlossary(w, *makeGlossary(1, "a", "a")); });
    EXPECT_EQ(QCborValue::fromCbor(glossaryBytes).toMap().keys(), (QVector<QCborValue>{1, 2, 3, 7, 8}));
}

TEST(GlossaryRecords, UnknownKeysAreSkippedWhateverTheyHold)
{
    // {1: 7, 9: [1, [2], {3: 4}], 2: "Name"}
    const QByteArray bytes = encode([](QCborStreamWriter& w) {
        w.startMap(3);
        w.append(qint64(1));
        w.append(qint64(7));
        w.append(qint64(9));
        w.startArray(3);
        w.append(qint64(1));
        w.startArray(1);
        w.append(qint64(2));
        w.endArray();
        w.startMap(1);
        w.append(qint64(3));
        w.append(qint64(4));
        w.endMap();
        w.endArray();
        w.append(qint64(2));
        w.append(QStringLiteral("Name"));
        w.endMap();
    });
    Glossary glossary;
    QCborStreamReader reader(bytes);
    readGlossary(reader, glossary);
    EXPECT_EQ(glossary.id, 7);
    EXPECT_EQ(glossary.name, QStringLiteral("Name"));
}

TEST(GlossaryRecords, DamagedFormsThrowNamingTheOperation)
{
    const auto glossary = [](QCborStreamReader& r) { Glossary g; readGlossary(r, g); };
    const auto word = [](QCborStreamReader& r) { GlossaryWord g; readGlossaryWord(r, g); };
    const auto tree = [](QCborStreamReader& r) { GlossaryTree t; readGlossaryTree(r, t); };
    const QByteArray wholeGlossary =
        encode([](QCborStreamWriter& w) { writeGlossary(w, *makeGlossary(1, "Agni", "agni")); });

    const struct
    {
        const char* what;
        QByteArray bytes;
        std::function<void(QCborStreamReader&)> read;
        QString message;
    } cases[] = {
        {"name holds an integer", QByteArray::fromHex("a1" "02" "05"), glossary,
         QStringLiteral("CborReader::operator>>(QString &s): Is not string!")},
        {"id holds a text", QByteArray::fromHex("a1" "01" "6161"), glossary,
         QStringLiteral("CborReader::operator>>(qint32 &i): Is not integer!")},
        {"key is a text", QByteArray::fromHex("a1" "6161" "01"), glossary,
         QStringLiteral("CborReader::operator>>(qint8 &i): Is not integer!")},
        {"record is an array", QByteArray::fromHex("80"), glossary,
         QStringLiteral("CborReader::enterMap: Is not map!")},
        {"glossaries is a map", QByteArray::fromHex("a1" "04" "a0"), tree,
         QStringLiteral("CborReader::enterArray: Is not array!")},
        {"word id is a float", QByteArray::fromHex("a1" "01" "f93c00"), word,
         QStringLiteral("CborReader::operator>>(qint32 &i): Is not integer!")},
        {"ends inside the map", wholeGlossary.left(wholeGlossary.size() - 3), glossary,
         QStringLiteral("CborReader::readString: Unexpected end of input data (more bytes needed)")},
        {"ends before a key", wholeGlossary.left(1), glossary,
         QStringLiteral("CborReader::enterMap: Unexpected end of input data (more bytes needed)")},
        // Stated lengths one above each bound.
        {"where entries", QByteArray::fromHex("a1" "03" "9a04000001"), word, QStringLiteral("Invalid elements count")},
        {"spellings", QByteArray::fromHex("a1" "02" "9a10000001"), word, QStringLiteral("Invalid elements count")},
        {"glossary ids", QByteArray::fromHex("a1" "03" "81" "a1" "05" "9a20000001"), word,
         QStringLiteral("Invalid elements count")},
        {"categories", QByteArray::fromHex("a1" "04" "9a08000001"), tree, QStringLiteral("Invalid elements count")},
        // A length at its bound is allowed, and then the data runs out.
        {"where entries at the bound", QByteArray::fromHex("a1" "03" "9a04000000"), word,
         QStringLiteral("CborReader::enterArray: Unexpected end of input data (more bytes needed)")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readFailure(c.bytes, c.read), c.message) << c.what;
}

TEST(GlossaryRecords, StatedLengthsReserveNoMoreThanTheInputHolds)
{
    // A word whose where array claims 0x4000000 entries and whose one entry
    // claims 0x20000000 glossary ids, with a handful of bytes behind them.
    QByteArray bytes = QByteArray::fromHex("a1" "03" "9a04000000" "a2" "01" "07" "05" "9a20000000" "01" "02");
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    QCborStreamReader overDevice(&buffer);
    QCborStreamReader overBytes(bytes);
    for (QCborStreamReader* reader : {&overDevice, &overBytes}) {
        GlossaryWord word;
        EXPECT_THROW(readGlossaryWord(*reader, word), Exception);
        ASSERT_EQ(word.where.size(), 1u);
        // The last id read is lost with the move past it that fails.
        EXPECT_EQ(word.where[0].glossaryIds, std::vector<int>{1});
        EXPECT_LE(word.where.capacity(), 1024u);
        EXPECT_LE(word.where[0].glossaryIds.capacity(), 1024u);
    }
}

TEST(GlossaryRecords, AddingAnItemThatHasAParentIsRefused)
{
    GlossaryTree tree = sampleTree();
    const auto top = tree.categories[0];
    const auto inner = top->categories[0];
    const auto glossary = inner->glossaries[0];
    auto other = makeCategory(9, QStringLiteral("Other"));

    const struct
    {
        std::function<void()> add;
        QString message;
    } cases[] = {
        {[&] { other->addCategory(inner); }, QStringLiteral("ERROR 0x77845414")},
        {[&] { other->addGlossary(glossary); }, QStringLiteral("ERROR 0x77845415")},
        {[&] { tree.addCategory(inner); }, QStringLiteral("ERROR 0x51845414")},
    };
    for (const auto& c : cases) {
        try {
            c.add();
            ADD_FAILURE() << "no exception for " << c.message.toStdString();
        } catch (const Exception& e) {
            EXPECT_EQ(e.message(), c.message);
        }
    }
    EXPECT_TRUE(other->categories.empty());
    EXPECT_TRUE(other->glossaries.empty());
    EXPECT_EQ(tree.categories.size(), 2u);
    EXPECT_EQ(inner->parent.lock(), top);

    // A category under itself or under its own descendant would be a loop.
    auto a = makeCategory(20, QStringLiteral("A"));
    auto b = makeCategory(21, QStringLiteral("B"));
    a->addCategory(b);
    for (const auto& [parent, child] : {std::pair{a, a}, std::pair{b, a}}) {
        try {
            parent->addCategory(child);
            ADD_FAILURE() << "a loop was accepted";
        } catch (const Exception& e) {
            EXPECT_EQ(e.message(), QStringLiteral("ERROR 0x77845414"));
        }
    }
    EXPECT_EQ(a->categories.size(), 1u);
    EXPECT_TRUE(b->categories.empty());
    EXPECT_FALSE(a->parent.lock());
}

TEST(GlossaryRecords, KeyNamesCategoryAndGlossary)
{
    auto category = makeCategory(12, QStringLiteral("c"));
    auto glossary = makeGlossary(7, QStringLiteral("g"), QStringLiteral("g"));
    category->addGlossary(glossary);
    EXPECT_EQ(glossaryKey(*glossary), QByteArray("12 7"));

    category.reset(); // the parent is gone
    try {
        glossaryKey(*glossary);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), QStringLiteral("ERROR 0x74754335"));
    }
}

TEST(GlossaryRecords, FirstLetterWalksVisitSiblingsFromTheLast)
{
    const GlossaryTree tree = sampleTree();
    // Category 3 first (last sibling), then 1, then its child 2.
    EXPECT_EQ(ids(itemsWithFirstLetter(tree, QLatin1Char('A'))), (QStringList{"10", "10", "11"}));
    EXPECT_EQ(ids(itemsWithFirstLetter(tree, QLatin1Char('b'))), QStringList{"13"});
    EXPECT_TRUE(itemsWithFirstLetter(tree, QLatin1Char('z')).empty());

    const auto groups = groupByFirstLetter(tree);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups.begin()->first, QLatin1Char('A'));
    EXPECT_EQ(ids(groups.at(QLatin1Char('A'))), (QStringList{"10", "10", "11"}));
    EXPECT_EQ(ids(groups.at(QLatin1Char('B'))), QStringList{"13"});
}

TEST(GlossaryRecords, ListContainsNameIgnoresCaseThenMarks)
{
    GlossaryWord word;
    word.words = QStringList{QStringLiteral("karma"), QStringLiteral("dharma")};
    EXPECT_TRUE(listContainsName(word, QStringLiteral("DHARMA")));
    EXPECT_TRUE(listContainsName(word, QStringLiteral("dhárma")));
    EXPECT_TRUE(listContainsName(word, QStringLiteral("Kárma")));
    EXPECT_FALSE(listContainsName(word, QStringLiteral("dharm")));
    EXPECT_FALSE(listContainsName(GlossaryWord(), QStringLiteral("dharma")));
}

TEST(GlossaryRecords, IdManagerHandsOutIdsFromOnePerTable)
{
    GlossariesIdMngr idsTable;
    EXPECT_EQ(idsTable.getOrAddWordId(QStringLiteral("a")), 1);
    EXPECT_EQ(idsTable.getOrAddWordId(QStringLiteral("b")), 2);
    EXPECT_EQ(idsTable.getOrAddWordId(QStringLiteral("a")), 1);
    EXPECT_EQ(idsTable.getOrAddCategoryId(QStringLiteral("a")), 1);
    EXPECT_EQ(idsTable.getOrAddGlossaryId(QStringLiteral("x")), 1);
    EXPECT_EQ(idsTable.getOrAddGlossaryId(QStringLiteral("y")), 2);

    const QCborValue stored =
        QCborValue::fromCbor(encode([&](QCborStreamWriter& w) { writeGlossariesIdMngr(w, idsTable); }));
    EXPECT_EQ(stored.toMap().keys(), (QVector<QCborValue>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(stored[3][QStringLiteral("b")].toInteger(), 2);
    EXPECT_EQ(stored[2][QStringLiteral("y")].toInteger(), 2);
    EXPECT_EQ(stored[4].toInteger(), 1);
    EXPECT_EQ(stored[5].toInteger(), 2);
    EXPECT_EQ(stored[6].toInteger(), 2);
}

TEST(GlossaryContainer, FindsCategoriesAndGlossariesOfTheTree)
{
    const GlossaryTree tree = sampleTree();
    const GlossaryContainer container(tree);

    EXPECT_EQ(container.category(2), tree.categories[0]->categories[0]);
    EXPECT_EQ(container.category(4), nullptr);
    EXPECT_EQ(container.glossary(2, 11), tree.categories[0]->categories[0]->glossaries[0]);
    EXPECT_EQ(container.glossary(2, 10), nullptr); // 10 is not listed in category 2
    EXPECT_EQ(container.glossary(4, 11), nullptr);
    EXPECT_EQ(container.glossary(3, 10), tree.categories[1]->glossaries[1]);

    const GlossaryList listings = container.glossaries(10);
    ASSERT_EQ(listings.size(), 2u);
    EXPECT_NE(listings[0], listings[1]);
    EXPECT_TRUE(container.glossaries(99).empty());
}
