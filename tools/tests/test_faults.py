"""Fault modes switched on per request (header), for the next requests (control) or
for the whole run (command line)."""
import http.client
import io
import json
import socket
import unittest
import zipfile
import xml.etree.ElementTree as ET

from support import Server, ServerTest


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
