// The open-book page kind on a real tab: serving sections at both ends, the
// item path and title as the reader scrolls, the catalogue the book came
// from, search hits, reloading after a library change and losing the book.
#include "app/Tarnolix.h"
#include "core/Exception.h"
#include "pages/HTMLCreator.h"
#include "search/searchers/FTSearchRecords.h"
#include "tabs/FindTextHelper.h"
#include "tabs/OpenBookStatus.h"
#include "tabs/PageSearchData.h"
#include "tabs/TabStatus.h"
#include "tabs/TabWebChannel.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestSupport.h"
#include "tests/tabs/TabFixture.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace tarnolix::test;
using C = TarnolixConstants;

struct SectionRow
{
    const char* code;
    const char* parent;
    const char* slug;
    const char* name;
};

// Book 90, Russian only: two parts, the first with a chapter that has a
// verse of its own before the part's second chapter.
const std::vector<SectionRow> kBook = {
    {"a", "", "part-1", "Часть 1"},      {"a1", "a", "part-1.ch-1", "Глава 1"},
    {"a1x", "a1", "part-1.ch-1.v-1", "Стих 1"}, {"a2", "a", "part-1.ch-2", "Глава 2"},
    {"b", "", "part-2", "Часть 2"},      {"b1", "b", "part-2.ch-1", "Глава 3"},
};

// Favorites that report one favorite rendered in the section at
// `renderedAt`, and favorites to show once loaded.
class FakeFavorites final : public OpenBookFavorites
{
public:
    void loadFavorites(const BookMngr& book) override { loadedBook = book.bookId(); }
    void clearFavorites() override { loadedBook = 0; }
    bool hasFavorites() const override { return loadedBook != 0; }
    FavoriteConstArray sectionFavorites(quint64 sectionIndex) override
    {
        if (sectionIndex == renderedAt)
            ++rendered;
        return {};
    }
    int sectionCoverage(const Favorite&, quint64) const override { return 0; }
    void resetRenderedCount() override { rendered = 0; }
    int renderedCount() const override { return rendered; }

    int loadedBook = 0;
    int rendered = 0;
    quint64 renderedAt = 5;
};

class OpenBookStatusTest : public TabFixture
{
protected:
    void SetUp() override
    {
        TabFixture::SetUp();
        services.creator = std::make_shared<HTMLCreator>();
        insertBook();
        page = std::make_unique<OpenBookStatus>();
        page->setTabStatus(tab.get());
        tab->setPageStatus(page.get());
        page->initialize();
    }

    void TearDown() override
    {
        OpenBookFavorites::setFactory({});
        openbookseams::setHighlightedSectionBuilder({});
        openbookseams::setUpdaterBusyProvider({});
        page.reset();
        TabFixture::TearDown();
    }

    // Book 90 as kBook has it, in place of any held.
    void insertBook()
    {
        db->deleteBook(90);
        BookBase base;
        base.id = 90;
        base.slug = QStringLiteral("kniga");
        base.name = QStringLiteral("kniga");
        base.languages = {kRu};
        db->insertBookBase(base);
        auto book = std::make_shared<Book>();
        book->info = std::make_shared<BookInfo>();
        book->info->bookId = 90;
        book->info->language = kRu;
        book->info->name = QStringLiteral("Книга о книге");
        book->info->shortName = QStringLiteral("Книга");
        book->sections = sections(kBook);
        db->insertBook(book);
    }

    static std::vector<std::shared_ptr<BookSection>> sections(const std::vector<SectionRow>& rows)
    {
        std::vector<std::shared_ptr<BookSection>> result;
        int i = 0;
        for (const SectionRow& row : rows) {
            auto s = std::make_shared<BookSection>();
            s->code = QString::fromUtf8(row.code);
            s->parentCode = QString::fromUtf8(row.parent);
            s->slug = QString::fromUtf8(row.slug);
            s->name = QString::fromUtf8(row.name);
            s->title = s->name;
            s->index = ++i;
            s->left = 2 * i;
            s->right = 2 * i + 1;
            result.push_back(s);
        }
        return result;
    }

