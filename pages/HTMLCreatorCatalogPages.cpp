// The author page and the book cover page, and the book-list pieces they
// share with the search result blocks. Names from the library are escaped
// where they enter the page; descriptions are the library's own markup.

#include "core/CatalogRecords.h"
#include "core/Exception.h"
#include "core/TarnolixConstants.h"
#include "database/DatabasePool.h"
#include "database/TarnolixDB.h"
#include "pages/HTMLCreator.h"
#include "pages/UrlCreatorImpl.h"

#include <QtDebug>

#include <functional>
#include <map>
#include <stdexcept>

using C = TarnolixConstants;

namespace {

const char kDocumentEnd[] = "</div>\n</body>\n</html>\n";
constexpr int kVisibleBooks = 3;

// The text of `language` only; empty when missing.
QString textIn(const LanguageNames& texts, C::Language language)
{
    auto found = texts.find(language);
    return found != texts.end() ? found->second : QString();
}

// One line of a book list: the display name and one request per language.
struct AuthorBookGroup
{
    QString name;
    std::vector<std::pair<int, UrlCreatorImpl>> editions; // language, request
};

std::vector<HTMLCreator::EditionLink> editionLinks(const AuthorBookGroup& group)
{
    std::vector<HTMLCreator::EditionLink> links;
    links.reserve(group.editions.size());
    for (const auto& [language, request] : group.editions)
        links.push_back({language, HTMLCreator::linkTarget(request)});
    return links;
}

// The books of one list (authored or commented) grouped by book id,
// ascending; `counts` and `total` grow by the editions read.
std::vector<AuthorBookGroup> collectAuthorBooks(
    TarnolixDB& db, C::Language pageLanguage,
    const std::function<TarnolixDB::BookInfoList(C::Language)>& readBooks, std::map<int, int>& counts, int& total)
{
    std::map<int, std::map<int, std::shared_ptr<BookInfo>>> byBook;
    for (const C::Language language : languageList()) {
        const TarnolixDB::BookInfoList books = readBooks(language);
        if (books.empty())
            continue;
        // Per language, both lists add up, so the lines sum to the total.
        counts[language] += int(books.size());
        total += int(books.size());
        for (const auto& info : books) {
            if (info)
                byBook[info->bookId].emplace(int(language), info);
        }
    }

    std::vector<AuthorBookGroup> groups;
    groups.reserve(byBook.size());
    for (const auto& [bookId, editions] : byBook) {
        AuthorBookGroup group;
        auto nameIn = [&editions = editions](int language) -> const QString* {
            auto found = editions.find(language);
            return found != editions.end() ? &found->second->name : nullptr;
        };
        if (const QString* name = nameIn(pageLanguage))
            group.name = *name;
        else if (const QString* english = nameIn(C::English))
            group.name = *english;
        else
            group.name = editions.begin()->second->name;
        for (const auto& [language, info] : editions) {
            UrlCreatorImpl request;
            request.tryCreateCategoryPath(db, C::Language(language), bookId, C::Book);
            group.editions.emplace_back(language, std::move(request));
        }
        groups.push_back(std::move(group));
    }
    return groups;
}

// Whether an image is stored for a reference: with no image loaded yet the
// image request would fail, so the page shows none rather than a broken one.
bool imageStored(const std::function<void()>& read)
{
    try {
        read();
        return true;
    } catch (const DBNotFound&) {
        return false;
    }
}

// The link to `url` asked as another kind (the read button, the images).
QString asKind(UrlCreatorImpl url, UrlCreator::QueryType kind)
{
    url.setQueryType(kind);
    return HTMLCreator::linkTarget(url);
}

} // namespace

QString HTMLCreator::editionLabel(int language, const char* warning, const QString& unknown) const
{
    switch (language) {
    case C::English:
        return QStringLiteral("eng");
    case C::Russian:
        return m_russianAbbreviation;
    case C::Sanskrit:
        return QStringLiteral("san");
    default:
        qWarning("%s", warning);
        return unknown;
    }
}

