#include "tests/support/LibrarySnapshot.h"

#include <LuceneHeaders.h>

#include <QCborValue>
#include <QDataStream>
#include <QDir>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

#include <gtest/gtest.h>

#include <algorithm>

namespace tarnolix::test {

namespace {

// A Settings value as comparable text: hash tables by content, positions in order.
QString settingText(const QString& key, const QVariant& value)
{
    if (key == QLatin1String("GlossariesIdMngr") || key == QLatin1String("GlossaryTree"))
        return QString::fromUtf8(
            QJsonDocument::fromVariant(QCborValue::fromCbor(value.toByteArray()).toVariant()).toJson(QJsonDocument::Compact));
    if (key.startsWith(QLatin1String("SectionsCatalogPositions_"))) {
        QDataStream stream(value.toByteArray());
        quint32 count = 0;
        stream >> count;
        std::map<QString, qint32> positions;
        for (quint32 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
            QString code;
            qint32 position = 0;
            stream >> code >> position;
            positions[code] = position;
        }
        QStringList text;
        for (const auto& entry : positions)
            text.append(entry.first + QLatin1Char('=') + QString::number(entry.second));
        return text.join(QLatin1Char(','));
    }
    return value.type() == QVariant::ByteArray ? QString::fromLatin1(value.toByteArray().toHex()) : value.toString();
}

} // namespace

LibrarySnapshot librarySnapshot(const QString& folder, const QStringList& ignoredSettings,
                                const QStringList& ignoredPrefixes)
{
    LibrarySnapshot shot;
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(folder + QStringLiteral("/Tarnolix.db"));
        EXPECT_TRUE(db.open());
        QSqlQuery tables(db);
        tables.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"));
        QStringList names;
        while (tables.next())
            names.append(tables.value(0).toString());
        for (const QString& table : names) {
            if (std::any_of(ignoredPrefixes.begin(), ignoredPrefixes.end(),
                            [&](const QString& prefix) { return table.startsWith(prefix); }))
                continue;
            QSqlQuery rows(db);
            rows.exec(QStringLiteral("SELECT * FROM \"%1\"").arg(table));
            QStringList& out = shot.tables[table];
            while (rows.next()) {
                const QSqlRecord record = rows.record();
                if (table == QLatin1String("Settings") && ignoredSettings.contains(rows.value(0).toString()))
                    continue;
                QStringList fields;
                if (table == QLatin1String("Settings")) {
                    // Hash tables are stored in the order of a per-process seed.
                    fields << rows.value(0).toString() << settingText(rows.value(0).toString(), rows.value(1));
                    out.append(fields.join(QLatin1Char('|')));
                    continue;
                }
                for (int i = 0; i < record.count(); ++i) {
                    const QVariant value = record.value(i);
                    fields.append(value.type() == QVariant::ByteArray
                                      ? QString::fromLatin1(value.toByteArray().toHex())
                                      : value.toString());
                }
                out.append(fields.join(QLatin1Char('|')));
            }
            out.sort();
        }
    }
    QSqlDatabase::removeDatabase(name);
    for (const QString& index : {QStringLiteral("Index_1"), QStringLiteral("Index_2"), QStringLiteral("Index_3"),
                                 QStringLiteral("Index2"), QStringLiteral("Index3")}) {
        const std::wstring field = index == QLatin1String("Index3") ? L"id" : L"bid";
        std::map<QString, int>& counts = shot.indexes[index];
        const QString path = folder + QLatin1Char('/') + index;
        if (!QDir(path).exists())
            continue;
        Lucene::IndexReaderPtr reader = Lucene::IndexReader::open(Lucene::FSDirectory::open(path.toStdWString()), true);
        for (int32_t doc = 0; doc < reader->maxDoc(); ++doc) {
            if (!reader->isDeleted(doc))
                ++counts[QString::fromStdWString(reader->document(doc)->get(field))];
        }
        reader->close();
    }
    return shot;
}

QStringList librarySql(const QString& folder, const QString& statement)
{
    QStringList out;
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(folder + QStringLiteral("/Tarnolix.db"));
        EXPECT_TRUE(db.open());
        QSqlQuery query(db);
        EXPECT_TRUE(query.exec(statement)) << statement.toStdString();
        while (query.next()) {
            QStringList fields;
            for (int i = 0; i < query.record().count(); ++i)
                fields.append(query.value(i).toString());
            out.append(fields.join(QLatin1Char('|')));
        }
    }
    QSqlDatabase::removeDatabase(name);
    return out;
}

void expectEqualLibraries(const LibrarySnapshot& actual, const LibrarySnapshot& expected, const char* what)
{
    for (const auto& table : expected.tables) {
        const auto it = actual.tables.find(table.first);
        ASSERT_NE(it, actual.tables.end()) << what << ": no table " << table.first.toStdString();
        EXPECT_EQ(it->second, table.second) << what << ": table " << table.first.toStdString();
    }
    EXPECT_EQ(actual.tables.size(), expected.tables.size()) << what;
    EXPECT_EQ(actual.indexes, expected.indexes) << what;
}

} // namespace tarnolix::test
