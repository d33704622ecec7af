"""A private desktop for one journey: an Xvfb display (its number chosen by
the X server itself), a session bus and the accessibility bus on it."""

import os
import select
import struct
import zlib

from .processes import Child, wait_until


class DesktopError(RuntimeError):
    pass


class Desktop:
    def __init__(self, workdir):
        self.workdir = workdir
        self.env = {}
        self._children = []

    def start(self):
        runtime = os.path.join(self.workdir, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        base = dict(os.environ)
        base.update(XDG_RUNTIME_DIR=runtime, XDG_CONFIG_HOME=os.path.join(self.workdir, "config"),
                    XDG_CACHE_HOME=os.path.join(self.workdir, "cache"), NO_AT_BRIDGE="0")
        base.pop("DBUS_SESSION_BUS_ADDRESS", None)
        base.pop("AT_SPI_BUS_ADDRESS", None)

        self.fbdir = os.path.join(self.workdir, "fb")
        os.makedirs(self.fbdir, exist_ok=True)
        display = self._start_xvfb(base)
        base["DISPLAY"] = ":%d" % display

        address = self._start_session_bus(base)
        base["DBUS_SESSION_BUS_ADDRESS"] = address

        launcher = Child("at-spi-bus-launcher", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                         base, os.path.join(self.workdir, "at-spi.log"))
        self._children.append(launcher)
        if not wait_until(lambda: self._a11y_bus_ready(base), 20):
            raise DesktopError("the accessibility bus did not come up:\n" + launcher.log_text())
        self.env = base
        return self

    def _start_xvfb(self, env):
        # The X server picks a free display itself and writes its number.
        return int(self._start_reporting(
            "Xvfb", lambda fd: ["Xvfb", "-displayfd", str(fd), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                                "-noreset", "-fbdir", self.fbdir], env, "xvfb.log"))

    def _start_session_bus(self, env):
        return self._start_reporting(
            "dbus-daemon", lambda fd: ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                                       "--address=unix:dir=" + env["XDG_RUNTIME_DIR"], "--print-address=%d" % fd],
            env, "dbus.log")

    def _start_reporting(self, name, argv_with_fd, env, log):
        """Starts a child that writes one line (its display, its address) to
        a descriptor it is given once it is ready; returns that line."""
        read_end, write_end = os.pipe()
        try:
            child = Child(name, argv_with_fd(write_end), env, os.path.join(self.workdir, log),
                          pass_fds=(write_end,))
            self._children.append(child)
            os.close(write_end)
            write_end = -1
            line = b""
            while not line.endswith(b"\n"):
                ready, _, _ = select.select([read_end], [], [], 20)
                chunk = os.read(read_end, 256) if ready else b""
                if not chunk:
                    raise DesktopError("%s did not start:\n%s" % (name, child.log_text()))
                line += chunk
            return line.decode().strip()
        finally:
            os.close(read_end)
            if write_end >= 0:
                os.close(write_end)

    @staticmethod
    def _a11y_bus_ready(env):
        import subprocess
        done = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                               "org.a11y.Bus.GetAddress"], env=env, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, timeout=10)
        return done.returncode == 0 and b"unix:" in done.stdout

    def stop(self):
        for child in reversed(self._children):
            child.stop(timeout=5)
        self._children.clear()

    def screenshot(self, path):
        """Writes what the screen shows as a PNG (Xvfb keeps it in an XWD file)."""
        with open(os.path.join(self.fbdir, "Xvfb_screen0"), "rb") as f:
            data = f.read()
        fields = struct.unpack(">25I", data[:100])
        header_size, width, height = fields[0], fields[4], fields[5]
        byte_order, bits_per_pixel, bytes_per_line, ncolors = fields[7], fields[11], fields[12], fields[19]
        if bits_per_pixel != 32:
            raise DesktopError("unexpected screen format: %d bits per pixel" % bits_per_pixel)
        pixels = data[header_size + ncolors * 12:]
        rows = bytearray()
        for y in range(height):
            line = pixels[y * bytes_per_line: y * bytes_per_line + width * 4]
            rows.append(0)
            if byte_order == 0:  # LSB first: B G R x
                rgb = bytearray(width * 3)
                rgb[0::3], rgb[1::3], rgb[2::3] = line[2::4], line[1::4], line[0::4]
            else:  # x R G B
                rgb = bytearray(width * 3)
                rgb[0::3], rgb[1::3], rgb[2::3] = line[1::4], line[2::4], line[3::4]
            rows += rgb

        with open(path, "wb") as f:
            f.write(png(width, height, bytes(rows)))


def png(width, height, rows):
    """A PNG of 8-bit RGB pixels; `rows` holds each row behind a filter byte."""

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows, 6)) + chunk(b"IEND", b""))


def write_picture(path, width, height, colour):
    """A picture file of one colour with a white diagonal, for uploads."""
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows += bytes((255, 255, 255)) if abs(x - y) < 3 else bytes(colour)
    with open(path, "wb") as f:
        f.write(png(width, height, bytes(rows)))
