#include "core/Glossary.h"

#include "core/CborHelpers.h"
#include "core/Exception.h"
#include "core/TextNormalization.h"

#include <QBuffer>

#include <algorithm>

void GlossaryCategory::addCategory(const std::shared_ptr<GlossaryCategory>& category)
{
    if (category->parent.lock())
        throw Exception("ERROR 0x77845414");
    // A category placed under itself or under one of its own descendants
    // would make a loop that every walk of the tree follows for ever.
    for (const GlossaryCategory* up = this; up; up = up->parent.lock().get()) {
        if (up == category.get())
            throw Exception("ERROR 0x77845414");
    }
    category->parent = shared_from_this();
    categories.push_back(category);
}

void GlossaryCategory::addGlossary(const std::shared_ptr<Glossary>& glossary)
{
    if (glossary->parent.lock())
        throw Exception("ERROR 0x77845415");
    glossary->parent = shared_from_this();
    glossaries.push_back(glossary);
}

void GlossaryTree::addCategory(const std::shared_ptr<GlossaryCategory>& category)
{
    if (category->parent.lock())
        throw Exception("ERROR 0x51845414");
    categories.push_back(category);
}

namespace {

int getOrAdd(QHash<QString, int>& table, int& last, const QString& sourceId)
{
    auto it = table.constFind(sourceId);
    if (it != table.constEnd())
        return it.value();
    table.insert(sourceId, ++last);
    return last;
}

} // namespace

int GlossariesIdMngr::getOrAddCategoryId(const QString& sourceId)
{
    return getOrAdd(categories, lastCategoryId, sourceId);
}

int GlossariesIdMngr::getOrAddGlossaryId(const QString& sourceId)
{
    return getOrAdd(glossaries, lastGlossaryId, sourceId);
}

int GlossariesIdMngr::getOrAddWordId(const QString& sourceId)
{
    return getOrAdd(words, lastWordId, sourceId);
}

QByteArray glossaryKey(const Glossary& glossary)
{
    const auto parent = glossary.parent.lock();
    if (!parent)
        throw Exception("ERROR 0x74754335");
    return QByteArray::number(parent->id) + ' ' + QByteArray::number(glossary.id);
}

void walkGlossaryTree(const GlossaryTree& tree, const std::function<void(const std::shared_ptr<GlossaryCategory>&)>& visit)
{
    std::vector<std::shared_ptr<GlossaryCategory>> stack(tree.categories.begin(), tree.categories.end());
    while (!stack.empty()) {
        const std::shared_ptr<GlossaryCategory> category = std::move(stack.back());
        stack.pop_back();
        if (!category)
            continue;
        stack.insert(stack.end(), category->categories.begin(), category->categories.end());
        visit(category);
    }
}

GlossaryList itemsWithFirstLetter(const GlossaryTree& tree, QChar letter)
{
    const QChar lower = letter.toLower();
    GlossaryList found;
    walkGlossaryTree(tree, [&](const std::shared_ptr<GlossaryCategory>& category) {
        for (const auto& glossary : category->glossaries) {
            if (glossary && !glossary->searchName.isEmpty() && glossary->searchName.at(0) == lower)
                found.push_back(glossary);
        }
    });
    return found;
}

std::map<QChar, GlossaryList> groupByFirstLetter(const GlossaryTree& tree)
{
    std::map<QChar, GlossaryList> groups;
    walkGlossaryTree(tree, [&](const std::shared_ptr<GlossaryCategory>& category) {
        for (const auto& glossary : category->glossaries) {
            if (glossary && !glossary->searchName.isEmpty())
                groups[glossary->searchName.at(0).toUpper()].push_back(glossary);
        }
    });
    return groups;
}

bool listContainsName(const GlossaryWord& word, const QString& text)
{
    if (word.words.contains(text, Qt::CaseInsensitive))
        return true;
    const QString key = removeDiacritics(TarnolixConstants::English, text);
    return std::any_of(word.words.cbegin(), word.words.cend(), [&](const QString& spelling) {
        return removeDiacritics(TarnolixConstants::English, spelling) == key;
    });
}

// Writers ---------------------------------------------------------------------

namespace {

void writeKey(QCborStreamWriter& writer, qint64 key)
{
    writer.append(key);
}

void writeInt(QCborStreamWriter& writer, qint64 key, int value)
{
    writeKey(writer, key);
    writer.append(static_cast<qint64>(value));
}

void writeText(QCborStreamWriter& writer, qint64 key, const QString& value)
{
    writeKey(writer, key);
    writer.append(value);
}

template <typename Container, typename WriteElement>
void writeArray(QCborStreamWriter& writer, qint64 key, const Container& items, WriteElement writeElement)
{
    writeKey(writer, key);
    writer.startArray(static_cast<quint64>(items.size()));
    for (const auto& item : items)
        writeElement(item);
    cborEndArray(writer);
}

void writeIdTable(QCborStreamWriter& writer, qint64 key, const QHash<QString, int>& table)
{
    writeKey(writer, key);
    writer.startMap(static_cast<quint64>(table.size()));
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        writer.append(it.key());
        writer.append(static_cast<qint64>(it.value()));
    }
    cborEndMap(writer);
}

} // namespace

