#include "core/BookRecords.h"
#include "core/CipherKeyPair.h"
#include "core/Exception.h"
#include "database/BookTextCipher.h"
#include "database/TarnolixDB.h"

#include "tests/core/LogCapture.h"

#include <gtest/gtest.h>

namespace {

// A section's entity list as the book writer stores it.
QByteArray sectionPayload()
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_12);
    const int count = 12;
    out << qint32(count);
    for (int i = 0; i < count; ++i) {
        const BookEntity entity(static_cast<quint8>(1 + i % 10), {{"id", QString::number(i)}},
                                QStringList{QStringLiteral("Стих %1: дхарма-кшетре куру-кшетре").arg(i)});
        writeBookEntity(out, entity);
    }
    return bytes;
}

class BookPartPacking : public ::testing::Test
{
protected:
    void SetUp() override
    {
        pair.setKeyFromString(QStringLiteral("reader@example.invalid"));
        pair.setIvFromString(QStringLiteral("/home/reader/.local/share/Tarnolix"));
        setBookTextCipher(&pair);
    }
    void TearDown() override { setBookTextCipher(nullptr); }

    static QString thrown(const std::function<void()>& f)
    {
        try {
            f();
        } catch (const Exception& e) {
            return e.message();
        }
        return QStringLiteral("(nothing thrown)");
    }

    CipherKeyPair pair;
};

} // namespace

TEST_F(BookPartPacking, EveryModePairRoundTripsInItsBodyForm)
{
    const QByteArray payload = sectionPayload();
    for (quint8 compress : {0, 1}) {
        for (quint8 encrypt : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "modes " << int(compress) << "," << int(encrypt));
            const QByteArray packed = TarnolixDB::packBookPart(payload, compress, encrypt);
            ASSERT_GE(packed.size(), 2);
            EXPECT_EQ(packed.at(packed.size() - 2), char(compress));
            EXPECT_EQ(packed.at(packed.size() - 1), char(encrypt));

            QByteArray body = packed.left(packed.size() - 2);
            if (encrypt) {
                EXPECT_EQ(body.size() % 16, 0);
                body = pair.decryptCopy(body);
            }
            EXPECT_EQ(body, compress ? qCompress(payload, 3) : payload);

            EXPECT_EQ(TarnolixDB::unpackBookPart(packed), payload);
        }
    }
}

TEST_F(BookPartPacking, EmptyPayloads)
{
    EXPECT_EQ(thrown([] { TarnolixDB::packBookPart(QByteArray(), 0, 0); }), "Packed book part error");
    // The compressed and the enciphered forms of nothing are not empty.
    EXPECT_EQ(TarnolixDB::packBookPart(QByteArray(), 1, 0), QByteArray(4, '\0') + char(1) + char(0));
    EXPECT_EQ(TarnolixDB::packBookPart(QByteArray(), 0, 1).size(), 16 + 2);
    // ...but they unpack to nothing, which is an error.
    EXPECT_EQ(thrown([] { TarnolixDB::unpackBookPart(TarnolixDB::packBookPart(QByteArray(), 0, 1)); }),
              "Unpacked book part error");
}

TEST_F(BookPartPacking, ModesThatCouldNotBeReadBackAreRefused)
{
    EXPECT_EQ(thrown([] { TarnolixDB::packBookPart("x", 2, 0); }),
              "Packed book part error: unknown compress mode(0x8C2E4A17)");
    EXPECT_EQ(thrown([] { TarnolixDB::packBookPart("x", 0, 2); }),
              "Packed book part error: unknown encrypted mode(0x8C2E4A18)");
    EXPECT_EQ(thrown([] { TarnolixDB::packBookPart("x", 255, 1); }),
              "Packed book part error: unknown compress mode(0x8C2E4A17)");
}

TEST_F(BookPartPacking, TrailerErrors)
{
    const struct
    {
        QByteArray container;
        const char* error;
    } cases[] = {
        {QByteArray("abc") + char(2) + char(0), "Unknown compress mode"},
        {QByteArray("abc") + char(0) + char(2), "Unknown encrypted mode"},
        {QByteArray("abc") + char(2) + char(2), "Unknown encrypted mode"},
        {QByteArray("abc") + char(1) + char(0), "Unpacked book part error"}, // not a zlib body
        {QByteArray(2, '\0'), "Unpacked book part error"},                   // trailer only
        {QByteArray(17, 'x') + char(0) + char(1), "Unpacked book part error"}, // not whole blocks
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.container.toHex().constData());
        EXPECT_EQ(thrown([&] { TarnolixDB::unpackBookPart(c.container); }), c.error);
    }
}

TEST_F(BookPartPacking, TooShortForATrailerIsEmptyWithAWarning)
{
    for (const QByteArray& data : {QByteArray(), QByteArray(1, '\1')}) {
        LogCapture log;
        EXPECT_TRUE(TarnolixDB::unpackBookPart(data).isEmpty());
        EXPECT_TRUE(log.warnings().contains("Invalid data"));
    }
}

TEST_F(BookPartPacking, DamagedZlibStreamIsAnUnpackError)
{
    QByteArray packed = TarnolixDB::packBookPart(sectionPayload(), 1, 0);
    for (int i = 6; i < packed.size() - 2; i += 7)
        packed[i] = static_cast<char>(packed[i] ^ 0x5A);
    EXPECT_EQ(thrown([&] { TarnolixDB::unpackBookPart(packed); }), "Unpacked book part error");
}

TEST_F(BookPartPacking, WithoutTheKeyPairNothingIsEncipheredOrDeciphered)
{
    const QByteArray payload = sectionPayload();
    const QByteArray packed = TarnolixDB::packBookPart(payload, 1, 1);

    setBookTextCipher(nullptr);
    EXPECT_EQ(thrown([&] { TarnolixDB::unpackBookPart(packed); }), "Unpacked book part error");
    EXPECT_EQ(thrown([&] { TarnolixDB::packBookPart(payload, 1, 1); }), "Packed book part error");

    CipherKeyPair keyOnly;
    keyOnly.setKeyFromString(QStringLiteral("reader@example.invalid"));
    setBookTextCipher(&keyOnly);
    EXPECT_EQ(thrown([&] { TarnolixDB::unpackBookPart(packed); }), "Unpacked book part error");
}

TEST_F(BookPartPacking, AnotherIvGarblesOnlyTheFirstBlock)
{
    // CBC: the IV enters the first block only, so text read with another IV
    // is not refused; it differs in its first sixteen bytes.
    const QByteArray payload = sectionPayload();
    const QByteArray packed = TarnolixDB::packBookPart(payload, 0, 1);

    CipherKeyPair otherIv;
    otherIv.setKey(pair.key());
    otherIv.setIvFromString(QStringLiteral("/elsewhere"));
    setBookTextCipher(&otherIv);
    const QByteArray read = TarnolixDB::unpackBookPart(packed);
    ASSERT_EQ(read.size(), payload.size());
    EXPECT_NE(read.left(16), payload.left(16));
    EXPECT_EQ(read.mid(16), payload.mid(16));
}
