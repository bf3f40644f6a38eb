#include "bench/SectionLibrary.h"

#include "bench/BenchSupport.h"
#include "database/BookTextCipher.h"
#include "database/DatabaseTransaction.h"
#include "database/TarnolixDB.h"

#include <openssl/evp.h>
#include <sqlite3.h>
#include <zlib.h>

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QStringList>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <random>

#include <fcntl.h>
#include <unistd.h>

namespace bench {

namespace {

// ---- Text: words drawn by frequency (Zipf) from Debian's Russian word list.

enum class Kind : quint8 {
    Sanskrit = 2,
    Diacritic = 3,
    WordByWord = 4,
    Literary = 5,
    Comment = 6,
    Text = 8,
    QuoteSanskrit = 9,
    QuoteTranslation = 10,
};

class Words
{
public:
    explicit Words(std::mt19937& rng)
    {
        QFile file(QStringLiteral("/usr/share/hunspell/ru_RU.dic"));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("/usr/share/hunspell/ru_RU.dic is missing (install hunspell-ru)");
        const QRegularExpression word(QStringLiteral("^[а-яё]{2,}$"));
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).section(QLatin1Char('/'), 0, 0).trimmed();
            if (word.match(line).hasMatch())
                m_words.push_back(line);
        }
        std::sort(m_words.begin(), m_words.end());
        m_words.erase(std::unique(m_words.begin(), m_words.end()), m_words.end());
        std::shuffle(m_words.begin(), m_words.end(), rng);
        double sum = 0;
        for (std::size_t rank = 1; rank <= m_words.size(); ++rank)
            m_cumulative.push_back(sum += 1.0 / static_cast<double>(rank));
    }

    const QString& pick(std::mt19937& rng) const
    {
        const double at = std::uniform_real_distribution<double>(0, m_cumulative.back())(rng);
        const auto it = std::lower_bound(m_cumulative.begin(), m_cumulative.end(), at);
        return m_words[static_cast<std::size_t>(it - m_cumulative.begin())];
    }

    // Sentences of 5 to 25 words until `count` words are written.
    QString prose(std::mt19937& rng, int count) const
    {
        QString text;
        int inSentence = 0;
        int sentence = 0;
        for (int i = 0; i < count; ++i) {
            if (inSentence == 0) {
                sentence = std::uniform_int_distribution<int>(5, 25)(rng);
                QString first = pick(rng);
                first[0] = first[0].toUpper();
                text += (text.isEmpty() ? QString() : QStringLiteral(" ")) + first;
            } else {
                text += (rng() % 9 == 0 ? QStringLiteral(", ") : QStringLiteral(" ")) + pick(rng);
            }
            if (++inSentence == sentence || i + 1 == count) {
                text += QLatin1Char('.');
                inSentence = 0;
            }
        }
        return text;
    }

private:
    std::vector<QString> m_words;
    std::vector<double> m_cumulative;
};

const char* const kConsonants[] = {"k", "kh", "g", "gh", "c", "j", "ṭ", "ḍ", "ṇ", "t", "th", "d", "dh",
                                   "n", "p", "bh", "m", "y", "r", "l", "v", "ś", "ṣ", "s", "h"};
const char* const kVowels[] = {"a", "a", "a", "ā", "i", "ī", "u", "ū", "e", "o", "ai", "ṛ"};

QString transliterated(std::mt19937& rng)
{
    QString word;
    const int syllables = std::uniform_int_distribution<int>(2, 4)(rng);
    for (int i = 0; i < syllables; ++i)
        word += QString::fromUtf8(kConsonants[rng() % std::size(kConsonants)]) +
                QString::fromUtf8(kVowels[rng() % std::size(kVowels)]);
    return word;
}

// The same word in Devanagari: consonants U+0915..U+0939 with a vowel sign.
QString devanagari(std::mt19937& rng)
{
    QString word;
    const int syllables = std::uniform_int_distribution<int>(2, 4)(rng);
    for (int i = 0; i < syllables; ++i) {
        word += QChar(0x0915 + static_cast<int>(rng() % 37));
        if (rng() % 3 != 0)
            word += QChar(0x093E + static_cast<int>(rng() % 8));
    }
    return word;
}

