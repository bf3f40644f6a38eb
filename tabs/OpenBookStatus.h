#pragma once
// The page kind of a tab that shows a book. The reader page shell holds no
// text: its page logic pulls the section HTML from here one section at a
// time at either end of the run it shows, and reports the section the reader
// looks at. This object keeps the open book (BookMngr), the current section,
// the tab's title and item path as the reader scrolls, and the book's hit
// index; it reloads the book when the library changed its content and
// closes it when the book leaves the library. GUI thread only, with that
// thread's library connection.

#include "core/BookRecords.h"
#include "core/TarnolixConstants.h"
#include "pages/BookMngr.h"
#include "tabs/OpenBookSeams.h"
#include "tabs/PageStatus.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <functional>
#include <map>
#include <optional>
#include <memory>
#include <utility>
#include <vector>

class FindTextHelper;
class PageSearchData;
class SearchInBookStatus;

class OpenBookStatus : public PageStatus, public SectionsReloadTarget
{
    Q_OBJECT
    // The tab's in-book search; not owned, may be null.
    Q_PROPERTY(QObject* searchInBookStatus READ searchInBookStatus WRITE setSearchInBookStatus
                   NOTIFY searchInBookStatusChanged)
    Q_PROPERTY(QObject* favoriteLogic READ favoriteLogic CONSTANT)
    Q_PROPERTY(TarnolixConstants::CatalogTab bookOfCatalog READ bookOfCatalog NOTIFY bookOfCatalogChanged)
    Q_PROPERTY(bool isBookOpen READ isBookOpen NOTIFY isBookOpenChanged)
    // The printed numbering of the current section, and whether a next or
    // previous number exists at each level (0 or 1); all 0 without one.
    Q_PROPERTY(int archiBookCount READ archiBookCount NOTIFY currentSectionChanged)
    Q_PROPERTY(int hasPreviouesSection READ hasPreviouesSection NOTIFY currentSectionChanged)
    Q_PROPERTY(int hasNextSection READ hasNextSection NOTIFY currentSectionChanged)
    Q_PROPERTY(int numberCodeSection READ numberCodeSection NOTIFY currentSectionChanged)
    Q_PROPERTY(int hasPreviouesChapter READ hasPreviouesChapter NOTIFY currentSectionChanged)
    Q_PROPERTY(int hasNextChapter READ hasNextChapter NOTIFY currentSectionChanged)
    Q_PROPERTY(int numberCodeChapter READ numberCodeChapter NOTIFY currentSectionChanged)
    Q_PROPERTY(int hasPreviouesPoem READ hasPreviouesPoem NOTIFY currentSectionChanged)
    Q_PROPERTY(int hasNextPoem READ hasNextPoem NOTIFY currentSectionChanged)
    Q_PROPERTY(int numberCodePoem READ numberCodePoem NOTIFY currentSectionChanged)
    Q_PROPERTY(TarnolixConstants::Language anotherBookLanguage READ getAnotherBookLanguage
                   NOTIFY anotherBookLanguageChanged)

public:
    explicit OpenBookStatus(QObject* parent = nullptr);
    ~OpenBookStatus() override;

    UrlCreator::QueryType type() const override { return UrlCreator::OpenBook; }
    void initialize() override;
    void initializePage() override;

    QObject* searchInBookStatus() const { return m_searchInBookStatus; }
    void setSearchInBookStatus(QObject* status);
    // A QObject only when the installed favorites are one; null before
    // initialize().
    QObject* favoriteLogic() const;
    // The page's favorites; null before initialize().
    OpenBookFavorites* favorites() const { return m_favorites.get(); }
    TarnolixConstants::CatalogTab bookOfCatalog() const { return m_bookOfCatalog; }
    bool isBookOpen() const;

    BookMngr& bookMngr() { return *m_book; }
    const std::shared_ptr<BookSection>& currentSection() const { return m_currentSection; }
    quint64 currentSectionIndex() const { return m_currentSectionIndex; }

    // The URL names this open book in this page's kind, language and
    // catalog tab: the tab may move to its section without a new page.
    Q_INVOKABLE bool canSeekSection(UrlCreator* urlCreator) const;
    Q_INVOKABLE void updateCurrentSection(const QString& sectionCode, qint64 sectionIndex = -1);
    Q_INVOKABLE bool commitVisibleSection(const QString& sectionCode, qint64 sectionIndex = -1);
    // {"html", "needUpdateFavoriteButtonsPosition"}; invalid at the ends of
    // the book and on failure (shown to the reader).
    Q_INVOKABLE QVariant getPreviousSection();
    Q_INVOKABLE QVariant getNextSection();
    Q_INVOKABLE void setStartPartIndex(qint64 index);
    Q_INVOKABLE void setLastPartIndex(qint64 index);
    Q_INVOKABLE void closeBook();
    Q_INVOKABLE bool openBook();
    // The code of the section to show after the library changed the book;
    // empty when there is nothing to refresh or the book had to be closed.
    Q_INVOKABLE QString refreshUpdatedBook(const QString& preferredSectionCode);
    Q_INVOKABLE bool seekSection(const QString& sectionCode);
    // The index of the first mark of a full-text result item among the
    // marks of its section; -1 on failure (shown to the reader).
    Q_INVOKABLE int getMatchIndex(const QString& sectionCode, int srItemId);

