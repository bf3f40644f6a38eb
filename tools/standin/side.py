"""The statistics listener (UDP), the crash-report upload server (FTP) and the
self-signed certificate for TLS."""
import json
import logging
import os
import socket
import struct
import subprocess
import threading
import time

REPORT_USER = "tarnolix"
REPORT_PASSWORD = "reportbox"


class StatsListener:
    """Records every datagram that reaches the statistics port."""

    def __init__(self, port, state_dir):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind(("127.0.0.1", port))
        self.sock.settimeout(0.2)
        self.port = self.sock.getsockname()[1]
        self._path = os.path.join(state_dir, "statistics.jsonl")
        self._lock = threading.Lock()
        self._records = []
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._run, name="stats", daemon=True)

    def start(self):
        self._thread.start()

    @staticmethod
    def describe(data, sender):
        record = {"time": time.time(), "from": "%s:%d" % sender, "hex": data.hex(), "size": len(data)}
        if len(data) == 10 and data[:4] == b"PSMG":
            record["magic"] = "PSMG"
            record["version"] = [data[4], data[5]]
            record["program_id"] = struct.unpack("<H", data[8:10])[0]
        return record

    def _run(self):
        while not self._stop.is_set():
            try:
                data, sender = self.sock.recvfrom(65535)
            except socket.timeout:
                continue
            except OSError:
                return
            record = self.describe(data, sender)
            with self._lock:
                self._records.append(record)
                with open(self._path, "a", encoding="utf-8") as f:
                    f.write(json.dumps(record) + "\n")

    def records(self):
        with self._lock:
            return list(self._records)

    def stop(self):
        self._stop.set()
        self._thread.join(2)
        self.sock.close()


class ReportServer:
    """FTP server that takes crash-report uploads into <state>/ftp/Reports."""

    def __init__(self, port, state_dir):
        from pyftpdlib.authorizers import DummyAuthorizer
        from pyftpdlib.handlers import FTPHandler
        from pyftpdlib.servers import FTPServer
        logging.getLogger("pyftpdlib").setLevel(logging.ERROR)
        self.root = os.path.join(state_dir, "ftp")
        os.makedirs(os.path.join(self.root, "Reports"), exist_ok=True)
        authorizer = DummyAuthorizer()
        # List, change folder, read and store; no deleting or renaming of reports.
        authorizer.add_user(REPORT_USER, REPORT_PASSWORD, self.root, perm="elrw")
        handler = type("ReportHandler", (FTPHandler,), {"authorizer": authorizer,
                                                        "banner": "Tarnolix crash reports"})
        self.server = FTPServer(("127.0.0.1", port), handler)
        self.port = self.server.address[1]
        self._thread = threading.Thread(target=self._serve, name="ftp", daemon=True)

    def _serve(self):
        self.server.serve_forever(timeout=0.2, blocking=True, handle_exit=False)

    def start(self):
        self._thread.start()

    def reports(self):
        folder = os.path.join(self.root, "Reports")
        return [{"name": n, "size": os.path.getsize(os.path.join(folder, n))}
                for n in sorted(os.listdir(folder))]

    def stop(self):
        self.server.close_all()
        self._thread.join(2)


def ensure_certificate(state_dir):
    """A self-signed certificate for 127.0.0.1 and localhost, made once with the openssl
    command and kept in the state folder. Returns (certificate path, key path)."""
    folder = os.path.join(state_dir, "tls")
    cert, key = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
    if not (os.path.isfile(cert) and os.path.isfile(key)):
        os.makedirs(folder, exist_ok=True)
        subprocess.run(
            ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "3650",
             "-keyout", key, "-out", cert, "-subj", "/CN=127.0.0.1",
             "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"],
            check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    return cert, key
