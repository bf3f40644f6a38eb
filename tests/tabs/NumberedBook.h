#pragma once
// A book with printed numbering, written for these tests: "Сказание о реке"
// (book 120, archive book 12) in Russian, English and Sanskrit, 60 sections
// in book order:
//   0      introduction (no numbers)
//   songs 1 to 3, each a heading (s, 0, 0) and chapters 1 to 5, each a
//   heading (s, c, 0) and verses (s, c, 1), (s, c, 2);
//   verse 1.1.3 is split over three sections; song 1 ends with notes
//   (1, 0, 0) after its fifth chapter; verses of 3.5 follow up to 60.
// The English edition holds songs 1 and 2 only; book 121 (archive book 12,
// English only) holds the verses of song 1 under the same slugs.
// Book 122 (Russian only) has three sections and no numbers.

#include "core/BookRecords.h"
#include "database/TarnolixDB.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace tarnolix::test::numbered {

constexpr int kBookId = 120;
constexpr int kOtherEditionId = 121;
constexpr int kPlainBookId = 122;
constexpr int kArchiBookId = 12;
constexpr int kSectionCount = 60;

struct Numbered
{
    QString code;
    QString parent;
    QString slug;
    int section = 0;
    int chapter = 0;
    int poem = 0;
};

inline std::vector<Numbered> numberedSections()
{
    std::vector<Numbered> rows;
    rows.push_back({QStringLiteral("intro"), QString(), QStringLiteral("intro"), 0, 0, 0});
    for (int s = 1; s <= 3; ++s) {
        const QString song = QStringLiteral("s%1").arg(s);
        rows.push_back({song, QString(), QStringLiteral("song-%1").arg(s), s, 0, 0});
        for (int c = 1; c <= 5; ++c) {
            const QString chapter = QStringLiteral("s%1c%2").arg(s).arg(c);
            rows.push_back({chapter, song, QStringLiteral("song-%1.chapter-%2").arg(s).arg(c), s, c, 0});
            for (int v = 1; v <= 2; ++v) {
                rows.push_back({QStringLiteral("%1v%2").arg(chapter).arg(v), chapter,
                                QStringLiteral("song-%1.chapter-%2.verse-%3").arg(s).arg(c).arg(v), s, c, v});
            }
            if (s == 1 && c == 1) {
                for (const char* piece : {"a", "b", "c"}) {
                    rows.push_back({QStringLiteral("s1c1v3") + QLatin1String(piece), chapter,
                                    QStringLiteral("song-1.chapter-1.verse-3") + QLatin1String(piece), 1, 1, 3});
                }
            }
        }
        if (s == 1)
            rows.push_back({QStringLiteral("s1notes"), song, QStringLiteral("song-1.notes"), 1, 0, 0});
    }
    for (int v = 3; rows.size() < static_cast<std::size_t>(kSectionCount); ++v)
        rows.push_back({QStringLiteral("s3c5v%1").arg(v), QStringLiteral("s3c5"),
                        QStringLiteral("song-3.chapter-5.verse-%1").arg(v), 3, 5, v});
    return rows;
}

// The position of `code` in book order.
inline int indexOf(const QString& code)
{
    const auto rows = numberedSections();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].code == code)
            return static_cast<int>(i);
    }
    return -1;
}

inline QString sectionName(TarnolixConstants::Language language, const Numbered& row)
{
    const bool ru = language == TarnolixConstants::Russian;
    if (row.code.startsWith(QLatin1Char('p')))
        return QStringLiteral("Часть %1").arg(row.code.mid(1));
    if (row.section == 0)
        return ru ? QStringLiteral("Вступление") : QStringLiteral("Introduction");
    if (row.code.endsWith(QLatin1String("notes")))
        return ru ? QStringLiteral("Примечания") : QStringLiteral("Notes");
    if (row.chapter == 0)
        return (ru ? QStringLiteral("Песнь %1") : QStringLiteral("Song %1")).arg(row.section);
    if (row.poem == 0)
        return (ru ? QStringLiteral("Глава %1.%2") : QStringLiteral("Chapter %1.%2")).arg(row.section).arg(row.chapter);
    return (ru ? QStringLiteral("Стих %1.%2.%3") : QStringLiteral("Verse %1.%2.%3"))
        .arg(row.section)
        .arg(row.chapter)
        .arg(row.poem);
}

