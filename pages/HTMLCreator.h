#pragma once
// The page generator: every HTML document a tab's web view shows is built
// here, and the fragments (book sections) that page scripts insert into
// them. One object for the program, made when the account runtime opens and
// shared by pointer with the scheme handlers and page kinds; its builders
// are const and run on the GUI thread and on pool threads alike.
//
// Every document begins with one frame (getHtmlPage): the head with the
// style sheet and the page's scripts, the body with the reader's zoom, and
// the page element whose classes carry the colour mode and the verse parts
// the reader switched off. Those come from a snapshot that the GUI thread
// keeps current (setFrameState), so pool threads never read the settings or
// the application object.
//
// Texts from the library reach the pages as the library stores them: titles
// and paragraph texts are its own markup; book names and codes placed in
// attributes are escaped.

#include "core/BookRecords.h"
#include "core/TarnolixConstants.h"
#include "pages/BookSectionItem.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QtGlobal>

#include <boost/shared_ptr.hpp>

#include <memory>
#include <mutex>
#include <vector>

class Favorite;
struct Person;
class SectionFavorites;
class SRPage;
struct AuthorMatchElement;
struct BookNameMatchElement;
struct HTMLCreatorSRSettings;
struct HighlightedSectionMarks;
struct SRElement;
class UrlCreatorImpl;

namespace tarnolix {
class SRItem;
struct ShortNameMatch;
} // namespace tarnolix

namespace Lucene {
class Analyzer;
class Highlighter;
class TextFragment;
template <class TYPE>
class Collection;
} // namespace Lucene

// What a page builder asks of the frame.
struct PageFrameOptions
{
    // The output is reserved for reserveHint × 256 bytes first.
    qint32 reserveHint = 10240;
    // The page element carries " content-inner", the colour class and (with
    // hideClasses) the hide classes; without it, "invisible" alone.
    bool contentInner = true;
    bool hideClasses = false;
    // Further classes, after one blank.
    QByteArray extraClasses;
    // Script file names under /resource/web/js/, in load order.
    std::vector<QByteArray> scripts;
    // A page-script function that gets clicks on the page element.
    QByteArray onClick;
};

// The reader's view settings the frame writes into every page.
struct PageFrameState
{
    double webviewZoomFactor = 1.0;
    TarnolixConstants::ColorMode colorMode = TarnolixConstants::Light;
    bool showSanskrit = true;
    bool showDiacritic = true;
    bool showWordByWord = true;
    bool showTranslate = true;
    bool showComment = true;
};

class HTMLCreator
{
    Q_DECLARE_TR_FUNCTIONS(HTMLCreator)
public:
    // One comment author is known to the library under a second slug: a
    // comment whose author is missing under the first is looked up once
    // more under the second.
    static const char kCommentAuthorSlug[];
    static const char kCommentAuthorAlias[];

    // Takes its translated texts in the interface language of the moment.
    HTMLCreator();

    HTMLCreator(const HTMLCreator&) = delete;
    HTMLCreator& operator=(const HTMLCreator&) = delete;

    // GUI thread: the settings that pages built from now on show.
    void setFrameState(const PageFrameState& state);
    PageFrameState frameState() const;

    // Appends the frame to `out`, up to and with the page element's opening
    // tag. Never throws of its own.
    void getHtmlPage(QByteArray& out, const PageFrameOptions& options) const;

    // The reader page shell of an open book: the frame and an empty content
    // element that the page script fills section by section.
    QByteArray getBookPage() const;
    QByteArray getNewTabPage() const;

    // The fragment of one section of `book` (its language chooses the verse
    // labels, its name is the title of section 0) with the favorites of
    // `favorites` (may be null) marked. Calling thread: the comment-author
    // lookup uses its library connection. Throws Exception "ERROR
    // 0x52349785" for an item without its section record; a favorite that
    // does not fit the section is logged and left out.
    QString getBookSections(const std::shared_ptr<const BookInfo>& book, const BookSectionItem& item,
                            SectionFavorites* favorites) const;

    // The verse-part label of a paragraph kind in a book of `language`
    // (Russian labels for Russian, English for every other language); empty
    // for the kinds without one.
    static QString verseLabel(TarnolixConstants::Language language, int kind);

    // For the author and book pages: "&nbsp;—&nbsp;" and the translated
    // abbreviation of Russian, as UTF-8 and as text.
    const QByteArray& separator() const { return m_separator; }
    const QString& separatorText() const { return m_separatorText; }
    const QByteArray& russianAbbreviationUtf8() const { return m_russianAbbreviationUtf8; }
    const QString& russianAbbreviation() const { return m_russianAbbreviation; }

