"""Child processes that are always cleaned up: each runs in a process group of
its own, is asked to end with SIGTERM and killed when it does not."""

import os
import signal
import subprocess
import time


class Child:
    def __init__(self, name, argv, env, log_path, pass_fds=(), cwd=None):
        self.name = name
        self.log_path = log_path
        self._log = open(log_path, "ab")
        self.proc = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=self._log,
                                     stderr=subprocess.STDOUT, pass_fds=pass_fds, start_new_session=True,
                                     cwd=cwd)

    @property
    def pid(self):
        return self.proc.pid

    def running(self):
        return self.proc.poll() is None

    def wait(self, timeout):
        """The exit status, or None when it is still running after `timeout`."""
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def signal(self, sig):
        if self.running():
            try:
                os.kill(self.proc.pid, sig)
            except ProcessLookupError:
                pass

    def stop(self, timeout=10.0):
        """SIGTERM, then SIGKILL for the whole group. Returns the exit status."""
        self.signal(signal.SIGTERM)
        status = self.wait(timeout)
        if status is None:
            self.kill()
            status = self.proc.wait()
        self._kill_group()
        self._log.close()
        return status

    def kill(self):
        self._kill_group()
        self.proc.wait()

    def _kill_group(self):
        # Helpers the child started (the accessibility bus launcher starts a
        # bus and a registry) share its process group.
        try:
            os.killpg(self.proc.pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            pass

    def log_text(self):
        try:
            with open(self.log_path, "rb") as f:
                return f.read().decode("utf-8", "replace")
        except OSError:
            return ""


def wait_until(predicate, timeout, interval=0.05):
    """Polls `predicate` until it returns something true; returns that or None."""
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= end:
            return None
        time.sleep(interval)
