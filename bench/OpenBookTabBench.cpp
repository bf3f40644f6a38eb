// An open book in a real tab, beside a bare web view with the same page
// shell (its own scheme handler, no page logic), interleaved in one run:
// - the next section: the reader at the end of the shown run scrolls there,
//   the page logic serves the next section and appends it, timed until the
//   web view reports the taller page; the bare view appends the same HTML by
//   script when its scroll position changes;
// - opening the book from the new-tab page as the catalogue does (the book's
//   URL in the tab) until its first sections are painted, then the next
//   section; the bare side is the least that needs: the same sections read
//   and unpacked from the library file, their HTML appended by one script in
//   the loaded page until it lays out, and the same next step.
// p50 and p90 of each side and their ratio are printed. Needs a display
// (scripts/bench runs it under Xvfb).
#include "app/Startup.h"
#include "app/Tarnolix.h"
#include "bench/Percentiles.h"
#include "bench/SectionLibrary.h"
#include "core/LocationInfo.h"
#include "core/Settings.h"
#include "database/DatabasePool.h"
#include "pages/BookSectionItem.h"
#include "pages/HTMLCreator.h"
#include "pages/UrlCreator.h"
#include "tabs/OpenBookStatus.h"
#include "tabs/PageStatus.h"
#include "tabs/TabStatus.h"
#include "tests/tabs/NumberedBook.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

