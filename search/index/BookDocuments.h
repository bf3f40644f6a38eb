#pragma once
// The documents of the full-text book index: one per paragraph of every
// section of a book edition, with the stored fields that searches filter on
// and read back, and the paragraph text analysed into the content fields.
//
//   field  value                                   stored  indexed
//   bid    book id, decimal                        yes     one term
//   s      section code                            yes     one term
//   ei     element index in the section, from 0    yes     one term
//   pi     paragraph index in the element, from 0  yes     one term
//   sn     the edition's search macro for the      yes     analysed; absent when
//          section (":book_slug", ":section_slug")         the macro is empty
//   c      category ids joined by spaces           yes     analysed; absent without one
//   A, E   the paragraph (title + "\n\n" first)    no      analysed from a reader

#include "core/BookRecords.h"
#include "search/index/CachedDocument.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarnolix {

// Called once per section that has a part; throws to abandon the book.
using IndexStopCheck = std::function<void()>;
// Called once per paragraph with the filled document and the paragraph text
// (for priming the analyzer); the same document object every time.
using IndexDocumentSink = std::function<void(const Lucene::DocumentPtr& document, const std::wstring& text)>;

// Turns one edition into documents. Sections without a part are skipped;
// parts must follow their sections' order. Throws Exception "Indexing
// Unknown error 0x54657896" when there are more parts than sections and
// "Indexing Unknown error 0x54657898" when parts are left over; what the
// stop check or the sink throws passes unchanged.
void indexBookDocuments(int indexLanguage, CachedDocument& cached, const BookBase& base, const BookInfo& info,
                        const std::vector<std::shared_ptr<BookSection>>& sections,
                        const std::vector<std::shared_ptr<BookPart>>& parts, const IndexStopCheck& stopCheck,
                        const IndexDocumentSink& sink);

// The term that names every document of a book: delete by it before the
// book is indexed again or when it leaves the library.
Lucene::TermPtr bookIdTerm(int bookId);

} // namespace tarnolix
