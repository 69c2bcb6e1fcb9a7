"""The command line's switch table, from outside: which switches start saving, which end at once.
The settings switches are in test_settings.py."""

import unittest

from kelvane_e2e import END_TIMEOUT, KelvaneTestCase


class SwitchesTest(KelvaneTestCase):

    def test_no_mode_ends_at_once_without_a_window(self):
        for args in (["/C"], ["//s"], ["/p:1234"], ["/x"], ["-S"], ["/p"], ["/"], ["-"], [""], ["-root-window"]):
            with self.subTest(args=args):
                proc = self.kelvane(*args)
                stderr = self.assert_ends(proc)
                self.assertEqual(self.x.top_windows(), [])
                self.assertNotIn("X error", stderr)

    def test_saving_switches_start_saving(self):
        for args in (["-s"], ["s"], ["/screen"], ["/s", "-root"], ["/s", "1234"]):
            with self.subTest(args=args):
                proc = self.kelvane(*args)
                self.saver_window()
                self.wait_for_snow((0, 0, self.width, self.height))
                self.assert_still_running(proc)
                self.x.key("Return")
                self.assert_ends(proc, END_TIMEOUT, "the saver to end at a key")


if __name__ == "__main__":
    unittest.main()