    // The page of the person of `url`'s Author item, in `url`'s language:
    // name, photo, book counts, and the books the person wrote and
    // commented, each with its editions. Calling thread's library
    // connection; a person not in the library throws DBNotFound.
    QByteArray getAuthorPage(const UrlCreatorImpl& url) const;
    // The cover page of `url`'s book (an OpenBookCover request ending in a
    // Book item): cover, title, author, description, the read button, the
    // other publications of the same work and the publication data. Throws
    // std::invalid_argument for another request; missing rows throw
    // DBNotFound. Calling thread's library connection.
    QByteArray getBookCoverPage(const UrlCreatorImpl& url) const;

    // Pieces shared by the author and cover pages and the search blocks.
    // One edition link of a book list: its language and its escaped URL.
    struct EditionLink
    {
        int language = 0;
        QString href;
    };
    // The link text of an edition: "eng", the translated "рус", "san";
    // another language logs `warning` and gives `unknown`.
    QString editionLabel(int language, const char* warning, const QString& unknown = QString()) const;
    // One line of a book list: the div of `rowClass`, the escaped name, the
    // separator and one div per edition link, the links after the first
    // preceded by a separator span.
    void appendBookGroupRow(QString& out, const QString& rowClass, const QString& name,
                            const std::vector<EditionLink>& links, const char* warning) const;
    // The expand / collapse pair below a list that shows three rows until
    // expanded; the calls are the buttons' onclick texts.
    void appendExpandButtons(QString& out, const QString& expandCall, const QString& collapseCall) const;
    // A person's name in `language` (the lowest language's when missing).
    static QString personName(const Person& person, TarnolixConstants::Language language);
    // `address` as link text in an attribute.
    static QString linkTarget(const UrlCreatorImpl& address);

    // The search results page, its blocks and the highlighting of hits are
    // defined in searchpages/ (they need the search records, which sit above
    // this library): only code that links tarnolix_searchpages calls them.

    // The whole results page of the request `url` (a full-text search
    // address), with the blocks and items of `page` (may be null). Throws
    // Exception "ERROR 0x77492350" without full-text search settings.
    QByteArray getFTSearchResultsPage(const UrlCreatorImpl& url, const std::shared_ptr<SRPage>& page) const;
    QString getSearchItem(const SRElement& element, quint32 tabId) const;
    QString getShortNameMatch(const tarnolix::ShortNameMatch& match, quint32 tabId) const;
    QString getAuthorMatchBlock(const AuthorMatchElement& element, quint32 tabId) const;
    QString getBookNameMatchBlock(const BookNameMatchElement& element, quint32 tabId) const;

    // The readable path (highlighted when the hit is in the title) and the
    // highlighted excerpt of one full-text hit, for the settings' tab.
    void getSRItemTexts(tarnolix::SRItem& item, HTMLCreatorSRSettings& settings, QString& path,
                        QString& body) const;
    std::shared_ptr<SRElement> createSRElement(const std::shared_ptr<tarnolix::SRItem>& item,
                                               HTMLCreatorSRSettings& settings) const;
    // Marks the hits of the settings' search in `text`, one run per content
    // field of its query, merged into `marked` (empty when nothing matched).
    // Without `wholeText` the fragments are mapped onto the merged text.
    void highlightText(const QString& text, Lucene::Collection<boost::shared_ptr<Lucene::TextFragment>>& fragments,
                       bool wholeText, const boost::shared_ptr<Lucene::Highlighter>& highlighter,
                       const HTMLCreatorSRSettings& settings, std::wstring& marked) const;
    // The settings' analyzer set to skip the tags of `text`.
    static boost::shared_ptr<Lucene::Analyzer> getAnalyzer(const HTMLCreatorSRSettings& settings,
                                                           const std::wstring& text);
    // getBookSections with every hit of the settings' search marked in the
    // title and the texts; `marks` receives the marks written.
    QString getBookSectionHighlighted(const std::shared_ptr<const BookInfo>& book, const BookSectionItem& item,
                                      SectionFavorites* favorites, HTMLCreatorSRSettings& settings,
                                      HighlightedSectionMarks& marks) const;

private:
    struct BookSectionData
    {
        std::shared_ptr<const BookInfo> book;
        const BookSectionItem* item = nullptr;
        SectionFavorites* favorites = nullptr;
        QString title;
        qint32 reserveHint = 0;
        std::vector<std::shared_ptr<BookEntity>> paragraphs;
    };

    QString getBookSection(const BookSectionData& data) const;
    QString commentAuthorLabel(const BookSectionData& data, const BookEntity& paragraph) const;
    // Wraps one favorite's range; false (logged) when it does not fit.
    bool markFavorite(const BookSectionData& data, const Favorite& favorite, int coverage, int sectionStart,
                      int& sectionEnd, QString& out) const;

    mutable std::mutex m_frameMutex;
    PageFrameState m_frameState;

    const QByteArray m_separator;
    const QString m_separatorText;
    const QString m_russianAbbreviation;
    const QByteArray m_russianAbbreviationUtf8;
};
