#include "updates/BookParser.h"

#include "tests/core/ExceptionText.h"
#include "tests/core/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using Language = TarnolixConstants::Language;

QByteArray edition(const QString& properties, const QString& sections, const QString& parts)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<data><properties>%1</properties>"
                          "<content><sections>%2</sections><parts>%3</parts></content></data>")
        .arg(properties, sections, parts)
        .toUtf8();
}

QString section(const QString& code, int index)
{
    return QStringLiteral("<section><code>%1</code><index>%2</index></section>").arg(code).arg(index);
}

QString xmlEscaped(const QString& text)
{
    return text.toHtmlEscaped();
}

TEST(BookBaseParser, ReadsEveryField)
{
    LogCapture log;
    BookBaseParser parser(
        "<data><archi_book_id>12</archi_book_id><id>101</id><slug>dipa</slug><name>Dipa</name>"
        "<cover>http://127.0.0.1:1/c.png</cover><is_article>1</is_article>"
        "<authors><id>1</id><id>2</id></authors><commentators><id>3</id></commentators>"
        "<categories><id>4</id><x>bad</x><id>5</id></categories>"
        "<languages><language>ru</language><language>en</language></languages>"
        "<related_books><id>102</id></related_books><other_publications><id>107</id></other_publications></data>");
    const auto base = parser.parse();
    EXPECT_EQ(base->id, 101);
    EXPECT_EQ(base->archiBookId, 12);
    EXPECT_TRUE(base->isArticle);
    EXPECT_EQ(base->slug, QStringLiteral("dipa"));
    EXPECT_EQ(base->name, QStringLiteral("Dipa"));
    EXPECT_EQ(base->cover, QStringLiteral("http://127.0.0.1:1/c.png"));
    EXPECT_EQ(base->authors, (std::vector<int>{1, 2}));
    EXPECT_EQ(base->commentators, (std::vector<int>{3}));
    EXPECT_EQ(base->categories, (std::vector<int>{4, 5}));
    EXPECT_EQ(base->languages, (std::vector<Language>{TarnolixConstants::Russian, TarnolixConstants::English}));
    EXPECT_EQ(base->relatedBooks, (std::vector<int>{102}));
    EXPECT_EQ(base->otherPublications, (std::vector<int>{107}));
    EXPECT_TRUE(log.warnings().isEmpty()) << log.warnings().join('\n').toStdString();
}

TEST(BookParser, ReadsTheEditionPropertiesUnderTheArchiveLanguage)
{
    LogCapture log;
    BookParser parser(TarnolixConstants::Russian,
                      edition(QStringLiteral(
                                  "<language>en</language><name>Full name</name><cover>c.png</cover>"
                                  "<annotation>&lt;p&gt;About&lt;/p&gt;</annotation>"
                                  "<search_macros_section>m<b>x</b></search_macros_section>"
                                  "<parent_translator_id>1</parent_translator_id><translator_id>2</translator_id>"
                                  "<editor_id>3</editor_id><publisher_id>4</publisher_id>"
                                  "<publishing_year>2019</publishing_year><ISBN>978</ISBN>"
                                  "<pages_count>48</pages_count><book_copies>x</book_copies>"
                                  "<download_files><file><file>a.pdf</file><name>A</name><extension>pdf</extension>"
                                  "<size>10</size><order>2</order></file><file><name>B</name></file></download_files>"),
                              QString(), QString()),
                      42);
    const auto [book, wordByWord] = parser.parse();
    const BookInfo& info = *book->info;
    EXPECT_EQ(info.bookId, 42);
    EXPECT_EQ(info.language, TarnolixConstants::Russian);
    EXPECT_EQ(wordByWord->language, TarnolixConstants::Russian);
    EXPECT_EQ(info.name, QStringLiteral("Full name"));
    EXPECT_EQ(info.shortName, QStringLiteral("Full name"));
    EXPECT_EQ(info.annotation, QStringLiteral("<p>About</p>"));
    EXPECT_EQ(info.searchMacrosSection, QString()); // markup spoils it
    EXPECT_EQ(info.cover, QStringLiteral("c.png"));
    EXPECT_EQ(info.parentTranslatorId, 1);
    EXPECT_EQ(info.translatorId, 2);
    EXPECT_EQ(info.editorId, 3);
    EXPECT_EQ(info.publisherId, 4);
    EXPECT_EQ(info.publishingYear, 2019);
    EXPECT_EQ(info.ISBN, QStringLiteral("978"));
    EXPECT_EQ(info.pagesCount, 48);
    EXPECT_EQ(info.bookCopies, 0);
    ASSERT_EQ(info.downloadFiles.size(), 2u);
    EXPECT_EQ(info.downloadFiles[0].file, QStringLiteral("a.pdf"));
    EXPECT_EQ(info.downloadFiles[0].name, QStringLiteral("A"));
    EXPECT_EQ(info.downloadFiles[0].extension, QStringLiteral("pdf"));
    EXPECT_EQ(info.downloadFiles[0].size, 10);
    EXPECT_EQ(info.downloadFiles[0].order, 2);
    EXPECT_EQ(info.downloadFiles[1].name, QStringLiteral("B"));
    ASSERT_EQ(log.warnings().size(), 1);
    EXPECT_TRUE(log.warnings()[0].startsWith(QStringLiteral("BookParser::readProperties: language \"en\" differs")));

    BookParser named(TarnolixConstants::English,
                     edition(QStringLiteral("<name>N</name><short_name>S</short_name><language>en</language>"),
                             QString(), QString()),
                     1);
    EXPECT_EQ(named.parse().first->info->shortName, QStringLiteral("S"));
    EXPECT_EQ(log.warnings().size(), 1);
}

