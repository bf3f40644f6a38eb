"""The crash-report FTP upload and the TLS listener with its generated certificate."""
import ftplib
import io
import ssl
import unittest
import urllib.parse
import zipfile
import xml.etree.ElementTree as ET

from support import ACCOUNT, Server, ServerTest, multipart


class ReportUploadTest(ServerTest):
    def ftp(self):
        client = ftplib.FTP()
        client.connect("127.0.0.1", self.server.info["ftp_port"], timeout=5)
        return client

    def test_report_upload_with_the_report_account(self):
        name = "reader@tarnolix.invalid 10-12-2026 12-00-00.zip"
        payload = b"PK\x05\x06" + b"\x00" * 18
        client = self.ftp()
        client.login("tarnolix", "reportbox")
        client.storbinary("STOR /Reports/" + name, io.BytesIO(payload))
        client.quit()
        self.assertIn({"name": name, "size": len(payload)}, self.server.control("GET", "reports"))

    def test_wrong_password_is_refused(self):
        client = self.ftp()
        with self.assertRaises(ftplib.error_perm):
            client.login("tarnolix", "guess")
        client.close()


class TlsTest(unittest.TestCase):
    def test_https_with_generated_certificate(self):
        server = Server("--tls").start()
        try:
            context = ssl.create_default_context(cafile=server.info["certificate"])
            conn = server.connection(context=context)
            body, ctype = multipart(list(zip(("email", "password"), ACCOUNT)))
            conn.request("POST", "/auth/login", body, {"Content-Type": ctype})
            reply = conn.getresponse()
            reply.read()
            self.assertEqual(reply.status, 200)
            token = reply.getheader("api-token")
            conn.request("GET", "/books/download/102", headers={"Api-Authorization": token})
            data = conn.getresponse().read()
            conn.close()
            cover = ET.fromstring(zipfile.ZipFile(io.BytesIO(data)).read("base.xml")).findtext("cover")
            self.assertEqual(urllib.parse.urlsplit(cover).scheme, "https")
            with self.assertRaises(ssl.SSLError):
                strict = server.connection(context=ssl.create_default_context())
                strict.request("GET", "/user")
            plain = server.connection(plain=True)
            plain.request("GET", "/programs_statistic_server.txt")
            self.assertEqual(plain.getresponse().status, 200)
            plain.close()
        finally:
            self.assertEqual(server.stop(), 0)
            server.cleanup()


if __name__ == "__main__":
    unittest.main()
