#include "database/DatabaseTransaction.h"
#include "database/TarnolixDB.h"

#include "core/Exception.h"
#include "core/Glossary.h"

#include "tests/database/LibraryFixture.h"

#include <gtest/gtest.h>

namespace {

std::shared_ptr<GlossaryWord> makeWord(int id, QStringList words, std::vector<GlossaryWordWhere> where)
{
    auto word = std::make_shared<GlossaryWord>();
    word->id = id;
    word->words = std::move(words);
    word->where = std::move(where);
    return word;
}

std::vector<int> idsOf(const std::vector<std::shared_ptr<GlossaryWord>>& words)
{
    std::vector<int> ids;
    for (const auto& w : words)
        ids.push_back(w->id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

template <typename E, typename F>
QString thrown(F f)
{
    try {
        f();
    } catch (const E& e) {
        return e.message();
    }
    return QStringLiteral("(no exception)");
}

class GlossaryStorage : public LibraryFixture
{
protected:
    void SetUp() override
    {
        LibraryFixture::SetUp();
        // Category 1 lists glossaries 10 and 11; category 2 lists glossary 10.
        db->insertGlossaryWords({
            makeWord(1, {QStringLiteral("agni"), QStringLiteral("Agnih")}, {{1, {10, 11}}}),
            makeWord(2, {QStringLiteral("Ātma")}, {{1, {10}}, {2, {10}}}),
            makeWord(3, {QStringLiteral("bhakti")}, {{1, {10}}}),
            makeWord(4, {}, {{1, {10}}}),                  // no spellings
            makeWord(5, {QString(), QStringLiteral("x")}, {{1, {10}}}), // empty first spelling
            makeWord(6, {QStringLiteral("ĀNANDA")}, {{1, {10}}}),
        });
    }
};

} // namespace

TEST_F(GlossaryStorage, WordsAreListedByGlossaryAndFirstLetter)
{
    const struct
    {
        int category;
        int glossary;
        QChar letter;
        std::vector<int> ids;
    } cases[] = {
        {1, 10, QLatin1Char('a'), {1, 2, 6}},
        {1, 10, QLatin1Char('A'), {1, 2, 6}},
        {1, 11, QLatin1Char('a'), {1}},
        {2, 10, QLatin1Char('a'), {2}},
        {1, 10, QLatin1Char('b'), {3}},
        {1, 10, QLatin1Char('x'), {}},     // a later spelling does not list a word
        {1, 10, QLatin1Char('\''), {}},    // letters are values, not statement text
        {3, 10, QLatin1Char('a'), {}},
    };
    for (const auto& c : cases) {
        const QString what = QStringLiteral("%1/%2/%3").arg(c.category).arg(c.glossary).arg(c.letter);
        EXPECT_EQ(idsOf(db->selectGlossaryWords(c.category, c.glossary, c.letter)), c.ids) << what.toStdString();
        EXPECT_EQ(db->isGlossaryWordsExist(c.category, c.glossary, c.letter), !c.ids.empty()) << what.toStdString();
        EXPECT_EQ(db->selectGlossaryWordsCount(c.category, c.glossary, c.letter), int(c.ids.size()))
            << what.toStdString();
    }

    // Words without a first letter are never listed, but without a letter
    // every reference counts, those with a NULL letter too.
    EXPECT_TRUE(db->selectGlossaryWords(1, 10, QChar()).empty());
    EXPECT_FALSE(db->isGlossaryWordsExist(1, 10, QChar()));
    EXPECT_EQ(db->selectGlossaryWordsCount(1, 10), 6);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM GlossaryWordsReferences WHERE firstLetter IS NULL")), 2);
    // One row per term, one reference per glossary it stands in.
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM GlossaryWords WHERE id=1")), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM GlossaryWordsReferences WHERE wordId=1")), 2);
}

TEST_F(GlossaryStorage, WordReadsBackWholeAndIsStoredCompressedNotEnciphered)
{
    const auto word = db->selectGlossaryWord(2);
    EXPECT_EQ(word->id, 2);
    EXPECT_EQ(word->words, QStringList{QStringLiteral("Ātma")});
    ASSERT_EQ(word->where.size(), 2u);
    EXPECT_EQ(word->where[1].categoryId, 2);
    EXPECT_EQ(word->where[1].glossaryIds, std::vector<int>{10});

    QSqlQuery q = db->execSql(QStringLiteral("SELECT data FROM GlossaryWords WHERE id=?"), QVariantList{2});
    ASSERT_TRUE(q.next());
    EXPECT_TRUE(q.value(0).toByteArray().endsWith(QByteArray("\1\0", 2)));

    EXPECT_EQ(thrown<DBNotFound>([&] { db->selectGlossaryWord(99); }), QStringLiteral("Glossary word not found!"));

    // A damaged stored term is an error of the read.
    db->execSql(QStringLiteral("UPDATE GlossaryWords SET data=? WHERE id=3"), QVariantList{QByteArray("zz\1\0", 4)});
    EXPECT_EQ(thrown<Exception>([&] { db->selectGlossaryWord(3); }), QStringLiteral("Unpacked book part error"));
}

TEST_F(GlossaryStorage, ATermWhoseKeyIsEmptyRollsBackTheBatch)
{
    db->deleteGlossaryWords();
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM GlossaryWords")), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM GlossaryWordsReferences")), 0);

    const auto insert = [&] {
        db->insertGlossaryWords({
            makeWord(1, {QStringLiteral("agni")}, {{1, {10}}}),
            makeWord(2, {QStringLiteral("\u0301")}, {{1, {10}}}), // a lone combining accent
        });
    };
    EXPECT_EQ(thrown<Exception>(insert), QStringLiteral("ERROR 0x87587413"));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM GlossaryWords")), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM GlossaryWordsReferences")), 0);
    EXPECT_FALSE(db->isTransaction());
}

TEST_F(GlossaryStorage, ArticlesAreStoredPerGlossaryAndReadUnpacked)
{
    const QByteArray article = QStringLiteral("<p>Огонь, 🔥</p>").toUtf8();
    {
        DatabaseTransaction transaction(db);
        db->deleteGlossaryWordsData();
        db->insertGlossaryWordsData({{article, 1, 10, 1}, {QByteArray("other"), 1, 11, 1}});
        transaction.commit();
    }
    EXPECT_EQ(db->selectGlossaryWordData(1, 10, 1), article);
    EXPECT_EQ(db->selectGlossaryWordData(1, 11, 1), QByteArray("other"));
    EXPECT_EQ(thrown<DBNotFound>([&] { db->selectGlossaryWordData(2, 10, 1); }),
              QStringLiteral("Glossary word data not found!"));

    db->deleteGlossaryWordsData();
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM GlossaryWordsData")), 0);
}

TEST_F(GlossaryStorage, CborFormOfANullWordIsADefaultWord)
{
    const auto word = TarnolixDB::glossaryWordFromCbor(TarnolixDB::glossaryWordToCbor(nullptr));
    EXPECT_EQ(word->id, 0);
    EXPECT_TRUE(word->words.isEmpty());
    EXPECT_TRUE(word->where.empty());
}
