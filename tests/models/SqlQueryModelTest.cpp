#include "models/SqlQueryModel.h"
#include "tests/models/CatalogLibrary.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace tarnolix::test;

using SqlQueryModelTest = CatalogLibrary;

TEST_F(SqlQueryModelTest, ShowsTheSearchHistoryByColumnName)
{
    for (const char* query : {"дхарма", "кришна", "йога"})
        db->insertQueryHistory(QString::fromUtf8(query));
    SqlQueryModel m;
    QSignalSpy changed(&m, &SqlQueryModel::queryChanged);
    const QString select = QStringLiteral("SELECT query FROM QueriesHistory ORDER BY rowId DESC");
    ASSERT_TRUE(m.setProperty("query", select));
    EXPECT_EQ(m.property("query").toString(), select);
    EXPECT_EQ(changed.count(), 1);

    const QHash<int, QByteArray> roles = m.roleNames();
    EXPECT_EQ(roles.value(256), "query");
    EXPECT_EQ(roles.value(0), "display");
    ASSERT_EQ(m.rowCount(), 3);
    EXPECT_EQ(m.data(m.index(0, 0), 256), "йога");
    EXPECT_EQ(m.data(m.index(2, 0), Qt::DisplayRole), "дхарма");
    EXPECT_FALSE(m.data(m.index(0, 0), 257).isValid()) << "no second column";
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);

    // Clearing runs a statement without rows; the select again shows none.
    m.setQueryText(QStringLiteral("DELETE FROM QueriesHistory"));
    EXPECT_EQ(m.rowCount(), 0);
    m.setQueryText(select);
    EXPECT_EQ(m.rowCount(), 0);
    EXPECT_EQ(m.roleNames().value(256), "query");

    m.setQueryText(QStringLiteral("SELECT rowId AS n, query AS text FROM QueriesHistory"));
    EXPECT_EQ(m.roleNames().value(256), "n") << "names follow the new statement";
    EXPECT_EQ(m.roleNames().value(257), "text");
}

TEST_F(SqlQueryModelTest, AFailingStatementIsLoggedAndShowsNoRows)
{
    db->insertQueryHistory(QStringLiteral("дхарма"));
    SqlQueryModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    m.setQueryText(QStringLiteral("SELECT query FROM QueriesHistory"));
    ASSERT_EQ(m.rowCount(), 1);

    MessageLog log;
    m.setQueryText(QStringLiteral("SELEC query FROM QueriesHistory"));
    EXPECT_EQ(m.rowCount(), 0);
    ASSERT_EQ(log.texts(QtWarningMsg).size(), 1);
    EXPECT_TRUE(log.texts(QtWarningMsg)[0].startsWith("SqlQueryModel::setQuery: Error: "));
    EXPECT_TRUE(log.texts(QtWarningMsg)[0].contains("syntax error")) << log.texts(QtWarningMsg)[0].toStdString();

    services.db.reset(); // no library open
    log.clear();
    m.setQueryText(QStringLiteral("SELECT query FROM QueriesHistory"));
    EXPECT_EQ(m.rowCount(), 0);
    EXPECT_EQ(log.texts(QtWarningMsg).size(), 1);
}
