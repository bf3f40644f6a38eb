"""Sign-in, the user record, reference data, images, the update list and statistics."""
import hashlib
import io
import json
import os
import socket
import stat
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse
import zipfile
import xml.etree.ElementTree as ET

from support import ACCOUNT, PUPIL, Server, ServerTest

USER_KEYS = {"id", "name", "last_name", "spiritual_name", "email", "subscribe_level", "ai_access"}


class AccountApiTest(ServerTest):
    def test_login_gives_token_header_and_user_object(self):
        status, reply, body = self.server.login()
        self.assertEqual(status, 200)
        self.assertRegex(reply.getheader("api-token"), r"^[0-9a-f]{48}$")
        obj = json.loads(body)
        self.assertEqual(set(obj), {"success", "code", "message", "data"})
        self.assertIs(obj["success"], True)
        self.assertEqual(set(obj["data"]), USER_KEYS)
        self.assertEqual((obj["data"]["id"], obj["data"]["email"]), (7, ACCOUNT[0]))
        self.assertIs(obj["data"]["ai_access"], True)

    def test_login_refusals(self):
        cases = [
            (ACCOUNT[0], "wrong", 401, "INVALID_CREDENTIALS"),
            ("nobody@tarnolix.invalid", ACCOUNT[1], 401, "INVALID_CREDENTIALS"),
            (ACCOUNT[0], "", 422, "VALIDATION_ERROR"),
            ("  ", ACCOUNT[1], 422, "VALIDATION_ERROR"),
        ]
        for email, password, status, code in cases:
            with self.subTest(email=email, password=password):
                got, reply, body = self.server.login(email, password)
                obj = json.loads(body)
                self.assertEqual((got, obj["success"], obj["code"]), (status, False, code))
                self.assertTrue(obj["message"])
                self.assertIsNone(reply.getheader("api-token"))
        status, reply, _ = self.server.login(ACCOUNT[0].upper(), ACCOUNT[1])
        self.assertEqual(status, 200, "e-mail is matched without regard to case")

    def test_user_needs_a_valid_token(self):
        self.assertEqual(self.server.api("GET", "/user")[0], 401)
        self.assertEqual(self.server.api("GET", "/user", token="0" * 48)[1]["code"], "INVALID_TOKEN")
        status, obj = self.get("/user")
        self.assertEqual((status, obj["data"]["id"]), (200, 7))
        self.server.control("POST", "accounts", {"email": ACCOUNT[0], "blocked": True})
        try:
            self.assertEqual(self.get("/user")[0], 403)
        finally:
            self.server.control("POST", "accounts", {"email": ACCOUNT[0], "blocked": False})
        self.assertEqual(self.get("/user")[0], 200)

    def test_reference_lists(self):
        keys = {
            "categories": {"id", "parent_id", "depth", "left", "right", "left_en", "right_en", "name"},
            "persons": {"id", "birthday_day", "birthday_month", "birthday_year", "slug", "photo", "name",
                        "last_name", "middle_name", "spiritual_name", "description", "roles"},
            "publishers": {"id", "name"},
            "archi_books": {"id", "name"},
        }
        for table, expected in keys.items():
            with self.subTest(table=table):
                status, obj = self.get("/base/" + table)
                self.assertEqual((status, obj["success"]), (200, True))
                self.assertTrue(obj["data"])
                for record in obj["data"]:
                    self.assertEqual(set(record), expected)
                    self.assertIn("ru", record["name"])
        categories = {c["id"]: c for c in self.get("/base/categories")[1]["data"]}
        self.assertEqual(max(c["depth"] for c in categories.values()), 3)
        for cat in categories.values():
            for lo, hi in (("left", "right"), ("left_en", "right_en")):
                self.assertLess(cat[lo], cat[hi])
                parent = categories.get(cat["parent_id"])
                if parent:
                    self.assertTrue(parent[lo] < cat[lo] and cat[hi] < parent[hi])
                    self.assertEqual(cat["depth"], parent["depth"] + 1)

    def test_book_lists_by_time(self):
        status, obj = self.get("/books/books?time=0")
        self.assertEqual(status, 200)
        self.assertEqual([b["id"] for b in obj["data"]], [101, 102, 103, 104, 105, 106, 107])
        self.assertTrue(all(set(b) == {"id", "name"} and b["name"] for b in obj["data"]))
        self.assertEqual(self.get("/books/books?time=%d" % (time.time() + 3600))[1]["data"], [])
        self.assertEqual(self.get("/books/books?time=soon")[0], 400)

    def test_covers_and_photos(self):
        _, _, data = self.server.request("GET", "/books/download/101", token=self.token)
        base = ET.fromstring(zipfile.ZipFile(io.BytesIO(data)).read("base.xml"))
        cover = urllib.parse.urlsplit(base.findtext("cover"))
        self.assertEqual((cover.hostname, cover.port), (self.server.url.hostname, self.server.url.port))
        status, reply, image = self.server.request("GET", cover.path)
        self.assertEqual((status, reply.getheader("Content-Type"), image[:2]), (200, "image/jpeg", b"\xff\xd8"))
        photos = [p["photo"] for p in self.get("/base/persons")[1]["data"] if p["photo"]]
        self.assertTrue(any(p.endswith(".png") for p in photos))
        for photo in photos:
            status, _, image = self.server.request("GET", photo)
            self.assertEqual(status, 200, photo)
            self.assertIn(image[:4], (b"\xff\xd8\xff\xe0", b"\x89PNG"))
        for code in (404, 410, 500):
            self.assertEqual(self.server.request("GET", "/images/status/%d/lost.jpg" % code)[0], code)
        self.assertEqual(self.server.request("GET", "/images/covers/cover.gif")[0], 404)

    def test_non_ascii_passwords_are_compared_not_crashed_on(self):
        status, reply, body = self.server.login(*PUPIL)
        obj = json.loads(body)
        self.assertEqual(status, 200)
        self.assertEqual((obj["data"]["id"], obj["data"]["subscribe_level"], obj["data"]["ai_access"]),
                         (8, "basic", False))
        self.assertRegex(reply.getheader("api-token"), r"^[0-9a-f]{48}$")
        for email, password in ((PUPIL[0], "свеча-у-двери"), (ACCOUNT[0], "лампа"), (PUPIL[0], "svecha")):
            with self.subTest(email=email, password=password):
                status, _, body = self.server.login(email, password)
                self.assertEqual((status, json.loads(body)["code"]), (401, "INVALID_CREDENTIALS"))
        form = urllib.parse.urlencode({"email": PUPIL[0], "password": PUPIL[1]}).encode("ascii")
        status, _, _ = self.server.request("POST", "/auth/login", form,
                                           headers={"Content-Type": "application/x-www-form-urlencoded"})
        self.assertEqual(status, 200)

    def test_update_list_for_each_platform(self):
        for platform, lang in (("windows", "ru"), ("mac", "en"), ("linux", "ru"), ("linux", "en"), ("linux", "st")):
            with self.subTest(platform=platform, lang=lang):
                status, obj = self.server.api("GET", "/app-update/list/%s/%s" % (platform, lang))
                self.assertEqual(status, 200)
                self.assertEqual(set(obj), {"version", "url", "sha256"})
                self.assertEqual(obj["version"], "2.1.28")
                status, _, script = self.server.request("GET", urllib.parse.urlsplit(obj["url"]).path)
                self.assertEqual(status, 200)
                self.assertTrue(script.startswith(b"#!/usr/bin/env python3\n"))
                self.assertEqual(obj["sha256"], hashlib.sha256(script).hexdigest())
        for path in ("/app-update/list/linux/de", "/app-update/list/android/en", "/app-update/list/linux/"):
            self.assertEqual(self.server.request("GET", path)[0], 404, path)
        self.server.control("POST", "update", {"version": "2.2.0"})
        try:
            obj = self.server.api("GET", "/app-update/list/linux/en")[1]
            self.assertEqual(obj["version"], "2.2.0")
            self.assertIn("2.2.0", obj["url"])
        finally:
            self.server.control("POST", "update", {"version": "2.1.28"})

    def test_update_list_faults_on_request(self):
        """The checksum made wrong or left out, an empty installer, a malformed version,
        and redirects to the same or the other loopback origin."""
        def listed():
            obj = self.server.api("GET", "/app-update/list/linux/ru")[1]
            script = self.server.request("GET", urllib.parse.urlsplit(obj["url"]).path)[2]
            return obj, script
        try:
            self.server.control("POST", "update", {"sha256": "wrong"})
            obj, script = listed()
            self.assertNotEqual(obj["sha256"], hashlib.sha256(script).hexdigest())
            self.server.control("POST", "update", {"sha256": "omit"})
            self.assertNotIn("sha256", listed()[0])
            self.server.control("POST", "update", {"installer": "empty"})
            obj, script = listed()
            self.assertEqual((script, obj["sha256"]), (b"", hashlib.sha256(b"").hexdigest()))
            self.server.control("POST", "update", {"version_text": "2.x.0"})
            self.assertEqual(listed()[0]["version"], "2.x.0")
            self.server.control("POST", "update", {"url_text": ""})
            self.assertEqual(self.server.api("GET", "/app-update/list/linux/ru")[1]["url"], "")
        finally:
            self.server.control("POST", "update", {"version": "2.1.28"})
        self.assertEqual(set(listed()[0]), {"version", "url", "sha256"}, "each request sets all of them")
        scheme, port = self.server.url.scheme, self.server.url.port
        for kind, host in (("same", "127.0.0.1"), ("other", "localhost")):
            with self.subTest(kind=kind):
                status, reply, _ = self.server.request(
                    "GET", "/app-update/list/linux/ru", headers={"X-Standin-Fault": "mode=redirect,kind=" + kind})
                self.assertEqual(status, 302)
                self.assertEqual(reply.getheader("Location"), "%s://%s:%d/app-update/list/linux/ru" % (scheme, host, port))
        self.assertEqual(self.server.request("GET", "/user", headers={"X-Standin-Fault": "mode=redirect,kind=far"})[0],
                         400)

    def test_installer_records_its_arguments_and_start_time(self):
        obj = self.server.api("GET", "/app-update/list/linux/ru")[1]
        _, _, script = self.server.request("GET", urllib.parse.urlsplit(obj["url"]).path)
        with tempfile.TemporaryDirectory() as folder:
            installer = os.path.join(folder, "installer")
            with open(installer, "wb") as f:
                f.write(script)
            os.chmod(installer, stat.S_IRWXU)
            by_variable, by_control = os.path.join(folder, "env.jsonl"), os.path.join(folder, "control.jsonl")
            arguments = ["/SILENT", "/NORESTART", '/TASKS="installvsredist"', "two words"]
            before = time.time()
            env = dict(os.environ, TARNOLIX_STANDIN_INSTALLER_RECORD=by_variable)
            subprocess.run([installer] + arguments, env=env, cwd=folder, check=True, capture_output=True)
            with open(by_variable, encoding="utf-8") as f:
                record = json.loads(f.read())
            self.assertEqual(record["arguments"], arguments)
            self.assertEqual((record["version"], record["cwd"]), ("2.1.28", folder))
            self.assertTrue(before <= record["started"] <= time.time())

            # Told by a control request: the file is named in the installer it serves.
            told = self.server.control("POST", "installer", {"record": by_control})
            self.assertEqual(told["variable"], "TARNOLIX_STANDIN_INSTALLER_RECORD")
            try:
                _, _, script = self.server.request("GET", urllib.parse.urlsplit(obj["url"]).path)
                self.assertNotEqual(self.server.api("GET", "/app-update/list/linux/ru")[1]["sha256"], obj["sha256"])
            finally:
                self.server.control("POST", "installer", {"record": None})
            with open(installer, "wb") as f:
                f.write(script)
            env.pop("TARNOLIX_STANDIN_INSTALLER_RECORD")
            for _ in range(2):
                subprocess.run([installer, "/SILENT"], env=env, check=True, capture_output=True)
            with open(by_control, encoding="utf-8") as f:
                self.assertEqual([json.loads(l)["arguments"] for l in f], [["/SILENT"], ["/SILENT"]])

    def test_web_site_pages(self):
        for path in ("/privacy-policy.html", "/terms-of-use.html", "/forgot-password", "/registration",
                     "/ru/books/dipa-samhita", "/en/books/dipa-samhita/chapter-1"):
            with self.subTest(path=path):
                status, reply, body = self.server.request("GET", path)
                self.assertEqual((status, reply.getheader("Content-Type")), (200, "text/html; charset=utf-8"))
                self.assertTrue(body.startswith(b"<!DOCTYPE html>"))
        self.assertEqual(self.server.request("GET", "/de/books/dipa-samhita")[0], 404)
        self.assertEqual(self.server.request("GET", "/ru/books/")[0], 404)

    def test_statistics_address_and_datagram(self):
        status, _, body = self.server.request("GET", "/programs_statistic_server.txt")
        self.assertEqual(status, 200)
        host, port = body.decode("ascii").split(":")
        self.assertEqual((host, int(port)), ("127.0.0.1", self.server.info["udp_port"]))
        datagram = b"PSMG\x01\x01\x00\x00\x09\x00"
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
            sock.sendto(datagram, (host, int(port)))
        deadline = time.monotonic() + 5
        while not self.server.control("GET", "stats") and time.monotonic() < deadline:
            time.sleep(0.05)
        record = self.server.control("GET", "stats")[-1]
        self.assertEqual((record["hex"], record["program_id"]), (datagram.hex(), 9))

    def test_unknown_path_and_method(self):
        self.assertEqual(self.get("/books/nothing")[1]["code"], "NOT_FOUND")
        status, obj = self.server.api("DELETE", "/user", token=self.token)
        self.assertEqual((status, obj["code"]), (405, "METHOD_NOT_ALLOWED"))


