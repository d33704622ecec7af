#!/usr/bin/python3
"""Password change in the options, then a fresh sign-in elsewhere: the old
password is refused, the new one signs in."""

from kivdriver import screens, ui
from kivdriver.journey import run


def journey(j):
    wang = j.client("wang")
    main = screens.sign_in(wang, "13800000003", "123456")
    ui.press(ui.find(main, "push button", "设置"))
    options = screens.window_with(wang, "push button", "密码安全")
    ui.press(ui.find(options, "push button", "密码安全"))
    old = ui.find(options, "password text", "旧密码")
    page = old.parent
    ui.type_keys(old, "123456")
    ui.type_keys(ui.find(page, "password text", "新密码"), "654321")
    ui.type_keys(ui.find(page, "password text", "确认密码"), "654321")
    ui.press(ui.find(page, "push button", "确定"))
    screens.dismiss(screens.message_box(wang, "密码设置成功!"))
    assert j.server.query("select password from users where user_id = 10003") == [(b"654321",)]
    screens.menu_command(wang, "退出")
    assert wang.wait_exit(30) == 0
    j.note("password changed on the server")

    # A fresh computer: nothing remembered.
    other = j.client("other")
    window = screens.login_window(other)
    ui.type_keys(ui.find(window, "text", "手机号码"), "13800000003")
    ui.type_keys(ui.find(window, "password text", "密码"), "123456")
    ui.press(ui.find(window, "push button", "登录"))
    screens.dismiss(screens.message_box(other, "13800000003密码错误"))
    ui.find(window, "push button", "登录")  # the inputs are back
    screens.sign_in(other, "13800000003", "654321")
    j.note("the old password is refused, the new one signs in")


if __name__ == "__main__":
    run(journey)
