#!/usr/bin/python3
"""First start: the user signs in by typing phone and password with "记住密码"
and "自动登录", quits from the menu, and the next start signs in by itself."""

from kivdriver import screens
from kivdriver.journey import run


def journey(j):
    kiv = j.client("a")
    main = screens.sign_in(kiv, "13800000001", "123456", remember=True, auto=True)
    friends = screens.wait_rows(main, "好友列表", lambda rows: "李小红(10002)" in rows, "李小红")
    assert friends == ["李小红(10002)", "王大力(10003)", "赵静(10004)"], friends
    j.note("signed in by typing; friends %s" % friends)

    accounts, auto = screens.login_database(kiv)
    assert accounts == [(10001, "13800000001", "123456")], accounts
    assert auto == 10001, auto
    assert "login 13800000001" in j.server.log_text()

    screens.menu_command(kiv, "退出")
    status = kiv.wait_exit(30)
    assert status == 0, "kiv ended with %s:\n%s" % (status, kiv.log_tail())
    assert "logout user 10001" in j.server.log_text(), j.server.log_text()

    # The second start: no typing, no click.
    seen = len(j.server.log_text())
    kiv.start()
    main = screens.main_window(kiv)
    screens.wait_rows(main, "好友列表", lambda rows: "李小红(10002)" in rows, "李小红")
    assert "login 13800000001 from" in j.server.log_text()[seen:], "the second start did not sign in"
    j.note("the second start signed in by itself")


if __name__ == "__main__":
    run(journey)
