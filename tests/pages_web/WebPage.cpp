#include "tests/pages_web/WebPage.h"

#include "core/ProgramConstants.h"
#include "pages/HTMLCreator.h"
#include "pages/SchemeHandlerException.h"
#include "pages/TarnolixSchemeHandler.h"
#include "tests/support/TestSupport.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QJSValue>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickWindow>
#include <QWebEngineUrlRequestJob>
#include <QtWebEngine/QQuickWebEngineProfile>

#include <gtest/gtest.h>

namespace tarnolix::test {

void ScriptProbe::finished(int requestId, const QVariant& result)
{
    // Objects and arrays arrive from QML as script values: keep plain values.
    results.insert(requestId, result.userType() == qMetaTypeId<QJSValue>() ? result.value<QJSValue>().toVariant() : result);
}

void ScriptProbe::console(int level, const QString& message)
{
    static const char* const levels[] = {"info", "warning", "error"};
    consoleLines.append(QString::fromLatin1(levels[qBound(0, level, 2)]) + QLatin1String(": ") + message);
}

void ScriptProbe::loaded(bool ok)
{
    ++loads;
    lastLoadOk = ok;
}

bool FakeTabWebChannel::isExistsFovoritesInOpenedBook()
{
    ++favoritesQueries;
    return favoritesExist;
}

void FakeTabWebChannel::showFootNote(const QVariant& number, const QString& content)
{
    footNotes.append(QVariant(QVariantList{number, content}));
}

namespace {

QString pageKey(const QUrl& url)
{
    return url.host() + url.path(QUrl::FullyDecoded);
}

void reply(QWebEngineUrlRequestJob* job, const QByteArray& type, const QByteArray& data)
{
    auto* buffer = new QBuffer(job);
    buffer->setData(data);
    buffer->open(QIODevice::ReadOnly);
    job->reply(type, buffer);
}

} // namespace

void FixturePages::setPage(const QUrl& url, const QByteArray& html)
{
    m_pages.insert(pageKey(url), html);
}

void FixturePages::requestStarted(QWebEngineUrlRequestJob* job)
{
    const QUrl url = job->requestUrl();
    const QString path = url.path(QUrl::FullyDecoded);
    if (path.startsWith(QLatin1String(HttpWord::webResourcePrefix))) {
        try {
            const auto [type, data] = readWebResource(path);
            reply(job, type, data);
        } catch (const SchemeHandlerException&) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        }
        return;
    }
    const auto page = m_pages.constFind(pageKey(url));
    if (page == m_pages.constEnd()) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    reply(job, "text/html", *page);
}

WebPage& WebPage::instance()
{
    static WebPage* page = new WebPage(nullptr); // lives until the process ends, with the web engine
    return *page;
}

WebPage::WebPage(QWebEngineUrlSchemeHandler* handler)
{
    m_window = std::make_unique<QmlWindow>();
    QQmlContext* context = m_window->engine().rootContext();
    context->setContextProperty(QStringLiteral("probe"), &m_probe);
    context->setContextProperty(QStringLiteral("tabWebChannel"), &m_channel);
    const bool loaded = m_window->load(
        QUrl::fromLocalFile(QStringLiteral(TARNOLIX_TEST_SOURCE_DIR "/tests/pages_web/PageView.qml")));
    EXPECT_TRUE(loaded) << m_window->warnings().join(QLatin1Char('\n')).toStdString();
    if (!loaded)
        return;
    m_root = m_window->window();
    auto* profile = qvariant_cast<QQuickWebEngineProfile*>(m_root->property("profile"));
    EXPECT_TRUE(profile);
    if (profile)
        profile->installUrlSchemeHandler("tarnolix", handler ? handler : &m_pages);
    EXPECT_TRUE(m_window->show());
}

bool WebPage::open(const QUrl& url, const QByteArray& html)
{
    m_pages.setPage(url, html);
    return load(url);
}

bool WebPage::load(const QUrl& url)
{
    if (!m_root)
        return false;
    clearConsole();
    auto* view = qvariant_cast<QObject*>(m_root->property("view"));
    const int loadsBefore = m_probe.loads;
    view->setProperty("url", url);
    if (!waitUntil([&] { return m_probe.loads > loadsBefore; }, 20000) || !m_probe.lastLoadOk) {
        ADD_FAILURE() << "page did not load: " << url.toString().toStdString();
        return false;
    }
    if (!waitFor(QStringLiteral("typeof g_tabWebChannel === 'object' && g_tabWebChannel !== null"), 10000)) {
        ADD_FAILURE() << "web channel not connected on " << url.toString().toStdString();
        return false;
    }
    return true;
}

QVariant WebPage::run(const QString& script, int timeoutMs)
{
    if (!m_root)
        return {};
    const int id = m_nextRequest++;
    QMetaObject::invokeMethod(m_root, "runScript", Q_ARG(QVariant, id), Q_ARG(QVariant, script));
    if (!waitUntil([&] { return m_probe.results.contains(id); }, timeoutMs)) {
        ADD_FAILURE() << "script did not answer: " << script.left(200).toStdString();
        return {};
    }
    return m_probe.results.take(id);
}

