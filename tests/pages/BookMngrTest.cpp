// The open book's section run: opening, both ends, seeking, part reads once,
// duplicate codes, loss of the book, and the separate code index.

#include "core/CipherKeyPair.h"
#include "core/Exception.h"
#include "database/BookTextCipher.h"
#include "pages/BookMngr.h"
#include "tests/database/LibraryFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace {

using L = TarnolixConstants::Language;

std::shared_ptr<BookSection> section(const QString& code, int index, int left, const QString& name)
{
    auto s = std::make_shared<BookSection>();
    s->code = code;
    s->left = left;
    s->right = left + 1;
    s->depth = 1;
    s->index = index;
    s->slug = code;
    s->name = name;
    s->title = name;
    return s;
}

std::shared_ptr<BookPart> part(const QString& code)
{
    auto p = std::make_shared<BookPart>();
    p->sectionCode = code;
    p->title = QStringLiteral("Text of ") + code;
    p->entities.push_back(std::make_shared<BookEntity>(1, QMap<QString, QString>{}, QStringList{code}));
    return p;
}

// Records the part reads so a test can tell a read from a cached part.
class CountingBookMngr : public BookMngr
{
public:
    using BookMngr::BookMngr;
    std::map<QString, int> reads;

protected:
    std::shared_ptr<BookPart> readPart(const QString& code, L language) override
    {
        ++reads[code];
        return BookMngr::readPart(code, language);
    }
};

QString thrown(const std::function<void()>& operation)
{
    try {
        operation();
    } catch (const Exception& e) {
        return e.message();
    }
    return QStringLiteral("(nothing thrown)");
}

class BookMngrTest : public LibraryFixture
{
protected:
    void SetUp() override
    {
        LibraryFixture::SetUp();
        keys.setKeyFromString(QStringLiteral("reader@example.invalid"));
        keys.setIvFromString(QStringLiteral("/home/reader/.local/share/Tarnolix"));
        setBookTextCipher(&keys);
        BookBase base;
        base.id = 7;
        base.slug = QStringLiteral("gita");
        base.name = QStringLiteral("Gita");
        base.languages = {L::Russian, L::English};
        db->insertBookBase(base);
        // Stored order differs from book order: sections sort by index, then left.
        addEdition(L::Russian, {section("r3", 3, 7, "Глава 3"), section("r1", 1, 1, "Глава 1"),
                                section("r2b", 2, 5, "Стих 2"), section("r2a", 2, 3, "Стих 1")});
        addEdition(L::English, {section("e1", 1, 1, "Chapter 1"), section("e2", 2, 3, "Chapter 2")});
    }

    void TearDown() override { setBookTextCipher(nullptr); }

    void addEdition(L language, std::vector<std::shared_ptr<BookSection>> sections)
    {
        auto book = std::make_shared<Book>();
        book->info = std::make_shared<BookInfo>();
        book->info->bookId = 7;
        book->info->language = language;
        book->info->name = book->info->shortName = language == L::Russian ? QStringLiteral("Гита") : "Gita";
        book->sections = std::move(sections);
        for (const auto& s : book->sections)
            book->parts.push_back(part(s->code));
        db->insertBook(book);
    }

    static QStringList codes(const std::vector<std::shared_ptr<BookMngr::Item>>& items)
    {
        QStringList list;
        for (const auto& item : items)
            list << QStringLiteral("%1@%2").arg(item->section->code).arg(item->index);
        return list;
    }

    CipherKeyPair keys;

    // Reads forward (or backward) until the end, returning what was shown
    // and the end's message.
    static std::pair<QStringList, QString> runTo(BookMngr& book, bool forward)
    {
        std::vector<std::shared_ptr<BookMngr::Item>> items;
        QString end;
        for (int guard = 0; guard < 20 && end.isEmpty(); ++guard) {
            end = thrown([&] { items.push_back(forward ? book.nextSection() : book.previousSection()); });
            if (end == QLatin1String("(nothing thrown)"))
                end.clear();
        }
        return {codes(items), end};
    }
};

