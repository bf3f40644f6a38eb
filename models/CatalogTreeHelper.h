#pragma once
// Sits beside one catalogue tree: highlights the filter text in item names,
// marks the items on the path of the page open in the tab, puts the saved
// check states back on the proxy rows, and owns the tree's check-state
// manager, through which a search learns the checked part of the catalogue.

#include "core/TarnolixConstants.h"
#include "search/searchers/CheckedItemsSource.h"
#include "tabs/TabStatus.h"

#include <QChar>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

class CatalogModelBase;
class CatalogTreeCheckerMngr;
class QModelIndex;
class QThread;
class TarnolixDB;
class TreeViewProxyModel;
struct CTCheckerMngrData;

class CatalogTreeHelper : public QObject, public tarnolix::CheckedItemsSource
{
    Q_OBJECT
    Q_INTERFACES(tarnolix::CheckedItemsSource)
    Q_PROPERTY(TabStatus* tabStatus READ tabStatus WRITE setTabStatus NOTIFY tabStatusChanged)
    Q_PROPERTY(TarnolixConstants::Language language READ language WRITE setLanguage NOTIFY languageChanged)
    Q_PROPERTY(bool searchMode READ searchMode WRITE setSearchMode NOTIFY searchModeChanged)
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    Q_PROPERTY(CatalogModelBase* catalogModel READ catalogModel WRITE setCatalogModel NOTIFY catalogModelChanged)
    Q_PROPERTY(QObject* treeViewProxyModel READ treeViewProxyModel WRITE setTreeViewProxyModelObject NOTIFY
                   treeViewProxyModelChanged)
    Q_PROPERTY(int parentHierarchyCount READ parentHierarchyCount NOTIFY parentHierarchyCountChanged)

public:
    explicit CatalogTreeHelper(QObject* parent = nullptr);
    // For tests: the check-state worker on `workerThread` with `workerDb`.
    CatalogTreeHelper(QThread* workerThread, std::shared_ptr<TarnolixDB> workerDb, QObject* parent = nullptr);
    ~CatalogTreeHelper() override;

    TabStatus* tabStatus() const { return m_tab; }
    void setTabStatus(TabStatus* tab);
    TarnolixConstants::Language language() const override { return m_language; }
    void setLanguage(TarnolixConstants::Language language);
    bool searchMode() const { return m_searchMode; }
    void setSearchMode(bool on);
    QString searchText() const { return m_searchText; }
    void setSearchText(const QString& text);
    CatalogModelBase* catalogModel() const;
    void setCatalogModel(CatalogModelBase* model);
    QObject* treeViewProxyModel() const override;
    void setTreeViewProxyModel(TreeViewProxyModel* proxy);
    int parentHierarchyCount() const { return m_parentHierarchyCount; }

    QStringList highlightVariants() const { return m_variants; }
    CatalogTreeCheckerMngr* checkerMngr() const { return m_checker; }

    Q_INVOKABLE QString processText(const QString& text) const;
    Q_INVOKABLE bool isExistsInParentHierarchy(const QVariant& id, int type) const;
    Q_INVOKABLE void loadSavedCheckStates();

    void getCheckedItems(std::vector<uint32_t>& categoryIds, std::vector<uint32_t>& glossaryIds,
                         std::vector<uint32_t>& bookIds, QStringList& sectionCodes) override;

public slots:
    void pageStatusChanged();
    void startTimerReloadParentHierarchy();
    void stopTimerReloadParentHierarchy();

signals:
    void tabStatusChanged();
    void languageChanged();
    void searchModeChanged();
    void searchTextChanged();
    void catalogModelChanged();
    void treeViewProxyModelChanged();
    void parentHierarchyCountChanged();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void setTreeViewProxyModelObject(QObject* proxy);
    void rebuildVariants();
    void reloadParentHierarchy();
    void readParentHierarchy();
    void clearParentHierarchy();
    void connectOpenBookPage();
    TarnolixConstants::CatalogTab bookOfCatalog() const;
    void restoreRow(const QModelIndex& proxyIndex);

    QPointer<TabStatus> m_tab;
    QMetaObject::Connection m_pageConnection;
    TarnolixConstants::Language m_language = TarnolixConstants::InvalidLanguage;
    bool m_searchMode = false;
    QString m_searchText;
    QStringList m_variants;
    QString m_prefix;
    QString m_suffix;
    int m_reloadTimer = 0;
    QPointer<CatalogModelBase> m_model;
    QPointer<TreeViewProxyModel> m_proxy;
    CatalogTreeCheckerMngr* m_checker = nullptr;

    QSet<int> m_categories;
    QSet<QString> m_folders;
    QSet<QString> m_sections;
    QChar m_letter;
    int m_authorId = 0;
    int m_bookId = 0;
    int m_parentHierarchyCount = 0;

    std::shared_ptr<CTCheckerMngrData> m_checkStates;
};
