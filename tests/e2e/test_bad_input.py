"""Broken images and a missing video device: the game must stop with status 1
and one line on stderr naming the problem, never crash or hang.

Each case is the real game as a process in its own folder. The four play
images are read only once the menu has a choice, so every case presses B as
soon as the window shows.

Usage: test_bad_input.py GAME DATA_DIR
"""

import os
import shutil
import struct
import subprocess
import sys
import time
import unittest

import xgame

GAME = DATA = None
HERE = os.path.dirname(os.path.abspath(__file__))
REGRESSIONS = os.path.join(HERE, "..", "..", "fuzz", "regressions")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def patch(offset, fmt, *values):
    """Overwrites header fields of the image in place."""
    def rewrite(path):
        data = bytearray(read(path))
        struct.pack_into(fmt, data, offset, *values)
        write(path, data)
    return rewrite


def missing(path):
    os.remove(path)


def empty(path):
    write(path, b"")


def truncated_header(path):
    write(path, read(path)[:20])


def truncated_pixels(path):
    data = read(path)
    offset = struct.unpack_from("<I", data, 10)[0]
    write(path, data[:offset + (len(data) - offset) // 2])


def png_bytes(path):
    png = subprocess.run(["convert", path, "png:-"], check=True, capture_output=True).stdout
    write(path, png)


def rle8(path):
    """A well-formed 8 x 2 RLE8 BMP: each row one run of 8 pixels of colour 1."""
    rows = bytes((8, 1, 0, 0)) * 2 + bytes((0, 1))
    palette = bytes((0, 0, 0, 0)) + bytes((255, 0, 0, 0))
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, 8, 2, 1, 8, 1, len(rows), 2835, 2835, 2, 0)
    write(path, header + info + palette + rows)


def directory(path):
    os.remove(path)
    os.mkdir(path)


# Offsets in the Windows info header: width at 18, height at 22 (signed 32-bit).
BROKEN = [
    ("missing", missing),
    ("empty", empty),
    ("truncated header", truncated_header),
    ("truncated pixel data", truncated_pixels),
    ("PNG bytes", png_bytes),
    ("RLE8-compressed", rle8),
    ("zero width", patch(18, "<i", 0)),
    ("zero height", patch(22, "<i", 0)),
    ("100000 x 100000", patch(18, "<ii", 100000, 100000)),
    ("directory", directory),
]


def free_display():
    """A display number no X server listens on."""
    for number in range(4099, 5000):
        if not os.path.exists("/tmp/.X11-unix/X%d" % number) and not os.path.exists("/tmp/.X%d-lock" % number):
            return ":%d" % number
    raise RuntimeError("no free display number")


class BadInputTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = xgame.XServer().__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.server.__exit__(None, None, None)

    def run_game(self, folder, env):
        """Starts the game, presses B once its window shows, waits for its end.

        A key sent just as the window appears can arrive before SDL listens
        for keys, so B is pressed again every half second while the game runs."""
        with xgame.Game(GAME, folder, env) as game:
            if game.find_window(self.server) is not None:
                deadline = time.monotonic() + xgame.EXIT_TIMEOUT
                while game.alive() and time.monotonic() < deadline:
                    self.server.key("b")
                    xgame.wait_until(lambda: not game.alive(), timeout=0.5)
            return game.finish()

    def assert_refused(self, result, *words):
        status, out, err = result
        self.assertEqual(status, 1, "stderr: %r" % err)
        self.assertEqual(out, "")
        lines = err.splitlines()
        self.assertEqual(len(lines), 1, "stderr: %r" % err)
        self.assertTrue(lines[0].startswith("rebondo: "), lines[0])
        for word in words:
            self.assertIn(word, lines[0])

    def test_broken_images(self):
        for name in xgame.IMAGES:
            for kind, rewrite in BROKEN:
                with self.subTest(image=name, case=kind):
                    folder = xgame.game_folder(DATA, {name: rewrite})
                    try:
                        result = self.run_game(folder, self.server.env())
                    finally:
                        shutil.rmtree(folder)
                    self.assert_refused(result, "data/%s.bmp: " % name)

    def test_fuzz_regressions_are_refused(self):
        """Files that once upset SDL's own loader, kept from fuzzing."""
        cases = sorted(os.listdir(REGRESSIONS)) if os.path.isdir(REGRESSIONS) else []
        for case in cases:
            for name in ("ico", "ball"):
                with self.subTest(image=name, case=case):
                    folder = xgame.game_folder(DATA)
                    try:
                        shutil.copyfile(os.path.join(REGRESSIONS, case),
                                        os.path.join(folder, "data", name + ".bmp"))
                        result = self.run_game(folder, self.server.env())
                    finally:
                        shutil.rmtree(folder)
                    self.assert_refused(result, "data/%s.bmp: " % name)

    def test_no_video(self):
        cases = [
            ("x11 without a server", {"SDL_VIDEODRIVER": "x11", "DISPLAY": free_display()}),
            ("unknown driver", {"SDL_VIDEODRIVER": "nosuchdriver", "DISPLAY": self.server.display}),
        ]
        for kind, settings in cases:
            with self.subTest(case=kind):
                folder = xgame.game_folder(DATA)
                try:
                    result = self.run_game(folder, dict(os.environ, **settings))
                finally:
                    shutil.rmtree(folder)
                self.assert_refused(result, "video")


if __name__ == "__main__":
    GAME, DATA = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    unittest.main(argv=sys.argv[:1], verbosity=2)
