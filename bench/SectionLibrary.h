#pragma once
// The generated libraries of the section-reading benchmarks, and the least
// that any reader of their rows must do (sqlite3's own read of the blob, EVP
// decipherment, zlib inflation and one QString per text piece).
//
// Two libraries of 60 books of 100 sections each, in Russian:
// - realistic: books of verse sections (Devanagari, transliteration,
//   word-by-word, translation, a commentary of varying length, quotes) and
//   prose chapters, in words drawn by frequency from a real Russian word list,
//   attributes only on the paragraphs that carry them (quotes, anchors);
// - worst case: every section 110 short paragraphs of four repeated sample
//   lines, each paragraph with an attribute of its own, compressing 15:1.
// Book b's sections are coded "b-s", s from 1 in book order.

#include "core/BookRecords.h"
#include "core/TarnolixConstants.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <memory>
#include <vector>

class CipherKeyPair;
class TarnolixDB;
struct sqlite3;
struct sqlite3_stmt;
typedef struct evp_cipher_ctx_st EVP_CIPHER_CTX;

namespace bench {

constexpr auto kLanguage = TarnolixConstants::Russian;
// Reads between two drops of a hundredth of the file from the system's cache.
// A section is read again one pass (6000 reads) later, so about 1 - 0.99^5,
// 5 % of the reads, find their pages dropped since.
constexpr std::size_t kColdEvery = 1200;

enum class Fixture { Realistic, WorstCase };

struct Library
{
    Library(Fixture fixture, int books, int sections);

    void measure(const BookPart& part);
    void describe(const char* name) const;
    // Drops the `slice`th hundredth of the file from the system's cache: the
    // next reads there go to the disk.
    void evict(std::size_t slice) const;

    QTemporaryDir dir;
    QString path;
    std::shared_ptr<TarnolixDB> db;
    int books = 0;
    int sectionsPerBook = 0;
    // Every section's code, shuffled.
    std::vector<QString> codes;
    double payloadBytes = 0;
    double packedBytes = 0;
    double paragraphs = 0;
};

// Built on first use and kept for the run.
Library& library(Fixture fixture);

// Counts what a page would get from one section.
struct Pieces
{
    std::vector<QString> texts;
    std::size_t paragraphs = 0;
};

class BareReader
{
public:
    // Reads the library at `path`, whose text is enciphered with `keys`
    // (the benchmarks' own pair unless given).
    explicit BareReader(const QString& path);
    BareReader(const QString& path, const CipherKeyPair& keys);
    ~BareReader();
    BareReader(const BareReader&) = delete;
    BareReader& operator=(const BareReader&) = delete;

    // The title and every text piece of one section; false when it cannot be read.
    bool read(const QString& code, QString& title, Pieces& out);

private:
    static bool pieces(const unsigned char* p, const unsigned char* end, Pieces& out);

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    EVP_CIPHER_CTX* m_ctx = nullptr;
    QByteArray m_key;
    QByteArray m_iv;
    std::vector<unsigned char> m_plain;
    std::vector<unsigned char> m_payload;
};

} // namespace bench
