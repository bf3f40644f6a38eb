#pragma once
// The reader's favorites (marked passages with optional title, note and
// quoted text), their folders, the changes queued for synchronisation and
// the signed-in account. Records are shared as pointers to const.

#include "core/TarnolixConstants.h"

#include <QString>
#include <QUuid>
#include <QVariant>
#include <QtGlobal>

#include <memory>
#include <optional>
#include <vector>

class QDebug;
class QJsonObject;

// One end of a marked passage inside a book section.
class SelectedPosition
{
public:
    const std::optional<QString>& sectionSlug() const { return m_sectionSlug; }
    void setSectionSlug(const std::optional<QString>& slug) { m_sectionSlug = slug; }
    const QString& sectionCode() const { return m_sectionCode; }
    void setSectionCode(const QString& code) { m_sectionCode = code; }
    // Index of the section in reading order, when known.
    const std::optional<quint64>& sectionIndex() const { return m_sectionIndex; }
    void setSectionIndex(const std::optional<quint64>& index) { m_sectionIndex = index; }
    // Character offset in the section's visible text (UTF-16 units).
    int offset() const { return m_offset; }
    void setOffset(int offset) { m_offset = offset; }

private:
    std::optional<QString> m_sectionSlug;
    QString m_sectionCode;
    std::optional<quint64> m_sectionIndex;
    int m_offset = 0;
};

QDebug operator<<(QDebug debug, const SelectedPosition& position);

// An absent optional text means "not loaded or not given" and is stored as
// NULL; a present empty text is a real, empty value.
class Favorite
{
public:
    const QUuid& uuid() const { return m_uuid; }
    void setUuid(const QUuid& uuid) { m_uuid = uuid; }
    // The folder; null at the top level.
    const QUuid& catalogUuid() const { return m_catalogUuid; }
    void setCatalogUuid(const QUuid& uuid) { m_catalogUuid = uuid; }
    int bookId() const { return m_bookId; }
    void setBookId(int bookId) { m_bookId = bookId; }
    TarnolixConstants::Language language() const { return m_language; }
    void setLanguage(TarnolixConstants::Language language) { m_language = language; }

    const SelectedPosition& startSelectedPosition() const { return m_start; }
    SelectedPosition& startSelectedPosition() { return m_start; }
    void setStartSelectedPosition(const SelectedPosition& position) { m_start = position; }
    const SelectedPosition& endSelectedPosition() const { return m_end; }
    SelectedPosition& endSelectedPosition() { return m_end; }
    void setEndSelectedPosition(const SelectedPosition& position) { m_end = position; }

    const std::optional<QString>& title() const { return m_title; }
    void setTitle(const std::optional<QString>& title) { m_title = title; }
    const std::optional<QString>& note() const { return m_note; }
    void setNote(const std::optional<QString>& note) { m_note = note; }
    const std::optional<QString>& favoriteText() const { return m_favoriteText; }
    void setFavoriteText(const std::optional<QString>& text) { m_favoriteText = text; }

    // Milliseconds since the Unix epoch.
    qint64 timeOfChange() const { return m_timeOfChange; }
    void setTimeOfChange(qint64 time) { m_timeOfChange = time; }

private:
    QUuid m_uuid;
    QUuid m_catalogUuid;
    int m_bookId = 0;
    TarnolixConstants::Language m_language = TarnolixConstants::InvalidLanguage;
    SelectedPosition m_start;
    SelectedPosition m_end;
    std::optional<QString> m_title;
    std::optional<QString> m_note;
    std::optional<QString> m_favoriteText;
    qint64 m_timeOfChange = 0;
};

using FavoriteConstArray = std::vector<std::shared_ptr<const Favorite>>;

class FavoriteFolder
{
public:
    const QUuid& uuid() const { return m_uuid; }
    void setUuid(const QUuid& uuid) { m_uuid = uuid; }
    // Null at the top level.
    const QUuid& parentUuid() const { return m_parentUuid; }
    void setParentUuid(const QUuid& uuid) { m_parentUuid = uuid; }
    const QString& name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }
    qint64 timeOfChange() const { return m_timeOfChange; }
    void setTimeOfChange(qint64 time) { m_timeOfChange = time; }

private:
    QUuid m_uuid;
    QUuid m_parentUuid;
    QString m_name;
    qint64 m_timeOfChange = 0;
};

// One change of a favorite or folder waiting to be sent to the account.
class FavoritesSyncItem
{
public:
    enum Action : int { Added = 1, Deleted = 2 };

    FavoritesSyncItem() = default;
    FavoritesSyncItem(const QUuid& itemUuid, int action) : m_itemUuid(itemUuid), m_action(action) {}

    const QUuid& itemUuid() const { return m_itemUuid; }
    void setItemUuid(const QUuid& uuid) { m_itemUuid = uuid; }
    // 1 added, 2 deleted; 0 is accepted when read back.
    int action() const { return m_action; }
    void setAction(int action) { m_action = action; }
    QVariant actionVariant() const { return QVariant(m_action); }

private:
    QUuid m_itemUuid;
    int m_action = 0;
};

// A stored journal action back as an int: 0, 1 or 2, else Exception.
int intFromVariantMax2(const QVariant& value);

// The signed-in account as the account server describes it.
class User
{
public:
    int id() const { return m_id; }
    void setId(int id) { m_id = id; }
    const QString& name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }
    const QString& lastName() const { return m_lastName; }
    void setLastName(const QString& lastName) { m_lastName = lastName; }
    const QString& spiritualName() const { return m_spiritualName; }
    void setSpiritualName(const QString& name) { m_spiritualName = name; }
    const QString& email() const { return m_email; }
    void setEmail(const QString& email) { m_email = email; }
    const QString& subscribeLevel() const { return m_subscribeLevel; }
    void setSubscribeLevel(const QString& level) { m_subscribeLevel = level; }
    bool aiAccess() const { return m_aiAccess; }
    void setAiAccess(bool access) { m_aiAccess = access; }

    bool operator==(const User& other) const;
    bool operator!=(const User& other) const { return !(*this == other); }

private:
    int m_id = 0;
    QString m_name;
    QString m_lastName;
    QString m_spiritualName;
    QString m_email;
    QString m_subscribeLevel;
    bool m_aiAccess = false;
};

// Unknown keys are logged and skipped; missing keys keep what `user` holds.
void userFromJson(User& user, const QJsonObject& object);
