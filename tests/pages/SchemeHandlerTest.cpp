// The scheme handler and its request plumbing, with a stand-in for the
// engine's request (the wrapper's six operations are virtual) and a stand-in
// tab: the order of the checks, what each kind tells the tab, static
// resources, images from the library built on pool threads, failures and
// their engine errors, and requests that are gone before their answer.

#include "database/DatabasePool.h"
#include "pages/HTMLCreator.h"
#include "pages/SchemeHandlerException.h"
#include "pages/SchemeHandlerJob.h"
#include "pages/SchemeHandlerTab.h"
#include "pages/TarnolixSchemeHandler.h"
#include "pages/WebResources.h"
#include "tests/database/CatalogFixture.h"
#include "tests/pages/FakePageServices.h"
#include "tests/pages/FakeSearchFamilies.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QSemaphore>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <optional>
#include <thread>

namespace tarnolix::test {
namespace {

using Kind = UrlCreator::QueryType;

class FakeRequest : public WebEngineContentRequest
{
public:
    FakeRequest(QObject* parent, const QUrl& url, const QByteArray& method, const QUrl& initiator)
        : WebEngineContentRequest(nullptr, parent)
        , url(url)
        , method(method)
        , initiatorUrl(initiator)
    {
    }

    QByteArray requestMethod() const override { return method; }
    QUrl requestUrl() const override { return url; }
    QUrl initiator() const override { return initiatorUrl; }
    void reply(const QByteArray& type, const QByteArray& bytes) override
    {
        ++answers;
        mimeType = type;
        data = bytes;
    }
    void redirect(const QUrl& target) override
    {
        ++answers;
        redirectedTo = target;
    }
    void fail(qint32 code) override
    {
        ++answers;
        failCode = code;
    }

    const QUrl url;
    const QByteArray method;
    const QUrl initiatorUrl;
    int answers = 0;
    QByteArray mimeType;
    QByteArray data;
    QUrl redirectedTo;
    std::optional<qint32> failCode;
};

class FakeTab : public SchemeHandlerTab
{
public:
    void setUrl(const QUrl& url) override { urls.append(url); }
    QList<QUrl> urls;
};

// What one request came to.
struct Outcome
{
    int answers = 0;
    std::optional<qint32> failCode;
    QByteArray mimeType;
    QByteArray data;
    QList<QUrl> toldTab;
};

class SchemeHandler : public CatalogFixture
{
protected:
    void SetUp() override
    {
        CatalogFixture::SetUp();
        initWebResources();
        registerFakeSearchFamilies();
        services.db = db;
        services.creator = std::make_shared<HTMLCreator>();
        const QString file = path;
        pool = std::make_unique<DatabasePool>(std::this_thread::get_id(), [file] { return file; });
        setDatabasePool(pool.get());
    }

    void TearDown() override
    {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::sendPostedEvents();
        setDatabasePool(nullptr);
        pool.reset();
        withdrawSearchFamilies();
        CatalogFixture::TearDown();
    }

    // Dispatches one request and waits for its answer (jobs answer later).
    Outcome request(const QString& url, const QByteArray& method = "GET", const QString& initiator = {})
    {
        FakeTab tab;
        TarnolixSchemeHandler handler(&tab, nullptr);
        auto* fake = new FakeRequest(&handler, QUrl(url), method, QUrl(initiator));
        handler.dispatchRequest(fake);
        EXPECT_TRUE(waitUntil([&] { return fake->answers > 0; })) << url.toStdString();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(fake->answers, 1) << url.toStdString();
        return {fake->answers, fake->failCode, fake->mimeType, fake->data, tab.urls};
    }

