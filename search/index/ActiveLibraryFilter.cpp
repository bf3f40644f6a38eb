#include "search/index/ActiveLibraryFilter.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <unordered_set>
#include <vector>

namespace tarnolix {

namespace {

// Admits every document of a reader without a bit per document.
class AllDocsIterator : public Lucene::DocIdSetIterator
{
public:
    explicit AllDocsIterator(int32_t maxDoc) : m_maxDoc(maxDoc) {}
    ~AllDocsIterator() override = default;
    TARNOLIX_LUCENE_CLASS(AllDocsIterator);

    int32_t docID() override { return m_doc; }
    int32_t nextDoc() override { return advance(0); }
    // Never backwards: the next document at or after target.
    int32_t advance(int32_t target) override
    {
        if (m_doc != NO_MORE_DOCS) {
            const int32_t doc = std::max(target, m_doc + 1);
            m_doc = doc < m_maxDoc ? doc : NO_MORE_DOCS;
        }
        return m_doc;
    }

private:

    const int32_t m_maxDoc;
    int32_t m_doc = -1;
};

class AllDocsIdSet : public Lucene::DocIdSet
{
public:
    explicit AllDocsIdSet(int32_t maxDoc) : m_maxDoc(maxDoc) {}
    ~AllDocsIdSet() override = default;
    TARNOLIX_LUCENE_CLASS(AllDocsIdSet);

    Lucene::DocIdSetIteratorPtr iterator() override { return Lucene::newLucene<AllDocsIterator>(m_maxDoc); }
    bool isCacheable() override { return true; }

private:
    const int32_t m_maxDoc;
};

class MembershipFilter : public Lucene::Filter
{
public:
    MembershipFilter(std::wstring field, std::unordered_set<std::wstring> bookIds)
        : m_field(std::move(field))
        , m_bookIds(std::move(bookIds))
    {
    }
    ~MembershipFilter() override = default;

    TARNOLIX_LUCENE_CLASS(MembershipFilter);

    Lucene::DocIdSetPtr getDocIdSet(const Lucene::IndexReaderPtr& reader) override;

private:
    const std::wstring m_field;
    const std::unordered_set<std::wstring> m_bookIds;
};

template <class Enumerator>
void closeQuietly(const Enumerator& enumerator)
{
    if (!enumerator)
        return;
    try {
        enumerator->close();
    } catch (...) {
    }
}

Lucene::DocIdSetPtr MembershipFilter::getDocIdSet(const Lucene::IndexReaderPtr& reader)
{
    if (m_bookIds.empty())
        return Lucene::DocIdSet::EMPTY_DOCIDSET();

    const int32_t maxDoc = reader->maxDoc();
    const Lucene::TermEnumPtr termEnum = reader->terms(Lucene::newLucene<Lucene::Term>(m_field, L""));
    Lucene::TermDocsPtr termDocs;
    Lucene::DocIdSetPtr result;
    try {
        // One walk over the field's terms: which of them are members, and
        // whether every document carries one.
        std::vector<Lucene::TermPtr> members;
        bool allMembers = true;
        int64_t memberDocs = 0;
        do {
            const Lucene::TermPtr term = termEnum->term();
            if (!term || term->field() != m_field)
                break;
            if (m_bookIds.count(term->text()) != 0) {
                members.push_back(term);
                memberDocs += termEnum->docFreq();
            } else {
                allMembers = false;
            }
        } while (termEnum->next());

        if (allMembers && memberDocs == maxDoc) {
            result = Lucene::newLucene<AllDocsIdSet>(maxDoc);
        } else {
            const auto bits = Lucene::newLucene<Lucene::OpenBitSet>(maxDoc);
            termDocs = reader->termDocs();
            for (const Lucene::TermPtr& term : members) {
                termDocs->seek(term);
                while (termDocs->next())
                    bits->fastSet(termDocs->doc());
            }
            result = bits;
        }
    } catch (...) {
        closeQuietly(termDocs);
        closeQuietly(termEnum);
        throw;
    }
    closeQuietly(termDocs);
    closeQuietly(termEnum);
    return result;
}

[[noreturn]] void fail(const char* text)
{
    throw std::runtime_error(text);
}

} // namespace

Lucene::FilterPtr readActiveLibraryBooks(const QSqlDatabase& database, int language, const std::wstring& field)
{
    if (language < 1 || language > 3 || field.empty() || !database.isOpen()
        || database.driverName() != QLatin1String("QSQLITE"))
        fail("Cannot verify active search library");

    QSqlQuery query(database);
    query.setForwardOnly(true);
    const QString sql =
        QStringLiteral("SELECT info.id FROM BookInfo%1 AS info INNER JOIN BookBase AS base ON base.id=info.id")
            .arg(language);
    if (!query.exec(sql))
        fail("Cannot read active search library");

    std::unordered_set<std::wstring> bookIds;
    while (query.next()) {
        bool ok = false;
        const qint64 id = query.value(0).toLongLong(&ok);
        if (!ok || id < 1 || id > std::numeric_limits<int32_t>::max())
            fail("Invalid active search library membership");
        bookIds.insert(QString::number(id).toStdWString());
    }
    if (query.lastError().isValid())
        fail("Cannot finish reading active search library");

    return Lucene::newLucene<MembershipFilter>(field, std::move(bookIds));
}

} // namespace tarnolix
