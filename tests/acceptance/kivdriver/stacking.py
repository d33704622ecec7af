"""What a window manager would do when the user clicks a window: bring it to
the front and give it the keyboard. The journeys' X server runs without a
window manager, where every program's windows open in the middle of the
screen on top of each other and the keyboard goes to the window under the
pointer; this acts on the X server from outside, never on the program. Also
here: a double click that a busy machine cannot split in two."""

import subprocess


def _xdotool(*args):
    done = subprocess.run(["xdotool", *args], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=10)
    return done.stdout.decode().split() if done.returncode == 0 else []


def _geometry(window):
    values = {}
    for item in _xdotool("getwindowgeometry", "--shell", window):
        key, _, value = item.partition("=")
        values[key] = value
    try:
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])
    except (KeyError, ValueError):
        return None


def bring_to_front(pid, extents):
    """Raises the shown X window of process `pid` that covers `extents`
    (x, y, width, height on the screen) and focuses it. False when none
    matches."""
    for window in _xdotool("search", "--all", "--onlyvisible", "--pid", str(pid), "--name", ""):
        if _geometry(window) == tuple(extents):
            _xdotool("windowraise", window)
            _xdotool("windowfocus", "--sync", window)
            return True
    return False


def double_click(x, y):
    """Two clicks close enough in time to be one double click even on a busy
    machine (two separate requests to the accessibility registry may not be)."""
    _xdotool("mousemove", "--sync", str(x), str(y), "click", "--repeat", "2", "--delay", "60", "1")

