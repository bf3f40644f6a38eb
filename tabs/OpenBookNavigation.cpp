// The open book's printed numbering (section, chapter, verse) and what the
// reader asks about the book: its other languages and editions, its
// information block, and a quotation with its source on the clipboard.
#include "tabs/OpenBookStatus.h"

#include "core/CatalogRecords.h"
#include "core/Exception.h"
#include "database/DatabasePool.h"
#include "database/ItemPathBuilder.h"
#include "database/TarnolixDB.h"
#include "pages/OtherLanguageBookUrls.h"
#include "tabs/TabServices.h"
#include "tabs/TabStatus.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>
#include <exception>

namespace {

using C = TarnolixConstants;

QString errorText(const std::exception& e)
{
    if (const auto* ex = dynamic_cast<const Exception*>(&e))
        return ex->message();
    return QString::fromUtf8(e.what());
}

// A person's name in a names map that a read filled for one language.
QString firstName(const LanguageNames& names)
{
    return names.empty() ? QString() : names.begin()->second;
}

} // namespace

// ---- numbers of the current section ----------------------------------------

bool OpenBookStatus::hasCurrentSection() const
{
    return isBookOpen() && m_currentSection && m_currentSectionIndex < m_book->sections().size();
}

int OpenBookStatus::numberCodeSection() const
{
    return hasCurrentSection() ? m_currentSection->numberCodeSection : 0;
}

int OpenBookStatus::numberCodeChapter() const
{
    return hasCurrentSection() ? m_currentSection->numberCodeChapter : 0;
}

int OpenBookStatus::numberCodePoem() const
{
    return hasCurrentSection() ? m_currentSection->numberCodePoem : 0;
}

namespace {

struct Numbers
{
    int section;
    int chapter;
    int poem;
};

Numbers numbersIn(const BookSection& s)
{
    return {s.numberCodeSection, s.numberCodeChapter, s.numberCodePoem};
}

} // namespace

// Levels: 0 section, 1 chapter, 2 verse. A section "shares the higher
// levels" of `current` when its numbers above `level` are the same.
static bool sharesHigher(const Numbers& s, const Numbers& current, int level)
{
    if (level >= 1 && s.section != current.section)
        return false;
    if (level >= 2 && s.chapter != current.chapter)
        return false;
    return true;
}

static int numberAt(const Numbers& s, int level)
{
    return level == 0 ? s.section : level == 1 ? s.chapter : s.poem;
}

int OpenBookStatus::nextOf(Level level) const
{
    return findNext(level) >= 0 ? 1 : 0;
}

int OpenBookStatus::previousOf(Level level) const
{
    if (!hasCurrentSection())
        return 0;
    const int l = static_cast<int>(level);
    const Numbers current = numbersIn(*m_currentSection);
    const int limit = numberAt(current, l) - 1;
    if (limit < 1)
        return 0;
    const auto& sections = m_book->sections();
    for (quint64 i = m_currentSectionIndex + 1; i-- > 0;) {
        const Numbers s = numbersIn(*sections[i]);
        if (!sharesHigher(s, current, l))
            return 0;
        const int n = numberAt(s, l);
        if (n >= 1 && n <= limit)
            return 1;
    }
    return 0;
}

int OpenBookStatus::hasNextSection() const { return nextOf(Level::Section); }
int OpenBookStatus::hasNextChapter() const { return nextOf(Level::Chapter); }
int OpenBookStatus::hasNextPoem() const { return nextOf(Level::Poem); }
int OpenBookStatus::hasPreviouesSection() const { return previousOf(Level::Section); }
int OpenBookStatus::hasPreviouesChapter() const { return previousOf(Level::Chapter); }
int OpenBookStatus::hasPreviouesPoem() const { return previousOf(Level::Poem); }

QVariantList OpenBookStatus::numbersOf(Level level) const
{
    QVariantList list;
    const int l = static_cast<int>(level);
    if (!isBookOpen() || (l > 0 && !hasCurrentSection()))
        return list;
    const auto& sections = m_book->sections();
    quint64 first = 0;
    quint64 end = sections.size();
    if (l > 0) {
        // The run of consecutive sections around the current one that share
        // its higher numbers.
        const Numbers current = numbersIn(*m_currentSection);
        first = m_currentSectionIndex;
        while (first > 0 && sharesHigher(numbersIn(*sections[first - 1]), current, l))
            --first;
        end = m_currentSectionIndex + 1;
        while (end < sections.size() && sharesHigher(numbersIn(*sections[end]), current, l))
            ++end;
    }
    int last = 0;
    for (quint64 i = first; i < end; ++i) {
        const int n = numberAt(numbersIn(*sections[i]), l);
        if (n != 0 && n != last) {
            list.append(n);
            last = n;
        }
    }
    return list;
}

