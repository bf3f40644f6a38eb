// The priority blocks of the results page: author, book-name and short-name
// matches, as the page scripts and style sheets expect them.
#include "pages/HTMLCreator.h"
#include "pages/OtherLanguageBookUrls.h"
#include "pages/UrlCreatorImpl.h"
#include "search/searchers/FTSearchRecords.h"
#include "searchpages/SRPage.h"
#include "tabs/PageSearchData.h"
#include "tests/models/CatalogLibrary.h"

#include <gtest/gtest.h>

using namespace tarnolix;
using C = TarnolixConstants;

namespace {

constexpr quint32 kTab = 5;

class MatchBlocksTest : public test::CatalogLibrary
{
protected:
    UrlCreatorImpl bookAddress(int bookId)
    {
        UrlCreatorImpl address;
        address.tryCreateCategoryPath(*db, kRu, bookId, C::Book);
        return address;
    }
    QString href(int bookId)
    {
        UrlCreatorImpl address = bookAddress(bookId);
        address.setTabId(int(kTab));
        return address.toString().toHtmlEscaped();
    }
    MatchedEdition edition(int bookId, C::Language language, const QString& name)
    {
        MatchedEdition edition;
        edition.language = language;
        edition.info = std::make_shared<BookInfo>();
        edition.info->bookId = bookId;
        edition.info->language = language;
        edition.info->name = name;
        edition.address = bookAddress(bookId);
        return edition;
    }
    // An author of `books` books; the first has a Russian and an English
    // edition, the others a Russian one.
    std::shared_ptr<AuthorMatch> author(int books)
    {
        auto match = std::make_shared<AuthorMatch>();
        match->person = std::make_shared<Person>();
        match->person->id = 1;
        match->person->spiritualName[kRu] = QStringLiteral("Вьяса <&>");
        match->address.tryCreateCategoryPath(*db, kRu, 1, C::Author);
        for (int i = 0; i < books; ++i) {
            auto book = std::make_shared<AuthorMatch::Book>();
            book->bookId = 101 + i;
            book->editions.push_back(edition(101 + i, kRu, QStringLiteral("Книга %1").arg(i + 1)));
            if (i == 0)
                book->editions.push_back(edition(101, C::English, QStringLiteral("Book 1")));
            match->books.push_back(book);
        }
        return match;
    }
    QString authorBlock(int books)
    {
        AuthorMatchElement element;
        element.tabId = kTab;
        element.language = kRu;
        element.match = author(books);
        return creator.getAuthorMatchBlock(element, kTab);
    }