class AccountLevelTest(unittest.TestCase):
    """Each account sees the books of its subscription level; a control request
    changes the level."""

    def ids(self, server, token, since=0):
        status, obj = server.api("GET", "/books/books?time=%d" % since, token=token)
        self.assertEqual(status, 200)
        return [b["id"] for b in obj["data"]]

    def test_book_lists_and_downloads_follow_the_level(self):
        server = Server().start()
        try:
            reader, pupil = server.token(), server.token(*PUPIL)
            self.assertEqual(self.ids(server, reader), [101, 102, 103, 104, 105, 106, 107])
            self.assertEqual(self.ids(server, pupil), [101, 104, 105])
            self.assertEqual(server.request("GET", "/books/download/104", token=pupil)[0], 200)
            status, obj = server.api("GET", "/books/download/102", token=pupil)
            self.assertEqual((status, obj["success"], obj["code"]), (404, False, "BOOK_NOT_FOUND"))

            changed = server.control("POST", "accounts", {"email": PUPIL[0], "subscribe_level": "full"})
            self.assertEqual(changed["subscribe_level"], "full")
            self.assertEqual(server.api("GET", "/user", token=pupil)[1]["data"]["subscribe_level"], "full")
            # The books the new level adds keep their old dates: only a list from time 0 names them.
            self.assertEqual(self.ids(server, pupil, int(time.time()) - 60), [])
            self.assertEqual(self.ids(server, pupil), [101, 102, 103, 104, 105, 106, 107])
            self.assertEqual(server.request("GET", "/books/download/102", token=pupil)[0], 200)
            self.assertEqual(self.ids(server, reader), [101, 102, 103, 104, 105, 106, 107], "one account only")

            self.assertEqual(server.stop(), 0)
            server.start()
            self.assertEqual(server.api("GET", "/user", token=pupil)[1]["data"]["subscribe_level"], "full",
                             "the level survives a restart")
            server.control("POST", "accounts", {"email": PUPIL[0], "subscribe_level": "basic"})
            self.assertEqual(self.ids(server, pupil), [101, 104, 105])
            self.assertEqual(server.request("GET", "/books/download/102", token=pupil)[0], 404)
        finally:
            self.assertEqual(server.stop(), 0)
            server.cleanup()


