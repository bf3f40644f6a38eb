#include "updates/GlossaryParser.h"

#include "core/TextNormalization.h"

#include <algorithm>

namespace {

QString searchKey(const QString& text)
{
    return removeDiacritics(TarnolixConstants::English, text);
}

} // namespace

GlossaryTreeParser::GlossaryTreeParser(std::shared_ptr<GlossariesIdMngr> ids, const QByteArray& data)
    : XMLParser(data), m_ids(std::move(ids)), m_collator(QLocale(QLocale::Russian, QLocale::Russia))
{
}

std::shared_ptr<GlossaryTree> GlossaryTreeParser::parse()
{
    auto tree = std::make_shared<GlossaryTree>();
    if (readRoot()) {
        readList("categories", [&] { readCategories(nullptr, *tree); });
    }
    checkError();
    tree->glossariesCount = int(m_glossaryIds.size());
    return tree;
}

void GlossaryTreeParser::readCategories(const std::shared_ptr<GlossaryCategory>& parent, GlossaryTree& tree)
{
    readList("category", [&] {
        // Attached before its children are read, so that they find their
        // parent in place.
        auto category = std::make_shared<GlossaryCategory>();
        category->order = ++m_order;
        if (parent)
            parent->addCategory(category);
        else
            tree.addCategory(category);
        readCategory(category, tree);
    });
}

void GlossaryTreeParser::readCategory(const std::shared_ptr<GlossaryCategory>& category, GlossaryTree& tree)
{
    while (m_reader.readNextStartElement()) {
        if (atElement("id")) {
            category->id = m_ids->getOrAddCategoryId(readPlainText());
        } else if (atElement("name")) {
            category->name = readPlainText();
            category->searchName = searchKey(category->name);
        } else if (atElement("categories")) {
            readCategories(category, tree);
        } else if (atElement("glossaries")) {
            readGlossaries(*category);
        } else {
            skipUnknownElement();
        }
    }
    checkError();
}

void GlossaryTreeParser::readGlossaries(GlossaryCategory& category)
{
    std::vector<std::shared_ptr<Glossary>> glossaries;
    readList("glossary", [&] { glossaries.push_back(readGlossary()); });
    std::stable_sort(glossaries.begin(), glossaries.end(), [this](const auto& a, const auto& b) {
        return m_collator.compare(a->shortName, b->shortName) < 0;
    });
    for (const auto& glossary : glossaries)
        category.addGlossary(glossary);
}

std::shared_ptr<Glossary> GlossaryTreeParser::readGlossary()
{
    auto glossary = std::make_shared<Glossary>();
    glossary->order = ++m_order;
    while (m_reader.readNextStartElement()) {
        if (atElement("id")) {
            glossary->id = m_ids->getOrAddGlossaryId(readPlainText());
            m_glossaryIds.insert(glossary->id);
        } else if (atElement("name")) {
            glossary->name = readPlainText();
        } else if (atElement("short_name")) {
            glossary->shortName = readPlainText();
        } else {
            skipUnknownElement();
        }
    }
    checkError();
    if (glossary->shortName.isEmpty())
        glossary->shortName = glossary->name;
    glossary->searchName = searchKey(glossary->shortName);
    return glossary;
}

GlossaryWordParser::GlossaryWordParser(std::shared_ptr<GlossariesIdMngr> ids, const QByteArray& data)
    : XMLParser(data), m_ids(std::move(ids))
{
}

std::shared_ptr<GlossaryWord> GlossaryWordParser::parse()
{
    auto word = std::make_shared<GlossaryWord>();
    if (readRoot()) {
        while (m_reader.readNextStartElement()) {
                if (atElement("id"))
                word->id = m_ids->getOrAddWordId(readPlainText());
            else if (atElement("words"))
                word->words = readWords();
            else if (atElement("where"))
                word->where = readWhere();
            else if (atElement("introduction"))
                m_reader.skipCurrentElement(); // known, and not kept
            else
                skipUnknownElement();
        }
    }
    checkError();
    return word;
}

QStringList GlossaryWordParser::readWords()
{
    QStringList words;
    readList("word", [&] { words << readPlainText(); });
    return words;
}

std::vector<GlossaryWordWhere> GlossaryWordParser::readWhere()
{
    std::vector<GlossaryWordWhere> places;
    readList("category", [&] { places.push_back(readPlace()); });
    return places;
}

GlossaryWordWhere GlossaryWordParser::readPlace()
{
    GlossaryWordWhere place;
    while (m_reader.readNextStartElement()) {
        if (atElement("category_id")) {
            place.categoryId = m_ids->getOrAddCategoryId(readPlainText());
        } else if (atElement("glossaries")) {
            readList("glossary", [&] { place.glossaryIds.push_back(m_ids->getOrAddGlossaryId(readPlainText())); });
        } else {
            skipUnknownElement();
        }
    }
    checkError();
    return place;
}