QString line(std::mt19937& rng, QString (*word)(std::mt19937&), int words)
{
    QStringList list;
    for (int i = 0; i < words; ++i)
        list << word(rng);
    return list.join(QLatin1Char(' '));
}

int between(std::mt19937& rng, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(rng);
}

std::shared_ptr<BookEntity> paragraph(Kind kind, QStringList texts, QMap<QString, QString> attributes = {})
{
    return std::make_shared<BookEntity>(static_cast<quint8>(kind), attributes, std::move(texts));
}

// Prose cut into 1 to 3 pieces, as emphasis splits a paragraph's text.
QStringList pieces(std::mt19937& rng, const Words& words, int count)
{
    const QString text = words.prose(rng, count);
    const int cuts = rng() % 4 == 0 ? between(rng, 1, 2) : 0;
    QStringList list;
    int from = 0;
    for (int c = 1; c <= cuts; ++c) {
        const int at = text.indexOf(QLatin1Char(' '), text.size() * c / (cuts + 1));
        if (at <= from)
            continue;
        list << text.mid(from, at - from);
        from = at;
    }
    list << text.mid(from);
    return list;
}

// A verse: its lines in Devanagari and transliterated, the word-by-word
// translation, the translation and a commentary of 0 to 14 paragraphs.
void verseSection(std::mt19937& rng, const Words& words, BookPart& part)
{
    auto& out = part.entities;
    const int lines = between(rng, 2, 4);
    QStringList original, latin;
    for (int i = 0; i < lines; ++i) {
        original << line(rng, devanagari, between(rng, 3, 5));
        latin << line(rng, transliterated, between(rng, 3, 5));
    }
    out.push_back(paragraph(Kind::Sanskrit, original));
    out.push_back(paragraph(Kind::Diacritic, latin));

    QStringList wbw;
    const int terms = between(rng, 8, 22);
    for (int i = 0; i < terms; ++i) {
        wbw << transliterated(rng);
        QString gloss = QStringLiteral(" — ") + words.pick(rng);
        for (int w = between(rng, 0, 3); w > 0; --w)
            gloss += QLatin1Char(' ') + words.pick(rng);
        wbw << gloss + (i + 1 < terms ? QStringLiteral("; ") : QString());
    }
    out.push_back(paragraph(Kind::WordByWord, wbw));
    out.push_back(paragraph(Kind::Literary, pieces(rng, words, between(rng, 15, 70))));

    const int comments = rng() % 10 < 3 ? 0 : between(rng, 1, 14);
    for (int i = 0; i < comments; ++i) {
        if (rng() % 12 == 0) {
            const QString source = QStringLiteral("%1.%2.%3").arg(between(rng, 1, 12)).arg(between(rng, 1, 40)).arg(between(rng, 1, 60));
            out.push_back(paragraph(Kind::QuoteSanskrit, {line(rng, transliterated, between(rng, 8, 16))},
                                    {{QStringLiteral("source"), source}}));
            out.push_back(paragraph(Kind::QuoteTranslation, {words.prose(rng, between(rng, 10, 30))},
                                    {{QStringLiteral("source"), source}}));
            continue;
        }
        QMap<QString, QString> anchor;
        if (rng() % 20 == 0)
            anchor.insert(QStringLiteral("id"), QStringLiteral("p%1").arg(i));
        out.push_back(paragraph(Kind::Comment, pieces(rng, words, between(rng, 25, 180)), anchor));
    }
}

// A chapter's introduction or a later author's prose.
void proseSection(std::mt19937& rng, const Words& words, BookPart& part)
{
    for (int i = between(rng, 3, 16); i > 0; --i)
        part.entities.push_back(paragraph(Kind::Text, pieces(rng, words, between(rng, 20, 160))));
}

