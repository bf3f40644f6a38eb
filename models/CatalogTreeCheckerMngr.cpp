#include "models/CatalogTreeCheckerMngr.h"

#include "core/Exception.h"
#include "core/Glossary.h"
#include "core/GlossaryContainer.h"
#include "database/TarnolixDB.h"
#include "models/CatalogModelBase.h"
#include "models/GlossaryTreeMngr.h"
#include "models/ModelServices.h"
#include "models/TreeViewProxyModel.h"
#include "pages/PageServices.h"

#include <QCoreApplication>
#include <QMetaEnum>
#include <QThread>

#include <exception>

using C = TarnolixConstants;

namespace {

const QString kAuthorRole = QStringLiteral("author");

template <typename Enum>
QString keyName(int value)
{
    const char* key = QMetaEnum::fromType<Enum>().valueToKey(value);
    return key ? QString::fromLatin1(key) : QString::number(value);
}

// The catalogue's lists count only categories that hold books.
constexpr bool kOnlyWithBooks = true;

// How many of the children are fully checked.
template <typename Ids, typename Map>
int checkedCount(const Ids& ids, const Map& states)
{
    int checked = 0;
    for (const auto& id : ids)
        checked += CTCheckerMngrData::get(states, typename Map::key_type(id)) == Qt::Checked;
    return checked;
}

} // namespace

// ---------------------------------------------------------------- worker

CatalogTreeCheckerMngrThread::CatalogTreeCheckerMngrThread(std::shared_ptr<TarnolixDB> db)
    : m_db(std::move(db))
    , m_data(std::make_shared<CTCheckerMngrData>())
{
}

CatalogTreeCheckerMngrThread::~CatalogTreeCheckerMngrThread() = default;

TarnolixDB& CatalogTreeCheckerMngrThread::db()
{
    if (!m_db) {
        if (ModelServices* services = ModelServices::current())
            m_db = services->secondThreadDatabase();
        // Without a second thread the worker stayed on the GUI thread, whose
        // own connection it may use.
        const QCoreApplication* app = QCoreApplication::instance();
        if (!m_db && app && QThread::currentThread() == app->thread())
            return pageServices().guiDatabase();
        if (!m_db)
            throw Exception("CatalogTreeCheckerMngrThread: no database");
    }
    return *m_db;
}

void CatalogTreeCheckerMngrThread::addRequest(const QVariant& bookId, const QVariant& type, const QVariant& id,
                                              int state)
{
    addRequests({Request{state, id, type, bookId}});
}

void CatalogTreeCheckerMngrThread::addRequests(const std::vector<Request>& requests)
{
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        m_requests.insert(m_requests.end(), requests.begin(), requests.end());
        m_idle = false;
    }
    QMetaObject::invokeMethod(this, &CatalogTreeCheckerMngrThread::doIt, Qt::QueuedConnection);
}

void CatalogTreeCheckerMngrThread::setCatalog(C::CatalogTab mode, C::Language language)
{
    std::unique_lock<std::mutex> dataLock(m_data->mutex, std::defer_lock);
    std::unique_lock<std::mutex> workerLock(m_workerMutex, std::defer_lock);
    std::unique_lock<std::mutex> queueLock(m_queueMutex, std::defer_lock);
    std::lock(dataLock, workerLock, queueLock);
    m_mode = mode;
    m_language = language;
    m_data->clear();
    m_glossaryTree.reset();
    m_glossaryContainer.reset();
    m_glossaryCategories.clear();
    m_requests.clear();
    m_idle = true;
    queueLock.unlock();
    m_idleCondition.notify_all();
}

void CatalogTreeCheckerMngrThread::waitIdle()
{
    std::unique_lock<std::mutex> lock(m_queueMutex);
    m_idleCondition.wait(lock, [this] { return m_idle && m_requests.empty(); });
}

