// The addressing operations of UrlCreatorImpl that read the library or the
// glossary tree. Each works on locals and changes the request only at its
// end, so a failure leaves the request as it was.

#include "pages/UrlCreatorImpl.h"

#include "core/Exception.h"
#include "core/GlossaryContainer.h"
#include "database/ItemPathBuilder.h"
#include "database/TarnolixDB.h"
#include "pages/EnumKeyName.h"
#include "pages/PageServices.h"

#include <QCoreApplication>

using C = TarnolixConstants;

namespace {

UrlCreator::QueryType kindOfItem(C::CatalogItemType type, C::CatalogTab mode)
{
    switch (type) {
    case C::Author:
        return UrlCreator::OpenAuthor;
    case C::Book:
        return mode == C::FavoritesByBooks ? UrlCreator::Favorites : UrlCreator::OpenBookCover;
    case C::Section:
        return UrlCreator::OpenBook;
    case C::Glossary:
        return UrlCreator::Glossary;
    case C::FavoriteFolder:
        return UrlCreator::Favorites;
    default:
        throw Exception(QStringLiteral("Invalid type(0x87965428)(%1)").arg(enumKeyName(type)));
    }
}

std::shared_ptr<const GlossaryContainer> currentGlossaryContainer()
{
    PageServices* services = PageServices::current();
    return services ? services->glossaryContainer() : nullptr;
}

// The path of a glossary in the Glossaries tab (under its category) or the
// GlossariesNames tab (under its letter); DBNotFound when the tree has no
// listing of it that the tab can show.
HierarchyItems glossaryPath(C::CatalogTab tab, int glossaryId)
{
    const auto container = currentGlossaryContainer();
    if (container) {
        for (const auto& glossary : container->glossaries(glossaryId)) {
            if (tab == C::Glossaries && !glossary->parent.lock())
                continue;
            return buildGlossaryItemPath(tab, glossary, *container);
        }
    }
    throw DBNotFound(QStringLiteral("Glossary not found (id=%1 tab=%2)").arg(glossaryId).arg(enumKeyName(tab)));
}

HierarchyItems itemPath(TarnolixDB& db, C::Language language, C::CatalogTab mode, const QVariant& id,
                        C::CatalogItemType type)
{
    if (type == C::Glossary)
        return glossaryPath(mode, id.toInt());
    return buildItemPath(db, language, mode, type, id);
}

// The book and, with a section slug, the section code in `language`;
// DBNotFound when the language has no such book or section.
std::pair<int, QString> bookBySlugs(TarnolixDB& db, C::Language language, const QString& bookSlug,
                                    const std::optional<QString>& sectionSlug)
{
    if (sectionSlug)
        return db.selectBookIdAndSectionCodeBySlugs(bookSlug, *sectionSlug, language);
    return {db.selectBookIdBySlug(bookSlug, language), QString()};
}

QString withoutWww(const QString& host)
{
    return host.startsWith(QLatin1String("www.")) ? host.mid(4) : host;
}

} // namespace

void UrlCreatorImpl::createPath(TarnolixDB& db, C::Language language, C::CatalogTab mode, const QVariant& id,
                                C::CatalogItemType type)
{
    const UrlCreator::QueryType queryType = kindOfItem(type, mode);
    HierarchyItems items = itemPath(db, language, mode, id, type);
    setLanguage(language);
    setItemPathItems(std::move(items));
    m_catalogTab = mode;
    m_queryType = queryType;
}

void UrlCreatorImpl::tryCreateCategoryPath(TarnolixDB& db, C::Language language, const QVariant& id,
                                           C::CatalogItemType type)
{
    try {
        createPath(db, language, C::Categories, id, type);
    } catch (const DBNotFound&) {
        createPath(db, language, C::Names, id, type);
    }
}

