#include "LibraryFixture.h"

#include "core/BookRecords.h"
#include "core/CipherKeyPair.h"
#include "core/Exception.h"
#include "database/BookTextCipher.h"
#include "database/DatabaseTransaction.h"

#include <functional>

using L = TarnolixConstants::Language;

namespace {

std::shared_ptr<BookSection> section(const QString& code, const QString& parent, int left, int right, int index,
                                     const QString& slug, const QString& name)
{
    auto s = std::make_shared<BookSection>();
    s->code = code;
    s->parentCode = parent;
    s->left = left;
    s->right = right;
    s->depth = parent.isEmpty() ? 1 : 2;
    s->index = index;
    s->slug = slug;
    s->name = name;
    s->numberCodeChapter = index;
    s->numberCodePoem = left;
    s->title = name + QStringLiteral(" (title)");
    return s;
}

std::shared_ptr<BookPart> part(const QString& code, const QString& text)
{
    auto p = std::make_shared<BookPart>();
    p->sectionCode = code;
    p->title = QStringLiteral("Title of ") + code;
    p->entities.push_back(std::make_shared<BookEntity>(3, QMap<QString, QString>{{"id", "v1"}},
                                                       QStringList{text, QStringLiteral("дхарма-кшетре")}));
    p->entities.push_back(std::make_shared<BookEntity>(1, QMap<QString, QString>{}, QStringList{text + "!"}));
    return p;
}

// One edition: a chapter with two verses (equal index, told apart by left)
// and a second chapter; codes carry the language so both editions coexist.
std::shared_ptr<Book> edition(int bookId, L language, const QString& shortName)
{
    const QString p = QString::number(bookId) + QLatin1Char('-') + languageToString(language) + QLatin1Char('-');
    auto book = std::make_shared<Book>();
    book->info = std::make_shared<BookInfo>();
    BookInfo& info = *book->info;
    info.bookId = bookId;
    info.language = language;
    info.name = shortName + QStringLiteral(" (full)");
    info.shortName = shortName;
    info.searchMacrosSection = QStringLiteral("macros");
    info.cover = QStringLiteral("covers/%1.jpg").arg(bookId);
    info.annotation = QStringLiteral("Annotation");
    info.parentTranslatorId = 4;
    info.translatorId = 0;
    info.editorId = 6;
    info.publisherId = 0;
    info.publishingYear = 1999;
    info.pagesCount = 320;
    info.bookCopies = 5000;
    info.downloadFiles = {{QStringLiteral("a.pdf"), QStringLiteral("PDF"), QStringLiteral("pdf"), 1024, 1},
                          {QStringLiteral("a.epub"), QStringLiteral("EPUB"), QStringLiteral("epub"), 512, 2}};
    book->sections = {section(p + "1", QString(), 1, 6, 1, "chapter-1", "Глава 1"),
                      section(p + "1.2", p + "1", 4, 5, 1, "verse-2", "Стих 2"),
                      section(p + "1.1", p + "1", 2, 3, 1, "verse-1", "Стих 1"),
                      section(p + "2", QString(), 7, 8, 2, "chapter-2", "Глава 2")};
    for (const auto& s : book->sections)
        book->parts.push_back(part(s->code, s->name));
    return book;
}

BookBase base(int id, const QString& slug)
{
    BookBase b;
    b.id = id;
    b.slug = slug;
    b.name = QStringLiteral("Book ") + slug;
    b.cover = QStringLiteral("cover-") + slug;
    b.authors = {11, 12};
    b.categories = {21};
    b.languages = {L::Russian, L::English};
    b.otherPublications = {31};
    return b;
}

void expectSameSection(const BookSection& a, const BookSection& b)
{
    EXPECT_EQ(a.code, b.code);
    EXPECT_EQ(a.parentCode, b.parentCode);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
    EXPECT_EQ(a.depth, b.depth);
    EXPECT_EQ(a.index, b.index);
    EXPECT_EQ(a.slug, b.slug);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.numberCodeSection, b.numberCodeSection);
    EXPECT_EQ(a.numberCodeChapter, b.numberCodeChapter);
    EXPECT_EQ(a.numberCodePoem, b.numberCodePoem);
    EXPECT_EQ(a.numberOtherPoems, b.numberOtherPoems);
    EXPECT_EQ(a.title, b.title);
}

