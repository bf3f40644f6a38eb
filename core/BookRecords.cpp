#include "core/BookRecords.h"

#include "core/DataStreamContainers.h"
#include "core/SectionReference.h"
#include "core/StartupTables.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QtEndian>

#include <algorithm>

namespace {

// Counts at or above this are corrupt for a paragraph's attributes and texts.
constexpr quint32 kMaxEntityElements = 0x10000000;
// Smallest stored sizes: a string is at least its 32-bit length.
constexpr qint64 kMinStringBytes = 4;
constexpr qint64 kMinAttributeBytes = 2 * kMinStringBytes;
constexpr qint64 kMinEntityBytes = 1 + 4 + 4;

// A bounds-checked cursor over the Qt_5_12 stream form.
class EntityBytesReader
{
public:
    explicit EntityBytesReader(const QByteArray& bytes)
        : m_at(reinterpret_cast<const uchar*>(bytes.constData())), m_end(m_at + bytes.size())
    {
    }

    qint64 left() const { return m_end - m_at; }

    bool byte(quint8& value)
    {
        if (left() < 1)
            return false;
        value = *m_at++;
        return true;
    }

    bool u32(quint32& value)
    {
        if (left() < 4)
            return false;
        value = qFromBigEndian<quint32>(m_at);
        m_at += 4;
        return true;
    }

    // A count below `bound`; a larger one is logged as QDataStream reading does.
    bool count(quint32 bound, quint32& value)
    {
        if (!u32(value))
            return false;
        if (value >= bound) {
            qWarning("Invalid elements count");
            return false;
        }
        return true;
    }

    // How many of `count` elements of at least `minBytes` bytes can be left.
    int reservation(quint32 count, qint64 minBytes) const
    {
        return static_cast<int>(std::min<qint64>(count, left() / minBytes));
    }

    bool string(QString& text)
    {
        quint32 bytes = 0;
        if (!u32(bytes))
            return false;
        if (bytes == 0xFFFFFFFF) {
            text = QString();
            return true;
        }
        if ((bytes & 1) != 0 || bytes > left())
            return false;
        if (bytes == 0) {
            // QDataStream reads an empty string as empty, not null.
            text = QLatin1String("");
            return true;
        }
        const int length = static_cast<int>(bytes / 2);
        text = QString(length, Qt::Uninitialized);
        qFromBigEndian<quint16>(m_at, length, text.data());
        m_at += bytes;
        return true;
    }

    // Attribute names repeat from paragraph to paragraph: share the text of
    // a name already read instead of allocating it again.
    bool key(QString& text)
    {
        if (left() < 4)
            return false;
        const quint32 bytes = qFromBigEndian<quint32>(m_at);
        if (bytes != 0xFFFFFFFF && (bytes & 1) == 0 && bytes > 0 && bytes <= left() - 4) {
            const int length = static_cast<int>(bytes / 2);
            const uchar* units = m_at + 4;
            for (const QString& known : m_keys) {
                if (known.size() == length && sameUnits(known, units)) {
                    text = known;
                    m_at += 4 + bytes;
                    return true;
                }
            }
        }
        if (!string(text))
            return false;
        if (m_keys.size() < kKnownKeys && !text.isEmpty())
            m_keys.push_back(text);
        return true;
    }

private:
    static constexpr std::size_t kKnownKeys = 16;

    static bool sameUnits(const QString& text, const uchar* units)
    {
        const ushort* own = text.utf16();
        for (int i = 0; i < text.size(); ++i) {
            if (own[i] != qFromBigEndian<quint16>(units + 2 * i))
                return false;
        }
        return true;
    }

    const uchar* m_at;
    const uchar* m_end;
    std::vector<QString> m_keys;
};

bool readEntity(EntityBytesReader& in, BookEntity& entity)
{
    quint8 kind = 0;
    quint32 count = 0;
    if (!in.byte(kind) || !in.count(kMaxEntityElements, count))
        return false;
    entity.kind = kind;
    for (quint32 i = 0; i < count; ++i) {
        QString key;
        if (!in.key(key) || !in.string(entity.attributes[key]))
            return false;
    }
    if (!in.count(kMaxEntityElements, count))
        return false;
    entity.texts.reserve(in.reservation(count, kMinStringBytes));
    for (quint32 i = 0; i < count; ++i) {
        QString text;
        if (!in.string(text))
            return false;
        entity.texts.append(std::move(text));
    }
    return true;
}

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

bool readBookEntities(const QByteArray& bytes, quint32 bound, std::vector<std::shared_ptr<BookEntity>>& entities)
{
    entities.clear();
    EntityBytesReader in(bytes);
    quint32 count = 0;
    if (!in.count(bound, count))
        return false;
    // The paragraphs of a part live and die together: one allocation holds
    // them all, and each pointer handed out shares its ownership. It holds
    // no more than the bytes left can fill; with a larger count the
    // paragraph after them cannot be read whole, and reading it gives the
    // same failure (and log) as the stream.
    const int fit = in.reservation(count, kMinEntityBytes);
    auto block = std::make_shared<std::vector<BookEntity>>(fit);
    for (BookEntity& entity : *block) {
        if (!readEntity(in, entity))
            return false;
    }
    if (static_cast<quint32>(fit) < count) {
        BookEntity beyond;
        readEntity(in, beyond);
        return false;
    }
    entities.reserve(count);
    for (BookEntity& entity : *block)
        entities.emplace_back(block, &entity);
    return true;
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
