#pragma once
// A section of an open book with the hits of the search it was opened from
// marked, and the marks it holds recorded with the section's hit record so
// that the page can step from mark to mark. A section the search found
// nothing in is built plain.

#include "core/BookRecords.h"
#include "pages/BookSectionItem.h"

#include <QString>

#include <memory>

class FindTextHelper;
class HTMLCreator;
class SectionFavorites;
struct HTMLCreatorSRSettings;
struct HighlightedSectionRequest;

QString buildHighlightedSection(const HTMLCreator& creator, const std::shared_ptr<const BookInfo>& book,
                                const BookSectionItem& item, SectionFavorites* favorites,
                                HTMLCreatorSRSettings& settings, const FindTextHelper& hits);

// The open-book page kind's builder (installed by the application): the
// highlighting of the full-text results page that the search data shows, or
// new highlighting for results without one (an in-book search).
QString buildHighlightedSection(const HighlightedSectionRequest& request);
