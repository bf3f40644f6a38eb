// The catalogue tree helper and the catalogue helper, with a tab of our own.
#include "core/TarnolixEvents.h"
#include "models/CatalogCategoriesModel.h"
#include "models/CatalogHelper.h"
#include "models/CatalogTreeCheckerMngr.h"
#include "models/CatalogTreeHelper.h"
#include "models/TreeViewProxyModel.h"
#include "tests/models_checker/CheckerLibrary.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace tarnolix::test;
using C = TarnolixConstants;

namespace tarnolix::test {

// An open book's page object, as the helper reads it.
class FakePage : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int bookOfCatalog MEMBER bookOfCatalog NOTIFY bookOfCatalogChanged)

public:
    int bookOfCatalog = C::Categories;

signals:
    void bookOfCatalogChanged();
};

// A tab's state as the helper reads it.
class FakeTab : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int language MEMBER language)
    Q_PROPERTY(int pageLanguage MEMBER pageLanguage)
    Q_PROPERTY(int pageType MEMBER pageType)
    Q_PROPERTY(QObject* pageStatus MEMBER pageStatus)
    Q_PROPERTY(QVariantList itemPath MEMBER itemPath)

public:
    int language = C::Russian;
    int pageLanguage = C::Russian;
    int pageType = 1;
    QObject* pageStatus = nullptr;
    QVariantList itemPath;

signals:
    void pageStatusChanged();
    void urlChanged();
    void itemPathChanged();
};

} // namespace tarnolix::test

namespace {

QVariantMap pathItem(C::CatalogItemType type, const QVariant& id)
{
    return {{QStringLiteral("type"), int(type)}, {QStringLiteral("id"), id}};
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

    // The proxy row showing the source item with this id.
    QModelIndex row(int id)
    {
        for (int r = 0; r < proxy->rowCount(); ++r) {
            const QModelIndex index = proxy->index(r, 0);
            if (proxy->data(index, CatalogModelBase::IdRole).toInt() == id)
                return index;
        }
        return {};
    }
    int checkState(int id) { return proxy->data(row(id), TreeViewProxyModel::CheckStateRole).toInt(); }

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
    FakePage page;
    FakeTab tab;
    tab.pageStatus = &page;
    tab.itemPath = {pathItem(C::Category, 1), pathItem(C::Book, 101), pathItem(C::Section, "101.1"),
                    pathItem(C::Section, "101.1.2")};
    QSignalSpy changed(helper.get(), &CatalogTreeHelper::parentHierarchyCountChanged);
    helper->setTabStatus(&tab);
    emit tab.urlChanged();
    emit tab.itemPathChanged();
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
        {1, C::Category, true},    {12, C::Category, false}, {101, C::Book, true},  {102, C::Book, false},
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

    // The book now belongs to another catalogue tab: nothing is selected here.
    page.bookOfCatalog = C::Authors;
    emit page.bookOfCatalogChanged();
    QCoreApplication::processEvents();
    EXPECT_EQ(helper->parentHierarchyCount(), 0);
    EXPECT_FALSE(helper->isExistsInParentHierarchy(101, C::Book));
    EXPECT_EQ(changed.count(), 2) << "going to 0 is told";

    // An author path of a letter tree: the letter is compared in upper case.
    page.bookOfCatalog = C::Categories;
    tab.itemPath = {pathItem(C::Letter, QChar(u'в')), pathItem(C::Author, 2)};
    emit tab.itemPathChanged();
    QCoreApplication::processEvents();
    EXPECT_EQ(helper->parentHierarchyCount(), 2);
    EXPECT_TRUE(helper->isExistsInParentHierarchy("В", C::Letter));
    EXPECT_TRUE(helper->isExistsInParentHierarchy(2, C::Author));
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

    emit events.glossaryTreeChanged();
    EXPECT_EQ(glossaries.count(), 1);

    services.errors.clear();
    catalog.setLanguage(C::InvalidLanguage);
    EXPECT_EQ(services.errors, QStringList{"Не удалось обновить каталог: Неизвестный язык"});
    EXPECT_EQ(catalog.bookCount(), 8);
}

#include "CatalogHelpersTest.moc"
