"""Saving mode (/s) on a virtual display, driven with real X input."""

import unittest

from kelvane_e2e import END_TIMEOUT, Host, KelvaneTestCase


class SavingTest(KelvaneTestCase):

    def start_saver(self, *args):
        proc = self.kelvane(*(args or ("/s",)))
        window = self.saver_window()
        # Snow on screen means the window is up, painted and ticking: the start is behind it.
        self.wait_for_moving_snow((0, 0, self.width, self.height))
        self.assert_still_running(proc)
        return proc, window

    def test_covers_the_screen_with_moving_snow(self):
        proc, window = self.start_saver()
        self.assertEqual((window["x"], window["y"], window["width"], window["height"]), (0, 0, self.width, self.height))
        self.assertTrue(window["override_redirect"], "the saver is above every window, past the window manager")
        shot = self.x.screenshot()
        # White on black and nothing else.
        self.assertEqual(shot.count_other((0x000000, 0xFFFFFF)), 0)
        self.x.key("space")
        self.assert_ends(proc)

    def test_first_mouse_report_keeps_it_a_one_pixel_move_any_way_ends_it(self):
        for name, dx, dy in (("across", 1, 0), ("down", 0, 1), ("up", 0, -1), ("diagonally", -1, 1)):
            with self.subTest(move=name):
                self.x.mouse_move(200, 150)
                proc, _ = self.start_saver()
                self.x.mouse_move(200, 150)   # the same place: no movement
                self.wait_for_moving_snow((0, 0, self.width, self.height))
                self.assert_still_running(proc)
                self.x.mouse_move_relative(dx, dy)
                self.assert_ends(proc, END_TIMEOUT, f"kelvane to end at a one-pixel move {name}")

    def test_key_press_ends_it_a_release_alone_does_not(self):
        self.x.key_down("shift")
        proc, _ = self.start_saver()
        self.x.key_up("shift")
        self.wait_for_moving_snow((0, 0, self.width, self.height))
        self.assert_still_running(proc)
        self.x.key("a")
        self.assert_ends(proc, END_TIMEOUT, "kelvane to end at a key press")

    def test_every_button_press_ends_it_a_release_alone_does_not(self):
        for button in (1, 2, 3):
            with self.subTest(button=button):
                self.x.button_down(button)
                proc, _ = self.start_saver()
                self.x.button_up(button)
                self.wait_for_moving_snow((0, 0, self.width, self.height))
                self.assert_still_running(proc)
                self.x.click(button)
                self.assert_ends(proc, END_TIMEOUT, f"kelvane to end at a press of button {button}")

    def test_losing_the_keyboard_focus_ends_it(self):
        other = Host(self.x, 100, 100)
        proc, _ = self.start_saver()
        self.x.xdotool("windowfocus", other.id)
        self.assert_ends(proc, END_TIMEOUT, "kelvane to end when another window takes the focus")

    def test_hostile_profile_still_snows_and_ends(self):
        self.write_profile("[Config-Ver102]\nPeriod=0\nCount=4294967295\nPixelRatio=-1e308\nDeltaTime=nan\n"
                           "Gravitation=1e308\nResistance=0\nFlutter=-inf\n" + "\x00\xff" * 5000 + "\n")
        proc = self.kelvane("/s")
        self.saver_window()
        self.assert_still_running(proc)
        self.x.key("Escape")
        self.assert_ends(proc)


if __name__ == "__main__":
    unittest.main()
