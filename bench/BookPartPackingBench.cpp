// Packing a section's text (compress, then encipher, plus the mode trailer)
// and unpacking it, beside bare zlib and libcrypto doing the same two steps
// on the same bytes: the difference is what our container costs on top.
// Bytes are counted as the size of the unpacked section.

#include "bench/BenchSupport.h"
#include "core/BookRecords.h"
#include "core/CipherKeyPair.h"
#include "database/BookTextCipher.h"
#include "database/TarnolixDB.h"

#include <benchmark/benchmark.h>

#include <openssl/evp.h>
#include <zlib.h>

#include <QByteArray>
#include <QDataStream>

#include <memory>
#include <vector>

namespace {

using bench::keyPair;
using bench::kParagraphs;

constexpr int kSectionBytes = 20 * 1024;

// Our own sample paragraphs, repeated until the section holds 20 KiB.
QByteArray sectionPayload()
{
    QByteArray body;
    QDataStream entities(&body, QIODevice::WriteOnly);
    entities.setVersion(QDataStream::Qt_5_12);
    qint32 count = 0;
    for (; body.size() < kSectionBytes; ++count) {
        const BookEntity entity(static_cast<quint8>(1 + count % 10), {{"id", QString::number(count)}},
                                QStringList{QString::fromUtf8(kParagraphs[count % 4])});
        writeBookEntity(entities, entity);
    }
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_12);
    out << count;
    return bytes + body;
}

struct Cipher
{
    Cipher() : ctx(EVP_CIPHER_CTX_new()) {}
    ~Cipher() { EVP_CIPHER_CTX_free(ctx); }
    EVP_CIPHER_CTX* ctx;
};

const unsigned char* bytesOf(const QByteArray& a)
{
    return reinterpret_cast<const unsigned char*>(a.constData());
}

// zlib at level 3, then AES-128-CBC with PKCS#7, each into one buffer.
std::vector<unsigned char> barePack(const QByteArray& payload, std::vector<unsigned char>& zbuf)
{
    uLongf zlen = static_cast<uLongf>(zbuf.size());
    compress2(zbuf.data(), &zlen, bytesOf(payload), static_cast<uLong>(payload.size()), 3);
    std::vector<unsigned char> out(zlen + 16);
    Cipher c;
    int n = 0;
    int tail = 0;
    EVP_EncryptInit_ex(c.ctx, EVP_aes_128_cbc(), nullptr, bytesOf(keyPair().key()), bytesOf(keyPair().iv()));
    EVP_EncryptUpdate(c.ctx, out.data(), &n, zbuf.data(), static_cast<int>(zlen));
    EVP_EncryptFinal_ex(c.ctx, out.data() + n, &tail);
    out.resize(static_cast<std::size_t>(n + tail));
    return out;
}

std::vector<unsigned char> bareUnpack(const std::vector<unsigned char>& packed, std::size_t payloadSize)
{
    std::vector<unsigned char> plain(packed.size() + 16);
    Cipher c;
    int n = 0;
    int tail = 0;
    EVP_DecryptInit_ex(c.ctx, EVP_aes_128_cbc(), nullptr, bytesOf(keyPair().key()), bytesOf(keyPair().iv()));
    EVP_DecryptUpdate(c.ctx, plain.data(), &n, packed.data(), static_cast<int>(packed.size()));
    EVP_DecryptFinal_ex(c.ctx, plain.data() + n, &tail);
    std::vector<unsigned char> out(payloadSize);
    uLongf len = static_cast<uLongf>(out.size());
    uncompress(out.data(), &len, plain.data(), static_cast<uLong>(n + tail));
    out.resize(len);
    return out;
}

void PackBookPart(benchmark::State& state)
{
    const QByteArray payload = sectionPayload();
    setBookTextCipher(&keyPair());
    for (auto _ : state)
        benchmark::DoNotOptimize(TarnolixDB::packBookPart(payload, 1, 1));
    setBookTextCipher(nullptr);
    state.SetBytesProcessed(state.iterations() * payload.size());
}

void UnpackBookPart(benchmark::State& state)
{
    const QByteArray payload = sectionPayload();
    setBookTextCipher(&keyPair());
    const QByteArray packed = TarnolixDB::packBookPart(payload, 1, 1);
    if (TarnolixDB::unpackBookPart(packed) != payload)
        state.SkipWithError("round trip failed");
    for (auto _ : state)
        benchmark::DoNotOptimize(TarnolixDB::unpackBookPart(packed));
    setBookTextCipher(nullptr);
    state.SetBytesProcessed(state.iterations() * payload.size());
}

void BareZlibEvpPack(benchmark::State& state)
{
    const QByteArray payload = sectionPayload();
    std::vector<unsigned char> zbuf(compressBound(static_cast<uLong>(payload.size())));
    for (auto _ : state)
        benchmark::DoNotOptimize(barePack(payload, zbuf));
    state.SetBytesProcessed(state.iterations() * payload.size());
}

void BareZlibEvpUnpack(benchmark::State& state)
{
    const QByteArray payload = sectionPayload();
    std::vector<unsigned char> zbuf(compressBound(static_cast<uLong>(payload.size())));
    const std::vector<unsigned char> packed = barePack(payload, zbuf);
    const std::vector<unsigned char> back = bareUnpack(packed, static_cast<std::size_t>(payload.size()));
    if (QByteArray(reinterpret_cast<const char*>(back.data()), int(back.size())) != payload)
        state.SkipWithError("round trip failed");
    for (auto _ : state)
        benchmark::DoNotOptimize(bareUnpack(packed, static_cast<std::size_t>(payload.size())));
    state.SetBytesProcessed(state.iterations() * payload.size());
}

} // namespace

BENCHMARK(PackBookPart)->Unit(benchmark::kMicrosecond);
BENCHMARK(BareZlibEvpPack)->Unit(benchmark::kMicrosecond);
BENCHMARK(UnpackBookPart)->Unit(benchmark::kMicrosecond);
BENCHMARK(BareZlibEvpUnpack)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