    // Moving by the book's printed numbering (section, chapter, verse): a
    // target found is handed to the page logic's "seekSection"; a missing
    // one is a warning and the view stays.
    int numberCodeSection() const;
    int numberCodeChapter() const;
    int numberCodePoem() const;
    int hasNextSection() const;
    int hasNextChapter() const;
    int hasNextPoem() const;
    int hasPreviouesSection() const;
    int hasPreviouesChapter() const;
    int hasPreviouesPoem() const;
    Q_INVOKABLE QVariantList getSectionNumbers() const;
    Q_INVOKABLE QVariantList getChapterNumbers() const;
    Q_INVOKABLE QVariantList getPoemNumbers() const;
    Q_INVOKABLE void goToSection(int numberCodeSection);
    Q_INVOKABLE void goToChapter(int numberCodeChapter);
    Q_INVOKABLE void goToPoem(int numberCodePoem);
    Q_INVOKABLE void goToNextSection();
    Q_INVOKABLE void goToNextChapter();
    Q_INVOKABLE void goToNextPoem();
    Q_INVOKABLE void goToPreviousSection();
    Q_INVOKABLE void goToPreviousChapter();
    Q_INVOKABLE void goToPreviousPoem();

    // A language other than the page's whose edition of the book holds the
    // current section; InvalidLanguage when none.
    Q_INVOKABLE TarnolixConstants::Language getAnotherBookLanguage();
    // How many other editions of the archive book hold the current section.
    int archiBookCount() const;
    // {"archiBookId", "archiBookName", "books": [{"id", "name", "languages"}]}:
    // the other editions holding the current section.
    Q_INVOKABLE QVariantMap getArchiBookInfo() const;
    // {"bookName", "authors", "commentators", "categories"}.
    Q_INVOKABLE QVariantMap getBookInfo() const;
    // The selection, a blank line and its source (authors, book, number,
    // note, ISBN) on the clipboard.
    Q_INVOKABLE void copyWithSource(const QString& sectionCode, const QString& selectedText, const QString& note);

    // The favorites changed in these (first, last) position ranges, both
    // ends included: rebuilds those sections and emits needReloadSections.
    void requestSectionsReload(const SectionRanges& ranges) override;
    // The open book's hit index for the search shown in the tab; throws
    // Exception when there is no full-text search to build it from.
    std::shared_ptr<FindTextHelper> getFindTextHelper(quint32 bookId);
    // A new search's hits need a new index.
    void dropFindTextHelper();

signals:
    void searchInBookStatusChanged();
    void bookOfCatalogChanged();
    void currentSectionChanged();
    void isBookOpenChanged();
    void anotherBookLanguageChanged();
    void bookAccessRevoked();
    void bookContentReloadRequested();
    void needReloadSections(const QVariant& v);

public slots:
    void processCurrentUrl();
    void reloadTabTitle();
    void revalidateBookAccess();
    void invalidateBookContent(int bookId);
    void requestBookContentReload();

protected:
    void timerEvent(QTimerEvent* event) override;

    // The other editions' section lists of the open book, by language, filled
    // on demand by the numbered navigation; dropped whenever the book changes.
    quint32 m_otherLanguageBookId = 0;
    std::map<int, std::vector<std::shared_ptr<BookSection>>> m_otherLanguageSections;

private:
    struct SectionHtml
    {
        QString html;
        bool favoritesRendered = false;
    };
    // The section's HTML, escaped for a script string literal.
    SectionHtml buildSectionHtml(const BookMngr::Item& item);
    QVariant sectionMap(const BookMngr::Item& item);

    // The search data whose hits the open book shows: the in-book search's
    // once it has finished, else the tab's stored search; null when none.
    PageSearchData* shownSearchData() const;
    SearchInBookStatus* inBookSearch() const;
    bool inBookSearchFinished() const;
    PageSearchData* inBookSearchData() const;
    void stopInBookSearch();

    // The tab shows this open book: page kind, book id and language.
    bool tabShowsOpenBook() const;
    void moveCurrentSection(quint64 index, bool commit);
    void clearCurrentSection();
    void updateBookOfCatalog();
    void updateTabTitle();
    void scheduleTitleUpdate();
    void clearOtherLanguageCache();
    // What closing a book does once the section index has let it go.
    void afterBookClosed();
    // After the book was lost: closes it and tells QML.
    void revokeBookAccess();

    // Numbered navigation.
    enum class Level { Section, Chapter, Poem };
    bool hasCurrentSection() const;
    int nextOf(Level level) const;
    int previousOf(Level level) const;
    QVariantList numbersOf(Level level) const;
    qint64 findFirst(Level level, int number) const;
    qint64 findNext(Level level) const;
    qint64 findPrevious(Level level) const;
    void goToFound(const char* caller, qint64 index);
    // Logs the move, finds its target and goes there; nothing without a
    // current section.
    void goToNumber(const char* caller, const std::function<qint64()>& find, std::optional<int> number = {});
    // The persons' display names in the page language, in `ids` order.
    std::vector<std::pair<int, QString>> personNames(const std::vector<int>& ids, bool spiritualOnly) const;

    int m_titleTimerId = 0;
    bool m_titleUpdatePending = false;
    QPointer<QObject> m_searchInBookStatus;
    std::unique_ptr<OpenBookFavorites> m_favorites;
    TarnolixConstants::CatalogTab m_bookOfCatalog = TarnolixConstants::InvalidCatalogTab;
    std::unique_ptr<BookMngr> m_book;
    std::shared_ptr<BookSection> m_currentSection;
    quint64 m_currentSectionIndex = quint64(-1);
    std::shared_ptr<FindTextHelper> m_findTextHelper;
    bool m_contentInvalid = false;
    bool m_reloadRequested = false;
};
