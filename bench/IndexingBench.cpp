// Indexing a language's books: the program's index writer thread, from the
// rows of the language's queue table to its final optimise and commit,
// beside bare Lucene++ indexing the same paragraphs read the same way from
// the same library (StandardAnalyzer, a new Document with the same fields for
// every paragraph, the same writer settings, one optimise and commit at the
// end). The library is the stand-in's generated one (tools/gen-library),
// about 100 000 paragraphs per language by default.
//
// Each side runs in a process of its own, so its peak resident size is its
// own; the figures: paragraphs/s, MB/s of paragraph text (UTF-8), the final
// optimise and commit ("flush"), the index size and the peak RSS. Goal: ours
// at least 0.6 times the bare paragraphs/s.
//
//   bench_indexing [--plan books=N,sections=N,seed=N]

#include "bench/BenchIndexWriterHost.h"
#include "bench/BenchSupport.h"
#include "bench/GeneratedLibrary.h"
#include "core/BookRecords.h"
#include "core/LocationInfo.h"
#include "core/ProgramConstants.h"
#include "core/TarnolixEvents.h"
#include "database/BookTextCipher.h"
#include "database/DatabasePool.h"
#include "database/TarnolixDB.h"
#include "search/index/IndexWriterHost.h"
#include "search/index/IndexWriterThread.h"
#include "search/index/SearchIndex.h"

#include <LuceneHeaders.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <map>
#include <thread>

