// Numbering every section in catalogue order, as the library update does after
// each run: a categories model that reads the catalogue up front
// (setLoadAllData) walked depth first, each section's code taken in turn. Beside it, in the same run, the least any such walk must do: the
// two whole-table reads alone (every book with its categories, every section).
// For scale, the lazy model's walk, which reads each level with statements of
// its own.
//
// The library is generated in the shape of the stand-in server's synthetic
// library (tools/gen-library): three top categories of four subcategories
// each holding the books, and per book chapters of nine verses (two levels).
// Sizes: --books=N and --sections=N before the benchmark's own arguments
// (defaults 500 and 100).

#include "database/DatabasePool.h"
#include "database/DatabaseTransaction.h"
#include "database/TarnolixDB.h"
#include "models/CatalogCategoriesModel.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr auto kLanguage = TarnolixConstants::Russian;

const char* const kWords[] = {"дхарма", "йога", "знание", "свет", "путь", "слово", "песнь", "сказание",
                              "учитель", "ученик", "лотос", "река", "гора", "мудрость", "сердце", "тишина"};

struct Library
{
    QTemporaryDir dir;
    std::shared_ptr<TarnolixDB> db;
    int books = 500;
    int sectionsPerBook = 100;

    void build()
    {
        db = std::make_shared<TarnolixDB>();
        openTarnolixDB(*db, dir.filePath(QStringLiteral("Tarnolix.db")), 60000);
        db->initialize();
        std::mt19937 random(1);
        auto words = [&](int count) {
            QString text;
            for (int i = 0; i < count; ++i) {
                if (i)
                    text += QLatin1Char(' ');
                text += QString::fromUtf8(kWords[random() % std::size(kWords)]);
            }
            text[0] = text[0].toUpper();
            return text;
        };

        DatabaseTransaction transaction(db);
        std::vector<TarnolixDB::CategoryPtr> categories;
        std::vector<int> leaves;
        int left = 1;
        for (int top = 1; top <= 3; ++top) {
            auto category = std::make_shared<Category>();
            category->id = top;
            category->left = left++;
            category->leftEn = category->left;
            category->names[kLanguage] = words(1);
            categories.push_back(category);
            for (int i = 1; i <= 4; ++i) {
                auto sub = std::make_shared<Category>();
                sub->id = top * 10 + i;
                sub->parentId = top;
                sub->depth = 1;
                sub->left = left++;
                sub->leftEn = sub->left;
                sub->names[kLanguage] = words(2);
                categories.push_back(sub);
                leaves.push_back(sub->id);
            }
        }
        db->insertCategories(categories);

        for (int n = 0; n < books; ++n) {
            const int id = 1000 + n;
            BookBase base;
            base.id = id;
            base.slug = QStringLiteral("book-%1").arg(id);
            base.categories = {leaves[std::size_t(n) % leaves.size()]};
            base.languages = {kLanguage};
            db->insertBookBase(base);

            auto book = std::make_shared<Book>();
            book->info = std::make_shared<BookInfo>();
            book->info->bookId = id;
            book->info->language = kLanguage;
            book->info->shortName = words(3);
            book->info->name = book->info->shortName;
            QString chapter;
            int chapters = 0, verses = 0;
            for (int s = 0; s < sectionsPerBook; ++s) {
                auto section = std::make_shared<BookSection>();
                section->left = 2 * s + 1;
                section->right = section->left + 1;
                if (chapter.isEmpty() || verses == 9) {
                    chapter = QStringLiteral("%1-%2").arg(id).arg(++chapters);
                    verses = 0;
                    section->code = chapter;
                    section->index = chapters;
                    section->name = QString::number(chapters);
                } else {
                    section->code = QStringLiteral("%1.%2").arg(chapter).arg(++verses);
                    section->parentCode = chapter;
                    section->depth = 1;
                    section->index = verses;
                    section->name = QStringLiteral("%1.%2").arg(chapters).arg(verses);
                }
                section->slug = section->code;
                section->title = words(2);
                book->sections.push_back(section);
            }
            db->insertBook(book);
        }
        transaction.commit();
        db->reloadBooksExists();
    }
};

// Made and dropped by main, while the application object lives: the
// connection must close before it goes.
Library* g_library = nullptr;

Library& library()
{
    return *g_library;
}

// The update's walk: depth first, rows in order, every section's code taken
// in turn (its position is its place in `codes`; the update's table of
// positions is its own cost, not the walk's).
void walk(const QAbstractItemModel& model, const QModelIndex& parent, std::vector<QString>& codes)
{
    const int rows = model.rowCount(parent);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        if (model.data(index, CatalogModelBase::TypeRole).toInt() == TarnolixConstants::Section)
            codes.push_back(model.data(index, CatalogModelBase::IdRole).toString());
        if (model.hasChildren(index))
            walk(model, index, codes);
    }
}