void expectSamePart(const BookPart& a, const BookPart& b)
{
    EXPECT_EQ(a.sectionCode, b.sectionCode);
    EXPECT_EQ(a.title, b.title);
    ASSERT_EQ(a.entities.size(), b.entities.size());
    for (std::size_t i = 0; i < a.entities.size(); ++i) {
        EXPECT_EQ(a.entities[i]->kind, b.entities[i]->kind);
        EXPECT_EQ(a.entities[i]->attributes, b.entities[i]->attributes);
        EXPECT_EQ(a.entities[i]->texts, b.entities[i]->texts);
    }
}

QString thrown(const std::function<void()>& f)
{
    try {
        f();
    } catch (const DBUniqueConstraint& e) {
        return QStringLiteral("unique: ") + e.message();
    } catch (const DBNotFound& e) {
        return QStringLiteral("not found: ") + e.message();
    } catch (const Exception& e) {
        return e.message();
    }
    return QStringLiteral("(nothing thrown)");
}

class BookStorage : public LibraryFixture
{
protected:
    void SetUp() override
    {
        LibraryFixture::SetUp();
        pair.setKeyFromString(QStringLiteral("reader@example.invalid"));
        pair.setIvFromString(QStringLiteral("/home/reader/.local/share/Tarnolix"));
        setBookTextCipher(&pair);
    }
    void TearDown() override { setBookTextCipher(nullptr); }

    void storeBook(int id, const QString& slug, const QString& ruName, const QString& enName)
    {
        db->insertBookBase(base(id, slug));
        db->insertBook(edition(id, L::Russian, ruName));
        db->insertBook(edition(id, L::English, enName));
    }

    // Rows of the book in every table it can have rows in.
    int rowsOfBook(int id)
    {
        const QVariantList v{id};
        int n = count("SELECT count(*) FROM BookBase WHERE id=?", v) +
                count("SELECT count(*) FROM BooksCovers WHERE bookId=?", v);
        for (const char* t : {"BookBaseAuthors", "BookBaseCommentators", "BookBaseCategories", "BookBaseRelatedBooks",
                              "BookBaseOtherPublications"})
            n += count(QStringLiteral("SELECT count(*) FROM %1 WHERE bookId=?").arg(t), v);
        for (int lang = 1; lang <= 3; ++lang) {
            n += count(QStringLiteral("SELECT count(*) FROM BookInfo%1 WHERE id=?").arg(lang), v);
            n += count(QStringLiteral("SELECT count(*) FROM BookSections%1 WHERE bookId=?").arg(lang), v);
            n += count(QStringLiteral("SELECT count(*) FROM BooksCovers%1 WHERE bookId=?").arg(lang), v);
            n += count(QStringLiteral("SELECT count(*) FROM BookParts%1 WHERE sectionCode LIKE ?").arg(lang),
                       QVariantList{QString::number(id) + "-%"});
        }
        return n;
    }

    CipherKeyPair pair;
};

} // namespace

