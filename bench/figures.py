#!/usr/bin/python3
"""Figures of the real programs, one run, side by side: a Release kiv and
kiv-server on a private X server (the acceptance suite's desktop), the
client at the protocol's real pace.

  startup to the login window, sign-in to the main window (automatic),
  resident memory at the login window, after signing in to an account with
  200 friends and 10 groups of 390 members, and with 20 conversations open,
  CPU time per minute online and idle, and the latency of a private message
  between two clients (bench_message_latency, at the real ten-second poll).

  /usr/bin/python3 bench/figures.py [build-dir=build-bench] [messages=40]

Needs cmake -DCMAKE_BUILD_TYPE=Release -DKIV_BUILD_BENCH=ON (kiv, kiv-server,
bench_message_latency) and the packages of scripts/setup-deps.sh."""

import os
import re
import sqlite3
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "acceptance"))

from kivdriver.desktop import Desktop  # noqa: E402
from kivdriver.processes import Child, wait_until  # noqa: E402
from kivdriver.server import Server  # noqa: E402

OWNER = 10001  # 张小明, who gets the big lists
FRIENDS = 200
GROUPS = 10
MEMBERS = 390
CHATS = 20


def rss_mb(pid):
    with open("/proc/%d/status" % pid) as f:
        return int(re.search(r"VmRSS:\s+(\d+)", f.read()).group(1)) / 1024.0


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def visible_windows(pid, env):
    done = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--pid", str(pid), "--name", ""],
                          env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    return done.stdout.split()


def seed_big_account(db_path):
    """Users 30001.. with 200 of them friends of the owner, and ten groups of
    390 members, written straight into the server's database (the server's
    own rules stop at 200 members and five groups per user)."""
    db = sqlite3.connect(db_path)
    users = [(30001 + i, ("139%08d" % i).encode(), b"123456", ("用户%03d" % i).encode("gbk"), "男".encode("gbk"),
              b"", 0, b"", b"", 0) for i in range(MEMBERS)]
    db.executemany("insert into users values (?,?,?,?,?,?,?,?,?,?)", users)
    for user_id, *_ in users[:FRIENDS - 3]:  # the owner has three demo friends
        db.execute("insert into friends values (?, ?)", (OWNER, user_id))
        db.execute("insert into friends values (?, ?)", (user_id, OWNER))
    for g in range(GROUPS):
        group_id = 21001 + g
        db.execute("insert into chat_groups (group_id, name, category, introduction, type, owner, created) "
                   "values (?,?,?,?,1,?,?)", (group_id, ("大群%d" % g).encode("gbk"), "其他".encode("gbk"), b"",
                                             users[g][0], b"2301021530"))
        members = [OWNER] + [u[0] for u in users[:MEMBERS - 1]]
        db.executemany("insert into members (group_id, user_id) values (?, ?)", [(group_id, m) for m in members])
    db.commit()
    db.close()
    return [u[0] for u in users[:CHATS]]


def auto_login_home(home, user_id, phone):
    """A home whose login database signs `phone` in by itself."""
    os.makedirs(home, exist_ok=True)
    db = sqlite3.connect(os.path.join(home, "KivSys.dll"))
    db.execute("CREATE TABLE loginer(phoneid INTEGER PRIMARY KEY,phone TEXT , pwd TEXT,rtime TEXT)")
    db.execute("CREATE TABLE AutoLoginer(phoneid INTEGER PRIMARY KEY)")
    db.execute("insert into loginer values (?, ?, '123456', '2026-01-01 00:00:00')", (user_id, phone))
    db.execute("insert into AutoLoginer values (?)", (user_id,))
    db.commit()
    db.close()


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build-bench"))
    messages = int(sys.argv[2]) if len(sys.argv) > 2 else 40
    kiv = os.path.join(build, "app", "kiv")
    figures = []
    work = tempfile.mkdtemp(prefix="kiv-figures-")
    desktop = Desktop(work).start()
    server = None
    children = []
    try:
        env = dict(desktop.env)
        server = Server(os.path.join(build, "server", "kiv-server"), work, env)
        chatters = seed_big_account(server.db)
        server.start()

        def start_kiv(home):
            e = dict(env, QT_QPA_PLATFORM="xcb", KIV_HOME=home, KIV_SERVER=server.chat_endpoint,
                     KIV_WEB=server.web_endpoint)
            os.makedirs(home, exist_ok=True)
            child = Child("kiv", [kiv], e, os.path.join(work, "kiv-%d.log" % len(children)), cwd=home)
            children.append(child)
            return child

        # The login window of a first start.
        began = time.monotonic()
        fresh = start_kiv(os.path.join(work, "fresh"))
        wait_until(lambda: visible_windows(fresh.pid, env), 60, 0.005)
        figures.append(("startup to the login window", "%.2f s" % (time.monotonic() - began)))
        time.sleep(5)
        figures.append(("resident memory at the login window", "%.1f MB" % rss_mb(fresh.pid)))
        fresh.stop()

        # Signing in by itself to the big account.
        home = os.path.join(work, "big")
        auto_login_home(home, OWNER, "13800000001")
        began = time.monotonic()
        big = start_kiv(home)
        history = os.path.join(home, str(OWNER), "MsgEx.db")
        if not wait_until(lambda: os.path.exists(history), 120, 0.01):
            raise RuntimeError("the big account did not sign in:\n" + big.log_text())
        figures.append(("sign-in to the main window (automatic, real pace)", "%.2f s" % (time.monotonic() - began)))
        # The lists and every group's members arrive with the first turns.
        time.sleep(15)
        figures.append(("resident memory signed in: %d friends, %d groups x %d members" % (FRIENDS, GROUPS, MEMBERS),
                        "%.1f MB" % rss_mb(big.pid)))

        cpu = cpu_seconds(big.pid)
        time.sleep(60)
        figures.append(("CPU time per minute online, idle", "%.2f s" % (cpu_seconds(big.pid) - cpu)))

        shown = len(visible_windows(big.pid, env))
        for user_id in chatters:
            server.admin("send-message", str(user_id), "private", str(OWNER), "你好，我是%d" % user_id)
        if not wait_until(lambda: len(visible_windows(big.pid, env)) >= shown + CHATS, 120, 0.2):
            raise RuntimeError("the conversations did not open")
        time.sleep(5)
        figures.append(("resident memory with %d conversations open" % CHATS, "%.1f MB" % rss_mb(big.pid)))
        big.stop()
    finally:
        for c in children:
            if c.running():
                c.stop()
        if server is not None:
            server.stop()
        desktop.stop()
        subprocess.run(["rm", "-rf", work])

    latency = subprocess.run([os.path.join(build, "bench", "bench_message_latency"), str(messages), "1"],
                             env=dict(os.environ, QT_QPA_PLATFORM="offscreen"), stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, text=True).stdout
    found = re.search(r"p50 ([\d.]+) s, p90 [\d.]+ s, p99 ([\d.]+) s", latency)
    figures.append(("message latency between two clients, real pace (%d messages)" % messages,
                    "p50 %s s, p99 %s s" % found.groups() if found else "not measured"))

    width = max(len(name) for name, _ in figures)
    for name, value in figures:
        print("%s  %s" % (name.ljust(width), value))


if __name__ == "__main__":
    main()
