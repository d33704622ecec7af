#!/usr/bin/python3
"""Two kiv programs reach two kiv-server processes on one PostgreSQL through
HAProxy: a message sent through one process reaches the friend served by the
other, and the friend signing in elsewhere, through the other process, sends
the first session offline."""

from kivdriver import screens
from kivdriver.journey import run

TO_LIU = "刘洋，另一台服务器收得到吗？"
FORCED = "您的帐号因在其它地方登录被迫下线"
WANG, LIU = "13800000003", "13800000006"


def journey(j):
    cluster = j.server
    wang = j.client("wang")
    screens.sign_in(wang, WANG, "123456")
    liu = j.client("liu")
    screens.sign_in(liu, LIU, "123456")
    # Round robin: each sign-in landed on a process of its own.
    on_wang, on_liu = cluster.signed_in_on(WANG), cluster.signed_in_on(LIU)
    assert len(on_wang) == 1 and len(on_liu) == 1 and on_wang != on_liu, (on_wang, on_liu)
    j.note("王大力 on server %d, 刘洋 on server %d" % (on_wang[0], on_liu[0]))

    chat = screens.open_conversation(wang, "我的朋友", "好友列表", "刘洋(10006)")
    screens.say(chat, TO_LIU)
    screens.wait_said(chat, "我(私聊):" + TO_LIU)
    liu_chat = screens.window_titled(liu, "与 王大力(10003) 聊天当中...")
    screens.wait_said(liu_chat, "王大力(私聊):" + TO_LIU)
    j.note("the message crossed from one server to the other")

    elsewhere = j.client("liu-elsewhere")
    screens.sign_in(elsewhere, LIU, "123456")
    screens.dismiss(screens.message_box(liu, FORCED))
    screens.wait_presence(liu, "离线")
    assert cluster.signed_in_on(LIU) == [1, 2], cluster.signed_in_on(LIU)
    assert "signed in elsewhere" in cluster.log_text()
    j.note("signed in again through the other server: the first session went offline")


if __name__ == "__main__":
    run(journey, instances=2)
