// The open book's printed numbering on a real tab: the numbers and lists of
// the current section, moving by section, chapter and verse (the target
// handed to the page logic), the other languages and editions, the book's
// information block and a quotation with its source.
#include "tabs/OpenBookStatus.h"
#include "tabs/TabStatus.h"
#include "tests/support/MessageLog.h"
#include "tests/tabs/NumberedBook.h"
#include "tests/tabs/TabFakes.h"
#include "tests/tabs/TabFixture.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using namespace tarnolix::test;
using C = TarnolixConstants;
namespace nb = tarnolix::test::numbered;

class OpenBookNavigationTest : public TabFixture
{
protected:
    void SetUp() override
    {
        TabFixture::SetUp();
        services.creator = std::make_shared<HTMLCreator>();
        nb::insertNumberedBooks(*db, false, 5);
        tab->setPageLogic(&logic);
        page = std::make_unique<OpenBookStatus>();
        page->setTabStatus(tab.get());
        tab->setPageStatus(page.get());
        page->initialize();
    }

    void TearDown() override
    {
        page.reset();
        TabFixture::TearDown();
    }

    // Opens `bookId` in `language` with `code` as the current section.
    void openAt(const QString& code, int bookId = nb::kBookId, const char* language = "ru")
    {
        tab->setUrl(QUrl(QStringLiteral("tarnolix://openbook.%1/Book-%2?catalogTab=Names&tabId=%3")
                             .arg(QString::fromLatin1(language))
                             .arg(bookId)
                             .arg(tab->id())));
        ASSERT_TRUE(page->openBook());
        if (!code.isEmpty()) {
            ASSERT_TRUE(page->commitVisibleSection(code)) << code.toStdString();
        }
    }

    static QVariantList ints(std::initializer_list<int> values)
    {
        QVariantList list;
        for (int v : values)
            list << v;
        return list;
    }

    // Constructed before the tab, which registers with its services.
    FakeTabServices tabServices;
    FakeBookLogic logic;
    std::unique_ptr<OpenBookStatus> page;
};

TEST_F(OpenBookNavigationTest, NumbersAndNeighboursFollowTheCurrentSection)
{
    struct Case
    {
        const char* code;
        int section, chapter, poem;
        int nextSection, nextChapter, nextPoem, previousSection, previousChapter, previousPoem;
    };
    const Case cases[] = {
        {"intro", 0, 0, 0, 1, 0, 0, 0, 0, 0},
        {"s1c1v1", 1, 1, 1, 1, 1, 1, 0, 0, 0},
        {"s1c1v3b", 1, 1, 3, 1, 1, 0, 0, 0, 1},
        // The last verse of a chapter: the notes (chapter 0) end the walk.
        {"s1c5v2", 1, 5, 2, 1, 0, 0, 0, 1, 1},
        {"s1notes", 1, 0, 0, 1, 0, 0, 0, 0, 0},
        {"s2c1v1", 2, 1, 1, 1, 1, 1, 1, 0, 0},
        {"s3c5v9", 3, 5, 9, 0, 0, 0, 1, 1, 1},
    };
    openAt(QString());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        ASSERT_TRUE(page->commitVisibleSection(QString::fromLatin1(c.code)));
        EXPECT_EQ(page->property("numberCodeSection").toInt(), c.section);
        EXPECT_EQ(page->property("numberCodeChapter").toInt(), c.chapter);
        EXPECT_EQ(page->property("numberCodePoem").toInt(), c.poem);
        EXPECT_EQ(page->property("hasNextSection").toInt(), c.nextSection);
        EXPECT_EQ(page->property("hasNextChapter").toInt(), c.nextChapter);
        EXPECT_EQ(page->property("hasNextPoem").toInt(), c.nextPoem);
        EXPECT_EQ(page->property("hasPreviouesSection").toInt(), c.previousSection);
        EXPECT_EQ(page->property("hasPreviouesChapter").toInt(), c.previousChapter);
        EXPECT_EQ(page->property("hasPreviouesPoem").toInt(), c.previousPoem);
    }
}

