// The validator: slugs back to codes and indexes, the fragments of a
// favorite's range in the rendered book, the three comparisons of an
// imported favorite's text, and editions that share section codes.

#include "tests/favorites/FavoritesFixture.h"

#include "database/TarnolixDB.h"
#include "core/TarnolixText.h"
#include "tests/support/MessageLog.h"

#include <gtest/gtest.h>

#include <functional>

namespace tarnolix::test {
namespace {

QString thrown(const std::function<void()>& operation)
{
    try {
        operation();
    } catch (const Exception& e) {
        return e.message();
    }
    return QStringLiteral("(nothing thrown)");
}

class FavoritesValidatorTest : public FavoritesFixture
{
protected:
    // The text offset just after `before` in section `n` of the edition, as
    // the service stores it.
    int textOffset(L language, int n, const QString& before)
    {
        const QString html = pageHtml(language, QStringLiteral("c%1").arg(n));
        return TarnolixText::getAbsolutePosition(html, html.lastIndexOf(before) + before.size());
    }

    Favorite favorite(L language, int first, const QString& startAfter, int last, const QString& endAfter,
                      const std::optional<QString>& text)
    {
        Favorite f;
        f.setUuid(QUuid::createUuid());
        f.setBookId(kBookId);
        f.setLanguage(language);
        f.startSelectedPosition().setSectionCode(QStringLiteral("c%1").arg(first));
        f.startSelectedPosition().setSectionIndex(first - 1);
        f.startSelectedPosition().setOffset(textOffset(language, first, startAfter));
        f.endSelectedPosition().setSectionCode(QStringLiteral("c%1").arg(last));
        f.endSelectedPosition().setSectionIndex(last - 1);
        f.endSelectedPosition().setOffset(textOffset(language, last, endAfter));
        f.setFavoriteText(text);
        return f;
    }
};

TEST_F(FavoritesValidatorTest, UniqueSlugNamesExactlyOneSection)
{
    MessageLog log;
    EXPECT_EQ(FavoritesValidator::checkUniqueSectionSlug(*db, L::English, kBookId, "ch-3"), "c3");
    EXPECT_EQ(thrown([&] { FavoritesValidator::checkUniqueSectionSlug(*db, L::Russian, 8, "dup"); }),
              QStringLiteral("Невозможно создать избранное для этого раздела книги!"));
    EXPECT_TRUE(log.contains(QtWarningMsg, "checkUniqueSectionSlug: 2 sections found by slug: dup"));
    EXPECT_EQ(thrown([&] { FavoritesValidator::checkUniqueSectionSlug(*db, L::Russian, kBookId, "ch-99"); }),
              QStringLiteral("Раздел книги не найден! (ERROR 0xE7841469)"));
    EXPECT_TRUE(log.contains(QtWarningMsg, "checkUniqueSectionSlug: section not found by slug: ch-99"));
}

TEST_F(FavoritesValidatorTest, RestoredPositionsTakeTheStoredIndexElseTheRowPosition)
{
    // Section 4's stored index says 10; section 6 has none and is the sixth row.
    db->execSql(QStringLiteral("UPDATE BookSections2 SET [index]=10 WHERE code='c4'"));
    db->execSql(QStringLiteral("UPDATE BookSections2 SET [index]=0 WHERE code='c6'"));
    struct Case
    {
        std::optional<QString> start;
        std::optional<QString> end;
        QString startCode;
        quint64 startIndex;
        QString endCode;
        quint64 endIndex;
    };
    const std::vector<Case> cases = {
        {QString("ch-4"), QString("ch-6"), "c4", 9, "c6", 5},
        {QString("ch-2"), QString("ch-2"), "c2", 1, "c2", 1},
    };
    for (const Case& c : cases) {
        Favorite f;
        f.setBookId(kBookId);
        f.setLanguage(L::Russian);
        f.startSelectedPosition().setSectionSlug(c.start);
        f.endSelectedPosition().setSectionSlug(c.end);
        f.endSelectedPosition().setOffset(12);
        FavoritesValidator::restorePositions(*db, f);
        EXPECT_EQ(f.startSelectedPosition().sectionCode(), c.startCode);
        EXPECT_EQ(f.startSelectedPosition().sectionIndex(), std::optional<quint64>(c.startIndex));
        EXPECT_EQ(f.endSelectedPosition().sectionCode(), c.endCode);
        EXPECT_EQ(f.endSelectedPosition().sectionIndex(), std::optional<quint64>(c.endIndex));
        EXPECT_EQ(f.endSelectedPosition().offset(), 12);
    }

    // An unset end slug is not the start's.
    Favorite unset;
    unset.setBookId(kBookId);
    unset.setLanguage(L::Russian);
    unset.startSelectedPosition().setSectionSlug(QString("ch-2"));
    EXPECT_EQ(thrown([&] { FavoritesValidator::restorePositions(*db, unset); }),
              QStringLiteral("Раздел книги не найден! (ERROR 0xE7841469)"));
}

TEST_F(FavoritesValidatorTest, FragmentsCoverTheRangeWithMiddleSectionsWhole)
{
    FavoritesValidator validator(db);
    ASSERT_TRUE(validator.init(kBookId, L::English));
    const QStringList one = validator.getFavoriteText(favorite(L::English, 3, "alpha ", 3, "beta", {}));
    ASSERT_EQ(one.size(), 1);
    EXPECT_EQ(one.front(), "beta");

    const QStringList three = validator.getFavoriteText(favorite(L::English, 3, "alpha ", 5, "Verse 5", {}));
    ASSERT_EQ(three.size(), 3);
    EXPECT_TRUE(three.at(0).startsWith("beta gamma")) << qPrintable(three.at(0));
    EXPECT_EQ(three.at(1), pageHtml(L::English, "c4"));
    EXPECT_TRUE(three.at(2).endsWith("Verse 5")) << qPrintable(three.at(2));

    EXPECT_TRUE(validator.getFavoriteText(favorite(L::English, 5, "alpha ", 3, "beta", {})).isEmpty());
}

TEST_F(FavoritesValidatorTest, TextMatchesExactlyAsADocumentOrWithoutBreaksAndSpaces)
{
    FavoritesValidator validator(db);
    ASSERT_TRUE(validator.init(kBookId, L::Russian));
    // tier: the comparison that matched (1 the clear text, 2 the text
    // document, 3 without line feeds and spaces), 0 none.
    struct Case
    {
        const char* name;
        Favorite favorite;
        int tier;
    };
    const QString threeToFour = QStringLiteral("бета гамма\nГлава 4\nСтих 4: альфа");
    const std::vector<Case> cases = {
        {"exact", favorite(L::Russian, 3, "альфа ", 4, "альфа", threeToFour), 1},
        {"no-break space", favorite(L::Russian, 6, "Стих 6: ", 6, "бета", QStringLiteral("альфа бета")), 2},
        {"spaces and breaks", favorite(L::Russian, 3, "альфа ", 4, "альфа", "бета  гамма Глава 4 Стих4:альфа"), 3},
        {"letters", favorite(L::Russian, 3, "альфа ", 4, "альфа", "бета гамма\nГлава 4\nСтих 4: альфы"), 0},
        {"empty text", favorite(L::Russian, 3, "альфа ", 3, "бета", QString()), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageLog log;
        EXPECT_EQ(validator.check(c.favorite), c.tier != 0);
        EXPECT_EQ(log.contains(QtDebugMsg, "Process favorite text by QTextDocument"), c.tier != 1);
        EXPECT_EQ(log.contains(QtInfoMsg, "Пробуем выполнить проверку текстов без переносов строк и пробелов"),
                  c.tier == 0 || c.tier == 3);
        EXPECT_EQ(log.contains(QtInfoMsg, "FavoritesValidator: check failed"), c.tier == 0);
    }
}

TEST_F(FavoritesValidatorTest, AMismatchLogsItsFiveLines)
{
    FavoritesValidator validator(db);
    ASSERT_TRUE(validator.init(kBookId, L::Russian));
    const Favorite f = favorite(L::Russian, 3, "альфа ", 3, "бета", QStringLiteral("гамма"));
    MessageLog log;
    EXPECT_FALSE(validator.check(f));
    QStringList info = log.texts(QtInfoMsg);
    ASSERT_GE(info.size(), 5);
    info = info.mid(info.size() - 5);
    EXPECT_EQ(info.at(0), QStringLiteral("FavoritesValidator: check failed: check favorite(uuid=%1) text error")
                              .arg(f.uuid().toString()));
    EXPECT_EQ(info.at(1), "rawFavoriteText: бета");
    EXPECT_EQ(info.at(2), "favoriteText: гамма");
    EXPECT_EQ(info.at(3), "tarnolixTextVariant: бета");
    EXPECT_EQ(info.at(4), "textDocumentVariant: бета");
}

TEST_F(FavoritesValidatorTest, EachEditionIsComparedWithItsOwnTextThoughCodesAreShared)
{
    FavoritesValidator validator(db);
    ASSERT_TRUE(validator.init(kBookId, L::Russian));
    EXPECT_TRUE(validator.check(favorite(L::Russian, 3, "Стих 3: ", 3, "альфа", QStringLiteral("альфа"))));
    ASSERT_TRUE(validator.init(kBookId, L::English));
    EXPECT_TRUE(validator.check(favorite(L::English, 3, "Verse 3: ", 3, "alpha", QStringLiteral("alpha"))));
}

TEST_F(FavoritesValidatorTest, FailuresAnswerFalseWithTheirReason)
{
    FavoritesValidator validator(db);
    const Favorite russian = favorite(L::Russian, 3, "альфа ", 3, "бета", QStringLiteral("бета"));
    Favorite otherBook = russian;
    otherBook.setBookId(8);
    const Favorite english = favorite(L::English, 3, "alpha ", 3, "beta", QStringLiteral("beta"));
    Favorite noText = russian;
    noText.setFavoriteText(std::nullopt);

    MessageLog log;
    EXPECT_FALSE(validator.check(russian));
    EXPECT_TRUE(log.contains(QtInfoMsg, "failed: ERROR 0xF4517950"));
    EXPECT_FALSE(validator.init(8, L::English));
    EXPECT_TRUE(log.contains(QtInfoMsg, "FavoritesValidator: init failed: "));
    ASSERT_TRUE(validator.init(kBookId, L::Russian));
    const std::vector<std::pair<const Favorite*, const char*>> cases = {
        {&english, "ERROR 0xF4517951"}, {&otherBook, "ERROR 0xF4517952"}, {&noText, "Закладка не найдена"}};
    for (const auto& [f, reason] : cases) {
        log.clear();
        EXPECT_FALSE(validator.check(*f)) << reason;
        EXPECT_TRUE(log.contains(QtInfoMsg, QStringLiteral("FavoritesValidator: check favorite(uuid=%1) failed: %2")
                                                .arg(f->uuid().toString(), QString::fromUtf8(reason))))
            << qPrintable(log.texts(QtInfoMsg).join('\n'));
    }

    // A stored favorite's own text stands in for a missing one.
    db->insertFavorite([&] {
        Favorite stored = noText;
        stored.startSelectedPosition().setSectionSlug(QString("ch-3"));
        stored.endSelectedPosition().setSectionSlug(QString("ch-3"));
        stored.setFavoriteText(QStringLiteral("бета"));
        return stored;
    }());
    EXPECT_TRUE(validator.check(noText));
}

} // namespace
} // namespace tarnolix::test
