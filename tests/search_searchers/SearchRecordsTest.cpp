// The result tree, its registry of ids and its lazy reads of the library.
#include "core/CipherKeyPair.h"
#include "core/Exception.h"
#include "database/BookTextCipher.h"
#include "search/searchers/FTSearchRecords.h"
#include "search/searchers/WBWSearchRecords.h"
#include "tests/models/CatalogLibrary.h"
#include "tests/support/MessageLog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

using namespace tarnolix;
using C = TarnolixConstants;
using tarnolix::test::MessageLog;

namespace {

// A family that keeps no library key.
class GlossarySettings : public SearchSettings
{
public:
    C::SearchType searchType() const override { return C::GlossarySearch; }
};

class GlossaryStatus : public SearchStatus
{
public:
    using SearchStatus::SearchStatus;
    C::SearchType searchType() const override { return C::GlossarySearch; }
};

// Results nobody registered.
class LooseResults : public BooksSearchResults
{
public:
    C::SearchType searchType() const override { return C::FullText; }
};

std::vector<unsigned> idsOf(const std::vector<std::shared_ptr<SRItem>>& items)
{
    std::vector<unsigned> ids;
    for (const auto& item : items)
        ids.push_back(item->id());
    return ids;
}

class SearchRecords : public test::CatalogLibrary
{
protected:
    void SetUp() override
    {
        CatalogLibrary::SetUp();
        cipher.setKeyFromString(QStringLiteral("reader@tarnolix.invalid"));
        cipher.setIvFromString(QStringLiteral("/home/reader/.local/share/Tarnolix"));
        setBookTextCipher(&cipher);
        auto part = std::make_shared<BookPart>();
        part->sectionCode = QStringLiteral("101.1.1");
        part->title = QStringLiteral("Стих первый");
        part->entities.push_back(std::make_shared<BookEntity>(1));
        db->insertBookParts(kRu, {part});
        // Readable paths show section titles.
        db->execSql(QStringLiteral("UPDATE BookSections2 SET title = 'Стих ' || code"));
    }
    void TearDown() override
    {
        setBookTextCipher(nullptr);
        CatalogLibrary::TearDown();
    }

    std::shared_ptr<FTSearchStatus> ftStatus()
    {
        auto settings = std::make_shared<FTSearchSettings>(kRu);
        settings->setQuery(QStringLiteral("рама"));
        return std::make_shared<FTSearchStatus>(settings, nullptr);
    }

    // A full-text result set with one hit section (101.1.1) and one entity.
    struct Tree
    {
        std::shared_ptr<FTSearchStatus> status;
        std::shared_ptr<FTSearchResults> results;
        std::shared_ptr<FTSRBook> book;
        std::shared_ptr<FTSRSection> section;
        std::shared_ptr<FTSREntity> entity;
    };
    Tree tree()
    {
        Tree made;
        made.status = ftStatus();
        made.results = FTSearchResults::create(made.status);
        made.book = std::make_shared<FTSRBook>(made.status, 101);
        made.section = std::make_shared<FTSRSection>(made.book, QStringLiteral("101.1.1"));
        made.entity = std::make_shared<FTSREntity>(0);
        return made;
    }

    CipherKeyPair cipher;
};

} // namespace

