#include "core/JsonTableSaver.h"

#include "core/Exception.h"
#include "tests/core/LogCapture.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

QString thrownText(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& e) {
        return e.message();
    }
    ADD_FAILURE() << "no exception";
    return {};
}

QJsonObject parse(const char* json)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << json;
    return doc.object();
}

const QString kDamaged = QString::fromUtf8("Таблица в JSON файле повреждена!");

// Answers only for the application's context with the table's
// disambiguation, so a text asked for under another context stays Russian.
class TableTranslator : public QTranslator
{
public:
    QString translate(const char* context, const char* source, const char* disambiguation, int) const override
    {
        if (qstrcmp(context, "QCoreApplication") != 0 || qstrcmp(disambiguation, "JsonTableSaver") != 0)
            return {};
        return QStringLiteral("EN ") + QString::fromUtf8(source);
    }
    bool isEmpty() const override { return false; }
};

} // namespace

TEST(JsonTableSaver, WritesAndReadsBackTypedColumns)
{
    JsonTableSaver table;
    table.addColumn("id", QJsonValue::String);
    table.addColumn("id", QJsonValue::Double);
    table.addColumn("flags", QJsonValue::Array);
    table.addColumn("meta", QJsonValue::Object);
    table.addColumn("on", QJsonValue::Bool);
    EXPECT_EQ(table.columnIndex("id", QJsonValue::String), 0);
    EXPECT_EQ(table.columnIndex("id", QJsonValue::Double), 1);

    table.addRow({QJsonValue::Null, 5, QJsonArray{1, "a"}, QJsonObject{{"k", true}}, false});
    table.addRow({"Ф", 2.5, QJsonValue::Null, QJsonValue::Null, QJsonValue::Null});
    EXPECT_EQ(table.rowCount(), 2);

    const QJsonObject json = table.toJson();
    EXPECT_EQ(QJsonDocument(json).toJson(QJsonDocument::Compact),
              QByteArray(R"({"columns":[{"name":"id","type":"String"},{"name":"id","type":"Double"},)"
                         R"({"name":"flags","type":"Array"},{"name":"meta","type":"Object"},)"
                         R"({"name":"on","type":"Bool"}],)"
                         R"("rows":[[null,5,[1,"a"],{"k":true},false],["Ф",2.5,null,null,null]]})"));

    const JsonTableSaver loaded(json);
    ASSERT_EQ(loaded.rowCount(), 2);
    const QJsonArray second = loaded.row(1);
    EXPECT_EQ(JsonTableSaver::cell(second, loaded.columnIndex("id", QJsonValue::String)).toString(), "Ф");
    EXPECT_EQ(JsonTableSaver::cell(second, loaded.columnIndex("id", QJsonValue::Double)).toDouble(), 2.5);
    EXPECT_TRUE(JsonTableSaver::cell(loaded.row(0), 0).isNull());
    EXPECT_EQ(loaded.toJson(), json);

    const JsonTableSaver empty(parse(R"({"columns":[{"name":"a","type":"Bool"}],"rows":[]})"));
    EXPECT_EQ(empty.rowCount(), 0);
    EXPECT_EQ(empty.columnIndex("a", QJsonValue::Bool), 0);
}

TEST(JsonTableSaver, BuildingErrors)
{
    JsonTableSaver table;
    EXPECT_EQ(thrownText([&] { table.addColumn("", QJsonValue::String); }),
              "JsonTableSaver::addColumn: name.isEmpty()");
    table.addColumn("name", QJsonValue::String);
    table.addColumn("n", QJsonValue::Double);
    EXPECT_EQ(thrownText([&] { table.addColumn("name", QJsonValue::String); }),
              QString::fromUtf8("Столбец \"name\" c типом \"String\" уже существует!"));
    EXPECT_EQ(thrownText([&] { (void)table.columnIndex("name", QJsonValue::Bool); }),
              QString::fromUtf8("Столбец \"name\" c типом \"Bool\" не найден в таблице!"));

    EXPECT_EQ(thrownText([&] { table.addRow({"x"}); }), "ERROR 0xF547A457");
    EXPECT_EQ(thrownText([&] { table.addRow({"x", 1, 2}); }), "ERROR 0xF547A457");
    EXPECT_EQ(thrownText([&] { table.addRow({"x", "1"}); }), "ERROR 0xF547A458");
    EXPECT_EQ(table.rowCount(), 0) << "a refused row is not kept";

    table.addRow({"x", 1});
    EXPECT_EQ(thrownText([&] { table.addColumn("late", QJsonValue::Bool); }),
              QString::fromUtf8("Нельзя добавить новый столбец в непустую таблицу!"));
    EXPECT_EQ(thrownText([&] { (void)table.row(1); }), "ERROR 0xFA547894");
    EXPECT_EQ(thrownText([&] { (void)table.row(-1); }), "ERROR 0xFA547894");
    EXPECT_EQ(thrownText([&] { (void)JsonTableSaver::cell(table.row(0), 2); }), "ERROR 0xF547A423");
    EXPECT_EQ(thrownText([&] { (void)JsonTableSaver::cell(table.row(0), -1); }), "ERROR 0xF547A423");

    JsonTableSaver nullColumn;
    nullColumn.addColumn("nothing", QJsonValue::Null);
    EXPECT_EQ(thrownText([&] { (void)nullColumn.toJson(); }), "ERROR 0xAA547894");
}

