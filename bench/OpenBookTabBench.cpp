// Showing the next section of an open book in a real tab: the reader is at
// the end of the shown run; scrolling there makes the page logic serve the
// next section and append it, timed until the web view reports the taller
// page. Beside it, in the same run and interleaved, a bare web view with the
// same page shell (its own scheme handler, no page logic) appends the same
// section HTML by script when its scroll position changes. Medians of both
// and their ratio are printed. Needs a display (scripts/bench runs it under
// Xvfb).
#include "app/Startup.h"
#include "app/Tarnolix.h"
#include "core/LocationInfo.h"
#include "core/Settings.h"
#include "database/DatabasePool.h"
#include "pages/BookSectionItem.h"
#include "pages/HTMLCreator.h"
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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

int run(Tarnolix& app)
{
    app.locationInfo()->selectAccountLibrary(QStringLiteral("bench@tarnolix.invalid"));
    app.tarnolixStartup(std::this_thread::get_id());
    const auto db = currentDatabase();
    insertLongBook(*db);
    const auto info = db->selectBookInfo(kBookId, C::Russian);
    const auto sections = db->selectBookSections(kBookId, C::Russian);

    auto engine = createQmlEngine(app);
    engine->load(QUrl::fromLocalFile(QStringLiteral(TARNOLIX_BENCH_SOURCE_DIR "/OpenBookTabBench.qml")));
    auto* root = engine->rootObjects().isEmpty() ? nullptr : qobject_cast<QQuickWindow*>(engine->rootObjects().last());
    if (!root) {
        std::fprintf(stderr, "the bench window did not load\n");
        return 1;
    }
    root->show();
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

    const QString url = QStringLiteral("tarnolix://openbook.ru/Book-%1?catalogTab=Names&tabId=%2").arg(kBookId);
    QMetaObject::invokeMethod(currentTab(), "openUrl", Q_ARG(QVariant, QUrl(url.arg(tab->id()))));
    bare->setProperty("url", QUrl(url.arg(bareStatus->id())));
    if (!waitFor([&] { return !root->property("opened").toList().isEmpty(); }) ||
        !waitFor([&] { return !bare->property("loading").toBool() && bare->property("loadProgress").toInt() == 100; })) {
        std::fprintf(stderr, "the book did not open\n");
        return 1;
    }
    QObject* logic = tab->pageLogic();
    auto* page = qobject_cast<OpenBookStatus*>(tab->pageStatus());
    auto settled = [&] {
        QElapsedTimer quiet;
        return waitFor([&] {
            const bool idle = !logic->property("timerAddContentIsNeed").toBool() &&
                              !logic->property("ignoreScroll").toBool() && content->property("activeScriptCount").toInt() == 0;
            if (!idle || !quiet.isValid()) {
                quiet.start();
                return false;
            }
            return quiet.elapsed() > 250;
        });
    };
    auto answered = [&](const char* function, const QString& script) {
        const int before = root->property("answers").toInt();
        QMetaObject::invokeMethod(root, function, Q_ARG(QVariant, script));
        return waitFor([&] { return root->property("answers").toInt() > before; });
    };
    const auto creator = PageStatus::htmlCreator();
    auto sectionHtml = [&](std::size_t i) {
        const BookSectionItem item{sections[i], db->selectBookPart(sections[i]->code, C::Russian), i};
        return PageStatus::escapeJS(creator->getBookSections(info, item, nullptr));
    };
    const QString toEnd = QStringLiteral("window.scrollTo(0, document.scrollingElement.scrollHeight)");
    auto heightOf = [](QQuickItem* v) { return v->property("contentsSize").toSizeF().height(); };
    answered("runInBare", QStringLiteral("showPage()"));

    std::vector<double> ours;
    std::vector<double> bareTimes;
    std::size_t bareShown = 0;
    for (int round = 0; round < kRounds; ++round) {
        if (!settled()) {
            std::fprintf(stderr, "the tab did not settle\n");
            return 1;
        }
        const std::size_t last = page->bookMngr().lastShownIndex();
        if (last + 2 >= sections.size())
            break;

        // Ours: to the end of the run; the logic appends the next section.
        double height = heightOf(view);
        QElapsedTimer timer;
        timer.start();
        QMetaObject::invokeMethod(root, "runInTab", Q_ARG(QVariant, toEnd));
        if (!waitFor([&] { return heightOf(view) > height; })) {
            std::fprintf(stderr, "no section came in the tab\n");
            return 1;
        }
        ours.push_back(timer.nsecsElapsed() / 1e6);

        // Bare: the same sections shown, then the same step by script.
        QString catchUp;
        for (; bareShown <= last; ++bareShown)
            catchUp += QStringLiteral("appendSection(\"%1\");\n").arg(sectionHtml(bareShown));
        if (!catchUp.isEmpty())
            answered("runInBare", catchUp + QStringLiteral("true"));
        answered("runInBare", QStringLiteral("window.scrollTo(0, 0); true"));
        waitFor([&] { return bare->property("scrollPosition").toPointF().y() == 0; });
        root->setProperty("pendingBareHtml", sectionHtml(bareShown++));
        height = heightOf(bare);
        timer.restart();
        QMetaObject::invokeMethod(root, "runInBare", Q_ARG(QVariant, toEnd));
        if (!waitFor([&] { return heightOf(bare) > height; })) {
            std::fprintf(stderr, "no section came in the bare view\n");
            return 1;
        }
        bareTimes.push_back(timer.nsecsElapsed() / 1e6);
    }
    const double a = median(ours);
    const double b = median(bareTimes);
    std::printf("next section shown in the tab (page logic): median %.2f ms over %zu rounds\n", a, ours.size());
    std::printf("bare web view appending the same HTML:      median %.2f ms over %zu rounds\n", b,
                bareTimes.size());
    std::printf("ratio %.2fx (goal <= 1.2x)\n", b > 0 ? a / b : 0.0);
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