void CatalogTreeCheckerMngrThread::doIt()
{
    std::unique_lock<std::mutex> dataLock(m_data->mutex, std::defer_lock);
    std::unique_lock<std::mutex> workerLock(m_workerMutex, std::defer_lock);
    std::lock(dataLock, workerLock);
    for (;;) {
        Request request;
        {
            std::lock_guard<std::mutex> lock(m_queueMutex);
            if (m_requests.empty()) {
                m_idle = true;
                m_idleCondition.notify_all();
                return;
            }
            request = std::move(m_requests.front());
            m_requests.pop_front();
        }
        try {
            process(request);
        } catch (const std::exception& e) {
            qWarning("CatalogTreeCheckerMngrThread::doIt: Error: %s", e.what());
        }
    }
}

void CatalogTreeCheckerMngrThread::process(const Request& request)
{
    m_checkState = request.checkState;
    const int type = request.type.toInt();
    switch (type) {
    case C::Letter:
        processLetter(request.id.toChar());
        return;
    case C::Category:
        processCategory(request.id.toUInt());
        return;
    case C::Author:
        processAuthor(request.id.toUInt());
        return;
    case C::Book:
        processBook(request.id.toUInt());
        return;
    case C::Section:
        processSection(request.bookId.toUInt(), request.id.toString());
        return;
    case C::Glossary:
        processGlossary(request.bookId.toInt(), request.id.toInt());
        return;
    case C::FavoriteFolder:
        qWarning("CatalogTreeCheckerMngrThread::doIt: FavoriteFolder not supported");
        break;
    default:
        break;
    }
    throw Exception(QStringLiteral("Invalid type(0x87864456)(%1)").arg(keyName<C::CatalogItemType>(type)));
}

void CatalogTreeCheckerMngrThread::processLetter(QChar letter)
{
    CTCheckerMngrData::set(m_data->m_letters, letter, m_checkState);
    switch (m_mode) {
    case C::Authors:
        for (int author : db().selectAuthorIds(m_language, kAuthorRole, letter))
            setAuthorDown(uint32_t(author), m_checkState);
        return;
    case C::Names:
        for (int book : db().selectBookIdsByLetter(m_language, letter))
            CTCheckerMngrData::set(m_data->m_books, uint32_t(book), m_checkState);
        return;
    case C::GlossariesNames:
        holdGlossaryTree();
        for (const auto& glossary : glossariesOfLetter(letter))
            CTCheckerMngrData::set(m_data->m_glossaries, uint32_t(glossary->id), m_checkState);
        return;
    default:
        throw Exception(QStringLiteral("Unknown mode(0x85710759)(%1)").arg(keyName<C::CatalogTab>(m_mode)));
    }
}

void CatalogTreeCheckerMngrThread::processCategory(uint32_t id)
{
    if (m_mode == C::Glossaries) {
        holdGlossaryTree();
        const std::shared_ptr<GlossaryCategory> category = m_glossaryCategories.value(id);
        if (!category)
            throw Exception("GlossaryCategory not found!");
        setGlossaryCategoryDown(*category, m_checkState);
        if (std::shared_ptr<GlossaryCategory> parent = category->parent.lock())
            recountGlossaryCategory(std::move(parent), m_checkState);
        return;
    }
    if (m_mode != C::Categories)
        throw Exception(QStringLiteral("Unknown mode (0x25196712)(%1)").arg(keyName<C::CatalogTab>(m_mode)));
    setCategoryDown(id, m_checkState);
    const int parent = db().selectCategoryParentId(int(id));
    if (parent != 0)
        recountCategory(uint32_t(parent), m_checkState);
}

void CatalogTreeCheckerMngrThread::processAuthor(uint32_t id)
{
    setAuthorDown(id, m_checkState);
    recountAuthorLetter(db().selectPersonFirstLetter(m_language, int(id)).toUpper(), m_checkState);
}

void CatalogTreeCheckerMngrThread::processBook(uint32_t id)
{
    CTCheckerMngrData::set(m_data->m_books, id, m_checkState);
    recountBookAncestors(id, m_checkState);
}

