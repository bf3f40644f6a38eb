// The catalogue tree helper and the catalogue helper, beside a real tab.
#include "core/TarnolixEvents.h"
#include "models/CatalogCategoriesModel.h"
#include "models/CatalogGlossariesModel.h"
#include "models/CatalogHelper.h"
#include "models/CatalogTreeCheckerMngr.h"
#include "models/CatalogTreeHelper.h"
#include "models/TreeViewProxyModel.h"
#include "tests/models_checker/CheckerLibrary.h"
#include "tests/tabs/TabFakes.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace tarnolix::test;
using C = TarnolixConstants;

namespace tarnolix::test {

// The open book's page kind as the helper reads it: the catalogue tab the
// book was opened from.
class FakeOpenBookPage : public PageStatus
{
    Q_OBJECT
    Q_PROPERTY(TarnolixConstants::CatalogTab bookOfCatalog MEMBER bookOfCatalog NOTIFY bookOfCatalogChanged)

public:
    UrlCreator::QueryType type() const override { return UrlCreator::OpenBook; }

    TarnolixConstants::CatalogTab bookOfCatalog = TarnolixConstants::Categories;

signals:
    void bookOfCatalogChanged();
};

} // namespace tarnolix::test

namespace {

// The proxy row showing the source item with this id.
QModelIndex findRow(const TreeViewProxyModel& proxy, const QVariant& id)
{
    for (int r = 0; r < proxy.rowCount(); ++r) {
        const QModelIndex index = proxy.index(r, 0);
        if (proxy.data(index, CatalogModelBase::IdRole) == id)
            return index;
    }
    return {};
}

int stateOf(const TreeViewProxyModel& proxy, const QVariant& id)
{
    return proxy.data(findRow(proxy, id), TreeViewProxyModel::CheckStateRole).toInt();
}

const QString kPrefix = QStringLiteral("<font color=\"#c99c66\">");
const QString kSuffix = QStringLiteral("</font>");

QString marked(const QString& text)
{
    return kPrefix + text + kSuffix;
}

class Helpers : public CheckerLibrary
{
protected:
    void SetUp() override
    {
        CheckerLibrary::SetUp();
        model = std::make_unique<CatalogCategoriesModel>(db, nullptr);
        model->setLanguage(kRu);
        model->reload(false);
        proxy = std::make_unique<TreeViewProxyModel>();
        proxy->setSourceModel(model.get());
        helper = std::make_unique<CatalogTreeHelper>();
        helper->setLanguage(kRu);
        helper->setCatalogModel(model.get());
        helper->setTreeViewProxyModel(proxy.get());
    }
    void TearDown() override
    {
        helper.reset();
        proxy.reset();
        model.reset();
        CheckerLibrary::TearDown();
    }

    QModelIndex row(const QVariant& id) { return findRow(*proxy, id); }
    int checkState(const QVariant& id) { return stateOf(*proxy, id); }

    std::unique_ptr<CatalogCategoriesModel> model;
    std::unique_ptr<TreeViewProxyModel> proxy;
    std::unique_ptr<CatalogTreeHelper> helper;
};

} // namespace

