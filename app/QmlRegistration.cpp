#include "app/QmlRegistration.h"

#include "app/DPCalculate.h"
#include "app/DatabaseUpdater.h"
#include "app/UpdateLoader.h"
#include "app/DebugHelper.h"
#include "app/IndexingProgressInfo.h"
#include "app/Tarnolix.h"
#include "app/TarnolixAPI.h"
#include "app/UserObject.h"
#include "core/LocationInfo.h"
#include "core/SearchSettings.h"
#include "core/Settings.h"
#include "core/TarnolixConstants.h"
#include "core/TarnolixEvents.h"
#include "favorites/FavoriteHelper.h"
#include "favorites/FavoriteLogic.h"
#include "models/CatalogAuthorsModel.h"
#include "models/CatalogCategoriesModel.h"
#include "models/CatalogGlossariesModel.h"
#include "models/CatalogHelper.h"
#include "models/CatalogTreeHelper.h"
#include "models/CatalogNamesModel.h"
#include "models/FavoritesByBooksModel.h"
#include "models/FavoritesCatalogModel.h"
#include "models/FavoritesDlgCatalogModel.h"
#include "models/FilterSearchThread.h"
#include "models/SearchResultsModel.h"
#include "models/SqlQueryModel.h"
#include "models/TreeViewProxyModel.h"
#include "pages/UrlCreator.h"
#include "search/index/IndexWriterThread.h"
#include "search/searchers/AutocompletHelper.h"
#include "search/searchers/NumberOccurrencesHelper.h"
#include "search/searchers/SearchResultsPointer.h"
#include "search/searchers/SearchSettingsCreator.h"
#include "tabs/PageSearchData.h"
#include "tabs/FTSearchPageStatus.h"
#include "tabs/NewTabStatus.h"
#include "tabs/OpenAuthorStatus.h"
#include "tabs/OpenBookCoverStatus.h"
#include "tabs/OpenBookStatus.h"
#include "tabs/SearchInBookStatus.h"
#include "tabs/PageStatus.h"
#include "tabs/SearchDataStorage.h"
#include "tabs/TabStatus.h"
#include "tabs/TabWebChannel.h"

#include <QMetaType>
#include <QQmlEngine>
#include <QtQml>

#include <mutex>

namespace {

const char kUri[] = "Tarnolix";
constexpr int kMajor = 1;
constexpr int kMinor = 0;
const char kErrorClassUncreatable[] = "Error class uncreatable";

// Every engine gets the application object's own objects; the engine must
// not delete them (it would, for an object without a parent, by default).
template <typename T>
void registerSingleton(const char* name, T* (*object)(Tarnolix&))
{
    qmlRegisterSingletonType<T>(kUri, kMajor, kMinor, name, [object](QQmlEngine*, QJSEngine*) -> QObject* {
        Tarnolix* app = Tarnolix::instance();
        if (!app)
            return nullptr;
        T* instance = object(*app);
        QQmlEngine::setObjectOwnership(instance, QQmlEngine::CppOwnership);
        return instance;
    });
}

template <typename T>
void registerUncreatable(const char* name, const char* reason)
{
    qmlRegisterUncreatableType<T>(kUri, kMajor, kMinor, name, QString::fromLatin1(reason));
}

} // namespace

void registerMetaTypes()
{
    qRegisterMetaType<CatalogModelBase::Role>("CatalogModelBase::Role");
    qRegisterMetaType<TarnolixConstants::Language>("TarnolixConstants::Language");
    FavoriteHelper::registerMetaTypes();
    qRegisterMetaType<TarnolixConstants::Catalog>("TarnolixConstants::Catalog");
    qRegisterMetaType<TarnolixConstants::CatalogTab>("TarnolixConstants::CatalogTab");
    qRegisterMetaType<TarnolixConstants::CatalogItemType>("TarnolixConstants::CatalogItemType");
    qRegisterMetaType<TarnolixConstants::ColorMode>("TarnolixConstants::ColorMode");
    qRegisterMetaType<TarnolixConstants::SearchStatus>("TarnolixConstants::SearchStatus");
    qRegisterMetaType<TarnolixConstants::SearchSort>("TarnolixConstants::SearchSort");
    qRegisterMetaType<TarnolixConstants::SearchType>("TarnolixConstants::SearchType");
    qRegisterMetaType<TarnolixConstants::OriginalChoise>("TarnolixConstants::OriginalChoise");
    qRegisterMetaType<FilterSearchThread::Mode>("FilterSearchThread::Mode");
    qRegisterMetaType<FilterSearchThreadImpl::Mode>("FilterSearchThreadImpl::Mode");
    qRegisterMetaType<UrlCreator::QueryType>("UrlCreator::QueryType");
    qRegisterMetaType<SearchResultsModel::Role>("SearchResultsModel::Role");
    qRegisterMetaType<SearchSettingsPtr>("SearchSettingsPtr");
    qRegisterMetaType<SearchSettingsConstPtr>("SearchSettingsConstPtr");
}

