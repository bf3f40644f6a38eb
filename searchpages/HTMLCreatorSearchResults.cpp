// The full-text results page and its blocks: the sort bar, the author,
// book-name and short-name matches and the result items. Names from the
// library are escaped where they enter the page; titles and texts that are
// the library's own markup are written as they are.

#include "core/CatalogRecords.h"
#include "core/Exception.h"
#include "core/TarnolixText.h"
#include "pages/HTMLCreator.h"
#include "pages/UrlCreatorImpl.h"
#include "search/searchers/FTSearchRecords.h"
#include "searchpages/SRPage.h"

#include <QtDebug>

#include <algorithm>
#include <map>

using C = TarnolixConstants;

namespace {

const char kDocumentEnd[] = "</div>\n</body>\n</html>\n";
constexpr int kVisibleAuthorBooks = 3;

QString href(UrlCreatorImpl address, quint32 tabId)
{
    address.setTabId(int(tabId));
    return HTMLCreator::linkTarget(address);
}

// The tags of the library's markup go; line breaks stay.
QString plainParagraph(const BookPart& part, int kind)
{
    QString text;
    for (const auto& entity : part.entities) {
        if (entity && entity->kind == kind)
            text = entity->texts.join(QString());
    }
    TarnolixText::removeHtmlTags(text, TarnolixText::htmlTagOpeners(), TarnolixText::htmlPlainTags());
    return text;
}

// A short-name block's element id: the matched section's code in hex, a
// token that needs no escaping in an attribute or a script string and is
// unique in the page (the search lists each section once).
QString shortNameMatchId(const tarnolix::ShortNameMatch& match)
{
    const QString code = match.section ? match.section->code : QString();
    return QStringLiteral("shortNameMatch") + QString::fromLatin1(code.toUtf8().toHex());
}

} // namespace

QByteArray HTMLCreator::getFTSearchResultsPage(const UrlCreatorImpl& url, const std::shared_ptr<SRPage>& page) const
{
    UrlCreatorImpl address = url;
    const auto settings = std::dynamic_pointer_cast<const tarnolix::FTSearchSettings>(address.searchSettings());
    if (!settings)
        throw Exception("ERROR 0x77492350");
    const C::SearchSort current = settings->sort();

    PageFrameOptions options;
    options.reserveHint = 10240;
    options.contentInner = true;
    options.hideClasses = false;
    QByteArray out;
    getHtmlPage(out, options);

    out += "<div class=\"flex search-sort\">";
    out += tr("Сортировать по:").toUtf8();
    out += "&nbsp;";
    const QString labels[] = {tr("релевантности"), tr("каталогу"), tr("совпадениям")};
    const C::SearchSort sorts[] = {C::ByRelevance, C::ByCatalog, C::ByMatch};
    for (int i = 0; i < 3; ++i) {
        if (i > 0)
            out += "&nbsp;|&nbsp;";
        address.setSort(sorts[i]);
        if (sorts[i] == current) {
            out += "<a aria-current=\"true\"";
        } else {
            out += "<a href=\"";
            out += href(address, quint32(url.tabId())).toUtf8();
            out += "\" class=\"search-sort-no-active\"";
        }
        out += '>';
        out += labels[i].toUtf8();
        out += "</a>";
    }
    out += "</div>";

    out += "<div id=\"content\">\n";
    if (page) {
        for (auto& element : page->authorMatches())
            out += element.bytes();
        for (auto& element : page->bookNameMatches())
            out += element.bytes();
        for (auto& element : page->shortNameMatches())
            out += element.bytes();
        for (auto& element : page->items())
            out += element.bytes();
    }
    out += "</div>\n";
    out += kDocumentEnd;
    return out;
}

QString HTMLCreator::getSearchItem(const SRElement& element, quint32 tabId) const
{
    const std::shared_ptr<tarnolix::SRItem> item(element.item);
    const std::shared_ptr<tarnolix::SRSection> section = item->section();
    const std::shared_ptr<BookInfo> book = section->bookInfo();
    const QString url = item->update(int(tabId));

    QString out;
    out.reserve(element.body.size() + 2560);
    out += QLatin1String("<div id=\"");
    out += QString::number(item->id());
    out += QLatin1Char('"');
    if (element.hidden)
        out += QLatin1String(" class=\"hide\"");
    out += QLatin1String("><a href=\"");
    out += url.toHtmlEscaped();
    out += QLatin1String("\"><h2 class=\"search-item-title\">");
    out += book ? book->name.toHtmlEscaped() : QString();
    out += QLatin1String("</h2><div class=\"search-item-path\">");
    out += element.path;
    out += QLatin1String("</div><div class=\"search-item-body\">");
    out += element.body;
    out += QLatin1String("</div></a></div>");
    return out;
}