// Paragraphs numbered through the book, each with an attribute of its own.
void worstCaseSection(int book, int section, BookPart& part)
{
    int bytes = 0;
    for (int i = 0; bytes < 20 * 1024; ++i) {
        QString text =
            QStringLiteral("%1.%2.%3 ").arg(book).arg(section).arg(i) + QString::fromUtf8(kParagraphs[i % 4]);
        bytes += text.size() * 2 + 24;
        part.entities.push_back(std::make_shared<BookEntity>(
            static_cast<quint8>(1 + i % 10), QMap<QString, QString>{{"id", QString::number(i)}}, QStringList{text}));
    }
}

} // namespace

// ---- The libraries.

Library::Library(Fixture fixture, int books, int sections)
    : books(books)
    , sectionsPerBook(sections)
{
    setBookTextCipher(&keyPair());
    path = dir.filePath(QStringLiteral("Tarnolix.db"));
    db = std::make_shared<TarnolixDB>();
    db->open(path, 60000);
    db->setJournalMode(QStringLiteral("wal")); // as every pooled connection
    db->initialize();

    std::mt19937 rng(18);
    std::unique_ptr<Words> words;
    if (fixture == Fixture::Realistic)
        words = std::make_unique<Words>(rng);
    DatabaseTransaction load(db);
    for (int b = 1; b <= books; ++b) {
        // The book's own row, which an open-book page checks on every read.
        BookBase base;
        base.id = b;
        base.slug = QStringLiteral("book-%1").arg(b);
        base.name = base.slug;
        base.languages = {kLanguage};
        db->insertBookBase(base);
        auto book = std::make_shared<Book>();
        book->info = std::make_shared<BookInfo>();
        book->info->bookId = b;
        book->info->language = kLanguage;
        book->info->shortName = QStringLiteral("Книга %1").arg(b);
        for (int s = 1; s <= sections; ++s) {
            auto section = std::make_shared<BookSection>();
            section->code = QStringLiteral("%1-%2").arg(b).arg(s);
            section->index = s;
            section->slug = QStringLiteral("s%1").arg(s);
            book->sections.push_back(section);
            auto part = std::make_shared<BookPart>();
            part->sectionCode = section->code;
            part->title = QStringLiteral("Текст %1").arg(s);
            if (fixture == Fixture::WorstCase)
                worstCaseSection(b, s, *part);
            else if (s % 10 == 1)
                proseSection(rng, *words, *part);
            else
                verseSection(rng, *words, *part);
            measure(*part);
            book->parts.push_back(part);
            codes.push_back(section->code);
        }
        db->insertBook(book);
    }
    load.commit();
    db->walCheckpoint(QStringLiteral("TRUNCATE"));
    std::shuffle(codes.begin(), codes.end(), rng);
}

void Library::measure(const BookPart& part)
{
    const QByteArray payload = TarnolixDB::bookEntitiesToBytes(part.entities);
    payloadBytes += static_cast<double>(payload.size());
    packedBytes += static_cast<double>(qCompress(payload, 3).size());
    paragraphs += static_cast<double>(part.entities.size());
}

void Library::describe(const char* name) const
{
    const double n = static_cast<double>(codes.size());
    std::fprintf(stderr, "%s: %zu sections, %.0f paragraphs and %.1f KiB each, compressing %.1f:1, file %.1f MiB\n",
                 name, codes.size(), paragraphs / n, payloadBytes / n / 1024, payloadBytes / packedBytes,
                 static_cast<double>(QFile(path).size()) / (1024 * 1024));
}

void Library::evict(std::size_t slice) const
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return;
    const off_t size = ::lseek(fd, 0, SEEK_END);
    const off_t length = size / 100 + 4096;
    ::posix_fadvise(fd, static_cast<off_t>(slice % 100) * (size / 100), length, POSIX_FADV_DONTNEED);
    ::close(fd);
}

Library& library(Fixture fixture)
{
    if (fixture == Fixture::Realistic) {
        static Library realistic(Fixture::Realistic, 60, 100);
        return realistic;
    }
    static Library worst(Fixture::WorstCase, 60, 100);
    return worst;
}

// ---- The bare side.

BareReader::BareReader(const QString& path)
    : BareReader(path, keyPair())
{
}