TEST(JsonTableSaver, DamagedTablesLogTheirCodeAndShowOneMessage)
{
    const struct
    {
        const char* json;
        const char* logged;
    } cases[] = {
        {R"({"rows":[]})", "ERROR 0xFD47C450"},
        {R"({"columns":{},"rows":[]})", "ERROR 0xFD47C451"},
        {R"({"columns":[{"type":"String"}],"rows":[]})", "ERROR 0xFD47C452"},
        {R"({"columns":[{"name":"","type":"String"}],"rows":[]})", "ERROR 0xFD47C452"},
        {R"({"columns":[7],"rows":[]})", "ERROR 0xFD47C452"},
        {R"({"columns":[{"name":"a","type":"String"}]})", "ERROR 0xFD47C780"},
        {R"({"columns":[{"name":"a","type":"String"}],"rows":"x"})", "ERROR 0xFD47C781"},
        {R"({"columns":[{"name":"a","type":"String"}],"rows":[{"a":1}]})", "ERROR 0xFD47C782"},
        {R"({"columns":[{"name":"a","type":"String"}],"rows":[["x","y"]]})", "ERROR 0xFD47C783"},
        {R"({"columns":[{"name":"a","type":"String"}],"rows":[[]]})", "ERROR 0xFD47C783"},
        {R"({"columns":[{"name":"a","type":"String"}],"rows":[["x"],[1]]})", "ERROR 0xFD47C784 t1=2 t2=3"},
    };
    for (const auto& c : cases) {
        JsonTableSaver table;
        table.addColumn("old", QJsonValue::Bool);
        table.addRow({true});
        LogCapture log;
        EXPECT_EQ(thrownText([&] { table.fromJson(parse(c.json)); }), kDamaged) << c.json;
        EXPECT_EQ(log.warnings(), QStringList{c.logged}) << c.json;
        EXPECT_EQ(table.rowCount(), 0) << c.json;
        EXPECT_EQ(thrownText([&] { (void)table.columnIndex("a", QJsonValue::String); }),
                  QString::fromUtf8("Столбец \"a\" c типом \"String\" не найден в таблице!"))
            << "no half-read columns remain: " << c.json;
    }

    for (const char* json : {R"({"columns":[{"name":"a","type":"Integer"}],"rows":[]})",
                             R"({"columns":[{"name":"a"}],"rows":[]})"}) {
        JsonTableSaver table;
        EXPECT_EQ(thrownText([&] { table.fromJson(parse(json)); }), "ERROR 0xAA547895") << json;
    }
}

TEST(JsonTableSaver, ReaderTextsGoThroughTheApplicationTranslator)
{
    TableTranslator translator;
    ASSERT_TRUE(QCoreApplication::installTranslator(&translator));
    JsonTableSaver table;
    table.addColumn("a", QJsonValue::String);
    const QString duplicate = thrownText([&] { table.addColumn("a", QJsonValue::String); });
    const QString missing = thrownText([&] { (void)table.columnIndex("b", QJsonValue::Bool); });
    table.addRow({"x"});
    const QString late = thrownText([&] { table.addColumn("c", QJsonValue::Bool); });
    QString damaged;
    {
        LogCapture log;
        damaged = thrownText([&] { table.fromJson(parse(R"({"rows":[]})")); });
    }
    QCoreApplication::removeTranslator(&translator);

    EXPECT_EQ(duplicate, QString::fromUtf8("EN Столбец \"a\" c типом \"String\" уже существует!"));
    EXPECT_EQ(missing, QString::fromUtf8("EN Столбец \"b\" c типом \"Bool\" не найден в таблице!"));
    EXPECT_EQ(late, QString::fromUtf8("EN Нельзя добавить новый столбец в непустую таблицу!"));
    EXPECT_EQ(damaged, "EN " + kDamaged);
}
