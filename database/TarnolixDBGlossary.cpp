// Glossary terms and their articles. The glossary tree and the id table are
// settings rows (TarnolixDBSettings.cpp).

#include "database/TarnolixDB.h"

#include "core/Exception.h"
#include "core/Glossary.h"
#include "core/TextNormalization.h"
#include "database/DatabaseTransaction.h"

#include <QCborStreamWriter>

namespace {

// Terms and articles are compressed, never enciphered.
constexpr quint8 kCompressed = 1;
constexpr quint8 kPlain = 0;

const QString kWordsByLetter = QStringLiteral(
    "SELECT w.data FROM GlossaryWords w INNER JOIN GlossaryWordsReferences r ON r.categoryId=:categoryId AND "
    "r.glossaryId=:glossaryId AND r.firstLetter=:firstLetter AND r.wordId=w.id");

// Terms are listed under the lower-case UTF-16 code of their first letter.
int letterCode(QChar letter)
{
    return letter.toLower().unicode();
}

QVariantMap wordsByLetterValues(int categoryId, int glossaryId, QChar letter)
{
    return {{QStringLiteral(":categoryId"), categoryId},
            {QStringLiteral(":glossaryId"), glossaryId},
            {QStringLiteral(":firstLetter"), letterCode(letter)}};
}

// NULL for a term without spellings, which is then never listed by letter.
QVariant firstLetterOf(const GlossaryWord& word)
{
    if (word.words.isEmpty() || word.words.first().isEmpty())
        return QVariant(QVariant::Int);
    const QString key = removeDiacritics(TarnolixConstants::English, word.words.first());
    if (key.isEmpty())
        throw Exception("ERROR 0x87587413");
    return static_cast<int>(key.at(0).unicode());
}

} // namespace

QByteArray TarnolixDB::glossaryWordToCbor(const std::shared_ptr<GlossaryWord>& word)
{
    QByteArray bytes;
    QCborStreamWriter writer(&bytes);
    writeGlossaryWord(writer, word ? *word : GlossaryWord());
    return bytes;
}

std::shared_ptr<GlossaryWord> TarnolixDB::glossaryWordFromCbor(const QByteArray& bytes)
{
    auto word = std::make_shared<GlossaryWord>();
    readGlossaryWord(bytes, *word);
    return word;
}

void TarnolixDB::deleteGlossaryWords()
{
    DatabaseTransaction transaction(shared_from_this());
    execSql(QStringLiteral("DELETE FROM GlossaryWords"));
    execSql(QStringLiteral("DELETE FROM GlossaryWordsReferences"));
    transaction.commit();
}

void TarnolixDB::deleteGlossaryWordsData()
{
    execSql(QStringLiteral("DELETE FROM GlossaryWordsData"));
}

void TarnolixDB::insertGlossaryWords(const std::vector<std::shared_ptr<GlossaryWord>>& words)
{
    static const QString wordSql = insertStatement(QStringLiteral("GlossaryWords"), {"id", "data"});
    static const QString referenceSql = insertStatement(QStringLiteral("GlossaryWordsReferences"),
                                                        {"categoryId", "glossaryId", "firstLetter", "wordId"});

    DatabaseTransaction transaction(shared_from_this());
    QSqlQuery wordQuery = query(wordSql);
    QSqlQuery referenceQuery = query(referenceSql);
    for (const auto& word : words) {
        if (!word)
            continue;
        wordQuery.bindValue(QStringLiteral(":id"), word->id);
        wordQuery.bindValue(QStringLiteral(":data"), packBookPart(glossaryWordToCbor(word), kCompressed, kPlain));
        exec(wordQuery);

        const QVariant firstLetter = firstLetterOf(*word);
        for (const GlossaryWordWhere& where : word->where) {
            referenceQuery.bindValue(QStringLiteral(":categoryId"), where.categoryId);
            referenceQuery.bindValue(QStringLiteral(":wordId"), word->id);
            referenceQuery.bindValue(QStringLiteral(":firstLetter"), firstLetter);
            for (int glossaryId : where.glossaryIds) {
                referenceQuery.bindValue(QStringLiteral(":glossaryId"), glossaryId);
                exec(referenceQuery);
            }
        }
    }
    transaction.commit();
}

void TarnolixDB::insertGlossaryWordsData(const std::vector<GlossaryWordDataRow>& rows)
{
    static const QString sql = insertStatement(QStringLiteral("GlossaryWordsData"),
                                               {"glossaryCategoryId", "glossaryId", "glossaryWordId", "data"});

    QSqlQuery q = query(sql);
    for (const GlossaryWordDataRow& row : rows) {
        q.bindValue(QStringLiteral(":glossaryCategoryId"), row.glossaryCategoryId);
        q.bindValue(QStringLiteral(":glossaryId"), row.glossaryId);
        q.bindValue(QStringLiteral(":glossaryWordId"), row.glossaryWordId);
        q.bindValue(QStringLiteral(":data"), packBookPart(row.data, kCompressed, kPlain));
        exec(q);
    }
}

std::shared_ptr<GlossaryWord> TarnolixDB::selectGlossaryWord(int id)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT data FROM GlossaryWords WHERE id=?"), QVariantList{id});
    if (!q.next())
        throw DBNotFound(QString::fromLatin1(kGlossaryWordNotFound));
    return glossaryWordFromCbor(unpackBookPart(q.value(0).toByteArray()));
}

QByteArray TarnolixDB::selectGlossaryWordData(int categoryId, int glossaryId, int wordId)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT data FROM GlossaryWordsData WHERE glossaryCategoryId=? AND "
                                         "glossaryId=? AND glossaryWordId=?"),
                          QVariantList{categoryId, glossaryId, wordId});
    if (!q.next())
        throw DBNotFound(QString::fromLatin1(kGlossaryWordDataNotFound));
    return unpackBookPart(q.value(0).toByteArray());
}

std::vector<std::shared_ptr<GlossaryWord>> TarnolixDB::selectGlossaryWords(int categoryId, int glossaryId,
                                                                           QChar letter)
{
    QSqlQuery q = execSql(kWordsByLetter, wordsByLetterValues(categoryId, glossaryId, letter));
    std::vector<std::shared_ptr<GlossaryWord>> words;
    while (q.next())
        words.push_back(glossaryWordFromCbor(unpackBookPart(q.value(0).toByteArray())));
    return words;
}

int TarnolixDB::selectGlossaryWordsCount(int categoryId, int glossaryId, QChar letter)
{
    QString sql = QStringLiteral(
        "SELECT COUNT(*) FROM GlossaryWordsReferences WHERE categoryId=:categoryId AND glossaryId=:glossaryId");
    QVariantMap values{{QStringLiteral(":categoryId"), categoryId}, {QStringLiteral(":glossaryId"), glossaryId}};
    if (!letter.isNull()) {
        sql += QStringLiteral(" AND firstLetter=:firstLetter");
        values.insert(QStringLiteral(":firstLetter"), letterCode(letter));
    }
    QSqlQuery q = execSql(sql, values);
    if (!q.next())
        throw Exception("ERROR 0x54748579");
    return q.value(0).toInt();
}

bool TarnolixDB::isGlossaryWordsExist(int categoryId, int glossaryId, QChar letter)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT EXISTS(%1)").arg(kWordsByLetter),
                          wordsByLetterValues(categoryId, glossaryId, letter));
    if (!q.next())
        throw Exception("ERROR 0x54286579");
    return q.value(0).toBool();
}
