#include "bench/GeneratedLibrary.h"

#include "bench/BenchSupport.h"
#include "core/BookRecords.h"
#include "core/Glossary.h"
#include "database/BookTextCipher.h"
#include "database/DatabaseTransaction.h"
#include "database/TarnolixDB.h"
#include "search/index/GlossaryIndex.h"
#include "search/index/WordByWordIndex.h"
#include "updates/BookParser.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <cstdio>

namespace bench {

namespace {

const char kTotalsFile[] = "totals.json";
const char kSharedIndexesMark[] = "shared-indexes.done";
// Books whose word-by-word pairs are written per commit.
constexpr int kWordByWordBatch = 20;

[[noreturn]] void fail(const QString& text)
{
    std::fprintf(stderr, "generated library: %s\n", qUtf8Printable(text));
    std::exit(2);
}

void run(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted() || !process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        fail(QStringLiteral("%1 failed").arg(program));
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1").arg(path));
    return file.readAll();
}

QString cacheRoot()
{
    const QString configured = qEnvironmentVariable("TARNOLIX_BENCH_CACHE");
    return configured.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/bench-cache") : configured;
}

QJsonObject totalsToJson(const std::map<TarnolixConstants::Language, EditionTotals>& editions)
{
    QJsonObject json;
    for (const auto& [language, totals] : editions) {
        json.insert(QString::number(language), QJsonObject{{"books", totals.books},
                                                           {"sections", double(totals.sections)},
                                                           {"paragraphs", double(totals.paragraphs)},
                                                           {"textBytes", double(totals.textBytes)}});
    }
    return json;
}

std::map<TarnolixConstants::Language, EditionTotals> totalsFromJson(const QJsonObject& json)
{
    std::map<TarnolixConstants::Language, EditionTotals> editions;
    for (auto it = json.begin(); it != json.end(); ++it) {
        const QJsonObject value = it.value().toObject();
        EditionTotals& totals = editions[TarnolixConstants::Language(it.key().toInt())];
        totals.books = value.value(QLatin1String("books")).toInt();
        totals.sections = qint64(value.value(QLatin1String("sections")).toDouble());
        totals.paragraphs = qint64(value.value(QLatin1String("paragraphs")).toDouble());
        totals.textBytes = qint64(value.value(QLatin1String("textBytes")).toDouble());
    }
    return editions;
}

// Reads every book's documents under `xmlDir` and stores them in `db`.
std::map<TarnolixConstants::Language, EditionTotals> storeBooks(const std::shared_ptr<TarnolixDB>& db,
                                                              const QString& xmlDir)
{
    std::map<TarnolixConstants::Language, EditionTotals> editions;
    QStringList ids = QDir(xmlDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(ids.begin(), ids.end(), [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    for (const QString& id : ids) {
        const QDir book(xmlDir + QLatin1Char('/') + id);
        DatabaseTransaction transaction(db);
        const std::shared_ptr<BookBase> base = BookBaseParser(readFile(book.filePath(QStringLiteral("base.xml")))).parse();
        db->insertBookBase(*base);
        for (const QString& entry : book.entryList({QStringLiteral("book_*.xml")}, QDir::Files, QDir::Name)) {
            const TarnolixConstants::Language language = languageFromString(entry.mid(5, entry.size() - 9));
            auto parsed = BookParser(language, readFile(book.filePath(entry)), base->id).parse();
            db->insertBook(parsed.first);
            EditionTotals& totals = editions[language];
            ++totals.books;
            totals.sections += qint64(parsed.first->sections.size());
            for (const auto& part : parsed.first->parts) {
                for (const auto& entity : part->entities) {
                    totals.paragraphs += entity->texts.size();
                    for (const QString& text : entity->texts)
                        totals.textBytes += text.toUtf8().size();
                }
            }
        }
        transaction.commit();
    }
    return editions;
}

// The generator's source files in <work>/source and the books' archive
// documents in <work>/xml.
void generateSources(const QString& plan, const QString& work)
{
    const QString source = QStringLiteral(TARNOLIX_SOURCE_DIR);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    run(source + QStringLiteral("/tools/gen-library"),
        {QStringLiteral("--out"), work + QStringLiteral("/source"), QStringLiteral("--plan"), plan}, environment);
    environment.insert(QStringLiteral("PYTHONPATH"), source + QStringLiteral("/tools"));
    environment.insert(QStringLiteral("PYTHONDONTWRITEBYTECODE"), QStringLiteral("1"));
    run(QStringLiteral("python3"),
        {source + QStringLiteral("/bench/library_xml.py"), work + QStringLiteral("/source"), work + QStringLiteral("/xml")},
        environment);
}

void indexWordByWord(tarnolix::WordByWordIndex& index, const QString& xmlDir)
{
    QStringList ids = QDir(xmlDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(ids.begin(), ids.end(), [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    index.beginIndexing();
    std::vector<std::shared_ptr<WordByWordDataForIndex>> batch;
    auto flush = [&] {
        if (batch.empty())
            return;
        if (!index.isWriterOpen())
            index.open(true, tarnolix::SearchIndex::Write);
        index.index(batch);
        index.commit();
        batch.clear();
    };
    int books = 0;
    for (const QString& id : ids) {
        const QDir book(xmlDir + QLatin1Char('/') + id);
        const std::shared_ptr<BookBase> base = BookBaseParser(readFile(book.filePath(QStringLiteral("base.xml")))).parse();
        for (const QString& entry : book.entryList({QStringLiteral("book_*.xml")}, QDir::Files, QDir::Name)) {
            const TarnolixConstants::Language language = languageFromString(entry.mid(5, entry.size() - 9));
            auto parsed = BookParser(language, readFile(book.filePath(entry)), base->id).parse();
            parsed.second->setBook(base);
            batch.push_back(std::move(parsed.second));
        }
        if (++books % kWordByWordBatch == 0)
            flush();
    }
    flush();
    index.finishIndexing();
}

void indexGlossaries(tarnolix::GlossaryIndex& index, const QString& glossariesJson)
{
    const QJsonObject json = QJsonDocument::fromJson(readFile(glossariesJson)).object();
    QHash<QString, int> categoryIds, glossaryIds;
    for (const QJsonValue& category : json.value(QLatin1String("categories")).toArray()) {
        categoryIds.insert(category.toObject().value(QLatin1String("id")).toString(), categoryIds.size() + 1);
        for (const QJsonValue& glossary : category.toObject().value(QLatin1String("glossaries")).toArray())
            glossaryIds.insert(glossary.toObject().value(QLatin1String("id")).toString(), glossaryIds.size() + 1);
    }
    std::vector<std::shared_ptr<GlossaryWord>> words;
    for (const QJsonValue& value : json.value(QLatin1String("words")).toArray()) {
        const QJsonObject object = value.toObject();
        auto word = std::make_shared<GlossaryWord>();
        word->id = int(words.size()) + 1;
        for (const QJsonValue& text : object.value(QLatin1String("words")).toArray())
            word->words << text.toString();
        const QJsonObject where = object.value(QLatin1String("where")).toObject();
        for (auto it = where.begin(); it != where.end(); ++it) {
            GlossaryWordWhere place;
            place.categoryId = categoryIds.value(it.key());
            for (const QJsonValue& glossary : it.value().toArray())
                place.glossaryIds.push_back(glossaryIds.value(glossary.toString()));
            word->where.push_back(place);
        }
        words.push_back(word);
    }
    index.beginIndexing();
    index.deleteAll();
    index.addWord(words);
    index.finishIndexing();
}

} // namespace

void loadSharedIndexes(const QString& plan, const GeneratedLibrary& library, tarnolix::WordByWordIndex& wordByWord,
                       tarnolix::GlossaryIndex& glossary)
{
    const QString mark = library.folder + QLatin1Char('/') + QLatin1String(kSharedIndexesMark);
    if (!QFile::exists(mark)) {
        QElapsedTimer timer;
        timer.start();
        const QString work = library.folder + QStringLiteral("/shared-indexes.part");
        QDir(work).removeRecursively();
        generateSources(plan, work);
        try {
            indexWordByWord(wordByWord, work + QStringLiteral("/xml"));
            indexGlossaries(glossary, work + QStringLiteral("/source/glossaries.json"));
            wordByWord.close(true);
            glossary.close(true);
        } catch (const std::exception& e) {
            fail(QStringLiteral("shared indexes: %1").arg(QString::fromUtf8(e.what())));
        }
        QDir(work).removeRecursively();
        QFile done(mark);
        if (!done.open(QIODevice::WriteOnly))
            fail(QStringLiteral("cannot write %1").arg(mark));
        std::fprintf(stderr, "word-by-word and glossary indexes of %s made in %.1f s\n", qUtf8Printable(plan),
                     double(timer.elapsed()) / 1000);
    }
    try {
        wordByWord.open();
        glossary.open();
    } catch (const std::exception& e) {
        fail(QStringLiteral("shared indexes: %1").arg(QString::fromUtf8(e.what())));
    }
}

GeneratedLibrary loadGeneratedLibrary(const QString& plan)
{
    GeneratedLibrary library;
    library.folder = cacheRoot() + QLatin1Char('/') +
                     QString(plan).replace(QLatin1Char('='), QLatin1Char('-')).replace(QLatin1Char(','), QLatin1Char('_'));
    library.databasePath = library.folder + QStringLiteral("/Tarnolix.db");
    setBookTextCipher(&keyPair());

    const QString totalsPath = library.folder + QLatin1Char('/') + QLatin1String(kTotalsFile);
    if (QFile::exists(totalsPath)) {
        library.editions = totalsFromJson(QJsonDocument::fromJson(readFile(totalsPath)).object());
        return library;
    }

    QElapsedTimer timer;
    timer.start();
    const QString work = library.folder + QStringLiteral(".part");
    QDir(work).removeRecursively();
    QDir(library.folder).removeRecursively();
    if (!QDir().mkpath(work))
        fail(QStringLiteral("cannot create %1").arg(work));
    generateSources(plan, work);

    {
        auto db = std::make_shared<TarnolixDB>();
        db->open(work + QStringLiteral("/Tarnolix.db"), 60000);
        db->setJournalMode(QStringLiteral("wal"));
        db->initialize();
        library.editions = storeBooks(db, work + QStringLiteral("/xml"));
        db->walCheckpoint(QStringLiteral("TRUNCATE"));
        db->close();
    }
    QDir(work + QStringLiteral("/source")).removeRecursively();
    QDir(work + QStringLiteral("/xml")).removeRecursively();
    QFile totals(work + QLatin1Char('/') + QLatin1String(kTotalsFile));
    if (!totals.open(QIODevice::WriteOnly) ||
        totals.write(QJsonDocument(totalsToJson(library.editions)).toJson()) < 0)
        fail(QStringLiteral("cannot write the totals"));
    totals.close();
    if (!QDir().rename(work, library.folder))
        fail(QStringLiteral("cannot move %1 into place").arg(work));
    std::fprintf(stderr, "generated library %s made in %.1f s\n", qUtf8Printable(plan), double(timer.elapsed()) / 1000);
    return library;
}

} // namespace bench
