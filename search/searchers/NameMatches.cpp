#include "search/searchers/NameMatches.h"

#include "core/Exception.h"
#include "core/ProgramConstants.h"
#include "database/DatabasePool.h"
#include "database/TarnolixDB.h"
#include "search/index/ActiveLibraryFilter.h"
#include "search/index/ScopeQueries.h"
#include "search/searchers/FTSearchRecords.h"

#include <LuceneHeaders.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace tarnolix {

namespace {

using Language = TarnolixConstants::Language;

const QString kSectionSeparator = QStringLiteral(" • ");

// Every hit with its score; grows with the hits, not with the index.
class AllHitsCollector : public Lucene::Collector
{
public:
    struct Hit
    {
        int32_t doc;
        double score;
    };

    TARNOLIX_LUCENE_CLASS(AllHitsCollector);

    void setScorer(const Lucene::ScorerPtr& scorer) override { m_scorer = scorer; }
    void collect(int32_t doc) override { m_hits.push_back({m_docBase + doc, m_scorer.lock()->score()}); }
    void setNextReader(const Lucene::IndexReaderPtr&, int32_t docBase) override { m_docBase = docBase; }
    bool acceptsDocsOutOfOrder() override { return true; }

    // Best first; equal scores by document number.
    std::vector<Hit> sortedHits() const
    {
        std::vector<Hit> hits = m_hits;
        std::sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) {
            return a.score != b.score ? a.score > b.score : a.doc < b.doc;
        });
        return hits;
    }

private:
    Lucene::ScorerWeakPtr m_scorer;
    int32_t m_docBase = 0;
    std::vector<Hit> m_hits;
};

const FTSearchSettings& settingsOf(const FTSearchStatus& status)
{
    if (!status.ftSettings())
        throw Exception("cast search settings error");
    return *status.ftSettings();
}

bool restricted(const FTSearchSettings& settings)
{
    return settings.searchInBook() != 0 || !settings.categories().empty() || !settings.books().empty()
        || !settings.sections().isEmpty();
}

// The same book's page in `language`, or nothing when the library lacks
// that edition.
bool bookEdition(TarnolixDB& db, int bookId, Language language, MatchedEdition& edition)
{
    try {
        edition.info = db.selectBookInfo(bookId, language);
    } catch (const DBNotFound&) {
        return false;
    }
    edition.language = language;
    edition.address.tryCreateCategoryPath(db, language, bookId, TarnolixConstants::Book);
    return true;
}

} // namespace

NameMatchKinds nameMatchKinds(const QString& query)
{
    const QString q = query.toLower();
    int letters = 0;
    int digits = 0;
    int words = q.isEmpty() ? 0 : 1;
    bool operators = q.contains(QLatin1String(" and ")) || q.contains(QLatin1String(" or "))
                  || q.contains(QLatin1String(" not "));
    for (const QChar c : q) {
        if (c.isLetter())
            ++letters;
        else if (c.isDigit())
            ++digits;
        else if (c == QLatin1Char(' '))
            ++words;
        else if (QStringLiteral("\"%&'*?|").contains(c))
            operators = true;
    }
    NameMatchKinds kinds;
    if (operators)
        return kinds;
    kinds.authors = letters >= 4 && words >= 1 && words <= 5;
    kinds.bookNames = letters >= 4 && words >= 1 && words <= 10;
    kinds.shortNames = letters >= 1 && digits >= 1 && words >= 2 && words <= 3;
    return kinds;
}

std::shared_ptr<FTSearchResults> searchNameMatches(std::shared_ptr<FTSearchStatus> status,
                                                   Lucene::IndexSearcherPtr searcher)
{
    auto results = FTSearchResults::create(status);
    if (!status)
        throw Exception("cast search settings error");
    const FTSearchSettings& settings = settingsOf(*status);
    if (restricted(settings))
        return results;

    TarnolixDB& db = *currentDatabase();
    const NameMatchKinds kinds = nameMatchKinds(settings.query());
    if (kinds.authors)
        matchAuthors(db, *status, *results);
    if (kinds.bookNames)
        matchBookNames(db, *status, *results);
    if (kinds.shortNames)
        matchShortNames(db, searcher, *status, *results);
    return results;
}

