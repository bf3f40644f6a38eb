#include "favorites/FavoritesValidator.h"

#include "core/BookRecords.h"
#include "core/Exception.h"
#include "core/TarnolixText.h"
#include "database/TarnolixDB.h"
#include "favorites/FavoritesServices.h"
#include "pages/BookMngr.h"
#include "pages/HTMLCreator.h"

#include <QCoreApplication>
#include <QTextDocument>
#include <QtDebug>

using L = TarnolixConstants::Language;

namespace {

QString translated(const char* text)
{
    return QCoreApplication::translate("QApplication", text, "FavoritesValidator");
}

QString uuidText(const Favorite& favorite)
{
    return favorite.uuid().toString(QUuid::WithBraces);
}

// (code, 0-based index) of the section the slug names.
std::pair<QString, quint64> sectionBySlug(TarnolixDB& db, L language, int bookId, const QString& slug)
{
    QString code = FavoritesValidator::checkUniqueSectionSlug(db, language, bookId, slug);
    const auto section = db.selectBookSection(code, language).first;
    if (section->index >= 1)
        return {code, static_cast<quint64>(section->index - 1)};
    // (code, slug) rows in table order.
    const auto rows = db.selectSectionCodesAndSlugs(bookId, language);
    for (quint64 i = 0; i < rows.size(); ++i) {
        if (rows[i].second == slug)
            return {code, i};
    }
    // checkUniqueSectionSlug found it: only a change between the two reads
    // gets here.
    throw Exception(translated("Раздел книги не найден! (ERROR 0xE7841469)"));
}

// Plain text of the fragments, one line feed between them.
QString clearText(const QStringList& fragments)
{
    QString text;
    for (const QString& fragment : fragments) {
        const QString plain = TarnolixText::getClearText(fragment, fragment.size());
        if (text.isEmpty()) {
            text = plain;
            continue;
        }
        if (!text.endsWith(QLatin1Char('\n')))
            text += QLatin1Char('\n');
        text += plain;
    }
    return text;
}

QString withoutBreaksAndSpaces(QString text)
{
    text.remove(QLatin1Char('\n'));
    text.remove(QLatin1Char(' '));
    return text;
}

} // namespace

FavoritesValidator::FavoritesValidator(std::shared_ptr<TarnolixDB> db) : m_db(std::move(db)) {}

FavoritesValidator::~FavoritesValidator() = default;

QString FavoritesValidator::checkUniqueSectionSlug(TarnolixDB& db, L language, int bookId, const QString& slug)
{
    const std::vector<QString> codes = db.selectSectionCodesBySlug(bookId, language, slug);
    if (codes.size() == 1)
        return codes.front();
    if (codes.size() > 1) {
        qWarning("checkUniqueSectionSlug: %d sections found by slug: %s", static_cast<int>(codes.size()),
                 qUtf8Printable(slug));
        throw Exception(translated("Невозможно создать избранное для этого раздела книги!"));
    }
    qWarning("checkUniqueSectionSlug: section not found by slug: %s", qUtf8Printable(slug));
    throw Exception(translated("Раздел книги не найден! (ERROR 0xE7841469)"));
}

void FavoritesValidator::restorePositions(TarnolixDB& db, Favorite& favorite)
{
    SelectedPosition& start = favorite.startSelectedPosition();
    SelectedPosition& end = favorite.endSelectedPosition();
    const auto [startCode, startIndex] =
        sectionBySlug(db, favorite.language(), favorite.bookId(), start.sectionSlug().value_or(QString()));
    start.setSectionCode(startCode);
    start.setSectionIndex(startIndex);
    if (end.sectionSlug() == start.sectionSlug()) {
        end.setSectionCode(startCode);
        end.setSectionIndex(startIndex);
        return;
    }
    const auto [endCode, endIndex] =
        sectionBySlug(db, favorite.language(), favorite.bookId(), end.sectionSlug().value_or(QString()));
    end.setSectionCode(endCode);
    end.setSectionIndex(endIndex);
}

bool FavoritesValidator::init(int bookId, int language)
{
    const auto lang = static_cast<L>(language);
    try {
        m_bookInfo = m_db->selectBookInfo(bookId, lang);
    } catch (const DBNotFound& e) {
        qInfo("FavoritesValidator: init failed: %s", e.what());
        return false;
    }
    m_sectionsIndex = std::make_unique<BookMngrSectionsIndexes>(m_db, bookId, lang);
    // Editions of one book share section codes: a section rendered for the
    // previous book or language must not stand for this one.
    m_sectionHtml.clear();
    return true;
}

