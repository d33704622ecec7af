#!/usr/bin/python3
"""Search a nickname and add the found user as a friend; a stranger's first
message opens a conversation; "加为好友" from the stranger's chat window."""

from kivdriver import screens, ui
from kivdriver.journey import run

FROM_STRANGER = "你好，我是赵静，周末的活动还有名额吗？"


def journey(j):
    liu = j.client("liu")
    main = screens.sign_in(liu, "13800000006", "123456")

    ui.press(ui.find(main, "push button", "查找"))
    search = screens.window_titled(liu, "查找")
    ui.set_checked(ui.find(search, "radio button", "昵称"), True)
    ui.enter_text(ui.find(search, "text", "内容"), "陈晨")
    ui.press(ui.find(search, "push button", "查找"))
    results = screens.window_titled(liu, "查找结果")
    found = ui.find(ui.find(results, "tree", "查找结果"), "table cell", "陈晨")
    ui.click(found)
    ui.press(ui.find(results, "push button", "加为好友"))
    screens.dismiss(screens.message_box(liu, "添加成功"))
    screens.wait_rows(main, "好友列表", lambda rows: "陈晨(10005)" in rows, "陈晨")
    assert j.server.query("select friend from friends where owner = 10006 and friend = 10005")
    j.note("found 陈晨 by nickname and added her")

    # Someone not in any list writes first.
    j.server.admin("send-message", "10004", "private", "10006", FROM_STRANGER)
    chat = screens.window_titled(liu, "与陌生人 赵静(10004) 聊天当中...")
    screens.wait_said(chat, "赵静(私聊):" + FROM_STRANGER)
    screens.wait_rows(main, "陌生人列表", lambda rows: "赵静(10004)" in rows, "赵静")
    ui.press(ui.find(chat, "push button", "加为好友"))
    screens.dismiss(screens.message_box(liu, "成功添加到好友列表中"))
    screens.wait_rows(main, "好友列表", lambda rows: "赵静(10004)" in rows, "赵静")
    assert j.server.query("select friend from friends where owner = 10006 and friend = 10004")
    j.note("the stranger's window made 赵静 a friend")


if __name__ == "__main__":
    run(journey)
