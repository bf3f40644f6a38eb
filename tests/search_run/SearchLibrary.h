#pragma once
// A small English library indexed by the program's own index writer thread,
// with the index lookup that searches use pointed at it, and a search run
// from settings to its end on a real search thread.
//
//   book 1 "bg" (author 7): section 1.1 "Chapter One" with two entities,
//          its child 1.1.12 "Text 12" (search name "bg 12", two paragraphs)
//   book 2 "valmiki" (author 7): section 2.1
//   book 3 "notes": section 3.1
//   book 4 "zz": section 4.1 (search name "zz 5"), for a test to damage
// Every paragraph is lower-case words without stop words, so counting the
// words of kTexts is a brute-force count of what the index holds.

#include "core/SectionsCatalogPositions.h"
#include "search/index/IndexWriterThread.h"
#include "search/searchers/FTSearchThread.h"
#include "search/searchers/SearchIndexLookup.h"
#include "tests/search_index/IndexTestLibrary.h"
#include "tests/search_index_writer/FakeIndexWriterHost.h"

#include <QSignalSpy>
#include <QStringList>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

namespace tarnolix::test {

constexpr auto kEnglish = TarnolixConstants::English;

struct FixtureParagraph
{
    int book;
    const char* section;
    int entity;
    int paragraph;
    const char* text;
};

inline const std::vector<FixtureParagraph>& fixtureParagraphs()
{
    static const std::vector<FixtureParagraph> paragraphs = {
        {1, "1.1", 0, 0, "alpha beta gamma alpha"},
        {1, "1.1", 1, 0, "beta delta"},
        {1, "1.1.12", 0, 0, "alpha alpha alpha"},
        {1, "1.1.12", 0, 1, "gamma beta alpha"},
        {2, "2.1", 0, 0, "alpha beta beta"},
        {3, "3.1", 0, 0, "delta epsilon valmiki"},
        {4, "4.1", 0, 0, "zeta"},
    };
    return paragraphs;
}

class SearchLibrary
{
public:
    SearchLibrary()
    {
        IndexWriterHost::setCurrent(&host);
        auto person = std::make_shared<Person>();
        person->id = 7;
        person->slug = QStringLiteral("valmiki");
        person->spiritualName[kEnglish] = QStringLiteral("Valmiki");
        person->roles->insert(QStringLiteral("author"));
        library.db().insertPersons({person});

        addBook(1, QStringLiteral("bg"), {{"1.1", "", "Chapter One", "1"}, {"1.1.12", "1.1", "Text 12", "12"}});
        addBook(2, QStringLiteral("valmiki"), {{"2.1", "", "Canto", "1"}});
        addBook(3, QStringLiteral("notes"), {{"3.1", "", "Notes", "1"}});
        addBook(4, QStringLiteral("zz"), {{"4.1", "", "Five", "5"}});

        writer = std::make_unique<IndexWriterThread>(1);
        QSignalSpy active(writer.get(), &IndexWriterThread::activeChanged);
        writer->create();
        EXPECT_TRUE(waitUntil(
            [&] { return active.count() >= 2 && !writer->active() && library.db().countBFI(kEnglish) == 0; }, 30000));
        EXPECT_EQ(writer->getReader()->numDocs(), int(fixtureParagraphs().size()));
        installLookup();
    }

    void installLookup()
    {
        IndexWriterThread* indexWriter = writer.get();
        setIndexWriterThreadLookup([indexWriter](unsigned language) { return language == 1 ? indexWriter : nullptr; });
    }

    ~SearchLibrary()
    {
        setIndexWriterThreadLookup({});
        writer.reset();
        IndexWriterHost::setCurrent(nullptr);
    }

    void setCatalogPositions(const std::map<QString, int>& positions)
    {
        SectionsCatalogPositions table;
        for (const auto& [code, position] : positions)
            table.insert(code, position);
        library.db().setSectionsCatalogPositions(1, table);
    }

