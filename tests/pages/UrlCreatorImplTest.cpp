#include "pages/UrlCreatorImpl.h"

#include "core/Exception.h"
#include "database/TarnolixDB.h"

#include "tests/database/LibraryFixture.h"

#include <gtest/gtest.h>

namespace {

using Items = UrlCreatorImpl::ItemPathItems;

class SlugForm : public LibraryFixture
{
protected:
    void SetUp() override
    {
        LibraryFixture::SetUp();
        addBook(5, QStringLiteral("bhagavad-gita"));
        addSection(TarnolixConstants::Russian, 5, QStringLiteral("c-2"), QStringLiteral("glava-2"));
        addSection(TarnolixConstants::Russian, 5, QStringLiteral("c-2-13"), QStringLiteral("glava-2.stikh-13"));
        addSection(TarnolixConstants::English, 5, QStringLiteral("e-2-13"), QStringLiteral("chapter-2.verse-13"));
        addBook(6, QStringLiteral("it's-a-slug"));
        addSection(TarnolixConstants::Russian, 6, QStringLiteral("c'1"), QStringLiteral("o'clock"));
    }

    void addBook(int id, const QString& slug)
    {
        db->execSql(QStringLiteral("INSERT INTO BookBase(id, slug) VALUES(?, ?)"), QVariantList{id, slug});
    }

    void addSection(TarnolixConstants::Language language, int bookId, const QString& code, const QString& slug)
    {
        db->execSql(QStringLiteral("INSERT INTO BookSections%1(code, bookId, slug) VALUES(?, ?, ?)")
                        .arg(static_cast<int>(language)),
                    QVariantList{code, bookId, slug});
    }

    static UrlCreatorImpl openBook(TarnolixConstants::Language language, Items items)
    {
        UrlCreatorImpl request;
        request.setQueryType(UrlCreator::OpenBook);
        request.setLanguage(language);
        request.setCatalogTab(TarnolixConstants::Categories);
        request.setItemPathItems(std::move(items));
        return request;
    }

    QString slugError(UrlCreatorImpl& request)
    {
        const UrlCreatorImpl before = request;
        try {
            request.toSlugMode(*db);
        } catch (const Exception& e) {
            // A refused request is left as it was.
            EXPECT_EQ(request.queryType(), before.queryType());
            EXPECT_EQ(request.catalogTab(), before.catalogTab());
            EXPECT_EQ(request.itemPathItems(), before.itemPathItems());
            return e.message();
        }
        return QStringLiteral("(nothing thrown)");
    }
};

} // namespace

TEST_F(SlugForm, IdPathBecomesBookAndSectionSlugs)
{
    UrlCreatorImpl request = openBook(TarnolixConstants::Russian, {{TarnolixConstants::Category, 3},
                                                                   {TarnolixConstants::Book, 5},
                                                                   {TarnolixConstants::Section, "c-2"},
                                                                   {TarnolixConstants::Section, "c-2-13"}});
    request.toSlugMode(*db);
    EXPECT_EQ(request.queryType(), UrlCreator::OpenBookSlug);
    EXPECT_EQ(request.catalogTab(), TarnolixConstants::Names);
    EXPECT_EQ(request.language(), TarnolixConstants::Russian);
    const Items expected{{TarnolixConstants::Book, "bhagavad-gita"}, {TarnolixConstants::Section, "glava-2.stikh-13"}};
    EXPECT_EQ(request.itemPathItems(), expected);
}

TEST_F(SlugForm, SlugsAreLookedUpInTheRequestLanguage)
{
    UrlCreatorImpl english =
        openBook(TarnolixConstants::English, {{TarnolixConstants::Book, "5"}, {TarnolixConstants::Section, "e-2-13"}});
    english.toSlugMode(*db);
    EXPECT_EQ(english.itemPathItems().at(1).second, "chapter-2.verse-13");

    UrlCreatorImpl wrongLanguage =
        openBook(TarnolixConstants::English, {{TarnolixConstants::Book, 5}, {TarnolixConstants::Section, "c-2-13"}});
    EXPECT_EQ(slugError(wrongLanguage), QString::fromUtf8("Раздел книги не найден!(0x89742575)"));
}

TEST_F(SlugForm, QuotesInCodesAndSlugsAreData)
{
    UrlCreatorImpl request =
        openBook(TarnolixConstants::Russian, {{TarnolixConstants::Book, 6}, {TarnolixConstants::Section, "c'1"}});
    request.toSlugMode(*db);
    const Items expected{{TarnolixConstants::Book, "it's-a-slug"}, {TarnolixConstants::Section, "o'clock"}};
    EXPECT_EQ(request.itemPathItems(), expected);
}

TEST_F(SlugForm, RefusedRequests)
{
    UrlCreatorImpl cover = openBook(TarnolixConstants::Russian, {{TarnolixConstants::Book, 5}});
    cover.setQueryType(UrlCreator::OpenBookCover);
    EXPECT_EQ(slugError(cover), "OpenBook support only");

    UrlCreatorImpl noSection = openBook(TarnolixConstants::Russian, {{TarnolixConstants::Book, 5}});
    EXPECT_EQ(slugError(noSection), "Create slug error (0x05324532)(5;;)");

    UrlCreatorImpl noBook = openBook(TarnolixConstants::Russian, {{TarnolixConstants::Section, "c-2"}});
    EXPECT_EQ(slugError(noBook), "Create slug error (0x05324532)(0;;c-2)");

    // A section code of another book.
    UrlCreatorImpl otherBook =
        openBook(TarnolixConstants::Russian, {{TarnolixConstants::Book, 6}, {TarnolixConstants::Section, "c-2"}});
    EXPECT_EQ(slugError(otherBook), QString::fromUtf8("Раздел книги не найден!(0x89742575)"));
}

TEST_F(SlugForm, MissingOrEmptyBookSlug)
{
    addSection(TarnolixConstants::Russian, 7, QStringLiteral("orphan"), QStringLiteral("s"));
    UrlCreatorImpl orphan =
        openBook(TarnolixConstants::Russian, {{TarnolixConstants::Book, 7}, {TarnolixConstants::Section, "orphan"}});
    EXPECT_EQ(slugError(orphan), QString::fromUtf8("Книга не найдена!(0x89742579)"));

    // A slug address without a book slug could not be opened again.
    addBook(8, QString());
    addSection(TarnolixConstants::Russian, 8, QStringLiteral("c-8"), QStringLiteral("s-8"));
    UrlCreatorImpl unnamed =
        openBook(TarnolixConstants::Russian, {{TarnolixConstants::Book, 8}, {TarnolixConstants::Section, "c-8"}});
    EXPECT_EQ(slugError(unnamed), "Create slug error (0x8C2E4A19)(8;;c-8)");
}

TEST_F(SlugForm, EmptySectionSlugIsReturnedAsIs)
{
    addSection(TarnolixConstants::Russian, 5, QStringLiteral("c-intro"), QString());
    QString bookSlug;
    QString sectionSlug = QStringLiteral("stale");
    db->selectBookAndSectionSlugs(5, TarnolixConstants::Russian, QStringLiteral("c-intro"), bookSlug, sectionSlug);
    EXPECT_EQ(bookSlug, "bhagavad-gita");
    EXPECT_TRUE(sectionSlug.isEmpty());
}