const QString& FavoritesValidator::sectionHtml(const QString& code)
{
    const auto cached = m_sectionHtml.find(code);
    if (cached != m_sectionHtml.end())
        return cached->second;

    const L language = m_bookInfo->language;
    const auto [section, bookId] = m_db->selectBookSection(code, language);
    if (bookId != m_bookInfo->bookId)
        throw Exception("Error 0xF4517953: Wrong bookId");
    std::shared_ptr<BookPart> part;
    try {
        part = m_db->selectBookPart(code, language);
    } catch (const DBNotFound&) {
        // A heading without text of its own renders as the reader sees it.
    }
    const auto item = BookMngr::createItem(*m_sectionsIndex, section, std::move(part));
    const auto creator = favoritesServices().htmlCreator();
    if (!creator)
        throw Exception("FavoritesValidator: no page generator");
    const BookSectionItem sectionItem{item->section, item->part, item->index};
    return m_sectionHtml.emplace(code, creator->getBookSections(m_bookInfo, sectionItem, nullptr)).first->second;
}

QStringList FavoritesValidator::getFavoriteText(const Favorite& favorite)
{
    const SelectedPosition& start = favorite.startSelectedPosition();
    const SelectedPosition& end = favorite.endSelectedPosition();
    const quint64 first = m_sectionsIndex->sectionIndex(start.sectionCode());
    const quint64 last =
        end.sectionCode() == start.sectionCode() ? first : m_sectionsIndex->sectionIndex(end.sectionCode());
    QStringList fragments;
    if (last < first)
        return fragments;
    for (quint64 i = first; i <= last; ++i) {
        const QString& html = sectionHtml(m_sectionsIndex->codes().at(i));
        const int from = i == first ? TarnolixText::getPosition(html, start.offset(), TarnolixText::ZeroAfterLeadingTags)
                                    : 0;
        const int to = i == last ? TarnolixText::getPosition(html, end.offset(), TarnolixText::ZeroIsError)
                                 : html.size();
        if (from == -1 || to == -1) {
            qWarning("FavoritesValidator::getFavoriteText: search text failed. favorite uuid: %s",
                     qUtf8Printable(uuidText(favorite)));
            continue;
        }
        fragments << html.mid(from, to - from);
    }
    return fragments;
}

bool FavoritesValidator::check(const Favorite& favorite)
{
    try {
        if (!m_sectionsIndex || !m_bookInfo)
            throw Exception("ERROR 0xF4517950");
        if (favorite.language() != m_bookInfo->language)
            throw Exception("ERROR 0xF4517951");
        if (favorite.bookId() != m_bookInfo->bookId)
            throw Exception("ERROR 0xF4517952");

        const QStringList fragments = getFavoriteText(favorite);
        const QString programText = clearText(fragments);
        const QString expected =
            favorite.favoriteText() ? *favorite.favoriteText() : m_db->selectFavoriteText(favorite.uuid());
        if (programText == expected)
            return true;

        qDebug("Process favorite text by QTextDocument");
        QTextDocument document;
        document.setHtml(fragments.join(QString()));
        const QString documentText = document.toPlainText();
        if (documentText == expected)
            return true;

        qInfo("Не удалось проверить текст избранного при импорте. Пробуем выполнить проверку текстов без "
              "переносов строк и пробелов");
        if (withoutBreaksAndSpaces(programText) == withoutBreaksAndSpaces(expected))
            return true;

        qInfo("FavoritesValidator: check failed: check favorite(uuid=%s) text error",
              uuidText(favorite).toLocal8Bit().constData());
        qInfo("rawFavoriteText: %s", qUtf8Printable(fragments.join(QString())));
        qInfo("favoriteText: %s", qUtf8Printable(expected));
        qInfo("tarnolixTextVariant: %s", qUtf8Printable(programText));
        qInfo("textDocumentVariant: %s", qUtf8Printable(documentText));
        return false;
    } catch (const std::exception& e) {
        qInfo("FavoritesValidator: check favorite(uuid=%s) failed: %s", qUtf8Printable(uuidText(favorite)), e.what());
        return false;
    }
}
