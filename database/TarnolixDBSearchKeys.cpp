// Search-key columns: texts stored beside their case- and diacritics-free keys.

#include "database/TarnolixDB.h"

#include "core/TextNormalization.h"

void TarnolixDB::bindPerLanguage(QSqlQuery& query, const QString& column,
                                 const std::map<TarnolixConstants::Language, QString>& values, bool normalized)
{
    for (const auto& [language, name] : columnsForLanguages(column).byLanguage) {
        const auto it = values.find(language);
        QVariant value{QVariant::String}; // a null string binds NULL
        if (it != values.end())
            value = normalized ? removeDiacritics(language, it->second) : it->second;
        query.bindValue(QLatin1Char(':') + name, value);
    }
}

void TarnolixDB::updateNormalizedColumn(TarnolixConstants::Language language, const QString& table,
                                        const QString& idColumn, const QString& sourceColumn,
                                        const QString& targetColumn)
{
    for (const QString& name : {table, idColumn, sourceColumn, targetColumn})
        checkIdentifier(name);

    QSqlQuery rows =
        execSql(QStringLiteral("SELECT %1, %2, %3 FROM %4").arg(idColumn, sourceColumn, targetColumn, table), true);
    QSqlQuery update = query(QStringLiteral("UPDATE %1 SET %2=:%2 WHERE %3=:%3").arg(table, targetColumn, idColumn));
    while (rows.next()) {
        const QVariant source = rows.value(1);
        if (source.isNull())
            continue;
        const QString key = removeDiacritics(language, source.toString());
        if (rows.value(2).toString() == key)
            continue;
        update.bindValue(QLatin1Char(':') + idColumn, rows.value(0));
        update.bindValue(QLatin1Char(':') + targetColumn, key);
        if (!update.exec())
            throwQueryError(update);
    }
}