namespace {

namespace nb = tarnolix::test::numbered;
using C = TarnolixConstants;

constexpr int kBookId = 130;
constexpr int kSections = 1500;
constexpr int kRounds = 25;
constexpr int kOpenRounds = 10;

bool waitFor(const std::function<bool()>& done, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

bool makeXdgFolders(const QString& root)
{
    for (const char* name : {"config", "data", "cache", "state", "runtime"}) {
        const QString path = root + QLatin1Char('/') + QLatin1String(name);
        if (!QDir().mkpath(path))
            return false;
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QByteArray variable = name == QLatin1String("config")  ? "XDG_CONFIG_HOME"
                                    : name == QLatin1String("data")  ? "XDG_DATA_HOME"
                                    : name == QLatin1String("cache") ? "XDG_CACHE_HOME"
                                    : name == QLatin1String("state") ? "XDG_STATE_HOME"
                                                                     : "XDG_RUNTIME_DIR";
        qputenv(variable.constData(), QFile::encodeName(path));
    }
    return true;
}

// A long book: verses of the numbered fixture's text, 1500 sections.
void insertLongBook(TarnolixDB& db)
{
    std::vector<nb::Numbered> rows;
    for (int s = 1; static_cast<int>(rows.size()) < kSections; ++s) {
        for (int v = 1; v <= 50 && static_cast<int>(rows.size()) < kSections; ++v)
            rows.push_back({QStringLiteral("b%1v%2").arg(s).arg(v), QString(),
                            QStringLiteral("song-%1.verse-%2").arg(s).arg(v), s, 1, v});
    }
    db.deleteBook(kBookId);
    BookBase base;
    base.id = kBookId;
    base.slug = QStringLiteral("dolgaya-reka");
    base.name = QStringLiteral("Dolgaya reka");
    base.languages = {C::Russian};
    db.insertBookBase(base);
    nb::insertEdition(db, kBookId, C::Russian, QStringLiteral("Долгая река"), QStringLiteral("Долгая"), QString(),
                      rows, QString(), true);
}

// Runs `script` in the tab or the bare view and waits for its answer.
class Driver
{
public:
    explicit Driver(QQuickWindow* root)
        : m_root(root)
    {
    }

    bool run(const char* function, const QString& script)
    {
        const int before = m_root->property("answers").toInt();
        QMetaObject::invokeMethod(m_root, function, Q_ARG(QVariant, script));
        return waitFor([&] { return m_root->property("answers").toInt() > before; });
    }

    // Waits until `shown` holds, then for the next frame the window draws.
    bool painted(const std::function<bool()>& shown)
    {
        if (!waitFor(shown))
            return false;
        bool swapped = false;
        const auto connection = QObject::connect(m_root, &QQuickWindow::frameSwapped, [&] { swapped = true; });
        m_root->update();
        const bool done = waitFor([&] { return swapped; });
        QObject::disconnect(connection);
        return done;
    }

private:
    QQuickWindow* m_root;
};

void print(const char* what, const std::vector<double>& times)
{
    const bench::Percentiles p = bench::percentiles(times);
    std::printf("%-52s p50 %8.2f ms  p90 %8.2f ms  (%zu rounds)\n", what, p.p50, p.p90, times.size());
}

void printRatio(const char* goal, const std::vector<double>& ours, const std::vector<double>& bare)
{
    const bench::Percentiles a = bench::percentiles(ours);
    const bench::Percentiles b = bench::percentiles(bare);
    std::printf("ratio p50 %.2fx, p90 %.2fx (goal <= %s)\n\n", bench::ratio(a.p50, b.p50), bench::ratio(a.p90, b.p90),
                goal);
}

int run(Tarnolix& app)
{
    // As a sign-in does: the account's half of the text key, then its library.
    app.cipherKeyPair().setKeyFromString(QStringLiteral("bench@tarnolix.invalid"));
    app.locationInfo()->selectAccountLibrary(QStringLiteral("bench@tarnolix.invalid"));
    app.tarnolixStartup(std::this_thread::get_id());
    const auto db = currentDatabase();
    insertLongBook(*db);
    const auto info = db->selectBookInfo(kBookId, C::Russian);
    const auto sections = db->selectBookSections(kBookId, C::Russian);
    bench::BareReader reader(app.locationInfo()->databasePath(), app.cipherKeyPair());

    auto engine = createQmlEngine(app);
    engine->load(QUrl::fromLocalFile(QStringLiteral(TARNOLIX_BENCH_SOURCE_DIR "/OpenBookTabBench.qml")));
    auto* root = engine->rootObjects().isEmpty() ? nullptr : qobject_cast<QQuickWindow*>(engine->rootObjects().last());
    if (!root) {
        std::fprintf(stderr, "the bench window did not load\n");
        return 1;
    }
    root->show();
    Driver driver(root);
    auto* tabs = root->property("tabs").value<QQuickItem*>();
    auto currentTab = [&] { return tabs->property("currentTab").value<QQuickItem*>(); };
    auto* bare = root->property("bare").value<QQuickItem*>();
    auto* bareStatus = root->property("bareStatus").value<TabStatus*>();
    if (!waitFor([&] { return currentTab() && !currentTab()->property("webView").value<QQuickItem*>()->property("loading").toBool(); })) {
        std::fprintf(stderr, "no tab\n");
        return 1;
    }
    TabStatus* tab = currentTab()->property("status").value<TabStatus*>();
    QQuickItem* view = currentTab()->property("webView").value<QQuickItem*>();
    QObject* content = currentTab()->property("presentationContent").value<QObject*>();
    auto openedCount = [&] { return root->property("opened").toList().size(); };
    auto lastOpened = [&] { return root->property("opened").toList().value(openedCount() - 1).toBool(); };

    // The catalogue's road to a book it shows: the book's URL in the tab.
    const QString url = QStringLiteral("tarnolix://openbook.ru/Book-%1?catalogTab=Names&tabId=%2").arg(kBookId);
    const QUrl bookUrl(url.arg(tab->id()));
    QMetaObject::invokeMethod(currentTab(), "openUrl", Q_ARG(QVariant, bookUrl));
    bare->setProperty("url", QUrl(url.arg(bareStatus->id())));
    if (!waitFor([&] { return openedCount() > 0; }) ||
        !waitFor([&] { return !bare->property("loading").toBool() && bare->property("loadProgress").toInt() == 100; })) {
        std::fprintf(stderr, "the book did not open\n");
        return 1;
    }
    auto page = [&] { return qobject_cast<OpenBookStatus*>(tab->pageStatus()); };
    // Quiet for 250 ms: no refill due, no navigation, no script queued.
    auto settled = [&] {
        QElapsedTimer quiet;
        return waitFor([&] {
            QObject* logic = tab->pageLogic();
            const bool idle = logic && !logic->property("timerAddContentIsNeed").toBool() &&
                              !logic->property("ignoreScroll").toBool() &&
                              content->property("activeScriptCount").toInt() == 0;
            if (!idle || !quiet.isValid()) {
                quiet.start();
                return false;
            }
            return quiet.elapsed() > 250;
        });
    };
    const auto creator = PageStatus::htmlCreator();
    auto sectionHtml = [&](std::size_t i) {
        const BookSectionItem item{sections[i], db->selectBookPart(sections[i]->code, C::Russian), i};
        return PageStatus::escapeJS(creator->getBookSections(info, item, nullptr));
    };
    const QString toEnd = QStringLiteral("window.scrollTo(0, document.scrollingElement.scrollHeight)");
    auto heightOf = [](QQuickItem* v) { return v->property("contentsSize").toSizeF().height(); };
    driver.run("runInBare", QStringLiteral("showPage()"));

    // The bare view's side of one step: the next section appended when the
    // view scrolls to its end, as the page logic does without it.
    auto bareNext = [&](std::size_t index, double& ms) {
        driver.run("runInBare", QStringLiteral("window.scrollTo(0, 0); true"));
        waitFor([&] { return bare->property("scrollPosition").toPointF().y() == 0; });
        root->setProperty("pendingBareHtml", sectionHtml(index));
        const double height = heightOf(bare);
        QElapsedTimer timer;
        timer.start();
        QMetaObject::invokeMethod(root, "runInBare", Q_ARG(QVariant, toEnd));
        if (!waitFor([&] { return heightOf(bare) > height; }))
            return false;
        ms = timer.nsecsElapsed() / 1e6;
        return true;
    };
    // The tab's side: to the end of the run; the logic appends the next section.
    auto tabNext = [&](double& ms) {
        const double height = heightOf(view);
        QElapsedTimer timer;
        timer.start();
        QMetaObject::invokeMethod(root, "runInTab", Q_ARG(QVariant, toEnd));
        if (!waitFor([&] { return heightOf(view) > height; }))
            return false;
        ms = timer.nsecsElapsed() / 1e6;
        return true;
    };

    // ---- The next section, in the open book.
    std::vector<double> ours;
    std::vector<double> bareTimes;
    std::size_t bareShown = 0;
    for (int round = 0; round < kRounds; ++round) {
        if (!settled()) {
            std::fprintf(stderr, "the tab did not settle\n");
            return 1;
        }
        const std::size_t last = page()->bookMngr().lastShownIndex();
        if (last + 2 >= sections.size())
            break;
        double ms = 0;
        if (!tabNext(ms)) {
            std::fprintf(stderr, "no section came in the tab\n");
            return 1;
        }
        ours.push_back(ms);

        // The bare view shows the same sections, then takes the same step.
        QString catchUp;
        for (; bareShown <= last; ++bareShown)
            catchUp += QStringLiteral("appendSection(\"%1\");\n").arg(sectionHtml(bareShown));
        if (!catchUp.isEmpty())
            driver.run("runInBare", catchUp + QStringLiteral("true"));
        if (!bareNext(bareShown++, ms)) {
            std::fprintf(stderr, "no section came in the bare view\n");
            return 1;
        }
        bareTimes.push_back(ms);
    }
    print("next section shown in the tab (page logic):", ours);
    print("bare web view appending the same HTML:", bareTimes);
    printRatio("1.2x", ours, bareTimes);

    // ---- Opening the book to its first sections painted, then the next one.
    std::vector<double> opens, reported, nexts, oursTotal;
    std::vector<double> reads, appends, bareNexts, bareTotal;
    for (int round = 0; round < kOpenRounds; ++round) {
        // From the new-tab page, as a reader coming to the catalogue.
        const int before = openedCount();
        QMetaObject::invokeMethod(tab, "openBasePage");
        if (!waitFor([&] { return tab->pageStatusType() == UrlCreator::NewTab && !view->property("loading").toBool() &&
                                  view->opacity() == 1.0; })) {
            std::fprintf(stderr, "the new-tab page did not show\n");
            return 1;
        }
        QElapsedTimer timer;
        timer.start();
        QMetaObject::invokeMethod(currentTab(), "openUrl", Q_ARG(QVariant, bookUrl));
        if (!waitFor([&] { return openedCount() > before; }) || !lastOpened()) {
            std::fprintf(stderr, "the book did not open in the tab\n");
            return 1;
        }
        // The sections are in the page here; the view shows it when the
        // content view's 100 ms show timer after the load has run.
        reported.push_back(timer.nsecsElapsed() / 1e6);
        if (!driver.painted([&] { return !view->property("loading").toBool() && view->opacity() == 1.0; })) {
            std::fprintf(stderr, "the book did not show in the tab\n");
            return 1;
        }
        const double openMs = timer.nsecsElapsed() / 1e6;
        if (!settled()) {
            std::fprintf(stderr, "the tab did not settle\n");
            return 1;
        }
        const std::size_t first = page()->bookMngr().firstShownIndex();
        const std::size_t last = page()->bookMngr().lastShownIndex();
        double nextMs = 0;
        if (!tabNext(nextMs)) {
            std::fprintf(stderr, "no section came in the tab\n");
            return 1;
        }
        opens.push_back(openMs);
        nexts.push_back(nextMs);
        oursTotal.push_back(openMs + nextMs);

        // Bare: the same sections read and unpacked, their HTML put in a
        // loaded page by one script until it lays out, then the next step.
        QString title;
        bench::Pieces pieces;
        timer.restart();
        for (std::size_t i = first; i <= last + 1; ++i) {
            if (!reader.read(sections[i]->code, title, pieces)) {
                std::fprintf(stderr, "the bare read failed\n");
                return 1;
            }
        }
        const double readMs = timer.nsecsElapsed() / 1e6;
        QString script;
        for (std::size_t i = first; i <= last; ++i)
            script += QStringLiteral("appendSection(\"%1\");\n").arg(sectionHtml(i));
        driver.run("runInBare", QStringLiteral("clearContent(); window.scrollTo(0, 0); true"));
        waitFor([&] { return bare->property("scrollPosition").toPointF().y() == 0; });
        const double height = heightOf(bare);
        timer.restart();
        if (!driver.run("runInBare", script + QStringLiteral("true")) ||
            !driver.painted([&] { return heightOf(bare) != height; })) {
            std::fprintf(stderr, "the bare view did not take the sections\n");
            return 1;
        }
        const double appendMs = timer.nsecsElapsed() / 1e6;
        double bareNextMs = 0;
        if (!bareNext(last + 1, bareNextMs)) {
            std::fprintf(stderr, "no section came in the bare view\n");
            return 1;
        }
        reads.push_back(readMs);
        appends.push_back(appendMs);
        bareNexts.push_back(bareNextMs);
        bareTotal.push_back(readMs + appendMs + bareNextMs);
    }
    print("book opened in the tab, first sections painted:", opens);
    print("  of which to its sections in the page (not yet shown):", reported);
    print("  then the next section appended:", nexts);
    print("  together:", oursTotal);
    print("bare: the same sections read and unpacked:", reads);
    print("  their HTML appended in a loaded page, laid out:", appends);
    print("  the next section appended:", bareNexts);
    print("  together:", bareTotal);
    printRatio("1.5x", oursTotal, bareTotal);

    engine.reset();
    app.setTabControl(nullptr);
    app.setMainWindowDPCalculate(nullptr);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir root;
    if (!root.isValid() || !makeXdgFolders(root.path())) {
        std::fprintf(stderr, "cannot make the temporary XDG folders\n");
        return 1;
    }
    {
        QSettings settings(root.path() + QStringLiteral("/config/Tarnolix/Tarnolix.conf"), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Language"), QStringLiteral("ru"));
    }
    ProgramStart start(argc, argv);
    try {
        return run(start.app());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench failed: %s\n", e.what());
        return 1;
    }
}
