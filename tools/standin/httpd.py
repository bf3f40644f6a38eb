"""The HTTP side: account API, library data, favorites, images, program update list,
statistics address file, and the /_control/ endpoints that tests use."""
import io
import json
import re
import select
import time
import zipfile
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit
from email.parser import BytesParser
from email.policy import HTTP

from . import faults, images
from .errors import ApiError

_SAFE_NAME = re.compile(r"^[A-Za-z0-9][A-Za-z0-9._-]*$")
_AUTH_PREFIXES = ("/user", "/base/", "/books/", "/favorites/")
INSTALLER_SCRIPT = """#!/usr/bin/env python3
# Stand-in installer of Tarnolix: installs nothing, and appends how it was started
# (arguments, start time, folder) as one JSON line to the file that the environment
# variable names, else to the file the server was told.
import json, os, sys, time
version = %(version)s
started = {"version": version, "arguments": sys.argv[1:], "started": time.time(),
           "pid": os.getpid(), "cwd": os.getcwd()}
record = os.environ.get(%(variable)s) or %(record)s
if record:
    with open(record, "a", encoding="utf-8") as f:
        f.write(json.dumps(started) + "\\n")
print("Tarnolix %%s stand-in installer:" %% version, " ".join(sys.argv[1:]))
"""


class Reply:
    def __init__(self, status=200, body=b"", ctype="application/json", headers=None, envelope=None):
        self.status, self.body, self.ctype = status, body, ctype
        self.headers = headers or {}
        self.envelope = envelope


def envelope_reply(data=None, status=200, success=True, code="OK", message="", headers=None):
    env = {"success": success, "code": code, "message": message, "data": data}
    return Reply(status, json.dumps(env, ensure_ascii=False).encode("utf-8"),
                 headers=headers, envelope=env)


def error_reply(err, headers=None):
    return envelope_reply(None, err.status, False, err.code, err.message, headers)