TEST_F(BookMngrTest, OpenedBookRunsInBookOrderToEndOfBookAtBothEnds)
{
    BookMngr book(db);
    book.openBook(L::Russian, 7);
    EXPECT_EQ(book.bookId(), 7);
    EXPECT_EQ(book.language(), L::Russian);

    EXPECT_EQ(thrown([&] { book.previousSection(); }), "End of book!");
    EXPECT_EQ(book.firstShownIndex(), 0u);

    const auto [forward, end] = runTo(book, true);
    EXPECT_EQ(forward, (QStringList{"r1@0", "r2a@1", "r2b@2", "r3@3"}));
    EXPECT_EQ(end, "End of book!");
    EXPECT_EQ(book.lastShownIndex(), 3u);
    EXPECT_EQ(book.firstShownIndex(), 0u);

    // The other edition of the same book is a run of its own.
    book.openBook(L::English, 7);
    EXPECT_EQ(runTo(book, true).first, (QStringList{"e1@0", "e2@1"}));
}

TEST_F(BookMngrTest, SeekShowsTheCodeNextAndItsPredecessorPrevious)
{
    BookMngr book(db);
    book.openBook(L::Russian, 7);
    book.nextSection();
    book.seek(QStringLiteral("r2b"));
    EXPECT_EQ(book.firstShownIndex(), 2u);
    EXPECT_EQ(book.lastShownIndex(), 1u);

    EXPECT_EQ(codes({book.nextSection(), book.nextSection()}), (QStringList{"r2b@2", "r3@3"}));
    const auto [backward, end] = runTo(book, false);
    EXPECT_EQ(backward, (QStringList{"r2a@1", "r1@0"}));
    EXPECT_EQ(end, "End of book!");

    book.seek(QStringLiteral("r1"));
    EXPECT_EQ(thrown([&] { book.previousSection(); }), "End of book!");
    EXPECT_EQ(book.nextSection()->section->code, "r1");

    EXPECT_EQ(thrown([&] { book.seek(QStringLiteral("e1")); }), "Раздел книги не найдена");
    book.resetPosition();
    EXPECT_EQ(book.nextSection()->index, 0u);
}

TEST_F(BookMngrTest, PartIsReadOnceAndASectionWithoutTextHasNone)
{
    db->execSql(QStringLiteral("DELETE FROM BookParts2 WHERE sectionCode='r2a'"));
    CountingBookMngr book(db);
    book.openBook(L::Russian, 7);

    const auto first = book.itemAt(0);
    ASSERT_TRUE(first->part);
    EXPECT_EQ(first->part->title, "Text of r1");
    EXPECT_EQ(book.itemAt(0)->part, first->part);
    book.nextSection();
    book.seek(QStringLiteral("r1"));
    book.nextSection();
    EXPECT_EQ(book.reads["r1"], 1);

    EXPECT_FALSE(book.itemAt(1)->part);
    EXPECT_FALSE(book.itemAt(1)->part);
    EXPECT_EQ(book.reads["r2a"], 1);

    // itemAt leaves the shown run alone.
    EXPECT_EQ(book.firstShownIndex(), 0u);
    EXPECT_EQ(book.lastShownIndex(), 0u);

    // A new opening reads again.
    book.openBook(L::Russian, 7);
    book.itemAt(0);
    EXPECT_EQ(book.reads["r1"], 2);

    EXPECT_THROW(book.itemAt(4), std::out_of_range);
}

