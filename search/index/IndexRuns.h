#pragma once
// The opening and the end of an indexing run, shared by the indexes that the
// library updater writes (glossary, word by word).

namespace tarnolix {

class SearchIndex;

// Opens the index read-only. A missing directory is created and a missing
// index replaced by a new empty one, committed at once so that readers find
// an index, and left open for writing; logged as "<name> created with
// directory" and "<name> created". A prepared library's index passes those
// failures on.
void openIndexOrCreate(SearchIndex& index, const char* name);
// A process killed while it created an index can leave an unreadable
// segments file and nothing else: with no segment data there is nothing to
// lose, so those files are removed (true) and the index can be created again.
// An index holding any other file is left alone (false).
bool discardCutCreation(SearchIndex& index);

// Optimises and commits when a writer is open ("<name>::finishIndexing: Ok!"),
// else logs "<name>::finishIndexing: Skipped!". After a failed optimisation
// has released the writer nothing is committed. Errors are logged and not
// passed on.
void finishIndexRun(SearchIndex& index, const char* name);

} // namespace tarnolix