QVariantList OpenBookStatus::getSectionNumbers() const { return numbersOf(Level::Section); }
QVariantList OpenBookStatus::getChapterNumbers() const { return numbersOf(Level::Chapter); }
QVariantList OpenBookStatus::getPoemNumbers() const { return numbersOf(Level::Poem); }

// ---- going to a number -------------------------------------------------------

qint64 OpenBookStatus::findFirst(Level level, int number) const
{
    const int l = static_cast<int>(level);
    const Numbers current = numbersIn(*m_currentSection);
    const auto& sections = m_book->sections();
    for (quint64 i = 0; i < sections.size(); ++i) {
        const Numbers s = numbersIn(*sections[i]);
        if (sharesHigher(s, current, l) && numberAt(s, l) == number)
            return static_cast<qint64>(i);
    }
    return -1;
}

qint64 OpenBookStatus::findNext(Level level) const
{
    if (!hasCurrentSection())
        return -1;
    const int l = static_cast<int>(level);
    const Numbers current = numbersIn(*m_currentSection);
    const int wanted = numberAt(current, l) + 1;
    const auto& sections = m_book->sections();
    for (quint64 i = m_currentSectionIndex; i < sections.size(); ++i) {
        const Numbers s = numbersIn(*sections[i]);
        // Past the current section (or chapter) nothing deeper can follow.
        if (!sharesHigher(s, current, l))
            break;
        if (numberAt(s, l) >= wanted)
            return static_cast<qint64>(i);
    }
    return -1;
}

qint64 OpenBookStatus::findPrevious(Level level) const
{
    const int l = static_cast<int>(level);
    const Numbers current = numbersIn(*m_currentSection);
    const int limit = numberAt(current, l) - 1;
    const auto& sections = m_book->sections();
    qint64 target = -1;
    int targetNumber = 0;
    for (quint64 i = m_currentSectionIndex + 1; i-- > 0;) {
        const Numbers s = numbersIn(*sections[i]);
        const int n = numberAt(s, l);
        if (!sharesHigher(s, current, l) || n < 1 || n > limit)
            continue;
        if (target < 0 || n == targetNumber) {
            // Each earlier section of the same number moves the target back
            // to where that number begins.
            target = static_cast<qint64>(i);
            targetNumber = n;
        } else {
            break;
        }
    }
    return target;
}

void OpenBookStatus::goToFound(const char* caller, qint64 index)
{
    if (index < 0) {
        qWarning("%s: Not found", caller);
        return;
    }
    const QString code = m_book->sections()[static_cast<quint64>(index)]->code;
    TabStatus* tab = tabStatus();
    QObject* logic = tab ? tab->pageLogic() : nullptr;
    if (!logic) {
        qWarning("%s: no page logic", caller);
        return;
    }
    // The empty values leave the function's optional script and callback
    // at their defaults.
    QMetaObject::invokeMethod(logic, "seekSection", Q_ARG(QVariant, QVariant(code)), Q_ARG(QVariant, QVariant()),
                              Q_ARG(QVariant, QVariant()));
}

void OpenBookStatus::goToNumber(const char* caller, const std::function<qint64()>& find, std::optional<int> number)
{
    if (!hasCurrentSection())
        return;
    if (number)
        qDebug("%s: %d", caller, *number);
    else
        qDebug("%s", caller);
    goToFound(caller, find());
}

void OpenBookStatus::goToSection(int number)
{
    goToNumber("goToSection", [&] { return findFirst(Level::Section, number); }, number);
}

void OpenBookStatus::goToChapter(int number)
{
    goToNumber("goToChapter", [&] { return findFirst(Level::Chapter, number); }, number);
}

void OpenBookStatus::goToPoem(int number)
{
    goToNumber("goToPoem", [&] { return findFirst(Level::Poem, number); }, number);
}

void OpenBookStatus::goToNextSection() { goToNumber("goToNextSection", [&] { return findNext(Level::Section); }); }
void OpenBookStatus::goToNextChapter() { goToNumber("goToNextChapter", [&] { return findNext(Level::Chapter); }); }
void OpenBookStatus::goToNextPoem() { goToNumber("goToNextPoem", [&] { return findNext(Level::Poem); }); }

