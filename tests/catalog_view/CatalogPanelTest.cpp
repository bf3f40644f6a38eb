// The catalogue panel of a real tab under Xvfb, inside the real application
// object, over the sample library the update driver downloads from the
// stand-in: tabs and header, filter, check boxes, opening a section, search
// mode with a result tree, the footer and the language-change handshake;
// book and author rows open their cover and author pages, whose links lead
// on to reading.
#include "app/Tarnolix.h"
#include "core/LocationInfo.h"
#include "core/Settings.h"
#include "core/TranslatorMngr.h"
#include "favorites/FavoriteHelper.h"
#include "pages/UrlCreator.h"
#include "tabs/TabStatus.h"
#include "tests/catalog_view/FakeSearchPage.h"
#include "tests/models/FakeTreeModel.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/MessageLog.h"
#include "tests/support/StandinControl.h"
#include "tests/support/StandinServer.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QKeyEvent>
#include <QFileInfo>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QUuid>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace {

using namespace tarnolix;
using namespace tarnolix::test;
using C = TarnolixConstants;

const QString kEmail = QStringLiteral("reader@tarnolix.invalid");
const QString kPassword = QStringLiteral("lamp-of-verses");

QVariantMap element(const QVariant& id, int type)
{
    return QVariantMap{{QStringLiteral("id"), id}, {QStringLiteral("type"), type}};
}

class CatalogPanel : public ::testing::Test
{
protected:
    // The sample library, downloaded once into this run's account library.
    static void SetUpTestSuite()
    {
        if (!app().runtimeReady()) {
            app().locationInfo()->selectAccountLibrary(kEmail);
            const QString library = QFileInfo(app().locationInfo()->databasePath()).absolutePath();
            QDir().mkpath(library);
            QProcess driver;
            driver.setProcessChannelMode(QProcess::MergedChannels);
            driver.start(QStringLiteral(TARNOLIX_UPDATE_DRIVER),
                         {QStringLiteral("--library"), library, QStringLiteral("--origin"), appStandin()->httpOrigin(),
                          QStringLiteral("--email"), kEmail, QStringLiteral("--password"), kPassword});
            ASSERT_TRUE(driver.waitForFinished(300000));
            ASSERT_EQ(driver.exitCode(), 0) << driver.readAll().toStdString();
            try {
                app().tarnolixStartup(std::this_thread::get_id());
            } catch (const std::exception& e) {
                FAIL() << e.what();
            }
        }
        SearchPageAccess::setResolver([](QObject* object) -> std::unique_ptr<SearchPageAccess> {
            auto* page = qobject_cast<FakeSearchStatus*>(object);
            return page ? std::make_unique<FakeSearchAccess>(*page) : nullptr;
        });
    }
    static void TearDownTestSuite() { SearchPageAccess::setResolver({}); }

    void SetUp() override
    {
        app().settings()->setAdvancedSearch(false);
        window = std::make_unique<QmlWindow>();
        ASSERT_TRUE(window->load(
            QUrl::fromLocalFile(QStringLiteral(TARNOLIX_TEST_SOURCE_DIR "/tests/catalog_view/CatalogWindow.qml"))))
            << window->warnings().join('\n').toStdString();
        root = window->window();
        ASSERT_TRUE(window->show());
        tab = root->property("tab").value<QQuickItem*>();
        ASSERT_NE(tab, nullptr);
        status = tab->property("status").value<TabStatus*>();
        panel = root->property("panel").value<QQuickItem*>();
        ASSERT_NE(panel, nullptr);
        dp = root->property("dp").toReal();
        status->setCatalog(C::RussianCatalog);
        ASSERT_TRUE(waitUntil([&] { return tree() && proxy() && proxy()->rowCount() > 0; }, 10000));
    }

    void TearDown() override
    {
        app().settings()->setAdvancedSearch(false);
        const auto contents = root->findChildren<QObject*>(QStringLiteral("contentView"));
        waitUntil([&] {
            for (QObject* content : contents) {
                if (content->property("activeScriptCount").toInt() != 0)
                    return false;
            }
            return true;
        }, 10000);
        QTest::qWait(100);
        window.reset();
        app().setTabControl(nullptr);
        searchStatus.reset();
    }

    QQuickItem* tree() const { return panel->property("curTreeBookCatalog").value<QQuickItem*>(); }
    QQuickItem* currentTree() const { return panel->property("currentTree").value<QQuickItem*>(); }
    static QAbstractItemModel* proxyOf(QQuickItem* view) { return view->property("model").value<QAbstractItemModel*>(); }
    QAbstractItemModel* proxy() const { return proxyOf(tree()); }
    QObject* treeModel() const { return tree()->property("treeModel").value<QObject*>(); }
    QQuickItem* item(const QString& name) const { return window->find<QQuickItem>(name); }

