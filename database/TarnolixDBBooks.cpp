#include "database/TarnolixDB.h"

#include "core/DataStreamContainers.h"
#include "core/Exception.h"
#include "core/TextNormalization.h"
#include "database/BookTables.h"
#include "database/TarnolixDBNames.h"
#include "database/DatabaseTransaction.h"

#include <QDataStream>
#include <QSqlQuery>

using tarnolixdb::languageTable;

namespace {

// Counts at or above these are damage, not data.
constexpr quint32 kMaxDownloadFiles = 0x4000000;
constexpr quint32 kMaxBookEntities = 0x8000000;
// Smallest stored form: three empty strings and two integers.
constexpr qint64 kMinDownloadFileBytes = 3 * 4 + 2 * 4;

QVariant idOrNull(int id)
{
    return id == 0 ? QVariant(QVariant::Int) : QVariant(id);
}

QString languagesText(const std::vector<TarnolixConstants::Language>& languages)
{
    QString text;
    for (TarnolixConstants::Language language : languages)
        text += languageToString(language) + QLatin1Char(';');
    return text;
}

} // namespace

QByteArray TarnolixDB::downloadFilesToBytes(const std::vector<BookInfo::DownloadFile>& files)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_12);
    out << static_cast<qint32>(files.size());
    for (const BookInfo::DownloadFile& file : files)
        writeDownloadFile(out, file);
    return bytes;
}

std::vector<BookInfo::DownloadFile> TarnolixDB::downloadFilesFromBytes(const QByteArray& bytes)
{
    std::vector<BookInfo::DownloadFile> files;
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_5_12);
    readCountedContainer(in, files, kMaxDownloadFiles, kMinDownloadFileBytes,
                         [](QDataStream& s, std::vector<BookInfo::DownloadFile>& list) {
                             BookInfo::DownloadFile file;
                             readDownloadFile(s, file);
                             list.push_back(std::move(file));
                         });
    return files;
}

QByteArray TarnolixDB::bookEntitiesToBytes(const std::vector<std::shared_ptr<BookEntity>>& entities)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_12);
    out << static_cast<qint32>(entities.size());
    for (const std::shared_ptr<BookEntity>& entity : entities)
        writeBookEntity(out, entity ? *entity : BookEntity());
    return bytes;
}

std::vector<std::shared_ptr<BookEntity>> TarnolixDB::bookEntitiesFromBytes(const QByteArray& bytes)
{
    std::vector<std::shared_ptr<BookEntity>> entities;
    readBookEntities(bytes, kMaxBookEntities, entities);
    return entities;
}

void TarnolixDB::insertBook(const std::shared_ptr<Book>& book)
{
    if (!book || !book->info)
        throw Exception("ERROR 0x8D61B302: book without its description");
    const BookInfo& info = *book->info;
    qDebug("Insert book: id=%d language=%s", info.bookId, qUtf8Printable(languageToString(info.language)));

    DatabaseTransaction transaction(shared_from_this());
    insertBookInfo(info);
    insertBookSections(info.bookId, info.language, book->sections);
    insertBookParts(info.language, book->parts);
    transaction.commit();
}

void TarnolixDB::insertBookInfo(const BookInfo& info)
{
    QSqlQuery q =
        query(insertStatement(languageTable("BookInfo", info.language),
                              {"id", "name", "shortName", "shortNameLC", "cover", "annotation", "parentTranslatorId",
                               "translatorId", "editorId", "publisherId", "publishingYear", "ISBN", "pagesCount",
                               "bookCopies", "downloadFiles", "searchMacrosSection"}));
    q.bindValue(QStringLiteral(":id"), info.bookId);
    q.bindValue(QStringLiteral(":name"), info.name);
    q.bindValue(QStringLiteral(":shortName"), info.shortName);
    q.bindValue(QStringLiteral(":shortNameLC"), removeDiacritics(info.language, info.shortName));
    q.bindValue(QStringLiteral(":cover"), info.cover);
    q.bindValue(QStringLiteral(":annotation"), info.annotation);
    q.bindValue(QStringLiteral(":parentTranslatorId"), info.parentTranslatorId);
    q.bindValue(QStringLiteral(":translatorId"), info.translatorId);
    q.bindValue(QStringLiteral(":editorId"), info.editorId);
    q.bindValue(QStringLiteral(":publisherId"), idOrNull(info.publisherId));
    q.bindValue(QStringLiteral(":publishingYear"), info.publishingYear);
    q.bindValue(QStringLiteral(":ISBN"), info.ISBN);
    q.bindValue(QStringLiteral(":pagesCount"), info.pagesCount);
    q.bindValue(QStringLiteral(":bookCopies"), info.bookCopies);
    q.bindValue(QStringLiteral(":downloadFiles"), downloadFilesToBytes(info.downloadFiles));
    q.bindValue(QStringLiteral(":searchMacrosSection"), info.searchMacrosSection);
    exec(q);
}

