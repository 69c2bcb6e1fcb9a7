"""Kelvane run by the Linux desktops' own screen savers, mate-screensaver and xscreensaver, as
installed from this build. Both daemons refuse to run as root, so as root each runs as a user of
its own (made if absent), with its own home and D-Bus session."""

import os
import pwd
import shutil
import subprocess
import tempfile
import time
import unittest

import xsession
from kelvane_e2e import END_TIMEOUT, START_TIMEOUT, KelvaneTestCase

BUILD_DIR = os.environ.get("KELVANE_BUILD_DIR", "")
USER = "kelvane-e2e"


def daemon_user():
    """The account the daemons run as: this one unless it is root."""
    if os.getuid() != 0:
        return None
    try:
        pwd.getpwnam(USER)
    except KeyError:
        subprocess.run(["useradd", "--system", "--no-create-home", "--home-dir", "/nonexistent",
                        "--shell", "/usr/sbin/nologin", USER], check=True, capture_output=True)
    return pwd.getpwnam(USER)


class DaemonTestCase(KelvaneTestCase):
    """Kelvane installed into a folder of the test's own, and a user's session on the display."""

    tools = ()

    def setUp(self):
        missing = [t for t in self.tools + ("cmake", "setpriv", "dbus-daemon") if shutil.which(t) is None]
        if missing or not BUILD_DIR:
            self.skipTest(f"not installed: {' '.join(missing)}" if missing else "KELVANE_BUILD_DIR is not set")
        super().setUp()
        self.user = daemon_user()
        self.root = tempfile.mkdtemp(prefix="kelvane-daemon-")
        self.addCleanup(shutil.rmtree, self.root, True)
        os.chmod(self.root, 0o755)
        self.prefix = os.path.join(self.root, "usr")
        subprocess.run(["cmake", "--install", BUILD_DIR, "--prefix", self.prefix], check=True, capture_output=True)
        self.user_home = os.path.join(self.root, "home")
        runtime = os.path.join(self.user_home, "runtime")
        os.makedirs(runtime, 0o700)
        if self.user is not None:
            for folder in (self.user_home, runtime):
                os.chown(folder, self.user.pw_uid, self.user.pw_gid)
        self.user_env = {
            "PATH": os.path.join(self.prefix, "bin") + ":/usr/local/bin:/usr/bin:/bin",
            "HOME": self.user_home, "DISPLAY": self.x.display, "LANG": "C.UTF-8",
            "XDG_RUNTIME_DIR": runtime, "XDG_CONFIG_HOME": os.path.join(self.user_home, ".config"),
            "NO_AT_BRIDGE": "1",
        }
        # The leak checker's suppressions, where the daemons' user can read them.
        lsan = os.environ.get("LSAN_OPTIONS", "")
        if lsan.startswith("suppressions=") and os.path.isfile(lsan[len("suppressions="):]):
            self.user_env["LSAN_OPTIONS"] = "suppressions=" + shutil.copy(lsan[len("suppressions="):], self.root)
        bus = self.as_user(["dbus-daemon", "--session", "--nofork", "--print-address=1"])
        self.user_env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().decode().strip()

    def as_user(self, args, over_usr=False, **popen_args):
        """Starts args as the daemons' user on the display; ended with the display. over_usr: it sees
        this build installed over /usr, as the package would put it there, in a mount namespace of its own."""
        command = [] if self.user is None else ["setpriv", f"--reuid={self.user.pw_uid}", f"--regid={self.user.pw_gid}",
                                                "--clear-groups", "--"]
        if over_usr:
            command = ["unshare", "--mount", "--propagation", "private", "--", "sh", "-c",
                       'mount -t overlay overlay -o "lowerdir=$0:/usr" /usr && exec "$@"', self.prefix] + command
        popen_args.setdefault("stdout", subprocess.PIPE)
        popen_args.setdefault("stderr", subprocess.DEVNULL)
        proc = subprocess.Popen(command + args, env=self.user_env, cwd=self.user_home, **popen_args)
        self.x.processes.append(proc)
        return proc

    def run_as_user(self, args, timeout=30):
        proc = self.as_user(args, stdout=subprocess.DEVNULL)
        return proc.wait(timeout)

    def write_user_file(self, relative, text):
        path = os.path.join(self.user_home, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        if self.user is not None:
            for folder in (os.path.dirname(path), path):
                os.chown(folder, self.user.pw_uid, self.user.pw_gid)

    def kelvane_pids(self):
        """The processes of the installed Kelvane, as the daemons' user, wherever it sees it installed."""
        programs = (os.path.join(self.prefix, "bin", "kelvane"), "/usr/bin/kelvane")
        uid = os.getuid() if self.user is None else self.user.pw_uid
        pids = []
        for entry in os.listdir("/proc"):
            try:
                if entry.isdigit() and os.stat(f"/proc/{entry}").st_uid == uid and os.readlink(f"/proc/{entry}/exe") in programs:
                    pids.append(int(entry))
            except OSError:
                pass
        return pids

    def assert_snows_then_ends_within_a_second(self, deactivate):
        """Kelvane runs, snow moves over the whole screen; after deactivate() it is gone within a second."""
        self.x.wait_for(self.kelvane_pids, START_TIMEOUT, "the daemon to start kelvane")
        self.wait_for_moving_snow((0, 0, self.width, self.height))
        deactivate()
        started = time.monotonic()
        self.x.wait_for(lambda: not self.kelvane_pids(), 5, "kelvane to end")
        self.assertLess(time.monotonic() - started, 1.0, "kelvane ended, but later than a second after deactivation")


class MateScreensaverTest(DaemonTestCase):

    tools = ("mate-screensaver", "mate-screensaver-command")

    def setUp(self):
        super().setUp()
        # mate-screensaver runs themes only from the system's hack folders (/usr/libexec/xscreensaver, ...).
        if self.user is None or subprocess.run(["unshare", "--mount", "true"], capture_output=True).returncode != 0:
            self.skipTest("mate-screensaver finds Kelvane only installed in /usr: the test mounts it there, which takes "
                          "root and mount namespaces")
        # The theme as the preferences would choose it, in GSettings' file back end (no dconf service).
        self.user_env["GSETTINGS_BACKEND"] = "keyfile"
        self.write_user_file(".config/glib-2.0/settings/keyfile",
                             "[org/mate/screensaver]\nmode='single'\nthemes=['screensavers-kelvane']\n"
                             "lock-enabled=false\n")

    def test_kelvane_chosen_as_the_theme_snows_and_ends_on_deactivation(self):
        self.as_user(["mate-screensaver", "--no-daemon"], over_usr=True)
        self.x.wait_for(lambda: self.run_as_user(["mate-screensaver-command", "--query"]) == 0, START_TIMEOUT,
                        "mate-screensaver to answer on the bus")
        self.assertEqual(self.run_as_user(["mate-screensaver-command", "--activate"]), 0)
        self.assert_snows_then_ends_within_a_second(
            lambda: self.assertEqual(self.run_as_user(["mate-screensaver-command", "--deactivate"]), 0))


    def test_the_preferences_preview_kelvane_and_it_ends_when_they_go(self):
        prefs = self.as_user(["mate-screensaver-preferences"], over_usr=True)
        self.x.wait_for(self.kelvane_pids, START_TIMEOUT, "the preferences to start kelvane")
        dialog = self.x.wait_for(self.x.top_windows, START_TIMEOUT, "the preferences' window")[0]
        # The preview is the one part of the dialog that moves.
        self.wait_for_moving_snow((dialog["x"], dialog["y"], dialog["x"] + dialog["width"], dialog["y"] + dialog["height"]))
        xsession.stop_process(prefs)   # its windows go with it, the preview's among them
        self.x.wait_for(lambda: not self.kelvane_pids(), END_TIMEOUT, "kelvane to end with the preferences")


class XScreenSaverTest(DaemonTestCase):

    tools = ("xscreensaver", "xscreensaver-command")

    def test_kelvane_as_the_only_mode_snows_and_ends_on_deactivation(self):
        # The line the README gives for ~/.xscreensaver, with Kelvane as the one mode.
        self.write_user_file(".xscreensaver", "timeout: 1:00:00\nlock: False\nfade: False\nunfade: False\n"
                             "splash: False\ndpmsEnabled: False\nmode: one\nselected: 0\n"
                             "programs:\t\\\n  \"Kelvane\"  kelvane -root \\n\\\n\n")
        self.as_user(["xscreensaver", "-no-splash"])
        self.x.wait_for(lambda: self.run_as_user(["xscreensaver-command", "-time"]) == 0, START_TIMEOUT,
                        "xscreensaver to answer")
        self.assertEqual(self.run_as_user(["xscreensaver-command", "-activate"]), 0)
        self.assert_snows_then_ends_within_a_second(
            lambda: self.assertEqual(self.run_as_user(["xscreensaver-command", "-deactivate"]), 0))


if __name__ == "__main__":
    unittest.main()