    void replaceSections(const std::vector<SectionRow>& rows)
    {
        db->deleteBookSections(90, kRu);
        db->insertBookSections(90, kRu, sections(rows));
    }

    // Shows `path` of book 90 in the tab and opens the book.
    void openAt(const char* path, const char* catalogTab = "Names")
    {
        tab->setUrl(QUrl(QStringLiteral("tarnolix://openbook.ru/Book-90%1?catalogTab=%2&tabId=%3")
                             .arg(QString::fromUtf8(path), QString::fromUtf8(catalogTab))
                             .arg(tab->id())));
        ASSERT_TRUE(page->openBook());
    }

    static QString code(const QVariant& served)
    {
        const QString html = served.toMap().value(QStringLiteral("html")).toString();
        const int at = html.indexOf(QStringLiteral("id=\\\""));
        return at < 0 ? QString() : html.mid(at + 5, html.indexOf(QLatin1Char('\\'), at + 5) - at - 5);
    }

    QString path() const { return parentHierarchyItemsToPath(tab->urlCreator().itemPathItems(), false); }

    std::unique_ptr<OpenBookStatus> page;
};

// The message of the next reader error notice (queued), empty when none comes.
QString nextErrorMessage(QSignalSpy& errors)
{
    if (!waitUntil([&] { return errors.count() > 0; }, 2000))
        return QString();
    return errors.takeFirst().at(1).toString();
}

