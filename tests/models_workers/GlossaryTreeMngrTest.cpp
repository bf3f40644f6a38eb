// The glossary tree manager: its lazy tree and lookup form, the filter over
// the glossaries, and both used from two threads at once.
#include "core/TarnolixEvents.h"
#include "models/GlossaryTreeMngr.h"
#include "tests/models/GlossaryLibrary.h"

#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

using namespace tarnolix::test;

using GlossaryManager = GlossaryLibrary;

TEST_F(GlossaryManager, AskingForTheTreeAloneNeverBuildsTheLookupForm)
{
    const std::shared_ptr<const GlossaryTree> tree = manager->glossaryTree();
    ASSERT_EQ(tree->categories.size(), 3u);
    EXPECT_EQ(manager->glossaryTree(), tree) << "read once";

    // A glossary added to the held tree now is in a lookup form built later
    // only: one built with the tree would not know it.
    tree->categories[0]->addGlossary(glossaryEntry(99, QStringLiteral("Late"), QStringLiteral("late")));
    std::shared_ptr<const GlossaryTree> sameTree;
    std::shared_ptr<const GlossaryContainer> container;
    manager->glossaryContainer(&sameTree, &container);
    EXPECT_EQ(sameTree, tree);
    ASSERT_NE(container, nullptr);
    EXPECT_NE(container->glossary(1, 99), nullptr);

    std::shared_ptr<const GlossaryContainer> again;
    manager->glossaryContainer(nullptr, &again);
    EXPECT_EQ(again, container);
}

TEST_F(GlossaryManager, TheFilterWalksBreadthFirstOverCaseSensitiveSearchKeys)
{
    struct Case
    {
        const char* text;
        QStringList categories;
        QStringList glossaries;
    };
    const Case cases[] = {
        {"", {"1", "2", "13", "11"}, {"3", "4", "6", "7", "8", "5"}},
        {"a", {"1", "2", "11"}, {"3", "6", "7", "8", "5"}},
        {"ved", {"1"}, {"4", "7"}},
        {"VÉD", {"1"}, {"4", "7"}},
        {"Ātm", {}, {"5"}},
        // The text's key is lower case; the stored key "Bhagavata" is not.
        {"Bhagavata", {}, {}},
        {"hagavata", {}, {"6"}},
        {"zzz", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        manager->search(QString::fromUtf8(c.text));
        const GlossaryTreeMngr::SearchResultPtr result = manager->searchResult();
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(idsOf(result->categories), c.categories);
        EXPECT_EQ(idsOf(result->glossaries), c.glossaries);
    }
}

TEST_F(GlossaryManager, AResultLastsUntilTheResetOrAFailedFilter)
{
    EXPECT_EQ(manager->searchResult(), nullptr);
    manager->search(QStringLiteral("ved"));
    const GlossaryTreeMngr::SearchResultPtr kept = manager->searchResult();
    ASSERT_NE(kept, nullptr);
    manager->resetSearch();
    EXPECT_EQ(manager->searchResult(), nullptr);
    EXPECT_EQ(idsOf(kept->glossaries), QStringList({"4", "7"})) << "a holder keeps its result";

    manager->search(QStringLiteral("ved"));
    db->execSql(QStringLiteral("DELETE FROM Settings WHERE key = 'GlossaryTree'"));
    manager->handleGlossaryTreeChanged();
    EXPECT_THROW(manager->search(QStringLiteral("ved")), std::exception);
    EXPECT_EQ(manager->searchResult(), nullptr);
    EXPECT_THROW(manager->glossaryTree(), std::exception);

    db->setGlossaryTree(sampleGlossaryTree());
    EXPECT_NE(manager->glossaryTree(), nullptr) << "a failed read keeps nothing";
}

TEST_F(GlossaryManager, AChangedTreeIsReadAgainAndItsReceiversMayCallBack)
{
    TarnolixEvents events;
    TarnolixEvents::setCurrent(&events);
    GlossaryTreeMngr followed;
    GlossaryTreeMngr::setCurrent(&followed);
    const std::shared_ptr<const GlossaryTree> before = followed.glossaryTree();

    GlossaryTree other;
    auto category = glossaryCategory(20, QStringLiteral("Vedanta"), QStringLiteral("vedanta"));
    other.addCategory(category);
    db->setGlossaryTree(other);

    // A receiver on this thread reads the tree and the lookup form again at once.
    std::shared_ptr<const GlossaryTree> seen;
    std::shared_ptr<const GlossaryContainer> container;
    QObject::connect(&followed, &GlossaryTreeMngr::glossaryTreeChanged, [&] {
        seen = followed.glossaryTree();
        followed.glossaryContainer(nullptr, &container);
    });
    events.emitGlossaryTreeChanged();
    ASSERT_TRUE(waitUntil([&] { return seen != nullptr; }));
    EXPECT_NE(seen, before);
    ASSERT_EQ(seen->categories.size(), 1u);
    EXPECT_NE(container->category(20), nullptr);
    EXPECT_EQ(before->categories.size(), 3u) << "records handed out stay valid";

    followed.search(QStringLiteral("ved"));
    EXPECT_EQ(idsOf(followed.searchResult()->categories), QStringList{"20"}) << "the filter walks the new tree";
    TarnolixEvents::setCurrent(nullptr);
}

TEST_F(GlossaryManager, FiltersOnOneThreadWhileTheTreeIsDroppedAndReadOnAnother)
{
    constexpr int kFilters = 200;
    std::atomic<int> wrong{0};
    std::atomic<int> failed{0};
    std::atomic<bool> done{false};
    QThread* filters = QThread::create([&] {
        for (int i = 0; i < kFilters; ++i) {
            try {
                manager->search(i % 2 ? QStringLiteral("ved") : QStringLiteral("a"));
                // Null when the other thread's reset came in between.
                const auto result = manager->searchResult();
                const QStringList expected = i % 2 ? QStringList{"4", "7"} : QStringList{"3", "6", "7", "8", "5"};
                if (result && idsOf(result->glossaries) != expected)
                    ++wrong;
            } catch (const std::exception&) {
                ++failed;
            }
        }
        done = true;
    });
    filters->start();
    int drops = 0;
    while (!done) {
        manager->handleGlossaryTreeChanged();
        std::shared_ptr<const GlossaryContainer> container;
        manager->glossaryContainer(nullptr, &container);
        ASSERT_NE(container->glossary(2, 7), nullptr);
        manager->resetSearch();
        ++drops;
    }
    filters->wait();
    delete filters;
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(failed.load(), 0);
    EXPECT_GT(drops, 0);
}