TEST(SearchResultIds, TheFirstResultSetOfAProcessGetsOne)
{
    // In a process of its own, so that no other test registered before.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const auto first = FTSearchResults::create(nullptr);
            const auto second = WBWSearchResults::create(nullptr);
            std::exit(first->id() == 1 && second->id() == 2 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(SearchRecords, ResultSetIdsOnlyGrowAndMarkLiveResults)
{
    const auto status = ftStatus();
    EXPECT_EQ(status->resultsId(), 0);
    auto results = FTSearchResults::create(status);
    const int first = results->id();
    EXPECT_GT(first, 0);
    EXPECT_EQ(results->status(), status);
    EXPECT_EQ(status->resultsId(), first);
    EXPECT_EQ(results->searchType(), C::FullText);

    MessageLog log;
    results.reset();
    EXPECT_TRUE(log.texts(QtWarningMsg).isEmpty());
    const auto next = WBWSearchResults::create(std::make_shared<WBWSearchStatus>(nullptr));
    EXPECT_EQ(next->id(), first + 1) << "an id is never given again";
    EXPECT_EQ(next->status()->resultsId(), first + 1);

    // Results that were never registered are not found when they go.
    { LooseResults loose; }
    EXPECT_EQ(log.texts(QtWarningMsg), QStringList{QStringLiteral("SearchResultsManager::erase: Object not found")});
}

TEST_F(SearchRecords, CheckStateTellsWhetherResultsFitTheActiveLibrary)
{
    const auto ft = ftStatus();
    EXPECT_EQ(ft->activeLibraryKey().size(), 32);
    EXPECT_TRUE(ft->checkState());

    // The key could not be read when the word-by-word status was made.
    hide(QStringLiteral("BookBase"));
    const auto wbw = std::make_shared<WBWSearchStatus>(std::make_shared<WBWSearchSettings>(kRu));
    restore(QStringLiteral("BookBase"));
    EXPECT_TRUE(wbw->activeLibraryKey().isEmpty());
    EXPECT_FALSE(wbw->checkState());

    // Another book in the library: the full-text results no longer fit.
    addBook(108, u"Новая", 2, 1);
    EXPECT_FALSE(ft->checkState());
    EXPECT_TRUE(ftStatus()->checkState());

    const GlossaryStatus glossary(std::make_shared<GlossarySettings>());
    EXPECT_TRUE(glossary.activeLibraryKey().isEmpty());
    EXPECT_TRUE(glossary.checkState());
    EXPECT_FALSE(GlossaryStatus(nullptr).checkState());
}

TEST_F(SearchRecords, TreesKeepTheirOrderAndFindHitsById)
{
    const auto status = ftStatus();
    const auto results = FTSearchResults::create(status);
    const auto book = std::make_shared<FTSRBook>(status, 101);
    const auto section = std::make_shared<FTSRSection>(book, QStringLiteral("101.1.1"));
    book->addSection(section);
    book->addSection(std::make_shared<FTSRSection>(book, QStringLiteral("101.1.1")));
    book->addSection(std::make_shared<FTSRSection>(book, QStringLiteral("101.2")));
    ASSERT_EQ(book->sections().size(), 2u);
    EXPECT_EQ(book->sections()[0], section) << "the first section of a code stays";
    EXPECT_EQ(section->status(), status);

    const auto e1 = std::make_shared<FTSREntity>(4);
    const auto e2 = std::make_shared<FTSREntity>(2);
    const auto item = [&](const std::shared_ptr<FTSREntity>& entity, unsigned id) {
        auto made = std::make_shared<FTSRItem>(section, entity, 10 + id, id, 1.0 / id);
        entity->addItem(made);
        return made;
    };
    const auto a = item(e1, 7);
    const auto b = item(e1, 3);
    const auto c = item(e2, 5);
    section->addEntity(e1);
    section->addEntity(e2);
    EXPECT_EQ(idsOf(section->items()), (std::vector<unsigned>{7, 3, 5}));
    EXPECT_EQ(a->entity(), e1);
    EXPECT_EQ(c->positionIndex(), 15u);
    EXPECT_EQ(a->searchType(), C::FullText);

    auto items = std::make_shared<SRItemsContainer>(std::vector<std::shared_ptr<SRItem>>{a, b});
    items->append(c);
    items->append(std::make_shared<FTSRItem>(section, e2, 0, 3, 0.1)); // id 3 again
    EXPECT_EQ(items->items().size(), 4u);
    EXPECT_EQ(items->find(3), b) << "a second hit of an id is not indexed";
    EXPECT_EQ(items->indexOf(3), 1);
    EXPECT_EQ(items->indexOf(5), 2);
    EXPECT_FALSE(items->find(99));
    EXPECT_EQ(items->indexOf(99), -1);
    EXPECT_FALSE(SRItemsContainer(8).find(7));

    BooksSearchResults::BookMap byId;
    byId[101] = book;
    results->setBooks({book}, std::move(byId), items);
    EXPECT_EQ(results->findBook(101), book);
    EXPECT_FALSE(results->findBook(102));
    EXPECT_EQ(results->items(), items);

    // Word by word: the hits in the order added, as a copy.
    const auto wbwStatus = std::make_shared<WBWSearchStatus>(std::make_shared<WBWSearchSettings>(kRu));
    const auto wbwBook = std::make_shared<SRBook>(wbwStatus, 101);
    const auto wbwSection = std::make_shared<WBWSRSection>(wbwBook, QStringLiteral("101.2"));
    wbwSection->addItem(std::make_shared<WBWSRItem>(wbwSection, 9, 0.5));
    wbwSection->addItem(std::make_shared<WBWSRItem>(wbwSection, 2, 0.7));
    auto copy = wbwSection->items();
    copy.clear();
    EXPECT_EQ(idsOf(wbwSection->items()), (std::vector<unsigned>{9, 2}));
    EXPECT_EQ(wbwSection->items()[0]->searchType(), C::WordByWord);
}

TEST_F(SearchRecords, HasBookLooksAtNameMatchesOnly)
{
    const auto status = ftStatus();
    const auto results = FTSearchResults::create(status);
    // A book with text hits.
    BooksSearchResults::BookMap byId;
    byId[105] = std::make_shared<FTSRBook>(status, 105);
    results->setBooks({byId[105]}, std::move(byId), std::make_shared<SRItemsContainer>());
    EXPECT_FALSE(results->hasBook(105));

    auto author = std::make_shared<AuthorMatch>();
    author->books.push_back(std::make_shared<AuthorMatch::Book>(AuthorMatch::Book{101, {}}));
    results->addAuthorMatch(author);
    auto name = std::make_shared<BookNameMatch>();
    name->book = std::make_shared<BookBase>();
    name->book->id = 102;
    results->addBookNameMatch(name);
    auto shortName = std::make_shared<ShortNameMatch>();
    shortName->book = std::make_shared<BookBase>();
    shortName->book->id = 103;
    shortName->archiPages = std::make_shared<ArchiBookInfo>();
    ArchiBookEdition edition;
    auto editionInfo = std::make_shared<BookInfo>();
    editionInfo->bookId = 104;
    edition.book = editionInfo;
    shortName->archiPages->editions.push_back(edition);
    results->addShortNameMatch(shortName);
    // A match still being gathered has empty parts.
    results->addShortNameMatch(std::make_shared<ShortNameMatch>());

    for (unsigned id : {101u, 102u, 103u, 104u})
        EXPECT_TRUE(results->hasBook(id)) << id;
    for (unsigned id : {0u, 105u, 106u})
        EXPECT_FALSE(results->hasBook(id)) << id;

    const auto other = FTSearchResults::create(status);
    other->setAuthorMatches(results->authorMatches());
    other->setBookNameMatches(results->bookNameMatches());
    other->setShortNameMatches(results->shortNameMatches());
    EXPECT_TRUE(other->hasBook(104));
    EXPECT_EQ(other->shortNameMatches().size(), 2u);
}

TEST_F(SearchRecords, RowsAreReadOnceAndAgainAfterAFailure)
{
    const auto book = std::make_shared<FTSRBook>(ftStatus(), 101);
    const auto section = std::make_shared<FTSRSection>(book, QStringLiteral("101.1.1"));
    const auto info = book->bookInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->shortName, QStringLiteral("Бхагавад-гита"));
    EXPECT_EQ(section->bookInfo(), info);
    const auto bookSection = section->bookSection();
    ASSERT_TRUE(bookSection);
    EXPECT_EQ(bookSection->parentCode, QStringLiteral("101.1"));
    const auto part = section->bookPart();
    ASSERT_TRUE(part);
    EXPECT_EQ(part->title, QStringLiteral("Стих первый"));

    // Cached: the library is not read again.
    {
        test::StatementCounter statements(*db);
        EXPECT_EQ(book->bookInfo(), info);
        EXPECT_EQ(section->bookSection(), bookSection);
        EXPECT_EQ(section->bookPart(), part);
        EXPECT_EQ(statements.count, 0);
    }

    // Missing rows throw the library's not-found errors and cache nothing.
    const auto missing = std::make_shared<FTSRBook>(ftStatus(), 999);
    const auto missingSection = std::make_shared<FTSRSection>(missing, QStringLiteral("999.1"));
    EXPECT_THROW(missing->bookInfo(), DBNotFound);
    EXPECT_THROW(missingSection->bookSection(), DBNotFound);
    EXPECT_THROW(missingSection->bookPart(), DBNotFound);
    addBook(999, u"Поздняя", 2, 1);
    EXPECT_EQ(missing->bookInfo()->shortName, QStringLiteral("Поздняя"));

    // A section given its row keeps it.
    const auto given = std::make_shared<BookSection>();
    missingSection->setBookSection(given);
    EXPECT_EQ(missingSection->bookSection(), given);

    // Parents are held weakly.
    const auto orphan = std::make_shared<FTSRSection>(std::make_shared<FTSRBook>(ftStatus(), 101), QStringLiteral("1"));
    EXPECT_THROW(orphan->bookInfo(), std::bad_weak_ptr);
    EXPECT_THROW(orphan->book(), std::bad_weak_ptr);
    const auto lost = std::make_shared<FTSRItem>(std::weak_ptr<SRSection>(), std::weak_ptr<FTSREntity>(), 0, 1, 1);
    EXPECT_THROW(lost->section(), std::bad_weak_ptr);
    EXPECT_THROW(lost->update(1), std::bad_weak_ptr);
    EXPECT_THROW(lost->entity(), std::bad_weak_ptr);
}

TEST_F(SearchRecords, AHitAddressesItsSectionUnderTheResultSetId)
{
    const Tree hits = tree();
    const auto& results = hits.results;
    const auto item = std::make_shared<FTSRItem>(hits.section, hits.entity, 0, 42, 1.0);
    EXPECT_TRUE(item->url().isEmpty());
    EXPECT_TRUE(item->readablePath().isEmpty());

    const QString search = QStringLiteral("searchId=%1").arg(results->id());
    const QString url = item->update(3);
    EXPECT_EQ(item->url(), url);
    EXPECT_TRUE(url.startsWith(QStringLiteral("tarnolix://openbook.ru/"))) << url.toStdString();
    EXPECT_TRUE(url.contains(QStringLiteral("Section-101.1.1"))) << url.toStdString();
    EXPECT_TRUE(url.contains(QStringLiteral("42"))) << url.toStdString();
    EXPECT_TRUE(url.contains(search)) << url.toStdString();
    EXPECT_TRUE(url.contains(QStringLiteral("tabId=3"))) << url.toStdString();
    const UrlCreatorImpl parsed = UrlCreatorImpl::fromString(url);
    int srItemId = 0;
    QString sectionCode;
    parsed.pathComponents(nullptr, nullptr, &sectionCode, &srItemId, nullptr, nullptr);
    EXPECT_EQ(srItemId, 42);
    EXPECT_EQ(sectionCode, QStringLiteral("101.1.1"));
    EXPECT_EQ(parsed.searchId(), results->id());
    EXPECT_EQ(item->readablePath(),
              QString::fromUtf8("Писания • Бхагавад-гита • Стих 101.1 • Стих 101.1.1"));

    // Another tab gets its own address without reading the library again.
    test::StatementCounter statements(*db);
    const QString other = item->update(5);
    EXPECT_TRUE(other.contains(QStringLiteral("tabId=5"))) << other.toStdString();
    EXPECT_EQ(QString(other).replace(QStringLiteral("tabId=5"), QStringLiteral("tabId=3")), url);
    EXPECT_EQ(item->update(5), other);
    EXPECT_EQ(statements.count, 0);
}

// Page jobs and the GUI read the same tree at once, each with its own
// connection.
TEST_F(SearchRecords, LazyReadsServeSeveralThreadsAtOnce)
{
    const Tree hits = tree();
    const auto& section = hits.section;
    std::vector<std::shared_ptr<FTSRItem>> items;
    for (unsigned id = 1; id <= 8; ++id)
        items.push_back(std::make_shared<FTSRItem>(section, hits.entity, 0, id, 1.0));

    constexpr int kThreads = 4;
    std::vector<std::vector<QString>> urls(kThreads);
    std::vector<std::shared_ptr<BookInfo>> infos(kThreads);
    std::vector<std::shared_ptr<BookPart>> parts(kThreads);
    std::vector<std::string> errors(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            try {
                for (const auto& item : items)
                    urls[t].push_back(item->update(1));
                infos[t] = section->bookInfo();
                parts[t] = section->bookPart();
                section->bookSection();
            } catch (const std::exception& e) {
                errors[t] = e.what();
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(errors[t], "") << t;
        EXPECT_EQ(urls[t], urls[0]) << t;
        EXPECT_EQ(infos[t], infos[0]) << "one row kept for every reader";
        EXPECT_EQ(parts[t], parts[0]);
    }
    EXPECT_EQ(items[0]->readablePath(), items[7]->readablePath());
}