void registerQmlTypes(Tarnolix* app)
{
    Q_UNUSED(app)
    static std::once_flag once;
    std::call_once(once, [] {
        registerUncreatable<Tarnolix>("TarnolixApp", "Tarnolix is uncreatable type");
        registerUncreatable<TarnolixConstants>("TarnolixConstants", kErrorClassUncreatable);
        registerUncreatable<TarnolixEvents>("TarnolixEvents", kErrorClassUncreatable);
        qmlRegisterType<DPCalculate>(kUri, kMajor, kMinor, "DPCalculate");
        registerUncreatable<LocationInfo>("LocationInfo", kErrorClassUncreatable);
        registerUncreatable<Settings>("Settings", kErrorClassUncreatable);
        registerUncreatable<TarnolixAPI>("TarnolixAPI", kErrorClassUncreatable);
        registerUncreatable<TarnolixAPIResult>("TarnolixAPIResult", kErrorClassUncreatable);
        registerUncreatable<UserObject>("UserObject", kErrorClassUncreatable);
        qmlRegisterType<DatabaseUpdater>(kUri, kMajor, kMinor, "DatabaseUpdater");
        registerUncreatable<tarnolix::IndexWriterThread>("IndexWriterThread", kErrorClassUncreatable);
        qmlRegisterType<CatalogHelper>(kUri, kMajor, kMinor, "CatalogHelper");
        // Named so that QML can hand any catalogue model to a CatalogModelBase* property.
        registerUncreatable<CatalogModelBase>("CatalogModelBase", kErrorClassUncreatable);
        qmlRegisterType<TreeViewProxyModel>(kUri, kMajor, kMinor, "TreeViewProxyModel");
        qmlRegisterType<CatalogCategoriesModel>(kUri, kMajor, kMinor, "CatalogCategoriesModel");
        qmlRegisterType<CatalogAuthorsModel>(kUri, kMajor, kMinor, "CatalogAuthorsModel");
        qmlRegisterType<CatalogNamesModel>(kUri, kMajor, kMinor, "CatalogNamesModel");
        qmlRegisterType<CatalogGlossariesModel>(kUri, kMajor, kMinor, "CatalogGlossariesModel");
        qmlRegisterType<CatalogGlossariesNamesModel>(kUri, kMajor, kMinor, "CatalogGlossariesNamesModel");
        qmlRegisterType<FilterSearchThread>(kUri, kMajor, kMinor, "FilterSearchThread");
        qmlRegisterType<CatalogTreeHelper>(kUri, kMajor, kMinor, "CatalogTreeHelper");
        qmlRegisterType<TabStatus>(kUri, kMajor, kMinor, "TabStatus");
        qmlRegisterType<PageStatus>(kUri, kMajor, kMinor, "PageStatus");
        qmlRegisterType<NewTabStatus>(kUri, kMajor, kMinor, "NewTabStatus");
        qmlRegisterType<OpenAuthorStatus>(kUri, kMajor, kMinor, "OpenAuthorStatus");
        qmlRegisterType<OpenBookCoverStatus>(kUri, kMajor, kMinor, "OpenBookCoverStatus");
        qmlRegisterType<OpenBookStatus>(kUri, kMajor, kMinor, "OpenBookStatus");
        qmlRegisterType<SearchInBookStatus>(kUri, kMajor, kMinor, "SearchInBookStatus");
        qmlRegisterType<FTSearchPageStatus>(kUri, kMajor, kMinor, "FTSearchPageStatus");
        // 29-34 WBWSearchPageStatus ... FavoritesSearchPageStatus, creatable (with the page kinds)
        registerUncreatable<TabWebChannel>("TabWebChannel", "TabWebChannel class uncreatable");
        registerUncreatable<UrlCreator>("UrlCreator", "UrlCreator class uncreatable");
        qmlRegisterType<BooksSearchResultsModel>(kUri, kMajor, kMinor, "BooksSearchResultsModel");
        qmlRegisterType<GlossarySearchResultsModel>(kUri, kMajor, kMinor, "GlossarySearchResultsModel");
        qmlRegisterType<SqlQueryModel>(kUri, kMajor, kMinor, "SqlQueryModel");
        qmlRegisterType<UpdateLoader>(kUri, kMajor, kMinor, "UpdateLoader");
        // 41-42 AutocompletHelper, NumberOccurrencesHelper, creatable (with the search field helpers)
        qmlRegisterType<tarnolix::SearchSettingsCreator>(kUri, kMajor, kMinor, "SearchSettingsCreator");
        qmlRegisterType<tarnolix::NumberOccurrencesHelper>(kUri, kMajor, kMinor, "NumberOccurrencesHelper");
        qmlRegisterType<tarnolix::AutocompletHelper>(kUri, kMajor, kMinor, "AutocompletHelper");
        registerUncreatable<IndexingProgressInfo>("IndexingProgressInfo", "IndexingProgressInfo class uncreatable");
        registerUncreatable<tarnolix::SearchResultsPointer>("SearchResultsPointer",
                                                            "SearchResultsPointer class uncreatable");
        registerUncreatable<SearchDataStorage>("SearchDataStorage", "SearchDataStorage class uncreatable");
        registerUncreatable<PageSearchData>("PageSearchData", "PageSearchData class uncreatable");
        registerUncreatable<FavoriteHelper>("FavoriteHelper", "FavoriteHelper class uncreatable");
        registerUncreatable<FavoriteLogic>("FavoriteLogic", "FavoriteLogic class uncreatable");
        // 50 FavoritesSyncManager: uncreatable (with the synchronisation)
        // 51-55 FavoritesImporter ... FavoritesByBooksModel, creatable
        qmlRegisterType<FavoritesCatalogModel>(kUri, kMajor, kMinor, "FavoritesCatalogModel");
        qmlRegisterType<FavoritesDlgCatalogModel>(kUri, kMajor, kMinor, "FavoritesDlgCatalogModel");
        qmlRegisterType<FavoritesByBooksModel>(kUri, kMajor, kMinor, "FavoritesByBooksModel");
        registerUncreatable<DebugHelper>("DebugHelper", "DebugHelper class uncreatable");

        registerSingleton<Tarnolix>("Tarnolix", [](Tarnolix& app) { return &app; });
        registerSingleton<TarnolixConstants>("Constants", [](Tarnolix& app) { return app.constants(); });
        registerSingleton<TarnolixEvents>("Events", [](Tarnolix& app) { return app.events(); });
    });
}
