// A full library update of the stand-in's synthetic library (fixed seed),
// beside its bare cost measured in the same run: the same book archives
// fetched with eight plain GETs in flight, and the same rows inserted into
// an empty library with prepared statements in one transaction. Prints the
// update driver's peak RSS.
//
//   bench_libraryupdate [--books N] [--sections N] [--seed N]

#include "bench/StandinProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUrlQuery>

#include <sqlite3.h>
#include <sys/resource.h>

#include <cstdio>
#include <deque>
#include <vector>

namespace {

const char kEmail[] = "reader@tarnolix.invalid";
const char kPassword[] = "lamp-of-verses";

QString argument(const QStringList& args, const QString& name, const QString& fallback)
{
    const int at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : fallback;
}

QNetworkReply* waitFor(QNetworkReply* reply)
{
    while (!reply->isFinished())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return reply;
}

// Fetches every archive the account may download, eight at a time; returns
// the bytes received.
qint64 fetchArchives(const QString& origin)
{
    QNetworkAccessManager network;
    QNetworkRequest login(QUrl(origin + QStringLiteral("/auth/login")));
    login.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("email"), QLatin1String(kEmail));
    form.addQueryItem(QStringLiteral("password"), QLatin1String(kPassword));
    std::unique_ptr<QNetworkReply> signIn(waitFor(network.post(login, form.toString(QUrl::FullyEncoded).toUtf8())));
    const QByteArray token = signIn->rawHeader("api-token");

    const auto request = [&](const QString& path) {
        QNetworkRequest r(QUrl(origin + path));
        r.setRawHeader("Api-Authorization", token);
        r.setRawHeader("device-id", "bench");
        return r;
    };
    std::unique_ptr<QNetworkReply> list(waitFor(network.get(request(QStringLiteral("/books/books?time=0")))));
    std::deque<int> ids;
    for (const QJsonValue& book : QJsonDocument::fromJson(list->readAll()).object().value(QLatin1String("data")).toArray())
        ids.push_back(book.toObject().value(QLatin1String("id")).toInt());

    qint64 bytes = 0;
    int inFlight = 0;
    std::vector<QByteArray> bodies;
    bodies.reserve(ids.size());
    const std::function<void()> startNext = [&] {
        while (inFlight < 8 && !ids.empty()) {
            QNetworkReply* reply = network.get(request(QStringLiteral("/books/download/%1").arg(ids.front())));
            ids.pop_front();
            ++inFlight;
            QObject::connect(reply, &QNetworkReply::finished, reply, [&, reply] {
                bodies.push_back(reply->readAll());
                bytes += bodies.back().size();
                --inFlight;
                reply->deleteLater();
                startNext();
            });
        }
    };
    startNext();
    while (inFlight > 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return bytes;
}

bool exec(sqlite3* db, const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "sqlite: %s\n", error ? error : "?");
        sqlite3_free(error);
        return false;
    }
    return true;
}

