#include "tests/favorites/FavoritesFixture.h"

#include "database/TarnolixDB.h"

#include <QSqlQuery>

namespace tarnolix::test {

namespace {

std::shared_ptr<BookSection> section(const QString& code, int index, const QString& slug, const QString& name)
{
    auto s = std::make_shared<BookSection>();
    s->code = code;
    s->left = 2 * index - 1;
    s->right = 2 * index;
    s->depth = 1;
    s->index = index;
    s->slug = slug;
    s->name = name;
    s->title = name;
    return s;
}

std::shared_ptr<BookPart> part(const QString& code, const QString& text)
{
    auto p = std::make_shared<BookPart>();
    p->sectionCode = code;
    p->entities.push_back(std::make_shared<BookEntity>(1, QMap<QString, QString>{}, QStringList{text}));
    return p;
}

void insertEdition(TarnolixDB& db, int bookId, L language, const QString& name,
                   const std::vector<std::pair<std::shared_ptr<BookSection>, QString>>& sections)
{
    auto book = std::make_shared<Book>();
    book->info = std::make_shared<BookInfo>();
    book->info->bookId = bookId;
    book->info->language = language;
    book->info->name = book->info->shortName = name;
    for (const auto& [s, text] : sections) {
        book->sections.push_back(s);
        book->parts.push_back(part(s->code, text));
    }
    db.insertBook(book);
}

} // namespace

void FavoritesFixture::SetUp()
{
    LibraryFixture::SetUp();
    keys.setKeyFromString(QStringLiteral("reader@example.invalid"));
    keys.setIvFromString(QStringLiteral("/home/reader/.local/share/Tarnolix"));
    setBookTextCipher(&keys);

    BookBase base;
    base.id = kBookId;
    base.slug = QStringLiteral("gita");
    base.name = QStringLiteral("Gita");
    base.languages = {L::Russian, L::English};
    db->insertBookBase(base);
    for (L language : {L::Russian, L::English}) {
        std::vector<std::pair<std::shared_ptr<BookSection>, QString>> sections;
        for (int n = 1; n <= kSections; ++n) {
            const QString name = language == L::Russian ? QStringLiteral("Глава %1").arg(n)
                                                        : QStringLiteral("Chapter %1").arg(n);
            sections.emplace_back(section(QStringLiteral("c%1").arg(n), n, QStringLiteral("ch-%1").arg(n), name),
                                  sectionText(language, n));
        }
        insertEdition(*db, kBookId, language, language == L::Russian ? QStringLiteral("Гита") : "Gita", sections);
    }

    // Another book whose two sections share one slug.
    BookBase other;
    other.id = 8;
    other.slug = QStringLiteral("other");
    other.name = QStringLiteral("Other");
    other.languages = {L::Russian};
    db->insertBookBase(other);
    insertEdition(*db, 8, L::Russian, QStringLiteral("Другая"),
                  {{section("d1", 1, "dup", "Первая"), QStringLiteral("первый текст")},
                   {section("d2", 2, "dup", "Вторая"), QStringLiteral("второй текст")}});

    services.db = db;
    services.creator = std::make_shared<HTMLCreator>();
    helper = std::make_unique<FavoriteHelper>(db);
    services.helper = helper.get();
}

void FavoritesFixture::TearDown()
{
    services.helper = nullptr;
    helper.reset();
    setBookTextCipher(nullptr);
}

QString FavoritesFixture::sectionText(L language, int n)
{
    if (language == L::Russian) {
        // A character outside the BMP: two UTF-16 units before the words.
        if (n == 2)
            return QStringLiteral("Стих 2: \U0001D11E альфа бета гамма");
        // A no-break space, which a text document reads as a plain one.
        if (n == 6)
            return QStringLiteral("Стих 6: альфа\u00A0бета гамма");
        return QStringLiteral("Стих %1: альфа бета гамма").arg(n);
    }
    return QStringLiteral("Verse %1: alpha beta gamma").arg(n);
}

QString FavoritesFixture::pageHtml(L language, const QString& code)
{
    const auto info = db->selectBookInfo(kBookId, language);
    BookSectionItem item;
    item.section = db->selectBookSection(code, language).first;
    item.part = db->selectBookPart(code, language);
    item.index = static_cast<quint64>(item.section->index - 1);
    return services.creator->getBookSections(info, item, nullptr);
}

QVariantMap FavoritesFixture::position(L language, int n, const QString& before)
{
    const QString code = QStringLiteral("c%1").arg(n);
    const QString html = pageHtml(language, code);
    const int at = html.lastIndexOf(before);
    EXPECT_GE(at, 0) << qPrintable(before) << " not in " << qPrintable(html);
    return position(code, n - 1, html, at + before.size());
}

QVariantMap FavoritesFixture::position(const QString& code, int index, const QString& html, int offset)
{
    return QVariantMap{{QStringLiteral("sectionCode"), code},
                       {QStringLiteral("sectionIndex"), index},
                       {QStringLiteral("html"), html},
                       {QStringLiteral("offset"), offset}};
}

std::shared_ptr<const Favorite> FavoritesFixture::add(L language, const QVariant& start, const QVariant& end,
                                                      const QString& title, const QString& folder)
{
    QSignalSpy added(helper.get(), &FavoriteHelper::favoritesAdded);
    helper->addFavorite(kBookId, language, start, end, title, QStringLiteral("note"), QStringLiteral("text"),
                        folder);
    if (added.count() != 1)
        return nullptr;
    const auto favorites = added.at(0).at(0).value<FavoriteConstArray>();
    return favorites.size() == 1 ? favorites.front() : nullptr;
}

int FavoritesFixture::journalAction(const QString& table, const QUuid& uuid)
{
    QSqlQuery q = db->execSql(QStringLiteral("SELECT action FROM %1 WHERE itemUuid=?").arg(table),
                              QVariantList{TarnolixDB::uuidToString(uuid)});
    return q.next() ? q.value(0).toInt() : -1;
}

} // namespace tarnolix::test