void HTMLCreator::appendBookGroupRow(QString& out, const QString& rowClass, const QString& name,
                                     const std::vector<EditionLink>& links, const char* warning) const
{
    out += QLatin1String("<div class=\"");
    out += rowClass;
    out += QLatin1String("\">");
    out += name.toHtmlEscaped();
    out += m_separatorText;
    bool first = true;
    for (const EditionLink& link : links) {
        out += QLatin1String("<div>");
        if (!first)
            out += QLatin1String("<span>&nbsp;|&nbsp;</span>");
        first = false;
        out += QLatin1String("<a href=\"");
        out += link.href;
        out += QLatin1String("\">");
        out += editionLabel(link.language, warning);
        out += QLatin1String("</a></div>");
    }
    out += QLatin1String("</div>");
}

void HTMLCreator::appendExpandButtons(QString& out, const QString& expandCall, const QString& collapseCall) const
{
    out += QLatin1String("<div><div><button type=\"button\" data-button-type=\"expand\" class=\"link\" onclick=\"");
    out += expandCall;
    out += QLatin1String("\">");
    out += tr("Смотреть весь список");
    out += QLatin1String("</button></div><div><button type=\"button\" data-button-type=\"collapse\" "
                         "class=\"link hide\" onclick=\"");
    out += collapseCall;
    out += QLatin1String("\">");
    out += tr("Свернуть");
    out += QLatin1String("</button></div></div>");
}

QString HTMLCreator::personName(const Person& person, C::Language language)
{
    return intMapValueOrDefault(person.spiritualName, language);
}

QString HTMLCreator::linkTarget(const UrlCreatorImpl& address)
{
    return address.toString().toHtmlEscaped();
}

QByteArray HTMLCreator::getAuthorPage(const UrlCreatorImpl& url) const
{
    TarnolixDB& db = *currentDatabase();
    const C::Language language = url.language();
    const int personId = url.getAuthorId();
    const TarnolixDB::PersonPtr person = db.selectPerson(language, personId);

    QString photoUrl;
    if (!person->photo.isEmpty() && imageStored([&] { db.selectPersonPhoto(personId); }))
        photoUrl = asKind(url, UrlCreator::GetPersonPhoto);

    std::map<int, int> counts;
    int total = 0;
    const std::vector<AuthorBookGroup> authored = collectAuthorBooks(
        db, language, [&](C::Language l) { return db.selectBooksByAuthor(personId, l); }, counts, total);
    const std::vector<AuthorBookGroup> commented = collectAuthorBooks(
        db, language, [&](C::Language l) { return db.selectBooksByCommentator(personId, l); }, counts, total);

    static const std::map<int, const char*> kCountLabels = {
        {C::English, QT_TR_NOOP("На английском:")},
        {C::Russian, QT_TR_NOOP("На русском:")},
        {C::Sanskrit, QT_TR_NOOP("На санскрите:")},
    };
    const auto countLine = [](QString& out, const QString& label, int count) {
        out += QLatin1String("<div class=\"author-statistics-one\">");
        out += label;
        out += QLatin1String(" <b>");
        out += QString::number(count);
        out += QLatin1String("</b></div>");
    };
    const auto section = [this](QString& out, const QString& title, const std::vector<AuthorBookGroup>& groups) {
        if (groups.empty())
            return;
        out += QLatin1String("<div class=\"author-section\"><h2 class=\"author-section-title\">");
        out += title;
        out += QLatin1String(" <span class=\"author-section-title-note\">(");
        out += QString::number(groups.size());
        out += QLatin1String(")</span></h2><div><div>");
        for (const AuthorBookGroup& group : groups)
            appendBookGroupRow(out, QStringLiteral("flex"), group.name, editionLinks(group),
                               "Language not supported(0x45856523)");
        out += QLatin1String("</div></div></div>");
    };

    QString body;
    body.reserve(8192 + int(authored.size() + commented.size()) * 256);
    body += QLatin1String("<div id=\"content\">\n<div class=\"page author\"><div class=\"author-top\">");
    if (!photoUrl.isEmpty()) {
        body += QLatin1String("<div><img class=\"author-image\" src=\"");
        body += photoUrl;
        body += QLatin1String("\"></div>");
    }
    body += QLatin1String("<div><h1 class=\"author-name\">");
    body += personName(*person, language).toHtmlEscaped();
    body += QLatin1String("</h1><div class=\"author-statistics\">");
    countLine(body, tr("Книги:"), total);
    for (const auto& [countLanguage, count] : counts) {
        auto label = kCountLabels.find(countLanguage);
        if (label == kCountLabels.end()) {
            qWarning("Language not supported(0x87259787)");
            countLine(body, tr("Неизвестный язык:"), count);
        } else {
            countLine(body, tr(label->second), count);
        }
    }
    body += QLatin1String("</div><div class=\"author-description\">");
    body += textIn(person->description, language);
    body += QLatin1String("</div></div></div>");
    section(body, tr("Книги"), authored);
    section(body, tr("Комментарии"), commented);
    body += QLatin1String("</div></div>\n");

    PageFrameOptions options;
    QByteArray out;
    getHtmlPage(out, options);
    out += body.toUtf8();
    out += kDocumentEnd;
    return out;
}

