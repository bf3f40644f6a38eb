// The HTML of one book section: its element, titles, paragraph classes,
// verse-part labels, comment authors from the library, and the reader's
// favorites as buttons and spans.

#include "core/Exception.h"
#include "database/DatabasePool.h"
#include "pages/HTMLCreator.h"
#include "pages/SectionFavorites.h"
#include "tests/database/CatalogFixture.h"
#include "tests/support/MessageLog.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <map>
#include <thread>

namespace tarnolix::test {
namespace {

using C = TarnolixConstants;

std::shared_ptr<BookEntity> paragraph(int kind, const QString& text, const QMap<QString, QString>& attributes = {})
{
    return std::make_shared<BookEntity>(quint8(kind), attributes, QStringList{text});
}

std::shared_ptr<BookInfo> book(C::Language language, const QString& name = QStringLiteral("Дипа-самхита"))
{
    auto info = std::make_shared<BookInfo>();
    info->bookId = 101;
    info->language = language;
    info->name = name;
    return info;
}

BookSectionItem section(const QString& code, quint64 index, const QString& title,
                        std::vector<std::shared_ptr<BookEntity>> paragraphs = {})
{
    auto record = std::make_shared<BookSection>();
    record->code = code;
    record->title = title;
    auto part = std::make_shared<BookPart>();
    part->sectionCode = code;
    part->entities = std::move(paragraphs);
    return {record, part, index};
}

std::shared_ptr<const Favorite> favorite(const char* uuid, std::optional<quint64> startSection, int startOffset,
                                         std::optional<quint64> endSection, int endOffset)
{
    auto f = std::make_shared<Favorite>();
    f->setUuid(QUuid::fromString(QLatin1String(uuid)));
    f->startSelectedPosition().setSectionIndex(startSection);
    f->startSelectedPosition().setOffset(startOffset);
    f->endSelectedPosition().setSectionIndex(endSection);
    f->endSelectedPosition().setOffset(endOffset);
    return f;
}

// Favorites listed per section as the test says, with the coverage rule of
// the favorites logic.
class FakeFavorites : public SectionFavorites
{
public:
    FavoriteConstArray sectionFavorites(quint64 sectionIndex) override
    {
        const auto it = listed.find(sectionIndex);
        if (it == listed.end())
            return {};
        rendered += int(it->second.size());
        return it->second;
    }
    int sectionCoverage(const Favorite& favorite, quint64 sectionIndex) const override
    {
        const auto& first = favorite.startSelectedPosition().sectionIndex();
        const auto& last = favorite.endSelectedPosition().sectionIndex();
        if (!first || !last || sectionIndex < *first || sectionIndex > *last)
            return 0;
        return sectionIndex == *first || sectionIndex == *last ? 2 : 1;
    }
    void resetRenderedCount() override { rendered = 0; }
    int renderedCount() const override { return rendered; }

    std::map<quint64, FavoriteConstArray> listed;
    int rendered = 0;
};

// The first group of every match of `pattern` in `text`.
QStringList captures(const QString& text, const QString& pattern)
{
    QStringList found;
    QRegularExpressionMatchIterator it = QRegularExpression(pattern).globalMatch(text);
    while (it.hasNext())
        found << it.next().captured(1);
    return found;
}

const char kUuidA[] = "11111111-1111-4111-8111-111111111111";
const char kUuidB[] = "22222222-2222-4222-8222-222222222222";
const char kUuidC[] = "33333333-3333-4333-8333-333333333333";

QString button(const char* uuid)
{
    return QStringLiteral("<button type=\"button\" class=\"favorite-button\" favorite-span-id=\"favorite_%1_span_1\" "
                          "onclick=\"g_tabWebChannel.favoriteMessageButtonClicked('%1')\"><img "
                          "src=\"/resource/web/images/favorite_message.svg\" width=\"16\" height=\"16\"></button>")
        .arg(QLatin1String(uuid));
}

QString firstSpan(const char* uuid)
{
    return QStringLiteral("<span id=\"favorite_%1_span_1\" class=\"favorite\">").arg(QLatin1String(uuid));
}

const QString kSpan = QStringLiteral("<span class=\"favorite\">");

class BookSectionHtml : public CatalogFixture
{
protected:
    void SetUp() override
    {
        CatalogFixture::SetUp();
        const QString file = path;
        pool = std::make_unique<DatabasePool>(std::this_thread::get_id(), [file] { return file; });
        setDatabasePool(pool.get());
        db->execSql(QStringLiteral("INSERT INTO Persons(id, slug, spiritalName_ru, spiritalNameLC_ru, "
                                   "spiritalName_en, spiritalNameLC_en) VALUES(3, 'gopala-charana', "
                                   "'Гопала <Чарана>', 'гопала чарана', 'Gopala Charana', 'gopala charana')"));
    }

