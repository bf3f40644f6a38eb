// The search result trees over result records made for the catalogue
// tests' library, shown through the tree view proxy.
#include "models/SearchPageAccess.h"
#include "models/SearchResultsModel.h"
#include "search/searchers/FTSearchRecords.h"
#include "search/searchers/GlossarySearchResults.h"
#include "tests/models/CatalogLibrary.h"
#include "tests/models/GlossaryLibrary.h"
#include "tests/models/ProxyFixture.h"
#include "tests/support/MessageLog.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>

using namespace tarnolix;
using namespace tarnolix::test;
using C = TarnolixConstants;
using R = SearchResultsModel;

// A search page kind as the models see it: its results and hidden hits.
class FakeSearchPage : public QObject
{
    Q_OBJECT

public:
    std::shared_ptr<SearchResults2> results;
    bool keepsHiddenSet = true;
    std::set<quint32> hidden;
};

namespace {

class FakePageAccess final : public SearchPageAccess
{
public:
    explicit FakePageAccess(FakeSearchPage& page)
        : m_page(page)
    {
    }
    std::shared_ptr<SearchResults2> searchResults() override { return m_page.results; }
    bool hasHiddenSet() override { return m_page.keepsHiddenSet; }
    bool noneHidden() override { return m_page.hidden.empty(); }
    bool isHidden(quint32 hitNumber) override { return m_page.hidden.count(hitNumber) > 0; }

private:
    FakeSearchPage& m_page;
};

struct SectionHits
{
    const char* code;
    std::vector<unsigned> ids;
};

struct BookHits
{
    unsigned bookId;
    std::vector<SectionHits> sections;
    int extraFreq = 0; // added to the book's count beyond its sections'
};

// "type:id:display:freq" per row, indented by depth; loads every node.
QStringList rows(const QAbstractItemModel& m, const QModelIndex& parent = {}, int depth = 0)
{
    QStringList lines;
    for (int row = 0; row < m.rowCount(parent); ++row) {
        const QModelIndex i = m.index(row, 0, parent);
        lines << QString(depth, ' ')
                + QStringLiteral("%1:%2:%3:%4")
                      .arg(m.data(i, R::TypeRole).toString(), m.data(i, R::IdRole).toString(),
                           m.data(i, R::DisplayTextRole).toString(), m.data(i, R::FreqRole).toString());
        lines << rows(m, i, depth + 1);
    }
    return lines;
}

std::vector<int> sortedIds(const QVariantList& ids)
{
    std::vector<int> sorted;
    for (const QVariant& id : ids)
        sorted.push_back(id.toInt());
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

class SearchResultTrees : public CatalogLibrary
{
protected:
    void SetUp() override
    {
        CatalogLibrary::SetUp();
        SearchPageAccess::setResolver([](QObject* object) -> std::unique_ptr<SearchPageAccess> {
            auto* page = qobject_cast<FakeSearchPage*>(object);
            return page ? std::make_unique<FakePageAccess>(*page) : nullptr;
        });
    }
    void TearDown() override
    {
        SearchPageAccess::setResolver({});
        CatalogLibrary::TearDown();
    }

    std::shared_ptr<FTSearchResults> bookResults(const std::vector<BookHits>& books)
    {
        auto status = std::make_shared<FTSearchStatus>(std::make_shared<FTSearchSettings>(kRu), nullptr);
        auto results = FTSearchResults::create(status);
        BooksSearchResults::BookList list;
        BooksSearchResults::BookMap byId;
        for (const BookHits& hits : books) {
            auto book = std::make_shared<FTSRBook>(status, hits.bookId);
            for (const SectionHits& sectionHits : hits.sections) {
                auto section = std::make_shared<FTSRSection>(book, QString::fromLatin1(sectionHits.code));
                auto entity = std::make_shared<FTSREntity>(0);
                for (unsigned id : sectionHits.ids)
                    entity->addItem(std::make_shared<FTSRItem>(section, entity, 0, id, 1.0));
                section->addEntity(entity);
                section->addFreq(int(sectionHits.ids.size()));
                book->addFreq(int(sectionHits.ids.size()));
                book->addSection(section);
            }
            book->addFreq(hits.extraFreq);
            list.push_back(book);
            byId[hits.bookId] = book;
        }
        results->setBooks(std::move(list), std::move(byId), nullptr);
        return results;
    }

    // Bhagavad-gita with hits in three sections, listed out of book order
    // (their parents 101.1 and 101.2 have none), and Arithmetic without sections.
    std::shared_ptr<FTSearchResults> gitaResults(int extraFreq = 0)
    {
        return bookResults({{101, {{"101.2.1", {7, 8}}, {"101.1.2", {5}}, {"101.1.1", {3, 4}}}, extraFreq}, {105, {}}});
    }

    FakeSearchPage page;
    MessageLog log;
};

} // namespace

TEST_F(SearchResultTrees, HitSectionsStandUnderGroupingSectionsInBookOrderWithTheirBranchCounts)
{
    BooksSearchResultsModel m;
    EXPECT_EQ(m.getSearchResultsId(), 0);
    EXPECT_EQ(m.rowCount(), 0);
    page.results = gitaResults();
    m.setSearchResults(&page);
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(m.getSearchResultsId(), page.results->id());
    EXPECT_EQ(rows(m), QStringList({"4:101:Бхагавад-гита:5", " 5:101.1:Глава 101.1:3", "  5:101.1.1:Глава 101.1.1:2",
                                    "  5:101.1.2:Глава 101.1.2:1", " 5:101.2:Глава 101.2:2",
                                    "  5:101.2.1:Глава 101.2.1:2", "4:105:Арифметика:0"}));
    EXPECT_FALSE(log.contains(QtWarningMsg, QStringLiteral("bookFreq != total sectionFreq")));

    const QModelIndex gita = m.index(0, 0);
    const QModelIndex grouping = m.index(0, 0, gita);
    const QModelIndex leaf = m.index(0, 0, grouping);
    const int checkable = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable;
    const int plain = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    EXPECT_EQ(int(m.flags(gita)), checkable);
    EXPECT_EQ(int(m.flags(grouping)), checkable);
    EXPECT_EQ(int(m.flags(leaf)), plain) << "leaf sections carry no check box";
    EXPECT_EQ(int(m.flags(QModelIndex())), 0);
    EXPECT_EQ(m.data(gita, R::IsBookRole), true);
    EXPECT_EQ(m.data(leaf, R::IsBookRole), false);
    EXPECT_EQ(m.data(gita, R::LanguageRole), int(kRu));
    EXPECT_EQ(m.data(leaf, R::LanguageRole), int(kRu));
    EXPECT_EQ(m.data(leaf, Qt::DisplayRole), "Глава 101.1.1");
    EXPECT_EQ(m.data(leaf, R::GetIndexRole).value<QModelIndex>(), leaf);
    EXPECT_FALSE(m.data(leaf, Qt::UserRole + 20).isValid());
    EXPECT_EQ(m.roleNames().value(R::FreqRole), "freq");
    EXPECT_EQ(m.roleNames().value(R::LanguageRole), "language");
}

TEST_F(SearchResultTrees, ABookCountOtherThanItsSectionsSumOnlyWarns)
{
    BooksSearchResultsModel m;
    page.results = gitaResults(1);
    m.setSearchResults(&page);
    EXPECT_EQ(m.rowCount(m.index(0, 0)), 2);
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("BooksSearchResultsModel::loadSections: bookFreq != total sectionFreq")));
    EXPECT_EQ(m.data(m.index(0, 0), R::FreqRole), 6);
}

