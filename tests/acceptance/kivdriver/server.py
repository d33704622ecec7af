"""A real kiv-server process on free ports with the demo accounts, in the
journey's own directory."""

import os
import re
import subprocess

from .processes import Child, wait_until

_SERVING = re.compile(r"serving chat on ([\d.]+):(\d+)(?:, web on [\d.]+:(\d+))?")


class ServerError(RuntimeError):
    pass


class Endpoints:
    """The loopback endpoints of chat_port and web_port, as kiv takes them."""

    @property
    def chat_endpoint(self):
        return "127.0.0.1:%d" % self.chat_port

    @property
    def web_endpoint(self):
        return "127.0.0.1:%d" % self.web_port


class Server(Endpoints):
    """`db` is an SQLite file in `workdir` unless given (a PostgreSQL URL
    shared with other servers, seeded by whoever made it); `name` tells the
    log files of several servers apart."""

    def __init__(self, binary, workdir, env, db=None, name="kiv-server"):
        self.binary = binary
        self.workdir = workdir
        self.env = env
        self.name = name
        self.db = db or os.path.join(workdir, "kiv-server.db")
        self.chat_port = 0
        self.web_port = 0
        self.child = None
        self.starts = 0
        if db is None:
            self.admin("seed-demo")

    def start(self, extra_args=()):
        """Serves on the ports of the first start (any free ones then), so that
        clients find a restarted server where they left it."""
        self.starts += 1
        log = os.path.join(self.workdir, "%s.%d.log" % (self.name, self.starts))
        argv = [self.binary, "--db", self.db, "--bind", "127.0.0.1", "--port", str(self.chat_port),
                "--web-port", str(self.web_port), *extra_args, "serve"]
        self.child = Child("kiv-server", argv, self.env, log)

        def serving():
            if not self.child.running():
                raise ServerError("kiv-server ended at start:\n" + self.child.log_text())
            return _SERVING.search(self.child.log_text())

        found = wait_until(serving, 20)
        if not found:
            raise ServerError("kiv-server did not start:\n" + self.child.log_text())
        self.chat_port, self.web_port = int(found.group(2)), int(found.group(3) or 0)
        return self

    def running(self):
        return self.child is not None and self.child.running()

    def stop(self):
        if self.child is not None:
            status = self.child.stop()
            self.child = None
            return status
        return None

    def kill(self):
        """Ends the server at once, as a crash would."""
        if self.child is not None:
            self.child.kill()
            self.child = None

    def log_text(self):
        parts = []
        for i in range(1, self.starts + 1):
            try:
                with open(os.path.join(self.workdir, "%s.%d.log" % (self.name, i)), encoding="utf-8",
                          errors="replace") as f:
                    parts.append(f.read())
            except OSError:
                pass
        return "".join(parts)

    def admin(self, *args):
        """Runs an admin command on the server's database; returns its output."""
        done = subprocess.run([self.binary, "--db", self.db, *args], env=self.env, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=60)
        if done.returncode != 0:
            raise ServerError("kiv-server %s failed (%d): %s" % (" ".join(args), done.returncode,
                                                                 done.stderr.decode("utf-8", "replace")))
        return done.stdout.decode("utf-8", "replace")

    def query(self, sql):
        """Reads the server's database directly (it is in WAL mode, so a
        reader never stands in the running server's way)."""
        import sqlite3
        with sqlite3.connect("file:%s?mode=ro" % self.db, uri=True, timeout=10) as db:
            return db.execute(sql).fetchall()