TEST_F(BookMngrTest, DuplicateCodeMapsToItsFirstPosition)
{
    // Only a damaged library repeats a code: drop the key to store one.
    db->execSql(QStringLiteral("ALTER TABLE BookSections2 RENAME TO Keyed"));
    db->execSql(QStringLiteral("CREATE TABLE BookSections2 AS SELECT * FROM Keyed"));
    db->execSql(QStringLiteral("DROP TABLE Keyed"));
    db->execSql(QStringLiteral("INSERT INTO BookSections2(code, bookId, name, [index], [left]) "
                               "VALUES('r1', 7, 'again', 9, 20)"));

    BookMngr book(db);
    book.openBook(L::Russian, 7);
    ASSERT_EQ(book.sections().size(), 5u);
    EXPECT_EQ(book.sectionIndexOf(QStringLiteral("r1")), 0);
    EXPECT_EQ(book.sectionItemByKey(QStringLiteral("r1"))->name, "Глава 1");
    EXPECT_EQ(book.sectionIndexOf(QStringLiteral("nope")), -1);
    EXPECT_FALSE(book.sectionItemByKey(QStringLiteral("nope")));
    book.seek(QStringLiteral("r1"));
    EXPECT_EQ(book.nextSection()->index, 0u);

    BookMngrSectionsIndexes indexes(db, 7, L::Russian);
    EXPECT_EQ(indexes.sectionIndex(QStringLiteral("r1")), 0u);
    EXPECT_EQ(indexes.sectionIndex(QStringLiteral("r3")), 3u);
}

TEST_F(BookMngrTest, LosingTheBookRefusesEveryMovement)
{
    const char* removals[] = {"DELETE FROM BookInfo2 WHERE id=7", "DELETE FROM BookBase WHERE id=7",
                              "DROP TABLE BookInfo2"};
    for (const char* removal : removals) {
        SCOPED_TRACE(removal);
        TearDown();
        SetUp();
        BookMngr book(db);
        book.openBook(L::Russian, 7);
        book.nextSection();
        EXPECT_TRUE(book.isBookAvailable());
        db->execSql(QString::fromUtf8(removal));
        EXPECT_FALSE(book.isBookAvailable());
        const QString gone = QStringLiteral("Книга недоступна в текущей библиотеке.");
        EXPECT_EQ(thrown([&] { book.nextSection(); }), gone);
        EXPECT_EQ(thrown([&] { book.previousSection(); }), gone);
        EXPECT_EQ(thrown([&] { book.seek(QStringLiteral("r1")); }), gone);
        EXPECT_EQ(thrown([&] { book.itemAt(0); }), gone);
        EXPECT_EQ(book.lastShownIndex(), 0u);
    }
}

TEST_F(BookMngrTest, NoBookOrAFailedOpeningLeavesTheEmptyState)
{
    BookMngr book(db);
    EXPECT_EQ(thrown([&] { book.nextSection(); }), "Книга не открыта!");

    book.openBook(L::Russian, 7);
    book.nextSection();
    EXPECT_NE(thrown([&] { book.openBook(L::Sanskrit, 7); }), "(nothing thrown)");
    EXPECT_FALSE(book.bookBase());
    EXPECT_FALSE(book.bookInfo());
    EXPECT_TRUE(book.sections().empty());
    EXPECT_EQ(book.sectionIndexOf(QStringLiteral("r1")), -1);
    EXPECT_EQ(book.lastShownIndex(), quint64(-1));
    EXPECT_EQ(thrown([&] { book.resetPosition(); }), "Книга не открыта!");
}

TEST_F(BookMngrTest, SectionsIndexesAndCreateItemPositions)
{
    BookMngrSectionsIndexes indexes(db, 7, L::English);
    EXPECT_EQ(indexes.sectionIndex(QStringLiteral("e2")), 1u);
    EXPECT_EQ(thrown([&] { indexes.sectionIndex(QStringLiteral("r1")); }),
              "Section \"r1\" not found(Error 0x88454170)");

    // A stored index wins (minus one); without one the index is asked.
    struct Case
    {
        int storedIndex;
        QString code;
        QString result;
    } cases[] = {{5, "r1", "4"},
                 {1, "zz", "0"},
                 {0, "e2", "1"},
                 {-3, "e1", "0"},
                 {0, "zz", "Section \"zz\" not found(Error 0x88454170)"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code.toStdString());
        auto s = section(c.code, c.storedIndex, 1, QStringLiteral("x"));
        QString got;
        try {
            const auto item = BookMngr::createItem(indexes, s, part(c.code));
            EXPECT_EQ(item->section, s);
            EXPECT_EQ(item->part->sectionCode, c.code);
            got = QString::number(item->index);
        } catch (const Exception& e) {
            got = e.message();
        }
        EXPECT_EQ(got, c.result);
    }
}

} // namespace