bool WebPage::waitFor(const QString& condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    do {
        if (run(QStringLiteral("!!(") + condition + QLatin1Char(')')).toBool())
            return true;
        waitUntil([] { return false; }, 20);
    } while (timer.elapsed() < timeoutMs);
    return false;
}

bool WebPage::consoleHas(const QString& text) const
{
    for (const QString& line : m_probe.consoleLines) {
        if (line.contains(text))
            return true;
    }
    return false;
}

void WebPage::resize(int width, int height)
{
    m_window->window()->resize(width, height);
    waitFor(QStringLiteral("window.innerWidth === %1 && window.innerHeight === %2").arg(width).arg(height));
}

QString WebPage::screenshot(const QString& name)
{
    // Let the compositor deliver the frame that shows the latest changes.
    run(QStringLiteral("document.body.offsetHeight"));
    waitUntil([] { return false; }, 400);
    return m_window->screenshot(name);
}

// ---- Documents ----

namespace {

// A page generator whose frame shows what `options` ask for.
std::unique_ptr<HTMLCreator> frameCreator(const QByteArray& colorClass, const QByteArray& hideClasses, double zoom)
{
    PageFrameState state;
    state.webviewZoomFactor = zoom;
    state.colorMode = colorClass == "dark"    ? TarnolixConstants::Dark
                      : colorClass == "mixed" ? TarnolixConstants::Mixed
                                              : TarnolixConstants::Light;
    state.showSanskrit = !hideClasses.contains("hide-sanskrit");
    state.showDiacritic = !hideClasses.contains("hide-diacritic");
    state.showWordByWord = !hideClasses.contains("hide-word-by-word");
    state.showTranslate = !hideClasses.contains("hide-translate");
    state.showComment = !hideClasses.contains("hide-comment");
    auto creator = std::make_unique<HTMLCreator>();
    creator->setFrameState(state);
    return creator;
}

} // namespace

QByteArray pageDocument(const FrameOptions& options, const QByteArray& content)
{
    PageFrameOptions frame;
    frame.hideClasses = true;
    frame.scripts.assign(options.scripts.begin(), options.scripts.end());
    frame.onClick = options.onClick;
    QByteArray out;
    frameCreator(options.colorClass, options.hideClasses, options.zoom)->getHtmlPage(out, frame);
    out += "<div id=\"content\">\n" + content + "</div>\n</div>\n</body>\n</html>\n";
    return out;
}

QByteArray bookPageShell(const QByteArray& colorClass, double zoom)
{
    return frameCreator(colorClass, {}, zoom)->getBookPage();
}

QString sectionHtml(const QString& code, int index, const QString& title, const QList<ParagraphFixture>& paragraphs,
                    const QStringList& favoriteButtons, const QString& bookTitle)
{
    QString out = QStringLiteral("<div id=\"%1\" class=\"book-page\" data-section-index=\"%2\">").arg(code).arg(index);
    for (const QString& uuid : favoriteButtons)
        out += QStringLiteral("<button type=\"button\" class=\"favorite-button\" favorite-span-id=\"favorite_%1_span_1\" "
                              "onclick=\"g_tabWebChannel.favoriteMessageButtonClicked('%1')\">"
                              "<img src=\"/resource/web/images/favorite_message.svg\" width=\"16\" height=\"16\">"
                              "</button>")
                   .arg(uuid);
    if (!bookTitle.isEmpty())
        out += QStringLiteral("<h1 class=\"book-title\">") + bookTitle + QStringLiteral("</h1>");
    out += QStringLiteral("<h1 class=\"book-page-title\">") + title + QStringLiteral("</h1>");
    if (!paragraphs.isEmpty()) {
        out += QStringLiteral("<div>");
        for (const ParagraphFixture& paragraph : paragraphs) {
            out += QStringLiteral("<div class=\"paragraph ") + paragraph.kindClass + QStringLiteral("\">");
            if (!paragraph.label.isEmpty())
                out += QStringLiteral("<div class=\"note\">") + paragraph.label + QStringLiteral("</div>");
            out += QStringLiteral("<div>") + paragraph.html + QStringLiteral("</div></div>");
        }
        out += QStringLiteral("</div>");
    }
    return out + QStringLiteral("</div>");
}

QString longSectionHtml(const QString& code, int index, int count)
{
    QList<ParagraphFixture> paragraphs;
    for (int i = 1; i <= count; ++i)
        paragraphs.append({QStringLiteral("paragraph--type-text"), {},
                           QStringLiteral("Paragraph %1 of section %2. ").arg(i).arg(code).repeated(12)});
    return sectionHtml(code, index, QStringLiteral("Section ") + code, paragraphs);
}

QString scriptText(const QString& script)
{
    return WebPage::instance().run(script).toString();
}

double scriptNumber(const QString& script)
{
    return WebPage::instance().run(script).toDouble();
}

QString jsString(const QString& text)
{
    const QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}

} // namespace tarnolix::test