    IndexTestLibrary library;
    FakeIndexWriterHost host;
    std::unique_ptr<IndexWriterThread> writer;

private:
    struct SectionRow
    {
        const char* code;
        const char* parent;
        const char* name;
        const char* slug;
    };

    void addBook(int id, const QString& shortName, const std::vector<SectionRow>& sections)
    {
        BookBase base;
        base.id = id;
        base.slug = shortName;
        base.authors = {id >= 3 ? 0 : 7};
        base.languages = {kEnglish};
        library.db().insertBookBase(base);
        auto book = std::make_shared<Book>();
        book->info = std::make_shared<BookInfo>();
        book->info->bookId = id;
        book->info->language = kEnglish;
        book->info->name = shortName;
        book->info->shortName = shortName;
        book->info->searchMacrosSection = QStringLiteral(":book_slug :section_slug");
        int index = 0;
        for (const SectionRow& row : sections) {
            auto section = std::make_shared<BookSection>();
            section->code = QString::fromLatin1(row.code);
            section->parentCode = QString::fromLatin1(row.parent);
            section->name = QString::fromLatin1(row.name);
            section->slug = QString::fromLatin1(row.slug);
            section->index = ++index;
            section->left = 2 * index;
            section->right = 2 * index + 1;
            book->sections.push_back(section);

            auto part = std::make_shared<BookPart>();
            part->sectionCode = section->code;
            std::map<int, QStringList> entities;
            for (const FixtureParagraph& p : fixtureParagraphs()) {
                if (p.book == id && section->code == QLatin1String(p.section))
                    entities[p.entity] << QString::fromLatin1(p.text);
            }
            for (const auto& [entity, texts] : entities)
                part->entities.push_back(std::make_shared<BookEntity>(quint8(8), QMap<QString, QString>{}, QStringList(texts)));
            book->parts.push_back(part);
        }
        library.db().insertBook(book);
    }
};

constexpr auto kInvalid = TarnolixConstants::InvalidSearchStatus;
constexpr auto kSearching = TarnolixConstants::Searching;
constexpr auto kFinished = TarnolixConstants::SearchFinished;

// One library for every test of a suite; each test leaves the lookup as the
// library installed it.
class SearchLibraryTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_library = new SearchLibrary; }
    static void TearDownTestSuite()
    {
        delete s_library;
        s_library = nullptr;
    }
    void TearDown() override { s_library->installLookup(); }

    static inline SearchLibrary* s_library = nullptr;
};

inline std::shared_ptr<FTSearchSettings> settingsFor(const QString& query,
                                                     TarnolixConstants::SearchSort sort = TarnolixConstants::ByRelevance)
{
    auto settings = std::make_shared<FTSearchSettings>(kEnglish);
    settings->setQuery(query);
    settings->setSort(sort);
    return settings;
}

// One search on a search thread, waited for to its end.
struct SearchRun
{
    std::shared_ptr<FTSearchResults> results;
    QStringList errors;
    QList<int> statuses;
    int books = 0;
    int items = 0;
    int totalFreq = 0;
};

inline SearchRun runSearch(FTSearchThread& thread, const std::shared_ptr<const FTSearchSettings>& settings)
{
    SearchRun run;
    QSignalSpy status(&thread, &Searcher::statusChanged);
    QSignalSpy errors(&thread, &Searcher::error);
    const int before = status.count();
    EXPECT_TRUE(thread.search(settings));
    EXPECT_TRUE(waitUntil(
        [&] {
            return status.count() > before
                && status.last().at(0).toInt() != TarnolixConstants::Searching;
        },
        30000));
    for (const QList<QVariant>& args : status)
        run.statuses << args.at(0).toInt();
    for (const QList<QVariant>& args : errors)
        run.errors << args.at(0).toString();
    run.results = std::dynamic_pointer_cast<FTSearchResults>(thread.searchResults());
    run.books = thread.numberBooksFound();
    run.items = thread.numberItemsFound();
    run.totalFreq = thread.totalFreq();
    return run;
}

} // namespace tarnolix::test