void TarnolixDB::insertBookSections(int bookId, TarnolixConstants::Language language,
                                    const std::vector<std::shared_ptr<BookSection>>& sections)
{
    DatabaseTransaction transaction(shared_from_this(), "insert BookSections");
    QSqlQuery q = query(QStringLiteral("INSERT INTO %1(code, bookId, parentCode, [left], "
                                       "[right], depth, [index], slug, name, nameLC, "
                                       "numberCodeSection, numberCodeChapter, "
                                       "numberCodePoem, numberOtherPoems, title) "
                                       "VALUES(:code, :bookId, :parentCode, :left, :right, "
                                       ":depth, :index, :slug, :name, :nameLC, "
                                       ":numberCodeSection, :numberCodeChapter, "
                                       ":numberCodePoem, :numberOtherPoems, :title)")
                            .arg(languageTable("BookSections", language)));
    for (const std::shared_ptr<BookSection>& section : sections) {
        if (!section)
            continue;
        q.bindValue(QStringLiteral(":code"), section->code);
        q.bindValue(QStringLiteral(":bookId"), bookId);
        // A top-level section has no parent: NULL, which the child queries look
        // for.
        q.bindValue(QStringLiteral(":parentCode"),
                    section->parentCode.isEmpty() ? QVariant(QVariant::String) : QVariant(section->parentCode));
        q.bindValue(QStringLiteral(":left"), section->left);
        q.bindValue(QStringLiteral(":right"), section->right);
        q.bindValue(QStringLiteral(":depth"), section->depth);
        q.bindValue(QStringLiteral(":index"), section->index);
        q.bindValue(QStringLiteral(":slug"), section->slug);
        q.bindValue(QStringLiteral(":name"), section->name);
        q.bindValue(QStringLiteral(":nameLC"), removeDiacritics(language, section->name));
        q.bindValue(QStringLiteral(":numberCodeSection"), section->numberCodeSection);
        q.bindValue(QStringLiteral(":numberCodeChapter"), section->numberCodeChapter);
        q.bindValue(QStringLiteral(":numberCodePoem"), section->numberCodePoem);
        q.bindValue(QStringLiteral(":numberOtherPoems"), section->numberOtherPoems);
        q.bindValue(QStringLiteral(":title"), section->title);
        exec(q);
    }
    transaction.commit();
}

void TarnolixDB::insertBookParts(TarnolixConstants::Language language,
                                 const std::vector<std::shared_ptr<BookPart>>& parts)
{
    const QString sql = insertStatement(languageTable("BookParts", language), {"sectionCode", "title", "data"});
    DatabaseTransaction transaction(shared_from_this(), "insert BookParts");
    QSqlQuery q = query(sql);
    for (const std::shared_ptr<BookPart>& part : parts) {
        if (!part)
            continue;
        q.bindValue(QStringLiteral(":sectionCode"), part->sectionCode);
        q.bindValue(QStringLiteral(":title"), part->title);
        q.bindValue(QStringLiteral(":data"), packBookPart(bookEntitiesToBytes(part->entities), 1, 1));
        exec(q);
    }
    transaction.commit();
}

