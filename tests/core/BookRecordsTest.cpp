#include "core/BookRecords.h"
#include "core/DataStreamContainers.h"

#include "tests/core/LogCapture.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

QByteArray written(const std::function<void(QDataStream&)>& write)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_12);
    write(out);
    return bytes;
}

struct EntityRead
{
    std::shared_ptr<BookEntity> entity;
    QDataStream::Status status;
};

EntityRead readEntity(const QByteArray& bytes)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_5_12);
    EntityRead result;
    readBookEntity(in, result.entity);
    result.status = in.status();
    return result;
}

// Big-endian 32-bit number, and a Qt string: byte length, then UTF-16BE.
QByteArray u32(quint32 value)
{
    return QByteArray::fromHex(QByteArray::number(value, 16).rightJustified(8, '0'));
}

QByteArray qtString(const QString& text)
{
    QByteArray bytes = u32(static_cast<quint32>(text.size() * 2));
    for (QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() >> 8));
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
    }
    return bytes;
}

} // namespace

TEST(BookRecords, EntityBytesAreKindSortedAttributesThenTexts)
{
    QMap<QString, QString> attributes{{QStringLiteral("b"), QStringLiteral("2")},
                                      {QStringLiteral("a"), QStringLiteral("1")}};
    const BookEntity entity(8, attributes, QStringList{QStringLiteral("Hi"), QStringLiteral("я𝄞"), QString()});

    const QByteArray bytes = written([&](QDataStream& out) { writeBookEntity(out, entity); });

    const QByteArray expected = QByteArray::fromHex(
        "08"                                             // kind
        "00000002"                                       // two attributes, ascending keys
        "00000002" "0061" "00000002" "0031"              // a = 1
        "00000002" "0062" "00000002" "0032"              // b = 2
        "00000003"                                       // three texts
        "00000004" "00480069"                            // Hi
        "00000006" "044f" "d834dd1e"                     // я and a surrogate pair
        "ffffffff");                                     // null string
    EXPECT_EQ(bytes.toHex(), expected.toHex());

    const EntityRead back = readEntity(bytes);
    EXPECT_EQ(back.status, QDataStream::Ok);
    EXPECT_EQ(back.entity->kind, 8);
    EXPECT_EQ(back.entity->attributes, attributes);
    EXPECT_EQ(back.entity->texts, entity.texts);
}

TEST(BookRecords, KindAboveOneTwentySevenRoundTrips)
{
    const BookEntity entity(200);
    EXPECT_EQ(readEntity(written([&](QDataStream& out) { writeBookEntity(out, entity); })).entity->kind, 200);
}

TEST(BookRecords, DownloadFileBytesAreThreeStringsThenTwoIntegers)
{
    const BookInfo::DownloadFile file{QStringLiteral("f.pdf"), QStringLiteral("Книга"), QStringLiteral("pdf"), 1234,
                                      -1};
    const QByteArray bytes = written([&](QDataStream& out) { writeDownloadFile(out, file); });

    const QByteArray expected = qtString(QStringLiteral("f.pdf")) + qtString(QStringLiteral("Книга"))
        + qtString(QStringLiteral("pdf")) + QByteArray::fromHex("000004d2" "ffffffff");
    EXPECT_EQ(bytes.toHex(), expected.toHex());

    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_5_12);
    BookInfo::DownloadFile back;
    readDownloadFile(in, back);
    EXPECT_EQ(in.status(), QDataStream::Ok);
    EXPECT_EQ(back.file, file.file);
    EXPECT_EQ(back.name, file.name);
    EXPECT_EQ(back.extension, file.extension);
    EXPECT_EQ(back.size, 1234);
    EXPECT_EQ(back.order, -1);
}

TEST(BookRecords, AttributesWrittenOutOfOrderOrRepeatedReadSortedWithTheLaterValue)
{
    const QByteArray bytes = QByteArray::fromHex("01") + u32(3) + qtString("b") + qtString("x") + qtString("a")
        + qtString("y") + qtString("b") + qtString("z") + u32(0);
    const EntityRead back = readEntity(bytes);
    EXPECT_EQ(back.status, QDataStream::Ok);
    EXPECT_EQ(back.entity->attributes.keys(), (QStringList{"a", "b"}));
    EXPECT_EQ(back.entity->attributes.value("b"), "z");
}