// Inserts every row of `source` into a new library at `target` with the
// same schema, one prepared statement per table, in one transaction;
// returns the rows inserted.
qint64 copyRows(const QString& source, const QString& target)
{
    sqlite3* src = nullptr;
    sqlite3* dst = nullptr;
    sqlite3_open_v2(source.toUtf8().constData(), &src, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_open(target.toUtf8().constData(), &dst);
    exec(dst, "PRAGMA journal_mode=WAL");
    std::vector<std::pair<QByteArray, QByteArray>> tables;
    sqlite3_stmt* list = nullptr;
    sqlite3_prepare_v2(src, "SELECT name, sql FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'", -1,
                       &list, nullptr);
    while (sqlite3_step(list) == SQLITE_ROW)
        tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(list, 0)),
                            reinterpret_cast<const char*>(sqlite3_column_text(list, 1)));
    sqlite3_finalize(list);
    for (const auto& table : tables)
        exec(dst, table.second.constData());

    qint64 rows = 0;
    exec(dst, "BEGIN");
    for (const auto& table : tables) {
        sqlite3_stmt* read = nullptr;
        sqlite3_prepare_v2(src, ("SELECT * FROM \"" + table.first + "\"").constData(), -1, &read, nullptr);
        const int columns = sqlite3_column_count(read);
        QByteArray insert = "INSERT INTO \"" + table.first + "\" VALUES (";
        for (int i = 0; i < columns; ++i)
            insert += i ? ",?" : "?";
        insert += ")";
        sqlite3_stmt* write = nullptr;
        sqlite3_prepare_v2(dst, insert.constData(), -1, &write, nullptr);
        while (sqlite3_step(read) == SQLITE_ROW) {
            for (int i = 0; i < columns; ++i)
                sqlite3_bind_value(write, i + 1, sqlite3_column_value(read, i));
            sqlite3_step(write);
            sqlite3_reset(write);
            ++rows;
        }
        sqlite3_finalize(write);
        sqlite3_finalize(read);
    }
    exec(dst, "COMMIT");
    sqlite3_close(dst);
    sqlite3_close(src);
    return rows;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString plan = QStringLiteral("books=%1,sections=%2,seed=%3")
                             .arg(argument(args, QStringLiteral("--books"), QStringLiteral("500")),
                                  argument(args, QStringLiteral("--sections"), QStringLiteral("100")),
                                  argument(args, QStringLiteral("--seed"), QStringLiteral("1")));
    QTemporaryDir dir;
    bench::StandinProcess server(dir.path());
    if (!server.start(plan)) {
        std::fprintf(stderr, "the stand-in did not start\n");
        return 1;
    }
    const QString origin = server.origin();

    // Warm the stand-in's archive cache so both sides fetch equally.
    fetchArchives(origin);

    const QString library = dir.filePath(QStringLiteral("library"));
    QProcess driver;
    driver.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    driver.start(QStringLiteral(TARNOLIX_UPDATE_DRIVER),
                 {QStringLiteral("--library"), library, QStringLiteral("--origin"), origin, QStringLiteral("--email"),
                  QLatin1String(kEmail), QStringLiteral("--password"), QLatin1String(kPassword)});
    qint64 finishedMs = -1;
    QByteArray out;
    while (driver.state() != QProcess::NotRunning || driver.bytesAvailable() > 0) {
        driver.waitForReadyRead(50);
        out += driver.readAllStandardOutput();
        if (finishedMs < 0 && out.contains("\nstatus 6\n"))
            finishedMs = clock.elapsed();
    }
    driver.waitForFinished(-1);
    const qint64 withWritersMs = clock.elapsed();
    struct rusage usage = {};
    getrusage(RUSAGE_CHILDREN, &usage);
    if (driver.exitCode() != 0 || finishedMs < 0) {
        std::fprintf(stderr, "the update failed:\n%s\n", out.constData());
        return 1;
    }

    clock.restart();
    const qint64 bytes = fetchArchives(origin);
    const qint64 fetchMs = clock.elapsed();
    clock.restart();
    const qint64 rows = copyRows(library + QStringLiteral("/Tarnolix.db"), dir.filePath(QStringLiteral("bare.db")));
    const qint64 insertMs = clock.elapsed();

    const qint64 bareMs = fetchMs + insertMs;
    std::printf("library: %s\n", qUtf8Printable(plan));
    std::printf("update (engine, to Finished):        %8lld ms\n", static_cast<long long>(finishedMs));
    std::printf("update until the writers are idle:   %8lld ms\n", static_cast<long long>(withWritersMs));
    std::printf("bare: 8 parallel GETs (%lld bytes):  %8lld ms\n", static_cast<long long>(bytes),
                static_cast<long long>(fetchMs));
    std::printf("bare: prepared inserts (%lld rows):  %8lld ms\n", static_cast<long long>(rows),
                static_cast<long long>(insertMs));
    std::printf("bare total:                          %8lld ms\n", static_cast<long long>(bareMs));
    std::printf("ratio update / bare:                 %8.2fx (goal <= 2x)\n",
                bareMs > 0 ? double(finishedMs) / double(bareMs) : 0.0);
    std::printf("driver peak RSS:                     %8ld KiB\n", usage.ru_maxrss);
    return 0;
}
