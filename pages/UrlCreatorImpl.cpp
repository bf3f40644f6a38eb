#include "pages/UrlCreatorImpl.h"

#include "core/Exception.h"
#include "database/TarnolixDB.h"

void UrlCreatorImpl::toSlugMode(TarnolixDB& db)
{
    if (m_queryType != UrlCreator::OpenBook)
        throw Exception("OpenBook support only");

    int bookId = 0;
    bool haveBook = false;
    QString sectionCode;
    for (const auto& [type, id] : m_itemPath) {
        if (type == TarnolixConstants::Book && !haveBook) {
            bookId = id.toInt();
            haveBook = true;
        } else if (type == TarnolixConstants::Section) {
            sectionCode = id.toString();
        }
    }
    if (bookId == 0 || sectionCode.isEmpty())
        throw Exception(QStringLiteral("Create slug error (0x05324532)(%1;;%2)").arg(bookId).arg(sectionCode));

    QString bookSlug;
    QString sectionSlug;
    db.selectBookAndSectionSlugs(bookId, m_language, sectionCode, bookSlug, sectionSlug);
    // A slug address without the book slug could never be opened again.
    if (bookSlug.isEmpty())
        throw Exception(QStringLiteral("Create slug error (0x8C2E4A19)(%1;;%2)").arg(bookId).arg(sectionCode));

    m_itemPath = {{TarnolixConstants::Book, bookSlug}, {TarnolixConstants::Section, sectionSlug}};
    m_queryType = UrlCreator::OpenBookSlug;
    m_catalogTab = TarnolixConstants::Names;
}
