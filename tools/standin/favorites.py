"""Each account's synchronised favorites: folders, favorites and the sync status record,
kept in one JSON file per account so that they survive a restart."""
import json
import os
import threading
import time
import uuid

from .accounts import read_json, write_json
from .errors import ApiError


def _invalid(message):
    return ApiError(400, "INVALID_DATA", message)


def canonical_uuid(value, what):
    """The lower-case form without braces; the null UUID is refused."""
    try:
        parsed = uuid.UUID(str(value))
    except (TypeError, ValueError, AttributeError):
        raise _invalid("%s is not a UUID" % what)
    if parsed.int == 0:
        raise _invalid("%s is the null UUID" % what)
    return str(parsed)


def _is_number(value):
    return isinstance(value, (int, float)) and not isinstance(value, bool)


def _optional_uuid(data, key, what):
    if key not in data:
        raise _invalid("%s lacks %s" % (what, key))
    if data[key] is not None:
        canonical_uuid(data[key], "%s %s" % (what, key))


def _check_position(value, what):
    if not isinstance(value, dict) or not _is_number(value.get("offset")):
        raise _invalid("%s needs an object with a numeric offset" % what)
    if not isinstance(value.get("sectionSlug"), str) or not value["sectionSlug"]:
        raise _invalid("%s needs a non-empty sectionSlug" % what)


def _check_folder_data(data):
    _optional_uuid(data, "parentUuid", "folder data")
    if not isinstance(data.get("name"), str):
        raise _invalid("folder data needs a name text")


def _check_favorite_data(data):
    _optional_uuid(data, "folderUuid", "favorite data")
    if not _is_number(data.get("bookId")):
        raise _invalid("favorite data needs a numeric bookId")
    if not isinstance(data.get("language"), str):
        raise _invalid("favorite data needs a language text")
    for key in ("startSelectedPosition", "endSelectedPosition"):
        _check_position(data.get(key), key)
    for key in ("title", "favoriteText"):
        if not isinstance(data.get(key), str):
            raise _invalid("favorite data needs a %s text" % key)
    if "note" not in data or not (data["note"] is None or isinstance(data["note"], str)):
        raise _invalid("favorite data needs a note text or null")


def check_record(record, check_data, what):
    """A stored copy of an item record: uuid, timeOfChange and data (JSON text)."""
    if not isinstance(record, dict):
        raise _invalid("%s is not an object" % what)
    uid = canonical_uuid(record.get("uuid"), what + " uuid")
    stamp = record.get("timeOfChange")
    if not _is_number(stamp):
        raise _invalid("%s timeOfChange is not a number" % what)
    text = record.get("data")
    if not isinstance(text, str):
        raise _invalid("%s data is not a text" % what)
    try:
        data = json.loads(text)
    except ValueError:
        raise _invalid("%s data is not JSON" % what)
    if not isinstance(data, dict):
        raise _invalid("%s data is not an object" % what)
    check_data(data)
    return {"uuid": uid, "timeOfChange": int(stamp) if float(stamp).is_integer() else stamp, "data": text}


def _list_of(body, key):
    value = body.get(key) if isinstance(body, dict) else None
    if not isinstance(value, list):
        raise _invalid("the body needs a %s array" % key)
    return value


class FavoritesStore:
    def __init__(self, state_dir):
        self._dir = os.path.join(state_dir, "favorites")
        self._lock = threading.Lock()

    def _path(self, account_id):
        return os.path.join(self._dir, "%d.json" % account_id)

    def _load(self, account_id):
        return read_json(self._path(account_id), {"status": None, "folders": {}, "items": {}})

    def _change(self, account_id, change):
        with self._lock:
            store = self._load(account_id)
            result = change(store)
            write_json(self._path(account_id), store)
            return result

    def _read(self, account_id, read):
        with self._lock:
            return read(self._load(account_id))

    # Status record ------------------------------------------------------------------

    def status(self, account_id):
        status = self._read(account_id, lambda s: s["status"])
        if status is None:
            raise ApiError(404, "STATUS_NOT_FOUND", "Статус синхронизации не найден")
        return [status]

    def set_status(self, account_id, status, device_id, completed_time=None, message=None,
                   started_time=None):
        def change(store):
            old = store["status"] or {}
            new = {"status": status, "device_id": device_id,
                   "started_time": old.get("started_time"),
                   "completed_time": old.get("completed_time")}
            if status == "started":
                new["started_time"] = int(time.time()) if started_time is None else started_time
            elif status == "completed":
                new["completed_time"] = self._completion_stamp(old.get("completed_time"), completed_time)
            elif status == "error":
                new["message"] = message or ""
            store["status"] = new
            return [new]
        return self._change(account_id, change)

    @staticmethod
    def _completion_stamp(current, offered):
        """Keep the stamp the client offers only when it is the one on record (nothing
        changed since); otherwise make a new one that differs from every earlier one."""
        if offered is not None and offered == current:
            return current
        return max(int(time.time() * 1000), (current or 0) + 1)

    # Folders and favorites ----------------------------------------------------------

    def time_info(self, account_id, kind):
        items = self._read(account_id, lambda s: s[kind])
        if not items:
            code = "FAVORITES_FOLDERS_NOT_FOUND" if kind == "folders" else "FAVORITES_ITEMS_NOT_FOUND"
            raise ApiError(404, code, "Нет сохранённых данных")
        return [{"uuid": u, "timeOfChange": items[u]["timeOfChange"]} for u in sorted(items)]

    def get_folders(self, account_id, body):
        wanted = [canonical_uuid(u, "uuids item") for u in _list_of(body, "uuids")]
        folders = self._read(account_id, lambda s: s["folders"])
        return [folders[u] for u in wanted if u in folders]

    def put_folders(self, account_id, body):
        records = [check_record(r, _check_folder_data, "folder") for r in _list_of(body, "folders")]
        return self._put(account_id, "folders", records)

    def get_favorite(self, account_id, raw_uuid):
        uid = canonical_uuid(raw_uuid, "favorite uuid")
        item = self._read(account_id, lambda s: s["items"].get(uid))
        if item is None:
            raise ApiError(404, "FAVORITES_ITEM_NOT_FOUND", "Избранное не найдено")
        return item

    def put_favorite(self, account_id, body):
        item = body.get("item") if isinstance(body, dict) else None
        return self._put(account_id, "items", [check_record(item, _check_favorite_data, "item")])

    def delete(self, account_id, kind, body):
        uuids = [canonical_uuid(u, "uuids item") for u in _list_of(body, "uuids")]

        def change(store):
            for u in uuids:
                store[kind].pop(u, None)
        return self._change(account_id, change)

    def _put(self, account_id, kind, records):
        def change(store):
            for record in records:
                store[kind][record["uuid"]] = record
        return self._change(account_id, change)