TEST_F(BookStorage, TwoLanguageBookIsStoredReadBackAndDeletedFromEveryTable)
{
    storeBook(7, "gita", "Гита", "Gita");
    storeBook(8, "other", "Другая", "Other");
    db->execSql("INSERT INTO BooksCovers(bookId, format) VALUES(7, 1)");
    db->execSql("INSERT INTO BooksCovers2(bookId, format) VALUES(7, 1)");

    EXPECT_TRUE(db->isBookExists(7));
    EXPECT_FALSE(db->isBookExists(9));
    EXPECT_EQ(db->selectBookSlug(7), "gita");
    EXPECT_EQ(db->selectBookBaseCover(7), "cover-gita");
    EXPECT_EQ(db->selectBookIds(), (std::vector<int>{7, 8}));
    EXPECT_EQ(db->selectBookIdSet(), (std::unordered_set<int>{7, 8}));

    // Derived column values: no archi-book and no publisher are NULL, a
    // translator id of 0 stays 0, the languages end in a semicolon.
    QSqlQuery row = db->execSql("SELECT b.archiBookId IS NULL, b.languages, i.publisherId IS "
                                "NULL, i.translatorId, i.shortNameLC, i.ISBN IS NULL "
                                "FROM BookBase b JOIN BookInfo2 i ON i.id=b.id WHERE b.id=7");
    ASSERT_TRUE(row.next());
    EXPECT_EQ(row.value(0).toInt(), 1);
    EXPECT_EQ(row.value(1).toString(), "ru;en;");
    EXPECT_EQ(row.value(2).toInt(), 1);
    EXPECT_EQ(row.value(3).toInt(), 0);
    EXPECT_FALSE(row.value(3).isNull());
    EXPECT_EQ(row.value(4).toString(), "гита");
    EXPECT_EQ(row.value(5).toInt(), 1);
    EXPECT_EQ(count("SELECT count(*) FROM BookBaseAuthors WHERE bookId=7"), 2);
    EXPECT_EQ(count("SELECT count(*) FROM BookBaseCommentators"), 0);

    for (L language : {L::Russian, L::English}) {
        SCOPED_TRACE(language);
        const auto stored = edition(7, language, language == L::Russian ? "Гита" : "Gita");
        const auto info = db->selectBookInfo(7, language);
        EXPECT_EQ(info->bookId, 7);
        EXPECT_EQ(info->language, language);
        EXPECT_EQ(info->name, stored->info->name);
        EXPECT_EQ(info->shortName, stored->info->shortName);
        EXPECT_EQ(info->searchMacrosSection, "macros");
        EXPECT_EQ(info->cover, stored->info->cover);
        EXPECT_EQ(info->annotation, "Annotation");
        EXPECT_EQ(info->parentTranslatorId, 4);
        EXPECT_EQ(info->translatorId, 0);
        EXPECT_EQ(info->editorId, 6);
        EXPECT_EQ(info->publisherId, 0);
        EXPECT_EQ(info->publishingYear, 1999);
        EXPECT_EQ(info->pagesCount, 320);
        EXPECT_EQ(info->bookCopies, 5000);
        ASSERT_EQ(info->downloadFiles.size(), 2u);
        EXPECT_EQ(info->downloadFiles[1].file, "a.epub");
        EXPECT_EQ(info->downloadFiles[1].size, 512);
        EXPECT_EQ(info->downloadFiles[1].order, 2);
        EXPECT_EQ(db->selectBookInfoCover(7, language), stored->info->cover);

        // Contents order: index, then left.
        const auto sections = db->selectBookSections(7, language);
        ASSERT_EQ(sections.size(), 4u);
        expectSameSection(*sections[0], *stored->sections[0]);
        expectSameSection(*sections[1], *stored->sections[2]);
        expectSameSection(*sections[2], *stored->sections[1]);
        expectSameSection(*sections[3], *stored->sections[3]);

        const auto parts = db->selectBookParts(7, language);
        ASSERT_EQ(parts.size(), 4u);
        for (const auto& p : parts) {
            const auto byCode = db->selectBookPart(p->sectionCode, language);
            const auto it = std::find_if(stored->parts.begin(), stored->parts.end(),
                                         [&](const auto& s) { return s->sectionCode == p->sectionCode; });
            ASSERT_NE(it, stored->parts.end());
            expectSamePart(*p, **it);
            expectSamePart(*byCode, **it);
        }
    }
    EXPECT_EQ(db->selectBooksCount(L::Sanskrit), 0);
    EXPECT_EQ(db->selectBooksCount(L::Russian), 2);

    const int before8 = rowsOfBook(8);
    EXPECT_GT(rowsOfBook(7), 0);
    db->deleteBook(7);
    EXPECT_EQ(rowsOfBook(7), 0);
    EXPECT_FALSE(db->isBookExists(7));
    EXPECT_EQ(rowsOfBook(8), before8);
    // A book that is not stored deletes nothing and succeeds.
    EXPECT_NO_THROW(db->deleteBook(7));
    EXPECT_EQ(rowsOfBook(8), before8);
}