TEST_F(OpenBookNavigationTest, NumberListsLeaveOutZeroAndRepeats)
{
    openAt(QStringLiteral("s1c1v3b"));
    EXPECT_EQ(page->getSectionNumbers(), ints({1, 2, 3}));
    // The song heading and the notes (chapter 0) are not chapters.
    EXPECT_EQ(page->getChapterNumbers(), ints({1, 2, 3, 4, 5}));
    // Verse 3 over three sections is listed once.
    EXPECT_EQ(page->getPoemNumbers(), ints({1, 2, 3}));

    ASSERT_TRUE(page->commitVisibleSection(QStringLiteral("s3c5v4")));
    EXPECT_EQ(page->getPoemNumbers(), ints({1, 2, 3, 4, 5, 6, 7, 8, 9}));
    ASSERT_TRUE(page->commitVisibleSection(QStringLiteral("s1notes")));
    EXPECT_EQ(page->getChapterNumbers(), ints({1, 2, 3, 4, 5}));
    EXPECT_EQ(page->getPoemNumbers(), QVariantList());
}

TEST_F(OpenBookNavigationTest, MovesHandTheFirstSectionOfTheTargetToThePageLogic)
{
    struct Case
    {
        const char* from;
        std::function<void(OpenBookStatus&)> move;
        const char* target; // empty: "<name>: Not found"
        const char* warning;
    };
    const Case cases[] = {
        {"s1c5v1", &OpenBookStatus::goToPreviousChapter, "s1c4", nullptr},
        {"s1c1v3c", &OpenBookStatus::goToPreviousPoem, "s1c1v2", nullptr},
        {"s1c1v2", &OpenBookStatus::goToPreviousPoem, "s1c1v1", nullptr},
        {"s1c1v3a", &OpenBookStatus::goToNextPoem, "", "goToNextPoem: Not found"},
        {"s1c1v2", &OpenBookStatus::goToNextPoem, "s1c1v3a", nullptr},
        {"s1c1v1", &OpenBookStatus::goToNextChapter, "s1c2", nullptr},
        {"s1c5v2", &OpenBookStatus::goToNextChapter, "", "goToNextChapter: Not found"},
        {"s1c1v1", &OpenBookStatus::goToNextSection, "s2", nullptr},
        {"s2c1v1", &OpenBookStatus::goToPreviousSection, "s1", nullptr},
        {"s1c2v1", &OpenBookStatus::goToPreviousSection, "", "goToPreviousSection: Not found"},
        {"s3c2v1", [](OpenBookStatus& p) { p.goToSection(2); }, "s2", nullptr},
        {"s3c2v1", [](OpenBookStatus& p) { p.goToChapter(4); }, "s3c4", nullptr},
        {"s3c2v1", [](OpenBookStatus& p) { p.goToPoem(2); }, "s3c2v2", nullptr},
        {"s3c2v1", [](OpenBookStatus& p) { p.goToChapter(9); }, "", "goToChapter: Not found"},
    };
    openAt(QString());
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " -> " + c.target);
        ASSERT_TRUE(page->commitVisibleSection(QString::fromLatin1(c.from)));
        logic.codes.clear();
        MessageLog log;
        c.move(*page);
        if (*c.target) {
            EXPECT_EQ(logic.codes, QStringList{QString::fromLatin1(c.target)});
            EXPECT_TRUE(log.texts(QtWarningMsg).isEmpty());
        } else {
            EXPECT_TRUE(logic.codes.isEmpty());
            EXPECT_EQ(log.texts(QtWarningMsg), QStringList{QString::fromLatin1(c.warning)});
        }
    }
    EXPECT_TRUE(logic.defaultsKept);
}