void CatalogTreeCheckerMngrThread::processSection(uint32_t bookId, const QString& code)
{
    matchSectionsToBook(bookId);
    setSectionDown(bookId, code, m_checkState);
    int carried = m_checkState;
    QString child = code;
    for (;;) {
        const QString parent = db().selectParentSection(child, m_language);
        const int state = carried == Qt::PartiallyChecked
                              ? int(Qt::PartiallyChecked)
                              : [&] {
                                    const auto children = db().selectChildSectionCodes(int(bookId), m_language, parent);
                                    return countState(checkedCount(children, m_data->m_sections),
                                                      int(children.size()));
                                }();
        if (parent.isEmpty()) {
            CTCheckerMngrData::set(m_data->m_books, bookId, state);
            recountBookAncestors(bookId, state);
            return;
        }
        CTCheckerMngrData::set(m_data->m_sections, parent, state);
        carried = state;
        child = parent;
    }
}

void CatalogTreeCheckerMngrThread::processGlossary(int groupKey, int id)
{
    holdGlossaryTree();
    const std::shared_ptr<Glossary> glossary = m_glossaryContainer->glossary(groupKey, id);
    if (!glossary)
        throw Exception("Glossary not found!");
    CTCheckerMngrData::set(m_data->m_glossaries, uint32_t(glossary->id), m_checkState);
    switch (m_mode) {
    case C::Glossaries:
        if (std::shared_ptr<GlossaryCategory> parent = glossary->parent.lock())
            recountGlossaryCategory(std::move(parent), m_checkState);
        return;
    case C::GlossariesNames:
        // The letter the names catalogue lists the glossary under.
        if (glossary->searchName.isEmpty()) {
            qWarning("ERROR 0x17657892");
            return;
        }
        recountGlossaryLetter(glossary->searchName.at(0).toUpper(), m_checkState);
        return;
    default:
        throw Exception(QStringLiteral("Invalid mode(0x12376912)(%1)").arg(keyName<C::CatalogTab>(m_mode)));
    }
}

// A book ticked or unticked as a whole stores no section states: before one
// of its sections changes, its sections take the book's state, so that the
// recount sees the others as they are shown.
void CatalogTreeCheckerMngrThread::matchSectionsToBook(uint32_t bookId)
{
    const int bookState = CTCheckerMngrData::get(m_data->m_books, bookId);
    if (bookState == Qt::PartiallyChecked)
        return;
    for (const QString& code : db().selectChildSectionCodes(int(bookId), m_language, QString()))
        setSectionDown(bookId, code, bookState);
}

void CatalogTreeCheckerMngrThread::setCategoryDown(uint32_t id, int state)
{
    CTCheckerMngrData::set(m_data->m_categories, id, state);
    for (int child : db().selectCategoryNames(int(id), m_language, kOnlyWithBooks, false))
        setCategoryDown(uint32_t(child), state);
    for (int book : db().selectBookIdsByCategory(int(id), m_language))
        CTCheckerMngrData::set(m_data->m_books, uint32_t(book), state);
}

void CatalogTreeCheckerMngrThread::setAuthorDown(uint32_t id, int state)
{
    CTCheckerMngrData::set(m_data->m_authors, id, state);
    for (int book : db().selectBookIdsByAuthor(int(id), m_language))
        CTCheckerMngrData::set(m_data->m_books, uint32_t(book), state);
}

void CatalogTreeCheckerMngrThread::setSectionDown(uint32_t bookId, const QString& code, int state)
{
    CTCheckerMngrData::set(m_data->m_sections, code, state);
    for (const QString& child : db().selectChildSectionCodes(int(bookId), m_language, code))
        setSectionDown(bookId, child, state);
}

void CatalogTreeCheckerMngrThread::setGlossaryCategoryDown(const GlossaryCategory& category, int state)
{
    CTCheckerMngrData::set(m_data->m_categories, uint32_t(category.id), state);
    for (const auto& child : category.categories)
        if (child)
            setGlossaryCategoryDown(*child, state);
    for (const auto& glossary : category.glossaries)
        if (glossary)
            CTCheckerMngrData::set(m_data->m_glossaries, uint32_t(glossary->id), state);
}