QString HTMLCreator::getShortNameMatch(const tarnolix::ShortNameMatch& match, quint32 tabId) const
{
    struct Variant
    {
        C::Language language;
        std::shared_ptr<BookPart> part;
    };
    std::vector<Variant> variants;
    if (match.part)
        variants.push_back({match.information ? match.information->language : C::InvalidLanguage, match.part});
    for (const auto& counterpart : match.counterparts) {
        if (counterpart.part)
            variants.push_back({counterpart.language, counterpart.part});
    }
    if (variants.empty())
        return {};

    const auto label = [this](C::Language language) {
        switch (language) {
        case C::English:
            return tr("Показать на английском языке");
        case C::Russian:
            return tr("Показать на русском языке");
        default:
            qWarning("HTMLCreator::getShortNameMatch: Unknown language");
            return QString();
        }
    };

    const QString id = shortNameMatchId(match);
    QString out;
    out.reserve(50000);
    out += QLatin1String("<div class=\"search-priority-book-section priority-results\" id=\"");
    out += id;
    out += QLatin1String("\"><div class=\"match-title\"><a href=\"");
    out += href(match.address, tabId);
    out += QLatin1String("\">");
    out += match.section ? match.section->title : QString();
    out += QLatin1String("</a></div><div class=\"short-name-match-content\">");

    for (std::size_t i = 0; i < variants.size(); ++i) {
        out += QLatin1String("<div class=\"short-name-match-content-inner");
        if (i > 0)
            out += QLatin1String(" hide");
        out += QLatin1String("\" data-language=\"");
        out += languageToString(variants[i].language);
        out += QLatin1String("\"><div class=\"short-name-match-content-left\">");
        out += plainParagraph(*variants[i].part, 3);
        out += QLatin1String("</div><div class=\"short-name-match-content-right\">");
        out += plainParagraph(*variants[i].part, 5);
        out += QLatin1String("</div></div>");
    }

    if (variants.size() >= 2) {
        QString script = QStringLiteral("var array = [ ");
        for (std::size_t i = 0; i < variants.size(); ++i) {
            if (i > 0)
                script += QLatin1String(", ");
            script += QLatin1String("{ text: '");
            script += label(variants[(i + 1) % variants.size()].language);
            script += QLatin1String("', language: '");
            script += languageToString(variants[i].language);
            script += QLatin1String("' }");
        }
        script += QLatin1String(" ];\nshortNameMatchAnyLangClicked(array, this, '");
        script += id;
        script += QLatin1String("');");
        out += QLatin1String("<button type=\"button\" class=\"link dashed switch-content-language-button\" "
                             "data-current-index=\"0\" onclick=\"");
        out += script.toHtmlEscaped();
        out += QLatin1String("\">");
        out += label(variants[variants.size() > 1 ? 1 : 0].language);
        out += QLatin1String("</button>");
    }
    out += QLatin1String("</div>");

    // Other publications that hold the verse, one line per book, its
    // languages in ascending order.
    struct OtherBook
    {
        QString name;
        std::map<int, UrlCreatorImpl> editions;
    };
    std::vector<OtherBook> others;
    std::map<int, std::size_t> otherIndex;
    const int ownBookId = match.book ? match.book->id : (match.information ? match.information->bookId : 0);
    const C::Language pageLanguage = match.information ? match.information->language : C::InvalidLanguage;
    if (match.archiPages) {
        for (const ArchiBookEdition& edition : match.archiPages->editions) {
            const int bookId = edition.bookBase ? edition.bookBase->id : (edition.book ? edition.book->bookId : 0);
            if (bookId == ownBookId || !edition.book)
                continue;
            auto [at, added] = otherIndex.emplace(bookId, others.size());
            if (added)
                others.push_back({edition.book->name, {}});
            OtherBook& other = others[at->second];
            if (edition.language == pageLanguage)
                other.name = edition.book->name;
            other.editions.emplace(int(edition.language), edition.request);
        }
    }
    if (!others.empty()) {
        out += QLatin1String("<div class=\"short-name-match-translations\"><div class=\"short-name-match-translations-title\"><b>");
        out += tr("Этот стих в других книгах");
        out += QLatin1String("</b>&nbsp;<span class=\"gray-text-color\">(");
        out += QString::number(others.size());
        out += QLatin1String(")</span></div><div><div>");
        for (const OtherBook& other : others) {
            out += QLatin1String("<div class=\"flex\">");
            out += other.name.toHtmlEscaped();
            out += m_separatorText;
            out += QLatin1String("<div>");
            bool first = true;
            for (const auto& [language, request] : other.editions) {
                if (!first)
                    out += QLatin1String(" | ");
                first = false;
                out += QLatin1String("<a href=\"");
                out += href(request, tabId);
                out += QLatin1String("\">");
                out += editionLabel(language, "Language not supported(0x78592787)", tr("Неизвестный язык"));
                out += QLatin1String("</a>");
            }
            out += QLatin1String("</div></div>");
        }
        out += QLatin1String("</div></div></div>");
    }
    out += QLatin1String("</div>");
    return out;
}

