#pragma once
// How a search reaches the index writer thread of a language (its shared
// reader, and the request to close the index after a failed search) without
// reaching for the application object: the application installs its lookup
// when the account runtime opens and removes it when it closes; tests
// install their own.

#include "search/index/LuceneClass.h"

#include <functional>

namespace tarnolix {

class IndexWriterThread;
class SearchIndex;

using IndexWriterThreadLookup = std::function<IndexWriterThread*(unsigned languageId)>;

// Any thread; an empty lookup removes it.
void setIndexWriterThreadLookup(IndexWriterThreadLookup lookup);

// The writer thread of `languageId`. Throws std::out_of_range for a language
// other than 1 to 3 and Exception "Index writer thread is closed" when no
// lookup is installed or it has no thread for the language.
IndexWriterThread* indexWriterThreadFor(unsigned languageId);

// The shared reader of the book index of `languageId`, taken while the
// lookup is held, so that a writer thread removed with its lookup is never
// reached afterwards: a reader or a clear error. Throws as
// indexWriterThreadFor and IndexWriterThread::getReader.
Lucene::IndexReaderPtr bookIndexReader(unsigned languageId);

// The indexes the application holds once for every language.
enum class SharedIndex { WordByWord, Glossary };

using SharedIndexLookup = std::function<SearchIndex*(SharedIndex)>;

// Any thread; an empty lookup removes it. The owner removes it before the
// indexes go.
void setSharedIndexLookup(SharedIndexLookup lookup);

// The shared reader of that index, taken while the lookup is held. Throws
// Exception "Index is closed" when no lookup is installed or it has no such
// index, and the errors of SearchIndex::getReader.
Lucene::IndexReaderPtr sharedIndexReader(SharedIndex index);

} // namespace tarnolix
