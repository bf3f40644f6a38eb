#pragma once
// A reusable Lucene++ document: its fields are made once and refilled for
// every document an index writer adds, so indexing a book allocates no new
// fields per paragraph. A field's modes are fixed by its first use.

#include "search/index/LuceneClass.h"

#include <map>
#include <string>

namespace tarnolix {

class CachedDocument
{
public:
    // No document and no fields: cachedDocumentClear gives it a document.
    CachedDocument() = default;

    // A text field. A cached name must come with the modes it was made with,
    // else std::invalid_argument "CachedDocument::set: Invalid arguments".
    // Throws Exception when there is no document.
    void set(const std::wstring& name, const std::wstring& text, Lucene::Field::Store store,
             Lucene::Field::Index index);
    // A field analysed from `reader`; a cached name must have `termVector`.
    void set(const std::wstring& name, const Lucene::ReaderPtr& reader, Lucene::Field::TermVector termVector);

    // May be empty.
    const Lucene::DocumentPtr& document() const { return m_document; }

private:
    struct CachedField
    {
        Lucene::FieldPtr field;
        Lucene::Field::Store store;
        Lucene::Field::Index index;
        Lucene::Field::TermVector termVector;
        bool inDocument = false;
    };

    const Lucene::DocumentPtr& documentOrThrow() const;
    void addIfAbsent(CachedField& cached);

    Lucene::DocumentPtr m_document;
    std::map<std::wstring, CachedField> m_fields;

    friend void cachedDocumentRemoveField(CachedDocument& cached, const std::wstring& name);
    friend void cachedDocumentClear(CachedDocument& cached);
    friend void cachedDocumentReset(CachedDocument& cached);
};

// Takes the field out of the document and keeps it for later reuse; an
// unknown name is ignored.
void cachedDocumentRemoveField(CachedDocument& cached, const std::wstring& name);
// A new empty document; every cached field dropped.
void cachedDocumentClear(CachedDocument& cached);
// No document; every cached field dropped.
void cachedDocumentReset(CachedDocument& cached);

} // namespace tarnolix
