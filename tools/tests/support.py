"""Starts the stand-in server as a real process on free ports and talks to it over HTTP."""
import http.client
import json
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
import urllib.parse

TOOLS = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ACCOUNT = ("reader@tarnolix.invalid", "lamp-of-verses")
# The second account: another subscription level, no AI access, a password in Cyrillic.
PUPIL = ("pupil@tarnolix.invalid", "свеча-у-окна")


class Server:
    def __init__(self, *args, state_dir=None):
        self.args = list(args)
        self._own_state = state_dir is None
        self.state_dir = state_dir or tempfile.mkdtemp(prefix="standin-test-")
        self.proc = None
        self.info = None

    def start(self):
        info_file = os.path.join(self.state_dir, "info.json")
        if os.path.exists(info_file):
            os.remove(info_file)
        self.proc = subprocess.Popen(
            [os.path.join(TOOLS, "standin-server"), "--state-dir", self.state_dir,
             "--info-file", info_file] + self.args,
            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        deadline = time.monotonic() + 15
        while not os.path.exists(info_file):
            if self.proc.poll() is not None or time.monotonic() > deadline:
                self.proc.kill()
                out, err = self.proc.communicate()
                raise RuntimeError("server did not start: %s %s" % (out.decode(), err.decode()))
            time.sleep(0.05)
        with open(info_file, encoding="utf-8") as f:
            self.info = json.load(f)
        self.url = urllib.parse.urlsplit(self.info.get("https") or self.info["http"])
        self.plain = urllib.parse.urlsplit(self.info["http"])
        return self

    def stop(self):
        """SIGTERM must end the server cleanly and at once."""
        if self.proc is None:
            return 0
        self.proc.send_signal(signal.SIGTERM)
        try:
            code = self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            code = "killed"
        self.proc.stdout.close()
        self.proc.stderr.close()
        self.proc = None
        return code

    def cleanup(self):
        self.stop()
        if self._own_state:
            shutil.rmtree(self.state_dir, ignore_errors=True)

    def connection(self, timeout=10, plain=False, context=None):
        url = self.plain if plain else self.url
        if url.scheme == "https":
            return http.client.HTTPSConnection(url.hostname, url.port, timeout=timeout, context=context)
        return http.client.HTTPConnection(url.hostname, url.port, timeout=timeout)

    def request(self, method, path, body=None, headers=None, token=None, timeout=10):
        """(status, headers, body bytes) of one request on a fresh connection."""
        conn = self.connection(timeout)
        hdrs = {"accept": "application/json", "device-id": "test-device"}
        if token:
            hdrs["Api-Authorization"] = token
        if isinstance(body, (dict, list)):
            body = json.dumps(body, separators=(",", ":")).encode("utf-8")
            hdrs["Content-Type"] = "application/json"
        hdrs.update(headers or {})
        try:
            conn.request(method, path, body=body, headers=hdrs)
            reply = conn.getresponse()
            return reply.status, reply, reply.read()
        finally:
            conn.close()

    def api(self, method, path, body=None, **kw):
        status, reply, data = self.request(method, path, body, **kw)
        return status, json.loads(data.decode("utf-8"))

    def control(self, method, what, body=None):
        status, obj = self.api(method, "/_control/" + what, body)
        if status != 200:
            raise AssertionError("control %s failed: %s" % (what, obj))
        return obj["data"]

    def login(self, email=ACCOUNT[0], password=ACCOUNT[1]):
        body, ctype = multipart([("email", email), ("password", password)])
        return self.request("POST", "/auth/login", body, headers={"Content-Type": ctype})

    def token(self, email=ACCOUNT[0], password=ACCOUNT[1]):
        status, reply, _ = self.login(email, password)
        assert status == 200, status
        return reply.getheader("api-token")

    def control_refused(self, method, what, body):
        """(status, reply object) of a control request that is expected to fail."""
        return self.api(method, "/_control/" + what, body)


def multipart(fields):
    """A form-data body the way Qt's multipart writer lays it out."""
    boundary = "boundary_.oOo._MTIzNDU2Nzg5MA=="
    parts = []
    for name, value in fields:
        parts.append(('--%s\r\nContent-Disposition: form-data; name="%s"\r\n\r\n%s\r\n'
                      % (boundary, name, value)).encode("utf-8"))
    body = b"".join(parts) + ("--%s--\r\n" % boundary).encode("ascii")
    return body, "multipart/form-data; boundary=\"%s\"" % boundary


class ServerTest(unittest.TestCase):
    """One server for the whole test class."""
    server_args = ()

    @classmethod
    def setUpClass(cls):
        cls.server = Server(*cls.server_args).start()
        status, reply, _ = cls.server.login()
        assert status == 200, status
        cls.token = reply.getheader("api-token")

    @classmethod
    def tearDownClass(cls):
        code = cls.server.stop()
        cls.server.cleanup()
        assert code == 0, "server exit code %r" % code

    def get(self, path, **kw):
        return self.server.api("GET", path, token=self.token, **kw)
