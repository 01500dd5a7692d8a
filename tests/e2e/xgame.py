"""Runs the real game in its own Xvfb server and reads what it shows.

Shared by the end-to-end and bad-input tests. Everything here goes through
the tools a person's desktop has: Xvfb for the display, xdotool for XTEST
keys, xwininfo/xprop for the window's properties, ImageMagick for screenshots
and for decoding BMP files. Two things have no command-line tool on Debian 12
and go through libX11 directly: reading the icon pixmap and sending the window
manager's close request.
"""

import ctypes
import ctypes.util
import os
import shutil
import signal
import struct
import subprocess
import tempfile
import time

SCREEN_W, SCREEN_H = 320, 240
IMAGES = ("ico", "menu", "background", "ball", "bar_l", "bar_r")

# The window is 16 bits per pixel (5-6-5), so a 24-bit image comes back with
# its low bits dropped or refilled: a channel may move by up to 7.
CHANNEL_TOLERANCE = 8

START_TIMEOUT = 20.0   # seconds to wait for the window (slow under sanitizers)
EXIT_TIMEOUT = 15.0    # seconds to wait for the process to end
POLL = 0.05


class Image:
    """An RGB picture: width, height and 3 bytes per pixel, rows top down."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, bytearray(rgb)

    @staticmethod
    def blank(width, height):
        return Image(width, height, bytes(3 * width * height))

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.rgb[i:i + 3])

    def put(self, x, y, colour):
        i = 3 * (y * self.width + x)
        self.rgb[i:i + 3] = bytes(colour)


def parse_ppm(data):
    """Decodes binary PPM (P6, maxval 255) as ImageMagick writes it."""
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6" or fields[3] != b"255":
        raise ValueError("unexpected PPM header %r" % fields)
    width, height = int(fields[1]), int(fields[2])
    pos += 1
    return Image(width, height, data[pos:pos + 3 * width * height])


def read_image(path):
    """Any image file ImageMagick reads (the game's BMPs), as RGB."""
    out = subprocess.run(["convert", str(path), "-depth", "8", "ppm:-"],
                         check=True, capture_output=True).stdout
    return parse_ppm(out)


def write_bmp(path, width, height, colour_at):
    """Writes a plain 24-bit bottom-up BMP; colour_at(x, y) gives each pixel."""
    pitch = (width * 3 + 3) // 4 * 4
    rows = []
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            r, g, b = colour_at(x, y)
            row += bytes((b, g, r))
        rows.append(bytes(row) + bytes(pitch - len(row)))
    pixels = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def wait_until(check, timeout=5.0):
    """Polls check() until it returns something true; returns its last result."""
    deadline = time.monotonic() + timeout
    while True:
        result = check()
        if result or time.monotonic() > deadline:
            return result
        time.sleep(POLL)


def differs(a, b):
    return any(abs(p - q) > CHANNEL_TOLERANCE for p, q in zip(a, b))


# ---------------------------------------------------------------------------
# libX11, for the two things no command-line tool does
# ---------------------------------------------------------------------------

class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
                ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong)]


class _XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("xclient", _XClientMessageEvent), ("pad", ctypes.c_long * 24)]


_CLIENT_MESSAGE = 33
_Z_PIXMAP = 2
_ALL_PLANES = 0xFFFFFFFF


def _xlib():
    lib = ctypes.CDLL(ctypes.util.find_library("X11"))
    lib.XOpenDisplay.restype = ctypes.c_void_p
    lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    lib.XInternAtom.restype = ctypes.c_ulong
    lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    lib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(_XEvent)]
    lib.XFlush.argtypes = [ctypes.c_void_p]
    uint_p, int_p = ctypes.POINTER(ctypes.c_uint), ctypes.POINTER(ctypes.c_int)
    lib.XGetGeometry.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                                 int_p, int_p, uint_p, uint_p, uint_p, uint_p]
    lib.XGetImage.restype = ctypes.POINTER(_XImage)
    lib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                              ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    lib.XFree.argtypes = [ctypes.c_void_p]
    return lib


