// The hit index of an open book: building from result records, cursor moves
// across sections with hits, and the mark index of a hit.

#include "core/CipherKeyPair.h"
#include "core/Exception.h"
#include "database/BookTextCipher.h"
#include "pages/BookMngr.h"
#include "search/searchers/SearchRecords.h"
#include "tabs/FindTextHelper.h"
#include "tests/database/LibraryFixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace tarnolix;
using L = TarnolixConstants::Language;

class PlainSRSection : public SRSection
{
public:
    using SRSection::SRSection;
    std::vector<std::shared_ptr<SRItem>> items() const override { return {}; }
};

class FindTextHelperTest : public LibraryFixture
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
        db->insertBookBase(base);
        auto book = std::make_shared<Book>();
        book->info = std::make_shared<BookInfo>();
        book->info->bookId = 7;
        book->info->language = L::Russian;
        book->info->shortName = QStringLiteral("Гита");
        for (int i = 1; i <= 6; ++i) {
            auto s = std::make_shared<BookSection>();
            s->code = QStringLiteral("s%1").arg(i);
            s->index = i;
            s->left = 2 * i;
            s->right = 2 * i + 1;
            book->sections.push_back(s);
        }
        db->insertBook(book);
        open = std::make_unique<BookMngr>(db);
        open->openBook(L::Russian, 7);
    }

    // Hits in s4, s2 and s6 (given out of book order), none in s1, s3, s5.
    std::shared_ptr<FindTextHelper> helper(const std::vector<std::pair<QString, quint32>>& marks = {
                                               {"s4", 2}, {"s2", 3}, {"s6", 1}})
    {
        resultBook = std::make_shared<SRBook>(nullptr, 7);
        for (const auto& [code, count] : marks)
            resultBook->addSection(std::make_shared<PlainSRSection>(resultBook, code));
        auto h = std::make_shared<FindTextHelper>(open.get(), resultBook);
        for (const auto& [code, count] : marks)
            h->getSection(code)->setMarks(count, {});
        return h;
    }

    void TearDown() override { setBookTextCipher(nullptr); }

    static QString cursor(const FindTextHelper& h)
    {
        if (!h.cursorSection())
            return QStringLiteral("none");
        return QStringLiteral("%1:%2").arg(h.cursorSection()->code()).arg(qint64(qint32(h.cursorMark())));
    }

    CipherKeyPair keys;
    std::unique_ptr<BookMngr> open;
    std::shared_ptr<SRBook> resultBook;
};

TEST_F(FindTextHelperTest, CursorMoves)
{
    const quint32 last = FindTextSection::kLastMark;
    using H = FindTextHelper;
    auto at = [](const char* code, quint32 mark) {
        return [=](H& h) { return h.setPosition(QString::fromLatin1(code), mark, true); };
    };
    struct Move
    {
        const char* name;
        std::function<bool(H&)> start;
        std::function<bool(H&)> move;
        bool result;
        const char* cursor;
    } moves[] = {
        {"no cursor: next", nullptr, &H::next, false, "none"},
        {"no cursor: previous", nullptr, &H::previous, false, "none"},
        {"previous at the first mark", at("s2", 0), &H::previous, false, "s2:0"},
        {"next inside a section", at("s2", 1), &H::next, true, "s2:2"},
        {"next from the last mark skips s3", at("s2", 2), &H::next, true, "s4:0"},
        {"next from the last-mark marker", at("s2", last), &H::next, true, "s4:0"},
        {"previous from the last-mark marker", at("s2", last), &H::previous, true, "s2:1"},
        {"previous from mark 0 to the last mark before", at("s4", 0), &H::previous, true, "s2:2"},
        {"previous from the marker of a one-mark section", at("s6", last), &H::previous, true, "s4:1"},
        {"next at the end", at("s6", 0), &H::next, false, "s6:0"},
        {"past the marks from the start", nullptr, [](H& h) { return h.setPosition("s2", 9, true); }, true, "s2:0"},
        {"past the marks otherwise", nullptr, [](H& h) { return h.setPosition("s2", 9, false); }, true, "s2:2"},
        {"the marker is kept", nullptr, [](H& h) { return h.setPosition("s4", last, false); }, true, "s4:-1"},
        {"a section without hits", at("s2", 1), [](H& h) { return h.setPosition("s3", 0, true); }, false, "s2:1"},
        {"seekFrom a section with hits", nullptr, [](H& h) { return h.seekFrom("s4"); }, true, "s4:0"},
        {"seekFrom a section without hits", nullptr, [](H& h) { return h.seekFrom("s3"); }, true, "s4:0"},
        {"seekFrom the first section", nullptr, [](H& h) { return h.seekFrom("s1"); }, true, "s2:0"},
        {"seekFrom after the last hit", at("s2", 1), [](H& h) { return h.seekFrom("s6") && h.seekFrom("zz"); },
         false, "s6:0"},
    };
    for (const Move& m : moves) {
        SCOPED_TRACE(m.name);
        auto h = helper();
        if (m.start) {
            ASSERT_TRUE(m.start(*h));
        }
        EXPECT_EQ(m.move(*h), m.result);
        EXPECT_EQ(cursor(*h), m.cursor);
    }

    // A section whose marks are not counted yet only takes the marker
    // unless the move starts from its beginning.
    auto h = helper({{"s4", 0}});
    EXPECT_FALSE(h->setPosition("s4", 0, false));
    EXPECT_TRUE(h->setPosition("s4", 0, true));
    EXPECT_TRUE(h->setPosition("s4", last, false));
    EXPECT_EQ(cursor(*h), "s4:-1");
}

