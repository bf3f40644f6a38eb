// The glossary tree manager inside the application: the page code finds
// glossaries through its lookup form, the catalogue filter writes its result
// there from the second thread, and a logout leaves a fresh manager.
#include "app/Tarnolix.h"
#include "database/TarnolixDB.h"
#include "models/FilterSearchThread.h"
#include "models/GlossaryTreeMngr.h"
#include "pages/PageServices.h"
#include "tests/models/GlossaryTreeSample.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/MessageLog.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

using tarnolix::test::app;
using C = TarnolixConstants;

TEST(GlossaryTreeInAppTest, PagesAndTheFilterShareTheAccountsManagerUntilLogout)
{
    {
        // No library yet: the page code finds no glossary, and says why only in the log.
        tarnolix::test::MessageLog log;
        EXPECT_EQ(PageServices::current()->glossaryContainer(), nullptr);
        EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("AppPageServices::glossaryContainer: ")));
    }

    ASSERT_TRUE(tarnolix::test::openAccountRuntime(QStringLiteral("reader@tarnolix.invalid")));
    GlossaryTreeMngr* manager = app().glossaryTreeMngr();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(GlossaryTreeMngr::current(), manager);

    GlossaryTree tree;
    auto category = tarnolix::test::glossaryCategory(12, QStringLiteral("Upanishad"), QStringLiteral("upanishad"));
    tree.addCategory(category);
    category->addGlossary(tarnolix::test::glossaryEntry(345, QStringLiteral("Ātmā"), QStringLiteral("atma")));
    tree.glossariesCount = 1;
    app().guiDatabase()->setGlossaryTree(tree);

    const auto container = PageServices::current()->glossaryContainer();
    ASSERT_NE(container, nullptr);
    EXPECT_NE(container->glossary(12, 345), nullptr);

    {
        FilterSearchThread filter;
        filter.setLanguage(C::English);
        QSignalSpy finished(&filter, &FilterSearchThread::searchFinished);
        QSignalSpy failed(&filter, &FilterSearchThread::searchError);
        filter.search(QStringLiteral("Ātm"), FilterSearchThread::Glossaries);
        ASSERT_TRUE(finished.wait(10000));
        EXPECT_EQ(failed.count(), 0);
        const GlossaryTreeMngr::SearchResultPtr result = manager->searchResult();
        ASSERT_NE(result, nullptr);
        ASSERT_EQ(result->glossaries.size(), 1u);
        EXPECT_EQ(result->glossaries[0]->id, 345);
    }

    ASSERT_TRUE(tarnolix::test::logoutAndWait());
    ASSERT_NE(app().glossaryTreeMngr(), nullptr);
    EXPECT_EQ(GlossaryTreeMngr::current(), app().glossaryTreeMngr());
    EXPECT_EQ(app().glossaryTreeMngr()->searchResult(), nullptr) << "the new manager starts empty";
}

} // namespace
