#include "models/GlossaryTreeMngr.h"

#include "core/TarnolixEvents.h"
#include "core/TextNormalization.h"
#include "database/DatabasePool.h"
#include "database/TarnolixDB.h"

#include <deque>

std::atomic<GlossaryTreeMngr*> GlossaryTreeMngr::s_current{nullptr};

GlossaryTreeMngr::GlossaryTreeMngr(QObject* parent)
    : QObject(parent)
{
    if (TarnolixEvents* events = TarnolixEvents::current())
        connect(events, &TarnolixEvents::glossaryTreeChanged, this, &GlossaryTreeMngr::handleGlossaryTreeChanged);
}

GlossaryTreeMngr::~GlossaryTreeMngr()
{
    GlossaryTreeMngr* self = this;
    s_current.compare_exchange_strong(self, nullptr);
}

GlossaryTreeMngr* GlossaryTreeMngr::current()
{
    return s_current.load();
}

void GlossaryTreeMngr::setCurrent(GlossaryTreeMngr* manager)
{
    s_current.store(manager);
}

void GlossaryTreeMngr::glossaryContainer(std::shared_ptr<const GlossaryTree>* tree,
                                         std::shared_ptr<const GlossaryContainer>* container)
{
    std::lock_guard<std::mutex> lock(m_treeMutex);
    if (!m_tree)
        m_tree = currentDatabase()->glossaryTree();
    if (container && !m_container)
        m_container = std::make_shared<const GlossaryContainer>(*m_tree);
    if (tree)
        *tree = m_tree;
    if (container)
        *container = m_container;
}

std::shared_ptr<const GlossaryTree> GlossaryTreeMngr::glossaryTree()
{
    std::shared_ptr<const GlossaryTree> tree;
    glossaryContainer(&tree, nullptr);
    return tree;
}

void GlossaryTreeMngr::search(const QString& text)
{
    const QString key = removeDiacritics(TarnolixConstants::English, text);
    std::lock_guard<std::mutex> lock(m_resultMutex);
    m_result.reset();
    const std::shared_ptr<const GlossaryTree> tree = glossaryTree();

    auto result = std::make_shared<SearchResust>();
    std::deque<std::shared_ptr<GlossaryCategory>> categories(tree->categories.begin(), tree->categories.end());
    std::deque<std::shared_ptr<Glossary>> glossaries;
    while (!categories.empty()) {
        const std::shared_ptr<GlossaryCategory> category = std::move(categories.front());
        categories.pop_front();
        if (!category)
            continue;
        categories.insert(categories.end(), category->categories.begin(), category->categories.end());
        glossaries.insert(glossaries.end(), category->glossaries.begin(), category->glossaries.end());
        if (category->searchName.contains(key))
            result->categories.push_back(category);
    }
    for (const auto& glossary : glossaries) {
        if (glossary && glossary->searchName.contains(key))
            result->glossaries.push_back(glossary);
    }
    m_result = std::move(result);
}

GlossaryTreeMngr::SearchResultPtr GlossaryTreeMngr::searchResult() const
{
    std::lock_guard<std::mutex> lock(m_resultMutex);
    return m_result;
}

void GlossaryTreeMngr::resetSearch()
{
    SearchResultPtr dropped;
    std::lock_guard<std::mutex> lock(m_resultMutex);
    dropped.swap(m_result);
}

void GlossaryTreeMngr::handleGlossaryTreeChanged()
{
    {
        std::lock_guard<std::mutex> lock(m_treeMutex);
        m_tree.reset();
        m_container.reset();
    }
    // Receivers on this thread read the tree again at once: never under the lock.
    emit glossaryTreeChanged();
}
