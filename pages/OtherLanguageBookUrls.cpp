#include "pages/OtherLanguageBookUrls.h"

#include "database/TarnolixDB.h"

#include <algorithm>

namespace {

UrlCreatorImpl sectionRequest(TarnolixDB& db, TarnolixConstants::Language language, int bookId, const QString& code)
{
    UrlCreatorImpl request;
    request.setQueryType(UrlCreator::OpenBook);
    request.setLanguage(language);
    request.setItemPathItems({{TarnolixConstants::Book, bookId}, {TarnolixConstants::Section, code}});
    request.toSlugMode(db);
    return request;
}

// Verse numbers first. Editions in other languages have slugs of their own
// ("glava-2.stikh-13", "chapter-2.verse-13"), so slugs alone would find the
// passage in the same language only; they still decide for sections without
// a readable number, and where numbering differs between editions.
std::shared_ptr<BookSection> passageIn(const BookSection& passage,
                                       const std::vector<std::shared_ptr<BookSection>>& sections)
{
    if (auto byNumber = findMatchingSection(passage, sections))
        return byNumber;
    if (passage.slug.isEmpty())
        return nullptr;
    std::shared_ptr<BookSection> bySlug;
    for (const auto& candidate : sections) {
        if (!candidate || candidate->slug != passage.slug)
            continue;
        if (bySlug)
            return nullptr; // ambiguous
        bySlug = candidate;
    }
    return bySlug;
}

} // namespace

std::shared_ptr<ArchiBookInfo> otherLanguageBookUrls(TarnolixDB& db, TarnolixConstants::Language language,
                                                     int archiBookId, int bookId, const BookSection& section,
                                                     bool withBookRequest)
{
    auto info = std::make_shared<ArchiBookInfo>();
    if (withBookRequest)
        info->bookRequest = sectionRequest(db, language, bookId, section.code);
    // Id 0 marks a book that belongs to no archive book. Every such book
    // shares it, so reading its "publications" would link unrelated books.
    if (archiBookId == 0) {
        info->archiBook = std::make_shared<ArchiBook>();
        return info;
    }
    info->archiBook = db.selectArchiBook(archiBookId, language);

    // One read gives every publication's BookBase for the whole call.
    std::vector<std::shared_ptr<BookBase>> publications = db.selectArchiBookBooks(archiBookId);
    std::sort(publications.begin(), publications.end(),
              [](const auto& a, const auto& b) { return a->id < b->id; });

    for (TarnolixConstants::Language editionLanguage : languageList()) {
        for (const auto& publication : publications) {
            const auto sections = db.selectBookSections(publication->id, editionLanguage);
            if (sections.empty())
                continue; // not downloaded in this language
            const auto match = passageIn(section, sections);
            if (!match)
                continue;
            ArchiBookEdition edition;
            edition.language = editionLanguage;
            edition.book = db.selectBookInfo(publication->id, editionLanguage);
            edition.bookBase = publication;
            edition.section = match;
            edition.request = sectionRequest(db, editionLanguage, publication->id, match->code);
            info->editions.push_back(std::move(edition));
        }
    }
    return info;
}
