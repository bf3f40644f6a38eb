#pragma once
// A small glossary tree for the glossary tests:
//
//   Veda (1, "veda"): Upanishad (11, "upanishad") [Ātmā 5 "atma"],
//                     glossaries Agni 3 "agni", Vedic terms 4 "vedic terms"
//   Purana (2, "purana"): glossaries Bhagavata 6 "Bhagavata" (a key that is
//                     not lower case), Veda words 7 "veda words", Arjuna 8 "arjuna"
//   Empty (13, "empty"): nothing
//
// Its count of glossaries is 42, apart from the number of entries, so that a
// total taken from anywhere else shows.

#include "core/Glossary.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace tarnolix::test {

inline std::shared_ptr<GlossaryCategory> glossaryCategory(int id, const QString& name, const QString& searchName)
{
    auto category = std::make_shared<GlossaryCategory>();
    category->id = id;
    category->name = name;
    category->searchName = searchName;
    return category;
}

inline std::shared_ptr<Glossary> glossaryEntry(int id, const QString& name, const QString& searchName)
{
    auto glossary = std::make_shared<Glossary>();
    glossary->id = id;
    glossary->name = name;
    glossary->shortName = name;
    glossary->searchName = searchName;
    return glossary;
}

inline GlossaryTree sampleGlossaryTree()
{
    GlossaryTree tree;
    auto veda = glossaryCategory(1, QStringLiteral("Veda"), QStringLiteral("veda"));
    auto upanishad = glossaryCategory(11, QStringLiteral("Upanishad"), QStringLiteral("upanishad"));
    auto purana = glossaryCategory(2, QStringLiteral("Purana"), QStringLiteral("purana"));
    auto empty = glossaryCategory(13, QStringLiteral("Empty"), QStringLiteral("empty"));
    tree.addCategory(veda);
    tree.addCategory(purana);
    tree.addCategory(empty);
    veda->addCategory(upanishad);
    upanishad->addGlossary(glossaryEntry(5, QStringLiteral("Ātmā"), QStringLiteral("atma")));
    veda->addGlossary(glossaryEntry(3, QStringLiteral("Agni"), QStringLiteral("agni")));
    veda->addGlossary(glossaryEntry(4, QStringLiteral("Vedic terms"), QStringLiteral("vedic terms")));
    purana->addGlossary(glossaryEntry(6, QStringLiteral("Bhagavata"), QStringLiteral("Bhagavata")));
    purana->addGlossary(glossaryEntry(7, QStringLiteral("Veda words"), QStringLiteral("veda words")));
    purana->addGlossary(glossaryEntry(8, QStringLiteral("Arjuna"), QStringLiteral("arjuna")));
    tree.glossariesCount = 42;
    return tree;
}

// The ids of a filter result's lists, as text.
inline QStringList idsOf(const std::vector<std::shared_ptr<GlossaryCategory>>& categories)
{
    QStringList ids;
    for (const auto& category : categories)
        ids << QString::number(category->id);
    return ids;
}

inline QStringList idsOf(const std::vector<std::shared_ptr<Glossary>>& glossaries)
{
    QStringList ids;
    for (const auto& glossary : glossaries)
        ids << QString::number(glossary->id);
    return ids;
}

} // namespace tarnolix::test
