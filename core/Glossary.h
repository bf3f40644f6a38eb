#pragma once
// Glossaries: categories holding glossaries (and further categories), the
// terms with the glossaries they stand in, the table of local ids the
// installer hands out, and their CBOR forms as the library stores them.

#include "core/TarnolixConstants.h"

#include <QByteArray>
#include <QCborStreamReader>
#include <QCborStreamWriter>
#include <QChar>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <vector>

struct GlossaryCategory;

struct Glossary
{
    int id = 0;
    // Position in the source's numbering of categories and glossaries.
    int order = 0;
    QString name;
    QString shortName;
    // English search key of shortName; groups glossaries by first letter.
    QString searchName;
    std::weak_ptr<GlossaryCategory> parent;
};

struct GlossaryCategory : std::enable_shared_from_this<GlossaryCategory>
{
    int id = 0;
    int order = 0;
    QString name;
    QString searchName;
    std::weak_ptr<GlossaryCategory> parent;
    std::vector<std::shared_ptr<GlossaryCategory>> categories;
    std::vector<std::shared_ptr<Glossary>> glossaries;

    // Both throw when the item already has a parent, adding nothing. This
    // category must be held by a shared pointer: it becomes the parent.
    void addCategory(const std::shared_ptr<GlossaryCategory>& category);
    void addGlossary(const std::shared_ptr<Glossary>& glossary);
};

struct GlossaryTree
{
    std::vector<std::shared_ptr<GlossaryCategory>> categories;
    // Distinct glossary ids met while the tree was built.
    int glossariesCount = 0;

    // Top-level categories have no parent; one that has is refused.
    void addCategory(const std::shared_ptr<GlossaryCategory>& category);
};

struct GlossaryWordWhere
{
    int categoryId = 0;
    std::vector<int> glossaryIds;
};

struct GlossaryWord
{
    int id = 0;
    QStringList words;
    std::vector<GlossaryWordWhere> where;
};

// Source ids to local ids, one table each for categories, glossaries and
// words; local ids start at 1.
struct GlossariesIdMngr
{
    QHash<QString, int> categories;
    QHash<QString, int> glossaries;
    QHash<QString, int> words;
    int lastCategoryId = 0;
    int lastGlossaryId = 0;
    int lastWordId = 0;

    int getOrAddCategoryId(const QString& sourceId);
    int getOrAddGlossaryId(const QString& sourceId);
    int getOrAddWordId(const QString& sourceId);
};

using GlossaryList = std::vector<std::shared_ptr<Glossary>>;

// "<category id> <glossary id>": the name pages and models give a glossary.
QByteArray glossaryKey(const Glossary& glossary);

// Tree walks visit each category before its descendants and siblings from
// the last to the first; glossaries of one category in their order.
void walkGlossaryTree(const GlossaryTree& tree, const std::function<void(const std::shared_ptr<GlossaryCategory>&)>& visit);
GlossaryList itemsWithFirstLetter(const GlossaryTree& tree, QChar letter);
std::map<QChar, GlossaryList> groupByFirstLetter(const GlossaryTree& tree);

// Whether the term names `text`: one spelling equal ignoring case, or equal
// by English search key.
bool listContainsName(const GlossaryWord& word, const QString& text);

// Writers and readers of the stored CBOR forms. A reader throws Exception on
// any damage and leaves the record partly filled; a tree read back has its
// parent links restored.
void writeGlossary(QCborStreamWriter& writer, const Glossary& glossary);
void writeGlossaryCategory(QCborStreamWriter& writer, const GlossaryCategory& category);
void writeGlossaryTree(QCborStreamWriter& writer, const GlossaryTree& tree);
void writeGlossaryWord(QCborStreamWriter& writer, const GlossaryWord& word);
void writeGlossariesIdMngr(QCborStreamWriter& writer, const GlossariesIdMngr& ids);

void readGlossary(QCborStreamReader& reader, Glossary& glossary);
void readGlossaryCategory(QCborStreamReader& reader, GlossaryCategory& category);
void readGlossaryTree(QCborStreamReader& reader, GlossaryTree& tree);
void readGlossaryWord(QCborStreamReader& reader, GlossaryWord& word);
// From stored bytes, read through a device so that every stated length is
// weighed against the bytes really there.
void readGlossaryTree(QByteArray bytes, GlossaryTree& tree);
void readGlossaryWord(QByteArray bytes, GlossaryWord& word);