QString HTMLCreator::getAuthorMatchBlock(const AuthorMatchElement& element, quint32 tabId) const
{
    static const std::map<int, const char*> kCountLabels = {
        {C::English, QT_TR_NOOP("На английском: ")},
        {C::Russian, QT_TR_NOOP("На русском: ")},
        {C::Sanskrit, QT_TR_NOOP("На санскрите: ")},
    };
    const tarnolix::AuthorMatch& match = *element.match;
    const int personId = match.person ? match.person->id : 0;
    const QString id = QStringLiteral("authorMatch") + QString::number(personId);

    // Editions per book in ascending language; counts per language.
    struct Group
    {
        QString name;
        std::map<int, const tarnolix::MatchedEdition*> editions;
    };
    std::vector<Group> groups;
    std::map<int, int> counts;
    int total = 0;
    for (const auto& book : match.books) {
        if (!book)
            continue;
        Group group;
        for (const tarnolix::MatchedEdition& edition : book->editions) {
            if (!group.editions.emplace(int(edition.language), &edition).second)
                continue;
            ++counts[int(edition.language)];
            ++total;
        }
        const auto nameIn = [&](int language) -> const QString* {
            auto found = group.editions.find(language);
            return found != group.editions.end() && found->second->info ? &found->second->info->name : nullptr;
        };
        if (const QString* name = nameIn(element.language))
            group.name = *name;
        else if (const QString* english = nameIn(C::English))
            group.name = *english;
        else if (!book->editions.empty() && book->editions.front().info)
            group.name = book->editions.front().info->name;
        groups.push_back(std::move(group));
    }

    QString out;
    out.reserve(int(groups.size()) * 256 + 50000);
    out += QLatin1String("<div class=\"priority-author priority-results\" id=\"");
    out += id;
    out += QLatin1String("\"><div class=\"match-title\"><a href=\"");
    out += href(match.address, tabId);
    out += QLatin1String("\">");
    if (match.person)
        out += personName(*match.person, element.language).toHtmlEscaped();
    out += QLatin1String("</a></div>");

    out += QLatin1String("<div class=\"author-stats\"><div class=\"author-stat\">");
    out += tr("Книги: ");
    out += QLatin1String("<b>");
    out += QString::number(total);
    out += QLatin1String("</b></div>");
    for (const auto& [language, count] : counts) {
        auto label = kCountLabels.find(language);
        if (label == kCountLabels.end()) {
            qWarning("Unknown language 0x54984561");
            continue;
        }
        out += QLatin1String("<div class=\"author-stat\">");
        out += tr(label->second);
        out += QLatin1String("<b>");
        out += QString::number(count);
        out += QLatin1String("</b></div>");
    }
    out += QLatin1String("</div>");

    out += QLatin1String("<div class=\"author-books\"><div><div>");
    int number = 0;
    for (const Group& group : groups) {
        ++number;
        std::vector<EditionLink> links;
        for (const auto& [language, edition] : group.editions)
            links.push_back({language, href(edition->address, tabId)});
        appendBookGroupRow(out,
                           number > kVisibleAuthorBooks ? QStringLiteral("flex author-book-item hide")
                                                        : QStringLiteral("flex author-book-item"),
                           group.name, links, "Language not supported(0x59635587)");
    }
    out += QLatin1String("</div>");

    if (groups.size() > std::size_t(kVisibleAuthorBooks))
        appendExpandButtons(out, QStringLiteral("authorMatchExpandBooks('%1')").arg(id),
                            QStringLiteral("authorMatchCollapseBooks('%1')").arg(id));
    out += QLatin1String("</div></div></div>");
    return out;
}

