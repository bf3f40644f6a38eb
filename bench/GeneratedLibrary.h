#pragma once
// The generated benchmark library (tools/gen-library) stored in a library
// file with the program's own storage: each book's archive documents, as the
// stand-in server would send them, read by the program's book readers and
// saved as a library update saves them. The result is kept in a cache folder
// per plan, so later runs (and other benchmarks) start from it at once.

#include "core/TarnolixConstants.h"

#include <QString>

#include <map>

namespace tarnolix {
class GlossaryIndex;
class WordByWordIndex;
} // namespace tarnolix

namespace bench {

struct EditionTotals
{
    int books = 0;
    qint64 sections = 0;
    // Paragraph texts: one book-index document each.
    qint64 paragraphs = 0;
    // Their UTF-8 size.
    qint64 textBytes = 0;
};

struct GeneratedLibrary
{
    // The data folder: "Tarnolix.db", and the indexes a benchmark writes.
    QString folder;
    QString databasePath;
    std::map<TarnolixConstants::Language, EditionTotals> editions;
};

// Plan "books=N,sections=N,seed=N" as tools/gen-library takes it. The cache
// is $TARNOLIX_BENCH_CACHE, else "bench-cache" beside the executable.
// Stops the program with a message when the generator or a reader fails.
GeneratedLibrary loadGeneratedLibrary(const QString& plan);

// Fills the word-by-word index from the books' word-by-word paragraphs and
// the glossary index from the generator's glossaries, as a library update
// does, once per library (a mark in its folder says they are there); then
// opens both. The indexes' locations and the library connection must be
// set up on the calling thread. Stops the program when it fails.
void loadSharedIndexes(const QString& plan, const GeneratedLibrary& library, tarnolix::WordByWordIndex& wordByWord,
                       tarnolix::GlossaryIndex& glossary);

} // namespace bench