TEST_F(SearchResultTrees, OnlyABookThatListsSectionsHasChildrenAndNeitherAnswerLoadsAnything)
{
    BooksSearchResultsModel m;
    page.results = gitaResults();
    m.setSearchResults(&page);
    const QModelIndex gita = m.index(0, 0);
    const QModelIndex arithmetic = m.index(1, 0);
    {
        StatementCounter statements(*db);
        EXPECT_TRUE(m.hasChildren(gita));
        EXPECT_FALSE(m.hasChildren(arithmetic));
        EXPECT_EQ(int(m.flags(arithmetic)), int(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
        EXPECT_EQ(statements.count, 0);
    }
    EXPECT_EQ(m.rowCount(arithmetic), 0);
    EXPECT_EQ(m.rowCount(gita), 2);
}

TEST_F(SearchResultTrees, BranchIdsLoadAnUnexpandedBookAndGatherEveryHitBelow)
{
    BooksSearchResultsModel m;
    page.results = gitaResults();
    m.setSearchResults(&page);
    const QModelIndex gita = m.index(0, 0);
    EXPECT_EQ(sortedIds(m.getBranchIds(gita)), (std::vector<int>{3, 4, 5, 7, 8}));
    {
        StatementCounter statements(*db);
        EXPECT_EQ(m.rowCount(gita), 2) << "loaded by the branch ids";
        EXPECT_EQ(statements.count, 0);
    }
    const QModelIndex grouping = m.index(0, 0, gita);
    EXPECT_EQ(sortedIds(m.getBranchIds(grouping)), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(sortedIds(m.getBranchIds(m.index(0, 0, m.index(1, 0, gita)))), (std::vector<int>{7, 8}));
    EXPECT_TRUE(m.getBranchIds(m.index(1, 0)).isEmpty());

    EXPECT_TRUE(m.getBranchIds(QModelIndex()).isEmpty());
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("BooksSearchResultsModel::getBranchIds: Invalid index")));
}

TEST_F(SearchResultTrees, ASectionThatCannotBeReadIsShownAsAnErrorAndReadAgainLater)
{
    BooksSearchResultsModel m;
    page.results = gitaResults();
    m.setSearchResults(&page);
    const QModelIndex gita = m.index(0, 0);
    ASSERT_EQ(m.data(gita, R::IdRole), 101); // the book's row is read; its sections are not

    hide(QStringLiteral("BookSections2"));
    EXPECT_EQ(m.rowCount(gita), 0);
    EXPECT_FALSE(m.index(0, 0, gita).isValid());
    ASSERT_FALSE(services.errors.isEmpty());
    EXPECT_TRUE(services.errors[0].startsWith(QStringLiteral("Ошибка при загрузке результатов поиска: ")));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("BooksSearchResultsModel::loadSections: ")));

    restore(QStringLiteral("BookSections2"));
    EXPECT_EQ(m.rowCount(gita), 2);
    EXPECT_EQ(m.data(m.index(1, 0, gita), R::FreqRole), 2);
}

