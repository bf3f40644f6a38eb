// The HTML of one book section: the section element, the reader's favorite
// buttons, the titles, the paragraphs with their kind classes and verse-part
// labels, and the favorites marked as spans inside the finished text. The
// book page script relies on every class, id and attribute written here.

#include "core/CatalogRecords.h"
#include "core/Exception.h"
#include "core/TarnolixHtmlEncloseHelper.h"
#include "core/TarnolixText.h"
#include "database/DatabasePool.h"
#include "database/TarnolixDB.h"
#include "pages/HTMLCreator.h"
#include "pages/SectionFavorites.h"
#include "pages/UrlCreatorImpl.h"

#include <QtDebug>

#include <algorithm>
#include <array>
#include <limits>

using C = TarnolixConstants;

namespace {

constexpr int kCommentKind = 6;
constexpr int kCommentPlusKind = 7;

// Paragraph kind code -> class after "paragraph " (index 0 unused).
constexpr std::array<const char*, 11> kKindClasses = {
    nullptr,
    "",
    "paragraph--type-sanskrit",
    "paragraph--type-diacritic",
    "paragraph--type-word-by-word",
    "paragraph--type-literary",
    "paragraph--type-comment",
    "paragraph--type-comment-plus",
    "paragraph--type-text",
    "paragraph--type-sanskrit",
    "paragraph--type-quote-sanskrit-translate",
};

// Kinds 4 to 7.
constexpr std::array<const char*, 4> kEnglishLabels = {
    "Word-by-word translation:",
    "Translation:",
    "Commentary:",
    "Commentary by ",
};
constexpr std::array<const char*, 4> kRussianLabels = {
    "Пословный перевод:",
    "Перевод:",
    "Комментарий:",
    "Комментарий. Автор ",
};

bool startsIn(const Favorite& favorite, quint64 sectionIndex)
{
    const auto& index = favorite.startSelectedPosition().sectionIndex();
    return index && *index == sectionIndex;
}

qint64 favoriteAllowance(const Favorite& favorite, quint64 sectionIndex)
{
    const SelectedPosition& start = favorite.startSelectedPosition();
    const SelectedPosition& end = favorite.endSelectedPosition();
    if (end.sectionIndex() && *end.sectionIndex() == sectionIndex)
        return qint64(1.5 * (qint64(end.offset()) - start.offset())) + 384;
    return 1024;
}

QString uuidText(const Favorite& favorite)
{
    return favorite.uuid().toString(QUuid::WithoutBraces);
}

} // namespace

const char HTMLCreator::kCommentAuthorSlug[] = "gopala-charana-swami";
const char HTMLCreator::kCommentAuthorAlias[] = "gopala-charana";

QString HTMLCreator::verseLabel(C::Language language, int kind)
{
    if (kind < 4 || kind > kCommentPlusKind)
        return {};
    // Decoded once: a verse section asks for two or three of them.
    const auto decoded = [](const std::array<const char*, 4>& texts) {
        std::array<QString, 4> labels;
        for (std::size_t i = 0; i < texts.size(); ++i)
            labels[i] = QString::fromUtf8(texts[i]);
        return labels;
    };
    static const std::array<QString, 4> russian = decoded(kRussianLabels);
    static const std::array<QString, 4> english = decoded(kEnglishLabels);
    return (language == C::Russian ? russian : english)[std::size_t(kind - 4)];
}

QString HTMLCreator::getBookSections(const std::shared_ptr<const BookInfo>& book, const BookSectionItem& item,
                                     SectionFavorites* favorites) const
{
    if (!book)
        throw Exception("getBookSections: no book");
    BookSectionData data;
    data.book = book;
    data.item = &item;
    data.favorites = favorites;
    if (item.section)
        data.title = item.section->title;
    qint64 reserveHint = 2048;
    if (item.part) {
        data.paragraphs.assign(item.part->entities.begin(), item.part->entities.end());
        for (const auto& paragraph : data.paragraphs) {
            if (paragraph)
                reserveHint = qint64(double(reserveHint) + 1.3 * textLength(*paragraph));
        }
    }
    data.reserveHint = qint32(std::min<qint64>(reserveHint, std::numeric_limits<int>::max() / 4));
    return getBookSection(data);
}