TEST(BookRecords, DamagedEntitiesLeaveEmptyContainersAndAFailedStatus)
{
    struct Case
    {
        const char* name;
        QByteArray bytes;
        QDataStream::Status status;
        bool warned;
    };
    const Case cases[] = {
        {"attribute count at the bound", QByteArray::fromHex("02") + u32(0x10000000), QDataStream::ReadCorruptData,
         true},
        {"text count at the bound", QByteArray::fromHex("02") + u32(0) + u32(0xFFFFFFFF),
         QDataStream::ReadCorruptData, true},
        {"input ends inside the attributes", QByteArray::fromHex("02") + u32(2) + qtString("a") + qtString("1")
             + qtString("b"),
         QDataStream::ReadPastEnd, false},
        {"huge text count, few bytes", QByteArray::fromHex("02") + u32(0) + u32(0x0FFFFFFF) + qtString("t"),
         QDataStream::ReadPastEnd, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        const EntityRead back = readEntity(c.bytes);
        EXPECT_EQ(back.status, c.status);
        EXPECT_TRUE(back.entity->attributes.isEmpty());
        EXPECT_TRUE(back.entity->texts.isEmpty());
        EXPECT_EQ(log.warnings().contains("Invalid elements count"), c.warned);
    }
}

TEST(BookRecords, ReservationIsCappedByTheBytesLeft)
{
    // A corrupt count of 268 million elements over eight bytes of input.
    QByteArray bytes = u32(0x0FFFFFFF) + u32(7) + u32(9);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QDataStream in(&buffer);

    std::vector<qint32> values;
    std::size_t capacityAtFirstElement = 0;
    readCountedContainer(in, values, 0x10000000, 4, [&](QDataStream& s, std::vector<qint32>& v) {
        if (v.empty())
            capacityAtFirstElement = v.capacity();
        qint32 value = 0;
        s >> value;
        v.push_back(value);
    });
    EXPECT_LE(capacityAtFirstElement, 2u);
    EXPECT_EQ(in.status(), QDataStream::ReadPastEnd);
    EXPECT_TRUE(values.empty());
}

TEST(BookRecords, AnEarlierFailureIsNotHiddenByALaterRead)
{
    const BookEntity entity(3, {{"k", "v"}}, QStringList{"t"});
    const QByteArray bytes = written([&](QDataStream& out) { writeBookEntity(out, entity); });
    QDataStream in(bytes);
    in.setStatus(QDataStream::ReadCorruptData);
    std::shared_ptr<BookEntity> back;
    readBookEntity(in, back);
    EXPECT_EQ(back->texts, QStringList{"t"});
    EXPECT_EQ(in.status(), QDataStream::ReadCorruptData);
}

TEST(BookRecords, TextJoiningCountsUtf16Units)
{
    const BookEntity entity(8, {}, QStringList{"ab", "𝄞", ""});
    EXPECT_EQ(textLength(entity), 4);
    EXPECT_EQ(joinStrings(entity), "ab𝄞");
    EXPECT_EQ(textLength(BookEntity()), 0);
}

TEST(BookRecords, ParagraphKindsByName)
{
    EXPECT_EQ(paragraphKindFromName("unallocated"), 1);
    EXPECT_EQ(paragraphKindFromName("quote-sanskrit-translate"), 10);
    EXPECT_EQ(paragraphKindFromName("Comment"), 0);
    EXPECT_EQ(paragraphKindFromName(""), 0);
}

TEST(BookRecords, SectionNumberText)
{
    const struct
    {
        int section, chapter, poem;
        const char* text;
    } cases[] = {{0, 0, 0, ""}, {1, 2, 3, "1.2.3"}, {0, 5, 0, "5"}, {2, 0, 7, "2.7"}, {0, 0, 12, "12"}};
    for (const auto& c : cases) {
        BookSection section;
        section.numberCodeSection = c.section;
        section.numberCodeChapter = c.chapter;
        section.numberCodePoem = c.poem;
        section.numberOtherPoems = 99; // not part of the text
        EXPECT_EQ(sectionCodeToString(section), QString::fromLatin1(c.text));
    }
}

TEST(BookRecords, BookNameFromJsonLogsUnknownKeysAndDefaultsWrongTypes)
{
    LogCapture log;
    BookName name;
    bookNameFromJson(QJsonDocument::fromJson(R"({"id": 5, "name": "X", "extra": true})").object(), name);
    EXPECT_EQ(name.id, 5);
    EXPECT_EQ(name.name, "X");
    EXPECT_EQ(log.warnings(), QStringList{"fromJson: Unknown key: extra"});

    BookName wrong;
    bookNameFromJson(QJsonDocument::fromJson(R"({"id": "5", "name": 3})").object(), wrong);
    EXPECT_EQ(wrong.id, 0);
    EXPECT_EQ(wrong.name, "");
}

TEST(BookRecords, NewRecordsHoldDefaults)
{
    const auto info = makeBookInfo();
    EXPECT_EQ(info->bookId, 0);
    EXPECT_EQ(info->language, TarnolixConstants::InvalidLanguage);
    EXPECT_TRUE(info->name.isEmpty());
    EXPECT_TRUE(info->downloadFiles.empty());
    const BookSection section;
    EXPECT_EQ(section.numberOtherPoems, 0);
    EXPECT_TRUE(section.code.isEmpty());
    const BookBase base;
    EXPECT_FALSE(base.isArticle);
    EXPECT_TRUE(base.languages.empty());
}

namespace {

// The paragraph list as a QDataStream reads it with readBookEntity: the
// reference the in-memory reader must agree with.
struct ListRead
{
    bool ok = false;
    std::vector<std::shared_ptr<BookEntity>> entities;
    QStringList warnings;
};

ListRead streamRead(const QByteArray& bytes, quint32 bound)
{
    LogCapture log;
    ListRead result;
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_5_12);
    readCountedContainer(in, result.entities, bound, 9,
                         [](QDataStream& s, std::vector<std::shared_ptr<BookEntity>>& list) {
                             std::shared_ptr<BookEntity> entity;
                             readBookEntity(s, entity);
                             list.push_back(std::move(entity));
                         });
    result.ok = in.status() == QDataStream::Ok;
    result.warnings = log.warnings();
    return result;
}

ListRead memoryRead(const QByteArray& bytes, quint32 bound)
{
    LogCapture log;
    ListRead result;
    result.ok = readBookEntities(bytes, bound, result.entities);
    result.warnings = log.warnings();
    return result;
}

// Equal records, with null and empty texts told apart. After a failure the
// stream goes on reading a paragraph's later counts from wherever it stands
// and may log more; the in-memory reader stops at the first failure, so
// unless `sameLog` its log need only begin the stream's.
void expectSameLists(const ListRead& expected, const ListRead& actual, bool sameLog = true)
{
    EXPECT_EQ(actual.ok, expected.ok);
    if (sameLog)
        EXPECT_EQ(actual.warnings, expected.warnings);
    else
        EXPECT_EQ(actual.warnings, expected.warnings.mid(0, actual.warnings.size()));
    ASSERT_EQ(actual.entities.size(), expected.entities.size());
    for (std::size_t i = 0; i < expected.entities.size(); ++i) {
        const BookEntity& want = *expected.entities[i];
        const BookEntity& got = *actual.entities[i];
        EXPECT_EQ(got.kind, want.kind) << i;
        EXPECT_EQ(got.attributes, want.attributes) << i;
        ASSERT_EQ(got.texts.size(), want.texts.size()) << i;
        for (int t = 0; t < want.texts.size(); ++t) {
            EXPECT_EQ(got.texts[t], want.texts[t]) << i << ':' << t;
            EXPECT_EQ(got.texts[t].isNull(), want.texts[t].isNull()) << i << ':' << t;
        }
        for (auto it = want.attributes.cbegin(); it != want.attributes.cend(); ++it)
            EXPECT_EQ(got.attributes.value(it.key()).isNull(), it.value().isNull()) << i;
    }
}

QByteArray paragraphList()
{
    return written([](QDataStream& out) {
        const BookEntity entities[] = {
            BookEntity(1, {{"id", "p1"}, {"class", ""}}, QStringList{"Первый абзац", QString(), ""}),
            BookEntity(4, {{"id", "p2"}}, QStringList{"dharma-kṣetre 𝄞", "<p>вторая часть"}),
            BookEntity(200, {}, QStringList{}),
            BookEntity(10, {{"id", "p3"}, {"lang", "sa"}}, QStringList{"ॐ"}),
        };
        out << qint32(4);
        for (const BookEntity& entity : entities)
            writeBookEntity(out, entity);
    });
}

} // namespace

