#include "app/UserObject.h"

#include "app/TarnolixAPI.h"

#include <QJsonObject>

UserObject::UserObject(QObject* parent)
    : QObject(parent)
{
}

namespace {

// Stores `value` through the record's setter and notifies, only on a change.
template <typename T, typename Setter>
void assign(UserObject* user, User& record, const T& current, const T& value, Setter set,
            void (UserObject::*changed)())
{
    if (current == value)
        return;
    (record.*set)(value);
    emit(user->*changed)();
}

} // namespace

void UserObject::setId(int id)
{
    assign(this, m_user, m_user.id(), id, &User::setId, &UserObject::idChanged);
}

void UserObject::setName(const QString& name)
{
    assign(this, m_user, m_user.name(), name, &User::setName, &UserObject::nameChanged);
}

void UserObject::setLastName(const QString& lastName)
{
    assign(this, m_user, m_user.lastName(), lastName, &User::setLastName, &UserObject::lastNameChanged);
}

void UserObject::setSpiritualName(const QString& spiritualName)
{
    assign(this, m_user, m_user.spiritualName(), spiritualName, &User::setSpiritualName,
           &UserObject::spiritualNameChanged);
}

void UserObject::setEmail(const QString& email)
{
    assign(this, m_user, m_user.email(), email, &User::setEmail, &UserObject::emailChanged);
}

void UserObject::setSubscribeLevel(const QString& subscribeLevel)
{
    assign(this, m_user, m_user.subscribeLevel(), subscribeLevel, &User::setSubscribeLevel,
           &UserObject::subscribeLevelChanged);
}

void UserObject::setAiAccess(bool aiAccess)
{
    assign(this, m_user, m_user.aiAccess(), aiAccess, &User::setAiAccess, &UserObject::aiAccessChanged);
}

void UserObject::fromUser(const User& user)
{
    setId(user.id());
    setName(user.name());
    setLastName(user.lastName());
    setSpiritualName(user.spiritualName());
    setEmail(user.email());
    setSubscribeLevel(user.subscribeLevel());
    setAiAccess(user.aiAccess());
}

void UserObject::clear()
{
    fromUser(User());
}

void UserObject::fromResult(TarnolixAPIResult* result)
{
    User user;
    if (result)
        userFromJson(user, result->apiResultGetValue().toObject());
    fromUser(user);
}
