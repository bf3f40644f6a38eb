#include "pages/OtherLanguageBookUrls.h"

#include "core/Exception.h"
#include "database/TarnolixDB.h"

#include "tests/database/CatalogFixture.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

namespace {

constexpr auto English = TarnolixConstants::English;
constexpr auto Russian = TarnolixConstants::Russian;
constexpr auto Sanskrit = TarnolixConstants::Sanskrit;
using Items = UrlCreatorImpl::ItemPathItems;

// Archive book 1: publication 101 in Russian and English, whose slugs differ
// by language, and 107 (the original text) in Russian and Sanskrit, which
// numbers its verses in ranges. Books 103 and 106 belong to no archive book.
class EditionLinks : public CatalogFixture
{
protected:
    void SetUp() override
    {
        CatalogFixture::SetUp();
        db->execSql(QStringLiteral("INSERT INTO ArchiBooks(id, name_ru, name_en) VALUES(?, ?, ?)"),
                    QVariantList{1, QString::fromUtf8("Дипа-самхита"), QStringLiteral("Dipa Samhita")});

        addPublication(101, 1, QStringLiteral("dipa-samhita"));
        addBookInfo(Russian, 101, QString::fromUtf8("Дипа-самхита"));
        addBookInfo(English, 101, QStringLiteral("Dipa Samhita"));
        addSection(Russian, 101, "r-intro", "vvedenie", QString::fromUtf8("Введение"));
        addSection(Russian, 101, "r-2", "glava-2", QString::fromUtf8("Глава 2"));
        addSection(Russian, 101, "r-2-13", "glava-2.stikh-13", QStringLiteral("2.13"), {0, 2, 13, 0});
        addSection(Russian, 101, "r-2-14", "glava-2.stikh-14", QStringLiteral("2.14"), {0, 2, 14, 0});
        addSection(Russian, 101, "r-5-2", "glava-5.stikh-2", QStringLiteral("5.2"), {0, 5, 2, 0});
        addSection(English, 101, "e-intro", "introduction", QStringLiteral("Introduction"));
        addSection(English, 101, "e-2", "chapter-2", QStringLiteral("Chapter 2"));
        addSection(English, 101, "e-2-13", "chapter-2.verse-13", QStringLiteral("2.13"), {0, 2, 13, 0});
        addSection(English, 101, "e-2-14", "chapter-2.verse-14", QStringLiteral("2.14"), {0, 2, 14, 0});

        addPublication(107, 1, QStringLiteral("dipa-samhita-mula"));
        addBookInfo(Russian, 107, QString::fromUtf8("Дипа-самхита (мула)"));
        addBookInfo(Sanskrit, 107, QStringLiteral("Dipa-samhita mula"));
        addSection(Russian, 107, "m-intro", "vvedenie", QString::fromUtf8("Введение"));
        addSection(Russian, 107, "m-2-12", "glava-2.stikh-12-14", QStringLiteral("2.12-14"), {0, 2, 12, 14});
        // Counts an invocation as verse 1: the same verse is numbered one higher.
        addSection(Russian, 107, "m-5-2", "glava-5.stikh-2", QStringLiteral("5.2"), {0, 5, 3, 0});
        addSection(Sanskrit, 107, "s-2-13", "2.13", QStringLiteral("2.13"));

        addPublication(103, 0, QStringLiteral("avadhana-shiksha"));
        addBookInfo(Russian, 103, QString::fromUtf8("Авадхана-шикша"));
        addSection(Russian, 103, "a-2-13", "glava-2.stikh-13", QStringLiteral("2.13"), {0, 2, 13, 0});
        addPublication(106, 0, QStringLiteral("zametka"));
        addBookInfo(Russian, 106, QString::fromUtf8("Заметка"));
        addSection(Russian, 106, "z-2-13", "glava-2.stikh-13", QStringLiteral("2.13"), {0, 2, 13, 0});
    }

