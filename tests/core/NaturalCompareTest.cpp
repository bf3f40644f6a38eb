#include "core/NaturalCompare.h"

#include <QLocale>

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace {

// The collator is made per thread with the default locale of the moment, so
// each locale is tried on a fresh thread.
void expectNaturalOrder(const QLocale& locale)
{
    const QLocale saved;
    QLocale::setDefault(locale);
    std::thread([&] {
        SCOPED_TRACE(locale.name().toStdString());
        EXPECT_LT(naturalCompare(QStringLiteral("Book 2"), QStringLiteral("book 10")), 0);
        EXPECT_GT(naturalCompare(QStringLiteral("book 10"), QStringLiteral("Book 2")), 0);
        EXPECT_EQ(naturalCompare(QStringLiteral("ABC"), QStringLiteral("abc")), 0);
        EXPECT_LT(naturalCompare(QStringLiteral("Глава 9"), QStringLiteral("глава 11")), 0);

        QStringList names{QStringLiteral("Том 10"), QStringLiteral("том 2"), QStringLiteral("Том 1")};
        std::stable_sort(names.begin(), names.end(),
                         [](const QString& a, const QString& b) { return naturalCompare(a, b) < 0; });
        EXPECT_EQ(names, QStringList({QStringLiteral("Том 1"), QStringLiteral("том 2"), QStringLiteral("Том 10")}));
    }).join();
    QLocale::setDefault(saved);
}

} // namespace

TEST(NaturalCompare, NumbersByValueCaseIgnored)
{
    expectNaturalOrder(QLocale(QLocale::Russian));
    expectNaturalOrder(QLocale(QLocale::English));
    // The Sanskrit interface runs with the C locale.
    expectNaturalOrder(QLocale::c());
}
