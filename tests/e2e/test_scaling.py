"""A scaled desktop: Qt's scale factors must not shrink the snow. Every mode draws in the screen's
own pixels over the whole of its window, and a one-pixel move still ends the saver."""

import unittest

from kelvane_e2e import END_TIMEOUT, START_TIMEOUT, Host, KelvaneTestCase

# Each scale divides the screen evenly, so Qt's own rounding plays no part.
SCALES = ({"QT_SCREEN_SCALE_FACTORS": "2"}, {"QT_SCALE_FACTOR": "1.5"})
BLUE = 0x0000FF


class ScalingTest(KelvaneTestCase):

    width, height = 960, 720

    def quarters(self, rect):
        left, top, right, bottom = rect
        mx, my = (left + right) // 2, (top + bottom) // 2
        return ((left, top, mx, my), (mx, top, right, my), (left, my, mx, bottom), (mx, my, right, bottom))

    def test_saving_snows_in_every_quarter_and_a_one_pixel_move_ends_it(self):
        for env in SCALES:
            with self.subTest(env=env):
                self.x.mouse_move(300, 200)
                proc = self.kelvane("/s", env=env)
                self.saver_window()
                for quarter in self.quarters((0, 0, self.width, self.height)):
                    self.wait_for_moving_snow(quarter)
                self.x.mouse_move(300, 200)   # the first report of the pointer, again: no movement
                self.wait_for_moving_snow((0, 0, self.width, self.height))
                self.assert_still_running(proc)
                self.x.mouse_move_relative(1, 0)
                self.assert_ends(proc, END_TIMEOUT, "kelvane to end at a one-pixel move")

    def test_preview_and_xscreensavers_window_fill_their_host(self):
        for env in SCALES:
            for switch in ("/p", "-window-id"):
                with self.subTest(env=env, switch=switch):
                    self.check_fills_host(env, switch)

    def check_fills_host(self, env, switch):
        host = Host(self.x, 300, 200)
        proc = self.kelvane(switch, host.id, env=env)
        rect = (10, 10, 310, 210)

        def covered():
            shot = self.x.screenshot()
            return shot if shot.count_value(BLUE, rect) == 0 and shot.count_white(rect) > 0 else None
        self.x.wait_for(covered, START_TIMEOUT, "snow over the whole host")
        for quarter in self.quarters(rect):
            self.wait_for_moving_snow(quarter)
        host.command("destroy")
        self.assert_ends(proc)

    def test_settings_dialogs_preview_covers_its_place(self):
        # Unscaled, the dialog is 480 x 284 pixels and its preview stands at 334,146, 128 x 96; a
        # scale that enlarges the dialog enlarges the preview with it, in the screen's own pixels.
        for env in SCALES:
            with self.subTest(env=env):
                proc = self.kelvane("/c", env=env)

                def preview():
                    for top in self.x.top_windows():
                        k = top["width"] / 480
                        want = (top["x"] + round(334 * k), top["y"] + round(146 * k), round(128 * k), round(96 * k))
                        for wid in self.x.children(top["id"]):
                            info = self.x.window_info(wid)
                            if info and info["map_state"] == "IsViewable" and \
                                    (info["x"], info["y"], info["width"], info["height"]) == want:
                                return info
                    return None
                info = self.x.wait_for(preview, START_TIMEOUT, "the preview over its place in the dialog")
                rect = (info["x"], info["y"], info["x"] + info["width"], info["y"] + info["height"])
                for quarter in self.quarters(rect):
                    self.wait_for_moving_snow(quarter)
                self.x.key("Escape")
                self.assert_ends(proc)

if __name__ == "__main__":
    unittest.main()
