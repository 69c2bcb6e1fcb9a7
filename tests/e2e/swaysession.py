"""A private Wayland compositor for end-to-end tests and measurements: headless sway
(`WLR_BACKENDS=headless`, `WLR_RENDERER=pixman`, no input devices), run with its clients as a user of
its own, since sway refuses root; screenshots with grim, keys with wtype, the pointer with sway's own
seat commands through a virtual pointer (wayland_pointer.py). Standard library only.

    with SwaySession(["HEADLESS-1 scale 2"]) as sway:
        proc = sway.start([sway.copy(KELVANE), "/s"])
        width, height, rgb = sway.shot("HEADLESS-1")
"""

import os
import pwd
import shutil
import subprocess
import tempfile

import xsession

USER = "kelvane-e2e"
HERE = os.path.dirname(os.path.abspath(__file__))
DESKTOP = b"\x33\x66\x99"   # the outputs' background, as grim gives it


def missing_programs():
    """What a session needs and this machine lacks, or why it cannot run here; empty when it can."""
    missing = [t for t in ("sway", "swaymsg", "grim", "wtype", "setpriv") if not shutil.which(t)]
    if os.getuid() != 0:
        missing.append(f"root (sway refuses it; the session runs it as {USER})")
    return missing


class SwaySession:

    def __init__(self, outputs=(), resolution="1280x720", timeout=15):
        """outputs: lines for sway's `output` command at the start, such as "HEADLESS-1 scale 2"."""
        self.outputs = outputs
        self.resolution = resolution
        self.timeout = timeout
        self.processes = []

    def __enter__(self):
        self.open()
        return self

    def __exit__(self, *exc):
        self.close()

    def open(self):
        if subprocess.run(["id", USER], capture_output=True).returncode != 0:
            subprocess.run(["useradd", "--system", "--no-create-home", "--shell", "/usr/sbin/nologin", USER], check=True)
        user = pwd.getpwnam(USER)
        self.root = tempfile.mkdtemp(prefix="kelvane-wayland-")
        # The user may not see into the build tree: what it runs goes where it can.
        for path in (os.path.join(HERE, "wayland_pointer.py"), os.path.join(HERE, "lsan.supp")):
            shutil.copy(path, self.root)
        runtime = os.path.join(self.root, "runtime")
        os.mkdir(runtime, 0o700)
        os.chmod(self.root, 0o755)
        os.chown(runtime, user.pw_uid, user.pw_gid)
        with open(os.path.join(self.root, "sway.conf"), "w") as f:
            f.write(f"xwayland disable\noutput * resolution {self.resolution} bg #336699 solid_color\n")
            f.writelines(f"output {line}\n" for line in self.outputs)
        self.as_user = ["setpriv", f"--reuid={user.pw_uid}", f"--regid={user.pw_gid}", "--init-groups"]
        self.env = {"PATH": "/usr/bin:/bin", "HOME": self.root, "XDG_RUNTIME_DIR": runtime, "XDG_CONFIG_HOME": runtime,
                    "WLR_BACKENDS": "headless", "WLR_RENDERER": "pixman", "WLR_LIBINPUT_NO_DEVICES": "1"}
        # A sanitizer build's options reach the program, with the leak suppressions where the user can read them.
        self.env.update({k: v for k, v in os.environ.items() if k in ("ASAN_OPTIONS", "UBSAN_OPTIONS")})
        self.env["LSAN_OPTIONS"] = "suppressions=" + os.path.join(self.root, "lsan.supp")
        self.server = self.start(["sway", "-c", os.path.join(self.root, "sway.conf")])

        def sockets():
            names = os.listdir(runtime)
            display = [n for n in names if n.startswith("wayland-") and not n.endswith(".lock")]
            ipc = [n for n in names if n.startswith("sway-ipc")]
            return (display[0], os.path.join(runtime, ipc[0])) if display and ipc else None
        self.env["WAYLAND_DISPLAY"], self.env["SWAYSOCK"] = xsession.wait_for(sockets, self.timeout, "sway's sockets")
        pointer = self.start(["python3", os.path.join(self.root, "wayland_pointer.py")], stdin=subprocess.PIPE)
        if pointer.stdout.readline().strip() != b"ready":
            raise RuntimeError("the virtual pointer did not plug in")

    def close(self):
        for proc in reversed(self.processes):
            xsession.stop_process(proc)
        shutil.rmtree(self.root, True)

    def copy(self, path, name=None):
        """path copied where the session's user may run it; its new path."""
        target = os.path.join(self.root, name or os.path.basename(path))
        shutil.copy(path, target)
        return target

    def start(self, args, **popen_args):
        """Starts args as the session's user; stopped with the session."""
        popen_args.setdefault("stdout", subprocess.PIPE)
        popen_args.setdefault("stderr", subprocess.PIPE)
        proc = subprocess.Popen(self.as_user + args, env=self.env, **popen_args)
        self.processes.append(proc)
        return proc

    def run(self, *args):
        return subprocess.run(self.as_user + list(args), env=self.env, check=True, capture_output=True)

    def sway_do(self, *command):
        self.run("swaymsg", *command)

    def shot(self, output, geometry=None):
        """The output's pixels (or those of a "x,y wxh" geometry in layout units) as RGB bytes, with their size."""
        where = ["-g", geometry] if geometry else ["-o", output]
        ppm = subprocess.run(self.as_user + ["grim", "-t", "ppm"] + where + ["-"], env=self.env,
                             capture_output=True).stdout
        if not ppm:
            return 0, 0, b""   # the output is not there yet
        width, height = map(int, ppm.split(b"\n")[1].split())
        return width, height, ppm[-width * height * 3:]
