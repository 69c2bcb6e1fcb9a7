"""Settings mode (kelvane, kelvane /c) from outside: the dialog opens with its preview snowing,
clicks and keys reach it through the X server, and only OK stores the settings."""

import os
import unittest

from kelvane_e2e import END_TIMEOUT, START_TIMEOUT, KelvaneTestCase

TITLE = "Kelvaneの設定"
# The dialog's size in dialog units; its pixels depend on the face fontconfig finds.
DLU_W, DLU_H = 240, 142
DEFAULT_PROFILE = ("[Config-Ver102]\nPeriod=40\nCount=101\nPixelRatio=210\nDeltaTime=0.05\n"
                   "Gravitation=9.8\nResistance=0.25\nFlutter=50\n")


class SettingsTest(KelvaneTestCase):

    def dialog(self):
        """The settings dialog once it is on screen: its window info."""
        def find():
            for w in self.x.top_windows():
                if self.x.run(["xdotool", "getwindowname", str(w["id"])], check=False).stdout.strip() == TITLE:
                    return w
            return None
        return self.x.wait_for(find, START_TIMEOUT, "the settings dialog")

    def point(self, dlg, x, y):
        """A point given in the template's dialog units, on the screen."""
        return dlg["x"] + round(x * dlg["width"] / DLU_W), dlg["y"] + round(y * dlg["height"] / DLU_H)

    def click_at(self, dlg, x, y):
        self.x.mouse_move(*self.point(dlg, x, y))
        self.x.click()

    def preview_rect(self, dlg):
        left, top = self.point(dlg, 167, 73)
        right, bottom = self.point(dlg, 167 + 64, 73 + 48)
        return left, top, right, bottom

    def profile(self):
        path = os.path.join(self.home, "kelvane.ini")
        if not os.path.exists(path):
            return None
        with open(path, encoding="latin-1") as f:
            return f.read()

    def open_settings(self, *args):
        proc = self.kelvane(*args)
        dlg = self.dialog()
        self.wait_for_moving_snow(self.preview_rect(dlg))
        self.assert_still_running(proc)
        return proc, dlg

    def test_every_settings_switch_opens_the_dialog_with_its_preview_snowing(self):
        for args in ([], ["/c"], ["-c"], ["c"], ["/c:4711"]):
            with self.subTest(args=args):
                proc, dlg = self.open_settings(*args)
                self.assertLess(dlg["width"], self.width)
                self.x.key("Escape")
                self.assert_ends(proc, END_TIMEOUT, "settings mode to end at Escape")
                self.assertEqual(self.x.top_windows(), [])
                self.assertIsNone(self.profile())

    def test_an_arrow_click_then_ok_stores_the_settings(self):
        proc, dlg = self.open_settings("/c")
        self.click_at(dlg, 117, 23)      # the count's upper arrow
        self.click_at(dlg, 199, 12)      # OK
        self.assert_ends(proc, END_TIMEOUT, "settings mode to end at OK")
        self.assertEqual(self.profile(), DEFAULT_PROFILE)

    def test_escape_after_changes_stores_nothing(self):
        self.write_profile("[Config-Ver102]\nCount=7\n")
        proc, dlg = self.open_settings("/c")
        self.click_at(dlg, 117, 23)
        self.click_at(dlg, 172 + 27, 38 + 7)   # the defaults button
        self.x.key("Escape")
        self.assert_ends(proc, END_TIMEOUT, "settings mode to end at Escape")
        self.assertEqual(self.profile(), "[Config-Ver102]\nCount=7\n")


    def test_a_profile_that_cannot_be_written_is_said_so_after_ok(self):
        os.mkdir(os.path.join(self.home, "kelvane.ini"))   # a folder where the file should go
        proc, dlg = self.open_settings("/c")
        self.x.key("Return")
        box = self.x.wait_for(lambda: [w for w in self.x.top_windows() if w["id"] != dlg["id"]], START_TIMEOUT,
                              "the message that the settings were not stored")[0]
        self.assert_still_running(proc)
        self.x.run(["xdotool", "windowfocus", "--sync", str(box["id"])], check=False)
        self.x.key("Return")
        self.assert_ends(proc, END_TIMEOUT, "settings mode to end when its message is closed")


if __name__ == "__main__":
    unittest.main()
