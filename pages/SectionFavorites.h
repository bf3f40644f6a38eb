#pragma once
// The reader's favorites of the open book as the section builder needs them
// (HTMLCreator::getBookSections): the favorites that touch a section, where
// the section lies in each favorite's range, and how many were rendered
// since the page last asked (above 0: the page repositions its favorite
// buttons). The open book's favorites logic implements it. GUI thread only.

#include "core/FavoriteRecords.h"

#include <QtGlobal>

#include <utility>
#include <vector>

class SectionFavorites
{
public:
    virtual ~SectionFavorites() = default;

    // The favorites touching the section at `sectionIndex`, in the store's
    // order; adds their number to the rendered count.
    virtual FavoriteConstArray sectionFavorites(quint64 sectionIndex) = 0;
    // 0: the section lies outside the favorite (or a position has no section
    // index); 2: it is the favorite's first or last section; 1: it lies
    // strictly between them.
    virtual int sectionCoverage(const Favorite& favorite, quint64 sectionIndex) const = 0;

    virtual void resetRenderedCount() = 0;
    virtual int renderedCount() const = 0;
};

// (first, last) section indexes, both inclusive.
using SectionRanges = std::vector<std::pair<quint64, quint64>>;

// The open-book page as its favorites store sees it: favorites changed in
// these sections, which it renders again.
class SectionsReloadTarget
{
public:
    virtual ~SectionsReloadTarget() = default;
    virtual void requestSectionsReload(const SectionRanges& ranges) = 0;
};
