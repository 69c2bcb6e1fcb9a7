"""Kelvane on a Wayland compositor: headless sway, screenshots with grim, keys with wtype, the pointer
with sway's own seat commands (through a virtual pointer, as headless sway has no devices). sway
refuses root, so as root the compositor and every client run as a user of their own; not as root,
the test is skipped."""

import json
import os
import re
import shutil
import signal
import unittest

import xsession
from kelvane_e2e import END_TIMEOUT, KELVANE, START_TIMEOUT
from swaysession import DESKTOP, SwaySession, missing_programs

TITLE = "Kelvaneの設定"
DLU_W, DLU_H = 240, 142   # the dialog's size in dialog units


class WaylandTest(unittest.TestCase):

    def setUp(self):
        missing = missing_programs()
        if missing:
            self.skipTest(f"takes {missing}")
        # The first output at scale 2 from the start: sway leaves a cursor drawn before a change of scale.
        self.session = SwaySession(["HEADLESS-1 scale 2"], timeout=START_TIMEOUT)
        self.session.open()
        self.addCleanup(self.session.close)
        self.env = self.session.env
        self.program = self.session.copy(KELVANE)
        self.sway_do = self.session.sway_do
        self.shot = self.session.shot

    def kelvane(self, *args):
        return self.session.start([self.program] + list(args))

    def wait_for_moving_snow(self, output):
        """Two shots of snow and no desktop, different from one another; returns the second."""
        def snow(before=None):
            width, height, data = self.shot(output)
            # No pixel of the desktop's blue. (Strictly black and white fails now and then: sway leaves
            # the arrow that it drew before the saver came where the saver's damage does not reach.)
            covered = DESKTOP not in data and b"\xff\xff\xff" in data
            return (width, height, data) if covered and data != before else None
        first = xsession.wait_for(snow, START_TIMEOUT, f"snow and no desktop on {output}", 0.1)
        return xsession.wait_for(lambda: snow(first[2]), START_TIMEOUT, f"the snow to move on {output}", 0.1)

    def dialog(self):
        """Where the compositor put the settings dialog's client area, once it is shown: x, y, width, height."""
        def find(node):
            if node.get("name") == TITLE and node.get("visible"):
                rect, inner = node["rect"], node["window_rect"]
                return rect["x"] + inner["x"], rect["y"] + inner["y"], inner["width"], inner["height"]
            return next(filter(None, map(find, node.get("nodes", []) + node.get("floating_nodes", []))), None)
        def tree():
            return find(json.loads(self.session.run("swaymsg", "-t", "get_tree").stdout or b"{}"))
        return xsession.wait_for(tree, START_TIMEOUT, "the settings dialog", 0.1)

    def test_settings_snow_in_the_preview_and_an_arrow_then_ok_store_them(self):
        proc = self.kelvane("/c")
        x, y, width, height = self.dialog()
        point = lambda dx, dy: (str(x + round(dx * width / DLU_W)), str(y + round(dy * height / DLU_H)))
        (left, top), (right, bottom) = point(167, 73), point(167 + 64, 73 + 48)
        preview = f"{left},{top} {int(right) - int(left)}x{int(bottom) - int(top)}"
        def snow():
            data = self.shot(None, preview)[2]
            return data if b"\xff\xff\xff" in data else None
        first = xsession.wait_for(snow, START_TIMEOUT, "snow in the preview", 0.1)
        xsession.wait_for(lambda: snow() not in (first, None), START_TIMEOUT, "the preview's snow to move", 0.1)
        for dx, dy in ((117, 23), (199, 12)):   # the count's upper arrow, then OK
            self.sway_do("seat", "-", "cursor", "set", *point(dx, dy))
            self.sway_do("seat", "-", "cursor", "press", "button1")
            self.sway_do("seat", "-", "cursor", "release", "button1")
        self.assertEqual(xsession.process_ended(proc, END_TIMEOUT, "settings mode to end at OK"), 0)
        with open(os.path.join(self.env["XDG_CONFIG_HOME"], "kelvane.ini"), encoding="latin-1") as f:
            self.assertEqual(f.read(), "[Config-Ver102]\nPeriod=40\nCount=101\nPixelRatio=210\nDeltaTime=0.05\n"
                                       "Gravitation=9.8\nResistance=0.25\nFlutter=50\n")

    def test_saving_covers_every_output_sharp_at_scale_two_and_follows_outputs(self):
        proc = self.kelvane("/s")
        width, height, data = self.wait_for_moving_snow("HEADLESS-1")
        # At scale 2 a surface of half the pixels, scaled up, would start every flake on an even column.
        starts = [m.start() // 3 + 1 for m in re.finditer(b"\0\0\0\xff", data) if m.start() % 3 == 0]
        self.assertEqual((width, height), (1280, 720))
        self.assertTrue(any(x % 2 == 1 for x in starts), "every flake starts on an even column: scaled, not sharp")
        self.sway_do("create_output")
        self.wait_for_moving_snow("HEADLESS-2")
        self.sway_do("output", "HEADLESS-1", "disable")
        self.wait_for_moving_snow("HEADLESS-2")
        self.assertIsNone(proc.poll(), "kelvane ended when an output went")

    def test_a_key_a_button_and_a_move_end_saving_the_first_report_does_not(self):
        for what, command in (("key", ["wtype", "a"]), ("button", ["swaymsg", "seat", "-", "cursor", "press", "button1"]),
                              ("move", ["swaymsg", "seat", "-", "cursor", "move", "3", "3"])):
            with self.subTest(what):
                # sway tells a new window of the pointer over it only when the pointer moves: a warp
                # to where it stands is the first report, or none if the window heard of it already.
                self.sway_do("seat", "-", "cursor", "set", "100", "100")
                proc = self.kelvane("/s")
                self.wait_for_moving_snow("HEADLESS-1")
                self.sway_do("seat", "-", "cursor", "set", "100", "100")
                self.wait_for_moving_snow("HEADLESS-1")
                self.assertIsNone(proc.poll(), "the pointer's first report ended kelvane")
                self.session.run(*command)
                self.assertEqual(xsession.process_ended(proc, END_TIMEOUT, f"a {what} to end kelvane"), 0)
                self.sway_do("seat", "-", "cursor", "release", "button1")

    def test_swayidle_starts_saving_as_the_readme_says_and_a_move_ends_it(self):
        if not shutil.which("swayidle"):
            self.skipTest("takes swayidle")
        # README's line, with a timeout of a second; kelvane is on the user's PATH.
        self.env["PATH"] = self.session.root + ":" + self.env["PATH"]
        os.rename(self.program, os.path.join(self.session.root, "kelvane"))
        self.session.start(["swayidle", "-w", "timeout", "1", "kelvane /s"])
        self.wait_for_moving_snow("HEADLESS-1")
        self.sway_do("seat", "-", "cursor", "move", "3", "3")
        xsession.wait_for(lambda: DESKTOP in self.shot("HEADLESS-1")[2], END_TIMEOUT, "the desktop back")

    def test_the_compositor_gone_ends_saving_with_status_one(self):
        proc = self.kelvane("/s")
        self.wait_for_moving_snow("HEADLESS-1")
        self.session.server.send_signal(signal.SIGKILL)
        self.assertEqual(xsession.process_ended(proc, END_TIMEOUT, "kelvane to end without sway"), 1)
        self.assertIn(b"kelvane: the Wayland compositor went away", proc.stderr.read())


if __name__ == "__main__":
    unittest.main()