QByteArray HTMLCreator::getBookCoverPage(const UrlCreatorImpl& url) const
{
    const auto& items = url.itemPathItems();
    if (url.queryType() != UrlCreator::OpenBookCover || items.empty() || items.back().first != C::Book)
        throw std::invalid_argument("Invalid arguments(0x08963458)");

    TarnolixDB& db = *currentDatabase();
    const C::Language language = url.language();
    const int bookId = url.getBookId();
    const std::shared_ptr<BookBase> base = db.selectBookBase(bookId);
    const std::shared_ptr<BookInfo> info = db.selectBookInfo(bookId, language);

    // Authors in the book's order; the database returns them by id.
    std::vector<TarnolixDB::PersonPtr> authors;
    if (!base->authors.empty()) {
        const std::vector<TarnolixDB::PersonPtr> found = db.selectPersonsByIds(language, base->authors);
        for (const int id : base->authors) {
            for (const auto& person : found) {
                if (person && person->id == id) {
                    authors.push_back(person);
                    break;
                }
            }
        }
    }
    std::vector<TarnolixDB::PersonPtr> commentators;
    if (!base->commentators.empty())
        commentators = db.selectPersonsByIds(language, base->commentators);

    // The other publications of the same work, each with its editions in
    // the order of the publication's languages.
    std::vector<AuthorBookGroup> related;
    if (base->archiBookId != 0) {
        for (const auto& publication : db.selectArchiBookBooks(base->archiBookId)) {
            if (!publication || publication->id == bookId)
                continue;
            AuthorBookGroup group;
            group.name = publication->name;
            for (const C::Language editionLanguage : publication->languages) {
                std::shared_ptr<BookInfo> edition;
                try {
                    edition = db.selectBookInfo(publication->id, editionLanguage);
                } catch (const DBNotFound&) {
                    continue; // listed but not in this library
                }
                if (editionLanguage == language)
                    group.name = edition->name;
                UrlCreatorImpl request;
                request.tryCreateCategoryPath(db, editionLanguage, publication->id, C::Book);
                group.editions.emplace_back(int(editionLanguage), std::move(request));
            }
            if (!group.editions.empty())
                related.push_back(std::move(group));
        }
    }

    QString body;
    body.reserve(16384 + int(related.size()) * 256);
    body += QLatin1String("<div id=\"content\">\n<div class=\"page cover-book\"><div class=\"cover-book-top\"><div>");
    if ((!info->cover.isEmpty() || !base->cover.isEmpty())
        && imageStored([&] { db.selectBookCover(bookId, language, true); })) {
        body += QLatin1String("<img class=\"cover-book-image\" src=\"");
        body += asKind(url, UrlCreator::GetBookCover);
        body += QLatin1String("\">");
    }
    body += QLatin1String("</div><div><h1 class=\"book-name\">");
    body += info->name.toHtmlEscaped();
    body += QLatin1String("</h1><div class=\"book-original-name\">");
    body += base->name.toHtmlEscaped();
    body += QLatin1String("</div>");
    if (!authors.empty()) {
        body += QLatin1String("<div class=\"cover-book-author\">");
        body += personName(*authors.front(), language).toHtmlEscaped();
        body += QLatin1String("</div>");
    }
    body += QLatin1String("<div class=\"book-description\">");
    body += info->annotation;
    body += QLatin1String("</div>");
    body += QLatin1String("<a class=\"button cover-book-read-link\" href=\"");
    body += asKind(url, UrlCreator::OpenBook);
    body += QLatin1String("\">");
    body += tr("Читать");
    body += QLatin1String("</a></div></div>");

    if (!related.empty()) {
        body += QLatin1String("<div class=\"cover-book-section\"><h2 class=\"cover-book-section-title\">");
        body += tr("Связанные книги");
        body += QLatin1String("&nbsp;<span class=\"gray-text-color cover-book-section-title-ex-info\">(");
        body += QString::number(related.size());
        body += QLatin1String(")</span></h2><div>");
        int number = 0;
        for (const AuthorBookGroup& group : related) {
            ++number;
            appendBookGroupRow(body,
                               number > kVisibleBooks ? QStringLiteral("flex cover-book-book-item hide")
                                                      : QStringLiteral("flex cover-book-book-item"),
                               group.name, editionLinks(group), "Language not supported(0x57885246)");
        }
        body += QLatin1String("</div>");
        if (related.size() > std::size_t(kVisibleBooks))
            appendExpandButtons(body, QStringLiteral("coverBookExpandBooks()"), QStringLiteral("coverBookCollapseBooks()"));
        body += QLatin1String("</div>");
    }

    const auto row = [&body](const QString& label, const QString& value) {
        body += QLatin1String("<tr><td>");
        body += label;
        body += QLatin1String("</td><td>");
        body += value;
        body += QLatin1String("</td></tr>");
    };
    const auto names = [language](const std::vector<TarnolixDB::PersonPtr>& persons) {
        QString text;
        for (const auto& person : persons) {
            if (!person)
                continue;
            text += personName(*person, language).toHtmlEscaped();
            text += QLatin1Char(' ');
        }
        return text;
    };
    body += QLatin1String("<div class=\"cover-book-section\"><h2 class=\"cover-book-section-title\">");
    body += tr("Выходные данные");
    body += QLatin1String("</h2><table class=\"cover-book-issue-data\"><tbody>");
    if (!info->name.isEmpty())
        row(tr("Название:"), info->name.toHtmlEscaped());
    if (!base->name.isEmpty())
        row(tr("Оригинальное название:"), base->name.toHtmlEscaped());
    if (!authors.empty())
        row(authors.size() == 1 ? tr("Автор:") : tr("Авторы:"), names(authors));
    if (!commentators.empty())
        row(commentators.size() == 1 ? tr("Комментатор:") : tr("Комментаторы:"), names(commentators));
    row(tr("Язык перевода:"), languageToStringTr(language));
    if (info->publisherId != 0) {
        const std::shared_ptr<Publisher> publisher = db.selectPublisher(language, info->publisherId);
        row(tr("Издательство:"), textIn(publisher->names, language).toHtmlEscaped());
    }
    if (info->publishingYear != 0)
        row(tr("Год издания:"), QString::number(info->publishingYear));
    if (!info->ISBN.isEmpty())
        row(tr("ISBN:"), info->ISBN.toHtmlEscaped());
    if (info->pagesCount != 0)
        row(tr("Количество страниц:"), QString::number(info->pagesCount));
    if (info->bookCopies != 0)
        row(tr("Тираж:"), QString::number(info->bookCopies));
    body += QLatin1String("</tbody></table></div></div></div>\n");

    PageFrameOptions options;
    options.scripts = {QByteArrayLiteral("coverbook.js")};
    QByteArray out;
    getHtmlPage(out, options);
    out += body.toUtf8();
    out += kDocumentEnd;
    return out;
}