    static int role(QAbstractItemModel* model, const char* name) { return model->roleNames().key(name, -1); }
    static QVariant data(QAbstractItemModel* model, int row, const char* name)
    {
        return model->data(model->index(row, 0), role(model, name));
    }
    // The first row showing `display`; -1 when none.
    static int rowOf(QAbstractItemModel* model, const QString& display)
    {
        for (int row = 0; row < model->rowCount(); ++row) {
            if (data(model, row, "display").toString() == display)
                return row;
        }
        return -1;
    }
    static int rowOfType(QAbstractItemModel* model, int type)
    {
        for (int row = 0; row < model->rowCount(); ++row) {
            if (data(model, row, "type").toInt() == type)
                return row;
        }
        return -1;
    }

    // The delegate of a row of a view, scrolled into sight.
    QQuickItem* rowItem(QQuickItem* view, int row, const QString& prefix = QStringLiteral("catalogRow "))
    {
        QMetaObject::invokeMethod(view, "positionViewAtIndex", Q_ARG(int, row), Q_ARG(int, 0));
        QCoreApplication::processEvents();
        const QString name = prefix + data(proxyOf(view), row, "display").toString();
        auto* content = view->property("contentItem").value<QQuickItem*>();
        for (QQuickItem* child : content->childItems()) {
            if (child->objectName() == name && child->isVisible())
                return child;
        }
        return nullptr;
    }
    static QQuickItem* part(QQuickItem* row, const QString& name) { return row ? row->findChild<QQuickItem*>(name) : nullptr; }

    void click(QQuickItem* target)
    {
        ASSERT_NE(target, nullptr);
        const QPoint at = target->mapToScene(QPointF(target->width() / 2, target->height() / 2)).toPoint();
        QTest::mouseClick(root, Qt::LeftButton, {}, at);
    }
    void clickLeft(QQuickItem* target)
    {
        ASSERT_NE(target, nullptr);
        const QPoint at = target->mapToScene(QPointF(4, target->height() / 2)).toPoint();
        QTest::mouseClick(root, Qt::LeftButton, {}, at);
    }

    // Typed into the focused item, a key press and release per character.
    void typeText(const QString& text)
    {
        for (const QChar ch : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QCoreApplication::sendEvent(root, &press);
            QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
            QCoreApplication::sendEvent(root, &release);
        }
    }

    QVariant call(QObject* object, const char* method, const QVariant& a = {}, const QVariant& b = {})
    {
        QVariant answer;
        if (!b.isValid() && !a.isValid())
            QMetaObject::invokeMethod(object, method, Q_RETURN_ARG(QVariant, answer));
        else if (!b.isValid())
            QMetaObject::invokeMethod(object, method, Q_RETURN_ARG(QVariant, answer), Q_ARG(QVariant, a));
        else
            QMetaObject::invokeMethod(object, method, Q_RETURN_ARG(QVariant, answer), Q_ARG(QVariant, a),
                                      Q_ARG(QVariant, b));
        return answer;
    }
    QVariant showItem(const QVariantList& path) { return call(tree(), "showItem", path); }
    QVariantList hierarchy(const QVariant& id, int type)
    {
        QVariantList path;
        QMetaObject::invokeMethod(treeModel(), "getParentHierarchy", Q_RETURN_ARG(QVariantList, path), Q_ARG(QVariant, id),
                                  Q_ARG(TarnolixConstants::CatalogItemType, C::CatalogItemType(type)));
        return path;
    }
    bool settled() { return waitUntil([&] { return panel->property("presentationReady").toBool(); }, 5000); }

    QString text(const QString& name) const { return item(name) ? item(name)->property("text").toString() : QString(); }
    bool checkedTab(const QString& name) const { return item(name) && item(name)->property("checked").toBool(); }
    int rounded(double value) const { return int(std::lround(value * dp)); }

    // Shows a search page in the tab with the given page logic.
    void enterSearchPage(QObject* logic)
    {
        UrlCreator url;
        url.setQueryType(UrlCreator::FTSearch);
        url.setLanguage(C::Russian);
        url.setSearchId(searchStatus->getSearchId());
        url.setTabId(status->id());
        status->setUrl(url.toUrl());
        status->setPageLogic(logic);
        status->setPageStatus(searchStatus.get());
    }

    std::unique_ptr<QmlWindow> window;
    QQuickWindow* root = nullptr;
    QQuickItem* tab = nullptr;
    TabStatus* status = nullptr;
    QQuickItem* panel = nullptr;
    double dp = 1;
    std::unique_ptr<FakeSearchStatus> searchStatus;
};

