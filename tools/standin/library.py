"""The data sets the server offers and the state of the one it serves now."""
import copy
import hashlib
import json
import os
import threading
import time

from . import archives

# Books of the first data set served are dated here; later changes get the switch time.
BASE_TIME = 1704067200


def nested_categories(tree):
    """Flat category records from a source tree, with nested-set bounds for the Russian
    order ("left"/"right") and for the English one ("left_en"/"right_en"); siblings are
    ordered by their name in that language."""
    records = {}

    def walk(items, parent, depth, lang, keys, counter):
        def sort_key(c):
            names = c["name"]
            return (names.get(lang) or names.get("ru") or names.get("en") or "").casefold()
        for cat in sorted(items, key=sort_key):
            rec = records.setdefault(cat["id"], {
                "id": cat["id"], "parent_id": parent, "depth": depth, "name": dict(cat["name"])})
            counter[0] += 1
            rec[keys[0]] = counter[0]
            walk(cat.get("children", []), cat["id"], depth + 1, lang, keys, counter)
            counter[0] += 1
            rec[keys[1]] = counter[0]

    walk(tree, 0, 1, "ru", ("left", "right"), [0])
    walk(tree, 0, 1, "en", ("left_en", "right_en"), [0])
    order = ("id", "parent_id", "depth", "left", "right", "left_en", "right_en", "name")
    return [{k: rec[k] for k in order} for rec in sorted(records.values(), key=lambda r: r["left"])]


class SampleDataset:
    """A data set kept as source files: library.json, glossaries.json, books/*.json and
    optional versions/<name>/ overlays (overlay.json plus replacement books/)."""

    def __init__(self, folder, version="1"):
        self.folder = folder
        self.version = str(version)
        with open(os.path.join(folder, "library.json"), encoding="utf-8") as f:
            meta = json.load(f)
        self.accounts = meta["accounts"]
        self.levels = meta.get("levels", {})
        self.categories = nested_categories(meta["categories"])
        self.persons = meta["persons"]
        self.publishers = meta["publishers"]
        self.archi_books = meta["archi_books"]
        self.update = meta.get("update", {})
        with open(os.path.join(folder, "glossaries.json"), encoding="utf-8") as f:
            self.glossaries = json.load(f)
        self._books = self._load_books(os.path.join(folder, "books"))
        if self.version != "1":
            self._apply_overlay(os.path.join(folder, "versions", self.version))

    @staticmethod
    def _load_books(folder):
        books = {}
        if os.path.isdir(folder):
            for name in sorted(os.listdir(folder)):
                if name.endswith(".json"):
                    with open(os.path.join(folder, name), encoding="utf-8") as f:
                        src = json.load(f)
                    books[src["id"]] = src
        return books

    def _apply_overlay(self, folder):
        path = os.path.join(folder, "overlay.json")
        if not os.path.isfile(path):
            raise ValueError("unknown data set version %r in %s" % (self.version, self.folder))
        with open(path, encoding="utf-8") as f:
            overlay = json.load(f)
        for book_id in overlay.get("remove_books", []):
            self._books.pop(book_id, None)
        self._books.update(self._load_books(os.path.join(folder, "books")))
        words = overlay.get("glossary_words", [])
        if words:
            # A word of the overlay replaces the word with its id, or is added.
            self.glossaries = copy.deepcopy(self.glossaries)
            by_id = {w["id"]: i for i, w in enumerate(self.glossaries["words"])}
            for word in words:
                if word["id"] in by_id:
                    self.glossaries["words"][by_id[word["id"]]] = word
                else:
                    self.glossaries["words"].append(word)
        for book_id, langs in overlay.get("reorder_sections", {}).items():
            src = self._books[int(book_id)] = copy.deepcopy(self._books[int(book_id)])
            for lang, parents in langs.items():
                for parent_slug, order in parents.items():
                    _reorder(src["editions"][lang]["sections"], parent_slug, order)

    def versions(self):
        root = os.path.join(self.folder, "versions")
        extra = sorted(os.listdir(root)) if os.path.isdir(root) else []
        return ["1"] + extra

    def book_ids(self):
        return sorted(self._books)

    def book_source(self, book_id):
        return self._books.get(book_id)

    def book_digest(self, book_id):
        src = self._books[book_id]
        return hashlib.sha1(json.dumps(src, sort_keys=True).encode("utf-8")).hexdigest()

    def book_name(self, book_id):
        return self._books[book_id]["name"]


def _reorder(sections, parent_slug, order):
    for sec in sections:
        if sec.get("slug") == parent_slug:
            by_slug = {s["slug"]: s for s in sec["sections"]}
            if sorted(by_slug) != sorted(order):
                raise ValueError("reorder of %s must name every child section" % parent_slug)
            sec["sections"] = [by_slug[s] for s in order]
            return
        _reorder(sec.get("sections", []), parent_slug, order)


class Library:
    """The data set being served, the time each book last changed, and built archives."""

    CACHE_BYTES = 256 * 1024 * 1024

    def __init__(self, make_dataset, version=None):
        self._make = make_dataset
        self._lock = threading.Lock()
        self._times = {}
        self._cache = {}
        self._cache_bytes = 0
        self.dataset = None
        self.activated_at = 0
        self.activate(None, at=BASE_TIME)
        if version is not None and str(version) != self.dataset.version:
            self.activate(version)

    def activate(self, version, at=None):
        """Serve another version; books whose content changed (or that are new) are dated
        now, so an incremental book list since an earlier update names them."""
        dataset = self._make(version)
        now = int(time.time()) if at is None else at
        times = {}
        for book_id in dataset.book_ids():
            digest = dataset.book_digest(book_id)
            old = self._times.get(book_id)
            times[book_id] = old if old and old[0] == digest else (digest, now)
        with self._lock:
            self.dataset, self._times, self.activated_at = dataset, times, now
        return dataset

    def books_since(self, since, level):
        with self._lock:
            ds, times = self.dataset, dict(self._times)
        return [{"id": b, "name": ds.book_name(b)} for b in sorted(times)
                if times[b][1] >= since and self.level_has(level, b)]

    def level_has(self, level, book_id):
        """Whether an account of that subscription level may have the book; a level the
        data set does not list (or lists as null) has every book."""
        books = self.dataset.levels.get(level)
        return books is None or book_id in books

    def book_archive(self, book_id, origin):
        with self._lock:
            ds, entry = self.dataset, self._times.get(book_id)
        if entry is None:
            return None
        key = ("book", book_id, entry[0], origin)
        return self._cached(key, lambda: archives.book_archive(ds.book_source(book_id), origin))

    def glossaries(self):
        ds = self.dataset
        key = ("glossaries", hashlib.sha1(json.dumps(ds.glossaries, sort_keys=True).encode("utf-8")).hexdigest())
        data = self._cached(key, lambda: archives.glossaries_archive(ds.glossaries))
        return data, archives.md5_hex(data)

    def _cached(self, key, build):
        with self._lock:
            data = self._cache.get(key)
        if data is not None:
            return data
        data = build()
        with self._lock:
            while self._cache and self._cache_bytes + len(data) > self.CACHE_BYTES:
                old = self._cache.pop(next(iter(self._cache)))
                self._cache_bytes -= len(old)
            self._cache[key] = data
            self._cache_bytes += len(data)
        return data
