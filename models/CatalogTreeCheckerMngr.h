#pragma once
// The check states of a catalogue tab's whole tree, loaded rows or not. Each
// tick in the tree view's proxy becomes a request; the worker on the second
// thread computes the states of the item, everything below it and its
// ancestors from the library into the shared store, and collects the checked
// items for a search.

#include "core/TarnolixConstants.h"
#include "models/CTCheckerMngrData.h"

#include <QModelIndex>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariant>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

class CatalogModelBase;
class GlossaryContainer;
class QThread;
class TarnolixDB;
class TreeViewProxyModel;
struct Glossary;
struct GlossaryCategory;
struct GlossaryTree;

class CatalogTreeCheckerMngrThread : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        int checkState = Qt::Unchecked;
        QVariant id;     // an integer, a letter or a section code
        QVariant type;   // a CatalogItemType
        QVariant bookId; // a section's book; a glossary's group key
    };

    // `db` may be null: it is then taken from the model services on first
    // use, on the worker's own thread.
    explicit CatalogTreeCheckerMngrThread(std::shared_ptr<TarnolixDB> db = nullptr);
    ~CatalogTreeCheckerMngrThread() override;

    // Any thread.
    void addRequest(const QVariant& bookId, const QVariant& type, const QVariant& id, int state);
    void addRequests(const std::vector<Request>& requests);
    // Empties the store and the queue for another catalogue kind or language.
    void setCatalog(TarnolixConstants::CatalogTab mode, TarnolixConstants::Language language);
    void waitIdle();

    std::shared_ptr<CTCheckerMngrData> data() const { return m_data; }

    // On the worker's thread: appends the checked items. Throws for a
    // catalogue kind without a collection.
    void collect(std::vector<uint32_t>& categoryIds, std::vector<uint32_t>& glossaryIds,
                 std::vector<uint32_t>& bookIds, QStringList& sectionCodes);

public slots:
    void doIt();

private:
    TarnolixDB& db();
    void process(const Request& request);
    void processLetter(QChar letter);
    void processCategory(uint32_t id);
    void processAuthor(uint32_t id);
    void processBook(uint32_t id);
    void processSection(uint32_t bookId, const QString& code);
    void processGlossary(int groupKey, int id);

    void setCategoryDown(uint32_t id, int state);
    void setAuthorDown(uint32_t id, int state);
    void setSectionDown(uint32_t bookId, const QString& code, int state);
    void matchSectionsToBook(uint32_t bookId);
    void setGlossaryCategoryDown(const GlossaryCategory& category, int state);

    static int countState(int checked, int total);
    void recountCategory(uint32_t id, int carried);
    void recountAuthor(uint32_t id, int carried);
    void recountAuthorLetter(QChar letter, int carried);
    void recountNameLetter(QChar letter, int carried);
    void recountBookAncestors(uint32_t bookId, int carried);
    void recountGlossaryCategory(std::shared_ptr<GlossaryCategory> category, int carried);
    void recountGlossaryLetter(QChar letter, int carried);

    // The glossary tree of the glossary catalogues, taken on first need.
    void holdGlossaryTree();
    std::vector<std::shared_ptr<Glossary>> glossariesOfLetter(QChar letter) const;

    void visitCategory(uint32_t id);
    void visitBook(uint32_t id);
    void visitSection(uint32_t bookId, const QString& code);
    void visitGlossaryCategory(const GlossaryCategory& category);
    void outputGlossaries(const std::vector<std::shared_ptr<Glossary>>& glossaries, bool all);

    std::shared_ptr<TarnolixDB> m_db;

    std::mutex m_workerMutex;
    TarnolixConstants::CatalogTab m_mode = TarnolixConstants::InvalidCatalogTab;
    TarnolixConstants::Language m_language = TarnolixConstants::InvalidLanguage;
    std::shared_ptr<CTCheckerMngrData> m_data;
    // Under the worker lock; dropped by setCatalog.
    std::shared_ptr<const GlossaryTree> m_glossaryTree;
    std::shared_ptr<const GlossaryContainer> m_glossaryContainer;
    QHash<uint32_t, std::shared_ptr<GlossaryCategory>> m_glossaryCategories;

    std::mutex m_queueMutex;
    std::deque<Request> m_requests;
    bool m_idle = true;
    std::condition_variable m_idleCondition;

    int m_checkState = Qt::Unchecked;

    // Only during a collection.
    std::vector<uint32_t>* m_outCategories = nullptr;
    std::vector<uint32_t>* m_outGlossaries = nullptr;
    std::vector<uint32_t>* m_outBooks = nullptr;
    QStringList* m_outSections = nullptr;
};

class CatalogTreeCheckerMngr : public QObject
{
    Q_OBJECT

public:
    // The worker moves to `workerThread`; by default the model services'
    // second thread, else it stays on this object's thread.
    explicit CatalogTreeCheckerMngr(QObject* parent = nullptr, QThread* workerThread = nullptr,
                                    std::shared_ptr<TarnolixDB> workerDb = nullptr);
    ~CatalogTreeCheckerMngr() override;

    void setModel(CatalogModelBase* model);
    void setLanguage(TarnolixConstants::Language language);
    void setProxyModel(TreeViewProxyModel* proxy);

    // The live store, once the worker is idle.
    std::shared_ptr<CTCheckerMngrData> checkStates();
    // Waits for the queued ticks, then collects on the worker's thread (whose
    // connection it reads). Throws for a catalogue kind without a collection.
    void getCheckedItems(std::vector<uint32_t>& categoryIds, std::vector<uint32_t>& glossaryIds,
                         std::vector<uint32_t>& bookIds, QStringList& sectionCodes);

    CatalogTreeCheckerMngrThread* worker() const { return m_worker; }

public slots:
    void onItemChecked(const QModelIndex& proxyIndex);
    void onItemUnchecked(const QModelIndex& proxyIndex);
    void onAllChecked();
    void onAllUnchecked();

private:
    void waitIdle();
    void addItem(const QModelIndex& proxyIndex, int state);
    void addAll(int state);

    CatalogTreeCheckerMngrThread* m_worker = nullptr;
    TarnolixConstants::Language m_language = TarnolixConstants::InvalidLanguage;
    QPointer<CatalogModelBase> m_model;
    QPointer<TreeViewProxyModel> m_proxyModel;
};