void writeGlossary(QCborStreamWriter& writer, const Glossary& glossary)
{
    writer.startMap(5);
    writeInt(writer, 1, glossary.id);
    writeText(writer, 2, glossary.name);
    writeText(writer, 3, glossary.shortName);
    writeInt(writer, 7, glossary.order);
    writeText(writer, 8, glossary.searchName);
    cborEndMap(writer);
}

void writeGlossaryCategory(QCborStreamWriter& writer, const GlossaryCategory& category)
{
    writer.startMap(6);
    writeInt(writer, 1, category.id);
    writeText(writer, 2, category.name);
    writeArray(writer, 4, category.categories,
               [&](const std::shared_ptr<GlossaryCategory>& child) { writeGlossaryCategory(writer, *child); });
    writeArray(writer, 5, category.glossaries,
               [&](const std::shared_ptr<Glossary>& glossary) { writeGlossary(writer, *glossary); });
    writeInt(writer, 7, category.order);
    writeText(writer, 8, category.searchName);
    cborEndMap(writer);
}

void writeGlossaryTree(QCborStreamWriter& writer, const GlossaryTree& tree)
{
    writer.startMap(2);
    writeArray(writer, 4, tree.categories,
               [&](const std::shared_ptr<GlossaryCategory>& category) { writeGlossaryCategory(writer, *category); });
    writeInt(writer, 6, tree.glossariesCount);
    cborEndMap(writer);
}

void writeGlossaryWord(QCborStreamWriter& writer, const GlossaryWord& word)
{
    writer.startMap(3);
    writeInt(writer, 1, word.id);
    writeArray(writer, 2, word.words, [&](const QString& spelling) { writer.append(spelling); });
    writeArray(writer, 3, word.where, [&](const GlossaryWordWhere& where) {
        writer.startMap(2);
        writeInt(writer, 1, where.categoryId);
        writeArray(writer, 5, where.glossaryIds,
                   [&](int glossaryId) { writer.append(static_cast<qint64>(glossaryId)); });
        cborEndMap(writer);
    });
    cborEndMap(writer);
}

void writeGlossariesIdMngr(QCborStreamWriter& writer, const GlossariesIdMngr& ids)
{
    writer.startMap(6);
    writeIdTable(writer, 1, ids.categories);
    writeIdTable(writer, 2, ids.glossaries);
    writeIdTable(writer, 3, ids.words);
    writeInt(writer, 4, ids.lastCategoryId);
    writeInt(writer, 5, ids.lastGlossaryId);
    writeInt(writer, 6, ids.lastWordId);
    cborEndMap(writer);
}

// Readers ---------------------------------------------------------------------

namespace {

// Upper bounds of stated array lengths, by element: the elements' bytes stay
// below 2 GiB.
constexpr quint64 kMaxRecordArray = 0x8000000;
constexpr quint64 kMaxTextArray = 0x10000000;
constexpr quint64 kMaxIntArray = 0x20000000;
constexpr quint64 kMaxWhereArray = 0x4000000;

// Reservation for a reader whose input size is unknown (one over a byte
// array); the container grows past it as elements really arrive.
constexpr quint64 kUnknownInputReservation = 1024;

[[noreturn]] void throwRead(const char* operation, const char* fault)
{
    throw Exception(QStringLiteral("CborReader::%1: %2").arg(QLatin1String(operation), QLatin1String(fault)));
}

// Every element takes at least one byte, so no stated length can be honoured
// beyond the bytes left: a corrupt length reserves no more than the input.
quint64 reservationFor(QCborStreamReader& reader, quint64 statedLength)
{
    quint64 limit = kUnknownInputReservation;
    const QIODevice* device = reader.device();
    if (device && !device->isSequential())
        limit = static_cast<quint64>(std::max<qint64>(0, device->size() - reader.currentOffset()));
    return std::min(statedLength, limit);
}

qint64 readKey(QCborStreamReader& reader)
{
    cborCheckError(reader);
    if (!reader.isInteger())
        throwRead("operator>>(qint8 &i)", "Is not integer!");
    const qint64 key = reader.toInteger();
    cborNext(reader);
    return key;
}

int readInt(QCborStreamReader& reader)
{
    cborCheckError(reader);
    if (!reader.isInteger())
        throwRead("operator>>(qint32 &i)", "Is not integer!");
    const auto value = static_cast<int>(reader.toInteger());
    cborNext(reader);
    return value;
}

QString readText(QCborStreamReader& reader)
{
    cborCheckError(reader);
    if (!reader.isString())
        throwRead("operator>>(QString &s)", "Is not string!");
    return cborReadString(reader);
}

// Reads a map of integer keys; readField reads the value of a key it knows
// and returns false for any other, whose value is skipped.
template <typename ReadField>
void readMap(QCborStreamReader& reader, ReadField readField)
{
    cborCheckError(reader);
    cborEnterMap(reader);
    while (reader.hasNext()) {
        if (!readField(readKey(reader)))
            cborSkip(reader);
    }
    cborLeaveMap(reader);
}

template <typename Container, typename ReadElement>
void readArray(QCborStreamReader& reader, Container& items, quint64 bound, ReadElement readElement)
{
    items.clear();
    cborCheckError(reader);
    if (reader.isArray() && reader.isLengthKnown()) {
        const quint64 length = reader.length();
        if (length > bound)
            throw Exception("Invalid elements count");
        items.reserve(static_cast<int>(reservationFor(reader, length)));
    }
    cborEnterArray(reader);
    while (reader.hasNext())
        readElement(items);
    cborLeaveArray(reader);
}

void readWhere(QCborStreamReader& reader, GlossaryWordWhere& where)
{
    readMap(reader, [&](qint64 key) {
        switch (key) {
        case 1: where.categoryId = readInt(reader); return true;
        case 5:
            readArray(reader, where.glossaryIds, kMaxIntArray,
                      [&](std::vector<int>& ids) { ids.push_back(readInt(reader)); });
            return true;
        default: return false;
        }
    });
}

// Each category is held by a shared pointer before it is read, so that its
// children can point back to it.
void readCategories(QCborStreamReader& reader, std::vector<std::shared_ptr<GlossaryCategory>>& categories)
{
    readArray(reader, categories, kMaxRecordArray, [&](std::vector<std::shared_ptr<GlossaryCategory>>& items) {
        auto category = std::make_shared<GlossaryCategory>();
        items.push_back(category);
        readGlossaryCategory(reader, *category);
    });
}

} // namespace