void TarnolixDB::insertBookBase(const BookBase& base)
{
    static const QString sql = insertStatement(
        QStringLiteral("BookBase"), {"id", "archiBookId", "isArticle", "slug", "name", "cover", "languages"});

    DatabaseTransaction transaction(shared_from_this());
    QSqlQuery q = query(sql);
    q.bindValue(QStringLiteral(":id"), base.id);
    q.bindValue(QStringLiteral(":archiBookId"), idOrNull(base.archiBookId));
    q.bindValue(QStringLiteral(":isArticle"), base.isArticle);
    q.bindValue(QStringLiteral(":slug"), base.slug);
    q.bindValue(QStringLiteral(":name"), base.name);
    q.bindValue(QStringLiteral(":cover"), base.cover);
    q.bindValue(QStringLiteral(":languages"), languagesText(base.languages));
    exec(q);

    insertLinkRows(QStringLiteral("BookBaseAuthors"), QStringLiteral("bookId"), QStringLiteral("authorId"), base.id,
                   base.authors);
    insertLinkRows(QStringLiteral("BookBaseCommentators"), QStringLiteral("bookId"), QStringLiteral("commentatorId"),
                   base.id, base.commentators);
    insertLinkRows(QStringLiteral("BookBaseCategories"), QStringLiteral("bookId"), QStringLiteral("categoryId"),
                   base.id, base.categories);
    insertLinkRows(QStringLiteral("BookBaseRelatedBooks"), QStringLiteral("bookId"), QStringLiteral("relatedBookId"),
                   base.id, base.relatedBooks);
    insertLinkRows(QStringLiteral("BookBaseOtherPublications"), QStringLiteral("bookId"),
                   QStringLiteral("otherPublicationId"), base.id, base.otherPublications);
    transaction.commit();
}

bool TarnolixDB::isBookExists(int bookId)
{
    QSqlQuery q = execSql(QStringLiteral("SELECT EXISTS(SELECT * FROM BookBase WHERE id=?)"), QVariantList{bookId});
    if (!q.next())
        throw Exception("ERROR 0x85796542");
    return q.value(0).toInt() != 0;
}

void TarnolixDB::deleteBook(int bookId)
{
    qDebug("Delete book %d...", bookId);
    DatabaseTransaction transaction(shared_from_this());
    for (TarnolixConstants::Language language : languageList()) {
        deleteBookCoversOfLanguage(bookId, language);
        // Parts are found through the section codes: before the sections.
        deleteBookParts(bookId, language);
        deleteBookSections(bookId, language);
        deleteBookInfo(bookId, language);
    }
    deleteBookCovers(bookId);
    deleteBookBase(bookId);
    transaction.commit();
    qDebug("Book %d deleted", bookId);
}

void TarnolixDB::deleteBookBase(int bookId)
{
    DatabaseTransaction transaction(shared_from_this());
    for (const char* table : {"BookBaseAuthors", "BookBaseCommentators", "BookBaseCategories", "BookBaseRelatedBooks",
                              "BookBaseOtherPublications"})
        execSql(QStringLiteral("DELETE FROM %1 WHERE bookId=?").arg(QLatin1String(table)), QVariantList{bookId});
    execSql(QStringLiteral("DELETE FROM BookBase WHERE id=?"), QVariantList{bookId});
    transaction.commit();
}

void TarnolixDB::deleteBookInfo(int bookId, TarnolixConstants::Language language)
{
    execSql(QStringLiteral("DELETE FROM %1 WHERE id=?").arg(languageTable("BookInfo", language)), QVariantList{bookId});
}

void TarnolixDB::deleteBookSections(int bookId, TarnolixConstants::Language language)
{
    execSql(QStringLiteral("DELETE FROM %1 WHERE bookId=?").arg(languageTable("BookSections", language)),
            QVariantList{bookId});
}

void TarnolixDB::deleteBookParts(int bookId, TarnolixConstants::Language language)
{
    execSql(QStringLiteral("DELETE FROM %1 WHERE sectionCode IN (SELECT code "
                           "FROM %2 WHERE bookId=?)")
                .arg(languageTable("BookParts", language), languageTable("BookSections", language)),
            QVariantList{bookId});
}

void TarnolixDB::deleteBookCoversOfLanguage(int bookId, TarnolixConstants::Language language)
{
    execSql(QStringLiteral("DELETE FROM %1 WHERE bookId=?").arg(languageTable("BooksCovers", language)),
            QVariantList{bookId});
}

void TarnolixDB::deleteBookCovers(int bookId)
{
    execSql(QStringLiteral("DELETE FROM BooksCovers WHERE bookId=?"), QVariantList{bookId});
}