    FakePageServices services;
    std::unique_ptr<DatabasePool> pool;
};

TEST_F(SchemeHandler, ChecksInTheirOrder)
{
    const QString newTab = QStringLiteral("tarnolix://newtab.ru");
    const QString appCss = QStringLiteral("tarnolix://newtab.ru/resource/web/css/app.css");
    struct Case
    {
        const char* what;
        QString url;
        QByteArray method;
        QString initiator;
        int code; // -1: served
    };
    const Case cases[] = {
        {"initiator of another scheme", newTab, "GET", "https://example.invalid/", 0},
        {"initiator is checked before the method", newTab, "POST", "https://example.invalid/", 0},
        {"POST", newTab, "POST", {}, 1},
        {"POST of a static file", appCss, "POST", {}, 1},
        {"a method other than GET in lower case", newTab, "get", {}, 1},
        {"a static path that leaves the web tree", "tarnolix://newtab.ru/resource/web/../x", "GET", {}, 2},
        {"a static file that does not exist", "tarnolix://newtab.ru/resource/web/css/none.css", "GET", {}, 2},
        {"a URL that does not parse", "tarnolix://nosuchkind.ru/Book-5", "GET", {}, 3},
        {"an unknown language", "tarnolix://newtab.xx", "GET", {}, 3},
        {"a kind without its builder yet", "tarnolix://ftsearch.ru?query=a", "GET", {}, 2},
        {"a job kind without its builder yet", "tarnolix://converter.ru", "GET", {}, 2},
        {"no initiator (set by the program)", newTab, "GET", {}, -1},
        {"a page of ours as initiator", newTab, "GET", "tarnolix://openbook.ru/Book-5", -1},
        {"a static file", appCss, "GET", "tarnolix://openbook.ru/Book-5", -1},
    };
    for (const Case& c : cases) {
        const Outcome outcome = request(c.url, c.method, c.initiator);
        EXPECT_EQ(outcome.failCode.value_or(-1), c.code) << c.what;
    }
}

TEST_F(SchemeHandler, FailuresAreLoggedWithTheUrl)
{
    MessageLog log;
    request(QStringLiteral("tarnolix://newtab.ru"), "POST");
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("TarnolixSchemeHandler: Procces request error: \"Invalid method\" "
                                                          "url: QUrl(\"tarnolix://newtab.ru\")")))
        << log.texts(QtWarningMsg).join('\n').toStdString();
}

TEST_F(SchemeHandler, StaticResourcesWithTheirTypes)
{
    const std::pair<const char*, const char*> cases[] = {
        {"css/app.css", "text/css"},
        {"js/book.js", "application/javascript"},
        {"images/favorite_message.svg", "image/svg+xml"},
        {"css/fonts/PeltoPTSerif-Regular.ttf", "font/ttf"},
        {"css/fonts/PeltoPTSerif-Regular.woff2", "font/woff2"},
        {"css/fonts/LICENSE.txt", "text/plain"},
    };
    for (const auto& [file, type] : cases) {
        const Outcome outcome =
            request(QStringLiteral("tarnolix://newtab.ru/resource/web/") + QLatin1String(file));
        EXPECT_EQ(outcome.mimeType, QByteArray(type)) << file;
        QFile resource(QStringLiteral(":/web/") + QLatin1String(file));
        ASSERT_TRUE(resource.open(QIODevice::ReadOnly)) << file;
        EXPECT_EQ(outcome.data, resource.readAll()) << file;
        EXPECT_TRUE(outcome.toldTab.isEmpty()) << file;
    }
    // ".." inside the web tree stays inside it.
    EXPECT_EQ(request(QStringLiteral("tarnolix://newtab.ru/resource/web/js/../css/app.css")).mimeType, "text/css");
}

TEST_F(SchemeHandler, WhichKindsTellTheTab)
{
    UrlCreatorImpl redirect;
    redirect.setLanguage(TarnolixConstants::Russian);
    redirect.setRedirect(QStringLiteral("tarnolix://newtab.ru"));
    const std::pair<QString, bool> cases[] = {
        {QStringLiteral("tarnolix://openbook.ru/Book-5/Section-a"), true},
        {QStringLiteral("tarnolix://openbookslug.ru/Book-dipa/Section-intro"), true},
        {QStringLiteral("tarnolix://openbookcover.ru/Book-5"), true},
        {QStringLiteral("tarnolix://getbookcover.ru/Book-5"), false},
        {QStringLiteral("tarnolix://openauthor.ru/Author-3"), true},
        {QStringLiteral("tarnolix://newtab.ru"), true},
        {QStringLiteral("tarnolix://ftsearch.ru?query=a"), true},
        {QStringLiteral("tarnolix://getpersonphoto.ru/Author-3"), false},
        {QStringLiteral("tarnolix://wbwsearch.ru?original=a"), true},
        {QStringLiteral("tarnolix://glossarysearch.en?query=a"), true},
        {redirect.toUrl().toString(QUrl::FullyEncoded), false},
        {QStringLiteral("tarnolix://glossary.en/Category-1/Glossary-2"), false},
        {QStringLiteral("tarnolix://converter.ru"), false},
        {QStringLiteral("tarnolix://favorites.ru?catalogTab=AllFavorites"), true},
        {QStringLiteral("tarnolix://favoritessearch.ru"), true},
    };
    int kind = 0;
    for (const auto& [url, told] : cases) {
        ++kind;
        ASSERT_EQ(UrlCreatorImpl::fromUrl(QUrl(url)).queryType(), kind) << url.toStdString();
        const Outcome outcome = request(url);
        EXPECT_EQ(outcome.toldTab, told ? QList<QUrl>{QUrl(url)} : QList<QUrl>{}) << url.toStdString();
        // Every kind is answered: a page, or its failure.
        EXPECT_EQ(outcome.answers, 1) << url.toStdString();
    }
}

