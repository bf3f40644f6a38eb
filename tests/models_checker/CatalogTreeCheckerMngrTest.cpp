// Check-state propagation and collection on a real second thread.
#include "core/Exception.h"
#include "models/CatalogAuthorsModel.h"
#include "models/CatalogCategoriesModel.h"
#include "models/CatalogGlossariesModel.h"
#include "models/CatalogNamesModel.h"
#include "models/CatalogTreeCheckerMngr.h"
#include "tests/models_checker/CheckerLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tarnolix::test;
using C = TarnolixConstants;

namespace {

struct Tick
{
    C::CatalogItemType type;
    QVariant id;
    int state;
    QVariant bookId = {};
};

// The store as sorted "kind+id=state" words.
QString dump(const CTCheckerMngrData& d)
{
    QStringList words;
    for (auto it = d.m_categories.begin(); it != d.m_categories.end(); ++it)
        words << QStringLiteral("c%1=%2").arg(it.key()).arg(it.value());
    for (auto it = d.m_authors.begin(); it != d.m_authors.end(); ++it)
        words << QStringLiteral("a%1=%2").arg(it.key()).arg(it.value());
    for (auto it = d.m_books.begin(); it != d.m_books.end(); ++it)
        words << QStringLiteral("b%1=%2").arg(it.key()).arg(it.value());
    for (auto it = d.m_sections.begin(); it != d.m_sections.end(); ++it)
        words << QStringLiteral("s%1=%2").arg(it.key()).arg(it.value());
    for (auto it = d.m_glossaries.begin(); it != d.m_glossaries.end(); ++it)
        words << QStringLiteral("g%1=%2").arg(it.key()).arg(it.value());
    for (const auto& [letter, state] : d.m_letters)
        words << QStringLiteral("l%1=%2").arg(letter).arg(state);
    words.sort();
    return words.join(' ');
}

struct Collected
{
    std::vector<uint32_t> categories, glossaries, books;
    QStringList sections;

    QString text() const
    {
        auto ids = [](std::vector<uint32_t> v) {
            std::sort(v.begin(), v.end());
            QStringList words;
            for (uint32_t id : v)
                words << QString::number(id);
            return words.join(',');
        };
        QStringList s = sections;
        s.sort();
        return QStringLiteral("c[%1] g[%2] b[%3] s[%4]")
            .arg(ids(categories), ids(glossaries), ids(books), s.join(','));
    }
};

class Checker : public CheckerLibrary
{
protected:
    void TearDown() override
    {
        mngr.reset();
        model.reset();
        CheckerLibrary::TearDown();
    }

    void open(C::CatalogTab tab)
    {
        switch (tab) {
        case C::Authors:
            model = std::make_unique<CatalogAuthorsModel>();
            break;
        case C::Names:
            model = std::make_unique<CatalogNamesModel>();
            break;
        case C::Glossaries:
            model = std::make_unique<CatalogGlossariesModel>();
            break;
        case C::GlossariesNames:
            model = std::make_unique<CatalogGlossariesNamesModel>();
            break;
        default:
            model = std::make_unique<CatalogCategoriesModel>(db, nullptr);
            break;
        }
        mngr = std::make_unique<CatalogTreeCheckerMngr>();
        mngr->setLanguage(kRu);
        mngr->setModel(model.get());
        ASSERT_EQ(mngr->worker()->thread(), second ? &second->thread : QThread::currentThread());
    }
    void tick(const std::vector<Tick>& ticks)
    {
        for (const Tick& t : ticks)
            mngr->worker()->addRequest(t.bookId, int(t.type), t.id, t.state);
    }
    QString states()
    {
        const auto data = mngr->checkStates();
        std::lock_guard<std::mutex> lock(data->mutex);
        return dump(*data);
    }
    Collected collect()
    {
        Collected c;
        mngr->getCheckedItems(c.categories, c.glossaries, c.books, c.sections);
        return c;
    }

    std::unique_ptr<CatalogModelBase> model;
    std::unique_ptr<CatalogTreeCheckerMngr> mngr;
};

const QVariant k101 = 101;
// The glossary categories, as the glossary catalogues give a glossary's group key.
const QVariant kVeda = 1, kUpanishad = 11, kPurana = 2;

struct PropagationCase
{
    const char* name;
    C::CatalogTab tab;
    std::vector<Tick> ticks;
    QString states;
    QString collected;
};

} // namespace