TEST_F(CatalogPanel, TabsHeaderAndCatalogueKindsFollowTheTab)
{
    // The book catalogue: its three tabs spread over the row, the first current.
    for (const auto& [name, label] : {std::pair{"tabCategories", "КАТЕГОРИИ"}, {"tabAuthors", "АВТОРЫ"}, {"tabNames", "НАЗВАНИЯ"}}) {
        EXPECT_TRUE(item(name)->isVisible()) << name;
        EXPECT_EQ(text(name), QString::fromUtf8(label));
    }
    for (const char* hidden : {"tabGlossaries", "tabGlossariesNames", "tabAllFavorites", "tabFavoritesFirst"})
        EXPECT_FALSE(item(hidden)->isVisible()) << hidden;
    EXPECT_TRUE(checkedTab("tabCategories"));
    EXPECT_EQ(status->catalogTab(), C::Categories);
    EXPECT_EQ(text("catalogTitle"), QStringLiteral("Книги на русском"));
    // A book model counts nothing itself (-1): the header shows the library's count of the language's books.
    EXPECT_EQ(treeModel()->property("totalCount").toInt(), -1);
    EXPECT_TRUE(item("catalogCount")->isVisible());
    EXPECT_EQ(text("catalogCount"), QStringLiteral("(5)")) << "five sample books have a Russian edition";
    window->screenshot("catalog-panel-categories");

    QQuickItem* categoriesTree = tree();
    click(item("tabAuthors"));
    ASSERT_TRUE(settled());
    EXPECT_EQ(status->catalogTab(), C::Authors);
    EXPECT_EQ(treeModel()->property("mode").toInt(), C::Authors);
    EXPECT_TRUE(waitUntil([&] { return proxy()->rowCount() > 0; }));
    click(item("tabNames"));
    ASSERT_TRUE(settled());
    EXPECT_EQ(status->catalogTab(), C::Names);
    click(item("tabCategories"));
    ASSERT_TRUE(settled());
    EXPECT_EQ(tree(), categoriesTree) << "a tab's tree is kept";

    // Another kind selects its first tab.
    click(item("tabNames"));
    status->setCatalog(C::GlossaryCatalog);
    ASSERT_TRUE(settled());
    EXPECT_TRUE(checkedTab("tabGlossaries"));
    EXPECT_EQ(status->catalogTab(), C::Glossaries);
    EXPECT_EQ(text("tabGlossaries"), QStringLiteral("СЛОВАРИ"));
    EXPECT_EQ(text("tabGlossariesNames"), QStringLiteral("НАЗВАНИЯ"));
    EXPECT_FALSE(item("tabCategories")->isVisible());
    EXPECT_EQ(text("catalogTitle"), QStringLiteral("Санскритские словари"));
    ASSERT_TRUE(waitUntil([&] { return treeModel()->property("totalCount").toInt() > 0; }));
    EXPECT_EQ(text("catalogCount"), QStringLiteral("(%1)").arg(treeModel()->property("totalCount").toInt()));
    window->screenshot("catalog-panel-glossaries");

    click(item("tabGlossariesNames"));
    auto* favorites = qobject_cast<FavoriteHelper*>(app().favoriteHelper());
    ASSERT_NE(favorites, nullptr);
    favorites->addFolder(QUuid(), QStringLiteral("Светильник"));
    status->setCatalog(C::FavoritesCatalog);
    ASSERT_TRUE(settled());
    EXPECT_TRUE(checkedTab("tabAllFavorites"));
    EXPECT_EQ(status->catalogTab(), C::AllFavorites);
    EXPECT_EQ(text("catalogTitle"), QStringLiteral("Избранное"));
    EXPECT_EQ(text("tabAllFavorites"), QStringLiteral("ВСЕ"));
    EXPECT_EQ(text("tabFavoritesFirst"), QStringLiteral("КНИГИ RU"));
    EXPECT_EQ(text("tabFavoritesSecond"), QStringLiteral("КНИГИ EN"));
    EXPECT_EQ(item("tabFavoritesFirst")->property("language").toInt(), C::Russian);
    EXPECT_TRUE(waitUntil([&] { return proxy() && rowOf(proxy(), QStringLiteral("Светильник")) >= 0; }))
        << "the folder added through the favorites service";
    // A folder without favorites: the count is 0 and not shown.
    EXPECT_EQ(treeModel()->property("totalCount").toInt(), 0);
    EXPECT_FALSE(item("catalogCount")->isVisible());
    window->screenshot("catalog-panel-favorites");

    // Under an English interface the English favorites by books come first.
    TranslatorMngr* translator = app().translatorMngr();
    translator->setLanguage(C::English);
    EXPECT_EQ(item("tabFavoritesFirst")->property("language").toInt(), C::English);
    EXPECT_EQ(item("tabFavoritesSecond")->property("language").toInt(), C::Russian);
    window->screenshot("catalog-panel-favorites-english");
    translator->setLanguage(C::Russian);

    // Back to books: the Sanskrit catalogue holds one book.
    status->setCatalog(C::SanskritCatalog);
    ASSERT_TRUE(settled());
    EXPECT_TRUE(checkedTab("tabCategories"));
    EXPECT_EQ(text("catalogTitle"), QStringLiteral("Книги на санскрите"));
    EXPECT_TRUE(waitUntil([&] { return text("catalogCount") == QStringLiteral("(1)"); }));
}