TEST_F(SchemeHandler, PagesRepliedAtOnce)
{
    const auto& creator = *services.creator;
    Outcome book = request(QStringLiteral("tarnolix://openbook.ru/Book-5/Section-a"));
    EXPECT_EQ(book.mimeType, "text/html");
    EXPECT_EQ(book.data, creator.getBookPage());
    Outcome newTab = request(QStringLiteral("tarnolix://newtab.ru"));
    EXPECT_EQ(newTab.mimeType, "text/html");
    EXPECT_EQ(newTab.data, creator.getNewTabPage());

    // With the account runtime closed there is no page generator.
    services.creator.reset();
    EXPECT_EQ(request(QStringLiteral("tarnolix://newtab.ru")).failCode, 1);
}

TEST_F(SchemeHandler, RedirectPage)
{
    UrlCreatorImpl redirect;
    redirect.setLanguage(TarnolixConstants::Russian);
    redirect.setRedirect(QStringLiteral("tarnolix://openbook.ru/Book-5/Section-a b?catalogTab=Names&tabId=3"));
    const Outcome outcome = request(redirect.toUrl().toString(QUrl::FullyEncoded));
    EXPECT_EQ(outcome.mimeType, "text/html");
    EXPECT_EQ(outcome.data, QByteArray("<!doctype html><meta charset=\"utf-8\"><meta http-equiv=\"refresh\" "
                                       "content=\"0; URL=tarnolix://openbook.ru/Book-5/Section-a%20b?"
                                       "catalogTab=Names&amp;tabId=3\" />"));

    // Only our own pages: a page may not send its view anywhere else.
    for (const char* target : {"https://example.invalid/", "javascript:alert(1)", "file:///etc/passwd", ""}) {
        redirect.setRedirect(QString::fromLatin1(target));
        EXPECT_EQ(request(redirect.toUrl().toString(QUrl::FullyEncoded)).failCode, 3) << target;
    }
}

TEST_F(SchemeHandler, CoversAndPhotosFromThePoolThreads)
{
    db->insertBookCover(5, 1, "jpeg bytes");
    db->insertBookCover(6, 2, "png bytes");
    db->insertBookCover(7, 3, "gif bytes");
    db->insertPersonPhoto(3, 2, "photo bytes", QStringLiteral("/p/3.png"));

    const Outcome jpeg = request(QStringLiteral("tarnolix://getbookcover.ru/Book-5"));
    EXPECT_EQ(jpeg.mimeType, "image/jpeg");
    EXPECT_EQ(jpeg.data, "jpeg bytes");
    const Outcome png = request(QStringLiteral("tarnolix://getbookcover.en/Book-6"));
    EXPECT_EQ(png.mimeType, "image/png");
    EXPECT_EQ(png.data, "png bytes");
    EXPECT_EQ(request(QStringLiteral("tarnolix://getbookcover.ru/Book-7")).failCode, 1);
    EXPECT_EQ(request(QStringLiteral("tarnolix://getbookcover.ru/Book-8")).failCode, 1); // none stored

    const Outcome photo = request(QStringLiteral("tarnolix://getpersonphoto.ru/Author-3"));
    EXPECT_EQ(photo.mimeType, "image/png");
    EXPECT_EQ(photo.data, "photo bytes");
    EXPECT_EQ(request(QStringLiteral("tarnolix://getpersonphoto.ru/Author-4")).failCode, 1);
    // Every job used its own thread's connection, never the GUI thread's.
    EXPECT_GE(pool->workerConnectionCount(), 1u);
}

// ---- The job and the wrapper ----

