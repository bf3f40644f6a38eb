#include "core/CborHelpers.h"

#include "core/Exception.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

QByteArray encode(const std::function<void(QCborStreamWriter&)>& write)
{
    QByteArray bytes;
    QCborStreamWriter writer(&bytes);
    write(writer);
    return bytes;
}

QString failure(const QByteArray& bytes, const std::function<void(QCborStreamReader&)>& steps)
{
    QCborStreamReader reader(bytes);
    try {
        steps(reader);
    } catch (const Exception& e) {
        return e.message();
    }
    return QStringLiteral("(no exception)");
}

} // namespace

TEST(CborHelpers, ReaderFailuresHaveUniformMessages)
{
    const QByteArray array = encode([](QCborStreamWriter& w) { w.startArray(1); w.append(7); w.endArray(); });
    const QByteArray map = encode([](QCborStreamWriter& w) { w.startMap(0); w.endMap(); });
    const QByteArray truncated = QByteArray::fromHex("8207"); // [7, and the second item missing
    const QString endOfData = QStringLiteral("Unexpected end of input data (more bytes needed)");

    const struct
    {
        const QByteArray& bytes;
        std::function<void(QCborStreamReader&)> steps;
        QString message;
    } cases[] = {
        {array, cborEnterMap, QStringLiteral("CborReader::enterMap: Is not map!")},
        {map, cborEnterArray, QStringLiteral("CborReader::enterArray: Is not array!")},
        {array, [](QCborStreamReader& r) { cborEnterArray(r); cborReadString(r); },
         QStringLiteral("CborReader::readString: Is not string!")},
        {truncated, [](QCborStreamReader& r) { cborEnterArray(r); cborNext(r); },
         QStringLiteral("CborReader::next: ") + endOfData},
        {truncated, [](QCborStreamReader& r) { cborEnterArray(r); cborSkip(r); },
         QStringLiteral("CborReader::skip: ") + endOfData},
        {truncated, [](QCborStreamReader& r) { cborEnterArray(r); r.next(); cborCheckError(r); },
         QStringLiteral("CborReader::checkError: checkError")},
        {QByteArray::fromHex("63616263").left(3), cborReadString, QStringLiteral("CborReader::readString: ") + endOfData},
        {truncated, [](QCborStreamReader& r) { cborEnterArray(r); cborLeaveArray(r); },
         QStringLiteral("CborReader::leaveArray: ") + endOfData},
    };
    for (const auto& c : cases)
        EXPECT_EQ(failure(c.bytes, c.steps), c.message);
}

TEST(CborHelpers, StringsAreReadWholeAndTheReaderMovesOn)
{
    // ["abc", (_ "ab", "c"), 5]: a plain string, then one sent in two chunks.
    const QByteArray bytes = QByteArray::fromHex("83" "63616263" "7f" "626162" "6163" "ff" "05");
    QCborStreamReader reader(bytes);
    cborEnterArray(reader);
    EXPECT_EQ(cborReadString(reader), QStringLiteral("abc"));
    EXPECT_EQ(cborReadString(reader), QStringLiteral("abc"));
    ASSERT_TRUE(reader.isInteger());
    EXPECT_EQ(reader.toInteger(), 5);
    cborNext(reader);
    cborLeaveArray(reader);
    EXPECT_FALSE(reader.hasNext());
}

TEST(CborHelpers, LeavingEarlySkipsTheRestOfTheContainer)
{
    // [{1: [2, 3], 4: "x"}, 9]: leaving the map after its first key must land on 9.
    const QByteArray bytes = encode([](QCborStreamWriter& w) {
        w.startArray(2);
        w.startMap(2);
        w.append(1);
        w.startArray(2);
        w.append(2);
        w.append(3);
        w.endArray();
        w.append(4);
        w.append(QStringLiteral("x"));
        w.endMap();
        w.append(9);
        w.endArray();
    });
    QCborStreamReader reader(bytes);
    cborEnterArray(reader);
    cborEnterMap(reader);
    ASSERT_EQ(reader.toInteger(), 1);
    cborNext(reader);
    cborLeaveMap(reader);
    ASSERT_TRUE(reader.isInteger());
    EXPECT_EQ(reader.toInteger(), 9);
}

TEST(CborHelpers, WriterFailures)
{
    const auto close = [](const std::function<void(QCborStreamWriter&)>& write) {
        QByteArray bytes;
        QCborStreamWriter writer(&bytes);
        try {
            write(writer);
        } catch (const Exception& e) {
            return e.message();
        }
        return QStringLiteral("(no exception)");
    };
    EXPECT_EQ(close([](QCborStreamWriter& w) { w.startArray(2); w.append(1); cborEndArray(w); }),
              QStringLiteral("CborWriter::endArray: error"));
    EXPECT_EQ(close([](QCborStreamWriter& w) { w.startMap(1); cborEndMap(w); }),
              QStringLiteral("CborWriter::endMap: error"));
    EXPECT_EQ(close([](QCborStreamWriter& w) { w.startMap(); w.append(1); w.append(2); cborEndMap(w); }),
              QStringLiteral("(no exception)"));
}
