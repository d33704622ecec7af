"""Several kiv-server processes on one PostgreSQL behind HAProxy (round
robin on the chat and the web port), standing in for the single Server of a
journey. The database is a schema of its own in the PostgreSQL that ctest
started for the tests (its URL is in the file KIV_TEST_POSTGRES names)."""

import os
import re
import shutil
import socket
import subprocess
import uuid

from .processes import Child, wait_until
from .server import Endpoints, Server, ServerError

HAPROXY = "/usr/sbin/haproxy"


class Unavailable(RuntimeError):
    """No PostgreSQL or no HAProxy here: the journey cannot run."""


def _free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def _accepts(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=1):
            return True
    except OSError:
        return False


class Cluster(Endpoints):
    def __init__(self, binary, workdir, env, instances=2):
        url_file = os.environ.get("KIV_TEST_POSTGRES", "")
        if not url_file or not os.path.exists(url_file):
            raise Unavailable("no PostgreSQL for the tests (KIV_TEST_POSTGRES)")
        if not os.access(HAPROXY, os.X_OK) or not shutil.which("psql"):
            raise Unavailable("HAProxy or psql is missing (scripts/setup-deps.sh)")
        with open(url_file) as f:
            self.base_url = f.read().strip()
        self.schema = "journey_" + uuid.uuid4().hex[:12]
        self._psql("CREATE SCHEMA %s" % self.schema)
        self.db = self.base_url + "?options=-csearch_path%3D" + self.schema
        self.binary = binary
        self.workdir = workdir
        self.env = env
        self.servers = [Server(binary, workdir, env, db=self.db, name="kiv-server-%d" % (i + 1))
                        for i in range(instances)]
        self.servers[0].admin("seed-demo")
        self.chat_port = _free_port()
        self.web_port = _free_port()
        self.balancer = None

    def _psql(self, sql):
        done = subprocess.run(["psql", "-q", "-v", "ON_ERROR_STOP=1", self.base_url, "-c", sql],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
        if done.returncode != 0:
            raise ServerError("psql %s failed: %s" % (sql, done.stderr.decode("utf-8", "replace")))

    def start(self):
        try:
            return self._start()
        except BaseException:
            self.stop()
            raise

    def _start(self):
        for s in self.servers:
            s.start()
        config = os.path.join(self.workdir, "haproxy.cfg")
        with open(config, "w") as f:
            f.write("global\n  maxconn 256\ndefaults\n  mode tcp\n  timeout connect 1s\n"
                    "  timeout client 200s\n  timeout server 200s\n  retries 3\n  option redispatch\n")
            for section, port, attr in (("chat", self.chat_port, "chat_port"), ("web", self.web_port, "web_port")):
                f.write("listen %s\n  bind 127.0.0.1:%d\n  balance roundrobin\n" % (section, port))
                for i, s in enumerate(self.servers):
                    f.write("  server s%d 127.0.0.1:%d check inter 500 fall 2 rise 1\n" % (i + 1, getattr(s, attr)))
        self.balancer = Child("haproxy", [HAPROXY, "-db", "-f", config], self.env,
                              os.path.join(self.workdir, "haproxy.log"))
        if not wait_until(lambda: not self.balancer.running() or (_accepts(self.chat_port) and
                                                                  _accepts(self.web_port)), 20) \
                or not self.balancer.running():
            raise ServerError("HAProxy did not start:\n" + self.balancer.log_text())
        return self

    def signed_in_on(self, phone):
        """The numbers (1, 2, ...) of the servers that signed `phone` in. Not
        how often: a client whose answer is slow sends its sign-in again on
        the same connection."""
        pattern = re.compile(r"login %s from .*: result 0" % re.escape(phone))
        return [i + 1 for i, s in enumerate(self.servers) if pattern.search(s.log_text())]

    def log_text(self):
        return "".join("---- %s\n%s" % (s.name, s.log_text()) for s in self.servers)

    def stop(self):
        if self.balancer is not None:
            self.balancer.stop()
            self.balancer = None
        statuses = [s.stop() for s in self.servers]
        try:
            self._psql("DROP SCHEMA %s CASCADE" % self.schema)
        except (ServerError, subprocess.SubprocessError):
            pass  # the database goes with the test run anyway
        return statuses