TEST_F(FindTextHelperTest, BuiltInBookOrderWithRecordsCachedInTheResults)
{
    auto h = helper();
    std::vector<QString> chain;
    for (auto s = h->getSection("s2"); s; s = s->next())
        chain.push_back(s->code() + QString::number(s->position()));
    EXPECT_EQ(chain, (std::vector<QString>{"s22", "s44", "s66"}));
    EXPECT_EQ(h->getSection("s4")->previous()->code(), "s2");
    EXPECT_FALSE(h->getSection("s2")->previous());
    EXPECT_FALSE(h->getSection("s3"));
    EXPECT_EQ(h->getSection("s4")->resultSection()->cachedBookSection(), open->sectionItemByKey("s4"));
    EXPECT_TRUE(h->isValid());

    // A cached record is taken as it is: the result's position wins.
    auto book = std::make_shared<SRBook>(nullptr, 7);
    auto foreign = std::make_shared<PlainSRSection>(book, "elsewhere");
    auto record = std::make_shared<BookSection>();
    record->index = 40;
    foreign->setBookSection(record);
    book->addSection(foreign);
    EXPECT_EQ(FindTextHelper(open.get(), book).getSection("elsewhere")->position(), 40u);

    // Neither cached nor in the open book.
    auto missing = std::make_shared<SRBook>(nullptr, 7);
    missing->addSection(std::make_shared<PlainSRSection>(missing, "zz"));
    try {
        FindTextHelper(open.get(), missing);
        ADD_FAILURE() << "nothing thrown";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "ERROR 0x78175912");
    }

    // Another book is open, or none.
    EXPECT_FALSE(FindTextHelper(open.get(), 8u).isValid());
    open->clear();
    EXPECT_FALSE(h->isValid());
}

TEST_F(FindTextHelperTest, EmptyIndexRefusesEveryMove)
{
    FindTextHelper h(open.get(), 7u);
    EXPECT_TRUE(h.isValid());
    for (const QString code : {"s1", "s2", "s6", "zz"}) {
        EXPECT_FALSE(h.setPosition(code, 0, true));
        EXPECT_FALSE(h.setPosition(code, FindTextSection::kLastMark, false));
        EXPECT_FALSE(h.seekFrom(code));
    }
    EXPECT_FALSE(h.next());
    EXPECT_FALSE(h.previous());
    EXPECT_FALSE(h.cursorSection());
}

TEST_F(FindTextHelperTest, MarkIndexOfAHit)
{
    FindTextSection section(nullptr, 0);
    section.setMarks(9, {{3, 1, 4}, {}, {2}});
    struct Case
    {
        quint32 part, hit;
        QString result;
    } cases[] = {{0, 0, "0"}, {0, 1, "3"}, {0, 2, "4"}, {2, 0, "0"},
                 {0, 3, "ERROR 0x75386744"}, {1, 0, "ERROR 0x75386744"}, {3, 0, "ERROR 0x75386743"}};
    for (const Case& c : cases) {
        QString got;
        try {
            got = QString::number(section.markIndexOf(c.part, c.hit));
        } catch (const Exception& e) {
            got = e.message();
        }
        EXPECT_EQ(got, c.result) << c.part << "," << c.hit;
    }
}

} // namespace
