#pragma once
// The one keeper of the library's glossary tree in memory: the tree read on
// first use, its lookup form built on demand, both dropped when the library's
// glossaries change, and the result of the latest catalogue filter over the
// glossaries. The GUI thread (catalogue models, page code) and the second
// thread (catalogue filter) use it at once.

#include "core/Glossary.h"
#include "core/GlossaryContainer.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class GlossaryTreeMngr : public QObject
{
    Q_OBJECT

public:
    // What a filter found; never changed once stored.
    struct SearchResust
    {
        std::vector<std::shared_ptr<GlossaryCategory>> categories; // in walk order
        std::vector<std::shared_ptr<Glossary>> glossaries;         // in the order reached
    };
    using SearchResultPtr = std::shared_ptr<const SearchResust>;

    // Follows the current events object's glossaryTreeChanged.
    explicit GlossaryTreeMngr(QObject* parent = nullptr);
    ~GlossaryTreeMngr() override;

    // The manager of the open account: set by the application object (or a
    // test), null while none is set and again once that one is destroyed.
    static GlossaryTreeMngr* current();
    static void setCurrent(GlossaryTreeMngr* manager);

    // Any thread. Fills the pointers given (either may be null), reading the
    // tree through the calling thread's connection and building the lookup
    // form first when they are not held. A failed read throws and keeps
    // nothing.
    void glossaryContainer(std::shared_ptr<const GlossaryTree>* tree,
                           std::shared_ptr<const GlossaryContainer>* container);
    // The tree only; never builds the lookup form.
    std::shared_ptr<const GlossaryTree> glossaryTree();

    // Any thread: the categories and glossaries whose search keys contain the
    // English search key of `text`, kept as the filter result. The previous
    // result is dropped first, so a failed filter leaves none.
    void search(const QString& text);
    // The kept result; null when no filter ran since the last reset.
    SearchResultPtr searchResult() const;
    void resetSearch();

signals:
    // The tree and its lookup form were dropped; readers read them again.
    void glossaryTreeChanged();

public slots:
    void handleGlossaryTreeChanged();

private:
    // Lock order: the result lock, then the tree lock (only a filter nests them).
    std::mutex m_treeMutex;
    std::shared_ptr<const GlossaryTree> m_tree;
    std::shared_ptr<const GlossaryContainer> m_container;
    mutable std::mutex m_resultMutex;
    SearchResultPtr m_result;

    static std::atomic<GlossaryTreeMngr*> s_current;
};