namespace {

using Language = TarnolixConstants::Language;
const char kDefaultPlan[] = "books=215,sections=100,seed=1";

struct Figures
{
    qint64 documents = 0;
    double seconds = 0;
    double flushSeconds = 0;
    double readSeconds = -1;
    qint64 indexBytes = 0;
    qint64 peakRssKiB = 0;
};

qint64 peakRssKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

qint64 directoryBytes(const QString& path)
{
    qint64 bytes = 0;
    QDirIterator it(path, QDir::Files);
    while (it.hasNext()) {
        it.next();
        bytes += it.fileInfo().size();
    }
    return bytes;
}

double since(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

void printResult(const Figures& f)
{
    std::printf("RESULT %lld %.6f %.6f %.6f %lld %lld\n", static_cast<long long>(f.documents), f.seconds,
                f.flushSeconds, f.readSeconds, static_cast<long long>(f.indexBytes),
                static_cast<long long>(f.peakRssKiB));
    std::fflush(stdout);
}

// ---- Ours: the index writer thread of the language.

using BenchHost = bench::BenchIndexWriterHost;

// The flush's start and end, from the writer's log; nothing else is printed.
QElapsedTimer g_clock;
qint64 g_flushStart = -1;
qint64 g_flushEnd = -1;

void benchMessages(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (text == QLatin1String("flushIndexingBooks"))
        g_flushStart = g_clock.nsecsElapsed();
    else if (text == QLatin1String("flushIndexingBooks - Ok!"))
        g_flushEnd = g_clock.nsecsElapsed();
    else if ((type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg) &&
             !text.startsWith(QLatin1String("Book language")))
        std::fprintf(stderr, "%s\n", qUtf8Printable(text));
}

Figures runOurs(const QString& folder, Language language)
{
    QTemporaryDir settingsDir;
    QSettings settings(settingsDir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Locations/Data"), folder);
    LocationInfo locations(settings);
    LocationInfo::setCurrent(&locations);
    setBookTextCipher(&bench::keyPair());
    const QString databasePath = locations.databasePath();
    DatabasePool pool(std::this_thread::get_id(), [databasePath] { return databasePath; });
    setDatabasePool(&pool);
    TarnolixEvents events;
    TarnolixEvents::setCurrent(&events);
    BenchHost host;
    tarnolix::IndexWriterHost::setCurrent(&host);

    // An existing empty index, and every book of the language queued.
    const QString indexPath = locations.indexPath(unsigned(language));
    QDir(indexPath).removeRecursively();
    Lucene::newLucene<Lucene::IndexWriter>(Lucene::FSDirectory::open(indexPath.toStdWString()),
                                           Lucene::newLucene<Lucene::WhitespaceAnalyzer>(), true,
                                           Lucene::IndexWriter::MaxFieldLengthUNLIMITED)
        ->close();
    TarnolixDB& db = *pool.database(std::this_thread::get_id(), true, 60000);
    db.setSetting(QStringLiteral("IndexOptimizeError"), false);
    db.queueAllBooksForIndexing(language, 1);

    Figures figures;
    g_clock.start();
    {
        tarnolix::IndexWriterThread writer{quint32(language)};
        QEventLoop loop;
        bool started = false;
        QObject::connect(&writer, &tarnolix::IndexWriterThread::activeChanged, &loop, [&] {
            started = started || writer.active();
            if (started && !writer.active())
                loop.quit();
        });
        writer.create();
        loop.exec();
        figures.seconds = since(g_clock);
        figures.documents = writer.getReader()->numDocs();
        writer.close(true);
    }
    if (g_flushStart >= 0 && g_flushEnd >= g_flushStart)
        figures.flushSeconds = double(g_flushEnd - g_flushStart) / 1e9;
    if (db.countBFI(language) != 0)
        std::fprintf(stderr, "ours: %d books left in the queue\n", db.countBFI(language));
    figures.indexBytes = directoryBytes(indexPath);
    figures.peakRssKiB = peakRssKiB();

    tarnolix::IndexWriterHost::setCurrent(nullptr);
    TarnolixEvents::setCurrent(nullptr);
    setDatabasePool(nullptr);
    LocationInfo::setCurrent(nullptr);
    return figures;
}

// ---- Bare Lucene++: the same paragraphs, read the same way.

Figures runBare(const QString& folder, Language language)
{
    setBookTextCipher(&bench::keyPair());
    auto db = std::make_shared<TarnolixDB>();
    db->open(folder + QStringLiteral("/Tarnolix.db"), 60000);
    std::vector<int> ids;
    QSqlQuery query = db->execSql(QStringLiteral("SELECT id FROM BookInfo%1 ORDER BY id").arg(int(language)));
    while (query.next())
        ids.push_back(query.value(0).toInt());

    const QString indexPath = folder + QStringLiteral("/BareIndex_%1").arg(int(language));
    QDir(indexPath).removeRecursively();
    Figures figures;
    QElapsedTimer clock;
    clock.start();
    const auto writer = Lucene::newLucene<Lucene::IndexWriter>(
        Lucene::FSDirectory::open(indexPath.toStdWString()),
        Lucene::newLucene<Lucene::StandardAnalyzer>(Lucene::LuceneVersion::LUCENE_CURRENT), true,
        Lucene::IndexWriter::MaxFieldLengthUNLIMITED);
    tarnolix::configureIndexWriter(writer);

    qint64 readNs = 0;
    for (const int id : ids) {
        QElapsedTimer read;
        read.start();
        const auto base = db->selectBookBase(id);
        const auto sections = db->selectBookSections(id, language);
        const auto parts = db->selectBookParts(id, language);
        const auto info = db->selectBookInfo(id, language);
        readNs += read.nsecsElapsed();

        QStringList categoryIds;
        for (const int category : base->categories)
            categoryIds << QString::number(category);
        const std::wstring categories = categoryIds.join(QLatin1Char(' ')).toStdWString();
        const std::wstring bookId = std::to_wstring(id);
        const QString macro = QString(info->searchMacrosSection).replace(QLatin1String(":book_slug"), base->slug);
        std::size_t partIndex = 0;
        for (const auto& section : sections) {
            if (partIndex >= parts.size() || parts[partIndex]->sectionCode != section->code)
                continue;
            const BookPart& part = *parts[partIndex++];
            const std::wstring code = part.sectionCode.toStdWString();
            const std::wstring searchName =
                macro.isEmpty() ? std::wstring() : QString(macro).replace(QLatin1String(":section_slug"), section->slug).toStdWString();
            for (std::size_t e = 0; e < part.entities.size(); ++e) {
                const QStringList& texts = part.entities[e]->texts;
                for (int p = 0; p < texts.size(); ++p) {
                    const QString text = e == 0 && p == 0 ? section->title + QLatin1String("\n\n") + texts[p] : texts[p];
                    const std::wstring wide = text.toStdWString();
                    const auto document = Lucene::newLucene<Lucene::Document>();
                    auto stored = [&](const wchar_t* name, const std::wstring& value, Lucene::Field::Index index) {
                        document->add(Lucene::newLucene<Lucene::Field>(name, value, Lucene::Field::STORE_YES, index));
                    };
                    stored(IndexField::bid, bookId, Lucene::Field::INDEX_NOT_ANALYZED);
                    stored(IndexField::s, code, Lucene::Field::INDEX_NOT_ANALYZED);
                    stored(IndexField::ei, std::to_wstring(e), Lucene::Field::INDEX_NOT_ANALYZED);
                    stored(IndexField::pi, std::to_wstring(p), Lucene::Field::INDEX_NOT_ANALYZED);
                    if (!searchName.empty())
                        stored(IndexField::sn, searchName, Lucene::Field::INDEX_ANALYZED);
                    if (!categories.empty())
                        stored(IndexField::c, categories, Lucene::Field::INDEX_ANALYZED);
                    document->add(Lucene::newLucene<Lucene::Field>(L"A", Lucene::newLucene<Lucene::StringReader>(wide)));
                    document->add(Lucene::newLucene<Lucene::Field>(L"E", Lucene::newLucene<Lucene::StringReader>(wide)));
                    writer->addDocument(document);
                }
            }
        }
    }
    QElapsedTimer flush;
    flush.start();
    writer->optimize();
    writer->commit();
    figures.flushSeconds = since(flush);
    figures.documents = writer->numDocs();
    writer->close();
    figures.seconds = since(clock);
    figures.readSeconds = double(readNs) / 1e9;
    figures.indexBytes = directoryBytes(indexPath);
    figures.peakRssKiB = peakRssKiB();
    QDir(indexPath).removeRecursively();
    db->close();
    return figures;
}

// ---- The driver.

Figures runSide(const QString& side, const QString& folder, Language language)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.setReadChannel(QProcess::StandardOutput);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--side"), side, QStringLiteral("--folder"), folder, QStringLiteral("--language"),
                 QString::number(int(language))});
    if (!child.waitForFinished(-1) || child.exitCode() != 0) {
        std::fprintf(stderr, "%s side failed:\n%s\n", qUtf8Printable(side), child.readAllStandardError().constData());
        std::exit(1);
    }
    const QByteArray errors = child.readAllStandardError();
    if (!errors.isEmpty())
        std::fprintf(stderr, "%s", errors.constData());
    Figures f;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        long long documents = 0, bytes = 0, rss = 0;
        if (std::sscanf(line.constData(), "RESULT %lld %lf %lf %lf %lld %lld", &documents, &f.seconds, &f.flushSeconds,
                        &f.readSeconds, &bytes, &rss) == 6) {
            f.documents = documents;
            f.indexBytes = bytes;
            f.peakRssKiB = rss;
        }
    }
    return f;
}