TEST_F(SearchResultTrees, SettingResultsRebuildsEveryRowAndRefusesWhatIsNoSearchPage)
{
    BooksSearchResultsModel m;
    page.results = gitaResults();
    m.setSearchResults(&page);
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy removed(&m, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
    m.setSearchResults(&page);
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(inserted.count(), 1) << "the same search id still rebuilds";

    QObject stranger;
    m.setSearchResults(&stranger);
    EXPECT_TRUE(log.contains(QtCriticalMsg, QStringLiteral("INVALID searchPageStatus (0x57789544)")));
    EXPECT_EQ(m.rowCount(), 2) << "the tree stays as it was";
    EXPECT_EQ(m.getSearchResultsId(), page.results->id());

    struct Case
    {
        std::shared_ptr<SearchResults2> results;
        const char* warning;
    };
    auto glossaryResults = GlossarySearchResults::create(nullptr);
    const Case cases[] = {
        {nullptr, "BooksSearchResultsModel::loadRootItems: searchResults=0"},
        {glossaryResults, "BooksSearchResultsModel::loadRootItems: convert to BooksSearchResults failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.warning);
        page.results = c.results;
        m.setSearchResults(&page);
        EXPECT_EQ(m.rowCount(), 0);
        EXPECT_EQ(m.getSearchResultsId(), c.results ? c.results->id() : 0);
        EXPECT_TRUE(log.contains(QtWarningMsg, QString::fromLatin1(c.warning)));
    }
}

// The restore through the proxy of a result tree, as the page logic runs it
// when its results page is shown again.
class RestoredChecks : public SearchResultTrees
{
protected:
    void SetUp() override
    {
        SearchResultTrees::SetUp();
        page.results = gitaResults();
        // Made once the library is open: the model reads it through the connection it was made with.
        model.emplace();
        proxy.setSourceModel(&*model);
        model->setSearchResults(&page);
        proxyTester = std::make_unique<QAbstractItemModelTester>(&proxy,
                                                                 QAbstractItemModelTester::FailureReportingMode::Fatal);
        proxy.uncheckAll();
    }

    QString expanded(const QStringList& names)
    {
        for (const QString& name : names) {
            for (int r = 0; r < proxy.rowCount(); ++r) {
                if (proxy.data(proxy.index(r, 0), Qt::DisplayRole).toString() == name)
                    proxy.expand(proxy.index(r, 0));
            }
        }
        return proxyRows(proxy);
    }

    std::optional<BooksSearchResultsModel> model;
    TreeViewProxyModel proxy;
    std::unique_ptr<QAbstractItemModelTester> proxyTester;
};

TEST_F(RestoredChecks, NothingHiddenLeavesEveryRowCheckedAndNothingExpanded)
{
    StatementCounter statements(*db, "BookSections");
    model->restoreCheckState(&proxy, &page);
    EXPECT_EQ(proxyRows(proxy), QStringLiteral("Бхагавад-гита=x Арифметика"));
    EXPECT_EQ(statements.count, 0) << "no book's sections were read";
}

TEST_F(RestoredChecks, HiddenHitsUncheckTheParentsOfTheirLeafSectionsInACollapsedTree)
{
    struct Case
    {
        std::set<quint32> hidden;
        const char* rows;
        bool mixed;
    };
    const Case cases[] = {
        {{3, 4, 5}, "Бхагавад-гита/=~ .Глава 101.1/ ..Глава 101.1.1 ..Глава 101.1.2 .Глава 101.2/=x ..Глава 101.2.1 Арифметика", false},
        {{3, 4, 5, 7, 8}, "Бхагавад-гита/ .Глава 101.1/ ..Глава 101.1.1 ..Глава 101.1.2 .Глава 101.2/ ..Глава 101.2.1 Арифметика", false},
        {{5}, "Бхагавад-гита/=~ .Глава 101.1/ ..Глава 101.1.1 ..Глава 101.1.2 .Глава 101.2/=x ..Глава 101.2.1 Арифметика", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        log.clear();
        proxy.collapseAll();
        proxy.uncheckAll();
        page.hidden = c.hidden;
        model->restoreCheckState(&proxy, &page);
        EXPECT_EQ(proxy.rowCount(), 2) << "collapsed";
        EXPECT_EQ(expanded({"Бхагавад-гита", "Глава 101.1", "Глава 101.2"}), QString::fromUtf8(c.rows));
        EXPECT_EQ(log.contains(QtCriticalMsg, QStringLiteral("UNKNOWN ERROR (0x64886310)")), c.mixed);
    }
}

TEST_F(RestoredChecks, RefusalsLeaveTheRowsAsTheyWere)
{
    FakeSearchPage noHiddenSet;
    noHiddenSet.keepsHiddenSet = false;
    noHiddenSet.results = page.results;
    FakeSearchPage noResults;
    QObject stranger;
    struct Case
    {
        QObject* page;
        const char* critical;
    };
    const Case cases[] = {
        {&stranger, "INVALID searchPageStatus (0x57789545)"},
        {&noHiddenSet, "hiddenSearchResults is null (0x55789545)"},
        {&noResults, "searchResults is null (0x55789145)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.critical);
        model->restoreCheckState(&proxy, c.page);
        EXPECT_TRUE(log.contains(QtCriticalMsg, QString::fromLatin1(c.critical)));
        EXPECT_EQ(proxyRows(proxy), QStringLiteral("Бхагавад-гита Арифметика"));
    }

    // An expanded book is a shape the restore cannot work on: every row is
    // checked and the rest is left alone.
    page.hidden = {3};
    proxy.expand(proxy.index(0, 0));
    model->restoreCheckState(&proxy, &page);
    EXPECT_TRUE(log.contains(QtCriticalMsg, QStringLiteral("ERROR 0x55789525")));
    EXPECT_EQ(proxyRows(proxy), QStringLiteral("Бхагавад-гита/=x .Глава 101.1=x .Глава 101.2=x Арифметика"));
}

// The glossary hits of a glossary search.
class GlossaryResultList : public SearchResultTrees
{
protected:
    void SetUp() override
    {
        SearchResultTrees::SetUp();
        category->addGlossary(atma);
        auto settings = std::make_shared<GlossarySettings>();
        settings->setLanguage(C::English);
        results = GlossarySearchResults::create(std::make_shared<GlossarySearchStatus>(settings));
        results->addGlossary(std::make_shared<SRGlossary>(SRGlossary{atma}));
        results->addGlossary(std::make_shared<SRGlossary>(SRGlossary{orphan}));
        results->addGlossary(std::make_shared<SRGlossary>(SRGlossary{atma}));
        page.results = results;
    }

    class GlossarySettings : public SearchSettings
    {
    public:
        C::SearchType searchType() const override { return C::GlossarySearch; }
    };

    std::shared_ptr<GlossaryCategory> category = glossaryCategory(12, QStringLiteral("Upanishad"), QStringLiteral("upanishad"));
    std::shared_ptr<Glossary> atma = glossaryEntry(345, QStringLiteral("Ātmā"), QStringLiteral("atma"));
    std::shared_ptr<Glossary> orphan = glossaryEntry(9, QStringLiteral("Orphan"), QStringLiteral("orphan"));
    std::shared_ptr<GlossarySearchResults> results;
};

TEST_F(GlossaryResultList, EachGlossaryHitIsACheckableRowWhoseBranchIsItsKey)
{
    GlossarySearchResultsModel m;
    m.setSearchResults(&page);
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(rows(m), QStringList({"7:345:Ātmā:", "7:9:Orphan:"})) << "a glossary is listed once";
    const QModelIndex atmaRow = m.index(0, 0);
    EXPECT_EQ(m.data(atmaRow, R::IsBookRole), false);
    EXPECT_EQ(m.data(atmaRow, R::LanguageRole), int(C::English));
    EXPECT_FALSE(m.data(atmaRow, R::FreqRole).isValid());
    EXPECT_EQ(int(m.flags(atmaRow)), int(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable));
    EXPECT_FALSE(m.hasChildren(atmaRow));

    const QVariantList branch = m.getBranchIds(atmaRow);
    ASSERT_EQ(branch.size(), 1);
    EXPECT_EQ(branch[0].userType(), QMetaType::QByteArray);
    EXPECT_EQ(branch[0].toByteArray(), QByteArray("12 345"));

    EXPECT_TRUE(m.getBranchIds(m.index(1, 0)).isEmpty());
    EXPECT_EQ(services.errors, QStringList{QStringLiteral("ERROR 0x74754335")});
}

TEST_F(GlossaryResultList, OnlyGlossaryResultsGiveRowsAndTheRestoreChecksAll)
{
    GlossarySearchResultsModel m;
    struct Case
    {
        std::shared_ptr<SearchResults2> results;
        const char* warning;
    };
    const Case cases[] = {
        {nullptr, "GlossarySearchResultsModel::loadRootItems: searchResults=0"},
        {gitaResults(), "GlossarySearchResultsModel::loadRootItems: Invalid mode"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.warning);
        page.results = c.results;
        m.setSearchResults(&page);
        EXPECT_EQ(m.rowCount(), 0);
        EXPECT_TRUE(log.contains(QtWarningMsg, QString::fromLatin1(c.warning)));
    }

    page.results = results;
    page.hidden = {0, 1, 2};
    TreeViewProxyModel proxy;
    proxy.setSourceModel(&m);
    m.setSearchResults(&page);
    proxy.uncheckAll();
    m.restoreCheckState(&proxy, &page);
    EXPECT_EQ(proxyRows(proxy), QStringLiteral("Ātmā=x Orphan=x"));
}

#include "SearchResultsModelTest.moc"
