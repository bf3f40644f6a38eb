// The author page and the book cover page on a small library: what each
// block shows and when it is left out, the order of authors, the related
// publications with their hidden rows, names escaped, and the not-found
// answers of the scheme handler's work functions.

#include "core/Exception.h"
#include "database/DatabasePool.h"
#include "pages/HTMLCreator.h"
#include "pages/TarnolixSchemeHandler.h"
#include "pages/UrlCreatorImpl.h"
#include "tests/database/CatalogFixture.h"
#include "tests/pages/FakePageServices.h"
#include "tests/support/TestSupport.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

namespace tarnolix::test {
namespace {

using C = TarnolixConstants;

// Russian pages over this library:
// Persons 10 "Вьяса" (photo stored, description), 11 "Том & <Джерри>",
// 12..14 commentators, 20 with neither photo nor books, 21 with a photo
// reference whose image is not loaded.
// Book 1 "Главная" (work 5): authors 11 then 10, commentators 12..14,
// publisher 1, cover stored. Its work's other publications: 2 (ru, en),
// 3 (st only), 4 (ru), 5 (en), 6 (listed in ru, no edition: dropped).
// Book 7 "Малая": nothing but a Russian name. Person 10 also wrote 8 (st
// only) and commented 7.
class CatalogPages : public CatalogFixture
{
protected:
    void SetUp() override
    {
        CatalogFixture::SetUp();
        services.db = db;
        const QString file = path;
        pool = std::make_unique<DatabasePool>(std::this_thread::get_id(), [file] { return file; });
        setDatabasePool(pool.get());

        person(10, "Вьяса", "/p/10.jpg", "<p>Составитель <i>самхит</i></p>");
        db->insertPersonPhoto(10, 1, "jpeg", QStringLiteral("/p/10.jpg"));
        person(11, "Том & <Джерри>", "", "");
        person(12, "Шридхара", "", "");
        person(13, "Мадхва", "", "");
        person(14, "Рамануджа", "", "");
        person(20, "Безкнижный", "", "");
        person(21, "Безфото", "/p/21.jpg", "");
        db->execSql(QStringLiteral("INSERT INTO Publishers(id, name_ru, name_en) VALUES(1, 'Светоч & Ко', 'Svetoch')"));

        book(1, 5, "Dipa Samhita", "base.jpg", "ru;en");
        edition(C::Russian, 1, "Главная");
        db->execSql(QStringLiteral("UPDATE BookInfo2 SET annotation='<p>О <b>светильнике</b></p>', publisherId=1, "
                                   "publishingYear=2019, ISBN='978-5-0', pagesCount=320, bookCopies=1000 WHERE id=1"));
        db->insertBookCover(1, 1, "cover");
        link("BookBaseAuthors", "authorId", 1, 11);
        link("BookBaseAuthors", "authorId", 1, 10);
        for (int commentator : {12, 13, 14})
            link("BookBaseCommentators", "commentatorId", 1, commentator);

        book(2, 5, "Second", "", "ru;en");
        edition(C::Russian, 2, "Вторая");
        edition(C::English, 2, "Second");
        book(3, 5, "Third", "", "st");
        edition(C::Sanskrit, 3, "Tritiya");
        book(4, 5, "Fourth", "", "ru");
        edition(C::Russian, 4, "Четвёртая");
        book(5, 5, "Fifth", "", "en");
        edition(C::English, 5, "Fifth");
        book(6, 5, "Sixth", "", "ru");

        book(7, 0, "", "", "ru");
        db->execSql(QStringLiteral("INSERT INTO BookInfo2(id, name, shortName, shortNameLC) VALUES(7, 'Малая', 'Малая', 'малая')"));
        link("BookBaseCommentators", "commentatorId", 7, 10);

        book(8, 0, "Mula", "", "st");
        edition(C::Sanskrit, 8, "Mula");
        link("BookBaseAuthors", "authorId", 8, 10);
        link("BookBaseAuthors", "authorId", 2, 10);
    }

    void TearDown() override
    {
        setDatabasePool(nullptr);
        pool.reset();
        CatalogFixture::TearDown();
    }

