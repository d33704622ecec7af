#!/usr/bin/python3
"""The own profile edited (nickname, birthday, a new picture) and seen by a
friend after the next refresh of the lists."""

import os
import re

from kivdriver import screens, ui
from kivdriver.desktop import write_picture
from kivdriver.journey import run

NEW_NICKNAME = "大力王"


def journey(j):
    wang = j.client("wang")
    liu = j.client("liu", start=False)
    screens.sign_in(wang, "13800000003", "123456")
    liu.start()
    liu_main = screens.sign_in(liu, "13800000006", "123456")
    old_picture = j.server.query("select jpeg from avatars where is_group = 0 and id = 10003")

    screens.menu_command(wang, "我的资料")
    info = screens.window_titled(wang, "个人资料")
    ui.enter_text(ui.find(info, "text", "昵称"), NEW_NICKNAME)
    year, month, day = ui.find_all(info, "combo box")
    ui.select_in_combo(year, "1990")
    ui.select_in_combo(month, "5")
    ui.select_in_combo(day, "20")

    picture = os.path.join(wang.home, "portrait.png")
    write_picture(picture, 96, 96, (200, 40, 40))
    ui.press(ui.find(info, "push button", "更改"))
    # Qt's file dialog, in Chinese where Qt's translations are installed.
    name_label = re.compile(r"^(File name:$|文件名称)")
    chooser = screens.window_with(wang, "label", name_label)
    ui.select_in_combo(ui.find(chooser, "combo box", "JPEG image (*.jpg)"), "PNG image (*.png)")
    # The dialog offers "Open" once a name was typed: the last key is typed.
    file_name = ui.find(chooser, "text", name_label)
    ui.enter_text(file_name, picture[:-1])
    ui.type_keys(file_name, picture[-1])
    ui.press(ui.find(chooser, "push button", re.compile(r"^(Open$|打开)")))
    ui.press(ui.find(info, "push button", "保存"))
    ui.wait_for(lambda: not ui.showing(info), 30, "the profile window to close once saved")

    nickname, birthday = j.server.query("select nickname, birthday from users where user_id = 10003")[0]
    assert nickname.decode("gbk") == NEW_NICKNAME, nickname
    assert birthday.decode() == "19900520", birthday
    ui.wait_for(lambda: j.server.query("select jpeg from avatars where is_group = 0 and id = 10003") != old_picture,
                30, "the new picture on the server")
    j.note("saved: nickname, birthday and picture on the server")

    # The friend's list catches up at its next refresh.
    screens.wait_rows(liu_main, "好友列表", lambda rows: NEW_NICKNAME + "(10003)" in rows, NEW_NICKNAME)
    friends = screens.show_list(liu_main, "我的朋友", "好友列表")
    menu = ui.context_menu(ui.find(friends, None, NEW_NICKNAME + "(10003)"))
    ui.choose(menu, "个人资料")
    seen = screens.window_titled(liu, "个人资料")
    ui.wait_for(lambda: ui.text(ui.find(seen, "text", "昵称")) == NEW_NICKNAME, 30, "the new nickname")
    shown = [ui.name(c) for c in ui.find_all(seen, "combo box")]
    assert shown == ["1990", "5", "20"], shown
    j.note("the friend sees the new nickname and birthday")


if __name__ == "__main__":
    run(journey)