class RequestLogTest(ServerTest):
    def test_log_keeps_method_path_headers_and_body_in_order(self):
        self.server.control("DELETE", "requests")
        last = self.server.control("GET", "requests")
        self.assertEqual(last, [])
        self.server.login()
        self.server.request("GET", "/user?x=1", token=self.token, headers={"X-Standin-Fault": "mode=status,code=500"})
        self.server.request("DELETE", "/favorites/items/delete", body=[{"uuid": "u"}], token=self.token)
        log = self.server.control("GET", "requests")
        self.assertEqual([(e["method"], e["path"]) for e in log],
                         [("POST", "/auth/login"), ("GET", "/user?x=1"), ("DELETE", "/favorites/items/delete")],
                         "control requests are not logged; faulted ones are")
        login, user, delete = log
        self.assertIn('name="email"\r\n\r\n%s' % ACCOUNT[0], login["body"])
        self.assertLess(login["body"].index('name="email"'), login["body"].index('name="password"'))
        self.assertNotIn("Api-Authorization", [name for name, _ in login["headers"]])
        self.assertIn(["Api-Authorization", self.token], user["headers"])
        self.assertIn(["device-id", "test-device"], user["headers"])
        self.assertEqual((delete["body"], delete["body_size"]), ('[{"uuid":"u"}]', 14))
        self.assertEqual([e["seq"] for e in self.server.control("GET", "requests?since=%d" % user["seq"])],
                         [delete["seq"]])
        self.server.control("DELETE", "requests")
        self.assertEqual(self.server.control("GET", "requests"), [])
        self.get("/user")
        self.assertGreater(self.server.control("GET", "requests")[0]["seq"], delete["seq"],
                           "numbers go on after a clear")
        self.assertEqual(self.server.control_refused("GET", "requests?since=x", None)[0], 400)


    def test_log_gives_each_reply_its_status_and_time_span(self):
        self.server.control("DELETE", "requests")
        self.server.login()
        self.server.request("GET", "/user", token=self.token, headers={"X-Standin-Fault": "mode=status,code=503"})
        self.server.request("GET", "/user", token=self.token, headers={"X-Standin-Fault": "mode=delay,delay_ms=300"})
        with self.assertRaises(Exception):
            self.server.request("GET", "/user", token=self.token, headers={"X-Standin-Fault": "mode=close"})
        log = self.server.control("GET", "requests")
        self.assertEqual([e["status"] for e in log[:4]], [200, 503, 200, None],
                         "a closed connection has no status")
        for entry in log[:4]:
            self.assertEqual(entry["start"], entry["time"])
            self.assertLessEqual(entry["start"], entry["end"])
        self.assertGreaterEqual(log[2]["end"] - log[2]["start"], 0.3, "a delayed reply ends late")

    def test_log_drops_its_oldest_entries_past_the_limit(self):
        sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
        from standin.requestlog import RequestLog
        log = RequestLog(limit=3)
        for n in range(5):
            log.record("GET", "/p%d" % n, [], b"\xff" * n)
        self.assertEqual([(e["path"], e["seq"]) for e in log.entries()], [("/p2", 3), ("/p3", 4), ("/p4", 5)])
        self.assertEqual(log.entries()[0]["body"], "\ufffd\ufffd", "undecodable bytes are replaced")

