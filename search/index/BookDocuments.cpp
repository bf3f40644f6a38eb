#include "search/index/BookDocuments.h"

#include "core/Exception.h"
#include "core/ProgramConstants.h"
#include "search/index/FTFieldName.h"
#include "search/index/StringReader.h"

#include <QStringList>

namespace tarnolix {

namespace {

std::wstring decimal(qint64 value)
{
    return QString::number(value).toStdWString();
}

std::wstring joinedCategories(const std::vector<int>& categories)
{
    QStringList ids;
    ids.reserve(int(categories.size()));
    for (const int id : categories)
        ids << QString::number(id);
    return ids.join(QLatin1Char(' ')).toStdWString();
}

void setOrRemove(CachedDocument& cached, const wchar_t* name, const std::wstring& value)
{
    if (value.empty())
        cachedDocumentRemoveField(cached, name);
    else
        cached.set(name, value, Lucene::Field::STORE_YES, Lucene::Field::INDEX_ANALYZED);
}

} // namespace

void indexBookDocuments(int indexLanguage, CachedDocument& cached, const BookBase& base, const BookInfo& info,
                        const std::vector<std::shared_ptr<BookSection>>& sections,
                        const std::vector<std::shared_ptr<BookPart>>& parts, const IndexStopCheck& stopCheck,
                        const IndexDocumentSink& sink)
{
    if (info.language != indexLanguage)
        qWarning("Book language(%d) != index language(%d)", int(info.language), indexLanguage);
    qDebug("Indexing bookId=%d", base.id);
    if (parts.size() > sections.size())
        throw Exception("Indexing Unknown error 0x54657896");

    QString bookMacro = info.searchMacrosSection;
    if (!bookMacro.isEmpty())
        bookMacro.replace(QLatin1String(":book_slug"), base.slug);

    const std::wstring bookId = decimal(base.id);
    const std::wstring categories = joinedCategories(base.categories);
    const std::vector<FTFieldName>& contentFields = FTFieldName::registry();

    std::size_t partIndex = 0;
    for (const auto& section : sections) {
        if (partIndex >= parts.size() || parts[partIndex]->sectionCode != section->code)
            continue;
        const BookPart& part = *parts[partIndex++];
        stopCheck();

        const std::wstring sectionCode = part.sectionCode.toStdWString();
        std::wstring searchName;
        if (!bookMacro.isEmpty())
            searchName = QString(bookMacro).replace(QLatin1String(":section_slug"), section->slug).toStdWString();

        for (std::size_t j = 0; j < part.entities.size(); ++j) {
            const QStringList& paragraphs = part.entities[j]->texts;
            for (int k = 0; k < paragraphs.size(); ++k) {
                cached.set(IndexField::bid, bookId, Lucene::Field::STORE_YES, Lucene::Field::INDEX_NOT_ANALYZED);
                cached.set(IndexField::s, sectionCode, Lucene::Field::STORE_YES, Lucene::Field::INDEX_NOT_ANALYZED);
                cached.set(IndexField::ei, decimal(qint64(j)), Lucene::Field::STORE_YES,
                           Lucene::Field::INDEX_NOT_ANALYZED);
                cached.set(IndexField::pi, decimal(k), Lucene::Field::STORE_YES, Lucene::Field::INDEX_NOT_ANALYZED);
                setOrRemove(cached, IndexField::sn, searchName);
                setOrRemove(cached, IndexField::c, categories);

                const auto text = std::make_shared<const std::wstring>(
                    (j == 0 && k == 0 ? section->title + QLatin1String("\n\n") + paragraphs[k] : paragraphs[k])
                        .toStdWString());
                for (const FTFieldName& field : contentFields)
                    cached.set(field.toString(), Lucene::newLucene<StringReader>(text), Lucene::Field::TERM_VECTOR_NO);
                sink(cached.document(), *text);
            }
        }
    }
    if (partIndex != parts.size())
        throw Exception("Indexing Unknown error 0x54657898");
}

Lucene::TermPtr bookIdTerm(int bookId)
{
    return Lucene::newLucene<Lucene::Term>(IndexField::bid, decimal(bookId));
}

} // namespace tarnolix