void OpenBookStatus::goToPreviousSection()
{
    goToNumber("goToPreviousSection", [&] { return findPrevious(Level::Section); });
}

void OpenBookStatus::goToPreviousChapter()
{
    goToNumber("goToPreviousChapter", [&] { return findPrevious(Level::Chapter); });
}

void OpenBookStatus::goToPreviousPoem()
{
    goToNumber("goToPreviousPoem", [&] { return findPrevious(Level::Poem); });
}

// ---- other languages and editions -----------------------------------------------

C::Language OpenBookStatus::getAnotherBookLanguage()
{
    try {
        const TabStatus* tab = tabStatus();
        if (!tab || !hasCurrentSection() || m_book->sectionItemByKey(m_currentSection->code) != m_currentSection ||
            m_book->language() != tab->pageLanguage())
            return C::InvalidLanguage;
        const int bookId = m_book->bookId();
        if (m_otherLanguageBookId != static_cast<quint32>(bookId)) {
            m_otherLanguageSections.clear();
            m_otherLanguageBookId = static_cast<quint32>(bookId);
        }
        for (const C::Language language : m_book->bookBase()->languages) {
            if (language == tab->pageLanguage())
                continue;
            auto it = m_otherLanguageSections.find(static_cast<int>(language));
            if (it == m_otherLanguageSections.end())
                it = m_otherLanguageSections.emplace(static_cast<int>(language), m_book->db()->selectBookSections(bookId, language)).first;
            if (findMatchingSection(*m_currentSection, it->second))
                return language;
        }
        return C::InvalidLanguage;
    } catch (const std::exception& e) {
        qWarning("getAnotherBookLanguage: %s", qUtf8Printable(errorText(e)));
        return C::InvalidLanguage;
    }
}

int OpenBookStatus::archiBookCount() const
{
    if (!hasCurrentSection() || m_book->bookBase()->archiBookId == 0)
        return 0;
    try {
        const int count =
            m_book->db()->selectArchiBookBooksCountBySectionSlug(m_book->bookBase()->archiBookId, m_currentSection->slug);
        return count >= 1 ? count - 1 : count;
    } catch (const std::exception& e) {
        const QString message = errorText(e);
        qWarning("getArchiBookCount: %s", qUtf8Printable(message));
        PageStatus::showError(message);
        return 0;
    }
}

QVariantMap OpenBookStatus::getArchiBookInfo() const
{
    QVariantMap info;
    const TabStatus* tab = tabStatus();
    if (!tab || !hasCurrentSection() || m_book->bookBase()->archiBookId == 0)
        return info;
    try {
        const C::Language language = tab->pageLanguage();
        const int archiBookId = m_book->bookBase()->archiBookId;
        const std::shared_ptr<ArchiBookInfo> found = otherLanguageBookUrls(
            *m_book->db(), language, archiBookId, m_book->bookId(), *m_currentSection, false);
        info.insert(QStringLiteral("archiBookId"), archiBookId);
        QString name;
        if (found->archiBook) {
            const auto it = found->archiBook->names.find(language);
            if (it != found->archiBook->names.end())
                name = it->second;
        }
        info.insert(QStringLiteral("archiBookName"), name);
        // One entry per edition, its languages in the order found.
        QVariantList books;
        std::vector<int> ids;
        std::vector<QVariantList> languages;
        for (const ArchiBookEdition& edition : found->editions) {
            const int id = edition.bookBase->id;
            if (id == m_book->bookId())
                continue;
            const auto at = std::find(ids.begin(), ids.end(), id);
            if (at == ids.end()) {
                ids.push_back(id);
                languages.push_back({static_cast<int>(edition.language)});
                books.append(QVariantMap{{QStringLiteral("id"), id}, {QStringLiteral("name"), edition.bookBase->name}});
            } else {
                languages[static_cast<std::size_t>(at - ids.begin())].append(static_cast<int>(edition.language));
            }
        }
        for (int i = 0; i < books.size(); ++i) {
            QVariantMap book = books[i].toMap();
            book.insert(QStringLiteral("languages"), languages[static_cast<std::size_t>(i)]);
            books[i] = book;
        }
        info.insert(QStringLiteral("books"), books);
    } catch (const std::exception& e) {
        const QString message = errorText(e);
        qWarning("getArchiBookInfo: %s", qUtf8Printable(message));
        PageStatus::showError(message);
    }
    return info;
}

// ---- book information and quoting -------------------------------------------------