class Job : public SchemeHandler
{
protected:
    // Runs one job to its end for a fresh stand-in request.
    FakeRequest& runJob(SchemeHandlerJob::WorkFunction work)
    {
        auto* fake = new FakeRequest(&parent, QUrl(QStringLiteral("tarnolix://newtab.ru")), "GET", {});
        QThreadPool::globalInstance()->start(new SchemeHandlerJob(fake, UrlCreatorImpl(), std::move(work)));
        EXPECT_TRUE(waitUntil([&] { return fake->answers > 0; }));
        return *fake;
    }

    QObject parent;
};

TEST_F(Job, FailuresBecomeEngineErrors)
{
    struct Case
    {
        const char* what;
        std::function<void()> thrower;
        QWebEngineUrlRequestJob::Error error;
    };
    const Case cases[] = {
        {"not found", [] { throw SchemeHandlerException(2, "Resource not found"); }, QWebEngineUrlRequestJob::UrlNotFound},
        {"invalid", [] { throw SchemeHandlerException(3, "Invalid request"); }, QWebEngineUrlRequestJob::UrlInvalid},
        {"denied", [] { throw SchemeHandlerException(0, "Invalid initiator"); }, QWebEngineUrlRequestJob::RequestDenied},
        {"unknown code", [] { throw SchemeHandlerException(7, "x"); }, QWebEngineUrlRequestJob::RequestFailed},
        {"missing row", [] { throw DBNotFound(QStringLiteral("Book cover not found")); },
         QWebEngineUrlRequestJob::RequestFailed},
        {"standard exception", [] { throw std::runtime_error("boom"); }, QWebEngineUrlRequestJob::RequestFailed},
        {"anything else", [] { throw 42; }, QWebEngineUrlRequestJob::RequestFailed},
    };
    for (const Case& c : cases) {
        MessageLog log;
        FakeRequest& fake = runJob([&c](const UrlCreatorImpl&) -> SchemeHandlerJob::Result {
            c.thrower();
            return {};
        });
        ASSERT_TRUE(fake.failCode) << c.what;
        EXPECT_EQ(WebEngineContentRequest::engineError(*fake.failCode), c.error) << c.what;
        EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("SchemeHandlerJob: Handle request error: "))) << c.what;
    }
}

TEST_F(Job, EmptyDataIsStillReplied)
{
    FakeRequest& fake = runJob([](const UrlCreatorImpl&) { return SchemeHandlerJob::Result{"text/plain", {}}; });
    EXPECT_FALSE(fake.failCode);
    EXPECT_EQ(fake.answers, 1);
    EXPECT_EQ(fake.mimeType, "text/plain");
    EXPECT_TRUE(fake.data.isEmpty());
}

TEST_F(Job, ARequestGoneMeanwhileIsOnlyLogged)
{
    MessageLog log;
    QSemaphore started;
    QSemaphore release;
    auto* fake = new FakeRequest(&parent, QUrl(QStringLiteral("tarnolix://newtab.ru")), "GET", {});
    QPointer<SchemeHandlerJob> job = new SchemeHandlerJob(fake, UrlCreatorImpl(), [&](const UrlCreatorImpl&) {
        started.release();
        release.acquire();
        return SchemeHandlerJob::Result{"text/html", "late"};
    });
    QThreadPool::globalInstance()->start(job.data());
    started.acquire();
    delete fake; // the tab closed
    release.release();
    ASSERT_TRUE(waitUntil([&] { return log.contains(QtWarningMsg, QStringLiteral("SchemeHandlerJob: job=0")); }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(job.isNull());
}

TEST(WebEngineContentRequestWithoutJob, DeletesItselfAfterEveryAnswer)
{
    const std::pair<const char*, std::function<void(WebEngineContentRequest&)>> answers[] = {
        {"reply", [](WebEngineContentRequest& r) { r.reply("text/html", "x"); }},
        {"redirect", [](WebEngineContentRequest& r) { r.redirect(QUrl(QStringLiteral("tarnolix://newtab.ru"))); }},
        {"fail", [](WebEngineContentRequest& r) { r.fail(2); }},
    };
    QObject handler;
    for (const auto& [what, answer] : answers) {
        QPointer<WebEngineContentRequest> request = new WebEngineContentRequest(nullptr, &handler);
        EXPECT_TRUE(request->requestMethod().isEmpty());
        EXPECT_TRUE(request->requestUrl().isEmpty());
        EXPECT_TRUE(request->initiator().isEmpty());
        answer(*request);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(request.isNull()) << what;
    }
}

} // namespace
} // namespace tarnolix::test
