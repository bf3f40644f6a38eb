#include "search/index/BookDocuments.h"

#include "core/Exception.h"
#include "core/ProgramConstants.h"
#include "search/index/Analyzers.h"
#include "search/index/StringReader.h"
#include "tests/support/MessageLog.h"

#include <gtest/gtest.h>

#include <map>

using namespace tarnolix;
using tarnolix::test::MessageLog;

namespace {

using Snapshot = std::map<std::wstring, std::wstring>;

std::wstring readAll(const Lucene::ReaderPtr& reader)
{
    std::wstring text;
    wchar_t buffer[64];
    for (int32_t n; (n = reader->read(buffer, 0, 64)) > 0;)
        text.append(buffer, std::size_t(n));
    return text;
}

// The document's fields by name: stored text, or what a reader field reads.
Snapshot snapshot(const Lucene::DocumentPtr& document)
{
    Snapshot fields;
    for (const Lucene::FieldablePtr& field : document->getFields()) {
        EXPECT_EQ(fields.count(field->name()), 0u) << "one field per name";
        EXPECT_FALSE(field->isTermVectorStored());
        fields[field->name()] = field->readerValue() ? readAll(field->readerValue()) : field->stringValue();
    }
    return fields;
}

std::shared_ptr<BookSection> section(const QString& code, const QString& slug, const QString& title = {})
{
    auto result = std::make_shared<BookSection>();
    result->code = code;
    result->slug = slug;
    result->title = title;
    return result;
}

// A part whose elements hold the given paragraphs.
std::shared_ptr<BookPart> part(const QString& code, const std::vector<QStringList>& elements)
{
    auto result = std::make_shared<BookPart>();
    result->sectionCode = code;
    for (const QStringList& paragraphs : elements)
        result->entities.push_back(std::make_shared<BookEntity>(quint8(8), QMap<QString, QString>{},
                                                                QStringList(paragraphs)));
    return result;
}

struct Book
{
    BookBase base;
    BookInfo info;
    std::vector<std::shared_ptr<BookSection>> sections;
    std::vector<std::shared_ptr<BookPart>> parts;
};

Book book(int id, std::vector<int> categories, const QString& macro = {})
{
    Book result;
    result.base.id = id;
    result.base.slug = QStringLiteral("gita");
    result.base.categories = std::move(categories);
    result.info.bookId = id;
    result.info.language = TarnolixConstants::English;
    result.info.searchMacrosSection = macro;
    return result;
}

class BookDocumentsTest : public ::testing::Test
{
protected:
    BookDocumentsTest() { cachedDocumentClear(cached); }

    // Indexes the book, keeping a snapshot of every document; the sink's text
    // must be what "A" reads.
    void run(const Book& each, int language = TarnolixConstants::English)
    {
        indexBookDocuments(
            language, cached, each.base, each.info, each.sections, each.parts, [this] { ++stops; },
            [this](const Lucene::DocumentPtr& document, const std::wstring& text) {
                EXPECT_EQ(document, cached.document());
                documents.push_back(snapshot(document));
                EXPECT_EQ(documents.back()[L"A"], text);
            });
    }

    QString failure(const Book& each)
    {
        try {
            run(each);
        } catch (const Exception& error) {
            return error.message();
        }
        return QStringLiteral("<nothing thrown>");
    }

