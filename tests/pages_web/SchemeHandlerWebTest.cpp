// The scheme handler in a real web view: the view's profile has the handler
// of a tab, the account runtime's page generator builds the pages, and the
// page scripts and the style sheet come through the same handler.

#include "tests/pages_web/WebPage.h"

#include "app/DPCalculate.h"
#include "app/Tarnolix.h"
#include "pages/HTMLCreator.h"
#include "pages/SchemeHandlerTab.h"
#include "pages/SectionFavorites.h"
#include "pages/TarnolixSchemeHandler.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QImage>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <gtest/gtest.h>

using namespace tarnolix::test;
using C = TarnolixConstants;

namespace {

class RecordingTab : public SchemeHandlerTab
{
public:
    void setUrl(const QUrl& url) override { urls.append(url); }
    QList<QUrl> urls;
};

class OneFavorite : public SectionFavorites
{
public:
    explicit OneFavorite(std::shared_ptr<const Favorite> favorite) : m_favorite(std::move(favorite)) {}
    FavoriteConstArray sectionFavorites(quint64) override
    {
        ++rendered;
        return {m_favorite};
    }
    int sectionCoverage(const Favorite&, quint64) const override { return 2; }
    void resetRenderedCount() override { rendered = 0; }
    int renderedCount() const override { return rendered; }
    int rendered = 0;

private:
    std::shared_ptr<const Favorite> m_favorite;
};

QString text(WebPage& page, const QString& script)
{
    return page.run(script).toString();
}

RecordingTab& tab()
{
    static auto* tab = new RecordingTab; // with the view, until the process ends
    return *tab;
}

// The view of a tab: its profile has the tab's own scheme handler.
WebPage& tabPage()
{
    static auto* handler = new TarnolixSchemeHandler(&tab(), nullptr);
    static auto* page = new WebPage(handler);
    return *page;
}

class SchemeHandlerInView : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (!app().runtimeReady()) {
            ASSERT_TRUE(openAccountRuntime(QStringLiteral("reader@tarnolix.invalid")));
        }
        // The main window's scale object, so that the zoom setting counts.
        // An unknown screen keeps the scale at 1.0.
        static DPCalculate* scale = new DPCalculate;
        scale->setScreenName(QStringLiteral("no such screen"));
        app().setMainWindowDPCalculate(scale);
    }

    void SetUp() override
    {
        ASSERT_TRUE(app().htmlCreator());
        tab().urls.clear();
    }

    // A book page of the current tab, as in a reading tab: the colour mode
    // follows the settings only there.
    static void setBookTab(bool bookMode)
    {
        static TabStatus* bookTab = new TabStatus;
        bookTab->setBookMode(true);
        app().setCurTabStatus(bookMode ? bookTab : nullptr);
    }
};

TEST_F(SchemeHandlerInView, APageBuiltOnAPoolThreadShowsTheLatestSettings)
{
    Settings& settings = *app().settings();
    settings.setZoomFactor(1.2);
    settings.setColorMode(C::Mixed);
    setBookTab(true);
    settings.setShowComment(false);
    settings.setShowSanskrit(false);

    std::shared_ptr<const HTMLCreator> creator = app().htmlCreator();
    const QByteArray page =
        QtConcurrent::run(QThreadPool::globalInstance(), [creator] { return creator->getBookPage(); }).result();
    EXPECT_TRUE(page.contains("<body style=\"zoom: 1.200000;\">\n<div id=\"page\" class=\"invisible content-inner "
                              "mixed hide-sanskrit hide-comment\""))
        << page.toStdString();

    settings.setZoomFactor(1.0);
    settings.setColorMode(C::Dark);
    setBookTab(false);
    settings.setShowComment(true);
    settings.setShowSanskrit(true);
    const QByteArray back =
        QtConcurrent::run(QThreadPool::globalInstance(), [creator] { return creator->getBookPage(); }).result();
    EXPECT_TRUE(back.contains("<body>\n<div id=\"page\" class=\"invisible content-inner light\"")) << back.toStdString();
}

TEST_F(SchemeHandlerInView, NewTabPage)
{
    WebPage& page = tabPage();
    // With the path "/" that the view puts in an empty one.
    const QUrl url(QStringLiteral("tarnolix://newtab.ru/?tabId=1"));
    ASSERT_TRUE(page.load(url));
    page.run(QStringLiteral("showPage()"));
    EXPECT_EQ(tab().urls, QList<QUrl>{url});
    EXPECT_EQ(text(page, QStringLiteral("document.querySelector('.new-tab h2').textContent")),
              QCoreApplication::translate("HTMLCreator", "Новая вкладка"));

    // The style sheet came through the handler as a style sheet, and applies.
    EXPECT_EQ(text(page, QStringLiteral("(function () { var r = new XMLHttpRequest(); "
                                        "r.open('GET', '/resource/web/css/app.css', false); r.send(); "
                                        "return r.status + ' ' + r.getResponseHeader('content-type'); })()")),
              "200 text/css");
    EXPECT_EQ(page.run(QStringLiteral("document.styleSheets.length")).toInt(), 1);
    EXPECT_EQ(text(page, QStringLiteral("document.getElementById('page').className")), "content-inner light");
    // Its texts stand out from its dark ground, in the light colour mode too.
    EXPECT_EQ(text(page, QStringLiteral("getComputedStyle(document.querySelector('.new-tab')).backgroundColor")),
              "rgb(58, 60, 64)");
    EXPECT_EQ(text(page, QStringLiteral("getComputedStyle(document.querySelector('.new-tab h2')).color")),
              "rgb(237, 237, 238)");
    EXPECT_EQ(text(page, QStringLiteral("getComputedStyle(document.querySelector('.gray-text-color')).color")),
              "rgb(169, 170, 173)");
    // Requests of the page for the page's own files do not touch the tab.
    EXPECT_EQ(tab().urls.size(), 1);
    // As the tab's web view shows it: over the whole view.
    page.run(QStringLiteral("document.body.classList.add('new-tab-page')"));
    EXPECT_FALSE(page.screenshot(QStringLiteral("scheme-handler-new-tab")).isEmpty());
}

