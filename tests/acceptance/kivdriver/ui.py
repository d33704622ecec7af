"""Finding, reading and working controls through the accessibility tree, and
typing on the keyboard. The accessibility library connects to the bus named
in the environment when it is first used, so it is loaded on first use (the
journey's desktop is up by then), not when this module is imported."""

import re
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402



class _FirstUse:
    """pyatspi, loaded and set up when first asked for."""

    def __getattr__(self, attr):
        import pyatspi as real
        if not isinstance(globals()["pyatspi"], type(real)):
            globals()["pyatspi"] = real
            # Every call into a program goes over the bus; a program that
            # hangs must fail the journey, not stall it.
            Atspi.set_timeout(5000, 10000)
            global _focus
            _focus = _FocusWatch()
        return getattr(real, attr)


pyatspi = _FirstUse()
_focus = None


class UiFailure(AssertionError):
    pass


DEFAULT_TIMEOUT = 30.0

_KEYS = {
    "Return": 0xFF0D, "Enter": 0xFF0D, "Tab": 0xFF09, "Escape": 0xFF1B, "BackSpace": 0xFF08,
    "Delete": 0xFFFF, "Home": 0xFF50, "Left": 0xFF51, "Up": 0xFF52, "Right": 0xFF53, "Down": 0xFF54,
    "End": 0xFF57, "space": 0x20, "F4": 0xFFC1,
}


def pump():
    """Lets the accessibility library take in what the programs announced."""
    context = GLib.MainContext.default()
    while context.iteration(False):
        pass


def desktop():
    return pyatspi.Registry.getDesktop(0)


def fresh(acc):
    """Forgets what the accessibility library cached of `acc` and below it,
    so the next look asks the program: states and names change all the time,
    and the cache follows the programs' announcements only when they are
    listened to."""
    try:
        acc.clear_cache()
    except (AttributeError, GLib.Error):
        pass
    return acc


class _FocusWatch:
    """Remembers what last took the keyboard focus, as a screen reader does:
    popup menus are not children of their application in the tree, so the
    focus is the way into them."""

    def __init__(self):
        self.focused = None
        pyatspi.Registry.registerEventListener(self._on_focus, "object:state-changed:focused")

    def _on_focus(self, event):
        if event.detail1 == 1:
            self.focused = event.source


def focused_now():
    desktop()
    pump()
    return _focus.focused


def forget_focus():
    desktop()
    pump()
    _focus.focused = None


def wait_for(predicate, timeout=DEFAULT_TIMEOUT, what="condition", interval=0.05):
    """Polls `predicate` until it returns something true and returns it; fails
    the journey with `what` after `timeout` seconds."""
    end = time.monotonic() + timeout
    last_error = None
    while True:
        pump()
        try:
            value = predicate()
            if value:
                return value
        except GLib.Error as e:  # a program busy or gone for a moment
            last_error = e
        if time.monotonic() >= end:
            detail = " (last error: %s)" % last_error if last_error else ""
            raise UiFailure("timed out after %.0f s waiting for %s%s" % (timeout, what, detail))
        time.sleep(interval)


# --------------------------------------------------------------- reading

def role(acc):
    return acc.getRoleName()


def name(acc):
    return fresh(acc).name or ""


def description(acc):
    return fresh(acc).description or ""


def states(acc):
    return fresh(acc).getState()


def showing(acc):
    s = states(acc)
    return s.contains(pyatspi.STATE_SHOWING) and s.contains(pyatspi.STATE_VISIBLE)


def checked(acc):
    return states(acc).contains(pyatspi.STATE_CHECKED)


def focused(acc):
    return states(acc).contains(pyatspi.STATE_FOCUSED)


def text(acc):
    """What a control shows: the text of an editable or text control, else its name."""
    try:
        t = acc.queryText()
        return t.getText(0, -1)
    except NotImplementedError:
        return name(acc)


def children(acc):
    fresh(acc)
    out = []
    for i in range(acc.childCount):
        c = acc.getChildAtIndex(i)
        if c is not None:
            out.append(c)
    return out


def walk(acc, depth=0, max_depth=40):
    yield acc
    if depth >= max_depth:
        return
    for c in children(acc):
        yield from walk(c, depth + 1, max_depth)


def _matches(acc, role_name, name_match, only_showing):
    if role_name is not None and role(acc) not in (role_name if isinstance(role_name, tuple) else (role_name,)):
        return False
    if name_match is not None:
        n, d = name(acc), description(acc)
        if isinstance(name_match, re.Pattern):
            if not (name_match.search(n) or name_match.search(d)):
                return False
        elif name_match not in (n, d):
            return False
    return not only_showing or showing(acc)


def find_all(root, role_name=None, name_match=None, only_showing=True):
    """Every control under `root` (itself included) of that role with that
    name (or hover text; a string matches exactly, a compiled pattern
    searches)."""
    fresh(root)
    return [a for a in walk(root) if _matches(a, role_name, name_match, only_showing)]