class XServer:
    """An Xvfb of its own (depth 24, -noreset, a free display number), ended by pid."""

    def __init__(self):
        self.proc = None
        self.display = None
        self.x = None

    def __enter__(self):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "640x480x24",
             "-noreset", "-nolisten", "tcp"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as f:
            number = f.readline().strip()
        if not number:
            self.proc.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        self.x = _xlib()
        self.dpy = self.x.XOpenDisplay(self.display.encode())
        if not self.dpy:
            raise RuntimeError("cannot connect to " + self.display)
        return self

    def __exit__(self, *exc):
        if self.dpy:
            self.x.XCloseDisplay(self.dpy)
        self.proc.kill()
        self.proc.wait()

    def env(self):
        env = dict(os.environ, DISPLAY=self.display, SDL_VIDEODRIVER="x11")
        return env

    def run(self, *argv):
        return subprocess.run(argv, env=dict(os.environ, DISPLAY=self.display),
                              check=True, capture_output=True, text=True).stdout

    def key(self, *keys):
        self.run("xdotool", "key", *keys)

    def screenshot(self, window):
        out = subprocess.run(["import", "-window", str(window), "-depth", "8", "ppm:-"],
                             env=dict(os.environ, DISPLAY=self.display),
                             check=True, capture_output=True).stdout
        return parse_ppm(out)

    def pixmap(self, pixmap):
        """The pixels of a depth-24 pixmap (the icon SDL 1.2 hands to the window manager)."""
        root = ctypes.c_ulong()
        x, y = ctypes.c_int(), ctypes.c_int()
        w, h, border, depth = ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint()
        if not self.x.XGetGeometry(self.dpy, pixmap, root, x, y, w, h, border, depth):
            raise RuntimeError("no such pixmap %#x" % pixmap)
        ximage = self.x.XGetImage(self.dpy, pixmap, 0, 0, w.value, h.value, _ALL_PLANES, _Z_PIXMAP)
        if not ximage:
            raise RuntimeError("cannot read pixmap %#x" % pixmap)
        im = ximage.contents
        if im.bits_per_pixel != 32 or im.byte_order != 0:
            raise RuntimeError("unexpected pixmap format: %d bpp" % im.bits_per_pixel)
        picture = Image.blank(im.width, im.height)
        for py in range(im.height):
            row = bytes(im.data[py * im.bytes_per_line:py * im.bytes_per_line + 4 * im.width])
            for px in range(im.width):
                b, g, r = row[4 * px:4 * px + 3]
                picture.put(px, py, (r, g, b))
        self.x.XFree(im.data)
        self.x.XFree(ximage)
        return picture

    def close_request(self, window):
        """What a window manager sends when the user clicks the close button."""
        protocols = self.x.XInternAtom(self.dpy, b"WM_PROTOCOLS", 0)
        delete = self.x.XInternAtom(self.dpy, b"WM_DELETE_WINDOW", 0)
        ev = _XEvent()
        ev.xclient.type = _CLIENT_MESSAGE
        ev.xclient.window = window
        ev.xclient.message_type = protocols
        ev.xclient.format = 32
        ev.xclient.data[0] = delete
        ev.xclient.data[1] = 0  # CurrentTime
        if not self.x.XSendEvent(self.dpy, window, 0, 0, ctypes.byref(ev)):
            raise RuntimeError("XSendEvent failed")
        self.x.XFlush(self.dpy)