    void person(int id, const char* name, const char* photo, const char* description)
    {
        db->execSql(QStringLiteral("INSERT INTO Persons(id, photo, spiritalName_ru, spiritalNameLC_ru, description_ru) "
                                   "VALUES(?, ?, ?, ?, ?)"),
                    QVariantList{id, QString::fromUtf8(photo), QString::fromUtf8(name), QString::fromUtf8(name).toLower(),
                                 QString::fromUtf8(description)});
    }
    void book(int id, int work, const char* baseName, const char* cover, const char* languages)
    {
        db->execSql(QStringLiteral("INSERT INTO BookBase(id, archiBookId, slug, name, cover, languages) "
                                   "VALUES(?, ?, ?, ?, ?, ?)"),
                    QVariantList{id, work, QStringLiteral("book-%1").arg(id), QString::fromUtf8(baseName),
                                 QString::fromUtf8(cover), QString::fromUtf8(languages)});
    }
    // An edition with no publication data but its name.
    void edition(C::Language language, int id, const char* name)
    {
        addBookInfo(language, id, QString::fromUtf8(name));
        db->execSql(QStringLiteral("UPDATE BookInfo%1 SET name=?, publishingYear=0 WHERE id=?").arg(language),
                    QVariantList{QString::fromUtf8(name), id});
    }

    static UrlCreatorImpl request(UrlCreator::QueryType kind, HierarchyItems items)
    {
        UrlCreatorImpl r;
        r.setQueryType(kind);
        r.setLanguage(C::Russian);
        r.setItemPathItems(std::move(items));
        return r;
    }
    static UrlCreatorImpl cover(int bookId) { return request(UrlCreator::OpenBookCover, {{C::Book, bookId}}); }
    static UrlCreatorImpl author(int personId) { return request(UrlCreator::OpenAuthor, {{C::Author, personId}}); }
    static QString kindUrl(UrlCreatorImpl r, UrlCreator::QueryType kind)
    {
        r.setQueryType(kind);
        return r.toString().toHtmlEscaped();
    }

    QString coverPage(int bookId) { return QString::fromUtf8(creator.getBookCoverPage(cover(bookId))); }
    QString authorPage(int personId) { return QString::fromUtf8(creator.getAuthorPage(author(personId))); }

    // The cells of the publication table, label and value, in order.
    static QStringList tableRows(const QString& page)
    {
        QStringList rows;
        static const QRegularExpression row(QStringLiteral("<tr><td>(.*?)</td><td>(.*?)</td></tr>"));
        for (auto it = row.globalMatch(page); it.hasNext();) {
            const auto match = it.next();
            rows << match.captured(1) + QLatin1Char('|') + match.captured(2);
        }
        return rows;
    }
    static int occurrences(const QString& page, const QString& what) { return page.count(what); }

