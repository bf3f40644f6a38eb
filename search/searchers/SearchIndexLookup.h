#pragma once
// How a search reaches the index writer thread of a language (its shared
// reader, and the request to close the index after a failed search) without
// reaching for the application object: the application installs its lookup
// when the account runtime opens and removes it when it closes; tests
// install their own.

#include <functional>

namespace tarnolix {

class IndexWriterThread;

using IndexWriterThreadLookup = std::function<IndexWriterThread*(unsigned languageId)>;

// Any thread; an empty lookup removes it.
void setIndexWriterThreadLookup(IndexWriterThreadLookup lookup);

// The writer thread of `languageId`. Throws std::out_of_range for a language
// other than 1 to 3 and Exception "Index writer thread is closed" when no
// lookup is installed or it has no thread for the language.
IndexWriterThread* indexWriterThreadFor(unsigned languageId);

} // namespace tarnolix
