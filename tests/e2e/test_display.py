"""The display, from outside: an X server that goes away while Kelvane runs, no display at all,
and the options that answer without one."""

import os
import re
import signal
import subprocess
import unittest

from kelvane_e2e import END_TIMEOUT, KELVANE, START_TIMEOUT, Host, KelvaneTestCase

SOURCE_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")


def project_version():
    with open(os.path.join(SOURCE_DIR, "CMakeLists.txt"), encoding="utf-8") as f:
        return re.search(r"project\(Kelvane VERSION ([0-9.]+)", f.read()).group(1)


def unused_display():
    """A display name no X server holds: no lock file and no socket for its number."""
    for number in range(4700, 4800):
        if not any(os.path.exists(p) for p in (f"/tmp/.X{number}-lock", f"/tmp/.X11-unix/X{number}")):
            return f":{number}"
    raise RuntimeError("no free display number")


class DisplayGoesAwayTest(KelvaneTestCase):
    """However the X server ends, Kelvane ends by itself with a status that says it failed."""

    def assert_ends_without_a_signal(self, proc):
        self.x.kill_server()
        try:
            code = proc.wait(END_TIMEOUT)
        except subprocess.TimeoutExpired:
            self.fail("kelvane runs on without its display")
        stderr = proc.stderr.read().decode(errors="replace")
        self.assertGreater(code, 0, f"ended by {signal.Signals(-code).name if code < 0 else 'success'}; stderr: {stderr}")
        self.assertIn("the X display went away", stderr)

    def test_saving(self):
        proc = self.kelvane("/s")
        self.saver_window()
        self.wait_for_moving_snow((0, 0, self.width, self.height))
        self.assert_ends_without_a_signal(proc)

    def test_preview(self):
        host = Host(self.x, 200, 150)
        proc = self.kelvane("/p", host.id)
        self.wait_for_moving_snow((10, 10, 210, 160))
        self.assert_ends_without_a_signal(proc)

    def test_settings(self):
        proc = self.kelvane("/c")
        # The dialog's preview snows once the dialog is up.
        self.x.wait_for(lambda: self.x.top_windows(), START_TIMEOUT, "the settings dialog")
        self.wait_for_snow((0, 0, self.width, self.height))
        self.assert_ends_without_a_signal(proc)


class NoDisplayTest(unittest.TestCase):
    """Every mode that needs a display fails without one, and says why: nothing there to ask, or
    nobody answering where DISPLAY points."""

    MODES = (["/s"], ["/p", "4194305"], ["/c"], [], ["-root"], ["-window-id", "0x400001"])

    def run_kelvane(self, args, display):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "XSCREENSAVER_WINDOW", "WAYLAND_DISPLAY")}
        if display is not None:
            env["DISPLAY"] = display
        return subprocess.run([KELVANE] + args, env=env, capture_output=True, text=True, timeout=START_TIMEOUT)

    def test_every_mode_fails_and_says_which_display_is_missing(self):
        dead = unused_display()
        for display, expected in ((None, "no X display: DISPLAY is not set"), ("", "no X display: DISPLAY is not set"),
                                  (dead, f"DISPLAY is {dead}, but no X server answers there")):
            for args in self.MODES:
                with self.subTest(display=display, args=args):
                    result = self.run_kelvane(args, display)
                    self.assertEqual(result.returncode, 1, result.stderr)
                    self.assertEqual(result.stderr, f"kelvane: {expected}\n")

    def test_help_and_version_need_no_display(self):
        for args in (["--help"], ["/s", "--help"], ["--version"], ["-root", "--version"]):
            with self.subTest(args=args):
                result = self.run_kelvane(args, None)
                self.assertEqual((result.returncode, result.stderr), (0, ""))
                if "--help" in args:
                    self.assertTrue(result.stdout.startswith("Usage: kelvane "), result.stdout)
                    for switch in ("/s", "/p ID", "/c", "-root", "-window-id ID", "--period", "--version"):
                        self.assertIn(switch, result.stdout)
                else:
                    self.assertEqual(result.stdout, f"kelvane {project_version()}\n")


if __name__ == "__main__":
    unittest.main()
