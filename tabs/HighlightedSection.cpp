#include "tabs/HighlightedSection.h"

#include "pages/HTMLCreator.h"
#include "searchpages/SRHighlighting.h"
#include "searchpages/SRPage.h"
#include "tabs/FindTextHelper.h"
#include "tabs/OpenBookSeams.h"
#include "tabs/PageSearchData.h"
#include "tabs/PageStatus.h"

#include "core/Exception.h"

QString buildHighlightedSection(const HTMLCreator& creator, const std::shared_ptr<const BookInfo>& book,
                                const BookSectionItem& item, SectionFavorites* favorites,
                                HTMLCreatorSRSettings& settings, const FindTextHelper& hits)
{
    const std::shared_ptr<FindTextSection> record = item.section ? hits.getSection(item.section->code) : nullptr;
    if (!record)
        return creator.getBookSections(book, item, favorites);
    HighlightedSectionMarks marks;
    QString html = creator.getBookSectionHighlighted(book, item, favorites, settings, marks);
    record->setMarks(marks.total, std::move(marks.paragraphs));
    return html;
}

QString buildHighlightedSection(const HighlightedSectionRequest& request)
{
    const std::shared_ptr<const HTMLCreator> creator = PageStatus::htmlCreator();
    if (!creator)
        throw Exception("buildHighlightedSection: no page generator");
    if (!request.searchData || !request.searchData->searchResults() || !request.findTextHelper)
        return creator->getBookSections(request.bookInfo, request.item, request.favorites);

    HTMLCreatorSRSettingsPtr settings = request.highlightSettings;
    const auto* ft = settings ? nullptr : dynamic_cast<const FTSearchData*>(request.searchData);
    if (ft) {
        const SRPageStatePtr& state = ft->searchPageState();
        if (state && (state->page || state->savedPage))
            settings = searchPageStateCurrentPage(*state)->settings();
    }
    if (!settings)
        settings = makeHTMLCreatorSRSettings(0, request.searchData->searchResults());
    return buildHighlightedSection(*creator, request.bookInfo, request.item, request.favorites, *settings,
                                   *request.findTextHelper);
}
