// The debug window's tools on the real application object.
#include "app/DebugHelper.h"
#include "app/Tarnolix.h"
#include "core/Exception.h"
#include "database/TarnolixDB.h"
#include "tests/app/Fakes.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace {

using tarnolix::test::app;
using tarnolix::test::MessageLog;

bool hasIndex(TarnolixDB& db, const QString& name)
{
    QSqlQuery query = db.execSql(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='index' AND name=?"),
                                 QVariantList{name});
    return query.next();
}

class DebugHelperTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(tarnolix::test::openAccountRuntime(QStringLiteral("reader@tarnolix.invalid"))); }
    void TearDown() override
    {
        app().setCurTabStatus(nullptr);
        EXPECT_TRUE(tarnolix::test::logoutAndWait());
    }
    DebugHelper& helper() { return *app().debugHelper(); }
};

TEST_F(DebugHelperTest, IndexesAreCreatedAgainAfterAFailedDeletion)
{
    TarnolixDB& db = *app().guiDatabase();
    ASSERT_TRUE(hasIndex(db, QStringLiteral("CategoriesIndex")));
    bool droppedWhileDeleting = false;
    helper().setBookDeleter([&](TarnolixDB& used, const std::vector<int>& ids) {
        EXPECT_EQ(&used, &db);
        EXPECT_EQ(ids, db.selectBookIds());
        droppedWhileDeleting = !hasIndex(used, QStringLiteral("CategoriesIndex"));
        throw Exception("disk I/O error");
    });
    QSignalSpy errors(&app(), &Tarnolix::errorMessage);
    MessageLog log;
    helper().deleteAllBooks();
    EXPECT_TRUE(droppedWhileDeleting);
    EXPECT_TRUE(hasIndex(db, QStringLiteral("CategoriesIndex")));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("DebugHelper::deleteAllBooks error: disk I/O error")));
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.at(0).at(1).toString(), QStringLiteral("disk I/O error"));
}

TEST_F(DebugHelperTest, WithoutTheUpdateEngineDeletingIsRefusedAndTheIndexesStay)
{
    QSignalSpy errors(&app(), &Tarnolix::errorMessage);
    helper().deleteAllBooks();
    EXPECT_EQ(errors.count(), 1);
    EXPECT_TRUE(hasIndex(*app().guiDatabase(), QStringLiteral("BookBaseIndex")));
}

TEST_F(DebugHelperTest, RunsTheScriptInTheCurrentTabsItem)
{
    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData("import QtQuick 2.15\nItem { property string received\n"
                      "function runScript(text) { received = text } }",
                      QUrl());
    const std::unique_ptr<QObject> tabItem(component.create());
    ASSERT_NE(tabItem, nullptr);
    const auto dir = tarnolix::test::makeTempDir();
    const QString script = dir->filePath(QStringLiteral("debug.js"));
    qputenv("TARNOLIX_DEBUG_SCRIPT", QFile::encodeName(script));
    EXPECT_EQ(DebugHelper::debugScriptPath(), script);

    MessageLog log;
    helper().runDebugScript();
    EXPECT_TRUE(log.contains(QtInfoMsg, QStringLiteral("curTabStatus=0")));

    TabStatus withoutItem;
    app().setCurTabStatus(&withoutItem);
    helper().runDebugScript();
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("tabItem=0")));

    TabStatus tab;
    tab.setTabItem(tabItem.get());
    app().setCurTabStatus(&tab);
    helper().runDebugScript(); // no file yet
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Open file \"%1\" error:").arg(script)));
    EXPECT_EQ(tabItem->property("received").toString(), QString());

    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("tabWebView.runJavaScript('показать()')");
    file.close();
    helper().runDebugScript();
    EXPECT_EQ(tabItem->property("received").toString(), QStringLiteral("tabWebView.runJavaScript('показать()')"));

    QObject plainItem;
    TabStatus withPlainItem;
    withPlainItem.setTabItem(&plainItem);
    app().setCurTabStatus(&withPlainItem);
    helper().runDebugScript();
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("call runScript failed")));
    app().setCurTabStatus(nullptr);
    qunsetenv("TARNOLIX_DEBUG_SCRIPT");
    EXPECT_TRUE(DebugHelper::debugScriptPath().endsWith(QStringLiteral("/tarnolix_debug.js")));
}

} // namespace
