#!/usr/bin/python3
"""A group from creation to dismissal: the owner creates it and invites a
friend from the search results, the friend clicks the link; a third user
asks to join and the owner admits; the three chat in the group; one member
shields it; the owner dismisses it."""

import re

from kivdriver import screens, ui
from kivdriver.journey import run

LINK = "同意请点击这里"
NEW_GROUP = re.compile(r"^新建群(, \d+ 条未读)?\s*$")


def group_rows(main):
    return [r for r in screens.list_rows(main, "群列表") if r.startswith("新建群")]


def member(j, group, user):
    return bool(j.server.query("select 1 from members where group_id = %d and user_id = %d" % (group, user)))


def journey(j):
    wang = j.client("wang")
    wang_main = screens.sign_in(wang, "13800000003", "123456")
    liu = j.client("liu")
    liu_main = screens.sign_in(liu, "13800000006", "123456")
    chen = j.client("chen")
    chen_main = screens.sign_in(chen, "13800000005", "123456")

    # Created: the owner's tree shows it at once.
    screens.show_list(wang_main, "我的群", "群列表")
    ui.press(ui.find(wang_main, "push button", "创建群"))
    screens.dismiss(screens.message_box(wang, "创建新群已经提交"))
    ui.wait_for(lambda: group_rows(wang_main), 30, "the new group in the owner's tree")
    group = j.server.query("select group_id from chat_groups where owner = 10003 and dismissed = 0")[0][0]
    title = "在群 新建群 ( 群号:%d ) 中聊天..." % group
    j.note("created group %d" % group)

    # Invited from the search results; the friend clicks the link.
    results = screens.search(wang, "查找好友", "昵称", "刘洋")
    screens.pick_result(results, "刘洋")
    ui.press(ui.find(results, "push button", "邀请加入我创建的群"))
    screens.dismiss(screens.message_box(wang, "邀请成功,等待用户回复同意加入"))
    screens.close(results)
    invitation = screens.window_titled(liu, "与 王大力(10003) 聊天当中...")
    view = ui.find(invitation, "text", "聊天记录")
    ui.wait_for(lambda: LINK in ui.text(view), 30, "the invitation's link")
    ui.click_text(view, LINK)
    ui.wait_for(lambda: member(j, group, 10006), 30, "刘洋 in the group")
    j.note("刘洋 joined through the link")

    # Asked to join; the owner admits from the group's conversation.
    results = screens.search(chen, "查找群", "群号", str(group))
    screens.pick_result(results, str(group))
    ui.press(ui.find(results, "push button", "加入群"))
    screens.dismiss(screens.message_box(chen, "等待群主回复"))
    screens.close(results)
    request = screens.window_titled(wang, title)
    view = ui.find(request, "text", "聊天记录")
    ui.wait_for(lambda: LINK in ui.text(view), 30, "the request's link")
    ui.click_text(view, LINK)
    ui.wait_for(lambda: member(j, group, 10005), 30, "陈晨 in the group")
    j.note("陈晨 was admitted")

    # Three people talk.
    screens.say(request, "欢迎两位！")
    liu_group = screens.window_titled(liu, title)
    chen_group = screens.window_titled(chen, title)
    screens.wait_said(liu_group, "王大力(群聊):欢迎两位！")
    screens.wait_said(chen_group, "王大力(群聊):欢迎两位！")
    screens.say(liu_group, "谢谢群主")
    screens.wait_said(request, "刘洋(群聊):谢谢群主")
    screens.wait_said(chen_group, "刘洋(群聊):谢谢群主")
    screens.say(chen_group, "大家好")
    screens.wait_said(request, "陈晨(群聊):大家好")
    screens.wait_said(liu_group, "陈晨(群聊):大家好")
    j.note("three people talked in the group")

    # 刘洋 shields it: what is said next does not reach him.
    tree = screens.show_list(liu_main, "我的群", "群列表")
    ui.choose(ui.context_menu(ui.find(tree, "table cell", NEW_GROUP)), "屏蔽群信息")
    screens.dismiss(screens.message_box(liu, "改变群屏蔽状态已经提交!"))
    ui.wait_for(lambda: j.server.query("select shielded from members where group_id = %d and user_id = 10006"
                                       % group) == [(1,)], 30, "the shield on the server")
    screens.say(request, "屏蔽之后的话")
    screens.wait_said(chen_group, "王大力(群聊):屏蔽之后的话")
    assert not j.server.query("select 1 from messages where recipient = 10006 and conversation = %d" % group)
    assert "屏蔽之后的话" not in ui.text(ui.find(liu_group, "text", "聊天记录"))
    j.note("the shielded member got nothing more")

    # Dismissed by the owner: gone from every tree.
    tree = screens.show_list(wang_main, "我的群", "群列表")
    ui.choose(ui.context_menu(ui.find(tree, "table cell", NEW_GROUP)), "解散群")
    screens.dismiss(screens.message_box(wang, "您确认要解散群"))
    ui.wait_for(lambda: not group_rows(wang_main), 30, "the group gone from the owner's tree")
    # The tree changes at once; the request reaches the server at the next
    # pass of the connection.
    ui.wait_for(lambda: j.server.query("select dismissed from chat_groups where group_id = %d" % group) == [(1,)],
                30, "the group dismissed on the server")
    ui.wait_for(lambda: not group_rows(liu_main) and not group_rows(chen_main), 60,
                "the group gone from the members' trees")
    j.note("dismissed")


if __name__ == "__main__":
    run(journey)