TEST_F(BookStorage, EditionsByLetterComeInNaturalOrderThenById)
{
    db->insertBook(edition(5, L::Russian, "Гита 10"));
    db->insertBook(edition(4, L::Russian, "гита 2"));
    db->insertBook(edition(3, L::Russian, "Гита 2"));
    db->insertBook(edition(6, L::Russian, "Бхагавата"));
    db->insertBook(edition(9, L::Russian, "%"));
    db->insertBook(edition(10, L::Russian, ""));

    std::vector<int> ids;
    for (const auto& info : db->selectBooksByLetter(L::Russian, QChar(0x0413))) { // Г
        EXPECT_EQ(info->language, L::Russian);
        ids.push_back(info->bookId);
    }
    EXPECT_EQ(ids, (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(db->selectBooksCountByLetter(L::Russian, QChar(0x0433)), 3); // г
    EXPECT_EQ(db->selectBookIdsByLetter(L::Russian, QChar(0x0411)), std::vector<int>{6});
    EXPECT_EQ(db->selectBooksCountByLetter(L::English, QChar(0x0413)), 0);

    // Wildcards are letters like any other (search keys drop them, so none
    // matches); unescaped they would match every edition.
    EXPECT_TRUE(db->selectBookIdsByLetter(L::Russian, QLatin1Char('%')).empty());
    EXPECT_EQ(db->selectBooksCountByLetter(L::Russian, QLatin1Char('_')), 0);

    ids.clear();
    for (const auto& info : db->selectBookInfoByShortName("ГИТА 2", L::Russian))
        ids.push_back(info->bookId);
    EXPECT_EQ(ids, (std::vector<int>{3, 4}));

    EXPECT_EQ(db->selectBookFirstLetter(4, L::Russian), QChar(0x0413));
    EXPECT_TRUE(db->selectBookFirstLetter(10, L::Russian).isNull());
    EXPECT_EQ(thrown([&] { db->selectBookFirstLetter(99, L::Russian); }), "Book not found");
    EXPECT_EQ(db->selectBooksFirstLetters(L::Russian), (std::set<QChar>{QChar(0x0411), QChar(0x0413)}));
}

TEST_F(BookStorage, QuotesInSlugsAndCodesAreValuesNotSql)
{
    BookBase b = base(12, "o'neil");
    db->insertBookBase(b);
    auto book = edition(12, L::English, "O'Neil");
    book->sections[0]->code = "12-en-1'";
    book->sections[0]->slug = "it's";
    book->parts[0]->sectionCode = "12-en-1'";
    for (auto& s : book->sections)
        if (s->parentCode == "12-en-1")
            s->parentCode = "12-en-1'";
    db->insertBook(book);

    EXPECT_EQ(db->selectBookIdBySlug("o'neil", L::English), 12);
    EXPECT_EQ(db->selectBookIdAndSectionCodeBySlugs("o'neil", "it's", L::English),
              (std::pair<int, QString>{12, "12-en-1'"}));
    EXPECT_EQ(db->selectSectionSlug(12, L::English, "12-en-1'"), "it's");
    EXPECT_EQ(db->selectSectionCodesBySlug(12, L::English, "it's"), std::vector<QString>{"12-en-1'"});
    EXPECT_EQ(db->selectChildSectionsCount(12, L::English, "12-en-1'"), 2);
    EXPECT_EQ(db->selectBookPart("12-en-1'", L::English)->title, "Title of 12-en-1");
    EXPECT_EQ(db->selectBookSection("12-en-1'", L::English).first->slug, "it's");
    // A quote that would close the literal and widen the condition finds nothing.
    EXPECT_EQ(thrown([&] { db->selectBookIdBySlug("x' OR '1'='1", L::English); }), "not found: Книга не найдена!");
    EXPECT_EQ(db->selectSectionCodesBySlug(12, L::English, "x' OR '1'='1").size(), 0u);
}

TEST_F(BookStorage, SectionQueries)
{
    storeBook(7, "gita", "Гита", "Gita");
    storeBook(8, "other", "Другая", "Other");
    const L ru = L::Russian;

    // Top level: parentCode IS NULL.
    EXPECT_EQ(db->selectChildSectionCodes(7, ru, QString()).size(), 2u);
    const auto top = db->selectChildSections(7, ru, QString());
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[0]->code, "7-ru-1");
    EXPECT_TRUE(top[0]->parentCode.isEmpty());
    EXPECT_EQ(db->selectChildSectionsCount(7, ru, QString()), 2);
    const auto verses = db->selectChildSections(7, ru, "7-ru-1");
    ASSERT_EQ(verses.size(), 2u);
    EXPECT_EQ(verses[0]->code, "7-ru-1.1"); // equal index: left decides
    EXPECT_EQ(verses[0]->parentCode, "7-ru-1");
    EXPECT_EQ(db->selectChildSectionsCount(8, ru, "7-ru-1"),
              0); // another book's parent

    EXPECT_EQ(db->selectChildSectionsCountInCodes(7, ru, "7-ru-1", {}), 0);
    EXPECT_EQ(db->selectChildSectionsCountInCodes(7, ru, "7-ru-1", {"7-ru-1.2", "7-ru-2", "nope"}), 1);
    EXPECT_EQ(thrown([&] { db->selectChildSectionsInCodes(7, ru, "7-ru-1", {}); }), "ids is empty(2)");
    const auto inCodes = db->selectChildSectionsInCodes(7, ru, QString(), {"7-ru-2", "7-ru-1.1"});
    ASSERT_EQ(inCodes.size(), 1u);
    EXPECT_EQ(inCodes[0]->code, "7-ru-2");

    auto [sectionRecord, bookId] = db->selectBookSection("8-ru-1.2", ru);
    EXPECT_EQ(bookId, 8);
    EXPECT_EQ(sectionRecord->parentCode, "8-ru-1");
    EXPECT_EQ(db->selectSectionBookId("8-ru-2", ru), 8);
    EXPECT_EQ(db->selectParentSection("7-ru-1.1", ru), "7-ru-1");
    EXPECT_EQ(db->selectParentSection("7-ru-1", ru), "");
    bool found = true;
    EXPECT_EQ(db->selectParentSection("missing", ru, &found), "");
    EXPECT_FALSE(found);
    db->selectParentSection("7-ru-1", ru, &found);
    EXPECT_TRUE(found);

    EXPECT_EQ(db->selectBookSectionCodes(7, ru).size(), 4u);
    const auto codesAndSlugs = db->selectSectionCodesAndSlugs(8, ru);
    ASSERT_EQ(codesAndSlugs.size(), 4u);
    EXPECT_EQ(codesAndSlugs[0].first.left(2), "8-");

    const auto all = db->selectAllSections(ru);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all.at(8).size(), 4u);
    EXPECT_EQ(all.at(7)[1]->code, "7-ru-1.1");
    EXPECT_TRUE(db->selectAllSections(L::Sanskrit).empty());
    EXPECT_TRUE(db->selectBookParts(99, ru).empty());

    // An empty slug: the one-slug query refuses it, the pair query returns it.
    db->execSql("UPDATE BookSections2 SET slug='' WHERE code='7-ru-2'");
    EXPECT_EQ(thrown([&] { db->selectSectionSlug(7, ru, "7-ru-2"); }), "ERROR 0xB4794175: section slug is empty");
    QString bookSlug, sectionSlug = "x";
    db->selectBookAndSectionSlugs(7, ru, "7-ru-2", bookSlug, sectionSlug);
    EXPECT_EQ(bookSlug, "gita");
    EXPECT_EQ(sectionSlug, "");

    const struct
    {
        std::function<void()> call;
        const char* message;
    } notFound[] = {
        {[&] { db->selectBookSection("7-ru-9", ru); },
         "not found: Book section not found (code=\"7-ru-9\" language=2)"},
        {[&] { db->selectParentSection("7-ru-9", ru); },
         "not found: selectParentSection: Section not found(code=\"7-ru-9\" "
         "language=2)"},
        {[&] { db->selectSectionBookId("7-ru-9", ru); }, "not found: selectSectionBookId: Section not found"},
        {[&] { db->selectSectionSlug(8, ru, "7-ru-1"); }, "not found: Раздел книги не найден!(0x89742577)"},
        {[&] { db->selectBookPart("7-ru-9", ru); }, "not found: Раздел книги не найден!"},
        {[&] { db->selectBookInfo(7, L::Sanskrit); }, "not found: Book info not found (bookId=7 language=3)"},
        {[&] { db->selectBookInfoCover(9, ru); }, "not found: Book info not found"},
        {[&] { db->selectBookSlug(9); }, "not found: Book not found(0x89742536)"},
        {[&] { db->selectBookBaseCover(9); }, "not found: Book base not found"},
        {[&] { db->selectBookIdBySlug("gita", L::Sanskrit); }, "not found: Книга не найдена!"},
        {[&] { db->selectBookIdAndSectionCodeBySlugs("gita", "verse-9", ru); }, "not found: Книга не найдена!"},
        {[&] { db->selectBookInfo(7, L::InvalidLanguage); }, "ERROR 0x8D61B301: invalid language 0"},
    };
    for (const auto& c : notFound)
        EXPECT_EQ(thrown(c.call), QString::fromUtf8(c.message));
}

