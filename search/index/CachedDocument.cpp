#include "search/index/CachedDocument.h"

#include "core/Exception.h"

#include <stdexcept>

namespace tarnolix {

namespace {

[[noreturn]] void throwInvalidArguments()
{
    throw std::invalid_argument("CachedDocument::set: Invalid arguments");
}

} // namespace

const Lucene::DocumentPtr& CachedDocument::documentOrThrow() const
{
    if (!m_document)
        throw Exception("CachedDocument::set: No document");
    return m_document;
}

void CachedDocument::addIfAbsent(CachedField& cached)
{
    if (!cached.inDocument) {
        m_document->add(cached.field);
        cached.inDocument = true;
    }
}

void CachedDocument::set(const std::wstring& name, const std::wstring& text, Lucene::Field::Store store,
                         Lucene::Field::Index index)
{
    documentOrThrow();
    const auto found = m_fields.find(name);
    if (found != m_fields.end()) {
        CachedField& cached = found->second;
        if (cached.store != store || cached.index != index)
            throwInvalidArguments();
        cached.field->setValue(text);
        addIfAbsent(cached);
        return;
    }
    CachedField cached{Lucene::newLucene<Lucene::Field>(name, text, store, index, Lucene::Field::TERM_VECTOR_NO), store,
                       index, Lucene::Field::TERM_VECTOR_NO};
    addIfAbsent(m_fields.emplace(name, std::move(cached)).first->second);
}

void CachedDocument::set(const std::wstring& name, const Lucene::ReaderPtr& reader,
                         Lucene::Field::TermVector termVector)
{
    documentOrThrow();
    const auto found = m_fields.find(name);
    if (found != m_fields.end()) {
        CachedField& cached = found->second;
        if (cached.termVector != termVector)
            throwInvalidArguments();
        cached.field->setValue(reader);
        addIfAbsent(cached);
        return;
    }
    // A reader-valued field is analysed and never stored.
    CachedField cached{Lucene::newLucene<Lucene::Field>(name, reader, termVector), Lucene::Field::STORE_NO,
                       Lucene::Field::INDEX_ANALYZED, termVector};
    addIfAbsent(m_fields.emplace(name, std::move(cached)).first->second);
}

void cachedDocumentRemoveField(CachedDocument& cached, const std::wstring& name)
{
    const auto found = cached.m_fields.find(name);
    if (found == cached.m_fields.end() || !found->second.inDocument || !cached.m_document)
        return;
    cached.m_document->removeField(name);
    found->second.inDocument = false;
}

void cachedDocumentClear(CachedDocument& cached)
{
    cached.m_document = Lucene::newLucene<Lucene::Document>();
    cached.m_fields.clear();
}

void cachedDocumentReset(CachedDocument& cached)
{
    cached.m_document.reset();
    cached.m_fields.clear();
}

} // namespace tarnolix