TEST_F(CatalogPanel, FilterMarksTheTextTakesTheNewestAndAFoundCategoryEndsIt)
{
    QQuickItem* field = item("catalogFilter");
    click(field);
    typeText(QStringLiteral("гимн"));
    ASSERT_TRUE(waitUntil([&] { return panel->property("filterMode").toBool(); }, 10000));
    EXPECT_TRUE(tree()->property("searchMode").toBool());
    EXPECT_EQ(tree()->property("searchText").toString(), QStringLiteral("гимн"));
    ASSERT_TRUE(waitUntil([&] { return rowOf(proxy(), QStringLiteral("Гимны")) >= 0; }));
    QQuickItem* label = part(rowItem(tree(), rowOf(proxy(), QStringLiteral("Гимны"))), "label");
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->property("text").toString().contains(QStringLiteral(">Гимн</font>"))) << label->property("text").toString().toStdString();
    window->screenshot("catalog-panel-filter");

    // Two texts in a row: the older answer comes while the newer is awaited.
    MessageLog log;
    call(panel, "startSearch", QStringLiteral("писан"));
    call(panel, "startSearch", QStringLiteral("утрен"));
    ASSERT_TRUE(waitUntil([&] { return !panel->property("filterSearching").toBool(); }, 10000));
    QTest::qWait(200);
    EXPECT_EQ(panel->property("filterText").toString(), QStringLiteral("утрен"));
    EXPECT_EQ(tree()->property("searchText").toString(), QStringLiteral("утрен"));
    EXPECT_EQ(log.texts(QtDebugMsg).filter(QStringLiteral("CatalogTree::useSearch")).size(), 1);

    // A found category: the filter ends, its path opens in the full tree, no page opens.
    const QUrl before = status->url();
    ASSERT_TRUE(waitUntil([&] { return rowOf(proxy(), QStringLiteral("Утренние гимны")) >= 0; }));
    click(part(rowItem(tree(), rowOf(proxy(), QStringLiteral("Утренние гимны"))), "labelArea"));
    EXPECT_FALSE(panel->property("filterMode").toBool());
    EXPECT_FALSE(tree()->property("searchMode").toBool());
    const int found = rowOf(proxy(), QStringLiteral("Утренние гимны"));
    ASSERT_GE(found, 0);
    EXPECT_EQ(data(proxy(), found, "depth").toInt(), 2);
    EXPECT_TRUE(data(proxy(), rowOf(proxy(), QStringLiteral("Писания")), "isExpanded").toBool());
    EXPECT_TRUE(data(proxy(), rowOf(proxy(), QStringLiteral("Гимны")), "isExpanded").toBool());
    QTest::qWait(300);
    EXPECT_EQ(status->url(), before);
    EXPECT_EQ(status->pageType(), UrlCreator::NewTab);
    window->screenshot("catalog-panel-filter-ended");
}

TEST_F(CatalogPanel, CheckBoxesFollowTheSettingTickPropagateAndAllOrNone)
{
    const int scriptures = rowOf(proxy(), QStringLiteral("Писания"));
    ASSERT_GE(scriptures, 0);
    click(part(rowItem(tree(), scriptures), "branchBox"));
    ASSERT_TRUE(waitUntil([&] { return rowOf(proxy(), QStringLiteral("Гимны")) >= 0; }));
    const int hymns = rowOf(proxy(), QStringLiteral("Гимны"));

    // Off: no boxes, the label 13 right of the branch box.
    QQuickItem* row = rowItem(tree(), hymns);
    EXPECT_FALSE(part(row, "checkBox")->isVisible());
    EXPECT_FALSE(item("checkRow")->isVisible());
    QQuickItem* box = part(row, "branchBox");
    EXPECT_EQ(part(row, "label")->x(), box->x() + box->width() + rounded(13));

    app().settings()->setAdvancedSearch(true);
    EXPECT_TRUE(item("checkRow")->isVisible());
    row = rowItem(tree(), hymns);
    QQuickItem* check = part(row, "checkBox");
    ASSERT_TRUE(check->isVisible());
    EXPECT_EQ(part(row, "label")->x(), check->x() + check->width() + rounded(13));
    click(check);
    EXPECT_TRUE(waitUntil([&] { return data(proxy(), hymns, "checkState").toInt() == Qt::Checked; }));
    EXPECT_TRUE(waitUntil([&] { return data(proxy(), scriptures, "checkState").toInt() == Qt::PartiallyChecked; }));
    window->screenshot("catalog-panel-checked");

    auto all = [&](int state) {
        return waitUntil([&] {
            for (int r = 0; r < proxy()->rowCount(); ++r) {
                if (data(proxy(), r, "checkable").toBool() && data(proxy(), r, "checkState").toInt() != state)
                    return false;
            }
            return true;
        });
    };
    click(item("checkAllButton"));
    EXPECT_TRUE(all(Qt::Checked));
    click(item("uncheckAllButton"));
    EXPECT_TRUE(all(Qt::Unchecked));
}