TEST_F(OpenBookNavigationTest, ABookWithoutNumbersGivesZerosAndNotFound)
{
    openAt(QStringLiteral("p2"), nb::kPlainBookId);
    for (const char* name : {"numberCodeSection", "numberCodeChapter", "numberCodePoem", "hasNextSection",
                             "hasNextChapter", "hasNextPoem", "hasPreviouesSection", "hasPreviouesChapter",
                             "hasPreviouesPoem", "archiBookCount"})
        EXPECT_EQ(page->property(name).toInt(), 0) << name;
    EXPECT_TRUE(page->getSectionNumbers().isEmpty());
    EXPECT_TRUE(page->getChapterNumbers().isEmpty());
    EXPECT_TRUE(page->getPoemNumbers().isEmpty());
    EXPECT_EQ(page->getAnotherBookLanguage(), C::InvalidLanguage);
    EXPECT_TRUE(page->getArchiBookInfo().isEmpty());

    MessageLog log;
    page->goToSection(1);
    page->goToChapter(1);
    page->goToPoem(1);
    page->goToNextSection();
    page->goToNextChapter();
    page->goToNextPoem();
    page->goToPreviousSection();
    page->goToPreviousChapter();
    page->goToPreviousPoem();
    EXPECT_EQ(log.texts(QtWarningMsg),
              (QStringList{"goToSection: Not found", "goToChapter: Not found", "goToPoem: Not found",
                           "goToNextSection: Not found", "goToNextChapter: Not found", "goToNextPoem: Not found",
                           "goToPreviousSection: Not found", "goToPreviousChapter: Not found",
                           "goToPreviousPoem: Not found"}));
    EXPECT_TRUE(logic.codes.isEmpty());
}

TEST_F(OpenBookNavigationTest, WithoutACurrentSectionNothingMovesAndListsAreEmpty)
{
    openAt(QString());
    ASSERT_EQ(page->currentSection(), nullptr);
    MessageLog log;
    page->goToNextSection();
    page->goToSection(1);
    EXPECT_TRUE(logic.codes.isEmpty());
    EXPECT_TRUE(log.texts(QtWarningMsg).isEmpty());
    EXPECT_EQ(page->getSectionNumbers(), ints({1, 2, 3}));
    EXPECT_TRUE(page->getChapterNumbers().isEmpty());
    EXPECT_EQ(page->property("hasNextSection").toInt(), 0);
}

TEST_F(OpenBookNavigationTest, OtherLanguagesAndEditionsOfTheCurrentSection)
{
    struct Case
    {
        const char* code;
        C::Language another;
        int archiBookCount;
        QVariantList otherEditions; // ids
    };
    const Case cases[] = {
        // Songs 1 and 2 exist in English; song 1's verses also in book 121.
        {"s1c2v1", C::English, 1, {nb::kOtherEditionId}},
        {"intro", C::English, 0, {}},
        {"s2c3v2", C::English, 0, {}},
        {"s3c1v1", C::Sanskrit, 0, {}},
    };
    openAt(QString());
    QSignalSpy changed(page.get(), &OpenBookStatus::anotherBookLanguageChanged);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const int before = changed.count();
        ASSERT_TRUE(page->commitVisibleSection(QString::fromLatin1(c.code)));
        EXPECT_GT(changed.count(), before);
        EXPECT_EQ(page->property("anotherBookLanguage").toInt(), int(c.another));
        EXPECT_EQ(page->archiBookCount(), c.archiBookCount);
        const QVariantMap info = page->getArchiBookInfo();
        EXPECT_EQ(info.value("archiBookId").toInt(), nb::kArchiBookId);
        EXPECT_EQ(info.value("archiBookName").toString(), QStringLiteral("Сказание"));
        QVariantList ids;
        for (const QVariant& book : info.value("books").toList())
            ids << book.toMap().value("id");
        EXPECT_EQ(ids, c.otherEditions);
    }
    ASSERT_TRUE(page->commitVisibleSection(QStringLiteral("s1c2v1")));
    const QVariantMap edition = page->getArchiBookInfo().value("books").toList().value(0).toMap();
    EXPECT_EQ(edition.value("name").toString(), QStringLiteral("The Tale, second edition"));
    EXPECT_EQ(edition.value("languages").toList(), ints({C::English}));
    EXPECT_TRUE(tabServices.errors.isEmpty()) << tabServices.errors.join('\n').toStdString();
}

