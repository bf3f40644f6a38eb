"""Fault modes switched on per request (header), for the next requests (control) or
for the whole run (command line)."""
import hashlib
import http.client
import io
import json
import socket
import unittest
import zipfile
import xml.etree.ElementTree as ET

from support import Server, ServerTest

GLOSSARIES = "/storage/desktop-dictionaries-update/glossaries.zip"


def entries(data):
    archive = zipfile.ZipFile(io.BytesIO(data))
    return {name: archive.read(name) for name in archive.namelist()}


def section_indexes(xml):
    """The index of each section element, None for an empty one."""
    return [s.findtext("index") and int(s.findtext("index"))
            for s in ET.fromstring(xml).findall("content/sections/section")]


class FaultTest(ServerTest):
    def tearDown(self):
        self.server.control("DELETE", "faults")

    def test_status_faults(self):
        for code, retry_after in ((401, None), (403, None), (404, None), (408, None),
                                  (429, "1"), (500, None), (503, None)):
            with self.subTest(code=code):
                status, reply, body = self.server.request(
                    "GET", "/user", token=self.token, headers={"X-Standin-Fault": "mode=status,code=%d" % code})
                obj = json.loads(body)
                self.assertEqual((status, obj["success"], obj["code"]), (code, False, "HTTP_%d" % code))
                self.assertEqual(reply.getheader("Retry-After"), retry_after)
        status, reply, _ = self.server.request(
            "GET", "/books/download/101", token=self.token,
            headers={"X-Standin-Fault": "mode=status,code=429,retry_after=120"})
        self.assertEqual((status, reply.getheader("Retry-After")), (429, "120"))

    def test_armed_fault_counts_down(self):
        armed = self.server.control("POST", "faults", {"plan": "mode=status,code=503,path=/base/categories,count=2"})
        self.assertEqual(armed["code"], 503)
        self.assertEqual(self.get("/base/persons")[0], 200, "other paths are untouched")
        self.assertEqual([self.get("/base/categories")[0] for _ in range(3)], [503, 503, 200])
        self.assertEqual(self.server.control("GET", "faults"), [])
        self.assertEqual(self.server.api("POST", "/_control/faults", {"mode": "explode"})[0], 400)

    def test_close_without_reply(self):
        with self.assertRaises((http.client.RemoteDisconnected, ConnectionResetError)):
            self.server.request("GET", "/user", token=self.token, headers={"X-Standin-Fault": "mode=close"})
        self.assertEqual(self.get("/user")[0], 200)

    def test_headers_then_stall(self):
        self.server.control("POST", "faults", {"mode": "stall", "after": 10, "path": "/books/download/", "count": 1})
        conn = self.server.connection(timeout=0.5)
        conn.request("GET", "/books/download/101", headers={"Api-Authorization": self.token})
        reply = conn.getresponse()
        self.assertEqual(reply.status, 200)
        self.assertGreater(int(reply.getheader("Content-Length")), 10)
        self.assertEqual(len(reply.read(10)), 10)
        with self.assertRaises(socket.timeout):
            reply.read(1)
        conn.close()
        self.assertEqual(self.get("/user")[0], 200, "a stalled request holds no one else up")

    def test_slow_drip_delivers_the_whole_body_in_pieces(self):
        expected = self.get("/base/persons")[1]
        sock = socket.create_connection((self.server.url.hostname, self.server.url.port), timeout=5)
        sock.sendall(("GET /base/persons HTTP/1.1\r\nHost: x\r\nApi-Authorization: %s\r\n"
                      "X-Standin-Fault: mode=drip,chunk=256,interval_ms=20\r\nConnection: close\r\n\r\n"
                      % self.token).encode("ascii"))
        pieces = []
        while True:
            piece = sock.recv(65536)
            if not piece:
                break
            pieces.append(piece)
        sock.close()
        head, _, body = b"".join(pieces).partition(b"\r\n\r\n")
        self.assertGreater(len(pieces), 3)
        self.assertEqual(json.loads(body), expected)

    def test_malformed_replies(self):
        status, obj = self.get("/base/categories", headers={"X-Standin-Fault": "mode=malformed"})
        self.assertEqual(status, 200)
        self.assertEqual(obj["data"][-2:], ["not-an-object", {}])
        status, obj = self.get("/base/categories", headers={"X-Standin-Fault": "mode=malformed,kind=empty"})
        self.assertEqual((status, obj["success"], obj["data"]), (200, True, []))
        status, _, body = self.server.request("GET", "/base/categories", token=self.token,
                                              headers={"X-Standin-Fault": "mode=malformed,kind=body"})
        with self.assertRaises(ValueError):
            json.loads(body)
        status, _, data = self.server.request("GET", "/books/download/101", token=self.token,
                                              headers={"X-Standin-Fault": "mode=malformed"})
        archive = zipfile.ZipFile(io.BytesIO(data))
        self.assertEqual(ET.fromstring(archive.read("base.xml")).findtext("id"), "101")
        with self.assertRaises(ET.ParseError):
            ET.fromstring(archive.read("book_ru.xml"))


