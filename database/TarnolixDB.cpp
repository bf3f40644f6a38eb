#include "database/TarnolixDB.h"

#include "core/Exception.h"

#include <QSqlError>

const char* const TarnolixDB::kBookNotFound = "Book not found(0x89742536)";
const char* const TarnolixDB::kBookBaseNotFound = "Book base not found";
const char* const TarnolixDB::kBookInfoNotFoundDetailed = "Book info not found (bookId=%1 language=%2)";
const char* const TarnolixDB::kBookInfoNotFound = "Book info not found";
const char* const TarnolixDB::kBookSectionNotFound = "Book section not found (code=\"%1\" language=%2)";
const char* const TarnolixDB::kSectionBookIdNotFound = "selectSectionBookId: Section not found";
const char* const TarnolixDB::kParentSectionNotFound =
    "selectParentSection: Section not found(code=\"%1\" language=%2)";
const char* const TarnolixDB::kBookCoverNotFound = "Book cover not found";
const char* const TarnolixDB::kArchiBookNotFound = "Archi book not found";
const char* const TarnolixDB::kCategoryNotFound = "Category not found";
const char* const TarnolixDB::kCategoryNotExists = "Category not exists";
const char* const TarnolixDB::kPersonNotFound = "Person not found";
const char* const TarnolixDB::kPersonPhotoNotFound = "Person photo not found";
const char* const TarnolixDB::kPublisherNotFound = "Publisher not found";
const char* const TarnolixDB::kGlossaryWordNotFound = "Glossary word not found!";
const char* const TarnolixDB::kGlossaryWordDataNotFound = "Glossary word data not found!";
const char* const TarnolixDB::kFavoriteNotFound = "Favorite not found";
const char* const TarnolixDB::kFavoriteFolderNotFound = "Favorite folder (uuid=%1) not found";
const char* const TarnolixDB::kFavoriteFolderNotExists = "Favorite folder (uuid=%1) not exists";
const char* const TarnolixDB::kUnknownError = "Unknown error";

TarnolixDB::TarnolixDB() = default;

TarnolixDB::~TarnolixDB() = default;

namespace {

template <typename Ids>
void appendDecimalList(QString& sql, const Ids& ids)
{
    if (ids.empty())
        throw Exception("ids is empty");
    QStringList parts;
    parts.reserve(static_cast<int>(ids.size()));
    for (int id : ids)
        parts << QString::number(id);
    sql += parts.join(QLatin1Char(','));
}

} // namespace

void TarnolixDB::appendIdList(QString& sql, const std::vector<int>& ids)
{
    appendDecimalList(sql, ids);
}

void TarnolixDB::appendIdList(QString& sql, const std::unordered_set<int>& ids)
{
    appendDecimalList(sql, ids);
}

namespace {

// "?,?,?" for n values.
QString placeholders(int n)
{
    QString text;
    text.reserve(n * 2);
    for (int i = 0; i < n; ++i) {
        if (i)
            text += QLatin1Char(',');
        text += QLatin1Char('?');
    }
    return text;
}

} // namespace

void TarnolixDB::appendQuotedStringList(QString& sql, const QStringList& strings, QVariantList& values)
{
    if (strings.isEmpty())
        throw Exception("ids is empty(2)");
    sql += placeholders(strings.size());
    for (const QString& s : strings)
        values << s;
}

void TarnolixDB::appendUuidList(QString& sql, const std::vector<QUuid>& uuids, QVariantList& values)
{
    if (uuids.empty())
        throw Exception("ids is empty(4)");
    sql += placeholders(static_cast<int>(uuids.size()));
    for (const QUuid& uuid : uuids)
        values << uuidToString(uuid);
}

void TarnolixDB::insertQueryHistory(const QString& text)
{
    QSqlQuery q = query(QStringLiteral("INSERT INTO QueriesHistory(query) VALUES(:query)"));
    q.bindValue(QStringLiteral(":query"), text);
    exec(q);
}