TEST_F(CatalogPanel, ASectionOpensInTheTabAndItsRowIsFoundStrictly)
{
    // The first section of the first book of "Собрания стихов".
    ASSERT_TRUE(showItem({element(1, C::Category), element(12, C::Category)}).isValid());
    const int collection = rowOf(proxy(), QStringLiteral("Собрания стихов"));
    proxy()->setData(proxy()->index(collection, 0), true, role(proxy(), "isExpanded"));
    const int book = rowOfType(proxy(), C::Book);
    ASSERT_GE(book, 0);
    proxy()->setData(proxy()->index(book, 0), true, role(proxy(), "isExpanded"));
    ASSERT_TRUE(waitUntil([&] { return rowOfType(proxy(), C::Section) >= 0; }));
    const int section = rowOfType(proxy(), C::Section);
    const QString code = data(proxy(), section, "id").toString();
    const QString name = data(proxy(), section, "display").toString();
    clickLeft(part(rowItem(tree(), section), "labelArea"));
    ASSERT_TRUE(waitUntil([&] { return status->pageType() == UrlCreator::OpenBook; }, 10000));
    const QVariantList path = status->itemPath();
    ASSERT_FALSE(path.isEmpty());
    EXPECT_EQ(path.last().toMap().value("id").toString(), code);
    EXPECT_EQ(path.last().toMap().value("type").toInt(), C::Section);
    EXPECT_EQ(status->sectionCode(), code);

    // Back in the panel: the row is selected and highlighted.
    ASSERT_TRUE(waitUntil([&] {
        QQuickItem* row = rowItem(tree(), rowOf(proxy(), name));
        return row && row->property("highlighted").toBool();
    }, 10000));
    QTest::qWait(500);
    window->screenshot("catalog-panel-open-section");

    // Ids compare strictly: the text "12" is not the category 12.
    MessageLog log;
    EXPECT_FALSE(showItem({element(1, C::Category), element(QStringLiteral("12"), C::Category)}).isValid());
    EXPECT_EQ(log.texts(QtWarningMsg).filter(QStringLiteral("Item for show not found")).size(), 1);
    const QVariantList twelve{element(1, C::Category), element(12, C::Category)};
    const QModelIndex first = showItem(twelve).value<QModelIndex>();
    ASSERT_TRUE(first.isValid());
    EXPECT_EQ(data(proxy(), first.row(), "display").toString(), QStringLiteral("Собрания стихов"));
    // Asked again with nothing changed: the shortcut, the same row.
    EXPECT_EQ(showItem(twelve).value<QModelIndex>().row(), first.row());
    EXPECT_EQ(log.texts(QtDebugMsg).filter(QStringLiteral("showItem optimized")).size(), 1);
    // After a collapse the rows are walked again.
    call(tree(), "collapse", QVariant::fromValue(proxy()->index(first.row(), 0)));
    EXPECT_EQ(showItem(twelve).value<QModelIndex>().row(), first.row());
    EXPECT_EQ(log.texts(QtDebugMsg).filter(QStringLiteral("showItem optimized")).size(), 1);

    // A near scroll is animated, but not while a language change is being prepared.
    call(tree(), "expandAllCategories");
    showItem(status->itemPath());
    root->setHeight(360);
    ASSERT_TRUE(waitUntil([&] { return tree()->property("contentHeight").toReal() > tree()->height() + 100; }));
    const qreal start = tree()->property("contentY").toReal();
    tab->setProperty("presentationActive", true);
    call(tree(), "positionViewAtIndexAnimation", proxy()->rowCount() - 1, 0);
    const qreal far = tree()->property("contentY").toReal();
    EXPECT_GT(far, start) << "at once while preparing";
    tab->setProperty("presentationActive", false);
    call(tree(), "positionViewAtIndexAnimation", 0, 0);
    EXPECT_EQ(tree()->property("contentY").toReal(), far) << "the animation starts from where the view was";
    EXPECT_TRUE(waitUntil([&] { return tree()->property("contentY").toReal() < far; }, 2000));
    root->setHeight(760);

    // The language-change handshake over the open section.
    QMetaObject::invokeMethod(panel, "beginTransition", Q_ARG(QVariant, 4));
    QMetaObject::invokeMethod(root, "prepareTransition", Q_ARG(QVariant, 3));
    QTest::qWait(100);
    EXPECT_TRUE(root->property("transitionAnswers").toList().isEmpty()) << "a stale generation does nothing";
    QMetaObject::invokeMethod(root, "prepareTransition", Q_ARG(QVariant, 4));
    ASSERT_TRUE(waitUntil([&] { return !root->property("transitionAnswers").toList().isEmpty(); }));
    EXPECT_EQ(root->property("transitionAnswers").toList(), QVariantList{true});
    EXPECT_TRUE(rowItem(tree(), rowOf(proxy(), name))->property("highlighted").toBool());
    // Released, or prepared in another tab of the catalogue, it does nothing or fails.
    QMetaObject::invokeMethod(panel, "releaseTransition", Q_ARG(QVariant, 4));
    QMetaObject::invokeMethod(root, "prepareTransition", Q_ARG(QVariant, 4));
    QTest::qWait(100);
    EXPECT_EQ(root->property("transitionAnswers").toList().size(), 1);
    click(item("tabAuthors"));
    QMetaObject::invokeMethod(panel, "beginTransition", Q_ARG(QVariant, 5));
    QMetaObject::invokeMethod(root, "prepareTransition", Q_ARG(QVariant, 5));
    ASSERT_TRUE(waitUntil([&] { return root->property("transitionAnswers").toList().size() == 2; }));
    EXPECT_EQ(root->property("transitionAnswers").toList().last(), QVariant(false));
}