def find(root, role_name=None, name_match=None, timeout=DEFAULT_TIMEOUT, only_showing=True):
    """Waits for the first such control and returns it."""
    what = "%s %r" % (role_name or "control", name_match.pattern if isinstance(name_match, re.Pattern)
                      else name_match)
    return wait_for(lambda: next(iter(find_all(root, role_name, name_match, only_showing)), None), timeout, what)


def dump(root, limit=400):
    """The tree as text, for failure reports."""
    lines = []

    def visit(acc, depth):
        if len(lines) >= limit:
            return
        try:
            extra = ""
            try:
                t = acc.queryText().getText(0, -1)[:80]
                if t and t != name(acc):
                    extra = " text=%r" % t
            except NotImplementedError:
                pass
            flags = "".join(f for f, s in (("S", pyatspi.STATE_SHOWING), ("F", pyatspi.STATE_FOCUSED),
                                           ("C", pyatspi.STATE_CHECKED), ("E", pyatspi.STATE_ENABLED))
                            if states(acc).contains(s))
            lines.append("%s%s %r [%s]%s" % ("  " * depth, role(acc), name(acc), flags, extra))
            for c in children(acc):
                visit(c, depth + 1)
        except GLib.Error as e:
            lines.append("%s<gone: %s>" % ("  " * depth, e))

    visit(root, 0)
    return "\n".join(lines)


# --------------------------------------------------------------- acting

def act(acc, action, timeout=10):
    """Runs a named action ("Press", "Toggle", "SetFocus", ...) as a screen
    reader would; a control offers none while it is disabled, so it waits
    for it to be offered."""

    def offered():
        a = acc.queryAction()
        names = [a.getName(i) for i in range(a.nActions)]
        return (a, names.index(action)) if action in names else None

    try:
        a, index = wait_for(offered, timeout, "%s %r to offer %r" % (role(acc), name(acc), action))
    except UiFailure:
        a = acc.queryAction()
        raise UiFailure("%s %r has no action %r (has %s)" % (role(acc), name(acc), action,
                                                             [a.getName(i) for i in range(a.nActions)]))
    a.doAction(index)


def press(acc):
    act(acc, "Press")


def toggle(acc):
    act(acc, "Toggle")


def set_checked(acc, on):
    if checked(acc) != on:
        toggle(acc)
        wait_for(lambda: checked(acc) == on, 10, "%r to be %s" % (name(acc), "checked" if on else "unchecked"))


def top_level(acc):
    """The window a control is in."""
    while acc.parent is not None and role(acc.parent) != "application":
        acc = acc.parent
    return acc


def to_front(acc):
    """Brings the window of `acc` to the front with the keyboard, as clicking
    its caption does under a window manager."""
    from . import stacking
    top = top_level(acc)
    e = top.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pid = top.get_application().get_process_id()
    if not stacking.bring_to_front(pid, (e.x, e.y, e.width, e.height)):
        raise UiFailure("no X window of process %d at %s for %r" % (pid, (e.x, e.y, e.width, e.height), name(top)))


def focus(acc):
    """Gives `acc` the keyboard focus, its window brought to the front first."""

    def has_it():
        to_front(acc)
        if focused(acc):
            return True
        top_level(acc).queryComponent().grabFocus()
        acc.queryComponent().grabFocus()
        return False

    wait_for(has_it, 10, "focus on %s %r" % (role(acc), name(acc)), interval=0.2)


def key(keyname):
    """Presses and releases one key: a name from the table above or one
    printable ASCII character."""
    sym = _KEYS.get(keyname)
    if sym is None:
        if len(keyname) != 1 or not (0x20 <= ord(keyname) < 0x7F):
            raise ValueError("no key for %r" % keyname)
        sym = ord(keyname)
    pyatspi.Registry.generateKeyboardEvent(sym, None, pyatspi.KEY_SYM)


# Key codes of the modifiers on the X server's standard keyboard map.
_MODIFIER_CODES = {"Control": 37, "Shift": 50, "Alt": 64}


def combo(modifier, keyname):
    """A key with a modifier held ("Control", "a")."""
    code = _MODIFIER_CODES[modifier]
    pyatspi.Registry.generateKeyboardEvent(code, None, pyatspi.KEY_PRESS)
    try:
        key(keyname)
    finally:
        pyatspi.Registry.generateKeyboardEvent(code, None, pyatspi.KEY_RELEASE)


def _characters(acc):
    t = acc.queryText()
    return t.characterCount


def type_keys(acc, chars):
    """Focuses `acc` and types `chars` key by key, as on a keyboard (ASCII
    only), then waits until the control has taken every key (a password
    field shows only how many characters it holds)."""
    focus(acc)
    before = _characters(acc)
    for c in chars:
        key(c)
    if role(acc) == "password text":
        wait_for(lambda: _characters(acc) >= before + len(chars), 10,
                 "%r to take %d typed characters" % (name(acc), len(chars)))
    else:
        wait_for(lambda: text(acc).endswith(chars), 10, "%r to show the typed %r" % (name(acc), chars))