int CatalogTreeCheckerMngrThread::countState(int checked, int total)
{
    if (checked == 0)
        return Qt::Unchecked;
    return checked == total ? Qt::Checked : Qt::PartiallyChecked;
}

void CatalogTreeCheckerMngrThread::recountCategory(uint32_t id, int carried)
{
    for (;;) {
        int state = Qt::PartiallyChecked;
        if (carried != Qt::PartiallyChecked) {
            const auto children = db().selectCategoryNames(int(id), m_language, kOnlyWithBooks, false);
            const auto books = db().selectBookIdsByCategory(int(id), m_language);
            state = countState(checkedCount(children, m_data->m_categories) + checkedCount(books, m_data->m_books),
                               int(children.size() + books.size()));
        }
        CTCheckerMngrData::set(m_data->m_categories, id, state);
        const int parent = db().selectCategoryParentId(int(id));
        if (parent == 0)
            return;
        id = uint32_t(parent);
        carried = state;
    }
}

void CatalogTreeCheckerMngrThread::recountAuthor(uint32_t id, int carried)
{
    int state = Qt::PartiallyChecked;
    if (carried != Qt::PartiallyChecked) {
        const auto books = db().selectBookIdsByAuthor(int(id), m_language);
        state = countState(checkedCount(books, m_data->m_books), int(books.size()));
    }
    CTCheckerMngrData::set(m_data->m_authors, id, state);
    recountAuthorLetter(db().selectPersonFirstLetter(m_language, int(id)).toUpper(), state);
}

void CatalogTreeCheckerMngrThread::recountAuthorLetter(QChar letter, int carried)
{
    if (letter.isNull())
        return;
    int state = Qt::PartiallyChecked;
    if (carried != Qt::PartiallyChecked) {
        const auto authors = db().selectAuthorIds(m_language, kAuthorRole, letter);
        state = countState(checkedCount(authors, m_data->m_authors), int(authors.size()));
    }
    CTCheckerMngrData::set(m_data->m_letters, letter, state);
}

void CatalogTreeCheckerMngrThread::recountNameLetter(QChar letter, int carried)
{
    if (letter.isNull())
        return;
    int state = Qt::PartiallyChecked;
    if (carried != Qt::PartiallyChecked) {
        const auto books = db().selectBookIdsByLetter(m_language, letter);
        state = countState(checkedCount(books, m_data->m_books), int(books.size()));
    }
    CTCheckerMngrData::set(m_data->m_letters, letter, state);
}

void CatalogTreeCheckerMngrThread::recountBookAncestors(uint32_t bookId, int carried)
{
    switch (m_mode) {
    case C::Categories:
        for (int category : db().selectBookCategoryIds(int(bookId), m_language))
            recountCategory(uint32_t(category), carried);
        return;
    case C::Authors:
        for (int author : db().selectBookAuthorIds(int(bookId), m_language))
            recountAuthor(uint32_t(author), carried);
        return;
    case C::Names:
        recountNameLetter(db().selectBookFirstLetter(int(bookId), m_language), carried);
        return;
    default:
        throw Exception(QStringLiteral("Invalid mode(0x18956711)(%1)").arg(keyName<C::CatalogTab>(m_mode)));
    }
}

void CatalogTreeCheckerMngrThread::recountGlossaryCategory(std::shared_ptr<GlossaryCategory> category, int carried)
{
    // A parent no longer in the tree ends the walk.
    while (category) {
        int state = Qt::PartiallyChecked;
        if (carried != Qt::PartiallyChecked) {
            int checked = 0;
            for (const auto& child : category->categories)
                checked += child && CTCheckerMngrData::get(m_data->m_categories, uint32_t(child->id)) == Qt::Checked;
            for (const auto& glossary : category->glossaries)
                checked +=
                    glossary && CTCheckerMngrData::get(m_data->m_glossaries, uint32_t(glossary->id)) == Qt::Checked;
            state = countState(checked, int(category->categories.size() + category->glossaries.size()));
        }
        CTCheckerMngrData::set(m_data->m_categories, uint32_t(category->id), state);
        category = category->parent.lock();
        carried = state;
    }
}