BareReader::BareReader(const QString& path, const CipherKeyPair& keys)
{
    sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_prepare_v2(m_db, "SELECT title, data FROM BookParts2 WHERE sectionCode=?", -1, &m_stmt, nullptr);
    m_ctx = EVP_CIPHER_CTX_new();
    m_key = keys.key();
    m_iv = keys.iv();
}

BareReader::~BareReader()
{
    EVP_CIPHER_CTX_free(m_ctx);
    sqlite3_finalize(m_stmt);
    sqlite3_close(m_db);
}

// The title and every text piece of one section; false when it cannot be read.
bool BareReader::read(const QString& code, QString& title, Pieces& out)
{
    out.texts.clear();
    out.paragraphs = 0;
    sqlite3_reset(m_stmt);
    sqlite3_bind_text16(m_stmt, 1, code.utf16(), code.size() * 2, SQLITE_STATIC);
    if (sqlite3_step(m_stmt) != SQLITE_ROW)
        return false;
    title = QString::fromUtf16(static_cast<const char16_t*>(sqlite3_column_text16(m_stmt, 0)),
                               sqlite3_column_bytes16(m_stmt, 0) / 2);
    const auto* blob = static_cast<const unsigned char*>(sqlite3_column_blob(m_stmt, 1));
    const int size = sqlite3_column_bytes(m_stmt, 1) - 2; // the mode trailer
    m_plain.resize(static_cast<std::size_t>(size) + 16);
    int n = 0;
    int tail = 0;
    EVP_DecryptInit_ex(m_ctx, EVP_aes_128_cbc(), nullptr, reinterpret_cast<const unsigned char*>(m_key.constData()),
                       reinterpret_cast<const unsigned char*>(m_iv.constData()));
    EVP_DecryptUpdate(m_ctx, m_plain.data(), &n, blob, size);
    if (EVP_DecryptFinal_ex(m_ctx, m_plain.data() + n, &tail) != 1)
        return false;
    // qCompress's form: the inflated size (4 bytes, big-endian), then zlib.
    uLongf length = qFromBigEndian<quint32>(m_plain.data());
    m_payload.resize(length);
    if (uncompress(m_payload.data(), &length, m_plain.data() + 4, static_cast<uLong>(n + tail - 4)) != Z_OK)
        return false;
    return pieces(m_payload.data(), m_payload.data() + length, out);
}

// The paragraph list as QDataStream wrote it: a count, then per paragraph
// a kind byte, counted attribute pairs and counted texts; strings are a
// byte length and UTF-16 big-endian. Attributes are stepped over.
bool BareReader::pieces(const unsigned char* p, const unsigned char* end, Pieces& out)
{
    const auto u32 = [&](quint32& v) {
        if (end - p < 4)
            return false;
        v = qFromBigEndian<quint32>(p);
        p += 4;
        return true;
    };
    const auto skipString = [&] {
        quint32 bytes = 0;
        if (!u32(bytes))
            return false;
        if (bytes == 0xFFFFFFFF)
            return true;
        if (end - p < static_cast<std::ptrdiff_t>(bytes))
            return false;
        p += bytes;
        return true;
    };
    quint32 count = 0;
    if (!u32(count))
        return false;
    for (quint32 i = 0; i < count; ++i) {
        if (end - p < 1)
            return false;
        ++p; // kind
        quint32 attributes = 0;
        if (!u32(attributes))
            return false;
        for (quint32 a = 0; a < 2 * attributes; ++a) {
            if (!skipString())
                return false;
        }
        quint32 texts = 0;
        if (!u32(texts))
            return false;
        for (quint32 t = 0; t < texts; ++t) {
            quint32 bytes = 0;
            if (!u32(bytes))
                return false;
            if (bytes == 0xFFFFFFFF) {
                out.texts.emplace_back();
                continue;
            }
            if (end - p < static_cast<std::ptrdiff_t>(bytes))
                return false;
            QString text(static_cast<int>(bytes / 2), Qt::Uninitialized);
            qFromBigEndian<quint16>(p, bytes / 2, text.data());
            out.texts.push_back(std::move(text));
            p += bytes;
        }
        ++out.paragraphs;
    }
    return true;
}

} // namespace bench
