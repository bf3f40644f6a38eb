#include "tabs/HighlightedSection.h"

#include "pages/HTMLCreator.h"
#include "searchpages/SRHighlighting.h"
#include "tabs/FindTextHelper.h"

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
