"""What each request gets: the routes of the stand-in and its control endpoints."""
import hashlib
import html
import json
import os
import re
import sys
import threading
import time

from . import archives, faults
from .accounts import Accounts
from .archives import GLOSSARIES
from .errors import ApiError
from .favorites import FavoritesStore
from .httpd import (INSTALLER_SCRIPT, Reply, envelope_reply, image_reply, json_body,
                    parse_form, safe_name)
from .library import Library
from .requestlog import RequestLog

STATS_FILE = "/programs_statistic_server.txt"
UPDATE_PLATFORMS = ("windows", "mac", "linux")
UI_LANGUAGES = ("ru", "en", "st")
# The installer appends what it was started with to the file this variable names.
INSTALLER_RECORD_VARIABLE = "TARNOLIX_STANDIN_INSTALLER_RECORD"
# Pages of the maker's web site that the program opens in the browser.
WEB_PAGES = {"/privacy-policy.html": "Privacy policy", "/terms-of-use.html": "Terms of use",
             "/forgot-password": "Forgotten password", "/registration": "Registration"}


class Request:
    def __init__(self, match, query, headers, body, origin):
        self.match, self.query, self.headers, self.body, self.origin = match, query, headers, body, origin
        self.account = None

    @property
    def device_id(self):
        return self.headers.get("device-id", "")


