#!/usr/bin/python3
"""The same account signed in elsewhere: the first client shows the
forced-offline box and the offline look; "上线" brings it back (and sends the
other one offline in turn)."""

from kivdriver import screens
from kivdriver.journey import run

FORCED = "您的帐号因在其它地方登录被迫下线"


def journey(j):
    first = j.client("first")
    screens.sign_in(first, "13800000003", "123456")
    screens.wait_presence(first, "在线")
    assert "上线" not in screens.menu_entries(first)

    second = j.client("second")
    screens.sign_in(second, "13800000003", "123456")
    box = screens.message_box(first, FORCED)
    screens.dismiss(box)
    screens.wait_presence(first, "离线")
    entries = screens.menu_entries(first)
    assert "上线" in entries and "离线" not in entries, entries
    assert "signed in elsewhere" in j.server.log_text()
    j.note("the first client was sent offline and looks it")

    # What happens in order, not how often: a client whose answer is slow
    # sends its sign-in again, so the number of login lines is the load's.
    seen = len(j.server.log_text())
    screens.menu_command(first, "上线")
    screens.wait_presence(first, "在线")
    screens.dismiss(screens.message_box(second, FORCED))
    screens.wait_presence(second, "离线")
    assert "login 13800000003 from" in j.server.log_text()[seen:], "上线 did not sign in again"
    j.note("上线 brought the first back; the second went offline in turn")


if __name__ == "__main__":
    run(journey)
