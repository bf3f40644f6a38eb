// Opening a section as an open book does (the packed part read by its code,
// unpacked and decoded into paragraphs), beside the least that any reader of
// the same rows must do (SectionLibrary's bare reader). Both sides read the
// same codes in the same order from the same file, in the same run.
//
// The walk visits every section of a library once in a shuffled order before
// it repeats (its 6000 sections do not fit SQLite's page cache), and drops a
// hundredth of the file from the system's cache now and then, so reads come
// from SQLite's cache, mostly the system's cache, and about 5 % from the disk.
//
// The summary at the end prints each library's ratio to its bare side, and
// that of the same read through a Qt Sql statement (the way it was read
// before it was read in place).

#include "bench/MedianReporter.h"
#include "bench/SectionLibrary.h"
#include "database/BookTextCipher.h"
#include "database/TarnolixDB.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QSqlQuery>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace bench;

// ---- The rows.

void OpenSection(benchmark::State& state, Fixture fixture)
{
    Library& lib = library(fixture);
    std::size_t i = 0;
    for (auto _ : state) {
        if (i % kColdEvery == 0) {
            state.PauseTiming();
            lib.evict(i / kColdEvery * 37);
            state.ResumeTiming();
        }
        auto part = lib.db->selectBookPart(lib.codes[i++ % lib.codes.size()], kLanguage);
        if (part->entities.empty())
            state.SkipWithError("section did not decode");
        benchmark::DoNotOptimize(part);
    }
}

// The same read through a Qt Sql statement kept by its text, the text made
// on every call: how a section was read before it was read in place.
void OpenSectionThroughQtSql(benchmark::State& state, Fixture fixture)
{
    Library& lib = library(fixture);
    std::size_t i = 0;
    for (auto _ : state) {
        if (i % kColdEvery == 0) {
            state.PauseTiming();
            lib.evict(i / kColdEvery * 37);
            state.ResumeTiming();
        }
        const QString& code = lib.codes[i++ % lib.codes.size()];
        auto part = lib.db->execPrepared(
            QStringLiteral("SELECT title, data FROM %1 WHERE sectionCode=?").arg(QStringLiteral("BookParts2")),
            QVariantList{code}, [&](QSqlQuery& q) {
                auto read = std::make_shared<BookPart>();
                if (q.next()) {
                    read->sectionCode = code;
                    read->title = q.value(0).toString();
                    read->entities = TarnolixDB::bookEntitiesFromBytes(TarnolixDB::unpackBookPart(q.value(1).toByteArray()));
                }
                return read;
            });
        if (part->entities.empty())
            state.SkipWithError("section did not decode");
        benchmark::DoNotOptimize(part);
    }
}

void Bare(benchmark::State& state, Fixture fixture)
{
    Library& lib = library(fixture);
    BareReader bare(lib.path);
    QString title;
    Pieces pieces;

    // The same paragraphs and text as our side, or the comparison means nothing.
    const auto ours = lib.db->selectBookPart(lib.codes[0], kLanguage);
    std::vector<QString> texts;
    for (const auto& entity : ours->entities)
        texts.insert(texts.end(), entity->texts.begin(), entity->texts.end());
    if (!bare.read(lib.codes[0], title, pieces) || title != ours->title || pieces.texts != texts ||
        pieces.paragraphs != ours->entities.size())
        state.SkipWithError("bare read differs");

    std::size_t i = 0;
    for (auto _ : state) {
        if (i % kColdEvery == 0) {
            state.PauseTiming();
            lib.evict(i / kColdEvery * 37);
            state.ResumeTiming();
        }
        if (!bare.read(lib.codes[i++ % lib.codes.size()], title, pieces))
            state.SkipWithError("bare read failed");
        benchmark::DoNotOptimize(pieces);
    }
}

// The ratios to the bare side, after the run.
class Summary : public MedianReporter
{
public:
    void print() const
    {
        std::printf("\nCPU time per section read (median of repetitions); goal: realistic <= 1.5x bare\n");
        std::printf("%-12s %10s %10s %7s   %s\n", "library", "ours (us)", "bare (us)", "ratio",
                    "through Qt Sql (us, ratio)");
        for (const char* fixture : {"realistic", "worst_case"}) {
            const double ours = time(std::string("OpenSection/") + fixture);
            const double bare = time(std::string("Bare/") + fixture);
            const double qtSql = time(std::string("OpenSectionThroughQtSql/") + fixture);
            if (ours > 0 && bare > 0)
                std::printf("%-12s %10.1f %10.1f %6.2fx   %.1f, %.2fx\n", fixture, ours, bare, ours / bare, qtSql,
                            qtSql / bare);
        }
    }
};

} // namespace

BENCHMARK_CAPTURE(OpenSection, realistic, Fixture::Realistic)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(OpenSectionThroughQtSql, realistic, Fixture::Realistic)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Bare, realistic, Fixture::Realistic)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(OpenSection, worst_case, Fixture::WorstCase)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(OpenSectionThroughQtSql, worst_case, Fixture::WorstCase)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Bare, worst_case, Fixture::WorstCase)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    // On a shared machine one pass says little: repeat, interleave the rows,
    // and compare medians. Arguments given on the command line come after
    // these and win.
    std::vector<char*> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=7";
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, {repetitions.data(), interleave.data()});
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());

    std::fprintf(stderr, "Building the libraries...\n");
    library(Fixture::Realistic).describe("realistic");
    library(Fixture::WorstCase).describe("worst case");
    Summary summary;
    benchmark::RunSpecifiedBenchmarks(&summary);
    summary.print();
    benchmark::Shutdown();
    setBookTextCipher(nullptr);
    return 0;
}
