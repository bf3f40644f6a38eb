#pragma once
// The remembered account in the settings: the user keys, the enciphered
// token and the time of the last AI-access check. The token's key is made
// from values that stand in the same file (the e-mail, the data folder), so
// the file is kept readable by its owner only.

#include "core/FavoriteRecords.h"

#include <QByteArray>
#include <QString>

#include <optional>

class CipherKeyPair;
class QSettings;

namespace AccountSettings {

inline constexpr char kToken[] = "Login/Token";
inline constexpr char kLastLoginEmail[] = "Login/LastLoginEmail";
inline constexpr char kUserGroup[] = "User";
inline constexpr char kAiAccessVerifiedAt[] = "User/aiAccessVerifiedAt";
// How long one AI-access check counts, in milliseconds.
inline constexpr qint64 kAiAccessValidMs = 86400000;

// Whether a stored AI access still counts: stored true and checked at a time
// T with 0 < T <= now and now - T at most one day.
bool aiAccessStillVerified(bool stored, qint64 verifiedAtMs, qint64 nowMs);

// The user keys; aiAccess as aiAccessStillVerified says at `nowMs`.
User loadUser(const QSettings& settings, qint64 nowMs);
// The user keys in their order; the check time goes when aiAccess is false.
void storeUser(QSettings& settings, const User& user);
// The check time when aiAccess is true, else none.
void recordAiAccessCheck(QSettings& settings, bool aiAccess, qint64 nowMs);

// "Token:" and the token's UTF-8 bytes, enciphered; empty when the key pair
// is not complete.
QByteArray encipherToken(const CipherKeyPair& keys, const QString& token);
// The token of a stored value; nothing when the pair is not complete or the
// clear text is not "Token:" followed by at least one byte.
std::optional<QString> decipherToken(const CipherKeyPair& keys, const QByteArray& stored);

// Writes pending changes and makes the file 0600 and its folder 0700. Later
// writes keep the file's mode (they replace it with one of the same mode).
bool syncPrivately(QSettings& settings);

} // namespace AccountSettings