void printRow(const char* name, const Figures& f, const bench::EditionTotals& totals)
{
    std::printf("  %-5s %9lld docs %9.0f paragraphs/s %6.2f MB/s  total %6.2f s  flush %5.2f s  index %6.1f MiB  "
                "peak RSS %6.1f MiB",
                name, static_cast<long long>(f.documents), double(f.documents) / f.seconds,
                double(totals.textBytes) / 1e6 / f.seconds, f.seconds, f.flushSeconds,
                double(f.indexBytes) / (1024 * 1024), double(f.peakRssKiB) / 1024);
    if (f.readSeconds >= 0)
        std::printf("  (library reads %.2f s)", f.readSeconds);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    auto option = [&](const char* name, const QString& fallback) {
        const int at = args.indexOf(QLatin1String(name));
        return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : fallback;
    };

    qInstallMessageHandler(benchMessages);
    const QString side = option("--side", QString());
    if (!side.isEmpty()) {
        const QString folder = option("--folder", QString());
        const auto language = Language(option("--language", QStringLiteral("2")).toInt());
        printResult(side == QLatin1String("ours") ? runOurs(folder, language) : runBare(folder, language));
        return 0;
    }

    const QString plan = option("--plan", QLatin1String(kDefaultPlan));
    const bench::GeneratedLibrary library = bench::loadGeneratedLibrary(plan);
    std::printf("Indexing the generated library %s (%d cores)\n", qUtf8Printable(plan), QThread::idealThreadCount());
    bool goalMet = true;
    for (const Language language : {TarnolixConstants::Russian, TarnolixConstants::English}) {
        const bench::EditionTotals& totals = library.editions.at(language);
        std::printf("%s: %d books, %lld sections, %lld paragraphs, %.1f MB of text\n",
                    qUtf8Printable(languageToString(language)), totals.books, static_cast<long long>(totals.sections),
                    static_cast<long long>(totals.paragraphs), double(totals.textBytes) / 1e6);
        const Figures bare = runSide(QStringLiteral("bare"), library.folder, language);
        const Figures ours = runSide(QStringLiteral("ours"), library.folder, language);
        printRow("bare", bare, totals);
        printRow("ours", ours, totals);
        const double ratio = (double(ours.documents) / ours.seconds) / (double(bare.documents) / bare.seconds);
        std::printf("  ours/bare paragraphs/s: %.2f (goal >= 0.60)\n", ratio);
        if (ours.documents != totals.paragraphs || bare.documents != totals.paragraphs)
            std::printf("  document counts differ from the library's paragraphs (%lld)\n",
                        static_cast<long long>(totals.paragraphs));
        goalMet = goalMet && ratio >= 0.6;
    }
    return goalMet ? 0 : 1;
}