    void addPublication(int id, int archiBookId, const QString& slug)
    {
        db->execSql(QStringLiteral("INSERT INTO BookBase(id, archiBookId, slug, name) VALUES(?, ?, ?, ?)"),
                    QVariantList{id, archiBookId, slug, slug});
    }

    // Numbers: section, chapter, poem, other poems.
    void addSection(TarnolixConstants::Language language, int bookId, const char* code, const char* slug,
                    const QString& name, const std::array<int, 4>& numbers = {})
    {
        db->execSql(QStringLiteral("INSERT INTO BookSections%1(code, bookId, slug, name, numberCodeSection, "
                                   "numberCodeChapter, numberCodePoem, numberOtherPoems) VALUES(?, ?, ?, ?, ?, ?, ?, ?)")
                        .arg(static_cast<int>(language)),
                    QVariantList{QString::fromUtf8(code), bookId, QString::fromUtf8(slug), name, numbers[0],
                                 numbers[1], numbers[2], numbers[3]});
    }

    std::shared_ptr<BookSection> section(TarnolixConstants::Language language, const char* code)
    {
        return db->selectBookSection(QString::fromUtf8(code), language).first;
    }

    // (language, book id, section code, book slug, section slug) per edition.
    using Row = std::tuple<TarnolixConstants::Language, int, QString, QString, QString>;
    static std::vector<Row> rows(const ArchiBookInfo& info)
    {
        std::vector<Row> result;
        for (const ArchiBookEdition& edition : info.editions) {
            EXPECT_EQ(edition.request.queryType(), UrlCreator::OpenBookSlug);
            EXPECT_EQ(edition.request.catalogTab(), TarnolixConstants::Names);
            EXPECT_EQ(edition.request.language(), edition.language);
            EXPECT_EQ(edition.book->language, edition.language);
            EXPECT_EQ(edition.book->bookId, edition.bookBase->id);
            const Items& path = edition.request.itemPathItems();
            EXPECT_EQ(path.size(), 2u);
            EXPECT_EQ(path.at(0).first, TarnolixConstants::Book);
            EXPECT_EQ(path.at(1).first, TarnolixConstants::Section);
            result.emplace_back(edition.language, edition.bookBase->id, edition.section->code,
                                path.at(0).second.toString(), path.at(1).second.toString());
        }
        return result;
    }
};

} // namespace

TEST_F(EditionLinks, VerseNumbersFindThePassageInEveryLanguage)
{
    const auto info = otherLanguageBookUrls(*db, Russian, 1, 101, *section(Russian, "r-2-13"), false);
    ASSERT_TRUE(info->archiBook);
    EXPECT_EQ(info->archiBook->id, 1);
    EXPECT_EQ(info->archiBook->names.at(Russian), QString::fromUtf8("Дипа-самхита"));
    EXPECT_FALSE(info->bookRequest.has_value());

    // Russian, English, Sanskrit; the caller's own edition included; 107
    // holds verse 13 inside its range 12-14.
    const std::vector<Row> expected{
        {Russian, 101, "r-2-13", "dipa-samhita", "glava-2.stikh-13"},
        {Russian, 107, "m-2-12", "dipa-samhita-mula", "glava-2.stikh-12-14"},
        {English, 101, "e-2-13", "dipa-samhita", "chapter-2.verse-13"},
        {Sanskrit, 107, "s-2-13", "dipa-samhita-mula", "2.13"},
    };
    EXPECT_EQ(rows(*info), expected);
    EXPECT_EQ(info->editions.at(2).book->name, QStringLiteral("Dipa Samhita (full)"));
}