void numberSections(benchmark::State& state, bool loadAll)
{
    Library& lib = library();
    const int expected = lib.books * lib.sectionsPerBook;
    for (auto _ : state) {
        CatalogCategoriesModel model(lib.db, nullptr);
        model.setLanguage(kLanguage);
        model.setLoadAllData(loadAll);
        model.reload(false);
        std::vector<QString> codes;
        codes.reserve(std::size_t(expected));
        walk(model, QModelIndex(), codes);
        if (int(codes.size()) != expected)
            state.SkipWithError("the walk missed sections");
        benchmark::DoNotOptimize(codes);
    }
}

void WalkLoadAll(benchmark::State& state)
{
    numberSections(state, true);
}

void WalkLazy(benchmark::State& state)
{
    numberSections(state, false);
}

void TwoReads(benchmark::State& state)
{
    TarnolixDB& db = *library().db;
    for (auto _ : state) {
        auto books = db.selectBooksWithCategories(kLanguage);
        auto sections = db.selectAllSections(kLanguage);
        benchmark::DoNotOptimize(books);
        benchmark::DoNotOptimize(sections);
    }
}

// On a shared machine other work only ever adds time: the fastest repetition
// is the steadiest figure, and the summary compares those.
double fastest(const std::vector<double>& v)
{
    return *std::min_element(v.begin(), v.end());
}

// Keeps each row's fastest wall and CPU time for the summary.
class Summary : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            // "TwoReads/real_time" and the like: the function's name.
            const std::string full = run.run_name.str();
            const std::string name = full.substr(0, full.find('/'));
            const Times times{run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min")
                m_fastest[name] = times;
            else if (run.run_type == Run::RT_Iteration && !m_fastest.count(name))
                m_single[name] = times;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void print(const Library& lib) const
    {
        const Times reads = time("TwoReads");
        std::printf("\nNumbering %d sections of %d books (fastest of the repetitions); "
                    "goal: walk <= 1.5x the two reads\n",
                    lib.books * lib.sectionsPerBook, lib.books);
        std::printf("%-28s %10s %7s %10s %7s\n", "", "wall (ms)", "ratio", "CPU (ms)", "ratio");
        for (const auto& [name, text] : {std::pair{"TwoReads", "two whole-table reads"},
                                         {"WalkLoadAll", "walk, all data read first"},
                                         {"WalkLazy", "walk, lazy model"}}) {
            const Times t = time(name);
            if (t.wall > 0 && reads.wall > 0 && reads.cpu > 0)
                std::printf("%-28s %10.1f %6.2fx %10.1f %6.2fx\n", text, t.wall, t.wall / reads.wall, t.cpu,
                            t.cpu / reads.cpu);
        }
    }

private:
    struct Times
    {
        double wall = 0;
        double cpu = 0;
    };

    Times time(const std::string& name) const
    {
        if (const auto it = m_fastest.find(name); it != m_fastest.end())
            return it->second;
        const auto it = m_single.find(name);
        return it == m_single.end() ? Times{} : it->second;
    }

    std::map<std::string, Times> m_fastest;
    std::map<std::string, Times> m_single;
};

// Takes "--name=N" out of the arguments.
bool takeSize(std::vector<char*>& args, const char* name, int& value)
{
    const std::string prefix = std::string("--") + name + "=";
    for (auto it = args.begin() + 1; it != args.end(); ++it) {
        if (std::strncmp(*it, prefix.c_str(), prefix.size()) == 0) {
            value = std::atoi(*it + prefix.size());
            args.erase(it);
            return value > 0;
        }
    }
    return true;
}

} // namespace

BENCHMARK(WalkLoadAll)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", fastest);
BENCHMARK(TwoReads)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", fastest);
BENCHMARK(WalkLazy)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(1);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    std::vector<char*> args(argv, argv + argc);
    auto owned = std::make_unique<Library>();
    g_library = owned.get();
    Library& lib = *owned;
    if (!takeSize(args, "books", lib.books) || !takeSize(args, "sections", lib.sectionsPerBook)) {
        std::fprintf(stderr, "--books and --sections take a positive number\n");
        return 2;
    }
    // Repeated and interleaved, compared by the fastest runs; later arguments win.
    std::string repetitions = "--benchmark_repetitions=15";
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, {repetitions.data(), interleave.data()});
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());

    std::fprintf(stderr, "Building a library of %d books x %d sections...\n", lib.books, lib.sectionsPerBook);
    lib.build();
    Summary summary;
    benchmark::RunSpecifiedBenchmarks(&summary);
    summary.print(lib);
    benchmark::Shutdown();
    g_library = nullptr;
    return 0;
}
