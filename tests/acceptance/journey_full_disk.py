#!/usr/bin/python3
"""The disk that holds the message history fills up during a conversation:
what arrives and what is sent is still shown, the window says that the
history was not saved, nothing is half-written, and once there is room
again the history goes on."""

import os
import sqlite3
import subprocess

from kivdriver import screens, ui
from kivdriver.journey import Skip, run

NOT_SAVED = "聊天记录没能保存"


def history(home):
    db = sqlite3.connect("file:%s?mode=ro" % os.path.join(home, "10006", "MsgEx.db"), uri=True, timeout=10)
    db.text_factory = bytes
    try:
        assert db.execute("pragma integrity_check").fetchall() == [(b"ok",)]
        return [r[0].decode("gbk") for r in db.execute("select msg from msg_user order by rowid")]
    finally:
        db.close()


def journey(j):
    home = os.path.join(j.workdir, "small-disk")
    os.makedirs(home)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", home], stderr=subprocess.DEVNULL).returncode:
        raise Skip("cannot mount a small file system for the history (needs root)")
    try:
        liu = j.client("liu", home=home)
        screens.sign_in(liu, "13800000006", "123456")
        j.server.admin("send-message", "10003", "private", "10006", "磁盘满之前")
        chat = screens.window_titled(liu, "与 王大力(10003) 聊天当中...")
        screens.wait_said(chat, "王大力(私聊):磁盘满之前")
        assert history(home) == ["王大力(私聊):磁盘满之前"]

        filler = os.path.join(home, "filler")
        subprocess.run(["dd", "if=/dev/zero", "of=" + filler, "bs=4k"], stderr=subprocess.DEVNULL)
        j.server.admin("send-message", "10003", "private", "10006", "磁盘满了" + "长" * 60)
        screens.wait_said(chat, "王大力(私聊):磁盘满了")
        screens.say(chat, "收到")
        view = ui.find(chat, "text", "聊天记录")
        # Said once for what arrived and once for what was sent.
        ui.wait_for(lambda: ui.text(view).count(NOT_SAVED) == 2, 30, "two notices of the unsaved history")
        assert liu.running(), "the program ended"
        assert history(home) == ["王大力(私聊):磁盘满之前"], "nothing half-written"

        os.remove(filler)
        screens.say(chat, "又有空间了")
        ui.wait_for(lambda: history(home)[-1:] == ["我(私聊):又有空间了"], 30, "the history going on")
        screens.menu_command(liu, "退出")
        assert liu.wait_exit(30) == 0, liu.log_tail()
    finally:
        subprocess.run(["umount", "-l", home])


if __name__ == "__main__":
    run(journey)
