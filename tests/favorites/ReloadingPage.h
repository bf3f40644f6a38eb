#pragma once
// An open-book page that renders the sections its favorites store asks it
// to reload, with the real page generator, and keeps what it rendered.

#include "pages/BookMngr.h"
#include "pages/HTMLCreator.h"
#include "pages/SectionFavorites.h"
#include "tabs/PageStatus.h"

#include <QStringList>

#include <vector>

namespace tarnolix::test {

class ReloadingPage : public PageStatus, public SectionsReloadTarget
{
    Q_OBJECT
public:
    UrlCreator::QueryType type() const override { return UrlCreator::OpenBook; }

    void requestSectionsReload(const SectionRanges& ranges) override
    {
        requests.push_back(ranges);
        if (!book || !creator || !favorites)
            return;
        for (const auto& [first, last] : ranges) {
            for (quint64 i = first; i <= last; ++i) {
                const auto item = book->itemAt(i);
                html << creator->getBookSections(book->bookInfo(), {item->section, item->part, item->index},
                                                 favorites);
            }
        }
    }

    BookMngr* book = nullptr;
    const HTMLCreator* creator = nullptr;
    SectionFavorites* favorites = nullptr;
    std::vector<SectionRanges> requests;
    QStringList html;
};

} // namespace tarnolix::test
