#pragma once
// Readers of the glossaries archive's documents: the glossary tree
// ("glossary_tree.xml") and one document per glossary word. The server's
// textual ids become small ints through the installer's GlossariesIdMngr,
// so one id text maps to one int across all documents of an install.

#include "core/Glossary.h"
#include "updates/XMLParser.h"

#include <QCollator>

#include <memory>
#include <set>

class GlossaryTreeParser : public XMLParser
{
public:
    GlossaryTreeParser(std::shared_ptr<GlossariesIdMngr> ids, const QByteArray& data);

    // A malformed document throws the parse error.
    std::shared_ptr<GlossaryTree> parse();

    // Every glossary id read, for the installer.
    const std::set<int>& glossaryIds() const { return m_glossaryIds; }

private:
    void readCategories(const std::shared_ptr<GlossaryCategory>& parent, GlossaryTree& tree);
    void readCategory(const std::shared_ptr<GlossaryCategory>& category, GlossaryTree& tree);
    void readGlossaries(GlossaryCategory& category);
    std::shared_ptr<Glossary> readGlossary();

    std::shared_ptr<GlossariesIdMngr> m_ids;
    std::set<int> m_glossaryIds;
    // Position of categories and glossaries in document order, from 1.
    int m_order = 0;
    QCollator m_collator;
};

class GlossaryWordParser : public XMLParser
{
public:
    GlossaryWordParser(std::shared_ptr<GlossariesIdMngr> ids, const QByteArray& data);

    // A malformed document throws the parse error.
    std::shared_ptr<GlossaryWord> parse();

private:
    QStringList readWords();
    std::vector<GlossaryWordWhere> readWhere();
    GlossaryWordWhere readPlace();

    std::shared_ptr<GlossariesIdMngr> m_ids;
};
