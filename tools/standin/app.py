"""What each request gets: the routes of the stand-in and its control endpoints."""
import json
import re
import sys
import threading
import time

from . import faults
from .accounts import Accounts
from .errors import ApiError
from .favorites import FavoritesStore
from .httpd import (INSTALLER_SCRIPT, Reply, envelope_reply, image_reply, json_body,
                    parse_form, safe_name)
from .library import Library

GLOSSARIES = "/storage/desktop-dictionaries-update/glossaries.zip"
STATS_FILE = "/programs_statistic_server.txt"


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
        self.stopping = threading.Event()
        self.update_version = self.library.dataset.update.get("version", "2.1.28")
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
        return envelope_reply(Accounts.user_record(account), headers={"api-token": token})

    def user(self, r):
        return envelope_reply(Accounts.user_record(r.account))

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
        return envelope_reply(self.library.books_since(int(raw)))

    def book_download(self, r):
        data = self.library.book_archive(int(r.match.group(1)), r.origin)
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
        return "tarnolix-%s-setup.sh" % self.update_version

    def update_list(self, r):
        url = "%s/app-update/files/%s" % (r.origin, self._installer_name())
        return Reply(200, json.dumps({"version": self.update_version, "url": url}).encode("utf-8"))

    def installer(self, r):
        if safe_name(r.match.group(1)) != self._installer_name():
            raise ApiError(404, "NOT_FOUND", "No such installer")
        return Reply(200, (INSTALLER_SCRIPT % {"version": self.update_version}).encode("utf-8"),
                     "application/octet-stream")

    def stats_address(self, r):
        if self.stats is None:
            raise ApiError(404, "NOT_FOUND", "No statistics listener")
        return Reply(200, ("127.0.0.1:%d" % self.stats.port).encode("ascii"), "text/plain")

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

    def control(self, method, path, body):
        what = path[len("/_control/"):]
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
            version = str(json_body(body).get("version", ""))
            try:
                ds = self.library.activate(version)
            except (ValueError, OSError) as err:
                raise ApiError(400, "INVALID_VERSION", str(err))
            return envelope_reply({"version": ds.version, "activated_at": self.library.activated_at})
        if what == "favorites/status" and method == "POST":
            plan = json_body(body)
            account = self._control_account(plan)
            status = plan.get("status", "started")
            if status not in ("started", "completed", "error"):
                raise ApiError(400, "INVALID_DATA", "status must be started, completed or error")
            started = int(time.time()) - int(plan.get("age", 0)) if "age" in plan else None
            return envelope_reply(self.favorites.set_status(
                account["id"], status, plan.get("device_id", "another-device"),
                completed_time=plan.get("completed_time"), started_time=started))
        if what == "accounts" and method == "POST":
            plan = json_body(body)
            account = self._control_account(plan)
            if "blocked" in plan:
                self.accounts.set_blocked(account["id"], bool(plan["blocked"]))
            if plan.get("revoke_tokens"):
                self.accounts.revoke_all()
            return envelope_reply()
        if what == "update" and method == "POST":
            version = str(json_body(body).get("version", ""))
            if not re.fullmatch(r"\d+\.\d+\.\d+", version):
                raise ApiError(400, "INVALID_VERSION", "version must be major.minor.patch")
            self.update_version = version
            return envelope_reply({"version": version})
        if what == "stats" and method == "GET":
            return envelope_reply(self.stats.records() if self.stats else [])
        if what == "reports" and method == "GET":
            return envelope_reply(self.reports.reports() if self.reports else [])
        raise ApiError(404, "NOT_FOUND", "Unknown control request")

    def _control_account(self, plan):
        account = self.accounts.find(str(plan.get("email", "")))
        if account is None:
            raise ApiError(404, "ACCOUNT_NOT_FOUND", "No such account")
        return account

    def info(self):
        ds = self.library.dataset
        return dict(self.ports, state_dir=self.state_dir, data_version=ds.version,
                    versions=ds.versions(), update_version=self.update_version,
                    accounts=[{"email": a["email"], "password": a["password"]} for a in ds.accounts])