// A language outside the library names no table: every per-language query
// refuses it alike instead of running against "BookSections7".
TEST_F(BookStorage, OutOfRangeLanguagesAreRefusedBeforeAnyStatement)
{
    db->insertBookBase(base(7, "gita"));
    db->insertBook(edition(7, L::Russian, "Гита"));
    for (const int id : {7, 0, -1}) {
        const auto language = static_cast<L>(id);
        QString bookSlug, sectionSlug;
        const std::function<void()> calls[] = {
            [&] { db->selectBookAndSectionSlugs(7, language, "7-ru-1", bookSlug, sectionSlug); },
            [&] { db->selectBookPart("7-ru-1", language); },
            [&] { db->selectBookSections(7, language); },
            [&] { db->selectBookCategoryIds(7, language); },
            [&] { db->selectCategoryIdsWithBooks(language); },
            [&] { db->selectBookCover(7, language, true); },
            [&] { db->insertBookLanguageCover(7, language, 1, QByteArray("png")); },
            [&] { db->selectBFI(language); },
            [&] { db->countBFI(language); },
        };
        for (const auto& call : calls)
            EXPECT_EQ(thrown(call).toStdString(), "ERROR 0x8D61B301: invalid language " + std::to_string(id));
    }
}

TEST_F(BookStorage, FailedStoreLeavesNoRowsOfTheEdition)
{
    // A part whose code repeats fails after the description and the sections are
    // written.
    auto book = edition(7, L::Russian, "Гита");
    book->parts.push_back(part(book->parts[0]->sectionCode, "again"));
    EXPECT_EQ(thrown([&] { db->insertBook(book); }).left(8), "unique: ");
    EXPECT_EQ(rowsOfBook(7), 0);

    // A stored edition stored again fails and changes nothing.
    db->insertBook(edition(7, L::Russian, "Гита"));
    const int stored = rowsOfBook(7);
    EXPECT_EQ(thrown([&] { db->insertBook(edition(7, L::Russian, "Гита")); }).left(8), "unique: ");
    EXPECT_EQ(rowsOfBook(7), stored);
    EXPECT_EQ(thrown([&] { db->insertBookBase(base(7, "gita")); }), "(nothing thrown)");
    EXPECT_EQ(thrown([&] { db->insertBookBase(base(7, "gita")); }).left(8), "unique: ");

    // Inside the caller's transaction: the caller's rollback takes the book away.
    {
        DatabaseTransaction outer(db);
        db->insertBookBase(base(8, "other"));
        db->insertBook(edition(8, L::English, "Other"));
        EXPECT_GT(rowsOfBook(8), 0);
    }
    EXPECT_EQ(rowsOfBook(8), 0);
}