void UrlCreatorImpl::tryCreateSectionResultPath(TarnolixDB& db, C::Language language, const QString& sectionCode,
                                                int resultIndex)
{
    tryCreateCategoryPath(db, language, sectionCode, C::Section);
    m_itemPath.items.emplace_back(C::SRItemId, resultIndex);
}

void UrlCreatorImpl::tryCreateFavoriteItemPath(TarnolixDB& db, C::Language language, const QVariant& id,
                                               C::CatalogItemType type, const QUuid& favoriteUuid)
{
    tryCreateCategoryPath(db, language, id, type);
    m_itemPath.items.emplace_back(C::FavoriteItemId, favoriteUuid.toString(QUuid::WithoutBraces));
}

void UrlCreatorImpl::createGlossaryPath(C::Language language, int glossaryId)
{
    C::CatalogTab tab = C::Glossaries;
    HierarchyItems items;
    try {
        items = glossaryPath(tab, glossaryId);
    } catch (const DBNotFound&) {
        tab = C::GlossariesNames;
        items = glossaryPath(tab, glossaryId);
    }
    setLanguage(language);
    setItemPathItems(std::move(items));
    m_catalogTab = tab;
    m_queryType = UrlCreator::Glossary;
}

void UrlCreatorImpl::processSlugMode(TarnolixDB& db)
{
    if (m_queryType != UrlCreator::OpenBookSlug)
        throw Exception("OpenBookSlug support only");

    QString bookSlug;
    std::optional<QString> sectionSlug;
    for (const auto& [type, id] : m_itemPath.items) {
        if (type == C::Book) {
            bookSlug = id.toString();
        } else if (type == C::Section) {
            if (sectionSlug)
                throw Exception(QStringLiteral("Slug not supported (0x05784531)(%1)").arg(enumKeyName(type)));
            sectionSlug = id.toString();
        } else {
            throw Exception(QStringLiteral("Slug not supported (0x05784537)(%1)").arg(enumKeyName(type)));
        }
    }
    if (bookSlug.isEmpty())
        throw Exception("Create slug error (0x05784532)");

    C::Language found = m_language;
    std::pair<int, QString> book;
    if (!m_findInAnotherLanguageIfNotExists) {
        book = bookBySlugs(db, found, bookSlug, sectionSlug);
    } else {
        QVector<C::Language> languages{m_language};
        for (C::Language language : languageList()) {
            if (language != m_language)
                languages.append(language);
        }
        bool anyFound = false;
        for (C::Language language : languages) {
            try {
                book = bookBySlugs(db, language, bookSlug, sectionSlug);
                found = language;
                anyFound = true;
                break;
            } catch (const DBNotFound&) {
            }
        }
        if (!anyFound)
            throw DBNotFound(QCoreApplication::translate("UrlCreatorImpl", "Книга не найдена!"));
    }

    HierarchyItems items;
    const QString name = db.selectBookInfo(book.first, found)->name;
    if (!name.isEmpty())
        items.emplace_back(C::Letter, QVariant(name.at(0)));
    if (sectionSlug) {
        // Book, then the sections from the top-most ancestor down.
        const HierarchyItems chain = buildItemPath(db, found, C::InvalidCatalogTab, C::Section, book.second);
        items.insert(items.end(), chain.begin(), chain.end());
    } else {
        items.emplace_back(C::Book, book.first);
    }

    setLanguage(found);
    m_queryType = UrlCreator::OpenBook;
    m_catalogTab = C::Names;
    setItemPathItems(std::move(items));
}

void UrlCreatorImpl::toSlugMode(TarnolixDB& db)
{
    if (m_queryType != UrlCreator::OpenBook)
        throw Exception("OpenBook support only");

    const int bookId = getBookId();
    const QString sectionCode = getSectionCode();
    if (bookId == 0 || sectionCode.isEmpty())
        throw Exception(QStringLiteral("Create slug error (0x05324532)(%1;;%2)").arg(bookId).arg(sectionCode));

    QString bookSlug;
    QString sectionSlug;
    db.selectBookAndSectionSlugs(bookId, m_language, sectionCode, bookSlug, sectionSlug);
    // A slug address without the book slug could never be opened again.
    if (bookSlug.isEmpty())
        throw Exception(QStringLiteral("Create slug error (0x8C2E4A19)(%1;;%2)").arg(bookId).arg(sectionCode));

    setItemPathItems({{C::Book, bookSlug}, {C::Section, sectionSlug}});
    m_queryType = UrlCreator::OpenBookSlug;
    m_catalogTab = C::Names;
}