TEST_F(Helpers, HighlightVariantsHoldNoDuplicates)
{
    struct Case
    {
        C::Language language;
        QString text;
        QStringList variants;
    };
    const std::vector<Case> cases = {
        {C::English, "Abc", {"Abc", "abc"}},
        {C::English, "abc", {"abc"}},
        {C::English, "Kṛṣṇa", {"Kṛṣṇa", "Krsna", "krsna"}},
        {C::English, "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        helper->setLanguage(c.language);
        helper->setSearchText(c.text);
        EXPECT_EQ(helper->highlightVariants(), c.variants);
    }
}

TEST_F(Helpers, ProcessTextMarksEveryMatchAndEscapesTheName)
{
    helper->setLanguage(C::English);
    struct Case
    {
        const char* name;
        QString filter;
        QString text;
        QString result;
    };
    const std::vector<Case> cases = {
        {"every occurrence in the text itself", "ab", "ab cab", marked("ab") + " c" + marked("ab")},
        {"found through the form without diacritics, marked in the text", "krs", "Kṛṣṇa and Kṛṣṇa",
         marked("Kṛṣ") + "ṇa and " + marked("Kṛṣ") + "ṇa"},
        {"a form of another length is never used", "Krs", QStringLiteral("Kr\u0325sna"), QStringLiteral("Kr\u0325sna")},
        {"a name from the server shows as text", "b", "a<b&c", "a&lt;" + marked("b") + "&amp;c"},
        {"markup inside the match is escaped too", "<b>", "x<b>y", "x" + marked("&lt;b&gt;") + "y"},
        {"a name without a match shows as text too", "zz", "a<b", "a&lt;b"},
    };
    helper->setSearchMode(true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        helper->setSearchText(c.filter);
        EXPECT_EQ(helper->processText(c.text), c.result);
    }

    helper->setSearchText("ab");
    helper->setSearchMode(false);
    EXPECT_EQ(helper->processText("ab"), "ab") << "filter off";
}

TEST_F(Helpers, ParentHierarchyFollowsTheTabInOneReloadPerPass)
{
    FakeTabServices tabServices;
    TabStatus tab;
    tab.setLanguage(kRu);
    QSignalSpy changed(helper.get(), &CatalogTreeHelper::parentHierarchyCountChanged);
    auto show = [&](const char* url) {
        tab.setUrl(QUrl(QString::fromUtf8(url)));
        QCoreApplication::processEvents();
    };

    // The tab write and the URL with its new item path, all in one pass.
    helper->setTabStatus(&tab);
    tab.setUrl(QUrl(QStringLiteral("tarnolix://openbook.ru/Category-1/Book-101/Section-101.1/Section-101.1.2"
                                   "?catalogTab=Categories")));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(changed.count(), 1) << "one reload for the tab write and both signals";
    EXPECT_EQ(helper->parentHierarchyCount(), 4);

    MessageLog log;
    struct Case
    {
        QVariant id;
        int type;
        bool on;
    };
    const std::vector<Case> cases = {
        {1, C::Category, true},      {12, C::Category, false},     {101, C::Book, true},  {102, C::Book, false},
        {"101.1", C::Section, true}, {"101.2", C::Section, false}, {1, C::Author, false}, {"", C::Letter, false},
        {1, C::InvalidCatalogItemType, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(helper->isExistsInParentHierarchy(c.id, c.type), c.on) << c.type << " " << c.id.toString().toStdString();
    EXPECT_TRUE(log.texts(QtWarningMsg).isEmpty());
    for (int type : {int(C::Glossary), int(C::SRItemId), 42}) {
        log.clear();
        EXPECT_FALSE(helper->isExistsInParentHierarchy(1, type));
        EXPECT_TRUE(log.contains(QtWarningMsg, "CatalogTreeHelper::isExistsInParentHierarchy: Entity not supported!"));
    }

    // The open book's page kind says it was opened from another catalogue
    // tab: nothing is selected here.
    FakeOpenBookPage page;
    page.bookOfCatalog = C::Authors;
    tab.setPageStatus(&page);
    emit page.bookOfCatalogChanged();
    QCoreApplication::processEvents();
    EXPECT_EQ(helper->parentHierarchyCount(), 0);
    EXPECT_FALSE(helper->isExistsInParentHierarchy(101, C::Book));
    EXPECT_EQ(changed.count(), 2) << "going to 0 is told";
    page.bookOfCatalog = C::Categories;
    emit page.bookOfCatalogChanged();
    QCoreApplication::processEvents();
    EXPECT_EQ(helper->parentHierarchyCount(), 4);

    // A book page in another language than the tab's selects nothing.
    tab.setLanguage(C::English);
    helper->startTimerReloadParentHierarchy();
    QCoreApplication::processEvents();
    EXPECT_EQ(helper->parentHierarchyCount(), 0);
    tab.setLanguage(kRu);

    // An author path of a letter tree: the letter is compared in upper case.
    show("tarnolix://openbook.ru/Letter-в/Author-2/Book-102?catalogTab=Categories");
    EXPECT_EQ(helper->parentHierarchyCount(), 3);
    EXPECT_TRUE(helper->isExistsInParentHierarchy("В", C::Letter));
    EXPECT_TRUE(helper->isExistsInParentHierarchy(2, C::Author));

    // A favorite folder's page: its folders, but not the favorite itself.
    show("tarnolix://favorites.ru/FavoriteFolder-6e1a3c1e-0c55-4b43-8a7e-2f9d1b6f0a11/"
         "FavoriteItemId-0b8f6e2c-51c4-4d7e-9c1a-3f2e5d6c7b8a?catalogTab=AllFavorites");
    EXPECT_EQ(helper->parentHierarchyCount(), 1);
    EXPECT_TRUE(helper->isExistsInParentHierarchy("6e1a3c1e-0c55-4b43-8a7e-2f9d1b6f0a11", C::FavoriteFolder));

    // Other pages select nothing.
    show("tarnolix://openauthor.ru/Letter-В/Author-2?catalogTab=Categories");
    EXPECT_EQ(helper->parentHierarchyCount(), 0);

    // A path item of no known kind selects nothing either.
    show("tarnolix://openbook.ru/Category-1/Bogus-5/Book-101?catalogTab=Categories");
    EXPECT_TRUE(log.contains(QtWarningMsg, "reloadParentHierarchyItems error: Unknown error 0x77995896"));
    EXPECT_EQ(helper->parentHierarchyCount(), 0);
    EXPECT_FALSE(helper->isExistsInParentHierarchy(1, C::Category));
}

TEST_F(Helpers, SavedCheckStatesComeBackThroughTheProxy)
{
    proxy->expand(row(1));
    ASSERT_TRUE(proxy->setCheckState(row(12), Qt::Checked));
    ASSERT_EQ(checkState(1), Qt::PartiallyChecked);

    // A reload forgets the rows' states; the manager still has them.
    model->reload(false);
    ASSERT_EQ(checkState(1), Qt::Unchecked);
    helper->loadSavedCheckStates();
    EXPECT_EQ(checkState(1), Qt::PartiallyChecked);
    EXPECT_FALSE(proxy->isExpanded(row(1))) << "expanded only to restore its rows";
    proxy->expand(row(1));
    EXPECT_EQ(checkState(12), Qt::Checked);
    EXPECT_EQ(checkState(11), Qt::Unchecked);
    EXPECT_EQ(checkState(2), Qt::Unchecked);

    // What the search is limited to: the ticked category, through the
    // interface the search settings creator knows.
    auto* source = qobject_cast<tarnolix::CheckedItemsSource*>(static_cast<QObject*>(helper.get()));
    ASSERT_NE(source, nullptr);
    std::vector<uint32_t> categories, glossaries, books;
    QStringList sections;
    source->getCheckedItems(categories, glossaries, books, sections);
    EXPECT_EQ(categories, std::vector<uint32_t>{12});
    EXPECT_TRUE(books.empty());
}

TEST_F(Helpers, GlossaryTicksComeBackUnderTheirLetters)
{
    CatalogGlossariesNamesModel names;
    names.setLanguage(kRu);
    names.reload(false);
    TreeViewProxyModel namesProxy;
    namesProxy.setSourceModel(&names);
    CatalogTreeHelper glossaries;
    glossaries.setLanguage(kRu);
    glossaries.setCatalogModel(&names);
    glossaries.setTreeViewProxyModel(&namesProxy);

    const QVariant letterA = QChar(u'A');
    namesProxy.expand(findRow(namesProxy, letterA));
    ASSERT_TRUE(namesProxy.setCheckState(findRow(namesProxy, 8), Qt::Checked)); // Arjuna, under A

    names.reload(false);
    glossaries.loadSavedCheckStates();
    EXPECT_EQ(stateOf(namesProxy, letterA), Qt::PartiallyChecked);
    EXPECT_EQ(stateOf(namesProxy, QChar(u'B')), Qt::Unchecked);
    namesProxy.expand(findRow(namesProxy, letterA));
    EXPECT_EQ(stateOf(namesProxy, 8), Qt::Checked);
    EXPECT_EQ(stateOf(namesProxy, 3), Qt::Unchecked);

    std::vector<uint32_t> categories, glossaryIds, books;
    QStringList sections;
    glossaries.getCheckedItems(categories, glossaryIds, books, sections);
    EXPECT_EQ(glossaryIds, std::vector<uint32_t>{8});
    EXPECT_TRUE(categories.empty());
}

TEST_F(Helpers, CatalogHelperKeepsTheBookCountOfItsLanguage)
{
    TarnolixEvents events;
    TarnolixEvents::setCurrent(&events);
    CatalogHelper catalog;
    QSignalSpy count(&catalog, &CatalogHelper::bookCountChanged);
    QSignalSpy base(&catalog, &CatalogHelper::bookBaseChanged);
    QSignalSpy glossaries(&catalog, &CatalogHelper::glossaryTreeChanged);

    catalog.setLanguage(kRu);
    EXPECT_EQ(catalog.bookCount(), 7);
    EXPECT_EQ(count.count(), 1);

    addBook(108, u"Новая", 2, 1);
    emit events.booksBaseChanged(C::English);
    EXPECT_EQ(catalog.bookCount(), 7) << "another language's library is not ours";
    EXPECT_EQ(base.count(), 0);
    emit events.booksBaseChanged(kRu);
    EXPECT_EQ(catalog.bookCount(), 8);
    EXPECT_EQ(base.count(), 1);

    // The catalogue is told once the manager gives the new tree.
    GlossaryTree tree = sampleGlossaryTree();
    tree.addCategory(glossaryCategory(14, QStringLiteral("Itihasa"), QStringLiteral("itihasa")));
    db->setGlossaryTree(tree);
    size_t categoriesSeen = 0;
    QObject::connect(&catalog, &CatalogHelper::glossaryTreeChanged,
                     [&] { categoriesSeen = manager->glossaryTree()->categories.size(); });
    manager->handleGlossaryTreeChanged();
    EXPECT_EQ(glossaries.count(), 1);
    EXPECT_EQ(categoriesSeen, 4u);

    services.errors.clear();
    catalog.setLanguage(C::InvalidLanguage);
    EXPECT_EQ(services.errors, QStringList{"Не удалось обновить каталог: Неизвестный язык"});
    EXPECT_EQ(catalog.bookCount(), 8);
}

#include "CatalogHelpersTest.moc"
