"""Sign-in, the user record, reference data, images, the update list and statistics."""
import io
import json
import socket
import time
import unittest
import urllib.parse
import zipfile
import xml.etree.ElementTree as ET

from support import ACCOUNT, ServerTest

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

    def test_update_list_and_installer(self):
        status, obj = self.server.api("GET", "/app-update/list/windows/ru")
        self.assertEqual((status, obj["version"]), (200, "2.1.28"))
        status, _, script = self.server.request("GET", urllib.parse.urlsplit(obj["url"]).path)
        self.assertEqual(status, 200)
        self.assertTrue(script.startswith(b"#!/bin/sh"))
        self.server.control("POST", "update", {"version": "2.2.0"})
        try:
            self.assertEqual(self.server.api("GET", "/app-update/list/linux/en")[1]["version"], "2.2.0")
        finally:
            self.server.control("POST", "update", {"version": "2.1.28"})

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


if __name__ == "__main__":
    unittest.main()
