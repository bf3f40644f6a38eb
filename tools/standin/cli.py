"""Command line of the stand-in server."""
import argparse
import json
import os
import shlex
import signal
import ssl
import sys
import threading
import time

from . import faults
from .app import App
from .httpd import StandinHTTPServer
from .library import SampleDataset
from .side import ReportServer, StatsListener, ensure_certificate

SAMPLE = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "sample")


def default_state_dir():
    base = os.environ.get("XDG_STATE_HOME") or os.path.expanduser("~/.local/state")
    return os.path.join(base, "tarnolix-standin")


def parse_args(argv):
    p = argparse.ArgumentParser(prog="standin-server", description=(
        "Stand-in for the servers Tarnolix talks to, serving a library from source files."))
    p.add_argument("--port", type=int, default=0, help="HTTP(S) port, 0 = any free port")
    p.add_argument("--udp-port", type=int, default=0, help="statistics UDP port")
    p.add_argument("--ftp-port", type=int, default=0, help="crash-report FTP port")
    p.add_argument("--no-ftp", action="store_true", help="run without the FTP listener")
    p.add_argument("--tls", action="store_true",
                   help="serve HTTPS on --port with a self-signed certificate, and plain HTTP on --http-port")
    p.add_argument("--http-port", type=int, default=0, help="plain HTTP port when --tls is on")
    p.add_argument("--state-dir", default=default_state_dir(),
                   help="where tokens, favorites, statistics and reports are kept")
    p.add_argument("--dataset", default=SAMPLE, help="folder of a library in source form")
    p.add_argument("--data-version", default="1", help="version of the data set to serve")
    p.add_argument("--synthetic", metavar="PLAN",
                   help="serve a generated library instead, e.g. books=500,sections=100,seed=1")
    p.add_argument("--fault", action="append", default=[], metavar="PLAN",
                   help="arm a fault for the whole run (repeatable), e.g. mode=status,code=503,path=/base/")
    p.add_argument("--other-device-sync", type=int, metavar="AGE",
                   help="start with the favorites of every account marked as being synchronised "
                        "by another device AGE seconds ago")
    p.add_argument("--update-version", help="program version the update list offers")
    p.add_argument("--info-file", help="write the listening addresses here as JSON once ready")
    p.add_argument("--print-env", action="store_true",
                   help="once ready, print the program's server variables as shell 'export' lines "
                        "on standard output (the usual summary goes to standard error)")
    p.add_argument("--verbose", action="store_true", help="log every request to standard error")
    return p.parse_args(argv)


def make_dataset_factory(args):
    if args.synthetic:
        from .synthetic import SyntheticDataset, parse_plan
        plan = parse_plan(args.synthetic)
        return lambda version: SyntheticDataset(**plan)
    return lambda version: SampleDataset(args.dataset, version or "1")


def main(argv=None):
    # Handlers first: a SIGTERM during start-up still ends in the clean stop below.
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    args = parse_args(sys.argv[1:] if argv is None else argv)
    try:
        armed = [faults.parse(plan) for plan in args.fault]
    except faults.FaultError as err:
        sys.stderr.write("standin-server: %s\n" % err)
        return 2
    os.makedirs(args.state_dir, exist_ok=True)
    app = App(make_dataset_factory(args), args.state_dir,
              None if args.synthetic else args.data_version, args.verbose)
    for fault in armed:
        app.faults.arm(fault)
    if args.update_version:
        app.update_version = args.update_version
    if args.other_device_sync is not None:
        for account in app.library.dataset.accounts:
            app.favorites.set_status(account["id"], "started", "another-device",
                                     started_time=_ago(args.other_device_sync))

    servers = []
    if args.tls:
        cert, key = ensure_certificate(args.state_dir)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        servers.append(StandinHTTPServer(args.port, app, context))
        servers.append(StandinHTTPServer(args.http_port, app))
        app.ports.update(https="https://127.0.0.1:%d" % servers[0].server_port,
                         http="http://127.0.0.1:%d" % servers[1].server_port, certificate=cert)
    else:
        servers.append(StandinHTTPServer(args.port, app))
        app.ports["http"] = "http://127.0.0.1:%d" % servers[0].server_port
    app.stats = StatsListener(args.udp_port, args.state_dir)
    app.ports["udp_port"] = app.stats.port
    if not args.no_ftp:
        app.reports = ReportServer(args.ftp_port, args.state_dir)
        app.ports["ftp_port"] = app.reports.port
    app.ports["pid"] = os.getpid()

    threads = [threading.Thread(target=s.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True)
               for s in servers]
    for t in threads:
        t.start()
    app.stats.start()
    if app.reports:
        app.reports.start()
    announce(app, args)
    while not stop.wait(0.5):
        pass
    app.stopping.set()
    for s in servers:
        s.shutdown()
        s.server_close()
    app.stats.stop()
    if app.reports:
        app.reports.stop()
    return 0


def _ago(seconds):
    return int(time.time()) - seconds


# The program's environment overrides, one per origin the stand-in serves.
ORIGIN_VARIABLES = ("TARNOLIX_API_URL", "TARNOLIX_IMAGES_URL", "TARNOLIX_STATISTICS_URL",
                    "TARNOLIX_CRASH_REPORT_URL", "TARNOLIX_UPDATE_LIST_URL", "TARNOLIX_WEB_SITE_URL")


def program_environment(info):
    """The variables that point the program at this server. Everything HTTP is served
    from one port (HTTPS when on); the statistics address file is plain HTTP."""
    web = info.get("https") or info["http"]
    env = {"TARNOLIX_API_URL": web, "TARNOLIX_IMAGES_URL": web,
           "TARNOLIX_STATISTICS_URL": info["http"], "TARNOLIX_UPDATE_LIST_URL": web,
           "TARNOLIX_WEB_SITE_URL": web}
    if "ftp_port" in info:
        env["TARNOLIX_CRASH_REPORT_URL"] = "ftp://127.0.0.1:%d" % info["ftp_port"]
    return {name: env[name] for name in ORIGIN_VARIABLES if name in env}


def announce(app, args):
    info = app.info()
    info["environment"] = program_environment(info)
    lines = ["Tarnolix stand-in server (data set %s)" % info["data_version"]]
    if "https" in info:
        lines.append("  https:  %s  (certificate %s)" % (info["https"], info["certificate"]))
    lines.append("  http:   %s" % info["http"])
    lines.append("  udp:    127.0.0.1:%d  (statistics)" % info["udp_port"])
    if "ftp_port" in info:
        lines.append("  ftp:    ftp://127.0.0.1:%d  (crash reports)" % info["ftp_port"])
    lines.append("  state:  %s" % info["state_dir"])
    for account in info["accounts"]:
        lines.append("  account: %s / %s" % (account["email"], account["password"]))
    exports = ["export %s=%s" % (k, shlex.quote(v)) for k, v in info["environment"].items()]
    if args.print_env:
        sys.stderr.write("\n".join(lines) + "\n")
        sys.stderr.flush()
        print("\n".join(exports), flush=True)
    else:
        print("\n".join(lines + ["  program environment:"] + ["    " + e for e in exports]), flush=True)
    if args.info_file:
        tmp = args.info_file + ".tmp"
        with open(tmp, "w", encoding="utf-8") as f:
            json.dump(info, f, ensure_ascii=False)
        os.replace(tmp, args.info_file)
