#include "core/SectionsCatalogPositions.h"

#include "tests/core/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <functional>

namespace {

QByteArray streamBytes(const std::function<void(QDataStream&)>& write)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_12);
    write(out);
    return bytes;
}

} // namespace

TEST(SectionsCatalogPositions, InsertKeepsTheFirstPositionAndUnknownSortsLast)
{
    SectionsCatalogPositions positions;
    EXPECT_TRUE(positions.insert(QStringLiteral("sb/1/1"), 0));
    EXPECT_TRUE(positions.insert(QStringLiteral("sb/1/2"), 1));
    EXPECT_FALSE(positions.insert(QStringLiteral("sb/1/1"), 5));
    EXPECT_EQ(positions.position(QStringLiteral("sb/1/1")), 0);
    EXPECT_EQ(positions.position(QStringLiteral("sb/1/2")), 1);
    EXPECT_EQ(positions.position(QStringLiteral("bg/2")), 2147483647);
}

TEST(SectionsCatalogPositions, StreamRoundTrip)
{
    SectionsCatalogPositions written;
    written.insert(QStringLiteral("bg/1"), 0);
    written.insert(QStringLiteral("bg/2"), 1);
    written.insert(QStringLiteral("стих/𝄞"), 2); // Cyrillic and a character outside the BMP
    const QByteArray bytes = streamBytes([&](QDataStream& s) { writeSectionsCatalogPositions(s, written); });

    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_5_12);
    SectionsCatalogPositions read;
    read.insert(QStringLiteral("stale"), 9); // reading replaces the table
    readSectionsCatalogPositions(in, read);
    EXPECT_EQ(in.status(), QDataStream::Ok);
    EXPECT_EQ(read, written);
    EXPECT_TRUE(in.atEnd());
}

TEST(SectionsCatalogPositions, DamagedStreamsGiveAnEmptyTable)
{
    const QByteArray oneEntry = streamBytes([](QDataStream& s) { s << qint32(1) << QStringLiteral("a") << qint32(4); });
    const struct
    {
        const char* what;
        QByteArray bytes;
        QDataStream::Status status;
        bool warns;
    } cases[] = {
        {"count at the bound", streamBytes([](QDataStream& s) { s << quint32(0x20000000); }),
         QDataStream::ReadCorruptData, true},
        {"negative count", streamBytes([](QDataStream& s) { s << qint32(-1); }), QDataStream::ReadCorruptData, true},
        {"large count, data ends early",
         streamBytes([](QDataStream& s) { s << quint32(0x1FFFFFFF) << QStringLiteral("a") << qint32(4); }),
         QDataStream::ReadPastEnd, false},
        {"ends inside a position", oneEntry.left(oneEntry.size() - 2), QDataStream::ReadPastEnd, false},
        {"no count at all", QByteArray("\0\0", 2), QDataStream::ReadPastEnd, false},
    };
    for (const auto& c : cases) {
        LogCapture log;
        QDataStream in(c.bytes);
        SectionsCatalogPositions read;
        read.insert(QStringLiteral("stale"), 9);
        readSectionsCatalogPositions(in, read);
        EXPECT_TRUE(read.isEmpty()) << c.what;
        EXPECT_EQ(in.status(), c.status) << c.what;
        EXPECT_EQ(log.warnings(), c.warns ? QStringList{"Invalid elements count"} : QStringList{}) << c.what;
    }
}

TEST(SectionsCatalogPositions, RepeatedKeyKeepsTheLastPositionRead)
{
    const QByteArray bytes = streamBytes([](QDataStream& s) {
        s << qint32(3) << QStringLiteral("a") << qint32(1) << QStringLiteral("b") << qint32(2) << QStringLiteral("a")
          << qint32(3);
    });
    QDataStream in(bytes);
    SectionsCatalogPositions read;
    readSectionsCatalogPositions(in, read);
    EXPECT_EQ(in.status(), QDataStream::Ok);
    EXPECT_EQ(read.size(), 2);
    EXPECT_EQ(read.position(QStringLiteral("a")), 3);
}

TEST(SectionsCatalogPositions, AnEarlierFailureOfTheStreamIsKept)
{
    const QByteArray bytes = streamBytes([](QDataStream& s) { s << qint32(1) << QStringLiteral("a") << qint32(4); });
    QDataStream in(bytes);
    in.setStatus(QDataStream::ReadCorruptData);
    SectionsCatalogPositions read;
    readSectionsCatalogPositions(in, read);
    EXPECT_EQ(read.position(QStringLiteral("a")), 4); // read anyway
    EXPECT_EQ(in.status(), QDataStream::ReadCorruptData);
}
