#pragma once
// The signed-in account as QML sees it (0 = nobody). Each setter notifies
// only on a change.

#include "core/FavoriteRecords.h"

#include <QObject>
#include <QString>

class TarnolixAPIResult;

class UserObject : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int id READ id WRITE setId NOTIFY idChanged)
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(QString lastName READ lastName WRITE setLastName NOTIFY lastNameChanged)
    Q_PROPERTY(QString spiritualName READ spiritualName WRITE setSpiritualName NOTIFY spiritualNameChanged)
    Q_PROPERTY(QString email READ email WRITE setEmail NOTIFY emailChanged)
    Q_PROPERTY(QString subscribeLevel READ subscribeLevel WRITE setSubscribeLevel NOTIFY subscribeLevelChanged)
    Q_PROPERTY(bool aiAccess READ aiAccess WRITE setAiAccess NOTIFY aiAccessChanged)

public:
    explicit UserObject(QObject* parent = nullptr);

    int id() const { return m_user.id(); }
    QString name() const { return m_user.name(); }
    QString lastName() const { return m_user.lastName(); }
    QString spiritualName() const { return m_user.spiritualName(); }
    QString email() const { return m_user.email(); }
    QString subscribeLevel() const { return m_user.subscribeLevel(); }
    bool aiAccess() const { return m_user.aiAccess(); }

    void setId(int id);
    void setName(const QString& name);
    void setLastName(const QString& lastName);
    void setSpiritualName(const QString& spiritualName);
    void setEmail(const QString& email);
    void setSubscribeLevel(const QString& subscribeLevel);
    void setAiAccess(bool aiAccess);

    const User& toUser() const { return m_user; }
    // Sets every property from the record.
    void fromUser(const User& user);

    Q_INVOKABLE void clear();
    // The result's "data" object as the user; a missing or other value
    // leaves nobody.
    Q_INVOKABLE void fromResult(TarnolixAPIResult* result);

signals:
    void idChanged();
    void nameChanged();
    void lastNameChanged();
    void spiritualNameChanged();
    void emailChanged();
    void subscribeLevelChanged();
    void aiAccessChanged();

private:
    User m_user;
};