TEST(BookParser, NumbersSectionsInOrderAndReportsABrokenIndexOnce)
{
    LogCapture log;
    BookParser parser(TarnolixConstants::English,
                      edition(QString(),
                              section("1.1", 1) + section("1.2", 2) + QStringLiteral("<section/>")
                                  + QStringLiteral("<section>  </section>") + section("1.3", 4) + section("1.4", 9)
                                  + QStringLiteral("<section><code>1.5</code><parent_code>1.1</parent_code>"
                                                   "<left>3</left><right>4</right><depth>2</depth><slug>s</slug>"
                                                   "<name>n</name><number_code_section>1</number_code_section>"
                                                   "<number_code_chapter>2</number_code_chapter>"
                                                   "<number_code_poem>3</number_code_poem>"
                                                   "<number_other_poems>4</number_other_poems><title>t</title>"
                                                   "</section>"),
                              QString()),
                      7);
    const auto book = parser.parse().first;
    ASSERT_EQ(book->sections.size(), 5u);
    QStringList codes;
    for (std::size_t i = 0; i < book->sections.size(); ++i) {
        codes << book->sections[i]->code;
        EXPECT_EQ(book->sections[i]->index, int(i) + 1);
    }
    EXPECT_EQ(codes, (QStringList{"1.1", "1.2", "1.3", "1.4", "1.5"}));
    const BookSection& last = *book->sections[4];
    EXPECT_EQ(last.parentCode, QStringLiteral("1.1"));
    EXPECT_EQ(last.left, 3);
    EXPECT_EQ(last.right, 4);
    EXPECT_EQ(last.depth, 2);
    EXPECT_EQ(last.slug, QStringLiteral("s"));
    EXPECT_EQ(last.name, QStringLiteral("n"));
    EXPECT_EQ(last.numberCodeSection, 1);
    EXPECT_EQ(last.numberCodeChapter, 2);
    EXPECT_EQ(last.numberCodePoem, 3);
    EXPECT_EQ(last.numberOtherPoems, 4);
    EXPECT_EQ(last.title, QStringLiteral("t"));
    EXPECT_EQ(log.warnings(),
              (QStringList{QStringLiteral("BookParser::readSection: section is empty (bookId=7)"),
                           QStringLiteral("BookParser::readSection: section is empty (bookId=7)"),
                           QStringLiteral("BookParser::readSection: индексы секций книги повреждены (bookId=7 "
                                          "sectionCode='1.3' receivedIndex=4 desiredIndex=3)")}));
}

TEST(BookParser, ReadsPartsWithTheirParagraphKindsAndDecodedReferences)
{
    const char* const kinds[] = {"unallocated", "sanskrit", "diacritic", "word-by-word", "literary", "comment",
                                 "comment-plus", "text", "quote-sanskrit", "quote-sanskrit-translate"};
    QString entities;
    for (const char* kind : kinds)
        entities += QStringLiteral("<%1 class=\"k\" data-n=\"%1\">%1 text</%1>").arg(kind);
    LogCapture log;
    BookParser parser(
        TarnolixConstants::English,
        edition(QString(), QString(),
                QStringLiteral("<part><section-code>1.1</section-code><title>T<b>x</b></title>%1</part>"
                               "<part/>"
                               "<part><section-code>1.2</section-code><poem>skipped</poem>"
                               "<text>&amp;eacute;&amp;#233;&amp;#xE9; &amp;amp;lt; &#233; &amp;nosuch;</text></part>"
                               "<part><title>only a title</title></part>")
                    .arg(entities)),
        1);
    const auto book = parser.parse().first;
    ASSERT_EQ(book->parts.size(), 3u);
    const BookPart& first = *book->parts[0];
    EXPECT_EQ(first.sectionCode, QStringLiteral("1.1"));
    EXPECT_EQ(first.title, QString());
    ASSERT_EQ(first.entities.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(kinds[i]);
        EXPECT_EQ(first.entities[i]->kind, i + 1);
        EXPECT_EQ(first.entities[i]->attributes.value("class"), QStringLiteral("k"));
        EXPECT_EQ(first.entities[i]->attributes.value("data-n"), QString::fromUtf8(kinds[i]));
    }
    EXPECT_EQ(first.entities[7]->texts, QStringList{QStringLiteral("text text")});

    const BookPart& second = *book->parts[1];
    EXPECT_EQ(second.sectionCode, QStringLiteral("1.2"));
    ASSERT_EQ(second.entities.size(), 1u);
    EXPECT_EQ(joinStrings(*second.entities[0]), QStringLiteral("\u00e9\u00e9\u00e9 &lt; \u00e9 &nosuch;"));
    EXPECT_EQ(book->parts[2]->title, QStringLiteral("only a title"));
    EXPECT_TRUE(book->parts[2]->entities.empty());
    // The unknown "poem" element (the word-by-word paragraph above was
    // not in any reader's style, so it warns as well).
    EXPECT_TRUE(log.warnings().contains(QStringLiteral("XMLParser: Unknown element")));
}

