"""A real kiv process on the journey's desktop, and its accessible side."""

import os

from .processes import Child, wait_until

SANITIZER_REPORTS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
                     "WARNING: ThreadSanitizer", "ThreadSanitizer: reported")


class Client:
    def __init__(self, binary, name, home, env, workdir):
        self.binary = binary
        self.name = name
        self.home = home
        self.env = env
        self.workdir = workdir
        self.child = None
        self.runs = 0
        self.statuses = []
        os.makedirs(home, exist_ok=True)

    def start(self):
        self.runs += 1
        log = os.path.join(self.workdir, "kiv-%s.%d.log" % (self.name, self.runs))
        # Started in its home, where a file dialog opens first.
        self.child = Child("kiv " + self.name, [self.binary], self.env, log, cwd=self.home)
        return self

    def running(self):
        return self.child is not None and self.child.running()

    def wait_exit(self, timeout=30):
        """Waits for the program to end by itself; its exit status (None if
        it still runs)."""
        status = self.child.wait(timeout)
        if status is not None:
            self.statuses.append(status)
            self.child.stop()
        return status

    def terminate(self, timeout=30):
        """SIGTERM, as a session logout would send; the exit status."""
        status = self.child.stop(timeout)
        self.statuses.append(status)
        return status

    def app(self, timeout=60):
        """The program's application in the accessibility tree."""
        from . import ui
        pid = self.child.pid

        def mine():
            for a in ui.children(ui.desktop()):
                try:
                    if a.get_process_id() == pid:
                        return a
                except Exception:  # an application that went away meanwhile
                    continue
            return None

        return ui.wait_for(mine, timeout, "kiv %s in the accessibility tree" % self.name)

    def window(self, title, timeout=60, role=("dialog", "frame", "window")):
        """A shown top-level window of the program with that title."""
        from . import ui
        pid = self.child.pid

        def shown():
            app = self.app(timeout)
            for w in ui.children(app):
                if ui.role(w) in role and ui.name(w) == title and ui.showing(w):
                    return w
            if not self.running():
                raise AssertionError("kiv %s ended (status %s):\n%s" % (self.name, self.child.proc.returncode,
                                                                         self.log_tail()))
            return None

        return ui.wait_for(shown, timeout, "window %r of kiv %s (pid %d)" % (title, self.name, pid))

    def windows(self):
        from . import ui
        return [w for w in ui.children(self.app()) if ui.showing(w)]

    def logs(self):
        out = []
        for i in range(1, self.runs + 1):
            try:
                with open(os.path.join(self.workdir, "kiv-%s.%d.log" % (self.name, i)), encoding="utf-8",
                          errors="replace") as f:
                    out.append(f.read())
            except OSError:
                pass
        return "".join(out)

    def log_tail(self, lines=40):
        return "\n".join(self.logs().splitlines()[-lines:])

    def sanitizer_reports(self):
        text = self.logs()
        return [marker for marker in SANITIZER_REPORTS if marker in text]
