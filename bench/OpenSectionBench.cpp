// Opening a section as an open book does (the packed part read by its code,
// unpacked and decoded into paragraphs) in a library of 200 books of 100
// sections of 20 KiB each, beside the bare cost of the same read: sqlite3's
// own blob read, EVP decipherment and zlib inflation of the same rows.
// Both read the same codes in the same order from the same file.

#include "bench/BenchSupport.h"
#include "core/BookRecords.h"
#include "core/CipherKeyPair.h"
#include "database/BookTextCipher.h"
#include "database/DatabaseTransaction.h"
#include "database/TarnolixDB.h"

#include <benchmark/benchmark.h>

#include <openssl/evp.h>
#include <sqlite3.h>
#include <zlib.h>

#include <QCoreApplication>
#include <QDataStream>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

using bench::keyPair;
using bench::kParagraphs;

constexpr int kBooks = 200;
constexpr int kSections = 100;
constexpr int kSectionBytes = 20 * 1024;
constexpr auto kLanguage = TarnolixConstants::Russian;

QString sectionCode(int book, int section)
{
    return QStringLiteral("%1-%2").arg(book).arg(section);
}

// Paragraphs numbered through the book, so no two sections are the same bytes.
std::shared_ptr<BookPart> sectionPart(int book, int section)
{
    auto part = std::make_shared<BookPart>();
    part->sectionCode = sectionCode(book, section);
    part->title = QStringLiteral("Глава %1").arg(section);
    int bytes = 0;
    for (int i = 0; bytes < kSectionBytes; ++i) {
        QString text =
            QStringLiteral("%1.%2.%3 ").arg(book).arg(section).arg(i) + QString::fromUtf8(kParagraphs[i % 4]);
        bytes += text.size() * 2 + 24;
        part->entities.push_back(std::make_shared<BookEntity>(
            static_cast<quint8>(1 + i % 10), QMap<QString, QString>{{"id", QString::number(i)}}, QStringList{text}));
    }
    return part;
}

struct Library
{
    Library()
    {
        setBookTextCipher(&keyPair());
        path = dir.filePath(QStringLiteral("Tarnolix.db"));
        db = std::make_shared<TarnolixDB>();
        db->open(path, 1000);
        db->initialize();
        DatabaseTransaction load(db);
        for (int b = 1; b <= kBooks; ++b) {
            auto book = std::make_shared<Book>();
            book->info = std::make_shared<BookInfo>();
            book->info->bookId = b;
            book->info->language = kLanguage;
            book->info->shortName = QStringLiteral("Книга %1").arg(b);
            for (int s = 1; s <= kSections; ++s) {
                auto section = std::make_shared<BookSection>();
                section->code = sectionCode(b, s);
                section->index = s;
                section->slug = QStringLiteral("s%1").arg(s);
                book->sections.push_back(section);
                book->parts.push_back(sectionPart(b, s));
            }
            db->insertBook(book);
        }
        load.commit();
        // A fixed walk over the whole library, so neither side reads one hot row.
        for (int i = 0; i < 4096; ++i)
            codes.push_back(sectionCode(1 + (i * 37) % kBooks, 1 + (i * 53) % kSections));
    }

    QTemporaryDir dir;
    QString path;
    std::shared_ptr<TarnolixDB> db;
    std::vector<QString> codes;
};

Library& library()
{
    static Library lib;
    return lib;
}

struct Bare
{
    explicit Bare(const QString& path)
    {
        sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_prepare_v2(db, "SELECT title, data FROM BookParts2 WHERE sectionCode=?", -1, &stmt, nullptr);
        ctx = EVP_CIPHER_CTX_new();
    }
    ~Bare()
    {
        EVP_CIPHER_CTX_free(ctx);
        sqlite3_finalize(stmt);
        sqlite3_close(db);
    }

