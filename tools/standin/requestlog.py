"""The requests the stand-in received, in order, for tests that check what the
program sent: method, path with its query, headers as sent and the body."""
import threading
import time

# A long demo run must not grow without bound: the oldest entries go first.
MAX_ENTRIES = 2000
MAX_BODY = 64 * 1024


class RequestLog:
    def __init__(self, limit=MAX_ENTRIES):
        self._lock = threading.Lock()
        self._entries = []
        self._next = 1
        self._limit = limit

    def record(self, method, target, headers, body):
        """headers: (name, value) pairs in the order they came. The body is kept as
        text (UTF-8, undecodable bytes replaced) up to MAX_BODY bytes."""
        now = time.time()
        entry = {"method": method, "path": target,
                 "headers": [[name, value] for name, value in headers],
                 "body": body[:MAX_BODY].decode("utf-8", "replace"),
                 "body_size": len(body), "time": now,
                 "start": now, "end": None, "status": None}
        with self._lock:
            entry["seq"] = self._next
            self._next += 1
            self._entries.append(entry)
            del self._entries[:-self._limit]
        return entry["seq"]

    def finish(self, seq, status):
        """The reply to request `seq` is over: its HTTP status (None when the
        connection was closed without one) and the time its last byte went out."""
        now = time.time()
        with self._lock:
            for entry in reversed(self._entries):
                if entry["seq"] == seq:
                    entry["status"], entry["end"] = status, now
                    return

    def entries(self, since=0):
        """Entries whose sequence number is above `since`."""
        with self._lock:
            return [dict(e) for e in self._entries if e["seq"] > since]

    def clear(self):
        """Forgets the entries; sequence numbers go on, so a reader's `since` stays valid."""
        with self._lock:
            self._entries = []
