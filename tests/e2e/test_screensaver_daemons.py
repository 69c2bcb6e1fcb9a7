"""Kelvane as this build installs it, run by the desktops' own screen savers: mate-screensaver (and its
preferences' preview) and xscreensaver. Both refuse root, so as root each runs as a user of its own
(made if absent), with its own home and D-Bus session."""

import os
import pwd
import shutil
import subprocess
import tempfile
import time
import unittest

import xsession
from kelvane_e2e import END_TIMEOUT, START_TIMEOUT, KelvaneTestCase

USER = "kelvane-e2e"
# mate-screensaver runs themes only from the system's hack folders, so it sees this build installed
# over /usr through an overlay in a mount namespace of its own; the system stays as it is.
OVER_USR = ["unshare", "--mount", "--propagation", "private", "--", "sh", "-c",
            'mount -t overlay overlay -o "lowerdir=$0:/usr" /usr && exec "$@"']
MATE_THEME = "[org/mate/screensaver]\nmode='single'\nthemes=['screensavers-kelvane']\nlock-enabled=false\n"
# The README's line for ~/.xscreensaver, with Kelvane as the one mode.
XSCREENSAVER = ("lock: False\nfade: False\nunfade: False\nsplash: False\nmode: one\nselected: 0\n"
                "programs:\t\\\n  \"Kelvane\"  kelvane -root \\n\\\n\n")


class ScreenSaverDaemonTest(KelvaneTestCase):

    def setUp(self):
        missing = [t for t in ("mate-screensaver", "xscreensaver", "dbus-daemon", "setpriv") if not shutil.which(t)]
        if missing or os.getuid() != 0 or "KELVANE_BUILD_DIR" not in os.environ or \
                subprocess.run(["unshare", "--mount", "true"], capture_output=True).returncode != 0:
            self.skipTest(f"takes root, mount namespaces, KELVANE_BUILD_DIR and these programs: {missing}")
        super().setUp()
        if subprocess.run(["id", USER], capture_output=True).returncode != 0:
            subprocess.run(["useradd", "--system", "--no-create-home", "--shell", "/usr/sbin/nologin", USER], check=True)
        self.user = pwd.getpwnam(USER)
        root = tempfile.mkdtemp(prefix="kelvane-daemon-")
        self.addCleanup(shutil.rmtree, root, True)
        os.chmod(root, 0o755)
        self.prefix = os.path.join(root, "usr")
        subprocess.run(["cmake", "--install", os.environ["KELVANE_BUILD_DIR"], "--prefix", self.prefix], check=True,
                       capture_output=True)
        home = os.path.join(root, "home")
        for path, text in ((os.path.join(home, ".config/glib-2.0/settings/keyfile"), MATE_THEME),
                           (os.path.join(home, ".xscreensaver"), XSCREENSAVER)):
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
        os.makedirs(os.path.join(home, "runtime"), 0o700)
        subprocess.run(["chown", "-R", f"{USER}:", home], check=True)
        self.env = {"PATH": os.path.join(self.prefix, "bin") + ":/usr/bin:/bin", "HOME": home, "LANG": "C.UTF-8",
                    "DISPLAY": self.x.display, "XDG_RUNTIME_DIR": os.path.join(home, "runtime"), "NO_AT_BRIDGE": "1",
                    "GSETTINGS_BACKEND": "keyfile"}   # GSettings without a dconf service
        bus = self.as_user(["dbus-daemon", "--session", "--nofork", "--print-address=1"], stdout=subprocess.PIPE)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().decode().strip()

    def as_user(self, args, over_usr=False, **popen_args):
        """Starts args as the daemons' user; ended with the display."""
        command = (OVER_USR + [self.prefix] if over_usr else []) + [
            "setpriv", f"--reuid={self.user.pw_uid}", f"--regid={self.user.pw_gid}", "--clear-groups", "--"]
        popen_args.setdefault("stdout", subprocess.DEVNULL)
        proc = subprocess.Popen(command + args, env=self.env, stderr=subprocess.DEVNULL, **popen_args)
        self.x.processes.append(proc)
        return proc

    def command(self, *args):
        return self.as_user(list(args)).wait(30)

    def kelvane_pids(self, window=False):
        """The installed Kelvane's processes on this display, wherever their mount namespace shows it;
        window: the window XSCREENSAVER_WINDOW names to the first of them instead, once it is shown at its
        size (the preferences make it 1x1 at -1,-1 and lay it out later)."""
        programs = (os.path.join(self.prefix, "bin", "kelvane"), "/usr/bin/kelvane")
        pids = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                if os.stat(f"/proc/{pid}").st_uid != self.user.pw_uid or os.readlink(f"/proc/{pid}/exe") not in programs:
                    continue
                with open(f"/proc/{pid}/environ", "rb") as f:
                    env = dict(v.split(b"=", 1) for v in f.read().split(b"\0") if b"=" in v)
            except OSError:
                continue
            if env.get(b"DISPLAY", b"").decode() in (self.x.display, self.x.display + ".0"):
                if window:
                    info = self.x.window_info(int(env.get(b"XSCREENSAVER_WINDOW", b"0"), 0))
                    shown = info and info["map_state"] == "IsViewable" and min(info["width"], info["height"]) > 1
                    return info if shown else None
                pids.append(int(pid))
        return pids

    def test_each_daemon_snows_with_kelvane_and_deactivation_ends_it_within_a_second(self):
        for daemon, over_usr, query, activate, deactivate in (
                (["mate-screensaver", "--no-daemon"], True, "--query", "--activate", "--deactivate"),
                (["xscreensaver", "-no-splash"], False, "-time", "-activate", "-deactivate")):
            with self.subTest(daemon=daemon[0]):
                proc = self.as_user(daemon, over_usr)
                try:
                    tool = daemon[0] + "-command"
                    self.x.wait_for(lambda: self.command(tool, query) == 0, START_TIMEOUT, f"{daemon[0]} to answer")
                    self.assertEqual(self.command(tool, activate), 0)
                    self.x.wait_for(self.kelvane_pids, START_TIMEOUT, f"{daemon[0]} to start kelvane")
                    self.wait_for_moving_snow((0, 0, self.width, self.height))
                    self.assertEqual(self.command(tool, deactivate), 0)
                    started = time.monotonic()
                    self.x.wait_for(lambda: not self.kelvane_pids(), END_TIMEOUT, "kelvane to end")
                    self.assertLess(time.monotonic() - started, 1.0, "kelvane ended later than a second after deactivation")
                finally:
                    xsession.stop_process(proc)   # one screen saver at a time

    def test_mate_preferences_preview_kelvane_and_it_ends_with_them(self):
        prefs = self.as_user(["mate-screensaver-preferences"], over_usr=True)
        preview = self.x.wait_for(lambda: self.kelvane_pids(window=True), START_TIMEOUT, "kelvane in the preferences' preview")
        self.wait_for_moving_snow((preview["x"], preview["y"], preview["x"] + preview["width"], preview["y"] + preview["height"]))
        xsession.stop_process(prefs)   # its windows go with it, the preview's among them
        self.x.wait_for(lambda: not self.kelvane_pids(), END_TIMEOUT, "kelvane to end with the preferences")


if __name__ == "__main__":
    unittest.main()
