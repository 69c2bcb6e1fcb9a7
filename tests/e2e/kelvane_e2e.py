"""What the Kelvane end-to-end tests share: where the programs are, a profile folder of their own,
and the saver's windows as X sees them."""

import os
import shutil
import subprocess
import tempfile
import unittest

import xsession

KELVANE = os.environ.get("KELVANE", "kelvane")
TEST_HOST = os.environ.get("KELVANE_TEST_HOST", "x11-test-host")

# Generous: a loaded CI machine runs many displays at once.
START_TIMEOUT = 15
END_TIMEOUT = 10


class KelvaneTestCase(unittest.TestCase):
    """Each test gets its own display and its own empty profile folder (default settings)."""

    width, height = 640, 480

    def setUp(self):
        self.home = tempfile.mkdtemp(prefix="kelvane-e2e-")
        self.addCleanup(shutil.rmtree, self.home, True)
        runtime = os.path.join(self.home, "runtime")
        os.mkdir(runtime, 0o700)
        self.x = xsession.XSession(self.width, self.height)
        self.x.open()
        self.addCleanup(self.x.close)
        self.x.env.update(XDG_CONFIG_HOME=self.home, XDG_RUNTIME_DIR=runtime)
        self.x.env.pop("XSCREENSAVER_WINDOW", None)

    def kelvane(self, *args, env=None):
        return self.x.start([KELVANE] + [str(a) for a in args], env=env)

    def write_profile(self, text):
        with open(os.path.join(self.home, "kelvane.ini"), "w", encoding="latin-1") as f:
            f.write(text)

    # Waiting

    def assert_ends(self, proc, timeout=END_TIMEOUT, what="kelvane to end"):
        code = xsession.process_ended(proc, timeout, what)
        stderr = proc.stderr.read().decode(errors="replace") if proc.stderr else ""
        self.assertEqual(code, 0, f"exit status {code}; stderr: {stderr}")
        return stderr

    def assert_still_running(self, proc):
        self.assertIsNone(proc.poll(), "kelvane ended too early")

    def saver_window(self):
        """The full-screen window, once it is on screen."""
        return self.x.wait_for(lambda: self.x.windows_covering((0, 0, self.width, self.height)), START_TIMEOUT,
                               "a window over the whole screen")[0]

    def wait_for_snow(self, rect, timeout=START_TIMEOUT):
        """A screenshot with white pixels inside rect."""
        def shot():
            s = self.x.screenshot()
            return s if s.count_white(rect) > 0 else None
        return self.x.wait_for(shot, timeout, f"white snow inside {rect}", interval=0.05)

    def wait_for_moving_snow(self, rect, timeout=START_TIMEOUT):
        """Two screenshots, one after the other, both with snow inside rect and different there."""
        first = self.wait_for_snow(rect, timeout)
        before = first.region(rect)

        def moved():
            s = self.x.screenshot()
            return s if s.count_white(rect) > 0 and s.region(rect) != before else None
        return first, self.x.wait_for(moved, timeout, "the snow to move", interval=0.05)


class Host:
    """The test host window: a blue override-redirect window at 10,10 of another process."""

    def __init__(self, session, width, height, input_only=False):
        self.proc = session.start([TEST_HOST, "host", str(width), str(height)] + (["inputonly"] if input_only else []),
                                  stdin=subprocess.PIPE)
        line = self.proc.stdout.readline().decode().strip()
        if not line.isdigit():
            raise RuntimeError(f"test host did not start: {line!r} {self.proc.stderr.read()!r}")
        self.id = int(line)

    def command(self, text):
        self.proc.stdin.write((text + "\n").encode())
        self.proc.stdin.flush()
        answer = self.proc.stdout.readline().decode().strip()
        if answer != "ok":
            raise RuntimeError(f"test host did not do {text!r}: {answer!r}")
