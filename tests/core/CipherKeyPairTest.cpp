#include "core/CipherKeyPair.h"

#include "tests/core/LogCapture.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <memory>

namespace {

// NIST SP 800-38A, F.2.1 / F.2.2 (CBC-AES128).
const QByteArray kNistKey = QByteArray::fromHex("2b7e151628aed2a6abf7158809cf4f3c");
const QByteArray kNistIv = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
const QByteArray kNistPlain = QByteArray::fromHex(
    "6bc1bee22e409f96e93d7e117393172a"
    "ae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52ef"
    "f69f2445df4f9b17ad2b417be66c3710");
const QByteArray kNistCipher = QByteArray::fromHex(
    "7649abac8119b246cee98e9b12e9197d"
    "5086cb9b507219ee95db113a917678b2"
    "73bed6b8e3c1743b7116e69e22229516"
    "3ff1caa1681fac09120eca307586e1a7");

std::unique_ptr<CipherKeyPair> pairOf(const QByteArray& key, const QByteArray& iv)
{
    auto pair = std::make_unique<CipherKeyPair>();
    pair->setKey(key);
    pair->setIv(iv);
    return pair;
}

QByteArray randomBytes(int n)
{
    QByteArray bytes(n, '\0');
    for (char& b : bytes)
        b = static_cast<char>(QRandomGenerator::global()->bounded(256));
    return bytes;
}

// Raw block-level AES-CBC on whole blocks, no padding.
QByteArray rawCbc(bool encrypt, const QByteArray& key, const QByteArray& iv, QByteArray data)
{
    Aes128CbcContext ctx(reinterpret_cast<const unsigned char*>(key.constData()),
                         reinterpret_cast<const unsigned char*>(iv.constData()));
    auto* p = reinterpret_cast<unsigned char*>(data.data());
    const bool ok = encrypt ? ctx.encrypt(p, data.size()) : ctx.decrypt(p, data.size());
    EXPECT_TRUE(ok);
    return data;
}

QByteArray opensslCli(bool encrypt, const QByteArray& key, const QByteArray& iv, const QByteArray& input)
{
    QProcess openssl;
    QStringList args{"enc", "-aes-128-cbc", "-K", QString::fromLatin1(key.toHex()), "-iv",
                     QString::fromLatin1(iv.toHex())};
    if (!encrypt)
        args << "-d";
    openssl.start("openssl", args);
    EXPECT_TRUE(openssl.waitForStarted()) << "the openssl command is installed by scripts/install-deps";
    openssl.write(input);
    openssl.closeWriteChannel();
    EXPECT_TRUE(openssl.waitForFinished(30000));
    EXPECT_EQ(openssl.exitCode(), 0) << openssl.readAllStandardError().toStdString();
    return openssl.readAllStandardOutput();
}

} // namespace

TEST(CipherKeyPair, MatchesNistCbcVectors)
{
    EXPECT_EQ(rawCbc(true, kNistKey, kNistIv, kNistPlain), kNistCipher);
    EXPECT_EQ(rawCbc(false, kNistKey, kNistIv, kNistCipher), kNistPlain);

    // Block by block on one context: the chain carries over between calls.
    Aes128CbcContext ctx(reinterpret_cast<const unsigned char*>(kNistKey.constData()),
                         reinterpret_cast<const unsigned char*>(kNistIv.constData()));
    QByteArray pieces = kNistCipher;
    auto* p = reinterpret_cast<unsigned char*>(pieces.data());
    ASSERT_TRUE(ctx.decrypt(p, 16));
    ASSERT_TRUE(ctx.decrypt(p + 16, 48));
    EXPECT_EQ(pieces, kNistPlain);
    EXPECT_FALSE(ctx.decrypt(p, 15)) << "whole blocks only";

    // Through the padded interface: the vector's blocks, then one block of padding.
    const auto pair = pairOf(kNistKey, kNistIv);
    const QByteArray sealed = pair->encryptCopy(kNistPlain);
    ASSERT_EQ(sealed.size(), 80);
    EXPECT_EQ(sealed.left(64), kNistCipher);
    const QByteArray padBlock = rawCbc(true, kNistKey, kNistCipher.right(16), QByteArray(16, '\x10'));
    EXPECT_EQ(sealed.mid(64), padBlock);
    EXPECT_EQ(pair->decryptCopy(kNistCipher + padBlock), kNistPlain);
}

TEST(CipherKeyPair, AgreesWithOpensslCommandOnRandomInput)
{
    for (int length : {0, 1, 15, 16, 17, 31, 32, 1000, 4096 + 7}) {
        const QByteArray key = randomBytes(16);
        const QByteArray iv = randomBytes(16);
        const QByteArray text = randomBytes(length);
        const auto pair = pairOf(key, iv);

        const QByteArray ours = pair->encryptCopy(text);
        EXPECT_EQ(ours, opensslCli(true, key, iv, text)) << "length " << length;
        EXPECT_EQ(opensslCli(false, key, iv, ours), text) << "length " << length;
        EXPECT_EQ(pair->decryptCopy(ours), text) << "length " << length;
    }
}