class ControlInputTest(ServerTest):
    def test_bad_control_input_is_refused_with_400(self):
        cases = [
            ("favorites/status", {"email": ACCOUNT[0], "status": "started", "age": None}),
            ("favorites/status", {"email": ACCOUNT[0], "age": "ten"}),
            ("favorites/status", {"email": ACCOUNT[0], "age": True}),
            ("favorites/status", {"email": ACCOUNT[0], "age": -5}),
            ("favorites/status", {"email": ACCOUNT[0], "status": "paused"}),
            ("favorites/status", {"email": ACCOUNT[0], "device_id": 5}),
            ("favorites/status", {"email": ACCOUNT[0], "status": "completed", "completed_time": "soon"}),
            ("favorites/status", ["not", "an", "object"]),
            ("favorites/status", b"{not json"),
            ("accounts", {"email": ACCOUNT[0], "blocked": "yes"}),
            ("accounts", {"email": ACCOUNT[0], "revoke_tokens": 1}),
            ("accounts", {"email": PUPIL[0], "subscribe_level": 3}),
            ("accounts", {"email": PUPIL[0], "subscribe_level": "gold"}),
            ("accounts", {"email": ["x"]}),
            ("accounts", b'"reader"'),
            ("update", {"version": 2}),
            ("update", {"version": "2.2"}),
            ("update", None),
            ("update", {"sha256": "maybe"}),
            ("update", {"installer": "zip"}),
            ("update", {"version_text": 2}),
            ("dataset", {"version": ["2"]}),
            ("installer", {"record": "relative/record.jsonl"}),
            ("installer", {"record": 7}),
            ("faults", ["mode=close"]),
        ]
        for what, body in cases:
            with self.subTest(what=what, body=body):
                if body is None:
                    body = b"null"
                status, obj = self.server.control_refused("POST", what, body)
                self.assertEqual((status, obj["success"]), (400, False))
                self.assertTrue(obj["message"])
                self.assertRegex(obj["code"], r"^[A-Z_]+$")
        self.assertEqual(self.get("/user")[1]["data"]["subscribe_level"], "full", "nothing was changed")
        self.assertEqual(self.server.control("GET", "faults"), [])
        status, obj = self.server.control_refused("POST", "accounts", {"email": "nobody@tarnolix.invalid"})
        self.assertEqual((status, obj["code"]), (404, "ACCOUNT_NOT_FOUND"))
        # Null is accepted where it means something.
        status = self.server.control("POST", "favorites/status", {
            "email": ACCOUNT[0], "status": "completed", "completed_time": None, "age": 5})
        self.assertEqual(status[0]["status"], "completed")


if __name__ == "__main__":
    unittest.main()
