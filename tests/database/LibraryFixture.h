#pragma once
// A new library file in a temporary directory, opened and initialised.

#include "database/TarnolixDB.h"
#include "tests/support/TestSupport.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

#include <set>

class LibraryFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = tarnolix::test::makeTempDir();
        path = dir->filePath(QStringLiteral("Tarnolix.db"));
        db = std::make_shared<TarnolixDB>();
        db->open(path, 1000);
        db->initialize();
    }

    // Names of the schema objects of one type, SQLite's own left out.
    std::set<QString> objects(const QString& type)
    {
        QSqlQuery q = db->execSql(
            QStringLiteral("SELECT name FROM sqlite_master WHERE type=? AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'"),
            QVariantList{type});
        std::set<QString> names;
        while (q.next())
            names.insert(q.value(0).toString());
        return names;
    }

    int count(const QString& sql, const QVariantList& values = {})
    {
        QSqlQuery q = db->execSql(sql, values);
        return q.next() ? q.value(0).toInt() : -1;
    }

    std::unique_ptr<QTemporaryDir> dir;
    QString path;
    std::shared_ptr<TarnolixDB> db;
};