QString HTMLCreator::getBookSection(const BookSectionData& data) const
{
    const BookSectionItem& item = *data.item;
    if (!item.section)
        throw Exception("ERROR 0x52349785");
    const BookSection& section = *item.section;
    const quint64 index = item.index;

    FavoriteConstArray favorites;
    if (data.favorites)
        favorites = data.favorites->sectionFavorites(index);
    qint64 reserve = data.reserveHint;
    for (const auto& favorite : favorites) {
        if (favorite && startsIn(*favorite, index))
            reserve += std::max<qint64>(favoriteAllowance(*favorite, index), 0);
    }
    QString out;
    out.reserve(int(std::min<qint64>(reserve, std::numeric_limits<int>::max() / 4)));

    out += QLatin1String("<div id=\"");
    out += section.code.toHtmlEscaped();
    out += QLatin1String("\" class=\"book-page\" data-section-index=\"");
    out += QString::number(index);
    out += QLatin1String("\">");

    for (const auto& favorite : favorites) {
        if (!favorite || !startsIn(*favorite, index))
            continue;
        const QString uuid = uuidText(*favorite);
        out += QLatin1String("<button type=\"button\" class=\"favorite-button\" favorite-span-id=\"favorite_");
        out += uuid;
        out += QLatin1String("_span_1\" onclick=\"g_tabWebChannel.favoriteMessageButtonClicked('");
        out += uuid;
        out += QLatin1String("')\"><img src=\"/resource/web/images/favorite_message.svg\" width=\"16\" "
                             "height=\"16\"></button>");
    }

    const int sectionStart = out.size();
    if (index == 0) {
        out += QLatin1String("<h1 class=\"book-title\">");
        out += data.book->name.toHtmlEscaped();
        out += QLatin1String("</h1>");
    }
    out += QLatin1String("<h1 class=\"book-page-title\">");
    out += data.title;
    out += QLatin1String("</h1>");

    if (!data.paragraphs.empty()) {
        out += QLatin1String("<div>");
        for (const auto& paragraph : data.paragraphs) {
            if (!paragraph)
                continue;
            const int kind = static_cast<qint8>(paragraph->kind);
            out += QLatin1String("<div class=\"paragraph ");
            if (kind >= 1 && kind < int(kKindClasses.size()))
                out += QLatin1String(kKindClasses[std::size_t(kind)]);
            else
                qWarning("getBookSection: Unknown type");
            out += QLatin1String("\">");
            const QString label = kind == kCommentPlusKind ? commentAuthorLabel(data, *paragraph)
                                                           : verseLabel(data.book->language, kind);
            if (!label.isEmpty()) {
                out += QLatin1String("<div class=\"note\">");
                out += label;
                out += QLatin1String("</div>");
            }
            out += QLatin1String("<div>");
            for (const QString& piece : paragraph->texts)
                out += piece;
            out += QLatin1String("</div></div>");
        }
        out += QLatin1String("</div>");
    }

    int sectionEnd = out.size();
    out += QLatin1String("</div>");

    for (const auto& favorite : favorites) {
        if (!favorite)
            continue;
        const int coverage = data.favorites->sectionCoverage(*favorite, index);
        markFavorite(data, *favorite, coverage, sectionStart, sectionEnd, out);
    }
    return out;
}