void readGlossary(QCborStreamReader& reader, Glossary& glossary)
{
    readMap(reader, [&](qint64 key) {
        switch (key) {
        case 1: glossary.id = readInt(reader); return true;
        case 2: glossary.name = readText(reader); return true;
        case 3: glossary.shortName = readText(reader); return true;
        case 7: glossary.order = readInt(reader); return true;
        case 8: glossary.searchName = readText(reader); return true;
        default: return false;
        }
    });
}

void readGlossaryCategory(QCborStreamReader& reader, GlossaryCategory& category)
{
    readMap(reader, [&](qint64 key) {
        switch (key) {
        case 1: category.id = readInt(reader); return true;
        case 2: category.name = readText(reader); return true;
        case 4: readCategories(reader, category.categories); return true;
        case 5:
            readArray(reader, category.glossaries, kMaxRecordArray, [&](GlossaryList& glossaries) {
                auto glossary = std::make_shared<Glossary>();
                glossaries.push_back(glossary);
                readGlossary(reader, *glossary);
            });
            return true;
        case 7: category.order = readInt(reader); return true;
        case 8: category.searchName = readText(reader); return true;
        default: return false;
        }
    });
    // Only a category held by a shared pointer can be a parent.
    const std::weak_ptr<GlossaryCategory> self = category.weak_from_this();
    for (const auto& child : category.categories)
        child->parent = self;
    for (const auto& glossary : category.glossaries)
        glossary->parent = self;
}

void readGlossaryTree(QCborStreamReader& reader, GlossaryTree& tree)
{
    readMap(reader, [&](qint64 key) {
        switch (key) {
        case 4: readCategories(reader, tree.categories); return true;
        case 6: tree.glossariesCount = readInt(reader); return true;
        default: return false;
        }
    });
}

void readGlossaryWord(QCborStreamReader& reader, GlossaryWord& word)
{
    readMap(reader, [&](qint64 key) {
        switch (key) {
        case 1: word.id = readInt(reader); return true;
        case 2:
            readArray(reader, word.words, kMaxTextArray,
                      [&](QStringList& words) { words.append(readText(reader)); });
            return true;
        case 3:
            readArray(reader, word.where, kMaxWhereArray, [&](std::vector<GlossaryWordWhere>& where) {
                where.emplace_back();
                readWhere(reader, where.back());
            });
            return true;
        default: return false;
        }
    });
}

namespace {

template <typename Record>
void readFromBytes(QByteArray& bytes, Record& record, void (*read)(QCborStreamReader&, Record&))
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QCborStreamReader reader(&buffer);
    read(reader, record);
}

} // namespace

void readGlossaryTree(QByteArray bytes, GlossaryTree& tree)
{
    readFromBytes<GlossaryTree>(bytes, tree, &readGlossaryTree);
}

void readGlossaryWord(QByteArray bytes, GlossaryWord& word)
{
    readFromBytes<GlossaryWord>(bytes, word, &readGlossaryWord);
}
