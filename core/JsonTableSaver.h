#pragma once
// A table with named, typed columns and rows of JSON values, kept in a JSON
// object {"columns": [{"name", "type"}...], "rows": [[cell...]...]}. Files that
// exchange tables (the favorites export) are made of these.

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <memory>

class JsonTableSaver
{
public:
    JsonTableSaver();
    explicit JsonTableSaver(const QJsonObject& json);
    ~JsonTableSaver();

    JsonTableSaver(const JsonTableSaver&) = delete;
    JsonTableSaver& operator=(const JsonTableSaver&) = delete;

    // Only while the table has no rows; a (name, type) pair may appear once.
    void addColumn(const QString& name, QJsonValue::Type type);
    // One cell per column, each null or of its column's type.
    void addRow(const QJsonArray& row);

    int rowCount() const;
    QJsonArray row(int index) const;
    int columnIndex(const QString& name, QJsonValue::Type type) const;
    static QJsonValue cell(const QJsonArray& row, int columnIndex);

    QJsonObject toJson() const;
    // Replaces the content. Any structural fault throws the reader's message
    // "table damaged" (the technical code goes to the log) and leaves the
    // table empty.
    void fromJson(const QJsonObject& json);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
