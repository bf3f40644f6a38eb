#include "updates/GlossaryParser.h"

#include "core/TextNormalization.h"

#include "tests/core/ExceptionText.h"
#include "tests/core/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

QByteArray glossary(const QString& id, const QString& name, const QString& shortName = QString())
{
    QString xml = QStringLiteral("<glossary><id>%1</id><name>%2</name>").arg(id, name);
    if (!shortName.isNull())
        xml += QStringLiteral("<short_name>%1</short_name>").arg(shortName);
    return (xml + QStringLiteral("</glossary>")).toUtf8();
}

QStringList shortNames(const GlossaryCategory& category)
{
    QStringList names;
    for (const auto& g : category.glossaries)
        names << g->shortName;
    return names;
}

const QByteArray treeDocument = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<data><categories>"
                                "<category><id>cat-a</id><name>Śāstra</name><glossaries>"
                                + glossary("g-b", "Бхагавата", "Б") + glossary("g-a", "агни", "а")
                                + glossary("g-v", "Веды", "В")
                                + "</glossaries><categories><category><name>Inner</name><id>cat-b</id>"
                                  "<glossaries>"
                                + glossary("g-z", "Zeta") + glossary("g-k", "Kāla") + glossary("g-a", "агни")
                                + "</glossaries></category></categories></category>"
                                  "<category><id>cat-c</id><name>Empty</name><note>ignored</note></category>"
                                  "</categories></data>";

TEST(GlossaryTreeParser, BuildsTheTreeWithSortedGlossaries)
{
    auto ids = std::make_shared<GlossariesIdMngr>();
    LogCapture log;
    GlossaryTreeParser parser(ids, treeDocument);
    const auto tree = parser.parse();

    ASSERT_EQ(tree->categories.size(), 2u);
    const auto& top = tree->categories[0];
    EXPECT_EQ(top->id, ids->categories.value("cat-a"));
    EXPECT_EQ(top->name, QStringLiteral("Śāstra"));
    EXPECT_EQ(top->searchName, QStringLiteral("sastra"));
    EXPECT_TRUE(top->parent.expired());
    // Russian locale-aware order on ICU: case does not come first.
    EXPECT_EQ(shortNames(*top), (QStringList{"а", "Б", "В"}));
    for (const auto& g : top->glossaries)
        EXPECT_EQ(g->parent.lock(), top);

    ASSERT_EQ(top->categories.size(), 1u);
    const auto& inner = top->categories[0];
    EXPECT_EQ(inner->parent.lock(), top);
    EXPECT_EQ(inner->name, QStringLiteral("Inner"));
    // Cyrillic before Latin in the Russian order; a missing short name is
    // the name, and the search name follows it.
    EXPECT_EQ(shortNames(*inner), (QStringList{"агни", "Kāla", "Zeta"}));
    EXPECT_EQ(inner->glossaries[1]->name, QStringLiteral("Kāla"));
    EXPECT_EQ(inner->glossaries[1]->searchName, QStringLiteral("kala"));
    // The same id text gives the same id in both categories.
    EXPECT_EQ(inner->glossaries[0]->id, top->glossaries[0]->id);

    EXPECT_EQ(tree->categories[1]->name, QStringLiteral("Empty"));
    EXPECT_TRUE(tree->categories[1]->glossaries.empty());

    // Document order numbers categories and glossaries alike.
    EXPECT_EQ(top->order, 1);
    EXPECT_EQ(top->glossaries[0]->order, 3); // "а" came second
    EXPECT_EQ(inner->order, 5);
    EXPECT_EQ(tree->categories[1]->order, 9);

    const std::set<int> expectedIds{ids->glossaries.value("g-a"), ids->glossaries.value("g-b"),
                                    ids->glossaries.value("g-v"), ids->glossaries.value("g-z"),
                                    ids->glossaries.value("g-k")};
    EXPECT_EQ(parser.glossaryIds(), expectedIds);
    EXPECT_EQ(tree->glossariesCount, 5);
    EXPECT_EQ(ids->glossaries.size(), 5);
    EXPECT_EQ(log.warnings(), QStringList{QStringLiteral("XMLParser: Unknown element")});
}

TEST(GlossaryWordParser, ReadsSpellingsAndPlacesWithTheInstallsIds)
{
    auto ids = std::make_shared<GlossariesIdMngr>();
    GlossaryTreeParser(ids, treeDocument).parse();
    LogCapture log;
    GlossaryWordParser parser(
        ids, "<data><introduction><p>Intro</p></introduction><id>dipa</id>"
             "<words><word>dīpa</word><word>дипа</word></words>"
             "<where><category><category_id>cat-b</category_id><glossaries><glossary>g-z</glossary>"
             "<glossary>g-new</glossary></glossaries></category>"
             "<category><glossaries><glossary>g-a</glossary></glossaries></category></where></data>");
    const auto word = parser.parse();
    EXPECT_EQ(word->id, 1);
    EXPECT_EQ(word->words, (QStringList{"dīpa", "дипа"}));
    ASSERT_EQ(word->where.size(), 2u);
    EXPECT_EQ(word->where[0].categoryId, ids->categories.value("cat-b"));
    EXPECT_EQ(word->where[0].glossaryIds, (std::vector<int>{ids->glossaries.value("g-z"), 6}));
    EXPECT_EQ(word->where[1].categoryId, 0);
    EXPECT_EQ(word->where[1].glossaryIds, (std::vector<int>{ids->glossaries.value("g-a")}));
    EXPECT_TRUE(log.warnings().isEmpty()) << log.warnings().join('\n').toStdString();

    GlossaryWordParser second(ids, "<data><id>jyotis</id><id>dipa</id><words><w>x</w></words></data>");
    EXPECT_EQ(second.parse()->id, 1);
    EXPECT_EQ(ids->words.size(), 2);
    EXPECT_EQ(log.warnings(), QStringList{QStringLiteral("XMLParser: Unknown element")});
}

TEST(GlossaryParsers, MalformedDocumentsEndInTheParseError)
{
    auto ids = std::make_shared<GlossariesIdMngr>();
    LogCapture log;
    EXPECT_TRUE(errorOf([&] { GlossaryTreeParser(ids, "<data><categories><category>").parse(); })
                    .startsWith(QStringLiteral("XML parse error: ")));
    EXPECT_TRUE(errorOf([&] { GlossaryWordParser(ids, "<!DOCTYPE data><data/>").parse(); })
                    .startsWith(QStringLiteral("XML parse error: ")));
    const auto empty = GlossaryTreeParser(ids, "<tree/>").parse();
    EXPECT_TRUE(empty->categories.empty());
    EXPECT_TRUE(log.warnings().contains(QStringLiteral("XMLParser: Invalid format")));
}

} // namespace
