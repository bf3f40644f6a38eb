// Statement builders, link rows and column value conversions of TarnolixDB.

#include "database/TarnolixDB.h"

#include "core/Exception.h"

namespace {

const QString kSeparator = QStringLiteral(", ");

// Joins two fragments with ", ", leaving out the separator beside an empty one.
QString joinFragments(const QString& first, const QString& second)
{
    if (first.isEmpty())
        return second;
    if (second.isEmpty())
        return first;
    return first + kSeparator + second;
}

} // namespace

QString TarnolixDB::joinColumns(const QStringList& columns, const QString& prefix, const QString& suffix,
                                const QString& separator)
{
    QString text;
    for (int i = 0; i < columns.size(); ++i) {
        if (i)
            text += separator;
        text += prefix + columns.at(i) + suffix;
    }
    return text;
}

QString TarnolixDB::assignmentList(const QStringList& columns)
{
    QStringList parts;
    parts.reserve(columns.size());
    for (const QString& column : columns)
        parts << column + QStringLiteral("=:") + column;
    return parts.join(kSeparator);
}

const TarnolixDB::LanguageColumns& TarnolixDB::columnsForLanguages(const QString& column)
{
    auto it = m_languageColumns.find(column);
    if (it != m_languageColumns.end())
        return it->second;

    LanguageColumns columns;
    for (TarnolixConstants::Language language : languageList()) {
        const QString name = column + QLatin1Char('_') + languageToString(language);
        columns.byLanguage.emplace(language, name);
        columns.names << name;
    }
    return m_languageColumns.emplace(column, std::move(columns)).first->second;
}

QString TarnolixDB::perLanguageDefinitions(const QStringList& columns, const QString& type)
{
    QStringList parts;
    for (const QString& column : columns)
        parts << joinColumns(columnsForLanguages(column).names, QString(), QLatin1Char(' ') + type, kSeparator);
    return parts.join(kSeparator);
}

QString TarnolixDB::perLanguageNames(const QStringList& columns)
{
    QStringList parts;
    for (const QString& column : columns)
        parts << columnsForLanguages(column).names;
    return parts.join(kSeparator);
}

QString TarnolixDB::perLanguagePlaceholders(const QStringList& columns)
{
    QStringList parts;
    for (const QString& column : columns)
        parts << columnsForLanguages(column).names;
    return joinColumns(parts, QStringLiteral(":"), QString(), kSeparator);
}

QString TarnolixDB::perLanguageAssignments(const QStringList& columns)
{
    QStringList parts;
    for (const QString& column : columns)
        parts << columnsForLanguages(column).names;
    return assignmentList(parts);
}

QString TarnolixDB::insertStatement(const QString& table, const QStringList& columns,
                                    const QStringList& languageColumns)
{
    return QStringLiteral("INSERT INTO ") + table + QLatin1Char('(') +
           joinFragments(columns.join(kSeparator), perLanguageNames(languageColumns)) + QStringLiteral(") VALUES(") +
           joinFragments(joinColumns(columns, QStringLiteral(":"), QString(), kSeparator),
                         perLanguagePlaceholders(languageColumns)) +
           QLatin1Char(')');
}

QString TarnolixDB::updateStatement(const QString& table, const QStringList& columns,
                                    const QStringList& languageColumns)
{
    return QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") +
           joinFragments(assignmentList(columns), perLanguageAssignments(languageColumns));
}

QString TarnolixDB::upsertStatement(const QString& table, const QString& keyColumn, const QStringList& columns,
                                    const QStringList& languageColumns)
{
    const QStringList insertColumns = QStringList(columns) << keyColumn;
    QString sql = insertStatement(table, insertColumns, languageColumns) + QStringLiteral(" ON CONFLICT(") + keyColumn;
    if (columns.isEmpty() && languageColumns.isEmpty())
        return sql + QStringLiteral(") DO NOTHING");
    return sql + QStringLiteral(") DO UPDATE SET ") +
           joinFragments(assignmentList(columns), perLanguageAssignments(languageColumns));
}

void TarnolixDB::insertLinkRows(const QString& table, const QString& ownerColumn, const QString& otherColumn,
                                int ownerId, const std::vector<int>& otherIds)
{
    if (otherIds.empty())
        return;
    QSqlQuery q = query(QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (%4, :%3)")
                            .arg(table, ownerColumn, otherColumn, QString::number(ownerId)));
    const QString placeholder = QLatin1Char(':') + otherColumn;
    for (int id : otherIds) {
        q.bindValue(placeholder, id);
        if (!q.exec())
            throwQueryError(q);
    }
}

std::vector<TarnolixConstants::Language> TarnolixDB::languagesFromString(const QString& text)
{
    std::vector<TarnolixConstants::Language> languages;
    for (const QString& part : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const TarnolixConstants::Language language = languageFromString(part);
        if (language == TarnolixConstants::InvalidLanguage) {
            qWarning("Unknown language");
            continue;
        }
        languages.push_back(language);
    }
    return languages;
}

std::set<QString> TarnolixDB::stringSetFromString(const QString& text)
{
    std::set<QString> strings;
    for (const QString& part : text.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        strings.insert(part);
    return strings;
}

QUuid TarnolixDB::uuidFromColumn(const QSqlQuery& query, int column)
{
    const QVariant value = query.value(column);
    if (value.isNull())
        return {};
    return uuidFromString(value.toString());
}

QUuid TarnolixDB::uuidFromString(const QString& text)
{
    const QUuid uuid = QUuid::fromString(text);
    if (uuid.isNull())
        throw Exception("ERROR 0xFA472465");
    return uuid;
}

QVariant TarnolixDB::uuidToVariant(const QUuid& uuid)
{
    if (uuid.isNull())
        return QVariant(QVariant::String);
    return uuidToString(uuid);
}

QString TarnolixDB::uuidToString(const QUuid& uuid)
{
    return uuid.toString(QUuid::WithoutBraces);
}

bool TarnolixDB::isLibraryEmpty()
{
    for (const char* table : {"Categories", "Publishers", "Persons", "BookBase"}) {
        QSqlQuery q = execSql(QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(QLatin1String(table)), true);
        if (q.next())
            return false;
    }
    return true;
}