TEST(BookParser, CutsLongParagraphsAtParagraphMarks)
{
    auto textWithMarks = [](int length, std::initializer_list<int> marks) {
        QString text(length, QLatin1Char('x'));
        for (int at : marks)
            text.replace(at, 3, QStringLiteral("<p>"));
        return text;
    };
    struct Case
    {
        QString text;
        std::vector<std::pair<int, int>> chunks; // [from, to)
    };
    const Case cases[] = {
        {QString(), {{0, 0}}},
        {textWithMarks(1200, {0, 300, 700, 1100}), {{0, 700}, {700, 1200}}},
        {textWithMarks(1200, {0, 501, 1002}), {{0, 501}, {501, 1002}, {1002, 1200}}},
        {textWithMarks(1000, {500}), {{0, 1000}}},
        {textWithMarks(900, {}), {{0, 900}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.size());
        QStringList expected;
        for (const auto& [from, to] : c.chunks)
            expected << c.text.mid(from, to - from);
        EXPECT_EQ(BookParser::splitIntoChunks(c.text), expected);
    }

    const QString text = textWithMarks(1200, {0, 300, 700, 1100});
    BookParser parser(TarnolixConstants::English,
                      edition(QString(), QString(),
                              QStringLiteral("<part><section-code>1</section-code><text>%1</text></part>")
                                  .arg(xmlEscaped(text))),
                      1);
    const auto book = parser.parse().first;
    ASSERT_EQ(book->parts.size(), 1u);
    EXPECT_EQ(book->parts[0]->entities[0]->texts, (QStringList{text.left(700), text.mid(700)}));
}

TEST(BookParser, RewritesWordByWordParagraphsAndCollectsTheirPairsBySection)
{
    LogCapture log;
    BookParser parser(
        TarnolixConstants::Russian,
        edition(QString(), QString(),
                QStringLiteral("<part><word-by-word>dharma — долг; karma — действие</word-by-word>"
                               "<text>dharma — долг; karma — действие</text>"
                               "<word-by-word>yoga - союз</word-by-word><section-code>2.1</section-code></part>"
                               "<part><section-code>2.2</section-code><word-by-word>word note: ведь</word-by-word>"
                               "</part>")),
        9);
    const auto [book, wordByWord] = parser.parse();
    ASSERT_EQ(book->parts.size(), 2u);
    const auto& entities = book->parts[0]->entities;
    EXPECT_EQ(joinStrings(*entities[0]),
              QStringLiteral("<i><a href=\"tarnolix://wbwsearch.ru?original=dharma\">dharma</a></i> — долг;"
                             "<i><a href=\"tarnolix://wbwsearch.ru?original=karma\"> karma</a></i> — действие"));
    EXPECT_EQ(joinStrings(*entities[1]), QStringLiteral("dharma — долг; karma — действие"));
    EXPECT_EQ(joinStrings(*entities[2]),
              QStringLiteral("<i><a href=\"tarnolix://wbwsearch.ru?original=yoga\">yoga </a></i>- союз"));
    EXPECT_EQ(joinStrings(*book->parts[1]->entities[0]), QStringLiteral("word note: ведь"));

    using Pairs = WordByWordDataForIndex::WordPairs;
    EXPECT_EQ(wordByWord->pairs.keys(), QList<QString>{QStringLiteral("2.1")});
    EXPECT_EQ(wordByWord->pairs.value(QStringLiteral("2.1")),
              (Pairs{{"dharma", "долг"}, {"karma", "действие"}, {"yoga", "союз"}}));
    EXPECT_EQ(log.warnings(), QStringList{QStringLiteral("processWordByWord for book 9 section 2.2 failed")});
}

} // namespace