// Three paragraphs of our own text per section.
inline std::shared_ptr<BookPart> sectionText(TarnolixConstants::Language language, const Numbered& row,
                                             const QString& code, const QString& revision)
{
    static const QStringList ru = {
        QStringLiteral("Река текла с севера на юг, и вдоль неё шли путники, считая камни на берегу."),
        QStringLiteral("Старый перевозчик рассказывал каждому, откуда приходит вода и куда она уходит."),
        QStringLiteral("Вечером над водой поднимался туман, и песня лодочников звучала до самого утра.")};
    static const QStringList en = {
        QStringLiteral("The river ran from north to south, and travellers walked along it counting stones."),
        QStringLiteral("The old ferryman told everyone where the water comes from and where it goes."),
        QStringLiteral("At dusk a mist rose over the water and the boatmen sang until morning.")};
    static const QStringList st = {
        QStringLiteral("nadī uttarād dakṣiṇaṁ gacchati pathikāḥ tīre śilāḥ gaṇayanti"),
        QStringLiteral("vṛddhaḥ tārakaḥ sarvebhyaḥ jalasya āgamanaṁ gamanaṁ ca vadati"),
        QStringLiteral("sāyaṁ jale nīhāraḥ udeti nāvikāḥ prabhātaṁ yāvat gāyanti")};
    const QStringList& texts = language == TarnolixConstants::Russian ? ru
                               : language == TarnolixConstants::English ? en
                                                                         : st;
    auto part = std::make_shared<BookPart>();
    part->sectionCode = code;
    part->title = sectionName(language, row);
    for (int i = 0; i < texts.size(); ++i) {
        part->entities.push_back(std::make_shared<BookEntity>(
            quint8(8), QMap<QString, QString>{},
            QStringList{QStringLiteral("%1 (%2) ").arg(part->title).arg(i + 1) + revision + texts[i]}));
    }
    return part;
}

inline std::shared_ptr<BookSection> toSection(TarnolixConstants::Language language, const Numbered& row,
                                              const QString& prefix, int index)
{
    auto s = std::make_shared<BookSection>();
    s->code = prefix + row.code;
    s->parentCode = row.parent.isEmpty() ? QString() : prefix + row.parent;
    s->slug = row.slug;
    s->name = s->title = sectionName(language, row);
    s->index = index;
    s->left = 2 * index;
    s->right = 2 * index + 1;
    s->numberCodeSection = row.section;
    s->numberCodeChapter = row.chapter;
    s->numberCodePoem = row.poem;
    return s;
}

// One edition of a book. Section codes are unique per language table, so
// each edition's codes carry `prefix` ("" for the Russian one). Without
// `withText` the sections have no stored text.
inline void insertEdition(TarnolixDB& db, int bookId, TarnolixConstants::Language language, const QString& name,
                          const QString& shortName, const QString& isbn, const std::vector<Numbered>& rows,
                          const QString& prefix, bool withText, const QString& revision = QString())
{
    auto book = std::make_shared<Book>();
    book->info = std::make_shared<BookInfo>();
    book->info->bookId = bookId;
    book->info->language = language;
    book->info->name = name;
    book->info->shortName = shortName;
    book->info->ISBN = isbn;
    int index = 0;
    for (const Numbered& row : rows) {
        book->sections.push_back(toSection(language, row, prefix, ++index));
        if (withText)
            book->parts.push_back(sectionText(language, row, prefix + row.code, revision));
    }
    db.insertBook(book);
}

