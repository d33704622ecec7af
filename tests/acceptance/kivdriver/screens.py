"""The program's windows as a user meets them: the login window, the main
window and its menu, message boxes, conversations. Everything is found by
what is shown (titles, texts, names) and worked through the accessibility
tree and the keyboard."""

import os
import re
import sqlite3

from . import ui

TOP_LEVEL = ("dialog", "frame", "window", "alert")


def _top_level_with(client, role_name, name_match, timeout):
    """The shown top-level window of `client` holding a shown control of that
    role and name."""

    def look():
        for w in ui.children(client.app(timeout)):
            if ui.role(w) in TOP_LEVEL and ui.showing(w) and ui.find_all(w, role_name, name_match):
                return w
        if not client.running():
            raise AssertionError("kiv %s ended (status %s):\n%s" % (client.name, client.child.proc.returncode,
                                                                     client.log_tail()))
        return None

    return ui.wait_for(look, timeout, "a window of kiv %s with %s %r" % (client.name, role_name, name_match))


# --------------------------------------------------------------- login

def login_window(client, timeout=60):
    return _top_level_with(client, "push button", "登录", timeout)


def sign_in(client, phone, password, remember=False, auto=False, timeout=60):
    """Types phone and password into the login window, sets the two check
    boxes and presses "登录". Returns the main window once it is shown."""
    window = login_window(client, timeout)
    phone_edit = ui.find(window, "text", "手机号码")
    ui.focus(phone_edit)
    ui.combo("Control", "a")
    ui.key("BackSpace")
    ui.type_keys(phone_edit, phone)
    password_edit = ui.find(window, "password text", "密码")
    ui.focus(password_edit)
    ui.combo("Control", "a")
    ui.key("BackSpace")
    ui.type_keys(password_edit, password)
    # "自动登录" checks "记住密码" with it; unchecking "记住密码" clears both.
    ui.set_checked(ui.find(window, "check box", "记住密码"), remember or auto)
    ui.set_checked(ui.find(window, "check box", "自动登录"), auto)
    ui.press(ui.find(window, "push button", "登录"))
    return main_window(client, timeout)


# --------------------------------------------------------------- main window

def main_window(client, timeout=60):
    return _top_level_with(client, "push button", "我的群", timeout)


def menu_command(client, item, timeout=30):
    """Chooses `item` in the main window's menu (the "菜单" button)."""
    main = main_window(client, timeout)
    for attempt in range(5):
        menu = ui.open_menu(ui.find(main, "push button", "菜单"))
        try:
            ui.choose(menu, item)
            return
        except ui.UiFailure:
            # Closed again by a window that came up meanwhile: once more.
            if attempt == 4:
                raise
            ui.key("Escape")


def menu_entries(client):
    """What the main window's menu offers right now; the menu is closed again."""
    main = main_window(client)
    menu = ui.open_menu(ui.find(main, "push button", "菜单"))
    items = ui.menu_items(menu)
    ui.key("Escape")
    return items


# A row with messages waiting reads "李小红(10002), 2 条未读" to a screen reader.
UNREAD = re.compile(r", (\d+) 条未读$")


def list_rows(main, list_name, unread=False):
    """The rows of one of the main window's lists ("好友列表", "陌生人列表") or
    of the group tree ("群列表"), as shown, whichever tab is up; each row's
    name without its unread count, or with `unread` (name, count) pairs."""
    for lst in ui.find_all(main, ("list", "tree", "tree table", "table"), list_name, only_showing=False):
        rows = []
        for r in ui.children(lst):
            if ui.role(r) not in ("list item", "table cell", "tree item"):
                continue
            name = ui.name(r).strip()
            count = UNREAD.search(name)
            name = UNREAD.sub("", name)
            rows.append((name, int(count.group(1)) if count else 0) if unread else name)
        return rows
    raise ui.UiFailure("the main window has no list %r" % list_name)


def wait_rows(main, list_name, predicate, what, timeout=60):
    return ui.wait_for(lambda: predicate(list_rows(main, list_name)) and list_rows(main, list_name), timeout,
                       "%s in %s" % (what, list_name))


# --------------------------------------------------------------- boxes

def message_box(client, text, timeout=60):
    """Waits for a message box whose text contains `text`; returns it."""
    pattern = re.compile(re.escape(text))
    return _top_level_with(client, "label", pattern, timeout)


def dismiss(box, button="确定"):
    ui.press(ui.find(box, "push button", button))
    ui.wait_for(lambda: not ui.showing(box), 10, "the box to close")


# --------------------------------------------------------------- files