class Game:
    """The game as a real process, started from a folder holding data/."""

    def __init__(self, binary, folder, env):
        self.out = tempfile.TemporaryFile()
        self.err = tempfile.TemporaryFile()
        self.proc = subprocess.Popen([binary], cwd=folder, env=env, stdin=subprocess.DEVNULL,
                                     stdout=self.out, stderr=self.err)
        self.window = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        # The game turns SIGTERM into a quit event that it ignores.
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGKILL)
        self.proc.wait()
        self.out.close()
        self.err.close()

    def alive(self):
        return self.proc.poll() is None

    def find_window(self, server, timeout=START_TIMEOUT):
        """The game's top-level window once it is mapped, or None if the game ended first."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if not self.alive():
                return None
            found = subprocess.run(
                ["xdotool", "search", "--onlyvisible", "--pid", str(self.proc.pid), "--name", "^Rebondo$"],
                env=dict(os.environ, DISPLAY=server.display), capture_output=True, text=True).stdout.split()
            # Keys go to the window under the pointer. SDL 1.2 opens the
            # window at (0, 0), the SDL2-backed library in the middle. The
            # move fails while the window is still being set up: try again.
            if found and subprocess.run(
                    ["xdotool", "mousemove", "--window", found[0], "160", "120"],
                    env=dict(os.environ, DISPLAY=server.display), capture_output=True).returncode == 0:
                self.window = int(found[0])
                return self.window
            time.sleep(POLL)
        raise AssertionError("no window within %.0f s" % timeout)

    def finish(self, timeout=EXIT_TIMEOUT):
        """Waits for the end; returns (status, stdout, stderr). A hang is killed and reported."""
        try:
            status = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            status = "hang"
        self.out.seek(0)
        self.err.seek(0)
        return status, self.out.read().decode(errors="replace"), self.err.read().decode(errors="replace")


def game_folder(source_data, replace=None):
    """A temporary folder with data/ copied from source_data; replace maps an
    image name to a function that rewrites that file in place."""
    folder = tempfile.mkdtemp(prefix="rebondo-")
    data = os.path.join(folder, "data")
    shutil.copytree(source_data, data)
    for name, rewrite in (replace or {}).items():
        rewrite(os.path.join(data, name + ".bmp"))
    return folder


# ---------------------------------------------------------------------------
# What a play frame must look like
# ---------------------------------------------------------------------------

WHITE = (255, 255, 255)  # the play images' transparent colour


def compose(folder, left_top, right_top):
    """The expected frame without the ball: the background at (0, 0), the left
    paddle at (0, left_top), the right one at (310, right_top) when right_top is
    not None; white pixels of the paddles are not drawn. Pixels that nothing
    covers are None (the screen keeps what was there)."""
    data = os.path.join(folder, "data")
    frame = [[None] * SCREEN_W for _ in range(SCREEN_H)]

    def paint(image, ox, oy, keyed):
        for y in range(max(0, -oy), min(image.height, SCREEN_H - oy)):
            for x in range(max(0, -ox), min(image.width, SCREEN_W - ox)):
                colour = image.pixel(x, y)
                if not (keyed and colour == WHITE):
                    frame[oy + y][ox + x] = colour

    paint(read_image(os.path.join(data, "background.bmp")), 0, 0, False)
    paint(read_image(os.path.join(data, "bar_l.bmp")), 0, left_top, True)
    if right_top is not None:
        paint(read_image(os.path.join(data, "bar_r.bmp")), 310, right_top, True)
    return frame


def ball_box(shot, frame):
    """The bounding box (x0, y0, x1, y1) of the pixels where the screenshot
    differs from the expected frame, or None when it matches everywhere."""
    xs, ys = [], []
    for y in range(SCREEN_H):
        row = frame[y]
        for x in range(SCREEN_W):
            if row[x] is not None and differs(shot.pixel(x, y), row[x]):
                xs.append(x)
                ys.append(y)
    if not xs:
        return None
    return min(xs), min(ys), max(xs), max(ys)


def shows_frame(shot, frame, ball_w, ball_h):
    """True when the screenshot is the expected frame plus the ball alone:
    something differs, and all of it fits in one ball-sized box."""
    box = ball_box(shot, frame)
    return box is not None and box[2] - box[0] < ball_w and box[3] - box[1] < ball_h


def wait_for_frame(server, game, frame, ball_w, ball_h, timeout=5.0):
    """Polls screenshots until one shows the expected frame; returns the ball's box."""
    deadline = time.monotonic() + timeout
    box = None
    while time.monotonic() < deadline:
        if not game.alive():
            break
        shot = server.screenshot(game.window)
        box = ball_box(shot, frame)
        if box is not None and box[2] - box[0] < ball_w and box[3] - box[1] < ball_h:
            return box
        time.sleep(POLL)
    raise AssertionError("the expected frame never showed (last differing box: %r)" % (box,))