    FakePageServices services;
    std::unique_ptr<DatabasePool> pool;
    HTMLCreator creator;
};

TEST_F(CatalogPages, CoverPageOfAFullBook)
{
    const QString page = coverPage(1);
    EXPECT_TRUE(page.startsWith(QStringLiteral("<!DOCTYPE html>")));
    EXPECT_TRUE(page.contains(QStringLiteral("src=\"/resource/web/js/coverbook.js\"")));
    EXPECT_TRUE(page.endsWith(QStringLiteral("</tbody></table></div></div></div>\n</div>\n</body>\n</html>\n")));

    // The top block: cover, names, the first author only (escaped), the
    // description as the library's markup, the read button.
    EXPECT_TRUE(page.contains(QStringLiteral("<div class=\"page cover-book\"><div class=\"cover-book-top\"><div>"
                                             "<img class=\"cover-book-image\" src=\"")
                              + kindUrl(cover(1), UrlCreator::GetBookCover) + QStringLiteral("\"></div><div>")));
    EXPECT_TRUE(page.contains(QStringLiteral("<h1 class=\"book-name\">Главная</h1>"
                                             "<div class=\"book-original-name\">Dipa Samhita</div>"
                                             "<div class=\"cover-book-author\">Том &amp; &lt;Джерри&gt;</div>"
                                             "<div class=\"book-description\"><p>О <b>светильнике</b></p></div>")));
    EXPECT_TRUE(page.contains(QStringLiteral("<a class=\"button cover-book-read-link\" href=\"")
                              + kindUrl(cover(1), UrlCreator::OpenBook) + QStringLiteral("\">Читать</a></div></div>")));

    // Related books: four publications with editions, the fourth hidden,
    // both buttons; the one without an edition is dropped.
    EXPECT_TRUE(page.contains(QStringLiteral("Связанные книги&nbsp;<span class=\"gray-text-color "
                                             "cover-book-section-title-ex-info\">(4)</span>")));
    EXPECT_EQ(occurrences(page, QStringLiteral("<div class=\"flex cover-book-book-item\">")), 3);
    EXPECT_EQ(occurrences(page, QStringLiteral("<div class=\"flex cover-book-book-item hide\">")), 1);
    EXPECT_TRUE(page.contains(QStringLiteral("onclick=\"coverBookExpandBooks()\">Смотреть весь список</button>")));
    EXPECT_TRUE(page.contains(QStringLiteral("class=\"link hide\" onclick=\"coverBookCollapseBooks()\">Свернуть")));
    EXPECT_FALSE(page.contains(QStringLiteral("Sixth")));
    // A group is named by its edition in the page's language, else by the
    // publication; its links follow the publication's languages, separated.
    UrlCreatorImpl secondRu;
    secondRu.tryCreateCategoryPath(*db, C::Russian, 2, C::Book);
    UrlCreatorImpl secondEn;
    secondEn.tryCreateCategoryPath(*db, C::English, 2, C::Book);
    EXPECT_TRUE(page.contains(QStringLiteral("Вторая&nbsp;—&nbsp;<div><a href=\"") + secondRu.toString().toHtmlEscaped()
                              + QStringLiteral("\">рус</a></div><div><span>&nbsp;|&nbsp;</span><a href=\"")
                              + secondEn.toString().toHtmlEscaped() + QStringLiteral("\">eng</a></div></div>")));
    EXPECT_TRUE(page.contains(QStringLiteral("Third&nbsp;—&nbsp;<div><a href=\"")));
    EXPECT_TRUE(page.contains(QStringLiteral("\">san</a></div></div>")));
    EXPECT_EQ(secondRu.queryType(), UrlCreator::OpenBookCover);

    const QStringList expected = {
        QStringLiteral("Название:|Главная"),
        QStringLiteral("Оригинальное название:|Dipa Samhita"),
        QStringLiteral("Авторы:|Том &amp; &lt;Джерри&gt; Вьяса "),
        QStringLiteral("Комментаторы:|Шридхара Мадхва Рамануджа "),
        QStringLiteral("Язык перевода:|Русский"),
        QStringLiteral("Издательство:|Светоч &amp; Ко"),
        QStringLiteral("Год издания:|2019"),
        QStringLiteral("ISBN:|978-5-0"),
        QStringLiteral("Количество страниц:|320"),
        QStringLiteral("Тираж:|1000"),
    };
    QStringList rows = tableRows(page);
    // Commentators come in the library's order: compare them as a set.
    ASSERT_EQ(rows.size(), expected.size()) << rows.join('\n').toStdString();
    for (int i = 0; i < rows.size(); ++i) {
        if (i == 3) {
            QStringList names = rows[i].section('|', 1).split(' ', Qt::SkipEmptyParts);
            names.sort();
            EXPECT_EQ(names, QStringList({"Мадхва", "Рамануджа", "Шридхара"}));
            EXPECT_TRUE(rows[i].startsWith(QStringLiteral("Комментаторы:|")) && rows[i].endsWith(' '));
        } else {
            EXPECT_EQ(rows[i], expected[i]);
        }
    }
}

TEST_F(CatalogPages, CoverPageLeavesOutWhatTheBookLacks)
{
    struct Case
    {
        const char* what;
        std::function<void()> change;
        QString present;
        QString absent;
    };
    const Case cases[] = {
        {"no cover: an empty first column", [] {},
         QStringLiteral("<div class=\"cover-book-top\"><div></div><div><h1 class=\"book-name\">Малая</h1>"
                        "<div class=\"book-original-name\"></div><div class=\"book-description\"></div>"),
         QStringLiteral("<img")},
        {"a cover reference whose image is not loaded yet shows no image",
         [this] { db->execSql(QStringLiteral("UPDATE BookInfo2 SET cover='c.jpg' WHERE id=7")); },
         QStringLiteral("<div class=\"cover-book-top\"><div></div>"), QStringLiteral("<img")},
        {"the only publication of its work has no related books", [] {}, QStringLiteral("Выходные данные"),
         QStringLiteral("Связанные книги")},
        {"no authors: no author line", [] {}, QString(), QStringLiteral("cover-book-author")},
        {"three related books: no buttons",
         [this] {
             db->execSql(QStringLiteral("UPDATE BookBase SET archiBookId=9 WHERE id IN (7, 2, 3, 4)"));
         },
         QStringLiteral("(3)</span>"), QStringLiteral("<button")},
    };
    for (const Case& c : cases) {
        c.change();
        const QString page = coverPage(7);
        if (!c.present.isEmpty()) {
            EXPECT_TRUE(page.contains(c.present)) << c.what << "\n" << page.toStdString();
        }
        EXPECT_FALSE(page.contains(c.absent)) << c.what;
    }
    // Zero year, pages and print run and no publisher make no rows; the
    // language of the edition is always there; one commentator is named in
    // the singular.
    EXPECT_EQ(tableRows(coverPage(7)), QStringList({QStringLiteral("Название:|Малая"), QStringLiteral("Комментатор:|Вьяса "),
                                                    QStringLiteral("Язык перевода:|Русский")}));
    link("BookBaseAuthors", "authorId", 7, 12);
    link("BookBaseCommentators", "commentatorId", 7, 13);
    const QStringList rows = tableRows(coverPage(7));
    ASSERT_EQ(rows.size(), 4) << rows.join('\n').toStdString();
    EXPECT_EQ(rows[1], QStringLiteral("Автор:|Шридхара "));
    EXPECT_TRUE(rows[2].startsWith(QStringLiteral("Комментаторы:|"))) << rows[2].toStdString();
}

TEST_F(CatalogPages, CoverPageRefusesOtherRequestsAndMissingBooks)
{
    const std::pair<const char*, UrlCreatorImpl> invalid[] = {
        {"another kind", request(UrlCreator::OpenBook, {{C::Book, 1}})},
        {"an empty path", request(UrlCreator::OpenBookCover, {})},
        {"a path that ends in a section", request(UrlCreator::OpenBookCover, {{C::Book, 1}, {C::Section, "a"}})},
    };
    for (const auto& [what, r] : invalid) {
        try {
            creator.getBookCoverPage(r);
            ADD_FAILURE() << what;
        } catch (const std::invalid_argument& e) {
            EXPECT_STREQ(e.what(), "Invalid arguments(0x08963458)") << what;
        }
    }
    EXPECT_THROW(creator.getBookCoverPage(cover(99)), DBNotFound);
    // An edition that is not in the library (book 3 has no Russian one).
    EXPECT_THROW(creator.getBookCoverPage(cover(3)), DBNotFound);
}

TEST_F(CatalogPages, AuthorPageWithPhotoCountsAndBothLists)
{
    const QString page = authorPage(10);
    EXPECT_FALSE(page.contains(QStringLiteral("<script")));
    EXPECT_TRUE(page.contains(QStringLiteral("<div id=\"content\">\n<div class=\"page author\"><div class=\"author-top\">"
                                             "<div><img class=\"author-image\" src=\"")
                              + kindUrl(author(10), UrlCreator::GetPersonPhoto)
                              + QStringLiteral("\"></div><div><h1 class=\"author-name\">Вьяса</h1>")));
    // Wrote 1 (ru), 2 (ru, en), 8 (st); commented 7 (ru): five editions.
    EXPECT_TRUE(page.contains(QStringLiteral(
        "<div class=\"author-statistics\">"
        "<div class=\"author-statistics-one\">Книги: <b>5</b></div>"
        "<div class=\"author-statistics-one\">На английском: <b>1</b></div>"
        "<div class=\"author-statistics-one\">На русском: <b>3</b></div>"
        "<div class=\"author-statistics-one\">На санскрите: <b>1</b></div></div>"
        "<div class=\"author-description\"><p>Составитель <i>самхит</i></p></div></div></div>")))
        << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("<div class=\"author-section\"><h2 class=\"author-section-title\">Книги "
                                             "<span class=\"author-section-title-note\">(3)</span></h2><div><div>")));
    EXPECT_TRUE(page.contains(QStringLiteral("<h2 class=\"author-section-title\">Комментарии "
                                             "<span class=\"author-section-title-note\">(1)</span>")));
    // A book only in Sanskrit: one link "san" under its Sanskrit name.
    UrlCreatorImpl mula;
    mula.tryCreateCategoryPath(*db, C::Sanskrit, 8, C::Book);
    EXPECT_TRUE(page.contains(QStringLiteral("<div class=\"flex\">Mula&nbsp;—&nbsp;<div><a href=\"")
                              + mula.toString().toHtmlEscaped() + QStringLiteral("\">san</a></div></div>")));
    // Two editions: the second link after the separator, the name in the page's language.
    EXPECT_TRUE(page.contains(QStringLiteral("<div class=\"flex\">Вторая&nbsp;—&nbsp;<div><a href=\"")));
    EXPECT_EQ(occurrences(page, QStringLiteral("<span>&nbsp;|&nbsp;</span>")), 1);
    EXPECT_TRUE(page.endsWith(QStringLiteral("</div></div></div></div></div>\n</div>\n</body>\n</html>\n")));
}