void CatalogTreeCheckerMngrThread::recountGlossaryLetter(QChar letter, int carried)
{
    int state = Qt::PartiallyChecked;
    if (carried != Qt::PartiallyChecked) {
        const auto glossaries = glossariesOfLetter(letter);
        int checked = 0;
        for (const auto& glossary : glossaries)
            checked += CTCheckerMngrData::get(m_data->m_glossaries, uint32_t(glossary->id)) == Qt::Checked;
        state = countState(checked, int(glossaries.size()));
    }
    CTCheckerMngrData::set(m_data->m_letters, letter, state);
}

void CatalogTreeCheckerMngrThread::holdGlossaryTree()
{
    if (m_glossaryTree)
        return;
    GlossaryTreeMngr* manager = GlossaryTreeMngr::current();
    if (!manager)
        throw Exception("The glossary tree manager is not available");
    std::shared_ptr<const GlossaryTree> tree;
    std::shared_ptr<const GlossaryContainer> container;
    manager->glossaryContainer(&tree, &container);
    QHash<uint32_t, std::shared_ptr<GlossaryCategory>> categories;
    walkGlossaryTree(*tree, [&](const std::shared_ptr<GlossaryCategory>& category) {
        categories.insert(uint32_t(category->id), category);
    });
    m_glossaryTree = std::move(tree);
    m_glossaryContainer = std::move(container);
    m_glossaryCategories = std::move(categories);
}

// As the names catalogue groups them: by the upper-cased first letter of the
// search key, which has no diacritics.
std::vector<std::shared_ptr<Glossary>> CatalogTreeCheckerMngrThread::glossariesOfLetter(QChar letter) const
{
    std::map<QChar, GlossaryList> groups = groupByFirstLetter(*m_glossaryTree);
    const auto it = groups.find(letter);
    return it == groups.end() ? GlossaryList() : std::move(it->second);
}

// ---------------------------------------------------------------- collection

void CatalogTreeCheckerMngrThread::collect(std::vector<uint32_t>& categoryIds, std::vector<uint32_t>& glossaryIds,
                                           std::vector<uint32_t>& bookIds, QStringList& sectionCodes)
{
    std::unique_lock<std::mutex> dataLock(m_data->mutex, std::defer_lock);
    std::unique_lock<std::mutex> workerLock(m_workerMutex, std::defer_lock);
    std::lock(dataLock, workerLock);
    m_outCategories = &categoryIds;
    m_outGlossaries = &glossaryIds;
    m_outBooks = &bookIds;
    m_outSections = &sectionCodes;
    struct Forget
    {
        CatalogTreeCheckerMngrThread* self;
        ~Forget()
        {
            self->m_outCategories = nullptr;
            self->m_outGlossaries = nullptr;
            self->m_outBooks = nullptr;
            self->m_outSections = nullptr;
        }
    } forget{this};

    const CTCheckerMngrData& data = *m_data;
    switch (m_mode) {
    case C::Categories:
        for (int category : db().selectCategoryNames(0, m_language, kOnlyWithBooks, false))
            visitCategory(uint32_t(category));
        return;
    case C::Authors:
        for (QChar letter : db().selectAuthorsFirstLetters(m_language, kAuthorRole)) {
            const int state = CTCheckerMngrData::get(data.m_letters, letter);
            if (state == Qt::Unchecked)
                continue;
            for (int author : db().selectAuthorIds(m_language, kAuthorRole, letter))
                for (int book : db().selectBookIdsByAuthor(author, m_language)) {
                    if (state == Qt::Checked)
                        bookIds.push_back(uint32_t(book));
                    else
                        visitBook(uint32_t(book));
                }
        }
        return;
    case C::Names:
        for (QChar letter : db().selectBooksFirstLetters(m_language)) {
            const int state = CTCheckerMngrData::get(data.m_letters, letter);
            if (state == Qt::Unchecked)
                continue;
            for (int book : db().selectBookIdsByLetter(m_language, letter)) {
                if (state == Qt::Checked)
                    bookIds.push_back(uint32_t(book));
                else
                    visitBook(uint32_t(book));
            }
        }
        return;
    case C::Glossaries:
        holdGlossaryTree();
        for (const auto& category : m_glossaryTree->categories)
            if (category)
                visitGlossaryCategory(*category);
        return;
    case C::GlossariesNames:
        holdGlossaryTree();
        for (const auto& [letter, glossaries] : groupByFirstLetter(*m_glossaryTree)) {
            const int state = CTCheckerMngrData::get(data.m_letters, letter);
            if (state != Qt::Unchecked)
                outputGlossaries(glossaries, state == Qt::Checked);
        }
        return;
    default:
        throw Exception(QStringLiteral("Unknown mode(0x85761759)(%1)").arg(keyName<C::CatalogTab>(m_mode)));
    }
}