def login_database(client):
    """(UserId, phone, password) of every account the client remembers, and
    the auto-login UserId (or None), read from its login database."""
    path = os.path.join(client.home, "KivSys.dll")
    with _gbk_database(path) as db:
        rows = [(r[0], _text(r[1]), _text(r[2])) for r in db.execute("select phoneid, phone, pwd from loginer")]
        auto = db.execute("select phoneid from AutoLoginer").fetchall()
    return rows, (auto[0][0] if auto else None)


def _gbk_database(path):
    """A client database, read only; its texts are GBK bytes."""
    db = sqlite3.connect("file:%s?mode=ro" % path, uri=True, timeout=10)
    db.text_factory = bytes
    return db


def _text(value):
    if isinstance(value, bytes):
        return value.decode("gbk", "replace")
    return value or ""


def presence(client):
    """"在线" or "离线", as the main window's own picture says it."""
    return ui.description(ui.find(main_window(client), "image", "我的头像"))


def wait_presence(client, state, timeout=60):
    ui.wait_for(lambda: presence(client) == state, timeout, "kiv %s to show itself %s" % (client.name, state))


# --------------------------------------------------------------- conversations

def window_titled(client, title, timeout=60):
    """A shown top-level window whose title matches (a string exactly, a
    pattern by search)."""

    def look():
        for w in ui.children(client.app(timeout)):
            if ui.role(w) in TOP_LEVEL and ui.showing(w):
                n = ui.name(w)
                if (title.search(n) if isinstance(title, re.Pattern) else n == title):
                    return w
        return None

    return ui.wait_for(look, timeout, "window %r of kiv %s" % (title, client.name))


def window_with(client, role_name, name_match, timeout=60):
    """The shown top-level window holding a shown control of that role and name."""
    return _top_level_with(client, role_name, name_match, timeout)


def show_list(main, tab, list_name):
    """Presses the main window's tab and returns its list once it is shown
    (a pressed button acts a moment later, and the rows of a hidden list
    claim to be shown)."""
    ui.press(ui.find(main, "push button", tab))
    return ui.find(main, None, list_name)


def open_conversation(client, tab, list_name, row):
    """Double-clicks `row` in one of the main window's lists, as a user
    opens a conversation; returns the chat window."""
    main = main_window(client)
    item = ui.find(show_list(main, tab, list_name), None, row)
    for attempt in range(3):
        ui.double_click(item)
        try:
            return window_with(client, "text", "输入框", timeout=10)
        except ui.UiFailure:
            if attempt == 2:
                raise


def say(chat, text):
    """Types `text` into a chat window's input and presses "发送"."""
    ui.enter_text(ui.find(chat, "text", "输入框"), text)
    ui.press(ui.find(chat, "push button", "发送"))


def wait_said(chat, text, timeout=60):
    """Waits until the conversation shows `text`; returns all it shows."""
    view = ui.find(chat, "text", "聊天记录")
    return ui.wait_for(lambda: text in ui.text(view) and ui.text(view), timeout, "%r in the conversation" % text)


def message_rows(client, user_id, table="msg_user"):
    """(partner or group, text) of every stored message of the signed-in
    account `user_id`, oldest first."""
    path = os.path.join(client.home, str(user_id), "MsgEx.db")
    with _gbk_database(path) as db:
        return [(r[0], _text(r[1])) for r in db.execute("select id, msg from %s order by rowid" % table)]


def sound_on(client):
    path = os.path.join(client.home, "KivSys.dll")
    with sqlite3.connect("file:%s?mode=ro" % path, uri=True, timeout=10) as db:
        return not db.execute("select name from sqlite_master where name='dis_voice'").fetchall()


def close(window):
    """Closes a skinned window with its caption's close button (if it is
    still open)."""
    if not ui.showing(window):
        return
    ui.press(ui.find(window, "push button", "关闭"))
    ui.wait_for(lambda: not ui.showing(window), 10, "%r to close" % ui.name(window))


def search(client, tab, by, text):
    """Runs a search from the main window's "查找": `tab` "查找好友" or
    "查找群", `by` the option ("ID号", "昵称", "群号", ...). Returns the
    results window."""
    main = main_window(client)
    ui.press(ui.find(main, "push button", "查找"))
    form = window_titled(client, "查找")
    ui.press(ui.find(form, "push button", tab))
    ui.set_checked(ui.find(form, "radio button", by), True)
    ui.enter_text(ui.find(form, "text", "内容"), text)
    ui.press(ui.find(form, "push button", "查找"))
    return window_titled(client, "查找结果")


def pick_result(results, cell):
    """Selects the row of the results that shows `cell`."""
    ui.click(ui.find(ui.find(results, "tree", "查找结果"), "table cell", cell))
