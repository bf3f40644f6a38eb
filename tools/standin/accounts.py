"""Accounts, their sign-in tokens and the state kept on disk between runs."""
import json
import os
import secrets
import tempfile
import threading

USER_KEYS = ("id", "name", "last_name", "spiritual_name", "email", "subscribe_level", "ai_access")


def read_json(path, default):
    try:
        with open(path, encoding="utf-8") as f:
            return json.load(f)
    except FileNotFoundError:
        return default


def write_json(path, value):
    """Replace the file in one step, so a stop mid-write never leaves half a file."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    fd, tmp = tempfile.mkstemp(dir=os.path.dirname(path), prefix=".tmp-")
    with os.fdopen(fd, "w", encoding="utf-8") as f:
        json.dump(value, f, ensure_ascii=False, indent=1, sort_keys=True)
    os.replace(tmp, path)


class Accounts:
    """The data set's accounts with what the control requests changed: blocked
    accounts and subscription levels, kept in the state folder with the tokens."""

    def __init__(self, accounts, state_dir):
        self._by_email = {a["email"].casefold(): a for a in accounts}
        self._by_id = {a["id"]: a for a in accounts}
        self._path = os.path.join(state_dir, "tokens.json")
        self._lock = threading.Lock()
        saved = read_json(self._path, {})
        self._tokens = {t: int(uid) for t, uid in saved.get("tokens", {}).items()}
        self._blocked = set(saved.get("blocked", []))
        self._levels = {int(uid): level for uid, level in saved.get("levels", {}).items()}

    def user_record(self, account):
        record = {k: account.get(k, False if k == "ai_access" else "") for k in USER_KEYS}
        record["subscribe_level"] = self.level_of(account)
        return record

    def level_of(self, account):
        with self._lock:
            return self._levels.get(account["id"], account.get("subscribe_level", ""))

    def set_level(self, account_id, level):
        with self._lock:
            self._levels[account_id] = level
            self._save()

    def sign_in(self, email, password):
        """A new token and the account, or None when the e-mail or password is wrong.
        Passwords are compared as UTF-8 bytes: compare_digest takes text only when it
        is ASCII."""
        account = self._by_email.get(email.strip().casefold())
        if account is None or not secrets.compare_digest(account["password"].encode("utf-8"),
                                                          password.encode("utf-8")):
            return None
        token = secrets.token_hex(24)
        with self._lock:
            self._tokens[token] = account["id"]
            self._save()
        return token, account

    def account_of(self, token):
        """(account, blocked) for a known token, else (None, False)."""
        with self._lock:
            uid = self._tokens.get(token)
            return (self._by_id.get(uid), uid in self._blocked) if uid is not None else (None, False)

    def find(self, email):
        return self._by_email.get(email.strip().casefold())

    def set_blocked(self, account_id, blocked):
        with self._lock:
            (self._blocked.add if blocked else self._blocked.discard)(account_id)
            self._save()

    def revoke_all(self):
        with self._lock:
            self._tokens.clear()
            self._save()

    def _save(self):
        write_json(self._path, {"tokens": self._tokens, "blocked": sorted(self._blocked),
                                "levels": {str(uid): level for uid, level in self._levels.items()}})
