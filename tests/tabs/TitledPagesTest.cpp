// The cover and author page kinds: the tab's title read from the library off
// the GUI thread, an empty name kept empty, and a failed lookup shown to the
// reader instead of a title.
#include "tabs/OpenAuthorStatus.h"
#include "tabs/OpenBookCoverStatus.h"
#include "tests/tabs/TabFixture.h"

#include <QSignalSpy>
#include <QThreadPool>

#include <gtest/gtest.h>

namespace tarnolix::test {
namespace {

class TitledPages : public TabFixture
{
protected:
    // The title a fresh page kind of type P gives the tab at `url`; "(none)"
    // when no title came.
    template <class P>
    QString titleAt(const char* url)
    {
        tab->setUrl(tabUrl(url));
        P page;
        page.setTabTitle(QStringLiteral("(none)"));
        page.setTabStatus(tab.get());
        QSignalSpy titled(&page, &PageStatus::tabTitleChanged);
        page.initializePage();
        EXPECT_EQ(page.tabTitle(), QStringLiteral("(none)")) << "the GUI thread does not wait for the library";
        QThreadPool::globalInstance()->waitForDone();
        titled.wait(200);
        return page.tabTitle();
    }

    FakeTabServices services;
};

TEST_F(TitledPages, TitlesFromTheLibraryInThePageLanguage)
{
    struct Case
    {
        bool cover;
        const char* url;
        QString title;
    };
    const Case cases[] = {
        {true, "tarnolix://openbookcover.ru/Category-3/Category-5/Book-77?tabId=%1", QStringLiteral("Дипа-самхита (full)")},
        {true, "tarnolix://openbookcover.en/Book-77?tabId=%1", QStringLiteral("Dipa Samhita (full)")},
        {false, "tarnolix://openauthor.ru/Author-10?tabId=%1", QStringLiteral("Вьяса")},
        {false, "tarnolix://openauthor.en/Author-10?tabId=%1", QStringLiteral("Vyasa")},
        // No name in Sanskrit: the title is empty.
        {false, "tarnolix://openauthor.st/Author-10?tabId=%1", QString()},
    };
    for (const Case& c : cases) {
        const QString title = c.cover ? titleAt<OpenBookCoverStatus>(c.url) : titleAt<OpenAuthorStatus>(c.url);
        EXPECT_EQ(title, c.title) << c.url;
    }
    EXPECT_TRUE(services.errors.isEmpty()) << services.errors.join('\n').toStdString();
}

TEST_F(TitledPages, AFailedLookupIsShownAndLeavesTheTitle)
{
    EXPECT_EQ(titleAt<OpenBookCoverStatus>("tarnolix://openbookcover.ru/Book-99?tabId=%1"), QStringLiteral("(none)"));
    EXPECT_EQ(titleAt<OpenAuthorStatus>("tarnolix://openauthor.ru/Author-99?tabId=%1"), QStringLiteral("(none)"));
    EXPECT_EQ(services.errors.size(), 2) << services.errors.join('\n').toStdString();
}

TEST_F(TitledPages, APageGoneBeforeTheAnswerIsNotTouched)
{
    tab->setUrl(tabUrl("tarnolix://openauthor.ru/Author-10?tabId=%1"));
    {
        OpenAuthorStatus page;
        page.setTabStatus(tab.get());
        page.initializePage();
    }
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(services.errors.isEmpty());
}

} // namespace
} // namespace tarnolix::test