// The books above, with authors 201 (spiritual name), 202 (given names
// only) and 203 (no name at all), commentator 202, in `categoryId` (none
// when 0). `revision` starts every paragraph of the Russian edition.
inline void insertNumberedBooks(TarnolixDB& db, bool withText, int categoryId = 0, const QString& revision = QString())
{
    using L = TarnolixConstants::Language;
    for (int id : {kBookId, kOtherEditionId, kPlainBookId})
        db.deleteBook(id);
    db.execSql(QStringLiteral("DELETE FROM Persons WHERE id IN (201, 202, 203)"));
    db.execSql(QStringLiteral("DELETE FROM ArchiBooks WHERE id=?"), QVariantList{kArchiBookId});
    db.execSql(QStringLiteral("INSERT INTO Persons(id, spiritalName_ru, spiritalName_en) VALUES(201, 'Нарада Муни', "
                              "'Narada Muni')"));
    db.execSql(QStringLiteral("INSERT INTO Persons(id, name_ru, lastName_ru, middleName_ru, name_en, lastName_en) "
                              "VALUES(202, 'Пётр', 'Иванов', 'Сергеевич', 'Peter', 'Ivanov')"));
    db.execSql(QStringLiteral("INSERT INTO Persons(id) VALUES(203)"));
    db.execSql(QStringLiteral("INSERT INTO ArchiBooks(id, name_ru, name_en) VALUES(?, 'Сказание', 'The Tale')"),
               QVariantList{kArchiBookId});

    BookBase base;
    base.id = kBookId;
    base.archiBookId = kArchiBookId;
    base.slug = QStringLiteral("skazanie-o-reke");
    base.name = QStringLiteral("Skazanie o reke");
    base.languages = {L::Russian, L::English, L::Sanskrit};
    base.authors = {201, 202, 203};
    base.commentators = {202};
    if (categoryId != 0)
        base.categories = {categoryId};
    db.insertBookBase(base);

    const std::vector<Numbered> all = numberedSections();
    std::vector<Numbered> firstTwoSongs;
    std::vector<Numbered> firstSongVerses;
    for (const Numbered& row : all) {
        if (row.section <= 2)
            firstTwoSongs.push_back(row);
        if (row.section == 1 && row.poem != 0)
            firstSongVerses.push_back(row);
    }
    insertEdition(db, kBookId, L::Russian, QStringLiteral("Сказание о реке"), QStringLiteral("Река"),
                  QStringLiteral("978-5-00000-120-4"), all, QString(), withText, revision);
    insertEdition(db, kBookId, L::English, QStringLiteral("The Tale of the River"), QStringLiteral("River"),
                  QString(), firstTwoSongs, QStringLiteral("en-"), withText);
    insertEdition(db, kBookId, L::Sanskrit, QStringLiteral("Nadī-kathā"), QStringLiteral("Nadī"), QString(), all,
                  QStringLiteral("st-"), withText);

    BookBase other;
    other.id = kOtherEditionId;
    other.archiBookId = kArchiBookId;
    other.slug = QStringLiteral("tale-of-the-river");
    other.name = QStringLiteral("The Tale, second edition");
    other.languages = {L::English};
    db.insertBookBase(other);
    insertEdition(db, kOtherEditionId, L::English, QStringLiteral("The Tale of the River (2nd ed.)"),
                  QStringLiteral("River II"), QString(), firstSongVerses, QStringLiteral("ii-"), withText);

    BookBase plain;
    plain.id = kPlainBookId;
    plain.slug = QStringLiteral("bez-nomerov");
    plain.name = QStringLiteral("Bez nomerov");
    plain.languages = {L::Russian};
    db.insertBookBase(plain);
    std::vector<Numbered> plainRows = {{QStringLiteral("p1"), QString(), QStringLiteral("p-1"), 0, 0, 0},
                                       {QStringLiteral("p2"), QString(), QStringLiteral("p-2"), 0, 0, 0},
                                       {QStringLiteral("p3"), QString(), QStringLiteral("p-3"), 0, 0, 0}};
    insertEdition(db, kPlainBookId, L::Russian, QStringLiteral("Книга без номеров"), QStringLiteral("Без номеров"),
                  QString(), plainRows, QString(), withText);
}

} // namespace tarnolix::test::numbered