TEST_F(CatalogPanel, SearchModeShowsTheResultTreeOnceTheSearchHasFinished)
{
    // The sections of the first collection's first book, for the results.
    ASSERT_TRUE(showItem({element(1, C::Category), element(12, C::Category)}).isValid());
    proxy()->setData(proxy()->index(rowOf(proxy(), QStringLiteral("Собрания стихов")), 0), true, role(proxy(), "isExpanded"));
    const int bookRow = rowOfType(proxy(), C::Book);
    const unsigned bookId = data(proxy(), bookRow, "id").toUInt();
    const QString bookName = data(proxy(), bookRow, "display").toString();
    proxy()->setData(proxy()->index(bookRow, 0), true, role(proxy(), "isExpanded"));
    ASSERT_TRUE(waitUntil([&] { return rowOfType(proxy(), C::Section) >= 0; }));
    const QString code = data(proxy(), rowOfType(proxy(), C::Section), "id").toString();

    searchStatus = std::make_unique<FakeSearchStatus>(7);
    searchStatus->setTabStatus(status);
    QObject* logic = call(root, "makeBooksLogic", QVariant::fromValue<QObject*>(searchStatus.get())).value<QObject*>();
    ASSERT_NE(logic, nullptr);
    enterSearchPage(logic);
    EXPECT_TRUE(panel->property("searchMode").toBool());
    EXPECT_TRUE(item("busyIndicator")->isVisible()) << "before the search finishes only the busy indicator";
    EXPECT_FALSE(item("resultPlace")->isVisible());
    EXPECT_FALSE(item("catalogStack")->isVisible());
    EXPECT_TRUE(item("searchCounters")->isVisible());
    EXPECT_FALSE(item("catalogFilter")->isVisible());
    EXPECT_TRUE(item("returnButton")->isVisible());
    EXPECT_EQ(text("returnButton"), QStringLiteral("Вернуться к каталогу"));
    searchStatus->setCounts(3, 1);
    EXPECT_TRUE(waitUntil([&] { return text("totalFound") == "3" && text("booksFound") == "1"; }));
    window->screenshot("catalog-panel-search-busy");

    // Finished: the page logic's result tree fills the place.
    auto searchRun = std::make_shared<FTSearchStatus>(std::make_shared<FTSearchSettings>(C::Russian), nullptr);
    auto results = FTSearchResults::create(searchRun);
    {
        auto book = std::make_shared<FTSRBook>(searchRun, bookId);
        auto section = std::make_shared<FTSRSection>(book, code);
        auto entity = std::make_shared<FTSREntity>(0);
        for (unsigned id : {1u, 2u, 3u})
            entity->addItem(std::make_shared<FTSRItem>(section, entity, 0, id, 1.0));
        section->addEntity(entity);
        section->addFreq(3);
        book->addFreq(3);
        book->addSection(section);
        BooksSearchResults::BookList list{book};
        BooksSearchResults::BookMap byId;
        byId[bookId] = book;
        results->setBooks(std::move(list), std::move(byId), nullptr);
    }
    searchStatus->results = results;
    searchStatus->setStatus(C::SearchFinished);
    ASSERT_TRUE(waitUntil([&] { return item("resultPlace")->isVisible(); }));
    EXPECT_FALSE(item("busyIndicator")->isVisible());
    auto* resultTree = logic->property("searchResultsTree").value<QQuickItem*>();
    ASSERT_NE(resultTree, nullptr);
    EXPECT_EQ(currentTree(), resultTree);
    EXPECT_EQ(resultTree->parentItem(), item("resultPlace"));
    EXPECT_TRUE(resultTree->isVisible());
    EXPECT_EQ(resultTree->height(), item("resultPlace")->height());
    QAbstractItemModel* results2 = proxyOf(resultTree);
    ASSERT_TRUE(waitUntil([&] { return results2->rowCount() > 0; }));
    const int resultBook = rowOf(results2, bookName);
    ASSERT_GE(resultBook, 0);
    QQuickItem* bookItem = rowItem(resultTree, resultBook, QStringLiteral("resultRow "));
    ASSERT_NE(bookItem, nullptr);
    QQuickItem* freq = part(bookItem, "freq");
    EXPECT_EQ(freq->property("text").toString(), QStringLiteral("3"));
    EXPECT_LE(freq->x() + freq->width(), part(bookItem, "branchBox")->x() - rounded(8) + 0.5)
        << "the count stands left of the book icon";
    window->screenshot("catalog-panel-search-results");

    // The check row reaches the result tree.
    const int checkedBefore = logic->property("allCheckedCount").toInt();
    const int uncheckedBefore = logic->property("allUncheckedCount").toInt();
    click(item("checkAllButton"));
    EXPECT_EQ(logic->property("allCheckedCount").toInt(), checkedBefore + 1);
    click(item("uncheckAllButton"));
    EXPECT_EQ(logic->property("allUncheckedCount").toInt(), uncheckedBefore + 1);

    // The return button shows the catalogue; a results page restored from history brings the results back.
    click(item("returnButton"));
    EXPECT_FALSE(panel->property("searchMode").toBool());
    EXPECT_TRUE(item("catalogStack")->isVisible());
    EXPECT_EQ(currentTree(), tree());
    searchStatus->setResultsPageRestored(true);
    EXPECT_TRUE(panel->property("searchMode").toBool());
    EXPECT_EQ(currentTree(), resultTree);

    // An anchor inside the results page keeps search mode.
    QUrl anchored = status->url();
    anchored.setFragment(QStringLiteral("hit-2"));
    status->setUrl(anchored);
    EXPECT_TRUE(panel->property("searchMode").toBool());

    // A result section opens with the search's id, and search mode ends.
    click(part(bookItem, "branchBox"));
    ASSERT_TRUE(waitUntil([&] { return results2->rowCount() > resultBook + 1; }));
    QQuickItem* sectionItem = rowItem(resultTree, resultBook + 1, QStringLiteral("resultRow "));
    ASSERT_NE(sectionItem, nullptr);
    click(part(sectionItem, "label"));
    ASSERT_TRUE(waitUntil([&] { return status->pageType() == UrlCreator::OpenBook; }, 10000));
    UrlCreator opened;
    ASSERT_TRUE(opened.fromUrl(status->url()));
    EXPECT_EQ(opened.searchId(), 7);
    EXPECT_EQ(opened.getSectionCode(), code);
    EXPECT_FALSE(panel->property("searchMode").toBool());
    EXPECT_TRUE(item("catalogStack")->isVisible());
}