class ArchiveFaultTest(ServerTest):
    def tearDown(self):
        self.server.control("DELETE", "faults")

    def book(self, book_id, fault=None):
        headers = {"X-Standin-Fault": fault} if fault else {}
        status, _, data = self.server.request("GET", "/books/download/%d" % book_id, token=self.token, headers=headers)
        self.assertEqual(status, 200)
        return entries(data)

    def test_book_archive_faults(self):
        sound = self.book(101)
        self.assertEqual(sorted(sound), ["base.xml", "book_en.xml", "book_ru.xml"])
        self.assertEqual(section_indexes(sound["book_ru.xml"]), list(range(1, 9)))
        checks = {
            "no-base": lambda e: self.assertEqual(sorted(e), ["book_en.xml", "book_ru.xml"]),
            "wrong-id": lambda e: self.assertEqual(ET.fromstring(e["base.xml"]).findtext("id"), "1101"),
            "unknown-language": lambda e: self.assertEqual(
                (sorted(e), e["book_xx.xml"]), (["base.xml", "book_en.xml", "book_ru.xml", "book_xx.xml"],
                                                sound["book_ru.xml"])),
            "unknown-entry": lambda e: self.assertEqual(
                sorted(e), ["base.xml", "book_en.xml", "book_ru.xml", "notes.txt"]),
            "empty-section": lambda e: self.assertEqual(
                section_indexes(e["book_ru.xml"]), [1, None, 2, 3, 4, 5, 6, 7, 8]),
            "broken-index": lambda e: self.assertEqual(
                section_indexes(e["book_ru.xml"]), [1, 2, 4, 5, 6, 7, 8, 9]),
        }
        for kind, check in checks.items():
            with self.subTest(kind=kind):
                faulty = self.book(101, "mode=archive,kind=%s" % kind)
                check(faulty)
                # Everything else stays as it was.
                for name in set(faulty) & set(sound):
                    if (kind, name) not in (("wrong-id", "base.xml"), ("empty-section", "book_ru.xml"),
                                            ("broken-index", "book_ru.xml")):
                        self.assertEqual(faulty[name], sound[name], name)
        self.assertEqual(self.book(101), sound)

    def test_archive_fault_for_one_book_and_a_count(self):
        self.server.control("POST", "faults", {"plan": "mode=archive,kind=no-base,book=104,count=1"})
        self.assertEqual(self.get("/books/books?time=0")[0], 200, "a list is no archive")
        self.assertIn("base.xml", self.book(101))
        self.assertNotIn("base.xml", self.book(104))
        self.assertIn("base.xml", self.book(104))
        self.assertEqual(self.server.control("GET", "faults"), [])
        # A path prefix alone would take 10 for 101 to 107; a book id does not.
        self.server.control("POST", "faults", {"mode": "status", "code": 503, "book": 10})
        self.assertEqual(self.server.request("GET", "/books/download/101", token=self.token)[0], 200)

    def test_glossary_faults(self):
        def get(path, fault=None):
            status, _, body = self.server.request("GET", path, headers={"X-Standin-Fault": fault} if fault else {})
            self.assertEqual(status, 200)
            return body
        archive, md5 = get(GLOSSARIES), get(GLOSSARIES + ".md5")
        self.assertIn("tarnolix/glossary_tree.xml", entries(archive))
        self.assertEqual(get(GLOSSARIES + ".md5", "mode=archive,kind=md5-line-feed"), md5 + b"\n")

        # Armed on the common prefix for two requests: the checksum fits the archive without the tree.
        self.server.control("POST", "faults", {"plan": "mode=archive,kind=no-tree,path=%s,count=2" % GLOSSARIES})
        treeless_md5, treeless = get(GLOSSARIES + ".md5"), get(GLOSSARIES)
        self.assertNotIn("tarnolix/glossary_tree.xml", entries(treeless))
        self.assertEqual(set(entries(archive)) - set(entries(treeless)), {"tarnolix/glossary_tree.xml"})
        self.assertEqual(treeless_md5.decode("ascii"), hashlib.md5(treeless).hexdigest())
        self.assertNotEqual(treeless_md5, md5)
        self.assertEqual((get(GLOSSARIES + ".md5"), get(GLOSSARIES)), (md5, archive))

        # A checksum fault passes the archive request by.
        self.server.control("POST", "faults", {"plan": "mode=archive,kind=md5-line-feed,count=1"})
        self.assertEqual(get(GLOSSARIES), archive)
        self.assertEqual(get(GLOSSARIES + ".md5"), md5 + b"\n")

    def test_archive_faults_that_do_not_fit_are_refused(self):
        status, obj = self.get("/user", headers={"X-Standin-Fault": "mode=archive,kind=no-base"})
        self.assertEqual((status, obj["code"]), (400, "INVALID_FAULT"))
        status, _, _ = self.server.request("GET", GLOSSARIES, headers={"X-Standin-Fault": "mode=archive,kind=md5-line-feed"})
        self.assertEqual(status, 400)
        for plan in ("mode=archive", "mode=archive,kind=record", "mode=archive,kind=no-base,book=x"):
            with self.subTest(plan=plan):
                self.assertEqual(self.server.api("POST", "/_control/faults", {"plan": plan})[0], 400)


class RunWideFaultTest(unittest.TestCase):
    def test_fault_for_the_whole_run(self):
        server = Server("--fault", "mode=status,code=503,path=/books/books").start()
        try:
            token = server.login()[1].getheader("api-token")
            for _ in range(2):
                self.assertEqual(server.api("GET", "/books/books?time=0", token=token)[0], 503)
            self.assertEqual(server.api("GET", "/base/publishers", token=token)[0], 200)
        finally:
            self.assertEqual(server.stop(), 0)
            server.cleanup()
        refused = Server("--fault", "mode=status,code=200")
        try:
            with self.assertRaises(RuntimeError):
                refused.start()
        finally:
            refused.cleanup()


if __name__ == "__main__":
    unittest.main()