def enter_text(acc, value):
    """Puts `value` (any text, Chinese too) into an editable control the way
    an input method or a screen reader does: through its editable text."""
    e = acc.queryEditableText()
    e.setTextContents(value)
    wait_for(lambda: text(acc) == value, 10, "%r to hold %r" % (name(acc), value))


def _popped_up(trigger, what, attempts):
    """Runs `trigger` (which brings up a popup menu), presses Down and takes
    the menu from the item that got the focus; popup menus are not in the
    tree otherwise. A popup closes when another window comes up meanwhile
    (a conversation opening by itself), so it tries again."""

    def menu():
        f = focused_now()
        if f is not None and role(f) == "menu item":
            return f.parent
        return None

    for attempt in range(attempts):
        forget_focus()
        trigger()
        time.sleep(0.3)
        key("Down")
        try:
            return wait_for(menu, 3, "a menu item to take the focus")
        except UiFailure:
            key("Escape")
    raise UiFailure("no menu came up %s in %d attempts" % (what, attempts))


def open_menu(button, attempts=5):
    """Opens the popup menu of `button` and returns the menu."""
    return _popped_up(lambda: press(button), "from %r" % name(button), attempts)


def choose(menu, item, timeout=2):
    """Runs the shown menu item of that name the keyboard way: Down until it
    has the focus, then Return. (Its action would not return before a box
    the command shows is closed.)"""

    def entry():
        return next((i for i in children(menu) if role(i) == "menu item" and name(i) == item and showing(i)), None)

    try:
        wait_for(entry, timeout, "menu item %r" % item)
    except UiFailure:
        raise UiFailure("the menu has no item %r (it shows %s)" % (item, menu_items(menu)))
    for _ in range(len(children(menu)) + 1):
        current = focused_now()
        if current is not None and role(current) == "menu item" and name(current) == item:
            key("Return")
            return
        forget_focus()
        key("Down")
        try:
            wait_for(lambda: focused_now() is not None, timeout, "the next menu item")
        except UiFailure:
            break
    raise UiFailure("menu item %r could not be reached with the keys (disabled?)" % item)


def menu_items(menu):
    return [name(i) for i in children(menu) if role(i) == "menu item" and showing(i)]


def click(acc):
    """A left click in the middle of the control, with the mouse, its window
    brought to the front first."""
    to_front(acc)
    e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(e.x + e.width // 2, e.y + e.height // 2, pyatspi.MOUSE_B1C)


def double_click(acc):
    """A double click in the middle of the control, its window brought to the
    front first."""
    from . import stacking
    to_front(acc)
    e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    stacking.double_click(e.x + e.width // 2, e.y + e.height // 2)

def context_menu(acc, attempts=3):
    """Right-clicks `acc` and returns the menu that comes up."""

    def right_click():
        to_front(acc)
        e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        pyatspi.Registry.generateMouseEvent(e.x + e.width // 2, e.y + e.height // 2, pyatspi.MOUSE_B3C)

    return _popped_up(right_click, "on %r" % name(acc), attempts)


def select_in_combo(combo, value, timeout=10):
    """Chooses `value` in a drop-down list with the arrow keys, as a keyboard
    user does (the name of such a list is what it shows)."""
    items = [name(i) for i in children(children(combo)[0])]
    if value not in items:
        raise UiFailure("the list %r offers no %r" % (name(combo), value))
    # A drop-down list takes the focus only from a click, which also opens
    # it; Escape closes it again and leaves the focus. It never reports the
    # focus, so each key's effect is checked instead.
    click(combo)
    wait_for(lambda: states(combo).contains(pyatspi.STATE_EXPANDED), timeout, "the list %r to open" % name(combo))
    key("Escape")
    wait_for(lambda: not states(combo).contains(pyatspi.STATE_EXPANDED), timeout, "the list to close")
    for _ in range(len(items)):
        shown = name(combo)
        if shown == value:
            return
        key("Down" if items.index(shown) < items.index(value) else "Up")
        wait_for(lambda: name(combo) != shown, timeout, "the list to move from %r" % shown)
    raise UiFailure("the list %r did not reach %r" % (name(combo), value))


def click_text(acc, part):
    """Clicks the middle of the first place where a text control shows
    `part` (a link in a conversation, say)."""
    to_front(acc)
    t = acc.queryText()
    whole = t.getText(0, -1)
    if part not in whole:
        raise UiFailure("%r does not show %r" % (name(acc), part))
    offset = whole.index(part) + len(part) // 2
    x, y, w, h = t.getCharacterExtents(offset, pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(x + w // 2, y + h // 2, pyatspi.MOUSE_B1C)
