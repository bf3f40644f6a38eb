#include "core/BookRecords.h"

#include "core/DataStreamContainers.h"
#include "core/SectionReference.h"
#include "core/StartupTables.h"

#include <QJsonObject>
#include <QJsonValue>

namespace {

// Counts at or above this are corrupt for a paragraph's attributes and texts.
constexpr quint32 kMaxEntityElements = 0x10000000;
// Smallest stored sizes: a string is at least its 32-bit length.
constexpr qint64 kMinStringBytes = 4;
constexpr qint64 kMinAttributeBytes = 2 * kMinStringBytes;

} // namespace

std::shared_ptr<BookInfo> makeBookInfo()
{
    return std::make_shared<BookInfo>();
}

BookEntity::BookEntity(quint8 kind) : kind(kind) {}

BookEntity::BookEntity(quint8 kind, const QMap<QString, QString>& attributes, QStringList&& texts)
    : kind(kind), attributes(attributes), texts(std::move(texts))
{
}

QString joinStrings(const BookEntity& entity)
{
    QString text;
    text.reserve(textLength(entity));
    for (const QString& piece : entity.texts)
        text += piece;
    return text;
}

int textLength(const BookEntity& entity)
{
    int length = 0;
    for (const QString& piece : entity.texts)
        length += piece.size();
    return length;
}

quint8 paragraphKindFromName(const QString& name)
{
    return StartupTables::paragraphKind(name).value_or(0);
}

QString sectionCodeToString(const BookSection& section)
{
    QStringList parts;
    for (int component : {section.numberCodeSection, section.numberCodeChapter, section.numberCodePoem}) {
        if (component != 0)
            parts << QString::number(component);
    }
    return parts.join(QLatin1Char('.'));
}

std::shared_ptr<BookSection> findMatchingSection(const BookSection& section,
                                                 const std::vector<std::shared_ptr<BookSection>>& candidates)
{
    const SectionReference wanted = parseSectionNumberSlug(section);
    const auto matches = [&](const BookSection& candidate) {
        if (!wanted.valid)
            return !section.slug.isEmpty() && section.slug == candidate.slug;
        const SectionReference own = parseSectionNumberSlug(candidate);
        return own.valid && own.section == wanted.section && own.chapter == wanted.chapter
            && own.verseFrom <= wanted.verseFrom && wanted.verseFrom <= own.verseTo;
    };

    std::shared_ptr<BookSection> found;
    for (const auto& candidate : candidates) {
        if (!candidate || !matches(*candidate))
            continue;
        if (found)
            return nullptr; // ambiguous
        found = candidate;
    }
    return found;
}

void writeBookEntity(QDataStream& out, const BookEntity& entity)
{
    out << static_cast<qint8>(entity.kind);
    out << static_cast<quint32>(entity.attributes.size());
    for (auto it = entity.attributes.cbegin(); it != entity.attributes.cend(); ++it)
        out << it.key() << it.value();
    out << static_cast<quint32>(entity.texts.size());
    for (const QString& text : entity.texts)
        out << text;
}

void readBookEntity(QDataStream& in, std::shared_ptr<BookEntity>& entity)
{
    entity = std::make_shared<BookEntity>();
    qint8 kind = 0;
    in >> kind;
    entity->kind = static_cast<quint8>(kind);

    readCountedContainer(in, entity->attributes, kMaxEntityElements, kMinAttributeBytes,
                         [](QDataStream& s, QMap<QString, QString>& map) {
                             QString key;
                             s >> key;
                             // A repeated key keeps the later value.
                             s >> map[key];
                         });
    readCountedContainer(in, entity->texts, kMaxEntityElements, kMinStringBytes,
                         [](QDataStream& s, QStringList& list) {
                             QString text;
                             s >> text;
                             list.append(std::move(text));
                         });
}

void writeDownloadFile(QDataStream& out, const BookInfo::DownloadFile& file)
{
    out << file.file << file.name << file.extension << static_cast<qint32>(file.size)
        << static_cast<qint32>(file.order);
}

void readDownloadFile(QDataStream& in, BookInfo::DownloadFile& file)
{
    qint32 size = 0;
    qint32 order = 0;
    in >> file.file >> file.name >> file.extension >> size >> order;
    file.size = size;
    file.order = order;
}

void bookNameFromJson(const QJsonObject& object, BookName& bookName)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = it.key();
        if (key == QLatin1String("id"))
            bookName.id = it.value().toInt();
        else if (key == QLatin1String("name"))
            bookName.name = it.value().toString();
        else
            qWarning("fromJson: Unknown key: %s", key.toUtf8().constData());
    }
}