QString HTMLCreator::getBookNameMatchBlock(const BookNameMatchElement& element, quint32 tabId) const
{
    static const char kGlobeIcon[] =
        "<svg width=\"16\" height=\"16\" viewBox=\"-1 -1 18 18\" xmlns=\"http://www.w3.org/2000/svg\" "
        "class=\"book-info-icon\"><path fill=\"currentColor\" d=\"M8 0a8 8 0 1 0 0 16A8 8 0 0 0 8 0zm5.9 7h-2.9a12 "
        "12 0 0 0-1-4.6A6 6 0 0 1 13.9 7zM8 2c.8 1 1.7 2.8 1.9 5H6.1C6.3 4.8 7.2 3 8 2zM6 2.4A12 12 0 0 0 5 7H2.1A6 6 "
        "0 0 1 6 2.4zM2.1 9H5a12 12 0 0 0 1 4.6A6 6 0 0 1 2.1 9zM8 14c-.8-1-1.7-2.8-1.9-5h3.8C9.7 11.2 8.8 13 8 "
        "14zm2-.4A12 12 0 0 0 11 9h2.9a6 6 0 0 1-3.9 4.6z\"/></svg>";
    static const char kBookIcon[] =
        "<svg width=\"14\" height=\"16\" fill=\"none\" xmlns=\"http://www.w3.org/2000/svg\" class=\"book-info-icon\">"
        "<path stroke=\"currentColor\" stroke-linecap=\"round\" stroke-linejoin=\"round\" "
        "d=\"M1 13.5V2.5A1.5 1.5 0 0 1 2.5 1H13v11H2.5A1.5 1.5 0 0 0 1 13.5zm0 0A1.5 1.5 0 0 0 2.5 15H13v-3\"/></svg>";

    const tarnolix::BookNameMatch& match = *element.match;
    const int bookId = match.book ? match.book->id : (match.information ? match.information->bookId : 0);
    const C::Language language = match.information ? match.information->language : C::InvalidLanguage;

    QString out;
    out.reserve(5000);
    out += QLatin1String("<div id=\"bookNameMatch");
    out += QString::number(bookId);
    out += QLatin1String("\" class=\"priority-results\"><div class=\"match-title\"><a href=\"");
    out += href(match.address, tabId);
    out += QLatin1String("\">");
    if (match.information)
        out += match.information->name.toHtmlEscaped();
    out += QLatin1String("</a></div><div class=\"author\">");
    QStringList authors;
    for (const auto& person : match.authors) {
        if (person)
            authors << personName(*person, language).toHtmlEscaped();
    }
    out += authors.join(QLatin1String(", "));
    out += QLatin1String("</div>");

    if (!match.languages.empty() || match.otherPublications != 0) {
        out += QLatin1String("<div class=\"book-info\">");
        for (const tarnolix::MatchedEdition& edition : match.languages) {
            out += QLatin1String("<div class=\"book-info-item\">");
            out += QLatin1String(kGlobeIcon);
            out += QLatin1String("<a href=\"");
            out += href(edition.address, tabId);
            out += QLatin1String("\" class=\"book-info-link\">");
            switch (edition.language) {
            case C::English:
                out += tr("На английском");
                break;
            case C::Russian:
                out += tr("На русском");
                break;
            case C::Sanskrit:
                out += tr("На санскрите");
                break;
            default:
                qWarning("Language not supported(0x59639787)");
                break;
            }
            out += QLatin1String("</a></div>");
        }
        if (match.otherPublications != 0) {
            out += QLatin1String("<div class=\"book-info-item\">");
            out += QLatin1String(kBookIcon);
            out += tr("Связи:");
            out += QLatin1String("&nbsp;<b>");
            out += QString::number(match.otherPublications);
            out += QLatin1String("</b></div>");
        }
        out += QLatin1String("</div>");
    }
    out += QLatin1String("</div>");
    return out;
}