void UrlCreatorImpl::findBookWithDifferentLanguage(TarnolixDB& db, C::Language newLanguage)
{
    const int bookId = getBookId();
    if (m_queryType == UrlCreator::InvalidQuery || m_language == C::InvalidLanguage || bookId == 0)
        throw Exception("UrlCreator not valid");
    const QString sectionCode = getSectionCode();
    if (sectionCode.isEmpty())
        throw Exception("findBookWithDifferentLanguage: Section not found!");

    const std::shared_ptr<BookSection> source = db.selectBookSection(sectionCode, m_language).first;
    if (!source)
        throw Exception("Source section is unavailable in the current language");
    const std::shared_ptr<BookSection> target =
        findMatchingSection(*source, db.selectBookSections(bookId, newLanguage));
    if (!target)
        throw Exception("Corresponding section is unavailable in the requested language");

    C::CatalogTab tab = m_catalogTab;
    HierarchyItems items;
    try {
        items = buildItemPath(db, newLanguage, tab, C::Section, target->code);
    } catch (const DBNotFound&) {
        tab = C::Names;
        items = buildItemPath(db, newLanguage, tab, C::Section, target->code);
    }

    setLanguage(newLanguage);
    m_catalogTab = tab;
    setItemPathItems(std::move(items));
}

bool UrlCreatorImpl::fromWebBookUrl(const QUrl& url, const QUrl& webSiteOrigin)
{
    const QString siteHost = withoutWww(webSiteOrigin.host(QUrl::FullyDecoded).toLower());
    if (!url.isValid() || siteHost.isEmpty() || withoutWww(url.host(QUrl::FullyDecoded).toLower()) != siteHost)
        return false;

    const QStringList parts = url.path(QUrl::FullyDecoded).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.size() < 3 || parts.at(1) != QLatin1String("books"))
        return false;
    const C::Language language = languageFromString(parts.at(0));
    if (language == C::InvalidLanguage)
        return false;

    ItemPathItems items{{C::Book, parts.at(2)}};
    if (parts.size() > 3)
        items.emplace_back(C::Section, parts.at(3));

    clear();
    m_queryType = UrlCreator::OpenBookSlug;
    m_language = language;
    m_catalogTab = C::Names;
    setItemPathItems(std::move(items));
    return true;
}

QUrl UrlCreatorImpl::createRedirectUrl() const
{
    UrlCreatorImpl redirect;
    redirect.setLanguage(m_language);
    redirect.setRedirect(toUrl(m_tabId).toString());
    return redirect.toUrl(0);
}

std::pair<std::shared_ptr<Glossary>, QChar> UrlCreatorImpl::findGlossaryByItemPath() const
{
    int categoryId = 0;
    int glossaryId = 0;
    QChar letter;
    for (const auto& [type, id] : m_itemPath.items) {
        if (type == C::Category)
            categoryId = id.toInt();
        else if (type == C::Glossary)
            glossaryId = id.toInt();
        else if (type == C::Letter && (categoryId != 0 || glossaryId != 0))
            letter = id.toChar();
    }

    std::shared_ptr<Glossary> glossary;
    if (categoryId != 0 && glossaryId != 0) {
        if (const auto container = currentGlossaryContainer())
            glossary = container->glossary(categoryId, glossaryId);
    }
    if (!glossary)
        throw Exception("Glossary not found!(0x54878852)");
    return {glossary, letter};
}