    CachedDocument cached;
    std::vector<Snapshot> documents;
    int stops = 0;
};

TEST_F(BookDocumentsTest, OneDocumentPerParagraphWithTheTitleFirst)
{
    Book each = book(12, {3, 17, 3}, QStringLiteral("/:book_slug/:section_slug/:book_slug"));
    each.sections = {section(QStringLiteral("1.2"), QStringLiteral("s-2"), QStringLiteral("T"))};
    each.parts = {part(QStringLiteral("1.2"), {{"p0", "p1"}, {"q0"}})};
    run(each);

    const auto expected = [](const wchar_t* ei, const wchar_t* pi, const std::wstring& text) {
        return Snapshot{{L"bid", L"12"}, {L"s", L"1.2"}, {L"ei", ei},  {L"pi", pi},
                        {L"sn", L"/gita/s-2/gita"}, {L"c", L"3 17 3"}, {L"A", text}, {L"E", text}};
    };
    ASSERT_EQ(documents.size(), 3u);
    EXPECT_EQ(documents[0], expected(L"0", L"0", L"T\n\np0"));
    EXPECT_EQ(documents[1], expected(L"0", L"1", L"p1"));
    EXPECT_EQ(documents[2], expected(L"1", L"0", L"q0"));
    EXPECT_EQ(stops, 1);
}

TEST_F(BookDocumentsTest, EmptyMacroAndNoCategoryLeaveTheirFieldsOut)
{
    Book first = book(1, {5}, QStringLiteral("x-:section_slug"));
    first.sections = {section(QStringLiteral("1"), QStringLiteral("one"))};
    first.parts = {part(QStringLiteral("1"), {{"a"}})};
    Book bare = book(2, {});
    bare.sections = first.sections;
    bare.parts = first.parts;
    Book again = book(3, {7, 8}, QStringLiteral(":section_slug"));
    again.sections = first.sections;
    again.parts = first.parts;

    run(first);
    run(bare);
    run(again);
    ASSERT_EQ(documents.size(), 3u);
    EXPECT_EQ(documents[0][L"sn"], L"x-one");
    EXPECT_EQ(documents[1].count(L"sn"), 0u);
    EXPECT_EQ(documents[1].count(L"c"), 0u);
    EXPECT_EQ(documents[1][L"bid"], L"2");
    EXPECT_EQ(documents[2][L"sn"], L"one");
    EXPECT_EQ(documents[2][L"c"], L"7 8");
}

TEST_F(BookDocumentsTest, PartsFollowTheirSections)
{
    const auto s1 = section(QStringLiteral("s1"), QStringLiteral("a"));
    const auto s2 = section(QStringLiteral("s2"), QStringLiteral("b"));
    const auto s3 = section(QStringLiteral("s3"), QStringLiteral("c"));
    const auto p1 = part(QStringLiteral("s1"), {{"one"}});
    const auto p3 = part(QStringLiteral("s3"), {{"three"}, {}});
    const auto sectionsOf = [this] {
        std::vector<std::wstring> codes;
        for (Snapshot& each : documents)
            codes.push_back(each[L"s"]);
        documents.clear();
        return codes;
    };

    Book each = book(9, {});
    each.sections = {s1, s2, s3};
    each.parts = {p1, p3};
    run(each);
    EXPECT_EQ(sectionsOf(), (std::vector<std::wstring>{L"s1", L"s3"}));
    EXPECT_EQ(stops, 2);

    each.parts = {p3, p1};
    EXPECT_EQ(failure(each), "Indexing Unknown error 0x54657898");
    EXPECT_EQ(sectionsOf(), std::vector<std::wstring>{L"s3"});

    each.sections = {s1};
    each.parts = {p1, p3};
    EXPECT_EQ(failure(each), "Indexing Unknown error 0x54657896");
    EXPECT_TRUE(documents.empty());

    each.sections = {s1, s2};
    each.parts = {part(QStringLiteral("s1"), {}), part(QStringLiteral("s2"), {{}, {}})};
    run(each);
    EXPECT_TRUE(documents.empty()) << "no paragraphs, no documents";
}

TEST_F(BookDocumentsTest, StopCheckAbandonsTheBookAndLanguageMismatchWarns)
{
    Book each = book(4, {});
    each.info.language = TarnolixConstants::Russian;
    each.sections = {section(QStringLiteral("1"), {}), section(QStringLiteral("2"), {})};
    each.parts = {part(QStringLiteral("1"), {{"a"}}), part(QStringLiteral("2"), {{"b"}})};
    MessageLog log;
    int sectionsStarted = 0;
    int added = 0;
    EXPECT_THROW(indexBookDocuments(
                     TarnolixConstants::English, cached, each.base, each.info, each.sections, each.parts,
                     [&] {
                         if (++sectionsStarted == 2)
                             throw Exception("IndexWriterThreadRejected");
                     },
                     [&](const Lucene::DocumentPtr&, const std::wstring&) { ++added; }),
                 Exception);
    EXPECT_EQ(added, 1);
    EXPECT_EQ(log.texts(QtWarningMsg), QStringList{"Book language(2) != index language(1)"});
    EXPECT_TRUE(log.contains(QtDebugMsg, QStringLiteral("Indexing bookId=4")));
}

TEST(CachedDocumentTest, FieldsKeepTheirModes)
{
    CachedDocument cached;
    EXPECT_FALSE(cached.document());
    EXPECT_THROW(cached.set(L"bid", L"1", Lucene::Field::STORE_YES, Lucene::Field::INDEX_NOT_ANALYZED), Exception);

    cachedDocumentClear(cached);
    const Lucene::DocumentPtr document = cached.document();
    cached.set(L"bid", L"1", Lucene::Field::STORE_YES, Lucene::Field::INDEX_NOT_ANALYZED);
    cached.set(L"A", Lucene::newLucene<StringReader>(L"x"), Lucene::Field::TERM_VECTOR_NO);
    const Lucene::FieldPtr bid = document->getField(L"bid");

    const auto invalid = [&](const std::function<void()>& call) {
        try {
            call();
        } catch (const std::invalid_argument& error) {
            return std::string(error.what());
        }
        return std::string("<nothing thrown>");
    };
    EXPECT_EQ(invalid([&] { cached.set(L"bid", L"2", Lucene::Field::STORE_NO, Lucene::Field::INDEX_NOT_ANALYZED); }),
              "CachedDocument::set: Invalid arguments");
    EXPECT_EQ(invalid([&] { cached.set(L"bid", L"2", Lucene::Field::STORE_YES, Lucene::Field::INDEX_ANALYZED); }),
              "CachedDocument::set: Invalid arguments");
    EXPECT_EQ(invalid([&] {
                  cached.set(L"A", Lucene::newLucene<StringReader>(L"y"), Lucene::Field::TERM_VECTOR_YES);
              }),
              "CachedDocument::set: Invalid arguments");

    // Removed and set again: the same field object, back in the document.
    cachedDocumentRemoveField(cached, L"bid");
    cachedDocumentRemoveField(cached, L"unknown");
    EXPECT_FALSE(document->getField(L"bid"));
    cached.set(L"bid", L"3", Lucene::Field::STORE_YES, Lucene::Field::INDEX_NOT_ANALYZED);
    cached.set(L"bid", L"4", Lucene::Field::STORE_YES, Lucene::Field::INDEX_NOT_ANALYZED);
    EXPECT_EQ(document->getField(L"bid"), bid);
    EXPECT_EQ(document->getFields(L"bid").size(), 1);
    EXPECT_EQ(document->get(L"bid"), L"4");

    // A cleared holder forgets the modes.
    cachedDocumentClear(cached);
    EXPECT_NE(cached.document(), document);
    EXPECT_TRUE(cached.document()->getFields().empty());
    cached.set(L"bid", L"5", Lucene::Field::STORE_NO, Lucene::Field::INDEX_ANALYZED);
    EXPECT_EQ(cached.document()->getFields().size(), 1);

    cachedDocumentReset(cached);
    EXPECT_FALSE(cached.document());
}

// Through a real writer and the languages' analyzers: what the searches and
// filters rely on finds the documents.
TEST_F(BookDocumentsTest, IndexedDocumentsAreFoundByTheirTerms)
{
    for (const int language : {int(TarnolixConstants::English), int(TarnolixConstants::Russian)}) {
        cachedDocumentClear(cached);
        const auto russian = Lucene::newLucene<RussianAnalyzer>(Lucene::LuceneVersion::LUCENE_CURRENT);
        const auto english = Lucene::newLucene<EnglishAnalyzer>(Lucene::LuceneVersion::LUCENE_CURRENT);
        const auto directory = Lucene::newLucene<Lucene::RAMDirectory>();
        const auto writer = Lucene::newLucene<Lucene::IndexWriter>(directory, english, true,
                                                                   Lucene::IndexWriter::MaxFieldLengthUNLIMITED);
        const auto add = [&](const Lucene::DocumentPtr& document, const std::wstring& text) {
            if (language == TarnolixConstants::Russian) {
                russian->setHTMLTagsPositions(text);
                writer->addDocument(document, russian);
            } else {
                english->setHTMLTagsPositions(text);
                writer->addDocument(document, english);
            }
        };
        for (const int id : {12, 120}) {
            Book each = book(id, {id, 17, 3}, QStringLiteral(":section_slug"));
            each.info.language = TarnolixConstants::Language(language);
            each.sections = {section(QStringLiteral("1"), QStringLiteral("bg 1.1"), QStringLiteral("Title"))};
            each.parts = {part(QStringLiteral("1"), {{"<em>lotus</em> root", "lotus"}})};
            indexBookDocuments(language, cached, each.base, each.info, each.sections, each.parts, [] {}, add);
        }
        writer->deleteDocuments(bookIdTerm(120));
        writer->commit();

        const Lucene::IndexReaderPtr reader = Lucene::IndexReader::open(directory, true);
        const auto freq = [&](const wchar_t* field, const wchar_t* text) {
            return reader->docFreq(Lucene::newLucene<Lucene::Term>(field, text));
        };
        EXPECT_EQ(reader->numDocs(), 2) << language;
        EXPECT_EQ(freq(L"c", L"17"), 4) << language << ": \"c\" gives one term per id";
        EXPECT_EQ(freq(L"c", L"12"), 2) << language;
        EXPECT_EQ(freq(L"c", L"17 3"), 0) << language;
        EXPECT_EQ(freq(L"A", L"lotus"), 4) << language;
        EXPECT_EQ(freq(L"E", L"lotus"), 4) << language;
        EXPECT_EQ(freq(L"A", L"title"), 2) << language;
        EXPECT_EQ(freq(L"A", L"em"), 0) << language << ": tags are not text";
        EXPECT_EQ(freq(L"s", L"1"), 4) << language;
        EXPECT_GT(freq(L"sn", L"1.1"), 0) << language;

        const Lucene::DocumentPtr stored = reader->document(1);
        EXPECT_EQ(stored->get(L"bid"), L"12") << language;
        EXPECT_EQ(stored->get(L"ei"), L"0") << language;
        EXPECT_EQ(stored->get(L"pi"), L"1") << language;
        EXPECT_EQ(stored->get(L"A"), L"") << language << ": content is not stored";
        reader->close();
        writer->close();
    }
}

} // namespace