void CatalogTreeCheckerMngrThread::visitCategory(uint32_t id)
{
    const int state = CTCheckerMngrData::get(m_data->m_categories, id);
    if (state == Qt::Unchecked)
        return;
    if (state == Qt::Checked)
        m_outCategories->push_back(id);
    for (int child : db().selectCategoryNames(int(id), m_language, kOnlyWithBooks, false))
        visitCategory(uint32_t(child));
    if (state == Qt::PartiallyChecked)
        for (int book : db().selectBookIdsByCategory(int(id), m_language))
            visitBook(uint32_t(book));
}

void CatalogTreeCheckerMngrThread::visitBook(uint32_t id)
{
    const int state = CTCheckerMngrData::get(m_data->m_books, id);
    if (state == Qt::Checked)
        m_outBooks->push_back(id);
    else if (state == Qt::PartiallyChecked)
        for (const QString& code : db().selectChildSectionCodes(int(id), m_language, QString()))
            visitSection(id, code);
}

void CatalogTreeCheckerMngrThread::visitSection(uint32_t bookId, const QString& code)
{
    if (CTCheckerMngrData::get(m_data->m_sections, code) == Qt::Unchecked)
        return;
    m_outSections->append(code);
    for (const QString& child : db().selectChildSectionCodes(int(bookId), m_language, code))
        visitSection(bookId, child);
}

void CatalogTreeCheckerMngrThread::visitGlossaryCategory(const GlossaryCategory& category)
{
    const int state = CTCheckerMngrData::get(m_data->m_categories, uint32_t(category.id));
    if (state == Qt::Unchecked)
        return;
    if (state == Qt::Checked)
        m_outCategories->push_back(uint32_t(category.id));
    // A glossary search keeps a term by its glossary's own category or by
    // the glossary: the ticked subcategories must be named too.
    for (const auto& child : category.categories)
        if (child)
            visitGlossaryCategory(*child);
    outputGlossaries(category.glossaries, false);
}

// With `all` every glossary, else those ticked.
void CatalogTreeCheckerMngrThread::outputGlossaries(const std::vector<std::shared_ptr<Glossary>>& glossaries, bool all)
{
    for (const auto& glossary : glossaries)
        if (glossary &&
            (all || CTCheckerMngrData::get(m_data->m_glossaries, uint32_t(glossary->id)) != Qt::Unchecked))
            m_outGlossaries->push_back(uint32_t(glossary->id));
}

// ---------------------------------------------------------------- manager

CatalogTreeCheckerMngr::CatalogTreeCheckerMngr(QObject* parent, QThread* workerThread,
                                               std::shared_ptr<TarnolixDB> workerDb)
    : QObject(parent)
    , m_worker(new CatalogTreeCheckerMngrThread(std::move(workerDb)))
{
    if (!workerThread)
        if (ModelServices* services = ModelServices::current())
            workerThread = services->secondThread();
    if (workerThread)
        m_worker->moveToThread(workerThread);
}

CatalogTreeCheckerMngr::~CatalogTreeCheckerMngr()
{
    m_worker->deleteLater();
}

