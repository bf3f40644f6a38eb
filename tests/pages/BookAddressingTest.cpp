// Book and section addressing through a small library: item paths by
// catalogue tab, the slug and id forms of a book address, the same section
// in another language, links to the maker's web site, redirects and
// glossary addresses.

#include "pages/UrlCreatorImpl.h"

#include "core/Exception.h"
#include "core/Glossary.h"
#include "core/GlossaryContainer.h"
#include "tests/pages/BookLibraryFixture.h"

#include <gtest/gtest.h>

#include <functional>

using namespace tarnolix::test;
using C = TarnolixConstants;

namespace {

constexpr auto En = C::English;
constexpr auto Ru = C::Russian;

using BookAddressingTest = BookLibraryFixture;

} // namespace

TEST_F(BookAddressingTest, TheSameSectionInAnotherLanguage)
{
    const struct
    {
        const char* code;
        C::CatalogTab tab;
        const char* path;
        C::CatalogTab resultTab;
    } cases[] = {
        // Name 2.13 in a section covering 2.12-14, reached through the same tab.
        {"r-2-13", C::Categories, "/Category-3/Category-5/Book-77/Section-e-2/Section-e-2-12", C::Categories},
        {"r-2-13", C::Authors, "/Letter-V/Author-10/Book-77/Section-e-2/Section-e-2-12", C::Authors},
        // Slugs "glava-3" (chapter 3, verse 0) and "glava-3.stikh-5-7" (verses 5 to 7).
        {"r-3", C::Names, "/Letter-D/Book-77/Section-e-3", C::Names},
        {"r-3-5", C::Names, "/Letter-D/Book-77/Section-e-3/Section-e-3-5", C::Names},
        // The name " 1.5 ", blanks around.
        {"r-1-5", C::Names, "/Letter-D/Book-77/Section-e-1-5", C::Names},
        // No number: the same slug.
        {"r-intro", C::Names, "/Letter-D/Book-77/Section-e-intro", C::Names},
        // Book 79 is under no category: the Names tab instead.
        {"t-5-1", C::Categories, "/Letter-T/Book-79/Section-u-5-1", C::Names},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        const int book = QString::fromLatin1(c.code).startsWith('t') ? 79 : 77;
        UrlCreatorImpl r = request(UrlCreator::OpenBook, Ru, {{C::Book, book}, {C::Section, c.code}}, c.tab);
        r.findBookWithDifferentLanguage(*db, En);
        EXPECT_EQ(r.queryType(), UrlCreator::OpenBook);
        EXPECT_EQ(r.language(), En);
        EXPECT_EQ(r.catalogTab(), c.resultTab);
        EXPECT_EQ(path(r), QString::fromUtf8(c.path));
        EXPECT_EQ(r.tabId(), 6);
    }
}

TEST_F(BookAddressingTest, NoCorrespondingSection)
{
    const struct
    {
        const char* what;
        UrlCreatorImpl r;
        const char* message;
    } cases[] = {
        {"two sections hold verse 4.2", request(UrlCreator::OpenBook, Ru, {{C::Book, 79}, {C::Section, "t-4-2"}}),
         "Corresponding section is unavailable in the requested language"},
        {"no chapter 9 in English", request(UrlCreator::OpenBook, Ru, {{C::Book, 77}, {C::Section, "r-9-1"}}),
         "Corresponding section is unavailable in the requested language"},
        {"no section", request(UrlCreator::OpenBook, Ru, {{C::Book, 77}}),
         "findBookWithDifferentLanguage: Section not found!"},
        {"no book", request(UrlCreator::OpenBook, Ru, {{C::Section, "r-2"}}), "UrlCreator not valid"},
        {"no kind", request(UrlCreator::InvalidQuery, Ru, {{C::Book, 77}, {C::Section, "r-2"}}), "UrlCreator not valid"},
        {"unknown code", request(UrlCreator::OpenBook, Ru, {{C::Book, 77}, {C::Section, "zz"}}),
         "Book section not found (code=\"zz\" language=2)"},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(failure(c.r, [this](UrlCreatorImpl& r) { r.findBookWithDifferentLanguage(*db, En); }),
                  QString::fromUtf8(c.message));
    }
}

