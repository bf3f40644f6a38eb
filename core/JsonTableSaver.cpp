#include "core/JsonTableSaver.h"

#include "core/Exception.h"

#include <QCoreApplication>
#include <QVector>

#include <utility>

struct JsonTableSaver::Private
{
    struct Column
    {
        QJsonValue::Type type;
        QString name;
    };
    QVector<Column> columns;
    QJsonArray rows;
};

namespace {

struct TypeName
{
    QJsonValue::Type type;
    const char* name;
};

constexpr TypeName kTypeNames[] = {
    {QJsonValue::Bool, "Bool"},
    {QJsonValue::Double, "Double"},
    {QJsonValue::String, "String"},
    {QJsonValue::Array, "Array"},
    {QJsonValue::Object, "Object"},
};

// Empty for a type that has no name in a saved table.
QString typeName(QJsonValue::Type type)
{
    for (const TypeName& t : kTypeNames) {
        if (t.type == type)
            return QString::fromLatin1(t.name);
    }
    return {};
}

bool typeFromName(const QString& name, QJsonValue::Type& type)
{
    for (const TypeName& t : kTypeNames) {
        if (name == QLatin1String(t.name)) {
            type = t.type;
            return true;
        }
    }
    return false;
}

// The application's context, where the translation files keep these texts.
QString tr(const char* text)
{
    return QCoreApplication::translate("QCoreApplication", text, "JsonTableSaver");
}

[[noreturn]] void throwDamaged(const char* code)
{
    qWarning("%s", code);
    throw Exception(tr("Таблица в JSON файле повреждена!"));
}

bool cellFits(const QJsonValue& cell, QJsonValue::Type columnType)
{
    return cell.isNull() || cell.type() == columnType;
}

} // namespace

JsonTableSaver::JsonTableSaver()
    : d(std::make_unique<Private>())
{
}

JsonTableSaver::JsonTableSaver(const QJsonObject& json)
    : JsonTableSaver()
{
    fromJson(json);
}

JsonTableSaver::~JsonTableSaver() = default;

void JsonTableSaver::addColumn(const QString& name, QJsonValue::Type type)
{
    if (name.isEmpty())
        throw Exception("JsonTableSaver::addColumn: name.isEmpty()");
    for (const Private::Column& c : qAsConst(d->columns)) {
        if (c.type == type && c.name == name)
            throw Exception(tr("Столбец \"%1\" c типом \"%2\" уже существует!").arg(name, typeName(type)));
    }
    if (!d->rows.isEmpty())
        throw Exception(tr("Нельзя добавить новый столбец в непустую таблицу!"));
    d->columns.append({type, name});
}

void JsonTableSaver::addRow(const QJsonArray& row)
{
    if (row.size() != d->columns.size())
        throw Exception("ERROR 0xF547A457");
    for (int i = 0; i < row.size(); ++i) {
        if (!cellFits(row.at(i), d->columns.at(i).type))
            throw Exception("ERROR 0xF547A458");
    }
    d->rows.append(row);
}

int JsonTableSaver::rowCount() const
{
    return d->rows.size();
}

QJsonArray JsonTableSaver::row(int index) const
{
    if (index < 0 || index >= d->rows.size())
        throw Exception("ERROR 0xFA547894");
    return d->rows.at(index).toArray();
}

int JsonTableSaver::columnIndex(const QString& name, QJsonValue::Type type) const
{
    for (int i = 0; i < d->columns.size(); ++i) {
        if (d->columns.at(i).type == type && d->columns.at(i).name == name)
            return i;
    }
    throw Exception(tr("Столбец \"%1\" c типом \"%2\" не найден в таблице!").arg(name, typeName(type)));
}

QJsonValue JsonTableSaver::cell(const QJsonArray& row, int columnIndex)
{
    if (columnIndex < 0 || columnIndex >= row.size())
        throw Exception("ERROR 0xF547A423");
    return row.at(columnIndex);
}

QJsonObject JsonTableSaver::toJson() const
{
    QJsonArray columns;
    for (const Private::Column& c : qAsConst(d->columns)) {
        const QString type = typeName(c.type);
        if (type.isEmpty())
            throw Exception("ERROR 0xAA547894");
        columns.append(QJsonObject{{QStringLiteral("name"), c.name}, {QStringLiteral("type"), type}});
    }
    return QJsonObject{{QStringLiteral("columns"), columns}, {QStringLiteral("rows"), d->rows}};
}

void JsonTableSaver::fromJson(const QJsonObject& json)
{
    // Built aside and taken over whole, so a damaged table leaves no half-read
    // columns behind.
    d = std::make_unique<Private>();
    auto loaded = std::make_unique<Private>();

    const auto columns = json.constFind(QLatin1String("columns"));
    if (columns == json.constEnd())
        throwDamaged("ERROR 0xFD47C450");
    if (!columns->isArray())
        throwDamaged("ERROR 0xFD47C451");
    for (const QJsonValue& value : columns->toArray()) {
        const QJsonObject column = value.toObject();
        const QString name = column.value(QLatin1String("name")).toString();
        if (name.isEmpty())
            throwDamaged("ERROR 0xFD47C452");
        QJsonValue::Type type = QJsonValue::Undefined;
        if (!typeFromName(column.value(QLatin1String("type")).toString(), type))
            throw Exception("ERROR 0xAA547895");
        loaded->columns.append({type, name});
    }

    const auto rows = json.constFind(QLatin1String("rows"));
    if (rows == json.constEnd())
        throwDamaged("ERROR 0xFD47C780");
    if (!rows->isArray())
        throwDamaged("ERROR 0xFD47C781");
    loaded->rows = rows->toArray();
    for (const QJsonValue& value : qAsConst(loaded->rows)) {
        if (!value.isArray())
            throwDamaged("ERROR 0xFD47C782");
        const QJsonArray row = value.toArray();
        if (row.size() != loaded->columns.size())
            throwDamaged("ERROR 0xFD47C783");
        for (int i = 0; i < row.size(); ++i) {
            const QJsonValue::Type columnType = loaded->columns.at(i).type;
            if (!cellFits(row.at(i), columnType)) {
                qWarning("ERROR 0xFD47C784 t1=%d t2=%d", static_cast<int>(row.at(i).type()),
                         static_cast<int>(columnType));
                throw Exception(tr("Таблица в JSON файле повреждена!"));
            }
        }
    }
    d = std::move(loaded);
}