TEST_F(OpenBookStatusTest, ServesSectionsAtBothEndsAndNothingPastThem)
{
    QSignalSpy errors(&app(), &Tarnolix::errorMessage);
    openAt("");
    MessageLog log;
    EXPECT_FALSE(page->getPreviousSection().isValid());

    QStringList codes;
    for (QVariant served = page->getNextSection(); served.isValid(); served = page->getNextSection()) {
        const QString html = served.toMap().value(QStringLiteral("html")).toString();
        // Escaped for a double-quoted script literal: no bare quote or line break.
        EXPECT_FALSE(html.contains(QRegularExpression(QStringLiteral("(^|[^\\\\])\""))));
        EXPECT_FALSE(html.contains(QLatin1Char('\n')));
        EXPECT_TRUE(html.contains(QStringLiteral("data-section-index=\\\"%1\\\"").arg(codes.size()))) << qPrintable(html);
        EXPECT_FALSE(served.toMap().value(QStringLiteral("needUpdateFavoriteButtonsPosition")).toBool());
        codes << code(served);
    }
    EXPECT_EQ(codes, (QStringList{"a", "a1", "a1x", "a2", "b", "b1"}));
    EXPECT_FALSE(page->getNextSection().isValid());

    ASSERT_TRUE(page->seekSection(QStringLiteral("a2")));
    EXPECT_EQ(code(page->getNextSection()), QStringLiteral("a2"));
    EXPECT_EQ(code(page->getPreviousSection()), QStringLiteral("a1x"));
    page->setStartPartIndex(0);
    EXPECT_FALSE(page->getPreviousSection().isValid());

    EXPECT_TRUE(log.texts(QtWarningMsg).isEmpty()) << log.texts(QtWarningMsg).join('\n').toStdString();
    EXPECT_TRUE(log.texts(QtCriticalMsg).isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(errors.count(), 0);
}

TEST_F(OpenBookStatusTest, ServingFailuresAreShownAndGiveNothing)
{
    QSignalSpy errors(&app(), &Tarnolix::errorMessage);
    openAt("");
    EXPECT_FALSE(page->seekSection(QStringLiteral("zz")));
    EXPECT_EQ(nextErrorMessage(errors), QStringLiteral("Раздел книги не найдена"));

    db->deleteBook(90);
    EXPECT_FALSE(page->getNextSection().isValid());
    EXPECT_EQ(nextErrorMessage(errors), QStringLiteral("Книга недоступна в текущей библиотеке."));
}

TEST_F(OpenBookStatusTest, TheItemPathFollowsTheCommittedSection)
{
    struct Case
    {
        const char* start;
        const char* section;
        qint64 index;
        const char* path;
    } cases[] = {
        {"", "a1x", 2, "/Book-90/Section-a/Section-a1/Section-a1x"},
        // The verse under a1 lies between a2 and its parent.
        {"/Section-b1", "a2", 3, "/Book-90/Section-a/Section-a2"},
        {"/Section-a/Section-a1", "b", 4, "/Book-90/Section-b"},
        // A hit or favorite at the end stays at the end.
        {"/Section-a/SRItemId-5", "b1", 5, "/Book-90/Section-b/Section-b1/SRItemId-5"},
        {"/Section-b/Section-b1/FavoriteItemId-6e1a3c1e-0c55-4b43-8a7e-2f9d1b6f0a11", "a1", 1,
         "/Book-90/Section-a/Section-a1/FavoriteItemId-6e1a3c1e-0c55-4b43-8a7e-2f9d1b6f0a11"},
        // A wrong index: the code is looked up.
        {"", "b1", 2, "/Book-90/Section-b/Section-b1"},
        {"", "b1", 99, "/Book-90/Section-b/Section-b1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " -> " + c.section);
        openAt(c.start);
        EXPECT_TRUE(page->commitVisibleSection(QString::fromUtf8(c.section), c.index));
        EXPECT_EQ(path(), QString::fromUtf8(c.path));
        EXPECT_EQ(tab->sectionCode(), QString::fromUtf8(c.section));
        ASSERT_TRUE(page->currentSection());
        EXPECT_EQ(page->currentSection()->code, QString::fromUtf8(c.section));
        EXPECT_EQ(page->bookMngr().sections().at(page->currentSectionIndex())->code, QString::fromUtf8(c.section));
    }

    EXPECT_FALSE(page->commitVisibleSection(QStringLiteral("zz"), 0));
    EXPECT_FALSE(page->commitVisibleSection(QString(), 0));
    page->closeBook();
    EXPECT_FALSE(page->commitVisibleSection(QStringLiteral("a"), 0));
}

TEST_F(OpenBookStatusTest, TheTitleFollowsTheSectionShortlyAfter)
{
    openAt("/Section-a/Section-a1");
    ASSERT_TRUE(waitUntil([&] { return !page->tabTitle().isEmpty(); }, 2000));
    EXPECT_EQ(page->tabTitle(), QStringLiteral("Книга - Глава 1"));

    // Scrolling reports: the path moves at once, the title on the timer.
    page->updateCurrentSection(QStringLiteral("b1"));
    EXPECT_EQ(tab->sectionCode(), QStringLiteral("b1"));
    EXPECT_EQ(page->tabTitle(), QStringLiteral("Книга - Глава 1"));
    EXPECT_TRUE(waitUntil([&] { return page->tabTitle() == QStringLiteral("Книга - Глава 3"); }, 2000));

    // Committing sets it at once.
    page->commitVisibleSection(QStringLiteral("a2"));
    EXPECT_EQ(page->tabTitle(), QStringLiteral("Книга - Глава 2"));

    // The same book without a section in its URL: the short name alone.
    openAt("");
    EXPECT_TRUE(waitUntil([&] { return page->tabTitle() == QStringLiteral("Книга"); }, 2000));
}

TEST_F(OpenBookStatusTest, WithoutABookTheTitleIsLeftAlone)
{
    page->setTabTitle(QStringLiteral("before"));
    tab->setUrl(tabUrl("tarnolix://openbook.ru/Book-90/Section-a?tabId=%1"));
    page->reloadTabTitle();
    QTest::qWait(300);
    EXPECT_EQ(page->tabTitle(), QStringLiteral("before"));
}

TEST_F(OpenBookStatusTest, TheBookKeepsTheCatalogueItCameFrom)
{
    QSignalSpy changed(page.get(), &OpenBookStatus::bookOfCatalogChanged);
    openAt("", "Authors");
    EXPECT_EQ(page->bookOfCatalog(), C::Authors);
    for (const char* ignored : {"SearchResults", "Glossaries", "GlossariesNames", "AllFavorites", "FavoritesByBooks"}) {
        SCOPED_TRACE(ignored);
        openAt("/Section-a", ignored);
        EXPECT_EQ(page->bookOfCatalog(), C::Authors);
    }
    openAt("/Section-a", "Categories");
    EXPECT_EQ(page->bookOfCatalog(), C::Categories);
    EXPECT_EQ(changed.count(), 2);

    // Another page in the tab closes the book and forgets the catalogue.
    tab->setUrl(tabUrl("tarnolix://newtab.ru?tabId=%1"));
    EXPECT_FALSE(page->isBookOpen());
    EXPECT_EQ(page->bookOfCatalog(), C::InvalidCatalogTab);
}

TEST_F(OpenBookStatusTest, MovingInsideTheBookKeepsItOpen)
{
    openAt("/Section-a");
    QSignalSpy openChanged(page.get(), &OpenBookStatus::isBookOpenChanged);
    page->commitVisibleSection(QStringLiteral("b"));
    tab->setUrl(tabUrl("tarnolix://openbook.ru/Book-90/Section-a2?catalogTab=Names&tabId=%1"));
    EXPECT_TRUE(page->isBookOpen());
    EXPECT_EQ(openChanged.count(), 0);
    tab->setUrl(tabUrl("tarnolix://openbook.en/Book-77/Section-e-2?catalogTab=Names&tabId=%1"));
    EXPECT_FALSE(page->isBookOpen());
    EXPECT_EQ(openChanged.count(), 1);
}

class OpenBookHits : public OpenBookStatusTest
{
protected:
    // Full-text results with hits 11, 12 (texts 0 and 1 of the first
    // paragraph) and 13 (the second paragraph) in b1 and hit 14 in a.
    void storeResults()
    {
        auto results = fullTextResults(QStringLiteral("глава"));
        auto book = std::make_shared<tarnolix::FTSRBook>(results->status(), 90);
        auto items = std::make_shared<tarnolix::SRItemsContainer>();
        auto addSection = [&](const char* code, const std::vector<std::vector<unsigned>>& parts) {
            auto section = std::make_shared<tarnolix::FTSRSection>(book, QString::fromUtf8(code));
            unsigned long long entityIndex = 0;
            for (const auto& ids : parts) {
                auto entity = std::make_shared<tarnolix::FTSREntity>(entityIndex++);
                unsigned long long text = 0;
                for (unsigned id : ids) {
                    auto item = std::make_shared<tarnolix::FTSRItem>(section, entity, text++, id, 1.0);
                    entity->addItem(item);
                    items->append(item);
                }
                section->addEntity(entity);
            }
            book->addSection(section);
        };
        addSection("a", {{14}});
        addSection("b1", {{11, 12}, {13}});
        results->setBooks({book}, {{90u, book}}, items);
        auto* data = new FTSearchData(tab.get());
        data->setSearchResults(results);
        tab->searchDataStorage()->setSearchData(data);
    }
};

TEST_F(OpenBookHits, TheMatchIndexOfAResultItem)
{
    QSignalSpy errors(&app(), &Tarnolix::errorMessage);
    openAt("/Section-b1");
    EXPECT_EQ(page->getMatchIndex(QStringLiteral("b1"), 11), -1);
    EXPECT_EQ(nextErrorMessage(errors), QStringLiteral("ERROR 0x54778974"));

    storeResults();
    const auto helper = page->getFindTextHelper(90);
    ASSERT_TRUE(helper->getSection(QStringLiteral("b1")));
    // One mark in b1's title, then 3 and 2 in the first paragraph's texts
    // and 1 in the second's: the page counts them in that order.
    helper->getSection(QStringLiteral("b1"))->setMarks(7, {{3, 2}, {1}});
    helper->getSection(QStringLiteral("a"))->setMarks(1, {{1}});

    struct Case
    {
        const char* section;
        int item;
        int index;
        const char* error;
    } cases[] = {
        {"b1", 11, 0, ""}, // its document holds the title
        {"b1", 12, 4, ""},
        {"b1", 13, 6, ""},
        {"a", 14, 0, ""},
        {"a1", 11, -1, "ERROR 0x54778975"},
        {"b1", 14, -1, "ERROR 0x54778976"},
        {"b1", 99, -1, "ERROR 0x54778976"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section) + " " + std::to_string(c.item));
        EXPECT_EQ(page->getMatchIndex(QString::fromUtf8(c.section), c.item), c.index);
        if (*c.error) {
            EXPECT_EQ(nextErrorMessage(errors), QString::fromUtf8(c.error));
        }
    }
    EXPECT_EQ(page->getFindTextHelper(90), helper);

    // Word-by-word data in the tab: the held index no longer answers.
    auto* data = new WBWSearchData(tab.get());
    data->setSearchResults(wordByWordResults());
    tab->searchDataStorage()->setSearchData(data);
    EXPECT_EQ(page->getMatchIndex(QStringLiteral("b1"), 11), -1);
    EXPECT_EQ(nextErrorMessage(errors), QStringLiteral("ERROR 0x54778977"));
}

TEST_F(OpenBookHits, TheHitIndexNeedsAFullTextSearchOfTheBook)
{
    openAt("");
    auto failure = [&] {
        try {
            page->getFindTextHelper(90);
        } catch (const Exception& e) {
            return e.message();
        }
        return QStringLiteral("(nothing thrown)");
    };
    EXPECT_EQ(failure(), QStringLiteral("searchData is null"));
    auto* empty = new FTSearchData(tab.get());
    tab->searchDataStorage()->setSearchData(empty);
    EXPECT_EQ(failure(), QStringLiteral("searchResults is null"));
    auto* wbw = new WBWSearchData(tab.get());
    wbw->setSearchResults(wordByWordResults());
    tab->searchDataStorage()->setSearchData(wbw);
    EXPECT_EQ(failure(), QStringLiteral("Invalid search type (0x36190612"));
    auto* other = new FTSearchData(tab.get());
    other->setSearchResults(fullTextResults(QStringLiteral("x")));
    tab->searchDataStorage()->setSearchData(other);
    EXPECT_EQ(failure(), QStringLiteral("Book not exists in search results"));
}

TEST_F(OpenBookHits, SectionsOfAShownSearchGoThroughTheHighlightedRendering)
{
    std::vector<QString> rendered;
    openbookseams::setHighlightedSectionBuilder([&](const HighlightedSectionRequest& r) {
        rendered.push_back(r.item.section->code);
        EXPECT_TRUE(r.findTextHelper && r.findTextHelper->getSection(QStringLiteral("b1")));
        EXPECT_EQ(r.settings->language(), C::Russian);
        return QStringLiteral("<mark class=\"hit\">%1</mark>").arg(r.item.section->code);
    });
    openAt("");
    EXPECT_EQ(code(page->getNextSection()), QStringLiteral("a")); // no search: plain
    EXPECT_TRUE(rendered.empty());
    storeResults();
    const QString html = page->getNextSection().toMap().value(QStringLiteral("html")).toString();
    EXPECT_EQ(html, QStringLiteral("<mark class=\\\"hit\\\">a1</mark>"));
    EXPECT_EQ(rendered, std::vector<QString>{QStringLiteral("a1")});
}

TEST_F(OpenBookStatusTest, FavoritesOfTheOpenBook)
{
    FakeFavorites* favorites = nullptr;
    OpenBookFavorites::setFactory([&](TabStatus*, OpenBookStatus*) {
        auto f = std::make_unique<FakeFavorites>();
        favorites = f.get();
        return f;
    });
    page = std::make_unique<OpenBookStatus>();
    page->setTabStatus(tab.get());
    tab->setPageStatus(page.get());
    page->initialize();
    ASSERT_TRUE(favorites);
    TabWebChannel& channel = *tab->webChannel();
    EXPECT_FALSE(channel.isExistsFovoritesInOpenedBook());

    openAt("");
    EXPECT_TRUE(channel.isExistsFovoritesInOpenedBook());
    QSignalSpy reload(page.get(), &OpenBookStatus::needReloadSections);
    page->requestSectionsReload({{0, 1}, {5, 5}});
    ASSERT_EQ(reload.count(), 1);
    const QVariantMap v = reload.at(0).at(0).toMap();
    QStringList codes;
    for (const QVariant& s : v.value(QStringLiteral("sections")).toList())
        codes << s.toMap().value(QStringLiteral("sectionCode")).toString();
    EXPECT_EQ(codes, (QStringList{"a", "a1", "b1"}));
    EXPECT_TRUE(v.value(QStringLiteral("needUpdateFavoriteButtonsPosition")).toBool());
    EXPECT_EQ(page->getNextSection().toMap().value(QStringLiteral("needUpdateFavoriteButtonsPosition")), false);

    page->closeBook();
    EXPECT_FALSE(channel.isExistsFovoritesInOpenedBook());
}

TEST_F(OpenBookStatusTest, WithoutAFavoritesServiceThereAreNone)
{
    openAt("");
    EXPECT_FALSE(tab->webChannel()->isExistsFovoritesInOpenedBook());
    EXPECT_EQ(page->favoriteLogic(), nullptr);
}

TEST_F(OpenBookStatusTest, AChangeDuringAnUpdateWaitsForTheUpdaterToStop)
{
    bool updating = true;
    openbookseams::setUpdaterBusyProvider([&] { return updating; });
    openAt("/Section-a");
    QSignalSpy requested(page.get(), &OpenBookStatus::bookContentReloadRequested);

    page->invalidateBookContent(77); // another book
    page->invalidateBookContent(90);
    page->requestBookContentReload();
    EXPECT_EQ(requested.count(), 0);
    EXPECT_EQ(page->refreshUpdatedBook(QStringLiteral("a")), QString());

    updating = false;
    // Through the notice board, as the updater announces it.
    TarnolixEvents::current()->emitDatabaseUpdaterActiveChanged();
    EXPECT_TRUE(waitUntil([&] { return requested.count() == 1; }, 2000));
    page->requestBookContentReload();
    EXPECT_EQ(requested.count(), 1);

    // Without an update the change asks at once, once.
    EXPECT_EQ(page->refreshUpdatedBook(QStringLiteral("a")), QStringLiteral("a"));
    page->invalidateBookContent(90);
    page->invalidateBookContent(90);
    EXPECT_EQ(requested.count(), 2);
}

TEST_F(OpenBookStatusTest, RefreshingTheUpdatedBookChoosesTheSectionToShow)
{
    struct Case
    {
        const char* name;
        std::vector<SectionRow> newBook;
        const char* preferred;
        const char* result;
    } cases[] = {
        {"the preferred code is still there", kBook, "a2", "a2"},
        {"a renamed section found by its slug",
         {{"n-a", "", "part-1", "Часть 1"}, {"n-a2", "n-a", "part-1.ch-2", "Глава 2"}},
         "a2",
         "n-a2"},
        {"neither: the old position", {{"x1", "", "s1", "1"}, {"x2", "", "s2", "2"}, {"x3", "", "s3", "3"}, {"x4", "", "s4", "4"}}, "a2", "x4"},
        {"neither: clamped to the last", {{"x1", "", "s1", "1"}, {"x2", "", "s2", "2"}}, "b1", "x2"},
        {"an unknown old code: the first", {{"x1", "", "s1", "1"}, {"x2", "", "s2", "2"}}, "zz", "x1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        page->closeBook();
        replaceSections(kBook);
        openAt("/Section-a");
        page->commitVisibleSection(QStringLiteral("a"));
        replaceSections(c.newBook);
        page->invalidateBookContent(90);
        QSignalSpy sectionChanged(page.get(), &OpenBookStatus::currentSectionChanged);
        EXPECT_EQ(page->refreshUpdatedBook(QString::fromUtf8(c.preferred)), QString::fromUtf8(c.result));
        EXPECT_TRUE(page->isBookOpen());
        EXPECT_EQ(page->currentSection(), nullptr);
        EXPECT_GE(sectionChanged.count(), 1);
        EXPECT_EQ(page->bookMngr().sections().size(), c.newBook.size());
        // Done: nothing more to refresh.
        EXPECT_EQ(page->refreshUpdatedBook(QString::fromUtf8(c.preferred)), QString());
    }
}

TEST_F(OpenBookStatusTest, ReopeningAnInvalidatedBookDropsTheSearchShown)
{
    openAt("/Section-a");
    page->commitVisibleSection(QStringLiteral("a"));
    auto* data = new FTSearchData(tab.get());
    tab->searchDataStorage()->setSearchData(data);
    page->invalidateBookContent(90);
    ASSERT_TRUE(page->openBook());
    EXPECT_EQ(tab->searchDataStorage()->searchData(), nullptr);
    EXPECT_EQ(page->currentSection(), nullptr);
    EXPECT_EQ(page->refreshUpdatedBook(QStringLiteral("a")), QString()); // nothing invalid any more
}

TEST_F(OpenBookStatusTest, LosingTheBookClosesItAndLeavesBookMode)
{
    QSignalSpy errors(&app(), &Tarnolix::errorMessage);
    struct Case
    {
        const char* name;
        std::function<void()> act;
        const char* error;
    } cases[] = {
        {"the refreshed book has no sections",
         [this] {
             replaceSections({});
             page->invalidateBookContent(90);
             EXPECT_EQ(page->refreshUpdatedBook(QStringLiteral("a")), QString());
         },
         "В обновлённой книге нет разделов."},
        {"the refreshed book is gone",
         [this] {
             page->invalidateBookContent(90);
             db->deleteBook(90);
             EXPECT_EQ(page->refreshUpdatedBook(QStringLiteral("a")), QString());
         },
         nullptr},
        {"the book left the library",
         [this] {
             db->deleteBook(90);
             page->revalidateBookAccess();
         },
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        insertBook();
        openAt("/Section-a");
        page->commitVisibleSection(QStringLiteral("a"));
        tab->setBookMode(true);
        QSignalSpy revoked(page.get(), &OpenBookStatus::bookAccessRevoked);
        QSignalSpy openChanged(page.get(), &OpenBookStatus::isBookOpenChanged);
        QSignalSpy catalogChanged(page.get(), &OpenBookStatus::bookOfCatalogChanged);

        c.act();
        EXPECT_EQ(revoked.count(), 1);
        EXPECT_EQ(openChanged.count(), 1);
        EXPECT_EQ(catalogChanged.count(), 1);
        EXPECT_EQ(page->bookOfCatalog(), C::InvalidCatalogTab);
        EXPECT_FALSE(tab->bookMode());
        EXPECT_FALSE(page->isBookOpen());
        EXPECT_EQ(page->currentSection(), nullptr);
        if (!c.error) {
            EXPECT_FALSE(nextErrorMessage(errors).isEmpty());
        } else if (*c.error) {
            EXPECT_EQ(nextErrorMessage(errors), QString::fromUtf8(c.error));
        }
        errors.clear();
    }

    // A book still in the library stays open.
    insertBook();
    openAt("/Section-a");
    QSignalSpy revoked(page.get(), &OpenBookStatus::bookAccessRevoked);
    page->revalidateBookAccess();
    EXPECT_TRUE(page->isBookOpen());
    EXPECT_EQ(revoked.count(), 0);
}

} // namespace