    HTMLCreator creator;
};

TEST_F(MatchBlocksTest, AnAuthorBlockListsThreeBooksAndHidesTheRestBehindButtons)
{
    const QString three = authorBlock(3);
    UrlCreatorImpl person;
    person.tryCreateCategoryPath(*db, kRu, 1, C::Author);
    person.setTabId(int(kTab));
    const QString expected =
        QStringLiteral("<div class=\"priority-author priority-results\" id=\"authorMatch1\"><div class=\"match-title\">"
                       "<a href=\"") +
        person.toString().toHtmlEscaped() +
        QStringLiteral("\">Вьяса &lt;&amp;&gt;</a></div><div class=\"author-stats\"><div class=\"author-stat\">Книги: "
                       "<b>4</b></div><div class=\"author-stat\">На английском: <b>1</b></div><div "
                       "class=\"author-stat\">На русском: <b>3</b></div></div><div class=\"author-books\"><div><div>"
                       "<div class=\"flex author-book-item\">Книга 1&nbsp;—&nbsp;<div><a href=\"") +
        href(101) + QStringLiteral("\">eng</a></div><div><span>&nbsp;|&nbsp;</span><a href=\"") + href(101) +
        QStringLiteral("\">рус</a></div></div><div class=\"flex author-book-item\">Книга 2&nbsp;—&nbsp;<div><a "
                       "href=\"") +
        href(102) +
        QStringLiteral("\">рус</a></div></div><div class=\"flex author-book-item\">Книга 3&nbsp;—&nbsp;<div><a "
                       "href=\"") +
        href(103) + QStringLiteral("\">рус</a></div></div></div></div></div></div>");
    EXPECT_EQ(three, expected);

    const QString four = authorBlock(4);
    EXPECT_TRUE(four.contains(QStringLiteral("<div class=\"flex author-book-item hide\">Книга 4")));
    EXPECT_EQ(four.count(QStringLiteral(" hide\"")), 2); // the fourth book and the collapse button
    EXPECT_TRUE(four.contains(
        QStringLiteral("<div><div><button type=\"button\" data-button-type=\"expand\" class=\"link\" "
                       "onclick=\"authorMatchExpandBooks('authorMatch1')\">Смотреть весь список</button></div>"
                       "<div><button type=\"button\" data-button-type=\"collapse\" class=\"link hide\" "
                       "onclick=\"authorMatchCollapseBooks('authorMatch1')\">Свернуть</button></div></div>")));
}

TEST_F(MatchBlocksTest, ABookBlockShowsLinksOnlyWhenThereAreAny)
{
    BookNameMatchElement element;
    element.match = std::make_shared<BookNameMatch>();
    BookNameMatch& match = *element.match;
    match.book = std::make_shared<BookBase>();
    match.book->id = 101;
    match.information = edition(101, kRu, QStringLiteral("Гита <b> & Co")).info;
    match.address = bookAddress(101);
    for (const char16_t* name : {u"Вьяса", u"<Нарада>"}) {
        auto person = std::make_shared<Person>();
        person->spiritualName[kRu] = QString::fromUtf16(name);
        match.authors.push_back(person);
    }

    const QString bare = creator.getBookNameMatchBlock(element, kTab);
    EXPECT_EQ(bare, QStringLiteral("<div id=\"bookNameMatch101\" class=\"priority-results\"><div class=\"match-title\">"
                                   "<a href=\"") +
                        href(101) +
                        QStringLiteral("\">Гита &lt;b&gt; &amp; Co</a></div><div class=\"author\">Вьяса, &lt;Нарада&gt;"
                                       "</div></div>"));

    match.languages = {edition(101, C::English, {}), edition(101, kRu, {})};
    const QString editions = creator.getBookNameMatchBlock(element, kTab);
    EXPECT_EQ(editions.count(QStringLiteral("<div class=\"book-info-item\"><svg width=\"16\" height=\"16\"")), 2);
    EXPECT_TRUE(editions.contains(QStringLiteral("class=\"book-info-link\">На английском</a>")));
    EXPECT_TRUE(editions.contains(QStringLiteral("class=\"book-info-link\">На русском</a>")));
    EXPECT_FALSE(editions.contains(QStringLiteral("Связи:")));

    match.otherPublications = 2;
    EXPECT_TRUE(creator.getBookNameMatchBlock(element, kTab)
                    .contains(QStringLiteral("</svg>Связи:&nbsp;<b>2</b></div></div></div>")));
}

TEST_F(MatchBlocksTest, AShortNameBlockSwitchesLanguagesOnlyWithMoreThanOne)
{
    const auto part = [](const QString& original, const QString& translation) {
        auto part = std::make_shared<BookPart>();
        part->entities = {
            std::make_shared<BookEntity>(quint8(3), QMap<QString, QString>{}, QStringList{original}),
            std::make_shared<BookEntity>(quint8(5), QMap<QString, QString>{}, QStringList{translation}),
        };
        return part;
    };
    ShortNameMatch match;
    match.book = std::make_shared<BookBase>();
    match.book->id = 101;
    match.information = edition(101, kRu, QStringLiteral("Гита")).info;
    match.section = std::make_shared<BookSection>();
    match.section->code = QStringLiteral("101.1'\"<");
    match.section->title = QStringLiteral("Текст <i>1</i>");
    match.part = part(QStringLiteral("<div class=\"v\">стих</div><br>вторая"), QStringLiteral("<p>перевод</p>"));
    match.address = bookAddress(101);

    const QString id = QStringLiteral("shortNameMatch") + QString::fromLatin1(match.section->code.toUtf8().toHex());
    const QString one = creator.getShortNameMatch(match, kTab);
    EXPECT_EQ(one, QStringLiteral("<div class=\"search-priority-book-section priority-results\" id=\"") + id +
                       QStringLiteral("\"><div class=\"match-title\"><a href=\"") + href(101) +
                       QStringLiteral("\">Текст <i>1</i></a></div><div class=\"short-name-match-content\">"
                                      "<div class=\"short-name-match-content-inner\" data-language=\"ru\">"
                                      "<div class=\"short-name-match-content-left\">стих<br>вторая</div>"
                                      "<div class=\"short-name-match-content-right\">перевод</div></div></div></div>"));

    match.counterparts.push_back({C::English, nullptr, part(QStringLiteral("verse"), QStringLiteral("translation"))});
    match.counterparts.push_back({C::Sanskrit, nullptr, part(QStringLiteral("śloka"), QString())});
    auto archive = std::make_shared<ArchiBookInfo>();
    const auto otherEdition = [&](int bookId, C::Language language, const QString& name) {
        ArchiBookEdition edition;
        edition.language = language;
        auto info = std::make_shared<BookInfo>();
        info->bookId = bookId;
        info->name = name;
        edition.book = info;
        auto base = std::make_shared<BookBase>();
        base->id = bookId;
        edition.bookBase = base;
        edition.request = bookAddress(bookId);
        return edition;
    };
    archive->editions = {otherEdition(102, kRu, QStringLiteral("Другая <книга>")), otherEdition(101, kRu, {}),
                         otherEdition(102, C::English, QStringLiteral("Other"))};
    match.archiPages = archive;

    const QString three = creator.getShortNameMatch(match, kTab);
    EXPECT_TRUE(three.contains(QStringLiteral("<div class=\"short-name-match-content-inner\" data-language=\"ru\">")));
    EXPECT_TRUE(three.contains(QStringLiteral("<div class=\"short-name-match-content-inner hide\" data-language=\"en\">")));
    EXPECT_TRUE(three.contains(QStringLiteral("<div class=\"short-name-match-content-inner hide\" data-language=\"st\">")));
    // Each entry shows the label of the language after it; Sanskrit has none.
    EXPECT_TRUE(three.contains(
        QStringLiteral("data-current-index=\"0\" onclick=\"var array = [ { text: 'Показать на английском языке', "
                       "language: 'ru' }, { text: '', language: 'en' }, { text: 'Показать на русском языке', "
                       "language: 'st' } ];\nshortNameMatchAnyLangClicked(array, this, '") +
        id + QStringLiteral("');\">Показать на английском языке</button></div>")))
        << three.toStdString();
    EXPECT_TRUE(three.contains(
        QStringLiteral("<b>Этот стих в других книгах</b>&nbsp;<span class=\"gray-text-color\">(1)</span></div>"
                       "<div><div><div class=\"flex\">Другая &lt;книга&gt;&nbsp;—&nbsp;<div><a href=\"") +
        href(102) + QStringLiteral("\">eng</a> | <a href=\"") + href(102) +
        QStringLiteral("\">рус</a></div></div></div></div></div></div>")))
        << three.toStdString();
}

TEST_F(MatchBlocksTest, CopyingSearchDataKeepsTheShownPageAsTheCopysSavedPage)
{
    FTSearchData source(nullptr);
    ASSERT_NE(source.searchPageState(), nullptr);
    const auto page = std::make_shared<SRPage>(std::make_shared<HTMLCreator>(), kTab, nullptr);
    source.searchPageState()->page = page;
    source.searchPageState()->focusElementId = QStringLiteral("3");
    std::unique_ptr<PageSearchData> copy(source.clone(nullptr, nullptr));
    const auto& state = *static_cast<FTSearchData&>(*copy).searchPageState();
    EXPECT_EQ(state.page, nullptr);
    EXPECT_EQ(state.savedPage, page);
    EXPECT_EQ(state.focusElementId, QStringLiteral("3"));
    EXPECT_EQ(source.searchPageState()->page, page);
}

} // namespace
