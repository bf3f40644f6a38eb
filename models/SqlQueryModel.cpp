#include "models/SqlQueryModel.h"

#include "database/TarnolixDB.h"
#include "pages/PageServices.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

SqlQueryModel::SqlQueryModel(QObject* parent)
    : QSqlQueryModel(parent)
{
}

SqlQueryModel::~SqlQueryModel() = default;

QString SqlQueryModel::queryText() const
{
    return query().lastQuery();
}

void SqlQueryModel::setQueryText(const QString& text)
{
    m_rolesDirty = true;
    try {
        setQuery(text, pageServices().guiDatabase().sqlDatabase());
    } catch (const std::exception& e) {
        // No library is open: nothing to show.
        qWarning("SqlQueryModel::setQuery: Error: %s", e.what());
        clear();
        return;
    }
    if (lastError().type() != QSqlError::NoError)
        qWarning("SqlQueryModel::setQuery: Error: %s", qUtf8Printable(lastError().text()));
}

QVariant SqlQueryModel::data(const QModelIndex& index, int role) const
{
    if (role < Qt::UserRole)
        return QSqlQueryModel::data(index, role);
    return QSqlQueryModel::data(this->index(index.row(), role - Qt::UserRole), Qt::DisplayRole);
}

QHash<int, QByteArray> SqlQueryModel::roleNames() const
{
    if (m_rolesDirty) {
        m_roleNames = QSqlQueryModel::roleNames();
        const QSqlRecord fields = record();
        for (int c = 0; c < fields.count(); ++c)
            m_roleNames.insert(Qt::UserRole + c, fields.fieldName(c).toUtf8());
        m_rolesDirty = false;
    }
    return m_roleNames;
}

void SqlQueryModel::queryChange()
{
    emit queryChanged();
}
