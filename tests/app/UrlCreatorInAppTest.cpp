// The URL model inside the application: its invokables reach the GUI
// thread's library and the reader's error notices through the application
// object.
#include "app/Tarnolix.h"
#include "database/TarnolixDB.h"
#include "pages/PageServices.h"
#include "pages/UrlCreator.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/MessageLog.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

using tarnolix::test::app;
using tarnolix::test::MessageLog;
using C = TarnolixConstants;

TEST(UrlCreatorInAppTest, InvokablesUseTheGuiConnectionAndShowTheirErrors)
{
    ASSERT_NE(PageServices::current(), nullptr);
    UrlCreator urlCreator;
    ASSERT_TRUE(urlCreator.fromString(QStringLiteral("tarnolix://newtab.ru")));
    QSignalSpy errors(&app(), &Tarnolix::errorMessage);

    {
        // No account library open yet.
        MessageLog log;
        EXPECT_FALSE(urlCreator.tryCreateCategoryPath(C::Russian, 5, C::Book));
        EXPECT_TRUE(
            log.contains(QtWarningMsg, QStringLiteral("tryCreateCategoryPath: The account library is not open")));
        ASSERT_EQ(errors.count(), 1);
        EXPECT_EQ(errors.at(0).at(1).toString(), QStringLiteral("The account library is not open"));
    }

    ASSERT_TRUE(tarnolix::test::openAccountRuntime(QStringLiteral("reader@tarnolix.invalid")));
    TarnolixDB& db = *app().guiDatabase();
    db.execSql(QStringLiteral("INSERT INTO BookBase(id, slug) VALUES(5, 'gita')"));
    db.execSql(QStringLiteral("INSERT INTO BookInfo2(id, name, shortName, shortNameLC) "
                              "VALUES(5, 'Гита', 'Гита', 'гита')"));
    db.execSql(QStringLiteral("INSERT INTO BookSections2(code, bookId, slug, name) "
                              "VALUES('1.1', 5, 'glava-1.stikh-1', '1.1')"));

    EXPECT_TRUE(urlCreator.tryCreateCategoryPath(C::Russian, QStringLiteral("1.1"), C::Section));
    EXPECT_EQ(urlCreator.toString(),
              QString::fromUtf8("tarnolix://openbook.ru/Letter-Г/Book-5/Section-1.1?catalogTab=Names"));
    EXPECT_TRUE(urlCreator.toSlugMode());
    EXPECT_EQ(urlCreator.toString(), "tarnolix://openbookslug.ru/Book-gita/Section-glava-1.stikh-1?catalogTab=Names");
    EXPECT_TRUE(urlCreator.processSlugMode());
    EXPECT_EQ(urlCreator.getBookId(), 5);
    EXPECT_EQ(errors.count(), 1);

    // Shown, except when another language lacks the section.
    EXPECT_FALSE(urlCreator.processSlugMode());
    EXPECT_EQ(errors.count(), 2);
    EXPECT_FALSE(urlCreator.findBookWithDifferentLanguage(C::English));
    EXPECT_EQ(errors.count(), 2);
    EXPECT_EQ(urlCreator.getSectionCode(), "1.1");

    EXPECT_TRUE(tarnolix::test::logoutAndWait());
}

} // namespace