TEST(BookRecords, InMemoryListReadingAgreesWithTheStreamOnWholeAndCutInput)
{
    const QByteArray whole = paragraphList();
    const ListRead read = memoryRead(whole, 0x8000000);
    ASSERT_TRUE(read.ok);
    ASSERT_EQ(read.entities.size(), 4u);
    EXPECT_EQ(read.entities[1]->texts.value(0), "dharma-kṣetre 𝄞");
    EXPECT_EQ(read.entities[2]->kind, 200);
    // Every cut of the input, and the whole with trailing bytes.
    for (int size = 0; size <= whole.size(); ++size) {
        SCOPED_TRACE(size);
        expectSameLists(streamRead(whole.left(size), 0x8000000), memoryRead(whole.left(size), 0x8000000));
    }
    expectSameLists(streamRead(whole + "tail", 0x8000000), memoryRead(whole + "tail", 0x8000000));
}

TEST(BookRecords, InMemoryListReadingAgreesWithTheStreamOnDamage)
{
    const QByteArray whole = paragraphList();
    const struct
    {
        const char* name;
        QByteArray bytes;
        quint32 bound;
    } cases[] = {
        {"list count at its bound", u32(5) + whole.mid(4), 5},
        {"huge list count, few bytes", u32(0x7FFFFFF) + whole.mid(4), 0x8000000},
        {"negative list count", u32(0xFFFFFFFF) + whole.mid(4), 0x8000000},
        {"attribute count at the bound", u32(1) + QByteArray::fromHex("02") + u32(0x10000000), 0x8000000},
        {"text count at the bound", u32(1) + QByteArray::fromHex("02") + u32(0) + u32(0x10000000), 0x8000000},
        {"odd string length", u32(1) + QByteArray::fromHex("02") + u32(1) + u32(3) + "abc" + u32(0) + u32(0),
         0x8000000},
        {"string longer than the input", u32(1) + QByteArray::fromHex("02") + u32(0) + u32(1) + u32(0x7FFFFFFE),
         0x8000000},
        {"repeated key keeps the later value",
         u32(1) + QByteArray::fromHex("03") + u32(3) + qtString("id") + qtString("a") + qtString("id")
             + u32(0xFFFFFFFF) + qtString("b") + qtString("c") + u32(0),
         0x8000000},
        {"empty and null keys", u32(1) + QByteArray::fromHex("03") + u32(2) + u32(0) + qtString("e") + u32(0xFFFFFFFF)
             + qtString("n") + u32(0),
         0x8000000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expectSameLists(streamRead(c.bytes, c.bound), memoryRead(c.bytes, c.bound));
    }

    // Single flipped bytes anywhere in a valid list.
    for (int at = 0; at < whole.size(); ++at) {
        for (char flip : {'\x01', '\x80', '\xFF'}) {
            QByteArray damaged = whole;
            damaged[at] = static_cast<char>(damaged[at] ^ flip);
            SCOPED_TRACE(at);
            expectSameLists(streamRead(damaged, 0x8000000), memoryRead(damaged, 0x8000000), false);
        }
    }
}