std::vector<std::pair<int, QString>> OpenBookStatus::personNames(const std::vector<int>& ids, bool spiritualOnly) const
{
    std::vector<std::pair<int, QString>> names;
    if (ids.empty())
        return names;
    const C::Language language = tabStatus() ? tabStatus()->pageLanguage() : m_book->language();
    const std::vector<TarnolixDB::PersonPtr> persons = m_book->db()->selectPersonsByIds(language, ids);
    // In the book's order of its persons, not the library's.
    for (const int id : ids) {
        const auto it = std::find_if(persons.begin(), persons.end(), [id](const auto& p) { return p->id == id; });
        if (it == persons.end())
            continue;
        QString name = firstName((*it)->spiritualName);
        if (name.isEmpty() && !spiritualOnly) {
            // The list read holds spiritual names only.
            const TarnolixDB::PersonPtr full = m_book->db()->selectPerson(language, id);
            const Person& person = *full;
            QStringList parts;
            for (const LanguageNames* part : {&person.lastName, &person.name, &person.middleName}) {
                const auto found = part->find(language);
                if (found != part->end() && !found->second.isEmpty())
                    parts << found->second;
            }
            name = parts.join(QLatin1Char(' '));
        }
        names.emplace_back(id, name);
    }
    return names;
}

QVariantMap OpenBookStatus::getBookInfo() const
{
    try {
        if (!isBookOpen())
            throw Exception("Book not open");
        const BookBase& base = *m_book->bookBase();
        QVariantMap info;
        info.insert(QStringLiteral("bookName"), m_book->bookInfo()->name);
        const auto persons = [this](const std::vector<int>& ids) {
            QVariantList list;
            for (const auto& [id, name] : personNames(ids, true))
                list.append(QVariantMap{{QStringLiteral("id"), id}, {QStringLiteral("name"), name}});
            return list;
        };
        info.insert(QStringLiteral("authors"), persons(base.authors));
        info.insert(QStringLiteral("commentators"), persons(base.commentators));

        const C::Language language = tabStatus() ? tabStatus()->pageLanguage() : m_book->language();
        QStringList categories;
        HierarchyItems path;
        try {
            path = buildItemPath(*m_book->db(), language, C::Categories, C::Book, m_book->bookId());
        } catch (const DBNotFound&) {
            // A book in no category has no path to show.
        }
        while (!path.empty() && path.back().first != C::Category)
            path.pop_back();
        if (!path.empty())
            categories << toReadablePath(*m_book->db(), language, path);
        info.insert(QStringLiteral("categories"), categories);
        return info;
    } catch (const std::exception& e) {
        PageStatus::showError(errorText(e));
        return {};
    }
}

void OpenBookStatus::copyWithSource(const QString& sectionCode, const QString& selectedText, const QString& note)
{
    qDebug() << "OpenBookStatus::copyWithSource" << selectedText << note;
    try {
        if (!isBookOpen())
            throw Exception("ERROR 0xF6415644");
        QString source;
        QStringList authors;
        for (const auto& [id, name] : personNames(m_book->bookBase()->authors, false)) {
            if (!name.isEmpty())
                authors << name;
        }
        if (!authors.isEmpty())
            source = authors.join(QStringLiteral(", ")) + QLatin1Char('.');

        const BookInfo& info = *m_book->bookInfo();
        if (!info.name.isEmpty() || !info.shortName.isEmpty()) {
            if (!source.isEmpty())
                source += QLatin1Char(' ');
            source += info.name.isEmpty() ? info.shortName : info.name;
            if (const auto section = m_book->sectionItemByKey(sectionCode)) {
                const QString number = sectionCodeToString(*section);
                if (!number.isEmpty())
                    source += QStringLiteral(", ") + number;
            } else {
                qWarning() << "OpenBookStatus::copyWithSource" << "section not found";
            }
            if (!note.isEmpty()) {
                source += QStringLiteral(", ") + note;
                if (source.endsWith(QLatin1Char(':')))
                    source.chop(1);
            }
            source += QLatin1Char('.');
        }
        if (!info.ISBN.isEmpty()) {
            if (!source.isEmpty())
                source += QLatin1Char(' ');
            source += info.ISBN + QLatin1Char('.');
        }
        const QString text =
            selectedText.trimmed() + QStringLiteral("\n\n") + tr("Источник: ") + source;
        tabServices().setClipboardText(text, false);
    } catch (const std::exception& e) {
        const QString message = errorText(e);
        qWarning("copyWithSource: %s", qUtf8Printable(message));
        PageStatus::showError(message);
    }
}