bool HTMLCreator::markFavorite(const BookSectionData& data, const Favorite& favorite, int coverage,
                               int sectionStart, int& sectionEnd, QString& out) const
{
    const quint64 index = data.item->index;
    const QString uuid = uuidText(favorite);
    // A favorite that does not fit costs only its own mark, never the section.
    const auto skip = [&](const char* error) {
        qWarning("%s", error);
        qWarning("Skipping invalid favorite markup for section '%s', favorite '%s': %s",
                 qUtf8Printable(data.item->section->code), qUtf8Printable(uuid), error);
        return false;
    };

    const SelectedPosition& startPosition = favorite.startSelectedPosition();
    const SelectedPosition& endPosition = favorite.endSelectedPosition();
    int start = sectionStart;
    int end = sectionEnd;
    if (coverage == 2) {
        if (startPosition.sectionIndex() && *startPosition.sectionIndex() == index) {
            if (startPosition.offset() != 0) {
                start = TarnolixText::getPosition(out, startPosition.offset(), TarnolixText::ZeroIsStart);
                if (start < 0)
                    return skip("ERROR 0x858f9F50");
            }
        } else if (!startPosition.sectionIndex() || *startPosition.sectionIndex() > index) {
            return skip("ERROR 0x84F13B65");
        }
        if (endPosition.sectionIndex() && *endPosition.sectionIndex() == index) {
            end = TarnolixText::getPosition(out, endPosition.offset(), TarnolixText::ZeroIsStart);
            if (end < 0)
                return skip("ERROR 0x858f9F51");
        } else if (!endPosition.sectionIndex() || *endPosition.sectionIndex() < index) {
            return skip("ERROR 0x84F13B66");
        }
    } else if (coverage != 1) {
        return skip("ERROR 0x84F13B64");
    }

    const bool first = startsIn(favorite, index);
    int opened = 0;
    const HtmlMarkupGenerator openTag = [&]() {
        if (first && opened++ == 0)
            return QStringLiteral("<span id=\"favorite_%1_span_1\" class=\"favorite\">").arg(uuid);
        return QStringLiteral("<span class=\"favorite\">");
    };
    const HtmlMarkupGenerator closeTag = []() { return QStringLiteral("</span>"); };
    QString wrapped;
    try {
        wrapped = encloseHtmlFragment(out, openTag, closeTag, start, end);
    } catch (const std::exception& e) {
        qWarning("Skipping invalid favorite markup for section '%s', favorite '%s': %s",
                 qUtf8Printable(data.item->section->code), qUtf8Printable(uuid), e.what());
        return false;
    }
    sectionEnd += wrapped.size() - out.size();
    out = std::move(wrapped);
    return true;
}

QString HTMLCreator::commentAuthorLabel(const BookSectionData& data, const BookEntity& paragraph) const
{
    const C::Language language = data.book->language;
    const QString slug = paragraph.attributes.value(QStringLiteral("author-id"));
    if (!slug.isEmpty()) {
        TarnolixDB& db = *currentDatabase();
        TarnolixDB::PersonPtr person;
        try {
            person = db.selectPersonBySlug(language, slug);
        } catch (const DBNotFound&) {
            if (slug == QLatin1String(kCommentAuthorSlug)) {
                try {
                    person = db.selectPersonBySlug(language, QString::fromLatin1(kCommentAuthorAlias));
                } catch (const DBNotFound&) {
                }
            }
        }
        if (person) {
            try {
                UrlCreatorImpl authorPage;
                authorPage.createPath(db, language, C::Authors, person->id, C::Author);
                return verseLabel(language, kCommentPlusKind) + QLatin1String("<a href=\"") +
                       authorPage.toString().toHtmlEscaped() + QLatin1String("\">") +
                       intMapValueOrDefault(person->spiritualName, language).toHtmlEscaped() +
                       QLatin1String(":</a>");
            } catch (const DBNotFound&) {
                // A person the Authors tab cannot reach has no page to link to.
            }
        }
    }
    qWarning("getBookSection: Commentary author unavailable: book=%d section=%s slug=%s", data.book->bookId,
             qUtf8Printable(data.item->section->code), qUtf8Printable(slug));
    return verseLabel(language, kCommentKind);
}