class App:
    def __init__(self, make_dataset, state_dir, version=None, verbose=False):
        self.state_dir = state_dir
        self.verbose = verbose
        self.library = Library(make_dataset, version)
        self.accounts = Accounts(self.library.dataset.accounts, state_dir)
        self.favorites = FavoritesStore(state_dir)
        self.faults = faults.FaultBoard()
        self.requests = RequestLog()
        self.stopping = threading.Event()
        self.update_version = self.library.dataset.update.get("version", "2.1.28")
        self.installer_record = ""
        # How the update list and installer misbehave on request.
        self.update_sha256 = "right"
        self.update_installer = "script"
        self.update_version_text = None
        self.update_url_text = None
        self.stats = None
        self.reports = None
        self.ports = {}
        self._routes = [
            ("POST", r"/auth/login", self.login, False),
            ("GET", r"/user", self.user, True),
            ("GET", r"/base/(categories|persons|publishers|archi_books)", self.reference, True),
            ("GET", r"/books/books", self.book_list, True),
            ("GET", r"/books/download/(\d+)", self.book_download, True),
            ("GET", re.escape(GLOSSARIES), self.glossaries, False),
            ("GET", re.escape(GLOSSARIES) + r"\.md5", self.glossaries_md5, False),
            ("GET", r"/images/(covers|persons)/([^/]+)", lambda r: image_reply(r.match.group(2)), False),
            ("GET", r"/images/status/(\d{3})/[^/]+", self.image_status, False),
            ("GET", r"/app-update/list/([^/]+)/([^/]+)", self.update_list, False),
            ("GET", r"/app-update/files/([^/]+)", self.installer, False),
            ("GET", re.escape(STATS_FILE), self.stats_address, False),
            ("GET", r"/favorites/status/get", self.sync_status, True),
            ("POST", r"/favorites/status/(started|completed|error)", self.set_sync_status, True),
            ("GET", r"/favorites/(folders|items)/get-time-info", self.time_info, True),
            ("POST", r"/favorites/folders/get", self.get_folders, True),
            ("POST", r"/favorites/folders/(add|update)", self.put_folders, True),
            ("DELETE", r"/favorites/(folders|items)/delete", self.delete_items, True),
            ("GET", r"/favorites/items/get/([^/]+)", self.get_favorite, True),
            ("POST", r"/favorites/items/(add|update)", self.put_favorite, True),
            ("GET", "|".join(re.escape(p) for p in WEB_PAGES), self.web_page, False),
            ("GET", r"/(ru|en|st)/books/([^/]+)(?:/([^/]+))?", self.web_book, False),
        ]
        self._routes = [(m, re.compile(p + "$"), h, a) for m, p, h, a in self._routes]

    def log(self, message):
        if self.verbose:
            sys.stderr.write("standin: %s\n" % message)

    # Dispatch -----------------------------------------------------------------------

    def route(self, method, path, query, headers, body, origin):
        allowed = False
        for route_method, pattern, handler, needs_auth in self._routes:
            match = pattern.match(path)
            if not match:
                continue
            if route_method != method:
                allowed = True
                continue
            request = Request(match, query, headers, body, origin)
            if needs_auth:
                request.account = self._authorise(headers)
            return handler(request)
        if allowed:
            raise ApiError(405, "METHOD_NOT_ALLOWED", "Method not allowed")
        raise ApiError(404, "NOT_FOUND", "Not found: %s" % path)

    def _authorise(self, headers):
        token = (headers.get("Api-Authorization") or "").strip()
        if not token:
            raise ApiError(401, "UNAUTHORIZED", "Требуется авторизация")
        account, blocked = self.accounts.account_of(token)
        if account is None:
            raise ApiError(401, "INVALID_TOKEN", "Сессия недействительна, войдите снова")
        if blocked:
            raise ApiError(403, "ACCOUNT_BLOCKED", "Доступ к аккаунту закрыт")
        return account

    # Account ------------------------------------------------------------------------

    def login(self, r):
        form = parse_form(r.headers, r.body)
        email, password = form.get("email", ""), form.get("password", "")
        if not email.strip() or not password:
            raise ApiError(422, "VALIDATION_ERROR", "Укажите e-mail и пароль")
        signed = self.accounts.sign_in(email, password)
        if signed is None:
            raise ApiError(401, "INVALID_CREDENTIALS", "Неверный e-mail или пароль")
        token, account = signed
        return envelope_reply(self.accounts.user_record(account), headers={"api-token": token})

    def user(self, r):
        return envelope_reply(self.accounts.user_record(r.account))

    # Library ------------------------------------------------------------------------

    def reference(self, r):
        ds = self.library.dataset
        table = {"categories": ds.categories, "persons": ds.persons,
                 "publishers": ds.publishers, "archi_books": ds.archi_books}
        return envelope_reply(table[r.match.group(1)])

    def book_list(self, r):
        raw = r.query.get("time", ["0"])[0]
        if not re.fullmatch(r"\d+", raw):
            raise ApiError(400, "INVALID_TIME", "time must be whole seconds since the epoch")
        return envelope_reply(self.library.books_since(int(raw), self.accounts.level_of(r.account)))

    def book_download(self, r):
        """The archive, or not found as well for a book the account's level lacks."""
        book_id = int(r.match.group(1))
        data = None
        if self.library.level_has(self.accounts.level_of(r.account), book_id):
            data = self.library.book_archive(book_id, r.origin)
        if data is None:
            raise ApiError(404, "BOOK_NOT_FOUND", "Книга не найдена")
        return Reply(200, data, "application/zip")

    def glossaries(self, r):
        return Reply(200, self.library.glossaries()[0], "application/zip")

    def glossaries_md5(self, r):
        return Reply(200, self.library.glossaries()[1].encode("ascii"), "text/plain")

    @staticmethod
    def image_status(r):
        status = int(r.match.group(1))
        if not 400 <= status <= 599:
            raise ApiError(404, "NOT_FOUND", "No such image")
        return Reply(status, b"image unavailable", "text/plain")

    # Program update, statistics -----------------------------------------------------

    def _installer_name(self):
        return "tarnolix-%s-setup" % self.update_version

    def _installer_script(self):
        if self.update_installer == "empty":
            return b""
        return (INSTALLER_SCRIPT % {"version": repr(self.update_version), "variable": repr(INSTALLER_RECORD_VARIABLE),
                                    "record": repr(self.installer_record)}).encode("utf-8")

    def update_list(self, r):
        platform, lang = r.match.groups()
        if platform not in UPDATE_PLATFORMS or lang not in UI_LANGUAGES:
            raise ApiError(404, "NOT_FOUND", "No update list for %s/%s" % (platform, lang))
        url = "%s/app-update/files/%s" % (r.origin, self._installer_name())
        listed = {"version": self.update_version if self.update_version_text is None else self.update_version_text,
                  "url": url if self.update_url_text is None else self.update_url_text}
        if self.update_sha256 != "omit":
            data = self._installer_script() + (b"#" if self.update_sha256 == "wrong" else b"")
            listed["sha256"] = hashlib.sha256(data).hexdigest()
        return Reply(200, json.dumps(listed).encode("utf-8"))

    def installer(self, r):
        if safe_name(r.match.group(1)) != self._installer_name():
            raise ApiError(404, "NOT_FOUND", "No such installer")
        return Reply(200, self._installer_script(), "application/octet-stream")

    def stats_address(self, r):
        if self.stats is None:
            raise ApiError(404, "NOT_FOUND", "No statistics listener")
        return Reply(200, ("127.0.0.1:%d" % self.stats.port).encode("ascii"), "text/plain")

    # Web site -----------------------------------------------------------------------

    @staticmethod
    def _html(title, text):
        page = ("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%s</title></head>"
                "<body><h1>%s</h1><p>%s</p></body></html>\n") % (html.escape(title), html.escape(title), html.escape(text))
        return Reply(200, page.encode("utf-8"), "text/html; charset=utf-8")

    def web_page(self, r):
        return self._html(WEB_PAGES[r.match.group(0)], "A page of the Tarnolix stand-in web site.")

    def web_book(self, r):
        lang, book, section = r.match.groups()
        return self._html("Book %s" % book, "Language %s%s." % (lang, ", section %s" % section if section else ""))

    # Faults that change archives ----------------------------------------------------

    def archive_fault(self, kind, path, reply):
        if reply.status != 200:
            return reply
        if path == GLOSSARIES + ".md5":
            body = (reply.body + b"\n" if kind == "md5-line-feed" else
                    archives.md5_hex(archives.without_glossary_tree(self.library.glossaries()[0])).encode("ascii"))
        elif path == GLOSSARIES:
            body = archives.without_glossary_tree(reply.body)
        else:
            body = archives.faulty_book_archive(reply.body, kind)
        return Reply(reply.status, body, reply.ctype, reply.headers)

    # Favorites ----------------------------------------------------------------------

    def sync_status(self, r):
        return envelope_reply(self.favorites.status(r.account["id"]))

    def set_sync_status(self, r):
        status = r.match.group(1)
        body = json_body(r.body) if status != "started" else {}
        if not isinstance(body, dict):
            raise ApiError(400, "INVALID_DATA", "The body must be an object")
        completed = body.get("completedTime")
        if completed is not None and (not isinstance(completed, (int, float)) or isinstance(completed, bool)):
            raise ApiError(400, "INVALID_DATA", "completedTime must be a number or null")
        return envelope_reply(self.favorites.set_status(
            r.account["id"], status, r.device_id,
            completed_time=int(completed) if completed is not None else None,
            message=body.get("message")))

    def time_info(self, r):
        return envelope_reply(self.favorites.time_info(r.account["id"], r.match.group(1)))

    def get_folders(self, r):
        return envelope_reply(self.favorites.get_folders(r.account["id"], json_body(r.body)))

    def put_folders(self, r):
        self.favorites.put_folders(r.account["id"], json_body(r.body))
        return envelope_reply()

    def delete_items(self, r):
        self.favorites.delete(r.account["id"], r.match.group(1), json_body(r.body))
        return envelope_reply()

    def get_favorite(self, r):
        return envelope_reply(self.favorites.get_favorite(r.account["id"], r.match.group(1)))

    def put_favorite(self, r):
        self.favorites.put_favorite(r.account["id"], json_body(r.body))
        return envelope_reply()

    # Control ------------------------------------------------------------------------

    def control(self, method, path, body, query=None):
        what = path[len("/_control/"):]
        if what == "requests":
            if method == "GET":
                since = (query or {}).get("since", ["0"])[0]
                if not re.fullmatch(r"\d+", since):
                    raise ApiError(400, "INVALID_DATA", "since must be a sequence number")
                return envelope_reply(self.requests.entries(int(since)))
            if method == "DELETE":
                self.requests.clear()
                return envelope_reply()
        if what == "info" and method == "GET":
            return envelope_reply(self.info())
        if what == "faults":
            if method == "GET":
                return envelope_reply(self.faults.listing())
            if method == "DELETE":
                self.faults.clear()
                return envelope_reply()
            if method == "POST":
                plan = json_body(body)
                try:
                    fault = faults.parse(plan.get("plan", plan) if isinstance(plan, dict) else plan)
                except faults.FaultError as err:
                    raise ApiError(400, "INVALID_FAULT", str(err))
                self.faults.arm(fault)
                return envelope_reply(fault)
        if what == "dataset" and method == "POST":
            version = _field(_object(body), "version", (str, int), "a text")
            try:
                ds = self.library.activate(str(version))
            except (ValueError, OSError) as err:
                raise ApiError(400, "INVALID_VERSION", str(err))
            return envelope_reply({"version": ds.version, "activated_at": self.library.activated_at})
        if what == "favorites/status" and method == "POST":
            plan = _object(body)
            account = self._control_account(plan)
            status = _field(plan, "status", str, "a text", "started")
            if status not in ("started", "completed", "error"):
                raise ApiError(400, "INVALID_DATA", "status must be started, completed or error")
            age = _field(plan, "age", int, "a whole number of seconds")
            if age is not None and age < 0:
                raise ApiError(400, "INVALID_DATA", "age must not be negative")
            completed = _field(plan, "completed_time", int, "a time in milliseconds or null", nullable=True)
            device = _field(plan, "device_id", str, "a text", "another-device")
            return envelope_reply(self.favorites.set_status(
                account["id"], status, device, completed_time=completed,
                started_time=int(time.time()) - age if age is not None else None))
        if what == "accounts" and method == "POST":
            plan = _object(body)
            account = self._control_account(plan)
            blocked = _field(plan, "blocked", bool, "true or false")
            revoke = _field(plan, "revoke_tokens", bool, "true or false")
            level = _field(plan, "subscribe_level", str, "a text")
            if level is not None and level not in self.library.dataset.levels:
                raise ApiError(400, "INVALID_DATA", "subscribe_level must be one of %s"
                               % ", ".join(self.library.dataset.levels))
            if blocked is not None:
                self.accounts.set_blocked(account["id"], blocked)
            if revoke:
                self.accounts.revoke_all()
            if level is not None:
                self.accounts.set_level(account["id"], level)
            return envelope_reply(self.accounts.user_record(account))
        if what == "update" and method == "POST":
            plan = _object(body)
            version = _field(plan, "version", str, "a text", self.update_version)
            if not re.fullmatch(r"\d+\.\d+\.\d+", version):
                raise ApiError(400, "INVALID_VERSION", "version must be major.minor.patch")
            sha256 = _field(plan, "sha256", str, "right, wrong or omit", "right")
            installer = _field(plan, "installer", str, "script or empty", "script")
            version_text = _field(plan, "version_text", str, "a text or null", None, nullable=True)
            url_text = _field(plan, "url_text", str, "a text or null", None, nullable=True)
            if sha256 not in ("right", "wrong", "omit") or installer not in ("script", "empty"):
                raise ApiError(400, "INVALID_DATA", "sha256 is right, wrong or omit; installer is script or empty")
            self.update_version = version
            self.update_sha256, self.update_installer = sha256, installer
            self.update_version_text, self.update_url_text = version_text, url_text
            return envelope_reply({"version": version, "sha256": sha256, "installer": installer,
                                   "version_text": version_text, "url_text": url_text})
        if what == "installer" and method == "POST":
            record = _field(_object(body), "record", str, "a file path or null", nullable=True) or ""
            if record and not os.path.isabs(record):
                raise ApiError(400, "INVALID_DATA", "record must be an absolute file path")
            self.installer_record = record
            return envelope_reply({"record": record, "variable": INSTALLER_RECORD_VARIABLE})
        if what == "stats" and method == "GET":
            return envelope_reply(self.stats.records() if self.stats else [])
        if what == "reports" and method == "GET":
            return envelope_reply(self.reports.reports() if self.reports else [])
        raise ApiError(404, "NOT_FOUND", "Unknown control request")

    def _control_account(self, plan):
        account = self.accounts.find(_field(plan, "email", str, "a text", ""))
        if account is None:
            raise ApiError(404, "ACCOUNT_NOT_FOUND", "No such account")
        return account

    def info(self):
        ds = self.library.dataset
        return dict(self.ports, state_dir=self.state_dir, data_version=ds.version,
                    versions=ds.versions(), update_version=self.update_version,
                    installer_record=self.installer_record,
                    accounts=[{"email": a["email"], "password": a["password"],
                               "subscribe_level": self.accounts.level_of(a)} for a in ds.accounts])


def _object(body):
    plan = json_body(body)
    if not isinstance(plan, dict):
        raise ApiError(400, "INVALID_DATA", "The body must be a JSON object")
    return plan


def _field(plan, key, types, what, default=None, nullable=False):
    """plan[key] when it has one of the types, default when the key is missing (or
    null where null is allowed); 400 otherwise. A JSON true is no number here."""
    if key not in plan or (plan[key] is None and nullable):
        return default
    value = plan[key]
    types = types if isinstance(types, tuple) else (types,)
    if not isinstance(value, types) or (isinstance(value, bool) and bool not in types):
        raise ApiError(400, "INVALID_DATA", "%s must be %s" % (key, what))
    return value
