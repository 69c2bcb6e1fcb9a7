"""Saving mode over two monitors side by side (RandR monitors on one wide screen): every monitor
covered with moving snow, input on the second one ends everything, monitors plugged in and out."""

import unittest

import xsession
from kelvane_e2e import END_TIMEOUT, START_TIMEOUT, KelvaneTestCase

PRIMARY = (0, 0, 640, 480)
SECOND = (640, 0, 1120, 360)   # smaller, and level with the primary's top
DESKTOP = 0x3366CC             # the root window's colour: seen anywhere on a monitor, the desktop shows


class MonitorsTest(KelvaneTestCase):

    width, height = 1120, 480

    def setUp(self):
        super().setUp()
        xsession.set_monitors(self.x, [PRIMARY, SECOND])
        self.x.run(["xsetroot", "-solid", f"#{DESKTOP:06x}"])

    def covered(self, rect):
        return self.x.windows_covering(rect)

    def start_saver(self, monitors=(PRIMARY, SECOND)):
        proc = self.kelvane("/s")
        for rect in monitors:
            self.x.wait_for(lambda: self.covered(rect), START_TIMEOUT, f"a window over the monitor {rect}")
            self.wait_for_moving_snow(rect)
        self.assert_still_running(proc)
        return proc

    def assert_no_desktop(self, monitors):
        shot = self.x.screenshot()
        for rect in monitors:
            self.assertEqual(shot.count_value(DESKTOP, rect), 0, f"the desktop shows on the monitor {rect}")
            self.assertEqual(shot.count_other((0x000000, 0xFFFFFF), rect), 0, f"not snow on black on {rect}")

    def test_every_monitor_is_covered_with_moving_snow_and_a_window_of_its_own(self):
        proc = self.start_saver()
        self.assert_no_desktop((PRIMARY, SECOND))
        windows = {(w["x"], w["y"], w["x"] + w["width"], w["y"] + w["height"]): w for w in self.x.top_windows()}
        for rect in (PRIMARY, SECOND):
            self.assertIn(rect, windows, "each monitor has a window of exactly its size")
            self.assertTrue(windows[rect]["override_redirect"], "above every window, past the window manager")
        self.x.key("space")
        self.assert_ends(proc)

    def test_a_key_a_click_or_a_move_on_the_second_monitor_ends_everything(self):
        inside = (SECOND[0] + 100, SECOND[1] + 100)
        actions = (("move", lambda: self.x.mouse_move_relative(1, 0)),
                   ("click", lambda: self.x.click(1)),
                   ("right click", lambda: self.x.click(3)),
                   ("key", lambda: self.x.key("a")))
        for name, act in actions:
            with self.subTest(input=name):
                self.x.mouse_move(*inside)
                proc = self.start_saver()
                self.x.mouse_move(*inside)   # the same place: no movement
                self.wait_for_moving_snow(SECOND)
                self.assert_still_running(proc)
                act()
                self.assert_ends(proc, END_TIMEOUT, f"kelvane to end at a {name} on the second monitor")
                self.x.wait_for(lambda: not self.covered(SECOND) and not self.covered(PRIMARY), END_TIMEOUT,
                                "every saver window to go")

    def test_monitors_scaled_differently_are_covered_in_their_own_pixels(self):
        # As KDE Plasma sets them: one factor per screen, in Qt's order of screens.
        for factors in ("1;2", "2;1.5"):
            with self.subTest(QT_SCREEN_SCALE_FACTORS=factors):
                self.x.mouse_move(SECOND[0] + 10, SECOND[1] + 10)
                proc = self.kelvane("/s", env={"QT_SCREEN_SCALE_FACTORS": factors})
                for rect in (PRIMARY, SECOND):
                    self.x.wait_for(lambda: self.covered(rect), START_TIMEOUT, f"a window over the monitor {rect}")
                    self.wait_for_moving_snow(rect)
                self.assert_no_desktop((PRIMARY, SECOND))
                windows = {(w["x"], w["y"], w["x"] + w["width"], w["y"] + w["height"]) for w in self.x.top_windows()}
                self.assertTrue({PRIMARY, SECOND} <= windows, f"windows of exactly the monitors' sizes: {windows}")
                self.x.mouse_move_relative(1, 0)
                self.assert_ends(proc, END_TIMEOUT, "kelvane to end at a one-pixel move on the second monitor")

    def test_a_monitor_plugged_in_is_covered_one_unplugged_loses_its_window_the_saver_runs_on(self):
        xsession.set_monitors(self.x, [PRIMARY])
        self.x.mouse_move(SECOND[0] + 50, SECOND[1] + 50)   # where the second monitor will be
        proc = self.start_saver((PRIMARY,))
        self.assertFalse(self.covered(SECOND))

        xsession.add_monitor(self.x, "plugged", SECOND)
        self.x.wait_for(lambda: self.covered(SECOND), START_TIMEOUT, "a window over the monitor plugged in")
        self.wait_for_moving_snow(SECOND)
        self.assert_no_desktop((PRIMARY, SECOND))

        xsession.remove_monitor(self.x, "plugged")
        self.x.wait_for(lambda: not self.covered(SECOND), END_TIMEOUT, "the unplugged monitor's window to go")
        self.assert_still_running(proc)
        self.wait_for_moving_snow(PRIMARY)
        self.assert_no_desktop((PRIMARY,))

        # Plugged in again under the pointer, and the saver ends from there as from anywhere.
        xsession.add_monitor(self.x, "again", SECOND)
        self.x.wait_for(lambda: self.covered(SECOND), START_TIMEOUT, "a window over the monitor plugged in again")
        self.wait_for_moving_snow(SECOND)
        self.assert_still_running(proc)
        self.x.click(1)
        self.assert_ends(proc, END_TIMEOUT, "kelvane to end at a click on the monitor plugged in again")


if __name__ == "__main__":
    unittest.main()