    void TearDown() override
    {
        setDatabasePool(nullptr);
        pool.reset();
        CatalogFixture::TearDown();
    }

    QString html(C::Language language, const BookSectionItem& item, SectionFavorites* favorites = nullptr)
    {
        return creator.getBookSections(book(language), item, favorites);
    }

    HTMLCreator creator;
    std::unique_ptr<DatabasePool> pool;
};

TEST_F(BookSectionHtml, FirstSectionWithEveryPart)
{
    const BookSectionItem first =
        section(QStringLiteral("r-1"), 0, QStringLiteral("Глава <i>1</i>"),
                {paragraph(1, QStringLiteral("просто")), paragraph(9, QStringLiteral("ом")),
                 paragraph(4, QStringLiteral("<b>слово</b> — значение")),
                 paragraph(7, QStringLiteral("комментарий"), {{QStringLiteral("author-id"), QStringLiteral("gopala-charana")}})});
    EXPECT_EQ(html(C::Russian, first),
              "<div id=\"r-1\" class=\"book-page\" data-section-index=\"0\">"
              "<h1 class=\"book-title\">Дипа-самхита</h1><h1 class=\"book-page-title\">Глава <i>1</i></h1>"
              "<div>"
              "<div class=\"paragraph \"><div>просто</div></div>"
              "<div class=\"paragraph paragraph--type-sanskrit\"><div>ом</div></div>"
              "<div class=\"paragraph paragraph--type-word-by-word\"><div class=\"note\">Пословный перевод:</div>"
              "<div><b>слово</b> — значение</div></div>"
              "<div class=\"paragraph paragraph--type-comment-plus\"><div class=\"note\">Комментарий. Автор "
              "<a href=\"tarnolix://openauthor.ru/Letter-Г/Author-3?catalogTab=Authors\">Гопала &lt;Чарана&gt;:</a>"
              "</div><div>комментарий</div></div>"
              "</div></div>");

    // A later section has no book title; one without paragraphs no wrapper.
    EXPECT_EQ(html(C::Russian, section(QStringLiteral("r-2"), 1, QStringLiteral("Глава 2"))),
              "<div id=\"r-2\" class=\"book-page\" data-section-index=\"1\">"
              "<h1 class=\"book-page-title\">Глава 2</h1></div>");
    BookSectionItem noText = section(QStringLiteral("r-3"), 2, QStringLiteral("Глава 3"));
    noText.part.reset();
    EXPECT_EQ(html(C::Russian, noText),
              "<div id=\"r-3\" class=\"book-page\" data-section-index=\"2\"><h1 class=\"book-page-title\">Глава 3</h1></div>");
}

TEST_F(BookSectionHtml, KindClassesAndLabelsByBookLanguage)
{
    std::vector<std::shared_ptr<BookEntity>> paragraphs;
    for (int kind : {1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 0})
        paragraphs.push_back(paragraph(kind, QString::number(kind)));
    const BookSectionItem item = section(QStringLiteral("s"), 4, QStringLiteral("t"), paragraphs);

    const QStringList classes = {"paragraph ",
                                 "paragraph paragraph--type-sanskrit",
                                 "paragraph paragraph--type-diacritic",
                                 "paragraph paragraph--type-word-by-word",
                                 "paragraph paragraph--type-literary",
                                 "paragraph paragraph--type-comment",
                                 "paragraph paragraph--type-text",
                                 "paragraph paragraph--type-sanskrit",
                                 "paragraph paragraph--type-quote-sanskrit-translate",
                                 "paragraph ",
                                 "paragraph "};
    const QStringList english = {"Word-by-word translation:", "Translation:", "Commentary:"};
    const QStringList russian = {"Пословный перевод:", "Перевод:", "Комментарий:"};
    const std::pair<C::Language, QStringList> cases[] = {
        {C::Russian, russian}, {C::English, english}, {C::Sanskrit, english}};
    for (const auto& [language, labels] : cases) {
        MessageLog log;
        const QString out = html(language, item);
        EXPECT_EQ(captures(out, QStringLiteral("<div class=\"(paragraph[^\"]*)\">")), classes) << language;
        EXPECT_EQ(captures(out, QStringLiteral("<div class=\"note\">([^<]*)</div>")), labels) << language;
        // Codes 11 and 0 are unknown: a warning each, no class.
        EXPECT_EQ(log.texts(QtWarningMsg).count(QStringLiteral("getBookSection: Unknown type")), 2) << language;
    }
}

TEST_F(BookSectionHtml, CommentAuthors)
{
    struct Case
    {
        const char* what;
        C::Language language;
        QString slug;
        QString label;
        bool warned;
    };
    const QString ruLink = QStringLiteral("Комментарий. Автор <a href=\"tarnolix://openauthor.ru/Letter-Г/Author-3?"
                                          "catalogTab=Authors\">Гопала &lt;Чарана&gt;:</a>");
    const Case cases[] = {
        {"by slug", C::Russian, QStringLiteral("gopala-charana"), ruLink, false},
        {"by the alias of the slug", C::Russian, QLatin1String(HTMLCreator::kCommentAuthorSlug), ruLink, false},
        {"in English", C::English, QStringLiteral("gopala-charana"),
         QStringLiteral("Commentary by <a href=\"tarnolix://openauthor.en/Letter-G/Author-3?catalogTab=Authors\">"
                        "Gopala Charana:</a>"),
         false},
        {"missing", C::Russian, QStringLiteral("nobody"), QStringLiteral("Комментарий:"), true},
        {"no alias for other slugs", C::English, QStringLiteral("gopala"), QStringLiteral("Commentary:"), true},
        {"no attribute", C::English, QString(), QStringLiteral("Commentary:"), true},
    };
    for (const Case& c : cases) {
        MessageLog log;
        QMap<QString, QString> attributes;
        if (!c.slug.isNull())
            attributes.insert(QStringLiteral("author-id"), c.slug);
        const QString out =
            html(c.language, section(QStringLiteral("c-1"), 3, QStringLiteral("t"), {paragraph(7, QStringLiteral("x"), attributes)}));
        EXPECT_TRUE(out.contains(QStringLiteral("<div class=\"note\">") + c.label + QStringLiteral("</div><div>x</div>")))
            << c.what << ": " << out.toStdString();
        EXPECT_EQ(log.contains(QtWarningMsg, QStringLiteral("getBookSection: Commentary author unavailable: book=101 "
                                                            "section=c-1 slug=") + c.slug),
                  c.warned)
            << c.what;
    }
}

TEST_F(BookSectionHtml, LibraryTextInAttributesAndTheBookNameIsEscaped)
{
    const QString out = creator.getBookSections(book(C::English, QStringLiteral("Fire & <Wind>")),
                                                section(QStringLiteral("a\"b<c"), 0, QStringLiteral("<em>T</em>")),
                                                nullptr);
    EXPECT_EQ(out, "<div id=\"a&quot;b&lt;c\" class=\"book-page\" data-section-index=\"0\">"
                   "<h1 class=\"book-title\">Fire &amp; &lt;Wind&gt;</h1><h1 class=\"book-page-title\"><em>T</em></h1></div>");
}

TEST_F(BookSectionHtml, AnItemWithoutItsSectionRecordFails)
{
    BookSectionItem item = section(QStringLiteral("x"), 0, QStringLiteral("t"));
    item.section.reset();
    try {
        html(C::English, item);
        FAIL() << "nothing thrown";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "ERROR 0x52349785");
    }
}

// ---- Favorites ----

TEST_F(BookSectionHtml, AFavoriteFromOffsetZeroCoversTheTitles)
{
    FakeFavorites favorites;
    favorites.listed[0] = {favorite(kUuidA, 0, 0, 0, 20)}; // the book title, "Chapter" and "o"
    const QString out = html(C::English,
                             section(QStringLiteral("e-1"), 0, QStringLiteral("Chapter"), {paragraph(8, QStringLiteral("one two"))}),
                             &favorites);
    // The mark starts before the titles: whole elements go inside one span,
    // and the text's first letter gets a span of its own.
    EXPECT_EQ(out, "<div id=\"e-1\" class=\"book-page\" data-section-index=\"0\">" + button(kUuidA) + firstSpan(kUuidA) +
                       "<h1 class=\"book-title\">Дипа-самхита</h1><h1 class=\"book-page-title\">Chapter</h1></span>"
                       "<div><div class=\"paragraph paragraph--type-text\"><div>" + kSpan + "o</span>ne two</div></div></div></div>");
    EXPECT_EQ(favorites.renderedCount(), 1);
}

TEST_F(BookSectionHtml, AFavoriteOverThreeSections)
{
    FakeFavorites favorites;
    const auto across = favorite(kUuidA, 5, 15, 7, 2);
    favorites.listed[5] = favorites.listed[6] = favorites.listed[7] = {across};
    const auto make = [&](quint64 index) {
        return html(C::English,
                    section(QStringLiteral("v%1").arg(index), index, QStringLiteral("T"),
                            {paragraph(5, QStringLiteral("abcd"))}),
                    &favorites);
    };
    const QString head = QStringLiteral("<div id=\"v%1\" class=\"book-page\" data-section-index=\"%1\">");
    const QString label = QStringLiteral("<div class=\"note\">Translation:</div>");
    // First section: the button and the one "_span_1", from "T", "Translation:" and "ab" on.
    EXPECT_EQ(make(5), head.arg(5) + button(kUuidA) + "<h1 class=\"book-page-title\">T</h1><div>"
                       "<div class=\"paragraph paragraph--type-literary\">" + label + "<div>ab" + firstSpan(kUuidA) +
                       "cd</span></div></div></div></div>");
    // Middle section: from the titles to the end, a plain span, no button.
    EXPECT_EQ(make(6), head.arg(6) + kSpan + "<h1 class=\"book-page-title\">T</h1><div>"
                       "<div class=\"paragraph paragraph--type-literary\">" + label + "<div>abcd</div></div></div></span></div>");
    // Last section: from the titles to offset 2.
    EXPECT_EQ(make(7), head.arg(7) + kSpan + "<h1 class=\"book-page-title\">T</h1></span><div>"
                       "<div class=\"paragraph paragraph--type-literary\"><div class=\"note\">" + kSpan +
                       "T</span>ranslation:</div><div>abcd</div></div></div></div>");
    EXPECT_EQ(favorites.renderedCount(), 3);
}

TEST_F(BookSectionHtml, TwoFavoritesInStoreOrder)
{
    FakeFavorites favorites;
    // B is stored first though it starts later in the text.
    favorites.listed[2] = {favorite(kUuidB, 2, 3, 2, 4), favorite(kUuidA, 2, 1, 2, 2)};
    const QString out =
        html(C::English, section(QStringLiteral("s"), 2, QStringLiteral("T"), {paragraph(8, QStringLiteral("abcd"))}), &favorites);
    EXPECT_EQ(out, "<div id=\"s\" class=\"book-page\" data-section-index=\"2\">" + button(kUuidB) + button(kUuidA) +
                       "<h1 class=\"book-page-title\">T</h1><div><div class=\"paragraph paragraph--type-text\"><div>" +
                       firstSpan(kUuidA) + "a</span>b" + firstSpan(kUuidB) + "c</span>d</div></div></div></div>");
}

TEST_F(BookSectionHtml, AFavoriteThatDoesNotFitIsSkippedAndTheRestRender)
{
    struct Case
    {
        const char* what;
        std::shared_ptr<const Favorite> misfit;
        const char* error;
    };
    const Case cases[] = {
        {"ends before it starts", favorite(kUuidC, 2, 1, 1, 2), "ERROR 0x84F13B64"},
        {"starts beyond the text", favorite(kUuidC, 2, 50, 2, 60), "ERROR 0x858f9F50"},
        {"ends beyond the text", favorite(kUuidC, 2, 1, 2, 60), "ERROR 0x858f9F51"},
    };
    for (const Case& c : cases) {
        FakeFavorites favorites;
        favorites.listed[2] = {favorite(kUuidA, 2, 1, 2, 2), c.misfit, favorite(kUuidB, 2, 3, 2, 4)};
        MessageLog log;
        const QString out = html(C::English, section(QStringLiteral("s"), 2, QStringLiteral("T"),
                                                     {paragraph(8, QStringLiteral("abcd"))}),
                                 &favorites);
        EXPECT_TRUE(out.endsWith("<div>" + firstSpan(kUuidA) + "a</span>b" + firstSpan(kUuidB) + "c</span>d</div></div></div></div>"))
            << c.what << ": " << out.toStdString();
        EXPECT_FALSE(out.contains(QStringLiteral("favorite_%1_span_1\" class").arg(QLatin1String(kUuidC)))) << c.what;
        EXPECT_TRUE(log.contains(QtWarningMsg, QLatin1String(c.error))) << c.what;
        EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Skipping invalid favorite markup for section 's', favorite '") +
                                                   QLatin1String(kUuidC)))
            << c.what;
    }
}

TEST_F(BookSectionHtml, AFavoriteOverUnbalancedMarkupIsSkipped)
{
    FakeFavorites favorites;
    favorites.listed[1] = {favorite(kUuidA, 1, 2, 1, 4), favorite(kUuidB, 1, 1, 1, 2)};
    MessageLog log;
    // The library's own markup: an element closed that was never opened.
    const QString out = html(C::English, section(QStringLiteral("s"), 1, QStringLiteral("T"),
                                                 {paragraph(8, QStringLiteral("ab</i>cde"))}),
                             &favorites);
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Skipping invalid favorite markup for section 's', favorite '") +
                                               QLatin1String(kUuidA)))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("<div>") + firstSpan(kUuidB) + "a</span>b</i>cde</div>")) << out.toStdString();
}

} // namespace
} // namespace tarnolix::test
