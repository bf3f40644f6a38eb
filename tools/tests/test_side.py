"""The crash-report FTP upload and the TLS listener with its generated certificate."""
import ftplib
import io
import os
import ssl
import subprocess
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
            env = server.info["environment"]
            self.assertEqual((env["TARNOLIX_API_URL"], env["TARNOLIX_STATISTICS_URL"]),
                             (server.info["https"], server.info["http"]), "the address file stays plain HTTP")
            plain = server.connection(plain=True)
            plain.request("GET", "/programs_statistic_server.txt")
            self.assertEqual(plain.getresponse().status, 200)
            plain.close()
        finally:
            self.assertEqual(server.stop(), 0)
            server.cleanup()


class PrintEnvTest(unittest.TestCase):
    NAMES = ["TARNOLIX_API_URL", "TARNOLIX_IMAGES_URL", "TARNOLIX_STATISTICS_URL",
             "TARNOLIX_CRASH_REPORT_URL", "TARNOLIX_UPDATE_LIST_URL", "TARNOLIX_WEB_SITE_URL"]

    def test_print_env_gives_shell_exports_that_reach_each_service(self):
        server = Server("--print-env").start()
        try:
            lines = [server.proc.stdout.readline().decode("utf-8").rstrip("\n") for _ in self.NAMES]
            self.assertTrue(all(l.startswith("export TARNOLIX_") for l in lines), lines)
            # What a shell makes of them.
            shown = subprocess.run(
                ["bash", "-c", 'eval "$1"; for n in %s; do echo "$n=${!n}"; done' % " ".join(self.NAMES),
                 "_", "\n".join(lines)], capture_output=True, text=True, check=True).stdout
            env = dict(l.split("=", 1) for l in shown.splitlines())
            http = server.info["http"]
            self.assertEqual(env, {
                "TARNOLIX_API_URL": http, "TARNOLIX_IMAGES_URL": http, "TARNOLIX_STATISTICS_URL": http,
                "TARNOLIX_CRASH_REPORT_URL": "ftp://127.0.0.1:%d" % server.info["ftp_port"],
                "TARNOLIX_UPDATE_LIST_URL": http, "TARNOLIX_WEB_SITE_URL": http})
            self.assertEqual(server.info["environment"], env)
            ftp = urllib.parse.urlsplit(env["TARNOLIX_CRASH_REPORT_URL"])
            client = ftplib.FTP()
            client.connect(ftp.hostname, ftp.port, timeout=5)
            client.login("tarnolix", "reportbox")
            client.quit()
            status, _, body = server.request("GET", "/programs_statistic_server.txt")
            self.assertEqual((status, body.decode()), (200, "127.0.0.1:%d" % server.info["udp_port"]))
        finally:
            self.assertEqual(server.stop(), 0)
            server.cleanup()

    def test_without_ftp_the_crash_upload_is_left_out(self):
        server = Server("--print-env", "--no-ftp").start()
        try:
            self.assertNotIn("TARNOLIX_CRASH_REPORT_URL", server.info["environment"])
            self.assertEqual(len(server.info["environment"]), len(self.NAMES) - 1)
        finally:
            self.assertEqual(server.stop(), 0)
            server.cleanup()


if __name__ == "__main__":
    unittest.main()