TEST_F(EditionLinks, StartingFromAnotherLanguage)
{
    const auto info = otherLanguageBookUrls(*db, English, 1, 101, *section(English, "e-2"), true);
    EXPECT_EQ(info->archiBook->names.at(English), QStringLiteral("Dipa Samhita"));
    // A chapter matches the chapter of the same number only; the original
    // text has no chapter section.
    const std::vector<Row> expected{
        {Russian, 101, "r-2", "dipa-samhita", "glava-2"},
        {English, 101, "e-2", "dipa-samhita", "chapter-2"},
    };
    EXPECT_EQ(rows(*info), expected);

    ASSERT_TRUE(info->bookRequest.has_value());
    EXPECT_EQ(info->bookRequest->queryType(), UrlCreator::OpenBookSlug);
    EXPECT_EQ(info->bookRequest->language(), English);
    const Items own{{TarnolixConstants::Book, "dipa-samhita"}, {TarnolixConstants::Section, "chapter-2"}};
    EXPECT_EQ(info->bookRequest->itemPathItems(), own);
}

TEST_F(EditionLinks, SlugsDecideWhereNumbersDoNot)
{
    // No verse number: the same slug, which only editions in the same
    // language share.
    const auto intro = otherLanguageBookUrls(*db, Russian, 1, 101, *section(Russian, "r-intro"), false);
    const std::vector<Row> introRows{
        {Russian, 101, "r-intro", "dipa-samhita", "vvedenie"},
        {Russian, 107, "m-intro", "dipa-samhita-mula", "vvedenie"},
    };
    EXPECT_EQ(rows(*intro), introRows);

    // Numbered differently in 107: no number matches there, the slug does.
    const auto verse = otherLanguageBookUrls(*db, Russian, 1, 101, *section(Russian, "r-5-2"), false);
    const std::vector<Row> verseRows{
        {Russian, 101, "r-5-2", "dipa-samhita", "glava-5.stikh-2"},
        {Russian, 107, "m-5-2", "dipa-samhita-mula", "glava-5.stikh-2"},
    };
    EXPECT_EQ(rows(*verse), verseRows);

    // An edition that lacks the verse is left out: the Sanskrit text has 2.13 only.
    const auto next = otherLanguageBookUrls(*db, Russian, 1, 101, *section(Russian, "r-2-14"), false);
    const std::vector<Row> nextRows{
        {Russian, 101, "r-2-14", "dipa-samhita", "glava-2.stikh-14"},
        {Russian, 107, "m-2-12", "dipa-samhita-mula", "glava-2.stikh-12-14"},
        {English, 101, "e-2-14", "dipa-samhita", "chapter-2.verse-14"},
    };
    EXPECT_EQ(rows(*next), nextRows);
}

TEST_F(EditionLinks, AmbiguousPassageIsNotLinked)
{
    // Two sections of 101 in English would hold verse 13.
    addSection(English, 101, "e-2-13b", "chapter-2.verses-13-14", QStringLiteral("2.13-14"), {0, 2, 13, 14});
    const auto info = otherLanguageBookUrls(*db, Russian, 1, 101, *section(Russian, "r-2-13"), false);
    for (const ArchiBookEdition& edition : info->editions)
        EXPECT_NE(edition.language, English);
    EXPECT_EQ(info->editions.size(), 3u);
}

TEST_F(EditionLinks, BookWithoutArchiveBookHasNoLinks)
{
    // 103 and 106 share archive book id 0 and a verse slug, but are unrelated.
    const auto info = otherLanguageBookUrls(*db, Russian, 0, 103, *section(Russian, "a-2-13"), true);
    ASSERT_TRUE(info->archiBook);
    EXPECT_EQ(info->archiBook->id, 0);
    EXPECT_TRUE(info->editions.empty());
    ASSERT_TRUE(info->bookRequest.has_value());
    const Items own{{TarnolixConstants::Book, "avadhana-shiksha"}, {TarnolixConstants::Section, "glava-2.stikh-13"}};
    EXPECT_EQ(info->bookRequest->itemPathItems(), own);
}

TEST_F(EditionLinks, MissingArchiveBookIsAnError)
{
    try {
        otherLanguageBookUrls(*db, Russian, 9, 101, *section(Russian, "r-2-13"), false);
        FAIL() << "nothing thrown";
    } catch (const DBNotFound& e) {
        EXPECT_EQ(e.message(), "Archi book not found");
    }
}
