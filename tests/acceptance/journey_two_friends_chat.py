#!/usr/bin/python3
"""Two friends chat both ways; the history viewer shows both sides; the
sound is switched off in the options."""

from kivdriver import screens, ui
from kivdriver.journey import run

TO_LIU = "刘洋，周六一起打球吗？"
TO_WANG = "好啊，大力，下午三点见"


def journey(j):
    wang = j.client("wang")
    liu = j.client("liu")
    main = screens.sign_in(wang, "13800000003", "123456")
    screens.sign_in(liu, "13800000006", "123456")

    # Sound off, in the options.
    ui.press(ui.find(main, "push button", "设置"))
    options = screens.window_with(wang, "radio button", "关闭声音")
    ui.set_checked(ui.find(options, "radio button", "关闭声音"), True)
    ui.press(ui.find(ui.find(options, "radio button", "关闭声音").parent, "push button", "确定"))
    screens.dismiss(screens.message_box(wang, "设置成功!"))
    assert not screens.sound_on(wang), "the sound switch was not stored off"
    screens.close(options)

    chat = screens.open_conversation(wang, "我的朋友", "好友列表", "刘洋(10006)")
    assert ui.name(chat) == "与 刘洋(10006) 聊天当中...", ui.name(chat)
    screens.say(chat, TO_LIU)
    screens.wait_said(chat, "我(私聊):" + TO_LIU)

    liu_chat = screens.window_titled(liu, "与 王大力(10003) 聊天当中...")
    screens.wait_said(liu_chat, "王大力(私聊):" + TO_LIU)
    screens.say(liu_chat, TO_WANG)
    shown = screens.wait_said(chat, "刘洋(私聊):" + TO_WANG)
    assert shown.count(TO_LIU) == 1 and shown.count(TO_WANG) == 1, shown
    j.note("both ways on screen")

    stored = screens.message_rows(wang, 10003)
    assert [m for _, m in stored if TO_LIU in m or TO_WANG in m] and all(i == 10006 for i, _ in stored), stored
    assert len(stored) == 2, stored

    ui.press(ui.find(main, "push button", "历史"))
    history = screens.window_with(wang, "text", "聊天历史记录")
    ui.double_click(ui.find(ui.find(history, "tree", "联系人"), "table cell", "刘洋"))
    pane = ui.find(history, "text", "聊天历史记录")
    page = ui.wait_for(lambda: TO_LIU in ui.text(pane) and TO_WANG in ui.text(pane) and ui.text(pane), 30,
                       "both sides in the history")
    j.note("the history shows both sides:\n%s" % page)


if __name__ == "__main__":
    run(journey)
