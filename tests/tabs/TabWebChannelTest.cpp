// The object the pages call back: footnotes, the converter call outside the
// converter page, the clipboard and the favorites relays, each reaching the
// application object.
#include "app/Tarnolix.h"
#include "tabs/TabStatus.h"
#include "tabs/TabWebChannel.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestSupport.h"
#include "tests/tabs/TabFakes.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <utility>

namespace {

using namespace tarnolix::test;

TEST(TabWebChannel, ShowsAFootNoteOnlyForAWholePositiveNumber)
{
    TabStatus tab;
    TabWebChannel& channel = *tab.webChannel();
    QSignalSpy messages(&app(), &Tarnolix::message);

    const std::pair<QVariant, int> accepted[] = {{QStringLiteral("12"), 12}, {12, 12},
                                                 {12.0, 12}, {QStringLiteral(" 12 "), 12},
                                                 {QStringLiteral("7"), 7}, {2147483647.0, 2147483647}};
    for (const auto& [number, shown] : accepted) {
        SCOPED_TRACE(number.toString().toStdString());
        messages.clear();
        channel.showFootNote(number, QStringLiteral("Текст примечания"));
        ASSERT_EQ(messages.count(), 1);
        EXPECT_EQ(messages.at(0).at(0).toString(), QStringLiteral("Примечание №") + QString::number(shown));
        EXPECT_EQ(messages.at(0).at(1).toString(), QStringLiteral("Текст примечания"));
    }

    messages.clear();
    const QVariant refused[] = {QVariant(0), QVariant(-1), QVariant(1.5), QVariant(QStringLiteral("12a")),
                                QVariant(true), QVariant(QString()), QVariant(QStringLiteral("")),
                                QVariant(QStringLiteral("0")), QVariant(QStringLiteral("-1")),
                                QVariant(QStringLiteral("99999999999")), QVariant(2147483648.0),
                                QVariant(std::numeric_limits<double>::quiet_NaN()),
                                QVariant(std::numeric_limits<double>::infinity()), QVariant()};
    for (const QVariant& number : refused) {
        SCOPED_TRACE(number.toString().toStdString());
        channel.showFootNote(number, QStringLiteral("x"));
        EXPECT_EQ(TabWebChannel::footNoteNumber(number), 0);
    }
    EXPECT_EQ(messages.count(), 0);
}

TEST(TabWebChannel, ConvertsNowhereButOnTheConverterPage)
{
    TabStatus tab;
    TabWebChannel& channel = *tab.webChannel();
    QSignalSpy errors(&app(), &Tarnolix::errorMessage);
    FakePage book(UrlCreator::OpenBook);
    FakeSearchPage results(UrlCreator::FTSearch);

    for (PageStatus* page : {static_cast<PageStatus*>(&book), static_cast<PageStatus*>(&results),
                             static_cast<PageStatus*>(nullptr)}) {
        tab.setPageStatus(page);
        errors.clear();
        EXPECT_EQ(channel.convertText(QStringLiteral("kṛṣṇa"), QStringLiteral("4"), QStringLiteral("5"), false),
                  QString());
        ASSERT_EQ(errors.count(), 1);
        EXPECT_EQ(errors.at(0).at(0).toString(), QString());
        EXPECT_EQ(errors.at(0).at(1).toString(), QStringLiteral("ERROR 0x58578221"));
        EXPECT_FALSE(channel.isExistsFovoritesInOpenedBook());
    }
}

TEST(TabWebChannel, WritesAndFollowsTheSystemClipboard)
{
    TabStatus tab;
    TabWebChannel& channel = *tab.webChannel();
    QSignalSpy changed(&channel, &TabWebChannel::clipboardTextChanged);

    channel.setProperty("clipboardText", QStringLiteral("अग्नि agni"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("अग्नि agni"));
    EXPECT_TRUE(waitUntil([&] { return changed.count() > 0; }, 2000));

    changed.clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("from elsewhere"));
    EXPECT_TRUE(waitUntil([&] { return changed.count() > 0; }, 2000));
    EXPECT_EQ(channel.clipboardText(), QStringLiteral("from elsewhere"));
    EXPECT_EQ(channel.property("tabId").toInt(), tab.id());
}

TEST(TabWebChannel, RelaysEveryFavoritesClickToTheApplication)
{
    TabStatus tab;
    TabWebChannel& channel = *tab.webChannel();
    const QString uuid = QStringLiteral("6e1a3c1e-0c55-4b43-8a7e-2f9d1b6f0a11");
    struct Case
    {
        const char* log;
        std::function<void()> click;
        std::function<QSignalSpy*()> spy;
        QVariant argument;
    };
    const Case cases[] = {
        {"favoriteMessageButtonClicked: favoriteUuid=", [&] { channel.favoriteMessageButtonClicked(uuid); },
         [] { return new QSignalSpy(&app(), &Tarnolix::favoriteMessageButtonClicked); }, uuid},
        {"favoriteFolderMenuClicked: favoriteFolderUuid=", [&] { channel.favoriteFolderMenuClicked(uuid); },
         [] { return new QSignalSpy(&app(), &Tarnolix::favoriteFolderMenuClicked); }, uuid},
        {"favoriteBookMenuClicked: bookId=77", [&] { channel.favoriteBookMenuClicked(77); },
         [] { return new QSignalSpy(&app(), &Tarnolix::favoriteBookMenuClicked); }, 77},
        {"favoriteItemMenuClicked: favoriteUuid=", [&] { channel.favoriteItemMenuClicked(uuid); },
         [] { return new QSignalSpy(&app(), &Tarnolix::favoriteItemMenuClicked); }, uuid},
        {"favoriteExportClicked", [&] { channel.favoriteExportClicked(); },
         [] { return new QSignalSpy(&app(), &Tarnolix::favoriteExportClicked); }, QVariant()},
        {"favoriteImportClicked", [&] { channel.favoriteImportClicked(); },
         [] { return new QSignalSpy(&app(), &Tarnolix::favoriteImportClicked); }, QVariant()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.log);
        const std::unique_ptr<QSignalSpy> spy(c.spy());
        MessageLog log;
        c.click();
        ASSERT_EQ(spy->count(), 1);
        if (c.argument.isValid()) {
            EXPECT_EQ(spy->at(0).at(0), c.argument);
        }
        EXPECT_TRUE(log.contains(QtDebugMsg, QString::fromLatin1(c.log)));
    }
}

} // namespace
