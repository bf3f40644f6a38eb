// UrlCreator, the URL model as QML and the tabs use it: its properties, its
// invokables on the GUI thread's library, and its failures.

#include "pages/UrlCreator.h"

#include "pages/UrlCreatorImpl.h"
#include "tests/pages/BookLibraryFixture.h"
#include "tests/support/MessageLog.h"

#include <gtest/gtest.h>

#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExpression>

#include <functional>

using namespace tarnolix::test;
using C = TarnolixConstants;

namespace {

using UrlCreatorObject = BookLibraryFixture;

// Every field as one text, through the object.
QString state(const UrlCreator& urlCreator)
{
    return describe(urlCreator.impl());
}

} // namespace

TEST_F(UrlCreatorObject, PropertiesAreTheRequest)
{
    UrlCreator urlCreator;
    EXPECT_TRUE(urlCreator.setProperty("string", QStringLiteral("tarnolix://openbook.ru/Book-77/Section-r-2?tabId=3")));
    EXPECT_EQ(urlCreator.property("queryType").toInt(), UrlCreator::OpenBook);
    EXPECT_EQ(urlCreator.property("language").toInt(), C::Russian);
    EXPECT_EQ(urlCreator.property("tabId").toInt(), 3);
    EXPECT_EQ(urlCreator.getBookId(), 77);
    EXPECT_EQ(urlCreator.getSectionCode(), "r-2");

    const QVariantList path = urlCreator.property("itemPath").toList();
    ASSERT_EQ(path.size(), 2);
    EXPECT_EQ(path.at(1).toMap().value(QStringLiteral("id")).toString(), "r-2");

    urlCreator.setProperty("catalogTab", C::Names);
    urlCreator.setProperty("searchId", 8);
    urlCreator.setProperty("itemPath", QVariantList{QVariantMap{{"type", C::Book}, {"id", 78}}});
    EXPECT_EQ(urlCreator.property("url").toUrl().toString(),
              "tarnolix://openbook.ru/Book-78?catalogTab=Names&searchId=8&tabId=3");

    EXPECT_FALSE(urlCreator.fromString(QStringLiteral("tarnolix://openbook/Book-5")));
    EXPECT_FALSE(urlCreator.isValid());
    EXPECT_TRUE(urlCreator.fromUrl(QUrl(QStringLiteral("tarnolix://newtab.en"))));
    EXPECT_EQ(urlCreator.createRedirectUrl().toString(), "tarnolix://redirect.en?redirect=tarnolix://newtab.en");

    QString text;
    QDebug(&text) << &urlCreator;
    EXPECT_EQ(text, "UrlCreator(tarnolix://newtab.en) ");
}

TEST_F(UrlCreatorObject, InvokablesChangeTheRequestOnlyWhenTheySucceed)
{
    struct Case
    {
        const char* what;
        const char* url;
        std::function<bool(UrlCreator&)> call;
        const char* after;   // URL text after success; null: it fails
        const char* warning; // on failure
        bool shown;
    };
    const std::vector<Case> cases = {
        {"createPath", "tarnolix://newtab.ru",
         [](UrlCreator& u) { return u.createPath(C::Russian, C::Categories, 77, C::Book); },
         "tarnolix://openbookcover.ru/Category-3/Category-5/Book-77?catalogTab=Categories", nullptr, false},
        {"createPath of an invalid type", "tarnolix://newtab.ru",
         [](UrlCreator& u) { return u.createPath(C::Russian, C::Categories, 5, C::Category); }, nullptr,
         "createPath: Invalid type(0x87965428)(Category)", true},
        {"tryCreateCategoryPath", "tarnolix://newtab.en",
         [](UrlCreator& u) { return u.tryCreateCategoryPath(C::English, 78, C::Book); },
         "tarnolix://openbookcover.en/Letter-O/Book-78?catalogTab=Names", nullptr, false},
        {"tryCreateCategoryPath of a missing book", "tarnolix://newtab.en",
         [](UrlCreator& u) { return u.tryCreateCategoryPath(C::English, 99, C::Book); }, nullptr,
         "tryCreateCategoryPath: Book not found", true},
        {"processSlugMode", "tarnolix://openbookslug.ru/Book-dipa-samhita/Section-glava-2?tabId=2",
         [](UrlCreator& u) { return u.processSlugMode(); },
         "tarnolix://openbook.ru/Letter-\xD0\x94/Book-77/Section-r-2?catalogTab=Names&tabId=2", nullptr, false},
        {"processSlugMode of a missing book", "tarnolix://openbookslug.ru/Book-only-english?tabId=2",
         [](UrlCreator& u) { return u.processSlugMode(); }, nullptr,
         "processSlugMode: \xD0\x9A\xD0\xBD\xD0\xB8\xD0\xB3\xD0\xB0", true},
        {"toSlugMode", "tarnolix://openbook.en/Book-77/Section-e-intro",
         [](UrlCreator& u) { return u.toSlugMode(); },
         "tarnolix://openbookslug.en/Book-dipa-samhita/Section-intro?catalogTab=Names", nullptr, false},
        {"toSlugMode of a cover", "tarnolix://openbookcover.en/Book-77", [](UrlCreator& u) { return u.toSlugMode(); },
         nullptr, "toSlugMode: OpenBook support only", true},
        {"findBookWithDifferentLanguage", "tarnolix://openbook.ru/Book-77/Section-r-2-13?catalogTab=Categories",
         [](UrlCreator& u) { return u.findBookWithDifferentLanguage(C::English); },
         "tarnolix://openbook.en/Category-3/Category-5/Book-77/Section-e-2/Section-e-2-12?catalogTab=Categories",
         nullptr, false},
        // Only logged: QML tries the other language quietly.
        {"findBookWithDifferentLanguage without a match", "tarnolix://openbook.ru/Book-79/Section-t-4-2",
         [](UrlCreator& u) { return u.findBookWithDifferentLanguage(C::English); }, nullptr,
         "findBookWithDifferentLanguage: Corresponding section is unavailable in the requested language", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        UrlCreator urlCreator;
        ASSERT_TRUE(urlCreator.fromString(QString::fromUtf8(c.url)));
        const QString before = state(urlCreator);
        services.errors.clear();
        MessageLog log;
        const bool ok = c.call(urlCreator);
        EXPECT_EQ(ok, c.after != nullptr);
        if (c.after) {
            EXPECT_EQ(urlCreator.toString(), QString::fromUtf8(c.after));
            EXPECT_TRUE(services.errors.isEmpty());
            continue;
        }
        EXPECT_EQ(state(urlCreator), before);
        EXPECT_TRUE(log.contains(QtWarningMsg, QString::fromUtf8(c.warning)))
            << qPrintable(log.texts(QtWarningMsg).join('\n'));
        EXPECT_EQ(services.errors.size(), c.shown ? 1 : 0);
        // The reader sees the text that was logged.
        if (c.shown && !services.errors.isEmpty()) {
            EXPECT_TRUE(log.contains(QtWarningMsg, ": " + services.errors.first()))
                << qPrintable(services.errors.first());
        }
    }
}

TEST_F(UrlCreatorObject, WithoutALibrary)
{
    services.db.reset();
    UrlCreator urlCreator;
    urlCreator.fromString(QStringLiteral("tarnolix://newtab.ru"));
    MessageLog log;
    EXPECT_FALSE(urlCreator.createPath(C::Russian, C::Categories, 77, C::Book));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("createPath: The account library is not open")));
    EXPECT_EQ(services.errors, QStringList{QStringLiteral("The account library is not open")});
    EXPECT_EQ(urlCreator.toString(), "tarnolix://newtab.ru");
}

