"""One journey: a private desktop, a kiv-server with the demo accounts and
as many kiv programs as the journey starts, all torn down afterwards. A
failed journey leaves a screenshot, the accessibility trees and every log in
the artifacts directory."""

import argparse
import os
import shutil
import sys
import tempfile
import time
import traceback

from .client import Client
from .cluster import Cluster, Unavailable
from .desktop import Desktop
from .server import Server

# The pause factor of the programs under test: a sign-in in well under a
# second, the protocol's cycles kept in proportion.
DEFAULT_PACE = "0.05"


class Journey:
    def __init__(self, name, kiv, server, artifacts, pace=DEFAULT_PACE, instances=0):
        self.name = name
        self.kiv_binary = os.path.abspath(kiv)
        self.server_binary = os.path.abspath(server)
        self.artifacts = artifacts
        self.pace = pace
        # 0: one server on SQLite; N: N servers on PostgreSQL behind HAProxy.
        self.instances = instances
        self.clients = []
        self.notes = []
        self.started = time.monotonic()

    def __enter__(self):
        self.workdir = tempfile.mkdtemp(prefix="kiv-%s-" % self.name)
        self.desktop = Desktop(self.workdir)
        try:
            self.desktop.start()
            # The accessibility library finds the bus through the environment
            # when it is first used, so only now may the UI helpers load.
            os.environ.update(self.desktop.env)
            server_env = dict(self.desktop.env)
            if self.instances:
                try:
                    self.server = Cluster(self.server_binary, self.workdir, server_env, self.instances)
                except Unavailable as why:
                    raise Skip(str(why))
            else:
                self.server = Server(self.server_binary, self.workdir, server_env)
            self.server.start()
        except BaseException:
            self.desktop.stop()
            raise
        return self

    def client(self, name="a", home=None, pace=None, start=True):
        """A kiv program with a home directory of its own (or `home`)."""
        home = home or os.path.join(self.workdir, "home-" + name)
        env = dict(self.desktop.env)
        env.update(QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
                   KIV_HOME=home, KIV_SERVER=self.server.chat_endpoint, KIV_WEB=self.server.web_endpoint,
                   KIV_PACE=pace or self.pace)
        # The X keyboard library copies unterminated names with strndup, which
        # strict string checking takes for an overflow; it is not our code.
        asan = [o for o in env.get("ASAN_OPTIONS", "").split(":") if o and not o.startswith("strict_string_checks")]
        env["ASAN_OPTIONS"] = ":".join(asan + ["strict_string_checks=0"])
        c = Client(self.kiv_binary, name, home, env, self.workdir)
        self.clients.append(c)
        if start:
            c.start()
        return c

    def note(self, text):
        """A line for the journey's output (figures, what was seen)."""
        self.notes.append(text)
        print("[%6.2f s] %s" % (time.monotonic() - self.started, text), flush=True)

    def __exit__(self, kind, error, tb):
        failed = kind is not None
        if failed:
            self._save_artifacts()
        problems = []
        for c in self.clients:
            if c.running():
                # Ending on SIGTERM as on "退出" is part of every journey: a
                # session logout must not leave the program hanging.
                began = time.monotonic()
                status = c.terminate(timeout=20)
                if status != 0:
                    problems.append("kiv %s did not end cleanly on SIGTERM: status %s after %.1f s" %
                                    (c.name, status, time.monotonic() - began))
        self.server.stop()
        self.desktop.stop()
        for c in self.clients:
            reports = c.sanitizer_reports()
            if reports:
                problems.append("kiv %s reported %s:\n%s" % (c.name, ", ".join(reports), c.log_tail(80)))
        if "runtime error:" in self.server.log_text() or "Sanitizer" in self.server.log_text():
            problems.append("kiv-server reported a sanitizer error:\n" + self.server.log_text()[-4000:])
        if problems and not failed:
            self._save_artifacts()
            raise AssertionError("\n\n".join(problems))
        # What a failure needs is in the artifacts directory by now.
        shutil.rmtree(self.workdir, ignore_errors=True)
        for p in problems:
            print(p, file=sys.stderr)
        return False

    def _save_artifacts(self):
        target = os.path.join(self.artifacts, self.name)
        shutil.rmtree(target, ignore_errors=True)
        os.makedirs(target, exist_ok=True)
        try:
            self.desktop.screenshot(os.path.join(target, "screen.png"))
        except Exception as e:  # the screen may be gone with the failure
            print("no screenshot: %s" % e, file=sys.stderr)
        from . import ui
        for c in self.clients:
            if not c.running():
                continue
            try:
                with open(os.path.join(target, "tree-%s.txt" % c.name), "w") as f:
                    f.write(ui.dump(c.app(timeout=5)))
            except Exception as e:
                print("no accessibility tree of %s: %s" % (c.name, e), file=sys.stderr)
        for entry in os.listdir(self.workdir):
            if entry.endswith(".log"):
                shutil.copy(os.path.join(self.workdir, entry), target)
        for c in self.clients:
            for root, _, files in os.walk(c.home):
                for f in files:
                    if f.endswith(".log") or f.endswith(".txt"):
                        shutil.copy(os.path.join(root, f), os.path.join(target, "%s-%s" % (c.name, f)))
        print("artifacts of the failed journey in %s" % target, file=sys.stderr)
        for c in self.clients:
            print("---- kiv %s log (tail)\n%s" % (c.name, c.log_tail()), file=sys.stderr)


class Skip(Exception):
    """The journey cannot run here (a missing privilege); ctest counts it as
    skipped, not passed."""


SKIPPED = 77


def run(journey_fn, instances=0):
    """Entry point of a journey script: parses the command line ctest gives,
    runs the journey and exits 0 when it walked through. With `instances`,
    that many servers share PostgreSQL behind HAProxy (see cluster.py)."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--kiv", required=True)
    parser.add_argument("--server", required=True)
    parser.add_argument("--artifacts", default=os.path.join(tempfile.gettempdir(), "kiv-acceptance"))
    parser.add_argument("--pace", default=DEFAULT_PACE)
    args = parser.parse_args()
    name = os.path.splitext(os.path.basename(sys.argv[0]))[0]
    try:
        with Journey(name, args.kiv, args.server, args.artifacts, args.pace, instances) as j:
            journey_fn(j)
    except Skip as why:
        print("%s skipped: %s" % (name, why))
        sys.exit(SKIPPED)
    except Exception:
        traceback.print_exc()
        sys.exit(1)
    print("%s walked through" % name)
