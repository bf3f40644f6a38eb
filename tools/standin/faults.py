"""Faults that tests switch on for the whole run, for the next matching requests, or for
one request. A fault is written "mode=...,key=value,...", for example
"mode=status,code=429,retry_after=2,path=/books/download/,count=1"."""
import re
import threading

from .archives import GLOSSARIES

MODES = ("status", "close", "stall", "drip", "delay", "malformed", "archive", "redirect")
_INTS = {"code": 500, "count": 0, "chunk": 16, "interval_ms": 100, "after": 0,
         "hold_s": 300, "delay_ms": 1000, "book": 0}
_TEXTS = {"path": "", "method": "", "retry_after": "", "kind": ""}

MALFORMED_KINDS = ("record", "body", "empty")
# Where a redirect fault sends the client: the same origin, or the other loopback name.
REDIRECT_KINDS = ("same", "other")
# Archive faults and the requests each one changes.
_BOOK = re.compile(r"/books/download/\d+$")
ARCHIVE_KINDS = {
    "no-base": _BOOK.match, "wrong-id": _BOOK.match, "unknown-language": _BOOK.match,
    "unknown-entry": _BOOK.match, "empty-section": _BOOK.match, "broken-index": _BOOK.match,
    # The checksum of an archive without the tree matches that archive.
    "no-tree": lambda path: path in (GLOSSARIES, GLOSSARIES + ".md5"),
    "md5-line-feed": lambda path: path == GLOSSARIES + ".md5",
}


class FaultError(ValueError):
    pass


def parse(plan):
    """A fault from its text form or from a JSON object; raises FaultError on bad input."""
    if isinstance(plan, str):
        fields = {}
        for item in filter(None, (p.strip() for p in plan.split(","))):
            key, sep, value = item.partition("=")
            if not sep:
                raise FaultError("fault item without '=': %r" % item)
            fields[key.strip()] = value.strip()
    elif isinstance(plan, dict):
        fields = plan
    else:
        raise FaultError("a fault is a text or an object")
    mode = fields.get("mode")
    if mode not in MODES:
        raise FaultError("fault mode must be one of %s" % ", ".join(MODES))
    fault = {"mode": mode}
    for key, value in fields.items():
        if key == "mode":
            continue
        if key in _INTS:
            try:
                fault[key] = int(value)
            except (TypeError, ValueError):
                raise FaultError("fault field %s must be an integer" % key)
        elif key in _TEXTS:
            fault[key] = str(value)
        else:
            raise FaultError("unknown fault field %r" % key)
    for key, default in list(_INTS.items()) + list(_TEXTS.items()):
        fault.setdefault(key, default)
    if mode == "status" and not 400 <= fault["code"] <= 599:
        raise FaultError("a status fault needs a code from 400 to 599")
    if mode == "status" and fault["code"] == 429 and not fault["retry_after"]:
        fault["retry_after"] = "1"
    if mode == "malformed":
        fault["kind"] = fault["kind"] or "record"
        if fault["kind"] not in MALFORMED_KINDS:
            raise FaultError("malformed kind must be record, body or empty")
    if mode == "redirect":
        fault["kind"] = fault["kind"] or "same"
        if fault["kind"] not in REDIRECT_KINDS:
            raise FaultError("redirect kind must be same or other")
    if mode == "archive" and fault["kind"] not in ARCHIVE_KINDS:
        raise FaultError("archive kind must be one of %s" % ", ".join(ARCHIVE_KINDS))
    if fault["book"] < 0:
        raise FaultError("book must be a book id")
    if fault["chunk"] < 1 or fault["interval_ms"] < 0 or fault["after"] < 0 or fault["count"] < 0:
        raise FaultError("fault sizes and counts must not be negative")
    return fault


def applies(fault, method, path):
    """Whether an armed fault takes this request: its path prefix, method and book id
    match, and an archive fault's kind belongs to this kind of request."""
    if not path.startswith(fault["path"]):
        return False
    if fault["method"] and fault["method"].upper() != method:
        return False
    if fault["book"] and path != "/books/download/%d" % fault["book"]:
        return False
    return fault["mode"] != "archive" or bool(ARCHIVE_KINDS[fault["kind"]](path))


class FaultBoard:
    """Armed faults, first match wins; a fault with a count disarms after that many hits."""

    def __init__(self):
        self._lock = threading.Lock()
        self._faults = []

    def arm(self, fault):
        with self._lock:
            self._faults.append(dict(fault, hits=0))

    def clear(self):
        with self._lock:
            self._faults = []

    def listing(self):
        with self._lock:
            return [dict(f) for f in self._faults]

    def take(self, method, path):
        with self._lock:
            for fault in self._faults:
                if not applies(fault, method, path):
                    continue
                fault["hits"] += 1
                if fault["count"]:
                    fault["count"] -= 1
                    if fault["count"] == 0:
                        self._faults.remove(fault)
                return dict(fault)
        return None