TEST_F(UrlCreatorObject, WebSiteLinksUseTheConfiguredSite)
{
    UrlCreator urlCreator;
    EXPECT_TRUE(urlCreator.fromWebBookUrl(QUrl(QStringLiteral("https://www.tarnolix.invalid/en/books/dipa-samhita"))));
    EXPECT_EQ(urlCreator.toString(), "tarnolix://openbookslug.en/Book-dipa-samhita?catalogTab=Names");

    qputenv("TARNOLIX_WEB_SITE_URL", "http://127.0.0.1:47310");
    EXPECT_TRUE(urlCreator.fromWebBookUrl(QUrl(QStringLiteral("http://127.0.0.1:47310/ru/books/tika"))));
    EXPECT_EQ(urlCreator.language(), C::Russian);
    EXPECT_FALSE(urlCreator.fromWebBookUrl(QUrl(QStringLiteral("https://tarnolix.invalid/en/books/tika"))));
    qunsetenv("TARNOLIX_WEB_SITE_URL");
    EXPECT_EQ(urlCreator.toString(), "tarnolix://openbookslug.ru/Book-tika?catalogTab=Names");
}

TEST_F(UrlCreatorObject, QmlCallsWithItsOwnValues)
{
    qRegisterMetaType<TarnolixConstants::Language>("TarnolixConstants::Language");
    qRegisterMetaType<TarnolixConstants::CatalogTab>("TarnolixConstants::CatalogTab");
    qRegisterMetaType<TarnolixConstants::CatalogItemType>("TarnolixConstants::CatalogItemType");
    qRegisterMetaType<UrlCreator::QueryType>("UrlCreator::QueryType");

    QQmlEngine engine;
    UrlCreator urlCreator;
    engine.rootContext()->setContextProperty(QStringLiteral("urlCreator"), &urlCreator);
    const auto evaluate = [&engine](const char* expression) {
        QQmlExpression e(engine.rootContext(), nullptr, QString::fromLatin1(expression));
        const QVariant value = e.evaluate();
        EXPECT_FALSE(e.hasError()) << qPrintable(e.error().toString());
        return value;
    };
    // Numbers for the enumerations, a text for the section code.
    EXPECT_TRUE(evaluate("urlCreator.createPath(2, 2, 'r-3-5', 5)").toBool());
    EXPECT_EQ(evaluate("urlCreator.string").toString(),
              QString::fromUtf8("tarnolix://openbook.ru/Letter-Д/Book-77/Section-r-3/Section-r-3-5?catalogTab=Names"));
    EXPECT_EQ(evaluate("urlCreator.itemPath[2].id").toString(), "r-3");
    evaluate("urlCreator.tabId = 5");
    EXPECT_EQ(evaluate("urlCreator.toUrl().toString()").toString(), urlCreator.toString());
    EXPECT_TRUE(evaluate("urlCreator.findBookWithDifferentLanguage(1)").toBool());
    EXPECT_EQ(evaluate("urlCreator.getSectionCode()").toString(), "e-3-5");
    EXPECT_FALSE(evaluate("urlCreator.fromString('tarnolix://openbook.ru/Book5')").toBool());
}