TEST_F(SchemeHandlerInView, ReaderPageShellWithASection)
{
    Settings& settings = *app().settings();
    settings.setColorMode(C::Dark);
    setBookTab(true);

    WebPage& page = tabPage();
    const QUrl url(QStringLiteral("tarnolix://openbook.ru/Book-101/Section-v1?tabId=1"));
    ASSERT_TRUE(page.load(url));
    EXPECT_EQ(tab().urls, QList<QUrl>{url});
    EXPECT_EQ(text(page, QStringLiteral("document.getElementById('page').className")), "invisible content-inner dark");

    auto book = std::make_shared<BookInfo>();
    book->bookId = 101;
    book->language = C::Russian;
    book->name = QStringLiteral("Дипа-самхита & <светильник>");
    auto section = std::make_shared<BookSection>();
    section->code = QStringLiteral("v1");
    section->title = QStringLiteral("Стих 1.1");
    auto part = std::make_shared<BookPart>();
    const auto paragraph = [](int kind, const char* text) {
        return std::make_shared<BookEntity>(quint8(kind), QMap<QString, QString>{}, QStringList{QString::fromUtf8(text)});
    };
    part->entities = {
        paragraph(2, "हृदये दीपः ज्वलति ।<br>नित्यं शान्तः प्रकाशते ॥1॥"),
        paragraph(3, "hṛdaye dīpaḥ jvalati |<br>nityaṁ śāntaḥ prakāśate ||1||"),
        paragraph(4, "<i>hṛdaye</i> — в сердце; <i>dīpaḥ</i> — светильник; <i>jvalati</i> — горит"),
        paragraph(5, "В сердце горит светильник; спокойный, он всегда светит."),
        paragraph(6, "Мудрец начинает с образа, знакомого каждому: маленькое пламя в тёмной комнате."),
    };
    auto favorite = std::make_shared<Favorite>();
    favorite->setUuid(QUuid::fromString(QLatin1String("11111111-1111-4111-8111-111111111111")));
    favorite->startSelectedPosition().setSectionIndex(0);
    favorite->endSelectedPosition().setSectionIndex(0);
    // "горит светильник" in the translation: offsets count the section's
    // visible text (the book title, the section title, labels and texts).
    const int translationStart = QStringLiteral("Дипа-самхита & <светильник>Стих 1.1").size() +
                                 QStringLiteral("हृदये दीपः ज्वलति ।नित्यं शान्तः प्रकाशते ॥1॥").size() +
                                 QStringLiteral("hṛdaye dīpaḥ jvalati |nityaṁ śāntaḥ prakāśate ||1||").size() +
                                 QStringLiteral("Пословный перевод:hṛdaye — в сердце; dīpaḥ — светильник; jvalati — горит").size() +
                                 QStringLiteral("Перевод:В сердце ").size();
    favorite->startSelectedPosition().setOffset(translationStart);
    favorite->endSelectedPosition().setOffset(translationStart + QStringLiteral("горит светильник").size());
    OneFavorite favorites(favorite);
    const QString marked = app().htmlCreator()->getBookSections(book, {section, part, 0}, &favorites);

    page.run(QStringLiteral("appendSection(%1, true)").arg(jsString(marked)));
    page.run(QStringLiteral("showPage()"));
    EXPECT_EQ(text(page, QStringLiteral("document.querySelector('.book-title').textContent")), book->name);
    EXPECT_EQ(text(page, QStringLiteral("document.querySelector('span.favorite').textContent")),
              QStringLiteral("горит светильник"));
    ASSERT_TRUE(page.waitFor(QStringLiteral("document.querySelector('.favorite-button').style.top !== ''")));

    page.run(QStringLiteral("document.querySelector('span.favorite').scrollIntoView({block: 'center'})"));
    const QString path = page.screenshot(QStringLiteral("scheme-handler-reader-dark"));
    ASSERT_FALSE(path.isEmpty());
    const QImage shot(path);
    // The dark page's background at the left edge.
    EXPECT_LT(qGray(shot.pixel(5, shot.height() / 2)), 60);

    settings.setColorMode(C::Dark);
    setBookTab(false);
}

} // namespace