    // The payload of one section, or an empty vector.
    std::vector<unsigned char> read(const QByteArray& code)
    {
        sqlite3_reset(stmt);
        sqlite3_bind_text(stmt, 1, code.constData(), code.size(), SQLITE_STATIC);
        if (sqlite3_step(stmt) != SQLITE_ROW)
            return {};
        const auto* blob = static_cast<const unsigned char*>(sqlite3_column_blob(stmt, 1));
        const int size = sqlite3_column_bytes(stmt, 1) - 2; // the mode trailer
        plain.resize(static_cast<std::size_t>(size) + 16);
        int n = 0;
        int tail = 0;
        const QByteArray key = keyPair().key();
        const QByteArray iv = keyPair().iv();
        EVP_DecryptInit_ex(ctx, EVP_aes_128_cbc(), nullptr, reinterpret_cast<const unsigned char*>(key.constData()),
                           reinterpret_cast<const unsigned char*>(iv.constData()));
        EVP_DecryptUpdate(ctx, plain.data(), &n, blob, size);
        EVP_DecryptFinal_ex(ctx, plain.data() + n, &tail);
        // qCompress's form: the inflated size (4 bytes, big-endian), then zlib.
        const uLongf expected =
            (uLongf(plain[0]) << 24) | (uLongf(plain[1]) << 16) | (uLongf(plain[2]) << 8) | plain[3];
        std::vector<unsigned char> out(expected);
        uLongf len = expected;
        uncompress(out.data(), &len, plain.data() + 4, static_cast<uLong>(n + tail - 4));
        out.resize(len);
        return out;
    }

    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    EVP_CIPHER_CTX* ctx = nullptr;
    std::vector<unsigned char> plain;
};

void OpenSection(benchmark::State& state)
{
    Library& lib = library();
    std::size_t i = 0;
    for (auto _ : state) {
        auto part = lib.db->selectBookPart(lib.codes[i++ % lib.codes.size()], kLanguage);
        if (part->entities.empty())
            state.SkipWithError("section did not decode");
        benchmark::DoNotOptimize(part);
    }
}

// Our read and unpack without the decoding into paragraphs: what the bare
// side does.
void ReadAndUnpackSection(benchmark::State& state)
{
    Library& lib = library();
    QSqlQuery q = lib.db->query(QStringLiteral("SELECT title, data FROM BookParts2 WHERE sectionCode=?"));
    std::size_t i = 0;
    for (auto _ : state) {
        q.bindValue(0, lib.codes[i++ % lib.codes.size()]);
        lib.db->exec(q);
        q.next();
        benchmark::DoNotOptimize(TarnolixDB::unpackBookPart(q.value(1).toByteArray()));
    }
}

// The remainder of opening a section: the payload into paragraphs.
void DecodeSection(benchmark::State& state)
{
    Library& lib = library();
    const QByteArray payload =
        TarnolixDB::bookEntitiesToBytes(lib.db->selectBookPart(lib.codes[0], kLanguage)->entities);
    state.counters["paragraphs"] = static_cast<double>(TarnolixDB::bookEntitiesFromBytes(payload).size());
    for (auto _ : state)
        benchmark::DoNotOptimize(TarnolixDB::bookEntitiesFromBytes(payload));
}

void BareSqliteEvpZlib(benchmark::State& state)
{
    Library& lib = library();
    Bare bare(lib.path);
    std::vector<QByteArray> codes;
    for (const QString& code : lib.codes)
        codes.push_back(code.toUtf8());
    // Same bytes as our side, or the comparison means nothing.
    const std::vector<unsigned char> first = bare.read(codes[0]);
    const QByteArray ours = TarnolixDB::bookEntitiesToBytes(lib.db->selectBookPart(lib.codes[0], kLanguage)->entities);
    if (QByteArray(reinterpret_cast<const char*>(first.data()), int(first.size())) != ours)
        state.SkipWithError("bare read differs");
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(bare.read(codes[i++ % codes.size()]));
}

} // namespace

BENCHMARK(OpenSection)->Unit(benchmark::kMicrosecond);
BENCHMARK(ReadAndUnpackSection)->Unit(benchmark::kMicrosecond);
BENCHMARK(DecodeSection)->Unit(benchmark::kMicrosecond);
BENCHMARK(BareSqliteEvpZlib)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    std::fprintf(stderr, "Building a library of %d books x %d sections of 20 KiB...\n", kBooks, kSections);
    library();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    setBookTextCipher(nullptr);
    return 0;
}