TEST(CipherKeyPair, LengthsAndInPlaceWork)
{
    CipherKeyPair pair;
    pair.setKeyFromString("reader7@example.org");
    pair.setIvFromString(QString::fromUtf8("/home/читатель/Data"));
    EXPECT_EQ(pair.key(), QCryptographicHash::hash("reader7@example.org", QCryptographicHash::Md5));
    EXPECT_EQ(pair.iv(), QCryptographicHash::hash(QString::fromUtf8("/home/читатель/Data").toUtf8(),
                                                  QCryptographicHash::Md5));

    for (const auto& [plain, sealedSize] : {std::pair{0, 16}, {15, 16}, {16, 32}, {17, 32}}) {
        QByteArray data(plain, 'x');
        const QByteArray original = data;
        const QByteArray sealed = pair.encryptCbc(data);
        EXPECT_EQ(sealed.size(), sealedSize) << plain;
        EXPECT_EQ(data, sealed) << "enciphered in place";
        EXPECT_EQ(pair.decryptCbc(data), original) << plain;
        EXPECT_EQ(data, original) << "deciphered in place";
    }

    const QByteArray sealed = pair.encryptCopy("section text");
    const QByteArray keep = sealed;
    EXPECT_EQ(pair.decryptCopy(sealed), "section text");
    EXPECT_EQ(sealed, keep) << "the copy forms leave their argument alone";

    pair.setKeyFromString(QString());
    EXPECT_TRUE(pair.key().isEmpty());
}

TEST(CipherKeyPair, EveryWarningCode)
{
    const QByteArray key16 = randomBytes(16);
    const struct
    {
        QByteArray key;
        QByteArray iv;
        QByteArray data;
        bool encrypt;
        const char* warning;
    } cases[] = {
        {key16, QByteArray(), "text", true, "ERROR 0x85974113"},
        {key16, QByteArray(15, 'i'), "text", true, "ERROR 0x85974113"},
        {QByteArray(15, 'k'), key16, "text", true, "ERROR 0x85974114"},
        {QByteArray(), key16, "", true, "ERROR 0x85974114"},
        {key16, QByteArray(17, 'i'), QByteArray(16, 'c'), false, "ERROR 0x85974123"},
        {QByteArray(15, 'k'), key16, QByteArray(16, 'c'), false, "ERROR 0x85974124"},
        {QByteArray(15, 'k'), key16, QByteArray(), false, "ERROR 0x85974124"},
        {key16, key16, QByteArray(17, 'c'), false, "ERROR 0x85974125"},
        {key16, key16, QByteArray(1, 'c'), false, "ERROR 0x85974125"},
    };
    for (const auto& c : cases) {
        const auto pair = pairOf(c.key, c.iv);
        QByteArray data = c.data;
        LogCapture log;
        const QByteArray result = c.encrypt ? pair->encryptCbc(data) : pair->decryptCbc(data);
        EXPECT_TRUE(result.isEmpty()) << c.warning;
        EXPECT_TRUE(data.isEmpty()) << "the caller's data is cleared: " << c.warning;
        EXPECT_EQ(log.warnings(), QStringList{c.warning});
    }

    LogCapture log;
    QByteArray empty;
    EXPECT_TRUE(pairOf(key16, key16)->decryptCbc(empty).isEmpty());
    EXPECT_TRUE(log.warnings().isEmpty()) << "empty data is not an error";
}

TEST(CipherKeyPair, BadPaddingGivesEmptyResultSilently)
{
    const QByteArray key = randomBytes(16);
    const QByteArray iv = randomBytes(16);
    const auto pair = pairOf(key, iv);

    QByteArray lastZero(16, 'a');
    lastZero[15] = 0;
    QByteArray last17(16, 'a');
    last17[15] = 17;
    QByteArray mixed(32, '\x03');
    mixed[29] = 2; // last byte 3, but not all three padding bytes are 3
    QByteArray longPad(16, '\x10');
    longPad.prepend(QByteArray(16, '\x11')); // 17 would exceed a block
    longPad[31] = 17;
    for (const QByteArray& plain : {lastZero, last17, mixed, longPad}) {
        QByteArray data = rawCbc(true, key, iv, plain);
        LogCapture log;
        EXPECT_TRUE(pair->decryptCbc(data).isEmpty()) << plain.toHex().toStdString();
        EXPECT_TRUE(data.isEmpty());
        EXPECT_TRUE(log.warnings().isEmpty()) << "padding failures are not logged";
    }
}

TEST(CipherKeyPair, WrongIvGarblesOnlyTheFirstBlockWrongKeyGarblesAll)
{
    const QByteArray key = randomBytes(16);
    const QByteArray iv = randomBytes(16);
    const QByteArray text = QByteArray("A section of stored book text, long enough for three blocks.");
    const QByteArray sealed = pairOf(key, iv)->encryptCopy(text);

    QByteArray otherIv = iv;
    otherIv[0] = static_cast<char>(otherIv[0] ^ 0x5A);
    const QByteArray underWrongIv = pairOf(key, otherIv)->decryptCopy(sealed);
    // Padding sits in the last block, which the IV does not reach.
    ASSERT_EQ(underWrongIv.size(), text.size());
    EXPECT_NE(underWrongIv.left(16), text.left(16));
    EXPECT_EQ(underWrongIv.mid(16), text.mid(16));

    QByteArray otherKey = key;
    otherKey[3] = static_cast<char>(otherKey[3] ^ 0x01);
    const QByteArray underWrongKey = pairOf(otherKey, iv)->decryptCopy(sealed);
    EXPECT_FALSE(underWrongKey.contains(text.mid(16, 16)));
}
