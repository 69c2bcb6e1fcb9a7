"""The display, from outside: an X server that goes away while Kelvane runs."""

import os
import signal
import subprocess
import unittest

from kelvane_e2e import END_TIMEOUT, KELVANE, START_TIMEOUT, Host, KelvaneTestCase

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


if __name__ == "__main__":
    unittest.main()
