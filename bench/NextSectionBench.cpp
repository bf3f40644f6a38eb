// Serving the next section of an open book as a tab's open-book page does
// (the check that the book is still in the library, the packed part read,
// deciphered, inflated and decoded, the section HTML built and escaped for
// the page script), beside the least that any reader of the same rows must
// do (SectionLibrary's bare reader: sqlite3's own blob read, EVP, zlib, one
// QString per text piece). Both sides read the same sections in the same
// order from the same file, in the same run: book after book in a shuffled
// order, each from its first section to its last, as a reader scrolls, with
// a hundredth of the file dropped from the system's cache now and then.
//
// Opening each book (its section list) is left out of the timing: it is paid
// once per book, not once per section.
//
// The summary at the end prints each library's ratio to its bare side.

#include "bench/MedianReporter.h"
#include "bench/SectionLibrary.h"
#include "core/GlossaryContainer.h"
#include "database/BookTextCipher.h"
#include "database/DatabasePool.h"
#include "database/TarnolixDB.h"
#include "pages/HTMLCreator.h"
#include "pages/PageServices.h"
#include "tabs/OpenBookStatus.h"
#include "tabs/TabServices.h"
#include "tabs/TabStatus.h"
#include "tabs/TabStatusMngr.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QLoggingCategory>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace bench;

// What the tab and the page need of the program around them.
class BenchServices final : public PageServices, public TabServices
{
public:
    BenchServices()
    {
        PageServices::setCurrent(this);
        TabServices::setCurrent(this);
    }
    ~BenchServices() override
    {
        TabServices::setCurrent(nullptr);
        PageServices::setCurrent(nullptr);
    }

    TarnolixDB& guiDatabase() override { return *currentDatabase(); }
    void showError(const QString& message) override { error(message); }
    std::shared_ptr<const GlossaryContainer> glossaryContainer() override { return nullptr; }
    std::shared_ptr<const HTMLCreator> htmlCreator() override { return m_creator; }

    TabStatusMngr& tabStatusMngr() override { return m_tabs; }
    TarnolixConstants::Language interfaceLanguage() override { return TarnolixConstants::Russian; }
    void postShowError(const QString& message) override { error(message); }
    void showError(const QString&, const QString& message) override { error(message); }
    void showMessage(const QString&, const QString&) override {}
    void setClipboardText(const QString&, bool) override {}
    void favoriteMessageButtonClicked(const QString&) override {}
    void favoriteFolderMenuClicked(const QString&) override {}
    void favoriteBookMenuClicked(int) override {}
    void favoriteItemMenuClicked(const QString&) override {}
    void favoriteExportClicked() override {}
    void favoriteImportClicked() override {}

private:
    static void error(const QString& message) { std::fprintf(stderr, "error: %s\n", qUtf8Printable(message)); }

    std::shared_ptr<const HTMLCreator> m_creator = std::make_shared<HTMLCreator>();
    TabStatusMngr m_tabs;
};

// The books in the walk's order.
std::vector<int> bookOrder(const Library& lib)
{
    std::vector<int> order(static_cast<std::size_t>(lib.books));
    for (int b = 1; b <= lib.books; ++b)
        order[static_cast<std::size_t>(b - 1)] = b;
    std::shuffle(order.begin(), order.end(), std::mt19937(5));
    return order;
}

// One tab reading the library's books one after another.
class Reader
{
public:
    explicit Reader(Library& lib)
        : m_lib(lib)
        , m_pool(std::this_thread::get_id(), [p = lib.path] { return p; })
        , m_order(bookOrder(lib))
    {
        // The page takes the GUI thread's connection when it is made.
        setDatabasePool(&m_pool);
        m_page = std::make_unique<OpenBookStatus>();
        m_page->setTabStatus(&m_tab);
        m_tab.setPageStatus(m_page.get());
        m_page->initialize();
    }
    ~Reader()
    {
        m_page.reset();
        setDatabasePool(nullptr);
    }

    bool openNextBook()
    {
        const int book = m_order[m_next++ % m_order.size()];
        m_tab.setUrl(QUrl(QStringLiteral("tarnolix://openbook.ru/Book-%1?tabId=%2").arg(book).arg(m_tab.id())));
        return m_page->openBook() && m_page->bookMngr().sections().size() == static_cast<std::size_t>(m_lib.sectionsPerBook);
    }

    OpenBookStatus& page() { return *m_page; }

private:
    Library& m_lib;
    DatabasePool m_pool;
    TabStatus m_tab;
    std::unique_ptr<OpenBookStatus> m_page;
    std::vector<int> m_order;
    std::size_t m_next = 0;
};

void NextSection(benchmark::State& state, Fixture fixture)
{
    Library& lib = library(fixture);
    BenchServices services;
    Reader reader(lib);
    if (!reader.openNextBook()) {
        state.SkipWithError("book did not open");
        return;
    }
    std::size_t i = 0;
    for (auto _ : state) {
        if (i++ % kColdEvery == 0) {
            state.PauseTiming();
            lib.evict(i / kColdEvery * 37);
            state.ResumeTiming();
        }
        QVariant section = reader.page().getNextSection();
        if (!section.isValid()) {
            state.PauseTiming();
            const bool opened = reader.openNextBook();
            state.ResumeTiming();
            if (!opened) {
                state.SkipWithError("book did not open");
                break;
            }
            section = reader.page().getNextSection();
        }
        if (section.toMap().value(QStringLiteral("html")).toString().isEmpty())
            state.SkipWithError("section did not build");
        benchmark::DoNotOptimize(section);
    }
}

void Bare(benchmark::State& state, Fixture fixture)
{
    Library& lib = library(fixture);
    BareReader bare(lib.path);
    const std::vector<int> order = bookOrder(lib);
    QString title;
    Pieces pieces;
    std::size_t book = 0;
    int section = 0;
    std::size_t i = 0;
    for (auto _ : state) {
        if (i++ % kColdEvery == 0) {
            state.PauseTiming();
            lib.evict(i / kColdEvery * 37);
            state.ResumeTiming();
        }
        if (section == lib.sectionsPerBook) {
            section = 0;
            ++book;
        }
        const QString code = QStringLiteral("%1-%2").arg(order[book % order.size()]).arg(++section);
        if (!bare.read(code, title, pieces))
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
        std::printf("\nCPU time per section served (median of repetitions); goal: realistic <= 1.5x bare\n");
        std::printf("%-12s %10s %10s %7s\n", "library", "ours (us)", "bare (us)", "ratio");
        for (const char* fixture : {"realistic", "worst_case"}) {
            const double ours = time(std::string("NextSection/") + fixture);
            const double bare = time(std::string("Bare/") + fixture);
            if (ours > 0 && bare > 0)
                std::printf("%-12s %10.1f %10.1f %6.2fx\n", fixture, ours, bare, ours / bare);
        }
    }
};

} // namespace

BENCHMARK_CAPTURE(NextSection, realistic, Fixture::Realistic)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Bare, realistic, Fixture::Realistic)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(NextSection, worst_case, Fixture::WorstCase)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Bare, worst_case, Fixture::WorstCase)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    // The tab's web-channel object watches the clipboard: a GUI application,
    // with no screen needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
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
