#pragma once
// The same passage in every edition of an archive book: each publication of
// the archive book, in each language it was downloaded in, whose sections
// hold the passage, with a slug-form request that opens it there. The
// open-book page offers these as links; full-text results group hits by them.

#include "core/BookRecords.h"
#include "core/CatalogRecords.h"
#include "core/TarnolixConstants.h"
#include "pages/UrlCreatorImpl.h"

#include <memory>
#include <optional>
#include <vector>

class TarnolixDB;

// One publication in one language that holds the passage.
struct ArchiBookEdition
{
    TarnolixConstants::Language language = TarnolixConstants::InvalidLanguage;
    std::shared_ptr<const BookInfo> book;       // the publication's description in `language`
    std::shared_ptr<const BookBase> bookBase;   // its catalogue record
    std::shared_ptr<const BookSection> section; // the section that holds the passage
    UrlCreatorImpl request;                     // OpenBookSlug: book slug, section slug
};

struct ArchiBookInfo
{
    std::shared_ptr<const ArchiBook> archiBook; // its name in the asked language only
    // The passage in the caller's own edition, when asked for.
    std::optional<UrlCreatorImpl> bookRequest;
    // In language order (Russian, English, Sanskrit), then by book id. The
    // caller's own edition is among them: callers that list "other" editions
    // leave it out themselves.
    std::vector<ArchiBookEdition> editions;
};

// `section` is a section of book `bookId` in `language`. A section matches
// when its verse number covers the passage's (findMatchingSection); where
// numbers give no single match, the one section with the passage's slug
// does. Archive book id 0 (no archive book) gives no editions and an empty
// archive book record. Database errors and slug-form failures propagate.
std::shared_ptr<ArchiBookInfo> otherLanguageBookUrls(TarnolixDB& db, TarnolixConstants::Language language,
                                                     int archiBookId, int bookId, const BookSection& section,
                                                     bool withBookRequest);