TEST_F(OpenBookNavigationTest, TheBookInformationBlock)
{
    openAt(QStringLiteral("s1c1v1"));
    const QVariantMap info = page->getBookInfo();
    EXPECT_EQ(info.value("bookName").toString(), QStringLiteral("Сказание о реке"));
    const auto person = [](int id, const char* name) {
        return QVariant(QVariantMap{{"id", id}, {"name", QString::fromUtf8(name)}});
    };
    EXPECT_EQ(info.value("authors").toList(),
              (QVariantList{person(201, "Нарада Муни"), person(202, ""), person(203, "")}));
    EXPECT_EQ(info.value("commentators").toList(), QVariantList{person(202, "")});
    EXPECT_EQ(info.value("categories").toStringList(), QStringList{QStringLiteral("Писания • Самхиты")});

    // A book in no category has no path; that is no error.
    openAt(QStringLiteral("p1"), nb::kPlainBookId);
    EXPECT_TRUE(page->getBookInfo().value("categories").toStringList().isEmpty());
    EXPECT_TRUE(tabServices.errors.isEmpty()) << tabServices.errors.join('\n').toStdString();

    page->closeBook();
    EXPECT_TRUE(page->getBookInfo().isEmpty());
    EXPECT_EQ(tabServices.errors, QStringList{"Book not open"});
}

TEST_F(OpenBookNavigationTest, CopyWithSourcePutsTheSourceLineUnderTheSelection)
{
    struct Case
    {
        int bookId;
        const char* section;
        const char* note;
        const char* source;
    };
    const Case cases[] = {
        {nb::kBookId, "s1c2v1", "",
         "Нарада Муни, Иванов Пётр Сергеевич. Сказание о реке, 1.2.1. 978-5-00000-120-4."},
        {nb::kBookId, "intro", "Комментарий к стиху:",
         "Нарада Муни, Иванов Пётр Сергеевич. Сказание о реке, Комментарий к стиху. 978-5-00000-120-4."},
        {nb::kBookId, "s1", "", "Нарада Муни, Иванов Пётр Сергеевич. Сказание о реке, 1. 978-5-00000-120-4."},
        {nb::kPlainBookId, "p1", "", "Книга без номеров."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        openAt(QString(), c.bookId);
        page->copyWithSource(QString::fromLatin1(c.section), QStringLiteral("  \n Река текла.\t "),
                             QString::fromUtf8(c.note));
        EXPECT_EQ(tabServices.clipboard,
                  QStringLiteral("Река текла.\n\nИсточник: ") + QString::fromUtf8(c.source));
        EXPECT_FALSE(tabServices.clipboardPlain);
    }

    openAt(QString());
    MessageLog log;
    page->copyWithSource(QStringLiteral("nowhere"), QStringLiteral("x"), QString());
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("section not found")));
    EXPECT_TRUE(tabServices.clipboard.endsWith(QStringLiteral("Сказание о реке. 978-5-00000-120-4.")));

    page->closeBook();
    tabServices.clipboard.clear();
    page->copyWithSource(QStringLiteral("s1"), QStringLiteral("x"), QString());
    EXPECT_TRUE(tabServices.clipboard.isEmpty());
    EXPECT_EQ(tabServices.errors, QStringList{"ERROR 0xF6415644"});
}

// A change reported while the page was loading is done by the reopening on
// page load; the next change must be asked for again.
TEST_F(OpenBookNavigationTest, AReopenedBookAsksForTheNextReloadAgain)
{
    openAt(QStringLiteral("s1"));
    QSignalSpy reload(page.get(), &OpenBookStatus::bookContentReloadRequested);
    page->invalidateBookContent(nb::kBookId);
    ASSERT_EQ(reload.count(), 1);
    ASSERT_TRUE(page->openBook());
    page->invalidateBookContent(nb::kBookId);
    EXPECT_EQ(reload.count(), 2);
}

} // namespace
