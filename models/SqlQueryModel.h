#pragma once
// The rows of one SQL statement on the GUI thread's library connection, for
// QML lists: each column is a role named after the column (256 + its number),
// besides Qt's own roles. Used for the search history.

#include <QHash>
#include <QSqlQueryModel>

class SqlQueryModel : public QSqlQueryModel
{
    Q_OBJECT
    // The text of the statement last run; writing runs a new one.
    Q_PROPERTY(QString query READ queryText WRITE setQueryText NOTIFY queryChanged)

public:
    explicit SqlQueryModel(QObject* parent = nullptr);
    ~SqlQueryModel() override;

    QString queryText() const;
    // A failing statement is logged and leaves the model empty.
    void setQueryText(const QString& text);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    void queryChanged();

protected:
    void queryChange() override;

private:
    mutable QHash<int, QByteArray> m_roleNames;
    mutable bool m_rolesDirty = true;
};
