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

// The section with the passage's slug first, as editions that share slugs
// are matched; then by verse number, for editions whose slugs are their own
// ("glava-2.stikh-13", "chapter-2.verse-13"). Ambiguity links nothing.
std::shared_ptr<BookSection> passageIn(const BookSection& passage,
                                       const std::vector<std::shared_ptr<BookSection>>& sections)
{
    if (!passage.slug.isEmpty()) {
        std::shared_ptr<BookSection> bySlug;
        bool ambiguous = false;
        for (const auto& candidate : sections) {
            if (!candidate || candidate->slug != passage.slug)
                continue;
            ambiguous = ambiguous || bySlug;
            bySlug = candidate;
        }
        if (ambiguous)
            return nullptr;
        if (bySlug)
            return bySlug;
    }
    return findMatchingSection(passage, sections);
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