TEST_F(BookStorage, PartStoredUnderAnotherKeyDoesNotUnpack)
{
    db->insertBook(edition(7, L::Russian, "Гита"));
    CipherKeyPair other;
    other.setKeyFromString(QStringLiteral("someone@example.invalid"));
    other.setIvFromString(QStringLiteral("/home/someone/.local/share/Tarnolix"));
    setBookTextCipher(&other);
    EXPECT_EQ(thrown([&] { db->selectBookPart("7-ru-1", L::Russian); }), "Unpacked book part error");
    EXPECT_EQ(thrown([&] { db->selectBookParts(7, L::Russian); }), "Unpacked book part error");
}

TEST(BookByteForms, DamagedCountsLeaveListsEmpty)
{
    QByteArray hugeCount;
    QDataStream out(&hugeCount, QIODevice::WriteOnly);
    out << quint32(0x4000000) << quint32(0);
    EXPECT_TRUE(TarnolixDB::downloadFilesFromBytes(hugeCount).empty());

    const std::vector<BookInfo::DownloadFile> files{{"f", "n", "e", 1, 2}};
    QByteArray truncated = TarnolixDB::downloadFilesToBytes(files);
    EXPECT_EQ(TarnolixDB::downloadFilesFromBytes(truncated).size(), 1u);
    truncated.chop(1);
    EXPECT_TRUE(TarnolixDB::downloadFilesFromBytes(truncated).empty());

    QByteArray hugeEntities;
    QDataStream out2(&hugeEntities, QIODevice::WriteOnly);
    out2 << quint32(0x8000000);
    EXPECT_TRUE(TarnolixDB::bookEntitiesFromBytes(hugeEntities).empty());
}
