"""Preview mode (/p ID) and xscreensaver's window options, in a host window of another process."""

import os
import unittest

from kelvane_e2e import END_TIMEOUT, START_TIMEOUT, Host, KelvaneTestCase

HOST_W, HOST_H = 300, 200
BLUE = 0x0000FF


class PreviewTest(KelvaneTestCase):

    def host_rect(self, width=HOST_W, height=HOST_H):
        return (10, 10, 10 + width, 10 + height)

    def wait_for_child(self, host, width=HOST_W, height=HOST_H):
        """The snow window: a viewable child of the host covering its area."""
        def child():
            for wid in self.x.children(host.id):
                info = self.x.window_info(wid)
                if info and info["map_state"] == "IsViewable" and (info["x"], info["y"], info["width"], info["height"]) == (10, 10, width, height):
                    return info
            return None
        return self.x.wait_for(child, START_TIMEOUT, f"a {width}x{height} child of the host")

    def start_preview(self, *args, env=None):
        host = Host(self.x, HOST_W, HOST_H)
        proc = self.kelvane(*(args or ("/p", host.id)), env=env)
        self.wait_for_child(host)
        self.wait_for_moving_snow(self.host_rect())
        return host, proc

    def assert_snow_only_inside(self, rect):
        shot = self.x.screenshot()
        self.assertEqual(shot.count_value(BLUE, rect), 0, "the snow window covers the whole host")
        self.assertEqual(shot.count_other((0x000000, 0xFFFFFF), rect), 0)
        outside = sum(shot.count_white(r) for r in ((0, 0, self.width, rect[1]), (0, rect[3], self.width, self.height),
                                                     (0, rect[1], rect[0], rect[3]), (rect[2], rect[1], self.width, rect[3])))
        self.assertEqual(outside, 0, "no snow outside the host")

    def test_snow_inside_the_host_ends_with_the_host(self):
        host, proc = self.start_preview()
        self.assert_snow_only_inside(self.host_rect())
        host.command("destroy")
        self.assert_ends(proc, END_TIMEOUT, "kelvane to end with its host")
        self.assertEqual(self.x.top_windows(), [], "no window is left behind")

    def test_follows_a_resized_host_and_survives_an_unmapped_one(self):
        host, proc = self.start_preview()
        host.command("resize 400 260")
        self.wait_for_child(host, 400, 260)
        self.wait_for_moving_snow(self.host_rect(400, 260))
        self.assert_snow_only_inside(self.host_rect(400, 260))
        host.command("unmap")
        self.x.wait_for(lambda: self.x.window_info(host.id)["map_state"] == "IsUnMapped", START_TIMEOUT, "the host to go")
        host.command("map")
        self.wait_for_moving_snow(self.host_rect(400, 260))
        host.command("unmap")
        host.command("destroy")
        self.assert_ends(proc, END_TIMEOUT, "kelvane to end with its unmapped host")

    def test_host_destroyed_at_any_moment_ends_it(self):
        # Right away (before or while kelvane looks at it), and once its window is there.
        for wait in (False, True):
            with self.subTest(after_the_window=wait):
                host = Host(self.x, HOST_W, HOST_H)
                proc = self.kelvane("/p", host.id)
                if wait:
                    self.wait_for_child(host)
                host.command("destroy")
                self.assert_ends(proc, END_TIMEOUT, "kelvane to end with its host")
                self.assertEqual(self.x.top_windows(), [], "no window is left behind")

    def test_no_live_host_ends_at_once_without_a_window(self):
        gone = Host(self.x, 50, 50)
        gone.command("destroy")
        for arg in ("0", str(gone.id), "abc", "-5", "-4294967296", "99999999999999999999999", "4294967295", "0x200001", ""):
            with self.subTest(handle=arg):
                proc = self.kelvane("/p", arg)
                self.assert_ends(proc, END_TIMEOUT)
                self.assertEqual(self.x.top_windows(), [])

    def test_a_host_that_takes_no_child_ends_it_at_once(self):
        host = Host(self.x, HOST_W, HOST_H, input_only=True)
        proc = self.kelvane("/p", host.id)
        self.assert_ends(proc)
        self.assertEqual([w["id"] for w in self.x.top_windows()], [host.id])
        self.assertEqual(self.x.children(host.id), [])

    def test_xscreensaver_window_id_hex_and_decimal(self):
        for form in (hex, str):
            with self.subTest(form=form.__name__):
                host = Host(self.x, HOST_W, HOST_H)
                proc = self.kelvane("-window-id", form(host.id))
                self.wait_for_child(host)
                self.wait_for_moving_snow(self.host_rect())
                host.command("destroy")
                self.assert_ends(proc)

    def test_xscreensaver_root_draws_into_its_window_else_the_root(self):
        host = Host(self.x, HOST_W, HOST_H)
        proc = self.kelvane("-root", env={"XSCREENSAVER_WINDOW": hex(host.id)})
        self.wait_for_child(host)
        self.wait_for_moving_snow(self.host_rect())
        host.command("destroy")
        self.assert_ends(proc)

        proc = self.kelvane("-root")
        window = self.saver_window()
        self.assertTrue(window["override_redirect"], "a child of the root is framed by no window manager")
        self.wait_for_moving_snow((0, 0, self.width, self.height))
        self.assert_still_running(proc)

    def test_xscreensaver_settings_options_take_effect_for_that_run_and_are_not_stored(self):
        def white_in_host(*args):
            host = Host(self.x, HOST_W, HOST_H)
            proc = self.kelvane("--root", *args, env={"XSCREENSAVER_WINDOW": hex(host.id)})
            self.wait_for_child(host)
            self.wait_for_moving_snow(self.host_rect())
            white = sum(self.x.screenshot().count_white(self.host_rect()) for _ in range(5))
            host.command("destroy")
            self.assert_ends(proc)
            return white

        self.write_profile("[Config-Ver102]\nCount=50\n")
        plain = white_in_host()
        # Many more flakes, each larger: far more white than the profile's 50 small ones.
        more = white_in_host("--count", "2000", "--pixel-ratio", "50", "--flutter", "0")
        self.assertGreater(more, 10 * plain)
        with open(os.path.join(self.home, "kelvane.ini"), encoding="latin-1") as f:
            self.assertEqual(f.read(), "[Config-Ver102]\nCount=50\n")

    def test_xscreensaver_options_naming_no_window_end_at_once(self):
        for args, env in ((["-window-id"], None), (["-window-id", "0x"], None), (["-window-id", "12abc"], None),
                          (["-window-id", "0"], None), (["-window-id", "0x7fffffff"], None),
                          (["-root"], {"XSCREENSAVER_WINDOW": "nonsense"})):
            with self.subTest(args=args, env=env):
                proc = self.kelvane(*args, env=env)
                self.assert_ends(proc)
                self.assertEqual(self.x.top_windows(), [])


if __name__ == "__main__":
    unittest.main()