TEST_F(Checker, PropagatesTicksDownAndUp)
{
    const std::vector<PropagationCase> cases = {
        {"a ticked category sets everything below it",
         C::Categories,
         {{C::Category, 1, 2}},
         "b101=2 b102=2 b103=2 b105=2 b106=2 c1=2 c11=2 c12=2",
         "c[1,11,12] g[] b[] s[]"},
        {"a parent all of whose children end up ticked becomes ticked",
         C::Categories,
         {{C::Category, 12, 2}, {C::Category, 11, 2}, {C::Book, 101, 2}, {C::Book, 102, 2}, {C::Book, 103, 2}},
         "b101=2 b102=2 b103=2 b105=2 b106=2 c1=2 c11=2 c12=2",
         "c[1,11,12] g[] b[] s[]"},
        {"a ticked book stores no sections and is collected by its id",
         C::Categories,
         {{C::Book, 101, 2}},
         "b101=2 c1=1",
         "c[] g[] b[101] s[]"},
        {"one section unticked in a ticked category keeps the other sections",
         C::Categories,
         {{C::Category, 1, 2}, {C::Section, "101.2.1", 0, k101}},
         "b102=2 b103=2 b105=2 b106=2 b101=1 c1=1 c11=2 c12=2 s101.1=2 s101.1.1=2 s101.1.2=2",
         "c[11,12] g[] b[102,103] s[101.1,101.1.1,101.1.2]"},
        {"the last section ticked sets its book and its category",
         C::Categories,
         {{C::Section, "101.1", 2, k101}, {C::Section, "101.2", 2, k101}},
         "b101=2 c1=1 s101.1=2 s101.1.1=2 s101.1.2=2 s101.2=2 s101.2.1=2",
         "c[] g[] b[101] s[]"},
        {"a parent whose only non-zero children are partial becomes unchecked",
         C::Categories,
         {{C::Section, "101.1.1", 2, k101}, {C::Section, "101.2.1", 2, k101}, {C::Section, "101.2.1", 0, k101}},
         "s101.1=1 s101.1.1=2",
         "c[] g[] b[] s[]"},
        {"a ticked letter sets its authors and their books",
         C::Authors,
         {{C::Letter, QChar(u'В'), 2}},
         "a1=2 a2=2 b101=2 b102=2 b105=2 b106=2 b107=2 lВ=2",
         "c[] g[] b[101,102,105,106,107] s[]"},
        {"an unticked author makes its letter partial",
         C::Authors,
         {{C::Letter, QChar(u'В'), 2}, {C::Author, 2, 0}},
         "a1=2 b101=2 b105=2 b107=2 lВ=1",
         "c[] g[] b[101,105,107] s[]"},
        {"the last section ticked updates the book's author and letter",
         C::Authors,
         {{C::Section, "101.1", 2, k101}, {C::Section, "101.2", 2, k101}},
         "a1=1 b101=2 lВ=1 s101.1=2 s101.1.1=2 s101.1.2=2 s101.2=2 s101.2.1=2",
         "c[] g[] b[101] s[]"},
        {"a ticked letter of names sets its books",
         C::Names,
         {{C::Letter, QChar(u'Б'), 2}},
         "b101=2 b106=2 lБ=2",
         "c[] g[] b[101,106] s[]"},
        {"a book of names recounts its letter",
         C::Names,
         {{C::Book, 106, 2}, {C::Section, "101.2", 2, k101}},
         "b106=2 b101=1 lБ=1 s101.2=2 s101.2.1=2",
         "c[] g[] b[106] s[101.2,101.2.1]"},
        {"a ticked glossary category sets what is below it and recounts its parent",
         C::Glossaries,
         {{C::Category, 11, 2}},
         "c11=2 g5=2 c1=1",
         "c[11] g[5] b[] s[]"},
        {"the last glossary ticked sets its category, whose subcategories stay in the scope",
         C::Glossaries,
         {{C::Category, 11, 2}, {C::Glossary, 3, 2, kVeda}, {C::Glossary, 4, 2, kVeda}},
         "c1=2 c11=2 g3=2 g4=2 g5=2",
         "c[1,11] g[3,4,5] b[] s[]"},
        {"a glossary unticked in a ticked category leaves its ancestors partial",
         C::Glossaries,
         {{C::Category, 1, 2}, {C::Glossary, 5, 0, kUpanishad}},
         "c1=1 g3=2 g4=2",
         "c[] g[3,4] b[] s[]"},
        {"a ticked category without children is collected",
         C::Glossaries,
         {{C::Category, 13, 2}},
         "c13=2",
         "c[13] g[] b[] s[]"},
        {"a ticked glossary letter sets its glossaries, listed by search key",
         C::GlossariesNames,
         {{C::Letter, QChar(u'A'), 2}},
         "g3=2 g5=2 g8=2 lA=2",
         "c[] g[3,5,8] b[] s[]"},
        {"a glossary recounts the letter of its search key",
         C::GlossariesNames,
         {{C::Glossary, 6, 2, kPurana}, {C::Glossary, 7, 2, kPurana}, {C::Glossary, 5, 2, kUpanishad}},
         "g5=2 g6=2 g7=2 lA=1 lB=2 lV=1",
         "c[] g[5,6,7] b[] s[]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        open(c.tab);
        tick(c.ticks);
        QStringList expected = c.states.split(' ', Qt::SkipEmptyParts);
        expected.sort();
        EXPECT_EQ(states(), expected.join(' '));
        EXPECT_EQ(collect().text(), c.collected);
        mngr.reset();
    }
}

TEST_F(Checker, FailedRequestsAreLoggedAndTheLoopGoesOn)
{
    open(C::Categories);
    MessageLog log;
    tick({{C::Glossary, 7, 2, kPurana}, {C::FavoriteFolder, 3, 2}, {C::Book, 102, 2}});
    EXPECT_EQ(states(), "b102=2 c1=1 g7=2") << "the glossary stays stored, the folder is not";
    EXPECT_TRUE(log.contains(QtWarningMsg, "CatalogTreeCheckerMngrThread::doIt: Error: Invalid mode(0x12376912)(Categories)"));
    EXPECT_TRUE(log.contains(QtWarningMsg, "CatalogTreeCheckerMngrThread::doIt: FavoriteFolder not supported"));
    EXPECT_TRUE(log.contains(QtWarningMsg, "Invalid type(0x87864456)(FavoriteFolder)"));

    open(C::Glossaries);
    log.clear();
    tick({{C::Category, 99, 2}, {C::Glossary, 5, 2, kVeda}, {C::Letter, QChar(u'A'), 2}, {C::Glossary, 5, 2, kUpanishad}});
    EXPECT_EQ(states(), "c11=2 c1=1 g5=2 lA=2") << "the letter is stored before its catalogue is refused";
    EXPECT_EQ(log.texts(QtWarningMsg),
              QStringList({"CatalogTreeCheckerMngrThread::doIt: Error: GlossaryCategory not found!",
                           "CatalogTreeCheckerMngrThread::doIt: Error: Glossary not found!",
                           "CatalogTreeCheckerMngrThread::doIt: Error: Unknown mode(0x85710759)(Glossaries)"}));
}

TEST_F(Checker, TheGlossaryTreeIsTakenAgainAfterACatalogueChange)
{
    open(C::Glossaries);
    tick({{C::Category, 13, 2}});
    ASSERT_EQ(states(), "c13=2");

    // The library's glossaries change: a new category under Purana.
    GlossaryTree tree = sampleGlossaryTree();
    tree.categories[1]->addCategory(glossaryCategory(14, QStringLiteral("Itihasa"), QStringLiteral("itihasa")));
    db->setGlossaryTree(tree);
    manager->handleGlossaryTreeChanged();
    mngr->setLanguage(C::English);
    tick({{C::Category, 14, 2}});
    EXPECT_EQ(states(), "c14=2 c2=1");
}

TEST_F(Checker, CollectionWaitsForTheTickAndRunsOnTheWorkersConnection)
{
    open(C::Categories);
    MessageLog log;
    tick({{C::Category, 2, 2}});
    EXPECT_EQ(collect().text(), "c[2] g[] b[] s[]");
    EXPECT_FALSE(log.contains(QtWarningMsg, "thread")) << log.texts(QtWarningMsg).join('\n').toStdString();

    mngr->worker()->setCatalog(C::AllFavorites, kRu);
    Collected c;
    try {
        mngr->getCheckedItems(c.categories, c.glossaries, c.books, c.sections);
        FAIL() << "no collection for favorites";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Unknown mode(0x85761759)(AllFavorites)");
    }
}

TEST_F(Checker, ALanguageChangeDiscardsQueuedTicksAndEmptiesTheStore)
{
    open(C::Categories);
    tick({{C::Category, 2, 2}});
    ASSERT_EQ(states(), "b104=2 b107=2 c2=2");

    second->hold();
    tick({{C::Category, 1, 2}});
    mngr->setLanguage(C::English);
    second->release();
    EXPECT_EQ(states(), "");

    mngr->setLanguage(kRu);
    tick({{C::Book, 104, 2}});
    EXPECT_EQ(states(), "b104=2 c2=1") << "the worker goes on after the change";
}

TEST_F(Checker, WithoutASecondThreadTheWorkerUsesTheGuiConnection)
{
    second.reset();
    open(C::Categories);
    tick({{C::Book, 104, 2}});
    EXPECT_EQ(states(), "b104=2 c2=1") << "processed before the wait instead of waiting for itself";
    EXPECT_EQ(collect().text(), "c[] g[] b[104] s[]");
}