TEST_F(CatalogPages, AuthorPageOfAPersonWithoutPhotoOrBooks)
{
    for (const int id : {20, 21}) {
        const QString page = authorPage(id);
        EXPECT_FALSE(page.contains(QStringLiteral("<img"))) << id;
        EXPECT_TRUE(page.contains(QStringLiteral("<div class=\"author-statistics\"><div class=\"author-statistics-one\">"
                                                 "Книги: <b>0</b></div></div>")))
            << id;
        EXPECT_FALSE(page.contains(QStringLiteral("author-section"))) << id;
    }
    EXPECT_THROW(creator.getAuthorPage(author(99)), DBNotFound);
    // A name from the library is text, not markup.
    EXPECT_TRUE(authorPage(11).contains(QStringLiteral("<h1 class=\"author-name\">Том &amp; &lt;Джерри&gt;</h1>")));
}

TEST_F(CatalogPages, SchemeHandlerWorkFunctionsAnswerPagesAndNameWhatWasNotFound)
{
    const auto [coverType, coverBytes] = TarnolixSchemeHandler::openBookCover(creator, cover(1));
    EXPECT_EQ(coverType, "text/html");
    EXPECT_EQ(coverBytes, creator.getBookCoverPage(cover(1)));
    const auto [authorType, authorBytes] = TarnolixSchemeHandler::getAuthorPage(creator, author(10));
    EXPECT_EQ(authorType, "text/html");
    EXPECT_EQ(authorBytes, creator.getAuthorPage(author(10)));

    const auto messageOf = [](const std::function<void()>& job) {
        try {
            job();
        } catch (const DBNotFound&) {
            return QStringLiteral("(DBNotFound passed through)");
        } catch (const Exception& e) {
            return e.message();
        }
        return QStringLiteral("(nothing thrown)");
    };
    EXPECT_EQ(messageOf([&] { TarnolixSchemeHandler::openBookCover(creator, cover(99)); }),
              QStringLiteral("openBookCover: Not found: ") + QString::fromUtf8(TarnolixDB::kBookBaseNotFound));
    EXPECT_TRUE(messageOf([&] { TarnolixSchemeHandler::getAuthorPage(creator, author(99)); })
                    .startsWith(QStringLiteral("getAuthorPage: Not found: ")));
    // Not a not-found: passed on as it is.
    EXPECT_THROW(TarnolixSchemeHandler::openBookCover(creator, request(UrlCreator::OpenBookCover, {})),
                 std::invalid_argument);
}

} // namespace
} // namespace tarnolix::test