void matchAuthors(TarnolixDB& db, const FTSearchStatus& status, FTSearchResults& results)
{
    const FTSearchSettings& settings = settingsOf(status);
    const Language language = settings.language();
    for (const TarnolixDB::PersonPtr& person :
         db.selectPersonsByExactName(language, settings.query().toLower(), QStringLiteral("author"))) {
        auto match = std::make_shared<AuthorMatch>();
        match->person = person;
        match->address.tryCreateCategoryPath(db, language, person->id, TarnolixConstants::Author);
        for (const Language bookLanguage : languageList()) {
            for (const auto& info : db.selectBooksByAuthor(person->id, bookLanguage)) {
                std::shared_ptr<AuthorMatch::Book>& book = match->booksById[info->bookId];
                if (!book) {
                    book = std::make_shared<AuthorMatch::Book>();
                    book->bookId = info->bookId;
                    match->books.push_back(book);
                }
                MatchedEdition edition;
                edition.language = bookLanguage;
                edition.info = info;
                edition.address.tryCreateCategoryPath(db, bookLanguage, info->bookId, TarnolixConstants::Book);
                book->editions.push_back(std::move(edition));
            }
        }
        results.addAuthorMatch(std::move(match));
    }
}

void matchBookNames(TarnolixDB& db, const FTSearchStatus& status, FTSearchResults& results)
{
    const FTSearchSettings& settings = settingsOf(status);
    const Language language = settings.language();
    for (const auto& info : db.selectBookInfoByShortName(settings.query().toLower(), language)) {
        auto match = std::make_shared<BookNameMatch>();
        match->book = db.selectBookBase(info->bookId);
        match->information = info;
        match->otherPublications = std::max(db.selectArchiBookSectionsCount(match->book->archiBookId) - 1, 0);
        match->address.tryCreateCategoryPath(db, language, info->bookId, TarnolixConstants::Book);
        match->authors = db.selectPersonsByIds(language, match->book->authors);
        for (const Language bookLanguage : languageList()) {
            MatchedEdition edition;
            if (bookEdition(db, info->bookId, bookLanguage, edition))
                match->languages.push_back(std::move(edition));
        }
        results.addBookNameMatch(std::move(match));
    }
}

void matchShortNames(TarnolixDB& db, const Lucene::IndexSearcherPtr& searcher, const FTSearchStatus& status,
                     FTSearchResults& results)
{
    const FTSearchSettings& settings = settingsOf(status);
    const Language language = settings.language();

    const auto parser =
        Lucene::newLucene<Lucene::QueryParser>(Lucene::LuceneVersion::LUCENE_CURRENT, IndexField::sn, status.analyzer());
    parser->setDefaultOperator(Lucene::QueryParser::AND_OPERATOR);
    const Lucene::QueryPtr query =
        restrictQueryToScope(settings.scope(), parser->parse(settings.query().trimmed().toStdWString()));
    const auto collector = Lucene::newLucene<AllHitsCollector>();
    searcher->search(query, readActiveLibraryBooks(db.sqlDatabase(), language, IndexField::bid), collector);

    std::set<QString> seenCodes;
    for (const AllHitsCollector::Hit& hit : collector->sortedHits()) {
        const Lucene::DocumentPtr document = searcher->doc(hit.doc);
        const int bookId = std::stoi(document->get(IndexField::bid));
        const QString code = QString::fromStdWString(document->get(IndexField::s));
        if (bookId == 0 || code.isEmpty())
            throw Exception("Read bookId or section code failed");
        if (!seenCodes.insert(code).second)
            continue;

        auto match = std::make_shared<ShortNameMatch>();
        match->book = db.selectBookBase(bookId);
        match->information = db.selectBookInfo(bookId, language);
        match->section = db.selectBookSection(code, language).first;
        match->part = db.selectBookPart(code, language);
        const BookSection& section = *match->section;
        match->address.tryCreateCategoryPath(db, language, code, TarnolixConstants::Section);
        match->archiPages = otherLanguageBookUrls(db, language, match->book->archiBookId, bookId, section, false);

        for (const Language other : match->book->languages) {
            if (other == language)
                continue;
            UrlCreatorImpl there = match->address;
            try {
                there.findBookWithDifferentLanguage(db, other);
            } catch (const DBNotFound&) {
                continue; // that edition is not in the library
            }
            const QString otherCode = there.getSectionCode();
            if (otherCode.isEmpty())
                continue;
            match->counterparts.push_back(
                {other, db.selectBookSection(otherCode, other).first, db.selectBookPart(otherCode, other)});
        }

        // The path from the top section down to the hit's; a damaged parent
        // chain that loops ends at the first repeat.
        QStringList names{section.name};
        std::set<QString> visited{section.code};
        for (QString parent = section.parentCode; !parent.isEmpty() && visited.insert(parent).second;) {
            const std::shared_ptr<BookSection> upper = db.selectBookSection(parent, language).first;
            names.prepend(upper->name);
            parent = upper->parentCode;
        }
        match->text = names.join(kSectionSeparator);
        results.addShortNameMatch(std::move(match));
    }
}

} // namespace tarnolix