void CatalogTreeCheckerMngr::setModel(CatalogModelBase* model)
{
    if (m_model == model)
        return;
    m_model = model;
    if (model)
        m_worker->setCatalog(model->catalogTab(), m_language);
}

void CatalogTreeCheckerMngr::setLanguage(C::Language language)
{
    if (m_language == language)
        return;
    m_language = language;
    if (m_model)
        m_worker->setCatalog(m_model->catalogTab(), m_language);
}

void CatalogTreeCheckerMngr::setProxyModel(TreeViewProxyModel* proxy)
{
    if (m_proxyModel == proxy)
        return;
    if (m_proxyModel)
        disconnect(m_proxyModel, nullptr, this, nullptr);
    m_proxyModel = proxy;
    if (!proxy)
        return;
    connect(proxy, &TreeViewProxyModel::itemChecked, this, &CatalogTreeCheckerMngr::onItemChecked);
    connect(proxy, &TreeViewProxyModel::itemUnchecked, this, &CatalogTreeCheckerMngr::onItemUnchecked);
    connect(proxy, &TreeViewProxyModel::allChecked, this, &CatalogTreeCheckerMngr::onAllChecked);
    connect(proxy, &TreeViewProxyModel::allUnchecked, this, &CatalogTreeCheckerMngr::onAllUnchecked);
}

void CatalogTreeCheckerMngr::waitIdle()
{
    // A worker on this very thread would never get to its queued run.
    if (m_worker->thread() == QThread::currentThread())
        m_worker->doIt();
    m_worker->waitIdle();
}

std::shared_ptr<CTCheckerMngrData> CatalogTreeCheckerMngr::checkStates()
{
    waitIdle();
    return m_worker->data();
}

void CatalogTreeCheckerMngr::getCheckedItems(std::vector<uint32_t>& categoryIds, std::vector<uint32_t>& glossaryIds,
                                             std::vector<uint32_t>& bookIds, QStringList& sectionCodes)
{
    waitIdle();
    if (QThread::currentThread() == m_worker->thread()) {
        m_worker->collect(categoryIds, glossaryIds, bookIds, sectionCodes);
        return;
    }
    // The worker's connection belongs to its thread; the worker never waits
    // for this one, so the blocking call cannot deadlock.
    std::exception_ptr failure;
    QMetaObject::invokeMethod(
        m_worker,
        [&] {
            try {
                m_worker->collect(categoryIds, glossaryIds, bookIds, sectionCodes);
            } catch (...) {
                failure = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (failure)
        std::rethrow_exception(failure);
}

void CatalogTreeCheckerMngr::onItemChecked(const QModelIndex& proxyIndex)
{
    addItem(proxyIndex, Qt::Checked);
}

void CatalogTreeCheckerMngr::onItemUnchecked(const QModelIndex& proxyIndex)
{
    addItem(proxyIndex, Qt::Unchecked);
}

void CatalogTreeCheckerMngr::onAllChecked()
{
    addAll(Qt::Checked);
}

void CatalogTreeCheckerMngr::onAllUnchecked()
{
    addAll(Qt::Unchecked);
}

void CatalogTreeCheckerMngr::addItem(const QModelIndex& proxyIndex, int state)
{
    if (!m_proxyModel)
        return;
    const QModelIndex source = m_proxyModel->mapToSource(proxyIndex);
    const QAbstractItemModel* model = source.model();
    if (!model)
        return;
    m_worker->addRequest(model->data(source, CatalogModelBase::BookIdRole),
                         model->data(source, CatalogModelBase::TypeRole),
                         model->data(source, CatalogModelBase::IdRole), state);
}

void CatalogTreeCheckerMngr::addAll(int state)
{
    if (!m_model)
        return;
    std::vector<CatalogTreeCheckerMngrThread::Request> requests;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const QModelIndex index = m_model->index(row, 0);
        requests.push_back({state, m_model->data(index, CatalogModelBase::IdRole),
                            m_model->data(index, CatalogModelBase::TypeRole),
                            m_model->data(index, CatalogModelBase::BookIdRole)});
    }
    m_worker->addRequests(requests);
}
