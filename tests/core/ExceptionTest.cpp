#include "core/Exception.h"

#include <QtConcurrent>

#include <gtest/gtest.h>

#include <memory>

TEST(Exception, CStringAndQStringTexts)
{
    const Exception c("ERROR 0xF547A457");
    EXPECT_STREQ(c.what(), "ERROR 0xF547A457");

    const Exception q(QString::fromUtf8("Таблица"));
    const char* first = q.what();
    EXPECT_STREQ(first, "Таблица");
    EXPECT_EQ(q.what(), first) << "the UTF-8 text is made once and kept";

    EXPECT_STREQ(Exception("").what(), "");
    EXPECT_STREQ(Exception(QString()).what(), "");
    EXPECT_STREQ(Exception(static_cast<const char*>(nullptr)).what(), "");
}

TEST(Exception, SubclassesCaughtAsTheirBases)
{
    const auto throwNotFound = [] { throw DBNotFound(QStringLiteral("Favorite not found")); };
    try { throwNotFound(); } catch (const DBException& e) { EXPECT_STREQ(e.what(), "Favorite not found"); }
    try { throwNotFound(); } catch (const Exception& e) { EXPECT_STREQ(e.what(), "Favorite not found"); }
    try { throwNotFound(); } catch (const std::exception& e) { EXPECT_STREQ(e.what(), "Favorite not found"); }
    EXPECT_THROW(throw DBUniqueConstraint(QStringLiteral("dup")), DBException);
}

TEST(Exception, CloneAndRaiseGiveTheRootType)
{
    const DBNotFound notFound(QStringLiteral("Book not found"));
    std::unique_ptr<Exception> copy(notFound.clone());
    EXPECT_EQ(typeid(*copy), typeid(Exception));
    EXPECT_STREQ(copy->what(), "Book not found");

    std::unique_ptr<Exception> fromC(Exception("ERROR 0x12345678").clone());
    EXPECT_STREQ(fromC->what(), "ERROR 0x12345678");

    std::unique_ptr<Exception> empty(Exception(QString()).clone());
    EXPECT_STREQ(empty->what(), "");

    try {
        notFound.raise();
        FAIL() << "raise() must throw";
    } catch (const DBNotFound&) {
        FAIL() << "raise() throws the root type";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Book not found");
    }
}

TEST(Exception, CarriedThroughAConcurrentFuture)
{
    QFuture<void> future = QtConcurrent::run([] { throw DBUniqueConstraint(QString::fromUtf8("Дубликат ключа")); });
    try {
        future.waitForFinished();
        FAIL() << "the worker's exception must arrive";
    } catch (const DBException&) {
        FAIL() << "the subclass is not carried across the future";
    } catch (const Exception& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), QString::fromUtf8("Дубликат ключа"));
    }
}