def corrupt(reply, kind):
    """The reply with broken content: "body" cuts it in half, "record" breaks the
    records inside a JSON reply or the XML entries inside an archive, "empty" sends
    a JSON list with no element."""
    if kind == "empty" and reply.envelope is not None and isinstance(reply.envelope.get("data"), list):
        env = dict(reply.envelope, data=[])
        return Reply(reply.status, json.dumps(env, ensure_ascii=False).encode("utf-8"),
                     reply.ctype, reply.headers, env)
    if kind == "record" and reply.envelope is not None:
        env = dict(reply.envelope)
        data = env.get("data")
        if isinstance(data, list):
            env["data"] = data + ["not-an-object", {}]
        elif isinstance(data, dict):
            env["data"] = dict(data, uuid="not-a-uuid", data="{", id="x")
        else:
            env["data"] = "malformed"
        return Reply(reply.status, json.dumps(env, ensure_ascii=False).encode("utf-8"),
                     reply.ctype, reply.headers, env)
    if kind == "record" and reply.ctype == "application/zip":
        src = zipfile.ZipFile(io.BytesIO(reply.body))
        out = io.BytesIO()
        with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as dst:
            for info in src.infolist():
                data = src.read(info)
                if info.filename.endswith(".xml") and info.filename != "base.xml":
                    data = data[:len(data) // 2]
                dst.writestr(info, data)
        return Reply(reply.status, out.getvalue(), reply.ctype, reply.headers)
    return Reply(reply.status, reply.body[:len(reply.body) // 2], reply.ctype, reply.headers)


class StandinHTTPServer(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, port, app, ssl_context=None):
        self.app = app
        self.ssl_context = ssl_context
        super().__init__(("127.0.0.1", port), Handler)

    def finish_request(self, request, client_address):
        # The TLS handshake runs on the connection's own thread, not in accept().
        if self.ssl_context is not None:
            try:
                request = self.ssl_context.wrap_socket(request, server_side=True)
            except (OSError, ValueError):
                return
        super().finish_request(request, client_address)

    @property
    def scheme(self):
        return "https" if self.ssl_context is not None else "http"


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "TarnolixStandin/1.0"

    def log_message(self, fmt, *args):
        self.server.app.log("%s %s" % (self.address_string(), fmt % args))

    def do_GET(self):
        self._dispatch("GET")

    def do_POST(self):
        self._dispatch("POST")

    def do_DELETE(self):
        self._dispatch("DELETE")

    def do_PUT(self):
        self._dispatch("PUT")

    # Request handling ---------------------------------------------------------------

    def _dispatch(self, method):
        app = self.server.app
        url = urlsplit(self.path)
        path, query = url.path, parse_qs(url.query)
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length > 0 else b""
        origin = "%s://%s" % (self.server.scheme,
                              self.headers.get("Host") or "127.0.0.1:%d" % self.server.server_port)
        if path.startswith("/_control/"):
            self._send(self._guard(lambda: app.control(method, path, body, query)))
            return
        seq = app.requests.record(method, self.path, self.headers.items(), body)
        self._reply_status = None
        try:
            self._answer(app, method, path, query, body, origin)
        finally:
            app.requests.finish(seq, self._reply_status)

    def _answer(self, app, method, path, query, body, origin):
        fault = None
        try:
            header = self.headers.get("X-Standin-Fault")
            fault = faults.parse(header) if header else app.faults.take(method, path)
            if header and fault["mode"] == "archive" and not faults.applies(fault, method, path):
                raise faults.FaultError("archive fault %s does not apply to %s" % (fault["kind"], path))
        except faults.FaultError as err:
            self._send(error_reply(ApiError(400, "INVALID_FAULT", str(err))))
            return
        if fault and fault["mode"] == "close":
            self.close_connection = True
            return
        if fault and fault["mode"] == "delay" and app.stopping.wait(fault["delay_ms"] / 1000.0):
            self.close_connection = True
            return
        if fault and fault["mode"] == "status":
            headers = {"Retry-After": fault["retry_after"]} if fault["retry_after"] else {}
            err = ApiError(fault["code"], "HTTP_%d" % fault["code"], "Stand-in fault: HTTP %d" % fault["code"])
            self._send(error_reply(err, headers))
            return
        if fault and fault["mode"] == "redirect":
            self._send(Reply(302, b"", "text/plain", {"Location": redirect_target(origin, self.path, fault["kind"])}))
            return
        reply = self._guard(lambda: app.route(method, path, query, self.headers, body, origin))
        if fault and fault["mode"] == "malformed":
            reply = corrupt(reply, fault["kind"])
        if fault and fault["mode"] == "archive":
            reply = self._guard(lambda: app.archive_fault(fault["kind"], path, reply))
        self._send(reply, fault)

    def _guard(self, handle):
        try:
            return handle()
        except ApiError as err:
            return error_reply(err)
        except Exception as err:  # a fault of ours must still give the client an answer
            self.server.app.log("internal error: %r" % err)
            return error_reply(ApiError(500, "INTERNAL_ERROR", "Internal error: %s" % err))

    def _send(self, reply, fault=None):
        self._reply_status = reply.status
        self.send_response(reply.status)
        self.send_header("Content-Type", reply.ctype)
        self.send_header("Content-Length", str(len(reply.body)))
        for name, value in reply.headers.items():
            self.send_header(name, value)
        self.end_headers()
        mode = fault["mode"] if fault else None
        try:
            if mode == "drip":
                self._drip(reply.body, fault["chunk"], fault["interval_ms"] / 1000.0)
            elif mode == "stall":
                self.wfile.write(reply.body[:fault["after"]])
                self.wfile.flush()
                self._hold(fault["hold_s"])
                self.close_connection = True
            else:
                self.wfile.write(reply.body)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True

    def _drip(self, body, chunk, interval):
        for start in range(0, len(body), chunk):
            if start and self.server.app.stopping.wait(interval):
                self.close_connection = True
                return
            self.wfile.write(body[start:start + chunk])
            self.wfile.flush()

    def _hold(self, seconds):
        """Keep the connection open and silent until the client leaves, the server
        stops or the hold time ends."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline and not self.server.app.stopping.is_set():
            try:
                readable, _, _ = select.select([self.connection], [], [], 0.2)
                if readable and not self.connection.recv(1):
                    return
            except (OSError, ValueError):
                return


def redirect_target(origin, target, kind):
    """The address a redirect fault names: the same request on this origin ("same"), or
    on the other loopback name of this port ("other": 127.0.0.1 and localhost swap)."""
    if kind == "other":
        scheme, _, host = origin.partition("://")
        name, sep, port = host.rpartition(":")
        other = "localhost" if name != "localhost" else "127.0.0.1"
        origin = "%s://%s%s%s" % (scheme, other, sep, port)
    return origin + target


def parse_form(headers, body):
    """Fields of a multipart/form-data or urlencoded body."""
    ctype = headers.get("Content-Type", "")
    if ctype.startswith("multipart/form-data"):
        message = BytesParser(policy=HTTP).parsebytes(
            b"Content-Type: " + ctype.encode("latin-1") + b"\r\n\r\n" + body)
        fields = {}
        for part in message.iter_parts() if message.is_multipart() else []:
            name = part.get_param("name", header="content-disposition")
            if name:
                fields[name] = part.get_payload(decode=True).decode("utf-8", "replace")
        return fields
    if ctype.startswith("application/x-www-form-urlencoded"):
        return {k: v[0] for k, v in parse_qs(body.decode("utf-8", "replace")).items()}
    return {}


def json_body(body):
    try:
        return json.loads(body.decode("utf-8")) if body else {}
    except (UnicodeDecodeError, ValueError):
        raise ApiError(400, "INVALID_JSON", "The body is not JSON")


def safe_name(name):
    if not _SAFE_NAME.match(name):
        raise ApiError(404, "NOT_FOUND", "No such file")
    return name


def image_reply(name):
    made = images.image_for(safe_name(name))
    if made is None:
        raise ApiError(404, "NOT_FOUND", "No such image")
    return Reply(200, made[0], made[1])

