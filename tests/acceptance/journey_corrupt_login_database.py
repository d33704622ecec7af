#!/usr/bin/python3
"""A login database that is no database at all (a crash, a bad disk): the
login window still opens, and the user signs in by typing."""

import os

from kivdriver import screens
from kivdriver.journey import run


def journey(j):
    kiv = j.client("a", start=False)
    with open(os.path.join(kiv.home, "KivSys.dll"), "wb") as f:
        f.write(b"SQLite format 3\0" + os.urandom(4096))
    kiv.start()
    main = screens.sign_in(kiv, "13800000001", "123456", remember=True)
    screens.wait_rows(main, "好友列表", lambda rows: "李小红(10002)" in rows, "李小红")
    j.note("signed in despite the damaged login database")
    screens.menu_command(kiv, "退出")
    assert kiv.wait_exit(30) == 0, kiv.log_tail()


if __name__ == "__main__":
    run(journey)
