"""The fourteen favorites synchronisation requests, their refusals and the store on disk."""
import json
import time
import unittest
import uuid

from support import ACCOUNT, Server

FOLDER = "3f2c1d9e-0b7a-4c55-9a41-6b1f0f4e2a10"
CHILD = "9a0e7c3b-55d1-4f0e-8c2a-1d4b6e7f8a90"
FAVORITE = "c4d2e8f1-7a3b-4b9c-a1d5-e6f708192a3b"


def compact(value):
    return json.dumps(value, separators=(",", ":"), ensure_ascii=False)


def folder(uid, parent, name, stamp):
    return {"uuid": uid, "timeOfChange": stamp, "data": compact({"parentUuid": parent, "name": name})}


def favorite(uid, folder_uuid, stamp, note=None, **changes):
    data = {"folderUuid": folder_uuid, "bookId": 101, "language": "ru",
            "startSelectedPosition": {"offset": 3, "sectionSlug": "glava-1.stikh-1"},
            "endSelectedPosition": {"offset": 40, "sectionSlug": "glava-1.stikh-1"},
            "title": "Светильник", "note": note, "favoriteText": "В сердце горит светильник"}
    data.update(changes)
    return {"uuid": uid, "timeOfChange": stamp, "data": compact(data)}


class FavoritesTest(unittest.TestCase):
    def setUp(self):
        self.server = Server().start()
        self.token = self.server.login()[1].getheader("api-token")

    def tearDown(self):
        self.assertEqual(self.server.stop(), 0)
        self.server.cleanup()

    def call(self, method, path, body=None):
        return self.server.api(method, path, body, token=self.token)

    def ok(self, method, path, body=None):
        status, obj = self.call(method, path, body)
        self.assertEqual((status, obj["success"]), (200, True), obj)
        return obj["data"]

    def test_empty_store_answers_with_not_found_codes(self):
        for path, code in (("/favorites/status/get", "STATUS_NOT_FOUND"),
                           ("/favorites/folders/get-time-info", "FAVORITES_FOLDERS_NOT_FOUND"),
                           ("/favorites/items/get-time-info", "FAVORITES_ITEMS_NOT_FOUND"),
                           ("/favorites/items/get/" + FAVORITE, "FAVORITES_ITEM_NOT_FOUND")):
            with self.subTest(path=path):
                status, obj = self.call("GET", path)
                self.assertEqual((obj["success"], obj["code"]), (False, code))
        self.assertEqual(self.ok("POST", "/favorites/folders/get", {"uuids": [FOLDER]}), [])
        self.assertEqual(self.server.api("GET", "/favorites/status/get")[0], 401)

    def test_a_whole_sync_run(self):
        started = self.ok("POST", "/favorites/status/started")
        self.assertEqual(len(started), 1)
        self.assertEqual((started[0]["status"], started[0]["device_id"]), ("started", "test-device"))
        self.assertLessEqual(abs(started[0]["started_time"] - time.time()), 5)

        self.ok("POST", "/favorites/folders/add", {"folders": [folder(FOLDER, None, "Стихи", 1000),
                                                               folder(CHILD, FOLDER, "Глава 1", 1001)]})
        self.ok("POST", "/favorites/folders/update", {"folders": [folder(FOLDER, None, "Избранные стихи", 2000)]})
        self.ok("POST", "/favorites/items/add", {"item": favorite(FAVORITE, CHILD, 3000)})
        self.ok("POST", "/favorites/items/update", {"item": favorite(FAVORITE, CHILD, 4000, note="Перечитать")})

        self.assertEqual(self.ok("GET", "/favorites/folders/get-time-info"),
                         sorted([{"uuid": FOLDER, "timeOfChange": 2000}, {"uuid": CHILD, "timeOfChange": 1001}],
                                key=lambda e: e["uuid"]))
        self.assertEqual(self.ok("GET", "/favorites/items/get-time-info"), [{"uuid": FAVORITE, "timeOfChange": 4000}])
        missing = str(uuid.uuid4())
        folders = self.ok("POST", "/favorites/folders/get", {"uuids": [CHILD, missing, "{%s}" % FOLDER.upper()]})
        self.assertEqual([f["uuid"] for f in folders], [CHILD, FOLDER])
        self.assertEqual(json.loads(folders[1]["data"]), {"parentUuid": None, "name": "Избранные стихи"})
        item = self.ok("GET", "/favorites/items/get/" + FAVORITE)
        self.assertEqual(set(item), {"uuid", "timeOfChange", "data"})
        self.assertEqual(json.loads(item["data"])["note"], "Перечитать")

        completed = self.ok("POST", "/favorites/status/completed", {"completedTime": None})[0]
        stamp = completed["completed_time"]
        self.assertEqual(completed["status"], "completed")
        self.assertGreater(stamp, 0)
        self.assertEqual(self.ok("POST", "/favorites/status/completed", {"completedTime": stamp})[0]["completed_time"],
                         stamp, "an unchanged library keeps its stamp")
        newer = self.ok("POST", "/favorites/status/completed", {"completedTime": stamp - 5})[0]["completed_time"]
        self.assertNotIn(newer, (stamp, stamp - 5), "a stale stamp is replaced")

        self.ok("DELETE", "/favorites/items/delete", {"uuids": [FAVORITE]})
        self.ok("DELETE", "/favorites/folders/delete", {"uuids": [CHILD, FOLDER, missing]})
        self.ok("DELETE", "/favorites/folders/delete", {"uuids": []})
        self.assertEqual(self.call("GET", "/favorites/items/get-time-info")[1]["code"], "FAVORITES_ITEMS_NOT_FOUND")
        error = self.ok("POST", "/favorites/status/error", {"message": "Сеть пропала"})[0]
        self.assertEqual((error["status"], error["completed_time"]), ("error", newer))
        self.assertEqual(self.ok("GET", "/favorites/status/get")[0]["status"], "error")

    def test_malformed_records_are_refused_whole(self):
        cases = {
            "folder data without parentUuid": ("/favorites/folders/add", {"folders": [
                folder(FOLDER, None, "ok", 1), {"uuid": CHILD, "timeOfChange": 1, "data": compact({"name": "x"})}]}),
            "folder data not JSON": ("/favorites/folders/add", {"folders": [{"uuid": CHILD, "timeOfChange": 1, "data": "{"}]}),
            "null folder uuid": ("/favorites/folders/update", {"folders": [folder(str(uuid.UUID(int=0)), None, "x", 1)]}),
            "time as text": ("/favorites/folders/add", {"folders": [dict(folder(CHILD, None, "x", 1), timeOfChange="1")]}),
            "no folders array": ("/favorites/folders/add", {"items": []}),
            "favorite without note": ("/favorites/items/add", {"item": {
                "uuid": FAVORITE, "timeOfChange": 1, "data": compact({k: v for k, v in json.loads(favorite(FAVORITE, None, 1)["data"]).items() if k != "note"})}}),
            "favorite with null title": ("/favorites/items/add", {"item": favorite(FAVORITE, None, 1, title=None)}),
            "position without slug": ("/favorites/items/update", {"item": favorite(FAVORITE, None, 1, startSelectedPosition={"offset": 1, "sectionSlug": ""})}),
            "bad uuid list": ("/favorites/folders/get", {"uuids": ["not-a-uuid"]}),
        }
        for name, (path, body) in cases.items():
            with self.subTest(name):
                status, obj = self.call("POST", path, body)
                self.assertEqual((status, obj["success"], obj["code"]), (400, False, "INVALID_DATA"))
        status, _, _ = self.server.request("POST", "/favorites/items/add", b"{oops", token=self.token)
        self.assertEqual(status, 400)
        self.assertEqual(self.call("GET", "/favorites/folders/get-time-info")[1]["code"], "FAVORITES_FOLDERS_NOT_FOUND")

    def test_store_and_token_survive_a_restart(self):
        self.ok("POST", "/favorites/folders/add", {"folders": [folder(FOLDER, None, "Стихи", 1000)]})
        self.ok("POST", "/favorites/items/add", {"item": favorite(FAVORITE, FOLDER, 3000)})
        stamp = self.ok("POST", "/favorites/status/completed", {"completedTime": None})[0]["completed_time"]
        self.assertEqual(self.server.stop(), 0)
        self.server.start()
        self.assertEqual(self.ok("GET", "/favorites/items/get-time-info"), [{"uuid": FAVORITE, "timeOfChange": 3000}])
        self.assertEqual(self.ok("GET", "/favorites/folders/get-time-info"), [{"uuid": FOLDER, "timeOfChange": 1000}])
        self.assertEqual(self.ok("GET", "/favorites/status/get")[0]["completed_time"], stamp)

    def test_another_devices_run_with_a_chosen_age(self):
        self.server.control("POST", "favorites/status", {"email": ACCOUNT[0], "status": "started", "age": 601})
        status = self.ok("GET", "/favorites/status/get")[0]
        self.assertEqual((status["status"], status["device_id"]), ("started", "another-device"))
        self.assertLessEqual(abs(time.time() - 601 - status["started_time"]), 5)
        self.ok("POST", "/favorites/status/error", {"message": "aborted"})
        self.assertEqual(self.ok("POST", "/favorites/status/started")[0]["device_id"], "test-device")

    def test_other_device_sync_from_the_command_line(self):
        self.assertEqual(self.server.stop(), 0)
        self.server.args = ["--other-device-sync", "30"]
        self.server.start()
        status = self.ok("GET", "/favorites/status/get")[0]
        self.assertEqual((status["status"], status["device_id"]), ("started", "another-device"))
        self.assertLessEqual(abs(time.time() - 30 - status["started_time"]), 5)


if __name__ == "__main__":
    unittest.main()