TEST_F(CatalogPanel, FooterScrollsToTheTopAfterBigChangesAndAWheelNotchMoves180)
{
    std::vector<FakeNodePtr> nodes;
    for (int n = 1; n <= 30; ++n) {
        std::vector<FakeNodePtr> children;
        for (int c = 1; c <= 10; ++c)
            children.push_back(node(QStringLiteral("Item %1.%2").arg(n).arg(c)));
        nodes.push_back(node(QStringLiteral("Item %1").arg(n), children));
    }
    FakeTreeModel model(nodes);
    model.loadRootItems();
    searchStatus = std::make_unique<FakeSearchStatus>(8);
    searchStatus->setStatus(C::SearchFinished);
    QObject* logic = call(root, "makePlainLogic", QVariant::fromValue<QObject*>(searchStatus.get()),
                          QVariant::fromValue<QObject*>(&model))
                         .value<QObject*>();
    enterSearchPage(logic);
    auto* view = logic->property("searchResultsTree").value<QQuickItem*>();
    ASSERT_TRUE(waitUntil([&] { return currentTree() == view; }));
    QAbstractItemModel* rows = proxyOf(view);

    click(item("expandButton"));
    EXPECT_EQ(rows->rowCount(), 330);
    EXPECT_EQ(view->property("contentY").toReal(), view->property("originY").toReal());

    // One notch of the wheel: 180 px.
    const QPointF at = view->mapToScene(QPointF(view->width() / 2, view->height() / 2));
    const qreal top = view->property("contentY").toReal();
    QWheelEvent wheel(at, root->mapToGlobal(at.toPoint()), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(root, &wheel);
    EXPECT_EQ(view->property("contentY").toReal(), top + 180);

    view->setProperty("contentY", top + 2000);
    click(item("collapseAllButton"));
    EXPECT_EQ(rows->rowCount(), 30);
    EXPECT_EQ(view->property("contentY").toReal(), view->property("originY").toReal()) << "300 rows went";

    // A small change keeps the place.
    call(view, "expand", QVariant::fromValue(rows->index(0, 0)));
    view->setProperty("contentY", top + 100);
    const qreal kept = view->property("contentY").toReal();
    click(item("collapseAllButton"));
    EXPECT_EQ(rows->rowCount(), 30);
    EXPECT_EQ(view->property("contentY").toReal(), kept);
}


// ---- The book cover and author pages, opened from catalogue rows ----

class CatalogPages : public CatalogPanel
{
protected:
    // The answer of a script run at once in the tab's page.
    QVariant run(const QString& script)
    {
        const int before = root->property("results").toInt();
        QMetaObject::invokeMethod(root, "run", Q_ARG(QVariant, script));
        if (!waitUntil([&] { return root->property("results").toInt() > before; }, 10000))
            return {};
        return root->property("lastResult");
    }
    QString pageText() { return run(QStringLiteral("document.body.innerText")).toString(); }
    QString tabTitle() const
    {
        return status->pageStatus() ? status->pageStatus()->property("tabTitle").toString() : QString();
    }
    // The page of `type` loaded and shown (its logic removed "invisible").
    bool pageShown(int type)
    {
        return waitUntil([&] { return status->pageType() == type && !status->pageLoading(); }, 15000)
            && waitUntil([&] {
                   return run(QStringLiteral("document.getElementById('page') !== null && "
                                             "!document.getElementById('page').classList.contains('invisible')"))
                       .toBool();
               }, 10000);
    }
    // A real click on the centre of the first element `selector` names. The
    // body's zoom (the reader's zoom and screen scale) is not in the rect.
    void clickInPage(const QString& selector)
    {
        const QVariantList rect =
            run(QStringLiteral("(function(){var e=document.querySelector('%1'); if(!e) return []; e.scrollIntoView();"
                               "var r=e.getBoundingClientRect(); var z=parseFloat(document.body.style.zoom)||1;"
                               "return [r.left*z, r.top*z, r.width*z, r.height*z];})()")
                    .arg(selector))
                .toList();
        ASSERT_EQ(rect.size(), 4) << selector.toStdString();
        auto* view = tab->property("webView").value<QQuickItem*>();
        ASSERT_NE(view, nullptr);
        const QPointF centre(rect[0].toReal() + rect[2].toReal() / 2, rect[1].toReal() + rect[3].toReal() / 2);
        QTest::mouseClick(root, Qt::LeftButton, {}, view->mapToScene(centre).toPoint());
    }

    // The first row of `type` under the category path, its row expanded.
    int bookRowIn(const QVariantList& categories, const QString& category)
    {
        if (!showItem(categories).isValid())
            return -1;
        proxy()->setData(proxy()->index(rowOf(proxy(), category), 0), true, role(proxy(), "isExpanded"));
        waitUntil([&] { return rowOfType(proxy(), C::Book) >= 0; });
        return rowOfType(proxy(), C::Book);
    }

    // From the cover page on screen: its title is the tab's, and the read
    // button opens the book.
    void readTheBook(int bookId, const QString& screenshot)
    {
        ASSERT_TRUE(pageShown(UrlCreator::OpenBookCover));
        EXPECT_EQ(status->bookId(), bookId);
        ASSERT_TRUE(waitUntil([&] { return !tabTitle().isEmpty(); }, 10000));
        EXPECT_EQ(run(QStringLiteral("document.querySelector('h1.book-name').textContent")).toString(), tabTitle());
        const QString text = pageText();
        EXPECT_TRUE(text.contains(QStringLiteral("Читать"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("Выходные данные"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("Язык перевода:\tРусский"))) << text.toStdString();
        QTest::qWait(300);
        window->screenshot(screenshot);

        clickInPage(QStringLiteral(".cover-book-read-link"));
        ASSERT_TRUE(waitUntil([&] { return status->pageType() == UrlCreator::OpenBook; }, 15000))
            << "page type " << status->pageType();
        EXPECT_EQ(status->bookId(), bookId);
        EXPECT_TRUE(waitUntil([&] { return status->pageStatus() && status->pageStatus()->property("type").toInt() == UrlCreator::OpenBook; }, 10000));
    }
};

TEST_F(CatalogPages, ABookRowOpensItsCoverPageWhoseReadButtonOpensTheBook)
{
    // "Собрания стихов" holds the Dipa-samhita: its cover page has an
    // author, a commentator, a publisher and a related publication.
    const int row = bookRowIn({element(1, C::Category), element(12, C::Category)}, QStringLiteral("Собрания стихов"));
    ASSERT_GE(row, 0);
    const int bookId = data(proxy(), row, "id").toInt();
    clickLeft(part(rowItem(tree(), row), "labelArea"));
    ASSERT_TRUE(pageShown(UrlCreator::OpenBookCover));
    // The tab is titled with the edition's full name.
    EXPECT_TRUE(waitUntil([&] { return tabTitle() == QStringLiteral("Дипа-самхита. Собрание о светильнике"); }, 10000))
        << tabTitle().toStdString();
    const QString text = pageText();
    EXPECT_TRUE(text.contains(QStringLiteral("Шрутидхара Муни"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Издательство:\tИздательство «Светоч»"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Связанные книги"))) << text.toStdString();
    // No cover image is loaded into the library yet: the page shows none.
    EXPECT_EQ(run(QStringLiteral("document.images.length")).toInt(), 0);
    readTheBook(bookId, QStringLiteral("catalog-cover-page"));
}

TEST_F(CatalogPages, AnAuthorRowOpensTheAuthorPageAndItsBooksLeadToReading)
{
    click(item("tabAuthors"));
    ASSERT_TRUE(settled());
    // Authors stand under their name's first letter.
    ASSERT_TRUE(waitUntil([&] { return rowOf(proxy(), QStringLiteral("Ш")) >= 0; }));
    proxy()->setData(proxy()->index(rowOf(proxy(), QStringLiteral("Ш")), 0), true, role(proxy(), "isExpanded"));
    ASSERT_TRUE(waitUntil([&] { return rowOf(proxy(), QStringLiteral("Шрутидхара Муни")) >= 0; }));
    const int row = rowOf(proxy(), QStringLiteral("Шрутидхара Муни"));
    EXPECT_EQ(data(proxy(), row, "type").toInt(), C::Author);
    clickLeft(part(rowItem(tree(), row), "labelArea"));
    ASSERT_TRUE(pageShown(UrlCreator::OpenAuthor));
    EXPECT_TRUE(waitUntil([&] { return tabTitle() == QStringLiteral("Шрутидхара Муни"); }, 10000))
        << tabTitle().toStdString();
    const QString text = pageText();
    EXPECT_TRUE(text.contains(QStringLiteral("Шрутидхара Муни"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Книги:"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Древний мудрец"))) << text.toStdString();
    QTest::qWait(300);
    window->screenshot(QStringLiteral("catalog-author-page"));

    // The first Russian edition link leads to that book's cover page.
    clickInPage(QStringLiteral(".author-section a[href^=\"tarnolix://openbookcover.ru\"]"));
    ASSERT_TRUE(waitUntil([&] { return status->pageType() == UrlCreator::OpenBookCover; }, 15000));
    readTheBook(status->bookId(), QStringLiteral("catalog-author-book-cover-page"));
}

} // namespace