TEST_F(BookAddressingTest, SlugRequestsBecomeIdRequests)
{
    const struct
    {
        const char* url;
        C::Language language;
        const char* path;
    } cases[] = {
        {"tarnolix://openbookslug.ru/Book-dipa-samhita/Section-glava-2.stikh-13", Ru,
         "/Letter-Д/Book-77/Section-r-2/Section-r-2-13"},
        {"tarnolix://openbookslug.en/Book-dipa-samhita", En, "/Letter-D/Book-77"},
        // Only in English, asked in Russian: English it is.
        {"tarnolix://openbookslug.ru/Book-only-english/Section-chapter-1.verse-2?findInAnotherLanguageIfNotExists=1",
         En, "/Letter-O/Book-78/Section-x-1/Section-x-1-2"},
        // Found in the asked language first.
        {"tarnolix://openbookslug.en/Book-dipa-samhita/Section-intro?findInAnotherLanguageIfNotExists=1", En,
         "/Letter-D/Book-77/Section-e-intro"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        UrlCreatorImpl r = UrlCreatorImpl::fromString(QString::fromUtf8(c.url));
        ASSERT_TRUE(r.isValid());
        r.processSlugMode(*db);
        EXPECT_EQ(r.queryType(), UrlCreator::OpenBook);
        EXPECT_EQ(r.language(), c.language);
        EXPECT_EQ(r.catalogTab(), C::Names);
        EXPECT_EQ(path(r), QString::fromUtf8(c.path));
    }
}

TEST_F(BookAddressingTest, ASectionChainThatLoopsEnds)
{
    // Damaged data: two sections that are each other's parent.
    addSection(En, 78, "loop-a", "loop-b", "loop", "1.7");
    addSection(En, 78, "loop-b", "loop-a", "loop-b", "1.8");
    UrlCreatorImpl r = request(UrlCreator::OpenBookSlug, En, {{C::Book, "only-english"}, {C::Section, "loop"}});
    r.processSlugMode(*db);
    EXPECT_EQ(r.queryType(), UrlCreator::OpenBook);
    EXPECT_EQ(r.getSectionCode(), "loop-a");
}

TEST_F(BookAddressingTest, SlugRequestsThatCannotBeResolved)
{
    const QString notFound = QString::fromUtf8("Книга не найдена!");
    const struct
    {
        const char* what;
        UrlCreatorImpl r;
        QString message;
    } cases[] = {
        {"only in English, asked in Russian",
         request(UrlCreator::OpenBookSlug, Ru, {{C::Book, "only-english"}, {C::Section, "chapter-1"}}), notFound},
        {"in no language",
         [] {
             UrlCreatorImpl r = request(UrlCreator::OpenBookSlug, Ru, {{C::Book, "nowhere"}});
             r.setFindInAnotherLanguageIfNotExists(true);
             return r;
         }(),
         notFound},
        {"id form", request(UrlCreator::OpenBook, Ru, {{C::Book, 77}}), QStringLiteral("OpenBookSlug support only")},
        {"two sections",
         request(UrlCreator::OpenBookSlug, Ru, {{C::Book, "dipa-samhita"}, {C::Section, "a"}, {C::Section, "b"}}),
         QStringLiteral("Slug not supported (0x05784531)(Section)")},
        {"a letter", request(UrlCreator::OpenBookSlug, Ru, {{C::Letter, "D"}, {C::Book, "dipa-samhita"}}),
         QStringLiteral("Slug not supported (0x05784537)(Letter)")},
        {"no book slug", request(UrlCreator::OpenBookSlug, Ru, {{C::Section, "intro"}}),
         QStringLiteral("Create slug error (0x05784532)")},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(failure(c.r, [this](UrlCreatorImpl& r) { r.processSlugMode(*db); }), c.message);
    }
}

TEST_F(BookAddressingTest, IdAndSlugFormsRoundTrip)
{
    UrlCreatorImpl r = request(UrlCreator::OpenBook, Ru, {{C::Category, 3}, {C::Book, 77}, {C::Section, "r-2"},
                                                          {C::Section, "r-2-13"}},
                               C::Categories);
    r.toSlugMode(*db);
    EXPECT_EQ(r.toString(),
              "tarnolix://openbookslug.ru/Book-dipa-samhita/Section-glava-2.stikh-13?catalogTab=Names&tabId=6");
    UrlCreatorImpl back = UrlCreatorImpl::fromString(r.toString());
    back.processSlugMode(*db);
    EXPECT_EQ(path(back), QString::fromUtf8("/Letter-Д/Book-77/Section-r-2/Section-r-2-13"));

    UrlCreatorImpl cover = request(UrlCreator::OpenBookCover, Ru, {{C::Book, 77}, {C::Section, "r-2"}});
    EXPECT_EQ(failure(cover, [this](UrlCreatorImpl& x) { x.toSlugMode(*db); }), "OpenBook support only");
}

TEST_F(BookAddressingTest, ItemPathsAndTheirKinds)
{
    const QString folder = QUuid::createUuid().toString(QUuid::WithoutBraces);
    db->execSql(QStringLiteral("INSERT INTO FavoritesCatalog(uuid, parentUuid, name) VALUES(?, NULL, 'f')"), {folder});
    const struct
    {
        C::CatalogTab mode;
        QVariant id;
        C::CatalogItemType type;
        UrlCreator::QueryType kind;
        QString path;
    } cases[] = {
        {C::Authors, 10, C::Author, UrlCreator::OpenAuthor, QStringLiteral("/Letter-В/Author-10")},
        {C::Categories, 77, C::Book, UrlCreator::OpenBookCover, QStringLiteral("/Category-3/Category-5/Book-77")},
        {C::FavoritesByBooks, 77, C::Book, UrlCreator::Favorites, QStringLiteral("/Category-3/Category-5/Book-77")},
        {C::Names, QStringLiteral("r-2-13"), C::Section, UrlCreator::OpenBook,
         QString::fromUtf8("/Letter-Д/Book-77/Section-r-2/Section-r-2-13")},
        {C::AllFavorites, folder, C::FavoriteFolder, UrlCreator::Favorites, "/FavoriteFolder-" + folder},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(qPrintable(c.path));
        UrlCreatorImpl r;
        r.setTabId(2);
        r.createPath(*db, Ru, c.mode, c.id, c.type);
        EXPECT_EQ(r.queryType(), c.kind);
        EXPECT_EQ(r.language(), Ru);
        EXPECT_EQ(r.catalogTab(), c.mode);
        EXPECT_EQ(path(r), c.path);
        EXPECT_EQ(r.tabId(), 2);
    }

    const struct
    {
        C::CatalogItemType type;
        QVariant id;
        const char* message;
    } refused[] = {
        {C::Category, 5, "Invalid type(0x87965428)(Category)"},
        {C::Letter, "a", "Invalid type(0x87965428)(Letter)"},
        {C::SRItemId, 1, "Invalid type(0x87965428)(SRItemId)"},
        {C::InvalidCatalogItemType, 1, "Invalid type(0x87965428)(InvalidCatalogItemType)"},
        // Book 78 is under no category.
        {C::Book, 78, "Book category not found!"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.message);
        UrlCreatorImpl r = request(UrlCreator::OpenBook, En, {{C::Book, 77}, {C::Section, "e-2"}}, C::Names);
        EXPECT_EQ(failure(r, [&c, this](UrlCreatorImpl& x) { x.createPath(*db, En, C::Categories, c.id, c.type); }),
                  QString::fromLatin1(c.message));
    }
}

TEST_F(BookAddressingTest, CategoryPathsFallBackToNames)
{
    UrlCreatorImpl inCategory;
    inCategory.tryCreateCategoryPath(*db, En, 77, C::Book);
    EXPECT_EQ(inCategory.catalogTab(), C::Categories);
    EXPECT_EQ(path(inCategory), "/Category-3/Category-5/Book-77");

    UrlCreatorImpl noCategory;
    noCategory.tryCreateCategoryPath(*db, En, 78, C::Book);
    EXPECT_EQ(noCategory.catalogTab(), C::Names);
    EXPECT_EQ(noCategory.queryType(), UrlCreator::OpenBookCover);
    EXPECT_EQ(path(noCategory), "/Letter-O/Book-78");

    UrlCreatorImpl hit;
    hit.tryCreateSectionResultPath(*db, En, QStringLiteral("x-1-2"), 14);
    EXPECT_EQ(hit.queryType(), UrlCreator::OpenBook);
    EXPECT_EQ(path(hit), "/Letter-O/Book-78/Section-x-1/Section-x-1-2/SRItemId-14");

    const QUuid favorite = QUuid::createUuid();
    UrlCreatorImpl mark;
    mark.tryCreateFavoriteItemPath(*db, Ru, QStringLiteral("r-2-13"), C::Section, favorite);
    EXPECT_EQ(path(mark), "/Category-3/Category-5/Book-77/Section-r-2/Section-r-2-13/FavoriteItemId-"
                              + favorite.toString(QUuid::WithoutBraces));
    QUuid read;
    mark.pathComponents(nullptr, nullptr, nullptr, nullptr, nullptr, &read);
    EXPECT_EQ(read, favorite);
}

TEST_F(BookAddressingTest, LinksToTheMakersWebSite)
{
    const QUrl site(QStringLiteral("https://tarnolix.invalid"));
    const struct
    {
        const char* url;
        C::Language language;
        const char* path;
    } accepted[] = {
        {"https://tarnolix.invalid/ru/books/dipa-samhita/glava-2.stikh-13", Ru,
         "/Book-dipa-samhita/Section-glava-2.stikh-13"},
        {"https://www.tarnolix.invalid/en/books/dipa-samhita", En, "/Book-dipa-samhita"},
        {"http://WWW.Tarnolix.Invalid/en/books/dipa-samhita/", En, "/Book-dipa-samhita"},
        {"https://tarnolix.invalid/ru/books/%D0%B3%D0%B8%D1%82%D0%B0", Ru, "/Book-гита"},
    };
    for (const auto& c : accepted) {
        SCOPED_TRACE(c.url);
        UrlCreatorImpl r = request(UrlCreator::OpenBook, En, {{C::Book, 1}}, C::Authors);
        ASSERT_TRUE(r.fromWebBookUrl(QUrl(QString::fromUtf8(c.url)), site));
        EXPECT_EQ(r.queryType(), UrlCreator::OpenBookSlug);
        EXPECT_EQ(r.language(), c.language);
        EXPECT_EQ(r.catalogTab(), C::Names);
        EXPECT_EQ(r.tabId(), 0);
        EXPECT_EQ(path(r), QString::fromUtf8(c.path));
    }
    UrlCreatorImpl slug;
    ASSERT_TRUE(slug.fromWebBookUrl(QUrl(QString::fromUtf8(accepted[0].url)), site));
    slug.processSlugMode(*db);
    EXPECT_EQ(path(slug), QString::fromUtf8("/Letter-Д/Book-77/Section-r-2/Section-r-2-13"));

    const char* refused[] = {
        "https://tarnolix.invalid/ru/books/",
        "https://tarnolix.invalid/ru/book/dipa-samhita",
        "https://tarnolix.invalid/xx/books/dipa-samhita",
        "https://tarnolix.invalid/books/dipa-samhita",
        "https://sub.tarnolix.invalid/ru/books/dipa-samhita",
        "https://tarnolix.invalid.example/ru/books/dipa-samhita",
        "https://example.invalid/ru/books/dipa-samhita",
        "tarnolix://openbook.ru/Book-5",
        "",
    };
    for (const char* url : refused) {
        SCOPED_TRACE(url);
        UrlCreatorImpl r = request(UrlCreator::OpenBook, En, {{C::Book, 1}}, C::Authors);
        const QString before = describe(r);
        EXPECT_FALSE(r.fromWebBookUrl(QUrl(QString::fromUtf8(url)), site));
        EXPECT_EQ(describe(r), before);
    }
}

TEST_F(BookAddressingTest, RedirectCarriesTheTabIdInsideOnly)
{
    UrlCreatorImpl target =
        request(UrlCreator::OpenBook, Ru, {{C::Book, 77}, {C::Section, QString::fromUtf8("r#2 &+%Ж")}}, C::Names);
    target.setTabId(4);
    const QUrl redirectUrl = target.createRedirectUrl();
    EXPECT_FALSE(QUrlQuery(redirectUrl).hasQueryItem(QStringLiteral("tabId")));
    EXPECT_EQ(redirectUrl.host(), "redirect.ru");

    const UrlCreatorImpl redirect = UrlCreatorImpl::fromUrl(redirectUrl);
    EXPECT_EQ(redirect.queryType(), UrlCreator::Redirect);
    EXPECT_EQ(redirect.language(), Ru);
    EXPECT_EQ(redirect.tabId(), 0);
    EXPECT_EQ(redirect.redirect(), target.toString());
    const UrlCreatorImpl inner = UrlCreatorImpl::fromString(redirect.redirect());
    EXPECT_EQ(inner.tabId(), 4);
    EXPECT_EQ(describe(inner), describe(target));
}

TEST_F(BookAddressingTest, GlossaryAddresses)
{
    // Category 2 "Terms" > 3 "Names"; glossary 4 in both, glossary 7 in 3 only.
    GlossaryTree tree;
    auto terms = std::make_shared<GlossaryCategory>();
    terms->id = 2;
    auto names = std::make_shared<GlossaryCategory>();
    names->id = 3;
    terms->addCategory(names);
    tree.addCategory(terms);
    auto glossary4 = std::make_shared<Glossary>();
    glossary4->id = 4;
    glossary4->searchName = QStringLiteral("bhakti");
    auto glossary4b = std::make_shared<Glossary>(*glossary4);
    glossary4b->parent.reset();
    auto glossary7 = std::make_shared<Glossary>();
    glossary7->id = 7;
    glossary7->searchName = QStringLiteral("yoga");
    terms->addGlossary(glossary4);
    names->addGlossary(glossary4b);
    names->addGlossary(glossary7);

    UrlCreatorImpl none;
    EXPECT_EQ(failure(none, [](UrlCreatorImpl& r) { r.createGlossaryPath(En, 7); }),
              "Glossary not found (id=7 tab=GlossariesNames)");

    services.glossaries = std::make_shared<GlossaryContainer>(tree);
    UrlCreatorImpl r;
    r.createGlossaryPath(En, 7);
    EXPECT_EQ(r.queryType(), UrlCreator::Glossary);
    EXPECT_EQ(r.catalogTab(), C::Glossaries);
    EXPECT_EQ(path(r), "/Category-2/Category-3/Glossary-7");
    EXPECT_EQ(r.findGlossaryByItemPath().first, glossary7);

    UrlCreatorImpl byLetter;
    byLetter.createPath(*db, En, C::GlossariesNames, 7, C::Glossary);
    EXPECT_EQ(path(byLetter), "/Letter-Y/Glossary-7");

    // The letter counts once an id was seen; the last category names the glossary's.
    UrlCreatorImpl withLetter = UrlCreatorImpl::fromString(
        QStringLiteral("tarnolix://glossary.en/Letter-z/Category-2/Category-3/Glossary-4/Letter-a"));
    const auto found = withLetter.findGlossaryByItemPath();
    EXPECT_EQ(found.first, glossary4b);
    EXPECT_EQ(found.second, QChar('a'));
    EXPECT_EQ(UrlCreatorImpl::fromString(QStringLiteral("tarnolix://glossary.en/Category-2/Glossary-4"))
                  .findGlossaryByItemPath()
                  .second,
              QChar());

    for (const char* url : {"tarnolix://glossary.en/Category-2/Glossary-7", "tarnolix://glossary.en/Glossary-4"}) {
        SCOPED_TRACE(url);
        try {
            UrlCreatorImpl::fromString(QString::fromLatin1(url)).findGlossaryByItemPath();
            ADD_FAILURE() << "found";
        } catch (const Exception& e) {
            EXPECT_EQ(e.message(), "Glossary not found!(0x54878852)");
        }
    }
}
