"""The game as a player meets it: its window, menu, keys and exits, in a real X server.

Usage: test_window.py GAME DATA_DIR
"""

import os
import re
import shutil
import sys
import time
import unittest

import xgame

GAME = DATA = None
START_TOP = 90     # both paddles' top at start
STEP = 25          # pixels per key press
SETTLE = 0.5       # seconds a state must last to count as "did nothing"


class GameTest(unittest.TestCase):
    """Each test gets its own X server and a fresh copy of the shipped data/."""

    def setUp(self):
        self.server = xgame.XServer().__enter__()
        self.addCleanup(self.server.__exit__, None, None, None)
        self.use_folder(xgame.game_folder(DATA))

    def use_folder(self, folder):
        self.folder = folder
        self.addCleanup(shutil.rmtree, folder)
        ball = xgame.read_image(os.path.join(folder, "data", "ball.bmp"))
        self.ball_size = (ball.width, ball.height)

    def start(self):
        game = xgame.Game(GAME, self.folder, self.server.env())
        self.addCleanup(game.__exit__, None, None, None)
        self.assertIsNotNone(game.find_window(self.server), "the game ended before its window showed")
        return game

    def expect_frame(self, game, left_top, right_top):
        frame = xgame.compose(self.folder, left_top, right_top)
        return xgame.wait_for_frame(self.server, game, frame, *self.ball_size)

    def expect_clean_exit(self, game):
        status, out, err = game.finish()
        self.assertEqual((status, out, err), (0, "", ""))


class WindowTest(GameTest):
    def test_window_title_icon_and_menu(self):
        game = self.start()
        info = self.server.run("xwininfo", "-id", str(game.window))
        self.assertRegex(info, r"Width: 320\n")
        self.assertRegex(info, r"Height: 240\n")
        # The caption is set just after the window opens.
        props = xgame.wait_until(lambda: self.titled(game))
        self.assertTrue(props, "the window is not titled Rebondo")

        icon, ico = self.icon(game, props), xgame.read_image(os.path.join(DATA, "ico.bmp"))
        self.assertEqual((icon.width, icon.height), (ico.width, ico.height))
        wrong = [(x, y) for y in range(ico.height) for x in range(ico.width)
                 if xgame.differs(icon.pixel(x, y), ico.pixel(x, y))]
        self.assertEqual(wrong[:5], [], "%d icon pixels differ from data/ico.bmp" % len(wrong))

        # The menu is drawn once and shown by the next flip: poll for it.
        menu = xgame.read_image(os.path.join(DATA, "menu.bmp"))

        wrong = []

        def menu_shown():
            shot = self.server.screenshot(game.window)
            self.assertEqual((shot.width, shot.height), (320, 240))
            wrong[:] = [(x, y) for y in range(240) for x in range(320)
                        if xgame.differs(shot.pixel(x, y), menu.pixel(x, y))]
            return not wrong
        xgame.wait_until(menu_shown)
        self.assertEqual(wrong[:5], [], "%d pixels differ from data/menu.bmp" % len(wrong))

        self.server.key("y")
        self.expect_clean_exit(game)

    def titled(self, game):
        props = self.server.run("xprop", "-id", str(game.window))
        return props if 'WM_NAME(STRING) = "Rebondo"' in props else None

    def icon(self, game, props):
        """The icon as the window manager gets it: SDL 1.2 sets a pixmap in
        WM_HINTS, the SDL2-backed library sets _NET_WM_ICON instead."""
        hint = re.search(r"bitmap id # to use for icon: (0x[0-9a-f]+)", props)
        if hint:
            return self.server.pixmap(int(hint.group(1), 16))
        argb = self.server.run("xprop", "-id", str(game.window), "-notype", "32c", "_NET_WM_ICON")
        values = [int(v) for v in re.findall(r"\d+", argb.partition("=")[2])]
        self.assertGreaterEqual(len(values), 2, "the window has no icon")
        w, h = values[0], values[1]
        picture = xgame.Image.blank(w, h)
        for i, v in enumerate(values[2:2 + w * h]):
            picture.put(i % w, i // w, ((v >> 16) & 255, (v >> 8) & 255, v & 255))
        return picture


class MatchTest(GameTest):
    def test_keys_move_the_paddles_and_space_quits(self):
        game = self.start()
        self.server.key("b")
        self.expect_frame(game, START_TOP, START_TOP)
        self.server.key("a")
        self.expect_frame(game, START_TOP + STEP, START_TOP)
        self.server.key("Down")
        self.expect_frame(game, START_TOP + STEP, START_TOP + STEP)
        self.server.key("Up", "shift+q")
        self.expect_frame(game, START_TOP, START_TOP)
        self.server.key("space")
        self.expect_clean_exit(game)

    def test_close_request_is_ignored_in_menu_and_play(self):
        game = self.start()
        self.server.close_request(game.window)
        time.sleep(SETTLE)
        self.assertTrue(game.alive(), "the close request ended the game in the menu")
        self.server.key("b")
        first = self.expect_frame(game, START_TOP, START_TOP)
        self.server.close_request(game.window)
        time.sleep(SETTLE)
        self.assertTrue(game.alive(), "the close request ended the game in play")
        # Still playing: the ball has moved on and the keys still act.
        self.server.key("a")
        self.assertNotEqual(self.expect_frame(game, START_TOP + STEP, START_TOP), first)
        self.server.key("space")
        self.expect_clean_exit(game)


class MenuTest(GameTest):
    def test_y_quits_from_the_menu(self):
        game = self.start()
        self.server.key("y")
        self.expect_clean_exit(game)

    def test_q_starts_practice_with_the_left_paddle_alone(self):
        for menu_key in ("q", "shift+q"):
            with self.subTest(menu_key=menu_key):
                game = self.start()
                self.server.key(menu_key)
                self.expect_frame(game, START_TOP, None)
                self.server.key("a", "a")
                self.expect_frame(game, START_TOP + 2 * STEP, None)
                # The right paddle's keys change nothing on screen here.
                self.server.key("Down", "shift+q")
                self.expect_frame(game, START_TOP + STEP, None)
                self.server.key("space")
                self.expect_clean_exit(game)


def solid(width, height, colour):
    return lambda path: xgame.write_bmp(path, width, height, lambda x, y: colour)


def gradient(width, height):
    return lambda path: xgame.write_bmp(
        path, width, height, lambda x, y: (x * 255 // (width - 1), y * 255 // (height - 1), 128))


# Valid images of unusual sizes; the game draws them as they are.
ODD_IMAGES = [
    ("1 x 1 paddles", {"bar_l": solid(1, 1, (200, 40, 40)), "bar_r": solid(1, 1, (40, 40, 200))}),
    ("640 x 480 background", {"background": gradient(640, 480)}),
    ("40 x 2 ball", {"ball": solid(40, 2, (255, 0, 255))}),
]


class OddImagesTest(GameTest):
    def test_odd_sizes_play_normally(self):
        for kind, replace in ODD_IMAGES:
            with self.subTest(case=kind):
                self.use_folder(xgame.game_folder(DATA, replace))
                game = self.start()
                self.server.key("b")
                self.expect_frame(game, START_TOP, START_TOP)
                self.server.key("a", "Up")
                self.expect_frame(game, START_TOP + STEP, START_TOP - STEP)
                self.server.key("space")
                self.expect_clean_exit(game)


if __name__ == "__main__":
    GAME, DATA = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    unittest.main(argv=sys.argv[:1], verbosity=2)
